#pragma once
// The demonstration network a first start finds: an Active Directory native-mode domain
// example.local (EXAMPLE) with OUs, users, groups of every type and a computer; a mixed-mode child
// domain; an NT 4.0 domain OLDCORP; and the file, Exchange and domain-controller servers.

#include "platform/simnet/SimNetwork.h"

namespace tavrel::simnet {

class NetworkBuilder;

// The demonstration domain's contents (OUs, groups of every type, 30 users with their memberships,
// two computers) added to the domain `dns` through `b`, on any directory.
void populateDemoDomain(NetworkBuilder& b, const QString& dns);
// Seeds `network`, which must hold no domain yet.
adsi::Status seedDemoNetwork(const std::shared_ptr<SimNetwork>& network);

}  // namespace tavrel::simnet
