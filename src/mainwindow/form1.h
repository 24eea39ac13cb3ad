#pragma once
// The main window. Its controls are members under their known names, and each control's
// objectName is that name, so that code and tests find them.

#include "creation/CreationRun.h"
#include "mainwindow/StartupServices.h"
#include "platform/adsi/Result.h"
#include "mainwindow/StatusBar.h"
#include "records/PropertyLists.h"
#include "records/Records.h"
#include "ui/ImageList.h"
#include "ui/ListView.h"

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tavrel::startup {
class LogFile;
}

namespace tavrel::directory {
struct UserPage;
}
namespace tavrel::directory {
struct LoadOutcome;
}

namespace tavrel::groups {
class RenameHost;
}

namespace tavrel::mainwindow {

class Custom;
class Varibles_Form;

class form1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit form1(QWidget* parent = nullptr);
  ~form1() override;

  // Adds a verdict row to the on-screen log: the colour word's icon, the message, the date and
  // time. "RED" beeps once. A colour word other than "GREEN", "YELLOW" or "RED" is refused
  // before any row is added (returns false).
  bool LOG_TAB(const QString& Colour, const QString& Message);

  // The database folder as the Setup tab holds it (ends with the folder separator).
  QString databaseFolder() const;

  // Handlers
  void Clear_log_Click();
  void Delete_Log_File_Click();
  void Log_Detail_Click();
  void View_Log_Click();
  void about_Click();
  // Options > Multi User Functions: the bulk window with its tabs available for the mode, modal.
  void Multi_Click();
  // Options > Groups: the group window "Global Groups", modal, linked to this window's lists.
  void Gblgropus_Click();
  void Exit1_Click();
  // Help > Help and F1: Show_Help(1, "Main").
  void Help_Click();
  // The help's contents page beside the program for selector 1; empty for any other selector.
  static QString Help_File_Path(int16_t selector);
  // Opens the help window on the contents page of `selector`, titled with `windowName`.
  void Show_Help(int16_t selector, const QString& windowName);

  // --- Commands of the tree's popup on the selected node (form1Profiles.cpp, form1Custom.cpp) ---
  // Deletes the hive of the user's profile path, or of its local profile on a workstation named
  // in WKS_PROFILE; the status bar says what happened.
  void Delete_Server_Profile();
  void Delete_Workstation_Profile();
  // Creates an organisational unit under the selected domain or unit (a user's: its unit) and
  // adds it to the tree and the bulk window's unit list.
  void Create_OU();
  // Starts the custom command of popup item 13 or 14 with the node's and the root's text.
  void Run_Custom_Command(int Index);

  // "Create User": one creation run over the New User tab's choices (creation::CreationRun).
  void CreateUser_Click();
  // What the last creation run built (its IDs, paths and the time each step took).
  std::shared_ptr<const creation::RunState> lastCreation;

  // The three name fields keep UserID_Box showing the ID the creation will use; they run on
  // every change, typed or made by code, and always overwrite the field.
  void strFirst_Change();
  void StrMiddle_Change();
  void strLast_Change();
  // The text spelled backwards (the password format "%USERNAMEB%").
  QString Reverse_Password(const QString& Text) const;

  // Brings the window forward, restored (a second start asked for it).
  void bringToFront();

