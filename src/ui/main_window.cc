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
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "store/app_settings.h"
#include "ui/calendar_view.h"
#include "ui/find_dialog.h"
#include "ui/list_header_area.h"
#include "ui/message_box.h"
#include "ui/pc_text.h"
#include "ui/search_panel.h"
#include "ui/status_fields.h"
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

// A cell shows a text of several lines (an address, a memo) on one.
QString CellText(const std::string& text) {
  QString shown = FromPcText(text);
  shown.remove(QLatin1Char('\r'));
  shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return shown;
}

// The widest a column becomes by its contents, in characters of the list's
// font, and the rows measured for it: enough to see what a column holds.
constexpr int kFittedChars = 20;
constexpr int kMeasuredRows = 400;

// A disabled image button shows no tooltip.
void SetButtonState(QAbstractButton* button, bool enabled, const char* tooltip) {
  button->setEnabled(enabled);
  button->setToolTip(enabled ? QString::fromLatin1(tooltip) : QString());
}

}  // namespace

MainWindow::MainWindow(MainCommands& commands, QWidget* parent)
    : QMainWindow(parent), commands_(commands), model_(commands.model()), user_(this) {
  InitUiResources();
  commands_.Attach(&user_, this);
  user_.set_settings(&commands_.settings());
  setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
  setWindowTitle(QString::fromLatin1(kTitle));
  setMinimumSize(kWidth, kHeight);
  resize(kWidth, kHeight);

  commands_.LoadSettings();
  BuildMenus();
  BuildControls();
  BuildStatusBar();
  InstallKeyRules();
  // After the key rules: Enter and Del mean other things in the calendar.
  BuildViews();
  commands_.LoadDataFile();
  RestoreGeometry();

  commands_.ShowSettingsAppli();
}

MainWindow::~MainWindow() {
  if (!closed_) SaveSettings();
  commands_.Attach(nullptr, nullptr);
  // The children go after the window: the signals of their clean-up (the
  // selection, the column widths) find no window to take them.
  for (QObject* sender : {static_cast<QObject*>(list_), static_cast<QObject*>(list_->header()),
                          static_cast<QObject*>(splitter_)}) {
    disconnect(sender, nullptr, this, nullptr);
  }
  // The views borrow the window's calendar model and search index, which go
  // before the window's children do.
  delete search_panel_.data();
  delete calendar_;
}

void MainWindow::ShowAsSaved() {
  const WindowGeometry& saved = commands_.settings().window;
  // The smallest size cuts the Schedule's description and the Expense
  // amounts short: a window never sized by the user opens larger, as far as
  // the screen allows (FitToScreen).
  if (saved.width <= 0 || saved.height <= 0) resize(kOpenWidth, kOpenHeight);
  if (saved.maximized) {
    showMaximized();
  } else {
    show();
    // Now with its frame, which the window manager may only tell later.
    FitToScreen();
    QTimer::singleShot(0, this, [this] {
      if (!isMaximized()) FitToScreen();
    });
  }
}

void MainWindow::FitToScreen() {
  const QScreen* shown_on = screen();
  if (shown_on == nullptr) return;
  const QRect room = shown_on->availableGeometry();
  const QRect frame = frameGeometry();
  const QSize margins = frame.size() - size();
  const QSize fitted = size().boundedTo(room.size() - margins).expandedTo(minimumSize());
  if (fitted != size()) resize(fitted);
  const QSize outer = fitted + margins;
  const QPoint corner(
      std::clamp(frame.x(), room.left(), std::max(room.left(), room.right() + 1 - outer.width())),
      std::clamp(frame.y(), room.top(), std::max(room.top(), room.bottom() + 1 - outer.height())));
  if (corner != frame.topLeft()) move(corner);
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

void MainWindow::SaveSettings() {
  KeepGeometry();
  commands_.SaveSettings();
}

void MainWindow::RestoreGeometry() {
  const WindowGeometry& saved = commands_.settings().window;
  // A place on a screen that is no longer there puts the window at the top
  // left corner again.
  const QPoint corner(saved.left, saved.top);
  move(QGuiApplication::screenAt(corner + QPoint(40, 40)) != nullptr ? corner : QPoint(0, 0));
  if (saved.width > 0 && saved.height > 0) {
    resize(std::max(saved.width, kWidth), std::max(saved.height, kHeight));
  }
  // A size kept at another scale factor, or on a larger screen, is fitted to
  // this one, and so is the place: all of the window is on the screen.
  FitToScreen();
  list_share_ = saved.list_share;
  LayOutControls();
  commands_.RestoreListWidths();
}

void MainWindow::KeepGeometry() {
  WindowGeometry& saved = commands_.settings().window;
  // A maximised or minimised window keeps the place it goes back to.
  const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
  if (normal.isValid()) {
    saved.left = pos().x() + (normal.x() - geometry().x());
    saved.top = pos().y() + (normal.y() - geometry().y());
    saved.width = normal.width();
    saved.height = normal.height();
  }
  saved.maximized = isMaximized();
  saved.list_share = list_share_;
  if (list_->columnCount() > 0) KeepListState();
  commands_.KeepListWidths();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    commands_.CommitList(/*ordered=*/true);
    if (!commands_.SaveDataFile()) {
      QMessageBox::warning(this, QApplication::applicationName(),
                           QStringLiteral("File write error"));
    }
    SaveSettings();
    closed_ = true;
  }
  event->accept();
}

