#include "platform/search/Filter.h"

#include <gtest/gtest.h>

using namespace tavrel::search;
using Kind = Filter::Kind;

namespace {

// ---- Well-formed filters: each parses, and renders back to the canonical text.

struct GoodCase {
  const char* text;
  const char* canonical;  // nullptr: the same as text
};

class GoodFilter : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodFilter, ParsesAndRendersCanonically) {
  const auto& c = GetParam();
  const auto parsed = parseFilter(QString::fromUtf8(c.text));
  ASSERT_TRUE(parsed.ok()) << c.text << ": " << parsed.error().message.toStdString();
  const QString expected = QString::fromUtf8(c.canonical ? c.canonical : c.text);
  EXPECT_EQ(parsed->toString(), expected);
  // The rendering parses back to the same tree.
  const auto again = parseFilter(parsed->toString());
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(*again, *parsed);
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, GoodFilter,
    ::testing::Values(
        GoodCase{"(objectClass=user)", nullptr}, GoodCase{"(OBJECTCLASS=User)", nullptr},
        GoodCase{"(&(objectCategory=Domain)(objectClass=Domain))", nullptr},
        GoodCase{"(&(objectCategory=OrganizationalUnit)(objectClass=OrganizationalUnit))", nullptr},
        GoodCase{"(|(cn=a)(cn=b)(cn=c))", nullptr}, GoodCase{"(!(cn=a))", nullptr},
        GoodCase{"(&(|(a=1)(b=2))(!(&(c=3)(d=4))))", nullptr}, GoodCase{"(cn=*)", nullptr},
        GoodCase{"(cn=Jo*)", nullptr}, GoodCase{"(cn=*son)", nullptr}, GoodCase{"(cn=J*h*n*s*n)", nullptr},
        GoodCase{"(cn=J**n)", "(cn=J*n)"}, GoodCase{"(cn=*o*)", nullptr},
        // A substrings test with every part empty is not a presence test, and prints as one
        // that reads back the same.
        GoodCase{"(cn=**)", nullptr}, GoodCase{"(cn=***)", "(cn=**)"},
        GoodCase{"(badPwdCount>=3)", nullptr}, GoodCase{"(badPwdCount<=3)", nullptr},
        GoodCase{"(sn~=smith)", nullptr}, GoodCase{"(userAccountControl:1.2.840.113556.1.4.803:=2)", nullptr},
        GoodCase{"(groupType:1.2.840.113556.1.4.804:=-2147483648)", nullptr}, GoodCase{"(cn:=x)", nullptr},
        GoodCase{"(2.5.4.3=x)", nullptr}, GoodCase{"(msDS-User-Account-Control-Computed>=16)", nullptr},
        GoodCase{"(cn=)", nullptr},
        // Escapes: specials stay escaped, other escaped printable octets are shown plainly.
        GoodCase{"(cn=a\\2ab)", nullptr}, GoodCase{"(cn=\\28x\\29)", nullptr}, GoodCase{"(cn=\\5c)", nullptr},
        GoodCase{"(cn=\\41\\42)", "(cn=AB)"}, GoodCase{"(cn=\\4A*)", "(cn=J*)"},
        GoodCase{"(objectSid=\\01\\05\\00\\00\\ff)", nullptr},
        // Non-ASCII text is carried as UTF-8 and rendered as escaped octets.
        GoodCase{"(sn=M\xc3\xbcller)", "(sn=M\\c3\\bcller)"},
        // Characters with no meaning in filters, a ';' and '=' included.
        GoodCase{"(description=a;b=c, d!&|~<>)", nullptr},
        // Blanks around the filter and between list members; blanks inside a value are kept.
        GoodCase{"  (&(a=1) (b=2)\t)  ", "(&(a=1)(b=2))"}, GoodCase{"(cn=John Smith )", nullptr},
        GoodCase{"(! (cn=a))", "(!(cn=a))"}));

