#include "startup/FRString.h"

#include <limits>

namespace tavrel::startup {

bool FRStringWithin(QString& text, const QString& find, const QString& replace, qsizetype limit) {
  if (find.isEmpty()) return text.size() <= limit;
  qsizetype q = text.indexOf(find, 0, Qt::CaseInsensitive);
  if (q < 0) return text.size() <= limit;
  // Building the result in one pass is the same as rescanning the rebuilt text from behind each
  // inserted value: the search only ever sees the part of the original text after the match.
  QString out;
  out.reserve(std::min(text.size(), limit));
  qsizetype from = 0;
  while (q >= 0) {
    if (out.size() + (q - from) + replace.size() > limit) return false;
    out.append(QStringView(text).mid(from, q - from));
    out.append(replace);
    from = q + find.size();
    q = text.indexOf(find, from, Qt::CaseInsensitive);
  }
  if (out.size() + (text.size() - from) > limit) return false;
  out.append(QStringView(text).mid(from));
  text = out;
  return true;
}

QString FRString(QString& text, const QString& find, const QString& replace) {
  FRStringWithin(text, find, replace, std::numeric_limits<qsizetype>::max());
  return text;
}

}  // namespace tavrel::startup
