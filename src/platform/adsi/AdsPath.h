#pragma once
// ADsPath strings: parsing every form the program binds, and writing them back.
//   LDAP:   LDAP://RootDSE   LDAP://<server>/RootDSE   LDAP://<server>   LDAP://<DN>
//           LDAP://<server>/<DN>   LDAP://Schema/<class>   LDAP://<server>:<port>/<DN>
//   GC:     GC://<forest>   GC://<forest>/<DN>
//   WinNT:  WinNT://<domain>   WinNT://<domain>/<name>   WinNT://<domain>/<name>,<class>
// Provider names are case-sensitive, as they are for the directory service itself. A '/' inside
// a DN is written "\/" in a path.

#include "platform/adsi/Dn.h"
#include "platform/adsi/Result.h"

#include <QString>
#include <QStringList>

namespace tavrel::adsi {

enum class Provider { Ldap, GC, WinNT };

struct AdsPath {
  enum class Kind {
    Namespace,    // "LDAP:", "GC:", "WinNT:"
    RootDse,      // LDAP://[server/]RootDSE
    Schema,       // LDAP://[server/]Schema[/<name>]
    ServerOnly,   // LDAP://<server> or GC://<forest>: the head of that server's domain
    Object,       // LDAP or GC object by DN
    WinNTDomain,  // WinNT://<domain>
    WinNTObject,  // WinNT://<domain>/<name>[,<class>]
  };
  Provider provider = Provider::Ldap;
  Kind kind = Kind::Namespace;
  QString server;      // as written, port included; empty when serverless
  Dn dn;               // Object
  QString schemaName;  // Schema: the class or property name (empty for the container)
  QString domain;      // WinNT
  QString name;        // WinNTObject
  QString className;   // WinNTObject: the ",user" / ",group" suffix, as written

  static Result<AdsPath> parse(const QString& text);
  QString toString() const;
};

QString providerPrefix(Provider p);  // "LDAP:", "GC:", "WinNT:"
// "LDAP://server/DN" or "LDAP://DN" (server empty).
QString formatLdapPath(Provider p, const QString& server, const Dn& dn);
QString formatWinNTPath(const QString& domain, const QString& name = QString());

// The longest path accepted; longer ones are refused as malformed.
constexpr int kMaxPathLength = 2048;

}  // namespace tavrel::adsi
