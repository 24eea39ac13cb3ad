#include "records/DatabaseFolder.h"
#include "records/RecordFile.h"
#include "records/Records.h"

#include "Support.h"
#include "platform/text/Cp1252.h"
#include "support/Fixtures.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavrel;
using namespace tavrel::records;

namespace {

class RecordFileTest : public test::AppFixture {
 protected:
  QString path(const QString& name) const { return dir() + name; }
};

Site_Record site(const QString& name, int16_t deleted = 0) {
  Site_Record s;
  s.Deleted = deleted;
  s.SiteName = name;
  return s;
}

TEST_F(RecordFileTest, CountIgnoresATrailingPartialRecord) {
  const struct {
    int bytes;
    int count;
  } cases[] = {{0, 0}, {153, 0}, {154, 1}, {309, 2}, {462, 3}};
  for (const auto& c : cases) {
    ASSERT_TRUE(test::writeAll(path("Site.dat"), QByteArray(c.bytes, 'x')));
    auto f = RecordFile::open(path("Site.dat"), Site_Record::Length, RecordFile::Access::Read);
    ASSERT_TRUE(f.ok()) << f.message().toStdString();
    EXPECT_EQ(f->count().value(), c.count) << c.bytes;
    EXPECT_FALSE(f->read(c.count + 1).ok()) << "the partial record is never read";
    EXPECT_EQ(f->checkWholeRecords().ok(), c.bytes % 154 == 0) << c.bytes;
  }
}

TEST_F(RecordFileTest, PartialRecordIsNamedInTheCheck) {
  ASSERT_TRUE(test::writeAll(path("Template.dat"), QByteArray(3778, ' ')));
  auto f = RecordFile::open(path("Template.dat"), Template_Record::Length, RecordFile::Access::Read);
  EXPECT_EQ(f->checkWholeRecords().message(),
            "Template.dat is 3778 bytes long, not a whole number of 4324-byte records.");
}

TEST_F(RecordFileTest, ReadAndWriteRecordsNumberedFromOne) {
  auto f = RecordFile::open(path("Site.dat"), Site_Record::Length, RecordFile::Access::ReadWrite);
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f->count().value(), 0) << "opening creates a missing file empty";
  ASSERT_TRUE(f->write(1, site("One").encode()));
  ASSERT_TRUE(f->write(2, site("Two").encode()));
  ASSERT_TRUE(f->write(1, site("Uno").encode()));
  EXPECT_EQ(f->count().value(), 2);
  EXPECT_EQ(text::trimBlanks(f->readAs<Site_Record>(1).value().SiteName), "Uno");
  EXPECT_EQ(text::trimBlanks(f->readAs<Site_Record>(2).value().SiteName), "Two");
  EXPECT_EQ(test::readAll(path("Site.dat")), site("Uno").encode() + site("Two").encode());

  EXPECT_FALSE(f->read(0).ok());
  EXPECT_FALSE(f->write(0, site("x").encode()));
  EXPECT_FALSE(f->write(1, QByteArray(10, ' '))) << "a record of the wrong length is refused";
}

TEST_F(RecordFileTest, OpeningForReadingNeverCreates) {
  auto f = RecordFile::open(path("Site.dat"), Site_Record::Length, RecordFile::Access::Read);
  EXPECT_FALSE(f.ok());
  EXPECT_TRUE(f.message().contains("Site.dat")) << f.message().toStdString();
  EXPECT_FALSE(QFile::exists(path("Site.dat")));
}

// Whether some open file description holds a write lock on [start, start+len) of `file`.
bool isLocked(const QString& file, qint64 start, qint64 len) {
  const int fd = ::open(QFile::encodeName(file).constData(), O_RDWR);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = len;
  const int r = ::fcntl(fd, F_OFD_GETLK, &fl);
  ::close(fd);
  return r == 0 && fl.l_type != F_UNLCK;
}

TEST_F(RecordFileTest, RecordLockSurvivesClosingAnotherHandleOfTheFile) {
  ASSERT_TRUE(
      test::writeAll(path("Site.dat"), test::imageOf<Site_Record>({site("A"), site("B"), site("C")})));
  auto holder = RecordFile::open(path("Site.dat"), Site_Record::Length, RecordFile::Access::ReadWrite);
  ASSERT_TRUE(holder.ok());
  ASSERT_TRUE(holder->lock(2));
  EXPECT_TRUE(isLocked(path("Site.dat"), 154, 154));
  EXPECT_FALSE(isLocked(path("Site.dat"), 0, 154)) << "only the record's own bytes";
  EXPECT_FALSE(isLocked(path("Site.dat"), 308, 154));
  {
    auto other = RecordFile::open(path("Site.dat"), Site_Record::Length, RecordFile::Access::Read);
    ASSERT_TRUE(other.ok());
    EXPECT_TRUE(other->read(2).ok());
  }  // the other handle is closed here
  EXPECT_TRUE(isLocked(path("Site.dat"), 154, 154)) << "closing another handle must not release the lock";
  ASSERT_TRUE(holder->unlock(2));
  EXPECT_FALSE(isLocked(path("Site.dat"), 154, 154));
}

