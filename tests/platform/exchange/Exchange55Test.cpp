// The simulated Exchange 5.5 servers as the directory layer reaches them: how a bind finds the
// server, its port and the administrator's rights, and the rules of its directory.

#include "platform/adsi/Directory.h"
#include "platform/exchange/Exchange55.h"
#include "platform/security/Sid.h"
#include "platform/simnet/DemoNetwork.h"
#include "platform/simnet/Exchange55.h"
#include "platform/simnet/NetworkBuilder.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

using namespace tavrel;
using adsi::hr::LOGON_FAILURE;

namespace {

const QString kRecipients = QStringLiteral("CN=Recipients,OU=Head Office,O=Example");

class Exchange55Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    simnet::NetworkBuilder b(tmp.path());
    b.forest("example.local", "EXAMPLE", false, "DC1")
        .user("example.local", "exadmin", simnet::UserSpec().withPassword("Secret1"))
        .user("example.local", "clerk", simnet::UserSpec().withPassword("Secret2"))
        .loggedOn("EXAMPLE", "clerk");
    auto built = b.build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    net = built.value();
    servers = std::make_shared<simnet::SimExchange55>(net);
    ASSERT_TRUE(servers->addServer({"EXCH55", "example.local", "Example", "Head Office", 390, {"example.local\\exadmin"}}));
    ASSERT_TRUE(servers->addServer({"EXCH55B", "EXAMPLE", "Example", "Branch", 389, {}}));
    dir = std::make_unique<adsi::Directory>(servers);
  }
  adsi::Result<adsi::AdsObject> asAdmin(const QString& path) {
    return dir->OpenDSObject(path, "EXAMPLE\\exadmin", "Secret1", adsi::ADS_SECURE_AUTHENTICATION);
  }
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
  std::shared_ptr<simnet::SimExchange55> servers;
  std::unique_ptr<adsi::Directory> dir;
};

TEST_F(Exchange55Test, BindsReachTheServerOnItsPortWithItsDomainsCredentials) {
  struct Case {
    const char* path;
    const char* user;  // null: the logged-on identity
    const char* password;
    quint32 code;
  };
  const Case cases[] = {
      {"LDAP://EXCH55:390/CN=Recipients,OU=Head Office,O=Example", "EXAMPLE\\exadmin", "Secret1", 0},
      {"LDAP://exch55:390/OU=Head Office,O=Example", "exadmin@example.local", "Secret1", 0},
      {"LDAP://EXCH55:390/O=Example", nullptr, nullptr, 0},
      {"LDAP://EXCH55B/OU=Head Office,O=Example", nullptr, nullptr, 0},  // one organisation, every server
      {"LDAP://EXCH55:390/CN=Recipients,OU=Head Office,O=Example", "EXAMPLE\\exadmin", "wrong", LOGON_FAILURE},
      {"LDAP://EXCH55:390/CN=Recipients,OU=Head Office,O=Example", "EXAMPLE\\nobody", "x", LOGON_FAILURE},
      {"LDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example", nullptr, nullptr, adsi::hr::SERVER_DOWN},
      {"LDAP://EXCH55:391/CN=Recipients,OU=Head Office,O=Example", nullptr, nullptr, adsi::hr::SERVER_DOWN},
      {"LDAP://NOSUCH/O=Example", nullptr, nullptr, adsi::hr::SERVER_DOWN},
      {"LDAP://EXCH55:390/CN=Nothing,OU=Head Office,O=Example", nullptr, nullptr, adsi::hr::NO_SUCH_OBJECT},
      {"LDAP://EXCH55:390/O=Other", nullptr, nullptr, adsi::hr::NO_SUCH_OBJECT},
      {"LDAP://EXCH55:390/O=Example/OU=Head Office", nullptr, nullptr, adsi::hr::BAD_PATHNAME},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto o = c.user ? dir->OpenDSObject(c.path, c.user, c.password, 1) : dir->GetObject(c.path);
    EXPECT_EQ(o.code(), c.code) << o.code() << " " << o.error().message.toStdString();
  }
  ASSERT_TRUE(net->setReachable("EXCH55", false));
  EXPECT_EQ(asAdmin("LDAP://EXCH55:390/O=Example").code(), adsi::hr::SERVER_DOWN);
}

TEST_F(Exchange55Test, OnlyTheOrganisationsAdministratorsChangeIt) {
  auto mine = dir->GetObject("LDAP://EXCH55:390/" + kRecipients);
  ASSERT_TRUE(mine);
  auto refused = mine->Create("organizationalPerson", "CN=x");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->SetInfo().code(), adsi::hr::ACCESS_DENIED);
  auto admin = asAdmin("LDAP://EXCH55:390/" + kRecipients);
  ASSERT_TRUE(admin);
  auto made = admin->Create("organizationalPerson", "CN=x");
  ASSERT_TRUE(made);
  ASSERT_TRUE(made->Put("mail", "x@example.local"));
  EXPECT_TRUE(made->SetInfo());
  EXPECT_EQ(mine->Delete("organizationalPerson", "CN=x").code(), adsi::hr::ACCESS_DENIED);
  EXPECT_TRUE(admin->Delete("organizationalPerson", "CN=x"));
}

