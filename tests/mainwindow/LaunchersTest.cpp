// The menu bar's launchers: the bulk window's tabs per domain mode, the group window, the
// Exchange administrator fields of "Use Current Credentials", and the help beside the program
// opened from the menu and by F1.

#include "DomainFixture.h"

#include "mainwindow/HelpWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>

using namespace tavrel;
using mainwindow::HelpWindow;
using simnet::UserSpec;

namespace {

class Launchers : public test::DomainFixture {
 protected:
  void TearDown() override {
    HelpWindow::unload();
    DomainFixture::TearDown();
  }
  void domain(bool nt) {
    builder->forest("example.local", "EXAMPLE").nt4Domain("OLDCORP").user("OLDCORP", "jdoe");
    builder->user("example.local", "jsmith");
    install();
    ASSERT_TRUE(connect(nt ? "OLDCORP" : "example.local"));
  }
  // A fresh window and network connected to the Active Directory or the NT domain.
  void restartWith(bool nt) {
    if (net) {
      TearDown();
      QDir(dir() + "net").removeRecursively();
      QDir(db()).removeRecursively();
      SetUp();
    }
    domain(nt);
  }
  static QString helpFolder() { return QCoreApplication::applicationDirPath() + "/help/"; }
};

TEST_F(Launchers, MultiUserTabsFollowTheModeAfterTheToolbarNarrowedThem) {
  SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
  struct Case {
    bool nt;
    bool attributeTab;
  } cases[] = {{false, true}, {true, false}};
  for (const Case& c : cases) {
    restartWith(c.nt);
    bulk::MultiUser& m = bulkWindow();
    for (int tab = 1; tab <= 3; ++tab)
      m.SSTab1->setTabEnabled(tab, false);  // as the toolbar's delete leaves it
    w->Multi->trigger();
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(m.windowModality(), Qt::ApplicationModal);
    for (int tab = 0; tab < 3; ++tab) EXPECT_TRUE(m.SSTab1->isTabEnabled(tab)) << tab << " nt=" << c.nt;
    EXPECT_EQ(m.SSTab1->isTabEnabled(bulk::MultiUser::kADPropertiesTab), c.attributeTab) << c.nt;
    m.hide();
  }
}

TEST_F(Launchers, GroupsOpensTheGroupWindowModal) {
  domain(false);
  w->Gblgropus->trigger();
  groups::Groupsfrm* g = groups::Groupsfrm::existing();
  ASSERT_NE(g, nullptr);
  EXPECT_TRUE(g->isVisible());
  EXPECT_EQ(g->windowModality(), Qt::ApplicationModal);
  EXPECT_GT(g->ListView1->count(), 0) << "the domain's groups are listed";
  g->hide();
}

TEST_F(Launchers, CurrentCredentialsLockTheExchangeAdministratorFields) {
  for (bool current : {true, false, true}) {
    w->Mail_Logon->setChecked(current);
    for (QLineEdit* field : {w->txtAdmin, w->txtPassword}) {
      EXPECT_EQ(field->isEnabled(), !current) << field->objectName().toStdString();
      EXPECT_EQ(field->palette().color(QPalette::Base),
                current ? w->Field_Colour : mainwindow::form1::editableColour())
          << current;
    }
  }
}

TEST_F(Launchers, HelpFilePathIsBesideTheProgramForSelectorOneOnly) {
  EXPECT_EQ(mainwindow::form1::Help_File_Path(1), helpFolder() + "index.html");
  for (int16_t other : {0, 2, -1}) EXPECT_EQ(mainwindow::form1::Help_File_Path(other), "") << other;
}

TEST_F(Launchers, HelpOpensOnItsContentsFromTheMenuAndByF1) {
  ASSERT_TRUE(QFileInfo::exists(helpFolder() + "index.html")) << "the help is copied beside the tests";
  w->show();
  for (int way = 0; way < 2; ++way) {
    HelpWindow::unload();
    if (way == 0) {
      w->Help->trigger();
    } else {
      w->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
      QTest::keyClick(w->TreeView1, Qt::Key_F1);
    }
    HelpWindow* help = HelpWindow::existing();
    ASSERT_NE(help, nullptr) << way;
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->Viewer->source().toLocalFile(), helpFolder() + "index.html");
    EXPECT_EQ(help->Contents->item(0)->text(), "Tavrel Help");
    EXPECT_GE(help->Contents->count(), 5);
  }
}

TEST_F(Launchers, HelpSearchListsThePagesHoldingEveryWord) {
  HelpWindow& help = HelpWindow::instance();
  help.openContents(helpFolder() + "index.html");
  const int all = help.Contents->count();
  help.SearchText->setText("mandatory hive");
  ASSERT_EQ(help.Contents->count(), 1);
  EXPECT_EQ(help.Contents->item(0)->text(), "Deleting a user's profile hive");
  help.Contents->setCurrentRow(0);
  EXPECT_TRUE(help.Viewer->source().toLocalFile().endsWith("/profiles.html"));
  help.SearchText->setText("nosuchwordanywhere");
  EXPECT_EQ(help.Contents->count(), 0);
  help.SearchText->clear();
  EXPECT_EQ(help.Contents->count(), all);

  help.openContents(dir() + "missing/index.html");
  EXPECT_EQ(help.Contents->count(), 0);
  EXPECT_TRUE(help.Viewer->toPlainText().contains("was not found"));
}

TEST_F(Launchers, EveryHelpPageLinkAndPictureIsShipped) {
  const QDir folder(helpFolder());
  const QStringList pages = folder.entryList({"*.html"});
  ASSERT_FALSE(pages.isEmpty());
  static const QRegularExpression ref(QStringLiteral("(?:href|src)=\"([^\"#:]+)\""));
  for (const QString& page : pages) {
    const QString html = QString::fromUtf8(test::readAll(folder.filePath(page)));
    EXPECT_TRUE(html.contains("<title>")) << page.toStdString();
    for (auto it = ref.globalMatch(html); it.hasNext();) {
      const QString target = it.next().captured(1);
      EXPECT_TRUE(QFileInfo::exists(folder.filePath(target)))
          << page.toStdString() << " -> " << target.toStdString();
    }
  }
}

}  // namespace
