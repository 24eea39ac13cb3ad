// The menu commands of compaction on a small simulated network: the two questions, the domain
// that must answer before anything is cleared, pruning the templates' groups, the verdict and
// Log.txt.

#include "DomainFixture.h"

#include "records/Records.h"
#include "records/Support.h"
#include "support/FailingSearches.h"

#include <QRegularExpression>

using namespace tavrel;
using records::Site_Record;
using records::Template_Record;
using simnet::GroupSpec;
using simnet::UserSpec;

namespace {

Site_Record site(const QString& name, int16_t deleted = 0) {
  Site_Record s;
  s.Deleted = deleted;
  s.SiteName = name;
  s.HomeServer = "FS1";
  return s;
}

Template_Record tmpl(const QString& name, int16_t deleted, const QStringList& groups) {
  Template_Record t;
  t.Deleted = deleted;
  t.Name = name;
  t.GroupCount = int16_t(groups.size());
  for (int i = 0; i < groups.size(); ++i) t.Groups[i] = groups[i];
  return t;
}

class Compaction : public test::DomainFixture {
 protected:
  void SetUp() override {
    DomainFixture::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    builder->forest("example.local", "EXAMPLE", false)
        .ou("example.local", "OU=Sales")
        .user("example.local", "jsmith", UserSpec().in("OU=Sales").named("John Smith"))
        .group("example.local", "Sales Team", GroupSpec().in("OU=Sales"));
    install();
    ASSERT_TRUE(connect("example.local"));
    sites = test::imageOf<Site_Record>({site("North"), site("Gone", -1), site("South")});
    templates = test::imageOf<Template_Record>({tmpl("Staff", 0, {"Sales Team", "Vanished"}),
                                                tmpl("Sales", -1, {"Sales Team"}),
                                                tmpl("Pupils", 0, {"sales team"})});
    put("Site.dat", sites);
    put("Template.dat", templates);
    w->templatelst->setEditText("Staff");
    w->StatusBar1->setPanelText(1, "Ready.");
  }
  void put(const QString& name, const QByteArray& bytes) { ASSERT_TRUE(test::writeAll(db() + name, bytes)); }
  QByteArray file(const QString& name) const { return test::readAll(db() + name); }
  QStringList messages() const {
    QStringList out;
    for (const auto& a : prompts.asked) out << QString::number(a.style) + u'|' + a.title + u'|' + a.prompt;
    return out;
  }
  // The on-screen log: "COLOUR|message" per row.
  QStringList verdicts() const {
    QStringList out;
    for (int i = 0; i < w->ListView1->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = w->ListView1->topLevelItem(i);
      out << row->data(0, Qt::UserRole).toString() + u'|' + row->text(0);
    }
    return out;
  }
  // The compaction's block of Log.txt (the last one), its date line masked.
  QString lastLogBlock() const {
    QString text = QString::fromLatin1(file("Log.txt"));
    text = text.mid(text.lastIndexOf(QStringLiteral("*****************************************")));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.size() > 1) lines[1] = QStringLiteral("<date>");
    return lines.join(QStringLiteral("\n"));
  }
  QList<Template_Record> storedTemplates() const {
    QList<Template_Record> out;
    const QByteArray b = file("Template.dat");
    for (int i = 0; i + Template_Record::Length <= b.size(); i += Template_Record::Length)
      out << Template_Record::decode(b.mid(i, Template_Record::Length));
    return out;
  }
  static QStringList groupsOf(const Template_Record& t) {
    QStringList out;
    for (int i = 0; i < t.GroupCount; ++i) out << t.Groups[i].trimmed();
    return out;
  }

  QByteArray sites, templates;
};

const QString kAsk = "36|Compact Database|This could take a few minutes. \r\nAre you sure you want to continue ?";
const QString kPrune =
    "36|Compact Database|Do you want to remove groups from the templates that no longer exist ? \r\n\r\n"
    "You should answer no if you manage mutliple Domains!!!";

TEST_F(Compaction, NoAtTheFirstQuestionChangesNothing) {
  const QByteArray log = file("Log.txt");
  const int nodes = w->TreeView1->topLevelItemCount();
  prompts.answer(ui::MsgBoxResult::No);
  w->DataBase_Click();
  EXPECT_EQ(messages(), QStringList({kAsk}));
  EXPECT_EQ(status(), "Ready.");
  EXPECT_EQ(file("Site.dat"), sites);
  EXPECT_EQ(file("Template.dat"), templates);
  EXPECT_EQ(file("Log.txt"), log);
  EXPECT_EQ(w->TreeView1->topLevelItemCount(), nodes);
  EXPECT_EQ(w->templatelst->currentText(), "Staff");
}

