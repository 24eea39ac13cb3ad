#include "bulk/MultiUser.h"

#include "bulk/Expander.h"
#include "directory/DirectoryService.h"
#include "platform/text/Cp1252.h"
#include "records/DatabaseFolder.h"
#include "records/Lookup.h"
#include "startup/Clock.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace tavrel::bulk {
namespace {

MultiUser* theInstance = nullptr;
const ui::ImageList* theImages = nullptr;
MultiUser::Links theLinks;
std::function<void(MoveForm&)> theMoveSettings;

const QString kCancel = QStringLiteral("&Cancel");
const QString kFindAccounts = QStringLiteral("Find &Accounts");
const QString kFindLocked = QStringLiteral("&Find Locked Accounts");
const QString kUnlockAccounts = QStringLiteral("&Unlock Accounts");

QComboBox* combo(QWidget* parent, const QString& name) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setEditable(true);
  c->setMinimumContentsLength(20);
  return c;
}

template <typename T>
T* named(T* widget, const QString& name, const QString& toolTip = QString()) {
  widget->setObjectName(name);
  if (!toolTip.isEmpty()) widget->setToolTip(toolTip);
  return widget;
}

// Today's date in the system's short form, as the log's date column shows it.
QString todayText() {
  const QString dateTime = startup::clock().dateTimeText();
  return dateTime.left(dateTime.lastIndexOf(u' '));
}

}  // namespace

// What a running operation reports through: the status line, the main window's log, the beep,
// the questions, and the input served between users.
class MultiUser::Host : public RunHost {
 public:
  explicit Host(MultiUser& w) : w_(w) { clock_.start(); }
  void status(const QString& text) override {
    w_.Label3->setText(text);
    w_.Label3->repaint();
  }
  void logRow(const QString& colour, const QString& message) override {
    if (theLinks.LOG_TAB) theLinks.LOG_TAB(colour, message);
  }
  void beep() override { ui::feedback().beep(); }
  bool keepGoing() override {
    if (clock_.elapsed() >= w_.yieldMs_) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      clock_.restart();
    }
    return !w_.cancelRequested_;
  }
  bool confirm(const QString& question) override {
    return ui::prompter().MsgBox(question, ui::kStyleYesNoQuestion, QStringLiteral("Multi User Functions")) ==
           ui::MsgBoxResult::Yes;
  }

 private:
  MultiUser& w_;
  QElapsedTimer clock_;
};

QTreeView* MultiUser::makeView(QWidget* parent, const QString& name, KeyedList* model) {
  auto* v = new QTreeView(parent);
  v->setObjectName(name);
  v->setModel(model);
  v->setRootIsDecorated(false);
  v->setUniformRowHeights(true);
  v->setSelectionMode(QAbstractItemView::ExtendedSelection);
  v->setEditTriggers(QAbstractItemView::NoEditTriggers);
  v->header()->setStretchLastSection(true);
  v->viewport()->installEventFilter(this);
  connect(v, &QTreeView::doubleClicked, this, [this, v] { ListView_DblClick(v); });
  return v;
}

