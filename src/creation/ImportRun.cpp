#include "creation/ImportRun.h"

#include "creation/CsvFile.h"
#include "platform/text/Cp1252.h"
#include "startup/Clock.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "ui/Services.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

namespace tavrel::creation {

namespace {

const QByteArray kStars(41, '*');
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// Import.err, open for the whole run. It is UTF-8 with a byte-order mark, so the reader decides
// its encoding the same way for every line it holds: a record goes back as the text it was read
// as, whichever encoding the imported file had.
class ErrFile {
 public:
  bool open(const QString& path, QString* error) {
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      *error = file_.errorString();
      return false;
    }
    return file_.write(kUtf8Bom) == 3 && write(kStars) && write(startup::clock().dateTimeText()) &&
           write(QStringLiteral("The following users were not created.")) && write(kStars);
  }
  bool write(const QString& line) {
    if (!file_.isOpen()) return false;
    const QByteArray bytes = line.toUtf8() + "\r\n";
    return file_.write(bytes) == bytes.size() && file_.flush();
  }

 private:
  QFile file_;
};

// Every way out of the run: the flag down, the main window back, the cancel window gone.
class RunScope {
 public:
  explicit RunScope(ImportHost& host) : host_(host) {}
  ~RunScope() {
    state::shared().Import_Mode = false;
    host_.setMainWindowEnabled(true);
    host_.closeCancelWindow();
  }

 private:
  ImportHost& host_;
};

QString linesOf(const CsvRecord& r) {
  return r.lines == 1 ? QStringLiteral("Line ") + QString::number(r.line)
                      : QStringLiteral("Lines %1-%2").arg(r.line).arg(r.line + r.lines - 1);
}

bool holdsControl(const QString& value) {
  return std::any_of(value.begin(), value.end(), startup::isControlCharacter);
}

}  // namespace

