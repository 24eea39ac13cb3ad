#include "platform/simnet/SimNetwork.h"

#include "platform/adsi/Counters.h"
#include "platform/adsi/Properties.h"
#include "platform/adsi/Schema.h"
#include "platform/adsi/Values.h"
#include "platform/search/Filter.h"
#include "platform/simnet/DemoNetwork.h"
#include "platform/simnet/FilterMatch.h"
#include "platform/simnet/Store.h"
#include "platform/simnet/ValueCheck.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QUuid>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tavrel::simnet {

using namespace adsi;

namespace {

constexpr qint64 kFirstRid = 1100;
constexpr qint32 kUserDefaultUac = uac::NORMAL_ACCOUNT | uac::ACCOUNTDISABLE | uac::PASSWD_NOTREQD;  // 0x222
constexpr qint32 kNt4UserDefaultUac = uac::NORMAL_ACCOUNT | 0x1;                                     // 0x201
constexpr qint32 kComputerDefaultUac =
    uac::WORKSTATION_TRUST_ACCOUNT | uac::ACCOUNTDISABLE | uac::PASSWD_NOTREQD;  // 0x1022
constexpr qint32 kAccountTypeMask =
    0x100 | uac::NORMAL_ACCOUNT | 0x800 | uac::WORKSTATION_TRUST_ACCOUNT | uac::SERVER_TRUST_ACCOUNT;

// Attributes a global catalog holds for every object.
const QStringList& partialAttributeSet() {
  static const QStringList s = {"objectClass",
                                "objectCategory",
                                "distinguishedName",
                                "cn",
                                "name",
                                "sAMAccountName",
                                "userPrincipalName",
                                "displayName",
                                "objectSid",
                                "objectGUID",
                                "groupType",
                                "member",
                                "mail",
                                "givenName",
                                "sn",
                                "userAccountControl",
                                "primaryGroupID",
                                "dnsRoot",
                                "nETBIOSName",
                                "nCName",
                                "ou",
                                "dc",
                                "description",
                                "sAMAccountType",
                                "proxyAddresses",
                                "homeMDB"};
  return s;
}

Error err(int code, const QString& message, quint32 ext = 0) {
  return ldapError(code, message, ext);
}

QString str(const Values& v) {
  return v.isEmpty() ? QString() : QString::fromUtf8(v.first());
}
qint64 num(const Values& v, qint64 dflt = 0) {
  return v.isEmpty() ? dflt : v.first().toLongLong();
}

// The most specific structural class of an objectClass list (unknown classes are an error).
Result<const ClassDef*> structuralClass(const Values& classes) {
  const ClassDef* best = nullptr;
  for (const QByteArray& c : classes) {
    const ClassDef* def = findClass(QString::fromUtf8(c));
    if (!def)
      return err(ldap::NO_SUCH_ATTRIBUTE, QStringLiteral("objectclass %1 is not a valid objectClass in schema")
                                              .arg(QString::fromUtf8(c)));
    if (def->structural && (!best || def->chain.size() > best->chain.size())) best = def;
  }
  if (!best) return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("Failed to find a structural class"));
  return best;
}

bool isAccountClass(const QStringList& chain) {
  return chain.contains(QStringLiteral("user"), Qt::CaseInsensitive) ||
         chain.contains(QStringLiteral("group"), Qt::CaseInsensitive);
}

// Whether an object of `chain` holds at most one value of the attribute: the schema's rule, and
// the account database's, which keeps one description for a user, computer or group where other
// objects may have several.
bool singleValuedOn(const AttributeDef& def, const QStringList& chain) {
  return def.singleValued ||
         (def.name == QLatin1String("description") && isAccountClass(chain));
}

// The characters a domain controller refuses in an account name. The shorter bounds on users'
// names, and "@", are the client's to keep (AccountChecks).
Status validSam(const QString& sam) {
  if (sam.trimmed().isEmpty())
    return err(ldap::CONSTRAINT_VIOLATION, QStringLiteral("sAMAccountName must not be blank"));
  static const QString bad = QStringLiteral("\"/\\[]:;|=,+*?<>");
  for (const QChar c : sam)
    if (bad.contains(c) || c.unicode() < 0x20)
      return err(ldap::CONSTRAINT_VIOLATION,
                 QStringLiteral("sAMAccountName \"%1\" has an invalid character").arg(sam));
  return {};
}

// groupType: exactly one scope bit, optionally the security bit; builtin values only for the
// system.
Status validGroupType(qint32 t, bool mixed) {
  const qint32 scope = t & ~grouptype::SECURITY;
  if (scope != grouptype::GLOBAL && scope != grouptype::DOMAIN_LOCAL && scope != grouptype::UNIVERSAL)
    return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("groupType %1 is not valid").arg(t));
  if (mixed && scope == grouptype::UNIVERSAL && (t & grouptype::SECURITY))
    return err(ldap::UNWILLING_TO_PERFORM,
               QStringLiteral("universal security groups need a native-mode domain"));
  return {};
}

qint32 samAccountType(const QStringList& chain, qint32 groupType) {
  if (chain.contains(QStringLiteral("computer"), Qt::CaseInsensitive)) return 0x30000001;
  if (chain.contains(QStringLiteral("user"), Qt::CaseInsensitive)) return 0x30000000;
  const bool local = groupType & (grouptype::DOMAIN_LOCAL | grouptype::BUILTIN_LOCAL);
  const qint32 base = local ? 0x20000000 : 0x10000000;
  return (groupType & grouptype::SECURITY) ? base : base + 1;
}

bool sameValue(const AttributeDef* def, const QByteArray& a, const QByteArray& b) {
  if (def && (def->syntax == Syntax::Octets || def->syntax == Syntax::Sid)) return a == b;
  return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

QByteArray hashPassword(const QByteArray& salt, const QString& password) {
  return QCryptographicHash::hash(salt + password.toUtf8(), QCryptographicHash::Sha256);
}

Status checkPasswordPolicy(Store& st, const DomainRow& d, const QString& sam, const QString& password) {
  auto head = st.object(d.nc);
  const qint64 minLength = head ? num(st.attr(head->id, QStringLiteral("minPwdLength"))) : 0;
  const qint64 props = head ? num(st.attr(head->id, QStringLiteral("pwdProperties"))) : 0;
  auto refuse = [](const QString& why) {
    return err(ldap::CONSTRAINT_VIOLATION, why, ldap::EXT_PASSWORD_RESTRICTION);
  };
  if (password.size() < minLength)
    return refuse(QStringLiteral("the password is shorter than %1 characters").arg(minLength));
  if (props & 1) {
    int classes = 0;
    bool upper = false, lower = false, digit = false, other = false;
    for (const QChar c : password) {
      if (c.isUpper())
        upper = true;
      else if (c.isLower())
        lower = true;
      else if (c.isDigit())
        digit = true;
      else
        other = true;
    }
    classes = int(upper) + int(lower) + int(digit) + int(other);
    if (classes < 3) return refuse(QStringLiteral("the password is not complex enough"));
    if (sam.size() >= 3 && password.contains(sam, Qt::CaseInsensitive))
      return refuse(QStringLiteral("the password contains the account name"));
  }
  return {};
}

}  // namespace

// =============================================================================================
// The server side: one connection to one domain (or forest, or SAM).

class SimConnection : public DirectoryConnection {
 public:
  SimConnection(std::shared_ptr<SimNetwork> net, Protocol protocol, DomainRow domain, bool serverless,
                ServerInfo info)
      : net_(std::move(net)),
        st_(net_->store()),
        protocol_(protocol),
        domain_(std::move(domain)),
        serverless_(serverless),
        info_(std::move(info)) {}

  const ServerInfo& server() const override { return info_; }

  Result<Entry> rootDse() override {
    if (Status s = alive(); !s) return s.error();
    Entry e;
    auto add = [&](const char* name, const QString& v) {
      e.attributes.append(Attribute{QString::fromLatin1(name), {v.toUtf8()}});
    };
    add("defaultNamingContext", info_.defaultNamingContext.toString());
    add("configurationNamingContext", info_.configurationNamingContext.toString());
    add("schemaNamingContext", info_.schemaNamingContext.toString());
    add("rootDomainNamingContext", info_.rootDomainNamingContext.toString());
    add("dnsHostName", info_.host);
    add("isGlobalCatalogReady", QStringLiteral("TRUE"));
    add("supportedLDAPVersion", QStringLiteral("3"));
    add("currentTime", QString::fromLatin1(generalizedTime(st_.now())));
    e.attributes.append(Attribute{
        QStringLiteral("namingContexts"),
        {info_.defaultNamingContext.toString().toUtf8(), info_.configurationNamingContext.toString().toUtf8(),
         info_.schemaNamingContext.toString().toUtf8()}});
    e.attributes.append(
        Attribute{QStringLiteral("supportedControl"), {"1.2.840.113556.1.4.319", "1.2.840.113556.1.4.473"}});
    return e;
  }

  Result<Entry> read(const Dn& dn, const QStringList& attributes) override {
    count(Counter::Searches);
    // The server's state and the entry read one snapshot.
    const bool snapshot = st_.beginRead();
    auto out = readIn(dn, attributes, nullptr);
    st_.endRead(snapshot);
    return out;
  }

  // A group's members are as many as the domain's users: a bind leaves them to be read when
  // asked for.
  Result<Entry> readForBind(const Dn& dn, QStringList& deferred) override {
    count(Counter::Searches);
    const bool snapshot = st_.beginRead();
    auto out = readIn(dn, {}, &deferred);
    st_.endRead(snapshot);
    return out;
  }

  Result<Entry> readIn(const Dn& dn, const QStringList& attributes, QStringList* deferred) {
    if (Status s = alive(); !s) return s.error();
    auto o = reach(dn);
    if (!o) return o.error();
    return entry(*o, attributes, nullptr, deferred);
  }

  Result<SearchResult> search(const SearchRequest& req) override {
    count(Counter::Searches);
    // The server's state and the search read one snapshot.
    const bool snapshot = st_.beginRead();
    Status up = alive();
    auto out = up ? searchIn(req) : Result<SearchResult>(up.error());
    st_.endRead(snapshot);
    return out;
  }