TEST_F(Compaction, AnUnreachableDomainLeavesTheWindowAndTheFilesAsTheyWere) {
  ASSERT_TRUE(net->setReachable("example.local", false).ok());
  const QStringList groups = texts(w->ListView5);
  const int nodes = w->TreeView1->topLevelItemCount();
  prompts.answer(ui::MsgBoxResult::Yes);
  w->DataBase_Click();
  EXPECT_EQ(messages(), QStringList({kAsk, "16|Can't Find Domain Controller|Can't find example.local Domain.\r\n"
                                           "Will not compact Database."}));
  EXPECT_EQ(status(), "Compacting DataBases Please Wait....");
  EXPECT_EQ(file("Site.dat"), sites);
  EXPECT_EQ(file("Template.dat"), templates);
  EXPECT_EQ(w->TreeView1->topLevelItemCount(), nodes) << "the tree is not cleared";
  EXPECT_EQ(texts(w->ListView5), groups);
  EXPECT_EQ(w->templatelst->currentText(), "Staff") << "the template tab is not cleared";
  EXPECT_FALSE(verdicts().join(u' ').contains("Compacted"));
}

TEST_F(Compaction, TheConfiguredDomainIsUsedNotTheTextOfTheDomainBox) {
  w->DomName->setEditText("nowhere.example");
  prompts.answer(ui::MsgBoxResult::Yes);
  prompts.answer(ui::MsgBoxResult::No);
  w->DataBase_Click();
  EXPECT_EQ(messages(), QStringList({kAsk, kPrune}));
  EXPECT_EQ(status(), "Completed.");
  EXPECT_EQ(state::shared().Domain_Name, "example.local");
  EXPECT_EQ(w->DomName->currentText(), "example.local");
}

TEST_F(Compaction, PruningRemovesVanishedGroupsAndLogsEveryTemplate) {
  prompts.answer(ui::MsgBoxResult::Yes);
  prompts.answer(ui::MsgBoxResult::Yes);
  w->DataBase_Click();
  EXPECT_EQ(messages(), QStringList({kAsk, kPrune}));
  EXPECT_EQ(file("Site.dat"), test::imageOf<Site_Record>({site("North"), site("South")}));
  const QList<Template_Record> left = storedTemplates();
  ASSERT_EQ(left.size(), 2);
  EXPECT_EQ(groupsOf(left[0]), QStringList({"Sales Team"}));
  EXPECT_EQ(groupsOf(left[1]), QStringList({"sales team"})) << "letter case does not make a group vanish";
  EXPECT_EQ(verdicts().last(), "GREEN| Database Compacted");
  EXPECT_EQ(status(), "Completed.");
  EXPECT_TRUE(w->TreeView1->topLevelItemCount() > 0) << "the domain was loaded again";
  const QString staff = QString("Staff").leftJustified(25), sales = QString("Sales").leftJustified(25),
                pupils = QString("Pupils").leftJustified(25), vanished = QString("Vanished").leftJustified(21);
  EXPECT_EQ(lastLogBlock(), QStringList({"*****************************************", "<date>", "Start Compact",
                                         "Checking template " + staff, "Global Group Removed : " + vanished, " ",
                                         "Template " + sales + " Deleted.", " ", "Checking template " + pupils,
                                         " ", "Compact Finished.", ""})
                                .join("\n"));
}

TEST_F(Compaction, NoToPruningKeepsEveryGroup) {
  prompts.answer(ui::MsgBoxResult::Yes);
  prompts.answer(ui::MsgBoxResult::No);
  w->DataBase_Click();
  const QList<Template_Record> left = storedTemplates();
  ASSERT_EQ(left.size(), 2);
  EXPECT_EQ(groupsOf(left[0]), QStringList({"Sales Team", "Vanished"}));
  EXPECT_EQ(verdicts().last(), "GREEN| Database Compacted");
  EXPECT_EQ(lastLogBlock(), QStringList({"*****************************************", "<date>", "Start Compact",
                                         "Template " + QString("Sales").leftJustified(25) + " Deleted.", " ",
                                         "Compact Finished.", ""})
                                .join("\n"));
}

