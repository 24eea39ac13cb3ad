// Renaming a user on the simulated network.
//   RenameWithFolders: the Active Directory rename of a user's common name, with a home folder
//     published by a share of its own and a profile folder on a common share, each of 20 files:
//     the names written, the object moved, the lists re-keyed, both folders renamed, the share
//     moved and both paths written.
//   FolderRenameOnly: the same two folders renamed alone, so the difference is what the rename
//     adds to the folder renames.
//   build/bench/rename_bench

#include "BenchSupport.h"

#include "bulk/Catalogue.h"
#include "directory/DirectoryService.h"
#include "groups/RenameWork.h"
#include "platform/files/FileSystem.h"
#include "platform/simnet/Resources.h"
#include "state/SharedState.h"

#include <QTemporaryDir>

namespace {

using namespace tavrel;

constexpr int kFiles = 20;

struct Net {
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  int next = 0;
};

Net& network() {
  static Net* n = [] {
    auto* n = new Net;
    simnet::NetworkBuilder b(n->tmp.path() + "/net");
    b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Staff");
    b.fileServer("FS1", "example.local", "D").folder("\\\\FS1\\D$\\Users").folder("\\\\FS1\\D$\\Profiles");
    b.share("FS1", "Users", "D:\\Users").share("FS1", "Profiles", "D:\\Profiles");
    b.loggedOn("EXAMPLE", "Administrator");
    auto built = b.build();
    if (!built) bench::die(built.error().message);
    n->net = *built;
    simnet::installPlatformLayers(n->net);
    directory::setDirectory(std::make_shared<adsi::Directory>(n->net));
    state::SharedState& sh = state::shared();
    sh.Directory_Mode = 0;
    sh.Domain_Name = "example.local";
    sh.NetBIOS_Domain = "EXAMPLE";
    return n;
  }();
  return *n;
}

// A user "u<i>" with its home share and folder and its profile folder, each of kFiles files.
QString makeUser(Net& n, int i) {
  const QString name = QStringLiteral("u%1").arg(i);
  simnet::NetworkBuilder b(n.net);
  b.user("example.local", name, simnet::UserSpec().in("OU=Staff"));
  for (int f = 0; f < kFiles; ++f) {
    b.file(QStringLiteral("\\\\FS1\\D$\\Users\\%1\\f%2.txt").arg(name).arg(f), 100);
    b.file(QStringLiteral("\\\\FS1\\D$\\Profiles\\%1\\p%2.dat").arg(name).arg(f), 100);
  }
  b.share("FS1", name, QStringLiteral("D:\\Users\\") + name);
  if (auto s = b.build(); !s) bench::die(s.error().message);
  const QString key = QStringLiteral("LDAP://example.local/CN=%1,OU=Staff,DC=example,DC=local").arg(name);
  auto u = (*directory::requireDirectory())->GetObject(key);
  if (!u) bench::die(u.error().message);
  (void)u->Put("HomeDirectory", QStringLiteral("\\\\FS1\\") + name);
  (void)u->Put("Profile", QStringLiteral("\\\\FS1\\Profiles\\") + name);
  if (auto s = u->SetInfo(); !s) bench::die(s.error().message);
  bulk::catalogue().users.add(name, key, "USER");
  return key;
}

class Host : public groups::RenameHost {
 public:
  Host(QString key, QString db) : key_(std::move(key)), db_(std::move(db)) {}
  QString nodeKey() const override { return key_; }
  QString nodeText() const override { return text_; }
  void setNodeText(const QString& t) override { text_ = t; }
  void setNodeKey(const QString& k) override { key_ = k; }
  void status(const QString&) override {}
  void logRow(const QString&, const QString&) override {}
  QString dbpath() const override { return db_; }
  bool cnName() const override { return true; }
  bool displayNames() const override { return false; }
  bool renameDirs() const override { return true; }

 private:
  QString key_, text_, db_;
};

void RenameWithFolders(benchmark::State& state) {
  Net& n = network();
  const QString db = n.tmp.path() + u'/';
  for (auto _ : state) {
    state.PauseTiming();
    const int i = n.next++;
    const QString key = makeUser(n, i);
    Host host(key, db);
    groups::AdRenameRequest request;
    auto names = groups::loadAdNames(key);
    if (!names) bench::die(names.error().message);
    request.names = *names;
    request.names.fullName = QStringLiteral("r%1").arg(i);
    request.fullNameChanged = true;
    request.renameDirs = true;
    state.ResumeTiming();
    const groups::AdRenameOutcome outcome = groups::renameAdUser(request, host);
    state.PauseTiming();
    if (!outcome.done) bench::die(outcome.message);
    if (!files::stat(QStringLiteral("\\\\FS1\\D$\\Users\\r%1").arg(i)))
      bench::die(QStringLiteral("the home folder was not renamed"));
    state.ResumeTiming();
  }
}
BENCHMARK(RenameWithFolders)->Unit(benchmark::kMillisecond)->Iterations(50)->Repetitions(5)->ReportAggregatesOnly();

void FolderRenameOnly(benchmark::State& state) {
  Net& n = network();
  for (auto _ : state) {
    state.PauseTiming();
    const int i = n.next++;
    makeUser(n, i);
    const QString name = QStringLiteral("u%1").arg(i);
    auto home = files::resolve(QStringLiteral("\\\\FS1\\D$\\Users\\") + name);
    auto homeTo = files::resolve(QStringLiteral("\\\\FS1\\D$\\Users\\r") + name);
    auto profile = files::resolve(QStringLiteral("\\\\FS1\\D$\\Profiles\\") + name);
    auto profileTo = files::resolve(QStringLiteral("\\\\FS1\\D$\\Profiles\\r") + name);
    if (!home || !homeTo || !profile || !profileTo) bench::die(QStringLiteral("no folder"));
    state.ResumeTiming();
    if (!files::renamePath(*home, *homeTo) || !files::renamePath(*profile, *profileTo))
      bench::die(QStringLiteral("rename failed"));
  }
}
BENCHMARK(FolderRenameOnly)->Unit(benchmark::kMillisecond)->Iterations(50)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
  return bench::runQtBenchmarks(argc, argv);
}
