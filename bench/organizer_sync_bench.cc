// The sync of the organizer with a backup file against a Backup of the same
// organizer, through the command layer and the virtual organizer paced like
// the real cable (19200 baud). A sync with no change on either side receives
// each application once and sends nothing, so it should cost what a Backup
// costs. Reported:
//   backup_s             a Backup of every application
//   sync_per_backup      a sync with no change / the Backup (goal: at most 1.03)
//   quiet_sessions       link sessions of the no-change sync (1: only the read)
//   one_change_s         a sync after one memo was edited in the file
//   one_change_written   applications sent to the organizer by it (1: Memo only)
// The full size (920 records an application) takes most of an hour; by
// default the benchmark runs 92 records, and --records=N picks another count.

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "comm/progress_run.h"
#include "comm/virtual_organizer.h"
#include "commands/sync_commands.h"
#include "link/link_observer.h"
#include "platform/link_defaults.h"
#include "platform/prompter.h"
#include "store/backup_file.h"
#include "store/char_tables.h"
#include "store/store_records.h"
#include "sync/record_set_store.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

class QuietWindow : public LinkObserver {};

// Runs every step of a session to its end.
class BenchUser : public CommandUser {
 public:
  PromptAnswer Ask(const PromptBox& box) override { return prompter_.Ask(box); }
  ResultCode Show(LinkRun& run, const LinkSettings&) override {
    QuietWindow window;
    if (!run.Start(&window, &prompter_)) return kResultGaveUp;
    return run.Wait();
  }
  bool GoOnAfterSnapshot(RunMode, const fs::path&, const std::vector<LargeRemoval>&) override {
    return true;
  }
  bool TellSnapshotNotKept(RunMode, const std::string&) override { return false; }
  void TellHistoryNotWritten(const std::string&) override {}
  void TellJournalNotWritten(const fs::path&, const std::string&) override {}
  void TellSnapshotNotUsable(const std::string&, bool) override {}

 private:
  SilentPrompter prompter_;
};

// The organizer and the commands that reach it, paced or not.
struct Setup {
  Setup(const fs::path& dir, uint32_t baud) : user() {
    settings.port_name = std::string(kVirtualPort);
    VirtualOrganizerOptions organizer;
    organizer.model = VirtualModel::kM;
    organizer.data_dir = dir / "organizer";
    organizer.tables = bench::BenchTables();
    organizer.baud_rate = baud;
    code = bench::BenchTables().code;
    CommandSetup setup;
    setup.settings = &settings;
    setup.code_tables = &code;
    // One press per command, as the owner gives it: a command that needs a
    // second session would wait for a press that never comes.
    setup.port_factory = VirtualOrganizerFactory(organizer, DefaultSerialPortFactory(), button);
    setup.data_dir = dir;
    setup.history_dir = dir / "history";
    commands = std::make_unique<LinkCommands>(std::move(setup), user);
    const ItemContext items = SyncItemContext(bench::BenchTables().allowed, code);
    sync = std::make_unique<SyncCommands>(*commands, user, SyncSetup{&code, items, {}});
    request.state_root = dir / "state";
  }
  double Timed(const fs::path& file, SyncRun* run) {
    const auto start = std::chrono::steady_clock::now();
    button->Press();
    *run = sync->Run("organizer", file.string(), request);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  std::shared_ptr<VirtualPcLink> button = std::make_shared<VirtualPcLink>(/*pressed=*/false);
  AppSettings settings;
  CodeTables code;
  BenchUser user;
  std::unique_ptr<LinkCommands> commands;
  std::unique_ptr<SyncCommands> sync;
  SyncRequest request;
};

void BM_OrganizerSync(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const fs::path dir = bench::BenchDir() / "organizer_sync";
  const fs::path file = dir / "pc.bkf";
  for (auto _ : state) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    // Filled and synced once at memory speed: the base both sides start from.
    Setup fast(dir, 0);
    auto full = fast.commands->NewStore();
    bench::FillStore(*full, records);
    SyncRun run;
    fast.button->Press();
    if (!fast.commands->Replace(kEveryAppliMask, *full, {}, false).ok() ||
        (fast.Timed(file, &run), !run.ok())) {
      state.SkipWithError("setting up the organizer failed");
      break;
    }

    Setup paced(dir, 19200);
    auto backup = paced.commands->NewStore();
    const auto start = std::chrono::steady_clock::now();
    paced.button->Press();
    if (paced.commands->Backup(*backup).code != kResultSuccess) {
      state.SkipWithError("backup failed");
      break;
    }
    const double backup_s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int before = paced.button->sessions();
    const double quiet_s = paced.Timed(file, &run);
    if (run.end != SyncEnd::kSynced || (run.report.written[0] | run.report.written[1]) != 0) {
      state.SkipWithError("the no-change sync wrote or failed");
      break;
    }
    state.counters["quiet_sessions"] = paced.button->sessions() - before;
    state.SetIterationTime(quiet_s);
    state.counters["backup_s"] = backup_s;
    state.counters["sync_per_backup"] = quiet_s / backup_s;

    // One memo edited in the file.
    auto pc = paced.commands->NewStore();
    (void)ReadBackupFile(*pc, file);
    Records memos = StoreRecords(*pc, kMemo);
    memos[0] = bench::EncodeRecord(kMemo, records + 1);
    (void)ReplaceAppliRecords(*pc, kMemo, memos);
    (void)SaveBackupFile(*pc, file, true);
    const double one_s = paced.Timed(file, &run);
    if (run.end != SyncEnd::kSynced) {
      state.SkipWithError("the one-change sync failed");
      break;
    }
    state.counters["one_change_s"] = one_s;
    state.counters["one_change_written"] = __builtin_popcount(run.report.written[0]);
  }
  state.counters["records"] = records * 6;
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
  benchmark::RegisterBenchmark("BM_OrganizerSync", kivo::BM_OrganizerSync)
      ->Arg(records)
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kSecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(kivo::bench::BenchDir(), ec);
  return 0;
}
