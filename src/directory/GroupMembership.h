#pragma once
// Group identifiers and one membership change at a time, through the connected domain's
// providers: a group's relative identifier (the number a user's primary-group attribute holds),
// and adding a user to or removing it from one group. The user-properties tab calls the
// membership changes once per selected group row and moves the row when one succeeds.

#include "platform/adsi/Result.h"

#include <QString>

namespace tavrel::directory {

// The RID of the Active Directory group at `groupPath` (bound as given).
adsi::Result<qint32> Get_Group_RID_W2K(const QString& groupPath);
// The RID of the group `groupName` of Domain_Name ("WinNT://<domain>/<name>,group").
adsi::Result<qint32> Get_Group_RID_NT(const QString& groupName);

// Adds the user at `userPath` to the Active Directory group at `groupPath`, or removes it.
adsi::Status Add_To_Group_W2K(const QString& groupPath, const QString& userPath);
adsi::Status Remove_From_Group_W2K(const QString& groupPath, const QString& userPath);
// The same for the account `account` and the group `groupName` of Domain_Name, through WinNT.
adsi::Status Add_To_Group_NT(const QString& groupName, const QString& account);
adsi::Status Remove_From_Group_NT(const QString& groupName, const QString& account);

}  // namespace tavrel::directory
