#include "platform/memory_line.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace kivo {
namespace {

bool NotBefore(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) >= 0; }

class MemoryLineEnd : public SerialPort {
 public:
  MemoryLineEnd(std::shared_ptr<MemoryLine> line, int end) : line_(std::move(line)), end_(end) {}
  ~MemoryLineEnd() override { Close(); }

  bool Open(const PortSettings&) override {
    if (open_) Close();
    open_ = line_->OpenEnd(end_);
    return open_;
  }
  bool Close() override {
    if (open_) line_->CloseEnd(end_);
    open_ = false;
    return true;
  }
  bool IsOpen() const override { return open_; }
  bool Purge(bool input, bool) override {
    if (!open_) return false;
    return !input || line_->PurgeEnd(end_);
  }
  int InputQueued() override { return open_ ? line_->Queued(end_) : -1; }
  int OutputQueued() override { return open_ ? 0 : -1; }
  int Read(std::span<uint8_t> out) override { return open_ ? line_->ReadEnd(end_, out) : -1; }
  int Write(std::span<const uint8_t> bytes) override {
    return open_ ? line_->WriteEnd(end_, bytes) : -1;
  }
  WakeReason WaitReadable(size_t wanted, uint32_t timeout_ms, const MessageQueue* queue) override {
    if (!open_) return WakeReason::kError;
    return line_->WaitEnd(end_, wanted, timeout_ms, queue);
  }
  WakeReason WaitWritable(uint32_t, const MessageQueue*) override {
    return open_ ? WakeReason::kInput : WakeReason::kError;
  }
  WakeReason WaitOutputDrained(uint32_t, const MessageQueue*) override {
    return open_ ? WakeReason::kInput : WakeReason::kError;
  }
  void ClearError() override {}
  std::string ErrorText() const override { return open_ ? "" : "memory line end closed"; }

 private:
  std::shared_ptr<MemoryLine> line_;
  int end_;
  bool open_ = false;
};

}  // namespace

std::shared_ptr<MemoryLine> MemoryLine::Create(Clock& clock) {
  return std::shared_ptr<MemoryLine>(new MemoryLine(clock));
}

MemoryLine::MemoryLine(Clock& clock) : clock_(clock) {
  for (End& end : ends_) {
    end.wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (end.wake_fd < 0) std::abort();
  }
}

MemoryLine::~MemoryLine() {
  for (End& end : ends_) close(end.wake_fd);
}

std::unique_ptr<SerialPort> MemoryLine::MakeEnd(int end) {
  return std::make_unique<MemoryLineEnd>(shared_from_this(), end & 1);
}

void MemoryLine::SetEcho(int end, bool on) {
  std::lock_guard lock(mutex_);
  ends_[end & 1].echo = on;
}

void MemoryLine::SetPacing(uint32_t bytes_per_second) {
  std::lock_guard lock(mutex_);
  bytes_per_second_ = bytes_per_second;
}

void MemoryLine::AddFault(const Fault& fault) {
  std::lock_guard lock(mutex_);
  faults_.push_back(fault);
}

void MemoryLine::Stall(int end, bool on) {
  std::lock_guard lock(mutex_);
  End& from = ends_[end & 1];
  from.stalled = on;
  if (on) return;
  std::vector<uint8_t> held;
  held.swap(from.held);
  for (uint8_t byte : held) Transmit(end & 1, byte);
}

void MemoryLine::HangUp() {
  std::lock_guard lock(mutex_);
  hung_up_ = true;
  for (End& end : ends_) Wake(end);
}

uint64_t MemoryLine::Written(int end) const {
  std::lock_guard lock(mutex_);
  return ends_[end & 1].written;
}

bool MemoryLine::OpenEnd(int end) {
  std::lock_guard lock(mutex_);
  if (ends_[end].open || hung_up_) return false;
  ends_[end].open = true;
  return true;
}

void MemoryLine::CloseEnd(int end) {
  std::lock_guard lock(mutex_);
  ends_[end].open = false;
}

bool MemoryLine::IsOpen(int end) const {
  std::lock_guard lock(mutex_);
  return ends_[end & 1].open;
}

void MemoryLine::Wake(const End& end) {
  uint64_t one = 1;
  [[maybe_unused]] ssize_t ignored = write(end.wake_fd, &one, sizeof one);
}

int MemoryLine::ReadyCount(const End& end, uint32_t now) const {
  int count = 0;
  for (const Arrival& arrival : end.in) {
    if (!NotBefore(now, arrival.ready)) break;
    ++count;
  }
  return count;
}

int MemoryLine::Queued(int end) {
  std::lock_guard lock(mutex_);
  if (hung_up_) return -1;
  return ReadyCount(ends_[end], clock_.NowMs());
}

int MemoryLine::ReadEnd(int end, std::span<uint8_t> out) {
  std::lock_guard lock(mutex_);
  if (hung_up_) return -1;
  End& to = ends_[end];
  int count = std::min<int>(ReadyCount(to, clock_.NowMs()), static_cast<int>(out.size()));
  for (int i = 0; i < count; ++i) {
    out[static_cast<size_t>(i)] = to.in.front().byte;
    to.in.pop_front();
  }
  return count;
}

