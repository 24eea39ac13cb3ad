#include "ResourceNetwork.h"

#include "platform/files/FileSystem.h"
#include "platform/security/FileSecurity.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <unistd.h>
#include <csignal>

namespace tavrel::test {
namespace {

constexpr int kFolders = 3;
constexpr int kFilesPerFolder = 80;
constexpr int kSize = 64 * 1024;

QByteArray fresh(int i) {
  return QByteArray(kSize, char('a' + i % 26));
}
QByteArray old() {
  return QByteArray(kSize / 2, 'Z');
}

QString rel(int folder, int file) {
  return QStringLiteral("f%1/file%2.bin").arg(folder).arg(file);
}

bool write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(path.section(u'/', 0, -2));
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Starts the probe, lets it get part of the way, and kills it with SIGKILL.
class KillTest : public ResourceNetwork {
 protected:
  void SetUp() override {
    ResourceNetwork::SetUp();
    for (int d = 0; d < kFolders; ++d)
      for (int f = 0; f < kFilesPerFolder; ++f) {
        const int i = d * kFilesPerFolder + f;
        ASSERT_TRUE(write(src(rel(d, f)), fresh(i)));
        // Every file is already at the target: each is replaced after a question, which is slow.
        ASSERT_TRUE(write(dst(rel(d, f)), old()));
      }
  }
  qint64 killedPid = 0;
  QString src(const QString& r) const { return drivePath("FILESRV1", 'D', "Users/src/" + r); }
  QString dst(const QString& r) const { return drivePath("FILESRV2", 'E', "dst/" + r); }

  // Runs the probe until some files are done, then kills it; false when it ended on its own.
  bool runAndKill(const char* func) {
    QProcess p;
    p.start(QStringLiteral(TREE_PROBE), {dir() + QStringLiteral("net"), QString::fromLatin1(func),
                                          QStringLiteral("\\\\FILESRV1\\Users$\\src"),
                                          QStringLiteral("\\\\FILESRV2\\E$\\dst")});
    if (!p.waitForReadyRead(10000)) return false;
    for (int spin = 0; spin < 20000; ++spin) {
      if (QFile(dst(rel(0, kFilesPerFolder / 2))).size() == kSize) break;
      QThread::usleep(200);
    }
    if (p.state() != QProcess::Running) return false;
    killedPid = p.processId();
    ::kill(static_cast<pid_t>(killedPid), SIGKILL);
    p.waitForFinished(10000);
    return p.exitStatus() == QProcess::CrashExit;
  }

