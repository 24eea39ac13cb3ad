// The template editor on the main window: the home-drive rule, save, new, delete, edit, cancel,
// paste and the group lists' handlers, on small database folders built by the tests.

#include "RecordTabs.h"

#include "records/TemplateEditing.h"

#include <QMouseEvent>

using namespace tavrel;
using mainwindow::form1;
using records::Template_Record;
using records::TemplateVariable;
using test::padded;
using test::templateRec;
using Vars = std::vector<TemplateVariable>;

namespace {

const QString kTrap = QStringLiteral("template.dat file...");

records::LogonHoursBytes allHours() {
  records::LogonHoursBytes b;
  b.fill(255);
  return b;
}

class TemplateEditor : public test::RecordTabsFixture {
 protected:
  void SetUp() override {
    RecordTabsFixture::SetUp();
    w->Field_Colour = QColor(212, 208, 200);
    w->Clear_TT();
    w->show();
    w->SSTab1->setCurrentIndex(form1::kTemplatesPage);
    // The domain's groups as the directory loader lists them.
    for (const char* g : {"Domain Users", "Staff", "Sales", "Printing"})
      w->ListView5->add(g, QStringLiteral("LDAP://CN=%1,DC=example,DC=local").arg(g), "W2KGRP");
    w->ListView5->add("Print Operators", {}, "Local");
  }

  // Stored templates, listed as the start-up lists them.
  void templates(const QList<Template_Record>& list) {
    putTemplates(list);
    for (const Template_Record& t : list)
      if (t.Deleted == 0) {
        w->templatelst->addItem(padded(t.Name, 25));
        w->nutemplate->addItem(padded(t.Name, 25));
        multiTemplate()->addItem(padded(t.Name, 25));
      }
  }
  QComboBox* multiTemplate() const { return bulk::MultiUser::instance(db()).Multi_Template; }

  // Chooses the template list's entry of `name`, as a click does.
  void choose(const QString& name) {
    const int at = w->templatelst->findText(padded(name, 25));
    ASSERT_GE(at, 0) << name.toStdString();
    w->templatelst->setCurrentIndex(at);
    w->templatelst_Click();
  }

  QList<Template_Record> onDisk() const {
    const QByteArray bytes = file("Template.dat");
    QList<Template_Record> out;
    for (int at = 0; at + Template_Record::Length <= bytes.size(); at += Template_Record::Length)
      out << Template_Record::decode(bytes.mid(at, Template_Record::Length));
    return out;
  }

  static Template_Record full(const QString& name) {
    Template_Record t = templateRec(name);
    t.ProfileShareUNC = "\\\\srv\\profiles";
    t.HomeShareUNC = "\\\\srv\\home";
    t.ProfileDirLocal = "D:\\Profiles";
    t.HomeDirLocal = "D:\\Home";
    t.LogonScript = "logon.bat";
    t.HomeDrive = "H:";
    t.HomeShareName = "%UserName%";
    t.ProfileShareName = "%UserName%$";
    t.PrimaryGroup = "Staff";
    t.LogonHours.fill(0);
    t.LogonHours[3] = 1;
    t.VarName[1] = "Dept";
    t.VarValue[1] = "Sales";
    t.VarName[4] = "City";
    t.VarValue[4] = "Leeds";
    t.GroupCount = 2;
    t.Groups[0] = "Staff";
    t.Groups[1] = "Sales";
    t.Groups[2] = "stale slot";
    return t;
  }

