#include "mainwindow/form1.h"

#include "bulk/MultiUser.h"
#include "groups/Groupsfrm.h"
#include "mainwindow/ImportWindows.h"

#include "format/NameFields.h"
#include "mainwindow/Naming.h"
#include "mainwindow/frmAbout.h"
#include "startup/Clock.h"
#include "startup/LogFile.h"
#include "startup/Settings.h"
#include "state/SharedState.h"
#include "ui/LayoutHold.h"
#include "ui/LongOperation.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

namespace tavrel::mainwindow {
namespace {

QAction* menuItem(QMenu* menu, const QString& caption, const QString& name, bool enabled) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  a->setEnabled(enabled);
  return a;
}

}  // namespace

form1::form1(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("form1"));
  setWindowTitle(ui::kAppTitle);
  resize(kDefaultWidth, kDefaultHeight);

  buildImages();

  // The tree and the tabs above, the on-screen log below; both dividers can be moved.
  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  auto* panes = new QSplitter(Qt::Vertical, central);
  panes->setChildrenCollapsible(false);
  auto* split = new QSplitter(Qt::Horizontal, panes);
  split->setChildrenCollapsible(false);
  treeSplit_ = split;
  TreeView1 = named(new ui::LayoutHoldingTree(split), QStringLiteral("TreeView1"));
  TreeView1->setHeaderHidden(true);
  // Every node is one line with a small icon: rows of one height let the view place a node
  // without measuring every node above it, which a domain of thousands of users makes costly.
  TreeView1->setUniformRowHeights(true);
  SSTab1 = named(new QTabWidget(split), QStringLiteral("SSTab1"));
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  panes->addWidget(split);

  SSTab1->addTab(buildUserManagerPage(), QStringLiteral("User Manager"));
  SSTab1->addTab(buildSetupPage(), QStringLiteral("Setup"));
  SSTab1->addTab(buildPreferencesPage(), QStringLiteral("Preferences"));
  SSTab1->addTab(buildSitesPage(), QStringLiteral("Sites"));
  SSTab1->addTab(buildTemplatesPage(), QStringLiteral("Templates"));
  SSTab1->addTab(buildNewUserPage(), QStringLiteral("New User"));
  SSTab1->addTab(buildListPage(ListView7, "ListView7", QStringLiteral("Property"), QStringLiteral("Value")),
                 QStringLiteral(" W2K - Properties"));
  SSTab1->addTab(buildListPage(ListView8, "ListView8", QStringLiteral("Attribute"), QStringLiteral("Value")),
                 QStringLiteral("&Mail - Exchange 5.5"));
  SSTab1->addTab(
      buildListPage(ListView9, "ListView9", QStringLiteral("WTS property"), QStringLiteral("Value")),
      QStringLiteral("WTS"));

  auto* logHost = new QWidget(panes);
  buildLogPanel(logHost);
  panes->addWidget(logHost);
  panes->setStretchFactor(0, 4);
  panes->setStretchFactor(1, 1);
  panes->setSizes({540, 120});
  outer->addWidget(panes);
  setCentralWidget(central);

  StatusBar1 = named(new StatusBar(this), QStringLiteral("StatusBar1"));
  setStatusBar(StatusBar1);
  buildMenus();
  buildPopups();
  buildToolbar();

  Timer2 = named(new QTimer(this), QStringLiteral("Timer2"));
  Timer2->setInterval(200);

  connect(strFirst, &QLineEdit::textChanged, this, &form1::strFirst_Change);
  connect(UserID_Box, &QLineEdit::textEdited, this, [this] { userIdTypedByHand_ = true; });
  connect(CreateUser, &QPushButton::clicked, this, ui::guarded([this] { CreateUser_Click(); }));
  connect(StrMiddle, &QLineEdit::textChanged, this, &form1::StrMiddle_Change);
  connect(strLast, &QLineEdit::textChanged, this, &form1::strLast_Change);
  connectSettingsHandlers();
  wireSitesPage();
  wireTemplatesPage();
  wireListsPage();
  wireTree();
}

namespace {

const QString kWindowKey = QStringLiteral("Window");

// A stored size in pixels, or `fallback` when the value is missing or no positive number.
int storedPixels(const QString& name, int fallback) {
  bool ok = false;
  const int n = startup::readSetting(state::reg(), kWindowKey, name).value.trimmed().toInt(&ok);
  return ok && n > 0 ? n : fallback;
}

}  // namespace

