// Creating a user through the New User tab: the checks, the ID and its retries, the Log.txt block,
// the folders, the account in Active Directory (native and mixed) and NT 4.0, its groups, primary
// group and tree node, and the failures, on small simulated networks.

#include "CreationFixture.h"

#include "support/CreationRecords.h"

#include "app/FirstStart.h"

#include "directory/DirectoryService.h"
#include "directory/GroupMembership.h"
#include "platform/exchange/Exchange55.h"
#include "platform/files/FileSystem.h"
#include "platform/netapi/NetApi.h"
#include "platform/security/AccountLookup.h"
#include "platform/security/FileSecurity.h"
#include "platform/simnet/Exchange55.h"
#include "platform/simnet/Resources.h"
#include "records/DatabaseFolder.h"
#include "records/Records.h"
#include "ui/LongOperation.h"

#include <QProgressBar>
#include <QRegularExpression>

using namespace tavrel;

namespace {

const QString kDomainDn = QStringLiteral("DC=example,DC=local");
const QString kStaff = QStringLiteral("OU=Staff,") + kDomainDn;

class CreateUser : public test::CreationFixture {
 protected:
  // The network: example.local (or branch.example.local mixed, or the NT domain OLDCORP), a file
  // server FS1 with D:\Users and D:\Profiles, two groups and one existing user.
  void network(Mode mode) {
    if (!domain(mode)) return;
    const QString in = mode == Mode::Nt ? QString() : QStringLiteral("OU=Staff");
    builder->group(domain_, "Teachers", mode == Mode::Nt ? simnet::GroupSpec() : simnet::GroupSpec().in(in))
        .group(domain_, "Printing")
        .user(domain_, "jbloggs", mode == Mode::Nt ? simnet::UserSpec() : simnet::UserSpec().in(in))
        .member(domain_, "Teachers", "jbloggs");
    install();
    // The file server FS1 with D:\Users and D:\Profiles.
    simnet::NetworkBuilder& fs = fileServers();
    fs.fileServer("FS1", mode == Mode::Nt ? "OLDCORP" : "example.local", "D")
        .folder("\\\\FS1\\D$\\Users")
        .folder("\\\\FS1\\D$\\Profiles");
    installFileServers(fs);
    // The template and the site.
    const records::Template_Record t = test::staffTemplate({"Teachers", "Printing", "Domain Users"});
    const records::Site_Record site = test::mainSite();
    ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
    ASSERT_TRUE(test::writeAll(db() + "Site.dat", site.encode()));
    windowDefaults();
    for (QCheckBox* b : {w->Create_Dirs, w->Create_User_Account}) b->setChecked(true);
    if (mode != Mode::Nt) selectNode(kStaff);
  }

  // The Exchange 5.5 server EXCH55 (organisation Example, site Head Office) administered by
  // EXAMPLE\exadmin and named by the site, the mail rows a mailbox needs, and the mailbox step
  // switched on; the window's Exchange administrator is `admin` with `password`.
  void exchange55(const QString& admin, const QString& password) {
    auto exch = simnet::installExchange55(net);
    ASSERT_TRUE(exch->addServer({"EXCH55", "example.local", "Example", "Head Office", 389, {"EXAMPLE\\exadmin"}}));
    // Loading the site would empty Exchange fields typed into the window: the site holds them.
    records::Site_Record site = test::mainSite();
    site.ExchangeServer = "EXCH55";
    site.ExchSite = "Head Office";
    site.ExchOrg = "Example";
    ASSERT_TRUE(test::writeAll(db() + "Site.dat", site.encode()));
    w->EXH5[0]->setChecked(true);
    w->txtAdmin->setText(admin);
    w->txtPassword->setText(password);
    w->ListView8->clear();
    w->ListView8->add("TARGET-ADDRESS", {}, {});
    w->ListView8->setSubItem(1, 1, "SMTP:%first%.%last%@example.com");
    w->ListView8->add("CONTAINER", {}, {});
    w->ListView8->setSubItem(2, 1, "Recipients");
    w->Create_Mail_Account->setChecked(true);
  }

};

TEST_F(CreateUser, ActiveDirectoryUserWithFoldersGroupsAndPrimaryGroup) {
  network(Mode::Native);
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_EQ(lastColour(), "GREEN");
  EXPECT_EQ(w->UserAccount->text(), "Completed");
  EXPECT_EQ(w->Createdirs->text(), "Completed");
  EXPECT_EQ(w->ProgressBar1->value(), 100);
  EXPECT_EQ(w->strFirst->text(), "John") << "names capitalised";

  EXPECT_TRUE(files::exists("\\\\FS1\\D$\\Users\\JSmith"));
  EXPECT_TRUE(files::exists("\\\\FS1\\D$\\Profiles\\JSmith"));

  auto user = admin().GetObject("LDAP://CN=JSmith," + kStaff);
  ASSERT_TRUE(user.ok()) << user.error().message.toStdString();
  EXPECT_EQ(user->Get("sAMAccountName")->toString(), "JSmith");
  EXPECT_EQ(user->Get("displayName")->toString(), "John Smith");
  EXPECT_EQ(user->Get("givenName")->toString(), "John");
  EXPECT_EQ(user->Get("homeDirectory")->toString(), "\\\\FS1\\JSmith");
  EXPECT_EQ(user->Get("homeDrive")->toString(), "H:");
  EXPECT_EQ(user->Get("scriptPath")->toString(), "staff.bat");
  EXPECT_EQ(user->Get("AccountDisabled")->toBool(), false);

  auto printing = admin().GetObject("LDAP://CN=Printing,CN=Users," + kDomainDn);
  ASSERT_TRUE(printing.ok());
  EXPECT_TRUE(printing->IsMember(user->ADsPath()).value());
  auto rid = directory::Get_Group_RID_W2K("LDAP://CN=Teachers," + kStaff);
  ASSERT_TRUE(rid.ok());
  EXPECT_EQ(user->Get("primaryGroupID")->toInt(), *rid) << "the template's primary group";

  const QStringList block = logBlock();
  EXPECT_EQ(block.mid(0, 5), (QStringList{QString(41, u'*'), "<date>", "Creating User:JSmith", "Site: " + QStringLiteral("Main").leftJustified(20),
                                          "Template: " + QStringLiteral("Staff").leftJustified(25)}));
  EXPECT_TRUE(block.contains("Created Home Directory: \\\\FS1\\D$\\Users\\JSmith"));
  EXPECT_TRUE(block.contains("NT User Account Created"));
  EXPECT_TRUE(block.contains("Adding User to Groups"));
  EXPECT_EQ(block.last(), "User Created.");
  for (const QString& l : block) EXPECT_FALSE(l.contains("Start-Pw1")) << "no password in Log.txt";

  // The new user is in the tree under its OU.
  QTreeWidgetItem* staff = node(kStaff);
  EXPECT_TRUE(childTexts(staff).contains("John Smith"));
  // And in the bulk window's users and the group window's non-members.
  EXPECT_TRUE(texts(bulkWindow().ListView2).contains("John Smith"));
  EXPECT_TRUE(texts(groupWindow().NotMembers).contains("JSmith"));
}

// Each creation reads the template and the site anew unless their files are as they were: an edit
// between two users applies to the second, whether the file was replaced or written over in place
// with its size and times kept (two saves within one tick of the file system's clock).
TEST_F(CreateUser, ATemplateOrSiteEditedBetweenTwoCreationsAppliesToTheSecond) {
  const std::pair<const char*, bool (*)(const QString&, const QByteArray&)> writers[] = {
      {"replaced", &test::writeAll}, {"in place, times kept", &test::overwriteKeepingTimes}};
  for (const auto& [how, write] : writers) {
    SCOPED_TRACE(how);
    restart();
    network(Mode::Native);
    names("ann", "first");
    w->CreateUser_Click();
    ASSERT_EQ(lastColour(), "GREEN");
    EXPECT_EQ(state::shared().Current_Site.HomeServer.trimmed(), "FS1");
    records::Template_Record t = test::staffTemplate({"Teachers", "Printing", "Domain Users"});
    t.LogonScript = "other.bat";
    records::Site_Record site = test::mainSite();
    site.ExchOrg = "Changed";
    ASSERT_TRUE(write(db() + "Template.dat", t.encode()));
    ASSERT_TRUE(write(db() + "Site.dat", site.encode()));
    w->nutemplate->setCurrentIndex(0);
    w->NUsitename->setCurrentIndex(0);
    names("bob", "second");
    w->CreateUser_Click();
    ASSERT_EQ(lastColour(), "GREEN");
    auto first = admin().GetObject("LDAP://CN=AFirst," + kStaff);
    auto second = admin().GetObject("LDAP://CN=BSecond," + kStaff);
    ASSERT_TRUE(first.ok() && second.ok());
    EXPECT_EQ(first->Get("scriptPath")->toString(), "staff.bat");
    EXPECT_EQ(second->Get("scriptPath")->toString(), "other.bat");
    EXPECT_EQ(state::shared().Current_Site.ExchOrg.trimmed(), "Changed");
  }
}

// The new node goes where the tree loader puts it among its siblings (letter case ignored), so the
// tree reads the same after a restart.
TEST_F(CreateUser, TheNewNodeTakesThePlaceTheLoaderGivesIt) {
  network(Mode::Native);
  for (const char* cn : {"alice", "Bob", "zed"}) existingUser(kStaff, cn, cn);
  w->Sorted_Yes->setChecked(true);
  ASSERT_TRUE(connect("example.local"));
  selectNode(kStaff);
  ASSERT_TRUE(node(kStaff)->data(0, mainwindow::form1::kNodeSortedRole).toBool());
  names("carl", "young");
  w->CreateUser_Click();
  ASSERT_EQ(lastVerdict(), " Created User CYoung");
  const QStringList shown = childTexts(node(kStaff));
  EXPECT_LT(shown.indexOf("Bob"), shown.indexOf("Carl Young"));
  EXPECT_LT(shown.indexOf("Carl Young"), shown.indexOf("zed"));
  EXPECT_LT(shown.indexOf("alice"), shown.indexOf("Bob"));
  ASSERT_TRUE(connect("example.local"));
  EXPECT_EQ(childTexts(node(kStaff)), shown) << "as the tree is loaded again";
}

TEST_F(CreateUser, SelectionChecks) {
  struct Case {
    Mode mode;
    const char* template_;
    bool copy;
    const char* nodeKey;  // "" leaves the domain node selected
    const char* message;
  } cases[] = {
      {Mode::Native, "Staff", false, "", "You must select a Template,Site & OU in the treeview to create this user"},
      {Mode::Native, "", false, "OU=Staff,DC=example,DC=local",
       "You must select a Template,Site & OU in the treeview to create this user"},
      {Mode::Native, "Staff", true, "OU=Staff,DC=example,DC=local",
       "You must select a User in the treeview to create this user\r\nor turn off the copy user function."},
      {Mode::Nt, "", false, "", "Must Select a Template & Site."},
      {Mode::Nt, "Staff", true, "", "You must select a User in the treeview to create this user\r\nor turn off the copy user function."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    restart();
    network(c.mode);
    if (QString(c.template_).isEmpty()) w->nutemplate->setCurrentIndex(-1);
    w->Copy_User->setChecked(c.copy);
    if (*c.nodeKey) selectNode(c.nodeKey); else w->TreeView1->setCurrentItem(w->TreeView1->topLevelItem(0));
    names("john", "smith");
    prompts.asked.clear();
    w->CreateUser_Click();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].prompt, c.message);
    EXPECT_EQ(prompts.asked[0].title, "Can't Create User");
    EXPECT_EQ(prompts.asked[0].style, ui::kStyleCritical);
    EXPECT_FALSE(QFile::exists(db() + "Log.txt") && logBlock().contains("Creating User:JSmith")) << "nothing written";
    EXPECT_FALSE(account("JSmith").ok());
  }
}

