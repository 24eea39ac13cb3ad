#pragma once
// Whether a user principal name is taken anywhere in the forest, asked of the global catalog.
// The name is matched as a value (wildcards and parentheses in it are plain characters), and a
// search that could not be made answers "unknown", never "free".

#include "platform/adsi/Result.h"

#include <QString>
#include <optional>

namespace tavrel::directory {

enum class UpnState {
  Exists,   // at least one user has exactly this userPrincipalName (compared without regard to case)
  Free,     // the global catalog holds none
  Unknown,  // no global catalog, no connection or a failed search: the caller warns
};

struct UpnAnswer {
  UpnState state = UpnState::Unknown;
  std::optional<adsi::Error> error;  // why the answer is Unknown
};

// The search's command text for `upn` under the global catalog root `root` ("GC://...").
QString upnSearchText(const QString& root, const QString& upn);

UpnAnswer Find_UPN(const QString& upn);

}  // namespace tavrel::directory
