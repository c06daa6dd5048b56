#include "ui/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace kivo {
namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kRaiseRequest = "raise\n";

// One lock and one socket per user and instance name.
QString UserScopedName(const QString& name) {
  return name + QStringLiteral("-") + QString::number(::getuid());
}

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(UserScopedName(name)) {}

SingleInstance::~SingleInstance() { Release(); }

QString SingleInstance::LockFilePath(const QString& name) {
  return QDir(QDir::tempPath()).filePath(UserScopedName(name) + QStringLiteral(".lock"));
}

bool SingleInstance::Acquire() {
  lock_ = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(name_ + ".lock"));
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
  QLocalServer::removeServer(name_);
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
  // Without the socket the program still runs; a second start then only ends.
  (void)server_->listen(name_);
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
  QLocalSocket socket;
  socket.connectToServer(name_);
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
