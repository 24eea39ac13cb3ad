#pragma once
// Helpers shared by the fuzz targets.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tavrel::fuzz {

// A broken promise of the code under test: reported, then abort() so that libFuzzer keeps the
// input and the replay test fails.
[[noreturn]] inline void fail(const char* what, const QString& detail = {}) {
  // Control characters are shown as \uXXXX, so that a NUL does not cut the detail short.
  QString shown;
  for (const QChar c : detail)
    shown += c.unicode() < 0x20 && c != u'\n'
                 ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))
                 : QString(c);
  std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, shown.toUtf8().constData());
  std::abort();
}

#define TAVREL_FUZZ_CHECK(cond, detail)                 \
  do {                                                  \
    if (!(cond)) ::tavrel::fuzz::fail(#cond, (detail)); \
  } while (0)

inline QByteArray bytes(const std::uint8_t* data, std::size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The input read as UTF-8 text (invalid sequences become U+FFFD, as any text box would give).
inline QString text(const std::uint8_t* data, std::size_t size) {
  return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

}  // namespace tavrel::fuzz
