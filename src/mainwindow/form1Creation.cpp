// "Create User" on the New User tab: the window's side of a creation run. The run itself is
// creation::CreationRun; the window gives it its choices and shows its progress.

#include "bulk/MultiUser.h"
#include "creation/CreationRun.h"
#include "groups/Groupsfrm.h"
#include "mainwindow/ImportWindows.h"
#include "mainwindow/RecordMemo.h"
#include "mainwindow/TreeOrder.h"
#include "mainwindow/form1.h"
#include "platform/adsi/Batch.h"
#include "platform/registry/Registry_Object.h"
#include "records/DatabaseFolder.h"
#include "records/Records.h"
#include "state/SharedState.h"

#include <QGuiApplication>
#include <QPersistentModelIndex>
#include <QTimer>

#include <fcntl.h>

namespace tavrel::mainwindow {

using creation::Mark;
using creation::MarkState;

// The template and site a run last loaded: from which window, in which import, under which
// names, from which files (their bytes, compared whole: an edit in place within one tick of the
// file system's clock leaves the file's times and size as they were).
struct RecordsLoaded {
  const form1* form = nullptr;
  quint64 batch = 0;
  QString templateName, siteName, folder;
  QByteArray contents;
  bool operator==(const RecordsLoaded&) const = default;
};

RecordsLoaded& lastLoaded() {
  static RecordsLoaded loaded;
  return loaded;
}

QByteArray recordContents(const QString& dbpath) {
  const records::DatabaseFolder db(dbpath);
  QByteArray out;
  for (const QString& name : {records::names::Template, records::names::Site}) {
    QString path;
    const std::optional<QByteArray> bytes = folderFileBytes(db, name, O_RDONLY, &path);
    // Each file's length first, so that no two pairs of files read alike.
    out += bytes ? QByteArray::number(bytes->size()) + ':' + *bytes : QByteArray("-");
    out += ';';
  }
  return out;
}

class CreationHost : public creation::RunHost {
 public:
  explicit CreationHost(form1& w) : w_(w) {}
  ~CreationHost() override { setBusy(false); }

  void defaultTreeSelection() override {
    QTreeWidgetItem* node = w_.TreeView1->currentItem();
    if ((!node || node->data(0, form1::kNodeImageRole).toString().isEmpty()) && w_.TreeView1->topLevelItemCount() > 0)
      w_.TreeView1->setCurrentItem(w_.TreeView1->topLevelItem(0));
  }

