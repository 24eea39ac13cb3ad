#include "platform/ldap/LdapBackend.h"

#include "platform/adsi/Properties.h"
#include "platform/adsi/SchemaCatalog.h"
#include "platform/ldap/DcSchema.h"
#include "platform/ldap/Locator.h"
#include "platform/ldap/SecurityDescriptor.h"

#include "platform/adsi/Counters.h"

#include <QCryptographicHash>
#include <QMutexLocker>
#include <QRegularExpression>

#include <ldap.h>
#include <openldap.h>
#include <sasl/sasl.h>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

namespace tavrel::ldap {

using namespace adsi;

struct ForestInfo {
  struct Domain {
    Dn nc;
    QString dns;
    QString netbios;
    bool mixed = false;
  };
  Dn configurationNc;
  Dn schemaNc;
  Dn rootNc;
  QString rootDns;
  QList<Domain> domains;
  QMutex schemaMutex;
  std::shared_ptr<const SchemaCatalog> schema;
  QHash<QString, std::optional<AttributeDef>> attributes;  // read one by one, by lower-case name

  const Domain* domainOf(const Dn& nc) const {
    for (const Domain& d : domains)
      if (d.nc == nc) return &d;
    return nullptr;
  }
};

namespace {

constexpr const char* kSdFlagsOid = "1.2.840.113556.1.4.801";
constexpr int kPageSize = 1000;  // AD's MaxPageSize

QString fromLdap(const char* text) {
  return text ? QString::fromUtf8(text) : QString();
}

// A libldap allocation freed when it goes out of scope.
struct Message {
  LDAPMessage* m = nullptr;
  ~Message() {
    if (m) ldap_msgfree(m);
  }
};

// The SD-flags control asking for (or writing) the DACL only.
struct SdFlagsControl {
  char value[5] = {0x30, 0x03, 0x02, 0x01, 0x04};  // SEQUENCE { INTEGER 4 }
  LDAPControl control{};
  SdFlagsControl() {
    control.ldctl_oid = const_cast<char*>(kSdFlagsOid);
    control.ldctl_value.bv_val = value;
    control.ldctl_value.bv_len = sizeof value;
    control.ldctl_iscritical = 0;
  }
};

// Attribute lists and modifications as the C API takes them; the storage lives as long as this.
class CStrings {
 public:
  explicit CStrings(const QStringList& list) {
    for (const QString& s : list) bytes_.push_back(s.toUtf8());
    for (QByteArray& b : bytes_) ptrs_.push_back(b.data());
    ptrs_.push_back(nullptr);
  }
  char** get() { return ptrs_.size() > 1 ? ptrs_.data() : nullptr; }

 private:
  std::vector<QByteArray> bytes_;
  std::vector<char*> ptrs_;
};

class Mods {
 public:
  void add(int op, const QString& attribute, const Values& values) {
    auto& m = items_.emplace_back();
    m.name = attribute.toUtf8();
    m.values = values;
    m.op = op;
  }
  LDAPMod** get() {
    for (Item& it : items_) {
      it.bv.clear();
      for (QByteArray& v : it.values)
        it.bv.push_back(berval{static_cast<ber_len_t>(v.size()), v.data()});
      it.bvp.clear();
      for (berval& b : it.bv) it.bvp.push_back(&b);
      it.bvp.push_back(nullptr);
      it.mod.mod_op = it.op | LDAP_MOD_BVALUES;
      it.mod.mod_type = it.name.data();
      it.mod.mod_bvalues = it.bvp.data();
    }
    ptrs_.clear();
    for (Item& it : items_) ptrs_.push_back(&it.mod);
    ptrs_.push_back(nullptr);
    return ptrs_.data();
  }
  bool empty() const { return items_.empty(); }

 private:
  struct Item {
    QByteArray name;
    Values values;
    int op = 0;
    std::vector<berval> bv;
    std::vector<berval*> bvp;
    LDAPMod mod{};
  };
  std::list<Item> items_;  // stable addresses
  std::vector<LDAPMod*> ptrs_;
};

int ldapScope(Scope s) {
  switch (s) {
    case Scope::Base:
      return LDAP_SCOPE_BASE;
    case Scope::OneLevel:
      return LDAP_SCOPE_ONELEVEL;
    case Scope::Subtree:
      return LDAP_SCOPE_SUBTREE;
  }
  return LDAP_SCOPE_SUBTREE;
}

// "name;range=0-1499": the attribute's name and where the next range starts (-1: this was the last).
std::optional<std::pair<QString, int>> rangedAttribute(const QString& name) {
  if (!name.contains(u';')) return std::nullopt;
  static const QRegularExpression re(QStringLiteral("^([^;]+);range=(\\d+)-(\\d+|\\*)$"),
                                     QRegularExpression::CaseInsensitiveOption);
  auto m = re.match(name);
  if (!m.hasMatch()) return std::nullopt;
  const QString end = m.captured(3);
  return std::make_pair(m.captured(1), end == QLatin1String("*") ? -1 : end.toInt() + 1);
}

QByteArray quotedUtf16(const QString& password) {
  const QString quoted = u'"' + password + u'"';
  QByteArray out;
  out.reserve(quoted.size() * 2);
  for (const QChar c : quoted) {
    out.append(static_cast<char>(c.unicode() & 0xFF));
    out.append(static_cast<char>(c.unicode() >> 8));
  }
  return out;
}

// SASL interaction for GSSAPI: the identity comes from the ticket cache, nothing is asked.
int saslInteract(LDAP*, unsigned, void*, void* in) {
  for (auto* i = static_cast<sasl_interact_t*>(in); i->id != SASL_CB_LIST_END; ++i) {
    i->result = i->defresult ? i->defresult : "";
    i->len = static_cast<unsigned>(std::strlen(static_cast<const char*>(i->result)));
  }
  return LDAP_SUCCESS;
}

// A TCP connection to `host`:`port` opened within `timeoutMs`, left blocking; -1 with `why` set
// when no address answers. The library's own connect time-out would also make it run the TLS
// handshake without blocking, polling in a loop; connecting here keeps the handshake blocking.
int connectSocket(const char* host, int port, int timeoutMs, QString* why) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const QByteArray service = QByteArray::number(port);
  if (const int rc = getaddrinfo(host, service.constData(), &hints, &found); rc != 0) {
    *why = QString::fromUtf8(gai_strerror(rc));
    return -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int fd = -1;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) {
      *why = QString::fromUtf8(std::strerror(errno));
      continue;
    }
    int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{fd, POLLOUT, 0};
      rc = poll(&p, 1, std::max<int>(0, static_cast<int>(left.count())));
      if (rc == 0) {
        errno = ETIMEDOUT;
        rc = -1;
      } else if (rc > 0) {
        int error = 0;
        socklen_t len = sizeof error;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
        errno = error;
        rc = error ? -1 : 0;
      }
    }
    if (rc == 0) {
      // Blocking from here on: requests are bounded by the request time-out.
      const int flags = fcntl(fd, F_GETFL);
      fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
      break;
    }
    *why = QString::fromUtf8(std::strerror(errno));
    ::close(fd);
    fd = -1;
  }
  freeaddrinfo(found);
  return fd;
}