TEST(FilterTree, ItemsCarryKindAttributeAndUnescapedValue) {
  const auto f = parseFilter(u"(&(objectClass=User)(cn=*)(sn=a*b*c*d)(cn=\\2a)(uSNChanged>=5))");
  ASSERT_TRUE(f.ok());
  ASSERT_EQ(f->kind, Kind::And);
  ASSERT_EQ(f->children.size(), 5u);
  EXPECT_EQ(f->children[0].kind, Kind::Equality);
  EXPECT_EQ(f->children[0].attribute, "objectClass");
  EXPECT_EQ(f->children[0].text(), "User");
  EXPECT_EQ(f->children[1].kind, Kind::Present);
  const Filter& sub = f->children[2];
  EXPECT_EQ(sub.kind, Kind::Substrings);
  EXPECT_EQ(sub.subInitial, "a");
  EXPECT_EQ(sub.subAny, (QList<QByteArray>{"b", "c"}));
  EXPECT_EQ(sub.subFinal, "d");
  // An escaped asterisk is a literal character of an equality test, never a wildcard.
  EXPECT_EQ(f->children[3].kind, Kind::Equality);
  EXPECT_EQ(f->children[3].value, "*");
  EXPECT_EQ(f->children[4].kind, Kind::GreaterOrEqual);
}

TEST(FilterTree, EscapedOctetsAreKeptAsBytes) {
  const auto f = parseFilter(u"(objectSid=\\01\\00\\FF)");
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f->value, QByteArray("\x01\x00\xff", 3));
}

// ---- Malformed filters: a syntax error with a message and a position, never a tree.

struct BadCase {
  const char* text;
  const char* message;  // a part of the expected message
  int position;
};

class BadFilter : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadFilter, IsASyntaxError) {
  const auto& c = GetParam();
  const auto parsed = parseFilter(QString::fromUtf8(c.text));
  ASSERT_FALSE(parsed.ok()) << c.text << " parsed as " << parsed->toString().toStdString();
  EXPECT_TRUE(parsed.error().message.contains(QString::fromUtf8(c.message)))
      << c.text << ": " << parsed.error().message.toStdString();
  EXPECT_EQ(parsed.error().position, c.position) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, BadFilter,
    ::testing::Values(
        BadCase{"", "empty", 0}, BadCase{"   ", "empty", 3}, BadCase{"objectClass=user", "expected '('", 0},
        BadCase{"(objectClass=user", "')' is missing", 17},
        BadCase{"(&(objectClass=user)(cn=a)", "')' is missing", 26},
        BadCase{"(objectClass=user))", "after the end", 18}, BadCase{"(cn=a)(cn=b)", "after the end", 6},
        BadCase{"()", "empty filter item", 1}, BadCase{"(&)", "holds no filter", 2},
        BadCase{"(|)", "holds no filter", 2}, BadCase{"(!)", "expected '('", 2},
        BadCase{"(!(a=1)(b=2))", "unexpected '('", 7}, BadCase{"(&(a=1)x)", "unexpected 'x'", 7},
        BadCase{"(=x)", "attribute name", 1}, BadCase{"(c n=x)", "after the attribute name", 2},
        BadCase{"(cn)", "after the attribute", 3}, BadCase{"(cn;binary=x)", "options", 3},
        BadCase{"(2.5..4=x)", "OID", 1}, BadCase{"(cn=a(b)", "unescaped '('", 5},
        // The unescaped user principal name "x)(" of an unfixed caller.
        BadCase{"(&(objectClass=user)(userPrincipalName=x)())", "empty filter item", 42},
        BadCase{"(&(objectClass=user)(userPrincipalName=x)y))", "unexpected 'y'", 41},
        BadCase{"(cn=a\\2)", "two hexadecimal digits", 5}, BadCase{"(cn=a\\zz)", "hexadecimal", 5},
        BadCase{"(cn=a\\)", "hexadecimal", 5}, BadCase{"(cn=a\\*)", "hexadecimal", 5},
        BadCase{"(cn>=a*)", "unescaped '*'", 6}, BadCase{"(cn~=*)", "unescaped '*'", 5},
        BadCase{"(cn=x\\", "hexadecimal", 5},
        BadCase{"(:1.2.840.113556.1.4.803:=2)", "without an attribute", 1},
        BadCase{"(cn:dn:=x)", "dn flag", 4}, BadCase{"(cn:1.2.3:=x)", "unsupported matching rule", 4},
        BadCase{"(userAccountControl:1.2.840.113556.1.4.803:=two)", "decimal integer", 44},
        BadCase{"(userAccountControl:1.2.840.113556.1.4.803=2)", "':='", 42}));

TEST(BadFilter, NulInsideAValueIsRefused) {
  const QString text = QStringLiteral("(cn=a") + QChar(0) + QStringLiteral("b)");
  const auto parsed = parseFilter(text);
  ASSERT_FALSE(parsed.ok());
  EXPECT_TRUE(parsed.error().message.contains("NUL"));
}