  // New, the name typed.
  void newNamed(const QString& name) {
    w->NewTemplate_Click();
    w->New_Template_Name->setText(name);
  }
  void select(ui::ListView* list, const QStringList& names) {
    for (int i = 1; i <= list->count(); ++i) list->item(i)->setSelected(names.contains(list->text(i)));
  }
  QStringList chosen() const { return test::textsOf(w->ListView6); }
  QStringList available() const { return test::textsOf(w->ListView5); }
  auto& shared() { return state::shared(); }
  QString drive() const { return w->Home_Drive_letter->currentText(); }
};

TEST_F(TemplateEditor, HomeDriveFollowsEveryChangeOfTheHomeShare) {
  w->NewTemplate_Click();
  EXPECT_EQ(drive(), "G:") << "New chooses G: for an empty share";
  w->homedir->setText("x");
  EXPECT_EQ(drive(), "G:");
  w->homedir->clear();
  EXPECT_EQ(drive(), "") << "emptying the home share empties the drive";
  w->homedir->setText("\\");
  EXPECT_EQ(drive(), "Z:") << "the first character into an empty share sets Z:";
  w->Home_Drive_letter->setEditText("H:");
  w->homedir->setText("\\\\srv\\home");
  EXPECT_EQ(drive(), "H:") << "a drive already chosen stays";
  w->homedir->setText("   ");
  EXPECT_EQ(drive(), "") << "a share of blanks counts as empty";

  // The program's own changes run it too: loading a template with a share and clearing the tab.
  templates({full("Staff")});
  w->Template_Cancel_Click();
  choose("Staff");
  EXPECT_EQ(drive(), "H:");
  w->Clear_TT();
  EXPECT_EQ(w->homedir->text(), "");
  EXPECT_EQ(drive(), "");
}

TEST_F(TemplateEditor, SaveRefusesABadDriveWithoutWriting) {
  templates({full("Staff")});
  struct Case {
    const char* drive;
    const char* stored;  // nullptr: refused
  } cases[] = {{"h:", "H:"}, {"@:", nullptr}, {"H", nullptr}, {"1:", nullptr}, {"", "Z:"}, {"Q:", "Q:"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.drive);
    put("Template.dat", full("Staff").encode());
    beeps.resetBeeps();
    choose("Staff");
    w->EditTemplate_Click();
    w->Home_Drive_letter->setEditText(c.drive);
    w->savetemplate_Click();
    if (!c.stored) {
      EXPECT_EQ(status(), "Home Drive Format Incorrect");
      EXPECT_EQ(beeps.beeps(), 1);
      EXPECT_EQ(file("Template.dat"), full("Staff").encode());
      EXPECT_TRUE(w->savetemplate->isEnabled()) << "the tab stays in its mode";
      w->Template_Cancel_Click();
    } else {
      EXPECT_EQ(status(), "Template Saved...");
      EXPECT_EQ(onDisk()[0].HomeDrive, c.stored);
      EXPECT_EQ(drive(), c.stored);
    }
  }
  EXPECT_TRUE(prompts.asked.empty()) << "the drive check asks nothing";
}

TEST_F(TemplateEditor, NewNamesAreCheckedAgainstTheListBeforeAnythingIsWritten) {
  templates({full("Staff")});
  struct Case {
    const char* typed;
    const char* prompt;
    const char* title;
  } cases[] = {
      {"staff", "Template Name  Already Exist \r\rChange Template Name.", "Template Name Conflict..."},
      {"  STAFF  ", "Template Name  Already Exist \r\rChange Template Name.", "Template Name Conflict..."},
      {"   ", "Template Name cannot be blank.", "Template Name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    prompts.asked.clear();
    newNamed(c.typed);
    w->savetemplate_Click();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].prompt, c.prompt);
    EXPECT_EQ(prompts.asked[0].title, c.title);
    EXPECT_EQ(prompts.asked[0].style, ui::kStyleCritical);
    EXPECT_EQ(w->templatelst->currentText(), QString(c.typed).trimmed()) << "the list's text is the trimmed name";
    EXPECT_EQ(onDisk().size(), 1);
    EXPECT_EQ(w->templatelst->count(), 1);
    EXPECT_EQ(w->nutemplate->count(), 1);
    EXPECT_EQ(multiTemplate()->count(), 1);
    EXPECT_TRUE(w->New_Template_Name->isVisible()) << "still naming the new template";
    w->Template_Cancel_Click();
  }
  EXPECT_EQ(w->New_Template_Name->maxLength(), 25) << "no name can be stored cut";
}

