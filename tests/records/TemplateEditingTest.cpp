// The template tab's rules without a window: home drive, new names, variables, saving new and
// edited templates, deleting.

#include "Support.h"

#include "records/DatabaseFolder.h"
#include "records/TemplateEditing.h"

#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::records;

namespace {

Template_Record named(const QString& name, int16_t deleted = 0) {
  Template_Record r;
  r.Name = name;
  r.Deleted = deleted;
  r.PrimaryGroup = QStringLiteral("Domain Users");
  return r;
}

TemplateFields fieldsNamed(const QString& name) {
  TemplateFields f;
  f.name = name;
  f.homeShareUNC = QStringLiteral("\\\\srv\\home");
  f.homeDrive = QStringLiteral("H:");
  f.primaryGroup = QStringLiteral("Staff");
  f.logonHours.fill(0);
  f.logonHours[0] = 1;
  f.groups = {QStringLiteral("Staff"), QStringLiteral("Printing")};
  return f;
}

QStringList groupsOf(const Template_Record& r) {
  QStringList out;
  for (int i = 0; i < r.GroupCount; ++i) out << r.Groups[i].trimmed();
  return out;
}

TEST(TemplateRules, HomeDriveFormat) {
  struct Case {
    const char* typed;
    std::optional<QString> stored;
  } cases[] = {
      {"", QString()},          {"H:", QStringLiteral("H:")}, {"h:", QStringLiteral("H:")},
      {"A:", QStringLiteral("A:")}, {"Z:", QStringLiteral("Z:")}, {"@:", std::nullopt},
      {"[:", std::nullopt},     {"H", std::nullopt},         {"H:\\", std::nullopt},
      {"HH", std::nullopt},     {" H:", std::nullopt},       {"1:", std::nullopt},
      {"\u00c4:", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(normalisedHomeDrive(QString::fromUtf8(c.typed)), c.stored);
  }
}

TEST(TemplateRules, HomeDriveRule) {
  struct Case {
    const char* share;
    const char* drive;
    const char* result;
  } cases[] = {
      {"\\\\srv\\home", "", "Z:"},  // a share and no drive: Z:
      {"\\\\srv\\home", "H:", "H:"},  // a chosen drive stays
      {"", "H:", ""},                 // no share: no drive
      {"", "", ""},
      {"   ", "", ""},    // blanks only count as no share
      {"   ", "H:", ""},
      {"x", "", "Z:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.share) + "|" + c.drive);
    EXPECT_EQ(homeDriveRule(QString::fromLatin1(c.share), QString::fromLatin1(c.drive)), QString::fromLatin1(c.result));
  }
}

TEST(TemplateRules, NewNames) {
  const QStringList listed{QStringLiteral("Students                 "), QStringLiteral("Staff                    ")};
  struct Case {
    QString name;
    NewTemplateName verdict;
  } cases[] = {
      {QStringLiteral("Teachers"), NewTemplateName::Accepted},
      {QStringLiteral("students"), NewTemplateName::AlreadyUsed},
      {QStringLiteral("  STAFF  "), NewTemplateName::AlreadyUsed},
      {QStringLiteral("   "), NewTemplateName::Blank},
      {QString(), NewTemplateName::Blank},
      {QString(25, u'x'), NewTemplateName::Accepted},
      {QString(26, u'x'), NewTemplateName::TooLong},
      // Names sharing their first 25 characters can't both be stored: the longer one is refused.
      {QStringLiteral("Students") + QString(17, u'.') + QStringLiteral("x"), NewTemplateName::TooLong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    EXPECT_EQ(checkNewTemplateName(c.name, listed), c.verdict);
  }
  EXPECT_EQ(storedTemplateName(QStringLiteral("Staff")), QStringLiteral("Staff").leftJustified(25));
}

TEST(TemplateRules, VariablesAreReadWithoutGapsAndRefusedRatherThanCut) {
  Template_Record r;
  r.VarName[0] = QStringLiteral("never");
  r.VarName[2] = QStringLiteral(" Dept ");
  r.VarValue[2] = QStringLiteral("Sales");
  r.VarValue[9] = QStringLiteral("orphan");
  r.VarName[50] = QStringLiteral("last");
  EXPECT_EQ(variablesOf(r), (std::vector<TemplateVariable>{{"Dept", "Sales"}, {"", "orphan"}, {"last", ""}}));

  std::vector<TemplateVariable> fifty(50, TemplateVariable{QStringLiteral("n"), QStringLiteral("v")});
  EXPECT_TRUE(variablesDontFit(fifty).isEmpty());
  ASSERT_TRUE(setVariables(r, fifty).ok());
  EXPECT_EQ(variablesOf(r), fifty);
  EXPECT_EQ(r.VarName[0], "never") << "slot 0 is not touched";

  const Template_Record before = r;
  struct Case {
    std::vector<TemplateVariable> rows;
    const char* says;
  } refused[] = {
      {std::vector<TemplateVariable>(51, TemplateVariable{"n", "v"}), "at most 50 variables"},
      {{{QString(16, u'n'), "v"}}, "more than 15 characters"},
      {{{"n", QString(31, u'v')}}, "more than 30 characters"},
      {{{QStringLiteral("\u4e2d"), "v"}}, "can't be stored"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.says);
    EXPECT_TRUE(variablesDontFit(c.rows).contains(QString::fromLatin1(c.says))) << variablesDontFit(c.rows).toStdString();
    EXPECT_FALSE(setVariables(r, c.rows).ok());
    EXPECT_EQ(r, before) << "a refused list changes nothing";
  }
  ASSERT_TRUE(setVariables(r, {{"a", "1"}}).ok());
  EXPECT_EQ(variablesOf(r), (std::vector<TemplateVariable>{{"a", "1"}})) << "the slots after the list are emptied";
}

class TemplateStore : public test::FolderFixture {
 protected:
  DatabaseFolder folder() const { return DatabaseFolder(db()); }
  QList<Template_Record> onDisk() const {
    const QByteArray bytes = file(QStringLiteral("Template.dat"));
    QList<Template_Record> out;
    for (int at = 0; at + Template_Record::Length <= bytes.size(); at += Template_Record::Length)
      out << Template_Record::decode(bytes.mid(at, Template_Record::Length));
    return out;
  }
};

TEST_F(TemplateStore, NewTemplatesAreAppendedWithTheirOwnVariables) {
  auto first = saveNewTemplate(folder(), fieldsNamed("Staff"), {{"Dept", "Sales"}});
  ASSERT_TRUE(first.ok()) << first.message().toStdString();
  EXPECT_EQ(first->number, 1) << "a missing Template.dat is created";
  auto second = saveNewTemplate(folder(), fieldsNamed("Pupils"), {});
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(second->number, 2);
  const auto records = onDisk();
  ASSERT_EQ(records.size(), 2);
  EXPECT_EQ(records[0], first->record);
  EXPECT_EQ(records[0].Name, QStringLiteral("Staff").leftJustified(25));
  EXPECT_EQ(records[0].HomeDrive, "H:");
  EXPECT_EQ(records[0].LogonHours[0], 1);
  EXPECT_EQ(records[0].LogonHours[1], 0);
  EXPECT_EQ(groupsOf(records[0]), (QStringList{"Staff", "Printing"}));
  EXPECT_EQ(variablesOf(records[0]), (std::vector<TemplateVariable>{{"Dept", "Sales"}}));
  EXPECT_TRUE(variablesOf(records[1]).empty()) << "a new template carries no other template's variables";
}

TEST_F(TemplateStore, GroupCounts) {
  for (int n : {0, 75, 76}) {
    SCOPED_TRACE(n);
    test::resetFolder(db());
    TemplateFields f = fieldsNamed("T");
    f.groups.clear();
    for (int i = 0; i < n; ++i) f.groups << QStringLiteral("G%1").arg(i);
    auto saved = saveNewTemplate(folder(), f, {});
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(onDisk().value(0).GroupCount, n);
    EXPECT_EQ(groupsOf(onDisk().value(0)), f.groups);
  }
  TemplateFields f = fieldsNamed("T");
  f.groups.clear();
  for (int i = 0; i < 77; ++i) f.groups << QStringLiteral("G%1").arg(i);
  const QByteArray before = file("Template.dat");
  EXPECT_FALSE(saveNewTemplate(folder(), f, {}).ok());
  EXPECT_EQ(file("Template.dat"), before) << "77 groups write nothing";
}

TEST_F(TemplateStore, AFileEndingInAPartialRecordIsRefusedUntouched) {
  // 10,000 bytes: two whole records and the start of a third.
  QByteArray bytes = test::imageOf<Template_Record>({named("A"), named("B")});
  bytes += QByteArray(10000 - bytes.size(), 'x');
  put("Template.dat", bytes);
  auto saved = saveNewTemplate(folder(), fieldsNamed("C"), {});
  EXPECT_FALSE(saved.ok());
  EXPECT_EQ(file("Template.dat"), bytes);
  EXPECT_FALSE(saveEditedTemplate(folder(), "A", fieldsNamed("A")).ok());
  EXPECT_EQ(file("Template.dat"), bytes);
}

TEST_F(TemplateStore, AnEditKeepsTheVariablesOnDiskAtTheMomentOfTheWrite) {
  Template_Record stored = named("Staff");
  stored.VarName[1] = "Dept";
  stored.VarValue[1] = "Sales";
  stored.GroupCount = 3;
  stored.Groups[0] = "A";
  stored.Groups[1] = "B";
  stored.Groups[2] = "C";
  put("Template.dat", test::imageOf<Template_Record>({named("Staff", kDeletedFlag), named("Other"), stored}));
  // Another instance changes the variables after this one loaded the template.
  Template_Record changed = stored;
  changed.VarValue[1] = "Marketing";
  ASSERT_TRUE(folder().writeRecord(names::Template, 3, changed.encode()).ok());

  TemplateFields f = fieldsNamed(QStringLiteral("Staff").leftJustified(25));
  f.groups = {"A"};
  auto saved = saveEditedTemplate(folder(), "  staff ", f);
  ASSERT_TRUE(saved.ok()) << saved.message().toStdString();
  EXPECT_EQ(saved->number, 3) << "the first live record of the name, letter case ignored";
  const Template_Record after = onDisk()[2];
  EXPECT_EQ(after, saved->record);
  EXPECT_EQ(variablesOf(after), (std::vector<TemplateVariable>{{"Dept", "Marketing"}}));
  EXPECT_EQ(after.GroupCount, 1);
  EXPECT_EQ(after.Groups[1], QStringLiteral("B").leftJustified(21)) << "slots past the count are left as they were";
  EXPECT_EQ(after.HomeShareUNC.trimmed(), "\\\\srv\\home");
  EXPECT_EQ(onDisk()[0].Deleted, kDeletedFlag);

  const QByteArray before = file("Template.dat");
  auto gone = saveEditedTemplate(folder(), "Nobody", f);
  EXPECT_FALSE(gone.ok());
  EXPECT_TRUE(gone.message().contains("no longer")) << gone.message().toStdString();
  EXPECT_EQ(file("Template.dat"), before);
}

TEST_F(TemplateStore, DeleteMarksOnlyTheFirstLiveRecordOfTheName) {
  put("Template.dat",
      test::imageOf<Template_Record>({named("Staff", kDeletedFlag), named("Other"), named("STAFF"), named("Staff")}));
  const qint64 length = file("Template.dat").size();
  auto n = deleteTemplate(folder(), " staff");
  ASSERT_TRUE(n.ok());
  EXPECT_EQ(n.value(), 3);
  const auto records = onDisk();
  EXPECT_EQ(file("Template.dat").size(), length) << "the record stays until compaction";
  EXPECT_EQ(records[1].Deleted, 0);
  EXPECT_EQ(records[2].Deleted, kDeletedFlag);
  EXPECT_EQ(records[3].Deleted, 0);
  auto none = deleteTemplate(folder(), "Nobody");
  ASSERT_TRUE(none.ok());
  EXPECT_EQ(none.value(), 0);

  auto found = findLiveTemplate(folder(), "staff");
  ASSERT_TRUE(found.ok());
  ASSERT_TRUE(found.value().has_value());
  EXPECT_EQ(found.value()->Name.trimmed(), "Staff") << "the deleted ones are passed over";
}

TEST_F(TemplateStore, AFailedWriteLeavesTheFileAsItWas) {
  const QByteArray before = test::imageOf<Template_Record>({named("Staff")});
  for (int failAt = 1; failAt < 40; ++failAt) {
    put("Template.dat", before);
    test::FaultyOps ops(failAt);
    DatabaseFolder faulty(db(), ops);
    auto saved = saveNewTemplate(faulty, fieldsNamed("New"), {});
    if (!ops.injected()) break;
    SCOPED_TRACE(ops.failedCall().toStdString());
    if (saved.ok()) continue;  // a failure the writer could pass over
    EXPECT_EQ(file("Template.dat"), before) << ops.failedCall().toStdString();
  }
}

}  // namespace
