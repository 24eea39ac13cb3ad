#pragma once
// Small services the windows reach through one place, so that tests can observe or replace them:
// the beep, the screen width, the hourglass pointer and opening a file in the user's editor.

#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace tavrel::ui {

// The system beep. Tests count the beeps.
class Feedback {
 public:
  virtual ~Feedback() = default;
  virtual void beep();
  int beeps() const { return beeps_; }
  void resetBeeps() { beeps_ = 0; }

 protected:
  int beeps_ = 0;
};

// A Feedback that counts but makes no sound.
class SilentFeedback : public Feedback {
 public:
  void beep() override { ++beeps_; }
};

Feedback& feedback();
void setFeedback(Feedback* f);  // nullptr restores the system beep

// A length of the windows' original layout, given in twips (1440 to the inch), in pixels of
// `widget`'s screen (15 twips to a pixel at 96 dpi); the primary screen's when no widget is given.
int twipsToPixels(int twips, const QWidget* widget = nullptr);

// The primary screen's width in device-independent pixels; tests inject a width.
int screenWidth();
void setScreenWidthOverride(int width);  // 0 removes the override
// The part of the primary screen windows may cover (without panels); tests inject an area.
QRect availableScreenArea();
void setAvailableScreenAreaOverride(const QRect& area);  // an empty rectangle removes the override

// Shows the hourglass pointer for its lifetime; restored on every path out of the scope.
class HourglassGuard {
 public:
  HourglassGuard();
  ~HourglassGuard();
  HourglassGuard(const HourglassGuard&) = delete;
  HourglassGuard& operator=(const HourglassGuard&) = delete;
};

// The program and arguments that open `path` in the user's editor: $VISUAL, else $EDITOR (each
// split into words as a command line, no shell), else xdg-open. The path is always one argument.
struct EditorCommand {
  QString program;
  QStringList arguments;
};
EditorCommand editorCommandFor(const QString& path);

// Starts the editor on `path` without waiting. False (with a reason) when it could not start.
using Launcher = std::function<bool(const QString& program, const QStringList& args)>;
bool openInEditor(const QString& path, QString* error = nullptr);
void setLauncher(Launcher l);  // an empty function restores QProcess::startDetached

}  // namespace tavrel::ui
