#include "platform/adsi/SchemaCatalog.h"

namespace tavrel::adsi {

SchemaCatalog::SchemaCatalog(QList<AttributeDef> attributes, QList<ClassDef> classes)
    : attrs_(std::move(attributes)), classes_(std::move(classes)) {
  for (int i = 0; i < attrs_.size(); ++i) attrIndex_.insert(attrs_[i].name.toLower(), i);
  for (int i = 0; i < classes_.size(); ++i) classIndex_.insert(classes_[i].name.toLower(), i);
}

const AttributeDef* SchemaCatalog::attribute(const QString& name) const {
  auto it = attrIndex_.constFind(name.toLower());
  return it == attrIndex_.cend() ? nullptr : &attrs_[*it];
}

const ClassDef* SchemaCatalog::cls(const QString& name) const {
  auto it = classIndex_.constFind(name.toLower());
  return it == classIndex_.cend() ? nullptr : &classes_[*it];
}

Syntax SchemaCatalog::syntaxOf(const QString& attribute) const {
  const AttributeDef* def = this->attribute(attribute);
  return def ? def->syntax : Syntax::String;
}

void SchemaCatalog::setContents(const QString& className, QStringList may, QStringList must) {
  may_.insert(className.toLower(), std::move(may));
  must_.insert(className.toLower(), std::move(must));
}

QStringList SchemaCatalog::optionalProperties(const QString& className) const {
  if (auto it = may_.constFind(className.toLower()); it != may_.cend()) return *it;
  // The built-in table marks the user class's optional attributes; other classes offer their
  // naming attribute and a description.
  const ClassDef* def = cls(className);
  const bool isUser = def && def->chain.contains(QStringLiteral("user"), Qt::CaseInsensitive);
  QStringList out;
  for (const AttributeDef& a : attrs_) {
    if (a.systemOnly || a.name == QLatin1String("objectClass")) continue;
    if (isUser ? a.userOptional : (a.name == QLatin1String("description") || a.name == QLatin1String("cn")))
      out.append(a.name);
  }
  return out;
}

QStringList SchemaCatalog::mandatoryProperties(const QString& className) const {
  if (auto it = must_.constFind(className.toLower()); it != must_.cend()) return *it;
  const ClassDef* def = cls(className);
  QStringList out{QStringLiteral("objectClass")};
  if (def && (def->chain.contains(QStringLiteral("user"), Qt::CaseInsensitive) ||
              def->chain.contains(QStringLiteral("group"), Qt::CaseInsensitive)))
    out += {QStringLiteral("sAMAccountName"), QStringLiteral("objectSid")};
  return out;
}

std::shared_ptr<const SchemaCatalog> builtinSchema() {
  static const auto schema = std::make_shared<const SchemaCatalog>(allAttributes(), allClasses());
  return schema;
}

}  // namespace tavrel::adsi