void form1::restoreWindowLayout() {
  // The title bar and the frame lie outside the size given here.
  constexpr int kFrameWidth = 10, kFrameHeight = 40;
  const QRect area = ui::availableScreenArea();
  const QSize least = minimumSizeHint();
  auto fit = [](int wanted, int least, int most) {
    return most > 0 ? qMax(qMin(wanted, most), least) : wanted;
  };
  const int width =
      fit(storedPixels(QStringLiteral("Width"), kDefaultWidth), least.width(), area.width() - kFrameWidth);
  const int height = fit(storedPixels(QStringLiteral("Height"), kDefaultHeight), least.height(),
                         area.height() - kFrameHeight);
  resize(width, height);
  // The tabs keep at least the room their page needs.
  const int tabsLeast = SSTab1->minimumSizeHint().width();
  applyTreeWidth(
      qBound(80, storedPixels(QStringLiteral("TreeWidth"), kDefaultTreeWidth), qMax(80, width - tabsLeast)));
}

void form1::applyTreeWidth(int width) {
  // A splitter shares out sizes by its own width, which a window not yet shown does not have.
  if (!isVisible()) {
    pendingTreeWidth_ = width;
    return;
  }
  pendingTreeWidth_ = 0;
  const int total = treeSplit_->width();
  treeSplit_->setSizes({width, qMax(1, total - width)});
}

void form1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (pendingTreeWidth_ > 0) applyTreeWidth(pendingTreeWidth_);
}

void form1::saveWindowLayout() const {
  startup::writeSetting(state::reg(), kWindowKey, QStringLiteral("Width"), QString::number(width()));
  startup::writeSetting(state::reg(), kWindowKey, QStringLiteral("Height"), QString::number(height()));
  startup::writeSetting(state::reg(), kWindowKey, QStringLiteral("TreeWidth"), QString::number(treeWidth()));
}

int form1::treeWidth() const {
  return pendingTreeWidth_ > 0 ? pendingTreeWidth_ : treeSplit_->sizes().value(0);
}

void form1::closeEvent(QCloseEvent* event) {
  saveWindowLayout();
  QMainWindow::closeEvent(event);
}

void form1::strFirst_Change() {
  refreshUserIdPreview();
}
void form1::StrMiddle_Change() {
  refreshUserIdPreview();
}
void form1::strLast_Change() {
  refreshUserIdPreview();
}

void form1::refreshUserIdPreview() {
  if (previewSuppressed_) return;
  userIdTypedByHand_ = false;
  const auto id =
      format::UserID_Preview(setupid->text(), strFirst->text(), StrMiddle->text(), strLast->text());
  // A format that cannot be expanded gives no user ID rather than a cut one.
  UserID_Box->setText(id.text);
  if (!id.ok()) LOG_TAB(QStringLiteral("RED"), id.error);
}

QString form1::Reverse_Password(const QString& Text) const {
  return format::Reverse_Password(Text);
}

void form1::buildImages() {
  ImageList1.add(QStringLiteral("GREEN"), ui::lampIcon(QColor(0, 170, 0)));
  ImageList1.add(QStringLiteral("YELLOW"), ui::lampIcon(QColor(255, 235, 0)));
  ImageList1.add(QStringLiteral("RED"), ui::lampIcon(QColor(210, 0, 0)));
  // Tree nodes and list rows: the kinds of directory objects, sites and mail attributes.
  ImageList1.add(QStringLiteral("DOMAIN"), ui::glyphIcon(QColor(40, 90, 160), u'D'));
  ImageList1.add(QStringLiteral("OU"), ui::glyphIcon(QColor(200, 150, 40), u'O'));
  ImageList1.add(QStringLiteral("USER"), ui::glyphIcon(QColor(60, 130, 200), u'U'));
  ImageList1.add(QStringLiteral("W2KGRP"), ui::glyphIcon(QColor(120, 80, 170), u'G'));
  ImageList1.add(QStringLiteral("Global"), ui::glyphIcon(QColor(40, 140, 90), u'G'));
  ImageList1.add(QStringLiteral("Local"), ui::glyphIcon(QColor(170, 90, 60), u'L'));
  ImageList1.add(QStringLiteral("SITE"), ui::glyphIcon(QColor(90, 120, 60), u'S'));
  ImageList1.add(QStringLiteral("MAIL"), ui::glyphIcon(QColor(180, 60, 110), u'M'));
}

