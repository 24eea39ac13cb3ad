#pragma once
// The bulk-operations window "Multi User Functions": one instance, created and loaded the first
// time any code needs it, and kept. Its four lists are views of the catalogue (Catalogue.h): the
// users, groups and OUs the domain loaders fill, and the selection the operations work on. The
// group list holds the domain's global groups (every group in an NT domain); the catalogue keeps
// the lists for the life of the process and empties them when the window is unloaded. Ex_Server
// is filled by Form_Load from Site.dat, Multi_Site and Multi_Template by the record loader.

#include "bulk/AccountOps.h"
#include "bulk/Catalogue.h"
#include "bulk/DeleteUser.h"
#include "bulk/MoveUser.h"
#include "ui/ImageList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeView>
#include <QWidget>

#include <array>
#include <functional>

namespace tavrel::bulk {

class MultiUser : public QWidget {
  Q_OBJECT
 public:
  // The window, created and loaded from the database folder `dbpath` when it does not exist yet.
  static MultiUser& instance(const QString& dbpath);
  // The window when it exists, else nullptr.
  static MultiUser* existing();
  // Closes and destroys the window and empties its lists; the next instance() creates it afresh.
  static void unload();
  // The small icons of the lists (the main window's image list; it must outlive the window).
  static void setImages(const ui::ImageList* images);

  // What the window takes from the main window.
  struct Links {
    std::function<void(const QString& colour, const QString& message)> LOG_TAB;  // the on-screen log
    std::function<QString()> defaultpassword;                                    // the default-password text
    std::function<QString()> dbpath;  // the database folder (ends with a separator)
  };
  static void setLinks(Links links);
  // What the bulk delete takes from the main window.
  struct DeleteLinks {
    // The delete's settings (confirmation, command, Exchange administrator).
    std::function<void(DeleteOptions& options)> deleteSettings;
    // Removes a deleted user's node from the domain tree (AD: by key; NT: by text).
    std::function<void(const QString& user)> removeTreeNode;
  };
  static void setDeleteLinks(DeleteLinks links);
  // The main window's settings a move reads (its command, how to run it, the NT profile cut).
  static void setMoveSettings(std::function<void(MoveForm&)> fill);

  // The load routine. Outside the NT mode: "Exchange 2000" first in Ex_Server, the AD Properties
  // tab available and AD_Properties filled with the user class's optional attributes. Then
  // Expiredate gets today's date, and Ex_Server the distinct Exchange servers, in capitals, of the
  // live sites of Site.dat, in the order they first appear. A failing step ends the routine;
  // with the command line "/DEBUG" it says which step failed.
  void Form_Load(const QString& dbpath, const QString& commandLine = QString());

  // The lists (models, owned by the catalogue) and their views.
  KeyedList* ListView1 = nullptr;  // the selection
  KeyedList* ListView2 = nullptr;  // users
  KeyedList* ListView3 = nullptr;  // groups
  KeyedList* ListView4 = nullptr;  // organisational units
  QTreeView* View1 = nullptr;
  QTreeView* View2 = nullptr;
  QTreeView* View3 = nullptr;
  QTreeView* View4 = nullptr;
  QPushButton* Command1 = nullptr;  // ">>"
  QPushButton* Command2 = nullptr;  // "<<"
  QPushButton* Command7 = nullptr;  // "&Close"
  QLabel* Label3 = nullptr;         // the status line
  QTabWidget* SSTab1 = nullptr;     // "Delete Users", "Move Users", "Accounts", "AD Properties"

