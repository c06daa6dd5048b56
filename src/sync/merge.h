#ifndef KIVO_SYNC_MERGE_H_
#define KIVO_SYNC_MERGE_H_

#include <array>
#include <vector>

#include "store/appli_id.h"
#include "sync/record_diff.h"
#include "sync/sync_types.h"

namespace kivo {

// The three-way merge of one application: the base (both sides' records at the
// last sync; empty at the first) and each side now. Records are compared by
// their bytes as multisets: two identical memos are two records.
//
// Per distinct record, with b, l and r its counts in the base, left and right:
//   - a side that did not change it (l == b) takes the other side's count, so
//     an addition goes across and a removal is applied where the other side
//     still holds the record unchanged;
//   - both sides added copies: the shared part is kept once (b + the larger
//     addition), both removed: b - the larger removal;
//   - one added, the other removed: both happen (l + r - b).
// An edit is a removal and an addition of the same key on one side (PairByKey).
// So a record removed on one side and edited on the other keeps the edit (the
// old version is gone from both, the new one comes across), and two different
// edits of one record keep both versions; those are the conflicts, named with
// their records. With a policy for a side, that side's version alone is kept
// and the other's new version is dropped (never one the winning side holds).
//
// Identical copies are interchangeable: when both sides remove (or edit) one
// copy of a record held twice, they are taken to have touched the same copy,
// which keeps the most records.
//
// With no base (`first`: the first sync of a pair, or of an application empty
// at the last one) nothing tells an edit from an addition, so records a side
// added that the other side added with the same key (sync_key.h) and other
// contents are conflicts, paired in the order of the lists: both kept, or the
// policy's side's alone. Records equal on both sides are one record as ever.
//
// The category list (AppliId 6) merges as a whole: a side that changed it
// gives it; both changed differently gives the left side's (the organizer's)
// whatever the policy, as a conflict. A side without the list has no say.
enum class ConflictPolicy : uint8_t { kKeepBoth, kLeft, kRight };

enum class ConflictKind : uint8_t {
  kBothChanged,        // two different edits of one record
  kRemovedAndChanged,  // removed on one side, edited on the other: the edit is kept
  kCategoryList,       // both sides changed the names differently
  kBothAdded,          // with no base, one key added on both sides with other contents
};

struct ConflictVersion {
  Side side;  // where this version was made
  Record record;
  bool kept = true;
  bool operator==(const ConflictVersion&) const = default;
};

struct Conflict {
  ConflictKind kind = ConflictKind::kBothChanged;
  Record base;  // the record as both sides held it at the last sync (none: empty)
  std::vector<ConflictVersion> versions;
  bool operator==(const Conflict&) const = default;
};

struct AppliMerge {
  AppliId id = 0;
  // The result: the left side's records in their order, then the right
  // side's additions in theirs.
  Records merged;
  // What each side (SideIndex) must do to hold `merged`.
  std::array<SideChanges, 2> changes;
  std::vector<Conflict> conflicts;

  const SideChanges& on(Side side) const { return changes[SideIndex(side)]; }
};

[[nodiscard]] AppliMerge MergeAppli(AppliId id, const Records& base, const Records& left,
                                    const Records& right, ConflictPolicy policy,
                                    bool first = false);

}  // namespace kivo

#endif  // KIVO_SYNC_MERGE_H_
