#pragma once
// LDAP search filters in their string form (RFC 4515): the parsed tree, the parser, the
// rendering back to text, value escaping for filters built from user input, and the equality
// terms a back end can answer from an index.

#include "platform/search/Parsed.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <vector>

namespace tavrel::search {

// The extensible-match rules Active Directory offers for flag attributes (userAccountControl,
// groupType): a value matches when it has every bit of the assertion (AND) or any bit (OR).
inline constexpr auto kBitAndRule = "1.2.840.113556.1.4.803";
inline constexpr auto kBitOrRule = "1.2.840.113556.1.4.804";

struct Filter {
  enum class Kind {
    And,             // (&(..)(..)): children, at least one
    Or,              // (|(..)(..)): children, at least one
    Not,             // (!(..)): exactly one child
    Equality,        // (attr=value)
    Approx,          // (attr~=value), matched as equality
    GreaterOrEqual,  // (attr>=value)
    LessOrEqual,     // (attr<=value)
    Present,         // (attr=*)
    Substrings,      // (attr=initial*any*...*final)
    Extensible,      // (attr:rule:=value) with rule kBitAndRule or kBitOrRule, or (attr:=value)
  };

  Kind kind = Kind::Present;
  QString attribute;  // as written in the filter; empty for And, Or, Not
  // The assertion value with its escapes resolved, as octets (UTF-8 for text). For Equality,
  // Approx, GreaterOrEqual, LessOrEqual and Extensible.
  QByteArray value;
  // Substrings: the parts before the first, between, and after the last asterisk. An empty
  // subInitial or subFinal means the pattern starts or ends with an asterisk; `subAny` holds no
  // empty parts.
  QByteArray subInitial;
  QList<QByteArray> subAny;
  QByteArray subFinal;
  QString matchingRule;  // Extensible: the rule's OID, or empty for a plain equality
  std::vector<Filter> children;

  // The assertion value as text (decoded from UTF-8).
  QString text() const { return QString::fromUtf8(value); }

  // The filter in RFC 4515 form. Values are escaped so that parsing the result gives this
  // filter back; printable ASCII other than * ( ) \ stays as it is, every other octet is \xx.
  QString toString() const;

  bool operator==(const Filter&) const = default;
};

// Parses a filter such as "(&(objectCategory=Person)(sAMAccountName=jsmith))". Blanks are allowed
// around the whole filter and between the members of an & or | list, nowhere else. Malformed
// text (unbalanced or missing parentheses, an unescaped "(" or ")" or NUL in a value, a backslash
// not followed by two hexadecimal digits, an empty & or | list, a bad attribute name, an
// extensible match other than the bitwise rules) gives a SyntaxError.
Parsed<Filter> parseFilter(QStringView text);

// Escapes a value for use inside a filter: "*" "(" ")" "\" and NUL become \2a \28 \29 \5c \00.
// A filter "(attr=" + escapeFilterValue(v) + ")" is always an equality test for exactly v.
QString escapeFilterValue(QStringView value);

// An equality test that every entry matching the whole filter passes.
struct EqualityTerm {
  QString attribute;  // lower case
  QByteArray value;   // the octets the filter names, unescaped (binary values such as SIDs intact)
  bool operator==(const EqualityTerm&) const = default;
};

// The equality terms of a filter that hold for every matching entry: the filter itself when it is
// an equality test, or the equality members of a top-level & (nested & lists included). Wildcard,
// negated and alternative terms are not listed. A back end with an index on one of the
// attributes (objectClass, objectCategory, sAMAccountName, userPrincipalName,
// distinguishedName, ...) can look up the candidates there and run the whole filter only on
// them. For objectCategory the value may be a short name ("Person") rather than a DN.
QList<EqualityTerm> indexableTerms(const Filter& filter);

}  // namespace tavrel::search
