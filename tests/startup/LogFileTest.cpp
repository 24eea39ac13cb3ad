#include "platform/text/Cp1252.h"
#include "startup/Clock.h"
#include "startup/LogFile.h"
#include "support/Fixtures.h"

#include <QFile>
#include <QLocale>

using namespace tavrel;

namespace {

class LogFileTest : public test::AppFixture {};

TEST_F(LogFileTest, TwoOperationsGiveTwoFramedBlocks) {
  const QString stamp1 = startup::Clock::format(fixedClock.now());
  {
    startup::LogFile log(dir());
    ASSERT_TRUE(log.ok()) << log.errorString().toStdString();
    log.line("Start Compact");
    log.line(QStringLiteral("Caf\u00e9 \u20ac ") + QStringLiteral("joined"));
  }
  fixedClock.set(QDateTime(QDate(2003, 1, 2), QTime(8, 0, 1)));
  const QString stamp2 = startup::Clock::format(fixedClock.now());
  {
    startup::LogFile log(dir());
    log.line("Compact Finished.");
  }
  const QByteArray expected = "*****************************************\r\n" + stamp1.toLatin1() +
                              "\r\nStart Compact\r\nCaf\xe9 \x80 joined\r\n"
                              "*****************************************\r\n" +
                              stamp2.toLatin1() + "\r\nCompact Finished.\r\n";
  EXPECT_EQ(test::readAll(dir() + "Log.txt"), expected);
}

// No value breaks a line of the log: control characters are shown by name, the rest untouched.
TEST_F(LogFileTest, ControlCharactersAreShownAndNeverBreakALine) {
  const std::pair<QString, QString> cases[] = {
      {QStringLiteral("plain \\\\FS1\\D$ <tag> caf\u00e9"),
       QStringLiteral("plain \\\\FS1\\D$ <tag> caf\u00e9")},
      {QStringLiteral("Bo\r\nb"), QStringLiteral("Bo<CR><LF>b")},
      {QStringLiteral("a\tb\rc\nd"), QStringLiteral("a<TAB>b<CR>c<LF>d")},
      {QStringLiteral("bell\u0007 del\u007f nel\u0085"),
       QStringLiteral("bell<U+0007> del<U+007F> nel<U+0085>")},
      {QStringLiteral("ls\u2028ps\u2029"), QStringLiteral("ls<U+2028>ps<U+2029>")},
      {QString(QChar(0)) + QStringLiteral("x"), QStringLiteral("<U+0000>x")},
      {QStringLiteral("no-break\u00a0space"), QStringLiteral("no-break\u00a0space")},
  };
  for (const auto& [text, shown] : cases)
    EXPECT_EQ(startup::showControls(text), shown) << shown.toStdString();
  {
    startup::LogFile log(dir());
    for (const auto& [text, shown] : cases) log.line(text);
  }
  const QList<QByteArray> lines = test::readAll(dir() + "Log.txt").split('\n');
  ASSERT_EQ(lines.size(), 2 + std::size(cases) + 1) << "one line per value";
  for (size_t k = 0; k < std::size(cases); ++k) {
    const QByteArray l = lines[2 + qsizetype(k)];
    EXPECT_EQ(l, text::toCp1252(cases[k].second) + "\r");
  }
}

TEST_F(LogFileTest, HeaderIsExactly41Asterisks) {
  EXPECT_EQ(startup::kLogHeader, QString(41, u'*'));
}

TEST_F(LogFileTest, AppendsToExistingFileWithoutTouchingIt) {
  ASSERT_TRUE(test::writeAll(dir() + "Log.txt", "earlier\r\n"));
  { startup::LogFile log(dir()); }
  EXPECT_TRUE(test::readAll(dir() + "Log.txt").startsWith("earlier\r\n*****"));
}

TEST_F(LogFileTest, UnwritableFolderReportsAndDropsLines) {
  startup::LogFile log(dir() + "missing/");
  EXPECT_FALSE(log.ok());
  EXPECT_FALSE(log.errorString().isEmpty());
  log.line("dropped");  // no crash
  EXPECT_FALSE(QFile::exists(dir() + "missing/Log.txt"));
}

TEST_F(LogFileTest, DateTimeTextIsShortDateBlankTimeWithSeconds) {
  const QString text = fixedClock.dateTimeText();
  EXPECT_TRUE(text.endsWith(" 14:05:33")) << text.toStdString();
  EXPECT_FALSE(text.contains("UTC")) << "no time-zone name";
  if (QLocale::system().language() == QLocale::C) {
    EXPECT_EQ(text, "09/12/2002 14:05:33");
  }
}

}  // namespace
