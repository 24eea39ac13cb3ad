#include "groups/GroupNames.h"

namespace tavrel::groups {

qint32 groupTypeValue(Scope scope, bool security) {
  quint32 bits = 0;
  switch (scope) {
    case Scope::DomainLocal:
      bits = 0x4u;
      break;
    case Scope::Global:
      bits = 0x2u;
      break;
    case Scope::Universal:
      bits = 0x8u;
      break;
  }
  if (security) bits |= 0x80000000u;
  return static_cast<qint32>(bits);
}

namespace {

bool hasControl(const QString& s) {
  for (const QChar c : s)
    if (c.category() == QChar::Other_Control) return true;
  return false;
}

bool onlyBlanksAndDots(const QString& s) {
  for (const QChar c : s)
    if (c != u' ' && c != u'.') return false;
  return true;
}

}  // namespace

QString nameProblem(const QString& name, bool ntMode) {
  if (name.trimmed().isEmpty()) return QStringLiteral("A group name cannot be blank.");
  if (hasControl(name)) return QStringLiteral("A group name cannot hold control characters.");
  if (ntMode) {
    if (name.size() > kNtNameMax) return QStringLiteral("Name Length too long, max 20 Chrs");
    for (const QChar c : name)
      if (kAccountNameForbidden.contains(c))
        return QStringLiteral("A group name cannot hold any of these characters: ") + kAccountNameForbidden;
    if (onlyBlanksAndDots(name))
      return QStringLiteral("A group name cannot be made of dots and blanks only.");
    return {};
  }
  if (name.size() > kCommonNameMax) return QStringLiteral("Name Length too long, max 64 Chrs");
  if (samAccountNameFor(name).isEmpty())
    return QStringLiteral("No pre-Windows 2000 name can be made from this name.");
  return {};
}

QString samAccountNameFor(const QString& name) {
  QString sam = name.left(kSamNameMax);
  for (QChar& c : sam)
    if (kAccountNameForbidden.contains(c)) c = u'_';
  sam = sam.trimmed();
  return onlyBlanksAndDots(sam) ? QString() : sam;
}

}  // namespace tavrel::groups
