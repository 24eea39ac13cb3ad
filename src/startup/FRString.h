#pragma once
#include <QString>

namespace tavrel::startup {

// Replaces every occurrence of `find` in `text` (matched without regard to letter case) by
// `replace`, left to right, never searching the inserted text again. The result is written back
// into `text` and returned. An empty `find` leaves `text` unchanged.
QString FRString(QString& text, const QString& find, const QString& replace);

// FRString with a bound: when the result would be longer than `limit` characters, `text` is left
// as it was and false is returned. The result is never built beyond the bound.
bool FRStringWithin(QString& text, const QString& find, const QString& replace, qsizetype limit);

}  // namespace tavrel::startup
