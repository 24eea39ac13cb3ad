#pragma once
// Finding a domain's controllers: the configured host map first, then DNS SRV records
// (_ldap._tcp.<domain>, _gc._tcp.<forest>), else the name itself as a host.

#include "platform/adsi/Result.h"
#include "platform/ldap/LdapConfig.h"

#include <optional>
#include <utility>

namespace tavrel::ldap {

// The URL for `name` (a domain, a DC, "host:port"): ldaps://host:636, ldap://host:389 (StartTLS),
// and 3269/3268 for the global catalog. A name that is not a host name is refused.
adsi::Result<QString> locateServer(const LdapConfig& config, const QString& name, bool globalCatalog);
// The same server's plain port (for Kerberos, which seals the connection itself).
QString plainUrl(const QString& url);
// The best target of a DNS SRV record ("_ldap._tcp.example.local"): host and port.
std::optional<std::pair<QString, int>> lookupSrv(const QString& record);
// Whether `host` is a host name, an IPv4 address or a bracketed IPv6 address.
bool validHostName(const QString& host);

}  // namespace tavrel::ldap
