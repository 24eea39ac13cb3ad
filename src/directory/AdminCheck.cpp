#include "directory/AdminCheck.h"

#include "directory/DirectoryService.h"

namespace tavrel::directory {

adsi::Result<bool> isDomainAdmin(const QString& domain, const QString& userDomain, const QString& user) {
  auto dir = requireDirectory();
  if (!dir) return dir.error();
  auto group =
      (*dir)->GetObject(QStringLiteral("WinNT://") + domain + QStringLiteral("/Domain Admins,group"));
  if (!group) return group.error();
  return group->IsMember(QStringLiteral("WinNT://") + userDomain + u'/' + user);
}

}  // namespace tavrel::directory
