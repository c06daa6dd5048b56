#include "link/comm_link.h"

#include "link/link_log.h"
#include "platform/posix_serial_port.h"

namespace kivo {

SerialPortFactory DefaultSerialPortFactory() {
  return [](const PortSpec& port_spec, Clock& clock) -> std::unique_ptr<SerialPort> {
    if (port_spec.device.empty() || port_spec.device == kVirtualPort) return nullptr;
    return std::make_unique<PosixSerialPort>(port_spec.device, clock);
  };
}

CommLink::CommLink(int port, uint32_t baud_rate, Clock* clock)
    : port_number_(port), clock_(clock ? clock : &SystemClock()) {
  config_.baud_rate = baud_rate;
}

CommLink::~CommLink() { ClosePort(); }

void CommLink::SetPortName(std::string_view name) {
  PortSpec port_spec = ResolvePort(name, port_map_);
  port_number_ = port_spec.com_number;
  port_device_.clear();
  if (!IsComPortNumber(port_spec.com_number)) port_device_ = port_spec.device;
}

MessageQueue& CommLink::message_queue() const {
  return queue_ ? *queue_ : MessageQueue::ForThisThread();
}

void CommLink::SetLogFileName(const std::string& name) {
  log_file_name_ = name;
  RemoveLogFile(name);
}

bool CommLink::WriteLogIfEnabled(std::string_view text, bool full) {
  if (log_file_name_.empty()) return true;
  return WriteLog(log_file_name_, text, full, *clock_);
}

bool CommLink::WriteHexDumpIfEnabled(std::span<const uint8_t> bytes) {
  if (log_file_name_.empty()) return true;
  return WriteHexDump(log_file_name_, bytes);
}

}  // namespace kivo
