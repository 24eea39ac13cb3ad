#include "records/LogonHours.h"

#include <algorithm>

namespace tavrel::records {
namespace {

constexpr int kHours = 168;
constexpr int kShift = 12;  // bit 0 is Sunday 12pm

}  // namespace

HourBit cellToBit(int day, int hour) {
  const int s = (24 * day + hour + kHours - kShift) % kHours;
  return {s / 8, s % 8};
}

HourCell bitToCell(int byte, int bit) {
  const int c = (8 * byte + bit + kShift) % kHours;
  return {c / 24, c % 24};
}

LogonHoursBytes packLogonHours(const LogonHoursGrid& grid) {
  LogonHoursBytes bytes{};
  for (int day = 0; day < 7; ++day)
    for (int hour = 0; hour < 24; ++hour)
      if (grid[day][hour]) {
        const HourBit b = cellToBit(day, hour);
        bytes[b.byte] |= static_cast<uint8_t>(1u << b.bit);
      }
  return bytes;
}

LogonHoursGrid unpackLogonHours(const LogonHoursBytes& bytes) {
  LogonHoursGrid grid{};
  for (int j = 0; j < 21; ++j)
    for (int b = 0; b < 8; ++b) {
      const HourCell c = bitToCell(j, b);
      grid[c.day][c.hour] = (bytes[j] >> b) & 1;
    }
  return grid;
}

QString dayName(int day) {
  static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
  return QString::fromLatin1(kDays[std::clamp(day, 0, 6)]);
}

QString hourName(int index) {
  const int h = std::clamp(index, 0, 24) % 24;
  const int twelve = h % 12 == 0 ? 12 : h % 12;
  return QString::number(twelve) + (h < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
}

QString describeRange(int row1, int col1, int row2, int col2) {
  const int firstRow = std::min(row1, row2), lastRow = std::max(row1, row2);
  const int firstCol = std::min(col1, col2), lastCol = std::max(col1, col2);
  const QString hours = hourName(firstCol - 1) + QStringLiteral(" to ") + hourName(lastCol);
  if (firstRow == lastRow) return dayName(firstRow - 1) + QStringLiteral(" - ") + hours;
  return dayName(firstRow - 1) + QStringLiteral(" through to ") + dayName(lastRow - 1) +
         QStringLiteral(" - ") + hours;
}

}  // namespace tavrel::records
