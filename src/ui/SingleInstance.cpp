#include "ui/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace tavrel::ui {
namespace {
constexpr char kRaise[] = "raise\n";
constexpr int kTimeoutMs = 2000;
}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName() { return QStringLiteral("tavrel-%1").arg(::getuid()); }

bool SingleInstance::claim() {
  {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kTimeoutMs)) {
      probe.write(kRaise);
      probe.waitForBytesWritten(kTimeoutMs);
      probe.waitForReadyRead(kTimeoutMs);  // the first instance acknowledges
      probe.disconnectFromServer();
      return false;
    }
  }
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // A socket left behind by a process that died: nobody answered above, so take it over.
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) return true;  // cannot guard; run anyway rather than refuse
  }
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
  return true;
}

void SingleInstance::onConnection() {
  while (QLocalSocket* s = server_->nextPendingConnection()) {
    connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    connect(s, &QLocalSocket::readyRead, this, [this, s] {
      if (s->readAll().contains("raise")) {
        s->write("ok\n");
        s->flush();
        emit raiseRequested();
      }
    });
  }
}

}  // namespace tavrel::ui