TEST_F(TemplateEditor, SavingANewTemplateAppendsItAndListsTheStoredName) {
  templates({full("Staff")});
  choose("Staff");
  newNamed("  Pupils ");
  w->propath->setText("\\\\srv\\p");
  w->homedir->setText("\\\\srv\\h");
  w->logon->setText("p.bat");
  select(w->ListView5, {"Printing"});
  w->add_Click();
  w->savetemplate_Click();

  EXPECT_EQ(status(), "Template Saved...");
  ASSERT_EQ(onDisk().size(), 2);
  const Template_Record r = onDisk()[1];
  EXPECT_EQ(r.Name, padded("Pupils", 25));
  EXPECT_EQ(r.ProfileShareUNC.trimmed(), "\\\\srv\\p");
  EXPECT_EQ(r.LogonScript.trimmed(), "p.bat");
  EXPECT_EQ(r.HomeDrive, "G:") << "New chose G:";
  EXPECT_EQ(r.PrimaryGroup.trimmed(), "Domain Users");
  EXPECT_EQ(r.GroupCount, 1);
  EXPECT_EQ(r.Groups[0].trimmed(), "Printing");
  EXPECT_EQ(r.Groups[1].trimmed(), "") << "no slot of the template shown before";
  EXPECT_TRUE(records::variablesOf(r).empty()) << "no variables of the template shown before";
  EXPECT_EQ(r.LogonHours, allHours());
  for (QComboBox* list : {w->templatelst, w->nutemplate, multiTemplate()})
    EXPECT_EQ(test::itemsOf(list), (QStringList{padded("Staff", 25), padded("Pupils", 25)}));
  EXPECT_EQ(shared().RecordIndex, 2);

  // Back to browsing.
  EXPECT_TRUE(w->New_Template_Name->isHidden());
  EXPECT_EQ(w->New_Template_Name->text(), "");
  EXPECT_EQ(w->templatelst->currentText(), "Pupils");
  EXPECT_EQ(chosen(), QStringList{"Printing"});
  EXPECT_EQ(shared().EditingTemplate, 0);
  for (QWidget* b : std::initializer_list<QWidget*>{w->NewTemplate, w->EditTemplate}) EXPECT_TRUE(b->isEnabled());
  for (QWidget* b : std::initializer_list<QWidget*>{w->add, w->remove, w->savetemplate, w->DeleteTemplate, w->paste,
                                                    w->SetPriGroup})
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  EXPECT_TRUE(w->propath->isReadOnly());
  EXPECT_TRUE(form1::isLocked(w->Home_Drive_letter));
  EXPECT_FALSE(form1::isLocked(w->templatelst));

  // The saved template loads back as it was saved.
  w->Clear_TT();
  choose("Pupils");
  EXPECT_EQ(w->logon->text(), "p.bat");
  EXPECT_EQ(chosen(), QStringList{"Printing"});
}

TEST_F(TemplateEditor, EditingKeepsTheTemplatesVariablesAndRewritesItsGroupCount) {
  templates({templateRec("Other"), full("Staff")});
  choose("Staff");
  w->EditTemplate_Click();
  EXPECT_EQ(status(), "Edit Template...");
  EXPECT_TRUE(form1::isLocked(w->templatelst));
  EXPECT_FALSE(w->remove->isEnabled()) << "focusing the template's groups enables remove";
  w->logon->setText("new.bat");
  select(w->ListView6, {"Sales"});
  w->remove_Click();
  w->savetemplate_Click();
  EXPECT_EQ(status(), "Template Saved...");
  const auto records = onDisk();
  ASSERT_EQ(records.size(), 2) << "an edit writes over its record";
  EXPECT_EQ(records[1].LogonScript.trimmed(), "new.bat");
  EXPECT_EQ(records[1].GroupCount, 1);
  EXPECT_EQ(records::variablesOf(records[1]), (Vars{{"Dept", "Sales"}, {"City", "Leeds"}}));
  EXPECT_EQ(records[1].Groups[2].trimmed(), "stale slot") << "slots past the count are not rewritten";
  EXPECT_EQ(w->templatelst->count(), 2) << "an edited name is not listed again";

  // An edited template whose record went meanwhile fails without writing.
  choose("Staff");
  w->EditTemplate_Click();
  const Template_Record gone = [&] {
    Template_Record t = onDisk()[1];
    t.Deleted = records::kDeletedFlag;
    return t;
  }();
  putTemplates({templateRec("Other"), gone});
  const QByteArray before = file("Template.dat");
  w->savetemplate_Click();
  EXPECT_EQ(status(), "Error with " + db() + kTrap);
  EXPECT_EQ(file("Template.dat"), before);
  EXPECT_TRUE(w->savetemplate->isEnabled()) << "the tab stays in editing";
}

