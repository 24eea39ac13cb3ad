#pragma once

#include <QPersistentModelIndex>
#include <QTreeWidget>

namespace tavrel::ui {

// A tree widget whose item layout can be held back during a batch of insertions. Qt lays out
// every expanded row again after each insertion (and on each scroll), so a batch that returns to
// the event loop between insertions pays for the whole tree each time. While held, the layout
// stays scheduled (so Qt treats every insertion and expansion as part of one coming layout) and
// the last scroll request is kept; releasing lays the tree out once and makes that row visible.
// Hold only while the widget is neither painted nor used (its window disabled, updates off).
// Scroll requests must come through scrollTo: QTreeWidget::scrollToItem bypasses it, and while
// the layout is held it would find nothing to scroll to.
class LayoutHoldingTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

  void holdLayout(bool hold);
  bool layoutHeld() const { return held_; }

  void doItemsLayout() override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 private:
  bool held_ = false;
  QPersistentModelIndex pendingScroll_;
  ScrollHint pendingHint_ = EnsureVisible;
};

// Holds a tree's layout for the lifetime of the scope (no effect on a tree of another kind).
class LayoutHoldScope {
 public:
  explicit LayoutHoldScope(QTreeWidget* tree);
  ~LayoutHoldScope();
  LayoutHoldScope(const LayoutHoldScope&) = delete;
  LayoutHoldScope& operator=(const LayoutHoldScope&) = delete;

 private:
  LayoutHoldingTree* tree_;
};

}  // namespace tavrel::ui
