// The searches the program makes, each run as the program writes it, through the ADO-shaped
// command: the domain list from the global catalog, the tree loader's OU, user and group searches,
// the user-principal-name check, and the one-level expansion of an OU. Also the global catalog's
// view of a two-domain forest. Written against the provider interface only.

#include "DirectoryFixture.h"

#include "platform/adsi/AdoSearch.h"
#include "platform/search/Filter.h"

namespace tavrel::test {
namespace {

using namespace adsi;

class Searches : public DirectoryFixture {
 protected:
  void SetUp() override {
    DirectoryFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    simnet::NetworkBuilder b = populate();
    b.user("example.local", "ws01", simnet::UserSpec().in("OU=Sales").named("WS01").asComputer())
        .user("example.local", "rbrown",
              simnet::UserSpec()
                  .in("OU=East,OU=Sales")
                  .named("Rita Brown")
                  .with("userPrincipalName", "rbrown@example.local"));
    ASSERT_TRUE(b.build().ok());
    if (realDc()) return;  // the test DC's forest has no other domain
    b.user("branch.example.local", "bob",
              simnet::UserSpec()
                  .named("Bob Branch")
                  .with("userPrincipalName", "bob@branch.example.local")
                  .with("homeDirectory", "\\\\fs1\\home\\bob"))
        .ou("branch.example.local", "OU=Depot");
    ASSERT_TRUE(b.build().ok());
  }

  // On the test DC, the expected names without those the simulated forest's other domain adds.
  static QStringList inThisForest(QStringList names) {
    if (!realDc()) return names;
    for (const char* other : {"Depot", "BRANCH", "bob"}) names.removeAll(QLatin1String(other));
    if (names.count("Domain Controllers") > 1) names.removeOne("Domain Controllers");
    return names;
  }

  // The global-catalog root as the program finds it: the ADsPath of the last child of "GC:".
  QString gcRoot() {
    QString root;
    for (const AdsObject& child : all(bind("GC:").Children())) root = child.ADsPath();
    return root;
  }

