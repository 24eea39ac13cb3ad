#include "platform/security/FileSecurity.h"

#include "platform/files/FileSystem.h"

namespace tavrel::security {

using adsi::Result;
using adsi::Status;

namespace {

std::shared_ptr<SecurityTable>& installedTable() {
  static std::shared_ptr<SecurityTable> t;
  return t;
}

Status noTable() {
  return adsi::makeError(files::err::BAD_NETPATH, QStringLiteral("no network keeps file security"));
}

// The keys of the drive root, each folder down to `loc`, and `loc`.
QStringList chainKeys(const files::Location& loc) {
  QStringList keys{QString()};
  QString k;
  for (const QString& c : loc.components) {
    k = k.isEmpty() ? c.toLower() : k + u'/' + c.toLower();
    keys.append(k);
  }
  return keys;
}

std::optional<SecurityDescriptor> decode(const QByteArray& bytes) {
  if (bytes.isEmpty()) return std::nullopt;
  return SecurityDescriptor::fromSelfRelative(bytes);
}

SecurityDescriptor inheritedDescriptor(const SecurityDescriptor& parent, bool isDirectory) {
  SecurityDescriptor sd;
  sd.owner = wellknown::builtinAdministrators();
  sd.dacl = inheritedAcl(parent.dacl.value_or(Acl()), isDirectory, *sd.owner);
  sd.flags = control::DACL_AUTO_INHERITED;
  return sd;
}

struct Resolved {
  files::Location loc;
  bool isDirectory = false;
};

Result<Resolved> resolveExisting(const QString& path) {
  auto loc = files::resolve(path);
  if (!loc) return loc.error();
  auto st = files::stat(*loc);
  if (!st) return st.error();
  return Resolved{*loc, st->isDirectory};
}

Result<SecurityDescriptor> effective(SecurityTable& table, const Resolved& r) {
  const QStringList keys = chainKeys(r.loc);
  auto stored = table.read(r.loc, keys);
  if (!stored) return stored.error();
  SecurityDescriptor sd = decode(stored->value(QString())).value_or(defaultRootDescriptor());
  for (int i = 1; i < keys.size(); ++i) {
    const bool dir = i < keys.size() - 1 || r.isDirectory;
    if (auto own = decode(stored->value(keys[i])))
      sd = *own;
    else
      sd = inheritedDescriptor(sd, dir);
  }
  return sd;
}

// The parts to be set must be there.
Status checkParts(quint32 which, const SecurityDescriptor& sd) {
  if (which & info::DACL && !sd.dacl)
    return adsi::makeError(files::err::INVALID_PARAMETER, QStringLiteral("no DACL to set"));
  if (which & info::OWNER && (!sd.owner || !sd.owner->isValid()))
    return adsi::makeError(files::err::INVALID_PARAMETER, QStringLiteral("no owner to set"));
  return {};
}

}  // namespace

void setSecurityTable(std::shared_ptr<SecurityTable> table) {
  installedTable() = std::move(table);
}

std::shared_ptr<SecurityTable> securityTable() {
  return installedTable();
}

SecurityDescriptor defaultRootDescriptor() {
  SecurityDescriptor sd;
  sd.owner = wellknown::builtinAdministrators();
  Acl acl;
  const quint8 both = ace::OBJECT_INHERIT | ace::CONTAINER_INHERIT;
  acl.add(Ace::allow(wellknown::builtinAdministrators(), access::FILE_ALL_ACCESS, both));
  acl.add(Ace::allow(wellknown::localSystem(), access::FILE_ALL_ACCESS, both));
  acl.add(Ace::allow(wellknown::everyone(), access::FILE_READ_EXECUTE, both));
  sd.dacl = acl;
  return sd;
}

Result<SecurityDescriptor> GetFileSecurity(const QString& path, quint32 which) {
  auto table = securityTable();
  if (!table) return noTable().error();
  auto r = resolveExisting(path);
  if (!r) return r.error();
  auto sd = effective(*table, *r);
  if (!sd) return sd.error();
  SecurityDescriptor out;
  out.merge(*sd, which);
  return out;
}

Status SetFileSecurity(const QString& path, quint32 which, const SecurityDescriptor& sd) {
  if (Status s = checkParts(which, sd); !s) return s;
  return UpdateFileSecurity(path, which, [&](SecurityDescriptor& current) {
    current.merge(sd, which);
    return true;
  });
}

Status UpdateFileSecurity(const QString& path, quint32 which, const std::function<bool(SecurityDescriptor&)>& change) {
  auto table = securityTable();
  if (!table) return noTable();
  auto r = resolveExisting(path);
  if (!r) return r.error();
  auto current = effective(*table, *r);
  if (!current) return current.error();
  SecurityDescriptor edited = *current;
  if (!change(edited)) return {};
  if (Status s = checkParts(which, edited); !s) return s;
  current->merge(edited, which);
  return table->write(r->loc, {{r->loc.key(), current->toSelfRelative()}});
}

Status SetFileSecurityTree(const QString& path, quint32 which, const SecurityDescriptor& sd, TreeMode mode) {
  if (Status s = checkParts(which, sd); !s) return s;
  auto table = securityTable();
  if (!table) return noTable();
  auto r = resolveExisting(path);
  if (!r) return r.error();
  auto root = effective(*table, *r);
  if (!root) return root.error();
  root->merge(sd, which);
  QHash<QString, QByteArray> writes;
  const QString rootKey = r->loc.key();
  writes.insert(rootKey, root->toSelfRelative());
  if (!r->isDirectory) return table->write(r->loc, writes);

  auto below = table->readBelow(r->loc);
  if (!below) return below.error();
  // The effective descriptor of each folder visited, by key, for its children.
  QHash<QString, SecurityDescriptor> folders{{rootKey, *root}};
  // Keys follow the names on disk, lower-cased.
  std::function<void(const QString&, const QString&)> visit;
  const QString sep = files::isUnc(path) || path.contains(u'\\') ? QStringLiteral("\\") : QStringLiteral("/");
  visit = [&](const QString& dirPath, const QString& dirKey) {
    auto entries = files::list(dirPath);
    if (!entries) return;
    const SecurityDescriptor& parent = folders[dirKey];
    for (const files::DirEntry& e : std::as_const(*entries)) {
      const QString key = dirKey.isEmpty() ? e.name.toLower() : dirKey + u'/' + e.name.toLower();
      std::optional<SecurityDescriptor> own = decode(below->value(key));
      SecurityDescriptor child;
      if (own && mode == TreeMode::Propagate) {
        child = reinherit(*own, parent.dacl.value_or(Acl()), e.isDirectory);
      } else {
        child = inheritedDescriptor(parent, e.isDirectory);
        if (own) child.owner = own->owner;
      }
      if (which & info::OWNER) child.owner = sd.owner;
      const bool keep = own || (which & info::OWNER);
      if (keep) writes.insert(key, child.toSelfRelative());
      if (e.isDirectory) {
        folders.insert(key, child);
        visit(dirPath + sep + e.name, key);
        folders.remove(key);
      }
    }
  };
  QString top = path;
  while (top.size() > 1 && top.endsWith(sep)) top.chop(1);
  visit(top, rootKey);
  return table->write(r->loc, writes);
}

}  // namespace tavrel::security
