// The template tab's services that bring a stored template into the tab and take it out again:
// LoadTemplate, Find_Template, Template_Group_Sort, Clear_TT and the compaction's group check.

#include "bulk/MultiUser.h"
#include "mainwindow/Logon_Hours.h"
#include "mainwindow/RecordMemo.h"
#include "mainwindow/form1.h"
#include "platform/text/Cp1252.h"
#include "records/DatabaseFolder.h"
#include "records/Lookup.h"
#include "records/TemplateEditing.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QEvent>
#include <QMouseEvent>

#include <fcntl.h>

namespace tavrel::mainwindow {
namespace {

using records::Template_Record;

const QString kNotFoundTip = QStringLiteral("Not found among the domain's groups");
const QString kDefaultPrimaryGroup = QStringLiteral("Domain Users");
const QString kLocalGroupIcon = QStringLiteral("Local");

// Focus, double-click and mouse release of the two group lists, passed to their handlers.
class GroupListEvents : public QObject {
 public:
  GroupListEvents(ui::ListView* list, std::function<void()> gotFocus, std::function<void(Qt::MouseButton)> mouseUp,
                  QObject* parent)
      : QObject(parent),
        list_(list),
        viewport_(list->viewport()),
        gotFocus_(std::move(gotFocus)),
        mouseUp_(std::move(mouseUp)) {
    list->installEventFilter(this);
    viewport_->installEventFilter(this);
  }
  // Compares pointers only: events still arrive while the list is being destroyed, when it can no
  // longer be asked for its viewport.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == list_ && event->type() == QEvent::FocusIn) gotFocus_();
    if (watched == viewport_ && event->type() == QEvent::MouseButtonRelease)
      mouseUp_(static_cast<QMouseEvent*>(event)->button());
    return false;
  }

 private:
  QObject* list_;
  QObject* viewport_;
  std::function<void()> gotFocus_;
  std::function<void(Qt::MouseButton)> mouseUp_;
};

void deselectAll(ui::ListView* list) {
  for (int i = 1; i <= list->count(); ++i) list->item(i)->setSelected(false);
}

}  // namespace

void form1::wireTemplatesPage() {
  ImageList1.add(kGroupNotFoundIcon, ui::glyphIcon(QColor(150, 150, 150), u'?'));
  // Every text box takes no more than its record field holds.
  New_Template_Name->setMaxLength(records::kTemplateNameWidth);
  for (QLineEdit* e : {propath, homedir, Profilepath, Homedirpath}) e->setMaxLength(75);
  for (QLineEdit* e : {sharenameprofile, Sharenamehomedir, logon}) e->setMaxLength(20);
  Home_Drive_letter->lineEdit()->setMaxLength(2);

  connect(homedir, &QLineEdit::textChanged, this, &form1::homedir_Change);
  connect(templatelst, &QComboBox::activated, this, [this] { templatelst_Click(); });
  connect(savetemplate, &QPushButton::clicked, this, &form1::savetemplate_Click);
  connect(NewTemplate, &QPushButton::clicked, this, &form1::NewTemplate_Click);
  connect(DeleteTemplate, &QPushButton::clicked, this, &form1::DeleteTemplate_Click);
  connect(EditTemplate, &QPushButton::clicked, this, &form1::EditTemplate_Click);
  connect(Template_Cancel, &QPushButton::clicked, this, &form1::Template_Cancel_Click);
  connect(paste, &QPushButton::clicked, this, &form1::paste_Click);
  connect(LogonHours, &QPushButton::clicked, this, &form1::LogonHours_Click);
  connect(add, &QPushButton::clicked, this, &form1::add_Click);
  connect(remove, &QPushButton::clicked, this, &form1::remove_Click);
  connect(SetPriGroup, &QPushButton::clicked, this, &form1::SetPriGroup_Click);
  connect(ListView5, &QTreeWidget::itemDoubleClicked, this, [this] { ListView5_DblClick(); });
  connect(ListView6, &QTreeWidget::itemDoubleClicked, this, [this] { ListView6_DblClick(); });
  new GroupListEvents(
      ListView5, [this] { ListView5_GotFocus(); }, [this](Qt::MouseButton b) { ListView5_MouseUp(b); }, this);
  new GroupListEvents(
      ListView6, [this] { ListView6_GotFocus(); }, [this](Qt::MouseButton b) { ListView6_MouseUp(b); }, this);
}

