// Creating a user through the New User tab: the checks, the ID and its retries, the Log.txt block,
// the folders, the account in Active Directory (native and mixed) and NT 4.0, its groups, primary
// group and tree node, and the failures, on small simulated networks.

#include "DomainFixture.h"

#include "directory/DirectoryService.h"
#include "directory/GroupMembership.h"
#include "platform/files/FileSystem.h"
#include "platform/simnet/Resources.h"
#include "records/DatabaseFolder.h"
#include "records/Records.h"

#include <QRegularExpression>

using namespace tavrel;
using test::DomainFixture;

namespace {

const QString kDomainDn = QStringLiteral("DC=example,DC=local");
const QString kStaff = QStringLiteral("OU=Staff,") + kDomainDn;

class CreateUser : public DomainFixture {
 protected:
  // The network: example.local (or branch.example.local mixed, or the NT domain OLDCORP), a file
  // server FS1 with D:\Users and D:\Profiles, two groups and one existing user.
  enum class Mode { Native, Mixed, Nt };
  void network(Mode mode) {
    mode_ = mode;
    if (mode == Mode::Nt) {
      builder->forest("example.local", "EXAMPLE").nt4Domain("OLDCORP", "OLDPDC");
      domain_ = "OLDCORP";
    } else {
      builder->forest("example.local", "EXAMPLE", mode == Mode::Mixed);
      domain_ = "example.local";
      builder->ou(domain_, "OU=Staff");
    }
    const QString in = mode == Mode::Nt ? QString() : QStringLiteral("OU=Staff");
    builder->group(domain_, "Teachers", mode == Mode::Nt ? simnet::GroupSpec() : simnet::GroupSpec().in(in))
        .group(domain_, "Printing")
        .user(domain_, "jbloggs", mode == Mode::Nt ? simnet::UserSpec() : simnet::UserSpec().in(in))
        .member(domain_, "Teachers", "jbloggs")
        .fileServer("FS1", mode == Mode::Nt ? "OLDCORP" : "example.local", "D")
        .folder("\\\\FS1\\D$\\Users")
        .folder("\\\\FS1\\D$\\Profiles");
    install();
    simnet::installPlatformLayers(net);
    // The template and the site.
    records::Template_Record t;
    t.Name = "Staff";
    t.HomeDirLocal = "D:\\Users\\%UserName%";
    t.ProfileDirLocal = "D:\\Profiles\\%UserName%";
    t.HomeShareUNC = "\\\\%Server%\\%UserName%";
    t.ProfileShareUNC = "\\\\%Server%\\Profiles$\\%UserName%";
    t.LogonScript = "staff.bat";
    t.HomeDrive = "H:";
    t.PrimaryGroup = "Teachers";
    t.GroupCount = 3;
    t.Groups[0] = "Teachers";
    t.Groups[1] = "Printing";
    t.Groups[2] = "Domain Users";
    records::Site_Record site;
    site.SiteName = "Main";
    site.HomeServer = "FS1";
    ASSERT_TRUE(test::writeAll(db() + "Template.dat", t.encode()));
    ASSERT_TRUE(test::writeAll(db() + "Site.dat", site.encode()));
    ASSERT_TRUE(connect(domain_));
    w->Load_Databases();
    w->nutemplate->setCurrentIndex(0);
    w->NUsitename->setCurrentIndex(0);
    w->setupid->setText("1%first%%last%");
    w->defaultpassword->setText("Start-Pw1");
    w->FN_Format->setText("%first% %last%");
    for (QCheckBox* b : {w->Create_Dirs, w->Create_User_Account}) b->setChecked(true);
    if (mode != Mode::Nt) selectNode(kStaff);
  }

  void selectNode(const QString& key) {
    QTreeWidgetItem* n = node(key);
    ASSERT_NE(n, nullptr) << key.toStdString();
    w->TreeView1->setCurrentItem(n);
  }
  void names(const QString& first, const QString& last) {
    w->strFirst->setText(first);
    w->strLast->setText(last);
  }
  adsi::Result<adsi::AdsObject> account(const QString& id) {
    return admin().GetObject(mode_ == Mode::Nt ? "WinNT://OLDCORP/" + id : "WinNT://EXAMPLE/" + id);
  }
  QStringList logBlock() const {
    // The last run's block, the date line masked.
    QStringList lines = logLines();
    const int start = lines.lastIndexOf(QString(41, u'*'));
    lines = lines.mid(start);
    if (lines.size() > 1) lines[1] = "<date>";
    return lines;
  }
  QStringList onScreen() const {
    QStringList out;
    for (int i = 0; i < w->ListView1->topLevelItemCount(); ++i) {
      QTreeWidgetItem* row = w->ListView1->topLevelItem(i);
      out << row->data(0, Qt::UserRole).toString() + "|" + row->text(0);
    }
    return out;
  }
  QString lastVerdict() const {
    const int n = w->ListView1->topLevelItemCount();
    return n ? w->ListView1->topLevelItem(n - 1)->text(0) : QString();
  }

  Mode mode_ = Mode::Native;
  QString domain_;
};

TEST_F(CreateUser, ActiveDirectoryUserWithFoldersGroupsAndPrimaryGroup) {
  network(Mode::Native);
  names("john", "smith");
  w->CreateUser_Click();
  EXPECT_EQ(lastVerdict(), " Created User JSmith");
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
}

}  // namespace
