#include "support/Fixtures.h"

#include "platform/process/Process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

namespace tavrel::test {
namespace {

using namespace process;

TEST(CommandLine, SplitsAsWindowsDoes) {
  struct Case {
    const char* line;
    QStringList args;
  };
  const Case cases[] = {
      {R"(prog a b)", {"prog", "a", "b"}},
      {R"("C:\Program Files\x.exe" "a b" c)", {"C:\\Program Files\\x.exe", "a b", "c"}},
      {R"(prog a\\b c\d)", {"prog", "a\\\\b", "c\\d"}},
      {R"(prog "a\"b" c)", {"prog", "a\"b", "c"}},
      {R"(prog a\\"b c" d)", {"prog", "a\\b c", "d"}},
      {R"(prog a\\\"b)", {"prog", "a\\\"b"}},
      {R"(prog "a""b" c)", {"prog", "a\"b", "c"}},
      {R"(prog "" x)", {"prog", "", "x"}},
      {"prog\ta  \t b ", {"prog", "a", "b"}},
      {R"(prog a&b|c;d<e>f)", {"prog", "a&b|c;d<e>f"}},
      {"  ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(splitCommandLine(QString::fromLatin1(c.line)), c.args);
  }
}

TEST(CommandLine, QuotedArgumentsComeBackWhole) {
  const QStringList values = {"plain", "two words", "quote\"inside", "trailing\\", "slash\\\"quote",
                              "", "a & b | c ; d < e > f", "tab\there", "\\\\server\\share\\"};
  QStringList args{"prog"};
  args += values;
  EXPECT_EQ(splitCommandLine(joinCommandLine(args)), args);
}

TEST(CommandLine, SubstitutedValuesStayOneArgument) {
  const QStringList args = expandArguments(QStringLiteral("mkhome.exe %UserName% \"%Full%\" /q"), [](QString a) {
    a.replace(QLatin1String("%UserName%"), QLatin1String("o'brien \"x\" & del *"));
    a.replace(QLatin1String("%Full%"), QLatin1String("Pat O Brien; rm -rf /"));
    return a;
  });
  EXPECT_EQ(args, (QStringList{"mkhome.exe", "o'brien \"x\" & del *", "Pat O Brien; rm -rf /", "/q"}));
}

class SpawnTest : public AppFixture {
 protected:
  QString out() const { return dir() + QStringLiteral("args.out"); }
  QStringList probe(int code, int sleepMs, const QStringList& extra = {}) const {
    return QStringList{QStringLiteral(ARGS_PROBE), out(), QString::number(code), QString::number(sleepMs)} + extra;
  }
  QStringList received() const {
    QStringList args;
    for (const QByteArray& a : readAll(out()).split('\0')) args.append(QString::fromUtf8(a));
    if (!args.isEmpty()) args.removeLast();  // after the last NUL
    return args;
  }
};

TEST_F(SpawnTest, WaitGivesTheExitCode) {
  for (int code : {0, 1, 7}) {
    SpawnOptions o;
    o.wait = true;
    const SpawnResult r = spawn(probe(code, 0), o);
    EXPECT_EQ(r.outcome, SpawnResult::Outcome::Exited);
    EXPECT_EQ(r.exitCode, code);
  }
}

TEST_F(SpawnTest, ArgumentsWithBlanksAndQuotesArriveIntact) {
  const QStringList values = {"two words", "say \"hi\"", "a&b|c;d<e>f", "C:\\Dir With Space\\", "", "$(id) `id`"};
  SpawnOptions o;
  o.wait = true;
  ASSERT_EQ(spawn(joinCommandLine(probe(0, 0, values)), o).outcome, SpawnResult::Outcome::Exited);
  EXPECT_EQ(received(), values);
}

TEST_F(SpawnTest, TimeOutAndCancelStopTheCommandWithoutFreezing) {
  SpawnOptions o;
  o.wait = true;
  o.timeoutMs = 200;
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
  tick.start(20);
  QElapsedTimer clock;
  clock.start();
  const SpawnResult r = spawn(probe(0, 30000), o);
  EXPECT_EQ(r.outcome, SpawnResult::Outcome::TimedOut);
  EXPECT_LT(clock.elapsed(), 10000);
  EXPECT_GT(ticks, 3);  // the event loop kept running

  bool cancel = false;
  QTimer::singleShot(100, [&] { cancel = true; });
  o.timeoutMs = -1;
  o.cancelRequested = [&] { return cancel; };
  EXPECT_EQ(spawn(probe(0, 30000), o).outcome, SpawnResult::Outcome::Cancelled);
}

TEST_F(SpawnTest, StartingWithoutWaitAndMissingPrograms) {
  SpawnOptions o;
  o.windowStyle = SW_HIDE;
  const SpawnResult started = spawn(probe(0, 0), o);
  EXPECT_EQ(started.outcome, SpawnResult::Outcome::Started);
  EXPECT_GT(started.pid, 0);
  EXPECT_EQ(started.startup.wShowWindow, SW_HIDE);
  EXPECT_EQ(started.startup.cb, 68u);
  for (bool wait : {true, false}) {
    o.wait = wait;
    const SpawnResult missing = spawn(QStringLiteral("no-such-program-here arg"), o);
    EXPECT_EQ(missing.outcome, SpawnResult::Outcome::NotStarted);
    EXPECT_EQ(missing.error, 2u);
  }
}

}  // namespace
}  // namespace tavrel::test
