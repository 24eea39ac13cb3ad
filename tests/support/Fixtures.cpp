#include "support/Fixtures.h"

#include "state/SharedState.h"

#include <QDir>
#include <QFile>

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
