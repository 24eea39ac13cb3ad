// Deleting one user on a file server that also holds common shares, a share on a drive root and
// other users' look-alike folders: what is left of the shares, the files and the account, and
// what Log.txt says. Every case compares the whole file server and its share table before and
// after: only the user's own shares and folders may go.

#include "bulk/DeleteUser.h"
#include "directory/DirectoryService.h"
#include "platform/exchange/MailboxStore.h"
#include "platform/files/FileServers.h"
#include "platform/simnet/ExchangeSeed.h"
#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/Resources.h"
#include "platform/simnet/SimNetwork.h"
#include "records/Records.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "support/Fixtures.h"

#include <QDir>
#include <QDirIterator>

#include <algorithm>

#include <gtest/gtest.h>

#include <ostream>

namespace tavrel::test {
namespace {

using namespace simnet;

struct RecordingHost : bulk::RunHost {
  QStringList rows, statuses;
  int beeps = 0;
  void status(const QString& t) override { statuses << t; }
  void logRow(const QString& c, const QString& m) override { rows << c + m; }
  void beep() override { ++beeps; }
  bool keepGoing() override { return true; }
  bool confirm(const QString&) override { return true; }
};

struct Case {
  const char* name;
  bool nt;
  const char* account;  // NT account or AD logon name
  const char* home;
  const char* profile;
  bool data;
  QStringList goneShares;   // "SERVER/share"
  QStringList goneFolders;  // below the servers' folder: "FILESRV1/D/Users/alice"
  QStringList logLines;     // in this order among the others
  const char* endRow;       // the last on-screen row
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class DeleteUser : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    NetworkBuilder b(dir() + QStringLiteral("net"));
    b.forest(QStringLiteral("example.local"), QStringLiteral("EXAMPLE"), false, QStringLiteral("EXDC01"))
        .nt4Domain(QStringLiteral("OLDCORP"), QStringLiteral("OLDPDC"))
        .fileServer(QStringLiteral("FILESRV1"), QStringLiteral("example.local"), QStringLiteral("CD"))
        .fileServer(QStringLiteral("FILESRV2"), QStringLiteral("example.local"), QStringLiteral("E"))
        .user(QStringLiteral("example.local"), QStringLiteral("alice"))
        .user(QStringLiteral("example.local"), QStringLiteral("alice2"))
        .user(QStringLiteral("example.local"), QStringLiteral("carl"))
        .user(QStringLiteral("example.local"), QStringLiteral("mary ann"))
        .user(QStringLiteral("OLDCORP"), QStringLiteral("pro"))
        .user(QStringLiteral("OLDCORP"), QStringLiteral("jdoe"));
    for (const char* f : {"Users\\alice\\a.txt", "Users\\alice\\profile\\ntuser.dat", "Users\\alice2\\b.txt",
                          "Users\\malice\\c.txt", "Users\\bob\\d.txt", "Profiles\\alice\\ntuser.dat",
                          "Profiles\\alice.old\\ntuser.dat", "Profiles\\Default.MAN\\ntuser.man",
                          "Profiles\\pro\\NT40\\ntuser.dat", "Profiles\\prof\\ntuser.dat",
                          "Profiles\\jdoe\\NT40\\ntuser.dat", "Roaming\\alice\\ntuser.dat",
                          "Home\\alice\\h.txt", "Home\\alice\\profile\\ntuser.dat", "Staff\\alice\\k.txt",
                          "Staff\\bob\\l.txt", "Home\\alicia\\i.txt", "Home\\alice2\\j.txt", "root.txt"})
      b.file(QStringLiteral("\\\\FILESRV1\\D$\\") + QLatin1String(f), 10);
    b.file(QStringLiteral("\\\\FILESRV2\\E$\\Users\\alice\\e.txt"), 10)
        .file(QStringLiteral("\\\\FILESRV2\\E$\\Users\\bob\\f.txt"), 10)
        .share(QStringLiteral("FILESRV1"), QStringLiteral("Users"), QStringLiteral("D:\\Users"))
        .share(QStringLiteral("FILESRV1"), QStringLiteral("Profiles"), QStringLiteral("D:\\Profiles"))
        .share(QStringLiteral("FILESRV1"), QStringLiteral("Home"), QStringLiteral("D:\\Home"))
        .share(QStringLiteral("FILESRV1"), QStringLiteral("carl$"), QStringLiteral("D:\\Staff"))
        .share(QStringLiteral("FILESRV1"), QStringLiteral("DRoot"), QStringLiteral("D:\\"))
        .share(QStringLiteral("FILESRV1"), QStringLiteral("alice$"), QStringLiteral("D:\\Users\\alice"))
        .share(QStringLiteral("FILESRV1"), QStringLiteral("malice$"), QStringLiteral("D:\\Users\\malice"))
        .share(QStringLiteral("FILESRV1"), QStringLiteral("alice2$"), QStringLiteral("D:\\Users\\alice2"))
        .share(QStringLiteral("FILESRV1"), QStringLiteral("AliceProfile"),
               QStringLiteral("D:\\Roaming\\alice"))
        .share(QStringLiteral("FILESRV2"), QStringLiteral("Home"), QStringLiteral("E:\\Users"))
        .loggedOn(QStringLiteral("EXAMPLE"), QStringLiteral("Administrator"));
    auto built = b.build();
    ASSERT_TRUE(built) << built.error().message.toStdString();
    net = *built;
    installPlatformLayers(net);
    const simnet::Exchange2000Spec spec{
        QStringLiteral("Example"),
        QStringLiteral("First Administrative Group"),
        QStringLiteral("EXCH2K"),
        {{QStringLiteral("First Storage Group"), {QStringLiteral("Staff Mailboxes")}, {}}}};
    ASSERT_TRUE(simnet::addExchange2000Server(*net, QStringLiteral("example.local"), spec));
    directory::setDirectory(std::make_shared<adsi::Directory>(net));
    state::SharedState& sh = state::shared();
    sh.Bulk_Delete_Running = -1;
    sh.Bulk_Delete_Data = -1;
    sh.Bulk_Delete_Mail = 0;
    sh.Bulk_Run_Command = 0;
    options.dbpath = dir();
    options.removeEntries = [this](const QString& u) { removedEntries << u; };
  }
  void TearDown() override {
    state::SharedState& sh = state::shared();
    sh.Bulk_Delete_Running = sh.Bulk_Delete_Data = sh.Bulk_Delete_Mail = sh.Bulk_Run_Command = 0;
    directory::setDirectory(nullptr);
    files::setFileServers(nullptr);
    net.reset();
    AppFixture::TearDown();
  }

