// An administrator's day in an Active Directory domain through the real main window, on the
// simulated network and (as dc.*) with the directory on the test DC and the file servers simulated
// beside it: users created from a template one by one and by a CSV import, then edited, given
// groups, reset, dragged to another unit, grouped, disabled and enabled, locked and unlocked, found
// expired, changed in bulk, moved with their data to another server and deleted with their data.
// After every step the directory, the file servers, the lists, Log.txt and the on-screen rows are
// checked; at the end the whole Log.txt is compared with its golden text.

#include "DayFixture.h"

#include "groups/GroupAdd.h"
#include "groups/RenameUser.h"
#include "mainwindow/ImportWindows.h"
#include "support/CreationRecords.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QTimeZone>

namespace tavrel::test {
namespace {

using simnet::GroupSpec;
using simnet::UserSpec;

// A user of the day as the directory and the window know the user now: the names typed at the
// creation, the account, the entry's name, what the tree and the lists show and the unit. A step
// that renames or moves the user changes these, and every later step follows.
struct Person {
  Person(const QString& first, const QString& last)
      : typed{first.toLower(), last.toLower()},
        sam(first.left(1) + last),  // the ID format "1%first%%last%"
        cn(sam),                    // the entry is named as the account
        shown(first + u' ' + last)  // the display name, from the full-name format
  {}
  std::pair<QString, QString> typed;
  QString sam, cn, shown;
  QString ou = QStringLiteral("OU=Sales");
  QString key() const { return QStringLiteral("LDAP://example.local/CN=%1,%2,DC=example,DC=local").arg(cn, ou); }
  QString dn() const { return ("cn=" + cn + u',' + ou).toLower(); }
};

class AdministratorsDay : public DayFixture {
 protected:
  Person alice{"Alice", "Archer"};
  Person bob{"Bob", "Baker"};
  Person carol{"Carol", "Cooper"};
  Person dan{"Dan", "Drake"};
  const QString sales = QStringLiteral("OU=Sales,DC=example,DC=local");
  const QString staff = QStringLiteral("OU=Staff,DC=example,DC=local");
  static QString group(const QString& cn, const QString& in = "CN=Users") {
    return QStringLiteral("LDAP://example.local/CN=%1,%2,DC=example,DC=local").arg(cn, in);
  }

  // example.local: OU=Sales with the computer WS01 and the groups "Sales Team" (holding the nested
  // "Sales Leads" and WS01) and "Sales Leads"; OU=Staff, empty; "Staff Group" and "FS2 Users" in
  // CN=Users. FS1 (D:) holds the common shares Profiles$ and Apps and a share of its drive's root,
  // with folders named like the users-to-be; FS2 (E:) is where users move to.
  void network() {
    if (!domain(Mode::Native)) return;
    builder->ou(domain_, "OU=Sales")
        .user(domain_, "WS01", UserSpec().in("OU=Sales").asComputer())
        .group(domain_, "Sales Team", GroupSpec().in("OU=Sales"))
        .group(domain_, "Sales Leads", GroupSpec().in("OU=Sales"))
        .group(domain_, "Staff Group")
        .group(domain_, "FS2 Users")
        .member(domain_, "Sales Team", "Sales Leads")
        .member(domain_, "Sales Team", "WS01$");
    install();
    if (HasFatalFailure()) return;
    recordWrites();
    simnet::NetworkBuilder& fs = fileServers();
    fs.fileServer("FS1", "example.local", "D")
        .folder("\\\\FS1\\D$\\Users")
        .folder("\\\\FS1\\D$\\Profiles\\BBakers")
        .file("\\\\FS1\\D$\\Profiles\\BBakers\\ntuser.dat", 5)
        .folder("\\\\FS1\\D$\\Users\\AArcher2")
        .file("\\\\FS1\\D$\\Users\\AArcher2\\keep.txt", 4)
        .folder("\\\\FS1\\D$\\Apps")
        .file("\\\\FS1\\D$\\Apps\\tool.exe", 7)
        .share("FS1", "Profiles$", "D:\\Profiles")
        .share("FS1", "Apps", "D:\\Apps")
        .share("FS1", "DRoot", "D:\\");
    fs.fileServer("FS2", "example.local", "E").folder("\\\\FS2\\E$\\Home");
    installFileServers(fs);
    if (HasFatalFailure()) return;

    // "Staff" puts the home folder, shared as the account, and the profile under the common share
    // on the site's server; "Move" puts the home folder on FS2, shared as "<account>$".
    records::Template_Record t = staffTemplate({"Sales Team"}, "Domain Users");
    t.HomeShareName = "%UserName%";
    t.LogonScript = "";
    records::Template_Record move;
    move.Name = "Move";
    move.HomeDirLocal = "E:\\Home\\%UserName%";
    move.HomeShareUNC = "\\\\%Server%\\%UserName%$";
    move.HomeShareName = "%UserName%$";
    move.HomeDrive = "H:";
    move.GroupCount = 1;
    move.Groups[0] = "FS2 Users";
    ASSERT_TRUE(writeAll(db() + "Template.dat", t.encode() + move.encode()));
    records::Site_Record north;
    north.SiteName = "North";
    north.HomeServer = "FS2";
    ASSERT_TRUE(writeAll(db() + "Site.dat", mainSite().encode() + north.encode()));
    records::Permission_Record full;
    full.Account = "%Domain%\\%UserName%";
    full.Access = "Full Control";
    ASSERT_TRUE(writeAll(db() + "SharePerm.dat", full.encode()));

    windowDefaults();
    if (HasFatalFailure()) return;
    w->defaultpassword->setText("%UserName%-1x");
    for (QCheckBox* b : {w->Create_Dirs, w->Create_User_Account, w->Create_Shares}) b->setChecked(true);
    w->Confirm_Resets->setChecked(true);
    w->Confirm_Deletes->setChecked(true);
    w->DomName->setEditText("example.local");
    watchedTrees = {"OU=Sales", "OU=Staff"};
    watchedEntries = {"CN=Staff Group,CN=Users", "CN=FS2 Users,CN=Users", "CN=Project X,CN=Users"};
  }

