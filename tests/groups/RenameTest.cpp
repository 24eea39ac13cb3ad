// Renaming a user on a connected main window: the Active Directory window (names, the common
// name moved within its container, the user principal name's suffix and uniqueness, every list
// re-keyed, refusals that leave the account as it was; also against the test DC as dc.RenameAd.*),
// the folders and shares on a file server that also holds common shares, a share on a drive root
// and other users' look-alike folders (the whole server compared before and after), the NT
// window, and the popup item that opens them.

#include "bulk/Catalogue.h"
#include "groups/RenameUser.h"
#include "groups/RenameWork.h"
#include "groups/Rename_NT.h"
#include "groups/Groupsfrm.h"
#include "mainwindow/DomainFixture.h"
#include "platform/files/FileServers.h"
#include "platform/files/FileSystem.h"
#include "resources/SharePaths.h"
#include "platform/simnet/Resources.h"
#include "platform/simnet/SimNetwork.h"

#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>

namespace tavrel::test {
namespace {

using simnet::GroupSpec;
using simnet::UserSpec;

const QString kPath = QStringLiteral("LDAP://example.local/");
const QString kDomainDn = QStringLiteral("DC=example,DC=local");
const QString kJohn = kPath + QStringLiteral("CN=John Smith,OU=Sales,") + kDomainDn;

class RenameBase : public DomainFixture {
 protected:
  void TearDown() override {
    host.reset();
    files::setFileServers(nullptr);
    DomainFixture::TearDown();
  }
  // Selects the tree's node keyed `key` (AD) or shown as `text` (NT) and takes the main window's
  // view of it.
  void selectNode(QTreeWidgetItem* n) {
    ASSERT_TRUE(n);
    w->TreeView1->setCurrentItem(n);
    host = w->renameHost();
  }
  QTreeWidgetItem* nodeByText(const QString& text) const {
    for (QTreeWidgetItem* n : nodesWithImage(QStringLiteral("USER")))
      if (n->text(0) == text) return n;
    return nullptr;
  }
  QStringList screenRows() const {
    QStringList out;
    for (int i = 0; i < w->ListView1->topLevelItemCount(); ++i)
      out << w->ListView1->topLevelItem(i)->data(0, Qt::UserRole).toString() +
                 w->ListView1->topLevelItem(i)->text(0);
    return out;
  }
  // The lines of Log.txt after the last run header.
  QStringList lastRunLines() const {
    const QStringList lines = logLines();
    const qsizetype header = lines.lastIndexOf(startup::kLogHeader);
    return header < 0 ? QStringList() : lines.mid(header + 2);
  }
  QString attr(const QString& path, const QString& name) {
    auto o = admin().GetObject(path);
    if (!o) return QStringLiteral("<no object>");
    auto v = o->Get(name);
    return v ? v->toString() : QString();
  }
  // Every list that names users, as "LIST text key" lines.
  QStringList everyUserList() {
    QStringList out;
    const bulk::Catalogue& c = bulk::catalogue();
    for (int i = 1; i <= c.users.count(); ++i) out << "MU2 " + c.users.text(i) + u' ' + c.users.key(i);
    for (int i = 1; i <= c.selection.count(); ++i)
      out << "MU1 " + c.selection.text(i) + u' ' + c.selection.key(i);
    groups::Groupsfrm& g = groupWindow();
    for (int i = 1; i <= g.NotMembers->count(); ++i)
      out << "GNM " + g.NotMembers->text(i) + u' ' + g.NotMembers->key(i);
    for (QTreeWidgetItem* n : nodesWithImage(QStringLiteral("USER"))) out << "T " + n->text(0) + u' ' + keyOf(n);
    out.sort();
    return out;
  }

