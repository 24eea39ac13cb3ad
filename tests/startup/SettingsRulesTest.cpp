#include "startup/SettingsRules.h"

#include <gtest/gtest.h>

using namespace tavrel::startup;

namespace {

struct BoolCase {
  const char* rule;
  bool found;
  const char* value;
  bool on;
};

bool applyBool(const BoolCase& c) {
  const QString v = QString::fromUtf8(c.value);
  const QString r = QString::fromUtf8(c.rule);
  if (r == "Yes") return ruleYes(c.found, v);
  if (r == "UC YES") return ruleUcYes(c.found, v);
  if (r == "UCT YES") return ruleUctYes(c.found, v);
  if (r == "not No") return ruleNotNo(c.found, v);
  if (r == "UM") return ruleUM(c.found, v);
  ADD_FAILURE() << "unknown rule " << c.rule;
  return false;
}

class SwitchRules : public ::testing::TestWithParam<BoolCase> {};

TEST_P(SwitchRules, DecideOnOrOff) {
  const BoolCase& c = GetParam();
  EXPECT_EQ(applyBool(c), c.on) << c.rule << " found=" << c.found << " value='" << c.value << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, SwitchRules,
    ::testing::Values(
        // Yes: exactly "Yes"; CheckAdminRights in lower case stays off
        BoolCase{"Yes", true, "Yes", true}, BoolCase{"Yes", true, "yes", false},
        BoolCase{"Yes", true, " Yes", false}, BoolCase{"Yes", false, "", false},
        BoolCase{"Yes", true, "YES", false},
        // UC YES: RenameDir in lower case is on, not with a blank before it
        BoolCase{"UC YES", true, "yes", true}, BoolCase{"UC YES", true, "YES", true},
        BoolCase{"UC YES", true, " yes", false}, BoolCase{"UC YES", false, "", false},
        BoolCase{"UC YES", true, "No", false},
        // UCT YES: UseFormattedPassword in lower case with blanks around it is on
        BoolCase{"UCT YES", true, "  yes  ", true}, BoolCase{"UCT YES", true, "YES", true},
        BoolCase{"UCT YES", true, "\tyes", false}, BoolCase{"UCT YES", false, "", false},
        // not No: only "No" turns off; ConfirmDeletes in lower case stays on
        BoolCase{"not No", true, "No", false}, BoolCase{"not No", true, "no", true},
        BoolCase{"not No", true, "NO", true}, BoolCase{"not No", false, "", true},
        BoolCase{"not No", true, "", true},
        // UM: missing is on, otherwise exactly "Yes"
        BoolCase{"UM", false, "", true}, BoolCase{"UM", true, "Yes", true},
        BoolCase{"UM", true, "yes", false}, BoolCase{"UM", true, "No", false},
        BoolCase{"UM", true, "", false}));

TEST(TextRules, TextTrimAndFoundTrim) {
  EXPECT_EQ(ruleText(true, "  a b "), "  a b ");
  EXPECT_EQ(ruleText(false, "ignored"), "");
  EXPECT_EQ(ruleTrim(true, "  a b "), "a b");
  EXPECT_EQ(ruleTrim(true, "\ta\t"), "\ta\t") << "only blanks are trimmed";
  EXPECT_EQ(ruleTrim(false, "x"), "");
  EXPECT_EQ(ruleFoundTrim(true, "  NTUser.dat "), std::optional<QString>("NTUser.dat"));
  EXPECT_EQ(ruleFoundTrim(true, "   "), std::optional<QString>(""));
  EXPECT_EQ(ruleFoundTrim(false, "x"), std::nullopt) << "missing keeps the target";
}

struct NumberCase {
  bool found;
  const char* value;
  qint64 n;
};

class NumberRule : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberRule, LeadingNumberRoundedHalfToEven) {
  const NumberCase& c = GetParam();
  EXPECT_EQ(ruleNumber(c.found, QString::fromUtf8(c.value)), c.n) << "'" << c.value << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumberRule,
    ::testing::Values(NumberCase{false, "", 0}, NumberCase{true, "", 0}, NumberCase{true, "3", 3},
                      NumberCase{true, "  4", 4}, NumberCase{true, "5abc", 5},
                      NumberCase{true, "word", 0}, NumberCase{true, "2.5", 2},
                      NumberCase{true, "3.5", 4}, NumberCase{true, "2.51", 3},
                      NumberCase{true, "-1.5", -2}, NumberCase{true, "1 2", 12},
                      NumberCase{true, "1e2", 100}, NumberCase{true, "7e", 7},
                      NumberCase{true, "0.4", 0}, NumberCase{true, "6", 6},
                      NumberCase{true, "1.2.3", 1}, NumberCase{true, "+2", 2},
                      NumberCase{true, "1e999", std::numeric_limits<qint64>::max()}));

}  // namespace
