#pragma once
// Outcomes of directory operations: an HRESULT-style code with a message, carried by value.
// Nothing in the directory layers throws across a boundary.

#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>

namespace tavrel::adsi {

// The codes callers tell apart. The numbers are the ones the directory service reports.
namespace hr {
constexpr quint32 S_OK = 0x00000000;
constexpr quint32 E_FAIL = 0x80004005;
constexpr quint32 E_NOINTERFACE = 0x80004002;  // the object's class does not offer the operation
constexpr quint32 E_INVALIDARG = 0x80070057;
constexpr quint32 ACCESS_DENIED = 0x80070005;
constexpr quint32 BAD_NETPATH = 0x80070035;    // no such server
constexpr quint32 LOGON_FAILURE = 0x8007052E;  // wrong credentials
constexpr quint32 NO_SUCH_DOMAIN = 0x8007054B;
constexpr quint32 MEMBER_IN_GROUP = 0x80070528;
constexpr quint32 MEMBER_NOT_IN_GROUP = 0x80070529;
constexpr quint32 GROUP_NOT_FOUND = 0x800708AC;
constexpr quint32 USER_NOT_FOUND = 0x800708AD;
constexpr quint32 GROUP_EXISTS = 0x800708AF;
constexpr quint32 USER_EXISTS = 0x800708B0;
constexpr quint32 BAD_USERNAME = 0x8007089A;     // an account name the domain does not accept
constexpr quint32 PASSWORD_POLICY = 0x800708C5;  // the password does not meet the policy
constexpr quint32 ALREADY_EXISTS = 0x80071392;
constexpr quint32 NO_ATTRIBUTE_OR_VALUE = 0x8007200A;
constexpr quint32 INVALID_ATTRIBUTE_SYNTAX = 0x8007200B;
constexpr quint32 ATTRIBUTE_TYPE_UNDEFINED = 0x8007200C;
constexpr quint32 ATTRIBUTE_OR_VALUE_EXISTS = 0x8007200D;
constexpr quint32 OBJ_CLASS_VIOLATION = 0x80072014;
constexpr quint32 NOT_ON_NON_LEAF = 0x80072015;
constexpr quint32 CANT_ON_RDN = 0x80072016;
constexpr quint32 SIZELIMIT_EXCEEDED = 0x80072023;
constexpr quint32 CONSTRAINT_VIOLATION = 0x8007202F;
constexpr quint32 NO_SUCH_OBJECT = 0x80072030;
constexpr quint32 INVALID_DN_SYNTAX = 0x80072032;
constexpr quint32 UNWILLING_TO_PERFORM = 0x80072035;
constexpr quint32 NAMING_VIOLATION = 0x80072037;
constexpr quint32 SERVER_DOWN = 0x8007203A;
constexpr quint32 FILTER_UNKNOWN = 0x8007203E;
constexpr quint32 DS_GENERIC = 0x80072095;
constexpr quint32 OPERATIONS_ERROR = 0x80072020;
constexpr quint32 PROTOCOL_ERROR = 0x80072021;
constexpr quint32 TIMELIMIT_EXCEEDED = 0x80072022;
constexpr quint32 ADMIN_LIMIT_EXCEEDED = 0x80072024;
constexpr quint32 AUTH_METHOD_NOT_SUPPORTED = 0x80072027;
constexpr quint32 STRONG_AUTH_REQUIRED = 0x80072028;
constexpr quint32 INAPPROPRIATE_AUTH = 0x80072029;
constexpr quint32 AUTH_UNKNOWN = 0x8007202A;
constexpr quint32 UNAVAILABLE_CRIT_EXTENSION = 0x8007202C;
constexpr quint32 CONFIDENTIALITY_REQUIRED = 0x8007202D;
constexpr quint32 INAPPROPRIATE_MATCHING = 0x8007202E;
constexpr quint32 BUSY = 0x8007200E;
constexpr quint32 LOCAL_ERROR = 0x8007203B;
constexpr quint32 ENCODING_ERROR = 0x8007203C;
constexpr quint32 DECODING_ERROR = 0x8007203D;
constexpr quint32 PARAM_ERROR = 0x8007203F;
constexpr quint32 NOT_SUPPORTED = 0x80072040;
constexpr quint32 NO_RESULTS_RETURNED = 0x80072041;
constexpr quint32 CONTROL_NOT_FOUND = 0x80072042;
constexpr quint32 OUTOFMEMORY = 0x8007000E;
constexpr quint32 CANCELLED = 0x800704C7;
constexpr quint32 TIMEOUT = 0x800705B4;
constexpr quint32 INVALID_SYNTAX = 0x800401E4;  // unknown provider in a path
constexpr quint32 BAD_PATHNAME = 0x80005000;
constexpr quint32 UNKNOWN_OBJECT = 0x80005004;
constexpr quint32 OBJECT_UNBOUND = 0x80005005;  // the object has not been committed yet
constexpr quint32 PROPERTY_NOT_SUPPORTED = 0x80005006;
constexpr quint32 BAD_PARAMETER = 0x80005008;
constexpr quint32 CANT_CONVERT_DATATYPE = 0x8000500C;
constexpr quint32 PROPERTY_NOT_FOUND = 0x8000500D;
}  // namespace hr

// LDAP result codes (RFC 4511) the back ends report, and libldap's own negative codes for what
// went wrong on the client side.
namespace ldap {
constexpr int OPERATIONS_ERROR = 1;
constexpr int PROTOCOL_ERROR = 2;
constexpr int TIMELIMIT_EXCEEDED = 3;
constexpr int AUTH_METHOD_NOT_SUPPORTED = 7;
constexpr int STRONG_AUTH_REQUIRED = 8;
constexpr int ADMINLIMIT_EXCEEDED = 11;
constexpr int UNAVAILABLE_CRITICAL_EXTENSION = 12;
constexpr int CONFIDENTIALITY_REQUIRED = 13;
constexpr int INAPPROPRIATE_MATCHING = 18;
constexpr int INAPPROPRIATE_AUTH = 48;
constexpr int BUSY = 51;
constexpr int CLIENT_SERVER_DOWN = -1;
constexpr int CLIENT_LOCAL_ERROR = -2;
constexpr int CLIENT_ENCODING_ERROR = -3;
constexpr int CLIENT_DECODING_ERROR = -4;
constexpr int CLIENT_TIMEOUT = -5;
constexpr int CLIENT_AUTH_UNKNOWN = -6;
constexpr int CLIENT_FILTER_ERROR = -7;
constexpr int CLIENT_USER_CANCELLED = -8;
constexpr int CLIENT_PARAM_ERROR = -9;
constexpr int CLIENT_NO_MEMORY = -10;
constexpr int CLIENT_CONNECT_ERROR = -11;
constexpr int CLIENT_NOT_SUPPORTED = -12;
constexpr int CLIENT_CONTROL_NOT_FOUND = -13;
constexpr int CLIENT_NO_RESULTS_RETURNED = -14;
constexpr int SIZELIMIT_EXCEEDED = 4;
constexpr int NO_SUCH_ATTRIBUTE = 16;
constexpr int UNDEFINED_TYPE = 17;
constexpr int CONSTRAINT_VIOLATION = 19;
constexpr int TYPE_OR_VALUE_EXISTS = 20;
constexpr int INVALID_SYNTAX = 21;
constexpr int NO_SUCH_OBJECT = 32;
constexpr int INVALID_DN_SYNTAX = 34;
constexpr int INVALID_CREDENTIALS = 49;
constexpr int INSUFFICIENT_ACCESS = 50;
constexpr int UNAVAILABLE = 52;
constexpr int UNWILLING_TO_PERFORM = 53;
constexpr int NAMING_VIOLATION = 64;
constexpr int OBJECT_CLASS_VIOLATION = 65;
constexpr int NOT_ALLOWED_ON_NONLEAF = 66;
constexpr int NOT_ALLOWED_ON_RDN = 67;
constexpr int ALREADY_EXISTS = 68;
constexpr int OTHER = 80;
constexpr int SERVER_DOWN = 81;
constexpr int FILTER_ERROR = 87;
// The extended error a server adds to a constraint violation when a password breaks the policy.
constexpr quint32 EXT_PASSWORD_RESTRICTION = 0x52D;
}  // namespace ldap

struct Error {
  quint32 code = hr::E_FAIL;
  QString message;
  int ldapCode = 0;  // the LDAP result behind it, when a back end reported one

