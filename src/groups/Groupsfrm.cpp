#include "groups/Groupsfrm.h"

#include "bulk/Catalogue.h"
#include "directory/DirectoryService.h"
#include "groups/GroupAdd.h"
#include "platform/adsi/AdsPath.h"
#include "platform/adsi/Directory.h"
#include "records/DatabaseFolder.h"
#include "records/Lookup.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

namespace tavrel::groups {
namespace {

Groupsfrm* theInstance = nullptr;

// The Name column's width when its names are short.
constexpr int kNameColumnWidth = 220;

GroupLinks& theLinks() {
  static GroupLinks links;
  return links;
}

const QString kUser = QStringLiteral("USER");

bool ntMode() {
  return state::shared().Directory_Mode == 2;
}

QString ntPath(const QString& name) {
  return QStringLiteral("WinNT://") + state::shared().Domain_Name + u'/' + name;
}

ui::ListView* sortedList(QWidget* parent, const QString& name, const QStringList& columns,
                         const ui::ImageList* images) {
  auto* list = new ui::ListView(parent);
  list->setObjectName(name);
  list->setColumns(columns);
  list->setImageList(images);
  list->setSorted(true);
  return list;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, const QString& tip = {}) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  if (!tip.isEmpty()) b->setToolTip(tip);
  return b;
}

// Active Directory entries are matched by distinguished name: the text after the path's server
// part, in the canonical form the directory layer writes and without regard to letter case. A
// name written another way (blanks, other escapes) is brought to that form when a quick look-up
// misses.
QString canonicalDn(const QString& dn) {
  auto parsed = adsi::Dn::parse(dn);
  return parsed ? parsed->toString().toCaseFolded() : dn.toCaseFolded();
}

// The distinguished name of an entry's key (an ADsPath), as canonicalDn gives it.
QString dnOfKey(const QString& key) {
  if (!key.contains(u'\\')) {
    // "LDAP://server/DN" or "LDAP://DN": no escapes, so the text is the name.
    const int start = key.indexOf(QLatin1StringView("://"));
    if (start < 0) return key.toCaseFolded();
    const int slash = key.indexOf(u'/', start + 3);
    return (slash < 0 ? key.mid(start + 3) : key.mid(slash + 1)).toCaseFolded();
  }
  auto parsed = adsi::AdsPath::parse(key);
  if (parsed && parsed->kind == adsi::AdsPath::Kind::Object) return parsed->dn.toString().toCaseFolded();
  return key.toCaseFolded();
}

bool lessText(const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
  return a->text(0).compare(b->text(0), Qt::CaseInsensitive) < 0;
}

// The rows of `list`, taken out of it (not deleted).
QList<QTreeWidgetItem*> takeAll(ui::ListView* list) {
  return list->invisibleRootItem()->takeChildren();
}

// Binds the group at `path` (empty: no group selected).
adsi::Result<adsi::AdsObject> bindGroup(const QString& path) {
  if (path.isEmpty()) return adsi::makeError(adsi::hr::E_INVALIDARG, QStringLiteral("No group is selected"));
  auto dir = directory::requireDirectory();
  if (!dir) return dir.error();
  return (*dir)->GetObject(path);
}

// The stored templates that name `group` among their groups or as their primary group.
QStringList templatesNaming(const QString& group) {
  const GroupLinks& l = theLinks();
  if (!l.databaseFolder) return {};
  QStringList names;
  const records::DatabaseFolder db(l.databaseFolder());
  std::function<bool(const records::Template_Record&)> test = [&](const records::Template_Record& t) {
    if (t.Deleted != 0) return false;
    bool named = records::sameNameIgnoringCase(t.PrimaryGroup, group);
    const int used = qBound(0, int(t.GroupCount), records::Template_Record::GroupSlots);
    for (int i = 0; i < used && !named; ++i)
      named = records::sameNameIgnoringCase(t.Groups[size_t(i)], group);
    if (named) names << t.Name.trimmed();
    return false;
  };
  (void)records::scanRecords<records::Template_Record>(db, records::names::Template, test);
  return names;
}

}  // namespace

