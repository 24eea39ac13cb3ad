// The "Move Users" button of the bulk window: the checks, the options locked while it runs, the
// users of the selection moved one by one, Cancel during the yield, and "No Prompting".

#include "MoveFixture.h"

#include "bulk/Catalogue.h"
#include "bulk/MultiUser.h"

#include <QTimer>

namespace tavrel::test {
namespace {

class MoveDriver : public MoveFixture {
 protected:
  void SetUp() override {
    MoveFixture::SetUp();
    if (HasFatalFailure()) return;
    bulk::MultiUser::unload();
    bulk::MultiUser::setLinks({[this](const QString& c, const QString& m) { rows << c + m; },
                               [] { return QString(); }, [this] { return dir(); }});
    // The site and template the window offers.
    records::Site_Record site;
    site.SiteName = QStringLiteral("North");
    site.HomeServer = QStringLiteral("FILESRV2");
    ASSERT_TRUE(writeAll(dir() + QStringLiteral("Site.dat"), site.encode()));
    records::Template_Record t;
    t.Name = QStringLiteral("Staff");
    t.HomeDirLocal = QStringLiteral("E:\\Home\\%UserName%");
    t.HomeShareUNC = QStringLiteral("\\\\%Server%\\%UserName%$");
    t.HomeShareName = QStringLiteral("%UserName%$");
    t.HomeDrive = QStringLiteral("H:");
    ASSERT_TRUE(writeAll(dir() + QStringLiteral("Template.dat"), t.encode()));
    sharePermFor(1);
    w = &bulk::MultiUser::instance(dir());
    w->setYieldInterval(0);
    w->Multi_Site->addItem(QStringLiteral("North"));
    w->Multi_Template->addItem(records::Template_Record::decode(t.encode()).Name);  // as stored
    w->UserData[0]->setChecked(true);
    for (const char* u : {"jsmith", "mjones"}) {
      put('D', QStringLiteral("Users/%1/mail.pst").arg(QLatin1String(u)), QByteArray("data of ") + u);
      setAttr(pathOf(u), "HomeDirectory", QStringLiteral("\\\\FILESRV1\\Users$\\") + QLatin1String(u));
    }
  }
  void TearDown() override {
    bulk::MultiUser::unload();
    bulk::MultiUser::setLinks({});
    MoveFixture::TearDown();
  }
  static QString pathOf(const char* cn) {
    return QStringLiteral("LDAP://example.local/CN=%1,CN=Users,DC=example,DC=local").arg(QLatin1String(cn));
  }
  void selectUsers(const QStringList& names) {
    for (const QString& n : names)
      bulk::catalogue().selection.add(n, pathOf(n.toLatin1().constData()), "USER");
  }
  bool moved(const char* u) {
    return QFileInfo::exists(
        drivePath("FILESRV2", 'E', QStringLiteral("Home/%1/mail.pst").arg(QLatin1String(u))));
  }
  QList<QWidget*> options() const {
    return {w->Command7,      w->Run_CMD,      w->No_Prompt,   w->Multi_Site,  w->Multi_Template,
            w->Add_to_Groups, w->Change_Logon, w->UserData[0], w->UserData[1], w->UserData[2]};
  }

