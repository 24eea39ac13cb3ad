// The site tab: the editor's states, New and its name rules, Save, Edit, Delete, Cancel, the
// Exchange options, the store finder, Loadsite and Clear_Site.

#include "RecordTabs.h"

#include "platform/exchange/DirectoryStoreFinder.h"
#include "platform/simnet/ExchangeSeed.h"
#include "platform/simnet/NetworkBuilder.h"

#include <QFile>

using namespace tavrel;
using test::padded;
using test::siteRec;
using Outcome = exchange::ServerStores::Outcome;

namespace {

class SiteEditor : public test::RecordTabsFixture {
 protected:
  void SetUp() override {
    RecordTabsFixture::SetUp();
    showSites();
  }
  // The start-up's part: the lists loaded, then the tab cleared.
  void start() {
    w->Load_Databases();
    w->Clear_Site();
    beeps.resetBeeps();
  }
  void fill(const QString& home, const QString& exServer = {}, const QString& org = {},
            const QString& exSite = {}, const QString& store = {}) {
    w->NTSERVER->setText(home);
    w->EXSERVER->setText(exServer);
    w->EXorg->setText(org);
    w->EXSite->setEditText(exSite);
    w->Mail_Store->setEditText(store);
  }
  QList<QWidget*> fields() const { return {w->NTSERVER, w->EXSERVER, w->EXSite, w->EXorg, w->Mail_Store}; }
  std::vector<bool> buttons() const {
    return {w->New_Site->isEnabled(), w->Edit_Site->isEnabled(), w->Delete_site->isEnabled(),
            w->Save_Site->isEnabled()};
  }
  void expectIdle() {
    for (QWidget* f : fields())
      EXPECT_TRUE(test::RecordTabsFixture::readOnlyLook(f)) << f->objectName().toStdString();
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, false}));
    EXPECT_TRUE(w->ListView2->isEnabled());
    EXPECT_EQ(state::shared().EditingSite, 0);
  }
};

// --- states ---

TEST_F(SiteEditor, ClearSiteReturnsTheTabToIdle) {
  w->paste->setEnabled(true);
  fill("H", "X", "O", "S", "M");
  w->Edit_Site->setEnabled(true);
  state::shared().EditingSite = -1;
  w->EXH5[1]->setChecked(true);
  w->Clear_Site();
  expectIdle();
  for (QWidget* f : fields()) {
    const auto* e = qobject_cast<QLineEdit*>(f);
    const auto* c = qobject_cast<QComboBox*>(f);
    EXPECT_EQ(e ? e->text() : c->currentText(), "") << f->objectName().toStdString();
  }
  EXPECT_FALSE(w->EXH5[0]->isEnabled());
  EXPECT_FALSE(w->Find_Store->isEnabled());
  EXPECT_FALSE(w->paste->isEnabled());
  EXPECT_TRUE(w->EXH5[1]->isChecked()) << "the chosen option stays";
  EXPECT_EQ(status(), "Ready.");
}

TEST_F(SiteEditor, NewSiteWalksThroughPendingNamedAndSaved) {
  putSites({siteRec("Alpha"), siteRec("Dead", "H", {}, {}, {}, {}, 0, -1)});
  start();
  multiSite();

  w->New_Site_Click();
  EXPECT_EQ(w->ListView2->count(), 2);
  EXPECT_EQ(w->ListView2->text(1), "") << "the new entry sorts first";
  EXPECT_TRUE(w->ListView2->isEditingLabel());
  EXPECT_EQ(w->NewSitePending, -1);
  EXPECT_EQ(w->SiteLabelEdit, -1);
  for (QWidget* f : fields()) EXPECT_TRUE(editableLook(f)) << f->objectName().toStdString();
  EXPECT_EQ(buttons(), (std::vector<bool>{false, false, false, true}));
  EXPECT_TRUE(w->EXH5[0]->isEnabled() && w->EXH5[1]->isEnabled());

  typeSiteName("Berlin");
  EXPECT_EQ(w->NewSitePending, 0);
  EXPECT_FALSE(w->ListView2->isEnabled()) << "the user now fills the fields";
  EXPECT_EQ(test::textsOf(w->ListView2), (QStringList{padded("Alpha", 20), "Berlin"}));

  fill("NTBER");
  w->Save_Site_Click();
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(status(), "Saved Site...");
  const auto disk = sitesOnDisk();
  ASSERT_EQ(disk.size(), 3) << "appended after the deleted record, never into it";
  EXPECT_EQ(disk[2].SiteName, padded("Berlin", 20));
  EXPECT_EQ(disk[2].HomeServer, padded("NTBER", 20));
  EXPECT_EQ(disk[2].Exchange2000, 0);
  EXPECT_EQ(disk[2].Deleted, 0);
  EXPECT_EQ(test::itemsOf(w->NUsitename).last(), padded("Berlin", 20));
  EXPECT_EQ(test::itemsOf(multiSite()).last(), padded("Berlin", 20));
  EXPECT_FALSE(mainwindow::form1::isLocked(w->NUsitename));
  for (QWidget* f : fields()) EXPECT_TRUE(readOnlyLook(f)) << f->objectName().toStdString();
  EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, false}));
  EXPECT_TRUE(w->ListView2->isEnabled());
  EXPECT_EQ(w->NTSERVER->text(), "NTBER") << "the fields keep the saved values";
  EXPECT_EQ(w->SiteLabelEdit, 0);
}