  std::unique_ptr<groups::RenameHost> host;
};

// ---------------------------------------------------------------------------------------------
// The Active Directory window on the directory alone.

class RenameAd : public RenameBase {
 protected:
  void SetUp() override {
    RenameBase::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    if (!onTestDc()) builder->forest("example.local", "EXAMPLE");
    builder->ou("example.local", "OU=Sales")
        .user("example.local", "jsmith",
              UserSpec()
                  .in("OU=Sales")
                  .named("John Smith")
                  .with("givenName", "John")
                  .with("sn", "Smith")
                  .with("displayName", "Johnny Smith")
                  .with("userPrincipalName", "jsmith@corp.example"))
        .user("example.local", "mary",
              UserSpec().in("OU=Sales").named("Mary Major").with("userPrincipalName", "taken@corp.example"))
        .group("example.local", "Sales Team", GroupSpec().in("OU=Sales"))
        .member("example.local", "Sales Team", "jsmith");
    install();
    ASSERT_TRUE(connect("example.local"));
    state::shared().NetBIOS_Domain = QStringLiteral("EXAMPLE");
    groupWindow();
  }
  // Opens the window on jsmith with the naming options given.
  std::unique_ptr<groups::RenameUser> open(bool cnOption = true, bool displayOption = true) {
    (cnOption ? w->CNName : w->SamAccountName)->setChecked(true);
    (displayOption ? w->DisplayName : w->DNName)->setChecked(true);
    selectNode(node(kJohn));
    return std::make_unique<groups::RenameUser>(*host);
  }
  // What the account holds, as "attribute=value" lines.
  QStringList account(const QString& path) {
    QStringList out;
    for (const char* a : {"cn", "sAMAccountName", "userPrincipalName", "givenName", "sn", "displayName"})
      out << QLatin1String(a) + u'=' + attr(path, QLatin1String(a));
    return out;
  }
};

struct NameCase {
  const char* name;
  bool cnOption, displayOption;
  // The fields typed (nullptr: left as loaded).
  const char *full, *first, *last, *display, *upn, *sam;
  // Expected afterwards.
  const char* cn;
  const char* sam2;
  const char* upn2;
  const char *first2, *last2, *display2;
  const char* nodeText;
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << c.name;
}

class RenameAdNames : public RenameAd, public testing::WithParamInterface<NameCase> {};

TEST_P(RenameAdNames, WritesWhatWasTypedAndTheListsFollow) {
  const NameCase& c = GetParam();
  auto win = open(c.cnOption, c.displayOption);
  // The asterisk marks the name that %UserName% stands for.
  EXPECT_EQ(win->RENDIR->text(), c.cnOption ? "*" : "");
  EXPECT_EQ(win->REDIR1->text(), c.cnOption ? "" : "*");
  EXPECT_EQ(win->Full_Name->text(), "John Smith");
  EXPECT_EQ(win->User_logon_name->text(), "jsmith");
  EXPECT_EQ(win->AD_Domain->text(), "@corp.example") << "the suffix the account has";
  EXPECT_EQ(win->WINNT_Domain->text(), "EXAMPLE\\");
  EXPECT_FALSE(win->fullNameChanged());
  EXPECT_FALSE(win->samChanged());
  const auto type = [](QLineEdit* e, const char* text) {
    if (text) e->setText(QString::fromUtf8(text));
  };
  type(win->Full_Name, c.full);
  type(win->First_Name, c.first);
  type(win->Last_Name, c.last);
  type(win->Display_Name, c.display);
  type(win->User_logon_name, c.upn);
  type(win->Logon_Name_pre2000, c.sam);

  win->Command2_Click();
  EXPECT_EQ(win->result(), QDialog::Accepted);
  EXPECT_TRUE(prompts.asked.empty());
  const QString cn = QString::fromUtf8(c.cn);
  const QString newKey = kPath + QStringLiteral("CN=") + adsi::escapeDnValue(cn) + QStringLiteral(",OU=Sales,") + kDomainDn;
  EXPECT_EQ(account(newKey), (QStringList{"cn=" + cn, QStringLiteral("sAMAccountName=") + c.sam2,
                                          QStringLiteral("userPrincipalName=") + c.upn2,
                                          QStringLiteral("givenName=") + c.first2, QStringLiteral("sn=") + c.last2,
                                          QStringLiteral("displayName=") + QString::fromUtf8(c.display2)}));
  if (newKey != kJohn) {
    EXPECT_EQ(attr(kJohn, "cn"), "<no object>");
  }
  // The tree node, the bulk window's user list and the group window's non-members.
  QTreeWidgetItem* n = node(newKey);
  ASSERT_TRUE(n);
  EXPECT_EQ(n->text(0), QString::fromUtf8(c.nodeText));
  bulk::Catalogue& cat = bulk::catalogue();
  const int row = cat.users.findKey(newKey);
  ASSERT_GT(row, 0);
  EXPECT_EQ(cat.users.text(row), QString::fromUtf8(c.nodeText));
  EXPECT_FALSE(cat.users.findKey(kJohn) && newKey != kJohn);
  const int gnm = groupWindow().NotMembers->findKey(newKey);
  ASSERT_GT(gnm, 0);
  EXPECT_EQ(groupWindow().NotMembers->text(gnm), cn);
  EXPECT_EQ(lastRunLines(), QStringList{"Changing Names for: CN=" + adsi::escapeDnValue(cn)});
  EXPECT_TRUE(bulk::catalogue().invariantBreaches().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RenameAdNames,
    testing::Values(
        NameCase{"NoEdit", true, true, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "John Smith", "jsmith",
                 "jsmith@corp.example", "John", "Smith", "Johnny Smith", "Johnny Smith"},
        NameCase{"CommonNameAlone", true, false, "Jon Smyth", nullptr, nullptr, nullptr, nullptr, nullptr,
                 "Jon Smyth", "jsmith", "jsmith@corp.example", "John", "Smith", "Johnny Smith", "Jon Smyth"},
        NameCase{"FirstNameAlone", true, true, nullptr, "Jon", nullptr, nullptr, nullptr, nullptr, "John Smith",
                 "jsmith", "jsmith@corp.example", "Jon", "Smith", "Johnny Smith", "Johnny Smith"},
        NameCase{"LastNameCleared", true, true, nullptr, nullptr, "", nullptr, nullptr, nullptr, "John Smith",
                 "jsmith", "jsmith@corp.example", "John", "", "Johnny Smith", "Johnny Smith"},
        NameCase{"DisplayNameAlone", true, true, nullptr, nullptr, nullptr, "J. Smith", nullptr, nullptr,
                 "John Smith", "jsmith", "jsmith@corp.example", "John", "Smith", "J. Smith", "J. Smith"},
        NameCase{"DisplayNameClearedShowsTheCommonName", true, true, nullptr, nullptr, nullptr, "", nullptr,
                 nullptr, "John Smith", "jsmith", "jsmith@corp.example", "John", "Smith", "", "John Smith"},
        NameCase{"LogonNameKeepsItsSuffix", true, true, nullptr, nullptr, nullptr, nullptr, "john.smith", nullptr,
                 "John Smith", "jsmith", "john.smith@corp.example", "John", "Smith", "Johnny Smith",
                 "Johnny Smith"},
        NameCase{"LogonNameCleared", true, true, nullptr, nullptr, nullptr, nullptr, "", nullptr, "John Smith",
                 "jsmith", "", "John", "Smith", "Johnny Smith", "Johnny Smith"},
        NameCase{"Pre2000Trimmed", false, true, nullptr, nullptr, nullptr, nullptr, nullptr, " jsmyth ",
                 "John Smith", "jsmyth", "jsmith@corp.example", "John", "Smith", "Johnny Smith", "Johnny Smith"},
        NameCase{"Pre2000EmptiedIsKept", false, true, nullptr, nullptr, nullptr, nullptr, nullptr, "", "John Smith",
                 "jsmith", "jsmith@corp.example", "John", "Smith", "Johnny Smith", "Johnny Smith"},
        NameCase{"EveryFieldWithAnEscapedCommonName", true, false, "Smyth, Jon + Co", "Jon", "Smyth",
                 "Jon Smyth", "jon", "jsmyth", "Smyth, Jon + Co", "jsmyth", "jon@corp.example", "Jon", "Smyth",
                 "Jon Smyth", "Smyth, Jon + Co"}),
    [](const testing::TestParamInfo<NameCase>& i) { return std::string(i.param.name); });

TEST_F(RenameAd, TheCommonNameMovesWithinItsContainerAndTheGroupFollows) {
  auto win = open();
  win->Full_Name->setText(QStringLiteral("Jon Smyth"));
  // The user is in the bulk window's selection, and a group's members are shown.
  bulk::Catalogue& cat = bulk::catalogue();
  cat.toSelection(cat.users, {cat.users.findKey(kJohn)});
  win->Command2_Click();
  ASSERT_EQ(win->result(), QDialog::Accepted);
  const QString newKey = kPath + QStringLiteral("CN=Jon Smyth,OU=Sales,") + kDomainDn;
  EXPECT_EQ(attr(newKey, "sAMAccountName"), "jsmith");
  EXPECT_GT(cat.selection.findKey(newKey), 0);
  EXPECT_EQ(cat.selection.text(cat.selection.findKey(newKey)), "Johnny Smith");
  // The directory's membership names the new DN, and the group window finds the user by it.
  auto group = admin().GetObject(kPath + QStringLiteral("CN=Sales Team,OU=Sales,") + kDomainDn);
  ASSERT_TRUE(group);
  auto members = group->Members();
  ASSERT_TRUE(members);
  ASSERT_EQ(members->size(), 1);
  EXPECT_EQ(members->first().Name(), "CN=Jon Smyth");
  groups::Groupsfrm& g = groupWindow();
  for (int i = 1; i <= g.ListView1->count(); ++i)
    if (g.ListView1->text(i) == QLatin1String("Sales Team")) g.ListView1->setSelectedIndex(i);
  g.Group_Details_Click();
  EXPECT_EQ(texts(g.Members), QStringList{"Jon Smyth"});
  EXPECT_EQ(keys(g.Members), QStringList{newKey});
}

TEST_F(RenameAd, RefusalsLeaveTheAccountAndTheListsAsTheyWere) {
  struct Case {
    const char* field;  // objectName of the field typed
    const char* text;
    QString message;
    QString title;
  };
  const QString unique = QStringLiteral(
      "Error renaming user account\r\n\r\nCheck user logon name and pre windows 2000 names are Unique.");
  const QString logonTitle = QStringLiteral("Error renaming users logon names");
  const QString moveTitle = QStringLiteral("Error renaming user object in AD");
  const QList<Case> cases = {
      {"User_logon_name", "taken", unique, logonTitle},
      {"User_logon_name", "TAKEN", unique, logonTitle},
      {"Logon_Name_pre2000", "mary", unique, logonTitle},
      {"Full_Name", "Mary Major",
       "Error renaming user in AD\r\nCheck the names does not exist in the current OU", moveTitle},
      {"Logon_Name_pre2000", "j|smith", "Invalid Character in User Name: |", logonTitle},
      {"Logon_Name_pre2000", "averyveryverylongname", "User Name too long, max 20 Chrs: averyveryverylongname",
       logonTitle},
      {"Logon_Name_pre2000", "...", "A user name cannot be made of dots and blanks only.", logonTitle},
      {"User_logon_name", "j@smith", "The user logon name cannot hold \"@\".", logonTitle},
      {"Full_Name", "   ", "The full name (CN) cannot be empty.", moveTitle},
      {"Full_Name", "John\nSmith", "The full name (CN) cannot hold control characters.", moveTitle},
  };
  const QStringList before = account(kJohn);
  const QStringList lists = everyUserList();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + c.text);
    prompts.asked.clear();
    auto win = open();
    // Every field is typed into, so that a refusal found late would have written the others.
    win->First_Name->setText(QStringLiteral("Changed"));
    win->Display_Name->setText(QStringLiteral("Changed"));
    win->findChild<QLineEdit*>(QLatin1String(c.field))->setText(QString::fromUtf8(c.text));
    win->Command2_Click();
    EXPECT_NE(win->result(), QDialog::Accepted) << "the window stays open";
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].prompt, c.message);
    EXPECT_EQ(prompts.asked[0].title, c.title);
    EXPECT_EQ(prompts.asked[0].style, ui::kStyleCritical);
    EXPECT_EQ(account(kJohn), before);
    EXPECT_EQ(everyUserList(), lists);
    EXPECT_TRUE(lastRunLines().isEmpty()) << "Log.txt holds the run's header only";
  }
}

