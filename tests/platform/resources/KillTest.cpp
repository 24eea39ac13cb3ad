#include "ResourceNetwork.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

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
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
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
}

TEST_F(KillTest, KilledWhileMovingLeavesEveryFileAtSourceOrWholeAtTarget) {
  ASSERT_TRUE(runAndKill("move"));
  check(false);
}

}  // namespace
}  // namespace tavrel::test
