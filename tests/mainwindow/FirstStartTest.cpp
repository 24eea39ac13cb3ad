// The first start on a machine: settings that point at the demonstration domain, written only
// when there are no settings yet.

#include "app/FirstStart.h"
#include "records/DatabaseFolder.h"
#include "records/PropertyLists.h"
#include "startup/Settings.h"
#include "support/Fixtures.h"

#include <QDir>
#include <QFile>

using namespace tavrel;

namespace {

class FirstStart : public test::AppFixture {};

TEST_F(FirstStart, WithoutASettingsFileTheDemonstrationDomainIsConfigured) {
  registry::Registry_Object reg(configPath());
  ASSERT_FALSE(QFile::exists(configPath()));
  EXPECT_TRUE(app::prepareFirstStartSettings(configPath(), reg));
  EXPECT_EQ(startup::readSetting(reg, "Setup", "Domain").value, "example.local");
  EXPECT_TRUE(QFile::exists(configPath()));
}

TEST_F(FirstStart, ExistingSettingsAreLeftAlone) {
  registry::Registry_Object reg(configPath());
  ASSERT_TRUE(startup::writeSetting(reg, "Preferences", "Sorted", "Yes"));
  EXPECT_FALSE(app::prepareFirstStartSettings(configPath(), reg));
  EXPECT_FALSE(startup::readSetting(reg, "Setup", "Domain").found)
      << "an administrator's missing domain stays missing";
}

// The permission lists a first creation needs; a list the administrator already filled is kept.
TEST_F(FirstStart, ThePermissionListsAreWrittenWhereTheyHoldNothing) {
  const QString db = dir() + "db/";
  ASSERT_TRUE(QDir().mkpath(db));
  records::Permission_Record own;
  own.Account = "EXAMPLE\\Helpdesk";
  own.Access = "Read";
  ASSERT_TRUE(records::savePermissionList(records::DatabaseFolder(db), "Permissions.dat", {own}).ok());
  ASSERT_TRUE(app::prepareFirstStartDatabase(db).ok());

  const auto rows = [&](const QString& name) {
    QStringList out;
    const records::PermissionListLoad list = records::loadPermissionList(records::DatabaseFolder(db), name);
    EXPECT_TRUE(list.complete()) << list.error.toStdString();
    for (const records::Permission_Record& r : list.records)
      out << QString::number(r.NewSecurity) + "|" + r.Account.trimmed() + "|" + r.Access.trimmed();
    return out;
  };
  EXPECT_EQ(rows("SharePerm.dat"),
            (QStringList{"0|%UserName%|Full Control", "0|Administrators|Full Control"}));
  EXPECT_EQ(rows("Permissions.dat"), QStringList{"0|EXAMPLE\\Helpdesk|Read"});

  // An empty list is filled; a folder that is missing is a failure.
  ASSERT_TRUE(records::savePermissionList(records::DatabaseFolder(db), "Permissions.dat", {}).ok());
  ASSERT_TRUE(app::prepareFirstStartDatabase(db).ok());
  EXPECT_EQ(rows("Permissions.dat"), (QStringList{"0|%UserName%|Change", "0|Administrators|Full Control"}));
  EXPECT_FALSE(app::prepareFirstStartDatabase(dir() + "missing/").ok());
}

}  // namespace
