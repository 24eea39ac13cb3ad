// The simulated network itself: its filter seam, searches with limits and paging, persistence,
// crash safety, the demonstration network and the builder.

#include "DirectoryFixture.h"

#include "platform/adsi/Counters.h"
#include "platform/adsi/Values.h"
#include "platform/adsi/WorkUnit.h"
#include "platform/simnet/DemoNetwork.h"
#include "platform/simnet/FilterMatch.h"
#include "platform/simnet/Store.h"

#include <sqlite3.h>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

namespace tavrel::test {
namespace {

using namespace adsi;
using simnet::SimNetwork;

class MapSource : public simnet::AttributeSource {
 public:
  QHash<QString, Values> map;
  Values values(const QString& a) const override { return map.value(a.toLower()); }
};

TEST(FilterSeam, MatchesTheSubsetTheProgramUses) {
  MapSource e;
  e.map = {{"objectclass", {"top", "person", "organizationalPerson", "user"}},
           {"objectcategory", {"CN=Person,CN=Schema,CN=Configuration,DC=example,DC=local"}},
           {"cn", {"John Smith"}},
           {"userprincipalname", {"jsmith@example.local"}},
           {"grouptype", {"-2147483646"}},
           {"objectsid", {QByteArray("\x01\x02\x00\x2a", 4)}},
           {"name", {"a*b(c)"}}};
  struct Case {
    const char* filter;
    bool match;
  };
  const Case cases[] = {
      {"(objectClass=user)", true},
      {"(objectclass=USER)", true},
      {"(&(objectCategory=Person)(objectClass=User))", true},
      {"(&(objectClass=user)(objectCategory=person)(userprincipalName=JSMITH@example.LOCAL))", true},
      {"(objectCategory=CN=Person,CN=Schema,CN=Configuration,DC=example,DC=local)", true},
      {"(objectCategory=user)", true},  // a class name stands for its default category
      {"(objectCategory=group)", false},
      {"(objectCategory=computer)", false},
      {"(|(cn=nobody)(cn=john smith))", true},
      {"(!(cn=John Smith))", false},
      {"(cn=Jo*)", true},
      {"(cn=*smith)", true},
      {"(cn=*oh*Sm*)", true},
      {"(cn=*x*)", false},
      {"(cn=*)", true},
      {"(mail=*)", false},
      {"(groupType=-2147483646)", true},
      {"(groupType=2)", false},
      {"(objectSid=\\01\\02\\00\\2a)", true},
      {"(objectSid=\\01\\02\\00\\2b)", false},
      {"(name=a\\2ab\\28c\\29)", true},  // escaped, the value matches literally
      {"(userPrincipalName=*)", true},
      {"(userPrincipalName=j*@example.local)", true},
      {" (cn=John Smith) ", true},
  };
  for (const Case& c : cases) {
    auto p = simnet::compileFilter(QString::fromUtf8(c.filter));
    ASSERT_TRUE(p.ok()) << c.filter << ": " << p.error().message.toStdString();
    EXPECT_EQ(p->matches(e), c.match) << c.filter;
  }
  for (const char* bad : {"", "cn=a", "(cn=a", "(cn=a))", "(&)", "(!(a=1)(b=2))", "((cn=a))", "(cn=\\zz)",
                          "(=a)", "(&(cn=a)", "(cn=a)(cn=b)"}) {
    auto p = simnet::compileFilter(QString::fromLatin1(bad));
    EXPECT_EQ(p.code(), hr::FILTER_UNKNOWN) << bad;
  }
}

class Simnet : public DirectoryFixture {
 protected:
  std::shared_ptr<DirectoryConnection> connect(const QString& server, Protocol p = Protocol::Ldap) {
    auto c = net->bind(server, p, std::nullopt);
    EXPECT_TRUE(c.ok()) << c.error().message.toStdString();
    return c.ok() ? *c : nullptr;
  }
  SearchResult search(DirectoryConnection& c, const QString& base, Scope scope, const QString& filter,
                      int pageSize = 0, const QStringList& attrs = {}) {
    SearchRequest r;
    r.base = Dn::parse(base).value();
    r.scope = scope;
    r.filter = filter;
    r.pageSize = pageSize;
    r.attributes = attrs;
    auto res = c.search(r);
    EXPECT_TRUE(res.ok()) << res.error().message.toStdString();
    return res.ok() ? *res : SearchResult();
  }
};

TEST_F(Simnet, SearchScopesAttributesAndOrder) {
  auto c = connect("example.local");
  ASSERT_TRUE(c);
  EXPECT_EQ(search(*c, salesDn, Scope::Base, "(objectClass=*)").entries.size(), 1);
  EXPECT_EQ(search(*c, salesDn, Scope::OneLevel, "(objectClass=*)").entries.size(), 3);
  EXPECT_EQ(search(*c, salesDn, Scope::Subtree, "(objectClass=*)").entries.size(), 4);
  auto people = search(*c, "DC=example,DC=local", Scope::Subtree,
                       "(&(objectCategory=Person)(objectClass=User))", 0, {"name", "displayName"});
  QStringList got;
  for (const Entry& e : people.entries) got.append(QString::fromUtf8(e.first("name")));
  got.sort();
  EXPECT_EQ(got, (QStringList{"Administrator", "Guest", "John Smith", "krbtgt", "mjones"}))
      << "no domain controller: not a person";
  for (const Entry& e : people.entries) {
    EXPECT_LE(e.attributes.size(), 2);
    EXPECT_EQ(e.find("userAccountControl"), nullptr);
  }
  // Objects come in the directory's order (creation order).
  auto ous = search(*c, "DC=example,DC=local", Scope::Subtree, "(objectClass=organizationalUnit)");
  QStringList order;
  for (const Entry& e : ous.entries) order.append(e.dn.rdn().value());
  EXPECT_EQ(order, (QStringList{"Domain Controllers", "Sales", "East"}));
  auto bad = c->search(SearchRequest{Dn::parse(salesDn).value(), Scope::Subtree, "(cn=a", {}, 0, 0, {}});
  EXPECT_EQ(bad.code(), hr::FILTER_UNKNOWN);
  auto missing = c->search(SearchRequest{
      Dn::parse("OU=Nowhere,DC=example,DC=local").value(), Scope::Subtree, "(objectClass=*)", {}, 0, 0, {}});
  EXPECT_EQ(missing.code(), hr::NO_SUCH_OBJECT);
}

// A search reads the values it tests and returns from each entry's stored row; what it returns
// is what a read of the same attributes gives, stored or computed, on either protocol, and its
// filter sees the computed values too.
TEST_F(Simnet, ASearchGivesEachEntryAsAReadDoes) {
  ASSERT_TRUE(populate()
                  .user("example.local", "ujoe", simnet::UserSpec().in("OU=Sales").with("displayName", QString::fromUtf8("Jürgen")))
                  .build()
                  .ok());
  const QStringList attrs{"NAME",        "memberOf", "distinguishedName", "displayName", "member",
                          "objectSid",   "name",     "userAccountControl", "noSuchAttribute",
                          "description", "msDS-User-Account-Control-Computed"};
  for (const Protocol p : {Protocol::Ldap, Protocol::GlobalCatalog}) {
    auto c = connect("example.local", p);
    ASSERT_TRUE(c);
    const auto found = search(*c, "DC=example,DC=local", Scope::Subtree, "(objectClass=*)", 0, attrs);
    ASSERT_GE(found.entries.size(), 10);
    for (const Entry& e : found.entries) {
      auto read = c->read(e.dn, attrs);
      ASSERT_TRUE(read.ok()) << e.dn.toString().toStdString();
      ASSERT_EQ(e.attributes.size(), read->attributes.size()) << e.dn.toString().toStdString();
      for (qsizetype i = 0; i < e.attributes.size(); ++i) {
        EXPECT_EQ(e.attributes[i].name, read->attributes[i].name) << e.dn.toString().toStdString();
        EXPECT_EQ(e.attributes[i].values, read->attributes[i].values) << e.dn.toString().toStdString();
      }
    }
  }
  auto c = connect("example.local");
  auto gc = connect("example.local", Protocol::GlobalCatalog);
  ASSERT_TRUE(c && gc);
  struct Case {
    const char* filter;
    QStringList ldap;  // the names of the entries found
    QStringList gc;
  };
  const Case cases[] = {
      {"(memberOf=CN=Sales Team,OU=Sales,DC=example,DC=local)", {"John Smith"}, {}},
      {"(&(objectClass=group)(member=*)(name=Sales*))", {"Sales Team"}, {"Sales Team"}},
      {"(distinguishedName=cn=JOHN SMITH,ou=sales,DC=example,DC=local)", {"John Smith"}, {"John Smith"}},
      {"(displayName=j\\c3\\bcrgen)", {"ujoe"}, {"ujoe"}},
      {"(&(name=ujoe)(displayName=*)(!(description=*)))", {"ujoe"}, {"ujoe"}},
      {"(&(name=ujoe)(userAccountControl:1.2.840.113556.1.4.803:=512))", {"ujoe"}, {"ujoe"}},
      {"(&(sAMAccountName=jsmith)(pwdLastSet>=0))", {"John Smith"}, {}},
  };
  for (const Case& k : cases)
    for (const auto& [conn, expected] : {std::pair{c, k.ldap}, std::pair{gc, k.gc}}) {
      QStringList names;
      for (const Entry& e :
           search(*conn, "DC=example,DC=local", Scope::Subtree, QString::fromUtf8(k.filter), 0, {"name"}).entries)
        names.append(QString::fromUtf8(e.first("name")));
      EXPECT_EQ(names, expected) << k.filter << (conn == gc ? " (global catalog)" : "");
    }
}

TEST_F(Simnet, SizeLimitTruncatesAndPagingReturnsEverything) {
  setSizeLimit(3);
  auto c = connect("example.local");
  ASSERT_TRUE(c);
  auto plain = search(*c, "DC=example,DC=local", Scope::Subtree, "(objectClass=user)");
  EXPECT_EQ(plain.entries.size(), 3);
  EXPECT_TRUE(plain.sizeLimitExceeded);
  QSet<QString> seen;
  SearchRequest r{
      Dn::parse("DC=example,DC=local").value(), Scope::Subtree, "(objectClass=user)", {"cn"}, 0, 2, {}};
  int pages = 0;
  do {
    auto page = c->search(r);
    ASSERT_TRUE(page.ok());
    EXPECT_LE(page->entries.size(), 2);
    for (const Entry& e : page->entries) seen.insert(e.dn.key());
    r.cookie = page->cookie;
    ++pages;
  } while (!r.cookie.isEmpty() && pages < 100);
  EXPECT_EQ(seen.size(), 6) << "Administrator, Guest, krbtgt, DC1, John Smith, mjones";
  EXPECT_GE(pages, 3);
  SearchRequest small{
      Dn::parse("DC=example,DC=local").value(), Scope::Subtree, "(objectClass=user)", {}, 1, 0, {}};
  EXPECT_EQ(c->search(small)->entries.size(), 1);
}

TEST_F(Simnet, TheGlobalCatalogSpansTheForest) {
  simnet::NetworkBuilder b(net);
  ASSERT_TRUE(
      b.user("branch.example.local", "bob", simnet::UserSpec().with("userPrincipalName", "bob@example.local"))
          .build()
          .ok());
  auto gc = connect("example.local", Protocol::GlobalCatalog);
  ASSERT_TRUE(gc);
  auto r = search(*gc, "DC=example,DC=local", Scope::Subtree,
                  "(&(objectClass=user)(objectCategory=person)(userPrincipalName=BOB@example.local))");
  ASSERT_EQ(r.entries.size(), 1);
  EXPECT_EQ(r.entries.first().dn.toString(), "CN=bob,CN=Users,DC=branch,DC=example,DC=local");
  auto ldap = connect("example.local");
  EXPECT_TRUE(search(*ldap, "DC=example,DC=local", Scope::Subtree, "(userPrincipalName=bob@example.local)")
                  .entries.isEmpty())
      << "a domain controller holds its own domain";
  auto domains =
      search(*gc, "DC=example,DC=local", Scope::Subtree, "(&(objectCategory=Domain)(objectClass=Domain))");
  EXPECT_EQ(domains.entries.size(), 2);
}

TEST_F(Simnet, ChangesSurviveReopening) {
  AdsObject u = bind("LDAP://example.local/" + jsmithDn);
  ASSERT_TRUE(u.Put("description", "kept").ok());
  ASSERT_TRUE(u.SetInfo().ok());
  dir.reset();
  net.reset();
  auto again = SimNetwork::open(tmp.path());
  ASSERT_TRUE(again.ok());
  Directory d2(*again);
  EXPECT_EQ(d2.GetObject("LDAP://example.local/" + jsmithDn)->Get("description")->toString(), "kept");
  EXPECT_EQ((*again)->loggedOnUser()->user, "Administrator");
  EXPECT_TRUE(d2.OpenDSObject("WinNT://OLDCORP/jdoe", "OLDCORP\\jdoe", "Secret3", 1).ok());
}

// A child process commits users in a loop and is killed; afterwards every commit it reported is
// there in full, and nothing is there in part.
TEST_F(Simnet, KillNineLosesNoCommitAndLeavesNoHalfObject) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const QString folder = tmp.path();
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(fds[0]);
    auto child = SimNetwork::open(folder);
    if (!child) _exit(2);
    auto conn = (*child)->bind("example.local", Protocol::Ldap, std::nullopt);
    if (!conn) _exit(3);
    const Dn users = Dn::parse("CN=Users,DC=example,DC=local").value();
    for (int i = 0;; ++i) {
      const QString name = QStringLiteral("crash%1").arg(i);
      const Dn dn = users.child(Rdn("CN", name));
      if (!(*conn)
               ->add(
                   dn,
                   {{"objectClass", {"user"}}, {"sAMAccountName", {name.toUtf8()}}, {"description", {"v0"}}})
               .ok())
        _exit(4);
      const QByteArray mark = "done" + QByteArray::number(i);
      if (!(*conn)
               ->modify(dn,
                        {{ModOp::Replace, "description", {mark}}, {ModOp::Replace, "displayName", {mark}}})
               .ok())
        _exit(5);
      if (write(fds[1], &i, sizeof i) != sizeof i) _exit(6);
    }
  }
  close(fds[1]);
  int last = -1, got = 0;
  while (last < 40 && read(fds[0], &got, sizeof got) == sizeof got) last = got;
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  int status = 0;
  waitpid(pid, &status, 0);
  while (read(fds[0], &got, sizeof got) == sizeof got) last = got;
  close(fds[0]);
  ASSERT_GE(last, 40) << "the child stopped early";

