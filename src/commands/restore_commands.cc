// LinkCommands: the sessions that replace records on the organizer (Restore,
// Download, a put-back, the sync's write) with their safety steps: the
// snapshot and the large-change question before the first deletion, the
// resume journal after each application, the read-back at the end, and what
// the person chooses after a stop.

#include <algorithm>

#include "commands/link_commands.h"
#include "history/history.h"
#include "store/backup_file.h"

namespace kivo {
namespace {

uint8_t Bit(AppliId id) { return static_cast<uint8_t>(1u << id); }

}  // namespace

// What one Restore, Download or Replace carries from session to session.
struct LinkCommands::SafeRun {
  bool take_snapshot = false;
  bool verify = false;
  uint8_t skip = 0;  // complete already, or not part of the job
  // The journal, written before the run and after each application; none
  // when unset.
  std::optional<RestoreJournal> journal;
  std::filesystem::path journal_path;
  bool journal_told = false;
  // While the worker runs a journal failure waits here, to be told on the
  // operation's own thread once the run has ended.
  bool in_run = false;
  std::string journal_error;
  std::filesystem::path kept;  // the snapshot to go back to
  std::function<void(AppliId)> complete;
};

void LinkCommands::Note(SafeRun& safe) {
  if (!safe.journal) return;
  const Status written = WriteRestoreJournal(safe.journal_path, *safe.journal);
  if (written || safe.journal_told) return;
  const std::string& error_text = written.error();
  // Told once, not after every application.
  safe.journal_told = true;
  if (safe.in_run) {
    safe.journal_error = error_text;
  } else {
    user_.TellJournalNotWritten(safe.journal_path, error_text);
  }
}

RestoreResult LinkCommands::RunSafe(RunMode run_mode, int appli_mode, AppliStore& records,
                                    SafeRun& safe) {
  RestoreResult result;
  result.run_mode = run_mode;
  result.appli_mode = appli_mode;
  std::unique_ptr<AppliStore> snapshot = safe.take_snapshot ? NewStore() : nullptr;
  std::unique_ptr<AppliStore> back = safe.verify || VerifyOn() ? NewStore() : nullptr;
  LinkSettings link = RunSettings(run_mode, appli_mode, &records, settings().bk_tel_records_min);
  link.safe.snapshot = snapshot.get();
  link.safe.verify = back.get();
  link.safe.skip = safe.skip;
  if (snapshot) {
    // On the worker, which owns `records` and the snapshot until the run ends.
    link.safe.on_snapshot = [&](const AppliStore&, Prompter& run) {
      const KeptCopy copy = KeepInHistory(*snapshot, kKindSnapshot);
      if (!copy.kept()) {
        result.snapshot_not_kept = true;
        return user_.TellSnapshotNotKept(run_mode, copy.error_text, run) ? kResultGaveUp
                                                                         : kResultIoError;
      }
      safe.kept = copy.file;
      if (safe.journal) {
        safe.journal->snapshot = copy.file.string();
        Note(safe);
      }
      return user_.GoOnAfterSnapshot(run_mode, copy.file, LargeRemovals(*snapshot, records), run)
                 ? kResultSuccess
                 : kResultGaveUp;
    };
  }
  link.safe.on_sent = [&](AppliId id) {
    if (safe.journal) {
      safe.journal->done |= Bit(id);
      Note(safe);
    }
    if (safe.complete) safe.complete(id);
  };
  SafeTransferReport report;
  safe.in_run = true;
  result.code = user_.RunTransfer(link, &report);
  safe.in_run = false;
  if (!safe.journal_error.empty()) {
    user_.TellJournalNotWritten(safe.journal_path, safe.journal_error);
    safe.journal_error.clear();
  }
  result.snapshot = safe.kept;
  result.deleted = report.deleted;
  result.complete = static_cast<uint8_t>(report.sent | (safe.journal ? safe.journal->done : 0));
  if (result.code == kResultSuccess && back) {
    // The applications the run read back, against what was sent.
    std::vector<AppliId> ids;
    for (AppliId id = kSchedule; id <= kCategoryList; ++id) {
      if ((report.read_back & Bit(id)) != 0) ids.push_back(id);
    }
    for (AppliDiff& d : DiffStores(records, *back, std::span<const AppliId>(ids))) {
      if (d.differs()) result.verify_differences.push_back(std::move(d));
    }
    result.read_back = std::move(back);
  }
  return result;
}

RestoreResult LinkCommands::Restore(const RestoreJob& job) {
  if (!job.resume) {
    // A Download's snapshot goes back as it came: a Download of each
    // application it holds, the others left as they are.
    if (std::optional<std::vector<AppliId>> held = PartOfGeneration(job.source, *job.records)) {
      RestoreResult last;
      last.run_mode = RunMode::kDownload;
      for (size_t i = 0; i < held->size(); ++i) {
        if (i > 0 && !user_.ReadyForNextRun()) return last;
        last = Download((*held)[i], *job.records, job.snapshot);
        if (!last.ok()) return last;
      }
      return last;
    }
  }
  return RestoreAll(job);
}

RestoreResult LinkCommands::RestoreAll(const RestoreJob& job) {
  // The organizer gets each application in its default order, as the main
  // window commits it.
  std::unique_ptr<AppliStore> records = InSendingOrder(*job.records);
  SafeRun safe;
  if (!job.source.empty()) {
    safe.journal_path = RestoreJournalPath(setup_.history_dir);
    safe.journal =
        job.resume
            ? *job.resume
            : RestoreJournal{
                  std::filesystem::absolute(job.source).lexically_normal().string(),
                  job.fingerprint.empty() ? FileFingerprint(job.source) : job.fingerprint, "", 0};
  }
  uint8_t done = job.resume ? job.resume->done : 0;
  bool take = SnapshotOn(job.snapshot);
  if (job.resume) {
    // A resumed run goes on from the failed one's snapshot only when that is
    // on disk and holds every application still to be sent (a run killed
    // before its snapshot was kept names none); otherwise it takes its own.
    if (const Status usable = HoldsApplis(job.resume->snapshot, kEveryAppliMask & ~done)) {
      take = false;
      safe.kept = job.resume->snapshot;
    } else {
      user_.TellSnapshotNotUsable(usable.error(), take);
    }
  }
  for (;;) {
    safe.take_snapshot = take;
    safe.skip = done;
    Note(safe);
    RestoreResult result = RunSafe(RunMode::kRestore, kAllAppli, *records, safe);
    result.replaced = kEveryAppliMask;
    result.complete |= done;
    if (result.ok()) {
      if (safe.journal) RemoveRestoreJournal(safe.journal_path);
      return result;
    }
    if (!result.deleted && done == 0 && !job.resume) {
      // Nothing on the organizer changed: there is nothing to finish.
      if (safe.journal) RemoveRestoreJournal(safe.journal_path);
      return result;
    }
    // What went before this run deleted too.
    result.deleted = true;
    if (safe.journal) result.resume_from = job.source;
    const AfterStop choice = user_.ChooseAfterStop(result);
    if (choice == AfterStop::kResume && user_.ReadyForNextRun()) {
      done = result.complete;
      // The rest goes on from the snapshot while that is on disk and whole;
      // otherwise what the organizer holds now is kept first.
      take = SnapshotOn(job.snapshot) &&
             !HoldsApplis(safe.kept, static_cast<uint8_t>(kEveryAppliMask & ~done));
      continue;
    }
    if (choice == AfterStop::kPutBack && !result.snapshot.empty() && user_.ReadyForNextRun()) {
      result.put_back_tried = true;
      result.put_back = PutBack(result.snapshot, /*snapshot=*/false).code;
    }
    return result;
  }
}

RestoreResult LinkCommands::Download(AppliId id, const AppliStore& from, bool snapshot) {
  // Expense goes with its category list.
  const uint8_t applis =
      id == kExpense ? static_cast<uint8_t>(Bit(id) | Bit(kCategoryList)) : Bit(id);
  std::unique_ptr<AppliStore> records = InSendingOrder(from, applis);
  // Present even when `from` holds none of it: an empty application sent
  // empties the organizer's, and the large-change question counts it.
  for (AppliId part : {id, kCategoryList}) {
    if ((applis & Bit(part)) != 0 && !records->IsPresent(part)) (void)records->ResetAppli(part);
  }
  SafeRun safe;
  safe.take_snapshot = SnapshotOn(snapshot);
  RestoreResult result = RunSafe(RunMode::kDownload, id, *records, safe);
  result.replaced = applis;
  if (result.ok() || !result.deleted) return result;
  if (user_.ChooseAfterStop(result) == AfterStop::kPutBack && !result.snapshot.empty() &&
      user_.ReadyForNextRun()) {
    result.put_back_tried = true;
    result.put_back = PutBack(result.snapshot, /*snapshot=*/false).code;
  }
  return result;
}

RestoreResult LinkCommands::PutBack(const std::filesystem::path& file, bool snapshot) {
  AppliStore from(*setup_.code_tables);
  if (from.GetAppliBuf(kStoreSlots) != kStoreOk || ReadAnyBackupFile(from, file) != kStoreOk) {
    return RestoreResult::Failed(kResultNotCompatible);
  }
  return Restore(RestoreJob{&from, file, "", std::nullopt, snapshot});
}

RestoreResult LinkCommands::Replace(uint8_t applis, AppliStore& records,
                                    const std::function<void(AppliId)>& complete, bool verify) {
  SafeRun safe;
  safe.take_snapshot = SnapshotOn(true);
  safe.verify = verify;
  safe.skip = static_cast<uint8_t>(kEveryAppliMask & ~applis);
  safe.complete = complete;
  RestoreResult result = RunSafe(RunMode::kRestore, kAllAppli, records, safe);
  result.replaced = applis;
  result.complete &= applis;
  return result;
}

ResumeRefusal LinkCommands::CheckResumable(const std::filesystem::path& source,
                                           const std::string& fingerprint,
                                           std::optional<RestoreJournal>* on_record) const {
  *on_record = ReadRestoreJournal(RestoreJournalPath(setup_.history_dir));
  if (!*on_record) return ResumeRefusal::kNoJournal;
  if ((*on_record)->file != std::filesystem::absolute(source).lexically_normal().string()) {
    return ResumeRefusal::kOtherFile;
  }
  const std::string now = fingerprint.empty() ? FileFingerprint(source) : fingerprint;
  if ((*on_record)->fingerprint != now) return ResumeRefusal::kChanged;
  return ResumeRefusal::kNone;
}

}  // namespace kivo
