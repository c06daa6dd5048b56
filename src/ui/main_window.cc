#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindowStateChangeEvent>

#include "store/app_settings.h"
#include "store/working_data.h"
#include "ui/list_header_area.h"
#include "view/appli_columns.h"
#include "view/record_text.h"

// The icons live in the ui library; a static library's resources must be
// registered by hand.
static void InitUiResources() { Q_INIT_RESOURCE(resources); }

namespace kivo {
namespace {

const char* const kTabIcons[kTabCount] = {":/icons/schedule.svg",  ":/icons/todo.svg",
                                          ":/icons/anniversary.svg", ":/icons/telephone.svg",
                                          ":/icons/memo.svg",      ":/icons/expense.svg"};

QString FromPc(const std::string& text) { return QString::fromLatin1(text); }

// Record texts end their lines with CR LF; the pane wants plain line feeds.
QString DetailText(const std::string& text) {
  QString shown = FromPc(text);
  shown.remove(QLatin1Char('\r'));
  return shown;
}

QFont ListFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setPointSize(9);
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

QToolButton* ImageButton(QWidget* parent, const char* icon, const QSize& icon_size,
                         const QRect& geometry) {
  auto* button = new QToolButton(parent);
  button->setIcon(QIcon(QString::fromLatin1(icon)));
  button->setIconSize(icon_size);
  button->setGeometry(geometry);
  button->setFocusPolicy(Qt::StrongFocus);
  button->setAutoRaise(false);
  return button;
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
  // Both collating tables are loaded once; the model picks one.
  (void)LoadSortTables(paths_.tables_dir / "sort.dat", sort_tables_[0], sort_tables_[1]);
  (void)store_.GetAppliBuf(7);
  model_ = std::make_unique<MainViewModel>(store_);
  model_->SetSortTable(&sort_tables_[active_sort_table_]);

  setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
  setWindowTitle(QString::fromLatin1(kTitle));
  setFixedSize(kWidth, kHeight);
  setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);

  LoadSettings();
  ApplySortTable();
  BuildMenus();
  BuildControls();
  InstallKeyRules();
  LoadDataFile();

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
  *settings_ = LoadAppSettings(SettingsFilePath(paths_.files_dir), paths_.files_dir);
  CreateBackupDir(*settings_);
  model_->SetDisplayModes(settings_->display_date, settings_->display_hour);
}

void MainWindow::SaveSettings() {
  settings_->appli_id = model_->appli();
  // Nothing to tell the user: the settings are written as the program ends.
  (void)SaveAppSettings(*settings_, SettingsFilePath(paths_.files_dir));
}

void MainWindow::ApplySortTable() {
  active_sort_table_ = SelectSortTable(settings_->model, active_sort_table_);
  model_->SetSortTable(&sort_tables_[active_sort_table_]);
}

void MainWindow::LoadDataFile() {
  // A file that fails to load leaves every application empty, without a message.
  (void)LoadWorkingData(store_, WorkingDataPath(paths_.files_dir), settings_->device_code);
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

// ---- building ----------------------------------------------------------------

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("&Open..."));
  file->addAction(QStringLiteral("Save &As..."));
  file->addSeparator();
  file->addAction(QStringLiteral("&Clear All"));
  file->addSeparator();
  file->addAction(QStringLiteral("&Backup..."));
  file->addAction(QStringLiteral("&Restore..."));
  file->addSeparator();
  file->addAction(QStringLiteral("&Import..."));
  file->addAction(QStringLiteral("&Export..."));
  file->addSeparator();
  connect(file->addAction(QStringLiteral("E&xit")), &QAction::triggered, this,
          &QWidget::close);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  new_entry_ = edit->addAction(QStringLiteral("&New Entry..."));
  edit_entry_ = edit->addAction(QStringLiteral("&Edit Entry..."));
  delete_entry_ = edit->addAction(QStringLiteral("&Delete Entry"));
  edit->addSeparator();
  find_ = edit->addAction(QStringLiteral("&Find..."));
  connect(edit_entry_, &QAction::triggered, this, &MainWindow::OnEditEntry);
  connect(delete_entry_, &QAction::triggered, this, &MainWindow::OnDeleteEntry);

