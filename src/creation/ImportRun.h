#pragma once
// The import run: one creation run per record of a CSV file, the records that produced no user
// collected in Import.err with a RED line each saying why, the halts on errors or warnings, and
// the administrator's Stop, after which the records not read go to Import.err too. Every line of
// the file ends either in a record that made a user or in Import.err. The run knows no window: it
// acts on the main window through an ImportHost.

#include <QString>

namespace tavrel::creation {

class ImportHost {
 public:
  virtual ~ImportHost() = default;
  // USERID cleared, and the three name fields (which refresh the ID preview).
  virtual void clearUserId() = 0;
  virtual void setNames(const QString& first, const QString& middle, const QString& last) = 0;
  // The user ID the creation will use: USERID as the name fields left it.
  virtual QString userId() const = 0;
  struct Created {
    bool finished = false;  // the creation ran to its end (a user was made, perhaps with warnings)
    QString why;            // when it did not: why no user was made
  };
  // Presses "Create User".
  virtual Created pressCreate() = 0;
  virtual void setImportText(const QString& text) = 0;
  // The first panel of the status bar.
  virtual void setStatus(const QString& text) = 0;
  virtual bool haltOnErrors() const = 0;
  virtual bool haltOnWarnings() const = 0;
  // The main window takes input or not; the cancel window shown or closed.
  virtual void setMainWindowEnabled(bool enabled) = 0;
  virtual void showCancelWindow() = 0;
  virtual void closeCancelWindow() = 0;
  virtual bool logTab(const QString& colour, const QString& message) = 0;
  // Serves the event loop once (the Stop button, repaints).
  virtual void yield() = 0;
};

inline const QString kImportErrName = QStringLiteral("Import.err");

// How an import went, for the summary.
struct ImportSummary {
  qsizetype lines = 0;        // the file's lines
  qsizetype notAdded = 0;     // records that made no user, each in Import.err
  bool stopped = false;       // the administrator pressed Stop
  qsizetype lastLine = 0;     // the last line read
  qsizetype unreadLines = 0;  // lines never read (after Stop or a halt), in Import.err too
  QString errPath;            // Import.err's full path
};

// Run_Import: true when the file was read to its end or the administrator stopped the import;
// false when it halted for errors or warnings or could not go on (the reason is in the
// on-screen log). `dbpath` ends with the folder separator.
//
// Import.err is written in UTF-8 (with a byte-order mark) whatever the file's encoding, each
// record as the text it was read as, so that importing Import.err reads every line as it was
// read the first time.
bool Run_Import(const QString& path, const QString& dbpath, ImportHost& host,
                ImportSummary* summary = nullptr);

}  // namespace tavrel::creation
