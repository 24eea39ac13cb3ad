// The domain tree in the main window: the right press and the popup's commands, the reload of F5
// and Refresh, the toolbar's buttons, Find, and the drag of a user onto an organisational unit
// (also against the test DC as dc.*).

#include "DomainFixture.h"

#include "startup/LogFile.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

using namespace tavrel;
using simnet::GroupSpec;
using simnet::UserSpec;

namespace {

// Runs the event loop for `ms` milliseconds (timers fire).
void waitFor(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

const QString kPath = QStringLiteral("LDAP://example.local/");
const QString kDomainDn = QStringLiteral("DC=example,DC=local");
const QString kSales = QStringLiteral("OU=Sales,DC=example,DC=local");
const QString kStaff = QStringLiteral("OU=Staff,DC=example,DC=local");
const QString kJohn = kPath + QStringLiteral("CN=John Smith,OU=Sales,DC=example,DC=local");
const QString kMary = kPath + QStringLiteral("CN=Mary Jones,OU=Sales,DC=example,DC=local");
const QString kSalesTeam = kPath + QStringLiteral("CN=Sales Team,OU=Sales,DC=example,DC=local");

class Tree : public test::DomainFixture {
 protected:
  void adDomain(int extraUsers = 0) {
    if (!test::onTestDc()) builder->forest("example.local", "EXAMPLE");
    builder->ou("example.local", "OU=Sales")
        .ou("example.local", "OU=Staff")
        .user("example.local", "jsmith",
              UserSpec().in("OU=Sales").named("John Smith").withPassword("Secret1x"))
        .user("example.local", "mjones",
              UserSpec().in("OU=Sales").named("Mary Jones").withPassword("Secret2x"))
        // A user named as the unit it will be dragged onto.
        .user("example.local", "staffer", UserSpec().in("OU=Sales").named("Staff").withPassword("Secret3x"))
        .group("example.local", "Sales Team", GroupSpec().in("OU=Sales"))
        .member("example.local", "Sales Team", "jsmith");
    for (int i = 0; i < extraUsers; ++i)
      builder->user("example.local", QStringLiteral("u%1").arg(i, 3, 10, QChar('0')),
                    UserSpec().in("OU=Staff").named(QStringLiteral("Extra %1").arg(i, 3, 10, QChar('0'))));
    if (extra) extra();
    install();
    ASSERT_TRUE(connect("example.local"));
    w->DomName->setEditText("example.local");
  }
  std::function<void()> extra;  // more of the network, built after the domain
  void ntDomain() {
    builder->forest("example.local", "EXAMPLE")
        .nt4Domain("OLDCORP")
        .user("OLDCORP", "jdoe", UserSpec().withPassword("Secret3x"))
        .user("OLDCORP", "asmith", UserSpec().withPassword("Secret4x"))
        .group("OLDCORP", "Accounts", GroupSpec().ofType(2));
    install();
    ASSERT_TRUE(connect("OLDCORP"));
    w->DomName->setEditText("OLDCORP");
  }
  QTreeWidgetItem* byText(const QString& text) const {
    for (QTreeWidgetItemIterator it(w->TreeView1); *it; ++it)
      if ((*it)->text(0) == text) return *it;
    return nullptr;
  }
  // The window on the screen, so that nodes have places the pointer can reach.
  void showWindow() {
    w->resize(1100, 760);
    w->show();
    waitFor(50);
    w->TreeView1->expandAll();
    QApplication::processEvents();
  }
  QPoint at(QTreeWidgetItem* n) const {
    w->TreeView1->scrollToItem(n);
    return w->TreeView1->visualItemRect(n).center();
  }
  void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
             Qt::KeyboardModifiers mods) {
    QWidget* vp = w->TreeView1->viewport();
    QMouseEvent e(type, QPointF(pos), QPointF(vp->mapToGlobal(pos)), button, buttons, mods);
    QApplication::sendEvent(vp, &e);
  }
  // Right-presses the node; the popup's state is read instead of shown.
  std::map<int, std::pair<bool, bool>> rightPress(QTreeWidgetItem* n) {
    std::map<int, std::pair<bool, bool>> seen;  // item -> (visible, enabled)
    w->Popup_Shower = [&] {
      for (int i = 1; i <= 14; ++i)
        if (!w->mnupopup[i]->isSeparator())
          seen[i] = {w->mnupopup[i]->isVisible(), w->mnupopup[i]->isEnabled()};
    };
    mouse(QEvent::MouseButtonPress, at(n), Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    mouse(QEvent::MouseButtonRelease, at(n), Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    return seen;
  }
  QStringList enabledItems(const std::map<int, std::pair<bool, bool>>& seen) const {
    QStringList out;
    for (auto [i, s] : seen)
      if (s.first && s.second) out << w->mnupopup[i]->text();
    return out;
  }
  QVariant read(const QString& path, const QString& name) {
    auto o = admin().GetObject(path);
    if (!o) return {};
    auto v = o->Get(name);
    return v ? *v : QVariant();
  }
  QStringList members(const QString& groupPath) {
    auto o = admin().GetObject(groupPath);
    if (!o) return {};
    auto v = o->GetEx(QStringLiteral("member"));
    QStringList out;
    if (v)
      for (const QVariant& m : *v) out << m.toString().toLower();
    return out;
  }
  // Log.txt's last block, from its header on.
  QStringList lastBlock() const {
    const QStringList lines = logLines();
    const qsizetype from = lines.lastIndexOf(startup::kLogHeader);
    return from < 0 ? QStringList() : lines.mid(from);
  }
  bulk::Catalogue& cat() const { return bulk::catalogue(); }
  QString dateLine() const { return startup::clock().dateTimeText(); }
};

// --- Right press and popup ---

TEST_F(Tree, ARightPressSelectsTheNodeUnderThePointerBeforeThePopupIsSetUp) {
  adDomain();
  showWindow();
  w->TreeView1->setCurrentItem(node(kSales));
  const auto onUser = rightPress(node(kJohn));
  EXPECT_EQ(keyOf(w->TreeView1->currentItem()), kJohn) << "the commands act on the node right-pressed";
  EXPECT_EQ(enabledItems(onUser),
            (QStringList{"De&tails", "&Reset Password", "&Delete User", "&Move User",
                         "&Rename User", "Delete &Server Profile", "Delete &WKS Profile", "Create OU"}));
  EXPECT_TRUE(onUser.at(11).first) << "Create OU is listed in Active Directory";

  for (QTreeWidgetItem* n : {node(kSales), w->TreeView1->topLevelItem(0)}) {
    SCOPED_TRACE(n->text(0).toStdString());
    const auto seen = rightPress(n);
    EXPECT_EQ(w->TreeView1->currentItem(), n);
    EXPECT_EQ(enabledItems(seen), QStringList{"Create OU"});
  }
}

TEST_F(Tree, NtModeHidesCreateOuAndARightPressOnNothingShowsNoPopup) {
  ntDomain();
  showWindow();
  const auto seen = rightPress(byText("jdoe"));
  EXPECT_EQ(w->TreeView1->currentItem()->text(0), "jdoe");
  EXPECT_FALSE(seen.at(11).first);
  EXPECT_FALSE(seen.at(11).second);
  EXPECT_EQ(enabledItems(seen), (QStringList{"De&tails", "&Reset Password", "&Delete User", "&Move User",
                                             "&Rename User", "Delete &Server Profile", "Delete &WKS Profile"}));

  bool shown = false;
  w->Popup_Shower = [&] { shown = true; };
  const QPoint below(5, w->TreeView1->viewport()->height() - 3);
  ASSERT_EQ(w->TreeView1->itemAt(below), nullptr);
  mouse(QEvent::MouseButtonPress, below, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  EXPECT_FALSE(shown);
  EXPECT_EQ(w->TreeView1->currentItem()->text(0), "jdoe");
}

TEST_F(Tree, TheDoubleClickShowsDetailsOnlyForUsers) {
  adDomain();
  struct Case {
    QString key;
    QString loaded;
  };
  // A group's node, as a loader that shows groups in the tree would add it.
  auto* group = new QTreeWidgetItem(node(kSales), QStringList{"Sales Team"});
  group->setData(0, kKeyRole, kSalesTeam);
  group->setData(0, kIconRole, "W2KGRP");
  for (const Case& c :
       {Case{kJohn, "John Smith"}, Case{kSales, ""}, Case{kDomainDn, ""}, Case{kSalesTeam, ""}}) {
    SCOPED_TRACE(c.key.toStdString());
    w->TreeView1->setCurrentItem(node(c.key));
    w->TreeView1_DblClick();
    EXPECT_EQ(w->USERID->text(), c.loaded);
    EXPECT_EQ(w->USERID_W2K->text(), c.loaded.isEmpty() ? QString() : c.key);
  }
}

// --- Reset Password ---

TEST_F(Tree, ResetPasswordWithAndWithoutConfirmation) {
  adDomain();
  w->defaultpassword->setText("%username%-New1");
  struct Case {
    bool confirm;
    std::optional<ui::MsgBoxResult> answer;
    bool reset;
  };
  const Case cases[] = {
      {false, std::nullopt, true}, {true, ui::MsgBoxResult::Yes, true}, {true, ui::MsgBoxResult::No, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.confirm << " " << c.reset);
    QFile::remove(db() + "Log.txt");
    w->ListView1->clear();
    ASSERT_TRUE(admin().GetObject(kJohn)->Put("pwdLastSet", QVariant(qlonglong(-1))).ok());
    ASSERT_TRUE(admin().GetObject(kJohn)->SetInfo().ok());
    prompts.asked.clear();
    w->Confirm_Resets->setChecked(c.confirm);
    if (c.answer) prompts.answer(*c.answer);
    w->TreeView1->setCurrentItem(node(kJohn));
    w->mnupopup_Click(3);
    if (c.confirm) {
      ASSERT_EQ(prompts.asked.size(), 1u);
      EXPECT_EQ(prompts.asked[0].prompt, "Reset Password for John Smith");
      EXPECT_EQ(prompts.asked[0].title, "Reset Password");
      EXPECT_EQ(prompts.asked[0].style, 36);
    } else {
      EXPECT_TRUE(prompts.asked.empty());
    }
    if (!c.reset) {
      EXPECT_FALSE(QFile::exists(db() + "Log.txt"));
      EXPECT_EQ(w->ListView1->topLevelItemCount(), 0);
      continue;
    }
    EXPECT_EQ(lastBlock(), (QStringList{startup::kLogHeader, dateLine(), "Password Reset for: John Smith"}));
    ASSERT_EQ(w->ListView1->topLevelItemCount(), 1);
    EXPECT_EQ(w->ListView1->topLevelItem(0)->text(0), " Password Reset For John Smith");
    EXPECT_EQ(status(), "Password for John Smith has Been Reset.");
    EXPECT_EQ(read(kJohn, "pwdLastSet").toLongLong(), 0);
  }
}

TEST_F(Tree, NoPasswordReachesTheLogEvenWithDebug) {
  ntDomain();
  w->Command_Line = "/DEBUG";
  w->defaultpassword->setText(" %USERNAMEB% ");
  w->TreeView1->setCurrentItem(byText("jdoe"));
  w->mnupopup_Click(3);
  EXPECT_EQ(lastBlock(), (QStringList{startup::kLogHeader, dateLine(), "Password Reset for: jdoe"}));
  EXPECT_FALSE(QString::fromLatin1(test::readAll(db() + "Log.txt")).contains("eodj"));
  EXPECT_EQ(status(), "Password for jdoe has Been Reset.");
}

TEST_F(Tree, AFailedResetIsLoggedWithoutAnOnScreenRow) {
  adDomain();
  // The account went away behind the tree's back.
  ASSERT_TRUE(admin().GetObject(kPath + kSales)->Delete("user", "CN=Mary Jones").ok());
  w->TreeView1->setCurrentItem(node(kMary));
  w->mnupopup_Click(3);
  EXPECT_EQ(status(), "Error ReSetting Password...");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(lastBlock(),
            (QStringList{startup::kLogHeader, dateLine(), "Error ReSetting Password for: Mary Jones"}));
  EXPECT_EQ(w->ListView1->topLevelItemCount(), 0);
}

// --- The hand-off to the bulk window ---

TEST_F(Tree, DeleteAndMoveHandTheUserToTheBulkWindow) {
  adDomain();
  w->TreeView1->setCurrentItem(node(kJohn));
  w->mnupopup_Click(5);
  bulk::MultiUser& m = bulkWindow();
  EXPECT_EQ(cat().selection.keys(), QStringList{kJohn});
  EXPECT_EQ(cat().users.findKey(kJohn), 0);
  EXPECT_TRUE(m.isVisible());
  EXPECT_TRUE(m.SSTab1->isTabEnabled(0));
  for (int t : {1, 2, 3}) EXPECT_FALSE(m.SSTab1->isTabEnabled(t));
  // Again on the same user: nothing to add.
  w->mnupopup_Click(5);
  EXPECT_EQ(cat().selection.keys(), QStringList{kJohn});
  m.Command7_Click();  // "&Close" returns the selection

  w->TreeView1->setCurrentItem(node(kMary));
  w->mnupopup_Click(6);
  EXPECT_EQ(cat().selection.keys(), QStringList{kMary});
  EXPECT_TRUE(m.SSTab1->isTabEnabled(1));
  for (int t : {0, 2, 3}) EXPECT_FALSE(m.SSTab1->isTabEnabled(t));
  EXPECT_TRUE(cat().invariantBreaches().isEmpty());

  // An organisational unit matches no user: the window opens with nothing added.
  m.Command7_Click();
  w->TreeView1->setCurrentItem(node(kSales));
  w->Toolbar1_ButtonClick("deleteuser");
  EXPECT_EQ(cat().selection.count(), 0);
  EXPECT_TRUE(m.SSTab1->isTabEnabled(0));
  EXPECT_FALSE(m.SSTab1->isTabEnabled(1));
}

TEST_F(Tree, NtHandOffFindsTheUserByName) {
  ntDomain();
  w->TreeView1->setCurrentItem(byText("jdoe"));
  w->Toolbar1_ButtonClick("deleteuser");
  EXPECT_EQ(cat().selection.texts(), QStringList{"jdoe"});
  EXPECT_FALSE(cat().users.texts().contains("jdoe"));
}

// --- F5 and Refresh ---

// After a reload every list holds each object once, the selection is empty, and the lists match
// a fresh connect: F5 and Refresh alike.
class Reload : public Tree {
 protected:
  void check(bool nt) {
    const QStringList users = cat().users.texts(), groups = cat().groups.texts(), ous = cat().ous.texts();
    const QStringList notMembers = texts(groupWindow().NotMembers),
                      groupList = texts(groupWindow().ListView1);
    const int nodes = countNodes();
    for (const char* how : {"F5", "Refresh"}) {
      SCOPED_TRACE(how);
      // A user in the selection, from the popup's hand-off.
      w->TreeView1->setCurrentItem(nt ? byText("jdoe") : node(kJohn));
      w->mnupopup_Click(5);
      ASSERT_EQ(cat().selection.count(), 1);
      if (QLatin1String(how) == QLatin1String("F5")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
        QApplication::sendEvent(w->TreeView1, &press);
      } else {
        w->Toolbar1_ButtonClick("Refresh");
      }
      EXPECT_EQ(cat().selection.count(), 0);
      EXPECT_TRUE(cat().invariantBreaches().isEmpty()) << cat().invariantBreaches().join(", ").toStdString();
      const QStringList usersNow = cat().users.texts();
      EXPECT_EQ(QSet<QString>(usersNow.begin(), usersNow.end()), QSet<QString>(users.begin(), users.end()));
      EXPECT_EQ(cat().users.count(), users.size());
      EXPECT_EQ(cat().groups.count(), groups.size());
      EXPECT_EQ(cat().ous.texts(), ous);
      EXPECT_EQ(texts(groupWindow().NotMembers), notMembers);
      EXPECT_EQ(texts(groupWindow().ListView1), groupList);
      EXPECT_EQ(countNodes(), nodes);
    }
  }
  int countNodes() const {
    int n = 0;
    for (QTreeWidgetItemIterator it(w->TreeView1); *it; ++it) ++n;
    return n;
  }
};

TEST_F(Reload, ActiveDirectory) {
  adDomain();
  check(false);
}

TEST_F(Reload, Nt) {
  ntDomain();
  check(true);
}

TEST_F(Tree, TheReloadConnectsToTheTrimmedDomainName) {
  adDomain();
  w->DomName->setEditText("  example.local ");
  w->Toolbar1_ButtonClick("Refresh");
  EXPECT_EQ(state::shared().Domain_Name, "example.local");
  EXPECT_NE(node(kJohn), nullptr);
}

// --- Find ---

TEST_F(Tree, FindWalksTheTreeAndAsksAfterEachMatch) {
  if (!test::onTestDc()) builder->forest("example.local", "EXAMPLE");
  builder->ou("example.local", "OU=Smiley")
      .user("example.local", "smith", UserSpec().in("OU=Smiley").named("Smith"))
      .user("example.local", "smithers", UserSpec().in("OU=Smiley").named("SMITHERS"))
      .user("example.local", "jones", UserSpec().in("OU=Smiley").named("Jones"));
  install();
  ASSERT_TRUE(connect("example.local"));

  struct Case {
    QString typed;
    std::vector<ui::MsgBoxResult> answers;
    QStringList selected;  // the node selected at each question
    bool notFound;
  };
  using R = ui::MsgBoxResult;
  const Case cases[] = {
      {"smi", {R::Yes, R::Yes, R::Yes}, {"Smiley", "Smith", "SMITHERS"}, false},
      {"SMI", {R::Yes, R::No}, {"Smiley", "Smith"}, false},
      {"ones", {R::Yes}, {"Jones"}, false},
      {"nobody", {}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    prompts.asked.clear();
    prompts.answerText(c.typed);
    QStringList selected;
    for (R a : c.answers) prompts.answer(a);
    // Record the selection at each question.
    struct Watch : ui::ScriptedPrompter {};
    QObject::connect(w->TreeView1, &QTreeWidget::currentItemChanged, w.get(),
                     [&](QTreeWidgetItem* n) { selected << (n ? n->text(0) : QString()); });
    w->Toolbar1_ButtonClick("FIND");
    QObject::disconnect(w->TreeView1, &QTreeWidget::currentItemChanged, w.get(), nullptr);
    EXPECT_EQ(selected, c.selected);
    ASSERT_EQ(prompts.asked.size(), 1 + (c.notFound ? 1 : c.selected.size()));
    EXPECT_EQ(prompts.asked[0].prompt, "Enter Name to find");
    EXPECT_EQ(prompts.asked[0].title, "Find User");
    for (size_t i = 1; i < prompts.asked.size(); ++i) {
      EXPECT_EQ(prompts.asked[i].title, "Search");
      EXPECT_EQ(prompts.asked[i].prompt, c.notFound ? "User not found." : "Continue Search ?");
      EXPECT_EQ(prompts.asked[i].style, c.notFound ? 64 : 36);
    }
  }
  // Cancel and an empty answer do nothing.
  for (std::optional<QString> typed : {std::optional<QString>(), std::optional<QString>(QString())}) {
    prompts.asked.clear();
    prompts.answerText(typed);
    w->Toolbar1_ButtonClick("FIND");
    EXPECT_EQ(prompts.asked.size(), 1u);
  }
}

// --- Toolbar ---

TEST_F(Tree, TheToolbarHasItsTenButtonsByKey) {
  adDomain();
  const QStringList keys{"NewUser", "IMPORTU", "deleteuser", "Vlog", "Refresh",
                         "FIND",    "Groups",  "MutliUser",  "Help", "Exit1"};
  const QStringList tips{
      "Create New User", "Import Users",  "Delete User",          "View Log File", "Refresh",
      "Find User",       "Global Groups", "Multi User Functions", "Help",          "Exit"};
  QStringList shownKeys, shownTips;
  for (QAction* a : w->Toolbar1->actions()) {
    shownKeys << a->objectName();
    shownTips << a->toolTip();
  }
  EXPECT_EQ(shownKeys, keys);
  EXPECT_EQ(shownTips, tips);
  // A button runs its menu item's command only while the item is available, and shows so.
  for (auto [key, menu] : {std::pair<QString, QAction*>{"Groups", w->Gblgropus},
                           {"MutliUser", w->Multi},
                           {"Help", w->Help},
                           {"IMPORTU", w->Import_Users}}) {
    SCOPED_TRACE(key.toStdString());
    QAction* button = w->Toolbar1->findChild<QAction*>(key);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->isEnabled(), menu->isEnabled());
    menu->setEnabled(!menu->isEnabled());
    EXPECT_EQ(button->isEnabled(), menu->isEnabled());
  }
}

TEST_F(Tree, NewUserEmptiesTheNewUserPage) {
  adDomain();
  w->strFirst->setText("Ann");
  w->strLast->setText("Lee");
  w->Createdirs->setText("OK");
  w->ProgressBar1->setValue(40);
  w->progress->setText("Working");
  w->Toolbar1_ButtonClick("NewUser");
  EXPECT_EQ(w->SSTab1->currentIndex(), mainwindow::form1::kNewUserPage);
  EXPECT_EQ(w->strFirst->text(), "");
  EXPECT_EQ(w->strLast->text(), "");
  EXPECT_EQ(w->Createdirs->text(), "");
  EXPECT_EQ(w->ProgressBar1->value(), 0);
  EXPECT_EQ(w->progress->text(), "Ready.");
}

TEST_F(Tree, VlogOpensTheLogAsOneArgumentAndAnUnknownKeyIsRefused) {
  adDomain();
  const QString folder = dir() + "data base; rm -rf x/";
  ASSERT_TRUE(QDir().mkpath(folder));
  w->dbpath->setText(folder);
  qputenv("VISUAL", "viewer --readonly");
  QString program;
  QStringList args;
  ui::setLauncher([&](const QString& p, const QStringList& a) {
    program = p;
    args = a;
    return true;
  });
  w->Toolbar1_ButtonClick("Vlog");
  ui::setLauncher({});
  qunsetenv("VISUAL");
  EXPECT_EQ(program, "viewer");
  EXPECT_EQ(args, (QStringList{"--readonly", folder + "Log.txt"}));

  prompts.asked.clear();
  for (const char* key : {"MultiUser", "newuser", ""}) {
    w->Toolbar1_ButtonClick(QString::fromLatin1(key));
  }
  ASSERT_EQ(prompts.asked.size(), 3u);
  for (const auto& a : prompts.asked) {
    EXPECT_EQ(a.prompt, "Not Implemented as yet");
    EXPECT_EQ(a.style, 0);
  }
}

// --- The drag of a user onto an organisational unit ---

// A Shift-drag with mouse events from John Smith onto Staff: the directory moves him, his group
// membership follows, and the tree and every list name him by his new path.
TEST_F(Tree, AShiftDragMovesTheUserIntoTheUnit) {
  adDomain();
  showWindow();
  const QString moved = kPath + "CN=John Smith,OU=Staff,DC=example,DC=local";
  ASSERT_TRUE(texts(groupWindow().NotMembers).contains("John Smith"));
  w->TreeView1->setCurrentItem(node(kJohn));
  w->Show_User_Details();  // loaded in the User Manager page
  const QPoint from = at(node(kJohn));
  mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  mouse(QEvent::MouseMove, from + QPoint(0, 4), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  ASSERT_TRUE(w->Tree_Dragging);
  const QPoint to = at(node(kStaff));
  mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(w->dropHighlight(), node(kStaff));
  mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);

  EXPECT_FALSE(w->Tree_Dragging);
  EXPECT_EQ(w->dropHighlight(), nullptr);
  EXPECT_FALSE(admin().GetObject(kJohn).ok());
  EXPECT_EQ(read(moved, "sAMAccountName").toString(), "jsmith");
  EXPECT_TRUE(members(kSalesTeam).contains(moved.mid(kPath.size()).toLower()));
  EXPECT_EQ(node(kJohn), nullptr);
  ASSERT_NE(node(moved), nullptr);
  EXPECT_EQ(node(moved)->parent(), node(kStaff));
  EXPECT_EQ(cat().users.findKey(kJohn), 0);
  EXPECT_NE(cat().users.findKey(moved), 0);
  EXPECT_FALSE(keys(groupWindow().NotMembers).contains(kJohn));
  EXPECT_TRUE(keys(groupWindow().NotMembers).contains(moved));
  EXPECT_EQ(w->USERID_W2K->text(), moved);
  ASSERT_GE(w->ListView1->topLevelItemCount(), 1);
  EXPECT_EQ(w->ListView1->topLevelItem(w->ListView1->topLevelItemCount() - 1)->text(0),
            "John Smith Has been moved in the AD");
  EXPECT_TRUE(cat().invariantBreaches().isEmpty());
}

// Every object under `path` with the attributes a move could touch, and every file and folder of
// the network's file servers.
void walkDirectory(adsi::Directory& dir, const QString& path, QMap<QString, QString>& out) {
  auto o = dir.GetObject(path);
  if (!o) return;
  QStringList values;
  for (const char* a :
       {"sAMAccountName", "member", "memberOf", "description", "homeDirectory", "profilePath"}) {
    auto v = o->GetEx(QString::fromLatin1(a));
    if (!v) continue;
    QStringList vs;
    for (const QVariant& x : *v) vs << x.toString().toLower();
    vs.sort();
    values << QString::fromLatin1(a) + u'=' + vs.join(u'|');
  }
  out.insert(path.toLower(), values.join(u';'));
  auto children = o->Children();
  if (!children) return;
  for (const adsi::AdsObject& c : *children) walkDirectory(dir, c.ADsPath(), out);
}

QMap<QString, qint64> walkFiles(const QString& root) {
  QMap<QString, qint64> out;
  QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    out.insert(it.filePath().mid(root.size()), it.fileInfo().isDir() ? -1 : it.fileInfo().size());
  }
  return out;
}

// The drop moves one account and nothing else: every other object, every group but the user's,
// and the file servers (a common share, a share on a drive's root, other users' look-alike
// folders) are as they were.
TEST_F(Tree, ADropChangesNothingButTheUsersPlace) {
  if (test::onTestDc()) GTEST_SKIP() << "walks the whole directory";
  extra = [&] {
    builder->fileServer("FS1", "example.local", "D")
        .folder("\\\\FS1\\D$\\Users\\jsmith")
        .file("\\\\FS1\\D$\\Users\\jsmith\\notes.txt", 10)
        .folder("\\\\FS1\\D$\\Users\\jsmith2")
        .folder("\\\\FS1\\D$\\Profiles\\jsmith")
        .share("FS1", "jsmith$", "D:\\Users\\jsmith")
        .share("FS1", "Profiles", "D:\\Profiles")
        .share("FS1", "DRoot", "D:\\");
    builder->group("example.local", "Other Team", GroupSpec().in("OU=Staff"));
  };
  adDomain();
  showWindow();
  QMap<QString, QString> before;
  walkDirectory(admin(), kPath + kDomainDn, before);
  const QMap<QString, qint64> filesBefore = walkFiles(dir() + "net/servers");
  ASSERT_FALSE(filesBefore.isEmpty());
  ASSERT_TRUE(before.contains(kJohn.toLower()));
  ASSERT_TRUE(before.value(kSalesTeam.toLower()).contains("member=cn=john smith"));
  ASSERT_GT(before.size(), 8);

  w->TreeView1->setCurrentItem(node(kJohn));
  mouse(QEvent::MouseMove, at(node(kJohn)), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  mouse(QEvent::MouseMove, at(node(kStaff)), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  mouse(QEvent::MouseButtonRelease, at(node(kStaff)), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);

  QMap<QString, QString> after;
  walkDirectory(admin(), kPath + kDomainDn, after);
  const QString moved = kPath + "CN=John Smith,OU=Staff,DC=example,DC=local";
  QMap<QString, QString> expected = before;
  const QString johnValues = expected.take(kJohn.toLower());
  expected.insert(moved.toLower(), johnValues);
  const QString team = kSalesTeam.toLower();
  expected[team] =
      expected[team].replace(kJohn.mid(kPath.size()).toLower(), moved.mid(kPath.size()).toLower());
  EXPECT_EQ(after, expected);
  EXPECT_EQ(walkFiles(dir() + "net/servers"), filesBefore);
}

// The user named "Staff" dropped on the unit named "Staff": told apart by their keys, it moves.
TEST_F(Tree, AUserNamedAsTheUnitMovesIntoIt) {
  adDomain();
  showWindow();
  const QString from = kPath + "CN=Staff,OU=Sales,DC=example,DC=local";
  const QString moved = kPath + "CN=Staff,OU=Staff,DC=example,DC=local";
  w->TreeView1->setCurrentItem(node(from));
  mouse(QEvent::MouseMove, at(node(from)), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  mouse(QEvent::MouseMove, at(node(kStaff)), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  mouse(QEvent::MouseButtonRelease, at(node(kStaff)), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
  EXPECT_EQ(read(moved, "sAMAccountName").toString(), "staffer");
  ASSERT_NE(node(moved), nullptr);
  EXPECT_EQ(node(moved)->parent(), node(kStaff));
  EXPECT_EQ(node(from), nullptr);
}

// A drag without Shift, or dropped on a group, the root or nowhere, moves nothing.
TEST_F(Tree, NoMoveWithoutShiftOrOntoANodeThatIsNoUnit) {
  adDomain();
  showWindow();
  w->TreeView1->setCurrentItem(node(kJohn));
  mouse(QEvent::MouseMove, at(node(kJohn)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  EXPECT_FALSE(w->Tree_Dragging);
  for (QTreeWidgetItem* target : {w->TreeView1->topLevelItem(0), node(kMary)}) {
    w->TreeView1->setCurrentItem(node(kJohn));
    mouse(QEvent::MouseMove, at(node(kJohn)), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_TRUE(w->Tree_Dragging);
    mouse(QEvent::MouseMove, at(target), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(w->dropHighlight(), nullptr);
    mouse(QEvent::MouseButtonRelease, at(target), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_FALSE(w->Tree_Dragging);
  }
  EXPECT_EQ(read(kJohn, "sAMAccountName").toString(), "jsmith");
  EXPECT_NE(node(kJohn), nullptr);
}

// Held at the bottom edge, the tree scrolls a line every 200 ms; in the middle it stops.
TEST_F(Tree, TheTreeScrollsWhileThePointerIsAtAnEdge) {
  if (test::onTestDc()) GTEST_SKIP() << "a view test; the directory plays no part";
  adDomain(80);
  showWindow();
  QScrollBar* bar = w->TreeView1->verticalScrollBar();
  w->TreeView1->scrollToTop();
  w->TreeView1->setCurrentItem(node(kJohn));
  mouse(QEvent::MouseMove, at(node(kJohn)), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  ASSERT_TRUE(w->Tree_Dragging);
  w->TreeView1->scrollToTop();
  ASSERT_EQ(bar->value(), 0);
  const int h = w->TreeView1->viewport()->height();
  mouse(QEvent::MouseMove, QPoint(20, h - 3), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_TRUE(w->Timer2->isActive());
  EXPECT_EQ(w->Scroll_Direction, 1);
  waitFor(650);
  const int scrolled = bar->value();
  EXPECT_GE(scrolled, 2);
  EXPECT_LE(scrolled, 4);
  mouse(QEvent::MouseMove, QPoint(20, h / 2), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_FALSE(w->Timer2->isActive());
  waitFor(300);
  EXPECT_EQ(bar->value(), scrolled);
  mouse(QEvent::MouseMove, QPoint(20, 3), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(w->Scroll_Direction, -1);
  waitFor(450);
  EXPECT_LT(bar->value(), scrolled);
  mouse(QEvent::MouseButtonRelease, QPoint(20, 3), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
  EXPECT_FALSE(w->Timer2->isActive());
}

}  // namespace
