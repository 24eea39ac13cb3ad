#include "ShareNetwork.h"

#include "platform/files/FileSystem.h"
#include "platform/security/FileSecurity.h"
#include "platform/security/Privileges.h"
#include "resources/DirPermissions.h"

namespace tavrel::test {
namespace {

using namespace resources;
using security::Ace;
using security::Acl;
using security::Sid;

constexpr quint32 FA = 0x1F01FF, MOD = 0x1301BF, RX = 0x1200A9;
constexpr quint8 DIRS = 0x02, FILES = 0x09, INH = 0x13;
const QString kServer = QStringLiteral("FILESRV1");
const QString kRestore = QStringLiteral("SeRestorePrivilege");

TEST(DirAccessTable, CodesGiveTypeAndMask) {
  struct Case {
    int32_t code;
    std::optional<std::pair<quint8, quint32>> entry;
  };
  const Case cases[] = {{0, std::pair{quint8(0), FA}},  {1, std::nullopt},   {2, std::pair{quint8(0), MOD}},
                        {3, std::pair{quint8(0), FA}},  {4, std::pair{quint8(0), RX}}, {5, std::pair{quint8(1), FA}},
                        {6, std::pair{quint8(0), 0u}},  {-1, std::pair{quint8(0), 0u}}};
  for (const Case& c : cases) {
    const auto a = dirAccess(c.code);
    ASSERT_EQ(a.has_value(), c.entry.has_value()) << c.code;
    if (a) {
      EXPECT_EQ(a->type, c.entry->first) << c.code;
      EXPECT_EQ(a->mask, c.entry->second) << c.code;
    }
  }
}

TEST(DirAccessTable, AccessWordsAreMatchedExactly) {
  struct Case {
    const char* word;
    std::optional<int32_t> code;
  };
  const Case cases[] = {{"Full Control", 3},      {"Full Control  ", 3},       {"Change", 2},
                        {"Read", 4},              {"No Access", 5},            {"full control", std::nullopt},
                        {"READ", std::nullopt},   {"", std::nullopt},          {"Write", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(permissionAccessCode(QString::fromLatin1(c.word)), c.code) << c.word;
}

TEST(SameSid, ComparesValidSidsByteForByte) {
  const QByteArray a = Sid::fromString(QStringLiteral("S-1-5-21-1-2-3-1104"))->binary();
  const QByteArray b = Sid::fromString(QStringLiteral("S-1-5-21-1-2-3-1105"))->binary();
  const QByteArray shorter = Sid::fromString(QStringLiteral("S-1-5-21-1-2-3"))->binary();
  EXPECT_TRUE(Same_SID(a, a));
  EXPECT_TRUE(Same_SID(a + QByteArray(20, 'x'), a));  // a buffer longer than its SID
  EXPECT_FALSE(Same_SID(a, b));
  EXPECT_FALSE(Same_SID(a, shorter));
  EXPECT_FALSE(Same_SID(QByteArray(), QByteArray()));
  EXPECT_FALSE(Same_SID(QByteArray(12, '\0'), QByteArray(12, '\0')));
}

class DirPermissionsTest : public ShareNetwork {
 protected:
  void SetUp() override {
    ShareNetwork::SetUp();
    jsmith = sidOf(QStringLiteral("EXAMPLE\\jsmith"));
    mjones = sidOf(QStringLiteral("EXAMPLE\\mjones"));
  }
  void TearDown() override {
    security::setPrivilegeHeld(kRestore, true);
    (void)security::setPrivilege(kRestore, false);
    ShareNetwork::TearDown();
  }
  QString folder(const QString& below) {
    const QString path = QStringLiteral("\\\\FILESRV1\\D$\\Users\\") + below;
    EXPECT_TRUE(simnet::NetworkBuilder(net).folder(path).build());
    return path;
  }
  bool grant(const QString& path, const QString& account, int32_t code, bool replace = false, bool recurse = false) {
    return Set_Dir_Permissions(kServer, path, account, code, replace, recurse, *run);
  }
  static Acl list(std::initializer_list<Ace> aces) {
    Acl a;
    for (const Ace& e : aces) a.add(e);
    return a;
  }
  // What every folder below Users inherits from the drive's root.
  QList<Ace> inherited() const {
    return {Ace::allow(security::wellknown::builtinAdministrators(), FA, INH),
            Ace::allow(security::wellknown::localSystem(), FA, INH),
            Ace::allow(security::wellknown::everyone(), RX, INH)};
  }
  Acl with(QList<Ace> front, const QList<Ace>& rest) {
    Acl a;
    for (const Ace& e : front + rest) a.add(e);
    return a;
  }
  Sid jsmith, mjones;
};

TEST_F(DirPermissionsTest, EachCodeRewritesTheList) {
  const Ace system = Ace::allow(security::wellknown::localSystem(), FA, INH);
  struct Case {
    int32_t code;
    bool replace;
    QList<Ace> front;  // the new entries
    bool onlySystem;   // the old entries kept are SYSTEM's alone
  };
  const QList<Case> cases = {
      {3, false, {Ace::allow(jsmith, FA, DIRS), Ace::allow(jsmith, FA, FILES)}, false},
      {0, false, {Ace::allow(jsmith, FA, DIRS), Ace::allow(jsmith, FA, FILES)}, false},
      {2, false, {Ace::allow(jsmith, MOD, DIRS), Ace::allow(jsmith, MOD, FILES)}, false},
      {4, false, {Ace::allow(jsmith, RX, DIRS), Ace::allow(jsmith, RX, FILES)}, false},
      {5, false, {Ace::deny(jsmith, FA, DIRS), Ace::deny(jsmith, FA, FILES)}, false},
      {9, false, {Ace::allow(jsmith, 0, DIRS), Ace::allow(jsmith, 0, FILES)}, false},
      {3, true, {Ace::allow(jsmith, FA, DIRS), Ace::allow(jsmith, FA, FILES)}, true},
      {1, true, {}, true},
      {1, false, {}, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code " << c.code << " replace " << c.replace);
    const QString path = folder(QStringLiteral("case%1").arg(++n));
    EXPECT_TRUE(grant(path, QStringLiteral("jsmith"), c.code, c.replace));
    EXPECT_EQ(daclOf(path), with(c.front, c.onlySystem ? QList<Ace>{system} : inherited()));
  }
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(DirPermissionsTest, LaterCallsReplaceTheAccountsEntriesAndKeepCanonicalOrder) {
  const QString home = folder(QStringLiteral("jsmith"));
  ASSERT_TRUE(grant(home, QStringLiteral("jsmith"), 2));
  ASSERT_TRUE(grant(home, QStringLiteral("jsmith"), 4));
  EXPECT_EQ(daclOf(home), with({Ace::allow(jsmith, RX, DIRS), Ace::allow(jsmith, RX, FILES)}, inherited()));
  ASSERT_TRUE(grant(home, QStringLiteral("jsmith"), 1));
  EXPECT_EQ(daclOf(home), with({}, inherited()));

  // A kept denial stays in front of a new grant.
  ASSERT_TRUE(grant(home, QStringLiteral("mjones"), 5));
  ASSERT_TRUE(grant(home, QStringLiteral("EXAMPLE\\jsmith"), 3));
  EXPECT_EQ(daclOf(home), with({Ace::deny(mjones, FA, DIRS), Ace::deny(mjones, FA, FILES), Ace::allow(jsmith, FA, DIRS),
                                Ace::allow(jsmith, FA, FILES)},
                               inherited()));
  EXPECT_TRUE(daclOf(home).isCanonical());

  // A list out of order is put in order.
  security::SecurityDescriptor odd;
  odd.dacl = list({Ace::allow(mjones, RX), Ace::deny(security::wellknown::everyone(), FA)});
  ASSERT_TRUE(security::SetFileSecurity(home, security::info::DACL, odd));
  ASSERT_TRUE(grant(home, QStringLiteral("jsmith"), 2));
  EXPECT_EQ(daclOf(home), list({Ace::deny(security::wellknown::everyone(), FA), Ace::allow(jsmith, MOD, DIRS),
                                Ace::allow(jsmith, MOD, FILES), Ace::allow(mjones, RX)}));
}

TEST_F(DirPermissionsTest, FailuresAreAlwaysLogged) {
  const QString home = folder(QStringLiteral("jsmith"));
  const Acl before = daclOf(home);
  qunsetenv("LOGONSERVER");
  EXPECT_FALSE(grant(home, QStringLiteral("nosuchuser"), 3));
  EXPECT_TRUE(logHas(QStringLiteral("Error: LookupAccountName - 2")));
  EXPECT_TRUE(logHas(QStringLiteral("Code: 1332")));
  EXPECT_TRUE(logHas(QStringLiteral("Error from Permissions:")));
  EXPECT_TRUE(logHas(QStringLiteral("Server: Account:nosuchuser Domain:")));
  EXPECT_EQ(daclOf(home), before);

  EXPECT_FALSE(grant(QStringLiteral("\\\\FILESRV1\\D$\\Users\\missing"), QStringLiteral("jsmith"), 3));
  EXPECT_TRUE(logHas(QStringLiteral("Error: GetFileSecurity")));
  EXPECT_FALSE(logHas(QStringLiteral("Account lookups done.")));
  EXPECT_TRUE(prompts.asked.empty());

  run->debug = true;
  EXPECT_TRUE(grant(home, QStringLiteral("jsmith"), 3));
  for (const char* line : {"Account lookups done.", "Get Security Descriptor.", "Create new ACL", "Add in ACE", "Write D-ACL"})
    EXPECT_TRUE(logHas(QString::fromLatin1(line))) << line;
}

TEST_F(DirPermissionsTest, AccountUnknownToTheServerIsLookedUpOnTheLogonServer) {
  const QString home = folder(QStringLiteral("jsmith"));
  qputenv("LOGONSERVER", "\\\\EXDC01");
  const QString server = QStringLiteral("NOSUCHSRV");
  EXPECT_TRUE(Set_Dir_Permissions(server, home, QStringLiteral("jsmith"), 4, false, false, *run));
  EXPECT_EQ(daclOf(home), with({Ace::allow(jsmith, RX, DIRS), Ace::allow(jsmith, RX, FILES)}, inherited()));
  qputenv("LOGONSERVER", "\\\\NOWHERE");
  EXPECT_FALSE(Set_Dir_Permissions(server, home, QStringLiteral("mjones"), 4, false, false, *run));
  EXPECT_TRUE(logHas(QStringLiteral("Server:NOWHERE Account:mjones Domain:")));
  qunsetenv("LOGONSERVER");
}

class RecursiveTest : public DirPermissionsTest {
 protected:
  void SetUp() override {
    DirPermissionsTest::SetUp();
    tree = folder(QStringLiteral("tree"));
    ASSERT_TRUE(simnet::NetworkBuilder(net)
                    .folder(tree + QStringLiteral("\\sub"))
                    .file(tree + QStringLiteral("\\sub\\file.txt"), 10)
                    .file(tree + QStringLiteral("\\top.txt"), 10)
                    .build());
    ASSERT_TRUE(grant(tree + QStringLiteral("\\sub"), QStringLiteral("mjones"), 4));
    run->status = [this](const QString& text) { shown.append(text); };
  }
  QStringList everything() const {
    return {tree, tree + QStringLiteral("\\sub"), tree + QStringLiteral("\\sub\\file.txt"), tree + QStringLiteral("\\top.txt")};
  }
  QString tree;
  QStringList shown;
};

TEST_F(RecursiveTest, AccountOwnsTheTreeAndItsListReachesEverythingByInheritance) {
  EXPECT_TRUE(grant(tree, QStringLiteral("jsmith"), 3, true, true));
  for (const QString& p : everything()) EXPECT_EQ(ownerOf(p), jsmith) << p.toStdString();
  const Ace system = Ace::allow(security::wellknown::localSystem(), FA, INH);
  EXPECT_EQ(daclOf(tree), list({Ace::allow(jsmith, FA, DIRS), Ace::allow(jsmith, FA, FILES), system}));
  // Below, only inherited entries: the account's, and none of the old explicit ones.
  for (const QString& p : everything().mid(1)) {
    const Acl acl = daclOf(p);
    bool accountFull = false;
    for (const Ace& a : acl.aces()) {
      EXPECT_TRUE(a.isInherited()) << p.toStdString();
      EXPECT_NE(a.sid, mjones) << p.toStdString();
      if (a.sid == jsmith && a.mask == FA && !(a.flags & security::ace::INHERIT_ONLY)) accountFull = true;
    }
    EXPECT_TRUE(accountFull) << p.toStdString();
  }
  EXPECT_EQ(shown, QStringList{tree});
  EXPECT_FALSE(security::privilegeEnabled(kRestore));
}

TEST_F(RecursiveTest, PrivilegeNotHeldChangesNothing) {
  security::setPrivilegeHeld(kRestore, false);
  const auto owner = ownerOf(tree);
  EXPECT_FALSE(grant(tree, QStringLiteral("jsmith"), 3, true, true));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "AdjustTokenPrivileges failed with error code 1300");
  EXPECT_TRUE(logHas(QStringLiteral("Error: SetFileSecurity")));
  EXPECT_EQ(ownerOf(tree), owner);
  EXPECT_FALSE(security::privilegeEnabled(kRestore));
}

// The network's table of descriptors refuses every write.
class RefusingTable : public security::SecurityTable {
 public:
  explicit RefusingTable(std::shared_ptr<security::SecurityTable> inner) : inner_(std::move(inner)) {}
  adsi::Result<QHash<QString, QByteArray>> read(const files::Location& d, const QStringList& k) override {
    return inner_->read(d, k);
  }
  adsi::Result<QHash<QString, QByteArray>> readBelow(const files::Location& r) override { return inner_->readBelow(r); }
  adsi::Status write(const files::Location&, const QHash<QString, QByteArray>&) override {
    return adsi::makeError(0x80070005, QStringLiteral("access is denied"));
  }

 private:
  std::shared_ptr<security::SecurityTable> inner_;
};

TEST_F(RecursiveTest, PrivilegeIsSwitchedOffAfterAFailure) {
  security::setSecurityTable(std::make_shared<RefusingTable>(security::securityTable()));
  EXPECT_FALSE(grant(tree, QStringLiteral("jsmith"), 3, true, true));
  EXPECT_FALSE(security::privilegeEnabled(kRestore));
  EXPECT_TRUE(logHas(QStringLiteral("Error: SetFileSecurity")));
  EXPECT_TRUE(logHas(QStringLiteral("Code: 5")));
  EXPECT_FALSE(grant(tree, QStringLiteral("jsmith"), 3));
}

class PrivilegeTest : public AppFixture {};

TEST_F(PrivilegeTest, SwitchingShowsTheFailingCall) {
  EXPECT_TRUE(Enable_Privilege(kRestore));
  EXPECT_TRUE(security::privilegeEnabled(kRestore));
  EXPECT_TRUE(Disable_Privilege(kRestore));
  EXPECT_FALSE(security::privilegeEnabled(kRestore));
  EXPECT_FALSE(Set_Privilege(QStringLiteral("SeNoSuchPrivilege"), true));
  security::setPrivilegeHeld(kRestore, false);
  EXPECT_FALSE(Enable_Privilege(kRestore));
  security::setPrivilegeHeld(kRestore, true);
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[0].prompt, "LookupPrivilegeValue failed with error code 1313");
  EXPECT_EQ(prompts.asked[1].prompt, "AdjustTokenPrivileges failed with error code 1300");
}

class SetPermissionsTest : public DirPermissionsTest {
 protected:
  void SetUp() override {
    DirPermissionsTest::SetUp();
    home = folder(QStringLiteral("jsmith"));
  }
  bool apply() { return Set_Permissions(kServer, home, QStringLiteral("jsmith"), *run); }
  QString home;
};

TEST_F(SetPermissionsTest, FirstRecordReplacesAndTheNextAreAddedInFront) {
  writePermissions({{-1, "%Domain%\\%UserName%", "Full Control"}, {0, "Administrators", "Read"}});
  EXPECT_TRUE(apply());
  const Ace system = Ace::allow(security::wellknown::localSystem(), FA, INH);
  const Sid admins = security::wellknown::builtinAdministrators();
  EXPECT_EQ(daclOf(home), list({Ace::allow(admins, RX, DIRS), Ace::allow(admins, RX, FILES), Ace::allow(jsmith, FA, DIRS),
                                Ace::allow(jsmith, FA, FILES), system}));
  EXPECT_TRUE(logHas(QStringLiteral("Setting Permissions on \\\\FILESRV1\\D$\\Users\\jsmith")));
  EXPECT_TRUE(logHas(QStringLiteral("Set Permissions for example.local\\jsmith")));
  EXPECT_TRUE(logHas(QStringLiteral("Set Permissions for Administrators")));
  EXPECT_FALSE(run->warned);
  EXPECT_EQ(beeps.beeps(), 0);
}

TEST_F(SetPermissionsTest, BadRecordsAreReportedAndTheOthersApplied) {
  writePermissions({{0, "nobody", "Read"}, {-1, "%UserName%", "full control"}, {-1, "%UserName%", "Change"}});
  EXPECT_TRUE(apply());
  // Only the last record applies; its -1 does not replace, since it is not the first record.
  EXPECT_EQ(daclOf(home), with({Ace::allow(jsmith, MOD, DIRS), Ace::allow(jsmith, MOD, FILES)}, inherited()));
  EXPECT_TRUE(logHas(QStringLiteral("Failed to set Permissions for nobody")));
  EXPECT_TRUE(logHas(QStringLiteral("Set Permissions for jsmith")));
  EXPECT_EQ(screen.size(), 1);
  EXPECT_TRUE(screen.value(0).startsWith(QLatin1String("YELLOW ")));
  EXPECT_TRUE(screen.value(0).contains(QLatin1String("full control")));
  EXPECT_TRUE(run->warned);
  EXPECT_EQ(beeps.beeps(), 2);
}

TEST_F(SetPermissionsTest, EmptyListChangesNothing) {
  const Acl before = daclOf(home);
  EXPECT_FALSE(apply());
  ASSERT_TRUE(writeAll(dir() + QStringLiteral("Permissions.dat"), QByteArray(63, ' ')));
  EXPECT_FALSE(apply());
  EXPECT_EQ(logLines().filter(QStringLiteral("No Users found in permissions file")).size(), 2);
  EXPECT_EQ(daclOf(home), before);
}

}  // namespace
}  // namespace tavrel::test
