// The LDAP back end against the test DC: what only a real directory shows (TLS verification,
// Kerberos, the bind-name forms AD accepts, its error texts, the DACL behind "cannot change
// password", its own schema, paging past references). The provider-level behaviour both back
// ends share is in the directory conformance suite.

#include "platform/adsi/Counters.h"
#include "platform/adsi/Directory.h"
#include "platform/adsi/Properties.h"
#include "platform/ldap/SecurityDescriptor.h"
#include "support/TestDc.h"

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

using namespace adsi;
namespace tl = tavrel::ldap;

class TestDc : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_TEST_DC();
    dc = testDcBackend();
    Status s = resetTestDc(*dc);
    ASSERT_TRUE(s.ok()) << s.error().message.toStdString();
    auto c = dc->bind(QString(), Protocol::Ldap, std::nullopt);
    ASSERT_TRUE(c.ok()) << c.error().message.toStdString();
    conn = *c;
    base = conn->server().defaultNamingContext;
    ou = base.child(Rdn("OU", "DcTest"));
    ASSERT_TRUE(conn->add(ou, {{"objectClass", {"organizationalUnit"}}}).ok());
  }

  // A user in OU=DcTest with a password, enabled.
  Dn user(const QString& name, const QString& password = QStringLiteral("Secret1")) {
    const Dn dn = ou.child(Rdn("CN", name));
    EXPECT_TRUE(conn->add(dn, {{"objectClass", {"user"}}, {"sAMAccountName", {name.toUtf8()}}}).ok());
    EXPECT_TRUE(conn->setPassword(dn, password).ok());
    EXPECT_TRUE(conn->modify(dn, {{ModOp::Replace, "userAccountControl", {"512"}},
                                  {ModOp::Replace, "pwdLastSet", {"-1"}}})
                    .ok());
    return dn;
  }

  quint32 bindAs(const QString& who, const QString& password) {
    return dc->bind(QString(), Protocol::Ldap, Credentials{who, password}).code();
  }

  std::shared_ptr<tl::LdapBackend> dc;
  std::shared_ptr<DirectoryConnection> conn;
  Dn base;
  Dn ou;
};

// A bind asked for again while its connection lives gets that connection, without locating the
// server or connecting; another identity gets its own; a host changed since is located again.
TEST_F(TestDc, ABindAskedForAgainReusesItsConnectionUntilTheHostChanges) {
  const Credentials admin{testDcValue("TEST_DC_ADMIN"), testDcValue("TEST_DC_PASSWORD")};
  const Counts before = counts();
  auto again = dc->bind(QString(), Protocol::Ldap, std::nullopt);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again->get(), conn.get());
  auto named = dc->bind("example.local", Protocol::Ldap, std::nullopt);
  ASSERT_TRUE(named.ok());
  EXPECT_EQ(named->get(), conn.get()) << "the same server, reached by its domain's name";
  EXPECT_EQ((counts() - before)[Counter::Connections], 0u);
  auto asAdmin = dc->bind("example.local", Protocol::Ldap, admin);
  ASSERT_TRUE(asAdmin.ok()) << asAdmin.error().message.toStdString();
  EXPECT_NE(asAdmin->get(), conn.get());
  EXPECT_EQ(dc->bind("example.local", Protocol::Ldap, admin)->get(), asAdmin->get());
  EXPECT_EQ(dc->bind("example.local", Protocol::Ldap, Credentials{admin.user, "wrong"}).code(),
            hr::LOGON_FAILURE)
      << "another password is another identity";
  EXPECT_EQ((counts() - before)[Counter::Connections], 2u);

  // The domain's name now leads nowhere: the live connections do not answer for it.
  dc->setHost("example.local", "127.0.0.1:9");
  EXPECT_EQ(dc->bind("example.local", Protocol::Ldap, std::nullopt).code(), hr::SERVER_DOWN);
  EXPECT_EQ(dc->bind("example.local", Protocol::Ldap, admin).code(), hr::SERVER_DOWN);
  dc->setHost("example.local", testDcValue("TEST_DC_HOST"));
  const Counts back = counts();
  EXPECT_EQ(dc->bind("example.local", Protocol::Ldap, admin)->get(), asAdmin->get());
  EXPECT_EQ((counts() - back)[Counter::Connections], 0u);
}

