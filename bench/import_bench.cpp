// Importing a CSV file of N users through the main window (offscreen, the tree and lists updated)
// on the simulated network, Active Directory native: a template with two folders, two shares,
// directory and share permissions, three groups and five attribute rows. Reports users/s for the
// whole Run_Import, the time each creation step took per user, the import's own share (the time
// outside the creation runs) and the growth of the resident memory over the run.
//   import_bench [--benchmark_filter=...]    (target: >= 1,000 users/s, growth <= 100 MB)

#include "BenchSupport.h"

#include "directory/DirectoryService.h"
#include "mainwindow/form1.h"
#include "platform/adsi/Counters.h"
#include "platform/security/AccountLookup.h"
#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/Resources.h"
#include "records/Records.h"
#include "state/SharedState.h"
#include "support/CreationRecords.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <unistd.h>

namespace {

using namespace tavrel;
using bench::die;
using bench::write;

double residentMb() {
  QFile f("/proc/self/statm");
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> parts = f.readAll().split(' ');
  return parts.size() > 1 ? parts[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

struct World {
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  std::unique_ptr<mainwindow::form1> w;
  QString csv;
};

std::unique_ptr<World> makeWorld(int users) {
  auto w = std::make_unique<World>();
  qputenv("TAVREL_CONFIG", (w->tmp.path() + "/Tavrel.conf").toLocal8Bit());
  state::resetShared();
  w->net = bench::staffNetwork(w->tmp.path() + "/net");
  directory::setDirectory(std::make_shared<adsi::Directory>(w->net));
  simnet::installPlatformLayers(w->net);
  security::setAccountDirectory(w->net);
  const QString db = w->tmp.path() + "/db/";
  QDir().mkpath(db);
  records::Template_Record t = test::staffTemplate({"Teachers", "Printing", "Library"});
  t.ProfileShareName = "%UserName%$";
  t.HomeShareName = "%UserName%";
  write(db + "Template.dat", t.encode());
  write(db + "Site.dat", test::mainSite().encode());
  bench::writePermissionLists(db);

  w->w = std::make_unique<mainwindow::form1>();
  mainwindow::form1& f = *w->w;
  f.dbpath->setText(db);
  f.Command_Line = QString();
  f.resize(1100, 760);
  state::shared().Domain_Name = "example.local";
  if (!f.Connect_Domain("example.local")) die("cannot connect");
  f.Load_Databases();
  f.nutemplate->setCurrentIndex(0);
  f.NUsitename->setCurrentIndex(0);
  for (QTreeWidgetItemIterator it(f.TreeView1); *it; ++it)
    if ((*it)->data(0, mainwindow::form1::kNodeKeyRole).toString() == "OU=Staff,DC=example,DC=local")
      f.TreeView1->setCurrentItem(*it);
  f.setupid->setText("%last%");
  f.defaultpassword->setText("Start-Pw1");
  f.FN_Format->setText("%first% %last%");
  for (QCheckBox* c : {f.Create_Dirs, f.Create_Shares, f.Dir_Security, f.Create_User_Account}) c->setChecked(true);
  f.STOP_ON_RED[1]->setChecked(true);  // any warning would stop the run: every user must be GREEN
  const std::pair<const char*, const char*> rows[] = {{"department", "%IMPORT4%"},
                                                      {"title", "Teacher"},
                                                      {"company", "Example School"},
                                                      {"physicalDeliveryOfficeName", "%IMPORT5%"},
                                                      {"telephoneNumber", "555-0100"}};
  for (const auto& [name, value] : rows) {
    f.ListView7->add(name, {}, "USER");
    f.ListView7->setSubItem(f.ListView7->count(), 1, value);
  }
  f.show();
  QByteArray lines;
  for (int i = 0; i < users; ++i)
    lines += "user" + QByteArray::number(i) + ",,staff" + QByteArray::number(i) + ",Science,Room " +
             QByteArray::number(i % 40) + "\r\n";
  w->csv = w->tmp.path() + "/users.csv";
  write(w->csv, lines);
  return w;
}

void BM_Import(benchmark::State& st) {
  const int users = int(st.range(0));
  ui::ScriptedPrompter prompts;
  ui::SilentFeedback beeps;
  ui::setPrompter(&prompts);
  ui::setFeedback(&beeps);
  for (auto _ : st) {
    st.PauseTiming();
    std::unique_ptr<World> w = makeWorld(users);
    mainwindow::form1& f = *w->w;
    // The steps of each creation, read as the next one logs its verdict.
    std::map<QString, double> split;
    const creation::RunState* counted = nullptr;
    QObject::connect(f.ListView1->model(), &QAbstractItemModel::rowsInserted, &f, [&] {
      if (!f.lastCreation || f.lastCreation.get() == counted) return;
      counted = f.lastCreation.get();
      for (const auto& [step, ns] : counted->stepTimes) split[step] += double(ns);
    });
    const double before = residentMb();
    QElapsedTimer clock;
    clock.start();
    const adsi::Counts countsBefore = adsi::counts();
    st.ResumeTiming();
    const bool ok = f.Run_Import(w->csv);
    st.PauseTiming();
    const adsi::Counts cost = adsi::counts() - countsBefore;
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (!ok || state::shared().Users_Added_Count != users) {
      for (int i = qMax(0, f.ListView1->topLevelItemCount() - 4); i < f.ListView1->topLevelItemCount(); ++i)
        std::fprintf(stderr, "%s\n", qPrintable(f.ListView1->topLevelItem(i)->text(0)));
      QFile err(f.dbpath->text() + "Import.err");
      if (err.open(QIODevice::ReadOnly)) std::fprintf(stderr, "%s\n", err.readAll().constData());
      QFile log(f.dbpath->text() + "Log.txt");
      if (log.open(QIODevice::ReadOnly)) {
        const QByteArray all = log.readAll();
        const qsizetype at = all.indexOf("Creating User:User107Staff107");
        std::fprintf(stderr, "%s\n", all.mid(at, 1500).constData());
      }
      die(QStringLiteral("the import created %1 of %2 users").arg(state::shared().Users_Added_Count).arg(users));
    }
    if (f.lastCreation && f.lastCreation.get() != counted)
      for (const auto& [step, ns] : f.lastCreation->stepTimes) split[step] += double(ns);
    double inRuns = 0;
    for (const auto& [step, ns] : split) {
      st.counters[("us " + step).toStdString()] = ns / 1000.0 / users;
      inRuns += ns;
    }
    for (int i = 0; i < adsi::kCounterCount; ++i)
      st.counters[std::string(adsi::counterName(adsi::Counter(i))) + "/user"] = double(cost.n[i]) / users;
    st.counters["users/s"] = users / seconds;
    st.counters["us outside the runs"] = (seconds * 1e9 - inRuns) / 1000.0 / users;
    st.counters["MB growth"] = residentMb() - before;
    w.reset();
    st.ResumeTiming();
  }
}
BENCHMARK(BM_Import)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  return tavrel::bench::runQtBenchmarks(argc, argv);
}
