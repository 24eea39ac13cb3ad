#include "ui/Services.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QWidget>

namespace tavrel::ui {
namespace {
Feedback gSystemFeedback;
Feedback* gFeedback = &gSystemFeedback;
int gScreenOverride = 0;
QRect gAreaOverride;
Launcher gLauncher;
}  // namespace

void Feedback::beep() {
  ++beeps_;
  QApplication::beep();
}

Feedback& feedback() { return *gFeedback; }
void setFeedback(Feedback* f) { gFeedback = f ? f : &gSystemFeedback; }

int twipsToPixels(int twips, const QWidget* widget) {
  int dpi = widget ? widget->logicalDpiX() : 0;
  if (dpi <= 0) {
    const QScreen* s = QGuiApplication::primaryScreen();
    dpi = s ? qRound(s->logicalDotsPerInchX()) : 96;
  }
  return qRound(twips * dpi / 1440.0);
}

int screenWidth() {
  if (gScreenOverride > 0) return gScreenOverride;
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 0;
}
void setScreenWidthOverride(int width) { gScreenOverride = width; }

QRect availableScreenArea() {
  if (!gAreaOverride.isEmpty()) return gAreaOverride;
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->availableGeometry() : QRect();
}
void setAvailableScreenAreaOverride(const QRect& area) {
  gAreaOverride = area;
}

HourglassGuard::HourglassGuard() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
HourglassGuard::~HourglassGuard() { QGuiApplication::restoreOverrideCursor(); }

EditorCommand editorCommandFor(const QString& path) {
  for (const char* var : {"VISUAL", "EDITOR"}) {
    const QStringList words = QProcess::splitCommand(QString::fromLocal8Bit(qgetenv(var)));
    if (!words.isEmpty()) {
      EditorCommand c{words.front(), words.mid(1)};
      c.arguments << path;
      return c;
    }
  }
  return {QStringLiteral("xdg-open"), {path}};
}

bool openInEditor(const QString& path, QString* error) {
  const EditorCommand c = editorCommandFor(path);
  const bool ok = gLauncher ? gLauncher(c.program, c.arguments)
                            : QProcess::startDetached(c.program, c.arguments);
  // The path is named so that the file can be opened by hand.
  if (!ok && error)
    *error = QStringLiteral("Could not start %1.\r\nOpen the file by hand: %2")
                 .arg(c.program, QDir::toNativeSeparators(path));
  return ok;
}

void setLauncher(Launcher l) { gLauncher = std::move(l); }

}  // namespace tavrel::ui
