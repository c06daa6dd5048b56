#ifndef KIVO_COMM_LINK_RUN_H_
#define KIVO_COMM_LINK_RUN_H_

#include "comm/run_mode.h"
#include "comm/safe_transfer.h"
#include "link/comm_link.h"
#include "link/link_observer.h"
#include "platform/prompter.h"
#include "store/result_code.h"

namespace kivo {

// What a progress window drives: work on the link that runs on a worker
// thread, which the window starts, may abort and waits for. A whole
// communication run (ProgressRun) is one; one step of a link session
// (LinkSession) is another.
class LinkRun {
 public:
  virtual ~LinkRun() = default;

  // Starts the work. `window` gets the status and progress notes from the
  // worker thread, then exactly one OnRunDone(16) or OnRunFailed(code);
  // `prompter` answers the boxes the work shows. Both must outlive it (until
  // Wait returns). False when it cannot be started: nothing is reported, the
  // caller shows "Cannot start download." and Wait returns 0.
  [[nodiscard]] virtual bool Start(LinkObserver* window, Prompter* prompter) = 0;
  // Posts the abort message to the worker; the work ends soon after by
  // itself. Nothing when nothing runs.
  virtual void Abort() = 0;
  // Waits for the end of the work and returns its ResultCode.
  virtual ResultCode Wait() = 0;
  // The rules of the window's status line and bar, and its title.
  [[nodiscard]] virtual RunMode run_mode() const = 0;

  // After Wait: what the safety steps did, the model the negotiation found,
  // and whether a reception failed on the telephone checks.
  [[nodiscard]] virtual const SafeTransferReport& safe_report() const = 0;
  [[nodiscard]] virtual DeviceModel device_model() const = 0;
  [[nodiscard]] virtual bool telephone_check_failed() const = 0;
};

}  // namespace kivo

#endif  // KIVO_COMM_LINK_RUN_H_
