// Group identifiers, membership changes, password resets and the principal-name search.

#include "UserFixture.h"

#include "directory/GroupMembership.h"
#include "directory/PasswordReset.h"
#include "directory/UpnSearch.h"
#include "platform/adsi/Batch.h"
#include "platform/adsi/Counters.h"
#include "platform/adsi/Values.h"

using namespace tavrel;

namespace {

class Accounts : public test::UserFixture {
 protected:
  void SetUp() override { build(); }
};

TEST_F(Accounts, GroupIdentifiersAreTheLastPartOfTheGroupsSid) {
  auto rid = directory::Get_Group_RID_W2K(groupPath("Domain Users", "CN=Users"));
  ASSERT_TRUE(rid.ok()) << rid.error().message.toStdString();
  EXPECT_EQ(*rid, 513);
  // "01 02 00 00" at the end of the SID is 513.
  EXPECT_EQ(adsi::sidRid(QByteArray::fromHex("010500000000000515000000aabbccdd01020000")), 513u);

  auto team = directory::Get_Group_RID_W2K(groupPath("Sales Team"));
  ASSERT_TRUE(team.ok());
  EXPECT_EQ(quint32(*team), adsi::sidRid(read(groupPath("Sales Team"), "objectSid").toByteArray()));
  // Through the NT view of the same domain.
  state::shared().Domain_Name = "EXAMPLE";
  auto nt = directory::Get_Group_RID_NT("Sales Team");
  ASSERT_TRUE(nt.ok()) << nt.error().message.toStdString();
  EXPECT_EQ(*nt, *team);
  EXPECT_FALSE(directory::Get_Group_RID_W2K(groupPath("No Such Group")).ok());
  EXPECT_FALSE(directory::Get_Group_RID_NT("jsmith").ok()) << "a user is no group";
}

// In a batch a group is bound once, and its RID is taken from that bind: a group just joined
// (its cached values spent by the change) is not read again, members and all, for its RID.
TEST_F(Accounts, AGroupJoinedInABatchGivesItsRidWithoutAnotherRead) {
  const QString managers = groupPath("Managers");
  const quint32 expected = adsi::sidRid(read(managers, "objectSid").toByteArray());
  adsi::Batch batch;
  ASSERT_TRUE(directory::Add_To_Group_W2K(managers, johnPath()).ok());
  const adsi::Counts before = adsi::counts();
  auto rid = directory::Get_Group_RID_W2K(managers);
  ASSERT_TRUE(rid.ok()) << rid.error().message.toStdString();
  EXPECT_EQ(quint32(*rid), expected);
  EXPECT_EQ((adsi::counts() - before)[adsi::Counter::Searches], 0u);
}

TEST_F(Accounts, MembershipChangesAndTheirRefusals) {
  const QString managers = groupPath("Managers");
  ASSERT_TRUE(directory::Add_To_Group_W2K(managers, johnPath()).ok());
  EXPECT_TRUE(bind(managers).IsMember(johnPath()).value());
  EXPECT_FALSE(directory::Add_To_Group_W2K(managers, johnPath()).ok()) << "already a member";
  ASSERT_TRUE(directory::Remove_From_Group_W2K(managers, johnPath()).ok());
  EXPECT_FALSE(bind(managers).IsMember(johnPath()).value());
  EXPECT_FALSE(directory::Remove_From_Group_W2K(managers, johnPath()).ok()) << "no member";
  EXPECT_FALSE(directory::Add_To_Group_W2K(groupPath("No Such Group"), johnPath()).ok());
}

TEST_F(Accounts, NtMembershipChanges) {
  SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
  ntMode();
  ASSERT_TRUE(directory::Add_To_Group_NT("Auditors", "jdoe").ok());
  EXPECT_TRUE(bind("WinNT://OLDCORP/Auditors").IsMember("WinNT://OLDCORP/jdoe").value());
  EXPECT_FALSE(directory::Add_To_Group_NT("Auditors", "jdoe").ok());
  ASSERT_TRUE(directory::Remove_From_Group_NT("Auditors", "jdoe").ok());
  EXPECT_FALSE(directory::Remove_From_Group_NT("Auditors", "jdoe").ok());
  EXPECT_FALSE(directory::Add_To_Group_NT("Auditors", "nobody").ok());
}

TEST_F(Accounts, PasswordResetForcesAChangeAndUnlocks) {
  lockAccount("jsmith");
  QString path = QString::fromLatin1(kJohnDn).prepend("example.local/");
  ASSERT_TRUE(directory::Reset_Password_W2K("NewPass9x", path));
  EXPECT_EQ(path, johnPath()) << "the caller's path gets the prefix";
  auto nt = bind("WinNT://EXAMPLE/jsmith");
  EXPECT_EQ(nt.Get("PasswordExpired")->toInt(), 1);
  EXPECT_FALSE(nt.Get("IsAccountLocked")->toBool());
  EXPECT_FALSE(read("WinNT://EXAMPLE/jsmith", "IsAccountLocked").toBool());

  QString prefixed = johnPath();
  ASSERT_TRUE(directory::Reset_Password_W2K("NewPass8x", prefixed));
  EXPECT_EQ(prefixed, johnPath()) << "a path with the prefix is kept";
  QString lower = "ldap://example.local/" + QString::fromLatin1(kJohnDn);
  EXPECT_FALSE(directory::Reset_Password_W2K("NewPass7x", lower)) << "the prefix is compared exactly";
  EXPECT_EQ(lower, "LDAP://ldap://example.local/" + QString::fromLatin1(kJohnDn));
}

TEST_F(Accounts, APasswordThePolicyRefusesChangesNothing) {
  if (net) {
    ASSERT_TRUE(net->setPasswordPolicy("example.local", {8, true}).ok());
  } else {
    auto conn = dc->bind("example.local", adsi::Protocol::Ldap, std::nullopt);
    ASSERT_TRUE(conn.ok());
    ASSERT_TRUE(
        (*conn)
            ->modify((*conn)->server().defaultNamingContext, {{adsi::ModOp::Replace, "minPwdLength", {"8"}},
                                                              {adsi::ModOp::Replace, "pwdProperties", {"1"}}})
            .ok());
  }
  const QVariant before = read(johnPath(), "pwdLastSet");
  QString path = johnPath();
  EXPECT_FALSE(directory::Reset_Password_W2K("short", path));
  EXPECT_EQ(read(johnPath(), "pwdLastSet"), before);
  EXPECT_EQ(read("WinNT://EXAMPLE/jsmith", "PasswordExpired").toInt(), 0);
}

TEST_F(Accounts, NtPasswordReset) {
  SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
  ntMode();
  ASSERT_TRUE(net->lockAccount("OLDCORP", "jdoe").ok());
  EXPECT_TRUE(directory::Reset_Password_NT("NewPass9x", "jdoe"));
  EXPECT_EQ(read("WinNT://OLDCORP/jdoe", "PasswordExpired").toInt(), 1);
  EXPECT_FALSE(read("WinNT://OLDCORP/jdoe", "IsAccountLocked").toBool());
  EXPECT_FALSE(directory::Reset_Password_NT("NewPass9x", "nobody"));
}

// The name is a value: wildcards and parentheses in it match only themselves.
TEST_F(Accounts, PrincipalNameSearch) {
  auto mary = bind(QString::fromLatin1(kPath) + "CN=mjones,CN=Users,DC=example,DC=local");
  ASSERT_TRUE(mary.Put("userPrincipalName", "m(j)*ones\\x@example.local").ok());
  ASSERT_TRUE(mary.SetInfo().ok());
  struct Case {
    const char* upn;
    directory::UpnState state;
  } const cases[] = {
      {"john.smith@example.local", directory::UpnState::Exists},
      {"JOHN.SMITH@Example.Local", directory::UpnState::Exists},
      {"nobody@example.local", directory::UpnState::Free},
      {"*", directory::UpnState::Free},
      {"john*", directory::UpnState::Free},
      {"john.smith@example.local)(cn=*", directory::UpnState::Free},
      {"(", directory::UpnState::Free},
      {"m(j)*ones\\x@example.local", directory::UpnState::Exists},
      {"m(j)*ones\\", directory::UpnState::Free},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.upn);
    const directory::UpnAnswer a = directory::Find_UPN(c.upn);
    EXPECT_EQ(a.state, c.state);
    EXPECT_FALSE(a.error.has_value());
  }
  EXPECT_EQ(
      directory::upnSearchText("GC://example.local", "a*(b)\\"),
      "<GC://"
      "example.local>;(&(objectClass=user)(objectCategory=person)(userprincipalName=a\\2a\\28b\\29\\5c));"
      "userPrincipalName,cn,distinguishedName;subtree");
}

TEST_F(Accounts, AnUnreachableCatalogIsNeverTakenAsFree) {
  SIMNET_ONLY("the test DC cannot be made unreachable by name alone");
  ASSERT_TRUE(net->setReachable("example.local", false).ok());
  const directory::UpnAnswer a = directory::Find_UPN("nobody@example.local");
  EXPECT_EQ(a.state, directory::UpnState::Unknown);
  EXPECT_TRUE(a.error.has_value());
  directory::setDirectory(nullptr);
  EXPECT_EQ(directory::Find_UPN("nobody@example.local").state, directory::UpnState::Unknown);
}

}  // namespace
