// The simulated network's packed attribute values. Any stored bytes either fail to unpack or
// unpack to attributes whose packing unpacks to the same attributes (in key order, without
// valueless ones), and `find` answers each name as the unpacked attributes do. Attributes built
// from the input pack and unpack to themselves.

#include "FuzzSupport.h"
#include "platform/simnet/Store.h"

#include <algorithm>

using namespace tavrel;
using adsi::Attribute;

namespace {

// pack's order: attributes without values dropped, the rest by lower-cased name, stable.
QList<Attribute> canonical(QList<Attribute> attributes) {
  attributes.removeIf([](const Attribute& a) { return a.values.isEmpty(); });
  std::stable_sort(attributes.begin(), attributes.end(), [](const Attribute& a, const Attribute& b) {
    return a.name.toLower().toUtf8() < b.name.toLower().toUtf8();
  });
  return attributes;
}

bool same(const QList<Attribute>& a, const QList<Attribute>& b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i)
    if (a[i].name != b[i].name || a[i].values != b[i].values) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = fuzz::bytes(data, size);
  if (const auto unpacked = simnet::packed::unpack(bytes)) {
    const QList<Attribute> again =
        simnet::packed::unpack(simnet::packed::pack(*unpacked)).value_or(QList<Attribute>{});
    TAVREL_FUZZ_CHECK(same(again, canonical(*unpacked)), QString::fromLatin1(bytes.toHex()));
    for (const Attribute& a : *unpacked) {
      const auto found = simnet::packed::find(bytes, a.name);
      TAVREL_FUZZ_CHECK(found.has_value(), a.name);
      // The first attribute of that name (letter case ignored) answers.
      const auto first = std::find_if(unpacked->begin(), unpacked->end(), [&](const Attribute& b) {
        return b.name.compare(a.name, Qt::CaseInsensitive) == 0;
      });
      TAVREL_FUZZ_CHECK(*found == first->values, a.name);
    }
  }

  // Attributes from the input: "name=value;value|name=value|...".
  QList<Attribute> built;
  for (const QString& part : fuzz::text(data, size).split(u'|')) {
    const qsizetype eq = part.indexOf(u'=');
    Attribute a{eq < 0 ? part : part.left(eq), {}};
    if (eq >= 0)
      for (const QString& v : part.mid(eq + 1).split(u';')) a.values.append(v.toUtf8());
    built.append(a);
  }
  const auto roundTrip = simnet::packed::unpack(simnet::packed::pack(built));
  TAVREL_FUZZ_CHECK(roundTrip.has_value(), fuzz::text(data, size));
  TAVREL_FUZZ_CHECK(same(*roundTrip, canonical(built)), fuzz::text(data, size));
  return 0;
}
