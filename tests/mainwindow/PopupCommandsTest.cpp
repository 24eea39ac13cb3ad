// "Create OU" on each kind of tree node (also against the test DC as dc.*), and the two custom
// commands: their arguments and window style, and a real command started detached.

#include "DomainFixture.h"

#include "bulk/Catalogue.h"
#include "mainwindow/PopupCommands.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry_Object.h"
#include "startup/Settings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

using namespace tavrel;
using simnet::UserSpec;

namespace {

TEST(PopupCommands, OuNames) {
  EXPECT_FALSE(mainwindow::ouNameProblem("Sales").has_value());
  EXPECT_FALSE(mainwindow::ouNameProblem("Sales, East #2 = \"A+B\"").has_value());
  EXPECT_FALSE(mainwindow::ouNameProblem(QString(64, u'x')).has_value());
  for (const QString& bad : {QString(), QStringLiteral(" Sales"), QStringLiteral("Sales "),
                             QStringLiteral("Sa\nles"), QString(65, u'x')})
    EXPECT_TRUE(mainwindow::ouNameProblem(bad).has_value()) << bad.toStdString();
  EXPECT_EQ(mainwindow::newOuKey("East, West", "OU=Sales,DC=example,DC=local"),
            "OU=East\\, West,OU=Sales,DC=example,DC=local");
  EXPECT_EQ(mainwindow::newOuKey("#1", "DC=example,DC=local"), "OU=\\#1,DC=example,DC=local");
}

TEST(PopupCommands, CustomCommandArgumentsAndStyle) {
  struct Case {
    const char* script;
    const char* node;
    QStringList expected;
  } cases[] = {
      {"/usr/bin/report --user", "jsmith", {"/usr/bin/report", "--user", "jsmith", "example.local"}},
      {"\"/opt/my tools/run\" -q", "John Smith", {"/opt/my tools/run", "-q", "John Smith", "example.local"}},
      {"run", "a \"quoted\" & name; rm -rf /", {"run", "a \"quoted\" & name; rm -rf /", "example.local"}},
      {"", "jsmith", {}},
      {"   ", "jsmith", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mainwindow::customCommandArguments(c.script, c.node, "example.local"), c.expected) << c.script;

  EXPECT_EQ(mainwindow::customCommandWindowStyle("Y"), process::SW_HIDE);
  EXPECT_EQ(mainwindow::customCommandWindowStyle("y"), process::SW_HIDE);
  for (const char* normal : {"Yes", "N", "", " Y"})
    EXPECT_EQ(mainwindow::customCommandWindowStyle(normal), process::SW_SHOWNORMAL) << normal;
}

class CreateOu : public test::DomainFixture {
 protected:
  void SetUp() override {
    DomainFixture::SetUp();
    if (!test::onTestDc()) builder->forest("example.local", "EXAMPLE");
    builder->ou("example.local", "OU=Sales")
        .user("example.local", "jsmith", UserSpec().in("OU=Sales").named("John Smith"))
        .user("example.local", "dave");
    install();
    ASSERT_TRUE(connect("example.local"));
  }
  static constexpr const char* kDomainDn = "DC=example,DC=local";

  QTreeWidgetItem* user(const QString& cn) const {
    for (QTreeWidgetItem* n : nodesWithImage("USER"))
      if (keyOf(n).contains("CN=" + cn + ",")) return n;
    return nullptr;
  }
  void create(QTreeWidgetItem* on, const std::optional<QString>& name) {
    ASSERT_NE(on, nullptr);
    w->TreeView1->setCurrentItem(on);
    prompts.answerText(name);
    w->Create_OU();
  }
  // A node the loaders do not make here: a group, or the placeholder of an unconfigured domain.
  QTreeWidgetItem* extraNode(const QString& text, const QString& image, const QString& key) {
    auto* n = new QTreeWidgetItem(w->TreeView1->topLevelItem(0), QStringList{text});
    n->setData(0, kKeyRole, key);
    n->setData(0, kIconRole, image);
    if (image == "DOMAIN") {
      w->TreeView1->topLevelItem(0)->removeChild(n);
      w->TreeView1->addTopLevelItem(n);
    }
    return n;
  }
  bool inDirectory(const QString& dn) { return admin().GetObject("LDAP://example.local/" + dn).ok(); }
};

TEST_F(CreateOu, OnTheDomainAUnitAndAUser) {
  struct Case {
    std::function<QTreeWidgetItem*()> on;
    const char* name;
    QString parentKey;
  } cases[] = {
      {[&] { return w->TreeView1->topLevelItem(0); }, "Branch", kDomainDn},
      {[&] { return node(QStringLiteral("OU=Sales,") + kDomainDn); }, "East, West",
       QStringLiteral("OU=Sales,") + kDomainDn},
      {[&] { return user("John Smith"); }, "North", QStringLiteral("OU=Sales,") + kDomainDn},
  };
  for (const Case& c : cases) {
    const int before = bulk::catalogue().ous.count();
    create(c.on(), c.name);
    const QString key = mainwindow::newOuKey(c.name, c.parentKey);
    EXPECT_EQ(status(), QStringLiteral("Created OU ") + c.name);
    EXPECT_TRUE(inDirectory(key)) << key.toStdString();
    QTreeWidgetItem* added = node(key);
    ASSERT_NE(added, nullptr) << key.toStdString();
    EXPECT_EQ(added->text(0), c.name);
    EXPECT_EQ(imageOf(added), "OU");
    EXPECT_EQ(keyOf(added->parent()), c.parentKey);
    ASSERT_EQ(bulk::catalogue().ous.count(), before + 1);
    EXPECT_EQ(bulk::catalogue().ous.key(before + 1), key);
    EXPECT_EQ(bulk::catalogue().ous.smallIcon(before + 1), "OU");
  }
  // The new unit takes further units.
  create(node(mainwindow::newOuKey("East, West", QStringLiteral("OU=Sales,") + kDomainDn)), "Inner");
  EXPECT_TRUE(inDirectory(QStringLiteral("OU=Inner,OU=East\\, West,OU=Sales,") + kDomainDn));
}

TEST_F(CreateOu, RefusalsAddNothing) {
  struct Case {
    std::function<QTreeWidgetItem*()> on;
    const char* name;
    const char* reasonHas;  // in the status after "Error creating OU: "
  } cases[] = {
      {[&] { return node(QStringLiteral("CN=Users,") + kDomainDn); }, "Inside", ""},
      {[&] { return user("dave"); }, "UnderUsers", ""},
      {[&] { return node(QStringLiteral("OU=Sales,") + kDomainDn); }, "Sales ", "blank"},
      {[&] { return w->TreeView1->topLevelItem(0); }, "Sales", ""},
      {[&] {
         return extraNode("Sales Team", "W2KGRP", QStringLiteral("CN=Sales Team,OU=Sales,") + kDomainDn);
       },
       "UnderGroup", "cannot be created in Sales Team"},
      {[&] { return extraNode("%Domain%", "DOMAIN", "Domain"); }, "Placeholder",
       "cannot be created in %Domain%"},
  };
  for (const Case& c : cases) {
    QTreeWidgetItem* on = c.on();
    const int nodes = nodesWithImage("OU").size();
    const int listed = bulk::catalogue().ous.count();
    beeps.resetBeeps();
    create(on, c.name);
    EXPECT_TRUE(status().startsWith("Error creating OU: ")) << c.name << ": " << status().toStdString();
    EXPECT_GT(status().size(), QStringLiteral("Error creating OU: ").size()) << c.name;
    EXPECT_TRUE(status().contains(c.reasonHas)) << status().toStdString();
    EXPECT_EQ(beeps.beeps(), 1) << c.name;
    EXPECT_EQ(nodesWithImage("OU").size(), nodes) << c.name;
    EXPECT_EQ(bulk::catalogue().ous.count(), listed) << c.name;
  }
  EXPECT_FALSE(inDirectory(QStringLiteral("OU=Inside,CN=Users,") + kDomainDn));
  EXPECT_FALSE(inDirectory(QStringLiteral("OU=UnderUsers,CN=Users,") + kDomainDn));
}

TEST_F(CreateOu, ThroughThePopup) {
  w->TreeView1->setCurrentItem(node(QStringLiteral("OU=Sales,") + kDomainDn));
  prompts.answerText(QStringLiteral("ViaPopup"));
  w->mnupopup_Click(11);
  EXPECT_TRUE(inDirectory(QStringLiteral("OU=ViaPopup,OU=Sales,") + kDomainDn));
  EXPECT_NE(node(QStringLiteral("OU=ViaPopup,OU=Sales,") + kDomainDn), nullptr);
}

TEST_F(CreateOu, CancelOrAnEmptyNameDoesNothing) {
  for (const std::optional<QString>& answer : {std::optional<QString>(), std::optional<QString>(QString())}) {
    w->StatusBar1->setPanelText(1, "untouched");
    create(w->TreeView1->topLevelItem(0), answer);
    EXPECT_EQ(status(), "untouched");
  }
  ASSERT_FALSE(prompts.asked.empty());
  EXPECT_EQ(prompts.asked.back().prompt, "Enter New OU Name");
  EXPECT_EQ(prompts.asked.back().title, "Create OU");
}

class CustomCommand : public test::DomainFixture {
 protected:
  void SetUp() override {
    DomainFixture::SetUp();
    SIMNET_ONLY("the directory plays no part");
    builder->forest("example.local", "EXAMPLE")
        .user("example.local", "jsmith", UserSpec().named("John Smith"));
    install();
    ASSERT_TRUE(connect("example.local"));
    probe = dir() + "probe.sh";
    QFile f(probe);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("out=$1; shift; printf '%s\\n' \"$@\" > \"$out.part\"; mv \"$out.part\" \"$out\"\n");
  }
  void put(const QString& name, const QString& value) {
    ASSERT_TRUE(startup::writeSetting(state::reg(), "Custom", name, value));
  }
  // The arguments the probe received, one a line (empty when it did not run within 5 s).
  QStringList received(const QString& out) {
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(out) && t.elapsed() < 5000) QThread::msleep(20);
    return QString::fromUtf8(test::readAll(out)).split(u'\n', Qt::SkipEmptyParts);
  }
  QString probe;
};

TEST_F(CustomCommand, RunsDetachedWithTheNodeAndTheRootAsArguments) {
  for (QTreeWidgetItem* n : nodesWithImage("USER")) w->TreeView1->setCurrentItem(n);
  const QString nodeText = w->TreeView1->currentItem()->text(0);
  ASSERT_TRUE(nodeText.contains(u' ')) << nodeText.toStdString();
  struct Case {
    int index;
    const char* suffix;
  } cases[] = {{13, ""}, {14, "1"}};
  for (const Case& c : cases) {
    const QString out = dir() + "out" + QString::number(c.index);
    put(QStringLiteral("Script") + c.suffix, "/bin/sh \"" + probe + "\" \"" + out + "\" --from-tavrel");
    put(QStringLiteral("RUNHIDDEN") + c.suffix, "y");
    w->Run_Custom_Command(c.index);
    EXPECT_EQ(received(out), (QStringList{"--from-tavrel", nodeText, "example.local"})) << c.index;
  }
}

TEST_F(CustomCommand, ThroughThePopup) {
  for (QTreeWidgetItem* n : nodesWithImage("USER")) w->TreeView1->setCurrentItem(n);
  const QString out = dir() + "popup";
  put("Script1", "/bin/sh \"" + probe + "\" \"" + out + "\"");
  w->mnupopup_Click(14);
  EXPECT_EQ(received(out), (QStringList{w->TreeView1->currentItem()->text(0), "example.local"}));
}

TEST_F(CustomCommand, NothingRunsWithoutAScriptOrForAnotherIndex) {
  const QString out = dir() + "out";
  w->TreeView1->setCurrentItem(w->TreeView1->topLevelItem(0));
  put("Script1", "/bin/sh \"" + probe + "\" \"" + out + "\"");
  w->Run_Custom_Command(13);  // Script is missing
  w->Run_Custom_Command(12);
  w->Run_Custom_Command(15);
  QThread::msleep(300);
  EXPECT_FALSE(QFile::exists(out));
}

}  // namespace
