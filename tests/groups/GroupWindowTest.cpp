// The group window on a connected main window: loading a group's members, adding and removing
// members, deleting a group with every list that follows, and creating groups of every scope and
// type. The Active Directory tests run on the simulated network and, as dc.*, on the test DC.

#include "bulk/Catalogue.h"
#include "directory/DomainKeys.h"
#include "groups/GroupAdd.h"
#include "groups/GroupNames.h"
#include "groups/Groupsfrm.h"
#include "mainwindow/DomainFixture.h"
#include "records/Records.h"
#include "support/CreationRecords.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

namespace tavrel::test {
namespace {

using simnet::GroupSpec;
using simnet::UserSpec;

const QString kPath = QStringLiteral("LDAP://example.local/");
const QString kDomainDn = QStringLiteral("DC=example,DC=local");

QString adPath(const QString& rdns) {
  return kPath + rdns + u',' + kDomainDn;
}

class GroupWindow : public DomainFixture {
 protected:
  // OU=Sales: alice, bob, the computer WS01; CN=Users: dave and the "Ann" users, whose paths sort
  // unlike their names. "Sales Team" holds alice, bob, the nested group "Sales Leads" and WS01;
  // "Anns" holds every Ann; "Empty" holds nobody.
  void adDomain(bool mixed = false) {
    if (!onTestDc()) builder->forest("example.local", "EXAMPLE", mixed);
    builder->ou("example.local", "OU=Sales")
        .user("example.local", "alice", UserSpec().in("OU=Sales").named("Alice Archer"))
        .user("example.local", "bob", UserSpec().in("OU=Sales").named("Bob Baker"))
        .user("example.local", "WS01", UserSpec().in("OU=Sales").asComputer())
        .user("example.local", "dave", UserSpec())
        .group("example.local", "Sales Team", GroupSpec().in("OU=Sales").describedAs("The sales people"))
        .group("example.local", "Sales Leads", GroupSpec().in("OU=Sales"))
        .group("example.local", "Anns", GroupSpec())
        .group("example.local", "Empty", GroupSpec().ofType(4))
        .group("example.local", "Team (North)", GroupSpec().in("OU=Sales"))
        .member("example.local", "Sales Team", "alice")
        .member("example.local", "Sales Team", "bob")
        .member("example.local", "Sales Team", "Sales Leads")
        .member("example.local", "Sales Team", "WS01$");
    for (const QString& ann : annNames()) {
      const QString account = QStringLiteral("ann%1").arg(annNames().indexOf(ann));
      builder->user("example.local", account, UserSpec().named(ann)).member("example.local", "Anns", account);
    }
    install();
    ASSERT_TRUE(connect("example.local"));
  }
  static QStringList annNames() {
    return {"Ann", "Ann B", "Ann, C", "Ann-D", "Anna", "Ann+E", "Ann=F", "Ann\\G", "Ann #H"};
  }
  void ntDomain() {
    SIMNET_ONLY("an NT 4.0 domain");
    builder->forest("example.local", "EXAMPLE")
        .nt4Domain("OLDCORP")
        .user("OLDCORP", "jdoe")
        .user("OLDCORP", "rroe")
        .group("OLDCORP", "Accounts", GroupSpec().ofType(2))
        .group("OLDCORP", "Printers", GroupSpec().ofType(4))
        .member("OLDCORP", "Accounts", "jdoe");
    install();
    ASSERT_TRUE(connect("OLDCORP"));
  }