  // Tab 0 "Delete Users"
  QCheckBox* Del_Permissions = nullptr;
  std::array<QRadioButton*, 2> Delete_data{};  // "Delete", "Don't Delete"
  QCheckBox* Run_command = nullptr;
  std::array<QRadioButton*, 2> Delete_Mail{};  // "Delete Mail Account", "Don't Delete"
  QComboBox* Ex_Server = nullptr;
  QCheckBox* No_Prompting = nullptr;
  QPushButton* Del_User = nullptr;
  QPushButton* DELIMPORT = nullptr;
  // Tab 1 "Move Users"
  QComboBox* Multi_Site = nullptr;          // site names as stored
  QComboBox* Multi_Template = nullptr;      // template names as stored
  std::array<QRadioButton*, 3> UserData{};  // "Move", "Copy", "Nothing"
  QCheckBox* Run_CMD = nullptr;
  QCheckBox* Add_to_Groups = nullptr;
  QCheckBox* Change_Logon = nullptr;
  QCheckBox* No_Prompt = nullptr;
  QPushButton* btn_MoveUser = nullptr;
  // Tab 2 "Accounts"
  QLineEdit* Expiredate = nullptr;
  QPushButton* Command3 = nullptr;  // "Find &Accounts"
  QCheckBox* Unlock_Reset = nullptr;
  QPushButton* Unlocka = nullptr;          // "&Find Locked Accounts" / "&Unlock Accounts"
  std::array<QRadioButton*, 2> LockAcc{};  // "Enable Accounts", "Disable Accounts"
  QPushButton* Command5 = nullptr;         // "&Enable/Disable"
  QPushButton* Command4 = nullptr;         // "&Reset Passwords"
  // Tab 3 "AD Properties"
  QComboBox* AD_Properties = nullptr;
  QLabel* Syntax = nullptr;
  QLineEdit* AD_CHANGE = nullptr;
  QGroupBox* Frame11 = nullptr;  // "Multi Value"
  QRadioButton* AD_Append = nullptr;
  QRadioButton* AD_Replace = nullptr;
  QPushButton* CHANGE_AD = nullptr;

  enum Tab { kDeleteTab = 0, kMoveTab = 1, kAccountsTab = 2, kADPropertiesTab = 3 };

  // The views' selected rows (1-based) of list `view`.
  QList<int> selectedRows(QTreeView* view) const;
  // True while an operation runs (its button reads "&Cancel"; the list moves are held).
  bool running() const { return running_ != nullptr; }
  // How often a running operation serves pending input, in milliseconds (0: after every user).
  void setYieldInterval(int ms) { yieldMs_ = ms; }

 public slots:
  void Command1_Click();  // ">>"
  void Command2_Click();  // "<<"
  void Command7_Click();  // "&Close"
  void ListView_DblClick(QTreeView* view);
  void Command3_Click();  // find expired accounts
  void Command4_Click();  // reset passwords
  void Command5_Click();  // enable or disable
  void Unlocka_Click();   // find locked accounts, then unlock
  void AD_Properties_Click();
  void CHANGE_AD_Click();
  void Del_User_Click();      // delete the selection's users, or cancel the running delete
  void DELIMPORT_Click();     // select the users named in a list file
  void No_Prompting_Click();  // the warning of the delete tab's "No Prompting"
  void No_Prompt_Click();     // the warning of the move tab's "No Prompting"
  void btn_MoveUser_Click();  // move the selection's users, or cancel the move

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Host;
  class MoveWindowHost;
  // The move options locked while a move runs.
  void lockMoveOptions(bool locked);
  MultiUser();
  QTreeView* makeView(QWidget* parent, const QString& name, KeyedList* model);
  // Marks `button` as the running operation's (caption "&Cancel") and holds the list moves and
  // the other operations. False when another operation runs.
  bool beginRun(QPushButton* button);
  void endRun(QPushButton* button, const QString& caption);
  bool cancelClick(QPushButton* button);
  void wireDeleteTab();
  static const Links& links();
  static const DeleteLinks& deleteLinks();
  // The delete tab's options and the list moves, held while a delete runs.
  void lockDeleteControls(bool locked);
  // Selects the users whose texts are the lines of `text` (whole lines, letter case ignored).
  void selectListed(const QString& text);
  std::vector<ListItem> selectionItems() const;
  QString dbpath() const;

  QPushButton* running_ = nullptr;
  bool cancelRequested_ = false;
  int yieldMs_ = 50;
  QString dbpath_;
};

}  // namespace tavrel::bulk