Groupsfrm::Groupsfrm(const ui::ImageList* images) {
  setObjectName(QStringLiteral("Groupsfrm"));
  setWindowTitle(QStringLiteral("Global Groups"));
  auto* layout = new QVBoxLayout(this);
  auto* frame = new QGroupBox(QStringLiteral("Groups"), this);
  frame->setObjectName(QStringLiteral("Groups"));
  auto* inner = new QGridLayout(frame);

  ListView1 = sortedList(frame, QStringLiteral("ListView1"), {QStringLiteral("Name"), QStringLiteral("Type")},
                         images);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setColumnWidth(0, kNameColumnWidth);
  Members = sortedList(frame, QStringLiteral("Members"), {QStringLiteral("Member of:")}, images);
  Members->setSelectionMode(QAbstractItemView::ExtendedSelection);
  NotMembers = sortedList(frame, QStringLiteral("NotMembers"), {QStringLiteral("Not a Member of:")}, images);
  NotMembers->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Command1 = button(frame, QStringLiteral("Command1"), QStringLiteral(">>"));
  Command2 = button(frame, QStringLiteral("Command2"), QStringLiteral("<<"));
  auto* arrows = new QVBoxLayout;
  arrows->addStretch();
  arrows->addWidget(Command1);
  arrows->addWidget(Command2);
  arrows->addStretch();

  auto* label = new QLabel(QStringLiteral("Description"), frame);
  label->setObjectName(QStringLiteral("Label1"));
  Decsription_Text = new QLineEdit(frame);
  Decsription_Text->setObjectName(QStringLiteral("Decsription_Text"));
  Decsription_Text->setReadOnly(true);

  inner->addWidget(ListView1, 0, 0, 1, 3);
  inner->addWidget(Members, 1, 0);
  inner->addLayout(arrows, 1, 1);
  inner->addWidget(NotMembers, 1, 2);
  auto* description = new QHBoxLayout;
  description->addWidget(label);
  description->addWidget(Decsription_Text);
  inner->addLayout(description, 2, 0, 1, 3);
  inner->setRowStretch(0, 1);
  inner->setRowStretch(1, 1);
  layout->addWidget(frame, 1);

  Group_Details = button(this, QStringLiteral("Group_Details"), QStringLiteral("De&tails"),
                         QStringLiteral("Show Group Membership"));
  Add_Group = button(this, QStringLiteral("Add_Group"), QStringLiteral("&Add Group"),
                     QStringLiteral("Add Global Group"));
  Delete_Group = button(this, QStringLiteral("Delete_Group"), QStringLiteral("&Delete Group"),
                        QStringLiteral("Delete Global Group"));
  ExitButton = button(this, QStringLiteral("ExitButton"), QStringLiteral("&Exit"), QStringLiteral("Exit"));
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {Group_Details, Add_Group, Delete_Group}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(ExitButton);
  layout->addLayout(buttons);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  status_ = new QLabel(QStringLiteral("Ready"), StatusBar1);
  StatusBar1->addWidget(status_, 1);
  layout->addWidget(StatusBar1);

  connect(ListView1, &QTreeWidget::itemClicked, this, [this] { ListView1_Click(); });
  connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { ListView1_DblClick(); });
  connect(ListView1, &ui::ListView::columnClick, this, &Groupsfrm::ListView1_ColumnClick);
  connect(Members, &QTreeWidget::itemDoubleClicked, this, [this] { Command1_Click(); });
  connect(NotMembers, &QTreeWidget::itemDoubleClicked, this, [this] { Command2_Click(); });
  connect(Command1, &QPushButton::clicked, this, &Groupsfrm::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &Groupsfrm::Command2_Click);
  connect(Group_Details, &QPushButton::clicked, this, &Groupsfrm::Group_Details_Click);
  connect(Add_Group, &QPushButton::clicked, this, &Groupsfrm::Add_Group_Click);
  connect(Delete_Group, &QPushButton::clicked, this, &Groupsfrm::Delete_Group_Click);
  connect(ExitButton, &QPushButton::clicked, this, &Groupsfrm::ExitButton_Click);
  resize(620, 560);
}

Groupsfrm& Groupsfrm::instance(const ui::ImageList* images) {
  if (!theInstance) theInstance = new Groupsfrm(images);
  if (images)
    for (ui::ListView* l : {theInstance->ListView1, theInstance->Members, theInstance->NotMembers})
      l->setImageList(images);
  return *theInstance;
}

