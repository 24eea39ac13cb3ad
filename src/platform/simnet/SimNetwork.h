#pragma once
// The embedded simulated network: Active Directory forests and NT 4.0 domains kept in one SQLite
// database (WAL, one transaction per change), serving the directory back-end interface with the
// rules a domain controller enforces. It also records the network's servers and the identity of
// the logged-on administrator.

#include "platform/adsi/DirectoryBackend.h"
#include "platform/adsi/Result.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

namespace tavrel::simnet {

struct Identity {
  QString domain;  // NetBIOS name
  QString user;    // sAMAccountName
};

struct PasswordPolicy {
  int minLength = 0;
  bool complexity = false;  // three of upper case, lower case, digits, other; not the account name
};

enum class ServerRole { DomainController, FileServer, Exchange2000, Exchange55 };

class Store;

class SimNetwork : public adsi::DirectoryBackend, public std::enable_shared_from_this<SimNetwork> {
 public:
  // Opens (creating when missing) `<folder>/network.db`. Nothing is seeded.
  static adsi::Result<std::shared_ptr<SimNetwork>> open(const QString& folder);
  // The folder of $TAVREL_NETWORK, or $XDG_DATA_HOME/tavrel/network/ ($HOME/.local/share when
  // XDG_DATA_HOME is unset).
  static QString defaultFolder();
  // Opens the default network, seeding the demonstration network when it holds no domain yet.
  static adsi::Result<std::shared_ptr<SimNetwork>> openDefault();

  ~SimNetwork() override;

  // DirectoryBackend
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> bind(
      const QString& server, adsi::Protocol protocol,
      const std::optional<adsi::Credentials>& credentials) override;
  QList<adsi::DomainInfo> browseDomains() override;

  bool hasDomains();

  // Building a network. A forest root domain also gets the forest's configuration partition;
  // every AD domain gets its well-known objects (CN=Users with Administrator, Guest, Domain
  // Admins/Users/Guests/Computers/Controllers; CN=Builtin; CN=Computers; OU=Domain Controllers)
  // and a domain controller named `dcName`.
  adsi::Status addForest(const QString& dnsName, const QString& netbiosName, bool mixedMode,
                         const QString& dcName);
  adsi::Status addChildDomain(const QString& parentDns, const QString& dnsName, const QString& netbiosName,
                              bool mixedMode, const QString& dcName);
  adsi::Status addNt4Domain(const QString& netbiosName, const QString& pdcName);
  adsi::Status addServer(const QString& name, const QString& domain, ServerRole role);
  // Sets an account's password without the policy (seeding); `domain` is a NetBIOS or DNS name.
  adsi::Status setAccountPassword(const QString& domain, const QString& account, const QString& password);

  // Configuration.
  adsi::Status setPasswordPolicy(const QString& domain, const PasswordPolicy& policy);
  adsi::Status setSizeLimit(int maxPageSize);  // the server's limit for one result (default 1000)
  adsi::Result<Identity> loggedOnUser();
  std::optional<adsi::Account> loggedOnAccount() override {
    auto who = loggedOnUser();
    if (!who) return std::nullopt;
    return adsi::Account{who->domain, who->user};
  }
  adsi::Status setLoggedOnUser(const Identity& identity);
  // The simulated time (default: the system clock).
  void setClock(std::function<QDateTime()> now);

  // Fault injection.
  void refuseNextCommit(quint32 code = adsi::hr::UNWILLING_TO_PERFORM);
  // A domain (DNS or NetBIOS name) or server that no longer answers.
  adsi::Status setReachable(const QString& name, bool reachable);
  adsi::Status lockAccount(const QString& domain, const QString& account);
  // The forests' global catalogs stop answering (this process only): GC binds fail as a server
  // that is down, while the domains' own directory servers still answer.
  void setGlobalCatalogDown(bool down) { gcDown_ = down; }

  // File servers: a server of the network whose drives are folders
  // `<folder>/servers/<SERVER>/<DRIVE>/`. `drives` are letters ("CD").
  adsi::Status addFileServer(const QString& name, const QString& domain, const QString& drives);
  // More fault injection for the resource layers: a share add the server refuses (access
  // denied), a Terminal Services write it refuses, a path (UNC) that cannot be deleted, a drive
  // that holds at most `bytes` (-1: no limit).
  adsi::Status refuseShareAdd(const QString& server, bool refuse = true);
  // The server refuses to delete its share `share` (access denied).
  adsi::Status refuseShareDel(const QString& server, const QString& share, bool refuse = true);
  adsi::Status refuseWtsWrite(const QString& server, bool refuse = true);
  adsi::Status setUndeletable(const QString& uncPath, bool undeletable = true);
  adsi::Status setDriveQuota(const QString& server, QChar drive, qint64 bytes);

  // The network's folder.
  const QString& folder() const { return folder_; }
  Store& store() const { return *store_; }

 private:
  SimNetwork();
  std::unique_ptr<Store> store_;
  QString folder_;
  bool gcDown_ = false;
};

}  // namespace tavrel::simnet
