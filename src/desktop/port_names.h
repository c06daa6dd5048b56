#ifndef KIVO_DESKTOP_PORT_NAMES_H_
#define KIVO_DESKTOP_PORT_NAMES_H_

#include <string>

#include "comm/detect_run.h"
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

// What the COM port dialog hands the Auto Detect dialog: DeviceCode, the
// baud text "19200", LogFileName and EchoBack from the settings, and the
// settings' port map, so that COM1..COM4 name the devices they name for
// transfers. port_factory makes the ports (the transfers' own factory, which
// knows the virtual organizer); empty: termios devices only.
// With `devices` (not owned; it must outlive the detection) the search tries
// every device present when it starts, besides the COM ports that name an
// existing device; without, COM1..COM4.
[[nodiscard]] DetectSettings DetectSettingsFrom(const AppSettings& settings,
                                                SerialPortFactory port_factory = {},
                                                SerialDevices* devices = nullptr);

}  // namespace kivo

#endif  // KIVO_DESKTOP_PORT_NAMES_H_