Groupsfrm* Groupsfrm::existing() {
  return theInstance;
}

void Groupsfrm::unload() {
  delete theInstance;
  theInstance = nullptr;
}

void Groupsfrm::setLinks(GroupLinks links) {
  theLinks() = std::move(links);
}

const GroupLinks& Groupsfrm::links() {
  return theLinks();
}

void Groupsfrm::setFieldColour(const QColor& colour) {
  QPalette p = Decsription_Text->palette();
  p.setColor(QPalette::Base, colour);
  Decsription_Text->setPalette(p);
}

void Groupsfrm::setStatus(const QString& text) {
  status_->setText(text);
}

QString Groupsfrm::statusText() const {
  return status_->text();
}

QString Groupsfrm::selectedGroupPath() const {
  const int row = ListView1->selectedIndex();
  if (row == 0) return {};
  return ntMode() ? ntPath(ListView1->text(row)) + QStringLiteral(",group") : ListView1->key(row);
}

void Groupsfrm::returnMembers() {
  if (Members->count() == 0) return;
  // Both lists are in text order: one merge puts every entry back in its place.
  QList<QTreeWidgetItem*> back = takeAll(Members);
  QList<QTreeWidgetItem*> rest = takeAll(NotMembers);
  QList<QTreeWidgetItem*> merged;
  merged.reserve(back.size() + rest.size());
  std::merge(rest.begin(), rest.end(), back.begin(), back.end(), std::back_inserter(merged), lessText);
  for (QTreeWidgetItem* row : back) row->setSelected(false);
  NotMembers->addTopLevelItems(merged);
}

void Groupsfrm::ListView1_Click() {
  returnMembers();
}

void Groupsfrm::ListView1_ColumnClick(int column) {
  ListView1->setSortOrder(ListView1->sortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                       : Qt::AscendingOrder);
  ListView1->setSortKey(column);
}

void Groupsfrm::Load_Group_Members() {
  setStatus(QStringLiteral("Please wait..."));
  ui::HourglassGuard busy;
  returnMembers();
  int count = 0;
  auto group = bindGroup(selectedGroupPath());
  if (group) {
    // A group without a description shows none; a description that cannot be read leaves the
    // box as it was.
    if (auto description = group->Get(QStringLiteral("Description")))
      Decsription_Text->setText(description->toString());
    else if (description.error().code == adsi::hr::PROPERTY_NOT_FOUND)
      Decsription_Text->clear();
    // The non-members by identity, so that each member is found in one look-up. The non-members
    // are the domain's users only, so a member that is a group, a computer or another domain's
    // account is never found and neither shown nor counted.
    QHash<QString, QTreeWidgetItem*> byIdentity;
    byIdentity.reserve(NotMembers->count());
    const bool nt = ntMode();
    for (int i = 1; i <= NotMembers->count(); ++i)
      byIdentity.insert(nt ? NotMembers->text(i).toCaseFolded() : dnOfKey(NotMembers->key(i)),
                        NotMembers->item(i));
    QSet<QTreeWidgetItem*> found;
    const auto take = [&](QTreeWidgetItem* row) {
      if (!row) return;
      found.insert(row);
      ++count;
    };
    if (nt) {
      if (auto members = group->Members())
        for (const adsi::AdsObject& member : *members)
          if (member.Class().compare(QLatin1StringView("user"), Qt::CaseInsensitive) == 0)
            take(byIdentity.take(member.Name().toCaseFolded()));
    } else if (auto members = group->GetEx(QStringLiteral("member"))) {
      // The member names themselves: no member object needs to be bound.
      for (const QVariant& value : *members) {
        const QString dn = value.toString();
        QTreeWidgetItem* row = byIdentity.take(dn.toCaseFolded());
        take(row ? row : byIdentity.take(canonicalDn(dn)));
      }
    }
    if (!found.isEmpty()) {
      QList<QTreeWidgetItem*> stay, move;
      for (QTreeWidgetItem* row : takeAll(NotMembers)) {
        row->setSelected(false);
        (found.contains(row) ? move : stay) << row;
      }
      NotMembers->addTopLevelItems(stay);
      std::stable_sort(move.begin(), move.end(), lessText);
      Members->addTopLevelItems(move);
    }
  }
  setStatus(QStringLiteral("Number of Members = ") + QString::number(count));
}

