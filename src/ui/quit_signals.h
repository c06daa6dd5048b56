#ifndef KIVO_UI_QUIT_SIGNALS_H_
#define KIVO_UI_QUIT_SIGNALS_H_

#include <functional>
#include <memory>

#include <QObject>

class QSocketNotifier;

namespace kivo {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a closed terminal) into
// a call on the user-interface thread, so the program closes its window the
// ordinary way and keeps the records: the working data file is written only
// when the window closes. One object at a time; the previous handlers come
// back when it is destroyed.
class QuitSignals : public QObject {
  Q_OBJECT

 public:
  explicit QuitSignals(std::function<void()> on_quit, QObject* parent = nullptr);
  ~QuitSignals() override;

  // False when the signal handlers could not be installed.
  bool installed() const { return installed_; }

 private:
  void OnReadable();

  std::function<void()> on_quit_;
  QSocketNotifier* notifier_ = nullptr;
  bool installed_ = false;
};

}  // namespace kivo

#endif  // KIVO_UI_QUIT_SIGNALS_H_
