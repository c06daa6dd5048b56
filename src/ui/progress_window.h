#ifndef KIVO_UI_PROGRESS_WINDOW_H_
#define KIVO_UI_PROGRESS_WINDOW_H_

#include <memory>
#include <string>

#include <QDialog>

#include "comm/link_settings.h"
#include "comm/progress_run.h"
#include "comm/progress_state.h"
#include "ui/message_box.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kivo {

class ProgressNotifier;

// The modal window of one communication run: the instructions, the status
// line and the bar, and "&Abort". Showing it starts the run's worker; the
// worker's notifications arrive as queued calls on the UI thread, and the
// message boxes the run raises are shown from the UI thread, owned by this
// window, while the worker waits. At the end it shows the outcome box of the
// ResultCode (none for 16 and 17; for a port that would not open, with the
// reason) and closes with the code as its result.
//
// Abort, Escape and the close button only post the abort to the worker; the
// window closes when the worker reports the end. One window serves one run.
class ProgressWindow : public QDialog {
  Q_OBJECT

 public:
  // clock: null for the system clock.
  explicit ProgressWindow(QWidget* parent, Clock* clock = nullptr);
  ~ProgressWindow() override;

  // Once, before Run.
  void ApplyLinkSettings(const LinkSettings& settings);
  // Shows the window modally until the run ends; the run's ResultCode.
  ResultCode Run();
  // The same for a run of the caller's (a step of a link session), with the
  // port and texts of `shown` and the rules of the run's mode; the run must
  // outlive the window's Run.
  ResultCode Run(LinkRun& run, const LinkSettings& shown);
  // What the safety steps of a Restore or Download did (after Run).
  SafeTransferReport safe_report() const;

  const ProgressState& state() const { return state_; }
  QLabel* status_label() const { return status_; }
  // "Port : COM1 (/dev/ttyS0)": where the run waits for the organizer.
  QLabel* port_label() const { return port_; }
  // The organizer model a run that went through talked to ("VX-480M",
  // "TR/VX-480"); empty otherwise. After Run.
  const QString& model_seen() const { return model_seen_; }
  QProgressBar* bar() const { return bar_; }
  QPushButton* abort_button() const { return abort_; }

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class ProgressNotifier;
  void OnStatus(int total, int source);
  void OnProgress(int value, int source);
  void OnTitleTag(const QString& tag);
  void OnEnd(ResultCode result);
  void ShowTexts();
  // The title, the texts and the port of a run with `settings`.
  void ShowSettings(const LinkSettings& settings);

  std::unique_ptr<ProgressRun> run_;
  LinkRun* active_;  // run_, or the caller's
  std::unique_ptr<ProgressNotifier> notifier_;
  QtPrompter prompter_;
  ProgressState state_{RunMode::kNegotiation};
  bool started_ = false;
  bool start_failed_ = false;
  bool ended_ = false;
  ResultCode result_ = kResultAborted;
  std::string port_device_;  // the device the run opens, for the reason it did not
  std::string port_title_;
  QString model_seen_;  // the port as the user knows it (ui/port_names.h)

  QLabel* status_ = nullptr;
  QLabel* port_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* abort_ = nullptr;
};

}  // namespace kivo

#endif  // KIVO_UI_PROGRESS_WINDOW_H_
