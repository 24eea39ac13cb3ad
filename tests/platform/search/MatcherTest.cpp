#include "platform/search/Matcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace tavrel::search;

namespace {

const QString kSchema = QStringLiteral(",CN=Schema,CN=Configuration,DC=example,DC=local");

MapEntry user(const QString& sam, const QString& cn) {
  return MapEntry{{"objectClass", {"top", "person", "organizationalPerson", "user"}},
                  {"objectCategory", {"CN=Person" + kSchema}},
                  {"sAMAccountName", {sam}},
                  {"cn", {cn}},
                  {"name", {cn}},
                  {"userPrincipalName", {sam + "@example.local"}},
                  {"userAccountControl", {"512"}},
                  {"distinguishedName", {"CN=" + cn + ",OU=Sales,DC=example,DC=local"}}};
}

MapEntry computer(const QString& name) {
  return MapEntry{{"objectClass", {"top", "person", "organizationalPerson", "user", "computer"}},
                  {"objectCategory", {"CN=Computer" + kSchema}},
                  {"cn", {name}},
                  {"sAMAccountName", {name + "$"}},
                  {"userAccountControl", {"4096"}}};
}

MapEntry ou(const QString& name) {
  return MapEntry{{"objectClass", {"top", "organizationalUnit"}},
                  {"objectCategory", {"CN=Organizational-Unit" + kSchema}},
                  {"ou", {name}},
                  {"name", {name}}};
}

MapEntry group(const QString& name, const QString& groupType) {
  return MapEntry{{"objectClass", {"top", "group"}},
                  {"objectCategory", {"CN=Group" + kSchema}},
                  {"name", {name}},
                  {"groupType", {groupType}}};
}

MapEntry domain() {
  return MapEntry{{"objectClass", {"top", "domain", "domainDNS"}},
                  {"objectCategory", {"CN=Domain-DNS" + kSchema}},
                  {"distinguishedName", {"DC=example,DC=local"}}};
}

Truth eval(const char* filter, const Entry& entry, const MatchRules& rules = MatchRules::activeDirectory()) {
  const auto f = parseFilter(QString::fromUtf8(filter));
  EXPECT_TRUE(f.ok()) << filter << ": " << f.error().message.toStdString();
  if (!f.ok()) return Truth::Undefined;
  return Matcher(*f, rules).evaluate(entry);
}

bool match(const char* filter, const Entry& entry) {
  return eval(filter, entry) == Truth::True;
}

struct MatchCase {
  const char* filter;
  bool matches;
};

class UserMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(UserMatch, AgainstJohnSmith) {
  const MapEntry jsmith = user("jsmith", "John Smith");
  EXPECT_EQ(match(GetParam().filter, jsmith), GetParam().matches) << GetParam().filter;
}

INSTANTIATE_TEST_SUITE_P(
    Evaluation, UserMatch,
    ::testing::Values(
        // Attribute names and string values in any case.
        MatchCase{"(sAMAccountName=jsmith)", true}, MatchCase{"(SAMACCOUNTNAME=JSmith)", true},
        MatchCase{"(samaccountname=jsmit)", false}, MatchCase{"(objectClass=User)", true},
        MatchCase{"(objectclass=ORGANIZATIONALPERSON)", true}, MatchCase{"(objectClass=group)", false},
        // Presence and absence.
        MatchCase{"(cn=*)", true}, MatchCase{"(displayName=*)", false}, MatchCase{"(!(displayName=*))", true},
        MatchCase{"(displayName=x)", false}, MatchCase{"(!(displayName=x))", true},
        // Substrings, without regard to case.
        MatchCase{"(cn=john*)", true}, MatchCase{"(cn=*SMITH)", true}, MatchCase{"(cn=*n S*)", true},
        MatchCase{"(cn=J*o*h*n*)", true}, MatchCase{"(cn=*smith*john)", false},
        MatchCase{"(cn=John*Smith)", true}, MatchCase{"(cn=John Sm*th)", true},
        MatchCase{"(cn=John*n*Smith)", false}, MatchCase{"(cn=John S*mith)", true},
        MatchCase{"(cn=John Smi*ith)", false},  // parts may not overlap
        MatchCase{"(cn=*)", true}, MatchCase{"(userPrincipalName=*@EXAMPLE.local)", true},
        // Escaped specials are literal.
        MatchCase{"(cn=John\\2a)", false}, MatchCase{"(cn=\\4aohn Smith)", true},
        // Ordering: strings without regard to case, integers by value.
        MatchCase{"(cn>=john)", true}, MatchCase{"(cn<=JOHN SMITH)", true}, MatchCase{"(cn>=k)", false},
        MatchCase{"(userAccountControl>=100)", true},  // 512 >= 100 by value, though "512" < "100" as text
        MatchCase{"(userAccountControl<=1000)", true}, MatchCase{"(userAccountControl<=511)", false},
        MatchCase{"(userAccountControl=0512)", true},
        // Approximate match is equality.
        MatchCase{"(sn~=x)", false}, MatchCase{"(cn~=john smith)", true},
        // Bitwise rules on userAccountControl (512 = NORMAL_ACCOUNT).
        MatchCase{"(userAccountControl:1.2.840.113556.1.4.803:=512)", true},
        MatchCase{"(userAccountControl:1.2.840.113556.1.4.803:=514)", false},
        MatchCase{"(userAccountControl:1.2.840.113556.1.4.804:=514)", true},
        MatchCase{"(!(userAccountControl:1.2.840.113556.1.4.803:=2))", true},
        MatchCase{"(cn:=JOHN SMITH)", true},
        // Boolean composition.
        MatchCase{"(&(objectCategory=Person)(objectClass=User))", true},
        MatchCase{"(&(objectCategory=Person)(objectClass=User)(sAMAccountName=other))", false},
        MatchCase{"(|(sAMAccountName=other)(cn=John Smith))", true}, MatchCase{"(|(a=1)(b=2))", false},
        MatchCase{"(!(&(objectClass=user)(!(cn=x))))", false},
        // The DN compares without regard to case.
        MatchCase{"(distinguishedName=cn=john smith,ou=sales,dc=example,dc=local)", true}));

// objectCategory is stored as the category's DN and matched by the category's CN (the first RDN
// value, without regard to case) or by the whole DN. Which class names stand for which category
// is the schema's to say: the matcher takes no name for another.
TEST(ObjectCategory, ACategoryCnOrTheWholeDnMatchesTheStoredDn) {
  const MapEntry u = user("a", "A"), c = computer("WS01"), o = ou("Sales"), g = group("Staff", "-2147483646"),
                 d = domain();
  EXPECT_TRUE(match("(objectCategory=Person)", u));
  EXPECT_TRUE(match("(objectCategory=person)", u));
  EXPECT_FALSE(match("(objectCategory=Person)", c));
  EXPECT_TRUE(match("(objectCategory=Computer)", c));
  EXPECT_FALSE(match("(objectCategory=Computer)", u));
  EXPECT_TRUE(match("(objectCategory=Organizational-Unit)", o));
  EXPECT_TRUE(match("(objectCategory=organizational-unit)", o));
  EXPECT_FALSE(match("(objectCategory=Organizational)", o));
  EXPECT_FALSE(match("(objectCategory=OrganizationalUnit)", o)) << "a class name, not the category's CN";
  EXPECT_FALSE(match("(objectCategory=user)", u)) << "a class name, not the category's CN";
  EXPECT_TRUE(match("(objectCategory=group)", g));
  EXPECT_TRUE(match("(objectCategory=Domain-DNS)", d));
  EXPECT_FALSE(match("(objectCategory=Domain-DNS)", o));
  EXPECT_TRUE(match("(objectCategory=cn=person,cn=schema,cn=configuration,dc=example,dc=local)", u));
  EXPECT_FALSE(match("(objectCategory=CN=Person,CN=Schema,CN=Configuration,DC=other,DC=local)", u));
  EXPECT_TRUE(match("(objectCategory=CN=Person*)", u));
  // A category stored as a short name, or with an escaped comma in its RDN.
  EXPECT_TRUE(match("(objectCategory=Person)", MapEntry{{"objectCategory", {"Person"}}}));
  EXPECT_TRUE(match("(objectCategory=A\\2cB)", MapEntry{{"objectCategory", {"CN=A\\,B,CN=Schema"}}}));
}

// (objectClass=User) also picks computers, a category leaves them out.
TEST(ObjectCategory, ClassAndCategorySelectDifferentKinds) {
  const std::vector<MapEntry> entries = {domain(), ou("Sales"), user("jsmith", "John Smith"),
                                         computer("WS01"), group("Staff", "-2147483646")};
  const auto count = [&](const char* filter) {
    const auto f = parseFilter(QString::fromLatin1(filter));
    EXPECT_TRUE(f.ok());
    const Matcher m(*f);
    return std::count_if(entries.begin(), entries.end(), [&](const MapEntry& e) { return m.matches(e); });
  };
  EXPECT_EQ(count("(&(objectCategory=Domain-DNS)(objectClass=Domain))"), 1);
  EXPECT_EQ(count("(&(objectCategory=Organizational-Unit)(objectClass=OrganizationalUnit))"), 1);
  EXPECT_EQ(count("(&(objectCategory=Person)(objectClass=User))"), 1);
  EXPECT_EQ(count("(objectClass=User)"), 2);
  EXPECT_EQ(count("(objectCategory=group)"), 1);
  EXPECT_EQ(count("(&(objectClass=user)(objectCategory=person)(userprincipalName=JSMITH@example.local))"), 1);
  EXPECT_EQ(count("(&(objectClass=user)(objectCategory=person)(userprincipalName=*))"), 1);
}

TEST(Syntaxes, GroupTypeFlagsWithNegativeValues) {
  const MapEntry globalSecurity = group("Staff", "-2147483646");  // 0x80000002
  const MapEntry globalDistribution = group("List", "2");
  const char* security = "(groupType:1.2.840.113556.1.4.803:=2147483648)";
  EXPECT_TRUE(match(security, globalSecurity));
  EXPECT_FALSE(match(security, globalDistribution));
  EXPECT_TRUE(match("(groupType:1.2.840.113556.1.4.803:=-2147483646)", globalSecurity));
  EXPECT_TRUE(match("(groupType:1.2.840.113556.1.4.804:=6)", globalDistribution));
  EXPECT_FALSE(match("(groupType:1.2.840.113556.1.4.804:=12)", globalDistribution));
  EXPECT_TRUE(match("(groupType<=0)", globalSecurity));
  EXPECT_TRUE(match("(groupType=-2147483646)", globalSecurity));
}

TEST(Syntaxes, IntegerTestedWithTextIsUndefinedAndSoIsItsNegation) {
  const MapEntry u = user("a", "A");
  EXPECT_EQ(eval("(userAccountControl=abc)", u), Truth::Undefined);
  EXPECT_EQ(eval("(!(userAccountControl=abc))", u), Truth::Undefined);
  EXPECT_EQ(eval("(|(userAccountControl=abc)(cn=A))", u), Truth::True);
  EXPECT_EQ(eval("(|(userAccountControl=abc)(cn=B))", u), Truth::Undefined);
  EXPECT_EQ(eval("(&(userAccountControl=abc)(cn=B))", u), Truth::False);
  EXPECT_EQ(eval("(&(userAccountControl=abc)(cn=A))", u), Truth::Undefined);
  // A stored value that is no number never matches, without spoiling the others.
  EXPECT_EQ(eval("(userAccountControl=5)", MapEntry{{"userAccountControl", {"x", "5"}}}), Truth::True);
  EXPECT_EQ(eval("(userAccountControl>=1)", MapEntry{{"userAccountControl", {"x"}}}), Truth::False);
  EXPECT_EQ(eval("(userAccountControl<=1)", MapEntry{{"userAccountControl", {"x"}}}), Truth::False);
}

TEST(Syntaxes, BinaryAndCaseExactAreComparedExactly) {
  const MapEntry e{{"objectSid", {QString::fromLatin1(QByteArray("\x01\x05\x00\xaa\xff", 5))}},
                   {"serialNumber", {"AbC"}}};
  EXPECT_TRUE(match("(objectSid=\\01\\05\\00\\aa\\ff)", e));
  EXPECT_TRUE(match("(objectSid=\\01\\05\\00\\AA\\FF)", e));  // hex digits in any case
  EXPECT_FALSE(match("(objectSid=\\01\\05\\00\\aa)", e));
  EXPECT_FALSE(match("(objectSid=\\01\\05\\00\\ca\\ff)", e));
  EXPECT_TRUE(match("(objectSid=\\01\\05*)", e));

  MatchRules rules = MatchRules::activeDirectory();
  EXPECT_EQ(eval("(serialNumber=abc)", e, rules), Truth::True);
  rules.set("SERIALNUMBER", Syntax::CaseExactString);
  EXPECT_EQ(rules.syntaxOf("serialnumber"), Syntax::CaseExactString);
  EXPECT_EQ(eval("(serialNumber=abc)", e, rules), Truth::False);
  EXPECT_EQ(eval("(serialNumber=AbC)", e, rules), Truth::True);
  EXPECT_EQ(eval("(serialNumber=A*)", e, rules), Truth::True);
  EXPECT_EQ(eval("(serialNumber=a*)", e, rules), Truth::False);
}

TEST(Syntaxes, ActiveDirectoryTable) {
  const MatchRules& ad = MatchRules::activeDirectory();
  EXPECT_EQ(ad.syntaxOf("USERACCOUNTCONTROL"), Syntax::Integer);
  EXPECT_EQ(ad.syntaxOf("groupType"), Syntax::Integer);
  EXPECT_EQ(ad.syntaxOf("objectSid"), Syntax::Binary);
  EXPECT_EQ(ad.syntaxOf("objectcategory"), Syntax::ObjectCategory);
  EXPECT_EQ(ad.syntaxOf("sAMAccountName"), Syntax::CaseIgnoreString);
}

TEST(Evaluation, MultiValuedAttributeMatchesOnAnyValue) {
  const MapEntry e{{"description", {"first", "second"}}};
  EXPECT_TRUE(match("(description=SECOND)", e));
  EXPECT_TRUE(match("(description=fir*)", e));
  EXPECT_FALSE(match("(description=third)", e));
  EXPECT_TRUE(match("(!(description=third))", e));
}

// ---- Sort order

TEST(EntryOrder, SortsWithoutRegardToCaseMissingLastStable) {
  std::vector<MapEntry> entries = {
      MapEntry{{"name", {"sales team"}}, {"id", {"1"}}},
      MapEntry{{"id", {"2"}}},
      MapEntry{{"name", {"Accounts"}}, {"id", {"3"}}},
      MapEntry{{"name", {"SALES"}}, {"id", {"4"}}},
      MapEntry{{"name", {"Sales"}}, {"id", {"5"}}},
      MapEntry{{"name", {"zeta", "Beta"}}, {"id", {"6"}}},
      MapEntry{{"id", {"7"}}},
  };
  std::stable_sort(entries.begin(), entries.end(), EntryOrder("NAME"));
  QStringList ids;
  for (const auto& e : entries) ids += e.values("id");
  // Beta (the lowest of zeta and Beta) sorts by its lowest value; SALES and Sales keep their order.
  EXPECT_EQ(ids, (QStringList{"3", "6", "4", "5", "1", "2", "7"}));
}

TEST(EntryOrder, IntegersSortByValue) {
  const MapEntry a{{"groupType", {"-2147483646"}}}, b{{"groupType", {"4"}}}, c{{"groupType", {"10"}}}, none;
  const EntryOrder order("groupType");
  EXPECT_LT(order.compare(a, b), 0);
  EXPECT_LT(order.compare(b, c), 0);  // 4 < 10, though "4" > "10" as text
  EXPECT_LT(order.compare(c, none), 0);
  EXPECT_GT(order.compare(none, a), 0);
  EXPECT_EQ(order.compare(none, none), 0);
  EXPECT_EQ(order.compare(b, MapEntry{{"GROUPTYPE", {"04"}}}), 0);
}

}  // namespace

