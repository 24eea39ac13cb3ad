#pragma once
// The group window "Global Groups": one instance, created hidden the first time any code needs
// it and kept for the life of the program. Its group list and its list of non-members are the
// program's lists of the domain's groups and users, filled by the domain loaders; the window
// itself never reloads them, it only moves user entries between its two member lists.
//
// The window loads a group's members, adds and removes members, deletes a group and opens
// GroupAdd. A deletion or a creation is carried to every other list of groups: the bulk window's
// (the catalogue) here, the main window's through the links it installs.

#include "ui/ImageList.h"
#include "ui/ListView.h"

#include <QColor>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace tavrel::groups {

// What the window needs of the main window. Every member may be empty.
struct GroupLinks {
  // Empties the user-properties tab (its group lists return to the domain's groups).
  std::function<void()> clearUserTab;
  // A group was created: add it to the main window's template and user-tab group lists.
  // Returns false when a list refused the entry.
  std::function<bool(const QString& text, const QString& key, const QString& icon)> groupAdded;
  // A group was deleted: take it out of the main window's lists and its tree node. In Active
  // Directory mode the entries are matched by `key`, in NT mode by `name`.
  std::function<void(const QString& key, const QString& name, bool ntMode)> groupRemoved;
  // The database folder (Template.dat), and the key of the tree's first node (the domain's DN).
  std::function<QString()> databaseFolder;
  std::function<QString()> rootKey;
};

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

  static void setLinks(GroupLinks links);
  static const GroupLinks& links();
  void setFieldColour(const QColor& colour);

  // Handlers.
  void ListView1_Click();
  void ListView1_DblClick() { Load_Group_Members(); }
  void Group_Details_Click() { Load_Group_Members(); }
  void ListView1_ColumnClick(int column);
  void Add_Group_Click();
  void ExitButton_Click();
  void Command1_Click();  // remove the selected members
  void Command2_Click();  // add the selected non-members
  void Delete_Group_Click();

  // Every entry of Members back to NotMembers; Members is emptied.
  void returnMembers();
  QString statusText() const;

  ui::ListView* ListView1 = nullptr;   // the domain's groups: "Name", "Type"
  ui::ListView* Members = nullptr;     // the loaded group's user members
  ui::ListView* NotMembers = nullptr;  // the users not in the group chosen here
  QPushButton* Command1 = nullptr;     // ">>"
  QPushButton* Command2 = nullptr;     // "<<"
  QPushButton* Group_Details = nullptr;
  QPushButton* Add_Group = nullptr;
  QPushButton* Delete_Group = nullptr;
  QPushButton* ExitButton = nullptr;
  QLineEdit* Decsription_Text = nullptr;
  QStatusBar* StatusBar1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Widens the Name column to the longest group name shown.
  void showEvent(QShowEvent* event) override;

 private:
  explicit Groupsfrm(const ui::ImageList* images);
  void Load_Group_Members();
  void setStatus(const QString& text);
  // The selected group's path for a bind ("" when no group is selected).
  QString selectedGroupPath() const;

  QLabel* status_ = nullptr;
};

}  // namespace tavrel::groups
