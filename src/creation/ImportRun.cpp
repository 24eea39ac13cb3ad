#include "creation/ImportRun.h"

#include "creation/CsvFile.h"
#include "platform/adsi/Batch.h"
#include "startup/Clock.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "ui/Services.h"

#include <QFile>
#include <QFileInfo>

namespace tavrel::creation {

namespace {

const QByteArray kStars(41, '*');

// Import.err, open for the whole run; every line is written as bytes, so a line of the CSV file
// goes back exactly as it was read.
class ErrFile {
 public:
  bool open(const QString& path, QString* error) {
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      *error = file_.errorString();
      return false;
    }
    return write(kStars) && write(startup::clock().dateTimeText().toUtf8()) &&
           write("The following users were not created.") && write(kStars);
  }
  bool write(const QByteArray& line) {
    if (!file_.isOpen()) return false;
    return file_.write(line + "\r\n") == line.size() + 2 && file_.flush();
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

}  // namespace

bool Run_Import(const QString& path, const QString& dbpath, ImportHost& host) {
  state::SharedState& sh = state::shared();
  // 1.
  sh.Import_Mode = true;
  sh.Cancel_Flag = false;
  sh.Users_Added_Count = 0;
  sh.Import_Error_Flag = false;
  sh.Import_Warning_Flag = false;
  RunScope scope(host);
  // The domain facts every user's run reads (the password policy) are read once for the import,
  // and Log.txt stays open between the users' blocks.
  adsi::Batch batch;
  startup::LogFile::Hold keepLog(dbpath);
  const auto failed = [&](const QString& why) {
    host.logTab(QStringLiteral("RED"), QStringLiteral(" Import failed: ") + why);
    return false;
  };

  // 2.
  ErrFile err;
  QString error;
  if (!err.open(dbpath + kImportErrName, &error))
    return failed(QStringLiteral("cannot write ") + dbpath + kImportErrName + QStringLiteral(": ") + error);
  host.setMainWindowEnabled(false);
  host.showCancelWindow();

  // 3.
  std::optional<QByteArray> bytes = readWholeFile(path, &error);
  if (!bytes) return failed(QStringLiteral("cannot read ") + path + QStringLiteral(": ") + error);
  CsvReader reader(std::move(*bytes));
  const QString fileName = QFileInfo(path).fileName();

  bool errWritable = true;
  const auto writeErr = [&](const QByteArray& line) {
    // A failed write is said once; the import goes on, the on-screen log keeps the verdicts.
    if (!err.write(line) && errWritable) {
      errWritable = false;
      host.logTab(QStringLiteral("RED"), QStringLiteral(" Import failed: cannot write ") + kImportErrName);
    }
  };
  const auto halt = [&](const QString& colour, const QString& message, const QByteArray& errLine) {
    ui::feedback().beep();
    host.logTab(colour, message);
    writeErr(errLine);
    return false;
  };

  // 4.
  while (std::optional<CsvRecord> record = reader.next()) {
    sh.Import_Line = record->text;
    host.clearUserId();
    sh.ImportField.assign(record->fields);
    sh.Import_Field_Count = int32_t(qMin<qsizetype>(record->fields.size(), std::numeric_limits<int32_t>::max()));
    const auto field = [&](qsizetype k) { return sh.ImportField.value(k).trimmed(); };
    host.setNames(field(1), field(2), field(3));
    if (sh.Import_Field_Count < 2) {
      writeErr(record->raw);
      continue;
    }
    if (sh.Cancel_Flag) {
      host.logTab(QStringLiteral("GREEN"), QStringLiteral(" Import Halted by User"));
      return true;
    }
    const int32_t before = sh.Users_Added_Count;
    const bool finished = host.pressCreate();
    // A line that made no account, and whose run did not reach its end, goes back to the
    // administrator whole so that it can be corrected and imported again.
    if (!finished && sh.Users_Added_Count == before) writeErr(record->raw);
    host.setImportText(QStringLiteral("Number of Users Imported from ") + fileName + QStringLiteral("= ") +
                       QString::number(sh.Users_Added_Count));
    if (host.haltOnErrors() && sh.Import_Error_Flag)
      return halt(QStringLiteral("RED"), QStringLiteral(" Import Halted because errors were detected"),
                  "Import Halted because error were detected");
    if (host.haltOnWarnings() && sh.Import_Warning_Flag)
      return halt(QStringLiteral("YELLOW"), QStringLiteral(" Import Halted because WARNINGS were detected"),
                  "Import Halted because warnings were detected");
    host.yield();
  }

  // 5.
  host.logTab(QStringLiteral("GREEN"), QStringLiteral("Number of Users Imported from ") + fileName +
                                           QStringLiteral(" = ") + QString::number(sh.Users_Added_Count));
  return true;
}

}  // namespace tavrel::creation
