// A process killed while it moves a user's data leaves every file whole, at its source or at its
// target, and nothing of the user's lost.

#include "MoveFixture.h"

#include <QProcess>
#include <QThread>

#include <csignal>

namespace tavrel::test {
namespace {

constexpr int kFiles = 240;
constexpr int kSize = 64 * 1024;

QByteArray fresh(int i) {
  return QByteArray(kSize, char('a' + i % 26));
}
QByteArray stale() {
  return QByteArray(kSize / 2, 'Z');
}
QString rel(int i) {
  return QStringLiteral("f%1/file%2.bin").arg(i % 3).arg(i);
}

class MoveKill : public MoveFixture {};

TEST_F(MoveKill, KilledWhileMovingLeavesEveryFileWholeAtSourceOrTarget) {
  for (int i = 0; i < kFiles; ++i) {
    put('D', "Users/jsmith/" + rel(i), fresh(i));
    put('E', "Home/jsmith/" + rel(i), stale());  // each file is replaced after a question: slow
  }
  setAttr(jsmithPath(), "HomeDirectory", "\\\\FILESRV1\\Users$\\jsmith");
  sharePermFor(1);
  const auto src = [&](int i) { return drivePath("FILESRV1", 'D', "Users/jsmith/" + rel(i)); };
  const auto dst = [&](int i) { return drivePath("FILESRV2", 'E', "Home/jsmith/" + rel(i)); };

  QProcess p;
  p.start(QStringLiteral(MOVE_PROBE), {dir() + QStringLiteral("net"), dir()});
  ASSERT_TRUE(p.waitForReadyRead(10000));
  for (int spin = 0; spin < 50000; ++spin) {
    if (QFile(dst(kFiles / 2)).size() == kSize) break;
    QThread::usleep(200);
  }
  ASSERT_EQ(p.state(), QProcess::Running) << "the move ended before it could be killed";
  ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
  p.waitForFinished(10000);
  ASSERT_EQ(p.exitStatus(), QProcess::CrashExit);

  int done = 0, left = 0;
  for (int i = 0; i < kFiles; ++i) {
    SCOPED_TRACE(rel(i).toStdString());
    const QByteArray at = readAll(dst(i));
    const bool source = QFile::exists(src(i));
    const bool target = at == fresh(i);
    EXPECT_TRUE(target || at == stale()) << "the target holds a partial file";
    if (source) {
      EXPECT_EQ(readAll(src(i)), fresh(i));
    }
    EXPECT_TRUE(source || target) << "the file is lost";
    (target ? done : left) += 1;
  }
  EXPECT_GT(done, 0);
  EXPECT_GT(left, 0);
  // The old share and every other user's folder are untouched.
  EXPECT_TRUE(shareTable().contains("FILESRV1\\Users$=D:\\Users"));
  EXPECT_EQ(readAll(drivePath("FILESRV1", 'D', "Users/jsmith2/x.txt")), "other: Users/jsmith2/x.txt");
}

}  // namespace
}  // namespace tavrel::test
