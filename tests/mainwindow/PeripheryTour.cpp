// The main window's menus, the "Delete WKS Profile" window, the "Create OU" input box and the
// help window, for looking at: a copy of the demonstration network in a temporary folder, one
// stage every two seconds. Run it under a screen-capture tool; it ends by itself after 16 s.

#include "directory/DirectoryService.h"
#include "mainwindow/HelpWindow.h"
#include "mainwindow/WKS_PROFILE.h"
#include "mainwindow/form1.h"
#include "platform/simnet/DemoNetwork.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QDir>
#include <QMenuBar>
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

void closeModal() {
  if (QWidget* m = QApplication::activeModalWidget()) m->close();
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

  mainwindow::form1 w;
  w.dbpath->setText(tmp.path() + "/db/");
  w.Command_Line = QString();
  state::shared().Domain_Name = "example.local";
  if (!w.Connect_Domain("example.local")) return 1;
  w.show();
  if (QTreeWidgetItem* user = findNode(w.TreeView1, "John Smith")) w.TreeView1->setCurrentItem(user);

  const QList<QAction*> menus = w.menuBar()->actions();
  const auto stage = [&](int ms, std::function<void()> f) { QTimer::singleShot(ms, &w, f); };
  stage(1000, [&] { w.menuBar()->setActiveAction(menus.value(0)); });
  stage(3000, [&] { w.menuBar()->setActiveAction(menus.value(1)); });
  stage(5000, [&] { w.menuBar()->setActiveAction(menus.value(2)); });
  stage(7000, [&] {
    if (QMenu* open = menus.value(2)->menu()) open->close();
    QTimer::singleShot(200, [] {
      if (auto* d = qobject_cast<mainwindow::WKS_PROFILE*>(QApplication::activeModalWidget()))
        d->WKS_NAME1->setText("WS0042");
    });
    w.Delete_Workstation_Profile();
  });
  stage(9000, [&] {
    closeModal();
    QTimer::singleShot(0, [&] {
      w.TreeView1->setCurrentItem(findNode(w.TreeView1, "Sales"));
      w.Create_OU();
    });
  });
  stage(11000, [&] {
    closeModal();
    QTimer::singleShot(0, [&] { w.Help_Click(); });
  });
  stage(13000, [] {
    if (mainwindow::HelpWindow* help = mainwindow::HelpWindow::existing()) {
      help->SearchText->setText("mandatory");
      help->Contents->setCurrentRow(0);
    }
  });
  stage(16000, [] { QApplication::quit(); });
  return app.exec();
}
