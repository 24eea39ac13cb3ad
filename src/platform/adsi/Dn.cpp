#include "platform/adsi/Dn.h"

namespace tavrel::adsi {
namespace {

QString canonicalType(const QString& type) {
  const QString lower = type.toLower();
  static const char* const kUpper[] = {"cn", "ou", "dc", "o", "c", "l", "st", "street", "uid"};
  for (const char* t : kUpper)
    if (lower == QLatin1String(t)) return type.toUpper();
  return type;
}

bool isTypeChar(QChar c, bool first) {
  if (c.isLetter() && c.unicode() < 128) return true;
  if (first) return c.isDigit();
  return c.isDigit() || c == u'-' || c == u'.';
}

int hexValue(QChar c) {
  if (c >= u'0' && c <= u'9') return c.unicode() - '0';
  if (c >= u'a' && c <= u'f') return c.unicode() - 'a' + 10;
  if (c >= u'A' && c <= u'F') return c.unicode() - 'A' + 10;
  return -1;
}

Error dnError(const QString& text, const QString& why) {
  return ldapError(ldap::INVALID_DN_SYNTAX, QStringLiteral("invalid DN \"%1\": %2").arg(text, why));
}

}  // namespace

// Parses the RDNs of `text` (when `single`, exactly one).
Result<QList<Rdn>> parseRdnList(const QString& text, bool single) {
  QList<Rdn> out;
  const qsizetype n = text.size();
  qsizetype i = 0;
  auto skipBlanks = [&] {
    while (i < n && text[i] == u' ') ++i;
  };
  if (text.trimmed().isEmpty()) return out;
  Rdn rdn;
  for (;;) {
    skipBlanks();
    const qsizetype typeStart = i;
    while (i < n && isTypeChar(text[i], i == typeStart)) ++i;
    if (i == typeStart) return dnError(text, QStringLiteral("missing attribute type"));
    const QString type = text.mid(typeStart, i - typeStart);
    skipBlanks();
    if (i >= n || text[i] != u'=') return dnError(text, QStringLiteral("missing '='"));
    ++i;
    skipBlanks();
    QString value;
    if (i < n && text[i] == u'#') {
      // A hex-encoded value: kept as the text of its bytes.
      ++i;
      QByteArray bytes;
      while (i + 1 < n && hexValue(text[i]) >= 0 && hexValue(text[i + 1]) >= 0) {
        bytes.append(static_cast<char>(hexValue(text[i]) * 16 + hexValue(text[i + 1])));
        i += 2;
      }
      value = QString::fromUtf8(bytes);
      skipBlanks();
      // Only a separator may follow the hex pairs: "#41z..." is no hex value and no separator.
      if (i < n && text[i] != u',' && text[i] != u';' && text[i] != u'+')
        return dnError(text, QStringLiteral("unexpected '%1' after a hex value").arg(text[i]));
    } else {
      QByteArray pending;             // escaped hex pairs form UTF-8 sequences
      qsizetype lastSignificant = 0;  // length of `value` up to the last escaped or non-blank char
      auto flush = [&] {
        if (!pending.isEmpty()) {
          value += QString::fromUtf8(pending);
          pending.clear();
          lastSignificant = value.size();
        }
      };
      while (i < n) {
        const QChar c = text[i];
        if (c == u'\\') {
          if (i + 1 >= n) return dnError(text, QStringLiteral("dangling escape"));
          const int h1 = hexValue(text[i + 1]);
          const int h2 = i + 2 < n ? hexValue(text[i + 2]) : -1;
          if (h1 >= 0 && h2 >= 0) {
            pending.append(static_cast<char>(h1 * 16 + h2));
            i += 3;
            continue;
          }
          flush();
          value += text[i + 1];
          lastSignificant = value.size();
          i += 2;
          continue;
        }
        if (c == u',' || c == u';' || c == u'+') break;
        if (c == u'"' || c == u'<' || c == u'>' || c == u'=')
          return dnError(text, QStringLiteral("unescaped '%1'").arg(c));
        flush();
        value += c;
        if (c != u' ') lastSignificant = value.size();
        ++i;
      }
      flush();
      value.truncate(lastSignificant);
    }
    if (value.isEmpty()) return dnError(text, QStringLiteral("empty value"));
    rdn.avas_.append(Ava{canonicalType(type), value});
    if (i >= n) break;
    const QChar sep = text[i++];
    if (sep == u'+') continue;
    out.append(rdn);
    rdn = Rdn();
    if (single) return dnError(text, QStringLiteral("more than one RDN"));
    if (i >= n) return dnError(text, QStringLiteral("trailing separator"));
  }
  out.append(rdn);
  return out;
}

QString escapeDnValue(const QString& value) {
  QString out;
  out.reserve(value.size() + 4);
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar c = value[i];
    const bool special =
        c == u',' || c == u'+' || c == u'"' || c == u'\\' || c == u'<' || c == u'>' || c == u';' || c == u'=';
    if (special || (i == 0 && (c == u'#' || c == u' ')) || (i == value.size() - 1 && c == u' ')) {
      out += u'\\';
      out += c;
    } else if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
      out += QStringLiteral("\\%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      out += c;
    }
  }
  return out;
}

