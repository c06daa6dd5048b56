// The transfer commands: Backup, Restore, Upload, Download and SEND, and what
// every run of the desktop program asks beside the user's settings.

#include "comm/link_settings.h"
#include "comm/transfer_setup.h"
#include "comm/virtual_organizer.h"
#include "history/history.h"
#include "platform/clock.h"
#include "store/app_settings.h"
#include "store/record_access.h"
#include "store/result_code.h"
#include "store/store_records.h"
#include "ui/main_commands.h"
#include "view/row_sort.h"

namespace kivo {

SerialPortFactory MainCommands::PortFactory() const {
  VirtualOrganizerOptions organizer = *virtual_options_;
  organizer.device_code = settings_->device_code;
  if (organizer.data_dir.empty()) organizer.data_dir = paths_.files_dir;
  return VirtualOrganizerFactory(organizer);
}

TransferRequest MainCommands::Request(RunMode run_mode, int appli_mode, AppliStore* store,
                                      int tel_records_min) const {
  TransferRequest request;
  request.run_mode = run_mode;
  request.appli_mode = appli_mode;
  request.store = store;
  request.tel_records_min = tel_records_min;
  request.sort_table = &sort_tables_[active_sort_table_];
  request.code_table = &store_.code_tables().b;
  request.port_factory = PortFactory();
  request.data_dir = paths_.files_dir;
  return request;
}

int MainCommands::RunTransfer(const LinkSettings& settings, SafeTransferReport* report) {
  if (user_ == nullptr) return kResultAborted;
  return user_->RunTransfer(settings, report);
}

void MainCommands::Backup() {
  if (!Ask("This operation will overwrite ALL applications on your PC.\n"
           "Are you sure you want to continue ?",
           "Backup") ||
      !ConnectionReminder()) {
    return;
  }
  CommitList(/*ordered=*/false);
  std::unique_ptr<AppliStore> safety = SafetyCopy();
  if (!safety) return;
  store_.ClearAllAppli();
  const int result =
      RunTransfer(MakeLinkSettings(*settings_, Request(RunMode::kBackup, kAllAppli, &store_,
                                                       settings_->backup_tel_records_min)));
  settings_->AfterBackupRun(result);
  if (result == kResultSuccess) {
    store_.EnsureAllAppli();
    // Kept in the history as well; a history that cannot be written does not
    // undo the backup.
    std::string error_text;
    (void)AddGeneration(HistoryDir(), store_, kKindBackup, SystemClock().LocalNow(),
                        settings_->history_keep, settings_->file_scramble != 0, &error_text);
    RefreshList(/*resort=*/true);
  } else {
    PutBack(*safety);
    RefreshList(/*resort=*/false);
  }
}

void MainCommands::Restore() {
  if (!Ask("This operation will overwrite ALL applications on your Organizer.\n"
           "Are you sure you want to continue ?",
           "Restore") ||
      !ConnectionReminder()) {
    return;
  }
  CommitList(/*ordered=*/false);
  std::unique_ptr<AppliStore> safety = SafetyCopy();
  if (!safety) return;
  model_->Commit(/*ordered=*/true);
  const int result = RunSafeTransfer(RunMode::kRestore, kAllAppli, store_, /*snapshot=*/true);
  if (result != kResultSuccess) PutBack(*safety);
  // After a success the list shows the default order that was sent.
  RefreshList(/*resort=*/false);
}

void MainCommands::Upload() {
  if (!Ask("This operation will overwrite selected application on your PC.\n"
           "Are you sure you want to continue ?",
           "Upload") ||
      !ConnectionReminder()) {
    return;
  }
  CommitList(/*ordered=*/false);
  std::unique_ptr<AppliStore> safety = SafetyCopy();
  if (!safety) return;
  const int result =
      RunTransfer(MakeLinkSettings(*settings_, Request(RunMode::kUpload, model_->appli(), &store_,
                                                       settings_->upload_tel_records_min)));
  settings_->AfterUploadRun(result);
  if (result == kResultSuccess) {
    RefreshList(/*resort=*/true);
  } else {
    PutBack(*safety);
    RefreshList(/*resort=*/false);
  }
}

void MainCommands::Download() {
  const AppliId id = model_->appli();
  // The rows on screen (for Telephone those the filter shows), in the
  // application's default order.
  AppliStore rows(store_.code_tables());
  if (rows.InitAppliBuf(id) < 0) return;
  const std::vector<std::vector<uint8_t>> records = ListRecords();
  if (PutInOrder(rows, id, records, DefaultOrder(id, records, model_->Context())) != kStoreOk) {
    return;
  }
  if (id == kExpense) {
    const std::span<const uint8_t> names = store_.Record(kCategoryList, 0);
    // The names come from a record of the same layout.
    if (!names.empty()) (void)rows.SetCategoryRecord(names);
  }
  if (!Ask("This operation will overwrite selected application on your Organizer.\n"
           "Are you sure you want to continue ?",
           "Download") ||
      !ConnectionReminder()) {
    return;
  }
  // The outcome box has told the user; the PC's records are unchanged.
  (void)RunSafeTransfer(RunMode::kDownload, id, rows, /*snapshot=*/true);
}

void MainCommands::SendRecord() {
  const int row = model_->selected_row();
  if (row < 0 || !ConnectionReminder()) return;
  const AppliId id = model_->appli();
  AppliStore one(store_.code_tables());
  if (one.GetAppliBuf(2) != 0 || one.PutRecord(id, 0, model_->RowRecord(row)) != 0) return;
  // The outcome box has told the user; nothing on the PC changes.
  (void)RunTransfer(MakeLinkSettings(
      *settings_, Request(RunMode::kSendRecord, id, &one, settings_->bk_tel_records_min)));
}

}  // namespace kivo
