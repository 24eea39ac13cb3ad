#include "startup/FRString.h"

namespace tavrel::startup {

QString FRString(QString& text, const QString& find, const QString& replace) {
  if (find.isEmpty()) return text;
  qsizetype q = text.indexOf(find, 0, Qt::CaseInsensitive);
  if (q < 0) return text;
  // Building the result in one pass is the same as rescanning the rebuilt text from behind each
  // inserted value: the search only ever sees the part of the original text after the match.
  QString out;
  out.reserve(text.size());
  qsizetype from = 0;
  while (q >= 0) {
    out.append(QStringView(text).mid(from, q - from));
    out.append(replace);
    from = q + find.size();
    q = text.indexOf(find, from, Qt::CaseInsensitive);
  }
  out.append(QStringView(text).mid(from));
  text = out;
  return text;
}

}  // namespace tavrel::startup
