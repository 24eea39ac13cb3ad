#pragma once
// The directory back end for a real Active Directory, over OpenLDAP's libldap.
//
// Every connection is secured: SASL GSSAPI with sealing (the Kerberos ticket of `kinit`), or a
// simple bind inside TLS (LDAPS, or StartTLS on 389/3268) whose certificate is verified against
// the configured CA or the system's trust store. Referrals are not chased, searches always page,
// and AD's extended errors ("0000052D: ...", "data 773") become the HRESULTs the program logs.
//
// Domains are found through the configured host map, then DNS SRV records (_ldap._tcp, _gc._tcp).
// NT 4.0 domains have no LDAP: they are simulated-network only, and a WinNT path to a domain that
// is not an AD domain fails as a domain that cannot be contacted.

#include "platform/adsi/DirectoryBackend.h"
#include "platform/ldap/LdapConfig.h"

#include <QHash>
#include <QMutex>

#include <memory>

namespace tavrel::adsi {
class SchemaCatalog;
}

namespace tavrel::ldap {

// What one forest's controllers told us once: naming contexts, the domains and the schema.
struct ForestInfo;

class LdapBackend : public adsi::DirectoryBackend, public std::enable_shared_from_this<LdapBackend> {
 public:
  explicit LdapBackend(LdapConfig config);
  ~LdapBackend() override;

  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> bind(
      const QString& server, adsi::Protocol protocol,
      const std::optional<adsi::Credentials>& credentials) override;
  QList<adsi::DomainInfo> browseDomains() override;
  std::optional<adsi::Account> loggedOnAccount() override;

  const LdapConfig& config() const { return config_; }
  // Points `name` (a domain or server) at another host; an empty host removes the entry.
  void setHost(const QString& name, const QString& host);

  // Where `server` (a domain's DNS or NetBIOS name, a DC's name, "host:port", or empty for the
  // configured domain) is reached for `protocol`: "ldaps://host:636" and the like.
  adsi::Result<QString> locate(const QString& server, adsi::Protocol protocol);

  // Internal, for connections: the forest facts and schema shared by every connection to it.
  std::shared_ptr<ForestInfo> forest(const QString& configurationNc);
  void rememberForest(const QString& configurationNc, std::shared_ptr<ForestInfo> info);

 private:
  LdapConfig config_;
  QMutex mutex_;
  QHash<QString, std::shared_ptr<ForestInfo>> forests_;  // by lower-case configuration NC
  QHash<QString, QString> netbiosToDns_;                 // learnt from the forests' crossRefs
  std::optional<adsi::Account> identity_;                 // who the default binds authenticated as
  // Open connections by server URL, protocol and identity; a connection lives while a user of it
  // (an object, a search) holds it.
  QHash<QString, std::weak_ptr<adsi::DirectoryConnection>> connections_;
  // The same connections by what was asked for (server as given, protocol, identity), so that a
  // request made before is answered without locating the server; cleared when a host changes.
  QHash<QString, std::weak_ptr<adsi::DirectoryConnection>> requests_;
};

// libldap's result codes and AD's diagnostic text as the HRESULT the program reports: the
// extended error is the text's leading "XXXXXXXX:", except for a bind, where the "data XXX" that
// follows the security package's code says why the logon failed. A Windows DC's texts also carry
// a "data" value on other operations ("..., data 0, Att 9005a"), which is not the error.
enum class LdapOperation { Other, Bind };
adsi::Error errorFromLdap(int rc, const QString& diagnostic, const QString& what,
                          LdapOperation operation = LdapOperation::Other);
quint32 extendedError(const QString& diagnostic, LdapOperation operation = LdapOperation::Other);

}  // namespace tavrel::ldap
