#include "ui/ListView.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

using tavrel::ui::ImageList;
using tavrel::ui::ListView;

namespace {

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    images.add("SITE", tavrel::ui::glyphIcon(Qt::darkGreen, 'S'));
    images.add("USER", tavrel::ui::glyphIcon(Qt::blue, 'U'));
    list.setImageList(&images);
    list.setColumns({"Name", "Value"});
  }
  QStringList texts() const {
    QStringList out;
    for (int i = 1; i <= list.count(); ++i) out << list.text(i);
    return out;
  }
  // Types into the open label editor and ends the edit with the given key.
  void typeLabel(const QString& text, int key) {
    auto* editor = list.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "no label editor open";
    editor->setText(text);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(editor, &press);
    QApplication::processEvents();                                    // Return commits through a queued call
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed editor goes
  }
  ImageList images;
  ListView list;
};

TEST_F(ListViewTest, RowsCarryTextKeyIconAndSubItemsNumberedFromOne) {
  list.add("beta", "k2", "USER");
  list.add("alpha", "k1", "SITE");
  list.setSubItem(2, 1, "value");
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(texts(), (QStringList{"beta", "alpha"})) << "unsorted lists append at the end";
  EXPECT_EQ(list.key(2), "k1");
  EXPECT_EQ(list.smallIcon(1), "USER");
  EXPECT_FALSE(list.item(1)->icon(0).isNull());
  EXPECT_EQ(list.subItem(2, 1), "value");
  EXPECT_EQ(list.item(0), nullptr);
  EXPECT_EQ(list.item(3), nullptr);
  EXPECT_EQ(list.text(3), "");

  EXPECT_TRUE(list.remove(1));
  EXPECT_FALSE(list.remove(5));
  EXPECT_EQ(texts(), (QStringList{"alpha"}));
}

TEST_F(ListViewTest, KeysNeedNotBeUniqueAndUnknownIconsAreRefused) {
  list.add("a", "same");
  list.add("b", "same");
  EXPECT_EQ(list.findKey("same"), 1);
  EXPECT_EQ(list.findKey("SAME"), 0) << "keys match exactly";
  EXPECT_EQ(list.add("c", "", "NOPE"), nullptr);
  EXPECT_EQ(list.count(), 2) << "a row with an unknown icon is not half-added";
  EXPECT_FALSE(list.setSmallIcon(1, "NOPE"));
  EXPECT_EQ(list.smallIcon(1), "");
}

TEST_F(ListViewTest, SortedListKeepsOrderByKeyColumnAndOrderIgnoringCase) {
  list.add("beta");
  list.add("Alpha");
  list.add("");
  list.setSorted(true);
  EXPECT_EQ(texts(), (QStringList{"", "Alpha", "beta"})) << "an empty text sorts first";
  list.add("alpha2");
  EXPECT_EQ(texts(), (QStringList{"", "Alpha", "alpha2", "beta"}));
  list.setSortOrder(Qt::DescendingOrder);
  EXPECT_EQ(texts(), (QStringList{"beta", "alpha2", "Alpha", ""}));
  list.add("BETA");
  list.add("b");
  list.add("zz");
  EXPECT_EQ(texts(), (QStringList{"zz", "beta", "BETA", "b", "alpha2", "Alpha", ""}))
      << "added rows take their place; equal texts keep the order they came in";
  for (int i = 7; i >= 4; --i) list.remove(i);

  list.setSortOrder(Qt::AscendingOrder);
  list.setSubItem(1, 1, "z");
  list.setSubItem(2, 1, "a");
  list.setSortKey(1);
  EXPECT_EQ(list.subItem(list.count(), 1), "z");
}

TEST_F(ListViewTest, ColumnClickOnlyReports) {
  list.add("b");
  list.add("a");
  int clicked = -1;
  QObject::connect(&list, &ListView::columnClick, [&](int c) { clicked = c; });
  emit list.header()->sectionClicked(1);
  EXPECT_EQ(clicked, 1);
  EXPECT_EQ(texts(), (QStringList{"b", "a"}));
}