TEST_F(TemplateEditor, ANewTemplateStartsBlank) {
  templates({full("Staff")});
  choose("Staff");
  ASSERT_EQ(chosen(), (QStringList{"Staff", "Sales"}));
  w->NewTemplate_Click();
  for (QLineEdit* e : {w->propath, w->homedir, w->Profilepath, w->Homedirpath, w->sharenameprofile,
                       w->Sharenamehomedir, w->logon}) {
    EXPECT_EQ(e->text(), "") << e->objectName().toStdString();
    EXPECT_FALSE(e->isReadOnly());
  }
  EXPECT_EQ(drive(), "G:");
  EXPECT_EQ(chosen(), QStringList{}) << "the groups went back to the available list";
  EXPECT_TRUE(available().contains("Sales"));
  EXPECT_EQ(w->PrimaryGrp->text(), "Domain Users");
  EXPECT_TRUE(shared().Template_Variables.empty());
  EXPECT_EQ(shared().Logon_Hours_Array, allHours());
  EXPECT_TRUE(w->New_Template_Name->isVisible());
  // Laid over the template list.
  EXPECT_EQ(w->New_Template_Name->x(), w->templatelst->x());
  EXPECT_EQ(w->New_Template_Name->width(), w->templatelst->width());
  EXPECT_NEAR(w->New_Template_Name->geometry().center().y(), w->templatelst->geometry().center().y(), 2);
  EXPECT_FALSE(w->Variables->isEnabled());
  EXPECT_TRUE(w->LogonHours->isEnabled());
  EXPECT_TRUE(w->paste->isEnabled());
  EXPECT_FALSE(w->NewTemplate->isEnabled());
}

TEST_F(TemplateEditor, GroupCaps) {
  templates({full("Staff")});
  w->NewTemplate_Click();
  // 74 template groups and three selected available ones: the last selected moves, then the cap.
  for (int i = 0; i < 74; ++i) w->ListView6->add(QStringLiteral("T%1").arg(i), {}, "W2KGRP");
  select(w->ListView5, {"Staff", "Sales", "Printing"});
  w->add_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Templates Limited to 75 Groups");
  EXPECT_EQ(prompts.asked[0].title, "Max Groups Reached");
  EXPECT_EQ(prompts.asked[0].style, ui::kStyleCritical);
  EXPECT_EQ(w->ListView6->count(), 75);
  EXPECT_EQ(w->ListView6->text(75), "Printing");
  EXPECT_EQ(w->ListView6->key(75), "LDAP://CN=Printing,DC=example,DC=local") << "the group keeps its path";
  for (const char* g : {"Staff", "Sales"}) {
    const int at = available().indexOf(g) + 1;
    EXPECT_TRUE(w->ListView5->item(at)->isSelected()) << g;
  }
  // With 75 every click shows the message once, whatever is selected.
  prompts.asked.clear();
  select(w->ListView5, {});
  w->add_Click();
  EXPECT_EQ(prompts.asked.size(), 1u);

  // 76 groups (more than the list lets in) are still stored whole; 77 are not stored at all.
  for (int extra : {1, 2}) {
    SCOPED_TRACE(extra);
    put("Template.dat", full("Staff").encode());
    while (w->ListView6->count() < 75 + extra) w->ListView6->add(QStringLiteral("X%1").arg(w->ListView6->count()));
    w->New_Template_Name->setText(QStringLiteral("Big%1").arg(extra));
    w->savetemplate_Click();
    if (extra == 1) {
      EXPECT_EQ(status(), "Template Saved...");
      ASSERT_EQ(onDisk().size(), 2);
      EXPECT_EQ(onDisk()[1].GroupCount, 76);
      w->NewTemplate_Click();
    } else {
      EXPECT_EQ(status(), "Error with " + db() + kTrap);
      EXPECT_TRUE(w->StatusBar1->panel(1)->toolTip().contains("at most 76 groups"));
      EXPECT_EQ(file("Template.dat"), full("Staff").encode());
    }
  }
}

