// The transfer commands: backup, restore, upload, download and send against an
// organizer (or the virtual one), detect, and the diagnosis modes simulate and
// linetest.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
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
#include "comm/progress_run.h"
#include "comm/progress_state.h"
#include "comm/transfer_setup.h"
#include "comm/virtual_organizer.h"
#include "command_table.h"
#include "history/history.h"
#include "history/restore_journal.h"
#include "history_access.h"
#include "link_options.h"
#include "platform/link_defaults.h"
#include "platform/port_diagnosis.h"
#include "platform/program_dir.h"
#include "platform/serial_devices.h"
#include "store/backup_file.h"
#include "store/messages.h"
#include "store/result_code.h"
#include "store/store_diff.h"
#include "store/store_records.h"
#include "store/working_data.h"
#include "terminal_prompter.h"
#include "terminal_run.h"
#include "view/list_row.h"
#include "view/row_sort.h"

namespace kivo::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kExitRunFailed = 100;  // + the ResultCode

// The line-test run modes linetest accepts.
bool IsLineTestMode(int mode) {
  return mode == static_cast<int>(RunMode::kNegotiation) ||
         (mode >= static_cast<int>(RunMode::kSendAck) &&
          mode <= static_cast<int>(RunMode::kSendCategoryDump));
}

std::string WithoutCarriageReturns(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out.push_back(c);
  }
  return out;
}

// Everything one run needs beyond the store: the settings with the options
// over them, the tables of the telephone check, the terminal.
class Transfer {
 public:
  explicit Transfer(CliContext& context)
      : context_(context),
        options_(context.link),
        code_tables_(LoadCodeTables(DataFilePath("code.dat"))),
        line_(*context.err, isatty(STDERR_FILENO) != 0),
        terminal_prompter_(*context.err, stdin),
        prompter_(line_, terminal_prompter_) {
    sort_loaded_ = LoadSortTables(DataFilePath("sort.dat"), sort_tables_[0], sort_tables_[1]);
  }

  const AppSettings& settings() const { return context_.settings; }
  // The sort table of the Model setting; null when sort.dat is missing.
  const SortTable* active_sort_table() const {
    return sort_loaded_ ? &sort_tables_[SelectSortTable(settings().model, 0) == 1 ? 1 : 0]
                        : nullptr;
  }
  fs::path DataDir() const { return options_.data_dir ? *options_.data_dir : context_.data_dir; }

  VirtualOrganizerOptions VirtualOptions() const {
    VirtualOrganizerOptions v;
    v.model = options_.virtual_model;
    v.baud_rate = options_.virtual_baud;
    v.echo = !options_.no_echo;
    v.device_code = settings().device_code;
    v.data_dir = DataDir();
    v.log_file_name = options_.virtual_log.value_or("");
    v.hang_up_after_records = options_.virtual_hang_up;
    v.lose_first_record = options_.virtual_lose_record;
    return v;
  }

  LinkSettings Settings(RunMode run_mode, int appli_mode, AppliStore* store, int tel_min) const {
    TransferRequest request;
    request.run_mode = run_mode;
    request.appli_mode = appli_mode;
    request.store = store;
    request.tel_records_min = options_.tel_min.value_or(tel_min);
    request.sort_table = active_sort_table();
    request.code_table = &code_tables_.b;
    request.port_name = PortName();
    request.port_factory = VirtualOrganizerFactory(VirtualOptions());
    request.data_dir = DataDir();
    request.log_file_name = options_.log_file;
    request.no_echo = options_.no_echo;
    request.to_command = options_.to_command_ms;
    request.to_data_packet = options_.to_packet_ms;
    request.to_multiplier = options_.to_multiplier_ms;
    return MakeLinkSettings(settings(), request);
  }

  // One run to its end; the ResultCode. `report` receives what the safety
  // steps did.
  int Run(const LinkSettings& link, SafeTransferReport* report = nullptr) {
    ProgressRun run;
    run.ApplyLinkSettings(link);
    if (line_.terminal()) *context_.err << ProgressState::Title(link.run_mode) << "\n";
    const int result = RunWithProgress(run, line_, prompter_);
    if (report != nullptr) *report = run.run().safe_report();
    telephone_check_failed_ = run.link().telephone_check_failed();
    return result;
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
    if (options_.port) return *options_.port;
    const std::string& chosen = settings().port_name;
    return chosen == kVirtualPort ? std::string() : chosen;
  }

