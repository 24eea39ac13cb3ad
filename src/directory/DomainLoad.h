#pragma once
// The domain loaders: an Active Directory domain through three searches (OUs, users, groups), an
// NT domain through the WinNT provider. Both fill a DomainView and count into User_Count and
// Group_Count of the shared state; they read Domain_Name and NetBIOS_Domain from it.

#include "directory/DomainView.h"
#include "platform/adsi/Result.h"

#include <QString>
#include <optional>

namespace tavrel::directory {

struct LoadOptions {
  bool showNames = false;  // DNName: nodes show names rather than display names
  bool sorted = false;     // Sorted_Yes: each OU keeps its children in alphabetical order
  QString commandLine;     // the whole command line ("/DEBUG", "/DEBUG1" add detail)
  QString dbpath;          // the database folder, where Log.txt is
};

struct LoadOutcome {
  bool loaded = false;                // at least one user or group was read
  std::optional<adsi::Error> raised;  // an error the caller must handle as a failed connection
  // Whether the group lists hold every group of the domain: the group search ran, answered and
  // found at least one group (a domain always has some). Otherwise groupsProblem says why not.
  bool groupsComplete = false;
  QString groupsProblem;
};

// True when the whole command line, in capitals, is exactly `word` ("/DEBUG", "/DEBUG1").
bool commandLineIs(const QString& commandLine, const QString& word);

// Loads the Active Directory domain Domain_Name. Writes its block to Log.txt. Errors are passed
// over, except that with "/DEBUG1" a failing user or group search is raised.
LoadOutcome Get_W2K_Domain_Data(DomainView& view, const LoadOptions& options);

// Loads the NT domain Domain_Name and keeps its domain object (NT_Domain_Object). A failure while
// binding the domain or reading its users is raised; from the groups on errors are passed over.
LoadOutcome Get_NT_Domain_Data(DomainView& view);

// The search commands the Active Directory loader runs.
QString ouSearchText(const QString& domainName);
QString userSearchText(const QString& domainName, bool showNames);
QString groupSearchText(const QString& domainName);

}  // namespace tavrel::directory
