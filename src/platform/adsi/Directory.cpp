#include "platform/adsi/Directory.h"

#include "platform/adsi/AccountChecks.h"
#include "platform/adsi/ObjectImpl.h"
#include "platform/adsi/Schema.h"
#include "platform/adsi/SchemaCatalog.h"
#include "platform/adsi/Values.h"
#include "platform/search/Filter.h"

#include <QDateTime>
#include <QSet>

#include <algorithm>

namespace tavrel::adsi {
namespace {

Error notFound(const QString& name) {
  return makeError(hr::PROPERTY_NOT_FOUND,
                   QStringLiteral("the property \"%1\" is not in the cache").arg(name));
}

QVariantList decodeAll(const SchemaCatalog& schema, const QString& attribute, const Values& values) {
  const Syntax s = schema.syntaxOf(attribute);
  QVariantList out;
  out.reserve(values.size());
  for (const QByteArray& v : values) out.append(decodeValue(s, v));
  return out;
}

Result<Values> encodeAll(const SchemaCatalog& schema, const QString& attribute, const QVariantList& values) {
  const Syntax s = schema.syntaxOf(attribute);
  Values out;
  for (const QVariant& v : values) {
    auto e = encodeValue(s, v);
    if (!e) return e.error();
    out.append(std::move(*e));
  }
  return out;
}

// A Put value as the list of values it stands for.
QVariantList asList(const QVariant& v) {
  if (v.typeId() == QMetaType::QVariantList) return v.toList();
  if (v.typeId() == QMetaType::QStringList) {
    QVariantList out;
    for (const QString& s : v.toStringList()) out.append(s);
    return out;
  }
  return QVariantList{v};
}

// "Never" as the date interface reports it: 1 January 1970.
QDateTime neverDate() {
  return QDateTime(QDate(1970, 1, 1), QTime(0, 0));
}

// A caller's date: a QDateTime, a QDate (local midnight), or a day number as the date type keeps
// it (days since 30 December 1899).
std::optional<QDateTime> toDateTime(const QVariant& v) {
  if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
  if (v.typeId() == QMetaType::QDate) return QDateTime(v.toDate(), QTime(0, 0));
  if (v.typeId() == QMetaType::QString) {
    const QDateTime t = QDateTime::fromString(v.toString(), Qt::ISODate);
    if (t.isValid()) return t;
    const QDate d = QDate::fromString(v.toString(), Qt::ISODate);
    if (d.isValid()) return QDateTime(d, QTime(0, 0));
    return std::nullopt;
  }
  bool ok = false;
  const double days = v.toDouble(&ok);
  if (!ok) return std::nullopt;
  return QDateTime(QDate(1899, 12, 30), QTime(0, 0)).addMSecs(static_cast<qint64>(days * 86400000.0));
}

QString filterEscapeBinary(const QByteArray& bytes) {
  QString out;
  for (const char c : bytes)
    out += QStringLiteral("\\%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
  return out;
}

// The objectClass values an object of `className` will have (the schema's chain when it knows it).
QStringList classChain(const QString& className) {
  const ClassDef* def = findClass(className);
  return def ? def->chain : QStringList{className};
}

bool chainHas(const QStringList& chain, const QString& cls) {
  return chain.contains(cls, Qt::CaseInsensitive);
}

QStringList decodeChain(const Entry& e) {
  QStringList chain;
  if (const Attribute* a = e.find(QStringLiteral("objectClass")))
    for (const QByteArray& v : a->values) chain.append(QString::fromUtf8(v));
  return chain;
}

// Reads the current userAccountControl from the cache (staged value included).
Result<qint32> currentUac(PropertyCache& cache) {
  auto v = cache.current(QStringLiteral("userAccountControl"));
  if (!v) return v.error();
  if (!v->has_value()) return notFound(QStringLiteral("userAccountControl"));
  return static_cast<qint32>((**v).first().toLongLong());
}

// The lockout and password-expired state: a constructed attribute, read on request only.
Result<qint32> computedFlags(PropertyCache& cache) {
  if (cache.isNew()) return 0;
  const QString name = QStringLiteral("msDS-User-Account-Control-Computed");
  auto e = cache.conn().read(cache.dn(), {name});
  if (!e) return e.error();
  return static_cast<qint32>(e->first(name).toLongLong());
}

// Shared Get/Put logic of the account properties both providers expose.
Result<QVariantList> getMapped(PropertyCache& cache, const PropertyMapping& m, const QString& name,
                               bool winnt) {
  switch (m.kind) {
    case PropertyKind::AccountDisabled: {
      auto u = currentUac(cache);
      if (!u) return u.error();
      return QVariantList{QVariant((*u & uac::ACCOUNTDISABLE) != 0)};
    }
    case PropertyKind::IsAccountLocked: {
      auto f = computedFlags(cache);
      if (!f) return f.error();
      return QVariantList{QVariant((*f & uac::LOCKOUT) != 0)};
    }
    case PropertyKind::AccountExpirationDate: {
      auto v = cache.current(m.attribute);
      if (!v) return v.error();
      const qint64 ticks = v->has_value() ? (**v).first().toLongLong() : 0;
      if (ticks == 0 || ticks == kNeverExpires) {
        // The WinNT provider has no date for "never"; the LDAP one reports 1 January 1970.
        if (winnt) return notFound(name);
        return QVariantList{QVariant(neverDate())};
      }
      return QVariantList{QVariant(dateTimeFromFileTime(ticks).toLocalTime())};
    }
    case PropertyKind::PasswordLastChanged: {
      auto v = cache.current(m.attribute);
      if (!v) return v.error();
      if (!v->has_value() || (**v).first().toLongLong() == 0) return notFound(name);
      return QVariantList{QVariant(dateTimeFromFileTime((**v).first().toLongLong()).toLocalTime())};
    }
    case PropertyKind::PasswordExpired: {
      auto v = cache.current(m.attribute);
      if (!v) return v.error();
      auto f = computedFlags(cache);
      if (!f) return f.error();
      const bool expired =
          !v->has_value() || (**v).first().toLongLong() == 0 || (*f & uac::PASSWORD_EXPIRED) != 0;
      return QVariantList{QVariant(static_cast<qint32>(expired ? 1 : 0))};
    }
    case PropertyKind::UserFlags: {
      auto u = currentUac(cache);
      if (!u) return u.error();
      auto f = computedFlags(cache);
      if (!f) return f.error();
      return QVariantList{QVariant(static_cast<qint32>((*u & ~uac::LOCKOUT) | (*f & uac::LOCKOUT)))};
    }
    case PropertyKind::WinNTGroupType: {
      auto v = cache.current(m.attribute);
      if (!v) return v.error();
      if (!v->has_value()) return notFound(name);
      const qint32 t = static_cast<qint32>((**v).first().toLongLong());
      return QVariantList{
          QVariant(static_cast<qint32>((t & (grouptype::DOMAIN_LOCAL | grouptype::BUILTIN_LOCAL)) ? 4 : 2))};
    }
    case PropertyKind::LoginHoursWinNT: {
      auto v = cache.current(m.attribute);
      if (!v) return v.error();
      if (!v->has_value()) return QVariantList{QVariant(QByteArray(21, char(0xFF)))};
      return QVariantList{QVariant((**v).first())};
    }
    case PropertyKind::WinNTName:
    case PropertyKind::Attribute: {
      auto v = cache.current(m.attribute);
      if (!v) return v.error();
      if (!v->has_value()) {
        if (m.ntText) return QVariantList{QVariant(QString())};
        return notFound(name);
      }
      return decodeAll(*cache.conn().schema(), m.attribute, **v);
    }
  }
  return notFound(name);
}

Status putMapped(PropertyCache& cache, const PropertyMapping& m, const QString& name,
                 const QVariantList& values, int control, bool winnt) {
  if (m.kind != PropertyKind::Attribute && control != ADS_PROPERTY_UPDATE)
    return makeError(hr::BAD_PARAMETER, QStringLiteral("\"%1\" takes one value").arg(name));
  const QVariant v = values.isEmpty() ? QVariant() : values.first();
  auto one = [&](const QString& attr, const QByteArray& wire) {
    cache.stage(ModOp::Replace, attr, Values{wire});
    return Status();
  };
  switch (m.kind) {
    case PropertyKind::AccountDisabled: {
      auto u = currentUac(cache);
      if (!u) return u.error();
      const qint32 next = v.toBool() ? (*u | uac::ACCOUNTDISABLE) : (*u & ~uac::ACCOUNTDISABLE);
      return one(m.attribute, QByteArray::number(next));
    }
    case PropertyKind::IsAccountLocked:
      if (v.toBool())
        return makeError(hr::BAD_PARAMETER, QStringLiteral("an account cannot be locked by a write"));
      return one(m.attribute, "0");
    case PropertyKind::AccountExpirationDate: {
      const auto when = toDateTime(v);
      if (!when || !when->isValid())
        return makeError(hr::CANT_CONVERT_DATATYPE, QStringLiteral("not a date"));
      // 1 January 1970 means "never"; the WinNT provider also takes any earlier date for it.
      const bool never = winnt ? when->date() <= QDate(1970, 1, 1) : when->date() == QDate(1970, 1, 1);
      return one(m.attribute, QByteArray::number(never ? kNeverExpires : fileTimeFromDateTime(*when)));
    }
    case PropertyKind::PasswordExpired: {
      bool ok = false;
      const qint64 n = v.toLongLong(&ok);
      if (!ok) return makeError(hr::CANT_CONVERT_DATATYPE, QStringLiteral("PasswordExpired takes 0 or 1"));
      return one(m.attribute, n != 0 ? QByteArray("0") : QByteArray("-1"));
    }
    case PropertyKind::UserFlags: {
      bool ok = false;
      const qint64 n = v.toLongLong(&ok);
      if (!ok) return makeError(hr::CANT_CONVERT_DATATYPE, QStringLiteral("UserFlags takes an integer"));
      auto f = computedFlags(cache);
      if (!f) return f.error();
      const qint32 flags = static_cast<qint32>(n);
      if ((*f & uac::LOCKOUT) && !(flags & uac::LOCKOUT))
        cache.stage(ModOp::Replace, QStringLiteral("lockoutTime"), Values{"0"});
      return one(m.attribute, QByteArray::number(flags & ~uac::LOCKOUT));
    }
    case PropertyKind::PasswordLastChanged:
    case PropertyKind::WinNTGroupType:
    case PropertyKind::WinNTName:
      return makeError(hr::PROPERTY_NOT_SUPPORTED, QStringLiteral("\"%1\" cannot be written").arg(name));
    case PropertyKind::LoginHoursWinNT:
    case PropertyKind::Attribute: {
      if (control == ADS_PROPERTY_CLEAR) {
        cache.stage(ModOp::Replace, m.attribute, {});
        return {};
      }
      if (m.ntText && values.size() == 1 && v.toString().isEmpty()) {
        cache.stage(ModOp::Replace, m.attribute, {});
        return {};
      }
      auto enc = encodeAll(*cache.conn().schema(), m.attribute, values);
      if (!enc) return enc.error();
      cache.stage(control == ADS_PROPERTY_APPEND ? ModOp::Add : ModOp::Replace, m.attribute, std::move(*enc));
      return {};
    }
  }
  return {};
}

// ---------------------------------------------------------------------------------------------
// LDAP and GC objects

class LdapObject : public ObjectImpl {
 public:
  LdapObject(std::shared_ptr<Session> s, Provider p, QString server,
             std::shared_ptr<DirectoryConnection> conn, Dn dn, QStringList chain, bool isNew)
      : session_(std::move(s)),
        provider_(p),
        server_(std::move(server)),
        cache_(std::move(conn), std::move(dn), isNew),
        chain_(std::move(chain)) {}

  QString name() const override { return cache_.dn().isEmpty() ? QString() : cache_.dn().rdn().toString(); }
  QString className() const override { return chain_.isEmpty() ? QString() : chain_.last(); }
  QString adsPath() const override { return formatLdapPath(provider_, server_, cache_.dn()); }
  QString parent() const override { return formatLdapPath(provider_, server_, cache_.dn().parent()); }
  const Dn& dn() const { return cache_.dn(); }
  void prime(Entry e, QStringList deferred) { cache_.prime(std::move(e), std::move(deferred)); }
  void primePartial(Entry e) { cache_.primePartial(std::move(e)); }

  Result<QVariantList> getEx(const QString& name) override {
    return getMapped(cache_, mapLdapProperty(name), name, false);
  }
  Status put(const QString& name, const QVariantList& values, int control) override {
    return putMapped(cache_, mapLdapProperty(name), name, values, control, false);
  }
  Status setInfo() override { return cache_.commit(); }
  Status putAndSetInfo(const QList<std::pair<QString, QVariant>>& values) override {
    const QList<Modification> before = cache_.staged();
    Status s;
    for (const auto& [name, value] : values) {
      const qsizetype count = cache_.staged().size();
      s = put(name, asList(value), ADS_PROPERTY_UPDATE);
      // Each value must be a change of its own: one merged into another, or a put that stages
      // more than its attribute, would not be refused or kept as it alone would be.
      if (s && cache_.staged().size() != count + 1)
        s = makeError(hr::E_INVALIDARG, QStringLiteral("\"%1\" is not a change of its own").arg(name));
      if (!s) break;
    }
    if (s) s = cache_.commit();
    if (!s) cache_.restage(before);
    return s;
  }
  Status getInfo() override { return cache_.load(); }
  Status getInfoEx(const QStringList& attributes) override { return cache_.loadSome(attributes); }

  std::shared_ptr<ObjectImpl> makeChild(const Dn& dn, QStringList chain, bool isNew) const {
    return std::make_shared<LdapObject>(session_, provider_, server_, cache_.connection(), dn,
                                        std::move(chain), isNew);
  }

  Result<QList<AdsObject>> children() override {
    if (Status s = bound(); !s) return s.error();
    QList<AdsObject> out;
    SearchRequest req;
    req.base = cache_.dn();
    req.scope = Scope::OneLevel;
    req.attributes = {QStringLiteral("objectClass")};
    req.pageSize = 1000;
    do {
      auto page = cache_.conn().search(req);
      if (!page) return page.error();
      for (const Entry& e : page->entries) {
        QStringList chain = decodeChain(e);
        if (!filter.isEmpty()) {
          bool match = false;
          for (const QString& f : filter) match = match || chainHas(chain, f);
          if (!match) continue;
        }
        out.append(AdsObject(makeChild(e.dn, std::move(chain), false)));
      }
      req.cookie = page->cookie;
    } while (!req.cookie.isEmpty());
    return out;
  }

  Result<AdsObject> create(const QString& className, const QString& relativeName) override {
    if (Status s = bound(); !s) return s.error();
    if (className.trimmed().isEmpty())
      return makeError(hr::OBJ_CLASS_VIOLATION, QStringLiteral("no class given"));
    auto rdn = Rdn::parse(relativeName);
    if (!rdn) return rdn.error();
    auto obj = std::make_shared<LdapObject>(session_, provider_, server_, cache_.connection(),
                                            cache_.dn().child(*rdn), classChain(className), true);
    obj->cache_.stage(ModOp::Replace, QStringLiteral("objectClass"), Values{className.toUtf8()});
    return AdsObject(obj);
  }

  // Reads the child named `relativeName` and checks its class.
  Result<std::pair<Dn, QStringList>> child(const QString& className, const QString& relativeName) {
    if (Status s = bound(); !s) return s.error();
    auto rdn = Rdn::parse(relativeName);
    if (!rdn) return rdn.error();
    const Dn dn = cache_.dn().child(*rdn);
    auto e = cache_.conn().read(dn, {QStringLiteral("objectClass")});
    if (!e) return e.error();
    QStringList chain = decodeChain(*e);
    if (!className.isEmpty() && !chainHas(chain, className))
      return makeError(hr::NO_SUCH_OBJECT,
                       QStringLiteral("\"%1\" is not of class \"%2\"").arg(relativeName, className));
    return std::make_pair(e->dn, chain);
  }

  Status remove(const QString& className, const QString& relativeName) override {
    auto c = child(className, relativeName);
    if (!c) return c.error();
    return cache_.conn().remove(c->first);
  }

  Result<AdsObject> getObject(const QString& className, const QString& relativeName) override {
    auto c = child(className, relativeName);
    if (!c) return c.error();
    return AdsObject(makeChild(c->first, c->second, false));
  }

  Result<AdsObject> moveHere(const QString& sourcePath, const QString& newName) override {
    if (Status s = bound(); !s) return s.error();
    auto src = AdsPath::parse(sourcePath);
    if (!src) return src.error();
    if (src->provider != Provider::Ldap || src->kind != AdsPath::Kind::Object)
      return makeError(hr::BAD_PATHNAME, QStringLiteral("\"%1\" is not an LDAP object path").arg(sourcePath));
    Rdn rdn = src->dn.rdn();
    if (!newName.isEmpty()) {
      auto r = Rdn::parse(newName);
      if (!r) return r.error();
      rdn = *r;
    }
    std::optional<Dn> superior;
    if (!(src->dn.parent() == cache_.dn())) superior = cache_.dn();
    if (Status s = cache_.conn().rename(src->dn, rdn, superior); !s) return s.error();
    const Dn moved = cache_.dn().child(rdn);
    auto e = cache_.conn().read(moved, {QStringLiteral("objectClass")});
    if (!e) return e.error();
    return AdsObject(makeChild(e->dn, decodeChain(*e), false));
  }

  Status setPassword(const QString& password) override {
    if (!chainHas(chain_, QStringLiteral("user"))) return unsupported("SetPassword");
    if (Status s = bound(); !s) return s;
    if (Status s = cache_.conn().setPassword(cache_.dn(), password); !s) return s;
    cache_.invalidate();
    return {};
  }

  Result<QList<AdsObject>> groups() override {
    if (!chainHas(chain_, QStringLiteral("user"))) return unsupported("Groups");
    if (Status s = bound(); !s) return s.error();
    auto v = cache_.current(QStringLiteral("memberOf"));
    if (!v) return v.error();
    QList<AdsObject> out;
    if (v->has_value())
      for (const QByteArray& d : **v) {
        auto dn = Dn::parse(QString::fromUtf8(d));
        if (dn)
          out.append(AdsObject(makeChild(*dn, {QStringLiteral("top"), QStringLiteral("group")}, false)));
      }
    return out;
  }

  Result<QList<AdsObject>> members() override {
    if (!chainHas(chain_, QStringLiteral("group"))) return unsupported("Members");
    if (Status s = bound(); !s) return s.error();
    auto v = cache_.current(QStringLiteral("member"));
    if (!v) return v.error();
    QList<AdsObject> out;
    if (v->has_value())
      for (const QByteArray& d : **v) {
        auto dn = Dn::parse(QString::fromUtf8(d));
        if (!dn) continue;
        auto e = cache_.conn().read(*dn, {QStringLiteral("objectClass")});
        if (!e) continue;
        out.append(AdsObject(makeChild(e->dn, decodeChain(*e), false)));
      }
    return out;
  }

  Result<Dn> memberDn(const QString& path);

  Status changeMember(const QString& path, ModOp op) {
    if (!chainHas(chain_, QStringLiteral("group"))) return unsupported(op == ModOp::Add ? "Add" : "Remove");
    if (Status s = bound(); !s) return s;
    auto dn = memberDn(path);
    if (!dn) return dn.error();
    if (Status s = cache_.conn().modify(
            cache_.dn(), {Modification{op, QStringLiteral("member"), {dn->toString().toUtf8()}}});
        !s)
      return s;
    cache_.invalidate();
    return {};
  }
  Status addMember(const QString& path) override { return changeMember(path, ModOp::Add); }
  Status removeMember(const QString& path) override { return changeMember(path, ModOp::Delete); }

  Result<bool> isMember(const QString& path) override {
    if (!chainHas(chain_, QStringLiteral("group"))) return unsupported("IsMember");
    if (Status s = bound(); !s) return s.error();
    auto dn = memberDn(path);
    if (!dn) return dn.error();
    auto e = cache_.conn().read(*dn, {QStringLiteral("memberOf")});
    if (!e) return e.error();
    const QString key = cache_.dn().key();
    if (const Attribute* a = e->find(QStringLiteral("memberOf")))
      for (const QByteArray& v : a->values)
        if (QString::fromUtf8(v).toLower() == key) return true;
    return false;
  }

 private:
  Status bound() const {
    if (cache_.isNew())
      return makeError(hr::OBJECT_UNBOUND, QStringLiteral("the object has not been created yet"));
    return {};
  }

  std::shared_ptr<Session> session_;
  Provider provider_;
  QString server_;
  PropertyCache cache_;
  QStringList chain_;
};

// ---------------------------------------------------------------------------------------------
// RootDSE

class RootDseObject : public ObjectImpl {
 public:
  RootDseObject(QString server, Entry entry) : server_(std::move(server)), entry_(std::move(entry)) {}
  QString name() const override { return QStringLiteral("RootDSE"); }
  QString className() const override { return QString(); }
  QString adsPath() const override {
    return QStringLiteral("LDAP://") + (server_.isEmpty() ? QString() : server_ + u'/') +
           QStringLiteral("RootDSE");
  }
  QString parent() const override { return QStringLiteral("LDAP:"); }
  Result<QVariantList> getEx(const QString& name) override {
    const Attribute* a = entry_.find(name);
    if (!a || a->values.isEmpty()) return notFound(name);
    return decodeAll(*builtinSchema(), name, a->values);
  }

 private:
  QString server_;
  Entry entry_;
};

// ---------------------------------------------------------------------------------------------
// Namespaces: "WinNT:", "LDAP:", "GC:"

class SimpleObject : public ObjectImpl {
 public:
  SimpleObject(QString name, QString cls, QString path, QString parent)
      : name_(std::move(name)), cls_(std::move(cls)), path_(std::move(path)), parent_(std::move(parent)) {}
  QString name() const override { return name_; }
  QString className() const override { return cls_; }
  QString adsPath() const override { return path_; }
  QString parent() const override { return parent_; }

 private:
  QString name_, cls_, path_, parent_;
};

class NamespaceObject : public ObjectImpl {
 public:
  NamespaceObject(std::shared_ptr<Session> s, Provider p) : session_(std::move(s)), provider_(p) {}
  QString name() const override { return providerPrefix(provider_); }
  QString className() const override { return QStringLiteral("Namespace"); }
  QString adsPath() const override { return providerPrefix(provider_); }
  QString parent() const override { return QStringLiteral("ADs:"); }

  Result<QList<AdsObject>> children() override {
    QList<AdsObject> out;
    const QList<DomainInfo> domains = session_->backend->browseDomains();
    if (provider_ == Provider::WinNT) {
      for (const DomainInfo& d : domains) {
        auto obj = std::make_shared<SimpleObject>(d.netbiosName, QStringLiteral("Domain"),
                                                  formatWinNTPath(d.netbiosName), QStringLiteral("WinNT:"));
        if (filter.isEmpty() || filter.contains(QStringLiteral("domain"), Qt::CaseInsensitive))
          out.append(AdsObject(obj));
      }
      return out;
    }
    QStringList roots;
    for (const DomainInfo& d : domains)
      if (d.kind == DomainKind::ActiveDirectory && !d.forestRoot.isEmpty() &&
          !roots.contains(d.forestRoot, Qt::CaseInsensitive))
        roots.append(d.forestRoot);
    for (const QString& r : roots) {
      const QString path = providerPrefix(provider_) + QStringLiteral("//") + r;
      out.append(AdsObject(
          std::make_shared<SimpleObject>(r, QStringLiteral("domainDNS"), path, providerPrefix(provider_))));
    }
    return out;
  }

 private:
  std::shared_ptr<Session> session_;
  Provider provider_;
};

// ---------------------------------------------------------------------------------------------
// WinNT

bool validAccountName(const QString& name) {
  if (name.trimmed().isEmpty() || name.size() > 20) return false;
  static const QString bad = QStringLiteral("\"/\\[]:;|=,+*?<>@");
  for (const QChar c : name)
    if (bad.contains(c) || c.unicode() < 0x20) return false;
  return !name.endsWith(u'.');
}

QString winntClass(const QStringList& chain) {
  if (chainHas(chain, QStringLiteral("computer"))) return QStringLiteral("Computer");
  if (chainHas(chain, QStringLiteral("group"))) return QStringLiteral("Group");
  if (chainHas(chain, QStringLiteral("user"))) return QStringLiteral("User");
  return chain.isEmpty() ? QString() : chain.last();
}

// Finds the account `name` of the domain behind `conn`; nullopt when there is none.
Result<std::optional<Entry>> findAccount(DirectoryConnection& conn, const QString& name) {
  SearchRequest req;
  req.base = conn.server().defaultNamingContext;
  req.scope = Scope::Subtree;
  req.filter = QStringLiteral("(sAMAccountName=%1)").arg(search::escapeFilterValue(name));
  req.attributes = {QStringLiteral("objectClass"), QStringLiteral("sAMAccountName")};
  auto r = conn.search(req);
  if (!r) return r.error();
  if (r->entries.isEmpty()) return std::optional<Entry>();
  return std::optional<Entry>(r->entries.first());
}

class WinNTAccount : public ObjectImpl {
 public:
  WinNTAccount(std::shared_ptr<Session> s, QString domain, std::shared_ptr<DirectoryConnection> conn, Dn dn,
               QString sam, QString cls, bool isNew)
      : session_(std::move(s)),
        domain_(std::move(domain)),
        cache_(std::move(conn), std::move(dn), isNew),
        sam_(std::move(sam)),
        cls_(std::move(cls)) {}

  QString name() const override {
    return cls_ == QLatin1String("Computer") && sam_.endsWith(u'$') ? sam_.left(sam_.size() - 1) : sam_;
  }
  QString className() const override { return cls_; }
  QString adsPath() const override { return formatWinNTPath(domain_, name()); }
  QString parent() const override { return formatWinNTPath(domain_); }
  const Dn& dn() const { return cache_.dn(); }

  Result<QVariantList> getEx(const QString& name) override {
    bool known = false;
    const PropertyMapping m = mapWinNTProperty(name, &known);
    if (!known) return notFound(name);
    if (m.kind == PropertyKind::WinNTName) return QVariantList{QVariant(this->name())};
    return getMapped(cache_, m, name, true);
  }
  Status put(const QString& name, const QVariantList& values, int control) override {
    bool known = false;
    const PropertyMapping m = mapWinNTProperty(name, &known);
    if (!known)
      return makeError(hr::PROPERTY_NOT_SUPPORTED,
                       QStringLiteral("the WinNT provider has no \"%1\"").arg(name));
    if (control == ADS_PROPERTY_APPEND)
      return makeError(hr::BAD_PARAMETER, QStringLiteral("WinNT values cannot be appended"));
    return putMapped(cache_, m, name, values, control, true);
  }
  Status setInfo() override {
    Status s = cache_.commit();
    if (!s && s.code() == hr::ALREADY_EXISTS)
      return makeError(cls_ == QLatin1String("Group") ? hr::GROUP_EXISTS : hr::USER_EXISTS,
                       QStringLiteral("the account %1 already exists").arg(sam_));
    return s;
  }
  Status getInfo() override { return cache_.load(); }

  Status setPassword(const QString& password) override {
    if (cls_ == QLatin1String("Group")) return unsupported("SetPassword");
    if (cache_.isNew())
      return makeError(hr::OBJECT_UNBOUND, QStringLiteral("the account has not been created yet"));
    if (Status s = cache_.conn().setPassword(cache_.dn(), password); !s) return s;
    cache_.invalidate();
    return {};
  }

  std::shared_ptr<WinNTAccount> makeAccount(const Entry& e) const {
    return std::make_shared<WinNTAccount>(session_, domain_, cache_.connection(), e.dn,
                                          QString::fromUtf8(e.first(QStringLiteral("sAMAccountName"))),
                                          winntClass(decodeChain(e)), false);
  }

  Result<QList<AdsObject>> groups() override {
    if (cls_ == QLatin1String("Group")) return unsupported("Groups");
    QList<AdsObject> out;
    auto v = cache_.current(QStringLiteral("memberOf"));
    if (!v) return v.error();
    if (v->has_value())
      for (const QByteArray& d : **v) {
        auto dn = Dn::parse(QString::fromUtf8(d));
        if (!dn) continue;
        auto e = cache_.conn().read(*dn, {QStringLiteral("objectClass"), QStringLiteral("sAMAccountName")});
        if (e) out.append(AdsObject(makeAccount(*e)));
      }
    // The NT view lists the primary group too.
    auto pg = cache_.current(QStringLiteral("primaryGroupID"));
    auto sid = cache_.current(QStringLiteral("objectSid"));
    if (pg && sid && pg->has_value() && sid->has_value()) {
      const QByteArray groupSid =
          sidWithRid(sidDomain((**sid).first()), static_cast<quint32>((**pg).first().toLongLong()));
      SearchRequest req;
      req.base = cache_.conn().server().defaultNamingContext;
      req.filter = QStringLiteral("(objectSid=%1)").arg(filterEscapeBinary(groupSid));
      req.attributes = {QStringLiteral("objectClass"), QStringLiteral("sAMAccountName")};
      auto r = cache_.conn().search(req);
      if (r && !r->entries.isEmpty()) out.append(AdsObject(makeAccount(r->entries.first())));
    }
    return out;
  }

  Result<QList<AdsObject>> members() override {
    if (cls_ != QLatin1String("Group")) return unsupported("Members");
    auto v = cache_.current(QStringLiteral("member"));
    if (!v) return v.error();
    QList<AdsObject> out;
    if (v->has_value())
      for (const QByteArray& d : **v) {
        auto dn = Dn::parse(QString::fromUtf8(d));
        if (!dn) continue;
        auto e = cache_.conn().read(*dn, {QStringLiteral("objectClass"), QStringLiteral("sAMAccountName")});
        if (e) out.append(AdsObject(makeAccount(*e)));
      }
    return out;
  }

  Result<Dn> memberDn(const QString& path);

  Status changeMember(const QString& path, ModOp op) {
    if (cls_ != QLatin1String("Group")) return unsupported(op == ModOp::Add ? "Add" : "Remove");
    auto dn = memberDn(path);
    if (!dn) return dn.error();
    Status s = cache_.conn().modify(cache_.dn(),
                                    {Modification{op, QStringLiteral("member"), {dn->toString().toUtf8()}}});
    if (!s) {
      if (op == ModOp::Add && s.code() == hr::ALREADY_EXISTS)
        return makeError(hr::MEMBER_IN_GROUP, QStringLiteral("already a member of %1").arg(sam_));
      if (op == ModOp::Delete && s.code() == hr::UNWILLING_TO_PERFORM)
        return makeError(hr::MEMBER_NOT_IN_GROUP, QStringLiteral("not a member of %1").arg(sam_));
      return s;
    }
    cache_.invalidate();
    return {};
  }
  Status addMember(const QString& path) override { return changeMember(path, ModOp::Add); }
  Status removeMember(const QString& path) override { return changeMember(path, ModOp::Delete); }
  Result<bool> isMember(const QString& path) override {
    if (cls_ != QLatin1String("Group")) return unsupported("IsMember");
    auto dn = memberDn(path);
    if (!dn) return dn.error();
    auto e = cache_.conn().read(*dn, {QStringLiteral("memberOf")});
    if (!e) return e.error();
    if (const Attribute* a = e->find(QStringLiteral("memberOf")))
      for (const QByteArray& v : a->values)
        if (QString::fromUtf8(v).toLower() == cache_.dn().key()) return true;
    return false;
  }

  PropertyCache& cache() { return cache_; }

 private:
  std::shared_ptr<Session> session_;
  QString domain_;
  PropertyCache cache_;
  QString sam_;
  QString cls_;
};

class WinNTDomain : public ObjectImpl {
 public:
  WinNTDomain(std::shared_ptr<Session> s, QString domain, std::shared_ptr<DirectoryConnection> conn)
      : session_(std::move(s)), domain_(std::move(domain)), conn_(std::move(conn)) {}
  QString name() const override { return domain_; }
  QString className() const override { return QStringLiteral("Domain"); }
  QString adsPath() const override { return formatWinNTPath(domain_); }
  QString parent() const override { return QStringLiteral("WinNT:"); }

  Result<QVariantList> getEx(const QString& name) override {
    // The domain's account policy, as the NT domain object shows it.
    static const QHash<QString, QString> policy = {{"minpasswordlength", "minPwdLength"},
                                                   {"minpasswordage", "minPwdAge"},
                                                   {"maxpasswordage", "maxPwdAge"},
                                                   {"passwordhistorylength", "pwdHistoryLength"},
                                                   {"maxbadpasswordsallowed", "lockoutThreshold"}};
    const auto it = policy.constFind(name.toLower());
    if (it == policy.cend()) return notFound(name);
    auto e = conn_->read(conn_->server().defaultNamingContext, {*it});
    if (!e) return e.error();
    const Attribute* a = e->find(*it);
    if (!a || a->values.isEmpty()) return notFound(name);
    return decodeAll(*conn_->schema(), *it, a->values);
  }

  std::shared_ptr<WinNTAccount> account(const Entry& e) const {
    return std::make_shared<WinNTAccount>(session_, domain_, conn_, e.dn,
                                          QString::fromUtf8(e.first(QStringLiteral("sAMAccountName"))),
                                          winntClass(decodeChain(e)), false);
  }

  Result<QList<AdsObject>> children() override {
    QList<AdsObject> out;
    SearchRequest req;
    req.base = conn_->server().defaultNamingContext;
    req.filter = QStringLiteral("(|(objectClass=user)(objectClass=group))");
    req.attributes = {QStringLiteral("objectClass"), QStringLiteral("sAMAccountName")};
    req.pageSize = 1000;
    do {
      auto page = conn_->search(req);
      if (!page) return page.error();
      for (const Entry& e : page->entries) {
        auto acct = account(e);
        if (!filter.isEmpty() && !filter.contains(acct->className(), Qt::CaseInsensitive)) continue;
        out.append(AdsObject(acct));
      }
      req.cookie = page->cookie;
    } while (!req.cookie.isEmpty());
    return out;
  }

  Result<AdsObject> create(const QString& className, const QString& relativeName) override {
    const bool isGroup = className.compare(QLatin1String("group"), Qt::CaseInsensitive) == 0;
    if (!isGroup && className.compare(QLatin1String("user"), Qt::CaseInsensitive) != 0)
      return makeError(hr::E_INVALIDARG, QStringLiteral("cannot create a \"%1\" in a domain").arg(className));
    if (!validAccountName(relativeName))
      return makeError(hr::BAD_USERNAME,
                       QStringLiteral("\"%1\" is not a valid account name").arg(relativeName));
    const Dn dn = conn_->server()
                      .defaultNamingContext.child(Rdn(QStringLiteral("CN"), QStringLiteral("Users")))
                      .child(Rdn(QStringLiteral("CN"), relativeName));
    auto obj =
        std::make_shared<WinNTAccount>(session_, domain_, conn_, dn, relativeName,
                                       isGroup ? QStringLiteral("Group") : QStringLiteral("User"), true);
    obj->cache().stage(ModOp::Replace, QStringLiteral("objectClass"), Values{isGroup ? "group" : "user"});
    obj->cache().stage(ModOp::Replace, QStringLiteral("sAMAccountName"), Values{relativeName.toUtf8()});
    return AdsObject(obj);
  }

  Result<std::shared_ptr<WinNTAccount>> lookup(const QString& className, const QString& name) const {
    auto found = findAccount(*conn_, name);
    if (!found) return found.error();
    if (!found->has_value() &&
        (className.isEmpty() || className.compare(QLatin1String("computer"), Qt::CaseInsensitive) == 0)) {
      found = findAccount(*conn_, name + u'$');
      if (!found) return found.error();
    }
    const bool wantGroup = className.compare(QLatin1String("group"), Qt::CaseInsensitive) == 0;
    if (!found->has_value())
      return makeError(wantGroup ? hr::GROUP_NOT_FOUND : hr::USER_NOT_FOUND,
                       QStringLiteral("no account \"%1\"").arg(name));
    auto acct = account(**found);
    if (!className.isEmpty() && acct->className().compare(className, Qt::CaseInsensitive) != 0)
      return makeError(wantGroup ? hr::GROUP_NOT_FOUND : hr::USER_NOT_FOUND,
                       QStringLiteral("\"%1\" is not a %2").arg(name, className));
    return acct;
  }

  Result<AdsObject> getObject(const QString& className, const QString& relativeName) override {
    auto a = lookup(className, relativeName);
    if (!a) return a.error();
    return AdsObject(*a);
  }

  Status remove(const QString& className, const QString& relativeName) override {
    auto a = lookup(className, relativeName);
    if (!a) return a.error();
    return conn_->remove((*a)->dn());
  }

  Result<AdsObject> moveHere(const QString& sourcePath, const QString& newName) override {
    auto src = AdsPath::parse(sourcePath);
    if (!src) return src.error();
    if (src->kind != AdsPath::Kind::WinNTObject)
      return makeError(hr::BAD_PATHNAME,
                       QStringLiteral("\"%1\" is not a WinNT account path").arg(sourcePath));
    auto a = lookup(src->className, src->name);
    if (!a) return a.error();
    const QString target = newName.isEmpty() ? src->name : newName;
    if (!validAccountName(target))
      return makeError(hr::BAD_USERNAME, QStringLiteral("\"%1\" is not a valid account name").arg(target));
    const bool isGroup = (*a)->className() == QLatin1String("Group");
    Status s = conn_->modify(
        (*a)->dn(), {Modification{ModOp::Replace, QStringLiteral("sAMAccountName"), {target.toUtf8()}}});
    if (!s) {
      if (s.code() == hr::ALREADY_EXISTS)
        return makeError(isGroup ? hr::GROUP_EXISTS : hr::USER_EXISTS,
                         QStringLiteral("the account %1 already exists").arg(target));
      return s.error();
    }
    Dn dn = (*a)->dn();
    // An NT 4.0 domain has no names but the account name: its entry follows it.
    if (conn_->server().domain.kind == DomainKind::Nt4) {
      const Rdn rdn(QStringLiteral("CN"), target);
      if (Status r = conn_->rename(dn, rdn, std::nullopt); !r) return r.error();
      dn = dn.parent().child(rdn);
    }
    auto e = conn_->read(dn, {QStringLiteral("objectClass"), QStringLiteral("sAMAccountName")});
    if (!e) return e.error();
    return AdsObject(account(*e));
  }

 private:
  std::shared_ptr<Session> session_;
  QString domain_;
  std::shared_ptr<DirectoryConnection> conn_;
};

// ---------------------------------------------------------------------------------------------
// Schema objects: LDAP://Schema, LDAP://Schema/<class>, and its properties

class SchemaProperty : public ObjectImpl {
 public:
  SchemaProperty(std::shared_ptr<const SchemaCatalog> schema, const AttributeDef* def)
      : schema_(std::move(schema)), def_(def) {}
  QString name() const override { return def_->name; }
  QString className() const override { return QStringLiteral("Property"); }
  QString adsPath() const override { return QStringLiteral("LDAP://Schema/") + def_->name; }
  QString parent() const override { return QStringLiteral("LDAP://Schema"); }
  Result<QVariantList> getEx(const QString& name) override {
    const QString n = name.toLower();
    if (n == QLatin1String("syntax")) return QVariantList{syntaxName(def_->syntax)};
    if (n == QLatin1String("multivalued")) return QVariantList{!def_->singleValued};
    if (n == QLatin1String("ldapdisplayname")) return QVariantList{def_->name};
    if (n == QLatin1String("maxrange") && def_->rangeUpper > 0) return QVariantList{def_->rangeUpper};
    return notFound(name);
  }

 private:
  std::shared_ptr<const SchemaCatalog> schema_;  // keeps def_ alive
  const AttributeDef* def_;
};

class SchemaClass : public ObjectImpl {
 public:
  SchemaClass(std::shared_ptr<const SchemaCatalog> schema, const ClassDef* def)
      : schema_(std::move(schema)), def_(def) {}
  QString name() const override { return def_->name; }
  QString className() const override { return QStringLiteral("Class"); }
  QString adsPath() const override { return QStringLiteral("LDAP://Schema/") + def_->name; }
  QString parent() const override { return QStringLiteral("LDAP://Schema"); }
  Result<QStringList> optionalProperties() override { return schema_->optionalProperties(def_->name); }
  Result<QStringList> mandatoryProperties() override { return schema_->mandatoryProperties(def_->name); }

 private:
  std::shared_ptr<const SchemaCatalog> schema_;
  const ClassDef* def_;
};

// A schema object by name: a class first, then an attribute.
Result<AdsObject> schemaObject(const std::shared_ptr<const SchemaCatalog>& schema, const QString& name,
                               const QString& kind = QString()) {
  const bool anyKind = kind.isEmpty();
  if (anyKind || kind.compare(QLatin1String("Class"), Qt::CaseInsensitive) == 0)
    if (const ClassDef* c = schema->cls(name)) return AdsObject(std::make_shared<SchemaClass>(schema, c));
  if (anyKind || kind.compare(QLatin1String("Property"), Qt::CaseInsensitive) == 0)
    if (const AttributeDef* a = schema->attribute(name))
      return AdsObject(std::make_shared<SchemaProperty>(schema, a));
  return makeError(hr::NO_SUCH_OBJECT,
                   anyKind ? QStringLiteral("no schema object \"%1\"").arg(name)
                           : QStringLiteral("no schema %1 \"%2\"").arg(kind, name));
}

class SchemaContainer : public ObjectImpl {
 public:
  explicit SchemaContainer(std::shared_ptr<const SchemaCatalog> schema) : schema_(std::move(schema)) {}
  QString name() const override { return QStringLiteral("Schema"); }
  QString className() const override { return QStringLiteral("Schema"); }
  QString adsPath() const override { return QStringLiteral("LDAP://Schema"); }
  QString parent() const override { return QStringLiteral("LDAP:"); }
  Result<AdsObject> getObject(const QString& className, const QString& relativeName) override {
    if (className.compare(QLatin1String("Property"), Qt::CaseInsensitive) != 0 &&
        className.compare(QLatin1String("Class"), Qt::CaseInsensitive) != 0)
      return makeError(hr::NO_SUCH_OBJECT, QStringLiteral("no schema %1 \"%2\"").arg(className, relativeName));
    return schemaObject(schema_, relativeName, className);
  }

 private:
  std::shared_ptr<const SchemaCatalog> schema_;
};

// A member path (LDAP, GC or WinNT) as the DN of the account it names.
Result<Dn> resolveMemberDn(Session& session, DirectoryConnection& own, const QString& path) {
  auto p = AdsPath::parse(path);
  if (!p) return p.error();
  if (p->kind == AdsPath::Kind::Object) return p->dn;
  if (p->kind == AdsPath::Kind::WinNTObject) {
    auto conn = session.connect(p->domain, Protocol::Sam);
    if (!conn) return conn.error();
    auto found = findAccount(**conn, p->name);
    if (!found) return found.error();
    if (!found->has_value())
      return makeError(hr::USER_NOT_FOUND, QStringLiteral("no account \"%1\"").arg(p->name));
    return (**found).dn;
  }
  Q_UNUSED(own);
  return makeError(hr::BAD_PATHNAME, QStringLiteral("\"%1\" does not name an account").arg(path));
}

}  // namespace

Result<Dn> LdapObject::memberDn(const QString& path) {
  return resolveMemberDn(*session_, cache_.conn(), path);
}
Result<Dn> WinNTAccount::memberDn(const QString& path) {
  return resolveMemberDn(*session_, cache_.conn(), path);
}

// ---------------------------------------------------------------------------------------------

Error ObjectImpl::unsupported(const char* what) const {
  return makeError(
      hr::E_NOINTERFACE,
      QStringLiteral("%1 is not supported by a \"%2\" object").arg(QLatin1String(what), className()));
}
Result<QVariantList> ObjectImpl::getEx(const QString& name) {
  return notFound(name);
}
Status ObjectImpl::put(const QString&, const QVariantList&, int) {
  return unsupported("Put");
}
Status ObjectImpl::setInfo() {
  return unsupported("SetInfo");
}
Status ObjectImpl::putAndSetInfo(const QList<std::pair<QString, QVariant>>&) {
  return unsupported("PutAndSetInfo");
}
Status ObjectImpl::getInfo() {
  return {};
}
Status ObjectImpl::getInfoEx(const QStringList&) {
  return getInfo();
}
Result<QList<AdsObject>> ObjectImpl::children() {
  return unsupported("enumeration");
}
Result<AdsObject> ObjectImpl::create(const QString&, const QString&) {
  return unsupported("Create");
}
Status ObjectImpl::remove(const QString&, const QString&) {
  return unsupported("Delete");
}
Result<AdsObject> ObjectImpl::moveHere(const QString&, const QString&) {
  return unsupported("MoveHere");
}
Result<AdsObject> ObjectImpl::getObject(const QString&, const QString&) {
  return unsupported("GetObject");
}
Status ObjectImpl::setPassword(const QString&) {
  return unsupported("SetPassword");
}
Result<QList<AdsObject>> ObjectImpl::groups() {
  return unsupported("Groups");
}
Result<QList<AdsObject>> ObjectImpl::members() {
  return unsupported("Members");
}
Status ObjectImpl::addMember(const QString&) {
  return unsupported("Add");
}
Status ObjectImpl::removeMember(const QString&) {
  return unsupported("Remove");
}
Result<bool> ObjectImpl::isMember(const QString&) {
  return unsupported("IsMember");
}
Result<QStringList> ObjectImpl::optionalProperties() {
  return unsupported("OptionalProperties");
}
Result<QStringList> ObjectImpl::mandatoryProperties() {
  return unsupported("MandatoryProperties");
}

Result<std::shared_ptr<DirectoryConnection>> Session::connect(const QString& server, Protocol protocol) {
  const QString key = server.toLower() + u'|' + QString::number(static_cast<int>(protocol));
  if (auto it = connections.constFind(key); it != connections.cend()) return *it;
  auto conn = backend->bind(server, protocol, credentials);
  if (!conn) {
    if (protocol == Protocol::Sam && conn.code() != hr::LOGON_FAILURE)
      return makeError(
          hr::NO_SUCH_DOMAIN,
          QStringLiteral("the domain %1 could not be contacted: %2").arg(server, conn.error().message));
    return conn.error();
  }
  // Every object's creation, commit, rename, move and membership change goes through here.
  auto checked = withAccountChecks(*conn);
  connections.insert(key, checked);
  return checked;
}

namespace {

Result<AdsObject> bindPath(const std::shared_ptr<Session>& session, const QString& text) {
  auto parsed = AdsPath::parse(text);
  if (!parsed) return parsed.error();
  const AdsPath& p = *parsed;
  switch (p.kind) {
    case AdsPath::Kind::Namespace:
      return AdsObject(std::make_shared<NamespaceObject>(session, p.provider));
    case AdsPath::Kind::Schema: {
      // The schema of the domain the session works in: the domain controller's own.
      auto conn = session->connect(p.server, Protocol::Ldap);
      if (!conn) return conn.error();
      auto schema = (*conn)->schema();
      if (p.schemaName.isEmpty()) return AdsObject(std::make_shared<SchemaContainer>(schema));
      return schemaObject(schema, p.schemaName);
    }
    case AdsPath::Kind::RootDse: {
      auto conn = session->connect(p.server, Protocol::Ldap);
      if (!conn) return conn.error();
      auto e = (*conn)->rootDse();
      if (!e) return e.error();
      return AdsObject(std::make_shared<RootDseObject>(p.server, std::move(*e)));
    }
    case AdsPath::Kind::ServerOnly:
    case AdsPath::Kind::Object: {
      const Protocol protocol = p.provider == Provider::GC ? Protocol::GlobalCatalog : Protocol::Ldap;
      auto conn = session->connect(p.server, protocol);
      if (!conn) return conn.error();
      Dn dn = p.kind == AdsPath::Kind::Object       ? p.dn
              : protocol == Protocol::GlobalCatalog ? (*conn)->server().rootDomainNamingContext
                                                    : (*conn)->server().defaultNamingContext;
      // The bind reads the entry, which also fills the property cache; a group's members are
      // read when first asked for.
      QStringList deferred;
      auto e = (*conn)->readForBind(dn, deferred);
      if (!e) return e.error();
      auto obj =
          std::make_shared<LdapObject>(session, p.provider, p.server, *conn, e->dn, decodeChain(*e), false);
      obj->prime(std::move(*e), std::move(deferred));
      return AdsObject(obj);
    }
    case AdsPath::Kind::WinNTDomain: {
      auto conn = session->connect(p.domain, Protocol::Sam);
      if (!conn) return conn.error();
      return AdsObject(std::make_shared<WinNTDomain>(session, p.domain, *conn));
    }
    case AdsPath::Kind::WinNTObject: {
      auto conn = session->connect(p.domain, Protocol::Sam);
      if (!conn) return conn.error();
      WinNTDomain domain(session, p.domain, *conn);
      return domain.getObject(p.className, p.name);
    }
  }
  return makeError(hr::BAD_PATHNAME, text);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

QString AdsObject::Name() const {
  return d_ ? d_->name() : QString();
}
QString AdsObject::Class() const {
  return d_ ? d_->className() : QString();
}
QString AdsObject::ADsPath() const {
  return d_ ? d_->adsPath() : QString();
}
QString AdsObject::Parent() const {
  return d_ ? d_->parent() : QString();
}

static Error nullObject() {
  return makeError(hr::E_INVALIDARG, QStringLiteral("no object"));
}

Result<QVariant> AdsObject::Get(const QString& name) {
  auto v = GetEx(name);
  if (!v) return v.error();
  if (v->size() == 1) return v->first();
  return QVariant(*v);
}

Result<QVariantList> AdsObject::GetEx(const QString& name) {
  if (!d_) return nullObject();
  return d_->getEx(name);
}

Status AdsObject::Put(const QString& name, const QVariant& value) {
  if (!d_) return nullObject();
  return d_->put(name, asList(value), ADS_PROPERTY_UPDATE);
}

Status AdsObject::PutEx(int control, const QString& name, const QVariantList& values) {
  if (!d_) return nullObject();
  if (control != ADS_PROPERTY_CLEAR && control != ADS_PROPERTY_UPDATE && control != ADS_PROPERTY_APPEND)
    return makeError(hr::BAD_PARAMETER, QStringLiteral("unknown PutEx control %1").arg(control));
  if (control != ADS_PROPERTY_CLEAR && values.isEmpty())
    return makeError(hr::BAD_PARAMETER, QStringLiteral("no values for \"%1\"").arg(name));
  QVariantList vals = values;
  // A clear takes whatever value comes with it (often "").
  if (control == ADS_PROPERTY_CLEAR) vals.clear();
  return d_->put(name, vals, control);
}

Status AdsObject::SetInfo() {
  return d_ ? d_->setInfo() : Status(nullObject());
}
Status AdsObject::PutAndSetInfo(const QList<std::pair<QString, QVariant>>& values) {
  return d_ ? d_->putAndSetInfo(values) : Status(nullObject());
}
Status AdsObject::GetInfo() {
  return d_ ? d_->getInfo() : Status(nullObject());
}
Status AdsObject::GetInfoEx(const QStringList& attributes) {
  return d_ ? d_->getInfoEx(attributes) : Status(nullObject());
}
QStringList AdsObject::Filter() const {
  return d_ ? d_->filter : QStringList();
}
void AdsObject::SetFilter(const QStringList& classes) {
  if (d_) d_->filter = classes;
}
Result<QList<AdsObject>> AdsObject::Children() {
  if (!d_) return nullObject();
  return d_->children();
}
Result<AdsObject> AdsObject::Create(const QString& className, const QString& relativeName) {
  if (!d_) return nullObject();
  return d_->create(className, relativeName);
}
Status AdsObject::Delete(const QString& className, const QString& relativeName) {
  return d_ ? d_->remove(className, relativeName) : Status(nullObject());
}
Result<AdsObject> AdsObject::MoveHere(const QString& sourcePath, const QString& newName) {
  if (!d_) return nullObject();
  return d_->moveHere(sourcePath, newName);
}
Result<AdsObject> AdsObject::GetObject(const QString& className, const QString& relativeName) {
  if (!d_) return nullObject();
  return d_->getObject(className, relativeName);
}
Status AdsObject::SetPassword(const QString& password) {
  return d_ ? d_->setPassword(password) : Status(nullObject());
}
Result<QList<AdsObject>> AdsObject::Groups() {
  if (!d_) return nullObject();
  return d_->groups();
}
Result<QList<AdsObject>> AdsObject::Members() {
  if (!d_) return nullObject();
  return d_->members();
}
Status AdsObject::Add(const QString& memberPath) {
  return d_ ? d_->addMember(memberPath) : Status(nullObject());
}
Status AdsObject::Remove(const QString& memberPath) {
  return d_ ? d_->removeMember(memberPath) : Status(nullObject());
}
Result<bool> AdsObject::IsMember(const QString& memberPath) {
  if (!d_) return nullObject();
  return d_->isMember(memberPath);
}
Result<QStringList> AdsObject::OptionalProperties() {
  if (!d_) return nullObject();
  return d_->optionalProperties();
}
Result<QStringList> AdsObject::MandatoryProperties() {
  if (!d_) return nullObject();
  return d_->mandatoryProperties();
}

Directory::Directory(std::shared_ptr<DirectoryBackend> backend) : session_(std::make_shared<Session>()) {
  session_->backend = std::move(backend);
}
Directory::~Directory() = default;

DirectoryBackend& Directory::backend() const {
  return *session_->backend;
}
std::shared_ptr<DirectoryBackend> Directory::sharedBackend() const {
  return session_->backend;
}

Result<AdsObject> Directory::GetObject(const QString& path) {
  return bindPath(session_, path);
}

Result<AdsObject> Directory::BindFound(const QString& path, const QString& className, const QVariantHash& found) {
  const bool anyFound = std::any_of(found.cbegin(), found.cend(), [](const QVariant& v) { return !v.isNull(); });
  auto p = AdsPath::parse(path);
  if (!anyFound || !p || p->kind != AdsPath::Kind::Object || p->provider == Provider::WinNT)
    return GetObject(path);
  const Protocol protocol = p->provider == Provider::GC ? Protocol::GlobalCatalog : Protocol::Ldap;
  auto conn = session_->connect(p->server, protocol);
  if (!conn) return conn.error();
  Entry e;
  e.dn = p->dn;
  // The values are stored as the directory holds them; only their definitions are read for that.
  const SchemaCatalog defs((*conn)->attributeDefs(found.keys()), {});
  for (auto it = found.cbegin(); it != found.cend(); ++it) {
    if (it->isNull()) continue;
    auto values = encodeAll(defs, it.key(), asList(*it));
    if (!values) return values.error();
    e.attributes.append(Attribute{it.key(), std::move(*values)});
  }
  auto obj = std::make_shared<LdapObject>(session_, p->provider, p->server, *conn, p->dn, classChain(className), false);
  obj->primePartial(std::move(e));
  return AdsObject(obj);
}

Result<AdsObject> Directory::OpenDSObject(const QString& path, const QString& user, const QString& password,
                                          long flags) {
  Q_UNUSED(flags);
  auto session = std::make_shared<Session>();
  session->backend = session_->backend;
  if (!user.isEmpty()) session->credentials = Credentials{user, password};
  return bindPath(session, path);
}

}  // namespace tavrel::adsi