TEST_F(CreateUser, IdRules) {
  struct Case {
    Mode mode;
    const char* id;
    const char* status;         // empty: created
    QStringList invalidLines;   // the "Invalid Character" lines
  } cases[] = {
      {Mode::Native, "j.smith", "", {}},
      {Mode::Nt, "j.smith", "User Name Invalid...", {"Invalid Character in User Name: ."}},
      {Mode::Native, "a|b=c", "User Name Invalid...",
       {"Invalid Character in User Name: |", "Invalid Character in User Name: ="}},
      {Mode::Native, "jsmith.", "User Name Invalid...", {"Invalid Character in User Name: ."}},
      {Mode::Native, "j smith", "", {}},
      {Mode::Native, "abcdefghijklmnopqrst", "", {}},
      {Mode::Native, "abcdefghijklmnopqrstu", "UserID Is too long or too Short, 1-20 chrs", {}},
      {Mode::Native, "  padded  ", "", {}},
      {Mode::Native, "#hash", "", {}},  // escaped where it becomes a distinguished name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    restart();
    network(c.mode);
    names("john", "smith");
    w->UserID_Box->setText(c.id);
    emit w->UserID_Box->textEdited(c.id);  // typed by hand
    beeps.resetBeeps();
    w->CreateUser_Click();
    const QString id = QString(c.id).trimmed();
    if (QString(c.status).isEmpty()) {
      EXPECT_EQ(lastVerdict(), " Created User " + id);
      EXPECT_TRUE(account(id).ok());
      continue;
    }
    EXPECT_EQ(status(), c.status);
    EXPECT_EQ(beeps.beeps(), 1);
    EXPECT_FALSE(account(id).ok());
    if (!c.invalidLines.isEmpty()) {
      EXPECT_EQ(logBlock().mid(5), c.invalidLines);
    }
  }
}

TEST_F(CreateUser, AHandTypedIdIsKeptWhenTheNamesAreCapitalised) {
  network(Mode::Native);
  names("john", "smith");
  w->UserID_Box->setText("jsmith2");
  emit w->UserID_Box->textEdited("jsmith2");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User jsmith2");
  EXPECT_TRUE(account("jsmith2").ok());
}

TEST_F(CreateUser, TakenIdsAreRetriedWithTheAlternateFormatThenGiveUp) {
  network(Mode::Native);
  w->ALTID->setText("%first%%last%");
  names("joe", "bloggs");  // JBloggs is taken (as jbloggs, another letter case)
  const int headersBefore = logLines().count(QString(41, u'*'));
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JoeBloggs");
  EXPECT_TRUE(account("JoeBloggs").ok());
  EXPECT_FALSE(state::shared().AltIdTried);
  const QStringList all = logLines();
  EXPECT_TRUE(all.contains("User ID JBloggs already exists"));
  EXPECT_TRUE(all.contains("Changing User ID to JoeBloggs"));
  EXPECT_EQ(all.count(QString(41, u'*')) - headersBefore, 2) << "one header per attempt";

  // Both taken: one retry, then the box.
  names("joe", "bloggs");
  w->UserID_Box->clear();
  prompts.asked.clear();
  w->CreateUser_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "User JoeBloggs Already Exist \r\nChange the UserID and Continue.");
  EXPECT_EQ(prompts.asked[0].title, "User Exist");
  EXPECT_EQ(logLines().last(), "User : JoeBloggs  Already Exist ");
  EXPECT_FALSE(state::shared().AltIdTried);
}

TEST_F(CreateUser, ACounterIsRetriedPastItsWidthUntilTheIdIsTooLong) {
  network(Mode::Native);
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), "IncNumber", "1");
  w->setupid->setText("1%first%%last%%n%");
  for (int n = 1; n <= 3; ++n) existingUser(kStaff, QStringLiteral("JSmith%1").arg(n), QStringLiteral("JSmith%1").arg(n));
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith4");

  // "%n%" gives at least one digit: after 9 comes 10.
  for (int n = 5; n <= 9; ++n) existingUser(kStaff, QStringLiteral("JSmith%1").arg(n), QStringLiteral("JSmith%1").arg(n));
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith10");
  EXPECT_TRUE(account("JSmith10").ok());

  // The counter ends where the ID would pass 20 characters: a RED line, nothing created.
  const QString base = QStringLiteral("JAbcdefghijklmnopqr");  // 19 characters
  for (int n = 1; n <= 9; ++n) existingUser(kStaff, base + QString::number(n), base + QString::number(n));
  names("john", "abcdefghijklmnopqr");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " No free User ID: " + base + "10 is longer than 20 characters");
  EXPECT_EQ(lastColour(), "RED");
  EXPECT_FALSE(account(base + "10").ok());
  EXPECT_EQ(logLines().last(), "User : " + base + "9  Already Exist ");
}