// Shuts `fd` down when the work in its scope has not finished in `seconds`, so that a blocking
// TLS handshake with a server that stops answering ends with an error instead of waiting for ever.
class HandshakeDeadline {
 public:
  HandshakeDeadline(int fd, int seconds)
      : thread_([this, fd, seconds] {
          std::unique_lock lock(mutex_);
          if (!done_.wait_for(lock, std::chrono::seconds(seconds), [this] { return finished_; }))
            ::shutdown(fd, SHUT_RDWR);
        }) {}
  ~HandshakeDeadline() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    done_.notify_one();
    thread_.join();
  }
  HandshakeDeadline(const HandshakeDeadline&) = delete;
  HandshakeDeadline& operator=(const HandshakeDeadline&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

class LdapConnection : public DirectoryConnection {
 public:
  LdapConnection(std::shared_ptr<LdapBackend> backend, LDAP* ld, Protocol protocol)
      : backend_(std::move(backend)), ld_(ld), protocol_(protocol) {}
  ~LdapConnection() override { ldap_unbind_ext_s(ld_, nullptr, nullptr); }

  const ServerInfo& server() const override { return info_; }

  std::shared_ptr<const SchemaCatalog> schema() override {
    QMutexLocker lock(&forest_->schemaMutex);
    if (!forest_->schema) {
      auto loaded = loadDcSchema(*this, forest_->schemaNc);
      // A schema that cannot be read leaves the built-in one; the next use tries again.
      if (!loaded) return builtinSchema();
      forest_->schema = *loaded;
    }
    return forest_->schema;
  }

  QList<AttributeDef> attributeDefs(const QStringList& names) override {
    QMutexLocker lock(&forest_->schemaMutex);
    if (forest_->schema) {
      lock.unlock();
      return DirectoryConnection::attributeDefs(names);
    }
    QStringList missing;
    for (const QString& n : names)
      if (!forest_->attributes.contains(n.toLower()) && !missing.contains(n, Qt::CaseInsensitive)) missing.append(n);
    if (!missing.isEmpty()) {
      auto found = loadDcAttributes(*this, forest_->schemaNc, missing);
      // On failure nothing is remembered, so the next search asks again.
      if (found) {
        for (const QString& n : missing) forest_->attributes.insert(n.toLower(), std::nullopt);
        for (const AttributeDef& d : *found) forest_->attributes.insert(d.name.toLower(), d);
      }
    }
    QList<AttributeDef> out;
    for (const QString& n : names)
      if (const auto d = forest_->attributes.value(n.toLower())) out.append(*d);
    return out;
  }

  Error fail(int rc, const QString& what, LdapOperation operation = LdapOperation::Other) {
    // A connection the server has dropped is not handed out again.
    if (rc == LDAP_SERVER_DOWN || rc == LDAP_CONNECT_ERROR) dead_ = true;
    char* diag = nullptr;
    ldap_get_option(ld_, LDAP_OPT_DIAGNOSTIC_MESSAGE, &diag);
    const QString text = fromLdap(diag);
    if (diag) ldap_memfree(diag);
    return errorFromLdap(rc, text, what, operation);
  }

  // Fills server() from the root DSE and the forest's partitions (read once per forest).
  Status describe(const QString& host) {
    SearchRequest names;
    names.scope = Scope::Base;
    names.attributes = {QStringLiteral("dnsHostName"), QStringLiteral("defaultNamingContext"),
                        QStringLiteral("configurationNamingContext"), QStringLiteral("schemaNamingContext"),
                        QStringLiteral("rootDomainNamingContext")};
    auto found = searchOnce(names, QByteArray(), false, nullptr);
    if (!found) return found.error();
    if (found->entries.isEmpty()) return makeError(hr::SERVER_DOWN, QStringLiteral("%1 has no root DSE").arg(host));
    const Entry* dse = &found->entries.first();
    auto dn = [&](const char* name) { return Dn::fromFormatted(QString::fromUtf8(dse->first(QLatin1String(name)))); };
    info_.host = QString::fromUtf8(dse->first(QStringLiteral("dnsHostName")));
    if (info_.host.isEmpty()) info_.host = host;
    info_.defaultNamingContext = dn("defaultNamingContext");
    info_.configurationNamingContext = dn("configurationNamingContext");
    info_.schemaNamingContext = dn("schemaNamingContext");
    info_.rootDomainNamingContext = dn("rootDomainNamingContext");
    if (info_.configurationNamingContext.isEmpty())
      return makeError(hr::SERVER_DOWN, QStringLiteral("%1 is not an Active Directory domain controller").arg(host));

    const QString key = info_.configurationNamingContext.key();
    forest_ = backend_->forest(key);
    if (!forest_) {
      auto f = std::make_shared<ForestInfo>();
      f->configurationNc = info_.configurationNamingContext;
      f->schemaNc = info_.schemaNamingContext;
      f->rootNc = info_.rootDomainNamingContext;
      SearchRequest req;
      req.base = Dn::fromFormatted(QStringLiteral("CN=Partitions,") + f->configurationNc.toString());
      req.scope = Scope::OneLevel;
      req.filter = QStringLiteral("(&(objectClass=crossRef)(nETBIOSName=*))");
      req.attributes = {QStringLiteral("nCName"), QStringLiteral("dnsRoot"), QStringLiteral("nETBIOSName")};
      auto refs = search(req);
      if (!refs) return refs.error();
      for (const Entry& e : refs->entries) {
        ForestInfo::Domain d;
        d.nc = Dn::fromFormatted(QString::fromUtf8(e.first(QStringLiteral("nCName"))));
        d.dns = QString::fromUtf8(e.first(QStringLiteral("dnsRoot")));
        d.netbios = QString::fromUtf8(e.first(QStringLiteral("nETBIOSName")));
        f->domains.append(d);
        if (d.nc == f->rootNc) f->rootDns = d.dns;
      }
      backend_->rememberForest(key, f);
      forest_ = f;
    }
    const Dn& own = protocol_ == Protocol::GlobalCatalog && info_.defaultNamingContext.isEmpty()
                        ? info_.rootDomainNamingContext
                        : info_.defaultNamingContext;
    if (const ForestInfo::Domain* d = forest_->domainOf(own)) {
      info_.domain.dnsName = d->dns;
      info_.domain.netbiosName = d->netbios;
    } else {
      info_.domain.dnsName = own.dnsName();
    }
    info_.domain.kind = DomainKind::ActiveDirectory;
    info_.domain.forestRoot = forest_->rootDns.isEmpty() ? info_.rootDomainNamingContext.dnsName() : forest_->rootDns;
    // The domain's mode can change, so it is read on every bind (one attribute of the head).
    if (protocol_ != Protocol::GlobalCatalog) {
      auto head = read(info_.defaultNamingContext, {QStringLiteral("nTMixedDomain")});
      if (head) info_.domain.mixedMode = head->first(QStringLiteral("nTMixedDomain")).toInt() == 1;
    }
    return {};
  }

  Result<Entry> rootDse() override {
    SearchRequest req;
    req.scope = Scope::Base;
    req.attributes = {QStringLiteral("*")};
    auto r = searchOnce(req, QByteArray(), false, nullptr);
    if (!r) return r.error();
    if (r->entries.isEmpty()) return makeError(hr::SERVER_DOWN, QStringLiteral("the server has no root DSE"));
    return r->entries.first();
  }

  Result<Entry> read(const Dn& dn, const QStringList& attributes) override {
    SearchRequest req;
    req.base = dn;
    req.scope = Scope::Base;
    req.attributes = attributes.isEmpty() ? QStringList{QStringLiteral("*")} : attributes;
    // "User cannot change password" lives in the DACL: read it with userAccountControl.
    const bool wantsUac = attributes.isEmpty() || attributes.contains(QStringLiteral("userAccountControl"), Qt::CaseInsensitive);
    const bool wantsSd = attributes.contains(QStringLiteral("nTSecurityDescriptor"), Qt::CaseInsensitive);
    if (wantsUac && !wantsSd) req.attributes.append(QStringLiteral("nTSecurityDescriptor"));
    SdFlagsControl sdFlags;
    auto r = searchOnce(req, QByteArray(), false, &sdFlags.control);
    if (!r) return r.error();
    if (r->entries.isEmpty())
      return makeError(hr::NO_SUCH_OBJECT, QStringLiteral("there is no object %1").arg(dn.toString()));
    Entry e = std::move(r->entries.first());
    if (wantsUac) lastRead_ = LastRead{dn, e.first(QStringLiteral("nTSecurityDescriptor"))};
    if (wantsUac && !wantsSd) foldCannotChangePassword(e);
    return e;
  }

  Result<SearchResult> search(const SearchRequest& request) override {
    SearchResult out;
    QByteArray cookie = request.cookie;
    const int pageSize = request.pageSize > 0 ? request.pageSize : kPageSize;
    while (true) {
      // The size limit is kept here: not every server applies one to a paged search.
      auto page = searchOnce(request, cookie, true, nullptr, pageSize);
      if (!page) return page.error();
      out.entries.append(std::move(page->entries));
      if (request.sizeLimit > 0 && out.entries.size() > request.sizeLimit) {
        out.entries.resize(request.sizeLimit);
        out.sizeLimitExceeded = true;
        return out;
      }
      if (page->sizeLimitExceeded) {
        out.sizeLimitExceeded = true;
        return out;
      }
      cookie = page->cookie;
      if (request.pageSize > 0) {
        out.cookie = cookie;
        return out;
      }
      if (cookie.isEmpty()) return out;
    }
  }

  Status add(const Dn& dn, const QList<Attribute>& attributes) override {
    if (protocol_ == Protocol::GlobalCatalog) return readOnly();
    Mods mods;
    bool cannotChange = false;
    for (const Attribute& a : attributes) {
      if (a.name.compare(QLatin1String("userAccountControl"), Qt::CaseInsensitive) == 0 && a.values.size() == 1) {
        const qint32 v = a.values.first().toInt();
        cannotChange = v & uac::PASSWD_CANT_CHANGE;
        mods.add(LDAP_MOD_ADD, a.name, Values{QByteArray::number(v & ~uac::PASSWD_CANT_CHANGE)});
        continue;
      }
      mods.add(LDAP_MOD_ADD, a.name, a.values);
    }
    const QByteArray target = dn.toString().toUtf8();
    count(Counter::Writes);
    lastRead_.reset();
    const int rc = ldap_add_ext_s(ld_, target.constData(), mods.get(), nullptr, nullptr);
    if (rc != LDAP_SUCCESS) return fail(rc, QStringLiteral("adding %1").arg(dn.toString()));
    if (cannotChange) return setCannotChangePassword(dn, true);
    return {};
  }

  Status modify(const Dn& dn, const QList<Modification>& changes) override {
    if (protocol_ == Protocol::GlobalCatalog) return readOnly();
    // A replace without values clears the attribute. Samba refuses that for some attributes
    // (userPrincipalName) and takes a delete instead, which in turn fails for an attribute the
    // entry does not have: present ones are deleted, absent ones need nothing.
    bool touchesLockout = false;
    for (const Modification& m : changes)
      if (m.attribute.compare(QLatin1String("lockoutTime"), Qt::CaseInsensitive) == 0) touchesLockout = true;
    const QString sdName = QStringLiteral("nTSecurityDescriptor");
    auto isFlagsWrite = [](const Modification& m) {
      return m.op == ModOp::Replace && m.values.size() == 1 &&
             m.attribute.compare(QLatin1String("userAccountControl"), Qt::CaseInsensitive) == 0;
    };
    // "User cannot change password" lives in the DACL: a flags write that may change it needs the
    // descriptor, unless the caller read the flags and the bit stays as it was.
    auto mayChangeDacl = [&](const Modification& m) {
      if (!isFlagsWrite(m)) return false;
      if (!m.previous || m.previous->size() != 1) return true;
      return ((m.previous->first().toInt() ^ m.values.first().toInt()) & uac::PASSWD_CANT_CHANGE) != 0;
    };
    // What the request depends on and the caller did not read is read in one search: the
    // cleared attributes, and the DACL.
    QStringList wanted;
    for (const Modification& m : changes) {
      if (m.op == ModOp::Replace && m.values.isEmpty() && !m.previous) wanted << m.attribute;
      if (mayChangeDacl(m) && !wanted.contains(sdName)) wanted << sdName;
    }
    Entry present;
    if (lastRead_ && lastRead_->dn == dn && wanted == QStringList{sdName} && !lastRead_->sd.isEmpty()) {
      // The object was read with its flags since this connection last wrote: what it read serves.
      present.attributes = {Attribute{sdName, {lastRead_->sd}}};
    } else if (!wanted.isEmpty()) {
      auto e = readAsStored(dn, wanted);
      if (!e) return e.error();
      present = std::move(*e);
    }
    for (const Modification& m : changes)
      if (m.op == ModOp::Replace && m.values.isEmpty() && m.previous)
        present.attributes.append(Attribute{m.attribute, *m.previous});
    lastRead_.reset();
    Mods mods;
    std::optional<bool> cannotChange;
    for (const Modification& m : changes) {
      const int op = m.op == ModOp::Add ? LDAP_MOD_ADD : m.op == ModOp::Delete ? LDAP_MOD_DELETE : LDAP_MOD_REPLACE;
      if (m.op == ModOp::Replace && m.values.isEmpty()) {
        if (const Attribute* a = present.find(m.attribute); a && !a->values.isEmpty())
          mods.add(LDAP_MOD_DELETE, m.attribute, {});
        continue;
      }
      if (isFlagsWrite(m)) {
        qint32 v = m.values.first().toInt();
        if (mayChangeDacl(m)) cannotChange = (v & uac::PASSWD_CANT_CHANGE) != 0;
        // Samba unlocks an account whose userAccountControl is written without the lockout bit;
        // only a write of lockoutTime is meant to unlock. With the bit, a locked account stays
        // locked and an unlocked one is not locked (the server ignores it there).
        if (!touchesLockout) v |= uac::LOCKOUT;
        mods.add(op, m.attribute, Values{QByteArray::number(v & ~uac::PASSWD_CANT_CHANGE)});
        continue;
      }
      mods.add(op, m.attribute, m.values);
    }
    // The DACL change goes in the same request, so that all changes are made or none.
    bool withSd = false;
    if (cannotChange) {
      const QByteArray sd = present.first(sdName);
      if (sd.isEmpty())
        return makeError(hr::ACCESS_DENIED,
                         QStringLiteral("the security descriptor of %1 cannot be read").arg(dn.toString()));
      if (deniesPasswordChange(sd).value_or(false) != *cannotChange) {
        auto next = withPasswordChangeDenied(sd, *cannotChange);
        if (!next)
          return makeError(hr::E_FAIL, QStringLiteral("the security descriptor of %1 cannot be read").arg(dn.toString()));
        mods.add(LDAP_MOD_REPLACE, sdName, Values{*next});
        withSd = true;
      }
    }
    if (mods.empty()) return {};
    SdFlagsControl sdFlags;
    LDAPControl* ctrls[] = {&sdFlags.control, nullptr};
    const QByteArray target = dn.toString().toUtf8();
    count(Counter::Writes);
    const int rc = ldap_modify_ext_s(ld_, target.constData(), mods.get(), withSd ? ctrls : nullptr, nullptr);
    if (rc != LDAP_SUCCESS) return fail(rc, QStringLiteral("changing %1").arg(dn.toString()));
    return {};
  }

  Status remove(const Dn& dn) override {
    if (protocol_ == Protocol::GlobalCatalog) return readOnly();
    const QByteArray target = dn.toString().toUtf8();
    count(Counter::Writes);
    lastRead_.reset();
    const int rc = ldap_delete_ext_s(ld_, target.constData(), nullptr, nullptr);
    if (rc != LDAP_SUCCESS) return fail(rc, QStringLiteral("deleting %1").arg(dn.toString()));
    return {};
  }

  Status rename(const Dn& dn, const Rdn& newRdn, const std::optional<Dn>& newSuperior) override {
    if (protocol_ == Protocol::GlobalCatalog) return readOnly();
    const QByteArray target = dn.toString().toUtf8();
    const QByteArray rdn = newRdn.toString().toUtf8();
    const QByteArray superior = newSuperior ? newSuperior->toString().toUtf8() : QByteArray();
    count(Counter::Writes);
    lastRead_.reset();
    const int rc = ldap_rename_s(ld_, target.constData(), rdn.constData(),
                                 newSuperior ? superior.constData() : nullptr, 1, nullptr, nullptr);
    if (rc != LDAP_SUCCESS) return fail(rc, QStringLiteral("renaming %1").arg(dn.toString()));
    return {};
  }

  Status setPassword(const Dn& dn, const QString& password) override {
    if (protocol_ == Protocol::GlobalCatalog) return readOnly();
    if (!confidential_)
      return makeError(hr::UNWILLING_TO_PERFORM,
                       QStringLiteral("a password is only sent over an encrypted connection"));
    Mods mods;
    mods.add(LDAP_MOD_REPLACE, QStringLiteral("unicodePwd"), Values{quotedUtf16(password)});
    const QByteArray target = dn.toString().toUtf8();
    count(Counter::Writes);
    lastRead_.reset();
    const int rc = ldap_modify_ext_s(ld_, target.constData(), mods.get(), nullptr, nullptr);
    if (rc != LDAP_SUCCESS) return fail(rc, QStringLiteral("setting the password of %1").arg(dn.toString()));
    return {};
  }

  LDAP* handle() const { return ld_; }
  bool confidential_ = false;
  bool dead_ = false;

  // The descriptor of the object this connection read last with its flags, until the connection
  // next writes.
  struct LastRead {
    Dn dn;
    QByteArray sd;
  };
  std::optional<LastRead> lastRead_;

 private:
  Error readOnly() const {
    return ldapError(53, QStringLiteral("the global catalog is read-only"));
  }

  // The attributes of `dn` as the server stores them (a descriptor's DACL included, the flags not
  // folded).
  Result<Entry> readAsStored(const Dn& dn, const QStringList& attributes) {
    SearchRequest req;
    req.base = dn;
    req.scope = Scope::Base;
    req.attributes = attributes;
    SdFlagsControl sdFlags;
    auto r = searchOnce(req, QByteArray(), false, &sdFlags.control);
    if (!r) return r.error();
    if (r->entries.isEmpty())
      return makeError(hr::NO_SUCH_OBJECT, QStringLiteral("there is no object %1").arg(dn.toString()));
    return std::move(r->entries.first());
  }

  Status setCannotChangePassword(const Dn& dn, bool denied) {
    Modification m;
    m.op = ModOp::Replace;
    m.attribute = QStringLiteral("userAccountControl");
    auto e = read(dn, {m.attribute});
    if (!e) return e.error();
    qint32 v = e->first(m.attribute).toInt();
    v = denied ? (v | uac::PASSWD_CANT_CHANGE) : (v & ~uac::PASSWD_CANT_CHANGE);
    m.values = Values{QByteArray::number(v)};
    return modify(dn, {m});
  }

  // userAccountControl with 0x40 when the DACL denies the password change; the descriptor
  // itself is dropped (it was not asked for).
  static void foldCannotChangePassword(Entry& e) {
    QByteArray sd;
    for (int i = 0; i < e.attributes.size(); ++i)
      if (e.attributes[i].name.compare(QLatin1String("nTSecurityDescriptor"), Qt::CaseInsensitive) == 0) {
        sd = e.attributes[i].values.value(0);
        e.attributes.removeAt(i);
        break;
      }
    for (Attribute& a : e.attributes)
      if (a.name.compare(QLatin1String("userAccountControl"), Qt::CaseInsensitive) == 0 && a.values.size() == 1) {
        qint32 v = a.values.first().toInt();
        if (deniesPasswordChange(sd).value_or(false)) v |= uac::PASSWD_CANT_CHANGE;
        a.values.first() = QByteArray::number(v);
      }
  }

  // One search request (one page when paged); references are skipped and ranged values
  // ("member;range=0-1499") are completed.
  Result<SearchResult> searchOnce(const SearchRequest& request, const QByteArray& cookie, bool paged,
                                  LDAPControl* extra, int pageSize = kPageSize) {
    const QByteArray base = request.base.toString().toUtf8();
    const QByteArray filter = request.filter.toUtf8();
    CStrings attrs(request.attributes);
    std::vector<LDAPControl*> ctrls;
    LDAPControl* page = nullptr;
    if (paged) {
      berval c{static_cast<ber_len_t>(cookie.size()), const_cast<char*>(cookie.constData())};
      const int rc = ldap_create_page_control(ld_, pageSize, cookie.isEmpty() ? nullptr : &c, 0, &page);
      if (rc != LDAP_SUCCESS) return fail(rc, QStringLiteral("paging a search"));
      ctrls.push_back(page);
    }
    if (extra) ctrls.push_back(extra);
    ctrls.push_back(nullptr);
    timeval timeout{backend_->config().timeoutSeconds, 0};
    count(Counter::Searches);
    if (request.scope == Scope::Base) count(Counter::Reads);
    Message res;
    int rc = ldap_search_ext_s(ld_, base.constData(), ldapScope(request.scope), filter.constData(), attrs.get(), 0,
                               ctrls.data(), nullptr, &timeout, 0, &res.m);
    if (page) ldap_control_free(page);
    if (!res.m && rc != LDAP_SUCCESS) return fail(rc, QStringLiteral("searching %1").arg(request.base.toString()));

    SearchResult out;
    for (LDAPMessage* m = ldap_first_message(ld_, res.m); m; m = ldap_next_message(ld_, m)) {
      const int type = ldap_msgtype(m);
      if (type == LDAP_RES_SEARCH_ENTRY) {
        auto e = entry(m, request.base);
        if (!e) return e.error();
        out.entries.append(std::move(*e));
      } else if (type == LDAP_RES_SEARCH_RESULT) {
        int result = LDAP_SUCCESS;
        char* diag = nullptr;
        LDAPControl** serverCtrls = nullptr;
        const int prc = ldap_parse_result(ld_, m, &result, nullptr, &diag, nullptr, &serverCtrls, 0);
        const QString text = fromLdap(diag);
        if (diag) ldap_memfree(diag);
        if (prc != LDAP_SUCCESS) {
          if (serverCtrls) ldap_controls_free(serverCtrls);
          return fail(prc, QStringLiteral("reading a search result"));
        }
        if (paged && serverCtrls) {
          if (LDAPControl* pc = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, serverCtrls, nullptr)) {
            ber_int_t count = 0;
            berval next{0, nullptr};
            if (ldap_parse_pageresponse_control(ld_, pc, &count, &next) == LDAP_SUCCESS && next.bv_val) {
              out.cookie = QByteArray(next.bv_val, static_cast<int>(next.bv_len));
              ber_memfree(next.bv_val);
            }
          }
        }
        if (serverCtrls) ldap_controls_free(serverCtrls);
        if (result == LDAP_SIZELIMIT_EXCEEDED) {
          out.sizeLimitExceeded = true;
          out.cookie.clear();
        } else if (result != LDAP_SUCCESS) {
          return errorFromLdap(result, text, QStringLiteral("searching %1").arg(request.base.toString()));
        }
      }
      // Search references (other naming contexts) are not followed.
    }
    return out;
  }

  // One entry of a search result; an entry named exactly as the search's base takes the base's
  // name rather than parsing its own.
  Result<Entry> entry(LDAPMessage* m, const Dn& base) {
    char* dnText = ldap_get_dn(ld_, m);
    const QString dnString = fromLdap(dnText);
    if (dnText) ldap_memfree(dnText);
    Entry e;
    if (!dnString.isEmpty() && !base.isEmpty() && dnString == base.toString()) {
      e.dn = base;
    } else if (!dnString.isEmpty()) {
      auto dn = Dn::parse(dnString);
      if (!dn) return dn.error();
      e.dn = *dn;
    }
    BerElement* ber = nullptr;
    for (char* a = ldap_first_attribute(ld_, m, &ber); a; a = ldap_next_attribute(ld_, m, ber)) {
      const QString name = QString::fromUtf8(a);
      berval** vals = ldap_get_values_len(ld_, m, a);
      Values values;
      for (int i = 0; vals && vals[i]; ++i)
        values.append(QByteArray(vals[i]->bv_val, static_cast<int>(vals[i]->bv_len)));
      if (vals) ldap_value_free_len(vals);
      ldap_memfree(a);
      if (auto ranged = rangedAttribute(name)) {
        auto rest = remainingRange(e.dn, ranged->first, ranged->second);
        if (!rest) {
          if (ber) ber_free(ber, 0);
          return rest.error();
        }
        values += *rest;
        e.attributes.append(Attribute{ranged->first, std::move(values)});
        continue;
      }
      e.attributes.append(Attribute{name, std::move(values)});
    }
    if (ber) ber_free(ber, 0);
    return e;
  }

  // The values of a ranged attribute from `from` on.
  Result<Values> remainingRange(const Dn& dn, const QString& attribute, int from) {
    Values out;
    while (from >= 0) {
      const QByteArray base = dn.toString().toUtf8();
      CStrings attrs({QStringLiteral("%1;range=%2-*").arg(attribute).arg(from)});
      Message res;
      count(Counter::Searches);
      count(Counter::Reads);
      const int rc = ldap_search_ext_s(ld_, base.constData(), LDAP_SCOPE_BASE, "(objectClass=*)", attrs.get(), 0,
                                       nullptr, nullptr, nullptr, 0, &res.m);
      if (rc != LDAP_SUCCESS) return fail(rc, QStringLiteral("reading %1 of %2").arg(attribute, dn.toString()));
      LDAPMessage* m = ldap_first_entry(ld_, res.m);
      if (!m) break;
      int next = -1;
      BerElement* ber = nullptr;
      bool any = false;
      for (char* a = ldap_first_attribute(ld_, m, &ber); a; a = ldap_next_attribute(ld_, m, ber)) {
        auto ranged = rangedAttribute(QString::fromUtf8(a));
        if (ranged && ranged->first.compare(attribute, Qt::CaseInsensitive) == 0) {
          berval** vals = ldap_get_values_len(ld_, m, a);
          for (int i = 0; vals && vals[i]; ++i) out.append(QByteArray(vals[i]->bv_val, static_cast<int>(vals[i]->bv_len)));
          if (vals) ldap_value_free_len(vals);
          next = ranged->second;
          any = true;
        }
        ldap_memfree(a);
      }
      if (ber) ber_free(ber, 0);
      if (!any || next <= from) break;
      from = next;
    }
    return out;
  }

  std::shared_ptr<LdapBackend> backend_;
  LDAP* ld_;
  Protocol protocol_;
  ServerInfo info_;
  std::shared_ptr<ForestInfo> forest_;
};