  groups::Groupsfrm& g() { return groupWindow(); }
  void select(ui::ListView* list, const QStringList& textsToSelect) {
    list->clearSelection();
    for (int i = 1; i <= list->count(); ++i)
      if (textsToSelect.contains(list->text(i))) list->item(i)->setSelected(true);
  }
  void chooseGroup(const QString& name) {
    const int row = texts(g().ListView1).indexOf(name) + 1;
    ASSERT_GT(row, 0) << name.toStdString();
    g().ListView1->setSelectedIndex(row);
  }
  void load(const QString& name) {
    chooseGroup(name);
    g().Group_Details_Click();
  }
  // The members of the group at `path`, by name without "CN=".
  QStringList directoryMembers(const QString& path) {
    auto group = admin().GetObject(path);
    EXPECT_TRUE(group.ok());
    QStringList out;
    if (!group) return out;
    auto members = group->Members();
    for (const adsi::AdsObject& m : members ? *members : QList<adsi::AdsObject>()) out << m.Name().mid(3);
    out.sort();
    return out;
  }
  // Every list of groups and users the program keeps, as text, for before/after comparisons.
  QStringList everyList() {
    QStringList out;
    const auto add = [&](const QString& name, const QStringList& t, const QStringList& k) {
      for (int i = 0; i < t.size(); ++i) out << name + u' ' + t[i] + u' ' + k[i];
    };
    add("G1", texts(g().ListView1), keys(g().ListView1));
    add("GM", texts(g().Members), keys(g().Members));
    add("GNM", texts(g().NotMembers), keys(g().NotMembers));
    add("M3", texts(w->ListView3), keys(w->ListView3));
    add("M5", texts(w->ListView5), keys(w->ListView5));
    bulk::Catalogue& c = bulk::catalogue();
    add("MU1", c.selection.texts(), c.selection.keys());
    add("MU2", c.users.texts(), c.users.keys());
    add("MU3", c.groups.texts(), c.groups.keys());
    return out;
  }
  // Every object of the domain, with the members and type of the groups, read from the directory.
  QStringList directoryGroups() {
    QStringList out;
    auto found = admin().backend().bind("example.local", adsi::Protocol::Ldap, std::nullopt);
    if (!found) return {QStringLiteral("bind failed")};
    adsi::SearchRequest r;
    r.base = adsi::Dn::fromDnsName("example.local");
    r.filter = QStringLiteral("(objectClass=*)");
    r.attributes = {QStringLiteral("member"), QStringLiteral("groupType")};
    auto result = (*found)->search(r);
    if (!result) return {QStringLiteral("search failed")};
    for (const adsi::Entry& e : result->entries) {
      QStringList members;
      if (const adsi::Attribute* m = e.find(QStringLiteral("member")))
        for (const QByteArray& v : m->values) members << QString::fromUtf8(v).toLower();
      members.sort();
      out << e.dn.key() + u' ' + QString::fromUtf8(e.first(QStringLiteral("groupType"))) + u' ' +
                 members.join(u'|');
    }
    out.sort();
    return out;
  }
};

TEST_F(GroupWindow, DetailsShowsTheUserMembersOnlyAndCountsThem) {
  adDomain();
  const int users = g().NotMembers->count();
  load("Sales Team");
  EXPECT_EQ(texts(g().Members), (QStringList{"Alice Archer", "Bob Baker"}))
      << "the nested group and the computer are no user members";
  EXPECT_EQ(keys(g().Members),
            (QStringList{adPath("CN=Alice Archer,OU=Sales"), adPath("CN=Bob Baker,OU=Sales")}));
  EXPECT_EQ(icons(g().Members), (QStringList{"USER", "USER"}));
  EXPECT_EQ(g().statusText(), "Number of Members = 2");
  EXPECT_EQ(g().Decsription_Text->text(), "The sales people");
  EXPECT_EQ(g().NotMembers->count() + g().Members->count(), users) << "every user stands in one list";
  EXPECT_FALSE(texts(g().NotMembers).contains("Alice Archer"));

  // Loading again gives the same lists; a click on the group list returns the members in order.
  const QStringList members = texts(g().Members), others = texts(g().NotMembers);
  g().ListView1_DblClick();
  EXPECT_EQ(texts(g().Members), members);
  EXPECT_EQ(texts(g().NotMembers), others);
  g().ListView1_Click();
  EXPECT_EQ(g().Members->count(), 0);
  QStringList sorted = texts(g().NotMembers);
  std::sort(sorted.begin(), sorted.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  EXPECT_EQ(texts(g().NotMembers), sorted) << "returned members sort into place";
  EXPECT_EQ(g().NotMembers->count(), users);

  load("Empty");
  EXPECT_EQ(g().Members->count(), 0);
  EXPECT_EQ(g().statusText(), "Number of Members = 0");
  EXPECT_EQ(g().Decsription_Text->text(), "") << "a group without a description shows none";
}

TEST_F(GroupWindow, MembersWhosePathsSortUnlikeTheirNamesAreAllFound) {
  adDomain();
  load("Anns");
  QStringList expected = annNames();
  std::sort(expected.begin(), expected.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  EXPECT_EQ(texts(g().Members), expected);
  EXPECT_EQ(g().statusText(), QStringLiteral("Number of Members = %1").arg(annNames().size()));
}

TEST_F(GroupWindow, ColumnClicksFlipTheDirectionWhateverTheColumn) {
  adDomain();
  ASSERT_EQ(g().ListView1->sortOrder(), Qt::AscendingOrder);
  const QStringList byName = texts(g().ListView1);
  g().ListView1_ColumnClick(1);
  EXPECT_EQ(g().ListView1->sortKey(), 1);
  EXPECT_EQ(g().ListView1->sortOrder(), Qt::DescendingOrder);
  QStringList captions;
  for (int i = 1; i <= g().ListView1->count(); ++i) captions << g().ListView1->subItem(i, 1);
  QStringList descending = captions;
  std::sort(descending.begin(), descending.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) > 0; });
  EXPECT_EQ(captions, descending);
  g().ListView1_ColumnClick(0);
  EXPECT_EQ(g().ListView1->sortOrder(), Qt::AscendingOrder);
  EXPECT_EQ(texts(g().ListView1), byName);
}

TEST_F(GroupWindow, TheLongestGroupNameIsShownWhole) {
  adDomain();
  const QString name = QStringLiteral("Pre-Windows 2000 Compatible Access");
  const int row = texts(g().ListView1).indexOf(name) + 1;
  ASSERT_GT(row, 0);
  w->Gblgropus_Click();
  QTreeWidget* list = g().ListView1;
  const int needed = list->fontMetrics().horizontalAdvance(name) + list->style()->pixelMetric(QStyle::PM_SmallIconSize);
  EXPECT_GE(list->columnWidth(0), needed);
  EXPECT_GT(list->columnWidth(1), 0) << "the Type column stays in view";
  g().ExitButton_Click();
}

TEST_F(GroupWindow, ExitReturnsTheMembersAndKeepsTheLists) {
  adDomain();
  ASSERT_TRUE(w->Gblgropus->isEnabled());
  w->Gblgropus->trigger();  // Options > Groups
  ASSERT_TRUE(g().isVisible());
  EXPECT_EQ(g().windowModality(), Qt::ApplicationModal);
  load("Sales Team");
  const int users = g().NotMembers->count() + g().Members->count();
  g().ExitButton_Click();
  EXPECT_FALSE(g().isVisible());
  EXPECT_EQ(g().Members->count(), 0);
  w->Gblgropus_Click();
  EXPECT_EQ(g().NotMembers->count(), users);
  EXPECT_GT(g().ListView1->count(), 0);
  g().close();
  EXPECT_FALSE(g().isVisible()) << "the title bar's close is Exit";
  EXPECT_EQ(g().NotMembers->count(), users);
}

TEST_F(GroupWindow, AddAndRemoveMembersChangeTheDirectoryAndMoveTheRows) {
  adDomain();
  const QString team = adPath("CN=Sales Team,OU=Sales");
  load("Sales Team");
  select(g().NotMembers, {"dave", "Ann B", "Anna"});
  g().Command2_Click();
  EXPECT_EQ(texts(g().Members), (QStringList{"Alice Archer", "Ann B", "Anna", "Bob Baker", "dave"}));
  EXPECT_EQ(g().Members->key(texts(g().Members).indexOf("dave") + 1), adPath("CN=dave,CN=Users"));
  EXPECT_EQ(directoryMembers(team),
            (QStringList{"Alice Archer", "Ann B", "Anna", "Bob Baker", "Sales Leads", "WS01", "dave"}));

  select(g().Members, {"Alice Archer", "dave"});
  g().Command1_Click();
  EXPECT_EQ(texts(g().Members), (QStringList{"Ann B", "Anna", "Bob Baker"}));
  EXPECT_TRUE(texts(g().NotMembers).contains("dave"));
  EXPECT_EQ(directoryMembers(team), (QStringList{"Ann B", "Anna", "Bob Baker", "Sales Leads", "WS01"}));
  EXPECT_EQ(beeps.beeps(), 0);
  EXPECT_EQ(g().statusText(), "Number of Members = 2") << "the count is that of the last load";
}

TEST_F(GroupWindow, AnEntryTheDirectoryRefusesBeepsAndStaysTheOthersMove) {
  adDomain();
  const QString team = adPath("CN=Sales Team,OU=Sales");
  load("Sales Team");
  // dave joins the group behind the window's back: adding him again is refused.
  ASSERT_TRUE(admin().GetObject(team)->Add(adPath("CN=dave,CN=Users")).ok());
  select(g().NotMembers, {"Ann", "dave", "Anna"});
  g().Command2_Click();
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(texts(g().Members), (QStringList{"Alice Archer", "Ann", "Anna", "Bob Baker"}));
  EXPECT_TRUE(texts(g().NotMembers).contains("dave"));

  // bob leaves behind the window's back: removing him is refused, alice goes.
  ASSERT_TRUE(admin().GetObject(team)->Remove(adPath("CN=Bob Baker,OU=Sales")).ok());
  select(g().Members, {"Alice Archer", "Bob Baker"});
  g().Command1_Click();
  EXPECT_EQ(beeps.beeps(), 2);
  EXPECT_EQ(texts(g().Members), (QStringList{"Ann", "Anna", "Bob Baker"}));
}

TEST_F(GroupWindow, WithNoGroupChosenTheChangesSayTheyCannotConnect) {
  adDomain();
  load("Sales Team");
  g().ListView1->setCurrentItem(nullptr);
  g().ListView1->clearSelection();
  select(g().Members, {"Alice Archer"});
  g().Command1_Click();
  EXPECT_EQ(g().statusText(), "Could not connect to Group");
  EXPECT_EQ(beeps.beeps(), 0);
  select(g().NotMembers, {"dave"});
  g().Command2_Click();
  EXPECT_EQ(g().statusText(), "Error Connecting to Group");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(texts(g().Members), (QStringList{"Alice Archer", "Bob Baker"}));
  g().Delete_Group_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Error Deleting Group") << "no question without a group";
}

TEST_F(GroupWindow, DeletingAGroupTakesItOutOfEveryListAndNothingElse) {
  adDomain();
  // A template that names the group, and one that does not.
  QByteArray templates = staffTemplate({"Sales Team", "Anns"}).encode();
  records::Template_Record other = staffTemplate({"Anns"}, "Anns");
  other.Name = "Other";
  templates += other.encode();
  ASSERT_TRUE(writeAll(db() + "Template.dat", templates));
  const QString team = adPath("CN=Sales Team,OU=Sales");
  // The group as a tree node, and in the bulk window's selection.
  auto* groupNode = new QTreeWidgetItem(QStringList{"Sales Team"});
  groupNode->setData(0, kKeyRole, team);
  groupNode->setData(0, kIconRole, "W2KGRP");
  w->TreeView1->topLevelItem(0)->addChild(groupNode);
  bulk::Catalogue& c = bulk::catalogue();
  c.toSelection(c.groups, {c.groups.findKey(team)});
  w->USERID->setText("alice");
  load("Sales Team");

  const QStringList listsBefore = everyList();
  const QStringList groupsBefore = directoryGroups();
  prompts.answer(ui::MsgBoxResult::Cancel);
  g().Delete_Group_Click();
  EXPECT_EQ(prompts.asked[0].prompt, "Sure to Delete Global Group Sales Team");
  EXPECT_EQ(prompts.asked[0].title, "Delete Group");
  EXPECT_EQ(prompts.asked[0].style, 33);
  EXPECT_EQ(everyList(), listsBefore) << "Cancel changes nothing";
  EXPECT_EQ(directoryGroups(), groupsBefore);

  prompts.asked.clear();
  prompts.answer(ui::MsgBoxResult::OK);
  g().Delete_Group_Click();
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[1].prompt, "The group Sales Team is still named by these templates: Staff");

