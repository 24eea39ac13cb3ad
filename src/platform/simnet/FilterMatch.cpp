#include "platform/simnet/FilterMatch.h"

#include "platform/adsi/Schema.h"
#include "platform/adsi/Values.h"
#include "platform/search/Filter.h"
#include "platform/search/Matcher.h"

#include <memory>

namespace tavrel::simnet {
namespace {

// An entry as the search layer's evaluator reads it: text as text, binary one character per octet.
class EntryAdapter : public search::Entry {
 public:
  explicit EntryAdapter(const AttributeSource& src) : src_(src) {}
  QStringList values(const QString& lowerName) const override {
    const adsi::Syntax syntax = adsi::syntaxOf(lowerName);
    const bool binary = syntax == adsi::Syntax::Octets || syntax == adsi::Syntax::Sid;
    QStringList out;
    for (const QByteArray& v : src_.values(lowerName))
      out.append(binary ? QString::fromLatin1(v) : QString::fromUtf8(v));
    if (lowerName == QLatin1String("objectcategory")) addClassAliases(out);
    return out;
  }

  // A category also answers to the names of the classes whose default category it is, as a
  // directory server expands "(objectCategory=domain)" to the Domain-DNS category.
  static void addClassAliases(QStringList& categories) {
    const qsizetype n = categories.size();
    for (qsizetype i = 0; i < n; ++i) {
      const QString dn = categories[i];
      const qsizetype comma = dn.indexOf(u',');
      if (!dn.startsWith(QLatin1String("CN="), Qt::CaseInsensitive) || comma < 0) continue;
      const QString category = dn.mid(3, comma - 3);
      for (const adsi::ClassDef& c : adsi::allClasses())
        if (c.category.compare(category, Qt::CaseInsensitive) == 0 &&
            c.name.compare(category, Qt::CaseInsensitive) != 0)
          categories.append(QStringLiteral("CN=") + c.name + dn.mid(comma));
    }
  }

 private:
  const AttributeSource& src_;
};

}  // namespace

adsi::Result<CompiledFilter> compileFilter(const QString& text) {
  auto parsed = search::parseFilter(text);
  if (!parsed)
    return adsi::ldapError(adsi::ldap::FILTER_ERROR, QStringLiteral("bad filter \"%1\": %2 at %3")
                                                         .arg(text, parsed.error().message)
                                                         .arg(parsed.error().position));
  CompiledFilter out;
  for (search::EqualityTerm& t : search::indexableTerms(*parsed))
    out.equalities.append({std::move(t.attribute), std::move(t.value)});
  auto matcher = std::make_shared<search::Matcher>(*parsed);
  out.matches = [matcher](const AttributeSource& src) { return matcher->matches(EntryAdapter(src)); };
  return out;
}

}  // namespace tavrel::simnet
