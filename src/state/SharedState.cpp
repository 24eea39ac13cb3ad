#include "state/SharedState.h"

namespace tavrel::state {
namespace {
std::unique_ptr<SharedState> gState = std::make_unique<SharedState>();
}

SharedState& shared() { return *gState; }

void resetShared() { gState = std::make_unique<SharedState>(); }

registry::Registry_Object& reg() {
  auto& s = shared();
  if (!s.Registry) s.Registry = std::make_unique<registry::Registry_Object>();
  return *s.Registry;
}

}  // namespace tavrel::state
