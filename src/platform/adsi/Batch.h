#pragma once
// A batch of directory work (an import): while a `Batch` lives, connections keep the domain facts
// that every account of the batch would otherwise read again and that an administrator does not
// change in the middle of one (the domain's password policy). Outside a batch every use reads them
// again. Batches nest; the facts are dropped when the outermost one ends.

#include <QtGlobal>

#include <functional>

namespace tavrel::adsi {

class Batch {
 public:
  Batch();
  ~Batch();
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

  // The batch running now, or 0: a fact remembered under one number is valid while it runs.
  static quint64 current();
  // Calls `release` when the running batch ends (what was kept for it is let go then); nothing
  // happens outside a batch.
  static void atEnd(std::function<void()> release);
};

}  // namespace tavrel::adsi
