// The main window's views beside the lists: the calendar on the Schedule tab
// and the search across applications (record_search.h), and the job that
// printing prints (page_printer.h). The views read the records the list and
// the store hold at every ShowList, so an edit anywhere shows in all of them
// at once.

#include <algorithm>

#include <QActionGroup>
#include <QButtonGroup>
#include <QComboBox>
#include <QMenuBar>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>

#include "format/date_format.h"
#include "print/page_layout.h"
#include "store/app_settings.h"
#include "ui/calendar_view.h"
#include "ui/edit_dialogs.h"
#include "ui/main_window_parts.h"
#include "ui/page_printer.h"
#include "view/appli_columns.h"
#include "view/appli_records.h"

namespace kivo {
namespace {

constexpr const char* kLayoutTexts[3] = {"&Month", "&Week", "&Day"};

}  // namespace

// ---- menus -----------------------------------------------------------------------

void MainWindow::BuildViewMenu() {
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  auto* views = new QActionGroup(this);
  parts_->list_action = view->addAction(QStringLiteral("&List"));
  parts_->calendar_action = view->addAction(QStringLiteral("&Calendar"));
  parts_->list_action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
  parts_->calendar_action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  parts_->list_action->setObjectName(QStringLiteral("list_view"));
  parts_->calendar_action->setObjectName(QStringLiteral("calendar_view"));
  for (QAction* action : {parts_->list_action, parts_->calendar_action}) {
    action->setCheckable(true);
    views->addAction(action);
  }
  parts_->list_action->setChecked(true);
  connect(parts_->list_action, &QAction::triggered, this, [this] { ShowCalendar(false); });
  connect(parts_->calendar_action, &QAction::triggered, this, [this] { ShowCalendar(true); });
  view->addSeparator();
  auto* layouts = new QActionGroup(this);
  for (int i = 0; i < 3; ++i) {
    parts_->layout_actions[i] = view->addAction(QString::fromLatin1(kLayoutTexts[i]));
    parts_->layout_actions[i]->setCheckable(true);
    parts_->layout_actions[i]->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + i)));
    layouts->addAction(parts_->layout_actions[i]);
    connect(parts_->layout_actions[i], &QAction::triggered, this, [this, i] {
      ShowCalendar(true);
      parts_->calendar->SetPageLayout(static_cast<CalendarLayout>(i));
    });
  }
  parts_->layout_actions[0]->setChecked(true);
  view->addSeparator();
  QAction* go_to = view->addAction(QStringLiteral("&Go to Date..."));
  go_to->setObjectName(QStringLiteral("go_to_date"));
  go_to->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  connect(go_to, &QAction::triggered, this, [this] {
    ShowCalendar(true);
    parts_->calendar->FocusDateField();
  });
  view->addSeparator();
  // The tabs in turn, as in a browser; the list and the panes lie on top of
  // the tab control, so it never has the focus to do it itself.
  for (const bool next : {true, false}) {
    QAction* step = view->addAction(next ? QStringLiteral("&Next Application")
                                         : QStringLiteral("&Previous Application"));
    step->setObjectName(next ? QStringLiteral("next_appli") : QStringLiteral("previous_appli"));
    step->setShortcuts(next ? QKeySequence::NextChild : QKeySequence::PreviousChild);
    connect(step, &QAction::triggered, this, [this, next] {
      parts_->tabs->setCurrentIndex((parts_->tabs->currentIndex() + (next ? 1 : kTabCount - 1)) %
                                    kTabCount);
    });
  }
}

// ---- the calendar ----------------------------------------------------------------

