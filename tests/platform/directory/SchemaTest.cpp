// The user class's schema as the multi-user window reads it: LDAP://Schema/User's optional
// properties, and each property's syntax and multi-valuedness through the schema container.

#include "DirectoryFixture.h"

#include "platform/adsi/Schema.h"

namespace tavrel::test {
namespace {

using namespace adsi;

using UserSchema = DirectoryFixture;

TEST_F(UserSchema, OptionalPropertiesIncludeInheritedAndAuxiliaryOnesInSchemaOrder) {
  AdsObject user = bind("LDAP://Schema/User");
  EXPECT_EQ(user.Class(), "Class");
  const QStringList optional = all(user.OptionalProperties());
  ASSERT_FALSE(optional.isEmpty());
  for (const char* name : {
           "sn",
           "telephoneNumber",
           "description",  // person
           "givenName",
           "initials",
           "title",
           "l",
           "manager",  // organizationalPerson
           "homeDirectory",
           "profilePath",
           "scriptPath",
           "userPrincipalName",
           "accountExpires",
           "userAccountControl",
           "pwdLastSet",
           "logonHours",  // user
           "mail",
           "proxyAddresses",
           "homeMDB",
           "msTSProfilePath",  // auxiliary classes
       })
    EXPECT_TRUE(optional.contains(QLatin1String(name))) << name;
  for (const char* name : {"objectSid", "whenCreated", "memberOf", "distinguishedName", "objectClass",
                           "sAMAccountName", "groupType", "nTMixedDomain"})
    EXPECT_FALSE(optional.contains(QLatin1String(name), Qt::CaseInsensitive)) << name;
  QStringList unique = optional;
  unique.removeDuplicates();
  EXPECT_EQ(unique, optional);
  // The order of the schema's own attribute list.
  SIMNET_ONLY("the order of the built-in schema table");
  qsizetype last = -1;
  const QList<AttributeDef>& schema = allAttributes();
  for (const QString& name : optional) {
    const auto it =
        std::find_if(schema.begin(), schema.end(), [&](const AttributeDef& a) { return a.name == name; });
    ASSERT_NE(it, schema.end()) << name.toStdString();
    EXPECT_GT(it - schema.begin(), last) << name.toStdString();
    last = it - schema.begin();
  }
}

TEST_F(UserSchema, PropertiesGiveTheirSyntaxAndMultiValuedness) {
  struct Case {
    const char* property;
    const char* syntax;
    bool multiValued;
  };
  const Case cases[] = {
      {"displayName", "DirectoryString", false},
      {"otherTelephone", "DirectoryString", true},
      {"description", "DirectoryString", true},
      {"accountExpires", "INTEGER8", false},
      {"pwdLastSet", "INTEGER8", false},
      {"userAccountControl", "Integer", false},
      {"countryCode", "Integer", false},
      {"msTSAllowLogon", "Boolean", false},
      {"manager", "DN", false},
      {"logonHours", "OctetString", false},
      {"msExchMailboxGuid", "OctetString", false},
      {"showInAddressBook", "DN", true},
      {"USERPRINCIPALNAME", "DirectoryString", false},
      {"objectClass", "OID", true},
  };
  // As the window does it: the class's parent container, then the property by name.
  AdsObject schema = bind(bind("LDAP://Schema/User").Parent());
  for (const Case& c : cases) {
    auto prop = schema.GetObject("Property", QLatin1String(c.property));
    ASSERT_TRUE(prop.ok()) << c.property;
    EXPECT_EQ(prop->Class(), "Property");
    EXPECT_EQ(prop->Get("Syntax")->toString(), QLatin1String(c.syntax)) << c.property;
    EXPECT_EQ(prop->Get("MultiValued")->toBool(), c.multiValued) << c.property;
  }
  // Every optional property can be looked up and has a syntax the window can show.
  const QStringList known{"DirectoryString", "Integer",         "INTEGER8", "Boolean",         "DN",
                          "OctetString",     "GeneralizedTime", "UTCTime",  "CaseIgnoreString", "OID"};
  for (const QString& name : all(bind("LDAP://Schema/User").OptionalProperties())) {
    auto prop = schema.GetObject("Property", name);
    ASSERT_TRUE(prop.ok()) << name.toStdString();
    EXPECT_TRUE(known.contains(prop->Get("Syntax")->toString())) << name.toStdString();
  }
  EXPECT_EQ(schema.GetObject("Property", "noSuchAttribute").code(), hr::NO_SUCH_OBJECT);
  EXPECT_EQ(bind("LDAP://Schema/userPrincipalName").Get("Syntax")->toString(), "DirectoryString");
}

}  // namespace
}  // namespace tavrel::test