struct NameCase {
  const char* typed;
  const char* status;  // nullptr: accepted
};

TEST_F(SiteEditor, NameRules) {
  const NameCase cases[] = {
      {"Main", nullptr},
      {"12345678901234567890", nullptr},
      {"  Lead", nullptr},
      {"123456789012345678901", "Site name too long (20 chrs max)"},
      {"Main                 ", "Site name too long (20 chrs max)"},  // 4 letters and 17 blanks
      {"   ", "Site Name cannot be Blank"},
      {"", "Site Name cannot be Blank"},
      {"alpha", "Site name already used"},
      {" ALPHA  ", "Site name already used"},
  };
  putSites({siteRec("Alpha")});
  start();
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.typed);
    beeps.resetBeeps();
    newSiteNamed(c.typed);
    if (c.status) {
      EXPECT_EQ(status(), c.status);
      EXPECT_EQ(beeps.beeps(), 1);
      EXPECT_EQ(test::textsOf(w->ListView2), QStringList{padded("Alpha", 20)}) << "the entry is removed";
      expectIdle();
    } else {
      EXPECT_EQ(beeps.beeps(), 0);
      EXPECT_TRUE(test::textsOf(w->ListView2).contains(c.typed)) << "the entry keeps the name as typed";
      w->Site_Cancel_Click();
    }
  }
  EXPECT_EQ(sitesOnDisk().size(), 1) << "no name rule writes";
}

TEST_F(SiteEditor, ALeadingBlankIsStoredWithTheName) {
  start();
  newSiteNamed("  Lead");
  fill("H");
  w->Save_Site_Click();
  ASSERT_EQ(sitesOnDisk().size(), 1);
  EXPECT_EQ(sitesOnDisk()[0].SiteName, padded("  Lead", 20));
}

TEST_F(SiteEditor, CancelAfterAnAcceptedNameRemovesTheEntryWithoutRecord) {
  putSites({siteRec("Alpha")});
  start();
  newSiteNamed("Ghost");
  w->Site_Cancel_Click();
  EXPECT_EQ(test::textsOf(w->ListView2), QStringList{padded("Alpha", 20)});
  EXPECT_EQ(w->SiteLabelEdit, 0);
  expectIdle();
  EXPECT_EQ(sitesOnDisk().size(), 1);
}

TEST_F(SiteEditor, AnEntryLeftWithoutNameGoesWhenTheListLosesTheFocus) {
  start();
  w->New_Site_Click();
  ASSERT_EQ(w->ListView2->count(), 1);
  EXPECT_EQ(w->NewSitePending, -1);
  w->ListView2_LostFocus();
  QApplication::processEvents();
  EXPECT_EQ(w->ListView2->count(), 0);
  EXPECT_EQ(status(), "Must enter site name first");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(w->NewSitePending, -1) << "the flag keeps its value";
}

// Escape in a new entry's name abandons the New: its entry goes, the tab is idle again, and a
// later New, Save or Cancel acts on its own entry only.
TEST_F(SiteEditor, AnAbandonedNameEditRemovesItsEntry) {
  putSites({siteRec("Alpha")});
  start();
  w->New_Site_Click();
  typeSiteName("ignored", Qt::Key_Escape);
  EXPECT_EQ(test::textsOf(w->ListView2), QStringList{padded("Alpha", 20)});
  expectIdle();
  EXPECT_EQ(beeps.beeps(), 0);
}

