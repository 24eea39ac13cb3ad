#pragma once
// The row editor of the two-column lists: one small modal dialog that adds or changes one
// name/value row of the list Edit_Mode names (0 directory attributes, 1 mail attributes,
// 2 template variables, 3 custom fields, 4 Terminal Services settings). For the directory, mail
// and Terminal Services lists OK also rewrites the list's file; the variables and custom fields
// are stored by their own windows.

#include "ui/ListView.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tavrel::mainwindow {

class form1;

class Edit_Properties : public QDialog {
  Q_OBJECT
 public:
  // Loads the dialog for the list Edit_Mode names (Form_Load); it is then shown with exec().
  explicit Edit_Properties(form1& main, QWidget* parent = nullptr);

  // Shows the editor modally for the list Edit_Mode names, as the popup's "Edit" and "Add" and a
  // double-click do. Changing a row needs a row the administrator selected: while the list holds
  // rows and none is selected, a message says so and the editor does not open (an empty list
  // opens it for adding).
  static void run(form1& main, QWidget* parent);

  void Form_Load();
  // Stores the row (and the list's file where the list has one) and closes. A row the file could
  // not take, or a file that could not be written, is reported and the dialog stays open.
  void OKButton_Click();
  void CancelButton_Click();

  // The value box shown: W2K_Propertry or one of the three drop-down lists.
  QWidget* valueBox() const;

  QLabel* Property = nullptr;
  QLineEdit* W2K_Attribute = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* W2K_Propertry = nullptr;
  QComboBox* WTS_YN = nullptr;
  QComboBox* WTS_TIME = nullptr;
  QComboBox* WTS_DRIVE_LETTER = nullptr;
  QRadioButton* W2K_Person = nullptr;
  QRadioButton* W2K_2000 = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 protected:
  void reject() override;

 private:
  QString valueText() const;
  bool refused(const QString& why);
  void finish();

  form1& f_;
  ui::ListView* list_ = nullptr;  // the list of Edit_Mode when the dialog was loaded
  int mode_ = 0;
};

}  // namespace tavrel::mainwindow
