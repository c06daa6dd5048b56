// The desktop program's first start with a full working data file: three
// applications of 65,535 records each (Schedule, Telephone and Memo), no
// settings file yet. Measured from the main window's construction (settings,
// tables, the working data file, the list of the application on screen) to
// the window shown on the screen (goal: under 0.5 s). Runs on Qt's offscreen
// platform unless QT_QPA_PLATFORM names another.

#include <chrono>
#include <fstream>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "platform/link_defaults.h"
#include "store/app_settings.h"
#include "store/working_data.h"
#include "ui/main_window.h"

namespace kivo {
namespace {

constexpr int kRecords = 65535;
constexpr AppliId kFilled[] = {kSchedule, kTelephone, kMemo};

// A program directory holding the tables' folder and the working data file.
struct StartupFixture {
  QTemporaryDir dir;
  MainWindowPaths paths;

  StartupFixture() {
    paths.files_dir = dir.path().toStdString();
    paths.tables_dir = bench::TablesDir();
    AppliStore store(bench::BenchTables().code);
    (void)store.GetAppliBuf(kStoreSlots);
    store.ResetAppli(kAllAppli);
    for (AppliId id : kFilled) {
      for (int i = 0; i < kRecords; ++i) (void)store.PutRecord(id, i, bench::EncodeRecord(id, i));
    }
    (void)SaveWorkingData(store, WorkingDataPath(paths.files_dir), 1);
  }
};

StartupFixture& Fixture() {
  static StartupFixture fixture;
  return fixture;
}

// Arg: the application on screen (AppliID); its list holds 65,535 rows, or
// none for an empty one.
void BM_FirstStart(benchmark::State& state) {
  StartupFixture& fixture = Fixture();
  const std::filesystem::path settings = SettingsFilePath(fixture.paths.files_dir);
  for (auto _ : state) {
    // A first start: no settings but the application to show.
    std::ofstream(settings, std::ios::binary | std::ios::trunc)
        << "[Settings]\r\nAppliID=" << state.range(0) << "\r\n";
    QElapsedTimer timer;
    timer.start();
    // As the program starts: the tables first, then the commands.
    const Tables tables = LoadTables(fixture.paths.tables_dir);
    auto commands = std::make_unique<MainCommands>(fixture.paths, tables);
    auto window = std::make_unique<MainWindow>(*commands);
    window->ShowAsSaved();
    while (window->windowHandle() == nullptr || !window->windowHandle()->isExposed()) {
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QApplication::processEvents();
    state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    state.counters["rows"] = static_cast<double>(commands->model().row_count());
    window.reset();
    commands.reset();
  }
  state.SetLabel(std::string(TabName(static_cast<AppliId>(state.range(0)))));
}
BENCHMARK(BM_FirstStart)
    ->Arg(kSchedule)
    ->Arg(kTelephone)
    ->Arg(kMemo)
    ->Arg(kExpense)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
}  // namespace kivo

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
