#ifndef KIVO_UI_MAIN_WINDOW_H_
#define KIVO_UI_MAIN_WINDOW_H_

#include <filesystem>
#include <memory>
#include <optional>

#include <QMainWindow>
#include <QPointer>

#include "link/comm_link.h"
#include "store/appli_store.h"
#include "store/char_tables.h"
#include "view/main_view_model.h"

class QAbstractButton;
class QAction;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QToolButton;

namespace kivo {

struct AppSettings;
struct LinkSettings;
struct PromptBox;
class SerialDevices;
struct VirtualOrganizerOptions;
class FindDialog;
class ListHeaderArea;

// Where the main window finds its files.
struct MainWindowPaths {
  // Holds the working data file "Kivo-LinkUtility.dat" and, unless
  // config_dir names another folder, the settings file "Kivo-LinkUtility.ini":
  // the program directory, an installed program's XDG data folder, or a
  // test's own directory.
  std::filesystem::path files_dir;
  // Holds code.dat and sort.dat.
  std::filesystem::path tables_dir;
  // An installed program keeps the settings file in its own folder and a
  // bare log name in another (platform/app_dirs.h); empty: files_dir.
  std::filesystem::path config_dir;
  std::filesystem::path state_dir;
};

// The program's one main window: a tab per organizer application, the record
// list with its painted header, the detail pane, the transfer and record
// buttons, the Telephone category filter and the menus.
//
// Construction loads the settings and the working data file and shows the
// application of the settings; closing commits the list, saves the working
// data file ("File write error" when that fails) and writes the settings.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "PC Software for Norvale TR/VX-480";
  // The first and the smallest size of the window; it grows from there.
  static constexpr int kWidth = 580;
  static constexpr int kHeight = 430;

