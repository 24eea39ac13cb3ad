#pragma once
// Password reset of one existing account: a new password, a change forced at the next logon and
// the account unlocked, in one call. The popup menu and the bulk window choose the variant by
// Directory_Mode and log and show the outcome themselves.

#include <QString>

namespace tavrel::directory {

// The Active Directory account at `userPath`. A path not beginning with "LDAP://" (compared
// exactly) gets that prefix, and the caller's variable receives the prefixed path. True once the
// password and the must-change mark are stored, even when the unlock that follows fails.
bool Reset_Password_W2K(const QString& password, QString& userPath);
// The account `account` of Domain_Name, through WinNT. Same result rule.
bool Reset_Password_NT(const QString& password, const QString& account);

}  // namespace tavrel::directory
