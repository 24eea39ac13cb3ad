// The main window's controls: every named control exists under its name, with its kind, caption
// and tab page, and the window opens in the agreed initial state.

#include "mainwindow/form1.h"
#include "support/Fixtures.h"

#include <QAbstractButton>
#include <QGroupBox>

using namespace tavrel;
using mainwindow::form1;

namespace {

class form1Controls : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    w = std::make_unique<form1>();
  }
  // The page of SSTab1 that holds `widget`, or -1.
  int pageOf(const QWidget* widget) const {
    for (int i = 0; i < w->SSTab1->count(); ++i)
      if (w->SSTab1->widget(i)->isAncestorOf(widget)) return i;
    return -1;
  }
  int subPageOf(const QWidget* widget) const {
    for (int i = 0; i < w->SSTab2->count(); ++i)
      if (w->SSTab2->widget(i)->isAncestorOf(widget)) return i;
    return -1;
  }
  std::unique_ptr<form1> w;
};

enum Page { UM = 0, Setup, Prefs, Sites, Templates, NewUser, W2K, Mail, WTS };
enum Sub { None = -1, General = 0, Profile, Account, Custom };

struct Control {
  const char* name;
  const char* type;     // the Qt class it must be (or inherit)
  const char* caption;  // text of a button, check box, option or label; nullptr: not checked
  int page;
  int sub = None;  // page of SSTab2, for the User Manager page
};

