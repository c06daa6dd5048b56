// The sync's three-way merge at the store's limit: seven lists of 65,535
// records on each side and in the base (the six applications and a second
// list of Telephone cards, the longest records), merged the way a sync merges
// them, application by application, each side's records and the base first
// checked to be in the organizer's form as a sync takes them (the second
// argument: 0 without, to see what the check costs).

#include <array>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "sync/merge.h"
#include "sync/organizer_form.h"

namespace kivo {
namespace {

constexpr int kFull = kMaxRecords;
constexpr std::array<AppliId, 7> kLists{kSchedule, kAnniversary, kToDo,     kMemo,
                                        kExpense,  kTelephone,   kTelephone};

enum Case : int {
  kNoChange = 0,   // both sides as the base: what most syncs see
  kEdits = 1,      // 1 % edited, removed and added on each side, some of them conflicting
  kFirstSync = 2,  // no base, both sides the same records
  kReplaced = 3,   // every record of the left side replaced, the right unchanged
};

// A new version of a record with its key kept: the last character of its
// last text changes, by `bit`.
Record Edited(Record record, uint8_t bit = 1) {
  for (size_t i = record.size() - 1; i > 0; --i) {
    if (record[i - 1] > ' ') {
      record[i - 1] ^= bit;
      break;
    }
  }
  return record;
}

struct Lists {
  std::array<Records, 7> base;
  std::array<Records, 7> left;
  std::array<Records, 7> right;
};

Lists MakeLists(int which) {
  Lists lists;
  for (size_t l = 0; l < kLists.size(); ++l) {
    const AppliId id = kLists[l];
    const int offset = 70000 * static_cast<int>(l);
    for (int i = 0; i < kFull; ++i) {
      const Record record = bench::EncodeRecord(id, offset + i);
      if (which != kFirstSync) lists.base[l].push_back(record);
      // Per hundred records: the left edits one and removes one, the right
      // edits one (and every tenth time the left's one too: a conflict) and
      // replaces one by a new record.
      const int step = which == kEdits ? i % 100 : -1;
      if (which == kReplaced) {
        lists.left[l].push_back(bench::EncodeRecord(id, 1000000 + offset + i));
      } else if (step == 0) {
        lists.left[l].push_back(Edited(record));
      } else if (step != 2) {
        lists.left[l].push_back(record);
      }
      if (step == 0 && i % 1000 == 0) {
        lists.right[l].push_back(Edited(record, 2));
      } else if (step == 1) {
        lists.right[l].push_back(Edited(record));
      } else if (step == 3) {
        lists.right[l].push_back(bench::EncodeRecord(id, 2000000 + offset + i));
      } else {
        lists.right[l].push_back(record);
      }
    }
  }
  return lists;
}

void BM_MergeSevenLists(benchmark::State& state) {
  Lists lists = MakeLists(static_cast<int>(state.range(0)));
  const bool in_form = state.range(1) != 0;
  const OrganizerForm form(LoadCodeTables(bench::TablesDir() / "code.dat"));
  // As the organizer sends them: in its form already, so what a sync pays
  // each time is the check.
  for (size_t l = 0; l < kLists.size(); ++l) {
    for (Records* records : {&lists.base[l], &lists.left[l], &lists.right[l]}) {
      for (Record& record : *records) form.Canonicalize(kLists[l], record);
    }
  }
  size_t conflicts = 0;
  size_t changes = 0;
  for (auto _ : state) {
    conflicts = 0;
    changes = 0;
    for (size_t l = 0; l < kLists.size(); ++l) {
      if (in_form) {
        for (Records* records : {&lists.base[l], &lists.left[l], &lists.right[l]}) {
          for (Record& record : *records) form.Canonicalize(kLists[l], record);
        }
      }
      const AppliMerge merge = MergeAppli(kLists[l], lists.base[l], lists.left[l], lists.right[l],
                                          ConflictPolicy::kKeepBoth);
      conflicts += merge.conflicts.size();
      for (const SideChanges& side : merge.changes) {
        changes += side.added.size() + side.removed.size() + side.changed.size();
      }
      benchmark::DoNotOptimize(merge.merged.data());
    }
  }
  static constexpr std::array<const char*, 4> kLabels{"no change", "1 % edits", "first sync",
                                                      "left replaced"};
  state.SetLabel(kLabels[static_cast<size_t>(state.range(0))]);
  state.counters["records_per_side"] = static_cast<double>(kLists.size() * kFull);
  state.counters["conflicts"] = static_cast<double>(conflicts);
  state.counters["changes"] = static_cast<double>(changes);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kLists.size()) * kFull);
}
BENCHMARK(BM_MergeSevenLists)
    ->ArgsProduct({{kNoChange, kEdits, kFirstSync, kReplaced}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
