#include "directory/UpnSearch.h"

#include "directory/DirectoryService.h"
#include "platform/adsi/AdoSearch.h"
#include "platform/search/Filter.h"

namespace tavrel::directory {
namespace {

UpnAnswer unknown(const adsi::Error& e) {
  return UpnAnswer{UpnState::Unknown, e};
}

}  // namespace

QString upnSearchText(const QString& root, const QString& upn) {
  return u'<' + root + QStringLiteral(">;(&(objectClass=user)(objectCategory=person)(userprincipalName=") +
         search::escapeFilterValue(upn) + QStringLiteral("));userPrincipalName,cn,distinguishedName;subtree");
}

UpnAnswer Find_UPN(const QString& upn) {
  auto dir = requireDirectory();
  if (!dir) return unknown(dir.error());
  // The global catalog: the last child of the GC: namespace.
  auto gc = (*dir)->GetObject(QStringLiteral("GC:"));
  if (!gc) return unknown(gc.error());
  auto roots = gc->Children();
  if (!roots) return unknown(roots.error());
  if (roots->isEmpty())
    return unknown(adsi::makeError(adsi::hr::NO_SUCH_DOMAIN, QStringLiteral("no global catalog answers")));
  const QString root = roots->last().ADsPath();

  adsi::AdoConnection connection(**dir);
  connection.Provider = QStringLiteral("ADsDSOObject");
  if (adsi::Status s = connection.Open(QStringLiteral("ADs Provider")); !s) return unknown(s.error());
  auto records = connection.Execute(upnSearchText(root, upn));
  connection.Close();
  if (!records) return unknown(records.error());
  return UpnAnswer{records->BOF() && records->EOF() ? UpnState::Free : UpnState::Exists, std::nullopt};
}

}  // namespace tavrel::directory
