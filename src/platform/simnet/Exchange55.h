#pragma once
// The Exchange 5.5 servers of the simulated network. Every server of an organisation holds the
// organisation's whole directory (O=<org>, its sites OU=<site>, their containers and recipients),
// kept in the network's database, and answers LDAP binds on its own port. A bind authenticates
// against the server's NT domain; only the organisation's administrators may change the directory
// (others get INSUFFICIENT_ACCESS). Deleting a recipient also takes it out of every distribution
// list.

#include "platform/simnet/SimNetwork.h"

#include <QHash>
#include <QStringList>

namespace tavrel::simnet {

struct Exchange55ServerSpec {
  QString server;        // computer name
  QString domain;        // the NT or AD domain it belongs to (authenticates its binds)
  QString organization;  // O=
  QString site;          // OU=
  int port = 389;        // its LDAP port (390 when it shares a machine with a domain controller)
  // "DOMAIN\user" accounts with the organisation's administrative rights.
  QStringList administrators;
};

class SimExchange55 : public adsi::DirectoryBackend {
 public:
  explicit SimExchange55(std::shared_ptr<SimNetwork> network);

  // adsi::DirectoryBackend: `server` is "<name>[:<port>]".
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> bind(
      const QString& server, adsi::Protocol protocol, const std::optional<adsi::Credentials>& credentials) override;
  QList<adsi::DomainInfo> browseDomains() override { return {}; }

  // Building: the server (also recorded as a server of its domain), with its organisation and
  // site objects and the site's CN=Recipients and CN=Configuration containers when missing.
  adsi::Status addServer(const Exchange55ServerSpec& spec);
  // An object of the organisation, added without rights checks; `dn` ends in O=<org>.
  adsi::Status addObject(const QString& organization, const adsi::Dn& dn, const QList<adsi::Attribute>& attrs);

  // Fault injection (this process only): a change of `attribute` that the server refuses with
  // `code` (an LDAP result); an empty attribute name clears the rule. Deletions that fail.
  void refuseAttribute(const QString& attribute, int code = adsi::ldap::UNWILLING_TO_PERFORM);
  void refuseDeletes(bool refuse);

  struct Faults {
    QString attribute;
    int code = 0;
    bool deletes = false;
  };

 private:
  std::shared_ptr<SimNetwork> net_;
  std::shared_ptr<Faults> faults_;
};

// Installs a SimExchange55 over `network` as the program's Exchange 5.5 servers and returns it.
std::shared_ptr<SimExchange55> installExchange55(const std::shared_ptr<SimNetwork>& network);

}  // namespace tavrel::simnet
