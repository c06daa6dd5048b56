#ifndef KIVO_PLATFORM_LINK_DEFAULTS_H_
#define KIVO_PLATFORM_LINK_DEFAULTS_H_

#include <cstdint>

namespace kivo {

// The figures the programs, the link and the virtual organizer share.

// Application slots of a full store: the six applications and the category
// list.
inline constexpr int kStoreSlots = 7;

// A port chosen by number is one of COM1..COM4.
inline constexpr int kComPorts = 4;
[[nodiscard]] constexpr bool IsComPortNumber(int number) {
  return number >= 1 && number <= kComPorts;
}

// The organizer's line speed.
inline constexpr uint32_t kLinkBaudRate = 19200;

// TOCommand and TODataPacket when the settings say nothing, and the longest
// wait for the other side at the start of a run.
inline constexpr int kDefaultTimeOutSeconds = 30;
inline constexpr int kDefaultTimeOutMs = kDefaultTimeOutSeconds * 1000;
inline constexpr int kNegotiationTimeOutMs = 30000;

}  // namespace kivo

#endif  // KIVO_PLATFORM_LINK_DEFAULTS_H_