TEST_F(TestDc, CertificatesAreVerified) {
  auto withCa = [](const QString& ca) {
    tl::LdapConfig c = testDcBackend()->config();
    c.caFile = ca;
    return std::make_shared<tl::LdapBackend>(c)->bind(QString(), Protocol::Ldap, std::nullopt).code();
  };
  EXPECT_EQ(withCa(testDcValue("TEST_DC_CACERT")), hr::S_OK);
  // The DC's certificate is signed by the test CA alone: the system store does not trust it,
  // nor does a CA that is not the signer.
  EXPECT_EQ(withCa(QString()), hr::SERVER_DOWN);
  EXPECT_EQ(withCa(QStringLiteral("/etc/ssl/certs/ca-certificates.crt")), hr::SERVER_DOWN);
  // StartTLS verifies the same way.
  tl::LdapConfig c = testDcBackend()->config();
  c.transport = tl::Transport::StartTls;
  EXPECT_EQ(std::make_shared<tl::LdapBackend>(c)->bind(QString(), Protocol::Ldap, std::nullopt).code(), hr::S_OK);
  c.caFile.clear();
  EXPECT_EQ(std::make_shared<tl::LdapBackend>(c)->bind(QString(), Protocol::Ldap, std::nullopt).code(),
            hr::SERVER_DOWN);
}

TEST_F(TestDc, KerberosBindSealsTheConnectionAndKnowsWhoItIs) {
  auto krb = testDcBackend(true);
  auto c = krb->bind(QString(), Protocol::Ldap, std::nullopt);
  ASSERT_TRUE(c.ok()) << c.error().message.toStdString();
  EXPECT_EQ((*c)->server().domain.netbiosName, "EXAMPLE");
  auto who = krb->loggedOnAccount();
  ASSERT_TRUE(who);
  EXPECT_EQ(who->domain, "EXAMPLE");
  EXPECT_EQ(who->user.toLower(), "administrator");
  // Sealed: a password may be sent.
  const Dn dn = user("krbuser");
  EXPECT_EQ((*c)->setPassword(dn, "Another1").code(), hr::S_OK);
  EXPECT_EQ(bindAs("EXAMPLE\\krbuser", "Another1"), hr::S_OK);
}

TEST_F(TestDc, BindNamesAreRewrittenToFormsAdAccepts) {
  user("ann");
  for (const char* who : {"EXAMPLE\\ann", "example.local\\ann", "ann@example.local", "ann",
                          "CN=ann,OU=DcTest,DC=example,DC=local"})
    EXPECT_EQ(bindAs(QString::fromLatin1(who), "Secret1"), hr::S_OK) << who;
  EXPECT_EQ(bindAs("EXAMPLE\\ann", "wrong"), hr::LOGON_FAILURE);
  // An empty password would be an anonymous bind that "succeeds": it is refused.
  EXPECT_EQ(bindAs("EXAMPLE\\ann", ""), hr::LOGON_FAILURE);
  // Must change its password (data 773) and locked out (data 775) are logon failures too.
  const Dn bob = user("bob");
  ASSERT_TRUE(conn->modify(bob, {{ModOp::Replace, "pwdLastSet", {"0"}}}).ok());
  auto r = dc->bind(QString(), Protocol::Ldap, Credentials{"EXAMPLE\\bob", "Secret1"});
  EXPECT_EQ(r.code(), hr::LOGON_FAILURE);
  EXPECT_TRUE(r.error().message.contains("773")) << r.error().message.toStdString();
}

