#pragma once
// The command runner: `clsShell` and its one instance `Shell_Object`.

#include "platform/process/Process.h"

#include <QString>

#include <cstdint>

namespace tavrel::startup {
class LogFile;
}

namespace tavrel::resources {

// How long a command waited for may run before it is stopped.
constexpr int kCommandTimeoutMs = 10 * 60 * 1000;

class clsShell {
 public:
  // Runs a command line, split into its arguments as Windows does and started without a shell.
  // With Wait the event loop keeps running until the command ends, the time-out passes or the
  // shared cancel flag is set, and the result carries the exit code; without Wait it carries the
  // process id. A command that cannot be started without Wait writes "Error with :" and the
  // command line, then the error number, to `log`. WindowStyle (0 hidden, 1 normal) is recorded.
  process::SpawnResult Spawn(const QString& CommandLine, bool Wait, int16_t WindowStyle,
                             startup::LogFile* log = nullptr, int timeoutMs = kCommandTimeoutMs);
  // The same with the arguments already apart (values substituted into a split command line).
  process::SpawnResult Spawn(const QStringList& Arguments, bool Wait, int16_t WindowStyle,
                             startup::LogFile* log = nullptr, int timeoutMs = kCommandTimeoutMs);
};

// The one command runner, created on first use and kept for the life of the process.
clsShell& Shell_Object();

}  // namespace tavrel::resources
