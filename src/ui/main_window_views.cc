// The main window's views beside the lists: the calendar on the Schedule tab,
// the search across applications and printing. They read the records the
// list and the store hold at every ShowList, so an edit anywhere shows in all
// of them at once.

#include <algorithm>

#include <QActionGroup>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>

#include "format/date_format.h"
#include "print/page_layout.h"
#include "store/app_settings.h"
#include "ui/calendar_view.h"
#include "ui/edit_dialogs.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/search_panel.h"
#include "view/appli_columns.h"
#include "view/appli_records.h"

namespace kivo {
namespace {

constexpr const char* kLayoutTexts[3] = {"&Month", "&Week", "&Day"};

}  // namespace

// ---- menus -----------------------------------------------------------------------

void MainWindow::AddPrintActions(QMenu* file) {
  QAction* setup = file->addAction(QStringLiteral("Page Set&up..."));
  QAction* preview = file->addAction(QStringLiteral("Print Pre&view..."));
  QAction* print = file->addAction(QStringLiteral("&Print..."));
  QAction* pdf = file->addAction(QStringLiteral("Export P&DF..."));
  print->setShortcut(QKeySequence::Print);
  pdf->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
  setup->setObjectName(QStringLiteral("page_setup"));
  preview->setObjectName(QStringLiteral("print_preview"));
  print->setObjectName(QStringLiteral("print"));
  pdf->setObjectName(QStringLiteral("export_pdf"));
  connect(setup, &QAction::triggered, this, &MainWindow::PageSetup);
  connect(preview, &QAction::triggered, this, &MainWindow::PrintPreview);
  connect(print, &QAction::triggered, this, &MainWindow::Print);
  connect(pdf, &QAction::triggered, this, &MainWindow::ExportPdf);
}

void MainWindow::AddSearchAction(QMenu* edit) {
  QAction* search = edit->addAction(QStringLiteral("&Search All Applications..."));
  search->setObjectName(QStringLiteral("search"));
  search->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_K), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)});
  connect(search, &QAction::triggered, this, &MainWindow::OpenSearch);
}

void MainWindow::BuildViewMenu() {
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  auto* views = new QActionGroup(this);
  list_action_ = view->addAction(QStringLiteral("&List"));
  calendar_action_ = view->addAction(QStringLiteral("&Calendar"));
  list_action_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
  calendar_action_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  list_action_->setObjectName(QStringLiteral("list_view"));
  calendar_action_->setObjectName(QStringLiteral("calendar_view"));
  for (QAction* action : {list_action_, calendar_action_}) {
    action->setCheckable(true);
    views->addAction(action);
  }
  list_action_->setChecked(true);
  connect(list_action_, &QAction::triggered, this, [this] { ShowCalendar(false); });
  connect(calendar_action_, &QAction::triggered, this, [this] { ShowCalendar(true); });
  view->addSeparator();
  auto* layouts = new QActionGroup(this);
  for (int i = 0; i < 3; ++i) {
    layout_actions_[i] = view->addAction(QString::fromLatin1(kLayoutTexts[i]));
    layout_actions_[i]->setCheckable(true);
    layout_actions_[i]->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + i)));
    layouts->addAction(layout_actions_[i]);
    connect(layout_actions_[i], &QAction::triggered, this, [this, i] {
      ShowCalendar(true);
      calendar_->SetPageLayout(static_cast<CalendarLayout>(i));
    });
  }
  layout_actions_[0]->setChecked(true);
  view->addSeparator();
  QAction* go_to = view->addAction(QStringLiteral("&Go to Date..."));
  go_to->setObjectName(QStringLiteral("go_to_date"));
  go_to->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  connect(go_to, &QAction::triggered, this, [this] {
    ShowCalendar(true);
    calendar_->FocusDateField();
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
      tabs_->setCurrentIndex((tabs_->currentIndex() + (next ? 1 : kTabCount - 1)) % kTabCount);
    });
  }
}

// ---- the calendar ----------------------------------------------------------------

