// The bulk delete of the bulk window: users, the users of OUs and the user members of groups
// (never computers, nested groups or the users of child OUs), the ghosting of what was deleted,
// Cancel while the run serves input, the locked controls, the list file and the warning boxes.
// The Active Directory cases run against the test DC too (dc.*).

#include "BulkFixture.h"

#include "mainwindow/form1.h"
#include "state/SharedState.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

class BulkDelete : public BulkFixture {
 protected:
  void TearDown() override {
    bulk::MultiUser::setDeleteLinks({});
    BulkFixture::TearDown();
  }
  bool exists(const QString& p) { return admin->GetObject(p).ok(); }
  // The "Delete User: " lines of Log.txt, in order.
  QStringList deleted() {
    QStringList out;
    for (const QString& l : logLines())
      if (l.startsWith(QStringLiteral("Deleted User Account: "))) out << l.mid(22);
    return out;
  }
  static QList<bool> enabled(bulk::MultiUser& m) {
    QList<bool> out;
    for (QWidget* w : std::initializer_list<QWidget*>{
             m.Command7, m.Run_command, m.No_Prompting, m.Ex_Server, m.Command1, m.Command2,
             m.Del_Permissions, m.Delete_Mail[0], m.Delete_Mail[1], m.Delete_data[0], m.Delete_data[1]})
      out << w->isEnabled();
    return out;
  }
  static QStringList ghosted(bulk::MultiUser& m) {
    QStringList out;
    for (int row = 1; row <= m.ListView1->count(); ++row)
      if (m.ListView1->ghosted(row)) out << m.ListView1->text(row);
    return out;
  }
  const QList<bool> allEnabled = QList<bool>(11, true);
  const QList<bool> allLocked = QList<bool>(11, false);
};

TEST_F(BulkDelete, UsersOfOusGroupsAndItemsButNeverComputers) {
  bulk::MultiUser& m = window();
  // The group comes first and deletes alice and bob; their items are ghosted and skipped.
  select({"Sales Team", "Alice Archer", "Sales", "dave"});
  m.Del_User_Click();

  // The group's members come in the directory's order (a real DC's differs from simnet's).
  QStringList gone = deleted();
  ASSERT_EQ(gone.size(), 3);
  EXPECT_EQ(QSet<QString>(gone.begin(), gone.begin() + 2), (QSet<QString>{alicePath(), bobPath()}));
  EXPECT_EQ(gone.last(), davePath());
  for (const QString& p : {alicePath(), bobPath(), davePath()}) EXPECT_FALSE(exists(p)) << p.toStdString();
  // The computer of the group and of the OU, the nested group and the child OU's user stay.
  for (const QString& p : {ws01Path(), carolPath(), path("CN=Sales Leads,OU=Sales"), teamPath()})
    EXPECT_TRUE(exists(p)) << p.toStdString();
  EXPECT_EQ(ghosted(m), (QStringList{"Alice Archer", "dave"}));
  EXPECT_FALSE(m.ListView2->texts().contains("Bob Baker"));
  EXPECT_EQ(m.ListView2->findKey(davePath()), 0);
  EXPECT_EQ(m.Label3->text(), "Delete Completed, Check log for errors");
  EXPECT_EQ(m.Del_User->text(), "&Delete Users");
  EXPECT_EQ(enabled(m), allEnabled);
  EXPECT_EQ(state::shared().Bulk_Delete_Running, 0);

  // A second run deletes nothing more: the ghosted items are skipped, the group has no users left.
  QFile::remove(startup::LogFile::pathFor(dir()));
  m.Del_User_Click();
  EXPECT_TRUE(deleted().isEmpty());
  EXPECT_TRUE(exists(ws01Path()));
}

TEST_F(BulkDelete, CancelWhileTheRunServesInputStopsAfterTheCurrentUser) {
  bulk::MultiUser& m = window();
  select({"Alice Archer", "Bob Baker", "dave"});
  QList<bool> during;
  QString captionDuring;
  QTimer::singleShot(0, &m, [&] {
    during = enabled(m);
    captionDuring = m.Del_User->text();
    m.Del_User->click();
  });
  m.Del_User_Click();

  EXPECT_EQ(during, allLocked);
  EXPECT_EQ(captionDuring, "&Cancel");
  EXPECT_EQ(deleted(), QStringList{alicePath()});
  EXPECT_TRUE(exists(bobPath()));
  EXPECT_TRUE(exists(davePath()));
  EXPECT_EQ(ghosted(m), QStringList{"Alice Archer"});
  EXPECT_EQ(m.Label3->text(), "Delete Canceled");
  EXPECT_EQ(m.Del_User->text(), "&Delete Users");
  EXPECT_EQ(enabled(m), allEnabled);
  EXPECT_FALSE(m.running());

  // The next run deletes what the cancelled one left.
  m.Del_User_Click();
  EXPECT_FALSE(exists(bobPath()));
  EXPECT_FALSE(exists(davePath()));
  EXPECT_EQ(m.Label3->text(), "Delete Completed, Check log for errors");
}

TEST_F(BulkDelete, MailWithoutExchangeServerIsRefusedAndAnEmptySelectionDoesNothing) {
  bulk::MultiUser& m = window();
  m.Del_User_Click();
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_FALSE(QFile::exists(startup::LogFile::pathFor(dir())));

  select({"dave"});
  m.Delete_Mail[0]->setChecked(true);
  m.Ex_Server->setEditText(QString());
  m.Del_User_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Must Select Users Exchange Server to \r\nDelete Mail Account");
  EXPECT_EQ(state::shared().Bulk_Delete_Running, 0);
  EXPECT_EQ(m.Del_User->text(), "&Delete Users");
  EXPECT_TRUE(exists(davePath()));
}

