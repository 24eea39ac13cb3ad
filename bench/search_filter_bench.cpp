// Evaluation of a typical user lookup filter over 50,000 in-memory entries, and parsing of the
// filters and commands the program sends.

#include "platform/search/AdoCommand.h"
#include "platform/search/Matcher.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace tavrel::search;

namespace {

const std::vector<MapEntry>& entries() {
  static const std::vector<MapEntry> all = [] {
    const QString schema = QStringLiteral(",CN=Schema,CN=Configuration,DC=example,DC=local");
    std::vector<MapEntry> out;
    out.reserve(50000);
    for (int i = 0; i < 50000; ++i) {
      const QString ou = QStringLiteral("OU=Unit%1,DC=example,DC=local").arg(i % 200);
      if (i % 50 == 49) {  // a computer now and then: it is of class user but not of category Person
        const QString name = QStringLiteral("WS%1").arg(i);
        out.push_back(MapEntry{{"objectClass", {"top", "person", "organizationalPerson", "user", "computer"}},
                               {"objectCategory", {"CN=Computer" + schema}},
                               {"cn", {name}},
                               {"sAMAccountName", {name + "$"}},
                               {"distinguishedName", {"CN=" + name + "," + ou}}});
        continue;
      }
      const QString sam = i == 31337 ? QStringLiteral("jsmith") : QStringLiteral("user%1").arg(i);
      const QString cn = QStringLiteral("Given%1 Surname%1").arg(i);
      out.push_back(MapEntry{{"objectClass", {"top", "person", "organizationalPerson", "user"}},
                             {"objectCategory", {"CN=Person" + schema}},
                             {"cn", {cn}},
                             {"name", {cn}},
                             {"displayName", {cn}},
                             {"sAMAccountName", {sam}},
                             {"userPrincipalName", {sam + "@example.local"}},
                             {"userAccountControl", {"512"}},
                             {"distinguishedName", {"CN=" + cn + "," + ou}}});
    }
    return out;
  }();
  return all;
}

void evaluateOverAll(benchmark::State& state, const char* text) {
  const auto& all = entries();
  const auto filter = parseFilter(QString::fromLatin1(text));
  if (!filter) {
    state.SkipWithError("filter does not parse");
    return;
  }
  const Matcher matcher(*filter);
  for (auto _ : state) {
    int found = 0;
    for (const MapEntry& e : all) found += matcher.matches(e) ? 1 : 0;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * int64_t(all.size()));
}

void BM_UserLookupOver50000(benchmark::State& state) {
  evaluateOverAll(state, "(&(objectCategory=Person)(objectClass=user)(sAMAccountName=jsmith))");
}
BENCHMARK(BM_UserLookupOver50000)->Unit(benchmark::kMillisecond);

void BM_AllUsersOver50000(benchmark::State& state) {
  evaluateOverAll(state, "(&(objectCategory=Person)(objectClass=User))");
}
BENCHMARK(BM_AllUsersOver50000)->Unit(benchmark::kMillisecond);

void BM_ParseUpnCommand(benchmark::State& state) {
  const QString text = QStringLiteral(
      "<GC://"
      "example.local>;(&(objectClass=user)(objectCategory=person)(userprincipalName=jsmith@example.local));"
      "userPrincipalName,cn,distinguishedName;subtree");
  for (auto _ : state) benchmark::DoNotOptimize(parseAdoCommand(text).ok());
}
BENCHMARK(BM_ParseUpnCommand);

}  // namespace

BENCHMARK_MAIN();
