#include "bulk/MoveUser.h"

#include "bulk/Catalogue.h"
#include "bulk/DeleteUser.h"
#include "records/Lookup.h"

#include "directory/DirectoryService.h"
#include "format/UserName.h"
#include "format/Variables.h"
#include "platform/adsi/Directory.h"
#include "platform/files/FileSystem.h"
#include "platform/process/Process.h"
#include "resources/DcLookup.h"
#include "resources/DirPermissions.h"
#include "resources/FileOperation.h"
#include "resources/ResourceRun.h"
#include "resources/SharePaths.h"
#include "resources/Shares.h"
#include "resources/Shell.h"
#include "startup/FRString.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <memory>
#include <optional>

namespace tavrel::bulk {

namespace {

state::SharedState& sh() {
  return state::shared();
}

QString lastComponent(const QString& path) {
  QString p = path;
  while (p.endsWith(u'\\')) p.chop(1);
  return p.mid(p.lastIndexOf(u'\\') + 1);
}

// How a step went.
enum class Outcome { Done, Failed, Stopped };

// Whether a step's failure takes the error path. The bind's trap stays on through the shares,
// permissions and data while no data option is chosen and no folder has been made.
enum class Trap { Always, Never, WhileBindTrap };

// One new folder with its share (home or profile).
struct NewPart {
  bool configured = false;  // the template names a local path
  QString local, admin, unc, share;
  int16_t shareResult = resources::kShareWithList;
};

// One part's old data (home or profile).
struct OldPart {
  QString path;
  bool copied = false;
};

class MoveRun {
 public:
  MoveRun(QString& user, MoveHost& host) : user_(user), host_(host) {}

  bool run(MoveResult* result);

  using StepFn = Outcome (MoveRun::*)();
  struct Step {
    StepFn fn;
    Trap trap;
  };

  Outcome start();
  Outcome openLog();
  Outcome bind();
  Outcome oldPaths();
  Outcome accountName();
  Outcome newPaths();
  Outcome directories();
  Outcome shares();
  Outcome permissions();
  Outcome settings();
  Outcome data();
  Outcome groups();
  Outcome command();
  Outcome end();

  bool trapped(Trap t) const {
    return t == Trap::Always || (t == Trap::WhileBindTrap && form_.dataOption == 0 && !dirMade_);
  }
  void line(const QString& text) {
    if (log_) log_->line(text);
  }
  void warn(const QString& text) {
    line(text);
    ui::feedback().beep();
    warned_ = true;
  }
  void status(const QString& text) { host_.status(text); }
  Outcome fail(const adsi::Error& e) {
    errorNumber_ = e.number();
    return Outcome::Failed;
  }
  void errorPath();
  Outcome cancelled(const QStringList& lines, const QString& statusText);
  Outcome makeFolder(NewPart& part, bool home);
  void transfer(OldPart& old, NewPart& part, bool profile);
  bool nt() const { return sh().Directory_Mode == 2; }