const Control kControls[] = {
    // User Manager
    {"SSTab2", "QTabWidget", nullptr, UM},
    {"USERID", "QLineEdit", nullptr, UM, General},
    {"Label3", "QLabel", "Display Name", UM, General},
    {"UM_Full_Name", "QLineEdit", nullptr, UM, General},
    {"UM_Description", "QLineEdit", nullptr, UM, General},
    {"Label37", "QLabel", "First Name", UM, General},
    {"UM_First", "QLineEdit", nullptr, UM, General},
    {"Label38", "QLabel", "Initials", UM, General},
    {"UM_Initails", "QLineEdit", nullptr, UM, General},
    {"Label39", "QLabel", "Last Name", UM, General},
    {"UM_Last", "QLineEdit", nullptr, UM, General},
    {"Label40", "QLabel", "Office", UM, General},
    {"UM_Office", "QLineEdit", nullptr, UM, General},
    {"UM_Logon_Script", "QLineEdit", nullptr, UM, Profile},
    {"UM_Profile_Dir", "QLineEdit", nullptr, UM, Profile},
    {"UM_Home_Dir", "QLineEdit", nullptr, UM, Profile},
    {"UM_Drive_Letter", "QComboBox", nullptr, UM, Profile},
    {"AccExpires", "QLineEdit", nullptr, UM, Account},
    {"Label33", "QLabel", "User Logon Name", UM, Account},
    {"UM_Logon_Name", "QLineEdit", nullptr, UM, Account},
    {"UM_W2KDomain_Name", "QLineEdit", nullptr, UM, Account},
    {"Label41", "QLabel", "Pre Windows 2000", UM, Account},
    {"UM_PreW2K", "QLineEdit", nullptr, UM, Account},
    {"Label43", "QLabel", "Mail Address", UM, Account},
    {"UM_MailAddress", "QLineEdit", nullptr, UM, Account},
    {"Custom_Label(0)", "QLabel", nullptr, UM, Custom},
    {"Custom_Label(3)", "QLabel", nullptr, UM, Custom},
    {"Custom_Value(0)", "QLineEdit", nullptr, UM, Custom},
    {"Custom_Value(3)", "QLineEdit", nullptr, UM, Custom},
    {"Command1", "QPushButton", "Customise", UM, Custom},
    {"USERID_W2K", "QLineEdit", nullptr, UM},
    {"chkMustChange", "QCheckBox", "User Must Change Password at Next Logon", UM},
    {"chkCantChange", "QCheckBox", "User Cannot Change Password", UM},
    {"chkPwdNever", "QCheckBox", "Password Never Expires", UM},
    {"chkAcctDisabled", "QCheckBox", "Account Disabled", UM},
    {"chkAcctLockedOut", "QCheckBox", "Account Locked Out", UM},
    {"UM_GROUPS", "QGroupBox", nullptr, UM},
    {"ListView3", "tavrel::ui::ListView", nullptr, UM},
    {"ListView4", "tavrel::ui::ListView", nullptr, UM},
    {"UM_ADD_GROUP", "QPushButton", "<<", UM},
    {"UM_REMOVE_GROUP", "QPushButton", ">>", UM},
    {"Userman_Save", "QToolButton", nullptr, UM},
    // Setup
    {"DomName", "QComboBox", nullptr, Setup},
    {"Frame4", "QGroupBox", nullptr, Setup},
    {"defaultpassword", "QLineEdit", nullptr, Setup},
    {"Formatted_Password", "QLineEdit", nullptr, Setup},
    {"FmtPass", "QCheckBox", "Use Formatted Password", Setup},
    {"dbpath", "QLineEdit", nullptr, Setup},
    {"Command2", "QPushButton", "&Browse", Setup},
    {"Option1(0)", "QRadioButton", "%last%#1%first%    =  SmithJ", Setup},
    {"Option1(1)", "QRadioButton", "%first%#1%last%    =  JohnS", Setup},
    {"Option1(2)", "QRadioButton", "1%first%%last%      =  JSmith", Setup},
    {"Option1(3)", "QRadioButton", "%first%%last%        =  JohnSmith", Setup},
    {"Option1(4)", "QRadioButton", "Custom", Setup},
    {"setupid", "QLineEdit", nullptr, Setup},
    {"testuserid", "QLineEdit", nullptr, Setup},
    {"ALTID", "QLineEdit", nullptr, Setup},
    {"TESTUSERALTID", "QLineEdit", nullptr, Setup},
    {"Check_Name_Format", "QPushButton", "Chec&k", Setup},
    {"FullName_Format(0)", "QRadioButton", "%First% %Middle% %Last%", Setup},
    {"FullName_Format(1)", "QRadioButton", "%First% %Last%", Setup},
    {"FullName_Format(2)", "QRadioButton", "%Last% %First%", Setup},
    {"FullName_Format(3)", "QRadioButton", "Custom", Setup},
    {"FN_Format", "QLineEdit", nullptr, Setup},
    {"FN_Format_Check", "QLineEdit", nullptr, Setup},
    {"Check_FN_Format", "QPushButton", "&Check", Setup},
    {"Create_Script", "QLineEdit", nullptr, Setup},
    {"Move_Script", "QLineEdit", nullptr, Setup},
    {"Delete_Script", "QLineEdit", nullptr, Setup},
    {"Run_Hidden(0)", "QCheckBox", nullptr, Setup},
    {"Run_Hidden(2)", "QCheckBox", nullptr, Setup},
    {"Wait_NEW(0)", "QCheckBox", nullptr, Setup},
    {"Wait_NEW(2)", "QCheckBox", nullptr, Setup},
    {"Command3", "QToolButton", nullptr, Setup},
    {"Set_Security", "QPushButton", "&Directory Permissions", Setup},
    {"Sharepermissions", "QPushButton", "&Share Permissions", Setup},
    // Preferences
    {"CNName", "QRadioButton", "(CN) Name", Prefs},
    {"SamAccountName", "QRadioButton", "SAMAccountName", Prefs},
    {"Sorted_Yes", "QRadioButton", "Yes", Prefs},
    {"Sorted_No", "QRadioButton", "No", Prefs},
    {"DisplayName", "QRadioButton", "Display Name", Prefs},
    {"DNName", "QRadioButton", "(CN) Name", Prefs},
    {"Confirm_Resets", "QCheckBox", "Confirm Password Resets", Prefs},
    {"Confirm_Deletes", "QCheckBox", "Confirm Deletes", Prefs},
    {"Domain_Admin", "QCheckBox", "Check for Domain Admin Rights at startup", Prefs},
    {"Profile_Delete_Name", "QCheckBox", "Delete Profile From %Username%", Prefs},
    {"Rename_Dir_Shr", "QCheckBox", "Rename users directory/shares", Prefs},
    {"STOP_ON_RED(0)", "QCheckBox", "Halt on errors", Prefs},
    {"STOP_ON_RED(1)", "QCheckBox", "Halt on warnings", Prefs},
    {"STOP_ON_RED(2)", "QCheckBox", "Skip Prompt Fields", Prefs},
    {"Mail_Logon", "QCheckBox", "Use Current Credentials", Prefs},
    {"txtAdmin", "QLineEdit", nullptr, Prefs},
    {"txtPassword", "QLineEdit", nullptr, Prefs},
    {"PORT", "QLineEdit", nullptr, Prefs},
    {"savemail", "QToolButton", nullptr, Prefs},
    // Sites
    {"ListView2", "tavrel::ui::ListView", nullptr, Sites},
    {"New_Site_Name", "QLineEdit", nullptr, Sites},
    {"NTSERVER", "QLineEdit", nullptr, Sites},
    {"EXSERVER", "QLineEdit", nullptr, Sites},
    {"Label14", "QLabel", "Exchange Org", Sites},
    {"EXorg", "QLineEdit", nullptr, Sites},
    {"Label13", "QLabel", "Exchange Site", Sites},
    {"EXSite", "QComboBox", nullptr, Sites},
    {"Label42", "QLabel", "", Sites},
    {"Mail_Store", "QComboBox", nullptr, Sites},
    {"EXH5(0)", "QRadioButton", "Exchange 5.5", Sites},
    {"EXH5(1)", "QRadioButton", "Exchange 2000", Sites},
    {"Find_Store", "QPushButton", "Find", Sites},
    {"New_Site", "QPushButton", "&New", Sites},
    {"Edit_Site", "QPushButton", "E&dit", Sites},
    {"Delete_site", "QPushButton", "&Delete", Sites},
    {"Save_Site", "QPushButton", "&Save", Sites},
    {"Site_Cancel", "QPushButton", "&Cancel", Sites},
    // Templates
    {"templatelst", "QComboBox", nullptr, Templates},
    {"New_Template_Name", "QLineEdit", nullptr, Templates},
    {"propath", "QLineEdit", nullptr, Templates},
    {"homedir", "QLineEdit", nullptr, Templates},
    {"Profilepath", "QLineEdit", nullptr, Templates},
    {"Homedirpath", "QLineEdit", nullptr, Templates},
    {"sharenameprofile", "QLineEdit", nullptr, Templates},
    {"Sharenamehomedir", "QLineEdit", nullptr, Templates},
    {"logon", "QLineEdit", nullptr, Templates},
    {"Home_Drive_letter", "QComboBox", nullptr, Templates},
    {"PrimaryGrp", "QLabel", nullptr, Templates},
    {"grouppath", "QComboBox", nullptr, Templates},
    {"ListView5", "tavrel::ui::ListView", nullptr, Templates},
    {"ListView6", "tavrel::ui::ListView", nullptr, Templates},
    {"add", "QPushButton", nullptr, Templates},
    {"remove", "QPushButton", nullptr, Templates},
    {"SetPriGroup", "QPushButton", nullptr, Templates},
    {"savetemplate", "QPushButton", nullptr, Templates},
    {"NewTemplate", "QPushButton", nullptr, Templates},
    {"EditTemplate", "QPushButton", nullptr, Templates},
    {"DeleteTemplate", "QPushButton", nullptr, Templates},
    {"paste", "QPushButton", nullptr, Templates},
    {"Template_Cancel", "QPushButton", nullptr, Templates},
    {"Variables", "QPushButton", nullptr, Templates},
    {"LogonHours", "QPushButton", "&Logon Hours", Templates},
    // New User
    {"strFirst", "QLineEdit", nullptr, NewUser},
    {"StrMiddle", "QLineEdit", nullptr, NewUser},
    {"strLast", "QLineEdit", nullptr, NewUser},
    {"UserID_Box", "QLineEdit", nullptr, NewUser},
    {"Description", "QLineEdit", nullptr, NewUser},
    {"nutemplate", "QComboBox", nullptr, NewUser},
    {"NUsitename", "QComboBox", nullptr, NewUser},
    {"TemplateGroups", "QRadioButton", "Use Template", NewUser},
    {"Copy_User", "QRadioButton", "Copy User", NewUser},
    {"Create_Dirs", "QCheckBox", "Create Dirs", NewUser},
    {"Create_Shares", "QCheckBox", "Share Dirs", NewUser},
    {"Dir_Security", "QCheckBox", "Set Dir Permissions", NewUser},
    {"Create_User_Account", "QCheckBox", "Create User Account", NewUser},
    {"Create_Mail_Account", "QCheckBox", "Create Mail Account", NewUser},
    {"Run_script", "QCheckBox", "Run Command", NewUser},
    {"Createdirs", "QLabel", "", NewUser},
    {"Sharedirs", "QLabel", "", NewUser},
    {"Security", "QLabel", "", NewUser},
    {"UserAccount", "QLabel", "", NewUser},
    {"MailAccount", "QLabel", "", NewUser},
    {"run", "QLabel", "", NewUser},
    {"PWD_NVR_EXPIRE", "QCheckBox", "Password Never Expires", NewUser},
    {"New_Disabled", "QCheckBox", "Disable Account", NewUser},
    {"Password_Change", "QCheckBox", "Force password change", NewUser},
    {"USR_Cant_Change", "QCheckBox", "User Cannot Change Password", NewUser},
    {"ProgressBar1", "QProgressBar", nullptr, NewUser},
    {"progress", "QLabel", "Ready.", NewUser},
    {"Import_Text", "QLabel", "", NewUser},
    {"CreateUser", "QPushButton", "Create &User", NewUser},
    // Attribute lists
    {"ListView7", "tavrel::ui::ListView", nullptr, W2K},
    {"ListView8", "tavrel::ui::ListView", nullptr, Mail},
    {"ListView9", "tavrel::ui::ListView", nullptr, WTS},
};

