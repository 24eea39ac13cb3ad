#include "mainwindow/TreeDrag.h"

namespace tavrel::mainwindow {

bool dragStarts(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int directoryMode,
                const QString& selectedImage) {
  return buttons == Qt::LeftButton && modifiers == Qt::ShiftModifier && directoryMode != 2 &&
         selectedImage == QLatin1String("USER");
}

int scrollZone(int y, int height, int top, int bottom) {
  if (y > 0 && y < top) return -1;
  if (y > height - bottom && y < height) return 1;
  return 0;
}

DropOutcome dropUser(DropHost& host, const QString& sourceKey, const QString& sourceText,
                     const QString& targetKey, const QString& targetImage) {
  if (targetImage != QLatin1String("OU")) return DropOutcome::NotAContainer;
  if (targetKey == sourceKey) return DropOutcome::SameNode;

  const adsi::Result<QString> moved = host.moveInDirectory(targetKey, sourceKey);
  if (!moved) {
    host.log(QStringLiteral("RED"),
             sourceText + QStringLiteral(" could not be moved: ") + moved.error().message);
    return DropOutcome::MoveFailed;
  }
  const QString newKey = *moved;

  // The directory has moved the user: from here every list must name it by its new path, whatever
  // happens to the tree.
  host.rekeyUser(sourceKey, newKey);
  bool inStep = host.removeNode(sourceKey);
  inStep = host.addUserNode(targetKey, newKey, sourceText) && inStep;
  if (inStep) {
    host.log(QStringLiteral("GREEN"), sourceText + QStringLiteral(" Has been moved in the AD"));
    return DropOutcome::Moved;
  }

  // Put the tree back in step with the directory: no node under the old path, one under the new.
  if (host.hasNode(sourceKey)) host.removeNode(sourceKey);
  if (!host.hasNode(newKey)) host.addUserNode(targetKey, newKey, sourceText);
  const bool repaired = !host.hasNode(sourceKey) && host.hasNode(newKey);
  host.log(QStringLiteral("YELLOW"),
           sourceText + QStringLiteral(" Has been moved in the AD, but the tree could not follow") +
               (repaired ? QStringLiteral("; it has been put back in step.")
                         : QStringLiteral("; press F5 to reload it.")));
  return DropOutcome::MovedOutOfStep;
}

}  // namespace tavrel::mainwindow