bool form1::LoadTemplate(const QString& TemplateName) {
  auto& shared = state::shared();
  const records::DatabaseFolder db(dbpath->text());
  // A missing Template.dat is created empty; the name then matches nothing. The scan opens the
  // file for writing, and so does the memo, so that one the scan could not open is never answered
  // from memory.
  static ScanMemo<Template_Record> memo;
  auto scan = memo.get(db, records::names::Template, TemplateName, O_RDWR, [&] {
    return records::scanRecords<Template_Record>(
        db, records::names::Template,
        [&](const Template_Record& r) {
          return r.Deleted == 0 && records::sameNameExact(r.Name, TemplateName);
        },
        records::Pick::First, true);
  });
  if (!scan) {
    templateTrap(scan.message());
    return false;
  }
  Template_Group_Sort();
  shared.RecordIndex = scan->match ? scan->match : scan->count + 1;
  if (scan->lastRead) shared.Current_Template = *scan->lastRead;

  if (scan->match) {
    const Template_Record& t = *scan->lastRead;
    showTemplateFields(t);
    PrimaryGrp->setText(text::trimBlanks(t.PrimaryGroup));

    shared.Logon_Hours_Array = t.LogonHours;
    shared.Template_Variables = records::variablesOf(t);
    moveTemplateGroups(t);
    shownTemplate_ = t.Name;
  }
  Variables->setEnabled(true);
  return scan->match != 0;
}

void form1::showTemplateFields(const Template_Record& t) {
  const auto trimmed = [](const QString& s) { return text::trimBlanks(s); };
  propath->setText(trimmed(t.ProfileShareUNC));
  homedir->setText(trimmed(t.HomeShareUNC));
  Profilepath->setText(trimmed(t.ProfileDirLocal));
  Homedirpath->setText(trimmed(t.HomeDirLocal));
  logon->setText(trimmed(t.LogonScript));
  setHomeDrive(trimmed(t.HomeDrive));
  Sharenamehomedir->setText(trimmed(t.HomeShareName));
  sharenameprofile->setText(trimmed(t.ProfileShareName));
}

void form1::moveTemplateGroups(const Template_Record& t) {
  // Each stored group moves from the available groups to the template's, matched without regard
  // to case, with its key and icon. A group the domain list does not hold stays in the template,
  // marked, so that neither the creation nor a later save loses it unseen.
  const int used = qBound(0, int(t.GroupCount), Template_Record::GroupSlots);
  for (int slot = 0; slot < used; ++slot) {
    const QString group = text::trimBlanks(t.Groups[slot]);
    if (group.isEmpty()) continue;
    bool held = false;
    for (int i = 1; i <= ListView6->count() && !held; ++i)
      held = records::sameNameIgnoringCase(ListView6->text(i), group);
    if (held) continue;  // stored twice: moved once
    bool found = false;
    for (int i = ListView5->count(); i >= 1; --i) {
      if (!records::sameNameIgnoringCase(ListView5->text(i), group)) continue;
      ListView6->add(ListView5->text(i), ListView5->key(i), ListView5->smallIcon(i));
      ListView5->remove(i);
      found = true;
    }
    if (!found) {
      QTreeWidgetItem* row = ListView6->add(group, {}, kGroupNotFoundIcon);
      row->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
      row->setToolTip(0, kNotFoundTip);
    }
  }
}

int form1::Find_Template(int) {
  auto& shared = state::shared();
  const QString wanted = templatelst->currentText();
  auto scan = records::scanRecords<Template_Record>(
      records::DatabaseFolder(dbpath->text()), records::names::Template, [&](const Template_Record& r) {
        return r.Deleted == 0 && records::sameNameIgnoringCase(r.Name, wanted);
      });
  if (!scan) return -1;
  if (scan->lastRead) shared.Current_Template = *scan->lastRead;
  return scan->match ? scan->match : -1;
}

