#include "format/UserName.h"

#include "platform/registry/Registry_Object.h"
#include "state/SharedState.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <utility>

using tavrel::format::UserName;
namespace state = tavrel::state;
namespace registry = tavrel::registry;

namespace {

QString q(const char* s) {
  return QString::fromUtf8(s);
}

void setIncNumber(const QString& value) {
  ASSERT_TRUE(state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE,
                                       registry::subkey(QStringLiteral("Setup")), QStringLiteral("IncNumber"),
                                       value));
}

// The sample person John Fred Smith, import field 4 = X9 and IncNumber 7.
class UserNameFixture : public tavrel::test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    state::shared().ImportField[4] = QStringLiteral("X9");
    setIncNumber(QStringLiteral("7"));
  }
  QString expand(const char* format, const char* first = "John", const char* middle = "Fred",
                 const char* last = "Smith") {
    const auto expanded = UserName(q(format), q(first), q(middle), q(last));
    EXPECT_TRUE(expanded.ok()) << format << ": " << expanded.error.toStdString();
    return expanded.text;
  }
};

struct Case {
  const char* format;
  const char* result;
  const char* first = "John";
  const char* middle = "Fred";
  const char* last = "Smith";
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << '"' << c.format << "\" with " << c.first << '|' << c.middle << '|' << c.last;
}

class UserNameTable : public UserNameFixture, public ::testing::WithParamInterface<Case> {};

TEST_P(UserNameTable, Expands) {
  const Case& c = GetParam();
  EXPECT_EQ(expand(c.format, c.first, c.middle, c.last), q(c.result));
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, UserNameTable,
    ::testing::Values(Case{"%first%%last%", "JohnSmith"}, Case{"1%first%%last%", "JSmith"},
                      Case{"2%last%%first%", "SmJohn"}, Case{"%first%#1%last%", "JohnS"},
                      Case{"%last%#1%first%", "SmithJ"}, Case{"%first%2", "hn"}, Case{"%last%#2", "Smith2"},
                      Case{"%First% %Middle% %Last%", "John Fred Smith"},
                      Case{"%first%.%last%", "John.Smith"}, Case{"#U%last%", "SMITH"},
                      Case{"#L1%first%%last%", "jSmith"}, Case{"#U1%first%#L%last%", "Jsmith"},
                      Case{"%first%3#U%last%", "ohnSMITH"}, Case{"#U%first%%middle%1", "JOHNd"},
                      Case{"%IMPORT4%%first%", "X9John"}, Case{"%first%%n%", "John7"},
                      Case{"%last%%nnn%", "Smith007"}));

INSTANTIATE_TEST_SUITE_P(
    Formats, UserNameTable,
    ::testing::Values(
        // no tokens: the text itself, trimmed, without its "#"
        Case{"", ""}, Case{"   ", ""}, Case{"  a#b c#  ", "ab c"}, Case{"###", ""},
        // tokens in any letter case
        Case{"%FIRST%-%First%-%fIrSt%", "John-John-John"}, Case{"%MIDDLE%%LAST%", "FredSmith"},
        // modifiers in any letter case, directly before the token or before its leading digit
        Case{"#u%last%", "SMITH"}, Case{"#l%first%", "john"}, Case{"#u2%middle%", "FR"},
        Case{"x#U%first%", "xJOHN"},
        // the trailing length with a modifier: "#", modifier letter and digit all go
        Case{"#L%last%3", "ith"},
        // a modifier elsewhere in the window: its letter survives, the character before the token goes
        Case{"#Ux%first%", "UJOHN"},
        // "#U" not directly before: four characters away it is literal text (its "#" still goes)
        Case{"#Uxy%first%", "UxyJohn"},
        // "0" is no length, before or after; nor is any other character
        Case{"0%first%", "0John"}, Case{"%first%0", "John0"}, Case{"a%first%b", "aJohnb"},
        // a length longer than the name takes the whole name
        Case{"9%last%", "Smith"}, Case{"%last%9", "Smith"},
        // a leading length wins; a digit after it stays literal
        Case{"1%first%2", "J2"},
        // the guard keeps the next character from the token before it
        Case{"%first%#3", "John3"}, Case{"%first%#3%last%", "JohnSmi"},
        // every occurrence, each with its own lengths and modifiers
        Case{"1%first%%first%", "JJohn"}, Case{"#U1%first%.#L%first%2", "J.hn"},
        Case{"%first%%first%%first%", "JohnJohnJohn"},
        // the values keep their letter case
        Case{"%first%", "mcDonald", "mcDonald"},
        // unknown tokens and not-quite tokens stay literal
        Case{"%UserName%\\%first", "%UserName%\\%first"}, Case{"%first %last%", "%first Smith"},
        // non-ASCII names: case and length work on characters
        Case{"#U%first%", "ÉLODIE", "élodie"}, Case{"2%first%", "😀é", "😀éa"}, Case{"%first%1", "😀", "a😀"},
        // a case mapping that changes the length; the next occurrence is still found
        Case{"#U%first%%first%", "SSß", "ß"}, Case{"#U1%first%", "SS", "ßa"}));

