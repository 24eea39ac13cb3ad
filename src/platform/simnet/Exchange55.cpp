#include "platform/simnet/Exchange55.h"
#include "platform/simnet/ValueCheck.h"

#include "platform/exchange/Exchange55.h"
#include "platform/security/SecurityDescriptor.h"
#include "platform/simnet/ExchangeSeed.h"
#include "platform/simnet/FilterMatch.h"
#include "platform/simnet/Store.h"

namespace tavrel::simnet {

using namespace adsi;

namespace {

Error err(int code, const QString& message) {
  return ldapError(code, message);
}

QString orgKey(const QString& org) {
  return org.trimmed().toLower();
}

Status ensureTables(Store& st) {
  for (const char* sql :
       {"CREATE TABLE IF NOT EXISTS ex55_servers(name TEXT PRIMARY KEY, org TEXT NOT NULL, site TEXT NOT NULL,"
        " domain TEXT NOT NULL, port INTEGER NOT NULL)",
        "CREATE TABLE IF NOT EXISTS ex55_admins(org TEXT NOT NULL, account TEXT NOT NULL,"
        " PRIMARY KEY(org, account))",
        "CREATE TABLE IF NOT EXISTS ex55_objects(id INTEGER PRIMARY KEY, org TEXT NOT NULL, dnkey TEXT NOT NULL,"
        " parent INTEGER NOT NULL, dn TEXT NOT NULL, attrs BLOB NOT NULL, UNIQUE(org, dnkey))",
        "CREATE INDEX IF NOT EXISTS ex55_objects_parent ON ex55_objects(parent)"})
    if (Status s = st.exec(sql); !s) return s;
  return {};
}

struct Obj {
  qint64 id = 0;
  qint64 parent = 0;
  Dn dn;
  QList<Attribute> attrs;
};

Obj rowToObj(Query& r) {
  Obj o;
  o.id = r.i64(0);
  o.parent = r.i64(1);
  o.dn = Dn::fromFormatted(r.text(2));
  o.attrs = packed::unpack(r.blob(3)).value_or(QList<Attribute>{});
  return o;
}

std::optional<Obj> findObj(Store& st, const QString& org, const Dn& dn) {
  auto r = st.q("SELECT id, parent, dn, attrs FROM ex55_objects WHERE org=? AND dnkey=?");
  r.bind(1, orgKey(org)).bind(2, dn.key());
  if (!r.next()) return std::nullopt;
  return rowToObj(r);
}

QList<Obj> childrenOf(Store& st, qint64 id) {
  QList<Obj> out;
  auto r = st.q("SELECT id, parent, dn, attrs FROM ex55_objects WHERE parent=? ORDER BY id");
  r.bind(1, id);
  while (r.next()) out.append(rowToObj(r));
  return out;
}

QList<Obj> allOf(Store& st, const QString& org) {
  QList<Obj> out;
  auto r = st.q("SELECT id, parent, dn, attrs FROM ex55_objects WHERE org=? ORDER BY id");
  r.bind(1, orgKey(org));
  while (r.next()) out.append(rowToObj(r));
  return out;
}

Attribute* findAttr(QList<Attribute>& attrs, const QString& name) {
  for (Attribute& a : attrs)
    if (a.name.compare(name, Qt::CaseInsensitive) == 0) return &a;
  return nullptr;
}

bool hasClass(const QList<Attribute>& attrs, const QString& cls) {
  for (const Attribute& a : attrs)
    if (a.name.compare(QLatin1String("objectClass"), Qt::CaseInsensitive) == 0)
      for (const QByteArray& v : a.values)
        if (QString::fromUtf8(v).compare(cls, Qt::CaseInsensitive) == 0) return true;
  return false;
}

// The value as the administrator's program writes it: text, possibly followed by NUL bytes.
QByteArray withoutTrailingNuls(QByteArray v) {
  while (v.endsWith('\0')) v.chop(1);
  return v;
}

std::optional<QByteArray> fromHex(const QByteArray& text) {
  if (text.isEmpty() || text.size() % 2) return std::nullopt;
  for (const char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return std::nullopt;
  return QByteArray::fromHex(text);
}

// The checks the server makes on one attribute's values.
Status checkValues(const SchemaCatalog& schema, const QString& name, const Values& values) {
  const AttributeDef* def = schema.attribute(name);
  if (!def) return err(ldap::UNDEFINED_TYPE, QStringLiteral("no attribute %1 in the directory's schema").arg(name));
  if (def->singleValued && values.size() > 1)
    return err(ldap::CONSTRAINT_VIOLATION, QStringLiteral("%1 takes one value").arg(name));
  for (const QByteArray& v : values) {
    if (def->rangeUpper > 0 && QString::fromUtf8(v).size() > def->rangeUpper)
      return err(ldap::CONSTRAINT_VIOLATION, QStringLiteral("%1 is too long").arg(name));
    if (Status s = checkAttributeValue(*def, v); !s) return s;
    if (name.compare(QLatin1String("Assoc-NT-Account"), Qt::CaseInsensitive) == 0) {
      auto bytes = fromHex(withoutTrailingNuls(v));
      if (!bytes || !security::Sid::fromBinary(*bytes))
        return err(ldap::CONSTRAINT_VIOLATION, QStringLiteral("Assoc-NT-Account is not the hex text of a SID"));
    }
    if (name.compare(QLatin1String("NT-Security-Descriptor"), Qt::CaseInsensitive) == 0) {
      auto bytes = fromHex(withoutTrailingNuls(v));
      if (!bytes || !security::SecurityDescriptor::fromSelfRelative(*bytes))
        return err(ldap::CONSTRAINT_VIOLATION,
                   QStringLiteral("NT-Security-Descriptor is not the hex text of a security descriptor"));
    }
  }
  return {};
}

class AttrSource : public AttributeSource {
 public:
  explicit AttrSource(const QList<Attribute>& attrs) : attrs_(attrs) {}
  Values values(const QString& attribute) const override {
    for (const Attribute& a : attrs_)
      if (a.name.compare(attribute, Qt::CaseInsensitive) == 0) return a.values;
    return {};
  }

 private:
  const QList<Attribute>& attrs_;
};

class Ex55Connection : public DirectoryConnection {
 public:
  Ex55Connection(std::shared_ptr<SimNetwork> net, std::shared_ptr<SimExchange55::Faults> faults, QString org,
                 bool admin, ServerInfo info)
      : net_(std::move(net)), faults_(std::move(faults)), org_(std::move(org)), admin_(admin), info_(std::move(info)) {}

  const ServerInfo& server() const override { return info_; }
  std::shared_ptr<const SchemaCatalog> schema() override { return exchange::exchange55Schema(); }

  Result<Entry> rootDse() override {
    Entry e;
    e.attributes = {{QStringLiteral("namingContexts"), {info_.defaultNamingContext.toString().toUtf8()}},
                    {QStringLiteral("dnsHostName"), {info_.host.toUtf8()}},
                    {QStringLiteral("supportedLDAPVersion"), {"2", "3"}}};
    return e;
  }

  Result<Entry> read(const Dn& dn, const QStringList& attributes) override {
    auto o = reach(dn);
    if (!o) return o.error();
    return entry(*o, attributes);
  }

  Result<SearchResult> search(const SearchRequest& req) override {
    auto base = reach(req.base);
    if (!base) return base.error();
    auto filter = compileFilter(req.filter);
    if (!filter) return filter.error();
    SearchResult out;
    auto consider = [&](const Obj& o) {
      if (filter->matches(AttrSource(o.attrs))) out.entries.append(entry(o, req.attributes));
    };
    if (req.scope == Scope::Base) {
      consider(*base);
      return out;
    }
    QList<Obj> level = childrenOf(st(), base->id);
    if (req.scope == Scope::Subtree) consider(*base);
    while (!level.isEmpty()) {
      QList<Obj> next;
      for (const Obj& o : level) {
        consider(o);
        if (req.scope == Scope::Subtree) next += childrenOf(st(), o.id);
      }
      level = std::move(next);
    }
    return out;
  }

  Status add(const Dn& dn, const QList<Attribute>& attributes) override {
    if (Status s = mayWrite(attributes); !s) return s;
    if (!inOrg(dn) || dn.depth() < 2)
      return err(ldap::NO_SUCH_OBJECT, QStringLiteral("%1 is not in this organisation").arg(dn.toString()));
    if (findObj(st(), org_, dn)) return err(ldap::ALREADY_EXISTS, QStringLiteral("%1 exists").arg(dn.toString()));
    auto parent = findObj(st(), org_, dn.parent());
    if (!parent) return err(ldap::NO_SUCH_OBJECT, QStringLiteral("no parent %1").arg(dn.parent().toString()));
    QList<Attribute> attrs;
    for (const Attribute& a : attributes)
      if (!a.values.isEmpty()) attrs.append(a);
    Attribute* classes = findAttr(attrs, QStringLiteral("objectClass"));
    if (!classes) return err(ldap::OBJECT_CLASS_VIOLATION, QStringLiteral("no objectClass"));
    const ClassDef* cls = nullptr;
    for (const QByteArray& v : classes->values) {
      const ClassDef* c = schema()->cls(QString::fromUtf8(v));
      if (!c) return err(ldap::OBJECT_CLASS_VIOLATION, QStringLiteral("no class %1").arg(QString::fromUtf8(v)));
      if (c->name != QLatin1String("top")) cls = c;
    }
    if (!cls) return err(ldap::OBJECT_CLASS_VIOLATION, QStringLiteral("no structural class"));
    if (dn.rdn().type().compare(cls->rdnType, Qt::CaseInsensitive) != 0)
      return err(ldap::NAMING_VIOLATION, QStringLiteral("%1 objects are named by %2").arg(cls->name, cls->rdnType));
    bool superiorOk = false;
    for (const QString& sup : cls->possibleSuperiors) superiorOk = superiorOk || hasClass(parent->attrs, sup);
    if (!superiorOk)
      return err(ldap::NAMING_VIOLATION, QStringLiteral("a %1 can't be placed in %2").arg(cls->name, dn.parent().toString()));
    classes->values = {QByteArray("top"), cls->name.toUtf8()};
    const QString rdnAttr = dn.rdn().type().toLower();
    if (!findAttr(attrs, rdnAttr)) attrs.append({rdnAttr, {dn.rdn().value().toUtf8()}});
    for (const Attribute& a : attrs) {
      if (a.name.compare(QLatin1String("objectClass"), Qt::CaseInsensitive) == 0) continue;
      if (Status s = checkValues(*schema(), a.name, a.values); !s) return s;
      if (Status s = checkMembers(a); !s) return s;
    }
    auto q = st().q("INSERT INTO ex55_objects(org, dnkey, parent, dn, attrs) VALUES(?,?,?,?,?)");
    q.bind(1, orgKey(org_)).bind(2, dn.key()).bind(3, parent->id).bind(4, dn.toString()).bindBlob(5, packed::pack(attrs));
    if (!q.run()) return st().dbError(QStringLiteral("cannot add %1").arg(dn.toString()));
    return {};
  }

  Status modify(const Dn& dn, const QList<Modification>& changes) override {
    QList<Attribute> touched;
    for (const Modification& m : changes) touched.append({m.attribute, m.values});
    if (Status s = mayWrite(touched); !s) return s;
    auto o = reach(dn);
    if (!o) return o.error();
    QList<Attribute> attrs = o->attrs;
    for (const Modification& m : changes) {
      if (m.attribute.compare(QLatin1String("objectClass"), Qt::CaseInsensitive) == 0)
        return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("the class of an object can't change"));
      const AttributeDef* def = schema()->attribute(m.attribute);
      if (!def)
        return err(ldap::UNDEFINED_TYPE, QStringLiteral("no attribute %1 in the directory's schema").arg(m.attribute));
      Attribute* a = findAttr(attrs, def->name);
      if (!a) {
        attrs.append({def->name, {}});
        a = &attrs.last();
      }
      switch (m.op) {
        case ModOp::Replace:
          a->values = m.values;
          break;
        case ModOp::Add:
          for (const QByteArray& v : m.values) {
            for (const QByteArray& have : a->values)
              if (QString::fromUtf8(have).compare(QString::fromUtf8(v), Qt::CaseInsensitive) == 0)
                return err(ldap::TYPE_OR_VALUE_EXISTS, QStringLiteral("%1 holds that value already").arg(def->name));
            a->values.append(v);
          }
          break;
        case ModOp::Delete:
          if (m.values.isEmpty()) {
            if (a->values.isEmpty()) return err(ldap::NO_SUCH_ATTRIBUTE, QStringLiteral("no %1").arg(def->name));
            a->values.clear();
          }
          for (const QByteArray& v : m.values) {
            const qsizetype before = a->values.size();
            a->values.removeIf([&](const QByteArray& have) {
              return QString::fromUtf8(have).compare(QString::fromUtf8(v), Qt::CaseInsensitive) == 0;
            });
            if (a->values.size() == before)
              return err(ldap::NO_SUCH_ATTRIBUTE, QStringLiteral("%1 does not hold that value").arg(def->name));
          }
          break;
      }
      if (Status s = checkValues(*schema(), def->name, a->values); !s && !a->values.isEmpty()) return s;
      if (m.op != ModOp::Delete)
        if (Status s = checkMembers(Attribute{def->name, m.values}); !s) return s;
    }
    attrs.removeIf([](const Attribute& a) { return a.values.isEmpty(); });
    auto q = st().q("UPDATE ex55_objects SET attrs=? WHERE id=?");
    q.bindBlob(1, packed::pack(attrs)).bind(2, o->id);
    if (!q.run()) return st().dbError(QStringLiteral("cannot change %1").arg(dn.toString()));
    return {};
  }

  Status remove(const Dn& dn) override {
    if (Status s = mayWrite({}); !s) return s;
    auto o = reach(dn);
    if (!o) return o.error();
    if (faults_->deletes) return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("the server refuses the deletion"));
    if (!childrenOf(st(), o->id).isEmpty())
      return err(ldap::NOT_ALLOWED_ON_NONLEAF, QStringLiteral("%1 is not empty").arg(dn.toString()));
    if (Status s = st().begin(); !s) return s;
    // The recipient leaves every distribution list it was in.
    const QString key = dn.key();
    for (Obj& list : allOf(st(), org_)) {
      Attribute* members = findAttr(list.attrs, QStringLiteral("member"));
      if (!members) continue;
      const qsizetype before = members->values.size();
      members->values.removeIf([&](const QByteArray& v) {
        auto m = Dn::parse(QString::fromUtf8(v));
        return m && m->key() == key;
      });
      if (members->values.size() == before) continue;
      list.attrs.removeIf([](const Attribute& a) { return a.values.isEmpty(); });
      auto q = st().q("UPDATE ex55_objects SET attrs=? WHERE id=?");
      q.bindBlob(1, packed::pack(list.attrs)).bind(2, list.id);
      if (!q.run()) {
        st().rollback();
        return st().dbError(QStringLiteral("cannot change %1").arg(list.dn.toString()));
      }
    }
    auto q = st().q("DELETE FROM ex55_objects WHERE id=?");
    q.bind(1, o->id);
    if (!q.run()) {
      st().rollback();
      return st().dbError(QStringLiteral("cannot delete %1").arg(dn.toString()));
    }
    return st().commit();
  }