TEST_F(RenameAd, CancelWritesNothing) {
  const QStringList before = account(kJohn);
  const QStringList log = logLines();
  auto win = open();
  win->Full_Name->setText(QStringLiteral("Someone Else"));
  win->Command1_Click();
  EXPECT_EQ(win->result(), QDialog::Rejected);
  EXPECT_EQ(account(kJohn), before);
  EXPECT_EQ(logLines(), log);
}

// ---------------------------------------------------------------------------------------------
// Folders and shares, on the simulated network's file servers.

class RenameFolders : public RenameBase {
 protected:
  void SetUp() override {
    RenameBase::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    SIMNET_ONLY("the file servers are simulated");
    builder->forest("example.local", "EXAMPLE")
        .ou("example.local", "OU=Sales")
        .fileServer("FILESRV1", "example.local", "D")
        .fileServer("JSMITH", "example.local", "E")
        .user("example.local", "jsmith", UserSpec().in("OU=Sales").named("John Smith"))
        .user("example.local", "jsmith2", UserSpec().in("OU=Sales"));
    for (const char* f : {"Users\\jsmith\\a.txt", "Users\\jsmith\\Profile\\ntuser.dat", "Users\\jsmith\\jsmith\\p.dat",
                          "Users\\jsmith2\\b.txt", "Users\\xjsmith\\c.txt", "Users\\jsmith.old\\d.txt",
                          "Users\\Profiles\\jsmith\\ntuser.dat", "Profiles\\jsmith\\ntuser.dat",
                          "Profiles\\jsmithx\\ntuser.dat", "Profiles\\Default.MAN\\ntuser.man", "root.txt"})
      builder->file(QStringLiteral("\\\\FILESRV1\\D$\\") + QLatin1String(f), 10);
    builder->file(QStringLiteral("\\\\JSMITH\\E$\\Home\\jsmith\\Profile\\ntuser.dat"), 10)
        .file(QStringLiteral("\\\\JSMITH\\E$\\Home\\jsmith2\\e.txt"), 10)
        .share("FILESRV1", "Users", "D:\\Users")
        .share("FILESRV1", "Profiles", "D:\\Profiles")
        .share("FILESRV1", "DRoot", "D:\\")
        .share("FILESRV1", "jsmith", "D:\\Users\\jsmith")
        .share("FILESRV1", "jsmith2$", "D:\\Users\\jsmith2")
        .share("FILESRV1", "xjsmith", "D:\\Users\\xjsmith")
        .share("JSMITH", "Home", "E:\\Home");
    install();
    simnet::installPlatformLayers(net);
    ASSERT_TRUE(connect("example.local"));
    w->SamAccountName->setChecked(true);
    w->DisplayName->setChecked(true);
  }
  const QString john = kPath + QStringLiteral("CN=John Smith,OU=Sales,") + kDomainDn;

