// Creating one Active Directory user through the New User tab on the simulated network, in a domain
// of 10,000 users: a template with two folders and three groups, the window offscreen (target:
// 1 ms median for the checks, account name, paths, domain controller, folders, account, groups,
// primary group and tree node). The per-step split of the last run is reported as counters.

#include "directory/DirectoryService.h"
#include "mainwindow/form1.h"
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
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace tavrel;

constexpr int kUsers = 10000;

struct World {
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  std::unique_ptr<mainwindow::form1> w;
  ui::ScriptedPrompter prompts;
  ui::SilentFeedback beeps;
};

[[noreturn]] void die(const QString& what) {
  std::fprintf(stderr, "%s\n", qPrintable(what));
  std::exit(1);
}

void write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) die("cannot write " + path);
}

World& world() {
  static World* w = [] {
    auto* w = new World;
    qputenv("TAVREL_CONFIG", (w->tmp.path() + "/Tavrel.conf").toLocal8Bit());
    ui::setPrompter(&w->prompts);
    ui::setFeedback(&w->beeps);
    simnet::NetworkBuilder b(w->tmp.path() + "/net");
    b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Staff");
    b.group("example.local", "Teachers", simnet::GroupSpec().in("OU=Staff"))
        .group("example.local", "Printing")
        .group("example.local", "Library");
    b.fileServer("FS1", "example.local", "D").folder("\\\\FS1\\D$\\Users").folder("\\\\FS1\\D$\\Profiles");
    auto built = b.build();
    if (!built) die(built.error().message);
    w->net = *built;
    auto conn = w->net->bind("example.local", adsi::Protocol::Ldap, std::nullopt);
    if (!conn) die(conn.error().message);
    const adsi::Dn staff = adsi::Dn::fromDnsName("example.local").child(adsi::Rdn("OU", "Staff"));
    for (int i = 0; i < kUsers; ++i) {
      const QString n = QString::number(i);
      if (auto s = (*conn)->add(staff.child(adsi::Rdn("CN", "User " + n)),
                                {{"objectClass", {"user"}}, {"sAMAccountName", {("u" + n).toUtf8()}}});
          !s)
        die(s.error().message);
    }
    directory::setDirectory(std::make_shared<adsi::Directory>(w->net));
    simnet::installPlatformLayers(w->net);
    const QString db = w->tmp.path() + "/db/";
    QDir().mkpath(db);
    const records::Template_Record t = test::staffTemplate({"Teachers", "Printing", "Library"});
    const records::Site_Record site = test::mainSite();
    write(db + "Template.dat", t.encode());
    write(db + "Site.dat", site.encode());
    w->w = std::make_unique<mainwindow::form1>();
    mainwindow::form1& f = *w->w;
    f.dbpath->setText(db);
    f.Command_Line = QString();
    state::shared().Domain_Name = "example.local";
    if (!f.Connect_Domain("example.local")) die("cannot connect");
    f.Load_Databases();
    f.setupid->setText("%first%%last%");
    f.defaultpassword->setText("Start-Pw1");
    f.FN_Format->setText("%first% %last%");
    f.Create_Dirs->setChecked(true);
    f.Create_User_Account->setChecked(true);
    return w;
  }();
  return *w;
}

void BM_CreateUser(benchmark::State& st) {
  World& w = world();
  mainwindow::form1& f = *w.w;
  static int n = 0;
  std::map<QString, double> split;
  for (auto _ : st) {
    st.PauseTiming();
    // The window as an administrator leaves it for the next user.
    f.nutemplate->setCurrentIndex(0);
    f.NUsitename->setCurrentIndex(0);
    for (QTreeWidgetItemIterator it(f.TreeView1); *it; ++it)
      if ((*it)->data(0, mainwindow::form1::kNodeKeyRole).toString() == "OU=Staff,DC=example,DC=local")
        f.TreeView1->setCurrentItem(*it);
    f.strFirst->setText("Bench");
    f.strLast->setText("User" + QString::number(++n));
    st.ResumeTiming();
    f.CreateUser_Click();
    st.PauseTiming();
    if (!f.lastCreation || f.lastCreation->Create_Status != 1) die("a run did not end GREEN");
    for (const auto& [step, ns] : f.lastCreation->stepTimes) split[step] += double(ns);
    st.ResumeTiming();
  }
  for (const auto& [step, ns] : split)
    st.counters[("us " + step).toStdString()] = benchmark::Counter(ns / 1000.0 / double(st.iterations()));
}
BENCHMARK(BM_CreateUser)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
