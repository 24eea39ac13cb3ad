#pragma once
// The result of expanding a text (the name format language, template variables), and the bound
// on its length.

#include <QString>

namespace tavrel::format {

// The longest text an expansion may produce: longer than any field it fills can hold. Tokens can
// hold tokens (a variable's value, an import field), so without a bound a few crafted rows or
// fields could grow the text exponentially.
inline constexpr qsizetype kMaxExpandedLength = 32767;

struct Expanded {
  QString text;   // the expanded text; empty when the expansion failed
  QString error;  // why the expansion failed; empty when it succeeded
  bool ok() const { return error.isEmpty(); }
};

// The error of an expansion that outgrew kMaxExpandedLength: names what was expanded and the
// current template.
QString expansionTooLong(const QString& what);

}  // namespace tavrel::format
