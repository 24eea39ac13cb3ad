#include "platform/adsi/Schema.h"

#include <QHash>

namespace tavrel::adsi {
namespace {

struct Tables {
  QList<AttributeDef> attrs;
  QList<ClassDef> classes;
  QHash<QString, int> attrIndex;
  QHash<QString, int> classIndex;
};

Tables build() {
  Tables t;
  using S = Syntax;
  auto a = [&](const char* name, S syntax, bool single = true, bool system = false, bool userOpt = false,
               int upper = 0) {
    t.attrs.append(AttributeDef{QString::fromLatin1(name), syntax, single, system, userOpt, upper});
  };
  // Naming and identity.
  a("objectClass", S::Oid, false);
  a("objectCategory", S::DnValue);
  a("distinguishedName", S::DnValue, true, true);
  a("cn", S::String, true, false, false, 64);
  a("name", S::String, true, true, false, 255);
  a("ou", S::String, true, false, false, 64);
  a("dc", S::String, true, false, false, 255);
  a("o", S::String, true, false, false, 64);
  a("objectGUID", S::Octets, true, true);
  a("objectSid", S::Sid, true, true);
  a("sAMAccountName", S::String, true, false, false, 256);
  a("sAMAccountType", S::Integer, true, true);
  a("whenCreated", S::Time, true, true);
  a("whenChanged", S::Time, true, true);
  a("uSNCreated", S::LargeInteger, true, true);
  a("uSNChanged", S::LargeInteger, true, true);
  a("instanceType", S::Integer, true, true);
  a("isCriticalSystemObject", S::Boolean, true, true);
  a("systemFlags", S::Integer, true, true);
  // Accounts.
  a("userAccountControl", S::Integer, true, false, true);
  a("msDS-User-Account-Control-Computed", S::Integer, true, true);
  a("primaryGroupID", S::Integer, true, false, true);
  a("pwdLastSet", S::LargeInteger, true, false, true);
  a("accountExpires", S::LargeInteger, true, false, true);
  a("lockoutTime", S::LargeInteger, true, false, true);
  a("badPwdCount", S::Integer, true, true);
  a("lastLogon", S::LargeInteger, true, true);
  a("logonCount", S::Integer, true, true);
  a("unicodePwd", S::Octets, true, true);
  a("logonHours", S::Octets, true, false, true);  // 21 bytes in practice; the schema sets no bound
  a("userPrincipalName", S::String, true, false, true, 1024);
  a("userWorkstations", S::String, true, false, true, 1024);
  a("userParameters", S::String, true, false, true, 32767);
  a("servicePrincipalName", S::String, false, false, false, 2048);
  a("dNSHostName", S::String, true, false, false, 2048);
  a("operatingSystem", S::String);
  a("groupType", S::Integer);
  a("member", S::DnValue, false);
  a("memberOf", S::DnValue, false, true);
  a("managedBy", S::DnValue);  // groups, OUs, computers and domains; not users
  a("manager", S::DnValue, true, false, true);
  // Personal and organisational data of a user.
  a("displayName", S::String, true, false, true, 256);
  a("description", S::String, false, false, true, 1024);
  a("givenName", S::String, true, false, true, 64);
  a("sn", S::String, true, false, true, 64);
  a("initials", S::String, true, false, true, 6);
  a("homeDirectory", S::String, true, false, true);
  a("homeDrive", S::String, true, false, true);
  a("profilePath", S::String, true, false, true);
  a("scriptPath", S::String, true, false, true);
  a("mail", S::String, true, false, true, 256);
  a("physicalDeliveryOfficeName", S::String, true, false, true, 128);
  a("telephoneNumber", S::String, true, false, true, 64);
  a("otherTelephone", S::String, false, false, true, 64);
  a("homePhone", S::String, true, false, true, 64);
  a("mobile", S::String, true, false, true, 64);
  a("facsimileTelephoneNumber", S::String, true, false, true, 64);
  a("pager", S::String, true, false, true, 64);
  a("ipPhone", S::String, true, false, true, 64);
  a("title", S::String, true, false, true, 128);
  a("department", S::String, true, false, true, 64);
  a("company", S::String, true, false, true, 64);
  a("employeeID", S::String, true, false, true, 16);
  a("employeeNumber", S::String, true, false, true, 512);
  a("employeeType", S::String, true, false, true, 256);
  a("streetAddress", S::String, true, false, true, 1024);
  a("postOfficeBox", S::String, false, false, true, 40);
  a("l", S::String, true, false, true, 128);
  a("st", S::String, true, false, true, 128);
  a("postalCode", S::String, true, false, true, 40);
  a("c", S::String, true, false, true, 3);
  a("co", S::String, true, false, true, 128);
  a("countryCode", S::Integer, true, false, true, 65535);
  a("info", S::String, true, false, true, 1024);
  a("comment", S::String, true, false, true);
  a("wWWHomePage", S::String, true, false, true, 2048);
  a("url", S::String, false, false, true);
  a("otherMailbox", S::String, false, false, true);
  a("proxyAddresses", S::String, false, false, true, 1123);
  for (int i = 1; i <= 15; ++i)
    t.attrs.append(
        AttributeDef{QStringLiteral("extensionAttribute%1").arg(i), S::String, true, false, true, 2048});
  // Terminal Services values kept on the user.
  a("msTSProfilePath", S::String, true, false, true);
  a("msTSHomeDirectory", S::String, true, false, true);
  a("msTSHomeDrive", S::String, true, false, true);
  a("msTSAllowLogon", S::Boolean, true, false, true);
  a("msTSInitialProgram", S::String, true, false, true);
  a("msTSWorkDirectory", S::String, true, false, true);
  a("msTSMaxConnectionTime", S::Integer, true, false, true);
  a("msTSMaxDisconnectionTime", S::Integer, true, false, true);
  a("msTSMaxIdleTime", S::Integer, true, false, true);
  a("msTSConnectClientDrives", S::Boolean, true, false, true);
  a("msTSConnectPrinterDrives", S::Boolean, true, false, true);
  a("msTSDefaultToMainPrinter", S::Boolean, true, false, true);
  // Exchange 2000 mailbox attributes.
  a("homeMDB", S::DnValue, true, false, true);
  a("homeMTA", S::DnValue, true, false, true);
  a("mailNickname", S::String, true, false, true, 64);
  a("msExchHomeServerName", S::String, true, false, true);
  a("legacyExchangeDN", S::String, true, false, true);
  a("msExchUserAccountControl", S::Integer, true, false, true);
  a("msExchMailboxGuid", S::Octets, true, false, true);
  a("msExchMailboxSecurityDescriptor", S::Octets, true, false, true);
  a("mDBUseDefaults", S::Boolean, true, false, true);
  a("showInAddressBook", S::DnValue, false, false, true);
  a("textEncodedORAddress", S::String, true, false, true);
  // Domain heads, cross references and policy.
  a("nTMixedDomain", S::Integer);
  a("minPwdLength", S::Integer);
  a("pwdProperties", S::Integer);
  a("pwdHistoryLength", S::Integer);
  a("maxPwdAge", S::LargeInteger);
  a("minPwdAge", S::LargeInteger);
  a("lockoutDuration", S::LargeInteger);
  a("lockoutThreshold", S::Integer);
  a("lockOutObservationWindow", S::LargeInteger);
  a("fSMORoleOwner", S::DnValue);
  a("dnsRoot", S::String, false);
  a("nETBIOSName", S::String);
  a("nCName", S::DnValue);
  a("wellKnownObjects", S::String, false, true);
  a("gPLink", S::String);

  auto c = [&](const char* name, QStringList chain, const char* rdn, QStringList sup, const char* category,
               bool structural = true) {
    t.classes.append(ClassDef{QString::fromLatin1(name), std::move(chain), QString::fromLatin1(rdn),
                              std::move(sup), QString::fromLatin1(category), structural});
  };
  const QStringList accountParents{"organizationalUnit", "container", "domainDNS", "builtinDomain"};
  c("top", {"top"}, "CN", {}, "", false);
  c("person", {"top", "person"}, "CN", accountParents, "Person", false);
  c("organizationalPerson", {"top", "person", "organizationalPerson"}, "CN", accountParents, "Person", false);
  c("user", {"top", "person", "organizationalPerson", "user"}, "CN", accountParents, "Person");
  c("computer", {"top", "person", "organizationalPerson", "user", "computer"}, "CN", accountParents,
    "Computer");
  c("inetOrgPerson", {"top", "person", "organizationalPerson", "user", "inetOrgPerson"}, "CN", accountParents,
    "Person");
  c("contact", {"top", "person", "organizationalPerson", "contact"}, "CN", accountParents, "Person");
  c("group", {"top", "group"}, "CN", accountParents, "Group");
  c("organizationalUnit", {"top", "organizationalUnit"}, "OU",
    {"domainDNS", "organizationalUnit", "organization", "country"}, "Organizational-Unit");
  c("container", {"top", "container"}, "CN",
    {"domainDNS", "organizationalUnit", "container", "configuration", "organization"}, "Container");
  c("domain", {"top", "domain"}, "DC", {}, "Domain-DNS", false);
  c("domainDNS", {"top", "domain", "domainDNS"}, "DC", {"domainDNS"}, "Domain-DNS");
  c("builtinDomain", {"top", "builtinDomain"}, "CN", {"domainDNS"}, "Builtin-Domain");
  c("configuration", {"top", "configuration"}, "CN", {"domainDNS"}, "Configuration");
  c("crossRefContainer", {"top", "crossRefContainer"}, "CN", {"configuration"}, "Cross-Ref-Container");
  c("crossRef", {"top", "crossRef"}, "CN", {"crossRefContainer"}, "Cross-Ref");
  c("dMD", {"top", "dMD"}, "CN", {"configuration"}, "DMD");
  c("organization", {"top", "organization"}, "O", {"domainDNS", "container"}, "Organization");
  // A security principal of another domain or a well-known one (Authenticated Users), as a member.
  c("foreignSecurityPrincipal", {"top", "foreignSecurityPrincipal"}, "CN", {"container"},
    "Foreign-Security-Principal");
  // Exchange 2000 keeps its organisation in the configuration partition, under
  // CN=Microsoft Exchange,CN=Services: administrative groups, their servers, each server's
  // information store with its storage groups, and the mailbox and public stores of each group.
  c("msExchConfigurationContainer", {"top", "container", "msExchConfigurationContainer"}, "CN", {"container"},
    "ms-Exch-Configuration-Container");
  c("msExchOrganizationContainer", {"top", "msExchOrganizationContainer"}, "CN", {"msExchConfigurationContainer"},
    "ms-Exch-Organization-Container");
  c("msExchAdminGroupContainer", {"top", "msExchAdminGroupContainer"}, "CN", {"msExchOrganizationContainer"},
    "ms-Exch-Admin-Group-Container");
  c("msExchAdminGroup", {"top", "msExchAdminGroup"}, "CN", {"msExchAdminGroupContainer"}, "ms-Exch-Admin-Group");
  c("msExchServersContainer", {"top", "msExchServersContainer"}, "CN", {"msExchAdminGroup"},
    "ms-Exch-Servers-Container");
  c("msExchExchangeServer", {"top", "msExchExchangeServer"}, "CN", {"msExchServersContainer"},
    "ms-Exch-Exchange-Server");
  c("msExchInformationStore", {"top", "msExchInformationStore"}, "CN", {"msExchExchangeServer"},
    "ms-Exch-Information-Store");
  c("msExchStorageGroup", {"top", "msExchStorageGroup"}, "CN", {"msExchInformationStore"}, "ms-Exch-Storage-Group");
  c("msExchMDB", {"top", "msExchMDB"}, "CN", {"msExchStorageGroup"}, "ms-Exch-MDB", false);
  c("msExchPrivateMDB", {"top", "msExchMDB", "msExchPrivateMDB"}, "CN", {"msExchStorageGroup"},
    "ms-Exch-Private-MDB");
  c("msExchPublicMDB", {"top", "msExchMDB", "msExchPublicMDB"}, "CN", {"msExchStorageGroup"}, "ms-Exch-Public-MDB");

  for (int i = 0; i < t.attrs.size(); ++i) t.attrIndex.insert(t.attrs[i].name.toLower(), i);
  for (int i = 0; i < t.classes.size(); ++i) t.classIndex.insert(t.classes[i].name.toLower(), i);

  // What each class may hold, as far as the program and the well-known objects use attributes.
  // Every object holds the naming and bookkeeping attributes the directory sets.
  auto may = [&](const char* cls, QStringList attributes) {
    t.classes[t.classIndex.value(QString::fromLatin1(cls).toLower())].mayContain += attributes;
  };
  QStringList everyObject{"objectClass", "objectCategory", "cn", "description"};
  for (const AttributeDef& d : t.attrs)
    if (d.systemOnly) everyObject.append(d.name);
  may("top", everyObject);
  // A user holds the personal, account, Terminal Services and mailbox attributes; a contact the
  // same personal data.
  QStringList person;
  for (const AttributeDef& d : t.attrs)
    if (d.userOptional) person.append(d.name);
  may("user", person + QStringList{"sAMAccountName", "servicePrincipalName"});
  may("contact", person);
  may("computer", {"dNSHostName", "operatingSystem", "managedBy"});
  QStringList mailRecipient{"mail", "displayName", "info", "proxyAddresses", "legacyExchangeDN",
                            "mailNickname", "textEncodedORAddress", "telephoneNumber", "showInAddressBook"};
  for (int i = 1; i <= 15; ++i) mailRecipient.append(QStringLiteral("extensionAttribute%1").arg(i));
  may("group", QStringList{"sAMAccountName", "groupType", "member", "managedBy"} + mailRecipient);
  may("organizationalUnit", {"ou", "managedBy", "gPLink", "l", "st", "c", "co", "countryCode", "postalCode",
                             "postOfficeBox", "telephoneNumber", "facsimileTelephoneNumber",
                             "physicalDeliveryOfficeName"});
  const QStringList domainPolicy{"objectSid",  "minPwdLength",    "pwdProperties",    "pwdHistoryLength",
                                 "maxPwdAge",  "minPwdAge",       "lockoutDuration",  "lockoutThreshold",
                                 "lockOutObservationWindow"};
  may("domain", QStringList{"dc", "nTMixedDomain", "fSMORoleOwner", "gPLink", "managedBy"} + domainPolicy);
  may("builtinDomain", domainPolicy);
  may("crossRef", {"dnsRoot", "nETBIOSName", "nCName"});
  may("crossRefContainer", {"fSMORoleOwner"});
  may("dMD", {"fSMORoleOwner"});
  may("organization", {"o"});
  return t;
}

const Tables& tables() {
  static const Tables t = build();
  return t;
}

}  // namespace

const AttributeDef* findAttribute(const QString& name) {
  const Tables& t = tables();
  const auto it = t.attrIndex.constFind(name.toLower());
  return it == t.attrIndex.cend() ? nullptr : &t.attrs[*it];
}

const ClassDef* findClass(const QString& name) {
  const Tables& t = tables();
  const auto it = t.classIndex.constFind(name.toLower());
  return it == t.classIndex.cend() ? nullptr : &t.classes[*it];
}

const QList<AttributeDef>& allAttributes() {
  return tables().attrs;
}
const QList<ClassDef>& allClasses() {
  return tables().classes;
}

bool classMayHold(const QStringList& chain, const QString& attribute) {
  const AttributeDef* def = findAttribute(attribute);
  if (!def) return false;
  auto holds = [&](const QString& cls) {
    const ClassDef* c = findClass(cls);
    return c && c->mayContain.contains(def->name);
  };
  if (holds(QStringLiteral("top"))) return true;
  for (const QString& cls : chain)
    if (holds(cls)) return true;
  return false;
}

QString categoryForName(const QString& name) {
  if (const ClassDef* c = findClass(name); c && !c->category.isEmpty()) return c->category;
  return name;
}

QString syntaxName(Syntax s) {
  switch (s) {
    case Syntax::String:
      return QStringLiteral("DirectoryString");
    case Syntax::Integer:
      return QStringLiteral("Integer");
    case Syntax::LargeInteger:
      return QStringLiteral("INTEGER8");
    case Syntax::Boolean:
      return QStringLiteral("Boolean");
    case Syntax::Octets:
      return QStringLiteral("OctetString");
    case Syntax::Sid:
      return QStringLiteral("OctetString");
    case Syntax::DnValue:
      return QStringLiteral("DN");
    case Syntax::Time:
      return QStringLiteral("GeneralizedTime");
    case Syntax::Oid:
      return QStringLiteral("OID");
  }
  return {};
}

}  // namespace tavrel::adsi