TEST_F(BulkDelete, ConfirmationPerUserAndNoKeepsTheAccount) {
  bulk::MultiUser& m = window();
  bulk::MultiUser::setDeleteLinks({[](bulk::DeleteOptions& o) { o.confirmDeletes = true; }, {}});
  select({"Alice Archer", "dave"});
  prompts.answer(ui::MsgBoxResult::No);
  prompts.answer(ui::MsgBoxResult::Yes);
  m.Del_User_Click();
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[0].prompt, "Delete User " + alicePath());
  EXPECT_TRUE(exists(alicePath()));
  EXPECT_FALSE(exists(davePath()));
  EXPECT_EQ(ghosted(m), QStringList{"dave"});

  // "No Prompting" asks nothing.
  QFile::remove(startup::LogFile::pathFor(dir()));
  m.No_Prompting->setChecked(true);
  prompts.asked.clear();
  m.Del_User_Click();
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_FALSE(exists(alicePath()));
}

TEST_F(BulkDelete, ListFileSelectsWholeLinesOfUsersOnly) {
  bulk::MultiUser& m = window();
  const QString file = dir() + QStringLiteral("list.txt");
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("ALICE ARCHER\r\nBob Baker \r\nSales Team\r\nnobody\r\ndave,x\r\n\r\n");
  f.close();
  prompts.answerText(file);
  m.DELIMPORT_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Open file to import");
  EXPECT_EQ(m.ListView1->texts(), QStringList{"Alice Archer"});
  EXPECT_FALSE(m.ListView2->texts().contains("Alice Archer"));
  EXPECT_TRUE(m.ListView2->texts().contains("Bob Baker"));

  // Cancelling the dialog changes nothing.
  prompts.answerText(std::nullopt);
  m.DELIMPORT_Click();
  EXPECT_EQ(m.ListView1->texts(), QStringList{"Alice Archer"});
}

TEST_F(BulkDelete, NoPromptingWarnsWhenTicked) {
  bulk::MultiUser& m = window();
  for (QCheckBox* box : {m.No_Prompting, m.No_Prompt}) {
    prompts.asked.clear();
    box->click();  // ticked
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Warning");
    EXPECT_EQ(prompts.asked[0].style, ui::kStyleCritical);
    EXPECT_TRUE(prompts.asked[0].prompt.startsWith("This Over rides the preferences setting."));
    box->click();  // cleared
    EXPECT_EQ(prompts.asked.size(), 1u);
  }
}

TEST_F(BulkDelete, AGroupThatCannotBeReadEndsTheRun) {
  bulk::MultiUser& m = window();
  bulk::catalogue().selection.add("Nobody's Group", path("CN=Nobody,OU=Sales"), "W2KGRP");
  select({"dave"});
  m.Del_User_Click();
  EXPECT_EQ(m.Label3->text(), "Error Retrieving Domain Info.");
  EXPECT_TRUE(exists(davePath()));  // the walk ended before it
  EXPECT_EQ(m.Del_User->text(), "&Delete Users");
  EXPECT_EQ(enabled(m), allEnabled);
  EXPECT_EQ(state::shared().Bulk_Delete_Running, 0);
}

// Through the main window: its settings reach the delete, and the deleted user's node leaves the
// tree while the others stay.
TEST_F(BulkDelete, TheMainWindowsTreeLosesTheDeletedUsersNode) {
  mainwindow::form1 w;
  w.dbpath->setText(dir());
  w.Confirm_Deletes->setChecked(true);
  for (const QString& key : {bobPath(), davePath()}) {
    auto* node = new QTreeWidgetItem(w.TreeView1, {key == davePath() ? "dave" : "Bob Baker"});
    node->setData(0, mainwindow::form1::kNodeKeyRole, key);
  }
  w.Multi_Click();
  bulk::MultiUser* m = bulk::MultiUser::existing();
  ASSERT_NE(m, nullptr);
  m->setYieldInterval(0);
  select({"dave"});
  prompts.answer(ui::MsgBoxResult::Yes);
  m->Del_User_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);  // "Confirm Deletes" came from the main window
  EXPECT_EQ(prompts.asked[0].prompt, "Delete User " + davePath());
  EXPECT_FALSE(exists(davePath()));
  ASSERT_EQ(w.TreeView1->topLevelItemCount(), 1);
  EXPECT_EQ(w.TreeView1->topLevelItem(0)->data(0, mainwindow::form1::kNodeKeyRole).toString(), bobPath());
  m->hide();
}

class NtBulkDelete : public BulkDelete {
 protected:
  void SetUp() override {
    BulkDelete::SetUp();
    SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
    ntMode();
  }
};

TEST_F(NtBulkDelete, GlobalGroupsAndUsersByName) {
  bulk::MultiUser& m = window();
  select({"Accounts", "rroe"});
  m.Del_User_Click();
  EXPECT_EQ(deleted(), (QStringList{"jdoe", "rroe"}));
  EXPECT_FALSE(exists("WinNT://OLDCORP/jdoe,user"));
  EXPECT_FALSE(exists("WinNT://OLDCORP/rroe,user"));
  EXPECT_TRUE(exists("WinNT://OLDCORP/Accounts,group"));
  EXPECT_EQ(ghosted(m), QStringList{"rroe"});
  EXPECT_EQ(m.Label3->text(), "Delete Completed, Check log for errors");
}

}  // namespace
}  // namespace tavrel::test
