#include "platform/adsi/Values.h"

#include <QStringList>
#include <QTimeZone>
#include <QtEndian>

#include <cstdio>
#include <limits>

namespace tavrel::adsi {
namespace {

// Seconds from 1 January 1601 to 1 January 1970.
constexpr qint64 kEpochDelta = 11644473600LL;

Error cantConvert(const QVariant& v, Syntax s) {
  return makeError(
      hr::CANT_CONVERT_DATATYPE,
      QStringLiteral("cannot convert %1 to %2").arg(QString::fromLatin1(v.typeName()), syntaxName(s)));
}

bool isNumberType(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::Double:
      return true;
    default:
      return false;
  }
}

}  // namespace

Syntax syntaxOf(const QString& attribute) {
  const AttributeDef* def = findAttribute(attribute);
  return def ? def->syntax : Syntax::String;
}

QVariant decodeValue(Syntax syntax, const QByteArray& wire) {
  switch (syntax) {
    case Syntax::Integer:
      return QVariant(static_cast<qint32>(wire.toLongLong()));
    case Syntax::LargeInteger:
      return QVariant(static_cast<qint64>(wire.toLongLong()));
    case Syntax::Boolean:
      return QVariant(wire.compare("TRUE", Qt::CaseInsensitive) == 0);
    case Syntax::Octets:
    case Syntax::Sid:
      return QVariant(wire);
    case Syntax::Time:
      return QVariant(parseGeneralizedTime(wire));
    case Syntax::String:
    case Syntax::DnValue:
    case Syntax::Oid:
      return QVariant(QString::fromUtf8(wire));
  }
  return {};
}

Result<QByteArray> encodeValue(Syntax syntax, const QVariant& value) {
  if (!value.isValid() || value.isNull()) return cantConvert(value, syntax);
  switch (syntax) {
    case Syntax::Integer:
    case Syntax::LargeInteger: {
      qint64 n = 0;
      if (value.typeId() == QMetaType::Bool) {
        n = value.toBool() ? -1 : 0;
      } else if (isNumberType(value)) {
        if (value.typeId() == QMetaType::Double) {
          const double d = value.toDouble();
          if (d != static_cast<double>(static_cast<qint64>(d))) return cantConvert(value, syntax);
          n = static_cast<qint64>(d);
        } else if (value.typeId() == QMetaType::ULongLong) {
          n = static_cast<qint64>(value.toULongLong());
        } else {
          n = value.toLongLong();
        }
      } else if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        bool ok = false;
        n = value.toString().trimmed().toLongLong(&ok);
        if (!ok) return cantConvert(value, syntax);
      } else {
        return cantConvert(value, syntax);
      }
      if (syntax == Syntax::Integer) {
        // A 32-bit attribute takes signed values and their unsigned spelling (0x80000002).
        if (n > std::numeric_limits<quint32>::max() || n < std::numeric_limits<qint32>::min())
          return cantConvert(value, syntax);
        n = static_cast<qint32>(static_cast<quint32>(n));
      }
      return QByteArray::number(n);
    }
    case Syntax::Boolean: {
      if (value.typeId() == QMetaType::Bool) return QByteArray(value.toBool() ? "TRUE" : "FALSE");
      if (isNumberType(value)) return QByteArray(value.toLongLong() != 0 ? "TRUE" : "FALSE");
      const QString s = value.toString().trimmed();
      if (s.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 || s == QLatin1String("-1") ||
          s == QLatin1String("1"))
        return QByteArray("TRUE");
      if (s.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0 || s == QLatin1String("0"))
        return QByteArray("FALSE");
      return cantConvert(value, syntax);
    }
    case Syntax::Octets:
    case Syntax::Sid:
      if (value.typeId() == QMetaType::QByteArray) return value.toByteArray();
      if (value.typeId() == QMetaType::QString) return value.toString().toUtf8();
      return cantConvert(value, syntax);
    case Syntax::Time:
      if (value.typeId() == QMetaType::QDateTime) return generalizedTime(value.toDateTime());
      if (value.typeId() == QMetaType::QString) return value.toString().toUtf8();
      return cantConvert(value, syntax);
    case Syntax::String:
    case Syntax::DnValue:
    case Syntax::Oid:
      if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray ||
          isNumberType(value) || value.typeId() == QMetaType::Bool)
        return value.typeId() == QMetaType::Bool ? QByteArray(value.toBool() ? "TRUE" : "FALSE")
                                                 : value.toString().toUtf8();
      return cantConvert(value, syntax);
  }
  return cantConvert(value, syntax);
}

