// The tree's "Create OU" and the administrator's two custom commands, and the group window's
// launcher.

#include "bulk/Catalogue.h"
#include "directory/DirectoryService.h"
#include "groups/Groupsfrm.h"
#include "mainwindow/PopupCommands.h"
#include "mainwindow/form1.h"
#include "platform/process/Process.h"
#include "startup/Settings.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

namespace tavrel::mainwindow {

void form1::Create_OU() {
  QTreeWidgetItem* node = TreeView1->currentItem();
  if (!node || state::shared().Directory_Mode == 2) return;
  const auto end = qScopeGuard([this] { Root_Node = nullptr; });
  const QString image = node->data(0, kNodeImageRole).toString();

  // The container the unit goes into, and the node that shows it.
  QTreeWidgetItem* parentNode = nullptr;
  QString containerPath;
  if (image == QLatin1String("OU") || image == QLatin1String("DOMAIN")) {
    parentNode = node;
  } else if (image == QLatin1String("USER")) {
    parentNode = node->parent();
  }
  // Only a node keyed by a distinguished name of the domain holds units: not the placeholder
  // shown while no domain is configured, nor a group.
  const bool holdsUnits =
      parentNode &&
      parentNode->data(0, kNodeKeyRole).toString().contains(QLatin1String("DC="), Qt::CaseInsensitive);
  if (!holdsUnits) parentNode = nullptr;
  if (parentNode) containerPath = QStringLiteral("LDAP://") + parentNode->data(0, kNodeKeyRole).toString();

  const std::optional<QString> name =
      ui::prompter().InputBox(QStringLiteral("Enter New OU Name"), QStringLiteral("Create OU"), QString());
  if (!name || name->isEmpty()) return;

  auto fail = [this](const QString& reason) {
    ui::feedback().beep();
    StatusBar1->setPanelText(1, QStringLiteral("Error creating OU: ") + reason);
  };
  if (!parentNode) return fail(QStringLiteral("a unit cannot be created in ") + node->text(0));
  if (const auto problem = ouNameProblem(*name)) return fail(*problem);

  auto dir = directory::requireDirectory();
  if (!dir) return fail(dir.error().message);
  auto container = (*dir)->GetObject(containerPath);
  if (!container) return fail(container.error().message);
  auto unit = container->Create(QStringLiteral("organizationalUnit"),
                                QStringLiteral("OU=") + adsi::escapeDnValue(*name));
  if (!unit) return fail(unit.error().message);
  if (adsi::Status saved = unit->SetInfo(); !saved) return fail(saved.error().message);

  const QString key = newOuKey(*name, parentNode->data(0, kNodeKeyRole).toString());
  bulk::catalogue().ous.add(*name, key, QStringLiteral("OU"));
  auto* added = new QTreeWidgetItem(QStringList{*name});
  added->setData(0, kNodeKeyRole, key);
  added->setData(0, kNodeImageRole, QStringLiteral("OU"));
  added->setIcon(0, ImageList1.icon(QStringLiteral("OU")));
  parentNode->addChild(added);
  if (parentNode->data(0, kNodeSortedRole).toBool()) parentNode->sortChildren(0, Qt::AscendingOrder);
  parentNode->setExpanded(true);
  StatusBar1->setPanelText(1, QStringLiteral("Created OU ") + *name);
}

void form1::Run_Custom_Command(int Index) {
  if (Index != 13 && Index != 14) return;
  QTreeWidgetItem* node = TreeView1->currentItem();
  if (!node || TreeView1->topLevelItemCount() == 0) return;
  const QString suffix = Index == 14 ? QStringLiteral("1") : QString();
  const startup::Stored script =
      startup::readSetting(state::reg(), QStringLiteral("Custom"), QStringLiteral("Script") + suffix);
  if (!script.found) return;
  const startup::Stored hidden =
      startup::readSetting(state::reg(), QStringLiteral("Custom"), QStringLiteral("RUNHIDDEN") + suffix);
  const QStringList arguments =
      customCommandArguments(script.value, node->text(0), TreeView1->topLevelItem(0)->text(0));
  if (arguments.isEmpty()) return;
  process::SpawnOptions options;
  options.wait = false;
  options.windowStyle = customCommandWindowStyle(hidden.value);
  process::spawn(arguments, options);
}

}  // namespace tavrel::mainwindow
