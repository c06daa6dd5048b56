// The main window's record, Find and Option commands.

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
  if (model_->AppliRecordCount() >= kOrganizerRecordLimit) return;
  RunEditDialogFor(-1);
}

void MainWindow::EditEntry() {
  const int row = model_->selected_row();
  if (row >= 0) RunEditDialogFor(row);
}

void MainWindow::RunEditDialogFor(int row) {
  const AppliId id = model_->appli();
  const bool is_new = row < 0;
  const uint8_t flags =
      EditDialogFlags(id, is_new, model_->AppliRecordCount(), settings_->display_date,
                      settings_->display_hour, model_->filter());
  EditContext context;
  CategoryNames names;
  if (GetCategoryNames(store_, &names) != 0) names = DefaultCategoryNames();
  context.category_names.assign(names.names.begin(), names.names.end());
  context.allowed = LoadAllowedTable(paths_.tables_dir / "char.dat");
  std::vector<uint8_t> record;
  if (!is_new) record = model_->RowRecord(row);
  std::unique_ptr<EditDialog> dialog =
      CreateEditDialog(this, id, is_new ? nullptr : &record, flags, context);
  if (!dialog) return;
  const int result = ExecDialog(*dialog);
  if (result != kEditSave && result != kEditSaveAsNew) return;
  StoreColumnWidths();
  if (result == kEditSave && !is_new) {
    model_->ReplaceRow(row, dialog->record());
  } else {
    // Refused at the record limit: nothing is added.
    (void)model_->AppendRow(dialog->record());
  }
  FillList();
}

// ---- options ---------------------------------------------------------------------

void MainWindow::ChooseOrganizerModel() {
  OrganizerModelDialog dialog(settings_->model, this);
  (void)ExecDialog(dialog);
  // Sorted again after Cancel too.
  ApplyOrganizerModel(dialog.model());
}

void MainWindow::ChooseDisplayFormat() {
  DisplayFormatDialog dialog(settings_->display_hour, settings_->display_date, this);
  (void)ExecDialog(dialog);
  ApplyDisplayFormat(dialog.display_date(), dialog.display_hour());
}

void MainWindow::EditExpenseCategories() {
  CategoryNames names;
  if (GetCategoryNames(store_, &names) != 0) names = DefaultCategoryNames();
  const AllowedTable allowed = LoadAllowedTable(paths_.tables_dir / "char.dat");
  ExpenseCategoryDialog dialog(names, this, &allowed);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  const bool on_screen = model_->appli() == kExpense;
  if (on_screen) CommitList(/*ordered=*/false);
  (void)SetCategoryNames(store_, dialog.names());
  if (on_screen) RefreshList(/*resort=*/true);
}

void MainWindow::ChooseComPort() {
  std::unique_ptr<SerialDevices> system_devices;
  if (serial_devices_ == nullptr) system_devices = OpenSerialDevices();
  ComPortDialog dialog(*settings_, PortFactory(), this,
                       {serial_devices_ ? serial_devices_ : system_devices.get()});
  (void)ExecDialog(dialog);
  // Cancel gives back the port of the opening.
  settings_->com_port = dialog.port();
  settings_->port_name = dialog.port_name();
}

void MainWindow::About() {
  AboutDialog dialog(this);
  (void)ExecDialog(dialog);
}

void MainWindow::DeleteEntry() {
  const int row = model_->selected_row();
  if (row < 0) return;
  if (!Ask("This operation will delete the selected record.\nAre you sure you want to continue ?",
           "Delete")) {
    return;
  }
  StoreColumnWidths();
  model_->DeleteRow(row);
  FillList();
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
  const int row = model_->FindNext(ToPcText(text), down, match_case);
  if (row >= 0) {
    ShowSelection();
    return;
  }
  // The box belongs to the find dialog, which the user goes on with.
  QWidget* owner = find_dialog_ ? static_cast<QWidget*>(find_dialog_.data()) : this;
  (void)ShowMessageBox(owner,
                       {"Not found !", "Find", PromptIcon::kInformation, PromptButtons::kOk});
  if (find_dialog_) find_dialog_->activateWindow();
}

}  // namespace kivo
