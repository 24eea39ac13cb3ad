// Connecting to a domain: the mode probe, the window's adaptation, the Active Directory and NT
// loaders filling the tree and the lists of the three windows, the status texts and Log.txt.

#include "DomainFixture.h"

#include "directory/DomainKeys.h"
#include "startup/Clock.h"

#include <QApplication>
#include <QRegularExpression>

using namespace tavrel;
using simnet::GroupSpec;
using simnet::UserSpec;

namespace {

const QString kDomainDn = QStringLiteral("DC=example,DC=local");
const QString kUsersDn = QStringLiteral("CN=Users,DC=example,DC=local");
const QString kPath = QStringLiteral("LDAP://example.local/");

class ConnectDomain : public test::DomainFixture {
 protected:
  // example.local with OU=Sales and OU=East under it, John Smith (display name) in OU=Sales,
  // Mary Jones (no display name) in CN=Users and a global group in OU=Sales.
  void smallDomain(bool mixed = false) {
    builder->forest("example.local", "EXAMPLE", mixed)
        .ou("example.local", "OU=Sales")
        .ou("example.local", "OU=East,OU=Sales")
        .user("example.local", "jsmith",
              UserSpec().in("OU=Sales").named("John Smith").with("displayName", "Smith, John"))
        .user("example.local", "mjones", UserSpec().named("Mary Jones"))
        .group("example.local", "Sales Team", GroupSpec().in("OU=Sales"));
    install();
  }
  int userNodes() const { return int(nodesWithImage("USER").size()); }
};

TEST_F(ConnectDomain, NativeDomainFillsTheTreeTheListsAndTheStatusBar) {
  smallDomain();
  ASSERT_TRUE(connect("example.local"));
  state::SharedState& sh = state::shared();
  EXPECT_EQ(sh.Directory_Mode, 0);
  EXPECT_EQ(status(2), "2000-Native Mode");
  EXPECT_EQ(sh.NetBIOS_Domain, "EXAMPLE");
  EXPECT_EQ(sh.Op_Status, -1);
  EXPECT_EQ(status(1),
            QStringLiteral("Number of Users:%1  Number of Groups:%2").arg(sh.User_Count).arg(sh.Group_Count));
  EXPECT_EQ(w->DomName->currentText(), "example.local");
  EXPECT_EQ(w->UM_W2KDomain_Name->text(), "@example.local");

  // The tree: the domain, the Users container, the OUs by their parents, users under theirs.
  ASSERT_EQ(w->TreeView1->topLevelItemCount(), 1);
  QTreeWidgetItem* domain = w->TreeView1->topLevelItem(0);
  EXPECT_EQ(keyOf(domain), kDomainDn);
  EXPECT_EQ(domain->text(0), "example.local");
  EXPECT_EQ(imageOf(domain), "DOMAIN");
  EXPECT_TRUE(domain->isSelected());
  EXPECT_TRUE(domain->isExpanded());
  QTreeWidgetItem* users = node(kUsersDn);
  ASSERT_NE(users, nullptr);
  EXPECT_EQ(users->parent(), domain);
  EXPECT_EQ(users->text(0), "Users");
  EXPECT_EQ(imageOf(users), "OU");
  QTreeWidgetItem* sales = node("OU=Sales," + kDomainDn);
  ASSERT_NE(sales, nullptr);
  EXPECT_EQ(sales->parent(), domain);
  EXPECT_EQ(sales->text(0), "Sales");
  QTreeWidgetItem* east = node("OU=East,OU=Sales," + kDomainDn);
  ASSERT_NE(east, nullptr);
  EXPECT_EQ(east->parent(), sales);
  EXPECT_EQ(node("OU=Domain Controllers," + kDomainDn), nullptr) << "the Domain Controllers OU is not shown";

  QTreeWidgetItem* john = node(kPath + "CN=John Smith,OU=Sales," + kDomainDn);
  ASSERT_NE(john, nullptr);
  EXPECT_EQ(john->parent(), sales);
  EXPECT_EQ(john->text(0), "Smith, John") << "the display name, as the option asks";
  EXPECT_EQ(imageOf(john), "USER");
  QTreeWidgetItem* mary = node(kPath + "CN=Mary Jones," + kUsersDn);
  ASSERT_NE(mary, nullptr);
  EXPECT_EQ(mary->parent(), users);
  EXPECT_EQ(mary->text(0), "Mary Jones") << "no display name: the name";
  EXPECT_NE(node(kPath + "CN=Administrator," + kUsersDn), nullptr);
  EXPECT_EQ(userNodes(), sh.User_Count);

  // The bulk window: OUs (not Domain Controllers), every user, global groups only.
  bulk::MultiUser& bulk = bulkWindow();
  // In the order the directory returns them, which differs between servers.
  QStringList ouTexts = texts(bulk.ListView4), ouKeys = keys(bulk.ListView4);
  ouTexts.sort();
  ouKeys.sort();
  EXPECT_EQ(ouTexts, (QStringList{"East", "Sales"}));
  EXPECT_EQ(ouKeys, (QStringList{"OU=East,OU=Sales," + kDomainDn, "OU=Sales," + kDomainDn}));
  EXPECT_EQ(bulk.ListView4->findKey("OU=East,OU=Sales," + kDomainDn),
            texts(bulk.ListView4).indexOf("East") + 1) << "each OU's key stays with its name";
  EXPECT_EQ(bulk.ListView2->count(), sh.User_Count);
  const int johnRow = bulk.ListView2->findKey(keyOf(john));
  ASSERT_GT(johnRow, 0);
  EXPECT_EQ(bulk.ListView2->text(johnRow), "Smith, John");
  EXPECT_EQ(bulk.ListView2->smallIcon(johnRow), "USER");
  for (int i = 1; i <= bulk.ListView3->count(); ++i) {
    const int row = groupWindow().ListView1->findKey(bulk.ListView3->key(i));
    ASSERT_GT(row, 0);
    EXPECT_TRUE(groupWindow().ListView1->subItem(row, 1).contains(" - Global"))
        << bulk.ListView3->text(i).toStdString();
  }
  EXPECT_GT(bulk.ListView3->findKey(kPath + "CN=Sales Team,OU=Sales," + kDomainDn), 0);

  // The group window: every group with its caption; every user by name among the non-members.
  groups::Groupsfrm& g = groupWindow();
  EXPECT_EQ(g.ListView1->count(), sh.Group_Count);
  const int team = g.ListView1->findKey(kPath + "CN=Sales Team,OU=Sales," + kDomainDn);
  ASSERT_GT(team, 0);
  EXPECT_EQ(g.ListView1->text(team), "Sales Team");
  EXPECT_EQ(g.ListView1->subItem(team, 1), "Security Group - Global");
  EXPECT_EQ(g.ListView1->smallIcon(team), "W2KGRP");
  EXPECT_EQ(g.NotMembers->count(), sh.User_Count);
  const int johnMember = g.NotMembers->findKey(keyOf(john));
  ASSERT_GT(johnMember, 0);
  EXPECT_EQ(g.NotMembers->text(johnMember), "John Smith") << "the non-member list shows names";

  // The main window's group lists, in name order.
  const QStringList groupNames = texts(w->ListView3);
  EXPECT_EQ(groupNames.size(), sh.Group_Count);
  QStringList sortedNames = groupNames;
  std::sort(sortedNames.begin(), sortedNames.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  EXPECT_EQ(groupNames, sortedNames);
  EXPECT_EQ(texts(w->ListView5), groupNames);
  EXPECT_EQ(keys(w->ListView5), keys(w->ListView3));

  // The user-properties tab shows its Windows 2000 fields and pages.
  EXPECT_TRUE(w->SSTab2->isTabEnabled(2));
  EXPECT_TRUE(w->SSTab2->isTabEnabled(3));
  EXPECT_FALSE(w->UM_First->isHidden());
  EXPECT_EQ(w->Label3->text(), "Display Name");

  // The bulk window's load routine ran for the Active Directory domain.
  ASSERT_GT(bulk.Ex_Server->count(), 0);
  EXPECT_EQ(bulk.Ex_Server->itemText(0), "Exchange 2000");
  EXPECT_TRUE(bulk.SSTab1->isTabEnabled(bulk::MultiUser::kADPropertiesTab));
  EXPECT_GT(bulk.AD_Properties->findText("telephoneNumber"), -1);
  const QString stamp = startup::clock().dateTimeText();
  EXPECT_EQ(bulk.Expiredate->text(), stamp.left(stamp.lastIndexOf(u' ')));
  EXPECT_EQ(beeps.beeps(), 0);
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(ConnectDomain, MixedModeDomainIsModeOne) {
  SIMNET_ONLY("a mixed-mode domain");
  smallDomain(true);
  ASSERT_TRUE(connect("example.local"));
  EXPECT_EQ(state::shared().Directory_Mode, 1);
  EXPECT_EQ(status(2), "2000-Mixed Mode");
  EXPECT_EQ(w->Label3->text(), "Display Name");
}

TEST_F(ConnectDomain, NtDomainLoadsUsersUnderTheRootAndGroupsByKind) {
  SIMNET_ONLY("an NT 4.0 domain");
  builder->forest("example.local", "EXAMPLE")
      .nt4Domain("OLDCORP")
      .user("OLDCORP", "jdoe")
      .group("OLDCORP", "Accounts", GroupSpec().ofType(2))
      .group("OLDCORP", "Printers", GroupSpec().ofType(4));
  install();
  // The window held an Active Directory domain before: its fields go away.
  w->Show_W2K_Fields();
  ASSERT_TRUE(connect("OLDCORP"));
  state::SharedState& sh = state::shared();
  EXPECT_EQ(sh.Directory_Mode, 2);
  EXPECT_EQ(status(2), "WinNT");
  EXPECT_EQ(sh.NetBIOS_Domain, "OLDCORP");
  EXPECT_EQ(status(1),
            QStringLiteral("Number of Users:%1  Number of Groups:%2").arg(sh.User_Count).arg(sh.Group_Count));
  EXPECT_FALSE(w->SSTab2->isTabEnabled(3));
  for (QWidget* hidden : std::initializer_list<QWidget*>{
           w->UM_First, w->UM_Initails, w->UM_Last, w->UM_Office, w->UM_MailAddress, w->UM_Logon_Name,
           w->UM_W2KDomain_Name, w->UM_PreW2K, w->Label37, w->Label41})
    EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
  EXPECT_FALSE(w->UM_First->isEnabled());
  EXPECT_EQ(w->Label3->text(), "Full Name");

  ASSERT_EQ(w->TreeView1->topLevelItemCount(), 1);
  QTreeWidgetItem* root = w->TreeView1->topLevelItem(0);
  EXPECT_EQ(keyOf(root), "root");
  EXPECT_EQ(root->text(0), "OLDCORP");
  EXPECT_EQ(imageOf(root), "DOMAIN");
  EXPECT_EQ(root->childCount(), sh.User_Count);
  EXPECT_TRUE(childTexts(root).contains("jdoe"));
  for (int i = 0; i < root->childCount(); ++i) {
    EXPECT_EQ(keyOf(root->child(i)), "") << "NT users have no key";
    EXPECT_EQ(imageOf(root->child(i)), "USER");
  }

  bulk::MultiUser& bulk = bulkWindow();
  EXPECT_EQ(texts(bulk.ListView2), childTexts(root)) << "users in the provider's order";
  EXPECT_EQ(keys(bulk.ListView2), QStringList(bulk.ListView2->count(), QString()));
  groups::Groupsfrm& g = groupWindow();
  EXPECT_EQ(g.NotMembers->count(), sh.User_Count);
  EXPECT_EQ(g.ListView1->count(), sh.Group_Count);
  EXPECT_EQ(w->ListView3->count(), sh.Group_Count);
  EXPECT_EQ(w->ListView5->count(), sh.Group_Count);
  EXPECT_EQ(bulk.ListView3->count(), sh.Group_Count) << "every NT group is in the bulk window";
  const int accounts = w->ListView3->findKey(QString());
  ASSERT_GT(accounts, 0);
  auto iconOf = [&](const auto* l, const QString& name) {
    for (int i = 1; i <= l->count(); ++i)
      if (l->text(i) == name) return l->smallIcon(i);
    return QStringLiteral("(missing)");
  };
  for (const ui::ListView* l : std::initializer_list<const ui::ListView*>{w->ListView3, w->ListView5, g.ListView1}) {
    EXPECT_EQ(iconOf(l, "Accounts"), "Global") << l->objectName().toStdString();
    EXPECT_EQ(iconOf(l, "Printers"), "Local") << l->objectName().toStdString();
  }
  EXPECT_EQ(iconOf(bulk.ListView3, "Accounts"), "Global");
  EXPECT_EQ(iconOf(bulk.ListView3, "Printers"), "Local");
  EXPECT_EQ(w->grouppath->count(), 0);

  // The bulk window in NT mode: no AD Properties tab, no "Exchange 2000".
  EXPECT_FALSE(bulk.SSTab1->isTabEnabled(bulk::MultiUser::kADPropertiesTab));
  EXPECT_EQ(bulk.Ex_Server->findText("Exchange 2000"), -1);
  EXPECT_FALSE(directory::NT_Domain_Object().isNull()) << "the NT domain object stays bound";
}

TEST_F(ConnectDomain, ConnectingBackToActiveDirectoryRestoresItsFieldsAndPages) {
  SIMNET_ONLY("an NT 4.0 domain");
  builder->forest("example.local", "EXAMPLE").nt4Domain("OLDCORP");
  install();
  ASSERT_TRUE(connect("OLDCORP"));
  ASSERT_TRUE(w->UM_Logon_Name->isHidden());
  ASSERT_TRUE(connect("example.local"));
  for (QWidget* shown : std::initializer_list<QWidget*>{
           w->UM_First, w->UM_Initails, w->UM_Last, w->UM_Office, w->UM_MailAddress, w->UM_Logon_Name,
           w->UM_W2KDomain_Name, w->UM_PreW2K, w->Label33, w->Label37, w->Label38, w->Label39, w->Label40,
           w->Label41, w->Label43}) {
    EXPECT_FALSE(shown->isHidden()) << shown->objectName().toStdString();
    EXPECT_TRUE(shown->isEnabled()) << shown->objectName().toStdString();
  }
  EXPECT_EQ(w->Label3->text(), "Display Name");
  EXPECT_TRUE(w->SSTab2->isTabEnabled(3));
  EXPECT_EQ(status(2), "2000-Native Mode");
}

// An Active Directory domain that does not answer is not an NT 4.0 domain: the connection fails
// as a failed load does, the window keeps the mode it was in and Log.txt says why.
class UnreachableDomain : public ConnectDomain {
 protected:
  void expectFailedConnectionInActiveDirectoryMode(const QString& name) {
    const int beepsBefore = beeps.beeps();
    EXPECT_FALSE(connect(name));
    EXPECT_EQ(state::shared().Directory_Mode, 0) << "the window stays in the mode it was in";
    EXPECT_EQ(status(2), "2000-Native Mode");
    EXPECT_TRUE(w->SSTab2->isTabEnabled(3));
    EXPECT_TRUE(w->UM_Logon_Name->isEnabled()) << "the Windows 2000 fields are not hidden";
    EXPECT_EQ(status(1), QStringLiteral("Can't Find %1 Domain").arg(name));
    EXPECT_EQ(beeps.beeps(), beepsBefore + 1);
    const QString logged = QStringLiteral("Can't reach the domain %1: 0x8007203A ").arg(name);
    const QStringList lines = logLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& line) { return line.startsWith(logged); }))
        << "Log.txt names the domain and the error";
  }
};

