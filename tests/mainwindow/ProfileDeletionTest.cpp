// Deleting a user's profile hive from the tree: the hive paths and refusal rules, and the
// deletion itself on a file server that also holds a common share, a share on a drive root and
// other users' look-alike folders, compared whole before and after.

#include "DomainFixture.h"

#include "mainwindow/ProfileHive.h"
#include "mainwindow/WKS_PROFILE.h"
#include "platform/files/FileServers.h"
#include "platform/simnet/Resources.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QTimer>

using namespace tavrel;
using mainwindow::WKS_PROFILE;
using simnet::UserSpec;

namespace {

TEST(ProfileHive, WorkstationHivePaths) {
  struct Case {
    const char* workstation;
    bool nt4;
    const char* expected;
  } cases[] = {
      {"WS01", true, "\\\\WS01\\admin$\\profiles\\jsmith\\NTUser.dat"},
      {"\\\\WS01", true, "\\\\WS01\\admin$\\profiles\\jsmith\\NTUser.dat"},
      {"WS01", false, "\\\\WS01\\c$\\Documents and Settings\\jsmith\\NTUser.dat"},
      {"\\\\WS01", false, "\\\\WS01\\c$\\Documents and Settings\\jsmith\\NTUser.dat"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mainwindow::workstationHivePath(c.workstation, c.nt4, "jsmith", "NTUser.dat"), c.expected)
        << c.workstation << " nt4=" << c.nt4;
  EXPECT_EQ(mainwindow::workstationHivePath("WS01", false, "jsmith", "User.hiv"),
            "\\\\WS01\\c$\\Documents and Settings\\jsmith\\User.hiv");
}

TEST(ProfileHive, ServerHivePathAddsOneSeparator) {
  EXPECT_EQ(mainwindow::serverHivePath("\\\\FS1\\Profiles$\\jsmith", "NTUser.dat"),
            "\\\\FS1\\Profiles$\\jsmith\\NTUser.dat");
  EXPECT_EQ(mainwindow::serverHivePath("\\\\FS1\\Profiles$\\jsmith\\", "NTUser.dat"),
            "\\\\FS1\\Profiles$\\jsmith\\NTUser.dat");
}

TEST(ProfileHive, RefusalRules) {
  struct Case {
    const char* path;
    const char* refusal;  // nullptr: may be deleted
  } cases[] = {
      {"\\\\FS1\\Profiles$\\default.man", "Unable to Delete Mandatory Profiles"},
      {"\\\\FS1\\Profiles$\\Default.MAN", "Unable to Delete Mandatory Profiles"},
      {"\\\\FS1\\Profiles$\\Sales.Man", "Unable to Delete Mandatory Profiles"},
      {"\\\\FS1\\netlogon\\jsmith", "Unable to Delete Profile from Netlogon Directory..."},
      {"\\\\FS1\\NETLOGON\\jsmith", "Unable to Delete Profile from Netlogon Directory..."},
      {"%logonserver%\\Profiles\\jsmith", "Unable to Delete Profile from %LOGONSERVER% ..."},
      {"", "User Does not have a profile Path Set..."},
      {"   ", "User Does not have a profile Path Set..."},
      {"\\\\FS1\\Profiles$\\jsmith", nullptr},
      {"\\\\FS1\\Profiles$\\manfred", nullptr},
      {"\\\\FS1\\Profiles$\\jsmith.mandy", nullptr},
  };
  for (const Case& c : cases) {
    const auto r = mainwindow::serverProfileRefusal(c.path);
    if (c.refusal)
      EXPECT_EQ(r.value_or("<allowed>"), c.refusal) << c.path;
    else
      EXPECT_FALSE(r.has_value()) << c.path;
  }
}

TEST(ProfileHive, WorkstationNames) {
  for (const char* good : {"WS01", "\\\\WS01", "ws-01.example.local"})
    EXPECT_TRUE(mainwindow::validWorkstationName(good)) << good;
  for (const char* bad : {"", "\\\\", " ", "WS01\\C$", "..", "WS01/x", " WS01"})
    EXPECT_FALSE(mainwindow::validWorkstationName(bad)) << bad;
}

class ProfileDeletion : public test::DomainFixture {
 protected:
  void SetUp() override {
    DomainFixture::SetUp();
    if (test::onTestDc()) GTEST_SKIP() << "the file servers exist only on the simulated network";
    state::shared().Profile_Hive_Name = QStringLiteral("NTUser.dat");
  }
  void TearDown() override {
    files::setFileServers(nullptr);
    DomainFixture::TearDown();
  }

  static UserSpec profiled(const QString& cn, const QString& profile) {
    UserSpec s = UserSpec().in("OU=Sales").named(cn);
    if (!profile.isEmpty()) s.with("profilePath", profile);
    return s;
  }

  // FS1: D:\Profiles shared as Profiles$ (alice, her look-alikes and a mandatory profile),
  // D:\Public shared as Public, drive E shared whole as Data, and NETLOGON. WS01 and WS02 are
  // workstations with local profiles of alice and her look-alikes.
  void adDomain() {
    builder->forest("example.local", "EXAMPLE")
        .ou("example.local", "OU=Sales")
        .user("example.local", "alice", profiled("Alice Archer", "\\\\FS1\\Profiles$\\alice"))
        .user("example.local", "bob", profiled("Bob Baker", "\\\\FS1\\Profiles$\\Sales.MAN"))
        .user("example.local", "carol", profiled("carol", "\\\\FS1\\netlogon\\carol"))
        .user("example.local", "dave", profiled("dave", ""))
        .user("example.local", "erin", profiled("erin", "\\\\FS1\\Data"))
        .user("example.local", "frank", profiled("frank", "\\\\FS1\\Profiles$\\frank"))
        .user("example.local", "gina", profiled("gina", "\\\\FS1\\Profiles$\\gina"))
        .fileServer("FS1", "example.local", "DE")
        .file("\\\\FS1\\D$\\Profiles\\alice\\NTUser.dat", 40)
        .file("\\\\FS1\\D$\\Profiles\\alice\\Desktop\\notes.txt", 5)
        .file("\\\\FS1\\D$\\Profiles\\alice2\\NTUser.dat", 41)
        .file("\\\\FS1\\D$\\Profiles\\alice.old\\NTUser.dat", 42)
        .file("\\\\FS1\\D$\\Profiles\\Sales.MAN\\NTUser.dat", 43)
        .file("\\\\FS1\\D$\\Profiles\\NTUser.dat", 44)
        .folder("\\\\FS1\\D$\\Profiles\\frank\\NTUser.dat\\inside")
        .file("\\\\FS1\\D$\\Public\\NTUser.dat", 45)
        .file("\\\\FS1\\D$\\Netlogon\\carol\\NTUser.dat", 46)
        .file("\\\\FS1\\E$\\NTUser.dat", 47)
        .file("\\\\FS1\\E$\\alice\\NTUser.dat", 48)
        .share("FS1", "Profiles$", "D:\\Profiles")
        .share("FS1", "Public", "D:\\Public")
        .share("FS1", "Data", "E:\\")
        .share("FS1", "NETLOGON", "D:\\Netlogon")
        .fileServer("WS01", "example.local", "C")
        .file("\\\\WS01\\C$\\Documents and Settings\\alice\\NTUser.dat", 50)
        .file("\\\\WS01\\C$\\Documents and Settings\\alice\\Local Settings\\x.dat", 51)
        .file("\\\\WS01\\C$\\Documents and Settings\\Alice Archer\\NTUser.dat", 52)
        .file("\\\\WS01\\C$\\Documents and Settings\\alice2\\NTUser.dat", 53)
        .fileServer("WS02", "example.local", "C")
        .file("\\\\WS02\\C$\\WINNT\\Profiles\\alice\\NTUser.dat", 54)
        .file("\\\\WS02\\C$\\WINNT\\Profiles\\alice.old\\NTUser.dat", 55)
        .share("WS02", "ADMIN$", "C:\\WINNT");
    install();
    simnet::installPlatformLayers(net);
    ASSERT_TRUE(connect("example.local"));
  }

  // Every folder and file of the file servers, a file with a digest of its bytes.
  QMap<QString, QString> servers() const {
    QMap<QString, QString> out;
    const QString root = dir() + "net/servers";
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
      const QString p = it.next();
      out.insert(base.relativeFilePath(p),
                 it.fileInfo().isDir()
                     ? QStringLiteral("<dir>")
                     : QString::fromLatin1(
                           QCryptographicHash::hash(test::readAll(p), QCryptographicHash::Sha1).toHex()));
    }
    return out;
  }
  static QString local(const char* server, const char* drive, const char* below) {
    return QStringLiteral("%1/%2/%3").arg(server, drive, below);
  }

  void selectUser(const QString& cn) {
    for (QTreeWidgetItem* n : nodesWithImage("USER"))
      if (keyOf(n).contains("CN=" + cn + ",")) return w->TreeView1->setCurrentItem(n);
    FAIL() << "no user node " << cn.toStdString();
  }

  // The next WKS_PROFILE opened is filled by `fill` (nullptr: closed by its frame).
  void answerWorkstation(std::function<void(WKS_PROFILE&)> fill) {
    QTimer::singleShot(0, [fill] {
      auto* d = qobject_cast<WKS_PROFILE*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      EXPECT_TRUE(d->WKS_NAME1->text().isEmpty());
      EXPECT_TRUE(d->W2K->isChecked());
      if (fill)
        fill(*d);
      else
        d->close();
    });
  }
  static std::function<void(WKS_PROFILE&)> typed(const QString& name, bool nt4) {
    return [name, nt4](WKS_PROFILE& d) {
      d.WKS_NAME1->setText(name);
      (nt4 ? d.NT40 : d.W2K)->setChecked(true);
      d.OKButton->click();
    };
  }
};

TEST_F(ProfileDeletion, ServerProfileDeletesOnlyTheUsersHive) {
  adDomain();
  const auto before = servers();
  selectUser("Alice Archer");
  w->Delete_Server_Profile();
  EXPECT_EQ(status(), "Profile Deleted.");
  auto expected = before;
  expected.remove(local("FS1", "D", "Profiles/alice/NTUser.dat"));
  EXPECT_EQ(servers(), expected);
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].title, "Confirm File Delete");
}

