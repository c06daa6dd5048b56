// The transfer commands: backup, restore, upload, download and send against an
// organizer (or the virtual one), detect, and the diagnosis modes simulate and
// linetest. What each does around its runs is the command layer's
// (commands/link_commands.h); here the command line is read and the results
// are printed.

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "backup_access.h"
#include "comm/detect_run.h"
#include "comm/link_settings.h"
#include "comm/messages.h"
#include "comm/progress_run.h"
#include "comm/progress_state.h"
#include "comm/virtual_organizer.h"
#include "command_table.h"
#include "commands/link_commands.h"
#include "commands/sync_commands.h"
#include "history/history.h"
#include "history/restore_journal.h"
#include "history_access.h"
#include "platform/app_dirs.h"
#include "platform/link_defaults.h"
#include "platform/port_diagnosis.h"
#include "platform/program_dir.h"
#include "platform/serial_devices.h"
#include "store/backup_file.h"
#include "store/result_code.h"
#include "store/store_diff.h"
#include "store/store_records.h"
#include "store/working_data.h"
#include "terminal_prompter.h"
#include "terminal_run.h"
#include "view/sync_report_text.h"

namespace kivo::cli {
namespace {

namespace fs = std::filesystem;

// The line-test run modes linetest accepts.
bool IsLineTestMode(int mode) {
  return mode == static_cast<int>(RunMode::kNegotiation) ||
         (mode >= static_cast<int>(RunMode::kSendAck) &&
          mode <= static_cast<int>(RunMode::kSendCategoryDump));
}

// A number argument (INDEX, MODE) as std::stoi reads it; -1 for none or for
// more than a number.
int WholeNumber(const std::string& text) {
  try {
    size_t used = 0;
    const int number = std::stoi(text, &used);
    return used == text.size() ? number : -1;
  } catch (const std::exception&) {
    return -1;
  }
}

std::string WithoutCarriageReturns(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out.push_back(c);
  }
  return out;
}

// The person at the terminal, as the command layer sees them: the runs'
// progress line, the boxes on the error stream, and the safety steps told
// rather than asked about, since scripts run the tool.
class Transfer : public CommandUser {
 public:
  explicit Transfer(CliContext& context)
      : context_(context),
        line_(*context.err, isatty(STDERR_FILENO) != 0),
        terminal_prompter_(*context.err, stdin),
        prompter_(line_, terminal_prompter_) {
    CommandSetup setup;
    setup.settings = &context.settings;
    setup.code_tables = &context.tables.code;
    setup.sort_table = active_sort_table();
    setup.port_factory = VirtualFactory();
    setup.data_dir = DataDir();
    setup.history_dir = HistoryDir(context);
    setup.overrides.port_name = PortName();
    setup.overrides.log_file_name = options().log_file;
    setup.overrides.no_echo = options().no_echo;
    setup.overrides.to_command = options().to_command_ms;
    setup.overrides.to_data_packet = options().to_packet_ms;
    setup.overrides.to_multiplier = options().to_multiplier_ms;
    setup.overrides.tel_records_min = options().tel_min;
    setup.no_snapshot = options().no_snapshot;
    setup.verify = options().verify;
    commands_ = std::make_unique<LinkCommands>(std::move(setup), *this);
  }

  LinkCommands& commands() { return *commands_; }
  const AppSettings& settings() const { return context_.settings; }
  const CliOptions& options() const { return context_.options; }
  std::ostream& err() { return *context_.err; }

  // ---- CommandUser ----------------------------------------------------------
  PromptAnswer Ask(const PromptBox& box) override { return prompter_.Ask(box); }

  ResultCode Show(LinkRun& run, const LinkSettings& shown) override {
    if (line_.terminal()) err() << ProgressState::Title(shown.run_mode) << "\n";
    const ResultCode result = RunWithProgress(run, line_, prompter_);
    telephone_check_failed_ = run.telephone_check_failed();
    return result;
  }

  bool GoOnAfterSnapshot(RunMode, const fs::path& kept,
                         const std::vector<LargeRemoval>& large) override {
    if (large.empty()) return true;
    err() << kToolName << ": this removes more than half of the records on the organizer:\n";
    for (const LargeRemoval& r : large) {
      err() << kToolName << ":   " << AppliName(r.id) << ": " << r.removed << " of its " << r.held
            << " records\n";
    }
    err() << kToolName << ": they are kept in " << kept.string() << "\n";
    return true;
  }

