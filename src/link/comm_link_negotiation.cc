// CommLink: the handshake that opens every exchange, on both sides, and the
// search for the port on which an organizer answers.
//
// The organizer repeats LINK_REQUEST until the PC answers ACK; it then names
// its device code in DEVICE_INFORMATION (parameter 1 the low byte, parameter 2
// the high byte). Only the M model answers a second request,
// GET_DEVICE_INFORMATION, which is how the PC tells the models apart.

#include <cstdio>
#include <string>
#include <vector>

#include "link/comm_link.h"
#include "link/link_observer.h"
#include "platform/link_defaults.h"

namespace kivo {
namespace {

std::string ComText(const char* pattern, int port) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, port);
  return text;
}

constexpr int kDetectPasses = 5;
constexpr int kDetectPauseMs = 500;
constexpr int kDetectWaitMs = 3000;
constexpr int kModelQueryWaitMs = 1000;
constexpr int kLinkRequestRepeatMs = 2000;
constexpr int kRepeatPauseMs = 10;

}  // namespace

std::string_view DeviceModelTag(DeviceModel model) {
  switch (model) {
    case DeviceModel::kM:
      return "<M> ";
    case DeviceModel::kBaseSecond:
      return "<E+> ";
    case DeviceModel::kBase:
      break;
  }
  return "<E> ";
}

ResultCode CommLink::NegotiationForPC(int total, int multiplier, LinkObserver* window) {
  if (!is_open()) return result_;
  WriteLogIfEnabled("========== Start Negotiation ==========\n\n");
  if (window != nullptr) window->OnStatus(0, kSourceNegotiation);

  ResultCode r = WaitCommand(kLinkRequest, nullptr, nullptr, total, multiplier);
  if (r != kResultSuccess) return r;
  WriteLogIfEnabled("---PC receives LinkRequest\n\n");
  r = SendCommand(kAck, 0, 0);
  if (r != kResultSuccess) return r;
  WriteLogIfEnabled("---PC sends ACK\n\n");

  std::array<uint8_t, 2> params{};
  r = WaitCommand(kDeviceInformation, &params, nullptr, -1, -1);
  if (r != kResultSuccess) return r;
  const uint8_t high = config_.device_code_high;
  if (params[1] != high) {
    return Fail(kResultIoError, "!!!Another Device Code(High)\n\n");
  }
  WriteLogIfEnabled("---PC receives DEVICE_INFORMATION\n\n");
  if (params[0] == 0) {
    device_model_ = DeviceModel::kBase;
  } else if (params[0] == 1) {
    device_model_ = DeviceModel::kBaseSecond;
  } else {
    return Fail(kResultIoError, "!!!Another Device Code(Low)\n\n");
  }

  r = SendCommand(kGetDeviceInformation, 0, 0);
  if (r != kResultSuccess) return r;
  WriteLogIfEnabled("---PC sends GET_DEVICE_INFORMATION\n\n");
  r = WaitCommand(kDeviceInformation, &params, nullptr, kModelQueryWaitMs, 0);
  if (r == kResultSuccess) {
    if (params[0] != 1 || params[1] != high) {
      return Fail(kResultIoError, "!!!Another Device Code\n\n");
    }
    WriteLogIfEnabled("---PC receives DEVICE_INFORMATION\n");
    WriteLogIfEnabled("---HDD is TR480M\n\n");
    device_model_ = DeviceModel::kM;
  } else if (r == kResultTimeout) {
    SetResult(kResultSuccess, -1);
    WriteLogIfEnabled("---HDD is TR480\n\n");
  } else {
    return r;
  }

  // The model tag goes into the title only for diagnosis runs, i.e. with a log.
  if (logging() && window != nullptr) {
    window->OnTitleTag(std::string(DeviceModelTag(device_model_)));
  }
  WriteLogIfEnabled("========== End Negotiation ==========\n\n");
  return kResultSuccess;
}