TEST_F(CreateUser, TheDirectoryDecidesWhetherAnIdIsTaken) {
  network(Mode::Native);
  // A user in another container, with another CN: the tree does not show it as JSmith.
  existingUser("CN=Users," + kDomainDn, "Someone Else", "jsmith");
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " User Name JSmith already exist");
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].title, "User Exist");
}

TEST_F(CreateUser, NtAccountWithGroupsPrimaryGroupAndFlags) {
  network(Mode::Nt);
  w->USR_Cant_Change->setChecked(true);
  w->PWD_NVR_EXPIRE->setChecked(true);
  w->Password_Change->setChecked(true);
  names("mary", "jones");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User MJones");
  auto user = account("MJones");
  ASSERT_TRUE(user.ok()) << user.error().message.toStdString();
  const int flags = user->Get("UserFlags")->toInt();
  EXPECT_EQ(flags & 0x40, 0x40);
  EXPECT_EQ(flags & 0x10000, 0x10000);
  EXPECT_EQ(user->Get("PasswordExpired")->toInt(), 1);
  EXPECT_EQ(user->Get("HomeDirDrive")->toString(), "H:");
  auto printing = admin().GetObject("WinNT://OLDCORP/Printing,group");
  ASSERT_TRUE(printing.ok());
  EXPECT_TRUE(printing->IsMember("WinNT://OLDCORP/MJones").value());
  auto rid = directory::Get_Group_RID_NT("Teachers");
  ASSERT_TRUE(rid.ok());
  EXPECT_EQ(user->Get("PrimaryGroupID")->toInt(), *rid);
  EXPECT_TRUE(logBlock().contains("Setting Primary Group: Teachers."));
  EXPECT_TRUE(files::exists("\\\\FS1\\D$\\Users\\MJones"));
}

TEST_F(CreateUser, MixedModeAndCopyUser) {
  network(Mode::Mixed);
  // Copy jbloggs: the new user goes to jbloggs's OU and joins jbloggs's groups, not the template's.
  QTreeWidgetItem* bloggs = nullptr;
  for (QTreeWidgetItem* n : nodesWithImage("USER"))
    if (keyOf(n).contains("CN=jbloggs", Qt::CaseInsensitive)) bloggs = n;
  ASSERT_NE(bloggs, nullptr);
  w->TreeView1->setCurrentItem(bloggs);
  w->Copy_User->setChecked(true);
  names("ann", "other");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User AOther");
  auto user = admin().GetObject("LDAP://CN=AOther," + kStaff);
  ASSERT_TRUE(user.ok());
  auto teachers = admin().GetObject("LDAP://CN=Teachers," + kStaff);
  auto printing = admin().GetObject("LDAP://CN=Printing,CN=Users," + kDomainDn);
  EXPECT_FALSE(printing->IsMember(user->ADsPath()).value()) << "the template's groups are not used";
  EXPECT_TRUE(logBlock().contains("Copy User groups from user: " + bloggs->text(0)));
  (void)teachers;
}

TEST_F(CreateUser, ImportGroupColumns) {
  network(Mode::Native);
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), "ImportGroupsStart", "0");
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), "ImportGroupsFinish", "9");
  auto& sh = state::shared();
  sh.Import_Mode = true;
  sh.ImportField[1] = "Carl";
  sh.ImportField[2] = "printing";  // letter case ignored
  sh.ImportField[3] = "No Such Group";
  sh.Import_Field_Count = 3;
  names("carl", "cox");
  w->CreateUser_Click();
  sh.Import_Mode = false;
  EXPECT_EQ(lastVerdict(), " Created User CCox");
  const QStringList block = logBlock();
  EXPECT_TRUE(block.contains("Group not found: Carl"));
  EXPECT_TRUE(block.contains("Group not found: No Such Group"));
  EXPECT_FALSE(block.contains("Group not found: ")) << "column 0 is never tried";
  auto user = admin().GetObject("LDAP://CN=CCox," + kStaff);
  ASSERT_TRUE(user.ok());
  EXPECT_TRUE(admin().GetObject("LDAP://CN=Printing,CN=Users," + kDomainDn)->IsMember(user->ADsPath()).value());
}

TEST_F(CreateUser, AFolderThatCantBeMadeEndsTheRunInRed) {
  network(Mode::Native);
  // The home folder's parent is missing.
  records::Template_Record t = records::Template_Record::decode(test::readAll(db() + "Template.dat"));
  t.HomeDirLocal = "D:\\Missing\\%UserName%";
  ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Error Creating Users Home Dir...");
  EXPECT_EQ(lastColour(), "RED");
  EXPECT_EQ(w->Createdirs->text(), "Error");
  EXPECT_EQ(w->progress->text(), "Error");
  EXPECT_FALSE(account("JSmith").ok()) << "no account after a failed folder";
  QStringList block = logBlock();
  ASSERT_FALSE(block.isEmpty());
  const QString number = block.last();
  EXPECT_TRUE(QRegularExpression("^Error Number: -[0-9]+$").match(number).hasMatch()) << number.toStdString();
  block.last() = "Error Number: <n>";
  // The controller is the directory's: the test DC's own beside the simulated file servers.
  const QString controller = dc ? QStringLiteral("dc1.example.local") : QStringLiteral("DC1-EXAMPLE");
  EXPECT_EQ(block, (QStringList{
                       QString(41, u'*'), "<date>", "Creating User:JSmith",
                       "Site: " + QStringLiteral("Main").leftJustified(20),
                       "Template: " + QStringLiteral("Staff").leftJustified(25), "Locate PDC: " + controller,
                       "Error Creating Users Home Dir: \\\\FS1\\D$\\Missing\\JSmith", "Error Number: <n>"}));
  EXPECT_EQ(w->templatelst->currentText(), "") << "the template's fields are cleared after an error";
}

TEST_F(CreateUser, AnExistingFolderIsAskedAboutAndNoRemovesWhatTheRunMade) {
  network(Mode::Native);
  ASSERT_TRUE(files::createDirectory("\\\\FS1\\D$\\Profiles\\JSmith").ok());
  prompts.answer(ui::MsgBoxResult::No);
  names("john", "smith");
  w->CreateUser_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Profile Dir  Already Exist \r\nContinue ?");
  EXPECT_EQ(prompts.asked[0].title, "Error Creating Dir");
  EXPECT_FALSE(files::exists("\\\\FS1\\D$\\Users\\JSmith")) << "the home folder this run made is removed";
  EXPECT_TRUE(logLines().contains("Removed Home Directory: \\\\FS1\\D$\\Users\\JSmith"));
  EXPECT_FALSE(account("JSmith").ok());
  EXPECT_EQ(w->progress->text(), "Progress");

  // During an import nothing is asked: the folder is used, and the run ends YELLOW.
  state::shared().Import_Mode = true;
  prompts.asked.clear();
  names("john", "smith");
  w->UserID_Box->clear();
  w->CreateUser_Click();
  state::shared().Import_Mode = false;
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_TRUE(logged("Warning - Directories"));
}

TEST_F(CreateUser, AnEmptyPasswordLeavesTheAccountDisabledAndWarns) {
  for (Mode mode : {Mode::Native, Mode::Nt}) {
    restart();
    network(mode);
    w->defaultpassword->clear();
    names("pat", "empty");
    w->CreateUser_Click();
    EXPECT_EQ(lastVerdict(), " Created User PEmpty");
    EXPECT_EQ(lastColour(), "YELLOW");
    auto user = account("PEmpty");
    ASSERT_TRUE(user.ok());
    EXPECT_TRUE(user->Get("AccountDisabled")->toBool());
    EXPECT_TRUE(logged("Warning - Password"));
  }
}

TEST_F(CreateUser, APasswordTheDomainRefusesEndsYellow) {
  SIMNET_ONLY("the test changes the domain's password policy");
  network(Mode::Native);
  ASSERT_TRUE(net->setPasswordPolicy("example.local", simnet::PasswordPolicy{30, false}).ok());
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_EQ(lastColour(), "YELLOW");
  EXPECT_TRUE(logBlock().contains("Error:- Unable to set User password"));
  auto user = account("JSmith");
  ASSERT_TRUE(user.ok());
  EXPECT_TRUE(user->Get("AccountDisabled")->toBool()) << "not enabled without its password";
}

