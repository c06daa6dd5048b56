// CommRun: the steps a link session is built from, taken one at a time with
// the line kept open in between.

#include <functional>
#include <iterator>

#include "comm/comm_run.h"
#include "link/link_observer.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"

namespace kivo {

namespace {

// Runs steps that raise their code, and hands the code back.
template <typename Failure>
ResultCode Caught(const std::function<void()>& steps) {
  try {
    steps();
  } catch (const Failure& failed) {
    return failed.code;
  }
  return kResultSuccess;
}

}  // namespace

ResultCode CommRun::OpenSession(bool request_received) {
  Log("##### START COMMUNICATION #####\n\n", true);
  return Caught<StepFailed>([&] {
    if (!request_received && (!link_.OpenPort(-1) || !link_.is_open())) {
      Log("!!!Can't Open COM Port\n\n");
      Must(link_.result());
    }
    Must(link_.NegotiationForPC(kNegotiationTimeOutMs, -1, context_.observer, request_received));
  });
}

ResultCode CommRun::SessionReceive(AppliStore& into, uint8_t applis, bool snapshot) {
  LinkObserver* window = context_.observer;
  return Caught<StepFailed>([&] {
    if (snapshot) {
      if (window != nullptr) window->OnStatus(1, kSourceSnapshot);
    } else {
      if (window != nullptr) window->OnStatus(100, kSourceFullRun);
      Progress(10);
    }
    for (size_t i = 0; i < std::size(kFullOrder); ++i) {
      const AppliId id = kFullOrder[i];
      if (((applis >> id) & 1) != 0) {
        ReceiveApplis(into, std::span(&id, 1), snapshot ? "Snapshot" : "Backup", TransferRole::kPc);
      }
      if (!snapshot && i < 5) Progress(static_cast<int>(i) * 10 + 50);
    }
    if (!snapshot) Progress(100);
  });
}

ResultCode CommRun::SessionReplace(bool* line_kept) {
  *line_kept = false;
  const bool snapshot_taken = safe_report_.snapshot_taken;
  safe_report_ = {};
  safe_report_.snapshot_taken = snapshot_taken;
  const std::vector<AppliId> replaced = Replaced();
  // An abort waits for the end of the record being sent: the organizer is
  // then back in its command loop and the person can choose how to go on.
  link_.HoldAborts(true);
  ResultCode r = Caught<StepFailed>([&] { ReplaceSteps(TransferRole::kPc); });
  // Only a held abort ends the sending with 0; the line is as it was.
  *line_kept = r == kResultAborted;
  // One that came with the last record is too late: everything was sent.
  link_.HoldAborts(false);
  if (r != kResultSuccess) return r;
  r = Caught<StepFailed>([&] { VerifyStep(replaced, TransferRole::kPc); });
  if (r == kResultSuccess) Log("********** End Restore **********\n\n");
  return r;
}

ResultCode CommRun::KeepAlive() {
  ResultCode r = link_.SendCommand(kAck);
  if (r != kResultSuccess) return r;
  Log("---PC sends ACK\n\n");
  return link_.ExpectAck();
}

ResultCode CommRun::CloseSession() {
  const ResultCode r = link_.SendCommand(kEndCommunication);
  if (r == kResultSuccess) Log("---PC sends END_COMMUNICATION\n\n");
  // A line whose settings cannot be restored is closed all the same.
  (void)link_.ClosePort();
  Log("##### END COMMUNICATION #####\n\n");
  return r;
}

}  // namespace kivo