ResultCode CommLink::NegotiationForDevice(LinkObserver* window) {
  WriteLogIfEnabled("\n========== Start Negotiation ==========\n\n");
  if (!is_open()) return result_;
  if (window != nullptr) window->OnStatus(0, kSourceNegotiation);

  const Deadline deadline = DeadlineAfter(kNegotiationTimeOutMs);
  // The first LINK_REQUEST is due at once.
  Deadline next_request{clock_->NowMs() - 1};
  while (!IsExpired(deadline)) {
    if (PollAbort()) {
      WriteLogIfEnabled("!!!Abort(NegotiationForDevice)\n\n");
      return kResultAborted;
    }
    if (!IsExpired(next_request)) {
      // A refused answer came back early: wait out the repeat interval in
      // short steps so that an abort still ends the wait at once.
      clock_->SleepMs(kRepeatPauseMs);
      continue;
    }
    next_request = DeadlineAfter(kLinkRequestRepeatMs);
    ResultCode r = SendCommand(kLinkRequest, 0, 0);
    if (r != kResultSuccess) return r;
    WriteLogIfEnabled("---HDD sends LINK_REQUEST\n\n");
    r = WaitCommand(kAck, nullptr, nullptr, kLinkRequestRepeatMs, 0);
    if (r == kResultSuccess) {
      WriteLogIfEnabled("---HDD receives ACK\n\n");
      r = SendCommand(kDeviceInformation, 0, 0);
      if (r != kResultSuccess) return r;
      WriteLogIfEnabled("---HDD sends DEVICE_INFORMATION\n\n");
      WriteLogIfEnabled("========== End Negotiation ==========\n\n");
      return kResultSuccess;
    }
    if (r == kResultAborted && abort_flag_) {
      WriteLogIfEnabled("!!!Abort(NegotiationForDevice)\n\n");
      return kResultAborted;
    }
  }
  return Fail(kResultTimeout, "!!!Time Out(NegoticationForDevice) Break\n\n");
}

ResultCode CommLink::AutoDetect(LinkObserver* window) {
  std::vector<PortSpec> ports;
  for (int port = 1; port <= kComPorts; ++port) ports.push_back({port, {}});
  return AutoDetect(ports, window);
}

ResultCode CommLink::AutoDetect(std::span<const PortSpec> candidates, LinkObserver* window) {
  // ClosePort only tells whether a line's settings came back; detection only
  // needs the line closed, here and below.
  (void)ClosePort();
  WriteLogIfEnabled("========== Start AutoDetect ==========\n\n");
  detected_port_ = {};
  const PortSpec* found = nullptr;
  bool gave_up = false;
  for (int pass = 0; pass < kDetectPasses && found == nullptr && !gave_up; ++pass) {
    for (const PortSpec& candidate : candidates) {
      clock_->SleepMs(kDetectPauseMs);
      if (PollAbort()) {
        WriteLogIfEnabled("!!!Abort(AutoDetect)\n\n");
        gave_up = true;
        break;
      }
      // A COM port is named as such; a device found by name by its path.
      const std::string name = IsComPortNumber(candidate.com_number)
                                   ? ComText("COM%d", candidate.com_number)
                                   : candidate.device;
      if (window != nullptr) window->OnDetectTrying(candidate);
      port_number_ = candidate.com_number;
      port_device_ = candidate.device;
      if (!OpenPort(-1)) {
        WriteLogIfEnabled(name + " Pass (NOT Open)\n");
        continue;
      }
      const ResultCode r = NegotiationForPC(kDetectWaitMs, 0, window);
      if (r == kResultSuccess) {
        WriteLogIfEnabled("---PC receives LinkRequest\n\n");
        if (SendCommand(kEndCommunication, 0, 0) != kResultSuccess) {
          gave_up = true;
        } else {
          WriteLogIfEnabled("---PC sends END_COMMUNICATION\n\n");
          found = &candidate;
          WriteLogIfEnabled("---PC Detected on " + name + "\n\n");
        }
        break;
      }
      if (r == kResultAborted) {
        gave_up = true;
        break;
      }
      WriteLogIfEnabled(name + " Pass (NO Response)\n");
      (void)ClosePort();
    }
    (void)ClosePort();
  }
  WriteLogIfEnabled("========== End AutoDetect ==========\n\n");
  if (found != nullptr) {
    detected_port_ = *found;
    // A COM port's number is the result; a device by name has none: 16.
    SetResult(kResultSuccess, IsComPortNumber(found->com_number) ? found->com_number : -1);
  } else {
    SetResult(kResultDetectFailed, -1);
  }
  return result_;
}

}  // namespace kivo
