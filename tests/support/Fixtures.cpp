#include "support/Fixtures.h"

#include "state/SharedState.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace tavrel::test {

QByteArray readAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(bytes) == bytes.size();
}

bool overwriteKeepingTimes(const QString& path, const QByteArray& bytes) {
  const QByteArray name = QFile::encodeName(path);
  struct stat before {};
  if (::stat(name.constData(), &before) != 0) return false;
  {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || f.write(bytes) != bytes.size()) return false;
  }
  const timespec times[2] = {before.st_atim, before.st_mtim};
  return ::utimensat(AT_FDCWD, name.constData(), times, 0) == 0;
}

void AppFixture::SetUp() {
  ASSERT_TRUE(tmp.isValid());
  qputenv("TAVREL_CONFIG", QFile::encodeName(configPath()));
  state::resetShared();
  ui::setPrompter(&prompts);
  ui::setFeedback(&beeps);
  startup::setClock(&fixedClock);
}

void AppFixture::TearDown() {
  ui::setPrompter(nullptr);
  ui::setFeedback(nullptr);
  ui::setLauncher({});
  ui::setScreenWidthOverride(0);
  ui::setAvailableScreenAreaOverride({});
  startup::setClock(nullptr);
  state::resetShared();
  qunsetenv("TAVREL_CONFIG");
}

}  // namespace tavrel::test
