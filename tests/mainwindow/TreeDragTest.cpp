// The drag of a user onto an organisational unit without a window: when a move starts a drag,
// the edge zones that scroll the tree, and the drop's steps against a recording host.

#include "mainwindow/TreeDrag.h"

#include <gtest/gtest.h>
#include <QHash>
#include <QStringList>

using namespace tavrel;
using mainwindow::DropOutcome;

namespace {

TEST(TreeDrag, OnlyShiftWithTheLeftButtonOnAUserOutsideNtStartsADrag) {
  struct Case {
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
    int mode;
    const char* image;
    bool starts;
  };
  const Case cases[] = {
      {Qt::LeftButton, Qt::ShiftModifier, 0, "USER", true},
      {Qt::LeftButton, Qt::ShiftModifier, 1, "USER", true},
      {Qt::LeftButton, Qt::ShiftModifier, 2, "USER", false},  // WinNT has no organisational units
      {Qt::LeftButton, Qt::NoModifier, 0, "USER", false},
      {Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, 0, "USER", false},
      {Qt::LeftButton, Qt::ControlModifier, 0, "USER", false},
      {Qt::LeftButton | Qt::RightButton, Qt::ShiftModifier, 0, "USER", false},
      {Qt::RightButton, Qt::ShiftModifier, 0, "USER", false},
      {Qt::NoButton, Qt::ShiftModifier, 0, "USER", false},
      {Qt::LeftButton, Qt::ShiftModifier, 0, "OU", false},
      {Qt::LeftButton, Qt::ShiftModifier, 0, "DOMAIN", false},
      {Qt::LeftButton, Qt::ShiftModifier, 0, "W2KGRP", false},
      {Qt::LeftButton, Qt::ShiftModifier, 0, "", false},  // nothing selected
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.buttons) << " " << int(c.modifiers) << " " << c.mode << " "
                                    << c.image);
    EXPECT_EQ(mainwindow::dragStarts(c.buttons, c.modifiers, c.mode, QString::fromLatin1(c.image)), c.starts);
  }
}

TEST(TreeDrag, ScrollZonesHaveExclusiveLimits) {
  // In twips, as the tree's zones are defined: 200 at the top, 300 at the bottom, H = 3000.
  const int H = 3000;
  const std::pair<int, int> cases[] = {{-10, 0},  {0, 0},    {1, -1},   {100, -1}, {199, -1},
                                       {200, 0},  {1500, 0}, {2700, 0}, {2701, 1}, {2900, 1},
                                       {2999, 1}, {3000, 0}, {3100, 0}};
  for (auto [y, zone] : cases) {
    SCOPED_TRACE(y);
    EXPECT_EQ(mainwindow::scrollZone(y, H, 200, 300), zone);
  }
  // A tree lower than both zones together: the top zone wins where they overlap.
  EXPECT_EQ(mainwindow::scrollZone(150, 400, 200, 300), -1);
  EXPECT_EQ(mainwindow::scrollZone(250, 400, 200, 300), 1);
}

// A tree of keyed nodes and one list of user keys, with a directory that moves or refuses.
class RecordingHost : public mainwindow::DropHost {
 public:
  QHash<QString, QString> parentOf;  // node key -> parent key
  QHash<QString, QString> textOf;
  QStringList listKeys;  // the keys a user list holds
  QStringList calls;
  QStringList logRows;
  std::optional<adsi::Error> moveError;
  int addFailures = 0;  // the next n node additions fail
  QString movedPath;

  adsi::Result<QString> moveInDirectory(const QString& targetKey, const QString& sourceKey) override {
    calls << "move " + sourceKey + " -> " + targetKey;
    if (moveError) return *moveError;
    return movedPath;
  }
  void rekeyUser(const QString& oldKey, const QString& newKey) override {
    calls << "rekey";
    for (QString& k : listKeys)
      if (k == oldKey) k = newKey;
  }
  bool hasNode(const QString& key) const override { return parentOf.contains(key); }
  bool removeNode(const QString& key) override {
    calls << "remove " + key;
    return parentOf.remove(key) > 0;
  }
  bool addUserNode(const QString& parentKey, const QString& key, const QString& text) override {
    calls << "add " + key + " under " + parentKey;
    if (addFailures > 0) {
      --addFailures;
      return false;
    }
    if (!parentOf.contains(parentKey) || parentOf.contains(key)) return false;
    parentOf.insert(key, parentKey);
    textOf.insert(key, text);
    return true;
  }
  void log(const QString& colour, const QString& message) override { logRows << colour + ": " + message; }
};

