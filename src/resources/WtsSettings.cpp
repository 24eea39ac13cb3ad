#include "resources/WtsSettings.h"

#include "platform/netapi/NetApi.h"
#include "startup/FRString.h"
#include "startup/LogFile.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

namespace tavrel::resources {

using namespace wts;

const std::array<WtsRow, 13> kWtsRows = {{
    {"User Profile Directory", "", WTSUserConfigTerminalServerProfilePath},
    {"User Home Directory", "", WTSUserConfigTerminalServerHomeDir},
    {"Users Home drive letter", "d6d", WTSUserConfigTerminalServerHomeDirDrive},
    {"Allow logon", "s1y", WTSUserConfigfAllowLogonTerminalServer},
    {"Start Following program at logon", "s2y", WTSUserConfigfInheritInitialProgram},
    {"Start program", "", WTSUserConfigInitialProgram},
    {"Start in", "", WTSUserConfigWorkingDirectory},
    {"Connect client drives at logon", "s3y", WTSUserConfigfDeviceClientDrives},
    {"Connect client printers at logon", "s4y", WTSUserConfigfDeviceClientPrinters},
    {"Connect default client printer", "s5y", WTSUserConfigfDeviceClientDefaultPrinter},
    // The limit for a disconnected session is the disconnection time-out; the active session's
    // limit is the connection time-out.
    {"End a Dissconnected sessions", "s5t", WTSUserConfigTimeoutSettingsDisconnections},
    {"Active session limit", "s6t", WTSUserConfigTimeoutSettingsConnections},
    {"Idle session limit", "s7t", WTSUserConfigTimeoutSettingsIdle},
}};

namespace {

struct TimeName {
  const char* name;
  quint32 ms;
};

constexpr TimeName kTimes[] = {
    {"Never", 0},          {"1 min", 60000},       {"5 mins", 300000},     {"10 mins", 600000},
    {"15 mins", 900000},   {"30 mins", 1800000},   {"1 hour", 3600000},    {"2 hours", 7200000},
    {"3 hours", 10800000}, {"1 day", 86400000},    {"2 days", 172800000},
};

bool yes(const QString& text) {
  return text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 ||
         text.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::optional<quint32> WTS_Config_Class(int row) {
  if (row < 1 || row > static_cast<int>(kWtsRows.size())) return std::nullopt;
  return kWtsRows[static_cast<size_t>(row - 1)].cls;
}

WtsKind wtsKind(const QString& key) {
  if (!key.startsWith(u's', Qt::CaseInsensitive)) return WtsKind::String;
  return key.endsWith(u't', Qt::CaseInsensitive) ? WtsKind::Time : WtsKind::YesNo;
}

std::optional<quint32> WTS_Time_List(const QString& name) {
  for (const TimeName& t : kTimes)
    if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0) return t.ms;
  return std::nullopt;
}

QStringList wtsTimeNames() {
  QStringList out;
  for (const TimeName& t : kTimes) out.append(QString::fromLatin1(t.name));
  return out;
}

WtsResult Set_WTS_Settings(const QString& User_Name, const QString& Domain, const WtsSettingsInput& input,
                           startup::LogFile& log) {
  WtsResult result;
  QString dc;
  const netapi::NET_API_STATUS found = netapi::NetGetDCName(QString(), Domain, dc);
  if (found != netapi::NERR_Success) {
    const QString text = QStringLiteral("NetGetDCName failed with error ") + QString::number(found);
    // An import must not stop for a box: the failure goes to the log and the run's status.
    if (input.Import_Mode) {
      log.line(text);
      ui::feedback().beep();
    } else {
      ui::prompter().MsgBox(text, ui::kStyleExclamation);
    }
    result.outcome = WtsOutcome::NoController;
    result.error = found;
    return result;
  }
  log.line(QStringLiteral("Setting WTS settings..."));
  const int rows = static_cast<int>(qMin<qsizetype>(input.values.size(), kWtsRows.size()));
  // The non-empty rows, written together: every one of them or, when one is refused, none.
  QList<WtsSetting> settings;
  QList<WtsKind> kinds;
  for (int i = 0; i < rows; ++i) {
    const WtsRow& row = kWtsRows[static_cast<size_t>(i)];
    const QString raw = input.values[i];
    QString value = input.Replace_Variables ? input.Replace_Variables(raw) : raw;
    startup::FRString(value, QStringLiteral("%server%"), input.NTSERVER);
    startup::FRString(value, QStringLiteral("%UserName%"), User_Name);
    if (value.isEmpty()) continue;
    const WtsKind kind = wtsKind(QString::fromLatin1(row.key));
    if (kind == WtsKind::String) {
      settings.append(WtsSetting{row.cls, WtsValue::string(value)});
    } else {
      quint32 number = yes(value) ? 1 : 0;
      // "Start the following program" means the user's own program runs: the initial program
      // is then not inherited from the client.
      if (row.cls == WTSUserConfigfInheritInitialProgram) number = number ? 0 : 1;
      if (kind == WtsKind::Time) number = WTS_Time_List(raw).value_or(0);
      settings.append(WtsSetting{row.cls, WtsValue::dword(number)});
    }
    kinds.append(kind);
  }
  qsizetype failed = -1;
  const quint32 status = WTSSetUserConfigs(dc, User_Name, settings, &failed);
  if (status) {
    const bool text = kinds.value(failed, WtsKind::String) == WtsKind::String;
    log.line((text ? QStringLiteral("WTSSetUserConfigString failed with error ")
                   : QStringLiteral("WTSSetUserConfigDWord failed with error ")) +
             QString::number(status));
    ui::feedback().beep();
    result.outcome = WtsOutcome::Refused;
    result.error = status;
    return result;
  }
  result.rowsWritten = static_cast<int>(settings.size());
  return result;
}

}  // namespace tavrel::resources
