#include "store/records_fingerprint.h"

#include <algorithm>

namespace kivo {

uint64_t HashBytes(std::span<const uint8_t> bytes, uint64_t seed) {
  uint64_t hash = seed;
  for (uint8_t b : bytes) {
    hash ^= b;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

uint64_t RecordsFingerprint(const std::vector<std::vector<uint8_t>>& records) {
  std::vector<uint64_t> hashes;
  hashes.reserve(records.size());
  for (const std::vector<uint8_t>& r : records) hashes.push_back(HashBytes(r));
  std::sort(hashes.begin(), hashes.end());
  uint64_t hash = HashBytes({});
  for (uint64_t h : hashes) {
    for (int shift = 0; shift < 64; shift += 8) {
      hash ^= static_cast<uint8_t>(h >> shift);
      hash *= 0x100000001b3ULL;
    }
  }
  return hash;
}

}  // namespace kivo
