#include "ResourceNetwork.h"

#include "platform/files/FileServers.h"
#include "platform/netapi/NetApi.h"
#include "platform/security/AccountLookup.h"
#include "platform/security/FileSecurity.h"
#include "platform/simnet/Resources.h"
#include "platform/wts/Wts.h"

#include <QDir>
#include <QDirIterator>

#include <sqlite3.h>

namespace tavrel::test {

using namespace simnet;

void ResourceNetwork::SetUp() {
  AppFixture::SetUp();
  NetworkBuilder b(dir() + QStringLiteral("net"));
  b.forest(QStringLiteral("example.local"), QStringLiteral("EXAMPLE"), false, QStringLiteral("EXDC01"))
      .server(QStringLiteral("EXDC02"), QStringLiteral("example.local"), ServerRole::DomainController)
      .childDomain(QStringLiteral("example.local"), QStringLiteral("branch.example.local"), QStringLiteral("BRANCH"),
                   true, QStringLiteral("BRDC01"))
      .nt4Domain(QStringLiteral("OLDCORP"), QStringLiteral("OLDPDC"))
      .fileServer(QStringLiteral("FILESRV1"), QStringLiteral("example.local"), QStringLiteral("CD"))
      .fileServer(QStringLiteral("FILESRV2"), QStringLiteral("example.local"), QStringLiteral("E"))
      .user(QStringLiteral("example.local"), QStringLiteral("jsmith"))
      .user(QStringLiteral("example.local"), QStringLiteral("mjones"))
      .group(QStringLiteral("example.local"), QStringLiteral("Sales Team"))
      .user(QStringLiteral("branch.example.local"), QStringLiteral("bcooper"))
      .user(QStringLiteral("branch.example.local"), QStringLiteral("temp1"))
      .user(QStringLiteral("OLDCORP"), QStringLiteral("jdoe"))
      .user(QStringLiteral("OLDCORP"), QStringLiteral("temp1"))
      .folder(QStringLiteral("\\\\FILESRV1\\D$\\Users"))
      .share(QStringLiteral("FILESRV1"), QStringLiteral("Users$"), QStringLiteral("D:\\Users"),
             QStringLiteral("Users Home Share"))
      .loggedOn(QStringLiteral("EXAMPLE"), QStringLiteral("Administrator"));
  auto built = b.build();
  ASSERT_TRUE(built) << built.error().message.toStdString();
  net = *built;
  installPlatformLayers(net);
}

void ResourceNetwork::TearDown() {
  files::setFileServers(nullptr);
  security::setSecurityTable(nullptr);
  netapi::setNetServers(nullptr);
  wts::setWtsServers(nullptr);
  security::setAccountDirectory(nullptr);
  net.reset();
  AppFixture::TearDown();
}

QString ResourceNetwork::drivePath(const QString& server, QChar drive, const QString& below) const {
  QString p = QStringLiteral("%1net/servers/%2/%3").arg(dir(), server, QString(drive));
  if (!below.isEmpty()) p += u'/' + below;
  return p;
}

QMap<QString, QByteArray> ResourceNetwork::treeOf(const QString& folder) {
  QMap<QString, QByteArray> out;
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  const QDir base(folder);
  while (it.hasNext()) {
    const QString path = it.next();
    out.insert(base.relativeFilePath(path), it.fileInfo().isDir() ? QByteArray("<dir>") : readAll(path));
  }
  return out;
}

void ResourceNetwork::addShare(const QString& server, const QString& name, const QString& path) {
  netapi::SHARE_INFO_502 info;
  info.shi502_netname = name;
  info.shi502_type = netapi::STYPE_DISKTREE;
  info.shi502_path = path;
  quint32 parmErr = 0;
  ASSERT_EQ(netapi::NetShareAdd(server, 502, info, &parmErr), netapi::NERR_Success) << name.toStdString();
}

void ResourceNetwork::refuseStoredWtsClass(quint32 cls) {
  sqlite3* db = nullptr;
  const QByteArray path = QDir(net->folder()).filePath(QStringLiteral("network.db")).toUtf8();
  ASSERT_EQ(sqlite3_open(path.constData(), &db), SQLITE_OK);
  sqlite3_busy_timeout(db, 10000);
  const QByteArray sql = QStringLiteral("CREATE TRIGGER refuse_wts_%1 BEFORE INSERT ON wts WHEN NEW.class=%1 "
                                        "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                             .arg(cls)
                             .toUtf8();
  EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

}  // namespace tavrel::test
