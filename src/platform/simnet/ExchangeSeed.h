#pragma once
// Exchange 2000 servers of a simulated forest: the organisation's objects in the configuration
// partition (CN=Microsoft Exchange,CN=Services), each server with its information store, storage
// groups and their mailbox and public stores, as a real Exchange 2000 installation leaves them.

#include "platform/simnet/SimNetwork.h"

#include <QList>
#include <QStringList>

namespace tavrel::simnet {

struct StorageGroupSpec {
  QString name;
  QStringList mailboxStores;
  QStringList publicStores;
};

struct Exchange2000Spec {
  QString organization;  // e.g. "Example"
  QString adminGroup = QStringLiteral("First Administrative Group");
  QString server;  // the computer name
  QList<StorageGroupSpec> storageGroups;
};

// Adds the server's objects below the configuration partition of the forest whose root domain is
// `forestDns`, creating the organisation's containers that are missing. The server is also
// recorded as an Exchange 2000 server of that domain.
adsi::Status addExchange2000Server(SimNetwork& network, const QString& forestDns,
                                   const Exchange2000Spec& spec);

// Whether the simulated server `name` answers (servers not recorded count as answering).
bool serverAnswers(SimNetwork& network, const QString& name);

}  // namespace tavrel::simnet
