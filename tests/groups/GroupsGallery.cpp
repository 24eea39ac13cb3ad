// Shows the group window over a small simulated domain, for looking at it (not a test):
//   groups_gallery window       the window with "Sales Team" loaded
//   groups_gallery add <0|1|2>  "Add Group" in native, mixed or NT mode

#include "directory/DirectoryService.h"
#include "groups/GroupAdd.h"
#include "groups/Groupsfrm.h"
#include "mainwindow/form1.h"
#include "platform/simnet/NetworkBuilder.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

using namespace tavrel;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("window");
  const int mode = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
  QTemporaryDir tmp;
  QDir().mkpath(tmp.path() + "/db");
  simnet::NetworkBuilder b(tmp.path() + "/net");
  b.forest("example.local", "EXAMPLE", mode == 1)
      .ou("example.local", "OU=Sales")
      .user("example.local", "alice", simnet::UserSpec().in("OU=Sales").named("Alice Archer"))
      .user("example.local", "bob", simnet::UserSpec().in("OU=Sales").named("Bob Baker"))
      .user("example.local", "carol", simnet::UserSpec().in("OU=Sales").named("Carol Clark"))
      .user("example.local", "dave", simnet::UserSpec().named("Dave Dunn"))
      .user("example.local", "erin", simnet::UserSpec().named("Erin East"))
      .group("example.local", "Sales Team",
             simnet::GroupSpec().in("OU=Sales").describedAs("The sales people"))
      .group("example.local", "Printing", simnet::GroupSpec().ofType(4))
      .group("example.local", "Newsletter", simnet::GroupSpec().ofType(8))
      .member("example.local", "Sales Team", "alice")
      .member("example.local", "Sales Team", "bob")
      .nt4Domain("OLDCORP");
  auto net = b.build();
  if (!net) return 1;
  directory::setDirectory(std::make_shared<adsi::Directory>(*net));
  auto w = std::make_unique<mainwindow::form1>();
  w->dbpath->setText(tmp.path() + "/db/");
  w->Command_Line = QString();
  const QString domain = mode == 2 ? QStringLiteral("OLDCORP") : QStringLiteral("example.local");
  state::shared().Domain_Name = domain;
  if (!w->Connect_Domain(domain)) return 2;
  groups::Groupsfrm& g = groups::Groupsfrm::instance();
  if (what == "add") {
    groups::GroupAdd add;
    add.GRP_Name->setText(mode == 2 ? "Accounts" : "Project X");
    add.show();
    return app.exec();
  }
  w->Gblgropus_Click();
  for (int i = 1; i <= g.ListView1->count(); ++i)
    if (g.ListView1->text(i) == "Sales Team") g.ListView1->setSelectedIndex(i);
  g.Group_Details_Click();
  return app.exec();
}