  // --- Start-up and settings (form1Settings.cpp) ---
  // The single-instance check. False when another instance runs: it has been asked to come
  // forward, and this one must end without touching a setting.
  bool Form_Load(const StartupServices& services);
  // The start-up sequence, run before the window is shown: loads every setting into its control,
  // connects the domain, converts older record files and loads the record files. False when the
  // program must end (second instance, screen too narrow, failed administrator check).
  bool Form_Initialize(const StartupServices& services = {});
  // The window's size and the tree's width (as restored or dragged), kept from one start to the next under
  // Window\Width, Height and TreeWidth. Restoring fits them into the screen's free area (the defaults when
  // nothing usable is stored); closing the window saves them.
  static constexpr int kDefaultWidth = 1240, kDefaultHeight = 740, kDefaultTreeWidth = 260;
  void restoreWindowLayout();
  void saveWindowLayout() const;
  int treeWidth() const;
  // Shows the custom user-property fields whose captions are configured.
  void Load_Custom_Fields();
  // The custom properties were configured anew and their value boxes emptied: the boxes hold
  // nothing of a loaded user, so none is written, and they stay read-only until the next load.
  void customFieldsReconfigured();
  // Setup page. Each stores its setting the moment it changes (Command3 stores the page).
  void Command2_Click();
  bool GETDIR();  // the database folder picker; true when a folder was chosen into dbpath
  void Command3_Click();
  void Check_Name_Format_Click();
  void Check_FN_Format_Click();
  void Option1_Click(int Index);
  void FullName_Format_Click(int Index);
  void FmtPass_Click();
  void Run_Hidden_Click(int Index);
  // Preferences page.
  void USR_Cant_Change_Click();
  void STOP_ON_RED_Click(int Index);
  // "Import Users": the checks, the file, the preview, then Run_Import and its summary.
  void Import_Users_Click();
  // One creation per line of the CSV file at `path` (creation::Run_Import through this window).
  bool Run_Import(const QString& path);
  // "Import Options": the import options window, modal.
  void IMPORT_GRP_Click();
  void savemail_Click();
  void Mail_Logon_Click();

  QColor Field_Colour;                   // the background of read-only fields
  QTreeWidgetItem* Root_Node = nullptr;  // the "%Domain%" placeholder node when no domain is set

  // --- Sites and templates (form1Sites.cpp, form1Templates.cpp) ---

  // Appends the live sites and templates of the database folder to the six name lists (names as
  // stored, blank-padded) and loads the three attribute lists, creating a missing Mail.dat.
  void Load_Databases();
  // Fills the site fields from the first live site whose name, blanks trimmed, equals `siteName`
  // (letter case counts). False when none does or Site.dat can't be read; the fields then keep
  // what they held.
  bool Loadsite(const QString& siteName);
  // Empties the site fields and returns the site tab to rest.
  void Clear_Site();

  // The site editor.
  void New_Site_Click();
  void Edit_Site_Click();
  void Save_Site_Click();
  void Delete_site_Click();
  void Site_Cancel_Click();
  void EXH5_Click();
  void Find_Store_Click();
  void ListView2_Click();
  void ListView2_ColumnClick(int column);
  void ListView2_BeforeLabelEdit(bool& cancel);
  void ListView2_AfterLabelEdit(bool& cancel, const QString& NewString);
  void ListView2_LostFocus();
  // -1 (True) from the start of a label edit of the site list until a name is accepted.
  int16_t NewSitePending = 0;
  // -1 (True) from New until Save or Cancel.
  int16_t SiteLabelEdit = 0;

  // Fills the template tab from the first live template whose stored name equals `TemplateName`
  // character for character. The template's groups first go back to the available groups. False
  // when none matches or Template.dat can't be read.
  bool LoadTemplate(const QString& TemplateName);
  // The number of the first live template whose name matches templatelst's text (trimmed, letter
  // case ignored), left in Current_Template; -1 when none.
  int Find_Template(int unused = 0);
  // Returns every group of the template list ListView6 to the available list ListView5.
  void Template_Group_Sort();
  // Empties and locks the template tab's fields and returns it to browsing.
  void Clear_TT();
  // The compaction's check of one template: drops the groups the domain no longer has.
  void Check_Template_Groups(records::Template_Record& Current_Template, startup::LogFile& log);

