// The store's hot paths: a transfer adds whole record lists, a send or save
// takes them out again, the list refresh decodes every record and the column
// sort compares names with the sort table. A full application (920 records,
// the organizer's limit) must go through each of them in well under the time
// the user would notice; 65,535 records is the store's own limit.

#include <string>
#include <vector>

#include "store/appli_store.h"
#include "store/char_tables.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include <benchmark/benchmark.h>

namespace kivo {
namespace {

// A Telephone record list of `records` records of about 120 bytes each.
std::vector<uint8_t> TelephoneList(int records) {
  std::vector<uint8_t> list;
  for (int i = 0; i < records; ++i) {
    TelephoneRecord r;
    r.category = 1;
    r.texts[kLastName] = "Name " + std::to_string(i);
    r.texts[kAddress] = "12 Long Street, Somewhere in the middle of the county";
    r.texts[kNotes] = "A few words about this person";
    std::vector<uint8_t> bytes = EncodeTelephoneRecord(r);
    list.insert(list.end(), bytes.begin(), bytes.end());
  }
  return list;
}

void BM_AddAppliData(benchmark::State& state) {
  std::vector<uint8_t> list = TelephoneList(static_cast<int>(state.range(0)));
  AppliStore store(CodeTables::Identity());
  for (auto _ : state) {
    (void)store.GetAppliBuf(7);
    benchmark::DoNotOptimize(store.AddAppliData(kTelephone, list));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddAppliData)->Arg(920)->Arg(65535);

void BM_GetAppliData(benchmark::State& state) {
  AppliStore store(CodeTables::Identity());
  (void)store.GetAppliBuf(7);
  (void)store.AddAppliData(kTelephone, TelephoneList(static_cast<int>(state.range(0))));
  std::vector<uint8_t> buffer(static_cast<size_t>(store.GetAppliDataSize(kTelephone)));
  for (auto _ : state) {
    size_t used = 0;
    benchmark::DoNotOptimize(store.GetAppliData(kTelephone, buffer, &used));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetAppliData)->Arg(920)->Arg(65535);

void BM_GetTelephoneRecords(benchmark::State& state) {
  AppliStore store(CodeTables::Identity());
  (void)store.GetAppliBuf(7);
  int count = static_cast<int>(state.range(0));
  (void)store.AddAppliData(kTelephone, TelephoneList(count));
  for (auto _ : state) {
    TelephoneRecord r;
    for (int i = 0; i < count; ++i) benchmark::DoNotOptimize(GetTelephoneRecord(store, &r, i));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetTelephoneRecords)->Arg(920);

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
