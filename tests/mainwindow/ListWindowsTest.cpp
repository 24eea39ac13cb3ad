// The variables window and its write-back, the custom-fields window, the permissions window and
// the backup command.

#include "ListsFixture.h"

#include "platform/text/Cp1252.h"
#include "records/DatabaseFolder.h"
#include "records/Support.h"

using namespace tavrel;
using mainwindow::Custom;
using mainwindow::Edit_Properties;
using mainwindow::Permissions;
using records::Permission_Record;
using records::Template_Record;
using records::TemplateVariable;
using text::trimBlanks;

namespace {

Template_Record tmpl(const QString& name, int16_t deleted = 0) {
  Template_Record t;
  t.Deleted = deleted;
  t.Name = name;
  t.ProfileShareUNC = "\\\\FS1\\Profiles";
  t.VarName[1] = "OLD";
  t.VarValue[1] = "gone";
  return t;
}

// ---- Template variables --------------------------------------------------------------------------

class TemplateVariables : public test::ListsFixture {
 protected:
  void SetUp() override {
    ListsFixture::SetUp();
    put("Template.dat", test::imageOf<Template_Record>({tmpl("Staff"), tmpl("Sales")}));
    w->New_Template_Name->hide();
    w->templatelst->setEditText("sales");
    state::shared().Template_Variables = {{"SCHOOL", "North"}, {"ROOM", "12"}, {"PHONE", "555"}};
    form().showRows();
  }
  mainwindow::Varibles_Form& form() { return w->Varibles(); }
  Template_Record record(int n) const {
    auto f = records::DatabaseFolder(db()).open("Template.dat", Template_Record::Length,
                                                 records::RecordFile::Access::Read);
    return f->readAs<Template_Record>(n).value();
  }
  QStringList stored(int n) const {
    QStringList out;
    const Template_Record r = record(n);
    for (int i = 1; i < Template_Record::VarSlots; ++i)
      if (!trimBlanks(r.VarName[i]).isEmpty() || !trimBlanks(r.VarValue[i]).isEmpty())
        out << QStringLiteral("%1:%2=%3").arg(i).arg(trimBlanks(r.VarName[i]), trimBlanks(r.VarValue[i]));
    return out;
  }
};

TEST_F(TemplateVariables, CloseWritesTheListIntoTheSlotsAndHides) {
  form().show();
  form().Close_Click();
  EXPECT_FALSE(form().isVisible());
  EXPECT_EQ(stored(2), QStringList({"1:SCHOOL=North", "2:ROOM=12", "3:PHONE=555"}));
  EXPECT_EQ(stored(1), QStringList({"1:OLD=gone"})) << "only the named template changes";
  EXPECT_EQ(state::shared().RecordIndex, 2);

  // After a column click the reversed order is stored.
  form().ListView1_ColumnClick(0);  // flipped to descending
  form().Close_Click();
  EXPECT_EQ(stored(2), QStringList({"1:SCHOOL=North", "2:ROOM=12", "3:PHONE=555"}));
  form().ListView1_ColumnClick(1);  // ascending
  form().Close_Click();
  EXPECT_EQ(stored(2), QStringList({"1:PHONE=555", "2:ROOM=12", "3:SCHOOL=North"}));
}

TEST_F(TemplateVariables, AChangeAnotherInstanceMadeMeanwhileIsKept) {
  // Another instance changes the template's profile share after this one loaded it.
  Template_Record changed = tmpl("Sales");
  changed.ProfileShareUNC = "\\\\FS2\\NewProfiles";
  QByteArray bytes = file("Template.dat");
  bytes.replace(Template_Record::Length, Template_Record::Length, changed.encode());
  put("Template.dat", bytes);

  form().Close_Click();
  const Template_Record r = record(2);
  EXPECT_EQ(trimBlanks(r.ProfileShareUNC), "\\\\FS2\\NewProfiles");
  EXPECT_EQ(stored(2), QStringList({"1:SCHOOL=North", "2:ROOM=12", "3:PHONE=555"}));
}

TEST_F(TemplateVariables, RowsThatDontFitTheRecordAreRefusedAndTheWindowStays) {
  const QByteArray before = file("Template.dat");
  struct Case {
    const char* what;
    std::vector<TemplateVariable> rows;
  };
  std::vector<TemplateVariable> many;
  for (int i = 1; i <= 51; ++i) many.push_back({QStringLiteral("V%1").arg(i), "x"});
  const Case cases[] = {
      {"51 variables", many},
      {"a name of 16", {{QString(16, 'N'), "v"}}},
      {"a value of 31", {{"N", QString(31, 'v')}}},
  };
  for (const Case& c : cases) {
    prompts.asked.clear();
    state::shared().Template_Variables = c.rows;
    form().showRows();
    form().show();
    form().Close_Click();
    EXPECT_TRUE(form().isVisible()) << c.what;
    ASSERT_EQ(messages().size(), 1) << c.what;
    EXPECT_TRUE(messages()[0].startsWith("48|Template Variables|")) << c.what;
    EXPECT_EQ(file("Template.dat"), before) << c.what;
    EXPECT_EQ(state::shared().Template_Variables, c.rows) << c.what << ": nothing is dropped";
  }
  form().hide();
}

TEST_F(TemplateVariables, ATemplateWithNoLiveRecordIsWarnedAboutNotSaved) {
  const QByteArray before = file("Template.dat");
  w->templatelst->setEditText("Deleted meanwhile");
  form().show();
  form().Close_Click();
  ASSERT_EQ(messages().size(), 1);
  EXPECT_TRUE(messages()[0].startsWith("48|"));
  EXPECT_TRUE(messages()[0].contains("Deleted meanwhile"));
  EXPECT_FALSE(form().isVisible());
  EXPECT_EQ(file("Template.dat"), before);
  EXPECT_EQ(state::shared().Template_Variables.size(), 3u) << "the rows stay in memory";
}

TEST_F(TemplateVariables, ANewTemplateKeepsItsRowsForItsSave) {
  const QByteArray before = file("Template.dat");
  w->New_Template_Name->show();
  // The button refuses while the new template is being named.
  w->Variables_Click();
  ASSERT_EQ(messages().size(), 1);
  EXPECT_EQ(messages()[0], "48|Warning|Must Save Template before editing Variables...");
  EXPECT_FALSE(form().isVisible());

  // Rows changed meanwhile (a paste) are kept by Close, not written.
  state::shared().Edit_Mode = 2;
  form().ListView1->setSelectedIndex(1);
  w->Listviewmnu_Click(3);
  form().Close_Click();
  EXPECT_EQ(file("Template.dat"), before);
  EXPECT_EQ(state::shared().Template_Variables, (std::vector<TemplateVariable>{{"ROOM", "12"}, {"PHONE", "555"}}));
  EXPECT_EQ(messages().size(), 1);
}

TEST_F(TemplateVariables, RemoveWritesTheRestAtOnce) {
  state::shared().Edit_Mode = 2;
  form().ListView1->setSelectedIndex(2);
  w->Listviewmnu_Click(3);
  EXPECT_EQ(stored(2), QStringList({"1:SCHOOL=North", "2:PHONE=555"}));
  EXPECT_EQ(state::shared().Template_Variables, (std::vector<TemplateVariable>{{"SCHOOL", "North"}, {"PHONE", "555"}}));
}

TEST_F(TemplateVariables, TheEditorAddsUpTo50AndRefusesThe51st) {
  std::vector<TemplateVariable> fifty;
  for (int i = 1; i <= 50; ++i) fifty.push_back({QStringLiteral("V%1").arg(i), "x"});
  state::shared().Template_Variables = fifty;
  form().showRows();
  state::shared().Edit_Mode = 2;
  state::shared().New_Row_Flag = true;
  Edit_Properties e(*w);
  e.W2K_Attribute->setText("V51");
  e.OKButton_Click();
  ASSERT_EQ(messages().size(), 1);
  EXPECT_TRUE(messages()[0].contains("50"));
  EXPECT_EQ(form().ListView1->count(), 50);
  EXPECT_EQ(state::shared().Template_Variables, fifty);
  EXPECT_FALSE(state::shared().New_Row_Flag);

  // Below the cap the editor appends, and the shared list follows.
  form().ListView1->setSelectedIndex(50);
  form().ListView1->remove(50);
  form().listChanged();
  state::shared().New_Row_Flag = true;
  Edit_Properties add(*w);
  add.W2K_Attribute->setText("CITY");
  add.W2K_Propertry->setText("Leeds");
  add.OKButton_Click();
  EXPECT_EQ(state::shared().Template_Variables.back(), (TemplateVariable{"CITY", "Leeds"}));
}

TEST_F(TemplateVariables, AWriteFailingAtAnyStepKeepsTheRecordAndTheWindow) {
  const QByteArray before = file("Template.dat");
  for (int k = 1;; ++k) {
    put("Template.dat", before);
    test::FaultyOps ops(k);
    w->List_File_Ops = &ops;
    prompts.asked.clear();
    form().show();
    form().Close_Click();
    w->List_File_Ops = nullptr;
    if (!ops.injected()) {
      EXPECT_FALSE(form().isVisible());
      break;
    }
    const std::string where = "failed " + ops.failedCall().toStdString();
    if (messages().isEmpty()) {
      // A call the writer retried past: the write is whole.
      EXPECT_EQ(stored(2), QStringList({"1:SCHOOL=North", "2:ROOM=12", "3:PHONE=555"})) << where;
      continue;
    }
    EXPECT_EQ(file("Template.dat"), before) << where;
    EXPECT_TRUE(form().isVisible()) << where;
    EXPECT_TRUE(messages()[0].contains("Template.dat")) << where;
  }
}

TEST_F(TemplateVariables, TheButtonShowsTheCurrentTemplatesRowsModally) {
  state::shared().Template_Variables = {{"A", "1"}};
  QStringList shown;
  onModal<mainwindow::Varibles_Form>([&](mainwindow::Varibles_Form& f) {
    shown = rowsOf(f.ListView1);
    f.Close->click();
  });
  w->Variables_Click();
  EXPECT_EQ(shown, QStringList({"A=1"}));
  EXPECT_EQ(stored(2), QStringList({"1:A=1"}));
}

// ---- Custom fields -------------------------------------------------------------------------------

class CustomFields : public test::ListsFixture {
 protected:
  void set(const QString& name, const QString& value) {
    ASSERT_TRUE(state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, key(), name, value));
  }
  QStringList values() { return state::reg().valueNames(registry::HKEY_LOCAL_MACHINE, key()); }
  QString value(const QString& name) {
    QString v = "<missing>";
    state::reg().Read_Value(registry::HKEY_LOCAL_MACHINE, key(), name, v);
    return v;
  }
  static QString key() { return registry::subkey("Custom"); }
  void setPopupCommands() {
    for (const char* n : {"Menu", "Script", "RUNHIDDEN", "Menu1", "Script1", "RUNHIDDEN1"}) set(n, n);
  }
};

