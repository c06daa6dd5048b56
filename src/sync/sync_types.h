#ifndef KIVO_SYNC_SYNC_TYPES_H_
#define KIVO_SYNC_SYNC_TYPES_H_

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/appli_id.h"
#include "store/records_fingerprint.h"

namespace kivo {

// The values the sync passes around. A record is an application's byte string
// as AppliStore holds it: PC coding, ending with its 0xFF terminator. The sync
// never looks inside a record except to find its key (sync_key.h) and to print
// it; everything else compares bytes.
using Record = std::vector<uint8_t>;
using Records = std::vector<Record>;

// The applications that take part in a sync: Schedule .. Telephone and the
// expense category list, AppliId 0..6.
inline constexpr int kSyncAppliCount = 7;
// A set of them, bit (1 << AppliId) each.
using AppliMask = uint8_t;
inline constexpr AppliMask kAllSyncAppli = 0x7F;
inline constexpr AppliMask AppliBit(AppliId id) { return static_cast<AppliMask>(1u << id); }
inline constexpr bool HasAppli(AppliMask mask, AppliId id) {
  return id < kSyncAppliCount && (mask & AppliBit(id)) != 0;
}

// The two sides of a pair. In `sync FILE` the organizer is the left side and
// the file the right one; a conflict policy names a side.
enum class Side : uint8_t { kLeft = 0, kRight = 1 };
inline constexpr std::array<Side, 2> kBothSides{Side::kLeft, Side::kRight};
inline constexpr size_t SideIndex(Side side) { return static_cast<size_t>(side); }
inline constexpr Side OtherSide(Side side) {
  return side == Side::kLeft ? Side::kRight : Side::kLeft;
}
std::string_view SideKeyword(Side side);  // "left" / "right"

// Records of some applications of one side (or of the base). Applications
// outside `present` are not part of it; their record lists stay empty.
struct RecordSet {
  AppliMask present = 0;
  std::array<Records, kSyncAppliCount> appli;

  const Records& of(AppliId id) const { return appli[id]; }
  void Set(AppliId id, Records records) {
    appli[id] = std::move(records);
    present |= AppliBit(id);
  }
};

// Two record lists hold the same records, whatever their order.
[[nodiscard]] bool SameRecords(const Records& a, const Records& b);

}  // namespace kivo

#endif  // KIVO_SYNC_SYNC_TYPES_H_
