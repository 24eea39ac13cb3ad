#pragma once
// The directory under test. The conformance tests speak only the provider interface
// (adsi::Directory and its objects); what they need beyond it (locking an account, a password
// policy, refusing a commit) goes through `Hooks`, which another back end implements its own way.

#include "platform/adsi/Directory.h"
#include "platform/simnet/NetworkBuilder.h"
#include "support/TestDc.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace tavrel::test {

// The value of a result, or an empty one (range-for over `*result()` would dangle).
template <typename T>
T all(adsi::Result<T> r) {
  return r.ok() ? std::move(r).value() : T();
}

class Hooks {
 public:
  virtual ~Hooks() = default;
  virtual void lockAccount(const QString& domain, const QString& account) = 0;
  virtual void setPolicy(const QString& domain, int minLength, bool complexity) = 0;
  virtual void refuseNextCommit() = 0;
  virtual void setReachable(const QString& name, bool reachable) = 0;
  virtual void setSizeLimit(int limit) = 0;
  // A directory session of its own (no connection shared with `dir`).
  virtual std::unique_ptr<adsi::Directory> freshDirectory() = 0;
  // The identity binds use when no credentials are given: "DOMAIN\\user".
  virtual QString loggedOnUser() = 0;
  virtual quint32 logOn(const QString& domain, const QString& user) = 0;
};

// A small network: example.local (EXAMPLE, native, DC "DC1") with OU=Sales and OU=East,OU=Sales,
// users jsmith (John Smith, OU=Sales, password "Secret1"), mjones (CN=Users), a global group
// "Sales Team" holding jsmith; a mixed-mode child domain branch.example.local (BRANCH); an NT 4.0
// domain OLDCORP with user jdoe and group Accounts. The logged-on user is EXAMPLE\Administrator.
//
// With TAVREL_TEST_BACKEND=samba the same tests run against the test DC (realm example.local),
// reset and populated with the example.local part before each test; what only the simulated
// network has (the other domains, fault injection, server limits) is skipped there with
// SIMNET_ONLY.
class DirectoryFixture : public ::testing::Test, public Hooks {
 protected:
  void SetUp() override;
  static bool realDc() { return onTestDc(); }
  // On the test DC, whether `text` concerns a domain only the simulated network has: the
  // mixed-mode child branch.example.local (BRANCH) or the NT 4.0 domain OLDCORP.
  static bool elsewhere(const QString& text) {
    return realDc() &&
           (text.contains(QLatin1String("branch"), Qt::CaseInsensitive) || text.contains(QLatin1String("OLDCORP")));
  }
  // A builder that adds OUs, users, groups and members to the directory under test.
  simnet::NetworkBuilder populate();

  void lockAccount(const QString& domain, const QString& account) override;
  void setPolicy(const QString& domain, int minLength, bool complexity) override;
  void refuseNextCommit() override;
  void setReachable(const QString& name, bool reachable) override;
  void setSizeLimit(int limit) override;
  std::unique_ptr<adsi::Directory> freshDirectory() override;
  QString loggedOnUser() override;
  quint32 logOn(const QString& domain, const QString& user) override;

  // Binds `path`, failing the test when the bind fails.
  adsi::AdsObject bind(const QString& path);
  // The HRESULT of binding `path` (S_OK when it binds).
  quint32 bindCode(const QString& path);

  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;         // the simulated network (null on the DC)
  std::shared_ptr<ldap::LdapBackend> dc;           // the test DC (null on the simulated network)
  std::shared_ptr<adsi::DirectoryBackend> backend;  // the one under test
  std::unique_ptr<adsi::Directory> dir;

  const QString salesDn = QStringLiteral("OU=Sales,DC=example,DC=local");
  const QString usersDn = QStringLiteral("CN=Users,DC=example,DC=local");
  const QString jsmithDn = QStringLiteral("CN=John Smith,OU=Sales,DC=example,DC=local");
  const QString teamDn = QStringLiteral("CN=Sales Team,OU=Sales,DC=example,DC=local");
};

}  // namespace tavrel::test

