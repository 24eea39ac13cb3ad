#pragma once
// Network management: the domain-controller locator (NetGetDCName) and the share table of a file
// server (NetShareAdd at level 502, NetShareGetInfo, NetShareDel, NetShareEnum). Results are
// NET_API_STATUS numbers: 0 for success, else a Win32 or network error number.

#include "platform/security/SecurityDescriptor.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace tavrel::netapi {

using NET_API_STATUS = quint32;

constexpr NET_API_STATUS NERR_Success = 0;
constexpr NET_API_STATUS ERROR_ACCESS_DENIED = 5;
constexpr NET_API_STATUS ERROR_BAD_NETPATH = 53;
constexpr NET_API_STATUS ERROR_INVALID_PARAMETER = 87;
constexpr NET_API_STATUS ERROR_INVALID_NAME = 123;
constexpr NET_API_STATUS ERROR_INVALID_LEVEL = 124;
constexpr NET_API_STATUS NERR_UnknownDevDir = 2116;
constexpr NET_API_STATUS NERR_DuplicateShare = 2118;
constexpr NET_API_STATUS NERR_NetNameNotFound = 2310;
constexpr NET_API_STATUS NERR_DCNotFound = 2453;

constexpr quint32 STYPE_DISKTREE = 0;
constexpr quint32 STYPE_SPECIAL = 0x80000000;  // an administrative share

struct SHARE_INFO_502 {
  QString shi502_netname;
  quint32 shi502_type = STYPE_DISKTREE;
  QString shi502_remark;
  quint32 shi502_permissions = 0;
  qint32 shi502_max_uses = -1;
  quint32 shi502_current_uses = 0;
  QString shi502_path;  // the server's own path: "D:\Users\jsmith"
  QString shi502_passwd;
  std::optional<security::SecurityDescriptor> shi502_security_descriptor;  // none: everyone, full control
};

// What a network provides; the simulated network implements it. Server names come without
// leading backslashes; an empty server is this machine.
class NetServers {
 public:
  virtual ~NetServers() = default;
  // "\\NAME" of the primary domain controller of `domain` (NetBIOS or DNS name).
  virtual NET_API_STATUS getDCName(const QString& server, const QString& domain, QString& dc) = 0;
  virtual NET_API_STATUS shareAdd(const QString& server, const SHARE_INFO_502& info) = 0;
  virtual NET_API_STATUS shareGetInfo(const QString& server, const QString& netname, SHARE_INFO_502& out) = 0;
  virtual NET_API_STATUS shareDel(const QString& server, const QString& netname) = 0;
  virtual NET_API_STATUS shareEnum(const QString& server, QList<SHARE_INFO_502>& out) = 0;
};

void setNetServers(std::shared_ptr<NetServers> servers);
std::shared_ptr<NetServers> netServers();

// "\\SERVER" or "SERVER" as the server name; "" is this machine.
NET_API_STATUS NetGetDCName(const QString& servername, const QString& domainname, QString& dcname);
NET_API_STATUS NetShareAdd(const QString& servername, quint32 level, const SHARE_INFO_502& buf,
                           quint32* parm_err = nullptr);
NET_API_STATUS NetShareGetInfo(const QString& servername, const QString& netname, SHARE_INFO_502& out);
NET_API_STATUS NetShareDel(const QString& servername, const QString& netname);
NET_API_STATUS NetShareEnum(const QString& servername, QList<SHARE_INFO_502>& out);

// Whether `name` may be a share's name: 1 to 80 characters, none of \ / : * ? " < > | and no
// control character.
bool validShareName(const QString& name);
// "D:\Users\x" → drive 'D' and components; nullopt when it is no absolute drive path.
struct DrivePath {
  QChar drive;
  QStringList components;
};
std::optional<DrivePath> parseDrivePath(const QString& path);

}  // namespace tavrel::netapi
