#include "platform/files/Paths.h"

namespace tavrel::files {

quint32 win32Code(const adsi::Error& e) {
  return (e.code & 0xFFFF0000u) == 0x80070000u ? (e.code & 0xFFFFu) : e.code;
}

adsi::Error win32Error(quint32 hresult, const QString& message) {
  return adsi::makeError(hresult, message);
}

bool UncPath::isAdminShare() const {
  return share.size() == 2 && share[1] == u'$' && share[0].isLetter() && share[0].unicode() < 128;
}

QChar UncPath::drive() const {
  return isAdminShare() ? share[0].toUpper() : QChar();
}

bool isUnc(const QString& path) {
  return path.startsWith(QLatin1String("\\\\")) || path.startsWith(QLatin1String("//"));
}

bool validComponent(const QString& name) {
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
  for (QChar c : name) {
    if (c.unicode() < 32) return false;
    if (QStringView(u"\\/:*?\"<>|").contains(c)) return false;
  }
  return true;
}

std::optional<UncPath> parseUnc(const QString& path) {
  if (!isUnc(path)) return std::nullopt;
  QString rest = path.mid(2);
  rest.replace(u'/', u'\\');
  QStringList parts = rest.split(u'\\');
  // A trailing separator names the same folder.
  while (parts.size() > 2 && parts.last().isEmpty()) parts.removeLast();
  if (parts.size() < 2 || parts[0].isEmpty() || parts[1].isEmpty()) return std::nullopt;
  UncPath p;
  p.server = parts[0];
  p.share = parts[1];
  for (QChar c : p.server)
    if (!(c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'.')) return std::nullopt;
  if (!validComponent(p.share)) return std::nullopt;
  for (int i = 2; i < parts.size(); ++i) {
    if (!validComponent(parts[i])) return std::nullopt;
    p.components.append(parts[i]);
  }
  return p;
}

QString Location::key() const {
  return components.join(u'/').toLower();
}

Location Location::parent() const {
  Location p = *this;
  if (!p.components.isEmpty()) p.components.removeLast();
  p.given.clear();
  return p;
}

Location Location::child(const QString& n) const {
  Location c = *this;
  c.components.append(n);
  c.given.clear();
  return c;
}

bool Location::contains(const Location& o) const {
  if (!sameDrive(o) || o.components.size() < components.size()) return false;
  for (qsizetype i = 0; i < components.size(); ++i)
    if (components[i].compare(o.components[i], Qt::CaseInsensitive) != 0) return false;
  return true;
}

}  // namespace tavrel::files