qint64 fileTimeFromDateTime(const QDateTime& when) {
  const qint64 ms = when.toMSecsSinceEpoch();
  return (ms + kEpochDelta * 1000) * 10000;
}

QDateTime dateTimeFromFileTime(qint64 ticks) {
  const qint64 ms = ticks / 10000 - kEpochDelta * 1000;
  return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

QByteArray generalizedTime(const QDateTime& when) {
  const QDateTime u = when.toUTC();
  const QDate d = u.date();
  const QTime t = u.time();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d.0Z", d.year(), d.month(), d.day(), t.hour(),
                t.minute(), t.second());
  return QByteArray(buf);
}

QDateTime parseGeneralizedTime(const QByteArray& text) {
  QDateTime t = QDateTime::fromString(QString::fromLatin1(text.left(14)), QStringLiteral("yyyyMMddHHmmss"));
  t.setTimeSpec(Qt::UTC);
  return t;
}

QByteArray sidFromString(const QString& text) {
  const QStringList parts = text.split(u'-');
  if (parts.size() < 3 || parts[0].compare(QLatin1String("S"), Qt::CaseInsensitive) != 0) return {};
  bool ok = false;
  const uint revision = parts[1].toUInt(&ok);
  if (!ok || revision != 1) return {};
  const quint64 authority = parts[2].toULongLong(&ok);
  if (!ok || authority > 0xFFFFFFFFFFFFULL) return {};
  const int subCount = static_cast<int>(parts.size()) - 3;
  if (subCount > 15) return {};
  QByteArray sid;
  sid.append(char(1));
  sid.append(char(subCount));
  for (int i = 5; i >= 0; --i) sid.append(char((authority >> (8 * i)) & 0xFF));
  for (int i = 0; i < subCount; ++i) {
    const quint64 sub = parts[3 + i].toULongLong(&ok);
    if (!ok || sub > 0xFFFFFFFFULL) return {};
    char le[4];
    qToLittleEndian(static_cast<quint32>(sub), le);
    sid.append(le, 4);
  }
  return sid;
}

QString sidToString(const QByteArray& sid) {
  if (sid.size() < 8) return {};
  const int subCount = static_cast<unsigned char>(sid[1]);
  if (sid.size() != 8 + 4 * subCount) return {};
  quint64 authority = 0;
  for (int i = 2; i < 8; ++i) authority = (authority << 8) | static_cast<unsigned char>(sid[i]);
  QString out = QStringLiteral("S-%1-%2").arg(static_cast<unsigned char>(sid[0])).arg(authority);
  for (int i = 0; i < subCount; ++i)
    out += QStringLiteral("-%1").arg(qFromLittleEndian<quint32>(sid.constData() + 8 + 4 * i));
  return out;
}

QByteArray sidWithRid(const QByteArray& domainSid, quint32 rid) {
  if (domainSid.size() < 8) return {};
  QByteArray sid = domainSid;
  sid[1] = char(static_cast<unsigned char>(sid[1]) + 1);
  char le[4];
  qToLittleEndian(rid, le);
  sid.append(le, 4);
  return sid;
}

quint32 sidRid(const QByteArray& sid) {
  if (sid.size() < 12) return 0;
  return qFromLittleEndian<quint32>(sid.constData() + sid.size() - 4);
}

QByteArray sidDomain(const QByteArray& sid) {
  if (sid.size() < 12) return {};
  QByteArray d = sid.left(sid.size() - 4);
  d[1] = char(static_cast<unsigned char>(d[1]) - 1);
  return d;
}

}  // namespace tavrel::adsi
