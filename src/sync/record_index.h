#ifndef KIVO_SYNC_RECORD_INDEX_H_
#define KIVO_SYNC_RECORD_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sync/sync_types.h"

namespace kivo {

// Numbers the distinct records of some record lists 0, 1, 2, ..., so that the
// merge counts and walks them as plain arrays: each record's bytes are hashed
// and compared once, when it is numbered, and never again. An open-addressed
// table of hashes and numbers; it keeps pointers to the records, which must
// outlive it. The hash lives only in memory (it is not stable across
// builds); nothing here is written to disk.
class RecordIndex {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  // Room for `expected` distinct records before the table grows.
  explicit RecordIndex(size_t expected);

  // The number of the record, numbering it when it is new.
  uint32_t Add(const Record& record);
  // The number of the record, or kNone.
  [[nodiscard]] uint32_t Find(const Record& record) const;
  // The numbers of all records of the list, in its order, numbering new ones.
  [[nodiscard]] std::vector<uint32_t> AddAll(const Records& records);

  size_t size() const { return records_.size(); }
  const Record& record(uint32_t number) const { return *records_[number]; }

 private:
  struct Slot {
    uint64_t hash = 0;
    uint32_t number = kNone;
  };
  [[nodiscard]] size_t Probe(const Record& record, uint64_t hash) const;
  void Grow();

  std::vector<Slot> slots_;
  std::vector<const Record*> records_;
  size_t mask_ = 0;
};

}  // namespace kivo

#endif  // KIVO_SYNC_RECORD_INDEX_H_
