// Shares and directory permissions for one user on the simulated network with 10,000 users
// already present (each with a home folder, its share and its permissions):
//   Create_Share_502 + Set_Permissions for one new user           (target: median <= 300 us)
// SharePerm.dat: the user and Administrators, full control. Permissions.dat: the user, full
// control, replacing the list, then Administrators, full control.

#include "platform/files/FileSystem.h"
#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/Resources.h"
#include "records/Records.h"
#include "resources/DirPermissions.h"
#include "resources/Shares.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"

#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace tavrel;

constexpr int kPresent = 10000;
constexpr int kNew = 6000;

void die(const QString& what) {
  std::fprintf(stderr, "%s\n", qPrintable(what));
  std::exit(1);
}

void writeList(const QString& path, const QList<records::Permission_Record>& rows) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) die("cannot write " + path);
  for (const auto& r : rows) f.write(r.encode());
}

struct World {
  QTemporaryDir tmp;
  QString db;
  std::shared_ptr<simnet::SimNetwork> net;
  std::unique_ptr<startup::LogFile> log;
  std::unique_ptr<resources::ResourceRun> run;
};

QString homeOf(const QString& id) {
  return QStringLiteral("\\\\FILESRV1\\D$\\Users\\") + id;
}

bool shareAndPermissions(World& w, const QString& id) {
  const int16_t share = resources::Create_Share_502(QStringLiteral("FILESRV1"), id + u'$', QStringLiteral("D:\\Users\\") + id,
                                                    QStringLiteral("Users Home Share"), id, *w.run);
  return share == resources::kShareWithList &&
         resources::Set_Permissions(QStringLiteral("EXDC01"), homeOf(id), id, *w.run) && !w.run->warned;
}

World& world() {
  static World* w = [] {
    auto* w = new World;
    w->db = w->tmp.path() + QStringLiteral("/db/");
    QDir().mkpath(w->db);
    simnet::NetworkBuilder b(w->tmp.path() + QStringLiteral("/net"));
    b.forest("example.local", "EXAMPLE", false, "EXDC01")
        .fileServer("FILESRV1", "example.local", "D")
        .folder("\\\\FILESRV1\\D$\\Users")
        .ou("example.local", "OU=Bulk");
    auto built = b.build();
    if (!built) die(built.error().message);
    w->net = *built;
    simnet::installPlatformLayers(w->net);
    state::shared().Domain_Name = QStringLiteral("example.local");
    state::shared().NetBIOS_Domain = QStringLiteral("EXAMPLE");
    writeList(w->db + QStringLiteral("SharePerm.dat"),
              {{0, QStringLiteral("%Domain%\\%UserName%"), QStringLiteral("Full Control")},
               {0, QStringLiteral("Administrators"), QStringLiteral("Full Control")}});
    writeList(w->db + QStringLiteral("Permissions.dat"),
              {{-1, QStringLiteral("%Domain%\\%UserName%"), QStringLiteral("Full Control")},
               {0, QStringLiteral("Administrators"), QStringLiteral("Full Control")}});
    w->log = std::make_unique<startup::LogFile>(w->db);
    w->run = std::make_unique<resources::ResourceRun>(*w->log, w->db);
    auto conn = w->net->bind("example.local", adsi::Protocol::Ldap, std::nullopt).value();
    const adsi::Dn bulk = adsi::Dn::parse("OU=Bulk,DC=example,DC=local").value();
    for (int i = 0; i < kPresent + kNew; ++i) {
      const QString id = (i < kPresent ? QStringLiteral("u%1") : QStringLiteral("n%1")).arg(i);
      if (!conn->add(bulk.child(adsi::Rdn("CN", id)), {{"objectClass", {"user"}}, {"sAMAccountName", {id.toUtf8()}}}))
        die("cannot add " + id);
      if (!files::createDirectory(homeOf(id))) die("cannot create the folder of " + id);
      if (i < kPresent && !shareAndPermissions(*w, id)) die("cannot prepare " + id);
    }
    return w;
  }();
  return *w;
}

void BM_ShareAndPermissions(benchmark::State& state) {
  World& w = world();
  static int next = kPresent;
  for (auto _ : state) {
    if (next >= kPresent + kNew) {
      state.SkipWithError("out of new accounts");
      break;
    }
    if (!shareAndPermissions(w, QStringLiteral("n%1").arg(next++))) {
      state.SkipWithError("a step failed");
      break;
    }
  }
}
BENCHMARK(BM_ShareAndPermissions)->Iterations(1000)->Repetitions(5)->Unit(benchmark::kMicrosecond);

// The two procedures apart, on users that already have both (the share add fails on its name;
// the permissions are rewritten).
void BM_Part(benchmark::State& state) {
  World& w = world();
  static int next = 0;
  const bool share = state.range(0) == 0;
  for (auto _ : state) {
    const QString id = QStringLiteral("u%1").arg(next++ % kPresent);
    if (share)
      benchmark::DoNotOptimize(resources::Create_Share_502(QStringLiteral("FILESRV1"), id + u'$',
                                                           QStringLiteral("D:\\Users\\") + id,
                                                           QStringLiteral("Users Home Share"), id, *w.run));
    else
      benchmark::DoNotOptimize(resources::Set_Permissions(QStringLiteral("EXDC01"), homeOf(id), id, *w.run));
  }
}
BENCHMARK(BM_Part)->DenseRange(0, 1)->Iterations(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