QString captionOf(const QWidget* widget) {
  if (auto* b = qobject_cast<const QAbstractButton*>(widget)) return b->text();
  if (auto* l = qobject_cast<const QLabel*>(widget)) return l->text();
  return {};
}

TEST_F(form1Controls, EveryNamedControlHasItsKindCaptionAndPage) {
  for (const Control& c : kControls) {
    SCOPED_TRACE(c.name);
    const auto found = w->findChildren<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_EQ(found.size(), 1) << "exactly one control carries the name";
    const QWidget* widget = found.front();
    EXPECT_TRUE(widget->inherits(c.type)) << widget->metaObject()->className();
    if (c.caption) {
      EXPECT_EQ(captionOf(widget), QString::fromUtf8(c.caption));
    }
    EXPECT_EQ(pageOf(widget), c.page);
    if (c.page == UM) {
      EXPECT_EQ(subPageOf(widget), c.sub);
    }
  }
}

TEST_F(form1Controls, MembersAreTheNamedControls) {
  // A few spot checks that the members and the found controls are the same objects, arrays
  // included, element by element.
  EXPECT_EQ(w->findChild<QWidget*>("strFirst"), w->strFirst);
  EXPECT_EQ(w->findChild<QWidget*>("CreateUser"), w->CreateUser);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("Option1(%1)").arg(i)), w->Option1[i]);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("FullName_Format(%1)").arg(i)), w->FullName_Format[i]);
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("Custom_Label(%1)").arg(i)), w->Custom_Label[i]);
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("Custom_Value(%1)").arg(i)), w->Custom_Value[i]);
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("Run_Hidden(%1)").arg(i)), w->Run_Hidden[i]);
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("Wait_NEW(%1)").arg(i)), w->Wait_NEW[i]);
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("STOP_ON_RED(%1)").arg(i)), w->STOP_ON_RED[i]);
  }
  EXPECT_EQ(w->findChild<QWidget*>("EXH5(1)"), w->EXH5[1]);
}