TEST_F(TemplateEditor, DeleteAsksWhenToldAndNoChangesNothing) {
  const QList<Template_Record> stored{full("Staff"), templateRec("Other")};
  struct Case {
    bool confirm;
    std::optional<ui::MsgBoxResult> answer;
    bool deleted;
  } cases[] = {{true, ui::MsgBoxResult::No, false}, {true, ui::MsgBoxResult::Yes, true}, {false, std::nullopt, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.confirm << c.deleted);
    w->templatelst->clear();
    w->nutemplate->clear();
    multiTemplate()->clear();
    w->Clear_TT();
    templates(stored);
    prompts.asked.clear();
    w->Confirm_Deletes->setChecked(c.confirm);
    if (c.answer) prompts.answer(*c.answer);
    choose("Staff");
    w->StatusBar1->setPanelText(1, "before");
    const QByteArray before = file("Template.dat");
    w->DeleteTemplate_Click();
    ASSERT_EQ(prompts.asked.size(), c.confirm ? 1u : 0u);
    if (c.confirm) {
      EXPECT_EQ(prompts.asked[0].prompt, "Sure to Delete Template");
      EXPECT_EQ(prompts.asked[0].title, "Delete Template");
      EXPECT_EQ(prompts.asked[0].style, ui::kStyleYesNoQuestion);
    }
    if (!c.deleted) {
      EXPECT_EQ(file("Template.dat"), before);
      EXPECT_EQ(status(), "before");
      EXPECT_EQ(w->templatelst->count(), 2);
      EXPECT_EQ(chosen(), (QStringList{"Staff", "Sales"}));
      continue;
    }
    EXPECT_EQ(status(), "Template Deleted.");
    EXPECT_EQ(file("Template.dat").size(), before.size());
    EXPECT_EQ(onDisk()[0].Deleted, records::kDeletedFlag);
    EXPECT_EQ(onDisk()[1].Deleted, 0);
    for (QComboBox* list : {w->templatelst, w->nutemplate, multiTemplate()})
      EXPECT_EQ(test::itemsOf(list), QStringList{padded("Other", 25)});
    EXPECT_EQ(w->templatelst->currentText(), "") << "no other template's name shows over the empty fields";
    EXPECT_EQ(chosen(), QStringList{});
    EXPECT_EQ(w->homedir->text(), "");
    EXPECT_EQ(drive(), "");
    EXPECT_FALSE(w->EditTemplate->isEnabled());
    EXPECT_FALSE(w->DeleteTemplate->isEnabled());
  }
}

// A blank name is deleted as any other: the question, then "Deleting Template..."; no live
// template has a blank name, so nothing changes.
TEST_F(TemplateEditor, DeleteWithABlankNameAsksAndSearches) {
  templates({full("Staff"), templateRec("Other")});
  for (const QString& blank : {QString(), QStringLiteral("   ")}) {
    SCOPED_TRACE(blank.size());
    w->templatelst->setCurrentIndex(-1);
    w->templatelst->setEditText(blank);
    w->Confirm_Deletes->setChecked(true);
    prompts.asked.clear();
    prompts.answer(ui::MsgBoxResult::Yes);
    const QByteArray before = file("Template.dat");
    w->DeleteTemplate_Click();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].prompt, "Sure to Delete Template");
    EXPECT_EQ(status(), "Deleting Template...");
    EXPECT_EQ(file("Template.dat"), before);
    EXPECT_EQ(w->templatelst->count(), 2);
  }
}