  void setPaths(const QString& home, const QString& profile) {
    auto u = admin().GetObject(john);
    ASSERT_TRUE(u);
    if (!home.isEmpty()) {
      ASSERT_TRUE(u->Put(QStringLiteral("HomeDirectory"), home));
    }
    if (!profile.isEmpty()) {
      ASSERT_TRUE(u->Put(QStringLiteral("Profile"), profile));
    }
    ASSERT_TRUE(u->SetInfo());
  }
  // Every file and folder of the servers, by path below the servers' folder.
  QMap<QString, QByteArray> serverTree() const {
    QMap<QString, QByteArray> out;
    const QString root = dir() + QStringLiteral("net/servers");
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
      const QString p = it.next();
      const QString rel = base.relativeFilePath(p);
      if (rel.contains(QLatin1String(".staging"))) continue;
      out.insert(rel, it.fileInfo().isDir() ? QByteArray("<dir>") : readAll(p));
    }
    return out;
  }
  QStringList shareTable() const {
    QStringList out;
    for (const char* s : {"FILESRV1", "JSMITH"}) {
      auto list = files::fileServers()->sharedFolders(QLatin1String(s));
      if (!list) continue;
      for (const files::SharedFolder& f : *list) out << QLatin1String(s) + u'/' + f.name + u'=' + f.drive + QStringLiteral(":\\") + f.components.join(u'\\');
    }
    out.sort();
    return out;
  }
  // `tree` with the folders renamed: each pair is (old prefix, new prefix) below the servers.
  static QMap<QString, QByteArray> renamed(const QMap<QString, QByteArray>& tree,
                                           const QList<QPair<QString, QString>>& moves) {
    QMap<QString, QByteArray> out;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
      QString path = it.key();
      for (const auto& m : moves)
        if (path == m.first || path.startsWith(m.first + u'/')) path = m.second + path.mid(m.first.size());
      out.insert(path, it.value());
    }
    return out;
  }
  // Renames jsmith's pre-Windows 2000 name to jdoe with the folders.
  void renameToJdoe() {
    w->Rename_Dir_Shr->setChecked(true);
    selectNode(node(john));
    groups::RenameUser win(*host);
    EXPECT_TRUE(win.ReNameSD->isChecked());
    win.Logon_Name_pre2000->setText(QStringLiteral("jdoe"));
    win.Command2_Click();
    EXPECT_EQ(win.result(), QDialog::Accepted);
  }
};