  Result<SearchResult> searchIn(const SearchRequest& req) {
    auto base = reach(req.base);
    if (!base) return base.error();
    auto pred = compileFilter(req.filter);
    if (!pred) return pred.error();
    qint64 after = 0;
    if (!req.cookie.isEmpty()) {
      bool ok = false;
      after = req.cookie.toLongLong(&ok);
      if (!ok) return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("bad paging cookie"));
    }
    int limit = st_.sizeLimit;
    if (req.sizeLimit > 0 && req.sizeLimit < limit) limit = req.sizeLimit;
    const bool paged = req.pageSize > 0;
    const int pageLimit = paged ? std::min(req.pageSize, st_.sizeLimit) : limit;
    const Projection projection(req.attributes, protocol_ == Protocol::GlobalCatalog);
    SearchResult out;
    qint64 lastId = 0;
    // Candidates come in chunks, so a page costs what it returns, not what the search has left.
    const int chunk = std::max(pageLimit + 1, 256);
    const bool baseIsHead = isNamingContextHead(*base);
    const qint64 baseNc = namingContextOf(*base);
    qint64 cursor = after;
    QList<ObjRow> rows;
    while (true) {
      const QList<qint64> ids = candidates(*base, req, pred->equalities, cursor, chunk);
      st_.objectsByIds(ids, rows);
      for (const ObjRow& o : std::as_const(rows)) {
        if (!inScope(o) || !inBase(o, *base, req.scope, baseIsHead)) continue;
        if (!inSearchedContext(o, baseNc, req.scope)) continue;
        Source src(st_, o, protocol_ == Protocol::GlobalCatalog);
        if (!pred->matches(src)) continue;
        if (out.entries.size() >= pageLimit) {
          if (paged)
            out.cookie = QByteArray::number(lastId);
          else
            out.sizeLimitExceeded = true;
          return out;
        }
        if (out.entries.isEmpty()) out.entries.reserve(std::min<qsizetype>(pageLimit, ids.size()));
        out.entries.append(projection.isEmpty() ? entry(o, req.attributes, &src) : projected(o, projection));
        lastId = o.id;
      }
      if (ids.size() < chunk) break;
      cursor = ids.last();
    }
    return out;
  }

  Status add(const Dn& dn, const QList<Attribute>& attributes) override;
  Status modify(const Dn& dn, const QList<Modification>& changes) override;
  Status remove(const Dn& dn) override;
  Status rename(const Dn& dn, const Rdn& newRdn, const std::optional<Dn>& newSuperior) override;
  Status setPassword(const Dn& dn, const QString& password) override;

 private:
  // The values of one entry as the filter and the result read them.
  class Source : public AttributeSource {
   public:
    Source(Store& st, const ObjRow& o, bool gc) : st_(st), o_(o), gc_(gc) {}
    Values values(const QString& attribute) const override {
      if (gc_ && !partialAttributeSet().contains(attribute, Qt::CaseInsensitive)) return {};
      return st_.readValues(o_, attribute);
    }
    bool anyValue(const QString& lowerName, qxp::function_ref<bool(QByteArrayView)> test) const override {
      if (gc_ && !partialAttributeSet().contains(lowerName, Qt::CaseInsensitive)) return false;
      if (!o_.packed.isEmpty() && Store::storedAsIs(lowerName))
        if (auto hit = packed::anyValue(o_.packed, lowerName, test)) return *hit;
      return AttributeSource::anyValue(lowerName, test);
    }

   private:
    Store& st_;
    const ObjRow& o_;
    bool gc_;
  };

  Status alive() {
    st_.refresh();
    auto d = st_.domainById(domain_.id);
    if (!d || !d->reachable || st_.serverDown(info_.host.section(u'.', 0, 0)))
      return err(ldap::SERVER_DOWN, QStringLiteral("the server is not operational"));
    return {};
  }

  bool inScope(const ObjRow& o) const {
    if (protocol_ == Protocol::Sam) return o.domainId == domain_.id;
    if (serverless_ || protocol_ == Protocol::GlobalCatalog) return o.forestId == domain_.forestId;
    return o.domainId == domain_.id || (o.domainId == 0 && o.forestId == domain_.forestId);
  }

  Result<ObjRow> reach(const Dn& dn) {
    if (dn.isEmpty()) return err(ldap::NO_SUCH_OBJECT, QStringLiteral("empty name"));
    auto o = st_.object(dn);
    if (!o || !inScope(*o))
      return err(ldap::NO_SUCH_OBJECT, QStringLiteral("there is no such object: %1").arg(dn.toString()));
    return *o;
  }

  Status writable() {
    if (protocol_ == Protocol::GlobalCatalog)
      return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("the global catalog is read-only"));
    if (Status s = alive(); !s) return s;
    if (st_.refuse) {
      const quint32 code = *st_.refuse;
      st_.refuse.reset();
      return makeError(code, QStringLiteral("the change was refused"));
    }
    return {};
  }

  // The attributes a search asks for, looked up in the schema once for all its entries.
  struct Projection {
    QStringList asked;
    QStringList keys;    // lower case
    QStringList names;   // as the schema writes them, else as asked
    QStringList stored;  // the keys whose values are stored as they are read
    QList<bool> shown;   // false for what a global catalog does not hold
    Projection(const QStringList& attributes, bool gc) : asked(attributes) {
      for (const QString& name : attributes) {
        keys.append(name.toLower());
        const AttributeDef* def = findAttribute(name);
        names.append(def ? def->name : name);
        shown.append(!gc || partialAttributeSet().contains(name, Qt::CaseInsensitive));
        if (shown.last() && Store::storedAsIs(keys.last())) stored.append(keys.last());
      }
    }
    bool isEmpty() const { return keys.isEmpty(); }
  };

  // The entry with the attributes of `p`, the stored ones read from the row in one pass; as
  // entry() gives it.
  Entry projected(const ObjRow& o, const Projection& p) {
    std::optional<QList<Values>> stored;
    if (!o.packed.isEmpty() && !p.stored.isEmpty()) stored = packed::findAll(o.packed, p.stored);
    if (!stored && !p.stored.isEmpty()) return entry(o, p.asked);
    Entry e;
    e.dn = o.dn;
    e.attributes.reserve(p.keys.size());
    qsizetype next = 0;  // the next of `stored`, which lists the stored keys in `p`'s order
    for (qsizetype i = 0; i < p.keys.size(); ++i) {
      if (!p.shown[i]) continue;
      Values v = Store::storedAsIs(p.keys[i]) ? std::move((*stored)[next++]) : st_.readValues(o, p.keys[i]);
      if (!v.isEmpty()) e.attributes.append(Attribute{p.names[i], std::move(v)});
    }
    return e;
  }

  // `source`, when given, supplies the values of the named attributes. With `deferred`, a group's
  // members are left out and "member" is added to it.
  Entry entry(const ObjRow& o, const QStringList& attributes, const AttributeSource* source = nullptr,
              QStringList* deferred = nullptr) {
    Entry e;
    e.dn = o.dn;
    const bool gc = protocol_ == Protocol::GlobalCatalog;
    if (attributes.isEmpty()) {
      e.attributes = st_.attrsOf(o);
      e.attributes.append(Attribute{QStringLiteral("distinguishedName"), {o.dn.toString().toUtf8()}});
      // Links are looked up only for the classes that have them.
      const Attribute* oc = e.find(QStringLiteral("objectClass"));
      const bool isGroup = oc && oc->values.contains("group");
      const bool isAccount = isGroup || (oc && oc->values.contains("user"));
      auto addLinks = [&](const QString& name) {
        Values v = st_.readValues(o, name);
        if (!v.isEmpty()) e.attributes.append(Attribute{name, std::move(v)});
      };
      if (isGroup && deferred)
        deferred->append(QStringLiteral("member"));
      else if (isGroup)
        addLinks(QStringLiteral("member"));
      if (isAccount) addLinks(QStringLiteral("memberOf"));
      if (gc)
        e.attributes.removeIf(
            [](const Attribute& a) { return !partialAttributeSet().contains(a.name, Qt::CaseInsensitive); });
      return e;
    }
    for (const QString& name : attributes) {
      if (gc && !partialAttributeSet().contains(name, Qt::CaseInsensitive)) continue;
      Values v = source ? source->values(name) : st_.readValues(o, name);
      if (v.isEmpty()) continue;
      const AttributeDef* def = findAttribute(name);
      e.attributes.append(Attribute{def ? def->name : name, std::move(v)});
    }
    return e;
  }

  // Up to `limit` ids above `after`, in id order, of the objects that may match: those an index
  // finds for one of the filter's equality terms, else the base's children or subtree. The caller
  // still checks scope and filter.
  QList<qint64> candidates(const ObjRow& base, const SearchRequest& req,
                           const QList<std::pair<QString, QByteArray>>& equalities, qint64 after, int limit) {
    QList<qint64> ids;
    if (req.scope == Scope::Base) {
      if (base.id > after) ids.append(base.id);
      return ids;
    }
    auto collect = [&](Query& r) {
      while (r.next()) ids.append(r.i64(0));
      return ids;
    };
    // An equality on a value that names few objects.
    for (const auto& [attribute, value] : equalities) {
      if (attribute == QLatin1String("samaccountname")) {
        auto r =
            st_.q("SELECT object_id FROM sam WHERE name_key=? AND object_id>? ORDER BY object_id LIMIT ?");
        r.bind(1, QString::fromUtf8(value).toLower()).bind(2, after).bind(3, limit);
        return collect(r);
      }
      if (attribute == QLatin1String("objectsid")) {
        auto r = st_.q("SELECT object_id FROM sids WHERE sid=? AND object_id>? ORDER BY object_id LIMIT ?");
        r.bindBlob(1, value).bind(2, after).bind(3, limit);
        return collect(r);
      }
      if (attribute == QLatin1String("userprincipalname")) {
        auto r = st_.q(
            "SELECT object_id FROM attrs WHERE akey GLOB 'userprincipalname' AND fold(value)=? AND "
            "object_id>? "
            "ORDER BY object_id LIMIT ?");
        r.bind(1, QString::fromUtf8(value).toCaseFolded()).bind(2, after).bind(3, limit);
        return collect(r);
      }
    }
    if (req.scope == Scope::OneLevel) {
      auto r = st_.q("SELECT id FROM objects WHERE parent_id=? AND id>? ORDER BY id LIMIT ?");
      r.bind(1, base.id).bind(2, after).bind(3, limit);
      return collect(r);
    }
    // Below the head of a domain or forest the subtree is nearly everything: a category names
    // fewer objects.
    if (isNamingContextHead(base)) {
      for (const auto& [attribute, value] : equalities)
        if (attribute == QLatin1String("objectcategory")) return byCategory(value, after, limit);
    }
    const QString rk = reversedKey(base.dn);
    auto r = st_.q(
        "SELECT id FROM objects WHERE (rkey=?1 OR (rkey>?2 AND rkey<?3)) AND id>?4 ORDER BY id LIMIT ?5");
    r.bind(1, rk).bind(2, rk + QChar(1)).bind(3, rk + QChar(2)).bind(4, after).bind(5, limit);
    return collect(r);
  }

  // The naming context an object lies in: its domain's id, or for the forest's own partitions
  // kConfigurationNc or kSchemaNc.
  static constexpr qint64 kConfigurationNc = -1, kSchemaNc = -2;
  qint64 namingContextOf(const ObjRow& o) {
    if (o.domainId != 0) return o.domainId;
    const auto f = st_.forest(o.forestId);
    return f && o.dn.isWithin(f->schemaNc) ? kSchemaNc : kConfigurationNc;
  }

  // A directory server's one-level and subtree searches stay within the naming context of their
  // base: below a domain's head they do not enter the configuration partition (the server only
  // refers to it), nor the configuration the schema. The global catalog searches the forest.
  bool inSearchedContext(const ObjRow& o, qint64 baseNc, Scope scope) {
    if (scope == Scope::Base || protocol_ == Protocol::GlobalCatalog) return true;
    if (baseNc > 0) return o.domainId == baseNc;
    return o.domainId == 0 && namingContextOf(o) == baseNc;
  }

  bool isNamingContextHead(const ObjRow& o) {
    if (o.parentId == 0) return true;
    auto d = st_.domainById(o.domainId);
    return d && d->nc == o.dn;
  }

  // The objects whose objectCategory has a value the test (objectCategory=value) accepts. There
  // are few distinct categories: each is judged by the filter evaluator itself (short names and
  // class aliases included), then its objects are looked up.
  QList<qint64> byCategory(const QByteArray& value, qint64 after, int limit) {
    const QString attribute = QStringLiteral("objectcategory");
    auto test = compileFilter(
        QStringLiteral("(objectCategory=%1)").arg(search::escapeFilterValue(QString::fromUtf8(value))));
    QList<qint64> ids;
    if (!test) return ids;
    QByteArray v;
    while (true) {
      auto next = st_.q("SELECT min(value) FROM attrs WHERE akey GLOB 'objectcategory' AND value>?");
      next.bindBlob(1, v.isNull() ? QByteArray("") : v);
      if (!next.next() || next.isNull(0)) break;
      v = next.blob(0);
      if (!test->matches(OneValue(attribute, v))) continue;
      auto r = st_.q(
          "SELECT object_id FROM attrs WHERE akey GLOB 'objectcategory' AND value=? AND object_id>? "
          "ORDER BY object_id LIMIT ?");
      r.bindBlob(1, v).bind(2, after).bind(3, limit);
      while (r.next()) ids.append(r.i64(0));
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    if (ids.size() > limit) ids.resize(limit);
    return ids;
  }

  class OneValue : public AttributeSource {
   public:
    OneValue(const QString& attribute, const QByteArray& value) : attribute_(attribute), value_(value) {}
    Values values(const QString& attribute) const override {
      return attribute.compare(attribute_, Qt::CaseInsensitive) == 0 ? Values{value_} : Values{};
    }

   private:
    const QString& attribute_;
    const QByteArray& value_;
  };

  static bool inBase(const ObjRow& o, const ObjRow& base, Scope scope, bool baseIsHead) {
    switch (scope) {
      case Scope::Base:
        return o.id == base.id;
      case Scope::OneLevel:
        return o.parentId == base.id;
      case Scope::Subtree:
        break;
    }
    // Every object of a domain lies below the domain's head.
    if (baseIsHead && o.domainId != 0 && o.domainId == base.domainId) return true;
    return o.dn.isWithin(base.dn);
  }

  std::optional<ObjRow> groupByRid(qint64 domainId, qint64 rid) {
    auto d = st_.domainById(domainId);
    if (!d) return std::nullopt;
    auto id = st_.sidOwner(domainId, sidWithRid(d->sid, static_cast<quint32>(rid)));
    if (!id) return std::nullopt;
    return st_.objectById(*id);
  }

  Status applyMember(const ObjRow& group, const Modification& m);

  std::shared_ptr<SimNetwork> net_;
  Store& st_;
  Protocol protocol_;
  DomainRow domain_;
  bool serverless_;
  ServerInfo info_;
};

