#ifndef KIVO_COMM_LINK_SESSION_H_
#define KIVO_COMM_LINK_SESSION_H_

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "comm/comm_run.h"
#include "comm/link_run.h"
#include "comm/link_settings.h"
#include "link/comm_link.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "store/appli_store.h"

namespace kivo {

// The organizer's command wait runs out after 30 s of silence; between the
// steps of a session the link says ACK at this interval (clock time), and
// the organizer answers ACK.
inline constexpr uint32_t kKeepAliveMs = 10000;

// One link session with the organizer (one press of its PC-LINK button),
// taken step by step by a command on its own thread: the first step opens
// the port and negotiates, each step receives or replaces applications
// without negotiating or ending, End sends END_COMMUNICATION once. Between
// the steps, while the command reads other sides, merges or waits for a
// person, the session's worker keeps the line open: it sends ACK every
// kKeepAliveMs and nothing else, blocked in poll() on its message queue in
// between, so an abort or the next step wakes it at once.
//
// Each step is a LinkRun for a progress window: prepare it (Receive,
// Replace), then Start it with the window, Abort and Wait as for a whole run.
// A step that fails ends the session as a failed run ends (NACK,
// END_COMMUNICATION, port closed) unless it leaves the line as it was: an
// abort while applications are deleted or sent takes effect after the record
// in flight (SessionReplace), and the session stays open. Once the session
// is over, open() is false and lost() tells why.
//
// The stores a step is given belong to the worker until the step's end is
// reported. One object serves one session; not thread-safe beyond Abort,
// which any thread may call.
class LinkSession : public LinkRun {
 public:
  // clock: null for the system clock; it must outlive the session.
  explicit LinkSession(Clock* clock = nullptr);
  // Ends the session (End) and waits for the worker.
  ~LinkSession() override;
  LinkSession(const LinkSession&) = delete;
  LinkSession& operator=(const LinkSession&) = delete;

  // Configures the link from `settings` (its run mode, store and safety
  // steps are not used), once, before the first step.
  void ApplyLinkSettings(const LinkSettings& settings);
  // The link the session talks over. A caller that waits for the organizer
  // to call may open it and take the LINK_REQUEST off the line itself, before
  // the first step, and then say so: the first step answers that request
  // (the organizer waits two seconds for the answer) instead of opening the
  // port and waiting for one.
  CommLink& link() { return *link_; }
  void LinkRequestReceived() { request_received_ = true; }

  // ---- Steps: prepare one, then Start it (LinkRun) ------------------------
  // The applications of `applis` into `into`, as they come, each present
  // afterwards; shown as `shown_as` (the progress of a Backup), or as the
  // snapshot before a Restore or Download when `snapshot`.
  void Receive(AppliStore& into, uint8_t applis, RunMode shown_as, bool snapshot = false);
  // What a Restore (appli_mode 255) or Download (one application) of
  // `records` sends, after `safe`'s skip, then reads back into safe.verify;
  // safe.on_sent is called on the worker after each application. `safe`'s
  // snapshot is not taken here (receive it in a step before).
  void Replace(AppliStore& records, int appli_mode, const SafeTransfer& safe);

  [[nodiscard]] bool Start(LinkObserver* window, Prompter* prompter) override;
  void Abort() override;
  ResultCode Wait() override;
  RunMode run_mode() const override { return shown_as_; }
  const SafeTransferReport& safe_report() const override { return run_.safe_report(); }
  DeviceModel device_model() const override { return link_->device_model(); }
  bool telephone_check_failed() const override { return link_->telephone_check_failed(); }
  // After a failed Replace step: whether it left the line as it was, so the
  // session goes on (an abort taken between records).
  [[nodiscard]] bool line_kept() const { return line_kept_; }

  // Sends END_COMMUNICATION and closes the port; nothing when the session
  // is over or never began. Blocks until the worker has ended. The code of
  // the send (16 when there was nothing to end).
  ResultCode End();
  // Whether the session was opened and has not ended.
  [[nodiscard]] bool open() const;
  // The code the session ended with when a step or the keeping open failed;
  // 16 otherwise.
  [[nodiscard]] ResultCode lost() const;

 private:
  enum class Step { kNone, kReceive, kReplace };
  void Worker();
  // Runs the prepared step on the worker; whether the session goes on.
  bool RunStep();
  // Between steps: the keeping open, until a message. Whether a step came
  // (false: the session is over).
  bool Idle();
  // Ends the session after `code` (the failure path) and remembers why.
  void Lose(ResultCode code);
  // Tells the step's window and waiter how the step ended.
  void EndStep(ResultCode result);

  std::unique_ptr<CommLink> link_;
  CommRun run_;
  // The run's store while no step names one (the device code goes there).
  std::unique_ptr<AppliStore> own_store_;
  MessageQueue queue_;
  std::thread worker_;
  bool request_received_ = false;

  // The prepared step (set on the command's thread while the worker idles).
  Step step_ = Step::kNone;
  RunMode shown_as_ = RunMode::kBackup;
  AppliStore* into_ = nullptr;
  uint8_t applis_ = 0;
  bool snapshot_ = false;
  LinkObserver* window_ = nullptr;
  bool line_kept_ = false;

  mutable std::mutex mutex_;
  std::condition_variable step_ended_;
  bool step_running_ = false;
  ResultCode step_result_ = kResultAborted;
  bool open_ = false;
  bool over_ = false;
  ResultCode lost_ = kResultSuccess;
  ResultCode end_result_ = kResultSuccess;
};

}  // namespace kivo

#endif  // KIVO_COMM_LINK_SESSION_H_