TEST_F(form1Controls, TabPagesCarryTheirCaptions) {
  QStringList pages, sub;
  for (int i = 0; i < w->SSTab1->count(); ++i) pages << w->SSTab1->tabText(i);
  for (int i = 0; i < w->SSTab2->count(); ++i) sub << w->SSTab2->tabText(i);
  EXPECT_EQ(pages, (QStringList{"User Manager", "Setup", "Preferences", "Sites", "Templates", "New User",
                                " W2K - Properties", "&Mail - Exchange 5.5", "WTS"}));
  EXPECT_EQ(pages.indexOf("User Manager"), form1::kUserManagerPage);
  EXPECT_EQ(pages.indexOf("New User"), form1::kNewUserPage);
  EXPECT_EQ(sub, (QStringList{"General", "Profile", "Account", "Custom"}));
}

TEST_F(form1Controls, OptionGroupsStartWithNothingSelectedButTheAgreedOnes) {
  // Nothing selected, so loading a stored choice at start-up always runs the option's handler.
  const QList<QRadioButton*> unselected = {w->Option1[0],
                                           w->Option1[1],
                                           w->Option1[2],
                                           w->Option1[3],
                                           w->Option1[4],
                                           w->FullName_Format[0],
                                           w->FullName_Format[1],
                                           w->FullName_Format[2],
                                           w->FullName_Format[3],
                                           w->CNName,
                                           w->SamAccountName,
                                           w->Sorted_Yes,
                                           w->Sorted_No,
                                           w->DisplayName,
                                           w->DNName,
                                           w->EXH5[1],
                                           w->Copy_User};
  for (QRadioButton* r : unselected) EXPECT_FALSE(r->isChecked()) << r->objectName().toStdString();
  EXPECT_TRUE(w->EXH5[0]->isChecked());
  EXPECT_TRUE(w->TemplateGroups->isChecked());

  // Options of one group exclude each other; separate groups do not interfere.
  w->Option1[2]->setChecked(true);
  w->Option1[4]->setChecked(true);
  w->FullName_Format[1]->setChecked(true);
  w->CNName->setChecked(true);
  w->Sorted_No->setChecked(true);
  EXPECT_FALSE(w->Option1[2]->isChecked());
  EXPECT_TRUE(w->Option1[4]->isChecked());
  EXPECT_TRUE(w->FullName_Format[1]->isChecked());
  EXPECT_TRUE(w->CNName->isChecked());
  w->SamAccountName->setChecked(true);
  EXPECT_FALSE(w->CNName->isChecked());
  EXPECT_TRUE(w->Sorted_No->isChecked());
  w->EXH5[1]->setChecked(true);
  EXPECT_FALSE(w->EXH5[0]->isChecked());
  EXPECT_TRUE(w->TemplateGroups->isChecked());
}

