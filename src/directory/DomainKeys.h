#pragma once
// How the domain loaders name things: the domain's distinguished name from its DNS name, the key
// of the tree node an organisational unit or a user goes under, the captions and kinds of groups,
// and the text a user's node shows. Pure functions of their arguments.

#include <QString>
#include <QVariant>
#include <QtGlobal>

namespace tavrel::directory {

// "DC=a,DC=b,DC=c" from "a.b.c" (each label after a dot is kept to at most 100 characters).
QString domainDistinguishedName(const QString& dnsName);

// An OU's parent key: the text after the earlier of the first ",OU=" and the first ",DC=" of its
// distinguished name; empty when it holds neither.
QString ouParentKey(const QString& distinguishedName);

// The parent key a held-back OU is retried under: the text after the first unescaped comma.
QString heldBackParentKey(const QString& distinguishedName);

// A user's parent key: the text after the earliest of the first ",OU=", ",DC=" and ",CN=" of its
// directory path; empty when it holds none of them.
QString userParentKey(const QString& adsPath);

// The key of a tree node from a distinguished name, written as the directory's distinguishedName
// values are: attribute types in capitals, values escaped only where RFC 4514 asks, so that the
// same name taken from a path ("OU=A\/B" in an ADsPath) and from an attribute ("OU=A/B") gives
// one key. Text that is no distinguished name is kept as it is.
QString nodeKey(const QString& distinguishedName);

// The number of relative names of a distinguished name (escaped commas do not count).
int rdnCount(const QString& distinguishedName);

// The group window's second column, from the group's groupType bits:
// "Security Group" / "Distribution Group", then " - Global", " - builtin Local" or
// " - Domain Local", " - Universal".
QString groupCaption(quint32 groupType, const QString& adsPath);

// An NT group's kind: "Global" for groupType 2, "Local" for anything else.
QString ntGroupKind(const QVariant& groupType);

// The text of a user's node and bulk-list row: the search's second field when it is not null,
// else the third (with show-names on both hold the name).
QString userDisplayText(const QVariant& second, const QVariant& third);

// The user search's attribute list for the show-names option.
QString userSearchAttributes(bool showNames);

}  // namespace tavrel::directory