  Status rename(const Dn& dn, const Rdn&, const std::optional<Dn>&) override {
    return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("%1 can't be renamed or moved over LDAP").arg(dn.toString()));
  }
  Status setPassword(const Dn& dn, const QString&) override {
    return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("%1 has no password").arg(dn.toString()));
  }

 private:
  Store& st() const { return net_->store(); }

  bool inOrg(const Dn& dn) const {
    return !dn.isEmpty() && dn.isWithin(info_.defaultNamingContext);
  }

  Result<Obj> reach(const Dn& dn) {
    std::optional<Obj> o;
    if (inOrg(dn)) o = findObj(st(), org_, dn);
    if (!o) return err(ldap::NO_SUCH_OBJECT, QStringLiteral("no object %1").arg(dn.toString()));
    return *o;
  }

  Status mayWrite(const QList<Attribute>& attrs) const {
    if (!admin_)
      return err(ldap::INSUFFICIENT_ACCESS,
                 QStringLiteral("the account has no administrative rights on the organisation %1").arg(org_));
    if (!faults_->attribute.isEmpty())
      for (const Attribute& a : attrs)
        if (a.name.compare(faults_->attribute, Qt::CaseInsensitive) == 0)
          return err(faults_->code, QStringLiteral("the server refuses %1").arg(a.name));
    return {};
  }

  // Every member of a distribution list is a recipient of this directory.
  Status checkMembers(const Attribute& a) {
    if (a.name.compare(QLatin1String("member"), Qt::CaseInsensitive) != 0) return {};
    for (const QByteArray& v : a.values) {
      auto dn = Dn::parse(QString::fromUtf8(v));
      if (!dn || !inOrg(*dn) || !findObj(st(), org_, *dn))
        return err(ldap::NO_SUCH_OBJECT, QStringLiteral("no recipient %1").arg(QString::fromUtf8(v)));
    }
    return {};
  }

  Entry entry(const Obj& o, const QStringList& attributes) const {
    Entry e;
    e.dn = o.dn;
    for (const Attribute& a : o.attrs) {
      bool wanted = attributes.isEmpty() || a.name.compare(QLatin1String("objectClass"), Qt::CaseInsensitive) == 0;
      for (const QString& n : attributes) wanted = wanted || n.compare(a.name, Qt::CaseInsensitive) == 0;
      if (wanted) e.attributes.append(a);
    }
    return e;
  }

  std::shared_ptr<SimNetwork> net_;
  std::shared_ptr<SimExchange55::Faults> faults_;
  QString org_;
  bool admin_;
  ServerInfo info_;
};

