#include "platform/wts/Wts.h"

namespace tavrel::wts {

namespace {
std::shared_ptr<WtsServers>& installed() {
  static std::shared_ptr<WtsServers> s;
  return s;
}
QString bare(const QString& server) {
  QString s = server.trimmed();
  while (s.startsWith(u'\\')) s.remove(0, 1);
  return s;
}
}  // namespace

bool isStringClass(quint32 cls) {
  switch (cls) {
    case WTSUserConfigInitialProgram:
    case WTSUserConfigWorkingDirectory:
    case WTSUserConfigModemCallbackPhoneNumber:
    case WTSUserConfigTerminalServerProfilePath:
    case WTSUserConfigTerminalServerHomeDir:
    case WTSUserConfigTerminalServerHomeDirDrive:
      return true;
    default:
      return false;
  }
}

bool isKnownClass(quint32 cls) {
  return cls <= WTSUserConfigfTerminalServerRemoteHomeDir;
}

void setWtsServers(std::shared_ptr<WtsServers> servers) {
  installed() = std::move(servers);
}

std::shared_ptr<WtsServers> wtsServers() {
  return installed();
}

quint32 WTSSetUserConfig(const QString& serverName, const QString& userName, quint32 cls, const WtsValue& value) {
  if (!isKnownClass(cls) || isStringClass(cls) != value.isString || userName.trimmed().isEmpty())
    return ERROR_INVALID_PARAMETER;
  auto s = wtsServers();
  if (!s) return RPC_S_SERVER_UNAVAILABLE;
  return s->setUserConfig(bare(serverName), userName.trimmed(), cls, value);
}

quint32 WTSSetUserConfigs(const QString& serverName, const QString& userName, const QList<WtsSetting>& settings,
                          qsizetype* failed) {
  qsizetype at = 0;
  const quint32 status = [&]() -> quint32 {
    if (userName.trimmed().isEmpty()) return ERROR_INVALID_PARAMETER;
    for (at = 0; at < settings.size(); ++at)
      if (!isKnownClass(settings[at].cls) || isStringClass(settings[at].cls) != settings[at].value.isString)
        return ERROR_INVALID_PARAMETER;
    at = 0;
    if (settings.isEmpty()) return 0;
    auto s = wtsServers();
    if (!s) return RPC_S_SERVER_UNAVAILABLE;
    return s->setUserConfigs(bare(serverName), userName.trimmed(), settings, at);
  }();
  if (failed) *failed = status ? at : -1;
  return status;
}

quint32 WTSQueryUserConfig(const QString& serverName, const QString& userName, quint32 cls, WtsValue& out) {
  if (!isKnownClass(cls) || userName.trimmed().isEmpty()) return ERROR_INVALID_PARAMETER;
  auto s = wtsServers();
  if (!s) return RPC_S_SERVER_UNAVAILABLE;
  return s->queryUserConfig(bare(serverName), userName.trimmed(), cls, out);
}

}  // namespace tavrel::wts
