#pragma once
// NTFS permissions of users' directories: one account's access on a directory (optionally down
// the whole tree), the accounts of Permissions.dat on a user's directory, and the helpers they
// share (privileges, the error log, SID comparison).

#include "platform/adsi/Result.h"
#include "platform/security/SecurityDescriptor.h"
#include "resources/ResourceRun.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tavrel::resources {

// Access codes of Set_Dir_Permissions.
namespace access_code {
constexpr int32_t FULL = 0;         // allowed, full control
constexpr int32_t REMOVE = 1;       // no new entries: only the old ones are filtered
constexpr int32_t CHANGE = 2;       // allowed: read, write, execute, delete
constexpr int32_t FULL_CONTROL = 3; // allowed, full control
constexpr int32_t READ = 4;         // allowed: read and execute
constexpr int32_t NO_ACCESS = 5;    // denied, full control
}  // namespace access_code

// The entry type and mask the two new entries of a code carry (a code outside the table gives an
// allowed entry with mask 0); nullopt for REMOVE.
struct DirAccess {
  quint8 type;
  quint32 mask;
};
std::optional<DirAccess> dirAccess(int32_t AccessCode);

// The code of an access word of Permissions.dat, compared exactly after trimming: "Full Control",
// "Change", "Read", "No Access". nullopt for any other word.
std::optional<int32_t> permissionAccessCode(const QString& word);

// Gives `Account` (looked up on `Server`, else on the logon server named by LOGONSERVER) access
// `AccessCode` on `Directory`: the directory's DACL keeps the old entries that are not the
// account's (Replace: only the local SYSTEM account's), and gets two new entries for the account,
// one for the directory and the folders below (container inherit), one for the files below
// (object inherit, inherit only), in canonical order. With Recurse the account also becomes the
// owner of the directory and of everything below, and the DACL reaches everything below by
// inheritance. `Server` is never changed. Every failure is logged; the result says whether it was
// done.
bool Set_Dir_Permissions(const QString& Server, const QString& Directory, const QString& Account, int32_t AccessCode,
                         bool Replace, bool Recurse, ResourceRun& run);

// Applies the accounts of Permissions.dat in run.dbpath to `Path`, one Set_Dir_Permissions call
// per record ("%Domain%" replaced by Domain_Name, "%UserName%" by `UserName`; record 1 with
// NewSecurity -1 replaces the old list). A record that fails or holds an access word outside the
// table is logged with a warning (beep) and the others go on. True when the list held at least
// one record; false when it held none or could not be read.
bool Set_Permissions(const QString& Server, const QString& Path, const QString& UserName, ResourceRun& run);

// Switches a privilege of the process on or off; a failure shows a box with the error code.
bool Set_Privilege(const QString& Name, bool Enable);
bool Enable_Privilege(const QString& Name);
bool Disable_Privilege(const QString& Name);

// Logs a failed step: "Error: " and the step, "Code: " and the error number, "Desc: " and the
// error's text.
void Show_API_Error(const QString& Step, const adsi::Error& Error, ResourceRun& run);

// True when both buffers begin with valid SIDs of the same length and the same bytes.
bool Same_SID(QByteArrayView Sid1, QByteArrayView Sid2);

// Carries `Dacl` (and, when given, the owner) from `Path` down the tree below it: every folder and
// file below inherits the DACL (their own entries give way to it) and gets the owner. Shows the
// path in the run's status line.
adsi::Status Apply_Security_Recursive(const QString& Path, const security::SecurityDescriptor& Dacl,
                                      const std::optional<security::Sid>& Owner, ResourceRun& run);

}  // namespace tavrel::resources
