// The main window's own dialogs: the record edit dialogs, the first start's
// port choice and Find; what they return is applied through the commands.

#include "desktop/status_words.h"
#include "store/app_settings.h"
#include "ui/edit_dialogs.h"
#include "ui/find_dialog.h"
#include "ui/main_window.h"
#include "ui/menu_commands.h"
#include "ui/message_box.h"
#include "ui/pc_text.h"

namespace kivo {

// ---- records ---------------------------------------------------------------------

void MainWindow::NewEntry() {
  if (model_.AppliRecordCount() >= kOrganizerRecordLimit || NewInCalendar()) return;
  RunEditDialogFor(-1);
}

void MainWindow::EditEntry() {
  const int row = model_.selected_row();
  if (row >= 0) RunEditDialogFor(row);
}

void MainWindow::RunEditDialogFor(int row) {
  (void)commands_.ApplyEdit(row, RunEditDialog(this, commands_.EditOfRow(row)));
}

void MainWindow::UpdateUndoAction() {
  const std::string step = model_.NextUndo();
  undo_->setText(QString::fromStdString(UndoItemText(step)));
  undo_->setEnabled(!step.empty());
}

// ---- the first start and Find ------------------------------------------------------

void MainWindow::OfferPortChoice() {
  AppSettings& settings = commands_.settings();
  if (settings.port_chosen) return;
  settings.port_chosen = true;
  ChooseComPort(commands_, this, /*first_start=*/true);
  UpdateStatusBar();
  SaveSettings();
}

void MainWindow::Find() {
  if (find_dialog_) {
    find_dialog_->raise();
    find_dialog_->activateWindow();
    return;
  }
  find_dialog_ = new FindDialog(this);
  connect(find_dialog_, &FindDialog::FindNextRequested, this, &MainWindow::OnFindNext);
  find_dialog_->show();
}

void MainWindow::OnFindNext(const QString& text, bool down, bool match_case) {
  // The box belongs to the find dialog, which the user goes on with.
  QtPrompter owner(find_dialog_ ? static_cast<QWidget*>(find_dialog_.data()) : this);
  if (commands_.FindNext(ToPcText(text), down, match_case, owner)) return;
  if (find_dialog_) find_dialog_->activateWindow();
}

}  // namespace kivo
