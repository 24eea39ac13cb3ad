// The main window's side of directory access: discovering domains, probing the mode, connecting
// and loading the domain into the tree and the lists of this window, the bulk window and the
// group window.

#include "bulk/MultiUser.h"
#include "directory/DomainDiscovery.h"
#include "directory/DomainLoad.h"
#include "groups/Groupsfrm.h"
#include "mainwindow/TreeOrder.h"
#include "mainwindow/form1.h"
#include "startup/LogFile.h"
#include "startup/Settings.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QCoreApplication>
#include <QHash>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <vector>

namespace tavrel::mainwindow {
namespace {

// Removes the first node of a deleted user from the domain tree: in Active Directory modes the
// node whose key is `user`, in NT mode the node whose text is.
void removeUserNode(form1& f, const QString& user) {
  const bool nt = state::shared().Directory_Mode == 2;
  for (QTreeWidgetItemIterator it(f.TreeView1); *it; ++it) {
    QTreeWidgetItem* node = *it;
    if ((nt ? node->text(0) : node->data(0, form1::kNodeKeyRole).toString()) != user) continue;
    delete node;
    return;
  }
}

// The bulk window, linked to this window's image list, on-screen log, default password, the
// delete's settings and the tree.
bulk::MultiUser& bulkWindow(form1& f) {
  bulk::MultiUser::setImages(&f.ImageList1);
  bulk::MultiUser::setLinks(
      {[&f](const QString& colour, const QString& message) { f.LOG_TAB(colour, message); },
       [&f] { return f.defaultpassword->text(); }, [&f] { return f.databaseFolder(); }});
  bulk::MultiUser::setDeleteLinks({[&f](bulk::DeleteOptions& o) {
                                     o.confirmDeletes = f.Confirm_Deletes->isChecked();
                                     o.profileDeleteName = f.Profile_Delete_Name->isChecked();
                                     o.deleteScript = f.Delete_Script->text();
                                     o.deleteHidden = f.Run_Hidden[2]->isChecked();
                                     o.waitDelete = f.Wait_NEW[2]->isChecked();
                                     o.txtAdmin = f.txtAdmin->text();
                                     o.txtPassword = f.txtPassword->text();
                                   },
                                   [&f](const QString& user) { removeUserNode(f, user); }});
  // A move reads the command after a move, how to run it, and the NT profile cut from here.
  bulk::MultiUser::setMoveSettings([&f](bulk::MoveForm& form) {
    form.moveScript = f.Move_Script->text();
    form.waitForCommand = f.Wait_NEW[1]->isChecked();
    form.hideCommand = f.Run_Hidden[1]->isChecked();
    form.profileDeleteName = f.Profile_Delete_Name->isChecked();
    form.commandLine = f.commandLine();
  });
  return bulk::MultiUser::instance(f.databaseFolder());
}

// Links the group window to this window's lists, tree, user-properties tab and folder, and gives
// its description box the colour of read-only fields.
groups::Groupsfrm& linkGroupWindow(form1& f) {
  groups::GroupLinks links;
  links.clearUserTab = [&f] { f.Clear_UM(); };
  links.groupAdded = [&f](const QString& text, const QString& key, const QString& icon) {
    const bool template_ = f.ListView5->add(text, key, icon) != nullptr;
    const bool userTab = f.ListView3->add(text, key, icon) != nullptr;
    return template_ && userTab;
  };
  links.groupRemoved = [&f](const QString& key, const QString& name, bool ntMode) {
    // Entries match by key in Active Directory, by name (with its case) in NT.
    const auto matches = [&](const QString& k, const QString& text) {
      return ntMode ? k.isEmpty() && text == name : !key.isEmpty() && k == key;
    };
    for (ui::ListView* list : {f.ListView3, f.ListView5})
      for (int i = 1; i <= list->count();)
        if (matches(list->key(i), list->text(i)))
          list->remove(i);
        else
          ++i;
    // The group's node, when the tree shows groups.
    QList<QTreeWidgetItem*> todo;
    for (int i = 0; i < f.TreeView1->topLevelItemCount(); ++i) todo << f.TreeView1->topLevelItem(i);
    QList<QTreeWidgetItem*> gone;
    while (!todo.isEmpty()) {
      QTreeWidgetItem* n = todo.takeFirst();
      const QString image = n->data(0, form1::kNodeImageRole).toString();
      const bool group = image == QLatin1String("W2KGRP") || image == QLatin1String("Global") ||
                         image == QLatin1String("Local");
      if (group && matches(n->data(0, form1::kNodeKeyRole).toString(), n->text(0)))
        gone << n;
      else
        for (int i = 0; i < n->childCount(); ++i) todo << n->child(i);
    }
    qDeleteAll(gone);
  };
  links.databaseFolder = [&f] { return f.databaseFolder(); };
  links.rootKey = [&f] {
    QTreeWidgetItem* first = f.TreeView1->topLevelItem(0);
    return first ? first->data(0, form1::kNodeKeyRole).toString() : QString();
  };
  groups::Groupsfrm::setLinks(std::move(links));
  groups::Groupsfrm& g = groups::Groupsfrm::instance(&f.ImageList1);
  g.setFieldColour(f.Field_Colour);
  return g;
}

using directory::DomainList;
using directory::NodeAdd;

constexpr int kKeyRole = form1::kNodeKeyRole;
constexpr int kIconRole = form1::kNodeImageRole;
constexpr int kSortedRole = form1::kNodeSortedRole;

// The domain loaders' view of the windows. The tree is built detached from the widget and put in
// place at once by flush(), and lists that keep themselves sorted are sorted once at the end, so
// that a large domain costs one insertion per node rather than one repaint or re-sort each.
class WindowView : public directory::DomainView {
 public:
  explicit WindowView(form1& form) : f_(form) { suspendSorting({f_.ListView3, f_.ListView5}); }
  ~WindowView() override { flush(); }

