// The User Manager page: loading a user from the tree, the change flags of its field groups, the
// two group lists and their buttons, and saving. The directory work is in directory/UserEditor
// and directory/GroupMembership; this file moves values between them and the controls.

#include "directory/GroupMembership.h"
#include "directory/UserEditor.h"
#include "mainwindow/form1.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <functional>

namespace tavrel::mainwindow {
namespace {

constexpr int kKeyRole = form1::kNodeKeyRole;
constexpr int kIconRole = form1::kNodeImageRole;

// The page as the load and save procedures see it.
directory::UserPage readPage(const form1& f) {
  directory::UserPage p;
  p.USERID = f.USERID->text();
  p.USERID_W2K = f.USERID_W2K->text();
  p.UM_Full_Name = f.UM_Full_Name->text();
  p.UM_Description = f.UM_Description->text();
  p.UM_Profile_Dir = f.UM_Profile_Dir->text();
  p.UM_Home_Dir = f.UM_Home_Dir->text();
  p.UM_Logon_Script = f.UM_Logon_Script->text();
  p.UM_Drive_Letter = f.UM_Drive_Letter->currentText();
  p.UM_First = f.UM_First->text();
  p.UM_Last = f.UM_Last->text();
  p.UM_Initails = f.UM_Initails->text();
  p.UM_Office = f.UM_Office->text();
  p.UM_MailAddress = f.UM_MailAddress->text();
  p.UM_PreW2K = f.UM_PreW2K->text();
  p.UM_Logon_Name = f.UM_Logon_Name->text();
  p.UM_W2KDomain_Name = f.UM_W2KDomain_Name->text();
  p.AccExpires = f.AccExpires->text();
  for (int k = 0; k < 4; ++k) {
    p.Custom_Value[k] = f.Custom_Value[k]->text();
    p.Custom_Shown[k] = !f.Custom_Value[k]->isHidden();
    if (f.Custom_Value[k]->isReadOnly()) p.Custom[k].readOnly = f.Custom_Value[k]->toolTip();
  }
  p.chkMustChange = f.chkMustChange->isChecked();
  p.chkCantChange = f.chkCantChange->isChecked();
  p.chkPwdNever = f.chkPwdNever->isChecked();
  p.chkAcctDisabled = f.chkAcctDisabled->isChecked();
  p.chkAcctLockedOut = f.chkAcctLockedOut->isChecked();
  p.lockBoxShown = !f.chkAcctLockedOut->isHidden();
  return p;
}

void writePage(form1& f, const directory::UserPage& p) {
  f.USERID->setText(p.USERID);
  f.UM_Full_Name->setText(p.UM_Full_Name);
  f.UM_Description->setText(p.UM_Description);
  f.UM_Profile_Dir->setText(p.UM_Profile_Dir);
  f.UM_Home_Dir->setText(p.UM_Home_Dir);
  f.UM_Logon_Script->setText(p.UM_Logon_Script);
  f.UM_Drive_Letter->setCurrentText(p.UM_Drive_Letter);
  f.UM_First->setText(p.UM_First);
  f.UM_Last->setText(p.UM_Last);
  f.UM_Initails->setText(p.UM_Initails);
  f.UM_Office->setText(p.UM_Office);
  f.UM_MailAddress->setText(p.UM_MailAddress);
  f.UM_PreW2K->setText(p.UM_PreW2K);
  f.UM_Logon_Name->setText(p.UM_Logon_Name);
  f.UM_W2KDomain_Name->setText(p.UM_W2KDomain_Name);
  f.AccExpires->setText(p.AccExpires);
  for (int k = 0; k < 4; ++k) f.Custom_Value[k]->setText(p.Custom_Value[k]);
  f.chkMustChange->setChecked(p.chkMustChange);
  f.chkCantChange->setChecked(p.chkCantChange);
  f.chkPwdNever->setChecked(p.chkPwdNever);
  f.chkAcctDisabled->setChecked(p.chkAcctDisabled);
  f.chkAcctLockedOut->setChecked(p.chkAcctLockedOut);
  f.chkAcctLockedOut->setVisible(p.lockBoxShown);
}

// The two group lists and the status panel, for the load procedures.
class PageGroups : public directory::UserGroupView {
 public:
  explicit PageGroups(form1& f) : f_(f) {}
  void clearMembers() override { f_.ListView4->clear(); }
  void addMember(const QString& key, const QString& text, const QString& smallIcon) override {
    f_.ListView4->add(text, key, smallIcon);
  }
  void removeCandidate(const QString& value, bool byKey) override {
    for (int i = 1; i <= f_.ListView3->count(); ++i) {
      const QString row = byKey ? f_.ListView3->key(i) : f_.ListView3->text(i).trimmed();
      if (row.compare(value, Qt::CaseInsensitive) == 0) {
        f_.ListView3->remove(i);
        return;
      }
    }
  }
  void setStatus(const QString& text) override { f_.StatusBar1->setPanelText(1, text); }