  auto reopened = SimNetwork::open(folder);
  ASSERT_TRUE(reopened.ok());
  auto conn = (*reopened)->bind("example.local", Protocol::Ldap, std::nullopt);
  ASSERT_TRUE(conn.ok());
  SearchRequest r{
      Dn::parse("CN=Users,DC=example,DC=local").value(), Scope::OneLevel, "(cn=crash*)", {}, 0, 0, {}};
  auto found = (*conn)->search(r);
  ASSERT_TRUE(found.ok());
  int complete = 0;
  for (const Entry& e : found->entries) {
    const QByteArray desc = e.first("description");
    EXPECT_FALSE(e.first("sAMAccountName").isEmpty());
    EXPECT_EQ(e.first("objectSid").size(), 28);
    EXPECT_FALSE(e.first("userAccountControl").isEmpty());
    if (desc == "v0") {
      EXPECT_TRUE(e.first("displayName").isEmpty()) << "a modify is all or nothing";
    } else {
      EXPECT_EQ(e.first("displayName"), desc) << "a modify is all or nothing";
      ++complete;
    }
    Directory d(*reopened);
    EXPECT_TRUE(d.GetObject("WinNT://EXAMPLE/" + QString::fromUtf8(e.first("sAMAccountName"))).ok());
  }
  EXPECT_GE(complete, last + 1) << "every reported commit is there";
  EXPECT_LE(found->entries.size(), last + 2) << "at most the one in flight besides";
  for (int i = 0; i <= last; ++i) {
    auto e = (*conn)->read(
        Dn::parse(QStringLiteral("CN=crash%1,CN=Users,DC=example,DC=local").arg(i)).value(), {"displayName"});
    ASSERT_TRUE(e.ok()) << i;
    EXPECT_EQ(e->first("displayName"), "done" + QByteArray::number(i));
  }
}

