// The start-up sequence of the main window, the load of every setting into its control, and the
// handlers of the Setup and Preferences pages that store each setting the moment it changes.
//
// The handlers are connected to signals that also fire when the program changes a control
// (toggled, not clicked), so loading a value that differs from the control's initial state writes
// it back in the handler's own words, as a user's change would.

#include "format/UserName.h"
#include "mainwindow/Naming.h"
#include "mainwindow/form1.h"
#include "mainwindow/ImportWindows.h"
#include "mainwindow/frmAbout.h"
#include "platform/text/Cp1252.h"
#include "records/Conversion.h"
#include "records/Layout.h"
#include "records/PropertyLists.h"
#include "startup/Settings.h"
#include "startup/SettingsRules.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QApplication>
#include <QDir>
#include <QLayout>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalBlocker>
#include <memory>

namespace tavrel::mainwindow {
namespace {

using startup::Stored;

const QString kSetup = QStringLiteral("Setup");
const QString kPreferences = QStringLiteral("Preferences");
const QString kUM = QStringLiteral("UM");
const QString kMail = QStringLiteral("Mail");
const QString kCustom = QStringLiteral("Custom");
const QString kVersion = QStringLiteral("Version");
const QString kNotConfigured = QStringLiteral("%Domain%");

// The sample person of the format previews.
const QString kFirst = QStringLiteral("John");
const QString kMiddle = QStringLiteral("Fred");
const QString kLast = QStringLiteral("Smith");

// Widths of the password frame, in twips.
constexpr int kFrame4Wide = 5535;
constexpr int kFrame4Narrow = 2775;

// The roles under which tree nodes keep their key and small-icon name, as the lists do.
constexpr int kKeyRole = form1::kNodeKeyRole;
constexpr int kIconRole = form1::kNodeImageRole;

// Reads one setting through the shared value buffer: Reg_Value is cleared first and holds the
// value afterwards; Reg_Result holds whether it was found.
Stored read(const QString& subkey, const QString& name) {
  state::SharedState& sh = state::shared();
  sh.Reg_Value.clear();
  Stored s = startup::readSetting(state::reg(), subkey, name);
  sh.Reg_Result = s.found;
  sh.Reg_Value = s.value;
  return s;
}

void write(const QString& subkey, const QString& name, const QString& data) {
  state::shared().Reg_Result = startup::writeSetting(state::reg(), subkey, name, data);
}

// The check boxes that store "Yes" or "No" under their value the moment they change.
struct Switch {
  QCheckBox* form1::*box;
  const QString& subkey;
  QString name;
};
const Switch kSwitches[] = {
    {&form1::Create_Dirs, kUM, QStringLiteral("CreateDirs")},
    {&form1::Create_Shares, kUM, QStringLiteral("CreateShares")},
    {&form1::Dir_Security, kUM, QStringLiteral("SetPermissions")},
    {&form1::Create_User_Account, kUM, QStringLiteral("UserAccount")},
    {&form1::Create_Mail_Account, kUM, QStringLiteral("MailAccount")},
    {&form1::Run_script, kUM, QStringLiteral("RunCmd")},
    {&form1::Confirm_Resets, kPreferences, QStringLiteral("ConfirmResets")},
    {&form1::Confirm_Deletes, kPreferences, QStringLiteral("ConfirmDeletes")},
    {&form1::Domain_Admin, kPreferences, QStringLiteral("CheckAdminRights")},
    {&form1::Profile_Delete_Name, kPreferences, QStringLiteral("ProfileDeleteUsername")},
    {&form1::PWD_NVR_EXPIRE, kPreferences, QStringLiteral("PasswdNVRExpire")},
    {&form1::New_Disabled, kPreferences, QStringLiteral("AccountDisabled")},
    {&form1::Password_Change, kPreferences, QStringLiteral("ForcePasswdChange")},
    {&form1::Rename_Dir_Shr, kPreferences, QStringLiteral("RenameDir")},
};


// The sample's expansion, or why the format cannot be expanded.
QString previewOf(const QString& format) {
  const auto expanded = format::UserName(format, kFirst, kMiddle, kLast);
  return expanded.ok() ? expanded.text : expanded.error;
}

const QString kTemplateWarningTitle = QStringLiteral("Update Template.dat !!!");
const QString kTemplateWarning = QStringLiteral(
    "Tavrel dectected an older version of Template.dat file\n"
    "This can cause unpredictable results if used\n\n"
    "Tavrel will now convert it to the new format.\n"
    "Your original file will be renamed Template.v22");
const QString kBothWarningTitle = QStringLiteral("Update Site.dat & Template.dat !!!");
const QString kBothWarning = QStringLiteral(
    "Tavrel dectected an older version of Site.dat/Template.dat files\n"
    "This can cause unpredictable results if used\n\n"
    "Tavrel will now convert them to the new format.\n"
    "Your original files will be renamed Template.v22 & Site.v22");

}  // namespace

// ---------------------------------------------------------------------------------------------
// Default services

bool StartupServices::noDirectoryDomains(form1&) {
  return false;
}

bool StartupServices::noDirectoryConnect(form1& form, QString& Domain_Name) {
  state::SharedState& sh = state::shared();
  sh.User_Count = 0;
  sh.Group_Count = 0;
  form.DomName->setEditText(Domain_Name);
  return false;
}

AdminCheckResult StartupServices::noDirectoryAdminCheck(const QString&) {
  return {};
}

void StartupServices::convertRecordFiles(form1&, const QString& Path, int16_t Kind) {
  records::ConvertHooks hooks;
  hooks.message = [](const QString& text, const QString& detail) {
    ui::prompter().MsgBox(detail.isEmpty() ? text : text + u'\n' + detail, 0);
  };
  hooks.writeVersion = [] {
    return startup::writeSetting(state::reg(), kVersion, QStringLiteral("DBVersion"),
                                 records::kCurrentDBVersion);
  };
  records::Convert_DB(Path, Kind, hooks);
}

void StartupServices::readyStatus(form1& form) {
  form.StatusBar1->setPanelText(1, QStringLiteral("Ready."));
}

// ---------------------------------------------------------------------------------------------
// Start-up

bool form1::Form_Load(const StartupServices& services) {
  if (services.firstInstance()) return true;
  // The running instance has been asked to come forward restored; this one ends untouched.
  QApplication::setApplicationDisplayName(QStringLiteral("..Duplicate instance"));
  setWindowTitle(QStringLiteral("...Duplicate Instance"));
  return false;
}

bool form1::Form_Initialize(const StartupServices& services) {
  state::SharedState& sh = state::shared();

  // 1. The tree's drag-scroll timer stays off until the window runs; one instance only.
  sh.Reg_Value.clear();
  Timer2->stop();
  Timer2->setInterval(200);
  if (!Form_Load(services)) return false;

  // 2. Only the width of the screen is tested.
  if (ui::screenWidth() < 1024) {
    ui::prompter().MsgBox(
        QStringLiteral("Video Resoultion must be 1024x768 or greater\nto run this program."),
        ui::kStyleCritical, QStringLiteral("Tavrel - Video Resolution"));
    return false;
  }

  // 3. A folder without a version mark is taken as current.
  if (!read(kVersion, QStringLiteral("DBVersion")).found)
    write(kVersion, QStringLiteral("DBVersion"), records::kCurrentDBVersion);

  // 4.
  // A key press closes the splash window (it then deletes itself); every path out of the start-up
  // removes it.
  QPointer<frmSplash> splash = new frmSplash;
  splash->setAttribute(Qt::WA_DeleteOnClose);
  const auto unloadAtEnd = qScopeGuard([] { Unload_Splash(); });
  const auto status = [&splash](const QString& text) {
    if (splash) splash->setStatus(text);
  };
  if (const QScreen* s = QGuiApplication::primaryScreen())
    splash->move(s->geometry().center() - splash->rect().center());
  splash->show();
  status(QStringLiteral("Loading Registry Keys..."));

  // 5, 6.
  loadSettings();
  restoreWindowLayout();
  Load_Custom_Fields();
  Check_Name_Format_Click();

  // 7, 8.
  status(QStringLiteral("Retrieving Domain Names..."));
  services.Get_Domains(*this);
  if (sh.Domain_Name != kNotConfigured) {
    sh.Domain_Name = text::trimBlanks(sh.Domain_Name);
    status(QStringLiteral("Retrieving Domain Data..."));
    if (services.Connect_Domain(*this, sh.Domain_Name)) {
      if (Domain_Admin->isChecked()) {
        status(QStringLiteral("Checking Admin Rights..."));
        const AdminCheckResult admin = services.checkDomainAdmin(sh.Domain_Name);
        sh.Reg_Value = admin.account;
        if (admin.membership != AdminCheckResult::Membership::Member) {
          Unload_Splash();
          ui::prompter().MsgBox(
              admin.account + QStringLiteral(": Is Not a Member of the Domain Admin Group.\n\n"
                                             "You Must Be a Member of the 'Domain Admin' Group To \n"
                                             "Run this Application."),
              ui::kStyleCritical, QStringLiteral("Access Control Error"));
          return false;
        }
      }
    } else {
      StatusBar1->setPanelText(1, QStringLiteral("Can't Find Domain Controller."));
    }
  } else {
    StatusBar1->setPanelText(1, QStringLiteral("Must Enter Setup Details..."));
    TreeView1->setSortingEnabled(true);
    TreeView1->sortByColumn(0, Qt::AscendingOrder);
    Root_Node = new QTreeWidgetItem(TreeView1, QStringList{sh.Domain_Name});
    Root_Node->setData(0, kKeyRole, QStringLiteral("Domain"));
    Root_Node->setData(0, kIconRole, QStringLiteral("DOMAIN"));
    Root_Node->setIcon(0, ImageList1.icon(QStringLiteral("DOMAIN")));
  }

  // 9. The Terminal Services rows; the record loader fills their values.
  for (const auto& [caption, key] : records::kWtsRowTable)
    ListView9->add(QString::fromLatin1(caption), QString::fromLatin1(key), QStringLiteral("USER"));

  // 10.
  // This text is not repainted at once: the check that follows is quick.
  if (splash) splash->Splash_TxT->setText(QStringLiteral("Checking .dat versions..."));
  sh.CounterUsed = false;
  // No user is loaded yet: neither group button has an account to work on.
  UM_ADD_GROUP->setEnabled(false);
  UM_REMOVE_GROUP->setEnabled(false);
  {
    // The tree's selection stays visible when the tree loses the focus.
    QPalette p = TreeView1->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    TreeView1->setPalette(p);
  }
  sh.EditingTemplate = 0;
  add->setEnabled(false);
  remove->setEnabled(false);
  sh.AltIdTried = false;

  // 11. An empty entry, then the drives A: to Z:.
  for (QComboBox* drives : {Home_Drive_letter, UM_Drive_Letter}) {
    drives->addItem(QString());
    for (char16_t d = u'A'; d <= u'Z'; ++d) drives->addItem(QString(QChar(d)) + u':');
  }
  Home_Drive_letter->setCurrentIndex(0);
  Home_Drive_letter->setEditText(QString());

  // 12. Every hour allowed.
  sh.Logon_Hours_Array.fill(255);

  // 13, 14. Record files of an older version are converted; the notices cannot be declined.
  // What to convert is read from the files themselves, not from DBVersion: a setting cannot make
  // the program read or write a file in another layout than its own.
  const auto detected = records::detectConversionKind(records::DatabaseFolder(dbpath->text()));
  if (!detected)
    ui::prompter().MsgBox(detected.message(), ui::kStyleExclamation, kTemplateWarningTitle);
  if (const int16_t kind = detected ? detected.value() : int16_t(0); kind != 0) {
    const bool both = kind == 1;
    ui::prompter().MsgBox(both ? kBothWarning : kTemplateWarning, ui::kStyleCritical,
                          both ? kBothWarningTitle : kTemplateWarningTitle);
    services.Convert_DB(*this, dbpath->text(), kind);
  }

  // 15.
  sh.Reg_Value.clear();
  status(QStringLiteral("Loading Databases..."));
  services.Load_Databases(*this);
  services.Clear_Site(*this);
  services.Clear_TT(*this);

  // 16, 17.
  Unload_Splash();
  const QString commandLine =
      services.commandLine.value_or(startup::commandLineOf(QCoreApplication::arguments().mid(1)));
  if (startup::isDebugCommandLine(commandLine)) StatusBar1->setPanelText(1, QStringLiteral("Debug Mode."));
  return true;
}

// Every setting, in the order the start-up reads them; each control that changes runs its own
// handler, which writes the setting back.
void form1::loadSettings() {
  using namespace startup;
  state::SharedState& sh = state::shared();
  auto setText = [](QLineEdit* field, const QString& text) { field->setText(text); };
  auto tick = [](QCheckBox* box, const QString& subkey, const QString& name,
                 bool (*rule)(bool, const QString&)) {
    const Stored v = read(subkey, name);
    box->setChecked(rule(v.found, v.value));
  };

  Stored s = read(kSetup, QStringLiteral("Domain"));
  sh.Domain_Name = ruleText(s.found, s.value);
  s = read(kSetup, QStringLiteral("Password"));
  setText(defaultpassword, ruleTrim(s.found, s.value));
  tick(FmtPass, kPreferences, QStringLiteral("UseFormattedPassword"), ruleUctYes);
  if (FmtPass->isChecked()) {
    s = read(kSetup, QStringLiteral("FormattedPassword"));
    setText(Formatted_Password, ruleTrim(s.found, s.value));
  }
  setText(dbpath, databaseFolderSetting(read(kSetup, QStringLiteral("DataBasePath"))));
  sh.Profile_Hive_Name = profileHiveName(read(kSetup, QStringLiteral("Profiles")), sh.Profile_Hive_Name);
  s = read(kSetup, QStringLiteral("BatchFileCreate"));
  if (auto v = ruleFoundTrim(s.found, s.value)) setText(Create_Script, *v);
  s = read(kSetup, QStringLiteral("BatchFileMove"));
  setText(Move_Script, ruleTrim(s.found, s.value));
  s = read(kSetup, QStringLiteral("BatchFileDelete"));
  setText(Delete_Script, ruleTrim(s.found, s.value));
  s = read(kSetup, QStringLiteral("SetupID"));
  setText(setupid, ruleText(s.found, s.value));
  s = read(kSetup, QStringLiteral("AltSetupID"));
  setText(ALTID, ruleText(s.found, s.value));
  s = read(kPreferences, QStringLiteral("Custom_FN"));
  setText(FN_Format, ruleText(s.found, s.value));
  tick(Rename_Dir_Shr, kPreferences, QStringLiteral("RenameDir"), ruleUcYes);
  (cnNameSelected(read(kPreferences, QStringLiteral("CNName"))) ? CNName : SamAccountName)->setChecked(true);
  tick(USR_Cant_Change, kPreferences, QStringLiteral("CantChangePWD"), ruleUcYes);
  tick(PWD_NVR_EXPIRE, kPreferences, QStringLiteral("PasswdNVRExpire"), ruleUcYes);
  tick(Profile_Delete_Name, kPreferences, QStringLiteral("ProfileDeleteUsername"), ruleUcYes);
  Option1[userFormatOption(read(kSetup, QStringLiteral("UserFormat")))]->setChecked(true);
  FullName_Format[fullNameOption(read(kPreferences, QStringLiteral("FullName")))]->setChecked(true);

  Check_Name_Format_Click();
  Check_FN_Format_Click();
  if (sh.Domain_Name.isEmpty()) sh.Domain_Name = kNotConfigured;

  const QString hidden[] = {QStringLiteral("CreateHidden"), QStringLiteral("MoveHidden"),
                            QStringLiteral("DeleteHidden")};
  for (int i = 0; i < 3; ++i) tick(Run_Hidden[i], kSetup, hidden[i], ruleYes);
  const QString wait[] = {QStringLiteral("WaitNew"), QStringLiteral("WaitMove"),
                          QStringLiteral("WaitDelete")};
  for (int i = 0; i < 3; ++i) tick(Wait_NEW[i], kSetup, wait[i], ruleYes);

  // The import options window is loaded hidden and given the stored expiry date.
  s = read(kSetup, QStringLiteral("AccountExpire"));
  ImportGrps::instance().Expiredate->setText(ruleText(s.found, s.value));
  tick(Confirm_Deletes, kPreferences, QStringLiteral("ConfirmDeletes"), ruleNotNo);
  tick(Confirm_Resets, kPreferences, QStringLiteral("ConfirmResets"), ruleNotNo);
  tick(Domain_Admin, kPreferences, QStringLiteral("CheckAdminRights"), ruleYes);
  tick(New_Disabled, kPreferences, QStringLiteral("AccountDisabled"), ruleYes);
  // Read after CantChangePWD, whose handler has already stored "No" here when it is on.
  tick(Password_Change, kPreferences, QStringLiteral("ForcePasswdChange"), ruleYes);

  // The halt switches are restored from all three values before their rule runs once, so that
  // restoring one box cannot overwrite the others' stored values.
  {
    const QString names[] = {QStringLiteral("StopOnError"), QStringLiteral("StopOnWarning"),
                             QStringLiteral("SkipPrompt")};
    bool changed = false;
    for (int i = 2; i >= 0; --i) {
      s = read(kPreferences, names[i]);
      const QSignalBlocker block(STOP_ON_RED[i]);
      const bool on = ruleYes(s.found, s.value);
      changed |= STOP_ON_RED[i]->isChecked() != on;
      STOP_ON_RED[i]->setChecked(on);
    }
    if (changed) STOP_ON_RED_Click(0);
  }

  const std::pair<QCheckBox*, const char*> steps[] = {
      {Create_Dirs, "CreateDirs"},          {Create_Shares, "CreateShares"},
      {Dir_Security, "SetPermissions"},     {Create_User_Account, "UserAccount"},
      {Create_Mail_Account, "MailAccount"}, {Run_script, "RunCmd"},
  };
  for (const auto& [box, name] : steps) tick(box, kUM, QString::fromLatin1(name), ruleUM);

  const std::pair<QLineEdit*, const char*> mail[] = {
      {PORT, "LDAP_PORT"}, {txtAdmin, "Admin_Account"}, {txtPassword, "Mail_Password"}};
  for (const auto& [field, name] : mail) {
    s = read(kMail, QString::fromLatin1(name));
    if (auto v = ruleFoundTrim(s.found, s.value)) setText(field, *v);
  }
  Mail_Logon->setChecked(mailCredentialsOn(read(kMail, QStringLiteral("MailCredentials"))));

  Field_Colour = savetemplate->palette().color(QPalette::Button);
  for (QWidget* w : std::initializer_list<QWidget*>{FN_Format_Check, testuserid, Import_Text})
    setFieldBackground(w, Field_Colour);
  Mail_Logon_Click();

  s = read(kPreferences, QStringLiteral("Sorted"));
  (ruleYes(s.found, s.value) ? Sorted_Yes : Sorted_No)->setChecked(true);
  s = read(kPreferences, QStringLiteral("DisplayName"));
  (ruleYes(s.found, s.value) ? DisplayName : DNName)->setChecked(true);

  for (int k = 0; k < 2; ++k) {
    const CustomCommand command = readCustomCommand(state::reg(), k == 0 ? QString() : QStringLiteral("1"));
    if (!command.show) continue;
    QAction* entry = mnupopup[13 + k];
    for (QAction* a : {mnupopup[12], entry}) {
      a->setVisible(true);
      a->setEnabled(true);
    }
    entry->setText(command.caption);
  }

  if (FmtPass->isChecked()) layoutPasswordFrame(true);
}

void form1::Load_Custom_Fields() {
  for (int k = 1; k <= 4; ++k) {
    const Stored s = read(kCustom, QStringLiteral("Custom") + QString::number(k));
    if (!s.found) continue;
    Custom_Label[k - 1]->setText(s.value);
    Custom_Label[k - 1]->setVisible(true);
    Custom_Value[k - 1]->clear();
    Custom_Value[k - 1]->setVisible(true);
  }
}

// ---------------------------------------------------------------------------------------------
// Setup page

void form1::connectSettingsHandlers() {
  Field_Colour = savetemplate->palette().color(QPalette::Button);

  DomainNote = new QLabel(DomName->parentWidget());
  DomainNote->setObjectName(QStringLiteral("DomainNote"));
  DomainNote->setWordWrap(true);
  DomainNote->hide();
  if (QLayout* row = DomName->parentWidget()->layout()) row->addWidget(DomainNote);
  connect(DomName, &QComboBox::editTextChanged, this, &form1::refreshDomainNote);
  connect(DomName, &QComboBox::currentTextChanged, this, &form1::refreshDomainNote);

  connect(Command2, &QPushButton::clicked, this, &form1::Command2_Click);
  connect(Command3, &QToolButton::clicked, this, &form1::Command3_Click);
  connect(Check_Name_Format, &QPushButton::clicked, this, &form1::Check_Name_Format_Click);
  connect(Check_FN_Format, &QPushButton::clicked, this, &form1::Check_FN_Format_Click);
  for (int i = 0; i < int(Option1.size()); ++i)
    connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) Option1_Click(i);
    });
  for (int i = 0; i < int(FullName_Format.size()); ++i)
    connect(FullName_Format[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) FullName_Format_Click(i);
    });
  connect(FmtPass, &QCheckBox::toggled, this, &form1::FmtPass_Click);
  for (int i = 0; i < int(Run_Hidden.size()); ++i)
    connect(Run_Hidden[i], &QCheckBox::toggled, this, [this, i] { Run_Hidden_Click(i); });

  for (const Switch& sw : kSwitches) {
    QCheckBox* box = this->*sw.box;
    connect(box, &QCheckBox::toggled, this,
            [&sw](bool on) { write(sw.subkey, sw.name, startup::yesNo(on)); });
  }
  // Each option of a pair stores which of the two is selected.
  const std::tuple<QRadioButton*, QRadioButton*, QString> pairs[] = {
      {CNName, SamAccountName, QStringLiteral("CNNAME")},
      {Sorted_Yes, Sorted_No, QStringLiteral("Sorted")},
      {DisplayName, DNName, QStringLiteral("DisplayName")},
  };
  for (const auto& [yes, no, name] : pairs)
    for (QRadioButton* option : {yes, no})
      connect(option, &QRadioButton::toggled, this, [yes = yes, name = name](bool on) {
        if (on) write(kPreferences, name, startup::yesNo(yes->isChecked()));
      });

  connect(USR_Cant_Change, &QCheckBox::toggled, this, &form1::USR_Cant_Change_Click);
  for (int i = 0; i < int(STOP_ON_RED.size()); ++i)
    connect(STOP_ON_RED[i], &QCheckBox::toggled, this, [this, i] { STOP_ON_RED_Click(i); });
  connect(savemail, &QToolButton::clicked, this, &form1::savemail_Click);
  connect(Mail_Logon, &QCheckBox::toggled, this, &form1::Mail_Logon_Click);
}

