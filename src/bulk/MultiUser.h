#pragma once
// The bulk-operations window "Multi User Functions": one instance, created and loaded the first
// time any code needs one of its controls, and kept. Its four lists are the source lists the
// domain loaders fill (users, groups, OUs) and the selection.

#include "ui/ImageList.h"
#include "ui/ListView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QWidget>

namespace tavrel::bulk {

class MultiUser : public QWidget {
  Q_OBJECT
 public:
  // The window, created and loaded from the database folder `dbpath` when it does not exist yet.
  static MultiUser& instance(const QString& dbpath);
  // The window when it exists, else nullptr.
  static MultiUser* existing();
  // Closes and destroys the window; the next instance() creates it afresh.
  static void unload();
  // The small icons of the lists (the main window's image list; it must outlive the window).
  // Applies to the existing window and to one created later.
  static void setImages(const ui::ImageList* images);

  // The load routine. Outside the NT mode: "Exchange 2000" first in Ex_Server, the AD Properties
  // tab available and AD_Properties filled with the user class's optional attributes. Then
  // Expiredate gets today's date, and Ex_Server the distinct Exchange servers, in capitals, of the
  // live sites of Site.dat, in the order they first appear. A failing step ends the routine;
  // with the command line "/DEBUG" it says which step failed.
  void Form_Load(const QString& dbpath, const QString& commandLine = QString());

  QTabWidget* SSTab1 = nullptr;       // "Delete Users", "Move Users", "Accounts", "AD Properties"
  ui::ListView* ListView1 = nullptr;  // the selection
  ui::ListView* ListView2 = nullptr;  // users
  ui::ListView* ListView3 = nullptr;  // groups
  ui::ListView* ListView4 = nullptr;  // organisational units
  QLabel* Label3 = nullptr;           // the status line

  QComboBox* Ex_Server = nullptr;
  QComboBox* Multi_Site = nullptr;      // site names as stored
  QComboBox* Multi_Template = nullptr;  // template names as stored
  QLineEdit* Expiredate = nullptr;
  QComboBox* AD_Properties = nullptr;

  enum Tab { kDeleteTab = 0, kMoveTab = 1, kAccountsTab = 2, kADPropertiesTab = 3 };

 private:
  MultiUser();
};

}  // namespace tavrel::bulk
