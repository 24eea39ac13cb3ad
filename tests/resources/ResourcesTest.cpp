#include "platform/resources/ResourceNetwork.h"

#include "format/Variables.h"
#include "platform/wts/Wts.h"
#include "resources/DcLookup.h"
#include "resources/FileOperation.h"
#include "resources/Shell.h"
#include "resources/WtsSettings.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"

#include <QDir>
#include <QFile>

namespace tavrel::test {
namespace {

using namespace resources;
using ui::MsgBoxResult;

class ResourcesTest : public ResourceNetwork {
 protected:
  QString logText() const { return QString::fromLatin1(readAll(dir() + QStringLiteral("Log.txt"))); }
};

TEST_F(ResourcesTest, DomainControllerName) {
  EXPECT_EQ(Get_DC_Name(QString(), QStringLiteral("EXAMPLE")), "\\\\EXDC01");
  EXPECT_EQ(Get_DC_Name(QString(), QStringLiteral("OLDCORP")), "\\\\OLDPDC");
  EXPECT_EQ(Get_DC_Name(QString(), QStringLiteral("NOWHERE")), "");
  EXPECT_EQ(Get_DC_Name(QStringLiteral("NOSUCH"), QStringLiteral("EXAMPLE")), "");
}

// ---------------------------------------------------------------------------------------------
// Terminal Services

TEST(WtsTable, RowsWriteTheirClasses) {
  const quint32 want[] = {15, 16, 17, 3, 2, 0, 1, 7, 8, 9, 5, 4, 6};
  for (int row = 1; row <= 13; ++row) EXPECT_EQ(WTS_Config_Class(row), want[row - 1]) << row;
  EXPECT_FALSE(WTS_Config_Class(0));
  EXPECT_FALSE(WTS_Config_Class(14));
  EXPECT_EQ(QString::fromLatin1(kWtsRows[10].label), "End a Dissconnected sessions");
  EXPECT_EQ(wtsKind(QString()), WtsKind::String);
  EXPECT_EQ(wtsKind(QStringLiteral("d6d")), WtsKind::String);
  EXPECT_EQ(wtsKind(QStringLiteral("s1y")), WtsKind::YesNo);
  EXPECT_EQ(wtsKind(QStringLiteral("s7t")), WtsKind::Time);
}

TEST(WtsTable, TimeList) {
  struct Case {
    const char* name;
    std::optional<quint32> ms;
  };
  const Case cases[] = {{"Never", 0u},         {"1 min", 60000u},         {"5 mins", 300000u},
                        {"10 mins", 600000u},  {"15 mins", 900000u},      {"30 MINS", 1800000u},
                        {"1 hour", 3600000u},  {"2 hours", 7200000u},     {"3 hours", 10800000u},
                        {"1 Day", 86400000u},  {"2 days", 172800000u},    {"45 minutes", std::nullopt},
                        {"", std::nullopt},    {"30 mins ", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(WTS_Time_List(QString::fromLatin1(c.name)), c.ms) << c.name;
  EXPECT_EQ(wtsTimeNames().size(), 11);
}

class WtsSettingsTest : public ResourcesTest {
 protected:
  WtsSettingsInput input(const QStringList& values) const {
    WtsSettingsInput in;
    in.values = values;
    in.NTSERVER = QStringLiteral("FILESRV1");
    in.Replace_Variables = [](const QString& v) {
      QString t = v;
      auto r = format::Replace_Variables(t);
      return r.ok() ? r.text : v;
    };
    return in;
  }
  // Writing `rows` for jsmith is refused with error 5 at a yes/no row: one log line naming a DWORD
  // write, one beep, no row written.
  void expectRefusedAtYesNoRow(const QStringList& rows) {
    startup::LogFile log(dir());
    const WtsResult r = Set_WTS_Settings(QStringLiteral("jsmith"), QStringLiteral("EXAMPLE"), input(rows), log);
    log.close();
    EXPECT_EQ(r.outcome, WtsOutcome::Refused);
    EXPECT_EQ(r.error, 5u);
    EXPECT_EQ(r.rowsWritten, 0);
    EXPECT_TRUE(logText().contains(QLatin1String("WTSSetUserConfigDWord failed with error 5")));
    EXPECT_EQ(logText().count(QLatin1String("failed with error")), 1);
    EXPECT_EQ(beeps.beeps(), 1);
  }
  wts::WtsValue value(const char* user, quint32 cls) {
    wts::WtsValue v;
    EXPECT_EQ(wts::WTSQueryUserConfig(QStringLiteral("EXDC01"), QString::fromLatin1(user), cls, v), 0u);
    return v;
  }
};

TEST_F(WtsSettingsTest, EveryRowIsWrittenToItsClass) {
  state::shared().Template_Variables = {{QStringLiteral("Share"), QStringLiteral("Profiles$")}};
  const QStringList rows = {"\\\\%server%\\%Share%\\%UserName%", "\\\\%Server%\\Users$\\%username%", "H:", "Yes",
                            "Yes", "notepad.exe", "C:\\Work", "TRUE", "no", "False", "30 MINS", "2 hours",
                            "45 minutes"};
  startup::LogFile log(dir());
  const WtsResult r = Set_WTS_Settings(QStringLiteral("jsmith"), QStringLiteral("EXAMPLE"), input(rows), log);
  log.close();
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.rowsWritten, 13);
  using namespace wts;
  EXPECT_EQ(value("jsmith", 15), WtsValue::string("\\\\FILESRV1\\Profiles$\\jsmith"));
  EXPECT_EQ(value("jsmith", 16), WtsValue::string("\\\\FILESRV1\\Users$\\jsmith"));
  EXPECT_EQ(value("jsmith", 17), WtsValue::string("H:"));
  EXPECT_EQ(value("jsmith", 3), WtsValue::dword(1));
  EXPECT_EQ(value("jsmith", 2), WtsValue::dword(0));  // the user's own program runs: not inherited
  EXPECT_EQ(value("jsmith", 0), WtsValue::string("notepad.exe"));
  EXPECT_EQ(value("jsmith", 1), WtsValue::string("C:\\Work"));
  EXPECT_EQ(value("jsmith", 7), WtsValue::dword(1));
  EXPECT_EQ(value("jsmith", 8), WtsValue::dword(0));
  EXPECT_EQ(value("jsmith", 9), WtsValue::dword(0));
  EXPECT_EQ(value("jsmith", 5), WtsValue::dword(1800000));  // disconnected sessions end
  EXPECT_EQ(value("jsmith", 4), WtsValue::dword(7200000));  // active session limit
  EXPECT_EQ(value("jsmith", 6), WtsValue::dword(0));        // not in the list
  EXPECT_TRUE(logText().contains(QLatin1String("Setting WTS settings...")));
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(WtsSettingsTest, EmptyRowsAreSkippedAndNoStartsTheClientsProgram) {
  QStringList rows(13);
  rows[4] = QStringLiteral("No");
  startup::LogFile log(dir());
  const WtsResult r = Set_WTS_Settings(QStringLiteral("mjones"), QStringLiteral("EXAMPLE"), input(rows), log);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.rowsWritten, 1);
  EXPECT_EQ(value("mjones", 2), wts::WtsValue::dword(1));
  startup::LogFile again(dir());
  EXPECT_TRUE(Set_WTS_Settings(QStringLiteral("mjones"), QStringLiteral("EXAMPLE"), input({}), again).ok());
  again.close();
  EXPECT_EQ(logText().count(QLatin1String("Setting WTS settings...")), 2);
}

TEST_F(WtsSettingsTest, RefusedRowStopsTheRestAndIsReported) {
  ASSERT_TRUE(net->refuseWtsWrite(QStringLiteral("EXDC01")));
  const QStringList rows = {"", "", "", "Yes", "Yes"};
  expectRefusedAtYesNoRow(rows);
  ASSERT_TRUE(net->refuseWtsWrite(QStringLiteral("EXDC01"), false));
  EXPECT_EQ(value("jsmith", 2), wts::WtsValue::dword(0));  // nothing after the refusal was written

  startup::LogFile log2(dir());
  const WtsResult noUser = Set_WTS_Settings(QStringLiteral("nobody"), QStringLiteral("EXAMPLE"), input({"\\\\x"}), log2);
  log2.close();
  EXPECT_EQ(noUser.outcome, WtsOutcome::Refused);
  EXPECT_TRUE(logText().contains(QLatin1String("WTSSetUserConfigString failed with error 2221")));
}

// A row refused after others were accepted: the rows are written together, so none is kept, and
// the log names the refused row's kind.
TEST_F(WtsSettingsTest, RowRefusedAfterOthersLeavesNoneWritten) {
  refuseStoredWtsClass(wts::WTSUserConfigfInheritInitialProgram);
  const QStringList rows = {"\\\\FILESRV1\\Profiles$\\%UserName%", "", "H:", "Yes", "Yes", "notepad.exe"};
  expectRefusedAtYesNoRow(rows);
  EXPECT_EQ(value("jsmith", 15), wts::WtsValue::string(QString()));
  EXPECT_EQ(value("jsmith", 17), wts::WtsValue::string(QString()));
  EXPECT_EQ(value("jsmith", 3), wts::WtsValue::dword(0));
  EXPECT_EQ(value("jsmith", 0), wts::WtsValue::string(QString()));
}

TEST_F(WtsSettingsTest, NoControllerBoxOutsideAnImportOnlyALogLineInOne) {
  const QStringList rows = {"\\\\x\\y"};
  {
    startup::LogFile log(dir());
    const WtsResult r = Set_WTS_Settings(QStringLiteral("jsmith"), QStringLiteral("NOWHERE"), input(rows), log);
    EXPECT_EQ(r.outcome, WtsOutcome::NoController);
    EXPECT_EQ(r.error, 2453u);
  }
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "NetGetDCName failed with error 2453");
  EXPECT_EQ(prompts.asked[0].style, ui::kStyleExclamation);
  WtsSettingsInput importing = input(rows);
  importing.Import_Mode = true;
  {
    startup::LogFile log(dir());
    EXPECT_FALSE(Set_WTS_Settings(QStringLiteral("jsmith"), QStringLiteral("NOWHERE"), importing, log).ok());
  }
  EXPECT_EQ(prompts.asked.size(), 1u);
  EXPECT_TRUE(logText().contains(QLatin1String("NetGetDCName failed with error 2453")));
  EXPECT_FALSE(logText().contains(QLatin1String("Setting WTS settings...")));
  EXPECT_EQ(value("jsmith", 15), wts::WtsValue::string(QString()));
}

// ---------------------------------------------------------------------------------------------
// File operations

class FileOperationTest : public ResourcesTest {
 protected:
  void SetUp() override {
    ResourcesTest::SetUp();
    put("Users/jsmith/a.txt", "new a");
    put("Users/jsmith/sub/b.txt", "new b");
  }
  void put(const QString& below, const QByteArray& bytes, QChar drive = u'D', const QString& server = "FILESRV1") {
    const QString p = drivePath(server, drive, below);
    QDir().mkpath(p.section(u'/', 0, -2));
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray at(const QString& below, QChar drive = u'D', const QString& server = "FILESRV1") const {
    return readAll(drivePath(server, drive, below));
  }
  static QString d(const char* below) { return QStringLiteral("\\\\FILESRV1\\D$\\") + QString::fromLatin1(below); }
};

TEST_F(FileOperationTest, FlagsFollowTheNoPromptRule) {
  struct Case {
    int noPrompt, noPrompting;
    int16_t moveRunning, deleteRunning;
    quint16 flags;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0x200},   {1, 0, -1, 0, 0x214}, {1, 0, 0, 0, 0x200},  {0, 1, 0, -1, 0x214},
      {0, 1, 0, 0, 0x200},   {0, 1, -1, 0, 0x200}, {1, 0, 0, -1, 0x200}, {1, 1, -1, -1, 0x214},
  };
  for (const Case& c : cases) {
    state::shared().Bulk_Move_Running = c.moveRunning;
    state::shared().Bulk_Delete_Running = c.deleteRunning;
    EXPECT_EQ(fileOperationFlags({c.noPrompt, c.noPrompting}), c.flags);
  }
}

TEST_F(FileOperationTest, CopyOverAnExistingTargetAsks) {
  put("Home/jsmith/a.txt", "old a", u'E', "FILESRV2");
  const QString to = QStringLiteral("\\\\FILESRV2\\E$\\Home\\jsmith");
  struct Case {
    std::optional<MsgBoxResult> answer;  // none: the rule holds, nothing is asked
    bool result;
    const char* content;
  };
  const Case cases[] = {{MsgBoxResult::No, true, "old a"},
                        {MsgBoxResult::Cancel, false, "old a"},
                        {MsgBoxResult::Yes, true, "new a"},
                        {std::nullopt, true, "new a"}};
  for (const Case& c : cases) {
    put("Home/jsmith/a.txt", "old a", u'E', "FILESRV2");
    prompts.asked.clear();
    BulkPromptOptions options;
    if (c.answer) {
      prompts.answer(*c.answer);  // for a.txt; later questions take their default, Yes
    } else {
      options.No_Prompt = 1;
      state::shared().Bulk_Move_Running = -1;
    }
    // Copying the folder's contents (the bulk move's form) into the existing folder.
    EXPECT_EQ(File_Operation(d("Users\\jsmith\\*.*"), to, FO_COPY, options), c.result);
    EXPECT_EQ(at("Home/jsmith/a.txt", u'E', "FILESRV2"), QByteArray(c.content));
    if (c.answer) {
      ASSERT_GE(prompts.asked.size(), 1u);
      EXPECT_EQ(prompts.asked[0].title, "Confirm File Replace");
      EXPECT_EQ(prompts.asked[0].style, 51);
    } else {
      EXPECT_TRUE(prompts.asked.empty());
    }
    state::shared().Bulk_Move_Running = 0;
  }
  EXPECT_EQ(at("Home/jsmith/sub/b.txt", u'E', "FILESRV2"), "new b");
  EXPECT_EQ(at("Users/jsmith/a.txt"), "new a");  // a copy leaves the source
}

TEST_F(FileOperationTest, CopyAFolderIntoAnExistingFolderOrToANewName) {
  ASSERT_TRUE(File_Operation(d("Users\\jsmith"), QStringLiteral("\\\\FILESRV2\\E$\\Backup\\jsmith"), FO_COPY));
  EXPECT_EQ(at("Backup/jsmith/sub/b.txt", u'E', "FILESRV2"), "new b");
  // An existing folder as the target receives the source under its own name.
  ASSERT_TRUE(File_Operation(d("Users\\jsmith"), QStringLiteral("\\\\FILESRV2\\E$\\Backup"), FO_COPY));
  EXPECT_EQ(at("Backup/jsmith/a.txt", u'E', "FILESRV2"), "new a");
  EXPECT_TRUE(prompts.asked.size() >= 1u);  // the existing folder and file were confirmed
}

TEST_F(FileOperationTest, MoveTakesTheTreeAcrossServers) {
  ASSERT_TRUE(File_Operation(d("Users\\jsmith"), QStringLiteral("\\\\FILESRV2\\E$\\jsmith"), FO_MOVE));
  EXPECT_FALSE(QDir(drivePath("FILESRV1", 'D', "Users/jsmith")).exists());
  EXPECT_EQ(at("jsmith/sub/b.txt", u'E', "FILESRV2"), "new b");
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(FileOperationTest, RenameInPlace) {
  ASSERT_TRUE(File_Operation(d("Users\\jsmith"), QStringLiteral("jsmith2"), FO_RENAME));
  EXPECT_EQ(at("Users/jsmith2/a.txt"), "new a");
  put("Users/other/x", "x");
  EXPECT_FALSE(File_Operation(d("Users\\jsmith2"), d("Users\\other"), FO_RENAME));  // the target exists
  EXPECT_EQ(prompts.asked.size(), 1u);  // the error box
  EXPECT_EQ(at("Users/jsmith2/a.txt"), "new a");
}

TEST_F(FileOperationTest, DeleteAsksUnlessTheRuleHolds) {
  prompts.answer(MsgBoxResult::No);
  EXPECT_FALSE(File_Operation(d("Users\\jsmith"), QString(), FO_DELETE));
  EXPECT_TRUE(QDir(drivePath("FILESRV1", 'D', "Users/jsmith")).exists());
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].title, "Confirm Folder Delete");
  EXPECT_EQ(prompts.asked[0].prompt, "Are you sure you want to delete 'jsmith' and all of its contents?");

