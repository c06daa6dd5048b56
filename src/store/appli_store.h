#ifndef KIVO_STORE_APPLI_STORE_H_
#define KIVO_STORE_APPLI_STORE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/appli_id.h"
#include "store/char_tables.h"
#include "store/result_code.h"

namespace kivo {

// The expense category list a store starts with, in index order.
inline constexpr std::array<std::string_view, 8> kDefaultCategoryNames{
    "Meals", "Hotel", "Car", "Phone", "Fares", "Enter't", "Tips", "Misc"};

// The records of all organizer applications in memory, one slot per
// application, each record held as the organizer's own byte string (with its
// 0xFF terminator) and its text part in the PC's coding.
//
// Slots are taken lowest-free-first and given back only all together, so the
// present applications fill slots 0 .. GetAppliCount()-1. Operations return 0
// or a count on success and one of the kStore* codes of result_code.h on
// failure; none of them talks to the user. Not thread-safe: a store belongs to
// one thread at a time.
//
// Memory: each slot keeps its records back to back in one byte vector plus one
// end offset per record, so a loaded store costs about the size of its backup
// file.
class AppliStore {
 public:
  // Converts texts with `tables` (code.dat of the program's Tables).
  explicit AppliStore(const CodeTables& tables);

  AppliStore(const AppliStore&) = delete;
  AppliStore& operator=(const AppliStore&) = delete;

  // Header.
  const std::array<char, 6>& magic() const { return magic_; }
  void set_magic(const std::array<char, 6>& magic) { magic_ = magic; }
  std::array<uint8_t, 2> device_code() const { return device_code_; }
  void SetDeviceCode(uint8_t high, uint8_t low) { device_code_ = {high, low}; }
  const CodeTables& code_tables() const { return tables_; }

  int GetAppliCount() const { return appli_count_; }
  void SetAppliCount(int count) { appli_count_ = static_cast<uint8_t>(count); }
  int slot_count() const { return static_cast<int>(slots_.size()); }
  bool has_slot_area() const { return has_area_; }

  // Slot area.
  [[nodiscard]] StoreResult GetAppliBuf(int slots);  // 0 / kStoreInvalid
  void FreeAppliBuf();
  void ClearAllAppli();
  void FreeAllRecords();

  // Lookups: a slot, count or size, or a (negative) StoreResult.
  [[nodiscard]] int FindAppli(AppliId id) const;         // slot / kStoreNotFound / kStoreInvalid
  [[nodiscard]] int FindFreeSlot() const;                // slot / kStoreNoSlot
  [[nodiscard]] int GetRecordCount(AppliId id) const;    // count / kStoreAbsent
  [[nodiscard]] int GetAppliDataSize(AppliId id) const;  // bytes / kStoreAbsent / kStoreInvalid
  bool IsPresent(AppliId id) const { return FindAppli(id) >= 0; }

  // The application's records back to back, each with its terminator, text in
  // the organizer's coding. *used receives the bytes written. 0 / kStoreRefused.
  [[nodiscard]] StoreResult GetAppliData(AppliId id, std::span<uint8_t> buffer, size_t* used) const;
  // Appends the 0xFF-terminated records of data (organizer coding) to the
  // application, creating it when absent; the category list is replaced.
  // Bytes after the last terminator are ignored. kStoreRefused for no data,
  // no slot area, id 255, no free slot, or a total of 0 or above 65,535
  // records; kStoreInvalid for a record of 1,024 bytes or more before its
  // terminator. A refused call changes nothing.
  [[nodiscard]] StoreResult AddAppliData(AppliId id, std::span<const uint8_t> data);

  // Empties one application (or all, with kAllAppli, which returns 255) and
  // leaves it present. The slot, 255 for all, or a (negative) StoreResult.
  int ResetAppli(AppliId id);
  // Creates each absent application named by the mask bits (EnsureMaskBit) and,
  // with category set, the category list with the default names.
  [[nodiscard]] StoreResult EnsureAppli(uint8_t mask, bool category);
  void EnsureAllAppli();
  // A store for the one application on screen (Expense brings the category
  // list slot along). Loaded flags stay clear and the application count 0.
  int InitAppliBuf(AppliId id);

