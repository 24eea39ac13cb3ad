#pragma once
// Disk shares for users' directories, with share permissions taken from SharePerm.dat.

#include "platform/security/SecurityDescriptor.h"
#include "resources/ResourceRun.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace tavrel::resources {

// One account of the share's permission list.
struct Share_Trustee {
  QString Name;             // the account to look up; empty when Sid is supplied
  quint32 AccessMask = 0;   // generic rights, which the server maps to share rights
  quint8 AceFlags = 0;
  quint8 AceType = security::ace::ACCESS_ALLOWED;
  std::optional<security::Sid> Sid;
  bool SidIsSupplied = false;  // made by the caller; otherwise looked up by the builder and cleared again
};

// What Build_Share_SD makes: the descriptor (DACL only, no owner, no group) and its list.
struct Share_SD_Parts {
  std::optional<security::SecurityDescriptor> Descriptor;
  std::optional<security::Acl> Dacl;
};

// The share rights of an access word of SharePerm.dat (trimmed, any letter case): "READ",
// "CHANGE" or "FULL CONTROL". nullopt for any other word: such an entry grants nothing and is
// skipped.
std::optional<quint32> shareAccessMask(const QString& word);

// Appends an allowed or denied entry to `Acl`. False when `Sid` is not valid, the type is neither,
// or the list would outgrow the 64 KB an access-control list can hold.
bool Add_Ace_To_Acl(security::Acl& Acl, quint8 AceType, quint8 AceFlags, quint32 Mask, const security::Sid& Sid);

// Builds the descriptor of a share from `Trustees`, one entry each in list order. Entries without
// a SID are looked up on the primary controller of the domain (NetBIOS_Domain); one that cannot be
// found is left out of the list and its name added to `Unfound`. The SIDs looked up are cleared
// again before it returns. False (and both parts empty) when an entry cannot be added.
bool Build_Share_SD(QList<Share_Trustee>& Trustees, Share_SD_Parts& Parts, QStringList* Unfound = nullptr);

// Result of Create_Share_502.
constexpr int16_t kShareWithList = 1;     // created with the permissions of SharePerm.dat
constexpr int16_t kShareWithDefault = 2;  // created with Everyone, Full Control (no list, or no descriptor from it)
constexpr int16_t kShareNotCreated = 3;

// Creates the disk share `ShareName` on `Server` for `Path` (a local path of that server) with
// `Remark`, its permissions from SharePerm.dat in run.dbpath with "%Domain%" replaced by
// Domain_Name and "%UserName%" by `UserName`. An account that cannot be found or an access word
// outside the table leaves that entry out with a YELLOW line; when no entry remains the share is
// not created. Failures go to the run's log.
int16_t Create_Share_502(const QString& Server, const QString& ShareName, const QString& Path, const QString& Remark,
                         const QString& UserName, ResourceRun& run);

}  // namespace tavrel::resources
