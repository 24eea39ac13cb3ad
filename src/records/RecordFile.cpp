#include "records/RecordFile.h"

#include <QFileInfo>

#include <fcntl.h>
#include <cstring>
#include <limits>

namespace tavrel::records {
namespace {

// Appenders lock this one byte, far beyond any record, while they read the count and write.
constexpr qint64 kAppendToken = std::numeric_limits<qint64>::max() - 1;

}  // namespace

QString systemError(const QString& what, int err) {
  return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err));
}

RecordFile::RecordFile(FileOps* ops, int fd, QString path, int length)
    : ops_(ops), fd_(fd), path_(std::move(path)), length_(length) {}

RecordFile::RecordFile(RecordFile&& other) noexcept
    : ops_(other.ops_), fd_(other.fd_), path_(std::move(other.path_)), length_(other.length_) {
  other.fd_ = -1;
}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
  if (this != &other) {
    close();
    ops_ = other.ops_;
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    length_ = other.length_;
    other.fd_ = -1;
  }
  return *this;
}

RecordFile::~RecordFile() {
  close();
}

Result<RecordFile> RecordFile::open(const QString& path, int recordLength, Access access, FileOps& ops) {
  if (recordLength < 1) return Status::failure(QStringLiteral("A record must have at least one byte."));
  int fd = -1;
  const QString name = QFileInfo(path).fileName();
  const int flags = access == Access::Read ? O_RDONLY : access == Access::Update ? O_RDWR : O_RDWR | O_CREAT;
  if (int err = ops.open(path, flags, 0666, &fd))
    return Status::failure(systemError("Can't open " + name, err));
  return RecordFile(&ops, fd, path, recordLength);
}

Result<RecordFile> RecordFile::createNew(const QString& path, int recordLength, FileOps& ops) {
  if (recordLength < 1) return Status::failure(QStringLiteral("A record must have at least one byte."));
  int fd = -1;
  if (int err = ops.open(path, O_RDWR | O_CREAT | O_EXCL, 0666, &fd))
    return Status::failure(systemError("Can't create " + QFileInfo(path).fileName(), err));
  return RecordFile(&ops, fd, path, recordLength);
}

QString RecordFile::name() const {
  return QFileInfo(path_).fileName();
}

Status RecordFile::failed(const char* what, int err) const {
  return Status::failure(systemError(QString::fromLatin1(what) + ' ' + name(), err));
}

Result<qint64> RecordFile::byteLength() const {
  qint64 bytes = 0;
  if (int err = ops_->size(fd_, &bytes)) return failed("Can't read the length of", err);
  return bytes;
}

Result<int> RecordFile::count() const {
  auto bytes = byteLength();
  if (!bytes) return bytes.status();
  const qint64 n = bytes.value() / length_;
  if (n > std::numeric_limits<int>::max()) return Status::failure(name() + QStringLiteral(" is too large."));
  return static_cast<int>(n);
}

Status RecordFile::checkWholeRecords() const {
  auto bytes = byteLength();
  if (!bytes) return bytes.status();
  if (bytes.value() % length_ == 0) return {};
  return Status::failure(QStringLiteral("%1 is %2 bytes long, not a whole number of %3-byte records.")
                             .arg(name())
                             .arg(bytes.value())
                             .arg(length_));
}

Result<QByteArray> RecordFile::read(int n) const {
  if (n < 1) return Status::failure(QStringLiteral("No record %1 in %2.").arg(n).arg(name()));
  QByteArray bytes(length_, '\0');
  qint64 got = 0;
  if (int err = ops_->pread(fd_, bytes.data(), length_, qint64(n - 1) * length_, &got))
    return failed("Can't read", err);
  if (got != length_) return Status::failure(QStringLiteral("No record %1 in %2.").arg(n).arg(name()));
  return bytes;
}

Status RecordFile::write(int n, const QByteArray& bytes) {
  if (n < 1 || bytes.size() != length_)
    return Status::failure(QStringLiteral("Record %1 of %2 not written: bad record.").arg(n).arg(name()));
  if (int err = ops_->pwrite(fd_, bytes.constData(), length_, qint64(n - 1) * length_))
    return failed("Can't write", err);
  return {};
}

Result<int> RecordFile::append(const QByteArray& bytes) {
  if (int err = ops_->lock(fd_, F_WRLCK, kAppendToken, 1)) return failed("Can't lock", err);
  Result<int> result = [&]() -> Result<int> {
    // A partial record at the end is damage or another layout; appending would overwrite it.
    if (Status whole = checkWholeRecords(); !whole) return whole;
    auto n = count();
    if (!n) return n.status();
    const int next = n.value() + 1;
    Status w = write(next, bytes);
    if (!w) return w;
    return next;
  }();
  ops_->lock(fd_, F_UNLCK, kAppendToken, 1);
  return result;
}

Status RecordFile::holdAppends() {
  if (int err = ops_->lock(fd_, F_RDLCK, kAppendToken, 1)) return failed("Can't lock", err);
  return {};
}

void RecordFile::allowAppends() {
  ops_->lock(fd_, F_UNLCK, kAppendToken, 1);
}

Status RecordFile::lock(int n) {
  if (n < 1) return Status::failure(QStringLiteral("No record %1 in %2.").arg(n).arg(name()));
  if (int err = ops_->lock(fd_, F_WRLCK, qint64(n - 1) * length_, length_)) return failed("Can't lock", err);
  return {};
}

Status RecordFile::unlock(int n) {
  if (n < 1) return Status::failure(QStringLiteral("No record %1 in %2.").arg(n).arg(name()));
  if (int err = ops_->lock(fd_, F_UNLCK, qint64(n - 1) * length_, length_))
    return failed("Can't unlock", err);
  return {};
}

Result<QByteArray> RecordFile::readAll() const {
  auto length = byteLength();
  if (!length) return length.status();
  QByteArray bytes(length.value(), '\0');
  qint64 got = 0;
  if (int err = ops_->pread(fd_, bytes.data(), bytes.size(), 0, &got)) return failed("Can't read", err);
  bytes.truncate(got);
  return bytes;
}

Status RecordFile::writeAt(qint64 offset, const QByteArray& bytes) {
  if (int err = ops_->pwrite(fd_, bytes.constData(), bytes.size(), offset)) return failed("Can't write", err);
  return {};
}

Status RecordFile::sync() {
  if (int err = ops_->sync(fd_)) return failed("Can't write", err);
  return {};
}

Status RecordFile::close() {
  if (fd_ < 0) return {};
  const int fd = fd_;
  fd_ = -1;
  if (int err = ops_->close(fd)) return failed("Can't close", err);
  return {};
}

}  // namespace tavrel::records
