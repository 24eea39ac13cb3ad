#pragma once
// Values as they cross the directory layer: text as QString, binary as QByteArray, integers as
// qint32, large integers as qint64, Booleans as bool, times as UTC QDateTime. On the wire (the
// back-end interface) every value is the octet string LDAP carries.

#include "platform/adsi/Result.h"
#include "platform/adsi/Schema.h"

#include <QByteArray>
#include <QDateTime>
#include <QVariant>

namespace tavrel::adsi {

// The syntax of an attribute, String for names the schema does not know.
Syntax syntaxOf(const QString& attribute);
QVariant decodeValue(Syntax syntax, const QByteArray& wire);
// Converts a caller's value to the wire form of `syntax`. Text is accepted for numbers and
// Booleans ("written as a string"); a value that does not fit gives CANT_CONVERT_DATATYPE.
Result<QByteArray> encodeValue(Syntax syntax, const QVariant& value);

// 100-nanosecond ticks since 1 January 1601 UTC.
qint64 fileTimeFromDateTime(const QDateTime& when);
QDateTime dateTimeFromFileTime(qint64 ticks);
// "never" for accountExpires.
constexpr qint64 kNeverExpires = 0x7FFFFFFFFFFFFFFFLL;
// GeneralizedTime "20021209140533.0Z".
QByteArray generalizedTime(const QDateTime& when);
QDateTime parseGeneralizedTime(const QByteArray& text);

// Security identifiers in their binary form.
QByteArray sidFromString(const QString& text);  // "S-1-5-21-..." (empty when malformed)
QString sidToString(const QByteArray& sid);
QByteArray sidWithRid(const QByteArray& domainSid, quint32 rid);
// The last sub-authority (little-endian, the last four bytes); 0 when there is none.
quint32 sidRid(const QByteArray& sid);
QByteArray sidDomain(const QByteArray& sid);  // the SID without its last sub-authority

}  // namespace tavrel::adsi