// The forms of a user name an AD simple bind accepts: a DN, a UPN or NETBIOS\name. A DNS domain
// before the backslash or a bare name becomes name@dns.domain.
QString bindName(const QString& user, const QString& dnsDomain) {
  if (user.contains(u'=') || user.contains(u'@')) return user;
  const int slash = user.indexOf(u'\\');
  if (slash >= 0) {
    const QString domain = user.left(slash);
    if (domain.contains(u'.')) return user.mid(slash + 1) + u'@' + domain;
    return user;
  }
  return dnsDomain.isEmpty() ? user : user + u'@' + dnsDomain;
}

}  // namespace

quint32 extendedError(const QString& diagnostic, LdapOperation operation) {
  static const QRegularExpression lead(QStringLiteral("^\\s*([0-9A-Fa-f]{8}):"));
  static const QRegularExpression data(QStringLiteral("\\bdata ([0-9A-Fa-f]+)\\b"));
  if (operation == LdapOperation::Bind)
    if (auto m = data.match(diagnostic); m.hasMatch()) return m.captured(1).toUInt(nullptr, 16);
  if (auto m = lead.match(diagnostic); m.hasMatch()) return m.captured(1).toUInt(nullptr, 16);
  return 0;
}

Error errorFromLdap(int rc, const QString& diagnostic, const QString& what, LdapOperation operation) {
  QString text = diagnostic.trimmed();
  if (text.isEmpty()) text = fromLdap(ldap_err2string(rc));
  return ldapError(rc, QStringLiteral("%1: %2").arg(what, text), extendedError(diagnostic, operation));
}