struct AbandonedNewCase {
  const char* label;
  bool nameSecond;  // the second New's name is typed and accepted
  bool save;        // then Save (else Cancel)
};

class SiteEditorAfterAbandonedNew : public SiteEditor,
                                    public ::testing::WithParamInterface<AbandonedNewCase> {};

TEST_P(SiteEditorAfterAbandonedNew, TheSecondNewActsOnItsOwnEntry) {
  const AbandonedNewCase& c = GetParam();
  putSites({siteRec("Alpha")});
  start();
  w->New_Site_Click();
  typeSiteName("ignored", Qt::Key_Escape);
  w->New_Site_Click();
  if (c.nameSecond) typeSiteName("Berlin");
  if (c.save) {
    fill("NTBER");
    w->Save_Site_Click();
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(status(), "Saved Site...");
    ASSERT_EQ(sitesOnDisk().size(), 2);
    EXPECT_EQ(sitesOnDisk()[1].SiteName, padded("Berlin", 20));
    EXPECT_EQ(test::textsOf(w->ListView2), (QStringList{padded("Alpha", 20), "Berlin"}));
  } else {
    w->Site_Cancel_Click();
    EXPECT_EQ(test::textsOf(w->ListView2), QStringList{padded("Alpha", 20)}) << "no phantom entry is left";
    EXPECT_EQ(sitesOnDisk().size(), 1);
    expectIdle();
  }
}

INSTANTIATE_TEST_SUITE_P(Sequences, SiteEditorAfterAbandonedNew,
                         ::testing::Values(AbandonedNewCase{"named and saved", true, true},
                                           AbandonedNewCase{"named and cancelled", true, false},
                                           AbandonedNewCase{"cancelled unnamed", false, false}),
                         [](const auto& info) {
                           return std::string(info.param.nameSecond ? "Named" : "Unnamed") +
                                  (info.param.save ? "Saved" : "Cancelled");
                         });

TEST_F(SiteEditor, LosingTheFocusWithANamedOrNoEntryDoesNothing) {
  putSites({siteRec("Alpha")});
  start();
  w->NewSitePending = -1;
  w->ListView2_LostFocus();  // nothing selected
  clickSite("Alpha");
  w->ListView2_LostFocus();  // a named entry
  EXPECT_EQ(w->ListView2->count(), 1);
  EXPECT_EQ(beeps.beeps(), 0);
}

// New sites keep the name of their own entry, wherever the list has sorted it.
TEST_F(SiteEditor, SaveTakesTheNewEntrysNameWhateverItsPlace) {
  putSites({siteRec("Alpha"), siteRec("Zulu")});
  start();
  w->ListView2_ColumnClick(0);  // descending
  newSiteNamed("Mike");
  w->ListView2->setSortOrder(Qt::DescendingOrder);
  fill("H");
  w->Save_Site_Click();
  ASSERT_EQ(sitesOnDisk().size(), 3);
  EXPECT_EQ(sitesOnDisk()[2].SiteName, padded("Mike", 20));
}

TEST_F(SiteEditor, ColumnClickFlipsTheOrder) {
  putSites({siteRec("b"), siteRec("a"), siteRec("c")});
  start();
  EXPECT_EQ(w->ListView2->text(1).trimmed(), "a");
  w->ListView2_ColumnClick(0);
  EXPECT_EQ(w->ListView2->sortOrder(), Qt::DescendingOrder);
  EXPECT_EQ(w->ListView2->text(1).trimmed(), "c");
  w->ListView2_ColumnClick(0);
  EXPECT_EQ(w->ListView2->text(1).trimmed(), "a");
}

// --- Save's validations: a message, nothing written, the tab as it was ---

struct SaveCase {
  const char* what;
  const char* home;
  const char* exServer;
  const char* org;
  const char* exSite;
  const char* message;
  const char* title;
  int style;
  const char* statusAfter;
};

