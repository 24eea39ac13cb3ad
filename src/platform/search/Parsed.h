#pragma once
// The result of parsing a search filter or a search command: the value, or a syntax error that
// says what is wrong and where.

#include <QString>

#include <optional>
#include <utility>

namespace tavrel::search {

struct SyntaxError {
  QString message;         // what is wrong, e.g. "unbalanced parentheses"
  qsizetype position = 0;  // offset in the parsed text, counted from 0
};

template <class T>
class Parsed {
 public:
  Parsed(T value) : value_(std::move(value)) {}
  Parsed(SyntaxError error) : error_(std::move(error)) {}

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }

  // Only when ok().
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  const T& operator*() const { return *value_; }
  const T* operator->() const { return &*value_; }

  // Only when !ok().
  const SyntaxError& error() const { return error_; }

 private:
  std::optional<T> value_;
  SyntaxError error_;
};

}  // namespace tavrel::search
