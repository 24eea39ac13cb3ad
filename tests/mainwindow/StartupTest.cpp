#include "mainwindow/StartupFixture.h"
#include <QFileInfo>
#include "records/Records.h"

#include <QDir>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <functional>

using namespace tavrel;
using mainwindow::AdminCheckResult;
using mainwindow::form1;

namespace {

class StartupTest : public test::StartupFixture {};

TEST_F(StartupTest, FreshMachineTakesEveryDefaultAndWritesBackExactlyTheChangedControls) {
  ASSERT_TRUE(start());

  const QMap<QString, QString> expected{
      {"Version\\DBVersion", "2.2"},
      {"Preferences\\CNNAME", "Yes"},
      {"Setup\\UserFormat", "3"},
      {"Preferences\\FullName", "1"},
      {"Preferences\\ConfirmDeletes", "Yes"},
      {"Preferences\\ConfirmResets", "Yes"},
      {"UM\\CreateDirs", "Yes"},
      {"UM\\CreateShares", "Yes"},
      {"UM\\SetPermissions", "Yes"},
      {"UM\\UserAccount", "Yes"},
      {"UM\\MailAccount", "Yes"},
      {"UM\\RunCmd", "Yes"},
      {"Preferences\\Sorted", "No"},
      {"Preferences\\DisplayName", "No"},
  };
  EXPECT_EQ(allStored(), expected);

  const state::SharedState& sh = state::shared();
  EXPECT_EQ(sh.Domain_Name, "%Domain%");
  EXPECT_EQ(sh.Profile_Hive_Name, "NTUser.dat");
  EXPECT_EQ(w->dbpath->text(), defaultFolder());
  EXPECT_TRUE(QDir(defaultFolder()).exists());
  EXPECT_EQ(w->setupid->text(), "1%first%%last%");
  EXPECT_EQ(w->testuserid->text(), "JSmith");
  EXPECT_EQ(w->FN_Format->text(), "%First% %Middle% %Last%");
  EXPECT_EQ(w->FN_Format_Check->text(), "John Fred Smith");
  EXPECT_TRUE(w->Option1[2]->isChecked());
  EXPECT_TRUE(w->FullName_Format[0]->isChecked());
  EXPECT_TRUE(w->CNName->isChecked());
  EXPECT_TRUE(w->Sorted_No->isChecked());
  EXPECT_TRUE(w->DNName->isChecked());
  EXPECT_TRUE(w->Confirm_Deletes->isChecked());
  EXPECT_FALSE(w->Domain_Admin->isChecked());
  EXPECT_FALSE(w->FmtPass->isChecked());
  EXPECT_EQ(w->Frame4->title(), "Default Password");
  EXPECT_TRUE(w->Formatted_Password->isHidden());
  EXPECT_EQ(w->PORT->text(), "389");
  EXPECT_TRUE(w->Mail_Logon->isChecked());
  EXPECT_FALSE(w->txtAdmin->isEnabled());
  EXPECT_EQ(w->txtAdmin->palette().color(QPalette::Base), w->Field_Colour);
  EXPECT_EQ(w->Field_Colour, w->savetemplate->palette().color(QPalette::Button));
  for (int i = 12; i <= 14; ++i) EXPECT_FALSE(w->mnupopup[i]->isVisible()) << i;
  for (QLabel* l : w->Custom_Label) EXPECT_TRUE(l->isHidden());
  EXPECT_EQ(w->StatusBar1->panelText(1), "Ready.");
  EXPECT_TRUE(conversions.empty());
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(loads, 1);
  EXPECT_FALSE(w->Timer2->isActive());
  EXPECT_EQ(w->Timer2->interval(), 200);
}

TEST_F(StartupTest, FixedRowsListsAndResets) {
  state::shared().EditingTemplate = -1;
  state::shared().CounterUsed = true;
  state::shared().Logon_Hours_Array.fill(0);
  ASSERT_TRUE(start());

  const std::pair<const char*, const char*> rows[] = {
      {"User Profile Directory", ""},
      {"User Home Directory", ""},
      {"Users Home drive letter", "d6d"},
      {"Allow logon", "s1y"},
      {"Start Following program at logon", "s2y"},
      {"Start program", ""},
      {"Start in", ""},
      {"Connect client drives at logon", "s3y"},
      {"Connect client printers at logon", "s4y"},
      {"Connect default client printer", "s5y"},
      {"End a Dissconnected sessions", "s5t"},
      {"Active session limit", "s6t"},
      {"Idle session limit", "s7t"},
  };
  ASSERT_EQ(w->ListView9->count(), 13);
  for (int i = 1; i <= 13; ++i) {
    EXPECT_EQ(w->ListView9->text(i), rows[i - 1].first);
    EXPECT_EQ(w->ListView9->key(i), rows[i - 1].second);
    EXPECT_EQ(w->ListView9->subItem(i, 1), "");
  }
  for (QComboBox* drives : {w->Home_Drive_letter, w->UM_Drive_Letter}) {
    ASSERT_EQ(drives->count(), 27);
    EXPECT_EQ(drives->itemText(0), "");
    EXPECT_EQ(drives->itemText(1), "A:");
    EXPECT_EQ(drives->itemText(26), "Z:");
  }
  EXPECT_EQ(w->Home_Drive_letter->currentText(), "");
  const state::SharedState& sh = state::shared();
  for (uint8_t b : sh.Logon_Hours_Array) EXPECT_EQ(b, 255);
  EXPECT_EQ(sh.EditingTemplate, 0);
  EXPECT_FALSE(sh.CounterUsed);
  EXPECT_FALSE(w->UM_ADD_GROUP->isEnabled()) << "no user is loaded";
  EXPECT_FALSE(w->UM_REMOVE_GROUP->isEnabled());
  EXPECT_FALSE(w->add->isEnabled());
  EXPECT_FALSE(w->remove->isEnabled());
}

// Each row's read rule, with the edge cases that tell the rules apart.
TEST_F(StartupTest, EachSettingIsReadByItsRule) {
  struct Value {
    const char* subkey;
    const char* name;
    const char* value;
  };
  struct Case {
    const char* what;
    std::vector<Value> stored;
    std::function<void(form1&)> check;
  };
  const std::vector<Case> cases = {
      {"ConfirmDeletes in lower case keeps confirmations on",
       {{"Preferences", "ConfirmDeletes", "no"}, {"Preferences", "ConfirmResets", "No"}},
       [](form1& f) {
         EXPECT_TRUE(f.Confirm_Deletes->isChecked());
         EXPECT_FALSE(f.Confirm_Resets->isChecked());
       }},
      {"CheckAdminRights only for exactly Yes",
       {{"Preferences", "CheckAdminRights", "yes"}},
       [](form1& f) { EXPECT_FALSE(f.Domain_Admin->isChecked()); }},
      {"AccountDisabled Yes",
       {{"Preferences", "AccountDisabled", "Yes"}},
       [](form1& f) { EXPECT_TRUE(f.New_Disabled->isChecked()); }},
      {"RenameDir upper-cased, blanks count",
       {{"Preferences", "RenameDir", "yes"},
        {"Preferences", "PasswdNVRExpire", " yes"},
        {"Preferences", "ProfileDeleteUsername", "YES"}},
       [](form1& f) {
         EXPECT_TRUE(f.Rename_Dir_Shr->isChecked());
         EXPECT_FALSE(f.PWD_NVR_EXPIRE->isChecked());
         EXPECT_TRUE(f.Profile_Delete_Name->isChecked());
       }},
      {"UseFormattedPassword trimmed and upper-cased",
       {{"Preferences", "UseFormattedPassword", " yes "}, {"Setup", "FormattedPassword", " %first%1 "}},
       [](form1& f) {
         EXPECT_TRUE(f.FmtPass->isChecked());
         EXPECT_EQ(f.Formatted_Password->text(), "%first%1");
         EXPECT_FALSE(f.Formatted_Password->isHidden());
         EXPECT_TRUE(f.Formatted_Password->isEnabled());
         EXPECT_EQ(f.Frame4->title(), "Default Passwords");
         EXPECT_EQ(f.Frame4->width(), 5535 / 15);
       }},
      {"FormattedPassword missing leaves the field empty",
       {{"Preferences", "UseFormattedPassword", "YES"}},
       [](form1& f) { EXPECT_EQ(f.Formatted_Password->text(), ""); }},
      {"FormattedPassword is not read while the switch is off",
       {{"Setup", "FormattedPassword", "secret"}},
       [](form1& f) { EXPECT_EQ(f.Formatted_Password->text(), ""); }},
      {"CNName: any case of NO selects SAMAccountName",
       {{"Preferences", "CNName", "nO"}},
       [](form1& f) { EXPECT_TRUE(f.SamAccountName->isChecked()); }},
      {"CNName: the option handler's own No",
       {{"Preferences", "CNNAME", "No"}},
       [](form1& f) { EXPECT_TRUE(f.SamAccountName->isChecked()); }},
      {"MailCredentials off only for False in any case",
       {{"Mail", "MailCredentials", "fALSE"}},
       [](form1& f) {
         EXPECT_FALSE(f.Mail_Logon->isChecked());
         EXPECT_TRUE(f.txtAdmin->isEnabled());
         EXPECT_TRUE(f.txtPassword->isEnabled());
       }},
      {"MailCredentials with a blank stays on",
       {{"Mail", "MailCredentials", "False "}},
       [](form1& f) { EXPECT_TRUE(f.Mail_Logon->isChecked()); }},
      {"Mail fields found-trim; the port keeps its initial text when missing",
       {{"Mail", "Admin_Account", " exadmin "}, {"Mail", "Mail_Password", " pw "}},
       [](form1& f) {
         EXPECT_EQ(f.txtAdmin->text(), "exadmin");
         EXPECT_EQ(f.txtPassword->text(), "pw");
         EXPECT_EQ(f.PORT->text(), "389");
       }},
      {"LDAP port", {{"Mail", "LDAP_PORT", " 390 "}}, [](form1& f) { EXPECT_EQ(f.PORT->text(), "390"); }},
      {"UserFormat 0 selects the third option",
       {{"Setup", "UserFormat", "0"}, {"Setup", "SetupID", "%first%"}},
       [](form1& f) {
         EXPECT_TRUE(f.Option1[2]->isChecked());
         EXPECT_EQ(f.setupid->text(), "1%first%%last%");
       }},
      {"UserFormat 6",
       {{"Setup", "UserFormat", "6"}},
       [](form1& f) { EXPECT_TRUE(f.Option1[2]->isChecked()); }},
      {"UserFormat a word",
       {{"Setup", "UserFormat", "two"}},
       [](form1& f) { EXPECT_TRUE(f.Option1[2]->isChecked()); }},
      {"UserFormat two and a half rounds to 2",
       {{"Setup", "UserFormat", "2.5"}},
       [](form1& f) {
         EXPECT_TRUE(f.Option1[1]->isChecked());
         EXPECT_EQ(f.setupid->text(), "%first%#1%last%");
         EXPECT_EQ(f.testuserid->text(), "JohnS");
       }},
      {"UserFormat custom keeps SetupID as stored",
       {{"Setup", "UserFormat", "5"},
        {"Setup", "SetupID", " %last%%first% "},
        {"Setup", "AltSetupID", "%first%.%last%"}},
       [](form1& f) {
         EXPECT_TRUE(f.Option1[4]->isChecked());
         EXPECT_EQ(f.setupid->text(), " %last%%first% ");
         EXPECT_EQ(f.testuserid->text(), "SmithJohn");
         EXPECT_EQ(f.TESTUSERALTID->text(), "John.Smith");
       }},
      {"FullName custom keeps Custom_FN",
       {{"Preferences", "FullName", "4"}, {"Preferences", "Custom_FN", "%Last%, %First%"}},
       [](form1& f) {
         EXPECT_TRUE(f.FullName_Format[3]->isChecked());
         EXPECT_EQ(f.FN_Format->text(), "%Last%, %First%");
         EXPECT_EQ(f.FN_Format_Check->text(), "Smith, John");
       }},
      {"FullName out of range selects the first option",
       {{"Preferences", "FullName", "5"}},
       [](form1& f) { EXPECT_TRUE(f.FullName_Format[0]->isChecked()); }},
      {"FullName 3",
       {{"Preferences", "FullName", "3"}},
       [](form1& f) { EXPECT_EQ(f.FN_Format->text(), "%Last% %First%"); }},
      {"DataBasePath blank falls back to the data folder",
       {{"Setup", "DataBasePath", "   "}},
       [this](form1& f) { EXPECT_EQ(f.dbpath->text(), defaultFolder()); }},
      {"DataBasePath trimmed, separator kept",
       {{"Setup", "DataBasePath", " /srv/tavrel/ "}},
       [](form1& f) { EXPECT_EQ(f.dbpath->text(), "/srv/tavrel/"); }},
      {"Profiles blank gives NTUser.dat",
       {{"Setup", "Profiles", "  "}},
       [](form1&) { EXPECT_EQ(state::shared().Profile_Hive_Name, "NTUser.dat"); }},
      {"Profiles trimmed",
       {{"Setup", "Profiles", " ntuser.man "}},
       [](form1&) { EXPECT_EQ(state::shared().Profile_Hive_Name, "ntuser.man"); }},
      {"Scripts and passwords trimmed",
       {{"Setup", "BatchFileCreate", " /bin/new "},
        {"Setup", "BatchFileMove", " /bin/move "},
        {"Setup", "Password", " Secret1 "}},
       [](form1& f) {
         EXPECT_EQ(f.Create_Script->text(), "/bin/new");
         EXPECT_EQ(f.Move_Script->text(), "/bin/move");
         EXPECT_EQ(f.Delete_Script->text(), "");
         EXPECT_EQ(f.defaultpassword->text(), "Secret1");
       }},
      {"Hidden and wait flags only for exactly Yes",
       {{"Setup", "CreateHidden", "Yes"}, {"Setup", "MoveHidden", "YES"}, {"Setup", "WaitMove", "Yes"}},
       [](form1& f) {
         EXPECT_TRUE(f.Run_Hidden[0]->isChecked());
         EXPECT_FALSE(f.Run_Hidden[1]->isChecked());
         EXPECT_FALSE(f.Wait_NEW[0]->isChecked());
         EXPECT_TRUE(f.Wait_NEW[1]->isChecked());
       }},
      {"UM steps: missing on, only exactly Yes on when present",
       {{"UM", "CreateDirs", "No"}, {"UM", "CreateShares", "yes"}, {"UM", "RunCmd", "Yes"}},
       [](form1& f) {
         EXPECT_FALSE(f.Create_Dirs->isChecked());
         EXPECT_FALSE(f.Create_Shares->isChecked());
         EXPECT_TRUE(f.Dir_Security->isChecked());
         EXPECT_TRUE(f.Run_script->isChecked());
       }},
      {"Sorted and DisplayName only for exactly Yes",
       {{"Preferences", "Sorted", "Yes"}, {"Preferences", "DisplayName", "yes"}},
       [](form1& f) {
         EXPECT_TRUE(f.Sorted_Yes->isChecked());
         EXPECT_TRUE(f.DNName->isChecked());
       }},
      {"A custom command without RUNHIDDEN stays hidden",
       {{"Custom", "Menu", "Report"}, {"Custom", "Script", "report.sh"}},
       [](form1& f) {
         EXPECT_FALSE(f.mnupopup[12]->isVisible());
         EXPECT_FALSE(f.mnupopup[13]->isVisible());
       }},
      {"The second custom command shows entries 12 and 14",
       {{"Custom", "Menu1", "Audit"}, {"Custom", "Script1", "audit.sh"}, {"Custom", "RUNHIDDEN1", "No"}},
       [](form1& f) {
         EXPECT_TRUE(f.mnupopup[12]->isVisible());
         EXPECT_TRUE(f.mnupopup[12]->isEnabled());
         EXPECT_FALSE(f.mnupopup[13]->isVisible());
         EXPECT_TRUE(f.mnupopup[14]->isVisible());
         EXPECT_EQ(f.mnupopup[14]->text(), "Audit");
       }},
      {"Custom fields show their configured captions",
       {{"Custom", "Custom2", "Badge number"}, {"Custom", "Custom4", ""}},
       [](form1& f) {
         EXPECT_TRUE(f.Custom_Label[0]->isHidden());
         EXPECT_FALSE(f.Custom_Label[1]->isHidden());
         EXPECT_EQ(f.Custom_Label[1]->text(), "Badge number");
         EXPECT_FALSE(f.Custom_Value[1]->isHidden());
         EXPECT_FALSE(f.Custom_Label[3]->isHidden());
         EXPECT_TRUE(f.Custom_Value[2]->isHidden());
       }},
      {"CantChangePWD on stores ForcePasswdChange No before it is read",
       {{"Preferences", "CantChangePWD", "yes"}, {"Preferences", "ForcePasswdChange", "Yes"}},
       [this](form1& f) {
         EXPECT_TRUE(f.USR_Cant_Change->isChecked());
         EXPECT_FALSE(f.Password_Change->isChecked());
         EXPECT_FALSE(f.Password_Change->isEnabled());
         EXPECT_EQ(stored("Preferences", "ForcePasswdChange"), "No");
       }},
      {"ForcePasswdChange alone",
       {{"Preferences", "ForcePasswdChange", "Yes"}},
       [](form1& f) {
         EXPECT_TRUE(f.Password_Change->isChecked());
         EXPECT_TRUE(f.Password_Change->isEnabled());
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(configPath());
    state::resetShared();
    for (const Value& v : c.stored) put(v.subkey, v.name, v.value);
    ASSERT_TRUE(start());
    c.check(*w);
  }
}

TEST_F(StartupTest, HaltSwitchesSurviveARestart) {
  put("Preferences", "SkipPrompt", "Yes");
  put("Preferences", "StopOnWarning", "Yes");
  put("Preferences", "StopOnError", "Yes");
  ASSERT_TRUE(start());
  for (QCheckBox* box : w->STOP_ON_RED) EXPECT_TRUE(box->isChecked());
  EXPECT_FALSE(w->STOP_ON_RED[0]->isEnabled());
  EXPECT_EQ(stored("Preferences", "StopOnError"), "Yes");
  EXPECT_EQ(stored("Preferences", "StopOnWarning"), "Yes");
  EXPECT_EQ(stored("Preferences", "SkipPrompt"), "Yes");

  QFile::remove(configPath());
  state::resetShared();
  put("Preferences", "SkipPrompt", "Yes");
  put("Preferences", "StopOnError", "Yes");
  ASSERT_TRUE(start());
  EXPECT_TRUE(w->STOP_ON_RED[0]->isChecked());
  EXPECT_TRUE(w->STOP_ON_RED[0]->isEnabled());
  EXPECT_FALSE(w->STOP_ON_RED[1]->isChecked());
  EXPECT_EQ(stored("Preferences", "StopOnError"), "Yes");
  EXPECT_EQ(stored("Preferences", "StopOnWarning"), "No");
  EXPECT_EQ(stored("Preferences", "SkipPrompt"), "Yes");
}

TEST_F(StartupTest, HaltOnWarningsStoredAloneTicksHaltOnErrors) {
  put("Preferences", "StopOnWarning", "Yes");
  put("Preferences", "StopOnError", "No");
  ASSERT_TRUE(start());
  EXPECT_TRUE(w->STOP_ON_RED[0]->isChecked());
  EXPECT_FALSE(w->STOP_ON_RED[0]->isEnabled());
  EXPECT_EQ(stored("Preferences", "StopOnError"), "Yes");
}

TEST_F(StartupTest, CustomFullNameIsKeptWhileAFixedOptionIsSelected) {
  put("Preferences", "FullName", "2");
  put("Preferences", "Custom_FN", "%Last%, %First%");
  ASSERT_TRUE(start());
  EXPECT_EQ(w->FN_Format->text(), "%First% %Last%");
  EXPECT_EQ(stored("Preferences", "Custom_FN"), "%Last%, %First%");
}

// The status text of a malformed attribute-list line is replaced by the start-up's later texts;
// the on-screen log keeps the warning.
TEST_F(StartupTest, AMalformedAttributeListLineStaysVisibleAfterStartUp) {
  put("Setup", "DataBasePath", dir());
  put("Version", "DBVersion", "2.2");
  QFile w2k(dir() + "W2K.dat");
  ASSERT_TRUE(w2k.open(QIODevice::WriteOnly));
  w2k.write("p,department,Sales\r\nbroken\r\n");
  w2k.close();
  services.Load_Databases = [](mainwindow::form1& f) { f.Load_Databases(); };
  ASSERT_TRUE(start());
  ASSERT_EQ(w->ListView1->topLevelItemCount(), 1);
  const QTreeWidgetItem* row = w->ListView1->topLevelItem(0);
  EXPECT_EQ(row->data(0, Qt::UserRole).toString(), "YELLOW");
  EXPECT_TRUE(row->text(0).startsWith("W2K.dat line 2 ")) << row->text(0).toStdString();
}

// A key press during the start-up closes the splash window, and the start-up goes on; at its end
// no splash window is left, whichever way it ends.
TEST_F(StartupTest, TheSplashClosesOnAKeyPressAndIsGoneAfterTheStartUp) {
  put("Setup", "Domain", "example.local");
  bool splashShownAtDomains = false;
  bool splashShownAtConnect = true;
  services.Get_Domains = [&](mainwindow::form1&) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == "frmSplash" && w->isVisible()) {
        splashShownAtDomains = true;
        QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
      }
    return true;
  };
  services.Connect_Domain = [&](mainwindow::form1&, QString&) {
    splashShownAtConnect = false;
    for (QWidget* w : QApplication::topLevelWidgets())
      splashShownAtConnect = splashShownAtConnect || (w->objectName() == "frmSplash" && w->isVisible());
    return true;
  };
  services.checkDomainAdmin = [](const QString&) {
    return AdminCheckResult{AdminCheckResult::Membership::Member, "EXAMPLE\\Administrator"};
  };
  ASSERT_TRUE(start());
  EXPECT_TRUE(splashShownAtDomains);
  EXPECT_FALSE(splashShownAtConnect) << "the key press closed it";
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(w->objectName() == "frmSplash" && w->isVisible());

  // A start-up that ends early (not an administrator) leaves no splash either.
  services.Get_Domains = [](mainwindow::form1&) { return true; };
  services.checkDomainAdmin = [](const QString&) {
    return AdminCheckResult{AdminCheckResult::Membership::NotMember, "EXAMPLE\\clerk"};
  };
  put("Preferences", "CheckAdminRights", "Yes");
  EXPECT_FALSE(start());
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(w->objectName() == "frmSplash" && w->isVisible());
}

// Files of the layouts the conversion knows, for the database folder dir().
void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray oldSites(int count) {
  QByteArray out;
  for (int i = 1; i <= count; ++i) {
    records::Site_Record_V1 r;
    r.SiteName = QStringLiteral("Site%1").arg(i);
    r.HomeServer = QStringLiteral("SRV%1").arg(i);
    out += r.encode();
  }
  return out;
}

template <class R>
QByteArray templates(int count) {
  QByteArray out;
  for (int i = 1; i <= count; ++i) {
    R r;
    r.Name = QStringLiteral("T%1").arg(i);
    out += r.encode();
  }
  return out;
}

// The files decide what is converted; DBVersion, whatever it says, decides nothing.
TEST_F(StartupTest, TheFilesSelectTheConversionWhateverDBVersionSays) {
  const struct {
    const char* label;
    QByteArray sites;      // empty: no Site.dat
    QByteArray templates;  // empty: no Template.dat
    int16_t kind;          // 0: nothing converted
    const char* title;
  } cases[] = {
      {"current files", records::Site_Record{}.encode(), templates<records::Template_Record>(2), 0, nullptr},
      {"no files", {}, {}, 0, nullptr},
      {"1.x sites", oldSites(3), templates<records::Template_Record_V1>(2), 1, "Update Site.dat & Template.dat !!!"},
      {"77 sites of 1.x, a length that fits both layouts", oldSites(77), {}, 1,
       "Update Site.dat & Template.dat !!!"},
      {"2.0 templates", records::Site_Record{}.encode(), templates<records::Template_Record_V20>(2), 2,
       "Update Template.dat !!!"},
      {"2.1 templates", {}, templates<records::Template_Record_V21>(1), 3, "Update Template.dat !!!"},
  };
  for (const char* version : {"<missing>", "2.2", "2.0", "1.5", "2.1"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.label) + ", DBVersion " + version);
      QFile::remove(configPath());
      QFile::remove(dir() + "Site.dat");
      QFile::remove(dir() + "Template.dat");
      state::resetShared();
      prompts.asked.clear();
      conversions.clear();
      if (QByteArray(version) != "<missing>") put("Version", "DBVersion", version);
      put("Setup", "DataBasePath", dir());
      if (!c.sites.isEmpty()) writeFile(dir() + "Site.dat", c.sites);
      if (!c.templates.isEmpty()) writeFile(dir() + "Template.dat", c.templates);
      ASSERT_TRUE(start());
      if (QByteArray(version) == "<missing>") {
        EXPECT_EQ(stored("Version", "DBVersion"), "2.2");
      }
      if (c.kind == 0) {
        EXPECT_TRUE(conversions.empty());
        EXPECT_TRUE(boxes().empty());
        continue;
      }
      ASSERT_EQ(conversions.size(), 1u);
      EXPECT_EQ(conversions[0].kind, c.kind);
      EXPECT_EQ(conversions[0].path, dir());
      ASSERT_EQ(boxes().size(), 1u);
      EXPECT_EQ(boxes()[0].title, c.title);
      EXPECT_EQ(boxes()[0].style, ui::kStyleCritical);
    }
  }
}

