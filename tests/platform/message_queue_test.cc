#include "platform/message_queue.h"

#include <poll.h>

#include <thread>

#include <gtest/gtest.h>

namespace kivo {
namespace {

bool Readable(int fd) {
  struct pollfd watch = {fd, POLLIN, 0};
  return poll(&watch, 1, 0) == 1;
}

TEST(MessageQueue, TakesMessagesOneAtATimeInPostingOrder) {
  MessageQueue queue;
  EXPECT_FALSE(queue.TakeOne().has_value());
  queue.Post({1127, 0, 0});
  queue.Post({1125, 100, 3});
  std::optional<ThreadMessage> first = queue.TakeOne();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->id, 1127);
  std::optional<ThreadMessage> second = queue.TakeOne();
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->id, 1125);
  EXPECT_EQ(second->wparam, 100);
  EXPECT_EQ(second->lparam, 3);
  EXPECT_FALSE(queue.TakeOne().has_value());
}

TEST(MessageQueue, DescriptorIsReadableExactlyWhileMessagesWait) {
  MessageQueue queue;
  EXPECT_FALSE(Readable(queue.wake_fd()));
  queue.Post({1, 0, 0});
  queue.Post({2, 0, 0});
  EXPECT_TRUE(Readable(queue.wake_fd()));
  (void)queue.TakeOne();
  EXPECT_TRUE(Readable(queue.wake_fd()));
  (void)queue.TakeOne();
  EXPECT_FALSE(Readable(queue.wake_fd()));
  EXPECT_TRUE(queue.Empty());
}

TEST(MessageQueue, PostFromAnotherThreadWakesABlockedPoll) {
  MessageQueue queue;
  std::thread poster([&] { queue.Post({1127, 0, 0}); });
  struct pollfd watch = {queue.wake_fd(), POLLIN, 0};
  EXPECT_EQ(poll(&watch, 1, 10000), 1);
  poster.join();
  EXPECT_EQ(queue.TakeOne()->id, 1127);
}

TEST(MessageQueue, EachThreadHasItsOwnQueue) {
  MessageQueue* mine = &MessageQueue::ForThisThread();
  MessageQueue* other = nullptr;
  std::thread worker([&] { other = &MessageQueue::ForThisThread(); });
  worker.join();
  EXPECT_NE(mine, other);
  EXPECT_EQ(mine, &MessageQueue::ForThisThread());
}

}  // namespace
}  // namespace kivo
