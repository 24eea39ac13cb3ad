#pragma once
// Rules on names and accounts that the program keeps on every domain although a domain controller
// does not enforce them all itself (Samba, for one, takes 21-character account names, names with
// "@", 65-character RDNs, a group inside itself and a userAccountControl without an account type).
// The provider applies them to every connection it opens, so that they hold whatever the back end.

#include "platform/adsi/DirectoryBackend.h"

#include <memory>

namespace tavrel::adsi {

// An account name (sAMAccountName): a user's or computer's has at most 20 characters (a computer's
// trailing "$" aside); no account name holds any of " / \ [ ] : ; | = , + * ? < > @ or a control
// character. CONSTRAINT_VIOLATION otherwise. An empty name is left to the directory.
Status checkAccountName(const QString& name, bool isUser, bool isComputer);
// The value of an object's RDN: at most 64 characters. CONSTRAINT_VIOLATION otherwise.
Status checkRdn(const Rdn& rdn);
// A userAccountControl value names the kind of account (normal, workstation, server or
// interdomain trust, or temporary duplicate). UNWILLING_TO_PERFORM otherwise.
Status checkAccountControl(qint32 control);
// Where the domain requires complex passwords: a password holds neither the account name nor any
// part of three or more characters of the full name. PASSWORD_POLICY otherwise.
Status checkPasswordNames(const QString& password, const QString& account, const QString& displayName);
// A group cannot be a member of itself. UNWILLING_TO_PERFORM.
Status checkMember(const Dn& group, const Dn& member);

// `connection` with the checks above made on every add, modify, rename and password before it is
// sent, and a built-in group's type kept; a refused request reaches no server.
std::shared_ptr<DirectoryConnection> withAccountChecks(std::shared_ptr<DirectoryConnection> connection);

}  // namespace tavrel::adsi
