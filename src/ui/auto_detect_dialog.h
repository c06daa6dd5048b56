#ifndef KIVO_UI_AUTO_DETECT_DIALOG_H_
#define KIVO_UI_AUTO_DETECT_DIALOG_H_

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "comm/detect_run.h"
#include "comm/messages.h"
#include "desktop/port_names.h"
#include "link/link_observer.h"

class QLabel;
class QPushButton;

namespace kivo {

// How a dialog shows a message box (text, caption, icon, OK). The default is
// a modal QMessageBox; tests put in one that records and returns at once.
using MessageBoxShower = std::function<void(QWidget* parent, const MessageBoxText& box)>;
void ShowMessageBoxModal(QWidget* parent, const MessageBoxText& box);

// The "Auto Detect" dialog: the instructions, "&Proceed" and "&Cancel", two
// status lines. Proceed starts a worker that tries COM1..COM4 (AutoDetect on
// the dialog's own CommLink); button 2 then reads "&Abort", and it or Esc
// posts the detect abort (1131) to the worker's queue. exec() returns the
// port found (1..4) after the "Organizer is detected on COMn." box, 0 for a
// device found by name (found() names it), or -1 after the failure box or
// Cancel.
class AutoDetectDialog : public QDialog, public LinkObserver {
  Q_OBJECT

 public:
  // clock: null for the system clock (tests pass a faster one).
  explicit AutoDetectDialog(const DetectSettings& settings, QWidget* parent = nullptr,
                            Clock* clock = nullptr);
  ~AutoDetectDialog() override;

  void set_message_shower(MessageBoxShower shower) { shower_ = std::move(shower); }

  QPushButton* proceed_button() const { return proceed_; }
  QPushButton* cancel_button() const { return cancel_; }
  QLabel* status_line1() const { return status1_; }
  QLabel* status_line2() const { return status2_; }
  [[nodiscard]] bool detecting() const { return detecting_; }
  // The port found; empty device and COM 0 when none was.
  [[nodiscard]] const PortSpec& found() const { return found_; }

  // Worker side (LinkObserver). The status waits until the dialog shows it;
  // found and failed are posted.
  void OnDetectTrying(const PortSpec& port) override;
  void OnDetectFound(int port) override;
  void OnDetectFailed(ResultCode result) override;

  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Proceed();
  void ShowStatus(const PortSpec& port);
  void Found(int port);
  void Failed(int result);

  DetectSettings settings_;
  Clock* clock_;
  std::unique_ptr<DetectRun> run_;
  std::atomic<bool> worker_done_{true};
  std::atomic<bool> closing_{false};
  bool detecting_ = false;
  PortSpec found_;
  std::string found_text_;
  // The ports the last search tried, each as the user knows it, and the
  // failure's text that names them.
  std::vector<std::string> tried_;
  std::string failed_text_;
  MessageBoxShower shower_ = ShowMessageBoxModal;
  QPushButton* proceed_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QLabel* status1_ = nullptr;
  QLabel* status2_ = nullptr;
};

}  // namespace kivo

#endif  // KIVO_UI_AUTO_DETECT_DIALOG_H_
