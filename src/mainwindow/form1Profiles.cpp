// The tree's two profile commands: deleting a user's profile hive from the profile path of the
// account, or from the local profile folder of a workstation. Only the hive file is deleted,
// never a folder; the file layer refuses drive roots and shares' folders besides.

#include "directory/DirectoryService.h"
#include "mainwindow/ProfileHive.h"
#include "mainwindow/WKS_PROFILE.h"
#include "mainwindow/form1.h"
#include "platform/files/FileSystem.h"
#include "resources/FileOperation.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

namespace tavrel::mainwindow {

namespace {

QString hiveName() {
  const QString name = state::shared().Profile_Hive_Name;
  return name.isEmpty() ? QStringLiteral("NTUser.dat") : name;
}

// The hive at `path` may be deleted: a file (not a folder) that exists. The status text to show
// when it is not there; an empty text when it may go.
enum class HiveState { File, Missing, Folder };
HiveState hiveState(const QString& path) {
  auto entry = files::stat(path);
  if (!entry) return HiveState::Missing;
  return entry->isDirectory ? HiveState::Folder : HiveState::File;
}

}  // namespace

QTreeWidgetItem* form1::selectedUserNode() const {
  QTreeWidgetItem* node = TreeView1->currentItem();
  if (!node || node->data(0, kNodeImageRole).toString() != QLatin1String("USER")) return nullptr;
  return node;
}

void form1::Delete_Server_Profile() {
  QTreeWidgetItem* node = selectedUserNode();
  if (!node) return;
  const bool nt = state::shared().Directory_Mode == 2;
  // The bound user lives in this scope only, so every way out releases it.
  adsi::Result<adsi::AdsObject> user = adsi::Error{};
  if (auto dir = directory::requireDirectory(); dir) {
    user = nt ? directory::NT_Domain_Object().GetObject(QStringLiteral("user"), node->text(0))
              : (*dir)->GetObject(node->data(0, kNodeKeyRole).toString());
  }
  if (!user) {
    ui::prompter().MsgBox(QStringLiteral("Error Deleting "), 0);
    return;
  }
  QString profile;
  if (auto read = user->Get(QStringLiteral("Profile")); read) profile = read->toString();
  if (const auto refusal = serverProfileRefusal(profile)) {
    ui::feedback().beep();
    StatusBar1->setPanelText(1, *refusal);
    return;
  }
  const QString hive = hiveName();
  if (!files::validComponent(hive)) {
    ui::feedback().beep();
    StatusBar1->setPanelText(1, QStringLiteral("The profile hive name \"%1\" is not a file name.").arg(hive));
    return;
  }

  ui::HourglassGuard busy;
  const QString path = serverHivePath(profile, hive);
  switch (hiveState(path)) {
    case HiveState::File:
      StatusBar1->setPanelText(1, QStringLiteral("Deleting ") + path + QStringLiteral(" ..."));
      StatusBar1->setPanelText(1, resources::File_Operation(path, QString(), resources::FO_DELETE)
                                      ? QStringLiteral("Profile Deleted.")
                                      : QStringLiteral("Ready."));
      break;
    case HiveState::Folder:
      // A folder named like the hive is not a hive: deleting it would take a whole tree.
      StatusBar1->setPanelText(1, path + QStringLiteral(" is a folder, not a profile hive."));
      ui::feedback().beep();
      break;
    case HiveState::Missing:
      StatusBar1->setPanelText(1, QStringLiteral("Profile Not found ") + path);
      ui::feedback().beep();
      break;
  }
}

void form1::Delete_Workstation_Profile() {
  QTreeWidgetItem* node = selectedUserNode();
  if (!node) return;
  {
    WKS_PROFILE dialog(this);
    dialog.exec();
  }
  const QString workstation = WKS_PROFILE::Workstation_Path;
  if (workstation.isEmpty()) return;

  auto refuse = [this](const QString& text) {
    ui::feedback().beep();
    StatusBar1->setPanelText(1, text);
  };
  if (!validWorkstationName(workstation))
    return refuse(QStringLiteral("\"%1\" is not a workstation name.").arg(workstation));

  // The local profile folder carries the logon name: the account name of the NT node, the
  // sAMAccountName of the Active Directory user (its node may show a display name or a CN).
  QString logon;
  if (state::shared().Directory_Mode == 2) {
    logon = node->text(0);
  } else if (auto dir = directory::requireDirectory(); dir) {
    if (auto user = (*dir)->GetObject(node->data(0, kNodeKeyRole).toString()); user) {
      if (auto sam = user->Get(QStringLiteral("sAMAccountName")); sam) logon = sam->toString();
    }
  }
  if (!files::validComponent(logon))
    return refuse(QStringLiteral("Unable to read the logon name of ") + node->text(0));
  const QString hive = hiveName();
  if (!files::validComponent(hive))
    return refuse(QStringLiteral("The profile hive name \"%1\" is not a file name.").arg(hive));

  ui::HourglassGuard busy;
  const QString path = workstationHivePath(workstation, WKS_PROFILE::Workstation_NT4, logon, hive);
  WKS_PROFILE::Workstation_Path = path;
  StatusBar1->setPanelText(1, QStringLiteral("Deleting ") + path + QStringLiteral(" ..."));
  switch (hiveState(path)) {
    case HiveState::Missing:
      return refuse(QStringLiteral("Unable to find ") + path + QStringLiteral(" ..."));
    case HiveState::Folder:
      return refuse(path + QStringLiteral(" is a folder, not a profile hive."));
    case HiveState::File:
      if (resources::File_Operation(path, QString(), resources::FO_DELETE))
        StatusBar1->setPanelText(1, QStringLiteral("Ready."));
      break;
  }
}

}  // namespace tavrel::mainwindow