TEST_F(CreateUser, ALogonNameClashAtTheFirstCommitIsReported) {
  network(Mode::Native);
  // The SAMACCOUNTNAME row makes the logon name jbloggs, which exists.
  w->SamAccountName->setChecked(true);
  directoryRow("SAMACCOUNTNAME", "jbloggs");
  names("john", "smith");
  w->CreateUser_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "User name already exists.\r\nChange the userID and try again");
  EXPECT_EQ(lastVerdict(), " Error Creating Users Account...");
  EXPECT_TRUE(logBlock().contains("User name (SAMAccount) Already Exists :jbloggs"));
  EXPECT_TRUE(logBlock().contains("Error Number: " + QString::number(qint32(0x80071392u))));
  EXPECT_EQ(w->UserAccount->text(), "Error");
}

TEST_F(CreateUser, FlagsAndExpiryInActiveDirectory) {
  network(Mode::Native);
  w->USR_Cant_Change->setChecked(true);
  w->PWD_NVR_EXPIRE->setChecked(true);
  w->Password_Change->setChecked(true);
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), "AccountExpire", "2027-12-31");
  // The expiry applies only to users an import creates.
  state::shared().Import_Mode = true;
  state::shared().Import_Field_Count = 0;
  names("john", "smith");
  w->CreateUser_Click();
  state::shared().Import_Mode = false;
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  auto nt = account("JSmith");
  ASSERT_TRUE(nt.ok());
  EXPECT_EQ(nt->Get("UserFlags")->toInt() & 0x10040, 0x10040);
  auto user = admin().GetObject("LDAP://CN=JSmith," + kStaff);
  ASSERT_TRUE(user.ok());
  EXPECT_EQ(user->Get("pwdLastSet")->toLongLong(), 0) << "must change at next logon";
  EXPECT_EQ(user->Get("AccountExpirationDate")->toDateTime().date(), QDate(2027, 12, 31));
}

TEST_F(CreateUser, AGroupThatCantBeJoinedTurnsTheRunYellow) {
  network(Mode::Native);
  // Printing is listed but gone from the directory.
  ASSERT_TRUE(admin().GetObject("LDAP://CN=Users," + kDomainDn)->Delete("group", "CN=Printing").ok());
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_TRUE(logBlock().contains("Error adding user to group: Printing"));
  EXPECT_EQ(lastColour(), "YELLOW");
  EXPECT_GE(beeps.beeps(), 1);
  EXPECT_TRUE(account("JSmith").ok());
}

TEST_F(CreateUser, ARefusedNtCommitEndsTheRunThroughTheErrorBlock) {
  network(Mode::Nt);
  net->refuseNextCommit();
  names("mary", "jones");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Error Creating Users Account...");
  EXPECT_EQ(w->UserAccount->text(), "Error");
  EXPECT_EQ(status(), "Ready.") << "the template and site fields are cleared";
  const QStringList block = logBlock();
  ASSERT_GE(block.size(), 2);
  EXPECT_EQ(block[block.size() - 2], "Error Creating Users Account: MJones");
  EXPECT_FALSE(account("MJones").ok());
}

TEST_F(CreateUser, DebugLinesNeverHoldThePasswordAndImportTokensWaitForAnImport) {
  network(Mode::Native);
  w->Command_Line = "/DEBUG";
  w->Description->setText("Dept %IMPORT1%");
  state::shared().ImportField[1] = "Sales";
  state::shared().Import_Field_Count = 1;
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  const QStringList block = logBlock();
  EXPECT_TRUE(block.contains("Setting user password: (password set)"));
  for (const QString& l : block) EXPECT_FALSE(l.contains("Start-Pw1")) << l.toStdString();
  auto user = admin().GetObject("LDAP://CN=JSmith," + kStaff);
  ASSERT_TRUE(user.ok());
  EXPECT_FALSE(user->Get("description").ok()) << "an import token outside an import leaves a \"%\": not written";
}

TEST_F(CreateUser, ALogonNameFromTheAttributeRowIsCheckedLikeTheId) {
  network(Mode::Native);
  w->SamAccountName->setChecked(true);
  directoryRow("SAMACCOUNTNAME", "%first%|%last%");
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Error Creating Users Account...");
  EXPECT_TRUE(logBlock().contains("Invalid account name from SAMACCOUNTNAME: john|smith") ||
              logBlock().contains("Invalid account name from SAMACCOUNTNAME: John|Smith"));
  EXPECT_FALSE(account("JSmith").ok());
}

TEST_F(CreateUser, SharesTerminalServicesAndPermissions) {
  network(Mode::Native);
  records::Template_Record t = records::Template_Record::decode(test::readAll(db() + "Template.dat"));
  t.ProfileShareName = "%UserName%$";
  t.HomeShareName = "%UserName%";
  t.VarName[1] = "WTS";
  t.VarValue[1] = "Enabled";
  ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
  records::Permission_Record full;
  full.NewSecurity = 0;
  full.Account = "%Domain%\\%UserName%";
  full.Access = "Full Control";
  ASSERT_TRUE(test::writeAll(db() + "SharePerm.dat", full.encode()));
  full.Account = "%UserName%";
  full.Access = "Change";
  ASSERT_TRUE(test::writeAll(db() + "Permissions.dat", full.encode()));
  for (QCheckBox* b : {w->Create_Shares, w->Dir_Security}) b->setChecked(true);
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_EQ(lastColour(), "GREEN") << logBlock().join("\n").toStdString();
  EXPECT_EQ(w->Sharedirs->text(), "Completed");
  EXPECT_EQ(w->Security->text(), "Completed");
  const QStringList block = logBlock();
  EXPECT_TRUE(block.contains("Creating Shares: \\\\FS1\\JSmith$"));
  EXPECT_TRUE(block.contains("Creating Shares: \\\\FS1\\JSmith"));
  EXPECT_TRUE(block.contains("Set Directory Permissions OK"));
  netapi::SHARE_INFO_502 info;
  ASSERT_EQ(netapi::NetShareGetInfo("FS1", "JSmith", info), 0u);
  EXPECT_EQ(info.shi502_path, "D:\\Users\\JSmith");
}

// Each run reads the permission lists and looks their accounts up afresh, though within one run
// each is read once: a list edited, and an account deleted and made again under its old name (a
// new SID), between two runs reach the second run's share and folder.
TEST_F(CreateUser, EachRunReadsThePermissionListsAndTheirAccountsAfresh) {
  network(Mode::Native);
  records::Template_Record t = records::Template_Record::decode(test::readAll(db() + "Template.dat"));
  t.HomeShareName = "%UserName%";
  ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
  const auto lists = [&](const char* folderAccess) {
    records::Permission_Record r;
    r.Account = "%Domain%\\jbloggs";
    r.Access = "Read";
    QByteArray share = r.encode();
    r.Account = "%Domain%\\%UserName%";
    r.Access = "Full Control";
    share += r.encode();
    ASSERT_TRUE(test::writeAll(db() + "SharePerm.dat", share));
    r.Account = "%UserName%";
    r.Access = folderAccess;
    ASSERT_TRUE(test::writeAll(db() + "Permissions.dat", r.encode()));
  };
  const auto sidOf = [](const QString& name) {
    auto found = security::LookupAccountName(QString(), "EXAMPLE\\" + name);
    return found ? found->sid : security::Sid();
  };
  const auto shareSids = [](const QString& share) {
    QList<security::Sid> out;
    netapi::SHARE_INFO_502 info;
    if (netapi::NetShareGetInfo("FS1", share, info) != 0 || !info.shi502_security_descriptor ||
        !info.shi502_security_descriptor->dacl)
      return out;
    for (const security::Ace& a : info.shi502_security_descriptor->dacl->aces()) out << a.sid;
    return out;
  };
  const auto folderMask = [](const QString& folder, const security::Sid& who) {
    quint32 mask = 0;
    auto sd = security::GetFileSecurity("\\\\FS1\\D$\\Users\\" + folder, security::info::DACL);
    if (sd && sd->dacl)
      for (const security::Ace& a : sd->dacl->aces())
        if (a.sid == who) mask |= a.mask;
    return mask;
  };
  lists("Change");
  for (QCheckBox* b : {w->Create_Shares, w->Dir_Security}) b->setChecked(true);
  names("john", "smith");
  w->CreateUser_Click();
  ASSERT_EQ(lastColour(), "GREEN") << logBlock().join("\n").toStdString();
  const security::Sid before = sidOf("jbloggs");
  ASSERT_TRUE(before.isValid());
  EXPECT_TRUE(shareSids("JSmith").contains(before));
  EXPECT_EQ(folderMask("JSmith", sidOf("JSmith")), security::access::FILE_MODIFY);

  // Between the runs: the folder list now gives Read, and jbloggs is made again.
  lists("Read");
  auto dir = directory::requireDirectory();
  ASSERT_TRUE(dir);
  auto staff = (*dir)->GetObject("LDAP://" + kStaff);
  ASSERT_TRUE(staff);
  ASSERT_TRUE(staff->Delete("user", "CN=jbloggs"));
  auto again = staff->Create("user", "CN=jbloggs");
  ASSERT_TRUE(again);
  ASSERT_TRUE(again->Put("sAMAccountName", "jbloggs"));
  ASSERT_TRUE(again->SetInfo());
  const security::Sid after = sidOf("jbloggs");
  ASSERT_TRUE(after.isValid());
  ASSERT_NE(after, before);

  names("mary", "jones");
  w->CreateUser_Click();
  ASSERT_EQ(lastColour(), "GREEN") << logBlock().join("\n").toStdString();
  EXPECT_TRUE(shareSids("MJones").contains(after));
  EXPECT_FALSE(shareSids("MJones").contains(before));
  EXPECT_EQ(folderMask("MJones", sidOf("MJones")), security::access::FILE_READ_EXECUTE);
}

