// The main list with a full application (920 records, the organizer's limit)
// on screen: a header click sorts on any column of any application (goal:
// under 5 ms), a commit puts the rows back into the store and a refresh
// rebuilds them, as every tab change and transfer does; and the row selection
// the user scrolls through.

#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "platform/program_dir.h"
#include "store/appli_store.h"
#include "store/char_tables.h"
#include "view/appli_columns.h"
#include "view/main_view_model.h"

namespace kivo {
namespace {

constexpr int kRows = kOrganizerRecordLimit;

struct ListFixture {
  AppliStore store{bench::BenchTables().code};
  std::unique_ptr<MainViewModel> model;

  ListFixture() {
    bench::FillStore(store, kRows);
    model = std::make_unique<MainViewModel>(store, SystemToday);
    model->SetSortTable(&bench::BenchTables().sort[0]);
    // As at start-up: the first tab's rows come from the store.
    model->SetAppli(kTabAppli[0]);
    model->Refresh(true);
  }
};

ListFixture& Fixture() {
  static ListFixture fixture;
  return fixture;
}

// Arg 0: application id; Arg 1: column. Every click sorts: the first turns
// the order, the next turns it back.
void BM_SortOnColumn(benchmark::State& state) {
  const auto id = static_cast<AppliId>(state.range(0));
  const int column = static_cast<int>(state.range(1));
  MainViewModel& model = *Fixture().model;
  model.ShowAppli(id, true);
  if (model.row_count() != kRows) state.SkipWithError("rows");
  for (auto _ : state) benchmark::DoNotOptimize(model.SortOnColumn(column));
  state.SetItemsProcessed(state.iterations() * kRows);
  state.SetLabel(std::string(TabName(id)) + " / " +
                 std::string(AppliColumns(id)[static_cast<size_t>(column)].title));
}

void EveryColumn(benchmark::internal::Benchmark* b) {
  for (AppliId id : kTabAppli) {
    for (size_t column = 0; column < AppliColumns(id).size(); ++column) {
      b->Args({id, static_cast<int64_t>(column)});
    }
  }
  b->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_SortOnColumn)->Apply(EveryColumn);

// Commit in list order and refresh with re-sorting, one application.
void BM_CommitRefresh(benchmark::State& state) {
  const auto id = static_cast<AppliId>(state.range(0));
  MainViewModel& model = *Fixture().model;
  model.ShowAppli(id, true);
  for (auto _ : state) {
    model.Commit(false);
    model.Refresh(true);
  }
  if (model.row_count() != kRows) state.SkipWithError("rows");
  state.SetItemsProcessed(state.iterations() * kRows);
  state.SetLabel(std::string(TabName(id)));
}

void BM_Commit(benchmark::State& state) {
  const auto id = static_cast<AppliId>(state.range(0));
  MainViewModel& model = *Fixture().model;
  model.ShowAppli(id, true);
  for (auto _ : state) model.Commit(false);
  state.SetItemsProcessed(state.iterations() * kRows);
  state.SetLabel(std::string(TabName(id)));
}

void BM_Refresh(benchmark::State& state) {
  const auto id = static_cast<AppliId>(state.range(0));
  MainViewModel& model = *Fixture().model;
  model.ShowAppli(id, true);
  for (auto _ : state) {
    state.PauseTiming();
    model.Commit(false);
    state.ResumeTiming();
    model.Refresh(true);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.SetLabel(std::string(TabName(id)));
}

void EveryApplication(benchmark::internal::Benchmark* b) {
  for (AppliId id : kTabAppli) b->Arg(id);
  b->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_CommitRefresh)->Apply(EveryApplication);
BENCHMARK(BM_Commit)->Apply(EveryApplication);
BENCHMARK(BM_Refresh)->Apply(EveryApplication);

// A tab change between two full applications: commit in default order, show,
// refresh with re-sorting.
void BM_TabChange(benchmark::State& state) {
  MainViewModel& model = *Fixture().model;
  model.ShowAppli(kTelephone, true);
  for (auto _ : state) {
    model.ShowAppli(kMemo, true);
    model.ShowAppli(kTelephone, true);
  }
  state.SetLabel("Telephone <-> Memo");
}
BENCHMARK(BM_TabChange)->Unit(benchmark::kMicrosecond);

// What one selection costs the window: the pane text and the enabling.
void BM_SelectRow(benchmark::State& state) {
  MainViewModel& model = *Fixture().model;
  model.ShowAppli(kTelephone, true);
  int row = 0;
  for (auto _ : state) {
    model.SelectRow(row++ % model.row_count());
    benchmark::DoNotOptimize(model.RecordText(model.selected_row(), true));
    benchmark::DoNotOptimize(model.enabling());
  }
}
BENCHMARK(BM_SelectRow);

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