  QVariant read(const QString& path, const QString& name) {
    auto o = admin().GetObject(path);
    if (!o) return {};
    auto v = o->Get(name);
    return v ? *v : QVariant();
  }
  // Whether `password` is the account's password (a wrong one is a logon failure; the right one
  // may still be refused because it must be changed).
  bool passwordIs(const Person& p, const QString& password) {
    auto o = admin().OpenDSObject(kPath + staff, "EXAMPLE\\" + p.sam, password, adsi::ADS_SECURE_AUTHENTICATION);
    return o.ok() || !o.error().message.contains("data 52e", Qt::CaseInsensitive);
  }
  void lock(const Person& p) {
    if (net) {
      ASSERT_TRUE(net->lockAccount("EXAMPLE", p.sam).ok());
      return;
    }
    // On the DC: a lockout threshold of 3, then wrong passwords.
    auto conn = dc->bind("example.local", adsi::Protocol::Ldap, std::nullopt);
    ASSERT_TRUE(conn.ok());
    ASSERT_TRUE((*conn)
                    ->modify((*conn)->server().defaultNamingContext,
                             {{adsi::ModOp::Replace, "lockoutThreshold", {"3"}},
                              {adsi::ModOp::Replace, "lockOutObservationWindow", {"-18000000000"}},
                              {adsi::ModOp::Replace, "lockoutDuration", {"-18000000000"}}})
                    .ok());
    for (int i = 0; i < 4; ++i) (void)passwordIs(p, "wrong-password");
    ASSERT_TRUE(read(p.key(), "IsAccountLocked").toBool());
  }
  static qlonglong expiresOn(const QDate& day) {
    return (QDateTime(day, QTime(12, 0), QTimeZone::utc()).toMSecsSinceEpoch() + 11644473600000LL) * 10000LL;
  }
  void selectNode(const QString& key) {
    QTreeWidgetItem* n = node(key);
    ASSERT_NE(n, nullptr) << key.toStdString();
    w->TreeView1->setCurrentItem(n);
  }
  void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
             Qt::KeyboardModifiers mods) {
    QWidget* vp = w->TreeView1->viewport();
    QMouseEvent e(type, QPointF(pos), QPointF(vp->mapToGlobal(pos)), button, buttons, mods);
    QApplication::sendEvent(vp, &e);
  }
  QPoint at(QTreeWidgetItem* n) const {
    w->TreeView1->scrollToItem(n);
    return w->TreeView1->visualItemRect(n).center();
  }
  QStringList members(const QString& groupKey) {
    QStringList out;
    auto o = admin().GetObject(groupKey);
    auto v = o ? o->GetEx("member") : adsi::Result<QVariantList>(QVariantList());
    if (v)
      for (const QVariant& m : *v) out << shortDn(m.toString());
    out.sort();
    return out;
  }
  static QStringList sorted(QStringList l) {
    l.sort();
    return l;
  }
  // The user's lines of a step's changes: "~attr <dn> <attribute> …".
  static QString attr(const Person& p, const char* a) { return "attr " + p.dn() + u' ' + QLatin1String(a); }

