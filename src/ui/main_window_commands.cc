// The file and transfer commands of the main window's menus and buttons.

#include <algorithm>

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QStringList>

#include "comm/link_settings.h"
#include "comm/transfer_setup.h"
#include "comm/virtual_organizer.h"
#include "csv/csv_export.h"
#include "csv/csv_reader.h"
#include "exchange/exchange.h"
#include "history/history.h"
#include "platform/free_space.h"
#include "store/app_settings.h"
#include "store/backup_file.h"
#include "store/record_access.h"
#include "ui/exchange_filters.h"
#include "ui/file_names.h"
#include "ui/find_dialog.h"
#include "ui/import_dialog.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/pc_text.h"
#include "ui/progress_window.h"
#include "view/row_sort.h"

namespace kivo {
namespace {

constexpr const char* kReminder =
    "1. Press the [ON/OFF] button to turn OFF.\n2. Connect the cable to your Organizer and your "
    "PC.\n3. Press the [ON/OFF] button to turn ON.";
constexpr const char* kFailedToImport = "Failed to Import";

// Shows the wait cursor for as long as it lives.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// Puts records into an application of a store in the given order.
bool PutAll(AppliStore& store, AppliId id, const std::vector<std::vector<uint8_t>>& records,
            const std::vector<int>& order) {
  int index = 0;
  for (const int position : order) {
    if (store.PutRecord(id, index++, records[position]) != 0) return false;
  }
  return true;
}

std::vector<int> ListOrder(size_t count) {
  std::vector<int> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = static_cast<int>(i);
  return order;
}

}  // namespace

// ---- helpers ---------------------------------------------------------------------

bool MainWindow::Ask(const char* text, const char* caption) {
  return ShowMessageBox(this, {text, caption, PromptIcon::kQuestion, PromptButtons::kYesNo}) ==
         PromptAnswer::kYes;
}

void MainWindow::Tell(const PromptBox& box) { (void)ShowMessageBox(this, box); }

bool MainWindow::ConnectionReminder() {
  return ShowMessageBox(this, {kReminder, "Information", PromptIcon::kInformation,
                               PromptButtons::kOk}) == PromptAnswer::kOk;
}

std::unique_ptr<AppliStore> MainWindow::SafetyCopy() {
  auto copy = std::make_unique<AppliStore>(store_.code_tables());
  if (copy->GetAppliBuf(7) != 0) return nullptr;
  uint8_t every = 0;
  for (AppliId id = 0; id < kCategoryList; ++id) every |= EnsureMaskBit(id);
  if (copy->EnsureAppli(every, /*category=*/true) < 0) return nullptr;
  CopyAppliStore(*copy, store_);
  return copy;
}

void MainWindow::PutBack(const AppliStore& safety) {
  store_.ClearAllAppli();
  CopyAppliStore(store_, safety);
}

SerialPortFactory MainWindow::PortFactory() const {
  VirtualOrganizerOptions organizer = *virtual_options_;
  organizer.device_code = settings_->device_code;
  if (organizer.data_dir.empty()) organizer.data_dir = paths_.files_dir;
  return VirtualOrganizerFactory(organizer);
}

LinkSettings MainWindow::TransferSettings(int run_mode, int appli_mode, AppliStore* store,
                                          int tel_records_min) {
  TransferRequest request;
  request.run_mode = run_mode;
  request.appli_mode = appli_mode;
  request.store = store;
  request.tel_records_min = tel_records_min;
  request.sort_table = &sort_tables_[active_sort_table_];
  request.code_table = &store_.code_tables().b;
  request.port_factory = PortFactory();
  request.data_dir = paths_.files_dir;
  return MakeLinkSettings(*settings_, request);
}

int MainWindow::RunTransfer(const LinkSettings& settings) {
  ProgressWindow window(this);
  window.ApplyLinkSettings(settings);
  return window.Run();
}

std::vector<std::vector<uint8_t>> MainWindow::ListRecords() const {
  std::vector<std::vector<uint8_t>> records;
  records.reserve(model_->row_count());
  for (int row = 0; row < model_->row_count(); ++row) records.push_back(model_->RowRecord(row));
  return records;
}

FindDialog* MainWindow::find_dialog() const { return find_dialog_.data(); }

void MainWindow::CloseFindDialog() {
  if (find_dialog_) find_dialog_->close();
}

std::optional<std::string> MainWindow::OpenFileDialog(bool backup) {
  FileRequest request;
  request.caption = QStringLiteral("Open");
  request.dir = QString::fromStdString(settings_->backup_dir);
  request.filter =
      backup ? QStringLiteral("Backup Files (*.bkf)") : QStringLiteral("CSV Files (*.csv)");
  const QString chosen = ChooseFile(this, request);
  if (chosen.isEmpty()) return std::nullopt;
  const std::string path = chosen.toStdString();
  settings_->backup_dir = FolderOf(path);
  return path;
}

std::optional<std::string> MainWindow::SaveFileDialog() {
  FileRequest request;
  request.save = true;
  request.caption = QStringLiteral("Save As");
  request.dir = QString::fromStdString(settings_->backup_dir);
  request.filter = QStringLiteral("Backup Files (*.bkf)");
  const QDate today = QDate::currentDate();
  request.proposed_name =
      QString::fromStdString(ProposedBackupName(today.year(), today.month(), today.day()));
  request.default_suffix = QStringLiteral("bkf");
  const QString chosen = ChooseFile(this, request);
  if (chosen.isEmpty()) return std::nullopt;
  std::string path = chosen.toStdString();
  settings_->backup_dir = FolderOf(path);
  return WithExtension(path, kBackupExtension);
}

// ---- file commands ---------------------------------------------------------------

void MainWindow::Open() {
  CloseFindDialog();
  const std::optional<std::string> path = OpenFileDialog(/*backup=*/true);
  if (path) OpenBackup(*path);
}

void MainWindow::OpenBackup(const std::string& path) {
  if (!Ask("This operation will overwrite ALL applications.\nAre you sure you want to continue ?",
           "Open")) {
    return;
  }
  // The file is read into a store of its own first: one that fails to load
  // leaves the user's records as they were, instead of an empty store that
  // the exit would then save over the working data file.
  AppliStore loaded(store_.code_tables());
  const std::array<uint8_t, 2> device = store_.device_code();
  loaded.SetDeviceCode(device[0], device[1]);
  if (loaded.GetAppliBuf(7) != 0) return;
  StoreColumnWidths();
  model_->Commit(/*ordered=*/false);
  if (LoadBackupFile(loaded, path) != 0) {
    Tell({"The backup file is not compatible.", "Open", PromptIcon::kNone, PromptButtons::kOk});
    // The list comes back exactly as it was, in the user's order.
    RefreshList(/*resort=*/false);
    return;
  }
  store_.ClearAllAppli();
  CopyAppliStore(store_, loaded);
  RefreshList(/*resort=*/true);
}

void MainWindow::SaveAs() {
  CloseFindDialog();
  const std::optional<std::string> path = SaveFileDialog();
  if (!path) return;
  CommitList(/*ordered=*/false);
  std::unique_ptr<AppliStore> safety = SafetyCopy();
  if (!safety) return;
  // The file holds every application in its default order.
  model_->Commit(/*ordered=*/true);
  for (;;) {
    std::string error;
    if (SaveBackupFile(store_, *path, settings_->file_scramble != 0, &error) == 0) break;
    if (ShowMessageBox(this, {error, "Save As", PromptIcon::kQuestion,
                              PromptButtons::kRetryCancel}) != PromptAnswer::kRetry) {
      break;
    }
  }
  // The screen shows the user's order again.
  PutBack(*safety);
  RefreshList(/*resort=*/false);
}

void MainWindow::ClearAll() {
  if (!Ask("This operation will delete the ALL records.\nAre you sure you want to continue ?",
           "Clear All")) {
    return;
  }
  store_.ResetAppli(kAllAppli);
  (void)SetDefaultCategoryNames(store_);
  RefreshList(/*resort=*/true);
}

// ---- transfers -------------------------------------------------------------------

void MainWindow::Backup() {
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
  const int result = RunTransfer(
      TransferSettings(kRunBackup, kAllAppli, &store_, settings_->backup_tel_records_min));
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

void MainWindow::Restore() {
  // Committed first, so that the warning compares what would be sent.
  CommitList(/*ordered=*/false);
  if (!AskWithWarning("This operation will overwrite ALL applications on your Organizer.\n"
                      "Are you sure you want to continue ?",
                      "Restore", store_, kAllAppli) ||
      !ConnectionReminder()) {
    return;
  }
  std::unique_ptr<AppliStore> safety = SafetyCopy();
  if (!safety) return;
  model_->Commit(/*ordered=*/true);
  const int result = RunSafeTransfer(kRunRestore, kAllAppli, store_, /*snapshot=*/true);
  if (result != kResultSuccess) PutBack(*safety);
  // After a success the list shows the default order that was sent.
  RefreshList(/*resort=*/false);
}

void MainWindow::Upload() {
  if (!Ask("This operation will overwrite selected application on your PC.\n"
           "Are you sure you want to continue ?",
           "Upload") ||
      !ConnectionReminder()) {
    return;
  }
  CommitList(/*ordered=*/false);
  std::unique_ptr<AppliStore> safety = SafetyCopy();
  if (!safety) return;
  const int result = RunTransfer(
      TransferSettings(kRunUpload, model_->appli(), &store_, settings_->upload_tel_records_min));
  settings_->AfterUploadRun(result);
  if (result == kResultSuccess) {
    RefreshList(/*resort=*/true);
  } else {
    PutBack(*safety);
    RefreshList(/*resort=*/false);
  }
}

void MainWindow::Download() {
  const AppliId id = model_->appli();
  // The rows on screen (for Telephone those the filter shows), in the
  // application's default order.
  AppliStore rows(store_.code_tables());
  if (rows.InitAppliBuf(id) < 0) return;
  const std::vector<std::vector<uint8_t>> records = ListRecords();
  if (!PutAll(rows, id, records, DefaultOrder(id, records, model_->Context()))) return;
  if (id == kExpense) {
    const std::span<const uint8_t> names = store_.Record(kCategoryList, 0);
    if (!names.empty()) (void)rows.SetCategoryRecord(names);
  }
  if (!AskWithWarning("This operation will overwrite selected application on your Organizer.\n"
                      "Are you sure you want to continue ?",
                      "Download", rows, id) ||
      !ConnectionReminder()) {
    return;
  }
  (void)RunSafeTransfer(kRunDownload, id, rows, /*snapshot=*/true);
}

void MainWindow::SendRecord() {
  const int row = model_->selected_row();
  if (row < 0 || !ConnectionReminder()) return;
  const AppliId id = model_->appli();
  AppliStore one(store_.code_tables());
  if (one.GetAppliBuf(2) != 0 || one.PutRecord(id, 0, model_->RowRecord(row)) != 0) return;
  (void)RunTransfer(TransferSettings(kRunSendRecord, id, &one, settings_->bk_tel_records_min));
}

// ---- CSV, vCard, iCalendar -----------------------------------------------------

void MainWindow::Import() {
  CloseFindDialog();
  ImportDialog dialog(this, model_->appli(), QString::fromStdString(settings_->backup_dir),
                      EncodingOfKey(settings_->import_encoding));
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  settings_->import_encoding = EncodingKey(dialog.encoding());
  CommitList(/*ordered=*/false);
  const int appli = dialog.appli();
  const PromptBox failed{kFailedToImport, "Import", PromptIcon::kExclamation, PromptButtons::kOk};
  if (appli < 0) {
    Tell(failed);
    return;
  }
  const AppliId id = static_cast<AppliId>(appli);
  const std::string file = dialog.file_name().toStdString();
  // A file without a known extension is read as CSV, as it always was.
  const ExchangeFormat format = FormatOfPath(file).value_or(ExchangeFormat::kCsv);
  std::optional<ImportBatch> batch;
  {
    WaitCursor wait;
    ExchangeOptions options;
    options.display_hour = settings_->display_hour;
    options.display_date = settings_->display_date;
    options.encoding = dialog.encoding();
    batch = ReadImportFile(file, format, id, options, store_,
                           LoadAllowedTable(paths_.tables_dir / "char.dat"));
  }
  if (!batch) {
    Tell(failed);
    RefreshList(/*resort=*/false);
    return;
  }
  // Nothing has changed yet: the user may still say no.
  const std::string question = UnmappableQuestion(*batch);
  if (!question.empty() && !Ask(question.c_str(), "Import")) {
    RefreshList(/*resort=*/false);
    return;
  }
  int over_limit = 0;
  int put_failed = 0;
  const int taken = AppendBatch(store_, *batch, &over_limit, &put_failed);
  Tell({ImportSummary(*batch, taken, over_limit, put_failed), "Import", PromptIcon::kInformation,
        PromptButtons::kOk});
  RefreshList(/*resort=*/true);
}

void MainWindow::Export() {
  CloseFindDialog();
  const AppliId id = model_->appli();
  // The formats that fit the application; CSV in the coding chosen last.
  const std::vector<ExportFilter> filters = ExportFilters(id);
  FileRequest request;
  request.save = true;
  request.caption = QStringLiteral("Save As");
  request.dir = QString::fromStdString(settings_->backup_dir);
  QStringList texts;
  for (const ExportFilter& filter : filters) {
    texts << QString::fromStdString(filter.text);
    if (filter.encoding && EncodingKey(filter.encoding) == settings_->export_encoding) {
      request.selected_filter = texts.back();
    }
  }
  request.filter = texts.join(QStringLiteral(";;"));
  request.default_suffix = QStringLiteral("csv");
  QString chosen_filter;
  const QString chosen = ChooseFile(this, request, &chosen_filter);
  if (chosen.isEmpty()) return;
  settings_->backup_dir = FolderOf(chosen.toStdString());
  const int index = std::max<int>(0, texts.indexOf(chosen_filter));
  const ExportFilter& filter = filters[index];
  // A name that says a fitting format is written in it; any other gets the
  // filter's extension.
  std::string path = chosen.toStdString();
  const std::optional<ExchangeFormat> named = FormatOfPath(path);
  const ExchangeFormat format = named && FormatFits(*named, id) ? *named : filter.format;
  if (!named || !FormatFits(*named, id)) path = WithExtension(path, FormatExtension(format));
  if (filter.encoding) settings_->export_encoding = EncodingKey(filter.encoding);

  ExchangeOptions options;
  options.display_hour = settings_->display_hour;
  options.display_date = settings_->display_date;
  options.encoding = EncodingOfKey(settings_->export_encoding);
  options.now = QDateTime::currentSecsSinceEpoch();
  QtPrompter prompter(this);
  int count = 0;
  {
    WaitCursor wait;
    if (id == kTelephone) {
      // The rows the filter shows, in list order.
      AppliStore rows(store_.code_tables());
      const std::vector<std::vector<uint8_t>> records = ListRecords();
      if (rows.InitAppliBuf(id) < 0 || !PutAll(rows, id, records, ListOrder(records.size()))) {
        return;
      }
      count = ExportFile(path, format, rows, id, options, prompter, DefaultFreeSpace());
    } else {
      CommitList(/*ordered=*/false);
      count = ExportFile(path, format, store_, id, options, prompter, DefaultFreeSpace());
    }
  }
  const std::string message = ExportMessage(count);
  if (!message.empty()) Tell({message, "Export", PromptIcon::kInformation, PromptButtons::kOk});
}

}  // namespace kivo