  // The directory lost that group only: every other object and membership is as it was.
  QStringList groupsAfter = directoryGroups();
  QStringList expectedGroups;
  for (const QString& line : groupsBefore)
    if (!line.startsWith("cn=sales team,ou=sales,")) expectedGroups << line;
  EXPECT_EQ(groupsAfter, expectedGroups);
  EXPECT_FALSE(admin().GetObject(team).ok());

  // Every list lost its entry and nothing else; the members went back to the non-members.
  QStringList expectedLists;
  for (const QString& line : listsBefore) {
    if (line.contains(u' ' + team) || line.startsWith("G1 Sales Team ")) continue;
    if (line.startsWith("GM ")) {
      expectedLists << "GNM" + line.mid(2);
      continue;
    }
    expectedLists << line;
  }
  QStringList after = everyList();
  std::sort(after.begin(), after.end());
  std::sort(expectedLists.begin(), expectedLists.end());
  EXPECT_EQ(after, expectedLists);
  EXPECT_EQ(g().Members->count(), 0);
  EXPECT_TRUE(w->USERID->text().isEmpty()) << "the user-properties tab is emptied";
  EXPECT_EQ(node(team), nullptr) << "its tree node goes";
}

TEST_F(GroupWindow, AFailedDeletionSaysSoAndLeavesEveryList) {
  adDomain();
  const QString team = adPath("CN=Sales Team,OU=Sales");
  load("Sales Team");
  ASSERT_TRUE(admin().GetObject(adPath("OU=Sales"))->Delete("group", "CN=Sales Team").ok());
  const QStringList before = everyList();
  prompts.answer(ui::MsgBoxResult::OK);
  g().Delete_Group_Click();
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[1].prompt, "Error Deleting Group");
  EXPECT_EQ(prompts.asked[1].title, "Tavrel");
  EXPECT_EQ(everyList(), before);
}

