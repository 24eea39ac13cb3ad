// The ADO command parser, both dialects. A command that parses has a filter that prints and parses
// back to itself and a base that parses alone to the same base; its LDAP-dialect rendering parses
// to the same query (the SQL dialect's ORDER BY has no LDAP form and is left out).

#include "FuzzSupport.h"
#include "platform/search/AdoCommand.h"

using namespace tavrel;
using namespace tavrel::search;

namespace {

QString scopeWord(Scope s) {
  switch (s) {
    case Scope::Base:
      return QStringLiteral("base");
    case Scope::OneLevel:
      return QStringLiteral("onelevel");
    case Scope::Subtree:
      return QStringLiteral("subtree");
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString input = fuzz::text(data, size);
  const auto q = parseAdoCommand(input);
  if (!q.ok()) {
    TAVREL_FUZZ_CHECK(q.error().position >= 0 && q.error().position <= input.size(), input);
    return 0;
  }
  const auto filter = parseFilter(q->filter.toString());
  TAVREL_FUZZ_CHECK(filter.ok() && *filter == q->filter, input);
  const auto base = parseSearchBase(q->base.path);
  TAVREL_FUZZ_CHECK(base.ok() && *base == q->base, input);
  // The LDAP dialect's base ends at the first unescaped ">"; a base holding ">" or "\\" (possible
  // inside the SQL dialect's quotes) has no rendering that keeps its text.
  if (q->attributes.isEmpty() || q->base.path.contains(u'>') || q->base.path.contains(u'\\')) return 0;
  const QString ldap = u'<' + q->base.path.trimmed() + QStringLiteral(">;") + q->filter.toString() + u';' +
                       q->attributes.join(u',') + u';' + scopeWord(q->scope);
  const auto again = parseAdoCommand(ldap);
  TAVREL_FUZZ_CHECK(again.ok(), input + QStringLiteral(" rendered as ") + ldap);
  TAVREL_FUZZ_CHECK(again->base.server == q->base.server && again->base.dn == q->base.dn, ldap);
  TAVREL_FUZZ_CHECK(again->filter == q->filter, ldap);
  TAVREL_FUZZ_CHECK(again->attributes == q->attributes, ldap);
  TAVREL_FUZZ_CHECK(again->scope == q->scope, ldap);
  return 0;
}