TEST_F(TestDc, TheDcsErrorsBecomeTheProgramsCodes) {
  user("dup");
  struct Case {
    const char* what;
    Status status;
    quint32 code;
  };
  ASSERT_TRUE(conn->modify(base, {{ModOp::Replace, "minPwdLength", {"7"}}}).ok());
  const Dn shortPw = ou.child(Rdn("CN", "shortpw"));
  ASSERT_TRUE(conn->add(shortPw, {{"objectClass", {"user"}}, {"sAMAccountName", {"shortpw"}}}).ok());
  const Case cases[] = {
      {"duplicate sAMAccountName",
       conn->add(ou.child(Rdn("CN", "dup2")), {{"objectClass", {"user"}}, {"sAMAccountName", {"DUP"}}}),
       hr::ALREADY_EXISTS},
      {"password too short", conn->setPassword(shortPw, "abc"), hr::PASSWORD_POLICY},
      {"non-leaf delete", conn->remove(ou), hr::NOT_ON_NON_LEAF},
      {"missing object", conn->remove(ou.child(Rdn("CN", "nobody"))), hr::NO_SUCH_OBJECT},
      {"unknown attribute", conn->modify(shortPw, {{ModOp::Replace, "frobnicator", {"1"}}}), hr::NO_ATTRIBUTE_OR_VALUE},
      {"single-valued twice", conn->modify(shortPw, {{ModOp::Replace, "displayName", {"a", "b"}}}),
       hr::ATTRIBUTE_OR_VALUE_EXISTS},
      {"pwdLastSet other than 0 or -1", conn->modify(shortPw, {{ModOp::Replace, "pwdLastSet", {"5"}}}), hr::DS_GENERIC},
  };
  for (const Case& c : cases) EXPECT_EQ(c.status.code(), c.code) << c.what << ": " << c.status.error().message.toStdString();

  // Unreachable: nothing listens there.
  dc->setHost("nowhere.example", "127.0.0.1:9");
  EXPECT_EQ(dc->bind("nowhere.example", Protocol::Ldap, std::nullopt).code(), hr::SERVER_DOWN);
  // The global catalog is read-only.
  auto gc = dc->bind(QString(), Protocol::GlobalCatalog, std::nullopt);
  ASSERT_TRUE(gc.ok()) << gc.error().message.toStdString();
  EXPECT_EQ((*gc)->modify(shortPw, {{ModOp::Replace, "description", {"x"}}}).code(), hr::UNWILLING_TO_PERFORM);
}

TEST_F(TestDc, CannotChangePasswordIsKeptInTheDacl) {
  const Dn dn = user("locked-pw");
  Directory dir(dc);
  auto nt = dir.GetObject("WinNT://EXAMPLE/locked-pw,user");
  ASSERT_TRUE(nt.ok()) << nt.error().message.toStdString();
  auto flags = nt->Get("UserFlags");
  ASSERT_TRUE(flags.ok());
  EXPECT_EQ(flags->toInt() & uac::PASSWD_CANT_CHANGE, 0);
  ASSERT_TRUE(nt->Put("UserFlags", flags->toInt() | uac::PASSWD_CANT_CHANGE).ok());
  Status s = nt->SetInfo();
  ASSERT_TRUE(s.ok()) << s.error().message.toStdString();

  // The directory holds the two deny ACEs, not the bit.
  auto sd = conn->read(dn, {"nTSecurityDescriptor", "userAccountControl"});
  ASSERT_TRUE(sd.ok());
  EXPECT_EQ(tl::deniesPasswordChange(sd->first("nTSecurityDescriptor")), true);
  EXPECT_EQ(sd->first("userAccountControl").toInt() & uac::PASSWD_CANT_CHANGE, 0);
  auto again = Directory(dc).GetObject("WinNT://EXAMPLE/locked-pw,user");
  ASSERT_TRUE(again.ok());
  EXPECT_NE(again->Get("UserFlags")->toInt() & uac::PASSWD_CANT_CHANGE, 0);
  auto ldapView = Directory(dc).GetObject("LDAP://example.local/" + dn.toString());
  ASSERT_TRUE(ldapView.ok());
  EXPECT_NE(ldapView->Get("userAccountControl")->toInt() & uac::PASSWD_CANT_CHANGE, 0);

  ASSERT_TRUE(again->Put("UserFlags", again->Get("UserFlags")->toInt() & ~uac::PASSWD_CANT_CHANGE).ok());
  ASSERT_TRUE(again->SetInfo().ok());
  auto cleared = conn->read(dn, {"nTSecurityDescriptor"});
  ASSERT_TRUE(cleared.ok());
  EXPECT_EQ(tl::deniesPasswordChange(cleared->first("nTSecurityDescriptor")), false);
}

