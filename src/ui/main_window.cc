#include "ui/main_window.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "comm/virtual_organizer.h"
#include "platform/app_dirs.h"
#include "store/app_settings.h"
#include "store/working_data.h"
#include "ui/list_header_area.h"
#include "ui/message_box.h"
#include "ui/pc_text.h"
#include "ui/ui_resources.h"
#include "view/appli_columns.h"
#include "view/record_text.h"

namespace kivo {
namespace {

// Record texts end their lines with CR LF; the pane wants plain line feeds.
QString DetailText(const std::string& text) {
  QString shown = FromPcText(text);
  shown.remove(QLatin1Char('\r'));
  return shown;
}

// The folders of app_dirs.h: files_dir for those the paths leave empty.
AppDirs DirsOf(const MainWindowPaths& paths) {
  AppDirs dirs = AppDirs::InProgramDirectory(paths.files_dir);
  if (!paths.config_dir.empty()) dirs.config = paths.config_dir;
  if (!paths.state_dir.empty()) dirs.state = paths.state_dir;
  return dirs;
}

// A disabled image button shows no tooltip.
void SetButtonState(QAbstractButton* button, bool enabled, const char* tooltip) {
  button->setEnabled(enabled);
  button->setToolTip(enabled ? QString::fromLatin1(tooltip) : QString());
}

}  // namespace

MainWindow::MainWindow(const MainWindowPaths& paths, QWidget* parent)
    : QMainWindow(parent),
      paths_(paths),
      settings_(std::make_unique<AppSettings>()),
      store_(LoadCodeTables(paths.tables_dir / "code.dat")) {
  InitUiResources();
  virtual_options_ = std::make_unique<VirtualOrganizerOptions>();
  // Both collating tables are loaded once; the model picks one.
  (void)LoadSortTables(paths_.tables_dir / "sort.dat", sort_tables_[0], sort_tables_[1]);
  (void)store_.GetAppliBuf(7);
  model_ = std::make_unique<MainViewModel>(store_);
  model_->SetSortTable(&sort_tables_[active_sort_table_]);

  setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
  setWindowTitle(QString::fromLatin1(kTitle));
  setMinimumSize(kWidth, kHeight);
  resize(kWidth, kHeight);

  LoadSettings();
  ApplySortTable();
  BuildMenus();
  BuildControls();
  InstallKeyRules();
  LoadDataFile();
  RestoreGeometry();

  const int tab = std::max(TabOfAppli(static_cast<AppliId>(settings_->appli_id)), 0);
  model_->SetAppli(kTabAppli[tab]);
  filling_ = true;
  tabs_->setCurrentIndex(tab);
  filling_ = false;
  model_->Refresh(/*resort=*/true);
  FillList();
}

MainWindow::~MainWindow() {
  if (!closed_) SaveSettings();
}

QAbstractButton* MainWindow::upload_button() const { return upload_; }
QAbstractButton* MainWindow::download_button() const { return download_; }
QAbstractButton* MainWindow::send_button() const { return send_; }

void MainWindow::ShowAsSaved() {
  if (settings_->window.maximized) {
    showMaximized();
  } else {
    show();
  }
}

void MainWindow::BringToFront() {
  if (isMinimized()) {
    showNormal();
  } else {
    show();
    raise();
  }
  activateWindow();
}

// ---- settings and the working data file ------------------------------------

void MainWindow::LoadSettings() {
  const std::filesystem::path file = SettingsFilePath(DirsOf(paths_).config);
  *settings_ = LoadAppSettings(file, DirsOf(paths_));
  if (!settings_->ignored.empty()) {
    std::string text = "Some settings in\n" + file.string() + "\ncannot be used:\n";
    for (const std::string& why : settings_->ignored) text += "\n" + why;
    Tell({text, kTitle, PromptIcon::kExclamation, PromptButtons::kOk});
  }
  CreateBackupDir(*settings_);
  model_->SetDisplayModes(settings_->display_date, settings_->display_hour);
}

void MainWindow::SaveSettings() {
  settings_->appli_id = model_->appli();
  KeepGeometry();
  // Nothing to tell the user: the settings are written as the program ends.
  (void)SaveAppSettings(*settings_, SettingsFilePath(DirsOf(paths_).config));
}

void MainWindow::RestoreGeometry() {
  const WindowGeometry& saved = settings_->window;
  if (saved.width > 0 && saved.height > 0) {
    resize(std::max(saved.width, kWidth), std::max(saved.height, kHeight));
  }
  // A place on a screen that is no longer there puts the window at the top
  // left corner again.
  const QPoint corner(saved.left, saved.top);
  move(QGuiApplication::screenAt(corner + QPoint(40, 40)) != nullptr ? corner : QPoint(0, 0));
  for (AppliId id = 0; id < static_cast<AppliId>(saved.columns.size()); ++id) {
    ViewState& state = model_->view_state(id);
    const std::vector<int>& widths = saved.columns[static_cast<size_t>(id)];
    for (size_t c = 0; c < widths.size() && c < state.widths.size(); ++c) {
      state.widths[c] = widths[c];
    }
  }
}

void MainWindow::KeepGeometry() {
  WindowGeometry& saved = settings_->window;
  // A maximised or minimised window keeps the place it goes back to.
  const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
  if (normal.isValid()) {
    saved.left = pos().x() + (normal.x() - geometry().x());
    saved.top = pos().y() + (normal.y() - geometry().y());
    saved.width = normal.width();
    saved.height = normal.height();
  }
  saved.maximized = isMaximized();
  if (list_->columnCount() > 0) StoreColumnWidths();
  for (AppliId id = 0; id < static_cast<AppliId>(saved.columns.size()); ++id) {
    const ViewState& state = model_->view_state(id);
    const auto columns = AppliColumns(id);
    const int count = static_cast<int>(columns.size());
    std::vector<int>& widths = saved.columns[static_cast<size_t>(id)];
    widths.assign(state.widths.begin(), state.widths.begin() + count);
    // Only widths the user changed are kept (0: the first width). The last
    // column fills the list: its width follows the window.
    for (int c = 0; c < count; ++c) {
      if (widths[c] == columns[c].width || c == count - 1) widths[c] = 0;
    }
    if (std::all_of(widths.begin(), widths.end(), [](int w) { return w == 0; })) widths.clear();
  }
}

void MainWindow::ApplySortTable() {
  active_sort_table_ = SelectSortTable(settings_->model, active_sort_table_);
  model_->SetSortTable(&sort_tables_[active_sort_table_]);
}

void MainWindow::CommitList(bool ordered) {
  StoreColumnWidths();
  model_->Commit(ordered);
}

void MainWindow::RefreshList(bool resort) {
  model_->Refresh(resort);
  FillList();
}

void MainWindow::ShowAppli(AppliId id, bool commit_first) {
  const int tab = TabOfAppli(id);
  if (tab < 0) return;
  if (commit_first) StoreColumnWidths();
  model_->ShowAppli(id, commit_first);
  filling_ = true;
  tabs_->setCurrentIndex(tab);
  filling_ = false;
  FillList();
}

void MainWindow::ApplyDisplayFormat(int display_date, int display_hour) {
  StoreColumnWidths();
  model_->ChangeDisplayModes(display_date, display_hour);
  settings_->display_date = display_date;
  settings_->display_hour = display_hour;
  FillList();
}

void MainWindow::ApplyOrganizerModel(int model) {
  settings_->model = model;
  ApplySortTable();
  StoreColumnWidths();
  model_->Resort();
  FillList();
}

void MainWindow::LoadDataFile() {
  // A file that fails to load leaves every application empty; the user learns
  // where the file was kept and why it did not load.
  const std::filesystem::path file = WorkingDataPath(paths_.files_dir);
  const WorkingDataLoad load = LoadWorkingData(store_, file, settings_->device_code);
  const std::string message = WorkingDataLoadMessage(file, load);
  if (!message.empty()) Tell({message, kTitle, PromptIcon::kExclamation, PromptButtons::kOk});
}

bool MainWindow::SaveDataFile() {
  return SaveWorkingData(store_, WorkingDataPath(paths_.files_dir), settings_->file_scramble) == 0;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    StoreColumnWidths();
    model_->Commit(/*ordered=*/true);
    if (!SaveDataFile()) {
      QMessageBox::warning(this, QApplication::applicationName(),
                           QStringLiteral("File write error"));
    }
    SaveSettings();
    closed_ = true;
  }
  event->accept();
}

