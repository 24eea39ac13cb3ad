// Whole creations through "Create" on a small network in each domain mode: a domain with an OU
// and three groups, the site's file server FS1 beside a second one, an Exchange 2000 and an
// Exchange 5.5 server, a template with groups, variables, directory, mail and Terminal Services
// rows, both permission lists and a command that records its arguments. Everything the run
// leaves behind is checked, then the same run with one failure at each step.

#include "CreationFixture.h"

#include "support/CreationRecords.h"

#include "directory/DirectoryService.h"
#include "directory/GroupMembership.h"
#include "directory/UpnSearch.h"
#include "platform/exchange/Exchange55.h"
#include "platform/files/FileSystem.h"
#include "platform/netapi/NetApi.h"
#include "platform/security/AccountLookup.h"
#include "platform/security/FileSecurity.h"
#include "platform/simnet/Exchange55.h"
#include "platform/simnet/ExchangeSeed.h"
#include "platform/simnet/Resources.h"
#include "platform/wts/Wts.h"
#include "records/Records.h"

#include <QFile>
#include <QRegularExpression>

#include <functional>

using namespace tavrel;

namespace {

const QString kDomainDn = QStringLiteral("DC=example,DC=local");
const QString kStaff = QStringLiteral("OU=Staff,") + kDomainDn;
const QString kStoreDn = QStringLiteral(
    "CN=Staff Mailboxes,CN=First Storage Group,CN=InformationStore,CN=EXCH2K,CN=Servers,CN=First Administrative "
    "Group,CN=Administrative Groups,CN=Example,CN=Microsoft Exchange,CN=Services,CN=Configuration,DC=example,"
    "DC=local");
constexpr quint32 kModify = 0x1301BF;  // "Change" on a folder

// The whole run's Log.txt in each mode.
QString golden(test::CreationFixture::Mode mode) {
  using Mode = test::CreationFixture::Mode;
  const QString head = QString(41, u'*') + R"(
<date>
Creating User:JSmith
Site: Main
Template: Staff
)";
  const QString permissions = R"(Setting WTS settings...
Setting Permissions on \\FS1\D$\Users\JSmith
Set Permissions for JSmith
Set Permissions for Library
Setting Permissions on \\FS1\D$\Profiles\JSmith
Set Permissions for JSmith
Set Permissions for Library
Set Directory Permissions OK
)";
  const QString exchange55 = R"(Connect to Object:LDAP://EXCH55:389/CN=Recipients,OU=Head Office,O=Example
Assoc NT Account
Home MTA done
Home MDB done
NT-Security-Descriptor
Created Mail Account
)";
  const QString activeDirectory = R"(Locate PDC: DC1-EXAMPLE
Created Home Directory: \\FS1\D$\Users\JSmith
Created Profile Directory: \\FS1\D$\Profiles\JSmith
NT User Account Created
Adding User to Groups
Setting W2K Properties
Setting department, Science
Setting USERPRINCIPALNAME, John.Smith@example.local
Setting DISPLAYNAME, Smith, John
Setting Primary Group: Teachers.
Creating Shares: \\FS1\JSmith$
Creating Shares: \\FS1\JSmith
)";
  switch (mode) {
    case Mode::Native:
      return head + activeDirectory + permissions + R"(Created Mail Account
Running Script: <dir>/record.sh JSmith "John Smith" example.local EXCH2K
User Created.)";
    case Mode::Mixed:
      return head + activeDirectory + permissions + exchange55 + R"(Running Script: <dir>/record.sh JSmith "John Smith" example.local EXCH55
User Created.)";
    case Mode::Nt:
      return head + R"(Locate PDC: OLDPDC
Created Home Directory: \\FS1\D$\Users\JSmith
Created Profile Directory: \\FS1\D$\Profiles\JSmith
NT User Account Created
Adding User to Groups
Setting Primary Group: Teachers.
Creating Shares: \\FS1\JSmith$
Creating Shares: \\FS1\JSmith
)" + permissions + exchange55 + R"(Running Script: <dir>/record.sh JSmith "John Smith" OLDCORP EXCH55
User Created.)";
  }
  return {};
}

class CreationScenario : public test::CreationFixture {
 protected:
  void TearDown() override {
    exchange::setExchange55Directory(nullptr);
    CreationFixture::TearDown();
  }