TEST_F(TemplateEditor, PasteCopiesTheTemplateShownBeforeNew) {
  Template_Record other = templateRec("Other");
  other.LogonScript = "other.bat";
  templates({other, full("Staff")});
  choose("Staff");
  // Other loops move the shared record number; paste does not go by it.
  shared().RecordIndex = 1;
  newNamed("Copy");
  select(w->ListView5, {"Printing"});
  w->add_Click();
  w->PrimaryGrp->setText("Domain Users");
  w->paste_Click();

  EXPECT_EQ(w->logon->text(), "logon.bat");
  EXPECT_EQ(w->propath->text(), "\\\\srv\\profiles");
  EXPECT_EQ(drive(), "H:");
  EXPECT_EQ(w->PrimaryGrp->text(), "Domain Users") << "the primary group is not copied";
  EXPECT_EQ(shared().Template_Variables, (Vars{{"Dept", "Sales"}, {"City", "Leeds"}}));
  EXPECT_EQ(shared().Logon_Hours_Array[3], 1);
  EXPECT_EQ(chosen(), (QStringList{"Staff", "Sales"}));
  EXPECT_TRUE(available().contains("Printing")) << "the groups chosen before went back";
  EXPECT_EQ(w->ListView6->key(1), "LDAP://CN=Staff,DC=example,DC=local");
  EXPECT_FALSE(w->paste->isEnabled());
  EXPECT_TRUE(w->Variables->isEnabled());

  w->savetemplate_Click();
  ASSERT_EQ(onDisk().size(), 3);
  EXPECT_EQ(records::variablesOf(onDisk()[2]), (Vars{{"Dept", "Sales"}, {"City", "Leeds"}}))
      << "the new record holds the variables the list shows";
  EXPECT_EQ(onDisk()[2].LogonHours[3], 1);
}

TEST_F(TemplateEditor, PasteDoesNothingOutsideNewOrWithoutALiveSource) {
  templates({full("Staff")});
  choose("Staff");
  w->EditTemplate_Click();
  w->logon->setText("typed");
  w->paste_Click();
  EXPECT_EQ(w->logon->text(), "typed") << "not in the new mode";
  w->Template_Cancel_Click();

  // The template shown before New was deleted by another instance meanwhile.
  choose("Staff");
  newNamed("Copy");
  Template_Record gone = full("Staff");
  gone.Deleted = records::kDeletedFlag;
  putTemplates({gone});
  w->paste_Click();
  EXPECT_EQ(w->logon->text(), "");
  EXPECT_TRUE(w->paste->isEnabled());

  // New with no template shown has nothing to paste.
  w->Template_Cancel_Click();
  newNamed("Copy");
  w->paste_Click();
  EXPECT_EQ(w->logon->text(), "");
}

