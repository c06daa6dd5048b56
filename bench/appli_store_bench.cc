// The store's hot paths at its own limits: a transfer or an import adds whole
// record lists, a send or save takes them out again, a backup step copies the
// store and a restore empties applications. Each on one application of 65,535
// records and on a store of seven such.

#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/char_tables.h"

namespace kivo {
namespace {

constexpr int kFull = kMaxRecords;
constexpr AppliId kLastSlotAppli = kCategoryList;

// Arg: 1 for Telephone alone, 7 for all seven applications.
std::vector<AppliId> Applis(int64_t count) {
  if (count == 1) return {kTelephone};
  std::vector<AppliId> ids;
  for (AppliId id = kSchedule; id <= kLastSlotAppli; ++id) ids.push_back(id);
  return ids;
}

// A store of seven full applications, built once: the record lists take
// longer to make than most of what is measured here.
const AppliStore& FullStore() {
  static const std::unique_ptr<AppliStore> store = [] {
    auto s = std::make_unique<AppliStore>(CodeTables::Identity());
    bench::FillStore(*s, kFull, true);
    return s;
  }();
  return *store;
}

std::vector<uint8_t> AppliBytes(const AppliStore& store, AppliId id) {
  std::vector<uint8_t> bytes(static_cast<size_t>(store.GetAppliDataSize(id)));
  size_t used = 0;
  (void)store.GetAppliData(id, bytes, &used);
  bytes.resize(used);
  return bytes;
}

void SetCounters(benchmark::State& state, int64_t records, int64_t bytes) {
  state.SetItemsProcessed(state.iterations() * records);
  state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_AddAppliData(benchmark::State& state) {
  const std::vector<AppliId> ids = Applis(state.range(0));
  std::vector<std::vector<uint8_t>> lists;
  int64_t bytes = 0;
  for (AppliId id : ids) {
    lists.push_back(AppliBytes(FullStore(), id));
    bytes += static_cast<int64_t>(lists.back().size());
  }
  AppliStore store(CodeTables::Identity());
  (void)store.GetAppliBuf(kStoreSlots);
  for (auto _ : state) {
    state.PauseTiming();
    store.ClearAllAppli();
    state.ResumeTiming();
    for (size_t k = 0; k < ids.size(); ++k) {
      if (store.AddAppliData(ids[k], lists[k]) != 0) state.SkipWithError("AddAppliData");
    }
  }
  SetCounters(state, kFull * static_cast<int64_t>(ids.size()), bytes);
}
BENCHMARK(BM_AddAppliData)->Arg(1)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_GetAppliData(benchmark::State& state) {
  const std::vector<AppliId> ids = Applis(state.range(0));
  const AppliStore& store = FullStore();
  std::vector<std::vector<uint8_t>> buffers;
  int64_t bytes = 0;
  for (AppliId id : ids) {
    buffers.emplace_back(static_cast<size_t>(store.GetAppliDataSize(id)));
    bytes += static_cast<int64_t>(buffers.back().size());
  }
  for (auto _ : state) {
    for (size_t k = 0; k < ids.size(); ++k) {
      size_t used = 0;
      if (store.GetAppliData(ids[k], buffers[k], &used) != 0) state.SkipWithError("GetAppliData");
      benchmark::DoNotOptimize(used);
    }
  }
  SetCounters(state, kFull * static_cast<int64_t>(ids.size()), bytes);
}
BENCHMARK(BM_GetAppliData)->Arg(1)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_GetAppliDataSize(benchmark::State& state) {
  const std::vector<AppliId> ids = Applis(state.range(0));
  const AppliStore& store = FullStore();
  for (auto _ : state) {
    for (AppliId id : ids) benchmark::DoNotOptimize(store.GetAppliDataSize(id));
  }
  state.SetItemsProcessed(state.iterations() * kFull * static_cast<int64_t>(ids.size()));
}
BENCHMARK(BM_GetAppliDataSize)->Arg(1)->Arg(7);

// The whole store into an empty one and into one that is full already: the
// six full applications and the category list (a copy keeps its first record,
// the list's only one in use).
void BM_CopyAppliStore(benchmark::State& state) {
  const AppliStore& source = FullStore();
  AppliStore destination(CodeTables::Identity());
  if (state.range(0) == 1) CopyAppliStore(destination, source);
  for (auto _ : state) {
    if (state.range(0) == 0) {
      state.PauseTiming();
      destination.FreeAppliBuf();
      state.ResumeTiming();
    }
    CopyAppliStore(destination, source);
  }
  state.SetItemsProcessed(state.iterations() * (kFull * 6 + 1));
  state.SetLabel(state.range(0) == 0 ? "into empty" : "over full");
}
BENCHMARK(BM_CopyAppliStore)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Emptying a full application, or all of them with kAllAppli (the store as
// CopyAppliStore leaves it: six full applications and the category list).
void BM_ResetAppli(benchmark::State& state) {
  const bool all = state.range(0) == 7;
  AppliStore store(CodeTables::Identity());
  for (auto _ : state) {
    state.PauseTiming();
    CopyAppliStore(store, FullStore());
    state.ResumeTiming();
    store.ResetAppli(all ? kAllAppli : kTelephone);
  }
  state.SetItemsProcessed(state.iterations() * (all ? kFull * 6 + 1 : kFull));
}
// Each iteration refills the store first (untimed), so a fixed count keeps
// the run short.
BENCHMARK(BM_ResetAppli)->Arg(1)->Arg(7)->Iterations(20)->Unit(benchmark::kMicrosecond);

// A record by index, as the list refresh and the encoders take them.
void BM_RecordAccess(benchmark::State& state) {
  const AppliStore& store = FullStore();
  for (auto _ : state) {
    size_t sum = 0;
    for (int i = 0; i < kFull; ++i) sum += store.Record(kTelephone, i).size();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kFull);
}
BENCHMARK(BM_RecordAccess)->Unit(benchmark::kMicrosecond);

void BM_CompareSorted(benchmark::State& state) {
  SortTable table{};
  for (int c = 0; c < 256; ++c) {
    table[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
    table[256 + static_cast<size_t>(c)] = static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  std::string a = "Vanderbilt-Smythe";
  std::string b = "vanderbilt-smythe";
  for (auto _ : state) benchmark::DoNotOptimize(CompareSorted(a, b, table));
}
BENCHMARK(BM_CompareSorted);

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