struct FolderCase {
  const char* name;
  const char* home;
  const char* profile;
  QList<QPair<QString, QString>> moves;  // folders renamed below the servers
  QStringList sharesGone, sharesNew;     // "SERVER/name=path"
  const char* home2;
  const char* profile2;
  QStringList rows;                      // on-screen rows of the run
};

void PrintTo(const FolderCase& c, std::ostream* os) {
  *os << c.name;
}

class RenameFolderMatrix : public RenameFolders, public testing::WithParamInterface<FolderCase> {};

TEST_P(RenameFolderMatrix, OnlyTheUsersOwnFoldersAndSharesChange) {
  const FolderCase& c = GetParam();
  setPaths(QLatin1String(c.home), QLatin1String(c.profile));
  const auto treeBefore = serverTree();
  const QStringList sharesBefore = shareTable();
  renameToJdoe();
  EXPECT_EQ(attr(john, "sAMAccountName"), "jdoe");
  EXPECT_EQ(attr(john, "homeDirectory"), QLatin1String(c.home2));
  EXPECT_EQ(attr(john, "profilePath"), QLatin1String(c.profile2));
  EXPECT_EQ(serverTree(), renamed(treeBefore, c.moves));
  QStringList shares = sharesBefore;
  for (const QString& s : c.sharesGone) EXPECT_TRUE(shares.removeOne(s)) << s.toStdString();
  shares << c.sharesNew;
  shares.sort();
  EXPECT_EQ(shareTable(), shares);
  EXPECT_EQ(screenRows(), c.rows);
  EXPECT_EQ(status(), "John Smith has been renamed");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RenameFolderMatrix,
    testing::Values(
        FolderCase{"HomeIsTheUsersShareWithTheProfileInside",
                   "\\\\FILESRV1\\jsmith",
                   "\\\\FILESRV1\\jsmith\\Profile",
                   {{"FILESRV1/D/Users/jsmith", "FILESRV1/D/Users/jdoe"}},
                   {"FILESRV1/jsmith=D:\\Users\\jsmith"},
                   {"FILESRV1/jdoe=D:\\Users\\jdoe"},
                   "\\\\FILESRV1\\jdoe",
                   "\\\\FILESRV1\\jdoe\\Profile",
                   {"YELLOWShare jdoe created with the default permissions (Everyone, Full Control)",
                    "GREEN Home Directory and Share renamed for jdoe"}},
        FolderCase{"HomeBelowACommonShareProfileOnAnother",
                   "\\\\FILESRV1\\Users\\jsmith",
                   "\\\\FILESRV1\\Profiles\\jsmith",
                   {{"FILESRV1/D/Users/jsmith", "FILESRV1/D/Users/jdoe"},
                    {"FILESRV1/D/Profiles/jsmith", "FILESRV1/D/Profiles/jdoe"}},
                   {},
                   {},
                   "\\\\FILESRV1\\Users\\jdoe",
                   "\\\\FILESRV1\\Profiles\\jdoe",
                   {"GREEN Home Directory and Share renamed for jdoe",
                    "GREEN Profile Directory and Share renamed for jdoe"}},
        FolderCase{"ProfileInsideTheHomeIsOnlyRewritten",
                   "\\\\FILESRV1\\Users\\jsmith",
                   "\\\\FILESRV1\\Users\\jsmith\\Profile",
                   {{"FILESRV1/D/Users/jsmith", "FILESRV1/D/Users/jdoe"}},
                   {},
                   {},
                   "\\\\FILESRV1\\Users\\jdoe",
                   "\\\\FILESRV1\\Users\\jdoe\\Profile",
                   {"GREEN Home Directory and Share renamed for jdoe"}},
        FolderCase{"ProfileFolderNamedLikeTheUserInsideTheHome",
                   "\\\\FILESRV1\\Users\\jsmith",
                   "\\\\FILESRV1\\Users\\jsmith\\jsmith",
                   {{"FILESRV1/D/Users/jsmith", "FILESRV1/D/Users/jdoe"}},
                   {},
                   {},
                   "\\\\FILESRV1\\Users\\jdoe",
                   "\\\\FILESRV1\\Users\\jdoe\\jsmith",
                   {"GREEN Home Directory and Share renamed for jdoe"}},
        FolderCase{"ServerNamedLikeTheUser",
                   "\\\\JSMITH\\Home\\jsmith",
                   "\\\\JSMITH\\Home\\jsmith\\Profile",
                   {{"JSMITH/E/Home/jsmith", "JSMITH/E/Home/jdoe"}},
                   {},
                   {},
                   "\\\\JSMITH\\Home\\jdoe",
                   "\\\\JSMITH\\Home\\jdoe\\Profile",
                   {"GREEN Home Directory and Share renamed for jdoe"}},
        FolderCase{"ProfileOnTheSameShareInAFolderOfItsOwn",
                   "\\\\FILESRV1\\Users\\jsmith",
                   "\\\\FILESRV1\\Users\\Profiles\\jsmith",
                   {{"FILESRV1/D/Users/jsmith", "FILESRV1/D/Users/jdoe"},
                    {"FILESRV1/D/Users/Profiles/jsmith", "FILESRV1/D/Users/Profiles/jdoe"}},
                   {},
                   {},
                   "\\\\FILESRV1\\Users\\jdoe",
                   "\\\\FILESRV1\\Users\\Profiles\\jdoe",
                   {"GREEN Home Directory and Share renamed for jdoe",
                    "GREEN Profile Directory and Share renamed for jdoe"}},
        FolderCase{"HomeMissingProfileInsideStays",
                   "\\\\FILESRV1\\Users\\nobody\\jsmith",
                   "\\\\FILESRV1\\Users\\nobody\\jsmith\\Profile",
                   {},
                   {},
                   {},
                   "\\\\FILESRV1\\Users\\nobody\\jsmith",
                   "\\\\FILESRV1\\Users\\nobody\\jsmith\\Profile",
                   {"RED Failed to find Home Dir"}}),
    [](const testing::TestParamInfo<FolderCase>& i) { return std::string(i.param.name); });

