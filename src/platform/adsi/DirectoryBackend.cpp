#include "platform/adsi/DirectoryBackend.h"

#include "platform/adsi/SchemaCatalog.h"

namespace tavrel::adsi {

const Attribute* Entry::find(const QString& name) const {
  for (const Attribute& a : attributes)
    if (a.name.compare(name, Qt::CaseInsensitive) == 0) return &a;
  return nullptr;
}

std::shared_ptr<const SchemaCatalog> DirectoryConnection::schema() {
  return builtinSchema();
}

QList<AttributeDef> DirectoryConnection::attributeDefs(const QStringList& names) {
  const auto catalog = schema();
  QList<AttributeDef> out;
  for (const QString& n : names)
    if (const AttributeDef* d = catalog->attribute(n)) out.append(*d);
  return out;
}

QByteArray Entry::first(const QString& name) const {
  const Attribute* a = find(name);
  return a && !a->values.isEmpty() ? a->values.first() : QByteArray();
}

}  // namespace tavrel::adsi
