#include "app/FirstStart.h"

#include "records/DatabaseFolder.h"
#include "records/PropertyLists.h"
#include "startup/Settings.h"

#include <QFileInfo>

namespace tavrel::app {

bool prepareFirstStartSettings(const QString& settingsPath, registry::Registry_Object& reg, const QString& domain) {
  if (QFileInfo::exists(settingsPath)) return false;
  return startup::writeSetting(reg, QStringLiteral("Setup"), QStringLiteral("Domain"), domain);
}

records::Status prepareFirstStartDatabase(const QString& dbpath) {
  const records::DatabaseFolder db(dbpath);
  const auto entry = [](const QString& account, const QString& access) {
    records::Permission_Record r;
    r.Account = account;
    r.Access = access;
    return r;
  };
  const QString user = QStringLiteral("%UserName%");
  const QString administrators = QStringLiteral("Administrators");
  const QString full = QStringLiteral("Full Control");
  const std::pair<QString, QList<records::Permission_Record>> lists[] = {
      {records::names::SharePerm, {entry(user, full), entry(administrators, full)}},
      {records::names::Permissions, {entry(user, QStringLiteral("Change")), entry(administrators, full)}},
  };
  for (const auto& [name, entries] : lists) {
    // A list that holds entries (or cannot be read) is the administrator's: left as it is.
    const records::PermissionListLoad held = records::loadPermissionList(db, name);
    if (!held.complete()) return records::Status::failure(held.error);
    if (!held.records.isEmpty()) continue;
    if (records::Status s = records::savePermissionList(db, name, entries); !s) return s;
  }
  return {};
}

}  // namespace tavrel::app