MultiUser::MultiUser() {
  setObjectName(QStringLiteral("MultiUser"));
  setWindowTitle(QStringLiteral("Multi User Functions"));
  Catalogue& cat = catalogue();
  ListView1 = &cat.selection;
  ListView2 = &cat.users;
  ListView3 = &cat.groups;
  ListView4 = &cat.ous;
  KeyedList::setIconSource([](const QString& kind) { return theImages ? theImages->icon(kind) : QIcon(); });

  auto* outer = new QHBoxLayout(this);

  // Left: the three source lists, the transfer buttons and the selection.
  auto* select = new QGroupBox(QStringLiteral("Select Users/Groups/OU's"), this);
  auto* grid = new QGridLayout(select);
  View2 = makeView(select, QStringLiteral("ListView2"), ListView2);
  View3 = makeView(select, QStringLiteral("ListView3"), ListView3);
  View4 = makeView(select, QStringLiteral("ListView4"), ListView4);
  View1 = makeView(select, QStringLiteral("ListView1"), ListView1);
  grid->addWidget(View2, 0, 0);
  grid->addWidget(View3, 1, 0);
  grid->addWidget(View4, 2, 0);
  // Users are by far the most numerous: their list gets half the height.
  grid->setRowStretch(0, 2);
  grid->setRowStretch(1, 1);
  grid->setRowStretch(2, 1);
  auto* moves = new QVBoxLayout;
  Command1 = named(new QPushButton(QStringLiteral(">>"), select), QStringLiteral("Command1"));
  Command2 = named(new QPushButton(QStringLiteral("<<"), select), QStringLiteral("Command2"));
  for (QPushButton* b : {Command1, Command2}) b->setMaximumWidth(48);
  moves->addStretch();
  moves->addWidget(Command1);
  moves->addWidget(Command2);
  moves->addStretch();
  grid->addLayout(moves, 0, 1, 3, 1);
  grid->addWidget(View1, 0, 2, 3, 1);
  Command7 = named(new QPushButton(QStringLiteral("&Close"), select), QStringLiteral("Command7"));
  grid->addWidget(Command7, 3, 2, Qt::AlignRight);
  outer->addWidget(select, 3);

  // Right: the tabs and the status line.
  auto* right = new QVBoxLayout;
  SSTab1 = named(new QTabWidget(this), QStringLiteral("SSTab1"));
  auto page = [this](const QString& caption) {
    auto* w = new QWidget(SSTab1);
    SSTab1->addTab(w, caption);
    auto* l = new QVBoxLayout(w);
    return l;
  };
  auto frame = [](QWidget* parent, const QString& caption) {
    auto* f = new QGroupBox(caption, parent);
    new QVBoxLayout(f);
    return f;
  };

  // Tab 0: delete.
  QVBoxLayout* del = page(QStringLiteral("Delete Users"));
  QWidget* delPage = SSTab1->widget(kDeleteTab);
  QGroupBox* usersData = frame(delPage, QStringLiteral("Users data"));
  Del_Permissions = named(
      new QCheckBox(QStringLiteral("Apply security to user folders"), usersData),
      QStringLiteral("Del_Permissions"),
      QStringLiteral("Will apply permissions for Administrators group to user directories before deletion"));
  Delete_data[0] =
      named(new QRadioButton(QStringLiteral("Delete"), usersData), QStringLiteral("Delete_data0"));
  Delete_data[1] =
      named(new QRadioButton(QStringLiteral("Don't Delete"), usersData), QStringLiteral("Delete_data1"));
  Delete_data[1]->setChecked(true);
  for (QWidget* w : {static_cast<QWidget*>(Del_Permissions), static_cast<QWidget*>(Delete_data[0]),
                     static_cast<QWidget*>(Delete_data[1])})
    usersData->layout()->addWidget(w);
  del->addWidget(usersData);
  Run_command = named(new QCheckBox(QStringLiteral("Run Command"), delPage), QStringLiteral("Run_command"));
  del->addWidget(Run_command);
  QGroupBox* mail = frame(delPage, QStringLiteral("E-Mail"));
  Delete_Mail[0] =
      named(new QRadioButton(QStringLiteral("Delete Mail Account"), mail), QStringLiteral("Delete_Mail0"));
  Delete_Mail[1] =
      named(new QRadioButton(QStringLiteral("Don't Delete"), mail), QStringLiteral("Delete_Mail1"));
  Delete_Mail[1]->setChecked(true);
  Ex_Server = combo(mail, QStringLiteral("Ex_Server"));
  mail->layout()->addWidget(Delete_Mail[0]);
  mail->layout()->addWidget(Delete_Mail[1]);
  mail->layout()->addWidget(new QLabel(QStringLiteral("Exchange Server"), mail));
  mail->layout()->addWidget(Ex_Server);
  del->addWidget(mail);
  No_Prompting =
      named(new QCheckBox(QStringLiteral("No Prompting"), delPage), QStringLiteral("No_Prompting"));
  del->addWidget(No_Prompting);
  auto* delButtons = new QHBoxLayout;
  Del_User = named(new QPushButton(QStringLiteral("&Delete Users"), delPage), QStringLiteral("Del_User"),
                   QStringLiteral("Start deleting selected users"));
  DELIMPORT = named(new QPushButton(QStringLiteral("&Import File"), delPage), QStringLiteral("DELIMPORT"),
                    QStringLiteral("Import file of user names to delete"));
  delButtons->addWidget(Del_User);
  delButtons->addWidget(DELIMPORT);
  del->addLayout(delButtons);
  del->addStretch();

  // Tab 1: move.
  QVBoxLayout* move = page(QStringLiteral("Move Users"));
  QWidget* movePage = SSTab1->widget(kMoveTab);
  QGroupBox* site = frame(movePage, QStringLiteral("Site"));
  Multi_Site = combo(site, QStringLiteral("Multi_Site"));
  site->layout()->addWidget(Multi_Site);
  QGroupBox* tmpl = frame(movePage, QStringLiteral("Template"));
  Multi_Template = combo(tmpl, QStringLiteral("Multi_Template"));
  tmpl->layout()->addWidget(Multi_Template);
  QGroupBox* data = frame(movePage, QStringLiteral("Users Data"));
  const QStringList dataCaptions{QStringLiteral("Move"), QStringLiteral("Copy"), QStringLiteral("Nothing")};
  for (int i = 0; i < 3; ++i) {
    UserData[size_t(i)] = named(new QRadioButton(dataCaptions[i], data), QStringLiteral("UserData%1").arg(i));
    data->layout()->addWidget(UserData[size_t(i)]);
  }
  UserData[0]->setChecked(true);
  move->addWidget(site);
  move->addWidget(tmpl);
  move->addWidget(data);
  Run_CMD = named(new QCheckBox(QStringLiteral("Run Command"), movePage), QStringLiteral("Run_CMD"));
  Add_to_Groups =
      named(new QCheckBox(QStringLiteral("Add Users to groups"), movePage), QStringLiteral("Add_to_Groups"));
  Change_Logon =
      named(new QCheckBox(QStringLiteral("Change Logon Script"), movePage), QStringLiteral("Change_Logon"));
  No_Prompt = named(new QCheckBox(QStringLiteral("No Prompting"), movePage), QStringLiteral("No_Prompt"));
  for (QWidget* w : {Run_CMD, Add_to_Groups, Change_Logon, No_Prompt}) move->addWidget(w);
  btn_MoveUser =
      named(new QPushButton(QStringLiteral("&Move Users"), movePage), QStringLiteral("btn_MoveUser"));
  move->addWidget(btn_MoveUser, 0, Qt::AlignLeft);
  move->addStretch();

  // Tab 2: accounts.
  QVBoxLayout* accounts = page(QStringLiteral("Accounts"));
  QWidget* accountsPage = SSTab1->widget(kAccountsTab);
  QGroupBox* expired = frame(accountsPage, QStringLiteral("Find Expired Accounts"));
  Expiredate = named(new QLineEdit(expired), QStringLiteral("Expiredate"));
  Command3 = named(new QPushButton(kFindAccounts, expired), QStringLiteral("Command3"));
  expired->layout()->addWidget(Expiredate);
  expired->layout()->addWidget(Command3);
  QGroupBox* unlock = frame(accountsPage, QStringLiteral("Unlock Accounts"));
  Unlock_Reset =
      named(new QCheckBox(QStringLiteral("Reset Passwords"), unlock), QStringLiteral("Unlock_Reset"),
            QStringLiteral("Will reset passwords when accounts are unlocked"));
  Unlocka = named(new QPushButton(kFindLocked, unlock), QStringLiteral("Unlocka"),
                  QStringLiteral("Press to find accounts that are locked out"));
  unlock->layout()->addWidget(Unlock_Reset);
  unlock->layout()->addWidget(Unlocka);
  QGroupBox* able = frame(accountsPage, QStringLiteral("Enable/Disable Accounts"));
  LockAcc[0] = named(new QRadioButton(QStringLiteral("Enable Accounts"), able), QStringLiteral("LockAcc0"));
  LockAcc[1] = named(new QRadioButton(QStringLiteral("Disable Accounts"), able), QStringLiteral("LockAcc1"));
  LockAcc[0]->setChecked(true);
  Command5 = named(new QPushButton(QStringLiteral("&Enable/Disable"), able), QStringLiteral("Command5"),
                   QStringLiteral("Will enable/disable all selected accounts"));
  able->layout()->addWidget(LockAcc[0]);
  able->layout()->addWidget(LockAcc[1]);
  able->layout()->addWidget(Command5);
  QGroupBox* resets = frame(accountsPage, QStringLiteral("Reset Passwords"));
  Command4 = named(new QPushButton(QStringLiteral("&Reset Passwords"), resets), QStringLiteral("Command4"),
                   QStringLiteral("Will reset passwords for all selected users"));
  resets->layout()->addWidget(Command4);
  for (QGroupBox* f : {expired, unlock, able, resets}) accounts->addWidget(f);
  accounts->addStretch();

  // Tab 3: attribute change.
  QVBoxLayout* props = page(QStringLiteral("AD Properties"));
  QWidget* propsPage = SSTab1->widget(kADPropertiesTab);
  QGroupBox* change = frame(propsPage, QStringLiteral("Change AD Properties"));
  auto* form = new QFormLayout;
  AD_Properties = named(new QComboBox(change), QStringLiteral("AD_Properties"));
  Syntax = named(new QLabel(change), QStringLiteral("Syntax"));
  AD_CHANGE = named(new QLineEdit(change), QStringLiteral("AD_CHANGE"));
  form->addRow(QStringLiteral("Property"), AD_Properties);
  form->addRow(QStringLiteral("Syntax"), Syntax);
  form->addRow(QStringLiteral("Change to:"), AD_CHANGE);
  static_cast<QVBoxLayout*>(change->layout())->addLayout(form);
  Frame11 = named(frame(change, QStringLiteral("Multi Value")), QStringLiteral("Frame11"));
  AD_Append = named(new QRadioButton(QStringLiteral("Append"), Frame11), QStringLiteral("AD_Append"));
  AD_Replace = named(new QRadioButton(QStringLiteral("Replace"), Frame11), QStringLiteral("AD_Replace"));
  AD_Replace->setChecked(true);
  Frame11->layout()->addWidget(AD_Append);
  Frame11->layout()->addWidget(AD_Replace);
  change->layout()->addWidget(Frame11);
  CHANGE_AD = named(new QPushButton(QStringLiteral("C&hange"), change), QStringLiteral("CHANGE_AD"));
  change->layout()->addWidget(CHANGE_AD);
  props->addWidget(change);
  props->addStretch();

  right->addWidget(SSTab1, 1);
  Label3 = named(new QLabel(this), QStringLiteral("Label3"));
  Label3->setMinimumHeight(Label3->fontMetrics().height() * 2);
  Label3->setWordWrap(true);
  right->addWidget(Label3);
  outer->addLayout(right, 2);

  connect(Command1, &QPushButton::clicked, this, &MultiUser::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &MultiUser::Command2_Click);
  connect(Command7, &QPushButton::clicked, this, &MultiUser::Command7_Click);
  connect(Command3, &QPushButton::clicked, this, &MultiUser::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &MultiUser::Command4_Click);
  connect(btn_MoveUser, &QPushButton::clicked, this, &MultiUser::btn_MoveUser_Click);
  connect(Command5, &QPushButton::clicked, this, &MultiUser::Command5_Click);
  connect(Unlocka, &QPushButton::clicked, this, &MultiUser::Unlocka_Click);
  connect(CHANGE_AD, &QPushButton::clicked, this, &MultiUser::CHANGE_AD_Click);
  connect(AD_Properties, &QComboBox::activated, this, &MultiUser::AD_Properties_Click);
  wireDeleteTab();
  resize(980, 600);
}

