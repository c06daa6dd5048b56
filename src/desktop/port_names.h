#ifndef KIVO_DESKTOP_PORT_NAMES_H_
#define KIVO_DESKTOP_PORT_NAMES_H_

#include <string>

#include "platform/serial_port.h"

namespace kivo {

struct AppSettings;

// The port as the user knows it: "COM1 (/dev/ttyS0)", "/dev/ttyUSB0", "the
// virtual organizer", "COM3 (no device)".
[[nodiscard]] std::string PortTitle(const PortSpec& port);
// The port the settings' transfers open.
[[nodiscard]] PortSpec SettingsPort(const AppSettings& settings);
// Whether the user chose the built-in virtual organizer (the COM port
// dialog's choice), which needs neither a cable nor a press of its buttons.
// A COM port that [Ports] maps to it stands in for a cabled organizer, as a
// test rig does, and keeps the organizer's steps.
[[nodiscard]] bool OnVirtualOrganizer(const AppSettings& settings);

}  // namespace kivo

#endif  // KIVO_DESKTOP_PORT_NAMES_H_
