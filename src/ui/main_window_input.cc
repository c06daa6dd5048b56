// What the main window does with clicks and keys.

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "ui/main_window_parts.h"

namespace kivo {

void MainWindow::OnCurrentRowChanged() {
  if (filling_) return;
  QTreeWidgetItem* item = parts_->list->currentItem();
  const int current = item != nullptr ? parts_->list->indexOfTopLevelItem(item) : -1;
  std::vector<int> rows;
  for (const QModelIndex& index : parts_->list->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  if (rows.empty()) {
    // A click that leaves no row selected selects the last one.
    model_.SelectRow(model_.row_count() - 1);
    ShowSelection();
    return;
  }
  // Ctrl and Shift clicks: the list shows the rows as they are.
  model_.SelectRows(std::move(rows), current);
  ShowSelectedRecord();
}

void MainWindow::OnEditEntry() {
  if (EditInCalendar()) return;
  const int row = model_.selected_row();
  if (row < 0) return;
  emit EditEntryRequested(row);
  const int now = model_.selected_row();
  if (now >= 0) RunEditDialogFor(now);
}

void MainWindow::OnSend() {
  const int row = model_.selected_row();
  if (row < 0) return;
  emit SendRequested(row);
  commands_.SendRecord();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // The desktop's colours changed: the images follow them.
  if ((event->type() == QEvent::PaletteChange ||
       event->type() == QEvent::ApplicationPaletteChange) &&
      parts_->upload != nullptr) {
    UpdateButtonImages();
  }
}

// ---- keyboard and mouse rules ----------------------------------------------------

void MainWindow::InstallKeyRules() {
  for (QWidget* child : centralWidget()->findChildren<QWidget*>()) child->installEventFilter(this);
  parts_->list->viewport()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget() && event->type() == QEvent::Resize) {
    LayOutControls();
    return false;
  }
  if (watched == parts_->list->viewport()) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
        type == QEvent::MouseButtonDblClick) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      // The right button does nothing in the list and blocks the left one.
      if (mouse->button() == Qt::RightButton || (mouse->buttons() & Qt::RightButton)) return true;
      if (type != QEvent::MouseButtonPress) {
        // Looked at once the list has handled the click: a click where no row
        // ends up selected selects the last row.
        QTimer::singleShot(0, this, [this] {
          if (model_.row_count() > 0 && parts_->list->selectedItems().isEmpty()) {
            model_.SelectRow(model_.row_count() - 1);
            ShowSelection();
          }
        });
      }
    }
    return QMainWindow::eventFilter(watched, event);
  }
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  QWidget* focus = QApplication::focusWidget();
  switch (key->key()) {
    case Qt::Key_Escape:
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (focus == parts_->send) {
        OnSend();
      } else if (auto* button = qobject_cast<QAbstractButton*>(focus)) {
        // Upload, Download, New, Edit, Delete, the view switch and the
        // calendar's buttons.
        button->click();
      } else {
        OnEditEntry();
      }
      return true;
    case Qt::Key_Delete: {
      if (focus == parts_->filter && parts_->filter->isEditable()) break;
      commands_.DeleteEntry();
      if (focus != nullptr && focus->isVisible() && focus->isEnabled()) focus->setFocus();
      return true;
    }
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace kivo
