#include "platform/security/Privileges.h"

#include <QSet>

namespace tavrel::security {

namespace {

const char* const kKnown[] = {"SeRestorePrivilege", "SeBackupPrivilege", "SeTakeOwnershipPrivilege",
                              "SeSecurityPrivilege", "SeChangeNotifyPrivilege"};

struct Token {
  QSet<QString> notHeld;  // lower-case names
  QSet<QString> enabled;
};

Token& token() {
  static Token t;
  return t;
}

}  // namespace

bool isPrivilegeName(const QString& name) {
  for (const char* k : kKnown)
    if (name.compare(QLatin1String(k), Qt::CaseInsensitive) == 0) return true;
  return false;
}

adsi::Status setPrivilege(const QString& name, bool enable) {
  if (!isPrivilegeName(name))
    return adsi::makeError(err::NO_SUCH_PRIVILEGE, QStringLiteral("no privilege %1").arg(name));
  const QString key = name.toLower();
  if (!enable) {
    token().enabled.remove(key);
    return {};
  }
  if (token().notHeld.contains(key))
    return adsi::makeError(err::NOT_ALL_ASSIGNED, QStringLiteral("the process does not hold %1").arg(name));
  token().enabled.insert(key);
  return {};
}

bool privilegeEnabled(const QString& name) {
  return token().enabled.contains(name.toLower());
}

void setPrivilegeHeld(const QString& name, bool held) {
  const QString key = name.toLower();
  if (held) {
    token().notHeld.remove(key);
  } else {
    token().notHeld.insert(key);
    token().enabled.remove(key);
  }
}

PrivilegeScope::PrivilegeScope(const QString& name) : name_(name), status_(setPrivilege(name, true)) {}

PrivilegeScope::~PrivilegeScope() {
  if (isPrivilegeName(name_)) (void)setPrivilege(name_, false);
}

}  // namespace tavrel::security
