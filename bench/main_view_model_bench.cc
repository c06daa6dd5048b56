// How long the main list takes for the things the user waits on: a header
// click, a tab change and a row selection, with a full application.

#include <benchmark/benchmark.h>

#include <string>

#include "store/appli_store.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "view/main_view_model.h"

namespace kivo {
namespace {

void FillTelephone(AppliStore& store, int count) {
  (void)store.GetAppliBuf(7);
  store.ResetAppli(kAllAppli);
  (void)SetDefaultCategoryNames(store);
  for (int i = 0; i < count; ++i) {
    TelephoneRecord r;
    r.category = static_cast<uint8_t>(i % 3);
    r.texts[kLastName] = "Name " + std::to_string((i * 7919) % count);
    r.texts[kCompany] = "Company " + std::to_string(i % 50);
    r.texts[kHomeNumber] = "+49 30 " + std::to_string(100000 + i);
    r.texts[kNotes] = std::string(60, static_cast<char>('a' + i % 26));
    (void)PutTelephoneRecord(store, r, i);
  }
}

void BM_SortTelephoneOnColumn(benchmark::State& state) {
  AppliStore store(CodeTables::Identity());
  FillTelephone(store, static_cast<int>(state.range(0)));
  MainViewModel model(store);
  model.ShowAppli(kTelephone, false);
  for (auto _ : state) benchmark::DoNotOptimize(model.SortOnColumn(1));
}
BENCHMARK(BM_SortTelephoneOnColumn)->Arg(100)->Arg(920);

void BM_TelephoneTabChange(benchmark::State& state) {
  AppliStore store(CodeTables::Identity());
  FillTelephone(store, static_cast<int>(state.range(0)));
  MainViewModel model(store);
  model.ShowAppli(kTelephone, false);
  for (auto _ : state) {
    model.ShowAppli(kMemo, true);
    model.ShowAppli(kTelephone, true);
  }
}
BENCHMARK(BM_TelephoneTabChange)->Arg(920);

void BM_SelectRowWithFilter(benchmark::State& state) {
  AppliStore store(CodeTables::Identity());
  FillTelephone(store, 920);
  MainViewModel model(store);
  model.ShowAppli(kTelephone, false);
  model.SetFilter(1);
  int row = 0;
  for (auto _ : state) {
    // What one selection costs the window: the pane text and the enabling.
    model.SelectRow(row++ % model.row_count());
    benchmark::DoNotOptimize(model.RecordText(model.selected_row(), true));
    benchmark::DoNotOptimize(model.enabling());
  }
}
BENCHMARK(BM_SelectRowWithFilter);

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
