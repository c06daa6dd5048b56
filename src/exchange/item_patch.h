#ifndef KIVO_EXCHANGE_ITEM_PATCH_H_
#define KIVO_EXCHANGE_ITEM_PATCH_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "exchange/item_mapping.h"
#include "store/appli_id.h"

namespace kivo {

// An item changed for an edit of the record it stands for, keeping
// everything the organizer has no place for.
//
// `item` maps to `before` (MapItem); the result maps to `after`. Only the
// properties that carry a field in which the two records differ are
// rewritten, added or removed; every other line (other properties with all
// their parameters, alarms beyond the first, attendees, time zones, photos,
// X- properties, folding and line ends) passes through byte for byte. The
// item's stamps are renewed (DTSTAMP, LAST-MODIFIED and REV where present)
// and SEQUENCE counted up.
//
// Fields are compared with `before`, not with a new reading of the item, so
// what the record holds only in part stays whole in the item while its field
// is unchanged: a text cut to fit, numbers the import moved into the notes,
// a birthday's year before the organizer's years. When writing one field
// moves another (removing a card's first home number makes its second one
// first), the moved field is written as well; the result then maps to
// `after` wherever the item's form can say it.
//
// nullopt when `item` holds no card (no entry of the application) to patch,
// or a record does not decode.
[[nodiscard]] std::optional<std::string> PatchItem(AppliId id, std::string_view item,
                                                   std::span<const uint8_t> before,
                                                   std::span<const uint8_t> after,
                                                   const ItemContext& context);
// The same of an item parted already (ContentDoc::Parse in its format).
[[nodiscard]] std::optional<std::string> PatchItem(AppliId id, const ContentDoc& item,
                                                   std::span<const uint8_t> before,
                                                   std::span<const uint8_t> after,
                                                   const ItemContext& context);

// The two halves of PatchItem: Telephone cards, and calendar entries.
[[nodiscard]] std::optional<std::string> PatchVCard(const ContentDoc& item,
                                                    std::span<const uint8_t> before,
                                                    std::span<const uint8_t> after,
                                                    const ItemContext& context);
[[nodiscard]] std::optional<std::string> PatchICalendar(AppliId id, const ContentDoc& item,
                                                        std::span<const uint8_t> before,
                                                        std::span<const uint8_t> after,
                                                        const ItemContext& context);

// "20260105T093000Z": a stamp of `now` in UTC.
[[nodiscard]] std::string UtcStamp(std::time_t now);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_ITEM_PATCH_H_
