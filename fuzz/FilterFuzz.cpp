// The filter parser and printer: any text either fails to parse with a syntax error or parses to
// a filter whose printed form parses back to the same filter and prints the same again. The
// evaluator's equality terms and the value escaping are exercised on the same input.

#include "FuzzSupport.h"
#include "platform/search/Filter.h"

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString input = fuzz::text(data, size);
  const auto parsed = search::parseFilter(input);
  if (parsed.ok()) {
    const QString printed = parsed->toString();
    const auto again = search::parseFilter(printed);
    TAVREL_FUZZ_CHECK(again.ok(), input + QStringLiteral(" printed as ") + printed);
    TAVREL_FUZZ_CHECK(*again == *parsed, input + QStringLiteral(" printed as ") + printed);
    TAVREL_FUZZ_CHECK(again->toString() == printed, printed);
    (void)search::indexableTerms(*parsed);
  } else {
    TAVREL_FUZZ_CHECK(parsed.error().position >= 0 && parsed.error().position <= input.size(), input);
  }
  // Any text escaped as a value makes an equality test for exactly that text.
  const auto equality = search::parseFilter(QStringLiteral("(cn=") + search::escapeFilterValue(input) + ')');
  TAVREL_FUZZ_CHECK(equality.ok(), input);
  TAVREL_FUZZ_CHECK(equality->kind == search::Filter::Kind::Equality, input);
  TAVREL_FUZZ_CHECK(equality->value == input.toUtf8(), input);
  return 0;
}