  bool ad() const { return mode_ != Mode::Nt; }
  QString netbios() const { return ad() ? QStringLiteral("EXAMPLE") : QStringLiteral("OLDCORP"); }
  QString controller() const { return ad() ? QStringLiteral("DC1-EXAMPLE") : QStringLiteral("OLDPDC"); }

  // The network, the databases and the window, ready for "Create" of John Smith.
  void scenario(Mode mode) {
    if (!domain(mode)) return;
    const QString in = ad() ? QStringLiteral("OU=Staff") : QString();
    // A child domain whose user already has John Smith's UPN.
    if (withChildDomain_ && ad())
      builder->childDomain("example.local", "child.example.local", "CHILD")
          .user("child.example.local", "jsmith", simnet::UserSpec().with("userPrincipalName", "john.smith@EXAMPLE.local"));
    builder->group(domain_, "Teachers", ad() ? simnet::GroupSpec().in(in) : simnet::GroupSpec())
        .group(domain_, "Printing")
        .group(domain_, "Library");
    install();
    if (HasFatalFailure()) return;

    // The file servers, the Exchange servers and the Exchange 5.5 administrator; beside the test
    // DC they are simulated on a network of their own.
    simnet::NetworkBuilder& fs = fileServers();
    const QString serverDomain = ad() ? QStringLiteral("example.local") : QStringLiteral("OLDCORP");
    fs.fileServer("FS1", serverDomain, "D").folder("\\\\FS1\\D$\\Users").folder("\\\\FS1\\D$\\Profiles");
    fs.fileServer("FS2", serverDomain, "E").folder("\\\\FS2\\E$\\Users");
    if (!dc) fs.user(domain_, "exadmin", simnet::UserSpec().withPassword("Secret1"));
    installFileServers(fs);
    if (HasFatalFailure()) return;
    if (!dc) {
      exch55_ = simnet::installExchange55(net);
      ASSERT_TRUE(exch55_->addServer({"EXCH55", serverDomain, "Example", "Head Office", 389, {netbios() + "\\exadmin"}}));
      if (ad()) {
        const simnet::Exchange2000Spec spec{"Example", "First Administrative Group", "EXCH2K",
                                            {{"First Storage Group", {"Staff Mailboxes"}, {}}}};
        ASSERT_TRUE(simnet::addExchange2000Server(*net, "example.local", spec));
      }
    }

    // The template: folders on the site's server, shares named after the user, groups, the
    // primary group, Terminal Services on and a variable the rows use.
    records::Template_Record t = test::staffTemplate({"Teachers", "Printing", "Domain Users"});
    t.ProfileShareName = "%UserName%$";
    t.HomeShareName = "%UserName%";
    t.VarName[1] = "WTS";
    t.VarValue[1] = "Enabled";
    t.VarName[2] = "Dept";
    t.VarValue[2] = "Science";
    ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
    // The site: FS1, and Exchange 2000 in native mode, Exchange 5.5 elsewhere.
    records::Site_Record site = test::mainSite();
    if (mode == Mode::Native) {
      site.Exchange2000 = -1;
      site.ExchangeServer = "EXCH2K";
      site.ExchSite = "First Storage Group";
      site.MailStore = "Staff Mailboxes";
    } else {
      site.ExchangeServer = "EXCH55";
      site.ExchSite = "Head Office";
    }
    site.ExchOrg = "Example";
    ASSERT_TRUE(test::writeAll(db() + "Site.dat", site.encode()));
    // Folder permissions for the user and the Library group; the shares give the user full control.
    writePermissions("Permissions.dat", {{"%UserName%", "Change"}, {"Library", "Read"}});
    writePermissions("SharePerm.dat", {{"%Domain%\\%UserName%", "Full Control"}});

    windowDefaults();
    w->PWD_NVR_EXPIRE->setChecked(true);
    for (QCheckBox* b : {w->Create_Dirs, w->Create_User_Account, w->Create_Shares, w->Dir_Security,
                         w->Create_Mail_Account, w->Run_script})
      b->setChecked(true);
    w->Wait_NEW[0]->setChecked(true);
    w->txtAdmin->setText(netbios() + "\\exadmin");
    w->txtPassword->setText("Secret1");
    // Directory rows: a variable, a prompted value, the UPN and the display name; a mail row.
    w->ListView7->clear();
    directoryRow("department", "%Dept%", "USER");
    directoryRow("physicalDeliveryOfficeName", "PROMPT", "USER");
    directoryRow("USERPRINCIPALNAME", "%first%.%last%@example.local", "USER");
    directoryRow("DISPLAYNAME", "%last%, %first%", "USER");
    directoryRow("mail", "%first%.%last%@example.com", "MAIL");
    prompts.answerText("Room 7");
    // The Exchange 5.5 mailbox's rows.
    w->ListView8->clear();
    w->ListView8->add("TARGET-ADDRESS", {}, {});
    w->ListView8->setSubItem(1, 1, "SMTP:%first%.%last%@example.com");
    w->ListView8->add("CONTAINER", {}, {});
    w->ListView8->setSubItem(2, 1, "Recipients");
    // Terminal Services: the profile path and logon allowed.
    w->ListView9->clear();
    const QStringList wts{"\\\\FS1\\TS\\%UserName%", "", "", "Yes"};
    for (int i = 0; i < wts.size(); ++i) {
      w->ListView9->add(QStringLiteral("row %1").arg(i + 1), {}, {});
      w->ListView9->setSubItem(i + 1, 1, wts[i]);
    }
    command(0);
    if (ad()) selectNode(kStaff);
    names("john", "smith");
  }

