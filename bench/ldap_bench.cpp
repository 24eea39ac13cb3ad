// The LDAP back end against the test DC (scripts/test-dc; source its env file first), with
// 10,000 users in 100 OUs under OU=Bench, which the first run creates:
//   the tree loader's three searches through the program      vs ldapsearch, paged by 500
//   bind and a base read of five attributes                    vs a minimal libldap loop
// Targets: each within 1.2x of its reference. The client CPU time per search is reported as the
// counter "client_cpu_ms" (the DC should be the bottleneck, not the client).

#include "directory/DomainLoad.h"
#include "platform/adsi/AdoSearch.h"
#include "platform/adsi/Directory.h"
#include "support/TestDc.h"

#include <benchmark/benchmark.h>
#include <ldap.h>

#include <QProcess>

#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <thread>

namespace {

using namespace tavrel;
using namespace tavrel::adsi;

constexpr int kOus = 100;
constexpr int kUsersPerOu = 100;
const QString kDomain = QStringLiteral("example.local");
const QString kBenchOu = QStringLiteral("OU=Bench,DC=example,DC=local");

double cpuMs(int who) {
  rusage r{};
  getrusage(who, &r);
  return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
}

// Creates OU=Bench with its OUs and users unless a previous run did; eight connections at once.
bool populate() {
  auto dc = test::testDcBackend();
  auto conn = dc->bind(QString(), Protocol::Ldap, std::nullopt);
  if (!conn) return false;
  SearchRequest probe;
  probe.base = Dn::fromFormatted(kBenchOu);
  probe.filter = QStringLiteral("(objectClass=user)");
  probe.attributes = {QStringLiteral("cn")};
  if (auto r = (*conn)->search(probe); r && r->entries.size() >= kOus * kUsersPerOu) return true;
  (void)(*conn)->add(Dn::fromFormatted(kBenchOu), {{"objectClass", {"organizationalUnit"}}});
  std::fprintf(stderr, "Putting %d users in %d OUs on the DC (once)...\n", kOus * kUsersPerOu, kOus);
  std::vector<std::thread> workers;
  std::atomic<int> failures{0};
  for (int t = 0; t < 8; ++t)
    workers.emplace_back([t, &failures] {
      auto own = test::testDcBackend()->bind(QString(), Protocol::Ldap, std::nullopt);
      if (!own) {
        ++failures;
        return;
      }
      for (int o = t; o < kOus; o += 8) {
        const Dn ou = Dn::fromFormatted(QStringLiteral("OU=B%1,").arg(o, 3, 10, QLatin1Char('0')) + kBenchOu);
        (void)(*own)->add(ou, {{"objectClass", {"organizationalUnit"}}});
        for (int u = 0; u < kUsersPerOu; ++u) {
          const QString id = QStringLiteral("b%1u%2").arg(o).arg(u);
          Status s = (*own)->add(ou.child(Rdn("CN", id)), {{"objectClass", {"user"}},
                                                           {"sAMAccountName", {id.toUtf8()}},
                                                           {"displayName", {("Bench " + id).toUtf8()}},
                                                           {"givenName", {"Bench"}},
                                                           {"sn", {id.toUtf8()}}});
          if (!s && s.code() != hr::ALREADY_EXISTS) ++failures;
        }
      }
    });
  for (auto& w : workers) w.join();
  return failures == 0;
}

bool ready() {
  static const bool ok = [] {
    if (!test::testDcUnavailable().isEmpty()) {
      std::fprintf(stderr, "%s\n", qPrintable(test::testDcUnavailable()));
      return false;
    }
    return populate();
  }();
  return ok;
}

const QStringList& searches() {
  static const QStringList texts{directory::ouSearchText(kDomain), directory::userSearchText(kDomain, true),
                                 directory::groupSearchText(kDomain)};
  return texts;
}

// The three searches as the tree loader runs them: one ADO connection, three commands.
void BM_TreeSearchesThroughTheProgram(benchmark::State& state) {
  if (!ready()) return state.SkipWithError("no test DC");
  double cpu = 0;
  long records = 0;
  for (auto _ : state) {
    const double before = cpuMs(RUSAGE_SELF);
    Directory dir(test::testDcBackend());
    AdoConnection conn(dir);
    if (!conn.Open("Active Directory Provider", "", "", -1).ok()) return state.SkipWithError("open failed");
    for (const QString& text : searches()) {
      AdoCommand cmd;
      cmd.ActiveConnection = &conn;
      cmd.CommandText = text;
      auto rs = cmd.Execute();
      if (!rs) return state.SkipWithError(qPrintable(rs.error().message));
      records += rs->RecordCount();
    }
    cpu += cpuMs(RUSAGE_SELF) - before;
  }
  state.counters["records"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kAvgIterations);
  state.counters["client_cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

// ldapsearch -E pr=500/noprompt with the same bases, filters and attributes.
void BM_TreeSearchesWithLdapsearch(benchmark::State& state) {
  if (!ready()) return state.SkipWithError("no test DC");
  struct Search {
    const char* filter;
    QStringList attrs;
  };
  const Search list[] = {
      {"(&(objectCategory=OrganizationalUnit)(objectClass=OrganizationalUnit))", {"distinguishedName", "name"}},
      {"(&(objectCategory=Person)(objectClass=User))", {"DisplayName", "Name"}},
      {"(objectCategory=group)", {"GroupType", "name"}},
  };
  const QString host = test::testDcValue("TEST_DC_HOST");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("LDAPTLS_CACERT", test::testDcValue("TEST_DC_CACERT"));
  double cpu = 0;
  for (auto _ : state) {
    const double before = cpuMs(RUSAGE_CHILDREN);
    for (const Search& s : list) {
      QProcess p;
      p.setProcessEnvironment(env);
      p.setStandardOutputFile(QProcess::nullDevice());
      p.start("ldapsearch", QStringList{"-x", "-LLL", "-H", "ldaps://" + host, "-D",
                                        test::testDcValue("TEST_DC_ADMIN"), "-w", test::testDcValue("TEST_DC_PASSWORD"),
                                        "-b", "DC=example,DC=local", "-E", "pr=500/noprompt", s.filter} +
                                s.attrs);
      if (!p.waitForFinished(120000) || p.exitCode() != 0) return state.SkipWithError("ldapsearch failed");
    }
    cpu += cpuMs(RUSAGE_CHILDREN) - before;
  }
  state.counters["client_cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

const char* kFive[] = {"displayName", "givenName", "sn", "sAMAccountName", "userAccountControl", nullptr};
const QString kTarget = QStringLiteral("CN=b42u42,OU=B042,") + kBenchOu;

// A bind (TLS, simple bind) and a base read of five attributes through the back end.
void BM_BindAndReadThroughTheProgram(benchmark::State& state) {
  if (!ready()) return state.SkipWithError("no test DC");
  auto dc = test::testDcBackend();
  const Dn dn = Dn::fromFormatted(kTarget);
  QStringList attrs;
  for (const char** a = kFive; *a; ++a) attrs.append(QString::fromLatin1(*a));
  for (auto _ : state) {
    auto conn = dc->bind(QString(), Protocol::Ldap, std::nullopt);
    if (!conn) return state.SkipWithError(qPrintable(conn.error().message));
    auto e = (*conn)->read(dn, attrs);
    if (!e) return state.SkipWithError(qPrintable(e.error().message));
    benchmark::DoNotOptimize(e->attributes.size());
  }
}

// The same with libldap alone: initialize, TLS, simple bind, base search, unbind.
void BM_BindAndReadMinimalLibldap(benchmark::State& state) {
  if (!ready()) return state.SkipWithError("no test DC");
  const QByteArray uri = ("ldaps://" + test::testDcValue("TEST_DC_HOST")).toUtf8();
  const QByteArray ca = test::testDcValue("TEST_DC_CACERT").toUtf8();
  const QByteArray who = test::testDcValue("TEST_DC_ADMIN").toUtf8();
  QByteArray pw = test::testDcValue("TEST_DC_PASSWORD").toUtf8();
  const QByteArray base = kTarget.toUtf8();
  for (auto _ : state) {
    LDAP* ld = nullptr;
    ldap_initialize(&ld, uri.constData());
    const int v3 = LDAP_VERSION3, demand = LDAP_OPT_X_TLS_DEMAND, zero = 0;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &v3);
    ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
    ldap_set_option(ld, LDAP_OPT_X_TLS_CACERTFILE, ca.constData());
    ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &zero);
    berval cred{static_cast<ber_len_t>(pw.size()), pw.data()};
    if (ldap_sasl_bind_s(ld, who.constData(), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr) != LDAP_SUCCESS)
      return state.SkipWithError("bind failed");
    LDAPMessage* res = nullptr;
    if (ldap_search_ext_s(ld, base.constData(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(kFive), 0,
                          nullptr, nullptr, nullptr, 0, &res) != LDAP_SUCCESS)
      return state.SkipWithError("search failed");
    benchmark::DoNotOptimize(ldap_count_entries(ld, res));
    ldap_msgfree(res);
    ldap_unbind_ext_s(ld, nullptr, nullptr);
  }
}

BENCHMARK(BM_TreeSearchesThroughTheProgram)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5);
BENCHMARK(BM_TreeSearchesWithLdapsearch)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5);
BENCHMARK(BM_BindAndReadThroughTheProgram)->Unit(benchmark::kMillisecond)->Iterations(50)->Repetitions(5);
BENCHMARK(BM_BindAndReadMinimalLibldap)->Unit(benchmark::kMillisecond)->Iterations(50)->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();
