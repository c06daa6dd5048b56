#ifndef KIVO_PLATFORM_MEMORY_LINE_H_
#define KIVO_PLATFORM_MEMORY_LINE_H_

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/serial_port.h"

namespace kivo {

// A serial cable in memory with two ends, 0 and 1. Bytes written at one end
// arrive at the other; with echo on for an end, every byte written there also
// comes back to it (the organizer's cable returns what the PC sends). Order is
// kept on each direction, as on a wire.
//
// Pacing spreads arrivals over time at a number of bytes per second (19200
// baud 8N1 carries 1920). Faults act on the n-th byte written at an end
// (counting from 0 since the line was made): drop it, corrupt it, or delay it
// (and so everything after it). Stall holds an end's output until resumed;
// HangUp breaks the line for good. Times are read from the clock given, so a
// ManualClock makes paced and delayed deliveries deterministic.
//
// Thread-safe: each end is driven by its own thread.
class MemoryLine : public std::enable_shared_from_this<MemoryLine> {
 public:
  static std::shared_ptr<MemoryLine> Create(Clock& clock = SystemClock());

  // A port for end 0 or 1. It holds the line alive. Each end opens once at a
  // time (a second open fails like a port held by another program).
  std::unique_ptr<SerialPort> MakeEnd(int end);

  void SetEcho(int end, bool on);
  // 0: bytes arrive at once.
  void SetPacing(uint32_t bytes_per_second);

  enum class FaultAction { kDrop, kCorrupt, kDelay };
  enum class FaultCopy { kPeer, kEcho, kBoth };
  struct Fault {
    int end = 0;         // the end that writes the byte
    uint64_t index = 0;  // which byte, counted from 0 over the end's writes
    FaultAction action = FaultAction::kCorrupt;
    FaultCopy copy = FaultCopy::kPeer;
    uint8_t xor_mask = 0xFF;  // kCorrupt
    uint32_t delay_ms = 0;    // kDelay
  };
  void AddFault(const Fault& fault);

  // While stalled, what `end` writes is held back; resuming sends it on.
  void Stall(int end, bool on);
  // Both ends fail from now on: writes and reads return -1, waits kError.
  void HangUp();

  // Bytes written at an end so far.
  uint64_t Written(int end) const;

  // Called by the ends.
  struct Arrival {
    uint8_t byte;
    uint32_t ready;
  };
  bool OpenEnd(int end);
  void CloseEnd(int end);
  bool IsOpen(int end) const;
  int Queued(int end);
  int ReadEnd(int end, std::span<uint8_t> out);
  int WriteEnd(int end, std::span<const uint8_t> bytes);
  bool PurgeEnd(int end);
  WakeReason WaitEnd(int end, size_t wanted, uint32_t timeout_ms, const MessageQueue* queue);
  Clock& clock() { return clock_; }

  ~MemoryLine();
  MemoryLine(const MemoryLine&) = delete;
  MemoryLine& operator=(const MemoryLine&) = delete;

 private:
  explicit MemoryLine(Clock& clock);

  struct End {
    int wake_fd = -1;  // eventfd: bytes delivered since the last wait began
    bool open = false;
    bool echo = false;
    bool stalled = false;
    uint64_t written = 0;
    std::deque<Arrival> in;
    std::vector<uint8_t> held;  // written while stalled
    uint32_t tx_start = 0;      // pacing of this end's output
    uint32_t tx_count = 0;
    uint32_t tx_busy_until = 0;
    // Arrival time of the latest byte from each end (the peer's bytes and the
    // echo are two streams, each in order; `in` holds both by arrival time).
    std::array<uint32_t, 2> last_ready{};
    std::array<bool, 2> any_arrival{};
  };

  // Sends one written byte on its way. Holds mutex_.
  void Transmit(int from, uint8_t byte);
  void Deliver(int from, int to, uint8_t byte, uint32_t ready);
  int ReadyCount(const End& end, uint32_t now) const;
  static void Wake(const End& end);

  Clock& clock_;
  mutable std::mutex mutex_;
  std::array<End, 2> ends_;
  std::vector<Fault> faults_;
  uint32_t bytes_per_second_ = 0;
  bool hung_up_ = false;
};

}  // namespace kivo

#endif  // KIVO_PLATFORM_MEMORY_LINE_H_
