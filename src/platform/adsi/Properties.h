#pragma once
// The names callers use for properties, mapped onto directory attributes. Interface properties
// (FullName, Profile, AccountDisabled, ...) and attribute names may be mixed freely in Get, Put
// and PutEx; names compare without regard to case.

#include <QString>

namespace tavrel::adsi {

enum class PropertyKind {
  Attribute,              // a plain attribute (possibly renamed: FullName -> displayName)
  AccountDisabled,        // userAccountControl bit 0x2
  AccountExpirationDate,  // accountExpires as a date; 1 January 1970 means "never"
  IsAccountLocked,        // lockout state; only false (unlock) can be written
  PasswordExpired,        // WinNT: 1 when pwdLastSet is 0 or the password has expired
  UserFlags,              // WinNT: the NT user-flags word (userAccountControl bits)
  PasswordLastChanged,    // pwdLastSet as a date
  WinNTGroupType,         // WinNT: 2 global, 4 local
  WinNTName,              // WinNT: the account name
  LoginHoursWinNT,        // WinNT: logonHours, all hours when none are stored
};

struct PropertyMapping {
  PropertyKind kind = PropertyKind::Attribute;
  QString attribute;    // the attribute behind it
  bool ntText = false;  // WinNT string field: reads "" when absent, an empty write clears it
};

// LDAP and GC objects.
PropertyMapping mapLdapProperty(const QString& name);
// WinNT users and groups; `known` is false for names the WinNT schema does not have.
PropertyMapping mapWinNTProperty(const QString& name, bool* known);

// userAccountControl bits.
namespace uac {
constexpr qint32 ACCOUNTDISABLE = 0x2;
constexpr qint32 LOCKOUT = 0x10;
constexpr qint32 PASSWD_NOTREQD = 0x20;
constexpr qint32 PASSWD_CANT_CHANGE = 0x40;
constexpr qint32 NORMAL_ACCOUNT = 0x200;
constexpr qint32 WORKSTATION_TRUST_ACCOUNT = 0x1000;
constexpr qint32 SERVER_TRUST_ACCOUNT = 0x2000;
constexpr qint32 DONT_EXPIRE_PASSWORD = 0x10000;
constexpr qint32 PASSWORD_EXPIRED = 0x800000;  // in msDS-User-Account-Control-Computed
}  // namespace uac

// groupType bits.
namespace grouptype {
constexpr qint32 BUILTIN_LOCAL = 0x1;
constexpr qint32 GLOBAL = 0x2;
constexpr qint32 DOMAIN_LOCAL = 0x4;
constexpr qint32 UNIVERSAL = 0x8;
constexpr qint32 SECURITY = static_cast<qint32>(0x80000000u);
}  // namespace grouptype

}  // namespace tavrel::adsi