TEST_F(Compaction, AFailedStepIsReportedInRedAndNeverAsCompacted) {
  for (int k = 1;; ++k) {
    put("Site.dat", sites);
    put("Template.dat", templates);
    w->ListView1->clear();
    // Answers of their own each time: a failed run leaves the second question unasked.
    ui::ScriptedPrompter answers;
    ui::setPrompter(&answers);
    answers.answer(ui::MsgBoxResult::Yes);
    answers.answer(ui::MsgBoxResult::No);
    test::FaultyOps ops(k);
    w->List_File_Ops = &ops;
    w->DataBase_Click();
    w->List_File_Ops = nullptr;
    ui::setPrompter(&prompts);
    if (!ops.injected()) {
      EXPECT_EQ(verdicts(), QStringList({"GREEN| Database Compacted"}));
      break;
    }
    const std::string where = "failed " + ops.failedCall().toStdString();
    const QStringList v = verdicts();
    EXPECT_TRUE(v.contains("RED| Error Compacting Database")) << where;
    EXPECT_FALSE(v.join(u' ').contains("Database Compacted")) << where;
    EXPECT_NE(status(), "Completed.") << where;
    // Each file is either as it was or compacted whole.
    EXPECT_TRUE(file("Site.dat") == sites ||
                file("Site.dat") == test::imageOf<Site_Record>({site("North"), site("South")}))
        << where;
    EXPECT_TRUE(file("Template.dat") == templates || storedTemplates().size() == 2) << where;
  }
}

// When this connection could not read the domain's groups, the template tab's group list is
// empty or short, and pruning against it would strip groups that exist from every template: the
// compaction says why and keeps every template's groups.
TEST_F(Compaction, PruningIsRefusedWhenTheGroupsWereNotAllRead) {
  struct Case {
    const char* what;
    std::optional<adsi::Error> error;  // none: the search answers with no group
    QString reason;
  };
  const Case cases[] = {
      {"the group search fails", adsi::makeError(adsi::hr::SERVER_DOWN, "The server is not operational."),
       "the search for the domain's groups failed (0x8007203A The server is not operational.)"},
      {"the group search finds nothing", std::nullopt, "the search for the domain's groups found none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    put("Site.dat", sites);
    put("Template.dat", templates);
    w->ListView1->clear();
    directory::setDirectory(std::make_shared<adsi::Directory>(
        std::make_shared<test::FailingSearchBackend>(backend(), "objectCategory=group", c.error)));
    ui::ScriptedPrompter answers;
    ui::setPrompter(&answers);
    answers.answer(ui::MsgBoxResult::Yes);
    answers.answer(ui::MsgBoxResult::Yes);
    w->DataBase_Click();
    ui::setPrompter(&prompts);
    QStringList asked;
    for (const auto& a : answers.asked) asked << QString::number(a.style) + u'|' + a.title + u'|' + a.prompt;
    const QString refusal = "No group is removed from the templates: " + c.reason +
                            ".\r\nThe database is compacted with every template's groups kept.";
    EXPECT_EQ(asked, QStringList({kAsk, kPrune, "48|Compact Database|" + refusal}));
    const QList<Template_Record> left = storedTemplates();
    ASSERT_EQ(left.size(), 2) << "the deleted template is still removed";
    EXPECT_EQ(groupsOf(left[0]), QStringList({"Sales Team", "Vanished"}));
    EXPECT_EQ(groupsOf(left[1]), QStringList({"sales team"}));
    EXPECT_FALSE(lastLogBlock().contains("Removed")) << lastLogBlock().toStdString();
    EXPECT_EQ(verdicts(),
              QStringList({"YELLOW| " + QString(refusal).replace("\r\n", " "), "GREEN| Database Compacted"}));
  }

  // Once the groups are read again, pruning runs.
  put("Template.dat", templates);
  directory::setDirectory(std::make_shared<adsi::Directory>(backend()));
  prompts.answer(ui::MsgBoxResult::Yes);
  prompts.answer(ui::MsgBoxResult::Yes);
  w->DataBase_Click();
  ASSERT_EQ(storedTemplates().size(), 2);
  EXPECT_EQ(groupsOf(storedTemplates()[0]), QStringList({"Sales Team"}));
}

TEST_F(Compaction, BackupAndCompactionAreOnTheMenus) {
  EXPECT_TRUE(w->Backup_Files->isEnabled());
  EXPECT_TRUE(w->DataBase->isEnabled());
  prompts.answer(ui::MsgBoxResult::No);
  w->DataBase->trigger();
  EXPECT_EQ(messages(), QStringList({kAsk}));
}

}  // namespace
