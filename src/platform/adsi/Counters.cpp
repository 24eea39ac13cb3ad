#include "platform/adsi/Counters.h"

#include <QStringList>

namespace tavrel::adsi {

namespace detail {
std::array<std::atomic<std::uint64_t>, kCounterCount> counters{};
}

const char* counterName(Counter c) {
  switch (c) {
    case Counter::Connections:
      return "connections";
    case Counter::TlsHandshakes:
      return "TLS handshakes";
    case Counter::Binds:
      return "binds";
    case Counter::Searches:
      return "searches";
    case Counter::Reads:
      return "reads";
    case Counter::Writes:
      return "writes";
    case Counter::Transactions:
      return "transactions";
  }
  return "?";
}

Counts counts() {
  Counts c;
  for (int i = 0; i < kCounterCount; ++i) c.n[i] = detail::counters[i].load(std::memory_order_relaxed);
  return c;
}

QString Counts::toString(double per) const {
  QStringList parts;
  for (int i = 0; i < kCounterCount; ++i)
    parts << QStringLiteral("%1 %2")
                 .arg(QLatin1String(counterName(static_cast<Counter>(i))))
                 .arg(double(n[i]) / per, 0, 'g', 4);
  return parts.join(QStringLiteral(", "));
}

}  // namespace tavrel::adsi
