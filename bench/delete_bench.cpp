// Deleting users on the simulated network.
//   DeleteOneUser: a user with a home and a profile folder of 100 files each, both on shares of
//     their own, and an Exchange 2000 mailbox; FilesOnly deletes the same two folders alone, so the
//     difference is what the delete adds to the file deletion.
//   BulkDelete1000: the bulk window deletes an OU of 1,000 users (no data); "max gap ms" is the
//     longest time the window went without serving input.
//   build/bench/delete_bench

#include "BenchSupport.h"

#include "bulk/Catalogue.h"
#include "bulk/DeleteUser.h"
#include "bulk/MultiUser.h"
#include "directory/DirectoryService.h"
#include "platform/exchange/MailboxStore.h"
#include "platform/files/FileServers.h"
#include "platform/simnet/ExchangeSeed.h"
#include "platform/simnet/Resources.h"
#include "resources/FileOperation.h"
#include "resources/SharePaths.h"
#include "state/SharedState.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

namespace {

using namespace tavrel;

constexpr int kFiles = 100;
constexpr int kBulkUsers = 1000;
const QString kStore =
    "LDAP://example.local/CN=Staff Mailboxes,CN=First Storage Group,CN=InformationStore,CN=EXCH2K,CN=Servers,"
    "CN=First Administrative Group,CN=Administrative Groups,CN=Example,CN=Microsoft Exchange,CN=Services,"
    "CN=Configuration,DC=example,DC=local";

struct NullHost : bulk::RunHost {
  void status(const QString&) override {}
  void logRow(const QString&, const QString&) override {}
  void beep() override {}
  bool keepGoing() override { return true; }
  bool confirm(const QString&) override { return true; }
};

struct Net {
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  int next = 0;
};

Net& network() {
  static Net* n = [] {
    auto* n = new Net;
    simnet::NetworkBuilder b(n->tmp.path() + "/net");
    b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Big");
    for (int i = 0; i < kBulkUsers; ++i)
      b.user("example.local", QStringLiteral("b%1").arg(i), simnet::UserSpec().in("OU=Big"));
    b.fileServer("FS1", "example.local", "D").folder("\\\\FS1\\D$\\Users").folder("\\\\FS1\\D$\\Profiles");
    b.share("FS1", "Users", "D:\\Users").share("FS1", "Profiles", "D:\\Profiles");
    b.loggedOn("EXAMPLE", "Administrator");
    auto built = b.build();
    if (!built) bench::die(built.error().message);
    n->net = *built;
    const simnet::Exchange2000Spec spec{"Example",
                                        "First Administrative Group",
                                        "EXCH2K",
                                        {{"First Storage Group", {"Staff Mailboxes"}, {}}}};
    if (auto s = simnet::addExchange2000Server(*n->net, "example.local", spec); !s)
      bench::die(s.error().message);
    simnet::installPlatformLayers(n->net);
    directory::setDirectory(std::make_shared<adsi::Directory>(n->net));
    state::SharedState& sh = state::shared();
    sh.Directory_Mode = 0;
    sh.Domain_Name = "example.local";
    sh.NetBIOS_Domain = "EXAMPLE";
    return n;
  }();
  return *n;
}

// Makes user `name` with its two folders of kFiles files, shared as name$ and name.p$, and with
// an Exchange 2000 mailbox when `mailbox`.
void makeUser(const QString& name, bool account, bool mailbox) {
  Net& n = network();
  simnet::NetworkBuilder b(n.net);
  if (account) b.user("example.local", name);
  for (int i = 0; i < kFiles; ++i) {
    b.file(QStringLiteral("\\\\FS1\\D$\\Users\\%1\\f%2.txt").arg(name).arg(i), 100);
    b.file(QStringLiteral("\\\\FS1\\D$\\Profiles\\%1\\f%2.txt").arg(name).arg(i), 100);
  }
  b.share("FS1", name + "$", "D:\\Users\\" + name).share("FS1", name + ".p$", "D:\\Profiles\\" + name);
  if (auto built = b.build(); !built) bench::die(built.error().message);
  if (!account) return;
  auto dir = directory::requireDirectory();
  auto u = (*dir)->GetObject("LDAP://example.local/CN=" + name + ",CN=Users,DC=example,DC=local");
  if (!u) bench::die(u.error().message);
  if (!u->Put("HomeDirectory", "\\\\FS1\\" + name + "$") || !u->Put("Profile", "\\\\FS1\\" + name + ".p$"))
    bench::die("paths of " + name);
  if (auto s = u->SetInfo(); !s) bench::die(s.error().message);
  if (mailbox) {
    exchange::MailboxStore store(**dir, *u);
    if (auto s = store.CreateMailbox(kStore); !s) bench::die(s.error().message);
    if (auto s = u->SetInfo(); !s) bench::die(s.error().message);
  }
}

void DeleteOneUser(benchmark::State& state) {
  Net& n = network();
  state::SharedState& sh = state::shared();
  NullHost host;
  bulk::DeleteOptions o;
  o.dbpath = n.tmp.path() + "/";
  o.noPrompting = true;
  o.exServer = "Exchange 2000";
  for (auto _ : state) {
    state.PauseTiming();
    const QString name = QStringLiteral("u%1").arg(n.next++);
    makeUser(name, true, true);
    sh.Bulk_Delete_Running = sh.Bulk_Delete_Data = sh.Bulk_Delete_Mail = -1;
    state.ResumeTiming();
    if (!bulk::Delete_One_User("LDAP://example.local/CN=" + name + ",CN=Users,DC=example,DC=local", o, host))
      bench::die("not deleted: " + name);
  }
  sh.Bulk_Delete_Running = sh.Bulk_Delete_Data = sh.Bulk_Delete_Mail = 0;
}
BENCHMARK(DeleteOneUser)->Unit(benchmark::kMillisecond)->Iterations(50);

void FilesOnly(benchmark::State& state) {
  Net& n = network();
  resources::BulkPromptOptions quiet;
  quiet.No_Prompting = 1;
  state::SharedState& sh = state::shared();
  for (auto _ : state) {
    state.PauseTiming();
    const QString name = QStringLiteral("f%1").arg(n.next++);
    makeUser(name, false, false);
    // The shares go first, as in the delete: a share's folder is never deleted.
    for (const QString& share : {name + "$", name + ".p$"})
      if (!resources::Delete_Share("\\\\FS1\\" + share)) bench::die("share " + share);
    sh.Bulk_Delete_Running = -1;
    state.ResumeTiming();
    for (const QString& folder : {"\\\\FS1\\D$\\Users\\" + name, "\\\\FS1\\D$\\Profiles\\" + name})
      if (!resources::File_Operation(folder, QString(), resources::FO_DELETE, quiet))
        bench::die("delete " + folder);
  }
  sh.Bulk_Delete_Running = 0;
}
BENCHMARK(FilesOnly)->Unit(benchmark::kMillisecond)->Iterations(50);

void BulkDelete1000(benchmark::State& state) {
  Net& n = network();
  for (auto _ : state) {
    bulk::MultiUser& m = bulk::MultiUser::instance(n.tmp.path() + "/");
    m.setYieldInterval(50);
    bulk::catalogue().selection.add("Big", "OU=Big,DC=example,DC=local", "OU");
    QElapsedTimer gap;
    double maxGapMs = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      maxGapMs = std::max(maxGapMs, double(gap.nsecsElapsed()) / 1e6);
      gap.restart();
    });
    gap.start();
    tick.start();
    QElapsedTimer all;
    all.start();
    m.Del_User_Click();
    state.counters["ms per user"] = double(all.elapsed()) / kBulkUsers;
    state.counters["max gap ms"] = std::max(maxGapMs, double(gap.nsecsElapsed()) / 1e6);
    if (m.Label3->text() != "Delete Completed, Check log for errors") bench::die("run: " + m.Label3->text());
  }
}
BENCHMARK(BulkDelete1000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  return bench::runQtBenchmarks(argc, argv, [] { bulk::MultiUser::unload(); });
}