void form1::Command2_Click() {
  GETDIR();
}

bool form1::GETDIR() {
  const QString folder =
      ui::prompter().ChooseFolder(QStringLiteral("Database Directory"), QDir::currentPath());
  if (folder.isEmpty()) return false;
  dbpath->setText(startup::chosenFolderWithSeparator(folder));
  return true;
}

void form1::refreshDomainNote() {
  const QString inUse = state::shared().Domain_Name;
  const QString chosen = text::trimBlanks(DomName->currentText());
  const bool configured = !inUse.isEmpty() && inUse != kNotConfigured;
  if (chosen.isEmpty() || (configured && chosen.compare(inUse, Qt::CaseInsensitive) == 0)) {
    DomainNote->hide();
    return;
  }
  DomainNote->setText(
      (configured ? QStringLiteral("The tree shows ") + inUse + QStringLiteral(". ")
                  : QStringLiteral("No domain is connected. ")) +
      QStringLiteral("A domain chosen here is connected at the next start, after \"Save Settings\"."));
  DomainNote->show();
}

void form1::Command3_Click() {
  dbpath->setText(startup::withFolderSeparator(dbpath->text()));
  Check_Name_Format_Click();
  const std::pair<const char*, QString> values[] = {
      {"Domain", DomName->currentText()},
      {"Password", defaultpassword->text()},
      {"FormattedPassword", Formatted_Password->text()},
      {"DataBasePath", dbpath->text()},
      {"SetupID", setupid->text()},
      {"AltSetupID", ALTID->text()},
      {"BatchFileCreate", Create_Script->text()},
      {"BatchFileMove", Move_Script->text()},
      {"BatchFileDelete", Delete_Script->text()},
      {"CreateHidden", startup::yesNo(Run_Hidden[0]->isChecked())},
      {"MoveHidden", startup::yesNo(Run_Hidden[1]->isChecked())},
      {"DeleteHidden", startup::yesNo(Run_Hidden[2]->isChecked())},
      {"WaitNew", startup::yesNo(Wait_NEW[0]->isChecked())},
      {"WaitMove", startup::yesNo(Wait_NEW[1]->isChecked())},
      {"WaitDelete", startup::yesNo(Wait_NEW[2]->isChecked())},
  };
  for (const auto& [name, data] : values) write(kSetup, QString::fromLatin1(name), data);
  refreshDomainNote();
}

