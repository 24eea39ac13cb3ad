#include "platform/adsi/AccountChecks.h"

#include "platform/adsi/Batch.h"
#include "platform/adsi/Properties.h"

namespace tavrel::adsi {

namespace {

constexpr int kMaxUserNameLength = 20;
constexpr int kMaxRdnLength = 64;
constexpr int kComplexity = 0x1;  // DOMAIN_PASSWORD_COMPLEX in pwdProperties
constexpr qint32 kAccountTypes =
    0x100 | uac::NORMAL_ACCOUNT | 0x800 | uac::WORKSTATION_TRUST_ACCOUNT | uac::SERVER_TRUST_ACCOUNT;

bool named(const QString& attribute, const char* name) {
  return attribute.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

bool hasClass(const Values& classes, const char* name) {
  for (const QByteArray& c : classes)
    if (named(QString::fromUtf8(c), name)) return true;
  return false;
}

// The classes of the account an add or modify concerns, as far as the checks need them.
struct Kind {
  bool user = false;
  bool computer = false;
};

Kind kindOf(const Values& classes) {
  Kind k;
  k.computer = hasClass(classes, "computer");
  k.user = k.computer || hasClass(classes, "user");
  return k;
}

class CheckedConnection : public DirectoryConnection {
 public:
  explicit CheckedConnection(std::shared_ptr<DirectoryConnection> inner) : inner_(std::move(inner)) {}

  const ServerInfo& server() const override { return inner_->server(); }
  std::shared_ptr<const SchemaCatalog> schema() override { return inner_->schema(); }
  QList<AttributeDef> attributeDefs(const QStringList& names) override { return inner_->attributeDefs(names); }
  Result<Entry> rootDse() override { return inner_->rootDse(); }
  Result<Entry> read(const Dn& dn, const QStringList& attributes) override {
    return inner_->read(dn, attributes);
  }
  Result<Entry> readForBind(const Dn& dn, QStringList& deferred) override {
    return inner_->readForBind(dn, deferred);
  }
  Result<SearchResult> search(const SearchRequest& request) override { return inner_->search(request); }
  Status setPassword(const Dn& dn, const QString& password) override {
    // With complexity required, a password may not hold the account's name (not every DC checks).
    if (passwordPolicy() & kComplexity) {
      auto account = inner_->read(dn, {QStringLiteral("sAMAccountName"), QStringLiteral("displayName")});
      if (account) {
        if (Status s = checkPasswordNames(password, QString::fromUtf8(account->first(QStringLiteral("sAMAccountName"))),
                                          QString::fromUtf8(account->first(QStringLiteral("displayName"))));
            !s)
          return s;
      }
    }
    return inner_->setPassword(dn, password);
  }
  Status remove(const Dn& dn) override { return inner_->remove(dn); }

  Status add(const Dn& dn, const QList<Attribute>& attributes) override {
    if (!dn.isEmpty()) {
      if (Status s = checkRdn(dn.rdn()); !s) return s;
    }
    Values classes;
    for (const Attribute& a : attributes)
      if (named(a.name, "objectClass")) classes += a.values;
    const Kind kind = kindOf(classes);
    const bool account = kind.user || hasClass(classes, "group");
    for (const Attribute& a : attributes) {
      if (Status s = checkValues(dn, a.name, a.values, kind); !s) return s;
      // An account holds one description (not every DC checks this when the account is added).
      if (account && named(a.name, "description") && a.values.size() > 1)
        return makeError(hr::ATTRIBUTE_OR_VALUE_EXISTS, QStringLiteral("an account holds one description"));
    }
    return inner_->add(dn, attributes);
  }

  Status modify(const Dn& dn, const QList<Modification>& changes) override {
    std::optional<Kind> kind;
    for (const Modification& m : changes) {
      // A built-in group's type is the system's (a DC that let it change could not change it back).
      if (named(m.attribute, "groupType")) {
        auto e = inner_->read(dn, {QStringLiteral("groupType")});
        if (e && (e->first(QStringLiteral("groupType")).toInt() & grouptype::BUILTIN_LOCAL))
          return makeError(hr::UNWILLING_TO_PERFORM, QStringLiteral("a built-in group's type cannot be changed"));
      }
      if (m.op == ModOp::Delete || m.values.isEmpty()) continue;
      // The kind of account matters to the names and flags only, and only to values that some
      // kind of account would refuse: read it for those.
      if (!kind && kindMatters(m)) {
        auto e = inner_->read(dn, {QStringLiteral("objectClass")});
        if (!e) return e.error();
        const Attribute* oc = e->find(QStringLiteral("objectClass"));
        kind = kindOf(oc ? oc->values : Values{});
      }
      if (Status s = checkValues(dn, m.attribute, m.values, kind.value_or(Kind{})); !s) return s;
    }
    return inner_->modify(dn, changes);
  }

  Status rename(const Dn& dn, const Rdn& newRdn, const std::optional<Dn>& newSuperior) override {
    if (Status s = checkRdn(newRdn); !s) return s;
    return inner_->rename(dn, newRdn, newSuperior);
  }

 private:
  // pwdProperties of the domain: read once per batch, else at every use; 0 when unreadable.
  int passwordPolicy() {
    const quint64 batch = Batch::current();
    if (batch != 0 && policyBatch_ == batch) return policy_;
    auto domain = inner_->read(inner_->server().defaultNamingContext, {QStringLiteral("pwdProperties")});
    if (!domain) return 0;
    policy_ = domain->first(QStringLiteral("pwdProperties")).toInt();
    policyBatch_ = batch;
    return policy_;
  }

  // Whether checking `m` depends on the kind of account: a value every kind takes needs no read.
  static bool kindMatters(const Modification& m) {
    if (named(m.attribute, "sAMAccountName")) {
      for (const QByteArray& v : m.values) {
        const QString name = QString::fromUtf8(v);
        if (!checkAccountName(name, true, false) || !checkAccountName(name, true, true)) return true;
      }
      return false;
    }
    if (named(m.attribute, "userAccountControl")) {
      for (const QByteArray& v : m.values)
        if (!checkAccountControl(static_cast<qint32>(v.toLongLong()))) return true;
      return false;
    }
    return false;
  }

  // The values written to one attribute of the entry `dn`.
  static Status checkValues(const Dn& dn, const QString& attribute, const Values& values, Kind kind) {
    if (named(attribute, "sAMAccountName")) {
      for (const QByteArray& v : values)
        if (Status s = checkAccountName(QString::fromUtf8(v), kind.user, kind.computer); !s) return s;
    } else if (named(attribute, "userAccountControl") && kind.user) {
      for (const QByteArray& v : values) {
        bool ok = false;
        const qint32 control = static_cast<qint32>(v.toLongLong(&ok));
        if (ok) {
          if (Status s = checkAccountControl(control); !s) return s;
        }
      }
    } else if (named(attribute, "member")) {
      for (const QByteArray& v : values) {
        auto member = Dn::parse(QString::fromUtf8(v));
        if (member) {
          if (Status s = checkMember(dn, *member); !s) return s;
        }
      }
    }
    return {};
  }

  std::shared_ptr<DirectoryConnection> inner_;
  int policy_ = 0;
  quint64 policyBatch_ = 0;
};

}  // namespace

Status checkAccountName(const QString& name, bool isUser, bool isComputer) {
  if (name.isEmpty()) return {};
  const QString bare = isComputer && name.endsWith(u'$') ? name.chopped(1) : name;
  if (bare.trimmed().isEmpty() || (isUser && bare.size() > kMaxUserNameLength))
    return makeError(hr::CONSTRAINT_VIOLATION,
                     QStringLiteral("sAMAccountName must have 1 to %1 characters").arg(kMaxUserNameLength));
  static const QString bad = QStringLiteral("\"/\\[]:;|=,+*?<>@");
  for (const QChar c : bare)
    if (bad.contains(c) || c.unicode() < 0x20)
      return makeError(hr::CONSTRAINT_VIOLATION,
                       QStringLiteral("sAMAccountName \"%1\" has an invalid character").arg(name));
  return {};
}

Status checkRdn(const Rdn& rdn) {
  if (rdn.value().size() > kMaxRdnLength)
    return makeError(
        hr::CONSTRAINT_VIOLATION,
        QStringLiteral("the name \"%1\" is longer than %2 characters").arg(rdn.value()).arg(kMaxRdnLength));
  return {};
}

Status checkAccountControl(qint32 control) {
  if ((control & kAccountTypes) == 0)
    return makeError(hr::UNWILLING_TO_PERFORM, QStringLiteral("userAccountControl has no account type"));
  return {};
}

Status checkPasswordNames(const QString& password, const QString& account, const QString& displayName) {
  auto refuse = [] {
    return makeError(hr::PASSWORD_POLICY, QStringLiteral("the password contains the account's name"));
  };
  if (account.size() > 2 && password.contains(account, Qt::CaseInsensitive)) return refuse();
  // Each part of the full name of three characters or more, split where Windows splits it.
  static const QString separators = QStringLiteral(",.-_ #\t");
  QString part;
  for (const QChar c : displayName + u' ') {
    if (separators.contains(c)) {
      if (part.size() > 2 && password.contains(part, Qt::CaseInsensitive)) return refuse();
      part.clear();
    } else {
      part += c;
    }
  }
  return {};
}

Status checkMember(const Dn& group, const Dn& member) {
  if (group == member)
    return makeError(hr::UNWILLING_TO_PERFORM, QStringLiteral("a group cannot contain itself"));
  return {};
}

std::shared_ptr<DirectoryConnection> withAccountChecks(std::shared_ptr<DirectoryConnection> connection) {
  return std::make_shared<CheckedConnection>(std::move(connection));
}

}  // namespace tavrel::adsi
