// Shows the New User tab before and after a creation, for screenshots: a small simulated network
// with a file server, a template and a site; the names typed (from 1 s), the creation asking for a
// prompted attribute (from 3 s; the answer is typed at 5 s), the user created (from 6 s); it ends
// at 9 s.
//   creation_tour <empty folder/>

#include "directory/DirectoryService.h"
#include "mainwindow/form1.h"
#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/Resources.h"
#include "records/Records.h"
#include "state/SharedState.h"
#include "support/CreationRecords.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

using namespace tavrel;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: creation_tour <empty folder/>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder + "db");
  qputenv("TAVREL_CONFIG", (folder + "Tavrel.conf").toLocal8Bit());
  simnet::NetworkBuilder b(folder + "net");
  b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Staff");
  b.group("example.local", "Teachers", simnet::GroupSpec().in("OU=Staff"))
      .user("example.local", "jbloggs", simnet::UserSpec().in("OU=Staff").named("Joe Bloggs"))
      .fileServer("FS1", "example.local", "D")
      .folder("\\\\FS1\\D$\\Users")
      .folder("\\\\FS1\\D$\\Profiles");
  auto net = b.build();
  if (!net) return 1;
  directory::setDirectory(std::make_shared<adsi::Directory>(*net));
  simnet::installPlatformLayers(*net);
  records::Template_Record t = test::staffTemplate({"Teachers"});
  t.ProfileShareUNC.clear();
  t.LogonScript.clear();
  const records::Site_Record site = test::mainSite();
  for (auto [name, bytes] : {std::pair{QStringLiteral("Template.dat"), t.encode()},
                             std::pair{QStringLiteral("Site.dat"), site.encode()}}) {
    QFile f(folder + "db/" + name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return 1;
  }

  mainwindow::form1 w;
  w.dbpath->setText(folder + "db/");
  w.Command_Line = QString();
  w.Field_Colour = w.savetemplate->palette().color(QPalette::Button);
  state::shared().Domain_Name = "example.local";
  w.Connect_Domain("example.local");
  w.Load_Databases();
  w.setupid->setText("1%first%%last%");
  w.defaultpassword->setText("Start-Pw1");
  w.FN_Format->setText("%first% %last%");
  w.Create_Dirs->setChecked(true);
  w.Create_User_Account->setChecked(true);
  w.resize(1100, 760);
  w.show();
  w.SSTab1->setCurrentIndex(mainwindow::form1::kNewUserPage);

  QTimer::singleShot(500, &w, [&] {
    w.nutemplate->setCurrentIndex(0);
    w.NUsitename->setCurrentIndex(0);
    for (QTreeWidgetItemIterator it(w.TreeView1); *it; ++it)
      if ((*it)->data(0, mainwindow::form1::kNodeKeyRole).toString() == "OU=Staff,DC=example,DC=local") {
        w.TreeView1->setCurrentItem(*it);
        (*it)->setExpanded(true);
      }
    w.strFirst->setText("john");
    w.strLast->setText("smith");
    w.Description->setText("Teacher of mathematics");
  });
  // A prompted attribute: the creation asks for its value.
  w.ListView7->clear();
  w.ListView7->add("department", {}, "USER");
  w.ListView7->setSubItem(1, 1, "PROMPT");
  QTimer::singleShot(2500, &w, [&] { w.CreateUser_Click(); });
  QTimer::singleShot(5000, &w, [] {
    if (auto* box = QApplication::activeModalWidget()) {
      if (auto* edit = box->findChild<QLineEdit*>()) edit->setText("Mathematics");
      QMetaObject::invokeMethod(box, "accept", Qt::QueuedConnection);
    }
  });
  QTimer::singleShot(9000, &app, &QApplication::quit);
  return app.exec();
}
