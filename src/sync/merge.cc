#include "sync/merge.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace kivo {

namespace {

std::string_view View(const Record& record) {
  return std::string_view(reinterpret_cast<const char*>(record.data()), record.size());
}

// Counts of one distinct record in the base and on each side, its count in
// the result, and what the result walk has used of it.
struct Tally {
  int base = 0;
  int left = 0;
  int right = 0;
  int result = 0;
  int drop = 0;  // copies of a losing edit to take out again
  int emitted = 0;
  bool judged = false;
};
using TallyMap = std::unordered_map<std::string_view, Tally>;

int MergedCount(const Tally& t) {
  const int dl = t.left - t.base;
  const int dr = t.right - t.base;
  if (dl >= 0 && dr >= 0) return t.base + std::max(dl, dr);
  if (dl <= 0 && dr <= 0) return t.base + std::min(dl, dr);
  return t.base + dl + dr;
}

// For each base record a side edited: its new versions, in pairing order.
using EditMap = std::unordered_map<std::string_view, std::vector<const Record*>>;

EditMap EditsOf(AppliId id, const Records& base, const Records& side) {
  const std::vector<const Record*> removed = Surplus(base, side);
  const std::vector<const Record*> added = Surplus(side, base);
  EditMap edits;
  for (const auto& [i, j] : PairByKey(id, removed, added).edits) {
    edits[View(*removed[i])].push_back(added[j]);
  }
  return edits;
}

const Record* EditAt(const EditMap& edits, std::string_view record, size_t k) {
  auto it = edits.find(record);
  return it != edits.end() && k < it->second.size() ? it->second[k] : nullptr;
}

// Names the conflicts among the copies of `record` both sides took away, and
// marks the losing versions of a policy to be dropped.
void JudgeSharedRemovals(const Record& record, int shared, const EditMap& left_edits,
                         const EditMap& right_edits, ConflictPolicy policy, TallyMap& tallies,
                         std::vector<Conflict>& conflicts) {
  for (int k = 0; k < shared; ++k) {
    const Record* left = EditAt(left_edits, View(record), static_cast<size_t>(k));
    const Record* right = EditAt(right_edits, View(record), static_cast<size_t>(k));
    if (left == nullptr && right == nullptr) continue;                     // removed on both sides
    if (left != nullptr && right != nullptr && *left == *right) continue;  // the same edit
    Conflict conflict;
    conflict.base = record;
    if (left != nullptr && right != nullptr) {
      conflict.kind = ConflictKind::kBothChanged;
      const bool keep_left = policy != ConflictPolicy::kRight;
      const bool keep_right = policy != ConflictPolicy::kLeft;
      conflict.versions.push_back({Side::kLeft, *left, keep_left});
      conflict.versions.push_back({Side::kRight, *right, keep_right});
      if (!keep_left) ++tallies[View(*left)].drop;
      if (!keep_right) ++tallies[View(*right)].drop;
    } else {
      conflict.kind = ConflictKind::kRemovedAndChanged;
      const bool left_edited = left != nullptr;
      conflict.versions.push_back(
          {left_edited ? Side::kLeft : Side::kRight, left_edited ? *left : *right, true});
    }
    conflicts.push_back(std::move(conflict));
  }
}

void Emit(const Records& records, TallyMap& tallies, Records& merged) {
  for (const Record& r : records) {
    Tally& t = tallies[View(r)];
    if (t.emitted < t.result) {
      merged.push_back(r);
      ++t.emitted;
    }
  }
}

AppliMerge MergeCategoryList(const Records& base, const Records& left, const Records& right) {
  AppliMerge merge;
  merge.id = kCategoryList;
  const bool left_changed = !left.empty() && !SameRecords(left, base);
  const bool right_changed = !right.empty() && !SameRecords(right, base);
  if (left_changed) {
    merge.merged = left;
    if (right_changed && !SameRecords(left, right)) {
      Conflict conflict;
      conflict.kind = ConflictKind::kCategoryList;
      if (!base.empty()) conflict.base = base.front();
      conflict.versions.push_back({Side::kLeft, left.front(), true});
      conflict.versions.push_back({Side::kRight, right.front(), false});
      merge.conflicts.push_back(std::move(conflict));
    }
  } else if (right_changed) {
    merge.merged = right;
  } else {
    merge.merged = base;
  }
  return merge;
}

}  // namespace

AppliMerge MergeAppli(AppliId id, const Records& base, const Records& left, const Records& right,
                      ConflictPolicy policy) {
  AppliMerge merge;
  if (id == kCategoryList) {
    merge = MergeCategoryList(base, left, right);
  } else {
    merge.id = id;
    TallyMap tallies;
    tallies.reserve(base.size() + left.size() + right.size());
    for (const Record& r : base) ++tallies[View(r)].base;
    for (const Record& r : left) ++tallies[View(r)].left;
    for (const Record& r : right) ++tallies[View(r)].right;
    for (auto& [record, tally] : tallies) tally.result = MergedCount(tally);

    // Conflicts arise only where both sides took copies of a base record away.
    // Edits are paired only when there is such a record, which is rare.
    bool any_shared = false;
    for (const auto& [record, t] : tallies) {
      if (t.left < t.base && t.right < t.base) any_shared = true;
    }
    if (any_shared) {
      const EditMap left_edits = EditsOf(id, base, left);
      const EditMap right_edits = EditsOf(id, base, right);
      for (const Record& r : base) {
        Tally& t = tallies[View(r)];
        if (t.judged || t.left >= t.base || t.right >= t.base) continue;
        t.judged = true;
        const int shared = std::min(t.base - t.left, t.base - t.right);
        JudgeSharedRemovals(r, shared, left_edits, right_edits, policy, tallies, merge.conflicts);
      }
      for (auto& [record, t] : tallies) {
        if (t.drop == 0) continue;
        const int winner = policy == ConflictPolicy::kLeft ? t.left : t.right;
        t.result = std::max(t.result - t.drop, winner);
      }
    }
    merge.merged.reserve(std::max(left.size(), right.size()));
    Emit(left, tallies, merge.merged);
    Emit(right, tallies, merge.merged);
  }
  merge.changes[SideIndex(Side::kLeft)] = DiffRecords(id, left, merge.merged);
  merge.changes[SideIndex(Side::kRight)] = DiffRecords(id, right, merge.merged);
  return merge;
}

std::optional<ConflictPolicy> ParseConflictPolicy(std::string_view text) {
  if (text == "keep-both") return ConflictPolicy::kKeepBoth;
  if (text == "organizer") return ConflictPolicy::kLeft;
  if (text == "pc") return ConflictPolicy::kRight;
  return std::nullopt;
}

}  // namespace kivo
