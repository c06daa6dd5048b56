#include "comm/link_event_queue.h"

namespace kivo {

void LinkEventQueue::Push(LinkEvent event) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
    ++pushed_;
  }
  changed_.notify_all();
}

void LinkEventQueue::OnDetectStatus(int port) { PushAndWait({kWmDetectStatus, port, 0, {}}); }

void LinkEventQueue::OnDetectTrying(const PortSpec& port) {
  PushAndWait({kWmDetectStatus, port.com_number, 0, port.device});
}

void LinkEventQueue::PushAndWait(LinkEvent event) {
  std::unique_lock lock(mutex_);
  events_.push_back(std::move(event));
  const uint64_t mine = ++pushed_;
  changed_.notify_all();
  changed_.wait(lock, [&] { return closed_ || taken_ >= mine; });
}

std::optional<LinkEvent> LinkEventQueue::Next(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [&] { return !events_.empty(); })) return std::nullopt;
  LinkEvent event = std::move(events_.front());
  events_.pop_front();
  ++taken_;
  lock.unlock();
  changed_.notify_all();
  return event;
}

void LinkEventQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

bool LinkEventQueue::IsEnd(const LinkEvent& event) {
  return event.kind == kWmLinkDone || event.kind == kWmLinkFailed || event.kind == kWmDetectFound ||
         event.kind == kWmDetectFailed;
}

}  // namespace kivo
