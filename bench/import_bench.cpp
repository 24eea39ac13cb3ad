// Importing a CSV file of N users through the main window (offscreen, the tree and lists updated)
// on the simulated network, Active Directory native: a template with two folders, two shares,
// directory and share permissions, three groups and five attribute rows. Reports users/s for the
// whole Run_Import, the time each creation step took per user, the import's own share (the time
// outside the creation runs) and the growth of the resident memory over the run.
// Beside it, the floor: the same directory and file changes issued directly through the platform
// layers ("floor users/s"), measured before the import in a network of its own, and the ratio of
// the two ("run/floor", target <= 1.5). Both also report the processor time per user ("cpu us/user",
// "floor cpu us/user"). BM_ImportFloor measures the floor alone, for profiling it.
//   import_bench [--benchmark_filter=...]    (target: >= 1,000 users/s, growth <= 100 MB)

#include "BenchSupport.h"

#include "directory/DirectoryService.h"
#include "mainwindow/form1.h"
#include "platform/adsi/Counters.h"
#include "platform/adsi/Values.h"
#include "platform/adsi/WorkUnit.h"
#include "platform/files/FileSystem.h"
#include "platform/netapi/NetApi.h"
#include "platform/security/AccountLookup.h"
#include "platform/security/FileSecurity.h"
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
#include <sys/resource.h>
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

// The processor time this process has used, user and system, in seconds.
double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
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

// The floor: what the import's runs change, issued directly through the platform layers for
// `users` users, each user's changes one work unit as a run's are. Per user: the logon-name
// search, the account added, its names and paths, its password, its flags, its three groups, its
// five attribute rows and its primary group; the home and profile folders with the user as owner
// and a DACL; the home and profile shares with their descriptor.
struct FloorCost {
  double seconds = 0;
  double cpuSeconds = 0;
};
FloorCost floorCost(int users) {
  QTemporaryDir tmp;
  auto net = bench::staffNetwork(tmp.path() + "/net");
  simnet::installPlatformLayers(net);
  security::setAccountDirectory(net);
  auto conn = net->bind("example.local", adsi::Protocol::Ldap, std::nullopt);
  if (!conn) die(conn.error().message);
  adsi::DirectoryConnection& c = **conn;
  const adsi::Dn domain = adsi::Dn::parse("DC=example,DC=local").value();
  const adsi::Dn staff = adsi::Dn::parse("OU=Staff,DC=example,DC=local").value();
  QList<adsi::Dn> groups;
  QByteArray teachersRid;
  for (const char* name : {"Teachers", "Printing", "Library"}) {
    adsi::SearchRequest r;
    r.base = domain;
    r.filter = QStringLiteral("(sAMAccountName=%1)").arg(QLatin1String(name));
    r.attributes = {"objectSid"};
    auto found = c.search(r);
    if (!found || found->entries.isEmpty()) die(QStringLiteral("no group %1").arg(QLatin1String(name)));
    groups.append(found->entries.first().dn);
    if (teachersRid.isEmpty())
      teachersRid = QByteArray::number(adsi::sidRid(found->entries.first().first("objectSid")));
  }
  QElapsedTimer clock;
  clock.start();
  const double cpuBefore = cpuSeconds();
  for (int i = 0; i < users; ++i) {
    const QByteArray id = "User" + QByteArray::number(i) + "Staff" + QByteArray::number(i);
    const QString name = QString::fromLatin1(id);
    const adsi::Dn dn = staff.child(adsi::Rdn("CN", name));
    adsi::WorkUnit unit;
    adsi::SearchRequest exists;
    exists.base = domain;
    exists.filter = "(sAMAccountName=" + name + ")";
    exists.attributes = {"distinguishedName"};
    auto found = c.search(exists);
    if (!found || !found->entries.isEmpty()) die("the logon name search failed");
    using M = adsi::Modification;
    const auto ok = [](const adsi::Status& s, const char* what) {
      if (!s) die(QStringLiteral("%1: %2").arg(QLatin1String(what), s.error().message));
    };
    ok(c.add(dn, {{"objectClass", {"user"}}, {"sAMAccountName", {id}}}), "add");
    ok(c.modify(dn, {M{adsi::ModOp::Replace, "displayName", {"User" + QByteArray::number(i) + " Staff"}},
                     M{adsi::ModOp::Replace, "givenName", {"User" + QByteArray::number(i)}},
                     M{adsi::ModOp::Replace, "sn", {"Staff" + QByteArray::number(i)}},
                     M{adsi::ModOp::Replace, "homeDirectory", {"\\\\FS1\\" + id}},
                     M{adsi::ModOp::Replace, "scriptPath", {"staff.bat"}},
                     M{adsi::ModOp::Replace, "profilePath", {"\\\\FS1\\Profiles$\\" + id}},
                     M{adsi::ModOp::Replace, "logonHours", {QByteArray(21, char(0xff))}}}),
       "names");
    ok(c.setPassword(dn, "Start-Pw1"), "password");
    ok(c.modify(dn, {M{adsi::ModOp::Replace, "pwdLastSet", {"0"}},
                     M{adsi::ModOp::Replace, "userAccountControl", {"512"}},
                     M{adsi::ModOp::Replace, "homeDrive", {"H:"}}}),
       "flags");
    for (const adsi::Dn& g : groups)
      ok(c.modify(g, {M{adsi::ModOp::Add, "member", {dn.toString().toUtf8()}}}), "group");
    ok(c.modify(
           dn,
           {M{adsi::ModOp::Replace, "department", {"Science"}}, M{adsi::ModOp::Replace, "title", {"Teacher"}},
            M{adsi::ModOp::Replace, "company", {"Example School"}},
            M{adsi::ModOp::Replace, "physicalDeliveryOfficeName", {"Room " + QByteArray::number(i % 40)}},
            M{adsi::ModOp::Replace, "telephoneNumber", {"555-0100"}}}),
       "attribute rows");
    ok(c.modify(dn, {M{adsi::ModOp::Replace, "primaryGroupID", {teachersRid}}}), "primary group");
    auto account = security::LookupAccountName(QString(), "EXAMPLE\\" + name);
    if (!account) die("lookup: " + account.error().message);
    security::SecurityDescriptor folderSd;
    folderSd.owner = account->sid;
    security::Acl acl;
    acl.add(security::Ace::allow(account->sid, security::access::FILE_ALL_ACCESS,
                                 security::ace::CONTAINER_INHERIT | security::ace::OBJECT_INHERIT));
    folderSd.dacl = acl;
    security::SecurityDescriptor shareSd;
    security::Acl shareAcl;
    shareAcl.add(security::Ace::allow(account->sid, security::access::GENERIC_ALL));
    shareSd.dacl = shareAcl;
    for (const char* folder : {"Users", "Profiles"}) {
      const QString path = QStringLiteral("\\\\FS1\\D$\\%1\\%2").arg(QLatin1String(folder), name);
      if (!files::createDirectory(path)) die("folder " + path);
      if (!security::SetFileSecurity(path, security::info::OWNER | security::info::DACL, folderSd))
        die("descriptor " + path);
      netapi::SHARE_INFO_502 share;
      share.shi502_netname = folder == QLatin1String("Users") ? name : name + u'$';
      share.shi502_path = QStringLiteral("D:\\%1\\%2").arg(QLatin1String(folder), name);
      share.shi502_security_descriptor = shareSd;
      if (netapi::NetShareAdd(QStringLiteral("FS1"), 502, share) != 0) die("share " + share.shi502_netname);
    }
  }
  return FloorCost{double(clock.nsecsElapsed()) / 1e9, cpuSeconds() - cpuBefore};
}

