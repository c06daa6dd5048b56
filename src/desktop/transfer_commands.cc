// The transfer commands: Backup, Restore, Upload, Download and SEND, and what
// every run of the desktop program works with beside the user's settings.
// What each does around its runs is the command layer's
// (commands/link_commands.h); here the questions before them are asked and
// the list follows.

#include "comm/virtual_organizer.h"
#include "commands/link_commands.h"
#include "desktop/main_commands.h"
#include "history/history.h"
#include "store/app_settings.h"
#include "store/record_access.h"
#include "store/result_code.h"
#include "store/store_records.h"
#include "store/working_data.h"
#include "view/row_sort.h"

namespace kivo {

SerialPortFactory MainCommands::PortFactory() const {
  VirtualOrganizerOptions organizer = *virtual_options_;
  organizer.device_code = settings_->device_code;
  if (organizer.data_dir.empty()) organizer.data_dir = paths_.files_dir;
  return VirtualOrganizerFactory(organizer);
}

std::filesystem::path MainCommands::HistoryDir() const {
  return HistoryDirFor(settings_->history_dir, paths_.files_dir);
}

std::unique_ptr<LinkCommands> MainCommands::Commands() {
  if (user_ == nullptr) return nullptr;
  CommandSetup setup;
  setup.settings = settings_.get();
  setup.code_tables = &store_.code_tables();
  setup.sort_table = &tables_.sort[static_cast<size_t>(active_sort_table_)];
  setup.port_factory = PortFactory();
  setup.data_dir = paths_.files_dir;
  setup.history_dir = HistoryDir();
  return std::make_unique<LinkCommands>(std::move(setup), *user_);
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
  // Kept in the history as well; a history that cannot be written is told
  // and does not undo the backup.
  const ResultCode result = Commands()->Backup(store_).code;
  settings_->AfterBackupRun(result);
  if (result == kResultSuccess) {
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
  // The records on this PC are journaled as the working data file holds them
  // once saved, so that a restore the program did not see to its end can be
  // finished after it starts again.
  const RestoreResult result =
      RestoreFrom(store_, WorkingDataPath(paths_.files_dir), StoreFingerprint(store_));
  TellVerified(result);
  if (!result.ok()) PutBack(*safety);
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
  const ResultCode result = Commands()->Run(RunMode::kUpload, model_->appli(), &store_,
                                            settings_->upload_tel_records_min);
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
  // The outcome box has told the user of a failure; the PC's records are
  // unchanged.
  TellVerified(Commands()->Download(id, rows));
}

void MainCommands::SendRecord() {
  std::vector<int> rows = model_->selected_rows();
  if (rows.empty() && model_->selected_row() >= 0) rows.push_back(model_->selected_row());
  if (rows.empty()) return;
  const AppliId id = model_->appli();
  std::vector<std::vector<uint8_t>> records;
  size_t again = 0;
  for (int row : rows) {
    records.push_back(model_->RowRecord(row));
    again += sent_.count({id, records.back()});
  }
  // The organizer takes a record sent twice as two.
  if (again > 0) {
    const std::string text =
        records.size() == 1 ? std::string(
                                  "This record was sent to your Organizer before.\n"
                                  "Send it again ?")
        : again == 1 ? std::string(
                           "One of these records was sent to your Organizer before.\n"
                           "Send them again ?")
                     : std::to_string(again) +
                           " of these records were sent to your Organizer before.\n"
                           "Send them again ?";
    if (!Ask(text, "Send")) return;
  }
  if (!ConnectionReminder()) return;
  AppliStore chosen(store_.code_tables());
  if (chosen.GetAppliBuf(2) != 0) return;
  for (size_t i = 0; i < records.size(); ++i) {
    if (chosen.PutRecord(id, static_cast<int>(i), records[i]) != 0) return;
  }
  // The outcome box has told the user; nothing on the PC changes.
  if (Commands()->Run(RunMode::kSendRecord, id, &chosen, settings_->bk_tel_records_min) ==
      kResultSuccess) {
    for (std::vector<uint8_t>& record : records) sent_.insert({id, std::move(record)});
  }
}

}  // namespace kivo