  // --- the steps ---

  void createOneByOne() {
    const Snapshot before = snapshot();
    selectNode(sales);
    for (Person* p : {&alice, &bob}) {
      names(p->typed.first, p->typed.second);
      w->CreateUser_Click();
      EXPECT_EQ(lastVerdict(), " Created User " + p->sam);
      EXPECT_EQ(lastColour(), "GREEN") << logBlock().join("\n").toStdString();
    }
    expectCreated(before, {alice, bob});
  }

  void importCsv() {
    const Snapshot before = snapshot();
    const QString csv = dir() + "new-staff.csv";
    QByteArray lines;
    for (const Person* p : {&carol, &dan}) lines += (p->typed.first + ",," + p->typed.second + "\r\n").toUtf8();
    ASSERT_TRUE(writeAll(csv, lines));
    selectNode(sales);
    prompts.answerText(csv);
    QTimer::singleShot(0, [] {
      if (auto* p = qobject_cast<mainwindow::CSV_Import*>(QApplication::activeModalWidget())) p->Command1->click();
    });
    w->Import_Users_Click();
    EXPECT_EQ(lastVerdict(), "Number of Users Imported from new-staff.csv = 2");
    EXPECT_EQ(lastColour(), "GREEN");
    expectCreated(before, {carol, dan});
  }

  // The accounts, folders and shares of users made from "Staff", and their rows in every list.
  void expectCreated(const Snapshot& before, const QList<Person>& made) {
    QStringList expected;
    QStringList team = before.value("attr cn=sales team,ou=sales member").split(u'|');
    for (const Person& p : made) {
      const QString dn = p.dn();
      expected << "+entry " + dn + " user"
               << "+" + attr(p, "samaccountname") + " " + p.sam
               << "+" + attr(p, "homedirectory") + " \\\\FS1\\" + p.sam
               << "+" + attr(p, "homedrive") + " H:"
               << "+" + attr(p, "profilepath") + " \\\\FS1\\Profiles$\\" + p.sam
               << "+" + attr(p, "useraccountcontrol") + " enabled"
               << "+" + attr(p, "pwdlastset") + " set"
               << "+dir FS1/D/Users/" + p.sam << "+dir FS1/D/Profiles/" + p.sam
               << "+share FS1 " + p.sam + " D:\\Users\\" + p.sam;
      team << dn;
    }
    team.sort();
    expected << "~attr cn=sales team,ou=sales member " + before.value("attr cn=sales team,ou=sales member") +
                    " -> " + team.join(u'|');
    // The creation's other values (the names, the UPN) are its own tests' business.
    QStringList changes = changesSince(before);
    changes.removeIf([](const QString& l) {
      return l.startsWith("+attr cn=") &&
             !QRegularExpression(" (samaccountname|homedirectory|homedrive|profilepath|useraccountcontrol|pwdlastset) ")
                  .match(l)
                  .hasMatch();
    });
    EXPECT_EQ(changes, sorted(expected));
    for (const Person& p : made) {
      ASSERT_NE(node(p.key()), nullptr) << p.key().toStdString();
      EXPECT_EQ(node(p.key())->parent(), node(sales));
    }
    expectListsFollowTheDirectory();
  }

  void connectAndLook() {
    // A fresh connection shows what the day's users made: the tree, the lists, the mode.
    ASSERT_TRUE(connect(domain_));
    EXPECT_EQ(status(2), "2000-Native Mode");
    EXPECT_TRUE(w->UM_Logon_Name->isVisibleTo(w.get()) || !w->isVisible());
    QStringList salesNodes;
    for (const QString& t : childTexts(node(sales))) salesNodes << t.trimmed();
    EXPECT_EQ(sorted(salesNodes), sorted({alice.shown, bob.shown, carol.shown, dan.shown})) << "no computer";
    EXPECT_TRUE(childTexts(node(staff)).isEmpty());
    EXPECT_GT(bulk::catalogue().ous.findKey(sales), 0);
    EXPECT_GT(bulk::catalogue().ous.findKey(staff), 0);
    expectListsFollowTheDirectory();
  }

