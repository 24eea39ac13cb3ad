#include "ShareNetwork.h"

#include "platform/adsi/Directory.h"
#include "platform/files/FileSystem.h"
#include "resources/SharePaths.h"

namespace tavrel::test {
namespace {

using namespace resources;

struct PathCase {
  const char* path;
  const char* want;
};

TEST(PathParts, ServerAndShareNames) {
  const PathCase servers[] = {{"\\\\srv\\users\\jsmith", "srv"}, {"srv\\users", ""},    {"\\\\srv", ""},
                              {"\\\\srv\\users", "srv"},         {"c:\\users", ""},     {"", ""},
                              {"\\x\\y", ""},                    {"\\\\%LOGONSERVER%\\NETLOGON\\p", "%LOGONSERVER%"}};
  for (const PathCase& c : servers) EXPECT_EQ(Get_Server_Name(QString::fromLatin1(c.path)), c.want) << c.path;
  const PathCase shares[] = {{"\\\\srv\\users\\jsmith", "users"}, {"\\\\srv\\users", "users"}, {"\\\\srv", ""},
                             {"c:\\users", ""},                   {"\\srv\\users", ""},        {"\\\\srv\\users\\", "users"},
                             {"\\\\srv\\a$\\b\\c", "a$"}};
  for (const PathCase& c : shares) EXPECT_EQ(Get_Share_Name(QString::fromLatin1(c.path)), c.want) << c.path;
  const std::pair<const char*, bool> subDirs[] = {{"\\\\srv\\users\\jsmith", true}, {"\\\\srv\\users", false},
                                                  {"\\\\srv", false},               {"\\\\srv\\users\\", true},
                                                  {"c:\\users\\x", false}};
  for (const auto& [path, want] : subDirs) EXPECT_EQ(Is_Sub_Dir(QString::fromLatin1(path)), want) << path;
}

TEST(PathParts, SameShare) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const Case cases[] = {{"\\\\srv\\users\\jsmith", "\\\\SRV\\Users\\jsmith\\profile", true},
                        {"\\\\srv\\users\\jsmith", "\\\\srv\\profiles\\jsmith", false},
                        {"\\\\srv\\users", "\\\\other\\users", false},
                        {"", "", true},
                        {"\\\\srv\\users", "", false}};
  for (const Case& c : cases)
    EXPECT_EQ(Same_Share(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.same) << c.a << " / " << c.b;
}

TEST(PathParts, ParentPathCutsAfterTheWholeComponent) {
  struct Case {
    const char* text;
    const char* name;
    const char* want;
  };
  const Case cases[] = {
      {"\\\\srv\\D$\\Users\\jsmith\\Profile", "jsmith", "\\\\srv\\D$\\Users\\jsmith"},
      {"\\\\srv\\D$\\Users\\JSmith\\Profile", "jsmith", "\\\\srv\\D$\\Users\\JSmith"},
      {"\\\\srv\\D$\\jsmithdata\\home\\jsmith", "jsmith", "\\\\srv\\D$\\jsmithdata\\home\\jsmith"},
      {"\\\\srv\\D$\\Profiles\\pro\\x", "pro", "\\\\srv\\D$\\Profiles\\pro"},
      {"\\\\srv\\planning\\ann", "ann", "\\\\srv\\planning\\ann"},
      {"\\\\srv\\data\\dat", "dat", "\\\\srv\\data\\dat"},
      {"\\\\srv\\jsmith\\jsmith\\x", "jsmith", "\\\\srv\\jsmith\\jsmith"},
      {"\\\\srv\\jsmith", "jsmith", "\\\\srv\\jsmith"},
      {"\\\\ann\\D$\\x", "ann", ""},
      {"\\\\srv\\D$\\jsmithdata", "jsmith", ""},
      {"D:\\Users\\jsmith\\x", "jsmith", "D:\\Users\\jsmith"},
      {"\\\\srv\\D$\\Users", "", ""},
      {"", "jsmith", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Parent_Path(QString::fromLatin1(c.text), QString::fromLatin1(c.name)), c.want) << c.text << " " << c.name;
}

class SharePathsTest : public ShareNetwork {
 protected:
  void SetUp() override {
    ShareNetwork::SetUp();
    ASSERT_TRUE(simnet::NetworkBuilder(net)
                    .folder(QStringLiteral("\\\\FILESRV1\\D$\\Users\\jsmith"))
                    .file(QStringLiteral("\\\\FILESRV1\\D$\\Users\\note.txt"))
                    .share(QStringLiteral("FILESRV1"), QStringLiteral("DRoot"), QStringLiteral("D:\\"))
                    .build());
  }
};

TEST_F(SharePathsTest, AdministrativePathsOfShares) {
  struct Case {
    const char* unc;
    bool sub;
    const char* admin;
  };
  const Case cases[] = {
      {"\\\\FILESRV1\\Users$\\jsmith", true, "\\\\FILESRV1\\D$\\Users\\jsmith"},
      {"\\\\FILESRV1\\Users$\\jsmith", false, "\\\\FILESRV1\\D$\\Users"},
      {"\\\\FILESRV1\\users$", false, "\\\\FILESRV1\\D$\\Users"},
      {"\\\\FILESRV1\\DRoot\\Users", true, "\\\\FILESRV1\\D$\\Users"},
      {"\\\\FILESRV1\\DRoot", false, "\\\\FILESRV1\\D$"},
      // Asked for the part below the share when there is none: empty, not a path.
      {"\\\\FILESRV1\\Users$", true, ""},
      {"\\\\FILESRV1\\DRoot", true, ""},
      {"\\\\FILESRV1\\NoShare\\x", true, ""},
      {"\\\\NOSUCH\\Users$\\x", true, ""},
      {"FILESRV1\\Users$", false, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Get_Share_Path(QString::fromLatin1(c.unc), c.sub).toStdString(), c.admin)
        << c.unc << " " << c.sub;
  EXPECT_EQ(Get_Share_Local_Path(QStringLiteral("\\\\FILESRV1\\Users$\\jsmith")), "D:\\Users");
  EXPECT_EQ(Get_Share_Local_Path(QStringLiteral("\\\\FILESRV1\\NoShare")), "");
  ASSERT_TRUE(net->setReachable(QStringLiteral("FILESRV1"), false));
  EXPECT_EQ(Get_Share_Path(QStringLiteral("\\\\FILESRV1\\Users$\\jsmith"), true), "");
}

TEST_F(SharePathsTest, DirectoriesAndShares) {
  EXPECT_TRUE(Dir_Exists(QStringLiteral("\\\\FILESRV1\\D$\\Users\\jsmith")));
  EXPECT_TRUE(Dir_Exists(QStringLiteral("\\\\FILESRV1\\Users$\\JSMITH")));
  EXPECT_FALSE(Dir_Exists(QStringLiteral("\\\\FILESRV1\\D$\\Users\\note.txt")));
  EXPECT_FALSE(Dir_Exists(QStringLiteral("\\\\FILESRV1\\D$\\Users\\nobody")));
  EXPECT_FALSE(Dir_Exists(QString()));

  EXPECT_FALSE(Delete_Share(QStringLiteral("\\\\FILESRV1\\NoShare")));
  EXPECT_TRUE(Delete_Share(QStringLiteral("\\\\FILESRV1\\droot\\Users")));
  EXPECT_FALSE(shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("DRoot")));
  EXPECT_TRUE(Dir_Exists(QStringLiteral("\\\\FILESRV1\\D$\\Users")));
}

TEST_F(SharePathsTest, CheckContainsGuards) {
  struct Case {
    const char* text;
    const char* find;
    bool pass;
  };
  const Case cases[] = {{"\\\\srv\\netlogon\\jsmith", "NETLOGON", false},
                        {"\\\\%logonserver%\\x", "%LOGONSERVER%", false},
                        {"\\\\srv\\profiles\\jsmith", "NETLOGON", true},
                        {"\\\\srv\\profiles\\jsmith", "", true}};
  int failed = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(Check_Contains(QString::fromLatin1(c.text), QString::fromLatin1(c.find), QStringLiteral("guard %1").arg(c.text),
                             *run),
              c.pass)
        << c.text;
    if (!c.pass) {
      EXPECT_TRUE(logHas(QStringLiteral("guard %1").arg(c.text)));
    }
    failed += !c.pass;
  }
  EXPECT_EQ(beeps.beeps(), failed);
}

// ---------------------------------------------------------------------------------------------
// Renaming

class RenameTest : public ShareNetwork {
 protected:
  void SetUp() override {
    ShareNetwork::SetUp();
    ASSERT_TRUE(simnet::NetworkBuilder(net)
                    .user(QStringLiteral("example.local"), QStringLiteral("jdoe"))
                    .folder(QStringLiteral("\\\\FILESRV1\\D$\\Users\\jsmith\\Profile"))
                    .file(QStringLiteral("\\\\FILESRV1\\D$\\Users\\jsmith\\Profile\\ntuser.dat"), 100)
                    .share(QStringLiteral("FILESRV1"), QStringLiteral("jsmith"), QStringLiteral("D:\\Users\\jsmith"),
                           QStringLiteral("old remark"))
                    .folder(QStringLiteral("\\\\FILESRV1\\D$\\planning\\ann"))
                    .share(QStringLiteral("FILESRV1"), QStringLiteral("planning"), QStringLiteral("D:\\planning"))
                    .folder(QStringLiteral("\\\\FILESRV1\\D$\\data\\dat"))
                    .share(QStringLiteral("FILESRV1"), QStringLiteral("data"), QStringLiteral("D:\\data"))
                    .build());
    writeSharePerm({{0, "%Domain%\\%UserName%", "Full Control"}});
    directory = std::make_unique<adsi::Directory>(net);
  }
  adsi::AdsObject bindUser() {
    auto u = directory->GetObject(QStringLiteral("LDAP://example.local/CN=jsmith,CN=Users,DC=example,DC=local"));
    EXPECT_TRUE(u);
    return u ? *u : adsi::AdsObject();
  }
  QString stored(const char* property) {
    auto v = bindUser().Get(QString::fromLatin1(property));
    return v ? v->toString() : QString();
  }
  bool rename(const QString& path, const QString& newName, const QString& oldName, bool home) {
    adsi::AdsObject user = bindUser();
    const bool ok = Rename_ShrDir(path, newName, oldName, home, user, *run);
    EXPECT_TRUE(user.isNull());
    return ok;
  }
  bool exists(const char* adminPath) { return Dir_Exists(QString::fromLatin1(adminPath)); }
  std::unique_ptr<adsi::Directory> directory;
};

TEST_F(RenameTest, ShareNamedAfterTheUserMovesWithItsDirectory) {
  EXPECT_TRUE(rename(QStringLiteral("\\\\FILESRV1\\jsmith"), QStringLiteral("jdoe"), QStringLiteral("jsmith"), true));
  EXPECT_EQ(stored("HomeDirectory"), "\\\\FILESRV1\\jdoe");
  EXPECT_FALSE(exists("\\\\FILESRV1\\D$\\Users\\jsmith"));
  EXPECT_TRUE(QFile::exists(drivePath(QStringLiteral("FILESRV1"), u'D', QStringLiteral("Users/jdoe/Profile/ntuser.dat"))));
  EXPECT_FALSE(shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("jsmith")));
  const auto share = shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("jdoe"));
  ASSERT_TRUE(share);
  EXPECT_EQ(share->shi502_path, "D:\\Users\\jdoe");
  EXPECT_EQ(share->shi502_remark, "Users Home Share");
  ASSERT_TRUE(share->shi502_security_descriptor && share->shi502_security_descriptor->dacl);
  security::Acl want;
  want.add(security::Ace::allow(sidOf(QStringLiteral("EXAMPLE\\jdoe")), 0x10000000));
  EXPECT_EQ(*share->shi502_security_descriptor->dacl, want);
  EXPECT_TRUE(logHas(QStringLiteral("Created new share: jdoe")));
}

