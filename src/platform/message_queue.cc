#include "platform/message_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdlib>

namespace kivo {

MessageQueue::MessageQueue() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  // Without its descriptor the queue could not wake a waiting thread; every
  // wait would sleep to its deadline. Running out of descriptors here is fatal.
  if (fd_ < 0) std::abort();
}

MessageQueue::~MessageQueue() { close(fd_); }

void MessageQueue::Post(const ThreadMessage& message) {
  std::lock_guard lock(mutex_);
  messages_.push_back(message);
  if (messages_.size() == 1) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = write(fd_, &one, sizeof one);
  }
}

std::optional<ThreadMessage> MessageQueue::TakeOne() {
  std::lock_guard lock(mutex_);
  if (messages_.empty()) return std::nullopt;
  ThreadMessage message = messages_.front();
  messages_.pop_front();
  if (messages_.empty()) {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t ignored = read(fd_, &count, sizeof count);
  }
  return message;
}

bool MessageQueue::Empty() const {
  std::lock_guard lock(mutex_);
  return messages_.empty();
}

MessageQueue& MessageQueue::ForThisThread() {
  thread_local MessageQueue queue;
  return queue;
}

}  // namespace kivo
