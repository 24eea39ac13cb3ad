// The move of one user beyond the matrix: what is never moved or removed, the order of the
// account's write and the old data, failed copies, the NT profile cut, the attribute rewrite, the
// questions and the command.

#include "MoveFixture.h"

#include "support/FailingSearches.h"

#include <functional>

namespace tavrel::test {
namespace {

// A directory whose writes are refused, as when the administrator lacks the right.
class RefusingConnection : public FailingSearchConnection {
 public:
  explicit RefusingConnection(std::shared_ptr<adsi::DirectoryConnection> inner)
      : FailingSearchConnection(std::move(inner), QStringLiteral("\x01"), std::nullopt) {}
  adsi::Status modify(const adsi::Dn&, const QList<adsi::Modification>&) override {
    return adsi::Error{0x80070005u, QStringLiteral("Access is denied.")};
  }
};
class RefusingBackend : public adsi::DirectoryBackend {
 public:
  explicit RefusingBackend(std::shared_ptr<adsi::DirectoryBackend> inner) : inner_(std::move(inner)) {}
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> bind(
      const QString& server, adsi::Protocol protocol, const std::optional<adsi::Credentials>& c) override {
    auto conn = inner_->bind(server, protocol, c);
    if (!conn) return conn.error();
    return std::shared_ptr<adsi::DirectoryConnection>(std::make_shared<RefusingConnection>(*conn));
  }
  QList<adsi::DomainInfo> browseDomains() override { return inner_->browseDomains(); }
  std::optional<adsi::Account> loggedOnAccount() override { return inner_->loggedOnAccount(); }

