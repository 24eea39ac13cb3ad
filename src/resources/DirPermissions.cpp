#include "resources/DirPermissions.h"

#include "platform/files/Paths.h"
#include "platform/security/AccountLookup.h"
#include "platform/security/FileSecurity.h"
#include "platform/security/Privileges.h"
#include "platform/text/Cp1252.h"
#include "records/DatabaseFolder.h"
#include "resources/PermissionFile.h"
#include "startup/FRString.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <functional>

namespace tavrel::resources {

using security::Ace;
using security::Acl;
using security::SecurityDescriptor;
using security::Sid;

namespace {

constexpr quint32 kInvalidSid = 0x80070539;        // 1337
constexpr quint32 kAclTooLarge = 0x80070540;       // 1344: the list would outgrow its 64 KB
const QString kRestorePrivilege = QStringLiteral("SeRestorePrivilege");

// The box of a privilege that could not be switched, with the system's error number.
void privilegeBox(const adsi::Error& e) {
  const QString call = e.code == security::err::NO_SUCH_PRIVILEGE ? QStringLiteral("LookupPrivilegeValue")
                                                                    : QStringLiteral("AdjustTokenPrivileges");
  ui::prompter().MsgBox(call + QStringLiteral(" failed with error code ") + QString::number(files::win32Code(e)));
}

// The two lines of a failed account lookup.
void lookupFailure(ResourceRun& run, const QString& server, const QString& account, const QString& domain) {
  run.line(QStringLiteral("Error from Permissions:"));
  run.line(QStringLiteral("Server:") + server + QStringLiteral(" Account:") + account + QStringLiteral(" Domain:") +
           domain);
}

}  // namespace

std::optional<DirAccess> dirAccess(int32_t AccessCode) {
  using namespace security::access;
  using security::ace::ACCESS_ALLOWED;
  switch (AccessCode) {
    case access_code::FULL:
    case access_code::FULL_CONTROL: return DirAccess{ACCESS_ALLOWED, FILE_ALL_ACCESS};
    case access_code::REMOVE: return std::nullopt;
    case access_code::CHANGE: return DirAccess{ACCESS_ALLOWED, FILE_MODIFY};
    case access_code::READ: return DirAccess{ACCESS_ALLOWED, FILE_READ_EXECUTE};
    case access_code::NO_ACCESS: return DirAccess{security::ace::ACCESS_DENIED, FILE_ALL_ACCESS};
    default: return DirAccess{ACCESS_ALLOWED, 0};
  }
}

std::optional<int32_t> permissionAccessCode(const QString& word) {
  const QString w = text::trimBlanks(word);
  if (w == QLatin1String("Full Control")) return access_code::FULL_CONTROL;
  if (w == QLatin1String("Change")) return access_code::CHANGE;
  if (w == QLatin1String("Read")) return access_code::READ;
  if (w == QLatin1String("No Access")) return access_code::NO_ACCESS;
  return std::nullopt;
}

bool Set_Privilege(const QString& Name, bool Enable) {
  if (adsi::Status s = security::setPrivilege(Name, Enable); !s) {
    privilegeBox(s.error());
    return false;
  }
  return true;
}

bool Enable_Privilege(const QString& Name) {
  return Set_Privilege(Name, true);
}

bool Disable_Privilege(const QString& Name) {
  return Set_Privilege(Name, false);
}

void Show_API_Error(const QString& Step, const adsi::Error& Error, ResourceRun& run) {
  run.line(QStringLiteral("Error: ") + Step);
  run.line(QStringLiteral("Code: ") + QString::number(files::win32Code(Error)));
  run.line(QStringLiteral("Desc: ") + Error.message);
}

bool Same_SID(QByteArrayView Sid1, QByteArrayView Sid2) {
  const auto a = Sid::readFrom(Sid1);
  const auto b = Sid::readFrom(Sid2);
  return a && b && *a == *b;
}

adsi::Status Apply_Security_Recursive(const QString& Path, const SecurityDescriptor& Dacl,
                                      const std::optional<Sid>& Owner, ResourceRun& run) {
  SecurityDescriptor sd = Dacl;
  quint32 which = security::info::DACL;
  if (Owner) {
    sd.owner = *Owner;
    which |= security::info::OWNER;
  }
  run.show(Path);
  return security::SetFileSecurityTree(Path, which, sd, security::TreeMode::ReplaceExplicit);
}

namespace {

struct Accounts {
  Sid system;
  Sid account;
};

// Looks up SYSTEM and the account on `server`; an account the server does not know may still be
// known to the logon server (the caller's server stays as it is). Failures are logged.
std::optional<Accounts> lookUp(const QString& server, const QString& name, ResourceRun& run) {
  const auto system = security::LookupAccountName(server, QStringLiteral("System"));
  if (!system) {
    Show_API_Error(QStringLiteral("LookupAccountName - 1"), system.error(), run);
    lookupFailure(run, server, QStringLiteral("System"), QString());
    return std::nullopt;
  }
  if (!system->sid.isValid()) {
    Show_API_Error(QStringLiteral("LookupAccountName - SIS"), adsi::makeError(kInvalidSid, QStringLiteral("invalid SID")), run);
    return std::nullopt;
  }
  QString lookupServer = server;
  auto account = security::LookupAccountName(lookupServer, name);
  if (!account) {
    lookupServer = qEnvironmentVariable("LOGONSERVER").mid(2);
    account = security::LookupAccountName(lookupServer, name);
  }
  if (!account) {
    Show_API_Error(QStringLiteral("LookupAccountName - 2"), account.error(), run);
    lookupFailure(run, lookupServer, name, QString());
    return std::nullopt;
  }
  if (!account->sid.isValid()) {
    Show_API_Error(QStringLiteral("LookupAccountName - SID"), adsi::makeError(kInvalidSid, QStringLiteral("invalid SID")), run);
    return std::nullopt;
  }
  run.debugLine(QStringLiteral("Account lookups done."));
  return Accounts{system->sid, account->sid};
}

// The directory's descriptor, for its DACL and the DACL's control bits.
std::optional<SecurityDescriptor> readDacl(const QString& directory, ResourceRun& run) {
  auto current = security::GetFileSecurity(directory, security::info::DACL);
  if (!current) {
    Show_API_Error(QStringLiteral("GetFileSecurity"), current.error(), run);
    return std::nullopt;
  }
  run.debugLine(QStringLiteral("Get Security Descriptor."));
  if (!current->dacl) current->dacl = Acl();
  return *current;
}

// Rewrites `acl` for one account: the old entries kept (SYSTEM's alone when replacing, else all
// but the account's own), the account's two new entries, all in canonical order. False, with
// `acl` unchanged, when the list would outgrow its 64 KB.
bool rewrite(Acl& acl, const Accounts& who, int32_t code, bool replace, ResourceRun& run) {
  run.debugLine(QStringLiteral("Create new ACL"));
  Acl out;
  for (const Ace& a : acl.aces()) {
    const QByteArray sid = a.toBinary().mid(8);
    const bool keep = replace ? Same_SID(sid, who.system.binary()) : !Same_SID(sid, who.account.binary());
    if (keep) out.add(a);
  }
  run.debugLine(QStringLiteral("Add in ACE"));
  if (const auto access = dirAccess(code)) {
    out.addCanonical(Ace{access->type, security::ace::OBJECT_INHERIT | security::ace::INHERIT_ONLY, access->mask,
                         who.account, {}});
    out.addCanonical(Ace{access->type, security::ace::CONTAINER_INHERIT, access->mask, who.account, {}});
  }
  // Denies before allows before inherited entries, whatever order the old list had.
  out.canonicalize();
  if (out.size() > 0xFFFF) {
    Show_API_Error(QStringLiteral("AddAce - new1"), adsi::makeError(kAclTooLarge, QStringLiteral("the ACL is full")), run);
    return false;
  }
  run.debugLine(QStringLiteral("Write D-ACL"));
  acl = out;
  return true;
}

// Reads the directory's DACL, lets `edit` rewrite it, and stores it when `edit` says so. A failure
// is logged with its step: reading before the edit, writing after it.
enum class Update { Stored, Unchanged, Failed };
Update updateDacl(const QString& directory, ResourceRun& run, const std::function<bool(Acl&)>& edit) {
  bool read = false, store = false;
  const adsi::Status s = security::UpdateFileSecurity(directory, security::info::DACL, [&](SecurityDescriptor& sd) {
    read = true;
    run.debugLine(QStringLiteral("Get Security Descriptor."));
    if (!sd.dacl) sd.dacl = Acl();
    store = edit(*sd.dacl);
    return store;
  });
  if (!s) {
    Show_API_Error(read ? QStringLiteral("SetFileSecurity") : QStringLiteral("GetFileSecurity"), s.error(), run);
    return Update::Failed;
  }
  return store ? Update::Stored : Update::Unchanged;
}

}  // namespace

bool Set_Dir_Permissions(const QString& Server, const QString& Directory, const QString& Account, int32_t AccessCode,
                         bool Replace, bool Recurse, ResourceRun& run) {
  const auto who = lookUp(Server, Account, run);
  if (!who) return false;
  if (!Recurse)
    return updateDacl(Directory, run, [&](Acl& acl) { return rewrite(acl, *who, AccessCode, Replace, run); }) ==
           Update::Stored;

  auto sd = readDacl(Directory, run);
  if (!sd || !rewrite(*sd->dacl, *who, AccessCode, Replace, run)) return false;
  // Owners of other accounts are set under the restore privilege, switched off again on every
  // path out.
  security::PrivilegeScope restore(kRestorePrivilege);
  if (!restore.ok()) {
    privilegeBox(restore.status().error());
    Show_API_Error(QStringLiteral("SetFileSecurity"), restore.status().error(), run);
    return false;
  }
  if (adsi::Status s = Apply_Security_Recursive(Directory, *sd, who->account, run); !s) {
    Show_API_Error(QStringLiteral("SetFileSecurity"), s.error(), run);
    return false;
  }
  return true;
}

bool Set_Permissions(const QString& Server, const QString& Path, const QString& UserName, ResourceRun& run) {
  auto list = readPermissionFile(run.dbpath, records::names::Permissions);
  if (!list) {
    run.line(QStringLiteral("Error reading ") + records::names::Permissions + QStringLiteral(": ") + list.message());
    return false;
  }
  if (list->isEmpty()) {
    run.line(QStringLiteral("No Users found in permissions file"));
    return false;
  }
  run.line(QStringLiteral("Setting Permissions on ") + Path);

  // Every record rewrites the one list in turn, and the list is written once at the end; each
  // record's own line follows then, in record order.
  enum class Outcome { Applied, Failed, UnknownAccess };
  struct Record {
    QString account;
    QString access;
    Outcome outcome = Outcome::Failed;
  };
  QList<Record> done;
  const QString& domain = state::shared().Domain_Name;
  for (const records::Permission_Record& r : list.value()) {
    Record rec;
    rec.account = r.Account;
    startup::FRString(rec.account, QStringLiteral("%Domain%"), domain);
    startup::FRString(rec.account, QStringLiteral("%UserName%"), UserName);
    rec.account = text::trimBlanks(rec.account);
    rec.access = text::trimBlanks(r.Access);
    if (!permissionAccessCode(rec.access)) rec.outcome = Outcome::UnknownAccess;
    done.append(rec);
  }
  const Update update = updateDacl(Path, run, [&](Acl& acl) {
    bool any = false;
    for (qsizetype k = 0; k < done.size(); ++k) {
      Record& rec = done[k];
      if (rec.outcome == Outcome::UnknownAccess) continue;
      const auto who = lookUp(Server, rec.account, run);
      const bool replace = k == 0 && list.value()[k].NewSecurity == -1;
      if (who && rewrite(acl, *who, *permissionAccessCode(rec.access), replace, run)) {
        rec.outcome = Outcome::Applied;
        any = true;
      }
    }
    return any;
  });
  if (update == Update::Failed) {
    for (Record& r : done)
      if (r.outcome == Outcome::Applied) r.outcome = Outcome::Failed;
  }
  for (const Record& r : std::as_const(done)) {
    switch (r.outcome) {
      case Outcome::Applied: run.line(QStringLiteral("Set Permissions for ") + r.account); break;
      case Outcome::Failed:
        run.line(QStringLiteral("Failed to set Permissions for ") + r.account);
        run.warned = true;
        ui::feedback().beep();
        break;
      case Outcome::UnknownAccess:
        run.warn(QStringLiteral("Permissions for ") + r.account + QStringLiteral(" skipped: unknown access \"") + r.access +
                 QStringLiteral("\""));
        ui::feedback().beep();
        break;
    }
  }
  return true;
}

}  // namespace tavrel::resources
