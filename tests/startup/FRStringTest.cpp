#include "startup/FRString.h"

#include <gtest/gtest.h>

using tavrel::startup::FRString;

namespace {

struct Case {
  const char* text;
  const char* find;
  const char* replace;
  const char* result;
};

class FRStringTable : public ::testing::TestWithParam<Case> {};

TEST_P(FRStringTable, ReplacesAndWritesBack) {
  const Case& c = GetParam();
  QString text = QString::fromUtf8(c.text);
  const QString result = FRString(text, QString::fromUtf8(c.find), QString::fromUtf8(c.replace));
  EXPECT_EQ(result, QString::fromUtf8(c.result));
  EXPECT_EQ(text, result) << "the text argument holds the result too";
}

INSTANTIATE_TEST_SUITE_P(
    Documented, FRStringTable,
    ::testing::Values(Case{R"(\\%Server%\%UserName%$)", "%username%", "jsmith", R"(\\%Server%\jsmith$)"},
                      Case{"abc", "%X%", "y", "abc"}, Case{"", "%X%", "y", ""},
                      Case{"ab", "abc", "y", "ab"}, Case{"x%A%y", "%A%", "%A%%A%", "x%A%%A%y"},
                      Case{"aaaa", "aa", "b", "bb"}, Case{"aaa", "aa", "b", "ba"},
                      Case{"%First% %Middle% %Last%", "%Middle%", "", "%First%  %Last%"},
                      Case{"%X%%X%", "%X%", "x%X", "x%Xx%X"},
                      // letter case: matches ignore it, the rest of the text and the value keep it
                      Case{"Home %USERNAME% and %username%", "%UserName%", "JSmith",
                           "Home JSmith and JSmith"},
                      Case{"Ärger %ä%", "%Ä%", "ö", "Ärger ö"},
                      // an empty placeholder leaves the text as it is and returns at once
                      Case{"abc", "", "y", "abc"}, Case{"", "", "", ""}));

}  // namespace
