#pragma once
// Evaluation of a parsed filter against directory entries, with Active Directory's comparison
// rules, and the ordering of entries by one attribute for a sorted search.

#include "platform/search/Filter.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QtCore/qxpfunctional.h>

#include <memory>

namespace tavrel::search {

// What a filter is evaluated against: one directory entry seen as attributes with values.
// A back end adapts its own storage with a small subclass.
class Entry {
 public:
  virtual ~Entry() = default;
  // The values of an attribute, or an empty list when the entry has none. `lowerName` is always
  // given in lower case; the entry must answer for the attribute however its name is stored.
  // Binary values (objectSid, ...) are given one character per octet (QString::fromLatin1).
  virtual QStringList values(const QString& lowerName) const = 0;
  // Calls `test` with each value of the attribute until one gives true; whether one did. The
  // evaluator reads values through this, so an entry may hand them over without building a list.
  virtual bool anyValue(const QString& lowerName, qxp::function_ref<bool(QStringView)> test) const;
};

// An entry held in memory: attribute names kept in lower case.
class MapEntry : public Entry {
 public:
  MapEntry() = default;
  MapEntry(std::initializer_list<std::pair<QString, QStringList>> attributes);
  // Replaces the values of an attribute (name in any case).
  void set(const QString& name, const QStringList& values);
  QStringList values(const QString& lowerName) const override { return attributes_.value(lowerName); }

 private:
  QHash<QString, QStringList> attributes_;
};

// How the values of an attribute are compared.
enum class Syntax {
  CaseIgnoreString,  // the default: text compared without regard to case
  CaseExactString,   // text compared exactly
  Integer,           // decimal integers (64-bit, signed), ordered by value
  Binary,            // octets compared exactly; filter values name them as \xx escapes
  ObjectCategory,    // a DN compared without regard to case, or by the category's short name
};

// The syntax of each attribute, by name in any case; unlisted attributes compare as
// CaseIgnoreString.
class MatchRules {
 public:
  // Active Directory's rules for the attributes this program and a typical domain use:
  // userAccountControl, groupType, primaryGroupID, pwdLastSet, accountExpires, lockoutTime and the
  // other counters as Integer; objectSid, objectGUID, logonHours and nTSecurityDescriptor as
  // Binary; objectCategory as ObjectCategory.
  static const MatchRules& activeDirectory();

  MatchRules& set(const QString& attribute, Syntax syntax);
  Syntax syntaxOf(const QString& attribute) const;

 private:
  QHash<QString, Syntax> table_;  // keys in lower case
};

// The three truth values of RFC 4511: a test whose value cannot be judged (an integer attribute
// compared with text that is no number) is Undefined, and so is its negation. Only True selects
// an entry.
enum class Truth { False, True, Undefined };

// A filter prepared for evaluation: attribute names folded and syntaxes looked up once.
//
// objectCategory: a value without "=" is a category's CN and matches a stored category DN whose
// first RDN value equals it without regard to case ("Organizational-Unit" matches
// "CN=Organizational-Unit,CN=Schema,..."). A directory reads such a name in a filter as a class's
// lDAPDisplayName standing for that class's default category; that takes the schema, so the caller
// resolves class names to category CNs first. A value with "=" is compared with the whole DN.
class Matcher {
 public:
  explicit Matcher(const Filter& filter, const MatchRules& rules = MatchRules::activeDirectory());
  ~Matcher();
  Matcher(Matcher&&) noexcept;
  Matcher& operator=(Matcher&&) noexcept;

  bool matches(const Entry& entry) const;
  Truth evaluate(const Entry& entry) const;

 private:
  struct Node;
  std::unique_ptr<Node> root_;
};

// Orders entries by one attribute for a sorted search (ORDER BY): ascending by the attribute's
// syntax (text without regard to case, integers by value), a multi-valued attribute by its lowest
// value, entries without the attribute last. Equal entries compare as 0, so a stable sort keeps
// the directory's order among them.
class EntryOrder {
 public:
  explicit EntryOrder(const QString& attribute, const MatchRules& rules = MatchRules::activeDirectory());
  // Negative, 0 or positive as `a` sorts before, with or after `b`.
  int compare(const Entry& a, const Entry& b) const;
  bool operator()(const Entry& a, const Entry& b) const { return compare(a, b) < 0; }
  bool operator()(const Entry* a, const Entry* b) const { return compare(*a, *b) < 0; }

 private:
  QString lowerName_;
  Syntax syntax_;
};

}  // namespace tavrel::search