bool Run_Import(const QString& path, const QString& dbpath, ImportHost& host, ImportSummary* summary) {
  state::SharedState& sh = state::shared();
  ImportSummary local;
  ImportSummary& sum = summary ? *summary : local;
  sum = ImportSummary();
  sum.errPath = dbpath + kImportErrName;
  // 1.
  sh.Import_Mode = true;
  sh.Cancel_Flag = false;
  sh.Users_Added_Count = 0;
  sh.Import_Error_Flag = false;
  sh.Import_Warning_Flag = false;
  RunScope scope(host);
  const auto failed = [&](const QString& why) {
    host.logTab(QStringLiteral("RED"), QStringLiteral(" Import failed: ") + why);
    return false;
  };

  // 2.
  ErrFile err;
  QString error;
  if (!err.open(sum.errPath, &error))
    return failed(QStringLiteral("cannot write ") + sum.errPath + QStringLiteral(": ") + error);
  host.setMainWindowEnabled(false);
  host.showCancelWindow();

  // 3. The whole file is read first, so that the run can say where it is and what is left.
  std::optional<QByteArray> bytes = readWholeFile(path, &error);
  if (!bytes) return failed(QStringLiteral("cannot read ") + path + QStringLiteral(": ") + error);
  std::vector<CsvRecord> records;
  {
    CsvReader reader(std::move(*bytes));
    while (std::optional<CsvRecord> record = reader.next()) records.push_back(std::move(*record));
  }
  if (!records.empty()) sum.lines = records.back().line + records.back().lines - 1;
  const QString fileName = QFileInfo(path).fileName();
  const QString count = QString::number(records.size());

  bool errWritable = true;
  const auto writeErr = [&](const QString& line) {
    // A failed write is said once; the import goes on, the on-screen log keeps the verdicts.
    if (!err.write(line) && errWritable) {
      errWritable = false;
      host.logTab(QStringLiteral("RED"), QStringLiteral(" Import failed: cannot write ") + sum.errPath);
    }
  };
  const auto logLine = [&](const QString& text) { startup::LogFile(dbpath).line(text); };
  // A record that made no user: said on screen and in Log.txt, and kept in Import.err.
  const auto notImported = [&](const CsvRecord& r, const QString& why) {
    const QString text = linesOf(r) + QStringLiteral(" not imported: ") + why;
    host.logTab(QStringLiteral("RED"), u' ' + text);
    logLine(text);
    writeErr(r.text);
    ++sum.notAdded;
  };
  // The records from `from` on were never read: they follow the failed ones in Import.err, so
  // that the file can be imported again as it is.
  const auto unread = [&](size_t from) {
    for (size_t k = from; k < records.size(); ++k) writeErr(records[k].text);
    sum.unreadLines = from < records.size() ? sum.lines - records[from].line + 1 : 0;
  };
  const auto halt = [&](const QString& colour, const QString& message, const QString& errLine, size_t next) {
    ui::feedback().beep();
    host.logTab(colour, message);
    unread(next);
    writeErr(errLine);
    logLine(QStringLiteral("Import halted after line %1 of %2; the %3 lines not read are in %4")
                .arg(sum.lastLine)
                .arg(sum.lines)
                .arg(sum.unreadLines)
                .arg(sum.errPath));
    return false;
  };

  // 4.
  for (size_t k = 0; k < records.size(); ++k) {
    const CsvRecord& record = records[k];
    sum.lastLine = record.line + record.lines - 1;
    sh.Import_Line = record.text;
    host.clearUserId();
    sh.ImportField.assign(record.fields);
    sh.Import_Field_Count =
        int32_t(qMin<qsizetype>(record.fields.size(), std::numeric_limits<int32_t>::max()));
    // The names lose their surrounding spaces only, as everywhere else.
    const auto field = [&](qsizetype i) { return text::trimBlanks(sh.ImportField.value(i)); };
    const QString names[] = {field(1), field(2), field(3)};
    host.setNames(names[0], names[1], names[2]);
    // Where the import is, in the status; the creation's own texts replace it while it runs.
    const auto showPosition = [&] {
      host.setStatus(QStringLiteral("Importing Users.... user ") + QString::number(k + 1) +
                     QStringLiteral(" of ") + count);
    };
    showPosition();
    const auto sayMalformed = [&] {
      if (!record.malformed) return;
      const QString text =
          linesOf(record) + QStringLiteral(
                                ": a quote does not close its field; the line is read as it stands, "
                                "split at every comma");
      host.logTab(QStringLiteral("YELLOW"), u' ' + text);
      logLine(text);
    };
    if (sh.Import_Field_Count < 2) {
      sayMalformed();
      notImported(record, record.fields.isEmpty()
                              ? QStringLiteral("the line is empty")
                              : QStringLiteral("the line has no comma, so it holds no last name"));
      continue;
    }
    if (sh.Cancel_Flag) {
      sum.stopped = true;
      sum.lastLine = record.line - 1;
      unread(k);
      host.logTab(QStringLiteral("GREEN"), QStringLiteral(" Import Halted by User"));
      const QString text =
          QStringLiteral("Import stopped after line %1 of %2; the %3 lines not read are in %4")
              .arg(sum.lastLine)
              .arg(sum.lines)
              .arg(sum.unreadLines)
              .arg(sum.errPath);
      host.logTab(QStringLiteral("YELLOW"), u' ' + text);
      logLine(text);
      return true;
    }
    sayMalformed();
    // A name or ID with a line break or another control character would make an account no one
    // can type, and break every line that names it: the record makes no user.
    static const char* const kNames[] = {"first name", "middle name", "last name"};
    QString refused;
    for (int i = 0; i < 3 && refused.isEmpty(); ++i)
      if (holdsControl(names[i]))
        refused = QStringLiteral("the %1 holds a line break or another control character: ")
                      .arg(QLatin1StringView(kNames[i])) +
                  names[i];
    if (const QString id = host.userId(); refused.isEmpty() && holdsControl(id))
      refused = QStringLiteral("the User ID holds a line break or another control character: ") + id;
    if (!refused.isEmpty()) {
      notImported(record, refused);
      continue;
    }
    const int32_t before = sh.Users_Added_Count;
    const ImportHost::Created made = host.pressCreate();
    // A line that made no account, and whose run did not reach its end, goes back to the
    // administrator whole so that it can be corrected and imported again.
    if (!made.finished && sh.Users_Added_Count == before)
      notImported(record, made.why.isEmpty() ? QStringLiteral("no user was created") : made.why);
    host.setImportText(QStringLiteral("Number of Users Imported from ") + fileName + QStringLiteral("= ") +
                       QString::number(sh.Users_Added_Count));
    showPosition();
    if (host.haltOnErrors() && sh.Import_Error_Flag)
      return halt(QStringLiteral("RED"), QStringLiteral(" Import Halted because errors were detected"),
                  QStringLiteral("Import Halted because error were detected"), k + 1);
    if (host.haltOnWarnings() && sh.Import_Warning_Flag)
      return halt(QStringLiteral("YELLOW"), QStringLiteral(" Import Halted because WARNINGS were detected"),
                  QStringLiteral("Import Halted because warnings were detected"), k + 1);
    host.yield();
  }

  // 5. The count, and how many lines made no user.
  QString text = QStringLiteral("Number of Users Imported from ") + fileName + QStringLiteral(" = ") +
                 QString::number(sh.Users_Added_Count);
  if (sum.notAdded == 0) {
    host.logTab(QStringLiteral("GREEN"), text);
    return true;
  }
  text += QStringLiteral(", not imported = ") + QString::number(sum.notAdded) + QStringLiteral(", in ") +
          sum.errPath;
  host.logTab(QStringLiteral("YELLOW"), text);
  logLine(text);
  return true;
}

}  // namespace tavrel::creation
