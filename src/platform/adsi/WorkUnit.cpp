#include "platform/adsi/WorkUnit.h"

#include <utility>
#include <vector>

namespace tavrel::adsi {

namespace {
int depth = 0;
std::vector<std::pair<const void*, std::function<void()>>>& joined() {
  static std::vector<std::pair<const void*, std::function<void()>>> stores;
  return stores;
}
}  // namespace

WorkUnit::WorkUnit() {
  ++depth;
}

WorkUnit::~WorkUnit() {
  if (--depth > 0) return;
  auto stores = std::move(joined());
  joined().clear();
  for (auto& [key, finish] : stores) finish();
}

bool WorkUnit::active() {
  return depth > 0;
}

void WorkUnit::join(const void* key, std::function<void()> finish) {
  joined().emplace_back(key, std::move(finish));
}

void WorkUnit::leave(const void* key) {
  auto& stores = joined();
  for (auto it = stores.begin(); it != stores.end();) it = it->first == key ? stores.erase(it) : it + 1;
}

}  // namespace tavrel::adsi
