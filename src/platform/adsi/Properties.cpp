#include "platform/adsi/Properties.h"

#include <QHash>

namespace tavrel::adsi {
namespace {

using K = PropertyKind;

const QHash<QString, PropertyMapping>& ldapTable() {
  static const QHash<QString, PropertyMapping> t = {
      {"fullname", {K::Attribute, "displayName"}},
      {"firstname", {K::Attribute, "givenName"}},
      {"lastname", {K::Attribute, "sn"}},
      {"emailaddress", {K::Attribute, "mail"}},
      {"officelocations", {K::Attribute, "physicalDeliveryOfficeName"}},
      {"profile", {K::Attribute, "profilePath"}},
      {"loginscript", {K::Attribute, "scriptPath"}},
      {"loginhours", {K::Attribute, "logonHours"}},
      {"accountdisabled", {K::AccountDisabled, "userAccountControl"}},
      {"accountexpirationdate", {K::AccountExpirationDate, "accountExpires"}},
      {"isaccountlocked", {K::IsAccountLocked, "lockoutTime"}},
      {"passwordlastchanged", {K::PasswordLastChanged, "pwdLastSet"}},
  };
  return t;
}

const QHash<QString, PropertyMapping>& winntTable() {
  static const QHash<QString, PropertyMapping> t = {
      {"name", {K::WinNTName, "sAMAccountName"}},
      {"fullname", {K::Attribute, "displayName", true}},
      {"description", {K::Attribute, "description", true}},
      {"homedirectory", {K::Attribute, "homeDirectory", true}},
      {"homedirdrive", {K::Attribute, "homeDrive", true}},
      {"loginscript", {K::Attribute, "scriptPath", true}},
      {"profile", {K::Attribute, "profilePath", true}},
      {"loginhours", {K::LoginHoursWinNT, "logonHours"}},
      {"primarygroupid", {K::Attribute, "primaryGroupID"}},
      {"objectsid", {K::Attribute, "objectSid"}},
      {"badpasswordattempts", {K::Attribute, "badPwdCount"}},
      {"accountdisabled", {K::AccountDisabled, "userAccountControl"}},
      {"accountexpirationdate", {K::AccountExpirationDate, "accountExpires"}},
      {"isaccountlocked", {K::IsAccountLocked, "lockoutTime"}},
      {"passwordexpired", {K::PasswordExpired, "pwdLastSet"}},
      {"userflags", {K::UserFlags, "userAccountControl"}},
      {"grouptype", {K::WinNTGroupType, "groupType"}},
  };
  return t;
}

}  // namespace

PropertyMapping mapLdapProperty(const QString& name) {
  const auto& t = ldapTable();
  const auto it = t.constFind(name.toLower());
  if (it != t.cend()) return *it;
  return PropertyMapping{K::Attribute, name};
}

PropertyMapping mapWinNTProperty(const QString& name, bool* known) {
  const auto& t = winntTable();
  const auto it = t.constFind(name.toLower());
  *known = it != t.cend();
  if (*known) return *it;
  return PropertyMapping{K::Attribute, name};
}

}  // namespace tavrel::adsi
