// The resource layers on the simulated network, with 10,000 users (home folders with their own
// descriptors, shares and Terminal Services values) already present:
//   create a home folder with owner and a two-ACE DACL, add its share with a three-entry
//   descriptor, write the thirteen Terminal Services values together (target: median <= 300 us)
//   set owner and DACL down a tree of 10,000 files                 (target: <= 1 s)

#include "platform/files/FileSystem.h"
#include "platform/netapi/NetApi.h"
#include "platform/security/AccountLookup.h"
#include "platform/security/FileSecurity.h"
#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/Resources.h"
#include "platform/wts/Wts.h"

#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace tavrel;

constexpr int kPresent = 10000;
constexpr int kNew = 6000;  // accounts the timed runs give folders, shares and values to

void die(const QString& what) {
  std::fprintf(stderr, "%s\n", qPrintable(what));
  std::exit(1);
}

struct World {
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  security::SecurityDescriptor shareSd;
};

security::SecurityDescriptor homeSd(const security::Sid& user) {
  security::SecurityDescriptor sd;
  sd.owner = user;
  security::Acl acl;
  acl.add(security::Ace::allow(user, security::access::FILE_ALL_ACCESS, security::ace::CONTAINER_INHERIT));
  acl.add(security::Ace::allow(user, security::access::FILE_ALL_ACCESS,
                               security::ace::OBJECT_INHERIT | security::ace::INHERIT_ONLY));
  sd.dacl = acl;
  return sd;
}

netapi::SHARE_INFO_502 shareFor(const QString& id, const security::SecurityDescriptor& sd) {
  netapi::SHARE_INFO_502 i;
  i.shi502_netname = id + u'$';
  i.shi502_remark = QStringLiteral("Users Home Share");
  i.shi502_permissions = 1;
  i.shi502_path = QStringLiteral("D:\\Users\\") + id;
  i.shi502_security_descriptor = sd;
  return i;
}

const wts::WtsValue kValues[13] = {
    wts::WtsValue::string("\\\\FILESRV1\\Profiles$\\x"), wts::WtsValue::string("\\\\FILESRV1\\Users$\\x"),
    wts::WtsValue::string("H:"), wts::WtsValue::dword(1), wts::WtsValue::dword(0),
    wts::WtsValue::string("notepad.exe"), wts::WtsValue::string("C:\\"), wts::WtsValue::dword(1),
    wts::WtsValue::dword(1), wts::WtsValue::dword(1), wts::WtsValue::dword(1800000), wts::WtsValue::dword(0),
    wts::WtsValue::dword(3600000)};
const quint32 kClasses[13] = {15, 16, 17, 3, 2, 0, 1, 7, 8, 9, 5, 4, 6};

// One user's home folder, share and Terminal Services values, as user creation makes them.
bool makeResources(const QString& id, const security::SecurityDescriptor& shareSd) {
  const QString home = QStringLiteral("\\\\FILESRV1\\D$\\Users\\") + id;
  auto account = security::LookupAccountName(QStringLiteral("EXDC01"), id);
  if (!account) return false;
  if (!files::createDirectory(home)) return false;
  if (!security::SetFileSecurity(home, security::info::OWNER | security::info::DACL, homeSd(account->sid)))
    return false;
  if (netapi::NetShareAdd(QStringLiteral("FILESRV1"), 502, shareFor(id, shareSd)) != 0) return false;
  // Set_WTS_Settings writes the rows together.
  QList<wts::WtsSetting> settings;
  for (int r = 0; r < 13; ++r) settings.append(wts::WtsSetting{kClasses[r], kValues[r]});
  return wts::WTSSetUserConfigs(QStringLiteral("\\\\EXDC01"), id, settings) == 0;
}

