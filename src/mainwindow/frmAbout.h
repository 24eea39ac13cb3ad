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
// A key press closes it; so does Unload_Splash.
class frmSplash : public QWidget {
  Q_OBJECT
 public:
  explicit frmSplash(QWidget* parent = nullptr);
  // Shows a progress text and repaints at once. Pending events are handled, input included, so
  // that a key press reaches the window while the start-up goes on.
  void setStatus(const QString& text);
  QLabel* lblProductName = nullptr;
  QLabel* lblversion = nullptr;
  QLabel* lblSystems = nullptr;
  QLabel* Splash_TxT = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
};

// Closes the splash window when one is shown (the start-up calls it at its end).
void Unload_Splash();

// A logo drawn in code: the program needs no picture files.
QLabel* makeLogo(QWidget* parent);

}  // namespace tavrel::mainwindow