void form1::Check_Name_Format_Click() {
  testuserid->setText(previewOf(setupid->text()));
  TESTUSERALTID->setText(previewOf(ALTID->text()));
}

void form1::Check_FN_Format_Click() {
  FN_Format_Check->setText(previewOf(FN_Format->text()));
  // A fixed full-name option must not overwrite the administrator's custom format.
  if (FullName_Format[3]->isChecked()) write(kPreferences, QStringLiteral("Custom_FN"), FN_Format->text());
}

namespace {

// A format option group: the selected option puts its fixed format into the field (the last,
// "Custom", leaves the field as typed) and stores its number; a fixed format is previewed at once.
template <std::size_t N>
void selectFormat(const std::array<QRadioButton*, N>& options, std::optional<QString> (*formatOf)(int),
                  QLineEdit* field, const QString& subkey, const QString& name, QLineEdit* preview) {
  for (std::size_t i = 0; i < N; ++i) {
    if (!options[i]->isChecked()) continue;
    if (const auto format = formatOf(int(i))) field->setText(*format);
    write(subkey, name, QString::number(i + 1));
  }
  if (!options[N - 1]->isChecked()) preview->setText(previewOf(field->text()));
}

}  // namespace

void form1::Option1_Click(int) {
  selectFormat(Option1, startup::userFormatOf, setupid, kSetup, QStringLiteral("UserFormat"), testuserid);
}

