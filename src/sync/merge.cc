#include "sync/merge.h"

#include <algorithm>
#include <unordered_map>

#include "sync/record_index.h"

namespace kivo {

namespace {

// Counts of one distinct record in the base and on each side, its count in
// the result, and what a walk over a list has met of it.
struct Tally {
  int base = 0;
  int left = 0;
  int right = 0;
  int result = 0;
  int drop = 0;  // copies of a losing edit to take out again
  int walk = 0;
  bool judged = false;
};

int MergedCount(const Tally& t) {
  const int dl = t.left - t.base;
  const int dr = t.right - t.base;
  if (dl >= 0 && dr >= 0) return t.base + std::max(dl, dr);
  if (dl <= 0 && dr <= 0) return t.base + std::min(dl, dr);
  return t.base + dl + dr;
}

// One list as the numbers of its records (RecordIndex).
struct Numbered {
  const Records& records;
  std::vector<uint32_t> numbers;
};

// The copies in `list` beyond `limit` of their tally, in the list's order.
template <typename Limit>
std::vector<const Record*> Beyond(const Numbered& list, std::vector<Tally>& tallies, Limit limit) {
  for (Tally& t : tallies) t.walk = 0;
  std::vector<const Record*> out;
  for (size_t i = 0; i < list.numbers.size(); ++i) {
    Tally& t = tallies[list.numbers[i]];
    if (++t.walk > limit(t)) out.push_back(&list.records[i]);
  }
  return out;
}

// For each base record a side edited (by number): its new versions, in
// pairing order.
using EditMap = std::unordered_map<uint32_t, std::vector<const Record*>>;

EditMap EditsOf(AppliId id, const Numbered& base, const Numbered& side, int Tally::*held,
                std::vector<Tally>& tallies) {
  const std::vector<const Record*> removed =
      Beyond(base, tallies, [held](const Tally& t) { return t.*held; });
  const std::vector<const Record*> added =
      Beyond(side, tallies, [](const Tally& t) { return t.base; });
  EditMap edits;
  for (const auto& [i, j] : PairByKey(id, removed, added).edits) {
    edits[base.numbers[static_cast<size_t>(removed[i] - base.records.data())]].push_back(added[j]);
  }
  return edits;
}

const Record* EditAt(const EditMap& edits, uint32_t record, size_t k) {
  auto it = edits.find(record);
  return it != edits.end() && k < it->second.size() ? it->second[k] : nullptr;
}

uint32_t NumberOf(const Numbered& list, const Record* record) {
  return list.numbers[static_cast<size_t>(record - list.records.data())];
}

// Names the conflicts among the copies of base record `number` both sides
// took away, and marks the losing versions of a policy to be dropped.
void JudgeSharedRemovals(const Record& record, uint32_t number, int shared,
                         const std::array<EditMap, 2>& edits, const Numbered& left_list,
                         const Numbered& right_list, ConflictPolicy policy,
                         std::vector<Tally>& tallies, std::vector<Conflict>& conflicts) {
  for (int k = 0; k < shared; ++k) {
    const Record* left = EditAt(edits[0], number, static_cast<size_t>(k));
    const Record* right = EditAt(edits[1], number, static_cast<size_t>(k));
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
      if (!keep_left) ++tallies[NumberOf(left_list, left)].drop;
      if (!keep_right) ++tallies[NumberOf(right_list, right)].drop;
    } else {
      conflict.kind = ConflictKind::kRemovedAndChanged;
      const bool left_edited = left != nullptr;
      conflict.versions.push_back(
          {left_edited ? Side::kLeft : Side::kRight, left_edited ? *left : *right, true});
    }
    conflicts.push_back(std::move(conflict));
  }
}

// With no base: the copies one side holds beyond the other's, paired by key
// with the other side's; each pair is a conflict.
void JudgeBothAdded(AppliId id, const Numbered& left_list, const Numbered& right_list,
                    ConflictPolicy policy, std::vector<Tally>& tallies,
                    std::vector<Conflict>& conflicts) {
  const std::vector<const Record*> left =
      Beyond(left_list, tallies, [](const Tally& t) { return t.right; });
  if (left.empty()) return;
  const std::vector<const Record*> right =
      Beyond(right_list, tallies, [](const Tally& t) { return t.left; });
  const bool keep_left = policy != ConflictPolicy::kRight;
  const bool keep_right = policy != ConflictPolicy::kLeft;
  for (const auto& [i, j] : PairByKey(id, left, right).edits) {
    Conflict conflict;
    conflict.kind = ConflictKind::kBothAdded;
    conflict.versions.push_back({Side::kLeft, *left[i], keep_left});
    conflict.versions.push_back({Side::kRight, *right[j], keep_right});
    if (!keep_left) ++tallies[NumberOf(left_list, left[i])].drop;
    if (!keep_right) ++tallies[NumberOf(right_list, right[j])].drop;
    conflicts.push_back(std::move(conflict));
  }
}

// Appends the records of `list` the result still lacks.
void Emit(const Numbered& list, std::vector<Tally>& tallies, Records& merged,
          std::vector<uint32_t>& numbers) {
  for (size_t i = 0; i < list.numbers.size(); ++i) {
    Tally& t = tallies[list.numbers[i]];
    if (t.walk < t.result) {
      merged.push_back(list.records[i]);
      numbers.push_back(list.numbers[i]);
      ++t.walk;
    }
  }
}

// What one side must do to hold the merged records: the copies it holds
// beyond the result go, the result's copies beyond what it holds come.
SideChanges ChangesFor(AppliId id, const Numbered& side, int Tally::*held, const Numbered& merged,
                       std::vector<Tally>& tallies) {
  const std::vector<const Record*> removed =
      Beyond(side, tallies, [](const Tally& t) { return t.result; });
  const std::vector<const Record*> added =
      Beyond(merged, tallies, [held](const Tally& t) { return t.*held; });
  return ChangesOf(id, removed, added);
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
                      ConflictPolicy policy, bool first) {
  if (id == kCategoryList) {
    AppliMerge merge = MergeCategoryList(base, left, right);
    merge.changes[SideIndex(Side::kLeft)] = DiffRecords(id, left, merge.merged);
    merge.changes[SideIndex(Side::kRight)] = DiffRecords(id, right, merge.merged);
    return merge;
  }
  AppliMerge merge;
  merge.id = id;
  RecordIndex index(std::max({base.size(), left.size(), right.size()}) + 16);
  const Numbered base_list{base, index.AddAll(base)};
  const Numbered left_list{left, index.AddAll(left)};
  const Numbered right_list{right, index.AddAll(right)};
  std::vector<Tally> tallies(index.size());
  for (uint32_t n : base_list.numbers) ++tallies[n].base;
  for (uint32_t n : left_list.numbers) ++tallies[n].left;
  for (uint32_t n : right_list.numbers) ++tallies[n].right;
  bool any_shared = false;
  for (Tally& t : tallies) {
    t.result = MergedCount(t);
    // Conflicts arise only where both sides took copies of a base record
    // away; only then are edits paired, which is rare.
    if (t.left < t.base && t.right < t.base) any_shared = true;
  }
  if (any_shared) {
    const std::array<EditMap, 2> edits{EditsOf(id, base_list, left_list, &Tally::left, tallies),
                                       EditsOf(id, base_list, right_list, &Tally::right, tallies)};
    for (size_t i = 0; i < base.size(); ++i) {
      const uint32_t n = base_list.numbers[i];
      Tally& t = tallies[n];
      if (t.judged || t.left >= t.base || t.right >= t.base) continue;
      t.judged = true;
      const int shared = std::min(t.base - t.left, t.base - t.right);
      JudgeSharedRemovals(base[i], n, shared, edits, left_list, right_list, policy, tallies,
                          merge.conflicts);
    }
  }
  if (first) {
    JudgeBothAdded(id, left_list, right_list, policy, tallies, merge.conflicts);
  }
  for (Tally& t : tallies) {
    if (t.drop == 0) continue;
    const int winner = policy == ConflictPolicy::kLeft ? t.left : t.right;
    t.result = std::max(t.result - t.drop, winner);
  }
  Numbered merged_list{merge.merged, {}};
  merge.merged.reserve(std::max(left.size(), right.size()));
  merged_list.numbers.reserve(merge.merged.capacity());
  for (Tally& t : tallies) t.walk = 0;
  Emit(left_list, tallies, merge.merged, merged_list.numbers);
  Emit(right_list, tallies, merge.merged, merged_list.numbers);
  merge.changes[SideIndex(Side::kLeft)] =
      ChangesFor(id, left_list, &Tally::left, merged_list, tallies);
  merge.changes[SideIndex(Side::kRight)] =
      ChangesFor(id, right_list, &Tally::right, merged_list, tallies);
  return merge;
}

}  // namespace kivo