  void writePermissions(const QString& file, const QList<std::pair<QString, QString>>& rows) {
    QByteArray bytes;
    for (const auto& [account, access] : rows) {
      records::Permission_Record r;
      r.Account = account;
      r.Access = access;
      bytes += r.encode();
    }
    ASSERT_TRUE(test::writeAll(db() + file, bytes));
  }

  // The command: a script that writes its arguments, one a line, and exits with `exitCode`.
  void command(int exitCode) {
    const QString script = dir() + "record.sh";
    ASSERT_TRUE(test::writeAll(script, QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1'\nexit %2\n")
                                           .arg(argvFile())
                                           .arg(exitCode)
                                           .toUtf8()));
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    w->Create_Script->setText(script + " %UserName% \"%first% %last%\" %Domain% %EXServer%");
  }
  QString argvFile() const { return dir() + "argv.txt"; }
  QStringList argv() const {
    return QString::fromUtf8(test::readAll(argvFile())).split('\n', Qt::SkipEmptyParts);
  }

  // The ACEs of a DACL as "[deny ]DOMAIN\name mask flags f", in their order.
  static QStringList aces(const security::Acl& acl) {
    QStringList out;
    for (const security::Ace& a : acl.aces()) {
      auto who = security::LookupAccountSid(QString(), a.sid);
      out << QStringLiteral("%1%2 %3 flags %4")
                 .arg(a.isDeny() ? "deny " : "", nameOf(a.sid))
                 .arg(a.mask, 0, 16)
                 .arg(a.flags, 0, 16);
    }
    return out;
  }
  static QString nameOf(const security::Sid& sid) {
    auto who = security::LookupAccountSid(QString(), sid);
    return who ? who->referencedDomain + u'\\' + who->name : sid.toString();
  }
  std::optional<security::SecurityDescriptor> securityOf(const QString& path) const {
    auto sd = security::GetFileSecurity(path, security::info::OWNER | security::info::DACL);
    if (!sd) return std::nullopt;
    return *sd;
  }
  // Whether the DACL holds an explicit allow for `sid` with `mask`.
  static bool grants(const security::Acl& acl, const security::Sid& sid, quint32 mask) {
    return std::any_of(acl.aces().begin(), acl.aces().end(), [&](const security::Ace& a) {
      return !a.isDeny() && !a.isInherited() && a.sid == sid && (a.mask & mask) == mask;
    });
  }
  security::Sid sidOf(const QString& account) const {
    auto found = security::LookupAccountName(QString(), account);
    return found ? found->sid : security::Sid();
  }

  // The user as the directory holds it (its AD object, or its NT account).
  adsi::Result<adsi::AdsObject> adUser(const QString& cn) { return admin().GetObject("LDAP://CN=" + cn + "," + kStaff); }

  bool withChildDomain_ = false;
  std::shared_ptr<simnet::SimExchange55> exch55_;

