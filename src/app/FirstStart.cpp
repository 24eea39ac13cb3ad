#include "app/FirstStart.h"

#include "startup/Settings.h"

#include <QFileInfo>

namespace tavrel::app {

bool prepareFirstStartSettings(const QString& settingsPath, registry::Registry_Object& reg, const QString& domain) {
  if (QFileInfo::exists(settingsPath)) return false;
  return startup::writeSetting(reg, QStringLiteral("Setup"), QStringLiteral("Domain"), domain);
}

}  // namespace tavrel::app
