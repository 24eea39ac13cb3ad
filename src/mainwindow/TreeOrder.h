#pragma once
// The domain tree's nodes. Users are leaves. Children that keep themselves sorted are ordered by
// their text, letter case ignored, equal texts in the order they came: the tree loader sorts by it
// and a node added later goes to its place by it, so the tree reads the same after a restart.

#include <QTreeWidgetItem>

#include <algorithm>

namespace tavrel::mainwindow {

// A user's node never has children: the view then skips the look-ups it makes for nodes that may
// be expanded, which adds up over the thousands of users a domain shows.
inline void markLeaf(QTreeWidgetItem* node) {
  node->setFlags(node->flags() | Qt::ItemNeverHasChildren);
}

inline bool treeTextBefore(const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
  return a->text(0).compare(b->text(0), Qt::CaseInsensitive) < 0;
}

// Inserts `node` among `parent`'s sorted children, after those that do not sort behind it: one
// binary search rather than a sort of every child.
inline void insertSortedChild(QTreeWidgetItem* parent, QTreeWidgetItem* node) {
  int lo = 0, hi = parent->childCount();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (treeTextBefore(node, parent->child(mid)))
      hi = mid;
    else
      lo = mid + 1;
  }
  parent->insertChild(lo, node);
}

}  // namespace tavrel::mainwindow