TEST_F(RenameTest, OnlyTheUsersOwnComponentChanges) {
  struct Case {
    const char* path;
    const char* oldName;
    const char* newName;
    bool home;
    const char* newPath;
    const char* oldDir;  // administrative paths
    const char* newDir;
  };
  const Case cases[] = {
      {"\\\\FILESRV1\\Users$\\jsmith", "jsmith", "jdoe", false, "\\\\FILESRV1\\Users$\\jdoe",
       "\\\\FILESRV1\\D$\\Users\\jsmith", "\\\\FILESRV1\\D$\\Users\\jdoe"},
      {"\\\\FILESRV1\\Users$\\jdoe\\Profile", "JDOE", "jsmith", false, "\\\\FILESRV1\\Users$\\jsmith\\Profile",
       "\\\\FILESRV1\\D$\\Users\\jdoe", "\\\\FILESRV1\\D$\\Users\\jsmith"},
      {"\\\\FILESRV1\\planning\\ann", "ann", "bob", true, "\\\\FILESRV1\\planning\\bob",
       "\\\\FILESRV1\\D$\\planning\\ann", "\\\\FILESRV1\\D$\\planning\\bob"},
      {"\\\\FILESRV1\\data\\dat", "dat", "new", true, "\\\\FILESRV1\\data\\new", "\\\\FILESRV1\\D$\\data\\dat",
       "\\\\FILESRV1\\D$\\data\\new"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_TRUE(rename(QString::fromLatin1(c.path), QString::fromLatin1(c.newName), QString::fromLatin1(c.oldName), c.home));
    EXPECT_EQ(stored(c.home ? "HomeDirectory" : "Profile"), c.newPath);
    EXPECT_FALSE(exists(c.oldDir));
    EXPECT_TRUE(exists(c.newDir));
  }
  // The shares they are on stay as they were.
  for (const char* s : {"Users$", "planning", "data"}) EXPECT_TRUE(shareInfo(QStringLiteral("FILESRV1"), QString::fromLatin1(s)));
  EXPECT_EQ(shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("planning"))->shi502_path, "D:\\planning");
  EXPECT_EQ(shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("data"))->shi502_path, "D:\\data");
}

