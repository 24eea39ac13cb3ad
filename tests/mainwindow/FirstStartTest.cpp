// The first start on a machine: settings that point at the demonstration domain, written only
// when there are no settings yet.

#include "app/FirstStart.h"
#include "startup/Settings.h"
#include "support/Fixtures.h"

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

}  // namespace