  Result<AdoRecordset> execute(const QString& text,
                               const QString& connectionString = "Active Directory Provider") {
    AdoConnection conn(*dir);
    conn.ConnectionTimeout = 30;
    conn.Provider = QStringLiteral("ADsDSOObject");
    if (Status s = conn.Open(connectionString, "", "", -1); !s) return s.error();
    AdoCommand cmd;
    cmd.CommandTimeout = 30;
    cmd.ActiveConnection = &conn;
    cmd.CommandText = text;
    return cmd.Execute();
  }
  // Every record of a search that must succeed, each as its fields in text form.
  QList<QStringList> records(const QString& text) {
    auto rs = execute(text);
    EXPECT_TRUE(rs.ok()) << text.toStdString() << ": " << rs.error().hex().toStdString();
    QList<QStringList> out;
    if (!rs) return out;
    for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
      QStringList fields;
      for (int i = 0; i < rs->FieldCount(); ++i)
        fields.append(rs->Fields(i).isNull() ? QStringLiteral("<null>") : rs->Fields(i).toString());
      out.append(fields);
    }
    return out;
  }
  static QStringList field(const QList<QStringList>& recs, int i) {
    QStringList out;
    for (const QStringList& r : recs) out.append(r.value(i));
    return out;
  }
  static QStringList sorted(QStringList l) {
    l.sort(Qt::CaseInsensitive);
    return l;
  }
};

// The parent key the loader takes from a path: the text after the comma of the earliest ",OU=",
// ",DC=" or ",CN=".
QString parentKey(const QString& path) {
  qsizetype at = path.size();
  for (const char* marker : {",OU=", ",DC=", ",CN="}) {
    const qsizetype i = path.indexOf(QLatin1String(marker));
    if (i >= 0) at = std::min(at, i);
  }
  return path.mid(at + 1);
}

TEST_F(Searches, DomainListFromTheGlobalCatalog) {
  const QString root = gcRoot();
  EXPECT_EQ(root, "GC://example.local");
  const auto recs =
      records("<" + root + ">;(&(objectCategory=Domain)(objectClass=Domain));distinguishedName;subTree");
  QStringList names;
  for (const QString& dn : field(recs, 0)) names.append(dn.mid(3).replace(",DC=", ".", Qt::CaseInsensitive));
  const QStringList want = realDc() ? QStringList{"example.local"} : QStringList{"branch.example.local", "example.local"};
  EXPECT_EQ(sorted(names), want);
}

TEST_F(Searches, TreeLoaderOuSearch) {
  const auto recs = records(
      "<LDAP://example.local>;(&(objectCategory=OrganizationalUnit)(objectClass=OrganizationalUnit));"
      "distinguishedName,name;subTree");
  EXPECT_EQ(sorted(field(recs, 1)), (QStringList{"Domain Controllers", "East", "Sales"}))
      << "the child domain's OUs belong to its own tree";
  for (const QStringList& r : recs) {
    EXPECT_TRUE(r[0].startsWith("OU=" + r[1] + ","));
    EXPECT_TRUE(r[0].endsWith(",DC=example,DC=local"));
  }
}

TEST_F(Searches, TreeLoaderUserSearchInBothForms) {
  const auto named = records(
      "<LDAP://example.local>;(&(objectCategory=Person)(objectClass=User));adsPath,name,name;subTree");
  const QStringList paths = field(named, 0);
  EXPECT_TRUE(paths.contains("LDAP://example.local/" + jsmithDn));
  EXPECT_TRUE(paths.contains("LDAP://example.local/CN=Rita Brown,OU=East,OU=Sales,DC=example,DC=local"));
  EXPECT_TRUE(paths.contains("LDAP://example.local/CN=mjones," + usersDn));
  EXPECT_FALSE(paths.contains("LDAP://example.local/CN=WS01," + salesDn)) << "computers are no persons";
  EXPECT_FALSE(field(named, 1).contains("Bob Branch")) << "another domain";
  for (const QStringList& r : named) {
    EXPECT_TRUE(r[0].startsWith("LDAP://example.local/CN=")) << r[0].toStdString();
    EXPECT_EQ(r[1], r[2]);
    EXPECT_EQ(parentKey(r[0]), r[0].section(',', 1)) << "the parent key is the container's DN";
  }

  const auto displayed = records(
      "<LDAP://example.local>;(&(objectCategory=Person)(objectClass=User));adsPath,DisplayName,Name;subTree");
  ASSERT_EQ(displayed.size(), named.size());
  QHash<QString, QString> shown;
  for (const QStringList& r : displayed) shown.insert(r[2], r[1] == "<null>" ? r[2] : r[1]);
  EXPECT_EQ(shown.value("John Smith"), "John Smith");
  EXPECT_EQ(shown.value("mjones"), "mjones") << "no DisplayName: the name is shown";
}

TEST_F(Searches, TreeLoaderGroupSearchInNameOrder) {
  simnet::NetworkBuilder b = populate();
  b.group("example.local", "accounting", simnet::GroupSpec().ofType(4).in("OU=Sales"))
      .group("example.local", "Zebra", simnet::GroupSpec().ofType(8));
  ASSERT_TRUE(b.build().ok());
  auto rs =
      execute("select GroupType,name,adsPath from 'LDAP://example.local' where objectCategory = 'group'" +
              QString(26, u' ') + " ORDER BY NAME");
  ASSERT_TRUE(rs.ok()) << rs.error().message.toStdString();
  QStringList names;
  QHash<QString, qint32> types;
  for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
    names.append(rs->Fields(1).toString());
    types.insert(rs->Fields(1).toString(), rs->Fields(0).toInt());
    EXPECT_TRUE(
        rs->Fields(2).toString().startsWith("LDAP://example.local/CN=" + rs->Fields(1).toString() + ","));
  }
  EXPECT_EQ(names, sorted(names));
  EXPECT_TRUE(names.contains("Domain Users") && names.contains("Administrators"));
  EXPECT_EQ(types.value("Sales Team"), qint32(0x80000002u));
  EXPECT_EQ(types.value("accounting"), 4);
  EXPECT_EQ(types.value("Zebra"), 8);
  EXPECT_EQ(types.value("Administrators"), qint32(0x80000005u));
  EXPECT_EQ(names.value(names.size() - 1), "Zebra");
}