  void mode(bool nt) {
    state::SharedState& sh = state::shared();
    sh.Directory_Mode = nt ? 2 : 0;
    sh.Domain_Name = nt ? QStringLiteral("OLDCORP") : QStringLiteral("example.local");
    sh.NetBIOS_Domain = nt ? QStringLiteral("OLDCORP") : QStringLiteral("EXAMPLE");
  }
  QString argument(bool nt, const QString& account) const {
    return nt ? account
              : QStringLiteral("LDAP://example.local/CN=%1,CN=Users,DC=example,DC=local").arg(account);
  }
  adsi::Result<adsi::AdsObject> bindUser(bool nt, const QString& account) {
    auto d = directory::requireDirectory();
    if (!d) return d.error();
    return (*d)->GetObject(nt ? QStringLiteral("WinNT://OLDCORP/") + account : argument(false, account));
  }
  void setPaths(bool nt, const QString& account, const QString& home, const QString& profile) {
    auto u = bindUser(nt, account);
    ASSERT_TRUE(u) << u.error().message.toStdString();
    if (!home.isEmpty()) {
      ASSERT_TRUE(u->Put(QStringLiteral("HomeDirectory"), home));
    }
    if (!profile.isEmpty()) {
      ASSERT_TRUE(u->Put(QStringLiteral("Profile"), profile));
    }
    ASSERT_TRUE(u->SetInfo());
  }

