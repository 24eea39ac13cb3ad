#include "format/UserName.h"

#include "platform/registry/Registry_Object.h"
#include "startup/FRString.h"
#include "startup/SettingsRules.h"
#include "state/SharedState.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace tavrel::format {
namespace {

// A length digit: only "1" to "9" count; anything else, "0" and positions outside the text, is 0.
int lengthDigit(const QString& w, qsizetype i) {
  if (i < 0 || i >= w.size()) return 0;
  const char16_t c = w.at(i).unicode();
  return (c >= u'1' && c <= u'9') ? c - u'0' : 0;
}

bool isPair(QStringView s, qsizetype i) {
  return s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate();
}

// The first / last n characters of a name; a character outside the basic plane is never cut in half.
QStringView leftChars(QStringView v, int n) {
  qsizetype cut = 0;
  for (int k = 0; k < n && cut < v.size(); ++k) cut += isPair(v, cut) ? 2 : 1;
  return v.first(cut);
}

QStringView rightChars(QStringView v, int n) {
  qsizetype cut = v.size();
  for (int k = 0; k < n && cut > 0; ++k)
    cut -= (cut >= 2 && v.at(cut - 1).isLowSurrogate() && v.at(cut - 2).isHighSurrogate()) ? 2 : 1;
  return v.sliced(cut);
}

// Whether the text character `c` matches the token character `t` (an ASCII lower-case letter,
// digit or "%") without regard to case: the same case folding as QString's case-insensitive search,
// with a short path for ASCII.
inline bool foldsTo(char16_t c, char t) {
  if (c < 0x80) return ((c >= u'A' && c <= u'Z') ? c + 0x20 : c) == static_cast<unsigned char>(t);
  return QChar::toCaseFolded(char32_t(c)) == static_cast<unsigned char>(t);
}

// The first occurrence of `token` (ASCII, lower case, beginning with "%") in `w` from `from` on,
// matched without regard to case; -1 when there is none. This is the one search of the expansion
// and runs for every token of every call, hence the plain scan for "%" first.
qsizetype findToken(QStringView w, QLatin1StringView token, qsizetype from) {
  const qsizetype n = token.size();
  const qsizetype last = w.size() - n;
  for (qsizetype p = from; p <= last; ++p) {
    p = w.indexOf(u'%', p);
    if (p < 0 || p > last) return -1;
    qsizetype k = 1;
    while (k < n && foldsTo(w.at(p + k).unicode(), token.at(k).toLatin1())) ++k;
    if (k == n) return p;
  }
  return -1;
}

enum class Casing { Keep, Upper, Lower };

// Replaces w[start, start+length) by `value` with the casing applied; returns the inserted length.
qsizetype insertCased(QString& w, qsizetype start, qsizetype length, QStringView value, Casing casing) {
  bool ascii = true;
  for (QChar c : value) ascii = ascii && c.unicode() < 0x80;
  if (casing == Casing::Keep || ascii) {
    w.replace(start, length, value.data(), value.size());
    if (casing != Casing::Keep) {
      QChar* d = w.data() + start;
      for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = d[i].unicode();
        if (casing == Casing::Upper && c >= u'a' && c <= u'z') d[i] = QChar(c - 0x20);
        if (casing == Casing::Lower && c >= u'A' && c <= u'Z') d[i] = QChar(c + 0x20);
      }
    }
    return value.size();
  }
  // Full Unicode case mapping; the length may change ("ß" upper-cases to "SS").
  const QString mapped = casing == Casing::Upper ? value.toString().toUpper() : value.toString().toLower();
  w.replace(start, length, mapped);
  return mapped.size();
}

// Replaces every occurrence of one name token in `w`. Indexes are 0-based; the token sits at
// w[p .. p+T-1]. The search goes on behind each inserted value, so a name that holds its own token
// (or text that joins with its surroundings into one) is inserted as it is and never expanded
// again by the same pass. Stops, returning false, once the text is longer than `limit`.
bool namePass(QString& w, QLatin1StringView token, const QString& value, qsizetype limit) {
  const qsizetype T = token.size();
  qsizetype from = 0;
  qsizetype p;
  while ((p = findToken(w, token, from)) >= 0) {
    // A case modifier is "#U" or "#L" within the three characters before the token.
    Casing casing = Casing::Keep;
    if (p >= 3) {
      for (qsizetype i = p - 3; i < p - 1; ++i) {
        if (w.at(i) != u'#') continue;
        const char16_t m = w.at(i + 1).unicode();
        if (m == u'U' || m == u'u') casing = Casing::Upper;
        if (m == u'L' || m == u'l') casing = Casing::Lower;
      }
    }
    const bool modifier = casing != Casing::Keep;
    const int lead = lengthDigit(w, p - 1);
    if (modifier) {
      // Takes out the modifier's letter (the character before the digit, or before the token);
      // its "#" stays for now.
      w.remove(lead ? p - 2 : p - 1, 1);
      --p;
    }
    qsizetype start, length;
    QStringView part;
    if (lead) {
      part = leftChars(value, lead);
      start = modifier ? p - 2 : p - 1;  // the digit goes, and with a modifier its "#" too
      length = p + T - start;
    } else if (const int trail = lengthDigit(w, p + T)) {
      part = rightChars(value, trail);
      start = modifier ? p - 1 : p;
      length = p + T + 1 - start;
    } else {
      part = value;
      start = p;
      length = T;
    }
    from = start + insertCased(w, start, length, part, casing);
    if (w.size() > limit) return false;
  }
  return true;
}

