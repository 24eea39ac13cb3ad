// Connecting to a domain of 50,000 users in 200 OUs with 2,000 groups, on the simulated network
// and the offscreen platform, with every tree node and list entry built (target: under 0.5 s).
// Where the time goes, layer by layer:
//   BM_Searches       the loader's three searches alone (OUs, users, groups)
//   BM_LoaderNoWindow the whole Active Directory loader into a view that keeps nothing
//   BM_ConnectDomain  Connect_Domain on the main window: mode probe, loader, tree, the lists of
//                     the three windows, the bulk window's load routine

#include "DemoSizeDomain.h"
#include "bulk/MultiUser.h"
#include "directory/AdoQuery.h"
#include "directory/DirectoryService.h"
#include "directory/DomainLoad.h"
#include "groups/Groupsfrm.h"
#include "mainwindow/form1.h"
#include "platform/simnet/NetworkBuilder.h"
#include "state/SharedState.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

using namespace tavrel;

using bench::die;
using bench::kDomain;
using bench::kGroups;
using bench::kOus;
using bench::kUsers;
using bench::World;
using bench::world;

long minorFaults() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_minflt;
}

void configure(benchmark::internal::Benchmark* b) {
  b->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->Iterations(1);
}

void BM_Searches(benchmark::State& state) {
  world();
  for (auto _ : state) {
    int records = 0;
    for (const QString& text : {directory::ouSearchText(kDomain), directory::userSearchText(kDomain, false),
                                directory::groupSearchText(kDomain)}) {
      auto rs = directory::runAdoSearch(text);
      if (!rs) die("search failed", rs.error());
      records += rs->RecordCount();
    }
    benchmark::DoNotOptimize(records);
  }
}
BENCHMARK(BM_Searches)->Apply(configure);

// One search at a time: 0 the OUs, 1 the users, 2 the groups.
void BM_OneSearch(benchmark::State& state) {
  world();
  const QString texts[] = {directory::ouSearchText(kDomain), directory::userSearchText(kDomain, false),
                           directory::groupSearchText(kDomain)};
  for (auto _ : state) {
    auto rs = directory::runAdoSearch(texts[state.range(0)]);
    if (!rs) die("search failed", rs.error());
    benchmark::DoNotOptimize(rs->RecordCount());
  }
}
BENCHMARK(BM_OneSearch)->Arg(0)->Arg(1)->Arg(2)->Apply(configure);

// Keeps nothing: what remains is the searches and the loader's own work.
class NullView : public directory::DomainView {
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
  void addItem(directory::DomainList, const QString&, const QString&, const QString&,
               const QString&) override {}
  void unselectFirst(directory::DomainList) override {}
};

void BM_LoaderNoWindow(benchmark::State& state) {
  World& w = world();
  NullView view;
  directory::LoadOptions options;
  options.dbpath = w.tmp.path() + QStringLiteral("/db/");
  for (auto _ : state) {
    state::shared().Domain_Name = kDomain;
    state::shared().User_Count = state::shared().Group_Count = 0;
    if (!directory::Get_W2K_Domain_Data(view, options).loaded) std::exit(1);
  }
}
BENCHMARK(BM_LoaderNoWindow)->Apply(configure);

void BM_ConnectDomain(benchmark::State& state) {
  World& w = world();
  mainwindow::form1 form;
  form.dbpath->setText(w.tmp.path() + QStringLiteral("/db/"));
  form.Command_Line = QString();
  form.DisplayName->setChecked(true);
  const long faultsBefore = minorFaults();
  for (auto _ : state) {
    state.PauseTiming();
    // As the Refresh button does: the group window's lists are emptied before reconnecting.
    if (auto* g = groups::Groupsfrm::existing()) {
      g->ListView1->clear();
      g->NotMembers->clear();
    }
    state::shared().Domain_Name = kDomain;
    state.ResumeTiming();
    if (!form.Connect_Domain(kDomain)) std::exit(1);
    if (state::shared().User_Count < kUsers || state::shared().Group_Count < kGroups) std::exit(1);
  }
  // Memory first touched costs a page fault each, which a virtual machine makes dear: the
  // faults per connect show how much new memory a connect takes.
  state.counters["minor_faults"] = benchmark::Counter(double(minorFaults() - faultsBefore));
  state.counters["tree_nodes"] = benchmark::Counter(double(state::shared().User_Count + kOus + 2));
  bulk::MultiUser::unload();
  groups::Groupsfrm::unload();
}
BENCHMARK(BM_ConnectDomain)->Apply(configure);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QDir().mkpath(world().tmp.path() + QStringLiteral("/db"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
