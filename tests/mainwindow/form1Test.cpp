#include "mainwindow/form1.h"
#include "mainwindow/frmAbout.h"
#include "platform/registry/Registry_Object.h"
#include "startup/Clock.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "support/Fixtures.h"
#include "ui/Services.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

using namespace tavrel;
using mainwindow::form1;

namespace {

class form1Test : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    w = std::make_unique<form1>();
    w->dbpath->setText(dir());
  }
  std::unique_ptr<form1> w;
};

TEST_F(form1Test, LogTabRowsCarryIconMessageAndTime) {
  ASSERT_TRUE(w->LOG_TAB("GREEN", "User jsmith created"));
  ASSERT_TRUE(w->LOG_TAB("YELLOW", "Share failed"));
  ASSERT_EQ(w->ListView1->topLevelItemCount(), 2);
  const QTreeWidgetItem* row = w->ListView1->topLevelItem(1);
  EXPECT_EQ(row->text(0), "Share failed");
  EXPECT_EQ(row->data(0, Qt::UserRole).toString(), "YELLOW");
  EXPECT_FALSE(row->icon(0).isNull());
  EXPECT_EQ(row->text(1), startup::Clock::format(fixedClock.now()));
  EXPECT_EQ(beeps.beeps(), 0) << "GREEN and YELLOW are silent";
  EXPECT_FALSE(QFile::exists(dir() + "Log.txt")) << "the on-screen log writes no file";
}

// A new row is scrolled into view, so the last result is seen; while the administrator has
// scrolled up to read older rows, the list stays where it is.
TEST_F(form1Test, NewLogRowsAreScrolledIntoViewUnlessScrolledUp) {
  w->resize(1200, 760);
  w->show();
  QApplication::processEvents();
  QTreeWidget* log = w->ListView1;
  auto shown = [&](const QTreeWidgetItem* row) {
    QApplication::processEvents();
    return log->viewport()->rect().contains(log->visualItemRect(row));
  };
  for (int i = 0; i < 100; ++i) w->LOG_TAB("GREEN", QStringLiteral(" Created User u%1").arg(i));
  QTreeWidgetItem* last = log->topLevelItem(99);
  ASSERT_GT(log->verticalScrollBar()->maximum(), 0) << "more rows than the list shows";
  EXPECT_TRUE(shown(last));

  log->verticalScrollBar()->setValue(0);
  w->LOG_TAB("YELLOW", " Created User late");
  EXPECT_EQ(log->verticalScrollBar()->value(), 0) << "reading older rows is not interrupted";
  EXPECT_FALSE(shown(log->topLevelItem(100)));

  log->verticalScrollBar()->setValue(log->verticalScrollBar()->maximum());
  w->LOG_TAB("RED", " Error");
  EXPECT_TRUE(shown(log->topLevelItem(101)));
}

// The three lamps are told apart by their colour: green, yellow, red.
TEST_F(form1Test, TheLampsAreGreenYellowAndRed) {
  struct Case {
    const char* colour;
    int hueFrom, hueTo;
  } cases[] = {{"GREEN", 100, 140}, {"YELLOW", 53, 64}, {"RED", 0, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.colour);
    const QColor centre = w->ImageList1.icon(c.colour).pixmap(16, 16).toImage().pixelColor(8, 8);
    EXPECT_GE(centre.hsvHue(), c.hueFrom);
    EXPECT_LE(centre.hsvHue(), c.hueTo);
    EXPECT_GE(centre.hsvSaturation(), 200);
    EXPECT_GE(centre.value(), 160);
  }
  const QColor yellow = w->ImageList1.icon("YELLOW").pixmap(16, 16).toImage().pixelColor(8, 8);
  EXPECT_GE(yellow.value(), 240) << "a light yellow, not amber";
}

TEST_F(form1Test, RedBeepsExactlyOnce) {
  ASSERT_TRUE(w->LOG_TAB("RED", "Failed"));
  EXPECT_EQ(beeps.beeps(), 1);
}

TEST_F(form1Test, UnknownColourIsRefusedBeforeARowIsAdded) {
  // Keys of other pictures in the image list are no colours either.
  for (const char* colour : {"Red", "BLUE", "", "green", "SITE", "OU", "USER"}) {
    EXPECT_FALSE(w->LOG_TAB(colour, "x")) << colour;
  }
  EXPECT_EQ(w->ListView1->topLevelItemCount(), 0);
  EXPECT_EQ(beeps.beeps(), 0);
}