LdapBackend::LdapBackend(LdapConfig config) : config_(std::move(config)) {}
LdapBackend::~LdapBackend() = default;

std::shared_ptr<ForestInfo> LdapBackend::forest(const QString& configurationNc) {
  QMutexLocker lock(&mutex_);
  return forests_.value(configurationNc);
}

void LdapBackend::rememberForest(const QString& configurationNc, std::shared_ptr<ForestInfo> info) {
  QMutexLocker lock(&mutex_);
  for (const ForestInfo::Domain& d : info->domains)
    if (!d.netbios.isEmpty() && !d.dns.isEmpty()) netbiosToDns_.insert(d.netbios.toLower(), d.dns);
  forests_.insert(configurationNc, std::move(info));
}

void LdapBackend::setHost(const QString& name, const QString& host) {
  QMutexLocker lock(&mutex_);
  // A request may now lead elsewhere: it is located again.
  requests_.clear();
  if (host.isEmpty())
    config_.hosts.remove(name.toLower());
  else
    config_.hosts.insert(name.toLower(), host);
}

Result<QString> LdapBackend::locate(const QString& server, Protocol protocol) {
  QString name = server.isEmpty() ? config_.domain : server;
  QMutexLocker lock(&mutex_);
  if (config_.hosts.contains(name.toLower())) {
    const LdapConfig copy = config_;
    lock.unlock();
    return locateServer(copy, name, protocol == Protocol::GlobalCatalog);
  }
  const QString dns = netbiosToDns_.value(name.toLower());
  if (!dns.isEmpty()) name = dns;
  const LdapConfig copy = config_;
  lock.unlock();
  return locateServer(copy, name, protocol == Protocol::GlobalCatalog);
}

