// The main window's launcher of the bulk window: the tabs for the mode, modal, and the links to
// the main window's on-screen log, default password and database folder.

#include "BulkFixture.h"

#include "mainwindow/form1.h"

using namespace tavrel;

namespace {

class Launcher : public test::BulkFixture {};

TEST_F(Launcher, OpensTheWindowWithTheTabsOfTheModeAndItsLinks) {
  mainwindow::form1 w;
  w.dbpath->setText(dir());
  w.defaultpassword->setText("Fixed-Pw9x");
  w.Multi->setEnabled(true);
  w.Multi->trigger();
  bulk::MultiUser* m = bulk::MultiUser::existing();
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->isVisible());
  EXPECT_EQ(m->windowModality(), Qt::ApplicationModal);
  for (int tab = 0; tab < 4; ++tab) EXPECT_TRUE(m->SSTab1->isTabEnabled(tab)) << tab;

  // The window reports into the main window's log and takes its default password and folder.
  m->setYieldInterval(0);
  select({"dave"});
  const int rowsBefore = w.ListView1->topLevelItemCount();
  m->Command4_Click();
  ASSERT_EQ(w.ListView1->topLevelItemCount(), rowsBefore + 1);
  EXPECT_EQ(w.ListView1->topLevelItem(rowsBefore)->text(0), " Password Reset For dave");
  EXPECT_EQ(logLines().value(2), "Password Reset for: dave");
  auto asDave =
      admin->OpenDSObject(davePath(), "EXAMPLE\\dave", "Fixed-Pw9x", adsi::ADS_SECURE_AUTHENTICATION);
  EXPECT_TRUE(asDave.ok() || !asDave.error().message.contains("data 52e", Qt::CaseInsensitive));
  m->hide();
}

TEST_F(Launcher, TheAttributeTabStaysUnavailableInAnNtDomain) {
  SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
  ntMode();
  mainwindow::form1 w;
  w.dbpath->setText(dir());
  w.Multi_Click();
  bulk::MultiUser* m = bulk::MultiUser::existing();
  ASSERT_NE(m, nullptr);
  for (int tab = 0; tab < 3; ++tab) EXPECT_TRUE(m->SSTab1->isTabEnabled(tab)) << tab;
  EXPECT_FALSE(m->SSTab1->isTabEnabled(bulk::MultiUser::kADPropertiesTab));
  m->hide();
}

}  // namespace