// ---------------------------------------------------------------------------------------------

namespace {

// Adds an entry with every server-side default, without checking the caller's rights. Shared by
// LDAP adds and the seeding of well-known objects (`rid` > 0 forces the RID).
Result<qint64> addEntry(Store& st, const Dn& dn, QList<Attribute> attrs, qint64 rid, bool system) {
  if (dn.isEmpty()) return err(ldap::INVALID_DN_SYNTAX, QStringLiteral("empty name"));
  // A name in use is found by the store's unique key when the entry is inserted.
  auto parent = st.object(dn.parent());
  if (!parent)
    return err(ldap::NO_SUCH_OBJECT,
               QStringLiteral("the container %1 does not exist").arg(dn.parent().toString()));

  auto find = [&](const QString& name) -> Attribute* {
    for (Attribute& a : attrs)
      if (a.name.compare(name, Qt::CaseInsensitive) == 0) return &a;
    return nullptr;
  };
  auto set = [&](const QString& name, Values v) {
    if (Attribute* a = find(name))
      a->values = std::move(v);
    else
      attrs.append(Attribute{name, std::move(v)});
  };
  // Merge repeated attribute names and validate each.
  QList<Attribute> merged;
  for (const Attribute& a : attrs) {
    const AttributeDef* def = findAttribute(a.name);
    if (!def)
      return err(ldap::NO_SUCH_ATTRIBUTE,
                 QStringLiteral("the attribute %1 is not in the schema").arg(a.name));
    if (def->systemOnly && !system)
      return err(ldap::CONSTRAINT_VIOLATION, QStringLiteral("%1 is set by the directory").arg(def->name));
    Attribute* m = nullptr;
    for (Attribute& x : merged)
      if (x.name.compare(def->name, Qt::CaseInsensitive) == 0) m = &x;
    if (!m) {
      merged.append(Attribute{def->name, {}});
      m = &merged.last();
    }
    for (const QByteArray& v : a.values) {
      if (Status s = checkAttributeValue(*def, v); !s) return s.error();
      m->values.append(v);
    }
  }
  attrs = merged;

  const Attribute* oc = find(QStringLiteral("objectClass"));
  if (!oc) return err(ldap::OBJECT_CLASS_VIOLATION, QStringLiteral("no objectClass"));
  auto cls = structuralClass(oc->values);
  if (!cls) return cls.error();
  const ClassDef* def = *cls;
  const QStringList chain = def->chain;
  for (const Attribute& a : attrs) {
    if (!classMayHold(chain, a.name))
      return err(ldap::OBJECT_CLASS_VIOLATION,
                 QStringLiteral("%1 is not an attribute of a %2").arg(a.name, def->name));
    if (singleValuedOn(*findAttribute(a.name), chain) && a.values.size() > 1)
      return err(ldap::TYPE_OR_VALUE_EXISTS, QStringLiteral("%1 takes one value").arg(a.name));
  }
  const Rdn& rdn = dn.rdn();
  if (rdn.avas().size() != 1 || rdn.type().compare(def->rdnType, Qt::CaseInsensitive) != 0)
    return err(ldap::NAMING_VIOLATION, QStringLiteral("a %1 is named with %2=").arg(def->name, def->rdnType));
  const QStringList parentChain = st.chain(parent->id);
  bool superiorOk = system;
  for (const QString& s : def->possibleSuperiors)
    superiorOk = superiorOk || parentChain.contains(s, Qt::CaseInsensitive);
  if (!superiorOk)
    return err(ldap::NAMING_VIOLATION,
               QStringLiteral("a %1 cannot be created in a %2")
                   .arg(def->name, parentChain.isEmpty() ? QString() : parentChain.last()));
  // The RDN's length is not bounded here: a domain controller takes a value longer than the naming
  // attribute's range.
  const QString rdnAttr =
      def->rdnType.toLower() == QLatin1String("cn") ? QStringLiteral("cn") : def->rdnType.toLower();
  if (const Attribute* given = find(rdnAttr);
      given && !sameValue(nullptr, given->values.value(0), rdn.value().toUtf8()))
    return err(ldap::NAMING_VIOLATION, QStringLiteral("%1 differs from the name").arg(rdnAttr));

  const qint64 domainId = parent->domainId;
  const qint64 forestId = parent->forestId;
  const auto domain = domainId ? st.domainById(domainId) : std::nullopt;
  std::optional<ForestRow> forest = forestId ? st.forest(forestId) : std::nullopt;

  set(QStringLiteral("objectClass"), [&] {
    Values v;
    for (const QString& c : chain) v.append(c.toUtf8());
    return v;
  }());
  set(rdnAttr, {rdn.value().toUtf8()});
  set(QStringLiteral("name"), {rdn.value().toUtf8()});
  if (!def->category.isEmpty()) {
    const Dn schemaNc = forest ? forest->schemaNc : Dn::fromDnsName(domain ? domain->netbios : QString());
    set(QStringLiteral("objectCategory"),
        {schemaNc.child(Rdn(QStringLiteral("CN"), def->category)).toString().toUtf8()});
  }
  set(QStringLiteral("objectGUID"), {QUuid::createUuid().toRfc4122()});
  const QByteArray now = generalizedTime(st.now());
  set(QStringLiteral("whenCreated"), {now});
  set(QStringLiteral("whenChanged"), {now});
  set(QStringLiteral("instanceType"), {"4"});

  QString sam;
  QByteArray sid;
  QList<qint64> memberIds;
  if (isAccountClass(chain)) {
    if (!domain) return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("accounts belong in a domain"));
    const bool isUser = chain.contains(QStringLiteral("user"), Qt::CaseInsensitive);
    const bool isComputer = chain.contains(QStringLiteral("computer"), Qt::CaseInsensitive);
    const qint64 newRid = rid != 0 ? rid : st.nextRid(domainId);
    if (const Attribute* s = find(QStringLiteral("sAMAccountName"))) {
      sam = QString::fromUtf8(s->values.value(0));
      if (Status v = validSam(isComputer ? sam.chopped(sam.endsWith(u'$') ? 1 : 0) : sam); !v)
        return v.error();
    } else {
      sam = QStringLiteral("$%1-%2")
                .arg(QString::number(QRandomGenerator::global()->bounded(0x100000), 16).toUpper())
                .arg(newRid);
      set(QStringLiteral("sAMAccountName"), {sam.toUtf8()});
    }
    if (st.samOwner(domainId, sam))
      return err(ldap::ALREADY_EXISTS, QStringLiteral("the account name %1 is already in use").arg(sam));
    sid = rid < 0 ? QByteArray() : sidWithRid(domain->sid, static_cast<quint32>(newRid));
    if (const Attribute* forced = find(QStringLiteral("objectSid")); forced && system)
      sid = forced->values.value(0);
    set(QStringLiteral("objectSid"), {sid});
    qint32 gt = 0;
    if (isUser) {
      const bool nt4 = domain->kind == DomainKind::Nt4;
      if (!find(QStringLiteral("userAccountControl")))
        set(QStringLiteral("userAccountControl"), {QByteArray::number(isComputer ? kComputerDefaultUac
                                                                      : nt4      ? kNt4UserDefaultUac
                                                                                 : kUserDefaultUac)});
      qint32 control = static_cast<qint32>(num(find(QStringLiteral("userAccountControl"))->values));
      // Flags without the kind of account make a normal account, as a domain controller has it.
      if ((control & kAccountTypeMask) == 0) {
        control |= uac::NORMAL_ACCOUNT;
        set(QStringLiteral("userAccountControl"), {QByteArray::number(control)});
      }
      if (!(control & uac::ACCOUNTDISABLE) && !(control & uac::PASSWD_NOTREQD) && !system) {
        if (Status s = checkPasswordPolicy(st, *domain, sam, QString()); !s) return s.error();
      }
      // The directory chooses the primary group of a new account; a client may change it later.
      if (find(QStringLiteral("primaryGroupID")) && !system)
        return err(ldap::UNWILLING_TO_PERFORM,
                   QStringLiteral("The primary group isn't settable on add operations!"));
      if (!find(QStringLiteral("primaryGroupID")))
        set(QStringLiteral("primaryGroupID"), {isComputer ? "515" : "513"});
      if (const Attribute* p = find(QStringLiteral("pwdLastSet"));
          p && !system && num(p->values) != 0 && num(p->values) != -1)
        return err(ldap::OTHER, QStringLiteral("pwdLastSet must be 0 or -1 only!"));
      if (num(find(QStringLiteral("pwdLastSet")) ? find(QStringLiteral("pwdLastSet"))->values : Values{}) ==
          -1)
        set(QStringLiteral("pwdLastSet"), {QByteArray::number(st.nowTicks())});
      else
        set(QStringLiteral("pwdLastSet"), {"0"});
      if (!find(QStringLiteral("accountExpires")))
        set(QStringLiteral("accountExpires"), {QByteArray::number(kNeverExpires)});
      if (const Attribute* l = find(QStringLiteral("lockoutTime")); l && !system && num(l->values) != 0)
        return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("lockoutTime takes 0 only"));
      set(QStringLiteral("badPwdCount"), {"0"});
    } else {
      if (!find(QStringLiteral("groupType")))
        set(QStringLiteral("groupType"), {QByteArray::number(qint32(0x80000002u))});
      gt = static_cast<qint32>(num(find(QStringLiteral("groupType"))->values));
      if (!system) {
        if (Status s = validGroupType(gt, domain->mixed); !s) return s.error();
      }
    }
    set(QStringLiteral("sAMAccountType"), {QByteArray::number(samAccountType(chain, gt))});
  }
  if (Attribute* m = find(QStringLiteral("member"))) {
    if (!chain.contains(QStringLiteral("group"), Qt::CaseInsensitive))
      return err(ldap::OBJECT_CLASS_VIOLATION, QStringLiteral("only groups have members"));
    for (const QByteArray& v : m->values) {
      auto mo = st.object(Dn::parse(QString::fromUtf8(v)).value());
      if (!mo)
        return err(ldap::NO_SUCH_OBJECT,
                   QStringLiteral("the member %1 does not exist").arg(QString::fromUtf8(v)));
      if (memberIds.contains(mo->id))
        return err(ldap::ALREADY_EXISTS, QStringLiteral("a member is listed twice"));
      memberIds.append(mo->id);
    }
    attrs.removeIf(
        [](const Attribute& a) { return a.name.compare(QLatin1String("member"), Qt::CaseInsensitive) == 0; });
  }

  const qint64 id = st.insertObject(*parent, dn, domainId, forestId, attrs);
  if (id == 0 && st.constraintFailed())
    return err(ldap::ALREADY_EXISTS, QStringLiteral("%1 already exists").arg(dn.toString()));
  if (id == 0) return st.dbError(QStringLiteral("cannot store %1").arg(dn.toString()));
  if (!sam.isEmpty()) {
    auto q = st.q("INSERT INTO sam(domain_id, name_key, object_id) VALUES(?,?,?)");
    q.bind(1, domainId).bind(2, sam.toLower()).bind(3, id);
    q.run();
  }
  if (!sid.isEmpty()) {
    auto q = st.q("INSERT INTO sids(sid, object_id) VALUES(?,?)");
    q.bindBlob(1, sid).bind(2, id);
    q.run();
  }
  for (qint64 m : memberIds) {
    auto q = st.q("INSERT INTO links(group_id, member_id) VALUES(?,?)");
    q.bind(1, id).bind(2, m);
    q.run();
  }
  return id;
}

}  // namespace

Status SimConnection::add(const Dn& dn, const QList<Attribute>& attributes) {
  count(Counter::Writes);
  // The checks read what the change is made to: in its transaction, one lock for all.
  Txn t(st_);
  if (!t.ok()) return st_.dbError(QStringLiteral("cannot start a transaction"));
  if (Status s = writable(); !s) return s;
  auto parent = st_.object(dn.parent());
  if (!dn.isEmpty() && parent && !inScope(*parent))
    return err(ldap::NO_SUCH_OBJECT,
               QStringLiteral("the container %1 does not exist").arg(dn.parent().toString()));
  auto id = addEntry(st_, dn, attributes, 0, false);
  if (!id) return id.error();
  return t.commit();
}