  void detailsAndSave() {
    const Snapshot before = snapshot();
    selectNode(alice.key());
    w->TreeView1_DblClick();
    EXPECT_EQ(w->USERID_W2K->text(), alice.key());
    EXPECT_EQ(w->USERID->text(), alice.cn);
    EXPECT_EQ(w->UM_Home_Dir->text(), "\\\\FS1\\" + alice.sam);
    EXPECT_EQ(texts(w->ListView4), QStringList({"Domain Users", "Sales Team"}));
    w->UM_Description->setText("Sales clerk");
    recorder->writes().clear();
    w->Userman_Save_Click();
    EXPECT_EQ(status(), "Saved...");
    EXPECT_EQ(changesSince(before), QStringList{"+" + attr(alice, "description") + " Sales clerk"});
    // One commit of the page's "general" values, the edited one among them; nothing else changed.
    QSet<QString> written = recorder->writes().attributesOf(alice.dn());
    EXPECT_TRUE(written.contains("description"));
    EXPECT_TRUE(written.subtract({"description", "displayname", "givenname", "sn", "initials",
                                  "physicaldeliveryofficename"})
                    .isEmpty())
        << QStringList(written.begin(), written.end()).join(u' ').toStdString();
    EXPECT_EQ(recorder->writes().commits(), 1);

    // F5 empties the page; Save then writes nothing at all.
    const Snapshot saved = snapshot();
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(w->TreeView1, &f5);
    recorder->writes().clear();
    w->Userman_Save_Click();
    EXPECT_EQ(status(), "No User Loaded...");
    EXPECT_EQ(recorder->writes().commits(), 0);
    EXPECT_EQ(changesSince(saved), QStringList());
    expectListsFollowTheDirectory();
  }

  void membership() {
    const Snapshot before = snapshot();
    selectNode(alice.key());
    w->TreeView1_DblClick();
    w->ListView3_GotFocus();
    choose(w->ListView3, {"Staff Group"});
    w->UM_ADD_GROUP_Click();
    EXPECT_TRUE(texts(w->ListView4).contains("Staff Group"));
    EXPECT_FALSE(texts(w->ListView3).contains("Staff Group"));
    EXPECT_EQ(changesSince(before), QStringList{"+attr cn=staff group,cn=users member " + alice.dn()});
    expectListsFollowTheDirectory();
  }

