#ifndef KIVO_EXCHANGE_RECORD_UID_H_
#define KIVO_EXCHANGE_RECORD_UID_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "store/appli_id.h"
#include "store/appli_store.h"

namespace kivo {

// The identity an exported record carries to address books and calendars:
// it depends on nothing but the record, so the same record exported twice
// has the same UID and adding or removing a record changes no other one.
// A name-based UUID (SHA-1, version 5) of the application, the record's
// stored bytes and its occurrence among equal records of the application
// (0 for the first, 1 for the second copy, ...), in the lower-case form
// "8c1f...-....-5...-....-............".
[[nodiscard]] std::string RecordUid(AppliId id, std::span<const uint8_t> bytes, int occurrence);

// The UIDs of an application's records in store order.
[[nodiscard]] std::vector<std::string> RecordUids(const AppliStore& store, AppliId id);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_RECORD_UID_H_
