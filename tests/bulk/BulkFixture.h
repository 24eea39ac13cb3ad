#pragma once
// A small domain for the bulk window on the simulated network or on the test DC
// (TAVREL_TEST_BACKEND=samba; the NT 4.0 domain exists only on the simulated network):
//
//   OU=Sales: alice ("Alice Archer"), bob ("Bob Baker"), the computer WS01, and OU=East holding
//             carol; the group "Sales Team" (alice, bob, the nested group "Sales Leads", WS01)
//   CN=Users: dave
//   OLDCORP (NT): jdoe, rroe; the global group "Accounts" (jdoe), the local group "Printers" (rroe)
//
// The catalogue is filled through the domain loaders, as a connection would, without a window.

#include "bulk/Catalogue.h"
#include "bulk/Expander.h"
#include "bulk/MultiUser.h"
#include "directory/DirectoryService.h"
#include "directory/DomainLoad.h"
#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/SimNetwork.h"
#include "platform/text/Cp1252.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "support/Fixtures.h"
#include "support/TestDc.h"

#include <QDateTime>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace tavrel::test {

// The loaders' view that fills only the catalogue: the lists need no window.
class CatalogueView : public directory::DomainView {
 public:
  void setStatus(const QString&) override {}
  void refresh() override {}
  void message(const QString&) override {}
  void setUpnSuffix(const QString&) override {}
  void clearTree() override {}
  directory::NodeAdd addNode(const QString&, const QString&, const QString&, const QString&, bool) override {
    return directory::NodeAdd::Added;
  }
  void showNode(const QString&) override {}
  void clearList(directory::DomainList list) override {
    if (bulk::KeyedList* l = of(list)) l->clear();
  }
  void addItem(directory::DomainList list, const QString& key, const QString& text, const QString& icon,
               const QString&) override {
    if (bulk::KeyedList* l = of(list)) l->add(text, key, icon);
  }
  void unselectFirst(directory::DomainList) override {}

 private:
  static bulk::KeyedList* of(directory::DomainList list) {
    bulk::Catalogue& c = bulk::catalogue();
    switch (list) {
      case directory::DomainList::BulkSelection:
        return &c.selection;
      case directory::DomainList::BulkUsers:
        return &c.users;
      case directory::DomainList::BulkGroups:
        return &c.groups;
      case directory::DomainList::BulkOUs:
        return &c.ous;
      default:
        return nullptr;
    }
  }
};

class BulkFixture : public AppFixture {
 protected:
  static constexpr const char* kDomainDn = "DC=example,DC=local";
  static QString path(const QString& rdnPath) {
    return QStringLiteral("LDAP://example.local/") + rdnPath + QStringLiteral(",DC=example,DC=local");
  }
  static QString alicePath() { return path("CN=Alice Archer,OU=Sales"); }
  static QString bobPath() { return path("CN=Bob Baker,OU=Sales"); }
  static QString carolPath() { return path("CN=carol,OU=East,OU=Sales"); }
  static QString davePath() { return path("CN=dave,CN=Users"); }
  static QString ws01Path() { return path("CN=WS01,OU=Sales"); }
  static QString teamPath() { return path("CN=Sales Team,OU=Sales"); }
  static QString salesDn() { return QStringLiteral("OU=Sales,DC=example,DC=local"); }

  void SetUp() override {
    AppFixture::SetUp();
    bulk::MultiUser::unload();
    std::unique_ptr<simnet::NetworkBuilder> b;
    std::shared_ptr<adsi::DirectoryBackend> backend;
    if (onTestDc()) {
      dc = testDcBackend();
      adsi::Status reset = resetTestDc(*dc);
      ASSERT_TRUE(reset.ok()) << reset.error().message.toStdString();
      backend = dc;
      b = std::make_unique<simnet::NetworkBuilder>(backend);
    } else {
      b = std::make_unique<simnet::NetworkBuilder>(dir() + QStringLiteral("net"));
      b->forest("example.local", "EXAMPLE", false, "DC1");
    }
    b->ou("example.local", "OU=Sales")
        .ou("example.local", "OU=East,OU=Sales")
        .user("example.local", "alice",
              simnet::UserSpec().in("OU=Sales").named("Alice Archer").withPassword("Secret1x"))
        .user("example.local", "bob",
              simnet::UserSpec().in("OU=Sales").named("Bob Baker").withPassword("Secret2x"))
        .user("example.local", "WS01", simnet::UserSpec().in("OU=Sales").asComputer())
        .user("example.local", "carol", simnet::UserSpec().in("OU=East,OU=Sales").withPassword("Secret3x"))
        .user("example.local", "dave", simnet::UserSpec().withPassword("Secret4x"))
        .group("example.local", "Sales Team", simnet::GroupSpec().in("OU=Sales"))
        .group("example.local", "Sales Leads", simnet::GroupSpec().in("OU=Sales"))
        .member("example.local", "Sales Team", "alice")
        .member("example.local", "Sales Team", "bob")
        .member("example.local", "Sales Team", "Sales Leads")
        .member("example.local", "Sales Team", "WS01$");
    if (!onTestDc()) {
      b->nt4Domain("OLDCORP", "OLDPDC")
          .user("OLDCORP", "jdoe", simnet::UserSpec().withPassword("Secret5x"))
          .user("OLDCORP", "rroe", simnet::UserSpec().withPassword("Secret6x"))
          .group("OLDCORP", "Accounts", simnet::GroupSpec().ofType(2))
          .group("OLDCORP", "Printers", simnet::GroupSpec().ofType(4))
          .member("OLDCORP", "Accounts", "jdoe")
          .member("OLDCORP", "Printers", "rroe")
          .loggedOn("EXAMPLE", "Administrator");
    }
    auto built = b->build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    if (!onTestDc()) {
      net = *built;
      backend = net;
    }
    directory::setDirectory(std::make_shared<adsi::Directory>(backend));
    admin = std::make_unique<adsi::Directory>(backend);
    adMode();
    bulk::MultiUser::setLinks(
        {[this](const QString& colour, const QString& message) { rows << colour + message; },
         [this] { return defaultPassword; }, [this] { return dir(); }});
  }
  void TearDown() override {
    bulk::MultiUser::unload();
    bulk::MultiUser::setLinks({});
    directory::setDirectory(nullptr);
    admin.reset();
    net.reset();
    dc.reset();
    AppFixture::TearDown();
  }

