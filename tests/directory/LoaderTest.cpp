// The loaders' conversation with their view: status texts, the order of the lists they empty and
// fill, the debug detail, the counters, and what a failure raises.

#include "directory/DirectoryService.h"
#include "directory/DomainLoad.h"
#include "platform/simnet/NetworkBuilder.h"
#include "state/SharedState.h"
#include "support/FailingSearches.h"
#include "support/TestDc.h"

#include <gtest/gtest.h>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace tavrel;
using directory::DomainList;
using directory::NodeAdd;

namespace {

// Keeps the tree's keys so that parents are found, and records every call.
class RecordingView : public directory::DomainView {
 public:
  QStringList statuses, clears, events;
  QSet<QString> keys;
  int refreshes = 0;

  void setStatus(const QString& text) override { statuses << text; }
  void refresh() override { ++refreshes; }
  void message(const QString& text) override { events << "message " + text; }
  void setUpnSuffix(const QString& text) override { events << "upn " + text; }
  void clearTree() override {
    keys.clear();
    events << "clear tree";
  }
  NodeAdd addNode(const QString& parentKey, const QString& key, const QString&, const QString&,
                  bool) override {
    // Keys are matched without regard to letter case, as the view's contract says.
    if (!parentKey.isEmpty() && !keys.contains(parentKey.toCaseFolded())) return NodeAdd::ParentNotFound;
    if (!key.isEmpty() && keys.contains(key.toCaseFolded())) return NodeAdd::Failed;
    if (!key.isEmpty()) keys.insert(key.toCaseFolded());
    return NodeAdd::Added;
  }
  void showNode(const QString& key) override { events << "show " + key; }
  void clearList(DomainList list) override { clears << name(list); }
  void addItem(DomainList list, const QString&, const QString& text, const QString& icon,
               const QString&) override {
    events << name(list) + " " + text + " " + icon;
  }
  void unselectFirst(DomainList list) override { events << "unselect " + name(list); }

  static QString name(DomainList l) {
    switch (l) {
      case DomainList::UserTabGroups:
        return "UserTabGroups";
      case DomainList::TemplateGroups:
        return "TemplateGroups";
      case DomainList::GroupPath:
        return "GroupPath";
      case DomainList::BulkSelection:
        return "BulkSelection";
      case DomainList::BulkUsers:
        return "BulkUsers";
      case DomainList::BulkGroups:
        return "BulkGroups";
      case DomainList::BulkOUs:
        return "BulkOUs";
      case DomainList::GroupWindowGroups:
        return "GroupWindowGroups";
      case DomainList::NotMembers:
        return "NotMembers";
    }
    return {};
  }
};

class Loader : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    state::resetShared();
    options.dbpath = tmp.path() + "/";
    if (test::onTestDc()) {
      REQUIRE_TEST_DC();
      dc = test::testDcBackend();
      adsi::Status reset = test::resetTestDc(*dc);
      ASSERT_TRUE(reset.ok()) << reset.error().message.toStdString();
      directory::setDirectory(std::make_shared<adsi::Directory>(dc));
      return;
    }
    simnet::NetworkBuilder b(tmp.path() + "/net");
    b.forest("example.local", "EXAMPLE")
        .nt4Domain("OLDCORP")
        .group("OLDCORP", "Accounts", simnet::GroupSpec().ofType(2));
    auto built = b.build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    net = *built;
    directory::setDirectory(std::make_shared<adsi::Directory>(net));
    state::resetShared();
    options.dbpath = tmp.path() + "/";
  }
  void TearDown() override {
    directory::setDirectory(nullptr);
    state::resetShared();
  }
  directory::LoadOutcome loadAd(const QString& commandLine = QString()) {
    state::shared().Domain_Name = "example.local";
    state::shared().NetBIOS_Domain = "EXAMPLE";
    options.commandLine = commandLine;
    return directory::Get_W2K_Domain_Data(view, options);
  }
  directory::LoadOutcome loadNt() {
    state::shared().Domain_Name = "OLDCORP";
    return directory::Get_NT_Domain_Data(view);
  }

  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  std::shared_ptr<ldap::LdapBackend> dc;  // when the tests run against the test DC
  RecordingView view;
  directory::LoadOptions options;
};

TEST_F(Loader, ActiveDirectoryStatusTextsAndListOrder) {
  auto out = loadAd();
  EXPECT_TRUE(out.loaded);
  EXPECT_FALSE(out.raised);
  EXPECT_EQ(view.statuses, (QStringList{"Getting Users...", "Getting Groups..."}));
  EXPECT_EQ(view.clears,
            (QStringList{"BulkUsers", "BulkGroups", "TemplateGroups", "UserTabGroups", "GroupPath"}));
  EXPECT_EQ(view.events.first(), "upn @example.local");
  EXPECT_EQ(view.events.mid(view.events.size() - 3),
            (QStringList{"show DC=example,DC=local", "unselect BulkUsers", "unselect BulkGroups"}));
  EXPECT_EQ(view.refreshes, 0);
  EXPECT_EQ(state::shared().Step_Text, "Error Getting Groups 0");
  // Each group goes to the user tab, the group window, the bulk window when global, the template.
  const int first = int(view.events.indexOf(QRegularExpression("UserTabGroups .*")));
  ASSERT_GE(first, 0);
  EXPECT_TRUE(view.events[first + 1].startsWith("GroupWindowGroups "));
}