TEST_F(StartupTest, ConversionNoticesText) {
  put("Setup", "DataBasePath", dir());
  writeFile(dir() + "Template.dat", templates<records::Template_Record_V21>(1));
  ASSERT_TRUE(start());
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].prompt,
            "Tavrel dectected an older version of Template.dat file\n"
            "This can cause unpredictable results if used\n\n"
            "Tavrel will now convert it to the new format.\n"
            "Your original file will be renamed Template.v22");
  prompts.asked.clear();
  QFile::remove(configPath());
  state::resetShared();
  put("Setup", "DataBasePath", dir());
  writeFile(dir() + "Site.dat", oldSites(1));
  ASSERT_TRUE(start());
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].prompt,
            "Tavrel dectected an older version of Site.dat/Template.dat files\n"
            "This can cause unpredictable results if used\n\n"
            "Tavrel will now convert them to the new format.\n"
            "Your original files will be renamed Template.v22 & Site.v22");
}

// 77 sites of 1.x fill as many bytes as 51 current ones. Opened by settings without DBVersion,
// the folder is converted, the site list shows the 77 names, and a later Save appends a record of
// the current layout to a file of the current layout.
TEST_F(StartupTest, SeventySevenOldSitesAreConvertedAndListedWithoutDBVersion) {
  services.Convert_DB = mainwindow::StartupServices::convertRecordFiles;
  services.Load_Databases = [](mainwindow::form1& f) { f.Load_Databases(); };
  put("Setup", "DataBasePath", dir());
  writeFile(dir() + "Site.dat", oldSites(77));
  ASSERT_TRUE(start());
  EXPECT_EQ(stored("Version", "DBVersion"), "2.2");
  ASSERT_FALSE(boxes().empty());
  EXPECT_EQ(boxes().back().prompt, "Conversion Complete");
  EXPECT_EQ(QFileInfo(dir() + "Site.dat").size(), 77 * records::Site_Record::Length);
  EXPECT_EQ(QFileInfo(dir() + "Site.v22").size(), 77 * records::Site_Record_V1::Length);
  QStringList listed, expected;
  for (int i = 1; i <= w->ListView2->count(); ++i) listed << w->ListView2->text(i).trimmed();
  for (int i = 1; i <= 77; ++i) expected << QStringLiteral("Site%1").arg(i);
  listed.sort();
  expected.sort();
  EXPECT_EQ(listed, expected);

  // A second start finds the folder current: nothing is converted again.
  prompts.asked.clear();
  ASSERT_TRUE(start());
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(QFileInfo(dir() + "Site.dat").size(), 77 * records::Site_Record::Length);
}

