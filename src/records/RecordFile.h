#pragma once
// A random-access file of fixed-length records numbered from 1. Record n occupies the bytes
// (n-1)*L .. n*L-1; the record count is the file length divided by L, so a trailing partial record
// is never read. Record locks are open-file-description locks on the record's byte range: they
// belong to this handle, and closing another handle of the same file does not release them.
// Writers of the database folder's files go through DatabaseFolder, which also takes the folder
// lock; a RecordFile alone knows nothing of whole-file rewrites.

#include "records/FileOps.h"
#include "records/Result.h"

#include <QByteArray>
#include <QString>

namespace tavrel::records {

class RecordFile {
 public:
  enum class Access {
    Read,       // the file must exist
    Update,     // read and write; the file must exist
    ReadWrite,  // read and write; a missing file is created empty
  };

  static Result<RecordFile> open(const QString& path, int recordLength, Access access,
                                 FileOps& ops = posixFileOps());
  // Creates an empty file under `path`, failing when anything of that name exists.
  static Result<RecordFile> createNew(const QString& path, int recordLength, FileOps& ops = posixFileOps());

  RecordFile(RecordFile&& other) noexcept;
  RecordFile& operator=(RecordFile&& other) noexcept;
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;
  ~RecordFile();

  int recordLength() const { return length_; }
  const QString& path() const { return path_; }
  // The file's name without its folder, for messages.
  QString name() const;

  Result<qint64> byteLength() const;
  Result<int> count() const;
  // Fails, saying so, when the length is no whole number of records: a file of another layout, or
  // one with a partial record at its end (which the count leaves out).
  Status checkWholeRecords() const;
  // Record n, 1 <= n <= count().
  Result<QByteArray> read(int n) const;
  // Writes record n (n may be count()+1, which extends the file); `bytes` is one record long.
  Status write(int n, const QByteArray& bytes);
  // Writes `bytes` as the record after the last one and returns its number. Appenders are
  // serialised through a lock of their own, and the count is read under it. A file ending in a
  // partial record is refused untouched.
  Result<int> append(const QByteArray& bytes);

  // Waits for an append in progress to finish and keeps further appends waiting until
  // allowAppends: the length measured meanwhile is never that of a record half written.
  Status holdAppends();
  void allowAppends();

  // Waits for and takes the exclusive lock of record n's byte range; unlock releases it.
  Status lock(int n);
  Status unlock(int n);

  // The whole file as bytes, and bytes written at a byte offset, for files read and written whole.
  Result<QByteArray> readAll() const;
  Status writeAt(qint64 offset, const QByteArray& bytes);

  Status sync();
  // Closes the handle; also done by the destructor, where a failure is ignored.
  Status close();

  template <class R>
  Result<R> readAs(int n) const {
    auto bytes = read(n);
    if (!bytes) return bytes.status();
    return R::decode(bytes.value());
  }

 private:
  RecordFile(FileOps* ops, int fd, QString path, int length);
  Status failed(const char* what, int err) const;

  FileOps* ops_ = nullptr;
  int fd_ = -1;
  QString path_;
  int length_ = 0;
};

// Releases the record lock it holds when it goes out of scope.
class RecordLock {
 public:
  RecordLock(RecordFile& file, int n) : file_(&file), n_(n) {}
  RecordLock(const RecordLock&) = delete;
  RecordLock& operator=(const RecordLock&) = delete;
  ~RecordLock() {
    if (file_) file_->unlock(n_);
  }

 private:
  RecordFile* file_;
  int n_;
};

}  // namespace tavrel::records