TEST_F(UnreachableDomain, AKnownDomainWhoseControllersAreDown) {
  smallDomain();
  ASSERT_TRUE(connect("example.local"));
  ASSERT_TRUE(net->setReachable("example.local", false).ok());
  expectFailedConnectionInActiveDirectoryMode("example.local");
}

TEST_F(UnreachableDomain, ADottedNameNoOneAnswersTo) {
  smallDomain();
  ASSERT_TRUE(connect("example.local"));
  expectFailedConnectionInActiveDirectoryMode("nowhere.example");
}

TEST_F(ConnectDomain, NetBiosNameIsFoundWhateverTheCaseOfTheConfiguredName) {
  smallDomain();
  ASSERT_TRUE(connect("Example.LOCAL"));
  EXPECT_EQ(state::shared().NetBIOS_Domain, "EXAMPLE");
  EXPECT_EQ(state::shared().Directory_Mode, 0);
}

// DNS names and distinguished names ignore letter case: a domain typed in another case shows the
// same tree as one typed as the directory writes it.
TEST_F(ConnectDomain, DomainTypedInAnotherCaseShowsItsWholeTree) {
  smallDomain();
  ASSERT_TRUE(connect("Example.LOCAL"));
  ASSERT_EQ(w->TreeView1->topLevelItemCount(), 1);
  QTreeWidgetItem* domain = w->TreeView1->topLevelItem(0);
  QTreeWidgetItem* sales = node("OU=Sales," + kDomainDn);
  ASSERT_NE(sales, nullptr);
  EXPECT_EQ(sales->parent(), domain);
  QTreeWidgetItem* east = node("OU=East,OU=Sales," + kDomainDn);
  ASSERT_NE(east, nullptr);
  EXPECT_EQ(east->parent(), sales);
  // A user's path keeps the server part the search was given.
  QTreeWidgetItem* john = node("LDAP://Example.LOCAL/CN=John Smith,OU=Sales," + kDomainDn);
  ASSERT_NE(john, nullptr);
  EXPECT_EQ(john->parent(), sales);
  EXPECT_EQ(userNodes(), state::shared().User_Count);
  for (const QString& line : logLines()) EXPECT_FALSE(line.startsWith("OU not shown")) << line.toStdString();
}