TEST_F(Searches, UserPrincipalNameCheckInTheGlobalCatalog) {
  struct Case {
    const char* upn;
    bool found;
  };
  const Case cases[] = {
      {"jsmith@example.local", true},
      {"JSMITH@Example.Local", true},
      {"bob@branch.example.local", true},  // another domain of the forest
      {"rbrown@example.local", true},
      {"nobody@example.local", false},
      {"jsmith@branch.example.local", false},
      {"jsm*", true},  // put into the filter as it is: the asterisk is a wildcard
  };
  const QString root = gcRoot();
  for (const Case& c : cases) {
    if (elsewhere(QLatin1String(c.upn))) continue;
    auto rs = execute("<" + root + ">;(&(objectClass=user)(objectCategory=person)(userprincipalName=" +
                          QLatin1String(c.upn) + "));userPrincipalName,cn,distinguishedName;subtree",
                      "ADs Provider");
    ASSERT_TRUE(rs.ok()) << c.upn;
    EXPECT_EQ(!(rs->BOF() && rs->EOF()), c.found) << c.upn;
  }
  // A parenthesis makes the filter malformed: an error, never a match-everything.
  auto bad = execute("<" + root +
                     ">;(&(objectClass=user)(objectCategory=person)(userprincipalName=a)(b));"
                     "userPrincipalName,cn,distinguishedName;subtree");
  EXPECT_EQ(bad.code(), hr::DB_ERRORS_IN_COMMAND);
  // Escaped, the same text is searched for exactly.
  auto escaped =
      execute("<" + root + ">;(userPrincipalName=" + search::escapeFilterValue(u"jsm*") + ");cn;subtree");
  ASSERT_TRUE(escaped.ok());
  EXPECT_TRUE(escaped->EOF());
}

TEST_F(Searches, IndexedLookUpsFindWhatTheFilterFinds) {
  simnet::NetworkBuilder b = populate();
  b.user("example.local", "juergen",
         simnet::UserSpec().with("userPrincipalName", "J\u00fcrgen@Example.local"));
  ASSERT_TRUE(b.build().ok());
  struct Case {
    QString text;
    QStringList names;
  };
  const Case cases[] = {
      // User principal names compare without regard to case, beyond ASCII too.
      {"<GC://example.local>;(userPrincipalName=J\u00dcRGEN@EXAMPLE.LOCAL);sAMAccountName;subtree",
       {"juergen"}},
      {"<LDAP://example.local>;(userPrincipalName=j\u00fcrgen@example.local);sAMAccountName;subtree",
       {"juergen"}},
      {"<LDAP://example.local/" + salesDn +
           ">;(userPrincipalName=jsmith@example.local);sAMAccountName;onelevel",
       {"jsmith"}},
      {"<LDAP://example.local/" + usersDn +
           ">;(userPrincipalName=jsmith@example.local);sAMAccountName;subtree",
       {}},
      // Classes and categories, by short name and in any case, from the head of a domain.
      {"<LDAP://example.local>;(objectClass=COMPUTER);sAMAccountName;subtree", {"DC1$", "ws01$"}},
      {"<LDAP://example.local>;(&(objectCategory=computer)(objectClass=user));sAMAccountName;subtree",
       {"DC1$", "ws01$"}},
      {"<LDAP://branch.example.local>;(objectCategory=organizationalUnit);name;subtree",
       {"Depot", "Domain Controllers"}},
      {"<GC://example.local>;(objectCategory=OrganizationalUnit);name;subtree",
       {"Depot", "Domain Controllers", "Domain Controllers", "East", "Sales"}},
      {"<LDAP://example.local/" + salesDn + ">;(objectCategory=USER);name;onelevel", {"John Smith"}},
      {"<LDAP://example.local>;(objectCategory=domainDNS);name;subtree", {"example"}},
      {"<LDAP://example.local>;(objectCategory=builtinDomain);name;subtree", {"Builtin"}},
      {"<LDAP://example.local>;(objectCategory=CN=Organizational-Unit,CN=Schema,CN=Configuration,DC=example,"
       "DC=local);name;subtree",
       {"Domain Controllers", "East", "Sales"}},
      // A category's own CN is no name a filter may use for it, nor is a name outside the schema.
      {"<LDAP://example.local>;(objectCategory=Organizational-Unit);name;subtree", {}},
      {"<LDAP://example.local>;(objectCategory=Domain-DNS);name;subtree", {}},
      {"<LDAP://example.local>;(objectCategory=Builtin-Domain);name;subtree", {}},
      {"<LDAP://example.local/CN=Partitions,CN=Configuration,DC=example,DC=local>;(objectCategory=Cross-Ref);"
       "name;onelevel",
       {}},
      {"<LDAP://example.local/CN=Partitions,CN=Configuration,DC=example,DC=local>;(objectCategory=crossRef);"
       "name;onelevel",
       {"BRANCH", "Enterprise Configuration", "Enterprise Schema", "EXAMPLE"}},
      {"<LDAP://example.local>;(|(objectCategory=frobnicator)(sAMAccountName=jsmith));name;subtree",
       {"John Smith"}},
  };
  for (const Case& c : cases) {
    if (elsewhere(c.text)) continue;
    EXPECT_EQ(sorted(field(records(c.text), 0)), inThisForest(c.names)) << c.text.toStdString();
  }
}

