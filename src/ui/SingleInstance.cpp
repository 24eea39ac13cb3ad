#include "ui/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tavrel::ui {
namespace {
constexpr char kRaise[] = "raise\n";
constexpr int kTimeoutMs = 2000;
}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
  if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

QString SingleInstance::defaultName() {
  return QStringLiteral("tavrel-%1").arg(::getuid());
}

namespace {

// The lock file: in the user's runtime folder when there is one (private to the user), else in the
// temporary folder, where the name already carries the user id.
QString lockPath(const QString& name) {
  QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::tempPath();
  return QDir(folder).filePath(name + QStringLiteral(".lock"));
}

}  // namespace

bool SingleInstance::askFirstToComeForward(int waitMs) {
  QElapsedTimer waited;
  waited.start();
  // The holder of the lock may not be listening yet: try again until it is, within `waitMs`.
  do {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kTimeoutMs)) {
      probe.write(kRaise);
      probe.waitForBytesWritten(kTimeoutMs);
      probe.waitForReadyRead(kTimeoutMs);  // the first instance acknowledges
      probe.disconnectFromServer();
      return true;
    }
    QThread::msleep(20);
  } while (waited.elapsed() < waitMs);
  return false;
}

bool SingleInstance::claim() {
  lockFd_ = ::open(QFile::encodeName(lockPath(name_)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFd_ >= 0) {
    int r;
    do {
      r = ::flock(lockFd_, LOCK_EX | LOCK_NB);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
      // Another instance holds the lock: it runs, whether or not it listens yet.
      ::close(lockFd_);
      lockFd_ = -1;
      askFirstToComeForward(kTimeoutMs);
      return false;
    }
  } else if (askFirstToComeForward(0)) {
    // Without a lock file (an unwritable folder) the socket alone tells.
    return false;
  }
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // With the lock held, a socket of that name was left behind by a process that died.
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) return true;  // cannot be raised by later starts; run anyway
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
