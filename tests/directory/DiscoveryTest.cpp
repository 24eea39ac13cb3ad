// Finding domains, probing a name's mode, the administrator check and the searches' texts, on a
// small simulated network.

#include "directory/AdminCheck.h"
#include "directory/DirectoryService.h"
#include "directory/DomainDiscovery.h"
#include "directory/DomainLoad.h"
#include "platform/search/AdoCommand.h"
#include "platform/simnet/NetworkBuilder.h"
#include "support/TestDc.h"
#include "state/SharedState.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

using namespace tavrel;

namespace {

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    if (test::onTestDc()) {
      REQUIRE_TEST_DC();
      dc = test::testDcBackend();
      adsi::Status reset = test::resetTestDc(*dc);
      ASSERT_TRUE(reset.ok()) << reset.error().message.toStdString();
      auto built = simnet::NetworkBuilder(std::shared_ptr<adsi::DirectoryBackend>(dc)).user("example.local", "clerk").build();
      ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
      directory::setDirectory(std::make_shared<adsi::Directory>(dc));
      return;
    }
    simnet::NetworkBuilder b(tmp.path());
    b.forest("example.local", "EXAMPLE")
        .childDomain("example.local", "branch.example.local", "BRANCH", true)
        .nt4Domain("OLDCORP")
        .user("example.local", "clerk")
        .loggedOn("EXAMPLE", "Administrator");
    auto built = b.build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    net = *built;
    directory::setDirectory(std::make_shared<adsi::Directory>(net));
  }
  void TearDown() override {
    directory::setDirectory(nullptr);
    state::resetShared();
  }
  // A name that stops answering (on the test DC: pointed at a port where nothing listens).
  void unreachable(const QString& name) {
    if (dc)
      dc->setHost(name, "127.0.0.1:9");
    else
      ASSERT_TRUE(net->setReachable(name, false).ok());
  }

  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  std::shared_ptr<ldap::LdapBackend> dc;  // when the tests run against the test DC
};

TEST_F(Discovery, ListsNtDomainsThenActiveDirectoryDomainsByDnsName) {
  const directory::DiscoveredDomains found = directory::Get_Domains(false);
  EXPECT_FALSE(found.searchError);
  EXPECT_FALSE(found.raised);
  // The test DC's forest has one domain; the simulated one also a child and an NT 4.0 domain.
  const QStringList want = dc ? QStringList{"EXAMPLE", "example.local"}
                              : QStringList{"EXAMPLE", "BRANCH", "OLDCORP", "example.local", "branch.example.local"};
  EXPECT_EQ(found.names, want) << found.names.join(", ").toStdString();
}

TEST_F(Discovery, WithoutADirectoryNothingIsFoundAndDebugRaises) {
  directory::setDirectory(nullptr);
  EXPECT_TRUE(directory::Get_Domains(false).names.isEmpty());
  EXPECT_FALSE(directory::Get_Domains(false).raised);
  EXPECT_TRUE(directory::Get_Domains(true).raised);
}

TEST_F(Discovery, DomainDnBecomesItsDnsName) {
  EXPECT_EQ(directory::dnsNameOfDomainDn("DC=a,DC=b,DC=c"), "a.b.c");
  EXPECT_EQ(directory::dnsNameOfDomainDn("DC=example,dc=local"), "example.local") << "matched in any case";
}

TEST_F(Discovery, ModeProbe) {
  struct Case {
    const char* name;
    const char* configured;  // Domain_Name
    int mode;
    const char* netbios;
  };
  const Case cases[] = {
      {"example.local", "example.local", 0, "EXAMPLE"},
      {"branch.example.local", "branch.example.local", 1, "BRANCH"},
      {"EXAMPLE.Local", "EXAMPLE.Local", 0, "EXAMPLE"},  // dnsRoot compared without regard to case
      {"OLDCORP", "OLDCORP", 2, "OLDCORP"},              // no dot: no directory access
      {"SALES", "SALES", 2, "SALES"},
      {"nowhere.test", "nowhere.test", 2, "nowhere.test"},  // the domain object cannot be bound
  };
  if (dc) dc->setHost("nowhere.test", "127.0.0.1:9");
  for (const Case& c : cases) {
    // The test DC's forest has no mixed-mode child.
    if (dc && QString::fromLatin1(c.name).startsWith("branch")) continue;
    const directory::DomainMode m = directory::Get_W2K_Domain_Mode(c.name, c.configured);
    EXPECT_EQ(m.mode, c.mode) << c.name;
    EXPECT_EQ(m.NetBIOS_Domain, c.netbios) << c.name;
  }
}

