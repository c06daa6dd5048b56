#include "ui/menu_commands.h"

#include <filesystem>
#include <memory>

#include <QDesktopServices>
#include <QUrl>

#include "desktop/main_commands.h"
#include "store/app_settings.h"
#include "ui/message_box.h"
#include "ui/option_dialogs.h"

namespace kivo {

void ChooseOrganizerModel(MainCommands& commands, QWidget* parent) {
  OrganizerModelDialog dialog(commands.settings().model, parent);
  // OK and Cancel end alike: the dialog's choice is read below.
  (void)ExecDialog(dialog);
  commands.ApplyOrganizerModel(dialog.model());
}

void ChooseDisplayFormat(MainCommands& commands, QWidget* parent) {
  DisplayFormatDialog dialog(commands.settings().display_hour, commands.settings().display_date,
                             parent);
  // OK and Cancel end alike: the dialog's choice is read below.
  (void)ExecDialog(dialog);
  commands.ApplyDisplayFormat(dialog.display_date(), dialog.display_hour());
}

void EditExpenseCategories(MainCommands& commands, QWidget* parent) {
  ExpenseCategoryDialog dialog(commands.ExpenseCategoryNames(), commands.AllowedCharacters(),
                               parent);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  commands.ApplyExpenseCategories(dialog.names());
}

void ChooseComPort(MainCommands& commands, QWidget* parent, bool first_start) {
  std::unique_ptr<SerialDevices> system_devices;
  SerialDevices* devices = commands.serial_devices();
  if (devices == nullptr) {
    system_devices = OpenSerialDevices();
    devices = system_devices.get();
  }
  ComPortDialog dialog(commands.settings(), commands.PortFactory(), parent, {devices});
  if (first_start) dialog.ShowFirstStartText();
  // OK and Cancel end alike: the dialog's choice is read below.
  (void)ExecDialog(dialog);
  // Cancel gives back the port of the opening.
  commands.settings().com_port = dialog.port();
  commands.settings().port_name = dialog.port_name();
}

void ShowAbout(QWidget* parent) {
  AboutDialog dialog(parent);
  // A box with one way out.
  (void)ExecDialog(dialog);
}

void OpenUserGuide(const MainWindowPaths& paths, QWidget* parent) {
  std::error_code ec;
  for (const std::filesystem::path& guide : UserGuideFiles(paths)) {
    if (std::filesystem::is_regular_file(guide, ec) &&
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(guide.string())))) {
      return;
    }
  }
  if (QDesktopServices::openUrl(QUrl(QStringLiteral("man:Kivo-LinkUtility(1)")))) return;
  (void)ShowMessageBox(parent, {"The user guide could not be opened. It is the README of the "
                                "program's documentation, and the manual page: man "
                                "Kivo-LinkUtility",
                                "User guide", PromptIcon::kInformation, PromptButtons::kOk});
}

}  // namespace kivo