TEST_F(form1Controls, EveryCheckBoxStartsUnticked) {
  const auto boxes = w->findChildren<QCheckBox*>();
  ASSERT_FALSE(boxes.isEmpty());
  for (const QCheckBox* box : boxes) EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
}

TEST_F(form1Controls, FieldsStartInTheirDesignState) {
  EXPECT_EQ(w->PORT->text(), "389");
  EXPECT_EQ(w->Frame4->title(), "Default Password");
  EXPECT_EQ(w->Frame4->width(), 2775 / 15);
  EXPECT_TRUE(w->Formatted_Password->isHidden());
  EXPECT_FALSE(w->Formatted_Password->isEnabled());
  for (int k = 0; k < 4; ++k) {
    EXPECT_TRUE(w->Custom_Label[k]->isHidden()) << k;
    EXPECT_TRUE(w->Custom_Value[k]->isHidden()) << k;
  }
  EXPECT_TRUE(w->chkAcctLockedOut->isHidden());
  EXPECT_TRUE(w->New_Site_Name->isHidden());
  EXPECT_TRUE(w->New_Template_Name->isHidden());
  // Exchange 5.5 selected: no mailbox store and no store finder.
  EXPECT_TRUE(w->Mail_Store->isHidden());
  EXPECT_FALSE(w->Find_Store->isEnabled());
  EXPECT_EQ(w->ProgressBar1->minimum(), 0);
  EXPECT_EQ(w->ProgressBar1->maximum(), 100);
  EXPECT_EQ(w->ProgressBar1->value(), 0);
  EXPECT_EQ(w->Custom_Label.size(), 4u);

  EXPECT_EQ(w->ListView7->headerItem()->text(0), "Property");
  EXPECT_EQ(w->ListView8->headerItem()->text(0), "Attribute");
  EXPECT_EQ(w->ListView9->headerItem()->text(0), "WTS property");
  EXPECT_EQ(w->ListView9->headerItem()->text(1), "Value");
  EXPECT_EQ(w->ListView2->headerItem()->text(0), "Site Name");
}