Status SimConnection::applyMember(const ObjRow& group, const Modification& m) {
  // The members' rows, read once here, serve the checks below: linking changes no row.
  QList<qint64> ids;
  QHash<qint64, ObjRow> rows;
  for (const QByteArray& v : m.values) {
    auto dn = Dn::parse(QString::fromUtf8(v));
    if (!dn) return err(ldap::INVALID_DN_SYNTAX, dn.error().message);
    auto mo = st_.object(*dn);
    if (!mo)
      return err(ldap::NO_SUCH_OBJECT,
                 QStringLiteral("the member %1 does not exist").arg(QString::fromUtf8(v)));
    ids.append(mo->id);
    rows.insert(mo->id, std::move(*mo));
  }
  // The group's row was read in this change's transaction: its SID is taken from it.
  const auto groupSid = st_.attrOf(group, QStringLiteral("objectSid"));
  const quint32 groupRid = groupSid.isEmpty() ? 0 : sidRid(groupSid.first());
  auto primaryHere = [&](qint64 memberId) {
    const ObjRow& mo = rows[memberId];
    return mo.domainId == group.domainId && groupRid != 0 &&
           num(st_.attrOf(mo, QStringLiteral("primaryGroupID"))) == groupRid;
  };
  auto link = [&](qint64 memberId, bool add) {
    auto q = st_.q(add ? "INSERT INTO links(group_id, member_id) VALUES(?,?)"
                       : "DELETE FROM links WHERE group_id=? AND member_id=?");
    q.bind(1, group.id).bind(2, memberId);
    q.run();
  };
  switch (m.op) {
    case ModOp::Add:
      if (ids.isEmpty()) return err(ldap::CONSTRAINT_VIOLATION, QStringLiteral("no member given"));
      for (qint64 id : ids) {
        if (st_.hasLink(group.id, id) || primaryHere(id))
          return err(ldap::ALREADY_EXISTS, QStringLiteral("the account is already a member of the group"));
        link(id, true);
      }
      return {};
    case ModOp::Delete:
      if (ids.isEmpty()) {
        for (qint64 id : st_.membersOf(group.id)) link(id, false);
        return {};
      }
      for (qint64 id : ids) {
        if (!st_.hasLink(group.id, id))
          return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("the account is not a member of the group"));
        link(id, false);
      }
      return {};
    case ModOp::Replace:
      for (qint64 id : st_.membersOf(group.id)) link(id, false);
      for (qint64 id : ids) {
        if (st_.hasLink(group.id, id)) continue;
        if (primaryHere(id))
          return err(ldap::ALREADY_EXISTS, QStringLiteral("the account is already a member of the group"));
        link(id, true);
      }
      return {};
  }
  return {};
}

Status SimConnection::modify(const Dn& dn, const QList<Modification>& changes) {
  count(Counter::Writes);
  // The checks read what the change is made to: in its transaction, one lock for all.
  Txn t(st_);
  if (!t.ok()) return st_.dbError(QStringLiteral("cannot start a transaction"));
  if (Status s = writable(); !s) return s;
  auto o = reach(dn);
  if (!o) return o.error();
  // The classes and the attributes the changes name are read from the entry in one pass.
  QStringList wanted{QStringLiteral("objectclass")};
  for (const Modification& m : changes)
    if (const AttributeDef* def = findAttribute(m.attribute)) {
      QString key = def->name.toLower();
      if (key != QLatin1String("member") && !wanted.contains(key)) wanted.append(std::move(key));
    }
  std::optional<QList<Values>> found;
  if (!o->packed.isEmpty()) found = packed::findAll(o->packed, wanted);
  QStringList chain;
  for (const QByteArray& c : found ? found->first() : st_.attrOf(*o, QStringLiteral("objectclass")))
    chain.append(QString::fromUtf8(c));
  const bool isUser = chain.contains(QStringLiteral("user"), Qt::CaseInsensitive);
  const bool isGroup = chain.contains(QStringLiteral("group"), Qt::CaseInsensitive);
  const bool isComputer = chain.contains(QStringLiteral("computer"), Qt::CaseInsensitive);
  auto domain = o->domainId ? st_.domainById(o->domainId) : std::nullopt;

  // The attributes the changes touch or the rules look at, by lower-case name, read from the
  // stored entry when first needed, changed in memory and written back when all is well; the
  // entry's other attributes are neither read nor rewritten.
  QHash<QString, Values> state;
  QHash<QString, Values> before;
  QSet<QString> read;
  auto load = [&](const QString& key) {
    if (read.contains(key)) return;
    read.insert(key);
    Values v = st_.attrOf(*o, key);
    if (v.isEmpty()) return;
    state.insert(key, v);
    before.insert(key, std::move(v));
  };
  if (found)
    for (qsizetype i = 1; i < wanted.size(); ++i) {
      read.insert(wanted[i]);
      if (found->at(i).isEmpty()) continue;
      state.insert(wanted[i], found->at(i));
      before.insert(wanted[i], found->at(i));
    }
  QHash<QString, QString> names;
  QSet<QString> touched;

  for (const Modification& m : changes) {
    const AttributeDef* def = findAttribute(m.attribute);
    if (!def)
      return err(ldap::NO_SUCH_ATTRIBUTE,
                 QStringLiteral("the attribute %1 is not in the schema").arg(m.attribute));
    const QString key = def->name.toLower();
    if (key == QLatin1String("member")) {
      if (!isGroup) return err(ldap::OBJECT_CLASS_VIOLATION, QStringLiteral("only groups have members"));
      if (Status s = applyMember(*o, m); !s) return s;
      continue;
    }
    if (key == o->dn.rdn().type().toLower() || key == QLatin1String("name"))
      return err(ldap::NOT_ALLOWED_ON_RDN,
                 QStringLiteral("%1 follows the object's name; rename the object instead").arg(def->name));
    if (def->systemOnly)
      return err(ldap::CONSTRAINT_VIOLATION, QStringLiteral("%1 is set by the directory").arg(def->name));
    if (key == QLatin1String("objectclass"))
      return err(ldap::OBJECT_CLASS_VIOLATION, QStringLiteral("the structural class cannot be changed"));
    if (!m.values.isEmpty() && !classMayHold(chain, def->name))
      return err(ldap::OBJECT_CLASS_VIOLATION,
                 QStringLiteral("%1 is not an attribute of a %2")
                     .arg(def->name, chain.isEmpty() ? QString() : chain.last()));
    for (const QByteArray& v : m.values)
      if (Status s = checkAttributeValue(*def, v); !s) return s;
    load(key);
    Values cur = state.value(key);
    switch (m.op) {
      case ModOp::Replace:
        cur = m.values;
        break;
      case ModOp::Add:
        if (m.values.isEmpty())
          return err(ldap::CONSTRAINT_VIOLATION, QStringLiteral("no value to add to %1").arg(def->name));
        for (const QByteArray& v : m.values) {
          for (const QByteArray& c : cur)
            if (sameValue(def, c, v))
              return err(ldap::TYPE_OR_VALUE_EXISTS,
                         QStringLiteral("%1 already has that value").arg(def->name));
          cur.append(v);
        }
        break;
      case ModOp::Delete:
        if (cur.isEmpty())
          return err(ldap::NO_SUCH_ATTRIBUTE, QStringLiteral("%1 has no value").arg(def->name));
        if (m.values.isEmpty()) {
          cur.clear();
        } else {
          for (const QByteArray& v : m.values) {
            const qsizetype at = std::find_if(cur.cbegin(), cur.cend(),
                                              [&](const QByteArray& c) { return sameValue(def, c, v); }) -
                                 cur.cbegin();
            if (at >= cur.size())
              return err(ldap::NO_SUCH_ATTRIBUTE,
                         QStringLiteral("%1 does not have that value").arg(def->name));
            cur.removeAt(at);
          }
        }
        break;
    }
    if (singleValuedOn(*def, chain) && cur.size() > 1)
      return err(ldap::TYPE_OR_VALUE_EXISTS, QStringLiteral("%1 takes one value").arg(def->name));
    if (cur.isEmpty())
      state.remove(key);
    else
      state.insert(key, cur);
    names.insert(key, def->name);
    touched.insert(key);
  }

  auto changed = [&](const char* k) {
    const QString key = QString::fromLatin1(k);
    return touched.contains(key) && state.value(key) != before.value(key);
  };
  auto value = [&](const char* k) {
    load(QString::fromLatin1(k));
    return num(state.value(QString::fromLatin1(k)));
  };
  auto stored = [&](const char* k) {
    load(QString::fromLatin1(k));
    return state.value(QString::fromLatin1(k));
  };
  auto was = [&](const char* k) {
    load(QString::fromLatin1(k));
    return before.value(QString::fromLatin1(k));
  };

  // Account rules, checked on the result of all changes together.
  if (changed("pwdlastset")) {
    if (!state.contains(QStringLiteral("pwdlastset")) ||
        (value("pwdlastset") != 0 && value("pwdlastset") != -1))
      return err(ldap::OTHER, QStringLiteral("pwdLastSet must be 0 or -1 only!"));
    // -1 means "the password was just set": from 0 it becomes now; a time already set stays.
    if (value("pwdlastset") == -1) {
      const qint64 setAt = num(was("pwdlastset"));
      state.insert(QStringLiteral("pwdlastset"), {QByteArray::number(setAt != 0 ? setAt : st_.nowTicks())});
    }
  }
  if (changed("lockouttime")) {
    if (value("lockouttime") != 0)
      return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("lockoutTime takes 0 only"));
    state.insert(QStringLiteral("lockouttime"), {"0"});
    state.insert(QStringLiteral("badpwdcount"), {"0"});
    touched.insert(QStringLiteral("badpwdcount"));
  }
  if (isUser && changed("useraccountcontrol")) {
    if (!state.contains(QStringLiteral("useraccountcontrol")))
      return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("userAccountControl cannot be removed"));
    qint32 control = static_cast<qint32>(value("useraccountcontrol"));
    // Flags without the kind of account make a normal account, as a domain controller has it.
    if ((control & kAccountTypeMask) == 0) {
      control |= uac::NORMAL_ACCOUNT;
      state.insert(QStringLiteral("useraccountcontrol"), {QByteArray::number(control)});
    }
    const qint32 old = static_cast<qint32>(num(was("useraccountcontrol")));
    const bool enabling = (old & uac::ACCOUNTDISABLE) && !(control & uac::ACCOUNTDISABLE);
    auto secret = st_.q("SELECT 1 FROM secrets WHERE object_id=?");
    secret.bind(1, o->id);
    const bool hasPassword = secret.next();
    if (enabling && !hasPassword && !(control & uac::PASSWD_NOTREQD) && domain) {
      const QString sam = str(stored("samaccountname"));
      if (Status s = checkPasswordPolicy(st_, *domain, sam, QString()); !s) return s;
    }
  }
  if (isUser && changed("primarygroupid")) {
    const qint64 rid = value("primarygroupid");
    auto g = domain ? groupByRid(domain->id, rid) : std::nullopt;
    if (!g || !st_.hasLink(g->id, o->id))
      return err(ldap::UNWILLING_TO_PERFORM,
                 QStringLiteral("the primary group must be a group of which the user is a member"));
    // The new primary group loses its explicit link; the old one becomes an ordinary membership.
    auto del = st_.q("DELETE FROM links WHERE group_id=? AND member_id=?");
    del.bind(1, g->id).bind(2, o->id);
    del.run();
    if (auto oldG = groupByRid(domain->id, num(was("primarygroupid")))) {
      auto ins = st_.q("INSERT OR IGNORE INTO links(group_id, member_id) VALUES(?,?)");
      ins.bind(1, oldG->id).bind(2, o->id);
      ins.run();
    }
  }
  if ((isUser || isGroup) && changed("samaccountname")) {
    const QString sam = str(stored("samaccountname"));
    if (Status s = validSam(isComputer ? sam.chopped(sam.endsWith(u'$') ? 1 : 0) : sam); !s) return s;
    if (auto owner = st_.samOwner(o->domainId, sam); owner && *owner != o->id)
      return err(ldap::ALREADY_EXISTS, QStringLiteral("the account name %1 is already in use").arg(sam));
    auto del = st_.q("DELETE FROM sam WHERE object_id=?");
    del.bind(1, o->id);
    del.run();
    auto ins = st_.q("INSERT INTO sam(domain_id, name_key, object_id) VALUES(?,?,?)");
    ins.bind(1, o->domainId).bind(2, sam.toLower()).bind(3, o->id);
    ins.run();
  }
  if (isGroup && changed("grouptype")) {
    const qint32 old = static_cast<qint32>(num(was("grouptype")));
    if (old & grouptype::BUILTIN_LOCAL)
      return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("a built-in group keeps its type"));
    const qint32 now = static_cast<qint32>(value("grouptype"));
    if (Status s = validGroupType(now, domain && domain->mixed); !s) return s;
    // A global group becomes domain local, or the other way, only by way of universal.
    const qint32 scopes = grouptype::GLOBAL | grouptype::DOMAIN_LOCAL;
    auto scopeName = [](qint32 t) {
      return (t & grouptype::GLOBAL) ? QStringLiteral("global") : QStringLiteral("domain local");
    };
    if ((old & scopes) && (now & scopes) && (old & scopes) != (now & scopes))
      return err(ldap::UNWILLING_TO_PERFORM,
                 QStringLiteral("a %1 group cannot become %2 directly; make it universal first")
                     .arg(scopeName(old), scopeName(now)));
    state.insert(QStringLiteral("samaccounttype"),
                 {QByteArray::number(samAccountType(chain, static_cast<qint32>(value("grouptype"))))});
    touched.insert(QStringLiteral("samaccounttype"));
  }
  if (chain.contains(QStringLiteral("domainDNS"), Qt::CaseInsensitive) && changed("ntmixeddomain")) {
    if (value("ntmixeddomain") != 0 || !domain || !domain->mixed)
      return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("a domain can only be raised to native mode"));
    auto u = st_.q("UPDATE domains SET mixed=0 WHERE id=?");
    u.bind(1, domain->id);
    u.run();
    st_.invalidate();
  }

  state.insert(QStringLiteral("whenchanged"), {generalizedTime(st_.now())});
  names.insert(QStringLiteral("whenchanged"), QStringLiteral("whenChanged"));
  touched.insert(QStringLiteral("whenchanged"));
  QList<Attribute> written;
  written.reserve(touched.size());
  for (const QString& key : std::as_const(touched)) {
    QString name = names.value(key);
    if (name.isEmpty()) {
      const AttributeDef* def = findAttribute(key);
      name = def ? def->name : key;
    }
    written.append(Attribute{name, state.value(key)});
  }
  if (!st_.writeChanges(*o, written))
    return st_.dbError(QStringLiteral("cannot store the changes of %1").arg(dn.toString()));
  return t.commit();
}

