#include "sync/organizer_form.h"

#include <algorithm>

#include "store/record_codec.h"

namespace kivo {

namespace {

// The texts of an application after its header, and the capacity of text i.
int TextCount(AppliId id) {
  if (id == kTelephone) return kTelephoneTextCount;
  if (id == kCategoryList) return kCategoryCount;
  return 1;
}

size_t Capacity(AppliId id, int i) {
  if (id == kTelephone) return kTelephoneCapacity[static_cast<size_t>(i)];
  if (id == kCategoryList) return kCategoryNameCapacity;
  return kTextCapacity;
}

// The record up to its first terminator.
size_t BodySize(std::span<const uint8_t> record) {
  return static_cast<size_t>(std::find(record.begin(), record.end(), kTerminator) - record.begin());
}

bool KnownLayout(AppliId id, size_t body_size) {
  return id <= kCategoryList && body_size >= static_cast<size_t>(TextOffset(id));
}

}  // namespace

OrganizerForm::OrganizerForm(const CodeTables& tables) {
  // One trip of each byte to the organizer and back.
  std::array<uint8_t, 256> trip{};
  for (int b = 0; b < 256; ++b) {
    uint8_t byte = static_cast<uint8_t>(b);
    if (byte != 0 && byte != kTerminator) {
      ToOrganizerCoding(kMemo, std::span(&byte, 1), tables);
      ToPcCoding(kMemo, std::span(&byte, 1), tables);
    }
    trip[static_cast<size_t>(b)] = byte;
  }
  for (int b = 0; b < 256; ++b) {
    std::array<bool, 256> seen{};
    uint8_t x = static_cast<uint8_t>(b);
    while (trip[x] != x && !seen[x]) {
      seen[x] = true;
      x = trip[x];
    }
    if (trip[x] != x) {  // a circle through x
      uint8_t least = x;
      for (uint8_t y = trip[x]; y != x; y = trip[y]) least = std::min(least, y);
      x = least;
    }
    text_byte_[static_cast<size_t>(b)] = x;
  }
}

bool OrganizerForm::InForm(AppliId id, std::span<const uint8_t> record) const {
  const uint8_t* const begin = record.data();
  const uint8_t* const end = begin + record.size();
  const uint8_t* const body = std::find(begin, end, kTerminator);
  if (!KnownLayout(id, static_cast<size_t>(body - begin))) return true;
  if (body + 1 != end) return false;  // no terminator, or bytes after it
  const uint8_t* p = begin + TextOffset(id);
  const int count = TextCount(id);
  for (int i = 0; i < count; ++i) {
    const uint8_t* const text = p;
    // Every text byte is its own form but the NUL (0 -> 0) and the
    // terminator, which is not in the body: the scan stops at the NUL.
    while (p < body && text_byte_[*p] == *p && *p != 0) ++p;
    if (p == body || *p != 0 || static_cast<size_t>(p - text) > Capacity(id, i)) return false;
    ++p;  // the NUL
  }
  return p == body;
}

Record OrganizerForm::Of(AppliId id, std::span<const uint8_t> record) const {
  const size_t body = BodySize(record);
  if (!KnownLayout(id, body)) return Record(record.begin(), record.end());
  const size_t offset = static_cast<size_t>(TextOffset(id));
  Record out(record.begin(), record.begin() + static_cast<ptrdiff_t>(offset));
  out.reserve(body + 16);
  size_t pos = offset;
  const int count = TextCount(id);
  for (int i = 0; i < count; ++i) {
    const size_t begin = pos;
    while (pos < body && record[pos] != 0) ++pos;
    const size_t keep = std::min(pos - begin, Capacity(id, i));
    for (size_t k = begin; k < begin + keep; ++k) out.push_back(text_byte_[record[k]]);
    out.push_back(0);
    if (pos < body) ++pos;
  }
  out.push_back(kTerminator);
  return out;
}

bool OrganizerForm::Canonicalize(AppliId id, Record& record) const {
  if (InForm(id, record)) return false;
  record = Of(id, record);
  return true;
}

void OrganizerForm::Canonicalize(RecordSet& set) const {
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    for (Record& record : set.appli[id]) Canonicalize(id, record);
  }
}

Record CanonicalRecord(AppliId id, std::span<const uint8_t> record, const CodeTables& tables) {
  return OrganizerForm(tables).Of(id, record);
}

void Canonicalize(RecordSet& set, const CodeTables& tables) {
  OrganizerForm(tables).Canonicalize(set);
}

}  // namespace kivo
