#pragma once
// A small network for the resource layers: an AD forest EXAMPLE with a child domain BRANCH, an NT
// 4.0 domain OLDCORP, and two file servers, installed as the back end of the file, security,
// share and Terminal Services layers.

#include "support/Fixtures.h"

#include "platform/simnet/NetworkBuilder.h"

#include <memory>

namespace tavrel::test {

class ResourceNetwork : public AppFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The folder on disk of a path of a drive: drivePath("FILESRV1", 'D', "Users/jsmith").
  QString drivePath(const QString& server, QChar drive, const QString& below = QString()) const;

  // Makes the network's store refuse to keep a Terminal Services value of class `cls`, as a
  // failing disk would: the statement that writes it fails.
  void refuseStoredWtsClass(quint32 cls);

  std::shared_ptr<simnet::SimNetwork> net;
};

}  // namespace tavrel::test
