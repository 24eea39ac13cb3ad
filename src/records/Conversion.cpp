#include "records/Conversion.h"

#include "records/DatabaseFolder.h"
#include "records/Layout.h"
#include "records/Records.h"

#include "platform/text/Cp1252.h"

#include <QList>

#include <algorithm>

#include <optional>
#include <utility>

namespace tavrel::records {
namespace {

const QString kSiteStage = QStringLiteral("Error with site file...");
const QString kSiteRenameStage = QStringLiteral("Error renaming Site File. File May Already exist");
const QString kTemplateStage = QStringLiteral("Error with template file ....");
const QString kTemplateRenameStage = QStringLiteral("Error renaming template files. File may already exist.");

struct Message {
  QString text;
  QString detail;
};

// What a stage ended with.
struct StageError {
  QString stage;
  Status status;
};

// One old record mapped to its new image, or nothing when the record is dropped.
using Mapped = Result<std::optional<QByteArray>>;
using MapFn = std::function<Mapped(const QByteArray& old)>;

struct FileJob {
  QString name;      // Site.dat / Template.dat
  QString newName;   // Site.new / Template.new
  QString keptName;  // Site.v22 / Template.v22
  int oldLength;
  int newLength;
  int16_t kind;  // the layout converted from, as detectFileLayout names it
  QString stage;
  QString renameStage;
  MapFn map;
};

Mapped mapSite(const QByteArray& bytes) {
  const Site_Record_V1 old = Site_Record_V1::decode(bytes);
  if (old.Deleted == kDeletedFlag) return std::optional<QByteArray>();
  Site_Record s;
  s.Deleted = 0;
  s.Exchange2000 = 0;
  s.SiteName = old.SiteName;
  s.HomeServer = old.HomeServer;
  s.ExchangeServer = old.ExchangeServer;
  s.ExchOrg = old.ExchOrg;
  s.ExchSite = old.ExchSite;
  return std::optional<QByteArray>(s.encode());
}

template <class Old>
Mapped mapTemplate(const QByteArray& bytes) {
  const Old old = Old::decode(bytes);
  if (old.Deleted == kDeletedFlag) return std::optional<QByteArray>();
  // The slots in use are those below the count: a negative count uses none, and no count can use
  // more slots than the layout has.
  const int groups = std::clamp<int>(old.GroupCount, 0, Old::GroupSlots);
  // A fresh record: group slots beyond the count and variables the old layout lacks are blank.
  Template_Record t;
  t.Deleted = 0;
  t.GroupCount = static_cast<int16_t>(groups);
  t.Name = old.Name;
  t.ProfileShareUNC = old.ProfileShareUNC;
  t.HomeShareUNC = old.HomeShareUNC;
  t.ProfileDirLocal = old.ProfileDirLocal;
  t.HomeDirLocal = old.HomeDirLocal;
  t.ProfileShareName = old.ProfileShareName;
  t.HomeShareName = old.HomeShareName;
  t.LogonScript = old.LogonScript;
  t.HomeDrive = old.HomeDrive;
  t.PrimaryGroup = QStringLiteral("Domain Users");
  for (int i = 0; i < groups; ++i) t.Groups[i] = old.Groups[i];
  for (int i = 0; i < Old::VarSlots; ++i) {
    t.VarName[i] = old.VarName[i];
    t.VarValue[i] = old.VarValue[i];
  }
  if constexpr (Old::HasLogonHours)
    t.LogonHours = old.LogonHours;
  else
    t.LogonHours.fill(255);
  return std::optional<QByteArray>(t.encode());
}

// Whether the file needs converting from the job's layout: the file's own layout decides. A file
// already in the current layout is left alone; one of another older layout is not converted as
// this one.
Result<bool> needsConversion(const DatabaseFolder& db, const FileJob& job, int16_t kind) {
  auto layout = detectFileLayout(db, job.name);
  if (!layout) return layout.status();
  if (!layout.value() || *layout.value() == 0) return false;
  if (*layout.value() == kind) return true;
  return Status::failure(
      QStringLiteral("%1 is in the layout of another older version; it was not changed.").arg(job.name));
}

// Converts one file. Returns the failing stage, or nothing when the file is done or left alone.
std::optional<StageError> convertFile(const DatabaseFolder& db, const FileJob& job,
                                      QList<Message>& messages) {
  if (!db.exists(job.name)) {
    messages.append({QStringLiteral("Can't find ") + db.path() + job.name, {}});
    return std::nullopt;
  }
  auto fail = [&](const QString& stage, const Status& s) {
    db.discard(job.newName);
    return std::optional<StageError>(StageError{stage, s});
  };

  auto old = db.open(job.name, job.oldLength, RecordFile::Access::Read);
  if (!old) return fail(job.stage, old.status());
  auto length = old->byteLength();
  if (!length) return fail(job.stage, length.status());
  auto needed = needsConversion(db, job, job.kind);
  if (!needed) return fail(job.stage, needed.status());
  if (!needed.value()) return std::nullopt;

  auto fresh = db.createFresh(job.newName, job.newLength);
  if (!fresh) return fail(job.stage, fresh.status());
  const int count = static_cast<int>(length.value() / job.oldLength);
  int n = 0;
  for (int i = 1; i <= count; ++i) {
    auto bytes = old->read(i);
    if (!bytes) return fail(job.stage, bytes.status());
    auto mapped = job.map(bytes.value());
    if (!mapped) return fail(job.stage, mapped.status());
    if (!mapped.value()) continue;
    if (Status s = fresh->write(++n, *mapped.value()); !s) return fail(job.stage, s);
  }
  if (Status s = fresh->sync(); !s) return fail(job.stage, s);
  if (Status s = fresh->close(); !s) return fail(job.stage, s);
  old->close();

  if (Status s = db.replace(job.newName, job.name, job.keptName); !s) return fail(job.renameStage, s);
  return std::nullopt;
}

MapFn templateMapper(int16_t Kind) {
  switch (Kind) {
    case 1:
      return mapTemplate<Template_Record_V1>;
    case 2:
      return mapTemplate<Template_Record_V20>;
    default:
      return mapTemplate<Template_Record_V21>;
  }
}

int oldTemplateLength(int16_t Kind) {
  switch (Kind) {
    case 1:
      return Template_Record_V1::Length;
    case 2:
      return Template_Record_V20::Length;
    default:
      return Template_Record_V21::Length;
  }
}

// The conversion proper, under the folder's exclusive lock; the messages it gathers are shown
// once the lock is released.
std::optional<StageError> convert(const DatabaseFolder& db, int16_t Kind, const ConvertHooks& hooks,
                                  QList<Message>& messages) {
  const QString firstStage = Kind == 1 ? kSiteStage : kTemplateStage;
  if (Status s = db.check(); !s) return StageError{firstStage, s};
  auto guard = db.lockExclusive();
  if (!guard) return StageError{firstStage, guard.status()};

  const FileJob sites{names::Site,
                      QStringLiteral("Site.new"),
                      QStringLiteral("Site.v22"),
                      Site_Record_V1::Length,
                      Site_Record::Length,
                      1,
                      kSiteStage,
                      kSiteRenameStage,
                      mapSite};
  const FileJob templates{
      names::Template,         QStringLiteral("Template.new"), QStringLiteral("Template.v22"),
      oldTemplateLength(Kind), Template_Record::Length,        Kind,
      kTemplateStage,          kTemplateRenameStage,           templateMapper(Kind)};
  QList<const FileJob*> jobs;
  if (Kind == 1) jobs.append(&sites);
  jobs.append(&templates);

  // Every file is checked before any is converted, so that a template file that cannot be
  // converted does not leave the sites converted and the templates not.
  for (const FileJob* job : jobs) {
    if (!db.exists(job->name)) continue;
    if (auto needed = needsConversion(db, *job, job->kind); !needed)
      return StageError{job->stage, needed.status()};
  }
  for (const FileJob* job : jobs)
    if (auto e = convertFile(db, *job, messages)) return e;

  if (hooks.writeVersion && !hooks.writeVersion())
    return StageError{kTemplateRenameStage,
                      Status::failure(QStringLiteral("DBVersion could not be written to the settings."))};
  return std::nullopt;
}

}  // namespace

Status Convert_DB(const QString& Path, int16_t Kind, const ConvertHooks& hooks, FileOps& ops) {
  if (Kind < 1 || Kind > 3)
    return Status::failure(QStringLiteral("There is no conversion of kind %1.").arg(Kind));
  const DatabaseFolder db(Path, ops);
  QList<Message> messages;
  const std::optional<StageError> error = convert(db, Kind, hooks, messages);
  if (error)
    messages.append({error->stage, error->status.message()});
  else
    messages.append({QStringLiteral("Conversion Complete"), {}});
  if (hooks.message)
    for (const Message& m : messages) hooks.message(m.text, m.detail);
  if (error) return error->status;
  return {};
}

}  // namespace tavrel::records
