#include "records/LogonHours.h"

#include <gtest/gtest.h>

using namespace tavrel::records;

namespace {

TEST(LogonHours, WorkedPoints) {
  const struct {
    int day, hour, byte, bit;
  } points[] = {
      {0, 12, 0, 0},   // Sunday 12pm
      {0, 23, 1, 3},   // Sunday 11pm
      {1, 0, 1, 4},    // Monday 12am
      {1, 12, 3, 0},   // Monday 12pm
      {6, 11, 17, 7},  // Saturday 11am
      {6, 12, 18, 0},  // Saturday 12pm
      {6, 23, 19, 3},  // Saturday 11pm
      {0, 0, 19, 4},   // Sunday 12am
      {0, 11, 20, 7},  // Sunday 11am
  };
  for (const auto& p : points) {
    EXPECT_EQ(cellToBit(p.day, p.hour), (HourBit{p.byte, p.bit})) << p.day << " " << p.hour;
    EXPECT_EQ(bitToCell(p.byte, p.bit), (HourCell{p.day, p.hour})) << p.byte << " " << p.bit;
  }
}

TEST(LogonHours, EveryBitHasExactlyOneCell) {
  bool seen[21][8] = {};
  for (int d = 0; d < 7; ++d)
    for (int h = 0; h < 24; ++h) {
      const HourBit b = cellToBit(d, h);
      ASSERT_TRUE(b.byte >= 0 && b.byte < 21 && b.bit >= 0 && b.bit < 8);
      EXPECT_FALSE(seen[b.byte][b.bit]);
      seen[b.byte][b.bit] = true;
      EXPECT_EQ(bitToCell(b.byte, b.bit), (HourCell{d, h}));
    }
}

TEST(LogonHours, PackAndUnpack) {
  LogonHoursBytes all;
  all.fill(255);
  LogonHoursGrid grid = unpackLogonHours(all);
  for (const auto& day : grid)
    for (bool cell : day) EXPECT_TRUE(cell);
  EXPECT_EQ(packLogonHours(grid), all);

  LogonHoursBytes none{};
  EXPECT_EQ(packLogonHours(unpackLogonHours(none)), none);

  LogonHoursBytes one{};
  one[0] = 1;
  grid = unpackLogonHours(one);
  int set = 0;
  for (const auto& day : grid)
    for (bool cell : day) set += cell;
  EXPECT_EQ(set, 1);
  EXPECT_TRUE(grid[0][12]) << "only Sunday 12pm to 1pm";

  LogonHoursBytes pattern;
  for (int i = 0; i < 21; ++i) pattern[i] = static_cast<uint8_t>(i * 37 + 5);
  EXPECT_EQ(packLogonHours(unpackLogonHours(pattern)), pattern);
}

TEST(LogonHours, HourNames) {
  const char* expected[] = {"12am", "1am",  "2am",  "3am",  "4am",  "5am",  "6am", "7am", "8am",
                            "9am",  "10am", "11am", "12pm", "1pm",  "2pm",  "3pm", "4pm", "5pm",
                            "6pm",  "7pm",  "8pm",  "9pm",  "10pm", "11pm", "12am"};
  for (int i = 0; i <= 24; ++i) EXPECT_EQ(hourName(i), expected[i]) << i;
}

TEST(LogonHours, RangeDescriptions) {
  const struct {
    int row1, col1, row2, col2;
    const char* text;
  } cases[] = {
      {2, 9, 2, 17, "Monday - 8am to 5pm"},
      {2, 9, 6, 17, "Monday through to Friday - 8am to 5pm"},
      {6, 17, 2, 9, "Monday through to Friday - 8am to 5pm"},  // dragged from bottom-right
      {2, 17, 6, 9, "Monday through to Friday - 8am to 5pm"},  // from top-right
      {6, 9, 2, 17, "Monday through to Friday - 8am to 5pm"},  // from bottom-left
      {1, 1, 7, 24, "Sunday through to Saturday - 12am to 12am"},
      {2, 9, 2, 9, "Monday - 8am to 9am"},        // a single click
      {4, 20, 4, 24, "Wednesday - 7pm to 12am"},  // ending in column 24
      {7, 13, 7, 13, "Saturday - 12pm to 1pm"},
  };
  for (const auto& c : cases) EXPECT_EQ(describeRange(c.row1, c.col1, c.row2, c.col2), c.text) << c.text;
}

}  // namespace
