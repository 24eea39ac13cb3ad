#include "platform/simnet/ExchangeSeed.h"

#include "platform/simnet/Store.h"

namespace tavrel::simnet {
namespace {

using adsi::Attribute;
using adsi::Dn;
using adsi::Rdn;

// Adds the object `cn` of class `objectClass` under `parent` unless it exists; returns its name.
adsi::Result<Dn> ensure(adsi::DirectoryConnection& conn, const Dn& parent, const QString& cn,
                        const char* objectClass) {
  const Dn dn = parent.child(Rdn(QStringLiteral("CN"), cn));
  if (conn.read(dn, {QStringLiteral("cn")})) return dn;
  const QList<Attribute> attrs{{QStringLiteral("objectClass"), {QByteArray(objectClass)}},
                               {QStringLiteral("cn"), {cn.toUtf8()}}};
  if (adsi::Status s = conn.add(dn, attrs); !s) return s.error();
  return dn;
}

}  // namespace

adsi::Status addExchange2000Server(SimNetwork& network, const QString& forestDns,
                                   const Exchange2000Spec& spec) {
  auto bound = network.bind(forestDns, adsi::Protocol::Ldap, std::nullopt);
  if (!bound) return bound.error();
  adsi::DirectoryConnection& conn = **bound;
  const Dn config = conn.server().configurationNamingContext;

  // Each step names its parent: the organisation's containers, then the server's own objects.
  struct Step {
    QString cn;
    const char* objectClass;
  };
  const Step path[] = {{QStringLiteral("Services"), "container"},
                       {QStringLiteral("Microsoft Exchange"), "msExchConfigurationContainer"},
                       {spec.organization, "msExchOrganizationContainer"},
                       {QStringLiteral("Administrative Groups"), "msExchAdminGroupContainer"},
                       {spec.adminGroup, "msExchAdminGroup"},
                       {QStringLiteral("Servers"), "msExchServersContainer"},
                       {spec.server.toUpper(), "msExchExchangeServer"},
                       {QStringLiteral("InformationStore"), "msExchInformationStore"}};
  Dn at = config;
  for (const Step& step : path) {
    auto next = ensure(conn, at, step.cn, step.objectClass);
    if (!next) return next.error();
    at = *next;
  }
  for (const StorageGroupSpec& g : spec.storageGroups) {
    auto group = ensure(conn, at, g.name, "msExchStorageGroup");
    if (!group) return group.error();
    for (const QString& store : g.mailboxStores)
      if (auto s = ensure(conn, *group, store, "msExchPrivateMDB"); !s) return s.error();
    for (const QString& store : g.publicStores)
      if (auto s = ensure(conn, *group, store, "msExchPublicMDB"); !s) return s.error();
  }
  return network.addServer(spec.server, forestDns, ServerRole::Exchange2000);
}

bool serverAnswers(SimNetwork& network, const QString& name) {
  auto r = network.store().q("SELECT reachable FROM servers WHERE name=?");
  r.bind(1, name.section(u'.', 0, 0).toUpper());
  return !r.next() || r.i64(0) != 0;
}

}  // namespace tavrel::simnet