  // No_Prompting ticked but no bulk delete running: still asked.
  prompts.answer(MsgBoxResult::Yes);
  EXPECT_TRUE(File_Operation(d("Users\\jsmith\\a.txt"), QString(), FO_DELETE, {0, 1}));
  EXPECT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[1].title, "Confirm File Delete");

  state::shared().Bulk_Delete_Running = -1;
  EXPECT_TRUE(File_Operation(d("Users\\jsmith"), QString(), FO_DELETE, {0, 1}));
  EXPECT_EQ(prompts.asked.size(), 2u);
  EXPECT_FALSE(QDir(drivePath("FILESRV1", 'D', "Users/jsmith")).exists());
}

TEST_F(FileOperationTest, FailingDeleteKeepsWhatCannotGo) {
  ASSERT_TRUE(net->setUndeletable(d("Users\\jsmith\\sub\\b.txt")));
  // Silent under the rule: no error box stops the bulk run.
  state::shared().Bulk_Delete_Running = -1;
  EXPECT_FALSE(File_Operation(d("Users\\jsmith"), QString(), FO_DELETE, {0, 1}));
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(at("Users/jsmith/sub/b.txt"), "new b");
  EXPECT_FALSE(QFile::exists(drivePath("FILESRV1", 'D', "Users/jsmith/a.txt")));
  // Outside a bulk run the failure is shown.
  state::shared().Bulk_Delete_Running = 0;
  prompts.answer(MsgBoxResult::Yes);
  EXPECT_FALSE(File_Operation(d("Users\\jsmith"), QString(), FO_DELETE));
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[1].style, ui::kStyleCritical);
  EXPECT_TRUE(prompts.asked[1].prompt.startsWith(QLatin1String("Cannot delete")));
}

