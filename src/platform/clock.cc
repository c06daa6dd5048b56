#include "platform/clock.h"

#include <time.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace kivo {
namespace {

class HostClock : public Clock {
 public:
  uint32_t NowMs() const override {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  }

  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  LocalDateTime LocalNow() const override {
    time_t now = time(nullptr);
    struct tm parts {};
    localtime_r(&now, &parts);
    return LocalDateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                         parts.tm_hour,        parts.tm_min,     parts.tm_sec};
  }

  int Poll(struct pollfd* fds, size_t count, uint32_t timeout_ms) override {
    // poll() takes an int; longer waits end early and the caller waits again.
    int timeout = timeout_ms > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(timeout_ms);
    int ready = poll(fds, count, timeout);
    if (ready < 0 && errno == EINTR) return 0;
    return ready;
  }
};

}  // namespace

Clock& SystemClock() {
  static HostClock clock;
  return clock;
}

int ManualClock::Poll(struct pollfd* fds, size_t count, uint32_t timeout_ms) {
  int ready = poll(fds, count, 0);
  if (ready == 0) Advance(timeout_ms);
  return ready;
}

Deadline MakeDeadline(const Clock& clock, uint32_t ms) { return Deadline{clock.NowMs() + ms}; }

bool IsExpiredAt(uint32_t now, Deadline deadline) {
  return static_cast<int32_t>(now - deadline.tick) > 0;
}

bool IsExpired(const Clock& clock, Deadline deadline) {
  return IsExpiredAt(clock.NowMs(), deadline);
}

uint32_t WaitBudgetMs(const Clock& clock, Deadline deadline) {
  uint32_t now = clock.NowMs();
  if (IsExpiredAt(now, deadline)) return 0;
  return deadline.tick - now + 1;
}

}  // namespace kivo
