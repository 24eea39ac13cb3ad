#pragma once
// The settings store in place of the registry key HKLM\Software\Morvane\Tavrel: one INI file
// written through QSettings. Key paths keep the registry's form ("Software\Morvane\Tavrel\Setup");
// key and value names are matched without regard to case and keep the case they were first
// written with, as the registry does. The file is kept at mode 0600 because it holds passwords.

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

namespace tavrel::registry {

constexpr qint32 HKEY_LOCAL_MACHINE = static_cast<qint32>(0x80000002u);

// "Software\Morvane\Tavrel" and its subkeys.
inline const QString kRootKey = QStringLiteral("Software\\Morvane\\Tavrel");
QString subkey(const QString& name);  // kRootKey + "\" + name

class Registry_Object {
 public:
  // Opens the store in `filePath`; the file is created by the first write.
  explicit Registry_Object(const QString& filePath = defaultPath());
  ~Registry_Object();
  Registry_Object(const Registry_Object&) = delete;
  Registry_Object& operator=(const Registry_Object&) = delete;

  // $TAVREL_CONFIG when set, otherwise $XDG_CONFIG_HOME/Morvane/Tavrel.conf
  // ($HOME/.config when XDG_CONFIG_HOME is unset).
  static QString defaultPath();
  QString filePath() const { return path_; }

  // True and `data` set when the value exists; false (data untouched) when the key or value does not.
  bool Read_Value(qint32 hive, const QString& keyPath, const QString& valueName, QString& data);
  // Creates the key path where needed and stores `data`, replacing an earlier value.
  bool Write_Value(qint32 hive, const QString& keyPath, const QString& valueName, const QString& data);
  // Removes the key with its values and subkeys. False when it did not exist or could not be written.
  bool Delete_Key(qint32 hive, const QString& keyPath);
  // Removes one value. False when it did not exist or could not be written.
  bool Delete_Value(qint32 hive, const QString& keyPath, const QString& valueName);

  // The value names of a key as written (for tests and diagnostics).
  QStringList valueNames(qint32 hive, const QString& keyPath);

 private:
  // The QSettings group of a key path, with each component resolved to its stored spelling.
  QString resolveGroup(qint32 hive, const QString& keyPath, bool* exists);
  QString resolveValueName(const QString& group, const QString& valueName);
  bool commit();

  QString path_;
  std::unique_ptr<QSettings> settings_;
};

}  // namespace tavrel::registry