// A search stays within the naming context of its base: from a domain's head it does not reach the
// configuration partition (the server refers to it instead), nor from the configuration the
// schema. The global catalog holds the configuration too.
TEST_F(Searches, ASearchStaysInTheNamingContextOfItsBase) {
  const QString config = "CN=Configuration,DC=example,DC=local";
  const QStringList crossRefs{"BRANCH", "Enterprise Configuration", "Enterprise Schema", "EXAMPLE"};
  struct Case {
    QString text;
    QStringList names;
  };
  const Case cases[] = {
      {"<LDAP://example.local>;(objectCategory=crossRef);name;subtree", {}},
      {"<LDAP://example.local>;(objectClass=configuration);name;subtree", {}},
      {"<LDAP://example.local>;(objectClass=crossRefContainer);name;subtree", {}},
      {"<LDAP://example.local>;(name=Configuration);name;onelevel", {}},
      {"<LDAP://example.local>;(objectClass=builtinDomain);name;onelevel", {"Builtin"}},
      {"<LDAP://example.local/" + config + ">;(objectCategory=crossRef);name;subtree", crossRefs},
      {"<LDAP://example.local/" + config + ">;(objectClass=configuration);name;subtree", {"Configuration"}},
      {"<LDAP://example.local/" + config + ">;(objectClass=dMD);name;subtree", {}},
      {"<LDAP://example.local/" + config + ">;(objectClass=dMD);name;onelevel", {}},
      {"<LDAP://example.local/" + config + ">;(name=Configuration);name;base", {"Configuration"}},
      {"<GC://example.local>;(objectCategory=crossRef);name;subtree", crossRefs},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sorted(field(records(c.text), 0)), inThisForest(c.names)) << c.text.toStdString();
  }
}

