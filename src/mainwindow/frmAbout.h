#pragma once
#include <QDialog>
#include <QLabel>

namespace tavrel::mainwindow {

// The About window: the program's title and version; a click closes it.
class frmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit frmAbout(QWidget* parent = nullptr);
  QLabel* lblTitle = nullptr;
  QLabel* lblversion = nullptr;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
};

// The splash window shown during start-up: title, version, supported systems and a status line.
// A key press closes it.
class frmSplash : public QWidget {
  Q_OBJECT
 public:
  explicit frmSplash(QWidget* parent = nullptr);
  // Shows a progress text and repaints at once, without handling user input.
  void setStatus(const QString& text);
  QLabel* lblProductName = nullptr;
  QLabel* lblversion = nullptr;
  QLabel* lblSystems = nullptr;
  QLabel* Splash_TxT = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
};

// A logo drawn in code: the program needs no picture files.
QLabel* makeLogo(QWidget* parent);

}  // namespace tavrel::mainwindow
