#pragma once
// The window that edits one of the two permission lists of the database folder: the directory
// list (Permissions.dat), applied to a new user's directories, or the share list
// (SharePerm.dat), applied to the user's shares. SharePermMode chooses which when it loads.

#include "records/PropertyLists.h"
#include "ui/ListView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace tavrel::mainwindow {

class form1;

class Permissions : public QDialog {
  Q_OBJECT
 public:
  // Loads the list SharePermMode names (Form_Load); the window is then shown with exec().
  explicit Permissions(form1& main);

  // Reads every entry; a missing file is created empty. A list that could not be read to its end
  // is reported, and OK stays disabled so that the partial list can't replace the file.
  void Form_Load();
  void Access_Click();
  void ListView1_Click();
  void Command4_Click();  // Add: a row with an empty name, opened for typing the account
  void Command3_Click();  // Remove
  // Rewrites the file from the rows in their sorted order. Rows that don't fit the file, or a
  // failed write, are reported and the window stays open with its rows.
  void OK_Button_Click();
  void Command2_Click();  // Cancel

  QList<records::PermissionRow> rows() const;
  const QString& fileName() const { return fileName_; }

  ui::ListView* ListView1 = nullptr;
  QLabel* Label1 = nullptr;  // "Type of Access"
  QComboBox* Access = nullptr;
  QCheckBox* NEW_Security = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* OK_Button = nullptr;
  QPushButton* Command2 = nullptr;

 private:
  void showAccessOf(int row);

  form1& f_;
  QString fileName_;
  bool share_ = false;
};

}  // namespace tavrel::mainwindow
