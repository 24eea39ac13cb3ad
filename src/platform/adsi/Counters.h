#pragma once
// What the directory back ends did, counted for the whole process so a benchmark or a test can
// show what an operation cost: connections opened, TLS handshakes, binds, searches, reads of one
// entry, writes and write transactions. Counting is a relaxed atomic increment.
//
//   const adsi::Counts before = adsi::counts();
//   ...create a user...
//   const adsi::Counts cost = adsi::counts() - before;  // cost[adsi::Counter::Searches]

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>

namespace tavrel::adsi {

enum class Counter {
  Connections,    // network connections opened to a server (simnet: connection objects made)
  TlsHandshakes,  // TLS sessions negotiated
  Binds,          // authentications (a bind request, or a simulated bind)
  Searches,       // search requests sent, each page and each read of one entry included
  Reads,          // of those, reads of one entry by its name (simnet: read snapshots taken)
  Writes,         // changes sent: adds, modifies, deletes, renames, password sets
  Transactions,   // write transactions of the store (simnet only)
};
constexpr int kCounterCount = 7;

// The names benchmarks print ("connections", "TLS handshakes", ...).
const char* counterName(Counter c);

// A copy of the counters at one moment.
struct Counts {
  std::array<std::uint64_t, kCounterCount> n{};
  std::uint64_t operator[](Counter c) const { return n[static_cast<int>(c)]; }
  Counts operator-(const Counts& o) const {
    Counts d;
    for (int i = 0; i < kCounterCount; ++i) d.n[i] = n[i] - o.n[i];
    return d;
  }
  // "connections 1, TLS handshakes 1, binds 1, searches 3, ..." (each divided by `per`).
  QString toString(double per = 1) const;
};

namespace detail {
extern std::array<std::atomic<std::uint64_t>, kCounterCount> counters;
}

inline void count(Counter c, std::uint64_t by = 1) {
  detail::counters[static_cast<int>(c)].fetch_add(by, std::memory_order_relaxed);
}

Counts counts();

}  // namespace tavrel::adsi