MultiUser& MultiUser::instance(const QString& dbpath) {
  if (!theInstance) {
    theInstance = new MultiUser;
    theInstance->dbpath_ = dbpath;
    theInstance->Form_Load(dbpath);
  }
  return *theInstance;
}

MultiUser* MultiUser::existing() {
  return theInstance;
}

void MultiUser::unload() {
  delete theInstance;
  theInstance = nullptr;
  catalogue().clear();
}

void MultiUser::setImages(const ui::ImageList* images) {
  theImages = images;
}

void MultiUser::setLinks(Links links) {
  theLinks = std::move(links);
}

const MultiUser::Links& MultiUser::links() {
  return theLinks;
}

QString MultiUser::dbpath() const {
  return theLinks.dbpath ? theLinks.dbpath() : dbpath_;
}

void MultiUser::Form_Load(const QString& dbpath, const QString& commandLine) {
  state::SharedState& sh = state::shared();
  auto trap = [&] {
    if (commandLine.toUpper() == QLatin1StringView("/DEBUG"))
      ui::prompter().MsgBox(sh.Step_Text, ui::kStyleCritical, QStringLiteral("Error"));
  };

  sh.Step_Text = QStringLiteral("Error Setting AD Properties in mutliuser form");
  SSTab1->setTabEnabled(kADPropertiesTab, false);
  Ex_Server->clear();
  if (sh.Directory_Mode != 2) {
    AD_Properties->clear();
    Ex_Server->addItem(QStringLiteral("Exchange 2000"));
    SSTab1->setTabEnabled(kADPropertiesTab, true);
    auto dir = directory::requireDirectory();
    if (!dir) return trap();
    auto userClass = (*dir)->GetObject(QStringLiteral("LDAP://Schema/User"));
    if (!userClass) return trap();
    auto optional = userClass->OptionalProperties();
    if (!optional) return trap();
    AD_Properties->addItems(*optional);
  }
  Expiredate->setText(todayText());

  sh.Step_Text =
      QStringLiteral("Error Opening site file, In multiuser form\nCheck 'Path to Database' in setup tab");
  // Its own pass over Site.dat: the record loader may be in the middle of its own when this runs.
  const records::DatabaseFolder db(dbpath);
  auto scanned = records::scanRecords<records::Site_Record>(
      db, records::names::Site,
      [&](const records::Site_Record& r) {
        if (r.Deleted == records::kDeletedFlag) return false;
        const QString server = text::trimBlanks(r.ExchangeServer).toUpper();
        if (server.isEmpty()) return false;
        for (int i = 0; i < Ex_Server->count(); ++i)
          if (text::trimBlanks(Ex_Server->itemText(i)).toUpper() == server) return false;
        Ex_Server->addItem(server);
        return false;
      },
      records::Pick::First, true);
  if (!scanned) trap();
}