TEST_F(Loader, DebugShowsEachUsersNumberAndRepaints) {
  auto out = loadAd("/DEBUG");
  ASSERT_TRUE(out.loaded);
  const int users = state::shared().User_Count;
  ASSERT_GT(users, 1);
  EXPECT_EQ(view.refreshes, users);
  EXPECT_EQ(view.statuses[1], "User Number 1");
  EXPECT_EQ(view.statuses[users], QStringLiteral("User Number %1").arg(users));
  EXPECT_EQ(view.statuses.last(), "Getting Groups...");
}

TEST_F(Loader, CountersGoPast32767) {
  state::shared().User_Count = 32767;
  state::shared().Group_Count = 32767;
  ASSERT_TRUE(loadAd().loaded);
  EXPECT_GT(state::shared().User_Count, 32767);
  EXPECT_GT(state::shared().Group_Count, 32767);
}

TEST_F(Loader, NtStatusTextsListsAndStepTexts) {
  SIMNET_ONLY("NT 4.0 domains");
  auto out = loadNt();
  EXPECT_TRUE(out.loaded);
  EXPECT_EQ(view.statuses, (QStringList{"Retrieving Users...", "Retrieving Groups..."}));
  EXPECT_EQ(view.clears,
            (QStringList{"TemplateGroups", "UserTabGroups", "GroupPath", "BulkSelection", "BulkGroups"}));
  EXPECT_EQ(state::shared().Step_Text, "Error Getting Groups 0");
  const int accounts = int(view.events.indexOf("GroupWindowGroups Accounts Global"));
  ASSERT_GE(accounts, 0);
  EXPECT_EQ(view.events.mid(accounts, 4),
            (QStringList{"GroupWindowGroups Accounts Global", "UserTabGroups Accounts Global",
                         "TemplateGroups Accounts Global", "BulkGroups Accounts Global"}));
  EXPECT_EQ(view.events.mid(view.events.size() - 2),
            (QStringList{"unselect BulkUsers", "unselect BulkGroups"}));
  EXPECT_TRUE(view.keys.contains("root"));
}

TEST_F(Loader, UnreachableNtDomainRaisesBeforeAddingAnything) {
  SIMNET_ONLY("NT 4.0 domains");
  ASSERT_TRUE(net->setReachable("OLDCORP", false).ok());
  auto out = loadNt();
  EXPECT_FALSE(out.loaded);
  ASSERT_TRUE(out.raised);
  EXPECT_TRUE(view.keys.isEmpty());
  EXPECT_TRUE(view.statuses.isEmpty());
}

TEST_F(Loader, WithoutDebugOneFailingSearchesAreSkipped) {
  state::shared().Domain_Name = "gone.local";
  if (dc) dc->setHost("gone.local", "127.0.0.1:9");  // nothing answers there
  auto out = directory::Get_W2K_Domain_Data(view, options);
  EXPECT_FALSE(out.loaded);
  EXPECT_FALSE(out.raised);
  ASSERT_TRUE(view.events.filter(QRegularExpression("^message ")).size() == 1)
      << "only the OU search is reported";
  EXPECT_EQ(view.statuses, (QStringList{"Getting Users...", "Getting Groups..."}));

  options.commandLine = "/DEBUG1";
  out = directory::Get_W2K_Domain_Data(view, options);
  EXPECT_TRUE(out.raised) << "with /DEBUG1 the user search's failure reaches the caller";
}

// Whether the group lists can be trusted to hold every group of the domain: only when the group
// search answered with groups, whatever became of the other searches.
TEST_F(Loader, TheOutcomeSaysWhetherEveryGroupWasRead) {
  struct Case {
    const char* what;
    QString failingFilter;  // empty: no search fails
    std::optional<adsi::Error> error;
    bool complete;
    QString problem;  // a part of the reason given
  };
  const adsi::Error down = adsi::makeError(adsi::hr::SERVER_DOWN, "The server is not operational.");
  const Case cases[] = {
      {"every search answers", {}, {}, true, {}},
      {"the group search fails", "objectCategory=group", down, false, "failed (0x8007203A"},
      {"the group search finds nothing", "objectCategory=group", std::nullopt, false, "found none"},
      {"only the user search fails", "objectCategory=Person", down, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::shared_ptr<adsi::DirectoryBackend> inner =
        dc ? std::shared_ptr<adsi::DirectoryBackend>(dc) : std::shared_ptr<adsi::DirectoryBackend>(net);
    if (!c.failingFilter.isEmpty())
      inner = std::make_shared<test::FailingSearchBackend>(inner, c.failingFilter, c.error);
    directory::setDirectory(std::make_shared<adsi::Directory>(inner));
    state::shared().Group_Count = state::shared().User_Count = 0;
    const directory::LoadOutcome out = loadAd();
    EXPECT_FALSE(out.raised);
    EXPECT_EQ(out.groupsComplete, c.complete);
    if (c.problem.isEmpty())
      EXPECT_TRUE(out.groupsProblem.isEmpty()) << out.groupsProblem.toStdString();
    else
      EXPECT_TRUE(out.groupsProblem.contains(c.problem)) << out.groupsProblem.toStdString();
  }
}

TEST_F(Loader, NtOutcomeSaysWhetherEveryGroupWasRead) {
  SIMNET_ONLY("NT 4.0 domains");
  EXPECT_TRUE(loadNt().groupsComplete);
}

}  // namespace
