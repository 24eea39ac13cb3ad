// The pages of the main window's tab control and the controls on them. Each control carries its
// known name as objectName; the handlers that give the controls their behaviour live with the
// features they belong to.

#include "mainwindow/Naming.h"
#include "mainwindow/form1.h"
#include "ui/Services.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace tavrel::mainwindow {
namespace {

QLineEdit* textBox(QWidget* parent, const QString& name, const QString& tip = {}) {
  auto* e = named(new QLineEdit(parent), name);
  if (!tip.isEmpty()) e->setToolTip(tip);
  return e;
}

QLabel* label(QWidget* parent, const QString& caption, const QString& name = {}) {
  auto* l = new QLabel(caption, parent);
  if (!name.isEmpty()) l->setObjectName(name);
  return l;
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption, const QString& tip = {}) {
  auto* c = named(new QCheckBox(caption, parent), name);
  if (!tip.isEmpty()) c->setToolTip(tip);
  return c;
}

QRadioButton* option(QWidget* parent, const QString& name, const QString& caption, const QString& tip = {}) {
  auto* r = named(new QRadioButton(caption, parent), name);
  if (!tip.isEmpty()) r->setToolTip(tip);
  return r;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, const QString& tip = {}) {
  auto* b = named(new QPushButton(caption, parent), name);
  if (!tip.isEmpty()) b->setToolTip(tip);
  return b;
}

// A picture button, as the save buttons are.
QToolButton* imageButton(QWidget* parent, const QString& name, const QString& tip,
                         QStyle::StandardPixmap picture) {
  auto* b = named(new QToolButton(parent), name);
  b->setToolTip(tip);
  b->setIcon(parent->style()->standardIcon(picture));
  b->setIconSize(QSize(24, 24));
  b->setAutoRaise(false);
  return b;
}

QComboBox* comboBox(QWidget* parent, const QString& name, bool typed) {
  auto* c = named(new QComboBox(parent), name);
  c->setEditable(typed);
  // Typed text is the box's text; it never becomes an entry of the list.
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setMinimumContentsLength(8);
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  return c;
}

// Option buttons of one group exclude each other, whatever widget holds them.
template <std::size_t N>
void group(QObject* owner, const std::array<QRadioButton*, N>& options) {
  auto* g = new QButtonGroup(owner);
  for (std::size_t i = 0; i < N; ++i) g->addButton(options[i], int(i));
}
void group(QObject* owner, QRadioButton* a, QRadioButton* b) {
  group<2>(owner, std::array<QRadioButton*, 2>{a, b});
}

// A single-column list whose caption stands above it.
ui::ListView* groupList(QWidget* parent, const QString& name, const ui::ImageList* images) {
  auto* l = named(new ui::ListView(parent), name);
  l->setColumns({QStringLiteral("Name")});
  l->setHeaderHidden(true);
  l->setSelectionMode(QAbstractItemView::ExtendedSelection);
  l->setImageList(images);
  return l;
}

// The two buttons that move rows between two lists, centred between them.
QVBoxLayout* between(QPushButton* first, QPushButton* second) {
  auto* moves = new QVBoxLayout;
  moves->addStretch();
  moves->addWidget(first);
  moves->addWidget(second);
  moves->addStretch();
  return moves;
}

// Pages scroll rather than clip when the window is small.
QWidget* scrolled(QWidget* content) {
  auto* area = new QScrollArea;
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  area->setWidget(content);
  return area;
}

}  // namespace

