// The User Manager page: Details from the tree, the change flags, the group buttons and lists,
// saving, and clearing the page, in Active Directory and NT 4.0 domains.

#include "DomainFixture.h"

#include "directory/RecordingBackend.h"
#include "mainwindow/Custom.h"
#include "startup/Settings.h"

using namespace tavrel;
using simnet::GroupSpec;
using simnet::UserSpec;

namespace {

const QString kPath = QStringLiteral("LDAP://example.local/");
const QString kJohn = kPath + QStringLiteral("CN=John Smith,OU=Sales,DC=example,DC=local");

class UserManager : public test::DomainFixture {
 protected:
  void adDomain() {
    if (!test::onTestDc()) builder->forest("example.local", "EXAMPLE");
    builder->ou("example.local", "OU=Sales")
        .user("example.local", "jsmith",
              UserSpec()
                  .in("OU=Sales")
                  .named("John Smith")
                  .withPassword("Secret1x")
                  .with("description", "Sales clerk")
                  .with("homeDrive", "H:")
                  .with("userPrincipalName", "jsmith@example.local"))
        .group("example.local", "Sales Team", GroupSpec().in("OU=Sales"))
        .group("example.local", "Managers", GroupSpec().in("OU=Sales"))
        .group("example.local", "Auditors", GroupSpec().in("OU=Sales"))
        .user("example.local", "mjones",
              UserSpec().in("OU=Sales").named("Mary Jones").withPassword("Secret2x"))
        .member("example.local", "Sales Team", "jsmith");
    installRecorded();
    ASSERT_TRUE(connect("example.local"));
  }
  void ntDomain() {
    builder->forest("example.local", "EXAMPLE")
        .nt4Domain("OLDCORP")
        .user("OLDCORP", "jdoe", UserSpec().withPassword("Secret3x").with("description", "Accounts clerk"))
        .user("OLDCORP", "gone")
        .group("OLDCORP", "Accounts", GroupSpec().ofType(2))
        .group("OLDCORP", "Printers", GroupSpec().ofType(4))
        .member("OLDCORP", "Accounts", "jdoe");
    installRecorded();
    ASSERT_TRUE(connect("OLDCORP"));
  }
  // The program's directory records what it writes.
  void installRecorded() {
    install();
    recorder = std::make_shared<test::RecordingBackend>(backend());
    directory::setDirectory(std::make_shared<adsi::Directory>(recorder));
  }

  // Double-clicks the node: the Details command.
  void details(QTreeWidgetItem* n) {
    ASSERT_NE(n, nullptr);
    w->TreeView1->setCurrentItem(n);
    w->TreeView1_DblClick();
  }
  QTreeWidgetItem* ntUser(const QString& name) const {
    QTreeWidgetItem* root = w->TreeView1->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i)
      if (root->child(i)->text(0) == name) return root->child(i);
    return nullptr;
  }
  std::array<int16_t, 5> flags() const {
    const state::SharedState& sh = state::shared();
    return {sh.UM_Changed_Logon, sh.UM_Changed_Paths, sh.UM_Changed_General, sh.UM_Changed_Flags,
            sh.UM_Changed_Custom};
  }
  void select(ui::ListView* list, const QStringList& rows) {
    list->clearSelection();
    for (int i = 1; i <= list->count(); ++i)
      if (rows.contains(list->text(i))) list->item(i)->setSelected(true);
  }
  QVariant read(const QString& path, const QString& name) {
    auto o = admin().GetObject(path);
    if (!o) return {};
    auto v = o->Get(name);
    return v ? *v : QVariant();
  }

  std::shared_ptr<test::RecordingBackend> recorder;
};

