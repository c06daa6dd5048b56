#include "sync/identity_map.h"

#include <string_view>
#include <unordered_map>

#include "sync/byte_coding.h"

namespace kivo {

const IdentityEntry* IdentityMap::Find(const IdentityKey& key) const {
  for (const IdentityEntry& entry : entries) {
    if (entry.key == key) return &entry;
  }
  return nullptr;
}

std::vector<IdentityKey> IdentityKeys(AppliId id, const Records& records) {
  std::vector<IdentityKey> keys;
  keys.reserve(records.size());
  std::unordered_map<std::string_view, uint32_t> seen;
  for (const Record& record : records) {
    const std::string_view view(reinterpret_cast<const char*>(record.data()), record.size());
    keys.push_back({id, HashBytes(record), seen[view]++});
  }
  return keys;
}

std::vector<uint8_t> EncodeIdentities(const SideIdentities& maps) {
  ByteWriter out;
  out.Raw(kIdentityMagic);
  for (const IdentityMap& map : maps) {
    out.U32(static_cast<uint32_t>(map.entries.size()));
    for (const IdentityEntry& entry : map.entries) {
      out.U8(entry.key.id);
      out.U64(entry.key.record_hash);
      out.U32(entry.key.occurrence);
      out.Text(entry.uid);
      out.Text(entry.href);
      out.Text(entry.etag);
      out.U64(static_cast<uint64_t>(entry.mtime_ns));
      out.U64(entry.file_hash);
    }
  }
  return out.Finish();
}

Result<SideIdentities> DecodeIdentities(std::span<const uint8_t> image) {
  ByteReader in(image);
  SideIdentities maps;
  (void)in.Expect(kIdentityMagic, "an identity map");
  for (IdentityMap& map : maps) {
    uint32_t count = 0;
    if (!in.U32(&count)) break;
    // Each entry takes at least 35 bytes: a larger count is a lie, and
    // believing it would reserve memory for nothing.
    if (count > image.size() / 35) {
      (void)in.Fail(std::to_string(count) + " entries");
      break;
    }
    for (uint32_t i = 0; in.ok() && i < count; ++i) {
      IdentityEntry entry;
      uint64_t mtime = 0;
      if (in.U8(&entry.key.id) && entry.key.id >= kSyncAppliCount) {
        (void)in.Fail("unknown application " + std::to_string(entry.key.id));
      }
      if (in.U64(&entry.key.record_hash) && in.U32(&entry.key.occurrence) &&
          in.Text(kIdentityTextMax, &entry.uid) && in.Text(kIdentityTextMax, &entry.href) &&
          in.Text(kIdentityTextMax, &entry.etag) && in.U64(&mtime) && in.U64(&entry.file_hash)) {
        entry.mtime_ns = static_cast<int64_t>(mtime);
        map.entries.push_back(std::move(entry));
      }
    }
  }
  if (!in.AtEnd()) return Failure{in.reason()};
  return maps;
}

}  // namespace kivo
