#ifndef KIVO_STORE_RECORDS_FINGERPRINT_H_
#define KIVO_STORE_RECORDS_FINGERPRINT_H_

#include <cstdint>
#include <span>
#include <vector>

namespace kivo {

// A 64-bit FNV-1a hash of bytes; what fingerprints and identity keys use.
[[nodiscard]] uint64_t HashBytes(std::span<const uint8_t> bytes,
                                 uint64_t seed = 0xcbf29ce484222325ULL);

// A fingerprint of a record list taken as a multiset: the same for any order
// of the same records, different (but for hash collisions) for anything else.
[[nodiscard]] uint64_t RecordsFingerprint(const std::vector<std::vector<uint8_t>>& records);

}  // namespace kivo

#endif  // KIVO_STORE_RECORDS_FINGERPRINT_H_
