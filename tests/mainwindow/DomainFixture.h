#pragma once
// A main window connected to a small simulated network built by the test: the network's folder,
// the directory installed for the program, and readers of the tree and the lists the loaders fill.

#include "bulk/MultiUser.h"
#include "directory/DirectoryService.h"
#include "groups/Groupsfrm.h"
#include "mainwindow/form1.h"
#include "platform/simnet/NetworkBuilder.h"
#include "state/SharedState.h"
#include "support/Fixtures.h"
#include "support/TestDc.h"

#include <QDir>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << '{';
  for (const QString& s : l) *os << '"' << s.toStdString() << "\" ";
  *os << '}';
}

namespace tavrel::test {

class DomainFixture : public AppFixture {
 protected:
  static constexpr int kKeyRole = Qt::UserRole + 1;
  static constexpr int kIconRole = Qt::UserRole + 2;

  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_TRUE(QDir().mkpath(db()));
    ASSERT_TRUE(QDir().mkpath(dir() + QStringLiteral("net")));
    if (test::onTestDc()) {
      // The same tests against the test DC: its example.local, reset, populated by the builder.
      REQUIRE_TEST_DC();
      dc = test::testDcBackend();
      adsi::Status reset = test::resetTestDc(*dc);
      ASSERT_TRUE(reset.ok()) << reset.error().message.toStdString();
      builder = std::make_unique<simnet::NetworkBuilder>(std::shared_ptr<adsi::DirectoryBackend>(dc));
    } else {
      builder = std::make_unique<simnet::NetworkBuilder>(dir() + QStringLiteral("net"));
    }
    w = std::make_unique<mainwindow::form1>();
    w->dbpath->setText(db());
    w->Command_Line = QString();
    w->DisplayName->setChecked(true);
  }
  void TearDown() override {
    w.reset();
    bulk::MultiUser::unload();
    groups::Groupsfrm::unload();
    directory::setDirectory(nullptr);
    adminDir.reset();
    net.reset();
    dc.reset();
    builder.reset();
    AppFixture::TearDown();
  }

  // Builds the network described on `builder` and installs it as the program's directory.
  void install() {
    auto built = builder->build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    net = *built;
    directory::setDirectory(std::make_shared<adsi::Directory>(backend()));
  }
  // The directory under test: the simulated network, or the test DC.
  std::shared_ptr<adsi::DirectoryBackend> backend() const {
    if (dc) return dc;
    return net;
  }
  // A directory of its own for preparing objects the builder cannot make.
  adsi::Directory& admin() {
    if (!adminDir) adminDir = std::make_unique<adsi::Directory>(backend());
    return *adminDir;
  }

  bool connect(const QString& name) {
    state::shared().Domain_Name = name;
    return w->Connect_Domain(name);
  }

  QString db() const { return dir() + QStringLiteral("db/"); }
  QString status(int panel = 1) const { return w->StatusBar1->panelText(panel); }

  // The tree's node keyed `key` (nullptr when none).
  QTreeWidgetItem* node(const QString& key) const {
    QList<QTreeWidgetItem*> todo;
    for (int i = 0; i < w->TreeView1->topLevelItemCount(); ++i) todo << w->TreeView1->topLevelItem(i);
    while (!todo.isEmpty()) {
      QTreeWidgetItem* n = todo.takeFirst();
      if (n->data(0, kKeyRole).toString() == key) return n;
      for (int i = 0; i < n->childCount(); ++i) todo << n->child(i);
    }
    return nullptr;
  }
  static QString keyOf(const QTreeWidgetItem* n) { return n ? n->data(0, kKeyRole).toString() : QString(); }
  static QString imageOf(const QTreeWidgetItem* n) {
    return n ? n->data(0, kIconRole).toString() : QString();
  }
  static QStringList childTexts(const QTreeWidgetItem* n) {
    QStringList out;
    for (int i = 0; n && i < n->childCount(); ++i) out << n->child(i)->text(0);
    return out;
  }
  // Every node of the tree with image `image`.
  QList<QTreeWidgetItem*> nodesWithImage(const QString& image) const {
    QList<QTreeWidgetItem*> out, todo;
    for (int i = 0; i < w->TreeView1->topLevelItemCount(); ++i) todo << w->TreeView1->topLevelItem(i);
    while (!todo.isEmpty()) {
      QTreeWidgetItem* n = todo.takeFirst();
      if (imageOf(n) == image) out << n;
      for (int i = 0; i < n->childCount(); ++i) todo << n->child(i);
    }
    return out;
  }

  static QStringList texts(const ui::ListView* l) {
    QStringList out;
    for (int i = 1; i <= l->count(); ++i) out << l->text(i);
    return out;
  }
  static QStringList itemsOf(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
  }
  static QStringList keys(const ui::ListView* l) {
    QStringList out;
    for (int i = 1; i <= l->count(); ++i) out << l->key(i);
    return out;
  }
  static QStringList texts(const bulk::KeyedList* l) { return l->texts(); }
  static QStringList keys(const bulk::KeyedList* l) { return l->keys(); }
  static QStringList icons(const ui::ListView* l) {
    QStringList out;
    for (int i = 1; i <= l->count(); ++i) out << l->smallIcon(i);
    return out;
  }
  bulk::MultiUser& bulkWindow() const { return bulk::MultiUser::instance(db()); }
  groups::Groupsfrm& groupWindow() const { return groups::Groupsfrm::instance(); }

  QStringList logLines() const {
    return QString::fromLatin1(readAll(db() + QStringLiteral("Log.txt")))
        .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  }

  std::unique_ptr<simnet::NetworkBuilder> builder;
  std::shared_ptr<simnet::SimNetwork> net;  // null on the test DC
  std::shared_ptr<ldap::LdapBackend> dc;    // the test DC, when the tests run against it
  std::unique_ptr<adsi::Directory> adminDir;
  std::unique_ptr<mainwindow::form1> w;
};

}  // namespace tavrel::test
