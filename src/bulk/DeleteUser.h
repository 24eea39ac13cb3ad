#pragma once
// Deleting one user account together with what belongs to it, without the window: its home and
// profile shares and folders (only what is evidently the user's own), its Exchange mailbox, its
// entries in the program's lists, and the site's delete command. Every step is logged to Log.txt;
// the run ends with one GREEN, YELLOW or RED row.
//
// The account is deleted before any share, folder or Exchange 5.5 mailbox, so a refused account
// deletion leaves the user whole. An Exchange 2000 mailbox is part of the account object and goes
// just before it; when the account deletion then fails, the RED row says so.

#include "bulk/AccountOps.h"
#include "resources/Mailbox.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace tavrel::bulk {

struct DeleteOptions {
  QString dbpath;                  // the database folder (Log.txt, Site.dat), ending with its separator
  bool confirmDeletes = false;     // the preference "Confirm Deletes"
  bool noPrompting = false;        // the bulk window's "No Prompting"
  bool delPermissions = false;     // "Apply security to user folders"
  QString exServer;                // the bulk window's Exchange server text
  QString txtAdmin, txtPassword;   // the Exchange 5.5 administrator
  bool profileDeleteName = false;  // NT: delete the profile from the folder named after the user
  QString deleteScript;            // the delete command; %Domain% and %UserName% are replaced
  bool waitDelete = false;
  bool deleteHidden = false;
  resources::MailboxForm mailForm;  // what the Exchange 5.5 mailbox deletion reads
  // Removes the deleted user's entries from the open lists (AD: by key; NT: by text).
  std::function<void(const QString& user)> removeEntries;
};

// What a user's folders and shares come to before anything is deleted.
struct PathPlan {
  QString unc;  // the account's path as stored
  QString server, share;
  bool examined = false;   // the share was found and its local path read
  bool shareRoot = false;  // the path is the share's root
  QString localPath;       // the share's folder on its server ("D:\Users\alice")
  QString adminPath;       // the folder through the drive's administrative share, sub-path included
  bool ownShare = false;   // the share is evidently this user's own
  bool ownFolder = false;  // the folder to delete is evidently this user's own
};

// Whether `name` (a share's or a folder's) is the account's own: the account name, or the account
// name with "$" (letter case ignored). The one naming rule of deleting and moving a user's data.
bool namesAccount(const QString& name, const QString& account);
// The share is the user's own: its name (without a trailing "$") or the last folder of its local
// path equals the account name (letter case ignored), and it does not publish a drive root.
bool isOwnShare(const QString& shareName, const QString& localPath, const QString& account);
// The folder `adminPath` may be deleted for `account`: its last component names the account
// (namesAccount); never a drive root.
bool isOwnFolder(const QString& adminPath, const QString& account);
// NT "Delete Profile From %Username%": the path up to and including its path component equal to
// `account` (letter case ignored); the whole path when no component equals it.
QString profileCut(const QString& path, const QString& account);

// Deletes the user `user` (AD: the account's LDAP path; NT: the account name) while a bulk delete
// runs (Bulk_Delete_Running). True once the account was deleted, also when a later step failed.
bool Delete_One_User(const QString& user, const DeleteOptions& options, RunHost& host);

}  // namespace tavrel::bulk
