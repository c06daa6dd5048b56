#ifndef KIVO_COMM_DETECT_RUN_H_
#define KIVO_COMM_DETECT_RUN_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "link/comm_link.h"
#include "link/link_observer.h"
#include "platform/clock.h"
#include "platform/link_defaults.h"
#include "platform/message_queue.h"
#include "platform/serial_devices.h"
#include "platform/serial_port.h"

namespace kivo {

// The line speed the COM port dialog gives an auto detection for its text:
// "9600", "19200", "38400", "57600" and "115200" as written, any other text
// 19200.
[[nodiscard]] uint32_t BaudRateFromText(std::string_view text);

// What the Auto Detect dialog configures before it is shown.
struct DetectSettings {
  int device_code = 2;  // 1 selects device code (1, 0), anything else (2, 0)
  std::string baud_text = std::to_string(kLinkBaudRate);
  std::string log_file_name;  // empty: no link log
  int echo_back = 1;
  PortMap port_map = DefaultPortMap();
  SerialPortFactory port_factory;  // empty: termios devices only
  // The ports to try, asked when the search starts; empty: COM1..COM4
  // through port_map.
  std::function<std::vector<PortSpec>()> list_ports;
};

// The ports an auto detection tries: every device present, in its listing
// order (as its COM number when port_map names it, by path otherwise), then
// the COM ports whose device is not among them but exists (or is the virtual
// organizer).
[[nodiscard]] std::vector<PortSpec> DetectCandidates(const std::vector<SerialDevice>& present,
                                                     const PortMap& port_map);

// What stands behind the Auto Detect dialog, without the window: its own
// CommLink (COM1, the defaults of the link: TOCommand 30 s, no multiplier; the
// settings' time-outs do not apply) and the worker that runs AutoDetect.
//
// The window (any LinkObserver) gets OnDetectTrying(port) for every port
// tried (synchronously: the worker waits until the window returns), then one
// OnDetectFound(1..4, or 16 for a device by name; found() tells which) or
// OnDetectFailed(code). Its Abort posts the detect
// abort; the search ends within the current wait and reports failure (12).
class DetectRun {
 public:
  // clock: null for the system clock; it must outlive the run.
  explicit DetectRun(Clock* clock = nullptr);
  // Aborts a search still going and waits for it.
  ~DetectRun();
  DetectRun(const DetectRun&) = delete;
  DetectRun& operator=(const DetectRun&) = delete;

  // Before Start. Sets a fresh log (the old file is deleted).
  void Configure(const DetectSettings& settings);
  // False when the worker cannot be started ("Cannot start download.").
  [[nodiscard]] bool Start(LinkObserver* window);
  void Abort();
  // Waits for the worker: 1..4, 16 or 12 (12 without a worker).
  ResultCode Wait();
  // After Wait: the port found.
  [[nodiscard]] const PortSpec& found() const { return link_.detected_port(); }

  CommLink& link() { return link_; }

 private:
  CommLink link_;
  MessageQueue queue_;
  std::function<std::vector<PortSpec>()> list_ports_;
  std::thread worker_;
  std::atomic<bool> started_{false};
  ResultCode result_ = kResultDetectFailed;
};

}  // namespace kivo

#endif  // KIVO_COMM_DETECT_RUN_H_