  // Puts the nodes and list rows built so far in place and restores the lists' sorting.
  void flush() {
    for (QTreeWidgetItem* node : sortedNodes_) sortChildren(node);
    sortedNodes_.clear();
    if (!pendingTop_.isEmpty()) f_.TreeView1->addTopLevelItems(pendingTop_);
    pendingTop_.clear();
    for (auto& [model, items] : pendingRows_) {
      model->addAll(items);
      items.clear();
    }
    for (auto& [list, rows] : pendingListRows_) putRows(list);
    for (ui::ListView* l : resort_) l->setSorted(true);
    resort_.clear();
  }

  void setStatus(const QString& text) override { f_.StatusBar1->setPanelText(1, text); }
  void refresh() override { f_.repaint(); }
  void message(const QString& text) override { ui::prompter().MsgBox(text, 0); }
  void setUpnSuffix(const QString& text) override { f_.UM_W2KDomain_Name->setText(text); }

  void expectUsers(qsizetype count) override {
    keys_.reserve(keys_.size() + count);
    pendingRows(&bulk::catalogue().users).reserve(size_t(count));
  }

  void clearTree() override {
    qDeleteAll(pendingTop_);
    pendingTop_.clear();
    sortedNodes_.clear();
    f_.Root_Node = nullptr;
    f_.TreeView1->setSortingEnabled(false);
    f_.TreeView1->clear();
    keys_.clear();
    parents_.clear();
    indexed_ = true;
  }

  NodeAdd addNode(const QString& parentKey, const QString& key, const QString& text, const QString& image,
                  bool sorted) override {
    indexTree();
    QTreeWidgetItem* parent = nullptr;
    if (!parentKey.isEmpty()) {
      // The many users of a container name it the same way: its key is folded once for them.
      parent = parents_.value(parentKey);
      if (!parent) {
        parent = keys_.value(fold(parentKey));
        if (!parent) return NodeAdd::ParentNotFound;
        parents_.insert(parentKey, parent);
      }
    }
    QTreeWidgetItem** slot = nullptr;
    if (!key.isEmpty()) {
      // One look-up finds a key in use or makes its place.
      slot = &keys_[fold(key)];
      if (*slot) return NodeAdd::Failed;
    }
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setData(0, kKeyRole, key);
    node->setData(0, kIconRole, image);
    node->setIcon(0, icon(image));
    if (image == QLatin1String("USER")) markLeaf(node);
    if (sorted) {
      node->setData(0, kSortedRole, true);
      sortedNodes_.push_back(node);
    }
    if (parent)
      parent->addChild(node);
    else
      pendingTop_.append(node);
    if (slot) *slot = node;
    return NodeAdd::Added;
  }