// The changes of one creation run, as a work unit makes them: the account, its description, its
// group and its display name.
Status createInUnit(DirectoryConnection& conn, const Dn& dn, const QString& name, const Dn& group) {
  if (Status s = conn.add(
          dn, {{"objectClass", {"user"}}, {"sAMAccountName", {name.toUtf8()}}, {"description", {"v0"}}});
      !s)
    return s;
  if (Status s = conn.modify(dn, {{ModOp::Replace, "description", {"done"}}}); !s) return s;
  if (Status s = conn.modify(group, {{ModOp::Add, "member", {dn.toString().toUtf8()}}}); !s) return s;
  return conn.modify(dn, {{ModOp::Replace, "displayName", {name.toUtf8()}}});
}

// A child process runs work units in a loop and is killed in the middle of one: every unit it
// finished is there whole, the one it was in has left nothing.
TEST_F(Simnet, KillInAWorkUnitLeavesItsChangesWholeOrAbsent) {
  constexpr int kFinished = 12;  // units finished before the one the child is killed in
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const QString folder = tmp.path();
  const Dn users = Dn::parse("CN=Users,DC=example,DC=local").value();
  const Dn team = Dn::parse(teamDn).value();
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(fds[0]);
    auto child = SimNetwork::open(folder);
    if (!child) _exit(2);
    auto conn = (*child)->bind("example.local", Protocol::Ldap, std::nullopt);
    if (!conn) _exit(3);
    for (int i = 0;; ++i) {
      const QString name = QStringLiteral("unit%1").arg(i);
      const Dn dn = users.child(Rdn("CN", name));
      {
        WorkUnit unit;
        if (i == kFinished) {
          // Half way through this unit: said, then waited in until the kill.
          if (!(*conn)
                   ->add(dn, {{"objectClass", {"user"}},
                              {"sAMAccountName", {name.toUtf8()}},
                              {"description", {"v0"}}})
                   .ok())
            _exit(4);
          if (!(*conn)->modify(team, {{ModOp::Add, "member", {dn.toString().toUtf8()}}}).ok()) _exit(5);
          const int mid = -1;
          if (write(fds[1], &mid, sizeof mid) != sizeof mid) _exit(6);
          for (;;) pause();
        }
        if (!createInUnit(**conn, dn, name, team).ok()) _exit(7);
      }
      if (write(fds[1], &i, sizeof i) != sizeof i) _exit(8);
    }
  }
  close(fds[1]);
  int got = 0, last = -2;
  while (read(fds[0], &got, sizeof got) == sizeof got && got != -1) last = got;
  ASSERT_EQ(got, -1) << "the child stopped before the unit it is killed in";
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  int status = 0;
  waitpid(pid, &status, 0);
  close(fds[0]);
  ASSERT_EQ(last, kFinished - 1);

  auto reopened = SimNetwork::open(folder);
  ASSERT_TRUE(reopened.ok());
  auto conn = (*reopened)->bind("example.local", Protocol::Ldap, std::nullopt);
  ASSERT_TRUE(conn.ok());
  auto found = search(**conn, "CN=Users,DC=example,DC=local", Scope::OneLevel, "(cn=unit*)", 0,
                      {"description", "displayName", "sAMAccountName", "objectSid"});
  EXPECT_EQ(found.entries.size(), kFinished) << "the unit in flight left no account";
  for (const Entry& e : found.entries) {
    EXPECT_EQ(e.first("description"), "done");
    EXPECT_EQ(e.first("displayName"), e.first("sAMAccountName"));
    EXPECT_EQ(e.first("objectSid").size(), 28);
  }
  auto members = (*conn)->read(team, {"member"});
  ASSERT_TRUE(members.ok());
  int unitMembers = 0;
  for (const QByteArray& m : members->find("member") ? members->find("member")->values : Values{})
    if (m.startsWith("CN=unit")) ++unitMembers;
  EXPECT_EQ(unitMembers, kFinished) << "the unit in flight left no membership";
}