// ---- showing the model --------------------------------------------------------

void MainWindow::FillList() {
  filling_ = true;
  const AppliId id = model_->appli();
  const ViewState& state = model_->view_state(id);
  const auto columns = AppliColumns(id);

  list_->clear();
  list_->setColumnCount(static_cast<int>(columns.size()));
  QStringList titles;
  for (const ColumnSpec& column : columns) titles << FromPcText(column.title);
  list_->setHeaderLabels(titles);
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    // The last column fills the list; a width it had in a wider window would
    // only push it out of a narrower one.
    const bool last = c + 1 == static_cast<int>(columns.size());
    list_->setColumnWidth(c, state.widths[c] > 0 && !last ? state.widths[c] : columns[c].width);
    list_->headerItem()->setTextAlignment(c, columns[c].right_aligned
                                                 ? Qt::AlignRight | Qt::AlignVCenter
                                                 : Qt::AlignLeft | Qt::AlignVCenter);
  }
  const SortDirection direction = state.directions[state.sort_column];
  if (direction == SortDirection::kNone) {
    list_->header()->setSortIndicator(-1, Qt::AscendingOrder);
  } else {
    list_->header()->setSortIndicator(state.sort_column, direction == SortDirection::kAscending
                                                             ? Qt::AscendingOrder
                                                             : Qt::DescendingOrder);
  }

  QList<QTreeWidgetItem*> items;
  items.reserve(model_->row_count());
  for (const ListRow& row : model_->rows()) {
    auto* item = new QTreeWidgetItem();
    for (int c = 0; c < static_cast<int>(row.cells.size()); ++c) {
      item->setText(c, FromPcText(row.cells[c]));
      if (columns[c].right_aligned) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    items.append(item);
  }
  list_->addTopLevelItems(items);
  list_->horizontalScrollBar()->setValue(state.scroll);
  header_->SetAppliName(FromPcText(TabName(id)));
  filling_ = false;
  ShowSelection();
}