// When the files cannot be converted, they are neither listed nor written in the current layout.
TEST_F(StartupTest, OldSitesThatWereNotConvertedAreNeitherListedNorWritten) {
  put("Setup", "DataBasePath", dir());
  writeFile(dir() + "Site.dat", oldSites(77));  // the Convert_DB seam converts nothing
  services.Load_Databases = [](mainwindow::form1& f) { f.Load_Databases(); };
  ASSERT_TRUE(start());
  EXPECT_EQ(w->ListView2->count(), 0);
  w->New_Site_Click();
  w->ListView2->setFocus();
  w->ListView2_AfterLabelEdit(*std::make_unique<bool>(false), "Berlin");
  w->ListView2->item(1)->setText(0, "Berlin");
  w->NTSERVER->setText("NTBER");
  w->Save_Site_Click();
  EXPECT_EQ(QFileInfo(dir() + "Site.dat").size(), 77 * records::Site_Record_V1::Length) << "nothing appended";
}

TEST_F(StartupTest, ScreenWidthOnlyDecides) {
  ui::setScreenWidthOverride(1023);
  EXPECT_FALSE(start());
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].title, "Tavrel - Video Resolution");
  EXPECT_EQ(boxes()[0].prompt, "Video Resoultion must be 1024x768 or greater\nto run this program.");
  EXPECT_EQ(boxes()[0].style, ui::kStyleCritical);
  EXPECT_FALSE(QFile::exists(configPath())) << "nothing is written before the screen check";
  EXPECT_EQ(loads, 0);

  prompts.asked.clear();
  ui::setScreenWidthOverride(1024);
  EXPECT_TRUE(start());
  EXPECT_TRUE(boxes().empty());
  ui::setScreenWidthOverride(4096);
  EXPECT_TRUE(start());
}

