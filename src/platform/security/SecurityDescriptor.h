#pragma once
// Access-control entries, access-control lists and security descriptors, as values with the
// binary layouts of the Windows format:
//   ACE  type (1 byte), flags (1), size (2), access mask (4), SID
//   ACL  revision (1), 0 (1), size (2), ACE count (2), 0 (2), then the ACEs
//   self-relative security descriptor: revision 1 (1), 0 (1), control (2), offsets of owner,
//        group, SACL and DACL (4 each, 0 = absent) from its start, then the SACL, the DACL, the
//        owner and the group
// All numbers little-endian. Parsing checks every length and offset against the bytes given.

#include "platform/security/Sid.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace tavrel::security {

namespace ace {
constexpr quint8 ACCESS_ALLOWED = 0;
constexpr quint8 ACCESS_DENIED = 1;
constexpr quint8 SYSTEM_AUDIT = 2;
constexpr quint8 ACCESS_ALLOWED_OBJECT = 5;
constexpr quint8 ACCESS_DENIED_OBJECT = 6;
constexpr quint8 SYSTEM_AUDIT_OBJECT = 7;
constexpr quint8 SYSTEM_ALARM_OBJECT = 8;
// flags
constexpr quint8 OBJECT_INHERIT = 0x01;
constexpr quint8 CONTAINER_INHERIT = 0x02;
constexpr quint8 NO_PROPAGATE_INHERIT = 0x04;
constexpr quint8 INHERIT_ONLY = 0x08;
constexpr quint8 INHERITED = 0x10;
}  // namespace ace

namespace access {
constexpr quint32 GENERIC_READ = 0x80000000;
constexpr quint32 GENERIC_WRITE = 0x40000000;
constexpr quint32 GENERIC_EXECUTE = 0x20000000;
constexpr quint32 GENERIC_ALL = 0x10000000;
constexpr quint32 DELETE = 0x00010000;
constexpr quint32 FILE_ALL_ACCESS = 0x001F01FF;
constexpr quint32 FILE_MODIFY = 0x001301BF;
constexpr quint32 FILE_READ_EXECUTE = 0x001200A9;
}  // namespace access

struct Ace {
  quint8 type = ace::ACCESS_ALLOWED;
  quint8 flags = 0;
  quint32 mask = 0;
  Sid sid;
  // An ACE of another kind (object ACEs, audit ACEs): kept as its bytes so that a list read and
  // written again is unchanged. Empty for the allowed and denied ACEs above.
  QByteArray raw;

  static Ace allow(const Sid& sid, quint32 mask, quint8 flags = 0) { return {ace::ACCESS_ALLOWED, flags, mask, sid, {}}; }
  static Ace deny(const Sid& sid, quint32 mask, quint8 flags = 0) { return {ace::ACCESS_DENIED, flags, mask, sid, {}}; }

  bool isDeny() const { return type == ace::ACCESS_DENIED || type == ace::ACCESS_DENIED_OBJECT; }
  bool isInherited() const { return flags & ace::INHERITED; }
  int size() const { return raw.isEmpty() ? 8 + sid.length() : static_cast<int>(raw.size()); }
  QByteArray toBinary() const;
  bool operator==(const Ace& o) const {
    return type == o.type && flags == o.flags && mask == o.mask && sid.binary() == o.sid.binary() && raw == o.raw;
  }
};

class Acl {
 public:
  static constexpr quint8 kRevision = 2;  // ACL_REVISION
  static constexpr quint32 kAppend = 0xFFFFFFFF;  // AddAce's MAXDWORD

  static constexpr quint8 kRevisionDs = 4;  // ACL_REVISION_DS: the revision object ACEs need

  static std::optional<Acl> fromBinary(QByteArrayView bytes);
  // A NULL DACL: a descriptor's DACL that is present without a list, which grants everyone every
  // access. Unlike an empty list (which denies everyone) it has no bytes of its own.
  static Acl null();
  bool isNull() const { return null_; }
  // The revision read, or the one a new list is written with; object ACEs raise it to 4.
  quint8 revision() const;

  const QList<Ace>& aces() const { return aces_; }
  int count() const { return static_cast<int>(aces_.size()); }
  int size() const;             // the bytes it takes: 8 + the ACEs (0 for a NULL DACL)
  QByteArray toBinary() const;  // empty for a NULL DACL

  // AddAce: at `index` (kAppend or past the end appends). A NULL DACL becomes a list.
  void add(const Ace& a, quint32 index = kAppend);
  void removeIf(const std::function<bool(const Ace&)>& pred);
  // Canonical order: explicit denies, explicit allows, then the inherited ACEs, each group in the
  // order it had.
  bool isCanonical() const;
  void canonicalize();
  // Adds an explicit ACE where canonical order puts a new one: a deny first, an allow after the
  // explicit denies.
  void addCanonical(const Ace& a);

  bool operator==(const Acl& o) const {
    return aces_ == o.aces_ && revision() == o.revision() && null_ == o.null_;
  }

 private:
  QList<Ace> aces_;
  quint8 revision_ = kRevision;
  bool null_ = false;
};

namespace control {
constexpr quint16 OWNER_DEFAULTED = 0x0001;
constexpr quint16 GROUP_DEFAULTED = 0x0002;
constexpr quint16 DACL_PRESENT = 0x0004;
constexpr quint16 DACL_DEFAULTED = 0x0008;
constexpr quint16 SACL_PRESENT = 0x0010;
constexpr quint16 DACL_AUTO_INHERITED = 0x0400;
constexpr quint16 DACL_PROTECTED = 0x1000;
constexpr quint16 SELF_RELATIVE = 0x8000;
}  // namespace control

// The parts GetFileSecurity and SetFileSecurity name.
namespace info {
constexpr quint32 OWNER = 1;
constexpr quint32 GROUP = 2;
constexpr quint32 DACL = 4;
}  // namespace info

struct SecurityDescriptor {
  static constexpr quint8 kRevision = 1;
  // Control bits other than the presence and self-relative bits, which follow the fields.
  quint16 flags = 0;
  std::optional<Sid> owner;
  std::optional<Sid> group;
  std::optional<Acl> dacl;    // present when set (an empty list denies everything, a NULL DACL
                              // allows everything)
  QByteArray sacl;            // kept as read, not interpreted

  // MakeSelfRelativeSD.
  QByteArray toSelfRelative() const;
  static std::optional<SecurityDescriptor> fromSelfRelative(QByteArrayView bytes);
  // The parts `which` (info::...) of `from` replace this descriptor's.
  void merge(const SecurityDescriptor& from, quint32 which);
  bool daclProtected() const { return flags & control::DACL_PROTECTED; }

  bool operator==(const SecurityDescriptor& o) const {
    return flags == o.flags && owner == o.owner && group == o.group && dacl == o.dacl && sacl == o.sacl;
  }
};

// The DACL a new child of a folder with `parentDacl` gets by inheritance: the parent's inheritable
// ACEs, marked inherited, with CREATOR OWNER replaced by `owner` in the ACEs that apply to the
// child itself.
Acl inheritedAcl(const Acl& parentDacl, bool childIsDirectory, const Sid& owner);
// `child`'s DACL with its inherited ACEs computed anew from `parentDacl`; its explicit ACEs stay
// first. A protected DACL is left as it is.
SecurityDescriptor reinherit(const SecurityDescriptor& child, const Acl& parentDacl, bool childIsDirectory);

}  // namespace tavrel::security