void form1::Template_Group_Sort() {
  const int n = ListView6->count();
  for (int i = 1; i <= n; ++i) {
    // A group the domain does not hold was never among the available groups.
    if (ListView6->smallIcon(i) == kGroupNotFoundIcon) continue;
    if (!ListView5->add(ListView6->text(i), ListView6->key(i), ListView6->smallIcon(i)))
      ListView5->add(ListView6->text(i), ListView6->key(i));
  }
  ListView6->clear();
}

void form1::Clear_TT() {
  for (QLineEdit* e : {propath, homedir, Profilepath, Homedirpath, sharenameprofile, Sharenamehomedir, logon})
    e->clear();
  const QList<QWidget*> fields{propath,           homedir,          Profilepath,      Homedirpath,
                               Home_Drive_letter, Sharenamehomedir, sharenameprofile, logon};
  for (QWidget* w : fields) setFieldBackground(w, Field_Colour);
  StatusBar1->setPanelText(1, QStringLiteral("Ready."));
  NewTemplate->setEnabled(true);
  for (QLineEdit* e : {propath, homedir, Profilepath, Homedirpath, Sharenamehomedir, sharenameprofile, logon})
    e->setReadOnly(true);
  setLocked(Home_Drive_letter, true);
  for (QPushButton* b : {add, remove, savetemplate, EditTemplate, DeleteTemplate}) b->setEnabled(false);
  templatelst->setEditText(QString());
  setLocked(templatelst, false);
  setFieldBackground(templatelst, Field_Colour);
  paste->setEnabled(false);
  SetPriGroup->setEnabled(false);
  state::shared().EditingTemplate = 0;
  for (QPushButton* b : {add, remove, Variables, LogonHours}) b->setEnabled(false);
  New_Template_Name->clear();
  New_Template_Name->hide();
  shownTemplate_.clear();
  pasteSource_.clear();
}

void form1::Check_Template_Groups(Template_Record& Current_Template, startup::LogFile& log) {
  QStringList domainGroups;
  for (int i = 1; i <= ListView5->count(); ++i) domainGroups << ListView5->text(i);
  records::checkTemplateGroups(Current_Template, domainGroups, log);
}

// --- the template editor ---

void form1::templateTrap(const QString& detail) {
  StatusBar1->setPanelText(1, QStringLiteral("Error with ") + dbpath->text() + QStringLiteral("template.dat file..."),
                           detail);
  ui::feedback().beep();
}

void form1::setHomeDrive(const QString& drive) {
  if (Home_Drive_letter->currentText() == drive) return;
  const int at = drive.isEmpty() ? -1 : Home_Drive_letter->findText(drive, Qt::MatchFixedString | Qt::MatchCaseSensitive);
  if (at >= 0) Home_Drive_letter->setCurrentIndex(at);
  Home_Drive_letter->setEditText(drive);
}

void form1::homedir_Change() {
  setHomeDrive(records::homeDriveRule(homedir->text(), Home_Drive_letter->currentText()));
}

void form1::setTemplateFieldsEditable(bool editable) {
  const QColor colour = editable ? editableColour() : Field_Colour;
  for (QLineEdit* e : {propath, homedir, Profilepath, Homedirpath, sharenameprofile, Sharenamehomedir, logon}) {
    e->setReadOnly(!editable);
    setFieldBackground(e, colour);
  }
  setLocked(Home_Drive_letter, !editable);
  setFieldBackground(Home_Drive_letter, colour);
}

