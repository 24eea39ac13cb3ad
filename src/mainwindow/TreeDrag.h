#pragma once
// The domain tree's drag of a user onto an organisational unit, as logic without widgets: when a
// mouse move starts a drag, which edge zone scrolls the tree, and the drop that moves the user in
// the directory and then brings the tree and every list that names the user up to date.

#include "platform/adsi/Result.h"

#include <QString>
#include <Qt>

namespace tavrel::mainwindow {

// A drag starts only with the left button alone held, the Shift key alone held, outside the
// WinNT mode (2) and with a user node selected.
bool dragStarts(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int directoryMode,
                const QString& selectedImage);

// The auto-scroll zone of a pointer at `y` in a tree `height` high: -1 (scroll up) when
// 0 < y < top, 1 (scroll down) when height - bottom < y < height, else 0. All limits exclusive.
int scrollZone(int y, int height, int top, int bottom);

// What the drop needs of the window and the directory.
class DropHost {
 public:
  virtual ~DropHost() = default;
  // Moves the object at `sourceKey` into the container whose tree key is `targetKey`; the moved
  // object's new path.
  virtual adsi::Result<QString> moveInDirectory(const QString& targetKey, const QString& sourceKey) = 0;
  // Gives the user's entries in every list that names users the new key.
  virtual void rekeyUser(const QString& oldKey, const QString& newKey) = 0;
  // The tree: whether a node has the key, removing it, adding a user node under a parent.
  virtual bool hasNode(const QString& key) const = 0;
  virtual bool removeNode(const QString& key) = 0;
  virtual bool addUserNode(const QString& parentKey, const QString& key, const QString& text) = 0;
  // A row of the on-screen log.
  virtual void log(const QString& colour, const QString& message) = 0;
};

enum class DropOutcome {
  NotAContainer,  // the node under the pointer is no organisational unit: nothing moved
  SameNode,       // dropped on itself: nothing moved
  MoveFailed,     // the directory refused the move: nothing changed, the failure is shown
  Moved,          // moved, and the tree and lists follow
  MovedOutOfStep  // moved, but a tree step failed: said so, and the tree put back in step
};

// Moves the user `sourceKey` (shown as `sourceText`) into the organisational unit `targetKey`.
// Nodes are told apart by their keys, never by their texts.
DropOutcome dropUser(DropHost& host, const QString& sourceKey, const QString& sourceText,
                     const QString& targetKey, const QString& targetImage);

}  // namespace tavrel::mainwindow