TEST_F(form1Test, ClearLogEmptiesTheListAndKeepsLogTxt) {
  { startup::LogFile log(dir()); log.line("kept"); }
  w->LOG_TAB("GREEN", "a");
  w->Clear_log_Click();
  EXPECT_EQ(w->ListView1->topLevelItemCount(), 0);
  w->LOG_TAB("GREEN", "b");
  EXPECT_EQ(w->ListView1->topLevelItemCount(), 1);
  EXPECT_TRUE(test::readAll(dir() + "Log.txt").contains("kept"));
}

TEST_F(form1Test, DeleteLogFileAsksAndNoLeavesTheFileByteForByte) {
  { startup::LogFile log(dir()); log.line("first"); }
  const QByteArray before = test::readAll(dir() + "Log.txt");
  prompts.answer(ui::MsgBoxResult::No);
  w->Delete_Log_File_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Sure to delete the log file");
  EXPECT_EQ(prompts.asked[0].title, "Delete Log File");
  EXPECT_EQ(prompts.asked[0].style, 36);
  EXPECT_EQ(test::readAll(dir() + "Log.txt"), before);

  prompts.answer(ui::MsgBoxResult::Yes);
  w->Delete_Log_File_Click();
  EXPECT_FALSE(QFile::exists(dir() + "Log.txt"));
  { startup::LogFile log(dir()); }
  EXPECT_TRUE(test::readAll(dir() + "Log.txt").startsWith("*****************************************\r\n"));

  // Yes with no file: nothing happens, no further box.
  QFile::remove(dir() + "Log.txt");
  prompts.answer(ui::MsgBoxResult::Yes);
  w->Delete_Log_File_Click();
  EXPECT_EQ(prompts.asked.size(), 3u);
}

TEST_F(form1Test, LogDetailAndViewLogOpenTheFileAsOneArgument) {
  const QString spaced = dir() + "data base/";
  w->dbpath->setText(spaced);
  qputenv("VISUAL", "");
  qputenv("EDITOR", "");
  QList<QStringList> calls;
  ui::setLauncher([&](const QString& program, const QStringList& args) {
    calls << (QStringList{program} + args);
    return true;
  });
  w->Log_Detail_Click();
  w->View_Log->trigger();
  ASSERT_EQ(calls.size(), 2);
  EXPECT_EQ(calls[0], (QStringList{"xdg-open", spaced + "Log.txt"}));
  EXPECT_EQ(calls[1], calls[0]);

  ui::setLauncher([](const QString&, const QStringList&) { return false; });
  w->Log_Detail_Click();
  ASSERT_EQ(prompts.asked.size(), 1u) << "an editor that cannot start is reported";
  EXPECT_EQ(prompts.asked[0].prompt,
            "Could not start xdg-open.\r\nOpen the file by hand: " + spaced + "Log.txt")
      << "the path is named, so the file can be opened by hand";
  EXPECT_EQ(prompts.asked[0].title, "Open Log File");
}

TEST_F(form1Test, ControlsAndMenuBarCarryTheirNames) {
  for (const char* name : {"SSTab1", "TreeView1", "ListView1", "StatusBar1", "Clear_log",
                           "Delete_Log_File", "Log_Detail", "dbpath"})
    EXPECT_NE(w->findChild<QWidget*>(name), nullptr) << name;

  struct Item {
    const char* name;
    const char* caption;
    bool enabled;
  };
  const Item items[] = {{"Import_Users", "&Import Users", true},
                        {"View_Log", "&View Log File", true},
                        {"Backup_Files", "&Backup DataBase Files", true},
                        {"Exit1", "E&xit", true},
                        {"Multi", "&Multi User Functions", true},
                        {"Gblgropus", "&Groups", true},
                        {"DataBase", "&Compact Database", true},
                        {"about", "&About", true},
                        {"Help", "&Help", true}};
  for (const Item& it : items) {
    auto* a = w->findChild<QAction*>(it.name);
    ASSERT_NE(a, nullptr) << it.name;
    EXPECT_EQ(a->text(), it.caption);
    EXPECT_EQ(a->isEnabled(), it.enabled) << it.name;
  }
  QStringList menus;
  for (QAction* a : w->menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{"&File", "&Options", "&Help"}));
}

TEST_F(form1Test, StatusBarHasTwoPanels) {
  w->StatusBar1->setPanelText(1, "Ready.");
  w->StatusBar1->setPanelText(2, "WinNT");
  EXPECT_EQ(w->StatusBar1->panelText(1), "Ready.");
  EXPECT_EQ(w->StatusBar1->panelText(2), "WinNT");
  EXPECT_EQ(w->StatusBar1->panelText(3), "");
}

