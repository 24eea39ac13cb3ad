#pragma once
// The CSV import's three small windows: the preview CSV_Import ("CSV File Import"), the cancel
// window CancelImport shown beside the main window while an import runs, and the import options
// ImportGrps ("Import Options": the fields searched for group names and the expiry date given
// to imported accounts).

#include "ui/ListView.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <array>

namespace tavrel::mainwindow {

class CSV_Import : public QDialog {
  Q_OBJECT
 public:
  explicit CSV_Import(QWidget* parent = nullptr);

  // Shows `path` and its first two lines as columns %IMPORT1%, %IMPORT2%, ...; a file that
  // cannot be read or has fewer than two lines beeps and leaves the list empty.
  void Form_Load(const QString& path);

  // The preview's answer: true only when OK was pressed in the showing just ended.
  bool Import_Accepted = false;

  QLabel* File_Name = nullptr;
  QLabel* Encoding = nullptr;  // the encoding the file is read with
  ui::ListView* ListView1 = nullptr;
  QPushButton* Command1 = nullptr;  // "&OK"
  QPushButton* Command2 = nullptr;  // "&Cancel"

  // The path as File_Name shows it: one of 41 characters or more as "..." and its last 37.
  static QString shownPath(const QString& path);
};

class CancelImport : public QWidget {
  Q_OBJECT
 public:
  explicit CancelImport(QWidget* parent = nullptr);
  QPushButton* CancelButton = nullptr;  // "Stop": sets Cancel_Flag and closes the window
};

class ImportGrps : public QDialog {
  Q_OBJECT
 public:
  // The one instance, created (and loaded from the settings) on first use; unload() drops it,
  // so the next use reads the settings again.
  static ImportGrps& instance();
  static ImportGrps* existing();
  static void unload();

  // Reads Setup\AccountExpire, ImportGroupsStart and ImportGroupsFinish into the window.
  void Form_Load();
  void Grp_Range_Click(int Index);
  // Runs after an edit of a range box: a text that is no number from 0 to 99 is said.
  void Range_Change(QLineEdit* box);
  void OKButton_Click();
  void CancelButton_Click();

  QLineEdit* Expiredate = nullptr;
  std::array<QRadioButton*, 3> Grp_Range{};  // None, All, Enter Range
  QLineEdit* LowerRange = nullptr;
  QLineEdit* UpperRange = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  explicit ImportGrps(QWidget* parent = nullptr);
  void setRangeEnabled(bool on);
};

}  // namespace tavrel::mainwindow