void form1::FullName_Format_Click(int) {
  selectFormat(FullName_Format, startup::fullNameFormatOf, FN_Format, kPreferences,
               QStringLiteral("FullName"), FN_Format_Check);
}

void form1::layoutPasswordFrame(bool both) {
  Frame4->setTitle(both ? QStringLiteral("Default Passwords") : QStringLiteral("Default Password"));
  Frame4->setFixedWidth(ui::twipsToPixels(both ? kFrame4Wide : kFrame4Narrow, this));
  Formatted_Password->setVisible(both);
  Formatted_Password->setEnabled(both);
}

void form1::FmtPass_Click() {
  const bool on = FmtPass->isChecked();
  layoutPasswordFrame(on);
  write(kPreferences, QStringLiteral("UseFormattedPassword"), startup::upperYesNo(on));
}

void form1::Run_Hidden_Click(int) {
  write(kSetup, QStringLiteral("RunHidden"), startup::yesNo(Run_Hidden[0]->isChecked()));
}

// ---------------------------------------------------------------------------------------------
// Preferences

void form1::USR_Cant_Change_Click() {
  if (USR_Cant_Change->isChecked()) {
    Password_Change->setChecked(false);
    Password_Change->setEnabled(false);
    write(kPreferences, QStringLiteral("ForcePasswdChange"), startup::yesNo(false));
    write(kPreferences, QStringLiteral("CantChangePWD"), startup::yesNo(true));
  } else {
    write(kPreferences, QStringLiteral("CantChangePWD"), startup::yesNo(false));
    Password_Change->setEnabled(true);
  }
}