void MainWindow::BuildViews() {
  QWidget* client = centralWidget();
  calendar_ = new CalendarView(
      calendar_model_, [this] { return model_.Context().today; }, client);
  calendar_->setObjectName(QStringLiteral("calendarView"));
  calendar_->hide();
  // The view switch stands where the Telephone tab has its filter.
  auto* switches = new QButtonGroup(this);
  list_switch_ = new QToolButton(client);
  calendar_switch_ = new QToolButton(client);
  list_switch_->setText(QStringLiteral("List"));
  calendar_switch_->setText(QStringLiteral("Calendar"));
  list_switch_->setObjectName(QStringLiteral("listSwitch"));
  calendar_switch_->setObjectName(QStringLiteral("calendarSwitch"));
  list_switch_->setToolTip(QStringLiteral("The records as a list (Ctrl+Shift+L)"));
  calendar_switch_->setToolTip(QStringLiteral("The records as a calendar (Ctrl+Shift+C)"));
  for (QToolButton* button : {list_switch_, calendar_switch_}) {
    button->setCheckable(true);
    button->setFocusPolicy(Qt::StrongFocus);
    switches->addButton(button);
  }
  list_switch_->setChecked(true);
  connect(list_switch_, &QToolButton::clicked, this, [this] { ShowCalendar(false); });
  connect(calendar_switch_, &QToolButton::clicked, this, [this] { ShowCalendar(true); });
  setTabOrder(filter_, list_switch_);
  setTabOrder(list_switch_, calendar_switch_);

  CalendarGrid* grid = calendar_->grid();
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
  connect(calendar_, &CalendarView::PageLayoutChanged, this, [this](CalendarLayout layout) {
    layout_actions_[static_cast<int>(layout)]->setChecked(true);
  });
  LayOutViews();
}

void MainWindow::LayOutViews() {
  if (calendar_ == nullptr) return;
  // The calendar takes the place of the list and the detail pane.
  calendar_->setGeometry(splitter_->geometry());
  const QRect filter = filter_->geometry();
  const int half = 55;
  list_switch_->setGeometry(filter.right() + 1 - 2 * half, filter.top(), half, filter.height());
  calendar_switch_->setGeometry(filter.right() + 1 - half, filter.top(), half, filter.height());
}

bool MainWindow::calendar_shown() const {
  return calendar_ != nullptr && calendar_mode_ && model_.appli() == kSchedule;
}

