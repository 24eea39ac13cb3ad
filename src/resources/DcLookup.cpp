#include "resources/DcLookup.h"

#include "platform/netapi/NetApi.h"
#include "resources/RunMemoState.h"

#include <QMutex>

namespace tavrel::resources {

namespace {

QMutex directoryMutex;
std::shared_ptr<adsi::DirectoryBackend> dcDirectory;

// The host name of the domain's primary controller as its directory names it: the server whose
// NTDS settings hold the domain's PDC role (fSMORoleOwner on the domain's head), else a controller
// in the Domain Controllers OU, else the controller that answered. "" when the domain cannot be
// reached.
QString directoryController(adsi::DirectoryBackend& directory, const QString& server, const QString& domain) {
  auto conn = directory.bind(server.isEmpty() ? domain : server, adsi::Protocol::Ldap, std::nullopt);
  if (!conn) return QString();
  adsi::DirectoryConnection& c = **conn;
  // Asked on a server, the domain must be the one that server serves.
  if (!server.isEmpty() && domain.compare(c.server().domain.netbiosName, Qt::CaseInsensitive) != 0 &&
      domain.compare(c.server().domain.dnsName, Qt::CaseInsensitive) != 0)
    return QString();
  const adsi::Dn head = c.server().defaultNamingContext;
  const QString hostAttribute = QStringLiteral("dNSHostName");
  if (auto h = c.read(head, {QStringLiteral("fSMORoleOwner")})) {
    const QString owner = QString::fromUtf8(h->first(QStringLiteral("fSMORoleOwner")));
    if (auto settings = adsi::Dn::parse(owner); settings && !settings->isEmpty()) {
      if (auto s = c.read(settings->parent(), {hostAttribute})) {
        const QString host = QString::fromUtf8(s->first(hostAttribute));
        if (!host.isEmpty()) return host;
      }
    }
  }
  adsi::SearchRequest req;
  req.base = head.child(adsi::Rdn(QStringLiteral("OU"), QStringLiteral("Domain Controllers")));
  req.scope = adsi::Scope::OneLevel;
  req.filter = QStringLiteral("(objectClass=computer)");
  req.attributes = {hostAttribute};
  if (auto found = c.search(req)) {
    for (const adsi::Entry& e : found->entries) {
      const QString host = QString::fromUtf8(e.first(hostAttribute));
      if (!host.isEmpty()) return host;
    }
  }
  return c.server().host;
}

}  // namespace

void setDcDirectory(std::shared_ptr<adsi::DirectoryBackend> directory) {
  QMutexLocker lock(&directoryMutex);
  dcDirectory = std::move(directory);
}

namespace {

QString lookUpController(const QString& Server, const QString& Domain) {
  std::shared_ptr<adsi::DirectoryBackend> directory;
  {
    QMutexLocker lock(&directoryMutex);
    directory = dcDirectory;
  }
  if (directory) {
    if (Domain.trimmed().isEmpty()) return QString();
    QString server = Server;
    while (server.startsWith(u'\\')) server.remove(0, 1);
    const QString host = directoryController(*directory, server, Domain.trimmed());
    return host.isEmpty() ? QString() : QStringLiteral("\\\\") + host;
  }
  QString dc;
  if (netapi::NetGetDCName(Server, Domain, dc) != netapi::NERR_Success) return QString();
  // The name up to its terminator, if the network gave one.
  if (const qsizetype nul = dc.indexOf(QChar(0)); nul >= 0) dc.truncate(nul);
  return dc;
}

}  // namespace

QString Get_DC_Name(const QString& Server, const QString& Domain) {
  memo::State* kept = memo::active();
  const std::pair<QString, QString> key{Server, Domain};
  if (kept)
    if (auto it = kept->controllers.constFind(key); it != kept->controllers.cend()) return *it;
  QString dc = lookUpController(Server, Domain);
  // A domain that did not answer is asked again.
  if (kept && !dc.isEmpty()) kept->controllers.insert(key, dc);
  return dc;
}

}  // namespace tavrel::resources