QWidget* form1::buildUserManagerPage() {
  auto* page = new QWidget;
  auto* outer = new QGridLayout(page);

  SSTab2 = named(new QTabWidget(page), QStringLiteral("SSTab2"));

  auto* general = new QWidget;
  auto* g = new QGridLayout(general);
  USERID = textBox(general, QStringLiteral("USERID"));
  Label3 = label(general, QStringLiteral("Display Name"), QStringLiteral("Label3"));
  UM_Full_Name = textBox(general, QStringLiteral("UM_Full_Name"));
  UM_Description = textBox(general, QStringLiteral("UM_Description"));
  Label37 = label(general, QStringLiteral("First Name"), QStringLiteral("Label37"));
  UM_First = textBox(general, QStringLiteral("UM_First"));
  Label38 = label(general, QStringLiteral("Initials"), QStringLiteral("Label38"));
  UM_Initails = textBox(general, QStringLiteral("UM_Initails"));
  UM_Initails->setMaximumWidth(60);
  Label39 = label(general, QStringLiteral("Last Name"), QStringLiteral("Label39"));
  UM_Last = textBox(general, QStringLiteral("UM_Last"));
  Label40 = label(general, QStringLiteral("Office"), QStringLiteral("Label40"));
  UM_Office = textBox(general, QStringLiteral("UM_Office"));
  g->addWidget(USERID, 0, 0, 1, 4);
  g->addWidget(Label37, 1, 0);
  g->addWidget(UM_First, 1, 1);
  g->addWidget(Label38, 1, 2);
  g->addWidget(UM_Initails, 1, 3);
  g->addWidget(Label39, 2, 0);
  g->addWidget(UM_Last, 2, 1, 1, 3);
  g->addWidget(Label3, 3, 0);
  g->addWidget(UM_Full_Name, 3, 1, 1, 3);
  g->addWidget(label(general, QStringLiteral("Description")), 4, 0);
  g->addWidget(UM_Description, 4, 1, 1, 3);
  g->addWidget(Label40, 5, 0);
  g->addWidget(UM_Office, 5, 1, 1, 3);
  g->setRowStretch(6, 1);
  SSTab2->addTab(general, QStringLiteral("General"));

  auto* profile = new QWidget;
  auto* p = new QGridLayout(profile);
  UM_Logon_Script = textBox(profile, QStringLiteral("UM_Logon_Script"));
  UM_Profile_Dir = textBox(profile, QStringLiteral("UM_Profile_Dir"));
  UM_Home_Dir = textBox(profile, QStringLiteral("UM_Home_Dir"));
  UM_Drive_Letter = comboBox(profile, QStringLiteral("UM_Drive_Letter"), true);
  UM_Drive_Letter->setMinimumContentsLength(3);
  p->addWidget(label(profile, QStringLiteral("Profile Path")), 0, 0, 1, 2);
  p->addWidget(UM_Profile_Dir, 1, 0, 1, 2);
  p->addWidget(label(profile, QStringLiteral("Logon Script")), 2, 0, 1, 2);
  p->addWidget(UM_Logon_Script, 3, 0, 1, 2);
  p->addWidget(label(profile, QStringLiteral("Home Directory | Drive Letter")), 4, 0, 1, 2);
  p->addWidget(UM_Home_Dir, 5, 0);
  p->addWidget(UM_Drive_Letter, 5, 1);
  p->setColumnStretch(0, 1);
  p->setRowStretch(6, 1);
  SSTab2->addTab(profile, QStringLiteral("Profile"));

  auto* account = new QWidget;
  auto* a = new QGridLayout(account);
  Label33 = label(account, QStringLiteral("User Logon Name"), QStringLiteral("Label33"));
  UM_Logon_Name = textBox(account, QStringLiteral("UM_Logon_Name"));
  UM_W2KDomain_Name = textBox(account, QStringLiteral("UM_W2KDomain_Name"));
  Label41 = label(account, QStringLiteral("Pre Windows 2000"), QStringLiteral("Label41"));
  UM_PreW2K = textBox(account, QStringLiteral("UM_PreW2K"));
  Label43 = label(account, QStringLiteral("Mail Address"), QStringLiteral("Label43"));
  UM_MailAddress = textBox(account, QStringLiteral("UM_MailAddress"));
  auto* expires = new QGroupBox(QStringLiteral("Account Expires"), account);
  auto* ex = new QHBoxLayout(expires);
  AccExpires = textBox(expires, QStringLiteral("AccExpires"));
  ex->addWidget(AccExpires);
  a->addWidget(Label33, 0, 0, 1, 2);
  a->addWidget(UM_Logon_Name, 1, 0);
  a->addWidget(UM_W2KDomain_Name, 1, 1);
  a->addWidget(Label41, 2, 0, 1, 2);
  a->addWidget(UM_PreW2K, 3, 0);
  a->addWidget(Label43, 4, 0, 1, 2);
  a->addWidget(UM_MailAddress, 5, 0, 1, 2);
  a->addWidget(expires, 6, 0, 1, 2);
  a->setRowStretch(7, 1);
  SSTab2->addTab(account, QStringLiteral("Account"));

  auto* custom = new QWidget;
  auto* c = new QGridLayout(custom);
  for (int k = 0; k < 4; ++k) {
    Custom_Label[k] = label(custom, QString(), elementName(QStringLiteral("Custom_Label"), k));
    Custom_Value[k] = textBox(custom, elementName(QStringLiteral("Custom_Value"), k));
    // A pair shows once its caption is configured.
    Custom_Label[k]->hide();
    Custom_Value[k]->hide();
    c->addWidget(Custom_Label[k], k, 0);
    c->addWidget(Custom_Value[k], k, 1);
  }
  Command1 = button(custom, QStringLiteral("Command1"), QStringLiteral("Customise"));
  c->addWidget(Command1, 4, 1, Qt::AlignRight);
  c->setColumnStretch(1, 1);
  c->setRowStretch(5, 1);
  SSTab2->addTab(custom, QStringLiteral("Custom"));

  USERID_W2K = textBox(page, QStringLiteral("USERID_W2K"));

  auto* flags = new QVBoxLayout;
  chkMustChange = checkBox(page, QStringLiteral("chkMustChange"),
                           QStringLiteral("User Must Change Password at Next Logon"));
  chkCantChange =
      checkBox(page, QStringLiteral("chkCantChange"), QStringLiteral("User Cannot Change Password"));
  chkPwdNever = checkBox(page, QStringLiteral("chkPwdNever"), QStringLiteral("Password Never Expires"));
  chkAcctDisabled = checkBox(page, QStringLiteral("chkAcctDisabled"), QStringLiteral("Account Disabled"));
  chkAcctLockedOut = checkBox(page, QStringLiteral("chkAcctLockedOut"), QStringLiteral("Account Locked Out"));
  chkAcctLockedOut->hide();  // shown only while it reports a locked account
  for (QCheckBox* box : {chkMustChange, chkCantChange, chkPwdNever, chkAcctDisabled, chkAcctLockedOut})
    flags->addWidget(box);
  flags->addStretch();
  Userman_Save = imageButton(page, QStringLiteral("Userman_Save"), QStringLiteral("Save Changes"),
                             QStyle::SP_DialogSaveButton);
  flags->addWidget(Userman_Save, 0, Qt::AlignRight);

  UM_GROUPS = named(new QGroupBox(QStringLiteral("Groups"), page), QStringLiteral("UM_GROUPS"));
  auto* gr = new QGridLayout(UM_GROUPS);
  ListView4 = groupList(UM_GROUPS, QStringLiteral("ListView4"), &ImageList1);
  ListView3 = groupList(UM_GROUPS, QStringLiteral("ListView3"), &ImageList1);
  UM_ADD_GROUP = button(UM_GROUPS, QStringLiteral("UM_ADD_GROUP"), QStringLiteral("<<"));
  UM_REMOVE_GROUP = button(UM_GROUPS, QStringLiteral("UM_REMOVE_GROUP"), QStringLiteral(">>"));
  gr->addWidget(label(UM_GROUPS, QStringLiteral("Member of:")), 0, 0);
  gr->addWidget(label(UM_GROUPS, QStringLiteral("Not a member of:")), 0, 2);
  gr->addWidget(ListView4, 1, 0);
  gr->addLayout(between(UM_ADD_GROUP, UM_REMOVE_GROUP), 1, 1);
  gr->addWidget(ListView3, 1, 2);

  outer->addWidget(SSTab2, 0, 0);
  outer->addLayout(flags, 0, 1);
  outer->addWidget(USERID_W2K, 1, 0, 1, 2);
  outer->addWidget(UM_GROUPS, 2, 0, 1, 2);
  outer->setColumnStretch(0, 3);
  outer->setColumnStretch(1, 2);
  outer->setRowStretch(2, 1);
  wireUserManagerPage();
  return scrolled(page);
}