TEST_F(RenameFolders, AFailedFolderRenameLeavesTheServerAndThePathsAsTheyWere) {
  struct Case {
    const char* name;
    const char* home;
    std::function<void()> inject;
    std::function<void()> clear;
  };
  const QString blocker = QStringLiteral("\\\\FILESRV1\\D$\\Users\\jdoe");
  const QList<Case> cases = {
      {"the new name is taken on disk", "\\\\FILESRV1\\Users\\jsmith",
       [&] { ASSERT_TRUE(files::createDirectory(blocker)); },
       [&] { ASSERT_TRUE(files::deleteTree(*files::resolve(blocker)).status); }},
      {"the new share is refused", "\\\\FILESRV1\\jsmith",
       [&] { ASSERT_TRUE(net->refuseShareAdd(QStringLiteral("FILESRV1"))); },
       [&] { ASSERT_TRUE(net->refuseShareAdd(QStringLiteral("FILESRV1"), false)); }},
  };
  QString sam = QStringLiteral("jsmith");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    setPaths(QLatin1String(c.home), QStringLiteral("\\\\FILESRV1\\jsmith\\Profile"));
    c.inject();
    const auto treeBefore = serverTree();
    const QStringList sharesBefore = shareTable();
    w->ListView1->clear();
    renameToJdoe();
    EXPECT_EQ(serverTree(), treeBefore);
    EXPECT_EQ(shareTable(), sharesBefore);
    EXPECT_EQ(attr(john, "homeDirectory"), QLatin1String(c.home));
    EXPECT_EQ(attr(john, "profilePath"), "\\\\FILESRV1\\jsmith\\Profile");
    EXPECT_EQ(screenRows().value(0), "RED Failed to Rename Home directory and share for jdoe");
    EXPECT_TRUE(lastRunLines().contains(QStringLiteral("Failed to Rename Home Directory: ") + c.home));
    c.clear();
    // The account has its new names; back to the old one for the next case.
    auto u = admin().GetObject(john);
    ASSERT_TRUE(u);
    ASSERT_TRUE(u->Put(QStringLiteral("samAccountName"), sam));
    ASSERT_TRUE(u->SetInfo());
  }
}

