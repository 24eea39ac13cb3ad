#pragma once
// The logon-hours window: the week of a template's permitted logon hours as a grid of seven days
// by 24 hours, blue where logon is permitted and white where it is denied. It paints the 21 bytes
// it is given when it opens and packs the grid back into them on OK; Cancel and closing the
// window change nothing. It reads and writes no file.

#include "records/LogonHours.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace tavrel::mainwindow {

class Logon_Hours : public QDialog {
  Q_OBJECT
 public:
  // `hours` is the array OK writes; `canKeep` is false when no template is being created or
  // edited: the grid can then be painted but not kept.
  Logon_Hours(records::LogonHoursBytes& hours, bool canKeep, QWidget* parent = nullptr);

  // Permitted and denied, as the cells show them.
  static QColor enabledColour() { return QColor(0, 0, 255); }
  static QColor disabledColour() { return QColor(255, 255, 255); }

  // Handlers.
  void Option1_Click();
  void Option2_Click();
  // Paints the selected range in the mode's colour and describes it in Label2.
  void MSFlexGrid1_MouseUp();
  void Command2_Click();  // OK
  void Command1_Click();  // Cancel

  // The grid as it stands, packed the way OK packs it.
  records::LogonHoursBytes packed() const;
  // Whether the cell of `day` (0 = Sunday) and `hour` shows permitted.
  bool permitted(int day, int hour) const;
  // The cells of hours, not the header: row 0 = Sunday, column 0 = the hour from 12am.
  QTableWidgetItem* cell(int day, int hour) const { return MSFlexGrid1->item(day, hour); }

  QTableWidget* MSFlexGrid1 = nullptr;
  QRadioButton* Option1 = nullptr;  // "Enable Login"
  QRadioButton* Option2 = nullptr;  // "Disable login"
  QLabel* Label1 = nullptr;         // the hour ruler
  QLabel* Label2 = nullptr;         // the last painted range
  QLabel* Label3 = nullptr;         // blue swatch
  QLabel* Label4 = nullptr;         // white swatch
  QPushButton* Command2 = nullptr;  // "&OK"
  QPushButton* Command1 = nullptr;  // "&Cancel"

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QColor paintColour() const;
  void setSelectionColour(const QColor& colour);
  void paintGrid(const records::LogonHoursBytes& bytes);

  records::LogonHoursBytes& hours_;
  QAbstractButton* corner_ = nullptr;
};

}  // namespace tavrel::mainwindow
