// The "Delete Users" tab of the bulk window: the bulk delete with its Cancel, the list file of
// users to select, and the warnings of the two "No Prompting" boxes.

#include "bulk/Expander.h"
#include "bulk/MultiUser.h"
#include "groups/Groupsfrm.h"
#include "state/SharedState.h"
#include "ui/ListView.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

namespace tavrel::bulk {
namespace {

MultiUser::DeleteLinks theDeleteLinks;

const QString kDeleteUsers = QStringLiteral("&Delete Users");

const QString kNoPromptWarning = QStringLiteral(
    "This Over rides the preferences setting. Be careful using\r\n"
    "this option as Tavrel will not prompt when deleting user directories.\r\n\r\n"
    "Only use this setting if you are sure the Vovivevudi settings are correct for all users.\r\n"
    "Make sure you have a current backup.");

}  // namespace

void MultiUser::setDeleteLinks(DeleteLinks links) {
  theDeleteLinks = std::move(links);
}

const MultiUser::DeleteLinks& MultiUser::deleteLinks() {
  return theDeleteLinks;
}

void MultiUser::wireDeleteTab() {
  connect(Del_User, &QPushButton::clicked, this, &MultiUser::Del_User_Click);
  connect(DELIMPORT, &QPushButton::clicked, this, &MultiUser::DELIMPORT_Click);
  connect(No_Prompting, &QCheckBox::clicked, this, &MultiUser::No_Prompting_Click);
  connect(No_Prompt, &QCheckBox::clicked, this, &MultiUser::No_Prompt_Click);
}

void MultiUser::lockDeleteControls(bool locked) {
  for (QWidget* w : std::initializer_list<QWidget*>{Command7, Run_command, No_Prompting, Ex_Server, Command1,
                                                    Command2, Del_Permissions, Delete_Mail[0], Delete_Mail[1],
                                                    Delete_data[0], Delete_data[1]})
    w->setEnabled(!locked);
}

void MultiUser::Del_User_Click() {
  state::SharedState& sh = state::shared();
  if (running_ == Del_User) {
    // Cancel: calls made from here on return at once; the walk stops at its next test.
    cancelRequested_ = true;
    sh.Cancel_Flag = true;
    sh.Bulk_Delete_Running = 0;
    Label3->setText(QStringLiteral("Delete Canceled"));
    lockDeleteControls(false);
    endRun(Del_User, kDeleteUsers);
    return;
  }
  if (running() || ListView1->count() == 0) return;
  if (Delete_Mail[0]->isChecked() && Ex_Server->currentText().isEmpty()) {
    ui::prompter().MsgBox(QStringLiteral("Must Select Users Exchange Server to \r\nDelete Mail Account"), 0);
    return;
  }

  sh.Bulk_Delete_Mail = Delete_Mail[0]->isChecked() ? -1 : 0;
  sh.Bulk_Delete_Data = Delete_data[0]->isChecked() ? -1 : 0;
  sh.Bulk_Delete_Running = -1;
  sh.Bulk_Run_Command = Run_command->isChecked() ? -1 : 0;
  sh.Cancel_Flag = false;
  beginRun(Del_User);
  lockDeleteControls(true);
  sh.Step_Text = QStringLiteral("Error Retrieving Domain Info.");

  // Reports go to the status line and the main window's log; input is served between users.
  struct DeleteHost : RunHost {
    MultiUser& w;
    QElapsedTimer clock;
    explicit DeleteHost(MultiUser& m) : w(m) { clock.start(); }
    void status(const QString& text) override {
      w.Label3->setText(text);
      w.Label3->repaint();
    }
    void logRow(const QString& colour, const QString& message) override {
      if (links().LOG_TAB) links().LOG_TAB(colour, message);
    }
    void beep() override { ui::feedback().beep(); }
    bool keepGoing() override {
      if (clock.elapsed() >= w.yieldMs_) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        clock.restart();
      }
      return !w.cancelRequested_;
    }
    bool confirm(const QString& question) override {
      return ui::prompter().MsgBox(question, ui::kStyleYesNoQuestion) == ui::MsgBoxResult::Yes;
    }
  } host(*this);

