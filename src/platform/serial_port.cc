#include "platform/serial_port.h"

#include <charconv>

namespace kivo {

PortMap DefaultPortMap() { return {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"}; }

std::string PortKey(int com_number) { return "COM" + std::to_string(com_number); }

PortSpec ResolvePort(int com_number, const PortMap& ports) {
  PortSpec port_spec;
  port_spec.com_number = com_number;
  if (IsComPortNumber(com_number)) port_spec.device = ports[com_number - 1];
  return port_spec;
}

PortSpec ResolvePort(std::string_view text, const PortMap& ports) {
  std::string_view digits = text;
  if (digits.size() > 3 && digits.substr(0, 3) == "COM") digits.remove_prefix(3);
  int number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error == std::errc() && end == digits.data() + digits.size() && !digits.empty()) {
    return ResolvePort(number, ports);
  }
  return PortSpec{0, std::string(text)};
}

}  // namespace kivo