// ---- The window's size ----------------------------------------------------------------------

// On a 1280x800 screen (a panel of 30 pixels) with nothing stored, the window fits, every tab
// shows in full and the tree shows its longest demonstration names whole.
TEST_F(form1Test, TheFirstStartFitsA1280By800ScreenWithNothingCut) {
  ui::setAvailableScreenAreaOverride(QRect(0, 0, 1280, 770));
  w->restoreWindowLayout();
  w->show();
  QApplication::processEvents();
  EXPECT_LE(w->width(), 1270);
  EXPECT_LE(w->height(), 730);
  EXPECT_GE(w->width(), 1200);
  EXPECT_LE(w->SSTab1->tabBar()->sizeHint().width(), w->SSTab1->width()) << "every tab shows in full";
  const QFontMetrics fm(w->TreeView1->font());
  const int name = 2 * w->TreeView1->indentation() + 16 + 12 + fm.horizontalAdvance("Engineering");
  EXPECT_GE(w->TreeView1->viewport()->width(), name) << "an OU's name is not cut";
}

TEST_F(form1Test, TheSizeAndTheTreeWidthAreKeptFromOneStartToTheNext) {
  ui::setAvailableScreenAreaOverride(QRect(0, 0, 1600, 1000));
  w->restoreWindowLayout();  // nothing stored yet: the default size
  w->show();
  QApplication::processEvents();
  EXPECT_EQ(w->size(), QSize(form1::kDefaultWidth, form1::kDefaultHeight));
  EXPECT_EQ(w->treeWidth(), form1::kDefaultTreeWidth);
  EXPECT_EQ(w->TreeView1->width(), form1::kDefaultTreeWidth);

  // Closing the window and File, Exit both keep what the administrator set.
  const std::pair<const char*, std::function<void(form1&)>> ends[] = {
      {"close", [](form1& f) { f.close(); }}, {"exit", [](form1& f) {
                                                 // File, Exit ends the main event loop.
                                                 QTimer::singleShot(0, &f, [&f] { f.Exit1_Click(); });
                                                 QApplication::exec();
                                               }}};
  int width = 1300;
  for (const auto& [how, end] : ends) {
    SCOPED_TRACE(how);
    form1 f;
    f.show();
    f.resize(width, 820);
    QApplication::processEvents();
    auto* split = qobject_cast<QSplitter*>(f.TreeView1->parentWidget());
    ASSERT_NE(split, nullptr);
    split->setSizes({340, width - 340});
    const int tree = f.treeWidth();
    end(f);

    form1 next;
    next.restoreWindowLayout();
    next.show();
    QApplication::processEvents();
    EXPECT_EQ(next.size(), QSize(width, 820));
    EXPECT_EQ(next.treeWidth(), tree);
    EXPECT_EQ(next.TreeView1->width(), tree);
    width += 50;
  }
}

// Stored values that cannot be used give the defaults, and a size larger than the screen is
// fitted into it.
TEST_F(form1Test, StoredSizesAreCheckedAndFittedToTheScreen) {
  ui::setAvailableScreenAreaOverride(QRect(0, 0, 1024, 738));
  struct Case {
    const char *width, *height;
    QSize expected;
  } cases[] = {
      {"abc", "", QSize(1014, 698)},  // the defaults, fitted
      {"-5", "0", QSize(1014, 698)},
      {"99999", "99999", QSize(1014, 698)},
      {"1010", "650", QSize(1010, 650)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    ASSERT_TRUE(
        state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Window"), "Width", c.width));
    ASSERT_TRUE(state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Window"), "Height",
                                         c.height));
    form1 f;
    f.restoreWindowLayout();
    EXPECT_EQ(f.size().expandedTo(f.minimumSizeHint()), c.expected.expandedTo(f.minimumSizeHint()));
    EXPECT_LE(f.treeWidth(), f.width() - f.SSTab1->minimumSizeHint().width());
  }
}

TEST_F(form1Test, TheAboutWindowShowsItsWholeTitle) {
  mainwindow::frmAbout about(w.get());
  EXPECT_GE(about.minimumWidth(), about.fontMetrics().horizontalAdvance(about.windowTitle()) + 200)
      << "room for the title beside the title bar's buttons";
}

TEST(SmallWindows, AboutAndSplashTexts) {
  mainwindow::frmAbout about;
  EXPECT_EQ(about.windowTitle(), "About Tavrel");
  EXPECT_EQ(about.lblTitle->text(), "Tavrel");
  EXPECT_EQ(about.lblversion->text(), "Version 3.2.9");

  mainwindow::frmSplash splash;
  EXPECT_EQ(splash.lblProductName->text(), "Tavrel");
  EXPECT_EQ(splash.lblversion->text(), "Version 3.2.9");
  EXPECT_NE(splash.findChild<QLabel*>("lblPlatform"), nullptr);
  EXPECT_EQ(splash.lblSystems->text(), "XP/2000/NT 4.0");
  splash.setStatus("Loading Settings");
  EXPECT_EQ(splash.Splash_TxT->text(), "Loading Settings");
}

QList<QWidget*> visibleWindowsNamed(const QString& name) {
  QList<QWidget*> out;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == name && w->isVisible()) out << w;
  return out;
}

