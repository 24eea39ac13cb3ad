// The bulk window's operations on the test DC through the LDAP back end, each beside the OpenLDAP
// client doing the same work in one process: disabling 1,000 users of one OU vs ldapmodify applying
// the same 1,000 userAccountControl changes, and the expiry scan of the same 1,000 listed users vs
// ldapsearch reading their accountExpires. Reports the seconds of each and their ratio; the
// server bounds both. Both disables change enabled accounts: the users are enabled again (not
// timed) before ldapmodify runs, since the DC takes a write that changes nothing in about half the
// time of one that does. The directory requests the program sent per user are printed. The OU is
// made with ldapadd and removed at the end.
//   set -a; . /tmp/tdc/env; set +a; flock /tmp/tavrel-dc.lock build/bench/bulk_ldap_bench

#include "BenchSupport.h"

#include "bulk/AccountOps.h"
#include "bulk/Catalogue.h"
#include "directory/DirectoryService.h"
#include "platform/adsi/Counters.h"
#include "state/SharedState.h"
#include "support/TestDc.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using namespace tavrel;

constexpr int kUsers = 1000;
const QString kOu = QStringLiteral("OU=BulkBench,DC=example,DC=local");

class QuietHost : public bulk::RunHost {
 public:
  void status(const QString&) override {}
  void logRow(const QString&, const QString&) override {}
  void beep() override {}
  bool keepGoing() override { return true; }
  bool confirm(const QString&) override { return true; }
};

QString userDn(int i) {
  return QStringLiteral("CN=bb%1,").arg(i) + kOu;
}

// Runs an OpenLDAP client against the DC with the administrator's simple bind; seconds taken.
double client(const QString& program, QStringList args, const QString& input = QString()) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("LDAPTLS_CACERT", test::testDcValue("TEST_DC_CACERT"));
  QProcess p;
  p.setProcessEnvironment(env);
  p.setStandardOutputFile(QProcess::nullDevice());
  args = QStringList{"-x",
                     "-H",
                     "ldaps://" + test::testDcValue("TEST_DC_HOST"),
                     "-D",
                     test::testDcValue("TEST_DC_ADMIN"),
                     "-w",
                     test::testDcValue("TEST_DC_PASSWORD")} +
         args;
  if (!input.isEmpty()) args << "-f" << input;
  QElapsedTimer clock;
  clock.start();
  p.start(program, args);
  if (!p.waitForFinished(600000) || p.exitCode() != 0)
    bench::die(program + " failed: " + QString::fromLocal8Bit(p.readAllStandardError()));
  return double(clock.nsecsElapsed()) / 1e9;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  bench::write(path, bytes);
}

void BM_DcDisableAndExpiry(benchmark::State& st) {
  const QString why = test::testDcUnavailable();
  if (!why.isEmpty()) return st.SkipWithError(qPrintable(why));
  auto backend = test::testDcBackend();
  directory::setDirectory(std::make_shared<adsi::Directory>(backend));
  state::SharedState& sh = state::shared();
  sh.Directory_Mode = 0;
  sh.Domain_Name = "example.local";
  sh.NetBIOS_Domain = "EXAMPLE";
  QTemporaryDir tmp;

  const QByteArray pw = "\"Bench-Pw1x!\"";
  QByteArray pw16;
  for (char c : pw) pw16 += QByteArray(1, c) + QByteArray(1, '\0');
  QByteArray add = "dn: " + kOu.toUtf8() + "\nobjectClass: organizationalUnit\n\n";
  QByteArray modify;
  QByteArray enable;
  for (int i = 0; i < kUsers; ++i) {
    const QByteArray dn = userDn(i).toUtf8();
    add += "dn: " + dn + "\nobjectClass: user\nsAMAccountName: bb" + QByteArray::number(i) +
           "\nuserAccountControl: 512\nunicodePwd:: " + pw16.toBase64() + "\n\n";
    modify +=
        "dn: " + dn + "\nchangetype: modify\nreplace: userAccountControl\nuserAccountControl: 514\n-\n\n";
    enable +=
        "dn: " + dn + "\nchangetype: modify\nreplace: userAccountControl\nuserAccountControl: 512\n-\n\n";
  }
  writeFile(tmp.path() + "/add.ldif", add);
  writeFile(tmp.path() + "/modify.ldif", modify);
  writeFile(tmp.path() + "/enable.ldif", enable);
  client("ldapadd", {}, tmp.path() + "/add.ldif");

  bulk::Catalogue c;
  for (int i = 0; i < kUsers; ++i)
    c.users.add(QStringLiteral("bb%1").arg(i), "LDAP://example.local/" + userDn(i), "USER");

  for (auto _ : st) {
    QuietHost host;
    QElapsedTimer clock;
    const adsi::Counts before = adsi::counts();
    clock.start();
    const bulk::RunTotals t =
        bulk::enableDisable({bulk::ListItem{kOu, "BulkBench", "OU", false, 0}}, true, tmp.path() + "/", host);
    const double program = double(clock.nsecsElapsed()) / 1e9;
    const adsi::Counts cost = adsi::counts() - before;
    if (t.done != kUsers)
      st.SkipWithError(qPrintable(QString("%1 done, %2 failed").arg(t.done).arg(t.failed)));
    for (int i = 0; i < adsi::kCounterCount; ++i)
      if (adsi::Counter(i) != adsi::Counter::Transactions)
        st.counters[std::string("disable ") + adsi::counterName(adsi::Counter(i)) + "/user"] =
            double(cost.n[i]) / kUsers;
    client("ldapmodify", {}, tmp.path() + "/enable.ldif");
    const double ldapmodify = client("ldapmodify", {}, tmp.path() + "/modify.ldif");
    st.counters["disable program s"] = program;
    st.counters["disable ldapmodify s"] = ldapmodify;
    st.counters["disable ratio"] = program / ldapmodify;

    c.returnAll();
    clock.restart();
    const bulk::ScanResult r =
        bulk::scanAccounts(c, bulk::expiryTest(QDate(2100, 1, 1), c.users.items()), host, false);
    const double scan = double(clock.nsecsElapsed()) / 1e9;
    const double search = client(
        "ldapsearch", {"-LLL", "-E", "pr=500/noprompt", "-b", kOu, "(objectClass=user)", "accountExpires"});
    st.counters["expiry program s"] = scan;
    st.counters["expiry ldapsearch s"] = search;
    st.counters["expiry ratio"] = scan / search;
    st.counters["found"] = r.found;
  }
  // Remove what was made.
  QByteArray del;
  for (int i = 0; i < kUsers; ++i) del += userDn(i).toUtf8() + "\n";
  del += kOu.toUtf8() + "\n";
  writeFile(tmp.path() + "/delete.txt", del);
  client("ldapdelete", {}, tmp.path() + "/delete.txt");
  directory::setDirectory(nullptr);
}
BENCHMARK(BM_DcDisableAndExpiry)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  return tavrel::bench::runQtBenchmarks(argc, argv);
}
