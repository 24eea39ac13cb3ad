// A tree whose layout is held during a batch: what is inserted, expanded and scrolled to while it
// is held is all there, laid out and in view once it is released.

#include "ui/LayoutHold.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>

using namespace tavrel;

namespace {

struct Tree : ::testing::Test {
  ui::LayoutHoldingTree tree;
  QTreeWidgetItem* parent = nullptr;

  void SetUp() override {
    tree.resize(200, 120);
    tree.setUniformRowHeights(true);
    parent = new QTreeWidgetItem(QStringList{"Staff"});
    tree.addTopLevelItem(parent);
    for (int i = 0; i < 50; ++i) parent->addChild(new QTreeWidgetItem(QStringList{QString("User %1").arg(i)}));
    parent->setExpanded(true);
    tree.show();
    QApplication::processEvents();
  }
  bool inView(QTreeWidgetItem* item) {
    const QRect r = tree.visualItemRect(item);
    return r.isValid() && tree.viewport()->rect().contains(r);
  }
};

TEST_F(Tree, ABatchHeldIsLaidOutAndScrolledOnceReleased) {
  QTreeWidgetItem* last = nullptr;
  {
    ui::LayoutHoldScope hold(&tree);
    EXPECT_TRUE(tree.layoutHeld());
    for (int i = 0; i < 20; ++i) {
      last = new QTreeWidgetItem(QStringList{QString("New %1").arg(i)});
      parent->addChild(last);
      // As the creation asks for it: through the view's scrollTo (scrollToItem bypasses it).
      tree.scrollTo(tree.model()->index(parent->indexOfChild(last), 0, tree.model()->index(0, 0)));
      QApplication::processEvents();  // the event loop turns as in an import
    }
    EXPECT_EQ(tree.verticalScrollBar()->value(), 0) << "nothing scrolled while held";
  }
  EXPECT_FALSE(tree.layoutHeld());
  EXPECT_TRUE(inView(last)) << "the last row asked for is in view";
  EXPECT_EQ(parent->childCount(), 70);
  // Every row is laid out: the first one asked for is found where the view says it is.
  tree.scrollToItem(parent->child(50));
  EXPECT_TRUE(inView(parent->child(50)));
  EXPECT_EQ(tree.itemAt(tree.visualItemRect(parent->child(50)).center()), parent->child(50));
}

TEST_F(Tree, ANestedHoldLeavesTheReleaseToTheOuterOne) {
  ui::LayoutHoldScope outer(&tree);
  { ui::LayoutHoldScope inner(&tree); }
  EXPECT_TRUE(tree.layoutHeld());
}

TEST(LayoutHold, APlainTreeIsLeftAlone) {
  QTreeWidget plain;
  ui::LayoutHoldScope hold(&plain);  // no effect, no crash
  plain.addTopLevelItem(new QTreeWidgetItem(QStringList{"x"}));
  EXPECT_EQ(plain.topLevelItemCount(), 1);
}

}  // namespace
