#ifndef KIVO_LINK_LINK_OBSERVER_H_
#define KIVO_LINK_LINK_OBSERVER_H_

#include <string>

#include "platform/serial_port.h"
#include "store/result_code.h"

namespace kivo {

// Notification numbers between the worker and the window that runs it.
inline constexpr int kWmLinkStatus = 1125;
inline constexpr int kWmLinkProgress = 1126;
inline constexpr int kWmLinkAbort = 1127;
inline constexpr int kWmLinkDone = 1128;
inline constexpr int kWmLinkFailed = 1129;
inline constexpr int kWmDetectStatus = 1130;
inline constexpr int kWmDetectAbort = 1131;
inline constexpr int kWmDetectFound = 1132;
inline constexpr int kWmDetectFailed = 1133;

// Sources of status and progress notifications.
inline constexpr int kSourceNegotiation = 0;
inline constexpr int kSourceFullRun = 2;
inline constexpr int kSourceOneAppli = 3;
inline constexpr int kSourceTelephone = 4;
// The records a Restore or Download is about to replace being kept first.
inline constexpr int kSourceSnapshot = 5;

// What a communication or auto-detect worker tells the window that runs it.
// Status and progress are posted (the worker never waits for the window);
// OnDetectStatus is the one synchronous call. Implementations must be safe to
// call from the worker thread.
class LinkObserver {
 public:
  virtual ~LinkObserver() = default;
  virtual void OnStatus(int total, int source) {
    (void)total;
    (void)source;
  }
  virtual void OnProgress(int value, int source) {
    (void)value;
    (void)source;
  }
  // The negotiation learned the organizer's model: put the tag ("<E> ", "<M> ",
  // "<E+> ") in front of the window title.
  virtual void OnTitleTag(const std::string& tag) { (void)tag; }
  virtual void OnDetectStatus(int port) { (void)port; }
  // The port the auto detection tries next: a COM number 1..4 or a device by
  // name (COM 0). Synchronous like OnDetectStatus, which it calls for a COM
  // port unless overridden.
  virtual void OnDetectTrying(const PortSpec& port) {
    if (IsComPortNumber(port.com_number)) OnDetectStatus(port.com_number);
  }
  virtual void OnDetectFound(int port) { (void)port; }
  virtual void OnDetectFailed(ResultCode result) { (void)result; }
  virtual void OnRunDone(ResultCode result) { (void)result; }
  virtual void OnRunFailed(ResultCode result) { (void)result; }
};

}  // namespace kivo

#endif  // KIVO_LINK_LINK_OBSERVER_H_
