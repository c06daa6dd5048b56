#include "platform/clock.h"

#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kivo {
namespace {

struct ExpiryCase {
  uint32_t now;
  uint32_t deadline;
  bool expired;
};

TEST(Deadline, ExpiresOneMillisecondAfterItsTick) {
  const ExpiryCase kCases[] = {
      {1000, 1000, false},  // equal: not yet
      {1001, 1000, true},   // one millisecond later
      {999, 1000, false},
      {0xFFFFFFFFu, 0xFFFFFFFFu, false},
      {0, 0xFFFFFFFFu, true},             // the tick wrapped past the deadline
      {0xFFFFFFF0u, 0x00000010u, false},  // the deadline lies beyond the wrap
      {0x00000011u, 0x00000010u, true},
  };
  for (const ExpiryCase& c : kCases) {
    EXPECT_EQ(IsExpiredAt(c.now, Deadline{c.deadline}), c.expired)
        << "now " << c.now << " deadline " << c.deadline;
  }
}

TEST(Deadline, SetJustBeforeTheWrapStaysAheadUntilItPasses) {
  ManualClock clock(0xFFFFFF00u);
  Deadline deadline = MakeDeadline(clock, 30000);
  EXPECT_FALSE(IsExpired(clock, deadline));
  clock.Advance(30000);
  EXPECT_FALSE(IsExpired(clock, deadline));
  EXPECT_EQ(WaitBudgetMs(clock, deadline), 1u);
  clock.Advance(1);
  EXPECT_TRUE(IsExpired(clock, deadline));
  EXPECT_EQ(WaitBudgetMs(clock, deadline), 0u);
}

TEST(ManualClock, PollWithNothingReadyMovesTimeByTheWholeWait) {
  ManualClock clock(500);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  struct pollfd watch = {fds[0], POLLIN, 0};
  EXPECT_EQ(clock.Poll(&watch, 1, 250), 0);
  EXPECT_EQ(clock.NowMs(), 750u);
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  EXPECT_EQ(clock.Poll(&watch, 1, 250), 1);
  EXPECT_EQ(clock.NowMs(), 750u);
  clock.SleepMs(10);
  EXPECT_EQ(clock.NowMs(), 760u);
  close(fds[0]);
  close(fds[1]);
}

TEST(SystemClock, TicksForwardAndSleeps) {
  Clock& clock = SystemClock();
  uint32_t before = clock.NowMs();
  clock.SleepMs(20);
  EXPECT_GE(clock.NowMs() - before, 20u);
  LocalDateTime local = clock.LocalNow();
  EXPECT_GE(local.year, 2020);
  EXPECT_GE(local.month, 1);
  EXPECT_LE(local.month, 12);
}

}  // namespace
}  // namespace kivo
