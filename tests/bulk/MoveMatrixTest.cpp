// The move of one user over every combination of data option, share result, old folders present
// or missing, old paths at a share's root or below it, and old home and profile on one share:
// the whole tree of both file servers and their share table are compared before and after.

#include "MoveFixture.h"

namespace tavrel::test {
namespace {

enum Data { Move = 1, Copy = 2, Nothing = 0 };

struct Case {
  int data;
  int share;  // what Create_Share_502 gives: 1, 2 or 3
  bool present;
  bool root;
  bool same;
};

std::string caseName(const ::testing::TestParamInfo<std::tuple<int, int, bool, bool, bool>>& info) {
  const auto& [data, share, present, root, same] = info.param;
  std::string s = data == Move ? "Move" : data == Copy ? "Copy" : "Nothing";
  s += "_Share" + std::to_string(share);
  s += present ? "_Present" : "_Missing";
  s += root ? "_Root" : "_Sub";
  s += same ? "_SameShare" : "_OwnShares";
  return s;
}

// One part's old place: its UNC path, its folder below D:, and the share to make for it.
struct OldPlace {
  QString unc, disk, shareName, shareLocal;
};

class MoveMatrix : public MoveFixture,
                   public ::testing::WithParamInterface<std::tuple<int, int, bool, bool, bool>> {
 protected:
  Case c() const {
    const auto& [data, share, present, root, same] = GetParam();
    return Case{data, share, present, root, same};
  }
  // The old home and profile of each layout.
  static std::pair<OldPlace, OldPlace> layout(bool root, bool same) {
    if (root && !same)
      return {{"\\\\FILESRV1\\jsmith$", "Homes/jsmith", "jsmith$", "D:\\Homes\\jsmith"},
              {"\\\\FILESRV1\\jsmithprof$", "Profs/jsmith", "jsmithprof$", "D:\\Profs\\jsmith"}};
    if (root && same)  // the profile is the share's root, the home a folder below it
      return {{"\\\\FILESRV1\\jsmith$\\jsmith", "Homes/jsmith/jsmith", "", ""},
              {"\\\\FILESRV1\\jsmith$", "Homes/jsmith", "jsmith$", "D:\\Homes\\jsmith"}};
    if (!same)
      return {{"\\\\FILESRV1\\Users$\\jsmith", "Users/jsmith", "", ""},
              {"\\\\FILESRV1\\Profiles\\jsmith", "Profiles/jsmith", "", ""}};
    return {{"\\\\FILESRV1\\Users$\\jsmith", "Users/jsmith", "", ""},
            {"\\\\FILESRV1\\Users$\\Profiles\\jsmith", "Users/Profiles/jsmith", "", ""}};
  }
};

TEST_P(MoveMatrix, MovesCopiesOrKeepsExactlyTheUsersData) {
  const Case k = c();
  const auto [home, profile] = layout(k.root, k.same);
  if (k.present) {
    for (const OldPlace* p : {&profile, &home}) {
      put('D', p->disk + QStringLiteral("/a-") + p->disk.section(u'/', 0, 0) + QStringLiteral(".txt"),
          "own " + p->disk.toLatin1());
      put('D', p->disk + QStringLiteral("/deep/b.dat"), QByteArray(3000, 'b') + p->disk.toLatin1());
      if (!p->shareName.isEmpty()) addShare("FILESRV1", p->shareName, p->shareLocal);
    }
  }
  setAttr(jsmithPath(), "HomeDirectory", home.unc);
  setAttr(jsmithPath(), "Profile", profile.unc);
  sharePermFor(k.share);
  host.form.dataOption = k.data;
  if (!k.present && k.data != Nothing) {
    prompts.answer(ui::MsgBoxResult::Yes);  // go on without the old home
    prompts.answer(ui::MsgBoxResult::Yes);  // and without the old profile
  }
  const auto before = serversTree();
  const QStringList sharesBefore = shareTable();

  QString user = jsmithPath();
  bulk::MoveResult result;
  ASSERT_TRUE(bulk::Move_One_User(user, host, &result)) << logLines().join(u'\n').toStdString();
  EXPECT_EQ(user, "jsmith");

  // What should have happened to each part.
  const QString newHome = QStringLiteral("FILESRV2/E/Home/jsmith"),
                newProfile = QStringLiteral("FILESRV2/E/Prof/jsmith");
  auto expected = before;
  expected.insert(newHome, "<dir>");
  expected.insert(newProfile, "<dir>");
  QStringList sharesExpected = sharesBefore;
  if (k.share != 3)
    sharesExpected << "FILESRV2\\jsmith$=E:\\Home\\jsmith"
                   << "FILESRV2\\jsmithP$=E:\\Prof\\jsmith";
  bool green = k.share == 1;
  for (bool isProfile : {true, false}) {
    const OldPlace& p = isProfile ? profile : home;
    const QString target = isProfile ? newProfile : newHome;
    // The root profile of the shared layout holds the home folder: it is not moved as a whole.
    const bool holdsOther = isProfile && k.root && k.same;
    const bool transferred = k.data != Nothing && k.present && k.share != 3 && !holdsOther;
    if (k.data != Nothing && !transferred) green = false;
    if (!transferred) continue;
    const QString from = QStringLiteral("FILESRV1/D/") + p.disk;
    for (auto it = before.begin(); it != before.end(); ++it) {
      if (!it.key().startsWith(from + u'/')) continue;
      expected.insert(target + it.key().mid(from.size()), it.value());
      if (k.data == Move) expected.remove(it.key());
    }
    const bool shareDeleted = k.data == Move && k.root && !k.same && k.share == 1;
    if (shareDeleted) sharesExpected.removeAll("FILESRV1\\" + p.shareName + "=" + p.shareLocal);
    const bool folderRemoved = k.data == Move && (!p.shareName.isEmpty() ? shareDeleted : true);
    if (folderRemoved) expected.remove(from);
    if (k.data == Move && !folderRemoved) green = false;  // the old folder stays: said in YELLOW
  }
  sharesExpected.sort(Qt::CaseInsensitive);

  const auto after = serversTree();
  for (auto it = expected.begin(); it != expected.end(); ++it)
    EXPECT_EQ(after.value(it.key(), "<missing>"), it.value()) << it.key().toStdString();
  for (auto it = after.begin(); it != after.end(); ++it)
    if (!(it.key().endsWith(QLatin1String("/.staging")) &&
          it.value() == "<dir>")) {  // the servers' own staging folder
      EXPECT_TRUE(expected.contains(it.key())) << "unexpected " << it.key().toStdString();
    }
  EXPECT_EQ(shareTable(), sharesExpected);

  EXPECT_EQ(attr(jsmithPath(), "HomeDirectory").toString(), "\\\\FILESRV2\\jsmith$");
  EXPECT_EQ(attr(jsmithPath(), "Profile").toString(), "\\\\FILESRV2\\jsmithP$");
  EXPECT_EQ(attr(jsmithPath(), "homeDrive").toString(), "H:");
  // The share procedure may add its own YELLOW lines; the last line is the verdict.
  ASSERT_FALSE(host.rows.isEmpty());
  EXPECT_EQ(host.rows.filter(QStringLiteral("GREEN")).size(), green ? 1 : 0)
      << host.rows.join(u'|').toStdString();
  EXPECT_EQ(host.rows.last(),
            green ? QStringLiteral("GREEN jsmith Moved") : QStringLiteral("YELLOW jsmith Moved - had errors"))
      << logLines().join(u'\n').toStdString();
  EXPECT_EQ(result.warned, !green);
}

INSTANTIATE_TEST_SUITE_P(Matrix, MoveMatrix,
                         ::testing::Combine(::testing::Values(int(Move), int(Copy), int(Nothing)),
                                            ::testing::Values(1, 2, 3), ::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()),
                         caseName);

}  // namespace
}  // namespace tavrel::test