TEST_F(RenameTest, HiddenUserShareKeepsItsDollar) {
  ASSERT_TRUE(simnet::NetworkBuilder(net)
                  .folder(QStringLiteral("\\\\FILESRV1\\D$\\Home\\mjones"))
                  .share(QStringLiteral("FILESRV1"), QStringLiteral("mjones$"), QStringLiteral("D:\\Home\\mjones"))
                  .build());
  EXPECT_TRUE(rename(QStringLiteral("\\\\FILESRV1\\MJONES$"), QStringLiteral("jdoe"), QStringLiteral("mjones"), true));
  EXPECT_EQ(stored("HomeDirectory"), "\\\\FILESRV1\\jdoe$");
  EXPECT_EQ(shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("jdoe$"))->shi502_path, "D:\\Home\\jdoe");
  EXPECT_FALSE(shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("mjones$")));
}

TEST_F(RenameTest, RefusalsChangeNothing) {
  struct Case {
    const char* path;
    const char* newName;
    bool home;
    const char* line;
  };
  const Case cases[] = {
      {"\\\\FILESRV1\\NETLOGON\\jsmith", "jdoe", false, "Unable Rename NETLOGON Share"},
      {"\\\\%LOGONSERVER%\\profiles\\jsmith", "jdoe", false, "Unable to Rename share from %LOGONSERVER%"},
      {"FILESRV1\\Users$\\jsmith", "jdoe", true, "Could not get share for FILESRV1\\Users$\\jsmith"},
      {"\\\\FILESRV1", "jdoe", true, "Could not get share for \\\\FILESRV1"},
      {"\\\\FILESRV1\\Users$\\jsmithdata", "jdoe", true, "Could not find jsmith in \\\\FILESRV1\\Users$\\jsmithdata"},
      {"\\\\FILESRV1\\Users$\\jsmith", "j\\doe", true, "Invalid new name: j\\doe"},
      {"\\\\FILESRV1\\Users$\\jsmith", "", true, "Invalid new name: "},
      {"\\\\FILESRV1\\NoShare\\jsmith", "jdoe", true,
       "Error Renaming Directory: \\\\FILESRV1\\NoShare\\jsmith to \\\\FILESRV1\\NoShare\\jdoe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_FALSE(rename(QString::fromLatin1(c.path), QString::fromLatin1(c.newName), QStringLiteral("jsmith"), c.home));
    EXPECT_TRUE(logHas(QString::fromLatin1(c.line))) << logText().toStdString();
  }
  EXPECT_TRUE(exists("\\\\FILESRV1\\D$\\Users\\jsmith"));
  EXPECT_TRUE(shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("jsmith")));
  EXPECT_EQ(stored("HomeDirectory"), "");
  EXPECT_EQ(stored("Profile"), "");
}