// ---- showing the model --------------------------------------------------------

void MainWindow::ShowList() {
  filling_ = true;
  const AppliId id = model_.appli();
  const ViewState& state = model_.view_state(id);
  const auto columns = AppliColumns(id);

  const int tab = TabOfAppli(id);
  if (tab >= 0) tabs_->setCurrentIndex(tab);
  list_->clear();
  list_->setColumnCount(static_cast<int>(columns.size()));
  QStringList titles;
  for (const ColumnSpec& column : columns) titles << FromPcText(column.title);
  list_->setHeaderLabels(titles);
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
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
  items.reserve(model_.row_count());
  for (const ListRow& row : model_.rows()) {
    auto* item = new QTreeWidgetItem();
    for (int c = 0; c < static_cast<int>(row.cells.size()); ++c) {
      item->setText(c, CellText(row.cells[c]));
      if (columns[c].right_aligned) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    items.append(item);
  }
  list_->addTopLevelItems(items);
  // Columns the user has not sized fit their titles and cells: short ones
  // take no more than they need and the text columns get the room. The last
  // column fills the list; a width it had in a wider window would only push
  // it out of a narrower one.
  for (int c = 0; c < list_->columnCount(); ++c) {
    const bool last = c + 1 == list_->columnCount();
    list_->setColumnWidth(c, state.widths[c] > 0 && !last ? state.widths[c] : FittedWidth(c));
  }
  list_->horizontalScrollBar()->setValue(state.scroll);
  header_->SetAppliName(FromPcText(TabName(id)));
  filling_ = false;
  ShowSelection();
  SyncViews();
  UpdateUndoAction();
}

int MainWindow::FittedWidth(int column) const {
  const QFontMetrics cells(list_->font());
  const QFontMetrics titles(list_->header()->font());
  // Room for the header's margins and for the cells' own.
  int width = titles.horizontalAdvance(list_->headerItem()->text(column)) + 16;
  const int rows = std::min(list_->topLevelItemCount(), kMeasuredRows);
  for (int row = 0; row < rows; ++row) {
    width = std::max(width, cells.horizontalAdvance(list_->topLevelItem(row)->text(column)) + 12);
  }
  return std::min(width, cells.horizontalAdvance(QString(kFittedChars, QLatin1Char('0'))));
}

void MainWindow::ShowSelection() {
  filling_ = true;
  const int row = model_.selected_row();
  QTreeWidgetItem* item = row >= 0 ? list_->topLevelItem(row) : nullptr;
  list_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
  list_->clearSelection();
  for (const int selected : model_.selected_rows()) {
    if (QTreeWidgetItem* other = list_->topLevelItem(selected)) other->setSelected(true);
  }
  if (item != nullptr) list_->scrollToItem(item);
  filling_ = false;
  ShowSelectedRecord();
}

void MainWindow::ShowSelectedRecord() {
  const int row = model_.selected_row();
  detail_->setPlainText(row >= 0 ? DetailText(model_.RecordText(row, /*labelled=*/true))
                                 : QString());
  header_->SetRecordCount(model_.row_count());
  ApplyEnabling();
}

void MainWindow::ApplyEnabling() {
  const Enabling enabling = model_.enabling();
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

void MainWindow::KeepListState() {
  // The widths the user chose went into the view state as they were made.
  model_.view_state(model_.appli()).scroll = list_->horizontalScrollBar()->value();
}

void MainWindow::CloseFind() {
  if (find_dialog_) find_dialog_->close();
}

}  // namespace kivo