namespace {

// A value escaped into a filter selects exactly the entries holding that value, whatever it holds.
TEST(EscapedValues, NeverWidenASearch) {
  const QStringList stored = {"jsmith@example.local", "j*", "j", "jx", "(j)", "j\\2a", "j\\", ""};
  std::vector<MapEntry> entries;
  for (const QString& upn : stored)
    entries.push_back(MapEntry{{"objectClass", {"user"}}, {"userPrincipalName", {upn}}});
  entries.push_back(MapEntry{{"objectClass", {"user"}}});
  const QStringList typed = {
      "j*", "*", "(j)", "j\\2a", "j\\", "*)(objectClass=*", "J*", "x)(|(objectClass=*)"};
  for (const QString& value : typed) {
    const auto f = parseFilter("(&(objectClass=user)(userPrincipalName=" + escapeFilterValue(value) +
                               QStringLiteral("))"));
    ASSERT_TRUE(f.ok()) << value.toStdString();
    const Matcher m(*f);
    QStringList found;
    for (const MapEntry& e : entries)
      if (m.matches(e)) found += e.values("userprincipalname");
    QStringList expected;
    for (const QString& upn : stored)
      if (upn.compare(value, Qt::CaseInsensitive) == 0) expected += upn;
    EXPECT_EQ(found, expected) << value.toStdString();
  }
}

}  // namespace