  // The exit status of a failed run, with its message (and for a port that
  // would not open, the reason) on the error stream.
  int Failure(int result) {
    std::ostream& err = *context_.err;
    if (result != kResultGaveUp) {
      err << kToolName << ": " << WithoutCarriageReturns(ResultMessage(result)) << "\n";
    }
    if (result >= kResultCannotOpenCom1 && result <= kResultCannotOpenPort) {
      const std::string device = PortDevice();
      if (device.empty()) {
        err << kToolName << ": no device is set for this port (settings [Ports])\n";
      } else if (device != kVirtualPort) {
        err << kToolName << ": " << CheckPort(device).reason << "\n";
      }
    }
    // A record cut short is no matter of the telephone checks.
    if (result == kResultIncomplete && telephone_check_failed_) {
      err << kToolName
          << ": to take the organizer's list as it comes, run again with --tel-min 0\n";
    }
    return kExitRunFailed + result;
  }

  CliContext& context() { return context_; }

 private:
  CliContext& context_;
  LinkOptions options_;
  CodeTables code_tables_;
  std::array<SortTable, 2> sort_tables_{};
  bool sort_loaded_ = false;
  TerminalLine line_;
  TerminalPrompter terminal_prompter_;
  LinePrompter prompter_;
  bool telephone_check_failed_ = false;
};

std::unique_ptr<AppliStore> NewStore(const CliContext& context) {
  auto store = std::make_unique<AppliStore>(TablesDirectory());
  (void)store->GetAppliBuf(kStoreSlots);
  ApplyDeviceCodeSetting(*store, context.settings.device_code);
  return store;
}

// The records of one application of `from` into `to`, replacing what `to`
// held of it, in the application's default order when `ordered`.
void CopyAppli(const AppliStore& from, AppliStore& to, AppliId id, const RowContext* ordered) {
  const std::vector<std::vector<uint8_t>> records = StoreRecords(from, id);
  const std::vector<int> order = ordered != nullptr && id != kCategoryList
                                     ? DefaultOrder(id, records, *ordered)
                                     : IdentityOrder(records.size());
  (void)to.ResetAppli(id);
  (void)PutInOrder(to, id, records, order);
}

RowContext OrderContext(const Transfer& transfer, const AppliStore& store) {
  RowContext context;
  context.display_date = transfer.settings().display_date;
  context.display_hour = transfer.settings().display_hour;
  context.category_names = CategoryNamesOf(store);
  context.sort_table = transfer.active_sort_table();
  return context;
}

// Reads a backup file for sending: it must exist and carry the settings'
// device code. Only the applications the file holds become present, so an
// organizer's application the file does not carry (its category names, say)
// is left alone rather than overwritten with defaults.
int ReadForSending(const CliContext& context, const fs::path& file, AppliStore& store) {
  std::string error_text;
  const StoreResult result = ReadBackupFile(store, file, &error_text);
  if (result == kStoreOk) return kExitOk;
  return context.FileFailure(file, BackupReadFailure(result, error_text, store));
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
  std::string error_text;
  if (SaveBackupFile(store, file, context.scramble(), &error_text) != kStoreOk) {
    return context.FileFailure(file, error_text.empty() ? "cannot be written" : error_text);
  }
  return kExitOk;
}

int Backup(CliContext& context, std::span<const std::string> args) {
  if (!CheckTables(context)) return kExitFailure;
  if (int status = CheckWritableTarget(context, args[0]); status != kExitOk) return status;
  Transfer transfer(context);
  auto store = NewStore(context);
  const int result = transfer.Run(transfer.Settings(RunMode::kBackup, kAllAppli, store.get(),
                                                    context.settings.backup_tel_records_min));
  if (result != kResultSuccess) return transfer.Failure(result);
  store->EnsureAllAppli();
  if (int status = Saved(context, *store, args[0]); status != kExitOk) return status;
  // A copy the history keeps; the file asked for is written either way.
  (void)AddToHistory(context, *store, kKindBackup);
  return kExitOk;
}

