// The main window's own dialogs: the record edit dialogs, Find, the Option
// dialogs and About; what they return is applied through the commands.

#include <filesystem>

#include <QDesktopServices>
#include <QUrl>

#include "platform/app_dirs.h"
#include "store/app_settings.h"
#include "store/record_access.h"
#include "ui/edit_dialogs.h"
#include "ui/find_dialog.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/option_dialogs.h"
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
  undo_->setText(step.empty() ? QStringLiteral("&Undo")
                              : QStringLiteral("&Undo ") + QString::fromStdString(step));
  undo_->setEnabled(!step.empty());
}

// ---- options ---------------------------------------------------------------------

void MainWindow::ChooseOrganizerModel() {
  OrganizerModelDialog dialog(commands_.settings().model, this);
  // OK and Cancel end alike: the dialog's choice is read below.
  (void)ExecDialog(dialog);
  // Sorted again after Cancel too.
  commands_.ApplyOrganizerModel(dialog.model());
}

void MainWindow::ChooseDisplayFormat() {
  DisplayFormatDialog dialog(commands_.settings().display_hour, commands_.settings().display_date,
                             this);
  // OK and Cancel end alike: the dialog's choice is read below.
  (void)ExecDialog(dialog);
  commands_.ApplyDisplayFormat(dialog.display_date(), dialog.display_hour());
}

void MainWindow::EditExpenseCategories() {
  CategoryNames names;
  if (GetCategoryNames(commands_.store(), &names) != 0) names = DefaultCategoryNames();
  const AllowedTable allowed = LoadAllowedTable(commands_.paths().tables_dir / "char.dat");
  ExpenseCategoryDialog dialog(names, this, &allowed);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  commands_.ApplyExpenseCategories(dialog.names());
}

void MainWindow::OfferPortChoice() {
  AppSettings& settings = commands_.settings();
  if (settings.port_chosen) return;
  settings.port_chosen = true;
  RunComPortDialog(/*first_start=*/true);
  SaveSettings();
}

void MainWindow::ChooseComPort() { RunComPortDialog(/*first_start=*/false); }

void MainWindow::RunComPortDialog(bool first_start) {
  std::unique_ptr<SerialDevices> system_devices;
  SerialDevices* devices = commands_.serial_devices();
  if (devices == nullptr) {
    system_devices = OpenSerialDevices();
    devices = system_devices.get();
  }
  ComPortDialog dialog(commands_.settings(), commands_.PortFactory(), this, {devices});
  if (first_start) dialog.ShowFirstStartText();
  // OK and Cancel end alike: the dialog's choice is read below.
  (void)ExecDialog(dialog);
  // Cancel gives back the port of the opening.
  commands_.settings().com_port = dialog.port();
  commands_.settings().port_name = dialog.port_name();
  UpdateStatusBar();
}

void MainWindow::About() {
  AboutDialog dialog(this);
  // A box with one way out.
  (void)ExecDialog(dialog);
}

void MainWindow::OpenUserGuide() {
  // The guide beside the program in a build tree; an installed program has
  // it under share/doc, beside share/kivo-link with the tables.
  const std::filesystem::path tables = commands_.paths().tables_dir;
  std::error_code ec;
  for (const std::filesystem::path& guide :
       {tables / "README.md", tables.parent_path() / "doc" / kAppDirName / "README.md"}) {
    if (std::filesystem::is_regular_file(guide, ec) &&
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(guide.string())))) {
      return;
    }
  }
  if (QDesktopServices::openUrl(QUrl(QStringLiteral("man:Kivo-LinkUtility(1)")))) return;
  (void)ShowMessageBox(this, {"The user guide could not be opened. It is the README of the "
                              "program's documentation, and the manual page: man "
                              "Kivo-LinkUtility",
                              "User guide", PromptIcon::kInformation, PromptButtons::kOk});
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