TEST_F(UserNameFixture, NameTokensFoldCaseLikeEveryOtherPlaceholder) {
  // U+017F (long s) folds to "s": the name tokens match exactly where the other placeholders do.
  const QString format = QStringLiteral("%FIR\u017FT%");
  ASSERT_EQ(format.indexOf(QLatin1StringView("%first%"), 0, Qt::CaseInsensitive), 0);
  EXPECT_EQ(UserName(format, QStringLiteral("John"), {}, {}).text, "John");
}

INSTANTIATE_TEST_SUITE_P(EmptyNames, UserNameTable,
                         ::testing::Values(
                             // an empty name removes its token with its length digit and modifier
                             Case{"#U1%first%x", "x", ""}, Case{"%first%3.%last%", ".Smith", ""},
                             Case{"%first%%last%", "", "", "", ""},
                             Case{"%First% %Middle% %Last%", "John  Smith", "John", "", "Smith"},
                             // surrounding blanks of the result go, inner ones stay
                             Case{"%First% %Middle% %Last%", "Fred Smith", "", "Fred", "Smith"}));

INSTANTIATE_TEST_SUITE_P(
    NamesHoldingTokens, UserNameTable,
    ::testing::Values(
        // a name holding its own token is inserted once, as it is
        Case{"%first%", "%first%", "%first%"}, Case{"%last%", "%last%%last%", "John", "Fred", "%last%%last%"},
        Case{"%first%-%first%", "%first%-%first%", "%first%"},
        Case{"1%last%%last%", "%%last%", "J", "F", "%last%"}, Case{"#U%first%", "%FIRST%", "%first%"},
        // text that only joins with its surroundings into a token is not expanded either
        Case{"%fi%first%rst%", "%first%", ""},
        // a later pass, the import fields and the counter still expand what a name brought in
        Case{"%first%", "Smith", "%last%"},
        // ... but an earlier pass's token stays as written
        Case{"%middle%", "%first%", "J", "%first%"}, Case{"%first%", "X9", "%import4%"},
        Case{"%first%", "007", "%nnn%"},
        // "#" coming with a name is removed like any other
        Case{"%first%", "John", "Jo#hn"}));