bool SnapshotOn(const CliContext& context) {
  return !context.link.no_snapshot && context.settings.snapshot != 0;
}
bool VerifyOn(const CliContext& context) {
  return context.link.verify || context.settings.verify != 0;
}

// The safety steps one Restore or Download run takes, and what they leave.
struct SafetySteps {
  std::unique_ptr<AppliStore> snapshot;
  std::unique_ptr<AppliStore> verify;
  std::filesystem::path snapshot_file;
  bool not_kept = false;  // the snapshot arrived but could not be written
  SafeTransferReport report;

  SafetySteps(CliContext& context, bool take_snapshot) {
    if (take_snapshot) snapshot = NewStore(context);
    if (VerifyOn(context)) verify = NewStore(context);
  }
  // The steps for LinkSettings of a run that sends `sent`; `kept` is called
  // with the snapshot's file once it is in the history. Scripts run the tool,
  // so the applications the run is about to empty are told, not asked about.
  SafeTransfer Steps(CliContext& context, const AppliStore& sent,
                     std::function<void(const fs::path&)> kept = {}) {
    SafeTransfer safe;
    safe.snapshot = snapshot.get();
    safe.verify = verify.get();
    if (snapshot) {
      // The run hands back the store it was given: this->snapshot.
      safe.on_snapshot = [this, &context, &sent, kept](const AppliStore&, Prompter&) {
        snapshot_file = AddToHistory(context, *snapshot, kKindSnapshot);
        not_kept = snapshot_file.empty();
        if (not_kept) return kResultIoError;
        if (kept) kept(snapshot_file);
        const std::vector<LargeRemoval> large = LargeRemovals(*snapshot, sent);
        if (large.empty()) return kResultSuccess;
        std::ostream& err = *context.err;
        err << kToolName << ": this removes more than half of the records on the organizer:\n";
        for (const LargeRemoval& r : large) {
          err << kToolName << ":   " << AppliName(r.id) << ": " << r.removed << " of its " << r.held
              << " records\n";
        }
        err << kToolName << ": they are kept in " << snapshot_file.string() << "\n";
        return kResultSuccess;
      };
    }
    return safe;
  }
  // Why a run stopped before deleting anything, when the snapshot is why.
  void NotKeptHint(const CliContext& context) const {
    if (!not_kept) return;
    *context.err << kToolName << ": nothing was deleted: the snapshot could not be kept"
                 << " (--no-snapshot deletes without one)\n";
  }
  // After a success: the applications read back against those sent.
  int Verified(CliContext& context, const AppliStore& sent) const {
    if (!verify) return kExitOk;
    std::vector<AppliId> ids;
    for (AppliId id = kSchedule; id <= kCategoryList; ++id) {
      if (((report.sent >> id) & 1) == 0) continue;
      if (id == kCategoryList && sent.GetRecordCount(kCategoryList) <= 0) continue;
      ids.push_back(id);
    }
    const std::vector<AppliDiff> diffs = DiffStores(sent, *verify, std::span<const AppliId>(ids));
    if (!AnyDifference(diffs)) return kExitOk;
    for (const AppliDiff& d : diffs) {
      if (!d.differs()) continue;
      *context.err << kToolName << ": verify: " << AppliName(d.id) << ": " << d.only_a.size()
                   << " missing, " << d.only_b.size() << " unexpected on the organizer\n";
    }
    return kExitVerifyFailed;
  }
};

// What a failed run that had begun to delete leaves, and how to go back.
void SafetyHints(const CliContext& context, const std::string& snapshot,
                 const std::string& put_back, const std::string& resume) {
  std::ostream& err = *context.err;
  if (!snapshot.empty()) {
    err << kToolName << ": the organizer's records from before the run are kept in " << snapshot
        << "\n"
        << kToolName << ": to put them back: " << kToolName << " " << put_back << " " << snapshot
        << "\n";
  }
  if (!resume.empty()) {
    err << kToolName << ": to finish this restore: " << kToolName << " restore --resume " << resume
        << "\n";
  }
}

