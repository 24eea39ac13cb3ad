#include "format/Variables.h"

#include "platform/text/Cp1252.h"
#include "startup/FRString.h"

namespace tavrel::format {

Expanded Replace_Variables(QString& text, const std::vector<state::VariableRow>& rows) {
  QString work = text;
  if (work.size() > kMaxExpandedLength) return {QString(), expansionTooLong(QStringLiteral("The text"))};
  for (const state::VariableRow& row : rows) {
    const QString name = text::trimBlanks(row.name);
    // "%%" is no variable's token: a nameless row must not eat the percent signs of the text.
    if (name.isEmpty()) continue;
    if (!startup::FRStringWithin(work, u'%' + name + u'%', text::trimBlanks(row.value), kMaxExpandedLength))
      return {QString(), expansionTooLong(QStringLiteral("The variable %%1%").arg(name))};
  }
  text = work;
  return {work, QString()};
}

Expanded Replace_Variables(QString& text) {
  return Replace_Variables(text, state::shared().Template_Variables);
}

}  // namespace tavrel::format