TEST_F(CustomFields, OnlyFieldsWithBothValuesAreListed) {
  set("Custom1", "Cost centre");
  set("Property1", "extensionAttribute1");
  set("Custom2", "Half");
  set("Custom3", "Badge");
  set("Property3", "extensionAttribute3");
  set("Property4", "lonely");
  Custom c(*w);
  EXPECT_EQ(rowsOf(c.ListView1), QStringList({"Cost centre=extensionAttribute1", "Badge=extensionAttribute3"}));
  EXPECT_EQ(c.windowTitle(), "Custom property - Setup");
}

TEST_F(CustomFields, OkRenumbersDenselyAndKeepsThePopupCommands) {
  setPopupCommands();
  set("Custom2", "Cost centre");
  set("Property2", "extensionAttribute1");
  set("Custom4", "Badge");
  set("Property4", "extensionAttribute3");
  for (QLineEdit* v : w->Custom_Value) v->setText("typed");
  Custom c(*w);
  c.OKButton->click();
  EXPECT_EQ(value("Custom1"), "Cost centre");
  EXPECT_EQ(value("Property1"), "extensionAttribute1");
  EXPECT_EQ(value("Custom2"), "Badge");
  EXPECT_EQ(value("Property2"), "extensionAttribute3");
  for (const char* gone : {"Custom3", "Property3", "Custom4", "Property4"}) EXPECT_EQ(value(gone), "<missing>") << gone;
  for (const char* kept : {"Menu", "Script", "RUNHIDDEN", "Menu1", "Script1", "RUNHIDDEN1"})
    EXPECT_EQ(value(kept), kept) << kept;
  EXPECT_EQ(w->Custom_Label[0]->text(), "Cost centre");
  EXPECT_EQ(w->Custom_Label[1]->text(), "Badge");
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(!w->Custom_Label[k]->isHidden(), k < 2) << k;
    EXPECT_EQ(!w->Custom_Value[k]->isHidden(), k < 2) << k;
  }
  EXPECT_EQ(w->Custom_Value[0]->text(), "");
  EXPECT_EQ(w->Custom_Value[1]->text(), "");
}