QWidget* form1::buildSetupPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  v->setSpacing(4);

  auto* top = new QHBoxLayout;
  auto* domain = new QGroupBox(QStringLiteral("Domain Name"), page);
  auto* d = new QHBoxLayout(domain);
  DomName = comboBox(domain, QStringLiteral("DomName"), true);
  DomName->setMinimumContentsLength(16);
  d->addWidget(DomName);
  top->addWidget(domain, 1);

  // The frame is narrow (one password) until the formatted password is switched on.
  Frame4 = named(new QGroupBox(QStringLiteral("Default Password"), page), QStringLiteral("Frame4"));
  Frame4->setFixedWidth(ui::twipsToPixels(2775, this));
  auto* f4 = new QHBoxLayout(Frame4);
  defaultpassword = textBox(Frame4, QStringLiteral("defaultpassword"),
                            QStringLiteral("User Default Password - for resets"));
  defaultpassword->setEchoMode(QLineEdit::Password);
  Formatted_Password = textBox(Frame4, QStringLiteral("Formatted_Password"),
                               QStringLiteral("Formatted Password for New Users"));
  Formatted_Password->hide();
  Formatted_Password->setEnabled(false);
  f4->addWidget(defaultpassword);
  f4->addWidget(Formatted_Password);
  top->addWidget(Frame4);
  FmtPass = checkBox(page, QStringLiteral("FmtPass"), QStringLiteral("Use Formatted Password"),
                     QStringLiteral("Allows Formatted passwords to be used for new users. (Second "
                                    "box on SETUP TAB for formatted passwords)"));
  top->addWidget(FmtPass);
  top->addStretch();
  Command3 = imageButton(page, QStringLiteral("Command3"), QStringLiteral("Save Settings"),
                         QStyle::SP_DialogSaveButton);
  top->addWidget(Command3, 0, Qt::AlignBottom);
  v->addLayout(top);

  auto* second = new QHBoxLayout;
  auto* path = new QGroupBox(QStringLiteral("Path to Database"), page);
  auto* ph = new QHBoxLayout(path);
  dbpath = textBox(path, QStringLiteral("dbpath"), QStringLiteral("Enter Valid Path to DataBase Files"));
  Command2 = button(path, QStringLiteral("Command2"), QStringLiteral("&Browse"));
  ph->addWidget(dbpath, 1);
  ph->addWidget(Command2);
  second->addWidget(path, 1);
  Set_Security = button(page, QStringLiteral("Set_Security"), QStringLiteral("&Directory Permissions"));
  Sharepermissions = button(page, QStringLiteral("Sharepermissions"), QStringLiteral("&Share Permissions"));
  second->addWidget(Set_Security, 0, Qt::AlignBottom);
  second->addWidget(Sharepermissions, 0, Qt::AlignBottom);
  v->addLayout(second);

  auto* userId = new QGroupBox(QStringLiteral("User ID"), page);
  auto* u = new QGridLayout(userId);
  u->setVerticalSpacing(2);
  const QString formats[] = {QStringLiteral("%last%#1%first%    =  SmithJ"),
                             QStringLiteral("%first%#1%last%    =  JohnS"),
                             QStringLiteral("1%first%%last%      =  JSmith"),
                             QStringLiteral("%first%%last%        =  JohnSmith"), QStringLiteral("Custom")};
  // The captions line up their examples with blanks, so they are shown in a fixed-pitch font.
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  for (int i = 0; i < 5; ++i) {
    Option1[i] = option(userId, elementName(QStringLiteral("Option1"), i), formats[i]);
    Option1[i]->setFont(fixed);
    u->addWidget(Option1[i], i, 0);
  }
  group(this, Option1);
  setupid = textBox(userId, QStringLiteral("setupid"));
  testuserid = textBox(userId, QStringLiteral("testuserid"));
  ALTID = textBox(userId, QStringLiteral("ALTID"), QStringLiteral("Used if User name already exists"));
  TESTUSERALTID = textBox(userId, QStringLiteral("TESTUSERALTID"));
  Check_Name_Format = button(userId, QStringLiteral("Check_Name_Format"), QStringLiteral("Chec&k"),
                             QStringLiteral("Check Name Format"));
  u->addWidget(label(userId, QStringLiteral("Examples for John Fred Smith")), 0, 3, Qt::AlignBottom);
  u->addWidget(label(userId, QStringLiteral("UserID")), 1, 1);
  u->addWidget(setupid, 1, 2);
  u->addWidget(testuserid, 1, 3);
  u->addWidget(label(userId, QStringLiteral("Alternative Name")), 2, 1);
  u->addWidget(ALTID, 2, 2);
  u->addWidget(TESTUSERALTID, 2, 3);
  u->addWidget(Check_Name_Format, 3, 3, Qt::AlignRight);
  u->setColumnStretch(2, 1);
  u->setColumnStretch(3, 1);
  v->addWidget(userId);

  auto* fullName = new QGroupBox(QStringLiteral("Full Name Format"), page);
  auto* fn = new QGridLayout(fullName);
  fn->setVerticalSpacing(2);
  const QString names[] = {QStringLiteral("%First% %Middle% %Last%"), QStringLiteral("%First% %Last%"),
                           QStringLiteral("%Last% %First%"), QStringLiteral("Custom")};
  for (int i = 0; i < 4; ++i) {
    FullName_Format[i] = option(fullName, elementName(QStringLiteral("FullName_Format"), i), names[i]);
    fn->addWidget(FullName_Format[i], 0, i);
  }
  group(this, FullName_Format);
  FN_Format = textBox(fullName, QStringLiteral("FN_Format"));
  FN_Format_Check = textBox(fullName, QStringLiteral("FN_Format_Check"));
  Check_FN_Format = button(fullName, QStringLiteral("Check_FN_Format"), QStringLiteral("&Check"));
  fn->addWidget(FN_Format, 1, 0, 1, 2);
  fn->addWidget(FN_Format_Check, 1, 2);
  fn->addWidget(Check_FN_Format, 1, 3, Qt::AlignRight);
  v->addWidget(fullName);

  auto* commands = new QWidget(page);
  auto* cg = new QGridLayout(commands);
  cg->setContentsMargins(0, 0, 0, 0);
  cg->setVerticalSpacing(2);
  auto* hide = label(commands, QStringLiteral("Hide"));
  hide->setToolTip(QStringLiteral("Command will run hidden"));
  auto* wait = label(commands, QStringLiteral("Wait"));
  wait->setToolTip(QStringLiteral("Program will wait until command has finished"));
  cg->addWidget(hide, 0, 2, Qt::AlignHCenter);
  cg->addWidget(wait, 0, 3, Qt::AlignHCenter);
  Create_Script = textBox(commands, QStringLiteral("Create_Script"));
  Move_Script = textBox(commands, QStringLiteral("Move_Script"));
  Delete_Script = textBox(commands, QStringLiteral("Delete_Script"));
  const QString runLabels[] = {QStringLiteral("File To Run After User Creation."),
                               QStringLiteral("File To Run After User Move"),
                               QStringLiteral("File To Run After User Deletion")};
  QLineEdit* const scripts[] = {Create_Script, Move_Script, Delete_Script};
  for (int i = 0; i < 3; ++i) {
    Run_Hidden[i] = checkBox(commands, elementName(QStringLiteral("Run_Hidden"), i), QString(),
                             QStringLiteral("on-Run Hidden/Off-Run Normal"));
    Wait_NEW[i] = checkBox(commands, elementName(QStringLiteral("Wait_NEW"), i), QString());
    cg->addWidget(label(commands, runLabels[i]), i + 1, 0);
    cg->addWidget(scripts[i], i + 1, 1);
    cg->addWidget(Run_Hidden[i], i + 1, 2, Qt::AlignHCenter);
    cg->addWidget(Wait_NEW[i], i + 1, 3, Qt::AlignHCenter);
  }
  cg->setColumnStretch(1, 1);
  v->addWidget(commands);
  v->addStretch();
  return scrolled(page);
}

