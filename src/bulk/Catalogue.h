#pragma once
// The bulk window's four lists as models that live outside any window: the users, groups and OUs
// of the connected domain and the selection. The domain loaders, the creation run and the
// operations change them without a widget; the window only shows them.
//
// An item is in exactly one of the four lists. Moving it appends an item with the same key, text
// and kind to the end of the target and removes the old one; the ghosted mark is not carried.
// Rows are numbered from 1, as the windows count them.

#include <QAbstractListModel>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tavrel::bulk {

struct ListItem {
  QString key;           // AD: the user's or group's path, the OU's DN; NT: empty
  QString text;          // the shown name (NT: the account or group name the operations use)
  QString icon;          // "USER", "OU", "W2KGRP", "Global", "Local"
  bool ghosted = false;  // a deleted account: the bulk delete marks what it processed
  quint64 id = 0;        // unique for the life of the process; follows the item through moves
};

// True for the kinds that stand for a user account.
inline bool isUserKind(const QString& icon) {
  return icon == QLatin1String("USER");
}

class KeyedList : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit KeyedList(const QString& name, QObject* parent = nullptr);

  static constexpr int kKeyRole = Qt::UserRole + 1;
  static constexpr int kIconRole = Qt::UserRole + 2;
  static constexpr int kGhostedRole = Qt::UserRole + 3;

  // The icon shown for a kind (the main window's image list when it installs one).
  static void setIconSource(std::function<QIcon(const QString&)> source);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void setCaption(const QString& caption) { caption_ = caption; }

  int count() const { return int(items_.size()); }
  // Row `index` (1..count); the rows outside give an empty item.
  const ListItem& at(int index) const;
  QString text(int index) const { return at(index).text; }
  QString key(int index) const { return at(index).key; }
  QString smallIcon(int index) const { return at(index).icon; }
  bool ghosted(int index) const { return at(index).ghosted; }
  void setGhosted(int index, bool on);
  void setText(int index, const QString& text);
  void setKey(int index, const QString& key);
  // The first row whose key equals `key` exactly (empty keys are never found), or 0.
  int findKey(const QString& key) const;
  // The row holding item `id`, or 0; `hint` (a row) is tried first.
  int findId(quint64 id, int hint = 0) const;

  // Appends an item with a new id. Refused (false) when `key` is not empty and already in the list.
  bool add(const QString& text, const QString& key = {}, const QString& icon = {});
  // Appends a moved item, keeping its id and dropping its ghosted mark. Refused like add().
  bool append(const ListItem& item);
  bool remove(int index);
  void clear();

  const std::vector<ListItem>& items() const { return items_; }
  QStringList texts() const;
  QStringList keys() const;

 private:
  void forgetKey(const QString& key);

  std::vector<ListItem> items_;
  QHash<QString, int> keyCount_;  // non-empty keys in the list
  QString caption_;
};

class Catalogue {
 public:
  Catalogue();
  KeyedList selection;  // ListView1
  KeyedList users;      // ListView2
  KeyedList groups;     // ListView3
  KeyedList ous;        // ListView4

  // Where an item of the selection returns to: "USER" to users, "OU" to ous, others to groups.
  KeyedList& sourceFor(const QString& icon);

  // Moves rows `rows` (1-based) of `from` to the end of the selection. Every listed row moves,
  // whatever the order given; the relative order of the moved items is kept from last to first,
  // as the window walks them.
  void toSelection(KeyedList& from, QList<int> rows);
  // Returns rows `rows` of the selection to their source lists; a ghosted user item is dropped
  // (its account no longer exists) unless `keepGhostedUsers`. Every listed row leaves the
  // selection. An item whose key its source already holds is not added twice.
  void fromSelection(QList<int> rows, bool keepGhostedUsers = false);
  // Returns every item of the selection, dropping ghosted user items.
  void returnAll();
  // Empties the four lists.
  void clear();

  // A renamed user: the item of the users list or the selection keyed `oldKey` gets `newKey` and
  // `text`.
  void renameUser(const QString& oldKey, const QString& newKey, const QString& text);
  // A renamed NT account (its items carry no key): the first item of the users list and of the
  // selection whose text is `oldText` gets `newText`.
  void renameNtUser(const QString& oldText, const QString& newText);

  // The items that break the one-list rule: the same item (key, or kind and text when it has no
  // key) in two lists or twice in one. Empty when the rule holds.
  QStringList invariantBreaches() const;
};

// The catalogue of the program (one for the life of the process).
Catalogue& catalogue();

}  // namespace tavrel::bulk
