// The template tab's services that bring a stored template into the tab and take it out again:
// LoadTemplate, Find_Template, Template_Group_Sort, Clear_TT and the compaction's group check.

#include "mainwindow/form1.h"
#include "platform/text/Cp1252.h"
#include "records/DatabaseFolder.h"
#include "records/Lookup.h"
#include "state/SharedState.h"
#include "ui/Services.h"

namespace tavrel::mainwindow {
namespace {

using records::Template_Record;

const QString kNotFoundTip = QStringLiteral("Not found among the domain's groups");

}  // namespace

void form1::wireTemplatesPage() {
  ImageList1.add(kGroupNotFoundIcon, ui::glyphIcon(QColor(150, 150, 150), u'?'));
}

bool form1::LoadTemplate(const QString& TemplateName) {
  auto& shared = state::shared();
  const records::DatabaseFolder db(dbpath->text());
  // A missing Template.dat is created empty; the name then matches nothing.
  auto scan = records::scanRecords<Template_Record>(
      db, records::names::Template,
      [&](const Template_Record& r) {
        return r.Deleted == 0 && records::sameNameExact(r.Name, TemplateName);
      },
      records::Pick::First, true);
  if (!scan) {
    ui::feedback().beep();
    StatusBar1->setPanelText(
        1, QStringLiteral("Error with ") + dbpath->text() + QStringLiteral("template.dat file..."));
    return false;
  }
  Template_Group_Sort();
  shared.RecordIndex = scan->match ? scan->match : scan->count + 1;
  if (scan->lastRead) shared.Current_Template = *scan->lastRead;

  if (scan->match) {
    const Template_Record& t = *scan->lastRead;
    const auto trimmed = [](const QString& s) { return text::trimBlanks(s); };
    propath->setText(trimmed(t.ProfileShareUNC));
    homedir->setText(trimmed(t.HomeShareUNC));
    Profilepath->setText(trimmed(t.ProfileDirLocal));
    Homedirpath->setText(trimmed(t.HomeDirLocal));
    logon->setText(trimmed(t.LogonScript));
    Home_Drive_letter->setEditText(trimmed(t.HomeDrive));
    Sharenamehomedir->setText(trimmed(t.HomeShareName));
    sharenameprofile->setText(trimmed(t.ProfileShareName));
    PrimaryGrp->setText(trimmed(t.PrimaryGroup));

    shared.Logon_Hours_Array = t.LogonHours;

    // Slot 0 is never used; empty slots leave no gap.
    shared.Template_Variables.clear();
    for (int i = 1; i < Template_Record::VarSlots; ++i) {
      const QString name = trimmed(t.VarName[i]);
      const QString value = trimmed(t.VarValue[i]);
      if (!name.isEmpty() || !value.isEmpty()) shared.Template_Variables.push_back({name, value});
    }

    // Each stored group moves from the available groups to the template's, matched without
    // regard to case. A group the domain list does not hold stays in the template, marked, so
    // that neither the creation nor a later save loses it unseen.
    const int used = qBound(0, int(t.GroupCount), Template_Record::GroupSlots);
    for (int slot = 0; slot < used; ++slot) {
      const QString group = trimmed(t.Groups[slot]);
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
  Variables->setEnabled(true);
  return scan->match != 0;
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
}

void form1::Check_Template_Groups(Template_Record& Current_Template, startup::LogFile& log) {
  QStringList domainGroups;
  for (int i = 1; i <= ListView5->count(); ++i) domainGroups << ListView5->text(i);
  records::checkTemplateGroups(Current_Template, domainGroups, log);
}

}  // namespace tavrel::mainwindow
