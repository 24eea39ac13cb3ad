#include "records/Lookup.h"

#include "records/Layout.h"

#include "platform/text/Cp1252.h"
#include "startup/LogFile.h"


namespace tavrel::records {
namespace {

using text::trimBlanks;

// A record number found by a scan can belong to another site by the time it is written (another
// instance compacted the file in between); the writer then scans again, a few times at most.
constexpr int kRescans = 3;

bool liveSite(const Site_Record& r) {
  return r.Deleted == 0;
}

}  // namespace

Status checkSettledFile(const DatabaseFolder& db, const QString& name, RecordFile& file) {
  if (Status s = file.holdAppends(); !s) return s;
  Status result = file.checkWholeRecords();
  // A file of an older layout whose length happens to fit would be read as other records.
  if (result) result = checkCurrentLayout(db, name);
  file.allowAppends();
  return result;
}

bool sameNameExact(const QString& stored, const QString& wanted) {
  return stored == wanted;
}

bool sameNameTrimmed(const QString& stored, const QString& wanted) {
  return trimBlanks(stored) == trimBlanks(wanted);
}

bool sameNameIgnoringCase(const QString& stored, const QString& wanted) {
  return trimBlanks(stored).compare(trimBlanks(wanted), Qt::CaseInsensitive) == 0;
}

template <class R>
Result<Scan<R>> scanRecords(const DatabaseFolder& db, const QString& name,
                            const std::function<bool(const R&)>& test, Pick pick, bool createMissing) {
  Scan<R> scan;
  if (Status s = db.check(); !s) return s;
  if (!db.exists(name) && !createMissing) return scan;
  auto file =
      db.open(name, R::Length, createMissing ? RecordFile::Access::ReadWrite : RecordFile::Access::Read);
  if (!file) return file.status();
  if (Status settled = checkSettledFile(db, name, file.value()); !settled) return settled;
  auto count = file->count();
  if (!count) return count.status();
  scan.count = count.value();
  std::optional<R> taken;
  for (int n = 1; n <= scan.count; ++n) {
    auto record = file->template readAs<R>(n);
    if (!record) return record.status();
    scan.lastRead = record.value();
    if (test(record.value())) {
      scan.match = n;
      taken = record.value();
      if (pick == Pick::First) break;
    }
  }
  if (taken) scan.lastRead = taken;
  return scan;
}

template Result<Scan<Site_Record>> scanRecords<Site_Record>(const DatabaseFolder&, const QString&,
                                                            const std::function<bool(const Site_Record&)>&,
                                                            Pick, bool);
template Result<Scan<Template_Record>> scanRecords<Template_Record>(
    const DatabaseFolder&, const QString&, const std::function<bool(const Template_Record&)>&, Pick, bool);

NewSiteName checkNewSiteName(const QString& newString, const QStringList& listed) {
  if (trimBlanks(newString).isEmpty()) return NewSiteName::Blank;
  for (const QString& entry : listed)
    if (sameNameIgnoringCase(entry, newString)) return NewSiteName::AlreadyUsed;
  if (newString.size() > kSiteNameWidth) return NewSiteName::TooLong;
  return NewSiteName::Accepted;
}

bool exchangeFieldsConsistent(const QString& server, const QString& site, const QString& org) {
  const bool none = server.isEmpty() && site.isEmpty() && org.isEmpty();
  const bool all = !server.isEmpty() && !site.isEmpty() && !org.isEmpty();
  return none || all;
}

QString fieldTooLong(const QList<FieldText>& fields) {
  for (const FieldText& f : fields) {
    bool lossy = false;
    const QByteArray bytes = text::toCp1252(f.text, &lossy);
    if (bytes.size() > f.width)
      return QStringLiteral("%1 holds more than %2 characters.").arg(f.label).arg(f.width);
    if (lossy)
      return QStringLiteral(
                 "%1 holds characters that can't be stored; use letters of Western European "
                 "languages only.")
          .arg(f.label);
  }
  return {};
}

template <class R>
Result<int> changeFirstLive(const DatabaseFolder& db, const QString& name,
                            const std::function<bool(const R&)>& matches, Pick pick,
                            const std::function<void(R&)>& change) {
  for (int attempt = 0; attempt < kRescans; ++attempt) {
    auto scan = scanRecords<R>(db, name, matches, pick);
    if (!scan) return scan.status();
    if (!scan->match) return 0;
    bool moved = false;
    Status s = db.updateRecord(name, R::Length, scan->match, [&](QByteArray& bytes) -> Status {
      R r = R::decode(bytes);
      if (!matches(r)) {
        moved = true;
        return Status::failure(QStringLiteral("moved"));
      }
      change(r);
      bytes = r.encode();
      return {};
    });
    if (s) return scan->match;
    if (!moved) return s;
  }
  return Status::failure(QStringLiteral("%1 keeps changing; nothing was written.").arg(name));
}

template Result<int> changeFirstLive<Site_Record>(const DatabaseFolder&, const QString&,
                                                  const std::function<bool(const Site_Record&)>&, Pick,
                                                  const std::function<void(Site_Record&)>&);
template Result<int> changeFirstLive<Template_Record>(const DatabaseFolder&, const QString&,
                                                      const std::function<bool(const Template_Record&)>&,
                                                      Pick, const std::function<void(Template_Record&)>&);

Result<int> deleteSite(const DatabaseFolder& db, const QString& siteName) {
  return changeFirstLive<Site_Record>(
      db, names::Site, [&](const Site_Record& r) { return liveSite(r) && sameNameIgnoringCase(r.SiteName, siteName); },
      Pick::First, [](Site_Record& r) { r.Deleted = kDeletedFlag; });
}

Result<int> saveEditedSite(const DatabaseFolder& db, const QString& editedName, const Site_Record& site) {
  auto n = changeFirstLive<Site_Record>(
      db, names::Site,
      [&](const Site_Record& r) { return liveSite(r) && sameNameIgnoringCase(r.SiteName, editedName); },
      Pick::Last, [&](Site_Record& r) { r = site; });
  if (!n || n.value() != 0) return n;
  return db.appendRecord(names::Site, site.encode());
}

void checkTemplateGroups(Template_Record& record, const QStringList& domainGroups, startup::LogFile& log) {
  log.line(QStringLiteral("Checking template ") + record.Name);
  QStringList kept;
  const int used = qBound(0, int(record.GroupCount), Template_Record::GroupSlots);
  for (int i = 0; i < used; ++i) {
    bool found = false;
    for (const QString& g : domainGroups)
      if (sameNameIgnoringCase(g, record.Groups[i])) {
        found = true;
        break;
      }
    if (found)
      kept << record.Groups[i];
    else
      log.line(QStringLiteral("Global Group Removed : ") + record.Groups[i]);
  }
  for (int i = 0; i < kept.size(); ++i) record.Groups[i] = kept[i];
  record.GroupCount = static_cast<int16_t>(kept.size());
  log.line(QStringLiteral(" "));
}

}  // namespace tavrel::records