// --- creation ---

struct Kind {
  int scope;  // Option1 index
  int type;   // Option2 index
  qint32 groupType;
  const char* caption;
};

const Kind kKinds[] = {
    {0, 1, qint32(0x80000004u), "Security Group - Domain Local"},
    {1, 1, qint32(0x80000002u), "Security Group - Global"},
    {2, 1, qint32(0x80000008u), "Security Group - Universal"},
    {0, 0, 4, "Distribution Group - Domain Local"},
    {1, 0, 2, "Distribution Group - Global"},
    {2, 0, 8, "Distribution Group - Universal"},
};

TEST_F(GroupWindow, EachScopeAndTypeIsCreatedWithItsGroupTypeInTheFourLists) {
  adDomain();
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.caption);
    const QString name = QStringLiteral("New %1 %2").arg(k.scope).arg(k.type);
    groups::GroupAdd add;
    add.GRP_Name->setText(name);
    add.GRP_DESCRIPTION->setText("made by the test");
    add.Option1[k.scope]->setChecked(true);
    add.Option2[k.type]->setChecked(true);
    add.OKButton_Click();
    EXPECT_EQ(add.result(), QDialog::Accepted);
    const QString key = adPath("CN=" + name + ",CN=Users");
    auto group = admin().GetObject(key);
    ASSERT_TRUE(group.ok());
    EXPECT_EQ(group->Get("groupType")->toLongLong(), k.groupType);
    EXPECT_EQ(group->Get("sAMAccountName")->toString(), name);
    EXPECT_EQ(group->Get("description")->toString(), "made by the test");
    const int row = g().ListView1->findKey(key);
    ASSERT_GT(row, 0);
    EXPECT_EQ(g().ListView1->subItem(row, 1), k.caption);
    EXPECT_EQ(g().ListView1->subItem(row, 1), directory::groupCaption(quint32(k.groupType), key))
        << "a reload gives the same caption";
    EXPECT_EQ(g().ListView1->smallIcon(row), "W2KGRP");
    for (ui::ListView* l : {w->ListView3, w->ListView5}) {
      const int r = l->findKey(key);
      ASSERT_GT(r, 0) << l->objectName().toStdString();
      EXPECT_EQ(l->text(r), name);
      EXPECT_EQ(l->smallIcon(r), "W2KGRP");
    }
    EXPECT_EQ(bulk::catalogue().groups.texts().count(name), 1) << "once in the bulk window, with its key";
    EXPECT_GT(bulk::catalogue().groups.findKey(key), 0);
  }
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(GroupWindow, AddGroupOpensTheWindowModallyAndTheGroupIsListed) {
  adDomain();
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* add = qobject_cast<groups::GroupAdd*>(QApplication::activeModalWidget());
    if (!add) return;
    seen = add->isModal() && add->windowTitle() == "Add Group";
    add->GRP_Name->setText("From The Button");
    add->OKButton->click();
  });
  g().Add_Group_Click();
  EXPECT_TRUE(seen);
  EXPECT_GT(g().ListView1->findKey(adPath("CN=From The Button,CN=Users")), 0);
}

