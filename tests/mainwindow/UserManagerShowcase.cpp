// The User Manager page for looking at: a copy of the demonstration network in a temporary
// folder, a user of example.local loaded into the page, each sub-page in turn (two seconds each),
// then an NT 4.0 user and the Setup page. Run it under a screen-capture tool; it ends by itself
// after 13 seconds.

#include "directory/DirectoryService.h"
#include "mainwindow/form1.h"
#include "platform/simnet/DemoNetwork.h"
#include "startup/Settings.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace tavrel;

namespace {

QTreeWidgetItem* findNode(QTreeWidget* tree, const QString& text) {
  QList<QTreeWidgetItem*> todo;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) todo << tree->topLevelItem(i);
  while (!todo.isEmpty()) {
    QTreeWidgetItem* n = todo.takeFirst();
    if (n->text(0) == text) return n;
    for (int i = 0; i < n->childCount(); ++i) todo << n->child(i);
  }
  return nullptr;
}

bool details(mainwindow::form1& w, const QString& text) {
  QTreeWidgetItem* n = findNode(w.TreeView1, text);
  if (!n) return false;
  w.TreeView1->setCurrentItem(n);
  w.TreeView1_DblClick();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir tmp;
  if (!tmp.isValid()) return 1;
  qputenv("TAVREL_CONFIG", QFile::encodeName(tmp.path() + "/Tavrel.conf"));
  QDir().mkpath(tmp.path() + "/db");
  auto net = simnet::SimNetwork::open(tmp.path() + "/net");
  if (!net || !simnet::seedDemoNetwork(*net)) {
    std::fprintf(stderr, "cannot build the demonstration network\n");
    return 1;
  }
  directory::setDirectory(std::make_shared<adsi::Directory>(*net));
  startup::writeSetting(state::reg(), "Custom", "Custom1", "Job Title");
  startup::writeSetting(state::reg(), "Custom", "Property1", "title");
  startup::writeSetting(state::reg(), "Custom", "Custom2", "Department");
  startup::writeSetting(state::reg(), "Custom", "Property2", "department");
  startup::writeSetting(state::reg(), "Custom", "Custom3", "Other Phones");
  startup::writeSetting(state::reg(), "Custom", "Property3", "otherTelephone");
  ui::ScriptedPrompter prompts;
  ui::setPrompter(&prompts);

  mainwindow::form1 w;
  w.dbpath->setText(tmp.path() + "/db/");
  w.Command_Line = QString();
  w.DisplayName->setChecked(true);
  w.Load_Custom_Fields();
  for (const QChar c : QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
    w.UM_Drive_Letter->addItem(QString(c) + u':');
  state::shared().Domain_Name = "example.local";
  if (!w.Connect_Domain("example.local")) return 1;
  const QString adUser = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("John Smith");
  // Several values: shown read-only on the Custom page.
  if (auto users = directory::requireDirectory()) {
    auto found = (*users)->GetObject("LDAP://example.local/CN=John Smith,OU=Sales,DC=example,DC=local");
    if (found && found->PutEx(adsi::ADS_PROPERTY_UPDATE, "otherTelephone", {"555-0101", "555-0102"}))
      (void)found->SetInfo();
  }
  if (!details(w, adUser)) {
    std::fprintf(stderr, "no user %s in the tree\n", qPrintable(adUser));
    return 1;
  }
  w.show();

  for (int page = 1; page <= 3; ++page)
    QTimer::singleShot(2000 * page, &w, [&w, page] { w.SSTab2->setCurrentIndex(page); });
  QTimer::singleShot(8000, &w, [&w] {
    state::shared().Domain_Name = "OLDCORP";
    w.Connect_Domain("OLDCORP");
    w.SSTab2->setCurrentIndex(0);
    QTreeWidgetItem* root = findNode(w.TreeView1, "OLDCORP");
    if (root && root->childCount() > 0) {
      w.TreeView1->setCurrentItem(root->child(0));
      w.TreeView1_DblClick();
    }
  });
  // The Setup page, its default password masked.
  QTimer::singleShot(10500, &w, [&w] {
    w.defaultpassword->setText("Secret1");
    w.SSTab1->setCurrentIndex(mainwindow::form1::kSetupPage);
  });
  QTimer::singleShot(13000, &app, &QApplication::quit);
  return app.exec();
}