Status SimConnection::remove(const Dn& dn) {
  count(Counter::Writes);
  // The checks read what the change is made to: in its transaction, one lock for all.
  Txn t(st_);
  if (!t.ok()) return st_.dbError(QStringLiteral("cannot start a transaction"));
  if (Status s = writable(); !s) return s;
  auto o = reach(dn);
  if (!o) return o.error();
  const QStringList chain = st_.chain(o->id);
  // The account database refuses to delete its well-known accounts (80); other system objects
  // cannot be deleted at all (53, whether or not they hold anything).
  if (str(st_.attr(o->id, QStringLiteral("isCriticalSystemObject"))) == QLatin1String("TRUE"))
    return err(isAccountClass(chain) ? ldap::OTHER : ldap::UNWILLING_TO_PERFORM,
               QStringLiteral("%1 is a system object").arg(dn.toString()));
  if (st_.hasChildren(o->id))
    return err(ldap::NOT_ALLOWED_ON_NONLEAF, QStringLiteral("%1 has child objects").arg(dn.toString()));
  const Values sid = st_.attr(o->id, QStringLiteral("objectSid"));
  if (!sid.isEmpty() && chain.contains(QStringLiteral("group"), Qt::CaseInsensitive)) {
    auto r = st_.q(
        "SELECT 1 FROM attrs a JOIN objects o ON o.id=a.object_id WHERE a.akey='primarygroupid' AND "
        "a.value=? AND o.domain_id=? LIMIT 1");
    r.bindBlob(1, QByteArray::number(sidRid(sid.first()))).bind(2, o->domainId);
    if (r.next())
      return err(ldap::ALREADY_EXISTS,
                 QStringLiteral("Refusing to delete %1, as it is still the primaryGroupID of an account")
                     .arg(dn.toString()));
  }
  for (const char* sql :
       {"DELETE FROM links WHERE group_id=?1 OR member_id=?1", "DELETE FROM attrs WHERE object_id=?1",
        "DELETE FROM sam WHERE object_id=?1", "DELETE FROM sids WHERE object_id=?1",
        "DELETE FROM secrets WHERE object_id=?1", "DELETE FROM objects WHERE id=?1"}) {
    auto q = st_.q(sql);
    q.bind(1, o->id);
    if (!q.run()) return st_.dbError(QStringLiteral("cannot delete %1").arg(dn.toString()));
  }
  return t.commit();
}

Status SimConnection::rename(const Dn& dn, const Rdn& newRdn, const std::optional<Dn>& newSuperior) {
  count(Counter::Writes);
  // The checks read what the change is made to: in its transaction, one lock for all.
  Txn t(st_);
  if (!t.ok()) return st_.dbError(QStringLiteral("cannot start a transaction"));
  if (Status s = writable(); !s) return s;
  auto o = reach(dn);
  if (!o) return o.error();
  if (str(st_.attr(o->id, QStringLiteral("isCriticalSystemObject"))) == QLatin1String("TRUE"))
    return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("%1 is a system object").arg(dn.toString()));
  const Dn parentDn = newSuperior ? *newSuperior : o->dn.parent();
  auto parent = reach(parentDn);
  if (!parent)
    return err(ldap::OTHER, QStringLiteral("the new parent %1 does not exist").arg(parentDn.toString()));
  if (parent->domainId != o->domainId)
    return err(ldap::UNWILLING_TO_PERFORM,
               QStringLiteral("objects cannot be moved to another domain this way"));
  if (parentDn.isWithin(o->dn))
    return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("an object cannot be moved below itself"));
  const QStringList chain = st_.chain(o->id);
  auto cls = structuralClass([&] {
    Values v;
    for (const QString& c : chain) v.append(c.toUtf8());
    return v;
  }());
  if (!cls) return cls.error();
  // A new name of the wrong type is refused as an unwilling rename (an add gives 64 for it).
  if (newRdn.avas().size() != 1 || newRdn.type().compare((*cls)->rdnType, Qt::CaseInsensitive) != 0)
    return err(ldap::UNWILLING_TO_PERFORM,
               QStringLiteral("Invalid RDN '%1' for objectclass '%2'").arg(newRdn.type(), (*cls)->name));
  const QStringList parentChain = st_.chain(parent->id);
  bool superiorOk = false;
  for (const QString& s : (*cls)->possibleSuperiors)
    superiorOk = superiorOk || parentChain.contains(s, Qt::CaseInsensitive);
  if (!superiorOk)
    return err(ldap::NAMING_VIOLATION, QStringLiteral("a %1 cannot be placed there").arg((*cls)->name));
  const Dn target = parentDn.child(newRdn);
  if (auto clash = st_.object(target); clash && clash->id != o->id)
    return err(ldap::ALREADY_EXISTS, QStringLiteral("%1 already exists").arg(target.toString()));

  // The object and everything below it take the new name.
  const QString oldRk = reversedKey(o->dn);
  QList<std::pair<qint64, Dn>> moves;
  {
    auto r = st_.q("SELECT id, dn FROM objects WHERE rkey=?1 OR (rkey>?2 AND rkey<?3)");
    r.bind(1, oldRk).bind(2, oldRk + QChar(1)).bind(3, oldRk + QChar(2));
    while (r.next()) moves.append({r.i64(0), Dn::parse(r.text(1)).value()});
  }
  const int oldDepth = o->dn.depth();
  for (const auto& [id, oldDn] : moves) {
    Dn moved = target;
    const QList<Rdn>& rdns = oldDn.rdns();
    for (int i = static_cast<int>(rdns.size()) - oldDepth - 1; i >= 0; --i) moved = moved.child(rdns[i]);
    auto u = st_.q(
        "UPDATE objects SET dn=?1, rkey=?2, parent_id=CASE WHEN id=?4 THEN ?5 ELSE parent_id END WHERE "
        "id=?3");
    u.bind(1, moved.toString()).bind(2, reversedKey(moved)).bind(3, id).bind(4, o->id).bind(5, parent->id);
    if (!u.run()) return st_.dbError(QStringLiteral("cannot rename %1").arg(dn.toString()));
  }
  const QByteArray value = newRdn.value().toUtf8();
  if (!st_.writeAttrs(
          o->id, {Attribute{newRdn.type().toLower(), {value}}, Attribute{QStringLiteral("name"), {value}},
                  Attribute{QStringLiteral("whenChanged"), {generalizedTime(st_.now())}}}))
    return st_.dbError(QStringLiteral("cannot rename %1").arg(dn.toString()));
  return t.commit();
}

Status SimConnection::setPassword(const Dn& dn, const QString& password) {
  count(Counter::Writes);
  // The checks read what the change is made to: in its transaction, one lock for all.
  Txn t(st_);
  if (!t.ok()) return st_.dbError(QStringLiteral("cannot start a transaction"));
  if (Status s = writable(); !s) return s;
  auto o = reach(dn);
  if (!o) return o.error();
  if (!st_.chain(o->id).contains(QStringLiteral("user"), Qt::CaseInsensitive))
    return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("only accounts have passwords"));
  auto d = st_.domainById(o->domainId);
  if (!d) return err(ldap::UNWILLING_TO_PERFORM, QStringLiteral("no domain"));
  if (Status s =
          checkPasswordPolicy(st_, *d, str(st_.attr(o->id, QStringLiteral("sAMAccountName"))), password);
      !s)
    return s;
  QByteArray salt(16, Qt::Uninitialized);
  for (char& c : salt) c = static_cast<char>(QRandomGenerator::global()->bounded(256));
  auto q = st_.q("INSERT OR REPLACE INTO secrets(object_id, salt, hash) VALUES(?,?,?)");
  q.bind(1, o->id).bindBlob(2, salt).bindBlob(3, hashPassword(salt, password));
  if (!q.run()) return st_.dbError(QStringLiteral("cannot store the password"));
  if (!st_.writeAttrs(o->id, {Attribute{QStringLiteral("pwdLastSet"), {QByteArray::number(st_.nowTicks())}}}))
    return st_.dbError(QStringLiteral("cannot store the password"));
  return t.commit();
}

// =============================================================================================

SimNetwork::SimNetwork() : store_(std::make_unique<Store>()) {}
SimNetwork::~SimNetwork() = default;

Result<std::shared_ptr<SimNetwork>> SimNetwork::open(const QString& folder) {
  if (!QDir().mkpath(folder))
    return makeError(hr::ACCESS_DENIED, QStringLiteral("cannot create %1").arg(folder));
  std::shared_ptr<SimNetwork> net(new SimNetwork());
  net->folder_ = QDir(folder).absolutePath();
  if (Status s = net->store_->open(QDir(folder).filePath(QStringLiteral("network.db"))); !s) return s.error();
  return net;
}

QString SimNetwork::defaultFolder() {
  const QString env = qEnvironmentVariable("TAVREL_NETWORK");
  if (!env.isEmpty()) return env;
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
  return data + QStringLiteral("/tavrel/network");
}

namespace {

// An exclusive lock on the folder's "seed.lock", held while a process opens the network and seeds
// it if empty: the check and the seeding (many transactions) are one step for every process, so
// a second process started at the same time waits and then finds the network seeded. The lock is
// released when the holder closes the file or dies.
class SeedLock {
 public:
  explicit SeedLock(const QString& folder) {
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(QStringLiteral("seed.lock")));
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    int r;
    do {
      r = ::flock(fd_, LOCK_EX);
    } while (r < 0 && errno == EINTR);
    locked_ = r == 0;
  }
  ~SeedLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  SeedLock(const SeedLock&) = delete;
  SeedLock& operator=(const SeedLock&) = delete;
  bool locked() const { return locked_; }

 private:
  int fd_ = -1;
  bool locked_ = false;
};

}  // namespace