void MainWindow::ShowCalendar(bool shown) {
  if (calendar_ == nullptr) return;
  if (!shown && !calendar_shown()) {
    // Chosen on another tab: the Schedule tab shows its list again.
    calendar_mode_ = false;
    SyncViews();
    return;
  }
  if (shown == calendar_shown()) {
    if (shown) calendar_->grid()->setFocus(Qt::OtherFocusReason);
    return;
  }
  if (shown) {
    calendar_mode_ = true;
    if (model_.appli() != kSchedule) {
      tabs_->setCurrentIndex(TabOfAppli(kSchedule));  // commits and shows the Schedule list
    } else {
      SyncViews();
    }
    // The calendar starts at the record selected in the list, or today.
    CalendarGrid* grid = calendar_->grid();
    if (model_.selected_row() < 0 || !grid->Select(kSchedule, model_.selected_row())) {
      grid->GoToToday();
    }
    grid->setFocus(Qt::OtherFocusReason);
    return;
  }
  // Back to the list, with the calendar's selection.
  CalendarGrid* grid = calendar_->grid();
  calendar_mode_ = false;
  if (grid->has_selection() && grid->selected_appli() != kSchedule) {
    const std::span<const uint8_t> record =
        calendar_model_.Record(grid->selected_appli(), grid->selected_position());
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
  list_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::SyncViews() {
  if (calendar_ == nullptr) return;
  const bool schedule = model_.appli() == kSchedule;
  const bool shown = calendar_shown();
  list_switch_->setVisible(schedule);
  calendar_switch_->setVisible(schedule);
  (shown ? calendar_switch_ : list_switch_)->setChecked(true);
  (shown ? calendar_action_ : list_action_)->setChecked(true);
  const bool list_had_focus = list_->hasFocus();
  splitter_->setVisible(!shown);
  calendar_->setVisible(shown);
  if (shown && list_had_focus) calendar_->grid()->setFocus(Qt::OtherFocusReason);

  const AppSettings& settings = commands_.settings();
  if (shown) {
    calendar_->SetDisplayModes(settings.display_date, settings.display_hour);
    CalendarGrid* grid = calendar_->grid();
    // A selected entry whose record changed or moved away is let go.
    std::vector<uint8_t> selected;
    if (grid->has_selection()) {
      const auto record = calendar_model_.Record(grid->selected_appli(), grid->selected_position());
      selected.assign(record.begin(), record.end());
    }
    if (calendar_model_.Sync(CurrentRecords(model_, commands_.store()))) {
      filling_ = true;
      if (grid->has_selection()) {
        const auto now = calendar_model_.Record(grid->selected_appli(), grid->selected_position());
        if (!std::equal(now.begin(), now.end(), selected.begin(), selected.end())) {
          grid->ClearSelection();
        }
      }
      grid->ModelChanged();
      filling_ = false;
    }
  }
  if (search_panel_ != nullptr && search_panel_->isVisible() &&
      search_index_.Sync(CurrentRecords(model_, commands_.store()), model_.Context())) {
    search_panel_->Refresh();
  }
}

void MainWindow::EditCalendarEntry(AppliId id, int position) {
  const std::span<const uint8_t> stored = calendar_model_.Record(id, position);
  if (stored.empty()) return;
  CalendarGrid* grid = calendar_->grid();
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
  CalendarGrid* grid = calendar_->grid();
  if (grid->has_selection()) EditCalendarEntry(grid->selected_appli(), grid->selected_position());
  return true;
}

bool MainWindow::NewInCalendar() {
  if (!calendar_shown()) return false;
  NewCalendarEntry(calendar_->grid()->cursor_day(), -1);
  return true;
}

void MainWindow::NewCalendarEntry(int day, int minute) {
  const std::optional<EditRequest> request = commands_.NewScheduleEntry(day, minute);
  if (request && commands_.ApplyEdit(-1, RunEditDialog(this, *request))) {
    calendar_->grid()->Select(kSchedule, model_.selected_row());
  }
}

// ---- the list, from the search or the calendar ------------------------------------

bool MainWindow::ShowRecord(AppliId id, std::span<const uint8_t> record) {
  if (TabOfAppli(id) < 0) return false;
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
    filter_->setCurrentIndex(kFilterAll);
    filling_ = false;
    row = RowOfRecord(model_, wanted);
  }
  if (row >= 0) model_.SelectRow(row);
  ShowList();
  list_->setFocus(Qt::OtherFocusReason);
  return row >= 0;
}

void MainWindow::OpenSearch() {
  search_index_.Sync(CurrentRecords(model_, commands_.store()), model_.Context());
  if (search_panel_ == nullptr) {
    search_panel_ = new SearchPanel(search_index_, this);
    search_panel_->setObjectName(QStringLiteral("searchPanel"));
    connect(search_panel_, &SearchPanel::RecordChosen, this, [this](AppliId id, int position) {
      const std::span<const uint8_t> record = search_index_.Record(id, position);
      ShowRecord(id, std::vector<uint8_t>(record.begin(), record.end()));
      activateWindow();
    });
  }
  search_panel_->Refresh();
  search_panel_->show();
  search_panel_->raise();
  search_panel_->activateWindow();
  search_panel_->field()->setFocus(Qt::ShortcutFocusReason);
  search_panel_->field()->selectAll();
}

// ---- printing --------------------------------------------------------------------

PrintJob MainWindow::CurrentPrintJob() const {
  PrintJob job;
  const AppSettings& settings = commands_.settings();
  job.display_date = settings.display_date;
  job.display_hour = settings.display_hour;
  const DateValue today = model_.Context().today;
  job.date = FormatDate(today, job.display_date, true);
  job.today = DayNumber(today.year, today.month, today.day);
  if (calendar_shown()) {
    // The page on screen.
    const CalendarOptions shown = calendar_->grid()->Options();
    PrintedCalendar page;
    page.model = &calendar_model_;
    const DateValue cursor = DateOfDay(calendar_->grid()->cursor_day());
    page.year = cursor.year;
    page.month = cursor.month;
    page.first_day = shown.first_day;
    page.period = shown.layout == CalendarLayout::kMonth  ? PrintedCalendar::Period::kMonth
                  : shown.layout == CalendarLayout::kWeek ? PrintedCalendar::Period::kWeek
                                                          : PrintedCalendar::Period::kDay;
    job.calendar = page;
    return job;
  }
  // The list on screen: its visible columns, its rows in their order.
  const AppliId id = model_.appli();
  PrintedList list;
  list.title = std::string(TabName(id));
  if (id == kTelephone && model_.filter() != kFilterAll) {
    list.title += " (" + std::string(kFilterNames[static_cast<size_t>(model_.filter())]) + ")";
  }
  std::vector<size_t> shown;
  const auto columns = AppliColumns(id);
  for (size_t c = 0; c < columns.size(); ++c) {
    const int width = list_->columnWidth(static_cast<int>(c));
    if (list_->isColumnHidden(static_cast<int>(c)) || width <= 0) continue;
    shown.push_back(c);
    list.columns.emplace_back(columns[c].title);
    list.widths.push_back(width);
    list.right_aligned.push_back(columns[c].right_aligned);
  }
  for (const ListRow& row : model_.rows()) {
    std::vector<std::string> cells;
    for (size_t c : shown) cells.push_back(c < row.cells.size() ? row.cells[c] : std::string());
    list.rows.push_back(std::move(cells));
  }
  job.lists.push_back(std::move(list));
  return job;
}

namespace {

// A printer with the user's choices of this run.
void SetUpPrinter(QPrinter& printer, const QString& name, const QPageLayout& layout, bool set_up,
                  const PrintJob& job) {
  if (!name.isEmpty()) printer.setPrinterName(name);
  if (set_up) {
    printer.setPageLayout(layout);
  } else {
    printer.setPageOrientation(PrefersLandscape(job) ? QPageLayout::Landscape
                                                     : QPageLayout::Portrait);
  }
}

}  // namespace

void MainWindow::PageSetup() {
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, printer_name_, page_layout_, page_set_up_, CurrentPrintJob());
  QPageSetupDialog dialog(&printer, this);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  page_layout_ = printer.pageLayout();
  printer_name_ = printer.printerName();
  page_set_up_ = true;
}

