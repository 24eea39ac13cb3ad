#include "platform/simnet/ValueCheck.h"

#include "platform/adsi/Dn.h"

#include <QString>

#include <limits>

namespace tavrel::simnet {

using namespace adsi;

namespace {

Error err(int code, const QString& message) {
  return ldapError(code, message);
}

}  // namespace

Status checkAttributeValue(const AttributeDef& def, const QByteArray& v) {
  if (v.isEmpty()) return err(ldap::INVALID_SYNTAX, QStringLiteral("empty value for %1").arg(def.name));
  bool ok = true;
  switch (def.syntax) {
    case Syntax::Integer: {
      const qint64 n = v.toLongLong(&ok);
      ok = ok && n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max();
      break;
    }
    case Syntax::LargeInteger:
      v.toLongLong(&ok);
      break;
    case Syntax::Boolean:
      ok = v == "TRUE" || v == "FALSE";
      break;
    case Syntax::DnValue:
      ok = Dn::parse(QString::fromUtf8(v)).ok();
      break;
    default:
      break;
  }
  if (!ok)
    return err(ldap::INVALID_SYNTAX,
               QStringLiteral("\"%1\" is not a valid %2").arg(QString::fromUtf8(v), def.name));
  if (def.syntax == Syntax::Integer) {
    // An integer's range bounds its value, as a directory server checks it.
    const qint64 n = v.toLongLong();
    if (def.rangeUpper > 0 && (n < def.rangeLower || n > def.rangeUpper))
      return err(ldap::INVALID_SYNTAX, QStringLiteral("%1 is out of the range %2 to %3 of %4")
                                           .arg(QString::fromUtf8(v))
                                           .arg(def.rangeLower)
                                           .arg(def.rangeUpper)
                                           .arg(def.name));
  } else if (def.rangeUpper > 0) {
    const qsizetype len = def.syntax == Syntax::String ? QString::fromUtf8(v).size() : v.size();
    if (len > def.rangeUpper)
      return err(ldap::INVALID_SYNTAX, QStringLiteral("%1 is too long").arg(def.name));
  }
  return {};
}

}  // namespace tavrel::simnet