  QString& user_;
  MoveHost& host_;
  MoveForm form_;
  std::unique_ptr<startup::LogFile> log_;
  std::unique_ptr<resources::ResourceRun> res_;
  adsi::AdsObject account_;
  QString name_, savedPath_;
  QString first_, middle_, last_;
  NewPart home_, profile_;
  OldPart oldHome_, oldProfile_;
  QString fullNewProfile_;
  bool dirMade_ = false;
  bool warned_ = false;
  bool finished_ = false;
  qint32 errorNumber_ = 0;
};

// The order of the steps and which of them take the error path when they fail. The account's
// new paths are written before any old data or old share is touched, so a refused write leaves
// the user with the old paths and the old data where they were.
constexpr MoveRun::Step kSteps[] = {
    {&MoveRun::start, Trap::Never},
    {&MoveRun::openLog, Trap::Always},
    {&MoveRun::bind, Trap::Always},
    {&MoveRun::oldPaths, Trap::Never},
    {&MoveRun::accountName, Trap::Always},  // every name after it is built from the logon name
    {&MoveRun::newPaths, Trap::Never},
    {&MoveRun::directories, Trap::Always},
    {&MoveRun::shares, Trap::WhileBindTrap},
    {&MoveRun::permissions, Trap::WhileBindTrap},
    {&MoveRun::settings, Trap::Always},
    {&MoveRun::data, Trap::WhileBindTrap},
    {&MoveRun::groups, Trap::Never},
    {&MoveRun::command, Trap::Always},
    {&MoveRun::end, Trap::Never},
};

bool MoveRun::run(MoveResult* result) {
  bool ok = false;
  for (const Step& step : kSteps) {
    const Outcome o = (this->*step.fn)();
    if (o == Outcome::Stopped) break;
    if (o == Outcome::Failed && trapped(step.trap)) {
      errorPath();
      break;
    }
    if (step.fn == &MoveRun::end) ok = true;
  }
  if (result) {
    result->finished = ok;
    result->warned = warned_;
    result->name = name_;
  }
  return ok;
}

// 1-2: the argument's form, the template and the site.
Outcome MoveRun::start() {
  status(QStringLiteral("Moving User..."));
  if (!nt() && !user_.startsWith(QLatin1String("LDAP://"))) user_.prepend(QStringLiteral("LDAP://"));
  form_ = host_.load();
  form_.server = form_.server.trimmed();
  name_ = user_;
  return Outcome::Done;
}

// 3: the Log.txt block.
Outcome MoveRun::openLog() {
  log_ = std::make_unique<startup::LogFile>(form_.dbpath);
  res_ = std::make_unique<resources::ResourceRun>(*log_, form_.dbpath);
  res_->debug = form_.commandLine.trimmed().compare(QLatin1String("/DEBUG"), Qt::CaseInsensitive) == 0;
  res_->LOG_TAB = [this](const QString& c, const QString& m) { host_.logTab(c, m); };
  res_->status = [this](const QString& t) { status(t); };
  line(QStringLiteral("Moving User: ") + user_);
  sh().Step_Detail = QStringLiteral("Error Getting Users Details, Check PDC/Network Connection");
  sh().Step_Text = QStringLiteral("Error Getting ") + user_ + QStringLiteral(" details.");
  if (!form_.loadError.isEmpty()) {
    sh().Step_Detail = sh().Step_Text = form_.loadError;
    return Outcome::Failed;
  }
  return Outcome::Done;
}

// 4: the account.
Outcome MoveRun::bind() {
  adsi::Directory* dir = directory::directory();
  if (!dir) return fail(adsi::Error{});
  const QString path = nt() ? QStringLiteral("WinNT://") + sh().Domain_Name + u'/' + user_ : user_;
  auto bound = dir->GetObject(path);
  if (!bound) return fail(bound.error());
  account_ = *bound;
  const auto text = [this](const char* attribute) {
    auto v = account_.Get(QString::fromLatin1(attribute));
    return v ? v->toString().trimmed() : QString();
  };
  if (!nt()) {
    first_ = text("givenName");
    middle_ = text("initials");
    last_ = text("sn");
  }
  return Outcome::Done;
}

Outcome MoveRun::cancelled(const QStringList& lines, const QString& statusText) {
  account_ = adsi::AdsObject();
  for (const QString& l : lines) line(l);
  log_->close();
  status(statusText);
  return Outcome::Stopped;
}

// 5: the old folders must be there before data is moved or copied.
Outcome MoveRun::oldPaths() {
  if (form_.dataOption == 0) return Outcome::Done;
  const auto text = [this](const char* attribute) {
    auto v = account_.Get(QString::fromLatin1(attribute));
    return v ? v->toString().trimmed() : QString();
  };
  oldHome_.path = text("HomeDirectory");
  oldProfile_.path = text("Profile");
  const struct {
    const QString& path;
    const char* logLine;
    const char* question;
  } parts[] = {
      {oldHome_.path, "Cannot Find Users Home Directory", "Cannot find Users Existing Home Dir"},
      {oldProfile_.path, "Cannot find users profile Directory", "Cannot find Users Existing Profile Dir"}};
  for (const auto& p : parts) {
    if (p.path.isEmpty() || resources::Dir_Exists(p.path)) continue;
    line(QString::fromLatin1(p.logLine));
    const bool yes =
        !form_.noPrompt &&
        ui::prompter().MsgBox(QString::fromLatin1(p.question) + u'\n' + p.path + u'\n' +
                                  QStringLiteral("Do you want to continue ?"),
                              ui::kStyleYesNoQuestion, QStringLiteral("Warning...")) == ui::MsgBoxResult::Yes;
    if (!yes) return cancelled({QStringLiteral("Move Cancelled")}, QStringLiteral("Move Cancelled"));
  }
  return Outcome::Done;
}

// 6: in Active Directory the account is named by its logon name from here on.
Outcome MoveRun::accountName() {
  if (nt()) return Outcome::Done;
  line(QStringLiteral("Getting SamAccountName"));
  savedPath_ = user_;
  auto v = account_.Get(QStringLiteral("sAMAccountName"));
  if (!v) return fail(v.error());
  name_ = v->toString();
  user_ = name_;
  return Outcome::Done;
}

// 7: the new paths and share names, profile first, then home.
Outcome MoveRun::newPaths() {
  const auto expand = [this](const QString& field, bool server) {
    QString p = field.trimmed();
    if (server) startup::FRString(p, QStringLiteral("%Server%"), form_.server);
    startup::FRString(p, QStringLiteral("%UserName%"), name_);
    return p;
  };
  const auto fill = [&](NewPart& part, const QString& local, const QString& unc, const QString& share) {
    part.configured = !local.trimmed().isEmpty();
    if (part.configured) {
      part.local = expand(local, true);
      part.admin =
          QStringLiteral("\\\\") + form_.server + u'\\' + part.local.left(1) + u'$' + part.local.mid(2);
    }
    part.unc = expand(unc, true);
    part.share = expand(share, false);
  };
  fill(profile_, form_.profileLocal, form_.profileUnc, form_.profileShareName);
  fill(home_, form_.homeLocal, form_.homeUnc, form_.homeShareName);
  return Outcome::Done;
}

Outcome MoveRun::makeFolder(NewPart& part, bool home) {
  if (!part.configured) return Outcome::Done;
  const QString what = home ? QStringLiteral("Home") : QStringLiteral("Profile");
  if (files::exists(part.admin)) {
    const bool yes =
        !form_.noPrompt &&
        ui::prompter().MsgBox(what + QStringLiteral(" Dir ") + QStringLiteral(" Already Exist ") +
                                  QStringLiteral("\r\nContinue ?"),
                              ui::kStyleYesNoQuestion,
                              QStringLiteral("Error Creating Dir")) == ui::MsgBoxResult::Yes;
    if (yes) return Outcome::Done;
    status(QStringLiteral("Process Cancelled..."));
    return cancelled({what + QStringLiteral(" Directory ") + QStringLiteral(" Already Exist "),
                      home ? QStringLiteral("User move cancelled.") : QStringLiteral("User cancelled move.")},
                     QStringLiteral("Process Cancelled..."));
  }
  if (part.local.isEmpty()) return Outcome::Done;
  sh().Step_Detail =
      (home ? QStringLiteral("Error Creating Home dir :") : QStringLiteral("Error Creating Profile dir :")) +
      part.admin;
  sh().Step_Text = home ? QStringLiteral("Error Home Profile Directory.")
                        : QStringLiteral("Error creating Profile Directory.");
  adsi::Status made = files::createDirectory(part.admin);
  dirMade_ = true;
  if (!made) return fail(made.error());
  line((home ? QStringLiteral("Created New Home Dir: ") : QStringLiteral("Created New Profile Dir :")) +
       part.admin);
  return Outcome::Done;
}

// 8: the new folders, one level each.
Outcome MoveRun::directories() {
  status(QStringLiteral("Creating Dirs..."));
  if (Outcome o = makeFolder(home_, true); o != Outcome::Done) return o;
  return makeFolder(profile_, false);
}

// 9: the new shares.
Outcome MoveRun::shares() {
  sh().Step_Detail = QStringLiteral("Error1 ");
  sh().Step_Text = QStringLiteral("Error1.");
  const auto make = [this](NewPart& part, const QString& configuredName, const char* remark, const char* made,
                           const char* failed) {
    if (configuredName.trimmed().isEmpty()) return;
    part.shareResult = resources::Create_Share_502(form_.server, part.share, part.local,
                                                   QString::fromLatin1(remark), name_, *res_);
    if (part.shareResult == resources::kShareWithList)
      line(QString::fromLatin1(made) + part.share);
    else
      warn(QString::fromLatin1(failed) + part.share);
  };
  make(profile_, form_.profileShareName, "Users Profile Share",
       "Creating Profile Share: ", "Error Creating Profile Share: ");
  make(home_, form_.homeShareName, "Users Home Share",
       "Creating Home Share: ", "Error Creating Home Share: ");
  return Outcome::Done;
}

// 10: the new folders' permissions.
Outcome MoveRun::permissions() {
  status(QStringLiteral("Setting Dir Permisions"));
  const QString dc = resources::Get_DC_Name(QString(), sh().Domain_Name);
  if (home_.configured) resources::Set_Permissions(dc, home_.admin, name_, *res_);
  if (profile_.configured) resources::Set_Permissions(dc, profile_.admin, name_, *res_);
  if (res_->warned) warned_ = true;
  return Outcome::Done;
}

// 12: the account's new paths, before any old data or share is touched.
Outcome MoveRun::settings() {
  status(QStringLiteral("Changing User Settings"));
  sh().Step_Detail = sh().Step_Text = QStringLiteral("Error Setting User Details, Can't find Domain PDC..");
  // The profile cut of an NT account keeps the full new path for the account.
  if (form_.dataOption != 0 && profile_.configured && form_.profileDeleteName && nt()) {
    const QString cut = resources::Parent_Path(profile_.unc, name_);
    if (!cut.isEmpty() && cut.size() < profile_.unc.size()) {
      fullNewProfile_ = profile_.unc;
      profile_.unc = cut;
    }
  }
  // A template without a home path leaves the account's home folder and drive alone.
  if (!home_.unc.isEmpty()) {
    if (adsi::Status s = account_.Put(QStringLiteral("HomeDirectory"), home_.unc); !s) return fail(s.error());
    if (!form_.homeDrive.isEmpty())
      if (adsi::Status s = account_.Put(nt() ? QStringLiteral("HomeDirDrive") : QStringLiteral("HomeDrive"),
                                        form_.homeDrive);
          !s)
        return fail(s.error());
  }
  if (form_.changeLogon) {
    if (!form_.logonScript.isEmpty())
      if (adsi::Status s = account_.Put(QStringLiteral("LoginScript"), form_.logonScript); !s)
        return fail(s.error());
    line(QStringLiteral("Changed Logon Script"));
  }
  if (!profile_.unc.isEmpty()) {
    const QString value = fullNewProfile_.isEmpty() ? profile_.unc : fullNewProfile_;
    if (adsi::Status s = account_.Put(QStringLiteral("Profile"), value); !s) return fail(s.error());
  }
  if (adsi::Status s = account_.SetInfo(); !s) {
    line(QStringLiteral("The account keeps its old paths; no data was moved or copied."));
    return fail(s.error());
  }
  return Outcome::Done;
}

void MoveRun::transfer(OldPart& old, NewPart& part, bool profile) {
  const QString Part = profile ? QStringLiteral("Profile") : QStringLiteral("Home");
  if (old.path.compare(part.unc, Qt::CaseInsensitive) == 0) {
    line(Part + QStringLiteral(" already at ") + part.unc);
    return;
  }
  // Only a folder that is evidently the user's own is moved or removed: not a common share's
  // root, not a drive root, not a folder above other accounts' folders.
  const bool sub = resources::Is_Sub_Dir(old.path);
  const QString shareLocal = sub ? QString() : resources::Get_Share_Local_Path(old.path);
  const bool driveRoot = !sub && shareLocal.size() <= 3;
  const bool own = isOwnMoveFolder(old.path, name_) || (!sub && isOwnMoveFolder(shareLocal, name_));
  // A folder that holds the other part's folder is not moved as a whole either.
  const QString& other = profile ? oldHome_.path : oldProfile_.path;
  const bool holdsOther = !other.isEmpty() && (other.compare(old.path, Qt::CaseInsensitive) == 0 ||
                                               other.startsWith(old.path + u'\\', Qt::CaseInsensitive));
  if (!own || driveRoot || holdsOther) {
    warn(QStringLiteral("Not moving ") + Part + QStringLiteral(" data from ") + old.path +
         (holdsOther ? QStringLiteral(": it holds the user's other folder")
                     : QStringLiteral(": it is not the user's own folder")));
    return;
  }
  const bool move = form_.dataOption == resources::FO_MOVE;
  if (part.shareResult == resources::kShareNotCreated) {
    form_.dataOption = resources::FO_COPY;
    line(profile ? QStringLiteral("Could Not copy Profile because the New Profile Share was not created...")
                 : QStringLiteral("Could Not copy Home because the New Home Share was not created..."));
    warn(profile ? QStringLiteral("Not removing any profile shares or deleting Dirs.")
                 : QStringLiteral("Not removing any home shares or deleting Dirs."));
  } else if (resources::Dir_Exists(old.path)) {
    resources::BulkPromptOptions prompts;
    prompts.No_Prompt = form_.noPrompt ? 1 : 0;
    old.copied = resources::File_Operation(old.path + QStringLiteral("\\*.*"), part.unc,
                                           static_cast<int16_t>(form_.dataOption), prompts);
  } else {
    warn(QStringLiteral("Could not find: ") + old.path + QStringLiteral(" For copying."));
  }
  const QString Dir = profile ? QStringLiteral("Profile Dir ") : QStringLiteral("Home Dir ");
  if (!old.copied)
    warn(QStringLiteral("Error Copying ") + Dir + old.path + QStringLiteral(" to ") + part.unc);
  else if (form_.dataOption == resources::FO_COPY)
    line((profile ? QStringLiteral("Profile Copied from ") : QStringLiteral("Home Dir Copied from ")) +
         old.path + QStringLiteral(" to ") + part.unc);
  else
    line((profile ? QStringLiteral("Profile moved from ") : QStringLiteral("Home Dir moved from ")) +
         old.path + QStringLiteral(" to ") + part.unc);
  if (!move || form_.dataOption != resources::FO_MOVE) return;

  // The old folder's administrative path is taken while its share still exists.
  const QString oldAdmin = resources::Get_Share_Path(old.path, sub);
  // The old share goes only after its data moved.
  bool shareGone = false;
  const bool otherPartOnShare = profile && resources::Same_Share(oldProfile_.path, oldHome_.path);
  if (old.copied && !sub && !otherPartOnShare && part.shareResult == resources::kShareWithList) {
    shareGone = resources::Delete_Share(old.path);
    if (shareGone)
      line(QStringLiteral("Deleted Share: ") + old.path);
    else
      warn(QStringLiteral("Error Deleting Share: ") + old.path);
  }
  if (old.copied && !oldAdmin.isEmpty()) {
    // Only a folder the move emptied and no share publishes any more is removed; anything left
    // in it stays.
    auto left = files::list(oldAdmin);
    if ((sub || shareGone) && left && left->isEmpty())
      if (auto loc = files::resolve(oldAdmin)) files::deleteTree(*loc);
  }
  const QString deleted =
      profile ? QStringLiteral("Deleted Profile Dir: ") : QStringLiteral("Deleted Home Dir: ");
  if (!oldAdmin.isEmpty() && !files::exists(oldAdmin))
    line(deleted + oldAdmin);
  else if (old.copied)
    warn((profile ? QStringLiteral("Unable to Delete Profile Dir: ")
                  : QStringLiteral("Unable to Delete Home Dir: ")) +
         oldAdmin);
  else
    warn(
        (profile ? QStringLiteral("Not Deleting Profile Dir: ") : QStringLiteral("Not Deleting Home Dir: ")) +
        oldAdmin + QStringLiteral(" Due to error copying data"));
}

// 11: the data, after the account points at its new folders.
Outcome MoveRun::data() {
  if (form_.dataOption == 0) return Outcome::Done;
  status(form_.dataOption == resources::FO_COPY ? QStringLiteral("Copying Data")
                                                : QStringLiteral("Moving Data"));
  bool movable = !oldProfile_.path.isEmpty();
  if (movable)
    movable =
        resources::Check_Contains(oldProfile_.path, QStringLiteral("%LOGONSERVER%"),
                                  QStringLiteral("Unable to Move Profile From %LOGONSERVER%."), *res_) &&
        resources::Check_Contains(oldProfile_.path, QStringLiteral("NETLOGON"),
                                  QStringLiteral("Unable to Move Profile From NETLOGON directory."), *res_);
  if (!oldProfile_.path.isEmpty() && !movable) warned_ = true;
  if (movable && oldProfile_.path.endsWith(QLatin1String(".man"), Qt::CaseInsensitive)) {
    warn(QStringLiteral("Unable to Move Mandatory Profiles."));
    movable = false;
  }
  if (profile_.configured && movable) {
    if (form_.profileDeleteName && nt()) {
      // Cut after the user's own folder, matched as a whole component.
      const QString cut = resources::Parent_Path(oldProfile_.path, name_);
      if (!cut.isEmpty()) oldProfile_.path = cut;
    }
    transfer(oldProfile_, profile_, true);
  }
  status(QStringLiteral("Moving Data"));
  if (home_.configured && !oldHome_.path.isEmpty()) transfer(oldHome_, home_, false);
  return Outcome::Done;
}

// 13: the template's groups.
Outcome MoveRun::groups() {
  status(QStringLiteral("Adding User to Groups"));
  if (form_.addToGroups) {
    adsi::Directory* dir = directory::directory();
    for (const MoveForm::Group& g : form_.groups) {
      const QString groupPath = nt() ? QStringLiteral("WinNT://") + sh().Domain_Name + u'/' + g.text : g.key;
      const QString member = nt() ? QStringLiteral("WinNT://") + sh().Domain_Name + u'/' + name_ : savedPath_;
      auto group = dir ? dir->GetObject(groupPath) : adsi::Result<adsi::AdsObject>(adsi::Error{});
      if (!group || !group->Add(member)) warn(QStringLiteral("Unable to add user to group: ") + g.text);
    }
    line(QStringLiteral("Added user to Groups"));
  }
  line(QStringLiteral("Change User Manager Settings"));
  return Outcome::Done;
}

// 14: the site's command, with its values put into each argument on its own.
Outcome MoveRun::command() {
  sh().Step_Detail = sh().Step_Text = QStringLiteral("Error Running File: ");
  if (!form_.runCommand) return Outcome::Done;
  status(QStringLiteral("Running Command"));
  if (form_.moveScript.trimmed().isEmpty()) return Outcome::Done;
  bool expansionFailed = false;
  const auto substitute = [&](const QString& argument) {
    QString a = argument;
    startup::FRString(a, QStringLiteral("%Domain%"), sh().Domain_Name);
    startup::FRString(a, QStringLiteral("%NTServer%"), form_.server);
    startup::FRString(a, QStringLiteral("%UserName%"), name_);
    startup::FRString(a, QStringLiteral("%EXServer%"), form_.exServer);
    startup::FRString(a, QStringLiteral("%EXSite%"), form_.exSite);
    startup::FRString(a, QStringLiteral("%EXorg%"), form_.exOrg);
    const format::Expanded e = format::UserName(a, first_, middle_, last_);
    if (!e.ok()) expansionFailed = true;
    a = e.text;
    format::Replace_Variables(a);
    return a;
  };
  const QStringList arguments = process::expandArguments(form_.moveScript, substitute);
  QStringList shown;
  for (const QString& a : arguments) shown << process::quoteArgument(a);
  const QString cmd = shown.join(u' ');
  sh().Step_Detail = sh().Step_Text = QStringLiteral("Error Running File: ") + cmd;
  if (expansionFailed || arguments.isEmpty()) return fail(adsi::Error{});
  line((form_.hideCommand ? QStringLiteral("Running Script (Hidden Mode): ")
                          : QStringLiteral("Running Script: ")) +
       cmd);
  const process::SpawnResult r =
      resources::Shell_Object().Spawn(arguments, form_.waitForCommand, form_.hideCommand ? 0 : 1, log_.get());
  using O = process::SpawnResult::Outcome;
  if (!(r.outcome == O::Started || (r.outcome == O::Exited && r.exitCode == 0)))
    warn(QStringLiteral("Error Running File: ") + cmd);
  return Outcome::Done;
}

// 15: the end; YELLOW when any step logged an error.
Outcome MoveRun::end() {
  line(QStringLiteral("User Moved Completed"));
  log_->close();
  host_.logTab(warned_ ? QStringLiteral("YELLOW") : QStringLiteral("GREEN"),
               QStringLiteral(" ") + name_ +
                   (warned_ ? QStringLiteral(" Moved - had errors") : QStringLiteral(" Moved")));
  status(QStringLiteral("User ") + name_ + QStringLiteral(" has been moved."));
  account_ = adsi::AdsObject();
  host_.clear();
  finished_ = true;
  return Outcome::Done;
}

void MoveRun::errorPath() {
  line(sh().Step_Detail);
  line(QStringLiteral("Move User Ended with Error"));
  line(QStringLiteral("Error Number: ") + QString::number(errorNumber_));
  if (log_) log_->close();
  account_ = adsi::AdsObject();
  ui::feedback().beep();
  host_.logTab(QStringLiteral("RED"), QStringLiteral(" Error Moving User ") + name_);
  status(sh().Step_Text);
  host_.clear();
}

}  // namespace

bool isOwnMoveFolder(const QString& path, const QString& account) {
  return namesAccount(lastComponent(path), account);
}

bool loadMoveForm(const QString& dbpath, const QString& siteName, const QString& templateName, MoveForm& form,
                  QString* error) {
  const records::DatabaseFolder db(dbpath);
  auto tmpl = records::scanRecords<records::Template_Record>(
      db, records::names::Template, [&](const records::Template_Record& r) {
        return !r.Deleted && records::sameNameExact(r.Name, templateName);
      });
  if (!tmpl || !tmpl->match) {
    if (error) *error = tmpl ? QStringLiteral("Template not found: ") + templateName : tmpl.message();
    return false;
  }
  auto site = records::scanRecords<records::Site_Record>(
      db, records::names::Site, [&](const records::Site_Record& r) {
        return !r.Deleted && records::sameNameTrimmed(r.SiteName, siteName);
      });
  if (!site || !site->match) {
    if (error) *error = site ? QStringLiteral("Site not found: ") + siteName : site.message();
    return false;
  }
  const records::Template_Record& t = *tmpl->lastRead;
  const records::Site_Record& r = *site->lastRead;
  form.dbpath = dbpath;
  form.server = r.HomeServer.trimmed();
  form.exServer = r.ExchangeServer.trimmed();
  form.exSite = r.ExchSite.trimmed();
  form.exOrg = r.ExchOrg.trimmed();
  form.profileLocal = t.ProfileDirLocal.trimmed();
  form.homeLocal = t.HomeDirLocal.trimmed();
  form.profileUnc = t.ProfileShareUNC.trimmed();
  form.homeUnc = t.HomeShareUNC.trimmed();
  form.profileShareName = t.ProfileShareName.trimmed();
  form.homeShareName = t.HomeShareName.trimmed();
  form.homeDrive = t.HomeDrive.trimmed();
  form.logonScript = t.LogonScript.trimmed();
  form.groups.clear();
  for (int i = 0; i < t.GroupCount && i < records::Template_Record::GroupSlots; ++i) {
    const QString name = t.Groups[size_t(i)].trimmed();
    if (name.isEmpty()) continue;
    QString key;
    for (const ListItem& g : catalogue().groups.items())
      if (g.text == name) key = g.key;
    form.groups.append({name, key});
  }
  return true;
}

bool Move_One_User(QString& User, MoveHost& host, MoveResult* result) {
  MoveRun run(User, host);
  return run.run(result);
}

}  // namespace tavrel::bulk
