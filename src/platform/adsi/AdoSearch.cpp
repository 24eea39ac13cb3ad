#include "platform/adsi/AdoSearch.h"

#include "platform/adsi/AdsPath.h"
#include "platform/adsi/Directory.h"
#include "platform/adsi/SchemaCatalog.h"

#include <QHash>
#include "platform/adsi/Values.h"
#include "platform/search/AdoCommand.h"
#include "platform/search/Matcher.h"

#include <QElapsedTimer>

#include <algorithm>

namespace tavrel::adsi {

namespace {

bool isAdsPath(const QString& name) {
  return name.compare(QLatin1String("adsPath"), Qt::CaseInsensitive) == 0;
}

// An entry as the search layer's ordering reads it: text as text, binary one character per octet.
class OrderEntry : public search::Entry {
 public:
  OrderEntry(const adsi::Entry& e, const QHash<QString, AttributeDef>& defs) : e_(&e), defs_(&defs) {}
  QStringList values(const QString& lowerName) const override {
    QStringList out;
    const Attribute* a = e_->find(lowerName);
    if (!a) return out;
    const auto def = defs_->constFind(lowerName);
    const Syntax s = def == defs_->cend() ? Syntax::String : def->syntax;
    const bool binary = s == Syntax::Octets || s == Syntax::Sid;
    for (const QByteArray& v : a->values) out.append(binary ? QString::fromLatin1(v) : QString::fromUtf8(v));
    return out;
  }
  const adsi::Entry& entry() const { return *e_; }

 private:
  const adsi::Entry* e_;
  const QHash<QString, AttributeDef>* defs_;  // by lower-case name
};

// How one field of the record set is made, worked out once per command.
struct FieldSpec {
  QString name;
  bool adsPath = false;
  Syntax syntax = Syntax::String;
  std::optional<bool> multiValued;  // unknown to the schema: a list only when there are several values

  FieldSpec(const QString& attribute, const QHash<QString, AttributeDef>& defs)
      : name(attribute), adsPath(isAdsPath(attribute)) {
    if (auto def = defs.constFind(attribute.toLower()); def != defs.cend()) {
      syntax = def->syntax;
      multiValued = !def->singleValued;
    }
  }

