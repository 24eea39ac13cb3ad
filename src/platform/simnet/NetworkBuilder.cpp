#include "platform/simnet/NetworkBuilder.h"

#include "platform/simnet/Resources.h"

#include <QDir>
#include <QFile>

#include "platform/adsi/Properties.h"
#include "platform/search/Filter.h"

namespace tavrel::simnet {

using namespace adsi;

NetworkBuilder::NetworkBuilder(const QString& folder) {
  auto net = SimNetwork::open(folder);
  if (net)
    directory_ = net_ = *net;
  else
    error_ = net.error();
}

NetworkBuilder::NetworkBuilder(std::shared_ptr<SimNetwork> network) : net_(std::move(network)) {
  directory_ = net_;
  identitySet_ = net_ && net_->loggedOnUser().ok();
}

NetworkBuilder::NetworkBuilder(std::shared_ptr<DirectoryBackend> directory) : directory_(std::move(directory)) {
  identitySet_ = true;
  if (!directory_) error_ = makeError(hr::E_INVALIDARG, QStringLiteral("no directory to populate"));
}

bool NetworkBuilder::simulated(const QString& step) {
  if (error_) return false;
  if (!net_) fail(makeError(hr::E_NOINTERFACE, QStringLiteral("only the simulated network can do this")), step);
  return net_ != nullptr;
}

void NetworkBuilder::fail(const Error& e, const QString& step) {
  if (error_) return;
  Error copy = e;
  copy.message = step + QStringLiteral(": ") + e.message;
  error_ = copy;
}

Result<std::shared_ptr<DirectoryConnection>> NetworkBuilder::connect(const QString& domain) {
  if (!directory_) return *error_;
  if (auto it = connections_.constFind(domain.toLower()); it != connections_.cend()) return *it;
  const auto domains = directory_->browseDomains();
  for (const DomainInfo& d : domains)
    if ((d.dnsName.compare(domain, Qt::CaseInsensitive) == 0 ||
         d.netbiosName.compare(domain, Qt::CaseInsensitive) == 0)) {
      auto conn =
          directory_->bind(domain, d.kind == DomainKind::Nt4 ? Protocol::Sam : Protocol::Ldap, std::nullopt);
      // A real directory's connections are worth keeping; the simulated network's are cheap and
      // its domains may be added between steps.
      if (conn && !net_) connections_.insert(domain.toLower(), *conn);
      return conn;
    }
  return makeError(hr::NO_SUCH_DOMAIN, QStringLiteral("no domain %1").arg(domain));
}

Result<Dn> NetworkBuilder::containerDn(DirectoryConnection& conn, const QString& relative) {
  auto rel = Dn::parse(relative);
  if (!rel) return rel.error();
  Dn out = conn.server().defaultNamingContext;
  for (auto it = rel->rdns().crbegin(); it != rel->rdns().crend(); ++it) out = out.child(*it);
  return out;
}

Result<Dn> NetworkBuilder::accountDn(DirectoryConnection& conn, const QString& account) {
  SearchRequest req;
  req.base = conn.server().defaultNamingContext;
  req.filter = QStringLiteral("(sAMAccountName=%1)").arg(search::escapeFilterValue(account));
  req.attributes = {QStringLiteral("objectClass")};
  auto r = conn.search(req);
  if (!r) return r.error();
  if (r->entries.isEmpty())
    return makeError(hr::USER_NOT_FOUND, QStringLiteral("no account %1").arg(account));
  return r->entries.first().dn;
}

NetworkBuilder& NetworkBuilder::forest(const QString& dns, const QString& netbios, bool mixedMode,
                                       const QString& dcName) {
  if (error_) return *this;
  if (!net_) {
    // Another directory: the forest must be the one it already has.
    auto conn = connect(dns);
    if (!conn) return fail(conn.error(), QStringLiteral("forest ") + dns), *this;
    const DomainInfo& d = (*conn)->server().domain;
    if (d.netbiosName.compare(netbios, Qt::CaseInsensitive) != 0 || d.mixedMode != mixedMode)
      fail(makeError(hr::E_NOINTERFACE, QStringLiteral("the directory's domain %1 is %2, %3 mode")
                                            .arg(dns, d.netbiosName, d.mixedMode ? "mixed" : "native")),
           QStringLiteral("forest ") + dns);
    return *this;
  }
  const QString dc = dcName.isEmpty() ? QStringLiteral("DC1-") + netbios.toUpper() : dcName;
  if (Status s = net_->addForest(dns, netbios, mixedMode, dc); !s)
    return fail(s.error(), QStringLiteral("forest ") + dns), *this;
  if (!identitySet_) {
    if (Status s = net_->setLoggedOnUser({netbios, QStringLiteral("Administrator")}); !s)
      return fail(s.error(), QStringLiteral("logon")), *this;
    identitySet_ = true;
  }
  return *this;
}

NetworkBuilder& NetworkBuilder::childDomain(const QString& parentDns, const QString& dns,
                                            const QString& netbios, bool mixedMode, const QString& dcName) {
  if (!simulated(QStringLiteral("domain ") + dns)) return *this;
  const QString dc = dcName.isEmpty() ? QStringLiteral("DC1-") + netbios.toUpper() : dcName;
  if (Status s = net_->addChildDomain(parentDns, dns, netbios, mixedMode, dc); !s)
    fail(s.error(), QStringLiteral("domain ") + dns);
  return *this;
}

NetworkBuilder& NetworkBuilder::nt4Domain(const QString& netbios, const QString& pdcName) {
  if (!simulated(QStringLiteral("NT domain ") + netbios)) return *this;
  if (Status s = net_->addNt4Domain(netbios,
                                    pdcName.isEmpty() ? QStringLiteral("PDC-") + netbios.toUpper() : pdcName);
      !s)
    return fail(s.error(), QStringLiteral("NT domain ") + netbios), *this;
  if (!identitySet_) {
    if (Status s = net_->setLoggedOnUser({netbios, QStringLiteral("Administrator")}); !s)
      return fail(s.error(), QStringLiteral("logon")), *this;
    identitySet_ = true;
  }
  return *this;
}

NetworkBuilder& NetworkBuilder::server(const QString& name, const QString& domain, ServerRole role) {
  if (!simulated(QStringLiteral("server ") + name)) return *this;
  if (Status s = net_->addServer(name, domain, role); !s) fail(s.error(), QStringLiteral("server ") + name);
  return *this;
}

NetworkBuilder& NetworkBuilder::ou(const QString& domain, const QString& relativeDn,
                                   const QString& description) {
  if (error_) return *this;
  auto conn = connect(domain);
  if (!conn) return fail(conn.error(), QStringLiteral("OU ") + relativeDn), *this;
  auto dn = containerDn(**conn, relativeDn);
  if (!dn) return fail(dn.error(), QStringLiteral("OU ") + relativeDn), *this;
  QList<Attribute> attrs{{QStringLiteral("objectClass"), {"organizationalUnit"}}};
  if (!description.isEmpty()) attrs.append({QStringLiteral("description"), {description.toUtf8()}});
  if (Status s = (*conn)->add(*dn, attrs); !s) fail(s.error(), QStringLiteral("OU ") + relativeDn);
  return *this;
}

NetworkBuilder& NetworkBuilder::user(const QString& domain, const QString& account, const UserSpec& spec) {
  if (error_) return *this;
  const QString step = QStringLiteral("user ") + account;
  auto conn = connect(domain);
  if (!conn) return fail(conn.error(), step), *this;
  auto container = containerDn(**conn, spec.container);
  if (!container) return fail(container.error(), step), *this;
  const QString cn = spec.cn.isEmpty() ? account : spec.cn;
  const Dn dn = container->child(Rdn(QStringLiteral("CN"), cn));
  QList<Attribute> attrs{
      {QStringLiteral("objectClass"), {spec.computer ? "computer" : "user"}},
      {QStringLiteral("sAMAccountName"), {(spec.computer ? account + u'$' : account).toUtf8()}}};
  // Flags are written once the password is in place, as an administrator would.
  QString flags;
  for (auto it = spec.attributes.cbegin(); it != spec.attributes.cend(); ++it) {
    if (it.key().compare(QLatin1String("userAccountControl"), Qt::CaseInsensitive) == 0)
      flags = it.value();
    else
      attrs.append({it.key(), {it.value().toUtf8()}});
  }
  if (Status s = (*conn)->add(dn, attrs); !s) return fail(s.error(), step), *this;
  if (!spec.password.isEmpty()) {
    if (Status s = (*conn)->setPassword(dn, spec.password); !s) return fail(s.error(), step), *this;
  }
  if ((spec.enabled || !flags.isEmpty()) && !spec.computer) {
    auto e = (*conn)->read(dn, {QStringLiteral("userAccountControl")});
    if (!e) return fail(e.error(), step), *this;
    qint32 control = flags.isEmpty()
                         ? static_cast<qint32>(e->first(QStringLiteral("userAccountControl")).toLongLong())
                         : flags.toInt();
    if (spec.enabled)
      control &= ~uac::ACCOUNTDISABLE;
    else
      control |= uac::ACCOUNTDISABLE;
    if (!spec.password.isEmpty() && flags.isEmpty()) control &= ~uac::PASSWD_NOTREQD;
    if (Status s = (*conn)->modify(
            dn, {Modification{
                    ModOp::Replace, QStringLiteral("userAccountControl"), {QByteArray::number(control)}}});
        !s)
      fail(s.error(), step);
  }
  return *this;
}

NetworkBuilder& NetworkBuilder::group(const QString& domain, const QString& name, const GroupSpec& spec) {
  if (error_) return *this;
  const QString step = QStringLiteral("group ") + name;
  auto conn = connect(domain);
  if (!conn) return fail(conn.error(), step), *this;
  auto container = containerDn(**conn, spec.container);
  if (!container) return fail(container.error(), step), *this;
  QList<Attribute> attrs{{QStringLiteral("objectClass"), {"group"}},
                         {QStringLiteral("sAMAccountName"), {name.left(20).trimmed().toUtf8()}},
                         {QStringLiteral("groupType"), {QByteArray::number(spec.groupType)}}};
  if (!spec.description.isEmpty()) attrs.append({QStringLiteral("description"), {spec.description.toUtf8()}});
  if (Status s = (*conn)->add(container->child(Rdn(QStringLiteral("CN"), name)), attrs); !s)
    fail(s.error(), step);
  return *this;
}

NetworkBuilder& NetworkBuilder::member(const QString& domain, const QString& group, const QString& account) {
  if (error_) return *this;
  const QString step = QStringLiteral("member %1 of %2").arg(account, group);
  auto conn = connect(domain);
  if (!conn) return fail(conn.error(), step), *this;
  auto g = accountDn(**conn, group);
  if (!g) return fail(g.error(), step), *this;
  auto m = accountDn(**conn, account);
  if (!m) return fail(m.error(), step), *this;
  if (Status s =
          (*conn)->modify(*g, {Modification{ModOp::Add, QStringLiteral("member"), {m->toString().toUtf8()}}});
      !s)
    fail(s.error(), step);
  return *this;
}

NetworkBuilder& NetworkBuilder::password(const QString& domain, const QString& account,
                                         const QString& password) {
  if (error_) return *this;
  if (!net_) {  // another directory: as an administrator sets it, within the policy
    auto conn = connect(domain);
    if (!conn) return fail(conn.error(), QStringLiteral("password of ") + account), *this;
    auto dn = accountDn(**conn, account);
    if (!dn) return fail(dn.error(), QStringLiteral("password of ") + account), *this;
    if (Status s = (*conn)->setPassword(*dn, password); !s) fail(s.error(), QStringLiteral("password of ") + account);
    return *this;
  }
  if (Status s = net_->setAccountPassword(domain, account, password); !s)
    fail(s.error(), QStringLiteral("password of ") + account);
  return *this;
}

NetworkBuilder& NetworkBuilder::policy(const QString& domain, const PasswordPolicy& policy) {
  if (!simulated(QStringLiteral("policy of ") + domain)) return *this;
  if (Status s = net_->setPasswordPolicy(domain, policy); !s)
    fail(s.error(), QStringLiteral("policy of ") + domain);
  return *this;
}

NetworkBuilder& NetworkBuilder::loggedOn(const QString& domain, const QString& account) {
  if (!simulated(QStringLiteral("logon"))) return *this;
  if (Status s = net_->setLoggedOnUser({domain, account}); !s) fail(s.error(), QStringLiteral("logon"));
  identitySet_ = true;
  return *this;
}

NetworkBuilder& NetworkBuilder::fileServer(const QString& name, const QString& domain, const QString& drives) {
  if (!simulated(QStringLiteral("file server ") + name)) return *this;
  if (Status s = net_->addFileServer(name, domain, drives); !s) fail(s.error(), QStringLiteral("file server ") + name);
  return *this;
}

namespace {
// The folder on this machine behind a path of one of the network's drives.
Result<QString> driveFolder(SimNetwork& net, const QString& uncPath) {
  auto unc = files::parseUnc(uncPath);
  if (!unc || !unc->isAdminShare())
    return makeError(hr::E_INVALIDARG, QStringLiteral("\"%1\" is not a path of a drive share").arg(uncPath));
  return QStringLiteral("%1/servers/%2/%3/%4")
      .arg(net.folder(), unc->server.toUpper(), QString(unc->drive()), unc->components.join(u'/'));
}
}  // namespace

NetworkBuilder& NetworkBuilder::folder(const QString& uncPath) {
  if (!simulated(QStringLiteral("folder ") + uncPath)) return *this;
  auto local = driveFolder(*net_, uncPath);
  if (!local) return fail(local.error(), QStringLiteral("folder ") + uncPath), *this;
  if (!QDir().mkpath(*local))
    fail(makeError(hr::ACCESS_DENIED, QStringLiteral("cannot create %1").arg(*local)), QStringLiteral("folder ") + uncPath);
  return *this;
}

NetworkBuilder& NetworkBuilder::file(const QString& uncPath, qint64 size) {
  if (!simulated(QStringLiteral("file ") + uncPath)) return *this;
  auto local = driveFolder(*net_, uncPath);
  if (!local) return fail(local.error(), QStringLiteral("file ") + uncPath), *this;
  QDir().mkpath(local->section(u'/', 0, -2));
  QFile f(*local);
  if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray(size, 'x')) != size)
    fail(makeError(hr::ACCESS_DENIED, QStringLiteral("cannot write %1").arg(*local)), QStringLiteral("file ") + uncPath);
  return *this;
}

NetworkBuilder& NetworkBuilder::share(const QString& server, const QString& name, const QString& path,
                                      const QString& remark) {
  if (!simulated(QStringLiteral("share ") + name)) return *this;
  SimResources res(net_);
  netapi::SHARE_INFO_502 info;
  info.shi502_netname = name;
  info.shi502_remark = remark;
  info.shi502_permissions = 1;
  info.shi502_path = path;
  if (const auto status = res.shareAdd(server, info); status != netapi::NERR_Success)
    fail(makeError(0x80070000u | status, QStringLiteral("NetShareAdd gave %1").arg(status)), QStringLiteral("share ") + name);
  return *this;
}

Result<std::shared_ptr<SimNetwork>> NetworkBuilder::build() {
  if (error_) return *error_;
  return net_;
}

}  // namespace tavrel::simnet