// "DOMAIN\user" in capitals, with the NetBIOS name of the domain the name gives (or `domain`).
QString canonicalAccount(SimNetwork& net, const QString& user, const QString& domain) {
  QString d = domain, name = user;
  if (user.contains(u'\\')) {
    d = user.section(u'\\', 0, 0);
    name = user.section(u'\\', 1);
  } else if (user.contains(u'@')) {
    d = user.section(u'@', 1);
    name = user.section(u'@', 0, 0);
  }
  for (const DomainInfo& info : net.browseDomains())
    if (info.dnsName.compare(d, Qt::CaseInsensitive) == 0 || info.netbiosName.compare(d, Qt::CaseInsensitive) == 0)
      d = info.netbiosName;
  return (d + u'\\' + name).toUpper();
}

}  // namespace

SimExchange55::SimExchange55(std::shared_ptr<SimNetwork> network)
    : net_(std::move(network)), faults_(std::make_shared<Faults>()) {
  (void)ensureTables(net_->store());
}

void SimExchange55::refuseAttribute(const QString& attribute, int code) {
  faults_->attribute = attribute;
  faults_->code = code;
}

void SimExchange55::refuseDeletes(bool refuse) {
  faults_->deletes = refuse;
}

Result<std::shared_ptr<DirectoryConnection>> SimExchange55::bind(const QString& server, Protocol protocol,
                                                                 const std::optional<Credentials>& credentials) {
  const QString name = server.section(u':', 0, 0).trimmed();
  const QString portText = server.contains(u':') ? server.section(u':', 1) : QString();
  auto down = [&server] { return err(ldap::SERVER_DOWN, QStringLiteral("the server %1 is not operational").arg(server)); };
  if (name.isEmpty() || protocol != Protocol::Ldap) return down();
  Store& st = net_->store();
  QString org, site, domain;
  int port = 389;
  {
    auto r = st.q("SELECT org, site, domain, port FROM ex55_servers WHERE name=?");
    r.bind(1, name.toUpper());
    if (!r.next()) return down();
    org = r.text(0);
    site = r.text(1);
    domain = r.text(2);
    port = static_cast<int>(r.i64(3));
  }
  bool portOk = true;
  const int asked = portText.isEmpty() ? 389 : portText.toInt(&portOk);
  if (!portOk || asked != port || !serverAnswers(*net_, name)) return down();

  QString account;
  if (credentials) {
    // The server takes NT credentials: its domain checks them.
    auto checked = net_->bind(domain, Protocol::Sam, credentials);
    if (!checked) {
      if (checked.code() == hr::LOGON_FAILURE) return checked.error();
      return err(ldap::INVALID_CREDENTIALS, QStringLiteral("the credentials could not be checked: %1")
                                                .arg(checked.error().message));
    }
    account = canonicalAccount(*net_, credentials->user, (*checked)->server().domain.netbiosName);
  } else {
    auto who = net_->loggedOnUser();
    if (!who) return err(ldap::INVALID_CREDENTIALS, QStringLiteral("no one is logged on"));
    account = (who->domain + u'\\' + who->user).toUpper();
  }
  bool admin = false;
  {
    auto r = st.q("SELECT 1 FROM ex55_admins WHERE org=? AND account=?");
    r.bind(1, orgKey(org)).bind(2, account);
    admin = r.next();
  }
  ServerInfo info;
  info.host = name.toUpper();
  info.domain.netbiosName = domain;
  info.defaultNamingContext = Dn().child(Rdn(QStringLiteral("O"), org));
  return std::shared_ptr<DirectoryConnection>(
      std::make_shared<Ex55Connection>(net_, faults_, org, admin, std::move(info)));
}