  // The template editor. homedir_Change runs on every change of homedir's text, typed or made by
  // code, and keeps the home drive consistent with it.
  void homedir_Change();
  void savetemplate_Click();
  void NewTemplate_Click();
  void DeleteTemplate_Click();
  void templatelst_Click();
  void EditTemplate_Click();
  void Template_Cancel_Click();
  void paste_Click();
  void LogonHours_Click();
  // The two group lists: add and remove move the selected groups (at most 75 in the template),
  // SetPriGroup makes the first selected non-local group the primary group.
  void add_Click();
  void remove_Click();
  void SetPriGroup_Click();
  void ListView5_GotFocus();
  void ListView6_GotFocus();
  void ListView5_DblClick();
  void ListView6_DblClick();
  void ListView5_MouseUp(Qt::MouseButton Button);
  void ListView6_MouseUp(Qt::MouseButton Button);

  // --- Domain discovery and loading (form1Directory.cpp) ---
  // Adds the domains the machine can see to DomName's list. False when the debug command line
  // let a failure end the discovery.
  bool Get_Domains();
  // The mode of the domain `name` (0 native, 1 mixed, 2 NT, also on any failure); sets
  // NetBIOS_Domain and the availability of the "Account" and "Custom" pages of SSTab2. A dotted
  // name that answers neither as Active Directory nor as an NT domain gives kUnreachableDomain,
  // leaves the pages as they are and keeps the error for the caller.
  static constexpr int16_t kUnreachableDomain = -1;
  int16_t Get_W2K_Domain_Mode(const QString& name);
  // Connects to `name`: probes its mode, adapts the window, loads the tree and the lists and
  // shows the counts. True when the domain was loaded.
  bool Connect_Domain(const QString& name);
  // The loaders Connect_Domain runs; true when at least one user or group was loaded.
  bool Get_W2K_Domain_Data();
  bool Get_NT_Domain_Data();
  // Shows or hides the Windows 2000-only fields of the user-properties tab.
  void Show_W2K_Fields();
  void Hide_W2K_Fields();
  // Empties the user-properties tab, returning the user's groups to ListView3; no user is loaded
  // afterwards (USERID_W2K is emptied too) and the change flags are down.
  void Clear_UM();