TEST_F(Exchange55Test, DirectoryRules) {
  auto recipients = asAdmin("LDAP://EXCH55:390/" + kRecipients);
  ASSERT_TRUE(recipients);
  const QByteArray sidHex = security::Sid::fromString("S-1-5-21-1-2-3-1105")->hex().toLatin1();
  struct Case {
    const char* what;
    const char* attribute;
    QVariant value;
    quint32 code;
  };
  const Case cases[] = {
      {"the SID as hex digits", "Assoc-NT-Account", sidHex, 0},
      {"hex that is no SID", "Assoc-NT-Account", QByteArray("0102"), adsi::hr::CONSTRAINT_VIOLATION},
      {"no hex at all", "Assoc-NT-Account", QByteArray("S-1-5-21"), adsi::hr::CONSTRAINT_VIOLATION},
      {"a descriptor that is no descriptor", "NT-Security-Descriptor", QByteArray("00"),
       adsi::hr::CONSTRAINT_VIOLATION},
      {"an attribute the schema lacks", "Frobnicate", QStringLiteral("x"), adsi::hr::ATTRIBUTE_TYPE_UNDEFINED},
      {"initials of seven characters", "initials", QStringLiteral("ABCDEFG"), adsi::hr::CONSTRAINT_VIOLATION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto made = recipients->Create("organizationalPerson", "CN=probe");
    ASSERT_TRUE(made);
    ASSERT_TRUE(made->Put(c.attribute, c.value));
    EXPECT_EQ(made->SetInfo().code(), c.code);
    if (c.code == 0) {
      EXPECT_TRUE(recipients->Delete("organizationalPerson", "CN=probe"));
    }
  }
  // Mailboxes live in containers; containers are not deleted while they hold anything.
  auto site = asAdmin("LDAP://EXCH55:390/OU=Head Office,O=Example");
  ASSERT_TRUE(site);
  auto misplaced = site->Create("organizationalPerson", "CN=probe");
  ASSERT_TRUE(misplaced);
  EXPECT_EQ(misplaced->SetInfo().code(), adsi::hr::NAMING_VIOLATION);
  auto person = recipients->Create("organizationalPerson", "CN=probe");
  ASSERT_TRUE(person && person->SetInfo());
  EXPECT_EQ(site->Delete("Container", "CN=Recipients").code(), adsi::hr::NOT_ON_NON_LEAF);
}

TEST_F(Exchange55Test, DistributionListsHoldRecipientsOfTheDirectory) {
  auto recipients = asAdmin("LDAP://EXCH55:390/" + kRecipients);
  ASSERT_TRUE(recipients);
  for (const char* cn : {"CN=a", "CN=b"}) {
    auto p = recipients->Create("organizationalPerson", cn);
    ASSERT_TRUE(p && p->SetInfo());
  }
  auto list = recipients->Create("groupOfNames", "CN=Team");
  ASSERT_TRUE(list && list->SetInfo());
  auto dl = asAdmin("LDAP://EXCH55:390/CN=Team," + kRecipients);
  ASSERT_TRUE(dl);
  EXPECT_TRUE(exchange::addListMember(*dl, "LDAP://EXCH55/CN=a," + kRecipients));
  EXPECT_TRUE(exchange::addListMember(*dl, "LDAP://EXCH55/CN=b," + kRecipients));
  EXPECT_EQ(exchange::addListMember(*dl, "LDAP://EXCH55/CN=a," + kRecipients).code(),
            adsi::hr::ATTRIBUTE_OR_VALUE_EXISTS);
  auto refused = asAdmin("LDAP://EXCH55:390/CN=Team," + kRecipients);
  ASSERT_TRUE(refused);
  EXPECT_EQ(exchange::addListMember(*refused, "LDAP://EXCH55/CN=ghost," + kRecipients).code(),
            adsi::hr::NO_SUCH_OBJECT);
  EXPECT_EQ(exchange::addListMember(*refused, "WinNT://EXAMPLE/a").code(), adsi::hr::BAD_PATHNAME);
  // A deleted recipient leaves the list.
  ASSERT_TRUE(recipients->Delete("organizationalPerson", "CN=a"));
  auto after = asAdmin("LDAP://EXCH55:390/CN=Team," + kRecipients);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->Get("member").value(), QVariant(QString("CN=b," + kRecipients)));
}

TEST(Exchange55Installed, NoServersUntilOneIsInstalled) {
  adsi::Directory dir(exchange::exchange55Directory());
  EXPECT_EQ(dir.GetObject("LDAP://EXCH55/O=Example").code(), adsi::hr::SERVER_DOWN);
}

TEST(Exchange55Demo, TheDemonstrationNetworkHasASiteWithAList) {
  QTemporaryDir tmp;
  auto net = simnet::SimNetwork::open(tmp.path());
  ASSERT_TRUE(net);
  ASSERT_TRUE(simnet::seedDemoNetwork(*net));
  auto servers = simnet::installExchange55(*net);
  adsi::Directory dir(exchange::exchange55Directory());
  auto list = dir.OpenDSObject("LDAP://EXCH55/CN=All Staff," + kRecipients, "EXAMPLE\\Administrator", "Password1", 1);
  ASSERT_TRUE(list) << list.error().message.toStdString();
  auto members = list->GetEx("member");
  ASSERT_TRUE(members);
  EXPECT_EQ(members->size(), 30);
  auto sales = dir.GetObject("LDAP://EXCH55/CN=jsmith,CN=Sales," + kRecipients);
  ASSERT_TRUE(sales);
  EXPECT_EQ(sales->Get("cn").value(), QVariant(QStringLiteral("John Smith")));
  exchange::setExchange55Directory(nullptr);
}

}  // namespace