QWidget* form1::buildPreferencesPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);

  auto* userName = new QGroupBox(QStringLiteral("%UserName%"), page);
  auto* un = new QVBoxLayout(userName);
  CNName = option(userName, QStringLiteral("CNName"), QStringLiteral("(CN) Name"),
                  QStringLiteral("%UserName% = Win 2000 common Name"));
  SamAccountName = option(userName, QStringLiteral("SamAccountName"), QStringLiteral("SAMAccountName"),
                          QStringLiteral("%UserName% = Pre windows 2000 name"));
  un->addWidget(CNName);
  un->addWidget(SamAccountName);
  group(this, CNName, SamAccountName);

  auto* tree = new QGroupBox(QStringLiteral("TreeView Options"), page);
  auto* t = new QHBoxLayout(tree);
  auto* sorted = new QGroupBox(QStringLiteral("Sorted"), tree);
  auto* so = new QVBoxLayout(sorted);
  Sorted_Yes =
      option(sorted, QStringLiteral("Sorted_Yes"), QStringLiteral("Yes"), QStringLiteral("Sort treeview"));
  Sorted_No =
      option(sorted, QStringLiteral("Sorted_No"), QStringLiteral("No"), QStringLiteral("unsorted Treeview"));
  so->addWidget(Sorted_Yes);
  so->addWidget(Sorted_No);
  group(this, Sorted_Yes, Sorted_No);
  auto* display = new QGroupBox(QStringLiteral("Name to Display"), tree);
  auto* di = new QVBoxLayout(display);
  DisplayName = option(display, QStringLiteral("DisplayName"), QStringLiteral("Display Name"),
                       QStringLiteral("Display users by Display Name"));
  DNName = option(display, QStringLiteral("DNName"), QStringLiteral("(CN) Name"),
                  QStringLiteral("Display user by common name"));
  di->addWidget(DisplayName);
  di->addWidget(DNName);
  group(this, DisplayName, DNName);
  t->addWidget(sorted);
  t->addWidget(display);

  auto* import = new QGroupBox(QStringLiteral("Import Options"), page);
  auto* im = new QVBoxLayout(import);
  const QString halts[] = {QStringLiteral("Halt on errors"), QStringLiteral("Halt on warnings"),
                           QStringLiteral("Skip Prompt Fields")};
  for (int i = 0; i < 3; ++i) {
    STOP_ON_RED[i] = checkBox(import, elementName(QStringLiteral("STOP_ON_RED"), i), halts[i],
                              QStringLiteral("Will stop the file import if errors are encounted"));
    im->addWidget(STOP_ON_RED[i]);
  }
  IMPORT_GRP = new QPushButton(QStringLiteral("Import Options"), import);
  IMPORT_GRP->setObjectName(QStringLiteral("IMPORT_GRP"));
  im->addWidget(IMPORT_GRP, 0, Qt::AlignLeft);
  connect(IMPORT_GRP, &QPushButton::clicked, this, &form1::IMPORT_GRP_Click);

  auto* general = new QGroupBox(page);
  auto* ge = new QVBoxLayout(general);
  Confirm_Resets =
      checkBox(general, QStringLiteral("Confirm_Resets"), QStringLiteral("Confirm Password Resets"));
  Confirm_Deletes = checkBox(general, QStringLiteral("Confirm_Deletes"), QStringLiteral("Confirm Deletes"));
  Domain_Admin = checkBox(general, QStringLiteral("Domain_Admin"),
                          QStringLiteral("Check for Domain Admin Rights at startup"));
  Profile_Delete_Name = checkBox(general, QStringLiteral("Profile_Delete_Name"),
                                 QStringLiteral("Delete Profile From %Username%"));
  Rename_Dir_Shr =
      checkBox(general, QStringLiteral("Rename_Dir_Shr"), QStringLiteral("Rename users directory/shares"),
               QStringLiteral("Will rename user shares and directories when a user is renamed"));
  for (QCheckBox* box : {Confirm_Resets, Confirm_Deletes, Domain_Admin, Profile_Delete_Name, Rename_Dir_Shr})
    ge->addWidget(box);

  auto* mail = new QGroupBox(QStringLiteral("Exchange Admin Account"), page);
  auto* ma = new QGridLayout(mail);
  Mail_Logon = checkBox(mail, QStringLiteral("Mail_Logon"), QStringLiteral("Use Current Credentials"));
  txtAdmin = textBox(mail, QStringLiteral("txtAdmin"));
  txtPassword = textBox(mail, QStringLiteral("txtPassword"));
  txtPassword->setEchoMode(QLineEdit::Password);
  PORT = textBox(mail, QStringLiteral("PORT"),
                 QStringLiteral("May need to change to 390, if Running  Ex 5.5 on 2000 AD Server"));
  PORT->setText(QStringLiteral("389"));
  PORT->setMaximumWidth(80);
  savemail = imageButton(mail, QStringLiteral("savemail"), QStringLiteral("Save Settings"),
                         QStyle::SP_DialogSaveButton);
  ma->addWidget(Mail_Logon, 0, 0, 1, 2);
  ma->addWidget(label(mail, QStringLiteral("Name")), 1, 0);
  ma->addWidget(txtAdmin, 1, 1);
  ma->addWidget(label(mail, QStringLiteral("Password")), 2, 0);
  ma->addWidget(txtPassword, 2, 1);
  ma->addWidget(label(mail, QStringLiteral("LDAP port #")), 3, 0);
  ma->addWidget(PORT, 3, 1, Qt::AlignLeft);
  ma->addWidget(savemail, 4, 1, Qt::AlignRight);

  grid->addWidget(userName, 0, 0);
  grid->addWidget(general, 0, 1, 2, 1);
  grid->addWidget(tree, 1, 0);
  grid->addWidget(import, 2, 0);
  grid->addWidget(mail, 2, 1, 2, 1);
  grid->setRowStretch(4, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  return scrolled(page);
}

