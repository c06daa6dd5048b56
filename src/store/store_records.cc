#include "store/store_records.h"

#include <algorithm>

#include "store/appli_store.h"
#include "store/result_code.h"

namespace kivo {

std::vector<std::vector<uint8_t>> StoreRecords(const AppliStore& store, AppliId id) {
  std::vector<std::vector<uint8_t>> records;
  const int count = std::max(store.GetRecordCount(id), 0);
  records.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::span<const uint8_t> record = store.Record(id, i);
    records.emplace_back(record.begin(), record.end());
  }
  return records;
}

std::vector<int> IdentityOrder(size_t count) {
  std::vector<int> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = static_cast<int>(i);
  return order;
}

StoreResult PutInOrder(AppliStore& store, AppliId id,
                       const std::vector<std::vector<uint8_t>>& records,
                       const std::vector<int>& order) {
  int index = 0;
  for (const int position : order) {
    const StoreResult result = store.PutRecord(id, index++, records[static_cast<size_t>(position)]);
    if (result != kStoreOk) return result;
  }
  return kStoreOk;
}

}  // namespace kivo
