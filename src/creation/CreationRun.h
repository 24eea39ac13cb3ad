#pragma once
// One run of the user creation: the checks, the user ID with its retries, the Log.txt block,
// then the steps in their order (account name, paths, domain controller, directories, account,
// groups, primary group, tree node), each gated, each returning how it went, and the end line or
// the error block. The run knows no window: it reads what the main window holds through a
// RunHost and shows its progress through it.

#include "resources/Mailbox.h"
#include "startup/LogFile.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tavrel::creation {

// The six progress marks of the New User tab.
enum class Mark { Createdirs, Sharedirs, Security, UserAccount, MailAccount, run };
enum class MarkState { Blank, Completed, Warning, Error };

struct GroupItem {
  QString text;
  QString key;  // the group's directory path in Active Directory, empty in NT
};

struct AttributeRow {
  QString name;
  QString value;
  QString kind;  // the row's small icon: "USER" for the user object, "MAIL" for the mailbox
};

// The node selected in the domain tree.
struct TreeNode {
  QString key;
  QString text;
  QString image;  // "DOMAIN", "OU", "USER", ...
  QString parentKey;
};

// What the main window holds when the run reads it (after the template and site are loaded).
struct RunForm {
  QString templateName;
  QString siteName;
  bool copyUser = false;
  std::optional<TreeNode> node;
  QString first, middle, last;
  QString userIdBox;
  QString idFormat, altIdFormat;
  // The gates of the six steps.
  bool createDirs = false, createShares = false, dirSecurity = false;
  bool createAccount = false, createMail = false, runCommand = false;
  bool haltOnErrors = false, haltOnWarnings = false, skipPromptFields = false;
  bool treeShowsCn = false;  // the tree names users by their CN ("DNName"), else by display name
  bool samAccountNaming = false;  // "SAMAccountName" chosen over "(CN) Name"
  QString dbpath;
  // The account's values.
  QString description;
  QString defaultPassword;
  bool formattedPassword = false;
  QString passwordFormat;
  QString fullNameFormat;
  QString expiryText;
  bool mustChangePassword = false, disabled = false, cantChangePassword = false, passwordNeverExpires = false;
  // The loaded template and site.
  QString server;  // the site's home server
  QString profileLocal, homeLocal, profileShare, homeShare;
  QString logonScript, homeDrive, primaryGroup;
  QString profileShareName, homeShareName;  // share names, may hold "%UserName%"
  QStringList wtsValues;                    // the Terminal Services rows' values, in row order
  // The command run after a creation ("BatchFileCreate"), whether to wait for it and hide it, and
  // the site's Exchange texts it may name.
  QString createCommand;
  bool waitForCommand = false, hideCommand = false;
  QString exServer, exSite, exOrg;
  // The mailbox: Exchange 5.5 or 2000, the 2000 store, the Exchange administrator, and what the
  // mailbox procedures read of the windows.
  bool exchange55 = true;
  QString mailStore;
  QString exchangeAdmin, exchangePassword;
  resources::MailboxForm mailbox;
  QList<GroupItem> templateGroups;
  QList<AttributeRow> directoryRows;  // the W2K attribute list
  QList<GroupItem> domainGroups;       // every group of the domain
  QString commandLine;                 // "/DEBUG" adds detail lines
};

// The main window as the run sees it.
class RunHost {
 public:
  virtual ~RunHost() = default;
  // Selects the tree's first node when nothing usable is selected.
  virtual void defaultTreeSelection() = 0;
  // The window's values; `loaded` loads the chosen template and site first.
  virtual RunForm read() = 0;
  virtual void loadTemplateAndSite() = 0;
  // Capitalises the first letter of each name field; an ID typed by hand is kept.
  virtual void capitaliseNames() = 0;
  virtual void setUserIdBox(const QString& id) = 0;
  virtual void setProgress(int percent) = 0;
  virtual void setProgressText(const QString& text) = 0;
  virtual void setStatus(const QString& text) = 0;
  virtual void setMark(Mark mark, MarkState state) = 0;
  virtual bool logTab(const QString& colour, const QString& message) = 0;
  // Hourglass and a window that takes no input while the account is made; false restores both.
  virtual void setBusy(bool busy) = 0;
  // The window left empty for the next user (the template's groups back, template and site
  // fields cleared).
  virtual void clearFields() = 0;
  // Adds the new user to the tree under `parentKey` and shows it, and to the bulk window's users
  // (`listText`) and the group window's non-members (`id`); false when the tree could not take it.
  virtual bool addUserNode(const QString& parentKey, const QString& key, const QString& text,
                           const QString& listText, const QString& id) = 0;
};

