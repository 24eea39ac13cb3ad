// The domain tree's interaction (right press and popup, double-click, the drag of a user onto an
// organisational unit with its edge scrolling, F5), the popup's commands and the toolbar.

#include "bulk/AccountOps.h"
#include "bulk/MultiUser.h"
#include "directory/DirectoryService.h"
#include "directory/PasswordReset.h"
#include "groups/Groupsfrm.h"
#include "groups/RenameUser.h"
#include "groups/Rename_NT.h"
#include "mainwindow/Naming.h"
#include "mainwindow/TreeDrag.h"
#include "mainwindow/TreeOrder.h"
#include "mainwindow/form1.h"
#include "platform/adsi/AdsPath.h"
#include "platform/text/Cp1252.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringMatcher>
#include <QStyle>
#include <QTreeWidgetItemIterator>

namespace tavrel::mainwindow {
namespace {

constexpr int kKeyRole = form1::kNodeKeyRole;
constexpr int kIconRole = form1::kNodeImageRole;
constexpr int kSortedRole = form1::kNodeSortedRole;

QString keyOf(const QTreeWidgetItem* n) {
  return n ? n->data(0, kKeyRole).toString() : QString();
}
QString imageOf(const QTreeWidgetItem* n) {
  return n ? n->data(0, kIconRole).toString() : QString();
}

bool ntMode() {
  return state::shared().Directory_Mode == 2;
}

// The popup's items that act on a user: Details, Reset Password, the delete, move and rename
// hand-offs, the two profile deletions and the custom commands (shown only when configured);
// "Create OU" acts on any node.
constexpr int kUserItems[] = {1, 3, 5, 6, 7, 9, 10, 13, 14};

class EventHook : public QObject {
 public:
  EventHook(QObject* parent, std::function<bool(QEvent*)> handler)
      : QObject(parent), handler_(std::move(handler)) {}
  bool eventFilter(QObject*, QEvent* e) override { return handler_(e); }

 private:
  std::function<bool(QEvent*)> handler_;
};

// The bulk window, with the links the main window gives it.
bulk::MultiUser& bulkWindow(form1& f) {
  bulk::MultiUser::setImages(&f.ImageList1);
  bulk::MultiUser::setLinks(
      {[&f](const QString& colour, const QString& message) { f.LOG_TAB(colour, message); },
       [&f] { return f.defaultpassword->text(); }, [&f] { return f.databaseFolder(); }});
  return bulk::MultiUser::instance(f.databaseFolder());
}

// The window side of the drop: the tree found by keys, the lists re-keyed, the move in the
// directory bound through the domain's name.
class WindowDrop : public DropHost {
 public:
  WindowDrop(form1& f, QTreeWidgetItem* source, QTreeWidgetItem* target, const QString& text)
      : f_(f), source_(source), target_(target), text_(text) {}

  adsi::Result<QString> moveInDirectory(const QString& targetKey, const QString& sourceKey) override {
    auto dir = directory::requireDirectory();
    if (!dir) return dir.error();
    auto container =
        (*dir)->GetObject(QStringLiteral("LDAP://") + state::shared().Domain_Name + u'/' + targetKey);
    if (!container) return container.error();
    auto moved = container->MoveHere(sourceKey);
    if (!moved) return moved.error();
    return moved->ADsPath();
  }

  void rekeyUser(const QString& oldKey, const QString& newKey) override {
    bulk::Catalogue& c = bulk::catalogue();
    for (bulk::KeyedList* l : {&c.users, &c.selection})
      if (const int row = l->findKey(oldKey)) l->setKey(row, newKey);
    if (groups::Groupsfrm* g = groups::Groupsfrm::existing())
      for (ui::ListView* l : g->findChildren<ui::ListView*>())
        if (l != g->ListView1)  // the groups; no user is listed there
          if (const int row = userRow(l, oldKey)) l->setKey(row, newKey);
    // A user loaded into the User Manager page is saved to its new place.
    if (f_.USERID_W2K->text() == oldKey) {
      const QSignalBlocker quiet(f_.USERID_W2K);
      f_.USERID_W2K->setText(newKey);
    }
  }

  bool hasNode(const QString& key) const override { return find(key) != nullptr; }

