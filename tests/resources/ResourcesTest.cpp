#include "platform/resources/ResourceNetwork.h"

#include "format/Variables.h"
#include "platform/wts/Wts.h"
#include "resources/DcLookup.h"
#include "resources/FileOperation.h"
#include "resources/PermissionFile.h"
#include "resources/RunMemo.h"
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

// A run's memo keeps a controller's name and a permission list it read, and only while it lives:
// a controller that stopped answering and a list edited meanwhile are seen by the next run. What
// could not be read is read again.
TEST_F(ResourcesTest, ARunMemoKeepsWhatItReadOnlyWhileItLives) {
  const QString db = dir() + QStringLiteral("db/");
  ASSERT_TRUE(QDir().mkpath(db));
  const auto list = [&](const QStringList& accounts) {
    QByteArray bytes;
    for (const QString& a : accounts) {
      records::Permission_Record r;
      r.Account = a;
      r.Access = QStringLiteral("Change");
      bytes += r.encode();
    }
    ASSERT_TRUE(writeAll(db + QStringLiteral("Permissions.dat"), bytes));
  };
  const auto accounts = [&]() -> QStringList {
    auto r = readPermissionFile(db, QStringLiteral("Permissions.dat"));
    if (!r) return {QStringLiteral("<failed>")};
    QStringList out;
    for (const records::Permission_Record& p : r.value()) out << p.Account.trimmed();
    return out;
  };
  {
    RunMemo memo;
    // A folder where the list should be cannot be read; once the file is there it is read.
    ASSERT_TRUE(QDir().mkpath(db + QStringLiteral("Permissions.dat")));
    EXPECT_EQ(accounts(), QStringList{QStringLiteral("<failed>")});
    ASSERT_TRUE(QDir().rmdir(db + QStringLiteral("Permissions.dat")));
    list({QStringLiteral("jsmith")});
    EXPECT_EQ(accounts(), QStringList{QStringLiteral("jsmith")});
    list({QStringLiteral("jsmith"), QStringLiteral("mjones")});
    EXPECT_EQ(accounts(), QStringList{QStringLiteral("jsmith")}) << "kept for the run";
    // A domain that does not answer is asked again; one that answered is not.
    ASSERT_TRUE(net->setReachable(QStringLiteral("EXAMPLE"), false));
    EXPECT_EQ(Get_DC_Name(QString(), QStringLiteral("EXAMPLE")), "");
    ASSERT_TRUE(net->setReachable(QStringLiteral("EXAMPLE"), true));
    EXPECT_EQ(Get_DC_Name(QString(), QStringLiteral("EXAMPLE")), "\\\\EXDC01");
    ASSERT_TRUE(net->setReachable(QStringLiteral("EXAMPLE"), false));
    EXPECT_EQ(Get_DC_Name(QString(), QStringLiteral("EXAMPLE")), "\\\\EXDC01") << "kept for the run";
  }
  RunMemo next;
  EXPECT_EQ(accounts(), (QStringList{QStringLiteral("jsmith"), QStringLiteral("mjones")}));
  EXPECT_EQ(Get_DC_Name(QString(), QStringLiteral("EXAMPLE")), "");
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

// A file server with the shares a domain has: users' homes and profiles, a user's own share, a
// share on a drive's root, and folders whose names look like the shared ones.
class DeleteRefusalTest : public FileOperationTest {
 protected:
  void SetUp() override {
    FileOperationTest::SetUp();
    if (HasFatalFailure()) return;
    for (const char* f : {"Users/jsmith2/a.txt", "Users/jsmith.old/a.txt", "Users/mjones/sub/c.txt",
                          "Users2/x.txt", "Profiles/jsmith/ntuser.dat", "Profiles.bak/p.txt",
                          "Software/Apps/setup.exe", "Software/readme.txt"})
      put(QString::fromLatin1(f), QByteArray("bytes of ") + f);
    put("Public/readme.txt", "readme", u'C');
    put("Temp/t.txt", "t", u'C');
    put("Home/jsmith/e.txt", "e", u'E', "FILESRV2");
    addShare("FILESRV1", "Profiles$", "D:\\Profiles");
    addShare("FILESRV1", "jsmith$", "D:\\Users\\jsmith");
    addShare("FILESRV1", "CRoot", "C:\\");
    addShare("FILESRV1", "Apps", "D:\\Software\\Apps");
    addShare("FILESRV1", "Public", "C:\\Public");
    addShare("FILESRV2", "Home$", "E:\\Home");
    // The bulk delete's form: no question, no error box.
    state::shared().Bulk_Delete_Running = -1;
  }
  void TearDown() override {
    state::shared().Bulk_Delete_Running = 0;
    FileOperationTest::TearDown();
  }
};

TEST_F(DeleteRefusalTest, SharedFoldersAndDriveRootsStayAndOnlyTheTargetGoes) {
  struct Case {
    const char* from;
    const char* also;  // a second path in the list, or none
    bool deleted;
    const char* gone;  // below net/servers: what the delete removes, nothing else
  };
  const Case cases[] = {
      {"\\\\FILESRV1\\Users$", nullptr, false, ""},  // a share's folder
      {"\\\\filesrv1\\users$\\", nullptr, false, ""},
      {"\\\\FILESRV1\\D$\\Users", nullptr, false, ""},  // the same folder through the drive
      {"\\\\FILESRV1\\D$\\USERS", nullptr, false, ""},
      {"\\\\FILESRV1\\jsmith$", nullptr, false, ""},  // a user's own share
      {"\\\\FILESRV1\\Users$\\JSMITH", nullptr, false, ""},
      {"\\\\FILESRV1\\D$\\Profiles", nullptr, false, ""},
      {"\\\\FILESRV1\\D$\\Software", nullptr, false, ""},  // holds a share's folder
      {"\\\\FILESRV1\\D$", nullptr, false, ""},            // drive roots
      {"\\\\FILESRV1\\C$", nullptr, false, ""},
      {"\\\\FILESRV1\\CRoot", nullptr, false, ""},
      {"\\\\FILESRV1\\C$\\Public", nullptr, false, ""},
      {"\\\\FILESRV2\\E$\\Home", nullptr, false, ""},
      {"\\\\FILESRV1\\Users$\\jsmith\\sub", "\\\\FILESRV1\\Users$", false, "D/Users/jsmith/sub"},
      {"", nullptr, false, ""},  // nothing named
      // Look-alike names are ordinary folders.
      {"\\\\FILESRV1\\Users$\\jsmith2", nullptr, true, "D/Users/jsmith2"},
      {"\\\\FILESRV1\\D$\\Users\\jsmith.old", nullptr, true, "D/Users/jsmith.old"},
      {"\\\\FILESRV1\\D$\\Users2", nullptr, true, "D/Users2"},
      {"\\\\FILESRV1\\D$\\Profiles.bak", nullptr, true, "D/Profiles.bak"},
      {"\\\\FILESRV1\\Profiles$\\jsmith", nullptr, true, "D/Profiles/jsmith"},
      {"\\\\FILESRV1\\CRoot\\Temp", nullptr, true, "C/Temp"},
      {"\\\\FILESRV2\\Home$\\jsmith", nullptr, true, "E/Home/jsmith"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    QString list = QString::fromLatin1(c.from);
    if (c.also) list += QChar(0) + QString::fromLatin1(c.also);  // the list form: NUL between paths
    const QMap<QString, QByteArray> before = serversTree();
    EXPECT_EQ(File_Operation(list, QString(), FO_DELETE, {0, 1}), c.deleted);
    QMap<QString, QByteArray> expected = before;
    const QString gone = QString::fromLatin1(c.gone);
    if (!gone.isEmpty()) {
      const QString server = QByteArrayView(c.from).startsWith("\\\\FILESRV2") ? "FILESRV2/" : "FILESRV1/";
      expected.removeIf([&](const auto& it) {
        return it.key() == server + gone || it.key().startsWith(server + gone + u'/');
      });
      EXPECT_NE(expected, before);
    }
    EXPECT_EQ(serversTree(), expected);
    EXPECT_TRUE(prompts.asked.empty());
    // Put back what went, for the next case.
    for (auto it = before.cbegin(); it != before.cend(); ++it)
      if (it.value() != "<dir>")
        put(it.key().section(u'/', 2), it.value(), it.key().section(u'/', 1, 1).at(0),
            it.key().section(u'/', 0, 0));
  }
}

TEST_F(DeleteRefusalTest, TheRefusalSaysWhy) {
  state::shared().Bulk_Delete_Running = 0;
  struct Case {
    const char* from;
    const char* box;
  };
  const Case cases[] = {
      {"\\\\FILESRV1\\Users$",
       "Cannot delete \\\\FILESRV1\\Users$: \\\\FILESRV1\\Users$ is the folder of the share "
       "Users$ and cannot be deleted"},
      {"\\\\FILESRV1\\D$\\Software",
       "Cannot delete \\\\FILESRV1\\D$\\Software: \\\\FILESRV1\\D$\\Software holds "
       "the folder of the share Apps and cannot be deleted"},
      {"\\\\FILESRV1\\CRoot",
       "Cannot delete \\\\FILESRV1\\CRoot: \\\\FILESRV1\\CRoot is the root of a drive and "
       "cannot be deleted"},
      {"", "Cannot delete: nothing to delete was named"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    prompts.asked.clear();
    prompts.answer(MsgBoxResult::Yes);  // the question before a delete, when one is asked
    EXPECT_FALSE(File_Operation(QString::fromLatin1(c.from), QString(), FO_DELETE));
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_EQ(prompts.asked.back().style, ui::kStyleCritical);
    EXPECT_EQ(prompts.asked.back().prompt.toStdString(), c.box);
  }
  // A copy or move naming nothing fails the same way.
  EXPECT_FALSE(File_Operation(QString(), QStringLiteral("\\\\FILESRV2\\E$\\x"), FO_COPY));
  EXPECT_FALSE(File_Operation(QString(), QStringLiteral("\\\\FILESRV2\\E$\\x"), FO_MOVE));
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
