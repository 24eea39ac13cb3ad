#include "DirectoryFixture.h"

#include <QDateTime>

namespace tavrel::test {

using namespace adsi;

namespace {

// The example.local part of the fixture's network, on either back end.
void populateExample(simnet::NetworkBuilder& b) {
  b.ou("example.local", "OU=Sales")
      .ou("example.local", "OU=East,OU=Sales")
      .user("example.local", "jsmith",
            simnet::UserSpec()
                .in("OU=Sales")
                .named("John Smith")
                .withPassword("Secret1")
                .with("givenName", "John")
                .with("sn", "Smith")
                .with("displayName", "John Smith")
                .with("userPrincipalName", "jsmith@example.local"))
      .user("example.local", "mjones", simnet::UserSpec().withPassword("Secret2"))
      .group("example.local", "Sales Team", simnet::GroupSpec().in("OU=Sales"))
      .member("example.local", "Sales Team", "jsmith");
}

}  // namespace

simnet::NetworkBuilder DirectoryFixture::populate() {
  return net ? simnet::NetworkBuilder(net) : simnet::NetworkBuilder(backend);
}

void DirectoryFixture::SetUp() {
  ASSERT_TRUE(tmp.isValid());
  if (realDc()) {
    REQUIRE_TEST_DC();
    dc = testDcBackend();
    backend = dc;
    Status reset = resetTestDc(*dc);
    ASSERT_TRUE(reset.ok()) << reset.error().message.toStdString();
    simnet::NetworkBuilder b(backend);
    populateExample(b);
    auto built = b.build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    dir = std::make_unique<Directory>(backend);
    return;
  }
  simnet::NetworkBuilder b(tmp.path());
  b.forest("example.local", "EXAMPLE", false, "DC1");
  populateExample(b);
  b.password("example.local", "Administrator", "AdminPw1")
      .childDomain("example.local", "branch.example.local", "BRANCH", true, "BDC1")
      .nt4Domain("OLDCORP", "OLDPDC")
      .user("OLDCORP", "jdoe", simnet::UserSpec().withPassword("Secret3").with("displayName", "Jane Doe"))
      .group("OLDCORP", "Accounts")
      .member("OLDCORP", "Accounts", "jdoe")
      .loggedOn("EXAMPLE", "Administrator");
  auto built = b.build();
  ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
  net = *built;
  backend = net;
  dir = std::make_unique<Directory>(net);
}

namespace {

// An administrator's connection to `domain` on the back end and the DN of `account` in it.
Result<std::pair<std::shared_ptr<DirectoryConnection>, Dn>> account(DirectoryBackend& b, const QString& domain,
                                                                     const QString& name) {
  auto conn = b.bind(domain, Protocol::Ldap, std::nullopt);
  if (!conn) return conn.error();
  SearchRequest req;
  req.base = (*conn)->server().defaultNamingContext;
  req.filter = QStringLiteral("(sAMAccountName=%1)").arg(name);
  req.attributes = {QStringLiteral("objectClass")};
  auto r = (*conn)->search(req);
  if (!r) return r.error();
  if (r->entries.isEmpty()) return makeError(hr::USER_NOT_FOUND, name);
  return std::make_pair(*conn, r->entries.first().dn);
}

}  // namespace

void DirectoryFixture::lockAccount(const QString& domain, const QString& name) {
  if (net) {
    ASSERT_TRUE(net->lockAccount(domain, name).ok());
    return;
  }
  // A DC locks an account whose lockoutTime is the present.
  auto a = account(*backend, domain, name);
  ASSERT_TRUE(a.ok()) << a.error().message.toStdString();
  const qint64 now = (QDateTime::currentSecsSinceEpoch() + 11644473600LL) * 10000000LL;
  Status s = a->first->modify(a->second, {{ModOp::Replace, QStringLiteral("lockoutTime"), {QByteArray::number(now)}}});
  ASSERT_TRUE(s.ok()) << s.error().message.toStdString();
}
void DirectoryFixture::setPolicy(const QString& domain, int minLength, bool complexity) {
  if (net) {
    ASSERT_TRUE(net->setPasswordPolicy(domain, {minLength, complexity}).ok());
    return;
  }
  auto conn = backend->bind(domain, Protocol::Ldap, std::nullopt);
  ASSERT_TRUE(conn.ok());
  Status s = (*conn)->modify((*conn)->server().defaultNamingContext,
                             {{ModOp::Replace, QStringLiteral("minPwdLength"), {QByteArray::number(minLength)}},
                              {ModOp::Replace, QStringLiteral("pwdProperties"), {complexity ? "1" : "0"}}});
  ASSERT_TRUE(s.ok()) << s.error().message.toStdString();
}
void DirectoryFixture::refuseNextCommit() {
  ASSERT_TRUE(net) << "a real DC cannot be told to refuse a commit: mark the test SIMNET_ONLY";
  net->refuseNextCommit();
}
void DirectoryFixture::setReachable(const QString& name, bool reachable) {
  if (net) {
    ASSERT_TRUE(net->setReachable(name, reachable).ok());
    return;
  }
  // The test domain has one DC, so the domain and its DC go together, by every name. Nothing
  // listens on port 9 of the loopback.
  Q_UNUSED(name);
  for (const char* alias : {"example.local", "example", "dc1", "dc1.example.local"})
    dc->setHost(QString::fromLatin1(alias), reachable ? testDcValue("TEST_DC_HOST") : QStringLiteral("127.0.0.1:9"));
}
void DirectoryFixture::setSizeLimit(int limit) {
  ASSERT_TRUE(net) << "a Samba DC does not enforce a size limit: mark the test SIMNET_ONLY";
  ASSERT_TRUE(net->setSizeLimit(limit).ok());
}

std::unique_ptr<Directory> DirectoryFixture::freshDirectory() {
  return std::make_unique<Directory>(backend);
}
QString DirectoryFixture::loggedOnUser() {
  auto who = backend->loggedOnAccount();
  return who ? who->domain + u'\\' + who->user : QString();
}
quint32 DirectoryFixture::logOn(const QString& domain, const QString& user) {
  if (!net) {
    ADD_FAILURE() << "the test DC's identity is configured, not switched: mark the test SIMNET_ONLY";
    return hr::E_FAIL;
  }
  return net->setLoggedOnUser({domain, user}).code();
}

AdsObject DirectoryFixture::bind(const QString& path) {
  auto o = dir->GetObject(path);
  EXPECT_TRUE(o.ok()) << path.toStdString() << ": " << o.error().hex().toStdString() << " "
                      << o.error().message.toStdString();
  return o.ok() ? *o : AdsObject();
}

quint32 DirectoryFixture::bindCode(const QString& path) {
  return dir->GetObject(path).code();
}

}  // namespace tavrel::test