  void adMode() {
    state::SharedState& sh = state::shared();
    sh.Directory_Mode = 0;
    sh.Domain_Name = QStringLiteral("example.local");
    sh.NetBIOS_Domain = QStringLiteral("EXAMPLE");
    CatalogueView view;
    directory::LoadOptions options;
    options.dbpath = dir();
    directory::Get_W2K_Domain_Data(view, options);
    QFile::remove(startup::LogFile::pathFor(dir()));
  }
  void ntMode() {
    state::SharedState& sh = state::shared();
    sh.Directory_Mode = 2;
    sh.Domain_Name = sh.NetBIOS_Domain = QStringLiteral("OLDCORP");
    bulk::catalogue().clear();
    CatalogueView view;
    directory::Get_NT_Domain_Data(view);
  }

  bulk::MultiUser& window() {
    bulk::MultiUser& m = bulk::MultiUser::instance(dir());
    m.setYieldInterval(0);
    return m;
  }

  // Moves the items with these texts from their source lists into the selection.
  void select(const QStringList& texts) {
    bulk::Catalogue& c = bulk::catalogue();
    for (const QString& t : texts) {
      bool moved = false;
      for (bulk::KeyedList* l : {&c.users, &c.groups, &c.ous}) {
        const QStringList all = l->texts();
        const int row = int(all.indexOf(t)) + 1;
        if (row > 0) {
          c.toSelection(*l, {row});
          moved = true;
          break;
        }
      }
      ASSERT_TRUE(moved) << t.toStdString();
    }
  }

  // The users an item stands for, in the order the directory gives them: their logon names (or,
  // with `names`, their display names).
  QStringList usersOf(const QString& icon, const QString& key, bool names = false) {
    QStringList out;
    bulk::expand(bulk::ListItem{key, QString(), icon, false, 0}, bulk::ExpandPolicy::passwordReset(),
                 [&](const bulk::UserRef& u) {
                   out << (names ? u.name : u.logon);
                   return true;
                 });
    return out;
  }
  QStringList salesUsers(bool names = false) { return usersOf("OU", salesDn(), names); }
  QStringList teamUsers(bool names = false) { return usersOf("W2KGRP", teamPath(), names); }

  adsi::AdsObject bind(const QString& p) {
    auto o = admin->GetObject(p);
    EXPECT_TRUE(o.ok()) << p.toStdString() << ": " << o.error().message.toStdString();
    return o.ok() ? *o : adsi::AdsObject();
  }
  QVariant read(const QString& p, const QString& name) {
    auto v = bind(p).Get(name);
    return v ? *v : QVariant();
  }
  void write(const QString& p, const QString& name, const QVariant& value) {
    adsi::AdsObject o = bind(p);
    ASSERT_TRUE(o.Put(name, value).ok()) << name.toStdString();
    ASSERT_TRUE(o.SetInfo().ok());
  }
  bool disabled(const QString& p) { return read(p, "AccountDisabled").toBool(); }

  // Log.txt as lines, the date line after each header masked.
  QStringList logLines() {
    const QString text = text::fromCp1252(readAll(startup::LogFile::pathFor(dir())));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
      if (lines[i] == startup::kLogHeader) lines[i + 1] = QStringLiteral("<date>");
    return lines;
  }

  std::shared_ptr<simnet::SimNetwork> net;
  std::shared_ptr<ldap::LdapBackend> dc;
  std::unique_ptr<adsi::Directory> admin;
  QStringList rows;  // the on-screen log: colour + message
  QString defaultPassword = QStringLiteral("%UserName%-Pw1x");
};

}  // namespace tavrel::test