TEST_F(CustomFields, RemovingEveryRowLeavesNoFieldAndCancelTouchesNothing) {
  setPopupCommands();
  set("Custom1", "Cost centre");
  set("Property1", "extensionAttribute1");
  w->Custom_Label[0]->setText("Cost centre");
  w->Custom_Label[0]->show();
  {
    Custom c(*w);
    w->Custom_Window = &c;
    state::shared().Edit_Mode = 3;
    c.ListView1->setSelectedIndex(1);
    w->Listviewmnu_Click(3);
    EXPECT_EQ(c.ListView1->count(), 0);
    c.CancelButton->click();
  }
  EXPECT_EQ(value("Custom1"), "Cost centre") << "Cancel stores nothing";
  EXPECT_FALSE(w->Custom_Label[0]->isHidden());

  Custom c(*w);
  c.ListView1->clear();
  c.OKButton->click();
  QStringList left = values();
  left.sort();
  EXPECT_EQ(left, QStringList({"Menu", "Menu1", "RUNHIDDEN", "RUNHIDDEN1", "Script", "Script1"}));
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(w->Custom_Label[k]->isHidden()) << k;
}

TEST_F(CustomFields, AFifthFieldIsRefusedWithAMessage) {
  for (int k = 1; k <= 4; ++k) {
    set(QStringLiteral("Custom%1").arg(k), QStringLiteral("Field %1").arg(k));
    set(QStringLiteral("Property%1").arg(k), QStringLiteral("extensionAttribute%1").arg(k));
  }
  Custom c(*w);
  w->Custom_Window = &c;
  state::shared().Edit_Mode = 3;
  state::shared().New_Row_Flag = true;
  Edit_Properties e(*w, &c);
  e.W2K_Attribute->setText("Field 5");
  e.OKButton_Click();
  ASSERT_EQ(messages().size(), 1);
  EXPECT_TRUE(messages()[0].startsWith("48|Edit Custom Properties|"));
  EXPECT_EQ(c.ListView1->count(), 4);

  // Changing a row still works with four.
  c.ListView1->setSelectedIndex(2);
  Edit_Properties change(*w, &c);
  EXPECT_EQ(change.W2K_Attribute->text(), "Field 2");
  change.W2K_Propertry->setText("department");
  change.OKButton_Click();
  EXPECT_EQ(c.ListView1->subItem(2, 1), "department");
}

