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
#include "ui/main_window_parts.h"
#include "ui/pc_text.h"
#include "ui/ui_resources.h"
#include "view/appli_columns.h"

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

// A column's first width: its title and its cells, the widest of each, up
// to a cap; the last column fills the list whatever its width.
int FittedWidth(const QTreeWidget* list, int column) {
  const QFontMetrics cells(list->font());
  const QFontMetrics titles(list->header()->font());
  // Room for the header's margins and for the cells' own.
  int width = titles.horizontalAdvance(list->headerItem()->text(column)) + 16;
  const int rows = std::min(list->topLevelItemCount(), kMeasuredRows);
  for (int row = 0; row < rows; ++row) {
    width = std::max(width, cells.horizontalAdvance(list->topLevelItem(row)->text(column)) + 12);
  }
  return std::min(width, cells.horizontalAdvance(QString(kFittedChars, QLatin1Char('0'))));
}

// Makes the window, frame and all, fit the available room of its screen.
void FitToScreen(QWidget* window) {
  const QScreen* shown_on = window->screen();
  if (shown_on == nullptr) return;
  const QRect room = shown_on->availableGeometry();
  const QRect frame = window->frameGeometry();
  const QSize margins = frame.size() - window->size();
  const QSize fitted =
      window->size().boundedTo(room.size() - margins).expandedTo(window->minimumSize());
  if (fitted != window->size()) window->resize(fitted);
  const QSize outer = fitted + margins;
  const QPoint corner(
      std::clamp(frame.x(), room.left(), std::max(room.left(), room.right() + 1 - outer.width())),
      std::clamp(frame.y(), room.top(), std::max(room.top(), room.bottom() + 1 - outer.height())));
  if (corner != frame.topLeft()) window->move(corner);
}

}  // namespace

MainWindow::MainWindow(MainCommands& commands, QWidget* parent)
    : QMainWindow(parent),
      commands_(commands),
      model_(commands.model()),
      user_(this),
      parts_(std::make_unique<Parts>()) {
  InitUiResources();
  commands_.Attach(&user_, this);
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
  for (QObject* sender :
       {static_cast<QObject*>(parts_->list), static_cast<QObject*>(parts_->list->header()),
        static_cast<QObject*>(parts_->splitter)}) {
    disconnect(sender, nullptr, this, nullptr);
  }
  // The views borrow the calendar model and the search index, which go before
  // the window's children do.
  parts_->search.reset();
  delete parts_->calendar;
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
    FitToScreen(this);
    QTimer::singleShot(0, this, [this] {
      if (!isMaximized()) FitToScreen(this);
    });
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
  FitToScreen(this);
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
  if (parts_->list->columnCount() > 0) KeepListState();
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
  if (tab >= 0) parts_->tabs->setCurrentIndex(tab);
  parts_->list->clear();
  parts_->list->setColumnCount(static_cast<int>(columns.size()));
  QStringList titles;
  for (const ColumnSpec& column : columns) titles << FromPcText(column.title);
  parts_->list->setHeaderLabels(titles);
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    parts_->list->headerItem()->setTextAlignment(c, columns[c].right_aligned
                                                        ? Qt::AlignRight | Qt::AlignVCenter
                                                        : Qt::AlignLeft | Qt::AlignVCenter);
  }
  const SortDirection direction = state.directions[state.sort_column];
  if (direction == SortDirection::kNone) {
    parts_->list->header()->setSortIndicator(-1, Qt::AscendingOrder);
  } else {
    parts_->list->header()->setSortIndicator(
        state.sort_column,
        direction == SortDirection::kAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
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
  parts_->list->addTopLevelItems(items);
  // Columns the user has not sized fit their titles and cells: short ones
  // take no more than they need and the text columns get the room. The last
  // column fills the list; a width it had in a wider window would only push
  // it out of a narrower one.
  for (int c = 0; c < parts_->list->columnCount(); ++c) {
    const bool last = c + 1 == parts_->list->columnCount();
    parts_->list->setColumnWidth(
        c, state.widths[c] > 0 && !last ? state.widths[c] : FittedWidth(parts_->list, c));
  }
  parts_->list->horizontalScrollBar()->setValue(state.scroll);
  parts_->header->SetAppliName(FromPcText(TabName(id)));
  filling_ = false;
  ShowSelection();
  SyncViews();
  UpdateUndoAction();
}

void MainWindow::ShowSelection() {
  filling_ = true;
  const int row = model_.selected_row();
  QTreeWidgetItem* item = row >= 0 ? parts_->list->topLevelItem(row) : nullptr;
  parts_->list->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
  parts_->list->clearSelection();
  for (const int selected : model_.selected_rows()) {
    if (QTreeWidgetItem* other = parts_->list->topLevelItem(selected)) other->setSelected(true);
  }
  if (item != nullptr) parts_->list->scrollToItem(item);
  filling_ = false;
  ShowSelectedRecord();
}

void MainWindow::ShowSelectedRecord() {
  const int row = model_.selected_row();
  parts_->detail->setPlainText(row >= 0 ? DetailText(model_.RecordText(row, /*labelled=*/true))
                                        : QString());
  parts_->header->SetRecordCount(model_.row_count());
  ApplyEnabling();
}

void MainWindow::ApplyEnabling() {
  const Enabling enabling = model_.enabling();
  SetButtonState(parts_->upload, true, "Data upload");
  SetButtonState(parts_->download, true, "Data download");
  SetButtonState(parts_->send, enabling.send, "Add one selected data");
  parts_->send->setVisible(enabling.send_visible);
  parts_->edit_button->setEnabled(enabling.edit);
  parts_->delete_button->setEnabled(enabling.remove);
  parts_->new_button->setEnabled(enabling.create);
  parts_->new_entry->setEnabled(enabling.create);
  parts_->edit_entry->setEnabled(enabling.edit);
  parts_->delete_entry->setEnabled(enabling.remove);
  parts_->find->setEnabled(enabling.find);
  parts_->filter->setVisible(enabling.filter_visible);
}

void MainWindow::KeepListState() {
  // The widths the user chose went into the view state as they were made.
  model_.view_state(model_.appli()).scroll = parts_->list->horizontalScrollBar()->value();
}

void MainWindow::CloseFind() {
  if (parts_->find_dialog) parts_->find_dialog->close();
}

}  // namespace kivo
