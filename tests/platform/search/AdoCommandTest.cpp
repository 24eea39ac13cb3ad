#include "platform/search/AdoCommand.h"

#include <gtest/gtest.h>

using namespace tavrel::search;

namespace {

const QString kDomain = QStringLiteral("example.local");

Parsed<AdoQuery> parse(const QString& text) {
  auto q = parseAdoCommand(text);
  EXPECT_TRUE(q.ok()) << text.toStdString() << ": " << q.error().message.toStdString() << " at "
                      << q.error().position;
  return q;
}

// ---- The command texts exactly as the program builds them.

// The domains of the forest, from the global catalog.
TEST(ProgramCommands, DomainsFromTheGlobalCatalog) {
  const auto q =
      parse("<GC://example.local>;(&(objectCategory=Domain)(objectClass=Domain));distinguishedName;subTree");
  ASSERT_TRUE(q.ok());
  EXPECT_EQ(q->dialect, Dialect::Ldap);
  EXPECT_EQ(q->base, (SearchBase{"GC://example.local", "GC", "example.local", ""}));
  EXPECT_EQ(q->filter.toString(), "(&(objectCategory=Domain)(objectClass=Domain))");
  EXPECT_EQ(q->attributes, QStringList{"distinguishedName"});
  EXPECT_EQ(q->scope, Scope::Subtree);
  EXPECT_FALSE(q->orderBy);
}

// The three searches of the tree loader.
TEST(ProgramCommands, TreeLoaderOrganizationalUnits) {
  const auto q = parse("<LDAP://" + kDomain +
                       ">;(&(objectCategory=OrganizationalUnit)(objectClass=OrganizationalUnit));"
                       "distinguishedName,name;subTree");
  ASSERT_TRUE(q.ok());
  EXPECT_EQ(q->base, (SearchBase{"LDAP://example.local", "LDAP", "example.local", ""}));
  EXPECT_EQ(q->filter.toString(), "(&(objectCategory=OrganizationalUnit)(objectClass=OrganizationalUnit))");
  EXPECT_EQ(q->attributes, (QStringList{"distinguishedName", "name"}));
  EXPECT_EQ(q->scope, Scope::Subtree);
}

TEST(ProgramCommands, TreeLoaderUsersWithAndWithoutDisplayNames) {
  const auto names = parse("<LDAP://" + kDomain +
                           ">;(&(objectCategory=Person)(objectClass=User));adsPath,name,name;subTree");
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(names->attributes, (QStringList{"adsPath", "name", "name"}));  // the duplicate is kept
  EXPECT_EQ(names->filter.toString(), "(&(objectCategory=Person)(objectClass=User))");
  const auto display =
      parse("<LDAP://" + kDomain +
            ">;(&(objectCategory=Person)(objectClass=User));adsPath,DisplayName,Name;subTree");
  ASSERT_TRUE(display.ok());
  EXPECT_EQ(display->attributes, (QStringList{"adsPath", "DisplayName", "Name"}));
  EXPECT_EQ(display->base.server, kDomain);
  EXPECT_EQ(display->scope, Scope::Subtree);
}

TEST(ProgramCommands, TreeLoaderGroupsInTheSqlDialect) {
  const QString condition = "objectCategory = 'group'" + QString(26, u' ');
  const auto q = parse("select GroupType,name,adsPath from '" + QStringLiteral("LDAP://") + kDomain +
                       "' where " + condition + " ORDER BY NAME");
  ASSERT_TRUE(q.ok());
  EXPECT_EQ(q->dialect, Dialect::Sql);
  EXPECT_EQ(q->base, (SearchBase{"LDAP://example.local", "LDAP", "example.local", ""}));
  EXPECT_EQ(q->filter.toString(), "(objectCategory=group)");
  EXPECT_EQ(q->attributes, (QStringList{"GroupType", "name", "adsPath"}));
  EXPECT_EQ(q->scope, Scope::Subtree);
  EXPECT_EQ(q->orderBy, "NAME");
}

// The user principal name check: the name is inserted as typed by the caller.
TEST(ProgramCommands, UserPrincipalNameInTheGlobalCatalog) {
  const auto text = [](const QString& name) {
    return "<GC://example.local>;(&(objectClass=user)(objectCategory=person)(userprincipalName=" + name +
           "));userPrincipalName,cn,distinguishedName;subtree";
  };
  const auto q = parse(text("jsmith@example.local"));
  ASSERT_TRUE(q.ok());
  EXPECT_EQ(q->filter.toString(),
            "(&(objectClass=user)(objectCategory=person)(userprincipalName=jsmith@example.local))");
  EXPECT_EQ(q->attributes, (QStringList{"userPrincipalName", "cn", "distinguishedName"}));
  EXPECT_EQ(q->scope, Scope::Subtree);
  EXPECT_EQ(q->base.provider, "GC");

  // Unescaped, an asterisk is a wildcard and parentheses break the filter; escaped, both are
  // literal characters of one equality test.
  const auto wild = parse(text("j*"));
  ASSERT_TRUE(wild.ok());
  EXPECT_EQ(wild->filter.children[2].kind, Filter::Kind::Substrings);
  EXPECT_FALSE(parseAdoCommand(text("a)(b")).ok());
  EXPECT_FALSE(parseAdoCommand(text("a)")).ok());
  const auto escaped = parse(text(escapeFilterValue(u"j*)(cn=x;y")));
  ASSERT_TRUE(escaped.ok());
  ASSERT_EQ(escaped->filter.children.size(), 3u);
  EXPECT_EQ(escaped->filter.children[2].kind, Filter::Kind::Equality);
  EXPECT_EQ(escaped->filter.children[2].text(), "j*)(cn=x;y");
  EXPECT_EQ(escaped->attributes.size(), 3);
}

// The one-level expansion of an OU in the bulk windows (the key is the OU's DN).
TEST(ProgramCommands, OneLevelUsersOfAnOrganizationalUnit) {
  const QString key = QStringLiteral("OU=Sales,OU=Staff,DC=example,DC=local");
  const auto q = parse("<" + QStringLiteral("LDAP://") + kDomain + "/" + key +
                       ">;(objectClass=User);ADsPath,Name;onelevel");
  ASSERT_TRUE(q.ok());
  EXPECT_EQ(q->base, (SearchBase{"LDAP://example.local/" + key, "LDAP", "example.local", key}));
  EXPECT_EQ(q->filter.toString(), "(objectClass=User)");
  EXPECT_EQ(q->attributes, (QStringList{"ADsPath", "Name"}));
  EXPECT_EQ(q->scope, Scope::OneLevel);
}

// OU names may hold characters with a meaning in the command or the path.
TEST(ProgramCommands, OneLevelWithAwkwardOuNames) {
  struct Case {
    QString key;
    QString dn;
  };
  const Case cases[] = {
      {"OU=R;D,DC=example,DC=local", "OU=R;D,DC=example,DC=local"},
      {"OU=Sales/Marketing,DC=example,DC=local", "OU=Sales/Marketing,DC=example,DC=local"},
      {"OU=Sales\\/Marketing,DC=example,DC=local", "OU=Sales/Marketing,DC=example,DC=local"},
      {"OU=a\\>b\\,c,DC=example,DC=local", "OU=a\\>b\\,c,DC=example,DC=local"},
      {"OU=Büro (Nord),DC=example,DC=local", "OU=Büro (Nord),DC=example,DC=local"},
  };
  for (const auto& c : cases) {
    const auto q = parse("<LDAP://example.local/" + c.key + ">;(objectClass=User);ADsPath,Name;onelevel");
    ASSERT_TRUE(q.ok()) << c.key.toStdString();
    EXPECT_EQ(q->base.server, "example.local");
    EXPECT_EQ(q->base.dn, c.dn);
    EXPECT_EQ(q->scope, Scope::OneLevel);
    EXPECT_EQ(q->attributes, (QStringList{"ADsPath", "Name"}));
  }
}

// ---- LDAP dialect

TEST(LdapDialect, ScopesInAnyCase) {
  const struct {
    const char* word;
    Scope scope;
  } cases[] = {{"base", Scope::Base},         {"BASE", Scope::Base},         {"Base", Scope::Base},
               {"onelevel", Scope::OneLevel}, {"OneLevel", Scope::OneLevel}, {"ONELEVEL", Scope::OneLevel},
               {"subtree", Scope::Subtree},   {"subTree", Scope::Subtree},   {"SUBTREE", Scope::Subtree}};
  for (const auto& c : cases) {
    const auto q = parse(QStringLiteral("<LDAP://example.local>;(cn=a);cn;") + QLatin1String(c.word));
    ASSERT_TRUE(q.ok()) << c.word;
    EXPECT_EQ(q->scope, c.scope) << c.word;
  }
  const auto omitted = parse("<LDAP://example.local>;(cn=a);cn");
  ASSERT_TRUE(omitted.ok());
  EXPECT_EQ(omitted->scope, Scope::Subtree);
}

TEST(LdapDialect, BlanksAroundThePartsAndTheNames) {
  const auto q = parse("  <LDAP://example.local> ; (&(cn=a)(sn=b)) ;adsPath , name,  cn ; oneLevel   ");
  ASSERT_TRUE(q.ok());
  EXPECT_EQ(q->attributes, (QStringList{"adsPath", "name", "cn"}));
  EXPECT_EQ(q->filter.toString(), "(&(cn=a)(sn=b))");
  EXPECT_EQ(q->scope, Scope::OneLevel);
}

struct BadCommand {
  const char* text;
  const char* message;
  int position;
};

class BadCommandText : public ::testing::TestWithParam<BadCommand> {};

TEST_P(BadCommandText, IsAnExplicitError) {
  const auto& c = GetParam();
  const auto q = parseAdoCommand(QString::fromUtf8(c.text));
  ASSERT_FALSE(q.ok()) << c.text;
  EXPECT_TRUE(q.error().message.contains(QString::fromUtf8(c.message)))
      << c.text << ": " << q.error().message.toStdString();
  EXPECT_EQ(q.error().position, c.position) << c.text << ": " << q.error().message.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadCommandText,
    ::testing::Values(
        BadCommand{"", "empty", 0}, BadCommand{"   ", "empty", 0},
        BadCommand{"LDAP://example.local;(cn=a);cn;subtree", "neither", 0},
        BadCommand{"<LDAP://example.local;(cn=a);cn;subtree", "not closed", 0},
        BadCommand{"<LDAP://example.local>", "expected ';' and a filter", 22},
        BadCommand{"<LDAP://example.local>(cn=a);cn", "expected ';' and a filter", 22},
        BadCommand{"<LDAP://example.local>;(cn=a)", "attribute list", 29},
        BadCommand{"<LDAP://example.local>;cn=a;cn;base", "expected '('", 23},
        BadCommand{"<LDAP://example.local>;(cn=a;cn;base", "')' is missing", 36},
        BadCommand{"<LDAP://example.local>;(&(cn=a)(sn=b);cn;base", "unexpected ';'", 37},
        BadCommand{"<LDAP://example.local>;;cn;base", "empty", 23},
        BadCommand{"<LDAP://example.local>;(cn=a);;base", "empty attribute name", 30},
        BadCommand{"<LDAP://example.local>;(cn=a);adsPath,,name;base", "empty attribute name", 38},
        BadCommand{"<LDAP://example.local>;(cn=a);ads Path;base", "bad attribute name", 30},
        BadCommand{"<LDAP://example.local>;(cn=a);cn;sub", "unknown scope 'sub'", 33},
        BadCommand{"<LDAP://example.local>;(cn=a);cn;", "unknown scope ''", 33},
        BadCommand{"<LDAP://example.local>;(cn=a);cn;subtree;x", "unknown scope", 33},
        BadCommand{"<ldap://example.local>;(cn=a);cn;base", "capitals", 1},
        BadCommand{"<WinNT://EXAMPLE>;(cn=a);cn;base", "must begin with LDAP:// or GC://", 1},
        BadCommand{"<LDAP://>;(cn=a);cn;base", "no server and no object", 8},
        BadCommand{"<LDAP:///DC=x>;(cn=a);cn;base", "empty server name", 8},
        BadCommand{"select name from 'LDAP://example.local'", "expected WHERE", 39},
        BadCommand{"select from 'LDAP://example.local' where cn='a'", "expected an attribute name", 7},
        BadCommand{"select name, from 'LDAP://example.local' where cn='a'", "expected an attribute name", 13},
        BadCommand{"select name 'LDAP://example.local' where cn='a'", "expected FROM", 12},
        BadCommand{"select name from LDAP://example.local where cn='a'", "single quotes", 17},
        BadCommand{"select name from 'LDAP://example.local where cn='a'", "expected WHERE", 49},
        BadCommand{"select name from 'GC:' where cn='a'", "must begin", 18},
        BadCommand{"select name from 'LDAP://example.local' where cn>='a'", "only <attribute> = '<value>'",
                   48},
        BadCommand{"select name from 'LDAP://example.local' where cn=a", "value in single quotes", 49},
        BadCommand{"select name from 'LDAP://example.local' where cn='a", "value in single quotes", 49},
        BadCommand{"select name from 'LDAP://example.local' where = 'a'", "attribute name after WHERE", 46},
        BadCommand{"select name from 'LDAP://example.local' where cn='a' and sn='b'", "unexpected text", 53},
        BadCommand{"select name from 'LDAP://example.local' where cn='a' ORDER name", "expected BY", 59},
        BadCommand{"select name from 'LDAP://example.local' where cn='a' ORDER BY", "after ORDER BY", 61},
        BadCommand{"select name from 'LDAP://example.local' where cn='a' ORDER BY name, cn",
                   "unexpected text", 66},
        BadCommand{"select name from 'LDAP://example.local' where -x='a'", "attribute name", 46}));

// ---- SQL dialect

TEST(SqlDialect, KeywordsInAnyCaseAndBlanksAnywhere) {
  const char* texts[] = {
      "select name from 'LDAP://example.local' where objectCategory='group' order by name",
      "SELECT name FROM 'LDAP://example.local' WHERE objectCategory = 'group' ORDER BY name",
      "Select   name\tFrom 'LDAP://example.local'\nWhere objectCategory =\t'group'    Order  By  name   ",
      "  sElEcT name fRoM 'LDAP://example.local' wHeRe objectCategory = 'group' oRdEr bY name",
  };
  for (const char* text : texts) {
    const auto q = parse(QString::fromLatin1(text));
    ASSERT_TRUE(q.ok()) << text;
    EXPECT_EQ(q->attributes, QStringList{"name"}) << text;
    EXPECT_EQ(q->filter.toString(), "(objectCategory=group)") << text;
    EXPECT_EQ(q->orderBy, "name") << text;
  }
}

TEST(SqlDialect, OrderByIsOptional) {
  const auto q =
      parse("select GroupType, name , adsPath from 'LDAP://example.local' where objectCategory = 'group'   ");
  ASSERT_TRUE(q.ok());
  EXPECT_FALSE(q->orderBy.has_value());
  EXPECT_EQ(q->attributes, (QStringList{"GroupType", "name", "adsPath"}));
}

TEST(SqlDialect, ValueAsteriskIsAWildcardOtherSpecialsAreLiteral) {
  const auto wild = parse("select name from 'LDAP://example.local' where name = 'Sal*'");
  ASSERT_TRUE(wild.ok());
  EXPECT_EQ(wild->filter.kind, Filter::Kind::Substrings);
  const auto any = parse("select name from 'LDAP://example.local' where name = '*'");
  ASSERT_TRUE(any.ok());
  EXPECT_EQ(any->filter.kind, Filter::Kind::Present);
  const auto literal = parse("select name from 'LDAP://example.local' where name = 'O''Brien (x)\\y'");
  ASSERT_TRUE(literal.ok());
  EXPECT_EQ(literal->filter.kind, Filter::Kind::Equality);
  EXPECT_EQ(literal->filter.text(), "O'Brien (x)\\y");
  const auto keywordsInValue =
      parse("select name from 'LDAP://example.local' where description = ' order by x '");
  ASSERT_TRUE(keywordsInValue.ok());
  EXPECT_EQ(keywordsInValue->filter.text(), " order by x ");
  EXPECT_FALSE(keywordsInValue->orderBy);
}

TEST(SqlDialect, WordsThatMerelyBeginWithAKeywordAreNames) {
  const auto q =
      parse("select fromage,whereabouts from 'LDAP://example.local' where orderly = 'x' order by byline");
  ASSERT_TRUE(q.ok());
  EXPECT_EQ(q->attributes, (QStringList{"fromage", "whereabouts"}));
  EXPECT_EQ(q->filter.toString(), "(orderly=x)");
  EXPECT_EQ(q->orderBy, "byline");
}

// ---- Base paths

TEST(SearchBasePath, Forms) {
  const struct {
    const char* path;
    SearchBase expected;
  } cases[] = {
      {"LDAP://example.local/DC=example,DC=local",
       {"LDAP://example.local/DC=example,DC=local", "LDAP", "example.local", "DC=example,DC=local"}},
      {"LDAP://example.local", {"LDAP://example.local", "LDAP", "example.local", ""}},
      {"LDAP://DC=example,DC=local", {"LDAP://DC=example,DC=local", "LDAP", "", "DC=example,DC=local"}},
      {"LDAP://dc1.example.local:389/OU=Sales,DC=example,DC=local",
       {"LDAP://dc1.example.local:389/OU=Sales,DC=example,DC=local", "LDAP", "dc1.example.local:389",
        "OU=Sales,DC=example,DC=local"}},
      {"GC://example.local", {"GC://example.local", "GC", "example.local", ""}},
      {"GC://example.local/DC=example,DC=local",
       {"GC://example.local/DC=example,DC=local", "GC", "example.local", "DC=example,DC=local"}},
      // A serverless DN with a slash in a name, written plainly or as ADSI escapes it.
      {"LDAP://OU=a/b,DC=x", {"LDAP://OU=a/b,DC=x", "LDAP", "", "OU=a/b,DC=x"}},
      {"LDAP://OU=a\\/b,DC=x", {"LDAP://OU=a\\/b,DC=x", "LDAP", "", "OU=a/b,DC=x"}},
      {"LDAP://example.local/", {"LDAP://example.local/", "LDAP", "example.local", ""}},
  };
  for (const auto& c : cases) {
    const auto b = parseSearchBase(QString::fromLatin1(c.path));
    ASSERT_TRUE(b.ok()) << c.path << ": " << b.error().message.toStdString();
    EXPECT_EQ(*b, c.expected) << c.path;
  }
}

TEST(SearchBasePath, Errors) {
  for (const char* path : {"", "example.local", "LDAP:", "GC:", "LDAP:/x", "Ldap://x", "gc://x", "LDAP://",
                           "GC://", "LDAP:///DC=x", "WinNT://EXAMPLE/jsmith"}) {
    const auto b = parseSearchBase(QString::fromLatin1(path));
    EXPECT_FALSE(b.ok()) << path;
  }
}

}  // namespace