QList<int> MultiUser::selectedRows(QTreeView* view) const {
  QList<int> rows;
  if (!view->selectionModel()) return rows;
  for (const QModelIndex& i : view->selectionModel()->selectedRows()) rows << i.row() + 1;
  return rows;
}

std::vector<ListItem> MultiUser::selectionItems() const {
  return ListView1->items();
}

// ---------------------------------------------------------------------------------------------
// List moves

void MultiUser::Command1_Click() {
  if (running()) return;
  for (QTreeView* v : {View2, View3, View4}) {
    const QList<int> rows = selectedRows(v);
    v->clearSelection();
    catalogue().toSelection(*static_cast<KeyedList*>(v->model()), rows);
  }
}

void MultiUser::Command2_Click() {
  if (running()) return;
  const QList<int> rows = selectedRows(View1);
  View1->clearSelection();
  catalogue().fromSelection(rows);
}

void MultiUser::Command7_Click() {
  if (running()) return;
  catalogue().returnAll();
  if (state::shared().Directory_Mode == 2) Ex_Server->setEditText(QString());
  Unlocka->setText(kFindLocked);
  Label3->clear();
  hide();
}

void MultiUser::ListView_DblClick(QTreeView* view) {
  if (running() || Del_User->text() == kCancel) return;
  const QModelIndex current = view->currentIndex();
  if (!current.isValid()) return;
  const int row = current.row() + 1;
  view->clearSelection();
  if (view == View1)
    catalogue().fromSelection({row});
  else
    catalogue().toSelection(*static_cast<KeyedList*>(view->model()), {row});
}

