// Moving users to another site and template on the simulated network (example.local with 1,000
// users, their homes on FS1, the new site's server FS2):
//   move one user without data: new home and profile folders, shares, permissions, the account's
//   paths                                                              (target: <= 2 ms)
//   copy one user's home of 2,000 files (32 MB) through the move, beside `cp -a` of the same tree
//   on the same disk                                     (target: the move at >= 0.8x cp's speed)

#include "BenchSupport.h"

#include "bulk/MoveUser.h"
#include "directory/DirectoryService.h"
#include "platform/adsi/Directory.h"
#include "platform/netapi/NetApi.h"
#include "platform/simnet/Resources.h"
#include "state/SharedState.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

using namespace tavrel;

constexpr int kUsers = 1000;
constexpr int kFiles = 2000;
constexpr int kFileSize = 16 * 1024;

struct World {
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  QString db() const { return tmp.path() + u'/'; }
  QString disk(const QString& server, char drive, const QString& below) const {
    return tmp.path() +
           QStringLiteral("/net/servers/%1/%2/%3").arg(server, QString(QChar::fromLatin1(drive)), below);
  }
};

World& world() {
  static World* w = [] {
    auto* w = new World;
    simnet::NetworkBuilder b(w->db() + QStringLiteral("net"));
    b.forest("example.local", "EXAMPLE");
    b.fileServer("FS1", "example.local", "D").folder("\\\\FS1\\D$\\Users");
    b.fileServer("FS2", "example.local", "E").folder("\\\\FS2\\E$\\Home").folder("\\\\FS2\\E$\\Prof");
    for (int i = 0; i < kUsers; ++i) b.user("example.local", QStringLiteral("u%1").arg(i));
    auto built = b.build();
    if (!built) bench::die(built.error().message);
    w->net = *built;
    simnet::installPlatformLayers(w->net);
    directory::setDirectory(std::make_shared<adsi::Directory>(w->net));
    state::SharedState& sh = state::shared();
    sh.Directory_Mode = 0;
    sh.Domain_Name = QStringLiteral("example.local");
    sh.NetBIOS_Domain = QStringLiteral("EXAMPLE");
    bench::writePermissionLists(w->db());
    // The tree the copy benchmarks take: u0's home.
    for (int i = 0; i < kFiles; ++i) {
      const QString p = w->disk("FS1", 'D', QStringLiteral("Users/u0/d%1/f%2.bin").arg(i % 20).arg(i));
      QDir().mkpath(QFileInfo(p).path());
      bench::write(p, QByteArray(kFileSize, char('a' + i % 26)));
    }
    return w;
  }();
  return *w;
}

class Host : public bulk::MoveHost {
 public:
  bulk::MoveForm form;
  bulk::MoveForm load() override { return form; }
  void status(const QString&) override {}
  void logTab(const QString&, const QString&) override {}
  void clear() override {}
};

bulk::MoveForm templateForm(int dataOption) {
  bulk::MoveForm f;
  f.dbpath = world().db();
  f.server = QStringLiteral("FS2");
  f.dataOption = dataOption;
  f.noPrompt = true;
  f.homeLocal = QStringLiteral("E:\\Home\\%UserName%");
  f.profileLocal = QStringLiteral("E:\\Prof\\%UserName%");
  f.homeUnc = QStringLiteral("\\\\%Server%\\%UserName%$");
  f.profileUnc = QStringLiteral("\\\\%Server%\\%UserName%P$");
  f.homeShareName = QStringLiteral("%UserName%$");
  f.profileShareName = QStringLiteral("%UserName%P$");
  f.homeDrive = QStringLiteral("H:");
  return f;
}

QString userPath(int i) {
  return QStringLiteral("LDAP://example.local/CN=u%1,CN=Users,DC=example,DC=local").arg(i);
}

void BM_MoveUserWithoutData(benchmark::State& state) {
  World& w = world();
  Host host;
  host.form = templateForm(0);
  static int next = 1;  // every user is moved once, across repetitions
  for (auto _ : state) {
    QString user = userPath(next++);
    if (!bulk::Move_One_User(user, host)) bench::die("move failed for " + user);
  }
  (void)w;
}
BENCHMARK(BM_MoveUserWithoutData)->Iterations(150)->Unit(benchmark::kMillisecond);

// Removes u0's new home and its share again, outside the timing.
void resetTarget(benchmark::State& state) {
  state.PauseTiming();
  QDir(world().disk("FS2", 'E', "Home/u0")).removeRecursively();
  QDir(world().disk("FS2", 'E', "Prof/u0")).removeRecursively();
  netapi::NetShareDel("FS2", "u0$");
  netapi::NetShareDel("FS2", "u0P$");
  ::sync();  // both sides start with nothing waiting to be written
  state.ResumeTiming();
}

void BM_CopyUserData(benchmark::State& state) {
  World& w = world();
  adsi::Directory d(w.net);
  auto u = d.GetObject(userPath(0));
  if (!u || !u->Put("HomeDirectory", "\\\\FS1\\D$\\Users\\u0") || !u->SetInfo())
    bench::die("cannot set u0's home");
  Host host;
  host.form = templateForm(2);
  host.form.profileLocal.clear();  // the home alone: the tree copied is exactly the one cp copies
  host.form.profileUnc.clear();
  host.form.profileShareName.clear();
  for (auto _ : state) {
    resetTarget(state);
    QString user = userPath(0);
    if (!bulk::Move_One_User(user, host)) {
      QFile log(w.db() + QStringLiteral("Log.txt"));
      log.open(QIODevice::ReadOnly);
      bench::die("copy failed: " + QString::fromLatin1(log.readAll().right(600)));
    }
    if (!QFile::exists(w.disk("FS2", 'E', "Home/u0/d0/f0.bin"))) bench::die("nothing copied");
    state.PauseTiming();
    // Put the home back for the next round: the account now names the new one.
    u = d.GetObject(userPath(0));
    if (!u || !u->Put("HomeDirectory", "\\\\FS1\\D$\\Users\\u0") || !u->SetInfo())
      bench::die("cannot reset u0");
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kFiles * kFileSize);
}
BENCHMARK(BM_CopyUserData)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CpA(benchmark::State& state) {
  World& w = world();
  const QString from = w.disk("FS1", 'D', "Users/u0");
  const QString to = w.disk("FS2", 'E', "cp-target");
  for (auto _ : state) {
    state.PauseTiming();
    QDir(to).removeRecursively();
    ::sync();
    state.ResumeTiming();
    if (QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), from, to}) != 0)
      bench::die("cp -a failed");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kFiles * kFileSize);
}
BENCHMARK(BM_CpA)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return bench::runQtBenchmarks(argc, argv);
}