  bool TellSnapshotNotKept(RunMode, const std::string& error_text) override {
    err() << kToolName << ": " << error_text << "\n";
    // The run's failure and the way on follow once it has ended.
    return false;
  }

  void TellHistoryNotWritten(const std::string& error_text) override {
    err() << kToolName << ": " << error_text << "\n";
  }

  void TellJournalNotWritten(const fs::path& journal, const std::string& error_text) override {
    err() << kToolName << ": " << journal.string() << ": " << error_text
          << " (a failed restore cannot be resumed)\n";
  }

  void TellSnapshotNotUsable(const std::string& why, bool new_one) override {
    err() << kToolName << ": --resume: " << why
          << (new_one ? "; a new snapshot is taken first" : "; none is taken (--no-snapshot)")
          << "\n";
  }

  void TellEarlierSnapshotKept(const fs::path& kept) override {
    err() << kToolName << ": a restore failed before this one; the records from before it stay in "
          << kept.string() << ", the snapshot to go back to\n";
  }

  // A server's password, read from the terminal with echo off; nothing
  // off a terminal (a script gives it through KIVO_PASSWORD or ~/.netrc).
  std::optional<std::string> AskPassword(const std::string& target,
                                         const std::string& user) override {
    if (isatty(STDIN_FILENO) == 0) return std::nullopt;
    line_.BeginPrompt();
    err() << "Password for " << user << " at " << target << ": " << std::flush;
    termios before{};
    const bool quiet = tcgetattr(STDIN_FILENO, &before) == 0;
    if (quiet) {
      termios hidden = before;
      hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      (void)tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    std::string password;
    int c = std::fgetc(stdin);
    const bool answered = c != EOF;
    for (; c != EOF && c != '\n'; c = std::fgetc(stdin)) password.push_back(static_cast<char>(c));
    if (quiet) (void)tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
    err() << "\n";
    line_.EndPrompt();
    if (!answered) return std::nullopt;
    return password;
  }

  // ---- what the tool prints ------------------------------------------------
  // The exit status of a failed run, with its message (and for a port that
  // would not open, the reason) on the error stream.
  int Failure(ResultCode result) {
    if (result != kResultGaveUp) {
      err() << kToolName << ": " << WithoutCarriageReturns(ResultMessage(result)) << "\n";
    }
    if (result >= kResultCannotOpenCom1 && result <= kResultCannotOpenPort) {
      const std::string device = PortDevice();
      if (device.empty()) {
        err() << kToolName << ": no device is set for this port (settings [Ports])\n";
      } else if (device != kVirtualPort) {
        err() << kToolName << ": " << CheckPort(device).reason << "\n";
      }
    }
    // A record cut short is no matter of the telephone checks.
    if (result == kResultIncomplete && telephone_check_failed_) {
      err() << kToolName
            << ": to take the organizer's list as it comes, run again with --tel-min 0\n";
    }
    return RunFailedExit(result);
  }

  int Status(ResultCode result) { return result == kResultSuccess ? kExitOk : Failure(result); }

  // The options of this run that the lines it prints to go back or on need
  // too: without them the snapshot and the file read as another device's, or
  // the journal is looked for in another history.
  std::string SameFilesOptions() const {
    std::string given;
    if (options().settings_file) given += " --settings " + options().settings_file->string();
    if (options().device_code) given += " --device-code " + std::to_string(*options().device_code);
    if (options().history_dir) given += " --history " + options().history_dir->string();
    return given;
  }

  // The exit status of a Restore or Download, with what a failure left on
  // the organizer and how to go back or on.
  int Replaced(const RestoreResult& r) {
    if (!r.ok()) {
      const int status = Failure(r.code);
      if (r.deleted && !r.snapshot.empty()) {
        const std::string put_back =
            r.run_mode == RunMode::kRestore
                ? std::string("restore")
                : "download " + std::string(AppliKeyword(static_cast<AppliId>(r.appli_mode)));
        err() << kToolName << ": the organizer's records from before the run are kept in "
              << r.snapshot.string() << "\n"
              << kToolName << ": to put them back: " << kToolName << SameFilesOptions() << " "
              << put_back << " " << r.snapshot.string() << "\n";
      }
      if (r.deleted && !r.resume_from.empty()) {
        err() << kToolName << ": to finish this restore: " << kToolName << SameFilesOptions()
              << " restore --resume " << r.resume_from.string() << "\n";
      }
      if (r.snapshot_not_kept) {
        err() << kToolName << ": nothing was deleted: the snapshot could not be kept"
              << " (--no-snapshot deletes without one)\n";
      }
      return status;
    }
    for (const AppliDiff& d : r.verify_differences) {
      err() << kToolName << ": verify: " << AppliName(d.id) << ": " << d.only_a.size()
            << " missing, " << d.only_b.size() << " unexpected on the organizer\n";
    }
    return r.verify_differences.empty() ? kExitOk : kExitVerifyFailed;
  }

  // The sort table of the Model setting; null when sort.dat is missing.
  const SortTable* active_sort_table() const {
    const Tables& tables = context_.tables;
    return tables.sort_loaded ? &tables.sort[SelectSortTable(settings().model, 0) == 1 ? 1 : 0]
                              : nullptr;
  }
  fs::path DataDir() const { return options().data_dir ? *options().data_dir : context_.data_dir; }

  VirtualOrganizerOptions VirtualOptions() const {
    VirtualOrganizerOptions v;
    v.model = options().virtual_model;
    v.baud_rate = static_cast<uint32_t>(options().virtual_baud);
    v.echo = !options().no_echo;
    v.device_code = settings().device_code;
    v.tables = context_.tables;
    v.data_dir = DataDir();
    v.sample_dir = FindSampleDir();
    v.log_file_name = options().virtual_log.value_or("");
    v.hang_up_after_records = options().virtual_hang_up;
    v.lose_first_record = options().virtual_lose_record;
    return v;
  }

  // The ports the command opens: the virtual organizer behind "virtual",
  // whose PC-LINK button the person pressed as the command started (and
  // presses again every --virtual-press-every seconds).
  SerialPortFactory VirtualFactory() {
    if (!button_) {
      button_ = std::make_shared<VirtualPcLink>(
          true, static_cast<uint32_t>(options().virtual_press_every) * 1000u);
    }
    return VirtualOrganizerFactory(VirtualOptions(), DefaultSerialPortFactory(), button_);
  }

  // The device a run opened, for the reason it could not: the --port path,
  // or what the COM number stands for.
  std::string PortDevice() const {
    const std::string name = PortName();
    if (!name.empty()) return ResolvePort(name, settings().port_devices).device;
    return settings().PortDevice(settings().com_port);
  }

  // --port; else a device the desktop program's COM port dialog chose by
  // name (its virtual organizer stays the desktop's); else empty: COMPort.
  std::string PortName() const {
    if (options().port) return *options().port;
    const std::string& chosen = settings().port_name;
    return chosen == kVirtualPort ? std::string() : chosen;
  }

  TerminalLine& line() { return line_; }
  const CodeTables& code_tables() const { return context_.tables.code; }

 private:
  CliContext& context_;
  TerminalLine line_;
  TerminalPrompter terminal_prompter_;
  LinePrompter prompter_;
  bool telephone_check_failed_ = false;
  std::shared_ptr<VirtualPcLink> button_;
  std::unique_ptr<LinkCommands> commands_;
};

// The records of one application of `from` into `to`, replacing what `to`
// held of it.
void CopyAppli(const AppliStore& from, AppliStore& to, AppliId id) {
  const std::vector<std::vector<uint8_t>> records = StoreRecords(from, id);
  (void)to.ResetAppli(id);
  (void)PutInOrder(to, id, records, IdentityOrder(records.size()));
}

// Reads a backup file for sending: it must exist and carry the settings'
// device code. Only the applications the file holds become present, so an
// organizer's application the file does not carry (its category names, say)
// is left alone rather than overwritten with defaults.
int ReadForSending(const CliContext& context, const fs::path& file, AppliStore& store) {
  const StoreStatus result = ReadBackupFile(store, file);
  if (result.ok()) return kExitOk;
  return context.FileFailure(file, BackupReadFailure(result, store));
}

// A file that cannot be written where it is meant to go is found before the
// organizer is asked for its records.
int CheckWritableTarget(const CliContext& context, const fs::path& file) {
  std::error_code ec;
  const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
  if (!fs::is_directory(dir, ec)) return context.FileFailure(file, "No such directory");
  if (fs::is_directory(file, ec)) return context.FileFailure(file, "Is a directory");
  return kExitOk;
}

int Saved(CliContext& context, AppliStore& store, const fs::path& file) {
  const StoreStatus saved = SaveBackupFile(store, file, context.scramble());
  if (!saved.ok()) {
    return context.FileFailure(file,
                               saved.error_text.empty() ? "cannot be written" : saved.error_text);
  }
  return kExitOk;
}

int Backup(CliContext& context, std::span<const std::string> args) {
  if (!CheckTables(context)) return kExitFailure;
  if (int status = CheckWritableTarget(context, args[0]); status != kExitOk) return status;
  Transfer transfer(context);
  auto store = transfer.commands().NewStore();
  const BackupResult result = transfer.commands().Backup(*store, args[0]);
  if (result.code != kResultSuccess) return transfer.Failure(result.code);
  if (!result.file_error.empty()) return context.FileFailure(args[0], result.file_error);
  return kExitOk;
}

// restore --dry-run: what a restore of FILE would change, from the
// organizer's records (kept as a snapshot, received as they come, as a
// snapshot is); nothing is deleted or sent.
int DryRun(CliContext& context, Transfer& transfer, const fs::path& path, AppliStore& file) {
  const ReceiveResult result = transfer.commands().Compare(file, path);
  if (result.code != kResultSuccess) return transfer.Failure(result.code);
  const fs::path& kept = result.history.file;
  PrintComparison(context, result.diffs, *result.organizer, file,
                  kept.empty() ? "the organizer" : "the organizer (" + kept.string() + ")",
                  path.string(), context.options.records);
  return AnyDifference(result.diffs) ? kExitDifferent : kExitSame;
}

int Restore(CliContext& context, std::span<const std::string> args) {
  const fs::path path = fs::absolute(args[0]).lexically_normal();
  Transfer transfer(context);
  RestoreJob job;
  job.source = args[0];
  if (context.options.resume) {
    std::optional<RestoreJournal> on_record;
    switch (transfer.commands().CheckResumable(args[0], "", &on_record)) {
      case ResumeRefusal::kNone:
        job.resume = on_record;
        // Without a snapshot of every application still to be sent, nothing
        // could put back what the rest of the run deletes.
        if (context.options.no_snapshot) {
          const uint8_t left = static_cast<uint8_t>(kEveryAppliMask & ~on_record->done);
          if (const Status whole = HoldsApplis(on_record->snapshot, left); !whole) {
            return context.UsageFailure("--resume --no-snapshot: " + whole.error() +
                                        "; resume with a snapshot of its own");
          }
        }
        break;
      case ResumeRefusal::kNoJournal:
        return context.UsageFailure("--resume: no failed restore on record");
      case ResumeRefusal::kOtherFile:
        return context.UsageFailure("--resume: the failed restore sent " + on_record->file +
                                    ", not " + path.string());
      case ResumeRefusal::kChanged:
        return context.UsageFailure("--resume: " + path.string() +
                                    " has changed since the failed restore");
    }
  }
  if (!CheckTables(context)) return kExitFailure;
  auto file = transfer.commands().NewStore();
  if (int status = ReadForSending(context, args[0], *file); status != kExitOk) return status;
  if (context.options.dry_run) return DryRun(context, transfer, args[0], *file);
  job.records = file.get();
  return transfer.Replaced(transfer.commands().Restore(job));
}

// The exit status of one pair's sync, with what a failure left; 0 for a
// pair that synced or was only read.
int SyncStatus(CliContext& context, Transfer& transfer, const SyncRun& run) {
  switch (run.end) {
    case SyncEnd::kSynced:
    case SyncEnd::kDryRun:
    case SyncEnd::kDeclined:  // not here: the tool asks for no confirmation
      return kExitOk;
    case SyncEnd::kRefused:
    case SyncEnd::kBadSide:
    case SyncEnd::kTargetTrouble:
      return kExitTrouble;
    case SyncEnd::kVerifyFailed:
      return kExitVerifyFailed;
    case SyncEnd::kLinkFailed:
      break;
  }
  const int status = transfer.Failure(run.link_code);
  if (!run.snapshot.empty()) {
    *context.err << kToolName << ": the organizer's records from before the sync are kept in "
                 << run.snapshot.string() << "\n";
  }
  return status;
}

int Sync(CliContext& given, std::span<const std::string> args) {
  CliContext context = given;
  // sync FILE, sync LEFT RIGHT, sync organizer TARGET TARGET ...
  if (args.size() > 2 && args[0] != "organizer") {
    return context.UsageFailure("with more than two sides the first is organizer, not '" + args[0] +
                                "'");
  }
  if (context.options.no_snapshot) {
    *context.err << kToolName
                 << ": sync always keeps a snapshot before it writes to the organizer;"
                    " --no-snapshot does not apply\n";
    context.options.no_snapshot = false;
  }
  SyncRequest request;
  request.options.dry_run = context.options.dry_run;
  request.options.force = context.options.force;
  request.options.verify = true;
  request.options.reset_state = context.options.reset_state;
  request.options.wait = !context.options.no_wait;
  if (context.options.apps) request.options.apps = *context.options.apps & kAllSyncAppli;
  request.conflict = context.options.conflict;
  if (context.options.state_dir) request.state_root = *context.options.state_dir;
  if (context.options.user) request.user = *context.options.user;
  if (context.options.ca_file) request.ca_file = *context.options.ca_file;
  const std::string left = args.size() >= 2 ? args[0] : std::string("organizer");
  const std::span<const std::string> others = args.size() >= 2 ? args.subspan(1) : args;
  if (!CheckTables(context)) return kExitTrouble;

  Transfer transfer(context);
  SyncSetup setup;
  setup.tables = &transfer.code_tables();
  setup.items = SyncItemContext(context.tables.allowed, transfer.code_tables());
  setup.dirs = CurrentAppDirs();
  SyncCommands sync(transfer.commands(), transfer, std::move(setup));
  const std::vector<SyncRun> runs = sync.RunRound(left, others, request);
  if (runs.size() == 1 && !runs[0].problem.empty()) {
    *context.err << kToolName << ": " << runs[0].problem << "\n";
    return kExitTrouble;
  }
  RowContext rows;
  rows.display_date = context.settings.display_date;
  rows.display_hour = context.settings.display_hour;
  rows.category_names = CategoryNamesOf(*transfer.commands().NewStore());
  int status = kExitOk;
  bool refused = false;
  for (size_t i = 0; i < runs.size(); ++i) {
    // Several targets: each pair under its own heading.
    if (runs.size() > 1)
      *context.out << (i > 0 ? "\n" : "") << "== " << left << " and " << others[i] << "\n";
    *context.out << RenderSyncReport(runs[i].report, rows) << std::flush;
    refused = refused || runs[i].end == SyncEnd::kRefused;
    const int pair = SyncStatus(context, transfer, runs[i]);
    // The link's failure first (it names the link's code), then a read back
    // that differed, then trouble with a side.
    auto rank = [](int s) {
      return s >= kExitRunFailed && s != kExitVerifyFailed ? 3
             : s == kExitVerifyFailed                      ? 2
             : s != kExitOk                                ? 1
                                                           : 0;
    };
    if (rank(pair) > rank(status)) status = pair;
  }
  if (refused) *context.err << kToolName << ": refused; --force goes on all the same\n";
  return status;
}

int Upload(CliContext& context, std::span<const std::string> args) {
  std::optional<AppliId> id = ParseAppliArgument(context, args[0]);
  if (!id) return kExitUsage;
  if (!CheckTables(context)) return kExitFailure;
  Transfer transfer(context);
  // The file is read first: a file that cannot take the records is found
  // before the organizer is asked for them.
  if (int status = CheckWritableTarget(context, args[1]); status != kExitOk) return status;
  auto file = std::make_unique<AppliStore>(context.tables.code);
  if (int status = ReadBackupForChange(context, args[1], *file); status != kExitOk) return status;
  auto arrived = transfer.commands().NewStore();
  const ResultCode result = transfer.commands().Run(RunMode::kUpload, *id, arrived.get(),
                                                    context.settings.upload_tel_records_min);
  if (result != kResultSuccess) return transfer.Failure(result);
  CopyAppli(*arrived, *file, *id);
  if (*id == kExpense) CopyAppli(*arrived, *file, kCategoryList);
  file->EnsureAllAppli();
  return Saved(context, *file, args[1]);
}

int Download(CliContext& context, std::span<const std::string> args) {
  std::optional<AppliId> id = ParseAppliArgument(context, args[0]);
  if (!id) return kExitUsage;
  if (!CheckTables(context)) return kExitFailure;
  Transfer transfer(context);
  auto file = transfer.commands().NewStore();
  if (int status = ReadForSending(context, args[1], *file); status != kExitOk) return status;
  return transfer.Replaced(transfer.commands().Download(*id, *file));
}

int Send(CliContext& context, std::span<const std::string> args) {
  std::optional<AppliId> id = ParseAppliArgument(context, args[0]);
  if (!id) return kExitUsage;
  const int index = WholeNumber(args[2]);
  if (index < 0)
    return context.UsageFailure("INDEX must be a record number from 0, not '" + args[2] + "'");
  if (!CheckTables(context)) return kExitFailure;
  Transfer transfer(context);
  auto file = transfer.commands().NewStore();
  if (int status = ReadForSending(context, args[1], *file); status != kExitOk) return status;
  const int count = std::max(file->GetRecordCount(*id), 0);
  if (index >= count) {
    return context.UsageFailure(std::string(AppliName(*id)) + " has " + std::to_string(count) +
                                " records; there is no record " + std::to_string(index));
  }
  auto store = transfer.commands().NewStore();
  if (store->PutRecord(*id, 0, file->Record(*id, index)) != kStoreOk) {
    return context.FileFailure(args[1], "the record cannot be taken");
  }
  return transfer.Status(transfer.commands().Run(RunMode::kSendRecord, *id, store.get(),
                                                 context.settings.bk_tel_records_min));
}

int Detect(CliContext& context, std::span<const std::string>) {
  Transfer transfer(context);
  const AppSettings& s = context.settings;
  RunOverrides overrides;
  overrides.log_file_name = context.options.log_file;
  overrides.no_echo = context.options.no_echo;
  DetectRun run;
  run.Configure(DetectSetup(
      s, transfer.VirtualFactory(),
      [&s] { return DetectCandidates(OpenSerialDevices()->List(), s.port_devices); }, overrides));
  const ResultCode result = DetectWithProgress(run, transfer.line());
  if (IsComPortNumber(result)) {
    *context.out << PortKey(result) << "\n";
    return kExitOk;
  }
  if (result == kResultSuccess) {
    *context.out << run.found().device << "\n";
    return kExitOk;
  }
  *context.err << kToolName << ": " << kAutoDetectFailedText << "\n";
  return RunFailedExit(result);
}

int Simulate(CliContext& context, std::span<const std::string> args) {
  // The application that records sent with SEND_1_RECORD are taken for.
  int appli = context.settings.appli_id;
  if (!args.empty()) {
    std::optional<AppliId> id = ParseAppliArgument(context, args[0]);
    if (!id) return kExitUsage;
    appli = *id;
  }
  Transfer transfer(context);
  return transfer.Status(transfer.commands().Run(RunMode::kDevice, appli, nullptr, 0));
}

int LineTest(CliContext& context, std::span<const std::string> args) {
  const int mode = WholeNumber(args[0]);
  if (!IsLineTestMode(mode)) {
    return context.UsageFailure("MODE must be 0 or 10..17, not '" + args[0] + "'");
  }
  // The category modes work on the category list unless told otherwise; the
  // others on the application of the settings.
  // The number given is the run mode itself.
  const auto run_mode = static_cast<RunMode>(mode);
  const bool category =
      run_mode == RunMode::kReceiveCategoryDump || run_mode == RunMode::kSendCategoryDump;
  int appli = category ? kCategoryList : context.settings.appli_id;
  if (args.size() > 1) {
    std::optional<AppliId> id = ParseAppliArgument(context, args[1]);
    if (!id) return kExitUsage;
    appli = *id;
  }
  Transfer transfer(context);
  return transfer.Status(transfer.commands().Run(run_mode, appli, nullptr, 0));
}

int Ports(CliContext& context, std::span<const std::string>) {
  std::ostream& out = *context.out;
  const AppSettings& s = context.settings;
  out << "COM ports (settings [Ports]):\n";
  for (int port = 1; port <= kComPorts; ++port) {
    const std::string device = s.PortDevice(port);
    const bool chosen = port == s.com_port && (s.port_name.empty() || s.port_name == kVirtualPort);
    out << "  " << PortKey(port) << (chosen ? " *" : "  ") << " "
        << (device.empty() ? "(none)" : device);
    if (device == kVirtualPort) {
      out << "  the built-in virtual organizer\n";
    } else if (!device.empty()) {
      out << "  " << CheckPort(device).reason << "\n";
    } else {
      out << "\n";
    }
  }
  if (!s.port_name.empty() && s.port_name != kVirtualPort) {
    out << "  in use instead (settings PortName): " << s.port_name << "  "
        << CheckPort(s.port_name).reason << "\n";
  }
  out << "\nSerial devices:\n";
  const std::vector<SerialDevice> devices = OpenSerialDevices()->List();
  if (devices.empty()) {
    out << "  none found (/dev/serial/by-id, /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS*)\n";
  }
  for (const SerialDevice& device : devices) {
    // What the system tells of it: the node behind a by-id name, the
    // adapter, its latency timer.
    std::vector<std::string> about;
    if (device.node != device.path) about.push_back(device.node);
    if (const std::string description = device.Description(); !description.empty()) {
      about.push_back(description);
    }
    if (!device.serial.empty()) about.push_back("serial " + device.serial);
    if (device.latency_timer_ms >= 0) {
      about.push_back("latency timer " + std::to_string(device.latency_timer_ms) + " ms");
    }
    out << "  " << device.path << (device.path == s.port_name ? " *" : "");
    const std::string reason = CheckPort(device.path).reason;
    if (about.empty()) {
      out << "  " << reason << "\n";
      continue;
    }
    out << "\n     ";
    for (size_t i = 0; i < about.size(); ++i) out << (i > 0 ? ", " : " ") << about[i];
    out << "\n      " << reason << "\n";
  }
  out << "\n* the port in use. -p virtual plays an organizer without a cable.\n";
  return kExitOk;
}

constexpr std::string_view kRunDetails =
    "Exit status 0 on success, 100 + the result code on failure (the message on\n"
    "stderr), 1 when a file cannot be read or written, 2 for a bad command line.\n"
    "On failure the file is neither created nor changed. Ctrl+C aborts the run.";

constexpr std::string_view kBackupDetails =
    "Exit status 0 on success, 100 + the result code on failure (the message on\n"
    "stderr), 1 when a file cannot be read or written, 2 for a bad command line.\n"
    "On failure the file is neither created nor changed. Ctrl+C aborts the run.\n"
    "A successful backup is also kept in the history (kivo-link history).";

constexpr std::string_view kRestoreDetails =
    "First the organizer's records are received and kept in the history as a\n"
    "snapshot (not with --no-snapshot or [History] Snapshot=0); an application\n"
    "losing more than half of its records is named on stderr. Then its\n"
    "applications are deleted and FILE's sent. A run that fails after deleting\n"
    "names the snapshot and how to put it back. Which applications are complete\n"
    "is noted in restore.journal in the history folder; --resume FILE then sends\n"
    "only the others (exit 2 when there is no failed restore of FILE on record),\n"
    "after a snapshot of its own unless the failed run's is on disk and whole.\n"
    "A Download's snapshot goes back as a download of what it holds.\n"
    "--verify reads back what was sent: exit 120 when it differs. --dry-run\n"
    "compares the organizer with FILE (as diff does: exit 0 equal, 1 different)\n"
    "and changes nothing. Otherwise exit 0 on success, 100 + the result code on\n"
    "failure, 1 when FILE cannot be read, 2 for a bad command line.";

constexpr std::string_view kDownloadDetails =
    "First the organizer's records of APP (with expense: and its categories) are\n"
    "kept in the history as a snapshot (not with --no-snapshot); --verify reads\n"
    "back what was sent: exit 120 when it differs. Otherwise exit 0 on success,\n"
    "100 + the result code on failure, 1 when FILE cannot be read, 2 for a bad\n"
    "command line.";

constexpr std::string_view kSyncDetails =
    "Two-way sync. With one argument the organizer (the port of --port or the\n"
    "settings) is synced with FILE, a backup file of its device code, created by\n"
    "the first sync. Each side is organizer, a backup file, contacts:DIR|URL\n"
    "(a vdir or a CardDAV address book: Telephone) or calendar:DIR|URL (a vdir\n"
    "or a CalDAV calendar: Schedule, Anniversary, To Do). With organizer and\n"
    "several targets, the organizer is read once and synced with each target in\n"
    "turn, then written once, in one link session: a change on one target\n"
    "reaches the organizer and every other target in the same run.\n"
    "Each application is merged against the base, both sides' records after the\n"
    "last sync, kept per pair in the state folder: additions and removals on\n"
    "either side go to the other, two different edits of one record keep both\n"
    "(--conflict). An application that became empty on one side or would lose\n"
    "more than half of its records is refused unless --force. The organizer is\n"
    "written only where it changed, after a snapshot, and read back. An\n"
    "interrupted sync is finished by the next one. A side that stands for an\n"
    "organizer gets no more than 920 records an application; what has no room\n"
    "stays where it is and is named. Without a state (a first sync, or after\n"
    "--reset-state) records equal on both sides are one, and one key with two\n"
    "contents is a conflict. A second sync of the same pair waits for the first\n"
    "(--no-wait: exit 2).\n"
    "Exit status 0 synced (also with conflicts kept) or dry run, 2 refused, a\n"
    "side that is not what it must be, a target in trouble or a bad command\n"
    "line, 100 + the result code when the link failed, 120 when the records read\n"
    "back differ from those sent (the next sync sends them again).";

const CliCommand kTransferCommands[] = {
    {"backup", "FILE.bkf", "receive every application from the organizer into FILE", kBackupDetails,
     1, 1, Backup},
    {"restore", "FILE.bkf",
     "send every application of FILE to the organizer (its records are deleted first)",
     kRestoreDetails, 1, 1, Restore},
    {"upload", "APP FILE.bkf", "receive one application into FILE (created when missing)",
     kRunDetails, 2, 2, Upload},
    {"download", "APP FILE.bkf", "send one application of FILE, replacing the organizer's",
     kDownloadDetails, 2, 2, Download},
    {"send", "APP FILE.bkf INDEX", "send record INDEX (from 0) of APP in FILE to the organizer",
     kRunDetails, 3, 3, Send},
    {"sync", "[LEFT] RIGHT | organizer TARGET...",
     "two-way sync of the organizer and FILE, of two sides (organizer, FILE, contacts:,"
     " calendar:), or of the organizer and several targets in one session",
     kSyncDetails, 1, 64, Sync},
    {"detect", "", "find the port (serial device or COM1..COM4) on which the organizer answers",
     "Press the organizer's PC-LINK button, then start. Tries every serial device\n"
     "present and the COM ports of the settings; prints the port found.\n"
     "Exit status 0 when found, 112 when not.",
     0, 0, Detect},
    {"simulate", "[APP]", "play the organizer on the port with the dump files of --data DIR",
     "Serves <app>.snd files and writes <app>.rcv files (schedule, anniversary, todo,\n"
     "memo, expense, telephone, expense_category) until the PC ends the link. Records\n"
     "the PC sends one by one go to APP's file (default: the AppliID setting).",
     0, 1, Simulate},
    {"linetest", "MODE [APP]", "one line-test run: MODE 0 or 10..17",
     "0 negotiation, 10 ACK, 11 NACK, 12 END_COMMUNICATION, 13 send APP's .snd dump,\n"
     "14 DELETE_ALL_RECORDS, 15 receive APP into its .rcv dump, 16 receive the\n"
     "category list, 17 send the category list. Dump files lie in --data DIR.",
     1, 2, LineTest},
    {"ports", "", "the COM port mapping and the serial devices, and why one will not open",
     "Each device with its adapter's name and latency timer where the system\n"
     "tells them, whether it can be opened and, if not, why: missing, no\n"
     "permission (the owning group, such as dialout, and whether you are in it),\n"
     "or busy (and which process holds it).",
     0, 0, Ports},
};

}  // namespace

std::span<const CliCommand> TransferCommands() { return kTransferCommands; }

}  // namespace kivo::cli
