// Command frames: sending one and waiting for one.

#include <algorithm>

#include "link/comm_link.h"

namespace kivo {

ResultCode CommLink::SendCommand(int code, int p1, int p2) {
  if (!IsCommandCode(code)) {
    WriteLogIfEnabled("!!!Command Send Err(Unknown Command)\n\n");
    return kResultAborted;
  }
  uint8_t param1 = 0;
  uint8_t param2 = 0;
  if (code == kDeviceInformation) {
    param1 = config_.device_code_low;
    param2 = config_.device_code_high;
  } else if (code == kDeleteAllRecords || code == kGetAllRecords) {
    param1 = static_cast<uint8_t>(p1 & 0xFF);
    param2 = static_cast<uint8_t>(p2 & 0xFF);
  }
  CommandFrame frame = EncodeCommandFrame(static_cast<uint8_t>(code), param1, param2);
  if (!SendBytes(frame)) {
    WriteLogIfEnabled("!!!Command Send Err\n\n");
    return result_;
  }
  SetResult(kResultSuccess, -1);
  return kResultSuccess;
}

ResultCode CommLink::WaitCommand(int expected, std::array<uint8_t, 2>* params, int* code, int total,
                                 int multiplier) {
  if (total == -1) total = config_.to_command;
  if (multiplier == -1) multiplier = config_.to_multiplier;
  Deadline whole = DeadlineAfter(static_cast<uint32_t>(std::max(total, 0)));
  while (!IsExpired(whole)) {
    if (PollAbort()) {
      WriteLogIfEnabled("!!!Abort(WaitCommand)\n\n");
      return kResultAborted;
    }
    CommandFrame frame{};
    if (!ReceiveBytes(std::span(frame).first(1),
                      PieceDeadline(multiplier, int64_t{multiplier} + 10000, whole))) {
      if (abort_flag_) return kResultAborted;
      if (LineFailed()) return result_;
      continue;
    }
    if (frame[0] != kFrameLead) {
      WriteLogIfEnabled("!!!NOT Command (Wait Command)\n");
      continue;
    }
    if (!ReceiveBytes(std::span(frame).subspan(1),
                      PieceDeadline(multiplier, int64_t{multiplier} * 4, whole))) {
      WriteLogIfEnabled("!!!No Receive(Remains of Command)\n\n");
      return result_;
    }
    switch (CheckCommandFrame(frame, expected)) {
      case FrameVerdict::kBadChecksum:
        return Fail(kResultIoError, "!!!Checksum Err\n\n");
      case FrameVerdict::kNotAccepted:
        return Fail(kResultIoError, "!!!NOT Command (Wait Command2)\n\n");
      case FrameVerdict::kNack:
        return Fail(kResultIoError, "!!!---PC receives NACK\n\n");
      case FrameVerdict::kOtherCommand:
        return Fail(kResultIoError, "!!!Another Command\n\n");
      case FrameVerdict::kAccepted:
        break;
    }
    if (params) *params = {frame[2], frame[3]};
    if (code) *code = frame[1];
    SetResult(kResultSuccess, -1);
    return kResultSuccess;
  }
  return Fail(kResultTimeout, "!!!Time Out(Wait Command) Break\n\n");
}

ResultCode CommLink::ExpectAck(std::string_view failure_log) {
  const ResultCode r = WaitCommand(kAck);
  if (r != kResultSuccess) {
    if (!failure_log.empty()) WriteLogIfEnabled(failure_log);
    return r;
  }
  WriteLogIfEnabled("---PC receives ACK\n\n");
  return kResultSuccess;
}

}  // namespace kivo
