#include "records/FileOps.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace tavrel::records {
namespace {

QByteArray native(const QString& path) {
  return QFile::encodeName(path);
}

}  // namespace

int FileOps::open(const QString& path, int flags, mode_t mode, int* fd) {
  int r;
  do {
    r = ::open(native(path).constData(), flags | O_CLOEXEC, mode);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return errno;
  *fd = r;
  return 0;
}

int FileOps::close(int fd) {
  return ::close(fd) == 0 ? 0 : errno;
}

int FileOps::pread(int fd, char* buf, qint64 len, qint64 offset, qint64* got) {
  qint64 done = 0;
  while (done < len) {
    const ssize_t r = ::pread(fd, buf + done, static_cast<size_t>(len - done), offset + done);
    if (r < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (r == 0) break;
    done += r;
  }
  *got = done;
  return 0;
}

int FileOps::pwrite(int fd, const char* buf, qint64 len, qint64 offset) {
  qint64 done = 0;
  while (done < len) {
    const ssize_t r = ::pwrite(fd, buf + done, static_cast<size_t>(len - done), offset + done);
    if (r < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += r;
  }
  return 0;
}

int FileOps::size(int fd, qint64* bytes) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  *bytes = st.st_size;
  return 0;
}

int FileOps::sync(int fd) {
  return ::fsync(fd) == 0 ? 0 : errno;
}

int FileOps::syncDir(const QString& dir) {
  const int fd = ::open(native(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int r = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  // Some file systems cannot sync a directory; the rename is done all the same.
  return (r == EINVAL || r == EROFS) ? 0 : r;
}

int FileOps::lock(int fd, short type, qint64 start, qint64 len) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = len;
  fl.l_pid = 0;  // required for open-file-description locks
  int r;
  do {
    r = ::fcntl(fd, F_OFD_SETLKW, &fl);
  } while (r < 0 && errno == EINTR);
  return r == 0 ? 0 : errno;
}

int FileOps::rename(const QString& from, const QString& to) {
  return ::rename(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
}

int FileOps::link(const QString& from, const QString& to) {
  return ::link(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
}

int FileOps::unlink(const QString& path) {
  return ::unlink(native(path).constData()) == 0 ? 0 : errno;
}

FileOps& posixFileOps() {
  static FileOps ops;
  return ops;
}

}  // namespace tavrel::records
