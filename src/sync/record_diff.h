#ifndef KIVO_SYNC_RECORD_DIFF_H_
#define KIVO_SYNC_RECORD_DIFF_H_

#include <span>
#include <vector>

#include "store/appli_id.h"
#include "sync/sync_types.h"

namespace kivo {

// A record replaced by another of the same key (sync_key.h).
struct RecordEdit {
  Record before;
  Record after;
  bool operator==(const RecordEdit&) const = default;
};

// What one side of one application must do to reach a target: records to add,
// records to remove, and edits, each an old record and its new version, so
// that a collection endpoint can patch the item that holds the old one.
struct SideChanges {
  Records added;
  Records removed;
  std::vector<RecordEdit> changed;

  bool empty() const { return added.empty() && removed.empty() && changed.empty(); }
};

// The records of `from` that `to` does not hold, taken as multisets (a record
// twice in `from` and once in `to` is in the result once), in `from`'s order.
// The pointers point into `from`.
[[nodiscard]] std::vector<const Record*> Surplus(const Records& from, const Records& to);

// Removals and additions of one side paired into edits: an addition takes the
// first removal of its key that is still unpaired. Removals are visited in the
// order given, additions too, so the pairing is the same on every run.
struct Pairing {
  std::vector<std::pair<size_t, size_t>> edits;  // (index into removed, index into added)
  std::vector<size_t> removed_alone;
  std::vector<size_t> added_alone;
};
[[nodiscard]] Pairing PairByKey(AppliId id, std::span<const Record* const> removed,
                                std::span<const Record* const> added);

// Removals and additions of one side (pointers into records that outlive the
// call) as changes, edits paired by key, then what is left as one entry
// changed in its key (EntryMarks in sync_key.h).
[[nodiscard]] SideChanges ChangesOf(AppliId id, std::span<const Record* const> removed,
                                    std::span<const Record* const> added);

// The changes that turn `current` into `target` (as multisets), edits paired
// as ChangesOf pairs them.
[[nodiscard]] SideChanges DiffRecords(AppliId id, const Records& current, const Records& target);

// `current` with `changes` made: each removed record taken out, each edited
// record replaced where it stands by its new version, additions appended. A
// change naming a record `current` does not hold is skipped, so the result is
// the target of DiffRecords whenever the changes came from it.
[[nodiscard]] Records ApplyChanges(const Records& current, const SideChanges& changes);

}  // namespace kivo

#endif  // KIVO_SYNC_RECORD_DIFF_H_
