#include "sync/record_diff.h"

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "sync/sync_key.h"

namespace kivo {

namespace {

std::string_view View(const Record& record) {
  return std::string_view(reinterpret_cast<const char*>(record.data()), record.size());
}

}  // namespace

std::vector<const Record*> Surplus(const Records& from, const Records& to) {
  std::unordered_map<std::string_view, int> available;
  available.reserve(to.size());
  for (const Record& r : to) ++available[View(r)];
  std::vector<const Record*> out;
  for (const Record& r : from) {
    auto it = available.find(View(r));
    if (it != available.end() && it->second > 0) {
      --it->second;
    } else {
      out.push_back(&r);
    }
  }
  return out;
}

Pairing PairByKey(AppliId id, std::span<const Record* const> removed,
                  std::span<const Record* const> added) {
  Pairing pairing;
  std::unordered_map<std::string, std::deque<size_t>> open;
  for (size_t i = 0; i < removed.size(); ++i) open[SyncKey(id, *removed[i])].push_back(i);
  std::vector<bool> paired(removed.size(), false);
  for (size_t j = 0; j < added.size(); ++j) {
    auto it = open.find(SyncKey(id, *added[j]));
    if (it == open.end() || it->second.empty()) {
      pairing.added_alone.push_back(j);
      continue;
    }
    const size_t i = it->second.front();
    it->second.pop_front();
    paired[i] = true;
    pairing.edits.emplace_back(i, j);
  }
  for (size_t i = 0; i < removed.size(); ++i) {
    if (!paired[i]) pairing.removed_alone.push_back(i);
  }
  return pairing;
}

SideChanges DiffRecords(AppliId id, const Records& current, const Records& target) {
  const std::vector<const Record*> removed = Surplus(current, target);
  const std::vector<const Record*> added = Surplus(target, current);
  const Pairing pairing = PairByKey(id, removed, added);
  SideChanges changes;
  for (const auto& [i, j] : pairing.edits) changes.changed.push_back({*removed[i], *added[j]});
  for (size_t i : pairing.removed_alone) changes.removed.push_back(*removed[i]);
  for (size_t j : pairing.added_alone) changes.added.push_back(*added[j]);
  return changes;
}

Records ApplyChanges(const Records& current, const SideChanges& changes) {
  // Per record to take out: how many times, and the new versions that take
  // the places of the edited ones.
  std::unordered_map<std::string_view, int> removals;
  std::unordered_map<std::string_view, std::deque<const Record*>> replacements;
  for (const Record& r : changes.removed) ++removals[View(r)];
  for (const RecordEdit& edit : changes.changed)
    replacements[View(edit.before)].push_back(&edit.after);
  Records out;
  out.reserve(current.size() + changes.added.size());
  for (const Record& r : current) {
    auto removal = removals.find(View(r));
    if (removal != removals.end() && removal->second > 0) {
      --removal->second;
      continue;
    }
    auto replacement = replacements.find(View(r));
    if (replacement != replacements.end() && !replacement->second.empty()) {
      out.push_back(*replacement->second.front());
      replacement->second.pop_front();
      continue;
    }
    out.push_back(r);
  }
  for (const Record& r : changes.added) out.push_back(r);
  return out;
}

}  // namespace kivo