  // --- The domain tree, its popup menu and the toolbar (form1Tree.cpp) ---
  // The reload of F5 and "Refresh": empties the tree and every list the domain and the record
  // files fill (the bulk window's selection included), connects to the domain box's trimmed
  // name, then loads the record files again.
  void Reload_All();
  // A right press selects the node under the pointer, enables the popup's items for it and shows
  // the popup; a press elsewhere shows nothing.
  void TreeView1_MouseDown(Qt::MouseButton Button, const QPoint& pos);
  void TreeView1_KeyDown(int KeyCode);
  // The popup's commands by item number (1 to 14) on the selected node; other numbers do nothing.
  void mnupopup_Click(int Index);
  // Shows POPUP at the pointer (tests replace Popup_Shower to act on it instead).
  std::function<void()> Popup_Shower;
  // Popup item 7: the rename window of the directory mode ("Rename NT 4.0 User" in WinNT mode,
  // else "Rename User"), shown modally on the selected user node.
  void Rename_User();
  // What the rename windows use of this window: the selected node, the status bar, the on-screen
  // log and the naming options.
  std::unique_ptr<groups::RenameHost> renameHost();
  // Runs a rename window modally (tests replace Rename_Shower to act on it instead).
  std::function<void(QDialog& window)> Rename_Shower;
  // The drag of a user onto an organisational unit (positions in the viewport's pixels).
  void TreeView1_MouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, const QPoint& pos);
  void TreeView1_DragOver(const QPoint& pos);
  void Timer2_Timer();
  void TreeView1_DragDrop();
  bool Tree_Dragging = false;
  QPoint Drag_Pos;
  int16_t Scroll_Direction = 0;
  // The node the drop would go to (nullptr when none).
  QTreeWidgetItem* dropHighlight() const;

  // The toolbar: one action per button, its key in objectName; the handler dispatches on the key.
  QToolBar* Toolbar1 = nullptr;
  void Toolbar1_ButtonClick(const QString& Key);
  // "Find User": selects each node whose text holds the typed text, asking after each.
  void Find_Node();

  // --- User Manager page (form1UserManager.cpp) ---
  // The tree's double-click: "De&tails" on the selected node. A user node is loaded into the
  // User Manager page; any other node only clears the page.
  void TreeView1_DblClick();
  void Show_User_Details();
  // Fill the page from the directory (the page was cleared before). Filling by program raises no
  // change flag.
  void Load_W2K_User(const QString& UserPath);
  void Load_NT_User(const QString& UserName);
  // Write the page back; false (with the reason shown) when something was not stored.
  bool Save_W2K_User();
  bool Save_NT_User();
  // One membership change for row `Index` (1-based) of ListView3 (add) or ListView4 (remove).
  bool Add_To_Group_W2K(int Index);
  bool Remove_From_Group_W2K(int Index);
  bool Add_To_Group_NT(int Index);
  bool Remove_From_Group_NT(int Index);
  // Handlers of the page.
  void UM_ADD_GROUP_Click();
  void UM_REMOVE_GROUP_Click();
  void Userman_Save_Click();
  void ListView3_GotFocus();
  void ListView4_GotFocus();
  void ListView3_MouseUp(Qt::MouseButton Button);
  void ListView4_MouseUp(Qt::MouseButton Button);
  void USERID_Change();
  // The whole command line the directory procedures test for "/DEBUG" and "/DEBUG1"; the
  // process's own when not set.
  std::optional<QString> Command_Line;
  QString commandLine() const;

  // The data roles of a tree node: its key (a distinguished name or directory path; "root" for an
  // NT domain), its image key ("DOMAIN", "OU", "USER", ...), and whether its children are kept in
  // alphabetical order.
  static constexpr int kNodeKeyRole = Qt::UserRole + 1;
  static constexpr int kNodeImageRole = Qt::UserRole + 2;
  static constexpr int kNodeSortedRole = Qt::UserRole + 3;

  // The small icon of a template group that the domain's group list does not hold.
  static inline const QString kGroupNotFoundIcon = QStringLiteral("NOTFOUND");

  // A locked combo box shows its text but takes no typing and opens no list.
  static void setLocked(QComboBox* box, bool locked);
  static bool isLocked(const QComboBox* box);
  // The background of editable fields (read-only ones have Field_Colour), and giving a field one.
  static QColor editableColour();
  static void setFieldBackground(QWidget* w, const QColor& colour);

  // The pages of SSTab1, by number.
  enum Page {
    kUserManagerPage = 0,
    kSetupPage = 1,
    kPreferencesPage = 2,
    kSitesPage = 3,
    kTemplatesPage = 4,
    kNewUserPage = 5,
    kW2KPage = 6,
    kMailPage = 7,
    kWTSPage = 8,
  };

  // --- controls ---
  QTabWidget* SSTab1 = nullptr;
  QTreeWidget* TreeView1 = nullptr;
  QTreeWidget* ListView1 = nullptr;  // the on-screen log
  StatusBar* StatusBar1 = nullptr;
  QToolButton* Clear_log = nullptr;
  QToolButton* Delete_Log_File = nullptr;
  QToolButton* Log_Detail = nullptr;

  // User Manager page: one existing account's properties.
  QTabWidget* SSTab2 = nullptr;  // "General", "Profile", "Account", "Custom"
  QLineEdit* USERID = nullptr;
  QLabel* Label3 = nullptr;  // "Display Name" or "Full Name"
  QLineEdit* UM_Full_Name = nullptr;
  QLineEdit* UM_Description = nullptr;
  QLabel* Label37 = nullptr;
  QLineEdit* UM_First = nullptr;
  QLabel* Label38 = nullptr;
  QLineEdit* UM_Initails = nullptr;
  QLabel* Label39 = nullptr;
  QLineEdit* UM_Last = nullptr;
  QLabel* Label40 = nullptr;
  QLineEdit* UM_Office = nullptr;
  QLineEdit* UM_Logon_Script = nullptr;
  QLineEdit* UM_Profile_Dir = nullptr;
  QLineEdit* UM_Home_Dir = nullptr;
  QComboBox* UM_Drive_Letter = nullptr;
  QLineEdit* AccExpires = nullptr;
  QLabel* Label33 = nullptr;
  QLineEdit* UM_Logon_Name = nullptr;
  QLineEdit* UM_W2KDomain_Name = nullptr;
  QLabel* Label41 = nullptr;
  QLineEdit* UM_PreW2K = nullptr;
  QLabel* Label43 = nullptr;
  QLineEdit* UM_MailAddress = nullptr;
  std::array<QLabel*, 4> Custom_Label{};
  std::array<QLineEdit*, 4> Custom_Value{};
  QPushButton* Command1 = nullptr;  // "Customise"
  QLineEdit* USERID_W2K = nullptr;
  QCheckBox* chkMustChange = nullptr;
  QCheckBox* chkCantChange = nullptr;
  QCheckBox* chkPwdNever = nullptr;
  QCheckBox* chkAcctDisabled = nullptr;
  QCheckBox* chkAcctLockedOut = nullptr;
  QGroupBox* UM_GROUPS = nullptr;
  ui::ListView* ListView4 = nullptr;  // "Member of:"
  ui::ListView* ListView3 = nullptr;  // "Not a member of:"
  QPushButton* UM_ADD_GROUP = nullptr;
  QPushButton* UM_REMOVE_GROUP = nullptr;
  QToolButton* Userman_Save = nullptr;

  // Setup page.
  QComboBox* DomName = nullptr;
  // Beside DomName while its text names another domain than the one in use: says that a domain
  // chosen here is connected at the next start, after "Save Settings".
  QLabel* DomainNote = nullptr;
  void refreshDomainNote();
  QGroupBox* Frame4 = nullptr;  // the password frame
  QLineEdit* defaultpassword = nullptr;
  QLineEdit* Formatted_Password = nullptr;
  QCheckBox* FmtPass = nullptr;
  QLineEdit* dbpath = nullptr;
  QPushButton* Command2 = nullptr;  // "&Browse"
  std::array<QRadioButton*, 5> Option1{};
  QLineEdit* setupid = nullptr;
  QLineEdit* testuserid = nullptr;
  QLineEdit* ALTID = nullptr;
  QLineEdit* TESTUSERALTID = nullptr;
  QPushButton* Check_Name_Format = nullptr;
  std::array<QRadioButton*, 4> FullName_Format{};
  QLineEdit* FN_Format = nullptr;
  QLineEdit* FN_Format_Check = nullptr;
  QPushButton* Check_FN_Format = nullptr;
  QLineEdit* Create_Script = nullptr;
  QLineEdit* Move_Script = nullptr;
  QLineEdit* Delete_Script = nullptr;
  std::array<QCheckBox*, 3> Run_Hidden{};
  std::array<QCheckBox*, 3> Wait_NEW{};
  QToolButton* Command3 = nullptr;  // "Save Settings"
  QPushButton* Set_Security = nullptr;
  QPushButton* Sharepermissions = nullptr;

  // Preferences page.
  QRadioButton* CNName = nullptr;
  QRadioButton* SamAccountName = nullptr;
  QRadioButton* Sorted_Yes = nullptr;
  QRadioButton* Sorted_No = nullptr;
  QRadioButton* DisplayName = nullptr;
  QRadioButton* DNName = nullptr;
  QCheckBox* Confirm_Resets = nullptr;
  QCheckBox* Confirm_Deletes = nullptr;
  QCheckBox* Domain_Admin = nullptr;
  QCheckBox* Profile_Delete_Name = nullptr;
  QCheckBox* Rename_Dir_Shr = nullptr;
  std::array<QCheckBox*, 3> STOP_ON_RED{};
  QPushButton* IMPORT_GRP = nullptr;  // "Import Options"
  QCheckBox* Mail_Logon = nullptr;
  QLineEdit* txtAdmin = nullptr;
  QLineEdit* txtPassword = nullptr;
  QLineEdit* PORT = nullptr;
  QToolButton* savemail = nullptr;

  // Sites page.
  ui::ListView* ListView2 = nullptr;
  QLineEdit* New_Site_Name = nullptr;
  QLineEdit* NTSERVER = nullptr;
  QLineEdit* EXSERVER = nullptr;
  QLabel* Label14 = nullptr;
  QLineEdit* EXorg = nullptr;
  QLabel* Label13 = nullptr;
  QComboBox* EXSite = nullptr;
  QLabel* Label42 = nullptr;
  QComboBox* Mail_Store = nullptr;
  std::array<QRadioButton*, 2> EXH5{};
  QPushButton* Find_Store = nullptr;
  QPushButton* New_Site = nullptr;
  QPushButton* Edit_Site = nullptr;
  QPushButton* Delete_site = nullptr;
  QPushButton* Save_Site = nullptr;
  QPushButton* Site_Cancel = nullptr;

  // Templates page.
  QComboBox* templatelst = nullptr;
  QLineEdit* New_Template_Name = nullptr;
  QLineEdit* propath = nullptr;
  QLineEdit* homedir = nullptr;
  QLineEdit* Profilepath = nullptr;
  QLineEdit* Homedirpath = nullptr;
  QLineEdit* sharenameprofile = nullptr;
  QLineEdit* Sharenamehomedir = nullptr;
  QLineEdit* logon = nullptr;
  QComboBox* Home_Drive_letter = nullptr;
  QLabel* PrimaryGrp = nullptr;
  QComboBox* grouppath = nullptr;
  ui::ListView* ListView5 = nullptr;  // the domain's groups the template does not hold
  ui::ListView* ListView6 = nullptr;  // the template's groups
  QPushButton* add = nullptr;
  QPushButton* remove = nullptr;
  QPushButton* SetPriGroup = nullptr;
  QPushButton* savetemplate = nullptr;
  QPushButton* NewTemplate = nullptr;
  QPushButton* EditTemplate = nullptr;
  QPushButton* DeleteTemplate = nullptr;
  QPushButton* paste = nullptr;
  QPushButton* Template_Cancel = nullptr;
  QPushButton* Variables = nullptr;
  QPushButton* LogonHours = nullptr;

  // New User page.
  QLineEdit* strFirst = nullptr;
  QLineEdit* StrMiddle = nullptr;
  QLineEdit* strLast = nullptr;
  QLineEdit* UserID_Box = nullptr;
  QLineEdit* Description = nullptr;
  QComboBox* nutemplate = nullptr;
  QComboBox* NUsitename = nullptr;
  QRadioButton* TemplateGroups = nullptr;
  QRadioButton* Copy_User = nullptr;
  QCheckBox* Create_Dirs = nullptr;
  QCheckBox* Create_Shares = nullptr;
  QCheckBox* Dir_Security = nullptr;
  QCheckBox* Create_User_Account = nullptr;
  QCheckBox* Create_Mail_Account = nullptr;
  QCheckBox* Run_script = nullptr;
  QLabel* Createdirs = nullptr;  // progress marks, one per creation step
  QLabel* Sharedirs = nullptr;
  QLabel* Security = nullptr;
  QLabel* UserAccount = nullptr;
  QLabel* MailAccount = nullptr;
  QLabel* run = nullptr;
  QCheckBox* PWD_NVR_EXPIRE = nullptr;
  QCheckBox* New_Disabled = nullptr;
  QCheckBox* Password_Change = nullptr;
  QCheckBox* USR_Cant_Change = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* progress = nullptr;
  QLabel* Import_Text = nullptr;
  QPushButton* CreateUser = nullptr;

  // Attribute pages.
  ui::ListView* ListView7 = nullptr;  // directory attributes
  ui::ListView* ListView8 = nullptr;  // Exchange 5.5 mail attributes
  ui::ListView* ListView9 = nullptr;  // Terminal Services settings

  // The tree's popup menu, items numbered 1 to 14 (element 0 is unused), and the attribute
  // lists' popup menu, items 1 to 3.
  QMenu* POPUP = nullptr;
  std::array<QAction*, 15> mnupopup{};
  QMenu* POPUP1 = nullptr;
  std::array<QAction*, 4> Listviewmnu{};

  QTimer* Timer2 = nullptr;  // the tree's drag-scroll timer

  // Menu bar
  QAction* Import_Users = nullptr;
  QAction* View_Log = nullptr;
  QAction* Backup_Files = nullptr;
  QAction* Exit1 = nullptr;
  QAction* Multi = nullptr;
  QAction* Gblgropus = nullptr;
  QAction* DataBase = nullptr;
  QAction* about = nullptr;
  QAction* Help = nullptr;

  ui::ImageList ImageList1;  // the small icons: log lamps, tree nodes, list rows

  // --- Attribute lists, their editor, variables, custom fields, permissions, backup and
  // compaction (form1Lists.cpp) ---

  // A press of a mouse button on a list: the right button chooses the list (Edit_Mode 0, 1, 4)
  // and shows POPUP1 at the pointer.
  void ListView7_MouseDown(Qt::MouseButton Button);
  void ListView8_MouseDown(Qt::MouseButton Button);
  void ListView9_MouseDown(Qt::MouseButton Button);
  // Double-clicks open the row editor on the list.
  void ListView7_DblClick();
  void ListView8_DblClick();
  void ListView9_DblClick();
  // The sort key becomes the clicked column and the order flips at every click.
  void ListView7_ColumnClick(int column);
  void ListView8_ColumnClick(int column);
  // POPUP1's items: 1 Edit, 2 Add, 3 Remove, on the list Edit_Mode names.
  void Listviewmnu_Click(int Index);
  // Shows POPUP1 at the pointer (tests replace Popup1_Shower to act on it instead).
  void Show_Popup1();
  std::function<void()> Popup1_Shower;

  void Variables_Click();
  void Command1_Click();  // "Customise": the custom-fields window
  void Set_Security_Click();
  void Sharepermissions_Click();
  void Backup_Files_Click();
  void DataBase_Click();

  // The list Edit_Mode names: ListView7, ListView8, the variables window's list, the open
  // custom-fields window's list or ListView9; nullptr when that window is not open.
  ui::ListView* Edit_Mode_List();
  // The variables window, created hidden on first use and kept for the life of the main window.
  Varibles_Form& Varibles();
  // The custom-fields window while it is open.
  QPointer<Custom> Custom_Window;

  // The database folder for the lists' files and the compaction, through List_File_Ops (the
  // system's calls unless a test puts others in).
  records::DatabaseFolder listsFolder() const;
  records::FileOps* List_File_Ops = nullptr;

  // The rows of the attribute lists in display order, as their files store them.
  QList<records::W2K_Property_Row> w2kRows() const;
  QList<records::Mail_Attribute_Row> mailRows() const;
  QStringList wtsValues() const;
  // Rewrites W2K.dat, Mail.dat or WTS.dat (by Edit_Mode 0, 1 or 4) with `rows`. A failure is shown
  // in a message naming the file, and the file keeps what it held; returns false then.
  bool storeW2K(const QList<records::W2K_Property_Row>& rows);
  bool storeMail(const QList<records::Mail_Attribute_Row>& rows);
  bool storeWTS(const QStringList& values);

  // Whether the template tab is naming a new, unsaved template.
  bool newTemplateMode() const;
  // Writes `rows` into the variable slots of the template named in templatelst. False, after a
  // message, when they don't fit the record, the template has no saved record, or the write failed
  // (`noRecord` tells the second case apart).
  bool storeVariables(const std::vector<records::TemplateVariable>& rows, bool* noRecord = nullptr);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QSplitter* treeSplit_ = nullptr;
  // The tree's width to apply once the window is laid out (0: none waits).
  int pendingTreeWidth_ = kDefaultTreeWidth;
  void applyTreeWidth(int width);
  void refreshUserIdPreview();
  void connectSettingsHandlers();
  void loadSettings();
  void layoutPasswordFrame(bool both);
  void buildImages();
  void buildMenus();
  // The selected tree node when it is a user, else nullptr.
  QTreeWidgetItem* selectedUserNode() const;
  void buildPopups();
  void buildLogPanel(QWidget* host);
  // One builder per page of SSTab1 (form1Pages.cpp).
  QWidget* buildUserManagerPage();
  QWidget* buildSetupPage();
  QWidget* buildPreferencesPage();
  QWidget* buildSitesPage();
  QWidget* buildTemplatesPage();
  QWidget* buildNewUserPage();
  QWidget* buildListPage(ui::ListView*& list, const char* name, const QString& first, const QString& second);
  void openLog();

  void wireSitesPage();
  void wireTemplatesPage();
  void wireListsPage();
  void removeListRow();
  bool domainAnswers(const QString& name);
  Varibles_Form* varibles_ = nullptr;
  void setSiteFieldsEditable(bool editable);
  void removeSiteRow(QTreeWidgetItem* row);
  QTreeWidgetItem* pendingSiteRow() const;
  void siteNameEditAbandoned();
  // Removes every entry of `list` whose text is `name` (trimmed, letter case ignored).
  static void removeListedName(QComboBox* list, const QString& name);
  void siteTrap(const QString& status);
  bool siteHasFocus(QWidget* w) const;

  // The tree, popup and toolbar (form1Tree.cpp).
  void buildToolbar();
  void wireTree();
  bool treeEvent(QEvent* event);
  void enablePopup(const QTreeWidgetItem* node);
  // Puts the selected user into the bulk window's selection and shows the window with only `tab`.
  void handOffToBulk(int tab);
  void resetSelectedPassword();
  void setDropHighlight(QTreeWidgetItem* node);
  QPersistentModelIndex dropHighlight_;
  QString dragSourceKey_;
  QString dragSourceText_;

  // User Manager page (form1UserManager.cpp).
  void wireUserManagerPage();
  // The page as the load and save procedures see it, and a loaded page shown.
  directory::UserPage umPage() const;
  void showUmPage(const directory::UserPage& page);
  // Custom value box k is read-only, with `why` as its tool tip, or (empty `why`) editable.
  void showCustomReadOnly(int k, const QString& why);
  // Changes the membership of each selected row of `from` (walked from the last) and moves the
  // rows the directory accepted to `to`.
  void moveSelectedGroups(ui::ListView* from, ui::ListView* to, const std::function<bool(int)>& change);
  bool umFilling_ = false;           // the page is being filled by program: no change flag rises
  bool umMustChangeLoaded_ = false;  // the must-change box as the last load or save left it
  std::array<QString, 4> umCustomAttribute_;  // the attribute each custom value was loaded from
  std::array<bool, 4> umCustomEdited_{};      // the administrator changed the custom value

  // An ID typed into UserID_Box by hand is kept when the creation capitalises the names.
  bool userIdTypedByHand_ = false;
  bool previewSuppressed_ = false;
  friend class CreationHost;
  friend class ImportWindowHost;

  // The entry the last New_Site_Click added to ListView2 (null once removed).
  QTreeWidgetItem* newSiteRow_ = nullptr;
  // The stored name of the template the tab shows (empty when none), and the one it showed when
  // New was pressed: the template that paste copies.
  QString shownTemplate_;
  QString pasteSource_;
  void setHomeDrive(const QString& drive);
  void setTemplateFieldsEditable(bool editable);
  void templateTrap(const QString& detail);
  void moveTemplateGroups(const records::Template_Record& t);
  void showTemplateFields(const records::Template_Record& t);
  // The last mode probe's error when the domain could not be reached.
  std::optional<adsi::Error> unreachableError_;
  // Whether the last load filled the template tab's group list with every group of the domain,
  // and if not, why not; the compaction prunes templates' groups only against a complete list.
  bool groupsComplete_ = false;
  QString groupsProblem_;
  void noteLoad(const directory::LoadOutcome& outcome);
};

}  // namespace tavrel::mainwindow