TEST_F(GroupWindow, TheOptionsFollowTheDomainMode) {
  struct Case {
    int mode;
    bool local, global, universal, types;
  };
  const Case cases[] = {
      {0, true, true, true, true}, {1, true, true, false, true}, {2, false, true, false, false}};
  for (const Case& c : cases) {
    state::shared().Directory_Mode = int16_t(c.mode);
    groups::GroupAdd add;
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(add.Option1[0]->isEnabled(), c.local);
    EXPECT_EQ(add.Option1[1]->isEnabled(), c.global);
    EXPECT_EQ(add.Option1[2]->isEnabled(), c.universal);
    EXPECT_EQ(add.Option2[0]->isEnabled(), c.types);
    EXPECT_EQ(add.Option2[1]->isEnabled(), c.types);
    EXPECT_TRUE(add.Option1[1]->isChecked());
    EXPECT_TRUE(add.Option2[0]->isChecked());
    EXPECT_EQ(add.Option1[1]->text(), "Domain Global ");
  }
}

TEST_F(GroupWindow, MixedModeCreatesLocalAndGlobalGroups) {
  SIMNET_ONLY("a mixed-mode domain");
  adDomain(true);
  ASSERT_EQ(state::shared().Directory_Mode, 1);
  groups::GroupAdd add;
  EXPECT_FALSE(add.Option1[2]->isEnabled());
  add.GRP_Name->setText("Mixed Local");
  add.Option1[0]->setChecked(true);
  add.Option2[1]->setChecked(true);
  add.OKButton_Click();
  auto group = admin().GetObject(adPath("CN=Mixed Local,CN=Users"));
  ASSERT_TRUE(group.ok());
  EXPECT_EQ(group->Get("groupType")->toLongLong(), qint32(0x80000004u));
}

