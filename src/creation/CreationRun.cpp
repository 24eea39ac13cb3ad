#include "creation/CreationRun.h"

#include "directory/DirectoryService.h"
#include "directory/DomainKeys.h"
#include "directory/GroupMembership.h"
#include "directory/UpnSearch.h"
#include "directory/UserEditor.h"
#include "format/NameFields.h"
#include "format/UserName.h"
#include "format/Variables.h"
#include "platform/adsi/AdoSearch.h"
#include "platform/adsi/Batch.h"
#include "platform/adsi/Dn.h"
#include "platform/adsi/WorkUnit.h"
#include "platform/files/FileSystem.h"
#include "platform/process/Process.h"
#include "platform/search/Filter.h"
#include "platform/text/Cp1252.h"
#include "resources/DcLookup.h"
#include "resources/DirPermissions.h"
#include "resources/ResourceRun.h"
#include "resources/RunMemo.h"
#include "resources/Shares.h"
#include "resources/Shell.h"
#include "resources/WtsSettings.h"
#include "startup/FRString.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <algorithm>
#include <QElapsedTimer>
#include <QFile>

namespace tavrel::creation {

using format::Expanded;
using format::Replace_Variables;
using format::Reverse_Password;
using format::UserName;
namespace {

constexpr int kMaxIdLength = 20;
constexpr quint32 kAlreadyExists = 0x80071392u;
constexpr qint32 kCantChangePassword = 0x40;
constexpr qint32 kPasswordNeverExpires = 0x10000;
constexpr qint32 kPasswordNotRequired = 0x20;
// The characters neither domain kind takes in an account name; NT also refuses ".".
const QString kRejected = QStringLiteral(",<>?/\\*[]{};:'\"|=+");

auto& sh() {
  return state::shared();
}
bool ntMode() {
  return sh().Directory_Mode == 2;
}
QString trimmed(const QString& s) {
  return text::trimBlanks(s);
}
qint32 errorNumber(const adsi::Error& e) {
  return static_cast<qint32>(e.code);
}

// The counter's largest value: the counter tokens give at least 1, 2 or 3 digits, never at most,
// so the counter runs to the end of its 16-bit range (the ID's length ends it sooner).
constexpr int kCounterLimit = 32767;

// Why an account-expiry text is refused, with the forms a date is written in.
QString notADate(const QString& text) {
  const QDateTime example(QDate(2027, 12, 31), QTime(0, 0));
  return QStringLiteral("\"") + text + QStringLiteral("\" is not a date; write it as ") +
         directory::expiryText(example) + QStringLiteral(" or ") + example.date().toString(Qt::ISODate);
}

// The part of an expansion the run can use: its text, or "" with the reason logged by the caller.
QString expanded(const Expanded& e) {
  return e.ok() ? e.text : QString();
}

}  // namespace

CreationRun::CreationRun(RunHost& host) : host_(host) {}
CreationRun::~CreationRun() = default;

namespace {

// The container an import's users go into, bound once while the import runs (adsi::Batch).
adsi::Result<adsi::AdsObject> boundContainer(adsi::Directory& dir, const QString& key) {
  struct Kept {
    quint64 batch = 0;
    QString key;
    adsi::AdsObject container;
  };
  static Kept kept;
  const quint64 batch = adsi::Batch::current();
  if (batch != 0 && kept.batch == batch && kept.key == key && !kept.container.isNull()) return kept.container;
  auto container = dir.GetObject(QStringLiteral("LDAP://") + key);
  if (container && batch != 0) {
    if (kept.batch != batch) adsi::Batch::atEnd([] { kept = Kept{}; });
    kept = Kept{batch, key, *container};
  }
  return container;
}

}  // namespace

adsi::Result<adsi::AdsObject> CreationRun::boundUser() {
  if (!s_.user.isNull()) return s_.user;
  auto dir = directory::requireDirectory();
  if (!dir) return dir.error();
  return (*dir)->GetObject(s_.userPath);
}

QString CreationRun::invalidCharacters(const QString& id, bool nt) {
  QString found;
  for (const QChar c : id)
    if (kRejected.contains(c) || (nt && c == u'.') || c.unicode() < 0x20) found += c;
  // A name may not end in a full stop (in NT mode every one is refused above).
  if (!nt && id.endsWith(u'.') && !found.contains(u'.')) found += u'.';
  return found;
}

void CreationRun::line(const QString& text) {
  if (log_) log_->line(text);
}

bool CreationRun::debug() const {
  return f_.commandLine.trimmed().toUpper() == QLatin1String("/DEBUG");
}

QString CreationRun::importTokens(QString text) const {
  // The fields of the import line stand for their tokens only while an import runs.
  if (!sh().Import_Mode) return text;
  const int count = std::max(0, std::min(int(sh().Import_Field_Count), int(sh().ImportField.size()) - 1));
  for (int k = 1; k <= count; ++k)
    startup::FRString(text, QStringLiteral("%IMPORT") + QString::number(k) + u'%', sh().ImportField[k]);
  return text;
}

void CreationRun::CreateUser_Click() {
  triedIds_.clear();
  while (attempt() == Attempt::Retry) {
  }
}

// --- the frame ---

CreationRun::Attempt CreationRun::attempt() {
  // 1. Reset.
  for (Mark m : {Mark::Createdirs, Mark::Sharedirs, Mark::Security, Mark::UserAccount, Mark::MailAccount, Mark::run})
    host_.setMark(m, MarkState::Blank);
  s_ = RunState();
  log_.reset();
  QElapsedTimer clock;
  clock.start();

  // 2, 3. The tree's selection and the checks of the choices.
  host_.defaultTreeSelection();
  f_ = host_.read();
  if (!selectionChecks()) return Attempt::Finished;

  // 4. Start, on freshly loaded template and site fields.
  host_.setBusy(true);
  host_.setProgress(0);
  host_.setStatus(QStringLiteral("Creating User...."));
  host_.setProgress(5);
  host_.setProgressText(QStringLiteral("Initalizing..."));
  host_.loadTemplateAndSite();

  // 5, 6. The names capitalised, the ID from the format when none is given.
  host_.capitaliseNames();
  f_ = host_.read();
  if (trimmed(f_.userIdBox).isEmpty()) {
    const Expanded id = UserName(f_.idFormat, trimmed(f_.first), trimmed(f_.middle), trimmed(f_.last));
    host_.setUserIdBox(expanded(id));
    f_.userIdBox = expanded(id);
  }
  s_.New_User_ID = trimmed(f_.userIdBox);
  if (!idChecks()) return Attempt::Finished;

  // 10. The ID must be free; another one is tried when the formats allow it.
  if (f_.createAccount) {
    QString why;
    switch (User_Exist(s_.New_User_ID, &why)) {
      case Existence::Free:
        break;
      case Existence::Taken:
        host_.logTab(QStringLiteral("RED"), QStringLiteral(" User Name ") + s_.New_User_ID + QStringLiteral(" already exist"));
        return retryOrGiveUp();
      case Existence::Unknown:
        line(QStringLiteral("Could not check whether the User Name exists: ") + why);
        host_.logTab(QStringLiteral("RED"),
                     QStringLiteral(" Could not check whether User Name ") + s_.New_User_ID + QStringLiteral(" exists"));
        endEarly(QStringLiteral("Ready."));
        return Attempt::Finished;
    }
  }

  // 11. Preparation.
  for (auto [name, value] : {std::pair{QStringLiteral("ImportGroupsStart"), &s_.Import_Groups_Start},
                             std::pair{QStringLiteral("ImportGroupsFinish"), &s_.Import_Groups_Finish}}) {
    QString data;
    if (state::reg().Read_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey(QStringLiteral("Setup")), name, data))
      *value = data;
  }
  sh().AltIdTried = false;
  sh().CounterUsed = false;

