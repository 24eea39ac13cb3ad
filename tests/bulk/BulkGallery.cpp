// Shows the bulk window over a small simulated domain, for looking at it (not a test):
//   bulk_gallery ad|nt <tab 0-3> [run]
// "run" starts a disable of an OU of 3,000 users 2 seconds after the window shows, so that a
// screenshot can catch the run in progress and, later, its end.

#include "../directory/RecordingBackend.h"
#include "bulk/Catalogue.h"
#include "bulk/MultiUser.h"
#include "directory/DirectoryService.h"
#include "directory/DomainLoad.h"
#include "mainwindow/form1.h"
#include "platform/simnet/NetworkBuilder.h"
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

// A directory that takes 2 ms for each change, as a distant server would, so that a screenshot can
// catch a run in progress.
class SlowConnection : public test::RecordingConnection {
 public:
  using RecordingConnection::RecordingConnection;
  adsi::Status modify(const adsi::Dn& dn, const QList<adsi::Modification>& changes) override {
    QThread::msleep(2);
    return RecordingConnection::modify(dn, changes);
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
  const bool nt = argc > 1 && QString::fromLocal8Bit(argv[1]) == "nt";
  const int tab = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
  const bool run = argc > 3 && QString::fromLocal8Bit(argv[3]) == "run";
  const QString db = tmp.path() + "/db/";
  QDir().mkpath(db);

  simnet::NetworkBuilder b(tmp.path() + "/net");
  b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Sales").ou("example.local", "OU=Staff");
  for (const char* name : {"alice", "bob", "carol", "dave", "erin", "frank"})
    b.user("example.local", name, simnet::UserSpec().in("OU=Sales"));
  b.user("example.local", "WS01", simnet::UserSpec().in("OU=Sales").asComputer());
  b.group("example.local", "Sales Team", simnet::GroupSpec().in("OU=Sales"))
      .member("example.local", "Sales Team", "alice");
  if (run) {
    b.ou("example.local", "OU=Big");
    for (int i = 0; i < 3000; ++i)
      b.user("example.local", QStringLiteral("pupil%1").arg(i), simnet::UserSpec().in("OU=Big"));
  }
  b.nt4Domain("OLDCORP", "OLDPDC")
      .user("OLDCORP", "jdoe")
      .user("OLDCORP", "rroe")
      .group("OLDCORP", "Accounts", simnet::GroupSpec().ofType(2))
      .group("OLDCORP", "Printers", simnet::GroupSpec().ofType(4));
  auto built = b.build();
  if (!built) return 1;
  directory::setDirectory(std::make_shared<adsi::Directory>(std::make_shared<SlowBackend>(*built)));
  state::SharedState& sh = state::shared();
  sh.Directory_Mode = nt ? 2 : 0;
  sh.Domain_Name = nt ? "OLDCORP" : "example.local";
  sh.NetBIOS_Domain = nt ? "OLDCORP" : "EXAMPLE";
  CatalogueView view;
  if (nt)
    directory::Get_NT_Domain_Data(view);
  else
    directory::Get_W2K_Domain_Data(view, directory::LoadOptions{false, false, {}, db});

  mainwindow::form1 main;
  main.dbpath->setText(db);
  bulk::MultiUser::setImages(&main.ImageList1);
  bulk::MultiUser::setLinks({{}, [] { return QStringLiteral("%UserName%-Pw1x"); }, [db] { return db; }});
  bulk::MultiUser& m = bulk::MultiUser::instance(db);
  m.SSTab1->setCurrentIndex(tab);
  bulk::Catalogue& c = bulk::catalogue();
  if (!nt) {
    c.toSelection(c.ous, {int(c.ous.texts().indexOf("Sales")) + 1});
    c.toSelection(c.groups, {int(c.groups.texts().indexOf("Sales Team")) + 1});
    c.toSelection(c.users, {1});
    c.selection.setGhosted(3, true);
    m.AD_Properties->setCurrentIndex(m.AD_Properties->findText("department"));
    m.AD_Properties_Click();
    m.AD_CHANGE->setText("Sales-%UserName%");
  } else {
    c.toSelection(c.groups, {1});
    c.toSelection(c.users, {1});
  }
  m.Label3->setText(nt ? "Enable/Disable Accounts Completed - 2 done, 0 failed"
                       : "Properties changed for 3 users.");
  m.show();
  if (run) {
    c.returnAll();
    c.toSelection(c.ous, {int(c.ous.texts().indexOf("Big")) + 1});
    m.SSTab1->setCurrentIndex(bulk::MultiUser::kAccountsTab);
    m.LockAcc[1]->setChecked(true);
    QTimer::singleShot(2000, &m, [&m] { m.Command5->click(); });
  }
  return app.exec();
}