TEST_F(SiteEditor, SaveValidations) {
  const SaveCase cases[] = {
      {"no home server", "", "", "", "", "Must Enter a Site Name, And a Home Server Name", "Incorect entry",
       48, "Ready."},
      {"server only", "H", "EX1", "", "", "Must enter all three vaules for exchange.",
       "Incorrect Exchange Settings", 48, "Saving Site..."},
      {"org missing", "H", "EX1", "", "First SG", "Must enter all three vaules for exchange.",
       "Incorrect Exchange Settings", 48, "Saving Site..."},
      {"site only", "H", "", "", "S", "Must enter all three vaules for exchange.",
       "Incorrect Exchange Settings", 48, "Saving Site..."},
      {"group name too long", "H", "EX1", "Org", "A storage group name of forty characters",
       "Exchange Site holds more than 30 characters.", "Incorect entry", 48, "Ready."},
  };
  start();
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.what);
    prompts.asked.clear();
    w->Clear_Site();
    newSiteNamed("Site1");
    fill(c.home, c.exServer, c.org, c.exSite);
    w->Save_Site_Click();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].prompt, c.message);
    EXPECT_EQ(prompts.asked[0].title, c.title);
    EXPECT_EQ(prompts.asked[0].style, c.style);
    EXPECT_EQ(state::shared().Op_Status, int(ui::MsgBoxResult::OK));
    EXPECT_EQ(status(), c.statusAfter);
    EXPECT_FALSE(has("Site.dat"));
    EXPECT_TRUE(w->Save_Site->isEnabled()) << "the user can correct and save again";
    EXPECT_TRUE(editableLook(w->NTSERVER));
    EXPECT_EQ(w->NTSERVER->text(), c.home);
    w->Site_Cancel_Click();
  }
}

TEST_F(SiteEditor, SaveRefusesANameAnotherEntryHolds) {
  start();
  newSiteNamed("Rome");
  w->ListView2->add(padded("rome", 20), {}, "SITE");  // listed meanwhile
  fill("H");
  w->Save_Site_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Site Name  Already Exist \r\rChange Site Name.");
  EXPECT_EQ(prompts.asked[0].title, "Site Name Conflict...");
  EXPECT_EQ(prompts.asked[0].style, 16);
  EXPECT_EQ(status(), "Saving Site...");
  EXPECT_FALSE(has("Site.dat"));
}

TEST_F(SiteEditor, ExchangeVersionDecidesFlagAndMailboxStore) {
  start();
  w->EXH5[1]->setChecked(true);
  newSiteNamed("E2K");
  fill("H", "EXSRV", "Org", "First Storage Group");
  w->Save_Site_Click();
  w->EXH5[0]->setChecked(true);
  newSiteNamed("E55");
  fill("H", "EXSRV", "Org", "Site", "Store shown");
  w->Save_Site_Click();
  w->EXH5[1]->setChecked(true);
  newSiteNamed("NoEx");
  fill("H");
  w->Save_Site_Click();

  const auto disk = sitesOnDisk();
  ASSERT_EQ(disk.size(), 3);
  EXPECT_EQ(disk[0].Exchange2000, -1);
  EXPECT_EQ(disk[0].MailStore, padded("", 30)) << "an empty store is saved blank";
  EXPECT_EQ(disk[0].ExchSite, padded("First Storage Group", 30));
  EXPECT_EQ(disk[1].Exchange2000, 0);
  EXPECT_EQ(disk[1].MailStore, padded("", 30)) << "an Exchange 5.5 site has no store, whatever the box shows";
  EXPECT_EQ(disk[2].Exchange2000, -1) << "a site without Exchange takes the chosen option";
  EXPECT_EQ(disk[2].ExchangeServer, padded("", 20));
}

// --- click, Edit, Save of an edit ---

