// Shows the CSV import's windows, for screenshots: the Preferences page with the "Import Options"
// button (until 1 s), the Import Options window over it (from 1 s), the preview of a CSV file on
// the New User page (from 3 s), then an import of 3,000 users with the Stop window beside the
// main window (from 5 s), its lines that made no user said in red; it ends 2.5 s after the import.
//   import_tour <empty folder/>

#include "directory/DirectoryService.h"
#include "mainwindow/ImportWindows.h"
#include "mainwindow/form1.h"
#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/Resources.h"
#include "records/Records.h"
#include "state/SharedState.h"
#include "support/CreationRecords.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>

using namespace tavrel;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: import_tour <empty folder/>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder + "db");
  qputenv("TAVREL_CONFIG", (folder + "Tavrel.conf").toLocal8Bit());
  simnet::NetworkBuilder b(folder + "net");
  b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Staff");
  b.group("example.local", "Teachers", simnet::GroupSpec().in("OU=Staff"))
      .fileServer("FS1", "example.local", "D");
  auto net = b.build();
  if (!net) return 1;
  directory::setDirectory(std::make_shared<adsi::Directory>(*net));
  simnet::installPlatformLayers(*net);
  const records::Template_Record t = test::staffTemplate({"Teachers"});
  const records::Site_Record site = test::mainSite();
  for (auto [name, bytes] : {std::pair{QStringLiteral("Template.dat"), t.encode()},
                             std::pair{QStringLiteral("Site.dat"), site.encode()}}) {
    QFile f(folder + "db/" + name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return 1;
  }
  const QString csv = folder + "new-staff-autumn-term-2026.csv";
  {
    QFile f(csv);
    if (!f.open(QIODevice::WriteOnly)) return 1;
    f.write(
        "Ren\xC3\xA9"
        "e,,Dubois,Teachers,\"Room 4, North\"\r\nOliver,James,Smith,Teachers,Library\r\n");
    // Lines that make no user: a stray quote, no comma, an ID over 20 characters, a tab in a name.
    f.write("\"Stray,,Quote\r\nsolo\r\nLong,,Abcdefghijklmnopqrstuvwxyz\r\n\"Tab\tin\",,Name\r\n");
    for (int i = 0; i < 3000; ++i)
      f.write("pupil" + QByteArray::number(i) + ",,year" + QByteArray::number(i) + "\r\n");
  }
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), "AccountExpire",
                           "2027-07-31");
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), "ImportGroupsStart", "4");
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), "ImportGroupsFinish",
                           "4");

  mainwindow::form1 w;
  w.dbpath->setText(folder + "db/");
  w.Command_Line = QString();
  state::shared().Domain_Name = "example.local";
  w.Connect_Domain("example.local");
  w.Load_Databases();
  w.nutemplate->setCurrentIndex(0);
  w.NUsitename->setCurrentIndex(0);
  w.setupid->setText("1%first%%last%");
  w.defaultpassword->setText("Start-Pw1");
  w.FN_Format->setText("%first% %last%");
  w.Create_User_Account->setChecked(true);
  for (QTreeWidgetItemIterator it(w.TreeView1); *it; ++it)
    if ((*it)->data(0, mainwindow::form1::kNodeKeyRole).toString() == "OU=Staff,DC=example,DC=local")
      w.TreeView1->setCurrentItem(*it);
  w.resize(1100, 760);
  w.show();
  w.SSTab1->setCurrentIndex(mainwindow::form1::kPreferencesPage);

  mainwindow::CSV_Import preview;
  QTimer::singleShot(1000, &w, [&] {
    mainwindow::ImportGrps& g = mainwindow::ImportGrps::instance();
    g.move(w.geometry().center() - QPoint(g.sizeHint().width() / 2, g.sizeHint().height() / 2));
    g.show();
  });
  QTimer::singleShot(3000, &w, [&] {
    mainwindow::ImportGrps::instance().hide();
    w.SSTab1->setCurrentIndex(mainwindow::form1::kNewUserPage);
    preview.Form_Load(csv);
    preview.move(w.geometry().center() - QPoint(preview.width() / 2, preview.height() / 2));
    preview.show();
  });
  QTimer::singleShot(5000, &w, [&] {
    preview.hide();
    w.Run_Import(csv);
    // The on-screen log with the summary stays a moment.
    QTimer::singleShot(2500, &app, &QApplication::quit);
  });
  return app.exec();
}