void MainWindow::BuildViews() {
  QWidget* client = centralWidget();
  parts_->calendar = new CalendarView(
      parts_->calendar_model, [this] { return model_.Context().today; }, client);
  parts_->calendar->setObjectName(QStringLiteral("calendarView"));
  parts_->calendar->hide();
  // The view switch stands where the Telephone tab has its filter.
  auto* switches = new QButtonGroup(this);
  parts_->list_switch = new QToolButton(client);
  parts_->calendar_switch = new QToolButton(client);
  parts_->list_switch->setText(QStringLiteral("List"));
  parts_->calendar_switch->setText(QStringLiteral("Calendar"));
  parts_->list_switch->setObjectName(QStringLiteral("listSwitch"));
  parts_->calendar_switch->setObjectName(QStringLiteral("calendarSwitch"));
  parts_->list_switch->setToolTip(QStringLiteral("The records as a list (Ctrl+Shift+L)"));
  parts_->calendar_switch->setToolTip(QStringLiteral("The records as a calendar (Ctrl+Shift+C)"));
  for (QToolButton* button : {parts_->list_switch, parts_->calendar_switch}) {
    button->setCheckable(true);
    button->setFocusPolicy(Qt::StrongFocus);
    switches->addButton(button);
  }
  parts_->list_switch->setChecked(true);
  connect(parts_->list_switch, &QToolButton::clicked, this, [this] { ShowCalendar(false); });
  connect(parts_->calendar_switch, &QToolButton::clicked, this, [this] { ShowCalendar(true); });
  setTabOrder(parts_->filter, parts_->list_switch);
  setTabOrder(parts_->list_switch, parts_->calendar_switch);

  CalendarGrid* grid = parts_->calendar->grid();
  connect(grid, &CalendarGrid::OpenRequested, this, &MainWindow::EditCalendarEntry);
  connect(grid, &CalendarGrid::CreateRequested, this, &MainWindow::NewCalendarEntry);
  connect(grid, &CalendarGrid::SelectionChanged, this, [this, grid] {
    // The list follows: Edit and Delete act on the entry selected here. A
    // selection let go while the records are read again is no choice of the
    // user's.
    if (!calendar_shown() || filling_) return;
    model_.SelectRow(grid->has_selection() && grid->selected_appli() == kSchedule
                         ? grid->selected_position()
                         : -1);
    ShowSelection();
  });
  connect(parts_->calendar, &CalendarView::PageLayoutChanged, this, [this](CalendarLayout layout) {
    parts_->layout_actions[static_cast<int>(layout)]->setChecked(true);
  });
  LayOutViews();
}

void MainWindow::LayOutViews() {
  if (parts_->calendar == nullptr) return;
  // The calendar takes the place of the list and the detail pane.
  parts_->calendar->setGeometry(parts_->splitter->geometry());
  const QRect filter = parts_->filter->geometry();
  const int half = 55;
  parts_->list_switch->setGeometry(filter.right() + 1 - 2 * half, filter.top(), half,
                                   filter.height());
  parts_->calendar_switch->setGeometry(filter.right() + 1 - half, filter.top(), half,
                                       filter.height());
}

bool MainWindow::calendar_shown() const {
  return parts_->calendar != nullptr && calendar_mode_ && model_.appli() == kSchedule;
}

void MainWindow::ShowCalendar(bool shown) {
  if (parts_->calendar == nullptr) return;
  if (!shown && !calendar_shown()) {
    // Chosen on another tab: the Schedule tab shows its list again.
    calendar_mode_ = false;
    SyncViews();
    return;
  }
  if (shown == calendar_shown()) {
    if (shown) parts_->calendar->grid()->setFocus(Qt::OtherFocusReason);
    return;
  }
  if (shown) {
    calendar_mode_ = true;
    if (model_.appli() != kSchedule) {
      parts_->tabs->setCurrentIndex(TabOfAppli(kSchedule));  // commits and shows the Schedule list
    } else {
      SyncViews();
    }
    // The first look shows today; later the calendar starts at the record
    // selected in the list, or today.
    CalendarGrid* grid = parts_->calendar->grid();
    if (!calendar_seen_ || model_.selected_row() < 0 ||
        !grid->Select(kSchedule, model_.selected_row())) {
      grid->GoToToday();
    }
    calendar_seen_ = true;
    grid->setFocus(Qt::OtherFocusReason);
    return;
  }
  // Back to the list, with the calendar's selection.
  CalendarGrid* grid = parts_->calendar->grid();
  calendar_mode_ = false;
  if (grid->has_selection() && grid->selected_appli() != kSchedule) {
    const std::span<const uint8_t> record =
        parts_->calendar_model.Record(grid->selected_appli(), grid->selected_position());
    ShowRecord(grid->selected_appli(), std::vector<uint8_t>(record.begin(), record.end()));
    return;
  }
  if (grid->has_selection()) {
    model_.SelectRow(grid->selected_position());
  } else if (model_.selected_row() < 0) {
    model_.SelectRow(model_.view_state(kSchedule).selected_row);
  }
  SyncViews();
  ShowSelection();
  parts_->list->setFocus(Qt::OtherFocusReason);
}

