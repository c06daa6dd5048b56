#include "ui/single_instance.h"

#include <QDebug>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include "platform/app_dirs.h"

namespace kivo {
namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kRaiseRequest = "raise\n";

// The user's private runtime folder, where no other user can take the lock
// or the socket first; empty when there is none.
QString RuntimeDir() {
  const Result<std::filesystem::path> dir = CurrentRuntimeDir();
  if (!dir) {
    qWarning("No private folder for the single-instance lock: %s", dir.error().c_str());
    return {};
  }
  return QString::fromStdString(dir->string());
}

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name), dir_(RuntimeDir()) {}

SingleInstance::~SingleInstance() { Release(); }

QString SingleInstance::LockFilePath(const QString& name) {
  return QDir(RuntimeDir()).filePath(name + QStringLiteral(".lock"));
}

QString SingleInstance::SocketPath() const {
  return QDir(dir_).filePath(name_ + QStringLiteral(".socket"));
}

bool SingleInstance::Acquire() {
  // Without a folder of the user's own the program runs unguarded rather than
  // put its lock where another user could hold it.
  if (dir_.isEmpty()) return true;
  lock_ = std::make_unique<QLockFile>(QDir(dir_).filePath(name_ + QStringLiteral(".lock")));
  // Never stale by age: a running copy may hold it for days. A lock whose
  // process is gone is removed by tryLock all the same.
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    lock_.reset();
    HandOver();
    return false;
  }
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // A socket file left by a crashed copy would make listen fail.
  QLocalServer::removeServer(SocketPath());
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
  // Without the socket the program still runs; a second start then only ends.
  (void)server_->listen(SocketPath());
  return true;
}

void SingleInstance::Release() {
  if (server_ != nullptr) {
    server_->close();
    delete server_;
    server_ = nullptr;
  }
  if (lock_) {
    lock_->unlock();
    lock_.reset();
  }
}

bool SingleInstance::HandOver() {
  if (dir_.isEmpty()) return false;
  QLocalSocket socket;
  socket.connectToServer(SocketPath());
  if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
  socket.write(kRaiseRequest);
  const bool written = socket.waitForBytesWritten(kConnectTimeoutMs);
  socket.disconnectFromServer();
  return written;
}

void SingleInstance::OnNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->readAll().contains(kRaiseRequest.trimmed())) emit HandOverRequested();
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->bytesAvailable() > 0 && socket->readAll().contains(kRaiseRequest.trimmed())) {
      emit HandOverRequested();
    }
  }
}

}  // namespace kivo
