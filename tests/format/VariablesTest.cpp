#include "format/Variables.h"

#include "state/SharedState.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using tavrel::format::Replace_Variables;
using tavrel::state::VariableRow;

namespace {

using Rows = std::vector<VariableRow>;

VariableRow row(const char* name, const char* value) {
  return {QString::fromUtf8(name), QString::fromUtf8(value)};
}

struct Case {
  const char* label;
  const char* text;
  Rows rows;
  const char* result;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.label;
}

class ReplaceVariablesTable : public ::testing::TestWithParam<Case> {};

TEST_P(ReplaceVariablesTable, ReplacesAndWritesBack) {
  const Case& c = GetParam();
  QString text = QString::fromUtf8(c.text);
  const auto expanded = Replace_Variables(text, c.rows);
  ASSERT_TRUE(expanded.ok()) << expanded.error.toStdString();
  const QString result = expanded.text;
  EXPECT_EQ(result, QString::fromUtf8(c.result));
  EXPECT_EQ(text, result) << "the argument holds the result too";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReplaceVariablesTable,
    ::testing::Values(
        Case{"any letter case", "%Dept%/%DEPT%/%dept%", {row("Dept", "Sales")}, "Sales/Sales/Sales"},
        Case{"value holding its own token is inserted once",
             "a %HOME% b %home%",
             {row("HOME", "\\\\srv\\%HOME%")},
             "a \\\\srv\\%HOME% b \\\\srv\\%HOME%"},
        Case{"empty value removes the token", "x%Dept%y", {row("Dept", "")}, "xy"},
        Case{"text without a percent sign", "plain text", {row("Dept", "Sales")}, "plain text"},
        Case{"empty list", "%Dept%", {}, "%Dept%"},
        Case{"name and value trimmed of blanks", "[%Dept%]", {row("  Dept  ", "  Sales  ")}, "[Sales]"},
        Case{"blanks inside the token do not match", "%  Dept  %", {row("  Dept  ", "Sales")}, "%  Dept  %"},
        Case{
            "a later row's token inside a value is replaced", "%A%", {row("A", "1%B%"), row("B", "2")}, "12"},
        Case{"an earlier row's token inside a value stays", "%B%", {row("A", "1"), row("B", "%A%")}, "%A%"},
        Case{"rows apply in list order", "%X%", {row("X", "first"), row("x", "second")}, "first"},
        Case{"unknown tokens stay for later steps",
             "%UserName% in %Dept%",
             {row("Dept", "Sales")},
             "%UserName% in Sales"},
        // A nameless row has no token: "%%" in the text is not a variable.
        Case{"nameless row passed over",
             "100%% of %Dept%",
             {row("   ", "oops"), row("Dept", "Sales")},
             "100%% of Sales"}));

class ReplaceVariablesShared : public tavrel::test::AppFixture {};

TEST_F(ReplaceVariablesShared, ReadsTheCurrentTemplatesVariables) {
  QString text = QStringLiteral("%Dept%-%Site%");
  EXPECT_EQ(Replace_Variables(text).text, "%Dept%-%Site%");
  tavrel::state::shared().Template_Variables = {row("Dept", "Sales"), row("Site", "North")};
  EXPECT_EQ(Replace_Variables(text).text, "Sales-North");
  EXPECT_EQ(text, "Sales-North");
}

// Rows come from Template.dat, which any user of a shared database folder can write. A value that
// repeats a later row's token multiplies the text per row; the expansion stops at the bound
// instead of asking for gigabytes, leaves the text as it was and says which template and variable.
TEST_F(ReplaceVariablesShared, AGrowingExpansionStopsAtTheBoundWithAnError) {
  tavrel::state::shared().Current_Template.Name = QStringLiteral("Staff");
  const QString tenTokens = QStringLiteral("%a%").repeated(10);
  tavrel::state::shared().Template_Variables =
      Rows(9, VariableRow{QStringLiteral("a"), tenTokens});  // 10^9 tokens unbounded
  QString text = QStringLiteral("x%a%y");
  const auto expanded = Replace_Variables(text);
  EXPECT_FALSE(expanded.ok());
  EXPECT_TRUE(expanded.text.isEmpty());
  EXPECT_EQ(text, "x%a%y") << "a failed expansion leaves the text as it was";
  EXPECT_EQ(expanded.error, "The variable %a% of template \"Staff\" expands to more than 32767 characters.");
}

TEST(ReplaceVariablesBound, ALongResultIsRefusedOneCharacterPastTheBound) {
  struct BoundCase {
    qsizetype length;
    bool ok;
  };
  for (const BoundCase c : {BoundCase{32767, true}, BoundCase{32768, false}}) {
    QString text = QStringLiteral("%v%");
    const auto expanded =
        Replace_Variables(text, {VariableRow{QStringLiteral("v"), QString(c.length, u'x')}});
    EXPECT_EQ(expanded.ok(), c.ok) << c.length;
    EXPECT_EQ(text.size(), c.ok ? c.length : 3) << c.length;
  }
  // A text already over the bound is refused even when no variable applies.
  QString longText(40000, u'y');
  EXPECT_FALSE(Replace_Variables(longText, {}).ok());
  EXPECT_EQ(longText.size(), 40000);
}

}  // namespace
