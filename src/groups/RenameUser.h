#pragma once
// The window "Rename User": renames the Active Directory user of the tree's selected node (its
// logon names, given, family and display names, and its common name) and, when asked, its home
// and profile folders with their shares. The work is renameAdUser(); the window holds the fields
// and the two changed flags.

#include "groups/RenameWork.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tavrel::groups {

class RenameUser : public QDialog {
  Q_OBJECT
 public:
  // Reads the selected node of `host` and fills the fields; `host` must outlive the window.
  explicit RenameUser(RenameHost& host, QWidget* parent = nullptr);

  void Form_Load();
  void Full_Name_Change() { fullNameChanged_ = true; }
  void Logon_Name_pre2000_Change() { samChanged_ = true; }
  void Command2_Click();  // OK
  void Command1_Click() { reject(); }  // Cancel

  bool fullNameChanged() const { return fullNameChanged_; }
  bool samChanged() const { return samChanged_; }

  QLineEdit* Full_Name = nullptr;
  QLineEdit* First_Name = nullptr;
  QLineEdit* Last_Name = nullptr;
  QLineEdit* Display_Name = nullptr;
  QLineEdit* User_logon_name = nullptr;
  QLineEdit* AD_Domain = nullptr;     // read-only: the suffix of the user logon name
  QLineEdit* WINNT_Domain = nullptr;  // read-only: "NETBIOS\"
  QLineEdit* Logon_Name_pre2000 = nullptr;
  QCheckBox* ReNameSD = nullptr;
  QLabel* RENDIR = nullptr;  // "*" beside Full_Name when the common name names the folders
  QLabel* REDIR1 = nullptr;  // "*" beside Logon_Name_pre2000 otherwise
  QLabel* Label7 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command1 = nullptr;

 private:
  RenameHost& host_;
  bool fullNameChanged_ = false;
  bool samChanged_ = false;
};

}  // namespace tavrel::groups
