#ifndef KIVO_PLATFORM_SERIAL_PORT_H_
#define KIVO_PLATFORM_SERIAL_PORT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/link_defaults.h"
#include "platform/message_queue.h"

namespace kivo {

// Line settings the link applies at open: the speed; the frame is always 8
// data bits, no parity, 1 stop bit, raw, without flow control.
struct PortSettings {
  uint32_t baud_rate = kLinkBaudRate;
};

// Why a wait ended.
enum class WakeReason {
  kInput,    // new input may be there: look at the queue again
  kMessage,  // a message waits in the thread's queue
  kTimeout,  // the time given ran out
  kError,    // the line failed or hung up
};

// A serial line as the link layer sees it. Implementations: termios (real
// ports and pseudo-terminals) and an in-memory line with echo, pacing and
// fault injection. Not thread-safe: one thread drives a port at a time.
// Nothing here blocks except the Wait* calls, which return at the latest
// after timeout_ms and at once when a message is posted to `queue`.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens the line exclusively and applies the settings. False when the line
  // does not exist, is held by someone else or refuses the settings; the port
  // is then closed.
  [[nodiscard]] virtual bool Open(const PortSettings& settings) = 0;
  // Puts the line's settings back as Open found them and closes it. Returns
  // whether the settings could be put back; true when it was not open.
  virtual bool Close() = 0;
  [[nodiscard]] virtual bool IsOpen() const = 0;

  // Throws away what waits in the input and/or output buffers.
  [[nodiscard]] virtual bool Purge(bool input, bool output) = 0;
  // Bytes received and not read yet, bytes written and not on the wire yet;
  // -1 when the line's status cannot be read.
  [[nodiscard]] virtual int InputQueued() = 0;
  [[nodiscard]] virtual int OutputQueued() = 0;
  // Reads what is there, up to out.size() bytes: the count, 0, or -1 on error.
  [[nodiscard]] virtual int Read(std::span<uint8_t> out) = 0;
  // Writes as much as the line takes now: the count (possibly 0), or -1.
  [[nodiscard]] virtual int Write(std::span<const uint8_t> bytes) = 0;

  // Until at least `wanted` bytes are queued (kInput; also returned when new
  // bytes came but fewer than wanted, so the caller looks again), a message
  // waits in `queue` (may be null), the line fails, or timeout_ms pass.
  virtual WakeReason WaitReadable(size_t wanted, uint32_t timeout_ms,
                                  const MessageQueue* queue) = 0;
  // Until the line takes more output (kInput), a message, or the time-out.
  virtual WakeReason WaitWritable(uint32_t timeout_ms, const MessageQueue* queue) = 0;
  // Until the output queue may have emptied (kInput), a message, or the time-out.
  virtual WakeReason WaitOutputDrained(uint32_t timeout_ms, const MessageQueue* queue) = 0;

  // Clears the line's error state.
  virtual void ClearError() = 0;
  // The last system error, for diagnosis.
  [[nodiscard]] virtual std::string ErrorText() const = 0;
};

// The device paths that COM1..COM4 stand for, from the settings file section
// [Ports], keys "COM1".."COM4".
inline constexpr std::string_view kPortsSection = "Ports";
using PortMap = std::array<std::string, kComPorts>;
// /dev/ttyS0 .. /dev/ttyS3.
[[nodiscard]] PortMap DefaultPortMap();
// "COM1" .. "COM4" for 1..4.
[[nodiscard]] std::string PortKey(int com_number);

// The name of the built-in virtual organizer's line.
inline constexpr std::string_view kVirtualPort = "virtual";

// A port to open: the COM number it was chosen by (1..4; 0 when a device was
// named directly) and the device: a path, "virtual", or empty when the COM
// number maps to nothing.
struct PortSpec {
  int com_number = 0;
  std::string device;
  bool operator==(const PortSpec&) const = default;
};

// COM number n (1..4) -> the mapped device; any other number -> no device.
[[nodiscard]] PortSpec ResolvePort(int com_number, const PortMap& ports);
// "COM3" or "3" -> as the number; "virtual" or a path -> that device, COM 0.
[[nodiscard]] PortSpec ResolvePort(std::string_view text, const PortMap& ports);

}  // namespace kivo

#endif  // KIVO_PLATFORM_SERIAL_PORT_H_
