#include "startup/Settings.h"
#include "support/Fixtures.h"

#include <QDir>

using namespace tavrel;
using namespace tavrel::startup;

namespace {

Stored missing() {
  return {};
}
Stored stored(const QString& v) {
  return {true, v};
}

TEST(SettingsTest, FolderSeparatorIsAppendedOnlyWhenMissing) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"/data", "/data/"},
      {"/data/", "/data/"},
      {"/", "/"},            // a root keeps its one separator
      {"/data ", "/data/"},  // trailing blanks are not part of the folder
      {"  /data", "/data/"},
      {"   ", "   "},  // blanks only are left as they are
      {"", ""},
      {"C:\\Data\\", "C:\\Data\\/"},  // a backslash is an ordinary character here
  };
  for (const auto& c : cases) EXPECT_EQ(withFolderSeparator(c.in), QString(c.out)) << c.in;
}

class DataHomeTest : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir() + "data"));
  }
  void TearDown() override {
    qputenv("XDG_DATA_HOME", saved);
    AppFixture::TearDown();
  }
  QByteArray saved;
};

TEST_F(DataHomeTest, DatabaseFolderFallsBackToTheDataFolderAndIsCreated) {
  const QString fallback = dir() + "data/tavrel/database/";
  EXPECT_EQ(databaseFolderSetting(missing()), fallback);
  EXPECT_TRUE(QDir(fallback).exists());
  EXPECT_EQ(databaseFolderSetting(stored("   ")), fallback);
  EXPECT_EQ(databaseFolderSetting(stored(" /srv/db ")), "/srv/db/");
  EXPECT_EQ(databaseFolderSetting(stored("/srv/db/")), "/srv/db/");
}

TEST(SettingsTest, ProfileHiveName) {
  EXPECT_EQ(profileHiveName(missing(), ""), "NTUser.dat");
  EXPECT_EQ(profileHiveName(missing(), "kept.dat"), "kept.dat");
  EXPECT_EQ(profileHiveName(stored("   "), "kept.dat"), "NTUser.dat");
  EXPECT_EQ(profileHiveName(stored(" hive.dat "), ""), "hive.dat");
}

TEST(SettingsTest, FormatOptionsFromStoredNumbers) {
  const struct {
    Stored s;
    int user;
    int full;
  } cases[] = {
      {missing(), 2, 0},     {stored("1"), 0, 0},  {stored("4"), 3, 3},    {stored("5"), 4, 0},
      {stored("0"), 2, 0},   {stored("6"), 2, 0},  {stored("word"), 2, 0}, {stored("2.5"), 1, 1},
      {stored("3.5"), 3, 3}, {stored(" 2"), 1, 1}, {stored("-1"), 2, 0},   {stored("4.6"), 4, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(userFormatOption(c.s), c.user) << c.s.value.toStdString();
    EXPECT_EQ(fullNameOption(c.s), c.full) << c.s.value.toStdString();
  }
  EXPECT_EQ(userFormatOf(2), "1%first%%last%");
  EXPECT_FALSE(userFormatOf(4).has_value());
  EXPECT_EQ(fullNameFormatOf(2), "%Last% %First%");
  EXPECT_FALSE(fullNameFormatOf(3).has_value());
}

TEST(SettingsTest, WordRules) {
  EXPECT_TRUE(cnNameSelected(missing()));
  EXPECT_TRUE(cnNameSelected(stored("Yes")));
  EXPECT_TRUE(cnNameSelected(stored(" No")));
  EXPECT_FALSE(cnNameSelected(stored("No")));
  EXPECT_FALSE(cnNameSelected(stored("nO")));
  EXPECT_TRUE(mailCredentialsOn(missing()));
  EXPECT_TRUE(mailCredentialsOn(stored("FALSE ")));
  EXPECT_TRUE(mailCredentialsOn(stored("No")));
  EXPECT_FALSE(mailCredentialsOn(stored("False")));
  EXPECT_FALSE(mailCredentialsOn(stored("fAlSe")));
  EXPECT_EQ(upperYesNo(true), "YES");
  EXPECT_EQ(upperYesNo(false), "No");
  EXPECT_EQ(trueFalse(false), "False");
}

TEST(SettingsTest, HaltOnWarningsIncludesHaltOnErrors) {
  const struct {
    bool e, w, s;
    HaltSwitches out;
  } cases[] = {
      {false, false, false, {false, false, false, true}}, {true, false, false, {true, false, false, true}},
      {false, true, false, {true, true, false, false}},   {true, true, true, {true, true, true, false}},
      {false, false, true, {false, false, true, true}},
  };
  for (const auto& c : cases) {
    const HaltSwitches h = haltRule(c.e, c.w, c.s);
    EXPECT_EQ(h.errors, c.out.errors);
    EXPECT_EQ(h.warnings, c.out.warnings);
    EXPECT_EQ(h.skipPrompt, c.out.skipPrompt);
    EXPECT_EQ(h.errorsEnabled, c.out.errorsEnabled);
  }
}

TEST(SettingsTest, DebugOnlyAsTheWholeCommandLine) {
  const struct {
    QStringList args;
    bool debug;
  } cases[] = {
      {{"/DEBUG"}, true},   {{"/debug"}, true},       {{"/DeBuG"}, true},   {{"/DEBUG "}, false},
      {{" /DEBUG"}, false}, {{"/DEBUG", "x"}, false}, {{"/DEBUG1"}, false}, {{}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(isDebugCommandLine(commandLineOf(c.args)), c.debug) << c.args.join('|').toStdString();
}

class SettingsStoreTest : public test::AppFixture {
 protected:
  registry::Registry_Object reg{configPath()};
  void put(const char* name, const char* value) { writeSetting(reg, "Custom", name, value); }
};

TEST_F(SettingsStoreTest, ReadGivesFoundFlagAndEmptyWhenMissing) {
  EXPECT_FALSE(readSetting(reg, "Setup", "Domain").found);
  ASSERT_TRUE(writeSetting(reg, "Setup", "Domain", " CORP "));
  const Stored s = readSetting(reg, "setup", "DOMAIN");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.value, " CORP ");
}

TEST_F(SettingsStoreTest, CustomCommandNeedsAllThreeValuesAndTwoTexts) {
  EXPECT_FALSE(readCustomCommand(reg, "").show);
  put("Menu", "Run report");
  put("Script", "report.sh");
  EXPECT_FALSE(readCustomCommand(reg, "").show) << "RUNHIDDEN missing";
  put("RUNHIDDEN", "");
  const CustomCommand c = readCustomCommand(reg, "");
  EXPECT_TRUE(c.show);
  EXPECT_EQ(c.caption, "Run report");
  EXPECT_FALSE(readCustomCommand(reg, "1").show) << "the second command has its own values";
  put("Menu1", "Second");
  put("Script1", "");
  put("RUNHIDDEN1", "Yes");
  EXPECT_FALSE(readCustomCommand(reg, "1").show) << "an empty script";
}

}  // namespace
