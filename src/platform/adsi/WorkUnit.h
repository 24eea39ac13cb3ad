#pragma once
// One unit of directory work (the steps of one creation run). While a `WorkUnit` lives, a back end
// that can keeps the unit's changes in one transaction of its store, each change inside it still
// made whole or not at all and reported on its own; the transaction is committed when the
// outermost unit ends. A process that dies in the middle of a unit leaves none of its changes.
// A back end that cannot (a real directory) makes each change as it comes.

#include <functional>

namespace tavrel::adsi {

class WorkUnit {
 public:
  WorkUnit();
  ~WorkUnit();  // ends the unit: every store that joined it commits
  WorkUnit(const WorkUnit&) = delete;
  WorkUnit& operator=(const WorkUnit&) = delete;

  static bool active();
  // A store that opened a transaction for the running unit: `finish` commits it when the unit
  // ends. `key` identifies the store for `leave`.
  static void join(const void* key, std::function<void()> finish);
  // The store `key` has finished on its own (it is closing): it is not called at the end.
  static void leave(const void* key);
};

}  // namespace tavrel::adsi