bool MultiUser::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    for (QTreeView* v : {View1, View2, View3, View4}) {
      if (watched != v->viewport()) continue;
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QModelIndex current = v->currentIndex();
      v->setToolTip(mouse->button() == Qt::RightButton && current.isValid()
                        ? current.data(KeyedList::kKeyRole).toString()
                        : QString());
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Runs

bool MultiUser::beginRun(QPushButton* button) {
  if (running_) return false;
  running_ = button;
  cancelRequested_ = false;
  button->setText(kCancel);
  // The lists must not change under a run: the moves and the other operations wait.
  for (QWidget* w :
       std::initializer_list<QWidget*>{Command1, Command2, Command7, Command3, Command4, Command5, Unlocka,
                                       CHANGE_AD, Del_User, btn_MoveUser, DELIMPORT})
    if (w != button) w->setEnabled(false);
  return true;
}

void MultiUser::endRun(QPushButton* button, const QString& caption) {
  button->setText(caption);
  for (QWidget* w :
       std::initializer_list<QWidget*>{Command1, Command2, Command7, Command3, Command4, Command5, Unlocka,
                                       CHANGE_AD, Del_User, btn_MoveUser, DELIMPORT})
    w->setEnabled(true);
  running_ = nullptr;
}

bool MultiUser::cancelClick(QPushButton* button) {
  if (running_ != button) return false;
  cancelRequested_ = true;
  return true;
}

void MultiUser::Command3_Click() {
  if (cancelClick(Command3)) {
    Command3->setText(kFindAccounts);
    return;
  }
  if (running()) return;
  const std::optional<QDate> chosen = parseDate(Expiredate->text());
  if (!chosen) {
    ui::feedback().beep();
    Label3->setText(QStringLiteral("'%1' is not a date.").arg(Expiredate->text()));
    ui::prompter().MsgBox(QStringLiteral("'%1' is not a date.").arg(Expiredate->text()),
                          ui::kStyleExclamation, QStringLiteral("Find Expired Accounts"));
    return;
  }
  beginRun(Command3);
  ui::HourglassGuard hourglass;
  catalogue().returnAll();
  Host host(*this);
  host.status(QStringLiteral("Please wait searching accounts.... 0% complete"));
  const ScanResult r = scanAccounts(catalogue(), expiryTest(*chosen, ListView2->items()), host, false);
  endRun(Command3, kFindAccounts);
  Label3->setText(r.end == ScanEnd::Cancelled
                      ? QStringLiteral("Find canceled by user.")
                      : QStringLiteral("Total Expired Accounts: ") + QString::number(r.found));
}

void MultiUser::Command4_Click() {
  if (cancelClick(Command4) || running() || ListView1->count() == 0) return;
  beginRun(Command4);
  ui::HourglassGuard hourglass;
  Host host(*this);
  resetPasswords(selectionItems(), theLinks.defaultpassword ? theLinks.defaultpassword() : QString(),
                 dbpath(), host);
  endRun(Command4, QStringLiteral("&Reset Passwords"));
}

void MultiUser::Command5_Click() {
  if (cancelClick(Command5) || running() || ListView1->count() == 0) return;
  beginRun(Command5);
  ui::HourglassGuard hourglass;
  Host host(*this);
  enableDisable(selectionItems(), LockAcc[1]->isChecked(), dbpath(), host);
  endRun(Command5, QStringLiteral("&Enable/Disable"));
}

void MultiUser::Unlocka_Click() {
  if (cancelClick(Unlocka) || running()) return;
  const bool unlockPhase = Unlocka->text() == kUnlockAccounts;
  beginRun(Unlocka);
  ui::HourglassGuard hourglass;
  Host host(*this);
  if (unlockPhase) {
    unlockAccounts(selectionItems(), Unlock_Reset->isChecked(),
                   theLinks.defaultpassword ? theLinks.defaultpassword() : QString(), dbpath(), host);
    endRun(Unlocka, kUnlockAccounts);
    return;
  }
  catalogue().returnAll();
  host.status(QStringLiteral("Please wait searching accounts.... 0% complete"));
  const ScanResult r = scanAccounts(catalogue(), lockTest(), host, true);
  switch (r.end) {
    case ScanEnd::Finished:
      endRun(Unlocka, kUnlockAccounts);
      Label3->setText(QStringLiteral("Press 'Unlock Accounts' to unlock selected accounts."));
      break;
    case ScanEnd::Cancelled:
      endRun(Unlocka, kFindLocked);
      Label3->setText(QStringLiteral("Find canceled by user."));
      break;
    case ScanEnd::Failed:
      endRun(Unlocka, kFindLocked);
      Label3->setText(QStringLiteral("Error Unlocking Accounts"));
      break;
  }
}

void MultiUser::AD_Properties_Click() {
  const PropertyInfo info = describeProperty(AD_Properties->currentText());
  Syntax->setText(info.multiValued ? info.syntax + QStringLiteral(":- Multi value") : info.syntax);
  for (QWidget* w : std::initializer_list<QWidget*>{Frame11, AD_Append, AD_Replace})
    w->setEnabled(info.multiValued);
}

void MultiUser::CHANGE_AD_Click() {
  if (cancelClick(CHANGE_AD) || running()) return;
  if (ListView1->count() == 0 || AD_Properties->currentText().trimmed().isEmpty()) return;
  AttributeChange change;
  change.attribute = AD_Properties->currentText();
  change.value = AD_CHANGE->text();
  change.append = AD_Append->isChecked() && AD_Replace->isEnabled();
  beginRun(CHANGE_AD);
  ui::HourglassGuard hourglass;
  Host host(*this);
  if (!changeAttribute(selectionItems(), change, dbpath(), host))
    Label3->setText(QStringLiteral("Nothing changed."));
  endRun(CHANGE_AD, QStringLiteral("C&hange"));
}

}  // namespace tavrel::bulk

