#pragma once
// The 21 logon-hour bytes of a template: one bit per hour of the week, bit b of byte j worth 2^b,
// a set bit meaning logon is permitted. The bits run from Sunday 12pm onwards, one hour per bit,
// wrapping from Saturday to Sunday; the 12-hour shift is fixed.

#include <QString>

#include <array>
#include <cstdint>

namespace tavrel::records {

using LogonHoursBytes = std::array<uint8_t, 21>;
// grid[day][hour]: day 0 = Sunday .. 6 = Saturday, hour 0 .. 23; true = permitted.
using LogonHoursGrid = std::array<std::array<bool, 24>, 7>;

struct HourBit {
  int byte;  // 0 .. 20
  int bit;   // 0 .. 7
  bool operator==(const HourBit&) const = default;
};

struct HourCell {
  int day;   // 0 = Sunday
  int hour;  // 0 .. 23
  bool operator==(const HourCell&) const = default;
};

HourBit cellToBit(int day, int hour);
HourCell bitToCell(int byte, int bit);

LogonHoursBytes packLogonHours(const LogonHoursGrid& grid);
LogonHoursGrid unpackLogonHours(const LogonHoursBytes& bytes);

// "Sunday" .. "Saturday" for day 0 .. 6.
QString dayName(int day);
// The hour names of index 0 .. 24: "12am", "1am" .. "11am", "12pm", "1pm" .. "11pm", "12am".
QString hourName(int index);

// The description of a painted range of the grid, given in grid coordinates (rows 1 .. 7 are the
// days from Sunday, columns 1 .. 24 the hours); either corner may come first. One row gives
// "Monday - 8am to 5pm", several "Monday through to Friday - 8am to 5pm".
QString describeRange(int row1, int col1, int row2, int col2);

}  // namespace tavrel::records
