// The bulk window's lists: moves between the source lists and the selection, ghosted items, the
// one-list rule after every move, Close, double-clicks and the tool tips.

#include "BulkFixture.h"

#include <QCoreApplication>
#include <QMouseEvent>

using namespace tavrel;

namespace {

class ListMoves : public test::BulkFixture {
 public:
  void pick(QTreeView* view, const QStringList& texts) {
    auto* model = static_cast<bulk::KeyedList*>(view->model());
    view->clearSelection();
    for (const QString& t : texts) {
      const int row = int(model->texts().indexOf(t));
      ASSERT_GE(row, 0) << t.toStdString();
      view->selectionModel()->select(model->index(row),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
      view->selectionModel()->setCurrentIndex(model->index(row), QItemSelectionModel::NoUpdate);
    }
  }
  void ghost(const QString& text) {
    bulk::KeyedList& s = bulk::catalogue().selection;
    const int row = int(s.texts().indexOf(text)) + 1;
    ASSERT_GT(row, 0);
    s.setGhosted(row, true);
  }
  static QStringList everywhere() {
    bulk::Catalogue& c = bulk::catalogue();
    return c.selection.texts() + c.users.texts() + c.groups.texts() + c.ous.texts();
  }
};

TEST_F(ListMoves, MovesKeepEveryItemInExactlyOneList) {
  struct Case {
    const char* name;
    QStringList selectedFirst;  // moved into the selection before the action
    QStringList ghosted;        // of those, marked as deleted
    std::function<void(bulk::MultiUser&, ListMoves&)> act;
    QStringList selectionAfter;
    QStringList dropped;  // gone from every list
  };
  const Case cases[] = {
      {">> takes every selected row of the three source lists, each list from its last row",
       {},
       {},
       [](bulk::MultiUser& m, ListMoves& t) {
         t.pick(m.View2, {"Alice Archer", "Bob Baker"});
         t.pick(m.View3, {"Sales Team"});
         t.pick(m.View4, {"Sales"});
         m.Command1_Click();
       },
       {"(the two users, last listed first)", "Sales Team", "Sales"},
       {}},
      {">> with nothing selected changes nothing",
       {},
       {},
       [](bulk::MultiUser& m, ListMoves&) { m.Command1_Click(); },
       {},
       {}},
      {"<< returns every selected item, adjacent ones too",
       {"Alice Archer", "Bob Baker", "dave", "Sales Team"},
       {},
       [](bulk::MultiUser& m, ListMoves& t) {
         t.pick(m.View1, {"Alice Archer", "Bob Baker", "dave"});
         m.Command2_Click();
       },
       {"Sales Team"},
       {}},
      {"<< on an empty selection changes nothing",
       {},
       {},
       [](bulk::MultiUser& m, ListMoves&) { m.Command2_Click(); },
       {},
       {}},
      {"<< drops a ghosted user and returns a ghosted group",
       {"Alice Archer", "Sales Team", "Bob Baker"},
       {"Alice Archer", "Sales Team"},
       [](bulk::MultiUser& m, ListMoves& t) {
         t.pick(m.View1, {"Alice Archer", "Sales Team"});
         m.Command2_Click();
       },
       {"Bob Baker"},
       {"Alice Archer"}},
      {"a double-click on the selection drops a ghosted user too",
       {"Alice Archer", "Bob Baker"},
       {"Alice Archer"},
       [](bulk::MultiUser& m, ListMoves& t) {
         t.pick(m.View1, {"Alice Archer"});
         m.ListView_DblClick(m.View1);
       },
       {"Bob Baker"},
       {"Alice Archer"}},
      {"a double-click on the selection returns a live item to its source",
       {"Sales", "Bob Baker"},
       {},
       [](bulk::MultiUser& m, ListMoves& t) {
         t.pick(m.View1, {"Sales"});
         m.ListView_DblClick(m.View1);
       },
       {"Bob Baker"},
       {}},
      {"a double-click on a source list moves its current row",
       {},
       {},
       [](bulk::MultiUser& m, ListMoves& t) {
         t.pick(m.View4, {"East"});
         m.ListView_DblClick(m.View4);
       },
       {"East"},
       {}},
      {"a double-click moves nothing while a delete runs",
       {"dave"},
       {},
       [](bulk::MultiUser& m, ListMoves& t) {
         m.Del_User->setText("&Cancel");
         t.pick(m.View2, {"Bob Baker"});
         m.ListView_DblClick(m.View2);
         t.pick(m.View1, {"dave"});
         m.ListView_DblClick(m.View1);
         m.Del_User->setText("&Delete Users");
       },
       {"dave"},
       {}},
      {"Close returns everything and drops ghosted users",
       {"Alice Archer", "Sales Team", "Sales", "Bob Baker"},
       {"Bob Baker", "Sales"},
       [](bulk::MultiUser& m, ListMoves&) { m.Command7_Click(); },
       {},
       {"Bob Baker"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bulk::MultiUser::unload();
    adMode();
    bulk::MultiUser& m = window();
    const QStringList before = everywhere();
    select(c.selectedFirst);
    for (const QString& g : c.ghosted) ghost(g);
    c.act(m, *this);
    QStringList expectedSelection = c.selectionAfter;
    if (expectedSelection.value(0) == "(the two users, last listed first)") {
      const bool aliceFirst = before.indexOf("Alice Archer") < before.indexOf("Bob Baker");
      expectedSelection.replace(0, aliceFirst ? "Bob Baker" : "Alice Archer");
      expectedSelection.insert(1, aliceFirst ? "Alice Archer" : "Bob Baker");
    }
    EXPECT_EQ(m.ListView1->texts(), expectedSelection);
    EXPECT_EQ(bulk::catalogue().invariantBreaches(), QStringList());
    QStringList expected = before;
    for (const QString& d : c.dropped) expected.removeAll(d);
    QStringList after = everywhere();
    after.sort();
    expected.sort();
    EXPECT_EQ(after, expected) << "nothing lost but the ghosted users";
    // A returned item keeps its key and kind.
    EXPECT_EQ(m.ListView2->findKey(davePath()) > 0 || m.ListView1->findKey(davePath()) > 0, true);
  }
}

TEST_F(ListMoves, ReturnedItemsGoToTheListOfTheirKind) {
  bulk::MultiUser& m = window();
  select({"Sales Team", "Sales", "dave"});
  m.Command7_Click();
  EXPECT_GT(m.ListView3->findKey(teamPath()), 0);
  EXPECT_EQ(m.ListView3->smallIcon(m.ListView3->findKey(teamPath())), "W2KGRP");
  EXPECT_GT(m.ListView4->findKey(salesDn()), 0);
  EXPECT_GT(m.ListView2->findKey(davePath()), 0);
  EXPECT_TRUE(m.isHidden());
}

TEST_F(ListMoves, CloseResetsTheUnlockButtonAndTheStatus) {
  struct Case {
    int mode;
    QString exchangeAfter;
  } const cases[] = {{0, "EX1"}, {2, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    if (c.mode == 2) {
      SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
      ntMode();
    }
    bulk::MultiUser& m = window();
    m.Ex_Server->setEditText("EX1");
    m.Unlocka->setText("&Unlock Accounts");
    m.Label3->setText("Accounts Unlocked.");
    m.show();
    m.Command7_Click();
    EXPECT_EQ(m.Unlocka->text(), "&Find Locked Accounts");
    EXPECT_EQ(m.Label3->text(), "");
    EXPECT_EQ(m.Ex_Server->currentText(), c.exchangeAfter) << "in NT mode the Exchange server is cleared";
    EXPECT_TRUE(m.isHidden());
  }
}

TEST_F(ListMoves, RightButtonShowsTheKeyAsToolTip) {
  bulk::MultiUser& m = window();
  m.show();
  pick(m.View2, {"dave"});
  const QPoint at = m.View2->visualRect(m.View2->currentIndex()).center();
  auto release = [&](Qt::MouseButton button) {
    QMouseEvent e(QEvent::MouseButtonRelease, QPointF(at), m.View2->viewport()->mapToGlobal(QPointF(at)),
                  button, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m.View2->viewport(), &e);
  };
  release(Qt::RightButton);
  EXPECT_EQ(m.View2->toolTip(), davePath());
  release(Qt::LeftButton);
  EXPECT_EQ(m.View2->toolTip(), "");
}

TEST_F(ListMoves, TheLoaderFillsTheListsWithoutAWindow) {
  EXPECT_EQ(bulk::MultiUser::existing(), nullptr);
  bulk::Catalogue& c = bulk::catalogue();
  QStringList users = c.users.texts();
  users.sort();
  EXPECT_TRUE(users.contains("Alice Archer") && users.contains("carol") && users.contains("dave"));
  EXPECT_FALSE(users.contains("WS01")) << "no computers among the users";
  EXPECT_GT(c.ous.findKey(salesDn()), 0);
  EXPECT_GT(c.groups.findKey(teamPath()), 0);
  EXPECT_EQ(c.invariantBreaches(), QStringList());
  // The window shows the same lists.
  bulk::MultiUser& m = window();
  EXPECT_EQ(m.View2->model()->rowCount(), c.users.count());
}

TEST_F(ListMoves, AKeyIsInAListOnce) {
  bulk::KeyedList l("test");
  EXPECT_TRUE(l.add("a", "k1", "USER"));
  EXPECT_FALSE(l.add("a again", "k1", "USER"));
  EXPECT_TRUE(l.add("no key 1", "", "USER"));
  EXPECT_TRUE(l.add("no key 2", "", "USER")) << "NT items have no key";
  EXPECT_EQ(l.count(), 3);
  EXPECT_TRUE(l.remove(1));
  EXPECT_TRUE(l.add("a back", "k1", "USER")) << "a removed key can come back";
  EXPECT_FALSE(l.remove(0));
  EXPECT_FALSE(l.remove(4));
}

// Filling a list at once keeps add()'s rules and tells a view of the new rows in one notice.
TEST_F(ListMoves, AListFilledAtOnceKeepsTheOneKeyRule) {
  bulk::KeyedList l("test");
  ASSERT_TRUE(l.add("first", "k1", "USER"));
  QList<std::pair<int, int>> inserted;
  QObject::connect(&l, &QAbstractItemModel::rowsInserted,
                   [&](const QModelIndex&, int first, int last) { inserted.append({first, last}); });
  l.addAll({{"k1", "k1 again", "USER"},
            {"k2", "second", "W2KGRP"},
            {"", "no key 1", "USER"},
            {"k2", "k2 again", "USER"},
            {"", "no key 2", "USER"},
            {"k3", "third", "OU", true}});
  EXPECT_EQ(l.texts(), (QStringList{"first", "second", "no key 1", "no key 2", "third"}));
  EXPECT_EQ(l.keys(), (QStringList{"k1", "k2", "", "", "k3"}));
  EXPECT_EQ(l.smallIcon(2), "W2KGRP");
  EXPECT_FALSE(l.ghosted(5)) << "a new item is not ghosted";
  EXPECT_EQ(inserted, (QList<std::pair<int, int>>{{1, 4}}));
  QSet<quint64> ids;
  for (const bulk::ListItem& i : l.items()) ids.insert(i.id);
  EXPECT_EQ(ids.size(), 5) << "each item has an id of its own";
  EXPECT_FALSE(ids.contains(0));
  EXPECT_FALSE(l.add("k3 again", "k3", "OU")) << "the keys filled in are known to add()";
  EXPECT_EQ(l.findKey("k3"), 5);
  l.addAll({{"k1", "only a duplicate", "USER"}});
  EXPECT_EQ(inserted.size(), 1) << "nothing added, nothing told";
  EXPECT_EQ(l.count(), 5);
}

}  // namespace