TEST_F(CustomFields, CustomiseOpensTheWindowModally) {
  bool modal = false;
  onModal<Custom>([&](Custom& c) {
    modal = c.isModal();
    EXPECT_EQ(w->Custom_Window.data(), &c);
  });
  w->Command1_Click();
  EXPECT_TRUE(modal);
  EXPECT_TRUE(w->Custom_Window.isNull());
}

// ---- Permission lists ----------------------------------------------------------------------------

Permission_Record perm(const QString& account, const QString& access, int16_t flag = 0) {
  Permission_Record r;
  r.NewSecurity = flag;
  r.Account = account;
  r.Access = access;
  return r;
}

class PermissionLists : public test::ListsFixture {
 protected:
  std::unique_ptr<Permissions> open(bool share) {
    state::shared().SharePermMode = share;
    return std::make_unique<Permissions>(*w);
  }
  QList<Permission_Record> records(const QString& name) const {
    QList<Permission_Record> out;
    const QByteArray b = file(name);
    for (int i = 0; i + 64 <= b.size(); i += 64) out << Permission_Record::decode(b.mid(i, 64));
    return out;
  }
  static Permission_Record stored(const QString& account, const QString& access, int16_t flag = 0) {
    return Permission_Record::decode(perm(account, access, flag).encode());
  }
};

TEST_F(PermissionLists, EachButtonOpensItsListModally) {
  const std::pair<std::function<void()>, const char*> buttons[] = {
      {[&] { w->Set_Security_Click(); }, "Directory Permissions"},
      {[&] { w->Sharepermissions_Click(); }, "Share Permissions"}};
  for (const auto& [click, caption] : buttons) {
    QString shown;
    bool boxShown = false;
    onModal<Permissions>([&](Permissions& p) {
      shown = p.windowTitle();
      boxShown = !p.NEW_Security->isHidden();
    });
    click();
    EXPECT_EQ(shown, caption);
    EXPECT_EQ(boxShown, QString(caption) == "Directory Permissions");
  }
  // Opening created both files empty, though both windows were cancelled.
  EXPECT_EQ(file("Permissions.dat").size(), 0);
  EXPECT_TRUE(has("SharePerm.dat"));
  EXPECT_EQ(file("SharePerm.dat").size(), 0);
}