// The applications of a history generation that holds some of them only (a
// Download's snapshot); nullopt for any other file, which a restore sends
// whole.
std::optional<std::vector<AppliId>> PartOfGeneration(const fs::path& path, const AppliStore& file) {
  Generation generation;
  if (!ParseGenerationFileName(path.filename().string(), &generation)) return std::nullopt;
  std::vector<AppliId> held;
  for (AppliId id = kSchedule; id <= kTelephone; ++id) {
    if (file.IsPresent(id)) held.push_back(id);
  }
  if (held.size() == 6) return std::nullopt;
  return held;
}

// restore --dry-run: what a restore of FILE would change, from the
// organizer's records (kept as a snapshot, received as they come, as a
// snapshot is); nothing is deleted or sent.
int DryRun(CliContext& context, Transfer& transfer, const fs::path& path, AppliStore& file) {
  auto organizer = NewStore(context);
  LinkSettings settings = transfer.Settings(RunMode::kBackup, kAllAppli, organizer.get(), 0);
  settings.tel_records_min = 0;
  const int result = transfer.Run(settings);
  if (result != kResultSuccess) return transfer.Failure(result);
  const fs::path kept = AddToHistory(context, *organizer, kKindSnapshot);
  std::vector<AppliDiff> diffs = DiffStores(*organizer, file);
  if (std::optional<std::vector<AppliId>> held = PartOfGeneration(path, file)) {
    if (std::find(held->begin(), held->end(), kExpense) != held->end()) {
      held->push_back(kCategoryList);
    }
    diffs = DiffStores(*organizer, file, std::span<const AppliId>(*held));
  }
  PrintComparison(context, diffs, *organizer, file,
                  kept.empty() ? "the organizer" : "the organizer (" + kept.string() + ")",
                  path.string(), context.link.records);
  return AnyDifference(diffs) ? 1 : kExitOk;
}

// One application of `file` (Expense with its category list) to the
// organizer, replacing its records there, with the safety steps.
int DownloadAppli(CliContext& context, Transfer& transfer, AppliId id, const AppliStore& file) {
  auto store = NewStore(context);
  const RowContext order = OrderContext(transfer, file);
  CopyAppli(file, *store, id, &order);
  // Expense goes with its category list.
  if (id == kExpense) CopyAppli(file, *store, kCategoryList, nullptr);
  SafetySteps safety(context, SnapshotOn(context));
  LinkSettings settings =
      transfer.Settings(RunMode::kDownload, id, store.get(), context.settings.bk_tel_records_min);
  settings.safe = safety.Steps(context, *store);
  const int result = transfer.Run(settings, &safety.report);
  if (result != kResultSuccess) {
    const int status = transfer.Failure(result);
    if (safety.report.deleted) {
      SafetyHints(context, safety.snapshot_file.string(),
                  "download " + std::string(AppliKeyword(id)), "");
    }
    safety.NotKeptHint(context);
    return status;
  }
  return safety.Verified(context, *store);
}