Result<std::shared_ptr<DirectoryConnection>> LdapBackend::bind(const QString& server, Protocol protocol,
                                                                const std::optional<Credentials>& credentials) {
  // The same request again, while its connection lives, needs the server located no more.
  const QString secret =
      credentials ? QString::fromLatin1(
                        QCryptographicHash::hash(credentials->password.toUtf8(), QCryptographicHash::Sha256).toHex())
                  : QString();
  const QString request = server.toLower() + u'\n' + QString::number(static_cast<int>(protocol)) + u'\n' +
                          (credentials ? u'c' + credentials->user + u'\n' + secret : QString());
  {
    QMutexLocker lock(&mutex_);
    if (auto it = requests_.find(request); it != requests_.end()) {
      if (auto live = it->lock(); live && !static_cast<LdapConnection*>(live.get())->dead_) return live;
      requests_.erase(it);
    }
  }
  // A NetBIOS name is known once a forest has been read: read the configured domain's first.
  const bool netbiosLike = !server.isEmpty() && !server.contains(u'.') && !server.contains(u':');
  auto known = [&] {
    QMutexLocker lock(&mutex_);
    return config_.hosts.contains(server.toLower()) || netbiosToDns_.contains(server.toLower());
  };
  if (netbiosLike && !known()) {
    QMutexLocker lock(&mutex_);
    const bool noForest = forests_.isEmpty();
    lock.unlock();
    if (noForest) {
      auto first = bind(QString(), Protocol::Ldap, std::nullopt);
      Q_UNUSED(first);
    }
  }
  // An NT view of a domain that is not an AD domain of these forests: no such domain here.
  if (protocol == Protocol::Sam && netbiosLike && !known())
    return makeError(hr::BAD_NETPATH, QStringLiteral("%1 is not an Active Directory domain").arg(server));
  auto uri = locate(server, protocol);
  if (!uri) return uri.error();
  if (credentials && credentials->password.isEmpty())
    return ldapError(49, QStringLiteral("an empty password is refused (it would bind anonymously)"));

  const bool gssapi = !credentials && config_.bind == BindMethod::Gssapi;
  QString url = *uri;
  // Kerberos seals the connection itself; AD refuses sealing inside TLS, so GSSAPI uses the plain
  // ports.
  if (gssapi) url = plainUrl(url);

  // Binds and searches with the same server, port and identity share one connection while any
  // user of it holds it (the directory object model keeps the connections it binds).
  const QString user = credentials ? credentials->user : QString();
  const bool bareUser = !user.contains(u'\\') && !user.contains(u'@') && !user.contains(u'=');
  const QString key = url + u'\n' + (protocol == Protocol::GlobalCatalog ? u'g' : u'd') + u'\n' + user + u'\n' +
                      secret + u'\n' + (credentials && bareUser ? server.toLower() : QString());
  {
    QMutexLocker lock(&mutex_);
    if (auto it = connections_.find(key); it != connections_.end()) {
      if (auto live = it->lock(); live && !static_cast<LdapConnection*>(live.get())->dead_) {
        requests_.insert(request, live);
        return live;
      }
      connections_.erase(it);
    }
  }

  LDAPURLDesc* parsed = nullptr;
  if (ldap_url_parse(url.toUtf8().constData(), &parsed) != LDAP_URL_SUCCESS || !parsed->lud_host)
    return errorFromLdap(LDAP_PARAM_ERROR, QString(), QStringLiteral("connecting to %1").arg(url));
  QString why;
  const int fd = connectSocket(parsed->lud_host, parsed->lud_port, config_.timeoutSeconds * 1000, &why);
  ldap_free_urldesc(parsed);
  if (fd < 0) return errorFromLdap(LDAP_SERVER_DOWN, why, QStringLiteral("connecting to %1").arg(url));
  count(Counter::Connections);
  LDAP* ld = nullptr;
  int rc = ldap_init_fd(fd, LDAP_PROTO_TCP, url.toUtf8().constData(), &ld);
  if (rc != LDAP_SUCCESS) {
    ::close(fd);
    return errorFromLdap(rc, QString(), QStringLiteral("connecting to %1").arg(url));
  }
  auto conn = std::make_shared<LdapConnection>(shared_from_this(), ld, protocol);
  const int version = LDAP_VERSION3;
  ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  timeval timeout{config_.timeoutSeconds, 0};
  ldap_set_option(ld, LDAP_OPT_TIMEOUT, &timeout);
  if (!gssapi) {
    const int demand = LDAP_OPT_X_TLS_DEMAND;
    ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
    if (!config_.caFile.isEmpty()) ldap_set_option(ld, LDAP_OPT_X_TLS_CACERTFILE, config_.caFile.toUtf8().constData());
    const int newCtx = 0;
    ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &newCtx);
    {
      HandshakeDeadline deadline(fd, config_.timeoutSeconds);
      rc = url.startsWith(QLatin1String("ldaps://")) ? ldap_install_tls(ld)
                                                     : ldap_start_tls_s(ld, nullptr, nullptr);
    }
    count(Counter::TlsHandshakes);
    if (rc != LDAP_SUCCESS) return conn->fail(rc, QStringLiteral("starting TLS with %1").arg(url));
    conn->confidential_ = true;
  }

  QString host = url.section(u'/', 2, 2);
  if (gssapi) {
    ldap_set_option(ld, LDAP_OPT_X_SASL_NOCANON, LDAP_OPT_ON);
    ldap_set_option(ld, LDAP_OPT_X_SASL_SECPROPS, const_cast<char*>("minssf=56"));
    count(Counter::Binds);
    rc = ldap_sasl_interactive_bind_s(ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET, saslInteract, nullptr);
    if (rc != LDAP_SUCCESS)
      return conn->fail(rc, QStringLiteral("Kerberos bind to %1").arg(host), LdapOperation::Bind);
    conn->confidential_ = true;
  } else {
    QString user = credentials ? credentials->user : config_.user;
    const QString password = credentials ? credentials->password : config_.password;
    if (user.isEmpty() || password.isEmpty())
      return ldapError(49, QStringLiteral("no credentials are configured for %1").arg(host));
    QString dnsDomain = server.contains(u'.') && !server.contains(u':') ? server : QString();
    if (dnsDomain.isEmpty() && !user.contains(u'\\') && !user.contains(u'@') && !user.contains(u'=')) {
      auto dse = conn->rootDse();  // anonymous: the domain a bare name belongs to
      if (dse) dnsDomain = Dn::fromFormatted(QString::fromUtf8(dse->first(QStringLiteral("defaultNamingContext")))).dnsName();
    }
    const QByteArray who = bindName(user, dnsDomain).toUtf8();
    const QByteArray pw = password.toUtf8();
    berval cred{static_cast<ber_len_t>(pw.size()), const_cast<char*>(pw.constData())};
    count(Counter::Binds);
    rc = ldap_sasl_bind_s(ld, who.constData(), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr);
    if (rc != LDAP_SUCCESS)
      return conn->fail(rc, QStringLiteral("bind to %1 as %2").arg(host, user), LdapOperation::Bind);
  }
  if (Status s = conn->describe(host); !s) return s.error();

  if (!credentials && !identity_) {
    Account who;
    if (gssapi) {
      char* name = nullptr;
      ldap_get_option(ld, LDAP_OPT_X_SASL_USERNAME, &name);
      const QString principal = fromLdap(name);
      if (name) ldap_memfree(name);
      who.user = principal.section(u'@', 0, 0);
      who.domain = conn->server().domain.netbiosName;
    } else if (config_.user.contains(u'\\')) {
      who.domain = config_.user.section(u'\\', 0, 0);
      who.user = config_.user.section(u'\\', 1);
      if (who.domain.contains(u'.')) who.domain = conn->server().domain.netbiosName;
    } else {
      who.user = config_.user.section(u'@', 0, 0);
      who.domain = conn->server().domain.netbiosName;
    }
    if (!who.user.isEmpty()) identity_ = who;
  }
  QMutexLocker lock(&mutex_);
  // A connection made meanwhile under the same key is kept; this one ends with its last user.
  if (auto it = connections_.constFind(key); it == connections_.cend() || it->expired())
    connections_.insert(key, conn);
  requests_.insert(request, conn);
  return std::shared_ptr<DirectoryConnection>(conn);
}

QList<DomainInfo> LdapBackend::browseDomains() {
  QList<DomainInfo> out;
  QMutexLocker lock(&mutex_);
  if (forests_.isEmpty()) {
    lock.unlock();
    if (!bind(QString(), Protocol::Ldap, std::nullopt)) return out;
    lock.relock();
  }
  for (const auto& f : std::as_const(forests_))
    for (const ForestInfo::Domain& d : f->domains) {
      DomainInfo info;
      info.dnsName = d.dns;
      info.netbiosName = d.netbios;
      info.kind = DomainKind::ActiveDirectory;
      info.forestRoot = f->rootDns;
      out.append(info);
    }
  return out;
}

std::optional<Account> LdapBackend::loggedOnAccount() {
  if (!identity_) {
    auto conn = bind(QString(), Protocol::Ldap, std::nullopt);
    Q_UNUSED(conn);
  }
  return identity_;
}

}  // namespace tavrel::ldap
