#include "startup/Clock.h"

#include <QLocale>

namespace tavrel::startup {
namespace {
Clock gSystemClock;
Clock* gClock = &gSystemClock;
}  // namespace

QDateTime Clock::now() const { return QDateTime::currentDateTime(); }

QString Clock::format(const QDateTime& when) {
  // The system's short date; the C locale's short date spells the month out, so it gets the
  // numeric day-first form. Qt's long time format may carry a time-zone name; the log shows
  // hours, minutes and seconds.
  const QLocale locale = QLocale::system();
  const QString date = locale.language() == QLocale::C
                           ? when.date().toString(QStringLiteral("dd/MM/yyyy"))
                           : locale.toString(when.date(), QLocale::ShortFormat);
  return date + u' ' + when.time().toString(QStringLiteral("HH:mm:ss"));
}

QString Clock::dateTimeText() const { return format(now()); }

Clock& clock() { return *gClock; }
void setClock(Clock* c) { gClock = c ? c : &gSystemClock; }

}  // namespace tavrel::startup
