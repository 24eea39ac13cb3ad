#pragma once
// What the operation that calls a share, permission or rename procedure lends it: its open
// Log.txt, the database folder the permission lists live in, the "/DEBUG" switch, the on-screen
// log, and the status line a long step reports its progress in. The procedures note here that a
// step ended with a warning, so the operation can turn its final line YELLOW.

#include <QString>

#include <functional>

namespace tavrel::startup {
class LogFile;
}

namespace tavrel::resources {

struct ResourceRun {
  ResourceRun(startup::LogFile& log, QString dbpath) : log(log), dbpath(std::move(dbpath)) {}

  startup::LogFile& log;  // the operation's open Log.txt
  QString dbpath;         // the database folder, ending with its separator
  bool debug = false;     // the command line is "/DEBUG"
  // The on-screen log (LOG_TAB: "GREEN", "YELLOW" or "RED" and the message); may be empty.
  std::function<void(const QString& colour, const QString& message)> LOG_TAB;
  // The bulk window's status line (Label3), shown while a tree is worked on; may be empty.
  std::function<void(const QString& text)> status;

  // A step ended with a warning (a YELLOW line was written).
  bool warned = false;
  // The last line written to Log.txt, so the caller of a procedure that failed can say why.
  QString lastLine;

  void line(const QString& text);
  void debugLine(const QString& text);  // only with "/DEBUG"
  // Writes `text` to Log.txt and as a YELLOW on-screen line, and notes the warning.
  void warn(const QString& text);
  void show(const QString& text);  // the status line
};

}  // namespace tavrel::resources
