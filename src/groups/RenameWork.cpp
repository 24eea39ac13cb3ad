#include "groups/RenameWork.h"

#include "bulk/Catalogue.h"
#include "directory/DirectoryService.h"
#include "directory/UpnSearch.h"
#include "groups/GroupNames.h"
#include "groups/Groupsfrm.h"
#include "platform/adsi/AdsPath.h"
#include "platform/adsi/Dn.h"
#include "platform/adsi/WorkUnit.h"
#include "resources/SharePaths.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "ui/Services.h"

namespace tavrel::groups {
namespace {

const QChar kSep = u'\\';

constexpr int kClear = 1;  // ADS_PROPERTY_CLEAR

const QString kLogonMessage = QStringLiteral(
    "Error renaming user account\r\n\r\nCheck user logon name and pre windows 2000 names are Unique.");
const QString kLogonTitle = QStringLiteral("Error renaming users logon names");
const QString kNamesMessage = QStringLiteral("Error renaming user names");
const QString kNamesTitle = QStringLiteral("Error renaming user names");
const QString kMoveMessage =
    QStringLiteral("Error renaming user in AD\r\nCheck the names does not exist in the current OU");
const QString kMoveTitle = QStringLiteral("Error renaming user object in AD");

bool hasControl(const QString& s) {
  for (const QChar c : s)
    if (startup::isControlCharacter(c)) return true;
  return false;
}

adsi::Result<adsi::AdsObject> bindPath(const QString& path) {
  auto dir = directory::requireDirectory();
  if (!dir) return dir.error();
  return (*dir)->GetObject(path);
}

QString textOf(adsi::AdsObject& o, const QString& property) {
  auto v = o.Get(property);
  if (!v) return QString();
  if (v->typeId() == QMetaType::QVariantList) {
    const QVariantList l = v->toList();
    return l.isEmpty() ? QString() : l.first().toString();
  }
  return v->toString();
}

// The user's own part of a UNC path: the last component below the share equal to the old name,
// else the share when it is named after the user ("old", or the hidden "old$").
struct UserPart {
  qsizetype start = -1;
  qsizetype length = 0;
  bool hidden = false;  // the share "old$"
};

UserPart userPart(const QString& path, const QString& oldName) {
  if (oldName.isEmpty() || !path.startsWith(QLatin1String("\\\\"))) return {};
  const qsizetype serverEnd = path.indexOf(kSep, 2);
  if (serverEnd < 0) return {};
  QList<UserPart> parts;  // [share, below...]
  for (qsizetype i = serverEnd + 1; i < path.size();) {
    qsizetype end = path.indexOf(kSep, i);
    if (end < 0) end = path.size();
    if (end > i) parts.append({i, end - i, false});
    i = end + 1;
  }
  const auto is = [&](const UserPart& p, const QString& name) {
    return QStringView(path).mid(p.start, p.length).compare(name, Qt::CaseInsensitive) == 0;
  };
  for (qsizetype i = parts.size() - 1; i >= 1; --i)
    if (is(parts[i], oldName)) return parts[i];
  if (!parts.isEmpty()) {
    if (is(parts[0], oldName)) return parts[0];
    if (is(parts[0], oldName + u'$')) return {parts[0].start, parts[0].length, true};
  }
  return {};
}

// Writes `value` into `property`, or clears the property when `value` is empty.
adsi::Status putOrClear(adsi::AdsObject& o, const QString& property, const QString& value) {
  if (value.isEmpty()) return o.PutEx(kClear, property, {});
  return o.Put(property, value);
}

// The logon names and the other names of `names` written to the user at `key`, each in one save.
adsi::Status writeLogonNames(const QString& key, const QString& sam, const QString& upn) {
  auto user = bindPath(key);
  if (!user) return user.error();
  if (!sam.isEmpty())
    if (adsi::Status s = user->Put(QStringLiteral("samAccountName"), sam); !s) return s;
  if (adsi::Status s = putOrClear(*user, QStringLiteral("userPrincipalName"), upn); !s) return s;
  return user->SetInfo();
}

adsi::Status writeOtherNames(const QString& key, const AdNames& names) {
  auto user = bindPath(key);
  if (!user) return user.error();
  if (adsi::Status s = putOrClear(*user, QStringLiteral("FullName"), names.displayName); !s) return s;
  if (adsi::Status s = putOrClear(*user, QStringLiteral("FirstName"), names.firstName); !s) return s;
  if (adsi::Status s = putOrClear(*user, QStringLiteral("LastName"), names.lastName); !s) return s;
  return user->SetInfo();
}

AdNames namesOf(adsi::AdsObject& user) {
  AdNames n;
  if (auto path = adsi::AdsPath::parse(user.ADsPath()); path && !path->dn.isEmpty())
    n.fullName = path->dn.rdn().value();
  n.firstName = textOf(user, QStringLiteral("FirstName"));
  n.lastName = textOf(user, QStringLiteral("LastName"));
  n.displayName = textOf(user, QStringLiteral("FullName"));
  n.sam = textOf(user, QStringLiteral("samAccountName"));
  n.upn = textOf(user, QStringLiteral("userPrincipalName"));
  const qsizetype at = n.upn.indexOf(u'@');
  n.upnPrefix = at < 0 ? n.upn : n.upn.left(at);
  n.upnSuffix = at < 0 ? u'@' + state::shared().Domain_Name : n.upn.mid(at);
  return n;
}

AdRenameOutcome refused(const QString& message, const QString& title) {
  return AdRenameOutcome{false, message, title};
}

}  // namespace

// ---- Name rules ----

std::optional<QString> accountNameProblem(const QString& name) {
  if (name.isEmpty()) return QStringLiteral("The user name is empty.");
  if (name.size() > kNtNameMax)
    return QStringLiteral("User Name too long, max 20 Chrs: ") + startup::showControls(name);
  bool onlyDotsAndBlanks = true;
  for (const QChar c : name)
    if (c != u'.' && c != u' ') onlyDotsAndBlanks = false;
  if (onlyDotsAndBlanks) return QStringLiteral("A user name cannot be made of dots and blanks only.");
  return std::nullopt;
}

QString invalidCharacters(const QString& name) {
  QString out;
  for (const QChar c : name)
    if (kAccountNameForbidden.contains(c) || startup::isControlCharacter(c)) out += c;
  return out;
}

std::optional<QString> commonNameProblem(const QString& name) {
  if (name.isEmpty()) return QStringLiteral("The full name (CN) cannot be empty.");
  if (name.size() > kCommonNameMax) return QStringLiteral("The full name (CN) is longer than 64 characters.");
  if (hasControl(name)) return QStringLiteral("The full name (CN) cannot hold control characters.");
  return std::nullopt;
}

std::optional<QString> upnPrefixProblem(const QString& prefix) {
  if (prefix.contains(u'@')) return QStringLiteral("The user logon name cannot hold \"@\".");
  if (prefix.trimmed() != prefix) return QStringLiteral("The user logon name cannot begin or end with a blank.");
  if (hasControl(prefix)) return QStringLiteral("The user logon name cannot hold control characters.");
  return std::nullopt;
}

QString renamedPath(const QString& path, const QString& oldName, const QString& newName) {
  const UserPart p = userPart(path, oldName);
  if (p.start < 0) return path;
  QString out = path;
  out.replace(p.start, p.length, p.hidden ? newName + u'$' : newName);
  return out;
}

// ---- The lists ----

void userRenamedAd(RenameHost& host, const QString& oldKey, const QString& newKey, const QString& text,
                   const QString& name) {
  bulk::catalogue().renameUser(oldKey, newKey, text);
  if (Groupsfrm* g = Groupsfrm::existing())
    for (ui::ListView* l : {g->Members, g->NotMembers})
      if (const int row = l->findKey(oldKey)) {
        l->setKey(row, newKey);
        l->setText(l->findKey(newKey), name);
      }
  if (newKey != oldKey) host.userRekeyed(oldKey, newKey);
}

void userRenamedNt(const QString& oldName, const QString& newName) {
  bulk::catalogue().renameNtUser(oldName, newName);
  if (Groupsfrm* g = Groupsfrm::existing())
    for (ui::ListView* l : {g->Members, g->NotMembers})
      for (int i = 1; i <= l->count(); ++i)
        if (l->text(i).compare(oldName, Qt::CaseInsensitive) == 0) {
          l->setText(i, newName);
          break;
        }
}

// ---- Folders and shares ----

bool renameDirectories(const std::function<adsi::Result<adsi::AdsObject>()>& bind, const QString& newName,
                       const QString& oldName, resources::ResourceRun& run) {
  const auto row = [&](const QString& colour, const QString& message) {
    if (run.LOG_TAB) run.LOG_TAB(colour, message);
  };
  QString home, profile;
  if (auto user = bind()) {
    home = textOf(*user, QStringLiteral("HomeDirectory")).trimmed();
    profile = textOf(*user, QStringLiteral("Profile")).trimmed();
  }
  // A profile folder inside the user's home folder moves with it.
  const UserPart homePart = userPart(home, oldName);
  const QString homeFolder = homePart.start < 0 ? QString() : home.left(homePart.start + homePart.length);
  const bool profileInHome =
      !homeFolder.isEmpty() && (profile.compare(homeFolder, Qt::CaseInsensitive) == 0 ||
                                profile.startsWith(homeFolder + kSep, Qt::CaseInsensitive));

  bool homeRenamed = false;
  if (!home.isEmpty()) {
    if (!resources::Dir_Exists(home)) {
      run.line(QStringLiteral("Failed to find Home direcotry: ") + home);
      row(QStringLiteral("RED"), QStringLiteral(" Failed to find Home Dir"));
    } else {
      auto user = bind();
      adsi::AdsObject Current_User = user ? *user : adsi::AdsObject();
      if (resources::Rename_ShrDir(home, newName, oldName, true, Current_User, run)) {
        homeRenamed = true;
        run.line(QStringLiteral("Renamed Home Directory: ") + home);
        row(QStringLiteral("GREEN"), QStringLiteral(" Home Directory and Share renamed for ") + newName);
      } else {
        run.line(QStringLiteral("Failed to Rename Home Directory: ") + home);
        row(QStringLiteral("RED"), QStringLiteral(" Failed to Rename Home directory and share for ") + newName);
      }
    }
  }

  if (profileInHome) {
    // Only the path follows, and only when the folder it names has moved: the home folder's part
    // of it changes, whatever the folders below are called.
    const QString newProfile = renamedPath(homeFolder, oldName, newName) + profile.mid(homeFolder.size());
    if (homeRenamed && newProfile != profile) {
      auto user = bind();
      if (!user) return false;
      if (!user->Put(QStringLiteral("Profile"), newProfile) || !user->SetInfo()) return false;
    }
  } else if (!profile.isEmpty()) {
    if (!resources::Dir_Exists(profile)) {
      run.line(QStringLiteral("Failed to find Profile Directory: ") + profile);
      row(QStringLiteral("RED"), QStringLiteral(" Failed to find profile Dir"));
    } else {
      auto user = bind();
      if (!user) return false;
      adsi::AdsObject Current_User = *user;
      if (resources::Rename_ShrDir(profile, newName, oldName, false, Current_User, run)) {
        run.line(QStringLiteral("Renamed profile Dir :") + profile);
        row(QStringLiteral("GREEN"), QStringLiteral(" Profile Directory and Share renamed for ") + newName);
      } else {
        run.line(QStringLiteral("Failed to Rename Profile Directory: ") + profile);
        row(QStringLiteral("RED"), QStringLiteral(" Failed to Rename Profile directory and share for ") + newName);
      }
    }
  }
  return true;
}

// ---- Active Directory ----

adsi::Result<AdNames> loadAdNames(const QString& key) {
  auto user = bindPath(key);
  if (!user) return user.error();
  return namesOf(*user);
}

AdRenameOutcome renameAdUser(const AdRenameRequest& request, RenameHost& host) {
  ui::HourglassGuard busy;
  startup::LogFile log(host.dbpath());
  const QString domain = state::shared().Domain_Name;
  const QString oldKey = host.nodeKey();

  auto user = bindPath(oldKey);
  if (!user) return refused(kLogonMessage, kLogonTitle);
  const AdNames was = namesOf(*user);
  const QString oldName = host.cnName() ? was.fullName : was.sam;

  // Every name is checked before anything is written.
  const QString cn = request.names.fullName.trimmed();
  const QString sam = request.names.sam.trimmed();
  const QString prefix = request.names.upnPrefix;
  if (request.fullNameChanged)
    if (auto problem = commonNameProblem(cn)) return refused(*problem, kMoveTitle);
  if (!sam.isEmpty()) {
    if (const QString bad = invalidCharacters(sam); !bad.isEmpty())
      return refused(QStringLiteral("Invalid Character in User Name: ") + startup::showControls(bad.right(1)),
                     kLogonTitle);
    if (auto problem = accountNameProblem(sam)) return refused(*problem, kLogonTitle);
  }
  const QString upn = prefix.isEmpty() ? QString() : prefix + was.upnSuffix;
  if (!prefix.isEmpty()) {
    if (auto problem = upnPrefixProblem(prefix)) return refused(*problem, kLogonTitle);
    if (upn.compare(was.upn, Qt::CaseInsensitive) != 0) {
      const directory::UpnAnswer found = directory::Find_UPN(upn);
      if (found.state == directory::UpnState::Exists) return refused(kLogonMessage, kLogonTitle);
      if (found.state == directory::UpnState::Unknown)
        return refused(QStringLiteral("UPN could not be checked: ") + upn +
                           (found.error ? QStringLiteral(" (") + found.error->message + u')' : QString()),
                       kLogonTitle);
    }
  }
  auto path = adsi::AdsPath::parse(oldKey);
  if (!path || path->dn.isEmpty()) return refused(kMoveMessage, kMoveTitle);
  const adsi::Dn container = path->dn.parent();
  const bool move = request.fullNameChanged && cn != was.fullName;
  if (move && cn.compare(was.fullName, Qt::CaseInsensitive) != 0) {
    const adsi::Dn target = container.child(adsi::Rdn(QStringLiteral("CN"), cn));
    if (bindPath(adsi::formatLdapPath(adsi::Provider::Ldap, domain, target)).ok())
      return refused(kMoveMessage, kMoveTitle);
  }

  // The writes; a refused one puts back what the earlier ones changed. They are one unit of
  // directory work, so a process that dies among them leaves the account's names as they were.
  std::optional<adsi::WorkUnit> unit(std::in_place);
  if (!writeLogonNames(oldKey, sam, upn)) return refused(kLogonMessage, kLogonTitle);
  const auto restoreLogon = [&](const QString& key) { (void)writeLogonNames(key, was.sam, was.upn); };
  if (!writeOtherNames(oldKey, request.names)) {
    restoreLogon(oldKey);
    return refused(kNamesMessage, kNamesTitle);
  }
  QString newKey = oldKey;
  QString rdnName = QStringLiteral("CN=") + adsi::escapeDnValue(was.fullName);
  if (move) {
    auto parent = bindPath(adsi::formatLdapPath(adsi::Provider::Ldap, domain, container));
    auto moved = parent ? parent->MoveHere(oldKey, QStringLiteral("CN=") + adsi::escapeDnValue(cn))
                        : adsi::Result<adsi::AdsObject>(parent.error());
    auto movedPath = moved ? adsi::AdsPath::parse(moved->ADsPath()) : adsi::Result<adsi::AdsPath>(moved.error());
    if (!movedPath) {
      (void)writeOtherNames(oldKey, was);
      restoreLogon(oldKey);
      return refused(kMoveMessage, kMoveTitle);
    }
    newKey = adsi::formatLdapPath(adsi::Provider::Ldap, domain, movedPath->dn);
    rdnName = moved->Name();
  }
  unit.reset();

  // The tree and every list show the user under its new names.
  const QString shownName = move ? cn : was.fullName;
  const QString text =
      host.displayNames() && !request.names.displayName.isEmpty() ? request.names.displayName : shownName;
  host.setNodeText(text);
  if (newKey != oldKey) host.setNodeKey(newKey);
  userRenamedAd(host, oldKey, newKey, text, shownName);
  log.line(QStringLiteral("Changing Names for: ") + rdnName);

  // The folders follow the name that %UserName% stands for.
  const bool nameChanged = host.cnName() ? request.fullNameChanged : request.samChanged;
  const QString newName = host.cnName() ? shownName : (sam.isEmpty() ? was.sam : sam);
  if (request.renameDirs && nameChanged && newName != oldName) {
    resources::ResourceRun run(log, host.dbpath());
    run.LOG_TAB = [&host](const QString& c, const QString& m) { host.logRow(c, m); };
    if (!renameDirectories([&] { return bindPath(newKey); }, newName, oldName, run)) {
      host.status(QStringLiteral("Error renaming ") + oldName);
      log.line(QStringLiteral("Error Renaming User Directories"));
      host.logRow(QStringLiteral("RED"), QStringLiteral(" Error Renaming ") + host.nodeText());
      return AdRenameOutcome{true, {}, {}};
    }
    host.status(host.nodeText() + QStringLiteral(" has been renamed"));
  }
  return AdRenameOutcome{true, {}, {}};
}

// ---- NT ----

adsi::Result<NtNames> loadNtNames(const QString& account) {
  auto user = bindPath(QStringLiteral("WinNT://") + state::shared().Domain_Name + u'/' + account);
  if (!user) return user.error();
  return NtNames{user->Name(), textOf(*user, QStringLiteral("FullName"))};
}

NtRenameOutcome renameNtUser(const NtRenameRequest& request, RenameHost& host) {
  if (!request.logonChanged && !request.fullNameChanged) return NtRenameOutcome::Closed;
  if (request.logon.isEmpty()) return NtRenameOutcome::StayOpen;

  ui::HourglassGuard busy;
  const QString domainPath = QStringLiteral("WinNT://") + state::shared().Domain_Name;
  const QString oldName = request.oldName;
  const QString newName = request.logon.trimmed();
  const bool renaming = request.logonChanged && newName != oldName;
  std::optional<startup::LogFile> log;
  const auto failed = [&](const adsi::Error& e) {
    host.status(QStringLiteral("Error renaming ") + oldName);
    if (log) {
      log->line(QStringLiteral("Error Renaming User"));
      log->line(QStringLiteral("Error Number: ") + QString::number(e.number()));
      log.reset();
    }
    host.logRow(QStringLiteral("RED"), QStringLiteral(" Error Renaming ") + host.nodeText());
    return NtRenameOutcome::Closed;
  };

  if (renaming) {
    log.emplace(host.dbpath());
    log->line(QStringLiteral("Rename User ") + host.nodeText() + QStringLiteral(" to ") + newName);
    const QString bad = invalidCharacters(newName);
    for (const QChar c : bad) log->line(QStringLiteral("Invalid Character in User Name: ") + c);
    const std::optional<QString> problem = bad.isEmpty() ? accountNameProblem(newName) : std::nullopt;
    if (problem) log->line(*problem);
    if (!bad.isEmpty() || problem) {
      host.logRow(QStringLiteral("RED"), QStringLiteral(" Error Renaming ") + oldName);
      host.status(problem ? *problem
                          : QStringLiteral("Invalid Character in User Name: ") +
                                startup::showControls(bad.right(1)));
      return NtRenameOutcome::Closed;
    }

    auto domain = bindPath(domainPath);
    if (!domain) return failed(domain.error());
    auto moved = domain->MoveHere(domainPath + u'/' + oldName, newName);
    if (!moved) return failed(moved.error());
    host.status(oldName + QStringLiteral(" Renamed to ") + newName);
    host.setNodeText(newName);
    host.logRow(QStringLiteral("GREEN"), u' ' + oldName + QStringLiteral(" renamed to ") + newName);

    bool dirsFailed = false;
    if (request.renameDirs) {
      host.status(QStringLiteral("Renaming User Share(s)/Directory(s)"));
      host.repaint();
      resources::ResourceRun run(*log, host.dbpath());
      run.LOG_TAB = [&host](const QString& c, const QString& m) { host.logRow(c, m); };
      dirsFailed = !renameDirectories([&] { return bindPath(domainPath + u'/' + newName); }, newName, oldName, run);
    }
    // The account has its new name whatever happened to its folders: every list shows it.
    userRenamedNt(oldName, newName);
    if (dirsFailed)
      return failed(adsi::makeError(adsi::hr::E_FAIL, QStringLiteral("the account's paths could not be written")));
    host.status(oldName + QStringLiteral(" has been renamed"));
    log.reset();
  }

  if (request.fullNameChanged) {
    auto user = bindPath(domainPath + u'/' + (renaming ? newName : oldName));
    if (!user) return failed(user.error());
    if (adsi::Status s = user->Put(QStringLiteral("FullName"), request.fullName); !s) return failed(s.error());
    if (adsi::Status s = user->SetInfo(); !s) return failed(s.error());
    if (!renaming) host.status(QStringLiteral("Full name changed"));
  }
  return NtRenameOutcome::Closed;
}

}  // namespace tavrel::groups