TEST_F(StartupTest, SecondInstanceEndsSilentlyWithoutTouchingASetting) {
  int asked = 0;
  services.firstInstance = [&asked] {
    ++asked;
    return false;
  };
  put("Setup", "Domain", "CORP");
  const QByteArray before = test::readAll(configPath());
  EXPECT_FALSE(start());
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(test::readAll(configPath()), before);
  EXPECT_EQ(w->windowTitle(), "...Duplicate Instance");
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "..Duplicate instance");
  QGuiApplication::setApplicationDisplayName(QString());
  EXPECT_EQ(state::shared().Domain_Name, "");
  EXPECT_EQ(loads, 0);
}

// The domain branch: not configured, configured but not found, connected.
TEST_F(StartupTest, DomainStates) {
  const struct {
    const char* stored;  // nullptr: missing
    bool reachable;
    const char* connectedWith;  // nullptr: no connection tried
    const char* status;
    bool placeholder;
  } cases[] = {
      {nullptr, true, nullptr, "Must Enter Setup Details...", true},
      {"", true, nullptr, "Must Enter Setup Details...", true},
      {"%Domain%", true, nullptr, "Must Enter Setup Details...", true},
      {"   ", true, "", "Can't Find Domain Controller.", false},
      {" corp.example ", false, "corp.example", "Can't Find Domain Controller.", false},
      {"corp.example", true, "corp.example", "Number of Users:3  Number of Groups:2", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "<missing>");
    QFile::remove(configPath());
    state::resetShared();
    if (c.stored) put("Setup", "Domain", c.stored);
    QStringList connects;
    bool listed = false;
    services.Get_Domains = [&listed](form1&) { return listed = true; };
    services.Connect_Domain = [&](form1& f, QString& name) {
      connects << name;
      mainwindow::StartupServices::noDirectoryConnect(f, name);
      if (!c.reachable || name.isEmpty()) return false;
      f.StatusBar1->setPanelText(1, "Number of Users:3  Number of Groups:2");
      return true;
    };
    ASSERT_TRUE(start());
    EXPECT_TRUE(listed);
    EXPECT_EQ(statusAtLoad, c.status);
    EXPECT_EQ(w->StatusBar1->panelText(1), "Ready.");
    if (c.connectedWith) {
      EXPECT_EQ(connects, QStringList{c.connectedWith});
      EXPECT_EQ(state::shared().Domain_Name, c.connectedWith);
      EXPECT_EQ(w->DomName->currentText(), c.connectedWith);
    } else {
      EXPECT_TRUE(connects.isEmpty());
      EXPECT_EQ(state::shared().Domain_Name, "%Domain%");
    }
    if (c.placeholder) {
      ASSERT_EQ(w->TreeView1->topLevelItemCount(), 1);
      EXPECT_EQ(w->Root_Node, w->TreeView1->topLevelItem(0));
      EXPECT_EQ(w->Root_Node->text(0), "%Domain%");
      EXPECT_EQ(w->Root_Node->data(0, Qt::UserRole + 1).toString(), "Domain");
      EXPECT_TRUE(w->TreeView1->isSortingEnabled());
    } else {
      EXPECT_EQ(w->TreeView1->topLevelItemCount(), 0);
      EXPECT_EQ(w->Root_Node, nullptr);
    }
  }
}

