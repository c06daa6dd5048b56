// The document of the desktop program, its list operations and the File
// commands that work on the data file: Open, Save As, Clear All; Delete Entry
// and Find Next.

#include "desktop/main_commands.h"

#include <algorithm>

#include "comm/virtual_organizer.h"
#include "desktop/file_names.h"
#include "desktop/port_names.h"
#include "format/today.h"
#include "history/history.h"
#include "platform/app_dirs.h"
#include "platform/clock.h"
#include "platform/link_defaults.h"
#include "platform/program_dir.h"
#include "store/app_settings.h"
#include "store/backup_file.h"
#include "store/record_access.h"
#include "store/working_data.h"
#include "view/appli_columns.h"

namespace kivo {
MainCommands::MainCommands(const MainWindowPaths& paths, const Tables& tables)
    : paths_(paths),
      tables_(tables),
      settings_(std::make_unique<AppSettings>()),
      store_(tables.code),
      virtual_options_(std::make_unique<VirtualOrganizerOptions>()) {
  // The virtual organizer plays with the program's tables and starts with
  // the shipped sample.
  virtual_options_->tables = tables;
  virtual_options_->sample_dir = FindSampleDir();
  // Seven slots cannot fail on a fresh store.
  (void)store_.GetAppliBuf(kStoreSlots);
  model_ = std::make_unique<MainViewModel>(store_, SystemToday);
  // The model picks one of the two collating tables. Without sort.dat the
  // lists keep the plain byte order.
  model_->SetSortTable(&tables_.sort[static_cast<size_t>(active_sort_table_)]);
}

MainCommands::~MainCommands() = default;

void MainCommands::Attach(DesktopUser* user, ListView* view) {
  user_ = user;
  view_ = view;
  if (user_ != nullptr) user_->set_list(model_.get());
}

// ---- the user and the list on screen ------------------------------------------

bool MainCommands::Ask(const std::string& text, const char* caption) {
  if (user_ == nullptr) return false;
  return user_->Ask({text, caption, PromptIcon::kQuestion, PromptButtons::kYesNo}) ==
         PromptAnswer::kYes;
}

void MainCommands::Tell(const PromptBox& box) {
  // A message has nothing to choose: its answer is always OK.
  if (user_ != nullptr) (void)user_->Ask(box);
}

bool MainCommands::ConnectionReminder() {
  if (user_ == nullptr) return false;
  // The virtual organizer has no cable and no buttons to press.
  if (OnVirtualOrganizer(*settings_)) return true;
  return user_->Ask(ConnectionReminderBox()) == PromptAnswer::kOk;
}

void MainCommands::KeepListState() {
  if (view_ != nullptr) view_->KeepListState();
}

void MainCommands::ShowList() {
  if (view_ != nullptr) view_->ShowList();
}

void MainCommands::CloseFind() {
  if (view_ != nullptr) view_->CloseFind();
}

// ---- settings and the working data file -------------------------------------

void MainCommands::LoadSettings() {
  const std::filesystem::path file = SettingsFilePath(AppDirsOf(paths_).config);
  *settings_ = LoadAppSettings(file, AppDirsOf(paths_));
  if (!settings_->ignored.empty()) {
    std::string text = "Some settings in\n" + file.string() + "\ncannot be used:\n";
    for (const std::string& why : settings_->ignored) text += "\n" + why;
    Tell({text, kProgramTitle, PromptIcon::kExclamation, PromptButtons::kOk});
  }
  CreateBackupDir(*settings_);
  model_->SetDisplayModes(settings_->display_date, settings_->display_hour);
  ApplySortTable();
}

void MainCommands::SaveSettings() {
  settings_->appli_id = model_->appli();
  // Nothing to tell the user: the settings are written as the program ends.
  (void)SaveAppSettings(*settings_, SettingsFilePath(AppDirsOf(paths_).config));
}

std::optional<LocalDateTime> MainCommands::LastBackupTime() const {
  for (const Generation& g : ListGenerations(HistoryDir())) {
    if (g.kind == kKindBackup) return g.time;
  }
  return std::nullopt;
}

void MainCommands::LoadDataFile() {
  // A file that fails to load leaves every application empty; the user learns
  // where the file was kept and why it did not load.
  const std::filesystem::path file = WorkingDataPath(paths_.files_dir);
  const WorkingDataLoad load = LoadWorkingData(store_, file, settings_->device_code);
  const std::string message = WorkingDataLoadMessage(file, load);
  if (!message.empty())
    Tell({message, kProgramTitle, PromptIcon::kExclamation, PromptButtons::kOk});
}

bool MainCommands::SaveDataFile() {
  return SaveWorkingData(store_, WorkingDataPath(paths_.files_dir), settings_->file_scramble) == 0;
}

void MainCommands::ApplySortTable() {
  active_sort_table_ = SelectSortTable(settings_->model, active_sort_table_);
  model_->SetSortTable(&tables_.sort[static_cast<size_t>(active_sort_table_)]);
}

// ---- the list ------------------------------------------------------------------

void MainCommands::ShowSettingsAppli() {
  const int tab = std::max(TabOfAppli(static_cast<AppliId>(settings_->appli_id)), 0);
  model_->SetAppli(kTabAppli[tab]);
  model_->Refresh(/*resort=*/true);
  ShowList();
}

void MainCommands::CommitList(bool ordered) {
  KeepListState();
  model_->Commit(ordered);
}

void MainCommands::RefreshList(bool resort) {
  model_->Refresh(resort);
  ShowList();
}

void MainCommands::ShowAppli(AppliId id, bool commit_first) {
  if (TabOfAppli(id) < 0) return;
  if (commit_first) KeepListState();
  model_->ShowAppli(id, commit_first);
  ShowList();
}

void MainCommands::ShowTab(int tab) {
  if (tab < 0 || tab >= kTabCount) return;
  KeepListState();
  model_->ShowAppli(kTabAppli[tab], /*commit_first=*/true);
  ShowList();
}

void MainCommands::SortOnColumn(int column) {
  KeepListState();
  // Without rows nothing is sorted. The list is shown again either way: its
  // header moves its sort indicator on a click by itself, and must show the
  // model's.
  (void)model_->SortOnColumn(column);
  ShowList();
}

void MainCommands::ShowFilter(int filter) {
  if (model_->appli() != kTelephone) return;
  KeepListState();
  model_->SetFilter(filter);
  ShowList();
}

void MainCommands::ResizeColumn(int column, int width, int column_count) {
  // The last column follows the list's width; the others keep what the user
  // made of them.
  if (column < 0 || column >= kMaxColumns || column + 1 >= column_count) return;
  model_->view_state(model_->appli()).widths[column] = width;
}

bool MainCommands::Undo() {
  CloseFind();
  KeepListState();
  if (!model_->Undo()) return false;
  ShowList();
  return true;
}

void MainCommands::RestoreListWidths() {
  const WindowGeometry& saved = settings_->window;
  for (AppliId id = 0; id < static_cast<AppliId>(saved.columns.size()); ++id) {
    ViewState& state = model_->view_state(id);
    const std::vector<int>& widths = saved.columns[static_cast<size_t>(id)];
    for (size_t c = 0; c < widths.size() && c < state.widths.size(); ++c) {
      state.widths[c] = widths[c];
    }
  }
}

void MainCommands::KeepListWidths() {
  WindowGeometry& saved = settings_->window;
  for (AppliId id = 0; id < static_cast<AppliId>(saved.columns.size()); ++id) {
    const ViewState& state = model_->view_state(id);
    const auto columns = AppliColumns(id);
    const int count = static_cast<int>(columns.size());
    std::vector<int>& widths = saved.columns[static_cast<size_t>(id)];
    widths.assign(state.widths.begin(), state.widths.begin() + count);
    // Only widths the user chose are kept (0: the column fits its contents).
    // The last column fills the list: its width follows the window.
    widths[count - 1] = 0;
    if (std::all_of(widths.begin(), widths.end(), [](int w) { return w == 0; })) widths.clear();
  }
}

void MainCommands::ApplyDisplayFormat(int display_date, int display_hour) {
  KeepListState();
  model_->ChangeDisplayModes(display_date, display_hour);
  settings_->display_date = display_date;
  settings_->display_hour = display_hour;
  ShowList();
}

void MainCommands::ApplyOrganizerModel(int model) {
  settings_->model = model;
  ApplySortTable();
  KeepListState();
  model_->Resort();
  ShowList();
}

void MainCommands::ApplyExpenseCategories(const CategoryNames& names) {
  const bool on_screen = model_->appli() == kExpense;
  if (on_screen) CommitList(/*ordered=*/false);
  // The dialog only gives names that fit the record.
  (void)SetCategoryNames(store_, names);
  if (on_screen) RefreshList(/*resort=*/true);
}

CategoryNames MainCommands::ExpenseCategoryNames() const {
  CategoryNames names;
  if (GetCategoryNames(store_, &names) != 0) names = DefaultCategoryNames();
  return names;
}

std::vector<std::vector<uint8_t>> MainCommands::ListRecords() const {
  std::vector<std::vector<uint8_t>> records;
  records.reserve(model_->row_count());
  for (int row = 0; row < model_->row_count(); ++row) records.push_back(model_->RowRecord(row));
  return records;
}

std::unique_ptr<AppliStore> MainCommands::SafetyCopy() {
  auto copy = std::make_unique<AppliStore>(store_.code_tables());
  if (copy->GetAppliBuf(kStoreSlots) != 0) return nullptr;
  uint8_t every = 0;
  for (AppliId id = 0; id < kCategoryList; ++id) every |= EnsureMaskBit(id);
  if (copy->EnsureAppli(every, /*category=*/true) < 0) return nullptr;
  CopyAppliStore(*copy, store_);
  return copy;
}

void MainCommands::PutBack(const AppliStore& safety) {
  store_.ClearAllAppli();
  CopyAppliStore(store_, safety);
}

// ---- file dialogs --------------------------------------------------------------

std::optional<std::string> MainCommands::OpenFileDialog() {
  if (user_ == nullptr) return std::nullopt;
  FileQuestion question;
  question.caption = "Open";
  question.dir = settings_->backup_dir;
  question.filters = {"Backup Files (*.bkf)"};
  const std::optional<FileAnswer> chosen = user_->ChooseFile(question);
  if (!chosen || chosen->path.empty()) return std::nullopt;
  settings_->backup_dir = FolderOf(chosen->path);
  return chosen->path;
}

std::optional<std::string> MainCommands::SaveFileDialog() {
  if (user_ == nullptr) return std::nullopt;
  FileQuestion question;
  question.save = true;
  question.caption = "Save As";
  question.dir = settings_->backup_dir;
  question.filters = {"Backup Files (*.bkf)"};
  const LocalDateTime today = SystemClock().LocalNow();
  question.proposed_name = ProposedBackupName(today.year, today.month, today.day);
  question.default_suffix = "bkf";
  const std::optional<FileAnswer> chosen = user_->ChooseFile(question);
  if (!chosen || chosen->path.empty()) return std::nullopt;
  settings_->backup_dir = FolderOf(chosen->path);
  return WithExtension(chosen->path, kBackupExtension);
}

// ---- file commands ---------------------------------------------------------------

void MainCommands::Open() {
  CloseFind();
  const std::optional<std::string> path = OpenFileDialog();
  if (path) OpenBackup(*path);
}

void MainCommands::OpenBackup(const std::string& path) {
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
  if (loaded.GetAppliBuf(kStoreSlots) != 0) return;
  CommitList(/*ordered=*/false);
  if (const StoreStatus load = LoadBackupFile(loaded, path); !load.ok()) {
    const std::string& reason = load.error_text;
    // The reader's reason names an application id the program does not know
    // (as the command line tells it); a file that cannot be read says why.
    constexpr std::string_view kNotCompatible = "The backup file is not compatible.";
    std::string text(kNotCompatible);
    if (reason.starts_with(kNotCompatible)) {
      text = reason;
    } else if (!reason.empty()) {
      text += "\n(" + reason + ")";
    }
    Tell({text, "Open", PromptIcon::kNone, PromptButtons::kOk});
    // The list comes back exactly as it was, in the user's order.
    RefreshList(/*resort=*/false);
    return;
  }
  store_.ClearAllAppli();
  CopyAppliStore(store_, loaded);
  RefreshList(/*resort=*/true);
}

void MainCommands::SaveAs() {
  CloseFind();
  const std::optional<std::string> path = SaveFileDialog();
  if (!path) return;
  CommitList(/*ordered=*/false);
  std::unique_ptr<AppliStore> safety = SafetyCopy();
  if (!safety) return;
  // The file holds every application in its default order.
  model_->Commit(/*ordered=*/true);
  for (;;) {
    const StoreStatus saved = SaveBackupFile(store_, *path, settings_->file_scramble != 0);
    if (saved.ok()) break;
    if (user_ == nullptr || user_->Ask({saved.error_text, "Save As", PromptIcon::kQuestion,
                                        PromptButtons::kRetryCancel}) != PromptAnswer::kRetry) {
      break;
    }
  }
  // The screen shows the user's order again.
  PutBack(*safety);
  RefreshList(/*resort=*/false);
}

void MainCommands::ClearAll() {
  if (!Ask("This operation will delete the ALL records.\nAre you sure you want to continue ?",
           "Clear All")) {
    return;
  }
  store_.ResetAppli(kAllAppli);
  // Fresh slots always take the default names.
  (void)SetDefaultCategoryNames(store_);
  RefreshList(/*resort=*/true);
}

// ---- records -----------------------------------------------------------------------

void MainCommands::DeleteEntry() {
  if (model_->selected_row() < 0) return;
  const size_t count = model_->selected_rows().size();
  if (!Ask(count > 1 ? "This operation will delete the " + std::to_string(count) +
                           " selected records.\nAre you sure you want to continue ?"
                     : "This operation will delete the selected record.\nAre you sure you want "
                       "to continue ?",
           "Delete")) {
    return;
  }
  KeepListState();
  (void)model_->DeleteSelectedRows();
  ShowList();
}

bool MainCommands::FindNext(const std::string& text, bool down, bool match_case, Prompter& owner) {
  if (model_->FindNext(text, down, match_case) >= 0) {
    if (view_ != nullptr) view_->ShowSelection();
    return true;
  }
  // The box belongs to the Find dialog, which the user goes on with.
  (void)owner.Ask({"Not found !", "Find", PromptIcon::kInformation, PromptButtons::kOk});
  return false;
}

}  // namespace kivo