  // The row keyed `key`. A list kept in order of its names is first searched where the user's name
  // falls (lists of every user of a domain are long); any other list, or a name not found there,
  // is searched whole.
  int userRow(const ui::ListView* l, const QString& key) const {
    if (l->sorted() && l->sortKey() == 0 && l->sortOrder() == Qt::AscendingOrder) {
      // A list may show the user by the tree's text or by the object's name.
      QStringList names{text_};
      if (auto path = adsi::AdsPath::parse(key); path && !path->dn.isEmpty()) names << path->dn.rdn().value();
      for (const QString& name : names) {
        int lo = 1, hi = l->count() + 1;
        while (lo < hi) {
          const int mid = lo + (hi - lo) / 2;
          if (l->text(mid).compare(name, Qt::CaseInsensitive) < 0)
            lo = mid + 1;
          else
            hi = mid;
        }
        for (int i = lo; i <= l->count() && l->text(i).compare(name, Qt::CaseInsensitive) == 0; ++i)
          if (l->key(i) == key) return i;
      }
    }
    return l->findKey(key);
  }

  bool removeNode(const QString& key) override {
    QTreeWidgetItem* n = source_ && keyOf(source_) == key ? source_ : find(key);
    if (!n) return false;
    if (n == source_) source_ = nullptr;
    delete n;
    return true;
  }

  bool addUserNode(const QString& parentKey, const QString& key, const QString& text) override {
    QTreeWidgetItem* parent = target_ && keyOf(target_) == parentKey ? target_ : find(parentKey);
    if (!parent || key.isEmpty()) return false;
    // A path names one place: a node already there can only be among the parent's children.
    for (int i = 0; i < parent->childCount(); ++i)
      if (keyOf(parent->child(i)) == key) return false;
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setData(0, kKeyRole, key);
    node->setData(0, kIconRole, QStringLiteral("USER"));
    node->setIcon(0, f_.ImageList1.icon(QStringLiteral("USER")));
    markLeaf(node);
    if (parent->data(0, kSortedRole).toBool())
      insertSortedChild(parent, node);
    else
      parent->addChild(node);
    return true;
  }

  void log(const QString& colour, const QString& message) override { f_.LOG_TAB(colour, message); }

 private:
  QTreeWidgetItem* find(const QString& key) const {
    if (key.isEmpty()) return nullptr;
    for (QTreeWidgetItemIterator it(f_.TreeView1); *it; ++it)
      if (keyOf(*it) == key) return *it;
    return nullptr;
  }

  form1& f_;
  QTreeWidgetItem* source_;
  QTreeWidgetItem* target_;
  QString text_;  // the user's name
};


// The rename windows' view of the main window: the node selected when the window opened.
class TreeRenameHost : public groups::RenameHost {
 public:
  TreeRenameHost(form1& f, QTreeWidgetItem* node)
      : f_(f), node_(node ? QPersistentModelIndex(f.TreeView1->indexFromItem(node)) : QPersistentModelIndex()) {}

  QString nodeKey() const override { return keyOf(node()); }
  QString nodeText() const override { return node() ? node()->text(0) : QString(); }
  void setNodeText(const QString& text) override {
    if (QTreeWidgetItem* n = node()) n->setText(0, text);
  }
  void setNodeKey(const QString& key) override {
    if (QTreeWidgetItem* n = node()) n->setData(0, kKeyRole, key);
  }
  void userRekeyed(const QString& oldKey, const QString& newKey) override {
    // A user loaded into the User Manager page is saved under its new path.
    if (f_.USERID_W2K->text() == oldKey) {
      const QSignalBlocker quiet(f_.USERID_W2K);
      f_.USERID_W2K->setText(newKey);
    }
  }
  void status(const QString& text) override { f_.StatusBar1->setPanelText(1, text); }
  void logRow(const QString& colour, const QString& message) override { f_.LOG_TAB(colour, message); }
  void repaint() override { f_.repaint(); }
  QString dbpath() const override { return f_.databaseFolder(); }
  bool cnName() const override { return f_.CNName->isChecked(); }
  bool displayNames() const override { return f_.DisplayName->isChecked(); }
  bool renameDirs() const override { return f_.Rename_Dir_Shr->isChecked(); }
  QColor fieldColour() const override { return f_.Field_Colour; }

