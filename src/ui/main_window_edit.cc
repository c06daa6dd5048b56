// The main window's own dialogs: the record edit dialogs, the first start's
// port choice and Find; what they return is applied through the commands.

#include "desktop/status_words.h"
#include "store/app_settings.h"
#include "ui/edit_dialogs.h"
#include "ui/find_dialog.h"
#include "ui/main_window_parts.h"
#include "ui/menu_commands.h"
#include "ui/message_box.h"
#include "ui/pc_text.h"

namespace kivo {

// ---- records ---------------------------------------------------------------------

void MainWindow::NewEntry() {
  if (model_.AppliRecordCount() >= kOrganizerRecordLimit || NewInCalendar()) return;
  RunEditDialogFor(-1);
}

void MainWindow::RunEditDialogFor(int row) {
  (void)commands_.ApplyEdit(row, RunEditDialog(this, commands_.EditOfRow(row)));
}

void MainWindow::UpdateUndoAction() {
  const std::string step = model_.NextUndo();
  parts_->undo->setText(QString::fromStdString(UndoItemText(step)));
  parts_->undo->setEnabled(!step.empty());
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
  if (parts_->find_dialog) {
    parts_->find_dialog->raise();
    parts_->find_dialog->activateWindow();
    return;
  }
  parts_->find_dialog = new FindDialog(this);
  connect(parts_->find_dialog, &FindDialog::FindNextRequested, this,
          [this](const QString& text, bool down, bool match_case) {
            // The box belongs to the find dialog, which the user goes on with.
            QPointer<FindDialog>& dialog = parts_->find_dialog;
            QtPrompter owner(dialog ? static_cast<QWidget*>(dialog.data()) : this);
            if (commands_.FindNext(ToPcText(text), down, match_case, owner)) return;
            if (dialog) dialog->activateWindow();
          });
  parts_->find_dialog->show();
}

}  // namespace kivo
