#ifndef KIVO_COMM_LINK_EVENT_QUEUE_H_
#define KIVO_COMM_LINK_EVENT_QUEUE_H_

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "link/link_observer.h"

namespace kivo {

// One notification of a worker, as a value: the message number of the
// notification (kWmLinkStatus, kWmLinkProgress, kWmLinkDone, kWmLinkFailed,
// kWmDetectStatus, kWmDetectFound, kWmDetectFailed, or kTitleTagEvent), its
// two values and, for a title tag, the tag (for a detect status, the device
// tried).
struct LinkEvent {
  int kind = 0;
  int value = 0;
  int source = 0;
  std::string text;
  bool operator==(const LinkEvent&) const = default;
};

// LinkEvent::kind of a title tag (not a window message of its own).
inline constexpr int kTitleTagEvent = 0;

// A LinkObserver that queues what the worker tells it, for a thread that
// shows it: the worker never waits (posting), the window takes the events in
// their order. OnDetectStatus is the synchronous notification of the auto
// detection: it waits until the window has taken the event (or the queue is
// closed), as the Auto Detect dialog's status line must show the port being
// tried before the try begins.
class LinkEventQueue : public LinkObserver {
 public:
  void OnStatus(int total, int source) override { Push({kWmLinkStatus, total, source, {}}); }
  void OnProgress(int value, int source) override { Push({kWmLinkProgress, value, source, {}}); }
  void OnTitleTag(const std::string& tag) override { Push({kTitleTagEvent, 0, 0, tag}); }
  void OnDetectStatus(int port) override;
  // A detect status whose text is the device tried (empty for a COM port
  // through the port map).
  void OnDetectTrying(const PortSpec& port) override;
  void OnDetectFound(int port) override { Push({kWmDetectFound, port, 0, {}}); }
  void OnDetectFailed(ResultCode result) override { Push({kWmDetectFailed, result, 0, {}}); }
  void OnRunDone(ResultCode result) override { Push({kWmLinkDone, result, 0, {}}); }
  void OnRunFailed(ResultCode result) override { Push({kWmLinkFailed, result, 0, {}}); }

  // The next event, waiting at most `timeout`; none when the time ran out.
  std::optional<LinkEvent> Next(std::chrono::milliseconds timeout);
  // No more waiting: a worker blocked in OnDetectStatus goes on.
  void Close();

  // True for the events that end a run or an auto detection.
  static bool IsEnd(const LinkEvent& event);

 private:
  void Push(LinkEvent event);
  // Pushes and waits until the event is taken or the queue closed.
  void PushAndWait(LinkEvent event);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<LinkEvent> events_;
  uint64_t pushed_ = 0;
  uint64_t taken_ = 0;
  bool closed_ = false;
};

}  // namespace kivo

#endif  // KIVO_COMM_LINK_EVENT_QUEUE_H_
