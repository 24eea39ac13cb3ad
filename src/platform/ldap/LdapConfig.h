#pragma once
// How the program reaches a real Active Directory: which domain it works in, where that domain's
// controllers are when DNS does not say, how connections are secured and how it authenticates.
//
// Read from an INI file before start-up (see README.md):
//   [directory]
//   backend=ldap                  ; "simnet" (the default) or "ldap"
//   domain=example.local          ; the Active Directory domain (DNS name)
//   bind=gssapi                   ; "gssapi" (the Kerberos ticket of `kinit`) or "simple"
//   user=EXAMPLE\Administrator    ; simple binds: NETBIOS\name, a UPN or a DN
//   password=...
//   transport=ldaps               ; simple binds: "ldaps" (636/3269) or "starttls" (389/3268)
//   ca_file=/etc/ssl/our-ca.pem   ; certificates are checked against this CA, else the system store
//   timeout=15                    ; seconds for connecting and for each request
//   [hosts]
//   example.local=dc1.example.local   ; a domain (DNS or NetBIOS name) -> host[:port]

#include "platform/adsi/Result.h"

#include <QHash>
#include <QString>

#include <optional>

namespace tavrel::ldap {

enum class Transport { Ldaps, StartTls };
enum class BindMethod { Gssapi, Simple };

struct LdapConfig {
  QString domain;
  QHash<QString, QString> hosts;  // lower-case domain or server name -> host[:port]
  BindMethod bind = BindMethod::Gssapi;
  QString user;
  QString password;
  Transport transport = Transport::Ldaps;
  QString caFile;
  int timeoutSeconds = 15;

  // The configuration in `file`; an error names the file and what is wrong with it.
  static adsi::Result<LdapConfig> load(const QString& file);
};

// The file that chooses the back end: $TAVREL_DIRECTORY_CONFIG, else
// $XDG_CONFIG_HOME/Morvane/Tavrel-directory.conf when it exists; nullopt means the simulated
// network.
std::optional<QString> directoryConfigFile();
// Whether `file` asks for the LDAP back end ("backend=ldap").
bool wantsLdap(const QString& file);

}  // namespace tavrel::ldap