TEST_F(Discovery, ModeProbeFailureMeansNtAndSaysWhenNothingAnswers) {
  unreachable("example.local");
  const directory::DomainMode m = directory::Get_W2K_Domain_Mode("example.local", "example.local");
  EXPECT_EQ(m.mode, 2);
  EXPECT_EQ(m.NetBIOS_Domain, "example.local");
  ASSERT_TRUE(m.unreachable.has_value()) << "an unreachable domain is told apart from an NT domain";
  EXPECT_EQ(m.unreachable->code, adsi::hr::SERVER_DOWN);
  // A name that answers as an NT domain is one, whatever the directory probe says.
  const directory::DomainMode nt = directory::Get_W2K_Domain_Mode("OLDCORP", "OLDCORP");
  EXPECT_EQ(nt.mode, 2);
  EXPECT_FALSE(nt.unreachable.has_value());
}

TEST_F(Discovery, AdministratorCheckAsksTheGroup) {
  auto admin = directory::isDomainAdmin("EXAMPLE", "EXAMPLE", "Administrator");
  ASSERT_TRUE(admin.ok()) << admin.error().message.toStdString();
  EXPECT_TRUE(*admin);
  auto clerk = directory::isDomainAdmin("EXAMPLE", "EXAMPLE", "clerk");
  ASSERT_TRUE(clerk.ok());
  EXPECT_FALSE(*clerk);
  EXPECT_FALSE(directory::isDomainAdmin("NOWHERE", "EXAMPLE", "Administrator").ok());
}

TEST(SearchTexts, AreTheLoadersCommands) {
  EXPECT_EQ(directory::ouSearchText("example.local"),
            "<LDAP://example.local>;(&(objectCategory=OrganizationalUnit)(objectClass=OrganizationalUnit));"
            "distinguishedName,name;subTree");
  EXPECT_EQ(
      directory::userSearchText("example.local", false),
      "<LDAP://example.local>;(&(objectCategory=Person)(objectClass=User));adsPath,DisplayName,Name;subTree");
  EXPECT_EQ(directory::groupSearchText("example.local"),
            "select GroupType,name,adsPath from 'LDAP://example.local' where objectCategory = 'group'" +
                QString(26, u' ') + " ORDER BY NAME");
  EXPECT_TRUE(directory::commandLineIs("/debug1", "/DEBUG1"));
  EXPECT_FALSE(directory::commandLineIs("/DEBUG1 x", "/DEBUG1"));
}

// A configured domain name stays inside the base of each command, whatever it holds: the
// command either fails to parse or searches with the loader's own filter, attributes and scope.
TEST(SearchTexts, ADomainNameCannotChangeTheCommand) {
  const QString plain = "example.local";
  const auto texts = [](const QString& name) {
    return QStringList{directory::ouSearchText(name), directory::userSearchText(name, false),
                       directory::groupSearchText(name)};
  };
  const QStringList reference = texts(plain);
  for (const char* name : {"x>;(cn=*);cn;base", "x\\>;(cn=*);cn;base", "a' where cn = '*", "a'' x", "e*)(x",
                           "ex,ample;local", "x>", "\\"}) {
    const QStringList crafted = texts(QString::fromUtf8(name));
    for (int i = 0; i < crafted.size(); ++i) {
      const auto want = search::parseAdoCommand(reference[i]);
      ASSERT_TRUE(want.ok());
      const auto got = search::parseAdoCommand(crafted[i]);
      if (!got.ok()) continue;  // a command error, as for any unknown server
      EXPECT_EQ(got->filter, want->filter) << name << ": " << crafted[i].toStdString();
      EXPECT_EQ(got->attributes, want->attributes) << name;
      EXPECT_EQ(got->scope, want->scope) << name;
      // The whole name is the base (the LDAP dialect's escapes taken out).
      QString base;
      for (qsizetype k = 0; k < got->base.path.size(); ++k) {
        if (got->dialect == search::Dialect::Ldap && got->base.path[k] == u'\\') ++k;
        if (k < got->base.path.size()) base += got->base.path[k];
      }
      EXPECT_EQ(base, "LDAP://" + QString::fromUtf8(name)) << crafted[i].toStdString();
    }
  }
}

}  // namespace
