// Directory searches through the ADO-shaped command on the simulated network, with a domain of
// 50,000 users in 200 OUs (one OU of 1,000 users) and one group per OU:
//   the tree loader's OU, user and group searches together   (target: < 500 ms)
//   one-level search in the OU of 1,000 users                 (target: < 20 ms)
//   user-principal-name look-up in the global catalog         (target: < 5 ms)

#include "platform/adsi/AdoSearch.h"
#include "platform/adsi/Directory.h"
#include "platform/simnet/NetworkBuilder.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

using namespace tavrel;

constexpr int kUsers = 50000;
constexpr int kOus = 200;
constexpr int kBigOu = 1000;  // users in OU 0; the others share the rest

QString ouRdn(int i) {
  return QStringLiteral("OU=Dept%1").arg(i, 3, 10, QLatin1Char('0'));
}

struct World {
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  std::unique_ptr<adsi::Directory> dir;
};

[[noreturn]] void fail(const char* what, const adsi::Error& e) {
  std::fprintf(stderr, "%s: %s\n", what, qPrintable(e.message));
  std::exit(1);
}

// Builds the network in `folder` and closes it again.
void build(const QString& folder) {
  simnet::NetworkBuilder b(folder);
  b.forest("example.local", "EXAMPLE");
  for (int i = 0; i < kOus; ++i) b.ou("example.local", ouRdn(i));
  for (int i = 0; i < kOus; ++i)
    b.group("example.local", QStringLiteral("Group %1").arg(i), simnet::GroupSpec().in(ouRdn(i)));
  auto built = b.build();
  if (!built) fail("cannot build the network", built.error());
  auto conn = (*built)->bind("example.local", adsi::Protocol::Ldap, std::nullopt);
  if (!conn) fail("cannot bind", conn.error());
  const QString domain = adsi::Dn::fromDnsName("example.local").toString();
  for (int i = 0; i < kUsers; ++i) {
    const int ou = i < kBigOu ? 0 : 1 + (i - kBigOu) % (kOus - 1);
    const QString n = QString::number(i);
    const adsi::Dn dn = adsi::Dn::parse("CN=User " + n + "," + ouRdn(ou) + "," + domain).value();
    const adsi::Status s = (*conn)->add(dn, {{"objectClass", {"user"}},
                                             {"sAMAccountName", {("u" + n).toUtf8()}},
                                             {"userPrincipalName", {("u" + n + "@example.local").toUtf8()}},
                                             {"displayName", {("User " + n).toUtf8()}}});
    if (!s) fail("cannot add a user", s.error());
  }
}

World& world() {
  static World* w = [] {
    auto* w = new World;
    build(w->tmp.path());
    // Searched as the program finds it: the network opened afresh, as another process would.
    auto net = simnet::SimNetwork::open(w->tmp.path());
    if (!net) fail("cannot open the network", net.error());
    w->net = *net;
    w->dir = std::make_unique<adsi::Directory>(w->net);
    return w;
  }();
  return *w;
}

// Runs one command on a fresh connection, as the program does, and reads every record.
int runCommand(const QString& text) {
  adsi::AdoConnection conn(*world().dir);
  if (!conn.Open("Active Directory Provider")) std::exit(1);
  adsi::AdoCommand cmd;
  cmd.ActiveConnection = &conn;
  cmd.CommandText = text;
  auto rs = cmd.Execute();
  if (!rs) fail("search failed", rs.error());
  int n = 0;
  for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
    benchmark::DoNotOptimize(rs->Fields(0));
    ++n;
  }
  return n;
}

void configure(benchmark::internal::Benchmark* b) {
  b->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
}

const QString kOuSearch = QStringLiteral(
    "<LDAP://example.local>;(&(objectCategory=OrganizationalUnit)(objectClass=OrganizationalUnit));"
    "distinguishedName,name;subTree");
const QString kUserSearch = QStringLiteral(
    "<LDAP://example.local>;(&(objectCategory=Person)(objectClass=User));adsPath,DisplayName,Name;subTree");
const QString kGroupSearch = QStringLiteral(
    "select GroupType,name,adsPath from 'LDAP://example.local' where objectCategory = 'group'"
    "                          ORDER BY NAME");

// Each search alone, to see where the time of the three goes.
void BM_OneSearch(benchmark::State& state) {
  world();
  const QString& text = state.range(0) == 0 ? kOuSearch : state.range(0) == 1 ? kUserSearch : kGroupSearch;
  for (auto _ : state) benchmark::DoNotOptimize(runCommand(text));
}
BENCHMARK(BM_OneSearch)->Arg(0)->Arg(1)->Arg(2)->Apply(configure);

void BM_TreeLoaderSearches(benchmark::State& state) {
  world();
  for (auto _ : state) {
    const int ous = runCommand(kOuSearch);
    const int users = runCommand(kUserSearch);
    const int groups = runCommand(kGroupSearch);
    if (ous < kOus || users < kUsers || groups < kOus) {
      state.SkipWithError("incomplete results");
      return;
    }
  }
}
BENCHMARK(BM_TreeLoaderSearches)->Apply(configure);

void BM_OneLevelSearchOfAThousandUsers(benchmark::State& state) {
  world();
  const QString text =
      "<LDAP://example.local/" + ouRdn(0) + ",DC=example,DC=local>;(objectClass=User);ADsPath,Name;onelevel";
  for (auto _ : state)
    if (runCommand(text) != kBigOu) {
      state.SkipWithError("wrong count");
      return;
    }
}
BENCHMARK(BM_OneLevelSearchOfAThousandUsers)->Apply(configure);

void BM_UserPrincipalNameInTheGlobalCatalog(benchmark::State& state) {
  world();
  int i = 0;
  for (auto _ : state) {
    const QString upn = QStringLiteral("u%1@example.local").arg((i++ * 7919) % kUsers);
    if (runCommand("<GC://example.local>;(&(objectClass=user)(objectCategory=person)(userprincipalName=" +
                   upn + "));userPrincipalName,cn,distinguishedName;subtree") != 1) {
      state.SkipWithError("not found");
      return;
    }
  }
}
BENCHMARK(BM_UserPrincipalNameInTheGlobalCatalog)->Apply(configure);

}  // namespace

BENCHMARK_MAIN();
