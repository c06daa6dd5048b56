// Backup files at the store's limit: seven applications of 65,535 records,
// read and written through the file system, plain and inverted; the working
// data file load at start-up (a full organizer and the store's maximum); and
// what a loaded store costs in memory next to the size of its file.

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "platform/link_defaults.h"
#include "platform/program_dir.h"
#include "store/appli_store.h"
#include "store/backup_file.h"
#include "store/working_data.h"

namespace kivo {
namespace {

constexpr int kFull = kMaxRecords;

using bench::BenchDir;

// Record lengths of the source stores.
enum Lengths : int {
  kTypical = 0,    // as users keep them (bench_data.h): the maximal file is ~31 MB
  kLongest = 1,    // every record 1,024 bytes with its terminator: ~470 MB
  kOrganizer = 2,  // a full organizer: 920 typical records in each of the six
};

void FillLongest(AppliStore& store) {
  (void)store.GetAppliBuf(kStoreSlots);
  std::vector<uint8_t> record(kRecordMax);
  for (size_t b = 0; b + 1 < record.size(); ++b) record[b] = static_cast<uint8_t>('A' + b % 26);
  record.back() = kTerminator;
  for (AppliId id = kSchedule; id <= kCategoryList; ++id) {
    // The first application brought the category list along with its one
    // record.
    if (id == kCategoryList) store.ResetAppli(id);
    for (int i = 0; i < kFull; ++i) (void)store.PutRecord(id, i, record);
  }
}

// Not const: the writers set the magic they write. Not copied either: a copy
// keeps only the category list's first record.
AppliStore& SourceStore(Lengths lengths) {
  static std::unique_ptr<AppliStore> stores[3];
  std::unique_ptr<AppliStore>& store = stores[lengths];
  if (store == nullptr) {
    store = std::make_unique<AppliStore>(bench::BenchTables().code);
    if (lengths == kLongest) {
      FillLongest(*store);
    } else {
      const int count = lengths == kOrganizer ? kOrganizerRecordLimit : kFull;
      bench::FillStore(*store, count, lengths == kTypical);
    }
  }
  return *store;
}

const char* LengthsName(Lengths lengths) {
  return lengths == kLongest ? "longest records" : "typical records";
}

// The file of the store, written once per variant.
std::filesystem::path SourceFile(Lengths lengths, bool scramble) {
  auto file =
      BenchDir() / ("source-" + std::to_string(lengths) + (scramble ? "-1" : "-0") + ".bkf");
  if (!std::filesystem::exists(file) &&
      WriteBackupFile(SourceStore(lengths), file, scramble) != 0) {
    return {};
  }
  return file;
}

void SetFileCounters(benchmark::State& state, const std::filesystem::path& file) {
  const auto size = static_cast<int64_t>(std::filesystem::file_size(file));
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}

// Arg 0: 1 inverted (FileScramble), 0 plain; Arg 1: Lengths.
void BM_WriteBackupFile(benchmark::State& state) {
  const bool scramble = state.range(0) == 1;
  const auto lengths = static_cast<Lengths>(state.range(1));
  AppliStore& store = SourceStore(lengths);
  const auto file = BenchDir() / "written.bkf";
  for (auto _ : state) {
    if (WriteBackupFile(store, file, scramble) != 0) state.SkipWithError("write");
  }
  SetFileCounters(state, file);
  state.SetLabel(std::string(scramble ? "inverted, " : "plain, ") + LengthsName(lengths));
  std::filesystem::remove(file);
}

void FileVariants(benchmark::internal::Benchmark* b) {
  for (int lengths : {kTypical, kLongest}) b->Args({0, lengths})->Args({1, lengths});
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_WriteBackupFile)->Apply(FileVariants);

// Times `load` into a store emptied before each pass (the emptying is not
// timed); `what` names a failed load.
template <typename Load>
void LoadIntoEmptiedStore(benchmark::State& state, const char* what, Load load) {
  AppliStore store{bench::BenchTables().code};
  (void)store.GetAppliBuf(kStoreSlots);
  for (auto _ : state) {
    state.PauseTiming();
    store.ClearAllAppli();
    state.ResumeTiming();
    if (load(store) != 0) state.SkipWithError(what);
  }
}

void BM_ReadBackupFile(benchmark::State& state) {
  const bool scramble = state.range(0) == 1;
  const auto lengths = static_cast<Lengths>(state.range(1));
  const auto file = SourceFile(lengths, scramble);
  LoadIntoEmptiedStore(state, "read",
                       [&file](AppliStore& store) { return ReadBackupFile(store, file); });
  SetFileCounters(state, file);
  state.SetLabel(std::string(scramble ? "inverted, " : "plain, ") + LengthsName(lengths));
}
BENCHMARK(BM_ReadBackupFile)->Apply(FileVariants);

// The working data file benchmarks run on a full organizer and on the
// maximal store of typical records.
void OrganizerAndTypical(benchmark::internal::Benchmark* b) {
  b->Arg(kOrganizer)->Arg(kTypical)->Unit(benchmark::kMillisecond)->UseRealTime();
}
const char* LengthsLabel(Lengths lengths) {
  return lengths == kOrganizer ? "full organizer" : "maximal store";
}

// Start-up: the working data file of a full organizer, and of the store's
// maximum. Arg: Lengths.
void BM_LoadWorkingData(benchmark::State& state) {
  const auto lengths = static_cast<Lengths>(state.range(0));
  const auto file = BenchDir() / ("working-" + std::to_string(lengths) + ".dat");
  if (SaveWorkingData(SourceStore(lengths), file, 1) != 0) state.SkipWithError("save");
  for (auto _ : state) {
    AppliStore store{bench::BenchTables().code};
    WorkingDataLoad load = LoadWorkingData(store, file, 2);
    if (load.result != 0) state.SkipWithError("load");
    benchmark::DoNotOptimize(store.GetRecordCount(kTelephone));
  }
  SetFileCounters(state, file);
  state.SetLabel(LengthsLabel(lengths));
}
BENCHMARK(BM_LoadWorkingData)->Apply(OrganizerAndTypical);

// The exit save of the same stores.
void BM_SaveWorkingData(benchmark::State& state) {
  const auto lengths = static_cast<Lengths>(state.range(0));
  const auto file = BenchDir() / ("saved-" + std::to_string(lengths) + ".dat");
  AppliStore& store = SourceStore(lengths);
  for (auto _ : state) {
    if (SaveWorkingData(store, file, 1) != 0) state.SkipWithError("save");
  }
  SetFileCounters(state, file);
  state.SetLabel(LengthsLabel(lengths));
}
BENCHMARK(BM_SaveWorkingData)->Apply(OrganizerAndTypical);

// Heap taken by a store loaded from the maximal file, against the file size.
// Goal: at most twice the file plus a small constant. Arg: Lengths.
void BM_LoadedStoreMemory(benchmark::State& state) {
  const auto lengths = static_cast<Lengths>(state.range(0));
  const auto file = SourceFile(lengths, true);
  const double file_bytes = static_cast<double>(std::filesystem::file_size(file));
  double store_bytes = 0;
  for (auto _ : state) {
    const int64_t before = bench::HeapInUse();
    {
      auto store = std::make_unique<AppliStore>(bench::BenchTables().code);
      (void)store->GetAppliBuf(kStoreSlots);
      if (ReadBackupFile(*store, file) != 0) state.SkipWithError("read");
      store_bytes = static_cast<double>(bench::HeapInUse() - before);
    }
  }
  state.counters["file_MB"] = file_bytes / 1e6;
  state.counters["store_MB"] = store_bytes / 1e6;
  state.counters["store_per_file"] = store_bytes / file_bytes;
  state.SetLabel(LengthsName(lengths));
}
BENCHMARK(BM_LoadedStoreMemory)
    ->Arg(kTypical)
    ->Arg(kLongest)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The image alone, without the file system.
void BM_EncodeBackupFile(benchmark::State& state) {
  const AppliStore& store = SourceStore(kTypical);
  size_t size = 0;
  for (auto _ : state) {
    std::vector<uint8_t> image =
        EncodeBackupFile(store, state.range(0) == 1, BackupBlocks::kWithRecords);
    size = image.size();
    benchmark::DoNotOptimize(image.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}
BENCHMARK(BM_EncodeBackupFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DecodeBackupFile(benchmark::State& state) {
  const std::vector<uint8_t> image =
      EncodeBackupFile(SourceStore(kTypical), state.range(0) == 1, BackupBlocks::kWithRecords);
  LoadIntoEmptiedStore(state, "decode",
                       [&image](AppliStore& store) { return DecodeBackupFile(store, image); });
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(image.size()));
}
BENCHMARK(BM_DecodeBackupFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivo

int main(int argc, char** argv) { return kivo::bench::RunThenRemoveBenchDir(argc, argv); }