TEST_F(ProfileDeletion, BothItemsThroughThePopup) {
  adDomain();
  auto expected = servers();
  selectUser("Alice Archer");
  w->mnupopup_Click(9);
  EXPECT_EQ(status(), "Profile Deleted.");
  answerWorkstation(typed("WS01", false));
  w->mnupopup_Click(10);
  EXPECT_EQ(status(), "Ready.");
  expected.remove(local("FS1", "D", "Profiles/alice/NTUser.dat"));
  expected.remove(local("WS01", "C", "Documents and Settings/alice/NTUser.dat"));
  EXPECT_EQ(servers(), expected);
}

TEST_F(ProfileDeletion, ServerProfileRefusalsDeleteNothing) {
  adDomain();
  const auto before = servers();
  struct Case {
    const char* cn;
    const char* status;
  } cases[] = {
      {"Bob Baker", "Unable to Delete Mandatory Profiles"},
      {"carol", "Unable to Delete Profile from Netlogon Directory..."},
      {"dave", "User Does not have a profile Path Set..."},
      {"frank", "\\\\FS1\\Profiles$\\frank\\NTUser.dat is a folder, not a profile hive."},
      {"gina", "Profile Not found \\\\FS1\\Profiles$\\gina\\NTUser.dat"},
  };
  for (const Case& c : cases) {
    beeps.resetBeeps();
    selectUser(c.cn);
    w->Delete_Server_Profile();
    EXPECT_EQ(status(), c.status) << c.cn;
    EXPECT_EQ(beeps.beeps(), 1) << c.cn;
  }
  EXPECT_EQ(servers(), before);
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(ProfileDeletion, AHiveNameThatIsNoFileNameIsRefused) {
  adDomain();
  const auto before = servers();
  selectUser("Alice Archer");
  for (const char* hive : {"..", "x\\NTUser.dat", "a/b"}) {
    state::shared().Profile_Hive_Name = hive;
    w->Delete_Server_Profile();
    EXPECT_TRUE(status().startsWith("The profile hive name")) << hive << status().toStdString();
  }
  EXPECT_EQ(servers(), before);
}

TEST_F(ProfileDeletion, ADeclinedConfirmationKeepsTheHive) {
  adDomain();
  prompts.answer(ui::MsgBoxResult::No);
  const auto before = servers();
  selectUser("Alice Archer");
  w->Delete_Server_Profile();
  EXPECT_EQ(status(), "Ready.");
  EXPECT_EQ(servers(), before);
}

TEST_F(ProfileDeletion, AUserGoneFromTheDirectoryIsAnErrorAndDeletesNothing) {
  adDomain();
  const auto before = servers();
  selectUser("Alice Archer");
  auto sales = admin().GetObject("LDAP://example.local/OU=Sales,DC=example,DC=local");
  ASSERT_TRUE(sales.ok());
  ASSERT_TRUE(sales->Delete("user", "CN=Alice Archer").ok());
  w->StatusBar1->setPanelText(1, "untouched");
  w->Delete_Server_Profile();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Error Deleting ");
  EXPECT_EQ(status(), "untouched");
  EXPECT_EQ(servers(), before);
}

TEST_F(ProfileDeletion, ProfileOnAShareOfADriveRootDeletesOnlyItsHive) {
  adDomain();
  const auto before = servers();
  selectUser("erin");
  w->Delete_Server_Profile();
  EXPECT_EQ(status(), "Profile Deleted.");
  auto expected = before;
  expected.remove(local("FS1", "E", "NTUser.dat"));
  EXPECT_EQ(servers(), expected);
}

TEST_F(ProfileDeletion, WorkstationProfileUsesTheLogonName) {
  adDomain();
  struct Case {
    const char* typed;
    bool nt4;
    QString removed;
  } cases[] = {
      {"WS01", false, local("WS01", "C", "Documents and Settings/alice/NTUser.dat")},
      {"\\\\WS02", true, local("WS02", "C", "WINNT/Profiles/alice/NTUser.dat")},
  };
  for (const Case& c : cases) {
    const auto before = servers();
    selectUser("Alice Archer");
    answerWorkstation(typed(c.typed, c.nt4));
    w->Delete_Workstation_Profile();
    EXPECT_EQ(status(), "Ready.") << c.typed;
    auto expected = before;
    ASSERT_TRUE(expected.remove(c.removed)) << c.removed.toStdString();
    EXPECT_EQ(servers(), expected) << c.typed;
  }
}

TEST_F(ProfileDeletion, WorkstationRefusalsAndCancelsDeleteNothing) {
  adDomain();
  const auto before = servers();
  selectUser("Alice Archer");

  w->StatusBar1->setPanelText(1, "untouched");
  answerWorkstation([](WKS_PROFILE& d) {
    d.WKS_NAME1->setText("WS01");
    d.CancelButton->click();
  });
  w->Delete_Workstation_Profile();
  EXPECT_EQ(status(), "untouched");
  EXPECT_TRUE(WKS_PROFILE::Workstation_Path.isEmpty());
  answerWorkstation(typed("", true));
  w->Delete_Workstation_Profile();
  EXPECT_EQ(status(), "untouched");

  // A deletion leaves the full hive path behind; closing the next dialog by its frame is Cancel
  // and does not reuse it.
  prompts.answer(ui::MsgBoxResult::No);
  answerWorkstation(typed("WS01", false));
  w->Delete_Workstation_Profile();
  EXPECT_TRUE(WKS_PROFILE::Workstation_Path.endsWith("NTUser.dat"));
  w->StatusBar1->setPanelText(1, "untouched");
  answerWorkstation(nullptr);
  w->Delete_Workstation_Profile();
  EXPECT_EQ(status(), "untouched");
  EXPECT_TRUE(WKS_PROFILE::Workstation_Path.isEmpty());

  answerWorkstation(typed("WS01\\C$\\Documents and Settings", false));
  w->Delete_Workstation_Profile();
  EXPECT_TRUE(status().contains("is not a workstation name")) << status().toStdString();

  selectUser("gina");
  answerWorkstation(typed("WS01", true));
  w->Delete_Workstation_Profile();
  EXPECT_EQ(status(), "Unable to find \\\\WS01\\admin$\\profiles\\gina\\NTUser.dat ...");
  EXPECT_EQ(servers(), before);
}

TEST_F(ProfileDeletion, NtWorkstationProfileUsesTheAccountName) {
  builder->forest("example.local", "EXAMPLE")
      .nt4Domain("OLDCORP")
      .user("OLDCORP", "jdoe", UserSpec().with("profilePath", "\\\\FS1\\Profiles$\\jdoe"))
      .fileServer("FS1", "example.local", "D")
      .file("\\\\FS1\\D$\\Profiles\\jdoe\\NTUser.dat", 10)
      .file("\\\\FS1\\D$\\Profiles\\jdoe2\\NTUser.dat", 11)
      .share("FS1", "Profiles$", "D:\\Profiles")
      .fileServer("WS01", "example.local", "C")
      .file("\\\\WS01\\C$\\Documents and Settings\\jdoe\\NTUser.dat", 12)
      .file("\\\\WS01\\C$\\Documents and Settings\\jdoe.OLDCORP\\NTUser.dat", 13);
  install();
  simnet::installPlatformLayers(net);
  ASSERT_TRUE(connect("OLDCORP"));
  QTreeWidgetItem* root = w->TreeView1->topLevelItem(0);
  QTreeWidgetItem* jdoe = nullptr;
  for (int i = 0; root && i < root->childCount(); ++i)
    if (root->child(i)->text(0) == "jdoe") jdoe = root->child(i);
  ASSERT_NE(jdoe, nullptr);
  w->TreeView1->setCurrentItem(jdoe);

  auto before = servers();
  w->Delete_Server_Profile();
  EXPECT_EQ(status(), "Profile Deleted.");
  before.remove(local("FS1", "D", "Profiles/jdoe/NTUser.dat"));
  EXPECT_EQ(servers(), before);

  answerWorkstation(typed("WS01", false));
  w->Delete_Workstation_Profile();
  EXPECT_EQ(status(), "Ready.");
  before.remove(local("WS01", "C", "Documents and Settings/jdoe/NTUser.dat"));
  EXPECT_EQ(servers(), before);
}

}  // namespace