  DeleteOptions options;
  options.dbpath = dbpath();
  if (deleteLinks().deleteSettings) deleteLinks().deleteSettings(options);
  options.noPrompting = No_Prompting->isChecked();
  options.delPermissions = Del_Permissions->isChecked();
  options.exServer = Ex_Server->currentText();
  const bool nt = sh.Directory_Mode == 2;
  options.removeEntries = [nt](const QString& user) {
    const int row = nt ? int(catalogue().users.texts().indexOf(user)) + 1 : catalogue().users.findKey(user);
    if (row > 0) catalogue().users.remove(row);
    if (deleteLinks().removeTreeNode) deleteLinks().removeTreeNode(user);
    if (groups::Groupsfrm* g = groups::Groupsfrm::existing()) {
      ui::ListView& list = *g->NotMembers;
      int found = nt ? 0 : list.findKey(user);
      for (int i = 1; nt && i <= list.count() && !found; ++i)
        if (list.text(i) == user) found = i;
      if (found > 0) list.remove(found);
    }
  };

  // Ghosts every selection item that stands for the deleted user.
  auto ghost = [&](const QString& user) {
    KeyedList& sel = *ListView1;
    for (int row = 1; row <= sel.count(); ++row)
      if (isUserKind(sel.smallIcon(row)) && (nt ? sel.text(row) == user : sel.key(row) == user))
        sel.setGhosted(row, true);
  };

  // The items of the run, taken when it starts; items added meanwhile are not part of it.
  const std::vector<ListItem> items = selectionItems();
  bool failed = false;
  for (const ListItem& item : items) {
    const ExpandOutcome outcome = expand(item, ExpandPolicy::remove(), [&](const UserRef& u) {
      const QString user = nt ? u.logon : u.path;
      if (u.source != UserSource::Item) host.status(QStringLiteral("Deleting User: ") + u.name);
      if (Delete_One_User(user, options, host)) ghost(user);
      return host.keepGoing();
    });
    if (outcome.failure) {
      failed = true;
      break;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (cancelRequested_) return;  // the cancel has already restored the window
  }
  sh.Bulk_Delete_Running = 0;
  lockDeleteControls(false);
  endRun(Del_User, kDeleteUsers);
  if (failed) {
    Label3->setText(sh.Step_Text);
    ui::feedback().beep();
    return;
  }
  Label3->setText(QStringLiteral("Delete Completed, Check log for errors"));
}

void MultiUser::selectListed(const QString& text) {
  KeyedList& users = *ListView2;
  for (QString line : text.split(u'\n')) {
    if (line.endsWith(u'\r')) line.chop(1);
    const QStringList texts = users.texts();
    for (int i = 0; i < texts.size(); ++i) {
      if (texts[i].compare(line, Qt::CaseInsensitive) != 0) continue;
      catalogue().toSelection(users, {i + 1});
      break;
    }
  }
}

void MultiUser::DELIMPORT_Click() {
  const QString file = ui::prompter().OpenFile(QStringLiteral("Open file to import"), QString(),
                                               QStringLiteral("CSV Files (*.csv);;Text Files (*.txt)"));
  if (file.isEmpty()) return;
  ui::HourglassGuard hourglass;
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return;
  selectListed(QString::fromLocal8Bit(f.readAll()));
}

void MultiUser::No_Prompting_Click() {
  if (No_Prompting->isChecked())
    ui::prompter().MsgBox(kNoPromptWarning, ui::kStyleCritical, QStringLiteral("Warning"));
}

void MultiUser::No_Prompt_Click() {
  if (No_Prompt->isChecked())
    ui::prompter().MsgBox(kNoPromptWarning, ui::kStyleCritical, QStringLiteral("Warning"));
}

}  // namespace tavrel::bulk
