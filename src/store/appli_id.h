#ifndef KIVO_STORE_APPLI_ID_H_
#define KIVO_STORE_APPLI_ID_H_

#include <cstdint>
#include <optional>
#include <string_view>

namespace kivo {

// One byte naming an organizer application. The same value is the application
// code on the wire, the block id in backup files and the AppliMode of a run.
using AppliId = uint8_t;

inline constexpr AppliId kSchedule = 0;
inline constexpr AppliId kAnniversary = 1;
inline constexpr AppliId kToDo = 2;
inline constexpr AppliId kMemo = 3;
inline constexpr AppliId kExpense = 4;
inline constexpr AppliId kTelephone = 5;
inline constexpr AppliId kCategoryList = 6;
// All applications (as AppliMode); also the id of a free slot.
inline constexpr AppliId kAllAppli = 255;

// A record is the organizer's byte string ending with this byte; with it a
// record is at most kRecordMax bytes long.
inline constexpr uint8_t kTerminator = 0xFF;
inline constexpr int kRecordMax = 1024;
// At most this many records per application.
inline constexpr int kMaxRecords = 65535;
// The organizer and the main window hold at most this many records per
// application.
inline constexpr int kOrganizerRecordLimit = 920;
// The PC receives an application from the organizer into a buffer of this
// many bytes, so an application's records with their terminators must fit in
// it.
inline constexpr int kOrganizerAppliBytes = 256000;

// Number of leading binary bytes of a record of the application; character
// conversions apply from here to the terminator. 0 for unknown ids.
int TextOffset(AppliId id);

// Bit of EnsureAppli's mask for ids 0..5, 0 otherwise.
uint8_t EnsureMaskBit(AppliId id);
// The mask naming all six applications.
inline constexpr uint8_t kAllAppliMask = 0x3F;

// Every application and the category list, a bit (1 << AppliId) each.
inline constexpr uint8_t kEveryAppliMask = 0x7F;

// The high byte of the device code a DeviceCode setting selects: (1, 0) for
// 1, (2, 0) for anything else.
[[nodiscard]] constexpr uint8_t DeviceCodeHigh(int device_code) { return device_code == 1 ? 1 : 2; }

// English name of the application ("Schedule", "To Do", ..., "Expense Category").
std::string_view AppliName(AppliId id);

// Command-line name ("schedule", "anniversary", "todo", "memo", "expense",
// "telephone", "category") or a number 0..6; nullopt for anything else.
std::optional<AppliId> ParseAppliName(std::string_view text);
std::string_view AppliKeyword(AppliId id);

}  // namespace kivo

#endif  // KIVO_STORE_APPLI_ID_H_
