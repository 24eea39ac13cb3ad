#pragma once
// Template variables: %NAME% in a text stands for the value of the current template's variable NAME.

#include "format/Expansion.h"
#include "state/SharedState.h"

#include <QString>
#include <vector>

namespace tavrel::format {

// Replaces, row by row in list order, every "%" + name + "%" in `text` (letter case ignored) by the
// row's value, name and value taken without surrounding blanks. Inserted text is not searched again
// for the same token, but a later row's token inside a value is replaced by that row. A row whose
// name is blank has no token and is passed over. The result is written back into `text` and
// returned.
//
// A value may hold tokens of later rows, so each row can multiply the text's length. When a row
// would make the text longer than kMaxExpandedLength the expansion stops: `text` is left as it was
// and the result carries an error naming the current template.
Expanded Replace_Variables(QString& text, const std::vector<state::VariableRow>& rows);

// The same over the current template's variables (SharedState::Template_Variables).
Expanded Replace_Variables(QString& text);

}  // namespace tavrel::format