  // 12 .. 21. The steps, in their order; a gate decides whether a step runs.
  struct Step {
    const char* name;
    std::function<bool()> gate;
    Outcome (CreationRun::*run)();
  };
  const QList<Step> steps{
      {"Account name", [] { return true; }, &CreationRun::accountName},
      {"Paths", [] { return true; }, &CreationRun::buildPaths},
      {"Domain controller", [] { return true; }, &CreationRun::findDomainController},
      {"Directories", [this] { return f_.createDirs; }, &CreationRun::createDirectories},
      {"Account", [this] { return f_.createAccount; }, &CreationRun::createAccount},
      {"Groups", [this] { return f_.createAccount; }, &CreationRun::addGroups},
      {"Attribute rows", [this] { return f_.createAccount && !ntMode(); }, &CreationRun::attributeRows},
      {"Primary group", [this] { return f_.createAccount; }, &CreationRun::setPrimaryGroup},
      {"Shares", [this] { return f_.createShares; }, &CreationRun::createShares},
      {"Terminal Services", [] { return true; }, &CreationRun::terminalServices},
      {"Directory permissions", [this] { return f_.dirSecurity; }, &CreationRun::directoryPermissions},
      {"Mailbox", [this] { return f_.createMail; }, &CreationRun::createMailbox},
      {"Tree node", [this] { return f_.createAccount; }, &CreationRun::addTreeNode},
      {"Command", [this] { return f_.runCommand; }, &CreationRun::runCommand},
  };
  s_.stepTimes.append({QStringLiteral("Checks"), clock.nsecsElapsed()});
  // The permission lists, the controller's name and the accounts they name are read once for all
  // the steps; so are the groups the account joins (its primary group among them) and the domain
  // facts a batch keeps.
  const resources::RunMemo memo;
  const adsi::Batch batch;
  // The directory steps are one unit of work (one transaction where the back end allows it), which
  // ends before the command, since that runs another program that may look for the user.
  std::optional<adsi::WorkUnit> unit(std::in_place);
  for (const Step& step : steps) {
    if (QLatin1String(step.name) == QLatin1String("Command")) unit.reset();
    if (step.gate()) {
      clock.restart();
      const Outcome outcome = (this->*step.run)();
      s_.stepTimes.append({QString::fromLatin1(step.name), clock.nsecsElapsed()});
      switch (outcome) {
        case Outcome::Done:
        case Outcome::Warned:
          break;
        case Outcome::Failed:
          errorBlock();
          return Attempt::Finished;
        case Outcome::Stopped:
          return Attempt::Finished;
      }
    }
    // The progress the steps leave, whether they ran or not.
    if (QLatin1String(step.name) == QLatin1String("Directories")) host_.setProgress(25);
    if (QLatin1String(step.name) == QLatin1String("Directory permissions") && f_.createMail) host_.setProgress(75);
    if (QLatin1String(step.name) == QLatin1String("Mailbox")) host_.setProgress(90);
    if (QLatin1String(step.name) == QLatin1String("Primary group") && f_.createAccount) {
      host_.setProgress(45);
      host_.setMark(Mark::UserAccount, MarkState::Completed);
    }
  }
  endOfRun();
  return Attempt::Finished;
}

bool CreationRun::selectionChecks() {
  const QString image = f_.node ? f_.node->image : QString();
  const QString copyMessage = QStringLiteral("You must select a User in the treeview to create this user") +
                              QStringLiteral("\r\n") + QStringLiteral("or turn off the copy user function.");
  const bool noChoice = f_.templateName.isEmpty() || f_.siteName.isEmpty();
  QString refused;
  if (!ntMode()) {
    if (f_.copyUser && image == QLatin1String("OU"))
      refused = copyMessage;
    else if (noChoice || (!f_.copyUser && image != QLatin1String("OU")))
      refused = QStringLiteral("You must select a Template,Site & OU in the treeview to create this user");
    else if (f_.copyUser && image != QLatin1String("USER"))
      refused = copyMessage;  // only a user can be copied
  } else if (noChoice) {
    refused = QStringLiteral("Must Select a Template & Site.");
  } else if (f_.copyUser && image != QLatin1String("USER")) {
    refused = copyMessage;
  }
  if (refused.isEmpty()) return true;
  sh().Op_Status =
      static_cast<int32_t>(ui::prompter().MsgBox(refused, ui::kStyleCritical, QStringLiteral("Can't Create User")));
  return false;
}

bool CreationRun::idChecks() {
  // 7. Length.
  if (s_.New_User_ID.isEmpty() || s_.New_User_ID.size() > kMaxIdLength) {
    host_.setBusy(false);
    if (sh().Import_Mode) return false;
    host_.setStatus(QStringLiteral("UserID Is too long or too Short, 1-20 chrs"));
    ui::feedback().beep();
    host_.setProgress(0);
    host_.setProgressText(QString());
    return false;
  }
  // 8. The run's block in Log.txt.
  sh().Op_Status = 0;
  log_ = std::make_unique<startup::LogFile>(f_.dbpath);
  line(QStringLiteral("Creating User:") + s_.New_User_ID);
  line(QStringLiteral("Site: ") + f_.siteName);
  line(QStringLiteral("Template: ") + f_.templateName);
  // 9. Characters.
  const QString bad = invalidCharacters(s_.New_User_ID, ntMode());
  if (bad.isEmpty()) return true;
  for (const QChar c : bad) line(QStringLiteral("Invalid Character in User Name: ") + c);
  sh().Op_Status = 1;
  ui::feedback().beep();
  endEarly(QStringLiteral("User Name Invalid..."));
  return false;
}

CreationRun::Existence CreationRun::User_Exist(const QString& id, QString* why) {
  auto dir = directory::requireDirectory();
  if (!dir) {
    *why = dir.error().message;
    return Existence::Unknown;
  }
  if (ntMode()) {
    auto found = (*dir)->GetObject(QStringLiteral("WinNT://") + sh().Domain_Name + u'/' + id);
    if (found) return Existence::Taken;
    const quint32 code = found.error().code;
    if (code == adsi::hr::UNKNOWN_OBJECT || code == adsi::hr::USER_NOT_FOUND || code == adsi::hr::GROUP_NOT_FOUND ||
        code == adsi::hr::NO_SUCH_OBJECT)
      return Existence::Free;
    *why = found.error().message;
    return Existence::Unknown;
  }
  // Active Directory: the logon name anywhere in the domain, and the name in the target container.
  adsi::AdoConnection connection(**dir);
  if (adsi::Status s = connection.Open(QStringLiteral("Active Directory Provider")); !s) {
    *why = s.error().message;
    return Existence::Unknown;
  }
  auto rs = connection.Execute(QStringLiteral("<LDAP://") + sh().Domain_Name + QStringLiteral(">;(sAMAccountName=") +
                               search::escapeFilterValue(id) + QStringLiteral(");ADsPath;subtree"));
  if (!rs) {
    *why = rs.error().message;
    return Existence::Unknown;
  }
  if (!rs->EOF()) return Existence::Taken;
  const QString container = f_.node ? (f_.copyUser ? f_.node->parentKey : f_.node->key) : QString();
  if (container.isEmpty()) return Existence::Free;
  auto named = (*dir)->GetObject(QStringLiteral("LDAP://CN=") + adsi::escapeDnValue(id) + u',' + container);
  if (named) return Existence::Taken;
  return Existence::Free;
}