 private:
  QTreeWidgetItem* node() const {
    return node_.isValid() ? f_.TreeView1->itemFromIndex(node_) : nullptr;
  }
  form1& f_;
  QPersistentModelIndex node_;
};

}  // namespace

// --- Wiring ---

void form1::wireTree() {
  TreeView1->viewport()->installEventFilter(new EventHook(this, [this](QEvent* e) { return treeEvent(e); }));
  TreeView1->installEventFilter(new EventHook(this, [this](QEvent* e) {
    if (e->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key != Qt::Key_F5) return false;
    TreeView1_KeyDown(key);
    return true;
  }));
  connect(Timer2, &QTimer::timeout, this, &form1::Timer2_Timer);
  for (int i = 1; i <= 14; ++i)
    if (!mnupopup[i]->isSeparator())
      connect(mnupopup[i], &QAction::triggered, this, [this, i] { mnupopup_Click(i); });
  // Until a node is right-pressed, nothing in the popup has a node to act on.
  enablePopup(nullptr);
}

bool form1::treeEvent(QEvent* e) {
  switch (e->type()) {
    case QEvent::MouseButtonPress: {
      auto* m = static_cast<QMouseEvent*>(e);
      if (m->button() != Qt::RightButton) return false;
      TreeView1_MouseDown(Qt::RightButton, m->position().toPoint());
      return true;
    }
    case QEvent::MouseMove: {
      auto* m = static_cast<QMouseEvent*>(e);
      TreeView1_MouseMove(m->buttons(), m->modifiers(), m->position().toPoint());
      return Tree_Dragging;  // a drag holds the selection where it is
    }
    case QEvent::MouseButtonRelease: {
      if (!Tree_Dragging || static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton) return false;
      TreeView1_DragDrop();
      return true;
    }
    default:
      return false;
  }
}

// --- Right press and popup ---

void form1::enablePopup(const QTreeWidgetItem* node) {
  const bool user = imageOf(node) == QLatin1String("USER");
  for (int i = 1; i <= 14; ++i)
    if (!mnupopup[i]->isSeparator()) mnupopup[i]->setEnabled(false);
  for (int i : kUserItems) mnupopup[i]->setEnabled(user);
  // "Create OU" belongs to the Active Directory modes.
  mnupopup[11]->setVisible(!ntMode());
  mnupopup[11]->setEnabled(!ntMode());
}

void form1::TreeView1_MouseDown(Qt::MouseButton Button, const QPoint& pos) {
  if (Button != Qt::RightButton) return;
  // The commands act on the node under the pointer: it is selected before the menu is set up.
  QTreeWidgetItem* node = TreeView1->itemAt(pos);
  if (!node) return;
  TreeView1->setCurrentItem(node);
  enablePopup(node);
  if (Popup_Shower)
    Popup_Shower();
  else
    POPUP->popup(TreeView1->viewport()->mapToGlobal(pos));
}

void form1::mnupopup_Click(int Index) {
  switch (Index) {
    case 1:
      Show_User_Details();
      break;
    case 3:
      resetSelectedPassword();
      break;
    case 5:
      handOffToBulk(bulk::MultiUser::kDeleteTab);
      break;
    case 6:
      handOffToBulk(bulk::MultiUser::kMoveTab);
      break;
    case 9:
      Delete_Server_Profile();
      break;
    case 10:
      Delete_Workstation_Profile();
      break;
    case 11:
      Create_OU();
      break;
    case 13:
    case 14:
      Run_Custom_Command(Index);
      break;
    case 7:
      Rename_User();
      break;
    default:
      break;
  }
}

void form1::TreeView1_DblClick() {
  mnupopup_Click(1);
}

void form1::resetSelectedPassword() {
  const QTreeWidgetItem* node = TreeView1->currentItem();
  if (!node || imageOf(node) != QLatin1String("USER")) return;
  state::SharedState& sh = state::shared();
  const QString text = node->text(0);
  if (Confirm_Resets->isChecked()) {
    const ui::MsgBoxResult answer =
        ui::prompter().MsgBox(QStringLiteral("Reset Password for ") + text, ui::kStyleYesNoQuestion,
                              QStringLiteral("Reset Password"));
    sh.Op_Status = int16_t(answer);
    if (answer != ui::MsgBoxResult::Yes) return;
  }
  ui::HourglassGuard busy;
  startup::LogFile log(databaseFolder());
  const QString password = bulk::passwordFor(defaultpassword->text(), text);
  bool ok;
  if (ntMode()) {
    ok = directory::Reset_Password_NT(password, text);
  } else {
    QString path = keyOf(node);
    ok = directory::Reset_Password_W2K(password, path);
  }
  sh.Op_Status = ok ? -1 : 0;
  if (!ok) {
    StatusBar1->setPanelText(1, QStringLiteral("Error ReSetting Password..."));
    ui::feedback().beep();
    log.line(QStringLiteral("Error ReSetting Password for: ") + text);
    return;
  }
  LOG_TAB(QStringLiteral("GREEN"), QStringLiteral(" Password Reset For ") + text);
  // The password itself is never written to the log, with or without /DEBUG.
  log.line(QStringLiteral("Password Reset for: ") + text);
  StatusBar1->setPanelText(1, QStringLiteral("Password for ") + text + QStringLiteral(" has Been Reset."));
}

void form1::handOffToBulk(int tab) {
  const QTreeWidgetItem* node = TreeView1->currentItem();
  if (!node) return;
  bulk::MultiUser& m = bulkWindow(*this);
  bulk::Catalogue& c = bulk::catalogue();
  const QString text = node->text(0);
  if (!text.isEmpty()) {
    int row = 0;
    if (ntMode()) {
      for (int i = 1; i <= c.users.count() && !row; ++i)
        if (c.users.text(i) == text) row = i;
    } else {
      row = c.users.findKey(keyOf(node));
    }
    if (row) c.toSelection(c.users, {row});
  }
  for (int t = bulk::MultiUser::kDeleteTab; t <= bulk::MultiUser::kADPropertiesTab; ++t)
    m.SSTab1->setTabEnabled(t, t == tab);
  m.SSTab1->setCurrentIndex(tab);
  m.setWindowModality(Qt::ApplicationModal);
  m.show();
  m.raise();
}

std::unique_ptr<groups::RenameHost> form1::renameHost() {
  return std::make_unique<TreeRenameHost>(*this, TreeView1->currentItem());
}

void form1::Rename_User() {
  const QTreeWidgetItem* node = TreeView1->currentItem();
  if (!node || imageOf(node) != QLatin1String("USER")) return;
  std::unique_ptr<groups::RenameHost> host = renameHost();
  std::unique_ptr<QDialog> window;
  if (ntMode())
    window = std::make_unique<groups::Rename_NT>(*host, this);
  else
    window = std::make_unique<groups::RenameUser>(*host, this);
  if (Rename_Shower)
    Rename_Shower(*window);
  else
    window->exec();
}

// --- The drag ---

void form1::TreeView1_MouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, const QPoint& pos) {
  if (Tree_Dragging) {
    if (Buttons & Qt::LeftButton) TreeView1_DragOver(pos);
    return;
  }
  const QTreeWidgetItem* node = TreeView1->currentItem();
  if (!node || !dragStarts(Buttons, Shift, state::shared().Directory_Mode, imageOf(node))) return;
  Tree_Dragging = true;
  dragSourceKey_ = keyOf(node);
  dragSourceText_ = node->text(0);
  TreeView1->viewport()->setCursor(Qt::DragMoveCursor);
  TreeView1_DragOver(pos);
}