QWidget* form1::buildSitesPage() {
  auto* page = new QWidget;
  auto* h = new QHBoxLayout(page);

  ListView2 = named(new ui::ListView(page), QStringLiteral("ListView2"));
  ListView2->setColumns({QStringLiteral("Site Name")});
  ListView2->setImageList(&ImageList1);
  ListView2->setMinimumWidth(200);
  h->addWidget(ListView2, 2);

  auto* right = new QVBoxLayout;
  auto* fields = new QGridLayout;
  New_Site_Name = textBox(page, QStringLiteral("New_Site_Name"));
  New_Site_Name->hide();
  NTSERVER = textBox(page, QStringLiteral("NTSERVER"));
  EXSERVER = textBox(page, QStringLiteral("EXSERVER"));
  Label14 = label(page, QStringLiteral("Exchange Org"), QStringLiteral("Label14"));
  EXorg = textBox(page, QStringLiteral("EXorg"));
  Label13 = label(page, QStringLiteral("Exchange Site"), QStringLiteral("Label13"));
  EXSite = comboBox(page, QStringLiteral("EXSite"), true);
  Label42 = label(page, QString(), QStringLiteral("Label42"));
  Mail_Store = comboBox(page, QStringLiteral("Mail_Store"), true);
  fields->addWidget(label(page, QStringLiteral("NT Home Server")), 0, 0);
  fields->addWidget(NTSERVER, 0, 1);
  fields->addWidget(label(page, QStringLiteral("Exchange Server")), 1, 0);
  fields->addWidget(EXSERVER, 1, 1);
  fields->addWidget(Label14, 2, 0);
  fields->addWidget(EXorg, 2, 1);
  fields->addWidget(Label13, 3, 0);
  fields->addWidget(EXSite, 3, 1);
  fields->addWidget(Label42, 4, 0);
  fields->addWidget(Mail_Store, 4, 1);
  fields->addWidget(New_Site_Name, 5, 1);
  fields->setColumnStretch(1, 1);
  right->addLayout(fields);

  auto* exchange = new QGroupBox(QStringLiteral("Exchange Settings"), page);
  auto* ex = new QHBoxLayout(exchange);
  EXH5[0] = option(exchange, elementName(QStringLiteral("EXH5"), 0), QStringLiteral("Exchange 5.5"));
  EXH5[1] = option(exchange, elementName(QStringLiteral("EXH5"), 1), QStringLiteral("Exchange 2000"));
  group(this, EXH5);
  Find_Store = button(exchange, QStringLiteral("Find_Store"), QStringLiteral("Find"),
                      QStringLiteral("Find Storage Groups & Mailbox stores on server"));
  ex->addWidget(EXH5[0]);
  ex->addWidget(EXH5[1]);
  ex->addStretch();
  ex->addWidget(Find_Store);
  right->addWidget(exchange);
  // Exchange 5.5 is chosen: no mailbox store, nothing to find.
  EXH5[0]->setChecked(true);
  Mail_Store->hide();
  Find_Store->setEnabled(false);

  auto* buttons = new QHBoxLayout;
  New_Site = button(page, QStringLiteral("New_Site"), QStringLiteral("&New"));
  Edit_Site = button(page, QStringLiteral("Edit_Site"), QStringLiteral("E&dit"));
  Delete_site = button(page, QStringLiteral("Delete_site"), QStringLiteral("&Delete"));
  Save_Site = button(page, QStringLiteral("Save_Site"), QStringLiteral("&Save"));
  Site_Cancel = button(page, QStringLiteral("Site_Cancel"), QStringLiteral("&Cancel"));
  buttons->addStretch();
  for (QPushButton* b : {New_Site, Edit_Site, Delete_site, Save_Site, Site_Cancel}) buttons->addWidget(b);
  right->addStretch();
  right->addLayout(buttons);
  h->addLayout(right, 3);
  return scrolled(page);
}

