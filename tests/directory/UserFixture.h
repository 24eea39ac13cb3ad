#pragma once
// A domain with one well-filled user for the user-editing tests, on the simulated network or on
// the test DC (TAVREL_TEST_BACKEND=samba; the NT 4.0 domain and the mixed mode exist only on the
// simulated network). Every change goes through a recording back end, so a test sees exactly
// which attributes a step wrote.

#include "RecordingBackend.h"
#include "directory/DirectoryService.h"
#include "directory/UserEditor.h"
#include "platform/simnet/NetworkBuilder.h"
#include "state/SharedState.h"
#include "support/Fixtures.h"
#include "support/TestDc.h"

#include <QDateTime>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace tavrel::test {

// The group lists and status panel, as lists of texts.
class PageGroupsRecord : public directory::UserGroupView {
 public:
  QStringList memberTexts, memberKeys, memberIcons, statuses;
  QList<std::pair<QString, QString>> candidates;  // key, text ("Not a member of:")

  void clearMembers() override { memberTexts.clear(), memberKeys.clear(), memberIcons.clear(); }
  void addMember(const QString& key, const QString& text, const QString& icon) override {
    memberTexts << text, memberKeys << key, memberIcons << icon;
  }
  void removeCandidate(const QString& value, bool byKey) override {
    for (qsizetype i = 0; i < candidates.size(); ++i) {
      const QString v = byKey ? candidates[i].first : candidates[i].second.trimmed();
      if (v.compare(value, Qt::CaseInsensitive) == 0) {
        candidates.removeAt(i);
        return;
      }
    }
  }
  void setStatus(const QString& text) override { statuses << text; }
  QStringList candidateTexts() const {
    QStringList out;
    for (const auto& c : candidates) out << c.second;
    return out;
  }
};

class UserFixture : public AppFixture {
 protected:
  static constexpr const char* kJohnDn = "CN=John Smith,OU=Sales,DC=example,DC=local";
  static constexpr const char* kPath = "LDAP://example.local/";

  static QString johnPath() { return QString::fromLatin1(kPath) + QString::fromLatin1(kJohnDn); }
  static QString groupPath(const QString& cn, const QString& container = QStringLiteral("OU=Sales")) {
    return QString::fromLatin1(kPath) + QStringLiteral("CN=") + cn + u',' + container +
           QStringLiteral(",DC=example,DC=local");
  }

  // `mixed`: example.local runs in mixed mode (simulated network only).
  void build(bool mixed = false) {
    AppFixture::SetUp();
    std::shared_ptr<adsi::DirectoryBackend> inner;
    std::unique_ptr<simnet::NetworkBuilder> b;
    if (onTestDc()) {
      REQUIRE_TEST_DC();
      dc = testDcBackend();
      adsi::Status reset = resetTestDc(*dc);
      ASSERT_TRUE(reset.ok()) << reset.error().message.toStdString();
      inner = dc;
      b = std::make_unique<simnet::NetworkBuilder>(inner);
    } else {
      b = std::make_unique<simnet::NetworkBuilder>(dir() + QStringLiteral("net") + QString::number(++builds));
      b->forest("example.local", "EXAMPLE", mixed, "DC1");
    }
    b->ou("example.local", "OU=Sales")
        .user("example.local", "jsmith",
              simnet::UserSpec()
                  .in("OU=Sales")
                  .named("John Smith")
                  .withPassword("Secret1x")
                  .with("displayName", "Smith, John")
                  .with("description", "Sales clerk")
                  .with("profilePath", "\\\\FS1\\profiles\\jsmith")
                  .with("homeDirectory", "\\\\FS1\\home\\jsmith")
                  .with("scriptPath", "logon.bat")
                  .with("homeDrive", "H:")
                  .with("givenName", "John")
                  .with("sn", "Smith")
                  .with("initials", "Q")
                  .with("physicalDeliveryOfficeName", "Room 12")
                  .with("mail", "john.smith@example.local")
                  .with("userPrincipalName", "john.smith@example.local")
                  .with("title", "Clerk")
                  .with("department", "Sales"))
        .user("example.local", "mjones", simnet::UserSpec().withPassword("Secret2x"))
        .group("example.local", "Sales Team", simnet::GroupSpec().in("OU=Sales"))
        .group("example.local", "Managers", simnet::GroupSpec().in("OU=Sales"))
        .member("example.local", "Sales Team", "jsmith");
    if (!onTestDc()) {
      b->nt4Domain("OLDCORP", "OLDPDC")
          .user("OLDCORP", "jdoe",
                simnet::UserSpec()
                    .withPassword("Secret3x")
                    .with("displayName", "Jane Doe")
                    .with("description", "Accounts clerk")
                    .with("homeDirectory", "\\\\OLDPDC\\home\\jdoe")
                    .with("homeDrive", "J:")
                    .with("profilePath", "\\\\OLDPDC\\profiles\\jdoe")
                    .with("scriptPath", "old.bat"))
          .group("OLDCORP", "Accounts", simnet::GroupSpec().ofType(2))
          .group("OLDCORP", "Printers", simnet::GroupSpec().ofType(4))
          .group("OLDCORP", "Auditors", simnet::GroupSpec().ofType(2))
          .member("OLDCORP", "Accounts", "jdoe")
          .member("OLDCORP", "Printers", "jdoe")
          .loggedOn("EXAMPLE", "Administrator");
    }
    auto built = b->build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    if (!onTestDc()) {
      net = *built;
      inner = net;
    }
    recorder = std::make_shared<RecordingBackend>(inner);
    directory::setDirectory(std::make_shared<adsi::Directory>(recorder));
    admin = std::make_unique<adsi::Directory>(inner);
    adMode();
  }
  void TearDown() override {
    directory::setDirectory(nullptr);
    admin.reset();
    recorder.reset();
    net.reset();
    dc.reset();
    AppFixture::TearDown();
  }

