#pragma once
// Log.txt in the database folder. Each operation opens it for appending (creating it when
// missing), writes the block header (41 asterisks, then the date and time), its own lines, and
// closes it when the LogFile goes out of scope, on every path. Lines are Windows-1252 with CRLF.

#include <QString>
#include <memory>

class QFile;

namespace tavrel::startup {

// A control character (C0, DEL, C1) or a line or paragraph separator: what could break a log
// line or hide in it.
bool isControlCharacter(QChar c);
// `text` with every control character shown as a visible name ("<CR>", "<LF>", "<TAB>",
// "<U+0007>"), so that no value can break a line of Log.txt or the on-screen log.
QString showControls(const QString& text);

inline const QString kLogFileName = QStringLiteral("Log.txt");
inline const QString kLogHeader = QStringLiteral("*****************************************");

class LogFile {
 public:
  // Opens `dbpath` + "Log.txt" (dbpath ends with the folder separator) and writes the header.
  explicit LogFile(const QString& dbpath);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // False when the file could not be opened or a write failed; lines are then dropped.
  bool ok() const { return ok_; }
  QString errorString() const { return error_; }
  QString path() const { return path_; }

  // Writes one line, its control characters shown (showControls); several pieces are joined
  // without separator by the caller.
  void line(const QString& text);
  // Closes the file early (the destructor does nothing more).
  void close();

  static QString pathFor(const QString& dbpath) { return dbpath + kLogFileName; }

  // While a Hold on a folder lives (an import), the LogFiles of that folder write through one file
  // kept open rather than opening and closing Log.txt for every block; each block still has its
  // header and every line still reaches the file at once.
  class Hold {
   public:
    explicit Hold(const QString& dbpath);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    bool counted_ = false;  // another folder's Hold was in force: this one keeps nothing
  };

 private:
  // Writes whole lines, CRLF included, and sends them to the file.
  void write(const QByteArray& bytes);

  QString path_;
  QString error_;
  std::shared_ptr<QFile> file_;
  bool held_ = false;  // file_ is the one a Hold keeps open
  bool ok_ = false;
};

}  // namespace tavrel::startup