  // Loads one backup-file block (id, count high, count low, records in the
  // organizer's coding) at data[pos] into slot `slot`, replacing what the slot
  // held, and marks it loaded: bytes consumed, or kStoreLoadError (slot
  // unchanged) without slot area, for a slot outside it, a block id of 255, a
  // record without terminator within 1,024 bytes, or a block that runs past
  // the end of data. The application count is left to the caller.
  [[nodiscard]] int LoadBlock(std::span<const uint8_t> data, size_t pos, int slot);

  // Slot access for the file writers and tests. A slot index outside the
  // area reads as a free slot (id 255, not loaded, no records).
  AppliId slot_id(int slot) const { return HasSlot(slot) ? slots_[slot].id : kAllAppli; }
  bool slot_loaded(int slot) const { return HasSlot(slot) && slots_[slot].loaded; }
  int slot_record_count(int slot) const { return HasSlot(slot) ? slots_[slot].count() : 0; }
  // Record `index` of the slot with its terminator, PC coding; empty for an
  // empty reference.
  std::span<const uint8_t> SlotRecord(int slot, int index) const;
  // The same by application; empty when absent or out of range.
  std::span<const uint8_t> Record(AppliId id, int index) const;

  // Container side of every record put: appends `record` (PC coding, with its
  // terminator) as record `index` of the application, which must equal the
  // record count. Creates the application (and the category list) when absent.
  // Only the bytes up to the first terminator are taken. 0 / kStoreRefused
  // (no terminator within 1,024 bytes, another index, 65,535 records already,
  // id 255 or an id that cannot be created).
  [[nodiscard]] StoreResult PutRecord(AppliId id, int index, std::span<const uint8_t> record);
  // Replaces the category list's only record. 0 / kStoreRefused when absent.
  [[nodiscard]] StoreResult SetCategoryRecord(std::span<const uint8_t> record);

  // Duplicate check after reading a file: kStoreDuplicate or 0.
  [[nodiscard]] StoreResult CheckDuplicates() const;

 private:
  struct Slot {
    AppliId id = kAllAppli;
    bool loaded = false;
    std::vector<uint8_t> bytes;  // records back to back, terminators included
    std::vector<uint32_t> ends;  // end offset of each record in bytes
    int count() const { return static_cast<int>(ends.size()); }
    void Clear() {
      bytes.clear();
      bytes.shrink_to_fit();
      ends.clear();
      ends.shrink_to_fit();
    }
    std::span<const uint8_t> record(int index) const;
    void Append(std::span<const uint8_t> record);
  };

  bool HasSlot(int slot) const { return slot >= 0 && slot < slot_count(); }

  // Takes the lowest free slot for an absent application, present and empty,
  // and counts it; the slot index or kStoreNoSlot.
  int TakeFreeSlot(AppliId id);

  std::array<char, 6> magic_{'I', 'M', '2', 'B', 'K', '1'};
  std::array<uint8_t, 2> device_code_{2, 0};
  uint8_t appli_count_ = 0;
  bool has_area_ = false;
  std::vector<Slot> slots_;
  CodeTables tables_;

  friend void CopyAppliStore(AppliStore& destination, const AppliStore& source);
};

// Header and every record of source into destination. Each of the six
// applications of the destination is emptied first (and created when absent),
// a destination without slot area gets 7 slots, the category list is copied
// (the default names when the source has none), and the destination's
// application count becomes the number of slots it has in use.
void CopyAppliStore(AppliStore& destination, const AppliStore& source);

// Length of a record: index of the first 0xFF among its first kRecordMax
// bytes, or -1 when there is none.
int RecordLength(std::span<const uint8_t> bytes);

}  // namespace kivo

#endif  // KIVO_STORE_APPLI_STORE_H_
