#include "ResourceNetwork.h"

#include "platform/files/FileSystem.h"
#include "platform/security/FileSecurity.h"

#include <QDir>
#include <QFile>

namespace tavrel::test {
namespace {

using namespace files;

class FilesTest : public ResourceNetwork {};

TEST_F(FilesTest, PathResolution) {
  struct Case {
    const char* path;
    const char* server;      // nullptr: fails
    char drive;
    const char* components;  // joined by "/"
    quint32 error;
  };
  const Case cases[] = {
      {"\\\\FILESRV1\\D$\\Users\\jsmith", "FILESRV1", 'D', "Users/jsmith", 0},
      {"\\\\filesrv1\\d$\\Users\\jsmith\\", "FILESRV1", 'D', "Users/jsmith", 0},
      {"\\\\FILESRV1\\D$", "FILESRV1", 'D', "", 0},
      {"//FILESRV1/C$/Temp", "FILESRV1", 'C', "Temp", 0},
      {"\\\\FILESRV1\\Users$\\jsmith", "FILESRV1", 'D', "Users/jsmith", 0},
      {"\\\\FILESRV1.example.local\\users$", "FILESRV1", 'D', "Users", 0},
      {"\\\\FILESRV1\\E$\\x", nullptr, 0, "", err::BAD_NET_NAME},       // no such drive
      {"\\\\FILESRV1\\Nothing$\\x", nullptr, 0, "", err::BAD_NET_NAME},  // no such share
      {"\\\\FILESRV2\\Users$", nullptr, 0, "", err::BAD_NET_NAME},       // another server's share
      {"\\\\NOSUCH\\D$\\x", nullptr, 0, "", err::BAD_NETPATH},
      {"\\\\FILESRV1\\D$\\..\\..\\..\\etc", nullptr, 0, "", err::INVALID_NAME},
      {"\\\\FILESRV1\\D$\\a:b", nullptr, 0, "", err::INVALID_NAME},
      {"\\\\FILESRV1", nullptr, 0, "", err::INVALID_NAME},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto loc = resolve(QString::fromLatin1(c.path));
    if (!c.server) {
      ASSERT_FALSE(loc);
      EXPECT_EQ(loc.error().code, c.error);
      continue;
    }
    ASSERT_TRUE(loc) << loc.error().message.toStdString();
    EXPECT_EQ(loc->server, QString::fromLatin1(c.server));
    EXPECT_EQ(loc->drive, QChar(c.drive));
    EXPECT_EQ(loc->components.join(u'/'), QString::fromLatin1(c.components));
    EXPECT_EQ(loc->root, drivePath(QString::fromLatin1(c.server), QChar(c.drive)));
  }
  ASSERT_TRUE(net->setReachable(QStringLiteral("FILESRV1"), false));
  auto down = resolve(QStringLiteral("\\\\FILESRV1\\D$\\Users"));
  ASSERT_FALSE(down);
  EXPECT_EQ(down.error().code, err::BAD_NETPATH);
}

TEST_F(FilesTest, FoldersAreFoundWithoutRegardToCase) {
  ASSERT_TRUE(createDirectory(QStringLiteral("\\\\FILESRV1\\D$\\Users\\JSmith")));
  EXPECT_TRUE(QDir(drivePath("FILESRV1", 'D', "Users/JSmith")).exists());
  EXPECT_TRUE(exists(QStringLiteral("\\\\FILESRV1\\Users$\\jsmith")));
  auto again = createDirectory(QStringLiteral("\\\\FILESRV1\\D$\\USERS\\jsmith"));
  EXPECT_EQ(again.code(), err::ALREADY_EXISTS);
  EXPECT_EQ(createDirectory(QStringLiteral("\\\\FILESRV1\\D$\\Nowhere\\x")).code(), err::PATH_NOT_FOUND);
  ASSERT_TRUE(createDirectory(QStringLiteral("\\\\FILESRV1\\users$\\jsmith\\Documents")));
  auto entries = list(QStringLiteral("\\\\FILESRV1\\D$\\users\\JSMITH"));
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 1);
  EXPECT_EQ(entries->first().name, "Documents");
  EXPECT_EQ(entries->first().attributes(), 0x10u);
}

TEST_F(FilesTest, WalkVisitsFoldersBeforeTheirContents) {
  QDir().mkpath(drivePath("FILESRV1", 'D', "Users/a/b"));
  QFile f(drivePath("FILESRV1", 'D', "Users/a/b/c.txt"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("hello");
  f.close();
  QStringList seen;
  ASSERT_TRUE(walk(QStringLiteral("\\\\FILESRV1\\Users$"), [&](const QString& p, const DirEntry& e) {
    seen.append(p + (e.isDirectory ? QStringLiteral(" <dir>") : QStringLiteral(" %1").arg(e.size)));
    return true;
  }));
  EXPECT_EQ(seen, (QStringList{"\\\\FILESRV1\\Users$\\a <dir>", "\\\\FILESRV1\\Users$\\a\\b <dir>",
                               "\\\\FILESRV1\\Users$\\a\\b\\c.txt 5"}));
}

TEST_F(FilesTest, NewChildInheritsItsParentsDacl) {
  using namespace security;
  const QString home = QStringLiteral("\\\\FILESRV1\\D$\\Users\\jsmith");
  ASSERT_TRUE(createDirectory(home));
  // Until anything is set, the drive's default comes down by inheritance.
  auto initial = GetFileSecurity(home, info::DACL | info::OWNER);
  ASSERT_TRUE(initial);
  EXPECT_EQ(initial->owner, wellknown::builtinAdministrators());
  ASSERT_EQ(initial->dacl->count(), 3);
  EXPECT_TRUE(initial->dacl->aces()[0].isInherited());

  const Sid user = *Sid::fromString(QStringLiteral("S-1-5-21-1-2-3-1104"));
  SecurityDescriptor sd;
  sd.owner = user;
  Acl acl;
  acl.add(Ace::allow(user, access::FILE_ALL_ACCESS, ace::CONTAINER_INHERIT));
  acl.add(Ace::allow(user, access::FILE_ALL_ACCESS, ace::OBJECT_INHERIT | ace::INHERIT_ONLY));
  sd.dacl = acl;
  sd.flags = control::DACL_PROTECTED;
  ASSERT_TRUE(SetFileSecurity(home, info::DACL | info::OWNER, sd));
  auto set = GetFileSecurity(home, info::DACL | info::OWNER);
  ASSERT_TRUE(set);
  EXPECT_EQ(set->owner, user);
  EXPECT_EQ(set->dacl, acl);

  ASSERT_TRUE(createDirectory(home + QStringLiteral("\\Mail")));
  QFile f(drivePath("FILESRV1", 'D', "Users/jsmith/notes.txt"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  auto folder = GetFileSecurity(home + QStringLiteral("\\Mail"), info::DACL);
  auto file = GetFileSecurity(QStringLiteral("\\\\FILESRV1\\Users$\\jsmith\\NOTES.TXT"), info::DACL);
  ASSERT_TRUE(folder && file);
  EXPECT_EQ(folder->dacl->aces(),
            (QList<Ace>{Ace::allow(user, access::FILE_ALL_ACCESS, ace::CONTAINER_INHERIT | ace::INHERITED),
                        Ace::allow(user, access::FILE_ALL_ACCESS,
                                   ace::OBJECT_INHERIT | ace::INHERIT_ONLY | ace::INHERITED)}));
  EXPECT_EQ(file->dacl->aces(), (QList<Ace>{Ace::allow(user, access::FILE_ALL_ACCESS, ace::INHERITED)}));
  EXPECT_EQ(GetFileSecurity(home + QStringLiteral("\\missing"), info::DACL).code(), err::FILE_NOT_FOUND);
}

TEST_F(FilesTest, NullDaclIsKeptThroughTheStore) {
  using namespace security;
  const QString open = QStringLiteral("\\\\FILESRV1\\D$\\Users\\open");
  ASSERT_TRUE(createDirectory(open));
  SecurityDescriptor sd;
  sd.dacl = Acl::null();
  ASSERT_TRUE(SetFileSecurity(open, info::DACL, sd));
  auto back = GetFileSecurity(open, info::DACL);
  ASSERT_TRUE(back && back->dacl);
  EXPECT_TRUE(back->dacl->isNull());
  // Set again as read: still a NULL DACL, not an empty list that denies everyone.
  ASSERT_TRUE(SetFileSecurity(open, info::DACL, *back));
  EXPECT_TRUE(GetFileSecurity(open, info::DACL)->dacl->isNull());
}

TEST_F(FilesTest, TreeSecurityFollowsMovesAndGoesWithDeletes) {
  using namespace security;
  const QString a = QStringLiteral("\\\\FILESRV1\\D$\\Users\\a");
  ASSERT_TRUE(createDirectory(a));
  ASSERT_TRUE(createDirectory(a + QStringLiteral("\\sub")));
  SecurityDescriptor sd;
  sd.owner = wellknown::localSystem();
  ASSERT_TRUE(SetFileSecurity(a + QStringLiteral("\\sub"), info::OWNER, sd));
  auto from = resolve(a), to = resolve(QStringLiteral("\\\\FILESRV1\\D$\\Users\\b"));
  ASSERT_TRUE(from && to);
  ASSERT_TRUE(moveTree(*from, *to).status);
  EXPECT_EQ(GetFileSecurity(QStringLiteral("\\\\FILESRV1\\D$\\Users\\b\\sub"), info::OWNER)->owner,
            wellknown::localSystem());
  ASSERT_TRUE(deleteTree(*to).status);
  ASSERT_TRUE(createDirectory(QStringLiteral("\\\\FILESRV1\\D$\\Users\\b")));
  ASSERT_TRUE(createDirectory(QStringLiteral("\\\\FILESRV1\\D$\\Users\\b\\sub")));
  // A new folder of the same name does not get the old one's descriptor.
  EXPECT_EQ(GetFileSecurity(QStringLiteral("\\\\FILESRV1\\D$\\Users\\b\\sub"), info::OWNER)->owner,
            wellknown::builtinAdministrators());
}

// Answers No for the names given, Yes for the rest.
class AnswerNo : public Conflicts {
 public:
  explicit AnswerNo(QStringList names) : names_(std::move(names)) {}
  Answer replace(const Location& target, bool) override {
    return names_.contains(target.name(), Qt::CaseInsensitive) ? Answer::No : Answer::Yes;
  }

 private:
  QStringList names_;
};

// A move that takes only part of a tree: descriptors go with exactly the entries that moved.
TEST_F(FilesTest, PartialMoveTakesTheDescriptorsOfWhatMovedOnly) {
  using namespace security;
  struct Case {
    const char* name;
    const char* to;      // the target folder, which exists already
    const char* toDisk;  // the same on disk, below net/servers
  };
  const Case cases[] = {{"across servers", "\\\\FILESRV2\\E$\\jsmith", "FILESRV2/E/jsmith"},
                        {"on the same drive", "\\\\FILESRV1\\D$\\Moved\\jsmith", "FILESRV1/D/Moved/jsmith"}};
  const QString from = QStringLiteral("\\\\FILESRV1\\D$\\Users\\jsmith");
  const QString fromDisk = drivePath("FILESRV1", 'D', "Users/jsmith");
  const Sid user = *Sid::fromString(QStringLiteral("S-1-5-21-1-2-3-1104"));
  // Each entry's own descriptor: protected, the user alone, owned by a SID naming the entry.
  auto own = [&](int rid) {
    SecurityDescriptor sd;
    sd.owner = *Sid::fromString(QStringLiteral("S-1-5-21-9-9-9-%1").arg(rid));
    Acl acl;
    acl.add(Ace::allow(user, access::FILE_ALL_ACCESS));
    sd.dacl = acl;
    sd.flags = control::DACL_PROTECTED;
    return sd;
  };
  auto descriptorOf = [&](const QString& path) {
    auto sd = GetFileSecurity(path, info::OWNER | info::DACL);
    EXPECT_TRUE(sd) << path.toStdString();
    return sd ? *sd : SecurityDescriptor();
  };
  auto put = [](const QString& path, const QByteArray& bytes) {
    QDir().mkpath(path.section(u'/', 0, -2));
    return writeAll(path, bytes);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString to = QString::fromLatin1(c.to);
    const QString toDisk = dir() + QStringLiteral("net/servers/") + QString::fromLatin1(c.toDisk);
    for (const char* f : {"kept.txt", "moved.txt", "blocked.txt", "sub/deep.txt"})
      ASSERT_TRUE(put(fromDisk + u'/' + QString::fromLatin1(f), "source"));
    ASSERT_TRUE(put(toDisk + QStringLiteral("/kept.txt"), "target"));
    QDir().mkpath(toDisk + QStringLiteral("/blocked.txt"));  // a folder in the way: that file fails
    const QStringList names{"kept.txt", "moved.txt", "blocked.txt", "sub", "sub\\deep.txt"};
    for (int i = 0; i < names.size(); ++i)
      ASSERT_TRUE(SetFileSecurity(from + u'\\' + names[i], info::OWNER | info::DACL, own(i)));
    const SecurityDescriptor targetKept = own(50);
    ASSERT_TRUE(SetFileSecurity(to + QStringLiteral("\\kept.txt"), info::OWNER | info::DACL, targetKept));

    auto src = resolve(from), dst = resolve(to);
    ASSERT_TRUE(src && dst);
    AnswerNo no({QStringLiteral("kept.txt")});
    const TreeResult r = moveTree(*src, *dst, &no);
    EXPECT_EQ(r.status.code(), err::ALREADY_EXISTS);  // blocked.txt

    // What stayed keeps its own descriptor; what moved has its own at its new place.
    EXPECT_EQ(readAll(fromDisk + QStringLiteral("/kept.txt")), "source");
    EXPECT_EQ(descriptorOf(from + QStringLiteral("\\kept.txt")), own(0));
    EXPECT_EQ(descriptorOf(from + QStringLiteral("\\blocked.txt")), own(2));
    EXPECT_EQ(descriptorOf(to + QStringLiteral("\\kept.txt")), targetKept);
    EXPECT_EQ(descriptorOf(to + QStringLiteral("\\moved.txt")), own(1));
    EXPECT_EQ(descriptorOf(to + QStringLiteral("\\sub")), own(3));
    EXPECT_EQ(descriptorOf(to + QStringLiteral("\\sub\\deep.txt")), own(4));
    EXPECT_FALSE(QFile::exists(fromDisk + QStringLiteral("/moved.txt")));
    // New entries where moved ones were take nothing of them.
    ASSERT_TRUE(put(fromDisk + QStringLiteral("/moved.txt"), "new"));
    ASSERT_TRUE(createDirectory(from + QStringLiteral("\\sub")));
    for (const char* p : {"\\moved.txt", "\\sub"}) {
      const SecurityDescriptor fresh = descriptorOf(from + QString::fromLatin1(p));
      EXPECT_EQ(fresh.owner, wellknown::builtinAdministrators()) << p;
      EXPECT_FALSE(fresh.daclProtected()) << p;
    }
    // Both ends cleared for the next case.
    ASSERT_TRUE(deleteTree(*src).status);
    ASSERT_TRUE(deleteTree(*dst).status);
  }
}

TEST_F(FilesTest, TreeDaclPropagatesAndOwnersAreSetBelow) {
  using namespace security;
  const QString root = QStringLiteral("\\\\FILESRV1\\D$\\Users\\t");
  QDir().mkpath(drivePath("FILESRV1", 'D', "Users/t/x/y"));
  QFile(drivePath("FILESRV1", 'D', "Users/t/x/y/f.txt")).open(QIODevice::WriteOnly);
  // An explicit ACE below survives propagation; its inherited ones are recomputed.
  SecurityDescriptor below;
  Acl explicitAcl;
  explicitAcl.add(Ace::deny(wellknown::everyone(), access::DELETE));
  below.dacl = explicitAcl;
  ASSERT_TRUE(SetFileSecurity(root + QStringLiteral("\\x"), info::DACL, below));
  const Sid user = *Sid::fromString(QStringLiteral("S-1-5-21-1-2-3-1200"));
  SecurityDescriptor sd;
  sd.owner = user;
  Acl acl;
  acl.add(Ace::allow(user, access::FILE_MODIFY, ace::OBJECT_INHERIT | ace::CONTAINER_INHERIT));
  sd.dacl = acl;
  sd.flags = control::DACL_PROTECTED;
  ASSERT_TRUE(SetFileSecurityTree(root, info::DACL | info::OWNER, sd));
  auto x = GetFileSecurity(root + QStringLiteral("\\x"), info::DACL | info::OWNER);
  auto f = GetFileSecurity(root + QStringLiteral("\\x\\y\\f.txt"), info::DACL | info::OWNER);
  ASSERT_TRUE(x && f);
  EXPECT_EQ(x->owner, user);
  EXPECT_EQ(f->owner, user);
  ASSERT_EQ(x->dacl->count(), 2);
  EXPECT_EQ(x->dacl->aces()[0], Ace::deny(wellknown::everyone(), access::DELETE));
  EXPECT_EQ(x->dacl->aces()[1].sid, user);
  EXPECT_EQ(f->dacl->aces(), (QList<Ace>{Ace::allow(user, access::FILE_MODIFY, ace::INHERITED)}));
}

TEST_F(FilesTest, CopyStagesOutsideTheDriveAndHonoursTheQuota) {
  QDir().mkpath(drivePath("FILESRV1", 'D', "Users/src/deep"));
  for (const char* name : {"Users/src/a.bin", "Users/src/deep/b.bin"}) {
    QFile f(drivePath("FILESRV1", 'D', QString::fromLatin1(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1000, 'a'));
  }
  auto from = resolve(QStringLiteral("\\\\FILESRV1\\D$\\Users\\src"));
  auto to = resolve(QStringLiteral("\\\\FILESRV2\\E$\\dst"));
  ASSERT_TRUE(from && to);
  ASSERT_TRUE(net->setDriveQuota(QStringLiteral("FILESRV2"), u'E', 1500));
  const TreeResult full = copyTree(*from, *to);
  EXPECT_EQ(full.status.code(), err::DISK_FULL);
  EXPECT_FALSE(QDir(drivePath("FILESRV2", 'E', "dst")).exists());  // nothing half-copied
  ASSERT_TRUE(net->setDriveQuota(QStringLiteral("FILESRV2"), u'E', -1));
  const TreeResult ok = copyTree(*from, *to);
  ASSERT_TRUE(ok.status) << ok.status.error().message.toStdString();
  EXPECT_EQ(ok.done, 4);
  EXPECT_EQ(QFile(drivePath("FILESRV2", 'E', "dst/deep/b.bin")).size(), 1000);
  EXPECT_TRUE(QDir(drivePath("FILESRV2", 'E')).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  == QStringList{"dst"});
}

TEST_F(FilesTest, CopyIntoItselfIsRefused) {
  QDir().mkpath(drivePath("FILESRV1", 'D', "Users/loop"));
  auto from = resolve(QStringLiteral("\\\\FILESRV1\\D$\\Users\\loop"));
  auto to = resolve(QStringLiteral("\\\\FILESRV1\\D$\\Users\\LOOP\\inner"));
  ASSERT_TRUE(from && to);
  EXPECT_EQ(copyTree(*from, *to).status.code(), err::INVALID_PARAMETER);
  EXPECT_EQ(moveTree(*from, *to).status.code(), err::INVALID_PARAMETER);
}

}  // namespace
}  // namespace tavrel::test