// A run binds each group once for all its steps (the primary group is one it joined), but the
// next run binds them again: a primary group deleted and made again under its old name (a new
// RID) between two runs is the one the second user gets.
TEST_F(CreateUser, EachRunBindsItsGroupsAfresh) {
  network(Mode::Native);
  names("john", "smith");
  w->CreateUser_Click();
  ASSERT_EQ(lastColour(), "GREEN") << logBlock().join("\n").toStdString();
  const QString teachersPath = "LDAP://CN=Teachers," + kStaff;
  auto before = directory::Get_Group_RID_W2K(teachersPath);
  ASSERT_TRUE(before);
  auto john = admin().GetObject("LDAP://CN=JSmith," + kStaff);
  ASSERT_TRUE(john);
  EXPECT_EQ(john->Get("primaryGroupID")->toInt(), *before);

  // Teachers made again: its members' primary group moved back to Domain Users first.
  ASSERT_TRUE(john->Put("primaryGroupID", 513));
  ASSERT_TRUE(john->SetInfo());
  auto staff = admin().GetObject("LDAP://" + kStaff);
  ASSERT_TRUE(staff);
  ASSERT_TRUE(staff->Delete("group", "CN=Teachers"));
  auto made = staff->Create("group", "CN=Teachers");
  ASSERT_TRUE(made);
  ASSERT_TRUE(made->Put("sAMAccountName", "Teachers"));
  ASSERT_TRUE(made->SetInfo());
  auto after = directory::Get_Group_RID_W2K(teachersPath);
  ASSERT_TRUE(after);
  ASSERT_NE(*after, *before);

  names("mary", "jones");
  w->CreateUser_Click();
  ASSERT_EQ(lastColour(), "GREEN") << logBlock().join("\n").toStdString();
  auto mary = admin().GetObject("LDAP://CN=MJones," + kStaff);
  ASSERT_TRUE(mary);
  EXPECT_EQ(mary->Get("primaryGroupID")->toInt(), *after);
}

// Permissions that reach the profile folder but not the home folder: the mark stays "Completed"
// as one success allows, yet the folder left without them is said and the run is not GREEN.
TEST_F(CreateUser, PermissionsMissingOnOneFolderAreSaid) {
  network(Mode::Native);
  records::Permission_Record change;
  change.Account = "%UserName%";
  change.Access = "Change";
  ASSERT_TRUE(test::writeAll(db() + "Permissions.dat", change.encode()));
  // No folders made by the run; only the profile folder exists beforehand.
  w->Create_Dirs->setChecked(false);
  w->Dir_Security->setChecked(true);
  ASSERT_TRUE(files::createDirectory("\\\\FS1\\D$\\Profiles\\JSmith").ok());
  names("john", "smith");
  w->CreateUser_Click();
  const QStringList block = logBlock();
  EXPECT_EQ(lastColour(), "YELLOW") << block.join("\n").toStdString();
  EXPECT_EQ(w->Security->text(), "Completed");
  const int home = block.indexOf("Setting Permissions on \\\\FS1\\D$\\Users\\JSmith");
  ASSERT_GE(home, 0) << block.join("\n").toStdString();
  EXPECT_EQ(block.value(home + 1), "Error: GetFileSecurity");
  EXPECT_TRUE(block.mid(home).contains("Failed to set Permissions for JSmith"));
  EXPECT_TRUE(block.contains("Set Directory Permissions OK"));
}

TEST_F(CreateUser, SharesThatCantBeMadeTurnTheRunYellowWithTheirNames) {
  network(Mode::Native);
  records::Template_Record t = records::Template_Record::decode(test::readAll(db() + "Template.dat"));
  t.HomeShareName = "%UserName%";
  ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
  // The only share permission names an account nobody has: no share is made.
  records::Permission_Record nobody;
  nobody.Account = "EXAMPLE\\nobody-here";
  nobody.Access = "Full Control";
  ASSERT_TRUE(test::writeAll(db() + "SharePerm.dat", nobody.encode()));
  w->Create_Shares->setChecked(true);
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_EQ(lastColour(), "YELLOW");
  EXPECT_EQ(w->Sharedirs->text(), "Error");
  EXPECT_TRUE(logBlock().contains("Error Creating Shares: \\\\FS1\\JSmith"));
}

TEST_F(CreateUser, TheCommandGetsEachValueAsOneArgumentAndItsExitCodeIsRead) {
  network(Mode::Native);
  // A command that records its arguments and fails.
  const QString script = dir() + "record.sh";
  const QString out = dir() + "argv.txt";
  ASSERT_TRUE(test::writeAll(script, QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1'\nexit 3\n")
                                         .arg(out)
                                         .toUtf8()));
  QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  w->Create_Script->setText(script + " %UserName% \"%first% %last%\" %Domain%");
  w->Run_script->setChecked(true);
  w->Wait_NEW[0]->setChecked(true);
  names("john", "smith & co;");
  w->UserID_Box->setText("jsmith");
  emit w->UserID_Box->textEdited("jsmith");
  w->CreateUser_Click();
  EXPECT_EQ(QString::fromUtf8(test::readAll(out)).split('\n', Qt::SkipEmptyParts),
            (QStringList{"jsmith", "John Smith & co;", "example.local"}));
  EXPECT_EQ(lastVerdict(), " Created User jsmith");
  EXPECT_EQ(lastColour(), "YELLOW") << "a command that failed is said";
  EXPECT_TRUE(logged("Running Script: "));
  EXPECT_TRUE(logged("Error with :"));
  EXPECT_TRUE(logged("Warning - Command: exit code 3"));

  // A command that cannot be started: the mark turns red, the run YELLOW.
  w->Create_Script->setText(dir() + "no-such-program");
  names("ann", "other");
  w->UserID_Box->clear();
  w->CreateUser_Click();
  EXPECT_EQ(w->run->text(), "Error");
  EXPECT_EQ(lastColour(), "YELLOW");
  EXPECT_TRUE(logged("Error Running Command: "));
}

TEST_F(CreateUser, AnExchange55MailboxIsMadeWithTheAccount) {
  network(Mode::Native);
  if (dc) GTEST_SKIP() << "simnet-only: the Exchange 5.5 server is simulated";
  simnet::NetworkBuilder more(net);
  more.user("example.local", "exadmin", simnet::UserSpec().withPassword("Secret1"));
  ASSERT_TRUE(more.build().ok());
  exchange55("EXAMPLE\\exadmin", "Secret1");
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_EQ(lastColour(), "GREEN") << logBlock().join("\n").toStdString();
  EXPECT_EQ(w->MailAccount->text(), "Completed");
  EXPECT_TRUE(logBlock().contains("Created Mail Account"));
  adsi::Directory exDir(exchange::exchange55Directory());
  auto box = exDir.OpenDSObject("LDAP://EXCH55/CN=JSmith,CN=Recipients,OU=Head Office,O=Example", "EXAMPLE\\exadmin",
                                "Secret1", adsi::ADS_SECURE_AUTHENTICATION);
  EXPECT_TRUE(box.ok()) << (box.ok() ? "" : box.error().message.toStdString());
  for (const QString& l : logLines()) EXPECT_FALSE(l.contains("Secret1")) << "the Exchange password is never logged";
  exchange::setExchange55Directory(nullptr);
}

