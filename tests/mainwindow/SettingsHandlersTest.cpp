#include "mainwindow/StartupFixture.h"

#include <QDir>

using namespace tavrel;
using mainwindow::form1;

namespace {

// The handlers of the Setup and Preferences pages on a started window.
class SettingsHandlersTest : public test::StartupFixture {
 protected:
  void SetUp() override {
    StartupFixture::SetUp();
    ASSERT_TRUE(start());
  }
};

TEST_F(SettingsHandlersTest, SaveAppliesTheFolderRuleAndStoresIt) {
  const struct {
    const char* typed;
    const char* result;
  } cases[] = {
      {"/srv/data", "/srv/data/"},
      {"/srv/data/", "/srv/data/"},
      {"/srv/data ", "/srv/data/"},
      {"   ", "   "},
      {"", ""},
      {"/", "/"},
  };
  for (const auto& c : cases) {
    w->dbpath->setText(c.typed);
    w->Command3_Click();
    EXPECT_EQ(w->dbpath->text(), c.result) << '"' << c.typed << '"';
    EXPECT_EQ(stored("Setup", "DataBasePath"), c.result) << '"' << c.typed << '"';
  }
}

TEST_F(SettingsHandlersTest, SaveStoresTheWholePageAsTyped) {
  w->DomName->setEditText("corp.example");
  w->defaultpassword->setText(" Pass word ");
  w->FmtPass->setChecked(true);
  w->Formatted_Password->setText("%first%1");
  w->FmtPass->setChecked(false);  // hidden, but its text is still stored
  w->dbpath->setText(dir());
  w->setupid->setText("%first%%last%");
  w->ALTID->setText("%first%#1%last%");
  w->Create_Script->setText("c");
  w->Move_Script->setText("m");
  w->Delete_Script->setText("d");
  w->Run_Hidden[1]->setChecked(true);
  w->Wait_NEW[0]->setChecked(true);
  w->Wait_NEW[2]->setChecked(true);
  w->Command3_Click();

  const QMap<QString, QString> all = allStored();
  const std::pair<const char*, const char*> expected[] = {
      {"Domain", "corp.example"},
      {"Password", " Pass word "},
      {"FormattedPassword", "%first%1"},
      {"SetupID", "%first%%last%"},
      {"AltSetupID", "%first%#1%last%"},
      {"BatchFileCreate", "c"},
      {"BatchFileMove", "m"},
      {"BatchFileDelete", "d"},
      {"CreateHidden", "No"},
      {"MoveHidden", "Yes"},
      {"DeleteHidden", "No"},
      {"WaitNew", "Yes"},
      {"WaitMove", "No"},
      {"WaitDelete", "Yes"},
  };
  for (const auto& [name, value] : expected)
    EXPECT_EQ(all.value(QStringLiteral("Setup\\") + name), value) << name;
  EXPECT_EQ(all.value("Setup\\DataBasePath"), dir());
  EXPECT_EQ(w->testuserid->text(), "JohnSmith");
  EXPECT_EQ(w->TESTUSERALTID->text(), "JohnS");
}

// Choosing another domain connects nothing until the next start; the page says so beside the box
// for as long as the box names another domain than the one in use.
TEST_F(SettingsHandlersTest, AnotherDomainIsSaidToBeConnectedAtTheNextStart) {
  struct Case {
    const char* inUse;
    const char* typed;
    const char* note;  // empty: no note
  } cases[] = {
      {"example.local", "example.local", ""},
      {"example.local", " EXAMPLE.local ", ""},
      {"example.local", "", ""},
      {"example.local", "corp.example",
       "The tree shows example.local. A domain chosen here is connected at the next start, after \"Save "
       "Settings\"."},
      {"%Domain%", "corp.example",
       "No domain is connected. A domain chosen here is connected at the next start, after \"Save "
       "Settings\"."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    w->DomName->setEditText("x");
    state::shared().Domain_Name = c.inUse;
    w->DomName->setEditText(c.typed);
    EXPECT_EQ(!w->DomainNote->isHidden(), *c.note != 0);
    if (*c.note) {
      EXPECT_EQ(w->DomainNote->text().toStdString(), c.note);
    }
  }
  // Saving keeps the note: the domain is still connected only at the next start.
  state::shared().Domain_Name = "example.local";
  w->DomName->setEditText("corp.example");
  w->Command3_Click();
  EXPECT_FALSE(w->DomainNote->isHidden());
  EXPECT_EQ(stored("Setup", "Domain"), "corp.example");
}

TEST_F(SettingsHandlersTest, UserIdOptions) {
  w->setupid->setText("%first%");
  w->testuserid->setText("before");
  w->Option1[4]->setChecked(true);
  EXPECT_EQ(stored("Setup", "UserFormat"), "5");
  EXPECT_EQ(w->setupid->text(), "%first%");
  EXPECT_EQ(w->testuserid->text(), "before");

  w->Option1[0]->setChecked(true);
  EXPECT_EQ(stored("Setup", "UserFormat"), "1");
  EXPECT_EQ(w->setupid->text(), "%last%#1%first%");
  EXPECT_EQ(w->testuserid->text(), "SmithJ");
  EXPECT_EQ(stored("Setup", "SetupID"), "<missing>") << "the format is stored by Save only";

  w->Option1[3]->setChecked(true);
  EXPECT_EQ(w->testuserid->text(), "JohnSmith");
  EXPECT_EQ(stored("Setup", "UserFormat"), "4");
}

TEST_F(SettingsHandlersTest, FullNameOptionsAndTheCustomFormat) {
  w->FullName_Format[2]->setChecked(true);
  EXPECT_EQ(stored("Preferences", "FullName"), "3");
  EXPECT_EQ(w->FN_Format->text(), "%Last% %First%");
  EXPECT_EQ(w->FN_Format_Check->text(), "Smith John");

  w->FN_Format->setText("%first% (%last%)");
  w->Check_FN_Format_Click();
  EXPECT_EQ(w->FN_Format_Check->text(), "John (Smith)");
  EXPECT_EQ(stored("Preferences", "Custom_FN"), "<missing>") << "a fixed option is selected";

  w->FN_Format_Check->setText("unchanged");
  w->FullName_Format[3]->setChecked(true);
  EXPECT_EQ(stored("Preferences", "FullName"), "4");
  EXPECT_EQ(w->FN_Format->text(), "%first% (%last%)");
  EXPECT_EQ(w->FN_Format_Check->text(), "unchanged");
  w->Check_FN_Format->click();
  EXPECT_EQ(stored("Preferences", "Custom_FN"), "%first% (%last%)");
}

TEST_F(SettingsHandlersTest, CheckButtonsPreviewWithoutChangingTheFormats) {
  w->setupid->setText("#U%last%");
  w->ALTID->setText("%first%%n%");
  w->Check_Name_Format->click();
  EXPECT_EQ(w->testuserid->text(), "SMITH");
  EXPECT_EQ(w->TESTUSERALTID->text(), "John0");
  EXPECT_EQ(w->setupid->text(), "#U%last%");
  EXPECT_EQ(stored("Setup", "SetupID"), "<missing>");
}

TEST_F(SettingsHandlersTest, FormattedPasswordSwitchLaysOutTheFrame) {
  w->FmtPass->setChecked(true);
  EXPECT_EQ(stored("Preferences", "UseFormattedPassword"), "YES");
  EXPECT_EQ(w->Frame4->title(), "Default Passwords");
  EXPECT_EQ(w->Frame4->width(), 5535 / 15);
  EXPECT_FALSE(w->Formatted_Password->isHidden());
  EXPECT_TRUE(w->Formatted_Password->isEnabled());
  w->Formatted_Password->setText("kept");

  w->FmtPass->setChecked(false);
  EXPECT_EQ(stored("Preferences", "UseFormattedPassword"), "No");
  EXPECT_EQ(w->Frame4->title(), "Default Password");
  EXPECT_EQ(w->Frame4->width(), 2775 / 15);
  EXPECT_TRUE(w->Formatted_Password->isHidden());
  EXPECT_FALSE(w->Formatted_Password->isEnabled());
  EXPECT_EQ(w->Formatted_Password->text(), "kept");
}

TEST_F(SettingsHandlersTest, RunHiddenStoresTheFirstBoxWhicheverIsClicked) {
  w->Run_Hidden[1]->setChecked(true);
  EXPECT_EQ(stored("Setup", "RunHidden"), "No");
  w->Run_Hidden[0]->setChecked(true);
  EXPECT_EQ(stored("Setup", "RunHidden"), "Yes");
  w->Run_Hidden[2]->setChecked(true);
  EXPECT_EQ(stored("Setup", "RunHidden"), "Yes");
  EXPECT_EQ(stored("Setup", "CreateHidden"), "<missing>");
}

TEST_F(SettingsHandlersTest, EachSwitchStoresItsWord) {
  const std::pair<QCheckBox * form1::*, const char*> switches[] = {
      {&form1::Create_Dirs, "UM\\CreateDirs"},
      {&form1::Create_Shares, "UM\\CreateShares"},
      {&form1::Dir_Security, "UM\\SetPermissions"},
      {&form1::Create_User_Account, "UM\\UserAccount"},
      {&form1::Create_Mail_Account, "UM\\MailAccount"},
      {&form1::Run_script, "UM\\RunCmd"},
      {&form1::Confirm_Resets, "Preferences\\ConfirmResets"},
      {&form1::Confirm_Deletes, "Preferences\\ConfirmDeletes"},
      {&form1::Domain_Admin, "Preferences\\CheckAdminRights"},
      {&form1::Profile_Delete_Name, "Preferences\\ProfileDeleteUsername"},
      {&form1::PWD_NVR_EXPIRE, "Preferences\\PasswdNVRExpire"},
      {&form1::New_Disabled, "Preferences\\AccountDisabled"},
      {&form1::Password_Change, "Preferences\\ForcePasswdChange"},
      {&form1::Rename_Dir_Shr, "Preferences\\RenameDir"},
  };
  for (const auto& [member, path] : switches) {
    QCheckBox* box = (*w).*member;
    const QStringList parts = QString(path).split('\\');
    box->setChecked(!box->isChecked());
    EXPECT_EQ(stored(parts[0], parts[1]), box->isChecked() ? "Yes" : "No") << path;
    box->click();
    EXPECT_EQ(stored(parts[0], parts[1]), box->isChecked() ? "Yes" : "No") << path;
  }
}

TEST_F(SettingsHandlersTest, OptionPairsStoreWhichIsSelected) {
  w->DNName->setChecked(false);
  w->DisplayName->click();
  EXPECT_EQ(stored("Preferences", "DisplayName"), "Yes");
  w->DNName->click();
  EXPECT_EQ(stored("Preferences", "DisplayName"), "No");
  w->Sorted_Yes->click();
  EXPECT_EQ(stored("Preferences", "Sorted"), "Yes");
  w->Sorted_No->click();
  EXPECT_EQ(stored("Preferences", "Sorted"), "No");
  w->SamAccountName->click();
  EXPECT_EQ(stored("Preferences", "CNName"), "No");
  EXPECT_TRUE(state::reg()
                  .valueNames(registry::HKEY_LOCAL_MACHINE, registry::subkey("Preferences"))
                  .contains("CNNAME"));
  w->CNName->click();
  EXPECT_EQ(stored("Preferences", "CNName"), "Yes");
}

TEST_F(SettingsHandlersTest, UserCannotChangePasswordExcludesForcedChange) {
  w->Password_Change->setChecked(true);
  EXPECT_EQ(stored("Preferences", "ForcePasswdChange"), "Yes");
  w->USR_Cant_Change->click();
  EXPECT_FALSE(w->Password_Change->isChecked());
  EXPECT_FALSE(w->Password_Change->isEnabled());
  EXPECT_EQ(stored("Preferences", "ForcePasswdChange"), "No");
  EXPECT_EQ(stored("Preferences", "CantChangePWD"), "Yes");

  w->USR_Cant_Change->click();
  EXPECT_TRUE(w->Password_Change->isEnabled());
  EXPECT_FALSE(w->Password_Change->isChecked());
  EXPECT_EQ(stored("Preferences", "CantChangePWD"), "No");
  EXPECT_EQ(stored("Preferences", "ForcePasswdChange"), "No");
}

TEST_F(SettingsHandlersTest, HaltOnWarningsIncludesHaltOnErrors) {
  w->STOP_ON_RED[1]->click();
  EXPECT_TRUE(w->STOP_ON_RED[0]->isChecked());
  EXPECT_FALSE(w->STOP_ON_RED[0]->isEnabled());
  EXPECT_EQ(stored("Preferences", "StopOnError"), "Yes");
  EXPECT_EQ(stored("Preferences", "StopOnWarning"), "Yes");
  EXPECT_EQ(stored("Preferences", "SkipPrompt"), "No");

  w->STOP_ON_RED[1]->click();
  EXPECT_TRUE(w->STOP_ON_RED[0]->isChecked());
  EXPECT_TRUE(w->STOP_ON_RED[0]->isEnabled());
  EXPECT_EQ(stored("Preferences", "StopOnError"), "Yes");
  EXPECT_EQ(stored("Preferences", "StopOnWarning"), "No");

  w->STOP_ON_RED[0]->click();
  w->STOP_ON_RED[2]->click();
  EXPECT_EQ(stored("Preferences", "StopOnError"), "No");
  EXPECT_EQ(stored("Preferences", "SkipPrompt"), "Yes");
}

TEST_F(SettingsHandlersTest, MailSettingsAreStoredOnlyBySave) {
  w->Mail_Logon->setChecked(false);
  EXPECT_TRUE(w->txtAdmin->isEnabled());
  EXPECT_TRUE(w->txtPassword->isEnabled());
  EXPECT_NE(w->txtAdmin->palette().color(QPalette::Base), w->Field_Colour);
  w->txtAdmin->setText("CORP\\exadmin");
  w->txtPassword->setText("");
  w->PORT->setText("390");
  EXPECT_EQ(stored("Mail", "Admin_Account"), "<missing>");
  w->savemail->click();
  EXPECT_EQ(stored("Mail", "Admin_Account"), "CORP\\exadmin");
  EXPECT_EQ(stored("Mail", "Mail_Password"), "");
  EXPECT_EQ(stored("Mail", "MailCredentials"), "False");
  EXPECT_EQ(stored("Mail", "LDAP_PORT"), "390");

  w->Mail_Logon->setChecked(true);
  EXPECT_FALSE(w->txtAdmin->isEnabled());
  EXPECT_EQ(w->txtPassword->palette().color(QPalette::Base), w->Field_Colour);
  EXPECT_EQ(stored("Mail", "MailCredentials"), "False");
  w->savemail_Click();
  EXPECT_EQ(stored("Mail", "MailCredentials"), "True");
}

TEST_F(SettingsHandlersTest, FolderPickerPutsTheChosenFolderIntoThePath) {
  w->dbpath->setText("/old/");
  prompts.answerText(dir() + "picked");
  w->Command2->click();
  EXPECT_EQ(w->dbpath->text(), dir() + "picked/");
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].kind, ui::ScriptedPrompter::Kind::ChooseFolder);
  EXPECT_EQ(prompts.asked[0].title, "Database Directory");
  EXPECT_EQ(prompts.asked[0].defaultText, QDir::currentPath()) << "it opens at the current folder";
  EXPECT_EQ(stored("Setup", "DataBasePath"), "<missing>") << "stored only by Save";

  prompts.answerText("/");
  EXPECT_TRUE(w->GETDIR());
  EXPECT_EQ(w->dbpath->text(), "/") << "a root gets no second separator";

  prompts.answerText(std::nullopt);
  EXPECT_FALSE(w->GETDIR());
  EXPECT_EQ(w->dbpath->text(), "/");

  // A chosen folder is taken as it is: blanks ending its name are part of it, and Save keeps them.
  prompts.answerText(dir() + " lead and trail ");
  EXPECT_TRUE(w->GETDIR());
  EXPECT_EQ(w->dbpath->text(), dir() + " lead and trail /");
  w->Command3_Click();
  EXPECT_EQ(stored("Setup", "DataBasePath"), dir() + " lead and trail /");
}

}  // namespace