QWidget* form1::buildTemplatesPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);

  auto* fields = new QGridLayout;
  templatelst = comboBox(page, QStringLiteral("templatelst"), true);
  // Laid over the template list while a new template is being named.
  New_Template_Name = textBox(page, QStringLiteral("New_Template_Name"));
  New_Template_Name->hide();
  propath = textBox(page, QStringLiteral("propath"));
  homedir = textBox(page, QStringLiteral("homedir"));
  Profilepath = textBox(page, QStringLiteral("Profilepath"));
  Homedirpath = textBox(page, QStringLiteral("Homedirpath"));
  // The examples the editor shows in an empty path field.
  Profilepath->setPlaceholderText(QStringLiteral("eg: D:\\users\\Profiles\\%Username%"));
  Homedirpath->setPlaceholderText(QStringLiteral("eg: D:\\users\\home\\%username%"));
  propath->setPlaceholderText(QStringLiteral("eg: \\\\%server%\\profiles\\%username%"));
  homedir->setPlaceholderText(QStringLiteral("eg: \\\\%server%\\%username%"));
  sharenameprofile = textBox(page, QStringLiteral("sharenameprofile"));
  Sharenamehomedir = textBox(page, QStringLiteral("Sharenamehomedir"));
  logon = textBox(page, QStringLiteral("logon"));
  Home_Drive_letter = comboBox(page, QStringLiteral("Home_Drive_letter"), true);
  Home_Drive_letter->setMinimumContentsLength(3);
  fields->addWidget(label(page, QStringLiteral("Template")), 0, 0);
  fields->addWidget(templatelst, 0, 1);
  fields->addWidget(New_Template_Name, 0, 1);
  fields->addWidget(label(page, QStringLiteral("Logon Script")), 0, 2);
  fields->addWidget(logon, 0, 3);
  fields->addWidget(label(page, QStringLiteral("Profile Share")), 1, 0);
  fields->addWidget(propath, 1, 1);
  fields->addWidget(label(page, QStringLiteral("Home Share")), 1, 2);
  fields->addWidget(homedir, 1, 3);
  fields->addWidget(label(page, QStringLiteral("Profile Directory")), 2, 0);
  fields->addWidget(Profilepath, 2, 1);
  fields->addWidget(label(page, QStringLiteral("Home Directory")), 2, 2);
  fields->addWidget(Homedirpath, 2, 3);
  fields->addWidget(label(page, QStringLiteral("Profile Share Name")), 3, 0);
  fields->addWidget(sharenameprofile, 3, 1);
  fields->addWidget(label(page, QStringLiteral("Home Share Name")), 3, 2);
  fields->addWidget(Sharenamehomedir, 3, 3);
  fields->addWidget(label(page, QStringLiteral("Home Drive")), 4, 2);
  fields->addWidget(Home_Drive_letter, 4, 3, Qt::AlignLeft);
  fields->setColumnStretch(1, 1);
  fields->setColumnStretch(3, 1);
  v->addLayout(fields);

  auto* groups = new QGridLayout;
  grouppath = comboBox(page, QStringLiteral("grouppath"), false);
  ListView5 = groupList(page, QStringLiteral("ListView5"), &ImageList1);
  ListView6 = groupList(page, QStringLiteral("ListView6"), &ImageList1);
  add = button(page, QStringLiteral("add"), QStringLiteral(">>"));
  remove = button(page, QStringLiteral("remove"), QStringLiteral("<<"));
  PrimaryGrp = label(page, QString(), QStringLiteral("PrimaryGrp"));
  SetPriGroup = button(page, QStringLiteral("SetPriGroup"), QStringLiteral("Set &Primary Group"));
  auto* primary = new QHBoxLayout;
  primary->addWidget(label(page, QStringLiteral("Primary Group:")));
  primary->addWidget(PrimaryGrp, 1);
  primary->addWidget(SetPriGroup);
  groups->addWidget(grouppath, 0, 0);
  groups->addLayout(primary, 0, 2);
  groups->addWidget(ListView5, 1, 0);
  groups->addLayout(between(add, remove), 1, 1);
  groups->addWidget(ListView6, 1, 2);
  groups->setColumnStretch(0, 1);
  groups->setColumnStretch(2, 1);
  v->addLayout(groups, 1);

  auto* buttons = new QHBoxLayout;
  NewTemplate = button(page, QStringLiteral("NewTemplate"), QStringLiteral("&New"));
  EditTemplate = button(page, QStringLiteral("EditTemplate"), QStringLiteral("E&dit"));
  DeleteTemplate = button(page, QStringLiteral("DeleteTemplate"), QStringLiteral("&Delete"));
  savetemplate = button(page, QStringLiteral("savetemplate"), QStringLiteral("&Save"));
  Template_Cancel = button(page, QStringLiteral("Template_Cancel"), QStringLiteral("&Cancel"));
  paste = button(page, QStringLiteral("paste"), QStringLiteral("P&aste"));
  Variables = button(page, QStringLiteral("Variables"), QStringLiteral("&Variables"));
  LogonHours = button(page, QStringLiteral("LogonHours"), QStringLiteral("&Logon Hours"));
  for (QPushButton* b : {NewTemplate, EditTemplate, DeleteTemplate, savetemplate, Template_Cancel, paste})
    buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(Variables);
  buttons->addWidget(LogonHours);
  v->addLayout(buttons);
  return scrolled(page);
}

