#ifndef KIVO_PLATFORM_PORT_DIAGNOSIS_H_
#define KIVO_PLATFORM_PORT_DIAGNOSIS_H_

#include <functional>
#include <string>
#include <vector>

namespace kivo {

// Why a serial device will or will not open, in one line for a user: the
// most common trouble with serial tools on Linux is a port that is missing,
// belongs to a group the user is not in, or is held by another program.
struct PortCheck {
  bool usable = false;
  std::string reason;  // "can be opened", or what stands in the way
};

// Tries the device as the link would (read and write, no controlling
// terminal, not blocking) and closes it again at once. A device that opens
// is still "busy" when another program holds it alone (TIOCEXCL), and "in
// use" when another program has it open without any lock, where /proc shows
// that program.
[[nodiscard]] PortCheck CheckPort(const std::string& device);
// CheckPort, or a stand-in for tests.
using PortChecker = std::function<PortCheck(const std::string& device)>;

// The processes that hold the device open, as "name (pid N)", where /proc
// shows them (a process of another user may stay hidden).
[[nodiscard]] std::vector<std::string> PortHolders(const std::string& device);
// The same for several devices in one pass over /proc, in their order.
[[nodiscard]] std::vector<std::vector<std::string>> PortHoldersOf(
    const std::vector<std::string>& devices);

}  // namespace kivo

#endif  // KIVO_PLATFORM_PORT_DIAGNOSIS_H_
