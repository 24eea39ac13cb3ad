// The directory layer on the simulated network, with a 50,000-user domain:
//   bind by path and read five attributes      (target: median < 50 us)
//   create, fill and commit a user             (target: < 200 us)
//   add a member to a group of 10,000 members  (target: < 1 ms)

#include "platform/adsi/Directory.h"
#include "platform/simnet/NetworkBuilder.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace tavrel;

constexpr int kUsers = 50000;
constexpr int kGroupMembers = 10000;

struct World {
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  std::unique_ptr<adsi::Directory> dir;
};

QString userPath(int i) {
  return QStringLiteral("LDAP://example.local/CN=User %1,OU=Bulk,DC=example,DC=local").arg(i);
}

World& world() {
  static World* w = [] {
    auto* w = new World;
    simnet::NetworkBuilder b(w->tmp.path());
    b.forest("example.local", "EXAMPLE")
        .ou("example.local", "OU=Bulk")
        .ou("example.local", "OU=New")
        .group("example.local", "Big Group", simnet::GroupSpec().in("OU=Bulk"));
    auto built = b.build();
    if (!built) {
      std::fprintf(stderr, "cannot build the network: %s\n", qPrintable(built.error().message));
      std::exit(1);
    }
    w->net = *built;
    auto conn = w->net->bind("example.local", adsi::Protocol::Ldap, std::nullopt).value();
    const adsi::Dn bulk = adsi::Dn::parse("OU=Bulk,DC=example,DC=local").value();
    const adsi::Dn group = bulk.child(adsi::Rdn("CN", "Big Group"));
    for (int i = 0; i < kUsers; ++i) {
      const QString n = QString::number(i);
      const adsi::Dn dn = bulk.child(adsi::Rdn("CN", "User " + n));
      const adsi::Status s = conn->add(dn, {{"objectClass", {"user"}},
                                            {"sAMAccountName", {("u" + n).toUtf8()}},
                                            {"givenName", {"Given"}},
                                            {"sn", {("Sur" + n).toUtf8()}},
                                            {"displayName", {("User " + n).toUtf8()}},
                                            {"description", {"bulk user"}}});
      if (!s.ok()) {
        std::fprintf(stderr, "cannot add user %d: %s\n", i, qPrintable(s.error().message));
        std::exit(1);
      }
      if (i < kGroupMembers) {
        const adsi::Status m = conn->modify(group, {{adsi::ModOp::Add, "member", {dn.toString().toUtf8()}}});
        if (!m.ok()) std::exit(1);
      }
    }
    w->dir = std::make_unique<adsi::Directory>(w->net);
    return w;
  }();
  return *w;
}

// Five repetitions, reported as mean, median and spread, in microseconds.
void configure(benchmark::internal::Benchmark* b) {
  b->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
}

void BM_BindAndReadFiveAttributes(benchmark::State& state) {
  World& w = world();
  int i = 0;
  for (auto _ : state) {
    auto o = w.dir->GetObject(userPath(i));
    if (!o) state.SkipWithError("bind failed");
    for (const char* a : {"givenName", "sn", "displayName", "sAMAccountName", "userAccountControl"})
      benchmark::DoNotOptimize(o->Get(a));
    i = (i + 7919) % kUsers;
  }
}
BENCHMARK(BM_BindAndReadFiveAttributes)->Apply(configure);

void BM_CreateFillAndCommitUser(benchmark::State& state) {
  World& w = world();
  auto container = w.dir->GetObject("LDAP://example.local/OU=New,DC=example,DC=local").value();
  static int next = 0;
  for (auto _ : state) {
    const QString id = QStringLiteral("n%1").arg(next++);
    auto u = container.Create("user", "CN=" + id);
    bool ok = u->Put("sAMAccountName", id).ok();
    ok = ok && u->Put("givenName", "New").ok();
    ok = ok && u->Put("sn", id).ok();
    ok = ok && u->Put("FullName", "New " + id).ok();
    ok = ok && u->Put("Description", "created by the benchmark").ok();
    ok = ok && u->Put("HomeDirectory", "\\\\FILESRV1\\Users$\\" + id).ok();
    ok = ok && u->Put("HomeDrive", "H:").ok();
    ok = ok && u->Put("Profile", "\\\\FILESRV1\\Profiles$\\" + id).ok();
    if (!ok || !u->SetInfo().ok()) state.SkipWithError("commit failed");
  }
}
BENCHMARK(BM_CreateFillAndCommitUser)->Apply(configure);

void BM_AddMemberToGroupOfTenThousand(benchmark::State& state) {
  World& w = world();
  auto group = w.dir->GetObject("LDAP://example.local/CN=Big Group,OU=Bulk,DC=example,DC=local").value();
  int i = kGroupMembers;
  for (auto _ : state) {
    if (!group.Add(userPath(i)).ok()) state.SkipWithError("add failed");
    state.PauseTiming();
    if (!group.Remove(userPath(i)).ok()) state.SkipWithError("remove failed");
    i = i + 1 < kUsers ? i + 1 : kGroupMembers;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddMemberToGroupOfTenThousand)->Apply(configure);

}  // namespace

BENCHMARK_MAIN();
