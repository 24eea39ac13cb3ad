#include "platform/netapi/FileService.h"

namespace tavrel::netapi {

using adsi::Result;
using adsi::Status;

namespace {

struct ServicePath {
  QString server;
  QString share;  // empty: the service itself
};

// Splits a path of the file service; the class suffix, when written, must match.
std::optional<ServicePath> parsePath(const QString& path) {
  const QString prefix = QStringLiteral("WinNT://");
  if (!path.startsWith(prefix)) return std::nullopt;
  QString rest = path.mid(prefix.size());
  QString cls;
  if (const qsizetype comma = rest.lastIndexOf(u','); comma >= 0) {
    cls = rest.mid(comma + 1);
    rest = rest.left(comma);
  }
  const QStringList parts = rest.split(u'/');
  if (parts.size() < 2 || parts.size() > 3 || parts[0].isEmpty() ||
      parts[1].compare(QLatin1String("lanmanserver"), Qt::CaseInsensitive) != 0)
    return std::nullopt;
  ServicePath p{parts[0], parts.size() == 3 ? parts[2] : QString()};
  if (parts.size() == 3 && p.share.isEmpty()) return std::nullopt;
  const QString want = p.share.isEmpty() ? QStringLiteral("FileService") : QStringLiteral("FileShare");
  if (!cls.isEmpty() && cls.compare(want, Qt::CaseInsensitive) != 0) return std::nullopt;
  return p;
}

Status fromNet(NET_API_STATUS s, const QString& what) {
  if (s == NERR_Success) return {};
  return adsi::makeError(hresultFromNetStatus(s), QStringLiteral("%1 (error %2)").arg(what).arg(s));
}

bool isShareClass(const QString& className) {
  return className.compare(QLatin1String("fileshare"), Qt::CaseInsensitive) == 0;
}

}  // namespace

quint32 hresultFromNetStatus(NET_API_STATUS status) {
  return status == 0 ? 0 : 0x80070000u | (status & 0xFFFFu);
}

QString FileShare::ADsPath() const {
  return QStringLiteral("WinNT://%1/lanmanserver/%2").arg(server_, info_.shi502_netname);
}

QString FileShare::Parent() const {
  return QStringLiteral("WinNT://%1/lanmanserver").arg(server_);
}

QString FileService::ADsPath() const {
  return QStringLiteral("WinNT://%1/lanmanserver").arg(server_);
}

Result<QList<FileShare>> FileService::Children() {
  QList<SHARE_INFO_502> all;
  if (Status s = fromNet(NetShareEnum(server_, all), QStringLiteral("cannot list the shares of %1").arg(server_)); !s)
    return s.error();
  QList<FileShare> out;
  for (const SHARE_INFO_502& i : std::as_const(all))
    if (!(i.shi502_type & STYPE_SPECIAL)) out.append(FileShare(server_, i));
  return out;
}

Result<FileShare> FileService::GetObject(const QString& className, const QString& name) {
  if (!isShareClass(className))
    return adsi::makeError(adsi::hr::E_INVALIDARG, QStringLiteral("the file service holds only file shares"));
  SHARE_INFO_502 info;
  if (Status s = fromNet(NetShareGetInfo(server_, name, info), QStringLiteral("no share %1 on %2").arg(name, server_)); !s)
    return s.error();
  return FileShare(server_, info);
}

Status FileService::Delete(const QString& className, const QString& name) {
  if (!isShareClass(className))
    return adsi::makeError(adsi::hr::E_INVALIDARG, QStringLiteral("the file service holds only file shares"));
  return fromNet(NetShareDel(server_, name), QStringLiteral("cannot delete the share %1 on %2").arg(name, server_));
}

Result<FileService> bindFileService(const QString& path) {
  auto p = parsePath(path);
  if (!p || !p->share.isEmpty()) return adsi::makeError(adsi::hr::BAD_PATHNAME, path);
  // Binding reaches the server: an unknown or silent one fails here, as the provider does. One
  // share asked for by name answers that without listing every share of the server.
  SHARE_INFO_502 probe;
  NET_API_STATUS reached = NetShareGetInfo(p->server, QStringLiteral("IPC$"), probe);
  if (reached == NERR_NetNameNotFound) reached = NERR_Success;
  if (Status s = fromNet(reached, QStringLiteral("cannot reach %1").arg(p->server)); !s) return s.error();
  return FileService(p->server);
}

Result<FileShare> bindFileShare(const QString& path) {
  auto p = parsePath(path);
  if (!p || p->share.isEmpty()) return adsi::makeError(adsi::hr::BAD_PATHNAME, path);
  return FileService(p->server).GetObject(QStringLiteral("fileshare"), p->share);
}

}  // namespace tavrel::netapi
