#include "platform/netapi/NetApi.h"

#include "platform/files/Paths.h"

namespace tavrel::netapi {

namespace {

std::shared_ptr<NetServers>& installed() {
  static std::shared_ptr<NetServers> s;
  return s;
}

QString bare(const QString& server) {
  QString s = server.trimmed();
  while (s.startsWith(u'\\')) s.remove(0, 1);
  return s;
}

}  // namespace

void setNetServers(std::shared_ptr<NetServers> servers) {
  installed() = std::move(servers);
}

std::shared_ptr<NetServers> netServers() {
  return installed();
}

bool validShareName(const QString& name) {
  return !name.isEmpty() && name.size() <= 80 && files::validComponent(name) && name.trimmed() == name;
}

std::optional<DrivePath> parseDrivePath(const QString& path) {
  if (path.size() < 2 || !path[0].isLetter() || path[0].unicode() > 127 || path[1] != u':') return std::nullopt;
  if (path.size() > 2 && path[2] != u'\\' && path[2] != u'/') return std::nullopt;
  DrivePath p;
  p.drive = path[0].toUpper();
  QString rest = path.mid(2);
  rest.replace(u'/', u'\\');
  for (const QString& c : rest.split(u'\\', Qt::SkipEmptyParts)) {
    if (!files::validComponent(c)) return std::nullopt;
    p.components.append(c);
  }
  return p;
}

NET_API_STATUS NetGetDCName(const QString& servername, const QString& domainname, QString& dcname) {
  dcname.clear();
  auto s = netServers();
  if (!s) return NERR_DCNotFound;
  if (domainname.trimmed().isEmpty()) return NERR_DCNotFound;
  return s->getDCName(bare(servername), domainname.trimmed(), dcname);
}

NET_API_STATUS NetShareAdd(const QString& servername, quint32 level, const SHARE_INFO_502& buf, quint32* parm_err) {
  if (parm_err) *parm_err = 0;
  if (level != 502) return ERROR_INVALID_LEVEL;
  if (!validShareName(buf.shi502_netname)) {
    if (parm_err) *parm_err = 1;  // SHARE_NETNAME_PARMNUM
    return ERROR_INVALID_NAME;
  }
  if ((buf.shi502_type & ~STYPE_SPECIAL) != STYPE_DISKTREE || !parseDrivePath(buf.shi502_path)) {
    if (parm_err) *parm_err = 7;  // SHARE_PATH_PARMNUM
    return ERROR_INVALID_PARAMETER;
  }
  auto s = netServers();
  if (!s) return ERROR_BAD_NETPATH;
  return s->shareAdd(bare(servername), buf);
}

NET_API_STATUS NetShareGetInfo(const QString& servername, const QString& netname, SHARE_INFO_502& out) {
  auto s = netServers();
  if (!s) return ERROR_BAD_NETPATH;
  if (!validShareName(netname)) return NERR_NetNameNotFound;
  return s->shareGetInfo(bare(servername), netname, out);
}

NET_API_STATUS NetShareDel(const QString& servername, const QString& netname) {
  auto s = netServers();
  if (!s) return ERROR_BAD_NETPATH;
  if (!validShareName(netname)) return NERR_NetNameNotFound;
  return s->shareDel(bare(servername), netname);
}

NET_API_STATUS NetShareEnum(const QString& servername, QList<SHARE_INFO_502>& out) {
  out.clear();
  auto s = netServers();
  if (!s) return ERROR_BAD_NETPATH;
  return s->shareEnum(bare(servername), out);
}

}  // namespace tavrel::netapi
