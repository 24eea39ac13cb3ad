// The name format language and template variables over crafted formats, names, import fields and
// variable rows: every expansion ends quickly, either within the bound or with an error, and a
// failed variable expansion leaves its text as it was.
//
// Input: fields separated by NUL characters. UserName: format, first, middle, last, then import
// fields 1, 2, ... Variables: the text, then name and value of each row.

#include "FuzzSupport.h"
#include "format/UserName.h"
#include "format/Variables.h"
#include "state/SharedState.h"

#include <QStringList>

using namespace tavrel;

namespace {

QString field(const QStringList& parts, qsizetype i) {
  return i < parts.size() ? parts[i] : QString();
}

void checkBound(const format::Expanded& e, const QString& what) {
  TAVREL_FUZZ_CHECK(e.ok() != !e.error.isEmpty(), what);
  TAVREL_FUZZ_CHECK(e.text.size() <= format::kMaxExpandedLength, what);
  if (!e.ok()) TAVREL_FUZZ_CHECK(e.text.isEmpty(), what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QStringList parts = fuzz::text(data, size).split(QChar(0));
  state::SharedState& s = state::shared();
  s = state::SharedState{};
  // The counter's setting is not read: a counter in use keeps its value.
  s.CounterUsed = true;
  s.Id_Counter = static_cast<int16_t>(size);

#if defined(TAVREL_FUZZ_VARIABLES)
  std::vector<state::VariableRow> rows;
  for (qsizetype i = 1; i + 1 < parts.size() && rows.size() < 50; i += 2)
    rows.push_back({parts[i], parts[i + 1]});
  QString text = field(parts, 0);
  const QString before = text;
  const auto e = format::Replace_Variables(text, rows);
  checkBound(e, before);
  TAVREL_FUZZ_CHECK(text == (e.ok() ? e.text : before), before);
#else
  for (qsizetype k = 1; k <= 100 && k + 3 < parts.size(); ++k) s.ImportField[k] = parts[k + 3];
  const auto e = format::UserName(field(parts, 0), field(parts, 1), field(parts, 2), field(parts, 3));
  checkBound(e, field(parts, 0));
#endif
  return 0;
}