void BM_Import(benchmark::State& st) {
  const int users = int(st.range(0));
  ui::ScriptedPrompter prompts;
  ui::SilentFeedback beeps;
  ui::setPrompter(&prompts);
  ui::setFeedback(&beeps);
  for (auto _ : st) {
    st.PauseTiming();
    // The floor first, in a network of its own, so that neither pays for what the other leaves.
    const FloorCost floor = floorCost(users);
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
    const double cpuBefore = cpuSeconds();
    st.ResumeTiming();
    const bool ok = f.Run_Import(w->csv);
    st.PauseTiming();
    const double cpu = cpuSeconds() - cpuBefore;
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
    st.counters["cpu us/user"] = cpu * 1e6 / users;
    st.counters["us outside the runs"] = (seconds * 1e9 - inRuns) / 1000.0 / users;
    st.counters["MB growth"] = residentMb() - before;
    w.reset();
    st.counters["floor users/s"] = users / floor.seconds;
    st.counters["floor cpu us/user"] = floor.cpuSeconds * 1e6 / users;
    st.counters["run/floor"] = seconds / floor.seconds;

    st.ResumeTiming();
  }
}
BENCHMARK(BM_Import)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);

// The floor alone: its own wall and processor time per user.
void BM_ImportFloor(benchmark::State& st) {
  const int users = int(st.range(0));
  for (auto _ : st) {
    st.PauseTiming();
    const FloorCost floor = floorCost(users);
    st.counters["floor users/s"] = users / floor.seconds;
    st.counters["floor us/user"] = floor.seconds * 1e6 / users;
    st.counters["floor cpu us/user"] = floor.cpuSeconds * 1e6 / users;
    st.ResumeTiming();
  }
}
BENCHMARK(BM_ImportFloor)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  return tavrel::bench::runQtBenchmarks(argc, argv);
}
