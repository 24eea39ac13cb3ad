#pragma once
// The owner and DACL of files and folders, as GetFileSecurity and SetFileSecurity see them.
//
// The network keeps a descriptor for each path whose security was set. A path without one has
// the descriptor inheritance gives it: its parent's inheritable ACEs, marked inherited, and the
// administrators as owner (the creator of everything on the file servers). A drive's root
// without one has the default: Administrators and SYSTEM full control, Everyone read, all
// inherited by files and folders below.

#include "platform/adsi/Result.h"
#include "platform/files/Paths.h"
#include "platform/security/SecurityDescriptor.h"

#include <QHash>

#include <functional>
#include <memory>

namespace tavrel::security {

// The descriptors a network keeps per path, self-relative, keyed by `Location::key()` on one
// drive (the components of the location passed are ignored).
class SecurityTable {
 public:
  virtual ~SecurityTable() = default;
  virtual adsi::Result<QHash<QString, QByteArray>> read(const files::Location& drive, const QStringList& keys) = 0;
  // The entries below `root` (not `root` itself).
  virtual adsi::Result<QHash<QString, QByteArray>> readBelow(const files::Location& root) = 0;
  // Writes every entry in one step; an empty value removes the entry.
  virtual adsi::Status write(const files::Location& drive, const QHash<QString, QByteArray>& entries) = 0;
};

void setSecurityTable(std::shared_ptr<SecurityTable> table);
std::shared_ptr<SecurityTable> securityTable();

// The descriptor a drive's root has until one is set.
SecurityDescriptor defaultRootDescriptor();

// GetFileSecurity: the parts `which` (info::OWNER, GROUP, DACL) of the path's descriptor.
adsi::Result<SecurityDescriptor> GetFileSecurity(const QString& path, quint32 which);
// SetFileSecurity: the parts `which` of `sd` replace the path's.
adsi::Status SetFileSecurity(const QString& path, quint32 which, const SecurityDescriptor& sd);
// GetFileSecurity and SetFileSecurity in one: `change` edits the path's whole descriptor and
// returns whether to store it; the parts `which` of the edited descriptor are then stored.
adsi::Status UpdateFileSecurity(const QString& path, quint32 which,
                                const std::function<bool(SecurityDescriptor&)>& change);

enum class TreeMode {
  Propagate,         // entries below keep their explicit ACEs; their inherited ones follow the root
  ReplaceExplicit,   // entries below lose their explicit ACEs and only inherit
};
// Sets the parts `which` of `sd` on `path` and carries them down the tree in one step: the DACL by
// inheritance (as `mode` says), the owner on every file and folder below. Walking the tree needs
// SeRestorePrivilege to set owners; the caller holds it (PrivilegeScope).
adsi::Status SetFileSecurityTree(const QString& path, quint32 which, const SecurityDescriptor& sd,
                                 TreeMode mode = TreeMode::Propagate);

}  // namespace tavrel::security
