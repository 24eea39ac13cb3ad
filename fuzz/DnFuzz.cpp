// Distinguished names and ADsPaths. A DN that parses prints to a canonical text that parses to
// the same name and prints the same again; the stored form (fromFormatted) answers as the parsed
// one does; any value escaped into an RDN reads back as exactly that value. A path that parses
// prints to a path of the same kind that parses and prints the same again.

#include "FuzzSupport.h"
#include "platform/adsi/AdsPath.h"
#include "platform/adsi/Dn.h"

using namespace tavrel;
using adsi::AdsPath;
using adsi::Dn;
using adsi::Rdn;

namespace {

[[maybe_unused]] void checkDn(const QString& input) {
  const auto dn = Dn::parse(input);
  if (!dn.ok()) return;
  const QString printed = dn->toString();
  const auto again = Dn::parse(printed);
  TAVREL_FUZZ_CHECK(again.ok(), input + QStringLiteral(" printed as ") + printed);
  TAVREL_FUZZ_CHECK(again->toString() == printed, printed);
  TAVREL_FUZZ_CHECK(again->key() == dn->key(), printed);
  TAVREL_FUZZ_CHECK(again->depth() == dn->depth(), printed);
  const Dn stored = Dn::fromFormatted(printed);
  TAVREL_FUZZ_CHECK(stored.key() == dn->key(), printed);
  TAVREL_FUZZ_CHECK(stored.depth() == dn->depth(), printed);
  if (!dn->isEmpty()) {
    TAVREL_FUZZ_CHECK(stored.rdn().value() == dn->rdn().value(), printed);
    TAVREL_FUZZ_CHECK(dn->isWithin(dn->parent()), printed);
    TAVREL_FUZZ_CHECK(dn->parent().child(dn->rdn()).key() == dn->key(), printed);
  }
}

[[maybe_unused]] void checkEscapedValue(const QString& value) {
  if (value.isEmpty()) return;
  const Rdn rdn(QStringLiteral("CN"), value);
  const auto parsed = Rdn::parse(rdn.toString());
  TAVREL_FUZZ_CHECK(parsed.ok(), value + QStringLiteral(" escaped as ") + rdn.toString());
  TAVREL_FUZZ_CHECK(parsed->avas().size() == 1, rdn.toString());
  TAVREL_FUZZ_CHECK(parsed->value() == value, value + QStringLiteral(" escaped as ") + rdn.toString());
}

[[maybe_unused]] void checkPath(const QString& input) {
  const auto path = AdsPath::parse(input);
  if (!path.ok()) return;
  const QString printed = path->toString();
  // Escaping can make the printed path longer than any path the parser takes.
  if (printed.size() > adsi::kMaxPathLength) return;
  const auto again = AdsPath::parse(printed);
  TAVREL_FUZZ_CHECK(again.ok(), input + QStringLiteral(" printed as ") + printed);
  TAVREL_FUZZ_CHECK(again->kind == path->kind, input + QStringLiteral(" printed as ") + printed);
  TAVREL_FUZZ_CHECK(again->provider == path->provider, printed);
  TAVREL_FUZZ_CHECK(again->server == path->server, printed);
  TAVREL_FUZZ_CHECK(again->dn.key() == path->dn.key(), printed);
  TAVREL_FUZZ_CHECK(again->toString() == printed, printed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString input = fuzz::text(data, size);
#if defined(TAVREL_FUZZ_ADSPATH)
  checkPath(input);
  for (const char* prefix : {"LDAP://", "GC://", "WinNT://"}) checkPath(QLatin1String(prefix) + input);
#else
  checkDn(input);
  checkEscapedValue(input);
#endif
  return 0;
}
