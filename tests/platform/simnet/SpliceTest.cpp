// A change spliced into a stored entry: the stored attributes are merged with the changes in key
// order, and an entry whose attributes are out of order still comes out whole and in order.

#include "platform/simnet/Store.h"

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

using adsi::Attribute;

// Attributes in the given order, in the stored layout (lengths below 128 take one byte).
QByteArray raw(const QList<Attribute>& attributes) {
  QByteArray out(1, char(1));
  for (const Attribute& a : attributes) {
    const QByteArray name = a.name.toUtf8();
    out += char(name.size()) + name + char(a.values.size());
    for (const QByteArray& v : a.values) out += char(v.size()) + v;
  }
  return out;
}

TEST(Splice, KeepsTheStoredOrderAndPlacesEachChangeByKey) {
  const QList<Attribute> stored{{"alpha", {"1"}}, {"Beta", {"2"}}, {"gamma", {"3", "4"}}};
  struct Case {
    const char* what;
    QList<Attribute> changes;
    QList<Attribute> expected;
  };
  const Case cases[] = {
      {"no change", {}, stored},
      {"changes given out of order",
       {{"zeta", {"z"}}, {"BETA", {"b"}}, {"aardvark", {"a"}}},
       {{"aardvark", {"a"}}, {"alpha", {"1"}}, {"BETA", {"b"}}, {"gamma", {"3", "4"}}, {"zeta", {"z"}}}},
      {"every stored attribute removed", {{"gamma", {}}, {"alpha", {}}, {"beta", {}}}, {}},
      {"one name changed twice: both, in the order given",
       {{"delta", {"x"}}, {"Delta", {"y"}}},
       {{"alpha", {"1"}}, {"Beta", {"2"}}, {"delta", {"x"}}, {"Delta", {"y"}}, {"gamma", {"3", "4"}}}},
  };
  for (const Case& c : cases) {
    auto spliced = simnet::packed::splice(simnet::packed::pack(stored), c.changes);
    ASSERT_TRUE(spliced.has_value()) << c.what;
    EXPECT_EQ(*spliced, raw(c.expected)) << c.what;
  }
}

TEST(Splice, SortsAnEntryStoredOutOfOrder) {
  // As a hand-made or older entry might hold them: not in key order.
  const QByteArray stored = raw({{"zeta", {"z"}}, {"Beta", {"2"}}, {"alpha", {"1"}}});
  auto spliced = simnet::packed::splice(stored, {{"gamma", {"g"}}, {"beta", {}}});
  ASSERT_TRUE(spliced.has_value());
  EXPECT_EQ(*spliced, raw({{"alpha", {"1"}}, {"gamma", {"g"}}, {"zeta", {"z"}}}));
  // Damaged after the point where the order breaks: refused, as a damaged entry in order is.
  EXPECT_FALSE(simnet::packed::splice(stored.left(stored.size() - 1), {{"gamma", {"g"}}}).has_value());
  EXPECT_FALSE(simnet::packed::splice(raw({{"b", {"1"}}}).left(4), {{"a", {"g"}}}).has_value());
}

}  // namespace
}  // namespace tavrel::test
