#include "platform/exchange/DirectoryStoreFinder.h"

#include "platform/search/Filter.h"

namespace tavrel::exchange {
namespace {

using Outcome = ServerStores::Outcome;

ServerStores outcome(Outcome o, const QString& error, std::vector<StorageGroup> groups = {}) {
  ServerStores s;
  s.outcome = o;
  s.error = error;
  s.groups = std::move(groups);
  return s;
}

// The objects of `objectClass` under `base`, in the order the directory gives them, each with its
// common name.
adsi::Result<QList<adsi::Entry>> objectsOf(adsi::DirectoryConnection& conn, const adsi::Dn& base,
                                           adsi::Scope scope, const QString& filter) {
  QList<adsi::Entry> out;
  adsi::SearchRequest request;
  request.base = base;
  request.scope = scope;
  request.filter = filter;
  request.attributes = {QStringLiteral("cn")};
  request.pageSize = 500;
  do {
    auto page = conn.search(request);
    if (!page) return page.error();
    out += page->entries;
    request.cookie = page->cookie;
  } while (!request.cookie.isEmpty());
  return out;
}

QString nameOf(const adsi::Entry& e) {
  const QByteArray cn = e.first(QStringLiteral("cn"));
  return cn.isEmpty() ? e.dn.rdn().value() : QString::fromUtf8(cn);
}

}  // namespace

DirectoryStoreFinder::DirectoryStoreFinder(std::shared_ptr<adsi::DirectoryBackend> backend, ServerProbe probe)
    : backend_(std::move(backend)), probe_(std::move(probe)) {}

DirectoryStoreFinder::DirectoryStoreFinder(BackendSource source, ServerProbe probe)
    : source_(std::move(source)), probe_(std::move(probe)) {}

ServerStores DirectoryStoreFinder::storageGroups(const QString& server) {
  if (!backend_ && source_) {
    auto opened = source_();
    if (!opened) return outcome(Outcome::Unreachable, opened.error().message);
    backend_ = opened.value();
  }
  if (!backend_) return outcome(Outcome::Unreachable, QStringLiteral("No directory is available."));

  auto conn = backend_->bind(QString(), adsi::Protocol::Ldap, std::nullopt);
  if (!conn) return outcome(Outcome::Unreachable, conn.error().message);
  const adsi::Dn config = (*conn)->server().configurationNamingContext;
  if (config.isEmpty())
    return outcome(Outcome::Unreachable, QStringLiteral("The directory has no configuration partition."));

  // A server is named by its computer name; a DNS name stands for its first label.
  const QString name = server.trimmed().section(u'.', 0, 0);
  if (name.isEmpty()) return outcome(Outcome::UnknownServer, QStringLiteral("No server name was given."));
  auto servers = objectsOf(
      **conn, config, adsi::Scope::Subtree,
      QStringLiteral("(&(objectClass=msExchExchangeServer)(cn=%1))").arg(search::escapeFilterValue(name)));
  if (!servers) return outcome(Outcome::Unreachable, servers.error().message);
  if (servers->isEmpty())
    return outcome(Outcome::UnknownServer, QStringLiteral("There is no Exchange 2000 server %1.").arg(name));
  if (probe_ && !probe_(name))
    return outcome(Outcome::Unreachable, QStringLiteral("The server %1 does not answer.").arg(name));

  ServerStores found = outcome(Outcome::Found, QString());
  auto groups = objectsOf(**conn, servers->first().dn, adsi::Scope::Subtree,
                          QStringLiteral("(objectClass=msExchStorageGroup)"));
  if (!groups) return outcome(Outcome::Failed, groups.error().message);
  for (const adsi::Entry& g : *groups) {
    found.groups.push_back({nameOf(g), {}});
    auto stores =
        objectsOf(**conn, g.dn, adsi::Scope::OneLevel, QStringLiteral("(objectClass=msExchPrivateMDB)"));
    if (!stores) return outcome(Outcome::Failed, stores.error().message, std::move(found.groups));
    for (const adsi::Entry& s : *stores) found.groups.back().mailboxStores << nameOf(s);
  }
  return found;
}

}  // namespace tavrel::exchange
