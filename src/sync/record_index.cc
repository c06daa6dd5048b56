#include "sync/record_index.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <string_view>

namespace kivo {

namespace {

std::string_view View(const Record& record) {
  return std::string_view(reinterpret_cast<const char*>(record.data()), record.size());
}

uint64_t Hash(const Record& record) { return std::hash<std::string_view>()(View(record)); }

}  // namespace

RecordIndex::RecordIndex(size_t expected) {
  // At most half full, so probes stay short.
  const size_t capacity = std::bit_ceil(std::max<size_t>(16, expected * 2));
  slots_.resize(capacity);
  mask_ = capacity - 1;
  records_.reserve(expected);
}

size_t RecordIndex::Probe(const Record& record, uint64_t hash) const {
  size_t at = static_cast<size_t>(hash) & mask_;
  while (true) {
    const Slot& slot = slots_[at];
    if (slot.number == kNone) return at;
    if (slot.hash == hash && *records_[slot.number] == record) return at;
    at = (at + 1) & mask_;
  }
}

void RecordIndex::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.size() * 2, Slot());
  mask_ = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.number == kNone) continue;
    size_t at = static_cast<size_t>(slot.hash) & mask_;
    while (slots_[at].number != kNone) at = (at + 1) & mask_;
    slots_[at] = slot;
  }
}

uint32_t RecordIndex::Add(const Record& record) {
  if ((records_.size() + 1) * 2 > slots_.size()) Grow();
  const uint64_t hash = Hash(record);
  Slot& slot = slots_[Probe(record, hash)];
  if (slot.number == kNone) {
    slot = {hash, static_cast<uint32_t>(records_.size())};
    records_.push_back(&record);
  }
  return slot.number;
}

uint32_t RecordIndex::Find(const Record& record) const {
  return slots_[Probe(record, Hash(record))].number;
}

std::vector<uint32_t> RecordIndex::AddAll(const Records& records) {
  std::vector<uint32_t> numbers;
  numbers.reserve(records.size());
  for (const Record& record : records) numbers.push_back(Add(record));
  return numbers;
}

}  // namespace kivo