TEST_F(UserNameFixture, ImportTokens) {
  auto& s = state::shared();
  s.ImportField[0] = QStringLiteral("zero");
  s.ImportField[1] = QStringLiteral("a#b");
  s.ImportField[2] = QStringLiteral("%IMPORT3%");
  s.ImportField[3] = QStringLiteral("c");
  s.ImportField[5] = QStringLiteral("%IMPORT2%");
  s.ImportField[10] = QStringLiteral("ten");
  s.ImportField[99] = QStringLiteral("last");
  s.ImportField[100] = QStringLiteral("hundred");
  const std::pair<const char*, const char*> cases[] = {
      // fields 1 to 99, in any letter case
      {"%IMPORT3%.%import10%.%Import99%", "c.ten.last"},
      // no field 0, no leading zeros, no empty number
      {"%IMPORT0%%IMPORT03%%IMPORT%", "%IMPORT0%%IMPORT03%%IMPORT%"},
      // fields stop at 99: a line of 100 fields has no token for its 100th
      {"%IMPORT100%%IMPORT101%", "%IMPORT100%%IMPORT101%"},
      // a field missing from the line (empty) removes its token
      {"a%IMPORT50%b", "ab"},
      // a field keeps its "#" (the format's own "#" is gone before fields come in)
      {"%IMPORT1%#", "a#b"},
      // a field may bring in a later field's token, which is then replaced ...
      {"%IMPORT2%", "c"},
      // ... but an earlier field's token comes too late
      {"%IMPORT5%", "%IMPORT2%"},
  };
  for (const auto& [format, result] : cases) EXPECT_EQ(expand(format), q(result)) << format;
}

// A line may have any number of fields, but the tokens name fields 1 to 99 only, and nothing is
// read past the line's last field.
TEST_F(UserNameFixture, ImportTokensOfALongLine) {
  auto& s = state::shared();
  QStringList fields;
  for (int k = 1; k <= 150; ++k) fields << QStringLiteral("f%1").arg(k);
  s.ImportField.assign(fields);
  EXPECT_EQ(expand("%IMPORT1%-%IMPORT99%-%IMPORT100%-%IMPORT101%-%IMPORT150%"),
            q("f1-f99-%IMPORT100%-%IMPORT101%-%IMPORT150%"));
  s.ImportField.assign({QStringLiteral("only")});
  EXPECT_EQ(expand("%IMPORT1%.%IMPORT2%.%IMPORT99%.%IMPORT150%"), q("only...%IMPORT150%"))
      << "the earlier line's fields are gone";
}

// Import fields come from a CSV line. A field holding the next field's token twice doubles the
// text per field; the expansion stops at the bound with an error instead of growing without end.
TEST_F(UserNameFixture, ImportFieldsThatGrowTheTextStopAtTheBound) {
  auto& s = state::shared();
  s.Current_Template.Name = QStringLiteral("Staff");
  for (int k = 1; k < 99; ++k) s.ImportField[k] = QStringLiteral("%IMPORT%1%%IMPORT%1%").arg(k + 1);
  s.ImportField[99] = QStringLiteral("x");
  const auto expanded = UserName(q("%IMPORT1%"), q("John"), q("Fred"), q("Smith"));
  EXPECT_FALSE(expanded.ok());
  EXPECT_TRUE(expanded.text.isEmpty());
  EXPECT_EQ(expanded.error, "The name format of template \"Staff\" expands to more than 32767 characters.");
}

TEST_F(UserNameFixture, TheBoundHoldsForNamesAndCountersToo) {
  struct BoundCase {
    const char* label;
    QString format;
    QString first;
    bool ok;
  };
  const QString name(1000, u'a');
  const BoundCase cases[] = {
      {"result exactly at the bound", QStringLiteral("%first%").repeated(32) + QString(767, u'b'), name,
       true},
      {"one name character past the bound", QStringLiteral("%first%").repeated(32) + QString(768, u'b'), name,
       false},
      {"many name tokens", QStringLiteral("%first%").repeated(4000), name, false},
      {"a format longer than the bound", QString(32768, u'b'), name, false},
  };
  for (const BoundCase& c : cases) {
    const auto expanded = UserName(c.format, c.first, {}, {});
    EXPECT_EQ(expanded.ok(), c.ok) << c.label;
    if (c.ok) {
      EXPECT_EQ(expanded.text.size(), 32767) << c.label;
    }
  }
}