void MainWindow::SyncViews() {
  if (parts_->calendar == nullptr) return;
  const bool schedule = model_.appli() == kSchedule;
  const bool shown = calendar_shown();
  parts_->list_switch->setVisible(schedule);
  parts_->calendar_switch->setVisible(schedule);
  (shown ? parts_->calendar_switch : parts_->list_switch)->setChecked(true);
  (shown ? parts_->calendar_action : parts_->list_action)->setChecked(true);
  const bool list_had_focus = parts_->list->hasFocus();
  parts_->splitter->setVisible(!shown);
  parts_->calendar->setVisible(shown);
  if (shown && list_had_focus) parts_->calendar->grid()->setFocus(Qt::OtherFocusReason);

  const AppSettings& settings = commands_.settings();
  if (shown) {
    parts_->calendar->SetDisplayModes(settings.display_date, settings.display_hour);
    CalendarGrid* grid = parts_->calendar->grid();
    // A selected entry whose record changed or moved away is let go.
    std::vector<uint8_t> selected;
    if (grid->has_selection()) {
      const auto record =
          parts_->calendar_model.Record(grid->selected_appli(), grid->selected_position());
      selected.assign(record.begin(), record.end());
    }
    if (parts_->calendar_model.Sync(CurrentRecords(model_, commands_.store()))) {
      filling_ = true;
      if (grid->has_selection()) {
        const auto now =
            parts_->calendar_model.Record(grid->selected_appli(), grid->selected_position());
        if (!std::equal(now.begin(), now.end(), selected.begin(), selected.end())) {
          grid->ClearSelection();
        }
      }
      grid->ModelChanged();
      filling_ = false;
    }
  }
  parts_->search->Follow();
}

void MainWindow::EditCalendarEntry(AppliId id, int position) {
  const std::span<const uint8_t> stored = parts_->calendar_model.Record(id, position);
  if (stored.empty()) return;
  CalendarGrid* grid = parts_->calendar->grid();
  if (id == kSchedule) {
    // The Schedule entries are the list's rows, in the list's order.
    model_.SelectRow(position);
    RunEditDialogFor(position);
    grid->Select(kSchedule, model_.selected_row());
    return;
  }
  // Anniversaries and To Dos wait in the store while the Schedule is on
  // screen.
  const EditRequest request = commands_.EditOfStored(id, stored);
  const int now = commands_.ApplyStoredEdit(id, *request.record, RunEditDialog(this, request));
  if (now >= 0) grid->Select(id, now);
}

bool MainWindow::EditInCalendar() {
  if (!calendar_shown()) return false;
  CalendarGrid* grid = parts_->calendar->grid();
  if (grid->has_selection()) EditCalendarEntry(grid->selected_appli(), grid->selected_position());
  return true;
}

bool MainWindow::NewInCalendar() {
  if (!calendar_shown()) return false;
  NewCalendarEntry(parts_->calendar->grid()->cursor_day(), -1);
  return true;
}

