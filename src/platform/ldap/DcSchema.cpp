#include "platform/ldap/DcSchema.h"

#include "platform/search/Filter.h"

#include <QSet>

#include <algorithm>

namespace tavrel::ldap {

using namespace adsi;

Syntax syntaxFromSchema(const QString& attributeSyntax, int oMSyntax) {
  const QString s = attributeSyntax.trimmed();
  if (s == QLatin1String("2.5.5.1")) return Syntax::DnValue;
  if (s == QLatin1String("2.5.5.2")) return Syntax::Oid;
  if (s == QLatin1String("2.5.5.8")) return Syntax::Boolean;
  if (s == QLatin1String("2.5.5.9")) return Syntax::Integer;
  if (s == QLatin1String("2.5.5.10") || s == QLatin1String("2.5.5.15")) return Syntax::Octets;
  if (s == QLatin1String("2.5.5.11")) return Syntax::Time;
  if (s == QLatin1String("2.5.5.16")) return Syntax::LargeInteger;
  if (s == QLatin1String("2.5.5.17")) return Syntax::Sid;
  Q_UNUSED(oMSyntax);
  return Syntax::String;  // the string syntaxes, DN-Binary, DN-String, presentation addresses
}

namespace {

QStringList strings(const Entry& e, const char* name) {
  QStringList out;
  if (const Attribute* a = e.find(QLatin1String(name)))
    for (const QByteArray& v : a->values) out.append(QString::fromUtf8(v));
  return out;
}

Result<QList<Entry>> all(DirectoryConnection& conn, const Dn& base, const QString& filter, const QStringList& attrs) {
  SearchRequest req;
  req.base = base;
  req.scope = Scope::OneLevel;
  req.filter = filter;
  req.attributes = attrs;
  auto r = conn.search(req);  // pages internally until the end
  if (!r) return r.error();
  return r->entries;
}

struct RawClass {
  QString name;
  QString superClass;
  QStringList may, must, aux, superiors;
  QString rdn;
  QString category;
  bool structural = true;
};

}  // namespace

namespace {

const QStringList& attributeFields() {
  static const QStringList f{QStringLiteral("lDAPDisplayName"), QStringLiteral("attributeSyntax"),
                             QStringLiteral("oMSyntax"),        QStringLiteral("isSingleValued"),
                             QStringLiteral("systemOnly"),      QStringLiteral("rangeUpper"),
                             QStringLiteral("rangeLower")};
  return f;
}

AttributeDef attributeDef(const Entry& e) {
  AttributeDef d;
  d.name = QString::fromUtf8(e.first(QStringLiteral("lDAPDisplayName")));
  d.syntax = syntaxFromSchema(QString::fromUtf8(e.first(QStringLiteral("attributeSyntax"))),
                              e.first(QStringLiteral("oMSyntax")).toInt());
  d.singleValued = e.first(QStringLiteral("isSingleValued")).compare("TRUE", Qt::CaseInsensitive) == 0;
  d.systemOnly = e.first(QStringLiteral("systemOnly")).compare("TRUE", Qt::CaseInsensitive) == 0;
  d.rangeUpper = e.first(QStringLiteral("rangeUpper")).toInt();
  d.rangeLower = e.first(QStringLiteral("rangeLower")).toInt();
  return d;
}

}  // namespace

Result<QList<AttributeDef>> loadDcAttributes(DirectoryConnection& conn, const Dn& schemaNc, const QStringList& names) {
  QList<AttributeDef> out;
  if (names.isEmpty()) return out;
  QString filter = QStringLiteral("(&(objectClass=attributeSchema)(|");
  for (const QString& n : names) filter += QStringLiteral("(lDAPDisplayName=%1)").arg(search::escapeFilterValue(n));
  filter += QStringLiteral("))");
  auto found = all(conn, schemaNc, filter, attributeFields());
  if (!found) return found.error();
  for (const Entry& e : std::as_const(*found)) {
    AttributeDef d = attributeDef(e);
    if (!d.name.isEmpty()) out.append(d);
  }
  return out;
}

Result<std::shared_ptr<const SchemaCatalog>> loadDcSchema(DirectoryConnection& conn, const Dn& schemaNc) {
  auto attrs = all(conn, schemaNc, QStringLiteral("(objectClass=attributeSchema)"), attributeFields());
  if (!attrs) return attrs.error();
  auto classes = all(conn, schemaNc, QStringLiteral("(objectClass=classSchema)"),
                     {QStringLiteral("lDAPDisplayName"), QStringLiteral("subClassOf"), QStringLiteral("mayContain"),
                      QStringLiteral("systemMayContain"), QStringLiteral("mustContain"),
                      QStringLiteral("systemMustContain"), QStringLiteral("auxiliaryClass"),
                      QStringLiteral("systemAuxiliaryClass"), QStringLiteral("possSuperiors"),
                      QStringLiteral("systemPossSuperiors"), QStringLiteral("rDNAttID"),
                      QStringLiteral("defaultObjectCategory"), QStringLiteral("objectClassCategory")});
  if (!classes) return classes.error();
  if (attrs->isEmpty() || classes->isEmpty())
    return makeError(hr::NO_SUCH_OBJECT, QStringLiteral("no schema could be read under %1").arg(schemaNc.toString()));

  QList<AttributeDef> defs;
  QSet<QString> systemOnly;
  for (const Entry& e : std::as_const(*attrs)) {
    const AttributeDef d = attributeDef(e);
    if (d.name.isEmpty()) continue;
    if (d.systemOnly) systemOnly.insert(d.name.toLower());
    defs.append(d);
  }

  QHash<QString, RawClass> raw;
  for (const Entry& e : std::as_const(*classes)) {
    RawClass c;
    c.name = QString::fromUtf8(e.first(QStringLiteral("lDAPDisplayName")));
    if (c.name.isEmpty()) continue;
    c.superClass = QString::fromUtf8(e.first(QStringLiteral("subClassOf")));
    c.may = strings(e, "mayContain") + strings(e, "systemMayContain");
    c.must = strings(e, "mustContain") + strings(e, "systemMustContain");
    c.aux = strings(e, "auxiliaryClass") + strings(e, "systemAuxiliaryClass");
    c.superiors = strings(e, "possSuperiors") + strings(e, "systemPossSuperiors");
    c.rdn = QString::fromUtf8(e.first(QStringLiteral("rDNAttID"))).toUpper();
    c.category = Dn::fromFormatted(QString::fromUtf8(e.first(QStringLiteral("defaultObjectCategory")))).rdns().value(0).value();
    c.structural = e.first(QStringLiteral("objectClassCategory")).toInt() == 1;
    raw.insert(c.name.toLower(), c);
  }

  // The chain from top to the class, and the contents of the chain and its auxiliary classes.
  auto chainOf = [&raw](const QString& name) {
    QStringList chain;
    QString at = name;
    for (int guard = 0; guard < 64 && raw.contains(at.toLower()); ++guard) {
      const RawClass& c = raw[at.toLower()];
      chain.prepend(c.name);
      if (c.superClass.isEmpty() || c.superClass.compare(c.name, Qt::CaseInsensitive) == 0) break;
      at = c.superClass;
    }
    return chain;
  };
  QList<ClassDef> classDefs;
  QHash<QString, std::pair<QStringList, QStringList>> contents;
  for (const RawClass& c : std::as_const(raw)) {
    ClassDef d;
    d.name = c.name;
    d.chain = chainOf(c.name);
    d.rdnType = c.rdn.isEmpty() ? QStringLiteral("CN") : c.rdn;
    d.possibleSuperiors = c.superiors;
    d.category = c.category;
    d.structural = c.structural;
    classDefs.append(d);

    QSet<QString> seen;
    QStringList may, must;
    QStringList todo = d.chain;
    for (int i = 0; i < todo.size() && i < 512; ++i) {
      auto it = raw.constFind(todo[i].toLower());
      if (it == raw.cend()) continue;
      for (const QString& a : it->aux)
        for (const QString& link : chainOf(a))
          if (!todo.contains(link, Qt::CaseInsensitive)) todo.append(link);
      for (const QString& a : it->must)
        if (!seen.contains(a.toLower())) {
          seen.insert(a.toLower());
          must.append(a);
        }
    }
    for (const QString& cls : std::as_const(todo)) {
      auto it = raw.constFind(cls.toLower());
      if (it == raw.cend()) continue;
      for (const QString& a : it->may)
        if (!seen.contains(a.toLower()) && !systemOnly.contains(a.toLower())) {
          seen.insert(a.toLower());
          may.append(a);
        }
    }
    auto byName = [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; };
    std::sort(may.begin(), may.end(), byName);
    std::sort(must.begin(), must.end(), byName);
    contents.insert(c.name, {may, must});
  }

  auto catalog = std::make_shared<SchemaCatalog>(std::move(defs), std::move(classDefs));
  for (auto it = contents.cbegin(); it != contents.cend(); ++it)
    catalog->setContents(it.key(), it->first, it->second);
  return std::shared_ptr<const SchemaCatalog>(std::move(catalog));
}

}  // namespace tavrel::ldap