  QMap<QString, QByteArray> tree() const {
    QMap<QString, QByteArray> out;
    const QString root = dir() + QStringLiteral("net/servers");
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
      const QString p = it.next();
      QByteArray bytes("<dir>");
      if (!it.fileInfo().isDir()) {
        QFile f(p);
        bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
      }
      out.insert(base.relativeFilePath(p), bytes);
    }
    return out;
  }
  QStringList shares() const {
    QStringList out;
    for (const char* s : {"FILESRV1", "FILESRV2"}) {
      auto list = files::fileServers()->sharedFolders(QLatin1String(s));
      EXPECT_TRUE(list);
      if (!list) continue;
      for (const files::SharedFolder& f : *list) out << QLatin1String(s) + u'/' + f.name;
    }
    out.sort();
    return out;
  }
  QStringList logLines() const {
    QFile f(startup::LogFile::pathFor(dir()));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  }
  // `expected` appear in `lines` in this order.
  static testing::AssertionResult inOrder(const QStringList& lines, const QStringList& expected) {
    qsizetype at = 0;
    for (const QString& e : expected) {
      const qsizetype i = lines.indexOf(e, at);
      if (i < 0)
        return testing::AssertionFailure() << "missing or out of order: \"" << e.toStdString() << "\" in\n"
                                           << lines.join(u'\n').toStdString();
      at = i + 1;
    }
    return testing::AssertionSuccess();
  }
  // The tree after the run equals the tree before, less exactly what lies at or below `gone`.
  static void expectOnlyGone(const QMap<QString, QByteArray>& before, const QMap<QString, QByteArray>& after,
                             const QStringList& gone) {
    auto under = [&](const QString& path) {
      for (const QString& g : gone)
        if (path == g || path.startsWith(g + u'/')) return true;
      return false;
    };
    QMap<QString, QByteArray> expected;
    for (auto it = before.begin(); it != before.end(); ++it)
      if (!under(it.key())) expected.insert(it.key(), it.value());
    EXPECT_EQ(QStringList(after.keys()).join(u'\n').toStdString(),
              QStringList(expected.keys()).join(u'\n').toStdString());
    EXPECT_TRUE(after == expected);
  }

  std::shared_ptr<SimNetwork> net;
  bulk::DeleteOptions options;
  RecordingHost host;
  QStringList removedEntries;
};

const QString D1 = QStringLiteral("\\\\FILESRV1\\D$\\");

class DeleteMatrix : public DeleteUser, public testing::WithParamInterface<Case> {};

TEST_P(DeleteMatrix, LeavesEverythingButTheUsersOwn) {
  const Case& c = GetParam();
  mode(c.nt);
  state::shared().Bulk_Delete_Data = c.data ? -1 : 0;
  options.profileDeleteName = true;
  setPaths(c.nt, QLatin1String(c.account), QLatin1String(c.home), QLatin1String(c.profile));
  const auto treeBefore = tree();
  QStringList sharesBefore = shares();

  EXPECT_TRUE(bulk::Delete_One_User(argument(c.nt, QLatin1String(c.account)), options, host));

  EXPECT_FALSE(bindUser(c.nt, QLatin1String(c.account)));
  EXPECT_TRUE(bindUser(false, QStringLiteral("alice2")));
  EXPECT_EQ(removedEntries, QStringList{argument(c.nt, QLatin1String(c.account))});
  expectOnlyGone(treeBefore, tree(), c.goneFolders);
  for (const QString& s : c.goneShares) EXPECT_TRUE(sharesBefore.removeOne(s)) << s.toStdString();
  EXPECT_EQ(shares(), sharesBefore);
  EXPECT_TRUE(inOrder(logLines(), c.logLines));
  ASSERT_FALSE(host.rows.isEmpty());
  EXPECT_EQ(host.rows.last(), QLatin1String(c.endRow));
}