  bulk::MultiUser* w = nullptr;
  QStringList rows;
};

TEST_F(MoveDriver, MovesEveryUserOfTheSelectionAndUnlocks) {
  selectUsers({"jsmith", "mjones"});
  bool lockedDuringRun = false;
  QTimer::singleShot(0, [&] {
    lockedDuringRun = w->btn_MoveUser->text() == "&Cancel";
    for (QWidget* o : options()) lockedDuringRun = lockedDuringRun && !o->isEnabled();
  });
  w->btn_MoveUser_Click();
  EXPECT_TRUE(lockedDuringRun);
  EXPECT_TRUE(moved("jsmith"));
  EXPECT_TRUE(moved("mjones"));
  EXPECT_EQ(rows, QStringList({"GREEN jsmith Moved", "GREEN mjones Moved"}));
  EXPECT_EQ(attr(pathOf("mjones"), "HomeDirectory").toString(), "\\\\FILESRV2\\mjones$");
  EXPECT_EQ(w->Label3->text(), "Move Complete, Check Log for Errors");
  EXPECT_EQ(w->btn_MoveUser->text(), "&Move Users");
  for (QWidget* o : options()) EXPECT_TRUE(o->isEnabled()) << o->objectName().toStdString();
  EXPECT_EQ(state::shared().Bulk_Move_Running, 0);
}

TEST_F(MoveDriver, CancelDuringTheYieldStopsAfterTheCurrentUser) {
  selectUsers({"jsmith", "mjones"});
  QTimer::singleShot(0, [&] { w->btn_MoveUser_Click(); });  // served after the first user
  w->btn_MoveUser_Click();
  EXPECT_TRUE(moved("jsmith"));
  EXPECT_FALSE(moved("mjones"));
  EXPECT_EQ(readAll(drivePath("FILESRV1", 'D', "Users/mjones/mail.pst")), "data of mjones");
  EXPECT_EQ(w->Label3->text(), "Move Canceled");
  EXPECT_EQ(w->btn_MoveUser->text(), "&Move Users");
  for (QWidget* o : options()) EXPECT_TRUE(o->isEnabled()) << o->objectName().toStdString();
}

TEST_F(MoveDriver, RefusesWithoutSiteOrTemplateAndDoesNothingWithoutSelection) {
  w->btn_MoveUser_Click();  // empty selection: nothing at all
  EXPECT_TRUE(prompts.asked.empty());
  selectUsers({"jsmith"});
  w->Multi_Template->setCurrentText(QString());
  w->btn_MoveUser_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "A Site and Template must be selected before moving users");
  EXPECT_EQ(prompts.asked[0].title, "Move users");
  EXPECT_FALSE(moved("jsmith"));
  for (QWidget* o : options()) EXPECT_TRUE(o->isEnabled());
}

// "No Prompting" answers every question No: a user whose old home is missing is not moved.
TEST_F(MoveDriver, NoPromptingAnswersNo) {
  setAttr(pathOf("jsmith"), "HomeDirectory", "\\\\FILESRV1\\Users$\\nowhere");
  selectUsers({"jsmith", "mjones"});
  w->No_Prompt->setChecked(true);
  w->btn_MoveUser_Click();
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(attr(pathOf("jsmith"), "HomeDirectory").toString(), "\\\\FILESRV1\\Users$\\nowhere");
  EXPECT_TRUE(moved("mjones"));
}

// NT: user items are moved by account name; a local group's members are moved, never an account
// named like the group.
TEST_F(MoveDriver, NtModeMovesByNameAndExpandsGroups) {
  state::shared().Directory_Mode = 2;
  state::shared().Domain_Name = QStringLiteral("OLDCORP");
  put('D', "Users/jdoe/mail.pst", "data of jdoe");
  adsi::Directory d(net);
  auto u = d.GetObject("WinNT://OLDCORP/jdoe");
  ASSERT_TRUE(u.ok());
  ASSERT_TRUE(u->Put("HomeDirectory", "\\\\FILESRV1\\Users$\\jdoe").ok());
  ASSERT_TRUE(u->SetInfo().ok());
  bulk::catalogue().selection.add("jdoe", QString(), "USER");
  w->btn_MoveUser_Click();
  EXPECT_TRUE(moved("jdoe"));
  EXPECT_EQ(rows, QStringList({"GREEN jdoe Moved"}));
  EXPECT_EQ(d.GetObject("WinNT://OLDCORP/jdoe")->Get("HomeDirectory")->toString(), "\\\\FILESRV2\\jdoe$");
}

}  // namespace
}  // namespace tavrel::test
