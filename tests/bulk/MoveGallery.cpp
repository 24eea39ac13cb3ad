// Shows the bulk window's "Move Users" tab over a small simulated domain with two file servers,
// for looking at it (not a test): move_gallery [run]. With "run" the users of the selection are
// moved 2 seconds after the window shows; the main window's log lists each user's end.

#include "bulk/Catalogue.h"
#include "bulk/MultiUser.h"
#include "directory/DirectoryService.h"
#include "mainwindow/form1.h"
#include "platform/netapi/NetApi.h"
#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/Resources.h"
#include "records/Records.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

using namespace tavrel;

namespace {

void write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(path.section(u'/', 0, -2));
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir tmp;
  qputenv("TAVREL_CONFIG", QFile::encodeName(tmp.path() + "/Tavrel.conf"));
  const bool run = argc > 1 && QString::fromLocal8Bit(argv[1]) == "run";
  const QString db = tmp.path() + "/db/";
  QDir().mkpath(db);

  simnet::NetworkBuilder b(tmp.path() + "/net");
  b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Sales");
  b.fileServer("FS1", "example.local", "D").folder("\\\\FS1\\D$\\Users");
  b.fileServer("FS2", "example.local", "E").folder("\\\\FS2\\E$\\Home");
  b.share("FS1", "Users$", "D:\\Users", "Users");
  const QStringList names{"alice", "bob", "carol", "dave"};
  for (const QString& n : names) {
    b.user("example.local", n, simnet::UserSpec().in("OU=Sales"));
    write(tmp.path() + "/net/servers/FS1/D/Users/" + n + "/notes.txt", "notes of " + n.toLatin1());
  }
  auto built = b.build();
  if (!built) return 1;
  simnet::installPlatformLayers(*built);
  directory::setDirectory(std::make_shared<adsi::Directory>(*built));
  state::SharedState& sh = state::shared();
  sh.Directory_Mode = 0;
  sh.Domain_Name = "example.local";
  sh.NetBIOS_Domain = "EXAMPLE";
  for (const QString& n : names) {
    auto u =
        directory::directory()->GetObject("LDAP://example.local/CN=" + n + ",OU=Sales,DC=example,DC=local");
    if (!u || !u->Put("HomeDirectory", "\\\\FS1\\Users$\\" + n) || !u->SetInfo()) return 2;
  }
  records::Site_Record site;
  site.SiteName = "North";
  site.HomeServer = "FS2";
  write(db + "Site.dat", site.encode());
  records::Template_Record t;
  t.Name = "Staff";
  t.HomeDirLocal = "E:\\Home\\%UserName%";
  t.HomeShareUNC = "\\\\%Server%\\%UserName%$";
  t.HomeShareName = "%UserName%$";
  t.HomeDrive = "H:";
  write(db + "Template.dat", t.encode());
  records::Permission_Record perm;
  perm.Account = "Everyone";
  perm.Access = "Full Control";
  write(db + "SharePerm.dat", perm.encode());

  mainwindow::form1 main;
  main.dbpath->setText(db);
  QListWidget log;
  log.setWindowTitle("Log");
  bulk::MultiUser::setImages(&main.ImageList1);
  bulk::MultiUser::setLinks({[&log](const QString& c, const QString& m) { log.addItem(c + m); },
                             [] { return QString(); }, [db] { return db; }});
  bulk::MultiUser& m = bulk::MultiUser::instance(db);
  bulk::Catalogue& c = bulk::catalogue();
  for (const QString& n : names)
    c.users.add(n, "LDAP://example.local/CN=" + n + ",OU=Sales,DC=example,DC=local", "USER");
  c.toSelection(c.users, {1, 2, 3});
  m.Multi_Site->addItem("North");
  m.Multi_Template->addItem(records::Template_Record::decode(t.encode()).Name);
  m.SSTab1->setCurrentIndex(bulk::MultiUser::kMoveTab);
  m.show();
  log.move(m.x(), m.y() + m.height() + 40);
  log.resize(m.width(), 160);
  log.show();
  if (run) QTimer::singleShot(2000, &m, [&m] { m.btn_MoveUser->click(); });
  return app.exec();
}
