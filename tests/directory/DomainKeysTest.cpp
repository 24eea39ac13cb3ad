// How the loaders name things: the domain's DN, parent keys, RDN counts, captions and kinds.

#include "directory/DomainKeys.h"

#include <gtest/gtest.h>

using namespace tavrel::directory;

namespace {

TEST(DomainKeys, DomainDistinguishedNameHasOneDcPerLabel) {
  EXPECT_EQ(domainDistinguishedName("example.local"), "DC=example,DC=local");
  EXPECT_EQ(domainDistinguishedName("a.b.c"), "DC=a,DC=b,DC=c");
  EXPECT_EQ(domainDistinguishedName("single"), "DC=single");
  EXPECT_EQ(domainDistinguishedName("a." + QString(150, u'x')), "DC=a,DC=" + QString(100, u'x'))
      << "a label after a dot keeps at most 100 characters";
}

TEST(DomainKeys, ParentKeys) {
  struct Case {
    const char* of;
    const char* ou;        // ouParentKey
    const char* heldBack;  // heldBackParentKey
    const char* user;      // userParentKey
  };
  const Case cases[] = {
      {"OU=East,OU=Sales,DC=example,DC=local", "OU=Sales,DC=example,DC=local", "OU=Sales,DC=example,DC=local",
       "OU=Sales,DC=example,DC=local"},
      {"OU=Sales,DC=example,DC=local", "DC=example,DC=local", "DC=example,DC=local", "DC=example,DC=local"},
      // Below a container: the OU rule skips to the next OU or DC, the retry and user rules do not.
      {"OU=X,CN=Custom,DC=example,DC=local", "DC=example,DC=local", "CN=Custom,DC=example,DC=local",
       "CN=Custom,DC=example,DC=local"},
      {"LDAP://example.local/CN=Mary Jones,CN=Users,DC=example,DC=local", "DC=example,DC=local",
       "CN=Users,DC=example,DC=local", "CN=Users,DC=example,DC=local"},
      {"CN=Smith\\, John,OU=Sales,DC=x", "OU=Sales,DC=x", "OU=Sales,DC=x", "OU=Sales,DC=x"},
      {"DC=local", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ouParentKey(c.of), c.ou) << c.of;
    EXPECT_EQ(heldBackParentKey(c.of), c.heldBack) << c.of;
    EXPECT_EQ(userParentKey(c.of), c.user) << c.of;
  }
}

TEST(DomainKeys, RdnCountIgnoresEscapedCommas) {
  EXPECT_EQ(rdnCount(""), 0);
  EXPECT_EQ(rdnCount("DC=local"), 1);
  EXPECT_EQ(rdnCount("OU=East,OU=Sales,DC=example,DC=local"), 4);
  EXPECT_EQ(rdnCount("OU=Smith\\, John,DC=x"), 2);
  EXPECT_EQ(rdnCount("OU=back\\\\,DC=x"), 2) << "an escaped backslash does not escape the comma";
}

TEST(DomainKeys, GroupCaptionForEveryGroupType) {
  struct Case {
    quint32 type;
    const char* path;
    const char* caption;
  };
  const Case cases[] = {
      {0x80000002u, "LDAP://d/CN=G,CN=Users,DC=d", "Security Group - Global"},
      {0x80000004u, "LDAP://d/CN=G,CN=Users,DC=d", "Security Group - Domain Local"},
      {0x80000004u, "LDAP://d/CN=Administrators,CN=Builtin,DC=d", "Security Group - builtin Local"},
      {0x80000005u, "LDAP://d/CN=Users,CN=BUILTIN,DC=d", "Security Group - builtin Local"},
      {0x80000008u, "LDAP://d/CN=G,DC=d", "Security Group - Universal"},
      {0x2u, "LDAP://d/CN=G,DC=d", "Distribution Group - Global"},
      {0x4u, "LDAP://d/CN=G,DC=d", "Distribution Group - Domain Local"},
      {0x8u, "LDAP://d/CN=G,DC=d", "Distribution Group - Universal"},
      {0x0u, "LDAP://d/CN=G,DC=d", "Distribution Group"},
      {0x8000000Eu, "LDAP://d/CN=G,DC=d", "Security Group - Global - Domain Local - Universal"},
  };
  for (const Case& c : cases) EXPECT_EQ(groupCaption(c.type, c.path), c.caption) << std::hex << c.type;
}

TEST(DomainKeys, NtGroupKindAndUserText) {
  EXPECT_EQ(ntGroupKind(2), "Global");
  EXPECT_EQ(ntGroupKind(4), "Local");
  EXPECT_EQ(ntGroupKind(static_cast<int>(0x80000002u)), "Local") << "only exactly 2 is global";
  EXPECT_EQ(ntGroupKind(QVariant()), "Local");
  EXPECT_EQ(userDisplayText(QVariant("Smith, John"), QVariant("John Smith")), "Smith, John");
  EXPECT_EQ(userDisplayText(QVariant(), QVariant("John Smith")), "John Smith");
  EXPECT_EQ(userSearchAttributes(true), "adsPath,name,name");
  EXPECT_EQ(userSearchAttributes(false), "adsPath,DisplayName,Name");
}

}  // namespace