// Passwords are not shown on the screen; the formatted password is a format and stays legible.
TEST_F(form1Controls, PasswordFieldsAreMasked) {
  EXPECT_EQ(w->defaultpassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(w->txtPassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(w->Formatted_Password->echoMode(), QLineEdit::Normal);
}

TEST_F(form1Controls, ToolTipsAreTheKnownOnes) {
  const std::pair<const char*, const char*> tips[] = {
      {"defaultpassword", "User Default Password - for resets"},
      {"Formatted_Password", "Formatted Password for New Users"},
      {"dbpath", "Enter Valid Path to DataBase Files"},
      {"ALTID", "Used if User name already exists"},
      {"Run_Hidden(1)", "on-Run Hidden/Off-Run Normal"},
      {"Check_Name_Format", "Check Name Format"},
      {"Command3", "Save Settings"},
      {"savemail", "Save Settings"},
      {"Userman_Save", "Save Changes"},
      {"PORT", "May need to change to 390, if Running  Ex 5.5 on 2000 AD Server"},
      {"STOP_ON_RED(2)", "Will stop the file import if errors are encounted"},
      {"Find_Store", "Find Storage Groups & Mailbox stores on server"},
      {"CNName", "%UserName% = Win 2000 common Name"},
      {"DNName", "Display user by common name"},
      {"New_Disabled", "When new account is created it is disabled"},
  };
  for (const auto& [name, tip] : tips) {
    auto* widget = w->findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr) << name;
    EXPECT_EQ(widget->toolTip(), tip) << name;
  }
}

TEST_F(form1Controls, FramesCarryTheirCaptions) {
  QStringList titles;
  for (const QGroupBox* g : w->findChildren<QGroupBox*>()) titles << g->title();
  for (const char* frame :
       {"Domain Name", "Default Password", "Path to Database", "User ID", "Full Name Format", "%UserName%",
        "TreeView Options", "Sorted", "Name to Display", "Import Options", "Exchange Admin Account",
        "Exchange Settings", "Account Expires", "Groups"})
    EXPECT_TRUE(titles.contains(frame)) << frame;
}

TEST_F(form1Controls, PopupMenusAndTimer) {
  ASSERT_NE(w->POPUP, nullptr);
  EXPECT_EQ(w->mnupopup[0], nullptr);
  const char* const captions[] = {nullptr,
                                  "De&tails",
                                  "",
                                  "&Reset Password",
                                  "",
                                  "&Delete User",
                                  "&Move User",
                                  "&Rename User",
                                  "",
                                  "Delete &Server Profile",
                                  "Delete &WKS Profile",
                                  "Create OU"};
  for (int i = 1; i <= 14; ++i) {
    QAction* a = w->mnupopup[i];
    ASSERT_NE(a, nullptr) << i;
    EXPECT_EQ(a->objectName(), QStringLiteral("mnupopup(%1)").arg(i));
    EXPECT_EQ(w->findChild<QAction*>(a->objectName()), a);
    const bool separator = i == 2 || i == 4 || i == 8 || i == 12;
    EXPECT_EQ(a->isSeparator(), separator) << i;
    if (i <= 11) {
      if (!separator) {
        EXPECT_EQ(a->text(), captions[i]) << i;
      }
      EXPECT_TRUE(a->isVisible()) << i;
    } else {
      EXPECT_FALSE(a->isVisible()) << "custom command items stay hidden until configured: " << i;
      EXPECT_FALSE(a->isEnabled()) << i;
    }
  }
  const char* const rows[] = {nullptr, "Edit", "Add", "Remove"};
  for (int i = 1; i <= 3; ++i) {
    ASSERT_NE(w->Listviewmnu[i], nullptr);
    EXPECT_EQ(w->Listviewmnu[i]->text(), rows[i]);
    EXPECT_EQ(w->Listviewmnu[i]->objectName(), QStringLiteral("Listviewmnu(%1)").arg(i));
    EXPECT_EQ(w->Listviewmnu[i]->parent(), w->POPUP1);
  }
  ASSERT_NE(w->findChild<QTimer*>("Timer2"), nullptr);
  EXPECT_FALSE(w->Timer2->isActive());
  EXPECT_EQ(w->Timer2->interval(), 200);
}

TEST_F(form1Controls, ImageListHoldsTheTreeAndListKeys) {
  for (const char* key :
       {"DOMAIN", "OU", "USER", "W2KGRP", "Global", "Local", "SITE", "MAIL", "GREEN", "YELLOW", "RED"})
    EXPECT_TRUE(w->ImageList1.contains(key)) << key;
  // The lists take their small icons from it.
  EXPECT_NE(w->ListView5->add("Domain Users", "", "W2KGRP"), nullptr);
  EXPECT_NE(w->ListView2->add("Main", "", "SITE"), nullptr);
  EXPECT_NE(w->ListView7->add("mail", "", "MAIL"), nullptr);
}

}  // namespace