void Groupsfrm::Command1_Click() {
  if (Members->count() == 0) return;
  ui::HourglassGuard busy;
  auto group = bindGroup(selectedGroupPath());
  if (!group) {
    setStatus(QStringLiteral("Could not connect to Group"));
    return;
  }
  for (int i = Members->count(); i >= 1; --i) {
    if (!Members->item(i)->isSelected()) continue;
    const QString text = Members->text(i), key = Members->key(i), icon = Members->smallIcon(i);
    if (!group->Remove(ntMode() ? ntPath(text) : key).ok()) {
      ui::feedback().beep();
      continue;
    }
    NotMembers->add(text, ntMode() ? QString() : key, icon);
    Members->remove(i);
  }
}

void Groupsfrm::Command2_Click() {
  if (NotMembers->count() == 0) return;
  ui::HourglassGuard busy;
  auto group = bindGroup(selectedGroupPath());
  if (!group) {
    setStatus(QStringLiteral("Error Connecting to Group"));
    ui::feedback().beep();
    return;
  }
  for (int i = NotMembers->count(); i >= 1; --i) {
    if (!NotMembers->item(i)->isSelected()) continue;
    const QString text = NotMembers->text(i), key = NotMembers->key(i), icon = NotMembers->smallIcon(i);
    if (!group->Add(ntMode() ? ntPath(text) : key).ok()) {
      ui::feedback().beep();
      continue;
    }
    Members->add(text, ntMode() ? QString() : key, icon);
    NotMembers->remove(i);
  }
}

void Groupsfrm::Delete_Group_Click() {
  const int row = ListView1->selectedIndex();
  const auto failed = [] { ui::prompter().MsgBox(QStringLiteral("Error Deleting Group"), 0); };
  if (row == 0) {
    failed();
    return;
  }
  const QString name = ListView1->text(row);
  if (ui::prompter().MsgBox(QStringLiteral("Sure to Delete Global Group ") + name, 1 + 32,
                            QStringLiteral("Delete Group")) != ui::MsgBoxResult::OK)
    return;
  const QString key = ListView1->key(row);
  {
    ui::HourglassGuard busy;
    auto group = bindGroup(selectedGroupPath());
    if (!group) return failed();
    auto dir = directory::requireDirectory();
    if (!dir) return failed();
    auto parent = (*dir)->GetObject(group->Parent());
    if (!parent) return failed();
    if (!parent->Delete(QStringLiteral("group"), group->Name()).ok()) return failed();
  }

  ListView1->remove(row);
  returnMembers();
  if (theLinks().clearUserTab) theLinks().clearUserTab();
  // Every other list of groups, and the bulk window's selection, loses the group.
  const bool nt = ntMode();
  const auto matches = [&](const bulk::ListItem& item) {
    return nt ? item.key.isEmpty() && item.text == name : item.key == key;
  };
  if (theLinks().groupRemoved) theLinks().groupRemoved(key, name, nt);
  for (bulk::KeyedList* list : {&bulk::catalogue().groups, &bulk::catalogue().selection})
    for (int i = 1; i <= list->count();)
      if (list->at(i).icon != kUser && matches(list->at(i)))
        list->remove(i);
      else
        ++i;

  const QStringList templates = templatesNaming(name);
  if (!templates.isEmpty())
    ui::prompter().MsgBox(QStringLiteral("The group ") + name +
                              QStringLiteral(" is still named by these templates: ") +
                              templates.join(QStringLiteral(", ")),
                          ui::kStyleExclamation, QStringLiteral("Delete Group"));
}

void Groupsfrm::Add_Group_Click() {
  GroupAdd dialog(this);
  dialog.exec();
}

void Groupsfrm::ExitButton_Click() {
  returnMembers();
  hide();
}

void Groupsfrm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The lists are filled while the window is hidden; names such as "Pre-Windows 2000 Compatible
  // Access" would otherwise be cut off.
  ListView1->resizeColumnToContents(0);
  ListView1->setColumnWidth(0, std::max(ListView1->columnWidth(0), kNameColumnWidth));
}

void Groupsfrm::closeEvent(QCloseEvent* event) {
  // Closing by the title bar is Exit: the window and its lists stay.
  ExitButton_Click();
  event->ignore();
}

}  // namespace tavrel::groups
