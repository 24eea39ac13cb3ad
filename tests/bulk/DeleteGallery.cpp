// Shows the bulk window's delete tab over a small simulated domain, for looking at it (not a test):
//   delete_gallery            the tab with users, a group and an OU selected
//   delete_gallery confirm    one second after showing, the delete starts and asks about alice,
//                             naming her folders
//   delete_gallery run        two seconds after showing, an OU of 2,000 users is deleted (each
//                             deletion takes 2 ms, as on a distant server)

#include "../directory/RecordingBackend.h"
#include "bulk/Catalogue.h"
#include "bulk/MultiUser.h"
#include "directory/DirectoryService.h"
#include "directory/DomainLoad.h"
#include "mainwindow/form1.h"
#include "platform/files/FileServers.h"
#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/Resources.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

using namespace tavrel;

namespace {

class CatalogueView : public directory::DomainView {
 public:
  void setStatus(const QString&) override {}
  void refresh() override {}
  void message(const QString&) override {}
  void setUpnSuffix(const QString&) override {}
  void clearTree() override {}
  directory::NodeAdd addNode(const QString&, const QString&, const QString&, const QString&, bool) override {
    return directory::NodeAdd::Added;
  }
  void showNode(const QString&) override {}
  void clearList(directory::DomainList) override {}
  void addItem(directory::DomainList list, const QString& key, const QString& text, const QString& icon,
               const QString&) override {
    bulk::Catalogue& c = bulk::catalogue();
    if (list == directory::DomainList::BulkUsers) c.users.add(text, key, icon);
    if (list == directory::DomainList::BulkGroups) c.groups.add(text, key, icon);
    if (list == directory::DomainList::BulkOUs) c.ous.add(text, key, icon);
  }
  void unselectFirst(directory::DomainList) override {}
};

// Each deletion takes 2 ms.
class SlowConnection : public test::RecordingConnection {
 public:
  using RecordingConnection::RecordingConnection;
  adsi::Status remove(const adsi::Dn& dn) override {
    QThread::msleep(2);
    return RecordingConnection::remove(dn);
  }
};
class SlowBackend : public adsi::DirectoryBackend {
 public:
  explicit SlowBackend(std::shared_ptr<adsi::DirectoryBackend> inner) : inner_(std::move(inner)) {}
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> bind(
      const QString& server, adsi::Protocol protocol,
      const std::optional<adsi::Credentials>& credentials) override {
    auto conn = inner_->bind(server, protocol, credentials);
    if (!conn) return conn.error();
    return std::shared_ptr<adsi::DirectoryConnection>(
        std::make_shared<SlowConnection>(*conn, std::make_shared<test::WriteRecord>()));
  }
  QList<adsi::DomainInfo> browseDomains() override { return inner_->browseDomains(); }
  std::optional<adsi::Account> loggedOnAccount() override { return inner_->loggedOnAccount(); }

 private:
  std::shared_ptr<adsi::DirectoryBackend> inner_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir tmp;
  qputenv("TAVREL_CONFIG", QFile::encodeName(tmp.path() + "/Tavrel.conf"));
  const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  const QString db = tmp.path() + "/db/";
  QDir().mkpath(db);

  simnet::NetworkBuilder b(tmp.path() + "/net");
  b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Sales").ou("example.local", "OU=Big");
  b.fileServer("FS1", "example.local", "D").folder("\\\\FS1\\D$\\Users").folder("\\\\FS1\\D$\\Profiles");
  b.share("FS1", "Users", "D:\\Users").share("FS1", "Profiles", "D:\\Profiles");
  for (const char* name : {"alice", "bob", "carol"}) {
    b.user("example.local", name,
           simnet::UserSpec()
               .in("OU=Sales")
               .with("homeDirectory", QStringLiteral("\\\\FS1\\Users\\") + name)
               .with("profilePath", QStringLiteral("\\\\FS1\\Profiles\\") + name));
    b.file(QStringLiteral("\\\\FS1\\D$\\Users\\%1\\notes.txt").arg(name), 10)
        .file(QStringLiteral("\\\\FS1\\D$\\Profiles\\%1\\ntuser.dat").arg(name), 10);
  }
  b.user("example.local", "WS01", simnet::UserSpec().in("OU=Sales").asComputer());
  b.group("example.local", "Sales Team", simnet::GroupSpec().in("OU=Sales"))
      .member("example.local", "Sales Team", "bob");
  if (mode == "run")
    for (int i = 0; i < 2000; ++i)
      b.user("example.local", QStringLiteral("pupil%1").arg(i), simnet::UserSpec().in("OU=Big"));
  b.loggedOn("EXAMPLE", "Administrator");
  auto built = b.build();
  if (!built) {
    qWarning("%s", qPrintable(built.error().message));
    return 1;
  }
  simnet::installPlatformLayers(*built);
  directory::setDirectory(std::make_shared<adsi::Directory>(std::make_shared<SlowBackend>(*built)));
  state::SharedState& sh = state::shared();
  sh.Directory_Mode = 0;
  sh.Domain_Name = "example.local";
  sh.NetBIOS_Domain = "EXAMPLE";
  CatalogueView view;
  directory::Get_W2K_Domain_Data(view, directory::LoadOptions{false, false, {}, db});

  mainwindow::form1 main;
  main.dbpath->setText(db);
  bulk::MultiUser::setImages(&main.ImageList1);
  bulk::MultiUser::setLinks({{}, [] { return QString(); }, [db] { return db; }});
  bulk::MultiUser::setDeleteLinks(
      {[&mode](bulk::DeleteOptions& o) { o.confirmDeletes = mode == "confirm"; }, {}});
  bulk::MultiUser& m = bulk::MultiUser::instance(db);
  m.SSTab1->setCurrentIndex(bulk::MultiUser::kDeleteTab);
  m.setYieldInterval(50);
  bulk::Catalogue& c = bulk::catalogue();
  if (mode == "run") {
    c.toSelection(c.ous, {int(c.ous.texts().indexOf("Big")) + 1});
    m.No_Prompting->setChecked(true);
    QTimer::singleShot(2000, &m, [&m] { m.Del_User->click(); });
  } else {
    c.toSelection(c.users, {int(c.users.texts().indexOf("alice")) + 1});
    c.toSelection(c.groups, {int(c.groups.texts().indexOf("Sales Team")) + 1});
    c.toSelection(c.ous, {int(c.ous.texts().indexOf("Sales")) + 1});
    m.Delete_data[0]->setChecked(true);
    if (mode == "confirm") QTimer::singleShot(1000, &m, [&m] { m.Del_User->click(); });
  }
  m.show();
  return app.exec();
}
