#include "resources/PermissionFile.h"

#include "records/DatabaseFolder.h"

namespace tavrel::resources {

records::Result<QList<records::Permission_Record>> readPermissionFile(const QString& dbpath, const QString& name) {
  using records::Permission_Record;
  const records::DatabaseFolder db(dbpath);
  QList<Permission_Record> out;
  if (!db.exists(name)) return out;
  auto file = db.open(name, Permission_Record::Length, records::RecordFile::Access::Read);
  if (!file) return file.status();
  auto count = file->count();
  if (!count) return count.status();
  for (int n = 1; n <= count.value(); ++n) {
    auto bytes = file->read(n);
    if (!bytes) return bytes.status();
    out.append(Permission_Record::decode(bytes.value()));
  }
  return out;
}

}  // namespace tavrel::resources