  creation::RunForm read() override {
    creation::RunForm f;
    f.templateName = w_.nutemplate->currentText();
    f.siteName = w_.NUsitename->currentText();
    f.copyUser = w_.Copy_User->isChecked();
    if (QTreeWidgetItem* node = w_.TreeView1->currentItem()) {
      creation::TreeNode n;
      n.key = node->data(0, form1::kNodeKeyRole).toString();
      n.text = node->text(0);
      n.image = node->data(0, form1::kNodeImageRole).toString();
      if (node->parent()) n.parentKey = node->parent()->data(0, form1::kNodeKeyRole).toString();
      f.node = n;
    }
    f.first = w_.strFirst->text();
    f.middle = w_.StrMiddle->text();
    f.last = w_.strLast->text();
    f.userIdBox = w_.UserID_Box->text();
    f.idFormat = w_.setupid->text();
    f.altIdFormat = w_.ALTID->text();
    f.createDirs = w_.Create_Dirs->isChecked();
    f.createShares = w_.Create_Shares->isChecked();
    f.dirSecurity = w_.Dir_Security->isChecked();
    f.createAccount = w_.Create_User_Account->isChecked();
    f.createMail = w_.Create_Mail_Account->isChecked();
    f.runCommand = w_.Run_script->isChecked();
    f.haltOnErrors = w_.STOP_ON_RED[0]->isChecked();
    f.haltOnWarnings = w_.STOP_ON_RED[1]->isChecked();
    f.skipPromptFields = w_.STOP_ON_RED[2]->isChecked();
    f.treeShowsCn = w_.DNName->isChecked();
    f.samAccountNaming = w_.SamAccountName->isChecked();
    f.dbpath = w_.dbpath->text();
    f.description = w_.Description->text();
    f.defaultPassword = w_.defaultpassword->text();
    f.formattedPassword = w_.FmtPass->isChecked();
    f.passwordFormat = w_.Formatted_Password->text();
    f.fullNameFormat = w_.FN_Format->text();
    // The import options' expiry date (the window loads it from Setup\\AccountExpire).
    f.expiryText = ImportGrps::instance().Expiredate->text();
    f.mustChangePassword = w_.Password_Change->isChecked();
    f.disabled = w_.New_Disabled->isChecked();
    f.cantChangePassword = w_.USR_Cant_Change->isChecked();
    f.passwordNeverExpires = w_.PWD_NVR_EXPIRE->isChecked();
    f.server = w_.NTSERVER->text();
    f.profileLocal = w_.Profilepath->text();
    f.homeLocal = w_.Homedirpath->text();
    f.profileShare = w_.propath->text();
    f.homeShare = w_.homedir->text();
    f.logonScript = w_.logon->text();
    f.homeDrive = w_.Home_Drive_letter->currentText();
    f.primaryGroup = w_.PrimaryGrp->text();
    f.profileShareName = w_.sharenameprofile->text();
    f.homeShareName = w_.Sharenamehomedir->text();
    for (int i = 1; i <= w_.ListView9->count(); ++i) f.wtsValues << w_.ListView9->subItem(i, 1);
    f.createCommand = w_.Create_Script->text();
    f.waitForCommand = w_.Wait_NEW[0]->isChecked();
    f.hideCommand = w_.Run_Hidden[0]->isChecked();
    f.exServer = w_.EXSERVER->text();
    f.exSite = w_.EXSite->currentText();
    f.exOrg = w_.EXorg->text();
    f.exchange55 = w_.EXH5[0]->isChecked();
    f.mailStore = w_.Mail_Store->currentText();
    f.exchangeAdmin = w_.txtAdmin->text();
    f.exchangePassword = w_.txtPassword->text();
    resources::MailboxForm& m = f.mailbox;
    for (int i = 1; i <= w_.ListView8->count(); ++i) m.ListView8.push_back({w_.ListView8->text(i), w_.ListView8->subItem(i, 1)});
    for (int i = 1; i <= w_.ListView7->count(); ++i)
      m.ListView7.push_back({w_.ListView7->smallIcon(i), w_.ListView7->text(i), w_.ListView7->subItem(i, 1)});
    m.strFirst = w_.strFirst->text();
    m.StrMiddle = w_.StrMiddle->text();
    m.strLast = w_.strLast->text();
    m.PORT = w_.PORT->text();
    m.Mail_Logon = w_.Mail_Logon->isChecked();
    m.Skip_Prompt_Fields = w_.STOP_ON_RED[2]->isChecked();
    m.Confirm_Deletes = w_.Confirm_Deletes->isChecked();
    m.debug = w_.commandLine().trimmed().toUpper() == QLatin1String("/DEBUG");
    if (w_.TreeView1->topLevelItemCount() > 0) m.TreeRootText = w_.TreeView1->topLevelItem(0)->text(0);
    f.templateGroups.reserve(w_.ListView6->count());
    for (int i = 1; i <= w_.ListView6->count(); ++i)
      if (w_.ListView6->smallIcon(i) != form1::kGroupNotFoundIcon)
        f.templateGroups.append({w_.ListView6->text(i), w_.ListView6->key(i)});
    f.directoryRows.reserve(w_.ListView7->count());
    for (int i = 1; i <= w_.ListView7->count(); ++i)
      f.directoryRows.append({w_.ListView7->text(i), w_.ListView7->subItem(i, 1), w_.ListView7->smallIcon(i)});
    if (groups::Groupsfrm* g = groups::Groupsfrm::existing()) {
      // The domain's groups, as many as the domain has: room for them is made once.
      f.domainGroups.reserve(g->ListView1->count());
      for (int i = 1; i <= g->ListView1->count(); ++i)
        f.domainGroups.append({g->ListView1->text(i), g->ListView1->key(i)});
    }
    f.commandLine = w_.commandLine();
    return f;
  }

  void loadTemplateAndSite() override {
    // During an import nobody edits the window between users: the template and the site are read
    // again only when their names or their files changed since the last user's run.
    const quint64 batch = adsi::Batch::current();
    RecordsLoaded now;
    if (batch != 0)
      now = {&w_, batch, w_.nutemplate->currentText(), w_.NUsitename->currentText(), w_.dbpath->text(),
             recordContents(w_.dbpath->text())};
    RecordsLoaded& last = lastLoaded();
    if (batch != 0 && now == last) return;
    const bool loaded = w_.LoadTemplate(w_.nutemplate->currentText());
    const bool site = w_.Loadsite(w_.NUsitename->currentText());
    last = loaded && site && batch != 0 ? now : RecordsLoaded{};
  }

