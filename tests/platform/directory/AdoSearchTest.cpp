// Directory searches through the ADO-shaped command: both dialects, scopes, adsPath's server part,
// null and typed fields, ORDER BY, complete results past the server's size limit, and errors.
// Written against the provider interface only, so it can run against another back end.

#include "DirectoryFixture.h"

#include "platform/adsi/AdoSearch.h"

#include <algorithm>

namespace tavrel::test {
namespace {

using namespace adsi;

// Every value of one field, record by record, as text.
QStringList column(AdoRecordset rs, int field) {
  QStringList out;
  for (rs.MoveFirst(); !rs.EOF(); rs.MoveNext()) out.append(rs.Fields(field).toString());
  return out;
}

QStringList sortedCopy(QStringList l) {
  l.sort(Qt::CaseInsensitive);
  return l;
}

class AdoSearch : public DirectoryFixture {
 protected:
  void SetUp() override {
    DirectoryFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    conn = std::make_unique<AdoConnection>(*dir);
    conn->ConnectionTimeout = 30;
    ASSERT_TRUE(conn->Open("Active Directory Provider", "", "", -1).ok());
  }

  Result<AdoRecordset> run(const QString& text) {
    AdoCommand cmd;
    cmd.CommandTimeout = 30;
    cmd.ActiveConnection = conn.get();
    cmd.CommandText = text;
    return cmd.Execute();
  }
  // The records of a search that must succeed.
  AdoRecordset rows(const QString& text) {
    auto rs = run(text);
    EXPECT_TRUE(rs.ok()) << text.toStdString() << ": " << rs.error().hex().toStdString() << " "
                         << rs.error().message.toStdString();
    return rs.ok() ? *rs : AdoRecordset();
  }