TEST_F(UserManager, DetailsLoadsTheUserWithNoFlagRaised) {
  adDomain();
  w->SSTab1->setCurrentIndex(mainwindow::form1::kSetupPage);
  details(node(kJohn));
  EXPECT_EQ(w->SSTab1->currentIndex(), mainwindow::form1::kUserManagerPage);
  EXPECT_EQ(w->USERID->text(), "John Smith");
  EXPECT_EQ(w->USERID_W2K->text(), kJohn);
  EXPECT_EQ(w->UM_Description->text(), "Sales clerk");
  EXPECT_EQ(w->UM_Drive_Letter->currentText(), "H:");
  EXPECT_EQ(w->UM_Logon_Name->text(), "jsmith");
  EXPECT_EQ(w->UM_W2KDomain_Name->text(), "@example.local");
  EXPECT_EQ(w->AccExpires->text(), "Never");
  EXPECT_EQ(texts(w->ListView4), (QStringList{"Domain Users", "Sales Team"}));
  EXPECT_FALSE(texts(w->ListView3).contains("Sales Team"));
  EXPECT_FALSE(texts(w->ListView3).contains("Domain Users"));
  EXPECT_TRUE(texts(w->ListView3).contains("Managers"));
  EXPECT_EQ(status(), "John Smith Primary Group is 'Domain Users'");
  EXPECT_EQ(flags(), (std::array<int16_t, 5>{0, 0, 0, 0, 0}));
  EXPECT_TRUE(w->chkAcctLockedOut->isHidden());
  // The loaded account's name cannot be typed over.
  EXPECT_TRUE(w->USERID->isReadOnly());
}

TEST_F(UserManager, DetailsOnAnythingButAUserOnlyClearsThePage) {
  adDomain();
  details(node(kJohn));
  ASSERT_EQ(w->USERID->text(), "John Smith");
  w->UM_Description->setText("edited");
  for (QTreeWidgetItem* n : {node(kPath + "CN=Sales Team,OU=Sales,DC=example,DC=local"),
                             node("OU=Sales,DC=example,DC=local"), w->TreeView1->topLevelItem(0)}) {
    if (!n) continue;  // groups are not in the tree
    SCOPED_TRACE(n->text(0).toStdString());
    details(n);
    EXPECT_EQ(w->USERID->text(), "");
    EXPECT_EQ(w->USERID_W2K->text(), "") << "no user stays loaded";
    EXPECT_EQ(w->UM_Description->text(), "");
    EXPECT_EQ(w->ListView4->count(), 0);
    EXPECT_TRUE(texts(w->ListView3).contains("Sales Team"));
    EXPECT_EQ(flags(), (std::array<int16_t, 5>{0, 0, 0, 0, 0}));
  }
}

TEST_F(UserManager, AnEditRaisesItsGroupAndSaveWritesOnlyThat) {
  adDomain();
  details(node(kJohn));
  w->UM_Description->setText("Senior clerk");
  EXPECT_EQ(flags(), (std::array<int16_t, 5>{0, 0, -1, 0, 0}));
  w->chkPwdNever->setChecked(true);
  EXPECT_EQ(flags(), (std::array<int16_t, 5>{0, 0, -1, -1, 0}));
  w->chkPwdNever->setChecked(false);
  recorder->writes().clear();
  w->Userman_Save->click();
  EXPECT_EQ(status(), "Saved...");
  EXPECT_EQ(read(kJohn, "description").toString(), "Senior clerk");
  const QSet<QString> written = recorder->writes().attributesOf("cn=john smith");
  for (const QString& a : written)
    EXPECT_TRUE(QSet<QString>({"description", "displayname", "givenname", "sn", "physicaldeliveryofficename",
                               "initials", "useraccountcontrol"})
                    .contains(a))
        << a.toStdString();
  EXPECT_FALSE(written.contains("pwdlastset"));
  EXPECT_EQ(beeps.beeps(), 0);
}

// The account's commit stored the must-change box and only its WinNT view then failed: saving
// again does not restart the password's age a second time.
TEST_F(UserManager, ARetryAfterAFailedWinNtViewDoesNotWriteThePasswordAgeAgain) {
  adDomain();
  details(node(kJohn));
  w->chkMustChange->setChecked(!w->chkMustChange->isChecked());
  w->chkCantChange->setChecked(!w->chkCantChange->isChecked());  // kept through the WinNT view
  const QString netbios = state::shared().NetBIOS_Domain;
  state::shared().NetBIOS_Domain = "NOSUCH";
  recorder->writes().clear();
  w->Userman_Save->click();
  EXPECT_NE(status(), "Saved...");
  EXPECT_TRUE(recorder->writes().attributesOf("cn=john smith").contains("pwdlastset"));
  state::shared().NetBIOS_Domain = netbios;
  recorder->writes().clear();
  w->Userman_Save->click();
  EXPECT_EQ(status(), "Saved...");
  EXPECT_FALSE(recorder->writes().attributesOf("cn=john smith").contains("pwdlastset"));
}