void form1::TreeView1_DragOver(const QPoint& pos) {
  if (!Tree_Dragging) return;
  QTreeWidgetItem* node = TreeView1->itemAt(pos);
  setDropHighlight(imageOf(node) == QLatin1String("OU") ? node : nullptr);
  Drag_Pos = pos;
  const int zone = scrollZone(pos.y(), TreeView1->viewport()->height(), ui::twipsToPixels(200, TreeView1),
                              ui::twipsToPixels(300, TreeView1));
  if (zone != 0) {
    Scroll_Direction = int16_t(zone);
    if (!Timer2->isActive()) Timer2->start();
  } else {
    Timer2->stop();
  }
}

void form1::Timer2_Timer() {
  setDropHighlight(TreeView1->itemAt(Drag_Pos));
  TreeView1->verticalScrollBar()->triggerAction(
      Scroll_Direction == -1 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
}

QTreeWidgetItem* form1::dropHighlight() const {
  return dropHighlight_.isValid() ? TreeView1->itemFromIndex(dropHighlight_) : nullptr;
}

void form1::setDropHighlight(QTreeWidgetItem* node) {
  QTreeWidgetItem* old = dropHighlight();
  if (old == node) return;
  if (old) old->setData(0, Qt::BackgroundRole, QVariant());
  dropHighlight_ = node ? QPersistentModelIndex(TreeView1->indexFromItem(node)) : QPersistentModelIndex();
  if (node)
    node->setBackground(
        0, TreeView1->palette().brush(QPalette::Active, QPalette::Highlight).color().lighter(160));
}

void form1::TreeView1_DragDrop() {
  Timer2->stop();
  Tree_Dragging = false;
  TreeView1->viewport()->unsetCursor();
  QTreeWidgetItem* target = dropHighlight();
  setDropHighlight(nullptr);
  if (!target) return;
  // The dragged user, found by its key: the selection may have moved since the drag began.
  QTreeWidgetItem* source = TreeView1->currentItem();
  if (keyOf(source) != dragSourceKey_) source = nullptr;
  WindowDrop host(*this, source, target, dragSourceText_);
  dropUser(host, dragSourceKey_, dragSourceText_, keyOf(target), imageOf(target));
  dragSourceKey_.clear();
  dragSourceText_.clear();
}

// --- F5 and Refresh ---

void form1::TreeView1_KeyDown(int KeyCode) {
  if (KeyCode == Qt::Key_F5) Reload_All();
}

void form1::Reload_All() {
  state::SharedState& sh = state::shared();
  Timer2->stop();
  Tree_Dragging = false;
  setDropHighlight(nullptr);
  sh.Domain_Name = text::trimBlanks(DomName->currentText());

  TreeView1->clear();
  Root_Node = nullptr;
  Clear_UM();
  Clear_TT();
  Clear_Site();
  // Every list the loaders fill, so that nothing is listed twice or left over from before; the
  // bulk window's selection too, since its items come back in their source lists.
  ListView6->clear();
  bulk::catalogue().clear();
  groups::Groupsfrm& g = groups::Groupsfrm::instance(&ImageList1);
  for (ui::ListView* l : g.findChildren<ui::ListView*>()) l->clear();

  sh.Op_Status = Connect_Domain(sh.Domain_Name) ? -1 : 0;

  NUsitename->clear();
  nutemplate->clear();
  ListView2->clear();
  templatelst->clear();
  bulk::MultiUser& m = bulkWindow(*this);
  m.Multi_Site->clear();
  m.Multi_Template->clear();
  Load_Databases();
}

// --- Toolbar ---

void form1::buildToolbar() {
  Toolbar1 = named(new QToolBar(QStringLiteral("Toolbar1"), this), QStringLiteral("Toolbar1"));
  Toolbar1->setMovable(false);
  Toolbar1->setIconSize(QSize(24, 24));
  addToolBar(Qt::TopToolBarArea, Toolbar1);
  struct Button {
    const char* key;
    const char* image;
    const char* tip;
    const char* description;  // the button's description, read out by assistive technology
    QStyle::StandardPixmap pixmap;
    QAction* follows;  // the menu item whose command the button runs, and whose availability it shares
  };
  const Button buttons[] = {
      {"NewUser", "USER", "Create New User", "", QStyle::SP_CustomBase, nullptr},
      {"IMPORTU", "IMPORT", "Import Users", "Import", QStyle::SP_DialogOpenButton, Import_Users},
      {"deleteuser", "Delete", "Delete User", "Delete User", QStyle::SP_TrashIcon, nullptr},
      {"Vlog", "NOTEPAD", "View Log File", "Vlog", QStyle::SP_FileDialogContentsView, nullptr},
      {"Refresh", "Refresh", "Refresh", "", QStyle::SP_BrowserReload, nullptr},
      {"FIND", "FIND", "Find User", "Find User", QStyle::SP_FileDialogDetailedView, nullptr},
      {"Groups", "Global", "Global Groups", "Groups", QStyle::SP_CustomBase, Gblgropus},
      {"MutliUser", "W2KGRP", "Multi User Functions", "MultiUser", QStyle::SP_CustomBase, Multi},
      {"Help", "help", "Help", "Help", QStyle::SP_DialogHelpButton, Help},
      {"Exit1", "Exit1", "Exit", "Exit Program", QStyle::SP_DialogCloseButton, Exit1},
  };
  for (const Button& b : buttons) {
    const QString key = QString::fromLatin1(b.key);
    const QString image = QString::fromLatin1(b.image);
    if (!ImageList1.contains(image)) ImageList1.add(image, style()->standardIcon(b.pixmap));
    QAction* a = Toolbar1->addAction(ImageList1.icon(image), QString::fromLatin1(b.tip));
    a->setObjectName(key);
    a->setToolTip(QString::fromLatin1(b.tip));
    if (QWidget* button = Toolbar1->widgetForAction(a))
      button->setAccessibleDescription(QString::fromLatin1(b.description));
    connect(a, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    if (QAction* menu = b.follows) {
      a->setEnabled(menu->isEnabled());
      connect(menu, &QAction::changed, a, [a, menu] { a->setEnabled(menu->isEnabled()); });
    }
  }
}

void form1::Toolbar1_ButtonClick(const QString& Key) {
  // The buttons that run a menu item's command do so only while that item is available.
  auto runMenu = [](QAction* item) {
    if (item->isEnabled()) item->trigger();
  };
  if (Key == QLatin1String("NewUser")) {
    SSTab1->setCurrentIndex(kNewUserPage);
    strFirst->clear();
    StrMiddle->clear();
    strLast->clear();
    for (QLabel* l : {Createdirs, Sharedirs, Security, UserAccount, MailAccount}) l->clear();
    ProgressBar1->setValue(0);
    run->clear();
    progress->setText(QStringLiteral("Ready."));
    strFirst->setFocus();
  } else if (Key == QLatin1String("IMPORTU")) {
    runMenu(Import_Users);
  } else if (Key == QLatin1String("deleteuser")) {
    handOffToBulk(bulk::MultiUser::kDeleteTab);
  } else if (Key == QLatin1String("Vlog")) {
    View_Log_Click();
  } else if (Key == QLatin1String("Refresh")) {
    Reload_All();
  } else if (Key == QLatin1String("FIND")) {
    Find_Node();
  } else if (Key == QLatin1String("Groups")) {
    runMenu(Gblgropus);
  } else if (Key == QLatin1String("MutliUser")) {
    runMenu(Multi);
  } else if (Key == QLatin1String("Help")) {
    runMenu(Help);
  } else if (Key == QLatin1String("Exit1")) {
    runMenu(Exit1);
  } else {
    ui::prompter().MsgBox(QStringLiteral("Not Implemented as yet"), 0);
  }
}

void form1::Find_Node() {
  const std::optional<QString> typed =
      ui::prompter().InputBox(QStringLiteral("Enter Name to find"), QStringLiteral("Find User"));
  if (!typed || typed->isEmpty()) return;
  bool found = false;
  const QStringMatcher matcher(*typed, Qt::CaseInsensitive);
  // The tree from top to bottom, as it is shown.
  for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
    QTreeWidgetItem* n = *it;
    // Letter case plays no part (the text upper-cased or not gives the same matches).
    if (matcher.indexIn(n->text(0)) < 0) continue;
    found = true;
    TreeView1->scrollToItem(n);
    TreeView1->setCurrentItem(n);
    if (ui::prompter().MsgBox(QStringLiteral("Continue Search ?"), ui::kStyleYesNoQuestion,
                              QStringLiteral("Search")) != ui::MsgBoxResult::Yes)
      return;
  }
  if (!found)
    ui::prompter().MsgBox(QStringLiteral("User not found."), ui::kStyleInformation, QStringLiteral("Search"));
}

}  // namespace tavrel::mainwindow
