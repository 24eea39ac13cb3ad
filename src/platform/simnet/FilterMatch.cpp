#include "platform/simnet/FilterMatch.h"

#include "platform/adsi/Schema.h"
#include "platform/adsi/Values.h"
#include "platform/search/Filter.h"
#include "platform/search/Matcher.h"

#include <QVarLengthArray>

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
    return out;
  }
  // The same texts without a list: an ASCII or binary value is widened into a buffer in place.
  bool anyValue(const QString& lowerName, qxp::function_ref<bool(QStringView)> test) const override {
    const adsi::Syntax syntax = adsi::syntaxOf(lowerName);
    const bool binary = syntax == adsi::Syntax::Octets || syntax == adsi::Syntax::Sid;
    QVarLengthArray<char16_t, 256> wide;
    return src_.anyValue(lowerName, [&](QByteArrayView v) {
      wide.resize(v.size());
      for (qsizetype i = 0; i < v.size(); ++i) {
        const auto b = static_cast<uchar>(v[i]);
        if (b >= 0x80 && !binary) return test(QString::fromUtf8(v));
        wide[i] = b;
      }
      return test(QStringView(wide.data(), wide.size()));
    });
  }

 private:
  const AttributeSource& src_;
};

// A directory server reads "(objectCategory=<name>)" with a name rather than a DN as the default
// category of the class of that lDAPDisplayName, in any case: "user" and "Person" both stand for
// CN=Person, "OrganizationalUnit" for CN=Organizational-Unit. Any other name, the category's own CN
// "Organizational-Unit" included, matches nothing. Each such test is rewritten to compare with the
// category's CN, or to the filter that is never true.
void resolveCategoryNames(search::Filter& f) {
  for (search::Filter& child : f.children) resolveCategoryNames(child);
  const bool equality = f.kind == search::Filter::Kind::Equality || f.kind == search::Filter::Kind::Approx;
  if (!equality || f.attribute.compare(QLatin1String("objectCategory"), Qt::CaseInsensitive) != 0 ||
      f.value.contains('='))
    return;
  const adsi::ClassDef* c = adsi::findClass(f.text());
  if (c && !c->category.isEmpty()) {
    f.value = c->category.toUtf8();
    return;
  }
  f = search::Filter{};
  f.kind = search::Filter::Kind::Or;  // (|) with no members: never true
}

}  // namespace

adsi::Result<CompiledFilter> compileFilter(const QString& text) {
  auto parsed = search::parseFilter(text);
  if (!parsed)
    return adsi::ldapError(adsi::ldap::FILTER_ERROR, QStringLiteral("bad filter \"%1\": %2 at %3")
                                                         .arg(text, parsed.error().message)
                                                         .arg(parsed.error().position));
  CompiledFilter out;
  // The terms as written: a category is looked up by the name the filter gives.
  for (search::EqualityTerm& t : search::indexableTerms(*parsed))
    out.equalities.append({std::move(t.attribute), std::move(t.value)});
  search::Filter filter = std::move(parsed).value();
  resolveCategoryNames(filter);
  auto matcher = std::make_shared<search::Matcher>(filter);
  out.matches = [matcher](const AttributeSource& src) { return matcher->matches(EntryAdapter(src)); };
  return out;
}

}  // namespace tavrel::simnet