void form1::buildPopups() {
  // The tree's popup menu. Items 12 to 14 belong to the two custom commands and stay hidden
  // until those are configured.
  POPUP = named(new QMenu(QStringLiteral("popup"), this), QStringLiteral("POPUP"));
  const char* const items[] = {nullptr,
                               "De&tails",
                               "-",
                               "&Reset Password",
                               "-",
                               "&Delete User",
                               "&Move User",
                               "&Rename User",
                               "-",
                               "Delete &Server Profile",
                               "Delete &WKS Profile",
                               "Create OU",
                               "-",
                               "",
                               ""};
  for (int i = 1; i <= 14; ++i) {
    const bool separator = QLatin1String(items[i]) == QLatin1String("-");
    // A separator is drawn as a line; a caption would show beside it.
    QAction* a = POPUP->addAction(separator ? QString() : QString::fromLatin1(items[i]));
    a->setObjectName(elementName(QStringLiteral("mnupopup"), i));
    a->setSeparator(separator);
    mnupopup[i] = a;
  }
  for (int i = 12; i <= 14; ++i) {
    mnupopup[i]->setVisible(false);
    mnupopup[i]->setEnabled(false);
  }

  // The two-column lists' popup menu: edit, add or remove a row.
  POPUP1 = named(new QMenu(QStringLiteral("popup1"), this), QStringLiteral("POPUP1"));
  const char* const rowItems[] = {nullptr, "Edit", "Add", "Remove"};
  for (int i = 1; i <= 3; ++i) {
    Listviewmnu[i] = POPUP1->addAction(QString::fromLatin1(rowItems[i]));
    Listviewmnu[i]->setObjectName(elementName(QStringLiteral("Listviewmnu"), i));
  }
}

form1::~form1() {
  // Focus changes during the destruction of the controls must not reach this half-destroyed window.
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  ImportGrps::unload();
  groups::Groupsfrm::setLinks({});
  // The bulk window outlives this one and draws its lists' icons from this window's image list.
  bulk::MultiUser::setImages(nullptr);
  // The tree's event hooks call into this window: the tree goes while the window is still whole.
  delete TreeView1;
  TreeView1 = nullptr;
}

void form1::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  Import_Users = menuItem(file, QStringLiteral("&Import Users"), QStringLiteral("Import_Users"), true);
  View_Log = menuItem(file, QStringLiteral("&View Log File"), QStringLiteral("View_Log"), true);
  Backup_Files =
      menuItem(file, QStringLiteral("&Backup DataBase Files"), QStringLiteral("Backup_Files"), false);
  file->addSeparator();
  Exit1 = menuItem(file, QStringLiteral("E&xit"), QStringLiteral("Exit1"), true);

  QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
  Multi = menuItem(options, QStringLiteral("&Multi User Functions"), QStringLiteral("Multi"), true);
  options->addSeparator();
  Gblgropus = menuItem(options, QStringLiteral("&Groups"), QStringLiteral("Gblgropus"), true);
  options->addSeparator();
  DataBase = menuItem(options, QStringLiteral("&Compact Database"), QStringLiteral("DataBase"), false);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  about = menuItem(help, QStringLiteral("&About"), QStringLiteral("about"), true);
  Help = menuItem(help, QStringLiteral("&Help"), QStringLiteral("Help"), true);
  Help->setShortcut(QKeySequence(Qt::Key_F1));

  connect(Import_Users, &QAction::triggered, this, ui::guarded([this] { Import_Users_Click(); }));
  connect(View_Log, &QAction::triggered, this, &form1::View_Log_Click);
  connect(Exit1, &QAction::triggered, this, &form1::Exit1_Click);
  connect(about, &QAction::triggered, this, &form1::about_Click);
  connect(Multi, &QAction::triggered, this, &form1::Multi_Click);
  connect(Gblgropus, &QAction::triggered, this, &form1::Gblgropus_Click);
  connect(Help, &QAction::triggered, this, &form1::Help_Click);
}