  // Every file: at its source whole, or whole at its target; `copy`: the source always whole.
  void check(bool copy) {
    int done = 0, left = 0;
    for (int d = 0; d < kFolders; ++d)
      for (int f = 0; f < kFilesPerFolder; ++f) {
        const int i = d * kFilesPerFolder + f;
        SCOPED_TRACE(rel(d, f).toStdString());
        const QByteArray at = readAll(dst(rel(d, f)));
        const bool source = QFile::exists(src(rel(d, f)));
        const bool target = at == fresh(i);
        EXPECT_TRUE(target || at == old()) << "the target holds a partial file";
        if (source) {
          EXPECT_EQ(readAll(src(rel(d, f))), fresh(i));
        }
        if (copy) {
          EXPECT_TRUE(source);
        }
        EXPECT_TRUE(source || target) << "the file is lost";
        (target ? done : left) += 1;
      }
    EXPECT_GT(done, 0);
    EXPECT_GT(left, 0);
    // Nothing but the files, under their own names, at the target.
    for (int d = 0; d < kFolders; ++d)
      EXPECT_EQ(QDir(dst(QStringLiteral("f%1").arg(d))).entryList(QDir::Files | QDir::Hidden).size(), kFilesPerFolder);
  }
};

TEST_F(KillTest, KilledWhileCopyingLeavesEveryFileWhole) {
  ASSERT_TRUE(runAndKill("copy"));
  check(true);
  // The next copy through that server's staging folder removes what the killed one left there,
  // and only that: a staging file of a process that still runs stays.
  const QString staging = dir() + QStringLiteral("net/servers/FILESRV2/.staging");
  const QString deadOne = staging + QStringLiteral("/.~tavrel-%1-00000000000000aa.tmp").arg(killedPid);
  const QString liveOne = staging + QStringLiteral("/.~tavrel-%1-00000000000000bb.tmp").arg(::getppid());
  ASSERT_TRUE(write(deadOne, "partial"));
  ASSERT_TRUE(write(liveOne, "in use"));
  ASSERT_TRUE(write(src(QStringLiteral("late.bin")), "late"));
  auto from = files::resolve(QStringLiteral("\\\\FILESRV1\\Users$\\src\\late.bin"));
  auto to = files::resolve(QStringLiteral("\\\\FILESRV2\\E$\\dst\\late.bin"));
  ASSERT_TRUE(from && to);
  ASSERT_TRUE(files::copyTree(*from, *to).status);
  EXPECT_EQ(QDir(staging).entryList(QDir::Files | QDir::Hidden), QStringList{liveOne.section(u'/', -1)});
}

TEST_F(KillTest, KilledWhileMovingLeavesEveryFileAtSourceOrWholeAtTarget) {
  ASSERT_TRUE(runAndKill("move"));
  check(false);
}

// Descriptors and the disk agree after a process dies part way through a move: each file has its
// own descriptor wherever it is, and a new file where a moved one was takes nothing of it.
class KillDescriptorTest : public ResourceNetwork {
 protected:
  static constexpr int kFiles = 6;
  static QString name(int i) { return QStringLiteral("file%1.txt").arg(i); }
  static QString from(int i) { return QStringLiteral("\\\\FILESRV1\\Users$\\src\\") + name(i); }
  static QString to(int i) { return QStringLiteral("\\\\FILESRV2\\E$\\dst\\") + name(i); }
  static security::SecurityDescriptor own(int i) {
    using namespace security;
    SecurityDescriptor sd;
    sd.owner = *Sid::fromString(QStringLiteral("S-1-5-21-9-9-9-%1").arg(1000 + i));
    Acl acl;
    acl.add(Ace::allow(*sd.owner, access::FILE_ALL_ACCESS));
    sd.dacl = acl;
    sd.flags = control::DACL_PROTECTED;
    return sd;
  }
  void SetUp() override {
    ResourceNetwork::SetUp();
    if (HasFatalFailure()) return;
    QDir().mkpath(drivePath("FILESRV2", 'E', "dst"));  // the target exists: files move one by one
    for (int i = 0; i < kFiles; ++i) {
      ASSERT_TRUE(write(drivePath("FILESRV1", 'D', "Users/src/" + name(i)), "x"));
      ASSERT_TRUE(security::SetFileSecurity(from(i), security::info::OWNER | security::info::DACL, own(i)));
    }
  }
  // Runs the move in a probe that dies as `mode` says.
  void runProbe(const QStringList& extra) {
    QProcess p;
    p.start(QStringLiteral(TREE_PROBE), QStringList{dir() + QStringLiteral("net"), QStringLiteral("move"),
                                                    QStringLiteral("\\\\FILESRV1\\Users$\\src"),
                                                    QStringLiteral("\\\\FILESRV2\\E$\\dst")} +
                                            extra);
    ASSERT_TRUE(p.waitForFinished(20000));
  }
  void checkConsistent(int expectMoved) {
    using namespace security;
    int moved = 0;
    for (int i = 0; i < kFiles; ++i) {
      SCOPED_TRACE(name(i).toStdString());
      const bool atTarget = exists(drivePath("FILESRV2", 'E', "dst/" + name(i)));
      const bool atSource = exists(drivePath("FILESRV1", 'D', "Users/src/" + name(i)));
      ASSERT_NE(atTarget, atSource);
      moved += atTarget;
      auto sd = GetFileSecurity(atTarget ? to(i) : from(i), info::OWNER | info::DACL);
      ASSERT_TRUE(sd);
      EXPECT_EQ(*sd, own(i));
      if (atTarget) {
        // A new file where the moved one was inherits; it does not get the old descriptor.
        ASSERT_TRUE(write(drivePath("FILESRV1", 'D', "Users/src/" + name(i)), "new"));
        auto fresh = GetFileSecurity(from(i), info::OWNER | info::DACL);
        ASSERT_TRUE(fresh);
        EXPECT_EQ(fresh->owner, wellknown::builtinAdministrators());
        EXPECT_FALSE(fresh->daclProtected());
      }
    }
    EXPECT_EQ(moved, expectMoved);
  }
  static bool exists(const QString& path) { return QFile::exists(path); }
};

TEST_F(KillDescriptorTest, DyingBetweenAMoveOnDiskAndItsRecordLeavesNoStaleDescriptor) {
  // The third file has moved on disk; the process dies before the network hears of it.
  runProbe({QStringLiteral("3")});
  checkConsistent(3);
}

TEST_F(KillDescriptorTest, DyingBetweenARemovalOnDiskAndItsRecordLeavesNoStaleDescriptor) {
  // Every file moved; the emptied source folder is removed and the process dies before the
  // network hears of it. A new folder of that name takes nothing of the old one.
  ASSERT_TRUE(security::SetFileSecurity(QStringLiteral("\\\\FILESRV1\\Users$\\src"),
                                        security::info::OWNER | security::info::DACL, own(99)));
  runProbe({QString::number(kFiles + 1)});
  EXPECT_FALSE(QDir(drivePath("FILESRV1", 'D', "Users/src")).exists());
  ASSERT_TRUE(files::createDirectory(QStringLiteral("\\\\FILESRV1\\Users$\\src")));
  auto fresh = security::GetFileSecurity(QStringLiteral("\\\\FILESRV1\\Users$\\src"), security::info::OWNER);
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->owner, security::wellknown::builtinAdministrators());
  checkConsistent(kFiles);
}

}  // namespace
}  // namespace tavrel::test
