#pragma once
#include <QString>

namespace tavrel::mainwindow {

inline const QString kTitle = QStringLiteral("Tavrel");
inline constexpr int kMajor = 3;
inline constexpr int kMinor = 2;
inline constexpr int kRevision = 9;

// "Version 3.2.9"
inline QString versionText() {
  return QStringLiteral("Version %1.%2.%3").arg(kMajor).arg(kMinor).arg(kRevision);
}

}  // namespace tavrel::mainwindow
