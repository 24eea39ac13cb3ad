#pragma once
// Moving one existing account to the file server of a site and template: new home and profile
// folders with their shares and permissions, the account's paths rewritten, the data moved or
// copied over, the old per-user shares and folders removed when that is safe, the template's
// groups and the site's command. The run knows no window: it reads the loaded template and site
// through a MoveHost and reports through it.

#include <QList>
#include <QString>

namespace tavrel::bulk {

// What the move reads once the template and site are loaded.
struct MoveForm {
  QString dbpath;      // the database folder, ending with its separator
  QString server;      // the site's home server (NTSERVER)
  int dataOption = 0;  // 0 nothing, 1 move, 2 copy
  bool noPrompt = false, changeLogon = false, addToGroups = false, runCommand = false;
  bool profileDeleteName = false;  // NT: cut profile paths after the user-name folder
  // The template.
  QString profileLocal, homeLocal;          // local paths on the server, may hold "%UserName%"
  QString profileUnc, homeUnc;              // the paths the user sees
  QString profileShareName, homeShareName;  // share names
  QString homeDrive, logonScript;
  struct Group {
    QString text;
    QString key;  // the group's directory path in Active Directory
  };
  QList<Group> groups;
  // The site's command after a move.
  QString moveScript;
  bool waitForCommand = false, hideCommand = false;
  QString exServer, exSite, exOrg;
  QString commandLine;  // "/DEBUG" adds detail lines
  QString loadError;    // why the template or site could not be loaded; the move then fails
};

class MoveHost {
 public:
  virtual ~MoveHost() = default;
  // Loads the chosen template and site into the window's fields and returns what they hold.
  virtual MoveForm load() = 0;
  virtual void status(const QString& text) = 0;  // Label3, repainted
  virtual void logTab(const QString& colour, const QString& message) = 0;
  // Clears the window's template and site fields again.
  virtual void clear() = 0;
};

// What one move did, for the window and the tests.
struct MoveResult {
  bool finished = false;  // every step ran to the end
  bool warned = false;    // a step logged an error: the end is YELLOW
  QString name;           // the account name the move used
};

// The template `templateName` (its stored name, compared exactly) and the site `siteName`
// (compared with blanks trimmed) of the database folder `dbpath`: paths, shares, drive, logon
// script, groups (with their keys from the bulk window's group list in Active Directory), the
// site's home server and Exchange names. False with `error` set when either is not found or
// cannot be read.
bool loadMoveForm(const QString& dbpath, const QString& siteName, const QString& templateName, MoveForm& form,
                  QString* error);

// Moves the account `User` (Active Directory: its path, with or without "LDAP://"; NT: its
// name). True when the move ran to its end, false when it was cancelled or failed; in Active
// Directory `User` becomes the account's logon name.
bool Move_One_User(QString& User, MoveHost& host, MoveResult* result = nullptr);

// Whether `path` (a UNC path) is evidently `account`'s own folder: its last component names the
// account (namesAccount, the rule deleting a user's data follows too). Only such a folder is
// moved or removed.
bool isOwnMoveFolder(const QString& path, const QString& account);

}  // namespace tavrel::bulk