TEST_F(SiteEditor, ClickShowsTheSiteAndEditOverwritesItsRecordInPlace) {
  putSites({siteRec("Alpha", "H1"), siteRec("Beta", "H2", "EXB", "OrgB", "SiteB", "", 0)});
  start();
  clickSite("Beta");
  EXPECT_EQ(buttons(), (std::vector<bool>{true, true, true, false}));
  EXPECT_EQ(w->NTSERVER->text(), "H2");
  EXPECT_EQ(w->EXSite->currentText(), "SiteB");
  for (QWidget* f : fields()) EXPECT_TRUE(readOnlyLook(f));

  w->Edit_Site_Click();
  EXPECT_EQ(status(), "Edit Site...");
  for (QWidget* f : fields()) EXPECT_TRUE(editableLook(f));
  EXPECT_EQ(buttons(), (std::vector<bool>{false, false, false, true}));
  EXPECT_TRUE(w->Find_Store->isEnabled()) << "for either Exchange version";
  EXPECT_FALSE(w->ListView2->isEnabled());
  EXPECT_EQ(state::shared().EditingSite, -1);

  w->NTSERVER->setText("H2NEW");
  const int listed = w->NUsitename->count();
  w->Save_Site_Click();
  const auto disk = sitesOnDisk();
  ASSERT_EQ(disk.size(), 2);
  EXPECT_EQ(disk[1].HomeServer, padded("H2NEW", 20));
  EXPECT_EQ(disk[1].SiteName, padded("Beta", 20));
  EXPECT_EQ(w->NUsitename->count(), listed) << "an edited name is not listed again";
  EXPECT_EQ(state::shared().EditingSite, 0);
}

TEST_F(SiteEditor, EditOfADuplicateNameOverwritesTheLastLiveRecord) {
  putSites({siteRec("Dup", "H1"), siteRec("Dup", "H2"), siteRec("Dup", "H3", {}, {}, {}, {}, 0, -1)});
  start();
  w->ListView2->setSelectedIndex(1);
  w->ListView2_Click();
  EXPECT_EQ(w->NTSERVER->text(), "H1") << "the click loads the first";
  w->Edit_Site_Click();
  w->NTSERVER->setText("NEW");
  w->Save_Site_Click();
  const auto disk = sitesOnDisk();
  ASSERT_EQ(disk.size(), 3);
  EXPECT_EQ(disk[0].HomeServer, padded("H1", 20));
  EXPECT_EQ(disk[1].HomeServer, padded("NEW", 20));
  EXPECT_EQ(disk[2].HomeServer, padded("H3", 20)) << "a deleted record is never overwritten";
}

TEST_F(SiteEditor, EditAndSaveOfAnEntryWithoutRecordAppendsIt) {
  start();
  w->ListView2->add("Orphan", {}, "SITE");  // e.g. deleted by another instance meanwhile
  clickSite("Orphan");
  w->Edit_Site_Click();
  fill("H");
  w->Save_Site_Click();
  ASSERT_EQ(sitesOnDisk().size(), 1);
  EXPECT_EQ(sitesOnDisk()[0].SiteName, padded("Orphan", 20));
}

TEST_F(SiteEditor, EditAndClickWithNothingSelectedDoNothing) {
  start();
  w->Edit_Site_Click();
  w->ListView2_Click();
  EXPECT_EQ(status(), "Ready.");
  EXPECT_EQ(state::shared().EditingSite, 0);
}

// --- Delete ---

TEST_F(SiteEditor, DeleteMarksTheRecordAndRemovesTheNameFromEveryList) {
  putSites({siteRec("Alpha", "H1", "EX", "O", "S", "Store", -1), siteRec("Beta")});
  start();
  w->NUsitename->addItem(" alpha ");
  multiSite()->addItem("ALPHA");
  w->Confirm_Deletes->setChecked(false);
  clickSite("Alpha");
  w->Delete_site_Click();
  EXPECT_TRUE(prompts.asked.empty()) << "no question without Confirm_Deletes";
  EXPECT_EQ(status(), "Site Deleted.");
  const auto disk = sitesOnDisk();
  ASSERT_EQ(disk.size(), 2);
  EXPECT_EQ(disk[0].Deleted, -1);
  EXPECT_EQ(disk[0].HomeServer, padded("H1", 20)) << "only the flag changes";
  EXPECT_EQ(test::itemsOf(w->NUsitename), QStringList{padded("Beta", 20)});
  EXPECT_EQ(test::itemsOf(multiSite()), QStringList{padded("Beta", 20)});
  EXPECT_EQ(test::textsOf(w->ListView2), QStringList{padded("Beta", 20)});
  EXPECT_EQ(w->NTSERVER->text(), "");
  EXPECT_EQ(w->EXSite->currentText(), "");
  EXPECT_EQ(w->Mail_Store->currentText(), "Store") << "the store box is not emptied";
  EXPECT_TRUE(w->Delete_site->isEnabled()) << "the buttons stay as they were";

  w->Delete_site_Click();  // nothing selected any more
  EXPECT_EQ(sitesOnDisk(), disk);

  newSiteNamed("Alpha");
  fill("H9");
  w->Save_Site_Click();
  ASSERT_EQ(sitesOnDisk().size(), 3) << "a later site of the same name is a new record";
}

