#pragma once
// One directory's schema as the provider reads it: the built-in table (the simulated network's
// schema), or the schema a domain controller publishes. Values are converted and schema objects
// (LDAP://Schema/User) answered from the catalog of the connection in use.

#include "platform/adsi/Schema.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <memory>

namespace tavrel::adsi {

class SchemaCatalog {
 public:
  SchemaCatalog(QList<AttributeDef> attributes, QList<ClassDef> classes);

  // Case-insensitive; nullptr for a name the schema does not hold.
  const AttributeDef* attribute(const QString& name) const;
  const ClassDef* cls(const QString& name) const;
  const QList<AttributeDef>& attributes() const { return attrs_; }
  Syntax syntaxOf(const QString& attribute) const;  // String for names it does not hold

  // What a class (with its superclasses and auxiliary classes) may and must hold, in schema order.
  QStringList optionalProperties(const QString& className) const;
  QStringList mandatoryProperties(const QString& className) const;
  void setContents(const QString& className, QStringList may, QStringList must);

 private:
  QList<AttributeDef> attrs_;
  QList<ClassDef> classes_;
  QHash<QString, int> attrIndex_;
  QHash<QString, int> classIndex_;
  QHash<QString, QStringList> may_;   // by lower-case class name, when the schema lists them
  QHash<QString, QStringList> must_;
};

// The built-in schema (the one the simulated network validates against).
std::shared_ptr<const SchemaCatalog> builtinSchema();

}  // namespace tavrel::adsi