World& world() {
  static World* w = [] {
    auto* w = new World;
    simnet::NetworkBuilder b(w->tmp.path());
    b.forest("example.local", "EXAMPLE", false, "EXDC01")
        .fileServer("FILESRV1", "example.local", "D")
        .folder("\\\\FILESRV1\\D$\\Users")
        .folder("\\\\FILESRV1\\D$\\Tree")
        .ou("example.local", "OU=Bulk");
    auto built = b.build();
    if (!built) die(built.error().message);
    w->net = *built;
    simnet::installPlatformLayers(w->net);
    security::Acl acl;
    acl.add(security::Ace::allow(security::wellknown::everyone(), security::access::GENERIC_READ));
    acl.add(security::Ace::allow(security::wellknown::builtinAdministrators(), security::access::GENERIC_ALL));
    acl.add(security::Ace::allow(security::wellknown::localSystem(), security::access::GENERIC_ALL));
    w->shareSd.dacl = acl;
    auto conn = w->net->bind("example.local", adsi::Protocol::Ldap, std::nullopt).value();
    const adsi::Dn bulk = adsi::Dn::parse("OU=Bulk,DC=example,DC=local").value();
    for (int i = 0; i < kPresent + kNew; ++i) {
      const QString id = (i < kPresent ? QStringLiteral("u%1") : QStringLiteral("n%1")).arg(i);
      if (!conn->add(bulk.child(adsi::Rdn("CN", id)), {{"objectClass", {"user"}}, {"sAMAccountName", {id.toUtf8()}}}))
        die("cannot add " + id);
    }
    for (int i = 0; i < kPresent; ++i)
      if (!makeResources(QStringLiteral("u%1").arg(i), w->shareSd)) die(QStringLiteral("cannot prepare u%1").arg(i));
    // The tree: 100 folders of 100 files.
    const QString tree = w->tmp.path() + "/servers/FILESRV1/D/Tree";
    for (int d = 0; d < 100; ++d) {
      const QString folder = tree + QStringLiteral("/dir%1").arg(d);
      QDir().mkpath(folder);
      for (int f = 0; f < 100; ++f) QFile(folder + QStringLiteral("/file%1.txt").arg(f)).open(QIODevice::WriteOnly);
    }
    return w;
  }();
  return *w;
}

void BM_HomeShareAndTerminalServices(benchmark::State& state) {
  World& w = world();
  static int next = kPresent;
  for (auto _ : state) {
    if (next >= kPresent + kNew) {
      state.SkipWithError("out of new accounts");
      break;
    }
    if (!makeResources(QStringLiteral("n%1").arg(next++), w.shareSd)) {
      state.SkipWithError("a step failed");
      break;
    }
  }
}
BENCHMARK(BM_HomeShareAndTerminalServices)->Iterations(1000)->Repetitions(5)->Unit(benchmark::kMicrosecond);

// The steps one by one, to see where the time goes.
void BM_Step(benchmark::State& state) {
  World& w = world();
  static int next = kPresent + 5000;
  const int step = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const QString id = QStringLiteral("n%1").arg(next++ % (kPresent + kNew));
    const QString home = QStringLiteral("\\\\FILESRV1\\D$\\Users\\") + id;
    switch (step) {
      case 0: benchmark::DoNotOptimize(security::LookupAccountName(QStringLiteral("EXDC01"), id)); break;
      case 1: benchmark::DoNotOptimize(files::exists(home)); break;
      case 2: benchmark::DoNotOptimize(security::GetFileSecurity(home, security::info::DACL)); break;
      case 3: { netapi::SHARE_INFO_502 i; benchmark::DoNotOptimize(netapi::NetShareGetInfo("FILESRV1", id + "$", i)); break; }
      case 4: benchmark::DoNotOptimize(wts::WTSSetUserConfig("EXDC01", id, 6, kValues[12])); break;
    }
  }
  (void)w;
}
BENCHMARK(BM_Step)->DenseRange(0, 4)->Iterations(500)->Unit(benchmark::kMicrosecond);

void BM_TreeOwnerAndDacl(benchmark::State& state) {
  world();
  const security::Sid user = *security::Sid::fromString("S-1-5-21-1-2-3-1104");
  security::SecurityDescriptor sd = homeSd(user);
  for (auto _ : state) {
    if (!security::SetFileSecurityTree("\\\\FILESRV1\\D$\\Tree", security::info::OWNER | security::info::DACL, sd))
      state.SkipWithError("the tree was not set");
  }
}
BENCHMARK(BM_TreeOwnerAndDacl)->Iterations(3)->Repetitions(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
