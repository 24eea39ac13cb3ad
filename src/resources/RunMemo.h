#pragma once
// What one user's creation would otherwise read several times, read once while a RunMemo lives:
// the permission lists of the database folder (each share and each folder applies one), the name
// of a domain's controller, and the accounts those lists name (security::LookupMemo). Only what
// was read without a failure is kept, and only until the outermost memo ends, so the next run
// sees an edited list, a new controller or a changed account.

#include "platform/security/AccountLookup.h"

namespace tavrel::resources {

class RunMemo {
 public:
  RunMemo();
  ~RunMemo();
  RunMemo(const RunMemo&) = delete;
  RunMemo& operator=(const RunMemo&) = delete;

 private:
  security::LookupMemo lookups_;
};

}  // namespace tavrel::resources