CreationRun::Attempt CreationRun::retryOrGiveUp() {
  auto& shared = sh();
  triedIds_ << s_.New_User_ID.toUpper();
  const auto giveUp = [&](const QString& logLine) {
    if (!logLine.isEmpty()) line(logLine);
    shared.AltIdTried = false;
    line(QStringLiteral("User : ") + s_.New_User_ID + QStringLiteral(" ") + QStringLiteral(" Already Exist "));
    endEarly(QStringLiteral("Ready."));
    return Attempt::Finished;
  };
  const auto retryWith = [&](const QString& format) {
    line(QStringLiteral("User ID ") + f_.userIdBox + QStringLiteral(" already exists"));
    const QString next = expanded(UserName(format, f_.first, f_.middle, f_.last));
    // A counter that has grown the ID past its length has no free ID left to give.
    if (shared.CounterUsed && trimmed(next).size() > kMaxIdLength) {
      const QString why =
          QStringLiteral("No free User ID: ") + next + QStringLiteral(" is longer than 20 characters");
      host_.logTab(QStringLiteral("RED"), u' ' + why);
      return giveUp(why);
    }
    host_.setUserIdBox(next);
    line(QStringLiteral("Changing User ID to ") + next);
    log_.reset();
    // The same ID again would be tried for ever: the chain ends instead.
    if (next.isEmpty() || triedIds_.contains(trimmed(next).toUpper())) {
      host_.logTab(QStringLiteral("RED"), QStringLiteral(" No free User ID for ") + s_.New_User_ID);
      shared.AltIdTried = false;
      host_.setStatus(QStringLiteral("Ready."));
      host_.setProgress(0);
      host_.setBusy(false);
      return Attempt::Finished;
    }
    return Attempt::Retry;
  };

  if (!shared.CounterUsed) {
    if (!shared.AltIdTried && !f_.altIdFormat.isEmpty()) {
      shared.AltIdTried = true;
      return retryWith(f_.altIdFormat);
    }
    // An import asks nothing: the line that made no user goes to Import.err there.
    if (!shared.Import_Mode) {
      ui::prompter().MsgBox(QStringLiteral("User ") + s_.New_User_ID + QStringLiteral(" Already Exist ") +
                                QStringLiteral("\r\n") + QStringLiteral("Change the UserID and Continue."),
                            ui::kStyleExclamation, QStringLiteral("User Exist"));
    }
    return giveUp({});
  }
  // A counter: the next value, as far as the 16-bit counter and the ID's length reach.
  const QString format = shared.AltIdTried ? f_.altIdFormat : f_.idFormat;
  if (shared.Id_Counter >= kCounterLimit) {
    host_.logTab(QStringLiteral("RED"), QStringLiteral(" No free User ID: the counter ran out at ") +
                                            QString::number(shared.Id_Counter));
    return giveUp(QStringLiteral("No free User ID: the counter ran out at ") + QString::number(shared.Id_Counter));
  }
  ++shared.Id_Counter;
  return retryWith(format);
}

// --- steps 12 to 15 ---

Outcome CreationRun::accountName() {
  s_.Account_Name = s_.New_User_ID;
  if (!f_.samAccountNaming || ntMode()) return Outcome::Done;
  for (const AttributeRow& row : f_.directoryRows) {
    if (row.name.toUpper() != QLatin1String("SAMACCOUNTNAME")) continue;
    QString value = row.value;
    Replace_Variables(value);
    value = expanded(UserName(value, f_.first, f_.middle, f_.last));
    startup::FRString(value, QStringLiteral("%Domain%"), sh().Domain_Name);
    value = trimmed(importTokens(value));
    if (value.isEmpty() || value.contains(u'%')) return Outcome::Done;
    // The logon name from the row must pass the rules the ID passed.
    const QString bad = invalidCharacters(value, false);
    if (value.size() > kMaxIdLength || !bad.isEmpty()) {
      sh().Step_Text = QStringLiteral("Error Creating Users Account...");
      sh().Step_Log_Text = QStringLiteral("Invalid account name from SAMACCOUNTNAME: ") + value;
      s_.Error_Stage = 1;
      return Outcome::Failed;
    }
    s_.Account_Name = value;
    return Outcome::Done;
  }
  return Outcome::Done;
}

Outcome CreationRun::buildPaths() {
  const QString server = trimmed(f_.server);
  const QString name = trimmed(s_.Account_Name);
  const auto path = [&](const QString& field) {
    QString p = trimmed(field);
    startup::FRString(p, QStringLiteral("%Server%"), server);
    startup::FRString(p, QStringLiteral("%UserName%"), name);
    return p;
  };
  QStringList unusable;
  const auto admin = [&](const QString& local, const char* what) {
    // D:\users\home\jsmith on FS1 is \\FS1\D$\users\home\jsmith.
    if (local.size() < 3 || local[1] != u':' || local[2] != u'\\') unusable << QString::fromLatin1(what);
    return QStringLiteral("\\\\") + server + u'\\' + local.left(1) + u'$' + local.mid(2);
  };
  if (!trimmed(f_.profileLocal).isEmpty()) {
    s_.Profile_Local = path(f_.profileLocal);
    s_.Profile_Admin = admin(s_.Profile_Local, "profile");
    s_.Profile_Path_Set = true;
  }
  if (!trimmed(f_.homeLocal).isEmpty()) {
    s_.Home_Local = path(f_.homeLocal);
    s_.Home_Admin = admin(s_.Home_Local, "home");
    s_.Home_Path_Set = true;
  }
  s_.Profile_UNC = path(f_.profileShare);
  s_.Home_UNC = path(f_.homeShare);
  host_.setProgress(10);
  if (!unusable.isEmpty())
    return warn(QStringLiteral("Paths"), QStringLiteral("the %1 directory is not a local path such as D:\\users\\%2")
                                             .arg(unusable.join(QStringLiteral(" and ")), name));
  return Outcome::Done;
}

Outcome CreationRun::findDomainController() {
  s_.PDC_Name = resources::Get_DC_Name(QString(), sh().NetBIOS_Domain).mid(2);
  if (trimmed(s_.PDC_Name).isEmpty()) {
    line(QStringLiteral("PDC not found"));
    line(QStringLiteral("Will use Server: ") + trimmed(f_.server) + QStringLiteral(" to lookup accounts."));
    s_.PDC_Name = trimmed(f_.server);
    return warn(QStringLiteral("Domain controller"), QStringLiteral("no domain controller of ") +
                                                         sh().NetBIOS_Domain + QStringLiteral(" was found"));
  }
  line(QStringLiteral("Locate PDC: ") + s_.PDC_Name);
  return Outcome::Done;
}

Outcome CreationRun::createFolder(const QString& adminPath, const QString& what, bool* createdNow) {
  const QString dir = what == QLatin1String("Home") ? QStringLiteral("Home Dir ") : QStringLiteral("Profile Dir ");
  // Made at once: a folder that is there already is refused without a change, and found so with
  // one look at the server rather than two.
  const adsi::Status made = files::createDirectory(adminPath);
  if (!made && made.error().code == files::err::ALREADY_EXISTS) {
    if (sh().Import_Mode) {
      // An import is not stopped by a question: the folder that is there is used.
      line(what + QStringLiteral(" Directory already exists, using it: ") + adminPath);
      return warn(QStringLiteral("Directories"), what + QStringLiteral(" directory already existed: ") + adminPath);
    }
    const ui::MsgBoxResult answer =
        ui::prompter().MsgBox(dir + QStringLiteral(" Already Exist ") + QStringLiteral("\r\n") + QStringLiteral("Continue ?"),
                              ui::kStyleYesNoQuestion, QStringLiteral("Error Creating Dir"));
    if (answer == ui::MsgBoxResult::Yes) return Outcome::Done;
    // No: the run ends; a home folder this run made is not left behind unsaid.
    if (s_.homeCreatedNow) {
      auto loc = files::resolve(s_.Home_Admin);
      const files::TreeResult removed = loc ? files::deleteTree(*loc) : files::TreeResult{loc.error(), false, 0};
      line(removed.status ? QStringLiteral("Removed Home Directory: ") + s_.Home_Admin
                          : QStringLiteral("Home Directory remains: ") + s_.Home_Admin);
    }
    endEarly(QString(), QStringLiteral("Progress"));
    return Outcome::Stopped;
  }
  const bool home = what == QLatin1String("Home");
  sh().Step_Text = home ? QStringLiteral("Error Creating Users Home Dir...") : QStringLiteral("Error Creating Users Profile Dir....");
  sh().Step_Log_Text = (home ? QStringLiteral("Error Creating Users Home Dir: ") : QStringLiteral("Error Creating Users Profile Dir: ")) +
                       adminPath;
  s_.Error_Stage = 2;
  if (!made) {
    s_.errorNumber = errorNumber(made.error());
    return Outcome::Failed;
  }
  *createdNow = true;
  line((home ? QStringLiteral("Created Home Directory: ") : QStringLiteral("Created Profile Directory: ")) + adminPath);
  return Outcome::Done;
}

