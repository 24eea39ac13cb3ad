#include "resources/Shares.h"

#include "platform/netapi/NetApi.h"
#include "platform/security/AccountLookup.h"
#include "platform/text/Cp1252.h"
#include "records/DatabaseFolder.h"
#include "resources/DcLookup.h"
#include "resources/PermissionFile.h"
#include "startup/FRString.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"

namespace tavrel::resources {

using security::Acl;
using security::Ace;
using security::Sid;

namespace {

constexpr int kMaxAclBytes = 0xFFFF;
constexpr quint32 ERROR_INVALID_PARAMETER = 87;

// Everyone (S-1-1-0), as AllocateAndInitializeSid makes it from the world authority.
std::optional<Sid> worldSid() {
  auto sid = Sid::make(1, {0});
  if (!sid)
    ui::prompter().MsgBox(QStringLiteral("AllocateAndInitializeSid failed with error code : ") +
                          QString::number(ERROR_INVALID_PARAMETER));
  return sid;
}

Share_Trustee everyoneFullControl() {
  Share_Trustee t;
  t.Sid = worldSid();
  t.SidIsSupplied = true;
  t.AccessMask = security::access::GENERIC_ALL;
  return t;
}

}  // namespace

std::optional<quint32> shareAccessMask(const QString& word) {
  using namespace security::access;
  const QString w = text::trimBlanks(word).toUpper();
  if (w == QLatin1String("READ")) return GENERIC_READ | GENERIC_EXECUTE;
  if (w == QLatin1String("CHANGE")) return GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | DELETE;
  if (w == QLatin1String("FULL CONTROL")) return GENERIC_ALL;
  return std::nullopt;
}

bool Add_Ace_To_Acl(Acl& Acl, quint8 AceType, quint8 AceFlags, quint32 Mask, const Sid& Sid) {
  if (!Sid.isValid()) return false;
  if (AceType != security::ace::ACCESS_ALLOWED && AceType != security::ace::ACCESS_DENIED) return false;
  const Ace entry{AceType, AceFlags, Mask, Sid, {}};
  if (Acl.size() + entry.size() > kMaxAclBytes) return false;
  Acl.add(entry);
  return true;
}

bool Build_Share_SD(QList<Share_Trustee>& Trustees, Share_SD_Parts& Parts, QStringList* Unfound) {
  Parts = {};
  std::optional<QString> dc;  // found when the first entry needs a lookup
  Acl dacl;
  bool ok = true;
  for (Share_Trustee& t : Trustees) {
    if (!t.Sid) {
      if (!dc) dc = Get_DC_Name(QString(), state::shared().NetBIOS_Domain);
      auto found = security::LookupAccountName(*dc, t.Name);
      if (!found || !found->sid.isValid()) {
        if (Unfound) Unfound->append(t.Name);
        continue;
      }
      t.Sid = found->sid;
    }
    if (!Add_Ace_To_Acl(dacl, t.AceType, t.AceFlags, t.AccessMask, *t.Sid)) {
      ok = false;
      break;
    }
  }
  for (Share_Trustee& t : Trustees)
    if (!t.SidIsSupplied) t.Sid.reset();
  if (!ok) return false;
  security::SecurityDescriptor sd;
  sd.dacl = dacl;
  Parts.Descriptor = sd;
  Parts.Dacl = dacl;
  return true;
}

int16_t Create_Share_502(const QString& Server, const QString& ShareName, const QString& Path, const QString& Remark,
                         const QString& UserName, ResourceRun& run) {
  int16_t result = kShareWithList;
  auto records = readPermissionFile(run.dbpath, records::names::SharePerm);
  if (!records) {
    run.line(QStringLiteral("Error reading ") + records::names::SharePerm + QStringLiteral(": ") + records.message());
    return kShareNotCreated;
  }

  QList<Share_Trustee> trustees;
  if (records->isEmpty()) {
    result = kShareWithDefault;
    trustees = {everyoneFullControl()};
  } else {
    const QString& domain = state::shared().Domain_Name;
    for (const records::Permission_Record& r : records.value()) {
      QString account = r.Account;
      startup::FRString(account, QStringLiteral("%Domain%"), domain);
      startup::FRString(account, QStringLiteral("%UserName%"), UserName);
      account = text::trimBlanks(account);
      const auto mask = shareAccessMask(r.Access);
      if (!mask) {
        run.warn(QStringLiteral("Share permission for ") + account + QStringLiteral(" skipped: unknown access \"") +
                 text::trimBlanks(r.Access) + QStringLiteral("\""));
        continue;
      }
      Share_Trustee t;
      t.AccessMask = *mask;
      if (account.compare(QLatin1String("EVERYONE"), Qt::CaseInsensitive) == 0) {
        t.Sid = worldSid();
        t.SidIsSupplied = t.Sid.has_value();
      } else {
        t.Name = account;
      }
      trustees.append(t);
    }
  }

  Share_SD_Parts parts;
  QStringList unfound;
  if (!Build_Share_SD(trustees, parts, &unfound)) {
    unfound.clear();
    trustees = {everyoneFullControl()};
    if (!Build_Share_SD(trustees, parts, &unfound)) {
      ui::prompter().MsgBox(QStringLiteral("Unable to create Security Descriptor"));
      return kShareNotCreated;
    }
    result = kShareWithDefault;
  }
  for (const QString& name : std::as_const(unfound))
    run.warn(QStringLiteral("Share permission for ") + name + QStringLiteral(" skipped: account not found"));
  if (parts.Dacl->count() == 0) {
    // Every entry was left out: a share nobody may use is not made, nor one open to everybody.
    run.line(QStringLiteral("No share permission could be applied, share not created: ") + ShareName);
    return kShareNotCreated;
  }

  netapi::SHARE_INFO_502 info;
  info.shi502_netname = ShareName;
  info.shi502_type = netapi::STYPE_DISKTREE;
  info.shi502_remark = Remark;
  info.shi502_permissions = 1;
  info.shi502_max_uses = -1;
  info.shi502_current_uses = 0;
  info.shi502_path = Path;
  info.shi502_security_descriptor = parts.Descriptor;
  if (const netapi::NET_API_STATUS s = netapi::NetShareAdd(Server, 502, info); s != netapi::NERR_Success) {
    run.line(QStringLiteral("NetShareAdd failed with error code : ") + QString::number(s));
    return kShareNotCreated;
  }
  if (result == kShareWithDefault)
    run.warn(QStringLiteral("Share ") + ShareName + QStringLiteral(" created with the default permissions (Everyone, Full Control)"));
  return result;
}

}  // namespace tavrel::resources