// Inside a work unit each change is still made whole or not at all and answers for itself; the
// unit's changes are seen by the unit at once, by others when it ends, and cost one transaction.
TEST_F(Simnet, AWorkUnitIsOneTransactionWithEachChangeAnsweringForItself) {
  auto conn = connect("example.local");
  ASSERT_TRUE(conn);
  auto other = SimNetwork::open(tmp.path());
  ASSERT_TRUE(other.ok());
  auto otherConn = (*other)->bind("example.local", Protocol::Ldap, std::nullopt);
  ASSERT_TRUE(otherConn.ok());
  const Dn dn = Dn::parse("CN=unitA,CN=Users,DC=example,DC=local").value();
  const Dn team = Dn::parse(teamDn).value();
  const Counts before = counts();
  {
    WorkUnit unit;
    ASSERT_TRUE(createInUnit(*conn, dn, "unitA", team).ok());
    // A change that fails leaves the unit's other changes, and is undone whole.
    Status refused = conn->modify(dn, {{ModOp::Replace, "title", {"kept?"}},
                                       {ModOp::Add, "member", {"CN=nobody,DC=example,DC=local"}}});
    EXPECT_FALSE(refused.ok());
    Status twice = conn->modify(team, {{ModOp::Add, "member", {dn.toString().toUtf8()}}});
    EXPECT_EQ(twice.code(), hr::ALREADY_EXISTS);
    ASSERT_TRUE(conn->modify(dn, {{ModOp::Replace, "department", {"Sales"}}}).ok());
    auto seen = conn->read(dn, {"description", "department", "title"});
    ASSERT_TRUE(seen.ok());
    EXPECT_EQ(seen->first("department"), "Sales");
    EXPECT_TRUE(seen->first("title").isEmpty());
    EXPECT_EQ((*otherConn)->read(dn, {}).code(), hr::NO_SUCH_OBJECT) << "not before the unit ends";
  }
  EXPECT_EQ((counts() - before)[Counter::Transactions], 1u);
  auto after = (*otherConn)->read(dn, {"description", "displayName", "department", "title"});
  ASSERT_TRUE(after.ok()) << after.error().message.toStdString();
  EXPECT_EQ(after->first("description"), "done");
  EXPECT_EQ(after->first("displayName"), "unitA");
  EXPECT_EQ(after->first("department"), "Sales");
  EXPECT_TRUE(after->first("title").isEmpty());
  auto members = (*otherConn)->read(team, {"member"});
  ASSERT_TRUE(members.ok());
  EXPECT_TRUE(members->find("member")->values.contains(dn.toString().toUtf8()));
  // Outside a unit every change is its own transaction again.
  const Counts single = counts();
  ASSERT_TRUE(conn->modify(dn, {{ModOp::Replace, "department", {"North"}}}).ok());
  ASSERT_TRUE(conn->modify(dn, {{ModOp::Replace, "department", {"South"}}}).ok());
  EXPECT_EQ((counts() - single)[Counter::Transactions], 2u);
}

TEST_F(Simnet, ALockoutEndsWithTheDomainsLockoutDuration) {
  // The clock starts at the real time, when the fixture set jsmith's password.
  QDateTime now = QDateTime::currentDateTimeUtc();
  net->setClock([&now] { return now; });
  lockAccount("EXAMPLE", "jsmith");
  const QString path = "WinNT://EXAMPLE/jsmith";
  EXPECT_TRUE(bind(path).Get("IsAccountLocked")->toBool());
  now = now.addSecs(29 * 60);
  EXPECT_TRUE(bind(path).Get("IsAccountLocked")->toBool());
  now = now.addSecs(2 * 60);
  EXPECT_FALSE(bind(path).Get("IsAccountLocked")->toBool()) << "the default duration is 30 minutes";
  // A password older than the domain's maximum age has expired.
  EXPECT_EQ(bind(path).Get("PasswordExpired")->toInt(), 0);
  now = now.addDays(43);
  EXPECT_EQ(bind(path).Get("PasswordExpired")->toInt(), 1);
  AdsObject u = bind("LDAP://" + jsmithDn);
  ASSERT_TRUE(u.Put("userAccountControl", u.Get("userAccountControl")->toInt() | 0x10000).ok());
  ASSERT_TRUE(u.SetInfo().ok());
  EXPECT_EQ(bind(path).Get("PasswordExpired")->toInt(), 0) << "unless it never expires";
}

