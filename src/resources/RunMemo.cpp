#include "resources/RunMemo.h"

#include "resources/RunMemoState.h"

namespace tavrel::resources {
namespace memo {
namespace {

State& state() {
  static State s;
  return s;
}

}  // namespace

State* active() {
  State& s = state();
  return s.depth > 0 ? &s : nullptr;
}

}  // namespace memo

RunMemo::RunMemo() {
  ++memo::state().depth;
}

RunMemo::~RunMemo() {
  memo::State& s = memo::state();
  if (--s.depth == 0) {
    s.lists.clear();
    s.controllers.clear();
  }
}

}  // namespace tavrel::resources
