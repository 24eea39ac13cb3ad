#include "platform/text/Cp1252.h"

#include <QList>

#include <array>
#include <unordered_map>

namespace tavrel::text {
namespace {

// Code points of bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

const std::unordered_map<char32_t, char>& reverseHigh() {
  static const auto* table = [] {
    auto* m = new std::unordered_map<char32_t, char>;
    for (int i = 0; i < 32; ++i) (*m)[kHigh[i]] = static_cast<char>(0x80 + i);
    return m;
  }();
  return *table;
}

}  // namespace

QString fromCp1252(const QByteArray& bytes) {
  QString out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80 && b <= 0x9F)
      out.append(QChar(kHigh[b - 0x80]));
    else
      out.append(QChar(static_cast<char16_t>(b)));
  }
  return out;
}

QByteArray toCp1252(const QString& text, bool* lossy) {
  QByteArray out;
  out.reserve(text.size());
  bool replaced = false;
  const auto ucs4 = text.toUcs4();
  for (const char32_t cp : ucs4) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out.append(static_cast<char>(cp));
      continue;
    }
    const auto& rev = reverseHigh();
    auto it = rev.find(cp);
    if (it != rev.end()) {
      out.append(it->second);
    } else {
      out.append('?');
      replaced = true;
    }
  }
  if (lossy) *lossy = replaced;
  return out;
}

QByteArray fixedField(const QString& text, int width) {
  QByteArray bytes = toCp1252(text);
  if (bytes.size() > width) bytes.truncate(width);
  if (bytes.size() < width) bytes.append(QByteArray(width - bytes.size(), ' '));
  return bytes;
}

QString trimLeftBlanks(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  return text.mid(i);
}

QString trimRightBlanks(const QString& text) {
  qsizetype n = text.size();
  while (n > 0 && text[n - 1] == u' ') --n;
  return text.left(n);
}

QString trimBlanks(const QString& text) { return trimLeftBlanks(trimRightBlanks(text)); }

}  // namespace tavrel::text
