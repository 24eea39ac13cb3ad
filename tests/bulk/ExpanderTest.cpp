// Turning a selection item into user accounts, per operation: OUs give their user objects only
// (no computers, no child OUs), groups their user members, NT local groups are groups too.

#include "BulkFixture.h"

#include "bulk/Expander.h"

using namespace tavrel;

namespace {

class Expand : public test::BulkFixture {
 protected:
  struct Found {
    QStringList paths, names, logons;
    bool failed = false;
  };
  Found run(const bulk::ListItem& item, const bulk::ExpandPolicy& policy) {
    Found f;
    const bulk::ExpandOutcome out = bulk::expand(item, policy, [&](const bulk::UserRef& u) {
      f.paths << u.path;
      f.names << u.name;
      f.logons << u.logon;
      return true;
    });
    f.failed = out.failure.has_value();
    return f;
  }
  static bulk::ListItem item(const QString& icon, const QString& key, const QString& text,
                             bool ghosted = false) {
    return bulk::ListItem{key, text, icon, ghosted, 0};
  }
};

TEST_F(Expand, ActiveDirectoryItemsPerPolicy) {
  using P = bulk::ExpandPolicy;
  struct Case {
    const char* name;
    bulk::ListItem item;
    P policy;
    QStringList paths;
    QStringList names;
    QStringList logons;
    bool failed = false;
  };
  const Case cases[] = {
      {"an OU gives its users only: no computer, nothing from the child OU",
       item("OU", salesDn(), "Sales"),
       P::passwordReset(),
       {alicePath(), bobPath()},
       {"Alice Archer", "Bob Baker"},
       {"alice", "bob"}},
      {"every operation's OU expansion leaves the computer out",
       item("OU", salesDn(), "Sales"),
       P::attributeChange(),
       {alicePath(), bobPath()},
       {"Alice Archer", "Bob Baker"},
       {"alice", "bob"}},
      {"a group gives its user members: no nested group, no computer",
       item("W2KGRP", teamPath(), "Sales Team"),
       P::enableDisable(),
       {alicePath(), bobPath()},
       {"Alice Archer", "Bob Baker"},
       {"alice", "bob"}},
      {"a user item is the user",
       item("USER", davePath(), "dave"),
       P::passwordReset(),
       {davePath()},
       {"dave"},
       {""}},
      {"a ghosted user is skipped where the policy says so",
       item("USER", davePath(), "dave", true),
       P::remove(),
       {},
       {},
       {}},
      {"and handed on where it does not",
       item("USER", davePath(), "dave", true),
       P::enableDisable(),
       {davePath()},
       {"dave"},
       {""}},
      {"an empty OU gives nothing and is no error",
       item("OU", "OU=East,OU=Sales,DC=example,DC=local", "East"),
       P::passwordReset(),
       {path("CN=carol,OU=East,OU=Sales")},
       {"carol"},
       {"carol"}},
      {"a group that is not there gives nothing and a failure",
       item("W2KGRP", path("CN=Nobody,OU=Sales"), "Nobody"),
       P::passwordReset(),
       {},
       {},
       {},
       true},
      {"an OU that is not there gives a failure",
       item("OU", "OU=Gone,DC=example,DC=local", "Gone"),
       P::enableDisable(),
       {},
       {},
       {},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Found f = run(c.item, c.policy);
    // The directory decides the order of an OU's or a group's users.
    for (QStringList* l : {&f.paths, &f.names, &f.logons}) l->sort();
    EXPECT_EQ(f.paths, c.paths);
    EXPECT_EQ(f.names, c.names);
    EXPECT_EQ(f.logons, c.logons);
    EXPECT_EQ(f.failed, c.failed);
  }
}

TEST_F(Expand, NtGroupsGlobalAndLocal) {
  SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
  ntMode();
  struct Case {
    const char* name;
    bulk::ListItem item;
    QStringList paths;
  } const cases[] = {
      {"a global group gives its members", item("Global", "", "Accounts"), {"WinNT://OLDCORP/jdoe"}},
      {"a local group is a group, never a user name",
       item("Local", "", "Printers"),
       {"WinNT://OLDCORP/rroe"}},
      {"a user item is the account", item("USER", "", "jdoe"), {"WinNT://OLDCORP/jdoe"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& policy : {bulk::ExpandPolicy::passwordReset(), bulk::ExpandPolicy::enableDisable()}) {
      const Found f = run(c.item, policy);
      EXPECT_EQ(f.paths, c.paths);
      EXPECT_EQ(f.logons, QStringList(c.paths.size(), c.paths.first().mid(16)));
    }
  }
}

TEST_F(Expand, AnOuLargerThanTheServersLimitIsReadWhole) {
  SIMNET_ONLY("the server's result limit is set on the simulated network");
  ASSERT_TRUE(net->setSizeLimit(3).ok());
  simnet::NetworkBuilder b(net);
  b.ou("example.local", "OU=Big");
  for (int i = 0; i < 8; ++i)
    b.user("example.local", QStringLiteral("big%1").arg(i), simnet::UserSpec().in("OU=Big"));
  ASSERT_TRUE(b.build().ok());
  const Found f = run(item("OU", "OU=Big,DC=example,DC=local", "Big"), bulk::ExpandPolicy::enableDisable());
  EXPECT_EQ(f.paths.size(), 8);
  EXPECT_FALSE(f.failed);
}

TEST_F(Expand, UsersAreHandedOnAsFoundAndTheCallbackCanStop) {
  int calls = 0;
  const bulk::ExpandOutcome out = bulk::expand(
      item("OU", salesDn(), "Sales"), bulk::ExpandPolicy::passwordReset(), [&](const bulk::UserRef&) {
        ++calls;
        return false;
      });
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(out.stopped);
}

TEST_F(Expand, TheOuQueryEscapesTheBase) {
  EXPECT_EQ(bulk::ouUserQuery("example.local", "OU=a\\,b>c,DC=example,DC=local"),
            "<LDAP://example.local/"
            "OU=a\\\\,b\\>c,DC=example,DC=local>;(&(objectCategory=person)(objectClass=user));"
            "ADsPath,name,sAMAccountName,userAccountControl;onelevel");
}

}  // namespace
