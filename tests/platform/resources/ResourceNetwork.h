#pragma once
// A small network for the resource layers: an AD forest EXAMPLE with a child domain BRANCH, an NT
// 4.0 domain OLDCORP, and two file servers, installed as the back end of the file, security,
// share and Terminal Services layers.

#include "support/Fixtures.h"

#include "platform/simnet/NetworkBuilder.h"

#include <QMap>

#include <memory>

namespace tavrel::test {

class ResourceNetwork : public AppFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The folder on disk of a path of a drive: drivePath("FILESRV1", 'D', "Users/jsmith").
  QString drivePath(const QString& server, QChar drive, const QString& below = QString()) const;

  // Every file and folder below `folder` on disk, by path relative to it: a file's bytes, or
  // "<dir>" for a folder. Hidden entries are included.
  static QMap<QString, QByteArray> treeOf(const QString& folder);
  // Every file and folder of every file server's drives (and their staging folders).
  QMap<QString, QByteArray> serversTree() const { return treeOf(dir() + QStringLiteral("net/servers")); }
  // Adds a share of `server` publishing `path` ("D:\\Users").
  void addShare(const QString& server, const QString& name, const QString& path);

  // Makes the network's store refuse to keep a Terminal Services value of class `cls`, as a
  // failing disk would: the statement that writes it fails.
  void refuseStoredWtsClass(quint32 cls);

  std::shared_ptr<simnet::SimNetwork> net;
};

}  // namespace tavrel::test