TEST_F(StartupTest, WithoutADirectoryLayerAConfiguredDomainIsNotFound) {
  put("Setup", "Domain", "corp.example");
  put("Preferences", "CheckAdminRights", "Yes");
  ASSERT_TRUE(start());
  EXPECT_EQ(statusAtLoad, "Can't Find Domain Controller.");
  EXPECT_EQ(w->DomName->currentText(), "corp.example");
  EXPECT_TRUE(boxes().empty()) << "no administrator check without a connection";
}

TEST_F(StartupTest, AdministratorCheck) {
  const struct {
    const char* what;
    bool checkOn;
    AdminCheckResult answer;
    bool goesOn;
  } cases[] = {
      {"member", true, {AdminCheckResult::Membership::Member, "Administrator"}, true},
      {"not a member", true, {AdminCheckResult::Membership::NotMember, "jdoe"}, false},
      {"group unreachable", true, {AdminCheckResult::Membership::Unreachable, "jdoe"}, false},
      {"check switched off", false, {AdminCheckResult::Membership::NotMember, "jdoe"}, true},
  };
  qputenv("USERNAME", "Administrator");  // the environment is not what is checked
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(configPath());
    state::resetShared();
    prompts.asked.clear();
    loads = 0;
    put("Setup", "Domain", " corp.example");
    put("Preferences", "CheckAdminRights", c.checkOn ? "Yes" : "No");
    services.Connect_Domain = [](form1&, QString&) { return true; };
    QStringList checked;
    services.checkDomainAdmin = [&](const QString& domain) {
      checked << domain;
      return c.answer;
    };
    EXPECT_EQ(start(), c.goesOn);
    EXPECT_EQ(checked, c.checkOn ? QStringList{"corp.example"} : QStringList{});
    EXPECT_EQ(loads, c.goesOn ? 1 : 0);
    if (c.goesOn) {
      EXPECT_TRUE(boxes().empty());
      continue;
    }
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].title, "Access Control Error");
    EXPECT_EQ(boxes()[0].style, ui::kStyleCritical);
    EXPECT_EQ(boxes()[0].prompt,
              "jdoe: Is Not a Member of the Domain Admin Group.\n\n"
              "You Must Be a Member of the 'Domain Admin' Group To \n"
              "Run this Application.");
  }
  qunsetenv("USERNAME");
}