// ---- The database folder --------------------------------------------------------------------

TEST_F(RecordFileTest, NamesAreResolvedWithoutRegardToCase) {
  ASSERT_TRUE(test::writeAll(path("shareperm.dat"), QByteArray()));
  DatabaseFolder db(dir());
  EXPECT_EQ(db.resolve("SharePerm.dat"), path("shareperm.dat"));
  EXPECT_EQ(db.resolve("Shareperm.dat"), path("shareperm.dat"));
  EXPECT_TRUE(db.exists("SHAREPERM.DAT"));
  EXPECT_EQ(db.resolve("permissions.dat"), path("Permissions.dat"))
      << "a missing file gets the canonical name";
  EXPECT_EQ(db.resolve("other.txt"), path("other.txt"));
  EXPECT_FALSE(db.exists(names::Permissions));

  Permission_Record p;
  p.Account = "Everyone";
  p.Access = "Read";
  ASSERT_TRUE(db.appendRecord(names::SharePerm, p.encode()).ok());
  EXPECT_EQ(test::readAll(path("shareperm.dat")), p.encode()) << "the existing file was written";
  EXPECT_FALSE(QFile::exists(path("SharePerm.dat")));

  ASSERT_TRUE(db.appendRecord("permissions.dat", p.encode()).ok());
  EXPECT_TRUE(QDir(dir()).entryList(QDir::Files).contains("Permissions.dat"))
      << "new files get the canonical name";
}

TEST_F(RecordFileTest, ExactSpellingIsPreferredWhenSeveralMatch) {
  ASSERT_TRUE(test::writeAll(path("site.dat"), "a"));
  ASSERT_TRUE(test::writeAll(path("Site.dat"), "b"));
  EXPECT_EQ(DatabaseFolder(dir()).resolve("Site.dat"), path("Site.dat"));
}

TEST_F(RecordFileTest, DirectoryIsNoFile) {
  ASSERT_TRUE(QDir(dir()).mkdir("Site.dat"));
  EXPECT_FALSE(DatabaseFolder(dir()).exists("Site.dat"));
}

TEST_F(RecordFileTest, MissingFolderGivesAClearErrorAndCreatesNothing) {
  DatabaseFolder db(dir() + "nowhere");
  EXPECT_EQ(db.path(), dir() + "nowhere/");
  auto n = db.appendRecord(names::Site, site("A").encode());
  ASSERT_FALSE(n.ok());
  EXPECT_TRUE(n.message().contains("does not exist")) << n.message().toStdString();
  EXPECT_FALSE(QFile::exists(dir() + "nowhere"));
}

TEST_F(RecordFileTest, ReadOnlyFolderRefusesWritesAndKeepsTheFile) {
  const QByteArray original = test::imageOf<Site_Record>({site("A")});
  ASSERT_TRUE(test::writeAll(path("Site.dat"), original));
  test::ReadOnlyOps ro;
  DatabaseFolder db(dir(), ro);
  auto n = db.appendRecord(names::Site, site("B").encode());
  ASSERT_FALSE(n.ok());
  EXPECT_TRUE(n.message().contains("Site.dat")) << n.message().toStdString();
  EXPECT_FALSE(db.writeRecord(names::Site, 1, site("B").encode()));
  EXPECT_EQ(test::readAll(path("Site.dat")), original);
  auto f = db.open(names::Site, Site_Record::Length, RecordFile::Access::Read);
  ASSERT_TRUE(f.ok()) << "reading still works";
  EXPECT_EQ(text::trimBlanks(f->readAs<Site_Record>(1).value().SiteName), "A");
}

TEST_F(RecordFileTest, WriteRecordRefusesAGapAfterTheLastRecord) {
  DatabaseFolder db(dir());
  ASSERT_TRUE(db.writeRecord(names::Site, 1, site("A").encode()));
  ASSERT_TRUE(db.writeRecord(names::Site, 2, site("B").encode()));
  Status gap = db.writeRecord(names::Site, 4, site("D").encode());
  EXPECT_FALSE(gap);
  EXPECT_EQ(gap.message(), "Record 4 can't be written: Site.dat holds 2 records.");
  EXPECT_FALSE(db.appendRecord(names::Site, QByteArray()).ok()) << "no record of no bytes";
  EXPECT_EQ(test::readAll(path("Site.dat")).size(), 2 * 154);
}

