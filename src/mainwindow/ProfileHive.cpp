#include "mainwindow/ProfileHive.h"

#include "platform/files/Paths.h"

namespace tavrel::mainwindow {

std::optional<QString> serverProfileRefusal(const QString& profilePath) {
  if (profilePath.endsWith(QLatin1String(".man"), Qt::CaseInsensitive))
    return QStringLiteral("Unable to Delete Mandatory Profiles");
  if (profilePath.contains(QLatin1String("NETLOGON"), Qt::CaseInsensitive))
    return QStringLiteral("Unable to Delete Profile from Netlogon Directory...");
  if (profilePath.contains(QLatin1String("%LOGONSERVER%"), Qt::CaseInsensitive))
    return QStringLiteral("Unable to Delete Profile from %LOGONSERVER% ...");
  if (profilePath.trimmed().isEmpty()) return QStringLiteral("User Does not have a profile Path Set...");
  return std::nullopt;
}

QString serverHivePath(const QString& profilePath, const QString& hiveName) {
  // A folder written with its trailing separator gets no second one.
  if (profilePath.endsWith(u'\\')) return profilePath + hiveName;
  return profilePath + u'\\' + hiveName;
}

QString workstationHivePath(const QString& workstation, bool nt4, const QString& logonName,
                            const QString& hiveName) {
  QString path = workstation;
  if (!path.startsWith(QLatin1String("\\\\"))) path.prepend(QLatin1String("\\\\"));
  path += nt4 ? QStringLiteral("\\admin$\\profiles\\") : QStringLiteral("\\c$\\Documents and Settings\\");
  return path + logonName + u'\\' + hiveName;
}

bool validWorkstationName(const QString& name) {
  QString bare = name;
  if (bare.startsWith(QLatin1String("\\\\"))) bare = bare.mid(2);
  return !bare.trimmed().isEmpty() && bare == bare.trimmed() && files::validComponent(bare);
}

}  // namespace tavrel::mainwindow