  explicit MainWindow(const MainWindowPaths& paths, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Shows the window where, and as large as, the user left it (maximised too).
  void ShowAsSaved();
  // Brings the window forward for a second start: restores it when minimised.
  void BringToFront();

  // The list operations the commands build on. Commit puts the list back into
  // the store (in list or default order); Refresh rebuilds it from the store
  // (re-sorted or in store order) and redraws it.
  void CommitList(bool ordered);
  void RefreshList(bool resort);
  // Puts an application on screen, committing the one shown first when asked.
  void ShowAppli(AppliId id, bool commit_first);
  // After the Display Format dialog: the list is committed with the old
  // formats, the new ones are taken over and the list is refreshed.
  void ApplyDisplayFormat(int display_date, int display_hour);
  // After the Organizer Model dialog: the model's sort table becomes active and
  // the list is sorted again by its sort column; row 0 is selected.
  void ApplyOrganizerModel(int model);

  // The file and transfer commands of the menus and buttons. Each asks its
  // questions, runs, and leaves the list showing the store.
  void Open();
  void SaveAs();
  void ClearAll();
  void Backup();
  void Restore();
  // File > "Backup History..." and "Compare with Organizer..." (main_window_safety.cc).
  void BackupHistory();
  void CompareWithOrganizer();
  void Upload();
  void Download();
  void SendRecord();
  void Import();
  void Export();
  void NewEntry();
  void EditEntry();
  void DeleteEntry();
  void Find();
  // The Option menu and About: each dialog's choice is applied to the
  // settings, the store and the list.
  void ChooseOrganizerModel();
  void ChooseDisplayFormat();
  void EditExpenseCategories();
  void ChooseComPort();
  void About();

  // The organizer that plays behind the port name "virtual" (a COM port
  // mapped to it in [Ports], or the COM port dialog's virtual choice). Its
  // records live in the files directory.
  VirtualOrganizerOptions& virtual_options() { return *virtual_options_; }
  // The serial devices the COM port dialog offers; null (the default): the
  // system's, looked up while the dialog is open. Not owned.
  void set_serial_devices(SerialDevices* devices) { serial_devices_ = devices; }
  // The Find dialog while it is open.
  FindDialog* find_dialog() const;

  // For the tests and the commands.
  MainViewModel& model() { return *model_; }
  AppliStore& store() { return store_; }
  AppSettings& settings() { return *settings_; }
  const AppSettings& settings() const { return *settings_; }
  const MainWindowPaths& paths() const { return paths_; }
  QTabWidget* tabs() const { return tabs_; }
  QTreeWidget* list() const { return list_; }
  QPlainTextEdit* detail() const { return detail_; }
  ListHeaderArea* header_area() const { return header_; }
  QComboBox* filter_box() const { return filter_; }
  QAbstractButton* upload_button() const;
  QAbstractButton* download_button() const;
  QAbstractButton* send_button() const;
  QPushButton* new_button() const { return new_button_; }
  QPushButton* edit_button() const { return edit_button_; }
  QPushButton* delete_button() const { return delete_button_; }
  QAction* new_entry_action() const { return new_entry_; }
  QAction* edit_entry_action() const { return edit_entry_; }
  QAction* delete_entry_action() const { return delete_entry_; }
  QAction* find_action() const { return find_; }

 signals:
  // Emitted by the buttons, menu items, double-clicks and keys that edit or
  // send the selected row, just before the window runs EditEntry or
  // SendRecord itself.
  void EditEntryRequested(int row);
  void SendRequested(int row);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void LoadSettings();
  void SaveSettings();
  void LoadDataFile();
  [[nodiscard]] bool SaveDataFile();
  void ApplySortTable();

  void BuildMenus();
  void BuildControls();
  void InstallKeyRules();
  // Places the controls for the client area's size: the list and the detail
  // pane take the room beyond the smallest size.
  void LayOutControls();
  // The button images, drawn in the palette's colours.
  void UpdateButtonImages();
  // The window geometry and column widths from and into the settings.
  void RestoreGeometry();
  void KeepGeometry();

  // Puts the model's rows into the list widget and selects the model's row.
  void FillList();
  // Shows the model's selection: list, detail pane, header and enabling.
  void ShowSelection();
  void ApplyEnabling();

  void OnTabChanged(int tab);
  void OnHeaderClicked(int column);
  void OnCurrentRowChanged();
  void OnFilterChanged(int filter);
  void OnDeleteEntry();
  void OnEditEntry();
  void OnSend();
  void StoreColumnWidths();

  // Command helpers (main_window_commands.cc).
  [[nodiscard]] bool Ask(const char* text, const char* caption);
  void Tell(const PromptBox& box);
  [[nodiscard]] bool ConnectionReminder();
  // A store of seven slots holding a copy of the main store; none when it
  // cannot be set up.
  [[nodiscard]] std::unique_ptr<AppliStore> SafetyCopy();
  void PutBack(const AppliStore& safety);
  // Open's steps after the file dialog.
  void OpenBackup(const std::string& path);
  // The history folder of the settings.
  std::filesystem::path HistoryDir() const;
  // A Restore or Download of `store` (run mode and AppliMode as the
  // command's) with the snapshot and verify steps of the settings; after a
  // failure that deleted records it offers to finish a Restore and to put
  // the snapshot back. The run's ResultCode.
  int RunSafeTransfer(int run_mode, int appli_mode, AppliStore& store, bool snapshot);
  // The question box, with the warning when the newest snapshot of the last
  // hour says that sending `store` would remove more than half of an
  // application's records on the organizer.
  bool AskWithWarning(const std::string& text, const char* caption, const AppliStore& store,
                      int appli_mode);
  // The ports of the transfers and the auto detection: "virtual" plays the
  // virtual organizer, every other name goes to the serial devices.
  [[nodiscard]] SerialPortFactory PortFactory() const;
  [[nodiscard]] LinkSettings TransferSettings(int run_mode, int appli_mode, AppliStore* store,
                                              int tel_records_min);
  // Runs the progress window; the ResultCode.
  int RunTransfer(const LinkSettings& settings);
  // The list's rows of the application on screen as records.
  [[nodiscard]] std::vector<std::vector<uint8_t>> ListRecords() const;
  void CloseFindDialog();
  void OnFindNext(const QString& text, bool down, bool match_case);
  // Runs the edit dialog of the application on screen for a row (-1: a new
  // record) and puts its result into the list.
  void RunEditDialogFor(int row);
  // A confirmed file dialog: the path, and BackupDir becomes its folder.
  [[nodiscard]] std::optional<std::string> OpenFileDialog(bool backup);
  // Save As of a backup file, the extension added before the overwrite question.
  [[nodiscard]] std::optional<std::string> SaveFileDialog();

  MainWindowPaths paths_;
  std::unique_ptr<AppSettings> settings_;
  AppliStore store_;
  SortTable sort_tables_[2]{};
  int active_sort_table_ = 0;
  std::unique_ptr<MainViewModel> model_;
  bool filling_ = false;
  bool closed_ = false;
  std::unique_ptr<VirtualOrganizerOptions> virtual_options_;
  SerialDevices* serial_devices_ = nullptr;
  QPointer<FindDialog> find_dialog_;

  QTabWidget* tabs_ = nullptr;
  ListHeaderArea* header_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QPlainTextEdit* detail_ = nullptr;
  QComboBox* filter_ = nullptr;
  QToolButton* upload_ = nullptr;
  QToolButton* download_ = nullptr;
  QToolButton* send_ = nullptr;
  QPushButton* new_button_ = nullptr;
  QPushButton* edit_button_ = nullptr;
  QPushButton* delete_button_ = nullptr;
  QAction* new_entry_ = nullptr;
  QAction* edit_entry_ = nullptr;
  QAction* delete_entry_ = nullptr;
  QAction* find_ = nullptr;
};

}  // namespace kivo

#endif  // KIVO_UI_MAIN_WINDOW_H_