  void showNode(const QString& key) override {
    flush();
    if (QTreeWidgetItem* node = keys_.value(fold(key))) {
      f_.TreeView1->setCurrentItem(node);
      node->setExpanded(true);
      f_.TreeView1->scrollToItem(node);
    }
  }

  void clearList(DomainList list) override {
    if (list == DomainList::GroupPath)
      f_.grouppath->clear();
    else if (bulk::KeyedList* model = bulkList(list)) {
      pendingRows(model).clear();
      model->clear();
    } else {
      ui::ListView* l = listOf(list);
      QList<QTreeWidgetItem*>& rows = pendingListRows(l);
      qDeleteAll(rows);
      rows.clear();
      l->clear();
    }
  }

  void addItem(DomainList list, const QString& key, const QString& text, const QString& smallIcon,
               const QString& caption) override {
    if (list == DomainList::GroupPath) return;
    if (bulk::KeyedList* model = bulkList(list)) {
      // Put in the list at once by flush().
      pendingRows(model).push_back(bulk::ListItem{key, text, smallIcon});
      return;
    }
    // Rows go in together, put in by flush(): one insertion rather than one per row. A list
    // that keeps itself sorted (its sorting was not suspended) takes each in its place.
    ui::ListView* l = listOf(list);
    const bool inPlace = l->sorted();
    QTreeWidgetItem* row = inPlace ? l->add(text, key, smallIcon) : l->makeRow(text, key, smallIcon);
    if (!row) return;
    if (!caption.isEmpty()) row->setText(1, caption);
    if (!inPlace) pendingListRows(l).append(row);
  }

  void unselectFirst(DomainList list) override {
    if (bulkList(list)) return;  // the bulk window's views start with nothing selected
    ui::ListView* l = listOf(list);
    putRows(l);
    if (QTreeWidgetItem* first = l->item(1)) first->setSelected(false);
  }

 private:
  // The bulk window's lists live in the catalogue, with or without the window.
  static bulk::KeyedList* bulkList(DomainList list) {
    switch (list) {
      case DomainList::BulkSelection:
        return &bulk::catalogue().selection;
      case DomainList::BulkUsers:
        return &bulk::catalogue().users;
      case DomainList::BulkGroups:
        return &bulk::catalogue().groups;
      case DomainList::BulkOUs:
        return &bulk::catalogue().ous;
      default:
        return nullptr;
    }
  }

  // The list, creating the group window the first time one of its lists is needed.
  ui::ListView* listOf(DomainList list) {
    switch (list) {
      case DomainList::UserTabGroups:
        return f_.ListView3;
      case DomainList::TemplateGroups:
        return f_.ListView5;
      case DomainList::BulkSelection:
      case DomainList::BulkUsers:
      case DomainList::BulkGroups:
      case DomainList::BulkOUs:
        break;
      case DomainList::GroupWindowGroups:
        return groups().ListView1;
      case DomainList::NotMembers:
        return groups().NotMembers;
      case DomainList::GroupPath:
        break;
    }
    return nullptr;
  }
  groups::Groupsfrm& groups() {
    if (!groups_) {
      groups_ = &linkGroupWindow(f_);
      suspendSorting({groups_->ListView1, groups_->NotMembers});
    }
    return *groups_;
  }
  // A list that keeps itself sorted is sorted once, when the load is done.
  void suspendSorting(std::initializer_list<ui::ListView*> lists) {
    for (ui::ListView* l : lists)
      if (l->sorted()) {
        l->setSorted(false);
        resort_.push_back(l);
      }
  }

  // The keys of the nodes already in the tree (a load that does not empty it adds to them).
  void indexTree() {
    if (indexed_) return;
    indexed_ = true;
    std::vector<QTreeWidgetItem*> todo;
    for (int i = 0; i < f_.TreeView1->topLevelItemCount(); ++i) todo.push_back(f_.TreeView1->topLevelItem(i));
    while (!todo.empty()) {
      QTreeWidgetItem* n = todo.back();
      todo.pop_back();
      const QString key = n->data(0, kKeyRole).toString();
      if (!key.isEmpty()) keys_.insert(fold(key), n);
      for (int i = 0; i < n->childCount(); ++i) todo.push_back(n->child(i));
    }
  }