// The text after the logon name is an ordinary field: editing it alone saves the new name.
TEST_F(UserManager, TheSuffixOfTheLogonNameCanBeEdited) {
  adDomain();
  details(node(kJohn));
  EXPECT_FALSE(w->UM_W2KDomain_Name->isReadOnly());
  w->UM_W2KDomain_Name->setText("@sales.example.local");
  EXPECT_EQ(flags(), (std::array<int16_t, 5>{-1, 0, 0, 0, 0}));
  w->Userman_Save->click();
  EXPECT_EQ(status(), "Saved...");
  EXPECT_EQ(read(kJohn, "userPrincipalName").toString(), "jsmith@sales.example.local");
}

// A refresh clears the page; Save then has no user to write to.
TEST_F(UserManager, SaveAfterARefreshWritesNothing) {
  adDomain();
  details(node(kJohn));
  w->UM_Description->setText("edited");
  w->chkAcctDisabled->setChecked(true);
  w->Clear_UM();
  EXPECT_EQ(flags(), (std::array<int16_t, 5>{0, 0, 0, 0, 0}));
  recorder->writes().clear();
  w->Userman_Save_Click();
  EXPECT_EQ(status(), "No User Loaded...");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(recorder->writes().commits(), 0);
  EXPECT_EQ(read(kJohn, "description").toString(), "Sales clerk");
}

TEST_F(UserManager, ARefusedDriveLetterSavesNothing) {
  adDomain();
  details(node(kJohn));
  w->UM_Drive_Letter->setCurrentText("@:");
  w->UM_Description->setText("edited");
  recorder->writes().clear();
  w->Userman_Save_Click();
  EXPECT_EQ(status(), "Home Drive Format Incorrect");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(recorder->writes().commits(), 0);

  w->UM_Drive_Letter->setCurrentText("K:");
  w->AccExpires->setText("someday");
  w->Userman_Save_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_TRUE(prompts.asked.front().prompt.startsWith(
      "Error setting expiration date: 13 (enter Never, or a date in the form "))
      << prompts.asked.front().prompt.toStdString();
  EXPECT_NE(status(), "Saved...");
  EXPECT_EQ(recorder->writes().commits(), 0);
}

// Three groups chosen, the second refused: the first and third move (the third first).
TEST_F(UserManager, AddingGroupsMovesTheRowsTheDirectoryAccepted) {
  adDomain();
  details(node(kJohn));
  QStringList three;
  for (int i = 1; i <= w->ListView3->count(); ++i)
    if (QStringList{"Auditors", "Managers", "Domain Admins"}.contains(w->ListView3->text(i)))
      three << w->ListView3->text(i);
  ASSERT_EQ(three.size(), 3);
  // The middle one takes John behind the page's back, so adding it again is refused.
  const QString refusedKey = w->ListView3->key(int(texts(w->ListView3).indexOf(three[1])) + 1);
  auto refused = admin().GetObject(refusedKey);
  ASSERT_TRUE(refused.ok());
  ASSERT_TRUE(refused->Add(kJohn).ok());

  w->ListView3_GotFocus();
  EXPECT_TRUE(w->UM_ADD_GROUP->isEnabled());
  EXPECT_FALSE(w->UM_REMOVE_GROUP->isEnabled());
  select(w->ListView3, three);
  w->UM_ADD_GROUP->click();
  EXPECT_EQ(texts(w->ListView4), (QStringList{"Domain Users", "Sales Team", three[2], three[0]}));
  EXPECT_EQ(w->ListView4->smallIcon(4), "W2KGRP");
  const int stays = int(texts(w->ListView3).indexOf(three[1])) + 1;
  ASSERT_GT(stays, 0);
  EXPECT_TRUE(w->ListView3->item(stays)->isSelected());
  EXPECT_FALSE(texts(w->ListView3).contains(three[0]));
  EXPECT_EQ(status(), "Error adding group");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_TRUE(admin().GetObject(kPath + "CN=Managers,OU=Sales,DC=example,DC=local")->IsMember(kJohn).value());

  // And back out again.
  w->ListView4_GotFocus();
  EXPECT_FALSE(w->UM_ADD_GROUP->isEnabled());
  EXPECT_TRUE(w->UM_REMOVE_GROUP->isEnabled());
  select(w->ListView4, {"Managers"});
  w->UM_REMOVE_GROUP->click();
  EXPECT_FALSE(texts(w->ListView4).contains("Managers"));
  EXPECT_TRUE(texts(w->ListView3).contains("Managers"));
  EXPECT_FALSE(
      admin().GetObject(kPath + "CN=Managers,OU=Sales,DC=example,DC=local")->IsMember(kJohn).value());
}

