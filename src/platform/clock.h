#ifndef KIVO_PLATFORM_CLOCK_H_
#define KIVO_PLATFORM_CLOCK_H_

#include <poll.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kivo {

// Local calendar time, as the log's full stamp prints it.
struct LocalDateTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Time as the link sees it: a 32-bit millisecond tick that wraps after about
// 49.7 days, a sleep, the local date and time, and poll() measured on the same
// clock. Waits go through Poll so that a test clock can move time forward
// instead of blocking.
class Clock {
 public:
  virtual ~Clock() = default;
  [[nodiscard]] virtual uint32_t NowMs() const = 0;
  virtual void SleepMs(uint32_t ms) = 0;
  [[nodiscard]] virtual LocalDateTime LocalNow() const = 0;
  // poll() on fds for at most timeout_ms of this clock. Returns what poll()
  // returns: the number of ready descriptors, 0 when the time ran out, -1.
  virtual int Poll(struct pollfd* fds, size_t count, uint32_t timeout_ms) = 0;
};

// The host's monotonic tick and local time. Shared by the whole process.
Clock& SystemClock();

// A clock that moves only when told to, or when something sleeps or waits on
// it: SleepMs and a Poll that finds nothing ready move the time forward by the
// full amount at once. Safe to read from any thread.
class ManualClock : public Clock {
 public:
  explicit ManualClock(uint32_t start_ms = 0) : now_(start_ms) {}
  [[nodiscard]] uint32_t NowMs() const override { return now_.load(); }
  void SleepMs(uint32_t ms) override { Advance(ms); }
  [[nodiscard]] LocalDateTime LocalNow() const override { return local_; }
  int Poll(struct pollfd* fds, size_t count, uint32_t timeout_ms) override;

  void Advance(uint32_t ms) { now_.fetch_add(ms); }
  void Set(uint32_t ms) { now_.store(ms); }
  void SetLocal(const LocalDateTime& local) { local_ = local; }

 private:
  std::atomic<uint32_t> now_;
  LocalDateTime local_{2000, 1, 1, 0, 0, 0};
};

// A point on a clock's tick count.
struct Deadline {
  uint32_t tick = 0;
};

// The tick count now plus ms.
[[nodiscard]] Deadline MakeDeadline(const Clock& clock, uint32_t ms);

// True once the tick count has passed the deadline: a deadline equal to the
// tick count has not expired, one millisecond later it has. The two ticks are
// compared by their wrapped difference, so a deadline set shortly before the
// tick count wraps still lies ahead of it (a plain unsigned comparison would
// call it expired at once). Spans must stay below 2^31 ms.
[[nodiscard]] bool IsExpiredAt(uint32_t now, Deadline deadline);
[[nodiscard]] bool IsExpired(const Clock& clock, Deadline deadline);

// Milliseconds a wait may block so that, when it wakes without cause, the
// deadline has expired: the time left plus one; 0 once expired.
[[nodiscard]] uint32_t WaitBudgetMs(const Clock& clock, Deadline deadline);

}  // namespace kivo

#endif  // KIVO_PLATFORM_CLOCK_H_
