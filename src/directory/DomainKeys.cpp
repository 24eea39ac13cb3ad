#include "directory/DomainKeys.h"

#include "platform/adsi/Dn.h"

namespace tavrel::directory {
namespace {

// The position of the first `what` in `text`, or -1.
qsizetype firstOf(const QString& text, QLatin1StringView what) {
  return text.indexOf(what);
}

// The text after the comma at the earliest of the found positions; empty when none was found.
QString afterEarliest(const QString& text, std::initializer_list<qsizetype> positions) {
  qsizetype best = -1;
  for (qsizetype p : positions)
    if (p >= 0 && (best < 0 || p < best)) best = p;
  return best < 0 ? QString() : text.mid(best + 1);
}

}  // namespace

QString domainDistinguishedName(const QString& dnsName) {
  QString rest = QStringLiteral("DC=") + dnsName;
  QString result;
  for (qsizetype dot = rest.indexOf(u'.'); dot >= 0; dot = rest.indexOf(u'.')) {
    result += rest.left(dot) + QStringLiteral(",DC=");
    rest = rest.mid(dot + 1, 100);
  }
  return result + rest;
}

QString ouParentKey(const QString& dn) {
  return afterEarliest(dn, {firstOf(dn, QLatin1StringView(",OU=")), firstOf(dn, QLatin1StringView(",DC="))});
}

QString userParentKey(const QString& adsPath) {
  return afterEarliest(
      adsPath, {firstOf(adsPath, QLatin1StringView(",OU=")), firstOf(adsPath, QLatin1StringView(",DC=")),
                firstOf(adsPath, QLatin1StringView(",CN="))});
}

namespace {
// The positions of the commas that separate relative names.
QList<qsizetype> separators(const QString& dn) {
  QList<qsizetype> out;
  bool escaped = false;
  for (qsizetype i = 0; i < dn.size(); ++i) {
    if (escaped) {
      escaped = false;
    } else if (dn[i] == u'\\') {
      escaped = true;
    } else if (dn[i] == u',') {
      out.append(i);
    }
  }
  return out;
}
}  // namespace

QString heldBackParentKey(const QString& dn) {
  const QList<qsizetype> commas = separators(dn);
  return commas.isEmpty() ? QString() : dn.mid(commas.first() + 1);
}

QString nodeKey(const QString& dn) {
  const auto parsed = adsi::Dn::parse(dn);
  return parsed.ok() ? parsed->toString() : dn;
}

int rdnCount(const QString& dn) {
  return dn.isEmpty() ? 0 : static_cast<int>(separators(dn).size()) + 1;
}

QString groupCaption(quint32 groupType, const QString& adsPath) {
  QString caption =
      (groupType & 0x80000000u) ? QStringLiteral("Security Group") : QStringLiteral("Distribution Group");
  if (groupType & 0x2u) caption += QStringLiteral(" - Global");
  if (groupType & 0x4u)
    caption += adsPath.contains(QLatin1StringView("builtin"), Qt::CaseInsensitive)
                   ? QStringLiteral(" - builtin Local")
                   : QStringLiteral(" - Domain Local");
  if (groupType & 0x8u) caption += QStringLiteral(" - Universal");
  return caption;
}

QString ntGroupKind(const QVariant& groupType) {
  bool ok = false;
  const qlonglong v = groupType.toLongLong(&ok);
  return ok && v == 2 ? QStringLiteral("Global") : QStringLiteral("Local");
}

QString userDisplayText(const QVariant& second, const QVariant& third) {
  return second.isNull() ? third.toString() : second.toString();
}

QString userSearchAttributes(bool showNames) {
  return showNames ? QStringLiteral("adsPath,name,name") : QStringLiteral("adsPath,DisplayName,Name");
}

}  // namespace tavrel::directory
