#include "sync/record_diff.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "sync/record_index.h"
#include "sync/sync_key.h"

namespace kivo {

std::vector<const Record*> Surplus(const Records& from, const Records& to) {
  RecordIndex index(to.size());
  std::vector<int> available;
  for (const Record& r : to) {
    const uint32_t n = index.Add(r);
    if (n == available.size()) available.push_back(0);
    ++available[n];
  }
  std::vector<const Record*> out;
  for (const Record& r : from) {
    const uint32_t n = index.Find(r);
    if (n != RecordIndex::kNone && available[n] > 0) {
      --available[n];
    } else {
      out.push_back(&r);
    }
  }
  return out;
}

Pairing PairByKey(AppliId id, std::span<const Record* const> removed,
                  std::span<const Record* const> added) {
  Pairing pairing;
  // Per key, the removals still open as a list through `next`, first first.
  constexpr size_t kEnd = SIZE_MAX;
  std::vector<std::string> keys;
  keys.reserve(removed.size());
  for (const Record* r : removed) keys.push_back(SyncKey(id, *r));
  std::unordered_map<std::string_view, size_t> first;
  first.reserve(removed.size());
  std::vector<size_t> next(removed.size(), kEnd);
  for (size_t i = removed.size(); i > 0; --i) {
    auto [it, fresh] = first.try_emplace(keys[i - 1], i - 1);
    if (!fresh) {
      next[i - 1] = it->second;
      it->second = i - 1;
    }
  }
  std::vector<bool> paired(removed.size(), false);
  for (size_t j = 0; j < added.size(); ++j) {
    auto it = first.find(SyncKey(id, *added[j]));
    if (it == first.end() || it->second == kEnd) {
      pairing.added_alone.push_back(j);
      continue;
    }
    const size_t i = it->second;
    it->second = next[i];
    paired[i] = true;
    pairing.edits.emplace_back(i, j);
  }
  for (size_t i = 0; i < removed.size(); ++i) {
    if (!paired[i]) pairing.removed_alone.push_back(i);
  }
  return pairing;
}

SideChanges DiffRecords(AppliId id, const Records& current, const Records& target) {
  return ChangesOf(id, Surplus(current, target), Surplus(target, current));
}

namespace {

struct MarkHash {
  size_t operator()(const EntryMark& mark) const {
    return std::hash<std::string_view>()(mark.text) * 31 + mark.kind;
  }
};

// Removals and additions left alone by the keys paired as one entry changed
// in its key (EntryMarks): each addition, in order, takes the first removal
// still alone that shares a mark with it.
void PairByEntry(AppliId id, std::span<const Record* const> removed,
                 std::span<const Record* const> added, Pairing& pairing) {
  if (pairing.removed_alone.empty() || pairing.added_alone.empty()) return;
  std::unordered_map<EntryMark, std::vector<size_t>, MarkHash> by_mark;
  for (size_t i : pairing.removed_alone) {
    for (const EntryMark& mark : EntryMarks(id, *removed[i])) by_mark[mark].push_back(i);
  }
  if (by_mark.empty()) return;
  std::unordered_map<EntryMark, size_t, MarkHash> next;  // per mark: the first not yet looked at
  std::vector<bool> paired(removed.size(), false);
  std::vector<size_t> added_alone;
  for (size_t j : pairing.added_alone) {
    bool found = false;
    for (const EntryMark& mark : EntryMarks(id, *added[j])) {
      auto list = by_mark.find(mark);
      if (list == by_mark.end()) continue;
      size_t& at = next[mark];
      while (at < list->second.size() && paired[list->second[at]]) ++at;
      if (at == list->second.size()) continue;
      paired[list->second[at]] = true;
      pairing.edits.emplace_back(list->second[at], j);
      found = true;
      break;
    }
    if (!found) added_alone.push_back(j);
  }
  pairing.added_alone = std::move(added_alone);
  std::erase_if(pairing.removed_alone, [&](size_t i) { return paired[i]; });
}

}  // namespace

SideChanges ChangesOf(AppliId id, std::span<const Record* const> removed,
                      std::span<const Record* const> added) {
  Pairing pairing = PairByKey(id, removed, added);
  PairByEntry(id, removed, added, pairing);
  SideChanges changes;
  for (const auto& [i, j] : pairing.edits) changes.changed.push_back({*removed[i], *added[j]});
  for (size_t i : pairing.removed_alone) changes.removed.push_back(*removed[i]);
  for (size_t j : pairing.added_alone) changes.added.push_back(*added[j]);
  return changes;
}

Records ApplyChanges(const Records& current, const SideChanges& changes) {
  // Per record to take out: how many times, and the new versions that take
  // the places of the edited ones.
  RecordIndex index(changes.removed.size() + changes.changed.size());
  std::vector<int> removals;
  std::vector<std::deque<const Record*>> replacements;
  auto number = [&](const Record& r) {
    const uint32_t n = index.Add(r);
    if (n == removals.size()) {
      removals.push_back(0);
      replacements.emplace_back();
    }
    return n;
  };
  for (const Record& r : changes.removed) ++removals[number(r)];
  for (const RecordEdit& edit : changes.changed)
    replacements[number(edit.before)].push_back(&edit.after);
  Records out;
  out.reserve(current.size() + changes.added.size());
  for (const Record& r : current) {
    const uint32_t n = index.size() == 0 ? RecordIndex::kNone : index.Find(r);
    if (n != RecordIndex::kNone && removals[n] > 0) {
      --removals[n];
    } else if (n != RecordIndex::kNone && !replacements[n].empty()) {
      out.push_back(*replacements[n].front());
      replacements[n].pop_front();
    } else {
      out.push_back(r);
    }
  }
  for (const Record& r : changes.added) out.push_back(r);
  return out;
}

}  // namespace kivo
