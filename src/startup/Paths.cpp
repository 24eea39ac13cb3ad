#include "startup/Paths.h"

#include <QDir>
#include <QFile>

namespace tavrel::startup {

QString defaultDatabaseFolder() {
  QString base = QFile::decodeName(qgetenv("XDG_DATA_HOME"));
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
  const QString folder = base + QStringLiteral("/tavrel/database/");
  QDir().mkpath(folder);
  return folder;
}

}  // namespace tavrel::startup
