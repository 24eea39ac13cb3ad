#include "ShareNetwork.h"

#include "platform/netapi/FileService.h"
#include "platform/security/AccountLookup.h"
#include "resources/Shares.h"
#include "state/SharedState.h"

namespace tavrel::test {
namespace {

using namespace resources;
using security::Ace;
using security::Acl;
using security::Sid;

constexpr quint32 kRead = 0xA0000000, kChange = 0xE0010000, kFull = 0x10000000;

TEST(ShareAccess, WordsAndMasks) {
  struct Case {
    const char* word;
    std::optional<quint32> mask;
  };
  const Case cases[] = {{"Read", kRead},          {"READ        ", kRead},   {"Change", kChange},
                        {"change", kChange},      {"Full Control", kFull},   {"  full control", kFull},
                        {"No Access", std::nullopt}, {"", std::nullopt},    {"FullControl", std::nullopt},
                        {"Write", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(shareAccessMask(QString::fromLatin1(c.word)), c.mask) << c.word;
}

TEST(ShareAcl, EntriesAreAppendedInOrderAndRefusedWhenUnfit) {
  Acl acl;
  const Sid world = security::wellknown::everyone();
  const Sid admins = security::wellknown::builtinAdministrators();
  EXPECT_TRUE(Add_Ace_To_Acl(acl, 0, 0, kRead, world));
  EXPECT_TRUE(Add_Ace_To_Acl(acl, 1, 0x02, kFull, admins));
  ASSERT_EQ(acl.count(), 2);
  EXPECT_EQ(acl.aces()[0], Ace::allow(world, kRead));
  EXPECT_EQ(acl.aces()[1], Ace::deny(admins, kFull, 0x02));
  EXPECT_FALSE(Add_Ace_To_Acl(acl, 0, 0, kRead, Sid()));   // no SID
  EXPECT_FALSE(Add_Ace_To_Acl(acl, 5, 0, kRead, world));   // an object entry
  // The list's 16-bit size is never exceeded.
  Acl full;
  int added = 0;
  while (Add_Ace_To_Acl(full, 0, 0, kRead, world)) ++added;
  EXPECT_EQ(added, (0xFFFF - 8) / 20);
  EXPECT_LE(full.size(), 0xFFFF);
}

class CreateShareTest : public ShareNetwork {
 protected:
  void SetUp() override {
    ShareNetwork::SetUp();
    ASSERT_TRUE(simnet::NetworkBuilder(net).folder(QStringLiteral("\\\\FILESRV1\\D$\\Users\\jsmith")).build());
  }
  int16_t create(const QString& name = QStringLiteral("jsmith$"), const QString& user = QStringLiteral("jsmith")) {
    return Create_Share_502(QStringLiteral("FILESRV1"), name, QStringLiteral("D:\\Users\\jsmith"),
                            QStringLiteral("Users Home Share"), user, *run);
  }
  // The DACL of a share as the lanmanserver view gives it.
  std::optional<Acl> shareDacl(const QString& name) {
    auto share = netapi::bindFileShare(QStringLiteral("WinNT://FILESRV1/lanmanserver/") + name);
    if (!share || !share->info().shi502_security_descriptor) return std::nullopt;
    return share->info().shi502_security_descriptor->dacl;
  }
};

struct ShareCase {
  const char* name;
  QList<PermRow> rows;  // empty: no SharePerm.dat
  int16_t result;
  QList<std::pair<const char*, quint32>> entries;  // account (looked up) and mask, in order
  int warnings;
};

TEST_F(CreateShareTest, SharePermissionListsGiveTheSharesDescriptor) {
  const ShareCase cases[] = {
      {"staff change, everyone read",
       {{0, "%Domain%\\Sales Team", "Change"}, {0, "Everyone", "Read"}},
       1, {{"EXAMPLE\\Sales Team", kChange}, {"Everyone", kRead}}, 0},
      {"everyone in lower case with blanks", {{0, "everyone   ", "Full Control"}}, 1, {{"Everyone", kFull}}, 0},
      {"user name and domain in any case",
       {{0, "%DOMAIN%\\%username%", "full control"}, {0, "Administrators", "READ"}},
       1, {{"EXAMPLE\\jsmith", kFull}, {"BUILTIN\\Administrators", kRead}}, 0},
      {"an unknown account is left out",
       {{0, "nosuchuser", "Read"}, {0, "%Domain%\\%UserName%", "Change"}},
       1, {{"EXAMPLE\\jsmith", kChange}}, 1},
      {"an unknown access word is left out",
       {{0, "Everyone", "No Access"}, {0, "%UserName%", "Read"}, {0, "Administrators", ""}},
       1, {{"EXAMPLE\\jsmith", kRead}}, 2},
      {"no list: everyone", {}, 2, {{"Everyone", kFull}}, 1},
      {"nothing left: no share", {{0, "nosuchuser", "Read"}, {0, "Everyone", "Write"}}, 3, {}, 2},
  };
  int n = 0;
  for (const ShareCase& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(dir() + QStringLiteral("SharePerm.dat"));
    if (!c.rows.isEmpty()) writeSharePerm(c.rows);
    screen.clear();
    run->warned = false;
    const QString name = QStringLiteral("case%1$").arg(++n);
    EXPECT_EQ(create(name), c.result);
    EXPECT_EQ(screen.size(), c.warnings) << screen.join(u'\n').toStdString();
    EXPECT_EQ(run->warned, c.warnings > 0);
    for (const QString& s : std::as_const(screen)) EXPECT_TRUE(s.startsWith(QLatin1String("YELLOW "))) << s.toStdString();
    auto info = shareInfo(QStringLiteral("FILESRV1"), name);
    if (c.result == 3) {
      EXPECT_FALSE(info);
      continue;
    }
    ASSERT_TRUE(info);
    EXPECT_EQ(info->shi502_path, "D:\\Users\\jsmith");
    EXPECT_EQ(info->shi502_remark, "Users Home Share");
    EXPECT_EQ(info->shi502_type, 0u);
    EXPECT_EQ(info->shi502_permissions, 1u);
    EXPECT_EQ(info->shi502_max_uses, -1);
    ASSERT_TRUE(info->shi502_security_descriptor);
    EXPECT_FALSE(info->shi502_security_descriptor->owner);
    EXPECT_FALSE(info->shi502_security_descriptor->group);
    Acl want;
    for (const auto& [account, mask] : c.entries) want.add(Ace::allow(sidOf(QString::fromLatin1(account)), mask));
    EXPECT_EQ(shareDacl(name), want);
  }
  // The unknown account is named in its warning.
  EXPECT_TRUE(logText().contains(QLatin1String("nosuchuser")));
}

// The share's descriptor read byte by byte: self-relative, DACL only, one allowed entry per account.
TEST_F(CreateShareTest, DescriptorBytesHaveTheWindowsLayout) {
  writeSharePerm({{0, "%Domain%\\Sales Team", "Change"}, {0, "Everyone", "Read"}});
  ASSERT_EQ(create(), 1);
  auto info = shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("jsmith$"));
  ASSERT_TRUE(info && info->shi502_security_descriptor);
  const QByteArray sd = info->shi502_security_descriptor->toSelfRelative();
  auto u16 = [&](int at) { return quint16(quint8(sd[at]) | quint8(sd[at + 1]) << 8); };
  auto u32 = [&](int at) { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; };
  EXPECT_EQ(quint8(sd[0]), 1);
  EXPECT_EQ(u16(2), 0x8004);              // self-relative, DACL present
  EXPECT_EQ(u32(4), 0u);                  // no owner
  EXPECT_EQ(u32(8), 0u);                  // no group
  EXPECT_EQ(u32(12), 0u);                 // no SACL
  const int acl = static_cast<int>(u32(16));
  ASSERT_GT(acl, 0);
  const QByteArray staff = sidOf(QStringLiteral("EXAMPLE\\Sales Team")).binary();
  const QByteArray world = QByteArray::fromHex("010100000000000100000000");
  EXPECT_EQ(quint8(sd[acl]), 2);          // revision
  EXPECT_EQ(u16(acl + 2), 8 + 8 + staff.size() + 8 + world.size());
  EXPECT_EQ(u16(acl + 4), 2);             // entries
  int at = acl + 8;
  for (const auto& [sid, mask] : {std::pair{staff, kChange}, std::pair{world, kRead}}) {
    EXPECT_EQ(quint8(sd[at]), 0);         // allowed
    EXPECT_EQ(quint8(sd[at + 1]), 0);     // no flags
    EXPECT_EQ(u16(at + 2), 8 + sid.size());
    EXPECT_EQ(u32(at + 4), mask);
    EXPECT_EQ(sd.mid(at + 8, sid.size()), sid);
    at += 8 + static_cast<int>(sid.size());
  }
}

TEST_F(CreateShareTest, ShortListFileCountsAsEmpty) {
  ASSERT_TRUE(writeAll(dir() + QStringLiteral("SharePerm.dat"), QByteArray(63, ' ')));
  EXPECT_EQ(create(), 2);
  Acl everyone;
  everyone.add(Ace::allow(security::wellknown::everyone(), kFull));
  EXPECT_EQ(shareDacl(QStringLiteral("jsmith$")), everyone);
}

// A list too long for one descriptor falls back to Everyone, Full Control, with a warning.
TEST_F(CreateShareTest, ListThatMakesNoDescriptorFallsBackToEveryone) {
  QList<PermRow> rows;
  for (int i = 0; i < 3300; ++i) rows.append({0, "Everyone", "Read"});
  writeSharePerm(rows);
  EXPECT_EQ(create(), 2);
  Acl everyone;
  everyone.add(Ace::allow(security::wellknown::everyone(), kFull));
  EXPECT_EQ(shareDacl(QStringLiteral("jsmith$")), everyone);
  EXPECT_EQ(screen.size(), 1);
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(CreateShareTest, RefusedShareIsLoggedAndTheExistingOneKept) {
  writeSharePerm({{0, "%UserName%", "Full Control"}});
  const auto before = shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("Users$"));
  EXPECT_EQ(Create_Share_502(QStringLiteral("FILESRV1"), QStringLiteral("users$"), QStringLiteral("D:\\Users\\jsmith"),
                             QStringLiteral("Users Home Share"), QStringLiteral("jsmith"), *run),
            3);
  EXPECT_TRUE(logHas(QStringLiteral("NetShareAdd failed with error code : 2118")));
  const auto after = shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("Users$"));
  ASSERT_TRUE(after && before);
  EXPECT_EQ(after->shi502_path, before->shi502_path);
  EXPECT_EQ(after->shi502_security_descriptor, before->shi502_security_descriptor);

  ASSERT_TRUE(net->refuseShareAdd(QStringLiteral("FILESRV1")));
  EXPECT_EQ(create(), 3);
  EXPECT_TRUE(logHas(QStringLiteral("NetShareAdd failed with error code : 5")));
  ASSERT_TRUE(net->refuseShareAdd(QStringLiteral("FILESRV1"), false));
  ASSERT_TRUE(net->setReachable(QStringLiteral("FILESRV1"), false));
  EXPECT_EQ(create(), 3);
  EXPECT_TRUE(logHas(QStringLiteral("NetShareAdd failed with error code : 53")));
  EXPECT_FALSE(shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("jsmith$")));
}

}  // namespace
}  // namespace tavrel::test