Outcome CreationRun::createDirectories() {
  host_.setProgressText(QStringLiteral("Create Directories..."));
  Outcome result = Outcome::Done;
  const auto worse = [&](Outcome o) {
    if (o != Outcome::Done) result = o;
  };
  if (s_.Home_Path_Set) {
    const Outcome o = createFolder(s_.Home_Admin, QStringLiteral("Home"), &s_.homeCreatedNow);
    if (o == Outcome::Failed || o == Outcome::Stopped) return o;
    worse(o);
  }
  if (s_.Profile_Path_Set) {
    bool created = false;
    const Outcome o = createFolder(s_.Profile_Admin, QStringLiteral("Profile"), &created);
    if (o == Outcome::Failed || o == Outcome::Stopped) return o;
    worse(o);
  }
  host_.setMark(Mark::Createdirs, MarkState::Completed);
  return result;
}

// --- the account ---

QString CreationRun::expandedDescription() const {
  QString description = f_.description;
  Replace_Variables(description);
  return importTokens(description);
}

void CreationRun::prepareAccountValues() {
  // Description: the template's variables, then the import's fields (only while importing).
  QString description = expandedDescription();
  if (description.contains(QStringLiteral("%Description%"), Qt::CaseInsensitive)) description.clear();
  s_.description = description;
  // Password.
  QString password;
  if (!f_.formattedPassword || trimmed(f_.passwordFormat).isEmpty()) {
    password = f_.defaultPassword;
    startup::FRString(password, QStringLiteral("%UserName%"), s_.New_User_ID);
    if (!f_.formattedPassword) {
      password = importTokens(password);
      f_.expiryText = importTokens(f_.expiryText);
    }
  } else {
    QString format = f_.passwordFormat;
    startup::FRString(format, QStringLiteral("%UserName%"), s_.New_User_ID);
    password = expanded(UserName(format, f_.first, f_.middle, f_.last));
  }
  if (trimmed(password).toUpper() == QLatin1String("%USERNAMEB%")) password = Reverse_Password(s_.New_User_ID);
  s_.password = password;
  s_.Error_Stage = 1;
  s_.fullName = expanded(UserName(f_.fullNameFormat, trimmed(f_.first), trimmed(f_.middle), trimmed(f_.last)));
  sh().Step_Text = QStringLiteral("Error Creating Users Account...");
  sh().Step_Log_Text = QStringLiteral("Error Creating Users Account: ") + s_.New_User_ID;
}

Outcome CreationRun::createAccount() {
  host_.setProgressText(QStringLiteral("Create User Account"));
  prepareAccountValues();
  const Outcome o = ntMode() ? createNtAccount() : createAdAccount();
  if (o == Outcome::Failed || o == Outcome::Stopped) return o;
  host_.setProgressText(QStringLiteral("Add User to Groups"));
  return o;
}

Outcome CreationRun::createNtAccount() {
  auto& shared = sh();
  adsi::AdsObject& domain = directory::NT_Domain_Object();
  bool exists = false;  // the account was committed: a failure from here deletes it again
  const auto trap = [&](const adsi::Error& e) {
    s_.errorNumber = errorNumber(e);
    if (exists)
      removeIncompleteAccount([&] { return domain.Delete(QStringLiteral("User"), s_.New_User_ID); },
                              QStringLiteral("WinNT://") + shared.Domain_Name + u'/' + s_.New_User_ID);
    return Outcome::Failed;
  };
  if (domain.isNull()) return trap(adsi::makeError(adsi::hr::E_FAIL, QStringLiteral("The NT domain is not loaded.")));
  auto made = domain.Create(QStringLiteral("User"), s_.New_User_ID);
  if (!made) return trap(made.error());
  adsi::AdsObject user = *made;
  const auto put = [&](const char* name, const QVariant& value) -> adsi::Status {
    return user.Put(QString::fromLatin1(name), value);
  };
  // A description that still holds a "%" (a variable or import field without a value) is not
  // written, as in Active Directory.
  QList<std::pair<const char*, QString>> fields{
      {"Description", s_.description.contains(u'%') ? QString() : s_.description},
      {"FullName", s_.fullName},
      {"HomeDirectory", s_.Home_UNC},
      {"LoginScript", trimmed(f_.logonScript)},
      {"Profile", s_.Profile_UNC}};
  for (const auto& [name, value] : fields)
    if (!trimmed(value).isEmpty())
      if (adsi::Status s = put(name, value); !s) return trap(s.error());
  QByteArray hours(reinterpret_cast<const char*>(shared.Logon_Hours_Array.data()), 21);
  if (adsi::Status s = put("LoginHours", hours); !s) return trap(s.error());
  if (debug()) {
    line(QStringLiteral("Setting user details"));
    for (const QString& v : {s_.description, s_.fullName, s_.Home_UNC, f_.logonScript, s_.Profile_UNC}) line(v);
    line(QStringLiteral("Drive letter:") + f_.homeDrive);
  }
  if (!f_.homeDrive.isEmpty())
    if (adsi::Status s = put("HomeDirDrive", f_.homeDrive); !s) return trap(s.error());
  if (adsi::Status s = user.SetInfo(); !s) return trap(s.error());
  exists = true;
  s_.userPath = user.ADsPath();
  if (debug()) line(QStringLiteral("Password:") + QStringLiteral("(password set)"));
  const bool noPassword = s_.password.isEmpty();
  if (!noPassword)
    if (adsi::Status s = user.SetPassword(s_.password); !s) return trap(s.error());
  if (f_.mustChangePassword)
    if (adsi::Status s = put("PasswordExpired", 1); !s) return trap(s.error());
  // An account without a password is never left usable.
  if (f_.disabled || noPassword)
    if (adsi::Status s = put("AccountDisabled", true); !s) return trap(s.error());
  for (auto [wanted, bit, note] : {std::tuple{f_.cantChangePassword, kCantChangePassword, "Can't change pwd"},
                                   std::tuple{f_.passwordNeverExpires, kPasswordNeverExpires, "Never expire"}}) {
    if (!wanted) continue;
    auto flags = user.Get(QStringLiteral("UserFlags"));
    if (!flags) return trap(flags.error());
    if (adsi::Status s = put("UserFlags", flags->toInt() | bit); !s) return trap(s.error());
    if (debug()) line(QString::fromLatin1(note));
    if (adsi::Status s = user.SetInfo(); !s) return trap(s.error());
  }
  if (!f_.expiryText.isEmpty() && shared.Import_Mode && !f_.expiryText.startsWith(u'%')) {
    const std::optional<QDateTime> when = directory::parseExpiry(f_.expiryText);
    if (!when) {
      line(QStringLiteral("Error setting expiration date: ") + notADate(f_.expiryText));
      return trap(adsi::makeError(adsi::hr::E_INVALIDARG, notADate(f_.expiryText)));
    }
    if (adsi::Status s = put("AccountExpirationDate", *when); !s) return trap(s.error());
  }
  if (adsi::Status s = user.SetInfo(); !s) return trap(s.error());
  exists = false;
  line(QStringLiteral("NT User Account Created"));
  ++shared.Users_Added_Count;
  if (noPassword) {
    line(QStringLiteral("Warning: the account has no password and was created disabled"));
    return warn(QStringLiteral("Password"), QStringLiteral("no password: the account was created disabled"));
  }
  return Outcome::Done;
}

