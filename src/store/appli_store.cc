#include "store/appli_store.h"

#include <algorithm>
#include <cstring>

#include "platform/link_defaults.h"

namespace kivo {

namespace {

// The category list record with the default names: each name with its NUL,
// back to back, then the terminator.
std::vector<uint8_t> DefaultCategoryRecord() {
  std::vector<uint8_t> record;
  for (std::string_view name : kDefaultCategoryNames) {
    record.insert(record.end(), name.begin(), name.end());
    record.push_back(0);
  }
  record.push_back(kTerminator);
  return record;
}

// Records of a record list buffer: the bytes up to each 0xFF. Bytes after the
// last terminator are not a record and are left out.
struct RecordSpans {
  std::vector<std::span<const uint8_t>> records;  // each with its terminator
  bool too_long = false;                          // a record runs past kRecordMax
};

RecordSpans SplitRecords(std::span<const uint8_t> data) {
  RecordSpans out;
  size_t pos = 0;
  while (pos < data.size()) {
    auto begin = data.begin() + static_cast<std::ptrdiff_t>(pos);
    auto it = std::find(begin, data.end(), kTerminator);
    if (it == data.end()) break;
    size_t length = static_cast<size_t>(it - begin);
    if (length >= static_cast<size_t>(kRecordMax)) out.too_long = true;
    out.records.push_back(data.subspan(pos, length + 1));
    pos += length + 1;
  }
  return out;
}

}  // namespace

int RecordLength(std::span<const uint8_t> bytes) {
  size_t limit = std::min(bytes.size(), static_cast<size_t>(kRecordMax));
  if (limit == 0) return -1;
  const void* end = std::memchr(bytes.data(), kTerminator, limit);
  return end == nullptr ? -1 : static_cast<int>(static_cast<const uint8_t*>(end) - bytes.data());
}

std::span<const uint8_t> AppliStore::Slot::record(int index) const {
  if (index < 0 || index >= count()) return {};
  size_t begin = index == 0 ? 0 : ends[static_cast<size_t>(index) - 1];
  size_t end = ends[static_cast<size_t>(index)];
  if (end <= begin) return {};
  return std::span<const uint8_t>(bytes).subspan(begin, end - begin);
}

void AppliStore::Slot::Append(std::span<const uint8_t> record) {
  bytes.insert(bytes.end(), record.begin(), record.end());
  ends.push_back(static_cast<uint32_t>(bytes.size()));
}

AppliStore::AppliStore(const CodeTables& tables) : tables_(tables) {}

StoreResult AppliStore::GetAppliBuf(int slots) {
  // The application count is one byte, so more slots could never be counted.
  if (slots <= 0 || slots > 255) return kStoreInvalid;
  FreeAppliBuf();
  slots_.resize(static_cast<size_t>(slots));
  has_area_ = true;
  appli_count_ = 0;
  ClearAllAppli();
  return kStoreOk;
}

void AppliStore::FreeAppliBuf() {
  slots_.clear();
  slots_.shrink_to_fit();
  has_area_ = false;
  // Without slots no application can be present; a stale count would send the
  // file writers past the end of the slot area.
  appli_count_ = 0;
}

void AppliStore::ClearAllAppli() {
  for (Slot& slot : slots_) {
    slot.Clear();
    slot.id = kAllAppli;
    slot.loaded = false;
  }
  appli_count_ = 0;
}

void AppliStore::FreeAllRecords() {
  // Counts stay; every reference becomes empty.
  for (Slot& slot : slots_) {
    size_t count = slot.ends.size();
    slot.bytes.clear();
    slot.bytes.shrink_to_fit();
    slot.ends.assign(count, 0);
  }
}

int AppliStore::FindAppli(AppliId id) const {
  if (!has_area_) return kStoreInvalid;
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].id == id) return static_cast<int>(i);
  }
  return kStoreNotFound;
}

int AppliStore::FindFreeSlot() const {
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i].loaded) return static_cast<int>(i);
  }
  return kStoreNoSlot;
}

int AppliStore::TakeFreeSlot(AppliId id) {
  int index = FindFreeSlot();
  if (index < 0) return index;
  Slot& slot = slots_[static_cast<size_t>(index)];
  slot.Clear();
  slot.id = id;
  slot.loaded = true;
  ++appli_count_;
  return index;
}

int AppliStore::GetRecordCount(AppliId id) const {
  int index = FindAppli(id);
  if (index < 0) return kStoreAbsent;
  return slots_[static_cast<size_t>(index)].count();
}

int AppliStore::GetAppliDataSize(AppliId id) const {
  if (!has_area_) return kStoreInvalid;
  int index = FindAppli(id);
  if (index < 0) return kStoreAbsent;
  const Slot& slot = slots_[static_cast<size_t>(index)];
  // One byte per record more than GetAppliData needs: callers use it both as
  // buffer size and as disk-space estimate.
  size_t total = 0;
  for (int i = 0; i < slot.count(); ++i) total += slot.record(i).size() + 1;
  return static_cast<int>(total);
}