// Below the provider simnet takes, as a domain controller does, what only the program refuses:
// 21-character and "@" account names, a 65-character RDN, a group inside itself, and flags
// without the kind of account (kept as a normal account). The characters a domain controller
// itself refuses stay refused.
TEST_F(Simnet, TakesWhatOnlyTheProgramRefuses) {
  auto c = connect("example.local");
  ASSERT_TRUE(c);
  const Dn users = Dn::parse(usersDn).value();
  const Dn longName = users.child(Rdn("CN", QString(65, u'x')));
  EXPECT_TRUE(
      c->add(longName, {{"objectClass", {"user"}}, {"sAMAccountName", {"abcdefghijklmnopqrstu"}}}).ok());
  EXPECT_TRUE(
      c->add(users.child(Rdn("CN", "at")), {{"objectClass", {"user"}}, {"sAMAccountName", {"a@b"}}}).ok());
  for (const char* bad : {"a/b", "a[b", "a*b", "a\"b", "a,b"}) {
    auto s = c->add(users.child(Rdn("CN", "bad")), {{"objectClass", {"user"}}, {"sAMAccountName", {bad}}});
    EXPECT_EQ(s.code(), hr::CONSTRAINT_VIOLATION) << bad;
  }
  const Dn team = Dn::parse(teamDn).value();
  EXPECT_TRUE(c->modify(team, {{ModOp::Add, "member", {teamDn.toUtf8()}}}).ok());
  const Dn jsmith = Dn::parse(jsmithDn).value();
  ASSERT_TRUE(c->modify(jsmith, {{ModOp::Replace, "userAccountControl", {"0"}}}).ok());
  EXPECT_EQ(c->read(jsmith, {"userAccountControl"})->first("userAccountControl"), "512");
  ASSERT_TRUE(c->rename(longName, Rdn("CN", QString(66, u'y')), std::nullopt).ok());
  // Through the provider the same requests are refused.
  EXPECT_EQ(bind("LDAP://" + teamDn).Remove("LDAP://" + teamDn).code(), hr::S_OK);
  EXPECT_EQ(bind("LDAP://" + teamDn).Add("LDAP://" + teamDn).code(), hr::UNWILLING_TO_PERFORM);
}

// A group may hold members of classes the program has no use for, as Builtin\Users holds the
// foreign security principals of Authenticated Users and Interactive on a domain controller (and
// as seeded): listing the members shows them as what they are, in both views.
TEST_F(Simnet, MembersOfOtherClassesAreListed) {
  const Dn fsps = Dn::parse("CN=ForeignSecurityPrincipals,DC=example,DC=local").value();
  const QString builtinUsers = "CN=Users,CN=Builtin,DC=example,DC=local";
  auto members = bind("LDAP://" + builtinUsers).Members();
  ASSERT_TRUE(members.ok()) << members.error().message.toStdString();
  QStringList got;
  for (const AdsObject& m : *members) got.append(m.Name() + " " + m.Class());
  got.sort();
  EXPECT_EQ(got, (QStringList{"CN=Domain Users group", "CN=S-1-5-11 foreignSecurityPrincipal",
                              "CN=S-1-5-4 foreignSecurityPrincipal"}));
  auto nt = bind("WinNT://EXAMPLE/Users,group").Members();
  ASSERT_TRUE(nt.ok()) << nt.error().message.toStdString();
  EXPECT_EQ(nt->size(), 3);
  EXPECT_TRUE(*bind("LDAP://" + builtinUsers).IsMember("LDAP://CN=S-1-5-11," + fsps.toString()));
}

// simnet-specific: a client writes lockoutTime only to unlock (0). A domain controller also takes
// other values (the current time locks the account); simnet refuses them and locks through its
// own hook.
TEST_F(Simnet, AClientWritesLockoutTimeOnlyToUnlock) {
  for (const QByteArray& v : {QByteArray("5"), QByteArray("133000000000000000")}) {
    AdsObject u = bind("LDAP://" + jsmithDn);
    ASSERT_TRUE(u.Put("lockoutTime", QString::fromLatin1(v)).ok());
    EXPECT_EQ(u.SetInfo().code(), hr::UNWILLING_TO_PERFORM) << v.constData();
    EXPECT_FALSE(bind("LDAP://" + jsmithDn).Get("IsAccountLocked")->toBool());
  }
  auto add = connect("example.local")->add(Dn::parse("CN=locked,CN=Users,DC=example,DC=local").value(),
                                           {{"objectClass", {"user"}}, {"lockoutTime", {"5"}}});
  EXPECT_EQ(add.code(), hr::UNWILLING_TO_PERFORM);
}

// pwdLastSet 0 reports the password expired only where it can expire: not when it never expires,
// and never for a computer account.
TEST_F(Simnet, PasswordExpiredIsComputedOnlyForPasswordsThatCanExpire) {
  simnet::NetworkBuilder b(net);
  ASSERT_TRUE(b.user("example.local", "PC9", simnet::UserSpec().asComputer()).build().ok());
  auto c = connect("example.local");
  ASSERT_TRUE(c);
  const QString computed = "msDS-User-Account-Control-Computed";
  auto expired = [&](const QString& dn) {
    auto e = c->read(Dn::parse(dn).value(), {computed});
    EXPECT_TRUE(e.ok());
    return e.ok() && (e->first(computed).toLongLong() & 0x800000) != 0;
  };
  struct Case {
    const char* what;
    int control;
    bool expired;
  };
  const Case cases[] = {{"a normal account", 0x200, true},
                        {"a password that never expires", 0x10200, false},
                        {"a disabled account", 0x202, true}};
  for (const Case& k : cases) {
    ASSERT_TRUE(c->modify(Dn::parse(jsmithDn).value(),
                          {{ModOp::Replace, "userAccountControl", {QByteArray::number(k.control)}},
                           {ModOp::Replace, "pwdLastSet", {"0"}}})
                    .ok());
    EXPECT_EQ(expired(jsmithDn), k.expired) << k.what;
  }
  const QString pc = "CN=PC9,CN=Users,DC=example,DC=local";
  EXPECT_EQ(c->read(Dn::parse(pc).value(), {"pwdLastSet"})->first("pwdLastSet"), "0");
  EXPECT_FALSE(expired(pc)) << "a computer";
}

