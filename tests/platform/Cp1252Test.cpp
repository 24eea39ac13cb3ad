#include "platform/text/Cp1252.h"

#include <gtest/gtest.h>

using namespace tavrel::text;

TEST(Cp1252, EveryByteRoundTrips) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  bool lossy = true;
  EXPECT_EQ(toCp1252(fromCp1252(all), &lossy), all);
  EXPECT_FALSE(lossy);
}

TEST(Cp1252, HighRangeAndUnrepresentable) {
  EXPECT_EQ(fromCp1252("\x80\x8a\x9f"), QString::fromUtf8("\u20ac\u0160\u0178"));
  bool lossy = false;
  EXPECT_EQ(toCp1252(QString::fromUtf8("a\u4e2db\U0001F600c"), &lossy), QByteArray("a?b?c"));
  EXPECT_TRUE(lossy) << "one ? per character, even outside the basic plane";
}

TEST(Cp1252, FixedFieldsCutAndPad) {
  EXPECT_EQ(fixedField("abc", 5), QByteArray("abc  "));
  EXPECT_EQ(fixedField("abcdef", 4), QByteArray("abcd"));
  EXPECT_EQ(fixedField("", 3), QByteArray("   "));
  EXPECT_EQ(fixedField(QString::fromUtf8("\u20ac"), 2), QByteArray("\x80 "));
}

TEST(Cp1252, TrimRemovesBlanksOnly) {
  EXPECT_EQ(trimBlanks("  a b  "), "a b");
  EXPECT_EQ(trimBlanks("\ta\t"), "\ta\t");
  EXPECT_EQ(trimBlanks("    "), "");
  EXPECT_EQ(trimLeftBlanks("  a "), "a ");
  EXPECT_EQ(trimRightBlanks("  a "), "  a");
}
