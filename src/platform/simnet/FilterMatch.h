#pragma once
// The one place where simnet reads a search filter: RFC 4515 text, parsed and evaluated by the
// search layer with Active Directory's comparison rules (objectCategory short names included).

#include "platform/adsi/DirectoryBackend.h"

#include <QtCore/qxpfunctional.h>

#include <functional>

namespace tavrel::simnet {

// The values of one entry, fetched on demand while a filter is evaluated.
class AttributeSource {
 public:
  virtual ~AttributeSource() = default;
  virtual adsi::Values values(const QString& attribute) const = 0;
  // Calls `test` with each value of `lowerName` until one gives true; whether one did. A source
  // that holds its values packed tests them where they lie rather than copying them out.
  virtual bool anyValue(const QString& lowerName, qxp::function_ref<bool(QByteArrayView)> test) const {
    for (const QByteArray& v : values(lowerName))
      if (test(v)) return true;
    return false;
  }
};

using FilterPredicate = std::function<bool(const AttributeSource&)>;

struct CompiledFilter {
  FilterPredicate matches;
  // Equality tests every matching entry passes (attribute in lower case, value as octets), for
  // finding candidates through an index.
  QList<std::pair<QString, QByteArray>> equalities;
};

// A malformed filter gives FILTER_UNKNOWN (LDAP filter error).
adsi::Result<CompiledFilter> compileFilter(const QString& text);

}  // namespace tavrel::simnet
