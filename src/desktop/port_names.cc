#include "desktop/port_names.h"

#include "commands/link_commands.h"
#include "store/app_settings.h"

namespace kivo {

std::string PortTitle(const PortSpec& port) {
  if (port.device == kVirtualPort) return "the virtual organizer";
  if (port.com_number == 0) return port.device;
  const std::string device = port.device.empty() ? std::string("no device") : port.device;
  return PortKey(port.com_number) + " (" + device + ")";
}

PortSpec SettingsPort(const AppSettings& settings) {
  return settings.port_name.empty() ? ResolvePort(settings.com_port, settings.port_devices)
                                    : ResolvePort(settings.port_name, settings.port_devices);
}

bool OnVirtualOrganizer(const AppSettings& settings) { return settings.port_name == kVirtualPort; }

DetectSettings DetectSettingsFrom(const AppSettings& settings, SerialPortFactory port_factory,
                                  SerialDevices* devices) {
  std::function<std::vector<PortSpec>()> list_ports;
  if (devices != nullptr) {
    list_ports = [devices, map = settings.port_devices] {
      return DetectCandidates(devices->List(), map);
    };
  }
  return DetectSetup(settings, std::move(port_factory), std::move(list_ports));
}

}  // namespace kivo
