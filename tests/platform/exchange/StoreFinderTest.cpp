// The store finder over the directory, against simulated networks: the Exchange 2000 server's
// storage groups and mailbox stores, and the ways a server is not found or not reached.

#include "platform/exchange/DirectoryStoreFinder.h"
#include "platform/simnet/DemoNetwork.h"
#include "platform/simnet/ExchangeSeed.h"
#include "platform/simnet/NetworkBuilder.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

using namespace tavrel;
using exchange::DirectoryStoreFinder;
using exchange::StorageGroup;
using Outcome = exchange::ServerStores::Outcome;

namespace {

class StoreFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    simnet::NetworkBuilder b(tmp.path());
    b.forest("example.local", "EXAMPLE", false, "DC1")
        .server("FILESRV1", "example.local", simnet::ServerRole::FileServer)
        .nt4Domain("OLDCORP", "OLDPDC");
    auto built = b.build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    net = built.value();
    const simnet::Exchange2000Spec spec{
        "Example",
        "First Administrative Group",
        "EXCH1",
        {{"First Storage Group", {"Mailbox Store (EXCH1)", "Staff"}, {"Public Store"}},
         {"Second Storage Group", {"Students"}, {}},
         {"Empty Group", {}, {}}}};
    ASSERT_TRUE(simnet::addExchange2000Server(*net, "example.local", spec).ok());
    ASSERT_TRUE(simnet::addExchange2000Server(
                    *net, "example.local",
                    {"Example", "Second Administrative Group", "EXCH2", {{"SG", {"Only Store"}, {}}}})
                    .ok())
        << "a second server joins the same organisation";
  }
  DirectoryStoreFinder finder() {
    auto n = net;
    return DirectoryStoreFinder(net, [n](const QString& s) { return simnet::serverAnswers(*n, s); });
  }

  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
};

TEST_F(StoreFinderTest, ListsTheServersStorageGroupsAndTheirMailboxStoresInOrder) {
  auto f = finder();
  for (const char* name : {"EXCH1", "exch1", "Exch1.example.local"}) {
    SCOPED_TRACE(name);
    const auto found = f.storageGroups(name);
    ASSERT_EQ(found.outcome, Outcome::Found) << found.error.toStdString();
    const std::vector<StorageGroup> expected{{"First Storage Group", {"Mailbox Store (EXCH1)", "Staff"}},
                                             {"Second Storage Group", {"Students"}},
                                             {"Empty Group", {}}};
    EXPECT_EQ(found.groups, expected) << "public stores are no mailbox stores";
  }
  const auto other = f.storageGroups("EXCH2");
  ASSERT_EQ(other.outcome, Outcome::Found);
  EXPECT_EQ(other.groups, (std::vector<StorageGroup>{{"SG", {"Only Store"}}})) << "each server only its own";
}

TEST_F(StoreFinderTest, UnknownAndUnreachableServers) {
  auto f = finder();
  for (const char* name : {"NOSUCH", "FILESRV1", "", "*"}) {
    SCOPED_TRACE(name);
    const auto found = f.storageGroups(name);
    EXPECT_EQ(found.outcome, Outcome::UnknownServer);
    EXPECT_FALSE(found.serverOpened());
    EXPECT_TRUE(found.groups.empty());
  }

  ASSERT_TRUE(net->setReachable("EXCH1", false).ok());
  EXPECT_EQ(f.storageGroups("exch1").outcome, Outcome::Unreachable) << "the server does not answer";
  EXPECT_EQ(f.storageGroups("EXCH2").outcome, Outcome::Found);

  ASSERT_TRUE(net->setReachable("example.local", false).ok());
  const auto down = f.storageGroups("EXCH2");
  EXPECT_EQ(down.outcome, Outcome::Unreachable) << "the directory does not answer";
  EXPECT_FALSE(down.error.isEmpty());
}

TEST_F(StoreFinderTest, ABackEndThatCannotBeOpenedIsUnreachableAndTriedAgain) {
  int opened = 0;
  DirectoryStoreFinder f([&]() -> adsi::Result<std::shared_ptr<adsi::DirectoryBackend>> {
    if (++opened == 1) return adsi::makeError(adsi::hr::E_FAIL, "no network folder");
    return std::shared_ptr<adsi::DirectoryBackend>(net);
  });
  EXPECT_EQ(f.storageGroups("EXCH1").outcome, Outcome::Unreachable);
  EXPECT_EQ(f.storageGroups("EXCH1").outcome, Outcome::Found);
  EXPECT_EQ(f.storageGroups("EXCH1").outcome, Outcome::Found);
  EXPECT_EQ(opened, 2);
}

TEST(DemoNetworkExchange, TheDemonstrationExchange2000ServerHasStorageGroupsAndStores) {
  QTemporaryDir tmp;
  auto net = simnet::SimNetwork::open(tmp.path());
  ASSERT_TRUE(net.ok());
  ASSERT_TRUE(simnet::seedDemoNetwork(net.value()).ok());
  DirectoryStoreFinder f(net.value());
  const auto found = f.storageGroups("EXCH2K");
  ASSERT_EQ(found.outcome, Outcome::Found) << found.error.toStdString();
  ASSERT_EQ(found.groups.size(), 2u);
  EXPECT_EQ(found.groups[0].name, "First Storage Group");
  EXPECT_EQ(found.groups[0].mailboxStores, (QStringList{"Mailbox Store (EXCH2K)", "Staff Mailboxes"}));
  EXPECT_EQ(f.storageGroups("EXCH55").outcome, Outcome::UnknownServer)
      << "Exchange 5.5 has no storage groups";
}

}  // namespace
