// LinkCommands: the sessions that replace records on the organizer (Restore,
// Download, a put-back, the sync's write) with their safety steps: the
// snapshot and the large-change question before the first deletion, the
// resume journal after each application, the read-back at the end, and what
// the person chooses after a stop. Each command is one session: the question
// waits while the session keeps the line open, and the ways on after a stop
// go on in it unless the line was lost.

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "commands/link_commands.h"
#include "history/history.h"
#include "history/history_index.h"
#include "store/backup_file.h"

namespace kivo {
namespace {

uint8_t Bit(AppliId id) { return static_cast<uint8_t>(1u << id); }

// The applications a Restore (all) or Download (one) replaces, less `skip`.
uint8_t ReplacedMask(int appli_mode, uint8_t skip) {
  uint8_t mask = kEveryAppliMask;
  if (appli_mode != kAllAppli) {
    const auto one = static_cast<AppliId>(appli_mode);
    mask = one == kExpense ? static_cast<uint8_t>(Bit(one) | Bit(kCategoryList)) : Bit(one);
  }
  return static_cast<uint8_t>(mask & ~skip);
}

}  // namespace

// What one Restore, Download or Replace carries from step to step.
struct LinkCommands::SafeRun {
  bool take_snapshot = false;
  // What the session received already, kept as the snapshot instead of a
  // reception of its own; not owned.
  AppliStore* received = nullptr;
  bool verify = false;
  uint8_t skip = 0;  // complete already, or not part of the job
  // The journal, written before the run and after each application; none
  // when unset.
  std::optional<RestoreJournal> journal;
  std::filesystem::path journal_path;
  bool journal_told = false;
  // While a step runs a journal failure waits here, to be told on the
  // command's own thread once the step has ended.
  bool in_step = false;
  std::string journal_error;
  std::filesystem::path kept;  // the snapshot to go back to
  bool kept_earlier = false;   // `kept` is a failed run's: a new snapshot does not replace it
  std::function<void(AppliId)> complete;
};

void LinkCommands::Note(SafeRun& safe) {
  if (!safe.journal) return;
  const Status written = WriteRestoreJournal(safe.journal_path, *safe.journal);
  if (written || safe.journal_told) return;
  const std::string& error_text = written.error();
  // Told once, not after every application.
  safe.journal_told = true;
  if (safe.in_step) {
    safe.journal_error = error_text;
  } else {
    user_.TellJournalNotWritten(safe.journal_path, error_text);
  }
}

RestoreResult LinkCommands::RunSafe(OrganizerSession& session, RunMode run_mode, int appli_mode,
                                    AppliStore& records, SafeRun& safe) {
  RestoreResult result;
  result.run_mode = run_mode;
  result.appli_mode = appli_mode;
  const uint8_t replaced = ReplacedMask(appli_mode, safe.skip);
  if (safe.take_snapshot && replaced != 0) {
    // What the organizer holds of the applications about to be replaced,
    // kept before the first of them is deleted.
    std::unique_ptr<AppliStore> received;
    AppliStore* snapshot = safe.received;
    if (snapshot == nullptr) {
      received = NewStore();
      result.code = session.Receive(*received, replaced, run_mode, /*snapshot=*/true);
      if (result.code != kResultSuccess) return result;
      snapshot = received.get();
    }
    const KeptCopy copy = KeepInHistory(*snapshot, kKindSnapshot);
    if (!copy.kept()) {
      result.snapshot_not_kept = true;
      result.code =
          user_.TellSnapshotNotKept(run_mode, copy.error_text) ? kResultGaveUp : kResultIoError;
      return result;
    }
    if (!safe.kept_earlier) {
      safe.kept = copy.file;
      if (safe.journal) {
        safe.journal->snapshot = copy.file.string();
        Note(safe);
      }
    }
    result.snapshot = safe.kept;
    std::vector<LargeRemoval> large = LargeRemovals(*snapshot, records);
    std::erase_if(large, [replaced](const LargeRemoval& r) { return (replaced & Bit(r.id)) == 0; });
    if (!user_.GoOnAfterSnapshot(run_mode, safe.kept, large)) {
      result.code = kResultGaveUp;
      return result;
    }
  }
  std::unique_ptr<AppliStore> back = safe.verify || VerifyOn() ? NewStore() : nullptr;
  SafeTransfer transfer;
  transfer.verify = back.get();
  transfer.skip = safe.skip;
  // On the worker, which owns `records` until the step ends.
  transfer.on_sent = [&](AppliId id) {
    if (safe.journal) {
      safe.journal->done |= Bit(id);
      Note(safe);
    }
    if (safe.complete) safe.complete(id);
  };
  SafeTransferReport report;
  safe.in_step = true;
  result.code = session.Replace(records, appli_mode, transfer, &report);
  safe.in_step = false;
  if (!safe.journal_error.empty()) {
    user_.TellJournalNotWritten(safe.journal_path, safe.journal_error);
    safe.journal_error.clear();
  }
  result.snapshot = safe.kept;
  result.deleted = report.deleted;
  // The failure's message names it; pruning must not take it before it is used.
  if (result.code != kResultSuccess && result.deleted && !safe.kept.empty()) {
    (void)NameSnapshot(setup_.history_dir, safe.kept);
  }
  result.session_open = session.open();
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
  std::unique_ptr<OrganizerSession> session = NewSession();
  RestoreResult result = RestoreIn(session, job);
  session->End();
  return result;
}

RestoreResult LinkCommands::RestoreIn(std::unique_ptr<OrganizerSession>& session,
                                      const RestoreJob& job) {
  if (!job.resume) {
    // A Download's snapshot goes back as it came: a Download of what it
    // holds, the other applications left as they are.
    if (std::optional<std::vector<AppliId>> held =
            PartOfGeneration(setup_.history_dir, job.source, *job.records)) {
      if (held->size() == 1) return DownloadIn(session, held->front(), *job.records, job.snapshot);
      uint8_t applis = 0;
      for (AppliId id : *held) applis |= Bit(id);
      if ((applis & Bit(kExpense)) != 0) applis |= Bit(kCategoryList);
      std::unique_ptr<AppliStore> records = InSendingOrder(*job.records, applis);
      for (AppliId id : *held) {
        if (!records->IsPresent(id)) (void)records->ResetAppli(id);
      }
      SafeRun safe;
      safe.take_snapshot = SnapshotOn(job.snapshot);
      safe.skip = static_cast<uint8_t>(kEveryAppliMask & ~applis);
      RestoreResult result = RunSafe(*session, RunMode::kRestore, kAllAppli, *records, safe);
      // Told as the Download it stands for: no journal to go on from.
      result.run_mode = RunMode::kDownload;
      result.appli_mode = held->back();
      result.replaced = applis;
      if (!result.ok() && result.deleted) OfferPutBack(session, result);
      return result;
    }
  }
  return RestoreAll(session, job);
}

RestoreResult LinkCommands::RestoreAll(std::unique_ptr<OrganizerSession>& session,
                                       const RestoreJob& job) {
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
  if (!job.resume && safe.journal) {
    // A fresh start after a failed restore: the organizer may be half emptied
    // by now, so the failed run's snapshot, while whole, stays the one to go
    // back to; the new one only answers the large-change question.
    const std::optional<RestoreJournal> failed = ReadRestoreJournal(safe.journal_path);
    std::error_code ec;
    if (failed && HoldsApplis(failed->snapshot, kEveryAppliMask) &&
        !std::filesystem::equivalent(failed->snapshot, job.source, ec)) {
      safe.kept = failed->snapshot;
      safe.kept_earlier = true;
      safe.journal->snapshot = failed->snapshot;
      user_.TellEarlierSnapshotKept(safe.kept);
    }
  }
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
    RestoreResult result = RunSafe(*session, RunMode::kRestore, kAllAppli, *records, safe);
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
    if (choice == AfterStop::kResume) {
      // The line lost: the organizer has left its link mode, and the person
      // who chose to go on has made it call again.
      if (!session->open()) session = NewSession();
      done = result.complete;
      // The rest goes on from the snapshot while that is on disk and whole;
      // otherwise what the organizer holds now is kept first.
      take = SnapshotOn(job.snapshot) &&
             !HoldsApplis(safe.kept, static_cast<uint8_t>(kEveryAppliMask & ~done));
      continue;
    }
    if (choice == AfterStop::kPutBack && !result.snapshot.empty()) {
      result.put_back_tried = true;
      result.put_back = PutBackIn(session, result.snapshot).code;
    }
    return result;
  }
}