TEST_F(SiteEditor, DeleteConfirmationAnswers) {
  putSites({siteRec("Alpha")});
  start();
  w->Confirm_Deletes->setChecked(true);
  clickSite("Alpha");
  prompts.answer(ui::MsgBoxResult::No);
  w->Delete_site_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Sure to Delete Site Record");
  EXPECT_EQ(prompts.asked[0].title, "Delete Site Record");
  EXPECT_EQ(prompts.asked[0].style, 36);
  EXPECT_EQ(sitesOnDisk()[0].Deleted, 0) << "No stops the delete";
  EXPECT_EQ(w->ListView2->count(), 1);

  prompts.answer(ui::MsgBoxResult::Yes);
  w->Delete_site_Click();
  EXPECT_EQ(sitesOnDisk()[0].Deleted, -1);
  EXPECT_EQ(w->ListView2->count(), 0);
}

TEST_F(SiteEditor, DeleteOfANameWithoutLiveRecordChangesNothing) {
  putSites({siteRec("Gone", "H", {}, {}, {}, {}, 0, -1)});
  start();
  w->ListView2->add("Gone", {}, "SITE");
  clickSite("Gone");
  const QByteArray before = file("Site.dat");
  w->Delete_site_Click();
  EXPECT_EQ(status(), "Deleting Site...");
  EXPECT_EQ(w->ListView2->count(), 1);
  EXPECT_EQ(file("Site.dat"), before);
}

// --- the Exchange options and the store finder ---

TEST_F(SiteEditor, OptionHandlerSetsLabelsStoreBoxAndFinder) {
  w->Label14->setText("changed");
  w->EXH5[1]->setChecked(true);
  EXPECT_EQ(w->Label42->text(), "Mailbox Store");
  EXPECT_EQ(w->Label13->text(), "Storage Group");
  EXPECT_EQ(w->Label14->text(), "changed");
  EXPECT_FALSE(w->Mail_Store->isHidden());
  EXPECT_TRUE(w->Find_Store->isEnabled());
  w->EXH5[0]->setChecked(true);
  EXPECT_EQ(w->Label42->text(), "");
  EXPECT_EQ(w->Label13->text(), "Exchange Site");
  EXPECT_EQ(w->Label14->text(), "Exchange Org");
  EXPECT_TRUE(w->Mail_Store->isHidden());
  EXPECT_FALSE(w->Find_Store->isEnabled());
}

exchange::ServerStores twoGroups(Outcome outcome = Outcome::Found) {
  exchange::ServerStores s;
  s.outcome = outcome;
  s.groups = {{"First Storage Group", {"Mailbox Store (EX1)", "Staff Store"}}, {"Second SG", {"Students"}}};
  return s;
}

TEST_F(SiteEditor, StoreFinderListsGroupsAndStoresAndKeepsTheTexts) {
  finder.servers["EX1"] = twoGroups();
  w->EXSite->addItem("stale");
  w->EXSERVER->setText("ex1");
  w->EXSite->setEditText("typed group");
  w->Mail_Store->setEditText("typed store");
  w->Find_Store_Click();
  EXPECT_EQ(finder.asked, QStringList{"ex1"});
  EXPECT_EQ(test::itemsOf(w->EXSite), (QStringList{"First Storage Group", "Second SG"}));
  EXPECT_EQ(test::itemsOf(w->Mail_Store), (QStringList{"Mailbox Store (EX1)", "Staff Store", "Students"}));
  EXPECT_EQ(w->EXSite->currentText(), "typed group") << "nothing is chosen for the user";
  EXPECT_EQ(w->Mail_Store->currentText(), "typed store");
  EXPECT_EQ(w->EXSite->currentIndex(), -1);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the pointer is back";
  EXPECT_EQ(status(), "Storage groups of ex1 found.");
}

