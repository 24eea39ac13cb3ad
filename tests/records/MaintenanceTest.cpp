#include "records/DatabaseFolder.h"
#include "records/Maintenance.h"
#include "records/Records.h"

#include "Support.h"
#include "platform/text/Cp1252.h"
#include "startup/Clock.h"
#include "startup/LogFile.h"
#include "support/Fixtures.h"

#include <QFile>

#include <sys/wait.h>
#include <unistd.h>

using namespace tavrel;
using namespace tavrel::records;
using text::trimBlanks;

namespace {

Site_Record site(const QString& name, int16_t deleted = 0) {
  Site_Record s;
  s.Deleted = deleted;
  s.SiteName = name;
  s.HomeServer = name + "-FS";
  return s;
}

Template_Record tmpl(const QString& name, int16_t deleted = 0, const QStringList& groups = {}) {
  Template_Record t;
  t.Deleted = deleted;
  t.Name = name;
  t.GroupCount = static_cast<int16_t>(groups.size());
  for (int i = 0; i < groups.size(); ++i) t.Groups[i] = groups[i];
  return t;
}

class MaintenanceTest : public test::FolderFixture {
 protected:
  QByteArray logBlock(const QStringList& lines) const {
    QByteArray out = startup::kLogHeader.toLatin1() + "\r\n" +
                     startup::Clock::format(fixedClock.now()).toLatin1() + "\r\n";
    for (const QString& l : lines) out += text::toCp1252(l) + "\r\n";
    return out;
  }
};

// ---- Compaction -------------------------------------------------------------------------------

TEST_F(MaintenanceTest, SitesKeepExactlyTheLiveRecordsInOrder) {
  put("Site.dat",
      test::imageOf<Site_Record>({site("A"), site("B", -1), site("C"), site("D", 1), site("E", -1)}));
  ASSERT_TRUE(Compact_Sites(DatabaseFolder(db())));
  EXPECT_EQ(file("Site.dat"), test::imageOf<Site_Record>({site("A"), site("C"), site("D", 1)}))
      << "a Deleted of 1 is not -1 and stays";
  EXPECT_FALSE(has("tempsite.dat"));
}

TEST_F(MaintenanceTest, NothingDeletedMeansTheSameContent) {
  const QByteArray sites = test::imageOf<Site_Record>({site("A"), site("B")});
  const QByteArray templates = test::imageOf<Template_Record>({tmpl("T"), tmpl("U")});
  put("Site.dat", sites);
  put("Template.dat", templates);
  DatabaseFolder folder(db());
  ASSERT_TRUE(Compact_Sites(folder));
  ASSERT_TRUE(Compact_Templates(folder));
  EXPECT_EQ(file("Site.dat"), sites);
  EXPECT_EQ(file("Template.dat"), templates);
}

TEST_F(MaintenanceTest, MissingFilesStayMissing) {
  DatabaseFolder folder(db());
  ASSERT_TRUE(Compact_Sites(folder));
  ASSERT_TRUE(Compact_Templates(folder));
  EXPECT_FALSE(has("Site.dat"));
  EXPECT_FALSE(has("Template.dat"));
}

TEST_F(MaintenanceTest, DeletedTemplatesAreLoggedWithTheirStoredNames) {
  put("Template.dat", test::imageOf<Template_Record>({tmpl("Staff"), tmpl("Sales", -1), tmpl("Pupils")}));
  ASSERT_TRUE(Compact_Templates(DatabaseFolder(db())));
  EXPECT_EQ(file("Template.dat"), test::imageOf<Template_Record>({tmpl("Staff"), tmpl("Pupils")}));
  EXPECT_EQ(
      file("Log.txt").toStdString(),
      logBlock({"Start Compact", "Template Sales" + QString(20, ' ') + " Deleted.", " ", "Compact Finished."})
          .toStdString());
  EXPECT_FALSE(has("Temptemp.dat"));
}

TEST_F(MaintenanceTest, TheCheckSeesEveryLiveTemplateAndItsChangesAreWritten) {
  put("Template.dat",
      test::imageOf<Template_Record>({tmpl("Staff", 0, {"Sales", "Gone", "Users"}), tmpl("Old", -1, {"Gone"}),
                                      tmpl("Pupils", 0, {"Gone"})}));
  QStringList seen;
  // A check in the manner of the group pruning: it drops the group "Gone" and logs it.
  auto check = [&](Template_Record& t, startup::LogFile& log) {
    seen << trimBlanks(t.Name);
    log.line("Checking template " + t.Name);
    int kept = 0;
    for (int i = 0; i < t.GroupCount; ++i) {
      if (trimBlanks(t.Groups[i]) == "Gone")
        log.line("Global Group Removed : " + t.Groups[i]);
      else
        t.Groups[kept++] = t.Groups[i];
    }
    t.GroupCount = static_cast<int16_t>(kept);
    log.line(" ");
  };
  ASSERT_TRUE(Compact_Templates(DatabaseFolder(db()), check));
  EXPECT_EQ(seen, QStringList({"Staff", "Pupils"}));

  auto f = DatabaseFolder(db()).open(names::Template, Template_Record::Length, RecordFile::Access::Read);
  ASSERT_EQ(f->count().value(), 2);
  const Template_Record staff = f->readAs<Template_Record>(1).value();
  EXPECT_EQ(staff.GroupCount, 2);
  EXPECT_EQ(trimBlanks(staff.Groups[1]), "Users");
  EXPECT_EQ(f->readAs<Template_Record>(2).value().GroupCount, 0);
  const QString name25 = QString("Staff").leftJustified(25), old25 = QString("Old").leftJustified(25),
                pupils25 = QString("Pupils").leftJustified(25), gone21 = QString("Gone").leftJustified(21);
  EXPECT_EQ(file("Log.txt"),
            logBlock({"Start Compact", "Checking template " + name25, "Global Group Removed : " + gone21, " ",
                      "Template " + old25 + " Deleted.", " ", "Checking template " + pupils25,
                      "Global Group Removed : " + gone21, " ", "Compact Finished."}));
}

TEST_F(MaintenanceTest, LeftoverTemporaryFilesAreNotCarriedOver) {
  put("tempsite.dat", QByteArray(5 * 154, 'x'));
  put("TEMPTEMP.DAT", QByteArray(3 * 4324, 'x'));
  put("Site.dat", test::imageOf<Site_Record>({site("A"), site("B", -1)}));
  put("Template.dat", test::imageOf<Template_Record>({tmpl("T")}));
  DatabaseFolder folder(db());
  ASSERT_TRUE(Compact_Sites(folder));
  ASSERT_TRUE(Compact_Templates(folder));
  EXPECT_EQ(file("Site.dat"), site("A").encode());
  EXPECT_EQ(file("Template.dat"), tmpl("T").encode());
  EXPECT_EQ(test::snapshot(db()).keys(), QStringList({"Log.txt", "Site.dat", "Template.dat"}));
}

TEST_F(MaintenanceTest, TrailingPartialRecordRefusesCompaction) {
  const QByteArray bytes = test::imageOf<Site_Record>({site("A"), site("B", -1)}) + "partial";
  put("Site.dat", bytes);
  Status s = Compact_Sites(DatabaseFolder(db()));
  ASSERT_FALSE(s);
  EXPECT_TRUE(s.message().contains("Site.dat")) << s.message().toStdString();
  EXPECT_EQ(file("Site.dat"), bytes);
  EXPECT_FALSE(has("tempsite.dat"));
}

TEST_F(MaintenanceTest, FailureAtAnyStepLeavesTheOriginalFileIntact) {
  const QByteArray sites = test::imageOf<Site_Record>({site("A"), site("B", -1), site("C")});
  const QByteArray templates = test::imageOf<Template_Record>({tmpl("T", -1), tmpl("U")});
  for (int phase = 0; phase < 2; ++phase) {
    for (int k = 1;; ++k) {
      test::resetFolder(db());
      put("Site.dat", sites);
      put("Template.dat", templates);
      test::FaultyOps ops(k);
      DatabaseFolder folder(db(), ops);
      Status s = phase == 0 ? Compact_Sites(folder) : Compact_Templates(folder);
      const QString name = phase == 0 ? "Site.dat" : "Template.dat";
      if (!ops.injected()) {
        ASSERT_TRUE(s);
        EXPECT_EQ(file(name).size(), (phase == 0 ? 2 * 154 : 4324));
        break;
      }
      const std::string where = name.toStdString() + ", failed " + ops.failedCall().toStdString();
      EXPECT_FALSE(s) << where;
      EXPECT_EQ(file("Site.dat"), sites) << where;
      EXPECT_EQ(file("Template.dat"), templates) << where;
      EXPECT_FALSE(has("tempsite.dat")) << where;
      EXPECT_FALSE(has("Temptemp.dat")) << where;
      if (phase == 1) {
        EXPECT_FALSE(file("Log.txt").contains("Compact Finished.")) << where;
        EXPECT_TRUE(file("Log.txt").endsWith(text::toCp1252(s.message()) + "\r\n")) << where;
      }
    }
  }
}

TEST_F(MaintenanceTest, ReadOnlyFolderIsAnErrorAndChangesNothing) {
  const QByteArray sites = test::imageOf<Site_Record>({site("A"), site("B", -1)});
  put("Site.dat", sites);
  test::ReadOnlyOps ro;
  EXPECT_FALSE(Compact_Sites(DatabaseFolder(db(), ro)));
  EXPECT_EQ(file("Site.dat"), sites);
}

TEST_F(MaintenanceTest, CompactionWhileAnotherProcessAppendsLosesNoRecord) {
  constexpr int kAppends = 120;
  QList<Template_Record> initial;
  for (int i = 0; i < 20; ++i) initial << tmpl(QString("init%1").arg(i), i % 2 ? -1 : 0);
  put("Template.dat", test::imageOf(initial));
  const QString folder = db();
  const pid_t child = ::fork();
  if (child == 0) {
    DatabaseFolder db(folder);
    bool ok = true;
    for (int i = 0; i < kAppends && ok; ++i)
      ok = db.appendRecord(names::Template, tmpl(QString("new%1").arg(i)).encode()).ok();
    ::_exit(ok ? 0 : 1);
  }
  DatabaseFolder db(folder);
  for (int round = 0; round < 15; ++round) {
    ASSERT_TRUE(Compact_Templates(db));
    auto add = db.appendRecord(names::Template, tmpl(QString("gone%1").arg(round), -1).encode());
    ASSERT_TRUE(add.ok());
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(Compact_Templates(db));

  auto f = db.open(names::Template, Template_Record::Length, RecordFile::Access::Read);
  ASSERT_EQ(f->count().value(), 10 + kAppends);
  int next = 0;
  for (int n = 1; n <= f->count().value(); ++n) {
    const QString name = trimBlanks(f->readAs<Template_Record>(n).value().Name);
    if (name.startsWith("new")) {
      EXPECT_EQ(name, QString("new%1").arg(next++));
    }
  }
  EXPECT_EQ(next, kAppends);
}

// ---- Backup -----------------------------------------------------------------------------------

TEST_F(MaintenanceTest, BackupCopiesTheSevenFiles) {
  const std::pair<QString, QString> files[] = {{"Site.dat", "site.bak"},
                                               {"Template.dat", "template.bak"},
                                               {"Mail.dat", "mail.bak"},
                                               {"Permissions.dat", "Permissions.bak"},
                                               {"Shareperm.dat", "SharePerm.bak"},
                                               {"WTS.dat", "WTS.bak"},
                                               {"W2K.dat", "W2K.bak"}};
  for (const auto& [source, copy] : files) put(source, source.toLatin1() + " content");
  const BackupReport report = Backup_Files(DatabaseFolder(db()));
  EXPECT_TRUE(report.ok());
  ASSERT_EQ(report.copies.size(), 7u);
  for (const auto& [source, copy] : files) {
    EXPECT_EQ(file(copy), source.toLatin1() + " content") << copy.toStdString();
  }
  for (const BackupCopy& c : report.copies) EXPECT_EQ(c.outcome, BackupCopy::Outcome::Copied);
  EXPECT_EQ(report.copies[0].copy, "site.bak");
  EXPECT_EQ(report.copies[6].copy, "W2K.bak");
}

TEST_F(MaintenanceTest, BackupOverwritesEarlierCopiesAndSkipsMissingFiles) {
  put("Site.dat", "new sites");
  put("Site.bak", "old sites");
  put("Template.dat", "templates");
  const BackupReport report = Backup_Files(DatabaseFolder(db()));
  EXPECT_TRUE(report.ok()) << "a missing source is no failure";
  EXPECT_EQ(file("Site.bak"), "new sites") << "the earlier copy, in any letter case, is replaced";
  EXPECT_FALSE(has("site.bak"));
  EXPECT_EQ(file("template.bak"), "templates");
  EXPECT_EQ(report.copies[5].source, "WTS.dat");
  EXPECT_EQ(report.copies[5].outcome, BackupCopy::Outcome::Missing);
  EXPECT_FALSE(has("WTS.bak"));
}

TEST_F(MaintenanceTest, BackupReportsEachFailedCopyAndGoesOn) {
  for (const char* name : {"Site.dat", "Template.dat", "Mail.dat"}) put(name, QByteArray(name) + " now");
  put("template.bak", "earlier copy");
  // Fail the rename that would put the new template.bak in place.
  int renames = 0;
  struct FailSecondRename : records::FileOps {
    int* renames;
    explicit FailSecondRename(int* r) : renames(r) {}
    int rename(const QString& from, const QString& to) override {
      return ++*renames == 2 ? EIO : FileOps::rename(from, to);
    }
  } ops(&renames);
  const BackupReport report = Backup_Files(DatabaseFolder(db(), ops));
  EXPECT_FALSE(report.ok());
  ASSERT_EQ(report.failures().size(), 1u);
  EXPECT_EQ(report.failures()[0].copy, "template.bak");
  EXPECT_FALSE(report.failures()[0].error.isEmpty());
  EXPECT_EQ(file("template.bak"), "earlier copy") << "the earlier copy is kept whole";
  EXPECT_EQ(file("site.bak"), "Site.dat now");
  EXPECT_EQ(file("mail.bak"), "Mail.dat now");
  EXPECT_FALSE(has("template.bak.tmp"));
}

TEST_F(MaintenanceTest, BackupOfAMissingFolderFailsEveryCopy) {
  const BackupReport report = Backup_Files(DatabaseFolder(dir() + "gone/"));
  EXPECT_EQ(report.failures().size(), 7u);
  EXPECT_TRUE(report.failures()[0].error.contains("does not exist"));
}

}  // namespace
