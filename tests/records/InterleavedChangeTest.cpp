// Another instance changing a record file after this one found the record to change and before
// it locked it: the change is made to the record as it is under the lock, and only when that
// record is still the one wanted.

#include "Support.h"

#include "records/DatabaseFolder.h"
#include "records/Lookup.h"
#include "records/PropertyLists.h"
#include "records/TemplateEditing.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <QFile>

#include <functional>

using namespace tavrel;
using namespace tavrel::records;

namespace {

// The system calls, except that just before the first record lock is taken, `between` runs once:
// what another instance does while this one goes from its search to its write.
class InterleavingOps : public FileOps {
 public:
  explicit InterleavingOps(std::function<void()> between) : between_(std::move(between)) {}
  int lock(int fd, short type, qint64 start, qint64 len) override {
    if (type == F_WRLCK && len > 1 && between_) {
      auto run = std::move(between_);
      between_ = nullptr;
      run();
    }
    return FileOps::lock(fd, type, start, len);
  }
  bool ran() const { return !between_; }

 private:
  std::function<void()> between_;
};

Site_Record site(const QString& name, int16_t deleted = 0) {
  Site_Record s;
  s.Deleted = deleted;
  s.SiteName = name;
  s.HomeServer = QStringLiteral("FS1");
  return s;
}

Template_Record tmpl(const QString& name, const QString& homeShare, int16_t deleted = 0) {
  Template_Record t;
  t.Deleted = deleted;
  t.Name = name;
  t.HomeShareUNC = homeShare;
  t.PrimaryGroup = QStringLiteral("Domain Users");
  return t;
}

class InterleavedChange : public test::FolderFixture {
 protected:
  template <class R>
  QList<R> onDisk(const QString& name) const {
    const QByteArray bytes = file(name);
    QList<R> out;
    for (int at = 0; at + R::Length <= bytes.size(); at += R::Length)
      out << R::decode(bytes.mid(at, R::Length));
    return out;
  }
  // Rewrites the file whole, as another instance's compaction or write does, without a lock.
  void rewrite(const QString& name, const QByteArray& bytes) {
    QFile f(db() + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }
};

// Another instance compacts Site.dat between the search and the lock: the record number found
// now holds the next site. The site named is deleted, not the one that moved into its place.
TEST_F(InterleavedChange, ACompactionInBetweenDoesNotMakeADeleteHitAnotherSite) {
  struct Case {
    const char* what;
    std::function<Result<int>(const DatabaseFolder&)> act;
    QStringList liveAfter;  // "name:homeServer" of the live records
  };
  const Case cases[] = {
      {"delete",
       [](const DatabaseFolder& d) { return deleteSite(d, QStringLiteral("North")); },
       {"South:FS1"}},
      {"save edited",
       [](const DatabaseFolder& d) {
         Site_Record edited = site(QStringLiteral("North"));
         edited.HomeServer = QStringLiteral("FS9");
         return saveEditedSite(d, QStringLiteral("North"), edited);
       },
       {"North:FS9", "South:FS1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    put(names::Site, test::imageOf<Site_Record>({site("Gone", kDeletedFlag), site("North"), site("South")}));
    InterleavingOps ops([&] {
      rewrite(names::Site, test::imageOf<Site_Record>({site("North"), site("South")}));
    });
    auto n = c.act(DatabaseFolder(db(), ops));
    ASSERT_TRUE(ops.ran());
    ASSERT_TRUE(n.ok()) << n.message().toStdString();
    EXPECT_EQ(n.value(), 1) << "the record the site has after the compaction";
    QStringList live;
    for (const Site_Record& r : onDisk<Site_Record>(names::Site))
      if (r.Deleted == 0) live << r.SiteName.trimmed() + u':' + r.HomeServer.trimmed();
    EXPECT_EQ(live, c.liveAfter);
  }
}

// Another instance changes the template's record in place between the search and the lock: a
// write that sets some fields keeps what the other instance wrote into the others.
TEST_F(InterleavedChange, FieldsAnotherInstanceWroteMeanwhileAreKept) {
  const Template_Record before = tmpl("Staff", "\\\\FS1\\Home");
  Template_Record changed = before;
  changed.HomeShareUNC = "\\\\FS2\\Home";
  changed.VarName[1] = "Dept";
  changed.VarValue[1] = "Sales";

  put(names::Template, test::imageOf<Template_Record>({tmpl("Other", "x"), before}));
  InterleavingOps ops([&] {
    rewrite(names::Template, test::imageOf<Template_Record>({tmpl("Other", "x"), changed}));
  });
  auto n = writeTemplateVariables(DatabaseFolder(db(), ops), "staff", {{"Room", "12"}});
  ASSERT_TRUE(ops.ran());
  ASSERT_TRUE(n.ok()) << n.message().toStdString();
  EXPECT_EQ(n.value(), 2);
  const Template_Record after = onDisk<Template_Record>(names::Template)[1];
  EXPECT_EQ(after.HomeShareUNC.trimmed(), "\\\\FS2\\Home") << "the other instance's change is kept";
  EXPECT_EQ(variablesOf(after), (std::vector<TemplateVariable>{{"Room", "12"}}));

  // Deleting keeps it too: only the flag changes.
  put(names::Template, test::imageOf<Template_Record>({tmpl("Other", "x"), before}));
  InterleavingOps ops2([&] {
    rewrite(names::Template, test::imageOf<Template_Record>({tmpl("Other", "x"), changed}));
  });
  auto gone = deleteTemplate(DatabaseFolder(db(), ops2), "Staff");
  ASSERT_TRUE(gone.ok());
  Template_Record expected = Template_Record::decode(changed.encode());
  expected.Deleted = kDeletedFlag;
  EXPECT_EQ(onDisk<Template_Record>(names::Template)[1], expected);
}

// Another instance deletes (or renames) the template meanwhile: nothing is written to its record.
TEST_F(InterleavedChange, ARecordThatNoLongerMatchesIsNotWritten) {
  const QByteArray renamed =
      test::imageOf<Template_Record>({tmpl("Other", "x"), tmpl("Pupils", "\\\\FS1\\Home")});
  put(names::Template, test::imageOf<Template_Record>({tmpl("Other", "x"), tmpl("Staff", "\\\\FS1\\Home")}));
  InterleavingOps ops([&] { rewrite(names::Template, renamed); });
  auto n = writeTemplateVariables(DatabaseFolder(db(), ops), "Staff", {{"Room", "12"}});
  ASSERT_TRUE(ops.ran());
  ASSERT_TRUE(n.ok()) << n.message().toStdString();
  EXPECT_EQ(n.value(), 0) << "no live template of the name is left";
  EXPECT_EQ(file(names::Template), renamed);
}

}  // namespace
