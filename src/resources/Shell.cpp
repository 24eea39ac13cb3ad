#include "resources/Shell.h"

#include "startup/LogFile.h"
#include "state/SharedState.h"

namespace tavrel::resources {

namespace {

process::SpawnResult run(const QStringList& arguments, const QString& shown, bool wait, int16_t style,
                         startup::LogFile* log, int timeoutMs) {
  process::SpawnOptions o;
  o.wait = wait;
  o.windowStyle = style;
  o.timeoutMs = timeoutMs;
  o.cancelRequested = [] { return state::shared().Cancel_Flag; };
  process::SpawnResult r = process::spawn(arguments, o);
  if (!wait && r.outcome == process::SpawnResult::Outcome::NotStarted && log) {
    log->line(QStringLiteral("Error with :") + shown);
    log->line(QString::number(r.error));
  }
  return r;
}

}  // namespace

process::SpawnResult clsShell::Spawn(const QString& CommandLine, bool Wait, int16_t WindowStyle,
                                     startup::LogFile* log, int timeoutMs) {
  return run(process::splitCommandLine(CommandLine), CommandLine, Wait, WindowStyle, log, timeoutMs);
}

process::SpawnResult clsShell::Spawn(const QStringList& Arguments, bool Wait, int16_t WindowStyle,
                                     startup::LogFile* log, int timeoutMs) {
  return run(Arguments, process::joinCommandLine(Arguments), Wait, WindowStyle, log, timeoutMs);
}

clsShell& Shell_Object() {
  static clsShell shell;
  return shell;
}

}  // namespace tavrel::resources
