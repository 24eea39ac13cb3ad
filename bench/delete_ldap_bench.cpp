// Deleting 1,000 users of one OU on the test DC through the LDAP back end (the directory part of
// the bulk delete: the OU expanded, each user bound, read and deleted with its Log.txt block)
// beside ldapdelete removing 1,000 such users in one process. Reports the seconds of each and
// their ratio. The users are made with ldapadd before each; the OU is removed at the end.
//   set -a; . /tmp/tdc/env; set +a; flock /tmp/tavrel-dc.lock build/bench/delete_ldap_bench

#include "BenchSupport.h"

#include "bulk/DeleteUser.h"
#include "bulk/Expander.h"
#include "directory/DirectoryService.h"
#include "state/SharedState.h"
#include "support/TestDc.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using namespace tavrel;

constexpr int kUsers = 1000;
const QString kOu = QStringLiteral("OU=DeleteBench,DC=example,DC=local");

class QuietHost : public bulk::RunHost {
 public:
  void status(const QString&) override {}
  void logRow(const QString&, const QString&) override {}
  void beep() override {}
  bool keepGoing() override { return true; }
  bool confirm(const QString&) override { return true; }
};

QString userDn(int i) {
  return QStringLiteral("CN=db%1,").arg(i) + kOu;
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

QByteArray addLdif(bool withOu) {
  const QByteArray pw = "\"Bench-Pw1x!\"";
  QByteArray pw16;
  for (char c : pw) pw16 += QByteArray(1, c) + QByteArray(1, '\0');
  QByteArray add = withOu ? "dn: " + kOu.toUtf8() + "\nobjectClass: organizationalUnit\n\n" : QByteArray();
  for (int i = 0; i < kUsers; ++i)
    add += "dn: " + userDn(i).toUtf8() + "\nobjectClass: user\nsAMAccountName: db" + QByteArray::number(i) +
           "\nuserAccountControl: 512\nunicodePwd:: " + pw16.toBase64() + "\n\n";
  return add;
}

void BM_DcDelete(benchmark::State& st) {
  const QString why = test::testDcUnavailable();
  if (!why.isEmpty()) return st.SkipWithError(qPrintable(why));
  auto backend = test::testDcBackend();
  directory::setDirectory(std::make_shared<adsi::Directory>(backend));
  state::SharedState& sh = state::shared();
  sh.Directory_Mode = 0;
  sh.Domain_Name = "example.local";
  sh.NetBIOS_Domain = "EXAMPLE";
  QTemporaryDir tmp;
  writeFile(tmp.path() + "/add-ou.ldif", addLdif(true));
  writeFile(tmp.path() + "/add.ldif", addLdif(false));
  QByteArray del;
  for (int i = 0; i < kUsers; ++i) del += userDn(i).toUtf8() + "\n";
  writeFile(tmp.path() + "/delete.txt", del);
  client("ldapadd", {}, tmp.path() + "/add-ou.ldif");

  for (auto _ : st) {
    QuietHost host;
    bulk::DeleteOptions o;
    o.dbpath = tmp.path() + "/";
    o.noPrompting = true;
    sh.Bulk_Delete_Running = -1;
    sh.Bulk_Delete_Data = sh.Bulk_Delete_Mail = sh.Bulk_Run_Command = 0;
    int deleted = 0;
    QElapsedTimer clock;
    clock.start();
    bulk::expand(bulk::ListItem{kOu, "DeleteBench", "OU", false, 0}, bulk::ExpandPolicy::remove(),
                 [&](const bulk::UserRef& u) {
                   deleted += bulk::Delete_One_User(u.path, o, host) ? 1 : 0;
                   return true;
                 });
    const double program = double(clock.nsecsElapsed()) / 1e9;
    sh.Bulk_Delete_Running = 0;
    if (deleted != kUsers) st.SkipWithError(qPrintable(QString("%1 deleted").arg(deleted)));
    client("ldapadd", {}, tmp.path() + "/add.ldif");
    const double ldapdelete = client("ldapdelete", {}, tmp.path() + "/delete.txt");
    st.counters["program s"] = program;
    st.counters["ldapdelete s"] = ldapdelete;
    st.counters["ratio"] = program / ldapdelete;
  }
  writeFile(tmp.path() + "/delete-ou.txt", kOu.toUtf8() + "\n");
  client("ldapdelete", {}, tmp.path() + "/delete-ou.txt");
  directory::setDirectory(nullptr);
}
BENCHMARK(BM_DcDelete)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  return tavrel::bench::runQtBenchmarks(argc, argv);
}
