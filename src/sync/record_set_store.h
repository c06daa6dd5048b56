#ifndef KIVO_SYNC_RECORD_SET_STORE_H_
#define KIVO_SYNC_RECORD_SET_STORE_H_

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"
#include "store/appli_store.h"
#include "sync/sync_types.h"

namespace kivo {

// Record sets in and out of an AppliStore, and the base of a pair as a backup
// file image, so that `kivo-link show` and every other reader of backup files
// can look at it.

// The records of the applications of `mask` the store holds; an absent one
// is present in the set and empty.
[[nodiscard]] RecordSet RecordSetOf(const AppliStore& store, AppliMask mask);

// Replaces the records of `id` in the store, creating the application when
// absent. An absent category list stays absent when given no record.
// kStoreOk, or the code of the first record refused.
[[nodiscard]] StoreResult ReplaceAppliRecords(AppliStore& store, AppliId id,
                                              const Records& records);

// The base as a plain backup file image of the given device code: a block
// for each of the six applications (empty ones too) and one for the category
// list when it holds a record. Texts go through `tables` as in any backup
// file; records that came from the organizer or a backup file come back from
// it unchanged. nullopt when a record is refused (never for records a store
// gave out).
[[nodiscard]] std::optional<std::vector<uint8_t>> EncodeBase(const RecordSet& base,
                                                             const CodeTables& tables,
                                                             std::array<uint8_t, 2> device_code);
// All seven applications, whatever the image's device code; a failure with
// the reason when it is not a backup file (an empty one when the store gets
// no slots).
Result<RecordSet> DecodeBase(std::span<const uint8_t> image, const CodeTables& tables);

}  // namespace kivo

#endif  // KIVO_SYNC_RECORD_SET_STORE_H_