TEST_F(CreateUser, AttributeRowsAUpnTakenInTheForestAndTheDisplayNameInTheTree) {
  network(Mode::Native);
  existingUser("CN=Users," + kDomainDn, "Other John", "ojohn");
  auto other = admin().GetObject("LDAP://CN=Other John,CN=Users," + kDomainDn);
  ASSERT_TRUE(other.ok());
  ASSERT_TRUE(other->Put("userPrincipalName", "john.smith@example.local").ok());
  ASSERT_TRUE(other->SetInfo().ok());
  const auto row = [&](const QString& name, const QString& value, const QString& kind) {
    directoryRow(name, value, kind);
  };
  w->ListView7->clear();
  row("department", "%first% %last%", "USER");
  row("USERPRINCIPALNAME", "%first%.%last%@%Domain%", "USER");
  row("DISPLAYNAME", "%last%, %first%", "USER");
  row("company", "%Unknown%", "USER");
  row("extensionAttribute1", "never here", "MAIL");
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_EQ(lastColour(), "YELLOW") << "the UPN was not set";
  const QStringList block = logBlock();
  EXPECT_TRUE(block.contains("Setting W2K Properties"));
  EXPECT_TRUE(block.contains("Setting department, John Smith")) << "the names as capitalised";
  EXPECT_TRUE(block.contains("UPN aleardy Exists: John.Smith@example.local"));
  EXPECT_TRUE(block.contains("UPN not set"));
  EXPECT_TRUE(block.contains("Setting DISPLAYNAME, Smith, John"));
  auto user = admin().GetObject("LDAP://CN=JSmith," + kStaff);
  ASSERT_TRUE(user.ok());
  EXPECT_EQ(user->Get("department")->toString(), "John Smith");
  EXPECT_FALSE(user->Get("company").ok()) << "an unresolved token is never written";
  EXPECT_FALSE(user->Get("extensionAttribute1").ok()) << "mailbox rows are not written here";
  EXPECT_FALSE(user->Get("userPrincipalName").ok());
  // The tree names the user as the loader would: by its display name.
  EXPECT_TRUE(childTexts(node(kStaff)).contains("Smith, John"));
}

// The rows are written together, but a refused row is reported as a write of each row on its own
// would report it: a row refused by the directory stays staged, so the rows after it fail with it.
TEST_F(CreateUser, AttributeRowsReportEachRowsOwnResult) {
  struct Case {
    const char* name;
    QList<std::pair<QString, QString>> rows;
    QStringList lines;
    QStringList written;  // attributes the user holds afterwards
    QStringList absent;
  } cases[] = {
      {"all accepted",
       {{"department", "Sales"}, {"title", "Clerk"}, {"company", "Acme"}},
       {"Setting department, Sales", "Setting title, Clerk", "Setting company, Acme"},
       {"department", "title", "company"},
       {}},
      {"one refused in the middle",
       {{"department", "Sales"}, {"userAccountControl", "0"}, {"title", "Clerk"}},
       {"Setting department, Sales", "Error setting userAccountControl, 0", "Error setting title, Clerk"},
       {"department"},
       {"title"}},
      {"the first refused",
       {{"userAccountControl", "0"}, {"department", "Sales"}, {"title", "Clerk"}},
       {"Error setting userAccountControl, 0", "Error setting department, Sales",
        "Error setting title, Clerk"},
       {},
       {"department", "title"}},
      {"the last refused",
       {{"department", "Sales"}, {"title", "Clerk"}, {"userAccountControl", "0"}},
       {"Setting department, Sales", "Setting title, Clerk", "Error setting userAccountControl, 0"},
       {"department", "title"},
       {}},
      {"one attribute twice",
       {{"department", "Sales"}, {"DEPARTMENT", "Support"}, {"title", "Clerk"}},
       {"Setting department, Sales", "Setting DEPARTMENT, Support", "Setting title, Clerk"},
       {"department", "title"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    network(Mode::Native);
    w->ListView7->clear();
    for (const auto& [name, value] : c.rows) directoryRow(name, value, "USER");
    names("john", "smith");
    w->CreateUser_Click();
    EXPECT_EQ(lastVerdict(), " Created User JSmith");
    QStringList lines;
    for (const QString& l : logBlock())
      if ((l.startsWith("Setting ") || l.startsWith("Error setting ")) && l != "Setting W2K Properties" &&
          !l.startsWith("Setting Primary Group"))
        lines << l;
    EXPECT_EQ(lines, c.lines);
    auto user = admin().GetObject("LDAP://CN=JSmith," + kStaff);
    ASSERT_TRUE(user.ok());
    for (const QString& a : c.written) EXPECT_TRUE(user->Get(a).ok()) << a.toStdString();
    for (const QString& a : c.absent) EXPECT_FALSE(user->Get(a).ok()) << a.toStdString();
  }
  auto user = admin().GetObject("LDAP://CN=JSmith," + kStaff);
  ASSERT_TRUE(user.ok());
  EXPECT_EQ(user->Get("department")->toString(), "Support") << "the last row for an attribute wins";
}

TEST_F(CreateUser, ARefusedTerminalServicesWriteTurnsTheRunYellow) {
  network(Mode::Native);
  if (dc) GTEST_SKIP() << "simnet-only: fault injection";
  records::Template_Record t = records::Template_Record::decode(test::readAll(db() + "Template.dat"));
  t.VarName[1] = "WTS";
  t.VarValue[1] = "ENABLED";
  ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
  w->ListView9->clear();
  w->ListView9->add("Allow Logon to Terminal Server", {}, {});
  w->ListView9->setSubItem(1, 1, "Yes");
  // Terminal Services settings are written on the domain's controller.
  ASSERT_TRUE(fileNet_->refuseWtsWrite("DC1-EXAMPLE").ok());
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_EQ(lastColour(), "YELLOW") << logBlock().join("\n").toStdString();
  EXPECT_TRUE(logged("Warning - Terminal Services"));
}

TEST_F(CreateUser, AMailboxTheServerRefusesIsSaidAndTheRunEndsYellow) {
  network(Mode::Native);
  if (dc) GTEST_SKIP() << "simnet-only: the Exchange 5.5 server is simulated";
  exchange55("EXAMPLE\\nobody", "wrong");  // not an administrator of the organisation
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_EQ(lastColour(), "YELLOW");
  EXPECT_EQ(w->MailAccount->text(), "Error");
  EXPECT_TRUE(logBlock().contains("Failed to create Mail Account"));
  for (const QString& l : logLines()) EXPECT_FALSE(l.contains("wrong")) << "the Exchange password is never logged";
  exchange::setExchange55Directory(nullptr);
}

}  // namespace

// --- an account whose making fails once it exists, and the account's password state ---

namespace tavrel::test {
// A scripted prompter that also does something while an input box is open, as an administrator
// could while a real box waits in its own event loop.
class PromptHook : public ui::ScriptedPrompter {
 public:
  std::function<void()> onInput;
  std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) override {
    if (onInput) onInput();
    return ScriptedPrompter::InputBox(prompt, title, defaultText);
  }
};
}  // namespace tavrel::test

namespace {

class CreateUserFaults : public CreateUser {
 protected:
  void TearDown() override {
    ui::setPrompter(&prompts);
    CreateUser::TearDown();
  }
  // Input boxes go to `hook` from here.
  void hookPrompts() { ui::setPrompter(&hook); }
  QString staffUser(const QString& cn) const { return "LDAP://CN=" + cn + "," + kStaff; }