TEST_F(TemplateEditor, GroupHandlers) {
  templates({full("Staff")});
  choose("Staff");
  // In browsing the buttons change nothing.
  select(w->ListView5, {"Printing"});
  w->add_Click();
  select(w->ListView6, {"Staff"});
  w->remove_Click();
  EXPECT_EQ(chosen(), (QStringList{"Staff", "Sales"}));

  w->EditTemplate_Click();
  // Removing the primary group resets it; a name differing in letter case does not.
  w->PrimaryGrp->setText("sales");
  select(w->ListView6, {"Sales"});
  w->remove_Click();
  EXPECT_EQ(w->PrimaryGrp->text(), "sales");
  w->PrimaryGrp->setText("Staff");
  select(w->ListView6, {"Staff"});
  w->remove_Click();
  EXPECT_EQ(w->PrimaryGrp->text(), "Domain Users");
  EXPECT_EQ(chosen(), QStringList{});
  EXPECT_EQ(w->ListView5->key(available().indexOf("Staff") + 1), "LDAP://CN=Staff,DC=example,DC=local");

  // Double-clicking moves every selected group, visiting the list from its end.
  ASSERT_EQ(available(), (QStringList{"Domain Users", "Printing", "Print Operators", "Sales", "Staff"}));
  select(w->ListView5, {"Staff", "Print Operators", "Sales"});
  w->ListView5_DblClick();
  EXPECT_EQ(chosen(), (QStringList{"Staff", "Sales", "Print Operators"}));

  // The primary group: the first selected group that is not local.
  select(w->ListView6, {"Print Operators"});
  w->SetPriGroup_Click();
  EXPECT_EQ(w->PrimaryGrp->text(), "Domain Users");
  select(w->ListView6, {"Print Operators", "Staff"});
  w->SetPriGroup_Click();
  EXPECT_EQ(w->PrimaryGrp->text(), "Staff");

  // The right button shows the selected entry's key as the tool tip; any other clears it.
  w->ListView6->setSelectedIndex(chosen().indexOf("Sales") + 1);
  w->ListView6_MouseUp(Qt::RightButton);
  EXPECT_EQ(w->ListView6->toolTip(), "LDAP://CN=Sales,DC=example,DC=local");
  w->ListView6_MouseUp(Qt::LeftButton);
  EXPECT_EQ(w->ListView6->toolTip(), "");

  // Focus decides which of the two buttons acts, and clears the other list's selection.
  select(w->ListView5, {"Printing"});
  w->ListView6_GotFocus();
  EXPECT_FALSE(w->add->isEnabled());
  EXPECT_TRUE(w->remove->isEnabled());
  EXPECT_TRUE(w->ListView5->selectedItems().isEmpty());
  w->ListView5_GotFocus();
  EXPECT_TRUE(w->add->isEnabled());
  EXPECT_FALSE(w->remove->isEnabled());
  EXPECT_TRUE(w->ListView6->selectedItems().isEmpty());

  // Cancel writes nothing and returns every group.
  const QByteArray before = file("Template.dat");
  w->Template_Cancel_Click();
  EXPECT_EQ(file("Template.dat"), before);
  EXPECT_EQ(chosen(), QStringList{});
  EXPECT_EQ(w->ListView5->count(), 5);
  EXPECT_EQ(status(), "Ready.");
}

TEST_F(TemplateEditor, AGroupTheDomainLacksLeavesWithRemoveAndCantBePrimary) {
  Template_Record t = full("Staff");
  t.GroupCount = 3;
  t.Groups[2] = "Gone";
  templates({t});
  choose("Staff");
  w->EditTemplate_Click();
  select(w->ListView6, {"Gone"});
  w->SetPriGroup_Click();
  EXPECT_EQ(w->PrimaryGrp->text(), "Staff");
  w->remove_Click();
  EXPECT_FALSE(available().contains("Gone"));
  w->savetemplate_Click();
  EXPECT_EQ(onDisk()[0].GroupCount, 2);
}

TEST_F(TemplateEditor, TextsTheRecordCantHoldAreRefusedNotCut) {
  templates({full("Staff")});
  newNamed("Pupils");
  w->logon->setText(QStringLiteral("\u4e2d.bat"));
  w->savetemplate_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_TRUE(prompts.asked[0].prompt.startsWith("Logon Script")) << prompts.asked[0].prompt.toStdString();
  EXPECT_EQ(onDisk().size(), 1);
  EXPECT_TRUE(w->savetemplate->isEnabled());
}

TEST_F(TemplateEditor, TextTypedIntoTheTemplateListNeverBecomesAnEntry) {
  templates({full("Staff")});
  w->templatelst->setFocus();
  w->templatelst->lineEdit()->setText("Ghost");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w->templatelst->lineEdit(), &enter);
  QApplication::processEvents();
  EXPECT_EQ(test::itemsOf(w->templatelst), QStringList{padded("Staff", 25)});
  EXPECT_EQ(w->homedir->text(), "") << "no stored template has that name";
}

}  // namespace
