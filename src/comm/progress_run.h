#ifndef KIVO_COMM_PROGRESS_RUN_H_
#define KIVO_COMM_PROGRESS_RUN_H_

#include <atomic>
#include <memory>
#include <thread>

#include "comm/comm_run.h"
#include "comm/link_run.h"
#include "comm/link_settings.h"
#include "link/comm_link.h"
#include "link/link_observer.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/prompter.h"
#include "store/appli_store.h"

namespace kivo {

// What stands behind the progress window of one communication run, without
// the window: the run's CommLink (COM1, 19200 baud), a spare store for runs
// that are handed none or a file name, and the worker thread that executes
// RunCommunication.
//
// The window (any LinkObserver) receives, from the worker thread, the
// negotiation's and transfers' status and progress notes, then exactly one
// OnRunDone(16) or OnRunFailed(code). It must hand them over to its own thread
// (ProgressState holds what it then shows). The window's cancel action calls
// Abort, which only posts the abort message; the run ends by itself soon
// after, through the failure path (NACK, END_COMMUNICATION), with 0.
//
// One object serves one run. The store handed over belongs to the worker until
// the outcome arrives.
class ProgressRun : public LinkRun {
 public:
  // clock: null for the system clock; it must outlive the run.
  explicit ProgressRun(Clock* clock = nullptr);
  // Aborts a run still going, waits for the worker and closes the port.
  ~ProgressRun() override;
  ProgressRun(const ProgressRun&) = delete;
  ProgressRun& operator=(const ProgressRun&) = delete;

  // Configures the link, once, before Start. Logs the settings dump (with a
  // fresh log file).
  void ApplyLinkSettings(const LinkSettings& settings);

  // Starts the worker. `window` and `prompter` must outlive the worker (until
  // Wait returns or this object is destroyed). False when the thread cannot
  // be started; the caller
  // shows "Cannot start download." and may close at once (Abort is then a
  // no-op and Wait returns 0).
  [[nodiscard]] bool Start(LinkObserver* window, Prompter* prompter) override;
  // Posts the abort message to the worker; nothing when no worker runs.
  void Abort() override;
  // Waits for the worker and returns the run's ResultCode (0 without worker).
  ResultCode Wait() override;
  [[nodiscard]] bool finished() const { return finished_.load(); }

  RunMode run_mode() const override { return run_mode_; }
  const SafeTransferReport& safe_report() const override { return run_.safe_report(); }
  DeviceModel device_model() const override { return link_.device_model(); }
  bool telephone_check_failed() const override { return link_.telephone_check_failed(); }
  CommLink& link() { return link_; }
  CommRun& run() { return run_; }
  AppliStore& own_store() { return *own_store_; }

 private:
  CommLink link_;
  CommRun run_;
  std::unique_ptr<AppliStore> own_store_;
  MessageQueue queue_;
  std::thread worker_;
  RunMode run_mode_ = RunMode::kNegotiation;
  ResultCode result_ = kResultAborted;
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
};

// The settings dump that opens a run's log.
std::string SettingsDump(const LinkSettings& settings);

// Configures a link and the run on it from `settings` (all but the run's
// store, which the caller chooses first: the device code goes to it as
// well), and logs the settings dump with a fresh log file.
void ConfigureRun(const LinkSettings& settings, CommLink& link, CommRun& run);

}  // namespace kivo

#endif  // KIVO_COMM_PROGRESS_RUN_H_
