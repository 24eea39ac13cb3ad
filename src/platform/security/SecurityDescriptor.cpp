#include "platform/security/SecurityDescriptor.h"

#include <QtEndian>

#include <algorithm>

namespace tavrel::security {

namespace {

void putU16(QByteArray& out, quint16 v) {
  char b[2];
  qToLittleEndian(v, b);
  out.append(b, 2);
}
void putU32(QByteArray& out, quint32 v) {
  char b[4];
  qToLittleEndian(v, b);
  out.append(b, 4);
}
void setU32(QByteArray& out, int at, quint32 v) {
  qToLittleEndian(v, out.data() + at);
}
quint16 u16(QByteArrayView b, qsizetype at) {
  return qFromLittleEndian<quint16>(b.data() + at);
}
quint32 u32(QByteArrayView b, qsizetype at) {
  return qFromLittleEndian<quint32>(b.data() + at);
}

// 0 explicit deny, 1 explicit allow, 2 inherited.
int canonicalGroup(const Ace& a) {
  if (a.isInherited()) return 2;
  return a.isDeny() ? 0 : 1;
}

}  // namespace

QByteArray Ace::toBinary() const {
  if (!raw.isEmpty()) return raw;
  QByteArray out;
  out.reserve(size());
  out.append(char(type));
  out.append(char(flags));
  putU16(out, static_cast<quint16>(size()));
  putU32(out, mask);
  out.append(sid.binary());
  return out;
}

std::optional<Acl> Acl::fromBinary(QByteArrayView bytes) {
  if (bytes.size() < 8) return std::nullopt;
  const auto revision = static_cast<uchar>(bytes[0]);
  const quint16 size = u16(bytes, 2);
  const quint16 count = u16(bytes, 4);
  if ((revision != 2 && revision != 4) || size < 8 || size > bytes.size()) return std::nullopt;
  Acl acl;
  acl.revision_ = revision;
  qsizetype at = 8;
  for (int i = 0; i < count; ++i) {
    if (at + 8 > size) return std::nullopt;
    const quint16 aceSize = u16(bytes, at + 2);
    if (aceSize < 8 || at + aceSize > size) return std::nullopt;
    Ace a;
    a.type = static_cast<quint8>(bytes[at]);
    a.flags = static_cast<quint8>(bytes[at + 1]);
    a.mask = u32(bytes, at + 4);
    if (a.type == ace::ACCESS_ALLOWED || a.type == ace::ACCESS_DENIED) {
      auto sid = Sid::fromBinary(bytes.sliced(at + 8, aceSize - 8));
      if (!sid) return std::nullopt;
      a.sid = *sid;
    } else {
      a.raw = bytes.sliced(at, aceSize).toByteArray();
    }
    acl.aces_.append(a);
    at += aceSize;
  }
  return acl;
}

Acl Acl::null() {
  Acl acl;
  acl.null_ = true;
  return acl;
}

quint8 Acl::revision() const {
  for (const Ace& a : aces_)
    if (a.type >= ace::ACCESS_ALLOWED_OBJECT && a.type <= ace::SYSTEM_ALARM_OBJECT) return kRevisionDs;
  return revision_;
}

int Acl::size() const {
  if (null_) return 0;
  int n = 8;
  for (const Ace& a : aces_) n += a.size();
  return n;
}

QByteArray Acl::toBinary() const {
  if (null_) return {};
  QByteArray out;
  out.reserve(size());
  out.append(char(revision()));
  out.append(char(0));
  putU16(out, static_cast<quint16>(size()));
  putU16(out, static_cast<quint16>(aces_.size()));
  putU16(out, 0);
  for (const Ace& a : aces_) out.append(a.toBinary());
  return out;
}

void Acl::add(const Ace& a, quint32 index) {
  null_ = false;
  if (index >= static_cast<quint32>(aces_.size()))
    aces_.append(a);
  else
    aces_.insert(index, a);
}

void Acl::removeIf(const std::function<bool(const Ace&)>& pred) {
  aces_.removeIf(pred);
}

bool Acl::isCanonical() const {
  int last = 0;
  for (const Ace& a : aces_) {
    const int g = canonicalGroup(a);
    if (g < last) return false;
    last = g;
  }
  return true;
}

void Acl::canonicalize() {
  std::stable_sort(aces_.begin(), aces_.end(),
                   [](const Ace& a, const Ace& b) { return canonicalGroup(a) < canonicalGroup(b); });
}

void Acl::addCanonical(const Ace& a) {
  null_ = false;
  Ace e = a;
  e.flags &= ~ace::INHERITED;
  if (e.isDeny()) {
    aces_.prepend(e);
    return;
  }
  qsizetype at = 0;
  while (at < aces_.size() && canonicalGroup(aces_[at]) == 0) ++at;
  aces_.insert(at, e);
}

QByteArray SecurityDescriptor::toSelfRelative() const {
  quint16 ctl = flags & ~(control::DACL_PRESENT | control::SACL_PRESENT | control::SELF_RELATIVE);
  ctl |= control::SELF_RELATIVE;
  if (dacl) ctl |= control::DACL_PRESENT;
  if (!sacl.isEmpty()) ctl |= control::SACL_PRESENT;
  QByteArray out;
  out.append(char(kRevision));
  out.append(char(0));
  putU16(out, ctl);
  for (int i = 0; i < 4; ++i) putU32(out, 0);
  if (!sacl.isEmpty()) {
    setU32(out, 12, static_cast<quint32>(out.size()));
    out.append(sacl);
  }
  if (dacl && !dacl->isNull()) {  // a NULL DACL is present with offset 0
    setU32(out, 16, static_cast<quint32>(out.size()));
    out.append(dacl->toBinary());
  }
  if (owner) {
    setU32(out, 4, static_cast<quint32>(out.size()));
    out.append(owner->binary());
  }
  if (group) {
    setU32(out, 8, static_cast<quint32>(out.size()));
    out.append(group->binary());
  }
  return out;
}

std::optional<SecurityDescriptor> SecurityDescriptor::fromSelfRelative(QByteArrayView bytes) {
  if (bytes.size() < 20 || static_cast<uchar>(bytes[0]) != kRevision) return std::nullopt;
  const quint16 ctl = u16(bytes, 2);
  if (!(ctl & control::SELF_RELATIVE)) return std::nullopt;
  const quint32 offOwner = u32(bytes, 4), offGroup = u32(bytes, 8), offSacl = u32(bytes, 12),
                offDacl = u32(bytes, 16);
  auto inside = [&](quint32 off) { return off >= 20 && off < static_cast<quint32>(bytes.size()); };
  SecurityDescriptor sd;
  sd.flags = ctl & ~(control::DACL_PRESENT | control::SACL_PRESENT | control::SELF_RELATIVE);
  if (offOwner) {
    if (!inside(offOwner)) return std::nullopt;
    auto s = Sid::readFrom(bytes.sliced(offOwner));
    if (!s) return std::nullopt;
    sd.owner = *s;
  }
  if (offGroup) {
    if (!inside(offGroup)) return std::nullopt;
    auto s = Sid::readFrom(bytes.sliced(offGroup));
    if (!s) return std::nullopt;
    sd.group = *s;
  }
  if ((ctl & control::SACL_PRESENT) && offSacl) {
    if (!inside(offSacl) || bytes.size() - offSacl < 8) return std::nullopt;
    const quint16 size = u16(bytes, offSacl + 2);
    if (size < 8 || offSacl + size > static_cast<quint32>(bytes.size())) return std::nullopt;
    sd.sacl = bytes.sliced(offSacl, size).toByteArray();
  }
  if (ctl & control::DACL_PRESENT) {
    if (offDacl) {
      if (!inside(offDacl)) return std::nullopt;
      auto acl = Acl::fromBinary(bytes.sliced(offDacl));
      if (!acl) return std::nullopt;
      sd.dacl = *acl;
    } else {
      sd.dacl = Acl::null();
    }
  }
  return sd;
}

void SecurityDescriptor::merge(const SecurityDescriptor& from, quint32 which) {
  if (which & info::OWNER) owner = from.owner;
  if (which & info::GROUP) group = from.group;
  if (which & info::DACL) {
    dacl = from.dacl;
    const quint16 daclBits = control::DACL_DEFAULTED | control::DACL_PROTECTED | control::DACL_AUTO_INHERITED;
    flags = (flags & ~daclBits) | (from.flags & daclBits);
  }
}

Acl inheritedAcl(const Acl& parentDacl, bool childIsDirectory, const Sid& owner) {
  Acl out;
  const Sid creator = wellknown::creatorOwner();
  for (const Ace& a : parentDacl.aces()) {
    if (!a.raw.isEmpty()) continue;
    const bool oi = a.flags & ace::OBJECT_INHERIT, ci = a.flags & ace::CONTAINER_INHERIT;
    const bool noPropagate = a.flags & ace::NO_PROPAGATE_INHERIT;
    const bool appliesToChild = childIsDirectory ? ci : oi;
    // What a folder passes further down: everything inheritable unless propagation stops here.
    const bool passesOn = childIsDirectory && (oi || ci) && !noPropagate;
    if (!appliesToChild && !passesOn) continue;
    const bool isCreator = a.sid == creator;
    if (appliesToChild && (isCreator || !passesOn)) {
      // The effective ACE for the child itself; CREATOR OWNER becomes the child's owner.
      Ace e = a;
      if (isCreator && owner.isValid()) e.sid = owner;
      e.flags = ace::INHERITED;
      out.add(e);
    }
    if (passesOn) {
      Ace e = a;
      e.flags = static_cast<quint8>((a.flags & (ace::OBJECT_INHERIT | ace::CONTAINER_INHERIT)) | ace::INHERITED);
      // An ACE that does not apply to the folder itself, or whose effective copy was made above,
      // is only carried on.
      if (!appliesToChild || isCreator) e.flags |= ace::INHERIT_ONLY;
      out.add(e);
    }
  }
  return out;
}

SecurityDescriptor reinherit(const SecurityDescriptor& child, const Acl& parentDacl, bool childIsDirectory) {
  SecurityDescriptor sd = child;
  if (sd.daclProtected()) return sd;
  Acl acl = child.dacl.value_or(Acl());
  acl.removeIf([](const Ace& a) { return a.isInherited(); });
  const Acl inherited = inheritedAcl(parentDacl, childIsDirectory, child.owner.value_or(Sid()));
  for (const Ace& a : inherited.aces()) acl.add(a);
  sd.dacl = acl;
  sd.flags |= control::DACL_AUTO_INHERITED;
  return sd;
}

}  // namespace tavrel::security