Outcome CreationRun::createAdAccount() {
  auto& shared = sh();
  auto dir = directory::requireDirectory();
  s_.containerKey = f_.node ? (f_.copyUser ? f_.node->parentKey : f_.node->key) : QString();
  if (debug()) {
    line(s_.containerKey);
    line(s_.Account_Name);
    line(s_.New_User_ID);
  }
  // The first commit holds only the logon name; a clash there ends the run.
  const auto firstCommit = [&]() -> adsi::Result<adsi::AdsObject> {
    if (!dir) return dir.error();
    auto container = boundContainer(**dir, s_.containerKey);
    if (!container) return container.error();
    auto made = container->Create(QStringLiteral("user"), QStringLiteral("cn=") + adsi::escapeDnValue(s_.New_User_ID));
    if (!made) return made.error();
    if (adsi::Status s = made->Put(QStringLiteral("samAccountName"), s_.Account_Name); !s) return s.error();
    if (adsi::Status s = made->SetInfo(); !s) return s.error();
    return *made;
  };
  auto made = firstCommit();
  if (!made) {
    s_.errorNumber = errorNumber(made.error());
    if (made.error().code == kAlreadyExists) {
      ui::prompter().MsgBox(QStringLiteral("User name already exists.") + QStringLiteral("\r\n") +
                                QStringLiteral("Change the userID and try again"),
                            0, QString());
      line(QStringLiteral("User name (SAMAccount) Already Exists :") + s_.Account_Name);
    } else {
      ui::prompter().MsgBox(QStringLiteral("error: ") + QString::number(s_.errorNumber), 0, QString());
    }
    return Outcome::Failed;
  }
  adsi::AdsObject user = *made;
  s_.userPath = user.ADsPath();
  s_.user = user;
  // The account exists from here; a failure of the second commit deletes it again, so that neither
  // a half-made account stays behind nor the next attempt finds its name taken.
  const QString userDn = QStringLiteral("CN=") + adsi::escapeDnValue(s_.New_User_ID) + u',' + s_.containerKey;
  const auto failed = [&](const adsi::Error& e) {
    s_.errorNumber = errorNumber(e);
    removeIncompleteAccount(
        [&]() -> adsi::Status {
          auto container = (*dir)->GetObject(QStringLiteral("LDAP://") + s_.containerKey);
          if (!container) return container.error();
          return container->Delete(QStringLiteral("user"),
                                   QStringLiteral("CN=") + adsi::escapeDnValue(s_.New_User_ID));
        },
        userDn);
    return Outcome::Failed;
  };

  // The common fields and the second commit: a failure ends the run.
  {
    const QString description = expandedDescription();
    QList<std::pair<const char*, QString>> fields;
    if (!description.isEmpty() && !description.contains(u'%')) fields.append({"Description", description});
    fields.append({"FullName", s_.fullName});
    fields.append({"HomeDirectory", s_.Home_UNC});
    fields.append({"FirstName", trimmed(f_.first)});
    fields.append({"LastName", trimmed(f_.last)});
    fields.append({"LoginScript", trimmed(f_.logonScript)});
    fields.append({"Profile", trimmed(s_.Profile_UNC)});
    for (const auto& [name, value] : fields)
      if (!value.isEmpty())
        if (adsi::Status s = user.Put(QString::fromLatin1(name), value); !s) return failed(s.error());
    QByteArray hours(reinterpret_cast<const char*>(shared.Logon_Hours_Array.data()), 21);
    adsi::Status s = user.Put(QStringLiteral("LoginHours"), hours);
    if (debug()) line(QStringLiteral("Setting common user fields"));
    if (s) s = user.SetInfo();
    if (!s) return failed(s.error());
  }

  // From here a failure is a warning that names what was not set.
  Outcome result = Outcome::Done;
  const auto check = [&](const adsi::Status& s, const QString& what) {
    if (!s) result = warn(what, s.error().message);
  };
  if (debug()) line(QStringLiteral("Setting user password: ") + QStringLiteral("(password set)"));
  const bool noPassword = s_.password.isEmpty();
  adsi::Status password = noPassword ? adsi::Status() : user.SetPassword(s_.password);
  if (!password) {
    ui::feedback().beep();
    s_.Create_Status = 2;
    result = Outcome::Warned;
    line(QStringLiteral("Error:- Unable to set User password"));
  } else {
    if (debug() && !noPassword) line(QStringLiteral("Password set"));
    // The flags below start from the account's own: read those alone, not the whole entry. Should
    // the read fail, the first use of the flags reads the entry and reports what went wrong.
    if (!noPassword) (void)user.GetInfoEx({QStringLiteral("userAccountControl")});
    check(user.Put(QStringLiteral("pwdLastSet"), f_.mustChangePassword ? 0 : -1), QStringLiteral("pwdLastSet"));
    // An account without a password stays disabled.
    if (!f_.disabled && !noPassword)
      check(user.Put(QStringLiteral("AccountDisabled"), false), QStringLiteral("Enabling the account"));
    // With its password set the account no longer goes without one ("password not required").
    if (!noPassword) {
      auto control = user.Get(QStringLiteral("userAccountControl"));
      check(control ? user.Put(QStringLiteral("userAccountControl"), control->toInt() & ~kPasswordNotRequired)
                    : adsi::Status(control.error()),
            QStringLiteral("Password required"));
    }
  }
  if (shared.Import_Mode && !f_.expiryText.isEmpty() && !f_.expiryText.startsWith(u'%')) {
    const std::optional<QDateTime> when = directory::parseExpiry(f_.expiryText);
    if (!when)
      result = warn(QStringLiteral("Account expiry"), notADate(f_.expiryText));
    else
      check(user.Put(QStringLiteral("AccountExpirationDate"), *when), QStringLiteral("Account expiry"));
  }
  if (!f_.homeDrive.isEmpty()) check(user.Put(QStringLiteral("HomeDrive"), f_.homeDrive), QStringLiteral("Home drive"));
  check(user.SetInfo(), QStringLiteral("Third commit"));

  // The two flags through the account's NT view, on the directory connection that made it.
  if (f_.cantChangePassword || f_.passwordNeverExpires) {
    auto nt = (*dir)->GetObject(QStringLiteral("WinNT://") + shared.NetBIOS_Domain + u'/' + s_.Account_Name);
    if (!nt) {
      result = warn(QStringLiteral("Account flags"), nt.error().message);
    } else {
      for (auto [wanted, bit] : {std::pair{f_.cantChangePassword, kCantChangePassword},
                                 std::pair{f_.passwordNeverExpires, kPasswordNeverExpires}}) {
        if (!wanted) continue;
        auto flags = nt->Get(QStringLiteral("UserFlags"));
        adsi::Status s = flags ? nt->Put(QStringLiteral("UserFlags"), flags->toInt() | bit) : adsi::Status(flags.error());
        if (s) s = nt->SetInfo();
        check(s, QStringLiteral("Account flags"));
      }
    }
  }
  line(QStringLiteral("NT User Account Created"));
  ++shared.Users_Added_Count;
  if (noPassword) {
    line(QStringLiteral("Warning: the account has no password and was left disabled"));
    result = warn(QStringLiteral("Password"), QStringLiteral("no password: the account was left disabled"));
  }
  return result;
}

void CreationRun::removeIncompleteAccount(const std::function<adsi::Status()>& remove, const QString& path) {
  if (adsi::Status s = remove(); s) {
    line(QStringLiteral("The incomplete account was deleted: ") + s_.New_User_ID);
    return;
  }
  line(QStringLiteral("The incomplete account remains: ") + path);
  host_.logTab(QStringLiteral("RED"), QStringLiteral(" The incomplete account remains: ") + path);
}

// --- groups and the primary group ---