RestoreResult LinkCommands::Download(AppliId id, const AppliStore& from, bool snapshot) {
  std::unique_ptr<OrganizerSession> session = NewSession();
  RestoreResult result = DownloadIn(session, id, from, snapshot);
  session->End();
  return result;
}

RestoreResult LinkCommands::DownloadIn(std::unique_ptr<OrganizerSession>& session, AppliId id,
                                       const AppliStore& from, bool snapshot) {
  // Expense goes with its category list.
  const uint8_t applis = ReplacedMask(id, 0);
  std::unique_ptr<AppliStore> records = InSendingOrder(from, applis);
  // Present even when `from` holds none of it: an empty application sent
  // empties the organizer's, and the large-change question counts it.
  for (AppliId part : {id, kCategoryList}) {
    if ((applis & Bit(part)) != 0 && !records->IsPresent(part)) (void)records->ResetAppli(part);
  }
  SafeRun safe;
  safe.take_snapshot = SnapshotOn(snapshot);
  RestoreResult result = RunSafe(*session, RunMode::kDownload, id, *records, safe);
  result.replaced = applis;
  if (!result.ok() && result.deleted) OfferPutBack(session, result);
  return result;
}

void LinkCommands::OfferPutBack(std::unique_ptr<OrganizerSession>& session,
                                RestoreResult& stopped) {
  if (user_.ChooseAfterStop(stopped) != AfterStop::kPutBack || stopped.snapshot.empty()) return;
  stopped.put_back_tried = true;
  stopped.put_back = PutBackIn(session, stopped.snapshot).code;
}

