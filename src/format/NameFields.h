#pragma once
// Services around the new user's name fields: the user-ID preview and the reversed password.

#include "format/Expansion.h"

#include <QString>

namespace tavrel::format {

// What the user-ID field shows after any of the three name fields changed: the ID format
// (`setupid`'s text) expanded with the fields' texts, each without surrounding blanks. Counter
// tokens are expanded too and leave CounterUsed set, as every expansion does. Fails as UserName
// does.
Expanded UserID_Preview(const QString& idFormat, const QString& first, const QString& middle,
                        const QString& last);

// `text` spelled backwards (the password format "%USERNAMEB%"). A character outside the basic
// plane stays whole.
QString Reverse_Password(const QString& text);

}  // namespace tavrel::format