Outcome CreationRun::addGroups() {
  auto& shared = sh();
  Outcome result = Outcome::Done;
  line(QStringLiteral("Adding User to Groups"));
  const bool nt = ntMode();
  const QString ntMember = s_.New_User_ID;
  const auto failed = [&](const QString& name) {
    s_.Create_Status = 2;
    result = Outcome::Warned;
    line(QStringLiteral("Error adding user to group: ") + name);
    ui::feedback().beep();
  };
  // Adds the new user to one group, named by its NT name or its directory path.
  const auto join = [&](const QString& text, const QString& groupPath) {
    if (debug()) line(QStringLiteral("Adding user to: ") + text);
    adsi::Status added =
        nt ? directory::Add_To_Group_NT(text, ntMember) : directory::Add_To_Group_W2K(groupPath, s_.userPath);
    if (!added) failed(text);
  };

  // A. The import's group columns.
  if (s_.Import_Groups_Finish != QLatin1String("0") && shared.Import_Mode) {
    const int fields = std::max(0, std::min(int(shared.Import_Field_Count), int(shared.ImportField.size()) - 1));
    const int first = qMax(1, qRound(s_.Import_Groups_Start.toDouble()));  // column 0 never holds a group
    const double finish = s_.Import_Groups_Finish.toDouble();
    const int last = finish > fields ? fields : qRound(finish);
    for (int c = first; c <= last; ++c) {
      const QString name = trimmed(shared.ImportField[c]);
      bool found = false;
      for (const GroupItem& g : f_.domainGroups) {
        if (g.text.toUpper() != name.toUpper()) continue;
        join(g.text, g.key);
        found = true;
      }
      if (!found) line((nt ? QStringLiteral("Group Not Found: ") : QStringLiteral("Group not found: ")) + name);
    }
  }

  if (!f_.copyUser) {
    // B. The template's groups, Domain Users apart.
    for (const GroupItem& g : f_.templateGroups) {
      if (g.text.toUpper() == QLatin1String("DOMAIN USERS")) continue;
      join(trimmed(g.text), trimmed(g.key));
    }
    return result;
  }

  // C. The copied user's groups.
  line(QStringLiteral("Copy User groups from user: ") + f_.node->text);
  auto dir = directory::requireDirectory();
  adsi::Result<adsi::AdsObject> copied =
      dir ? (*dir)->GetObject(nt ? QStringLiteral("WinNT://") + shared.Domain_Name + u'/' + f_.node->text : f_.node->key)
          : adsi::Result<adsi::AdsObject>(dir.error());
  auto groups = copied ? copied->Groups() : adsi::Result<QList<adsi::AdsObject>>(copied.error());
  if (!groups) {
    line(QStringLiteral("Error Retrieving Group info for: ") + f_.node->text);
    line(QStringLiteral("Groups will not be set"));
    ui::feedback().beep();
    // Not a word of it would otherwise reach the verdict: the groups are missing.
    s_.Create_Status = 2;
    return Outcome::Warned;
  }
  for (const adsi::AdsObject& g : *groups) {
    const QString name = g.Name();
    if (name.toUpper() == (nt ? QLatin1String("DOMAIN USERS") : QLatin1String("CN=DOMAIN USERS"))) continue;
    join(nt ? name : name.section(u'=', 1), g.ADsPath());
  }
  return result;
}

Outcome CreationRun::attributeRows() {
  auto& shared = sh();
  Outcome result = Outcome::Done;
  line(QStringLiteral("Setting W2K Properties"));
  s_.Display_Name_Value.clear();
  auto dir = directory::requireDirectory();
  auto user = boundUser();
  if (!user) return warn(QStringLiteral("Attribute rows"), user.error().message);
  const auto write = [&](const QString& name, const QString& value) {
    adsi::Status s = user->Put(name, value);
    if (s) s = user->SetInfo();
    if (!s) {
      s_.Create_Status = 2;
      result = Outcome::Warned;
      line(QStringLiteral("Error setting ") + name + QStringLiteral(", ") + value);
    }
    return bool(s);
  };
  const auto written = [&](const QString& name, const QString& value) {
    if (name.toUpper() == QLatin1String("SAMACCOUNTNAME")) s_.Account_Name = value;
    line(QStringLiteral("Setting ") + name + QStringLiteral(", ") + value);
  };
  // Rows that passed their checks wait here and go out as one modify. A refused modify changes
  // nothing, so the rows are then written one by one as before, each with its own result.
  QList<std::pair<QString, QVariant>> pending;
  const auto flush = [&] {
    if (pending.size() > 1 && user->PutAndSetInfo(pending)) {
      for (const auto& [name, value] : std::as_const(pending)) written(name, value.toString());
    } else {
      for (const auto& [name, value] : std::as_const(pending))
        if (write(name, value.toString())) written(name, value.toString());
    }
    pending.clear();
  };
  for (const AttributeRow& row : f_.directoryRows) {
    if (row.kind != QLatin1String("USER")) continue;
    const QString upper = row.name.toUpper();
    // What the checks below read or ask must follow the rows before it, as written.
    if (row.value.toUpper() == QLatin1String("PROMPT") || upper == QLatin1String("USERPRINCIPALNAME") ||
        upper == QLatin1String("SAMACCOUNTNAME"))
      flush();
    if (row.value.toUpper() == QLatin1String("PROMPT")) {
      if (shared.Import_Mode && f_.skipPromptFields) continue;
      const std::optional<QString> answer =
          ui::prompter().InputBox(QStringLiteral("Enter Value for ") + row.name, QStringLiteral("Enter value"), QString());
      // A prompted value is committed at once and its result checked.
      if (answer && !answer->isEmpty()) write(row.name, *answer);
      continue;
    }
    QString value = row.value;
    Replace_Variables(value);
    value = expanded(UserName(value, f_.first, f_.middle, f_.last));
    startup::FRString(value, QStringLiteral("%Domain%"), shared.Domain_Name);
    value = importTokens(value);
    if (value.isEmpty() || value.contains(u'%')) continue;
    if (upper == QLatin1String("DISPLAYNAME")) s_.Display_Name_Value = value;
    if (upper == QLatin1String("USERPRINCIPALNAME")) {
      const directory::UpnAnswer upn = directory::Find_UPN(value);
      if (upn.state != directory::UpnState::Free) {
        ui::feedback().beep();
        s_.Create_Status = 2;
        result = Outcome::Warned;
        if (upn.state == directory::UpnState::Exists)
          line(QStringLiteral("UPN aleardy Exists: ") + value);
        else  // an unanswered catalog is no proof that the name is free
          line(QStringLiteral("UPN could not be checked: ") + value +
               (upn.error ? QStringLiteral(" (") + upn.error->message + u')' : QString()));
        line(QStringLiteral("UPN not set"));
        continue;
      }
    }
    if (upper == QLatin1String("SAMACCOUNTNAME") &&
        value.compare(s_.Account_Name, Qt::CaseInsensitive) != 0) {
      // Another logon name must pass the rules the ID passed; the run checks them itself rather
      // than leaving them to the directory.
      QString problem;
      if (value.size() > kMaxIdLength || !invalidCharacters(value, false).isEmpty()) {
        problem = QStringLiteral("Invalid account name from SAMACCOUNTNAME: ") + value;
      } else {
        QString why;
        switch (User_Exist(value, &why)) {
          case Existence::Free:
            break;
          case Existence::Taken:
            problem = QStringLiteral("SAMACCOUNTNAME ") + value + QStringLiteral(" already exist");
            break;
          case Existence::Unknown:
            problem = QStringLiteral("Could not check whether SAMACCOUNTNAME ") + value +
                      QStringLiteral(" exists: ") + why;
            break;
        }
      }
      if (!problem.isEmpty()) {
        ui::feedback().beep();
        line(problem);
        result = warn(QStringLiteral("Attribute rows"), QStringLiteral("the logon name was not changed"));
        continue;
      }
    }
    pending.append({row.name, value});
    // The logon name the later rows compare with is the one written.
    if (upper == QLatin1String("SAMACCOUNTNAME")) flush();
  }
  flush();
  return result;
}