  QVariant value(const Entry& e, Provider provider, const QString& server) const {
    if (adsPath) return formatLdapPath(provider, server, e.dn);
    const Attribute* a = e.find(name);
    if (!a || a->values.isEmpty()) return {};
    if (!multiValued.value_or(a->values.size() > 1)) return decodeValue(syntax, a->values.first());
    QVariantList list;
    list.reserve(a->values.size());
    for (const QByteArray& v : a->values) list.append(decodeValue(syntax, v));
    return list;
  }
};

Scope backendScope(search::Scope s) {
  switch (s) {
    case search::Scope::Base:
      return Scope::Base;
    case search::Scope::OneLevel:
      return Scope::OneLevel;
    case search::Scope::Subtree:
      break;
  }
  return Scope::Subtree;
}

bool timedOut(const QElapsedTimer& t, int seconds) {
  return seconds > 0 && t.elapsed() > qint64(seconds) * 1000;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

AdoConnection::AdoConnection(std::shared_ptr<DirectoryBackend> backend) : backend_(std::move(backend)) {}

AdoConnection::AdoConnection(const Directory& directory) : backend_(directory.sharedBackend()) {}

Status AdoConnection::Open(const QString& connectionString, const QString& user, const QString& password,
                           int options) {
  Q_UNUSED(options);
  if (Provider.trimmed().compare(QLatin1String("ADsDSOObject"), Qt::CaseInsensitive) != 0)
    return makeError(hr::ADO_PROVIDER_NOT_FOUND,
                     QStringLiteral("Provider cannot be found: \"%1\"").arg(Provider));
  const QString cs = connectionString.trimmed();
  if (!cs.isEmpty() && cs.compare(QLatin1String("Active Directory Provider"), Qt::CaseInsensitive) != 0 &&
      cs.compare(QLatin1String("ADs Provider"), Qt::CaseInsensitive) != 0)
    return makeError(hr::E_INVALIDARG,
                     QStringLiteral("unknown connection string \"%1\"").arg(connectionString));
  if (!backend_) return makeError(hr::ADO_INVALID_CONNECTION, QStringLiteral("no directory to connect to"));
  credentials_.reset();
  if (!user.isEmpty()) credentials_ = Credentials{user, password};
  open_ = true;
  return {};
}

void AdoConnection::Close() {
  open_ = false;
  credentials_.reset();
}

Result<AdoRecordset> AdoConnection::Execute(const QString& commandText) {
  AdoCommand command;
  command.ActiveConnection = this;
  command.CommandText = commandText;
  command.CommandTimeout = CommandTimeout;
  return command.Execute();
}

// ---------------------------------------------------------------------------------------------

AdoRecordset::AdoRecordset(QStringList fieldNames, QList<QVariantList> records)
    : names_(std::move(fieldNames)), records_(std::move(records)) {}

QVariant AdoRecordset::Fields(int i) const {
  if (EOF() || i < 0 || i >= names_.size()) return {};
  return records_[pos_].value(i);
}

QVariant AdoRecordset::Fields(const QString& name) const {
  for (qsizetype i = 0; i < names_.size(); ++i)
    if (names_[i].compare(name, Qt::CaseInsensitive) == 0) return Fields(static_cast<int>(i));
  return {};
}

// ---------------------------------------------------------------------------------------------

Result<AdoRecordset> AdoCommand::Execute() {
  if (!ActiveConnection)
    return makeError(hr::ADO_INVALID_CONNECTION, QStringLiteral("the command has no connection"));
  if (!ActiveConnection->isOpen())
    return makeError(hr::ADO_OBJECT_CLOSED, QStringLiteral("the connection is not open"));

  auto parsed = search::parseAdoCommand(CommandText);
  if (!parsed)
    return makeError(hr::DB_ERRORS_IN_COMMAND, QStringLiteral("bad command text: %1 at %2")
                                                   .arg(parsed.error().message)
                                                   .arg(parsed.error().position));
  const search::AdoQuery& q = *parsed;
  const Provider provider = q.base.provider == QLatin1String("GC") ? Provider::GC : Provider::Ldap;

  QElapsedTimer timer;
  timer.start();
  auto conn = ActiveConnection->backend().bind(
      q.base.server, provider == Provider::GC ? Protocol::GlobalCatalog : Protocol::Ldap,
      ActiveConnection->credentials());
  if (!conn) return conn.error();
  if (timedOut(timer, ActiveConnection->ConnectionTimeout))
    return makeError(hr::DB_TIMEOUT,
                     QStringLiteral("the server of %1 did not answer in time").arg(q.base.path));

  SearchRequest req;
  if (q.base.dn.isEmpty()) {
    const ServerInfo& info = (*conn)->server();
    req.base = provider == Provider::GC ? info.rootDomainNamingContext : info.defaultNamingContext;
  } else {
    auto dn = Dn::parse(q.base.dn);
    if (!dn) return dn.error();
    req.base = *dn;
  }
  req.scope = backendScope(q.scope);
  req.filter = q.filter.toString();
  for (const QString& a : q.attributes)
    if (!isAdsPath(a) && !req.attributes.contains(a, Qt::CaseInsensitive)) req.attributes.append(a);
  if (q.orderBy && !isAdsPath(*q.orderBy) && !req.attributes.contains(*q.orderBy, Qt::CaseInsensitive))
    req.attributes.append(*q.orderBy);
  // Only adsPath asked for: the entries' names are enough, not all their attributes.
  if (req.attributes.isEmpty()) req.attributes.append(QStringLiteral("distinguishedName"));
  req.pageSize = kPageSize;

  QList<FieldSpec> specs;
  // Only the syntaxes of the attributes asked for: a server's whole schema need not be read.
  QHash<QString, AttributeDef> defs;
  for (const AttributeDef& d : (*conn)->attributeDefs(req.attributes)) defs.insert(d.name.toLower(), d);
  for (const QString& a : q.attributes) specs.append(FieldSpec(a, defs));
  auto record = [&](const Entry& e) {
    QVariantList fields;
    fields.reserve(specs.size());
    for (const FieldSpec& f : specs) fields.append(f.value(e, provider, q.base.server));
    return fields;
  };

  // Each page becomes records at once; only a sorted search keeps its entries until the end.
  QList<QVariantList> records;
  QList<Entry> toSort;
  while (true) {
    auto page = (*conn)->search(req);
    if (!page) return page.error();
    if (page->sizeLimitExceeded)
      return makeError(hr::SIZELIMIT_EXCEEDED,
                       QStringLiteral("the server cut the result of %1 at its size limit").arg(q.base.path));
    if (q.orderBy)
      toSort.append(std::move(page->entries));
    else
      for (const Entry& e : std::as_const(page->entries)) records.append(record(e));
    if (page->cookie.isEmpty()) break;
    // A server may keep one cookie for the whole search (Samba does); only a page that brings
    // nothing and the same cookie again would never end.
    if (page->cookie == req.cookie && page->entries.isEmpty())
      return makeError(hr::E_FAIL, QStringLiteral("the server repeated a paging cookie"));
    req.cookie = page->cookie;
    if (timedOut(timer, CommandTimeout))
      return makeError(hr::DB_TIMEOUT,
                       QStringLiteral("the search took longer than %1 s").arg(CommandTimeout));
  }

  if (q.orderBy) {
    QList<OrderEntry> order;
    order.reserve(toSort.size());
    for (const Entry& e : std::as_const(toSort)) order.append(OrderEntry(e, defs));
    std::stable_sort(order.begin(), order.end(), search::EntryOrder(*q.orderBy));
    records.reserve(order.size());
    for (const OrderEntry& o : std::as_const(order)) records.append(record(o.entry()));
  }
  return AdoRecordset(q.attributes, std::move(records));
}

}  // namespace tavrel::adsi