TEST_F(UserManager, NoUserNoMembershipChange) {
  adDomain();
  details(node(kJohn));
  w->ListView3_GotFocus();
  ASSERT_TRUE(w->UM_ADD_GROUP->isEnabled());
  w->Clear_UM();
  EXPECT_FALSE(w->UM_ADD_GROUP->isEnabled()) << "emptying the account name disables both buttons";
  EXPECT_FALSE(w->UM_REMOVE_GROUP->isEnabled());
  select(w->ListView3, {"Managers"});
  recorder->writes().clear();
  w->UM_ADD_GROUP_Click();
  EXPECT_EQ(recorder->writes().commits(), 0);
  EXPECT_TRUE(texts(w->ListView3).contains("Managers"));
}

// Rows chosen for one user are not chosen for the next: "<<" right after loading another user
// adds them to nothing.
TEST_F(UserManager, LoadingAnotherUserClearsBothGroupSelections) {
  adDomain();
  const QString mary = kPath + "CN=Mary Jones,OU=Sales,DC=example,DC=local";
  details(node(kJohn));
  select(w->ListView3, {"Managers"});
  select(w->ListView4, {"Sales Team"});
  details(node(mary));
  ASSERT_EQ(w->USERID->text(), "Mary Jones");
  for (ui::ListView* list : {w->ListView3, w->ListView4})
    EXPECT_TRUE(list->selectedItems().isEmpty()) << list->objectName().toStdString();
  recorder->writes().clear();
  w->UM_ADD_GROUP->click();
  w->ListView4_GotFocus();
  w->UM_REMOVE_GROUP->click();
  EXPECT_EQ(recorder->writes().commits(), 0);
  EXPECT_FALSE(admin().GetObject(kPath + "CN=Managers,OU=Sales,DC=example,DC=local")->IsMember(mary).value());
}

// Neither group button works while no user is loaded, whichever list has the focus.
TEST_F(UserManager, GroupButtonsStayDisabledWithoutAUser) {
  adDomain();
  EXPECT_FALSE(w->UM_ADD_GROUP->isEnabled());
  EXPECT_FALSE(w->UM_REMOVE_GROUP->isEnabled());
  w->ListView3_GotFocus();
  EXPECT_FALSE(w->UM_ADD_GROUP->isEnabled());
  w->ListView4_GotFocus();
  EXPECT_FALSE(w->UM_REMOVE_GROUP->isEnabled());
  details(node(kJohn));
  EXPECT_TRUE(w->UM_ADD_GROUP->isEnabled());
  w->ListView4_GotFocus();
  EXPECT_TRUE(w->UM_REMOVE_GROUP->isEnabled());
  w->Clear_UM();
  w->ListView4_GotFocus();
  EXPECT_FALSE(w->UM_REMOVE_GROUP->isEnabled());
  w->ListView3_GotFocus();
  EXPECT_FALSE(w->UM_ADD_GROUP->isEnabled());
}

// The page finds a user's groups among "Not a member of:" by key (Active Directory) or trimmed
// text (NT) without regard to letter case, wherever the rows stand.
TEST_F(UserManager, TheUsersGroupsLeaveTheOtherListWhateverTheirCaseAndOrder) {
  adDomain();
  const int team = int(texts(w->ListView3).indexOf("Sales Team")) + 1;
  const int users = int(texts(w->ListView3).indexOf("Domain Users")) + 1;
  ASSERT_GT(team, 0);
  ASSERT_GT(users, 0);
  w->ListView3->setKey(team, w->ListView3->key(team).toUpper());
  w->ListView3->setKey(users, w->ListView3->key(users).toLower());
  // The rows in an order no search could rely on: the user's groups last.
  for (const char* name : {"Sales Team", "Domain Users"}) {
    const int i = int(texts(w->ListView3).indexOf(name)) + 1;
    const QString key = w->ListView3->key(i), icon = w->ListView3->smallIcon(i);
    w->ListView3->remove(i);
    w->ListView3->add(name, key, icon);
  }
  const int before = w->ListView3->count();
  details(node(kJohn));
  EXPECT_EQ(texts(w->ListView4), (QStringList{"Domain Users", "Sales Team"}));
  EXPECT_FALSE(texts(w->ListView3).contains("Sales Team"));
  EXPECT_FALSE(texts(w->ListView3).contains("Domain Users"));
  EXPECT_EQ(w->ListView3->count(), before - 2);
}