Outcome CreationRun::setPrimaryGroup() {
  const QString caption = f_.primaryGroup;
  if (caption.toUpper() == QLatin1String("DOMAIN USERS")) return Outcome::Done;
  line(QStringLiteral("Setting Primary Group: ") + caption + u'.');
  // A template without a primary group names none: said, but no warning.
  if (trimmed(caption).isEmpty()) {
    line(QStringLiteral("Could not Set Primary Group"));
    return Outcome::Done;
  }
  auto dir = directory::requireDirectory();
  adsi::Result<qint32> rid =
      adsi::makeError(adsi::hr::E_FAIL, QStringLiteral("the domain's group list does not hold it"));
  if (ntMode()) {
    rid = directory::Get_Group_RID_NT(caption);
  } else {
    // The group is found through the directory by its name, then read for its identifier.
    QString path;
    for (const GroupItem& g : f_.domainGroups)
      if (g.text.compare(trimmed(caption), Qt::CaseInsensitive) == 0 && !g.key.isEmpty()) path = g.key;
    if (!path.isEmpty()) rid = directory::Get_Group_RID_W2K(path);
  }
  if (!rid) {
    // The template's primary group was not applied: the run cannot end GREEN, in either mode.
    line(QStringLiteral("Could not Set Primary Group"));
    return warn(QStringLiteral("Primary group"), caption + QStringLiteral(": ") + rid.error().message);
  }
  auto user = boundUser();
  adsi::Status s = user ? user->Put(QStringLiteral("PrimaryGroupID"), *rid) : adsi::Status(user.error());
  if (s) s = user->SetInfo();
  if (!s) {
    if (ntMode()) ui::feedback().beep();
    s_.Create_Status = 2;
    line(QStringLiteral("Could not Set Primary Group - user may not be in group"));
    return Outcome::Warned;
  }
  return Outcome::Done;
}

// --- shares, Terminal Services, permissions ---

Outcome CreationRun::createShares() {
  host_.setProgressText(QStringLiteral("Create Shares..."));
  const QString server = f_.server;
  const QString account = trimmed(s_.Account_Name);
  struct Share {
    bool wanted;
    QString name;
    QString path;
    QString remark;
    int16_t result = 1;
  } shares[] = {{!trimmed(f_.profileShareName).isEmpty(), trimmed(f_.profileShareName), s_.Profile_Local,
                 QStringLiteral("Users Profile Share")},
                {!trimmed(f_.homeShareName).isEmpty(), trimmed(f_.homeShareName), s_.Home_Local,
                 QStringLiteral("Users Home Share")}};
  resources::ResourceRun run(*log_, f_.dbpath);
  run.debug = debug();
  run.LOG_TAB = [this](const QString& colour, const QString& message) { host_.logTab(colour, message); };
  for (Share& share : shares) {
    startup::FRString(share.name, QStringLiteral("%UserName%"), account);
    // The share's permissions name the same account as the share and the folder's permissions.
    if (share.wanted) share.result = resources::Create_Share_502(server, share.name, share.path, share.remark, account, run);
  }
  const QString unc = QStringLiteral("\\\\") + server + u'\\';
  const bool anyNotCreated = std::any_of(std::begin(shares), std::end(shares), [](const Share& x) { return x.result == 3; });
  const bool anyDefault = std::any_of(std::begin(shares), std::end(shares), [](const Share& x) { return x.result == 2; });
  if (!anyNotCreated && !anyDefault) {
    host_.setMark(Mark::Sharedirs, run.warned ? MarkState::Warning : MarkState::Completed);
    for (const Share& share : shares)
      if (share.wanted) line(QStringLiteral("Creating Shares: ") + unc + share.name);
    if (run.warned) s_.Create_Status = 2;
    return run.warned ? Outcome::Warned : Outcome::Done;
  }
  s_.Create_Status = 2;
  if (!anyNotCreated) {
    host_.setMark(Mark::Sharedirs, MarkState::Warning);
    if (shares[0].wanted) line(QStringLiteral("Error Creating Share Security: ") + unc + shares[0].name);
    if (shares[1].wanted) line(QStringLiteral("Error Creating Shares Security: ") + unc + shares[1].name);
    line(QStringLiteral("Check Security permissions for Shares for invaild name"));
    return Outcome::Warned;
  }
  host_.setMark(Mark::Sharedirs, MarkState::Error);
  for (const Share& share : shares)
    if (share.wanted) line(QStringLiteral("Error Creating Shares: ") + unc + share.name);
  return Outcome::Warned;
}

Outcome CreationRun::terminalServices() {
  bool enabled = false;
  for (const state::VariableRow& v : sh().Template_Variables)
    if (v.name.toUpper() == QLatin1String("WTS") && v.value.toUpper() == QLatin1String("ENABLED")) enabled = true;
  if (!enabled) return Outcome::Done;
  resources::WtsSettingsInput input;
  input.values = f_.wtsValues;
  input.NTSERVER = f_.server;
  input.Import_Mode = sh().Import_Mode;
  input.Replace_Variables = [](const QString& text) {
    QString t = text;
    Replace_Variables(t);
    return t;
  };
  const resources::WtsResult written = resources::Set_WTS_Settings(trimmed(s_.Account_Name), sh().NetBIOS_Domain, input, *log_);
  if (written.ok()) return Outcome::Done;
  return warn(QStringLiteral("Terminal Services"), written.outcome == resources::WtsOutcome::NoController
                                                       ? QStringLiteral("no domain controller was found")
                                                       : QStringLiteral("a setting was refused (error %1)").arg(written.error));
}

Outcome CreationRun::directoryPermissions() {
  host_.setProgressText(QStringLiteral("Set Dir Permissions..."));
  resources::ResourceRun run(*log_, f_.dbpath);
  run.debug = debug();
  run.LOG_TAB = [this](const QString& colour, const QString& message) { host_.logTab(colour, message); };
  const QString account = trimmed(s_.Account_Name);
  // A folder whose permissions could not be set is said on screen with the reason the
  // procedure logged last (a missing permission list, an account that cannot be found).
  const auto set = [&](const QString& local, const QString& admin) {
    run.lastLine.clear();
    if (resources::Set_Permissions(s_.PDC_Name, admin, account, run)) return true;
    host_.logTab(QStringLiteral("RED"),
                 QStringLiteral(" Security Failed for ") + local +
                     (run.lastLine.isEmpty() ? QString() : QStringLiteral(": ") + run.lastLine));
    return false;
  };
  const bool homeTried = !s_.Home_Local.isEmpty();
  const bool homeOk = homeTried && set(s_.Home_Local, s_.Home_Admin);
  const bool profileTried = !s_.Profile_Local.isEmpty();
  const bool profileOk = profileTried && set(s_.Profile_Local, s_.Profile_Admin);
  if (run.warned) s_.Create_Status = 2;
  if ((!homeTried && !profileTried) || homeOk || profileOk) {
    host_.setMark(Mark::Security, MarkState::Completed);
    if (homeTried || profileTried) line(QStringLiteral("Set Directory Permissions OK"));
    // One folder failing while the other succeeded is still said.
    if (homeTried && !homeOk) return warn(QStringLiteral("Directory permissions"), QStringLiteral("Security Failed for ") + s_.Home_Local);
    if (profileTried && !profileOk)
      return warn(QStringLiteral("Directory permissions"), QStringLiteral("Security Failed for ") + s_.Profile_Local);
    return run.warned ? Outcome::Warned : Outcome::Done;
  }
  host_.setMark(Mark::Security, MarkState::Error);
  s_.Create_Status = 2;
  if (homeTried) line(QStringLiteral("Security Failed for ") + s_.Home_Local);
  if (profileTried) line(QStringLiteral("Security Failed for ") + s_.Profile_Local);
  return Outcome::Warned;
}

