#include "records/DatabaseFolder.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <cerrno>

namespace tavrel::records {
namespace {

QString withSeparator(const QString& dbpath) {
  if (dbpath.isEmpty() || dbpath.endsWith(u'/')) return dbpath;
  return dbpath + u'/';
}

// Errors of link() that only say the file system can't make hard links.
bool linkUnsupported(int err) {
  return err == EPERM || err == EXDEV || err == ENOTSUP || err == EOPNOTSUPP || err == EMLINK ||
         err == ENOSYS;
}

}  // namespace

FolderLock& FolderLock::operator=(FolderLock&& o) noexcept {
  if (this != &o) {
    release();
    ops_ = o.ops_;
    fd_ = o.fd_;
    o.fd_ = -1;
  }
  return *this;
}

void FolderLock::release() {
  if (fd_ < 0) return;
  // Closing the lock file's only descriptor releases its lock.
  ops_->close(fd_);
  fd_ = -1;
}

DatabaseFolder::DatabaseFolder(const QString& dbpath, FileOps& ops)
    : path_(withSeparator(dbpath)), ops_(&ops) {}

Status DatabaseFolder::check() const {
  const QFileInfo info(path_);
  if (path_.isEmpty() || !info.exists())
    return Status::failure(QStringLiteral("The database folder %1 does not exist.").arg(path_));
  if (!info.isDir()) return Status::failure(QStringLiteral("%1 is not a folder.").arg(path_));
  return {};
}

QString DatabaseFolder::resolve(const QString& name) const {
  // The exact spelling is the common case: one stat instead of listing the folder.
  const QString exact = path_ + name;
  if (const QFileInfo info(exact); info.exists() || info.isSymLink()) return exact;
  const QStringList entries =
      QDir(path_).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& e : entries)
    if (e.compare(name, Qt::CaseInsensitive) == 0) return path_ + e;
  // A file not there yet gets its canonical spelling, whichever spelling asked for it.
  for (const QString* canonical : {&names::Site, &names::Template, &names::Permissions, &names::SharePerm,
                                   &names::Mail, &names::W2K, &names::WTS})
    if (canonical->compare(name, Qt::CaseInsensitive) == 0) return path_ + *canonical;
  return path_ + name;
}

bool DatabaseFolder::exists(const QString& name) const {
  const QFileInfo info(resolve(name));
  return info.exists() && info.isFile();
}

Result<FolderLock> DatabaseFolder::lock(short type) const {
  if (Status s = check(); !s) return s;
  const QString lockPath = path_ + names::FolderLock;
  int fd = -1;
  int err = ops_->open(lockPath, O_RDWR | O_CREAT, 0666, &fd);
  if (err && type == F_RDLCK) {
    // A lock file we may only read still serves for the shared lock. In a folder where it can't
    // even be created nobody of our rights can rewrite whole files, so record writers go on
    // without it.
    err = ops_->open(lockPath, O_RDONLY, 0, &fd);
    if (err == ENOENT) return FolderLock();
  }
  if (err) return Status::failure(systemError("Can't lock the database folder " + path_, err));
  if (int e = ops_->lock(fd, type, 0, 0)) {
    ops_->close(fd);
    return Status::failure(systemError("Can't lock the database folder " + path_, e));
  }
  return FolderLock(ops_, fd);
}

Result<FolderLock> DatabaseFolder::lockExclusive() const {
  return lock(F_WRLCK);
}
Result<FolderLock> DatabaseFolder::lockShared() const {
  return lock(F_RDLCK);
}

Result<RecordFile> DatabaseFolder::open(const QString& name, int recordLength,
                                        RecordFile::Access access) const {
  if (Status s = check(); !s) return s;
  return RecordFile::open(resolve(name), recordLength, access, *ops_);
}

Result<int> DatabaseFolder::appendRecord(const QString& name, const QByteArray& record) const {
  auto guard = lockShared();
  if (!guard) return guard.status();
  auto file = open(name, static_cast<int>(record.size()), RecordFile::Access::ReadWrite);
  if (!file) return file.status();
  auto n = file->append(record);
  if (!n) return n;
  if (Status s = file->close(); !s) return s;
  return n;
}

Status DatabaseFolder::writeRecord(const QString& name, int n, const QByteArray& record) const {
  auto guard = lockShared();
  if (!guard) return guard.status();
  auto file = open(name, static_cast<int>(record.size()), RecordFile::Access::ReadWrite);
  if (!file) return file.status();
  if (Status s = file->lock(n); !s) return s;
  Status result = [&]() -> Status {
    auto count = file->count();
    if (!count) return count.status();
    if (n > count.value() + 1)
      return Status::failure(QStringLiteral("Record %1 can't be written: %2 holds %3 records.")
                                 .arg(n)
                                 .arg(file->name())
                                 .arg(count.value()));
    return file->write(n, record);
  }();
  file->unlock(n);
  if (!result) return result;
  return file->close();
}

