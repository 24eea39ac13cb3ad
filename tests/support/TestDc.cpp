#include "support/TestDc.h"

#include "platform/adsi/Dn.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>

namespace tavrel::test {

using namespace adsi;

QString testDcValue(const char* name) {
  return qEnvironmentVariable(name);
}

bool onTestDc() {
  return qEnvironmentVariable("TAVREL_TEST_BACKEND") == QLatin1String("samba");
}

QString testDcUnavailable() {
  if (testDcValue("TEST_DC_HOST").isEmpty())
    return QStringLiteral("no test DC is running (scripts/test starts one; TEST_DC_HOST is not set)");
  if (!QFileInfo::exists(testDcValue("TEST_DC_CACERT")))
    return QStringLiteral("the test DC's CA certificate %1 is missing").arg(testDcValue("TEST_DC_CACERT"));
  return QString();
}

std::shared_ptr<tavrel::ldap::LdapBackend> testDcBackend(bool gssapi) {
  tavrel::ldap::LdapConfig c;
  c.domain = QStringLiteral("example.local");
  const QString host = testDcValue("TEST_DC_HOST");
  for (const char* name : {"example.local", "example", "dc1", "dc1.example.local"})
    c.hosts.insert(QString::fromLatin1(name), host);
  c.caFile = testDcValue("TEST_DC_CACERT");
  c.timeoutSeconds = 10;
  if (gssapi) {
    c.bind = tavrel::ldap::BindMethod::Gssapi;
    qputenv("KRB5_CONFIG", testDcValue("TEST_DC_KRB5_CONFIG").toUtf8());
    qputenv("KRB5CCNAME", testDcValue("TEST_DC_KRB5CCNAME").toUtf8());
  } else {
    c.bind = tavrel::ldap::BindMethod::Simple;
    c.user = testDcValue("TEST_DC_ADMIN");
    c.password = testDcValue("TEST_DC_PASSWORD");
  }
  return std::make_shared<tavrel::ldap::LdapBackend>(c);
}

Status resetTestDc(DirectoryBackend& dc) {
  auto conn = dc.bind(QString(), Protocol::Ldap, std::nullopt);
  if (!conn) return conn.error();
  const Dn domain = (*conn)->server().defaultNamingContext;
  const QString base = testDcValue("TEST_DC_BASE_USN");
  if (base.isEmpty()) return makeError(hr::E_INVALIDARG, QStringLiteral("TEST_DC_BASE_USN is not set"));

  SearchRequest req;
  req.base = domain;
  req.filter = QStringLiteral("(uSNCreated>=%1)").arg(base.toLongLong() + 1);
  req.attributes = {QStringLiteral("objectClass")};
  auto created = (*conn)->search(req);
  if (!created) return created.error();
  QList<Dn> doomed;
  for (const Entry& e : created->entries) doomed.append(e.dn);
  // Children before their parents; a group that is still someone's primary group goes once that
  // account has gone, in a later round.
  std::sort(doomed.begin(), doomed.end(), [](const Dn& a, const Dn& b) { return a.depth() > b.depth(); });
  for (int round = 0; !doomed.isEmpty(); ++round) {
    QList<Dn> left;
    Status last;
    for (const Dn& dn : std::as_const(doomed))
      if (Status s = (*conn)->remove(dn); !s && s.code() != hr::NO_SUCH_OBJECT) {
        left.append(dn);
        last = s;
      }
    if (left.size() == doomed.size() || round == 5) return last;
    doomed = left;
  }

  // The policy scripts/test-dc set, and no lockout.
  return (*conn)->modify(domain, {{ModOp::Replace, QStringLiteral("minPwdLength"), {"1"}},
                                  {ModOp::Replace, QStringLiteral("pwdProperties"), {"0"}},
                                  {ModOp::Replace, QStringLiteral("lockoutThreshold"), {"0"}}});
}

}  // namespace tavrel::test
