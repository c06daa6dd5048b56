#ifndef KIVO_STORE_STORE_RECORDS_H_
#define KIVO_STORE_STORE_RECORDS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/appli_id.h"
#include "store/result_code.h"

namespace kivo {

class AppliStore;

// The records of one application as byte strings, and their way back in:
// what lists, sorts and compares work on instead of the store itself.

// The records of `id` in store order; none when the application is absent.
[[nodiscard]] std::vector<std::vector<uint8_t>> StoreRecords(const AppliStore& store, AppliId id);

// 0, 1, ..., count - 1: the records in the order they stand.
[[nodiscard]] std::vector<int> IdentityOrder(size_t count);

// Appends records[order[0]], records[order[1]], ... to `id`, which must be
// empty. kStoreOk, or the result of the first record refused (the ones after
// it are not put).
[[nodiscard]] StoreResult PutInOrder(AppliStore& store, AppliId id,
                                     const std::vector<std::vector<uint8_t>>& records,
                                     const std::vector<int>& order);

}  // namespace kivo

#endif  // KIVO_STORE_STORE_RECORDS_H_