QWidget* form1::buildNewUserPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);

  auto* names = new QGridLayout;
  strFirst = textBox(page, QStringLiteral("strFirst"));
  StrMiddle = textBox(page, QStringLiteral("StrMiddle"));
  strLast = textBox(page, QStringLiteral("strLast"));
  UserID_Box = textBox(page, QStringLiteral("UserID_Box"));
  Description = textBox(page, QStringLiteral("Description"));
  nutemplate = comboBox(page, QStringLiteral("nutemplate"), true);
  NUsitename = comboBox(page, QStringLiteral("NUsitename"), true);
  const std::pair<const char*, QWidget*> rows[] = {
      {"First Name", strFirst},   {"Middle Name", StrMiddle},   {"Last Name", strLast},
      {"User ID", UserID_Box},    {"Description", Description}, {"Select Template", nutemplate},
      {"Select Site", NUsitename}};
  int r = 0;
  for (const auto& [caption, field] : rows) {
    names->addWidget(label(page, QString::fromLatin1(caption)), r, 0);
    names->addWidget(field, r, 1);
    ++r;
  }
  auto* groupsFrom = new QHBoxLayout;
  TemplateGroups = option(page, QStringLiteral("TemplateGroups"), QStringLiteral("Use Template"));
  Copy_User = option(page, QStringLiteral("Copy_User"), QStringLiteral("Copy User"));
  group(this, TemplateGroups, Copy_User);
  TemplateGroups->setChecked(true);
  groupsFrom->addWidget(TemplateGroups);
  groupsFrom->addWidget(Copy_User);
  groupsFrom->addStretch();
  names->addLayout(groupsFrom, r, 1);
  names->setColumnStretch(1, 1);
  names->setRowStretch(r + 1, 1);

  // Each creation step's switch, with the mark that reports how the step went.
  auto* steps = new QGroupBox(page);
  auto* st = new QGridLayout(steps);
  Create_Dirs = checkBox(steps, QStringLiteral("Create_Dirs"), QStringLiteral("Create Dirs"));
  Create_Shares = checkBox(steps, QStringLiteral("Create_Shares"), QStringLiteral("Share Dirs"));
  Dir_Security = checkBox(steps, QStringLiteral("Dir_Security"), QStringLiteral("Set Dir Permissions"));
  Create_User_Account =
      checkBox(steps, QStringLiteral("Create_User_Account"), QStringLiteral("Create User Account"));
  Create_Mail_Account =
      checkBox(steps, QStringLiteral("Create_Mail_Account"), QStringLiteral("Create Mail Account"));
  Run_script = checkBox(steps, QStringLiteral("Run_script"), QStringLiteral("Run Command"));
  Createdirs = label(steps, QString(), QStringLiteral("Createdirs"));
  Sharedirs = label(steps, QString(), QStringLiteral("Sharedirs"));
  Security = label(steps, QString(), QStringLiteral("Security"));
  UserAccount = label(steps, QString(), QStringLiteral("UserAccount"));
  MailAccount = label(steps, QString(), QStringLiteral("MailAccount"));
  run = label(steps, QString(), QStringLiteral("run"));
  const std::pair<QCheckBox*, QLabel*> marks[] = {
      {Create_Dirs, Createdirs},          {Create_Shares, Sharedirs},         {Dir_Security, Security},
      {Create_User_Account, UserAccount}, {Create_Mail_Account, MailAccount}, {Run_script, run}};
  r = 0;
  for (const auto& [box, mark] : marks) {
    mark->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Completed")) + 8);
    st->addWidget(box, r, 0);
    st->addWidget(mark, r, 1);
    ++r;
  }
  st->setColumnStretch(0, 1);

  auto* options = new QGroupBox(page);
  auto* op = new QVBoxLayout(options);
  PWD_NVR_EXPIRE =
      checkBox(options, QStringLiteral("PWD_NVR_EXPIRE"), QStringLiteral("Password Never Expires"),
               QStringLiteral("New accounts passwords are set not to expire"));
  New_Disabled = checkBox(options, QStringLiteral("New_Disabled"), QStringLiteral("Disable Account"),
                          QStringLiteral("When new account is created it is disabled"));
  Password_Change =
      checkBox(options, QStringLiteral("Password_Change"), QStringLiteral("Force password change"),
               QStringLiteral("Force new users to change their password on first logon"));
  USR_Cant_Change =
      checkBox(options, QStringLiteral("USR_Cant_Change"), QStringLiteral("User Cannot Change Password"),
               QStringLiteral("New accounts, users cannot change password"));
  for (QCheckBox* box : {PWD_NVR_EXPIRE, New_Disabled, Password_Change, USR_Cant_Change}) op->addWidget(box);

  auto* bottom = new QGridLayout;
  ProgressBar1 = named(new QProgressBar(page), QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  progress = label(page, QStringLiteral("Ready."), QStringLiteral("progress"));
  Import_Text = label(page, QString(), QStringLiteral("Import_Text"));
  CreateUser = button(page, QStringLiteral("CreateUser"), QStringLiteral("Create &User"));
  CreateUser->setMinimumWidth(120);
  bottom->addWidget(progress, 0, 0);
  bottom->addWidget(Import_Text, 0, 1, Qt::AlignRight);
  bottom->addWidget(ProgressBar1, 1, 0, 1, 2);
  bottom->addWidget(CreateUser, 1, 2);
  bottom->setColumnStretch(0, 1);

  grid->addLayout(names, 0, 0, 2, 1);
  grid->addWidget(steps, 0, 1);
  grid->addWidget(options, 1, 1);
  grid->addLayout(bottom, 3, 0, 1, 2);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  return scrolled(page);
}

QWidget* form1::buildListPage(ui::ListView*& list, const char* name, const QString& first,
                              const QString& second) {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  list = named(new ui::ListView(page), QString::fromLatin1(name));
  list->setColumns({first, second});
  list->setImageList(&ImageList1);
  list->header()->setSectionResizeMode(0, QHeaderView::Interactive);
  list->setColumnWidth(0, 260);
  v->addWidget(list);
  return page;
}

}  // namespace tavrel::mainwindow