StoreResult AppliStore::GetAppliData(AppliId id, std::span<uint8_t> buffer, size_t* used) const {
  int index = FindAppli(id);
  if (index < 0 || buffer.empty() || used == nullptr) return kStoreRefused;
  const Slot& slot = slots_[static_cast<size_t>(index)];
  if (buffer.size() < static_cast<size_t>(slot.count())) return kStoreRefused;
  size_t total = 0;
  for (int i = 0; i < slot.count(); ++i) total += slot.record(i).size();
  if (total > buffer.size()) return kStoreRefused;
  size_t pos = 0;
  for (int i = 0; i < slot.count(); ++i) {
    std::span<const uint8_t> record = slot.record(i);  // an empty reference adds nothing
    std::copy(record.begin(), record.end(), buffer.begin() + static_cast<std::ptrdiff_t>(pos));
    ToOrganizerCoding(id, buffer.subspan(pos, record.size()), tables_);
    pos += record.size();
  }
  *used = total;
  return kStoreOk;
}

StoreResult AppliStore::AddAppliData(AppliId id, std::span<const uint8_t> data) {
  // 255 names free slots, never an application.
  if (data.empty() || !has_area_ || id == kAllAppli) return kStoreRefused;
  // Everything is checked before the store changes, so a refused call leaves it
  // as it was.
  RecordSpans split = SplitRecords(data);
  if (split.too_long) return kStoreInvalid;
  size_t n = split.records.size();
  int index = FindAppli(id);
  // The category list received replaces the previous one.
  bool replaces = id == kCategoryList;
  if (index >= 0 || replaces) {
    size_t have = (index >= 0 && !replaces) ? static_cast<size_t>(slots_[index].count()) : 0;
    if (have + n == 0 || have + n > static_cast<size_t>(kMaxRecords)) return kStoreRefused;
  } else if (n > static_cast<size_t>(kMaxRecords)) {
    return kStoreRefused;
  }
  if (index < 0 && FindFreeSlot() < 0) return kStoreRefused;

  if (replaces) {
    // Cannot fail: the list is present or a free slot was checked above.
    (void)ResetAppli(kCategoryList);
    index = FindAppli(kCategoryList);
  } else if (index < 0) {
    index = TakeFreeSlot(id);
  }
  Slot& slot = slots_[static_cast<size_t>(index)];
  slot.id = id;
  for (std::span<const uint8_t> record : split.records) {
    slot.Append(record);
    std::span<uint8_t> stored(slot.bytes.data() + slot.bytes.size() - record.size(), record.size());
    ToPcCoding(id, stored, tables_);
  }
  slot.loaded = true;
  return kStoreOk;
}

int AppliStore::ResetAppli(AppliId id) {
  if (id == kAllAppli) {
    // This order puts the ids into slots 0..6 of a cleared store as the
    // organizer's own backup lists them.
    for (AppliId each :
         {kSchedule, kAnniversary, kToDo, kExpense, kCategoryList, kTelephone, kMemo}) {
      // Seven ids over a cleared area of 7 slots: each finds its slot.
      (void)ResetAppli(each);
    }
    return kAllAppli;
  }
  int index = FindAppli(id);
  if (index < 0) {
    index = TakeFreeSlot(id);
    if (index < 0) return kStoreNotFound;
  }
  Slot& slot = slots_[static_cast<size_t>(index)];
  slot.Clear();
  slot.id = id;
  slot.loaded = true;
  return kStoreOk;
}

StoreResult AppliStore::EnsureAppli(uint8_t mask, bool category) {
  for (AppliId id = kSchedule; id <= kTelephone; ++id) {
    if ((mask & EnsureMaskBit(id)) == 0 || IsPresent(id)) continue;
    // Each application is counted as it is created, so a failure part way
    // leaves the count matching the slots in use.
    if (TakeFreeSlot(id) < 0) return kStoreInvalid;
  }
  if (category && !IsPresent(kCategoryList)) {
    int index = TakeFreeSlot(kCategoryList);
    if (index < 0) return kStoreInvalid;
    slots_[static_cast<size_t>(index)].Append(DefaultCategoryRecord());
  }
  return kStoreOk;
}

// Callers that must know use EnsureAppli; without free slots what is missing
// stays missing.
void AppliStore::EnsureAllAppli() { (void)EnsureAppli(kAllAppliMask, true); }

int AppliStore::InitAppliBuf(AppliId id) {
  // 1..255 slots are never refused.
  (void)GetAppliBuf(id == kExpense ? 2 : 1);
  slots_[0].id = id;
  if (id == kExpense) slots_[1].id = kCategoryList;
  return kStoreOk;
}

