#pragma once
// The rules for a group typed into "Add Group": its groupType word and list caption by scope and
// type, the checks on the name, and the pre-Windows 2000 name derived from it. Pure functions.

#include <QString>
#include <QtGlobal>

namespace tavrel::groups {

enum class Scope { DomainLocal, Global, Universal };

// The groupType word of an Active Directory group: 4, 2 or 8 for the scope, with the security
// bit 0x80000000 for a security group.
qint32 groupTypeValue(Scope scope, bool security);

// The longest group name: an NT account name, an Active Directory common name.
inline constexpr int kNtNameMax = 20;
inline constexpr int kCommonNameMax = 64;
inline constexpr int kSamNameMax = 20;

// The characters an account name (NT name, pre-Windows 2000 name) may not hold.
inline const QString kAccountNameForbidden = QStringLiteral("\"/\\[]:;|=,+*?<>");

// Why `name` cannot name a new group, as the message the window shows; empty when it can.
// `ntMode`: an NT account name (at most 20 characters, none of kAccountNameForbidden, not only
// blanks and dots); otherwise an Active Directory common name (at most 64 characters, not blank).
// Neither may hold control characters.
QString nameProblem(const QString& name, bool ntMode);

// The pre-Windows 2000 name of an Active Directory group named `name`: its first 20 characters
// with the forbidden characters replaced by "_", trimmed. Empty when nothing usable is left.
QString samAccountNameFor(const QString& name);

}  // namespace tavrel::groups