void form1::STOP_ON_RED_Click(int) {
  const startup::HaltSwitches h = startup::haltRule(STOP_ON_RED[0]->isChecked(), STOP_ON_RED[1]->isChecked(),
                                                    STOP_ON_RED[2]->isChecked());
  {
    const QSignalBlocker block(STOP_ON_RED[0]);
    STOP_ON_RED[0]->setChecked(h.errors);
  }
  STOP_ON_RED[0]->setEnabled(h.errorsEnabled);
  write(kPreferences, QStringLiteral("StopOnError"), startup::yesNo(h.errors));
  write(kPreferences, QStringLiteral("StopOnWarning"), startup::yesNo(h.warnings));
  write(kPreferences, QStringLiteral("SkipPrompt"), startup::yesNo(h.skipPrompt));
}

void form1::savemail_Click() {
  // A port outside 1..65535 is no port; nothing is stored then.
  bool number = false;
  const int port = PORT->text().trimmed().toInt(&number);
  if (!number || port < 1 || port > 65535) {
    ui::prompter().MsgBox(QStringLiteral("The LDAP port must be a number from 1 to 65535; the mail settings were not saved."),
                          ui::kStyleExclamation, QStringLiteral("Mail Settings"));
    return;
  }
  const QString credentials = startup::trueFalse(Mail_Logon->isChecked());
  write(kMail, QStringLiteral("Admin_Account"), txtAdmin->text());
  write(kMail, QStringLiteral("Mail_Password"), txtPassword->text());
  write(kMail, QStringLiteral("MailCredentials"), credentials);
  write(kMail, QStringLiteral("LDAP_PORT"), PORT->text());
}

void form1::Mail_Logon_Click() {
  const bool current = Mail_Logon->isChecked();
  for (QLineEdit* field : {txtAdmin, txtPassword}) {
    field->setEnabled(!current);
    setFieldBackground(field, current ? Field_Colour : editableColour());
  }
}

}  // namespace tavrel::mainwindow