// ---------------------------------------------------------------------------------------------
// Move

namespace tavrel::bulk {

void MultiUser::setMoveSettings(std::function<void(MoveForm&)> fill) {
  theMoveSettings = std::move(fill);
}

// What a move reads of this window: the chosen site and template, the options, and the main
// window's settings.
class MultiUser::MoveWindowHost : public MoveHost {
 public:
  explicit MoveWindowHost(MultiUser& w) : w_(w) {}
  MoveForm load() override {
    MoveForm f;
    QString error;
    if (!loadMoveForm(w_.dbpath(), w_.Multi_Site->currentText(), w_.Multi_Template->currentText(), f, &error))
      f.loadError = error;
    f.dbpath = w_.dbpath();
    f.dataOption = w_.UserData[1]->isChecked() ? 2 : w_.UserData[0]->isChecked() ? 1 : 0;
    f.noPrompt = w_.No_Prompt->isChecked();
    f.changeLogon = w_.Change_Logon->isChecked();
    f.addToGroups = w_.Add_to_Groups->isChecked();
    f.runCommand = state::shared().Bulk_Run_Command != 0;
    if (theMoveSettings) theMoveSettings(f);
    return f;
  }
  void status(const QString& text) override {
    w_.Label3->setText(text);
    w_.Label3->repaint();
  }
  void logTab(const QString& colour, const QString& message) override {
    if (theLinks.LOG_TAB) theLinks.LOG_TAB(colour, message);
  }
  void clear() override {}