TEST_F(FileOperationTest, MissingSourceUnreachableServerAndLocalPaths) {
  EXPECT_FALSE(File_Operation(d("Users\\nobody"), QStringLiteral("\\\\FILESRV2\\E$\\x"), FO_COPY));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_TRUE(prompts.asked[0].prompt.startsWith(QLatin1String("Cannot copy")));
  ASSERT_TRUE(net->setReachable(QStringLiteral("FILESRV2"), false));
  EXPECT_FALSE(File_Operation(d("Users\\jsmith"), QStringLiteral("\\\\FILESRV2\\E$\\x"), FO_COPY));
  EXPECT_TRUE(QDir(drivePath("FILESRV1", 'D', "Users/jsmith")).exists());
  // The database backup: paths of this machine.
  QDir().mkpath(dir() + "db");
  QFile f(dir() + "db/Site.dat");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("site");
  f.close();
  EXPECT_TRUE(File_Operation(dir() + "db/Site.dat", dir() + "db/Site.bak", FO_COPY));
  EXPECT_EQ(readAll(dir() + "db/Site.bak"), "site");
  EXPECT_FALSE(File_Operation(d("Users\\jsmith"), QString(), 9));
}

// ---------------------------------------------------------------------------------------------
// The command runner

class ShellTest : public ResourcesTest {};