const Case kCases[] = {
    {"OwnHomeShareAndProfileBelowCommonShare",
     false,
     "alice",
     "\\\\FILESRV1\\alice$",
     "\\\\FILESRV1\\Profiles\\alice",
     true,
     {"FILESRV1/alice$"},
     {"FILESRV1/D/Users/alice", "FILESRV1/D/Profiles/alice"},
     {"Delete User: LDAP://example.local/CN=alice,CN=Users,DC=example,DC=local", "From Server: FILESRV1",
      "Home Share: alice$", "Home Dir Path :\\\\FILESRV1\\D$\\Users\\alice", "Profile Server: FILESRV1",
      "Profile ShareName: Profiles", "Profile Dir Path :\\\\FILESRV1\\D$\\Profiles",
      "Deleted User Account: LDAP://example.local/CN=alice,CN=Users,DC=example,DC=local",
      "Deleted Share: alice$", "Deleted Dir: \\\\FILESRV1\\D$\\Users\\alice",
      "Deleted Dir: \\\\FILESRV1\\D$\\Profiles\\alice", "User Deleted."},
     "GREEN User CN=alice deleted."},
    {"HomeBelowCommonShareNoProfile",
     false,
     "alice",
     "\\\\FILESRV1\\Home\\ALICE",
     "",
     true,
     {},
     {"FILESRV1/D/Home/alice"},
     {"Home Share: Home", "Deleted Dir: \\\\FILESRV1\\D$\\Home\\ALICE", "User Deleted."},
     "GREEN User CN=alice deleted."},
    {"ProfileInsideOwnHomeShare",
     false,
     "alice",
     "\\\\FILESRV1\\alice$",
     "\\\\FILESRV1\\alice$\\profile",
     true,
     {"FILESRV1/alice$"},
     {"FILESRV1/D/Users/alice"},
     {"Home Share and Profile Share are the Same...", "Deleted Common Share: alice$",
      "Deleted Dir: \\\\FILESRV1\\D$\\Users\\alice"},
     "GREEN User CN=alice deleted."},
    {"HomeAndProfileBelowOneCommonShare",
     false,
     "alice",
     "\\\\FILESRV1\\Home\\alice",
     "\\\\FILESRV1\\Home\\alice\\profile",
     true,
     {},
     {"FILESRV1/D/Home/alice"},
     {"Home Share and Profile Share are the Same...", "Deleted Dir: \\\\FILESRV1\\D$\\Home\\alice"},
     "GREEN User CN=alice deleted."},
    {"OwnHomeShareAndOwnProfileShare",
     false,
     "alice",
     "\\\\FILESRV1\\alice$",
     "\\\\FILESRV1\\AliceProfile",
     true,
     {"FILESRV1/alice$", "FILESRV1/AliceProfile"},
     {"FILESRV1/D/Users/alice", "FILESRV1/D/Roaming/alice"},
     {"Deleted Share: alice$", "Deleted Share: AliceProfile", "Deleted Dir: \\\\FILESRV1\\D$\\Users\\alice",
      "Deleted Dir: \\\\FILESRV1\\D$\\Roaming\\alice"},
     "GREEN User CN=alice deleted."},
    {"HomeIsACommonShareRoot",
     false,
     "alice",
     "\\\\FILESRV1\\Users",
     "",
     true,
     {},
     {},
     {"Share not the user's own, kept: Users", "Folder not the user's own, kept: \\\\FILESRV1\\D$\\Users"},
     "YELLOW User CN=alice deleted."},
    {"HomeIsADriveRootShare",
     false,
     "alice",
     "\\\\FILESRV1\\DRoot",
     "",
     true,
     {},
     {},
     {"Share not the user's own, kept: DRoot", "Folder not the user's own, kept: \\\\FILESRV1\\D$"},
     "YELLOW User CN=alice deleted."},
    {"HomeIsAnotherUsersShare",
     false,
     "alice",
     "\\\\FILESRV1\\malice$",
     "",
     true,
     {},
     {},
     {"Share not the user's own, kept: malice$"},
     "YELLOW User CN=alice deleted."},
    {"ProfileIsACommonShareRoot",
     false,
     "alice",
     "",
     "\\\\FILESRV1\\Profiles",
     true,
     {},
     {},
     {"Share not the user's own, kept: Profiles",
      "Folder not the user's own, kept: \\\\FILESRV1\\D$\\Profiles"},
     "YELLOW User CN=alice deleted."},
    {"MandatoryProfileInCapitals",
     false,
     "alice",
     "\\\\FILESRV1\\alice$",
     "\\\\FILESRV1\\Profiles\\Default.MAN",
     true,
     {"FILESRV1/alice$"},
     {"FILESRV1/D/Users/alice"},
     {"Unable to Delete Mandatory Profiles.", "Deleted Share: alice$",
      "Deleted Dir: \\\\FILESRV1\\D$\\Users\\alice"},
     "GREEN User CN=alice deleted."},
    {"NetlogonProfile",
     false,
     "alice",
     "",
     "\\\\FILESRV1\\netlogon\\alice",
     true,
     {},
     {},
     {"Cannot Delete Netlogon Directory.", "Home Share and Profile Share are the Same...", "User Deleted."},
     "GREEN User CN=alice deleted."},
    // A share named after the user that publishes a folder of other users' folders: the share
    // goes, the folder stays.
    {"OwnShareNameOnACommonFolder",
     false,
     "carl",
     "\\\\FILESRV1\\carl$",
     "",
     true,
     {"FILESRV1/carl$"},
     {},
     {"Deleted Share: carl$", "Folder not the user's own, kept: \\\\FILESRV1\\D$\\Staff"},
     "YELLOW User CN=carl deleted."},
    {"NoPaths",
     false,
     "alice",
     "",
     "",
     true,
     {},
     {},
     {"Home Share and Profile Share are the Same...", "User Deleted."},
     "GREEN User CN=alice deleted."},
    {"DataKept",
     false,
     "alice",
     "\\\\FILESRV1\\alice$",
     "\\\\FILESRV1\\Profiles\\alice",
     false,
     {},
     {},
     {"Deleted User Account: LDAP://example.local/CN=alice,CN=Users,DC=example,DC=local", "User Deleted."},
     "GREEN User CN=alice deleted."},
    {"ProfileOnAnotherServersShareOfTheSameName",
     false,
     "alice",
     "\\\\FILESRV1\\Home\\alice",
     "\\\\FILESRV2\\Home\\alice",
     true,
     {},
     {"FILESRV1/D/Home/alice", "FILESRV2/E/Users/alice"},
     {"Deleted Dir: \\\\FILESRV1\\D$\\Home\\alice", "Deleted Dir: \\\\FILESRV2\\E$\\Users\\alice"},
     "GREEN User CN=alice deleted."},
    {"NtProfileCutAtTheFolderNamedAfterTheUser",
     true,
     "jdoe",
     "",
     "\\\\FILESRV1\\Profiles\\jdoe\\NT40",
     true,
     {},
     {"FILESRV1/D/Profiles/jdoe"},
     {"Deleted User Account: jdoe", "Deleted Dir: \\\\FILESRV1\\D$\\Profiles\\jdoe"},
     "GREEN User jdoe deleted."},
    {"NtProfileCutMatchesWholeComponentsOnly",
     true,
     "pro",
     "",
     "\\\\FILESRV1\\Profiles\\pro\\NT40",
     true,
     {},
     {"FILESRV1/D/Profiles/pro"},
     {"Deleted Dir: \\\\FILESRV1\\D$\\Profiles\\pro"},
     "GREEN User pro deleted."},
    {"NtProfileWithoutTheUsersFolderIsKept",
     true,
     "pro",
     "",
     "\\\\FILESRV1\\Profiles\\prof",
     true,
     {},
     {},
     {"Folder not the user's own, kept: \\\\FILESRV1\\D$\\Profiles\\prof"},
     "YELLOW User pro deleted."},
};

