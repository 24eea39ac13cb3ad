#pragma once
// The main window. Its controls are members under their known names, and each control's
// objectName is that name, so that code and tests find them.

#include "mainwindow/StatusBar.h"
#include "ui/ImageList.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace tavrel::mainwindow {

class form1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit form1(QWidget* parent = nullptr);
  ~form1() override;

  // Adds a verdict row to the on-screen log: the colour word's icon, the message, the date and
  // time. "RED" beeps once. A colour word other than "GREEN", "YELLOW" or "RED" is refused
  // before any row is added (returns false).
  bool LOG_TAB(const QString& Colour, const QString& Message);

  // The database folder as the Setup tab holds it (ends with the folder separator).
  QString databaseFolder() const;

  // Handlers
  void Clear_log_Click();
  void Delete_Log_File_Click();
  void Log_Detail_Click();
  void View_Log_Click();
  void about_Click();
  void Exit1_Click();

  // Brings the window forward, restored (a second start asked for it).
  void bringToFront();

  // --- controls ---
  QTabWidget* SSTab1 = nullptr;
  QTreeWidget* TreeView1 = nullptr;
  QTreeWidget* ListView1 = nullptr;  // the on-screen log
  StatusBar* StatusBar1 = nullptr;
  QToolButton* Clear_log = nullptr;
  QToolButton* Delete_Log_File = nullptr;
  QToolButton* Log_Detail = nullptr;
  QLineEdit* dbpath = nullptr;

  // Menu bar
  QAction* Import_Users = nullptr;
  QAction* View_Log = nullptr;
  QAction* Backup_Files = nullptr;
  QAction* Exit1 = nullptr;
  QAction* Multi = nullptr;
  QAction* Gblgropus = nullptr;
  QAction* DataBase = nullptr;
  QAction* about = nullptr;
  QAction* Help = nullptr;

  ui::ImageList ImageList1;  // the log's colour lamps

 private:
  void buildMenus();
  void buildLogPanel(QWidget* host);
  void openLog();
};

}  // namespace tavrel::mainwindow