TEST_F(PermissionLists, LoadShowsEveryRecordAndTheFlagOfRecordOne) {
  put("Permissions.dat", test::imageOf<Permission_Record>(
                             {perm("Staff", "Read", -1), perm("Admins", "Full Control"), perm("Old", "No Access")}));
  auto p = open(false);
  EXPECT_TRUE(p->NEW_Security->isChecked());
  EXPECT_EQ(rowsOf(p->ListView1), QStringList({"Admins=Full Control", "Old=No Access", "Staff=Read"}));
  EXPECT_EQ(p->ListView1->selectedIndex(), 1);
  EXPECT_EQ(p->Access->currentText(), "Full Control");
  QStringList words;
  for (int i = 0; i < p->Access->count(); ++i) words << p->Access->itemText(i);
  EXPECT_EQ(words, QStringList({"Full Control", "Change", "Read"}));

  // A word that is none of the three is kept, and clicking its row leaves the choice as it was.
  p->ListView1->setSelectedIndex(2);
  p->ListView1_Click();
  EXPECT_EQ(p->Access->currentText(), "Full Control");
  // Choosing a word sets it on the selected row.
  p->ListView1->setSelectedIndex(3);
  p->Access->setCurrentText("Change");
  p->Access_Click();
  EXPECT_EQ(p->ListView1->subItem(3, 1), "Change");
}

TEST_F(PermissionLists, OkWritesTheRowsSortedWithTheFlagOnRecordOne) {
  put("Permissions.dat", test::imageOf<Permission_Record>({perm("Staff", "Read"), perm("Old", "No Access")}));
  auto p = open(false);
  p->Access->setCurrentText("Change");
  p->Command4_Click();  // Add: an empty name, first in the list, opened for typing
  EXPECT_EQ(p->ListView1->selectedIndex(), 1);
  EXPECT_TRUE(p->ListView1->isEditingLabel());
  p->ListView1->closePersistentEditor(p->ListView1->item(1));
  p->ListView1->item(1)->setText(0, "Admins");
  p->NEW_Security->setChecked(true);
  p->OK_Button->click();
  EXPECT_EQ(p->result(), QDialog::Accepted);
  EXPECT_EQ(records("Permissions.dat"),
            (QList<Permission_Record>{stored("Admins", "Change", -1), stored("Old", "No Access"), stored("Staff", "Read")}));
}

TEST_F(PermissionLists, EmptyListsAreWrittenAsSpecified) {
  // The directory list: an empty file, whatever the check box says.
  put("Permissions.dat", test::imageOf<Permission_Record>({perm("Staff", "Read", -1)}));
  auto p = open(false);
  p->ListView1->setSelectedIndex(1);
  p->Command3_Click();
  p->OK_Button->click();
  EXPECT_EQ(file("Permissions.dat").size(), 0);
  EXPECT_TRUE(messages().isEmpty());

  // The share list: the window says what it stores, then stores Everyone with Full Control.
  put("SharePerm.dat", test::imageOf<Permission_Record>({perm("Staff", "Read")}));
  p = open(true);
  p->ListView1->setSelectedIndex(1);
  p->Command3_Click();
  p->OK_Button->click();
  ASSERT_EQ(messages().size(), 1);
  EXPECT_TRUE(messages()[0].startsWith("64|Share Permissions|"));
  EXPECT_TRUE(messages()[0].contains("Everyone"));
  EXPECT_EQ(records("SharePerm.dat"), QList<Permission_Record>{stored("Everyone", "Full Control")});
  p = open(true);
  EXPECT_EQ(rowsOf(p->ListView1), QStringList({"Everyone=Full Control"}));
}

TEST_F(PermissionLists, AHiddenShareFlagSurvivesAndCancelChangesNothing) {
  const QByteArray share = test::imageOf<Permission_Record>({perm("Admins", "Full Control", -1), perm("Staff", "Read")});
  put("SharePerm.dat", share);
  auto p = open(true);
  EXPECT_TRUE(p->NEW_Security->isHidden());
  p->Command2_Click();
  EXPECT_EQ(file("SharePerm.dat"), share);
  p = open(true);
  p->OK_Button->click();
  EXPECT_EQ(file("SharePerm.dat"), share);
}

