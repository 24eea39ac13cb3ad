#include "records/Maintenance.h"

#include "startup/LogFile.h"

namespace tavrel::records {
namespace {

// Called for each record read; returns whether it goes into the compacted file (it may change it).
using Keep = std::function<bool(QByteArray& record)>;

Status compactFile(const DatabaseFolder& db, const QString& name, const QString& tempName, int length,
                   const Keep& keep) {
  if (Status s = db.check(); !s) return s;
  auto guard = db.lockExclusive();
  if (!guard) return guard.status();
  if (!db.exists(name)) return {};

  auto source = db.open(name, length, RecordFile::Access::Read);
  if (!source) return source.status();
  // A trailing partial record would be lost; the file is left for the administrator to look at.
  if (Status whole = source->checkWholeRecords(); !whole)
    return Status::failure(whole.message() + QStringLiteral(" It was not compacted."));
  auto bytes = source->byteLength();
  if (!bytes) return bytes.status();

  auto temp = db.createFresh(tempName, length);
  if (!temp) return temp.status();
  Status s = [&]() -> Status {
    const int count = static_cast<int>(bytes.value() / length);
    int n = 0;
    for (int i = 1; i <= count; ++i) {
      auto record = source->read(i);
      if (!record) return record.status();
      if (!keep(record.value())) continue;
      if (Status w = temp->write(++n, record.value()); !w) return w;
    }
    if (Status w = temp->sync(); !w) return w;
    return temp->close();
  }();
  source->close();
  if (s) s = db.replace(tempName, name);
  if (!s) db.discard(tempName);
  return s;
}

}  // namespace

Status Compact_Sites(const DatabaseFolder& db) {
  return compactFile(db, names::Site, QStringLiteral("tempsite.dat"), Site_Record::Length,
                     [](QByteArray& record) { return Site_Record::decode(record).Deleted != kDeletedFlag; });
}

Status Compact_Templates(const DatabaseFolder& db, const TemplateCheck& check) {
  startup::LogFile log(db.path());
  log.line(QStringLiteral("Start Compact"));
  Status s = compactFile(
      db, names::Template, QStringLiteral("Temptemp.dat"), Template_Record::Length, [&](QByteArray& record) {
        Template_Record Current_Template = Template_Record::decode(record);
        if (Current_Template.Deleted == kDeletedFlag) {
          log.line(QStringLiteral("Template ") + Current_Template.Name + QStringLiteral(" Deleted."));
          log.line(QStringLiteral(" "));
          return false;
        }
        if (check) {
          check(Current_Template, log);
          record = Current_Template.encode();
        }
        return true;
      });
  log.line(s ? QStringLiteral("Compact Finished.") : s.message());
  return s;
}

std::vector<BackupCopy> BackupReport::failures() const {
  std::vector<BackupCopy> out;
  for (const BackupCopy& c : copies)
    if (c.outcome == BackupCopy::Outcome::Failed) out.push_back(c);
  return out;
}

BackupReport Backup_Files(const DatabaseFolder& db) {
  static const std::pair<QString, QString> kPairs[] = {
      {names::Site, QStringLiteral("site.bak")},
      {names::Template, QStringLiteral("template.bak")},
      {names::Mail, QStringLiteral("mail.bak")},
      {names::Permissions, QStringLiteral("Permissions.bak")},
      {names::SharePerm, QStringLiteral("SharePerm.bak")},
      {names::WTS, QStringLiteral("WTS.bak")},
      {names::W2K, QStringLiteral("W2K.bak")},
  };
  BackupReport report;
  Status folder = db.check();
  Result<FolderLock> guard = folder ? db.lockExclusive() : Result<FolderLock>(folder);
  for (const auto& [source, copy] : kPairs) {
    BackupCopy c;
    c.source = source;
    c.copy = copy;
    if (!guard) {
      c.error = guard.message();
    } else if (!db.exists(source)) {
      c.outcome = BackupCopy::Outcome::Missing;
    } else {
      auto bytes = db.readWhole(source);
      Status s = bytes ? db.writeWhole(copy, bytes.value()) : bytes.status();
      if (s)
        c.outcome = BackupCopy::Outcome::Copied;
      else
        c.error = s.message();
    }
    report.copies.push_back(c);
  }
  return report;
}

}  // namespace tavrel::records