// Objects are found by their category, principal name and primary group through rows kept beside
// their packed attributes: every kind of change must keep the two in step.
TEST_F(Simnet, ValuesLookedUpByValueFollowEveryChange) {
  auto ldap = connect("example.local");
  ASSERT_TRUE(ldap);
  auto byUpn = [&](const QString& upn) {
    QStringList out;
    for (const Entry& e : search(*ldap, "DC=example,DC=local", Scope::Subtree,
                                 "(&(objectCategory=Person)(userPrincipalName=" + upn + "))", 0, {"name"})
                              .entries)
      out.append(e.dn.toString() + " " + QString::fromUtf8(e.first("name")));
    return out;
  };
  AdsObject u = bind("LDAP://" + jsmithDn);
  ASSERT_TRUE(u.Put("userPrincipalName", "john@example.local").ok());
  ASSERT_TRUE(u.SetInfo().ok());
  EXPECT_TRUE(byUpn("jsmith@example.local").isEmpty());
  EXPECT_EQ(byUpn("JOHN@example.local"), QStringList{jsmithDn + " John Smith"});

  const quint32 teamRid = sidRid(bind("LDAP://" + teamDn).Get("objectSid")->toByteArray());
  ASSERT_TRUE(u.Put("primaryGroupID", static_cast<int>(teamRid)).ok());
  ASSERT_TRUE(u.SetInfo().ok());
  EXPECT_EQ(bind("LDAP://" + salesDn).Delete("group", "CN=Sales Team").code(), hr::ALREADY_EXISTS)
      << "Sales Team is now jsmith's primary group";

  auto moved = bind("LDAP://" + salesDn).MoveHere("LDAP://" + jsmithDn, "CN=Johnny");
  ASSERT_TRUE(moved.ok()) << moved.error().message.toStdString();
  EXPECT_EQ(byUpn("john@example.local"), QStringList{"CN=Johnny," + salesDn + " Johnny"});

  ASSERT_TRUE(bind("LDAP://" + salesDn).Delete("user", "CN=Johnny").ok());
  EXPECT_TRUE(byUpn("john@example.local").isEmpty());
  EXPECT_EQ(search(*ldap, "DC=example,DC=local", Scope::Subtree, "(objectCategory=Person)", 0, {"name"})
                .entries.size(),
            4)
      << "Administrator, Guest, krbtgt, mjones";
}

namespace {
// Every entry under example.local with all its attributes, as text, keyed by DN.
QMap<QString, QStringList> everything(DirectoryConnection& c) {
  SearchRequest r{Dn::parse("DC=example,DC=local").value(), Scope::Subtree, "(objectClass=*)", {}, 0, 0, {}};
  QMap<QString, QStringList> out;
  auto res = c.search(r);
  EXPECT_TRUE(res.ok());
  if (!res.ok()) return out;
  for (const Entry& e : res->entries) {
    QStringList lines;
    for (const Attribute& a : e.attributes) {
      QStringList values;
      for (const QByteArray& v : a.values) values.append(QString::fromLatin1(v.toHex()));
      lines.append(a.name.toLower() + "=" + values.join(u','));
    }
    lines.sort();
    out.insert(e.dn.toString(), lines);
  }
  return out;
}
}  // namespace