Status DatabaseFolder::updateRecord(const QString& name, int recordLength, int n,
                                    const std::function<Status(QByteArray& record)>& change) const {
  auto guard = lockShared();
  if (!guard) return guard.status();
  auto file = open(name, recordLength, RecordFile::Access::Update);
  if (!file) return file.status();
  if (Status s = file->lock(n); !s) return s;
  Status result = [&]() -> Status {
    auto bytes = file->read(n);
    if (!bytes) return bytes.status();
    if (Status s = change(bytes.value()); !s) return s;
    return file->write(n, bytes.value());
  }();
  file->unlock(n);
  if (!result) return result;
  return file->close();
}

Status DatabaseFolder::copyFile(const QString& from, const QString& to) const {
  const QString toName = QFileInfo(to).fileName();
  int in = -1;
  if (int err = ops_->open(from, O_RDONLY, 0, &in))
    return Status::failure(systemError("Can't open " + QFileInfo(from).fileName(), err));
  int out = -1;
  if (int err = ops_->open(to, O_WRONLY | O_CREAT | O_EXCL, 0666, &out)) {
    ops_->close(in);
    return Status::failure(systemError("Can't create " + toName, err));
  }
  int err = 0;
  QByteArray buf(1 << 16, '\0');
  for (qint64 offset = 0;;) {
    qint64 got = 0;
    if ((err = ops_->pread(in, buf.data(), buf.size(), offset, &got))) break;
    if (got == 0) break;
    if ((err = ops_->pwrite(out, buf.constData(), got, offset))) break;
    offset += got;
  }
  if (!err) err = ops_->sync(out);
  ops_->close(in);
  const int closeErr = ops_->close(out);
  if (!err) err = closeErr;
  if (err) {
    ops_->unlink(to);
    return Status::failure(systemError("Can't write " + toName, err));
  }
  return {};
}

Status DatabaseFolder::replace(const QString& tempName, const QString& name, const QString& keepOldAs) const {
  const QString temp = resolve(tempName);
  const QString target = resolve(name);
  QString kept;
  if (!keepOldAs.isEmpty() && QFileInfo::exists(target)) {
    if (QFileInfo(resolve(keepOldAs)).exists() || QFileInfo(resolve(keepOldAs)).isSymLink())
      return Status::failure(
          QStringLiteral("%1 already exists.").arg(QFileInfo(resolve(keepOldAs)).fileName()));
    kept = path_ + keepOldAs;
    int err = ops_->link(target, kept);
    if (err && linkUnsupported(err)) {
      if (Status s = copyFile(target, kept); !s) return s;
    } else if (err) {
      return Status::failure(
          systemError("Can't keep " + QFileInfo(target).fileName() + " as " + keepOldAs, err));
    }
  }
  if (int err = ops_->rename(temp, target)) {
    if (!kept.isEmpty()) ops_->unlink(kept);
    return Status::failure(
        systemError("Can't put " + tempName + " in place of " + QFileInfo(target).fileName(), err));
  }
  // The rename is done and the new file is in place; making the folder entry durable is best effort.
  ops_->syncDir(path_);
  return {};
}

Result<RecordFile> DatabaseFolder::createFresh(const QString& name, int recordLength) const {
  if (Status s = check(); !s) return s;
  // Any leftover of an interrupted run goes first, whatever its letter case, so that nothing of
  // it can reach the live file.
  for (QString old = resolve(name); QFileInfo::exists(old) || QFileInfo(old).isSymLink();
       old = resolve(name)) {
    if (int err = ops_->unlink(old))
      return Status::failure(systemError("Can't remove " + QFileInfo(old).fileName(), err));
  }
  return RecordFile::createNew(path_ + name, recordLength, *ops_);
}

void DatabaseFolder::discard(const QString& name) const {
  const QString p = resolve(name);
  if (QFileInfo::exists(p)) ops_->unlink(p);
}

Status DatabaseFolder::writeWhole(const QString& name, const QByteArray& bytes) const {
  const QString tempName = name + QStringLiteral(".tmp");
  auto temp = createFresh(tempName, 1);
  if (!temp) return temp.status();
  Status s = temp->writeAt(0, bytes);
  if (s) s = temp->sync();
  if (s) s = temp->close();
  if (s) s = replace(tempName, name);
  if (!s) discard(tempName);
  return s;
}

Result<QByteArray> DatabaseFolder::readWhole(const QString& name) const {
  auto file = open(name, 1, RecordFile::Access::Read);
  if (!file) return file.status();
  return file->readAll();
}

}  // namespace tavrel::records
