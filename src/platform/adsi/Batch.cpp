#include "platform/adsi/Batch.h"

namespace tavrel::adsi {

namespace {
int depth = 0;
quint64 started = 0;
quint64 running = 0;
}  // namespace

Batch::Batch() {
  if (depth++ == 0) running = ++started;
}

Batch::~Batch() {
  if (--depth == 0) running = 0;
}

quint64 Batch::current() {
  return running;
}

}  // namespace tavrel::adsi