Result<std::shared_ptr<SimNetwork>> SimNetwork::openDefault() {
  const QString folder = defaultFolder();
  if (!QDir().mkpath(folder))
    return makeError(hr::ACCESS_DENIED, QStringLiteral("cannot create %1").arg(folder));
  SeedLock lock(folder);
  if (!lock.locked())
    return makeError(hr::ACCESS_DENIED,
                     QStringLiteral("cannot lock %1: %2").arg(folder, QString::fromLocal8Bit(strerror(errno))));
  auto net = open(folder);
  if (!net) return net;
  if (!(*net)->hasDomains()) {
    if (Status s = seedDemoNetwork(*net); !s) return s.error();
  }
  return net;
}

bool SimNetwork::hasDomains() {
  auto r = store_->q("SELECT 1 FROM domains LIMIT 1");
  return r.next();
}

QList<DomainInfo> SimNetwork::browseDomains() {
  QList<DomainInfo> out;
  for (const DomainRow& d : store_->domains()) {
    DomainInfo i;
    i.dnsName = d.dns;
    i.netbiosName = d.netbios;
    i.kind = d.kind;
    i.mixedMode = d.mixed;
    if (auto f = store_->forest(d.forestId)) i.forestRoot = f->rootDns;
    out.append(i);
  }
  return out;
}

namespace {

// The account a credential names, searched in `preferred` first.
std::optional<ObjRow> accountFor(Store& st, const QString& user, const DomainRow& preferred) {
  QString domainPart, name = user;
  if (user.contains(u'\\')) {
    domainPart = user.section(u'\\', 0, 0);
    name = user.section(u'\\', 1);
  } else if (user.contains(u'=')) {
    auto dn = Dn::parse(user);
    return dn ? st.object(*dn) : std::nullopt;
  } else if (user.contains(u'@')) {
    domainPart = user.section(u'@', 1);
    name = user.section(u'@', 0, 0);
  }
  const auto d = domainPart.isEmpty() ? std::optional<DomainRow>(preferred) : st.domainByName(domainPart);
  if (!d) return std::nullopt;
  auto id = st.samOwner(d->id, name);
  if (!id) return std::nullopt;
  return st.objectById(*id);
}

// Why a logon with `password` fails, as the sub-code AD puts in the message of its LDAP 49:
// 52e wrong name or password, 775 locked, 533 disabled, 701 account expired, 773 the password
// must be changed first; nullptr when it succeeds.
const char* logonRefusal(Store& st, const std::optional<ObjRow>& acct, const QString& password) {
  if (!acct) return "52e";
  auto r = st.q("SELECT salt, hash FROM secrets WHERE object_id=?");
  r.bind(1, acct->id);
  if (!r.next() || hashPassword(r.blob(0), password) != r.blob(1)) return "52e";
  const qint64 computed = num(st.readValues(*acct, QStringLiteral("msDS-User-Account-Control-Computed")));
  if (computed & uac::LOCKOUT) return "775";
  const qint64 control = num(st.attr(acct->id, QStringLiteral("userAccountControl")));
  if (control & uac::ACCOUNTDISABLE) return "533";
  const qint64 expires = num(st.attr(acct->id, QStringLiteral("accountExpires")), kNeverExpires);
  if (expires != 0 && expires != kNeverExpires && expires <= st.nowTicks()) return "701";
  // The computed flag already leaves out passwords that never expire and computer accounts.
  if ((computed & uac::PASSWORD_EXPIRED) && num(st.attr(acct->id, QStringLiteral("pwdLastSet"))) == 0)
    return "773";
  return nullptr;
}

}  // namespace

Result<std::shared_ptr<DirectoryConnection>> SimNetwork::bind(const QString& server, Protocol protocol,
                                                              const std::optional<Credentials>& credentials) {
  if (gcDown_ && protocol == Protocol::GlobalCatalog)
    return err(ldap::SERVER_DOWN, QStringLiteral("the global catalog is not operational"));
  Store& st = *store_;
  std::optional<DomainRow> d;
  if (server.isEmpty()) {
    auto who = loggedOnUser();
    if (who) d = st.domainByName(who->domain);
  } else {
    d = st.domainByName(server.section(u':', 0, 0));
  }
  if (!d)
    return err(ldap::SERVER_DOWN, QStringLiteral("the server %1 is not operational")
                                      .arg(server.isEmpty() ? QStringLiteral("(default)") : server));
  if (!d->reachable)
    return err(ldap::SERVER_DOWN, QStringLiteral("the server %1 is not operational").arg(server));
  if (protocol != Protocol::Sam && d->kind == DomainKind::Nt4)
    return err(ldap::SERVER_DOWN, QStringLiteral("%1 has no directory server").arg(server));
  QString host;
  {
    auto r = st.q("SELECT name, reachable FROM servers WHERE domain_id=? AND role=0 ORDER BY rowid");
    r.bind(1, d->id);
    bool any = false, up = false;
    while (r.next()) {
      any = true;
      const bool thisUp = r.i64(1) != 0;
      if (thisUp && !up) host = r.text(0);
      up = up || thisUp;
    }
    if (any && !up)
      return err(ldap::SERVER_DOWN, QStringLiteral("no domain controller of %1 answers").arg(d->netbios));
    if (!server.isEmpty() && !server.contains(u'.') && server.compare(d->netbios, Qt::CaseInsensitive) != 0) {
      auto s = st.q("SELECT reachable FROM servers WHERE name=?");
      s.bind(1, server);
      if (s.next() && s.i64(0) == 0)
        return err(ldap::SERVER_DOWN, QStringLiteral("the server %1 is not operational").arg(server));
    }
  }
  if (credentials) {
    if (const char* refused = logonRefusal(st, accountFor(st, credentials->user, *d), credentials->password))
      return err(ldap::INVALID_CREDENTIALS,
                 QStringLiteral("AcceptSecurityContext error, data %1").arg(QLatin1String(refused)));
  }
  ServerInfo info;
  info.host = host.isEmpty() ? d->netbios : (d->dns.isEmpty() ? host : host + u'.' + d->dns);
  info.domain.dnsName = d->dns;
  info.domain.netbiosName = d->netbios;
  info.domain.kind = d->kind;
  info.domain.mixedMode = d->mixed;
  info.defaultNamingContext = d->nc;
  if (auto f = st.forest(d->forestId)) {
    info.domain.forestRoot = f->rootDns;
    info.configurationNamingContext = f->configNc;
    info.schemaNamingContext = f->schemaNc;
    info.rootDomainNamingContext = f->rootNc;
  }
  count(Counter::Connections);
  count(Counter::Binds);
  return std::shared_ptr<DirectoryConnection>(
      std::make_shared<SimConnection>(shared_from_this(), protocol, *d, server.isEmpty(), std::move(info)));
}

// ---------------------------------------------------------------------------------------------
// Building