void MainWindow::Print() {
  const PrintJob job = CurrentPrintJob();
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, printer_name_, page_layout_, page_set_up_, job);
  QPrintDialog dialog(&printer, this);
  dialog.setWindowTitle(QStringLiteral("Print"));
  // Page numbers count the whole print; it goes out whole.
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  printer_name_ = printer.printerName();
  if (PaintJob(job, printer) == 0) {
    (void)ShowMessageBox(this, {"The pages could not be printed.", "Print",
                                PromptIcon::kExclamation, PromptButtons::kOk});
  }
}

void MainWindow::PrintPreview() {
  const PrintJob job = CurrentPrintJob();
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, printer_name_, page_layout_, page_set_up_, job);
  QPrintPreviewDialog preview(&printer, this);
  preview.setWindowTitle(QStringLiteral("Print Preview"));
  connect(&preview, &QPrintPreviewDialog::paintRequested, this,
          [&job](QPrinter* target) { (void)PaintJob(job, *target); });
  (void)ExecDialog(preview);
}

void MainWindow::ExportPdf() {
  const PrintJob job = CurrentPrintJob();
  FileRequest request;
  request.save = true;
  request.caption = QStringLiteral("Export PDF");
  request.dir = QString::fromStdString(commands_.settings().backup_dir);
  request.filter = QStringLiteral("PDF Files (*.pdf)");
  request.default_suffix = QStringLiteral("pdf");
  request.proposed_name =
      job.calendar ? QStringLiteral("calendar.pdf")
                   : QString::fromLatin1(AppliKeyword(model_.appli())) + QStringLiteral(".pdf");
  const QString path = ChooseFile(this, request);
  if (path.isEmpty()) return;
  std::string error;
  if (!WritePdf(job, path.toStdString(), &error, nullptr, page_set_up_ ? &page_layout_ : nullptr)) {
    (void)ShowMessageBox(this, {"Failed to export PDF: " + error, "Export PDF",
                                PromptIcon::kExclamation, PromptButtons::kOk});
  }
}

}  // namespace kivo
