#pragma once
// The window "Template Variables": the current template's variables (name and value), edited
// through the main window's popup menu and the row editor. It is created once, hidden, and lives
// as long as the main window; Close writes the variables into the template's record and hides it.
// The list shows and changes the shared Template_Variables.

#include "records/Records.h"
#include "ui/ListView.h"

#include <QDialog>
#include <QPushButton>

#include <vector>

namespace tavrel::mainwindow {

class form1;

class Varibles_Form : public QDialog {
  Q_OBJECT
 public:
  explicit Varibles_Form(form1& main);

  // Writes the variables into the record of the template named in the template tab and hides the
  // window. While the tab names a new, unsaved template, the rows are only kept for its save.
  // Rows that don't fit the record, or a failed write, are reported and the window stays open; a
  // template with no saved record is reported and the rows are kept in memory.
  void Close_Click();
  void ListView1_DblClick();
  void ListView1_MouseDown(Qt::MouseButton Button);
  void ListView1_ColumnClick(int column);

  // Fills the list from Template_Variables (before the window is shown).
  void showRows();
  // Takes the list's rows, in display order, into Template_Variables.
  void listChanged();
  std::vector<records::TemplateVariable> rows() const;

  ui::ListView* ListView1 = nullptr;
  QPushButton* Close = nullptr;

 protected:
  // The frame's close box and Escape hide the window like Close but store nothing; the rows stay.
  void reject() override;

 private:
  form1& f_;
};

}  // namespace tavrel::mainwindow
