#pragma once
// The format language that builds user IDs, full names, formatted passwords and attribute values
// from a person's names.

#include "format/Expansion.h"

#include <QString>

namespace tavrel::format {

// Expands `format` with the three names and returns the result without surrounding blanks.
//
// Tokens, matched without regard to letter case:
//   %first% %middle% %last%   the names; a digit 1-9 directly before a token takes the first N
//                             characters, directly after it the last N; "#U" or "#L" before the
//                             token (or before its leading digit) upper- or lower-cases the value;
//                             a "#" directly after a token keeps the next character from it.
//                             Every "#" left after the names is removed.
//   %IMPORT1% .. %IMPORT99%   the fields of the current import line (ImportField); a token past
//                             the line's last field is empty; %IMPORT100% and above stay literal.
//   %n% %nn% %nnn%            the counter Id_Counter with at least 1, 2 or 3 digits.
//
// While CounterUsed is false the counter is loaded from Setup\IncNumber before a counter token is
// written (0 when the value is missing; a number outside the 16-bit range leaves the counter as it
// was); writing a counter sets CounterUsed.
//
// Fails when the text would grow longer than kMaxExpandedLength (an import field may hold the
// tokens of later fields, so each field can multiply the text): the result then carries an error
// naming the current template and no text.
// The highest field number an import token of the format language names.
constexpr int kLastImportToken = 99;

Expanded UserName(const QString& format, const QString& first, const QString& middle, const QString& last);

}  // namespace tavrel::format