// A network written when every value had a row of its own (no packed attributes) opens with its
// objects whole, and stays searchable and writable.
TEST_F(Simnet, ANetworkKeptWithARowPerValueIsUpgradedOnOpening) {
  const auto before = everything(*connect("example.local"));
  ASSERT_GT(before.size(), 10);
  dir.reset();
  net.reset();
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QDir(tmp.path()).filePath("network.db").toUtf8().constData(), &db), SQLITE_OK);
    // The indexes call simnet's fold(); rewriting the schema needs it to exist.
    sqlite3_create_function_v2(
        db, "fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
        [](sqlite3_context* ctx, int, sqlite3_value** argv) { sqlite3_result_value(ctx, argv[0]); }, nullptr,
        nullptr, nullptr);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* ins = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT id, packed FROM objects", -1, &read, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_prepare_v2(
                  db, "INSERT OR IGNORE INTO attrs(object_id, akey, seq, name, value) VALUES(?,?,?,?,?)", -1,
                  &ins, nullptr),
              SQLITE_OK);
    while (sqlite3_step(read) == SQLITE_ROW) {
      const qint64 id = sqlite3_column_int64(read, 0);
      const QByteArray data(static_cast<const char*>(sqlite3_column_blob(read, 1)),
                            sqlite3_column_bytes(read, 1));
      const auto attrs = simnet::packed::unpack(data);
      ASSERT_TRUE(attrs.has_value());
      for (const Attribute& a : *attrs)
        for (int seq = 0; seq < a.values.size(); ++seq) {
          const QByteArray key = a.name.toLower().toUtf8(), name = a.name.toUtf8();
          sqlite3_bind_int64(ins, 1, id);
          sqlite3_bind_text(ins, 2, key.constData(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
          sqlite3_bind_int(ins, 3, seq);
          sqlite3_bind_text(ins, 4, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
          sqlite3_bind_blob(ins, 5, a.values[seq].constData(), static_cast<int>(a.values[seq].size()),
                            SQLITE_TRANSIENT);
          ASSERT_EQ(sqlite3_step(ins), SQLITE_DONE);
          sqlite3_reset(ins);
        }
    }
    sqlite3_finalize(read);
    sqlite3_finalize(ins);
    ASSERT_EQ(sqlite3_exec(db, "ALTER TABLE objects DROP COLUMN packed; COMMIT", nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  auto again = SimNetwork::open(tmp.path());
  ASSERT_TRUE(again.ok()) << again.error().message.toStdString();
  net = *again;
  dir = std::make_unique<Directory>(net);
  auto c = connect("example.local");
  ASSERT_TRUE(c);
  EXPECT_EQ(everything(*c), before);
  EXPECT_EQ(search(*c, "DC=example,DC=local", Scope::Subtree, "(userPrincipalName=JSMITH@example.local)")
                .entries.size(),
            1);
  AdsObject u = bind("LDAP://" + jsmithDn);
  ASSERT_TRUE(u.Put("description", "after the upgrade").ok());
  ASSERT_TRUE(u.SetInfo().ok());
  EXPECT_EQ(bind("LDAP://" + jsmithDn).Get("description")->toString(), "after the upgrade");
}

// A change of a few attributes leaves the stored entry as packing the whole changed entry would:
// the changed attributes replaced, added in key order or removed, the others as they were.
TEST(PackedAttributes, ASplicedChangeIsTheWholeChangedEntryPacked) {
  const QList<Attribute> stored{{"objectClass", {"top", "user"}},
                                {"sAMAccountName", {"jsmith"}},
                                {"description", {"old"}},
                                {"userAccountControl", {"512"}},
                                {QString::fromUtf8("extéAttr"), {"v"}}};
  struct Case {
    const char* what;
    QList<Attribute> changes;
  };
  const Case cases[] = {
      {"a replaced value", {{"description", {"new"}}}},
      {"a name in another case", {{"DESCRIPTION", {"new"}}}},
      {"a new attribute between others", {{"department", {"Sales"}}}},
      {"new attributes first and last", {{"aaa", {"1"}}, {"zzz", {"2", "3"}}}},
      {"a removed attribute", {{"description", {}}}},
      {"an absent attribute removed", {{"title", {}}}},
      {"several at once",
       {{"userAccountControl", {"514"}}, {"whenChanged", {"x"}}, {"objectClass", {"top"}}}},
      {"a non-ASCII name", {{QString::fromUtf8("EXTÉATTR"), {"w"}}}},
  };
  for (const Case& c : cases) {
    QList<Attribute> whole = stored;
    for (const Attribute& change : c.changes) {
      whole.removeIf(
          [&](const Attribute& a) { return a.name.compare(change.name, Qt::CaseInsensitive) == 0; });
      whole.append(change);
    }
    auto spliced = simnet::packed::splice(simnet::packed::pack(stored), c.changes);
    ASSERT_TRUE(spliced.has_value()) << c.what;
    EXPECT_EQ(*spliced, simnet::packed::pack(whole)) << c.what;
  }
  EXPECT_FALSE(simnet::packed::splice(QByteArray("\x09"), {{"a", {"b"}}}).has_value());
  const QByteArray data = simnet::packed::pack(stored);
  EXPECT_FALSE(simnet::packed::splice(data.left(data.size() - 1), {{"a", {"b"}}}).has_value());
}

TEST(PackedAttributes, KeepEveryValueAndRefuseDamagedData) {
  const QByteArray sid = QByteArray::fromHex("010500000000000515000000a1b2c3d400000000");
  const QByteArray longValue(300, 'x');  // a length of two bytes
  const QList<Attribute> attrs{{"objectClass", {"top", "user"}},
                               {"objectSid", {sid}},
                               {"description", {}},
                               {"info", {longValue, ""}},
                               {QString::fromUtf8("extéAttr"), {"v"}}};
  const QByteArray data = simnet::packed::pack(attrs);
  auto all = simnet::packed::unpack(data);
  ASSERT_TRUE(all.has_value());
  QStringList names;
  for (const Attribute& a : *all) names.append(a.name);
  EXPECT_EQ(names, (QStringList{QString::fromUtf8("extéAttr"), "info", "objectClass", "objectSid"}))
      << "key order; an attribute without values is left out";
  struct Case {
    QString name;
    Values expected;
  };
  const Case cases[] = {
      {"OBJECTCLASS", {"top", "user"}},       {"objectsid", {sid}}, {"Info", {longValue, ""}},
      {QString::fromUtf8("EXTÉATTR"), {"v"}}, {"description", {}},  {"ext", {}}};
  for (const Case& c : cases) {
    auto v = simnet::packed::find(data, c.name);
    ASSERT_TRUE(v.has_value()) << c.name.toStdString();
    EXPECT_EQ(*v, c.expected) << c.name.toStdString();
  }
  // Cut anywhere, the data never reads as the whole; cut inside a value it does not read at all.
  for (qsizetype n = 0; n < data.size(); ++n) {
    const QByteArrayView cut(data.constData(), n);
    auto part = simnet::packed::unpack(cut);
    if (part) {
      EXPECT_LT(part->size(), all->size()) << n;
    }
    (void)simnet::packed::find(cut, QStringLiteral("objectSid"));
  }
  EXPECT_FALSE(simnet::packed::unpack(data.left(data.size() - 1)).has_value());
  EXPECT_FALSE(simnet::packed::unpack(QByteArray()).has_value());
  QByteArray wrongFormat = data;
  wrongFormat[0] = 9;
  EXPECT_FALSE(simnet::packed::unpack(wrongFormat).has_value());
  EXPECT_FALSE(simnet::packed::find(wrongFormat, QStringLiteral("info")).has_value());
}

// Values tested where they lie and several attributes read in one pass give what find() gives,
// and damaged data is refused in the same way.
TEST(PackedAttributes, ValuesReadInPlaceAgreeWithFind) {
  const QList<Attribute> attrs{{"objectClass", {"top", "person", "user"}},
                               {"name", {"n"}},
                               {"info", {QByteArray(300, 'x'), ""}},
                               {QString::fromUtf8("extéAttr"), {"v"}}};
  const QByteArray data = simnet::packed::pack(attrs);
  const QStringList names{"OBJECTCLASS", "info", "absent", QString::fromUtf8("EXTÉATTR"), "name", "Info"};
  for (qsizetype n = 0; n <= data.size(); ++n) {
    const QByteArrayView cut(data.constData(), n);
    for (const QString& name : names) {
      const auto expected = simnet::packed::find(cut, name);
      Values seen;
      const auto any = simnet::packed::anyValue(cut, name, [&](QByteArrayView v) {
        seen.append(v.toByteArray());
        return false;
      });
      ASSERT_EQ(any.has_value(), expected.has_value()) << n << " " << name.toStdString();
      if (!expected) continue;
      EXPECT_FALSE(*any);
      EXPECT_EQ(seen, *expected) << n << " " << name.toStdString();
      // Testing stops at the first value that passes.
      int tested = 0;
      const auto hit = simnet::packed::anyValue(cut, name, [&](QByteArrayView v) {
        ++tested;
        return v == expected->value(1);
      });
      EXPECT_EQ(*hit, expected->size() > 1) << name.toStdString();
      EXPECT_EQ(tested, std::min<qsizetype>(expected->size(), 2)) << name.toStdString();
    }
    // Without the absent name the pass ends at the last one found, before the end of the data.
    for (const QStringList& ask : {names, QStringList{"name", "OBJECTCLASS"}}) {
      const auto all = simnet::packed::findAll(cut, ask);
      if (n == data.size()) {
        ASSERT_TRUE(all.has_value());
      }
      if (!all) continue;
      ASSERT_EQ(all->size(), ask.size());
      for (qsizetype i = 0; i < ask.size(); ++i) {
        const auto one = simnet::packed::find(cut, ask[i]);
        ASSERT_TRUE(one.has_value()) << n << " " << ask[i].toStdString();
        EXPECT_EQ((*all)[i], *one) << n << " " << ask[i].toStdString();
      }
    }
  }
  EXPECT_EQ(simnet::packed::findAll(data, {"info", "info"})->value(1), (Values{QByteArray(300, 'x'), ""}))
      << "a name asked twice is given twice";
}

TEST_F(Simnet, BuilderReportsTheFirstFailingStep) {
  simnet::NetworkBuilder b(net);
  auto r = b.user("example.local", "jsmith").user("example.local", "fresh").build();
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.code(), hr::ALREADY_EXISTS);
  EXPECT_TRUE(r.error().message.startsWith("user jsmith")) << r.error().message.toStdString();
  EXPECT_EQ(bindCode("WinNT://EXAMPLE/fresh"), hr::USER_NOT_FOUND) << "later steps do not run";
  EXPECT_EQ(simnet::NetworkBuilder(net).forest("example.local", "EXAMPLE2").build().code(),
            hr::ALREADY_EXISTS);
  EXPECT_EQ(simnet::NetworkBuilder(net).nt4Domain("WAY-TOO-LONG-NETBIOS").build().code(), hr::E_INVALIDARG);
  EXPECT_EQ(simnet::NetworkBuilder(net).member("example.local", "Sales Team", "ghost").build().code(),
            hr::USER_NOT_FOUND);
}

TEST(DemoNetwork, IsSeededOnFirstUseOnly) {
  QTemporaryDir tmp;
  qputenv("TAVREL_NETWORK", tmp.path().toUtf8());
  auto net = SimNetwork::openDefault();
  ASSERT_TRUE(net.ok()) << net.error().message.toStdString();
  EXPECT_EQ(SimNetwork::defaultFolder(), tmp.path());
  EXPECT_TRUE(QFile::exists(tmp.path() + "/network.db"));
  Directory dir(*net);

  auto who = (*net)->loggedOnUser();
  ASSERT_TRUE(who.ok());
  EXPECT_EQ(who->domain + "\\" + who->user, "EXAMPLE\\Administrator");
  EXPECT_TRUE(*dir.GetObject("LDAP://example.local/CN=Domain Admins,CN=Users,DC=example,DC=local")
                   ->IsMember("LDAP://CN=Administrator,CN=Users,DC=example,DC=local"));

  auto conn = (*net)->bind("example.local", Protocol::Ldap, std::nullopt);
  ASSERT_TRUE(conn.ok());
  SearchRequest people{Dn::fromDnsName("example.local"),
                       Scope::Subtree,
                       "(&(objectCategory=Person)(objectClass=User))",
                       {},
                       0,
                       0,
                       {}};
  EXPECT_GE((*conn)->search(people)->entries.size(), 30);
  SearchRequest groups{
      Dn::fromDnsName("example.local"), Scope::Subtree, "(objectCategory=group)", {"groupType"}, 0, 0, {}};
  QSet<qint32> types;
  for (const Entry& e : all((*conn)->search(groups)).entries)
    types.insert(static_cast<qint32>(e.first("groupType").toLongLong()));
  for (quint32 t : {0x80000002u, 0x80000004u, 0x80000008u, 2u, 4u, 8u})
    EXPECT_TRUE(types.contains(static_cast<qint32>(t))) << std::hex << t;
  SearchRequest computers{
      Dn::fromDnsName("example.local"), Scope::Subtree, "(objectCategory=computer)", {}, 0, 0, {}};
  EXPECT_GE((*conn)->search(computers)->entries.size(), 2);
  SearchRequest ous{
      Dn::fromDnsName("example.local"), Scope::Subtree, "(objectClass=organizationalUnit)", {}, 0, 0, {}};
  EXPECT_GE((*conn)->search(ous)->entries.size(), 5);

  EXPECT_EQ(dir.GetObject("LDAP://branch.example.local")->Get("nTMixedDomain")->toInt(), 1);
  EXPECT_EQ(dir.GetObject("LDAP://example.local")->Get("nTMixedDomain")->toInt(), 0);
  EXPECT_EQ(dir.GetObject("WinNT://OLDCORP/jdoe")->Class(), "User");
  EXPECT_EQ(dir.GetObject("LDAP://OLDCORP").code(), hr::SERVER_DOWN);
  EXPECT_TRUE(dir.GetObject("WinNT://EXAMPLE/tmoore")->Get("IsAccountLocked")->toBool());
  EXPECT_TRUE(dir.OpenDSObject("LDAP://example.local", "EXAMPLE\\Administrator", "Password1", 1).ok());
  EXPECT_TRUE(dir.OpenDSObject("LDAP://example.local", "EXAMPLE\\jsmith", "Welcome1", 1).ok());
  for (const char* server : {"EXDC01", "FILESRV1", "FILESRV2", "EXCH2K", "EXCH55", "OLDPDC", "OLDFS"})
    EXPECT_TRUE((*net)->setReachable(server, true).ok()) << server;

  const int count = static_cast<int>((*conn)->search(people)->entries.size());
  auto again = SimNetwork::openDefault();
  ASSERT_TRUE(again.ok());
  auto c2 = (*again)->bind("example.local", Protocol::Ldap, std::nullopt);
  EXPECT_EQ((*c2)->search(people)->entries.size(), count) << "not seeded twice";
  qunsetenv("TAVREL_NETWORK");
}

// Several programs started at once on a fresh network: every one opens it, and it is seeded once.
TEST(DemoNetwork, ProgramsStartedTogetherAllOpenTheNetworkSeededOnce) {
  constexpr int kRounds = 4;
  constexpr int kProcesses = 4;
  for (int round = 0; round < kRounds; ++round) {
    QTemporaryDir tmp;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TAVREL_NETWORK", tmp.path());
    std::vector<std::unique_ptr<QProcess>> probes;
    for (int i = 0; i < kProcesses; ++i) {
      probes.push_back(std::make_unique<QProcess>());
      probes.back()->setProcessEnvironment(env);
      probes.back()->start(QStringLiteral(SEED_PROBE), {});
    }
    for (auto& p : probes) {
      ASSERT_TRUE(p->waitForFinished(60000));
      EXPECT_EQ(p->exitCode(), 0) << "round " << round << ": " << p->readAllStandardError().toStdString();
    }
    auto net = SimNetwork::open(tmp.path());
    ASSERT_TRUE(net.ok());
    QStringList names;
    for (const DomainInfo& d : (*net)->browseDomains()) names << d.netbiosName;
    names.sort();
    EXPECT_EQ(names, QStringList({"BRANCH", "EXAMPLE", "OLDCORP"})) << "round " << round;
  }
}

}  // namespace
}  // namespace tavrel::test
