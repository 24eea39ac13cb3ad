#pragma once
// What the domain loaders fill: the domain tree, the group and user lists of the main window, the
// bulk window and the group window, the first status-bar panel. The main window implements it
// over its controls; the loaders know nothing of widgets.

#include <QString>

namespace tavrel::directory {

// The lists the loaders fill, by window.
enum class DomainList {
  UserTabGroups,      // form1.ListView3: groups the edited user may join
  TemplateGroups,     // form1.ListView5: groups available to a template
  GroupPath,          // form1.grouppath: the template editor's group-path list (only emptied)
  BulkSelection,      // MultiUser.ListView1
  BulkUsers,          // MultiUser.ListView2
  BulkGroups,         // MultiUser.ListView3
  BulkOUs,            // MultiUser.ListView4
  GroupWindowGroups,  // Groupsfrm.ListView1 (second column: the group's caption)
  NotMembers,         // Groupsfrm.NotMembers
};

enum class NodeAdd {
  Added,
  ParentNotFound,  // no node has the parent key
  Failed,          // the key is already in use, or the node could not be made
};

class DomainView {
 public:
  virtual ~DomainView() = default;

  // First status-bar panel.
  virtual void setStatus(const QString& text) = 0;
  // Repaints the main window at once (the debug modes show each user's number as it loads).
  virtual void refresh() = 0;
  // A message box with an OK button and no title of its own.
  virtual void message(const QString& text) = 0;
  // The user-properties tab's principal-name suffix, "@" + the domain's DNS name.
  virtual void setUpnSuffix(const QString& text) = 0;

  // About `count` users follow, each a tree node and a row of the user lists: a view may make
  // room for them at once.
  virtual void expectUsers(qsizetype count) { Q_UNUSED(count); }

  virtual void clearTree() = 0;
  // Adds a node under the node keyed `parentKey` (empty: at the top). An empty `key` gives a node
  // without key. `sorted`: the node keeps its children in alphabetical order. Keys are
  // distinguished names or paths and are matched without regard to letter case.
  virtual NodeAdd addNode(const QString& parentKey, const QString& key, const QString& text,
                          const QString& image, bool sorted = false) = 0;
  // Selects the node keyed `key`, expands it and scrolls it into view.
  virtual void showNode(const QString& key) = 0;

  virtual void clearList(DomainList list) = 0;
  virtual void addItem(DomainList list, const QString& key, const QString& text, const QString& smallIcon,
                       const QString& caption = QString()) = 0;
  // Marks the list's first row not selected.
  virtual void unselectFirst(DomainList list) = 0;
};

}  // namespace tavrel::directory
