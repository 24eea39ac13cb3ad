#pragma once
// The directory schema the program works with: attribute syntaxes and classes. The provider
// uses it to convert values; the simulated network uses it to validate them, so both sides agree.

#include <QList>
#include <QString>
#include <QStringList>

namespace tavrel::adsi {

enum class Syntax {
  String,        // Unicode string
  Integer,       // signed 32-bit
  LargeInteger,  // signed 64-bit (FILETIME values, USNs)
  Boolean,       // "TRUE" / "FALSE"
  Octets,        // binary
  Sid,           // binary SID
  DnValue,       // a distinguished name
  Time,          // GeneralizedTime
  Oid,           // class names (objectClass)
};

struct AttributeDef {
  QString name;  // lDAPDisplayName
  Syntax syntax = Syntax::String;
  bool singleValued = true;
  bool systemOnly = false;    // set by the directory, never by a client
  bool userOptional = false;  // an optional property of the user class
  // Strings and binary values: the longest value in characters or bytes. Integers: the largest
  // value, and rangeLower the smallest. 0 = no limit.
  int rangeUpper = 0;
  int rangeLower = 0;
};

struct ClassDef {
  QString name;       // lDAPDisplayName
  QStringList chain;  // objectClass values, from "top" to the class itself
  QString rdnType;    // "CN", "OU", "DC", "O"
  QStringList possibleSuperiors;
  QString category;  // the CN of its default objectCategory ("Person", "Group", ...)
  bool structural = true;
  // The attributes the class adds to those of the classes above it in its chain (must- and
  // may-contain together); "top" lists those every object may hold.
  QStringList mayContain = {};
};

// Lookups compare names without regard to case. Return nullptr for names not in the schema.
const AttributeDef* findAttribute(const QString& name);
const ClassDef* findClass(const QString& name);
const QList<AttributeDef>& allAttributes();
const QList<ClassDef>& allClasses();
// Whether an object whose objectClass values are `chain` may hold `attribute`: the may-contain
// lists of top and of every class of the chain. False for names outside the schema.
bool classMayHold(const QStringList& chain, const QString& attribute);
// The category CN a filter value "objectCategory=<name>" stands for (the class's default
// category, or the name itself).
QString categoryForName(const QString& name);
// The syntax name the schema objects report ("DirectoryString", "Integer", "INTEGER8", ...).
QString syntaxName(Syntax s);

}  // namespace tavrel::adsi
