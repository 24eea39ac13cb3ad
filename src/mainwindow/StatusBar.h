#pragma once
// The main window's status bar: two text panels addressed from 1, as the rest of the code knows
// them (panel 1 progress and failure texts, panel 2 the domain mode).

#include <QLabel>
#include <QStatusBar>
#include <array>

namespace tavrel::mainwindow {

class StatusBar : public QStatusBar {
  Q_OBJECT
 public:
  explicit StatusBar(QWidget* parent = nullptr);
  // Panel 1 or 2; `detail` (why an operation failed) shows as the panel's tool tip.
  void setPanelText(int panel, const QString& text, const QString& detail = {});
  QString panelText(int panel) const;
  QLabel* panel(int panel) const;

 private:
  std::array<QLabel*, 2> panels_{};
};

}  // namespace tavrel::mainwindow
