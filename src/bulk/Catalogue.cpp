#include "bulk/Catalogue.h"

#include <QBrush>
#include <QPalette>
#include <algorithm>

namespace tavrel::bulk {
namespace {

std::function<QIcon(const QString&)>& iconSource() {
  static std::function<QIcon(const QString&)> source;
  return source;
}

quint64 nextId() {
  static quint64 last = 0;
  return ++last;
}

const ListItem& emptyItem() {
  static const ListItem empty;
  return empty;
}

}  // namespace

KeyedList::KeyedList(const QString& name, QObject* parent) : QAbstractListModel(parent) {
  setObjectName(name);
}

void KeyedList::setIconSource(std::function<QIcon(const QString&)> source) {
  iconSource() = std::move(source);
}

int KeyedList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count();
}

QVariant KeyedList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= count()) return {};
  const ListItem& item = items_[size_t(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return item.text;
    case Qt::DecorationRole:
      return iconSource() ? QVariant(iconSource()(item.icon)) : QVariant();
    case Qt::ForegroundRole:
      // A ghosted item is drawn greyed, like a disabled one.
      return item.ghosted ? QVariant(QPalette().brush(QPalette::Disabled, QPalette::Text)) : QVariant();
    case kKeyRole:
      return item.key;
    case kIconRole:
      return item.icon;
    case kGhostedRole:
      return item.ghosted;
    default:
      return {};
  }
}

QVariant KeyedList::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) return caption_;
  return {};
}

const ListItem& KeyedList::at(int index) const {
  return index >= 1 && index <= count() ? items_[size_t(index - 1)] : emptyItem();
}

void KeyedList::setGhosted(int index, bool on) {
  if (index < 1 || index > count()) return;
  items_[size_t(index - 1)].ghosted = on;
  const QModelIndex i = this->index(index - 1);
  emit dataChanged(i, i);
}

void KeyedList::setText(int index, const QString& text) {
  if (index < 1 || index > count()) return;
  items_[size_t(index - 1)].text = text;
  const QModelIndex i = this->index(index - 1);
  emit dataChanged(i, i);
}

void KeyedList::setKey(int index, const QString& key) {
  if (index < 1 || index > count()) return;
  ListItem& item = items_[size_t(index - 1)];
  forgetKey(item.key);
  item.key = key;
  if (!key.isEmpty()) ++keyCount_[key];
}

int KeyedList::findKey(const QString& key) const {
  if (key.isEmpty() || !keyCount_.contains(key)) return 0;
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].key == key) return int(i) + 1;
  return 0;
}

int KeyedList::findId(quint64 id, int hint) const {
  if (hint >= 1 && hint <= count() && items_[size_t(hint - 1)].id == id) return hint;
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].id == id) return int(i) + 1;
  return 0;
}

bool KeyedList::add(const QString& text, const QString& key, const QString& icon) {
  return append(ListItem{key, text, icon, false, nextId()});
}

bool KeyedList::append(const ListItem& item) {
  if (!item.key.isEmpty() && keyCount_.contains(item.key)) return false;
  const int row = count();
  beginInsertRows(QModelIndex(), row, row);
  ListItem copy = item;
  copy.ghosted = false;
  if (copy.id == 0) copy.id = nextId();
  items_.push_back(std::move(copy));
  if (!item.key.isEmpty()) ++keyCount_[item.key];
  endInsertRows();
  return true;
}

bool KeyedList::remove(int index) {
  if (index < 1 || index > count()) return false;
  beginRemoveRows(QModelIndex(), index - 1, index - 1);
  forgetKey(items_[size_t(index - 1)].key);
  items_.erase(items_.begin() + (index - 1));
  endRemoveRows();
  return true;
}

void KeyedList::clear() {
  beginResetModel();
  items_.clear();
  keyCount_.clear();
  endResetModel();
}

QStringList KeyedList::texts() const {
  QStringList out;
  out.reserve(count());
  for (const ListItem& i : items_) out << i.text;
  return out;
}

QStringList KeyedList::keys() const {
  QStringList out;
  out.reserve(count());
  for (const ListItem& i : items_) out << i.key;
  return out;
}

void KeyedList::forgetKey(const QString& key) {
  if (key.isEmpty()) return;
  auto it = keyCount_.find(key);
  if (it == keyCount_.end()) return;
  if (--*it == 0) keyCount_.erase(it);
}

Catalogue::Catalogue()
    : selection(QStringLiteral("ListView1")),
      users(QStringLiteral("ListView2")),
      groups(QStringLiteral("ListView3")),
      ous(QStringLiteral("ListView4")) {
  selection.setCaption(QStringLiteral("Selected Users/Groups/OU's"));
  users.setCaption(QStringLiteral("Users"));
  groups.setCaption(QStringLiteral("Groups"));
  ous.setCaption(QStringLiteral("OU's"));
}

KeyedList& Catalogue::sourceFor(const QString& icon) {
  if (isUserKind(icon)) return users;
  if (icon == QLatin1String("OU")) return ous;
  return groups;
}

namespace {

// The rows in descending order, each once, inside 1..count: removing them in this order keeps the
// numbers of those not yet removed valid.
QList<int> lastToFirst(QList<int> rows, int count) {
  rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 1 || r > count; }), rows.end());
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

}  // namespace

void Catalogue::toSelection(KeyedList& from, QList<int> rows) {
  for (int row : lastToFirst(std::move(rows), from.count())) {
    const ListItem item = from.at(row);
    from.remove(row);
    selection.append(item);
  }
}

void Catalogue::fromSelection(QList<int> rows, bool keepGhostedUsers) {
  for (int row : lastToFirst(std::move(rows), selection.count())) {
    const ListItem item = selection.at(row);
    selection.remove(row);
    if (item.ghosted && isUserKind(item.icon) && !keepGhostedUsers) continue;
    // A source that already holds the key has the item: nothing is lost by not adding it twice.
    sourceFor(item.icon).append(item);
  }
}

void Catalogue::returnAll() {
  QList<int> all;
  for (int i = 1; i <= selection.count(); ++i) all << i;
  fromSelection(all);
}

void Catalogue::clear() {
  for (KeyedList* l : {&selection, &users, &groups, &ous}) l->clear();
}

QStringList Catalogue::invariantBreaches() const {
  QHash<QString, QString> seen;  // identity -> list name
  QStringList breaches;
  for (const KeyedList* l : {&selection, &users, &groups, &ous})
    for (const ListItem& i : l->items()) {
      const QString identity = i.key.isEmpty() ? i.icon + u'\n' + i.text : i.key;
      auto it = seen.find(identity);
      if (it != seen.end())
        breaches
            << QStringLiteral("%1 in %2 and %3").arg(i.key.isEmpty() ? i.text : i.key, *it, l->objectName());
      else
        seen.insert(identity, l->objectName());
    }
  return breaches;
}

void Catalogue::renameUser(const QString& oldKey, const QString& newKey, const QString& text) {
  for (KeyedList* l : {&users, &selection})
    if (const int row = l->findKey(oldKey)) {
      l->setKey(row, newKey);
      l->setText(row, text);
    }
}

void Catalogue::renameNtUser(const QString& oldText, const QString& newText) {
  for (KeyedList* l : {&users, &selection})
    for (int i = 1; i <= l->count(); ++i)
      if (isUserKind(l->smallIcon(i)) && l->text(i) == oldText) {
        l->setText(i, newText);
        break;
      }
}

Catalogue& catalogue() {
  static Catalogue theCatalogue;
  return theCatalogue;
}

}  // namespace tavrel::bulk
