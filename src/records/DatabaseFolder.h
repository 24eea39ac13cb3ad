#pragma once
// The database folder: its files found without regard to letter case, the folder lock that keeps
// whole-file rewrites apart from record writers, the record writers themselves, and the atomic
// replacement of a whole file.

#include "records/FileOps.h"
#include "records/RecordFile.h"
#include "records/Result.h"

#include <QString>

#include <functional>

namespace tavrel::records {

// The canonical names under which new files are created.
namespace names {
inline const QString Site = QStringLiteral("Site.dat");
inline const QString Template = QStringLiteral("Template.dat");
inline const QString Permissions = QStringLiteral("Permissions.dat");
inline const QString SharePerm = QStringLiteral("SharePerm.dat");
inline const QString Mail = QStringLiteral("Mail.dat");
inline const QString W2K = QStringLiteral("W2K.dat");
inline const QString WTS = QStringLiteral("WTS.dat");
// Held by whole-file rewrites (exclusive) and record writers (shared).
inline const QString FolderLock = QStringLiteral(".tavrel.lock");
}  // namespace names

// A lock on the folder's lock file, released when the object goes.
class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(FileOps* ops, int fd) : ops_(ops), fd_(fd) {}
  FolderLock(FolderLock&& o) noexcept : ops_(o.ops_), fd_(o.fd_) { o.fd_ = -1; }
  FolderLock& operator=(FolderLock&& o) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock() { release(); }
  void release();

 private:
  FileOps* ops_ = nullptr;
  int fd_ = -1;
};

class DatabaseFolder {
 public:
  // `dbpath` is the folder, with or without its trailing "/".
  explicit DatabaseFolder(const QString& dbpath, FileOps& ops = posixFileOps());

  // The folder, ending with "/".
  const QString& path() const { return path_; }
  FileOps& ops() const { return *ops_; }

  // Fails with a message when the folder is missing or not a folder.
  Status check() const;

  // The path of `name` in the folder: an entry whose name equals it without regard to letter case
  // (the exact spelling preferred); for a file not there yet, the canonical spelling of one of the
  // seven files, or else `name` as given.
  QString resolve(const QString& name) const;
  // Whether `name` (any letter case) is an ordinary file of the folder.
  bool exists(const QString& name) const;

  // Whole-file rewrites hold the exclusive lock; record writers hold the shared one while they
  // write. Both wait for the other kind to finish. Each lock is its own open file description, so
  // code holding the exclusive lock must not call a record writer: it would wait for itself.
  Result<FolderLock> lockExclusive() const;
  Result<FolderLock> lockShared() const;

  // Opens record file `name`, resolved without regard to case; ReadWrite creates a missing file
  // under its canonical name.
  Result<RecordFile> open(const QString& name, int recordLength, RecordFile::Access access) const;

  // Record writers. Each holds the shared folder lock and opens the file under it, so it never
  // writes into a file that a whole-file rewrite has just replaced.
  // Appends one record (creating the file when missing) and returns its number.
  Result<int> appendRecord(const QString& name, const QByteArray& record) const;
  // Writes record n under the lock of that record.
  Status writeRecord(const QString& name, int n, const QByteArray& record) const;
  // Locks record n, reads it again, lets `change` alter it and writes it back, so a change made
  // meanwhile by another instance is never overwritten with stale fields. A failing `change`
  // writes nothing.
  Status updateRecord(const QString& name, int recordLength, int n,
                      const std::function<Status(QByteArray& record)>& change) const;

  // Puts the finished file `tempName` in place of `name`: when `keepOldAs` is given, the old file
  // stays under that name too (a hard link, or a copy where links are not possible; an existing
  // `keepOldAs` is a failure). The replacement is one rename, so `name` always exists. The caller
  // holds the exclusive lock and has synced `tempName`.
  Status replace(const QString& tempName, const QString& name, const QString& keepOldAs = {}) const;

  // Writes `bytes` as the whole of file `name` through a fresh temporary file and a rename.
  // The caller holds the exclusive lock.
  Status writeWhole(const QString& name, const QByteArray& bytes) const;

  // Reads the whole of file `name`.
  Result<QByteArray> readWhole(const QString& name) const;

  // Creates `name` empty, removing whatever file of that name was left behind.
  Result<RecordFile> createFresh(const QString& name, int recordLength) const;

  // Removes `name` when present; failures are ignored (used to clean up after a failure).
  void discard(const QString& name) const;

 private:
  Result<FolderLock> lock(short type) const;
  Status copyFile(const QString& from, const QString& to) const;

  QString path_;
  FileOps* ops_;
};

}  // namespace tavrel::records