  // Every text of the tree.
  QStringList treeTexts() const {
    QStringList out;
    QList<QTreeWidgetItem*> todo;
    for (int i = 0; i < w->TreeView1->topLevelItemCount(); ++i) todo << w->TreeView1->topLevelItem(i);
    while (!todo.isEmpty()) {
      QTreeWidgetItem* n = todo.takeFirst();
      out << n->text(0);
      for (int i = 0; i < n->childCount(); ++i) todo << n->child(i);
    }
    return out;
  }
  // The last run's Log.txt block, its date and the test's folder masked, blanks ending a line
  // (the padded site and template lines) dropped.
  QString said() const {
    QStringList block = logBlock();
    for (QString& l : block) {
      l.replace(dir(), "<dir>/");
      while (l.endsWith(u' ')) l.chop(1);
    }
    return block.join("\n");
  }

  // A group of the template gone from the domain after the window loaded it.
  void removeGroup(const QString& name) {
    auto container = ad() ? admin().GetObject("LDAP://CN=Users," + kDomainDn) : admin().GetObject("WinNT://OLDCORP");
    ASSERT_TRUE(container.ok());
    ASSERT_TRUE(container->Delete("group", ad() ? "CN=" + name : name).ok());
  }
  // The template's primary group: one the user is not made a member of.
  void primaryGroup(const QString& name) {
    records::Template_Record t = records::Template_Record::decode(test::readAll(db() + "Template.dat"));
    t.PrimaryGroup = name;
    ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
  }
  // Another user of the forest already has John Smith's UPN.
  void upnTaken() {
    existingUser("CN=Users," + kDomainDn, "Other John", "ojohn");
    auto other = admin().GetObject("LDAP://CN=Other John,CN=Users," + kDomainDn);
    ASSERT_TRUE(other.ok());
    ASSERT_TRUE(other->Put("userPrincipalName", "John.Smith@example.local").ok());
    ASSERT_TRUE(other->SetInfo().ok());
  }
};

// --- the whole run, nothing failing ---

