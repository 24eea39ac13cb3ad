#include "platform/registry/Registry_Object.h"
#include "support/Fixtures.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

using namespace tavrel;
using registry::HKEY_LOCAL_MACHINE;
using registry::Registry_Object;
using registry::subkey;

namespace {

class RegistryTest : public test::AppFixture {
 protected:
  mode_t modeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
    return st.st_mode & 0777;
  }
};

TEST_F(RegistryTest, DefaultPathFollowsTavrelConfig) {
  EXPECT_EQ(Registry_Object::defaultPath(), configPath());
  qunsetenv("TAVREL_CONFIG");
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir() + "xdg"));
  EXPECT_EQ(Registry_Object::defaultPath(), dir() + "xdg/Morvane/Tavrel.conf");
}

TEST_F(RegistryTest, MissingValueLeavesDataAsCallerSetIt) {
  Registry_Object reg(configPath());
  QString data = "untouched";
  EXPECT_FALSE(reg.Read_Value(HKEY_LOCAL_MACHINE, subkey("Setup"), "Domain", data));
  EXPECT_EQ(data, "untouched");
  EXPECT_FALSE(QFile::exists(configPath())) << "reading creates nothing";
}

TEST_F(RegistryTest, ValueNamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
  Registry_Object reg(configPath());
  ASSERT_TRUE(reg.Write_Value(HKEY_LOCAL_MACHINE, subkey("Preferences"), "CNNAME", "No"));
  QString v;
  ASSERT_TRUE(reg.Read_Value(HKEY_LOCAL_MACHINE, subkey("Preferences"), "CNName", v));
  EXPECT_EQ(v, "No");
  ASSERT_TRUE(reg.Write_Value(HKEY_LOCAL_MACHINE, subkey("preferences"), "CnName", "Yes"));
  EXPECT_EQ(reg.valueNames(HKEY_LOCAL_MACHINE, subkey("Preferences")), QStringList{"CNNAME"});
  // Another handle on the same file sees the last write.
  Registry_Object other(configPath());
  ASSERT_TRUE(other.Read_Value(HKEY_LOCAL_MACHINE, "SOFTWARE\\morvane\\TAVREL\\PREFERENCES", "cnname", v));
  EXPECT_EQ(v, "Yes");
}

TEST_F(RegistryTest, FileIsCreatedPrivateAndStaysPrivate) {
  Registry_Object reg(configPath());
  ASSERT_TRUE(reg.Write_Value(HKEY_LOCAL_MACHINE, subkey("Setup"), "Password", "secret"));
  EXPECT_EQ(modeOf(configPath()), 0600u);
  ::chmod(QFile::encodeName(configPath()).constData(), 0644);
  ASSERT_TRUE(reg.Write_Value(HKEY_LOCAL_MACHINE, subkey("Mail"), "Mail_Password", "x"));
  EXPECT_EQ(modeOf(configPath()), 0600u) << "a rewrite narrows the file again";
}

class RegistryRoundTrip : public RegistryTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RegistryRoundTrip, StringsComeBackUnchanged) {
  const QString value = QString::fromUtf8(GetParam());
  {
    Registry_Object reg(configPath());
    ASSERT_TRUE(reg.Write_Value(HKEY_LOCAL_MACHINE, subkey("Setup"), "SetupID", value));
  }
  Registry_Object reg(configPath());
  QString back = "sentinel";
  ASSERT_TRUE(reg.Read_Value(HKEY_LOCAL_MACHINE, subkey("Setup"), "SetupID", back));
  EXPECT_EQ(back, value);
}

INSTANTIATE_TEST_SUITE_P(Values, RegistryRoundTrip,
                         ::testing::Values("", " padded ", "a,b,c", "\"quoted\"", R"(\\server\share\%UserName%$)",
                                           "@Variant(x)", "semi;colon", "=equals=", "caf\u00e9 \u20ac",
                                           "true", "1.5", "#hash", "line\nbreak", "%first%.%last%"));

TEST_F(RegistryTest, DeleteValueAndKey) {
  Registry_Object reg(configPath());
  ASSERT_TRUE(reg.Write_Value(HKEY_LOCAL_MACHINE, subkey("Custom"), "Custom1", "Room"));
  ASSERT_TRUE(reg.Write_Value(HKEY_LOCAL_MACHINE, subkey("Custom\\Property1"), "Name", "room"));
  ASSERT_TRUE(reg.Write_Value(HKEY_LOCAL_MACHINE, subkey("Setup"), "Domain", "example.local"));
  QString v;
  EXPECT_TRUE(reg.Delete_Value(HKEY_LOCAL_MACHINE, subkey("custom"), "CUSTOM1"));
  EXPECT_FALSE(reg.Read_Value(HKEY_LOCAL_MACHINE, subkey("Custom"), "Custom1", v));
  EXPECT_FALSE(reg.Delete_Value(HKEY_LOCAL_MACHINE, subkey("Custom"), "Custom1"));

  EXPECT_TRUE(reg.Delete_Key(HKEY_LOCAL_MACHINE, subkey("Custom")));
  EXPECT_FALSE(reg.Read_Value(HKEY_LOCAL_MACHINE, subkey("Custom\\Property1"), "Name", v));
  EXPECT_FALSE(reg.Delete_Key(HKEY_LOCAL_MACHINE, subkey("Custom")));
  EXPECT_TRUE(reg.Read_Value(HKEY_LOCAL_MACHINE, subkey("Setup"), "Domain", v)) << "siblings stay";
  EXPECT_EQ(v, "example.local");
}

TEST_F(RegistryTest, OtherHivesAndEmptyNamesAreRefused) {
  Registry_Object reg(configPath());
  QString v;
  EXPECT_FALSE(reg.Write_Value(static_cast<qint32>(0x80000001u), subkey("Setup"), "Domain", "x"));
  EXPECT_FALSE(reg.Write_Value(HKEY_LOCAL_MACHINE, subkey("Setup"), "", "x"));
  EXPECT_FALSE(reg.Read_Value(HKEY_LOCAL_MACHINE, subkey("Setup"), "", v));
}

TEST_F(RegistryTest, UnwritableLocationFailsWithoutCrash) {
  Registry_Object reg("/proc/tavrel-cannot-exist/Tavrel.conf");
  EXPECT_FALSE(reg.Write_Value(HKEY_LOCAL_MACHINE, subkey("Setup"), "Domain", "x"));
}

}  // namespace
