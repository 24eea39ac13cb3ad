#pragma once
// One running program per user. The first instance holds an exclusive lock on a file named for the
// user for its whole life, then listens on a local socket of the same name; a second start finds
// the lock taken, connects, asks the first to come forward, and ends without touching a setting.
// The lock makes the claim atomic: of several starts at once exactly one wins.

#include <QObject>
#include <QString>

class QLocalServer;

namespace tavrel::ui {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // `name` defaults to "tavrel-<uid>".
  explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
  ~SingleInstance() override;

  static QString defaultName();

  // True when this process is now the only instance. False when another instance answered; it
  // has then been asked to show itself.
  bool claim();

 signals:
  // Another start asked this instance to show itself restored and in front.
  void raiseRequested();

 private:
  void onConnection();
  bool askFirstToComeForward(int waitMs);
  QString name_;
  QLocalServer* server_ = nullptr;
  int lockFd_ = -1;  // the instance lock, held until this object ends
};

}  // namespace tavrel::ui