// The start-up keeps handling input while the splash window shows its progress, so a key press
// closes it; Unload_Splash closes it too.
TEST(SmallWindows, AKeyPressOrUnloadSplashClosesTheSplash) {
  mainwindow::frmSplash splash;
  splash.show();
  QCoreApplication::postEvent(&splash, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
  splash.setStatus("Loading Databases...");
  EXPECT_FALSE(splash.isVisible()) << "the key press was handled while the status was shown";

  splash.show();
  ASSERT_EQ(visibleWindowsNamed("frmSplash").size(), 1);
  mainwindow::Unload_Splash();
  EXPECT_FALSE(splash.isVisible());
  mainwindow::Unload_Splash();  // nothing shown: nothing happens
}

TEST_F(form1Test, AboutIsOneModalWindow) {
  int shownWhileOpen = -1;
  bool modal = false;
  QTimer::singleShot(0, [&] {
    w->about_Click();  // a second request while the window is open
    const auto shown = visibleWindowsNamed("frmAbout");
    shownWhileOpen = int(shown.size());
    modal = !shown.isEmpty() && shown[0]->isModal();
    for (QWidget* about : shown) static_cast<QDialog*>(about)->accept();
  });
  w->about_Click();
  EXPECT_EQ(shownWhileOpen, 1);
  EXPECT_TRUE(modal);
  EXPECT_TRUE(visibleWindowsNamed("frmAbout").isEmpty()) << "unloaded when closed";
}

}  // namespace

namespace {

class NameFieldsTest : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    w = std::make_unique<form1>();
  }
  std::unique_ptr<form1> w;
};

TEST_F(NameFieldsTest, EveryChangeOfANameFieldRecomputesTheId) {
  w->setupid->setText("1%first%%last%");
  w->strFirst->setText("John");
  w->strLast->setText("Smith");
  EXPECT_EQ(w->UserID_Box->text(), "JSmith");
  w->strLast->setText(" Smithers ");
  EXPECT_EQ(w->UserID_Box->text(), "JSmithers") << "names are trimmed";
  w->UserID_Box->setText("handtyped");
  w->StrMiddle->setText("Q");
  EXPECT_EQ(w->UserID_Box->text(), "JSmithers") << "a name change overwrites a hand-typed ID";
}

TEST_F(NameFieldsTest, AFormatThatCannotBeExpandedGivesNoIdAndARedRow) {
  state::shared().ImportField[1] = QStringLiteral("%IMPORT2%%IMPORT2%");
  for (int k = 2; k < 99; ++k) state::shared().ImportField[k] = QStringLiteral("%IMPORT%1%%IMPORT%1%").arg(k + 1);
  w->setupid->setText("%IMPORT1%");
  w->strFirst->setText("John");
  EXPECT_EQ(w->UserID_Box->text(), "");
  ASSERT_GE(w->ListView1->topLevelItemCount(), 1);
  const QTreeWidgetItem* row = w->ListView1->topLevelItem(w->ListView1->topLevelItemCount() - 1);
  EXPECT_EQ(row->data(0, Qt::UserRole).toString(), "RED");
  EXPECT_TRUE(row->text(0).contains("expands to more than 32767 characters")) << row->text(0).toStdString();
}

TEST_F(NameFieldsTest, ReversePassword) {
  EXPECT_EQ(w->Reverse_Password("abc"), "cba");
  EXPECT_EQ(w->Reverse_Password("a"), "a");
  EXPECT_EQ(w->Reverse_Password(""), "");
}

}  // namespace