TEST_F(SiteEditor, StoreFinderFailurePaths) {
  w->EXSite->addItem("kept");
  w->EXSERVER->setText("");
  w->Find_Store_Click();
  EXPECT_TRUE(finder.asked.isEmpty()) << "no server, no search";

  w->EXSERVER->setText("nosuch");
  w->Find_Store_Click();
  EXPECT_EQ(test::itemsOf(w->EXSite), QStringList{"kept"}) << "an unknown server changes nothing";
  EXPECT_TRUE(prompts.asked.empty()) << "and shows no message";
  EXPECT_EQ(status(), "No Exchange 2000 server named nosuch was found.") << "the status bar says why";

  auto partial = twoGroups(Outcome::Failed);
  partial.groups.pop_back();
  finder.servers["HALF"] = partial;
  w->EXSERVER->setText("half");
  finder.servers["HALF"].error = "the second group could not be opened";
  w->Find_Store_Click();
  EXPECT_EQ(test::itemsOf(w->EXSite), QStringList{"First Storage Group"})
      << "what was read before the failure stays";
  EXPECT_EQ(status(), "Not every storage group of half could be read: the second group could not be opened");

  state::shared().Directory_Mode = 2;
  finder.asked.clear();
  w->Find_Store_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Not Available in WinNT mode. Windows 2000 only");
  EXPECT_EQ(prompts.asked[0].title, "WIN2000 only");
  EXPECT_EQ(prompts.asked[0].style, 64);
  EXPECT_TRUE(finder.asked.isEmpty());
}

TEST_F(SiteEditor, StoreFinderAgainstASimulatedExchange2000Server) {
  simnet::NetworkBuilder b(dir() + "network");
  b.forest("example.local", "EXAMPLE", false, "DC1");
  auto built = b.build();
  ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
  auto net = built.value();
  ASSERT_TRUE(
      simnet::addExchange2000Server(*net, "example.local",
                                    {"Example",
                                     "First Administrative Group",
                                     "EXCH1",
                                     {{"First Storage Group", {"Mailbox Store (EXCH1)"}, {"Public Store"}},
                                      {"Second Storage Group", {"Students", "Staff"}, {}}}})
          .ok());
  exchange::DirectoryStoreFinder real(net,
                                      [net](const QString& s) { return simnet::serverAnswers(*net, s); });
  exchange::setStoreFinder(&real);

  w->EXH5[1]->setChecked(true);
  w->EXSERVER->setText("exch1");
  w->Find_Store_Click();
  EXPECT_EQ(test::itemsOf(w->EXSite), (QStringList{"First Storage Group", "Second Storage Group"}));
  EXPECT_EQ(test::itemsOf(w->Mail_Store), (QStringList{"Mailbox Store (EXCH1)", "Students", "Staff"}));

  ASSERT_TRUE(net->setReachable("EXCH1", false).ok());
  w->EXSite->clear();
  w->Find_Store_Click();
  EXPECT_EQ(w->EXSite->count(), 0) << "an unreachable server leaves the lists as they were";
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_TRUE(status().startsWith("Can't reach exch1; its storage groups were not read: "))
      << status().toStdString();
}

// --- Loadsite ---

