#pragma once
// The one place where simnet reads a search filter: RFC 4515 text, parsed and evaluated by the
// search layer with Active Directory's comparison rules (objectCategory short names included).

#include "platform/adsi/DirectoryBackend.h"

#include <functional>

namespace tavrel::simnet {

// The values of one entry, fetched on demand while a filter is evaluated.
class AttributeSource {
 public:
  virtual ~AttributeSource() = default;
  virtual adsi::Values values(const QString& attribute) const = 0;
};

using FilterPredicate = std::function<bool(const AttributeSource&)>;

// A malformed filter gives FILTER_UNKNOWN (LDAP filter error).
adsi::Result<FilterPredicate> compileFilter(const QString& text);

}  // namespace tavrel::simnet
