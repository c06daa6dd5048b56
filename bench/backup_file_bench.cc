// Encoding and decoding backup file images: a full organizer (920 records per
// application) must load and save at start-up and exit without a noticeable
// pause.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "store/appli_store.h"
#include "store/backup_file.h"

namespace kivo {
namespace {

// A store with `records` Telephone records of about 200 bytes each.
void Fill(AppliStore& store, int records) {
  (void)store.GetAppliBuf(7);
  std::vector<uint8_t> record(1, 0x01);
  for (int field = 0; field < 14; ++field) {
    std::string text = "Field " + std::to_string(field) + " text";
    record.insert(record.end(), text.begin(), text.end());
    record.push_back(0);
  }
  record.push_back(kTerminator);
  for (int i = 0; i < records; ++i) (void)store.PutRecord(kTelephone, i, record);
}

void BM_EncodeBackupFile(benchmark::State& state) {
  AppliStore store(CodeTables::Identity());
  Fill(store, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::vector<uint8_t> image = EncodeBackupFile(store, true, BackupBlocks::kWithRecords);
    benchmark::DoNotOptimize(image.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EncodeBackupFile)->Arg(100)->Arg(920)->Arg(65535);

void BM_DecodeBackupFile(benchmark::State& state) {
  AppliStore source(CodeTables::Identity());
  Fill(source, static_cast<int>(state.range(0)));
  std::vector<uint8_t> image = EncodeBackupFile(source, true, BackupBlocks::kWithRecords);
  AppliStore store(CodeTables::Identity());
  (void)store.GetAppliBuf(7);
  for (auto _ : state) {
    store.ClearAllAppli();
    benchmark::DoNotOptimize(DecodeBackupFile(store, image));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(image.size()));
}
BENCHMARK(BM_DecodeBackupFile)->Arg(100)->Arg(920)->Arg(65535);

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