TEST_F(CreationScenario, EveryStepInEachMode) {
  for (Mode mode : {Mode::Native, Mode::Mixed, Mode::Nt}) {
    SCOPED_TRACE(mode == Mode::Native ? "native" : mode == Mode::Mixed ? "mixed" : "NT 4.0");
    restart();
    scenario(mode);
    if (IsSkipped()) continue;
    ASSERT_FALSE(HasFatalFailure());
    w->CreateUser_Click();

    // The verdict and the marks.
    EXPECT_EQ(lastVerdict(), " Created User JSmith");
    EXPECT_EQ(lastColour(), "GREEN") << logBlock().join("\n").toStdString();
    for (QLabel* mark : {w->Createdirs, w->Sharedirs, w->Security, w->UserAccount, w->MailAccount, w->run})
      EXPECT_EQ(mark->text(), "Completed") << mark->objectName().toStdString();
    EXPECT_EQ(w->ProgressBar1->value(), 100);

    // The account: flags, groups and primary group.
    auto nt = account("JSmith");
    ASSERT_TRUE(nt.ok()) << nt.error().message.toStdString();
    EXPECT_EQ(nt->Get("UserFlags")->toInt() & 0x10000, 0x10000) << "password never expires";
    EXPECT_FALSE(nt->Get("AccountDisabled")->toBool());
    const QString member = ad() ? adUser("JSmith")->ADsPath() : "WinNT://OLDCORP/JSmith";
    // Printing as a member; Teachers, the primary group, through primaryGroupID.
    auto printing = ad() ? admin().GetObject("LDAP://CN=Printing,CN=Users," + kDomainDn)
                         : admin().GetObject("WinNT://OLDCORP/Printing,group");
    ASSERT_TRUE(printing.ok());
    EXPECT_TRUE(printing->IsMember(member).value());
    auto rid = ad() ? directory::Get_Group_RID_W2K("LDAP://CN=Teachers," + kStaff) : directory::Get_Group_RID_NT("Teachers");
    ASSERT_TRUE(rid.ok());
    EXPECT_EQ(nt->Get("PrimaryGroupID")->toInt(), *rid);

    // The directory rows (Active Directory only).
    if (ad()) {
      auto user = adUser("JSmith");
      ASSERT_TRUE(user.ok());
      EXPECT_EQ(user->Get("sAMAccountName")->toString(), "JSmith");
      EXPECT_EQ(user->Get("department")->toString(), "Science");
      EXPECT_EQ(user->Get("physicalDeliveryOfficeName")->toString(), "Room 7");
      EXPECT_EQ(user->Get("userPrincipalName")->toString(), "John.Smith@example.local");
      EXPECT_EQ(user->Get("displayName")->toString(), "Smith, John");
      EXPECT_EQ(user->Get("homeDirectory")->toString(), "\\\\FS1\\JSmith");
      EXPECT_EQ(user->Get("profilePath")->toString(), "\\\\FS1\\Profiles$\\JSmith");
    }

    // The folders: made, owned by the administrators, the user and Library granted, canonical.
    const security::Sid jsmith = sidOf(netbios() + "\\JSmith");
    ASSERT_TRUE(jsmith.isValid());
    for (const QString path : {"\\\\FS1\\D$\\Users\\JSmith", "\\\\FS1\\D$\\Profiles\\JSmith"}) {
      SCOPED_TRACE(path.toStdString());
      ASSERT_TRUE(files::exists(path));
      auto sd = securityOf(path);
      ASSERT_TRUE(sd && sd->dacl);
      ASSERT_TRUE(sd->owner.has_value());
      EXPECT_EQ(nameOf(*sd->owner), "BUILTIN\\Administrators");
      EXPECT_TRUE(sd->dacl->isCanonical());
      // The list's entries (folder and subfolders, then files), the inherited ones after them.
      const QString d = netbios() + "\\";
      EXPECT_EQ(aces(*sd->dacl), (QStringList{d + "Library 1200a9 flags 2", d + "Library 1200a9 flags 9",
                                              d + "JSmith 1301bf flags 2", d + "JSmith 1301bf flags 9",
                                              "BUILTIN\\Administrators 1f01ff flags 13",
                                              "NT AUTHORITY\\SYSTEM 1f01ff flags 13", "\\Everyone 1200a9 flags 13"}));
    }
    // The shares on FS1, each with full control for the user; nothing on FS2.
    for (const auto& [name, path] : {std::pair{"JSmith", "D:\\Users\\JSmith"}, std::pair{"JSmith$", "D:\\Profiles\\JSmith"}}) {
      netapi::SHARE_INFO_502 info;
      ASSERT_EQ(netapi::NetShareGetInfo("FS1", name, info), 0u) << name;
      EXPECT_EQ(info.shi502_path, path);
      ASSERT_TRUE(info.shi502_security_descriptor && info.shi502_security_descriptor->dacl) << name;
      // "Full Control" of a share is generic all.
      EXPECT_EQ(aces(*info.shi502_security_descriptor->dacl), QStringList{netbios() + "\\JSmith 10000000 flags 0"});
    }
    QList<netapi::SHARE_INFO_502> elsewhere;
    netapi::NetShareEnum("FS2", elsewhere);
    EXPECT_TRUE(std::none_of(elsewhere.begin(), elsewhere.end(), [](const auto& s) { return s.shi502_netname.startsWith("JSmith"); }));

    // Terminal Services, on the domain's controller.
    wts::WtsValue value;
    ASSERT_EQ(wts::WTSQueryUserConfig(controller(), "JSmith", wts::WTSUserConfigTerminalServerProfilePath, value), 0u);
    EXPECT_EQ(value.text, "\\\\FS1\\TS\\JSmith");
    ASSERT_EQ(wts::WTSQueryUserConfig(controller(), "JSmith", wts::WTSUserConfigfAllowLogonTerminalServer, value), 0u);
    EXPECT_EQ(value.number, 1u);

    // The mailbox.
    if (mode == Mode::Native) {
      auto user = adUser("JSmith");
      EXPECT_EQ(user->Get("homeMDB")->toString(), kStoreDn);
      EXPECT_EQ(user->Get("mailNickname")->toString(), "JSmith");
      EXPECT_EQ(user->Get("mail")->toString(), "John.Smith@example.com");
    } else {
      adsi::Directory exDir(exchange::exchange55Directory());
      auto box = exDir.OpenDSObject("LDAP://EXCH55/CN=JSmith,CN=Recipients,OU=Head Office,O=Example",
                                    netbios() + "\\exadmin", "Secret1", adsi::ADS_SECURE_AUTHENTICATION);
      EXPECT_TRUE(box.ok()) << (box.ok() ? "" : box.error().message.toStdString());
    }

    // The new user in the tree, the bulk window's users and the group window's non-members.
    const QString shown = ad() ? QStringLiteral("Smith, John") : QStringLiteral("JSmith");
    if (ad()) EXPECT_TRUE(childTexts(node(kStaff)).contains(shown));
    else EXPECT_TRUE(treeTexts().contains(shown));
    const QList<QTreeWidgetItem*> users = nodesWithImage("USER");
    const auto made = std::find_if(users.begin(), users.end(), [&](QTreeWidgetItem* n) { return n->text(0) == shown; });
    ASSERT_NE(made, users.end());
    EXPECT_TRUE(!(*made)->parent() || (*made)->parent()->isExpanded()) << "made visible";
    EXPECT_TRUE(texts(bulkWindow().ListView2).contains(shown));
    EXPECT_TRUE(texts(groupWindow().NotMembers).contains("JSmith"));

    // The command got each value as one argument and exited 0.
    EXPECT_EQ(argv(), (QStringList{"JSmith", "John Smith", domain_, mode == Mode::Native ? "EXCH2K" : "EXCH55"}));

    // Log.txt and the on-screen rows.
    EXPECT_EQ(said(), golden(mode));
    EXPECT_EQ(onScreen(), QStringList{"GREEN| Created User JSmith"});
    for (const QString& l : logLines()) EXPECT_FALSE(l.contains("Secret1") || l.contains("Start-Pw1"));
  }
}

