#pragma once
// One running program per user. The first instance listens on a local socket named for the user;
// a second start connects, asks the first to come forward, and ends without touching a setting.

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
  QString name_;
  QLocalServer* server_ = nullptr;
};

}  // namespace tavrel::ui
