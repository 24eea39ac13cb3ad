#pragma once
// The privileges of the program's process token. Here the token is the process's own record: the
// administrator holds the privileges the program asks for (SeRestorePrivilege, SeBackupPrivilege,
// SeTakeOwnershipPrivilege, SeSecurityPrivilege), all disabled until enabled. Tests can take one
// away to see the refusal.

#include "platform/adsi/Result.h"

#include <QString>

namespace tavrel::security {

namespace err {
constexpr quint32 NOT_ALL_ASSIGNED = 0x80070514;  // 1300: the token does not hold the privilege
constexpr quint32 NO_SUCH_PRIVILEGE = 0x80070521;  // 1313: no privilege of that name
}  // namespace err

// LookupPrivilegeValue: whether the name is a privilege.
bool isPrivilegeName(const QString& name);
// AdjustTokenPrivileges for one privilege.
adsi::Status setPrivilege(const QString& name, bool enable);
bool privilegeEnabled(const QString& name);
// Whether the token holds the privilege at all (held by default).
void setPrivilegeHeld(const QString& name, bool held);

// Enables a privilege for the life of the scope and disables it again on every path, whether
// the work in between succeeded or not.
class PrivilegeScope {
 public:
  explicit PrivilegeScope(const QString& name);
  ~PrivilegeScope();
  PrivilegeScope(const PrivilegeScope&) = delete;
  PrivilegeScope& operator=(const PrivilegeScope&) = delete;
  const adsi::Status& status() const { return status_; }
  bool ok() const { return status_.ok(); }

 private:
  QString name_;
  adsi::Status status_;
};

}  // namespace tavrel::security
