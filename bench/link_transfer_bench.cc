// A full Backup and a full Restore (every application) with an organizer that
// holds the same number of records in each application, over the in-memory
// cable paced like the real one (19200 baud: 1920 bytes a second, with the
// cable's echo). The PC side is the real communication run; the organizer is
// the virtual one on a thread of its own.
//
// What the user waits for cannot be less than the wire time: every byte each
// side puts on the line at 1920 bytes a second, plus the 10 ms the link lets
// the line settle before every send of either side. Reported:
//   bound_s        that wire-time bound
//   wall_per_bound wall time / bound (goal: at most 1.05)
//   cpu_per_wall   CPU seconds of the process (both sides) per wall second
//                  (goal: under 0.02)
// The full size (920 records a application) takes minutes; by default the
// benchmark runs 92 records, and --records=N picks another count.
// BM_FullRestoreSnapshot is the Restore with its snapshot: the organizer's
// records are received before they are deleted, so it costs one Backup more.

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "comm/link_settings.h"
#include "comm/progress_run.h"
#include "comm/virtual_organizer.h"
#include "link/link_observer.h"
#include "platform/link_defaults.h"
#include "platform/memory_line.h"
#include "platform/program_dir.h"
#include "platform/prompter.h"
#include "store/appli_store.h"
#include "store/char_tables.h"
#include "support/forwarding_port.h"

namespace kivo {
namespace {

constexpr uint32_t kLineBytesPerSecond = 1920;
constexpr double kDrainPauseS = 0.010;

// Counts the sends through one end: a send purges the port and then writes.
class CountingPort : public ForwardingPort {
 public:
  CountingPort(std::unique_ptr<SerialPort> inner, std::atomic<int>* sends)
      : ForwardingPort(std::move(inner)), sends_(sends) {}
  bool Purge(bool input, bool output) override {
    if (input && output) purged_ = true;
    return ForwardingPort::Purge(input, output);
  }
  int Write(std::span<const uint8_t> bytes) override {
    if (purged_) {
      ++*sends_;
      purged_ = false;
    }
    return ForwardingPort::Write(bytes);
  }

 private:
  std::atomic<int>* sends_;
  bool purged_ = false;
};

// One session: the paced cable, the organizer's thread serving the given
// organizer, and the PC's port, counted.
class Session {
 public:
  explicit Session(VirtualOrganizer& organizer) : organizer_(organizer) {
    line_ = MemoryLine::Create();
    line_->SetEcho(0, true);
    line_->SetEcho(1, true);
    line_->SetPacing(kLineBytesPerSecond);
  }
  ~Session() { Join(); }

