#pragma once
// Terminal Services per-user configuration (WTSSetUserConfig / WTSQueryUserConfig): one value per
// configuration class, a string or a 32-bit number, kept for each account on the domain
// controller it is written to.

#include <QList>
#include <QString>

#include <memory>

namespace tavrel::wts {

enum WTS_CONFIG_CLASS : quint32 {
  WTSUserConfigInitialProgram = 0,
  WTSUserConfigWorkingDirectory = 1,
  WTSUserConfigfInheritInitialProgram = 2,
  WTSUserConfigfAllowLogonTerminalServer = 3,
  WTSUserConfigTimeoutSettingsConnections = 4,
  WTSUserConfigTimeoutSettingsDisconnections = 5,
  WTSUserConfigTimeoutSettingsIdle = 6,
  WTSUserConfigfDeviceClientDrives = 7,
  WTSUserConfigfDeviceClientPrinters = 8,
  WTSUserConfigfDeviceClientDefaultPrinter = 9,
  WTSUserConfigBrokenTimeoutSettings = 10,
  WTSUserConfigReconnectSettings = 11,
  WTSUserConfigModemCallbackSettings = 12,
  WTSUserConfigModemCallbackPhoneNumber = 13,
  WTSUserConfigShadowingSettings = 14,
  WTSUserConfigTerminalServerProfilePath = 15,
  WTSUserConfigTerminalServerHomeDir = 16,
  WTSUserConfigTerminalServerHomeDirDrive = 17,
  WTSUserConfigfTerminalServerRemoteHomeDir = 18,
};

// Whether the class holds text (else a 32-bit number).
bool isStringClass(quint32 cls);
bool isKnownClass(quint32 cls);

struct WtsValue {
  bool isString = false;
  QString text;
  quint32 number = 0;
  static WtsValue string(const QString& t) { return {true, t, 0}; }
  static WtsValue dword(quint32 n) { return {false, {}, n}; }
  bool operator==(const WtsValue& o) const {
    return isString == o.isString && (isString ? text == o.text : number == o.number);
  }
};

// One value of a user's configuration.
struct WtsSetting {
  quint32 cls = 0;  // WTS_CONFIG_CLASS
  WtsValue value;
};

// Win32 errors the calls return.
constexpr quint32 ERROR_ACCESS_DENIED = 5;
constexpr quint32 ERROR_INVALID_PARAMETER = 87;
constexpr quint32 RPC_S_SERVER_UNAVAILABLE = 1722;
constexpr quint32 NERR_UserNotFound = 2221;

// What a network provides; the simulated network implements it. `server` has no backslashes.
class WtsServers {
 public:
  virtual ~WtsServers() = default;
  virtual quint32 setUserConfig(const QString& server, const QString& user, quint32 cls, const WtsValue& value) = 0;
  virtual quint32 queryUserConfig(const QString& server, const QString& user, quint32 cls, WtsValue& out) = 0;
  // Writes every setting or none; on failure `failed` is the index of the setting refused (0 when
  // the account or the server as a whole refuses).
  virtual quint32 setUserConfigs(const QString& server, const QString& user, const QList<WtsSetting>& settings,
                                 qsizetype& failed) = 0;
};

void setWtsServers(std::shared_ptr<WtsServers> servers);
std::shared_ptr<WtsServers> wtsServers();

// 0, or the Win32 error number. `serverName` "\\DC" or "DC". The value's kind must be the
// class's kind (ERROR_INVALID_PARAMETER otherwise).
quint32 WTSSetUserConfig(const QString& serverName, const QString& userName, quint32 cls, const WtsValue& value);
// Several values of one user written together: all of them or, on failure, none. `failed` (when
// given) is the index of the setting refused, -1 on success. No settings: nothing is asked.
quint32 WTSSetUserConfigs(const QString& serverName, const QString& userName, const QList<WtsSetting>& settings,
                          qsizetype* failed = nullptr);
quint32 WTSQueryUserConfig(const QString& serverName, const QString& userName, quint32 cls, WtsValue& out);

}  // namespace tavrel::wts
