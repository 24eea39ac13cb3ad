#pragma once
// Builds a simulated network in a few lines, through the same rules a client meets:
//
//   simnet::NetworkBuilder b(tmp.path());
//   b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Sales")
//    .user("example.local", "jsmith", UserSpec().in("OU=Sales").withPassword("Secret1"))
//    .group("example.local", "Sales Team", GroupSpec().in("OU=Sales")).member("example.local", "Sales Team",
//    "jsmith");
//   auto net = b.build();  // the first error of any step, or the network
//
// Containers are given relative to the domain ("OU=Sales", "CN=Users"); the default is CN=Users.

#include "platform/simnet/SimNetwork.h"

#include <QHash>
#include <QMap>

namespace tavrel::simnet {

struct UserSpec {
  QString container = QStringLiteral("CN=Users");
  QString cn;        // default: the account name
  QString password;  // empty: none is set
  bool enabled = true;
  bool computer = false;
  QMap<QString, QString> attributes;  // further attributes, by name

  UserSpec& in(const QString& c) { return container = c, *this; }
  UserSpec& named(const QString& n) { return cn = n, *this; }
  UserSpec& withPassword(const QString& p) { return password = p, *this; }
  UserSpec& disabled() { return enabled = false, *this; }
  UserSpec& asComputer() { return computer = true, *this; }
  UserSpec& with(const QString& attribute, const QString& value) {
    return attributes.insert(attribute, value), *this;
  }
};

struct GroupSpec {
  QString container = QStringLiteral("CN=Users");
  qint32 groupType = static_cast<qint32>(0x80000002u);  // global security
  QString description;

  GroupSpec& in(const QString& c) { return container = c, *this; }
  GroupSpec& ofType(qint32 t) { return groupType = t, *this; }
  GroupSpec& describedAs(const QString& d) { return description = d, *this; }
};

class NetworkBuilder {
 public:
  explicit NetworkBuilder(const QString& folder);
  explicit NetworkBuilder(std::shared_ptr<SimNetwork> network);
  // Populates another directory (a real domain controller) with OUs, users, groups and members;
  // the steps that shape the network itself (forests, domains, servers, the logged-on user)
  // fail there.
  explicit NetworkBuilder(std::shared_ptr<adsi::DirectoryBackend> directory);

  // A forest root domain; the first one also becomes the logged-on administrator's domain.
  NetworkBuilder& forest(const QString& dns, const QString& netbios, bool mixedMode = false,
                         const QString& dcName = QString());
  NetworkBuilder& childDomain(const QString& parentDns, const QString& dns, const QString& netbios,
                              bool mixedMode = false, const QString& dcName = QString());
  NetworkBuilder& nt4Domain(const QString& netbios, const QString& pdcName = QString());
  NetworkBuilder& server(const QString& name, const QString& domain, ServerRole role);
  NetworkBuilder& ou(const QString& domain, const QString& relativeDn,
                     const QString& description = QString());
  NetworkBuilder& user(const QString& domain, const QString& account, const UserSpec& spec = UserSpec());
  NetworkBuilder& group(const QString& domain, const QString& name, const GroupSpec& spec = GroupSpec());
  NetworkBuilder& member(const QString& domain, const QString& group, const QString& account);
  NetworkBuilder& password(const QString& domain, const QString& account, const QString& password);
  NetworkBuilder& policy(const QString& domain, const PasswordPolicy& policy);
  NetworkBuilder& loggedOn(const QString& domain, const QString& account);
  // A file server with its drives ("CD"), a folder (created with the folders above it) or a file
  // of `size` bytes on it, given as "\\SERVER\D$\path", and a share of a folder ("D:\Users").
  NetworkBuilder& fileServer(const QString& name, const QString& domain, const QString& drives);
  NetworkBuilder& folder(const QString& uncPath);
  NetworkBuilder& file(const QString& uncPath, qint64 size = 0);
  NetworkBuilder& share(const QString& server, const QString& name, const QString& path,
                        const QString& remark = QString());

  // The network, or the first error any step met.
  adsi::Result<std::shared_ptr<SimNetwork>> build();
  const std::shared_ptr<SimNetwork>& network() const { return net_; }

 private:
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> connect(const QString& domain);
  adsi::Result<adsi::Dn> containerDn(adsi::DirectoryConnection& conn, const QString& relative);
  adsi::Result<adsi::Dn> accountDn(adsi::DirectoryConnection& conn, const QString& account);
  void fail(const adsi::Error& e, const QString& step);
  bool simulated(const QString& step);  // false (and the builder failed) on another directory

  std::shared_ptr<SimNetwork> net_;
  std::shared_ptr<adsi::DirectoryBackend> directory_;  // net_, or the directory being populated
  std::optional<adsi::Error> error_;
  QHash<QString, std::shared_ptr<adsi::DirectoryConnection>> connections_;
  bool identitySet_ = false;
};

}  // namespace tavrel::simnet