TEST_F(SiteEditor, LoadsiteMatchesTrimmedWithLetterCaseSignificant) {
  putSites({siteRec("Main", "DEADHOME", {}, {}, {}, {}, 0, -1),
            siteRec("Main", "H1", "EX1", "Org", "SG", "Store", -1), siteRec("Main", "H2"),
            siteRec("Other", "H3"), siteRec("Weird", "H4", {}, {}, {}, {}, 0, 1)});
  struct Case {
    const char* name;
    bool found;
    const char* home;
  } cases[] = {{"Main", true, "H1"},
               {"  Main ", true, "H1"},
               {"main", false, "before"},
               {"Nothing", false, "before"},
               {"Weird", true, "H4"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    w->NTSERVER->setText("before");
    EXPECT_EQ(w->Loadsite(c.name), c.found);
    EXPECT_EQ(w->NTSERVER->text(), c.home);
  }
  EXPECT_EQ(state::shared().Current_Site.SiteName, padded("Weird", 20));
  w->Loadsite("nothing");
  EXPECT_EQ(state::shared().Current_Site.SiteName, padded("Weird", 20))
      << "no match leaves the last record read";
}

TEST_F(SiteEditor, LoadsiteFillsFieldsAndTheOptionHandlerRuns) {
  putSites({siteRec("E2K", " H1 ", "EX1", "Org", "First SG", "Store A", -1),
            siteRec("E55", "H2", "EX5", "O5", "S5")});
  ASSERT_TRUE(w->Loadsite("E2K"));
  EXPECT_TRUE(w->EXH5[1]->isChecked());
  EXPECT_EQ(w->NTSERVER->text(), "H1");
  EXPECT_EQ(w->EXSERVER->text(), "EX1");
  EXPECT_EQ(w->EXSite->currentText(), "First SG");
  EXPECT_EQ(w->EXorg->text(), "Org");
  EXPECT_EQ(w->Mail_Store->currentText(), "Store A");
  EXPECT_EQ(w->Label13->text(), "Storage Group");
  EXPECT_FALSE(w->Mail_Store->isHidden());

  w->Label14->setText("stale");
  ASSERT_TRUE(w->Loadsite("E55"));
  EXPECT_TRUE(w->EXH5[0]->isChecked());
  EXPECT_EQ(w->Label13->text(), "Exchange Site");
  EXPECT_EQ(w->Label14->text(), "Exchange Org");
  EXPECT_TRUE(w->Mail_Store->isHidden());
  EXPECT_EQ(w->Mail_Store->currentText(), "");

  w->Label14->setText("stale");
  ASSERT_TRUE(w->Loadsite("E55"));
  EXPECT_EQ(w->Label14->text(), "Exchange Org") << "the handler runs for an option already chosen";
}

TEST_F(SiteEditor, LoadsiteWithoutSiteDatOrWithADamagedOne) {
  w->NTSERVER->setText("before");
  EXPECT_FALSE(w->Loadsite("Main"));
  EXPECT_FALSE(has("Site.dat"));
  EXPECT_EQ(beeps.beeps(), 0);

  put("Site.dat", siteRec("Main").encode() + QByteArray(20, ' '));
  EXPECT_FALSE(w->Loadsite("Main"));
  EXPECT_EQ(status(), "Error with " + db() + "Site.dat File...");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(w->NTSERVER->text(), "before");
}

// The readers differ in what they take for a live record: Deleted 1 is listed and loaded by the
// loader and Loadsite, but is no site for Delete and Edit, which want Deleted 0.
TEST_F(SiteEditor, ASiteMarkedOneIsShownButNeitherDeletedNorOverwritten) {
  putSites({siteRec("Odd", "H1", {}, {}, {}, {}, 0, 1)});
  start();
  clickSite("Odd");
  EXPECT_EQ(w->NTSERVER->text(), "H1");
  w->Delete_site_Click();
  EXPECT_EQ(status(), "Deleting Site...");
  EXPECT_EQ(sitesOnDisk().size(), 1);
  EXPECT_EQ(sitesOnDisk()[0].Deleted, 1);
  w->Edit_Site_Click();
  w->Save_Site_Click();
  ASSERT_EQ(sitesOnDisk().size(), 2) << "the edit is appended";
  EXPECT_EQ(sitesOnDisk()[0].Deleted, 1);
  EXPECT_EQ(sitesOnDisk()[1].Deleted, 0);
}

// --- bad input at Save ---

TEST_F(SiteEditor, SaveIntoADamagedSiteDatOrAFolderThatIsNoFolderWritesNothing) {
  const QByteArray damaged = siteRec("Alpha").encode() + QByteArray(30, 'x');
  put("Site.dat", damaged);
  newSiteNamed("Beta");
  fill("H");
  w->Save_Site_Click();
  EXPECT_EQ(status(), "Error Opening " + db() + "Site.dat");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(file("Site.dat"), damaged) << "the partial record is not overwritten";
  EXPECT_TRUE(w->Save_Site->isEnabled()) << "the tab stays as it was";
  EXPECT_FALSE(w->NUsitename->count());

  w->Site_Cancel_Click();
  w->ListView2->add("Alpha", {}, "SITE");
  clickSite("Alpha");
  beeps.resetBeeps();
  w->Delete_site_Click();
  EXPECT_EQ(status(), "Error with " + db() + "Site.dat File...");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(file("Site.dat"), damaged) << "Delete writes nothing into it";
  EXPECT_EQ(w->ListView2->count(), 1);

  put("plain", "x");
  w->dbpath->setText(db() + "plain/");
  newSiteNamed("Gamma");
  fill("H");
  w->Save_Site_Click();
  EXPECT_EQ(status(), "Error Opening " + db() + "plain/Site.dat");
  EXPECT_EQ(w->NUsitename->count(), 0);
}

}  // namespace