TEST_F(ShellTest, ExitCodeArgumentsAndLog) {
  const QString out = dir() + QStringLiteral("args.out");
  const QStringList argv = {QStringLiteral(ARGS_PROBE), out, QStringLiteral("3"), QStringLiteral("0"),
                            QStringLiteral("Mary O'Neil \"MJ\""), QStringLiteral("x & y")};
  const auto r = Shell_Object().Spawn(process::joinCommandLine(argv), true, 0);
  EXPECT_EQ(r.outcome, process::SpawnResult::Outcome::Exited);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.startup.wShowWindow, 0);
  EXPECT_EQ(readAll(out), QByteArray("Mary O'Neil \"MJ\"\0x & y\0", 23));
  EXPECT_EQ(&Shell_Object(), &Shell_Object());

  startup::LogFile log(dir());
  const auto waited = Shell_Object().Spawn(QStringLiteral("no-such-command /x"), true, 1, &log);
  EXPECT_EQ(waited.outcome, process::SpawnResult::Outcome::NotStarted);
  const auto detached = Shell_Object().Spawn(QStringLiteral("no-such-command /x"), false, 1, &log);
  EXPECT_EQ(detached.outcome, process::SpawnResult::Outcome::NotStarted);
  log.close();
  const QStringList lines = logText().split(QStringLiteral("\r\n"));
  ASSERT_GE(lines.size(), 4);
  EXPECT_EQ(lines[2], "Error with :no-such-command /x");
  EXPECT_EQ(lines[3], "2");
  EXPECT_EQ(logText().count(QLatin1String("Error with :")), 1);
}

TEST_F(ShellTest, CancelFlagStopsAWaitedCommand) {
  state::shared().Cancel_Flag = true;
  const QStringList argv = {QStringLiteral(ARGS_PROBE), dir() + QStringLiteral("o"), QStringLiteral("0"),
                            QStringLiteral("30000")};
  EXPECT_EQ(Shell_Object().Spawn(argv, true, 1).outcome, process::SpawnResult::Outcome::Cancelled);
  state::shared().Cancel_Flag = false;
  EXPECT_EQ(Shell_Object().Spawn(argv, true, 1, nullptr, 100).outcome, process::SpawnResult::Outcome::TimedOut);
}

}  // namespace
}  // namespace tavrel::test