int AppliStore::LoadBlock(std::span<const uint8_t> data, size_t pos, int slot) {
  if (!has_area_ || slot < 0 || slot >= slot_count()) return kStoreLoadError;
  if (pos > data.size() || data.size() - pos < 3) return kStoreLoadError;
  AppliId id = data[pos];
  // Only the applications the store has slots for: a block named 255 would make
  // a loaded slot that looks free to FindAppli, and one of 7 to 254 would take
  // the slot of an application the store then lacks.
  if (id > kCategoryList) return kStoreLoadError;
  int count = (data[pos + 1] << 8) | data[pos + 2];
  // Loaded aside first: a block cut short leaves the slot as it was. The
  // records are found first, then taken over in one copy: appending them one
  // by one regrew the vector all the way up to a slot's 64 MiB.
  Slot loaded;
  loaded.id = id;
  loaded.ends.reserve(static_cast<size_t>(count));
  const size_t first = pos + 3;
  size_t p = first;
  for (int i = 0; i < count; ++i) {
    int length = RecordLength(data.subspan(p));
    if (length < 0) return kStoreLoadError;
    p += static_cast<size_t>(length) + 1;
    loaded.ends.push_back(static_cast<uint32_t>(p - first));
  }
  loaded.bytes.assign(data.begin() + static_cast<std::ptrdiff_t>(first),
                      data.begin() + static_cast<std::ptrdiff_t>(p));
  uint32_t begin = 0;
  for (uint32_t end : loaded.ends) {
    ToPcCoding(id, std::span<uint8_t>(loaded.bytes.data() + begin, end - begin), tables_);
    begin = end;
  }
  loaded.loaded = true;
  slots_[static_cast<size_t>(slot)] = std::move(loaded);
  return static_cast<int>(p - pos);
}

std::span<const uint8_t> AppliStore::SlotRecord(int slot, int index) const {
  if (slot < 0 || slot >= slot_count()) return {};
  return slots_[static_cast<size_t>(slot)].record(index);
}

std::span<const uint8_t> AppliStore::Record(AppliId id, int index) const {
  return SlotRecord(FindAppli(id), index);
}

StoreResult AppliStore::PutRecord(AppliId id, int index, std::span<const uint8_t> record) {
  if (id == kAllAppli) return kStoreRefused;
  int length = RecordLength(record);
  if (length < 0) return kStoreRefused;
  int slot_index = FindAppli(id);
  if (slot_index < 0) {
    if (EnsureAppli(EnsureMaskBit(id), true) != kStoreOk) return kStoreRefused;
    slot_index = FindAppli(id);
    if (slot_index < 0) return kStoreRefused;
  }
  Slot& slot = slots_[static_cast<size_t>(slot_index)];
  // Records go in index order: a put anywhere else would leave a hole or
  // overwrite a record, and the count must not wrap past the limit.
  if (index != slot.count() || slot.count() >= kMaxRecords) return kStoreRefused;
  slot.Append(record.first(static_cast<size_t>(length) + 1));
  slot.loaded = true;
  return kStoreOk;
}

StoreResult AppliStore::SetCategoryRecord(std::span<const uint8_t> record) {
  int index = FindAppli(kCategoryList);
  if (index < 0) return kStoreRefused;
  int length = RecordLength(record);
  if (length < 0) return kStoreRefused;
  Slot& slot = slots_[static_cast<size_t>(index)];
  slot.Clear();
  slot.id = kCategoryList;
  slot.Append(record.first(static_cast<size_t>(length) + 1));
  slot.loaded = true;
  return kStoreOk;
}

StoreResult AppliStore::CheckDuplicates() const {
  for (size_t i = 0; i < slots_.size(); ++i) {
    for (size_t j = i + 1; j < slots_.size(); ++j) {
      if (slots_[j].loaded && slots_[j].id == slots_[i].id) return kStoreDuplicate;
    }
  }
  return kStoreOk;
}

void CopyAppliStore(AppliStore& destination, const AppliStore& source) {
  if (&destination == &source) return;
  destination.magic_ = source.magic_;
  destination.device_code_ = source.device_code_;
  // 1..255 slots are never refused.
  if (!destination.has_area_) (void)destination.GetAppliBuf(kStoreSlots);
  // Each application is emptied before its records are put, so a destination
  // that still held records becomes a copy rather than a mixture.
  for (AppliId id : {kSchedule, kToDo, kAnniversary, kTelephone, kMemo, kExpense}) {
    // A destination with fewer slots takes what fits; records of a present
    // application come from a valid store and are always taken.
    (void)destination.ResetAppli(id);
    int count = source.GetRecordCount(id);
    for (int i = 0; i < count; ++i) {
      std::span<const uint8_t> record = source.Record(id, i);
      if (record.empty()) continue;
      (void)destination.PutRecord(id, destination.GetRecordCount(id), record);
    }
  }
  // Without a slot for the category list its names have nowhere to go.
  (void)destination.EnsureAppli(0, true);
  std::span<const uint8_t> names = source.Record(kCategoryList, 0);
  if (names.empty()) {
    (void)destination.SetCategoryRecord(DefaultCategoryRecord());
  } else {
    (void)destination.SetCategoryRecord(names);
  }
  // The count follows the slots actually in use, so the file writers see every
  // application copied.
  int present = 0;
  for (const auto& slot : destination.slots_) present += slot.loaded ? 1 : 0;
  destination.appli_count_ = static_cast<uint8_t>(present);
}

}  // namespace kivo