RestoreResult LinkCommands::PutBack(const std::filesystem::path& file, bool snapshot) {
  std::unique_ptr<OrganizerSession> session = NewSession();
  AppliStore from(*setup_.code_tables);
  if (from.GetAppliBuf(kStoreSlots) != kStoreOk || ReadAnyBackupFile(from, file) != kStoreOk) {
    return RestoreResult::Failed(kResultNotCompatible);
  }
  RestoreResult result = RestoreIn(session, RestoreJob{&from, file, "", std::nullopt, snapshot});
  session->End();
  return result;
}

RestoreResult LinkCommands::PutBackIn(std::unique_ptr<OrganizerSession>& session,
                                      const std::filesystem::path& file) {
  AppliStore from(*setup_.code_tables);
  if (from.GetAppliBuf(kStoreSlots) != kStoreOk || ReadAnyBackupFile(from, file) != kStoreOk) {
    return RestoreResult::Failed(kResultNotCompatible);
  }
  // As for going on: a lost line needs the organizer to call again.
  if (!session->open()) session = NewSession();
  return RestoreIn(session, RestoreJob{&from, file, "", std::nullopt, /*snapshot=*/false});
}

RestoreResult LinkCommands::Replace(OrganizerSession& session, uint8_t applis, AppliStore& records,
                                    AppliStore* before,
                                    const std::function<void(AppliId)>& complete, bool verify) {
  SafeRun safe;
  safe.take_snapshot = SnapshotOn(true);
  safe.received = before;
  safe.verify = verify;
  safe.skip = static_cast<uint8_t>(kEveryAppliMask & ~applis);
  safe.complete = complete;
  RestoreResult result = RunSafe(session, RunMode::kRestore, kAllAppli, records, safe);
  result.replaced = applis;
  result.complete &= applis;
  return result;
}

RestoreResult LinkCommands::Replace(uint8_t applis, AppliStore& records,
                                    const std::function<void(AppliId)>& complete, bool verify) {
  std::unique_ptr<OrganizerSession> session = NewSession();
  RestoreResult result = Replace(*session, applis, records, nullptr, complete, verify);
  session->End();
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
