#pragma once
#include <QString>

namespace tavrel::startup {

// Replaces every occurrence of `find` in `text` (matched without regard to letter case) by
// `replace`, left to right, never searching the inserted text again. The result is written back
// into `text` and returned. An empty `find` leaves `text` unchanged.
QString FRString(QString& text, const QString& find, const QString& replace);

}  // namespace tavrel::startup