const QString kDomainDn = QStringLiteral("DC=example,DC=local");
const QString kSales = QStringLiteral("OU=Sales,DC=example,DC=local");
const QString kStaff = QStringLiteral("OU=Staff,DC=example,DC=local");
const QString kOld = QStringLiteral("LDAP://example.local/CN=Staff,OU=Sales,DC=example,DC=local");
const QString kNew = QStringLiteral("LDAP://example.local/CN=Staff,OU=Staff,DC=example,DC=local");

class Drop : public ::testing::Test {
 protected:
  void SetUp() override {
    host.parentOf = {{kDomainDn, ""}, {kSales, kDomainDn}, {kStaff, kDomainDn}, {kOld, kSales}};
    host.listKeys = {"LDAP://example.local/CN=Other,OU=Sales,DC=example,DC=local", kOld};
    host.movedPath = kNew;
  }
  RecordingHost host;
};

// A user whose name is the name of the unit it goes to: the keys differ, so it moves.
TEST_F(Drop, AUserNamedAsTheUnitMovesAndEveryListFollows) {
  EXPECT_EQ(mainwindow::dropUser(host, kOld, "Staff", kStaff, "OU"), DropOutcome::Moved);
  EXPECT_FALSE(host.hasNode(kOld));
  EXPECT_EQ(host.parentOf.value(kNew), kStaff);
  EXPECT_EQ(host.textOf.value(kNew), "Staff");
  EXPECT_EQ(host.listKeys.last(), kNew);
  EXPECT_EQ(host.logRows, QStringList{"GREEN: Staff Has been moved in the AD"});
}

TEST_F(Drop, NothingMovesOnItselfOrOnANodeThatIsNoUnit) {
  struct Case {
    QString target;
    const char* image;
    DropOutcome outcome;
  };
  const Case cases[] = {
      {kOld, "USER", DropOutcome::NotAContainer},
      {kDomainDn, "DOMAIN", DropOutcome::NotAContainer},
      {"LDAP://example.local/CN=Team,OU=Sales,DC=example,DC=local", "W2KGRP", DropOutcome::NotAContainer},
      {kOld, "OU", DropOutcome::SameNode}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    EXPECT_EQ(mainwindow::dropUser(host, kOld, "Staff", c.target, c.image), c.outcome);
  }
  EXPECT_TRUE(host.calls.isEmpty());
  EXPECT_TRUE(host.logRows.isEmpty());
}

TEST_F(Drop, ARefusedMoveChangesNothingAndSaysSo) {
  host.moveError = adsi::Error{adsi::hr::NO_SUCH_OBJECT, QStringLiteral("no such object")};
  EXPECT_EQ(mainwindow::dropUser(host, kOld, "Staff", kStaff, "OU"), DropOutcome::MoveFailed);
  EXPECT_EQ(host.parentOf.value(kOld), kSales);
  EXPECT_EQ(host.listKeys.last(), kOld);
  ASSERT_EQ(host.logRows.size(), 1);
  EXPECT_TRUE(host.logRows[0].startsWith("RED: Staff could not be moved")) << host.logRows[0].toStdString();
}

// The directory has moved the user but the tree refused the new node: the lists still take the
// new key, the failure is shown, and the tree is put back in step.
TEST_F(Drop, AFailureAfterTheMoveIsShownAndTheTreeResynchronised) {
  host.addFailures = 1;
  EXPECT_EQ(mainwindow::dropUser(host, kOld, "Staff", kStaff, "OU"), DropOutcome::MovedOutOfStep);
  EXPECT_EQ(host.listKeys.last(), kNew);
  EXPECT_FALSE(host.hasNode(kOld));
  EXPECT_EQ(host.parentOf.value(kNew), kStaff);
  EXPECT_EQ(host.logRows,
            QStringList{"YELLOW: Staff Has been moved in the AD, but the tree could not follow; it "
                        "has been put back in step."});
}

TEST_F(Drop, ATreeThatCannotBeRepairedAsksForAReload) {
  host.addFailures = 2;
  EXPECT_EQ(mainwindow::dropUser(host, kOld, "Staff", kStaff, "OU"), DropOutcome::MovedOutOfStep);
  EXPECT_EQ(host.listKeys.last(), kNew);
  ASSERT_EQ(host.logRows.size(), 1);
  EXPECT_TRUE(host.logRows[0].endsWith("press F5 to reload it.")) << host.logRows[0].toStdString();
}

}  // namespace
