#include "directory/DomainDiscovery.h"

#include "directory/AdoQuery.h"
#include "directory/DirectoryService.h"
#include "startup/FRString.h"

namespace tavrel::directory {

QString dnsNameOfDomainDn(const QString& distinguishedName) {
  QString name = distinguishedName.mid(3);
  return startup::FRString(name, QStringLiteral(",DC="), QStringLiteral("."));
}

DiscoveredDomains Get_Domains(bool debug) {
  DiscoveredDomains found;
  // Passes a failure over, or keeps it to end the discovery in the debug mode.
  auto failed = [&](const adsi::Error& e) {
    if (debug) found.raised = e;
    return debug;
  };
  auto dir = requireDirectory();
  if (!dir) {
    failed(dir.error());
    return found;
  }

  if (auto winnt = (*dir)->GetObject(QStringLiteral("WinNT:")); !winnt) {
    if (failed(winnt.error())) return found;
  } else {
    winnt->SetFilter({QStringLiteral("domain")});
    auto domains = winnt->Children();
    if (!domains) {
      if (failed(domains.error())) return found;
    } else {
      for (const adsi::AdsObject& d : *domains) found.names.append(d.Name());
    }
  }

  QString root;
  if (auto gc = (*dir)->GetObject(QStringLiteral("GC:")); !gc) {
    if (failed(gc.error())) return found;
  } else if (auto children = gc->Children(); !children) {
    if (failed(children.error())) return found;
  } else {
    for (const adsi::AdsObject& c : *children) root = c.ADsPath();
  }
  if (root.isEmpty()) return found;

  auto records = runAdoSearch(
      QStringLiteral("<") + root +
      QStringLiteral(">;(&(objectCategory=Domain)(objectClass=Domain));distinguishedName;subTree"));
  if (!records) {
    found.searchError = records.error();
    return found;
  }
  for (records->MoveFirst(); !records->EOF(); records->MoveNext())
    found.names.append(dnsNameOfDomainDn(records->Fields(0).toString()));
  return found;
}

namespace {

// The mode of a dotted name, or the first error met.
adsi::Result<int16_t> probeActiveDirectory(adsi::Directory& dir, const QString& name,
                                           const QString& Domain_Name, QString& netbios) {
  auto rootDse = dir.GetObject(QStringLiteral("LDAP://RootDSE"));
  if (!rootDse) return rootDse.error();
  auto config = rootDse->Get(QStringLiteral("configurationNamingContext"));
  if (!config) return config.error();
  auto partitions = dir.GetObject(QStringLiteral("LDAP://cn=Partitions,") + config->toString());
  if (!partitions) return partitions.error();
  auto crossRefs = partitions->Children();
  if (!crossRefs) return crossRefs.error();
  for (adsi::AdsObject& ref : *crossRefs) {
    auto dnsRoot = ref.Get(QStringLiteral("dnsRoot"));
    if (!dnsRoot) return dnsRoot.error();
    auto refName = ref.Get(QStringLiteral("Name"));
    if (!refName) return refName.error();
    const QString n = refName->toString();
    if (n != QLatin1StringView("Enterprise Configuration") && n != QLatin1StringView("Enterprise Schema") &&
        dnsRoot->toString().compare(Domain_Name, Qt::CaseInsensitive) == 0)
      netbios = n;
  }
  auto domain = dir.GetObject(QStringLiteral("LDAP://") + name);
  if (!domain) return domain.error();
  auto mixed = domain->Get(QStringLiteral("nTMixedDomain"));
  if (!mixed) return mixed.error();
  bool ok = false;
  const int value = mixed->toInt(&ok);
  if (!ok || value < INT16_MIN || value > INT16_MAX)
    return adsi::makeError(adsi::hr::CANT_CONVERT_DATATYPE, QStringLiteral("nTMixedDomain is not a mode"));
  return static_cast<int16_t>(value);
}

}  // namespace

DomainMode Get_W2K_Domain_Mode(const QString& name, const QString& Domain_Name) {
  DomainMode result;
  result.NetBIOS_Domain = name;
  if (!name.contains(u'.')) return result;
  auto dir = requireDirectory();
  if (!dir) return result;
  auto mode = probeActiveDirectory(**dir, name, Domain_Name, result.NetBIOS_Domain);
  if (mode) {
    result.mode = *mode;
  } else if (!(*dir)->GetObject(QStringLiteral("WinNT://") + name)) {
    // Not reachable as Active Directory and no NT domain answers to the name either: loading it
    // through WinNT: would only fail in other words.
    result.unreachable = mode.error();
  }
  return result;
}

}  // namespace tavrel::directory