// ---------------------------------------------------------------------------------------------
// The NT window.

class RenameNt : public RenameBase {
 protected:
  void SetUp() override {
    RenameBase::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    SIMNET_ONLY("an NT 4.0 domain");
    builder->forest("example.local", "EXAMPLE")
        .nt4Domain("OLDCORP")
        .fileServer("FILESRV1", "OLDCORP", "D")
        .user("OLDCORP", "jsmith")
        .user("OLDCORP", "rroe")
        .file(QStringLiteral("\\\\FILESRV1\\D$\\Users\\jsmith\\a.txt"), 10)
        .file(QStringLiteral("\\\\FILESRV1\\D$\\Users\\jsmith2\\b.txt"), 10)
        .file(QStringLiteral("\\\\FILESRV1\\D$\\Profiles\\jsmith\\ntuser.dat"), 10)
        .share("FILESRV1", "Users", "D:\\Users")
        .share("FILESRV1", "DRoot", "D:\\")
        .share("FILESRV1", "jsmith$", "D:\\Users\\jsmith")
        .share("FILESRV1", "Profiles", "D:\\Profiles");
    install();
    simnet::installPlatformLayers(net);
    {
      auto u = admin().GetObject(QStringLiteral("WinNT://OLDCORP/jsmith"));
      ASSERT_TRUE(u);
      ASSERT_TRUE(u->Put(QStringLiteral("FullName"), QStringLiteral("John Smith")));
      ASSERT_TRUE(u->SetInfo());
    }
    ASSERT_TRUE(connect("OLDCORP"));
    groupWindow();
  }
  std::unique_ptr<groups::Rename_NT> open() {
    selectNode(nodeByText(QStringLiteral("jsmith")));
    return std::make_unique<groups::Rename_NT>(*host);
  }
  QString ntAttr(const QString& account, const QString& name) {
    return attr(QStringLiteral("WinNT://OLDCORP/") + account, name);
  }
};

TEST_F(RenameNt, RenamesTheAccountItsFoldersAndEveryList) {
  {
    auto u = admin().GetObject(QStringLiteral("WinNT://OLDCORP/jsmith"));
    ASSERT_TRUE(u);
    ASSERT_TRUE(u->Put(QStringLiteral("HomeDirectory"), QStringLiteral("\\\\FILESRV1\\jsmith$")));
    ASSERT_TRUE(u->Put(QStringLiteral("Profile"), QStringLiteral("\\\\FILESRV1\\Profiles\\jsmith")));
    ASSERT_TRUE(u->SetInfo());
  }
  w->Rename_Dir_Shr->setChecked(true);
  auto win = open();
  EXPECT_EQ(win->User_Logon->text(), "jsmith");
  EXPECT_EQ(win->Full_Name->text(), "John Smith");
  EXPECT_TRUE(win->RenameDir->isChecked());
  win->User_Logon->setText(QStringLiteral(" jdoe "));
  win->OKButton_Click();
  EXPECT_EQ(win->result(), QDialog::Accepted);
  EXPECT_EQ(ntAttr("jdoe", "HomeDirectory"), "\\\\FILESRV1\\jdoe$");
  EXPECT_EQ(ntAttr("jdoe", "Profile"), "\\\\FILESRV1\\Profiles\\jdoe");
  EXPECT_EQ(ntAttr("jsmith", "Name"), "<no object>");
  EXPECT_TRUE(nodeByText(QStringLiteral("jdoe")));
  EXPECT_TRUE(bulk::catalogue().users.texts().contains(QStringLiteral("jdoe")));
  EXPECT_FALSE(bulk::catalogue().users.texts().contains(QStringLiteral("jsmith")));
  EXPECT_TRUE(texts(groupWindow().NotMembers).contains(QStringLiteral("jdoe")));
  EXPECT_FALSE(texts(groupWindow().NotMembers).contains(QStringLiteral("jsmith")));
  EXPECT_EQ(status(), "jsmith has been renamed");
  EXPECT_EQ(screenRows(), (QStringList{"GREEN jsmith renamed to jdoe",
                                       "YELLOWShare jdoe$ created with the default permissions (Everyone, Full Control)",
                                       "GREEN Home Directory and Share renamed for jdoe",
                                       "GREEN Profile Directory and Share renamed for jdoe"}));
  const QStringList lines = lastRunLines();
  EXPECT_EQ(lines.value(0), "Rename User jsmith to jdoe");
  EXPECT_TRUE(lines.contains(QStringLiteral("Renamed Home Directory: \\\\FILESRV1\\jsmith$")));
  EXPECT_TRUE(lines.contains(QStringLiteral("Renamed profile Dir :\\\\FILESRV1\\Profiles\\jsmith")));
  EXPECT_TRUE(resources::Dir_Exists(QStringLiteral("\\\\FILESRV1\\D$\\Users\\jsmith2")));
}