// "(objectCategory=<class>)" stands for the class's default category: inetOrgPerson's is Person,
// so the filter finds every person, users included.
TEST_F(Searches, ACategoryByClassNameIsTheClasssDefaultCategory) {
  AdsObject sales = bind("LDAP://example.local/" + salesDn);
  auto ivy = sales.Create("inetOrgPerson", "CN=Ivy Inet");
  ASSERT_TRUE(ivy.ok()) << ivy.error().message.toStdString();
  ASSERT_TRUE(ivy->Put("sAMAccountName", "iinet").ok());
  const Status made = ivy->SetInfo();
  ASSERT_TRUE(made.ok()) << made.error().message.toStdString();
  const QString base = "<LDAP://example.local/" + salesDn + ">;";
  struct Case {
    QString filter;
    QStringList names;
  };
  const Case cases[] = {
      {"(objectCategory=inetOrgPerson)", {"Ivy Inet", "John Smith", "Rita Brown"}},
      {"(objectCategory=INETORGPERSON)", {"Ivy Inet", "John Smith", "Rita Brown"}},
      {"(objectCategory=person)", {"Ivy Inet", "John Smith", "Rita Brown"}},
      {"(objectClass=inetOrgPerson)", {"Ivy Inet"}},
      {"(&(objectCategory=person)(objectClass=user))", {"Ivy Inet", "John Smith", "Rita Brown"}},
      {"(objectCategory=computer)", {"WS01"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(sorted(field(records(base + c.filter + ";name;subtree"), 0)), c.names)
        << c.filter.toStdString();
  EXPECT_EQ(bind("LDAP://example.local/CN=Ivy Inet," + salesDn).Class(), "inetOrgPerson");
}

TEST_F(Searches, OuExpansionIsOneLevel) {
  const QString text = "<LDAP://example.local/" + salesDn + ">;(objectClass=User);ADsPath,Name;onelevel";
  const auto recs = records(text);
  EXPECT_EQ(sorted(field(recs, 1)), (QStringList{"John Smith", "WS01"}))
      << "direct children only; the class filter also takes computers";
  EXPECT_TRUE(field(recs, 0).contains("LDAP://example.local/" + jsmithDn));
  // The persons-only form leaves the computer out.
  const auto people = records("<LDAP://example.local/" + salesDn +
                              ">;(&(objectCategory=person)(objectClass=user));ADsPath,Name;onelevel");
  EXPECT_EQ(field(people, 1), QStringList{"John Smith"});
  // An empty OU gives no records and no error.
  if (!realDc()) {
    EXPECT_TRUE(
      records("<LDAP://branch.example.local/OU=Depot,DC=branch,DC=example,DC=local>;(objectClass=User);"
              "ADsPath,Name;onelevel")
          .isEmpty());
  }
  // Each path binds to the user it names.
  for (const QString& path : field(recs, 0)) EXPECT_EQ(bindCode(path), hr::S_OK) << path.toStdString();
}

TEST_F(Searches, TheGlobalCatalogCoversTheForestWithThePartialAttributeSet) {
  const QString root = gcRoot();
  const auto everyone =
      records("<" + root +
              ">;(&(objectCategory=person)(objectClass=user));adsPath,sAMAccountName,homeDirectory;subtree");
  const QStringList accounts = field(everyone, 1);
  EXPECT_TRUE(accounts.contains("jsmith"));
  EXPECT_FALSE(accounts.contains("jdoe")) << "NT 4.0 domains are not in the forest";
  for (const QStringList& r : everyone) EXPECT_TRUE(r[0].startsWith("GC://example.local/")) << r[0].toStdString();
  // A Samba DC's catalog gives every attribute of its own domain, and its forest has one domain.
  SIMNET_ONLY("the partial attribute set and the forest's other domain");
  EXPECT_TRUE(accounts.contains("bob"));
  for (const QStringList& r : everyone) EXPECT_EQ(r[2], "<null>") << "homeDirectory is not in the global catalog";
  // The domain's own directory has it.
  const auto direct = records("<LDAP://branch.example.local>;(sAMAccountName=bob);homeDirectory;subtree");
  EXPECT_EQ(field(direct, 0), QStringList{"\\\\fs1\\home\\bob"});
  // The forest view is read through the GC provider, a domain's own view stays within it.
  EXPECT_TRUE(records("<LDAP://example.local>;(sAMAccountName=bob);cn;subtree").isEmpty());
  EXPECT_EQ(
      records("<GC://example.local/DC=branch,DC=example,DC=local>;(sAMAccountName=bob);cn;subtree").size(),
      1);
}

}  // namespace
}  // namespace tavrel::test