Status SimExchange55::addObject(const QString& organization, const Dn& dn, const QList<Attribute>& attrs) {
  Store& st = net_->store();
  if (findObj(st, organization, dn)) return {};
  qint64 parentId = 0;
  if (dn.depth() > 1) {
    auto parent = findObj(st, organization, dn.parent());
    if (!parent) return err(ldap::NO_SUCH_OBJECT, QStringLiteral("no parent %1").arg(dn.parent().toString()));
    parentId = parent->id;
  }
  QList<Attribute> all = attrs;
  const QString rdnAttr = dn.rdn().type().toLower();
  if (!findAttr(all, rdnAttr)) all.append({rdnAttr, {dn.rdn().value().toUtf8()}});
  auto q = st.q("INSERT INTO ex55_objects(org, dnkey, parent, dn, attrs) VALUES(?,?,?,?,?)");
  q.bind(1, orgKey(organization)).bind(2, dn.key()).bind(3, parentId).bind(4, dn.toString()).bindBlob(5, packed::pack(all));
  if (!q.run()) return st.dbError(QStringLiteral("cannot add %1").arg(dn.toString()));
  return {};
}

Status SimExchange55::addServer(const Exchange55ServerSpec& spec) {
  if (Status s = net_->addServer(spec.server, spec.domain, ServerRole::Exchange55); !s) return s;
  Store& st = net_->store();
  {
    auto q = st.q("INSERT OR REPLACE INTO ex55_servers(name, org, site, domain, port) VALUES(?,?,?,?,?)");
    q.bind(1, spec.server.toUpper()).bind(2, spec.organization).bind(3, spec.site).bind(4, spec.domain).bind(5, spec.port);
    if (!q.run()) return st.dbError(QStringLiteral("cannot add the server %1").arg(spec.server));
  }
  for (const QString& admin : spec.administrators) {
    auto q = st.q("INSERT OR IGNORE INTO ex55_admins(org, account) VALUES(?,?)");
    q.bind(1, orgKey(spec.organization)).bind(2, canonicalAccount(*net_, admin, spec.domain));
    if (!q.run()) return st.dbError(QStringLiteral("cannot record the administrator %1").arg(admin));
  }
  auto cls = [](const char* c) { return Attribute{QStringLiteral("objectClass"), {"top", c}}; };
  const Dn org = Dn().child(Rdn(QStringLiteral("O"), spec.organization));
  const Dn site = org.child(Rdn(QStringLiteral("OU"), spec.site));
  if (Status s = addObject(spec.organization, org, {cls("organization")}); !s) return s;
  if (Status s = addObject(spec.organization, site, {cls("organizationalUnit")}); !s) return s;
  for (const char* c : {"Configuration", "Recipients"})
    if (Status s = addObject(spec.organization, site.child(Rdn(QStringLiteral("CN"), QString::fromLatin1(c))),
                             {cls("Container")});
        !s)
      return s;
  return {};
}

std::shared_ptr<SimExchange55> installExchange55(const std::shared_ptr<SimNetwork>& network) {
  auto servers = std::make_shared<SimExchange55>(network);
  exchange::setExchange55Directory(servers);
  return servers;
}

}  // namespace tavrel::simnet