 private:
  MultiUser& w_;
};

void MultiUser::lockMoveOptions(bool locked) {
  for (QWidget* w :
       std::initializer_list<QWidget*>{Command7, Run_CMD, No_Prompt, Multi_Site, Multi_Template,
                                       Add_to_Groups, Change_Logon, UserData[0], UserData[1], UserData[2]})
    w->setEnabled(!locked);
}

void MultiUser::btn_MoveUser_Click() {
  if (cancelClick(btn_MoveUser)) {
    state::shared().Cancel_Flag = true;
    Label3->setText(QStringLiteral("Move Canceled"));
    return;
  }
  if (running() || ListView1->count() == 0) return;
  if (Multi_Site->currentText().isEmpty() || Multi_Template->currentText().isEmpty()) {
    ui::prompter().MsgBox(QStringLiteral("A Site and Template must be selected before moving users"),
                          ui::kStyleInformation, QStringLiteral("Move users"));
    return;
  }
  state::SharedState& sh = state::shared();
  sh.Bulk_Run_Command = Run_CMD->isChecked() ? 1 : 0;
  sh.Bulk_Move_Running = 1;
  sh.Cancel_Flag = false;
  beginRun(btn_MoveUser);
  lockMoveOptions(true);
  Host yield(*this);
  MoveWindowHost host(*this);
  QString stepText = QStringLiteral("Error Retrieving Domain Info.");
  std::optional<adsi::Error> failure;
  // The items as they were when the run began; each user is moved the moment it is found.
  for (const ListItem& item : selectionItems()) {
    const QModelIndex row = ListView1->index(ListView1->findId(item.id) - 1, 0);
    const bool single = item.icon == QLatin1String("USER") || sh.Directory_Mode == 2;
    if (single && row.isValid()) View1->selectionModel()->select(row, QItemSelectionModel::Select);
    const ExpandOutcome out = expand(item, ExpandPolicy::move(), [&](const UserRef& u) {
      QString user =
          sh.Directory_Mode == 2 ? (u.logon.isEmpty() ? u.path.section(u'/', -1) : u.logon) : u.path;
      Move_One_User(user, host);
      return yield.keepGoing();
    });
    if (single && row.isValid()) View1->selectionModel()->select(row, QItemSelectionModel::Deselect);
    if (out.failure) {
      failure = out.failure;
      break;
    }
    if (out.stopped || !yield.keepGoing()) break;
  }
  const bool cancelled = cancelRequested_;
  lockMoveOptions(false);
  endRun(btn_MoveUser, QStringLiteral("&Move Users"));
  sh.Bulk_Move_Running = 0;
  sh.Cancel_Flag = true;
  if (failure) {
    Label3->clear();
    ui::prompter().MsgBox(stepText, ui::kStyleCritical, QStringLiteral("Error"));
    return;
  }
  Label3->setText(cancelled ? QStringLiteral("Move Canceled")
                            : QStringLiteral("Move Complete, Check Log for Errors"));
}

}  // namespace tavrel::bulk
