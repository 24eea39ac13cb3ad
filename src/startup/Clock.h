#pragma once
// The date and time the logs show. Tests install a fixed clock.

#include <QDateTime>
#include <QString>

namespace tavrel::startup {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime now() const;
  // The short date, one blank and the time with seconds, as the on-screen log's "Date/Time"
  // column and the second line of each Log.txt block show them.
  QString dateTimeText() const;
  static QString format(const QDateTime& when);
};

// The clock every log uses; the default reads the system time.
Clock& clock();
// Installs another clock (nullptr restores the system clock). The caller keeps ownership.
void setClock(Clock* c);

class FixedClock : public Clock {
 public:
  explicit FixedClock(QDateTime t) : t_(std::move(t)) {}
  QDateTime now() const override { return t_; }
  void set(QDateTime t) { t_ = std::move(t); }

 private:
  QDateTime t_;
};

}  // namespace tavrel::startup