 private:
  std::shared_ptr<adsi::DirectoryBackend> inner_;
};

class MoveUser : public MoveFixture {
 protected:
  // jsmith's old home and profile with a file each.
  void oldData(const QString& homeUnc, const QString& homeDisk, const QString& profileUnc = {},
               const QString& profileDisk = {}) {
    if (!homeDisk.isEmpty()) put('D', homeDisk + QStringLiteral("/mail.pst"), "home data");
    if (!profileDisk.isEmpty()) put('D', profileDisk + QStringLiteral("/ntuser.dat"), "profile data");
    setAttr(jsmithPath(), "HomeDirectory", homeUnc);
    if (!profileUnc.isEmpty()) setAttr(jsmithPath(), "Profile", profileUnc);
  }
  bool move(QString user = jsmithPath()) {
    bulk::MoveResult r;
    const bool ok = bulk::Move_One_User(user, host, &r);
    result = r;
    return ok;
  }
  QString verdict() const { return host.rows.isEmpty() ? QString() : host.rows.last(); }
  bool logHas(const QString& l) const { return logLines().contains(l); }
  bulk::MoveResult result;
};

// A home or profile that is not evidently the user's own folder is neither moved nor removed:
// the whole tree and the share table stay as they were, and the run ends YELLOW.
TEST_F(MoveUser, NeverMovesWhatIsNotTheUsersOwnFolder) {
  struct Row {
    const char* home;
    const char* why;
  } rows[] = {
      {"\\\\FILESRV1\\Users$", "a common share's root"},
      {"\\\\FILESRV1\\DRoot", "a share of a whole drive"},
      {"\\\\FILESRV1\\Users$\\jsmith2", "another user's look-alike folder"},
      {"\\\\FILESRV1\\Users$\\jsmith.old", "a look-alike folder"},
      {"\\\\FILESRV1\\D$\\Users", "a folder holding other users' folders"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    setAttr(jsmithPath(), "HomeDirectory", QString::fromLatin1(row.home));
    sharePermFor(1);
    QFile::remove(dir() + QStringLiteral("Log.txt"));
    for (const char* f : {"FILESRV2/E/Home/jsmith", "FILESRV2/E/Prof/jsmith"})
      QDir(dir() + QStringLiteral("net/servers/") + QString::fromLatin1(f)).removeRecursively();
    for (const QString& s : {QStringLiteral("jsmith$"), QStringLiteral("jsmithP$")})
      netapi::NetShareDel("FILESRV2", s);
    host.rows.clear();
    auto before = serversTree();
    before.remove("FILESRV2/.staging");
    const QStringList shares = shareTable();
    ASSERT_TRUE(move());
    auto after = serversTree();
    after.remove("FILESRV2/E/Home/jsmith");
    after.remove("FILESRV2/E/Prof/jsmith");
    after.remove("FILESRV2/.staging");
    EXPECT_EQ(after, before);
    QStringList sharesAfter = shareTable();
    sharesAfter.removeAll("FILESRV2\\jsmith$=E:\\Home\\jsmith");
    sharesAfter.removeAll("FILESRV2\\jsmithP$=E:\\Prof\\jsmith");
    EXPECT_EQ(sharesAfter, shares);
    EXPECT_EQ(verdict(), "YELLOW jsmith Moved - had errors");
    EXPECT_TRUE(logHas(QStringLiteral("Not moving Home data from ") + QString::fromLatin1(row.home) +
                       QStringLiteral(": it is not the user's own folder")))
        << logLines().join(u'\n').toStdString();
  }
}

// When the account's new paths cannot be written, nothing old is touched: the account keeps its
// paths and its data stays where they point.
TEST_F(MoveUser, RefusedAccountWriteLeavesOldDataAndPaths) {
  put('D', "Homes/jsmith/mail.pst", "home data");
  addShare("FILESRV1", "jsmith$", "D:\\Homes\\jsmith");
  setAttr(jsmithPath(), "HomeDirectory", "\\\\FILESRV1\\jsmith$");
  sharePermFor(1);
  directory::setDirectory(std::make_shared<adsi::Directory>(std::make_shared<RefusingBackend>(net)));
  const QStringList shares = shareTable();
  EXPECT_FALSE(move());
  EXPECT_EQ(readAll(drivePath("FILESRV1", 'D', "Homes/jsmith/mail.pst")), "home data");
  EXPECT_FALSE(QFile::exists(drivePath("FILESRV2", 'E', "Home/jsmith/mail.pst")));
  EXPECT_TRUE(shareTable().contains("FILESRV1\\jsmith$=D:\\Homes\\jsmith"));
  EXPECT_EQ(attr(jsmithPath(), "HomeDirectory").toString(), "\\\\FILESRV1\\jsmith$");
  EXPECT_EQ(verdict(), "RED Error Moving User jsmith");
  EXPECT_TRUE(logHas("Move User Ended with Error"));
}

// A move that could not move the data keeps the old share and the old folder, and says so.
TEST_F(MoveUser, FailedMoveKeepsOldShareAndFolder) {
  put('D', "Homes/jsmith/mail.pst", "home data");
  addShare("FILESRV1", "jsmith$", "D:\\Homes\\jsmith");
  setAttr(jsmithPath(), "HomeDirectory", "\\\\FILESRV1\\jsmith$");
  sharePermFor(1);
  put('E', "Home/jsmith/mail.pst", "newer data at the target");
  prompts.answer(ui::MsgBoxResult::Yes);     // the new home folder exists: use it
  prompts.answer(ui::MsgBoxResult::Cancel);  // replace mail.pst? Cancel
  ASSERT_TRUE(move());
  EXPECT_EQ(readAll(drivePath("FILESRV1", 'D', "Homes/jsmith/mail.pst")), "home data");
  EXPECT_EQ(readAll(drivePath("FILESRV2", 'E', "Home/jsmith/mail.pst")), "newer data at the target");
  EXPECT_TRUE(shareTable().contains("FILESRV1\\jsmith$=D:\\Homes\\jsmith"));
  EXPECT_TRUE(logHas("Not Deleting Home Dir: \\\\FILESRV1\\D$\\Homes\\jsmith Due to error copying data"))
      << logLines().join(u'\n').toStdString();
  EXPECT_EQ(verdict(), "YELLOW jsmith Moved - had errors");
}

// The old share's folder is found before the share goes, so the emptied folder is removed and
// the log names it.
TEST_F(MoveUser, RemovesTheEmptiedShareFolderAndNamesIt) {
  put('D', "Homes/jsmith/mail.pst", "home data");
  addShare("FILESRV1", "jsmith$", "D:\\Homes\\jsmith");
  setAttr(jsmithPath(), "HomeDirectory", "\\\\FILESRV1\\jsmith$");
  sharePermFor(1);
  ASSERT_TRUE(move());
  EXPECT_FALSE(QFileInfo::exists(drivePath("FILESRV1", 'D', "Homes/jsmith")));
  EXPECT_TRUE(QFileInfo::exists(drivePath("FILESRV1", 'D', "Homes/mjones/m.txt")));
  EXPECT_TRUE(logHas("Deleted Share: \\\\FILESRV1\\jsmith$"));
  EXPECT_TRUE(logHas("Deleted Home Dir: \\\\FILESRV1\\D$\\Homes\\jsmith"))
      << logLines().join(u'\n').toStdString();
  EXPECT_EQ(verdict(), "GREEN jsmith Moved");
}

// A template without a home path leaves the account's home folder and drive as they were.
TEST_F(MoveUser, TemplateWithoutHomeKeepsHomeDirectoryAndDrive) {
  setAttr(jsmithPath(), "HomeDirectory", "\\\\FILESRV1\\Users$\\jsmith");
  setAttr(jsmithPath(), "homeDrive", "U:");
  host.form.dataOption = 0;
  host.form.homeLocal.clear();
  host.form.homeUnc.clear();
  host.form.homeShareName.clear();
  sharePermFor(1);
  ASSERT_TRUE(move());
  EXPECT_EQ(attr(jsmithPath(), "HomeDirectory").toString(), "\\\\FILESRV1\\Users$\\jsmith");
  EXPECT_EQ(attr(jsmithPath(), "homeDrive").toString(), "U:");
  EXPECT_EQ(attr(jsmithPath(), "Profile").toString(), "\\\\FILESRV2\\jsmithP$");
}

// Profiles that are not the user's alone stay where they are, whatever the letter case.
TEST_F(MoveUser, ProfileGuards) {
  struct Row {
    const char* profile;
    const char* disk;
    const char* line;
  } rows[] = {
      {"\\\\FILESRV1\\Profiles\\Default.MAN", "Profiles/Default.MAN", "Unable to Move Mandatory Profiles."},
      {"\\\\FILESRV1\\Profiles\\default.man", "Profiles/default.man", "Unable to Move Mandatory Profiles."},
      {"\\\\FILESRV1\\NetLogon\\jsmith", "", "Unable to Move Profile From NETLOGON directory."},
      {"%LOGONSERVER%\\profiles\\jsmith", "", "Unable to Move Profile From %LOGONSERVER%."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.profile);
    if (*row.disk) put('D', QString::fromLatin1(row.disk) + "/ntuser.man", "shared mandatory hive");
    setAttr(jsmithPath(), "Profile", QString::fromLatin1(row.profile));
    sharePermFor(1);
    QFile::remove(dir() + QStringLiteral("Log.txt"));
    QDir(drivePath("FILESRV2", 'E', "Prof/jsmith")).removeRecursively();
    QDir(drivePath("FILESRV2", 'E', "Home/jsmith")).removeRecursively();
    netapi::NetShareDel("FILESRV2", "jsmith$");
    netapi::NetShareDel("FILESRV2", "jsmithP$");
    host.rows.clear();
    prompts.answer(ui::MsgBoxResult::Yes);  // a profile path that is not there: go on
    ASSERT_TRUE(move());
    if (*row.disk) {
      EXPECT_EQ(readAll(drivePath("FILESRV1", 'D', QString::fromLatin1(row.disk) + "/ntuser.man")),
                "shared mandatory hive");
    }
    EXPECT_TRUE(logHas(QString::fromLatin1(row.line))) << logLines().join(u'\n').toStdString();
    EXPECT_EQ(verdict(), "YELLOW jsmith Moved - had errors");
  }
}

// NT: with the user-name cut, the profile is cut after the folder that is the account's name as
// a whole component, never at a longer name that merely contains it.
TEST_F(MoveUser, NtProfileCutMatchesTheWholeFolderName) {
  state::shared().Directory_Mode = 2;
  state::shared().Domain_Name = QStringLiteral("OLDCORP");
  // "jdoe" is part of "jdoePool": a cut at the first hit would take the whole pool.
  put('D', "Profiles/jdoePool/jdoe/profile.pds/ntuser.dat", "jdoe's hive");
  put('D', "Profiles/jdoePool/other/ntuser.dat", "someone else's hive");
  adsi::Directory d(net);
  auto user = d.GetObject("WinNT://OLDCORP/jdoe");
  ASSERT_TRUE(user.ok());
  ASSERT_TRUE(user->Put("Profile", "\\\\FILESRV1\\Profiles\\jdoePool\\jdoe\\profile.pds").ok());
  ASSERT_TRUE(user->SetInfo().ok());
  host.form.profileDeleteName = true;
  host.form.profileUnc = QStringLiteral("\\\\%Server%\\%UserName%P$\\%UserName%\\profile.pds");
  host.form.homeLocal.clear();
  host.form.homeUnc.clear();
  host.form.homeShareName.clear();
  sharePermFor(1);
  ASSERT_TRUE(move(QStringLiteral("jdoe"))) << logLines().join(u'\n').toStdString();
  EXPECT_EQ(readAll(drivePath("FILESRV2", 'E', "Prof/jdoe/jdoe/profile.pds/ntuser.dat")), "jdoe's hive");
  EXPECT_EQ(readAll(drivePath("FILESRV1", 'D', "Profiles/jdoePool/other/ntuser.dat")), "someone else's hive");
  EXPECT_FALSE(QFileInfo::exists(drivePath("FILESRV2", 'E', "Prof/jdoe/jdoe/other")));
  EXPECT_FALSE(QFileInfo::exists(drivePath("FILESRV1", 'D', "Profiles/jdoePool/jdoe")));
  EXPECT_EQ(d.GetObject("WinNT://OLDCORP/jdoe")->Get("Profile")->toString(),
            "\\\\FILESRV2\\jdoeP$\\jdoe\\profile.pds");
}

// "No Prompting" answers No: a missing old home ends the user without a question.
TEST_F(MoveUser, NoPromptingWithAMissingOldHomeDoesNotMove) {
  setAttr(jsmithPath(), "HomeDirectory", "\\\\FILESRV1\\Users$\\gone");
  host.form.noPrompt = true;
  EXPECT_FALSE(move());
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_TRUE(logHas("Move Cancelled"));
  EXPECT_EQ(host.statuses.last(), "Move Cancelled");
  EXPECT_EQ(attr(jsmithPath(), "HomeDirectory").toString(), "\\\\FILESRV1\\Users$\\gone");
  EXPECT_FALSE(QFileInfo::exists(drivePath("FILESRV2", 'E', "Home/jsmith")));
}

// The command gets the moved user's own names and its values as whole arguments; the log says
// how it ran.
TEST_F(MoveUser, CommandGetsTheMovedUsersNamesAsArguments) {
  setAttr(jsmithPath(), "givenName", "John Paul");
  setAttr(jsmithPath(), "sn", "Smith");
  host.form.dataOption = 0;
  host.form.runCommand = true;
  host.form.waitForCommand = true;
  const QString out = dir() + QStringLiteral("args.out");
  host.form.moveScript = QStringLiteral("\"%1\" \"%2\" 0 0 %UserName% %first% \"%first% %last%\" %NTServer%")
                             .arg(QStringLiteral(ARGS_PROBE), out);
  sharePermFor(1);
  ASSERT_TRUE(move());
  EXPECT_EQ(readAll(out), QByteArray("jsmith\0John Paul\0John Paul Smith\0FILESRV2\0", 42));
  EXPECT_FALSE(logLines().filter("Running Script: ").isEmpty()) << logLines().join(u'\n').toStdString();
  EXPECT_TRUE(logLines().filter("Hidden Mode").isEmpty());
  EXPECT_EQ(verdict(), "GREEN jsmith Moved");
}

}  // namespace
}  // namespace tavrel::test

namespace tavrel::test {
namespace {

// A move that cannot start its work ends RED with the step's text and touches nothing old.
TEST_F(MoveUser, StopsRedWhenTheTemplateOrANewFolderFails) {
  struct Row {
    const char* why;
    std::function<void(bulk::MoveForm&)> change;
    const char* status;
    const char* name;  // before the logon name is read, the user is named by its path
  } rows[] = {
      {"template not found", [](bulk::MoveForm& f) { f.loadError = "Template not found: Gone"; },
       "Template not found: Gone", "LDAP://example.local/CN=jsmith,CN=Users,DC=example,DC=local"},
      {"new home's parent missing", [](bulk::MoveForm& f) { f.homeLocal = "E:\\Missing\\%UserName%"; },
       "Error Home Profile Directory.", "jsmith"},
  };
  put('D', "Users/jsmith/mail.pst", "home data");
  setAttr(jsmithPath(), "HomeDirectory", "\\\\FILESRV1\\Users$\\jsmith");
  sharePermFor(1);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    host.form = template_();
    row.change(host.form);
    host.rows.clear();
    EXPECT_FALSE(move());
    EXPECT_EQ(verdict(), QStringLiteral("RED Error Moving User ") + QString::fromLatin1(row.name));
    EXPECT_EQ(host.statuses.last(), row.status);
    EXPECT_EQ(readAll(drivePath("FILESRV1", 'D', "Users/jsmith/mail.pst")), "home data");
    EXPECT_EQ(attr(jsmithPath(), "HomeDirectory").toString(), "\\\\FILESRV1\\Users$\\jsmith");
    EXPECT_TRUE(logLines().contains("Move User Ended with Error"));
  }
}

}  // namespace
}  // namespace tavrel::test