void MainWindow::NewCalendarEntry(int day, int minute) {
  const std::optional<EditRequest> request = commands_.NewScheduleEntry(day, minute);
  if (request && commands_.ApplyEdit(-1, RunEditDialog(this, *request))) {
    parts_->calendar->grid()->Select(kSchedule, model_.selected_row());
  }
}

// ---- the list, from the search or the calendar ------------------------------------

bool MainWindow::ShowRecord(AppliId id, std::span<const uint8_t> record) {
  if (TabOfAppli(id) < 0) return false;
  if (calendar_shown()) {
    // The calendar on screen shows the entry on its day.
    const int position = parts_->calendar_model.PositionOf(id, record);
    CalendarGrid* grid = parts_->calendar->grid();
    if (position >= 0 && grid->Select(id, position)) {
      grid->setFocus(Qt::OtherFocusReason);
      return true;
    }
  }
  // The span may lie in what the switch below rebuilds.
  const std::vector<uint8_t> wanted(record.begin(), record.end());
  if (id == kSchedule) calendar_mode_ = false;
  KeepListState();
  if (model_.appli() != id) model_.ShowAppli(id, /*commit_first=*/true);
  int row = RowOfRecord(model_, wanted);
  if (row < 0 && id == kTelephone && model_.filter() != kFilterAll) {
    // Hidden by the category filter: every category is shown.
    model_.SetFilter(kFilterAll);
    filling_ = true;
    parts_->filter->setCurrentIndex(kFilterAll);
    filling_ = false;
    row = RowOfRecord(model_, wanted);
  }
  if (row >= 0) model_.SelectRow(row);
  ShowList();
  parts_->list->setFocus(Qt::OtherFocusReason);
  return row >= 0;
}

// ---- printing --------------------------------------------------------------------

ScreenPrint MainWindow::CurrentPrint() const {
  ScreenPrint screen;
  PrintJob& job = screen.job;
  const AppSettings& settings = commands_.settings();
  job.display_date = settings.display_date;
  job.display_hour = settings.display_hour;
  const DateValue today = model_.Context().today;
  job.date = FormatDate(today, job.display_date, true);
  job.today = DayNumber(today.year, today.month, today.day);
  if (calendar_shown()) {
    // The page on screen.
    const CalendarOptions shown = parts_->calendar->grid()->Options();
    PrintedCalendar page;
    page.model = &parts_->calendar_model;
    const DateValue cursor = DateOfDay(parts_->calendar->grid()->cursor_day());
    page.year = cursor.year;
    page.month = cursor.month;
    page.first_day = shown.first_day;
    page.period = shown.layout == CalendarLayout::kMonth  ? PrintedCalendar::Period::kMonth
                  : shown.layout == CalendarLayout::kWeek ? PrintedCalendar::Period::kWeek
                                                          : PrintedCalendar::Period::kDay;
    job.calendar = page;
    return screen;
  }
  // The list on screen: every column (the owner chooses which to print, the
  // list's own being the first choice), its rows in their order.
  const AppliId id = model_.appli();
  screen.appli = id;
  PrintedList list;
  list.title = std::string(TabName(id));
  if (id == kTelephone && model_.filter() != kFilterAll) {
    list.title += " (" + std::string(kFilterNames[static_cast<size_t>(model_.filter())]) + ")";
  }
  const auto columns = AppliColumns(id);
  for (size_t c = 0; c < columns.size(); ++c) {
    const int width = parts_->list->columnWidth(static_cast<int>(c));
    const bool visible = !parts_->list->isColumnHidden(static_cast<int>(c)) && width > 0;
    if (visible) screen.shown.emplace_back(columns[c].title);
    list.columns.emplace_back(columns[c].title);
    list.widths.push_back(visible ? width : columns[c].width);
    list.right_aligned.push_back(columns[c].right_aligned);
  }
  for (const ListRow& row : model_.rows()) {
    std::vector<std::string> cells = row.cells;
    cells.resize(columns.size());
    list.rows.push_back(std::move(cells));
  }
  job.lists.push_back(std::move(list));
  return screen;
}

}  // namespace kivo
