#include "desktop/port_names.h"

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

}  // namespace kivo
