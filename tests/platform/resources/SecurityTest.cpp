#include "ResourceNetwork.h"

#include "platform/adsi/Counters.h"
#include "platform/adsi/Dn.h"
#include "platform/security/AccountLookup.h"
#include "platform/security/Privileges.h"
#include "platform/security/SecurityDescriptor.h"

namespace tavrel::test {
namespace {

using namespace security;

QByteArray hex(const char* h) {
  return QByteArray::fromHex(QByteArray(h).replace(' ', ""));
}

struct SidCase {
  const char* text;
  const char* binary;
};

TEST(Sid, TextAndBinaryRoundTrip) {
  const SidCase cases[] = {
      {"S-1-1-0", "01 01 000000000001 00000000"},
      {"S-1-3-0", "01 01 000000000003 00000000"},
      {"S-1-5-18", "01 01 000000000005 12000000"},
      {"S-1-5-32-544", "01 02 000000000005 20000000 20020000"},
      {"S-1-5-21-1004336348-1177238915-682003330-1104",
       "01 05 000000000005 15000000 DCF4DC3B 833D2B46 828BA628 50040000"},
  };
  for (const SidCase& c : cases) {
    SCOPED_TRACE(c.text);
    auto fromText = Sid::fromString(QString::fromLatin1(c.text));
    ASSERT_TRUE(fromText);
    EXPECT_EQ(fromText->binary(), hex(c.binary));
    auto fromBinary = Sid::fromBinary(hex(c.binary));
    ASSERT_TRUE(fromBinary);
    EXPECT_EQ(fromBinary->toString(), QString::fromLatin1(c.text));
    EXPECT_EQ(fromBinary->hex(), QString::fromLatin1(c.binary).remove(u' ').toUpper());
    EXPECT_EQ(fromBinary->length(), hex(c.binary).size());
  }
}

TEST(Sid, WellKnownAndDomainParts) {
  EXPECT_EQ(wellknown::everyone().toString(), "S-1-1-0");
  EXPECT_EQ(wellknown::creatorOwner().toString(), "S-1-3-0");
  EXPECT_EQ(wellknown::localSystem().toString(), "S-1-5-18");
  EXPECT_EQ(wellknown::builtinAdministrators().toString(), "S-1-5-32-544");
  const Sid user = *Sid::fromString(QStringLiteral("S-1-5-21-10-20-30-1104"));
  EXPECT_EQ(user.rid(), 1104u);
  EXPECT_EQ(user.domain().toString(), "S-1-5-21-10-20-30");
  EXPECT_TRUE(user.domain().isPrefixOf(user));
  EXPECT_EQ(user.domain().withRid(rid::DOMAIN_USERS).toString(), "S-1-5-21-10-20-30-513");
  EXPECT_NE(user, user.domain());
  EXPECT_FALSE(Sid() == Sid());  // an invalid SID equals nothing
}

TEST(Sid, MalformedIsRefused) {
  for (const char* text : {"", "S-1", "S-2-5-18", "X-1-5-18", "S-1-5-4294967296", "S-1-281474976710656-1",
                           "S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16"})
    EXPECT_FALSE(Sid::fromString(QString::fromLatin1(text))) << text;
  EXPECT_FALSE(Sid::fromBinary(hex("01 02 000000000005 20000000")));      // one sub-authority short
  EXPECT_FALSE(Sid::fromBinary(hex("02 01 000000000005 12000000")));      // revision 2
  EXPECT_FALSE(Sid::fromBinary(hex("01 01 000000000005 12000000 00")));   // a byte too many
}

// Owner BUILTIN\Administrators, group SYSTEM, DACL: deny Everyone full access, allow SYSTEM read
// inherited by folders; laid out by hand.
const char* const kGolden =
    "01 00 04 80 44000000 54000000 00000000 14000000"
    "02 00 3000 0200 0000"
    "01 00 1400 FF011F00 01 01 000000000001 00000000"
    "00 02 1400 A9001200 01 01 000000000005 12000000"
    "01 02 000000000005 20000000 20020000"
    "01 01 000000000005 12000000";

SecurityDescriptor goldenDescriptor() {
  SecurityDescriptor sd;
  sd.owner = wellknown::builtinAdministrators();
  sd.group = wellknown::localSystem();
  Acl acl;
  acl.add(Ace::deny(wellknown::everyone(), access::FILE_ALL_ACCESS));
  acl.add(Ace::allow(wellknown::localSystem(), access::FILE_READ_EXECUTE, ace::CONTAINER_INHERIT));
  sd.dacl = acl;
  return sd;
}

TEST(SecurityDescriptor, SelfRelativeLayoutMatchesTheGoldenBytes) {
  const QByteArray golden = hex(kGolden);
  EXPECT_EQ(goldenDescriptor().toSelfRelative().toHex(' '), golden.toHex(' '));
  auto back = SecurityDescriptor::fromSelfRelative(golden);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, goldenDescriptor());
  EXPECT_EQ(back->toSelfRelative(), golden);
}

TEST(SecurityDescriptor, ControlFlagsAndAbsentPartsRoundTrip) {
  SecurityDescriptor shareSd;  // a share's: DACL only
  Acl acl;
  acl.add(Ace::allow(wellknown::everyone(), access::GENERIC_ALL));
  shareSd.dacl = acl;
  shareSd.flags = control::DACL_PROTECTED;
  const QByteArray bytes = shareSd.toSelfRelative();
  EXPECT_EQ(bytes.mid(2, 2), hex("04 90"));      // present, protected, self-relative
  EXPECT_EQ(bytes.mid(4, 8), hex("00000000 00000000"));  // no owner, no group
  auto back = SecurityDescriptor::fromSelfRelative(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, shareSd);
  SecurityDescriptor none;
  EXPECT_FALSE(SecurityDescriptor::fromSelfRelative(none.toSelfRelative())->dacl);
}

// Descriptors as another system writes them: read and written back, each keeps its bytes and
// what they mean.
TEST(SecurityDescriptor, NullAndEmptyDaclsAndAclRevisionsRoundTrip) {
  enum class Dacl { Absent, Null, List };
  struct Case {
    const char* name;
    const char* bytes;
    Dacl dacl;
    int aces;
    quint8 revision;
  };
  const Case cases[] = {
      {"NULL DACL: present, offset 0",
       "01 00 04 80 14000000 00000000 00000000 00000000 01 02 000000000005 20000000 20020000", Dacl::Null, 0,
       0},
      {"empty DACL", "01 00 04 80 00000000 00000000 00000000 14000000 02 00 0800 0000 0000", Dacl::List, 0,
       2},
      {"no DACL", "01 00 00 80 14000000 00000000 00000000 00000000 01 02 000000000005 20000000 20020000",
       Dacl::Absent, 0, 0},
      {"revision 4 with an object ACE",
       "01 00 04 80 00000000 00000000 00000000 14000000 04 00 3000 0100 0000"
       "05 00 2800 00010000 01000000 00112233445566778899AABBCCDDEEFF 01 01 000000000001 00000000",
       Dacl::List, 1, 4},
      {"revision 4 with plain ACEs only",
       "01 00 04 80 00000000 00000000 00000000 14000000 04 00 1C00 0100 0000 00 00 1400 FF011F00 01 01 "
       "000000000001 "
       "00000000",
       Dacl::List, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray bytes = hex(c.bytes);
    auto sd = SecurityDescriptor::fromSelfRelative(bytes);
    ASSERT_TRUE(sd);
    ASSERT_EQ(sd->dacl.has_value(), c.dacl != Dacl::Absent);
    if (sd->dacl) {
      EXPECT_EQ(sd->dacl->isNull(), c.dacl == Dacl::Null);
      EXPECT_EQ(sd->dacl->count(), c.aces);
      if (c.dacl == Dacl::List) {
        EXPECT_EQ(sd->dacl->revision(), c.revision);
      }
    }
    EXPECT_EQ(sd->toSelfRelative().toHex(' '), bytes.toHex(' '));
  }
  // A NULL DACL and an empty one are different values; an ACE added to a NULL DACL makes a list.
  EXPECT_NE(Acl::null(), Acl());
  Acl acl = Acl::null();
  acl.add(Ace::allow(wellknown::everyone(), access::FILE_READ_EXECUTE));
  EXPECT_FALSE(acl.isNull());
  EXPECT_EQ(acl.toBinary().left(1), hex("02"));
  // An object ACE added to a revision-2 list raises the revision it is written with.
  auto objectAcl =
      Acl::fromBinary(hex("04 00 3000 0100 0000 05 00 2800 00010000 01000000 "
                          "00112233445566778899AABBCCDDEEFF 01 01 000000000001 00000000"));
  ASSERT_TRUE(objectAcl);
  Acl mixed;
  mixed.add(Ace::allow(wellknown::everyone(), access::FILE_READ_EXECUTE));
  mixed.add(objectAcl->aces()[0]);
  EXPECT_EQ(mixed.toBinary().left(1), hex("04"));
}

TEST(SecurityDescriptor, DamagedBytesAreRefused) {
  const QByteArray golden = hex(kGolden);
  QByteArray badOffset = golden;
  badOffset[4] = char(0x70);  // owner past the end
  QByteArray badAceSize = golden;
  badAceSize[30] = char(0x40);  // the first ACE longer than its list
  QByteArray absolute = golden;
  absolute[3] = 0;  // not self-relative
  for (const QByteArray& b : {badOffset, badAceSize, absolute, golden.left(40), QByteArray()})
    EXPECT_FALSE(SecurityDescriptor::fromSelfRelative(b)) << b.toHex().toStdString();
}

TEST(Acl, CanonicalOrder) {
  const Sid a = wellknown::everyone(), b = wellknown::localSystem();
  Acl acl;
  acl.add(Ace::allow(a, 1, ace::INHERITED));
  acl.add(Ace::allow(b, 2));
  acl.add(Ace::deny(a, 3));
  EXPECT_FALSE(acl.isCanonical());
  acl.canonicalize();
  EXPECT_TRUE(acl.isCanonical());
  EXPECT_EQ(acl.aces()[0].mask, 3u);
  EXPECT_EQ(acl.aces()[1].mask, 2u);
  EXPECT_EQ(acl.aces()[2].mask, 1u);
  // A new allow goes after the explicit denies, a new deny first.
  acl.addCanonical(Ace::allow(b, 4));
  acl.addCanonical(Ace::deny(b, 5));
  QList<quint32> masks;
  for (const Ace& e : acl.aces()) masks.append(e.mask);
  EXPECT_EQ(masks, (QList<quint32>{5, 3, 4, 2, 1}));
  EXPECT_TRUE(acl.isCanonical());
}

TEST(Acl, InheritanceForFilesAndFolders) {
  const Sid user = *Sid::fromString(QStringLiteral("S-1-5-21-1-2-3-1104"));
  Acl parent;
  parent.add(Ace::allow(wellknown::localSystem(), access::FILE_ALL_ACCESS, ace::OBJECT_INHERIT | ace::CONTAINER_INHERIT));
  parent.add(Ace::allow(user, access::FILE_MODIFY, ace::CONTAINER_INHERIT));  // folders only
  parent.add(Ace::allow(wellknown::everyone(), access::FILE_READ_EXECUTE,
                        ace::OBJECT_INHERIT | ace::INHERIT_ONLY));  // files only
  parent.add(Ace::allow(wellknown::builtinUsers(), access::FILE_READ_EXECUTE,
                        ace::CONTAINER_INHERIT | ace::NO_PROPAGATE_INHERIT));  // the next level only
  parent.add(Ace::allow(wellknown::creatorOwner(), access::FILE_ALL_ACCESS,
                        ace::OBJECT_INHERIT | ace::CONTAINER_INHERIT | ace::INHERIT_ONLY));
  parent.add(Ace::allow(wellknown::authenticatedUsers(), access::FILE_READ_EXECUTE));  // not inheritable

  const Acl file = inheritedAcl(parent, false, user);
  ASSERT_EQ(file.count(), 3);
  EXPECT_EQ(file.aces()[0], Ace::allow(wellknown::localSystem(), access::FILE_ALL_ACCESS, ace::INHERITED));
  EXPECT_EQ(file.aces()[1], Ace::allow(wellknown::everyone(), access::FILE_READ_EXECUTE, ace::INHERITED));
  EXPECT_EQ(file.aces()[2], Ace::allow(user, access::FILE_ALL_ACCESS, ace::INHERITED));  // CREATOR OWNER

  const Acl folder = inheritedAcl(parent, true, user);
  const quint8 oici = ace::OBJECT_INHERIT | ace::CONTAINER_INHERIT;
  const QList<Ace> want = {
      Ace::allow(wellknown::localSystem(), access::FILE_ALL_ACCESS, oici | ace::INHERITED),
      Ace::allow(user, access::FILE_MODIFY, ace::CONTAINER_INHERIT | ace::INHERITED),
      Ace::allow(wellknown::everyone(), access::FILE_READ_EXECUTE, ace::OBJECT_INHERIT | ace::INHERIT_ONLY | ace::INHERITED),
      Ace::allow(wellknown::builtinUsers(), access::FILE_READ_EXECUTE, ace::INHERITED),
      Ace::allow(user, access::FILE_ALL_ACCESS, ace::INHERITED),
      Ace::allow(wellknown::creatorOwner(), access::FILE_ALL_ACCESS, oici | ace::INHERIT_ONLY | ace::INHERITED),
  };
  EXPECT_EQ(folder.aces(), want);
}

class AccountLookupTest : public ResourceNetwork {};

TEST_F(AccountLookupTest, EveryNameForm) {
  struct Case {
    const char* system;
    const char* name;
    const char* domain;  // expected referenced domain; nullptr: the lookup fails
    SidNameUse use;
  };
  const Case cases[] = {
      {"", "EXAMPLE\\jsmith", "EXAMPLE", SidNameUse::User},
      {"", "example.local\\jsmith", "EXAMPLE", SidNameUse::User},
      {"", "jsmith", "EXAMPLE", SidNameUse::User},
      {"\\\\EXDC01", "JSMITH", "EXAMPLE", SidNameUse::User},
      {"FILESRV1", "Sales Team", "EXAMPLE", SidNameUse::Group},
      {"", "BRANCH\\bcooper", "BRANCH", SidNameUse::User},
      {"", "bcooper", "BRANCH", SidNameUse::User},        // only in another domain
      {"\\\\OLDPDC", "jdoe", "OLDCORP", SidNameUse::User},
      {"OLDPDC", "temp1", "OLDCORP", SidNameUse::User},   // the system's own domain first
      {"", "OLDCORP\\temp1", "OLDCORP", SidNameUse::User},
      {"", "EXAMPLE", "EXAMPLE", SidNameUse::Domain},
      {"", "Everyone", "", SidNameUse::WellKnownGroup},
      {"", "EVERYONE", "", SidNameUse::WellKnownGroup},
      {"FILESRV1", "System", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {"", "Administrators", "BUILTIN", SidNameUse::Alias},
      {"", "BUILTIN\\Administrators", "BUILTIN", SidNameUse::Alias},
      {"", "nobody", nullptr, SidNameUse::User},
      {"", "EXAMPLE\\nobody", nullptr, SidNameUse::User},
      {"", "NOSUCHDOMAIN\\jsmith", nullptr, SidNameUse::User},
      {"", "temp1", nullptr, SidNameUse::User},            // in BRANCH and in OLDCORP: ambiguous
      {"", "", nullptr, SidNameUse::User},
      {"", "EXAMPLE\\", nullptr, SidNameUse::User},
      {"NOSUCHSERVER", "jsmith", nullptr, SidNameUse::User},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.system) + " / " + c.name);
    auto r = LookupAccountName(QString::fromLatin1(c.system), QString::fromLatin1(c.name));
    if (!c.domain) {
      EXPECT_FALSE(r);
      continue;
    }
    ASSERT_TRUE(r) << r.error().message.toStdString();
    EXPECT_EQ(r->referencedDomain, QString::fromLatin1(c.domain));
    EXPECT_EQ(r->use, c.use);
    EXPECT_TRUE(r->sid.isValid());
    // And back from the SID to the same account.
    auto back = LookupAccountSid(QString(), r->sid);
    ASSERT_TRUE(back) << back.error().message.toStdString();
    EXPECT_EQ(back->name.toLower(), r->name.toLower());
    EXPECT_EQ(back->referencedDomain, r->referencedDomain);
  }
}

TEST_F(AccountLookupTest, DomainAccountsCarryTheDomainSidAndTheirRid) {
  auto domain = LookupAccountName(QString(), QStringLiteral("EXAMPLE"));
  auto user = LookupAccountName(QString(), QStringLiteral("EXAMPLE\\jsmith"));
  auto users = LookupAccountName(QString(), QStringLiteral("EXAMPLE\\Domain Users"));
  ASSERT_TRUE(domain && user && users);
  EXPECT_TRUE(domain->sid.isPrefixOf(user->sid));
  EXPECT_EQ(users->sid, domain->sid.withRid(rid::DOMAIN_USERS));
  auto ambiguous = LookupAccountName(QString(), QStringLiteral("temp1"));
  ASSERT_FALSE(ambiguous);
  EXPECT_EQ(ambiguous.error().code, err::NONE_MAPPED);
  EXPECT_TRUE(ambiguous.error().message.contains(QLatin1String("ambiguous")));
}

TEST_F(AccountLookupTest, UnreachableDomainFailsAsServerUnavailable) {
  ASSERT_TRUE(net->setReachable(QStringLiteral("OLDCORP"), false));
  auto r = LookupAccountName(QString(), QStringLiteral("OLDCORP\\jdoe"));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().code, err::SERVER_UNAVAILABLE);
}

