#include "directory/GroupMembership.h"

#include "directory/DirectoryService.h"
#include "platform/adsi/Batch.h"
#include "platform/adsi/Values.h"
#include "state/SharedState.h"

#include <QHash>
#include <QVariant>

namespace tavrel::directory {
namespace {

QString ntPath(const QString& name) {
  return QStringLiteral("WinNT://") + state::shared().Domain_Name + u'/' + name;
}

// The groups an import works with, bound once and kept while it runs (adsi::Batch), with their
// RIDs: every user of the import joins the same few groups.
struct BatchGroups {
  quint64 batch = 0;
  QHash<QString, adsi::AdsObject> groups;  // by path, letter case ignored
  QHash<QString, qint32> rids;
};

BatchGroups* batchGroups() {
  static BatchGroups kept;
  const quint64 batch = adsi::Batch::current();
  if (batch == 0) return nullptr;
  if (kept.batch != batch) {
    kept = BatchGroups{batch, {}, {}};
    adsi::Batch::atEnd([] { kept = BatchGroups{}; });
  }
  return &kept;
}

// The group's RID, from its security identifier.
adsi::Result<qint32> ridFrom(adsi::AdsObject& group, const QString& path) {
  auto sid = group.Get(QStringLiteral("objectSID"));
  if (!sid) return sid.error();
  if (sid->typeId() != QMetaType::QByteArray || sid->toByteArray().size() < 4)
    return adsi::makeError(adsi::hr::PROPERTY_NOT_FOUND,
                           QStringLiteral("%1 has no security identifier").arg(path));
  // The last sub-authority, stored least significant byte first.
  return static_cast<qint32>(adsi::sidRid(sid->toByteArray()));
}

adsi::Result<adsi::AdsObject> bindGroup(const QString& path) {
  BatchGroups* kept = batchGroups();
  const QString key = path.toLower();
  if (kept)
    if (auto it = kept->groups.constFind(key); it != kept->groups.cend()) return *it;
  auto dir = requireDirectory();
  if (!dir) return dir.error();
  auto group = (*dir)->GetObject(path);
  if (group && kept) {
    kept->groups.insert(key, *group);
    // A directory group's RID while the bind's values are at hand: once the group has been
    // changed, asking for it would read the whole group, its members with it.
    if (key.startsWith(QLatin1String("ldap://")))
      if (auto rid = ridFrom(*group, path)) kept->rids.insert(key, *rid);
  }
  return group;
}

adsi::Result<qint32> ridOf(const QString& path) {
  BatchGroups* kept = batchGroups();
  if (kept)
    if (auto it = kept->rids.constFind(path.toLower()); it != kept->rids.cend()) return *it;
  auto group = bindGroup(path);
  if (!group) return group.error();
  if (kept)
    if (auto it = kept->rids.constFind(path.toLower()); it != kept->rids.cend()) return *it;
  auto rid = ridFrom(*group, path);
  if (rid && kept) kept->rids.insert(path.toLower(), *rid);
  return rid;
}

enum class Change { Add, Remove };

adsi::Status change(const QString& groupPath, const QString& memberPath, Change how) {
  auto group = bindGroup(groupPath);
  if (!group) return group.error();
  return how == Change::Add ? group->Add(memberPath) : group->Remove(memberPath);
}

}  // namespace

adsi::Result<qint32> Get_Group_RID_W2K(const QString& groupPath) {
  return ridOf(groupPath);
}

adsi::Result<qint32> Get_Group_RID_NT(const QString& groupName) {
  return ridOf(ntPath(groupName) + QStringLiteral(",group"));
}

adsi::Status Add_To_Group_W2K(const QString& groupPath, const QString& userPath) {
  return change(groupPath, userPath, Change::Add);
}

adsi::Status Remove_From_Group_W2K(const QString& groupPath, const QString& userPath) {
  return change(groupPath, userPath, Change::Remove);
}

adsi::Status Add_To_Group_NT(const QString& groupName, const QString& account) {
  return change(ntPath(groupName), ntPath(account), Change::Add);
}

adsi::Status Remove_From_Group_NT(const QString& groupName, const QString& account) {
  return change(ntPath(groupName), ntPath(account), Change::Remove);
}

}  // namespace tavrel::directory
