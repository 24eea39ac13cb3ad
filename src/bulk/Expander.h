#pragma once
// How one selection item of the bulk window becomes the user accounts it stands for, with a
// policy per operation. Users are handed on one at a time, the moment each is found.
//
// By kind: "USER" is the one account; "OU" the user objects directly inside it (never computers,
// never those of child OUs; the query is paged, so an OU larger than the server's page limit is
// read whole); "W2KGRP" (Active Directory) and "Global"/"Local" (NT) the group's members.

#include "bulk/Catalogue.h"
#include "platform/adsi/Result.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

namespace tavrel::bulk {

enum class UserSource { Item, OuRecord, GroupMember };

struct UserRef {
  QString path;        // AD: the LDAP path; NT: "WinNT://" + domain + "/" + account
  QString name;        // the display name: the item's text, the record's name, the member's name
  QString logon;       // sAMAccountName (AD) or the account name (NT); empty when not yet read
  QString memberName;  // a group member's Name as the provider gives it ("CN=John Smith" in AD)
  QVariant flags;      // AD OU records: userAccountControl as the OU's search returned it; else null
  UserSource source = UserSource::Item;
};

struct ExpandPolicy {
  bool usersOnly = true;        // group members that are not user objects are left out
  bool skipGhosted = false;     // a ghosted user item yields nothing
  bool attributeKinds = false;  // only "USER", "OU" and "W2KGRP" are expanded (others yield nothing)

  static ExpandPolicy attributeChange() { return {true, false, true}; }
  static ExpandPolicy passwordReset() { return {true, false, false}; }
  static ExpandPolicy enableDisable() { return {true, false, false}; }
  static ExpandPolicy remove() { return {true, true, false}; }
  static ExpandPolicy move() { return {true, true, false}; }
};

// Called once per user found; returning false stops the expansion (a cancel).
using UserCallback = std::function<bool(const UserRef&)>;

struct ExpandOutcome {
  bool stopped = false;                // the callback asked to stop
  std::optional<adsi::Error> failure;  // the OU query or the group bind failed (no users from it)
};

// Expands `item` in the connected domain (Directory_Mode, Domain_Name of the shared state).
ExpandOutcome expand(const ListItem& item, const ExpandPolicy& policy, const UserCallback& callback);

// The one-level query of an OU's user objects, in the LDAP dialect of the ADO command.
QString ouUserQuery(const QString& domainName, const QString& ouDn);

}  // namespace tavrel::bulk
