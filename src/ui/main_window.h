#ifndef KIVO_UI_MAIN_WINDOW_H_
#define KIVO_UI_MAIN_WINDOW_H_

#include <memory>
#include <span>

#include <QMainWindow>

#include "desktop/main_commands.h"
#include "ui/qt_command_user.h"

namespace kivo {

struct ScreenPrint;

// The program's one main window, a view of MainCommands: a tab per organizer
// application, the record list with its painted header, the detail pane, the
// transfer and record buttons, the Telephone category filter, the calendar
// on the Schedule tab, the status bar and the menus. The widgets carry object
// names ("list", "detail", "filter", "upload", …).
//
// Construction loads the settings and the working data file into the
// commands and shows the application of the settings; closing commits the
// list, saves the working data file ("File write error" when that fails) and
// writes the settings. The commands must outlive the window.
class MainWindow : public QMainWindow, private ListView {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = kProgramTitle;
  // The first and the smallest size of the window; it grows from there.
  static constexpr int kWidth = 580;
  static constexpr int kHeight = 430;
  // The size a window never sized by the user opens at, where the screen
  // has room for it.
  static constexpr int kOpenWidth = 820;
  static constexpr int kOpenHeight = 580;

  explicit MainWindow(MainCommands& commands, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Shows the window where, and as large as, the user left it (maximised too).
  void ShowAsSaved();
  // A first start whose settings name no port offers the COM port dialog
  // once, with a word on what to choose; the choice is written at once.
  void OfferPortChoice();
  // Brings the window forward for a second start: restores it when minimised.
  void BringToFront();
  // Puts a record on screen in its application's list, selected: where the
  // search and the calendar hand a record to the list. Telephone shows all
  // categories when the filter hides it. While the calendar is shown, a
  // Schedule, Anniversary or To Do record with a date opens its day there,
  // the entry selected. False when no row holds it.
  bool ShowRecord(AppliId id, std::span<const uint8_t> record);
  // The Schedule tab shows the calendar instead of the list (View > Calendar).
  void ShowCalendar(bool shown);
  [[nodiscard]] bool calendar_shown() const;

 signals:
  // Emitted by the buttons, menu items, double-clicks and keys that edit or
  // send the selected row, just before the window edits or sends it.
  void EditEntryRequested(int row);
  void SendRequested(int row);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The widgets, the calendar's model and the helpers (main_window_parts.h).
  struct Parts;

  // ListView: the commands' view of the list.
  void KeepListState() override;
  void ShowList() override;
  void ShowSelection() override;
  void CloseFind() override;

  // The settings, the list and the record on screen (main_window.cc).
  void SaveSettings();
  void RestoreGeometry();
  void KeepGeometry();
  // The detail pane, the record count and the enabling rules for the model's
  // selection, without touching the list's own selection.
  void ShowSelectedRecord();
  void ApplyEnabling();

  // Menus and controls (main_window_build.cc), status bar (_status.cc).
  void BuildMenus();
  void BuildControls();
  void InstallKeyRules();
  void BuildStatusBar();
  void UpdateStatusBar();
  // Places the controls for the client area's size: the list and the detail
  // pane take the room beyond the smallest size.
  void LayOutControls();
  // The button images, drawn in the palette's colours.
  void UpdateButtonImages();

  // Dialogs, clicks and keys (main_window_edit.cc, main_window_input.cc).
  void NewEntry();
  void OnEditEntry();
  // Runs the edit dialog of the application on screen for a row (-1: a new
  // record) and puts its result into the list.
  void RunEditDialogFor(int row);
  void OnSend();
  void OnCurrentRowChanged();
  void Find();
  void UpdateUndoAction();

  // The calendar and the print job (main_window_views.cc).
  void BuildViewMenu();
  void BuildViews();
  void LayOutViews();
  // After the list changed: the calendar and the search follow the records.
  void SyncViews();
  void EditCalendarEntry(AppliId id, int position);
  void NewCalendarEntry(int day, int minute);
  // Edit and New while the calendar is shown: its selected entry, its day.
  // False when the list's own Edit or New applies.
  bool EditInCalendar();
  bool NewInCalendar();
  [[nodiscard]] ScreenPrint CurrentPrint() const;

  MainCommands& commands_;
  MainViewModel& model_;
  QtCommandUser user_;
  std::unique_ptr<Parts> parts_;
  bool filling_ = false;  // while the window itself fills the list
  bool closed_ = false;
  bool calendar_mode_ = false;
  bool calendar_seen_ = false;  // the calendar was shown in this run
  // The list's share of the room beside the detail pane in thousandths, once
  // the user moved the divider; 0: the first layout's.
  int list_share_ = 0;
};

}  // namespace kivo

#endif  // KIVO_UI_MAIN_WINDOW_H_
