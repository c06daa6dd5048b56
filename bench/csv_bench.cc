// CSV export and import of 65,535-line files, in lines per second (goal: at
// least 200,000 both ways). The import takes at most 920 records into an
// application at a time, so the benchmark empties the application whenever
// it is full and reads on: every line of the file goes through the reader.
// Per line, the import decodes the CSV fields, filters and cuts the texts and
// encodes the record into the store.

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "csv/csv_export.h"
#include "csv/csv_reader.h"
#include "platform/link_defaults.h"
#include "platform/program_dir.h"
#include "platform/prompter.h"
#include "store/appli_store.h"
#include "store/char_tables.h"
#include "view/appli_columns.h"

namespace kivo {
namespace {

constexpr int kLines = kMaxRecords;
constexpr int kDateMode = 0;
constexpr int kHourMode = 0;

using bench::BenchDir;

const AppliStore& FullStore() {
  static const std::unique_ptr<AppliStore> store = [] {
    auto s = std::make_unique<AppliStore>(bench::BenchTables().code);
    bench::FillStore(*s, kLines);
    return s;
  }();
  return *store;
}

// The exported file of an application, written once.
std::filesystem::path CsvFile(AppliId id) {
  const auto file = BenchDir() / (std::string(AppliKeyword(id)) + ".csv");
  if (!std::filesystem::exists(file)) {
    CsvExporter exporter(FullStore(), kHourMode, kDateMode);
    SilentPrompter prompter;
    if (exporter.ExportCsv(file, id, prompter) != kLines) return {};
  }
  return file;
}

// Arg: application id. The text alone, then the text written to a file.
void BM_BuildCsv(benchmark::State& state) {
  const auto id = static_cast<AppliId>(state.range(0));
  CsvExporter exporter(FullStore(), kHourMode, kDateMode);
  for (auto _ : state) {
    std::string text;
    if (exporter.Build(id, &text) != kLines) state.SkipWithError("build");
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations() * kLines);
  state.SetLabel(std::string(AppliName(id)));
}

void BM_ExportCsv(benchmark::State& state) {
  const auto id = static_cast<AppliId>(state.range(0));
  const auto file = BenchDir() / "exported.csv";
  CsvExporter exporter(FullStore(), kHourMode, kDateMode);
  SilentPrompter prompter;
  for (auto _ : state) {
    if (exporter.ExportCsv(file, id, prompter) != kLines) state.SkipWithError("export");
  }
  state.SetItemsProcessed(state.iterations() * kLines);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(file)));
  state.SetLabel(std::string(AppliName(id)));
}

void BM_ImportCsv(benchmark::State& state) {
  const auto id = static_cast<AppliId>(state.range(0));
  const auto file = CsvFile(id);
  AppliStore store{bench::BenchTables().code};
  (void)store.GetAppliBuf(kStoreSlots);
  store.ResetAppli(kAllAppli);
  int64_t lines = 0;
  for (auto _ : state) {
    CsvReader reader(kHourMode, kDateMode, CsvEncoding::kWindows1252, bench::BenchTables().allowed);
    if (!reader.Open(file, id)) {
      state.SkipWithError("open");
      break;
    }
    // A line that finds the application full is read and dropped; the next
    // round goes on after it.
    int taken = 0;
    do {
      store.ResetAppli(id);
      int read = 0;
      taken = reader.ImportCsv(store, id, &read);
      lines += taken + (taken == kImportRecordLimit ? 1 : 0);
    } while (taken > 0);
    lines += reader.rejected_lines() + reader.broken_lines();
    reader.Close();
  }
  if (lines != state.iterations() * kLines) state.SkipWithError("lines lost");
  state.SetItemsProcessed(lines);
  state.SetLabel(std::string(AppliName(id)));
}

void Applications(benchmark::internal::Benchmark* b) {
  for (AppliId id = kSchedule; id <= kTelephone; ++id) b->Arg(id);
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_BuildCsv)->Apply(Applications);
BENCHMARK(BM_ExportCsv)->Apply(Applications);
BENCHMARK(BM_ImportCsv)->Apply(Applications);

}  // namespace
}  // namespace kivo

int main(int argc, char** argv) { return kivo::bench::RunThenRemoveBenchDir(argc, argv); }
