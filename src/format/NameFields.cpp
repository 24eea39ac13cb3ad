#include "format/NameFields.h"

#include "format/UserName.h"
#include "platform/text/Cp1252.h"

namespace tavrel::format {

Expanded UserID_Preview(const QString& idFormat, const QString& first, const QString& middle,
                        const QString& last) {
  return UserName(idFormat, text::trimBlanks(first), text::trimBlanks(middle), text::trimBlanks(last));
}

QString Reverse_Password(const QString& text) {
  QString out;
  out.reserve(text.size());
  qsizetype i = text.size();
  while (i > 0) {
    const bool pair = i >= 2 && text.at(i - 1).isLowSurrogate() && text.at(i - 2).isHighSurrogate();
    const qsizetype n = pair ? 2 : 1;
    out.append(QStringView(text).mid(i - n, n));
    i -= n;
  }
  return out;
}

}  // namespace tavrel::format
