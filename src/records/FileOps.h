#pragma once
// The system calls the record files are made of, behind one interface so that tests can make any
// single call fail. Every function returns 0 on success or the errno value of the failure.

#include <QString>

#include <sys/types.h>

namespace tavrel::records {

class FileOps {
 public:
  virtual ~FileOps() = default;

  virtual int open(const QString& path, int flags, mode_t mode, int* fd);
  virtual int close(int fd);
  // Reads up to `len` bytes at `offset`; `*got` is less than `len` only at the end of the file.
  virtual int pread(int fd, char* buf, qint64 len, qint64 offset, qint64* got);
  // Writes all `len` bytes at `offset`.
  virtual int pwrite(int fd, const char* buf, qint64 len, qint64 offset);
  virtual int size(int fd, qint64* bytes);
  virtual int sync(int fd);
  virtual int syncDir(const QString& dir);
  // An open-file-description byte-range lock: F_RDLCK, F_WRLCK or F_UNLCK over [start, start+len).
  // The lock belongs to the descriptor, so closing another descriptor of the file keeps it.
  virtual int lock(int fd, short type, qint64 start, qint64 len);
  virtual int rename(const QString& from, const QString& to);
  virtual int link(const QString& from, const QString& to);
  virtual int unlink(const QString& path);
};

// The real system calls.
FileOps& posixFileOps();

}  // namespace tavrel::records
