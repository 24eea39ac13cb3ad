#pragma once
// The window "Rename NT 4.0 User": renames the NT account of the tree's selected node, changes
// its full name and, when asked, renames its home and profile folders with their shares. The
// work is renameNtUser(); the window holds the fields, the old name and the two changed flags.

#include "groups/RenameWork.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tavrel::groups {

class Rename_NT : public QDialog {
  Q_OBJECT
 public:
  // Reads the selected node of `host` and fills the fields; `host` must outlive the window.
  explicit Rename_NT(RenameHost& host, QWidget* parent = nullptr);

  void Form_Load();
  void User_Logon_Change() { logonChanged_ = true; }
  void Full_Name_Change() { fullNameChanged_ = true; }
  void OKButton_Click();
  void CancelButton_Click() { reject(); }

  QString oldName() const { return oldName_; }
  bool logonChanged() const { return logonChanged_; }
  bool fullNameChanged() const { return fullNameChanged_; }

  QLineEdit* User_Logon = nullptr;
  QLineEdit* Full_Name = nullptr;
  QCheckBox* RenameDir = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  RenameHost& host_;
  QString oldName_;
  bool logonChanged_ = false;
  bool fullNameChanged_ = false;
};

}  // namespace tavrel::groups
