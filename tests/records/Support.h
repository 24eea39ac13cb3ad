#pragma once
// Helpers of the record tests: file operations that fail on request, a read-only folder, and
// small builders of record files.

#include "records/FileOps.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cerrno>

namespace tavrel::test {

// Passes every call to the system, except that call number `failAt` (counting from 1) fails with
// `err`. Unlocking, closing and the directory sync after a rename (whose failure is not reported)
// are never made to fail.
class FaultyOps : public records::FileOps {
 public:
  explicit FaultyOps(int failAt = 0, int err = EIO) : failAt_(failAt), err_(err) {}
  int calls() const { return calls_; }
  bool injected() const { return injected_; }
  QString failedCall() const { return failedCall_; }

  int open(const QString& path, int flags, mode_t mode, int* fd) override;
  int pread(int fd, char* buf, qint64 len, qint64 offset, qint64* got) override;
  int pwrite(int fd, const char* buf, qint64 len, qint64 offset) override;
  int size(int fd, qint64* bytes) override;
  int sync(int fd) override;
  int lock(int fd, short type, qint64 start, qint64 len) override;
  int rename(const QString& from, const QString& to) override;
  int link(const QString& from, const QString& to) override;
  int unlink(const QString& path) override;

 private:
  bool hit(const char* call);
  int failAt_;
  int err_;
  int calls_ = 0;
  bool injected_ = false;
  QString failedCall_;
};

// A folder on a read-only file system: every change fails with EROFS.
class ReadOnlyOps : public records::FileOps {
 public:
  int open(const QString& path, int flags, mode_t mode, int* fd) override;
  int pwrite(int, const char*, qint64, qint64) override { return EBADF; }
  int rename(const QString&, const QString&) override { return EROFS; }
  int link(const QString&, const QString&) override { return EROFS; }
  int unlink(const QString&) override { return EROFS; }
};

// Links are refused as on a file system without hard links.
class NoLinkOps : public records::FileOps {
 public:
  int link(const QString&, const QString&) override { return EPERM; }
};

// The concatenation of record images.
template <class R>
QByteArray imageOf(const QList<R>& records) {
  QByteArray out;
  for (const R& r : records) out += r.encode();
  return out;
}

}  // namespace tavrel::test

#include "support/Fixtures.h"

#include <QMap>

namespace tavrel::test {

// A test with an empty database folder `db()` inside its temporary folder.
class FolderFixture : public AppFixture {
 protected:
  void SetUp() override;
  QString db() const { return dir() + QStringLiteral("db/"); }
  QByteArray file(const QString& name) const { return readAll(db() + name); }
  bool has(const QString& name) const;
  void put(const QString& name, const QByteArray& bytes) { ASSERT_TRUE(writeAll(db() + name, bytes)); }
};

// Every file of `folder` (the folder lock excluded) with its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder);
// Empties `folder`, creating it when missing.
void resetFolder(const QString& folder);

}  // namespace tavrel::test
