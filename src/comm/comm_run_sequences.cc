// CommRun: moving whole applications between the organizer and the store, one
// or all of them, with the backup-file branches for runs given a file name.

#include <filesystem>
#include <new>
#include <span>
#include <system_error>
#include <vector>

#include "comm/comm_run.h"
#include "link/link_observer.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/backup_file.h"

namespace kivo {
namespace {

// The order of a full backup and a full restore.
constexpr AppliId kFullOrder[] = {kTelephone, kSchedule,     kAnniversary, kToDo,
                                  kMemo,      kCategoryList, kExpense};

}  // namespace

ResultCode CommRun::ReceiveAppli(TransferRole role) {
  return ReceiveAppliInto(*context_.store, role);
}

ResultCode CommRun::ReceiveAppliInto(AppliStore& store, TransferRole role) {
  std::vector<uint8_t> buffer;
  try {
    buffer.assign(kAppliBufferSize, 0);
  } catch (const std::bad_alloc&) {
    Log("!!!Memory Err\n\n");
    return kResultIoError;
  }
  int end = 0;
  const ResultCode r = link_.GetAllRecords(buffer, &end, AppliWireCode(context_.appli_mode), role,
                                           context_.observer, context_.telephone_check);
  if (r != kResultSuccess) return r;
  if (end <= 0) return kResultSuccess;
  const int added = store.AddAppliData(AppliWireCode(context_.appli_mode),
                                       std::span(buffer).first(static_cast<size_t>(end)));
  if (added < 0) {
    Log("!!!Write AppliData Err\n\n");
    return kResultIoError;
  }
  return kResultSuccess;
}

ResultCode CommRun::SendAppli(TransferRole role) {
  AppliStore& store = *context_.store;
  const AppliId id = AppliWireCode(context_.appli_mode);
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

ResultCode CommRun::ReceiveApplis(AppliStore& store, std::span<const AppliId> ids, const char* what,
                                  TransferRole role) {
  const int appli_mode = context_.appli_mode;
  // A snapshot, a read-back or a dry run keeps what the organizer holds as it
  // comes: the base model's telephone checks would call a list of one record
  // incomplete and so stop a Restore before it starts.
  const int tel_records_min = context_.telephone_check.records_min;
  context_.telephone_check.records_min = 0;
  ResultCode r = kResultSuccess;
  for (AppliId id : ids) {
    Log(FormatText("********** %s 1 Appli **********\n", what));
    context_.appli_mode = id;
    // Present even when the organizer holds none of it; a store without room
    // for it fails the reception that follows.
    (void)store.ResetAppli(id);
    r = ReceiveAppliInto(store, role);
    if (r != kResultSuccess) break;
    Log(FormatText("********** End %s 1 Appli **********\n\n", what));
  }
  context_.telephone_check.records_min = tel_records_min;
  context_.appli_mode = appli_mode;
  return r;
}

ResultCode CommRun::Backup(TransferRole role) {
  const uint32_t start = link_.clock().NowMs();
  AppliStore& store = *context_.store;
  const bool to_file = !context_.file_name.empty();
  if (!to_file) {
    if (context_.appli_mode == kAllAppli) {
      store.ClearAllAppli();
    } else {
      // Only a store without room for the application refuses; the
      // reception then fails to add its records and says so.
      (void)store.ResetAppli(AppliWireCode(context_.appli_mode));
    }
  } else if (store.GetAppliBuf(kStoreSlots) < 0) {
    Log("!!! GetAppliBuf Err");
    return kResultIoError;
  }
  // A store made for the file is released however the sequence ends.
  auto fail = [&](ResultCode code) {
    if (to_file) store.FreeAppliBuf();
    return code;
  };
  LinkObserver* window = context_.observer;
  auto progress = [&](int value) {
    if (window != nullptr) window->OnProgress(value, kSourceFullRun);
  };
  auto receive_one = [&]() {
    Log("********** Backup 1 Appli **********\n");
    const ResultCode r = ReceiveAppli(role);
    if (r == kResultSuccess) Log("********** End Backup 1 Appli **********\n\n");
    return r;
  };

  if (role == TransferRole::kPc) {
    const ResultCode r = link_.NegotiationForPC(kNegotiationTimeOutMs, -1, context_.observer);
    if (r != kResultSuccess) return fail(r);
  }
  if (context_.appli_mode == kAllAppli) {
    if (window != nullptr) window->OnStatus(100, kSourceFullRun);
    progress(10);
    for (int i = 0; i < 7; ++i) {
      context_.appli_mode = kFullOrder[i];
      if (((context_.applis >> kFullOrder[i]) & 1) != 0) {
        const ResultCode r = receive_one();
        if (r != kResultSuccess) return fail(r);
      }
      if (i < 5) progress(i * 10 + 50);
    }
    progress(100);
  } else {
    if (context_.appli_mode == kExpense) {
      context_.appli_mode = kCategoryList;
      const ResultCode r = receive_one();
      if (r != kResultSuccess) return fail(r);
      context_.appli_mode = kExpense;
    }
    const ResultCode r = receive_one();
    if (r != kResultSuccess) return fail(r);
  }
  if (role == TransferRole::kPc) {
    const ResultCode r = link_.SendCommand(kEndCommunication);
    if (r != kResultSuccess) return fail(r);
    Log("---PC sends END_COMMUNICATION\n\n");
  }

  if (to_file) {
    const std::string& file = context_.file_name;
    // The writer replaces the file in one step, and a failed write leaves the
    // previous file as it was.
    for (;;) {
      std::string error_text;
      const int w = WriteBackupFile(store, file, context_.file_scramble, &error_text);
      if (w >= 0) break;
      const std::string text =
          w == kStoreRefused && !error_text.empty() ? error_text : "Write file error.";
      if (Box(text, "Error", PromptIcon::kQuestion, PromptButtons::kRetryCancel) !=
          PromptAnswer::kRetry) {
        Log("!!!Write File Err\n\n");
        Log(FormatText("!!!Write File(%s) Err\n\n", file));
        return fail(kResultGaveUp);
      }
    }
    Log(FormatText("====>>Write File (%s)\n\n", file));
    store.FreeAppliBuf();
  }
  Log(FormatText("BackupTime=%dsec\n\n", ElapsedSeconds(start)));
  if (link_.logging()) {
    // An OK box has one answer.
    (void)Box(FormatText("SUCCESS Backup\nTime:%dsec", ElapsedSeconds(start)), "Backup",
              PromptIcon::kNone, PromptButtons::kOk);
  }
  return kResultSuccess;
}

ResultCode CommRun::Restore(TransferRole role) {
  const uint32_t start = link_.clock().NowMs();
  AppliStore& store = *context_.store;
  const bool from_file = !context_.file_name.empty();
  auto fail = [&](ResultCode code) {
    if (from_file) store.FreeAppliBuf();
    return code;
  };
  if (from_file) {
    const std::string& file = context_.file_name;
    if (store.GetAppliBuf(kStoreSlots) < 0) {
      Log("!!! GetAppliBuf Err");
      return kResultIoError;
    }
    for (;;) {
      std::string error_text;
      const StoreResult r = ReadBackupFile(store, file, &error_text);
      if (r == kStoreOk) break;
      // A failed read may leave part of the file in the store.
      store.ClearAllAppli();
      if (r != kStoreLoadError) {
        Log(FormatText("!!! File(%s) is NOT compatible \n\n", file));
        return fail(kResultNotCompatible);
      }
      const std::string text = error_text.empty() ? "Read file error." : error_text;
      if (Box(text, "Error", PromptIcon::kQuestion, PromptButtons::kRetryCancel) !=
          PromptAnswer::kRetry) {
        Log(FormatText("!!! File(%s) Read Err\n\n", file));
        return fail(kResultGaveUp);
      }
    }
    Log(FormatText("<<====Read File (%s)\n\n", file));
  }
  LinkObserver* window = context_.observer;
  auto progress = [&](int value) {
    if (window != nullptr) window->OnProgress(value, kSourceFullRun);
  };
  safe_report_ = {};
  auto skipped = [&](AppliId id) { return ((safe_.skip >> id) & 1) != 0; };
  // An application sent: noted, and from now on complete on the organizer.
  auto send_one = [&](const char* start_line) {
    const AppliId id = AppliWireCode(context_.appli_mode);
    if (skipped(id)) {
      Log("---Pass (This appli is complete)\n\n");
      return kResultSuccess;
    }
    Log(start_line);
    const ResultCode r = SendAppli(role);
    if (r != kResultSuccess) return r;
    Log("********** End Restore 1 Appli **********\n\n");
    safe_report_.sent |= static_cast<uint8_t>(1 << id);
    if (safe_.on_sent) safe_.on_sent(id);
    return r;
  };
  auto remove_all = [&](AppliId id) {
    if (skipped(id)) return kResultSuccess;
    const ResultCode r = DeleteAllRecords(id);
    if (r == kResultSuccess) safe_report_.deleted = true;
    return r;
  };
  // What the organizer holds of the applications about to be replaced, kept
  // before the first of them is deleted.
  const bool all = context_.appli_mode == kAllAppli;
  std::vector<AppliId> replaced;
  if (all) {
    for (AppliId id : kFullOrder) {
      if (!skipped(id)) replaced.push_back(id);
    }
  } else {
    if (context_.appli_mode == kExpense && !skipped(kCategoryList))
      replaced.push_back(kCategoryList);
    if (!skipped(AppliWireCode(context_.appli_mode))) {
      replaced.push_back(AppliWireCode(context_.appli_mode));
    }
  }
  auto take_snapshot = [&]() {
    if (safe_.snapshot == nullptr || role != TransferRole::kPc || replaced.empty()) {
      return kResultSuccess;
    }
    const ResultCode r = ReceiveApplis(*safe_.snapshot, replaced, "Snapshot", role);
    if (r != kResultSuccess) return r;
    if (safe_.on_snapshot) {
      SilentPrompter silent;
      Prompter& prompter = context_.prompter != nullptr ? *context_.prompter : silent;
      const ResultCode kept = safe_.on_snapshot(*safe_.snapshot, prompter);
      if (kept != kResultSuccess) {
        Log(kept == kResultIoError ? "!!!Snapshot Write Err\n\n" : "!!!Stopped After Snapshot\n\n");
        return kept;
      }
    }
    safe_report_.snapshot_taken = true;
    return kResultSuccess;
  };

  if (role == TransferRole::kPc) {
    const ResultCode r = link_.NegotiationForPC(kNegotiationTimeOutMs, -1, context_.observer);
    if (r != kResultSuccess) return fail(r);
  }
  if (const ResultCode r = take_snapshot(); r != kResultSuccess) return fail(r);
  if (all) {
    if (window != nullptr) window->OnStatus(100, kSourceFullRun);
    progress(4);
    if (role == TransferRole::kPc) {
      for (AppliId id : kFullOrder) {
        if (id == kCategoryList) continue;
        const ResultCode r = remove_all(id);
        if (r != kResultSuccess) return fail(r);
      }
    }
    progress(10);
    for (int i = 0; i < 7; ++i) {
      context_.appli_mode = kFullOrder[i];
      const ResultCode r = send_one("********** Restore 1 Appli **********\n\n");
      if (r != kResultSuccess) return fail(r);
      if (i < 5) progress(i * 10 + 50);
    }
    progress(100);
  } else {
    const int appli_mode = context_.appli_mode;
    if (context_.appli_mode == kExpense) {
      context_.appli_mode = kCategoryList;
      const ResultCode r = send_one("********** Restore 1 Appli **********\n");
      if (r != kResultSuccess) return fail(r);
      context_.appli_mode = kExpense;
    }
    if (role == TransferRole::kPc && context_.appli_mode != kCategoryList) {
      const ResultCode r = remove_all(AppliWireCode(context_.appli_mode));
      if (r != kResultSuccess) return fail(r);
    }
    const ResultCode r = send_one("********** Restore 1 Appli **********\n");
    if (r != kResultSuccess) return fail(r);
    context_.appli_mode = appli_mode;
  }
  if (safe_.verify != nullptr) {
    // Read back what was sent; a category list the store did not hold was
    // not sent and stays out of the comparison.
    std::vector<AppliId> sent;
    for (AppliId id : replaced) {
      if (id == kCategoryList && store.GetRecordCount(kCategoryList) <= 0) continue;
      sent.push_back(id);
    }
    const int appli_mode = context_.appli_mode;
    const ResultCode r = ReceiveApplis(*safe_.verify, sent, "Verify", role);
    if (r != kResultSuccess) return fail(r);
    context_.appli_mode = appli_mode;
  }
  Log("********** End Restore **********\n\n");
  if (role == TransferRole::kPc) {
    const ResultCode r = link_.SendCommand(kEndCommunication);
    if (r != kResultSuccess) return fail(r);
    Log("---PC sends END_COMMUNICATION\n\n");
  }
  Log(FormatText("RestoreTime=%dsec\n\n", ElapsedSeconds(start)));
  if (link_.logging()) {
    // An OK box has one answer.
    (void)Box(FormatText("SUCCESS Restore\nTime:%dsec", ElapsedSeconds(start)), "Restore",
              PromptIcon::kNone, PromptButtons::kOk);
  }
  if (from_file) store.FreeAppliBuf();
  return kResultSuccess;
}

}  // namespace kivo
