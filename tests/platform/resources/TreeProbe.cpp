// A process that copies or moves a tree on a simulated network and is killed while it does:
// tree_probe NETWORK_FOLDER copy|move FROM TO [DIE_AT]. Each file already at the target is
// replaced after a short pause, so the operation takes long enough to be interrupted. With DIE_AT,
// the process ends itself at once when the DIE_AT-th step on disk is done and before the network
// hears that it is: the moment a kill is hardest on what the network keeps per path.
#include "platform/files/FileServers.h"
#include "platform/files/FileSystem.h"
#include "platform/simnet/Resources.h"

#include <QCoreApplication>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

using namespace tavrel;

class SlowYes : public files::Conflicts {
 public:
  Answer replace(const files::Location&, bool) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return Answer::Yes;
  }
};

// The network's file servers, with a process that dies before it ends its `dieAt`-th step.
class DyingServers : public files::FileServers {
 public:
  DyingServers(std::shared_ptr<files::FileServers> inner, int dieAt)
      : inner_(std::move(inner)), left_(dieAt) {}
  adsi::Result<files::ShareTarget> share(const QString& server, const QString& share) override {
    return inner_->share(server, share);
  }
  adsi::Result<QList<files::SharedFolder>> sharedFolders(const QString& server) override {
    return inner_->sharedFolders(server);
  }
  QString stagingFolder(const files::Location& target) override { return inner_->stagingFolder(target); }
  adsi::Status reserve(const files::Location& target, qint64 bytes) override {
    return inner_->reserve(target, bytes);
  }
  adsi::Status mayDelete(const files::Location& loc) override { return inner_->mayDelete(loc); }
  qint64 beginMove(const files::Location& from, const QString& fromLocal, const files::Location& to,
                   const QString& toLocal) override {
    return inner_->beginMove(from, fromLocal, to, toLocal);
  }
  qint64 beginRemove(const files::Location& loc, const QString& local) override {
    return inner_->beginRemove(loc, local);
  }
  void settle() override { inner_->settle(); }
  void endStep(qint64 step) override {
    if (step && --left_ == 0) ::_exit(9);
    inner_->endStep(step);
  }

 private:
  std::shared_ptr<files::FileServers> inner_;
  int left_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 5 && argc != 6) return 100;
  auto net = simnet::SimNetwork::open(QString::fromLocal8Bit(argv[1]));
  if (!net) return 101;
  simnet::installPlatformLayers(*net);
  if (argc == 6)
    files::setFileServers(std::make_shared<DyingServers>(files::fileServers(), std::atoi(argv[5])));
  auto from = files::resolve(QString::fromLocal8Bit(argv[3]));
  auto to = files::resolve(QString::fromLocal8Bit(argv[4]));
  if (!from || !to) return 102;
  std::puts("go");
  std::fflush(stdout);
  SlowYes slow;
  const bool move = std::strcmp(argv[2], "move") == 0;
  const auto r = move ? files::moveTree(*from, *to, &slow) : files::copyTree(*from, *to, &slow);
  return r.status ? 0 : 1;
}
