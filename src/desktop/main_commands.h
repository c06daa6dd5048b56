#ifndef KIVO_DESKTOP_MAIN_COMMANDS_H_
#define KIVO_DESKTOP_MAIN_COMMANDS_H_

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "desktop/desktop_paths.h"
#include "desktop/desktop_user.h"
#include "desktop/edit_request.h"
#include "link/comm_link.h"
#include "platform/clock.h"
#include "store/appli_store.h"
#include "store/char_tables.h"
#include "store/record_access.h"
#include "store/tables.h"
#include "view/main_view_model.h"

namespace kivo {

struct AppSettings;
class LinkCommands;
struct RestoreResult;
struct SyncRun;
class SerialDevices;
struct VirtualOrganizerOptions;

// The caption of the main window and of its start-up messages.
inline constexpr const char* kProgramTitle = "PC Software for Norvale TR/VX-480";

// The desktop program's document and the commands of its menus and buttons:
// the settings, the store with the working data, the view model of the list
// on screen, and Open … Export, the transfers with their safety steps and
// Find. Each command asks its questions through the DesktopUser, runs, and
// leaves the view model showing the store; the ListView (when one is
// attached) follows.
//
// One class in several files: main_commands.cc (the document, the list, the
// file commands, Delete and Find), record_edits.cc, transfer_commands.cc,
// safety_commands.cc, exchange_commands.cc and synchronize_command.cc.
class MainCommands {
 public:
  // The tables are the program's, read at its start; borrowed for the
  // commands' life.
  MainCommands(const MainWindowPaths& paths, const Tables& tables);
  ~MainCommands();
  MainCommands(const MainCommands&) = delete;
  MainCommands& operator=(const MainCommands&) = delete;

  // Both are borrowed until they are attached again (null: none). Without a
  // user every question gets the negative answer and no run starts.
  void Attach(DesktopUser* user, ListView* view);

  // The settings file: loaded (what cannot be used is told) and written.
  void LoadSettings();
  void SaveSettings();
  // The working data file: loaded (a load that fails is told), and saved;
  // false when it could not be written.
  void LoadDataFile();
  [[nodiscard]] bool SaveDataFile();

  // Puts the application of the settings on screen (the first tab when it
  // names none), as the program starts.
  void ShowSettingsAppli();
  // Commit puts the list back into the store (in list or default order);
  // Refresh rebuilds it from the store (re-sorted or in store order).
  void CommitList(bool ordered);
  void RefreshList(bool resort);
  // Puts an application on screen, committing the one shown first when asked.
  void ShowAppli(AppliId id, bool commit_first);
  // The list's clicks: a tab (its index), a column's header (the sort), the
  // Telephone filter (ignored on other tabs), a column the user widened or
  // narrowed (the last one follows the list's width and is not kept).
  void ShowTab(int tab);
  void SortOnColumn(int column);
  void ShowFilter(int filter);
  void ResizeColumn(int column, int width, int column_count);
  // Edit > Undo: the newest change taken back; false when there was none.
  bool Undo();
  // The column widths the user chose, from and into the window's settings.
  void RestoreListWidths();
  void KeepListWidths();
  // After the Display Format dialog: the list is committed with the old
  // formats, the new ones are taken over and the list is refreshed.
  void ApplyDisplayFormat(int display_date, int display_hour);
  // After the Organizer Model dialog: the model's sort table becomes active and
  // the list is sorted again by its sort column; row 0 is selected.
  void ApplyOrganizerModel(int model);
  // After the Expense Category dialog.
  void ApplyExpenseCategories(const CategoryNames& names);

  // File menu and the transfer buttons.
  void Open();
  void SaveAs();
  void ClearAll();
  void Backup();
  void Restore();
  void BackupHistory();
  void CompareWithOrganizer();
  // File > "Synchronize..." (synchronize_command.cc).
  void Synchronize();
  void Upload();
  void Download();
  // SEND: the selected records in one session; asks first when one of them
  // was sent before while the program runs.
  void SendRecord();
  void Import();
  void Export();
  // Edit > Delete Entry, after its question.
  void DeleteEntry();
  // One Find Next (text in the PC coding); "Not found !" goes to `owner`, the
  // Find dialog. True when a row was found and selected.
  bool FindNext(const std::string& text, bool down, bool match_case, Prompter& owner);

