#pragma once
// The command text of a directory search over the ADO provider, in its two dialects:
//   LDAP: "<" base ">;" filter ";" attributes [";" scope]
//         e.g. "<LDAP://example.local>;(objectClass=User);ADsPath,Name;onelevel"
//   SQL:  "select" attributes "from '" base "' where" attribute "= '" value "'" ["ORDER BY" attribute]
//         e.g. "select GroupType,name,adsPath from 'LDAP://example.local' where objectCategory = 'group'"
// parsed into one query a back end can run.

#include "platform/search/Filter.h"
#include "platform/search/Parsed.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace tavrel::search {

enum class Scope { Base, OneLevel, Subtree };

enum class Dialect { Ldap, Sql };

// A search base path: "LDAP://example.local/DC=example,DC=local", "LDAP://example.local",
// "LDAP://DC=example,DC=local", "LDAP://dc1.example.local:389/OU=Sales,DC=example,DC=local",
// "GC://example.local". The part after "//" up to the first "/" is the server when it holds no
// "="; otherwise the path is serverless and all of it is the DN.
struct SearchBase {
  QString path;      // as written
  QString provider;  // "LDAP" or "GC" (written in capitals, as the provider names are)
  QString server;    // DNS domain name or host, with its ":port" if given; empty when serverless
  QString dn;        // empty when the path names only a server (the domain's head, or for GC the forest)
  bool operator==(const SearchBase&) const = default;
};

struct AdoQuery {
  Dialect dialect = Dialect::Ldap;
  SearchBase base;
  Filter filter;           // the SQL condition becomes the equivalent filter
  QStringList attributes;  // in the order written, duplicates kept, names as written
  Scope scope = Scope::Subtree;
  std::optional<QString> orderBy;  // SQL "ORDER BY <attribute>", ascending
};

// Parses a base path; the provider prefix is "LDAP://" or "GC://" exactly (ADSI's provider names
// are case-sensitive). A "\/" inside the DN (ADSI's escape of a slash in a path) becomes "/".
Parsed<SearchBase> parseSearchBase(QStringView path);

// Parses a command in either dialect. Blanks before and after the text, around each part and
// between SQL words are allowed; SQL keywords and LDAP scope names are matched in any letter case.
// The LDAP scope may be left out ("<base>;filter;attributes"), which means subtree; the SQL dialect
// always searches the subtree. In the SQL condition an asterisk is a wildcard, as in the LDAP
// dialect, and a quote inside the value is written twice. Errors in the filter are reported with
// their position in the command text.
Parsed<AdoQuery> parseAdoCommand(QStringView text);

}  // namespace tavrel::search
