#include "ui/LongOperation.h"

#include "ui/Services.h"

namespace tavrel::ui {

namespace {
bool running = false;
}

bool longOperationRunning() {
  return running;
}

bool runLongOperation(const std::function<void()>& operation) {
  if (running) {
    feedback().beep();
    return false;
  }
  running = true;
  // Cleared on every way out, an exception included.
  struct Reset {
    ~Reset() { running = false; }
  } reset;
  operation();
  return true;
}

}  // namespace tavrel::ui