TEST_F(PermissionLists, AnAccountTooLongIsRefusedNotCut) {
  auto p = open(false);
  p->Command4_Click();
  p->ListView1->closePersistentEditor(p->ListView1->item(1));
  p->ListView1->item(1)->setText(0, QString(51, 'x'));
  p->OK_Button->click();
  ASSERT_EQ(messages().size(), 1);
  EXPECT_TRUE(messages()[0].startsWith("48|"));
  EXPECT_NE(p->result(), QDialog::Accepted);
  EXPECT_EQ(file("Permissions.dat").size(), 0);
}

TEST_F(PermissionLists, AListReadOnlyInPartCantBeSaved) {
  const QByteArray partial = test::imageOf<Permission_Record>({perm("Staff", "Read")}) + QByteArray(20, 'x');
  put("Permissions.dat", partial);
  auto p = open(false);
  ASSERT_EQ(messages().size(), 1);
  EXPECT_TRUE(messages()[0].startsWith("48|Directory Permissions|"));
  EXPECT_FALSE(p->OK_Button->isEnabled());
  EXPECT_EQ(rowsOf(p->ListView1), QStringList({"Staff=Read"}));
  p->OK_Button_Click();
  EXPECT_EQ(file("Permissions.dat"), partial);
}

TEST_F(PermissionLists, OkFailingAtAnyStepKeepsTheOldFileAndTheWindow) {
  const QByteArray old = test::imageOf<Permission_Record>({perm("Staff", "Read", -1), perm("Teachers", "Change")});
  for (int k = 1;; ++k) {
    put("Permissions.dat", old);
    auto p = open(false);
    p->ListView1->setSelectedIndex(2);
    p->Command3_Click();
    test::FaultyOps ops(k);
    w->List_File_Ops = &ops;
    prompts.asked.clear();
    p->OK_Button_Click();
    w->List_File_Ops = nullptr;
    if (!ops.injected()) {
      EXPECT_EQ(records("Permissions.dat"), QList<Permission_Record>{stored("Staff", "Read", -1)});
      break;
    }
    const std::string where = "failed " + ops.failedCall().toStdString();
    EXPECT_EQ(file("Permissions.dat"), old) << where;
    EXPECT_NE(p->result(), QDialog::Accepted) << where;
    EXPECT_EQ(rowsOf(p->ListView1), QStringList({"Staff=Read"})) << where;
    ASSERT_EQ(messages().size(), 1) << where;
    EXPECT_TRUE(messages()[0].contains("permissions.dat")) << where;
  }
}

// ---- Backup --------------------------------------------------------------------------------------

TEST_F(PermissionLists, BackupCopiesWhatThereIsAndReportsFailures) {
  for (const char* f : {"Site.dat", "Template.dat", "Mail.dat", "Permissions.dat", "SharePerm.dat", "W2K.dat"})
    put(f, QByteArray(f) + " bytes");
  w->Backup_Files_Click();
  EXPECT_EQ(w->StatusBar1->panelText(1), "Databases Backed up ( *.BAK)...");
  EXPECT_EQ(file("site.bak"), "Site.dat bytes");
  EXPECT_EQ(file("W2K.bak"), "W2K.dat bytes");
  EXPECT_FALSE(has("WTS.bak"));
  EXPECT_TRUE(messages().isEmpty());

  for (int k = 1;; ++k) {
    test::FaultyOps ops(k);
    w->List_File_Ops = &ops;
    prompts.asked.clear();
    w->StatusBar1->setPanelText(1, "Ready.");
    w->Backup_Files_Click();
    w->List_File_Ops = nullptr;
    if (!ops.injected()) break;
    const std::string where = "failed " + ops.failedCall().toStdString();
    EXPECT_NE(w->StatusBar1->panelText(1), "Databases Backed up ( *.BAK)...") << where;
    ASSERT_EQ(messages().size(), 1) << where;
    EXPECT_TRUE(messages()[0].startsWith("48|Backup DataBase Files|")) << where;
    EXPECT_TRUE(messages()[0].contains(".bak")) << where;
    // An earlier copy is never left half written.
    const std::pair<const char*, const char*> pairs[] = {
        {"site.bak", "Site.dat"},           {"template.bak", "Template.dat"},   {"mail.bak", "Mail.dat"},
        {"Permissions.bak", "Permissions.dat"}, {"SharePerm.bak", "SharePerm.dat"}, {"W2K.bak", "W2K.dat"}};
    for (const auto& [bak, source] : pairs) EXPECT_EQ(file(bak), QByteArray(source) + " bytes") << where;
  }
}

}  // namespace
