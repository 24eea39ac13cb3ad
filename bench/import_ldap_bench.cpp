// A CSV import of 200 users into the test DC through the LDAP back end (directory-only
// template: the account with its password, one group, the primary group and the tree node)
// beside ldapmodify making the same writes for the same number of users in one process: the add,
// the names, the password, the flags, the group's member and the primary group. Reports users/s
// of each, their ratio, the client CPU per user and the back ends' counters per user; the server
// bounds both. Each run removes what it created.
//   set -a; . /tmp/tdc/env; set +a; flock /tmp/tdc.lock build/bench/import_ldap_bench

#include "BenchSupport.h"

#include "directory/DirectoryService.h"
#include "mainwindow/form1.h"
#include "platform/adsi/Counters.h"
#include "platform/adsi/Values.h"
#include "platform/security/AccountLookup.h"
#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/Resources.h"
#include "records/Records.h"
#include "state/SharedState.h"
#include "support/CreationRecords.h"
#include "support/TestDc.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {

using namespace tavrel;

constexpr int kUsers = 200;
const QString kBase = QStringLiteral("DC=example,DC=local");

double cpuMs(int who) {
  rusage r{};
  getrusage(who, &r);
  return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
}

// Removes an OU and everything in it.
void removeTree(adsi::DirectoryConnection& conn, const QString& ou) {
  adsi::SearchRequest r;
  r.base = adsi::Dn::fromFormatted(ou);
  r.filter = QStringLiteral("(objectClass=*)");
  r.attributes = {QStringLiteral("cn")};
  auto found = conn.search(r);
  if (!found) return;
  // The OU holds users and a group that is their primary group: the group goes once they have.
  QList<adsi::Dn> left;
  for (const auto& e : found->entries)
    if (e.dn.toString().compare(ou, Qt::CaseInsensitive) != 0) left.append(e.dn);
  for (int round = 0; round < 3 && !left.isEmpty(); ++round) {
    QList<adsi::Dn> again;
    for (const adsi::Dn& dn : std::as_const(left))
      if (!conn.remove(dn)) again.append(dn);
    left = again;
  }
  (void)conn.remove(adsi::Dn::fromFormatted(ou));
}