// --- the UPN across the forest ---

TEST_F(CreationScenario, AUpnTakenInAnotherDomainOfTheForestIsRefused) {
  SIMNET_ONLY("the forest has a child domain");
  withChildDomain_ = true;
  scenario(Mode::Native);
  ASSERT_FALSE(HasFatalFailure());
  // The catalog sees the whole forest, and compares without regard to case.
  EXPECT_EQ(directory::Find_UPN("John.Smith@example.local").state, directory::UpnState::Exists);
  EXPECT_EQ(directory::Find_UPN("Ann.Other@example.local").state, directory::UpnState::Free);
  w->CreateUser_Click();
  EXPECT_EQ(lastColour(), "YELLOW");
  const QStringList block = logBlock();
  const int taken = block.indexOf("UPN aleardy Exists: John.Smith@example.local");
  ASSERT_GE(taken, 0) << block.join("\n").toStdString();
  EXPECT_EQ(block.value(taken + 1), "UPN not set");
  auto user = adUser("JSmith");
  ASSERT_TRUE(user.ok());
  EXPECT_FALSE(user->Get("userPrincipalName").ok()) << "the UPN is not written";
  EXPECT_EQ(user->Get("displayName")->toString(), "Smith, John") << "the other rows are";
}

TEST_F(CreationScenario, ACatalogThatDoesNotAnswerIsSaidAndTheUpnNotWritten) {
  SIMNET_ONLY("the catalog is made to fail");
  scenario(Mode::Native);
  ASSERT_FALSE(HasFatalFailure());
  net->setGlobalCatalogDown(true);
  const directory::UpnAnswer answer = directory::Find_UPN("John.Smith@example.local");
  EXPECT_EQ(answer.state, directory::UpnState::Unknown);
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
  EXPECT_EQ(lastColour(), "YELLOW");
  const QStringList block = logBlock();
  const int unchecked = block.indexOf(QRegularExpression("^UPN could not be checked: John\\.Smith@example\\.local \\(.+\\)$"));
  ASSERT_GE(unchecked, 0) << block.join("\n").toStdString();
  EXPECT_EQ(block.value(unchecked + 1), "UPN not set");
  EXPECT_FALSE(adUser("JSmith")->Get("userPrincipalName").ok());
}

// --- one failure at a time ---