TEST_F(GroupWindow, ActiveDirectoryNamesAreCheckedEscapedAndGiveALegalUniqueAccountName) {
  adDomain();
  struct Case {
    QString name;
    QString sam;      // empty: refused
    QString message;  // what the refusal says
  };
  const Case cases[] = {
      {"A group named with 25 ch", "A group named with 2", {}},
      {"Sales, East + West = \"#1\" <a>;b\\c", "Sales_ East _ West _", {}},
      {"Nineteen characters at twenty", "Nineteen characters", {}},
      {QString(65, u'x'), {}, "Name Length too long, max 64 Chrs"},
      {"dave", {}, "The pre-Windows 2000 name dave is already used by another account of the domain."},
      {"Tab\there", {}, "A group name cannot hold control characters."},
      {"Team (North)",
       {},
       "The pre-Windows 2000 name Team (North) is already used by another account of the domain."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    prompts.asked.clear();
    groups::GroupAdd add;
    add.GRP_Name->setText(c.name);
    add.OKButton_Click();
    const QString key = kPath + adsi::Dn::fromDnsName("example.local")
                                    .child(adsi::Rdn("CN", "Users"))
                                    .child(adsi::Rdn("CN", c.name))
                                    .toString()
                                    .replace("/", "\\/");
    if (c.sam.isEmpty()) {
      ASSERT_EQ(prompts.asked.size(), 1u);
      EXPECT_EQ(prompts.asked[0].prompt, c.message);
      EXPECT_EQ(add.result(), 0) << "the window stays open";
      EXPECT_EQ(g().ListView1->findKey(key), 0);
      continue;
    }
    EXPECT_TRUE(prompts.asked.empty());
    auto group = admin().GetObject(key);
    ASSERT_TRUE(group.ok()) << key.toStdString();
    EXPECT_EQ(group->Get("cn")->toString(), c.name);
    EXPECT_EQ(group->Get("sAMAccountName")->toString(), c.sam);
    EXPECT_GT(g().ListView1->findKey(key), 0);
  }
  // A name of blanks closes the window and creates nothing.
  const int groupsBefore = g().ListView1->count();
  groups::GroupAdd blank;
  blank.GRP_Name->setText("   ");
  blank.OKButton_Click();
  EXPECT_EQ(blank.result(), QDialog::Rejected);
  EXPECT_EQ(g().ListView1->count(), groupsBefore);
}

TEST_F(GroupWindow, AGroupThatExistsAlreadyIsAnErrorAndCreatedButNotListedIsToldApart) {
  adDomain();
  groups::GroupAdd add;
  add.GRP_Name->setText(
      "Sales Team");  // in OU=Sales, so the Users container takes it; its account name does not
  add.OKButton_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt,
            "The pre-Windows 2000 name Sales Team is already used by another account of the domain.");

  // The group is created, but the bulk window already lists its key: that list refuses it.
  prompts.asked.clear();
  const QString key = adPath("CN=Fresh,CN=Users");
  bulk::catalogue().groups.add("stale", key, "W2KGRP");
  groups::GroupAdd fresh;
  fresh.GRP_Name->setText("Fresh");
  fresh.OKButton_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(
      prompts.asked[0].prompt,
      "The group Fresh was created, but not every list could show it. Connect to the domain again to see "
      "it everywhere.");
  EXPECT_TRUE(admin().GetObject(key).ok());
  EXPECT_GT(g().ListView1->findKey(key), 0);
}

