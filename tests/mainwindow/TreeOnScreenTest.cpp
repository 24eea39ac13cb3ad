// The drag of a user on a real X display (run under xvfb-run): xdotool moves the pointer and
// holds Shift and the left button, the tree scrolls at its bottom edge until the unit below comes
// into view, the drop moves the user, and the directory is checked afterwards.

#include "DomainFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>

using namespace tavrel;
using simnet::UserSpec;

namespace {

const QString kPath = QStringLiteral("LDAP://example.local/");
const QString kJohn = kPath + QStringLiteral("CN=John Smith,OU=Sales,DC=example,DC=local");
const QString kZeta = QStringLiteral("OU=Zeta,DC=example,DC=local");

// Runs xdotool with `args` while the window keeps handling its events.
bool xdo(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral("xdotool"), args);
  if (!p.waitForStarted(5000)) return false;
  while (p.state() != QProcess::NotRunning) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Handles events until `done` holds or `ms` pass.
bool waitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

class TreeOnScreen : public test::DomainFixture {};

TEST_F(TreeOnScreen, AShiftDragScrollsAtTheBottomEdgeAndMovesTheUser) {
  builder->forest("example.local", "EXAMPLE");
  builder->ou("example.local", "OU=Sales")
      .ou("example.local", "OU=Staff")
      .ou("example.local", "OU=Zeta")
      .user("example.local", "jsmith",
            UserSpec().in("OU=Sales").named("John Smith").withPassword("Secret1x"));
  for (int i = 0; i < 80; ++i)
    builder->user("example.local", QStringLiteral("u%1").arg(i, 2, 10, QChar('0')),
                  UserSpec().in("OU=Staff").named(QStringLiteral("Extra %1").arg(i, 2, 10, QChar('0'))));
  install();
  ASSERT_TRUE(connect("example.local"));
  w->resize(1000, 600);
  w->show();
  w->activateWindow();
  w->TreeView1->expandAll();
  w->TreeView1->scrollToTop();
  ASSERT_TRUE(waitUntil([&] { return w->isActiveWindow() || w->isVisible(); }, 3000));
  QTreeWidgetItem* john = node(kJohn);
  QTreeWidgetItem* zeta = node(kZeta);
  ASSERT_TRUE(john && zeta);
  QWidget* vp = w->TreeView1->viewport();
  ASSERT_FALSE(vp->rect().intersects(w->TreeView1->visualItemRect(zeta))) << "the unit starts out of view";

  const QPoint from = vp->mapToGlobal(w->TreeView1->visualItemRect(john).center());
  const QPoint edge = vp->mapToGlobal(QPoint(from.x() - vp->mapToGlobal(QPoint()).x(), vp->height() - 4));
  auto at = [](QPoint p) { return QStringList{"mousemove", QString::number(p.x()), QString::number(p.y())}; };
  ASSERT_TRUE(xdo(at(from) + QStringList{"click", "1"}));
  ASSERT_TRUE(waitUntil([&] { return w->TreeView1->currentItem() == john; }, 3000));
  ASSERT_TRUE(xdo(QStringList{"keydown", "shift", "mousedown", "1"} + at(from + QPoint(0, 6)) + at(edge)));
  ASSERT_TRUE(waitUntil([&] { return w->Tree_Dragging; }, 3000));

  // Held at the bottom edge, the tree scrolls until the unit comes into view.
  EXPECT_TRUE(
      waitUntil([&] { return vp->rect().contains(w->TreeView1->visualItemRect(zeta).center()); }, 30000));
  EXPECT_GT(w->TreeView1->verticalScrollBar()->value(), 0);
  ASSERT_TRUE(xdo(at(vp->mapToGlobal(w->TreeView1->visualItemRect(zeta).center()))));
  ASSERT_TRUE(waitUntil([&] { return w->dropHighlight() == zeta; }, 3000));
  ASSERT_TRUE(xdo(QStringList{"mouseup", "1", "keyup", "shift"}));
  ASSERT_TRUE(waitUntil([&] { return !w->Tree_Dragging; }, 3000));

  const QString moved = kPath + "CN=John Smith,OU=Zeta,DC=example,DC=local";
  auto obj = admin().GetObject(moved);
  ASSERT_TRUE(obj.ok()) << "the directory holds the user in its new unit";
  EXPECT_EQ(obj->Get("sAMAccountName")->toString(), "jsmith");
  EXPECT_FALSE(admin().GetObject(kJohn).ok());
  ASSERT_NE(node(moved), nullptr);
  EXPECT_EQ(node(moved)->parent(), zeta);
  EXPECT_FALSE(w->Timer2->isActive());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
