#ifndef KIVO_PLATFORM_MESSAGE_QUEUE_H_
#define KIVO_PLATFORM_MESSAGE_QUEUE_H_

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

namespace kivo {

// A message posted to a thread: a number and two arguments.
struct ThreadMessage {
  int id = 0;
  intptr_t wparam = 0;
  intptr_t lparam = 0;
};

// The message queue of one worker thread. Any thread may post; the owner takes
// messages one at a time without waiting. wake_fd() is readable exactly while
// messages wait, so the owner's poll() wakes at once when one is posted.
class MessageQueue {
 public:
  MessageQueue();
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  void Post(const ThreadMessage& message);
  [[nodiscard]] std::optional<ThreadMessage> TakeOne();
  [[nodiscard]] bool Empty() const;
  [[nodiscard]] int wake_fd() const { return fd_; }

  // The queue of the calling thread, made on first use.
  static MessageQueue& ForThisThread();

 private:
  mutable std::mutex mutex_;
  std::deque<ThreadMessage> messages_;
  int fd_ = -1;  // eventfd, nonzero while messages_ is not empty
};

}  // namespace kivo

#endif  // KIVO_PLATFORM_MESSAGE_QUEUE_H_
