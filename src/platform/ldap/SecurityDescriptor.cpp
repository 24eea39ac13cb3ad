#include "platform/ldap/SecurityDescriptor.h"

#include <QList>
#include <QtEndian>

namespace tavrel::ldap {
namespace {

constexpr quint8 kDeniedObjectAce = 0x06;
constexpr quint8 kInheritedAce = 0x10;
constexpr quint32 kObjectTypePresent = 0x1;
constexpr quint32 kControlAccess = 0x100;
constexpr quint16 kDaclPresent = 0x0004;
constexpr quint16 kSelfRelative = 0x8000;

// {ab721a53-1e2f-11d0-9819-00aa0040529b} in its binary (mixed-endian) form.
const QByteArray& changePasswordRight() {
  static const QByteArray g = QByteArray::fromHex("531a72ab2f1ed011981900aa0040529b");
  return g;
}
const QByteArray& everyone() {  // S-1-1-0
  static const QByteArray s = QByteArray::fromHex("010100000000000100000000");
  return s;
}
const QByteArray& self() {  // S-1-5-10
  static const QByteArray s = QByteArray::fromHex("01010000000000050a000000");
  return s;
}

quint16 u16(const QByteArray& b, int at) {
  return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 u32(const QByteArray& b, int at) {
  return qFromLittleEndian<quint32>(b.constData() + at);
}

struct Parsed {
  quint16 control = 0;
  QList<QByteArray> aces;
  quint8 aclRevision = 4;
};

std::optional<Parsed> parse(const QByteArray& sd) {
  if (sd.size() < 20 || static_cast<quint8>(sd[0]) != 1) return std::nullopt;
  Parsed p;
  p.control = u16(sd, 2);
  const quint32 daclAt = u32(sd, 16);
  if (!(p.control & kDaclPresent) || daclAt == 0) return p;  // no DACL: nothing denied
  if (daclAt > static_cast<quint32>(sd.size()) - 8) return std::nullopt;
  const int acl = static_cast<int>(daclAt);
  p.aclRevision = static_cast<quint8>(sd[acl]);
  const quint16 aclSize = u16(sd, acl + 2);
  const quint16 count = u16(sd, acl + 4);
  if (aclSize < 8 || acl + aclSize > sd.size()) return std::nullopt;
  int at = acl + 8;
  for (int i = 0; i < count; ++i) {
    if (at + 4 > acl + aclSize) return std::nullopt;
    const quint16 size = u16(sd, at + 2);
    if (size < 4 || at + size > acl + aclSize) return std::nullopt;
    p.aces.append(sd.mid(at, size));
    at += size;
  }
  return p;
}

// Whether `ace` is an explicit deny of the change-password right to `sid`.
bool isChangePasswordDeny(const QByteArray& ace, const QByteArray& sid) {
  if (ace.size() < 12 + 16 || static_cast<quint8>(ace[0]) != kDeniedObjectAce) return false;
  if (static_cast<quint8>(ace[1]) & kInheritedAce) return false;
  const quint32 flags = u32(ace, 8);
  if (!(flags & kObjectTypePresent) || ace.mid(12, 16) != changePasswordRight()) return false;
  const int sidAt = 12 + 16 + ((flags & 0x2) ? 16 : 0);
  return ace.mid(sidAt) == sid;
}

QByteArray denyAce(const QByteArray& sid) {
  QByteArray ace(12, '\0');
  ace[0] = static_cast<char>(kDeniedObjectAce);
  qToLittleEndian<quint16>(static_cast<quint16>(12 + 16 + sid.size()), ace.data() + 2);
  qToLittleEndian<quint32>(kControlAccess, ace.data() + 4);
  qToLittleEndian<quint32>(kObjectTypePresent, ace.data() + 8);
  return ace + changePasswordRight() + sid;
}

}  // namespace

std::optional<bool> deniesPasswordChange(const QByteArray& descriptor) {
  auto p = parse(descriptor);
  if (!p) return std::nullopt;
  for (const QByteArray& ace : p->aces)
    if (isChangePasswordDeny(ace, everyone()) || isChangePasswordDeny(ace, self())) return true;
  return false;
}

std::optional<QByteArray> withPasswordChangeDenied(const QByteArray& descriptor, bool denied) {
  auto p = parse(descriptor);
  if (!p) return std::nullopt;
  QList<QByteArray> aces;
  if (denied) aces << denyAce(everyone()) << denyAce(self());
  for (const QByteArray& ace : std::as_const(p->aces))
    if (!isChangePasswordDeny(ace, everyone()) && !isChangePasswordDeny(ace, self())) aces.append(ace);

  QByteArray acl(8, '\0');
  acl[0] = static_cast<char>(p->aclRevision < 4 ? 4 : p->aclRevision);  // object ACEs need revision 4
  for (const QByteArray& ace : std::as_const(aces)) acl += ace;
  if (acl.size() > 0xFFFF) return std::nullopt;
  qToLittleEndian<quint16>(static_cast<quint16>(acl.size()), acl.data() + 2);
  qToLittleEndian<quint16>(static_cast<quint16>(aces.size()), acl.data() + 4);

  // Owner, group and SACL are left out: the write carries the DACL only.
  QByteArray sd(20, '\0');
  sd[0] = 1;
  const quint16 control = static_cast<quint16>((p->control & 0x1400) | kDaclPresent | kSelfRelative);
  qToLittleEndian<quint16>(control, sd.data() + 2);
  qToLittleEndian<quint32>(20, sd.data() + 16);
  return sd + acl;
}

}  // namespace tavrel::ldap
