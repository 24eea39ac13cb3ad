#pragma once
// One long operation at a time. Creating a user, an import, compaction, backup and connecting to
// a domain change state the whole window shares, and some of them wait in a nested event loop (a
// command waited for, a question box) where the window still takes clicks. An administrator's
// action that would start a second one while one runs is refused with a beep.
//
// The window's buttons and menu items start their operation through runLongOperation (or
// guarded() in a connect); an operation's own steps (an import creating its users, compaction
// reconnecting) call the procedures directly and are not refused.

#include <functional>
#include <utility>

namespace tavrel::ui {

// Whether a long operation is under way.
bool longOperationRunning();

// Runs `operation` as the long operation under way; when one already runs, beeps and returns
// false without running it.
bool runLongOperation(const std::function<void()>& operation);

// A slot for connect() that runs `operation` through runLongOperation.
template <class F>
auto guarded(F operation) {
  return [operation = std::move(operation)] { runLongOperation(operation); };
}

}  // namespace tavrel::ui