TEST_F(StartupTest, DebugModeOnlyForTheWholeCommandLine) {
  const struct {
    const char* line;
    const char* status;
  } cases[] = {
      {"/DEBUG", "Debug Mode."},
      {"/debug", "Debug Mode."},
      {"/Debug", "Debug Mode."},
      {"/DEBUG ", "Ready."},
      {"/DEBUG x", "Ready."},
      {"/DEBUG1", "Ready."},
      {"", "Ready."},
  };
  for (const auto& c : cases) {
    services.commandLine = QString::fromLatin1(c.line);
    ASSERT_TRUE(start());
    EXPECT_EQ(w->StatusBar1->panelText(1), c.status) << '"' << c.line << '"';
  }
}

TEST_F(StartupTest, SettingsSurviveARestart) {
  ASSERT_TRUE(start());
  w->DomName->setEditText("corp.example");
  w->defaultpassword->setText("Reset1");
  w->FmtPass->setChecked(true);
  w->Formatted_Password->setText("%first%9");
  w->dbpath->setText(dir() + "db");
  w->Option1[4]->setChecked(true);
  w->setupid->setText("%first%.%last%");
  w->ALTID->setText("%first%.%last%%n%");
  w->FullName_Format[3]->setChecked(true);
  w->FN_Format->setText("%Last%, %First%");
  w->Check_FN_Format_Click();
  w->Create_Script->setText("/bin/after-create");
  w->Run_Hidden[2]->setChecked(true);
  w->Wait_NEW[0]->setChecked(true);
  w->Command3_Click();
  w->SamAccountName->setChecked(true);
  w->Sorted_Yes->setChecked(true);
  w->DisplayName->setChecked(true);
  w->Rename_Dir_Shr->setChecked(true);
  w->Create_Mail_Account->setChecked(false);
  w->USR_Cant_Change->setChecked(true);
  w->STOP_ON_RED[2]->setChecked(true);
  w->STOP_ON_RED[1]->setChecked(true);
  w->Mail_Logon->setChecked(false);
  w->txtAdmin->setText("exadmin");
  w->PORT->setText("390");
  w->savemail_Click();
  const QMap<QString, QString> before = allStored();

  services.Connect_Domain = [](form1& f, QString& name) {
    f.DomName->setEditText(name);
    return true;
  };
  ASSERT_TRUE(start());
  EXPECT_EQ(allStored(), before) << "a restart writes back only what it read";
  EXPECT_EQ(w->DomName->currentText(), "corp.example");
  EXPECT_EQ(w->defaultpassword->text(), "Reset1");
  EXPECT_TRUE(w->FmtPass->isChecked());
  EXPECT_EQ(w->Formatted_Password->text(), "%first%9");
  EXPECT_EQ(w->dbpath->text(), dir() + "db/");
  EXPECT_TRUE(w->Option1[4]->isChecked());
  EXPECT_EQ(w->setupid->text(), "%first%.%last%");
  EXPECT_EQ(w->ALTID->text(), "%first%.%last%%n%");
  EXPECT_TRUE(w->FullName_Format[3]->isChecked());
  EXPECT_EQ(w->FN_Format->text(), "%Last%, %First%");
  EXPECT_EQ(w->Create_Script->text(), "/bin/after-create");
  EXPECT_TRUE(w->Run_Hidden[2]->isChecked());
  EXPECT_TRUE(w->Wait_NEW[0]->isChecked());
  EXPECT_TRUE(w->SamAccountName->isChecked());
  EXPECT_TRUE(w->Sorted_Yes->isChecked());
  EXPECT_TRUE(w->DisplayName->isChecked());
  EXPECT_TRUE(w->Rename_Dir_Shr->isChecked());
  EXPECT_FALSE(w->Create_Mail_Account->isChecked());
  EXPECT_TRUE(w->USR_Cant_Change->isChecked());
  EXPECT_FALSE(w->Password_Change->isEnabled());
  for (QCheckBox* box : w->STOP_ON_RED) EXPECT_TRUE(box->isChecked());
  EXPECT_FALSE(w->Mail_Logon->isChecked());
  EXPECT_TRUE(w->txtAdmin->isEnabled());
  EXPECT_EQ(w->txtAdmin->text(), "exadmin");
  EXPECT_EQ(w->PORT->text(), "390");
}

}  // namespace
