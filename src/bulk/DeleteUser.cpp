#include "bulk/DeleteUser.h"

#include "directory/DirectoryService.h"
#include "platform/process/Process.h"
#include "platform/text/Cp1252.h"
#include "records/DatabaseFolder.h"
#include "records/Lookup.h"
#include "resources/DirPermissions.h"
#include "resources/FileOperation.h"
#include "resources/ResourceRun.h"
#include "resources/SharePaths.h"
#include "resources/Shell.h"
#include "startup/FRString.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <optional>

namespace tavrel::bulk {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool sameName(const QString& a, const QString& b) {
  return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringList components(const QString& path) {
  QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
  return parts;
}

// The error path's report: the status text, the detail and the error number in Log.txt, a RED row.
struct Trap {
  QString text, detail;
};

bool yes(const QString& prompt, const QString& title) {
  return ui::prompter().MsgBox(prompt, ui::kStyleYesNoQuestion, title) == ui::MsgBoxResult::Yes;
}

}  // namespace

bool namesAccount(const QString& name, const QString& account) {
  if (account.isEmpty()) return false;
  return sameName(name, account) || sameName(name, account + u'$');
}

bool isOwnShare(const QString& shareName, const QString& localPath, const QString& account) {
  const QStringList local = components(localPath);
  if (local.size() < 2) return false;  // "D:\" or nothing: a drive root is nobody's own
  return namesAccount(shareName, account) || namesAccount(local.last(), account);
}

bool isOwnFolder(const QString& adminPath, const QString& account) {
  const QStringList parts = components(adminPath);
  // "\\server\D$\folder": server, drive share and at least one folder.
  return parts.size() >= 3 && namesAccount(parts.last(), account);
}

QString profileCut(const QString& path, const QString& account) {
  const QString parent = resources::Parent_Path(path, account);
  return parent.isEmpty() ? path : parent;
}

namespace {

// Reads what the share of `unc` publishes: server, share, whether the path is the share's root,
// and the folder through the administrative share. False when the share cannot be found.
bool examine(PathPlan& p, const QString& account) {
  p.server = resources::Get_Server_Name(p.unc);
  p.share = resources::Get_Share_Name(p.unc);
  p.shareRoot = !resources::Is_Sub_Dir(p.unc);
  p.localPath = resources::Get_Share_Local_Path(p.unc);
  if (p.localPath.isEmpty()) return false;
  p.adminPath = resources::Get_Share_Path(p.unc, !p.shareRoot);
  if (p.adminPath.isEmpty()) return false;
  p.examined = true;
  p.ownShare = isOwnShare(p.share, p.localPath, account);
  // A folder goes only when it is named after the user, whatever the share's name: a share named
  // after the user may still publish a folder that holds other users' folders.
  p.ownFolder = isOwnFolder(p.adminPath, account);
  return true;
}

// The Site.dat record of the Exchange server `exServer` (trimmed, letter case ignored).
std::optional<records::Site_Record> siteOf(const QString& dbpath, const QString& exServer) {
  const QString wanted = text::trimBlanks(exServer);
  if (wanted.isEmpty()) return std::nullopt;
  const records::DatabaseFolder db(dbpath);
  auto scan = records::scanRecords<records::Site_Record>(
      db, records::names::Site, [&](const records::Site_Record& r) {
        return r.Deleted != records::kDeletedFlag &&
               text::trimBlanks(r.ExchangeServer).compare(wanted, Qt::CaseInsensitive) == 0;
      });
  if (!scan || scan->match == 0 || !scan->lastRead) return std::nullopt;
  return scan->lastRead;
}

}  // namespace

bool Delete_One_User(const QString& user, const DeleteOptions& o, RunHost& host) {
  state::SharedState& sh = state::shared();
  if (!sh.Bulk_Delete_Running) return false;
  const bool nt = sh.Directory_Mode == 2;
  const bool data = sh.Bulk_Delete_Data != 0;
  const bool mail = sh.Bulk_Delete_Mail != 0;

  // Everything is read and worked out before the question and before anything is deleted.
  QStringList lines;  // Log.txt lines of the examination, written once the log is open
  std::optional<Trap> trap;
  auto dir = directory::requireDirectory();
  std::optional<adsi::AdsObject> account;
  std::optional<adsi::AdsObject> container;  // the NT domain, or the AD account's parent
  std::optional<adsi::Error> error;
  QString name = user, display = user, rdn;
  QString home, profile;

  sh.Step_Text = QStringLiteral("Unable to get Domain Data...");
  sh.Step_Detail = QStringLiteral("Unable to get user info from Domain, User:") + user;
  lines << QStringLiteral("Delete User: ") + user;
  auto read = [](adsi::AdsObject& obj, const QString& property) {
    auto v = obj.Get(property);
    return v ? v->toString() : QString();
  };
  if (!dir) {
    error = dir.error();
  } else if (nt) {
    auto domain = (*dir)->GetObject(QStringLiteral("WinNT://") + sh.Domain_Name);
    auto bound = domain ? domain->GetObject(QStringLiteral("user"), user)
                        : adsi::Result<adsi::AdsObject>(domain.error());
    if (!bound) {
      error = bound.error();
    } else {
      container = *domain;
      account = *bound;
    }
  } else {
    auto bound = (*dir)->GetObject(user);
    if (!bound) {
      error = bound.error();
    } else {
      account = *bound;
      name = read(*account, QStringLiteral("sAMAccountName"));
      rdn = account->Name();
      display = read(*account, QStringLiteral("FullName"));
      if (display.isEmpty()) display = rdn;
      auto parent = (*dir)->GetObject(account->Parent());
      if (!parent)
        error = parent.error();
      else
        container = *parent;
      if (name.isEmpty() && !error) error = adsi::Error{adsi::hr::E_FAIL, QStringLiteral("no account name")};
    }
  }
  if (error) trap = Trap{sh.Step_Text, sh.Step_Detail};

  PathPlan h, p;
  bool profileAllowed = true;
  bool beeps = false;
  if (!trap) {
    home = read(*account, QStringLiteral("HomeDirectory"));
    profile = read(*account, QStringLiteral("Profile"));
  }
  if (!trap && data) {
    if (home.startsWith(u'\\')) {
      h.unc = home;
      h.server = resources::Get_Server_Name(home);
      h.share = resources::Get_Share_Name(home);
      lines << QStringLiteral("From Server: ") + h.server << QStringLiteral("Home Share: ") + h.share;
      if (!examine(h, name)) {
        trap = Trap{QStringLiteral("Unable to get Home Share for ") + (rdn.isEmpty() ? user : rdn),
                    QStringLiteral("Unable to find Home Share: ") + h.share};
        error = adsi::Error{adsi::hr::BAD_NETPATH, trap->detail};
      } else {
        lines << QStringLiteral("Home Dir Path :") + resources::Get_Share_Path(home, false);
      }
    }
    if (!trap) {
      auto guard = [&](bool hit, const QString& line) {
        if (!hit) return;
        beeps = true;
        lines << line;
        profileAllowed = false;
      };
      guard(profile.contains(QStringLiteral("NETLOGON"), Qt::CaseInsensitive),
            QStringLiteral("Cannot Delete Netlogon Directory."));
      guard(profile.contains(QStringLiteral("%LOGONSERVER%"), Qt::CaseInsensitive),
            QStringLiteral("Cannot Delete From %Netlogon% Server."));
      guard(profile.endsWith(QStringLiteral(".man"), Qt::CaseInsensitive),
            QStringLiteral("Unable to Delete Mandatory Profiles."));
    }
    if (!trap && profileAllowed && profile.startsWith(u'\\')) {
      p.unc = profile;
      p.server = resources::Get_Server_Name(profile);
      p.share = resources::Get_Share_Name(profile);
      lines << QStringLiteral("Profile Server: ") + p.server
            << QStringLiteral("Profile ShareName: ") + p.share;
      if (!examine(p, name)) {
        trap = Trap{QStringLiteral("Unable to get Profile Share for ") + (rdn.isEmpty() ? user : rdn),
                    QStringLiteral("Unable to find Profile Share: ") + p.share};
        error = adsi::Error{adsi::hr::BAD_NETPATH, trap->detail};
      } else {
        QString cut = p.adminPath;
        if (!p.shareRoot && nt && o.profileDeleteName) cut = profileCut(cut, name);
        p.adminPath = cut;
        if (!p.shareRoot) p.ownFolder = isOwnFolder(p.adminPath, name);
        lines << QStringLiteral("Profile Dir Path :") + resources::Get_Share_Path(profile, false);
      }
    }
  }

  // The question names what will go.
  if (o.confirmDeletes && !o.noPrompting) {
    host.status(QStringLiteral("Delete User ?"));
    QString question = QStringLiteral("Delete User ") + user;
    if (!trap && data) {
      QStringList going;
      if (h.examined && h.ownFolder) going << h.adminPath;
      if (p.examined && p.ownFolder && profileAllowed && !resources::Same_Share(h.unc, p.unc))
        going << p.adminPath;
      if (!going.isEmpty())
        question += kCrLf + kCrLf + QStringLiteral("and its folders:") + kCrLf + going.join(kCrLf);
    }
    if (!yes(question, QStringLiteral("Delete User"))) return false;
  }

  host.status(QStringLiteral("Deleting User(s)"));
  startup::LogFile log(o.dbpath);
  resources::ResourceRun run(log, o.dbpath);
  run.LOG_TAB = [&host](const QString& c, const QString& m) { host.logRow(c, m); };
  run.status = [&host](const QString& t) { host.status(t); };
  for (const QString& l : lines) log.line(l);
  if (beeps) host.beep();

  QStringList removed;  // what is gone, for a report after a failure
  auto fail = [&](const Trap& t, const adsi::Error& e, bool deleted) {
    host.status(t.text);
    log.line(t.detail);
    log.line(QStringLiteral("Error Number: ") + QString::number(e.number()));
    QString row = QStringLiteral(" ") + t.text;
    if (!removed.isEmpty()) row += QStringLiteral(" - removed: ") + removed.join(QStringLiteral(", "));
    host.logRow(QStringLiteral("RED"), row);
    return deleted;
  };
  if (trap) return fail(*trap, *error, false);

  bool ok = true;
  bool result = false;

  // An Exchange 2000 mailbox lives on the account object: it goes just before the account.
  const bool mailbox2000 = mail && o.exServer == QLatin1String("Exchange 2000");
  auto mailOutcome = [&](bool deleted) {
    if (deleted) {
      log.line(QStringLiteral("Deleted mail account"));
      removed << QStringLiteral("mailbox");
    } else {
      log.line(QStringLiteral("Failed to delete mail account"));
      ok = false;
      host.logRow(QStringLiteral("RED"), QStringLiteral("Failed to delete mail account"));
    }
  };
  if (mailbox2000) {
    auto r = resources::Delete_Mailbox_2000(*account, **dir);
    mailOutcome(r && *r);
  }

  // The account.
  sh.Step_Text = sh.Step_Detail = QStringLiteral("Unable to Delete User ") + user;
  if (adsi::Status s = container->Delete(QStringLiteral("User"), nt ? user : rdn); !s)
    return fail(Trap{sh.Step_Text, sh.Step_Detail}, s.error(), false);
  log.line(QStringLiteral("Deleted User Account: ") + user);
  result = true;
  if (o.removeEntries) o.removeEntries(user);

  if (mail && !mailbox2000) {
    const std::optional<records::Site_Record> site = siteOf(o.dbpath, o.exServer);
    if (!site) {
      log.line(QStringLiteral("No site has the Exchange server ") + o.exServer);
      mailOutcome(false);
    } else {
      sh.Mail_Search_Server = site->ExchangeServer;
      sh.Mail_Search_Site = site->ExchSite;
      sh.Mail_Search_Org = site->ExchOrg;
      resources::MailboxForm form = o.mailForm;
      form.No_Prompting = o.noPrompting;
      form.Confirm_Deletes = o.confirmDeletes;
      mailOutcome(resources::Delete_Mailbox(
          o.txtAdmin, o.txtPassword, name, text::trimBlanks(site->ExchangeServer),
          text::trimBlanks(site->ExchSite), text::trimBlanks(site->ExchOrg), form, log));
    }
  }

  if (data) {
    // Shares: only a share that is the user's own; a common share stays.
    const bool sameShare = sameName(h.share, p.share) || (h.share.isEmpty() && p.share.isEmpty());
    const bool onHomeShare = sameShare && h.server.compare(p.server, Qt::CaseInsensitive) == 0;
    auto dropShare = [&](const PathPlan& s, const QString& label) {
      if (!s.ownShare) {
        log.line(QStringLiteral("Share not the user's own, kept: ") + s.share);
        return;
      }
      if (resources::Delete_Share(s.unc)) {
        log.line(label + s.share);
        removed << QStringLiteral("share ") + s.share;
      } else {
        log.line(QStringLiteral("Unable to Delete Share: ") + s.share);
        ok = false;
      }
    };
    if (h.examined && h.shareRoot && !onHomeShare && !h.share.isEmpty())
      dropShare(h, QStringLiteral("Deleted Share: "));
    if (onHomeShare) {
      log.line(QStringLiteral("Home Share and Profile Share are the Same..."));
      if (profileAllowed && h.examined && h.shareRoot && !h.share.isEmpty())
        dropShare(h, QStringLiteral("Deleted Common Share: "));
    } else if (p.examined && p.shareRoot && profileAllowed && !p.share.isEmpty()) {
      dropShare(p, QStringLiteral("Deleted Share: "));
    }

    auto dropFolder = [&](const PathPlan& d, const QString& title) {
      if (!d.ownFolder) {
        log.line(QStringLiteral("Folder not the user's own, kept: ") + d.adminPath);
        ok = false;
        return;
      }
      if (o.delPermissions) {
        if (o.noPrompting || yes(QStringLiteral("Setting permissions on: ") + kCrLf + d.adminPath, title)) {
          log.line(QStringLiteral("Setting Administrators permissions on ") + d.adminPath +
                   QStringLiteral(" and all sub directories"));
          resources::Set_Dir_Permissions(QString(), d.adminPath, QStringLiteral("Administrators"),
                                         resources::access_code::FULL, false, true, run);
        }
      }
      host.status(QStringLiteral("Deleting ") + d.adminPath);
      resources::BulkPromptOptions prompt;
      prompt.No_Prompting = o.noPrompting ? 1 : 0;
      if (resources::File_Operation(d.adminPath, QString(), resources::FO_DELETE, prompt)) {
        log.line(QStringLiteral("Deleted Dir: ") + d.adminPath);
        removed << d.adminPath;
      } else {
        ok = false;
        log.line(QStringLiteral("Error Deleting: ") + d.adminPath);
      }
    };
    if (h.examined) dropFolder(h, QStringLiteral("Set Permissions on Home Directory"));
    // The profile goes separately unless it lies on the home's share of the same server.
    if (p.examined && profileAllowed && !onHomeShare)
      dropFolder(p, QStringLiteral("Set Permissions On Profile Directory"));
  }

  if (sh.Bulk_Run_Command && !o.deleteScript.isEmpty()) {
    host.status(QStringLiteral("Running Script..."));
    // Split first, then substitute: a value with blanks stays one argument.
    const QStringList args = process::expandArguments(o.deleteScript, [&](const QString& a) {
      QString t = a;
      startup::FRString(t, QStringLiteral("%Domain%"), sh.Domain_Name);
      return startup::FRString(t, QStringLiteral("%UserName%"), name);
    });
    const QString cmd = process::joinCommandLine(args);
    log.line(QStringLiteral("Running Script: ") + cmd);
    const process::SpawnResult r =
        resources::Shell_Object().Spawn(args, o.waitDelete, o.deleteHidden ? 0 : 1, &log);
    using Outcome = process::SpawnResult::Outcome;
    const bool started = r.outcome == Outcome::Started || r.outcome == Outcome::Exited;
    if (!started) {
      log.line(QStringLiteral("Error Running: ") + cmd);
      host.beep();
      ok = false;
    }
  }

  const QString shown = nt ? user : display;
  host.status(QStringLiteral("User ") + shown + QStringLiteral(" Deleted."));
  log.line(QStringLiteral("User Deleted."));
  host.logRow(ok ? QStringLiteral("GREEN") : QStringLiteral("YELLOW"),
              QStringLiteral(" User ") + shown + QStringLiteral(" deleted."));
  return result;
}

}  // namespace tavrel::bulk
