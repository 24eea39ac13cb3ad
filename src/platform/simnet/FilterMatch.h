#pragma once
// The one place where simnet interprets a search filter. It understands the subset of RFC 4515
// the program uses: '&', '|', '!', equality, presence and substrings, with "\xx" escapes, and
// objectCategory short names as a directory server expands them. Swap `compileFilter` for the
// full filter evaluator of the search layer when it lands; nothing else in simnet parses filters.

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
