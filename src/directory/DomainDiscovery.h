#pragma once
// Finding the domains the machine can see, and deciding what kind of domain a name denotes.

#include "platform/adsi/Result.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace tavrel::directory {

struct DiscoveredDomains {
  QStringList names;  // NT domains in enumeration order, then the Active Directory domains' DNS names
  // The global-catalog search failed: the caller shows "Error getting Domain Data: " + its number.
  std::optional<adsi::Error> searchError;
  // With the debug command line a failure other than the search ends the discovery here.
  std::optional<adsi::Error> raised;
};

// The domains of the WinNT namespace, then those the global catalog holds. Failures are passed
// over (the list is shorter) unless `debug`, when the first one is raised.
DiscoveredDomains Get_Domains(bool debug);

// "a.b.c" from "DC=a,DC=b,DC=c".
QString dnsNameOfDomainDn(const QString& distinguishedName);

struct DomainMode {
  int16_t mode = 2;        // 0 native, 1 mixed, 2 NT 4.0 (also whenever the probe fails)
  QString NetBIOS_Domain;  // the probed name unless a partition of the forest names the domain
  // A dotted name that answered neither as an Active Directory domain nor as an NT domain: the
  // directory probe's error. Such a domain is unreachable, not an NT 4.0 domain.
  std::optional<adsi::Error> unreachable;
};

// Probes `name`: without a dot an NT domain; with one, the forest's partitions give the NetBIOS
// name of the partition whose dnsRoot equals `Domain_Name` (letter case ignored), and the domain
// object's nTMixedDomain the mode. Any failure gives mode 2; when the name does not answer through
// WinNT: either, `unreachable` holds the probe's error.
DomainMode Get_W2K_Domain_Mode(const QString& name, const QString& Domain_Name);

}  // namespace tavrel::directory