void MainWindow::ShowSelection() {
  filling_ = true;
  const int row = model_->selected_row();
  QTreeWidgetItem* item = row >= 0 ? list_->topLevelItem(row) : nullptr;
  list_->setCurrentItem(item);
  if (item != nullptr) {
    item->setSelected(true);
    list_->scrollToItem(item);
  } else {
    list_->clearSelection();
  }
  detail_->setPlainText(row >= 0 ? DetailText(model_->RecordText(row, /*labelled=*/true))
                                 : QString());
  header_->SetRecordCount(model_->row_count());
  ApplyEnabling();
  filling_ = false;
}

void MainWindow::ApplyEnabling() {
  const Enabling enabling = model_->enabling();
  SetButtonState(upload_, true, "Data upload");
  SetButtonState(download_, true, "Data download");
  SetButtonState(send_, enabling.send, "Add one selected data");
  send_->setVisible(enabling.send_visible);
  edit_button_->setEnabled(enabling.edit);
  delete_button_->setEnabled(enabling.remove);
  new_button_->setEnabled(enabling.create);
  new_entry_->setEnabled(enabling.create);
  edit_entry_->setEnabled(enabling.edit);
  delete_entry_->setEnabled(enabling.remove);
  find_->setEnabled(enabling.find);
  filter_->setVisible(enabling.filter_visible);
}

void MainWindow::StoreColumnWidths() {
  ViewState& state = model_->view_state(model_->appli());
  for (int c = 0; c < list_->columnCount() && c < kMaxColumns; ++c) {
    state.widths[c] = list_->columnWidth(c);
  }
  state.scroll = list_->horizontalScrollBar()->value();
}

}  // namespace kivo
