// Expansion rate of the user-ID formats offered on the setup page, over 100,000 names.

#include "format/UserName.h"
#include "platform/registry/Registry_Object.h"
#include "state/SharedState.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

#include <array>
#include <vector>

namespace {

using tavrel::format::UserName;
namespace state = tavrel::state;

struct Person {
  QString first, middle, last;
};

const std::vector<Person>& people() {
  static const std::vector<Person> list = [] {
    const std::array<const char*, 16> firsts = {
        "John",  "Mary",  "Ahmed",  "Li",     "Ana",   "Jean-Luc", "Olga", "Pieter",
        "Sofía", "Kwame", "Ingrid", "Rajesh", "Chloé", "Mikhail",  "Yuki", "Bartholomew"};
    const std::array<const char*, 7> middles = {"", "Fred", "A", "Maria", "van", "Lee", "Óscar"};
    const std::array<const char*, 19> lasts = {
        "Smith",  "O'Brien",    "Nguyen", "García",           "Müller", "Kowalczyk", "Ng",
        "Zhang",  "Fitzgerald", "Okafor", "Lindqvist",        "Patel",  "Dubois",    "Ivanova",
        "Tanaka", "Haddad",     "Rossi",  "Abernathy-Smythe", "Eze"};
    std::vector<Person> v;
    v.reserve(100000);
    for (int i = 0; i < 100000; ++i)
      v.push_back({QString::fromUtf8(firsts[i % firsts.size()]),
                   QString::fromUtf8(middles[(i / 3) % middles.size()]),
                   QString::fromUtf8(lasts[(i / 7) % lasts.size()])});
    return v;
  }();
  return list;
}

// A private settings file holding IncNumber, so that no real settings are read.
void useScratchSettings() {
  static QTemporaryDir dir;
  qputenv("TAVREL_CONFIG", QFile::encodeName(dir.path() + QStringLiteral("/Tavrel.conf")));
  state::resetShared();
  state::reg().Write_Value(tavrel::registry::HKEY_LOCAL_MACHINE,
                           tavrel::registry::subkey(QStringLiteral("Setup")), QStringLiteral("IncNumber"),
                           QStringLiteral("1"));
}

// The four fixed user-ID formats and a custom one with modifiers, a trailing length and a counter.
const std::array<const char*, 5> kFormats = {"%last%#1%first%", "%first%#1%last%", "1%first%%last%",
                                             "%first%%last%", "#L1%first%#L%last%3%nn%"};

void BM_UserIdFormat(benchmark::State& st) {
  useScratchSettings();
  const QString format = QString::fromUtf8(kFormats[st.range(0)]);
  const auto& list = people();
  for (auto _ : st) {
    for (const Person& p : list) benchmark::DoNotOptimize(UserName(format, p.first, p.middle, p.last));
  }
  st.SetItemsProcessed(st.iterations() * static_cast<int64_t>(list.size()));
  st.SetLabel(kFormats[st.range(0)]);
}
BENCHMARK(BM_UserIdFormat)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// All five formats for every name, as one mixed workload.
void BM_AllFiveFormats(benchmark::State& st) {
  useScratchSettings();
  std::array<QString, 5> formats;
  for (size_t i = 0; i < formats.size(); ++i) formats[i] = QString::fromUtf8(kFormats[i]);
  const auto& list = people();
  for (auto _ : st) {
    for (const Person& p : list)
      for (const QString& f : formats) benchmark::DoNotOptimize(UserName(f, p.first, p.middle, p.last));
  }
  st.SetItemsProcessed(st.iterations() * static_cast<int64_t>(list.size() * formats.size()));
}
BENCHMARK(BM_AllFiveFormats)->Unit(benchmark::kMillisecond);

// The counter format when every expansion starts a new user (the counter is read from the settings
// each time), as in a creation run per user.
void BM_CounterReadEachTime(benchmark::State& st) {
  useScratchSettings();
  const QString format = QString::fromUtf8(kFormats[4]);
  const auto& list = people();
  size_t i = 0;
  for (auto _ : st) {
    const Person& p = list[i++ % list.size()];
    state::shared().CounterUsed = false;
    benchmark::DoNotOptimize(UserName(format, p.first, p.middle, p.last));
  }
  st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_CounterReadEachTime);

}  // namespace

BENCHMARK_MAIN();
