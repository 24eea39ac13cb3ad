#include "MailboxNetwork.h"

#include "mainwindow/Serach_Mail.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace tavrel::test {
namespace {

using mainwindow::Serach_Mail;

class SerachMailTest : public MailboxNetwork {
 protected:
  void SetUp() override {
    MailboxNetwork::SetUp();
    if (HasFatalFailure()) return;
    state::SharedState& sh = state::shared();
    sh.Mail_Search_Server = QStringLiteral(" EXCH55 ");
    sh.Mail_Search_Site = QStringLiteral("Head Office ");
    sh.Mail_Search_Org = QStringLiteral("Example");
  }
  void mailbox(const QString& account, const QString& container) {
    startup::LogFile log(dir());
    QString target;
    ASSERT_TRUE(resources::Create_Mailbox(
        QStringLiteral("EXDC01"), QStringLiteral("EXAMPLE"), kAdmin, kPassword, account, target, QStringLiteral("A"),
        QStringLiteral("B"), QStringLiteral("EXCH55"), QStringLiteral("Head Office"), QStringLiteral("Example"),
        form({{QStringLiteral("TARGET-ADDRESS"), QStringLiteral("a@b")}, {QStringLiteral("CONTAINER"), container}}), log));
  }
  QTreeWidgetItem* find(Serach_Mail& w, const QString& text) {
    const auto items = w.TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
  }
};

TEST_F(SerachMailTest, FindsTheMailboxOneLevelDownAndGivesItsContainer) {
  mailbox(QStringLiteral("jsmith"), QStringLiteral("Sales,CN=Recipients"));
  mailbox(QStringLiteral("pbrown"), QStringLiteral("Recipients"));
  state::shared().Mail_Container = QStringLiteral("%Department%");
  Serach_Mail w(form({}), kAdmin, kPassword);
  w.Form_Load(QStringLiteral("jsmith"));
  EXPECT_EQ(w.Text1->text(), "EXCH55");
  EXPECT_EQ(w.Text2->text(), "jsmith");
  EXPECT_EQ(w.Label2->text(), "Select The Mailbox to Delete");
  EXPECT_EQ(state::shared().Op_Status, -1);
  EXPECT_EQ(find(w, QStringLiteral("pbrown")), nullptr);
  EXPECT_EQ(find(w, QStringLiteral("Configuration")), nullptr);

  // A container selected: nothing happens.
  w.TreeView1->setCurrentItem(find(w, QStringLiteral("Sales")));
  w.Delete_Mail->click();
  EXPECT_EQ(w.result(), 0);
  EXPECT_EQ(state::shared().Mail_Container, "%Department%");

  QTreeWidgetItem* found = find(w, QStringLiteral("jsmith"));
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(found->parent()->isExpanded());
  w.TreeView1->setCurrentItem(found);
  w.Delete_Mail->click();
  EXPECT_EQ(w.result(), QDialog::Accepted);
  EXPECT_EQ(state::shared().Mail_Container, "CN=Sales,CN=Recipients");
}

TEST_F(SerachMailTest, ADoubleClickOnlyChoosesTheMailbox) {
  mailbox(QStringLiteral("jsmith"), QStringLiteral("Sales,CN=Recipients"));
  state::shared().Mail_Container = QStringLiteral("%Department%");
  Serach_Mail w(form({}), kAdmin, kPassword);
  w.Form_Load(QStringLiteral("jsmith"));
  QTreeWidgetItem* found = find(w, QStringLiteral("jsmith"));
  ASSERT_NE(found, nullptr);
  // The tree's own double-click: the node becomes the chosen one, and nothing else happens.
  w.TreeView1->setCurrentItem(found);
  emit w.TreeView1->itemDoubleClicked(found, 0);
  emit w.TreeView1->itemActivated(found, 0);
  EXPECT_EQ(w.result(), 0);
  EXPECT_EQ(state::shared().Mail_Container, "%Department%");
  EXPECT_EQ(w.TreeView1->currentItem(), found);
  // Only the Delete button takes it.
  w.Delete_Mail->click();
  EXPECT_EQ(w.result(), QDialog::Accepted);
  EXPECT_EQ(state::shared().Mail_Container, "CN=Sales,CN=Recipients");
}

TEST_F(SerachMailTest, CaptionsForNoneAndSeveral) {
  Serach_Mail none(form({}), kAdmin, kPassword);
  none.Form_Load(QStringLiteral("jsmith"));
  EXPECT_EQ(none.Label2->text(), "User Not Found");
  EXPECT_EQ(state::shared().Op_Status, 0);

  mailbox(QStringLiteral("jsmith"), QStringLiteral("Sales,CN=Recipients"));
  mailbox(QStringLiteral("jsmith"), QStringLiteral("Recipients"));
  Serach_Mail two(form({}), kAdmin, kPassword);
  two.Form_Load(QStringLiteral("jsmith"));
  EXPECT_EQ(two.Label2->text(),
            "Warning: Multiple mailboxs with the same Name Found. Be sure you Delete the correct one. If in doubt "
            "contact you Mail Administrator");
  QTreeWidgetItem* direct = nullptr;
  for (QTreeWidgetItem* i : two.TreeView1->findItems(QStringLiteral("jsmith"), Qt::MatchExactly | Qt::MatchRecursive))
    if (i->parent()->text(0) == QLatin1String("Recipients")) direct = i;
  ASSERT_NE(direct, nullptr);
  two.TreeView1->setCurrentItem(direct);
  two.Delete_Mail->click();
  EXPECT_EQ(state::shared().Mail_Container, "CN=Recipients");
}

TEST_F(SerachMailTest, AFailedConnectionIsShownAndCancelKeepsTheContainer) {
  state::shared().Mail_Container = QStringLiteral("%Department%");
  Serach_Mail w(form({}), kAdmin, QStringLiteral("wrong"));
  w.Form_Load(QStringLiteral("jsmith"));
  EXPECT_EQ(w.Label2->text(), "Unable to connect to Exchange Server (8007052E)");
  EXPECT_EQ(w.TreeView1->topLevelItemCount(), 0);
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_FALSE(w.Label2->text().contains(QStringLiteral("wrong")));
  w.Command2->click();
  EXPECT_EQ(w.result(), QDialog::Rejected);
  EXPECT_EQ(state::shared().Mail_Container, "%Department%");
}

}  // namespace
}  // namespace tavrel::test