// Names with characters that DNs and paths escape: every OU and every user finds its node.
TEST_F(ConnectDomain, OusWithEscapedCharactersAreShownWithTheirUsers) {
  builder->forest("example.local", "EXAMPLE");
  const QStringList ous = {"OU=A/B",        "OU=Smith\\, Jones",  "OU=x\\+y",        "OU=back\\\\slash",
                           "OU=\\#hash",     "OU=In/Slash,OU=A/B", "OU=Deep,OU=In/Slash,OU=A/B"};
  for (const QString& ou : ous) builder->ou("example.local", ou);
  for (int i = 0; i < ous.size(); ++i)
    builder->user("example.local", QStringLiteral("u%1").arg(i), UserSpec().in(ous[i]).named(QStringLiteral("User %1").arg(i)));
  install();
  ASSERT_TRUE(connect("example.local"));
  for (int i = 0; i < ous.size(); ++i) {
    SCOPED_TRACE(ous[i].toStdString());
    const QString ouKey = directory::nodeKey(ous[i] + "," + kDomainDn);
    QTreeWidgetItem* ouNode = node(ouKey);
    ASSERT_NE(ouNode, nullptr);
    EXPECT_EQ(keyOf(ouNode->parent()), directory::nodeKey(ouKey.section(QRegularExpression("(?<!\\\\),"), 1)));
    int usersBelow = 0;
    for (int k = 0; k < ouNode->childCount(); ++k) usersBelow += imageOf(ouNode->child(k)) == "USER";
    EXPECT_EQ(usersBelow, 1);
  }
  EXPECT_EQ(userNodes(), state::shared().User_Count);
  for (const QString& line : logLines()) EXPECT_FALSE(line.startsWith("OU not shown")) << line.toStdString();
}

