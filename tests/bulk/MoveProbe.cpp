// A process that moves jsmith's home on a simulated network and is killed while it does:
// move_probe NETWORK_FOLDER DBPATH. Every file is already at the target, so each is replaced after
// a question answered Yes after a short pause, and the move takes long enough to be interrupted.
#include "bulk/MoveUser.h"
#include "directory/DirectoryService.h"
#include "platform/adsi/Directory.h"
#include "platform/simnet/Resources.h"
#include "platform/simnet/SimNetwork.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using namespace tavrel;

class SlowYes : public ui::ScriptedPrompter {
 public:
  ui::MsgBoxResult MsgBox(const QString&, int, const QString&) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return ui::MsgBoxResult::Yes;
  }
};

class Host : public bulk::MoveHost {
 public:
  explicit Host(QString dbpath) : dbpath_(std::move(dbpath)) {}
  bulk::MoveForm load() override {
    bulk::MoveForm f;
    f.dbpath = dbpath_;
    f.server = QStringLiteral("FILESRV2");
    f.dataOption = 1;
    f.homeLocal = QStringLiteral("E:\\Home\\%UserName%");
    f.homeUnc = QStringLiteral("\\\\%Server%\\%UserName%$");
    f.homeShareName = QStringLiteral("%UserName%$");
    return f;
  }
  void status(const QString&) override {}
  void logTab(const QString&, const QString&) override {}
  void clear() override {}

 private:
  QString dbpath_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) return 100;
  auto net = simnet::SimNetwork::open(QString::fromLocal8Bit(argv[1]));
  if (!net) return 101;
  simnet::installPlatformLayers(*net);
  directory::setDirectory(std::make_shared<adsi::Directory>(*net));
  state::SharedState& sh = state::shared();
  sh.Directory_Mode = 0;
  sh.Domain_Name = QStringLiteral("example.local");
  sh.NetBIOS_Domain = QStringLiteral("EXAMPLE");
  SlowYes prompts;
  ui::setPrompter(&prompts);
  Host host(QString::fromLocal8Bit(argv[2]));
  std::puts("go");
  std::fflush(stdout);
  QString user = QStringLiteral("LDAP://example.local/CN=jsmith,CN=Users,DC=example,DC=local");
  return bulk::Move_One_User(user, host) ? 0 : 1;
}