INSTANTIATE_TEST_SUITE_P(Paths, DeleteMatrix, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

TEST_F(DeleteUser, DoesNothingUnlessABulkDeleteRuns) {
  mode(false);
  state::shared().Bulk_Delete_Running = 0;
  options.confirmDeletes = true;
  const auto before = tree();
  EXPECT_FALSE(bulk::Delete_One_User(argument(false, QStringLiteral("alice")), options, host));
  EXPECT_TRUE(bindUser(false, QStringLiteral("alice")));
  EXPECT_EQ(tree(), before);
  EXPECT_TRUE(logLines().isEmpty());
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(DeleteUser, TheQuestionNamesTheFoldersAndNoKeepsEverything) {
  mode(false);
  setPaths(false, QStringLiteral("alice"), QStringLiteral("\\\\FILESRV1\\alice$"), QString());
  options.confirmDeletes = true;
  prompts.answer(ui::MsgBoxResult::No);
  const auto before = tree();
  EXPECT_FALSE(bulk::Delete_One_User(argument(false, QStringLiteral("alice")), options, host));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt,
            QStringLiteral("Delete User LDAP://example.local/CN=alice,CN=Users,DC=example,DC=local\r\n\r\n"
                           "and its folders:\r\n\\\\FILESRV1\\D$\\Users\\alice"));
  EXPECT_EQ(prompts.asked[0].title, QStringLiteral("Delete User"));
  EXPECT_TRUE(bindUser(false, QStringLiteral("alice")));
  EXPECT_EQ(tree(), before);
}

// Failures: what was refused stays, and nothing of anyone else changes.
TEST_F(DeleteUser, RefusedAccountDeletionDestroysNothing) {
  mode(false);
  setPaths(false, QStringLiteral("alice"), QStringLiteral("\\\\FILESRV1\\alice$"),
           QStringLiteral("\\\\FILESRV1\\AliceProfile"));
  const auto before = tree();
  const QStringList sharesBefore = shares();
  net->refuseNextCommit();
  EXPECT_FALSE(bulk::Delete_One_User(argument(false, QStringLiteral("alice")), options, host));
  EXPECT_TRUE(bindUser(false, QStringLiteral("alice")));
  EXPECT_EQ(tree(), before);
  EXPECT_EQ(shares(), sharesBefore);
  EXPECT_TRUE(removedEntries.isEmpty());
  EXPECT_EQ(host.rows,
            QStringList{QStringLiteral(
                "RED Unable to Delete User LDAP://example.local/CN=alice,CN=Users,DC=example,DC=local")});
  EXPECT_TRUE(
      inOrder(logLines(), {QStringLiteral("Unable to Delete User "
                                          "LDAP://example.local/CN=alice,CN=Users,DC=example,DC=local")}));
}

TEST_F(DeleteUser, UnknownHomeShareEndsBeforeAnythingIsDeleted) {
  mode(false);
  setPaths(false, QStringLiteral("alice"), QStringLiteral("\\\\FILESRV1\\nosuch\\alice"),
           QStringLiteral("\\\\FILESRV1\\AliceProfile"));
  const auto before = tree();
  const QStringList sharesBefore = shares();
  EXPECT_FALSE(bulk::Delete_One_User(argument(false, QStringLiteral("alice")), options, host));
  EXPECT_TRUE(bindUser(false, QStringLiteral("alice")));
  EXPECT_EQ(tree(), before);
  EXPECT_EQ(shares(), sharesBefore);
  EXPECT_EQ(host.rows, QStringList{QStringLiteral("RED Unable to get Home Share for CN=alice")});
  EXPECT_TRUE(inOrder(logLines(), {QStringLiteral("Unable to find Home Share: nosuch")}));
}

TEST_F(DeleteUser, RefusedShareDeletionIsReportedAndItsFolderStays) {
  mode(false);
  setPaths(false, QStringLiteral("alice"), QStringLiteral("\\\\FILESRV1\\alice$"),
           QStringLiteral("\\\\FILESRV1\\Profiles\\alice"));
  ASSERT_TRUE(net->refuseShareDel(QStringLiteral("FILESRV1"), QStringLiteral("alice$")));
  const auto before = tree();
  const QStringList sharesBefore = shares();
  EXPECT_TRUE(bulk::Delete_One_User(argument(false, QStringLiteral("alice")), options, host));
  EXPECT_FALSE(bindUser(false, QStringLiteral("alice")));
  // The share and the folder it publishes stay; the profile below the common share goes.
  EXPECT_EQ(shares(), sharesBefore);
  expectOnlyGone(before, tree(), {QStringLiteral("FILESRV1/D/Profiles/alice")});
  const QStringList log = logLines();
  EXPECT_FALSE(log.contains(QStringLiteral("Deleted Share: alice$")));
  EXPECT_TRUE(inOrder(log, {QStringLiteral("Unable to Delete Share: alice$"),
                            QStringLiteral("Error Deleting: \\\\FILESRV1\\D$\\Users\\alice"),
                            QStringLiteral("Deleted Dir: \\\\FILESRV1\\D$\\Profiles\\alice")}));
  EXPECT_EQ(host.rows.last(), QStringLiteral("YELLOW User CN=alice deleted."));
}

TEST_F(DeleteUser, FolderInUseTurnsTheRunYellow) {
  mode(false);
  setPaths(false, QStringLiteral("alice"), QStringLiteral("\\\\FILESRV1\\Home\\alice"), QString());
  ASSERT_TRUE(net->setUndeletable(D1 + QStringLiteral("Home\\alice\\h.txt")));
  const auto before = tree();
  EXPECT_TRUE(bulk::Delete_One_User(argument(false, QStringLiteral("alice")), options, host));
  // Whatever went, went from alice's folder only, and the file in use is still there.
  const auto after = tree();
  for (auto it = before.begin(); it != before.end(); ++it)
    if (!it.key().startsWith(QStringLiteral("FILESRV1/D/Home/alice/"))) {
      EXPECT_EQ(after.value(it.key(), "<gone>"), it.value()) << it.key().toStdString();
    }
  EXPECT_TRUE(after.contains(QStringLiteral("FILESRV1/D/Home/alice/h.txt")));
  EXPECT_TRUE(inOrder(logLines(), {QStringLiteral("Error Deleting: \\\\FILESRV1\\D$\\Home\\alice")}));
  EXPECT_EQ(host.rows.last(), QStringLiteral("YELLOW User CN=alice deleted."));
}

// The Exchange server is looked up in Site.dat trimmed and without regard to letter case; a server
// no live site names fails the mailbox step instead of using an earlier site's values.
TEST_F(DeleteUser, MailboxSiteLookupAndFailures) {
  QFile sites(dir() + QStringLiteral("Site.dat"));
  ASSERT_TRUE(sites.open(QIODevice::WriteOnly));
  records::Site_Record gone;
  gone.Deleted = records::kDeletedFlag;
  gone.ExchangeServer = QStringLiteral("GONE");
  gone.ExchSite = QStringLiteral("Old");
  records::Site_Record live;
  live.SiteName = QStringLiteral("North");
  live.ExchangeServer = QStringLiteral("ex1");
  live.ExchSite = QStringLiteral("NorthSite");
  live.ExchOrg = QStringLiteral("Acme");
  sites.write(gone.encode() + live.encode());
  sites.close();

  struct Row {
    const char* exServer;
    const char* account;
    bool found;
  };
  for (const Row& r :
       {Row{" EX1 ", "alice", true}, Row{"NOSUCH", "alice2", false}, Row{"GONE", "carl", false}}) {
    SCOPED_TRACE(r.exServer);
    mode(false);
    state::SharedState& sh = state::shared();
    sh.Bulk_Delete_Mail = -1;
    sh.Bulk_Delete_Data = 0;
    sh.Mail_Search_Server = sh.Mail_Search_Site = sh.Mail_Search_Org = QStringLiteral("Earlier");
    QFile::remove(startup::LogFile::pathFor(dir()));
    host.rows.clear();
    options.exServer = QLatin1String(r.exServer);
    const QString user = argument(false, QLatin1String(r.account));
    EXPECT_TRUE(bulk::Delete_One_User(user, options, host));
    // The simulated network has no Exchange server: the deletion itself fails either way.
    EXPECT_EQ(host.rows,
              (QStringList{QStringLiteral("REDFailed to delete mail account"),
                           QStringLiteral("YELLOW User CN=%1 deleted.").arg(QLatin1String(r.account))}));
    const QStringList log = logLines();
    EXPECT_TRUE(
        inOrder(log, {QStringLiteral("Deleted User Account: ") + user,
                      QStringLiteral("Failed to delete mail account"), QStringLiteral("User Deleted.")}));
    const bool tried = std::any_of(log.begin(), log.end(), [](const QString& l) {
      return l.startsWith(QStringLiteral("Connect Object:LDAP://ex1/"));
    });
    EXPECT_EQ(tried, r.found);
    EXPECT_EQ(sh.Mail_Search_Site.trimmed(),
              r.found ? QStringLiteral("NorthSite") : QStringLiteral("Earlier"));
    EXPECT_EQ(log.contains(QStringLiteral("No site has the Exchange server ") + QLatin1String(r.exServer)),
              !r.found);
  }
}

// An Exchange 2000 mailbox is part of the account object: it goes just before the account, and
// when the account then cannot be deleted the RED line says the mailbox is gone.
TEST_F(DeleteUser, Exchange2000MailboxGoesJustBeforeTheAccount) {
  mode(false);
  state::SharedState& sh = state::shared();
  sh.Bulk_Delete_Mail = -1;
  sh.Bulk_Delete_Data = 0;
  options.exServer = QStringLiteral("Exchange 2000");
  for (const char* account : {"alice", "alice2"}) {
    auto u = bindUser(false, QLatin1String(account));
    ASSERT_TRUE(u);
    auto dir = directory::requireDirectory();
    ASSERT_TRUE(dir);
    exchange::MailboxStore store(**dir, *u);
    ASSERT_TRUE(store.CreateMailbox(QStringLiteral(
        "LDAP://example.local/CN=Staff Mailboxes,CN=First Storage Group,CN=InformationStore,CN=EXCH2K,"
        "CN=Servers,CN=First Administrative Group,CN=Administrative Groups,CN=Example,CN=Microsoft Exchange,"
        "CN=Services,CN=Configuration,DC=example,DC=local")));
    ASSERT_TRUE(u->SetInfo());
  }

  EXPECT_TRUE(bulk::Delete_One_User(argument(false, QStringLiteral("alice")), options, host));
  EXPECT_TRUE(inOrder(logLines(),
                      {QStringLiteral("Deleted mail account"),
                       QStringLiteral("Deleted User Account: ") + argument(false, QStringLiteral("alice"))}));
  EXPECT_EQ(host.rows, QStringList{QStringLiteral("GREEN User CN=alice deleted.")});

  // A mailbox that cannot be removed is reported; the account still goes.
  host.rows.clear();
  net->refuseNextCommit();
  EXPECT_TRUE(bulk::Delete_One_User(argument(false, QStringLiteral("alice2")), options, host));
  EXPECT_EQ(host.rows, (QStringList{QStringLiteral("REDFailed to delete mail account"),
                                    QStringLiteral("YELLOW User CN=alice2 deleted.")}));
}

// "Apply security to user folders": Administrators get full control of the folder before it is
// deleted, after a question unless "No Prompting"; No keeps the permissions, not the deletion.
TEST_F(DeleteUser, AdministratorsTakeOverTheFolderFirst) {
  mode(false);
  options.delPermissions = true;
  setPaths(false, QStringLiteral("alice"), QStringLiteral("\\\\FILESRV1\\Home\\alice"), QString());
  setPaths(false, QStringLiteral("alice2"), QStringLiteral("\\\\FILESRV1\\Home\\alice2"), QString());
  const QString setting = QStringLiteral(
      "Setting Administrators permissions on \\\\FILESRV1\\D$\\Home\\alice and all sub directories");

  options.noPrompting = true;
  EXPECT_TRUE(bulk::Delete_One_User(argument(false, QStringLiteral("alice")), options, host));
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_TRUE(inOrder(logLines(), {setting, QStringLiteral("Deleted Dir: \\\\FILESRV1\\D$\\Home\\alice")}));

  QFile::remove(startup::LogFile::pathFor(dir()));
  options.noPrompting = false;
  prompts.answer(ui::MsgBoxResult::No);
  prompts.answer(ui::MsgBoxResult::Yes);  // the shell's own question before it deletes
  EXPECT_TRUE(bulk::Delete_One_User(argument(false, QStringLiteral("alice2")), options, host));
  ASSERT_FALSE(prompts.asked.empty());
  EXPECT_EQ(prompts.asked[0].title, QStringLiteral("Set Permissions on Home Directory"));
  EXPECT_EQ(prompts.asked[0].prompt,
            QStringLiteral("Setting permissions on: \r\n\\\\FILESRV1\\D$\\Home\\alice2"));
  const QStringList log = logLines();
  EXPECT_FALSE(std::any_of(log.begin(), log.end(),
                           [](const QString& l) { return l.startsWith(QStringLiteral("Setting")); }));
  EXPECT_TRUE(log.contains(QStringLiteral("Deleted Dir: \\\\FILESRV1\\D$\\Home\\alice2")));
}

TEST_F(DeleteUser, CommandGetsTheAccountNameAsOneArgument) {
  mode(false);
  state::shared().Bulk_Run_Command = -1;
  state::shared().Bulk_Delete_Data = 0;
  const QString out = dir() + QStringLiteral("args.txt");
  // The shell is not involved: the script writes its arguments one per line.
  QFile script(dir() + QStringLiteral("record.sh"));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"$OUT\"\n");
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("OUT", out.toLocal8Bit());
  options.deleteScript = script.fileName() + QStringLiteral(" %Domain% %UserName%;rm");
  options.waitDelete = true;
  EXPECT_TRUE(bulk::Delete_One_User(argument(false, QStringLiteral("mary ann")), options, host));
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("example.local\nmary ann;rm\n"));
  EXPECT_EQ(host.rows.last(), QStringLiteral("GREEN User CN=mary ann deleted."));
}

}  // namespace
}  // namespace tavrel::test