// How a step went.
enum class Outcome {
  Done,     // go on
  Warned,   // go on; the step logged a warning and the run ends YELLOW
  Failed,   // the error block
  Stopped,  // the run ends here, the step has said why
};

// The values a run builds, for its steps and for the tests.
struct RunState {
  QString New_User_ID;
  QString Account_Name;
  QString Profile_Local, Profile_Admin, Profile_UNC;
  QString Home_Local, Home_Admin, Home_UNC;
  bool Profile_Path_Set = false, Home_Path_Set = false;
  QString PDC_Name;
  QString Import_Groups_Start = QStringLiteral("0");
  QString Import_Groups_Finish = QStringLiteral("0");
  int Create_Status = 1;
  int Error_Stage = 0;
  qint32 errorNumber = 0;
  QString password, fullName, description;
  QString Display_Name_Value;
  QString userPath;      // the new account's directory path
  QString containerKey;  // where an Active Directory account is made
  bool homeCreatedNow = false;
  bool finished = false;  // the run reached its end ("User Created.")
  // How long each step took, in nanoseconds, in the order they ran (the checks before them as
  // "Checks").
  QList<std::pair<QString, qint64>> stepTimes;
};

class CreationRun {
 public:
  explicit CreationRun(RunHost& host);
  ~CreationRun();

  // CreateUser_Click: one press of "Create User", with its retries under other IDs.
  void CreateUser_Click();

  const RunState& state() const { return s_; }

  // The characters an account name may not hold (F56's full rules); `ntMode` adds ".".
  static QString invalidCharacters(const QString& id, bool ntMode);

 private:
  enum class Attempt { Finished, Retry };
  Attempt attempt();

  // Checks before anything is written; false ends the run.
  bool selectionChecks();
  bool idChecks();
  enum class Existence { Free, Taken, Unknown };
  // User_Exist: whether the directory holds the logon name `id` (anywhere in the domain) or, in
  // Active Directory, the name in the target container.
  Existence User_Exist(const QString& id, QString* why);
  Attempt retryOrGiveUp();

  // The steps after the ID was found free.
  Outcome accountName();
  Outcome buildPaths();
  Outcome findDomainController();
  Outcome createDirectories();
  Outcome createAccount();
  Outcome createNtAccount();
  Outcome createAdAccount();
  Outcome addGroups();
  Outcome attributeRows();
  Outcome createShares();
  Outcome terminalServices();
  Outcome directoryPermissions();
  Outcome runCommand();
  Outcome createMailbox();
  Outcome setPrimaryGroup();
  Outcome addTreeNode();

  // An account this run committed whose making then failed: `remove` deletes it, and Log.txt says
  // so, or (RED on screen too) that it remains at `path`.
  void removeIncompleteAccount(const std::function<adsi::Status()>& remove, const QString& path);
  Outcome createFolder(const QString& adminPath, const QString& what, bool* createdNow);
  void prepareAccountValues();
  // The description field with the template's variables and (in an import) the line's fields.
  QString expandedDescription() const;
  Outcome warn(const QString& step, const QString& detail);
  void errorBlock();
  // A run that ends before its steps: the status (unless null), the progress back to 0 with
  // `progressText`, the hourglass gone, Log.txt closed.
  void endEarly(const QString& status, const QString& progressText = {});
  void endOfRun();
  void line(const QString& text);
  bool debug() const;
  QString importTokens(QString text) const;

  RunHost& host_;
  RunForm f_;
  RunState s_;
  std::unique_ptr<startup::LogFile> log_;
  QStringList triedIds_;
};

}  // namespace tavrel::creation
