#include "format/Expansion.h"

#include "platform/text/Cp1252.h"
#include "state/SharedState.h"

namespace tavrel::format {

QString expansionTooLong(const QString& what) {
  const QString name = text::trimBlanks(state::shared().Current_Template.Name);
  return QStringLiteral("%1 of template \"%2\" expands to more than %3 characters.")
      .arg(what, name)
      .arg(kMaxExpandedLength);
}

}  // namespace tavrel::format
