#include "platform/ldap/Locator.h"

#include <QRegularExpression>

#include <arpa/nameser.h>
#include <netinet/in.h>
#include <resolv.h>

#include <cstring>

namespace tavrel::ldap {

using namespace adsi;

bool validHostName(const QString& host) {
  static const QRegularExpression name(
      QStringLiteral("^[A-Za-z0-9_]([A-Za-z0-9_-]{0,62})(\\.[A-Za-z0-9_]([A-Za-z0-9_-]{0,62}))*\\.?$"));
  static const QRegularExpression ipv6(QStringLiteral("^\\[[0-9A-Fa-f:.]+\\]$"));
  return host.size() <= 253 && (name.match(host).hasMatch() || ipv6.match(host).hasMatch());
}

std::optional<std::pair<QString, int>> lookupSrv(const QString& record) {
  struct __res_state state;
  std::memset(&state, 0, sizeof state);
  if (res_ninit(&state) != 0) return std::nullopt;
  state.retrans = 2;
  state.retry = 1;
  unsigned char answer[4096];
  const QByteArray q = record.toUtf8();
  const int n = res_nquery(&state, q.constData(), ns_c_in, ns_t_srv, answer, sizeof answer);
  std::optional<std::pair<QString, int>> best;
  int bestPriority = 0x10000, bestWeight = -1;
  ns_msg msg;
  if (n > 0 && ns_initparse(answer, n, &msg) == 0) {
    for (int i = 0; i < ns_msg_count(msg, ns_s_an); ++i) {
      ns_rr rr;
      if (ns_parserr(&msg, ns_s_an, i, &rr) != 0 || ns_rr_type(rr) != ns_t_srv || ns_rr_rdlen(rr) < 7) continue;
      const unsigned char* rd = ns_rr_rdata(rr);
      const int priority = ns_get16(rd), weight = ns_get16(rd + 2), port = ns_get16(rd + 4);
      char target[NS_MAXDNAME];
      if (dn_expand(ns_msg_base(msg), ns_msg_end(msg), rd + 6, target, sizeof target) < 0) continue;
      if (priority < bestPriority || (priority == bestPriority && weight > bestWeight)) {
        bestPriority = priority;
        bestWeight = weight;
        best = std::make_pair(QString::fromUtf8(target), port);
      }
    }
  }
  res_nclose(&state);
  if (best && (best->first.isEmpty() || best->first == QLatin1String("."))) return std::nullopt;
  return best;
}

namespace {

// "host:port" (or "[v6]:port") split; port 0 when none is given.
std::pair<QString, int> splitPort(const QString& text) {
  const int colon = text.lastIndexOf(u':');
  if (colon > 0 && !text.mid(colon).contains(u']')) {
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    if (ok && port > 0 && port < 65536) return {text.left(colon), port};
    return {text, -1};
  }
  return {text, 0};
}

QString url(const QString& host, int port) {
  const bool tls = port == 636 || port == 3269;
  return QStringLiteral("%1://%2:%3").arg(tls ? QStringLiteral("ldaps") : QStringLiteral("ldap"), host).arg(port);
}

}  // namespace

Result<QString> locateServer(const LdapConfig& config, const QString& name, bool globalCatalog) {
  auto [host, port] = splitPort(name.trimmed());
  if (port < 0 || !validHostName(host))
    return makeError(hr::BAD_NETPATH, QStringLiteral("\"%1\" is not a server or domain name").arg(name));
  const bool ldaps = config.transport == Transport::Ldaps;
  const int defaultPort = globalCatalog ? (ldaps ? 3269 : 3268) : (ldaps ? 636 : 389);
  if (port > 0) return url(host, port);

  const QString mapped = config.hosts.value(host.toLower());
  if (!mapped.isEmpty()) {
    auto [h, p] = splitPort(mapped);
    if (p < 0 || !validHostName(h))
      return makeError(hr::BAD_NETPATH, QStringLiteral("the configured host \"%1\" is not a host name").arg(mapped));
    return url(h, p > 0 && !globalCatalog ? p : defaultPort);
  }
  if (host.contains(u'.') && !host.front().isDigit()) {
    const QString record = (globalCatalog ? QStringLiteral("_gc._tcp.") : QStringLiteral("_ldap._tcp.")) + host;
    if (auto srv = lookupSrv(record)) return url(srv->first, defaultPort);
  }
  return url(host, defaultPort);
}

QString plainUrl(const QString& text) {
  if (!text.startsWith(QLatin1String("ldaps://"))) return text;
  QString rest = text.mid(8);
  auto [host, port] = splitPort(rest);
  return url(host, port == 3269 ? 3268 : 389);
}

}  // namespace tavrel::ldap
