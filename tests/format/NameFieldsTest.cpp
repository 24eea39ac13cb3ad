#include "format/NameFields.h"

#include "platform/registry/Registry_Object.h"
#include "state/SharedState.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

using tavrel::format::Reverse_Password;
using tavrel::format::UserID_Preview;
namespace state = tavrel::state;
namespace registry = tavrel::registry;

namespace {

class UserIdPreview : public tavrel::test::AppFixture {};

TEST_F(UserIdPreview, FollowsEveryKeystrokeInAnyNameField) {
  const QString format = QStringLiteral("1%first%%last%");
  const QString first = QStringLiteral("John");
  const QString last = QStringLiteral("Smith");
  QString typed;
  // Typing the first name, then the last name, one character at a time.
  for (QChar c : first) {
    typed += c;
    EXPECT_EQ(UserID_Preview(format, typed, {}, {}).text, typed.left(1));
  }
  typed.clear();
  for (QChar c : last) {
    typed += c;
    EXPECT_EQ(UserID_Preview(format, first, {}, typed).text, u'J' + typed);
  }
  // A change of the middle name computes the ID again, so a hand-typed ID would be replaced.
  EXPECT_EQ(UserID_Preview(format, first, QStringLiteral("F"), last).text, "JSmith");
}

TEST_F(UserIdPreview, UsesTheNamesWithoutSurroundingBlanks) {
  EXPECT_EQ(UserID_Preview(QStringLiteral("%first%.%middle%.%last%"), QStringLiteral("  John "),
                           QStringLiteral(" Fred"), QStringLiteral("Smith   "))
                .text,
            "John.Fred.Smith");
  // Only blanks go: the same as the trim of the result.
  EXPECT_EQ(
      UserID_Preview(QStringLiteral("%last%#1%first%"), QStringLiteral(" John"), {}, QStringLiteral("Smith "))
          .text,
      "SmithJ");
}

TEST_F(UserIdPreview, CounterFormatLeavesTheCounterInUse) {
  ASSERT_TRUE(state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE,
                                       registry::subkey(QStringLiteral("Setup")), QStringLiteral("IncNumber"),
                                       QStringLiteral("41")));
  const QString format = QStringLiteral("%first%%nn%");
  EXPECT_EQ(UserID_Preview(format, QStringLiteral("J"), {}, {}).text, "J41");
  EXPECT_TRUE(state::shared().CounterUsed);
  EXPECT_EQ(UserID_Preview(format, QStringLiteral("Jo"), {}, {}).text, "Jo41");
  EXPECT_TRUE(state::shared().CounterUsed);
}

struct ReverseCase {
  const char* text;
  const char* reversed;
};

void PrintTo(const ReverseCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

class ReversePasswordTable : public ::testing::TestWithParam<ReverseCase> {};

TEST_P(ReversePasswordTable, SpellsBackwards) {
  const QString text = QString::fromUtf8(GetParam().text);
  EXPECT_EQ(Reverse_Password(text), QString::fromUtf8(GetParam().reversed));
  EXPECT_EQ(text, QString::fromUtf8(GetParam().text)) << "the argument is not changed";
}

INSTANTIATE_TEST_SUITE_P(Texts, ReversePasswordTable,
                         ::testing::Values(ReverseCase{"abc", "cba"}, ReverseCase{"x", "x"},
                                           ReverseCase{"", ""}, ReverseCase{"JSmith", "htimSJ"},
                                           ReverseCase{"a b ", " b a"}, ReverseCase{"Åsa😀1", "1😀asÅ"}));

}  // namespace
