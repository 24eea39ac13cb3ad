#pragma once
// Explicit results of the record-file operations: success, or a failure with a message the caller
// can show. Nothing in this library throws across its interface.

#include <QString>

#include <optional>
#include <utility>

namespace tavrel::records {

class Status {
 public:
  Status() = default;
  static Status failure(QString message) {
    Status s;
    s.ok_ = false;
    s.message_ = std::move(message);
    return s;
  }
  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const QString& message() const { return message_; }

 private:
  bool ok_ = true;
  QString message_;
};

template <class T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Status failure) : status_(std::move(failure)) {}
  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Status& status() const { return status_; }
  const QString& message() const { return status_.message(); }
  const T& value() const { return *value_; }
  T& value() { return *value_; }
  const T* operator->() const { return &*value_; }
  T* operator->() { return &*value_; }

 private:
  std::optional<T> value_;
  Status status_;
};

// "Site.dat: <what>: <system error text>" for a failed system call with errno `err`.
QString systemError(const QString& what, int err);

}  // namespace tavrel::records
