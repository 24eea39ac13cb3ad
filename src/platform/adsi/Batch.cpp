#include "platform/adsi/Batch.h"

#include <vector>

namespace tavrel::adsi {

namespace {
int depth = 0;
quint64 started = 0;
quint64 running = 0;
std::vector<std::function<void()>>& releases() {
  static std::vector<std::function<void()>> r;
  return r;
}
}  // namespace

Batch::Batch() {
  if (depth++ == 0) running = ++started;
}

Batch::~Batch() {
  if (--depth > 0) return;
  running = 0;
  auto release = std::move(releases());
  releases().clear();
  for (auto& r : release) r();
}

void Batch::atEnd(std::function<void()> release) {
  if (running != 0) releases().push_back(std::move(release));
}

quint64 Batch::current() {
  return running;
}

}  // namespace tavrel::adsi
