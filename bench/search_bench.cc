// The search across applications over the store's most: a keystroke is a
// search of every record's folded text (goal: under 100 ms), here the six
// letters of a word typed one by one, with the first screenful of results
// made as the search window shows them. Arg: records per application; six
// applications of 76,458 make the 458,745 records of seven full ones, 65,535
// is what a store can hold of the six that are searched. Also the first
// build of the index and its update after one edit.

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "view/search_index.h"

namespace kivo {
namespace {

struct SearchFixture {
  std::vector<std::vector<std::vector<uint8_t>>> records;  // by AppliId
  RowContext context;
  SearchIndex index;

  explicit SearchFixture(int count) : records(kTabCount) {
    for (AppliId id = 0; id < kTabCount; ++id) {
      records[id].reserve(static_cast<size_t>(count));
      for (int i = 0; i < count; ++i) records[id].push_back(bench::EncodeRecord(id, i));
    }
    const CategoryNames names = DefaultCategoryNames();
    context.category_names.assign(names.names.begin(), names.names.end());
    index.Sync(Source(), context);
  }
  RecordSource Source() const {
    return [this](AppliId id) {
      RecordViews views;
      if (id < kTabCount) views.assign(records[id].begin(), records[id].end());
      return views;
    };
  }
};

SearchFixture& Fixture(int count) {
  static SearchFixture full(65535);
  static SearchFixture seven(76458);
  return count == 65535 ? full : seven;
}

void BM_SearchKeystroke(benchmark::State& state) {
  SearchFixture& fixture = Fixture(static_cast<int>(state.range(0)));
  const std::string word = "bremen";
  size_t typed = 0;
  size_t found = 0;
  for (auto _ : state) {
    typed = typed % word.size() + 1;
    const std::string query = word.substr(0, typed);
    const std::vector<SearchHit> hits = fixture.index.Find(query);
    for (size_t i = 0; i < hits.size() && i < 25; ++i) {
      benchmark::DoNotOptimize(fixture.index.Show(hits[i], query.size()));
    }
    found += hits.size();
  }
  state.counters["records"] = fixture.index.record_count();
  state.counters["hits_per_keystroke"] =
      benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SearchKeystroke)->Arg(65535)->Arg(76458)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SearchBuild(benchmark::State& state) {
  SearchFixture& fixture = Fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    SearchIndex index;
    index.Sync(fixture.Source(), fixture.context);
    benchmark::DoNotOptimize(index.record_count());
  }
}
BENCHMARK(BM_SearchBuild)->Arg(65535)->Arg(76458)->Unit(benchmark::kMillisecond)->UseRealTime();

// One Memo edited: the index reads that application again.
void BM_SearchUpdateAfterEdit(benchmark::State& state) {
  SearchFixture& fixture = Fixture(static_cast<int>(state.range(0)));
  std::vector<uint8_t>& edited = fixture.records[kMemo][100];
  for (auto _ : state) {
    edited[0] ^= 1;
    fixture.index.Sync(fixture.Source(), fixture.context);
  }
}
BENCHMARK(BM_SearchUpdateAfterEdit)
    ->Arg(65535)
    ->Arg(76458)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