TEST(BadFilter, DeepNestingIsAnErrorNotACrash) {
  QString text;
  for (int i = 0; i < 100000; ++i) text += QStringLiteral("(!");
  text += QStringLiteral("(cn=a)");
  for (int i = 0; i < 100000; ++i) text += u')';
  const auto parsed = parseFilter(text);
  ASSERT_FALSE(parsed.ok());
  EXPECT_TRUE(parsed.error().message.contains("nested too deeply"));
}

// ---- Escaping

TEST(EscapeFilterValue, EscapesTheFiveSpecialsAndNothingElse) {
  EXPECT_EQ(escapeFilterValue(u"a*b(c)d\\e"), "a\\2ab\\28c\\29d\\5ce");
  EXPECT_EQ(escapeFilterValue(QString(QChar(0))), "\\00");
  EXPECT_EQ(escapeFilterValue(u"j.smith@example.local"), "j.smith@example.local");
  EXPECT_EQ(escapeFilterValue(u"Zoë O'Brien-Ünal; x=y"), u"Zoë O'Brien-Ünal; x=y");
  EXPECT_EQ(escapeFilterValue(u""), "");
}

// A value built into a filter through escapeFilterValue gives one equality test for exactly that
// value: no wildcard, no extra term, no syntax error.
TEST(EscapeFilterValue, EscapedValueIsAlwaysOneEqualityTestForItself) {
  const QStringList hostile = {
      QStringLiteral("*"),
      QStringLiteral("a*"),
      QStringLiteral("*)(objectClass=*"),
      QStringLiteral("x)(|(cn=*)"),
      QStringLiteral("x))(|(cn=*"),
      QStringLiteral("\\2a"),
      QStringLiteral("\\"),
      QStringLiteral("("),
      QStringLiteral(")"),
      QStringLiteral("jsmith@example.local)"),
      QString(QChar(0)) + QStringLiteral("*"),
      QStringLiteral("Zoë*"),
  };
  for (const QString& v : hostile) {
    const QString text = QStringLiteral("(&(objectClass=user)(userPrincipalName=") + escapeFilterValue(v) +
                         QStringLiteral("))");
    const auto f = parseFilter(text);
    ASSERT_TRUE(f.ok()) << v.toStdString() << ": " << f.error().message.toStdString();
    ASSERT_EQ(f->kind, Kind::And);
    ASSERT_EQ(f->children.size(), 2u) << v.toStdString();
    const Filter& term = f->children[1];
    EXPECT_EQ(term.kind, Kind::Equality) << v.toStdString();
    EXPECT_EQ(term.attribute, "userPrincipalName");
    EXPECT_EQ(term.text(), v);
  }
}

// ---- Indexable terms

TEST(IndexableTerms, ListsTheConjunctiveEqualityTests) {
  const auto terms = [](const char* text) {
    const auto f = parseFilter(QString::fromLatin1(text));
    EXPECT_TRUE(f.ok()) << text;
    return indexableTerms(*f);
  };
  using T = EqualityTerm;
  EXPECT_EQ(terms("(sAMAccountName=jsmith)"), (QList<T>{{"samaccountname", "jsmith"}}));
  EXPECT_EQ(terms("(&(objectCategory=Person)(objectClass=user)(sAMAccountName=jsmith))"),
            (QList<T>{{"objectcategory", "Person"}, {"objectclass", "user"}, {"samaccountname", "jsmith"}}));
  EXPECT_EQ(terms("(&(objectClass=user)(objectCategory=person)(userprincipalName=J\\2a@x))"),
            (QList<T>{{"objectclass", "user"}, {"objectcategory", "person"}, {"userprincipalname", "J*@x"}}));
  // Nested & lists are conjunctive too.
  EXPECT_EQ(terms("(&(&(a=1)(b=2))(c=3))"), (QList<T>{{"a", "1"}, {"b", "2"}, {"c", "3"}}));
  // Alternatives, negations, wildcards, presence and ranges give no index term.
  EXPECT_EQ(terms("(&(|(a=1)(b=2))(!(c=3))(d=x*)(e=*)(f>=1)(g~=x)(h=1))"), (QList<T>{{"h", "1"}}));
  EXPECT_TRUE(terms("(|(sAMAccountName=a)(sAMAccountName=b))").isEmpty());
  EXPECT_TRUE(terms("(!(sAMAccountName=a))").isEmpty());
  // Binary values keep their octets: a SID with NUL and high bytes.
  EXPECT_EQ(terms("(objectSid=\\01\\05\\00\\00\\ff\\e9)"),
            (QList<T>{{"objectsid", QByteArray::fromHex("01050000ffe9")}}));
}

}  // namespace