int Restore(CliContext& context, std::span<const std::string> args) {
  const fs::path path = fs::absolute(args[0]).lexically_normal();
  const fs::path journal_path = RestoreJournalPath(HistoryDir(context));
  RestoreJournal journal{path.string(), FileFingerprint(path), "", 0};
  if (context.link.resume) {
    std::optional<RestoreJournal> failed = ReadRestoreJournal(journal_path);
    if (!failed) return context.UsageFailure("--resume: no failed restore on record");
    if (failed->file != journal.file) {
      return context.UsageFailure("--resume: the failed restore sent " + failed->file + ", not " +
                                  journal.file);
    }
    if (failed->fingerprint != journal.fingerprint) {
      return context.UsageFailure("--resume: " + journal.file +
                                  " has changed since the failed restore");
    }
    journal = *failed;
  }
  if (!CheckTables(context)) return kExitFailure;
  Transfer transfer(context);
  auto file = NewStore(context);
  if (int status = ReadForSending(context, args[0], *file); status != kExitOk) return status;
  if (context.link.dry_run) return DryRun(context, transfer, args[0], *file);
  if (!context.link.resume) {
    // A Download's snapshot goes back as it came: a Download of each
    // application it holds, the others left as they are.
    if (std::optional<std::vector<AppliId>> held = PartOfGeneration(path, *file)) {
      for (AppliId id : *held) {
        if (int status = DownloadAppli(context, transfer, id, *file); status != kExitOk) {
          return status;
        }
      }
      return kExitOk;
    }
  }
  // The organizer gets each application in its default order, as the main
  // window commits it.
  auto store = NewStore(context);
  const RowContext order = OrderContext(transfer, *file);
  for (AppliId id = kSchedule; id <= kCategoryList; ++id) {
    if (file->IsPresent(id)) CopyAppli(*file, *store, id, &order);
  }
  // A resumed run goes on from the failed one's snapshot only when that is on
  // disk and holds every application still to be sent (a run killed before
  // its snapshot was kept names none); otherwise it takes its own first.
  bool take_snapshot = SnapshotOn(context);
  if (context.link.resume) {
    const auto pending =
        static_cast<uint8_t>((kAllAppliMask | (1 << kCategoryList)) & ~journal.done);
    std::string why;
    if (HoldsApplis(journal.snapshot, pending, &why)) {
      take_snapshot = false;
    } else {
      *context.err << kToolName << ": --resume: " << why
                   << (take_snapshot ? "; a new snapshot is taken first"
                                     : "; none is taken (--no-snapshot)")
                   << "\n";
    }
  }
  SafetySteps safety(context, take_snapshot);
  LinkSettings settings = transfer.Settings(RunMode::kRestore, kAllAppli, store.get(),
                                            context.settings.bk_tel_records_min);
  // A journal that cannot be written is told once, not after every application.
  bool journal_failed = false;
  auto note = [&]() {
    std::string error_text;
    if (!WriteRestoreJournal(journal_path, journal, &error_text) && !journal_failed) {
      journal_failed = true;
      *context.err << kToolName << ": " << journal_path.string() << ": " << error_text
                   << " (a failed restore cannot be resumed)\n";
    }
  };
  settings.safe = safety.Steps(context, *store, [&](const fs::path& kept) {
    journal.snapshot = kept.string();
    note();
  });
  settings.safe.skip = journal.done;
  settings.safe.on_sent = [&](AppliId id) {
    journal.done |= static_cast<uint8_t>(1 << id);
    note();
  };
  note();
  const int result = transfer.Run(settings, &safety.report);
  if (result != kResultSuccess) {
    const int status = transfer.Failure(result);
    if (safety.report.deleted || context.link.resume) {
      SafetyHints(context, journal.snapshot, "restore", args[0]);
    } else {
      // Nothing on the organizer changed: there is nothing to resume.
      safety.NotKeptHint(context);
      RemoveRestoreJournal(journal_path);
    }
    return status;
  }
  RemoveRestoreJournal(journal_path);
  return safety.Verified(context, *store);
}

int Upload(CliContext& context, std::span<const std::string> args) {
  std::optional<AppliId> id = ParseAppliArgument(context, args[0]);
  if (!id) return kExitUsage;
  if (!CheckTables(context)) return kExitFailure;
  Transfer transfer(context);
  // The file is read first: a file that cannot take the records is found
  // before the organizer is asked for them.
  if (int status = CheckWritableTarget(context, args[1]); status != kExitOk) return status;
  auto file = std::make_unique<AppliStore>(TablesDirectory());
  if (int status = ReadBackupForChange(context, args[1], *file); status != kExitOk) return status;
  auto arrived = NewStore(context);
  const int result = transfer.Run(transfer.Settings(RunMode::kUpload, *id, arrived.get(),
                                                    context.settings.upload_tel_records_min));
  if (result != kResultSuccess) return transfer.Failure(result);
  CopyAppli(*arrived, *file, *id, nullptr);
  if (*id == kExpense) CopyAppli(*arrived, *file, kCategoryList, nullptr);
  file->EnsureAllAppli();
  return Saved(context, *file, args[1]);
}

