// A process that copies or moves a tree on a simulated network and is killed while it does:
// tree_probe NETWORK_FOLDER copy|move FROM TO. Each file already at the target is replaced after
// a short pause, so the operation takes long enough to be interrupted.
#include "platform/files/FileSystem.h"
#include "platform/simnet/Resources.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {
class SlowYes : public tavrel::files::Conflicts {
 public:
  Answer replace(const tavrel::files::Location&, bool) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return Answer::Yes;
  }
};
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 5) return 100;
  auto net = tavrel::simnet::SimNetwork::open(QString::fromLocal8Bit(argv[1]));
  if (!net) return 101;
  tavrel::simnet::installPlatformLayers(*net);
  auto from = tavrel::files::resolve(QString::fromLocal8Bit(argv[3]));
  auto to = tavrel::files::resolve(QString::fromLocal8Bit(argv[4]));
  if (!from || !to) return 102;
  std::puts("go");
  std::fflush(stdout);
  SlowYes slow;
  const bool move = std::strcmp(argv[2], "move") == 0;
  const auto r = move ? tavrel::files::moveTree(*from, *to, &slow) : tavrel::files::copyTree(*from, *to, &slow);
  return r.status ? 0 : 1;
}