TEST_F(CreationScenario, OneFailureAtEachStepIsSaidAndColoursTheRun) {
  using Inject = std::function<void()>;
  struct Case {
    const char* step;
    QList<Mode> modes;
    Inject inject;
    const char* colour;    // of the run's row on screen
    const char* verdict;   // the run's row
    const char* mark;      // a progress mark and its text, "name=text" (a warning's mark also says "Completed")
    QStringList lines;     // said in Log.txt, in this order
  };
  const QList<Mode> all{Mode::Native, Mode::Mixed, Mode::Nt}, activeDirectory{Mode::Native, Mode::Mixed};
  const Case cases[] = {
      {"folders", all, [this] { ASSERT_TRUE(fileNet_->setReachable("FS1", false)); }, "RED",
       " Error Creating Users Home Dir...", "Createdirs=Error", {"Error Creating Users Home Dir: \\\\FS1\\D$\\Users\\JSmith"}},
      {"account", all, [this] { net->refuseNextCommit(); }, "RED", " Error Creating Users Account...", "UserAccount=Error",
       {"Error Creating Users Account: JSmith"}},
      {"groups", all, [this] { removeGroup("Printing"); }, "YELLOW", " Created User JSmith", "UserAccount=Completed",
       {"Error adding user to group: Printing"}},
      {"attribute rows", activeDirectory, [this] { upnTaken(); }, "YELLOW", " Created User JSmith", "UserAccount=Completed",
       {"UPN aleardy Exists: John.Smith@example.local", "UPN not set"}},
      {"primary group", all, [this] { primaryGroup("Library"); }, "YELLOW", " Created User JSmith",
       "UserAccount=Completed", {"Setting Primary Group: Library.", "Could not Set Primary Group"}},
      {"primary group unknown", all, [this] { primaryGroup("Ghosts"); }, "YELLOW", " Created User JSmith",
       "UserAccount=Completed",
       {"Setting Primary Group: Ghosts.", "Could not Set Primary Group", "Warning - Primary group: Ghosts: "}},
      {"shares", all, [this] { ASSERT_TRUE(fileNet_->refuseShareAdd("FS1")); }, "YELLOW",
       " Created User JSmith", "Sharedirs=Error", {"Error Creating Shares: \\\\FS1\\JSmith$", "Error Creating Shares: \\\\FS1\\JSmith"}},
      {"terminal services", all, [this] { ASSERT_TRUE(fileNet_->refuseWtsWrite(controller())); },
       "YELLOW", " Created User JSmith", "UserAccount=Completed", {"Warning - Terminal Services: a setting was refused"}},
      {"folder permissions", all, [this] { writePermissions("Permissions.dat", {{"nobody-here", "Change"}}); },
       "YELLOW", " Created User JSmith", "Security=Completed", {"Failed to set Permissions for nobody-here"}},
      {"mailbox", all,
       [this] { ASSERT_TRUE(net->setReachable(mode_ == Mode::Native ? "EXCH2K" : "EXCH55", false)); },
       "YELLOW", " Created User JSmith", "MailAccount=Error", {"Failed to create Mail Account"}},
      {"mail row", {Mode::Native}, [this] { directoryRow("noSuchAttribute", "x", "MAIL"); }, "YELLOW",
       " Created User JSmith", "MailAccount=Completed", {"Error with Attribute: noSuchAttribute"}},
      {"Exchange 5.5 mail row", {Mode::Mixed, Mode::Nt}, 
       [this] {
         w->ListView8->add("Title", {}, {});
         w->ListView8->setSubItem(w->ListView8->count(), 1, "Teacher");
         exch55_->refuseAttribute("Title");
       },
       "YELLOW", " Created User JSmith", "MailAccount=Completed", {"Error with Attribute: Title"}},
      {"command fails", all, [this] { command(3); }, "YELLOW", " Created User JSmith", "run=Completed",
       {"Error with :", "Warning - Command: exit code 3"}},
      {"command missing", all, [this] { w->Create_Script->setText(dir() + "no-such-program %UserName%"); },
       "YELLOW", " Created User JSmith", "run=Error", {"Error Running Command: "}},
  };
  for (const Case& c : cases) {
    for (Mode mode : c.modes) {
      SCOPED_TRACE(std::string(c.step) + (mode == Mode::Native ? " native" : mode == Mode::Mixed ? " mixed" : " NT 4.0"));
      restart();
      scenario(mode);
      if (IsSkipped()) continue;
      ASSERT_FALSE(HasFatalFailure());
      c.inject();
      ASSERT_FALSE(HasFatalFailure());
      w->CreateUser_Click();
      const QStringList block = logBlock();
      const QString said = block.join("\n");
      EXPECT_EQ(lastColour(), QString(c.colour)) << said.toStdString();
      EXPECT_EQ(lastVerdict(), QString(c.verdict));
      ASSERT_TRUE(w->lastCreation);

      // The lines, in their order, each the start of a line of the block.
      int at = 0;
      for (const QString& expected : c.lines) {
        while (at < block.size() && !block[at].startsWith(expected)) ++at;
        EXPECT_LT(at, block.size()) << "not said: " << expected.toStdString() << "\n" << said.toStdString();
      }
      const QHash<QString, QLabel*> marks{{"Createdirs", w->Createdirs}, {"Sharedirs", w->Sharedirs},
                                          {"Security", w->Security},     {"UserAccount", w->UserAccount},
                                          {"MailAccount", w->MailAccount}, {"run", w->run}};
      const QStringList mark = QString(c.mark).split('=');
      EXPECT_EQ(marks.value(mark[0])->text(), mark[1]) << c.mark;
      // The run's row is the only one on screen.
      EXPECT_EQ(onScreen(), QStringList{QString(c.colour) + "|" + c.verdict});
    }
  }
}

