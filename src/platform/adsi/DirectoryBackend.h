#pragma once
// The boundary below the provider: LDAP-level operations on distinguished names. A back end
// (the simulated network, or libldap against a real server) implements only this; paths,
// property names, the property cache and the WinNT view stay above it.

#include "platform/adsi/Dn.h"
#include "platform/adsi/Result.h"
#include "platform/adsi/Schema.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace tavrel::adsi {

struct Credentials {
  QString user;  // "DOMAIN\name", "name@domain", a DN, or a bare account name
  QString password;
};

enum class Protocol {
  Ldap,           // a domain controller's directory
  GlobalCatalog,  // the forest-wide, read-only partial view
  Sam,            // the account database of a domain (NT 4.0 domains, and AD domains seen as NT)
};

enum class DomainKind { ActiveDirectory, Nt4 };

struct DomainInfo {
  QString dnsName;  // empty for an NT 4.0 domain
  QString netbiosName;
  DomainKind kind = DomainKind::ActiveDirectory;
  bool mixedMode = false;
  QString forestRoot;  // DNS name of the forest root domain (AD only)
};

// What a bind reached.
struct ServerInfo {
  QString host;  // the domain controller that answered
  DomainInfo domain;
  Dn defaultNamingContext;
  Dn configurationNamingContext;
  Dn schemaNamingContext;
  Dn rootDomainNamingContext;
};

using Values = QList<QByteArray>;

struct Attribute {
  QString name;
  Values values;
};

struct Entry {
  Dn dn;
  QList<Attribute> attributes;
  const Attribute* find(const QString& name) const;
  QByteArray first(const QString& name) const;  // first value, or empty
};

enum class Scope { Base, OneLevel, Subtree };

struct SearchRequest {
  Dn base;
  Scope scope = Scope::Subtree;
  QString filter = QStringLiteral("(objectClass=*)");  // RFC 4515 text
  QStringList attributes;                              // empty: all user attributes
  int sizeLimit = 0;                                   // 0: the server's limit
  int pageSize = 0;                                    // 0: not paged (the server's limit applies)
  QByteArray cookie;                                   // paging: empty for the first page
};

struct SearchResult {
  QList<Entry> entries;
  QByteArray cookie;               // paging: empty when there are no more pages
  bool sizeLimitExceeded = false;  // the result was cut at a size limit
};

enum class ModOp { Add, Replace, Delete };

struct Modification {
  Modification() = default;
  Modification(ModOp op, QString attribute, Values values = {})
      : op(op), attribute(std::move(attribute)), values(std::move(values)) {}

  ModOp op = ModOp::Replace;
  QString attribute;
  Values values;  // Replace with no values removes the attribute; Delete with none removes all
  // The values the caller last read for the attribute (empty: it had none), when it read them: a
  // back end that needs the entry's present state for the change may take it from here instead of
  // reading the entry again.
  std::optional<Values> previous;
};

class SchemaCatalog;

class DirectoryConnection {
 public:
  virtual ~DirectoryConnection() = default;
  virtual const ServerInfo& server() const = 0;
  // The schema values are converted by: the built-in one unless the server publishes its own.
  virtual std::shared_ptr<const SchemaCatalog> schema();
  // The definitions of those of `names` the schema holds, without reading more of it than needed.
  virtual QList<AttributeDef> attributeDefs(const QStringList& names);
  virtual Result<Entry> rootDse() = 0;
  // `attributes` empty: every attribute the entry holds.
  virtual Result<Entry> read(const Dn& dn, const QStringList& attributes) = 0;
  // The entry as a bind reads it: every attribute, except that a connection may leave out the
  // linked values that are costly to gather (a group's members). The names it left out are added
  // to `deferred`; read(dn, {name}) gives their values.
  virtual Result<Entry> readForBind(const Dn& dn, QStringList& deferred) {
    Q_UNUSED(deferred);
    return read(dn, {});
  }
  virtual Result<SearchResult> search(const SearchRequest& request) = 0;
  virtual Status add(const Dn& dn, const QList<Attribute>& attributes) = 0;
  // All changes are applied together or not at all.
  virtual Status modify(const Dn& dn, const QList<Modification>& changes) = 0;
  virtual Status remove(const Dn& dn) = 0;
  // ModifyDN: new RDN (the old value is dropped) and, when given, a new superior.
  virtual Status rename(const Dn& dn, const Rdn& newRdn, const std::optional<Dn>& newSuperior) = 0;
  virtual Status setPassword(const Dn& dn, const QString& password) = 0;
};

// An account as "DOMAIN\\user" names it: the domain's NetBIOS name and the account name.
struct Account {
  QString domain;
  QString user;
};

class DirectoryBackend {
 public:
  virtual ~DirectoryBackend() = default;
  // `server` empty: the domain of the logged-on user. A DNS domain name, a NetBIOS domain name or
  // a domain controller's name. Without credentials the logged-on identity is used.
  virtual Result<std::shared_ptr<DirectoryConnection>> bind(
      const QString& server, Protocol protocol, const std::optional<Credentials>& credentials) = 0;
  // The domains a browse of the network shows (NT 4.0 domains and AD domains by NetBIOS name).
  virtual QList<DomainInfo> browseDomains() = 0;
  // The identity binds without credentials authenticate as, when known.
  virtual std::optional<Account> loggedOnAccount() { return std::nullopt; }
};

}  // namespace tavrel::adsi
