#include "platform/registry/Registry_Object.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::registry {
namespace {

QString hiveName(qint32 hive) {
  if (hive == HKEY_LOCAL_MACHINE) return QStringLiteral("HKEY_LOCAL_MACHINE");
  return {};
}

QStringList splitKey(const QString& keyPath) {
  QStringList parts;
  for (const QString& p : keyPath.split(u'\\', Qt::SkipEmptyParts)) parts << p;
  return parts;
}

// Creates the file empty with mode 0600 when it is missing, and narrows an existing one to 0600,
// before QSettings writes: QSaveFile keeps the permissions of the file it replaces.
bool ensurePrivateFile(const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  const QByteArray native = QFile::encodeName(path);
  int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool ok = ::fchmod(fd, 0600) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

QString subkey(const QString& name) { return kRootKey + u'\\' + name; }

Registry_Object::Registry_Object(const QString& filePath) : path_(filePath) {
  settings_ = std::make_unique<QSettings>(path_, QSettings::IniFormat);
}

Registry_Object::~Registry_Object() = default;

QString Registry_Object::defaultPath() {
  const QByteArray env = qgetenv("TAVREL_CONFIG");
  if (!env.isEmpty()) return QFile::decodeName(env);
  QString base = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/Morvane/Tavrel.conf");
}

QString Registry_Object::resolveGroup(qint32 hive, const QString& keyPath, bool* exists) {
  *exists = true;
  settings_->beginGroup(hiveName(hive));
  QString group = hiveName(hive);
  int depth = 1;
  for (const QString& part : splitKey(keyPath)) {
    QString found;
    if (*exists) {
      for (const QString& child : settings_->childGroups()) {
        if (child.compare(part, Qt::CaseInsensitive) == 0) {
          found = child;
          break;
        }
      }
    }
    if (found.isEmpty()) {
      *exists = false;
      found = part;
    } else {
      settings_->beginGroup(found);
      ++depth;
    }
    group += u'/' + found;
  }
  while (depth-- > 0) settings_->endGroup();
  return group;
}

QString Registry_Object::resolveValueName(const QString& group, const QString& valueName) {
  settings_->beginGroup(group);
  const QStringList keys = settings_->childKeys();
  settings_->endGroup();
  for (const QString& k : keys)
    if (k.compare(valueName, Qt::CaseInsensitive) == 0) return k;
  return {};
}

bool Registry_Object::commit() {
  settings_->sync();
  if (settings_->status() != QSettings::NoError) return false;
  // QSettings may have created the file itself; keep it private in every case.
  return ::chmod(QFile::encodeName(path_).constData(), 0600) == 0;
}

bool Registry_Object::Read_Value(qint32 hive, const QString& keyPath, const QString& valueName,
                                 QString& data) {
  if (hiveName(hive).isEmpty() || valueName.isEmpty()) return false;
  settings_->sync();  // picks up writes of another process
  bool exists = false;
  const QString group = resolveGroup(hive, keyPath, &exists);
  if (!exists) return false;
  const QString name = resolveValueName(group, valueName);
  if (name.isEmpty()) return false;
  const QVariant v = settings_->value(group + u'/' + name);
  // A value holding commas may come back as a list; the store only ever holds strings.
  if (v.typeId() == QMetaType::QStringList)
    data = v.toStringList().join(u',');
  else
    data = v.toString();
  return true;
}

bool Registry_Object::Write_Value(qint32 hive, const QString& keyPath, const QString& valueName,
                                  const QString& data) {
  if (hiveName(hive).isEmpty() || valueName.isEmpty()) return false;
  if (!ensurePrivateFile(path_)) return false;
  settings_->sync();
  bool exists = false;
  const QString group = resolveGroup(hive, keyPath, &exists);
  QString name = exists ? resolveValueName(group, valueName) : QString();
  if (name.isEmpty()) name = valueName;
  settings_->setValue(group + u'/' + name, data);
  return commit();
}

bool Registry_Object::Delete_Key(qint32 hive, const QString& keyPath) {
  if (hiveName(hive).isEmpty()) return false;
  settings_->sync();
  bool exists = false;
  const QString group = resolveGroup(hive, keyPath, &exists);
  if (!exists || splitKey(keyPath).isEmpty()) return false;
  if (!ensurePrivateFile(path_)) return false;
  settings_->remove(group);
  return commit();
}

bool Registry_Object::Delete_Value(qint32 hive, const QString& keyPath, const QString& valueName) {
  if (hiveName(hive).isEmpty()) return false;
  settings_->sync();
  bool exists = false;
  const QString group = resolveGroup(hive, keyPath, &exists);
  if (!exists) return false;
  const QString name = resolveValueName(group, valueName);
  if (name.isEmpty()) return false;
  if (!ensurePrivateFile(path_)) return false;
  settings_->remove(group + u'/' + name);
  return commit();
}

QStringList Registry_Object::valueNames(qint32 hive, const QString& keyPath) {
  settings_->sync();
  bool exists = false;
  const QString group = resolveGroup(hive, keyPath, &exists);
  if (!exists) return {};
  settings_->beginGroup(group);
  QStringList keys = settings_->childKeys();
  settings_->endGroup();
  return keys;
}

}  // namespace tavrel::registry