Rdn::Rdn(QString type, QString value) {
  avas_.append(Ava{canonicalType(type), std::move(value)});
}

Result<Rdn> Rdn::parse(const QString& text) {
  auto r = parseRdnList(text, true);
  if (!r) return r.error();
  if (r->isEmpty()) return dnError(text, QStringLiteral("empty name"));
  return r->first();
}

QString Rdn::toString() const {
  QString out;
  for (const Ava& a : avas_) {
    if (!out.isEmpty()) out += u'+';
    out += a.type + u'=' + escapeDnValue(a.value);
  }
  return out;
}

QString Rdn::key() const {
  return toString().toLower();
}

Result<Dn> Dn::parse(const QString& text) {
  auto r = parseRdnList(text, false);
  if (!r) return r.error();
  Dn dn;
  dn.rdns_ = std::move(*r);
  return dn;
}

Dn Dn::fromFormatted(const QString& text) {
  Dn dn;
  dn.text_ = text;
  dn.unparsed_ = !text.isEmpty();
  return dn;
}

const QList<Rdn>& Dn::rdns() const {
  if (unparsed_) {
    // The text came from toString(), so it parses; were it damaged, the name would read as empty.
    auto r = parseRdnList(text_, false);
    if (r) rdns_ = std::move(*r);
    unparsed_ = false;
  }
  return rdns_;
}

Dn Dn::fromDnsName(const QString& dnsName) {
  Dn dn;
  for (const QString& label : dnsName.split(u'.', Qt::SkipEmptyParts))
    dn.rdns_.append(Rdn(QStringLiteral("DC"), label));
  return dn;
}

Dn Dn::parent() const {
  Dn p;
  p.rdns_ = rdns().mid(1);
  return p;
}

Dn Dn::child(const Rdn& rdn) const {
  Dn c;
  c.rdns_.reserve(rdns().size() + 1);
  c.rdns_.append(rdn);
  c.rdns_.append(rdns_);
  return c;
}

bool Dn::isWithin(const Dn& ancestor) const {
  if (ancestor.rdns().size() > rdns().size()) return false;
  const qsizetype off = rdns_.size() - ancestor.rdns_.size();
  for (qsizetype i = 0; i < ancestor.rdns_.size(); ++i)
    if (!(rdns_[off + i] == ancestor.rdns_[i])) return false;
  return true;
}

QString Dn::dnsName() const {
  QStringList labels;
  for (const Rdn& r : rdns())
    if (r.type() == QLatin1String("DC")) labels.append(r.value());
  return labels.join(u'.');
}

QString Dn::toString() const {
  if (!text_.isEmpty() || rdns_.isEmpty()) return text_;
  // A name never changes once made: its text is written once.
  QString out;
  for (const Rdn& r : rdns_) {
    if (!out.isEmpty()) out += u',';
    out += r.toString();
  }
  text_ = out;
  return out;
}

QString Dn::key() const {
  return toString().toLower();
}

}  // namespace tavrel::adsi
