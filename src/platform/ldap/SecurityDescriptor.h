#pragma once
// "User cannot change password" as Active Directory keeps it: not a userAccountControl bit but two
// deny ACEs for the User-Change-Password right (Everyone and SELF) in the user's DACL. These
// functions read and rewrite that in a self-relative security descriptor holding a DACL.

#include <QByteArray>

#include <optional>

namespace tavrel::ldap {

// Whether the DACL denies Everyone or SELF the User-Change-Password right. nullopt: not a
// security descriptor this code can read.
std::optional<bool> deniesPasswordChange(const QByteArray& descriptor);

// The descriptor with the two deny ACEs added (first, as explicit denies come first) or removed.
// Only the DACL is written back. nullopt: not a security descriptor this code can read.
std::optional<QByteArray> withPasswordChangeDenied(const QByteArray& descriptor, bool denied);

}  // namespace tavrel::ldap