int MemoryLine::WriteEnd(int end, std::span<const uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  if (hung_up_) return -1;
  for (uint8_t byte : bytes) {
    if (ends_[end].stalled) {
      ends_[end].held.push_back(byte);
    } else {
      Transmit(end, byte);
    }
  }
  return static_cast<int>(bytes.size());
}

bool MemoryLine::PurgeEnd(int end) {
  std::lock_guard lock(mutex_);
  if (hung_up_) return false;
  End& to = ends_[end];
  // Bytes still on the wire are not in the buffer yet: they arrive later.
  int ready = ReadyCount(to, clock_.NowMs());
  to.in.erase(to.in.begin(), to.in.begin() + ready);
  return true;
}

void MemoryLine::Transmit(int from, uint8_t byte) {
  End& sender = ends_[from];
  uint64_t index = sender.written++;
  uint32_t now = clock_.NowMs();
  uint32_t ready = now;
  if (bytes_per_second_ > 0) {
    // A byte written while the line is still busy queues behind the others;
    // a byte takes its time on the wire, so even the first is not there at once.
    if (!NotBefore(sender.tx_busy_until, now)) {
      sender.tx_start = now;
      sender.tx_count = 0;
    }
    ++sender.tx_count;
    ready = sender.tx_start +
            static_cast<uint32_t>((uint64_t{sender.tx_count} * 1000u + bytes_per_second_ - 1) /
                                  bytes_per_second_);
    sender.tx_busy_until = ready;
  }
  uint8_t to_peer = byte;
  uint8_t to_echo = byte;
  bool peer_lost = false;
  bool echo_lost = false;
  uint32_t peer_ready = ready;
  uint32_t echo_ready = ready;
  for (const Fault& fault : faults_) {
    if (fault.end != from || fault.index != index) continue;
    bool peer = fault.copy != FaultCopy::kEcho;
    bool echo = fault.copy != FaultCopy::kPeer;
    switch (fault.action) {
      case FaultAction::kDrop:
        peer_lost |= peer;
        echo_lost |= echo;
        break;
      case FaultAction::kCorrupt:
        if (peer) to_peer ^= fault.xor_mask;
        if (echo) to_echo ^= fault.xor_mask;
        break;
      case FaultAction::kDelay:
        if (peer) peer_ready += fault.delay_ms;
        if (echo) echo_ready += fault.delay_ms;
        break;
    }
  }
  if (!peer_lost) Deliver(from, 1 - from, to_peer, peer_ready);
  if (sender.echo && !echo_lost) Deliver(from, from, to_echo, echo_ready);
}

void MemoryLine::Deliver(int from, int to, uint8_t byte, uint32_t ready) {
  End& receiver = ends_[to];
  // A late byte holds back every byte behind it on its own stream.
  if (receiver.any_arrival[from] && !NotBefore(ready, receiver.last_ready[from])) {
    ready = receiver.last_ready[from];
  }
  receiver.last_ready[from] = ready;
  receiver.any_arrival[from] = true;
  auto at = receiver.in.end();
  while (at != receiver.in.begin() && !NotBefore(ready, std::prev(at)->ready)) --at;
  receiver.in.insert(at, Arrival{byte, ready});
  Wake(receiver);
}

WakeReason MemoryLine::WaitEnd(int end, size_t wanted, uint32_t timeout_ms,
                               const MessageQueue* queue) {
  uint32_t budget = timeout_ms;
  bool waiting_for_arrival = false;
  int wake_fd;
  {
    std::lock_guard lock(mutex_);
    if (hung_up_) return WakeReason::kError;
    End& to = ends_[end];
    uint64_t drained = 0;
    [[maybe_unused]] ssize_t ignored = read(to.wake_fd, &drained, sizeof drained);
    uint32_t now = clock_.NowMs();
    size_t ready = static_cast<size_t>(ReadyCount(to, now));
    if (ready >= wanted) return WakeReason::kInput;
    // Sleep until the byte that completes the count is due; bytes not yet
    // written wake the wait through the descriptor.
    if (wanted <= to.in.size()) {
      uint32_t next = to.in[wanted - 1].ready - now;
      if (next <= budget) {
        budget = next;
        waiting_for_arrival = true;
      }
    }
    wake_fd = to.wake_fd;
  }
  if (queue && !queue->Empty()) return WakeReason::kMessage;
  struct pollfd fds[2] = {{wake_fd, POLLIN, 0}, {queue ? queue->wake_fd() : -1, POLLIN, 0}};
  int woke = clock_.Poll(fds, queue ? 2 : 1, budget);
  if (woke < 0) return WakeReason::kError;
  if (woke > 0) {
    if (queue && (fds[1].revents & POLLIN)) return WakeReason::kMessage;
    return WakeReason::kInput;
  }
  return waiting_for_arrival ? WakeReason::kInput : WakeReason::kTimeout;
}

}  // namespace kivo