TEST_F(ConnectDomain, EmptyNameReturnsFalseAndTouchesNothingElse) {
  smallDomain();
  state::shared().User_Count = 7;
  state::shared().Group_Count = 3;
  state::shared().Directory_Mode = 1;
  w->DomName->setEditText("old.name");
  w->StatusBar1->setPanelText(1, "before");
  EXPECT_FALSE(w->Connect_Domain(QString()));
  EXPECT_EQ(state::shared().User_Count, 0);
  EXPECT_EQ(state::shared().Group_Count, 0);
  EXPECT_EQ(state::shared().Directory_Mode, 1);
  EXPECT_EQ(w->DomName->currentText(), "");
  EXPECT_EQ(status(1), "before");
  EXPECT_EQ(w->TreeView1->topLevelItemCount(), 0);
  EXPECT_EQ(bulk::MultiUser::existing(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the pointer is restored";
}

TEST_F(ConnectDomain, OusListedBeforeTheirParentsAllFindTheirPlace) {
  // 35 OUs made at the top and then moved under OU=Parent, made after them, so the directory
  // lists each of them before its parent; and a chain of three levels listed deepest first.
  builder->forest("example.local", "EXAMPLE");
  for (int i = 1; i <= 35; ++i)
    builder->ou("example.local", QStringLiteral("OU=Child%1").arg(i, 2, 10, QChar(u'0')));
  builder->ou("example.local", "OU=L3").ou("example.local", "OU=L2").ou("example.local", "OU=L1");
  builder->ou("example.local", "OU=Parent");
  builder->user("example.local", "deep", UserSpec().in("OU=L3"));
  install();
  auto parent = admin().GetObject(kPath + "OU=Parent," + kDomainDn);
  ASSERT_TRUE(parent.ok());
  for (int i = 1; i <= 35; ++i)
    ASSERT_TRUE(
        parent->MoveHere(kPath + QStringLiteral("OU=Child%1,").arg(i, 2, 10, QChar(u'0')) + kDomainDn).ok());
  auto l1 = admin().GetObject(kPath + "OU=L1," + kDomainDn);
  ASSERT_TRUE(l1.ok());
  ASSERT_TRUE(l1->MoveHere(kPath + "OU=L2," + kDomainDn).ok());
  auto l2 = admin().GetObject(kPath + "OU=L2,OU=L1," + kDomainDn);
  ASSERT_TRUE(l2.ok());
  ASSERT_TRUE(l2->MoveHere(kPath + "OU=L3," + kDomainDn).ok());

  ASSERT_TRUE(connect("example.local"));
  QTreeWidgetItem* p = node("OU=Parent," + kDomainDn);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->childCount(), 35);
  for (int i = 1; i <= 35; ++i) {
    QTreeWidgetItem* c = node(QStringLiteral("OU=Child%1,OU=Parent,").arg(i, 2, 10, QChar(u'0')) + kDomainDn);
    ASSERT_NE(c, nullptr) << i;
    EXPECT_EQ(c->parent(), p);
  }
  QTreeWidgetItem* l3 = node("OU=L3,OU=L2,OU=L1," + kDomainDn);
  ASSERT_NE(l3, nullptr);
  EXPECT_EQ(keyOf(l3->parent()), "OU=L2,OU=L1," + kDomainDn);
  EXPECT_EQ(keyOf(l3->parent()->parent()), "OU=L1," + kDomainDn);
  EXPECT_NE(node(kPath + "CN=deep,OU=L3,OU=L2,OU=L1," + kDomainDn), nullptr) << "its user is shown too";
  EXPECT_EQ(bulkWindow().ListView4->count(), 39);
  const QStringList listed = texts(bulkWindow().ListView4);
  // The simulated directory lists in the order of creation, so the deepest OU comes first; a Samba
  // DC's order is its own.
  if (!dc) {
    EXPECT_LT(listed.indexOf("L3"), listed.indexOf("L1")) << "the bulk list keeps the directory's order";
  }
  for (const QString& line : logLines()) EXPECT_FALSE(line.startsWith("OU not shown")) << line.toStdString();
}

TEST_F(ConnectDomain, ObjectsBelowDomainControllersOrACustomContainerAreListedButNotInTheTree) {
  builder->forest("example.local", "EXAMPLE")
      .ou("example.local", "OU=Hidden,OU=Domain Controllers")
      .user("example.local", "dcuser", UserSpec().in("OU=Domain Controllers"))
      .user("example.local", "kiosk", UserSpec().in("CN=Computers"));
  install();
  ASSERT_TRUE(connect("example.local"));
  const QString hidden = "OU=Hidden,OU=Domain Controllers," + kDomainDn;
  EXPECT_EQ(node(hidden), nullptr);
  EXPECT_GT(bulkWindow().ListView4->findKey(hidden), 0) << "an OU that cannot be placed stays in the OU list";
  EXPECT_EQ(bulkWindow().ListView4->findKey("OU=Domain Controllers," + kDomainDn), 0);
  EXPECT_TRUE(logLines().contains("OU not shown in the tree: " + hidden)) << "the lost OU is reported";
  for (const QString& user : {kPath + "CN=dcuser,OU=Domain Controllers," + kDomainDn,
                              kPath + "CN=kiosk,CN=Computers," + kDomainDn}) {
    EXPECT_EQ(node(user), nullptr) << user.toStdString();
    EXPECT_GT(bulkWindow().ListView2->findKey(user), 0) << user.toStdString();
    EXPECT_GT(groupWindow().NotMembers->findKey(user), 0) << user.toStdString();
  }
}

TEST_F(ConnectDomain, GroupCaptionsFollowEveryGroupType) {
  struct Case {
    const char* name;
    quint32 type;
    const char* caption;
  };
  const Case cases[] = {
      {"Sec Global", 0x80000002u, "Security Group - Global"},
      {"Sec Local", 0x80000004u, "Security Group - Domain Local"},
      {"Sec Universal", 0x80000008u, "Security Group - Universal"},
      {"Dist Global", 0x2u, "Distribution Group - Global"},
      {"Dist Local", 0x4u, "Distribution Group - Domain Local"},
      {"Dist Universal", 0x8u, "Distribution Group - Universal"},
  };
  builder->forest("example.local", "EXAMPLE");
  for (const Case& c : cases) builder->group("example.local", c.name, GroupSpec().ofType(qint32(c.type)));
  install();
  ASSERT_TRUE(connect("example.local"));
  groups::Groupsfrm& g = groupWindow();
  for (const Case& c : cases) {
    const int row = g.ListView1->findKey(kPath + "CN=" + c.name + "," + kUsersDn);
    ASSERT_GT(row, 0) << c.name;
    EXPECT_EQ(g.ListView1->subItem(row, 1), c.caption) << c.name;
    EXPECT_EQ(bulkWindow().ListView3->findKey(g.ListView1->key(row)) > 0, bool(c.type & 2)) << c.name;
  }
  const int admins = g.ListView1->findKey(kPath + "CN=Administrators,CN=Builtin," + kDomainDn);
  ASSERT_GT(admins, 0);
  EXPECT_EQ(g.ListView1->subItem(admins, 1), "Security Group - builtin Local");
}

TEST_F(ConnectDomain, ShowNamesOptionChoosesNamesOverDisplayNames) {
  smallDomain();
  w->DNName->setChecked(true);
  ASSERT_TRUE(connect("example.local"));
  const QString john = kPath + "CN=John Smith,OU=Sales," + kDomainDn;
  EXPECT_EQ(node(john)->text(0), "John Smith");
  EXPECT_EQ(bulkWindow().ListView2->text(bulkWindow().ListView2->findKey(john)), "John Smith");
}

TEST_F(ConnectDomain, SortedOptionOrdersEachOusChildren) {
  builder->forest("example.local", "EXAMPLE")
      .ou("example.local", "OU=Top")
      .ou("example.local", "OU=zeta,OU=Top")
      .ou("example.local", "OU=Alpha,OU=Top")
      .user("example.local", "buser", UserSpec().in("OU=Top").named("beta"));
  install();
  ASSERT_TRUE(connect("example.local"));
  // Unsorted, the children come in the directory's order: the simulated one keeps the order of
  // creation, a Samba DC's order is its own.
  if (!dc) {
    EXPECT_EQ(childTexts(node("OU=Top," + kDomainDn)), (QStringList{"zeta", "Alpha", "beta"}));
  }
  w->Sorted_Yes->setChecked(true);
  ASSERT_TRUE(connect("example.local"));
  EXPECT_EQ(childTexts(node("OU=Top," + kDomainDn)), (QStringList{"Alpha", "beta", "zeta"}));
}

TEST_F(ConnectDomain, LogBlockNamesTheDomainAndDebugAddsDetail) {
  smallDomain();
  ASSERT_TRUE(connect("example.local"));
  const QStringList plain = logLines();
  const QString stars(41, u'*');
  ASSERT_EQ(plain.size(), 6);
  EXPECT_EQ(plain[0], stars);
  EXPECT_EQ(plain[1], startup::clock().dateTimeText());
  EXPECT_EQ(plain[2], "Getting Domain names and OU's ");
  EXPECT_EQ(plain[3], "AD Name: example.local");
  EXPECT_EQ(plain[4], "Winnt Domain name: EXAMPLE");
  EXPECT_EQ(plain[5], stars);

  ASSERT_TRUE(QFile::remove(db() + "Log.txt"));
  w->Command_Line = "/debug";
  ASSERT_TRUE(connect("example.local"));
  const QStringList debug = logLines();
  // One line per OU, Domain Controllers included, naming its parent.
  QStringList ouLines = debug.mid(6, 3);
  ouLines.sort();  // in the directory's order
  EXPECT_EQ(ouLines, (QStringList{"OU= " + kDomainDn, "OU= " + kDomainDn, "OU= OU=Sales," + kDomainDn}));
  EXPECT_EQ(debug.mid(debug.size() - 2), (QStringList{"False", "Running command example.local"}));
  EXPECT_TRUE(status(1).startsWith("Number of Users:"));

  ASSERT_TRUE(QFile::remove(db() + "Log.txt"));
  w->Command_Line = "/DEBUG ";  // not the whole command line
  ASSERT_TRUE(connect("example.local"));
  EXPECT_EQ(logLines().size(), 6);
}

TEST_F(ConnectDomain, DomainLargerThanTheServersSizeLimitAppearsWhole) {
  SIMNET_ONLY("a server size limit");
  builder->forest("example.local", "EXAMPLE");
  for (int i = 0; i < 12; ++i) builder->ou("example.local", QStringLiteral("OU=Unit%1").arg(i));
  for (int i = 0; i < 25; ++i)
    builder->user("example.local", QStringLiteral("user%1").arg(i),
                  UserSpec().in(QStringLiteral("OU=Unit%1").arg(i % 12)));
  for (int i = 0; i < 15; ++i) builder->group("example.local", QStringLiteral("Group%1").arg(i));
  install();
  ASSERT_TRUE(net->setSizeLimit(10).ok());
  ASSERT_TRUE(connect("example.local"));
  EXPECT_EQ(bulkWindow().ListView4->count(), 12);
  EXPECT_EQ(nodesWithImage("OU").size(), 12 + 1) << "the twelve OUs and the Users container";
  EXPECT_GE(state::shared().User_Count, 25);
  EXPECT_EQ(userNodes(), state::shared().User_Count);
  EXPECT_GE(state::shared().Group_Count, 15);
  EXPECT_EQ(w->ListView3->count(), state::shared().Group_Count);
  for (int i = 0; i < 15; ++i)
    EXPECT_GT(w->ListView3->findKey(kPath + QStringLiteral("CN=Group%1,").arg(i) + kUsersDn), 0);
}

TEST_F(ConnectDomain, ReconnectingRebuildsTheTreeAndTheBulkLists) {
  smallDomain();
  ASSERT_TRUE(connect("example.local"));
  const int users = state::shared().User_Count;
  const int groupRows = groupWindow().ListView1->count();
  w->ListView4->add("Sales Team", kPath + "CN=Sales Team,OU=Sales," + kDomainDn, "W2KGRP");
  w->USERID->setText("someone");
  ASSERT_TRUE(connect("example.local"));
  EXPECT_EQ(state::shared().User_Count, users) << "the counters start again from 0";
  EXPECT_EQ(w->TreeView1->topLevelItemCount(), 1);
  EXPECT_EQ(userNodes(), users);
  EXPECT_EQ(bulkWindow().ListView2->count(), users);
  EXPECT_EQ(w->ListView4->count(), 0) << "Clear_UM emptied the member list";
  EXPECT_EQ(w->USERID->text(), "");
  EXPECT_EQ(groupWindow().ListView1->count(), groupRows) << "no group is listed twice";
}

// A second connection, in either mode, lists every account once: in the tree, the bulk window's
// users and units and the group window's groups and non-members.
TEST_F(ConnectDomain, ReconnectingListsEveryAccountOnce) {
  SIMNET_ONLY("an NT 4.0 domain");
  builder->forest("example.local", "EXAMPLE")
      .ou("example.local", "OU=Sales")
      .user("example.local", "jsmith", UserSpec().in("OU=Sales").named("John Smith"))
      .group("example.local", "Sales Team", GroupSpec().in("OU=Sales"))
      .nt4Domain("OLDCORP")
      .user("OLDCORP", "jdoe")
      .user("OLDCORP", "rroe")
      .group("OLDCORP", "Accounts", GroupSpec().ofType(2));
  install();
  for (const char* domain : {"example.local", "OLDCORP"}) {
    SCOPED_TRACE(domain);
    ASSERT_TRUE(connect(domain));
    groups::Groupsfrm& g = groupWindow();
    bulk::MultiUser& bulk = bulkWindow();
    const auto lists = [&] {
      return std::vector<QStringList>{texts(bulk.ListView2), texts(bulk.ListView4), texts(g.NotMembers),
                                      texts(g.ListView1)};
    };
    const std::vector<QStringList> first = lists();
    const int users = userNodes();
    ASSERT_TRUE(connect(domain));
    EXPECT_EQ(userNodes(), users);
    EXPECT_EQ(lists(), first);
  }
}

TEST_F(ConnectDomain, DebugOneLetsAFailingSearchEndTheConnection) {
  smallDomain();
  w->Command_Line = "/Debug1";
  // The searches name the shared domain; the probe names the one given.
  state::shared().Domain_Name = "gone.local";
  EXPECT_FALSE(w->Connect_Domain("example.local"));
  EXPECT_EQ(status(1), "Can't Find example.local Domain");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(state::shared().User_Count, 0);
}

TEST_F(ConnectDomain, FailedSearchesWithoutDebugStillWriteTheCounts) {
  smallDomain();
  state::shared().Domain_Name = "gone.local";
  EXPECT_FALSE(w->Connect_Domain("example.local"));
  EXPECT_EQ(state::shared().Op_Status, 0);
  EXPECT_EQ(status(1), "Number of Users:0  Number of Groups:0");
  ASSERT_EQ(prompts.asked.size(), 1u) << "the OU search's failure is shown";
  EXPECT_TRUE(prompts.asked[0].prompt.startsWith("Error getting Domain Data: -"))
      << prompts.asked[0].prompt.toStdString();
  EXPECT_EQ(beeps.beeps(), 0);
}

TEST_F(ConnectDomain, GetDomainsAddsEveryDomainAndKeepsTheBoxText) {
  SIMNET_ONLY("an NT 4.0 domain");
  builder->forest("example.local", "EXAMPLE").nt4Domain("OLDCORP");
  install();
  w->DomName->setEditText("%Domain%");
  EXPECT_TRUE(w->Get_Domains());
  EXPECT_EQ(test::DomainFixture::itemsOf(w->DomName), (QStringList{"EXAMPLE", "OLDCORP", "example.local"}));
  EXPECT_EQ(w->DomName->currentText(), "%Domain%");
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(ConnectDomain, GetDomainsReportsAFailingGlobalCatalogSearch) {
  SIMNET_ONLY("an NT 4.0 domain");
  builder->forest("example.local", "EXAMPLE").nt4Domain("OLDCORP");
  install();
  ASSERT_TRUE(net->setReachable("example.local", false).ok());
  EXPECT_TRUE(w->Get_Domains());
  EXPECT_TRUE(test::DomainFixture::itemsOf(w->DomName).contains("OLDCORP"));
  EXPECT_FALSE(test::DomainFixture::itemsOf(w->DomName).contains("example.local"));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_TRUE(prompts.asked[0].prompt.startsWith("Error getting Domain Data: -"))
      << prompts.asked[0].prompt.toStdString();
  EXPECT_EQ(prompts.asked[0].style, 0);
}

}  // namespace
