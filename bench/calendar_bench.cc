// The calendar with 65,535 Schedule entries (the store's most): a month page
// laid out and painted, and a switch to the next month (goal: each under
// 50 ms), on the desktop's own calendar widget at a maximised window's size;
// and what an edit costs the model. Arg 0: the entries spread over eight
// years; Arg 1: every one of them in the month shown (2,114 a day). Runs on
// Qt's offscreen platform unless QT_QPA_PLATFORM names another.

#include <memory>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "ui/calendar_view.h"
#include "view/calendar_model.h"

namespace kivo {
namespace {

constexpr int kRecords = 65535;
// A month the spread-out entries fill (2,730 of them).
const DateValue kShown{2024, 5, 1};

std::vector<std::vector<uint8_t>> Entries(bool one_month) {
  std::vector<std::vector<uint8_t>> records;
  records.reserve(kRecords);
  for (int i = 0; i < kRecords; ++i) {
    ScheduleRecord r = bench::MakeSchedule(i);
    if (one_month) r.date = BcdDate::FromYmd(kShown.year, kShown.month, 1 + i % 31);
    records.push_back(EncodeScheduleRecord(r));
  }
  return records;
}

RecordSource SourceOf(const std::vector<std::vector<uint8_t>>& schedule) {
  return [&schedule](AppliId id) {
    RecordViews records;
    if (id == kSchedule) records.assign(schedule.begin(), schedule.end());
    return records;
  };
}

struct CalendarFixture {
  std::vector<std::vector<uint8_t>> schedule;
  CalendarModel model;
  std::unique_ptr<CalendarGrid> grid;
  QImage image{1180, 640, QImage::Format_ARGB32_Premultiplied};

  explicit CalendarFixture(bool one_month) : schedule(Entries(one_month)) {
    model.Sync(SourceOf(schedule));
    grid = std::make_unique<CalendarGrid>(model, [] { return kShown; });
    grid->resize(image.size());
    grid->GoTo(DayNumber(kShown.year, kShown.month, 1));
  }
  // What a paint event does: the page laid out again and painted.
  void Paint() {
    grid->ModelChanged();
    QPainter painter(&image);
    grid->render(&painter);
  }
};

CalendarFixture& Fixture(int spread) {
  static CalendarFixture spread_out(false);
  static CalendarFixture one_month(true);
  return spread == 0 ? spread_out : one_month;
}

void BM_MonthPaint(benchmark::State& state) {
  CalendarFixture& fixture = Fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) fixture.Paint();
  state.counters["entries"] = fixture.model.entry_count();
  state.SetLabel(state.range(0) == 0 ? "spread over 8 years" : "all in the month");
}
BENCHMARK(BM_MonthPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Page Down and Page Up: every iteration turns to the other of two months and
// paints it (with Arg 1 one of them holds every entry, the other its last
// day's).
void BM_MonthSwitch(benchmark::State& state) {
  CalendarFixture& fixture = Fixture(static_cast<int>(state.range(0)));
  size_t shown = 0;
  for (auto _ : state) {
    // Between the month shown and the next, whatever an earlier run left.
    const bool at_shown = DateOfDay(fixture.grid->cursor_day()).month == kShown.month;
    fixture.grid->Turn(at_shown ? 1 : -1);
    fixture.Paint();
    shown += fixture.grid->page().entries.size();
    for (const PlacedDay& day : fixture.grid->page().days) shown += static_cast<size_t>(day.hidden);
  }
  state.counters["entries_per_page"] =
      benchmark::Counter(static_cast<double>(shown), benchmark::Counter::kAvgIterations);
  state.SetLabel(state.range(0) == 0 ? "spread over 8 years" : "all in the month");
}
BENCHMARK(BM_MonthSwitch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One entry edited: the model reads the Schedule again (what every ShowList
// after an edit costs the calendar), and the page is painted.
void BM_EditThenPaint(benchmark::State& state) {
  CalendarFixture& fixture = Fixture(static_cast<int>(state.range(0)));
  std::vector<uint8_t>& edited = fixture.schedule[kRecords / 2];
  for (auto _ : state) {
    edited[edited.size() - 2] ^= 1;  // the description's last character
    fixture.model.Sync(SourceOf(fixture.schedule));
    fixture.Paint();
  }
}
BENCHMARK(BM_EditThenPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

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