  // The record edit dialogs (record_edits.cc). What the dialog of the
  // application on screen opens with for a row (-1: a new record).
  [[nodiscard]] EditRequest EditOfRow(int row) const;
  // The dialog's end for that row: Save replaces the row, Save As New and the
  // Save of a new record add one (none beyond the record limit); any other
  // end changes nothing. True when a row was replaced or added.
  bool ApplyEdit(int row, const EditDialogResult& result);
  // A record of an application other than the one on screen (the calendar's
  // To Dos and anniversaries): its dialog, and its end taken in through that
  // application's own list. The record's position among the application's
  // records afterwards; -1 when it is not there or nothing changed.
  [[nodiscard]] EditRequest EditOfStored(AppliId id, std::span<const uint8_t> stored) const;
  int ApplyStoredEdit(AppliId id, const std::vector<uint8_t>& before,
                      const EditDialogResult& result);
  // A new Schedule entry on a day (day number) at a minute of it, for an
  // hour (-1: no time); nullopt unless the Schedule is on screen and has room.
  [[nodiscard]] std::optional<EditRequest> NewScheduleEntry(int day, int minute) const;

  // The store's Expense category names, the defaults where it holds none.
  [[nodiscard]] CategoryNames ExpenseCategoryNames() const;
  // The characters a record's texts may hold (char.dat of the tables).
  [[nodiscard]] const AllowedTable& AllowedCharacters() const { return tables_.allowed; }

  // When the newest Backup kept in the history was taken; nullopt: none is.
  [[nodiscard]] std::optional<LocalDateTime> LastBackupTime() const;

  // The ports of the transfers and the auto detection: "virtual" plays the
  // virtual organizer, every other name goes to the serial devices.
  [[nodiscard]] SerialPortFactory PortFactory() const;
  // The organizer that plays behind the port name "virtual" (a COM port
  // mapped to it in [Ports], or the COM port dialog's virtual choice). Its
  // records live in the files directory.
  VirtualOrganizerOptions& virtual_options() { return *virtual_options_; }
  // The serial devices the COM port dialog offers; null (the default): the
  // system's, looked up while the dialog is open. Not owned.
  void set_serial_devices(SerialDevices* devices) { serial_devices_ = devices; }
  SerialDevices* serial_devices() const { return serial_devices_; }

  MainViewModel& model() { return *model_; }
  const MainViewModel& model() const { return *model_; }
  AppliStore& store() { return store_; }
  AppSettings& settings() { return *settings_; }
  const AppSettings& settings() const { return *settings_; }
  const MainWindowPaths& paths() const { return paths_; }

 private:
  [[nodiscard]] bool Ask(const std::string& text, const char* caption);
  void Tell(const PromptBox& box);
  [[nodiscard]] bool ConnectionReminder();
  void KeepListState();
  void ShowList();
  void CloseFind();
  void ApplySortTable();
  // A store of seven slots holding a copy of the main store; none when it
  // cannot be set up.
  [[nodiscard]] std::unique_ptr<AppliStore> SafetyCopy();
  void PutBack(const AppliStore& safety);
  // Open's steps after the file dialog.
  void OpenBackup(const std::string& path);
  // A confirmed file dialog: the path, and BackupDir becomes its folder.
  [[nodiscard]] std::optional<std::string> OpenFileDialog();
  // Save As of a backup file, the extension added before the overwrite question.
  [[nodiscard]] std::optional<std::string> SaveFileDialog();
  // The list's rows of the application on screen as records.
  [[nodiscard]] std::vector<std::vector<uint8_t>> ListRecords() const;
  // The operations of the transfers with this program's settings, tables,
  // ports and history; none without a user.
  [[nodiscard]] std::unique_ptr<LinkCommands> Commands();
  // Why a pair of File > "Synchronize..." stopped, and what to do.
  void TellSyncFailure(const SyncRun& run, const std::string& name);
  // The history folder of the settings.
  [[nodiscard]] std::filesystem::path HistoryDir() const;
  // A Restore of `records` (a file, or the records on this PC when `source`
  // is the working data file): offers to finish a failed Restore of the same
  // records first, then runs with the safety steps of the settings.
  RestoreResult RestoreFrom(const AppliStore& records, const std::filesystem::path& source,
                            const std::string& fingerprint);
  // After a Restore or Download that went through: the records read back
  // that differ from those sent.
  void TellVerified(const RestoreResult& result);

  MainWindowPaths paths_;
  const Tables& tables_;
  std::unique_ptr<AppSettings> settings_;
  AppliStore store_;
  int active_sort_table_ = 0;
  std::unique_ptr<MainViewModel> model_;
  std::unique_ptr<VirtualOrganizerOptions> virtual_options_;
  SerialDevices* serial_devices_ = nullptr;
  DesktopUser* user_ = nullptr;
  ListView* view_ = nullptr;
  // The records sent one by one while the program runs, for the question
  // before one goes a second time.
  std::set<std::pair<AppliId, std::vector<uint8_t>>> sent_;
};

}  // namespace kivo

#endif  // KIVO_DESKTOP_MAIN_COMMANDS_H_
