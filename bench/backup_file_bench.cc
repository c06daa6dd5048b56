// Backup files at the store's limit: seven applications of 65,535 records,
// read and written through the file system, plain and inverted; the working
// data file load at start-up (a full organizer and the store's maximum); and
// what a loaded store costs in memory next to the size of its file.

#include <unistd.h>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_data.h"
#include "store/appli_store.h"
#include "store/backup_file.h"
#include "store/working_data.h"

namespace kivo {
namespace {

constexpr int kFull = kMaxRecords;

std::filesystem::path BenchDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() /
             ("kivo-bench-files-" + std::to_string(static_cast<long>(getpid())));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// Seven full applications (the category list too), or a full organizer
// (920 records in each of the six, one category record).
const AppliStore& SourceStore(int count) {
  static std::unique_ptr<AppliStore> maximal;
  static std::unique_ptr<AppliStore> organizer;
  std::unique_ptr<AppliStore>& store = count == kFull ? maximal : organizer;
  if (store == nullptr) {
    bench::UseBuildTables();
    store = std::make_unique<AppliStore>();
    bench::FillStore(*store, count, count == kFull);
  }
  return *store;
}

// The file of the store, written once per variant.
std::filesystem::path SourceFile(int count, bool scramble) {
  auto file = BenchDir() / ("source-" + std::to_string(count) + (scramble ? "-1" : "-0") + ".bkf");
  if (!std::filesystem::exists(file)) {
    AppliStore copy;
    CopyAppliStore(copy, SourceStore(count));
    if (WriteBackupFile(copy, file, scramble) != 0) return {};
  }
  return file;
}

void SetFileCounters(benchmark::State& state, const std::filesystem::path& file) {
  const auto size = static_cast<int64_t>(std::filesystem::file_size(file));
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}

// Arg: 1 inverted (FileScramble), 0 plain.
void BM_WriteBackupFile(benchmark::State& state) {
  const bool scramble = state.range(0) == 1;
  AppliStore store;
  CopyAppliStore(store, SourceStore(kFull));
  const auto file = BenchDir() / "written.bkf";
  for (auto _ : state) {
    if (WriteBackupFile(store, file, scramble) != 0) state.SkipWithError("write");
  }
  SetFileCounters(state, file);
  state.SetLabel(scramble ? "inverted" : "plain");
}
BENCHMARK(BM_WriteBackupFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadBackupFile(benchmark::State& state) {
  const bool scramble = state.range(0) == 1;
  const auto file = SourceFile(kFull, scramble);
  AppliStore store;
  (void)store.GetAppliBuf(7);
  for (auto _ : state) {
    state.PauseTiming();
    store.ClearAllAppli();
    state.ResumeTiming();
    if (ReadBackupFile(store, file) != 0) state.SkipWithError("read");
  }
  SetFileCounters(state, file);
  state.SetLabel(scramble ? "inverted" : "plain");
}
BENCHMARK(BM_ReadBackupFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Start-up: the working data file of a full organizer, and of the store's
// maximum. Arg: records per application.
void BM_LoadWorkingData(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const auto file = BenchDir() / ("working-" + std::to_string(count) + ".dat");
  {
    AppliStore copy;
    CopyAppliStore(copy, SourceStore(count));
    if (SaveWorkingData(copy, file, 1) != 0) state.SkipWithError("save");
  }
  for (auto _ : state) {
    AppliStore store;
    WorkingDataLoad load = LoadWorkingData(store, file, 2);
    if (load.result != 0) state.SkipWithError("load");
    benchmark::DoNotOptimize(store.GetRecordCount(kTelephone));
  }
  SetFileCounters(state, file);
}
BENCHMARK(BM_LoadWorkingData)->Arg(kOrganizerRecordLimit)->Arg(kFull)->Unit(benchmark::kMillisecond)->UseRealTime();

// The exit save of the same stores.
void BM_SaveWorkingData(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const auto file = BenchDir() / ("saved-" + std::to_string(count) + ".dat");
  AppliStore store;
  CopyAppliStore(store, SourceStore(count));
  for (auto _ : state) {
    if (SaveWorkingData(store, file, 1) != 0) state.SkipWithError("save");
  }
  SetFileCounters(state, file);
}
BENCHMARK(BM_SaveWorkingData)->Arg(kOrganizerRecordLimit)->Arg(kFull)->Unit(benchmark::kMillisecond)->UseRealTime();

// Heap taken by a store loaded from the maximal file, against the file size.
// Goal: at most twice the file plus a small constant.
void BM_LoadedStoreMemory(benchmark::State& state) {
  const auto file = SourceFile(kFull, true);
  const double file_bytes = static_cast<double>(std::filesystem::file_size(file));
  double store_bytes = 0;
  for (auto _ : state) {
    const int64_t before = bench::HeapInUse();
    {
      auto store = std::make_unique<AppliStore>();
      (void)store->GetAppliBuf(7);
      if (ReadBackupFile(*store, file) != 0) state.SkipWithError("read");
      store_bytes = static_cast<double>(bench::HeapInUse() - before);
    }
  }
  state.counters["file_MB"] = file_bytes / 1e6;
  state.counters["store_MB"] = store_bytes / 1e6;
  state.counters["store_per_file"] = store_bytes / file_bytes;
}
BENCHMARK(BM_LoadedStoreMemory)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The image alone, without the file system.
void BM_EncodeBackupFile(benchmark::State& state) {
  const AppliStore& store = SourceStore(kFull);
  size_t size = 0;
  for (auto _ : state) {
    std::vector<uint8_t> image = EncodeBackupFile(store, state.range(0) == 1, BackupBlocks::kWithRecords);
    size = image.size();
    benchmark::DoNotOptimize(image.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}
BENCHMARK(BM_EncodeBackupFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DecodeBackupFile(benchmark::State& state) {
  const std::vector<uint8_t> image =
      EncodeBackupFile(SourceStore(kFull), state.range(0) == 1, BackupBlocks::kWithRecords);
  AppliStore store;
  (void)store.GetAppliBuf(7);
  for (auto _ : state) {
    state.PauseTiming();
    store.ClearAllAppli();
    state.ResumeTiming();
    if (DecodeBackupFile(store, image) != 0) state.SkipWithError("decode");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(image.size()));
}
BENCHMARK(BM_DecodeBackupFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivo

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(kivo::BenchDir(), ignored);
  return 0;
}