// --- NT ---

TEST_F(GroupWindow, NtMembersAreFoundByNameAndMovedWithoutKeys) {
  ntDomain();
  if (!net) return;
  load("Accounts");
  EXPECT_EQ(texts(g().Members), QStringList{"jdoe"});
  EXPECT_EQ(g().statusText(), "Number of Members = 1");
  select(g().NotMembers, {"rroe"});
  g().Command2_Click();
  EXPECT_EQ(texts(g().Members), (QStringList{"jdoe", "rroe"}));
  EXPECT_EQ(keys(g().Members), (QStringList{"", ""}));
  select(g().Members, {"jdoe"});
  g().Command1_Click();
  EXPECT_EQ(texts(g().Members), QStringList{"rroe"});
  auto group = admin().GetObject("WinNT://OLDCORP/Accounts,group");
  ASSERT_TRUE(group.ok());
  EXPECT_TRUE(*group->IsMember("WinNT://OLDCORP/rroe"));
  EXPECT_FALSE(*group->IsMember("WinNT://OLDCORP/jdoe"));
  g().ListView1_Click();
  EXPECT_EQ(keys(g().NotMembers).join(""), "") << "returned NT entries carry no key";
  EXPECT_TRUE(texts(g().NotMembers).contains("jdoe"));
}

