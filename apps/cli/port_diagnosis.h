#ifndef KIVO_APPS_CLI_PORT_DIAGNOSIS_H_
#define KIVO_APPS_CLI_PORT_DIAGNOSIS_H_

#include <string>
#include <vector>

namespace kivo::cli {

// Why a serial device will or will not open, in one line for a user: the
// most common trouble with serial tools on Linux is a port that is missing,
// belongs to a group the user is not in, or is held by another program.
struct PortCheck {
  bool usable = false;
  std::string reason;  // "can be opened", or what stands in the way
};

// Tries the device as the link would (read and write, no controlling
// terminal, not blocking) and closes it again at once.
[[nodiscard]] PortCheck CheckPort(const std::string& device);

// The serial devices present: /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* in
// natural order (ttyS2 before ttyS10).
[[nodiscard]] std::vector<std::string> SerialDevices();

// The /dev/serial/by-id names with the device each one points to.
struct SerialAlias {
  std::string name;
  std::string target;
};
[[nodiscard]] std::vector<SerialAlias> SerialAliases();

// The processes that hold the device open, as "name (pid N)", where /proc
// shows them (a process of another user may stay hidden).
[[nodiscard]] std::vector<std::string> PortHolders(const std::string& device);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_PORT_DIAGNOSIS_H_
