#pragma once
// The group window "Global Groups": one instance, created hidden the first time any code needs
// it and kept for the life of the program. Its group list and its list of non-members are the
// program's lists of the domain's groups and users, filled by the domain loaders.

#include "ui/ImageList.h"
#include "ui/ListView.h"

#include <QWidget>

namespace tavrel::groups {

class Groupsfrm : public QWidget {
  Q_OBJECT
 public:
  // The window, created (not shown) when it does not exist yet. `images`, when given, becomes the
  // lists' small icons (the main window's image list; it must outlive the window).
  static Groupsfrm& instance(const ui::ImageList* images = nullptr);
  // The window when it exists, else nullptr.
  static Groupsfrm* existing();
  // Destroys the window; the next instance() creates it afresh.
  static void unload();

  ui::ListView* ListView1 = nullptr;   // the domain's groups: "Name", "Type"
  ui::ListView* NotMembers = nullptr;  // the users not in the group chosen here

 private:
  explicit Groupsfrm(const ui::ImageList* images);
};

}  // namespace tavrel::groups
