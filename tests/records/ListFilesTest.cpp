// The permission lists read and written whole, and the template variables written into their
// template's record under its lock.

#include "records/DatabaseFolder.h"
#include "records/PropertyLists.h"
#include "records/Records.h"

#include "Support.h"
#include "platform/text/Cp1252.h"
#include "support/Fixtures.h"

using namespace tavrel;
using namespace tavrel::records;
using text::trimBlanks;

namespace {

Permission_Record perm(const QString& account, const QString& access, int16_t flag = 0) {
  Permission_Record r;
  r.NewSecurity = flag;
  r.Account = account;
  r.Access = access;
  return r;
}

Template_Record tmpl(const QString& name, int16_t deleted = 0) {
  Template_Record t;
  t.Deleted = deleted;
  t.Name = name;
  t.ProfileShareUNC = "\\\\FS1\\Profiles";
  return t;
}

class ListFilesTest : public test::FolderFixture {
 protected:
  Template_Record record(int n) const {
    auto f = DatabaseFolder(db()).open(names::Template, Template_Record::Length, RecordFile::Access::Read);
    return f->readAs<Template_Record>(n).value();
  }
};

// ---- Permission lists ----------------------------------------------------------------------------

TEST_F(ListFilesTest, RecordsOfTheRowsFollowTheListRules) {
  const QList<PermissionRow> two{{"Administrators", "Full Control"}, {"%Domain%\\%UserName%", "Change"}};
  struct Case {
    const char* what;
    QList<PermissionRow> rows;
    bool replace;
    bool share;
    QList<Permission_Record> expected;
  };
  const Case cases[] = {
      {"directory list, flag on record 1 only", two, true, false,
       {perm("Administrators", "Full Control", -1), perm("%Domain%\\%UserName%", "Change")}},
      {"directory list without the flag", two, false, false,
       {perm("Administrators", "Full Control"), perm("%Domain%\\%UserName%", "Change")}},
      {"empty directory list stays empty, flag and all", {}, true, false, {}},
      {"empty share list is Everyone with Full Control", {}, false, true, {perm("Everyone", "Full Control")}},
      {"share list keeps a flag found in record 1", two, true, true,
       {perm("Administrators", "Full Control", -1), perm("%Domain%\\%UserName%", "Change")}},
  };
  for (const Case& c : cases) EXPECT_EQ(permissionRecords(c.rows, c.replace, c.share), c.expected) << c.what;
}

TEST_F(ListFilesTest, RowsThatDontFitAreRefusedNotCut) {
  EXPECT_EQ(permissionRowsDontFit({{QString(50, 'a'), "Full Control"}}), "");
  EXPECT_NE(permissionRowsDontFit({{QString(51, 'a'), "Read"}}), "");
  EXPECT_NE(permissionRowsDontFit({{"Staff", "Full Control!"}}), "");
  EXPECT_NE(permissionRowsDontFit({{QString::fromUtf8("\u65e5\u672c"), "Read"}}), "");
}

TEST_F(ListFilesTest, LoadingCreatesAMissingListAndReadsEveryRecord) {
  PermissionListLoad none = loadPermissionList(DatabaseFolder(db()), "permissions.dat");
  EXPECT_TRUE(none.complete());
  EXPECT_TRUE(none.records.isEmpty());
  EXPECT_TRUE(has("Permissions.dat"));
  EXPECT_EQ(file("Permissions.dat").size(), 0);

  put("SharePerm.dat", test::imageOf<Permission_Record>({perm("Staff", "Read", -1), perm("Everyone", "No Access")}));
  PermissionListLoad share = loadPermissionList(DatabaseFolder(db()), "Shareperm.dat");
  EXPECT_TRUE(share.complete());
  EXPECT_TRUE(share.newSecurity);
  ASSERT_EQ(share.records.size(), 2);
  EXPECT_EQ(trimBlanks(share.records[1].Access), "No Access");
}

TEST_F(ListFilesTest, AListThatCantBeReadWholeSaysSo) {
  // A partial record at the end.
  put("Permissions.dat", test::imageOf<Permission_Record>({perm("Staff", "Read")}) + QByteArray(10, ' '));
  PermissionListLoad partial = loadPermissionList(DatabaseFolder(db()), "permissions.dat");
  EXPECT_FALSE(partial.complete());
  EXPECT_EQ(partial.records.size(), 1);

  // A read failing part way.
  put("Permissions.dat", test::imageOf<Permission_Record>({perm("A", "Read"), perm("B", "Read"), perm("C", "Read")}));
  bool sawPartial = false;
  for (int k = 1;; ++k) {
    test::FaultyOps ops(k);
    PermissionListLoad list = loadPermissionList(DatabaseFolder(db(), ops), "permissions.dat");
    if (!ops.injected()) {
      EXPECT_TRUE(list.complete());
      EXPECT_EQ(list.records.size(), 3);
      break;
    }
    EXPECT_FALSE(list.complete()) << "failed " << ops.failedCall().toStdString();
    sawPartial = sawPartial || (list.records.size() > 0 && list.records.size() < 3);
  }
  EXPECT_TRUE(sawPartial);
}

TEST_F(ListFilesTest, SavingFailsAtAnyStepWithTheOldListIntact) {
  const QByteArray old = test::imageOf<Permission_Record>({perm("Staff", "Read", -1), perm("Teachers", "Change")});
  const QList<Permission_Record> next{perm("Admins", "Full Control")};
  for (int k = 1;; ++k) {
    put("Permissions.dat", old);
    test::FaultyOps ops(k);
    Status s = savePermissionList(DatabaseFolder(db(), ops), "permissions.dat", next);
    if (!ops.injected()) {
      ASSERT_TRUE(s);
      EXPECT_EQ(file("Permissions.dat"), test::imageOf(next));
      break;
    }
    EXPECT_FALSE(s) << "failed " << ops.failedCall().toStdString();
    EXPECT_FALSE(s.message().isEmpty());
    EXPECT_EQ(file("Permissions.dat"), old) << "failed " << ops.failedCall().toStdString();
  }
}

// ---- Template variables --------------------------------------------------------------------------

TEST_F(ListFilesTest, VariablesFillTheirSlotsAndEmptyTheRest) {
  Template_Record sales = tmpl("Sales");
  for (int i = 1; i <= 5; ++i) {
    sales.VarName[i] = QString("OLD%1").arg(i);
    sales.VarValue[i] = "x";
  }
  put("Template.dat", test::imageOf<Template_Record>({tmpl("Gone", -1), tmpl("Staff"), sales}));
  auto n = writeTemplateVariables(DatabaseFolder(db()), "  sales ", {{"SCHOOL", "North"}, {"", "only a value"}, {"ROOM", ""}});
  ASSERT_TRUE(n);
  EXPECT_EQ(n.value(), 3);
  const Template_Record r = record(3);
  EXPECT_EQ(trimBlanks(r.VarName[1]), "SCHOOL");
  EXPECT_EQ(trimBlanks(r.VarValue[1]), "North");
  EXPECT_EQ(trimBlanks(r.VarName[2]), "");
  EXPECT_EQ(trimBlanks(r.VarValue[2]), "only a value");
  EXPECT_EQ(trimBlanks(r.VarName[3]), "ROOM");
  for (int i = 4; i < Template_Record::VarSlots; ++i) EXPECT_EQ(trimBlanks(r.VarName[i]) + trimBlanks(r.VarValue[i]), "");
  EXPECT_EQ(record(2), Template_Record::decode(tmpl("Staff").encode())) << "other records are not touched";
}

TEST_F(ListFilesTest, VariablesOfATemplateWithNoLiveRecordWriteNothing) {
  const QByteArray before = test::imageOf<Template_Record>({tmpl("Sales", -1)});
  put("Template.dat", before);
  auto n = writeTemplateVariables(DatabaseFolder(db()), "Sales", {{"A", "1"}});
  ASSERT_TRUE(n);
  EXPECT_EQ(n.value(), 0);
  EXPECT_EQ(file("Template.dat"), before);
}

TEST_F(ListFilesTest, VariablesThatDontFitAreRefusedBeforeAnythingIsWritten) {
  const QByteArray before = test::imageOf<Template_Record>({tmpl("Sales")});
  put("Template.dat", before);
  std::vector<TemplateVariable> many(51, TemplateVariable{"N", "V"});
  const std::vector<std::vector<TemplateVariable>> refused{
      many, {{QString(16, 'n'), "v"}}, {{"n", QString(31, 'v')}}};
  for (const auto& rows : refused) {
    auto n = writeTemplateVariables(DatabaseFolder(db()), "Sales", rows);
    EXPECT_FALSE(n);
    EXPECT_FALSE(n.message().isEmpty());
    EXPECT_EQ(file("Template.dat"), before);
  }
}

TEST_F(ListFilesTest, VariablesWriteFailingAtAnyStepLeavesTheRecordAsItWas) {
  const QByteArray before = test::imageOf<Template_Record>({tmpl("Staff"), tmpl("Sales")});
  for (int k = 1;; ++k) {
    put("Template.dat", before);
    test::FaultyOps ops(k);
    auto n = writeTemplateVariables(DatabaseFolder(db(), ops), "Sales", {{"A", "1"}});
    if (!ops.injected()) {
      ASSERT_TRUE(n);
      EXPECT_EQ(trimBlanks(record(2).VarName[1]), "A");
      break;
    }
    // A failed call the writer can retry past may still end in a whole write; any other ends
    // with the record as it was.
    if (n) {
      Template_Record expected = Template_Record::decode(tmpl("Sales").encode());
      expected.VarName[1] = QString("A").leftJustified(15);
      expected.VarValue[1] = QString("1").leftJustified(30);
      EXPECT_EQ(record(2), expected) << "failed " << ops.failedCall().toStdString();
    } else {
      EXPECT_EQ(file("Template.dat"), before) << "failed " << ops.failedCall().toStdString();
    }
  }
}

}  // namespace