void form1::buildLogPanel(QWidget* host) {
  auto* layout = new QHBoxLayout(host);
  layout->setContentsMargins(0, 0, 0, 0);
  ListView1 = named(new ui::LayoutHoldingTree(host), QStringLiteral("ListView1"));
  ListView1->setRootIsDecorated(false);
  ListView1->setColumnCount(2);
  ListView1->setHeaderLabels({QStringLiteral("Status"), QStringLiteral("Date/Time")});
  ListView1->header()->setStretchLastSection(false);
  ListView1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  ListView1->setColumnWidth(1, 160);
  // Every row is one line of text with a lamp: the view lays out its rows, which it does again
  // for the whole log after each new one, without measuring each.
  ListView1->setUniformRowHeights(true);
  layout->addWidget(ListView1, 1);

  auto* buttons = new QVBoxLayout;
  auto makeButton = [&](const QString& name, const QString& tip, QStyle::StandardPixmap px) {
    auto* b = named(new QToolButton(host), name);
    b->setToolTip(tip);
    b->setIcon(style()->standardIcon(px));
    buttons->addWidget(b);
    return b;
  };
  Clear_log =
      makeButton(QStringLiteral("Clear_log"), QStringLiteral("Clear Log"), QStyle::SP_DialogResetButton);
  Delete_Log_File =
      makeButton(QStringLiteral("Delete_Log_File"), QStringLiteral("Delete Log File"), QStyle::SP_TrashIcon);
  Log_Detail = makeButton(QStringLiteral("Log_Detail"), QStringLiteral("Open Log File"),
                          QStyle::SP_FileDialogDetailedView);
  buttons->addStretch();
  layout->addLayout(buttons);

  connect(Clear_log, &QToolButton::clicked, this, &form1::Clear_log_Click);
  connect(Delete_Log_File, &QToolButton::clicked, this, &form1::Delete_Log_File_Click);
  connect(Log_Detail, &QToolButton::clicked, this, &form1::Log_Detail_Click);
}

QString form1::databaseFolder() const {
  return dbpath->text();
}

bool form1::LOG_TAB(const QString& Colour, const QString& Message) {
  // Only the three lamp colours; the image list holds other pictures too (the site icon, ...).
  static const QStringList kColours{QStringLiteral("GREEN"), QStringLiteral("YELLOW"), QStringLiteral("RED")};
  if (!kColours.contains(Colour)) return false;
  auto* row = new QTreeWidgetItem;
  row->setFlags(row->flags() | Qt::ItemNeverHasChildren);
  row->setIcon(0, ImageList1.icon(Colour));
  row->setData(0, Qt::UserRole, Colour);
  if (Colour == QLatin1String("RED")) ui::feedback().beep();
  // A value with a line break or another control character shows it visibly, on one row.
  row->setText(0, startup::showControls(Message));
  row->setText(1, startup::clock().dateTimeText());
  // The new row is scrolled into view, unless the administrator has scrolled up to read.
  const QScrollBar* bar = ListView1->verticalScrollBar();
  const bool following = bar->value() >= bar->maximum();
  ListView1->addTopLevelItem(row);
  // Through the view's own scroll, which a held layout (an import) keeps for its release.
  if (following) ListView1->scrollTo(ListView1->indexFromItem(row));
  return true;
}

void form1::Clear_log_Click() {
  ListView1->clear();
}

void form1::Delete_Log_File_Click() {
  const auto answer = ui::prompter().MsgBox(QStringLiteral("Sure to delete the log file"),
                                            ui::kStyleYesNoQuestion, QStringLiteral("Delete Log File"));
  if (answer != ui::MsgBoxResult::Yes) return;
  QFile log(startup::LogFile::pathFor(databaseFolder()));
  if (!log.exists()) return;  // nothing to delete
  if (!log.remove())
    ui::prompter().MsgBox(QStringLiteral("The log file could not be deleted: ") + log.errorString(),
                          ui::kStyleExclamation, QStringLiteral("Delete Log File"));
}

void form1::openLog() {
  QString error;
  if (!ui::openInEditor(startup::LogFile::pathFor(databaseFolder()), &error))
    ui::prompter().MsgBox(error, ui::kStyleExclamation, QStringLiteral("Open Log File"));
}

void form1::Log_Detail_Click() {
  openLog();
}
void form1::View_Log_Click() {
  openLog();
}

void form1::about_Click() {
  // One About window: while it is shown, a second request brings it forward.
  static QPointer<frmAbout> shown;
  if (shown) {
    shown->raise();
    shown->activateWindow();
    return;
  }
  frmAbout dlg(this);
  shown = &dlg;
  dlg.exec();
}

void form1::Exit1_Click() {
  // Ending the program closes no window: the layout is saved here.
  saveWindowLayout();
  QApplication::exit(0);
}

void form1::bringToFront() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

}  // namespace tavrel::mainwindow
