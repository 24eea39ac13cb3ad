#include "Support.h"

#include <fcntl.h>

namespace tavrel::test {

bool FaultyOps::hit(const char* call) {
  ++calls_;
  if (calls_ != failAt_) return false;
  injected_ = true;
  failedCall_ = QString::fromLatin1(call);
  return true;
}

int FaultyOps::open(const QString& path, int flags, mode_t mode, int* fd) {
  return hit("open") ? err_ : FileOps::open(path, flags, mode, fd);
}
int FaultyOps::pread(int fd, char* buf, qint64 len, qint64 offset, qint64* got) {
  return hit("pread") ? err_ : FileOps::pread(fd, buf, len, offset, got);
}
int FaultyOps::pwrite(int fd, const char* buf, qint64 len, qint64 offset) {
  return hit("pwrite") ? err_ : FileOps::pwrite(fd, buf, len, offset);
}
int FaultyOps::size(int fd, qint64* bytes) {
  return hit("size") ? err_ : FileOps::size(fd, bytes);
}
int FaultyOps::sync(int fd) {
  return hit("sync") ? err_ : FileOps::sync(fd);
}
int FaultyOps::lock(int fd, short type, qint64 start, qint64 len) {
  if (type != F_UNLCK && hit("lock")) return err_;
  return FileOps::lock(fd, type, start, len);
}
int FaultyOps::rename(const QString& from, const QString& to) {
  return hit("rename") ? err_ : FileOps::rename(from, to);
}
int FaultyOps::link(const QString& from, const QString& to) {
  return hit("link") ? err_ : FileOps::link(from, to);
}
int FaultyOps::unlink(const QString& path) {
  return hit("unlink") ? err_ : FileOps::unlink(path);
}

int ReadOnlyOps::open(const QString& path, int flags, mode_t mode, int* fd) {
  if ((flags & O_ACCMODE) != O_RDONLY || (flags & O_CREAT)) return EROFS;
  return FileOps::open(path, flags, mode, fd);
}

}  // namespace tavrel::test

#include "support/Fixtures.h"

#include <QDir>
#include <QFile>

namespace tavrel::test {

QMap<QString, QByteArray> snapshot(const QString& folder) {
  QMap<QString, QByteArray> files;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
    if (name != QLatin1String(".tavrel.lock")) files.insert(name, readAll(folder + name));
  return files;
}

void FolderFixture::SetUp() {
  AppFixture::SetUp();
  resetFolder(db());
}

bool FolderFixture::has(const QString& name) const {
  return QFile::exists(db() + name);
}

void resetFolder(const QString& folder) {
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
}

}  // namespace tavrel::test
