#include "directory/PasswordReset.h"

#include "directory/DirectoryService.h"
#include "state/SharedState.h"

namespace tavrel::directory {
namespace {

// Binds the user, sets the password, stores the must-change mark (`mark` = `markValue`), then
// unlocks the account. The result is settled once the first commit went through.
bool reset(const QString& path, const QString& password, const QString& mark, qint32 markValue) {
  auto dir = requireDirectory();
  if (!dir) return false;
  auto user = (*dir)->GetObject(path);
  if (!user) return false;
  if (!user->SetPassword(password)) return false;
  if (!user->Put(mark, markValue)) return false;
  if (!user->SetInfo()) return false;
  // The password is stored: an unlock the directory refuses does not undo that.
  if (user->Put(QStringLiteral("IsAccountLocked"), false)) (void)user->SetInfo();
  return true;
}

}  // namespace

bool Reset_Password_W2K(const QString& password, QString& userPath) {
  if (!userPath.startsWith(QLatin1String("LDAP://"), Qt::CaseSensitive))
    userPath.prepend(QStringLiteral("LDAP://"));
  return reset(userPath, password, QStringLiteral("pwdLastSet"), 0);
}

bool Reset_Password_NT(const QString& password, const QString& account) {
  return reset(QStringLiteral("WinNT://") + state::shared().Domain_Name + u'/' + account, password,
               QStringLiteral("PasswordExpired"), 1);
}

}  // namespace tavrel::directory