// What a failed rename must leave exactly as it found it.
struct Snapshot {
  bool oldDir = false, newDir = false;
  std::optional<netapi::SHARE_INFO_502> oldShare, newShare;
  QString home;
  bool operator==(const Snapshot& o) const {
    auto same = [](const std::optional<netapi::SHARE_INFO_502>& a, const std::optional<netapi::SHARE_INFO_502>& b) {
      if (a.has_value() != b.has_value()) return false;
      return !a || (a->shi502_path == b->shi502_path && a->shi502_remark == b->shi502_remark &&
                    a->shi502_security_descriptor == b->shi502_security_descriptor);
    };
    return oldDir == o.oldDir && newDir == o.newDir && same(oldShare, o.oldShare) && same(newShare, o.newShare) &&
           home == o.home;
  }
};

TEST_F(RenameTest, EveryFailurePointIsRolledBack) {
  // The old share has a descriptor of its own, which must come back unchanged.
  {
    adsi::AdsObject u = bindUser();
    ASSERT_TRUE(u.Put(QStringLiteral("HomeDirectory"), QStringLiteral("\\\\FILESRV1\\jsmith")));
    ASSERT_TRUE(u.SetInfo());
    netapi::SHARE_INFO_502 info = *shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("jsmith"));
    ASSERT_EQ(netapi::NetShareDel(QStringLiteral("FILESRV1"), QStringLiteral("jsmith")), 0u);
    security::SecurityDescriptor sd;
    sd.dacl = security::Acl();
    sd.dacl->add(security::Ace::allow(sidOf(QStringLiteral("EXAMPLE\\jsmith")), 0xA0000000));
    info.shi502_security_descriptor = sd;
    ASSERT_EQ(netapi::NetShareAdd(QStringLiteral("FILESRV1"), 502, info), 0u);
  }
  auto snapshot = [&] {
    Snapshot s;
    s.oldDir = exists("\\\\FILESRV1\\D$\\Users\\jsmith");
    s.newDir = exists("\\\\FILESRV1\\D$\\Users\\jdoe");
    s.oldShare = shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("jsmith"));
    s.newShare = shareInfo(QStringLiteral("FILESRV1"), QStringLiteral("jdoe"));
    s.home = stored("HomeDirectory");
    return s;
  };
  struct Case {
    const char* name;
    std::function<void()> inject, clear;
    QStringList lines;
  };
  const QString blocker = QStringLiteral("\\\\FILESRV1\\D$\\Users\\JDOE");
  const QList<Case> cases = {
      {"the directory cannot be renamed",
       [&] { ASSERT_TRUE(files::createDirectory(blocker)); },
       [&] { ASSERT_TRUE(files::deleteTree(*files::resolve(blocker)).status); },
       {"Error Renaming Directory: \\\\FILESRV1\\D$\\Users\\jsmith to \\\\FILESRV1\\D$\\Users\\jdoe"}},
      {"the new share is refused",
       [&] { ASSERT_TRUE(net->refuseShareAdd(QStringLiteral("FILESRV1"))); },
       [&] { ASSERT_TRUE(net->refuseShareAdd(QStringLiteral("FILESRV1"), false)); },
       {"Failed to create New share: jdoe  D:\\Users\\jdoe",
        "Error Deleting/Creating Shares: \\\\FILESRV1\\jsmith / jdoe"}},
      {"the old share cannot be removed",
       [&] { ASSERT_TRUE(net->refuseShareDel(QStringLiteral("FILESRV1"), QStringLiteral("JSMITH"))); },
       [&] { ASSERT_TRUE(net->refuseShareDel(QStringLiteral("FILESRV1"), QStringLiteral("jsmith"), false)); },
       {"Created new share: jdoe", "Could not remove Share: \\\\FILESRV1\\jsmith"}},
      {"the account refuses the new path",
       [&] { net->refuseNextCommit(); },
       [] {},
       {"Created new share: jdoe", "Error making changes to SAM: \\\\FILESRV1\\jdoe"}},
  };
  const Snapshot before = snapshot();
  ASSERT_TRUE(before.oldDir && before.oldShare && !before.newDir && !before.newShare);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.inject();
    const QStringList earlier = logLines();
    EXPECT_FALSE(rename(QStringLiteral("\\\\FILESRV1\\jsmith"), QStringLiteral("jdoe"), QStringLiteral("jsmith"), true));
    const QStringList lines = logLines().mid(earlier.size() - 1);
    for (const QString& l : c.lines) EXPECT_TRUE(lines.contains(l)) << l.toStdString() << "\n" << lines.join(u'\n').toStdString();
    c.clear();
    EXPECT_TRUE(snapshot() == before);
  }
  // With the faults gone the same rename succeeds.
  EXPECT_TRUE(rename(QStringLiteral("\\\\FILESRV1\\jsmith"), QStringLiteral("jdoe"), QStringLiteral("jsmith"), true));
  EXPECT_EQ(stored("HomeDirectory"), "\\\\FILESRV1\\jdoe");
}

}  // namespace
}  // namespace tavrel::test