TEST_F(RecordFileTest, UpdateRecordChangesOnlyWhatTheChangeSets) {
  DatabaseFolder db(dir());
  ASSERT_TRUE(test::writeAll(path("Site.dat"), test::imageOf<Site_Record>({site("A"), site("B")})));
  ASSERT_TRUE(db.updateRecord(names::Site, Site_Record::Length, 2, [](QByteArray& bytes) {
    Site_Record s = Site_Record::decode(bytes);
    s.Deleted = kDeletedFlag;
    bytes = s.encode();
    return Status();
  }));
  EXPECT_EQ(test::readAll(path("Site.dat")), test::imageOf<Site_Record>({site("A"), site("B", -1)}));

  EXPECT_FALSE(db.updateRecord(names::Site, Site_Record::Length, 1, [](QByteArray& bytes) {
    bytes.fill('z');
    return Status::failure("no");
  })) << "a failing change writes nothing";
  EXPECT_FALSE(db.updateRecord(names::Site, Site_Record::Length, 3, [](QByteArray&) { return Status(); }));
  EXPECT_EQ(test::readAll(path("Site.dat")), test::imageOf<Site_Record>({site("A"), site("B", -1)}));
  EXPECT_FALSE(
      db.updateRecord(names::Template, Template_Record::Length, 1, [](QByteArray&) { return Status(); }));
  EXPECT_FALSE(QFile::exists(path("Template.dat"))) << "an update never creates the file";
}

// ---- Several processes ----------------------------------------------------------------------

// Runs `work` in a child process (POSIX and record code only) and returns the child's pid.
template <class Work>
pid_t spawn(Work work) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(work() ? 0 : 1);
  return pid;
}

bool waitOk(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Template_Record namedTemplate(const QString& name) {
  Template_Record t;
  t.Name = name;
  t.VarName[1] = "check";
  t.VarValue[1] = name;  // a second copy, to see that no record was torn
  return t;
}

TEST_F(RecordFileTest, TwoProcessesAppendingTemplatesLoseNoRecord) {
  constexpr int kEach = 150;
  const QString folder = dir();
  auto appender = [folder](char who) {
    return [folder, who] {
      DatabaseFolder db(folder);
      for (int i = 0; i < kEach; ++i) {
        if (!db.appendRecord(names::Template, namedTemplate(QString("%1%2").arg(who).arg(i)).encode()))
          return false;
      }
      return true;
    };
  };
  const pid_t a = spawn(appender('A'));
  const pid_t b = spawn(appender('B'));
  ASSERT_TRUE(waitOk(a));
  ASSERT_TRUE(waitOk(b));

  auto f = DatabaseFolder(dir()).open(names::Template, Template_Record::Length, RecordFile::Access::Read);
  ASSERT_TRUE(f.ok());
  ASSERT_EQ(f->count().value(), 2 * kEach);
  EXPECT_EQ(f->byteLength().value(), 2 * kEach * Template_Record::Length);
  QSet<QString> seen;
  int nextA = 0, nextB = 0;
  for (int n = 1; n <= 2 * kEach; ++n) {
    const Template_Record t = f->readAs<Template_Record>(n).value();
    const QString name = text::trimBlanks(t.Name);
    EXPECT_EQ(text::trimBlanks(t.VarValue[1]), name) << "record " << n << " is whole";
    EXPECT_FALSE(seen.contains(name));
    seen.insert(name);
    // Each writer's records keep their order.
    if (name.startsWith('A')) {
      EXPECT_EQ(name, QString("A%1").arg(nextA++));
    }
    if (name.startsWith('B')) {
      EXPECT_EQ(name, QString("B%1").arg(nextB++));
    }
  }
  EXPECT_EQ(nextA, kEach);
  EXPECT_EQ(nextB, kEach);
}

TEST_F(RecordFileTest, ConcurrentReadModifyWritesOfOneRecordLoseNoUpdate) {
  constexpr int kEach = 200;
  DatabaseFolder db(dir());
  Template_Record counter = namedTemplate("Counter");
  counter.VarValue[2] = "0";
  ASSERT_TRUE(db.appendRecord(names::Template, counter.encode()).ok());
  const QString folder = dir();
  auto incrementer = [folder] {
    DatabaseFolder db(folder);
    for (int i = 0; i < kEach; ++i) {
      Status s = db.updateRecord(names::Template, Template_Record::Length, 1, [](QByteArray& bytes) {
        Template_Record t = Template_Record::decode(bytes);
        t.VarValue[2] = QString::number(text::trimBlanks(t.VarValue[2]).toInt() + 1);
        bytes = t.encode();
        return Status();
      });
      if (!s) return false;
    }
    return true;
  };
  const pid_t a = spawn(incrementer);
  const pid_t b = spawn(incrementer);
  ASSERT_TRUE(waitOk(a));
  ASSERT_TRUE(waitOk(b));
  auto f = db.open(names::Template, Template_Record::Length, RecordFile::Access::Read);
  EXPECT_EQ(text::trimBlanks(f->readAs<Template_Record>(1).value().VarValue[2]), QString::number(2 * kEach));
}

}  // namespace