QString counterText(int16_t counter, int width) {
  const int v = counter;
  QString digits = QString::number(std::abs(v));
  if (digits.size() < width) digits.prepend(QString(width - digits.size(), u'0'));
  if (v < 0) digits.prepend(u'-');
  return digits;
}

// Loads Id_Counter from Setup\IncNumber: the leading number of the text, halves rounded to the even
// neighbour; 0 when the value is missing; unchanged when the number does not fit 16 bits.
void loadCounter(state::SharedState& s) {
  QString data;
  if (!state::reg().Read_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey(QStringLiteral("Setup")),
                               QStringLiteral("IncNumber"), data)) {
    s.Id_Counter = 0;
    return;
  }
  const qint64 n = startup::roundHalfEven(startup::leadingNumber(data));
  if (n >= std::numeric_limits<int16_t>::min() && n <= std::numeric_limits<int16_t>::max())
    s.Id_Counter = static_cast<int16_t>(n);
}

}  // namespace

Expanded UserName(const QString& format, const QString& first, const QString& middle, const QString& last) {
  state::SharedState& s = state::shared();
  const auto tooLong = [] {
    return Expanded{QString(), expansionTooLong(QStringLiteral("The name format"))};
  };
  // The blanks added below and removed at the end do not count against the bound.
  constexpr qsizetype kLimit = kMaxExpandedLength + 2;
  if (format.size() > kMaxExpandedLength) return tooLong();

  // The blanks give every token a character before and after it; the final trim removes them.
  QString w;
  w.reserve(format.size() + 2 + 2 * (first.size() + middle.size() + last.size()));
  w.append(u' ').append(format).append(u' ');

  if (!namePass(w, QLatin1StringView("%first%"), first, kLimit) ||
      !namePass(w, QLatin1StringView("%middle%"), middle, kLimit) ||
      !namePass(w, QLatin1StringView("%last%"), last, kLimit))
    return tooLong();

  if (w.contains(u'#')) w.remove(u'#');

  // Fields 1 to 99 are replaced in order, so a field may hold the token of a later field; a token
  // past the line's last field stands for an empty field, and %IMPORT100% and above stay as they
  // are. Without any "%IMPORT" in the text no field can apply, and the searches are skipped.
  if (findToken(w, QLatin1StringView("%import"), 0) >= 0) {
    for (qsizetype k = 1; k <= kLastImportToken; ++k)
      if (!startup::FRStringWithin(w, QLatin1StringView("%IMPORT") + QString::number(k) + u'%',
                                   s.ImportField.value(k), kLimit))
        return tooLong();
  }

  static const QLatin1StringView kCounters[] = {QLatin1StringView("%n%"), QLatin1StringView("%nn%"),
                                                QLatin1StringView("%nnn%")};
  for (int width = 1; width <= 3; ++width) {
    const QLatin1StringView token = kCounters[width - 1];
    if (findToken(w, token, 0) < 0) continue;
    // The setting is read at most once per call, and only when a counter is about to be written:
    // until then the value of Id_Counter is of no use to anyone while CounterUsed is false.
    if (!s.CounterUsed) loadCounter(s);
    if (!startup::FRStringWithin(w, token, counterText(s.Id_Counter, width), kLimit)) return tooLong();
    s.CounterUsed = true;
  }

  // Leading and trailing blanks go, in place.
  qsizetype end = w.size();
  while (end > 0 && w.at(end - 1) == u' ') --end;
  w.truncate(end);
  qsizetype begin = 0;
  while (begin < w.size() && w.at(begin) == u' ') ++begin;
  w.remove(0, begin);
  return {w, QString()};
}

}  // namespace tavrel::format
