#pragma once
// The simulated network as the file, security, share, domain-controller and Terminal Services
// layers see it: file servers whose drives are folders, the share table, a descriptor per path,
// per-user Terminal Services values, and the faults tests inject.

#include "platform/files/FileServers.h"
#include "platform/netapi/NetApi.h"
#include "platform/security/FileSecurity.h"
#include "platform/simnet/SimNetwork.h"
#include "platform/wts/Wts.h"

#include <QSet>

namespace tavrel::simnet {

class SimResources : public files::FileServers,
                     public security::SecurityTable,
                     public netapi::NetServers,
                     public wts::WtsServers {
 public:
  explicit SimResources(std::shared_ptr<SimNetwork> network);

  // files::FileServers
  adsi::Result<files::ShareTarget> share(const QString& server, const QString& share) override;
  adsi::Result<QList<files::SharedFolder>> sharedFolders(const QString& server) override;
  QString stagingFolder(const files::Location& target) override;
  adsi::Status reserve(const files::Location& target, qint64 bytes) override;
  adsi::Status mayDelete(const files::Location& loc) override;
  qint64 beginMove(const files::Location& from, const QString& fromLocal, const files::Location& to,
                   const QString& toLocal) override;
  qint64 beginRemove(const files::Location& loc, const QString& local) override;
  void endStep(qint64 step) override;
  void settle() override;

  // security::SecurityTable
  adsi::Result<QHash<QString, QByteArray>> read(const files::Location& drive, const QStringList& keys) override;
  adsi::Result<QHash<QString, QByteArray>> readBelow(const files::Location& root) override;
  adsi::Status write(const files::Location& drive, const QHash<QString, QByteArray>& entries) override;

  // netapi::NetServers
  netapi::NET_API_STATUS getDCName(const QString& server, const QString& domain, QString& dc) override;
  netapi::NET_API_STATUS shareAdd(const QString& server, const netapi::SHARE_INFO_502& info) override;
  netapi::NET_API_STATUS shareGetInfo(const QString& server, const QString& netname,
                                      netapi::SHARE_INFO_502& out) override;
  netapi::NET_API_STATUS shareDel(const QString& server, const QString& netname) override;
  netapi::NET_API_STATUS shareEnum(const QString& server, QList<netapi::SHARE_INFO_502>& out) override;

  // wts::WtsServers
  quint32 setUserConfig(const QString& server, const QString& user, quint32 cls, const wts::WtsValue& value) override;
  quint32 queryUserConfig(const QString& server, const QString& user, quint32 cls, wts::WtsValue& out) override;
  quint32 setUserConfigs(const QString& server, const QString& user, const QList<wts::WtsSetting>& settings,
                         qsizetype& failed) override;

 private:
  enum class Reach { Unknown, Down, Up };
  Reach reach(const QString& server);
  QString driveRoot(const QString& server, QChar drive) const;
  bool hasDrive(const QString& server, QChar drive);
  bool fault(const char* kind, const QString& server, const QString& item = QString());
  netapi::NET_API_STATUS shareAddIn(const QString& server, const netapi::SHARE_INFO_502& info);
  // Descriptors follow the steps on disk: a step is recorded before it is taken and finished from
  // what the disk shows, by this process or, when it died, by the next one to use them.
  bool keptAt(const files::Location& loc);
  qint64 recordStep(int kind, const files::Location& from, const QString& fromLocal,
                    const files::Location& to, const QString& toLocal);
  struct PathStep {
    int kind = 0;
    QString server, drive, key, local;
    QString toServer, toDrive, toKey, toLocal;
  };
  void finishStep(qint64 step);
  bool applyStep(const PathStep& step);
  void finishAbandonedSteps();
  bool existsOnDisk(const QString& server, const QString& drive, const QString& key, const QString& local);

  QSet<qint64> stepsInFlight_;
  QHash<qint64, PathStep> unrecorded_;  // steps the store could not record, by negative id
  qint64 unrecordedSteps_ = 0;

  std::shared_ptr<SimNetwork> net_;
};

// Installs the simulated network as the back end of the file, security, share, Terminal Services
// layers and of account lookup.
void installPlatformLayers(const std::shared_ptr<SimNetwork>& network);

}  // namespace tavrel::simnet
