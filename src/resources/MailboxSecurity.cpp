// The SID and security-descriptor helpers of the Exchange 5.5 mailbox.

#include "platform/security/AccountLookup.h"
#include "platform/security/SecurityDescriptor.h"
#include "resources/DcLookup.h"
#include "resources/Mailbox.h"
#include "state/SharedState.h"

namespace tavrel::resources {
namespace {

void setFailure(adsi::Error* failure, const adsi::Error& e, const QString& step) {
  if (!failure) return;
  *failure = e;
  failure->message = step + QStringLiteral(": ") + e.message;
}

}  // namespace

int GetSID(const QString& Server, const QString& Domain, const QString& Account, QByteArray& Sid) {
  Sid.clear();
  auto found = security::LookupAccountName(QStringLiteral("\\\\") + Server, Domain + u'\\' + Account);
  // Only a lookup that returned a SID counts as found.
  if (!found || !found->sid.isValid()) return 0;
  Sid = found->sid.binary();
  return 1;
}

bool Get_SID_Hex(const QString& Account, QByteArray& Hex, adsi::Error* failure) {
  Hex.clear();
  const QString controller = Get_DC_Name(QString(), state::shared().NetBIOS_Domain);
  auto found = security::LookupAccountName(controller, Account);
  if (!found) {
    setFailure(failure, found.error(), QStringLiteral("LookupAccountName"));
    return false;
  }
  if (!found->sid.isValid()) {
    setFailure(failure, adsi::makeError(security::err::NONE_MAPPED, QStringLiteral("no SID for ") + Account),
               QStringLiteral("LookupAccountName"));
    return false;
  }
  Hex = found->sid.hex().toLatin1();
  return true;
}

int Build_Mailbox_SD(QByteArray& SD, const QString& Server, const QString& Domain, const QString& Account,
                     const std::vector<MailboxAce>& Ace_List, adsi::Error* failure) {
  SD.clear();
  auto sidOf = [&](const QString& account) -> std::optional<security::Sid> {
    QByteArray bytes;
    if (!GetSID(Server, Domain, account, bytes)) {
      setFailure(failure,
                 adsi::makeError(security::err::NONE_MAPPED,
                                 QStringLiteral("the account %1\\%2 was not found on %3").arg(Domain, account, Server)),
                 QStringLiteral("GetSID"));
      return std::nullopt;
    }
    return security::Sid::fromBinary(bytes);
  };
  security::SecurityDescriptor sd;
  const auto owner = sidOf(Account);
  if (!owner) return 0;
  sd.owner = *owner;
  sd.group = *owner;
  security::Acl dacl;
  for (const MailboxAce& entry : Ace_List) {
    const auto sid = sidOf(entry.Account);
    if (!sid) return 0;
    dacl.add(security::Ace::allow(*sid, entry.Mask));
  }
  sd.dacl = dacl;
  SD = sd.toSelfRelative();
  if (SD.isEmpty()) {
    setFailure(failure, adsi::makeError(adsi::hr::E_FAIL, QStringLiteral("the descriptor could not be made")),
               QStringLiteral("MakeSelfRelativeSD"));
    return 0;
  }
  return 1;
}

}  // namespace tavrel::resources
