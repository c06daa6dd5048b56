#include "store/store_diff.h"

#include <algorithm>
#include <map>

#include "store/store_records.h"

namespace kivo {
namespace {

using Record = std::vector<uint8_t>;

AppliDiff DiffAppli(const AppliStore& a, const AppliStore& b, AppliId id) {
  AppliDiff diff;
  diff.id = id;
  const std::vector<Record> in_a = StoreRecords(a, id);
  const std::vector<Record> in_b = StoreRecords(b, id);
  // How many of each record B still has to match A's copies.
  std::map<Record, int, RecordLess> left_in_b;
  for (const Record& r : in_b) ++left_in_b[r];
  std::map<Record, int, RecordLess> matched;
  for (const Record& r : in_a) {
    auto it = left_in_b.find(r);
    if (it != left_in_b.end() && it->second > 0) {
      --it->second;
      ++matched[r];
      ++diff.both;
    } else {
      diff.only_a.push_back(r);
    }
  }
  for (const Record& r : in_b) {
    auto it = matched.find(r);
    if (it != matched.end() && it->second > 0) {
      --it->second;
    } else {
      diff.only_b.push_back(r);
    }
  }
  return diff;
}

}  // namespace

std::vector<AppliDiff> DiffStores(const AppliStore& a, const AppliStore& b,
                                  std::span<const AppliId> ids) {
  std::vector<AppliDiff> out;
  for (AppliId id : ids) out.push_back(DiffAppli(a, b, id));
  return out;
}

std::vector<AppliDiff> DiffStores(const AppliStore& a, const AppliStore& b,
                                  std::optional<AppliId> only) {
  std::vector<AppliId> ids;
  if (only) {
    ids.push_back(*only);
  } else {
    for (AppliId id = kSchedule; id <= kCategoryList; ++id) ids.push_back(id);
  }
  return DiffStores(a, b, std::span<const AppliId>(ids));
}

bool AnyDifference(std::span<const AppliDiff> diffs) {
  return std::any_of(diffs.begin(), diffs.end(), [](const AppliDiff& d) { return d.differs(); });
}

std::vector<LargeRemoval> LargeRemovals(const AppliStore& before, const AppliStore& after) {
  std::vector<LargeRemoval> out;
  for (AppliId id = kSchedule; id <= kTelephone; ++id) {
    const int held = before.IsPresent(id) ? before.GetRecordCount(id) : 0;
    if (held <= 0) continue;
    const int removed = static_cast<int>(DiffAppli(before, after, id).only_a.size());
    if (removed * 2 > held) out.push_back({id, removed, held});
  }
  return out;
}

}  // namespace kivo
