#pragma once
// Account names and SIDs, as LookupAccountName and LookupAccountSid give them, over the
// directory: a domain account's SID is the objectSid the domain allocated; the well-known
// accounts (Everyone, CREATOR OWNER, NT AUTHORITY\SYSTEM, BUILTIN\Administrators, ...) are
// answered without asking the directory.
//
// Name forms: "DOMAIN\name" (NetBIOS or DNS domain name), a bare name, a domain's own name.
// A bare name is looked for among the well-known accounts, then in the domain of the system the
// lookup runs on, then in the other domains the network knows; found in more than one of those,
// it is refused as ambiguous rather than guessed.

#include "platform/adsi/DirectoryBackend.h"
#include "platform/adsi/Result.h"
#include "platform/security/Sid.h"

#include <QHash>

#include <memory>

namespace tavrel::security {

// SID_NAME_USE
enum class SidNameUse { User = 1, Group = 2, Domain = 3, Alias = 4, WellKnownGroup = 5, Computer = 9 };

struct AccountInfo {
  Sid sid;
  QString name;               // the account name as the directory spells it
  QString referencedDomain;   // NetBIOS name of the domain it belongs to ("BUILTIN", "NT AUTHORITY", "")
  SidNameUse use = SidNameUse::User;
};

// Win32 error numbers of a failed lookup (as HRESULTs: 0x8007xxxx).
namespace err {
constexpr quint32 NONE_MAPPED = 0x80070534;          // 1332: no such account
constexpr quint32 SERVER_UNAVAILABLE = 0x800706BA;   // 1722: the system named does not answer
}  // namespace err

class AccountLookup {
 public:
  explicit AccountLookup(std::shared_ptr<adsi::DirectoryBackend> directory);

  // `system`: the computer the lookup runs on: "\\NAME", "NAME" or "" (the logged-on domain).
  adsi::Result<AccountInfo> lookupName(const QString& system, const QString& name);
  adsi::Result<AccountInfo> lookupSid(const QString& system, const Sid& sid);

 private:
  struct DomainSid {
    QString netbios;
    Sid sid;
  };
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> connect(const QString& domainOrServer);
  adsi::Result<std::optional<AccountInfo>> findIn(const QString& domain, const QString& name);
  adsi::Result<Sid> domainSid(adsi::DirectoryConnection& conn);
  adsi::Result<QString> systemDomain(const QString& system);

  std::shared_ptr<adsi::DirectoryBackend> directory_;
  QHash<QString, std::shared_ptr<adsi::DirectoryConnection>> connections_;
};

// The lookup the program uses; until a directory is installed every lookup of a domain account
// fails (the well-known ones still answer).
AccountLookup& accounts();
void setAccountDirectory(std::shared_ptr<adsi::DirectoryBackend> directory);

// While a LookupMemo lives, LookupAccountName answers a name it has found before (asked of the
// same system, spelt the same) from memory rather than the directory: one user's creation looks
// the same few accounts up for each of its shares and folders. Only found accounts are kept, and
// only until the outermost memo ends; a failed lookup is asked again.
class LookupMemo {
 public:
  LookupMemo();
  ~LookupMemo();
  LookupMemo(const LookupMemo&) = delete;
  LookupMemo& operator=(const LookupMemo&) = delete;
};

// LookupAccountName / LookupAccountSid through accounts().
adsi::Result<AccountInfo> LookupAccountName(const QString& system, const QString& name);
adsi::Result<AccountInfo> LookupAccountSid(const QString& system, const Sid& sid);

}  // namespace tavrel::security
