// Shows the rename windows over a small simulated domain, for looking at them (not a test):
//   rename_gallery ad   "Rename User" on an Active Directory user
//   rename_gallery nt   "Rename NT 4.0 User" on an NT account

#include "directory/DirectoryService.h"
#include "groups/RenameUser.h"
#include "groups/Rename_NT.h"
#include "mainwindow/form1.h"
#include "platform/simnet/NetworkBuilder.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>

using namespace tavrel;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool nt = argc > 1 && QString::fromLocal8Bit(argv[1]) == QLatin1String("nt");
  QTemporaryDir tmp;
  QDir().mkpath(tmp.path() + "/db");
  simnet::NetworkBuilder b(tmp.path() + "/net");
  b.forest("example.local", "EXAMPLE")
      .ou("example.local", "OU=Sales")
      .user("example.local", "jsmith",
            simnet::UserSpec()
                .in("OU=Sales")
                .named("John Smith")
                .with("givenName", "John")
                .with("sn", "Smith")
                .with("displayName", "John Smith")
                .with("userPrincipalName", "jsmith@corp.example"))
      .nt4Domain("OLDCORP")
      .user("OLDCORP", "jsmith");
  auto net = b.build();
  if (!net) return 1;
  directory::setDirectory(std::make_shared<adsi::Directory>(*net));
  auto w = std::make_unique<mainwindow::form1>();
  w->dbpath->setText(tmp.path() + "/db/");
  w->Command_Line = QString();
  w->CNName->setChecked(true);
  w->Rename_Dir_Shr->setChecked(true);
  const QString domain = nt ? QStringLiteral("OLDCORP") : QStringLiteral("example.local");
  state::shared().Domain_Name = domain;
  state::shared().NetBIOS_Domain = nt ? QStringLiteral("OLDCORP") : QStringLiteral("EXAMPLE");
  if (!w->Connect_Domain(domain)) return 2;
  for (QTreeWidgetItemIterator it(w->TreeView1); *it; ++it)
    if ((*it)->text(0) == QLatin1String(nt ? "jsmith" : "John Smith")) w->TreeView1->setCurrentItem(*it);
  auto host = w->renameHost();
  std::unique_ptr<QDialog> window;
  if (nt)
    window = std::make_unique<groups::Rename_NT>(*host);
  else
    window = std::make_unique<groups::RenameUser>(*host);
  window->show();
  return app.exec();
}
