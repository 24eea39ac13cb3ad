#pragma once
// Distinguished names as RFC 4514 writes them. Parsing accepts what directory servers accept
// (blanks around separators, ';' between RDNs, hex pairs and '#' hex values); writing always
// produces one canonical form: the usual attribute types in upper case ("CN", "OU", "DC", "O"),
// values escaped minimally. `key()` folds case so that two spellings of one name compare equal.

#include "platform/adsi/Result.h"

#include <QList>
#include <QString>

namespace tavrel::adsi {

struct Ava {
  QString type;   // canonical spelling ("CN", "OU", "DC", or as written for other types)
  QString value;  // unescaped
};

class Rdn {
 public:
  Rdn() = default;
  Rdn(QString type, QString value);
  static Result<Rdn> parse(const QString& text);

  const QList<Ava>& avas() const { return avas_; }
  QString type() const { return avas_.isEmpty() ? QString() : avas_.first().type; }
  QString value() const { return avas_.isEmpty() ? QString() : avas_.first().value; }
  bool isEmpty() const { return avas_.isEmpty(); }
  QString toString() const;
  QString key() const;
  bool operator==(const Rdn& other) const { return key() == other.key(); }

 private:
  friend class Dn;
  friend Result<QList<Rdn>> parseRdnList(const QString& text, bool single);
  QList<Ava> avas_;
};

class Dn {
 public:
  Dn() = default;
  static Result<Dn> parse(const QString& text);
  // A name from text that toString() produced (a store's own copy): kept as text and parsed only
  // when its parts are first asked for, so that toString() and key() cost nothing.
  static Dn fromFormatted(const QString& text);
  // "DC=example,DC=local" from "example.local".
  static Dn fromDnsName(const QString& dnsName);

  const QList<Rdn>& rdns() const;
  bool isEmpty() const { return rdns().isEmpty(); }
  int depth() const { return static_cast<int>(rdns().size()); }
  const Rdn& rdn() const { return rdns().first(); }
  Dn parent() const;
  Dn child(const Rdn& rdn) const;
  // True when this name lies at or below `ancestor`.
  bool isWithin(const Dn& ancestor) const;
  // "example.local" from the DC= components (empty when there are none).
  QString dnsName() const;

  QString toString() const;
  // Case-folded canonical text: equal for names that denote one object.
  QString key() const;
  bool operator==(const Dn& other) const { return key() == other.key(); }

 private:
  mutable QList<Rdn> rdns_;
  mutable QString text_;           // toString(), once known
  mutable bool unparsed_ = false;  // rdns_ not yet taken from text_
};

// One attribute value escaped for use inside a DN (RFC 4514 section 2.4).
QString escapeDnValue(const QString& value);

}  // namespace tavrel::adsi