TEST_F(GroupWindow, NtDeletionMatchesTheNameWithItsCase) {
  ntDomain();
  if (!net) return;
  // An entry whose name differs in case only (a stale one) is another group.
  w->ListView5->add("ACCOUNTS", "", "Global");
  const QStringList before = everyList();
  prompts.answer(ui::MsgBoxResult::OK);
  chooseGroup("Accounts");
  g().Delete_Group_Click();
  EXPECT_FALSE(admin().GetObject("WinNT://OLDCORP/Accounts,group").ok());
  QStringList expected;
  for (const QString& line : before)
    if (!line.contains(" Accounts ")) expected << line;
  EXPECT_EQ(everyList(), expected);
  EXPECT_TRUE(texts(w->ListView5).contains("ACCOUNTS"));
}

TEST_F(GroupWindow, NtNamesAreCheckedAndGroupsAreGlobal) {
  ntDomain();
  if (!net) return;
  struct Case {
    QString name;
    QString message;  // empty: created
    QString title;
  };
  const Case cases[] = {
      {"Twenty chars exactly", {}, {}},
      {"Twenty-one characters", "Name Length too long, max 20 Chrs", "Name Too Long"},
      {"   ", "A group name cannot be blank.", "Add Group"},
      {"a/b", "A group name cannot hold any of these characters: \"/\\[]:;|=,+*?<>", "Add Group"},
      {"...", "A group name cannot be made of dots and blanks only.", "Add Group"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    prompts.asked.clear();
    groups::GroupAdd add;
    add.GRP_Name->setText(c.name);
    add.OKButton_Click();
    auto group = admin().GetObject("WinNT://OLDCORP/" + c.name + ",group");
    if (!c.message.isEmpty()) {
      ASSERT_EQ(prompts.asked.size(), 1u);
      EXPECT_EQ(prompts.asked[0].prompt, c.message);
      EXPECT_EQ(prompts.asked[0].title, c.title);
      EXPECT_EQ(add.result(), 0);
      continue;
    }
    EXPECT_TRUE(prompts.asked.empty());
    ASSERT_TRUE(group.ok());
    EXPECT_EQ(group->Get("groupType")->toLongLong(), 2);
    for (ui::ListView* l : {w->ListView3, w->ListView5, g().ListView1}) {
      const int r = texts(l).indexOf(c.name) + 1;
      ASSERT_GT(r, 0);
      EXPECT_EQ(l->smallIcon(r), "Global");
      EXPECT_TRUE(l->key(r).isEmpty());
    }
    EXPECT_EQ(bulk::catalogue().groups.texts().count(c.name), 1);
  }
  // A group that exists: the directory refuses it.
  prompts.asked.clear();
  groups::GroupAdd again;
  again.GRP_Name->setText("Accounts");
  again.OKButton_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Error Adding Group:Accounts");
  EXPECT_EQ(prompts.asked[0].title, "");
}

}  // namespace
}  // namespace tavrel::test
