#include "platform/security/Sid.h"

#include "platform/adsi/Values.h"

#include <QtEndian>

namespace tavrel::security {

namespace {
constexpr int kMaxSubAuthorities = 15;
}

std::optional<Sid> Sid::readFrom(QByteArrayView bytes) {
  if (bytes.size() < 8) return std::nullopt;
  const auto revision = static_cast<uchar>(bytes[0]);
  const int count = static_cast<uchar>(bytes[1]);
  if (revision != 1 || count > kMaxSubAuthorities || bytes.size() < 8 + 4 * count) return std::nullopt;
  return Sid(bytes.first(8 + 4 * count).toByteArray());
}

std::optional<Sid> Sid::fromBinary(QByteArrayView bytes) {
  auto s = readFrom(bytes);
  if (!s || s->length() != bytes.size()) return std::nullopt;
  return s;
}

std::optional<Sid> Sid::fromString(const QString& text) {
  const QByteArray b = adsi::sidFromString(text.trimmed());
  if (b.isEmpty()) return std::nullopt;
  return fromBinary(b);
}

std::optional<Sid> Sid::make(quint64 authority, const QList<quint32>& subAuthorities) {
  if (authority > 0xFFFFFFFFFFFFULL || subAuthorities.size() > kMaxSubAuthorities) return std::nullopt;
  QByteArray b;
  b.append(char(1));
  b.append(char(subAuthorities.size()));
  for (int i = 5; i >= 0; --i) b.append(char((authority >> (8 * i)) & 0xFF));
  for (quint32 sub : subAuthorities) {
    char le[4];
    qToLittleEndian(sub, le);
    b.append(le, 4);
  }
  return Sid(b);
}

QString Sid::toString() const {
  return adsi::sidToString(bytes_);
}

QString Sid::hex() const {
  return QString::fromLatin1(bytes_.toHex().toUpper());
}

quint64 Sid::authority() const {
  quint64 a = 0;
  for (int i = 2; i < 8 && i < bytes_.size(); ++i) a = (a << 8) | static_cast<uchar>(bytes_[i]);
  return a;
}

QList<quint32> Sid::subAuthorities() const {
  QList<quint32> out;
  for (qsizetype at = 8; at + 4 <= bytes_.size(); at += 4) out.append(qFromLittleEndian<quint32>(bytes_.constData() + at));
  return out;
}

quint32 Sid::rid() const {
  const auto subs = subAuthorities();
  return subs.isEmpty() ? 0 : subs.last();
}

Sid Sid::domain() const {
  if (bytes_.size() <= 8) return {};
  return Sid(adsi::sidDomain(bytes_));
}

Sid Sid::withRid(quint32 r) const {
  if (!isValid() || bytes_[1] >= kMaxSubAuthorities) return {};
  return Sid(adsi::sidWithRid(bytes_, r));
}

bool Sid::isPrefixOf(const Sid& other) const {
  return isValid() && other.length() == length() + 4 && other.domain() == *this;
}

namespace wellknown {
Sid everyone() {
  return *Sid::make(1, {0});
}
Sid creatorOwner() {
  return *Sid::make(3, {0});
}
Sid localSystem() {
  return *Sid::make(5, {18});
}
Sid authenticatedUsers() {
  return *Sid::make(5, {11});
}
Sid builtinAdministrators() {
  return *Sid::make(5, {32, 544});
}
Sid builtinUsers() {
  return *Sid::make(5, {32, 545});
}
}  // namespace wellknown

}  // namespace tavrel::security