  void resetFromThePopup() {
    const Snapshot before = snapshot();
    selectNode(bob.key());
    prompts.asked.clear();
    prompts.answer(ui::MsgBoxResult::Yes);
    w->mnupopup_Click(3);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].prompt, "Reset Password for " + bob.shown);
    EXPECT_EQ(changesSince(before), QStringList{"~" + attr(bob, "pwdlastset") + " set -> 0"});
    EXPECT_TRUE(passwordIs(bob, bob.sam + "-1x")) << "the logon name makes the password";
    EXPECT_FALSE(passwordIs(bob, bob.shown + "-1x"));
    EXPECT_EQ(newRows(), QStringList{"GREEN| Password Reset For " + bob.shown});
    expectListsFollowTheDirectory();
  }

  void dragToStaff() {
    const Snapshot before = snapshot();
    w->resize(1100, 760);
    w->show();
    QApplication::processEvents();
    w->TreeView1->expandAll();
    const Person was = alice;
    selectNode(alice.key());
    mouse(QEvent::MouseMove, at(node(alice.key())), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    mouse(QEvent::MouseMove, at(node(staff)), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    mouse(QEvent::MouseButtonRelease, at(node(staff)), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    w->hide();
    alice.ou = "OU=Staff";
    // Every value of the account goes with it; the groups name it in its new place.
    QStringList expected;
    for (auto it = before.begin(); it != before.end(); ++it) {
      if (it.key() == "entry " + was.dn()) expected << "-" + it.key() + " user" << "+entry " + alice.dn() + " user";
      if (it.key().startsWith("attr " + was.dn() + u' ')) {
        const QString name = it.key().mid(5 + was.dn().size() + 1);
        expected << "-" + it.key() + " " + it.value() << "+attr " + alice.dn() + u' ' + name + u' ' + it.value();
      }
      if (it.key().endsWith(" member") && it.value().split(u'|').contains(was.dn())) {
        QStringList now = it.value().split(u'|');
        now.replace(now.indexOf(was.dn()), alice.dn());
        now.sort();
        expected << "~" + it.key() + " " + it.value() + " -> " + now.join(u'|');
      }
    }
    EXPECT_EQ(changesSince(before), sorted(expected));
    EXPECT_EQ(newRows(), QStringList{"GREEN|" + alice.shown + " Has been moved in the AD"});
    EXPECT_EQ(node(alice.key())->parent(), node(staff));
    EXPECT_GT(groupWindow().NotMembers->findKey(alice.key()), 0);
    expectListsFollowTheDirectory();
  }

  // Bob becomes Robert Brown from the popup: his logon names, given, family and display names and
  // the entry's name; with "Rename shares/directories" his home folder with the share that
  // publishes it and his profile folder under the common share follow. The look-alike folders,
  // the common shares and every other account stay; the group names him in his new place.
  void renameBob() {
    const Snapshot before = snapshot();
    const Person was = bob;
    Person now = bob;
    now.sam = now.cn = "RBrown";
    now.shown = "Robert Brown";
    selectNode(bob.key());
    w->Rename_Dir_Shr->setChecked(true);
    w->Rename_Shower = [&](QDialog& window) {
      auto* r = qobject_cast<groups::RenameUser*>(&window);
      ASSERT_NE(r, nullptr) << "the Active Directory window";
      EXPECT_EQ(r->Full_Name->text(), was.cn);
      EXPECT_EQ(r->Logon_Name_pre2000->text(), was.sam);
      EXPECT_TRUE(r->ReNameSD->isChecked());
      r->Full_Name->setText(now.cn);
      r->First_Name->setText("Robert");
      r->Last_Name->setText("Brown");
      r->Display_Name->setText(now.shown);
      r->User_logon_name->setText(now.sam);
      r->Logon_Name_pre2000->setText(now.sam);
      r->Command2_Click();
      EXPECT_EQ(r->result(), QDialog::Accepted);
    };
    w->mnupopup_Click(7);
    w->Rename_Shower = nullptr;
    bob = now;

    // What the day must look like now: the account under its new name with its new values, the
    // group naming it there, the two folders and the share under the new name; nothing else.
    Snapshot expected;
    const QString upn = before.value("attr " + was.dn() + " userprincipalname");
    for (auto it = before.begin(); it != before.end(); ++it) {
      QString key = it.key();
      QString value = it.value();
      if (key == "entry " + was.dn()) key = "entry " + now.dn();
      if (key.startsWith("attr " + was.dn() + u' ')) key = "attr " + now.dn() + key.mid(5 + was.dn().size());
      if (key.endsWith(" member")) {
        QStringList m = value.split(u'|');
        if (const qsizetype i = m.indexOf(was.dn()); i >= 0) m[i] = now.dn();
        m.sort();
        value = m.join(u'|');
      }
      for (const char* folder : {"FS1/D/Users/", "FS1/D/Profiles/"}) {
        const QString from = QLatin1String(folder) + was.sam;
        for (const char* kind : {"dir ", "file "})
          if (key == QLatin1String(kind) + from || key.startsWith(QLatin1String(kind) + from + u'/'))
            key = QLatin1String(kind) + QLatin1String(folder) + now.sam + key.mid(QByteArray(kind).size() + from.size());
      }
      if (key == "share FS1 " + was.sam) {
        key = "share FS1 " + now.sam;
        value = "D:\\Users\\" + now.sam;
      }
      expected.insert(key, value);
    }
    expected.insert("attr " + now.dn() + " samaccountname", now.sam);
    // The principal name keeps its suffix; an account without one gets the domain's.
    expected.insert("attr " + now.dn() + " userprincipalname",
                    now.sam + (upn.contains(u'@') ? upn.mid(upn.indexOf(u'@')) : "@example.local"));
    expected.insert("attr " + now.dn() + " homedirectory", "\\\\FS1\\" + now.sam);
    expected.insert("attr " + now.dn() + " profilepath", "\\\\FS1\\Profiles$\\" + now.sam);
    const Snapshot after = snapshot();
    QStringList differences;
    for (auto it = expected.begin(); it != expected.end(); ++it)
      if (after.value(it.key(), "<absent>") != it.value())
        differences << it.key() + ": expected " + it.value() + ", is " + after.value(it.key(), "<absent>");
    for (auto it = after.begin(); it != after.end(); ++it)
      if (!expected.contains(it.key())) differences << it.key() + ": unexpected " + it.value();
    EXPECT_EQ(differences, QStringList());

    EXPECT_EQ(node(was.key()), nullptr);
    ASSERT_NE(node(bob.key()), nullptr);
    EXPECT_EQ(node(bob.key())->text(0).trimmed(), bob.shown);
    EXPECT_EQ(status(1), bob.shown + " has been renamed");
    expectListsFollowTheDirectory();
  }

  void groupsDay() {
    const Snapshot before = snapshot();
    w->Gblgropus_Click();
    groups::Groupsfrm& g = groupWindow();
    {
      groups::GroupAdd add;
      add.GRP_Name->setText("Project X");
      add.GRP_DESCRIPTION->setText("the day's project");
      add.Option1[1]->setChecked(true);  // global
      add.Option2[1]->setChecked(true);  // security
      add.OKButton_Click();
      EXPECT_EQ(add.result(), QDialog::Accepted);
    }
    const QString x = group("Project X");
    EXPECT_EQ(read(x, "groupType").toLongLong(), -2147483646);
    expectListsFollowTheDirectory();

    // Sales Team: its user members only; one taken out.
    g.ListView1->setSelectedIndex(texts(g.ListView1).indexOf("Sales Team") + 1);
    g.Group_Details_Click();
    EXPECT_EQ(sorted(texts(g.Members)), sorted({alice.cn, bob.cn, carol.cn, dan.cn}))
        << "the nested group and the computer are not listed";
    choose(g.Members, {dan.cn});
    g.Command1_Click();
    EXPECT_FALSE(members(group("Sales Team", "OU=Sales")).contains(dan.dn()));
    EXPECT_TRUE(members(group("Sales Team", "OU=Sales")).contains("cn=ws01,ou=sales"));
    expectListsFollowTheDirectory();

    // Project X gets bob and is deleted again.
    g.ListView1->setSelectedIndex(texts(g.ListView1).indexOf("Project X") + 1);
    g.Group_Details_Click();
    choose(g.NotMembers, {bob.cn});
    g.Command2_Click();
    EXPECT_EQ(members(x), QStringList{bob.dn()});
    prompts.answer(ui::MsgBoxResult::OK);
    g.Delete_Group_Click();
    EXPECT_FALSE(admin().GetObject(x).ok());
    g.ExitButton_Click();
    QStringList team = before.value("attr cn=sales team,ou=sales member").split(u'|');
    QStringList now = team;
    now.removeAll(dan.dn());
    EXPECT_EQ(changesSince(before),
              QStringList{"~attr cn=sales team,ou=sales member " + team.join(u'|') + " -> " + now.join(u'|')});
    expectListsFollowTheDirectory();
  }

  void disableAndEnableTheUnit() {
    const Snapshot before = snapshot();
    bulk::MultiUser& m = bulk();
    selectInBulk({"Sales"});
    m.LockAcc[1]->setChecked(true);
    m.Command5_Click();
    QStringList expected;
    for (const Person& p : {bob, carol, dan}) expected << "~" + attr(p, "useraccountcontrol") + " enabled -> disabled";
    EXPECT_EQ(changesSince(before), sorted(expected)) << "the computer WS01 is left alone";
    m.LockAcc[0]->setChecked(true);
    m.Command5_Click();
    EXPECT_EQ(changesSince(before), QStringList());
    expectListsFollowTheDirectory();
  }

  void lockFindAndUnlock() {
    lock(alice);
    if (HasFatalFailure()) return;
    const Snapshot before = snapshot();
    bulk::MultiUser& m = bulk();
    selectInBulk({"Staff", "Sales"});
    m.Unlocka_Click();
    EXPECT_EQ(m.ListView1->texts(), QStringList{alice.shown});
    m.Unlock_Reset->setChecked(true);
    m.Unlocka_Click();
    EXPECT_EQ(m.Label3->text(), "Accounts Unlocked. - 1 done, 0 failed");
    EXPECT_FALSE(read(alice.key(), "IsAccountLocked").toBool());
    EXPECT_EQ(read(alice.key(), "pwdLastSet").toLongLong(), 0);
    EXPECT_TRUE(passwordIs(alice, alice.sam + "-1x"));
    m.Unlock_Reset->setChecked(false);
    EXPECT_EQ(changesSince(before), sorted({"-" + attr(alice, "lockouttime") + " set",
                                            "~" + attr(alice, "pwdlastset") + " set -> 0"}));
    expectListsFollowTheDirectory();
  }

  void expiry() {
    const QDate today(2002, 12, 9);  // the tests' clock
    auto o = admin().GetObject(carol.key());
    ASSERT_TRUE(o->Put("accountExpires", expiresOn(today.addDays(-1))).ok());
    ASSERT_TRUE(o->SetInfo().ok());
    const Snapshot before = snapshot();
    bulk::MultiUser& m = bulk();
    selectInBulk({"Sales", "Staff"});
    m.Command3_Click();
    EXPECT_EQ(changesSince(before), QStringList()) << "the search changes nothing";
    EXPECT_EQ(m.ListView1->texts(), QStringList{carol.shown});
    EXPECT_EQ(m.Label3->text(), "Total Expired Accounts: 1");
    expectListsFollowTheDirectory();
  }

  void attributeChange() {
    const Snapshot before = snapshot();
    bulk::MultiUser& m = bulk();
    selectInBulk({"Sales"});
    m.AD_Properties->setCurrentIndex(m.AD_Properties->findText("department"));
    m.AD_Properties_Click();
    EXPECT_EQ(m.Syntax->text(), "DirectoryString");
    m.AD_CHANGE->setText("Dept-%UserName%");
    prompts.answer(ui::MsgBoxResult::Yes);
    m.CHANGE_AD_Click();
    QStringList expected;
    for (const Person& p : {bob, carol, dan}) expected << "+" + attr(p, "department") + " Dept-" + p.cn;
    EXPECT_EQ(changesSince(before), sorted(expected));
    EXPECT_EQ(newRows(), QStringList{"GREEN| AD Property changed for 3 users."});
    expectListsFollowTheDirectory();
  }

  void moveWithData() {
    ASSERT_TRUE(writeAll(serversRoot() + "/FS1/D/Users/" + alice.sam + "/mail.pst", "alice's mail"));
    const Snapshot before = snapshot();
    bulk::MultiUser& m = bulk();
    selectInBulk({alice.shown});
    // The lists hold the names as stored, padded with blanks.
    for (QComboBox* box : {m.Multi_Site, m.Multi_Template}) {
      const QStringList items = itemsOf(box);
      const auto at = std::find_if(items.begin(), items.end(),
                                   [&](const QString& t) { return t.trimmed() == (box == m.Multi_Site ? "North" : "Move"); });
      ASSERT_NE(at, items.end());
      box->setCurrentIndex(int(at - items.begin()));
    }
    m.UserData[0]->setChecked(true);
    m.Add_to_Groups->setChecked(true);
    // The command after a move: a script that writes its arguments, one a line.
    const QString script = dir() + "moved.sh";
    ASSERT_TRUE(writeAll(script, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1moved.txt'\n").arg(dir()).toUtf8()));
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    w->Move_Script->setText(script + " %UserName% %NTServer% %Domain%");
    w->Wait_NEW[1]->setChecked(true);
    m.Run_CMD->setChecked(true);
    m.btn_MoveUser_Click();
    EXPECT_EQ(QString::fromUtf8(readAll(dir() + "moved.txt")).split(u'\n', Qt::SkipEmptyParts),
              (QStringList{alice.sam, "FS2", "example.local"}));
    EXPECT_EQ(m.Label3->text(), "Move Complete, Check Log for Errors");
    EXPECT_EQ(newRows(), QStringList{"GREEN| " + alice.sam + " Moved"});
    const QString s = alice.sam;
    EXPECT_EQ(changesSince(before),
              sorted({"~" + attr(alice, "homedirectory") + " \\\\FS1\\" + s + " -> \\\\FS2\\" + s + "$",
                      "-dir FS1/D/Users/" + s, "-file FS1/D/Users/" + s + "/mail.pst " + QString(QByteArray("alice's mail").toHex()),
                      "-share FS1 " + s + " D:\\Users\\" + s, "+dir FS2/E/Home/" + s,
                      "+file FS2/E/Home/" + s + "/mail.pst " + QString(QByteArray("alice's mail").toHex()),
                      "+share FS2 " + s + "$ E:\\Home\\" + s,
                      "+attr cn=fs2 users,cn=users member " + alice.dn()}));
    expectListsFollowTheDirectory();
  }

  // Deleting the users of OU=Sales with their data and no prompting: once cancelled after the
  // first user, then to the end. The computer, the unit and everything shared stay.
  void deleteTheUnitsUsers() {
    const Snapshot before = snapshot();
    bulk::MultiUser& m = bulk();
    selectInBulk({"Sales"});
    m.Delete_data[0]->setChecked(true);
    m.No_Prompting->setChecked(true);
    QTimer::singleShot(0, &m, [&m] { m.Del_User_Click(); });
    m.Del_User_Click();
    EXPECT_EQ(m.Label3->text(), "Delete Canceled");
    QStringList gone = changesSince(before).filter(QRegularExpression("^-entry "));
    ASSERT_EQ(gone.size(), 1) << gone.join("\n").toStdString();
    expectListsFollowTheDirectory();

    m.Del_User_Click();
    EXPECT_EQ(m.Label3->text(), "Delete Completed, Check log for errors");
    QStringList expected;
    for (auto it = before.begin(); it != before.end(); ++it)
      for (const Person& p : {bob, carol, dan}) {
        const QString s = p.sam;
        if (it.key().startsWith("entry " + p.dn()) || it.key().startsWith("attr " + p.dn() + u' ') ||
            it.key() == "dir FS1/D/Users/" + s || it.key().startsWith("file FS1/D/Users/" + s + u'/') ||
            it.key() == "dir FS1/D/Profiles/" + s || it.key() == "share FS1 " + s)
          expected << "-" + it.key() + (it.value().isEmpty() ? QString() : " " + it.value());
      }
    QStringList team = before.value("attr cn=sales team,ou=sales member").split(u'|');
    QStringList now = team;
    for (const Person& p : {bob, carol, dan}) now.removeAll(p.dn());
    expected << "~attr cn=sales team,ou=sales member " + team.join(u'|') + " -> " + now.join(u'|');
    EXPECT_EQ(changesSince(before), sorted(expected));
    EXPECT_TRUE(childTexts(node(sales)).isEmpty());
    expectListsFollowTheDirectory();
  }
};

TEST_F(AdministratorsDay, FromCreationToDeletion) {
  network();
  if (IsSkipped()) return;
  ASSERT_FALSE(HasFatalFailure());
  runDay({
      {"create users one by one", [&] { createOneByOne(); }},
      {"import users from a CSV file", [&] { importCsv(); }},
      {"connect", [&] { connectAndLook(); }},
      {"details and save", [&] { detailsAndSave(); }},
      {"membership from the user tab", [&] { membership(); }},
      {"password reset from the popup", [&] { resetFromThePopup(); }},
      {"drag to another unit", [&] { dragToStaff(); }},
      {"rename with folders", [&] { renameBob(); }},
      {"groups", [&] { groupsDay(); }},
      {"disable and enable a unit", [&] { disableAndEnableTheUnit(); }},
      {"lock, find and unlock", [&] { lockFindAndUnlock(); }},
      {"expiry", [&] { expiry(); }},
      {"attribute change", [&] { attributeChange(); }},
      {"move with data", [&] { moveWithData(); }},
      {"delete a unit's users", [&] { deleteTheUnitsUsers(); }},
  });
  if (HasFatalFailure()) return;
  // The test DC is found by its DNS name.
  const QList<std::pair<QString, QString>> onTheDc{{"Locate PDC: DC1-EXAMPLE", "Locate PDC: dc1.example.local"}};
  expectGoldenTranscript(QStringLiteral(TAVREL_SCENARIO_DIR "/golden"), "ad-day.txt", dc ? onTheDc : decltype(onTheDc){},
                         bool(dc));
}

}  // namespace
}  // namespace tavrel::test
