// CommRun: moving whole applications between the organizer and the store, one
// or all of them, with the backup-file branches for runs given a file name.

#include <filesystem>
#include <iterator>
#include <new>
#include <span>
#include <system_error>
#include <vector>

#include "comm/comm_run.h"
#include "link/link_observer.h"
#include "platform/atomic_file.h"
#include "platform/free_space.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/backup_file.h"

namespace kivo {
namespace {

// The order of a full backup and a full restore.
constexpr AppliId kFullOrder[] = {kTelephone, kSchedule,     kAnniversary, kToDo,
                                  kMemo,      kCategoryList, kExpense};

// Frees the slot area of a store a run set up for a file of its own, however
// the run ends.
class FileStoreRelease {
 public:
  explicit FileStoreRelease(AppliStore* store) : store_(store) {}
  ~FileStoreRelease() {
    if (store_ != nullptr) store_->FreeAppliBuf();
  }
  FileStoreRelease(const FileStoreRelease&) = delete;
  FileStoreRelease& operator=(const FileStoreRelease&) = delete;

 private:
  AppliStore* store_;
};

}  // namespace

ResultCode CommRun::ReceiveAppli(AppliId id, AppliStore& store, TransferRole role,
                                 const TelephoneCheck& check) {
  std::vector<uint8_t> buffer;
  try {
    buffer.assign(kAppliBufferSize, 0);
  } catch (const std::bad_alloc&) {
    Log("!!!Memory Err\n\n");
    return kResultIoError;
  }
  int end = 0;
  const ResultCode r = link_.GetAllRecords(buffer, &end, id, role, context_.observer, check);
  if (r != kResultSuccess) return r;
  if (end <= 0) return kResultSuccess;
  const int added = store.AddAppliData(id, std::span(buffer).first(static_cast<size_t>(end)));
  if (added < 0) {
    Log("!!!Write AppliData Err\n\n");
    return kResultIoError;
  }
  return kResultSuccess;
}

ResultCode CommRun::SendAppli(AppliId id, TransferRole role) {
  AppliStore& store = *context_.store;
  const int count = store.GetRecordCount(id);
  if (count <= 0) {
    Log("---Pass (This appli is NO data)\n\n");
    // Playing the organizer, an empty application still has to be answered:
    // the PC waits for FINISH_ALL_RECORDS. So does a PC that asked for the
    // category list: FINISH_ALL_RECORDS tells it there is none.
    if (role == TransferRole::kOrganizer) {
      const ResultCode r = link_.SendCommand(kFinishAllRecords);
      if (r != kResultSuccess) return r;
      Log("---HDD sends FINISH_ALL_RECORDS\n\n");
    }
    return kResultSuccess;
  }
  const int size = store.GetAppliDataSize(id);
  if (size <= 0) {
    Log("!!! File data read Err\n\n");
    return kResultNotCompatible;
  }
  std::vector<uint8_t> buffer;
  try {
    buffer.assign(static_cast<size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    Log("!!!Memory Err\n\n");
    return kResultIoError;
  }
  size_t used = 0;
  if (store.GetAppliData(id, buffer, &used) < 0) return kResultNotCompatible;
  const ResultCode r =
      link_.SendAllRecords(std::span(buffer).first(used), id, count, role, context_.observer);
  if (r == kResultTimeout) return kResultNotAllSent;
  return r;
}

void CommRun::ReceiveApplis(AppliStore& store, std::span<const AppliId> ids, const char* what,
                            TransferRole role) {
  // A snapshot, a read-back or a dry run keeps what the organizer holds as it
  // comes: the base model's telephone checks would call a list of one record
  // incomplete and so stop a Restore before it starts.
  TelephoneCheck as_it_comes = context_.telephone_check;
  as_it_comes.records_min = 0;
  for (AppliId id : ids) {
    Log(FormatText("********** %s 1 Appli **********\n", what));
    // Present even when the organizer holds none of it; a store without room
    // for it fails the reception that follows.
    (void)store.ResetAppli(id);
    Must(ReceiveAppli(id, store, role, as_it_comes));
    Log(FormatText("********** End %s 1 Appli **********\n\n", what));
  }
}

void CommRun::ReceiveStep(AppliId id, TransferRole role) {
  Log("********** Backup 1 Appli **********\n");
  Must(ReceiveAppli(id, *context_.store, role, context_.telephone_check));
  Log("********** End Backup 1 Appli **********\n\n");
}

void CommRun::EndStep(TransferRole role) {
  if (role != TransferRole::kPc) return;
  Must(link_.SendCommand(kEndCommunication));
  Log("---PC sends END_COMMUNICATION\n\n");
}

void CommRun::Progress(int value) {
  if (context_.observer != nullptr) context_.observer->OnProgress(value, kSourceFullRun);
}

void CommRun::Backup(TransferRole role) {
  const uint32_t start = link_.clock().NowMs();
  AppliStore& store = *context_.store;
  const bool to_file = !context_.file_name.empty();
  const int appli_mode = context_.appli_mode;
  if (!to_file) {
    if (appli_mode == kAllAppli) {
      store.ClearAllAppli();
    } else {
      // Only a store without room for the application refuses; the
      // reception then fails to add its records and says so.
      (void)store.ResetAppli(AppliWireCode(appli_mode));
    }
  } else if (store.GetAppliBuf(kStoreSlots) < 0) {
    Log("!!! GetAppliBuf Err");
    Must(kResultIoError);
  }
  // A store made for the file is released however the sequence ends.
  const FileStoreRelease release(to_file ? &store : nullptr);
  if (role == TransferRole::kPc) {
    Must(link_.NegotiationForPC(kNegotiationTimeOutMs, -1, context_.observer));
  }
  if (appli_mode == kAllAppli) {
    if (context_.observer != nullptr) context_.observer->OnStatus(100, kSourceFullRun);
    Progress(10);
    for (size_t i = 0; i < std::size(kFullOrder); ++i) {
      if (((context_.applis >> kFullOrder[i]) & 1) != 0) ReceiveStep(kFullOrder[i], role);
      if (i < 5) Progress(static_cast<int>(i) * 10 + 50);
    }
    Progress(100);
  } else {
    // Expense comes after its category list.
    if (appli_mode == kExpense) ReceiveStep(kCategoryList, role);
    ReceiveStep(AppliWireCode(appli_mode), role);
  }
  EndStep(role);
  if (to_file) WriteFileStep(store);
  Log(FormatText("BackupTime=%dsec\n\n", ElapsedSeconds(start)));
  if (link_.logging()) {
    // An OK box has one answer.
    (void)Box(FormatText("SUCCESS Backup\nTime:%dsec", ElapsedSeconds(start)), "Backup",
              PromptIcon::kNone, PromptButtons::kOk);
  }
}

void CommRun::WriteFileStep(AppliStore& store) {
  const std::string& file = context_.file_name;
  // The writer replaces the file in one step, and a failed write leaves the
  // previous file as it was.
  for (;;) {
    FreeSpace& free_space =
        context_.free_space != nullptr ? *context_.free_space : SystemFreeSpace();
    const StoreStatus w =
        WriteBackupFile(store, file, context_.file_scramble, SystemFileWriter(), free_space);
    if (w.code >= 0) break;
    const std::string text =
        w.code == kStoreRefused && !w.error_text.empty() ? w.error_text : "Write file error.";
    if (Box(text, "Error", PromptIcon::kQuestion, PromptButtons::kRetryCancel) !=
        PromptAnswer::kRetry) {
      Log("!!!Write File Err\n\n");
      Log(FormatText("!!!Write File(%s) Err\n\n", file));
      Must(kResultGaveUp);
    }
  }
  Log(FormatText("====>>Write File (%s)\n\n", file));
}

void CommRun::ReadFileStep(AppliStore& store) {
  const std::string& file = context_.file_name;
  for (;;) {
    const StoreStatus r = ReadBackupFile(store, file);
    if (r.ok()) break;
    // A failed read may leave part of the file in the store.
    store.ClearAllAppli();
    if (r.code != kStoreLoadError) {
      Log(FormatText("!!! File(%s) is NOT compatible \n\n", file));
      Must(kResultNotCompatible);
    }
    const std::string text = r.error_text.empty() ? "Read file error." : r.error_text;
    if (Box(text, "Error", PromptIcon::kQuestion, PromptButtons::kRetryCancel) !=
        PromptAnswer::kRetry) {
      Log(FormatText("!!! File(%s) Read Err\n\n", file));
      Must(kResultGaveUp);
    }
  }
  Log(FormatText("<<====Read File (%s)\n\n", file));
}

bool CommRun::Skipped(AppliId id) const { return ((safe_.skip >> id) & 1) != 0; }

void CommRun::SnapshotStep(std::span<const AppliId> replaced, TransferRole role) {
  if (safe_.snapshot == nullptr || role != TransferRole::kPc || replaced.empty()) return;
  // The snapshot can take as long as a Backup: the window says why nothing
  // is sent yet.
  if (context_.observer != nullptr) context_.observer->OnStatus(1, kSourceSnapshot);
  ReceiveApplis(*safe_.snapshot, replaced, "Snapshot", role);
  if (safe_.on_snapshot) {
    SilentPrompter silent;
    Prompter& prompter = context_.prompter != nullptr ? *context_.prompter : silent;
    const ResultCode kept = safe_.on_snapshot(*safe_.snapshot, prompter);
    if (kept != kResultSuccess) {
      Log(kept == kResultIoError ? "!!!Snapshot Write Err\n\n" : "!!!Stopped After Snapshot\n\n");
      Must(kept);
    }
  }
  safe_report_.snapshot_taken = true;
}

void CommRun::DeleteStep(AppliId id) {
  if (Skipped(id)) return;
  Must(link_.SendCommand(kDeleteAllRecords, AppliWireCode(id), 0));
  Log("---PC sends DELETE_ALL_RECORDS\n\n");
  Must(link_.ExpectAck(/*failure_log=*/""));
  safe_report_.deleted = true;
}

void CommRun::SendStep(AppliId id, TransferRole role, const char* start_line) {
  if (Skipped(id)) {
    Log("---Pass (This appli is complete)\n\n");
    return;
  }
  Log(start_line);
  Must(SendAppli(id, role));
  Log("********** End Restore 1 Appli **********\n\n");
  // From now on complete on the organizer.
  safe_report_.sent |= static_cast<uint8_t>(1 << id);
  if (safe_.on_sent) safe_.on_sent(id);
}

void CommRun::VerifyStep(std::span<const AppliId> replaced, TransferRole role) {
  if (safe_.verify == nullptr) return;
  // Read back what was sent; a category list the store did not hold was not
  // sent and stays out of the comparison.
  std::vector<AppliId> sent;
  for (AppliId id : replaced) {
    if (id == kCategoryList && context_.store->GetRecordCount(kCategoryList) <= 0) continue;
    sent.push_back(id);
    safe_report_.read_back |= static_cast<uint8_t>(1 << id);
  }
  ReceiveApplis(*safe_.verify, sent, "Verify", role);
}

void CommRun::Restore(TransferRole role) {
  const uint32_t start = link_.clock().NowMs();
  AppliStore& store = *context_.store;
  const bool from_file = !context_.file_name.empty();
  if (from_file && store.GetAppliBuf(kStoreSlots) < 0) {
    Log("!!! GetAppliBuf Err");
    Must(kResultIoError);
  }
  // A store loaded from the file is released however the sequence ends.
  const FileStoreRelease release(from_file ? &store : nullptr);
  if (from_file) ReadFileStep(store);
  safe_report_ = {};
  // What the organizer holds of the applications about to be replaced, kept
  // before the first of them is deleted.
  const int appli_mode = context_.appli_mode;
  const bool all = appli_mode == kAllAppli;
  const AppliId one = AppliWireCode(appli_mode);
  std::vector<AppliId> replaced;
  if (all) {
    for (AppliId id : kFullOrder) {
      if (!Skipped(id)) replaced.push_back(id);
    }
  } else {
    if (one == kExpense && !Skipped(kCategoryList)) replaced.push_back(kCategoryList);
    if (!Skipped(one)) replaced.push_back(one);
  }
  if (role == TransferRole::kPc) {
    Must(link_.NegotiationForPC(kNegotiationTimeOutMs, -1, context_.observer));
  }
  SnapshotStep(replaced, role);
  if (all) {
    if (context_.observer != nullptr) context_.observer->OnStatus(100, kSourceFullRun);
    Progress(4);
    if (role == TransferRole::kPc) {
      // The category list goes with Expense's deletion.
      for (AppliId id : kFullOrder) {
        if (id != kCategoryList) DeleteStep(id);
      }
    }
    Progress(10);
    for (size_t i = 0; i < std::size(kFullOrder); ++i) {
      SendStep(kFullOrder[i], role, "********** Restore 1 Appli **********\n\n");
      if (i < 5) Progress(static_cast<int>(i) * 10 + 50);
    }
    Progress(100);
  } else {
    // Expense's category list goes first, before Expense is deleted.
    if (one == kExpense) SendStep(kCategoryList, role, "********** Restore 1 Appli **********\n");
    if (role == TransferRole::kPc && one != kCategoryList) DeleteStep(one);
    SendStep(one, role, "********** Restore 1 Appli **********\n");
  }
  VerifyStep(replaced, role);
  Log("********** End Restore **********\n\n");
  EndStep(role);
  Log(FormatText("RestoreTime=%dsec\n\n", ElapsedSeconds(start)));
  if (link_.logging()) {
    // An OK box has one answer.
    (void)Box(FormatText("SUCCESS Restore\nTime:%dsec", ElapsedSeconds(start)), "Restore",
              PromptIcon::kNone, PromptButtons::kOk);
  }
}

}  // namespace kivo
