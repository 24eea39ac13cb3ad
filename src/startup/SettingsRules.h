#pragma once
// The read rules that turn a stored setting into a field's state. Each takes whether the value
// was found and the value as read; a missing value reads as empty.

#include <QString>
#include <optional>

namespace tavrel::startup {

QString ruleText(bool found, const QString& value);         // as stored
QString ruleTrim(bool found, const QString& value);         // blanks removed at both ends
std::optional<QString> ruleFoundTrim(bool found, const QString& value);  // nullopt: keep target
bool ruleYes(bool found, const QString& value);             // exactly "Yes"
bool ruleUcYes(bool found, const QString& value);           // upper-cased equals "YES"
bool ruleUctYes(bool found, const QString& value);          // trimmed, upper-cased equals "YES"
bool ruleNotNo(bool found, const QString& value);           // off only for exactly "No"
bool ruleUM(bool found, const QString& value);              // missing counts as "Yes"
qint64 ruleNumber(bool found, const QString& value);        // leading number, half to even

// The leading decimal number of a text: blanks, tabs and line feeds are skipped, an optional sign,
// digits with an optional decimal point and exponent; reading stops at the first character that
// cannot continue the number; no number gives 0.
double leadingNumber(const QString& value);
// Rounds to the nearest integer, halves to the even one, saturating at the 64-bit range.
qint64 roundHalfEven(double v);

}  // namespace tavrel::startup
