#pragma once
// Renaming one user without the windows: the Active Directory rename (logon names, given, family
// and display names, the common name by a move within the user's own container) and the NT
// rename (the account through its domain, the full name), each optionally with the user's home
// and profile folders and the shares that publish them. The program's lists follow at once: the
// tree node through the host, the bulk window's lists through the catalogue, the group window's
// user lists directly.
//
// Every name is checked before anything is written. A refused Active Directory write puts back
// what the run had already written, so a refusal leaves the account as it was.

#include "groups/GroupNames.h"
#include "platform/adsi/Directory.h"
#include "resources/ResourceRun.h"

#include <QColor>
#include <QString>

#include <functional>
#include <optional>

namespace tavrel::groups {

// What a rename needs of the main window: the tree's selected node, its status line and
// on-screen log, and the options that decide the names.
class RenameHost {
 public:
  virtual ~RenameHost() = default;
  // The selected node of the tree: its key (AD: the user's path), its text, and its parent's key.
  virtual QString nodeKey() const = 0;
  virtual QString nodeText() const = 0;
  virtual void setNodeText(const QString& text) = 0;
  virtual void setNodeKey(const QString& key) = 0;
  // The main window's own fields that name the user by its path (a user loaded for editing).
  virtual void userRekeyed(const QString& oldKey, const QString& newKey) { (void)oldKey, (void)newKey; }
  // Panel 1 of the status bar, and a row of the on-screen log ("GREEN", "YELLOW", "RED").
  virtual void status(const QString& text) = 0;
  virtual void logRow(const QString& colour, const QString& message) = 0;
  virtual void repaint() {}

  virtual QString dbpath() const = 0;  // the database folder, ending with its separator
  virtual bool cnName() const = 0;      // %UserName% is the common name (else the pre-2000 name)
  virtual bool displayNames() const = 0;  // the tree shows display names (else common names)
  virtual bool renameDirs() const = 0;    // "Rename directories and shares" is ticked
  virtual QColor fieldColour() const { return QColor(); }
};

// ---- Name rules ----

// Why `name` (already trimmed) cannot be an account name (NT logon name, pre-Windows 2000 name):
// empty, longer than 20 characters, only dots and blanks. Nullopt when it can, as far as these
// rules go; the characters are checked by invalidCharacters().
std::optional<QString> accountNameProblem(const QString& name);
// The characters of `name` that no account name may hold, in their order in the name: any of
// "/\[]:;|=,+*?<> and control characters.
QString invalidCharacters(const QString& name);
// Why `name` (trimmed) cannot be a common name: empty, longer than 64 characters, a control
// character.
std::optional<QString> commonNameProblem(const QString& name);
// Why `prefix` cannot be the part of a user principal name before its "@": an "@", a blank at
// either end or a control character.
std::optional<QString> upnPrefixProblem(const QString& prefix);

// `path` with its last component (after the server) equal to `oldName`, letter case ignored,
// replaced by `newName`; when the share itself is the user's ("old" or "old$") it becomes "new"
// or "new$". Unchanged when no component is the old name.
QString renamedPath(const QString& path, const QString& oldName, const QString& newName);

// ---- The lists ----

// The Active Directory user `oldKey` is now `newKey`: the bulk window's lists (users and
// selection) show `text`, the group window's user lists `name` (the common name, as the loader
// gives them), and the host's node and fields follow.
void userRenamedAd(RenameHost& host, const QString& oldKey, const QString& newKey, const QString& text,
                   const QString& name);
// The NT account `oldName` is now `newName` in every list that names users.
void userRenamedNt(const QString& oldName, const QString& newName);

// ---- Folders and shares ----

// Renames the user's home folder and, unless it lies inside that folder, the profile folder, with
// the shares named after the user, and writes the new paths into the account bound by `bind`.
// A profile folder inside the home folder moves with it, and only its path is rewritten (when the
// home folder was renamed). Each outcome is logged to Log.txt and as an on-screen row. False
// when the account's paths could not be written (the caller's failure path).
bool renameDirectories(const std::function<adsi::Result<adsi::AdsObject>()>& bind, const QString& newName,
                       const QString& oldName, resources::ResourceRun& run);

// ---- Active Directory ----

struct AdNames {
  QString fullName;     // the common name, without "CN="
  QString firstName, lastName, displayName;
  QString upnPrefix;    // userPrincipalName before its first "@"
  QString upnSuffix;    // "@" and the rest; "@" & Domain_Name when the user has none
  QString sam;          // samAccountName
  QString upn;          // the whole userPrincipalName as loaded
};

// Reads the names of the user at `key`; a name the account lacks stays empty.
adsi::Result<AdNames> loadAdNames(const QString& key);

struct AdRenameRequest {
  AdNames names;              // as typed
  bool fullNameChanged = false;
  bool samChanged = false;
  bool renameDirs = false;    // the window's check box
};

struct AdRenameOutcome {
  bool done = false;  // the window closes
  // Otherwise the box to show: its message and title; the window stays open.
  QString message, title;
};

AdRenameOutcome renameAdUser(const AdRenameRequest& request, RenameHost& host);

// ---- NT ----

struct NtNames {
  QString name;      // the account name
  QString fullName;  // FullName
};
adsi::Result<NtNames> loadNtNames(const QString& account);

struct NtRenameRequest {
  QString oldName;   // the account's name when the window loaded
  QString logon;     // User_Logon as typed
  QString fullName;  // Full_Name as typed
  bool logonChanged = false;
  bool fullNameChanged = false;
  bool renameDirs = false;
};

enum class NtRenameOutcome {
  Closed,    // the window closes (done, refused or failed: the status line and logs say which)
  StayOpen,  // an empty logon name: nothing happened
};

NtRenameOutcome renameNtUser(const NtRenameRequest& request, RenameHost& host);

}  // namespace tavrel::groups
