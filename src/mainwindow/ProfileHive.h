#pragma once
// Where a user's profile hive lies and when it must not be deleted: window-free rules of the
// tree's two profile commands.

#include <QString>

#include <optional>

namespace tavrel::mainwindow {

// Why the hive below `profilePath` must not be deleted, as the status text to show; nullopt when
// it may be. Refused: a mandatory profile (".man" at the end, in any letter case), a profile in
// the NETLOGON share or on %LOGONSERVER% (any case), and no path at all.
std::optional<QString> serverProfileRefusal(const QString& profilePath);

// The hive file of a profile folder: the folder, one "\" and the hive's name.
QString serverHivePath(const QString& profilePath, const QString& hiveName);

// The hive in a workstation's local profile folder named after the user's logon name:
// "\\ws\admin$\profiles\<logon>\<hive>" for NT 4.0, "\\ws\c$\Documents and Settings\<logon>\<hive>"
// for Windows 2000. The workstation may be typed with or without its two leading backslashes.
QString workstationHivePath(const QString& workstation, bool nt4, const QString& logonName,
                            const QString& hiveName);

// Whether `name` can name a workstation or a logon folder: not blank, and without "\", "/" or
// any other character a name of a path cannot hold.
bool validWorkstationName(const QString& name);

}  // namespace tavrel::mainwindow
