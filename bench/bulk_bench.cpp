// The bulk window's account operations on the simulated network, 10,000 users in one OU, side by
// side in one run: expanding the OU and disabling every user, resetting every password, and the
// expiry scan of the 10,000 listed users. Each reports µs per user and the longest time the
// window went without serving input ("max gap ms").
//   build/bench/bulk_bench

#include "BenchSupport.h"

#include "bulk/AccountOps.h"
#include "bulk/Catalogue.h"
#include "directory/AdoQuery.h"
#include "directory/DirectoryService.h"
#include "directory/DomainLoad.h"
#include "state/SharedState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

using namespace tavrel;

constexpr int kUsers = 10000;

// Serves input every 50 ms, as the window does, and measures the longest stretch without it.
class BenchHost : public bulk::RunHost {
 public:
  BenchHost() {
    clock_.start();
    gap_.start();
  }
  void status(const QString&) override {}
  void logRow(const QString&, const QString&) override {}
  void beep() override {}
  bool keepGoing() override {
    if (clock_.elapsed() >= 50) {
      maxGapMs = std::max(maxGapMs, double(gap_.nsecsElapsed()) / 1e6);
      QCoreApplication::processEvents();
      gap_.restart();
      clock_.restart();
    }
    return true;
  }
  bool confirm(const QString&) override { return true; }
  void finish() { maxGapMs = std::max(maxGapMs, double(gap_.nsecsElapsed()) / 1e6); }
  double maxGapMs = 0;

 private:
  QElapsedTimer clock_, gap_;
};

struct Domain {
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
};

Domain& domain() {
  static Domain* d = [] {
    auto* d = new Domain;
    simnet::NetworkBuilder b(d->tmp.path() + "/net");
    b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Big");
    for (int i = 0; i < kUsers; ++i)
      b.user("example.local", QStringLiteral("u%1").arg(i), simnet::UserSpec().in("OU=Big"));
    auto built = b.build();
    if (!built) bench::die(built.error().message);
    d->net = *built;
    directory::setDirectory(std::make_shared<adsi::Directory>(d->net));
    state::SharedState& sh = state::shared();
    sh.Directory_Mode = 0;
    sh.Domain_Name = "example.local";
    sh.NetBIOS_Domain = "EXAMPLE";
    return d;
  }();
  return *d;
}

std::vector<bulk::ListItem> bigOu() {
  return {bulk::ListItem{"OU=Big,DC=example,DC=local", "Big", "OU", false, 0}};
}

void perUser(benchmark::State& st, double seconds, const BenchHost& host, const bulk::RunTotals& t) {
  if (t.done != kUsers)
    st.SkipWithError(qPrintable(QString("%1 users done, %2 failed").arg(t.done).arg(t.failed)));
  st.counters["us per user"] = seconds * 1e6 / kUsers;
  st.counters["max gap ms"] = host.maxGapMs;
}

void BM_DisableEveryUserOfTheOu(benchmark::State& st) {
  Domain& d = domain();
  bool disable = true;
  for (auto _ : st) {
    BenchHost host;
    QElapsedTimer clock;
    clock.start();
    const bulk::RunTotals t = bulk::enableDisable(bigOu(), disable, d.tmp.path() + "/", host);
    host.finish();
    perUser(st, double(clock.nsecsElapsed()) / 1e9, host, t);
    disable = !disable;
  }
}
BENCHMARK(BM_DisableEveryUserOfTheOu)->Iterations(2)->Unit(benchmark::kSecond);

void BM_ResetEveryPasswordOfTheOu(benchmark::State& st) {
  Domain& d = domain();
  for (auto _ : st) {
    BenchHost host;
    QElapsedTimer clock;
    clock.start();
    const bulk::RunTotals t = bulk::resetPasswords(bigOu(), "%UserName%-Pw1x", d.tmp.path() + "/", host);
    host.finish();
    perUser(st, double(clock.nsecsElapsed()) / 1e9, host, t);
  }
}
BENCHMARK(BM_ResetEveryPasswordOfTheOu)->Iterations(1)->Unit(benchmark::kSecond);

// The users list as the loader fills it, then the scan of all of it.
void BM_ExpiryScanOfTheListedUsers(benchmark::State& st) {
  domain();
  bulk::Catalogue c;
  auto records = directory::runAdoSearch(
      "<LDAP://example.local/"
      "OU=Big,DC=example,DC=local>;(&(objectCategory=person)(objectClass=user));ADsPath,name;onelevel");
  if (!records) return st.SkipWithError("search failed");
  for (records->MoveFirst(); !records->EOF(); records->MoveNext())
    c.users.add(records->Fields(1).toString(), records->Fields(0).toString(), "USER");
  if (c.users.count() != kUsers) return st.SkipWithError("not every user listed");
  for (auto _ : st) {
    c.returnAll();
    BenchHost host;
    QElapsedTimer clock;
    clock.start();
    const bulk::ScanResult r =
        bulk::scanAccounts(c, bulk::expiryTest(QDate(2100, 1, 1), c.users.items()), host, false);
    host.finish();
    st.counters["scan s"] = double(clock.nsecsElapsed()) / 1e9;
    st.counters["max gap ms"] = host.maxGapMs;
    st.counters["found"] = r.found;
  }
}
BENCHMARK(BM_ExpiryScanOfTheListedUsers)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return tavrel::bench::runQtBenchmarks(argc, argv);
}