TEST_F(UserManager, AnNtUsersGroupsLeaveTheOtherListWhateverTheirCase) {
  SIMNET_ONLY("an NT 4.0 domain");
  ntDomain();
  const int accounts = int(texts(w->ListView3).indexOf("Accounts")) + 1;
  ASSERT_GT(accounts, 0);
  w->ListView3->setText(accounts, "ACCOUNTS ");
  details(ntUser("jdoe"));
  EXPECT_TRUE(texts(w->ListView4).contains("Accounts"));
  EXPECT_FALSE(texts(w->ListView3).contains("ACCOUNTS "));
  EXPECT_TRUE(texts(w->ListView3).contains("Printers"));
}

TEST_F(UserManager, ARightClickShowsTheGroupsPath) {
  adDomain();
  details(node(kJohn));
  w->ListView4->setSelectedIndex(2);
  w->ListView4_MouseUp(Qt::RightButton);
  EXPECT_EQ(w->ListView4->toolTip(), kPath + "CN=Sales Team,OU=Sales,DC=example,DC=local");
  w->ListView4_MouseUp(Qt::LeftButton);
  EXPECT_EQ(w->ListView4->toolTip(), "");
}

TEST_F(UserManager, ClearingReturnsTheGroupsInTheirOrder) {
  adDomain();
  details(node(kJohn));
  const int before = w->ListView3->count();
  w->Clear_UM();
  EXPECT_EQ(w->ListView4->count(), 0);
  EXPECT_EQ(w->ListView3->count(), before + 2);
  EXPECT_EQ(w->UM_W2KDomain_Name->text(), "@example.local");
}

// The custom pairs on the page: a value holding several values is read-only and says why; only
// the pair the administrator typed into is written.
TEST_F(UserManager, OnlyTheEditedCustomValueIsWritten) {
  adDomain();
  const std::pair<const char*, const char*> pairs[] = {
      {"Title", "title"}, {"Phones", "otherTelephone"}, {"Department", "department"}};
  for (int k = 0; k < 3; ++k) {
    ASSERT_TRUE(
        startup::writeSetting(state::reg(), "Custom", "Custom" + QString::number(k + 1), pairs[k].first));
    ASSERT_TRUE(
        startup::writeSetting(state::reg(), "Custom", "Property" + QString::number(k + 1), pairs[k].second));
  }
  w->Load_Custom_Fields();
  auto john = admin().GetObject(kJohn);
  ASSERT_TRUE(john.ok());
  ASSERT_TRUE(john->Put("title", "Clerk").ok());
  ASSERT_TRUE(john->Put("department", "Sales").ok());
  ASSERT_TRUE(john->PutEx(adsi::ADS_PROPERTY_UPDATE, "otherTelephone", {"111", "222"}).ok());
  ASSERT_TRUE(john->SetInfo().ok());

  details(node(kJohn));
  EXPECT_EQ(w->Custom_Value[0]->text(), "Clerk");
  EXPECT_FALSE(w->Custom_Value[0]->isReadOnly());
  EXPECT_TRUE(w->Custom_Value[1]->isReadOnly());
  EXPECT_TRUE(w->Custom_Value[1]->toolTip().startsWith("otherTelephone holds 2 values"))
      << w->Custom_Value[1]->toolTip().toStdString();
  EXPECT_FALSE(w->Custom_Value[2]->isReadOnly());

  w->Custom_Value[0]->setText("Senior Clerk");
  recorder->writes().clear();
  w->Userman_Save->click();
  EXPECT_EQ(status(), "Saved...");
  EXPECT_EQ(recorder->writes().attributesOf("cn=john smith"), QSet<QString>{"title"});
  EXPECT_EQ(read(kJohn, "title").toString(), "Senior Clerk");
  EXPECT_EQ(admin().GetObject(kJohn)->GetEx("otherTelephone")->size(), 2);

  // Another load starts from editable boxes and nothing edited.
  w->Clear_UM();
  EXPECT_FALSE(w->Custom_Value[1]->isReadOnly());
  EXPECT_EQ(w->Custom_Value[1]->toolTip(), "");
  details(node(kJohn));
  recorder->writes().clear();
  w->chkPwdNever->setChecked(true);
  w->chkPwdNever->setChecked(false);
  w->Userman_Save->click();
  EXPECT_FALSE(recorder->writes().attributesOf("cn=john smith").contains("title"));
}