void form1::savetemplate_Click() {
  auto& shared = state::shared();
  const bool editing = shared.EditingTemplate != 0;
  const auto message = [&](const QString& text, int style, const QString& title) {
    shared.Op_Status = static_cast<int32_t>(ui::prompter().MsgBox(text, style, title));
  };

  // 1. The home drive: a letter and a colon; a lower-case letter is taken as its capital.
  const std::optional<QString> drive = records::normalisedHomeDrive(Home_Drive_letter->currentText());
  if (!drive) {
    ui::feedback().beep();
    StatusBar1->setPanelText(1, QStringLiteral("Home Drive Format Incorrect"));
    return;
  }
  setHomeDrive(*drive);

  // 2, 3. The name: a new one must differ from every listed template, and none may be blank.
  if (!editing) {
    templatelst->setEditText(text::trimBlanks(New_Template_Name->text()));
    QStringList listed;
    for (int i = 0; i < templatelst->count(); ++i) listed << templatelst->itemText(i);
    if (records::checkNewTemplateName(templatelst->currentText(), listed) == records::NewTemplateName::AlreadyUsed) {
      message(QStringLiteral("Template Name ") + QStringLiteral(" Already Exist ") + QStringLiteral("\r\r") +
                  QStringLiteral("Change Template Name."),
              ui::kStyleCritical, QStringLiteral("Template Name Conflict..."));
      New_Template_Name->setFocus();
      return;
    }
  }
  if (text::trimBlanks(templatelst->currentText()).isEmpty()) {
    message(QStringLiteral("Template Name cannot be blank."), ui::kStyleCritical, QStringLiteral("Template Name"));
    New_Template_Name->setFocus();
    return;
  }

  // The drive rule once more: a drive emptied by hand while the home share holds text is "Z:".
  setHomeDrive(records::homeDriveRule(homedir->text(), Home_Drive_letter->currentText()));

  records::TemplateFields fields;
  fields.name = templatelst->currentText();
  fields.profileShareUNC = propath->text();
  fields.homeShareUNC = homedir->text();
  fields.profileDirLocal = Profilepath->text();
  fields.homeDirLocal = Homedirpath->text();
  fields.profileShareName = sharenameprofile->text();
  fields.homeShareName = Sharenamehomedir->text();
  fields.logonScript = logon->text();
  fields.homeDrive = Home_Drive_letter->currentText();
  fields.primaryGroup = PrimaryGrp->text();
  fields.logonHours = shared.Logon_Hours_Array;
  for (int i = 1; i <= ListView6->count(); ++i) fields.groups << ListView6->text(i);

  // Nothing is cut to fit: a text the record can't hold is named, and nothing is written.
  if (fields.groups.size() <= Template_Record::GroupSlots) {
    QString refused = records::templateFieldsDontFit(fields);
    if (refused.isEmpty() && !editing) refused = records::variablesDontFit(shared.Template_Variables);
    if (!refused.isEmpty()) return message(refused, ui::kStyleExclamation, QStringLiteral("Incorect entry"));
  }

  deselectAll(ListView5);
  StatusBar1->setPanelText(1, QStringLiteral("Saving Template..."));
  const records::DatabaseFolder db(dbpath->text());
  auto saved = fields.groups.size() > Template_Record::GroupSlots
                   ? records::Result<records::SavedTemplate>(records::Status::failure(records::templateFieldsDontFit(fields)))
               : editing ? records::saveEditedTemplate(db, fields.name, fields)
                         : records::saveNewTemplate(db, fields, shared.Template_Variables);
  if (!saved) {
    templateTrap(saved.message());
    return;
  }
  shared.RecordIndex = saved->number;
  shared.Current_Template = saved->record;
  shownTemplate_ = saved->record.Name;

  if (!editing) {
    const QString stored = records::storedTemplateName(fields.name);
    const QString typed = templatelst->currentText();
    templatelst->addItem(stored);
    templatelst->setEditText(typed);
    nutemplate->addItem(stored);
    setLocked(nutemplate, false);
    bulk::MultiUser::instance(dbpath->text()).Multi_Template->addItem(stored);
  }

  // Back to browsing.
  NewTemplate->setEnabled(true);
  setTemplateFieldsEditable(false);
  for (QPushButton* b : {add, remove, savetemplate}) b->setEnabled(false);
  shared.EditingTemplate = 0;
  setLocked(templatelst, false);
  StatusBar1->setPanelText(1, QStringLiteral("Template Saved..."));
  setFieldBackground(templatelst, Field_Colour);
  New_Template_Name->clear();
  New_Template_Name->hide();
  EditTemplate->setEnabled(true);
  for (QPushButton* b : {DeleteTemplate, paste, SetPriGroup}) b->setEnabled(false);
}