  QMenu* option = menuBar()->addMenu(QStringLiteral("&Option"));
  option->addAction(QStringLiteral("Organizer &Model..."));
  option->addAction(QStringLiteral("&Display Formart..."));
  option->addAction(QStringLiteral("&Expense Category..."));
  option->addAction(QStringLiteral("&COM port..."));

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  connect(help->addAction(QStringLiteral("&About...")), &QAction::triggered, this,
          &MainWindow::OnAbout);
}

void MainWindow::BuildControls() {
  auto* client = new QWidget(this);
  setCentralWidget(client);

  // The tab control fills the client area; the controls of the page lie on top
  // of it and serve every tab.
  tabs_ = new QTabWidget(client);
  tabs_->setGeometry(0, 0, kWidth, kHeight - menuBar()->sizeHint().height());
  tabs_->setIconSize(QSize(56, 33));
  for (int tab = 0; tab < kTabCount; ++tab) {
    const int index =
        tabs_->addTab(new QWidget(tabs_), QIcon(QString::fromLatin1(kTabIcons[tab])), QString());
    tabs_->setTabToolTip(index, FromPc(std::string(TabName(kTabAppli[tab]))));
  }
  connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::OnTabChanged);

  header_ = new ListHeaderArea(client);
  header_->setGeometry(20, 60, 320, 130);

  list_ = new QTreeWidget(client);
  list_->setGeometry(20, 90, 290, 190);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setFont(ListFont());
  list_->setContextMenuPolicy(Qt::NoContextMenu);
  list_->header()->setSectionsClickable(true);
  list_->header()->setSectionsMovable(false);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSortIndicatorShown(true);
  list_->header()->setFont(font());
  // Keep the selection visible when the list loses the focus.
  QPalette list_palette = list_->palette();
  list_palette.setColor(QPalette::Inactive, QPalette::Highlight,
                        list_palette.color(QPalette::Active, QPalette::Highlight));
  list_palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                        list_palette.color(QPalette::Active, QPalette::HighlightedText));
  list_->setPalette(list_palette);
  connect(list_->header(), &QHeaderView::sectionClicked, this, &MainWindow::OnHeaderClicked);
  connect(list_, &QTreeWidget::currentItemChanged, this, &MainWindow::OnCurrentRowChanged);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { OnEditEntry(); });

  detail_ = new QPlainTextEdit(client);
  detail_->setGeometry(340, 90, 210, 190);
  detail_->setReadOnly(true);
  detail_->setFont(ListFont());
  detail_->setContextMenuPolicy(Qt::NoContextMenu);
  detail_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  detail_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  filter_ = new QComboBox(client);
  filter_->setGeometry(450, 60, 100, 22);
  for (std::string_view name : kFilterNames) filter_->addItem(FromPc(std::string(name)));
  filter_->setCurrentIndex(kFilterAll);
  connect(filter_, &QComboBox::currentIndexChanged, this, &MainWindow::OnFilterChanged);

  upload_ = ImageButton(client, ":/icons/upload.svg", QSize(88, 48), QRect(20, 290, 100, 60));
  download_ =
      ImageButton(client, ":/icons/download.svg", QSize(88, 48), QRect(130, 290, 100, 60));
  send_ = ImageButton(client, ":/icons/send.svg", QSize(64, 34), QRect(240, 308, 72, 42));
  connect(send_, &QToolButton::clicked, this, &MainWindow::OnSend);

  new_button_ = new QPushButton(QStringLiteral("New..."), client);
  new_button_->setGeometry(340, 310, 70, 40);
  edit_button_ = new QPushButton(QStringLiteral("Edit..."), client);
  edit_button_->setGeometry(410, 310, 70, 40);
  delete_button_ = new QPushButton(QStringLiteral("Delete"), client);
  delete_button_->setGeometry(480, 310, 70, 40);
  for (QPushButton* button : {new_button_, edit_button_, delete_button_}) {
    button->setAutoDefault(false);
  }
  connect(edit_button_, &QPushButton::clicked, this, &MainWindow::OnEditEntry);
  connect(delete_button_, &QPushButton::clicked, this, &MainWindow::OnDeleteEntry);

  setTabOrder(list_, detail_);
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
  for (const ColumnSpec& column : columns) titles << FromPc(std::string(column.title));
  list_->setHeaderLabels(titles);
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    list_->setColumnWidth(c, state.widths[c] > 0 ? state.widths[c] : columns[c].width);
    list_->headerItem()->setTextAlignment(
        c, columns[c].right_aligned ? Qt::AlignRight | Qt::AlignVCenter
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
      item->setText(c, FromPc(row.cells[c]));
      if (columns[c].right_aligned) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    items.append(item);
  }
  list_->addTopLevelItems(items);
  list_->horizontalScrollBar()->setValue(state.scroll);
  header_->SetAppliName(FromPc(std::string(TabName(id))));
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