TEST_F(ListViewTest, LabelEditAsksBeforeAndAfterAndMayCancel) {
  list.show();
  list.add("old");
  bool refuseStart = true;
  QObject::connect(&list, &ListView::beforeLabelEdit, [&](bool& cancel) { cancel = refuseStart; });
  EXPECT_FALSE(list.startLabelEdit(1));
  EXPECT_FALSE(list.isEditingLabel());
  EXPECT_FALSE(list.startLabelEdit(2)) << "no such row";

  refuseStart = false;
  QStringList seen;
  bool refuseText = true;
  QObject::connect(&list, &ListView::afterLabelEdit, [&](bool& cancel, const QString& s) {
    seen << s;
    cancel = refuseText;
  });
  ASSERT_TRUE(list.startLabelEdit(1));
  typeLabel("refused", Qt::Key_Return);
  EXPECT_EQ(seen, (QStringList{"refused"}));
  EXPECT_EQ(list.text(1), "old") << "a cancelled edit keeps the old text";
  EXPECT_FALSE(list.isEditingLabel());

  refuseText = false;
  ASSERT_TRUE(list.startLabelEdit(1));
  typeLabel("new", Qt::Key_Return);
  EXPECT_EQ(list.text(1), "new");
}

TEST_F(ListViewTest, EscapeAbandonsWithoutAfterLabelEdit) {
  list.show();
  list.add("old");
  int after = 0, abandoned = 0;
  QObject::connect(&list, &ListView::afterLabelEdit, [&](bool&, const QString&) { ++after; });
  QObject::connect(&list, &ListView::labelEditAbandoned, [&] { ++abandoned; });
  ASSERT_TRUE(list.startLabelEdit(1));
  typeLabel("typed", Qt::Key_Escape);
  EXPECT_EQ(after, 0);
  EXPECT_EQ(abandoned, 1);
  EXPECT_EQ(list.text(1), "old");
}

TEST_F(ListViewTest, HandlerMayRemoveTheEditedRowAndTheSortWaitsForTheEdit) {
  list.show();
  list.add("m");
  list.setSorted(true);
  list.add("");  // a new, still unnamed row sorts first
  ASSERT_EQ(list.text(1), "");
  QObject::connect(&list, &ListView::afterLabelEdit, [&](bool& cancel, const QString& s) {
    if (s.trimmed().isEmpty()) {
      cancel = true;
      list.remove(list.selectedIndex());
    }
  });
  ASSERT_TRUE(list.startLabelEdit(1));
  typeLabel("  ", Qt::Key_Return);
  EXPECT_EQ(texts(), (QStringList{"m"}));

  list.add("");
  ASSERT_TRUE(list.startLabelEdit(1));
  typeLabel("z", Qt::Key_Return);
  EXPECT_EQ(texts(), (QStringList{"m", "z"})) << "the named row takes its sorted place";
}

TEST_F(ListViewTest, SelectionIsTheCurrentRow) {
  EXPECT_EQ(list.selectedItem(), nullptr);
  EXPECT_EQ(list.selectedIndex(), 0);
  list.add("a");
  list.add("b");
  list.setSelectedIndex(2);
  EXPECT_EQ(list.selectedIndex(), 2);
  EXPECT_EQ(list.selectedItem()->text(0), "b");
}

// A row the list made current without the administrator choosing it is not the selection: the
// current row after the list takes the focus or after a click on its empty part.
TEST_F(ListViewTest, ACurrentRowThatIsNotSelectedIsNoSelection) {
  list.add("a");
  list.add("b");
  list.add("c");
  list.setCurrentItem(list.item(1), 0, QItemSelectionModel::NoUpdate);
  ASSERT_EQ(list.currentItem(), list.item(1));
  EXPECT_EQ(list.selectedItem(), nullptr);
  EXPECT_EQ(list.selectedIndex(), 0);

  list.setSelectedIndex(2);
  list.clearSelection();
  EXPECT_EQ(list.selectedIndex(), 0) << "a cleared selection leaves no row chosen";
}

TEST_F(ListViewTest, DoubleClickIsReportedOnRowsAndOnTheEmptyPart) {
  list.resize(300, 200);
  list.show();
  int clicks = 0;
  QObject::connect(&list, &ListView::dblClick, [&] { ++clicks; });
  auto doubleClick = [&](QPoint at) {
    QMouseEvent e(QEvent::MouseButtonDblClick, at, list.viewport()->mapToGlobal(at), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &e);
  };
  doubleClick({20, 150});
  EXPECT_EQ(clicks, 1) << "an empty list reports it";
  list.add("a");
  doubleClick(list.visualItemRect(list.item(1)).center());
  EXPECT_EQ(clicks, 2);
}

}  // namespace