TEST_F(UserNameFixture, CounterTokensPadToTheirWidth) {
  EXPECT_EQ(expand("%n%-%nn%-%nnn%-%N%-%NNN%"), "7-07-007-7-007");
  setIncNumber(QStringLiteral("1234"));
  state::shared().CounterUsed = false;
  EXPECT_EQ(expand("%n%-%nn%-%nnn%"), "1234-1234-1234");
}

TEST_F(UserNameFixture, NegativeCounterKeepsItsSignBeforeTheDigits) {
  setIncNumber(QStringLiteral("-7"));
  EXPECT_EQ(expand("%n%|%nn%|%nnn%"), "-7|-07|-007");
}

TEST_F(UserNameFixture, CounterIsReadAgainUntilOneIsWritten) {
  auto& s = state::shared();
  // Without a counter token nothing marks the counter as used.
  EXPECT_EQ(expand("%first%"), "John");
  EXPECT_FALSE(s.CounterUsed);

  EXPECT_EQ(expand("%last%%n%"), "Smith7");
  EXPECT_TRUE(s.CounterUsed);
  EXPECT_EQ(s.Id_Counter, 7);

  // While the counter is in use the setting is not read: the pipeline's increments count.
  setIncNumber(QStringLiteral("20"));
  EXPECT_EQ(expand("%last%%n%"), "Smith7");
  ++s.Id_Counter;
  EXPECT_EQ(expand("%last%%n%"), "Smith8");

  // Cleared by the pipeline: each call reads the setting again.
  s.CounterUsed = false;
  EXPECT_EQ(expand("%last%%nn%"), "Smith20");
  s.CounterUsed = false;
  setIncNumber(QStringLiteral("3"));
  EXPECT_EQ(expand("%last%%nn%"), "Smith03");
}

struct IncCase {
  const char* stored;  // nullptr: no IncNumber value at all
  int counter;         // Id_Counter afterwards, starting from 5
};

void PrintTo(const IncCase& c, std::ostream* os) {
  *os << "IncNumber " << (c.stored ? c.stored : "(missing)");
}

class IncNumberTable : public UserNameFixture, public ::testing::WithParamInterface<IncCase> {};

TEST_P(IncNumberTable, LoadsTheCounter) {
  const IncCase& c = GetParam();
  if (c.stored)
    setIncNumber(q(c.stored));
  else
    ASSERT_TRUE(state::reg().Delete_Value(registry::HKEY_LOCAL_MACHINE,
                                          registry::subkey(QStringLiteral("Setup")),
                                          QStringLiteral("IncNumber")));
  auto& s = state::shared();
  s.Id_Counter = 5;
  s.CounterUsed = false;
  EXPECT_EQ(expand("%n%"), QString::number(c.counter));
  EXPECT_EQ(s.Id_Counter, c.counter);
  EXPECT_TRUE(s.CounterUsed);
}

INSTANTIATE_TEST_SUITE_P(Values, IncNumberTable,
                         ::testing::Values(IncCase{nullptr, 0}, IncCase{"", 0}, IncCase{"abc", 0},
                                           IncCase{"12abc", 12}, IncCase{"  42 ", 42}, IncCase{"2.5", 2},
                                           IncCase{"3.5", 4}, IncCase{"-2.5", -2}, IncCase{"32767", 32767},
                                           IncCase{"-32768", -32768}, IncCase{"-32768.5", -32768},
                                           // outside 16 bits: the counter stays as it was
                                           IncCase{"32767.5", 5}, IncCase{"32768", 5}, IncCase{"-32769", 5},
                                           IncCase{"1e300", 5}, IncCase{"99999999999999999999", 5}));

TEST_F(UserNameFixture, CounterAndTokensInOneFormat) {
  auto& s = state::shared();
  s.ImportField[2] = QStringLiteral("Dept#");
  EXPECT_EQ(expand("%IMPORT2%#L1%first%#L%last%%nn%"), "Dept#jsmith07");
}

}  // namespace
