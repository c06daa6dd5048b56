#ifndef KIVO_PLATFORM_POSIX_SERIAL_PORT_H_
#define KIVO_PLATFORM_POSIX_SERIAL_PORT_H_

#include <termios.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/link_defaults.h"
#include "platform/serial_port.h"

namespace kivo {

// A serial device (or a pseudo-terminal) driven through termios.
//
// Open takes the device exclusively (TIOCEXCL, and an advisory lock that also
// keeps out processes with the privilege to ignore TIOCEXCL), switches it to
// raw 8N1 at the given speed without flow control, asks the driver for low
// latency (where it has the setting), then raises DTR and RTS.
// A pseudo-terminal has no modem lines; that is not an error. Close restores
// the settings found at open, the driver's latency among them, and lowers DTR
// and RTS.
//
// Input is moved from the driver into a buffer of the port before each wait,
// so that poll() on the descriptor wakes on new bytes only.
class PosixSerialPort : public SerialPort {
 public:
  explicit PosixSerialPort(std::string device, Clock& clock = SystemClock());
  ~PosixSerialPort() override;

  // One owner per open descriptor.
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  bool Open(const PortSettings& settings) override;
  bool Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  bool Purge(bool input, bool output) override;
  int InputQueued() override;
  int OutputQueued() override;
  int Read(std::span<uint8_t> out) override;
  int Write(std::span<const uint8_t> bytes) override;
  WakeReason WaitReadable(size_t wanted, uint32_t timeout_ms, const MessageQueue* queue) override;
  WakeReason WaitWritable(uint32_t timeout_ms, const MessageQueue* queue) override;
  WakeReason WaitOutputDrained(uint32_t timeout_ms, const MessageQueue* queue) override;
  void ClearError() override { failed_ = false; }
  std::string ErrorText() const override { return error_text_; }

  const std::string& device() const { return device_; }

 private:
  // Records errno with its context; returns false for `return Fail(...)`.
  bool Fail(const char* what);
  // Moves what the driver holds into pending_. False when the line failed.
  bool Pull();
  WakeReason PollFor(short events, uint32_t timeout_ms, const MessageQueue* queue);

  std::string device_;
  Clock& clock_;
  int fd_ = -1;
  uint32_t baud_rate_ = kLinkBaudRate;
  struct termios saved_ {};
  bool low_latency_set_ = false;  // Open switched low latency on: Close takes it off
  std::vector<uint8_t> pending_;
  bool failed_ = false;
  std::string error_text_;
};

}  // namespace kivo

#endif  // KIVO_PLATFORM_POSIX_SERIAL_PORT_H_