void form1::NewTemplate_Click() {
  auto& shared = state::shared();
  // Paste copies the template the tab showed when New was pressed.
  pasteSource_ = shownTemplate_;
  // The name box shares the template list's place in the layout, laid over it.
  New_Template_Name->show();
  New_Template_Name->raise();
  Template_Group_Sort();
  for (QLineEdit* e : {propath, homedir, Profilepath, Homedirpath, sharenameprofile, Sharenamehomedir, logon})
    e->clear();
  setTemplateFieldsEditable(true);
  setFieldBackground(templatelst, editableColour());
  setHomeDrive(QStringLiteral("G:"));
  // A new template starts blank: no variables, every hour permitted, the default primary group.
  shared.Template_Variables.clear();
  shared.Logon_Hours_Array.fill(255);
  PrimaryGrp->setText(kDefaultPrimaryGroup);
  NewTemplate->setEnabled(false);
  savetemplate->setEnabled(true);
  EditTemplate->setEnabled(false);
  DeleteTemplate->setEnabled(false);
  SetPriGroup->setEnabled(true);
  add->setEnabled(true);
  paste->setEnabled(true);
  New_Template_Name->setFocus();
  Variables->setEnabled(false);
  LogonHours->setEnabled(true);
}

void form1::DeleteTemplate_Click() {
  auto& shared = state::shared();
  const QString name = templatelst->currentText();
  if (Confirm_Deletes->isChecked()) {
    const ui::MsgBoxResult answer = ui::prompter().MsgBox(QStringLiteral("Sure to Delete Template"),
                                                          ui::kStyleYesNoQuestion, QStringLiteral("Delete Template"));
    shared.Reg_Result = answer == ui::MsgBoxResult::Yes;
    if (answer == ui::MsgBoxResult::No) return;
  }
  StatusBar1->setPanelText(1, QStringLiteral("Deleting Template..."));
  auto deleted = records::deleteTemplate(records::DatabaseFolder(dbpath->text()), name);
  if (!deleted) {
    templateTrap(deleted.message());
    return;
  }
  if (deleted.value() == 0) return;  // no live template of that name: nothing changes

  removeListedName(nutemplate, name);
  removeListedName(bulk::MultiUser::instance(dbpath->text()).Multi_Template, name);
  Template_Group_Sort();
  // The deleted template's entry goes; no other template's name is left showing over the emptied
  // fields.
  removeListedName(templatelst, name);
  templatelst->setCurrentIndex(-1);
  templatelst->setEditText(QString());
  for (QLineEdit* e : {propath, homedir, Profilepath, Homedirpath, sharenameprofile, Sharenamehomedir, logon})
    e->clear();
  shownTemplate_.clear();
  EditTemplate->setEnabled(false);
  DeleteTemplate->setEnabled(false);
  StatusBar1->setPanelText(1, QStringLiteral("Template Deleted."));
}

void form1::templatelst_Click() {
  if (templatelst->currentText().isEmpty()) return;
  for (QPushButton* b : {EditTemplate, DeleteTemplate, paste, LogonHours}) b->setEnabled(true);
  LoadTemplate(templatelst->currentText());
}

void form1::EditTemplate_Click() {
  if (templatelst->currentText().isEmpty()) return;
  StatusBar1->setPanelText(1, QStringLiteral("Edit Template..."));
  NewTemplate->setEnabled(false);
  savetemplate->setEnabled(true);
  EditTemplate->setEnabled(false);
  DeleteTemplate->setEnabled(false);
  setLocked(templatelst, true);
  add->setEnabled(true);
  setTemplateFieldsEditable(true);
  LogonHours->setEnabled(true);
  SetPriGroup->setEnabled(true);
  state::shared().EditingTemplate = -1;
}

