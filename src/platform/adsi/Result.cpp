#include "platform/adsi/Result.h"

namespace tavrel::adsi {

QString Error::hex() const {
  return QStringLiteral("%1").arg(code, 8, 16, QLatin1Char('0')).toUpper();
}

quint32 hresultFromLdap(int ldapCode, quint32 extended) {
  switch (ldapCode) {
    case 0:
      return hr::S_OK;
    case ldap::SIZELIMIT_EXCEEDED:
      return hr::SIZELIMIT_EXCEEDED;
    case ldap::NO_SUCH_ATTRIBUTE:
      return hr::NO_ATTRIBUTE_OR_VALUE;
    case ldap::UNDEFINED_TYPE:
      return hr::ATTRIBUTE_TYPE_UNDEFINED;
    case ldap::CONSTRAINT_VIOLATION:
      return extended == ldap::EXT_PASSWORD_RESTRICTION ? hr::PASSWORD_POLICY : hr::CONSTRAINT_VIOLATION;
    case ldap::TYPE_OR_VALUE_EXISTS:
      return hr::ATTRIBUTE_OR_VALUE_EXISTS;
    case ldap::INVALID_SYNTAX:
      return hr::INVALID_ATTRIBUTE_SYNTAX;
    case ldap::NO_SUCH_OBJECT:
      return hr::NO_SUCH_OBJECT;
    case ldap::INVALID_DN_SYNTAX:
      return hr::INVALID_DN_SYNTAX;
    case ldap::INVALID_CREDENTIALS:
      return hr::LOGON_FAILURE;
    case ldap::INSUFFICIENT_ACCESS:
      return hr::ACCESS_DENIED;
    case ldap::UNAVAILABLE:
    case ldap::SERVER_DOWN:
      return hr::SERVER_DOWN;
    case ldap::UNWILLING_TO_PERFORM:
      return hr::UNWILLING_TO_PERFORM;
    case ldap::NAMING_VIOLATION:
      return hr::NAMING_VIOLATION;
    case ldap::OBJECT_CLASS_VIOLATION:
      return hr::OBJ_CLASS_VIOLATION;
    case ldap::NOT_ALLOWED_ON_NONLEAF:
      return hr::NOT_ON_NON_LEAF;
    case ldap::NOT_ALLOWED_ON_RDN:
      return hr::CANT_ON_RDN;
    case ldap::ALREADY_EXISTS:
      return hr::ALREADY_EXISTS;
    case ldap::FILTER_ERROR:
      return hr::FILTER_UNKNOWN;
    case ldap::OTHER:
      return hr::DS_GENERIC;
    case ldap::OPERATIONS_ERROR:
      return hr::OPERATIONS_ERROR;
    case ldap::PROTOCOL_ERROR:
      return hr::PROTOCOL_ERROR;
    case ldap::TIMELIMIT_EXCEEDED:
      return hr::TIMELIMIT_EXCEEDED;
    case ldap::AUTH_METHOD_NOT_SUPPORTED:
      return hr::AUTH_METHOD_NOT_SUPPORTED;
    case ldap::STRONG_AUTH_REQUIRED:
      return hr::STRONG_AUTH_REQUIRED;
    case ldap::ADMINLIMIT_EXCEEDED:
      return hr::ADMIN_LIMIT_EXCEEDED;
    case ldap::UNAVAILABLE_CRITICAL_EXTENSION:
      return hr::UNAVAILABLE_CRIT_EXTENSION;
    case ldap::CONFIDENTIALITY_REQUIRED:
      return hr::CONFIDENTIALITY_REQUIRED;
    case ldap::INAPPROPRIATE_MATCHING:
      return hr::INAPPROPRIATE_MATCHING;
    case ldap::INAPPROPRIATE_AUTH:
      return hr::INAPPROPRIATE_AUTH;
    case ldap::BUSY:
      return hr::BUSY;
    // The client's own failures: an unreachable or vanished server is "server not operational".
    case ldap::CLIENT_SERVER_DOWN:
    case ldap::CLIENT_CONNECT_ERROR:
      return hr::SERVER_DOWN;
    case ldap::CLIENT_LOCAL_ERROR:
      return hr::LOCAL_ERROR;
    case ldap::CLIENT_ENCODING_ERROR:
      return hr::ENCODING_ERROR;
    case ldap::CLIENT_DECODING_ERROR:
      return hr::DECODING_ERROR;
    case ldap::CLIENT_TIMEOUT:
      return hr::TIMEOUT;
    case ldap::CLIENT_AUTH_UNKNOWN:
      return hr::AUTH_UNKNOWN;
    case ldap::CLIENT_FILTER_ERROR:
      return hr::FILTER_UNKNOWN;
    case ldap::CLIENT_USER_CANCELLED:
      return hr::CANCELLED;
    case ldap::CLIENT_PARAM_ERROR:
      return hr::PARAM_ERROR;
    case ldap::CLIENT_NO_MEMORY:
      return hr::OUTOFMEMORY;
    case ldap::CLIENT_NOT_SUPPORTED:
      return hr::NOT_SUPPORTED;
    case ldap::CLIENT_CONTROL_NOT_FOUND:
      return hr::CONTROL_NOT_FOUND;
    case ldap::CLIENT_NO_RESULTS_RETURNED:
      return hr::NO_RESULTS_RETURNED;
    default:
      return hr::E_FAIL;
  }
}

Error ldapError(int ldapCode, const QString& message, quint32 extended) {
  Error e;
  e.code = hresultFromLdap(ldapCode, extended);
  e.message = message;
  e.ldapCode = ldapCode;
  return e;
}

Error makeError(quint32 code, const QString& message) {
  Error e;
  e.code = code;
  e.message = message;
  return e;
}

}  // namespace tavrel::adsi
