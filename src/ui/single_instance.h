#ifndef KIVO_UI_SINGLE_INSTANCE_H_
#define KIVO_UI_SINGLE_INSTANCE_H_

#include <memory>

#include <QObject>
#include <QString>

class QLocalServer;
class QLockFile;

namespace kivo {

// Lets one copy of the program run per user. The first copy holds a lock file
// and listens on a local socket, both named after the instance name and kept
// in the user's private runtime folder (platform/app_dirs.h); a later
// copy finds the lock taken, tells the first one through the socket to come to
// the front, and ends. A lock left behind by a crashed copy names a process that
// no longer runs and is taken over.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // The program uses kInstanceName; tests use names of their own.
  static constexpr const char* kInstanceName = "TR_VX_480_LINK";

  explicit SingleInstance(const QString& name = QString::fromLatin1(kInstanceName),
                          QObject* parent = nullptr);
  ~SingleInstance() override;

  // True for the first copy, which then holds the lock and listens until it is
  // destroyed or Release is called. False when another copy runs; that copy has
  // been asked to come forward (if it could be reached).
  [[nodiscard]] bool Acquire();
  // Stops listening and gives the lock back.
  void Release();

  // Asks the running copy to come to the front; true when it took the request.
  bool HandOver();

  // The lock file of an instance name, in the user's runtime folder.
  [[nodiscard]] static QString LockFilePath(const QString& name);
  // The socket the first copy listens on.
  [[nodiscard]] QString SocketPath() const;

 signals:
  // A later start asked this copy to come to the front.
  void HandOverRequested();

 private:
  void OnNewConnection();

  QString name_;
  QString dir_;  // the runtime folder; empty: none could be had
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};

}  // namespace kivo

#endif  // KIVO_UI_SINGLE_INSTANCE_H_
