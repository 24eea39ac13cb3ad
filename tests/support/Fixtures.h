#pragma once
// Fixtures shared by the tests: a temporary folder, a private settings file, a fresh shared
// state, scripted dialogs, a silent beep counter and a fixed clock.

#include "startup/Clock.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tavrel::test {

QByteArray readAll(const QString& path);
bool writeAll(const QString& path, const QByteArray& bytes);
// Writes `bytes` over the start of the file at `path`, in place, and puts its access and change
// times back as they were: what two saves within one tick of the file system's clock leave.
bool overwriteKeepingTimes(const QString& path, const QByteArray& bytes);

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The temporary folder; `dir()` ends with "/".
  QString dir() const { return tmp.path() + u'/'; }
  QString configPath() const { return dir() + QStringLiteral("config/Tavrel.conf"); }

  QTemporaryDir tmp;
  ui::ScriptedPrompter prompts;
  ui::SilentFeedback beeps;
  startup::FixedClock fixedClock{QDateTime(QDate(2002, 12, 9), QTime(14, 5, 33))};
};

}  // namespace tavrel::test
