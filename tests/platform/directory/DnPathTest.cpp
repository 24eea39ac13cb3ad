// Distinguished names (RFC 4514) and ADsPath parsing: the forms the program binds, and bad input.

#include "platform/adsi/AdsPath.h"
#include "platform/adsi/Dn.h"
#include "platform/adsi/Values.h"

#include <gtest/gtest.h>

namespace tavrel::adsi {
namespace {

TEST(Dn, CanonicalFormAndKeysOfDifferentSpellings) {
  struct Case {
    const char* in;
    const char* canonical;
  };
  const Case cases[] = {
      {"cn=John Smith,ou=Sales,dc=example,dc=local", "CN=John Smith,OU=Sales,DC=example,DC=local"},
      {"CN=John Smith, OU=Sales, DC=example, DC=local", "CN=John Smith,OU=Sales,DC=example,DC=local"},
      {"CN=Smith\\, John,OU=Sales", "CN=Smith\\, John,OU=Sales"},
      {"CN=Smith\\2C John;OU=Sales", "CN=Smith\\, John,OU=Sales"},
      {"CN=\\23hash,DC=x", "CN=\\#hash,DC=x"},
      {"CN=\\ lead and trail\\ ,DC=x", "CN=\\ lead and trail\\ ,DC=x"},
      {"CN=a\\+b\\=c\\<d\\>e\\\"f\\\\g,DC=x", "CN=a\\+b\\=c\\<d\\>e\\\"f\\\\g,DC=x"},
      {"CN=J\\C3\\BCrgen,DC=x", "CN=J\u00fcrgen,DC=x"},
      {"CN=a+UID=b,DC=x", "CN=a+UID=b,DC=x"},
      {"cn=trailing blanks   ,dc=x", "CN=trailing blanks,DC=x"},
      // a hex value, followed by blanks and any of the three separators
      {"CN=#4142 ,DC=x", "CN=AB,DC=x"},
      {"CN=#4142;DC=x", "CN=AB,DC=x"},
      {"CN=#41+UID=b,DC=x", "CN=A+UID=b,DC=x"},
  };
  for (const Case& c : cases) {
    auto dn = Dn::parse(QString::fromUtf8(c.in));
    ASSERT_TRUE(dn.ok()) << c.in << ": " << dn.error().message.toStdString();
    EXPECT_EQ(dn->toString(), QString::fromUtf8(c.canonical)) << c.in;
    auto again = Dn::parse(dn->toString());
    ASSERT_TRUE(again.ok()) << c.in;
    EXPECT_EQ(again->key(), dn->key()) << c.in;
    // A name kept as its formatted text answers as the parsed one does, parts included.
    const Dn stored = Dn::fromFormatted(dn->toString());
    EXPECT_EQ(stored.key(), dn->key()) << c.in;
    EXPECT_EQ(stored.depth(), dn->depth()) << c.in;
    EXPECT_EQ(stored.rdn().value(), dn->rdn().value()) << c.in;
    EXPECT_EQ(stored.parent().toString(), dn->parent().toString()) << c.in;
    EXPECT_TRUE(stored.isWithin(dn->parent())) << c.in;
  }
  EXPECT_TRUE(Dn::fromFormatted(QString()).isEmpty());
  EXPECT_EQ(Dn::parse("cn=A,dc=B")->key(), Dn::parse("CN=a, DC=b")->key());
}

TEST(Dn, MalformedNamesAreRefusedWithTheDnSyntaxError) {
  for (const char* bad : {"CN", "=x", "CN=", "CN=a,", ",CN=a", "CN=a,,DC=b", "CN=a\\", "CN=a=b", "CN=<x>",
                          "1 2=x", "CN=a,DC",
                          // after a hex value only a separator may follow
                          "CN=#41zDC=evil,DC=com", "CN=#41 z,DC=com", "CN=#4", "CN=#", "CN=#41=x"}) {
    auto dn = Dn::parse(QString::fromLatin1(bad));
    EXPECT_FALSE(dn.ok()) << bad;
    EXPECT_EQ(dn.code(), hr::INVALID_DN_SYNTAX) << bad;
  }
  EXPECT_FALSE(Rdn::parse("CN=a,DC=b").ok()) << "one RDN only";
  EXPECT_FALSE(Rdn::parse("").ok());
}

TEST(Dn, EscapedUserInputStaysOneRdn) {
  for (const char* name : {"Smith, John", "a=b", "x+y", "#lead", " space ", "back\\slash", "\"quoted\"",
                           "<tag>", "semi;colon"}) {
    const QString v = QString::fromLatin1(name);
    auto rdn = Rdn::parse(QStringLiteral("CN=") + escapeDnValue(v));
    ASSERT_TRUE(rdn.ok()) << name;
    EXPECT_EQ(rdn->value(), v) << name;
    auto dn = Dn::parse(rdn->toString() + QStringLiteral(",OU=Sales,DC=x"));
    ASSERT_TRUE(dn.ok()) << name;
    EXPECT_EQ(dn->depth(), 3) << name;
  }
}

TEST(Dn, DnsNamesAndAncestry) {
  const Dn d = Dn::fromDnsName("example.local");
  EXPECT_EQ(d.toString(), "DC=example,DC=local");
  EXPECT_EQ(d.dnsName(), "example.local");
  const Dn u = Dn::parse("CN=x,OU=Sales,DC=Example,DC=Local").value();
  EXPECT_TRUE(u.isWithin(d));
  EXPECT_FALSE(d.isWithin(u));
  EXPECT_EQ(u.parent().toString(), "OU=Sales,DC=Example,DC=Local");
}

TEST(AdsPath, EveryFormTheProgramBinds) {
  using K = AdsPath::Kind;
  struct Case {
    const char* path;
    Provider provider;
    K kind;
    const char* server;
    const char* dnOrName;
  };
  const Case cases[] = {
      {"WinNT:", Provider::WinNT, K::Namespace, "", ""},
      {"WinNT://EXAMPLE", Provider::WinNT, K::WinNTDomain, "", "EXAMPLE"},
      {"WinNT://EXAMPLE/jsmith", Provider::WinNT, K::WinNTObject, "", "jsmith"},
      {"WinNT://EXAMPLE/Domain Users,group", Provider::WinNT, K::WinNTObject, "", "Domain Users"},
      {"WinNT://example.local/jsmith,user", Provider::WinNT, K::WinNTObject, "", "jsmith"},
      {"GC:", Provider::GC, K::Namespace, "", ""},
      {"GC://example.local", Provider::GC, K::ServerOnly, "example.local", ""},
      {"LDAP://RootDSE", Provider::Ldap, K::RootDse, "", ""},
      {"LDAP://dc1.example.local/RootDSE", Provider::Ldap, K::RootDse, "dc1.example.local", ""},
      {"LDAP://cn=Partitions,CN=Configuration,DC=example,DC=local", Provider::Ldap, K::Object, "",
       "CN=Partitions,CN=Configuration,DC=example,DC=local"},
      {"LDAP://example.local", Provider::Ldap, K::ServerOnly, "example.local", ""},
      {"LDAP://OU=Sales,DC=example,DC=local", Provider::Ldap, K::Object, "", "OU=Sales,DC=example,DC=local"},
      {"LDAP://example.local/CN=John Smith,OU=Sales,DC=example,DC=local", Provider::Ldap, K::Object,
       "example.local", "CN=John Smith,OU=Sales,DC=example,DC=local"},
      {"LDAP://exch55:389/CN=Recipients,OU=Site,O=Org", Provider::Ldap, K::Object, "exch55:389",
       "CN=Recipients,OU=Site,O=Org"},
      {"LDAP://example.local/CN=a\\/b,DC=example,DC=local", Provider::Ldap, K::Object, "example.local",
       "CN=a/b,DC=example,DC=local"},
      {"LDAP://Schema/User", Provider::Ldap, K::Schema, "", "User"},
  };
  for (const Case& c : cases) {
    auto p = AdsPath::parse(QString::fromLatin1(c.path));
    ASSERT_TRUE(p.ok()) << c.path << ": " << p.error().message.toStdString();
    EXPECT_EQ(p->provider, c.provider) << c.path;
    EXPECT_EQ(p->kind, c.kind) << c.path;
    EXPECT_EQ(p->server, QString::fromLatin1(c.server)) << c.path;
    QString got;
    if (c.kind == K::Object) got = p->dn.toString();
    if (c.kind == K::WinNTObject) got = p->name;
    if (c.kind == K::WinNTDomain) got = p->domain;
    if (c.kind == K::Schema) got = p->schemaName;
    EXPECT_EQ(got, QString::fromLatin1(c.dnOrName)) << c.path;
  }
  EXPECT_EQ(AdsPath::parse("WinNT://EXAMPLE/Domain Users,group")->className, "group");
}

TEST(AdsPath, FormattingKeepsTheServerPartAndEscapesSlashes) {
  const Dn dn = Dn::parse("CN=a/b,OU=Sales,DC=example,DC=local").value();
  EXPECT_EQ(formatLdapPath(Provider::Ldap, "example.local", dn),
            "LDAP://example.local/CN=a\\/b,OU=Sales,DC=example,DC=local");
  EXPECT_EQ(formatLdapPath(Provider::Ldap, "", dn), "LDAP://CN=a\\/b,OU=Sales,DC=example,DC=local");
  auto round = AdsPath::parse(formatLdapPath(Provider::Ldap, "example.local", dn));
  ASSERT_TRUE(round.ok());
  EXPECT_EQ(round->dn, dn);
  EXPECT_EQ(formatWinNTPath("EXAMPLE", "jsmith"), "WinNT://EXAMPLE/jsmith");
}

TEST(AdsPath, BadPathsGiveTheirErrors) {
  struct Case {
    QString path;
    quint32 code;
  };
  const Case cases[] = {
      {"", hr::INVALID_SYNTAX},
      {"jsmith", hr::INVALID_SYNTAX},
      {"ldap://example.local", hr::INVALID_SYNTAX},  // provider names are case-sensitive
      {"FOO://x", hr::INVALID_SYNTAX},
      {"LDAP:/x", hr::BAD_PATHNAME},
      {"LDAP://", hr::BAD_PATHNAME},
      {"LDAP://example.local/", hr::BAD_PATHNAME},
      {"LDAP://CN=a,,DC=b", hr::BAD_PATHNAME},
      {"LDAP://bad server/CN=a", hr::BAD_PATHNAME},
      // an empty server part is refused, whatever follows it
      {"LDAP:///CN=x", hr::BAD_PATHNAME},
      {"GC:///DC=example,DC=local", hr::BAD_PATHNAME},
      {"LDAP:///Schema/a=b", hr::BAD_PATHNAME},
      {"LDAP:///RootDSE", hr::BAD_PATHNAME},
      {"LDAP:///", hr::BAD_PATHNAME},
      {"WinNT://", hr::BAD_PATHNAME},
      {"WinNT://EXAMPLE/", hr::BAD_PATHNAME},
      {"WinNT://EXAMPLE/a/b/c", hr::BAD_PATHNAME},
      {"WinNT://EXAMPLE/jsmith,", hr::BAD_PATHNAME},
      {QStringLiteral("LDAP://") + QString(3000, u'a'), hr::BAD_PATHNAME},
  };
  for (const Case& c : cases) {
    auto p = AdsPath::parse(c.path);
    EXPECT_FALSE(p.ok()) << c.path.left(40).toStdString();
    EXPECT_EQ(p.code(), c.code) << c.path.left(40).toStdString() << " gave " << p.error().hex().toStdString();
  }
}

TEST(Values, SidsFileTimesAndConversions) {
  const QByteArray sid = sidFromString("S-1-5-21-1004336348-1177238915-682003330-513");
  ASSERT_EQ(sid.size(), 28);
  EXPECT_EQ(sidToString(sid), "S-1-5-21-1004336348-1177238915-682003330-513");
  EXPECT_EQ(sidRid(sid), 513u);
  EXPECT_EQ(sidToString(sidWithRid(sidDomain(sid), 512)), "S-1-5-21-1004336348-1177238915-682003330-512");
  EXPECT_TRUE(sidFromString("S-1-5-x").isEmpty());
  EXPECT_EQ(sidToString(sidFromString("S-1-5-32-544")), "S-1-5-32-544");

  const QDateTime t(QDate(2002, 12, 9), QTime(14, 5, 33), Qt::UTC);
  EXPECT_EQ(dateTimeFromFileTime(fileTimeFromDateTime(t)), t);
  EXPECT_EQ(fileTimeFromDateTime(QDateTime(QDate(1601, 1, 1), QTime(0, 0), Qt::UTC)), 0);
  EXPECT_EQ(generalizedTime(t), "20021209140533.0Z");
  EXPECT_EQ(parseGeneralizedTime(generalizedTime(t)), t);

  EXPECT_EQ(encodeValue(Syntax::Integer, QVariant(QStringLiteral("42"))).value(), "42");
  EXPECT_EQ(encodeValue(Syntax::Integer, QVariant(0x80000002u)).value(), "-2147483646");
  EXPECT_EQ(encodeValue(Syntax::Integer, QVariant(QStringLiteral("x"))).code(), hr::CANT_CONVERT_DATATYPE);
  EXPECT_EQ(encodeValue(Syntax::Integer, QVariant(qint64(1) << 40)).code(), hr::CANT_CONVERT_DATATYPE);
  EXPECT_EQ(encodeValue(Syntax::Boolean, QVariant(true)).value(), "TRUE");
  EXPECT_EQ(encodeValue(Syntax::Octets, QVariant(QByteArray("\x01\x02", 2))).value(),
            QByteArray("\x01\x02", 2));
  EXPECT_EQ(decodeValue(Syntax::LargeInteger, "-1").toLongLong(), -1);
  EXPECT_EQ(decodeValue(Syntax::Integer, "-2147483646").toInt(), static_cast<int>(0x80000002u));
}

}  // namespace
}  // namespace tavrel::adsi
