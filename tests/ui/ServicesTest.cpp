#include "ui/Services.h"

#include <QCursor>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace tavrel::ui;

namespace {

struct EnvGuard {
  QByteArray visual = qgetenv("VISUAL"), editor = qgetenv("EDITOR");
  ~EnvGuard() {
    qputenv("VISUAL", visual);
    qputenv("EDITOR", editor);
  }
};

TEST(Editor, PathWithBlanksIsOneArgument) {
  EnvGuard g;
  const QString path = "/tmp/data base/Log.txt";
  qputenv("VISUAL", "");
  qputenv("EDITOR", "");
  EditorCommand c = editorCommandFor(path);
  EXPECT_EQ(c.program, "xdg-open");
  EXPECT_EQ(c.arguments, QStringList{path});

  qputenv("EDITOR", "emacs -nw");
  c = editorCommandFor(path);
  EXPECT_EQ(c.program, "emacs");
  EXPECT_EQ(c.arguments, (QStringList{"-nw", path}));

  qputenv("VISUAL", "gedit");
  c = editorCommandFor(path);
  EXPECT_EQ(c.program, "gedit") << "VISUAL comes before EDITOR";
  EXPECT_EQ(c.arguments, QStringList{path});
}

TEST(Editor, NoShellInterpretsThePath) {
  EnvGuard g;
  qputenv("VISUAL", "");
  qputenv("EDITOR", "");
  const QString path = "/tmp/x; rm -rf ~/$(id)/Log.txt";
  QStringList seen;
  setLauncher([&](const QString& program, const QStringList& args) {
    seen = QStringList{program} + args;
    return true;
  });
  EXPECT_TRUE(openInEditor(path));
  setLauncher({});
  EXPECT_EQ(seen, (QStringList{"xdg-open", path}));
}

TEST(Services, ScreenWidthOverrideAndHourglass) {
  setScreenWidthOverride(1023);
  EXPECT_EQ(screenWidth(), 1023);
  setScreenWidthOverride(0);
  EXPECT_GT(screenWidth(), 0);
  {
    HourglassGuard g;
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Services, HourglassRestoredWhenLeftByException) {
  try {
    HourglassGuard g;
    throw 1;
  } catch (int) {
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Services, SilentFeedbackCounts) {
  SilentFeedback f;
  setFeedback(&f);
  feedback().beep();
  feedback().beep();
  EXPECT_EQ(f.beeps(), 2);
  setFeedback(nullptr);
}

}  // namespace