  std::unique_ptr<AdoConnection> conn;
  const QString jsmithPath =
      QStringLiteral("LDAP://example.local/CN=John Smith,OU=Sales,DC=example,DC=local");
};

TEST_F(AdoSearch, BothDialectsFindTheSameEntries) {
  struct Case {
    const char* text;
    QStringList firstField;  // in any order
  };
  const Case cases[] = {
      {"<LDAP://example.local>;(&(objectCategory=Person)(objectClass=User)(sAMAccountName=jsmith));"
       "adsPath,name;subTree",
       {jsmithPath}},
      {"  <LDAP://example.local> ; (sAMAccountName=JSMITH) ; adsPath , name ; SUBTREE  ", {jsmithPath}},
      {"<LDAP://example.local>;(sAMAccountName=jsmith);adsPath", {jsmithPath}},
      {"select adsPath, name from 'LDAP://example.local' where sAMAccountName = 'jsmith'", {jsmithPath}},
      {"SELECT adsPath,name FROM 'LDAP://example.local' WHERE samaccountname='jsmith'     ", {jsmithPath}},
      {"select adsPath from 'LDAP://example.local' where name = 'John*'", {jsmithPath}},
      {"select name from 'LDAP://example.local/OU=Sales,DC=example,DC=local' where objectCategory = 'group'",
       {"Sales Team"}},
      {"<LDAP://example.local>;(&(objectCategory=Person)(sAMAccountName=nobody));adsPath;subtree", {}},
  };
  for (const Case& c : cases) {
    AdoRecordset rs = rows(QString::fromLatin1(c.text));
    EXPECT_EQ(sortedCopy(column(rs, 0)), sortedCopy(c.firstField)) << c.text;
  }
}

TEST_F(AdoSearch, EachScopeInAnyLetterCase) {
  struct Case {
    const char* scope;
    QStringList names;
  };
  const Case cases[] = {
      {"base", {"Sales"}},
      {"Base", {"Sales"}},
      {"onelevel", {"East", "John Smith", "Sales Team"}},
      {"OneLevel", {"East", "John Smith", "Sales Team"}},
      {"subtree", {"East", "John Smith", "Sales", "Sales Team"}},
      {"subTree", {"East", "John Smith", "Sales", "Sales Team"}},
  };
  for (const Case& c : cases) {
    const QString text =
        QStringLiteral("<LDAP://example.local/%1>;(objectClass=*);name;%2").arg(salesDn, c.scope);
    EXPECT_EQ(sortedCopy(column(rows(text), 0)), c.names) << c.scope;
  }
}

TEST_F(AdoSearch, AdsPathKeepsTheServerPartOfTheBase) {
  struct Case {
    const char* base;
    const char* adsPath;
  };
  const Case cases[] = {
      {"LDAP://example.local", "LDAP://example.local/CN=John Smith,OU=Sales,DC=example,DC=local"},
      {"LDAP://DC1/OU=Sales,DC=example,DC=local", "LDAP://DC1/CN=John Smith,OU=Sales,DC=example,DC=local"},
      {"LDAP://OU=Sales,DC=example,DC=local", "LDAP://CN=John Smith,OU=Sales,DC=example,DC=local"},
      {"GC://example.local", "GC://example.local/CN=John Smith,OU=Sales,DC=example,DC=local"},
  };
  for (const Case& c : cases) {
    const QString text = QStringLiteral("<%1>;(sAMAccountName=jsmith);adsPath,distinguishedName;subtree")
                             .arg(QLatin1String(c.base));
    AdoRecordset rs = rows(text);
    ASSERT_EQ(rs.RecordCount(), 1) << c.base;
    EXPECT_EQ(rs.Fields(0).toString(), c.adsPath) << c.base;
    EXPECT_EQ(rs.Fields(1).toString(), jsmithDn) << c.base;
  }
}

TEST_F(AdoSearch, FieldsAreNullWhenMissingAndTypedBySyntax) {
  AdoRecordset rs = rows(QStringLiteral(
      "<LDAP://example.local>;(|(sAMAccountName=mjones)(sAMAccountName=jsmith));"
      "sAMAccountName,DisplayName,Name,name,objectSid,userAccountControl,pwdLastSet,description;subtree"));
  ASSERT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.FieldCount(), 8);
  bool sawJones = false;
  for (rs.MoveFirst(); !rs.EOF(); rs.MoveNext()) {
    const bool jones = rs.Fields(0).toString() == QLatin1String("mjones");
    sawJones |= jones;
    EXPECT_EQ(rs.Fields(1).isNull(), jones) << "displayName is set for jsmith only";
    EXPECT_EQ(rs.Fields(2), rs.Fields(3)) << "a duplicated attribute gives the same value twice";
    EXPECT_EQ(rs.Fields(2).typeId(), QMetaType::QString);
    EXPECT_EQ(rs.Fields(4).typeId(), QMetaType::QByteArray);
    EXPECT_EQ(rs.Fields(5).typeId(), QMetaType::Int);
    EXPECT_EQ(rs.Fields(6).typeId(), QMetaType::LongLong);
    EXPECT_TRUE(rs.Fields(7).isNull());
    EXPECT_EQ(rs.Fields("displayname"), rs.Fields(1)) << "fields by name in any case";
    EXPECT_TRUE(rs.Fields("homeDirectory").isNull()) << "a name not asked for";
    EXPECT_TRUE(rs.Fields(8).isNull());
    EXPECT_TRUE(rs.Fields(-1).isNull());
  }
  EXPECT_TRUE(sawJones);
  EXPECT_TRUE(rs.Fields(0).isNull()) << "at EOF";

