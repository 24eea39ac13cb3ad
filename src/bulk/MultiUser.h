#pragma once
// The bulk-operations window: one instance, created and loaded the first time any code needs one
// of its controls. For now it carries the site and template selectors the record lists fill and
// the list of Exchange servers its load routine gathers from Site.dat.

#include <QComboBox>
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

  // Fills Ex_Server with the distinct Exchange server names, in capitals, of the live sites of
  // Site.dat, in the order they first appear. A missing or unreadable Site.dat lists none.
  void Form_Load(const QString& dbpath);

  QComboBox* Multi_Site = nullptr;      // site names as stored
  QComboBox* Multi_Template = nullptr;  // template names as stored
  QComboBox* Ex_Server = nullptr;

 private:
  MultiUser();
};

}  // namespace tavrel::bulk