// ---- user input ----------------------------------------------------------------

void MainWindow::OnTabChanged(int tab) {
  if (filling_ || tab < 0 || tab >= kTabCount) return;
  StoreColumnWidths();
  model_->ShowAppli(kTabAppli[tab], /*commit_first=*/true);
  FillList();
}

void MainWindow::OnHeaderClicked(int column) {
  StoreColumnWidths();
  if (!model_->SortOnColumn(column)) {
    // No rows: the indicator must not claim an order.
    FillList();
    return;
  }
  FillList();
}

void MainWindow::OnCurrentRowChanged() {
  if (filling_) return;
  QTreeWidgetItem* item = list_->currentItem();
  int row = item != nullptr ? list_->indexOfTopLevelItem(item) : -1;
  // A click that leaves no row selected selects the last one.
  if (row < 0) row = model_->row_count() - 1;
  model_->SelectRow(row);
  ShowSelection();
}

void MainWindow::OnFilterChanged(int filter) {
  if (filling_ || model_->appli() != kTelephone) return;
  StoreColumnWidths();
  model_->SetFilter(filter);
  FillList();
}

void MainWindow::OnDeleteEntry() {
  const int row = model_->selected_row();
  if (row < 0) return;
  if (QMessageBox::question(this, QStringLiteral("Delete"),
                            QStringLiteral("This operation will delete the selected record.\n"
                                           "Are you sure you want to continue ?"),
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
    return;
  }
  StoreColumnWidths();
  model_->DeleteRow(row);
  FillList();
}

void MainWindow::OnEditEntry() {
  const int row = model_->selected_row();
  if (row >= 0) emit EditEntryRequested(row);
}

void MainWindow::OnSend() {
  const int row = model_->selected_row();
  if (row >= 0) emit SendRequested(row);
}

void MainWindow::OnAbout() {
  QMessageBox box(this);
  box.setWindowTitle(QStringLiteral("About"));
  box.setIconPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(48, 48));
  box.setText(QStringLiteral("PC Software for TR/VX-480, VX-480M Version 1.00"));
  box.setInformativeText(QStringLiteral("Keeps the organizer's records on your PC."));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // A fixed-size window: nothing may maximise it.
  if (event->type() == QEvent::WindowStateChange && isMaximized()) showNormal();
}

// ---- keyboard and mouse rules ----------------------------------------------------

void MainWindow::InstallKeyRules() {
  for (QWidget* child : centralWidget()->findChildren<QWidget*>()) child->installEventFilter(this);
  list_->viewport()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_->viewport()) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
        type == QEvent::MouseButtonDblClick) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      // The right button does nothing in the list and blocks the left one.
      if (mouse->button() == Qt::RightButton || (mouse->buttons() & Qt::RightButton)) return true;
      if (type != QEvent::MouseButtonPress && model_->row_count() > 0 &&
          list_->selectedItems().isEmpty()) {
        model_->SelectRow(model_->row_count() - 1);
        ShowSelection();
      }
    }
    return QMainWindow::eventFilter(watched, event);
  }
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  QWidget* focus = QApplication::focusWidget();
  switch (key->key()) {
    case Qt::Key_Escape:
    case Qt::Key_F1:
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (focus == upload_ || focus == download_ || focus == new_button_ ||
          focus == edit_button_ || focus == delete_button_) {
        static_cast<QAbstractButton*>(focus)->click();
      } else if (focus == send_) {
        OnSend();
      } else {
        OnEditEntry();
      }
      return true;
    case Qt::Key_Delete: {
      if (focus == filter_ && filter_->isEditable()) break;
      OnDeleteEntry();
      if (focus != nullptr && focus->isVisible() && focus->isEnabled()) focus->setFocus();
      return true;
    }
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace kivo
