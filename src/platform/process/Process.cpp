#include "platform/process/Process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace tavrel::process {

QStringList splitCommandLine(const QString& commandLine) {
  QStringList out;
  const QString& s = commandLine;
  qsizetype i = 0;
  const qsizetype n = s.size();
  auto blank = [&](qsizetype at) { return s[at] == u' ' || s[at] == u'\t'; };
  while (i < n && blank(i)) ++i;
  if (i >= n) return out;
  // The program name: no escapes.
  QString program;
  if (s[i] == u'"') {
    ++i;
    while (i < n && s[i] != u'"') program += s[i++];
    if (i < n) ++i;
  } else {
    while (i < n && !blank(i)) program += s[i++];
  }
  out.append(program);
  for (;;) {
    while (i < n && blank(i)) ++i;
    if (i >= n) break;
    QString arg;
    bool quoted = false;
    while (i < n && (quoted || !blank(i))) {
      if (s[i] == u'\\') {
        qsizetype slashes = 0;
        while (i < n && s[i] == u'\\') ++slashes, ++i;
        if (i < n && s[i] == u'"') {
          arg += QString(slashes / 2, u'\\');
          if (slashes % 2) {
            arg += u'"';
            ++i;
          }
        } else {
          arg += QString(slashes, u'\\');
        }
        continue;
      }
      if (s[i] == u'"') {
        if (quoted && i + 1 < n && s[i + 1] == u'"') {
          arg += u'"';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      arg += s[i++];
    }
    out.append(arg);
  }
  return out;
}

QString quoteArgument(const QString& argument) {
  if (!argument.isEmpty() && !argument.contains(u' ') && !argument.contains(u'\t') && !argument.contains(u'"'))
    return argument;
  QString out = QStringLiteral("\"");
  qsizetype slashes = 0;
  for (QChar c : argument) {
    if (c == u'\\') {
      ++slashes;
      continue;
    }
    if (c == u'"') {
      out += QString(slashes * 2 + 1, u'\\');
      out += u'"';
    } else {
      out += QString(slashes, u'\\');
      out += c;
    }
    slashes = 0;
  }
  out += QString(slashes * 2, u'\\');
  out += u'"';
  return out;
}

QString joinCommandLine(const QStringList& arguments) {
  QStringList parts;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    // The program name has no escapes: quoted only when it holds a blank.
    parts.append(i == 0 ? (a.contains(u' ') || a.contains(u'\t') || a.isEmpty() ? u'"' + a + u'"' : a)
                        : quoteArgument(a));
  }
  return parts.join(u' ');
}

QStringList expandArguments(const QString& commandLine, const std::function<QString(const QString&)>& substitute) {
  QStringList args = splitCommandLine(commandLine);
  for (QString& a : args) a = substitute(a);
  return args;
}

namespace {

// 2 when there is no such program, 5 when it exists but cannot be run.
quint32 startError(const QString& program) {
  if (!QStandardPaths::findExecutable(program).isEmpty()) return 5;
  return program.contains(u'/') && QFileInfo::exists(program) ? 5 : 2;
}

}  // namespace

SpawnResult spawn(const QStringList& arguments, const SpawnOptions& options) {
  SpawnResult r;
  r.startup.wShowWindow = static_cast<quint16>(options.windowStyle);
  if (arguments.isEmpty() || arguments.first().isEmpty()) {
    r.error = 2;
    return r;
  }
  const QString program = arguments.first();
  const QStringList args = arguments.mid(1);
  if (!options.wait) {
    qint64 pid = 0;
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setStandardInputFile(QProcess::nullDevice());
    if (!p.startDetached(&pid)) {
      r.error = startError(program);
      return r;
    }
    r.outcome = SpawnResult::Outcome::Started;
    r.pid = pid;
    return r;
  }
  QProcess p;
  p.setProgram(program);
  p.setArguments(args);
  p.setProcessChannelMode(QProcess::ForwardedChannels);
  p.setStandardInputFile(QProcess::nullDevice());
  p.start();
  if (!p.waitForStarted(-1)) {
    r.error = startError(program);
    return r;
  }
  r.pid = p.processId();
  const QDeadlineTimer deadline = options.timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                         : QDeadlineTimer(options.timeoutMs);
  bool timedOut = false, cancelled = false;
  auto check = [&] {
    if (p.state() == QProcess::NotRunning) return true;
    if (options.cancelRequested && options.cancelRequested()) cancelled = true;
    else if (deadline.hasExpired()) timedOut = true;
    return cancelled || timedOut;
  };
  if (QCoreApplication::instance()) {
    // The windows keep repainting and answering while the command runs.
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (check()) loop.quit();
    });
    poll.start();
    if (!check()) loop.exec();
  } else {
    while (!check()) p.waitForFinished(50);
  }
  if (p.state() != QProcess::NotRunning) {
    p.terminate();
    if (!p.waitForFinished(2000)) {
      p.kill();
      p.waitForFinished(-1);
    }
    r.outcome = cancelled ? SpawnResult::Outcome::Cancelled : SpawnResult::Outcome::TimedOut;
    return r;
  }
  if (cancelled || timedOut) {
    // It ended on its own just as the limit came: its own end counts.
    cancelled = timedOut = false;
  }
  if (p.exitStatus() == QProcess::CrashExit) {
    r.outcome = SpawnResult::Outcome::Crashed;
    r.exitCode = -1;
    return r;
  }
  r.outcome = SpawnResult::Outcome::Exited;
  r.exitCode = p.exitCode();
  return r;
}

SpawnResult spawn(const QString& commandLine, const SpawnOptions& options) {
  return spawn(splitCommandLine(commandLine), options);
}

}  // namespace tavrel::process