TEST_F(TestDc, TheSchemaIsTheDcsOwn) {
  Directory dir(dc);
  auto cls = dir.GetObject("LDAP://Schema/User");
  ASSERT_TRUE(cls.ok()) << cls.error().message.toStdString();
  auto optional = cls->OptionalProperties();
  ASSERT_TRUE(optional.ok());
  // Attributes the built-in table does not know, from the user class's auxiliary classes too.
  for (const char* a : {"msTSHomeDirectory", "msTSMaxIdleTime", "legacyExchangeDN", "homeDirectory", "mail"})
    EXPECT_TRUE(optional->contains(QString::fromLatin1(a), Qt::CaseInsensitive)) << a;
  EXPECT_FALSE(optional->contains("objectSid", Qt::CaseInsensitive));  // system-only
  auto mandatory = cls->MandatoryProperties();
  ASSERT_TRUE(mandatory.ok());
  EXPECT_TRUE(mandatory->contains("sAMAccountName", Qt::CaseInsensitive));

  auto prop = dir.GetObject("LDAP://Schema/msTSMaxIdleTime");
  ASSERT_TRUE(prop.ok());
  EXPECT_EQ(prop->Get("Syntax")->toString(), "Integer");
  EXPECT_EQ(prop->Get("MultiValued")->toBool(), false);

  // Values are converted by that schema: an integer attribute the built-in table lacks.
  const Dn dn = user("tsuser");
  auto u = dir.GetObject("LDAP://example.local/" + dn.toString());
  ASSERT_TRUE(u.ok());
  ASSERT_TRUE(u->Put("msTSMaxIdleTime", 15).ok());
  ASSERT_TRUE(u->SetInfo().ok());
  auto back = Directory(dc).GetObject("LDAP://example.local/" + dn.toString());
  ASSERT_TRUE(back.ok());
  auto v = back->Get("msTSMaxIdleTime");
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v->typeId(), QMetaType::Int);
  EXPECT_EQ(v->toInt(), 15);
}

TEST_F(TestDc, SearchesPageAndSkipReferences) {
  for (int i = 0; i < 7; ++i) user(QStringLiteral("pg%1").arg(i));
  SearchRequest req;
  req.base = ou;
  req.filter = "(objectClass=user)";
  req.attributes = {"sAMAccountName"};
  req.pageSize = 3;
  QStringList names;
  int pages = 0;
  do {
    auto page = conn->search(req);
    ASSERT_TRUE(page.ok()) << page.error().message.toStdString();
    ++pages;
    for (const Entry& e : page->entries) names.append(QString::fromUtf8(e.first("sAMAccountName")));
    req.cookie = page->cookie;
  } while (!req.cookie.isEmpty() && pages < 10);
  EXPECT_EQ(pages, 3);
  names.sort();
  EXPECT_EQ(names, QStringList({"pg0", "pg1", "pg2", "pg3", "pg4", "pg5", "pg6"}));

  // From the domain root the DC refers to the configuration partition: skipped, not an error.
  SearchRequest all;
  all.base = base;
  all.filter = "(objectClass=organizationalUnit)";
  all.attributes = {"ou"};
  auto r = conn->search(all);
  ASSERT_TRUE(r.ok()) << r.error().message.toStdString();
  EXPECT_TRUE(std::any_of(r->entries.begin(), r->entries.end(), [&](const Entry& e) { return e.dn == ou; }));
  // A client size limit cuts the result and says so.
  req.pageSize = 0;
  req.cookie.clear();
  req.sizeLimit = 4;
  auto cut = conn->search(req);
  ASSERT_TRUE(cut.ok());
  EXPECT_EQ(cut->entries.size(), 4);
  EXPECT_TRUE(cut->sizeLimitExceeded);
}

TEST_F(TestDc, BrowsingListsTheForestsDomainsByNetbiosName) {
  auto domains = dc->browseDomains();
  ASSERT_EQ(domains.size(), 1);
  EXPECT_EQ(domains.first().netbiosName, "EXAMPLE");
  EXPECT_EQ(domains.first().dnsName, "example.local");
  EXPECT_EQ(domains.first().kind, DomainKind::ActiveDirectory);
  Directory dir(dc);
  // A NetBIOS name that is no AD domain here is a domain that cannot be contacted.
  EXPECT_EQ(dir.GetObject("WinNT://OLDCORP/jdoe").code(), hr::NO_SUCH_DOMAIN);
}

}  // namespace
}  // namespace tavrel::test