void form1::Template_Cancel_Click() {
  deselectAll(ListView5);
  Template_Group_Sort();
  Clear_TT();
}

void form1::paste_Click() {
  if (New_Template_Name->isHidden()) return;
  auto& shared = state::shared();
  // The template shown when New was pressed, found by its name among the live templates.
  if (pasteSource_.isEmpty()) return;
  auto found = records::findLiveTemplate(records::DatabaseFolder(dbpath->text()), pasteSource_);
  if (!found) return templateTrap(found.message());
  if (!found.value()) return;
  const Template_Record& t = *found.value();
  shared.Current_Template = t;
  showTemplateFields(t);
  shared.Template_Variables = records::variablesOf(t);
  shared.Logon_Hours_Array = t.LogonHours;
  Template_Group_Sort();
  moveTemplateGroups(t);
  Variables->setEnabled(true);
  paste->setEnabled(false);
}

void form1::LogonHours_Click() {
  Logon_Hours window(state::shared().Logon_Hours_Array, savetemplate->isEnabled(), this);
  window.exec();
}

// --- the group lists ---

void form1::add_Click() {
  if (!savetemplate->isEnabled()) return;
  ui::HourglassGuard hourglass;
  int n = ListView5->count();
  do {
    if (ListView6->count() == records::kTemplateGroupCap) {
      ui::prompter().MsgBox(QStringLiteral("Templates Limited to ") + QString::number(records::kTemplateGroupCap) +
                                QStringLiteral(" Groups"),
                            ui::kStyleCritical, QStringLiteral("Max Groups Reached"));
      break;
    }
    if (QTreeWidgetItem* row = ListView5->item(n); row && row->isSelected()) {
      // The group keeps its directory path: the creation adds users to it through that key.
      ListView6->add(ListView5->text(n), ListView5->key(n), ListView5->smallIcon(n));
      ListView5->remove(n);
    }
    --n;
  } while (n >= 1);
}

void form1::remove_Click() {
  if (!savetemplate->isEnabled()) return;
  ui::HourglassGuard hourglass;
  for (int n = ListView6->count(); n >= 1; --n) {
    if (!ListView6->item(n)->isSelected()) continue;
    if (ListView6->text(n) == PrimaryGrp->text()) PrimaryGrp->setText(kDefaultPrimaryGroup);
    // A group the domain does not hold leaves the template without joining the available ones.
    if (ListView6->smallIcon(n) != kGroupNotFoundIcon)
      ListView5->add(ListView6->text(n), ListView6->key(n), ListView6->smallIcon(n));
    ListView6->remove(n);
  }
}

void form1::SetPriGroup_Click() {
  for (int i = 1; i <= ListView6->count(); ++i) {
    const QString icon = ListView6->smallIcon(i);
    // A local group can't be a primary group, nor can one the domain does not hold.
    if (ListView6->item(i)->isSelected() && icon != kLocalGroupIcon && icon != kGroupNotFoundIcon) {
      PrimaryGrp->setText(ListView6->text(i));
      return;
    }
  }
}

void form1::ListView5_GotFocus() {
  deselectAll(ListView6);
  add->setEnabled(true);
  remove->setEnabled(false);
}

void form1::ListView6_GotFocus() {
  deselectAll(ListView5);
  add->setEnabled(false);
  remove->setEnabled(true);
}

void form1::ListView5_DblClick() {
  add_Click();
}

void form1::ListView6_DblClick() {
  remove_Click();
}

void form1::ListView5_MouseUp(Qt::MouseButton Button) {
  const int at = ListView5->selectedIndex();
  ListView5->setToolTip(Button == Qt::RightButton && at > 0 ? ListView5->key(at) : QString());
}

void form1::ListView6_MouseUp(Qt::MouseButton Button) {
  const int at = ListView6->selectedIndex();
  ListView6->setToolTip(Button == Qt::RightButton && at > 0 ? ListView6->key(at) : QString());
}

}  // namespace tavrel::mainwindow
