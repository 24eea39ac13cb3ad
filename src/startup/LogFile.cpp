#include "startup/LogFile.h"

#include "platform/text/Cp1252.h"
#include "startup/Clock.h"

#include <QFile>

namespace tavrel::startup {

LogFile::LogFile(const QString& dbpath) : path_(pathFor(dbpath)), file_(std::make_unique<QFile>(path_)) {
  if (!file_->open(QIODevice::WriteOnly | QIODevice::Append)) {
    error_ = file_->errorString();
    return;
  }
  ok_ = true;
  line(kLogHeader);
  line(clock().dateTimeText());
}

LogFile::~LogFile() { close(); }

void LogFile::line(const QString& text) {
  if (!ok_) return;
  QByteArray bytes = text::toCp1252(text);
  bytes.append("\r\n");
  // Each line reaches the file at once, so a crash keeps what was logged before it.
  if (file_->write(bytes) != bytes.size() || !file_->flush()) {
    error_ = file_->errorString();
    ok_ = false;
  }
}

void LogFile::close() {
  if (file_ && file_->isOpen()) file_->close();
  ok_ = false;
}

}  // namespace tavrel::startup
