#include "resources/PermissionFile.h"

#include "records/DatabaseFolder.h"
#include "resources/RunMemoState.h"

#include <QFileInfo>

namespace tavrel::resources {

namespace {

records::Result<QList<records::Permission_Record>> readFile(const QString& dbpath, const QString& name) {
  using records::Permission_Record;
  using records::RecordFile;
  const records::DatabaseFolder db(dbpath);
  QList<Permission_Record> out;
  // The file under its own spelling first; the folder is searched only when it is not there.
  auto file = RecordFile::open(db.path() + name, Permission_Record::Length, RecordFile::Access::Read);
  if (!file) {
    const QString found = db.resolve(name);
    if (!QFileInfo(found).isFile()) return out;
    file = RecordFile::open(found, Permission_Record::Length, RecordFile::Access::Read);
    if (!file) return file.status();
  }
  auto bytes = file->readAll();
  if (!bytes) return bytes.status();
  // Whole records only: a partial one at the end is no record.
  const QByteArray& all = bytes.value();
  for (qsizetype at = 0; at + Permission_Record::Length <= all.size(); at += Permission_Record::Length)
    out.append(Permission_Record::decode(all.mid(at, Permission_Record::Length)));
  return out;
}

}  // namespace

records::Result<QList<records::Permission_Record>> readPermissionFile(const QString& dbpath, const QString& name) {
  memo::State* kept = memo::active();
  const std::pair<QString, QString> key{dbpath, name};
  if (kept)
    if (auto it = kept->lists.constFind(key); it != kept->lists.cend()) return *it;
  auto read = readFile(dbpath, name);
  if (kept && read) kept->lists.insert(key, read.value());
  return read;
}

}  // namespace tavrel::resources
