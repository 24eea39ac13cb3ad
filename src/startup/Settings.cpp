#include "startup/Settings.h"

#include "platform/text/Cp1252.h"
#include "startup/Paths.h"
#include "startup/SettingsRules.h"

namespace tavrel::startup {

using registry::HKEY_LOCAL_MACHINE;

Stored readSetting(registry::Registry_Object& reg, const QString& subkey, const QString& name) {
  Stored s;
  s.found = reg.Read_Value(HKEY_LOCAL_MACHINE, registry::subkey(subkey), name, s.value);
  if (!s.found) s.value.clear();
  return s;
}

bool writeSetting(registry::Registry_Object& reg, const QString& subkey, const QString& name,
                  const QString& data) {
  return reg.Write_Value(HKEY_LOCAL_MACHINE, registry::subkey(subkey), name, data);
}

QString yesNo(bool on) {
  return on ? QStringLiteral("Yes") : QStringLiteral("No");
}
QString upperYesNo(bool on) {
  return on ? QStringLiteral("YES") : QStringLiteral("No");
}
QString trueFalse(bool on) {
  return on ? QStringLiteral("True") : QStringLiteral("False");
}

QString chosenFolderWithSeparator(const QString& folder) {
  return folder.endsWith(kFolderSeparator) ? folder : folder + kFolderSeparator;
}

QString withFolderSeparator(const QString& path) {
  const QString trimmed = text::trimBlanks(path);
  if (trimmed.isEmpty()) return path;
  return chosenFolderWithSeparator(trimmed);
}

QString databaseFolderSetting(const Stored& s) {
  const QString folder = ruleTrim(s.found, s.value);
  if (folder.isEmpty()) return defaultDatabaseFolder();
  return withFolderSeparator(folder);
}

QString profileHiveName(const Stored& s, const QString& current) {
  const QString name = ruleFoundTrim(s.found, s.value).value_or(current);
  return name.isEmpty() ? QStringLiteral("NTUser.dat") : name;
}

int userFormatOption(const Stored& s) {
  const qint64 n = ruleNumber(s.found, s.value);
  return (n >= 1 && n <= 5) ? int(n - 1) : 2;
}

int fullNameOption(const Stored& s) {
  const qint64 n = ruleNumber(s.found, s.value);
  return (n >= 1 && n <= 4) ? int(n - 1) : 0;
}

std::optional<QString> userFormatOf(int option) {
  switch (option) {
    case 0:
      return QStringLiteral("%last%#1%first%");
    case 1:
      return QStringLiteral("%first%#1%last%");
    case 2:
      return QStringLiteral("1%first%%last%");
    case 3:
      return QStringLiteral("%first%%last%");
    default:
      return std::nullopt;
  }
}

std::optional<QString> fullNameFormatOf(int option) {
  switch (option) {
    case 0:
      return QStringLiteral("%First% %Middle% %Last%");
    case 1:
      return QStringLiteral("%First% %Last%");
    case 2:
      return QStringLiteral("%Last% %First%");
    default:
      return std::nullopt;
  }
}

bool cnNameSelected(const Stored& s) {
  return s.value.toUpper() != QLatin1String("NO");
}

bool mailCredentialsOn(const Stored& s) {
  return s.value.toUpper() != QLatin1String("FALSE");
}

HaltSwitches haltRule(bool errors, bool warnings, bool skipPrompt) {
  return HaltSwitches{errors || warnings, warnings, skipPrompt, !warnings};
}

CustomCommand readCustomCommand(registry::Registry_Object& reg, const QString& suffix) {
  const QString custom = QStringLiteral("Custom");
  const Stored menu = readSetting(reg, custom, QStringLiteral("Menu") + suffix);
  if (!menu.found) return {};
  const Stored script = readSetting(reg, custom, QStringLiteral("Script") + suffix);
  if (!script.found) return {};
  const Stored hidden = readSetting(reg, custom, QStringLiteral("RUNHIDDEN") + suffix);
  if (!hidden.found || menu.value.isEmpty() || script.value.isEmpty()) return {};
  return CustomCommand{true, menu.value};
}

QString commandLineOf(const QStringList& arguments) {
  return arguments.join(u' ');
}

bool isDebugCommandLine(const QString& commandLine) {
  return commandLine.toUpper() == QLatin1String("/DEBUG");
}

}  // namespace tavrel::startup