// A memo answers a name it found once from memory, whichever way the system is written; a name
// it did not find is asked again, and what it kept is gone when it ends: an account made again
// under the old name (a new SID) is seen by the next memo.
TEST_F(AccountLookupTest, AMemoKeepsFoundAccountsOnlyWhileItLives) {
  auto conn = net->bind(QStringLiteral("example.local"), adsi::Protocol::Ldap, std::nullopt);
  ASSERT_TRUE(conn);
  const adsi::Dn newbie = adsi::Dn::fromDnsName(QStringLiteral("example.local"))
                              .child(adsi::Rdn(QStringLiteral("CN"), QStringLiteral("Users")))
                              .child(adsi::Rdn(QStringLiteral("CN"), QStringLiteral("newbie")));
  const auto make = [&] {
    ASSERT_TRUE((*conn)->add(newbie, {{QStringLiteral("objectClass"), {"user"}}, {QStringLiteral("sAMAccountName"), {"newbie"}}}));
  };
  const auto searches = [] { return adsi::counts()[adsi::Counter::Searches]; };
  Sid first;
  {
    LookupMemo memo;
    const auto before = searches();
    for (const char* system : {"", "\\\\EXDC01", "exdc01"}) {
      SCOPED_TRACE(system);
      auto r = LookupAccountName(QString::fromLatin1(system), QStringLiteral("EXAMPLE\\jsmith"));
      ASSERT_TRUE(r);
      EXPECT_EQ(r->name, QStringLiteral("jsmith"));
    }
    EXPECT_EQ(searches() - before, 1u);
    // A bare name is found in the system's own domain: kept per system, whatever its spelling.
    const auto bare = searches();
    ASSERT_TRUE(LookupAccountName(QStringLiteral("\\\\EXDC01"), QStringLiteral("jsmith")));
    ASSERT_TRUE(LookupAccountName(QStringLiteral("exdc01"), QStringLiteral("jsmith")));
    EXPECT_EQ(searches() - bare, 1u);
    // Not found, then made: the next lookup in the same memo finds it.
    EXPECT_FALSE(LookupAccountName(QString(), QStringLiteral("EXAMPLE\\newbie")));
    make();
    auto made = LookupAccountName(QString(), QStringLiteral("EXAMPLE\\newbie"));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->name, QStringLiteral("newbie"));
    first = made->sid;
    EXPECT_TRUE(first.isValid());
    // Nested memos share the outer one's answers.
    {
      LookupMemo inner;
      const auto again = searches();
      ASSERT_TRUE(LookupAccountName(QString(), QStringLiteral("EXAMPLE\\newbie")));
      EXPECT_EQ(searches(), again);
    }
    const auto afterInner = searches();
    ASSERT_TRUE(LookupAccountName(QString(), QStringLiteral("EXAMPLE\\newbie")));
    EXPECT_EQ(searches(), afterInner);
  }
  // Deleted and made again through another connection between two memos.
  ASSERT_TRUE((*conn)->remove(newbie));
  make();
  LookupMemo next;
  auto again = LookupAccountName(QString(), QStringLiteral("EXAMPLE\\newbie"));
  ASSERT_TRUE(again);
  EXPECT_NE(again->sid, first);
  EXPECT_TRUE(again->sid.isValid());
}

TEST(Privileges, ScopeDisablesOnEveryPath) {
  const QString restore = QStringLiteral("SeRestorePrivilege");
  {
    PrivilegeScope scope(restore);
    EXPECT_TRUE(scope.ok());
    EXPECT_TRUE(privilegeEnabled(restore));
  }
  EXPECT_FALSE(privilegeEnabled(restore));
  setPrivilegeHeld(restore, false);
  {
    PrivilegeScope scope(restore);
    EXPECT_FALSE(scope.ok());
    EXPECT_EQ(scope.status().code(), err::NOT_ALL_ASSIGNED);
    EXPECT_FALSE(privilegeEnabled(restore));
  }
  setPrivilegeHeld(restore, true);
  PrivilegeScope unknown(QStringLiteral("SeNoSuchPrivilege"));
  EXPECT_EQ(unknown.status().code(), err::NO_SUCH_PRIVILEGE);
}

}  // namespace
}  // namespace tavrel::test
