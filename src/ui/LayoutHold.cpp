#include "ui/LayoutHold.h"

namespace tavrel::ui {

void LayoutHoldingTree::holdLayout(bool hold) {
  if (held_ == hold) return;
  held_ = hold;
  if (hold) return;
  executeDelayedItemsLayout();
  if (pendingScroll_.isValid()) QTreeWidget::scrollTo(pendingScroll_, pendingHint_);
  pendingScroll_ = QPersistentModelIndex();
}

void LayoutHoldingTree::doItemsLayout() {
  if (held_) {
    // Still owed: anything that needs the layout before the release asks for it again.
    scheduleDelayedItemsLayout();
    return;
  }
  QTreeWidget::doItemsLayout();
}

void LayoutHoldingTree::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (held_) {
    pendingScroll_ = index;
    pendingHint_ = hint;
    return;
  }
  QTreeWidget::scrollTo(index, hint);
}

LayoutHoldScope::LayoutHoldScope(QTreeWidget* tree) : tree_(dynamic_cast<LayoutHoldingTree*>(tree)) {
  if (tree_ && tree_->layoutHeld()) tree_ = nullptr;  // an outer scope holds it already
  if (tree_) tree_->holdLayout(true);
}

LayoutHoldScope::~LayoutHoldScope() {
  if (tree_) tree_->holdLayout(false);
}

}  // namespace tavrel::ui