void BM_ImportIntoTheDc(benchmark::State& st) {
  if (!test::testDcUnavailable().isEmpty()) return st.SkipWithError(qPrintable(test::testDcUnavailable()));
  ui::ScriptedPrompter prompts;
  ui::SilentFeedback beeps;
  ui::setPrompter(&prompts);
  ui::setFeedback(&beeps);
  auto dc = test::testDcBackend();
  auto admin = dc->bind(QString(), adsi::Protocol::Ldap, std::nullopt);
  if (!admin) return st.SkipWithError(qPrintable(admin.error().message));
  const QString tag = QString::number(QDateTime::currentSecsSinceEpoch() % 100000);
  const QString programOu = "OU=ImpP" + tag + "," + kBase;
  const QString ldapaddOu = "OU=ImpL" + tag + "," + kBase;

  for (auto _ : st) {
    QTemporaryDir tmp;
    qputenv("TAVREL_CONFIG", (tmp.path() + "/Tavrel.conf").toLocal8Bit());
    state::resetShared();
    for (const QString& ou : {programOu, ldapaddOu})
      if (auto s = (*admin)->add(adsi::Dn::fromFormatted(ou), {{"objectClass", {"organizationalUnit"}}}); !s)
        return st.SkipWithError(qPrintable(s.error().message));
    if (auto s = (*admin)->add(adsi::Dn::fromFormatted("CN=ImpTeachers" + tag + "," + programOu),
                               {{"objectClass", {"group"}}, {"sAMAccountName", {("ImpTeachers" + tag).toUtf8()}}});
        !s)
      return st.SkipWithError(qPrintable(s.error().message));
    // ldapmodify's users get a group of their own in their OU, as their primary group.
    const QString ldapGroup = "CN=ImpLTeachers" + tag + "," + ldapaddOu;
    if (auto s = (*admin)->add(
            adsi::Dn::fromFormatted(ldapGroup),
            {{"objectClass", {"group"}}, {"sAMAccountName", {("ImpLTeachers" + tag).toUtf8()}}});
        !s)
      return st.SkipWithError(qPrintable(s.error().message));
    auto groupEntry = (*admin)->read(adsi::Dn::fromFormatted(ldapGroup), {"objectSid"});
    if (!groupEntry) return st.SkipWithError(qPrintable(groupEntry.error().message));
    const QByteArray ldapGroupRid = QByteArray::number(adsi::sidRid(groupEntry->first("objectSid")));
    // The file server beside the DC, simulated, for the domain controller lookup.
    simnet::NetworkBuilder files(tmp.path() + "/files");
    files.forest("example.local", "EXAMPLE").fileServer("FS1", "example.local", "D");
    auto fileNet = files.build();
    if (!fileNet) return st.SkipWithError(qPrintable(fileNet.error().message));
    simnet::installPlatformLayers(*fileNet);
    directory::setDirectory(std::make_shared<adsi::Directory>(dc));
    security::setAccountDirectory(dc);
    const QString db = tmp.path() + "/db/";
    QDir().mkpath(db);
    QFile t(db + "Template.dat"), s(db + "Site.dat");
    const QByteArray tb = test::staffTemplate({"ImpTeachers" + tag}, "ImpTeachers" + tag).encode();
    const QByteArray sb = test::mainSite().encode();
    if (!t.open(QIODevice::WriteOnly) || t.write(tb) != tb.size() || !s.open(QIODevice::WriteOnly) ||
        s.write(sb) != sb.size())
      return st.SkipWithError("cannot write the records");
    t.close();
    s.close();

    auto w = std::make_unique<mainwindow::form1>();
    w->dbpath->setText(db);
    w->Command_Line = QString();
    state::shared().Domain_Name = "example.local";
    if (!w->Connect_Domain("example.local")) return st.SkipWithError("cannot connect");
    w->Load_Databases();
    w->nutemplate->setCurrentIndex(0);
    w->NUsitename->setCurrentIndex(0);
    for (QTreeWidgetItemIterator it(w->TreeView1); *it; ++it)
      if ((*it)->data(0, mainwindow::form1::kNodeKeyRole).toString().compare(programOu, Qt::CaseInsensitive) == 0)
        w->TreeView1->setCurrentItem(*it);
    w->setupid->setText("%last%");
    w->defaultpassword->setText("Start-Pw1");
    w->FN_Format->setText("%first% %last%");
    w->Create_User_Account->setChecked(true);
    QByteArray csv, ldif;
    const QByteArray pw = QByteArray("\"Start-Pw1\"");
    QByteArray pw16;
    for (char c : pw) pw16 += QByteArray(1, c) + QByteArray(1, '\0');
    for (int i = 0; i < kUsers; ++i) {
      const QByteArray n = QByteArray::number(i);
      csv += "pupil,,p" + tag.toLatin1() + "n" + n + "\r\n";
      const QByteArray id = "l" + tag.toLatin1() + "n" + n;
      const QByteArray dn = "dn: CN=" + id + "," + ldapaddOu.toLatin1() + "\n";
      ldif += dn + "changetype: add\nobjectClass: user\nsAMAccountName: " + id + "\n\n";
      ldif += dn + "changetype: modify\nreplace: displayName\ndisplayName: Pupil " + id +
              "\n-\nreplace: givenName\ngivenName: Pupil\n-\nreplace: sn\nsn: " + id +
              "\n-\nreplace: logonHours\nlogonHours:: ////////////////////////////\n-\n\n";
      ldif += dn + "changetype: modify\nreplace: unicodePwd\nunicodePwd:: " + pw16.toBase64() + "\n-\n\n";
      ldif += dn +
              "changetype: modify\nreplace: pwdLastSet\npwdLastSet: -1\n-\nreplace: userAccountControl\n" +
              "userAccountControl: 512\n-\n\n";
      ldif += "dn: " + ldapGroup.toLatin1() + "\nchangetype: modify\nadd: member\nmember: CN=" + id + "," +
              ldapaddOu.toLatin1() + "\n-\n\n";
      ldif += dn + "changetype: modify\nreplace: primaryGroupID\nprimaryGroupID: " + ldapGroupRid + "\n-\n\n";
    }
    QFile c(tmp.path() + "/users.csv"), l(tmp.path() + "/users.ldif");
    if (!c.open(QIODevice::WriteOnly) || c.write(csv) != csv.size() || !l.open(QIODevice::WriteOnly) ||
        l.write(ldif) != ldif.size())
      return st.SkipWithError("cannot write the input");
    c.close();
    l.close();

    // The program.
    double cpu = cpuMs(RUSAGE_SELF);
    const adsi::Counts countsBefore = adsi::counts();
    QElapsedTimer clock;
    clock.start();
    const bool ok = w->Run_Import(c.fileName());
    const adsi::Counts cost = adsi::counts() - countsBefore;
    const double programS = double(clock.nsecsElapsed()) / 1e9;
    const double programCpu = cpuMs(RUSAGE_SELF) - cpu;
    if (!ok || state::shared().Users_Added_Count != kUsers)
      return st.SkipWithError(qPrintable(QString("the import created %1 users").arg(state::shared().Users_Added_Count)));

    // ldapmodify.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LDAPTLS_CACERT", test::testDcValue("TEST_DC_CACERT"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(QProcess::nullDevice());
    cpu = cpuMs(RUSAGE_CHILDREN);
    clock.restart();
    p.start("ldapmodify", {"-x", "-H", "ldaps://" + test::testDcValue("TEST_DC_HOST"), "-D",
                           test::testDcValue("TEST_DC_ADMIN"), "-w", test::testDcValue("TEST_DC_PASSWORD"),
                           "-f", l.fileName()});
    if (!p.waitForFinished(300000) || p.exitCode() != 0)
      return st.SkipWithError(
          qPrintable("ldapmodify failed: " + QString::fromLocal8Bit(p.readAllStandardError())));
    const double ldapmodifyS = double(clock.nsecsElapsed()) / 1e9;
    const double ldapmodifyCpu = cpuMs(RUSAGE_CHILDREN) - cpu;

    for (int i = 0; i < adsi::kCounterCount; ++i)
      st.counters[std::string(adsi::counterName(adsi::Counter(i))) + "/user"] = double(cost.n[i]) / kUsers;
    st.counters["program users/s"] = kUsers / programS;
    st.counters["ldapmodify users/s"] = kUsers / ldapmodifyS;
    st.counters["time ratio"] = programS / ldapmodifyS;
    st.counters["program client CPU ms/user"] = programCpu / kUsers;
    st.counters["ldapmodify client CPU ms/user"] = ldapmodifyCpu / kUsers;
    w.reset();
    for (const QString& ou : {programOu, ldapaddOu}) removeTree(**admin, ou);
  }
}
BENCHMARK(BM_ImportIntoTheDc)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  return tavrel::bench::runQtBenchmarks(argc, argv);
}
