#ifndef KIVO_UI_MAIN_WINDOW_H_
#define KIVO_UI_MAIN_WINDOW_H_

#include <memory>
#include <span>

#include <QMainWindow>
#include <QPageLayout>
#include <QPointer>

#include "desktop/main_commands.h"
#include "ui/qt_command_user.h"
#include "view/calendar_model.h"
#include "view/search_index.h"

class QAction;
class QComboBox;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTreeWidget;
class QToolButton;

namespace kivo {

class CalendarView;
class FindDialog;
class ListHeaderArea;
class SearchPanel;
class StatusFields;
struct PrintJob;

// The program's one main window, a view of MainCommands: a tab per organizer
// application, the record list with its painted header, the detail pane, the
// transfer and record buttons, the Telephone category filter and the menus.
// The widgets carry object names ("list", "detail", "filter", "upload", …).
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
  // categories when the filter hides it. False when no row holds it.
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

 private slots:
  // The dialogs of the window itself (main_window_edit.cc).
  void NewEntry();
  void EditEntry();
  void Find();
  // Clicks and keys (main_window_input.cc).
  // The list's current row or its selected rows changed (click, keys).
  void OnCurrentRowChanged();
  void OnEditEntry();
  void OnSend();
  void OnFindNext(const QString& text, bool down, bool match_case);
  void UpdateUndoAction();

 private:
  // ListView: the commands' view of the list.
  void KeepListState() override;
  void ShowList() override;
  void ShowSelection() override;
  void CloseFind() override;

  void SaveSettings();
  // The window geometry and column widths from and into the settings.
  void RestoreGeometry();
  void KeepGeometry();
  // Makes the window, frame and all, fit the available room of its screen.
  void FitToScreen();
  void ApplyEnabling();
  // The detail pane, the record count and the enabling rules for the model's
  // selection, without touching the list's own selection.
  void ShowSelectedRecord();
  // A column's first width: its title and its cells, the widest of each, up
  // to a cap; the last column fills the list whatever its width.
  [[nodiscard]] int FittedWidth(int column) const;
  // Runs the edit dialog of the application on screen for a row (-1: a new
  // record) and puts its result into the list.
  void RunEditDialogFor(int row);

  // The status bar (main_window_status.cc).
  void BuildStatusBar();
  void UpdateStatusBar();

  // Menus and controls (main_window_build.cc).
  void BuildMenus();
  void BuildControls();
  void InstallKeyRules();
  // Places the controls for the client area's size: the list and the detail
  // pane take the room beyond the smallest size.
  void LayOutControls();
  // The button images, drawn in the palette's colours.
  void UpdateButtonImages();

  // The calendar, the search across applications and printing
  // (main_window_views.cc).
  void AddPrintActions(QMenu* file);
  void AddSearchAction(QMenu* edit);
  void BuildViewMenu();
  void BuildViews();
  void LayOutViews();
  // After the list changed: the calendar and the search follow the records.
  void SyncViews();
  void OpenSearch();
  void EditCalendarEntry(AppliId id, int position);
  void NewCalendarEntry(int day, int minute);
  // Edit and New while the calendar is shown: its selected entry, its day.
  // False when the list's own Edit or New applies.
  bool EditInCalendar();
  bool NewInCalendar();
  [[nodiscard]] PrintJob CurrentPrintJob() const;
  void PageSetup();
  void Print();
  void PrintPreview();
  void ExportPdf();

  MainCommands& commands_;
  MainViewModel& model_;
  QtCommandUser user_;
  bool filling_ = false;
  bool closed_ = false;
  QPointer<FindDialog> find_dialog_;

  QTabWidget* tabs_ = nullptr;
  ListHeaderArea* header_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QPlainTextEdit* detail_ = nullptr;
  // Between the list and the detail pane; its handle is the gap between them.
  QSplitter* splitter_ = nullptr;
  // The list's share of the splitter in thousandths, once the user moved it;
  // 0: the first layout's.
  int list_share_ = 0;
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
  QAction* undo_ = nullptr;
  std::unique_ptr<StatusFields> status_;

  CalendarModel calendar_model_;
  SearchIndex search_index_;
  CalendarView* calendar_ = nullptr;
  QPointer<SearchPanel> search_panel_;
  QToolButton* list_switch_ = nullptr;
  QToolButton* calendar_switch_ = nullptr;
  QAction* list_action_ = nullptr;
  QAction* calendar_action_ = nullptr;
  QAction* layout_actions_[3] = {nullptr, nullptr, nullptr};
  bool calendar_mode_ = false;
  // The printer the user chose and its page setup, kept for the run.
  QString printer_name_;
  QPageLayout page_layout_;
  bool page_set_up_ = false;
};

}  // namespace kivo

#endif  // KIVO_UI_MAIN_WINDOW_H_