// Configuring the custom properties anew empties their boxes while a user is loaded: that is no
// edit, and Save clears none of the user's attributes.
TEST_F(UserManager, ReconfiguredCustomPropertiesClearNothingOnSave) {
  adDomain();
  ASSERT_TRUE(startup::writeSetting(state::reg(), "Custom", "Custom1", "Title"));
  ASSERT_TRUE(startup::writeSetting(state::reg(), "Custom", "Property1", "title"));
  w->Load_Custom_Fields();
  auto john = admin().GetObject(kJohn);
  ASSERT_TRUE(john.ok());
  ASSERT_TRUE(john->Put("title", "Clerk").ok());
  ASSERT_TRUE(john->SetInfo().ok());
  details(node(kJohn));
  ASSERT_EQ(w->Custom_Value[0]->text(), "Clerk");

  mainwindow::Custom window(*w);
  window.OKButton->click();  // the same property, stored again
  EXPECT_EQ(w->Custom_Value[0]->text(), "");
  EXPECT_TRUE(w->Custom_Value[0]->isReadOnly());
  EXPECT_FALSE(w->Custom_Value[0]->toolTip().isEmpty());
  recorder->writes().clear();
  w->UM_Description->setText("edited");
  w->Userman_Save->click();
  EXPECT_EQ(status(), "Saved...");
  EXPECT_EQ(read(kJohn, "title").toString(), "Clerk");
  EXPECT_FALSE(recorder->writes().attributesOf("cn=john smith").contains("title"));

  details(node(kJohn));
  EXPECT_EQ(w->Custom_Value[0]->text(), "Clerk");
  EXPECT_FALSE(w->Custom_Value[0]->isReadOnly()) << "a load makes the value editable again";
}

TEST_F(UserManager, NtUserLoadsGroupsAndSaves) {
  SIMNET_ONLY("an NT 4.0 domain");
  ntDomain();
  details(ntUser("jdoe"));
  EXPECT_EQ(w->USERID->text(), "jdoe");
  EXPECT_EQ(w->UM_Description->text(), "Accounts clerk");
  EXPECT_EQ(w->AccExpires->text(), "Never");
  QStringList member = texts(w->ListView4);
  member.sort();
  EXPECT_EQ(member, (QStringList{"Accounts", "Domain Users"}));
  EXPECT_EQ(status(), "jdoe Primary Group is 'Domain Users'");

  select(w->ListView3, {"Printers"});
  w->UM_ADD_GROUP_Click();
  ASSERT_TRUE(texts(w->ListView4).contains("Printers"));
  const int row = int(texts(w->ListView4).indexOf("Printers")) + 1;
  EXPECT_EQ(w->ListView4->key(row), "") << "an NT row carries no key";
  EXPECT_EQ(w->ListView4->smallIcon(row), "Local");

  w->UM_Description->setText("Chief clerk");
  w->Userman_Save_Click();
  EXPECT_EQ(status(), "Saved...");
  EXPECT_EQ(read("WinNT://OLDCORP/jdoe", "Description").toString(), "Chief clerk");
}

TEST_F(UserManager, AnNtUserThatIsGoneSaysSo) {
  SIMNET_ONLY("an NT 4.0 domain");
  ntDomain();
  ASSERT_TRUE(admin().GetObject("WinNT://OLDCORP")->Delete("user", "gone").ok());
  details(ntUser("gone"));
  EXPECT_EQ(status(), "Error retrieving User Info...");
  EXPECT_EQ(beeps.beeps(), 1);
}

}  // namespace
