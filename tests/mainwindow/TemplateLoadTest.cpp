// LoadTemplate, Find_Template, Template_Group_Sort, Clear_TT and the compaction's group check.

#include "RecordTabs.h"

#include "records/DatabaseFolder.h"
#include "records/Maintenance.h"
#include "startup/LogFile.h"

using namespace tavrel;
using mainwindow::form1;
using test::padded;
using test::templateRec;

namespace {

class TemplateLoad : public test::RecordTabsFixture {
 protected:
  // The domain's groups as the directory loader lists them.
  void domainGroups(const QList<std::tuple<QString, QString, QString>>& groups) {
    for (const auto& [name, key, icon] : groups) w->ListView5->add(name, key, icon);
  }
  QStringList available() const { return test::textsOf(w->ListView5); }
  QStringList chosen() const { return test::textsOf(w->ListView6); }
  records::Template_Record full(const QString& name) {
    records::Template_Record t = templateRec(name);
    t.ProfileShareUNC = "  \\\\srv\\profiles  ";
    t.HomeShareUNC = "\\\\srv\\home";
    t.ProfileDirLocal = "D:\\Profiles";
    t.HomeDirLocal = "D:\\Home";
    t.LogonScript = "logon.bat";
    t.HomeDrive = "H:";
    t.HomeShareName = "home$";
    t.ProfileShareName = "prof$";
    t.PrimaryGroup = "Staff";
    t.LogonHours.fill(0);
    t.LogonHours[20] = 7;
    t.VarName[3] = "Dept";
    t.VarValue[3] = "Sales";
    t.VarValue[7] = "orphan value";
    t.VarName[0] = "never";
    return t;
  }
};

TEST_F(TemplateLoad, FillsTheTabFromTheStoredTemplateTrimmed) {
  putTemplates({templateRec("Other"), full("Sales")});
  EXPECT_TRUE(w->LoadTemplate(padded("Sales", 25)));
  EXPECT_EQ(w->propath->text(), "\\\\srv\\profiles");
  EXPECT_EQ(w->homedir->text(), "\\\\srv\\home");
  EXPECT_EQ(w->Profilepath->text(), "D:\\Profiles");
  EXPECT_EQ(w->Homedirpath->text(), "D:\\Home");
  EXPECT_EQ(w->logon->text(), "logon.bat");
  EXPECT_EQ(w->Home_Drive_letter->currentText(), "H:");
  EXPECT_EQ(w->Sharenamehomedir->text(), "home$");
  EXPECT_EQ(w->sharenameprofile->text(), "prof$");
  EXPECT_EQ(w->PrimaryGrp->text(), "Staff");
  auto& shared = state::shared();
  EXPECT_EQ(shared.Logon_Hours_Array[0], 0);
  EXPECT_EQ(shared.Logon_Hours_Array[20], 7);
  ASSERT_EQ(shared.Template_Variables.size(), 2u) << "slot 0 is never used; empty slots leave no gap";
  EXPECT_EQ(shared.Template_Variables[0].name, "Dept");
  EXPECT_EQ(shared.Template_Variables[0].value, "Sales");
  EXPECT_EQ(shared.Template_Variables[1].name, "");
  EXPECT_EQ(shared.Template_Variables[1].value, "orphan value");
  EXPECT_EQ(shared.RecordIndex, 2);
  EXPECT_EQ(shared.Current_Template.Name, padded("Sales", 25));
  EXPECT_TRUE(w->Variables->isEnabled());
}

TEST_F(TemplateLoad, MatchesTheStoredNameExactlyAndFindTemplateTrimmedIgnoringCase) {
  putTemplates({templateRec("Sales", -1), full("Sales"), templateRec("Sales"), templateRec("Tail")});
  struct Case {
    QString name;
    bool found;
  } cases[] = {{padded("Sales", 25), true},
               {"Sales", false},
               {padded("sales", 25), false},
               {padded("Sales", 26), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    w->propath->setText("before");
    state::shared().Template_Variables = {{"keep", "me"}};
    EXPECT_EQ(w->LoadTemplate(c.name), c.found);
    EXPECT_EQ(w->propath->text(), c.found ? "\\\\srv\\profiles" : "before")
        << "of two live records the first is taken; the deleted one before them is skipped";
    EXPECT_EQ(state::shared().RecordIndex, c.found ? 2 : 5) << "the record taken, or the count plus one";
    EXPECT_EQ(state::shared().Template_Variables.size(), c.found ? 2u : 1u) << "no match keeps the variables";
  }

  w->templatelst->setEditText("  sALES ");
  EXPECT_EQ(w->Find_Template(), 2);
  EXPECT_EQ(state::shared().Current_Template.PrimaryGroup, padded("Staff", 21));
  w->templatelst->setEditText("nothing");
  EXPECT_EQ(w->Find_Template(), -1);
  EXPECT_EQ(state::shared().Current_Template.Name, padded("Tail", 25)) << "the last record read";
}

TEST_F(TemplateLoad, ATemplateMarkedOneIsListedButNeitherLoadedNorFound) {
  putTemplates({templateRec("Odd", 1)});
  w->Load_Databases();
  EXPECT_EQ(test::itemsOf(w->nutemplate), QStringList{padded("Odd", 25)})
      << "the loader lists what is not -1";
  EXPECT_FALSE(w->LoadTemplate(padded("Odd", 25))) << "LoadTemplate takes Deleted 0 only";
  w->templatelst->setEditText("Odd");
  EXPECT_EQ(w->Find_Template(), -1);
}

TEST_F(TemplateLoad, GroupsMoveIgnoringCaseAndUnknownOnesStayMarked) {
  records::Template_Record t = templateRec("G");
  t.GroupCount = 5;
  t.Groups[0] = "staff";  // the domain spells it Staff
  t.Groups[1] = "Teachers";
  t.Groups[2] = "STAFF";     // stored twice
  t.Groups[3] = "Vanished";  // no longer in the domain
  t.Groups[4] = "Twin";      // two domain entries of that name
  t.Groups[5] = "Unused";    // beyond GroupCount
  putTemplates({t});
  domainGroups({{"Staff", "k1", "W2KGRP"},
                {"Teachers", "k2", "W2KGRP"},
                {"Twin", "k3", "Global"},
                {"Twin", "k4", "Local"},
                {"Unused", "k5", "W2KGRP"},
                {"Other", "k6", "W2KGRP"}});
  ASSERT_TRUE(w->LoadTemplate(padded("G", 25)));
  EXPECT_EQ(chosen(), (QStringList{"Staff", "Teachers", "Vanished", "Twin", "Twin"}));
  EXPECT_EQ(available(), (QStringList{"Unused", "Other"}));
  EXPECT_EQ(w->ListView6->key(1), "k1");
  EXPECT_EQ(w->ListView6->smallIcon(1), "W2KGRP");
  EXPECT_EQ(w->ListView6->smallIcon(3), form1::kGroupNotFoundIcon);
  EXPECT_EQ(w->ListView6->smallIcon(4), "Local") << "visited from the last entry to the first";

  // Loading again first returns the domain's groups; the unknown one was never among them.
  w->ListView6->add("Manual", "k9", "Global");
  EXPECT_FALSE(w->LoadTemplate("missing"));
  EXPECT_EQ(chosen(), QStringList{});
  EXPECT_EQ(available(), (QStringList{"Unused", "Other", "Staff", "Teachers", "Twin", "Twin", "Manual"}));
  EXPECT_EQ(w->ListView5->key(3), "k1");
  EXPECT_EQ(w->ListView5->smallIcon(5), "Local");
}

TEST_F(TemplateLoad, GroupSortKeepsEntriesWithTheSameKey) {
  domainGroups({{"A", "same", "W2KGRP"}});
  w->ListView6->add("B", "same", "W2KGRP");
  w->ListView6->add("C", "", "Global");
  w->Template_Group_Sort();
  EXPECT_EQ(available(), (QStringList{"A", "B", "C"}));
  EXPECT_EQ(w->ListView6->count(), 0);
}

TEST_F(TemplateLoad, MissingTemplateDatIsCreatedEmptyAndADamagedOneIsRefused) {
  EXPECT_FALSE(w->LoadTemplate("x"));
  EXPECT_TRUE(has("Template.dat"));
  EXPECT_EQ(file("Template.dat").size(), 0);
  EXPECT_TRUE(w->Variables->isEnabled());
  EXPECT_EQ(state::shared().RecordIndex, 1);

  w->Variables->setEnabled(false);
  const QByteArray damaged = full("Sales").encode().left(3778);  // a record of an older layout
  put("Template.dat", damaged);
  w->ListView6->add("Kept", "k", "W2KGRP");
  EXPECT_FALSE(w->LoadTemplate(padded("Sales", 25)));
  EXPECT_EQ(status(), "Error with " + db() + "template.dat file...");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_FALSE(w->Variables->isEnabled());
  EXPECT_EQ(chosen(), QStringList{"Kept"});
  EXPECT_EQ(file("Template.dat"), damaged);
  EXPECT_EQ(w->Find_Template(), -1);
}

TEST_F(TemplateLoad, ClearTTEmptiesLocksAndReturnsToBrowsing) {
  putTemplates({full("Sales")});
  ASSERT_TRUE(w->LoadTemplate(padded("Sales", 25)));
  for (QPushButton* b : {w->add, w->remove, w->savetemplate, w->EditTemplate, w->DeleteTemplate, w->paste,
                         w->SetPriGroup, w->Variables, w->LogonHours})
    b->setEnabled(true);
  w->NewTemplate->setEnabled(false);
  w->templatelst->setEditText("Sales");
  form1::setLocked(w->templatelst, true);
  w->New_Template_Name->setText("typed");
  w->New_Template_Name->show();
  state::shared().EditingTemplate = -1;
  w->ListView6->add("Group", "k", "W2KGRP");

  w->Clear_TT();
  for (QLineEdit* e : {w->propath, w->homedir, w->Profilepath, w->Homedirpath, w->sharenameprofile,
                       w->Sharenamehomedir, w->logon}) {
    EXPECT_EQ(e->text(), "") << e->objectName().toStdString();
    EXPECT_TRUE(e->isReadOnly());
    EXPECT_EQ(e->palette().color(QPalette::Base), w->Field_Colour);
  }
  EXPECT_TRUE(form1::isLocked(w->Home_Drive_letter));
  EXPECT_FALSE(form1::isLocked(w->templatelst));
  EXPECT_EQ(w->templatelst->currentText(), "");
  for (QPushButton* b : {w->add, w->remove, w->savetemplate, w->EditTemplate, w->DeleteTemplate, w->paste,
                         w->SetPriGroup, w->Variables, w->LogonHours})
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  EXPECT_TRUE(w->NewTemplate->isEnabled());
  EXPECT_EQ(state::shared().EditingTemplate, 0);
  EXPECT_EQ(status(), "Ready.");
  EXPECT_TRUE(w->New_Template_Name->isHidden());
  EXPECT_EQ(w->New_Template_Name->text(), "");
  EXPECT_EQ(w->PrimaryGrp->text(), "Staff") << "left alone";
  EXPECT_EQ(chosen(), QStringList{"Group"}) << "left alone";
  EXPECT_EQ(state::shared().Template_Variables.size(), 2u) << "left alone";
}

TEST_F(TemplateLoad, ALockedComboTakesNoTyping) {
  form1::setLocked(w->nutemplate, true);
  w->nutemplate->addItem("A");
  w->nutemplate->addItem("B");
  w->nutemplate->setCurrentIndex(0);
  w->show();
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(w->nutemplate, &down);
  EXPECT_EQ(w->nutemplate->currentIndex(), 0);
  form1::setLocked(w->nutemplate, false);
  QApplication::sendEvent(w->nutemplate, &down);
  EXPECT_EQ(w->nutemplate->currentIndex(), 1);
}

// The compaction's group check, run through the compaction itself.
TEST_F(TemplateLoad, CompactionDropsOnlyGroupsTheDomainLacksIgnoringCase) {
  records::Template_Record t = templateRec("Sales");
  t.GroupCount = 3;
  t.Groups = {};
  t.Groups[0] = "staff";
  t.Groups[1] = "Gone";
  t.Groups[2] = "Teachers";
  putTemplates({t, templateRec("Old", -1)});
  domainGroups({{"Staff", "k1", "W2KGRP"}, {"Teachers", "k2", "W2KGRP"}});
  const records::DatabaseFolder folder(db());
  ASSERT_TRUE(records::Compact_Templates(
      folder, [&](records::Template_Record& r, startup::LogFile& log) { w->Check_Template_Groups(r, log); }));
  const QByteArray bytes = file("Template.dat");
  ASSERT_EQ(bytes.size(), records::Template_Record::Length);
  const auto kept = records::Template_Record::decode(bytes);
  EXPECT_EQ(kept.GroupCount, 2);
  EXPECT_EQ(kept.Groups[0], padded("staff", 21));
  EXPECT_EQ(kept.Groups[1], padded("Teachers", 21));
  const QString log = QString::fromLatin1(file("Log.txt"));
  EXPECT_TRUE(log.contains("Checking template " + padded("Sales", 25) + "\r\n")) << log.toStdString();
  EXPECT_TRUE(log.contains("Global Group Removed : " + padded("Gone", 21) + "\r\n")) << log.toStdString();
  EXPECT_FALSE(log.contains("Removed : " + padded("staff", 21)));
  EXPECT_TRUE(log.contains("Template " + padded("Old", 25) + " Deleted.\r\n"));
}

}  // namespace