TEST_F(RenameNt, InvalidNamesChangeNothing) {
  struct Case {
    const char* typed;
    QStringList lines;  // after "Rename User ..."
    const char* status;
  };
  const QList<Case> cases = {
      {"j|s=mith", {"Invalid Character in User Name: |", "Invalid Character in User Name: ="},
       "Invalid Character in User Name: ="},
      {"a+b", {"Invalid Character in User Name: +"}, "Invalid Character in User Name: +"},
      {"abcdefghijklmnopqrstu", {"User Name too long, max 20 Chrs: abcdefghijklmnopqrstu"},
       "User Name too long, max 20 Chrs: abcdefghijklmnopqrstu"},
      {". .", {"A user name cannot be made of dots and blanks only."},
       "A user name cannot be made of dots and blanks only."},
      {"   ", {"The user name is empty."}, "The user name is empty."},
  };
  const QStringList lists = everyUserList();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    w->ListView1->clear();
    auto win = open();
    win->User_Logon->setText(QString::fromLatin1(c.typed));
    win->Full_Name->setText(QStringLiteral("Changed"));
    win->OKButton_Click();
    EXPECT_EQ(win->result(), QDialog::Accepted) << "the window closes";
    EXPECT_EQ(status(), QLatin1String(c.status));
    EXPECT_EQ(lastRunLines(), QStringList{QStringLiteral("Rename User jsmith to ") + QString::fromLatin1(c.typed).trimmed()} + c.lines);
    EXPECT_EQ(screenRows(), QStringList{"RED Error Renaming jsmith"});
    EXPECT_EQ(ntAttr("jsmith", "FullName"), "John Smith") << "nor is the full name saved";
    EXPECT_EQ(everyUserList(), lists);
  }
  // A dot inside a name is allowed.
  auto win = open();
  win->User_Logon->setText(QStringLiteral("j.smith"));
  win->OKButton_Click();
  EXPECT_EQ(ntAttr("j.smith", "Name"), "j.smith");
}

TEST_F(RenameNt, ATakenNameFailsAndChangesNothing) {
  const QStringList lists = everyUserList();
  auto win = open();
  win->User_Logon->setText(QStringLiteral("rroe"));
  win->OKButton_Click();
  EXPECT_EQ(win->result(), QDialog::Accepted);
  EXPECT_EQ(status(), "Error renaming jsmith");
  const QStringList lines = lastRunLines();
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[1], "Error Renaming User");
  EXPECT_TRUE(lines[2].startsWith(QLatin1String("Error Number: -")));
  EXPECT_EQ(screenRows(), QStringList{"RED Error Renaming jsmith"});
  EXPECT_EQ(everyUserList(), lists);
  EXPECT_EQ(ntAttr("jsmith", "Name"), "jsmith");
}

TEST_F(RenameNt, TheFullNameAloneSaysSo) {
  auto win = open();
  win->Full_Name->setText(QStringLiteral("Johnathan Smith"));
  win->OKButton_Click();
  EXPECT_EQ(win->result(), QDialog::Accepted);
  EXPECT_EQ(ntAttr("jsmith", "FullName"), "Johnathan Smith");
  EXPECT_EQ(status(), "Full name changed");
  EXPECT_TRUE(logLines().isEmpty());
  EXPECT_TRUE(screenRows().isEmpty());
  // No edit at all closes the window with nothing written; an emptied name keeps it open.
  auto again = open();
  again->OKButton_Click();
  EXPECT_EQ(again->result(), QDialog::Accepted);
  auto empty = open();
  empty->User_Logon->clear();
  empty->OKButton_Click();
  EXPECT_NE(empty->result(), QDialog::Accepted);
  EXPECT_TRUE(logLines().isEmpty());
}

// ---------------------------------------------------------------------------------------------
// The popup item.

TEST_F(RenameAd, PopupItemSevenOpensTheWindowOfTheMode) {
  QStringList shown;
  w->Rename_Shower = [&](QDialog& d) { shown << d.objectName() + u' ' + d.windowTitle(); };
  w->resize(1100, 760);
  w->show();
  w->TreeView1->expandAll();
  QApplication::processEvents();
  const auto renameEnabledOn = [&](QTreeWidgetItem* n) {
    bool enabled = false;
    w->Popup_Shower = [&] { enabled = w->mnupopup[7]->isEnabled(); };
    w->TreeView1->scrollToItem(n);
    w->TreeView1_MouseDown(Qt::RightButton, w->TreeView1->visualItemRect(n).center());
    return enabled;
  };
  EXPECT_TRUE(renameEnabledOn(node(kJohn)));
  EXPECT_FALSE(renameEnabledOn(node(QStringLiteral("OU=Sales,") + kDomainDn)));
  w->TreeView1->setCurrentItem(node(kJohn));
  w->mnupopup_Click(7);
  state::shared().Directory_Mode = 2;
  w->mnupopup_Click(7);
  state::shared().Directory_Mode = 0;
  EXPECT_EQ(shown, (QStringList{"RenameUser Rename User", "Rename_NT Rename NT 4.0 User"}));
}

}  // namespace
}  // namespace tavrel::test