 private:
  form1& f_;
};

// Runs `handler` on the events the group lists report through handlers of their own: getting the
// focus and a mouse button released over the rows.
class ListEvents : public QObject {
 public:
  ListEvents(QObject* parent, std::function<void()> focusIn, std::function<void(Qt::MouseButton)> mouseUp)
      : QObject(parent), focusIn_(std::move(focusIn)), mouseUp_(std::move(mouseUp)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) focusIn_();
    if (event->type() == QEvent::MouseButtonRelease) mouseUp_(static_cast<QMouseEvent*>(event)->button());
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> focusIn_;
  std::function<void(Qt::MouseButton)> mouseUp_;
};

bool ntMode() {
  return state::shared().Directory_Mode == 2;
}

// Shows what a save left to say.
bool report(form1& f, const directory::SaveOutcome& outcome) {
  if (outcome.beep) ui::feedback().beep();
  if (!outcome.status.isEmpty()) f.StatusBar1->setPanelText(1, outcome.status);
  if (!outcome.message.isEmpty())
    ui::prompter().MsgBox(outcome.message, ui::kStyleExclamation, QStringLiteral("Save User"));
  return outcome.saved;
}

}  // namespace

void form1::wireUserManagerPage() {
  // The account name and path are the loaded user's; typing another name must not change which
  // account the buttons work on.
  for (QLineEdit* shown : {USERID, USERID_W2K}) {
    shown->setReadOnly(true);
    setFieldBackground(shown, shown->palette().color(QPalette::Button));
  }

  auto raise = [this](int16_t state::SharedState::*flag) {
    return [this, flag] {
      if (!umFilling_) state::shared().*flag = -1;
    };
  };
  // The text after the logon name is the principal name's suffix: editing it is a logon change.
  for (QLineEdit* e : {UM_Logon_Name, UM_W2KDomain_Name, UM_MailAddress, UM_PreW2K, AccExpires})
    connect(e, &QLineEdit::textChanged, this, raise(&state::SharedState::UM_Changed_Logon));
  for (QLineEdit* e : {UM_Home_Dir, UM_Logon_Script, UM_Profile_Dir})
    connect(e, &QLineEdit::textChanged, this, raise(&state::SharedState::UM_Changed_Paths));
  connect(UM_Drive_Letter, &QComboBox::currentTextChanged, this,
          raise(&state::SharedState::UM_Changed_Paths));
  for (QLineEdit* e : {UM_Description, UM_First, UM_Full_Name, UM_Initails, UM_Last, UM_Office})
    connect(e, &QLineEdit::textChanged, this, raise(&state::SharedState::UM_Changed_General));
  for (QCheckBox* b : {chkMustChange, chkCantChange, chkPwdNever, chkAcctDisabled, chkAcctLockedOut})
    connect(b, &QCheckBox::toggled, this, raise(&state::SharedState::UM_Changed_Flags));
  for (int k = 0; k < 4; ++k)
    connect(Custom_Value[k], &QLineEdit::textChanged, this, [this, k] {
      if (umFilling_) return;
      state::shared().UM_Changed_Custom = -1;
      umCustomEdited_[k] = true;
    });
  connect(USERID, &QLineEdit::textChanged, this, &form1::USERID_Change);

  // No user is loaded yet.
  UM_ADD_GROUP->setEnabled(false);
  UM_REMOVE_GROUP->setEnabled(false);
  connect(UM_ADD_GROUP, &QPushButton::clicked, this, &form1::UM_ADD_GROUP_Click);
  connect(UM_REMOVE_GROUP, &QPushButton::clicked, this, &form1::UM_REMOVE_GROUP_Click);
  connect(Userman_Save, &QToolButton::clicked, this, &form1::Userman_Save_Click);
  connect(ListView3, &QTreeWidget::itemDoubleClicked, this, [this] { UM_ADD_GROUP->click(); });
  connect(ListView4, &QTreeWidget::itemDoubleClicked, this, [this] { UM_REMOVE_GROUP->click(); });
  ListView3->installEventFilter(new ListEvents(
      ListView3, [this] { ListView3_GotFocus(); }, [](Qt::MouseButton) {}));
  ListView3->viewport()->installEventFilter(new ListEvents(
      ListView3, [] {}, [this](Qt::MouseButton b) { ListView3_MouseUp(b); }));
  ListView4->installEventFilter(new ListEvents(
      ListView4, [this] { ListView4_GotFocus(); }, [](Qt::MouseButton) {}));
  ListView4->viewport()->installEventFilter(new ListEvents(
      ListView4, [] {}, [this](Qt::MouseButton b) { ListView4_MouseUp(b); }));

  connect(TreeView1, &QTreeWidget::itemDoubleClicked, this, &form1::TreeView1_DblClick);
}

void form1::showCustomReadOnly(int k, const QString& why) {
  QLineEdit* box = Custom_Value[k];
  box->setReadOnly(!why.isEmpty());
  box->setToolTip(why);
  setFieldBackground(box,
                     why.isEmpty() ? palette().color(QPalette::Base) : palette().color(QPalette::Button));
}

void form1::customFieldsReconfigured() {
  const QString why =
      USERID->text().isEmpty()
          ? QString()
          : QStringLiteral("The custom properties have changed: load the user again to edit them.");
  for (int k = 0; k < 4; ++k) {
    showCustomReadOnly(k, why);
    umCustomAttribute_[k].clear();
    umCustomEdited_[k] = false;
  }
}

void form1::Show_User_Details() {
  QTreeWidgetItem* node = TreeView1->currentItem();
  if (!node) return;
  const state::SharedState& sh = state::shared();
  const QString text = node->text(0);
  const QString key = node->data(0, kKeyRole).toString();
  // Only a user can be loaded into the page.
  if (text == sh.Domain_Name || text.isEmpty() ||
      node->data(0, kIconRole).toString() != QLatin1String("USER")) {
    Clear_UM();
    return;
  }
  ui::HourglassGuard busy;
  Clear_UM();
  {
    const QSignalBlocker quiet(USERID_W2K);
    USERID_W2K->setText(key);
  }
  SSTab1->setCurrentIndex(kUserManagerPage);
  repaint();
  if (ntMode())
    Load_NT_User(text);
  else
    Load_W2K_User(key);
  // Rows chosen for the user shown before are not chosen for this one.
  ListView3->clearSelection();
  ListView4->clearSelection();
  // The list takes the focus, which enables "<<" (also when the window is not the active one).
  ListView3->setFocus();
  ListView3_GotFocus();
}

directory::UserPage form1::umPage() const {
  directory::UserPage page = readPage(*this);
  for (int k = 0; k < 4; ++k) {
    page.Custom[k].attribute = umCustomAttribute_[k];
    page.Custom_Edited[k] = umCustomEdited_[k];
  }
  return page;
}

void form1::showUmPage(const directory::UserPage& page) {
  umFilling_ = true;
  writePage(*this, page);
  umFilling_ = false;
  umMustChangeLoaded_ = page.chkMustChange;
  for (int k = 0; k < 4; ++k) {
    showCustomReadOnly(k, page.Custom[k].readOnly);
    umCustomAttribute_[k] = page.Custom[k].attribute;
    umCustomEdited_[k] = false;
  }
}

void form1::Load_W2K_User(const QString& UserPath) {
  directory::UserPage page = umPage();
  PageGroups groups(*this);
  directory::Load_W2K_User(page, UserPath, groups);
  showUmPage(page);
}

void form1::Load_NT_User(const QString& UserName) {
  directory::UserPage page = umPage();
  PageGroups groups(*this);
  const bool loaded = directory::Load_NT_User(page, UserName, groups);
  showUmPage(page);
  if (!loaded) {
    ui::feedback().beep();
    StatusBar1->setPanelText(1, QStringLiteral("Error retrieving User Info..."));
  }
}

bool form1::Save_W2K_User() {
  const directory::SaveOutcome out = directory::Save_W2K_User(umPage(), umMustChangeLoaded_);
  // Once the account's commit stored the flags, the box as saved is the account's state: a retry
  // after a failed later step must not restart the password's age again.
  if (out.committed && state::shared().UM_Changed_Flags) umMustChangeLoaded_ = chkMustChange->isChecked();
  return report(*this, out);
}

bool form1::Save_NT_User() {
  const bool saved = report(*this, directory::Save_NT_User(umPage(), umMustChangeLoaded_));
  if (saved) umMustChangeLoaded_ = chkMustChange->isChecked();
  return saved;
}

void form1::Userman_Save_Click() {
  // Nothing is written unless a user was loaded into the page.
  if (USERID->text().isEmpty() || (!ntMode() && USERID_W2K->text().trimmed().isEmpty())) {
    ui::feedback().beep();
    StatusBar1->setPanelText(1, QStringLiteral("No User Loaded..."));
    return;
  }
  bool saved = false;
  {
    ui::HourglassGuard busy;
    saved = ntMode() ? Save_NT_User() : Save_W2K_User();
  }
  state::shared().Op_Status = saved ? -1 : 0;
  if (saved) StatusBar1->setPanelText(1, QStringLiteral("Saved..."));
}

bool form1::Add_To_Group_W2K(int Index) {
  if (directory::Add_To_Group_W2K(ListView3->key(Index), USERID_W2K->text())) return true;
  ui::feedback().beep();
  StatusBar1->setPanelText(1, QStringLiteral("Error adding group"));
  return false;
}

bool form1::Remove_From_Group_W2K(int Index) {
  if (directory::Remove_From_Group_W2K(ListView4->key(Index), USERID_W2K->text())) return true;
  ui::feedback().beep();
  StatusBar1->setPanelText(1, QStringLiteral("Error removing group"));
  return false;
}

bool form1::Add_To_Group_NT(int Index) {
  return directory::Add_To_Group_NT(ListView3->text(Index), USERID->text()).ok();
}

bool form1::Remove_From_Group_NT(int Index) {
  return directory::Remove_From_Group_NT(ListView4->text(Index), USERID->text()).ok();
}

void form1::UM_ADD_GROUP_Click() {
  if (USERID->text().isEmpty()) return;
  if (ListView3->count() == 0) return;
  ui::HourglassGuard busy;
  moveSelectedGroups(ListView3, ListView4,
                     [this](int i) { return ntMode() ? Add_To_Group_NT(i) : Add_To_Group_W2K(i); });
}

void form1::UM_REMOVE_GROUP_Click() {
  if (USERID->text().isEmpty()) return;
  moveSelectedGroups(ListView4, ListView3,
                     [this](int i) { return ntMode() ? Remove_From_Group_NT(i) : Remove_From_Group_W2K(i); });
}

void form1::moveSelectedGroups(ui::ListView* from, ui::ListView* to, const std::function<bool(int)>& change) {
  // From the last row to the first, so that removing a row keeps the numbers still to come. A
  // row whose change the directory refused stays where it is, still selected.
  for (int i = from->count(); i >= 1; --i) {
    QTreeWidgetItem* row = from->item(i);
    if (!row || !row->isSelected()) continue;
    const bool changed = change(i);
    state::shared().Op_Status = changed ? -1 : 0;
    if (!changed) continue;
    to->add(from->text(i), ntMode() ? QString() : from->key(i), from->smallIcon(i));
    from->remove(i);
  }
}

// The focus of a group list enables its button, while a user is loaded.
void form1::ListView3_GotFocus() {
  for (int i = 1; i <= ListView4->count(); ++i) ListView4->item(i)->setSelected(false);
  UM_ADD_GROUP->setEnabled(!USERID->text().isEmpty());
  UM_REMOVE_GROUP->setEnabled(false);
}

void form1::ListView4_GotFocus() {
  for (int i = 1; i <= ListView3->count(); ++i) ListView3->item(i)->setSelected(false);
  UM_ADD_GROUP->setEnabled(false);
  UM_REMOVE_GROUP->setEnabled(!USERID->text().isEmpty());
}

void form1::ListView3_MouseUp(Qt::MouseButton Button) {
  ListView3->setToolTip(Button == Qt::RightButton ? ListView3->key(ListView3->selectedIndex()) : QString());
}

void form1::ListView4_MouseUp(Qt::MouseButton Button) {
  ListView4->setToolTip(Button == Qt::RightButton ? ListView4->key(ListView4->selectedIndex()) : QString());
}

void form1::USERID_Change() {
  if (!USERID->text().isEmpty()) return;
  UM_ADD_GROUP->setEnabled(false);
  UM_REMOVE_GROUP->setEnabled(false);
}

}  // namespace tavrel::mainwindow
