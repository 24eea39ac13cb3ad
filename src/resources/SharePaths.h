#pragma once
// UNC paths of users' directories taken apart, the shares behind them reached through the file
// service of their server ("WinNT://<server>/lanmanserver"), and the renaming of a user's
// directory together with its share.

#include "platform/adsi/Directory.h"
#include "resources/ResourceRun.h"

#include <QString>

namespace tavrel::resources {

// The server of "\\server\share\rest": the text from the third character up to the next "\";
// empty when Path does not begin with "\" or no "\" follows the server.
QString Get_Server_Name(const QString& Path);
// The share of "\\server\share\rest"; empty when Path does not begin with "\\".
QString Get_Share_Name(const QString& Path);
// Whether a "\" follows the share name: the path goes below its share.
bool Is_Sub_Dir(const QString& UNCPath);
// The same place through the administrative share of the share's drive
// ("\\server\D$\Users\jsmith" for a share of D:\Users\jsmith), with the part below the share
// appended when IsSubDir; empty when the share cannot be read or has no drive path.
QString Get_Share_Path(const QString& UNCPath, bool IsSubDir);
// The local path of the share named in UNCPath, as its server keeps it; empty on any failure.
QString Get_Share_Local_Path(const QString& UNCPath);
// Deletes the share named in UNCPath from its server.
bool Delete_Share(const QString& UNCPath);
// Whether both paths name the same server and share (letter case ignored); two empty paths do.
bool Same_Share(const QString& Path1, const QString& Path2);
// Whether Path is an existing directory.
bool Dir_Exists(const QString& Path);
// A guard: when Find occurs in Text (letter case ignored) it beeps, writes LogLine to the run's
// log and returns false; otherwise true. An empty Find never occurs.
bool Check_Contains(const QString& Text, const QString& Find, const QString& LogLine, ResourceRun& run);
// Text up to and including its last path component equal to Name (letter case ignored); the
// server of a UNC path is no such component. Empty when no component is Name.
QString Parent_Path(const QString& Text, const QString& Name);

// Renames the user's home (Switch true) or profile (Switch false) directory at the UNC path Path
// from the user ID OldName to NewName, and writes the new path into Current_User's HomeDirectory
// or Profile. Only the path's last component equal to OldName (letter case ignored) changes; when
// that is the share itself (named OldName, or OldName with "$"), the share moves with the
// directory: the directory is renamed, the new share created (Create_Share_502, "Users Home
// Share", permissions for NewName), and only then the old share deleted. Any failure puts back
// what was done and returns false; every outcome is logged. A profile on the NETLOGON share or on
// "%LOGONSERVER%" is refused. Current_User is released on every path.
bool Rename_ShrDir(const QString& Path, const QString& NewName, const QString& OldName, bool Switch,
                   adsi::AdsObject& Current_User, ResourceRun& run);

}  // namespace tavrel::resources