  SerialPortFactory PcFactory() {
    return [this](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> {
      // The organizer is put into PC-LINK when the PC opens its port.
      Start();
      return std::make_unique<CountingPort>(line_->MakeEnd(0), &sends_);
    };
  }

  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  int organizer_result() const { return organizer_result_; }
  int sends() const { return sends_.load(); }
  uint64_t bytes() const { return line_->Written(0) + line_->Written(1); }

 private:
  void Start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([this] {
      CommLink link;
      link.SetSerialPortFactory([this](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> {
        return std::make_unique<CountingPort>(line_->MakeEnd(1), &sends_);
      });
      link.SetPortName(kVirtualPort);
      link.Configure({.echo_back = true});
      if (link.OpenPort(-1)) {
        organizer_result_ = organizer_.Serve(link);
        (void)link.ClosePort();
      }
    });
  }

  VirtualOrganizer& organizer_;
  std::shared_ptr<MemoryLine> line_;
  std::thread thread_;
  std::atomic<int> sends_{0};
  int organizer_result_ = 0;
};

class QuietWindow : public LinkObserver {};

double CpuSeconds() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct PcTables {
  CodeTables code;
  SortTable model0{};
  SortTable model1{};
  PcTables() {
    code = bench::BenchTables().code;
    model0 = bench::BenchTables().sort[0];
    model1 = bench::BenchTables().sort[1];
  }
};

// Arg 0: run mode (RunMode::kBackup or kRestore, as its number); Arg 1: records per application;
// Arg 2: 1 for a Restore that takes a snapshot first.
void BM_FullTransfer(benchmark::State& state) {
  const auto run_mode = static_cast<RunMode>(state.range(0));
  const int records = static_cast<int>(state.range(1));
  const bool snapshot = state.range(2) != 0;
  static const PcTables tables;
  VirtualOrganizerOptions options;
  options.model = VirtualModel::kM;
  options.tables = bench::BenchTables();
  VirtualOrganizer organizer(options);
  bench::FillStore(organizer.store(), records);
  organizer.SortTelephone();
  // The PC's store for a restore: what the organizer holds, in PC coding.
  AppliStore restore_source(tables.code);
  bench::FillStore(restore_source, records);

  double wall_s = 0;
  double cpu_s = 0;
  double bound_s = 0;
  for (auto _ : state) {
    AppliStore pc_store(tables.code);
    (void)pc_store.GetAppliBuf(kStoreSlots);
    if (run_mode == RunMode::kRestore) CopyAppliStore(pc_store, restore_source);
    AppliStore taken(tables.code);
    (void)taken.GetAppliBuf(kStoreSlots);
    Session session(organizer);
    LinkSettings s;
    s.run_mode = run_mode;
    s.appli_mode = kAllAppli;
    s.store = &pc_store;
    s.port_name = std::string(kVirtualPort);
    s.port_factory = session.PcFactory();
    s.sort_table = &tables.model0;
    s.code_tables = &tables.code;
    if (snapshot) s.safe.snapshot = &taken;
    ProgressRun run;
    run.ApplyLinkSettings(s);
    QuietWindow window;
    SilentPrompter prompter;

    const double cpu_before = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (!run.Start(&window, &prompter)) {
      state.SkipWithError("start");
      break;
    }
    const int result = run.Wait();
    session.Join();
    const auto end = std::chrono::steady_clock::now();
    cpu_s += CpuSeconds() - cpu_before;
    const double wall = std::chrono::duration<double>(end - start).count();
    wall_s += wall;
    bound_s +=
        static_cast<double>(session.bytes()) / kLineBytesPerSecond + session.sends() * kDrainPauseS;
    state.SetIterationTime(wall);

    bool complete = result == kResultSuccess;
    const AppliStore& check = run_mode == RunMode::kBackup ? pc_store : organizer.store();
    for (AppliId id = kSchedule; id <= kTelephone; ++id) {
      complete = complete && check.GetRecordCount(id) == records;
      if (snapshot) complete = complete && taken.GetRecordCount(id) == records;
    }
    if (!complete) {
      state.SkipWithError(("transfer failed, result " + std::to_string(result) + ", organizer " +
                           std::to_string(session.organizer_result()))
                              .c_str());
      break;
    }
    state.counters["bytes"] = static_cast<double>(session.bytes());
    state.counters["sends"] = session.sends();
  }
  state.counters["bound_s"] = bound_s / static_cast<double>(state.iterations());
  state.counters["wall_per_bound"] = wall_s / bound_s;
  state.counters["cpu_per_wall"] = cpu_s / wall_s;
  state.counters["records"] = records * 6;
  state.SetLabel(run_mode == RunMode::kBackup ? "Backup"
                 : snapshot                   ? "Restore+snapshot"
                                              : "Restore");
}

}  // namespace
}  // namespace kivo

int main(int argc, char** argv) {
  int records = 92;
  // --records=N: records per application (920 is a full organizer).
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--records=", 10) == 0) {
      records = std::atoi(argv[i] + 10);
      for (int k = i; k + 1 < argc; ++k) argv[k] = argv[k + 1];
      --argc;
      --i;
    }
  }
  struct {
    const char* name;
    kivo::RunMode mode;
    int snapshot;
  } const runs[] = {{"BM_FullBackup", kivo::RunMode::kBackup, 0},
                    {"BM_FullRestore", kivo::RunMode::kRestore, 0},
                    {"BM_FullRestoreSnapshot", kivo::RunMode::kRestore, 1}};
  for (const auto& r : runs) {
    benchmark::RegisterBenchmark(r.name, kivo::BM_FullTransfer)
        ->Args({static_cast<int>(r.mode), records, r.snapshot})
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