  void adMode() {
    state::SharedState& sh = state::shared();
    sh.Directory_Mode = 0;
    sh.Domain_Name = QStringLiteral("example.local");
    sh.NetBIOS_Domain = QStringLiteral("EXAMPLE");
  }
  void ntMode() {
    state::SharedState& sh = state::shared();
    sh.Directory_Mode = 2;
    sh.Domain_Name = sh.NetBIOS_Domain = QStringLiteral("OLDCORP");
  }

  // The page as Clear_UM leaves it.
  static directory::UserPage clearedPage() {
    directory::UserPage p;
    p.UM_W2KDomain_Name = QStringLiteral("@") + state::shared().Domain_Name;
    return p;
  }

  adsi::AdsObject bind(const QString& path) {
    auto o = admin->GetObject(path);
    EXPECT_TRUE(o.ok()) << path.toStdString() << ": " << o.error().message.toStdString();
    return o.ok() ? *o : adsi::AdsObject();
  }
  // The value of `name` on a fresh bind of `path` (an empty variant when absent).
  QVariant read(const QString& path, const QString& name) {
    auto v = bind(path).Get(name);
    return v ? *v : QVariant();
  }

  // Locks an account of example.local as failed logons would.
  void lockAccount(const QString& account) {
    if (net) {
      ASSERT_TRUE(net->lockAccount(QStringLiteral("EXAMPLE"), account).ok());
      return;
    }
    // A DC locks an account whose lockoutTime is the present.
    auto conn = dc->bind(QStringLiteral("example.local"), adsi::Protocol::Ldap, std::nullopt);
    ASSERT_TRUE(conn.ok());
    adsi::SearchRequest req;
    req.base = (*conn)->server().defaultNamingContext;
    req.filter = QStringLiteral("(sAMAccountName=%1)").arg(account);
    req.attributes = {QStringLiteral("objectClass")};
    auto found = (*conn)->search(req);
    ASSERT_TRUE(found.ok() && !found->entries.isEmpty());
    const qint64 now = (QDateTime::currentSecsSinceEpoch() + 11644473600LL) * 10000000LL;
    adsi::Status s =
        (*conn)->modify(found->entries.first().dn,
                        {{adsi::ModOp::Replace, QStringLiteral("lockoutTime"), {QByteArray::number(now)}}});
    ASSERT_TRUE(s.ok()) << s.error().message.toStdString();
  }

  std::shared_ptr<simnet::SimNetwork> net;
  std::shared_ptr<ldap::LdapBackend> dc;
  std::shared_ptr<RecordingBackend> recorder;
  std::unique_ptr<adsi::Directory> admin;  // unrecorded, for preparing and checking
  int builds = 0;                          // each build gets a network folder of its own
};

}  // namespace tavrel::test
