#pragma once
// "Delete WKS Profile": asks for the workstation whose local profile hive is deleted and whether
// it runs NT 4.0 or Windows 2000. Each opening starts empty with "Windows 2000" chosen.

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tavrel::mainwindow {

class WKS_PROFILE : public QDialog {
  Q_OBJECT
 public:
  explicit WKS_PROFILE(QWidget* parent = nullptr);

  // What the last closing handed back: the name as typed on OK, empty on Cancel or when the
  // window was closed by its frame (which counts as Cancel). The type keeps its value on Cancel.
  static QString Workstation_Path;
  static bool Workstation_NT4;

  void OKButton_Click();
  void CancelButton_Click();

  QLineEdit* WKS_NAME1 = nullptr;
  QRadioButton* W2K = nullptr;
  QRadioButton* NT40 = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 protected:
  // Escape and the frame's close button both end here.
  void reject() override;
};

}  // namespace tavrel::mainwindow
