#include "creation/Variables.h"

#include "platform/text/Cp1252.h"
#include "startup/FRString.h"

namespace tavrel::creation {

QString Replace_Variables(QString& text, const std::vector<state::VariableRow>& rows) {
  for (const state::VariableRow& row : rows) {
    const QString name = text::trimBlanks(row.name);
    // "%%" is no variable's token: a nameless row must not eat the percent signs of the text.
    if (name.isEmpty()) continue;
    startup::FRString(text, u'%' + name + u'%', text::trimBlanks(row.value));
  }
  return text;
}

QString Replace_Variables(QString& text) {
  return Replace_Variables(text, state::shared().Template_Variables);
}

}  // namespace tavrel::creation
