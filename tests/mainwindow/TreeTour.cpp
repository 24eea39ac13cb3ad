// The domain tree for looking at: the demonstration network connected, the toolbar, and the
// popup opened by a right press on a user (after 2 s), an organisational unit (4 s) and the domain
// node (6 s). Run it under a screen-capture tool; it ends by itself after 8 seconds.

#include "directory/DirectoryService.h"
#include "mainwindow/form1.h"
#include "platform/simnet/DemoNetwork.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include <cstdio>

using namespace tavrel;

namespace {

QTreeWidgetItem* byImage(QTreeWidget* tree, const QString& image, int skip = 0) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it)
    if ((*it)->data(0, mainwindow::form1::kNodeImageRole).toString() == image && skip-- == 0) return *it;
  return nullptr;
}

void rightPress(mainwindow::form1& w, QTreeWidgetItem* n) {
  if (!n) return;
  w.POPUP->hide();
  w.TreeView1->scrollToItem(n);
  w.TreeView1_MouseDown(Qt::RightButton, w.TreeView1->visualItemRect(n).center());
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
  ui::ScriptedPrompter prompts;
  ui::setPrompter(&prompts);

  mainwindow::form1 w;
  w.dbpath->setText(tmp.path() + "/db/");
  w.Command_Line = QString();
  w.DisplayName->setChecked(true);
  state::shared().Domain_Name = "example.local";
  if (!w.Connect_Domain("example.local")) return 1;
  w.Multi->setEnabled(true);
  w.show();
  w.TreeView1->expandAll();

  QTimer::singleShot(2000, &w, [&w] { rightPress(w, byImage(w.TreeView1, "USER", 1)); });
  QTimer::singleShot(4000, &w, [&w] { rightPress(w, byImage(w.TreeView1, "OU")); });
  QTimer::singleShot(6000, &w, [&w] { rightPress(w, w.TreeView1->topLevelItem(0)); });
  QTimer::singleShot(8000, &app, &QApplication::quit);
  return app.exec();
}
