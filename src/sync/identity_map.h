#ifndef KIVO_SYNC_IDENTITY_MAP_H_
#define KIVO_SYNC_IDENTITY_MAP_H_

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"
#include "store/appli_id.h"
#include "sync/sync_types.h"

namespace kivo {

// Where each record of the base lives on a collection side (a vdir folder or
// a CalDAV/CardDAV collection): the item's UID, its href and ETag, and for a
// vdir the file's modification time and content hash, so that an item whose
// ETag (or mtime and hash) did not change since the last sync is known to
// hold the base record without being read again. The organizer and backup
// files need none.
//
// A record is named by its application, the hash of its bytes and its
// occurrence number among the identical records of that application in the
// base (0 for the first copy, 1 for the second, ...), so identical records
// keep separate items.
// An item of a collection that maps to no record (a journal, a card without
// a name) is kept under this occurrence with record hash 0, so it is not
// fetched again until its ETag changes.
inline constexpr uint32_t kNoRecordOccurrence = 0xFFFFFFFF;

struct IdentityKey {
  AppliId id = 0;
  uint64_t record_hash = 0;  // HashBytes of the record with its terminator
  uint32_t occurrence = 0;
  bool operator==(const IdentityKey&) const = default;
};

struct IdentityEntry {
  IdentityKey key;
  std::string uid;
  std::string href;
  std::string etag;
  int64_t mtime_ns = 0;    // vdir only
  uint64_t file_hash = 0;  // vdir only: HashBytes of the file
  bool operator==(const IdentityEntry&) const = default;
};

struct IdentityMap {
  std::vector<IdentityEntry> entries;

  [[nodiscard]] const IdentityEntry* Find(const IdentityKey& key) const;
  bool operator==(const IdentityMap&) const = default;
};

// The keys of an application's records in their order: the hash of each and
// its occurrence among the identical ones before it.
[[nodiscard]] std::vector<IdentityKey> IdentityKeys(AppliId id, const Records& records);

// Both sides' maps in one file:
//   8  "KVSYNCI1"
//   per side (left, then right):
//     4  number of entries, each:
//          1  application id (0..6)
//          8  record hash
//          4  occurrence
//          2+ UID, 2+ href, 2+ ETag: a 16-bit length (at most 4,096) and the bytes
//          8  mtime in nanoseconds (signed)
//          8  file hash
//   8  FNV-1a hash of every byte before it
inline constexpr const char* kIdentityMagic = "KVSYNCI1";
inline constexpr size_t kIdentityTextMax = 4096;

using SideIdentities = std::array<IdentityMap, 2>;

[[nodiscard]] std::vector<uint8_t> EncodeIdentities(const SideIdentities& maps);
// A failure with the reason for anything EncodeIdentities cannot have
// written, including texts over the limit.
Result<SideIdentities> DecodeIdentities(std::span<const uint8_t> image);

}  // namespace kivo

#endif  // KIVO_SYNC_IDENTITY_MAP_H_