// --- the directory on the test DC, the rest simulated beside it ---

TEST_F(CreationScenario, DcEveryStepWithTheDirectoryOnTheDc) {
  if (!dc) GTEST_SKIP() << "runs against the test DC (dc.*)";
  scenario(Mode::Native);
  ASSERT_FALSE(HasFatalFailure());
  // The simulated Terminal Services server keeps values only for accounts its own network knows:
  // it is told the name of the account the DC is about to get.
  ASSERT_TRUE(simnet::NetworkBuilder(fileNet_).user("example.local", "JSmith").build().ok());
  w->CreateUser_Click();
  const QStringList block = logBlock();
  const QString said = block.join("\n");
  EXPECT_EQ(lastVerdict(), " Created User JSmith") << said.toStdString();
  // The controller is the directory's, not the simulated network's.
  EXPECT_TRUE(block.contains("Locate PDC: dc1.example.local")) << said.toStdString();
  auto user = adUser("JSmith");
  ASSERT_TRUE(user.ok()) << user.error().message.toStdString();
  EXPECT_EQ(user->Get("department")->toString(), "Science");
  EXPECT_EQ(user->Get("physicalDeliveryOfficeName")->toString(), "Room 7");
  EXPECT_EQ(user->Get("userPrincipalName")->toString(), "John.Smith@example.local");
  EXPECT_EQ(user->Get("displayName")->toString(), "Smith, John");
  auto rid = directory::Get_Group_RID_W2K("LDAP://CN=Teachers," + kStaff);
  ASSERT_TRUE(rid.ok());
  EXPECT_EQ(user->Get("primaryGroupID")->toInt(), *rid);
  auto printing = admin().GetObject("LDAP://CN=Printing,CN=Users," + kDomainDn);
  ASSERT_TRUE(printing.ok());
  EXPECT_TRUE(printing->IsMember(user->ADsPath()).value());
  // Folders, shares and Terminal Services on the simulated servers, for the DC's account.
  const security::Sid jsmith = sidOf("EXAMPLE\\JSmith");
  ASSERT_TRUE(jsmith.isValid());
  auto sd = securityOf("\\\\FS1\\D$\\Users\\JSmith");
  ASSERT_TRUE(sd && sd->dacl);
  EXPECT_TRUE(sd->dacl->isCanonical());
  EXPECT_TRUE(grants(*sd->dacl, jsmith, kModify)) << aces(*sd->dacl).join("\n").toStdString();
  netapi::SHARE_INFO_502 info;
  EXPECT_EQ(netapi::NetShareGetInfo("FS1", "JSmith", info), 0u);
  EXPECT_EQ(argv(), (QStringList{"JSmith", "John Smith", "example.local", "EXCH2K"}));
  EXPECT_TRUE(childTexts(node(kStaff)).contains("Smith, John"));
  wts::WtsValue value;
  ASSERT_EQ(wts::WTSQueryUserConfig(controller(), "JSmith", wts::WTSUserConfigTerminalServerProfilePath, value), 0u)
      << said.toStdString();
  EXPECT_EQ(value.text, "\\\\FS1\\TS\\JSmith");
  EXPECT_FALSE(said.contains("Warning - Terminal Services"));
  // The mailbox: made when the DC holds the Exchange organisation's store, else said plainly.
  if (user->Get("homeMDB").ok()) {
    EXPECT_EQ(user->Get("homeMDB")->toString(), kStoreDn);
    EXPECT_EQ(w->MailAccount->text(), "Completed");
  } else {
    EXPECT_EQ(lastColour(), "YELLOW");
    EXPECT_EQ(w->MailAccount->text(), "Error");
    const int failed = block.indexOf("Failed to create Mail Account");
    ASSERT_GE(failed, 0) << said.toStdString();
    // The reason is in words, not a bare number.
    EXPECT_TRUE(block.value(failed + 1).contains(QRegularExpression("^Warning - Mailbox: .*[A-Za-z]{4}")))
        << said.toStdString();
  }
}

}  // namespace