namespace {

Attribute a(const char* name, const QByteArray& v) {
  return Attribute{QString::fromLatin1(name), {v}};
}
Attribute a(const char* name, const QString& v) {
  return Attribute{QString::fromLatin1(name), {v.toUtf8()}};
}

QByteArray newDomainSid() {
  auto* g = QRandomGenerator::global();
  return sidFromString(QStringLiteral("S-1-5-21-%1-%2-%3")
                           .arg(g->bounded(1u << 30) + 1000)
                           .arg(g->bounded(1u << 30) + 1000)
                           .arg(g->bounded(1u << 30) + 1000));
}

Result<qint64> sysAdd(Store& st, const Dn& dn, QList<Attribute> attrs, qint64 rid = 0,
                      bool critical = false) {
  if (critical) attrs.append(a("isCriticalSystemObject", QByteArray("TRUE")));
  return addEntry(st, dn, std::move(attrs), rid, true);
}

Status link(Store& st, const Dn& group, const Dn& member) {
  auto g = st.object(group);
  auto m = st.object(member);
  if (!g || !m)
    return err(ldap::NO_SUCH_OBJECT,
               QStringLiteral("cannot link %1 to %2").arg(member.toString(), group.toString()));
  auto q = st.q("INSERT OR IGNORE INTO links(group_id, member_id) VALUES(?,?)");
  q.bind(1, g->id).bind(2, m->id);
  q.run();
  return {};
}

QByteArray i32(qint64 v) {
  return QByteArray::number(static_cast<qint32>(v));
}

// The well-known contents of a new domain naming context below its (existing) head.
Status seedDomain(Store& st, const DomainRow& d, bool forestRoot, bool nt4, const QString& dcName) {
  const Dn nc = d.nc;
  auto cn = [&](const Dn& parent, const QString& name) {
    return parent.child(Rdn(QStringLiteral("CN"), name));
  };
  const Dn users = cn(nc, QStringLiteral("Users"));
  const Dn builtin = cn(nc, QStringLiteral("Builtin"));
  auto must = [](const Result<qint64>& r) { return r ? Status() : Status(r.error()); };
  if (Status s = must(sysAdd(st, users,
                             {a("objectClass", QByteArray("container")),
                              a("description", QString("Default container for upgraded user accounts"))},
                             0, true));
      !s)
    return s;
  if (Status s = must(
          sysAdd(st, builtin,
                 {a("objectClass", QByteArray("builtinDomain")), a("objectSid", sidFromString("S-1-5-32"))},
                 -1, true));
      !s)
    return s;
  if (!nt4) {
    if (Status s =
            must(sysAdd(st, cn(nc, QStringLiteral("Computers")),
                        {a("objectClass", QByteArray("container")),
                         a("description", QString("Default container for upgraded computer accounts"))},
                        0, true));
        !s)
      return s;
    if (Status s = must(sysAdd(st, nc.child(Rdn(QStringLiteral("OU"), QStringLiteral("Domain Controllers"))),
                               {a("objectClass", QByteArray("organizationalUnit")),
                                a("description", QString("Default container for domain controllers"))},
                               0, true));
        !s)
      return s;
  }
  struct G {
    const char* name;
    qint64 rid;
    qint32 type;
    const char* desc;
    bool rootOnly;
  };
  const qint32 gGlobal = qint32(0x80000002u), gLocal = qint32(0x80000004u), gUniversal = qint32(0x80000008u),
               gBuiltin = qint32(0x80000005u);
  // An Active Directory domain's built-in groups, as a domain controller provisions them; an NT 4.0
  // domain has the first eight.
  const G builtins[] = {
      {"Administrators", 544, gBuiltin,
       "Administrators have complete and unrestricted access to the computer/domain", false},
      {"Users", 545, gBuiltin,
       "Users are prevented from making accidental or intentional system-wide changes and can run most "
       "applications",
       false},
      {"Guests", 546, gBuiltin,
       "Guests have the same access as members of the Users group by default, except for the Guest account "
       "which is further restricted",
       false},
      {"Account Operators", 548, gBuiltin, "Members can administer domain user and group accounts", false},
      {"Server Operators", 549, gBuiltin, "Members can administer domain servers", false},
      {"Print Operators", 550, gBuiltin, "Members can administer domain printers", false},
      {"Backup Operators", 551, gBuiltin,
       "Backup Operators can override security restrictions for the sole purpose of backing up or restoring "
       "files",
       false},
      {"Replicator", 552, gBuiltin, "Supports file replication in a domain", false},
      {"Pre-Windows 2000 Compatible Access", 554, gBuiltin,
       "A backward compatibility group which allows read access on all users and groups in the domain",
       false},
      {"Remote Desktop Users", 555, gBuiltin, "Members in this group are granted the right to logon remotely",
       false},
      {"Network Configuration Operators", 556, gBuiltin,
       "Members in this group can have some administrative privileges to manage configuration of networking "
       "features",
       false},
      {"Incoming Forest Trust Builders", 557, gBuiltin,
       "Members of this group can create incoming, one-way trusts to this forest", true},
      {"Performance Monitor Users", 558, gBuiltin,
       "Members of this group can access performance counter data locally and remotely", false},
      {"Performance Log Users", 559, gBuiltin,
       "Members of this group may schedule logging of performance counters, enable trace providers, and "
       "collect event traces both locally and via remote access to this computer",
       false},
      {"Windows Authorization Access Group", 560, gBuiltin,
       "Members of this group have access to the computed tokenGroupsGlobalAndUniversal attribute on User "
       "objects",
       false},
      {"Terminal Server License Servers", 561, gBuiltin,
       "Members of this group can update user accounts in Active Directory with information about license "
       "issuance, for the purpose of tracking and reporting TS Per User CAL usage",
       false},
      {"Distributed COM Users", 562, gBuiltin,
       "Members are allowed to launch, activate and use Distributed COM objects on this machine.", false},
      {"IIS_IUSRS", 568, gBuiltin, "Built-in group used by Internet Information Services.", false},
      {"Cryptographic Operators", 569, gBuiltin,
       "Members are authorized to perform cryptographic operations.", false},
      {"Event Log Readers", 573, gBuiltin, "Members of this group can read event logs from local machine",
       false},
      {"Certificate Service DCOM Access", 574, gBuiltin,
       "Members of this group are allowed to connect to Certification Authorities in the enterprise", false}};
  for (const G& g : builtins) {
    if (nt4 && g.rid > 552) continue;
    if (g.rootOnly && !forestRoot) continue;
    const QByteArray sid = sidFromString(QStringLiteral("S-1-5-32-%1").arg(g.rid));
    if (Status s = must(sysAdd(
            st, cn(builtin, QString::fromLatin1(g.name)),
            {a("objectClass", QByteArray("group")), a("sAMAccountName", QString::fromLatin1(g.name)),
             a("groupType", i32(g.type)), a("description", QString::fromLatin1(g.desc)), a("objectSid", sid)},
            -1, true));
        !s)
      return s;
  }
  const bool mixed = d.mixed || nt4;
  const G groups[] = {
      {"Domain Admins", 512, gGlobal, "Designated administrators of the domain", false},
      {"Domain Users", 513, gGlobal, "All domain users", false},
      {"Domain Guests", 514, gGlobal, "All domain guests", false},
      {"Domain Computers", 515, gGlobal, "All workstations and servers joined to the domain", false},
      {"Domain Controllers", 516, gGlobal, "All domain controllers in the domain", false},
      {"Cert Publishers", 517, gLocal,
       "Members of this group are permitted to publish certificates to the directory", false},
      {"Schema Admins", 518, mixed ? gGlobal : gUniversal, "Designated administrators of the schema", true},
      {"Enterprise Admins", 519, mixed ? gGlobal : gUniversal, "Designated administrators of the enterprise",
       true},
      {"Group Policy Creator Owners", 520, gGlobal,
       "Members in this group can modify group policy for the domain", false},
      {"Read-only Domain Controllers", 521, gGlobal,
       "Members of this group are Read-Only Domain Controllers in the domain", false},
      {"Protected Users", 525, gGlobal,
       "Members of this group are afforded additional protections against authentication security threats",
       false},
      {"RAS and IAS Servers", 553, gLocal,
       "Servers in this group can access remote access properties of users", false},
      {"Allowed RODC Password Replication Group", 571, gLocal,
       "Members in this group can have their passwords replicated to all read-only domain controllers in the "
       "domain",
       false},
      {"Denied RODC Password Replication Group", 572, gLocal,
       "Members in this group cannot have their passwords replicated to any read-only domain controllers in "
       "the domain",
       false},
      {"Enterprise Read-only Domain Controllers", 498, mixed ? gGlobal : gUniversal,
       "Members of this group are Read-Only Domain Controllers in the enterprise", true}};
  for (const G& g : groups) {
    if (nt4 && g.rid > 514) continue;
    if (g.rootOnly && !forestRoot) continue;
    if (Status s = must(
            sysAdd(st, cn(users, QString::fromLatin1(g.name)),
                   {a("objectClass", QByteArray("group")), a("sAMAccountName", QString::fromLatin1(g.name)),
                    a("groupType", i32(g.type)), a("description", QString::fromLatin1(g.desc))},
                   g.rid, true));
        !s)
      return s;
  }
  struct U {
    const char* name;
    qint64 rid;
    qint32 control;
    const char* desc;
    qint64 pg;
  };
  const U accounts[] = {
      {"Administrator", 500, 0x200, "Built-in account for administering the computer/domain", 513},
      {"Guest", 501, 0x10222, "Built-in account for guest access to the computer/domain", 514},
      {"krbtgt", 502, 0x202, "Key Distribution Center Service Account", 513}};
  for (const U& u : accounts) {
    if (nt4 && u.rid == 502) continue;
    if (Status s = must(
            sysAdd(st, cn(users, QString::fromLatin1(u.name)),
                   {a("objectClass", QByteArray("user")), a("sAMAccountName", QString::fromLatin1(u.name)),
                    a("userAccountControl", i32(u.control)), a("description", QString::fromLatin1(u.desc)),
                    a("primaryGroupID", i32(u.pg)), a("pwdLastSet", QByteArray::number(st.nowTicks()))},
                   u.rid, true));
        !s)
      return s;
  }
  const Dn admin = cn(users, QStringLiteral("Administrator"));
  if (Status s = link(st, cn(users, QStringLiteral("Domain Admins")), admin); !s) return s;
  if (Status s = link(st, cn(builtin, QStringLiteral("Administrators")), admin); !s) return s;
  if (Status s =
          link(st, cn(builtin, QStringLiteral("Administrators")), cn(users, QStringLiteral("Domain Admins")));
      !s)
    return s;
  if (Status s = link(st, cn(builtin, QStringLiteral("Users")), cn(users, QStringLiteral("Domain Users")));
      !s)
    return s;
  if (Status s = link(st, cn(builtin, QStringLiteral("Guests")), cn(users, QStringLiteral("Domain Guests")));
      !s)
    return s;
  if (Status s = link(st, cn(builtin, QStringLiteral("Guests")), cn(users, QStringLiteral("Guest"))); !s)
    return s;
  if (forestRoot && !nt4) {
    if (Status s = link(st, cn(users, QStringLiteral("Schema Admins")), admin); !s) return s;
    if (Status s = link(st, cn(users, QStringLiteral("Enterprise Admins")), admin); !s) return s;
    if (Status s = link(st, cn(builtin, QStringLiteral("Administrators")),
                        cn(users, QStringLiteral("Enterprise Admins")));
        !s)
      return s;
  }
  if (!nt4) {
    if (Status s = link(st, cn(users, QStringLiteral("Group Policy Creator Owners")), admin); !s) return s;
    // Accounts whose passwords no read-only domain controller may keep.
    const Dn denied = cn(users, QStringLiteral("Denied RODC Password Replication Group"));
    for (const char* m :
         {"Domain Admins", "Domain Controllers", "Cert Publishers", "Group Policy Creator Owners",
          "Read-only Domain Controllers", "krbtgt", "Schema Admins", "Enterprise Admins"}) {
      const Dn member = cn(users, QString::fromLatin1(m));
      if (!st.object(member)) continue;  // the forest-wide groups are the root domain's
      if (Status s = link(st, denied, member); !s) return s;
    }
    // The well-known principals the built-in groups hold, as foreign security principals.
    const Dn fsps = cn(nc, QStringLiteral("ForeignSecurityPrincipals"));
    if (Status s = must(sysAdd(st, fsps,
                               {a("objectClass", QByteArray("container")),
                                a("description", QString("Default container for security identifiers (SIDs) "
                                                         "associated with objects from external, trusted "
                                                         "domains"))},
                               0, true));
        !s)
      return s;
    const struct {
      const char* sid;
      const char* group;
    } wellKnown[] = {{"S-1-5-4", "Users"},
                     {"S-1-5-11", "Users"},
                     {"S-1-5-11", "Pre-Windows 2000 Compatible Access"},
                     {"S-1-5-9", "Windows Authorization Access Group"},
                     {"S-1-5-17", "IIS_IUSRS"}};
    for (const auto& w : wellKnown) {
      const Dn fsp = cn(fsps, QString::fromLatin1(w.sid));
      if (!st.object(fsp)) {
        if (Status s = must(sysAdd(st, fsp,
                                   {a("objectClass", QByteArray("foreignSecurityPrincipal")),
                                    a("objectSid", sidFromString(QString::fromLatin1(w.sid)))},
                                   -1));
            !s)
          return s;
      }
      if (Status s = link(st, cn(builtin, QString::fromLatin1(w.group)), fsp); !s) return s;
    }
  }
  if (!nt4 && !dcName.isEmpty()) {
    const Dn dcOu = nc.child(Rdn(QStringLiteral("OU"), QStringLiteral("Domain Controllers")));
    if (Status s =
            must(sysAdd(st, cn(dcOu, dcName.toUpper()),
                        {a("objectClass", QByteArray("computer")),
                         a("sAMAccountName", dcName.toUpper() + u'$'), a("userAccountControl", i32(0x82000)),
                         a("primaryGroupID", i32(516)), a("dNSHostName", dcName.toLower() + u'.' + d.dns)},
                        0, true));
        !s)
      return s;
  }
  return {};
}

Status checkNewDomainNames(Store& st, const QString& dns, const QString& netbios) {
  if (netbios.isEmpty() || netbios.size() > 15 || netbios.contains(u'.'))
    return makeError(hr::E_INVALIDARG, QStringLiteral("\"%1\" is not a NetBIOS domain name").arg(netbios));
  if (st.domainByName(netbios) || (!dns.isEmpty() && st.domainByName(dns)))
    return makeError(hr::ALREADY_EXISTS, QStringLiteral("the domain %1 exists already").arg(netbios));
  return {};
}

Result<DomainRow> insertDomain(Store& st, qint64 forestId, const QString& dns, const QString& netbios,
                               const Dn& nc, bool nt4, bool mixed) {
  auto q = st.q(
      "INSERT INTO domains(forest_id, dns, netbios, nc, kind, mixed, sid, next_rid) VALUES(?,?,?,?,?,?,?,?)");
  q.bind(1, forestId)
      .bind(2, dns)
      .bind(3, netbios.toUpper())
      .bind(4, nc.toString())
      .bind(5, nt4 ? 1 : 0)
      .bind(6, mixed ? 1 : 0)
      .bindBlob(7, newDomainSid())
      .bind(8, kFirstRid);
  st.invalidate();
  if (!q.run()) return st.dbError(QStringLiteral("cannot add the domain %1").arg(netbios));
  auto d = st.domainByName(netbios);
  if (!d) return st.dbError(QStringLiteral("cannot read back the domain %1").arg(netbios));
  return *d;
}

Status addDomainHead(Store& st, const DomainRow& d, const ObjRow& parent, qint64 forestId, bool mixed) {
  const QList<Attribute> head = {a("objectClass", QByteArray("domainDNS")),
                                 a("objectSid", d.sid),
                                 a("nTMixedDomain", QByteArray(mixed ? "1" : "0")),
                                 a("minPwdLength", QByteArray("0")),
                                 a("pwdProperties", QByteArray("0")),
                                 a("pwdHistoryLength", QByteArray("0")),
                                 a("maxPwdAge", QByteArray("-36288000000000")),
                                 a("minPwdAge", QByteArray("0")),
                                 a("lockoutDuration", QByteArray("-18000000000")),
                                 a("lockoutThreshold", QByteArray("0")),
                                 a("lockOutObservationWindow", QByteArray("-18000000000")),
                                 a("isCriticalSystemObject", QByteArray("TRUE"))};
  // The head has no parent object: store it directly.
  QList<Attribute> attrs = head;
  attrs.append(a("dc", d.nc.rdn().value()));
  attrs.append(a("name", d.nc.rdn().value()));
  attrs.append(a("objectGUID", QUuid::createUuid().toRfc4122()));
  attrs.append(a("instanceType", QByteArray("5")));
  attrs.append(a("whenCreated", generalizedTime(st.now())));
  attrs.append(a("whenChanged", generalizedTime(st.now())));
  attrs.append(Attribute{QStringLiteral("objectClass"), {"top", "domain", "domainDNS"}});
  attrs.removeAt(0);
  const auto forest = st.forest(forestId);
  const Dn schemaNc = forest ? forest->schemaNc : d.nc;
  attrs.append(a("objectCategory",
                 schemaNc.child(Rdn(QStringLiteral("CN"), QStringLiteral("Domain-DNS"))).toString()));
  const qint64 id = st.insertObject(parent, d.nc, d.id, forestId, attrs);
  if (id == 0) return st.dbError(QStringLiteral("cannot add the head of %1").arg(d.netbios));
  auto q = st.q("INSERT INTO sids(sid, object_id) VALUES(?,?)");
  q.bindBlob(1, d.sid).bind(2, id);
  q.run();
  return {};
}

Status addCrossRef(Store& st, const ForestRow& f, const QString& name, const QString& dnsRoot,
                   const Dn& ncName, const QString& netbios, int flags) {
  const Dn partitions = f.configNc.child(Rdn(QStringLiteral("CN"), QStringLiteral("Partitions")));
  QList<Attribute> attrs = {a("objectClass", QByteArray("crossRef")), a("dnsRoot", dnsRoot),
                            a("nCName", ncName.toString()), a("systemFlags", QByteArray::number(flags))};
  if (!netbios.isEmpty()) attrs.append(a("nETBIOSName", netbios));
  auto r = sysAdd(st, partitions.child(Rdn(QStringLiteral("CN"), name)), attrs);
  return r ? Status() : Status(r.error());
}

// Records a domain's controller as a server of the network (role 0), when one is named.
void registerDomainController(Store& st, const QString& name, qint64 domainId) {
  if (name.isEmpty()) return;
  auto q = st.q("INSERT OR REPLACE INTO servers(name, domain_id, role) VALUES(?,?,0)");
  q.bind(1, name.toUpper()).bind(2, domainId);
  q.run();
  st.invalidate();
}

}  // namespace