  void capitaliseNames() override {
    // An ID typed by hand is the one the administrator saw: capitalising does not rebuild it.
    const bool keep = w_.userIdTypedByHand_;
    w_.previewSuppressed_ = keep;
    for (QLineEdit* e : {w_.strFirst, w_.StrMiddle, w_.strLast}) {
      const QString t = e->text();
      if (!t.isEmpty() && t[0].toUpper() != t[0]) e->setText(t[0].toUpper() + t.mid(1));
    }
    w_.previewSuppressed_ = false;
    w_.userIdTypedByHand_ = keep;
  }

  void setUserIdBox(const QString& id) override { w_.UserID_Box->setText(id); }
  void setProgress(int percent) override { w_.ProgressBar1->setValue(percent); }
  void setProgressText(const QString& text) override {
    w_.progress->setText(text);
    w_.progress->repaint();
  }
  void setStatus(const QString& text) override { w_.StatusBar1->setPanelText(1, text); }

  void setMark(Mark mark, MarkState state) override {
    QLabel* label = nullptr;
    switch (mark) {
      case Mark::Createdirs: label = w_.Createdirs; break;
      case Mark::Sharedirs: label = w_.Sharedirs; break;
      case Mark::Security: label = w_.Security; break;
      case Mark::UserAccount: label = w_.UserAccount; break;
      case Mark::MailAccount: label = w_.MailAccount; break;
      case Mark::run: label = w_.run; break;
    }
    QString text;
    QColor colour;
    switch (state) {
      case MarkState::Blank: break;
      case MarkState::Completed: text = QStringLiteral("Completed"); colour = QColor(0, 0, 255); break;
      case MarkState::Warning: text = QStringLiteral("Completed"); colour = QColor(190, 150, 0); break;
      case MarkState::Error: text = QStringLiteral("Error"); colour = QColor(255, 0, 0); break;
    }
    label->setText(text);
    // A blank mark shows no text, so its colour does not matter; a palette change re-polishes the
    // label, so it is made only when the colour shown changes.
    if (!colour.isValid() || label->palette().color(QPalette::WindowText) == colour) return;
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
  }

  bool logTab(const QString& colour, const QString& message) override { return w_.LOG_TAB(colour, message); }

  void setBusy(bool busy) override {
    if (busy == busy_) return;
    busy_ = busy;
    // The hourglass while the account is made. The run can return to the event loop (a command
    // waited for, a question box): the button starts it through ui::runLongOperation, which
    // refuses a second start meanwhile.
    if (busy)
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QGuiApplication::restoreOverrideCursor();
  }

  void clearFields() override {
    w_.Template_Group_Sort();
    w_.Clear_TT();
    w_.Clear_Site();
  }

  bool addUserNode(const QString& parentKey, const QString& key, const QString& text, const QString& listText,
                   const QString& id) override {
    const auto isParent = [&](const QTreeWidgetItem* n) {
      return n->data(0, form1::kNodeKeyRole).toString().compare(parentKey, Qt::CaseInsensitive) == 0;
    };
    // The parent is nearly always the selected node or one above it; the whole tree, as large as
    // the domain, is searched only when it is not.
    QTreeWidgetItem* parent = nullptr;
    for (QTreeWidgetItem* n = w_.TreeView1->currentItem(); n && !parent; n = n->parent())
      if (isParent(n)) parent = n;
    for (QTreeWidgetItemIterator it(w_.TreeView1); *it && !parent; ++it)
      if (isParent(*it)) parent = *it;
    // The bulk window's users and the group window's non-members list the new user too.
    bulk::catalogue().users.add(listText, key, QStringLiteral("USER"));
    groups::Groupsfrm::instance(&w_.ImageList1).NotMembers->add(id, key, QStringLiteral("USER"));
    if (!parent) return false;
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setData(0, form1::kNodeKeyRole, key);
    node->setData(0, form1::kNodeImageRole, QStringLiteral("USER"));
    node->setIcon(0, w_.ImageList1.icon(QStringLiteral("USER")));
    markLeaf(node);
    if (parent->data(0, form1::kNodeSortedRole).toBool())
      insertSortedChild(parent, node);
    else
      parent->addChild(node);
    parent->setExpanded(true);
    // Scrolling lays out every expanded row; doing it when control returns to the event loop (before
    // anything is painted) lays the tree out once for a batch of new users instead of once per user.
    QTreeWidget* tree = w_.TreeView1;
    QTimer::singleShot(0, tree, [tree, shown = QPersistentModelIndex(tree->indexFromItem(node))] {
      if (shown.isValid()) tree->scrollTo(shown);
    });
    return true;
  }

 private:
  form1& w_;
  bool busy_ = false;
};

void form1::CreateUser_Click() {
  CreationHost host(*this);
  creation::CreationRun run(host);
  run.CreateUser_Click();
  lastCreation = std::make_shared<const creation::RunState>(run.state());
}

}  // namespace tavrel::mainwindow