  // "8007052E": the code as eight upper-case hex digits.
  QString hex() const;
  // The code as the signed 32-bit number a decimal log line shows.
  qint32 number() const { return static_cast<qint32>(code); }
};

// The HRESULT the directory service reports for an LDAP result (with its extended error).
quint32 hresultFromLdap(int ldapCode, quint32 extended = 0);
Error ldapError(int ldapCode, const QString& message, quint32 extended = 0);
Error makeError(quint32 code, const QString& message);

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}      // NOLINT(google-explicit-constructor)
  Result(Error error) : error_(std::move(error)) {}  // NOLINT(google-explicit-constructor)

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const T& value() const& { return *value_; }
  T& value() & { return *value_; }
  T&& value() && { return std::move(*value_); }
  const T& operator*() const& { return *value_; }
  T& operator*() & { return *value_; }
  const T* operator->() const { return &*value_; }
  T* operator->() { return &*value_; }
  const Error& error() const { return error_; }
  quint32 code() const { return ok() ? hr::S_OK : error_.code; }

 private:
  std::optional<T> value_;
  Error error_;
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error)), failed_(true) {}  // NOLINT(google-explicit-constructor)
  template <typename T>
  static Status of(const Result<T>& r) {
    return r.ok() ? Status() : Status(r.error());
  }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return error_; }
  quint32 code() const { return failed_ ? error_.code : hr::S_OK; }

 private:
  Error error_;
  bool failed_ = false;
};

}  // namespace tavrel::adsi
