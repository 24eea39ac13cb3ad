#pragma once
// Running commands: a command line is split into its arguments as Windows' command-line parser
// does and the program is started directly, never through a shell, so a value cannot become a
// second command. Waiting keeps the event loop running and can time out or be cancelled.

#include <QString>
#include <QStringList>

#include <functional>

namespace tavrel::process {

// The arguments of a command line: the first (the program) up to a blank or between quotes; the
// others separated by blanks and tabs, with "..." grouping, \" a literal quote, "" inside quotes
// a literal quote, and backslashes literal unless they come before a quote (2n backslashes and a
// quote: n backslashes and the quote groups; 2n+1: n backslashes and a literal quote).
QStringList splitCommandLine(const QString& commandLine);
// The argument written so that splitCommandLine gives it back whole.
QString quoteArgument(const QString& argument);
QString joinCommandLine(const QStringList& arguments);
// Splits the command line first and then applies `substitute` to each argument, so that a
// substituted value with blanks, quotes or & | ; < > stays inside its argument.
QStringList expandArguments(const QString& commandLine, const std::function<QString(const QString&)>& substitute);

// Show-window values.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;

// What the start-up record of the process held. The window style has no effect here: the
// programs run have no windows of their own to show or hide.
struct StartupInfo {
  quint32 cb = 68;
  quint32 dwFlags = 1;  // STARTF_USESHOWWINDOW
  quint16 wShowWindow = SW_SHOWNORMAL;
};

struct SpawnOptions {
  bool wait = false;
  int windowStyle = SW_SHOWNORMAL;
  int timeoutMs = -1;  // with wait: stop the command after this long (-1: no limit)
  // With wait: asked about every 50 ms; true stops the command.
  std::function<bool()> cancelRequested;
};

struct SpawnResult {
  enum class Outcome {
    NotStarted,  // the program could not be started (error holds the Win32 error number)
    Started,     // without wait: running as `pid`
    Exited,      // with wait: ended with `exitCode`
    Crashed,     // with wait: ended by a signal
    TimedOut,    // with wait: stopped after the time-out
    Cancelled,   // with wait: stopped on request
  };
  Outcome outcome = Outcome::NotStarted;
  qint64 pid = 0;
  int exitCode = 0;
  quint32 error = 0;  // NotStarted: 2 no such program, 5 not allowed to run it
  StartupInfo startup;
};

SpawnResult spawn(const QStringList& arguments, const SpawnOptions& options);
SpawnResult spawn(const QString& commandLine, const SpawnOptions& options);

}  // namespace tavrel::process