  // A multi-valued attribute is a list even with one value; a group type is a signed int.
  AdsObject team = bind("LDAP://example.local/" + teamDn);
  ASSERT_TRUE(team.Put("description", "Sales people").ok());
  ASSERT_TRUE(team.SetInfo().ok());
  AdoRecordset g = rows(QStringLiteral(
      "select description, groupType, member from 'LDAP://example.local' where name = 'Sales Team'"));
  ASSERT_EQ(g.RecordCount(), 1);
  EXPECT_EQ(g.Fields(0), QVariant(QVariantList{QStringLiteral("Sales people")}));
  EXPECT_EQ(g.Fields(1), QVariant(qint32(0x80000002u)));
  EXPECT_EQ(g.Fields(2), QVariant(QVariantList{jsmithDn}));
}

TEST_F(AdoSearch, OrderBySortsByTheAttributeWithoutRegardToCase) {
  simnet::NetworkBuilder b = populate();
  for (const char* name : {"beta", "Alpha", "gamma", "Delta"}) b.group("example.local", name);
  ASSERT_TRUE(b.build().ok());
  AdoRecordset rs =
      rows(QStringLiteral("select GroupType,name,adsPath from 'LDAP://example.local' where "
                          "objectCategory = 'group'                          ORDER BY NAME"));
  const QStringList names = column(rs, 1);
  EXPECT_GE(names.size(), 8);
  EXPECT_EQ(names, sortedCopy(names));
  EXPECT_TRUE(names.contains("Alpha") && names.contains("Sales Team") && names.contains("Domain Users"));
  // Integers sort by value, not as text.
  AdoRecordset byType =
      rows(QStringLiteral("select groupType from 'LDAP://example.local' where objectCategory='group' "
                          "order by groupType"));
  QList<qint64> types;
  for (byType.MoveFirst(); !byType.EOF(); byType.MoveNext()) types.append(byType.Fields(0).toLongLong());
  ASSERT_FALSE(types.isEmpty());
  EXPECT_TRUE(std::is_sorted(types.begin(), types.end()));
  EXPECT_LT(types.first(), 0) << "security groups have negative types";
}

// simnet-specific: it sets the server's size limit (setSizeLimit), which a Samba DC does not
// enforce on unpaged searches.
TEST_F(AdoSearch, RecordSetsHoldEveryEntryPastTheSizeLimit) {
  SIMNET_ONLY("a server size limit");
  simnet::NetworkBuilder b = populate();
  b.ou("example.local", "OU=Many");
  for (int i = 0; i < 25; ++i)
    b.user("example.local", QStringLiteral("many%1").arg(i, 2, 10, QLatin1Char('0')),
           simnet::UserSpec().in("OU=Many"));
  ASSERT_TRUE(b.build().ok());
  setSizeLimit(10);

  const QString base = QStringLiteral("LDAP://example.local/OU=Many,DC=example,DC=local");
  AdoRecordset one = rows("<" + base + ">;(objectClass=User);ADsPath,Name;onelevel");
  EXPECT_EQ(one.RecordCount(), 25);
  QStringList names = column(one, 1);
  names.removeDuplicates();
  EXPECT_EQ(names.size(), 25) << "no entry twice";
  EXPECT_EQ(rows("select name from '" + base + "' where objectCategory='person' ORDER BY name").RecordCount(),
            25);
  // A subtree search found through the category index pages the same way.
  setSizeLimit(1000);
  const int persons =
      rows("select name from 'LDAP://example.local' where objectCategory='person'").RecordCount();
  setSizeLimit(10);
  EXPECT_GE(persons, 25);
  EXPECT_EQ(rows("select name from 'LDAP://example.local' where objectCategory='person'").RecordCount(),
            persons);
  // The limit itself is in force: one unpaged answer stops at 10 and says so.
  auto c = net->bind("example.local", Protocol::Ldap, std::nullopt);
  ASSERT_TRUE(c.ok());
  SearchRequest unpaged;
  unpaged.base = Dn::parse("OU=Many,DC=example,DC=local").value();
  unpaged.scope = Scope::OneLevel;
  auto cut = (*c)->search(unpaged);
  ASSERT_TRUE(cut.ok());
  EXPECT_EQ(cut->entries.size(), 10);
  EXPECT_TRUE(cut->sizeLimitExceeded);
}

TEST_F(AdoSearch, RecordSetNavigation) {
  AdoRecordset empty = rows(QStringLiteral("<LDAP://example.local>;(sAMAccountName=nobody);adsPath;subtree"));
  EXPECT_TRUE(empty.BOF());
  EXPECT_TRUE(empty.EOF());
  EXPECT_EQ(empty.RecordCount(), 0);
  EXPECT_EQ(empty.FieldCount(), 1);
  AdoRecordset two = rows(QStringLiteral(
      "<LDAP://example.local>;(|(sAMAccountName=jsmith)(sAMAccountName=mjones));sAMAccountName;subtree"));
  EXPECT_FALSE(two.BOF());
  EXPECT_FALSE(two.EOF());
  two.MoveNext();
  two.MoveNext();
  EXPECT_TRUE(two.EOF());
  two.MoveNext();  // at EOF nothing moves
  EXPECT_TRUE(two.EOF());
  two.MoveFirst();
  EXPECT_FALSE(two.EOF());
  EXPECT_FALSE(two.Fields(0).toString().isEmpty());
}

TEST_F(AdoSearch, ErrorsCarryTheirCodes) {
  struct Case {
    const char* text;
    quint32 code;
  };
  const Case cases[] = {
      {"<LDAP://example.local>;(cn=a;adsPath;subtree", hr::DB_ERRORS_IN_COMMAND},
      {"<LDAP://example.local>;(cn=a));adsPath;subtree", hr::DB_ERRORS_IN_COMMAND},
      {"<LDAP://example.local>;(cn=a);adsPath;sideways", hr::DB_ERRORS_IN_COMMAND},
      {"<LDAP://example.local;(cn=a);adsPath;subtree", hr::DB_ERRORS_IN_COMMAND},
      {"select from 'LDAP://example.local' where cn = 'a'", hr::DB_ERRORS_IN_COMMAND},
      {"select cn from 'LDAP://example.local' where cn = 'a", hr::DB_ERRORS_IN_COMMAND},
      {"", hr::DB_ERRORS_IN_COMMAND},
      {"<LDAP://example.local/OU=Nowhere,DC=example,DC=local>;(cn=*);adsPath;subtree", hr::NO_SUCH_OBJECT},
      {"<LDAP://nosuch.local>;(cn=*);adsPath;subtree", hr::SERVER_DOWN},
  };
  for (const Case& c : cases) {
    auto rs = run(QString::fromLatin1(c.text));
    EXPECT_EQ(rs.code(), c.code) << c.text << " gave " << rs.error().hex().toStdString();
  }

  AdoCommand noConnection;
  noConnection.CommandText = QStringLiteral("<LDAP://example.local>;(cn=*);adsPath;subtree");
  EXPECT_EQ(noConnection.Execute().code(), hr::ADO_INVALID_CONNECTION);
  conn->Close();
  noConnection.ActiveConnection = conn.get();
  EXPECT_EQ(noConnection.Execute().code(), hr::ADO_OBJECT_CLOSED);

  AdoConnection other(*dir);
  other.Provider = QStringLiteral("SQLOLEDB");
  EXPECT_EQ(other.Open("Active Directory Provider").code(), hr::ADO_PROVIDER_NOT_FOUND);
  other.Provider = QStringLiteral("ADsDSOObject");
  EXPECT_EQ(other.Open("Data Source=x").code(), hr::E_INVALIDARG);
  ASSERT_TRUE(other.Open("ADs Provider", "EXAMPLE\\Administrator", "wrong").ok());
  AdoCommand withWrongPassword;
  withWrongPassword.ActiveConnection = &other;
  withWrongPassword.CommandText = noConnection.CommandText;
  EXPECT_EQ(withWrongPassword.Execute().code(), hr::LOGON_FAILURE);
  ASSERT_TRUE(other.Open("ADs Provider", "EXAMPLE\\Administrator", "AdminPw1").ok());
  EXPECT_TRUE(withWrongPassword.Execute().ok());
}

}  // namespace
}  // namespace tavrel::test