Status SimNetwork::addForest(const QString& dnsName, const QString& netbiosName, bool mixedMode,
                             const QString& dcName) {
  Store& st = *store_;
  Txn t(st);
  if (!t.ok()) return st.dbError(QStringLiteral("cannot start a transaction"));
  if (Status s = checkNewDomainNames(st, dnsName, netbiosName); !s) return s;
  const Dn root = Dn::fromDnsName(dnsName);
  if (root.isEmpty())
    return makeError(hr::E_INVALIDARG, QStringLiteral("\"%1\" is not a DNS domain name").arg(dnsName));
  const Dn config = root.child(Rdn(QStringLiteral("CN"), QStringLiteral("Configuration")));
  const Dn schema = config.child(Rdn(QStringLiteral("CN"), QStringLiteral("Schema")));
  auto fq = st.q("INSERT INTO forests(root_dns, root_nc, config_nc, schema_nc) VALUES(?,?,?,?)");
  fq.bind(1, dnsName.toLower())
      .bind(2, root.toString())
      .bind(3, config.toString())
      .bind(4, schema.toString());
  st.invalidate();
  if (!fq.run()) return st.dbError(QStringLiteral("cannot add the forest"));
  qint64 fid = 0;
  {
    auto r = st.q("SELECT id FROM forests WHERE root_dns=?");
    r.bind(1, dnsName.toLower());
    if (r.next()) fid = r.i64(0);
  }
  auto d = insertDomain(st, fid, dnsName.toLower(), netbiosName, root, false, mixedMode);
  if (!d) return d.error();
  if (Status s = addDomainHead(st, *d, ObjRow{}, fid, mixedMode); !s) return s;
  // The configuration partition: forest-wide, owned by no domain.
  auto head = st.object(root);
  auto cfgId = st.insertObject(*head, config, 0, fid,
                               {Attribute{QStringLiteral("objectClass"), {"top", "configuration"}},
                                a("cn", QString("Configuration")), a("name", QString("Configuration"))});
  if (cfgId == 0) return st.dbError(QStringLiteral("cannot add the configuration partition"));
  auto cfg = st.objectById(cfgId);
  if (!st.insertObject(*cfg, schema, 0, fid,
                       {Attribute{QStringLiteral("objectClass"), {"top", "dMD"}}, a("cn", QString("Schema")),
                        a("name", QString("Schema"))}))
    return st.dbError(QStringLiteral("cannot add the schema container"));
  if (!st.insertObject(*cfg, config.child(Rdn(QStringLiteral("CN"), QStringLiteral("Partitions"))), 0, fid,
                       {Attribute{QStringLiteral("objectClass"), {"top", "crossRefContainer"}},
                        a("cn", QString("Partitions")), a("name", QString("Partitions"))}))
    return st.dbError(QStringLiteral("cannot add the partitions container"));
  const ForestRow f = *st.forest(fid);
  if (Status s = addCrossRef(st, f, QStringLiteral("Enterprise Configuration"), dnsName.toLower(), config,
                             QString(), 1);
      !s)
    return s;
  if (Status s =
          addCrossRef(st, f, QStringLiteral("Enterprise Schema"), dnsName.toLower(), schema, QString(), 1);
      !s)
    return s;
  if (Status s = addCrossRef(st, f, netbiosName.toUpper(), dnsName.toLower(), root, netbiosName.toUpper(), 3);
      !s)
    return s;
  if (Status s = seedDomain(st, *d, true, false, dcName); !s) return s;
  registerDomainController(st, dcName, d->id);
  return t.commit();
}

Status SimNetwork::addChildDomain(const QString& parentDns, const QString& dnsName,
                                  const QString& netbiosName, bool mixedMode, const QString& dcName) {
  Store& st = *store_;
  Txn t(st);
  if (!t.ok()) return st.dbError(QStringLiteral("cannot start a transaction"));
  if (Status s = checkNewDomainNames(st, dnsName, netbiosName); !s) return s;
  auto parent = st.domainByName(parentDns);
  if (!parent || parent->kind != DomainKind::ActiveDirectory)
    return makeError(hr::NO_SUCH_DOMAIN, QStringLiteral("no Active Directory domain %1").arg(parentDns));
  if (!dnsName.endsWith(u'.' + parent->dns, Qt::CaseInsensitive))
    return makeError(hr::E_INVALIDARG, QStringLiteral("%1 is not below %2").arg(dnsName, parent->dns));
  const Dn nc = Dn::fromDnsName(dnsName);
  auto d = insertDomain(st, parent->forestId, dnsName.toLower(), netbiosName, nc, false, mixedMode);
  if (!d) return d.error();
  auto parentHead = st.object(parent->nc);
  if (Status s = addDomainHead(st, *d, *parentHead, parent->forestId, mixedMode); !s) return s;
  const ForestRow f = *st.forest(parent->forestId);
  if (Status s = addCrossRef(st, f, netbiosName.toUpper(), dnsName.toLower(), nc, netbiosName.toUpper(), 3);
      !s)
    return s;
  if (Status s = seedDomain(st, *d, false, false, dcName); !s) return s;
  registerDomainController(st, dcName, d->id);
  return t.commit();
}

Status SimNetwork::addNt4Domain(const QString& netbiosName, const QString& pdcName) {
  Store& st = *store_;
  Txn t(st);
  if (!t.ok()) return st.dbError(QStringLiteral("cannot start a transaction"));
  if (Status s = checkNewDomainNames(st, QString(), netbiosName); !s) return s;
  // The account database is kept in the same shape as a domain partition, named after the domain.
  const Dn nc = Dn::fromDnsName(netbiosName.toUpper());
  auto d = insertDomain(st, 0, QString(), netbiosName, nc, true, true);
  if (!d) return d.error();
  if (Status s = addDomainHead(st, *d, ObjRow{}, 0, true); !s) return s;
  if (Status s = seedDomain(st, *d, false, true, QString()); !s) return s;
  registerDomainController(st, pdcName, d->id);
  return t.commit();
}

Status SimNetwork::addServer(const QString& name, const QString& domain, ServerRole role) {
  auto d = store_->domainByName(domain);
  if (!d) return makeError(hr::NO_SUCH_DOMAIN, QStringLiteral("no domain %1").arg(domain));
  auto q = store_->q("INSERT OR REPLACE INTO servers(name, domain_id, role) VALUES(?,?,?)");
  q.bind(1, name.toUpper()).bind(2, d->id).bind(3, static_cast<int>(role));
  store_->invalidate();
  if (!q.run()) return store_->dbError(QStringLiteral("cannot add the server %1").arg(name));
  return {};
}

Status SimNetwork::setAccountPassword(const QString& domain, const QString& account,
                                      const QString& password) {
  Store& st = *store_;
  auto d = st.domainByName(domain);
  if (!d) return makeError(hr::NO_SUCH_DOMAIN, QStringLiteral("no domain %1").arg(domain));
  auto id = st.samOwner(d->id, account);
  if (!id) return makeError(hr::USER_NOT_FOUND, QStringLiteral("no account %1").arg(account));
  QByteArray salt(16, Qt::Uninitialized);
  for (char& c : salt) c = static_cast<char>(QRandomGenerator::global()->bounded(256));
  Txn t(st);
  auto q = st.q("INSERT OR REPLACE INTO secrets(object_id, salt, hash) VALUES(?,?,?)");
  q.bind(1, *id).bindBlob(2, salt).bindBlob(3, hashPassword(salt, password));
  if (!q.run()) return st.dbError(QStringLiteral("cannot store the password"));
  if (!st.writeAttrs(*id, {Attribute{QStringLiteral("pwdLastSet"), {QByteArray::number(st.nowTicks())}}}))
    return st.dbError(QStringLiteral("cannot store the password"));
  return t.commit();
}

Status SimNetwork::setPasswordPolicy(const QString& domain, const PasswordPolicy& policy) {
  Store& st = *store_;
  auto d = st.domainByName(domain);
  if (!d) return makeError(hr::NO_SUCH_DOMAIN, QStringLiteral("no domain %1").arg(domain));
  auto head = st.object(d->nc);
  if (!head) return makeError(hr::NO_SUCH_OBJECT, QStringLiteral("no domain head"));
  Txn t(st);
  if (!st.writeAttrs(head->id,
                     {Attribute{QStringLiteral("minPwdLength"), {QByteArray::number(policy.minLength)}},
                      Attribute{QStringLiteral("pwdProperties"), {policy.complexity ? "1" : "0"}}}))
    return st.dbError(QStringLiteral("cannot store the password policy"));
  return t.commit();
}

Status SimNetwork::setSizeLimit(int maxPageSize) {
  if (maxPageSize < 1) return makeError(hr::E_INVALIDARG, QStringLiteral("the size limit must be positive"));
  store_->setMeta(QStringLiteral("size_limit"), QString::number(maxPageSize));
  store_->sizeLimit = maxPageSize;
  return {};
}

Result<Identity> SimNetwork::loggedOnUser() {
  const QString domain = store_->meta(QStringLiteral("logon_domain"));
  const QString user = store_->meta(QStringLiteral("logon_user"));
  if (domain.isEmpty() || user.isEmpty())
    return makeError(hr::NO_SUCH_DOMAIN, QStringLiteral("nobody is logged on"));
  return Identity{domain, user};
}

Status SimNetwork::setLoggedOnUser(const Identity& identity) {
  auto d = store_->domainByName(identity.domain);
  if (!d) return makeError(hr::NO_SUCH_DOMAIN, QStringLiteral("no domain %1").arg(identity.domain));
  if (!store_->samOwner(d->id, identity.user))
    return makeError(hr::USER_NOT_FOUND, QStringLiteral("no account %1").arg(identity.user));
  store_->setMeta(QStringLiteral("logon_domain"), d->netbios);
  store_->setMeta(QStringLiteral("logon_user"), identity.user);
  return {};
}

void SimNetwork::setClock(std::function<QDateTime()> now) {
  store_->clock = std::move(now);
}

void SimNetwork::refuseNextCommit(quint32 code) {
  store_->refuse = code;
}

Status SimNetwork::setReachable(const QString& name, bool reachable) {
  Store& st = *store_;
  {
    auto q = st.q("UPDATE servers SET reachable=? WHERE name=?");
    q.bind(1, reachable ? 1 : 0).bind(2, name.section(u'.', 0, 0));
    q.run();
    st.invalidate();
    if (st.changes() > 0) return {};
  }
  auto r = st.q("SELECT 1 FROM servers WHERE name=?");
  r.bind(1, name.section(u'.', 0, 0));
  if (r.next()) return {};
  auto d = st.domainByName(name);
  if (!d) return makeError(hr::NO_SUCH_DOMAIN, QStringLiteral("no domain or server %1").arg(name));
  auto q = st.q("UPDATE domains SET reachable=? WHERE id=?");
  q.bind(1, reachable ? 1 : 0).bind(2, d->id);
  q.run();
  st.invalidate();
  return {};
}

Status SimNetwork::lockAccount(const QString& domain, const QString& account) {
  Store& st = *store_;
  auto d = st.domainByName(domain);
  if (!d) return makeError(hr::NO_SUCH_DOMAIN, QStringLiteral("no domain %1").arg(domain));
  auto id = st.samOwner(d->id, account);
  if (!id) return makeError(hr::USER_NOT_FOUND, QStringLiteral("no account %1").arg(account));
  Txn t(st);
  if (!st.writeAttrs(*id, {Attribute{QStringLiteral("lockoutTime"), {QByteArray::number(st.nowTicks())}},
                           Attribute{QStringLiteral("badPwdCount"), {"5"}}}))
    return st.dbError(QStringLiteral("cannot lock the account"));
  return t.commit();
}

}  // namespace tavrel::simnet