int Download(CliContext& context, std::span<const std::string> args) {
  std::optional<AppliId> id = ParseAppliArgument(context, args[0]);
  if (!id) return kExitUsage;
  if (!CheckTables(context)) return kExitFailure;
  Transfer transfer(context);
  auto file = NewStore(context);
  if (int status = ReadForSending(context, args[1], *file); status != kExitOk) return status;
  return DownloadAppli(context, transfer, *id, *file);
}

int Send(CliContext& context, std::span<const std::string> args) {
  std::optional<AppliId> id = ParseAppliArgument(context, args[0]);
  if (!id) return kExitUsage;
  int index = -1;
  try {
    size_t used = 0;
    index = std::stoi(args[2], &used);
    if (used != args[2].size()) index = -1;
  } catch (const std::exception&) {
    index = -1;
  }
  if (index < 0)
    return context.UsageFailure("INDEX must be a record number from 0, not '" + args[2] + "'");
  if (!CheckTables(context)) return kExitFailure;
  Transfer transfer(context);
  auto file = NewStore(context);
  if (int status = ReadForSending(context, args[1], *file); status != kExitOk) return status;
  const int count = std::max(file->GetRecordCount(*id), 0);
  if (index >= count) {
    return context.UsageFailure(std::string(AppliName(*id)) + " has " + std::to_string(count) +
                                " records; there is no record " + std::to_string(index));
  }
  auto store = NewStore(context);
  if (store->PutRecord(*id, 0, file->Record(*id, index)) != kStoreOk) {
    return context.FileFailure(args[1], "the record cannot be taken");
  }
  const int result = transfer.Run(transfer.Settings(RunMode::kSendRecord, *id, store.get(),
                                                    context.settings.bk_tel_records_min));
  return result == kResultSuccess ? kExitOk : transfer.Failure(result);
}

int Detect(CliContext& context, std::span<const std::string>) {
  Transfer transfer(context);
  const AppSettings& s = context.settings;
  CommLink link(1, kLinkBaudRate);
  link.SetPortMap(s.port_devices);
  link.SetSerialPortFactory(VirtualOrganizerFactory(transfer.VirtualOptions()));
  link.set_device_code(s.device_code == 1 ? 1 : 2, 0);
  link.set_echo_back(transfer.VirtualOptions().echo && s.echo_back != 0);
  const LinkSettings settings = transfer.Settings(RunMode::kNegotiation, 0, nullptr, 0);
  link.SetLogFileName(settings.log_file_name);
  TerminalLine line(*context.err, isatty(STDERR_FILENO) != 0);
  const std::vector<PortSpec> ports = DetectCandidates(OpenSerialDevices()->List(), s.port_devices);
  const int result = DetectWithProgress(link, line, ports);
  if (result >= 1 && result <= 4) {
    *context.out << PortKey(result) << "\n";
    return kExitOk;
  }
  if (result == kResultSuccess) {
    *context.out << link.detected_port().device << "\n";
    return kExitOk;
  }
  *context.err << kToolName << ": " << kAutoDetectFailedText << "\n";
  return kExitRunFailed + result;
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
  const int result = transfer.Run(transfer.Settings(RunMode::kDevice, appli, nullptr, 0));
  return result == kResultSuccess ? kExitOk : transfer.Failure(result);
}

int LineTest(CliContext& context, std::span<const std::string> args) {
  int mode = -1;
  try {
    size_t used = 0;
    mode = std::stoi(args[0], &used);
    if (used != args[0].size()) mode = -1;
  } catch (const std::exception&) {
    mode = -1;
  }
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
  const int result = transfer.Run(transfer.Settings(run_mode, appli, nullptr, 0));
  return result == kResultSuccess ? kExitOk : transfer.Failure(result);
}

int Ports(CliContext& context, std::span<const std::string>) {
  std::ostream& out = *context.out;
  const AppSettings& s = context.settings;
  out << "COM ports (settings [Ports]):\n";
  for (int port = 1; port <= 4; ++port) {
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
