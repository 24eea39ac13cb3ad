#include "platform/security/AccountLookup.h"

#include "platform/adsi/Values.h"
#include "platform/search/Filter.h"

namespace tavrel::security {

using namespace adsi;

namespace {

struct WellKnown {
  const char* domain;
  const char* name;
  Sid (*sid)();
  SidNameUse use;
};

const WellKnown kWellKnown[] = {
    {"", "Everyone", wellknown::everyone, SidNameUse::WellKnownGroup},
    {"", "CREATOR OWNER", wellknown::creatorOwner, SidNameUse::WellKnownGroup},
    {"NT AUTHORITY", "SYSTEM", wellknown::localSystem, SidNameUse::WellKnownGroup},
    {"NT AUTHORITY", "Authenticated Users", wellknown::authenticatedUsers, SidNameUse::WellKnownGroup},
    {"BUILTIN", "Administrators", wellknown::builtinAdministrators, SidNameUse::Alias},
    {"BUILTIN", "Users", wellknown::builtinUsers, SidNameUse::Alias},
};

std::optional<AccountInfo> wellKnownByName(const QString& domain, const QString& name, bool anyDomain) {
  for (const WellKnown& w : kWellKnown) {
    if (name.compare(QLatin1String(w.name), Qt::CaseInsensitive) != 0) continue;
    if (!anyDomain && domain.compare(QLatin1String(w.domain), Qt::CaseInsensitive) != 0) continue;
    return AccountInfo{w.sid(), QString::fromLatin1(w.name), QString::fromLatin1(w.domain), w.use};
  }
  return std::nullopt;
}

bool isWellKnownDomain(const QString& domain) {
  return domain.compare(QLatin1String("BUILTIN"), Qt::CaseInsensitive) == 0 ||
         domain.compare(QLatin1String("NT AUTHORITY"), Qt::CaseInsensitive) == 0;
}

Error noneMapped(const QString& what) {
  return makeError(err::NONE_MAPPED, what);
}

SidNameUse useOf(const Entry& e) {
  QStringList classes;
  if (const Attribute* a = e.find(QStringLiteral("objectClass")))
    for (const QByteArray& v : a->values) classes.append(QString::fromUtf8(v).toLower());
  if (classes.contains(QLatin1String("computer"))) return SidNameUse::Computer;
  if (classes.contains(QLatin1String("group"))) {
    const qint64 type = e.first(QStringLiteral("groupType")).toLongLong();
    return (type & 0x4) ? SidNameUse::Alias : SidNameUse::Group;
  }
  return SidNameUse::User;
}

QString stripSlashes(QString s) {
  while (s.startsWith(u'\\')) s.remove(0, 1);
  return s;
}

}  // namespace

AccountLookup::AccountLookup(std::shared_ptr<DirectoryBackend> directory) : directory_(std::move(directory)) {}

Result<std::shared_ptr<DirectoryConnection>> AccountLookup::connect(const QString& domainOrServer) {
  if (!directory_) return makeError(err::SERVER_UNAVAILABLE, QStringLiteral("no directory is installed"));
  const QString key = domainOrServer.toLower();
  if (auto it = connections_.constFind(key); it != connections_.cend()) return *it;
  auto c = directory_->bind(domainOrServer, Protocol::Sam, std::nullopt);
  if (!c) {
    Error e = c.error();
    if (e.code == hr::SERVER_DOWN || e.code == hr::NO_SUCH_DOMAIN || e.code == hr::BAD_NETPATH)
      e.code = err::SERVER_UNAVAILABLE;
    return e;
  }
  connections_.insert(key, *c);
  return *c;
}

Result<QString> AccountLookup::systemDomain(const QString& system) {
  auto c = connect(stripSlashes(system));
  if (!c) return c.error();
  return (*c)->server().domain.netbiosName;
}

Result<Sid> AccountLookup::domainSid(DirectoryConnection& conn) {
  auto head = conn.read(conn.server().defaultNamingContext, {QStringLiteral("objectSid")});
  if (!head) return head.error();
  auto sid = Sid::fromBinary(head->first(QStringLiteral("objectSid")));
  if (!sid) return noneMapped(QStringLiteral("the domain has no SID"));
  return *sid;
}

Result<std::optional<AccountInfo>> AccountLookup::findIn(const QString& domain, const QString& name) {
  auto c = connect(domain);
  if (!c) return c.error();
  DirectoryConnection& conn = **c;
  const DomainInfo& d = conn.server().domain;
  if (name.compare(d.netbiosName, Qt::CaseInsensitive) == 0 ||
      (!d.dnsName.isEmpty() && name.compare(d.dnsName, Qt::CaseInsensitive) == 0)) {
    auto sid = domainSid(conn);
    if (!sid) return sid.error();
    return std::optional<AccountInfo>(AccountInfo{*sid, d.netbiosName, d.netbiosName, SidNameUse::Domain});
  }
  SearchRequest req;
  req.base = conn.server().defaultNamingContext;
  req.filter = QStringLiteral("(sAMAccountName=%1)").arg(search::escapeFilterValue(name));
  req.attributes = {QStringLiteral("objectSid"), QStringLiteral("objectClass"), QStringLiteral("sAMAccountName"),
                    QStringLiteral("groupType")};
  auto r = conn.search(req);
  if (!r) return r.error();
  if (r->entries.isEmpty()) return std::optional<AccountInfo>();
  const Entry& e = r->entries.first();
  auto sid = Sid::fromBinary(e.first(QStringLiteral("objectSid")));
  if (!sid) return std::optional<AccountInfo>();
  // The built-in groups live in every domain's tree but belong to BUILTIN.
  const bool builtin = sid->subAuthorities().value(0) == 32 && sid->authority() == 5;
  return std::optional<AccountInfo>(AccountInfo{*sid, QString::fromUtf8(e.first(QStringLiteral("sAMAccountName"))),
                                                builtin ? QStringLiteral("BUILTIN") : d.netbiosName, useOf(e)});
}

Result<AccountInfo> AccountLookup::lookupName(const QString& system, const QString& name) {
  const QString text = name.trimmed();
  if (text.isEmpty()) return noneMapped(QStringLiteral("no account name"));
  if (text.contains(u'\\')) {
    const QString domain = text.section(u'\\', 0, 0), account = text.section(u'\\', 1);
    if (account.isEmpty() || account.contains(u'\\'))
      return noneMapped(QStringLiteral("\"%1\" is not an account name").arg(text));
    if (domain.isEmpty() || isWellKnownDomain(domain)) {
      if (auto w = wellKnownByName(domain, account, false)) return *w;
      return noneMapped(QStringLiteral("no account %1").arg(text));
    }
    auto found = findIn(domain, account);
    if (!found) return found.error();
    if (!found->has_value()) return noneMapped(QStringLiteral("no account %1").arg(text));
    return **found;
  }
  if (auto w = wellKnownByName(QString(), text, true)) return *w;
  auto own = systemDomain(system);
  if (!own) return own.error();
  auto found = findIn(*own, text);
  if (!found) return found.error();
  if (found->has_value()) return **found;
  // Not in the system's own domain: the other domains, which must agree on one account.
  std::optional<AccountInfo> match;
  for (const DomainInfo& d : directory_->browseDomains()) {
    if (d.netbiosName.compare(*own, Qt::CaseInsensitive) == 0) continue;
    auto other = findIn(d.netbiosName, text);
    if (!other || !other->has_value()) continue;
    if (match)
      return noneMapped(QStringLiteral("\"%1\" is ambiguous: it names an account in %2 and in %3")
                            .arg(text, match->referencedDomain, (*other)->referencedDomain));
    match = **other;
  }
  if (!match) return noneMapped(QStringLiteral("no account %1").arg(text));
  return *match;
}

Result<AccountInfo> AccountLookup::lookupSid(const QString& system, const Sid& sid) {
  if (!sid.isValid()) return makeError(hr::E_INVALIDARG, QStringLiteral("not a valid SID"));
  for (const WellKnown& w : kWellKnown)
    if (w.sid() == sid) return AccountInfo{sid, QString::fromLatin1(w.name), QString::fromLatin1(w.domain), w.use};
  if (!directory_) return makeError(err::SERVER_UNAVAILABLE, QStringLiteral("no directory is installed"));
  QStringList order;
  if (auto own = systemDomain(system)) order.append(*own);
  for (const DomainInfo& d : directory_->browseDomains())
    if (!order.contains(d.netbiosName, Qt::CaseInsensitive)) order.append(d.netbiosName);
  for (const QString& domain : std::as_const(order)) {
    auto c = connect(domain);
    if (!c) continue;
    DirectoryConnection& conn = **c;
    auto dsid = domainSid(conn);
    if (!dsid) continue;
    if (*dsid == sid)
      return AccountInfo{sid, conn.server().domain.netbiosName, conn.server().domain.netbiosName, SidNameUse::Domain};
    if (!dsid->isPrefixOf(sid)) continue;
    SearchRequest req;
    req.base = conn.server().defaultNamingContext;
    QString escaped;
    for (char b : sid.binary()) escaped += QStringLiteral("\\%1").arg(static_cast<uchar>(b), 2, 16, QChar(u'0'));
    req.filter = QStringLiteral("(objectSid=%1)").arg(escaped);
    req.attributes = {QStringLiteral("objectClass"), QStringLiteral("sAMAccountName"), QStringLiteral("groupType")};
    auto r = conn.search(req);
    if (!r) return r.error();
    if (r->entries.isEmpty()) break;
    const Entry& e = r->entries.first();
    return AccountInfo{sid, QString::fromUtf8(e.first(QStringLiteral("sAMAccountName"))),
                       conn.server().domain.netbiosName, useOf(e)};
  }
  return noneMapped(QStringLiteral("no account has the SID %1").arg(sid.toString()));
}

namespace {
AccountLookup& installed() {
  static AccountLookup lookup(nullptr);
  return lookup;
}
}  // namespace

namespace {

struct Memo {
  int depth = 0;
  QHash<std::pair<QString, QString>, AccountInfo> found;  // by (system, name)
};

Memo& memo() {
  static Memo m;
  return m;
}

}  // namespace

AccountLookup& accounts() {
  return installed();
}

void setAccountDirectory(std::shared_ptr<DirectoryBackend> directory) {
  installed() = AccountLookup(std::move(directory));
  memo().found.clear();  // a memo's answers came from the directory replaced here
}

LookupMemo::LookupMemo() {
  ++memo().depth;
}

LookupMemo::~LookupMemo() {
  if (--memo().depth == 0) memo().found.clear();
}

Result<AccountInfo> LookupAccountName(const QString& system, const QString& name) {
  Memo& m = memo();
  if (m.depth == 0) return accounts().lookupName(system, name);
  // A name with its domain is found whatever system is asked; a bare name in the system's own
  // domain first, and the system is named with or without its backslashes, in any case.
  const std::pair<QString, QString> key{name.contains(u'\\') ? QString() : stripSlashes(system).toLower(), name};
  if (auto it = m.found.constFind(key); it != m.found.cend()) return *it;
  auto r = accounts().lookupName(system, name);
  if (r) m.found.insert(key, *r);
  return r;
}

Result<AccountInfo> LookupAccountSid(const QString& system, const Sid& sid) {
  return accounts().lookupSid(system, sid);
}

}  // namespace tavrel::security
