#include "mainwindow/RecordMemo.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::mainwindow {

std::optional<QByteArray> fileBytes(const QString& path, int openFlags) {
  const int fd = ::open(QFile::encodeName(path).constData(), openFlags | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<QByteArray> out;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    QByteArray bytes;
    bytes.resize(qsizetype(st.st_size));
    qsizetype got = 0;
    bool failed = false;
    // Read to the end, however long the file has grown since fstat.
    for (;;) {
      if (got == bytes.size()) bytes.resize(got + 4096);
      const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        failed = true;
        break;
      }
      if (n == 0) break;
      got += n;
    }
    if (!failed) {
      bytes.resize(got);
      out = std::move(bytes);
    }
  }
  ::close(fd);
  return out;
}

std::optional<QByteArray> folderFileBytes(const records::DatabaseFolder& db, const QString& name, int openFlags,
                                          QString* path) {
  *path = db.path() + name;
  if (std::optional<QByteArray> exact = fileBytes(*path, openFlags)) return exact;
  *path = db.resolve(name);
  return fileBytes(*path, openFlags);
}

}  // namespace tavrel::mainwindow
