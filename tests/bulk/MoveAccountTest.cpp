// The account side of a move, on the simulated network and on the test DC: the new paths, drive
// and logon script written, the template's groups joined, and a template without a home leaving
// the home alone.

#include "BulkFixture.h"

#include "bulk/MoveUser.h"

namespace tavrel::test {
namespace {

class AccountHost : public bulk::MoveHost {
 public:
  bulk::MoveForm form;
  QStringList rows;
  bulk::MoveForm load() override { return form; }
  void status(const QString&) override {}
  void logTab(const QString& colour, const QString& message) override { rows << colour + message; }
  void clear() override {}
};

class MoveAccount : public BulkFixture {
 protected:
  static QString leadsPath() { return path("CN=Sales Leads,OU=Sales"); }
  bulk::MoveForm form() {
    bulk::MoveForm f;
    f.dbpath = dir();
    f.server = QStringLiteral("FS9");
    f.homeUnc = QStringLiteral("\\\\%Server%\\%UserName%$");
    f.profileUnc = QStringLiteral("\\\\%Server%\\Profiles\\%UserName%");
    f.homeDrive = QStringLiteral("H:");
    f.changeLogon = true;
    f.logonScript = QStringLiteral("staff.bat");
    f.addToGroups = true;
    f.groups = {{QStringLiteral("Sales Leads"), leadsPath()}};
    return f;
  }
  AccountHost host;
};

TEST_F(MoveAccount, WritesThePathsDriveScriptAndGroups) {
  host.form = form();
  QString user = alicePath();
  ASSERT_TRUE(bulk::Move_One_User(user, host)) << logLines().join(u'\n').toStdString();
  EXPECT_EQ(user, "alice");
  EXPECT_EQ(read(alicePath(), "homeDirectory").toString(), "\\\\FS9\\alice$");
  EXPECT_EQ(read(alicePath(), "homeDrive").toString(), "H:");
  EXPECT_EQ(read(alicePath(), "scriptPath").toString(), "staff.bat");
  EXPECT_EQ(read(alicePath(), "profilePath").toString(), "\\\\FS9\\Profiles\\alice");
  auto member = bind(leadsPath()).IsMember(alicePath());
  ASSERT_TRUE(member.ok());
  EXPECT_TRUE(*member);
  EXPECT_EQ(host.rows, QStringList({"GREEN alice Moved"}));
  EXPECT_TRUE(logLines().contains("Added user to Groups"));
}

TEST_F(MoveAccount, TemplateWithoutHomeLeavesTheHomeAlone) {
  write(bobPath(), "homeDirectory", "\\\\OLD\\bob$");
  write(bobPath(), "homeDrive", "U:");
  host.form = form();
  host.form.homeUnc.clear();
  host.form.addToGroups = false;
  QString user = bobPath();
  ASSERT_TRUE(bulk::Move_One_User(user, host));
  EXPECT_EQ(read(bobPath(), "homeDirectory").toString(), "\\\\OLD\\bob$");
  EXPECT_EQ(read(bobPath(), "homeDrive").toString(), "U:");
  EXPECT_EQ(read(bobPath(), "profilePath").toString(), "\\\\FS9\\Profiles\\bob");
}

// A group the account cannot join is said, and the move ends YELLOW, not GREEN.
TEST_F(MoveAccount, AGroupThatCannotBeJoinedEndsYellow) {
  host.form = form();
  host.form.groups = {{QStringLiteral("Gone"), path("CN=Gone,OU=Sales")}};
  QString user = alicePath();
  ASSERT_TRUE(bulk::Move_One_User(user, host));
  EXPECT_TRUE(logLines().contains("Unable to add user to group: Gone"));
  EXPECT_EQ(host.rows, QStringList({"YELLOW alice Moved - had errors"}));
}

}  // namespace
}  // namespace tavrel::test

namespace tavrel::test {
namespace {

// NT: a local group of the selection stands for its members; no account is taken by the group's
// name.
class MoveDriverNt : public BulkFixture {};

TEST_F(MoveDriverNt, LocalGroupIsExpandedToItsMembers) {
  ntMode();
  records::Site_Record site;
  site.SiteName = QStringLiteral("North");
  site.HomeServer = QStringLiteral("FS9");
  ASSERT_TRUE(writeAll(dir() + QStringLiteral("Site.dat"), site.encode()));
  records::Template_Record t;
  t.Name = QStringLiteral("Staff");
  t.HomeShareUNC = QStringLiteral("\\\\%Server%\\%UserName%$");
  ASSERT_TRUE(writeAll(dir() + QStringLiteral("Template.dat"), t.encode()));
  bulk::MultiUser& w = window();
  w.Multi_Site->addItem(QStringLiteral("North"));
  w.Multi_Template->addItem(records::Template_Record::decode(t.encode()).Name);
  w.UserData[2]->setChecked(true);
  select({"Printers"});
  w.btn_MoveUser_Click();
  EXPECT_EQ(read("WinNT://OLDCORP/rroe", "HomeDirectory").toString(), "\\\\FS9\\rroe$");
  EXPECT_TRUE(logLines().contains("Moving User: rroe")) << logLines().join(u'\n').toStdString();
  EXPECT_FALSE(logLines().contains("Moving User: Printers"));
  EXPECT_EQ(rows, QStringList({"GREEN rroe Moved"}));
  EXPECT_EQ(w.Label3->text(), "Move Complete, Check Log for Errors");
}

}  // namespace
}  // namespace tavrel::test