  // Keys are distinguished names and paths, which name one object whatever their letter case.
  // They are ASCII in practice, whose folding is lowering A to Z.
  static QString fold(const QString& key) {
    QString out(key.size(), Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    for (const QChar c : key) {
      const char16_t u = c.unicode();
      if (u >= 0x80) return key.toCaseFolded();
      *o++ = u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
    }
    return out;
  }

  // The icon of an image key; a load asks for few of them, each many times.
  QIcon icon(const QString& image) {
    auto it = icons_.constFind(image);
    if (it == icons_.cend()) it = icons_.insert(image, f_.ImageList1.icon(image));
    return *it;
  }

  QList<QTreeWidgetItem*>& pendingListRows(ui::ListView* list) {
    for (auto& [l, rows] : pendingListRows_)
      if (l == list) return rows;
    return pendingListRows_.emplace_back(list, QList<QTreeWidgetItem*>{}).second;
  }
  // The rows made for `list` so far, appended to it.
  void putRows(ui::ListView* list) {
    QList<QTreeWidgetItem*>& rows = pendingListRows(list);
    if (rows.isEmpty()) return;
    list->addTopLevelItems(rows);
    rows.clear();
  }

  std::vector<bulk::ListItem>& pendingRows(bulk::KeyedList* model) {
    for (auto& [m, items] : pendingRows_)
      if (m == model) return items;
    return pendingRows_.emplace_back(model, std::vector<bulk::ListItem>{}).second;
  }

  // The same order as treeTextBefore, each node's text read once rather than at every comparison.
  static void sortChildren(QTreeWidgetItem* node) {
    const QList<QTreeWidgetItem*> children = node->takeChildren();
    std::vector<std::pair<QString, QTreeWidgetItem*>> byText;
    byText.reserve(children.size());
    // Texts folded once compare as they are in the order of a comparison without regard to case.
    for (QTreeWidgetItem* c : children) byText.emplace_back(c->text(0).toCaseFolded(), c);
    std::stable_sort(byText.begin(), byText.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<QTreeWidgetItem*> sorted;
    sorted.reserve(children.size());
    for (const auto& [text, c] : byText) sorted.append(c);
    node->addChildren(sorted);
  }

  form1& f_;
  groups::Groupsfrm* groups_ = nullptr;
  QHash<QString, QTreeWidgetItem*> keys_;  // by case-folded key
  QHash<QString, QTreeWidgetItem*> parents_;  // the parents found so far, by key as given
  bool indexed_ = false;
  QList<QTreeWidgetItem*> pendingTop_;
  std::vector<QTreeWidgetItem*> sortedNodes_;
  std::vector<ui::ListView*> resort_;
  QHash<QString, QIcon> icons_;
  // Rows for the bulk window's lists, in the order given, put in by flush().
  std::vector<std::pair<bulk::KeyedList*, std::vector<bulk::ListItem>>> pendingRows_;
  // Rows for the lists of this window and the group window, put in by flush().
  std::vector<std::pair<ui::ListView*, QList<QTreeWidgetItem*>>> pendingListRows_;
};

directory::LoadOptions loadOptions(const form1& f) {
  return directory::LoadOptions{f.DNName->isChecked(), f.Sorted_Yes->isChecked(), f.commandLine(),
                                f.databaseFolder()};
}

}  // namespace

QString form1::commandLine() const {
  return Command_Line.value_or(startup::commandLineOf(QCoreApplication::arguments().mid(1)));
}

bool form1::Get_Domains() {
  const directory::DiscoveredDomains found =
      directory::Get_Domains(startup::isDebugCommandLine(commandLine()));
  // Adding to the list leaves the domain box's text as it is.
  const QString text = DomName->currentText();
  DomName->addItems(found.names);
  if (DomName->currentText() != text) DomName->setEditText(text);
  if (found.searchError)
    ui::prompter().MsgBox(
        QStringLiteral("Error getting Domain Data: ") + QString::number(found.searchError->number()), 0);
  return !found.raised;
}

int16_t form1::Get_W2K_Domain_Mode(const QString& name) {
  state::SharedState& sh = state::shared();
  const directory::DomainMode probed = directory::Get_W2K_Domain_Mode(name, sh.Domain_Name);
  sh.NetBIOS_Domain = probed.NetBIOS_Domain;
  unreachableError_ = probed.unreachable;
  if (probed.unreachable) return kUnreachableDomain;
  constexpr int kAccountPage = 2, kCustomPage = 3;
  if (probed.mode != 2) {
    SSTab2->setTabEnabled(kAccountPage, true);
    SSTab2->setTabEnabled(kCustomPage, true);
  } else {
    SSTab2->setTabEnabled(kCustomPage, false);
  }
  return probed.mode;
}

void form1::noteLoad(const directory::LoadOutcome& outcome) {
  groupsComplete_ = outcome.groupsComplete && !outcome.raised;
  groupsProblem_ = outcome.groupsProblem;
}

bool form1::Get_W2K_Domain_Data() {
  directory::LoadOutcome outcome;
  {
    WindowView view(*this);
    outcome = directory::Get_W2K_Domain_Data(view, loadOptions(*this));
  }
  noteLoad(outcome);
  return outcome.loaded;
}

bool form1::Get_NT_Domain_Data() {
  directory::LoadOutcome outcome;
  {
    WindowView view(*this);
    outcome = directory::Get_NT_Domain_Data(view);
  }
  noteLoad(outcome);
  return outcome.loaded;
}

bool form1::Connect_Domain(const QString& name) {
  state::SharedState& sh = state::shared();
  sh.Group_Count = 0;
  sh.User_Count = 0;
  ui::HourglassGuard busy;
  noteLoad(directory::LoadOutcome{});
  DomName->setEditText(name);
  if (name.isEmpty()) return false;
  Clear_UM();

  const QString domain = DomName->currentText();
  switch (Get_W2K_Domain_Mode(domain)) {
    case 0:
      StatusBar1->setPanelText(2, QStringLiteral("2000-Native Mode"));
      sh.Directory_Mode = 0;
      Show_W2K_Fields();
      break;
    case 1:
      StatusBar1->setPanelText(2, QStringLiteral("2000-Mixed Mode"));
      sh.Directory_Mode = 1;
      Show_W2K_Fields();
      break;
    case 2:
      StatusBar1->setPanelText(2, QStringLiteral("WinNT"));
      sh.Directory_Mode = 2;
      Hide_W2K_Fields();
      break;
    case kUnreachableDomain: {
      // The window stays in the mode it was in; the connection fails as a failed load does, and
      // Log.txt says why.
      startup::LogFile log(databaseFolder());
      log.line(QStringLiteral("Can't reach the domain ") + domain + QStringLiteral(": 0x") +
               unreachableError_->hex() + u' ' + unreachableError_->message);
      StatusBar1->setPanelText(1, QStringLiteral("Can't Find ") + domain + QStringLiteral(" Domain"));
      ui::feedback().beep();
      return false;
    }
    default:
      break;
  }

  sh.Step_Text = QStringLiteral("Can't Find ") + domain + QStringLiteral(" Domain");
  // The loaders add to the lists; what an earlier connection listed goes first, or a second
  // connection (or one to another domain) lists accounts twice or keeps ones of the other domain.
  TreeView1->clear();
  Root_Node = nullptr;
  bulk::catalogue().clear();
  if (groups::Groupsfrm* g = groups::Groupsfrm::existing())
    for (ui::ListView* l : g->findChildren<ui::ListView*>()) l->clear();
  directory::LoadOutcome outcome;
  {
    WindowView view(*this);
    outcome = sh.Directory_Mode == 2 ? directory::Get_NT_Domain_Data(view)
                                     : directory::Get_W2K_Domain_Data(view, loadOptions(*this));
  }
  noteLoad(outcome);
  if (outcome.raised) {
    StatusBar1->setPanelText(1, QStringLiteral("Can't Find ") + domain + QStringLiteral(" Domain"));
    ui::feedback().beep();
    return false;
  }
  sh.Op_Status = outcome.loaded ? -1 : 0;
  if (outcome.loaded) bulkWindow(*this).Form_Load(databaseFolder(), commandLine());
  StatusBar1->setPanelText(1, QStringLiteral("Number of Users:") + QString::number(sh.User_Count) +
                                  QStringLiteral("  Number of Groups:") + QString::number(sh.Group_Count));
  return outcome.loaded;
}

namespace {

// Shows and enables, or hides and disables, the Windows 2000-only fields of the user-properties
// tab and their labels; the pre-Windows 2000 name is only shown or hidden. The name label reads
// "Display Name" in Active Directory and "Full Name" in an NT domain.
void showW2KFields(form1& f, bool shown) {
  const std::array<QWidget*, 7> fields{f.UM_Initails,    f.UM_First,      f.UM_Last,          f.UM_Office,
                                       f.UM_MailAddress, f.UM_Logon_Name, f.UM_W2KDomain_Name};
  for (QWidget* field : fields) field->setEnabled(shown);
  for (QWidget* field : fields) field->setVisible(shown);
  f.UM_PreW2K->setVisible(shown);
  for (QLabel* label : {f.Label37, f.Label38, f.Label39, f.Label40, f.Label33, f.Label43, f.Label41})
    label->setVisible(shown);
  f.Label3->setText(shown ? QStringLiteral("Display Name") : QStringLiteral("Full Name"));
}

}  // namespace

void form1::Show_W2K_Fields() {
  showW2KFields(*this, true);
}

void form1::Hide_W2K_Fields() {
  showW2KFields(*this, false);
}

void form1::Clear_UM() {
  // Emptying the page is no edit: no change flag rises, and no user stays loaded to be saved.
  umFilling_ = true;
  for (int i = 1; i <= ListView4->count(); ++i)
    ListView3->add(ListView4->text(i), ListView4->key(i), ListView4->smallIcon(i));
  for (QCheckBox* box : {chkMustChange, chkCantChange, chkPwdNever, chkAcctDisabled, chkAcctLockedOut})
    box->setChecked(false);
  for (QLineEdit* field : {UM_Full_Name, UM_Home_Dir, UM_Logon_Script, UM_Profile_Dir, UM_Description})
    field->clear();
  UM_Drive_Letter->setCurrentIndex(UM_Drive_Letter->findText(QString()));
  if (UM_Drive_Letter->isEditable()) UM_Drive_Letter->setEditText(QString());
  ListView4->clear();
  USERID->clear();
  UM_Office->clear();
  UM_PreW2K->clear();
  UM_W2KDomain_Name->setText(QStringLiteral("@") + state::shared().Domain_Name);
  for (QLineEdit* field : {UM_Initails, UM_Last, UM_First, UM_Logon_Name, UM_MailAddress, AccExpires})
    field->clear();
  for (int k = 0; k < 4; ++k) {
    Custom_Value[k]->clear();
    showCustomReadOnly(k, QString());
    umCustomAttribute_[k].clear();
    umCustomEdited_[k] = false;
  }
  USERID_W2K->clear();
  umFilling_ = false;
  state::SharedState& sh = state::shared();
  sh.UM_Changed_Logon = sh.UM_Changed_Paths = sh.UM_Changed_General = sh.UM_Changed_Flags =
      sh.UM_Changed_Custom = 0;
}

void form1::Gblgropus_Click() {
  groups::Groupsfrm& g = linkGroupWindow(*this);
  g.setWindowModality(Qt::ApplicationModal);
  g.show();
  g.raise();
}

void form1::Multi_Click() {
  bulk::MultiUser& m = bulkWindow(*this);
  for (int tab : {bulk::MultiUser::kDeleteTab, bulk::MultiUser::kMoveTab, bulk::MultiUser::kAccountsTab})
    m.SSTab1->setTabEnabled(tab, true);
  if (state::shared().Directory_Mode != 2) m.SSTab1->setTabEnabled(bulk::MultiUser::kADPropertiesTab, true);
  m.setWindowModality(Qt::ApplicationModal);
  m.show();
  m.raise();
}

}  // namespace tavrel::mainwindow