  test::PromptHook hook;
};

TEST_F(CreateUserFaults, AnAccountWhoseMakingFailsAfterItExistsIsDeletedAgain) {
  struct Case {
    Mode mode;
    bool deletable;
    const char* remains;  // the RED line when it cannot be deleted
  } cases[] = {
      {Mode::Native, true, ""},
      {Mode::Native, false, " The incomplete account remains: CN=JSmith,OU=Staff,DC=example,DC=local"},
      {Mode::Nt, true, ""},
      {Mode::Nt, false, " The incomplete account remains: WinNT://OLDCORP/JSmith"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode == Mode::Nt ? "NT " : "AD ") + (c.deletable ? "deleted" : "remains"));
    restart();
    network(c.mode);
    if (IsSkipped()) return;
    auto faults = injectFaults();
    // Active Directory refuses the second commit (the names and paths), NT the password.
    faults->refuse = [&](const QString& op, const QString&, const QStringList& attributes) {
      if (op == "remove") return !c.deletable;
      return c.mode == Mode::Nt ? op == "setPassword" : op == "modify" && attributes.contains("givenname");
    };
    names("john", "smith");
    w->CreateUser_Click();
    EXPECT_EQ(lastVerdict(), " Error Creating Users Account...");
    if (c.deletable) {
      EXPECT_TRUE(logBlock().contains("The incomplete account was deleted: JSmith"))
          << logBlock().join("\n").toStdString();
      EXPECT_FALSE(account("JSmith").ok()) << "nothing half-made is left";
      // The same user again, the directory answering: made, not "already exist".
      faults->refuse = nullptr;
      names("john", "smith");
      w->CreateUser_Click();
      EXPECT_EQ(lastVerdict(), " Created User JSmith");
      EXPECT_EQ(lastColour(), "GREEN");
    } else {
      EXPECT_TRUE(onScreen().contains(QString("RED|") + c.remains)) << onScreen().join("\n").toStdString();
      EXPECT_TRUE(logBlock().contains(QString(c.remains).mid(1)));
      EXPECT_TRUE(account("JSmith").ok());
    }
  }
}

// Once its password is set an account no longer goes without one ("password not required",
// 0x20); an account without a password keeps the flag and stays disabled.
TEST_F(CreateUserFaults, AnAccountWhosePasswordIsSetNoLongerGoesWithoutOne) {
  struct Case {
    Mode mode;
    const char* password;
    std::optional<bool> notRequired;  // unset: as the directory made it
    bool disabled;
  } cases[] = {
      {Mode::Native, "Start-Pw1", false, false},
      {Mode::Native, "", true, true},
      {Mode::Nt, "Start-Pw1", false, false},
      {Mode::Nt, "", std::nullopt, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode == Mode::Nt ? "NT " : "AD ") + c.password);
    restart();
    network(c.mode);
    if (IsSkipped()) return;
    w->defaultpassword->setText(c.password);
    names("john", "smith");
    w->CreateUser_Click();
    ASSERT_EQ(lastVerdict(), " Created User JSmith");
    auto nt = account("JSmith");
    ASSERT_TRUE(nt.ok());
    if (c.notRequired) {
      EXPECT_EQ((nt->Get("UserFlags")->toInt() & 0x20) != 0, *c.notRequired) << nt->Get("UserFlags")->toInt();
    }
    EXPECT_EQ(nt->Get("AccountDisabled")->toBool(), c.disabled);
    if (c.mode == Mode::Native) {
      auto user = admin().GetObject(staffUser("JSmith"));
      ASSERT_TRUE(user.ok());
      EXPECT_EQ((user->Get("userAccountControl")->toInt() & 0x20) != 0, *c.notRequired);
    }
  }
}

// Every write after the account exists that fails is a warning naming what was not set: the run
// goes on, the account stays, and the run ends YELLOW.
TEST_F(CreateUserFaults, EachFailureAfterTheAccountExistsIsAWarningThatNamesIt) {
  using Setup = std::function<void(test::Faults&)>;
  struct Case {
    const char* what;
    Setup setup;
    const char* line;  // the start of the Log.txt line that says it
  };
  const auto userDn = QStringLiteral("cn=jsmith,ou=staff,dc=example,dc=local");
  const Case cases[] = {
      {"pwdLastSet", [](test::Faults& f) { f.syntaxes["pwdlastset"] = adsi::Syntax::Octets; },
       "Warning - pwdLastSet: "},
      {"enabling",
       [&](test::Faults& f) {
         // The account's reads of its flags once its password is set (to enable it).
         auto passwordSet = std::make_shared<bool>(false);
         f.refuse = [=](const QString& op, const QString& dn, const QStringList& attributes) {
           if (op == "setPassword" && dn == userDn) *passwordSet = true;
           return op == "read" && dn == userDn && *passwordSet &&
                  (attributes.isEmpty() || attributes.contains("userAccountControl", Qt::CaseInsensitive));
         };
       },
       "Warning - Enabling the account: "},
      {"expiry",
       [this](test::Faults&) {
         state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), "AccountExpire",
                                  "31/31/2027");
         state::shared().Import_Mode = true;
         state::shared().Import_Field_Count = 0;
       },
       "Warning - Account expiry: \"31/31/2027\" is not a date; write it as "},
      {"home drive", [](test::Faults& f) { f.syntaxes["homedrive"] = adsi::Syntax::Boolean; },
       "Warning - Home drive: "},
      {"third commit",
       [&](test::Faults& f) {
         f.refuse = [=](const QString& op, const QString& dn, const QStringList& attributes) {
           return op == "modify" && dn == userDn && attributes.contains("pwdlastset");
         };
       },
       "Warning - Third commit: "},
      {"NT-view flags",
       [&](test::Faults& f) {
         w->USR_Cant_Change->setChecked(true);
         f.refuse = [=](const QString& op, const QString& dn, const QStringList& attributes) {
           return op == "modify" && dn == userDn && !attributes.contains("pwdlastset") &&
                  attributes.contains("useraccountcontrol");
         };
       },
       "Warning - Account flags: "},
      {"paths",
       [this](test::Faults&) {
         records::Template_Record t = records::Template_Record::decode(test::readAll(db() + "Template.dat"));
         t.HomeDirLocal = "\\\\FS1\\Users\\%UserName%";
         ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
         w->Create_Dirs->setChecked(false);
       },
       "Warning - Paths: "},
      {"DC lookup", [](test::Faults&) { state::shared().NetBIOS_Domain = "NOWHERE"; },
       "Warning - Domain controller: "},
      {"tree node",
       [this](test::Faults&) {
         // While the prompted value is asked for, the OU's node leaves the tree.
         directoryRow("department", "PROMPT", "USER");
         hook.answerText("Science");
         hook.onInput = [this] { delete node(kStaff); };
         hookPrompts();
       },
       "Warning - Tree: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    network(Mode::Native);
    auto faults = injectFaults();
    c.setup(*faults);
    ASSERT_FALSE(HasFatalFailure());
    names("john", "smith");
    w->CreateUser_Click();
    state::shared().Import_Mode = false;
    hook.onInput = nullptr;
    const QStringList block = logBlock();
    EXPECT_TRUE(std::any_of(block.begin(), block.end(), [&](const QString& l) {
      return l.startsWith(c.line);
    })) << block.join("\n").toStdString();
    EXPECT_EQ(lastVerdict(), " Created User JSmith");
    EXPECT_EQ(lastColour(), "YELLOW");
    EXPECT_TRUE(admin().GetObject(staffUser("JSmith")).ok());
  }
}

// A prompted value is committed at once, also when no later row commits the account.
TEST_F(CreateUserFaults, APromptedValueIsKeptWhenNoRowFollowsIt) {
  network(Mode::Native);
  directoryRow("department", "PROMPT", "USER");
  prompts.answerText("Science");
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  auto user = admin().GetObject(staffUser("JSmith"));
  ASSERT_TRUE(user.ok());
  EXPECT_EQ(user->Get("department").value().toString(), "Science");
}

