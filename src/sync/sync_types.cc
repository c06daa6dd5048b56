#include "sync/sync_types.h"

#include <algorithm>

#include "sync/record_diff.h"

namespace kivo {

std::string_view SideKeyword(Side side) { return side == Side::kLeft ? "left" : "right"; }

bool SameRecords(const Records& a, const Records& b) {
  return a.size() == b.size() && Surplus(a, b).empty();
}

uint64_t HashBytes(std::span<const uint8_t> bytes, uint64_t seed) {
  uint64_t hash = seed;
  for (uint8_t b : bytes) {
    hash ^= b;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

uint64_t RecordsFingerprint(const Records& records) {
  std::vector<uint64_t> hashes;
  hashes.reserve(records.size());
  for (const Record& r : records) hashes.push_back(HashBytes(r));
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
