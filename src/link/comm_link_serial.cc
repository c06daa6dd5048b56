// The serial layer of CommLink: opening the line, timed sends with the echo
// check, timed receives of an exact count, and abort polling.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "link/comm_link.h"

namespace kivo {
namespace {

// Fixed limits of the serial layer.
constexpr uint32_t kDrainLimitMs = 30000;
constexpr uint32_t kSendQueueLimitMs = 30000;
constexpr uint32_t kEchoLimitMs = 10000;
// The line has nothing to give for this long before a send.
constexpr uint32_t kDrainPauseMs = 10;

}  // namespace

bool CommLink::OpenPort(int port) {
  if (port_ != nullptr) ClosePort();
  if (port != -1) {
    port_number_ = port;
    port_device_.clear();
  }
  PortSpec port_spec = port_device_.empty() ? ResolvePort(port_number_, port_map_)
                                            : PortSpec{port_number_, port_device_};
  port_ = factory_ ? factory_(port_spec, *clock_) : nullptr;
  PortSettings settings;
  settings.baud_rate = config_.baud_rate;
  if (port_ == nullptr || !port_->Open(settings)) {
    port_.reset();
    SetResult(kResultIoError, port_number_);
    return false;
  }
  port_->ClearError();
  if (!PurgePort()) {
    ClosePort();
    SetResult(kResultIoError, port_number_);
    return false;
  }
  SetResult(kResultSuccess, -1);
  // Reads on this host are dependable: the bulk strategy always.
  return true;
}

bool CommLink::ClosePort() {
  if (port_ == nullptr) return true;
  bool restored = port_->Close();
  port_.reset();
  return restored;
}

bool CommLink::PurgePort() {
  if (port_ == nullptr || !port_->Purge(true, true)) {
    SetResult(kResultIoError, port_number_);
    return false;
  }
  abort_flag_ = 0;
  result_ = kResultSuccess;
  return true;
}

bool CommLink::SendBytes(const uint8_t* bytes, int n) {
  if (!DrainReceiveQueue(DeadlineAfter(kDrainLimitMs))) {
    WriteLogIfEnabled(">>>>>>!!!Send FAILED(Receive Incomplete)\n\n");
    return false;
  }
  if (!PurgePort()) return false;
  if (bytes == nullptr && n != 0) {
    SetResult(kResultIoError, -1);
    return false;
  }
  if (n == -1) n = static_cast<int>(std::strlen(reinterpret_cast<const char*>(bytes)));
  if (n < 0) {
    SetResult(kResultIoError, -1);
    return false;
  }
  std::span<const uint8_t> out(bytes, static_cast<size_t>(n));

  // The line has no write time-out of its own; a peer that stops reading
  // (a pseudo-terminal, a stalled adapter) must not hold the send forever.
  Deadline write_deadline = DeadlineAfter(kSendQueueLimitMs);
  size_t written = 0;
  while (written < out.size()) {
    int put = port_->Write(out.subspan(written));
    bool failed = put < 0;
    if (!failed) written += static_cast<size_t>(put);
    if (!failed && written < out.size()) {
      failed = PollAbort() || IsExpired(write_deadline) ||
               port_->WaitWritable(WaitBudgetMs(*clock_, write_deadline), &message_queue()) ==
                   WakeReason::kError;
    }
    if (failed) {
      WriteLogIfEnabled(">>>>>>!!!Send FAILED\n\n");
      SetResult(kResultIoError, -1);
      return false;
    }
  }
  if (!WaitSendQueue(DeadlineAfter(kSendQueueLimitMs))) {
    WriteLogIfEnabled(">>>>>>!!!Send FAILED(Send Incomplete)\n\n");
    return false;
  }
  WriteLogIfEnabled(">>>>>>Send    ");
  WriteHexDumpIfEnabled(out);

  if (config_.echo_back) {
    std::vector<uint8_t> echo;
    try {
      echo.assign(out.size(), 0);
    } catch (const std::bad_alloc&) {
      SetResult(kResultIoError, -1);
      WriteLogIfEnabled("!!!Memory Err\n\n");
      return false;
    }
    if (!ReceiveBytes(echo, DeadlineAfter(kEchoLimitMs))) {
      WriteLogIfEnabled("!!!NOT Receive EchoBack\n\n");
      SetResult(kResultIoError, -1);
      return false;
    }
    if (!std::equal(echo.begin(), echo.end(), out.begin())) {
      WriteLogIfEnabled("!!!NOT EchoBack\n\n");
      SetResult(kResultIoError, -1);
      return false;
    }
  }
  SetResult(kResultSuccess, -1);
  return true;
}

bool CommLink::ReceiveBytes(std::span<uint8_t> buffer, Deadline deadline, int* received) {
  if (received) *received = 0;
  int n = static_cast<int>(buffer.size());
  if (!WaitReceiveQueue(n, deadline)) return false;
  if (n == 0) return false;
  return ReadCommNT(buffer, deadline, received);
}

bool CommLink::WaitReceiveQueue(int n, Deadline deadline) {
  uint32_t start = clock_->NowMs();
  int queued = 0;
  while (!IsExpired(deadline)) {
    if (PollAbort()) {
      WriteLogIfEnabled("<<<<<<!!!NO Receive(Wait Receive Queue Abort)\n\n");
      return false;
    }
    queued = port_ ? port_->InputQueued() : -1;
    if (queued >= n) return true;
    WakeReason woke = queued < 0
                          ? WakeReason::kError
                          : port_->WaitReadable(static_cast<size_t>(n),
                                                WaitBudgetMs(*clock_, deadline), &message_queue());
    if (woke == WakeReason::kError) {
      // A line that failed or hung up gives nothing more; waiting out the
      // deadline would only delay the same outcome.
      if (port_) port_->ClearError();
      WriteLogIfEnabled("<<<<<<!!!NO Receive(Wait Receive Queue Err)\n\n");
      SetResult(kResultIoError, -1);
      return false;
    }
  }
  if (queued < 0) queued = 0;
  char text[80];
  std::snprintf(text, sizeof text, "---Time Out WaitTime=%05d, InQue=%4d/%4d\n",
                static_cast<int>(clock_->NowMs() - start), queued, n);
  WriteLogIfEnabled(text);
  SetResult(kResultTimeout, -1);
  return false;
}

bool CommLink::DrainReceiveQueue(Deadline deadline) {
  while (!IsExpired(deadline)) {
    if (PollAbort()) return false;
    if (port_ == nullptr || !port_->Purge(true, false)) {
      SetResult(kResultIoError, port_number_);
      return false;
    }
    clock_->SleepMs(kDrainPauseMs);
    int queued = port_->InputQueued();
    if (queued == 0) return true;
    if (queued < 0) break;
  }
  SetResult(kResultIoError, -1);
  return false;
}

bool CommLink::WaitSendQueue(Deadline deadline) {
  while (!IsExpired(deadline)) {
    if (PollAbort()) return false;
    int queued = port_ ? port_->OutputQueued() : -1;
    if (queued == 0) return true;
    if (queued < 0 || port_->WaitOutputDrained(WaitBudgetMs(*clock_, deadline), &message_queue()) ==
                          WakeReason::kError) {
      break;
    }
  }
  SetResult(kResultIoError, -1);
  return false;
}

bool CommLink::ReadCommNT(std::span<uint8_t> buffer, Deadline deadline, int* received) {
  size_t got = 0;
  auto fail_read = [&] {
    if (received) *received = static_cast<int>(got);
    port_->ClearError();
    SetResult(kResultIoError, -1);
    WriteLogIfEnabled("<<<<<<!!!NO Receive(ReadCommNT Err)\n");
    return false;
  };
  int read = port_->Read(buffer);
  if (read < 0) return fail_read();
  got = static_cast<size_t>(read);
  if (got == buffer.size()) {
    if (received) *received = static_cast<int>(got);
    WriteLogIfEnabled("<<<<<<Receive1 ");
    WriteHexDumpIfEnabled(buffer);
    return true;
  }
  for (;;) {
    if (got == buffer.size()) {
      if (received) *received = static_cast<int>(got);
      WriteLogIfEnabled("<<<<<<Receive2 ");
      WriteHexDumpIfEnabled(buffer);
      return true;
    }
    if (IsExpired(deadline)) {
      CancelPendingRead();
      SetResult(kResultTimeout, -1);
      if (received) *received = static_cast<int>(got);
      return false;
    }
    read = port_->Read(buffer.subspan(got));
    if (read < 0) return fail_read();
    got += static_cast<size_t>(read);
    if (PollAbort()) {
      CancelPendingRead();
      WriteLogIfEnabled("<<<<<<!!!NO Receive(ReadCommNT Abort)\n\n");
      if (received) *received = static_cast<int>(got);
      return false;
    }
    if (got < buffer.size() &&
        port_->WaitReadable(buffer.size() - got, WaitBudgetMs(*clock_, deadline),
                            &message_queue()) == WakeReason::kError) {
      return fail_read();
    }
  }
}

void CommLink::CancelPendingRead() {
  // Reads here never stay pending in the caller's buffer; what was read so far
  // is given up with it.
  WriteLogIfEnabled("<<<<<<!!!Cancel I/O\n\n");
}

bool CommLink::PollAbort() {
  std::optional<ThreadMessage> message = message_queue().TakeOne();
  if (!message) return false;
  if (message->id == kWmLinkAbort || message->id == kWmDetectAbort) {
    abort_flag_ = 1;
    SetResult(kResultAborted, -1);
    return true;
  }
  if (message_handler_) message_handler_(*message);
  return false;
}

void CommLink::SetResult(ResultCode code, int port) {
  if (port == -1) {
    result_ = code;
  } else if (IsComPortNumber(port)) {
    result_ = static_cast<ResultCode>(code == kResultSuccess ? port : port + 5);
  } else {
    result_ = kResultCannotOpenPort;
  }
}

ResultCode CommLink::Fail(ResultCode code, std::string_view log_text) {
  SetResult(code, -1);
  WriteLogIfEnabled(log_text);
  return code;
}

bool CommLink::LineFailed() const { return result_ == kResultIoError; }

Deadline CommLink::PieceDeadline(int multiplier, int64_t ms, Deadline whole) const {
  if (multiplier == 0) return whole;
  return DeadlineAfter(static_cast<uint32_t>(std::clamp<int64_t>(ms, 0, 0x7FFFFFFF)));
}

}  // namespace kivo