Outcome CreationRun::addTreeNode() {
  QString parent, User_Node_Key;
  if (ntMode()) {
    parent = QStringLiteral("root");
  } else {
    const QString dn = s_.userPath.section(u'/', -1);
    User_Node_Key = QStringLiteral("LDAP://") + sh().Domain_Name + u'/' + dn;
    parent = directory::nodeKey(directory::userParentKey(User_Node_Key));
  }
  // The loader's rule: the CN with "DNName", else the display name (a DISPLAYNAME row's value, or
  // the full name the account got), else the CN.
  QString text = s_.New_User_ID;
  if (!ntMode() && !f_.treeShowsCn)
    text = !s_.Display_Name_Value.isEmpty() ? s_.Display_Name_Value : !s_.fullName.isEmpty() ? s_.fullName : text;
  if (!host_.addUserNode(parent, User_Node_Key, text, text, s_.New_User_ID))
    return warn(QStringLiteral("Tree"), QStringLiteral("the new user could not be shown in the tree"));
  return Outcome::Done;
}

Outcome CreationRun::createMailbox() {
  auto& shared = sh();
  if (f_.exServer.isEmpty() || f_.exSite.isEmpty() || f_.exOrg.isEmpty()) return Outcome::Done;
  host_.setProgressText(QStringLiteral("Creating Mail Account..."));
  shared.Mail_Warning_Flag = false;
  bool created = false;
  QString detail;
  if (f_.exchange55) {
    QString target;
    created = resources::Create_Mailbox(s_.PDC_Name, shared.NetBIOS_Domain, f_.exchangeAdmin, f_.exchangePassword,
                                        s_.Account_Name, target, f_.first, f_.last, trimmed(f_.exServer), f_.exSite,
                                        f_.exOrg, f_.mailbox, *log_);
  } else {
    auto dir = directory::requireDirectory();
    auto user = dir ? boundUser() : adsi::Result<adsi::AdsObject>(dir.error());
    adsi::Error failure;
    if (user) {
      created = resources::Create_Mailbox_2000(f_.exOrg, f_.exServer, f_.exSite, f_.mailStore,
                                               directory::domainDistinguishedName(shared.Domain_Name), *user, **dir,
                                               f_.mailbox, *log_, &failure);
      if (!created) detail = failure.message;
    } else {
      detail = user.error().message;
    }
  }
  if (!created) {
    line(QStringLiteral("Failed to create Mail Account"));
    s_.Create_Status = 2;
    host_.setMark(Mark::MailAccount, MarkState::Error);
    return detail.isEmpty() ? Outcome::Warned : warn(QStringLiteral("Mailbox"), detail);
  }
  line(QStringLiteral("Created Mail Account"));
  // A mail row that could not be written (either Exchange) is said by the procedure; the run
  // does not end GREEN over it.
  if (shared.Mail_Warning_Flag) {
    s_.Create_Status = 2;
    host_.setMark(Mark::MailAccount, MarkState::Warning);
    return Outcome::Warned;
  }
  host_.setMark(Mark::MailAccount, MarkState::Completed);
  return Outcome::Done;
}

Outcome CreationRun::runCommand() {
  auto& shared = sh();
  host_.setProgress(95);
  host_.setProgressText(QStringLiteral("Running Command"));
  // Without a command there is nothing to run: nothing is logged and the mark stays blank.
  if (f_.createCommand.isEmpty()) return Outcome::Done;
  // Each argument of the command line gets its values on its own, so a value with blanks,
  // quotes or & | ; < > stays one argument; no shell ever sees it.
  const auto substitute = [&](const QString& argument) {
    QString a = importTokens(argument);
    startup::FRString(a, QStringLiteral("%Domain%"), shared.Domain_Name);
    startup::FRString(a, QStringLiteral("%Server%"), f_.server);
    startup::FRString(a, QStringLiteral("%UserName%"), s_.Account_Name);
    startup::FRString(a, QStringLiteral("%EXServer%"), f_.exServer);
    startup::FRString(a, QStringLiteral("%EXSite%"), f_.exSite);
    startup::FRString(a, QStringLiteral("%EXorg%"), f_.exOrg);
    a = expanded(UserName(a, f_.first, f_.middle, f_.last));
    Replace_Variables(a);
    return a;
  };
  const QStringList arguments = process::expandArguments(f_.createCommand, substitute);
  QStringList shown;
  for (const QString& a : arguments) shown << process::quoteArgument(a);
  const QString commandLine = shown.join(u' ');
  s_.Error_Stage = 3;
  shared.Step_Text = QStringLiteral("Error Running Command...");
  shared.Step_Log_Text = QStringLiteral("Error Running Command: ") + commandLine;
  line(QStringLiteral("Running Script: ") + commandLine);
  const process::SpawnResult result =
      resources::Shell_Object().Spawn(arguments, f_.waitForCommand, f_.hideCommand ? 0 : 1, log_.get());
  using O = process::SpawnResult::Outcome;
  if (result.outcome == O::NotStarted) {
    host_.setMark(Mark::run, MarkState::Error);
    line(shared.Step_Log_Text);
    ui::feedback().beep();
    s_.Create_Status = 2;
    return Outcome::Warned;
  }
  if (result.outcome == O::Started || (result.outcome == O::Exited && result.exitCode == 0)) {
    host_.setMark(Mark::run, MarkState::Completed);
    return Outcome::Done;
  }
  // A command waited for that failed, was stopped or ran out of time is said.
  host_.setMark(Mark::run, MarkState::Warning);
  line(QStringLiteral("Error with :") + commandLine);
  const QString why = result.outcome == O::Exited    ? QStringLiteral("exit code %1").arg(result.exitCode)
                      : result.outcome == O::TimedOut ? QStringLiteral("stopped after the time-out")
                      : result.outcome == O::Cancelled ? QStringLiteral("stopped on request")
                                                       : QStringLiteral("ended abnormally");
  return warn(QStringLiteral("Command"), why);
}

// --- the end ---

void CreationRun::endEarly(const QString& status, const QString& progressText) {
  if (!status.isNull()) host_.setStatus(status);
  host_.setProgress(0);
  host_.setProgressText(progressText);
  host_.setBusy(false);
  log_.reset();
}

Outcome CreationRun::warn(const QString& step, const QString& detail) {
  s_.Create_Status = 2;
  line(QStringLiteral("Warning - ") + step + QStringLiteral(": ") + detail);
  return Outcome::Warned;
}

void CreationRun::errorBlock() {
  static const Mark stageMark[] = {Mark::UserAccount, Mark::UserAccount, Mark::Createdirs, Mark::run};
  if (s_.Error_Stage >= 1 && s_.Error_Stage <= 3) host_.setMark(stageMark[s_.Error_Stage], MarkState::Error);
  host_.setStatus(sh().Step_Text);
  line(sh().Step_Log_Text);
  line(QStringLiteral("Error Number: ") + QString::number(s_.errorNumber));
  log_.reset();
  host_.logTab(QStringLiteral("RED"), QStringLiteral(" ") + sh().Step_Text);
  host_.setProgressText(QStringLiteral("Error"));
  host_.setBusy(false);
  if (f_.haltOnErrors) sh().Import_Error_Flag = true;
  host_.clearFields();
}

void CreationRun::endOfRun() {
  host_.setProgress(100);
  host_.setProgressText(QStringLiteral("Finished"));
  host_.setStatus(QStringLiteral("User Created."));
  line(QStringLiteral("User Created."));
  s_.finished = true;
  host_.setBusy(false);
  if (!sh().Import_Mode) host_.clearFields();
  log_.reset();
  const bool green = s_.Create_Status == 1;
  host_.logTab(green ? QStringLiteral("GREEN") : QStringLiteral("YELLOW"), QStringLiteral(" Created User ") + s_.New_User_ID);
  if (!green && f_.haltOnWarnings) sh().Import_Warning_Flag = true;
}

}  // namespace tavrel::creation