// A logon name from a SAMACCOUNTNAME row written after the account exists passes the ID's rules,
// checked by the run itself; the account keeps its name and the run ends YELLOW.
TEST_F(CreateUserFaults, ALogonNameFromAnAttributeRowIsCheckedBeforeItIsWritten) {
  struct Case {
    const char* value;
    const char* line;
  } cases[] = {
      {"abcdefghijklmnopqrstu", "Invalid account name from SAMACCOUNTNAME: abcdefghijklmnopqrstu"},
      {"j;smith", "Invalid account name from SAMACCOUNTNAME: j;smith"},
      {"jbloggs", "SAMACCOUNTNAME jbloggs already exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    restart();
    network(Mode::Native);
    directoryRow("SAMACCOUNTNAME", c.value, "USER");
    names("john", "smith");
    w->CreateUser_Click();
    EXPECT_EQ(lastVerdict(), " Created User JSmith");
    EXPECT_EQ(lastColour(), "YELLOW");
    EXPECT_TRUE(logBlock().contains(c.line)) << logBlock().join("\n").toStdString();
    auto user = admin().GetObject(staffUser("JSmith"));
    ASSERT_TRUE(user.ok());
    EXPECT_EQ(user->Get("sAMAccountName")->toString(), "JSmith");
  }
}

TEST_F(CreateUserFaults, NtTheDirectoryDecidesWhetherAnIdIsTaken) {
  network(Mode::Nt);
  if (IsSkipped()) return;
  // An account made after the tree was loaded: the tree does not show it.
  auto domain = admin().GetObject("WinNT://OLDCORP");
  ASSERT_TRUE(domain.ok());
  auto made = domain->Create("User", "JSmith");
  ASSERT_TRUE(made.ok());
  ASSERT_TRUE(made->SetInfo().ok());
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " User Name JSmith already exist");
  // The domain's own node is no account.
  const QString domainNode = w->TreeView1->topLevelItem(0)->text(0);
  names("mary", "jones");
  w->UserID_Box->setText(domainNode);
  emit w->UserID_Box->textEdited(domainNode);
  w->CreateUser_Click();
  EXPECT_NE(lastVerdict(), " User Name " + domainNode + " already exist");
}

// When the directory cannot answer whether the ID is free, nothing is made and a RED line says so.
TEST_F(CreateUserFaults, AnExistenceCheckThatCannotBeMadeEndsTheRunInRed) {
  for (Mode mode : {Mode::Native, Mode::Nt}) {
    SCOPED_TRACE(mode == Mode::Nt ? "NT" : "AD");
    restart();
    network(mode);
    if (IsSkipped()) return;
    auto faults = injectFaults();
    faults->refuse = [](const QString& op, const QString& dn, const QStringList& attributes) {
      // Every look-up of the name fails as a server that does not answer would.
      return (op == "search" || op == "read") &&
             (dn.contains("jsmith") || attributes.join(",").contains("jsmith"));
    };
    names("john", "smith");
    w->CreateUser_Click();
    EXPECT_EQ(lastVerdict(), " Could not check whether User Name JSmith exists");
    EXPECT_EQ(lastColour(), "RED");
    EXPECT_TRUE(logged("Could not check whether the User Name exists: "));
    faults->refuse = nullptr;
    EXPECT_FALSE(account("JSmith").ok());
  }
}

// A description that still holds a "%" (here an import field outside an import) is not written,
// in NT as in Active Directory.
TEST_F(CreateUserFaults, NtADescriptionWithAnUnresolvedTokenIsNotWritten) {
  network(Mode::Nt);
  if (IsSkipped()) return;
  w->Description->setText("Dept %IMPORT1%");
  state::shared().ImportField[1] = "Sales";
  state::shared().Import_Field_Count = 1;
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  auto user = account("JSmith");
  ASSERT_TRUE(user.ok());
  auto description = user->Get("Description");
  EXPECT_TRUE(!description.ok() || description->toString().isEmpty())
      << description->toString().toStdString();
}

// "Run script" checked without a command: the progress still passes 95 ("Running Command"),
// nothing is logged and the mark stays blank.
TEST_F(CreateUserFaults, RunScriptWithoutACommandPassesItsProgressMark) {
  network(Mode::Native);
  w->Run_script->setChecked(true);
  w->Create_Script->clear();
  QList<int> values;
  QObject::connect(w->ProgressBar1, &QProgressBar::valueChanged, [&](int v) { values << v; });
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastColour(), "GREEN");
  EXPECT_TRUE(values.contains(95)) << values.size();
  EXPECT_EQ(w->run->text(), "");
  EXPECT_FALSE(logged("Running Script"));
}

// A template without a primary group: both lines are said, and it is no warning.
TEST_F(CreateUserFaults, ABlankPrimaryGroupIsSaidWithoutAWarning) {
  for (Mode mode : {Mode::Native, Mode::Nt}) {
    SCOPED_TRACE(mode == Mode::Nt ? "NT" : "AD");
    restart();
    network(mode);
    if (IsSkipped()) return;
    records::Template_Record t = records::Template_Record::decode(test::readAll(db() + "Template.dat"));
    t.PrimaryGroup = "";
    ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
    names("john", "smith");
    w->CreateUser_Click();
    const QStringList block = logBlock();
    const int at = block.indexOf("Setting Primary Group: .");
    ASSERT_GE(at, 0) << block.join("\n").toStdString();
    EXPECT_EQ(block.value(at + 1), "Could not Set Primary Group");
    EXPECT_EQ(lastColour(), "GREEN");
  }
}

// With /DEBUG the group is named before it is joined, also when joining it fails.
TEST_F(CreateUserFaults, TheDebugLineNamesEachGroupBeforeItIsJoined) {
  network(Mode::Native);
  w->Command_Line = "/DEBUG";
  ASSERT_TRUE(admin().GetObject("LDAP://CN=Users," + kDomainDn)->Delete("group", "CN=Printing").ok());
  names("john", "smith");
  w->CreateUser_Click();
  const QStringList block = logBlock();
  const int at = block.indexOf("Adding user to: Printing");
  ASSERT_GE(at, 0) << block.join("\n").toStdString();
  EXPECT_EQ(block.value(at + 1), "Error adding user to group: Printing");
  EXPECT_TRUE(block.contains("Adding user to: Teachers"));
}

// With a database folder that holds no folder permissions, the on-screen log says why the
// permissions were not set, not only Log.txt.
TEST_F(CreateUserFaults, PermissionsThatCannotBeSetSayWhyOnScreen) {
  network(Mode::Native);
  w->Dir_Security->setChecked(true);
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(w->Security->text(), "Error");
  const QStringList rows = onScreen();
  EXPECT_TRUE(rows.contains("RED| Security Failed for D:\\Users\\JSmith: No Users found in permissions file"))
      << rows.join("\n").toStdString();
  EXPECT_TRUE(
      rows.contains("RED| Security Failed for D:\\Profiles\\JSmith: No Users found in permissions file"));
  EXPECT_EQ(lastColour(), "YELLOW");
}

// The permission lists a first start writes make the first creation GREEN, with the user's own
// permissions on the share and the folders.
TEST_F(CreateUserFaults, TheFirstStartsPermissionListsMakeAFirstCreationGreen) {
  network(Mode::Native);
  ASSERT_TRUE(app::prepareFirstStartDatabase(db()).ok());
  records::Template_Record t = records::Template_Record::decode(test::readAll(db() + "Template.dat"));
  t.HomeShareName = "%UserName%";
  ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
  for (QCheckBox* b : {w->Create_Shares, w->Dir_Security}) b->setChecked(true);
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_EQ(lastColour(), "GREEN") << logBlock().join("\n").toStdString();
  EXPECT_EQ(w->Security->text(), "Completed");
  EXPECT_EQ(w->Sharedirs->text(), "Completed");
  EXPECT_TRUE(logBlock().contains("Set Permissions for Administrators"));
}

// A second start while a run waits (a question box, a command waited for) is refused with a
// beep, from the button and the menu alike; the run goes on alone, and afterwards a start works.
TEST_F(CreateUserFaults, ASecondStartWhileARunWaitsIsRefused) {
  network(Mode::Native);
  directoryRow("department", "PROMPT", "USER");
  hook.answerText("Science");
  int refusedBeeps = -1;
  hook.onInput = [&] {
    const int before = beeps.beeps();
    w->CreateUser->click();
    w->Backup_Files->trigger();
    w->DataBase->trigger();
    refusedBeeps = beeps.beeps() - before;
  };
  hookPrompts();
  names("john", "smith");
  w->CreateUser->click();
  EXPECT_EQ(refusedBeeps, 3);
  EXPECT_EQ(onScreen(), QStringList{"GREEN| Created User JSmith"});
  EXPECT_EQ(hook.asked.size(), 1u) << "no box of a second run, a backup or a compaction";
  EXPECT_FALSE(ui::longOperationRunning());
  hook.onInput = nullptr;
  names("mary", "jones");
  w->CreateUser->click();
  EXPECT_EQ(lastVerdict(), " Created User MJones");
}

}  // namespace
