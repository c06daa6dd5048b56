// The Option menu applied to the main window: each dialog's choice reaches
// the settings, the store and the list.

#include <fstream>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "box_script.h"
#include "comm/virtual_organizer.h"
#include "desktop_fixture.h"
#include "platform/serial_devices.h"
#include "sample_data.h"
#include "store/app_settings.h"
#include "store/backup_file.h"
#include "store/record_access.h"
#include "store/working_data.h"
#include "ui/main_window.h"
#include "ui/option_dialogs.h"
#include "ui/text_fields.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

class OptionCommandsTest : public test::DesktopTest {
 protected:
  void SetUp() override { WriteOrganizer(*sample_); }

  std::unique_ptr<test::Desktop> Open(const std::string& settings) {
    WriteSettings(settings);
    return DesktopTest::Open();
  }

  // A dialog step that checks one radio button and presses OK.
  template <typename Dialog>
  static std::function<int(QDialog&)> CheckAndOk(std::function<QRadioButton*(Dialog&)> button) {
    return [button](QDialog& dialog) {
      auto& typed = static_cast<Dialog&>(dialog);
      button(typed)->setChecked(true);
      QTest::mouseClick(typed.ok_button(), Qt::LeftButton);
      return typed.result();
    };
  }
};

TEST_F(OptionCommandsTest, DisplayFormatRedrawsTheDatesAndKeepsTheRecords) {
  auto window = Open("[Settings]\r\nAppliID=0\r\n");
  const QString before = window->list()->topLevelItem(0)->text(0);
  ASSERT_EQ(before.size(), 10);
  ASSERT_EQ(before[2], QLatin1Char('/'));
  window->commands.CommitList(false);
  const auto record = window->commands.model().RowRecord(0);
  test::BoxScript script;
  script.OnDialog(CheckAndOk<DisplayFormatDialog>(
      [](DisplayFormatDialog& d) { return d.date_button(1); }));  // dd.mm.yyyy
  window->Choose("&Display Formart...");
  EXPECT_EQ(window->commands.settings().display_date, 1);
  const QString after = window->list()->topLevelItem(0)->text(0);
  EXPECT_EQ(after, before.mid(3, 2) + "." + before.left(2) + "." + before.mid(6));
  EXPECT_EQ(window->commands.model().RowRecord(0), record);
}

TEST_F(OptionCommandsTest, RenamedCategoryShowsInTheExpenseList) {
  auto window = Open("[Settings]\r\nAppliID=4\r\n");
  const std::vector<int> indexes = window->commands.model().CategoryIndexList();
  test::BoxScript script;
  script.OnDialog([](QDialog& dialog) {
    auto& categories = static_cast<ExpenseCategoryDialog&>(dialog);
    categories.name_field(0)->setText(QStringLiteral("Food"));
    QTest::mouseClick(categories.ok_button(), Qt::LeftButton);
    return categories.result();
  });
  window->Choose("&Expense Category...");
  CategoryNames names;
  ASSERT_EQ(GetCategoryNames(window->commands.store(), &names), 0);
  EXPECT_EQ(names.names[0], "Food");
  const std::vector<int> after = window->commands.model().CategoryIndexList();
  ASSERT_EQ(after.size(), indexes.size());
  bool renamed_seen = false;
  for (int row = 0; row < window->list()->topLevelItemCount(); ++row) {
    const QString shown = window->list()->topLevelItem(row)->text(1);
    EXPECT_EQ(shown == QStringLiteral("Food"), after[row] == 0) << row;
    renamed_seen |= after[row] == 0;
  }
  EXPECT_TRUE(renamed_seen);
}

TEST_F(OptionCommandsTest, VirtualOrganizerChosenInTheComPortDialogServesTheTransfers) {
  // COM1 leads nowhere: only the virtual choice can answer.
  auto window = Open("[Settings]\r\nAppliID=3\r\nCOMPort=1\r\n[Ports]\r\nCOM1=" +
                     (paths_.files_dir / "no-port").string() + "\r\n");
  test::BoxScript script;
  script.OnDialog(CheckAndOk<ComPortDialog>([](ComPortDialog& d) { return d.port_button(4); }));
  window->Choose("&COM port...");
  EXPECT_EQ(window->commands.settings().port_name, "virtual");
  EXPECT_EQ(window->commands.settings().com_port, 1);
  window->commands.ClearAll();
  ASSERT_EQ(window->list()->topLevelItemCount(), 0);
  script.TakeBoxes();
  window->commands.Upload();
  // The question only: no cable to plug in, no error.
  EXPECT_EQ(script.TakeBoxes().size(), 1u);
  EXPECT_GT(window->list()->topLevelItemCount(), 0);
  // The status bar names the port, the model seen and says the Upload went through.
  EXPECT_EQ(window->window.findChild<QLabel*>("port_status")->text(),
            "Port: the virtual organizer");
  EXPECT_EQ(window->window.findChild<QLabel*>("model_status")->text(), "Organizer: TR/VX-480");
  EXPECT_TRUE(window->window.statusBar()->currentMessage().startsWith("Upload complete"));
}

TEST_F(OptionCommandsTest, DeviceChosenByNameIsKeptOverARestart) {
  const fs::path by_id = paths_.files_dir / "usb-FTDI_FT232R_USB_UART_KIVO2-if00-port0";
  FakeSerialDevices devices;
  devices.Add({by_id.string(), "/dev/ttyUSB0", "FTDI", "FT232R USB UART", "KIVO2", -1});
  const std::string ports = "[Ports]\r\nCOM1=/dev/kivo-mapped\r\n";
  {
    auto window = Open("[Settings]\r\nAppliID=3\r\nCOMPort=2\r\n" + ports);
    window->commands.set_serial_devices(&devices);
    test::BoxScript script;
    script.OnDialog(CheckAndOk<ComPortDialog>(
        [&](ComPortDialog& d) { return d.device_button(by_id.string()); }));
    window->Choose("&COM port...");
    EXPECT_EQ(window->commands.settings().port_name, by_id.string());
  }
  // Kept over a restart, beside the COM port and the mapping it had.
  const AppSettings saved = LoadAppSettings(SettingsFilePath(paths_.files_dir), paths_.files_dir);
  EXPECT_EQ(saved.port_name, by_id.string());
  EXPECT_EQ(saved.com_port, 2);
  EXPECT_EQ(saved.port_devices[0], "/dev/kivo-mapped");
}

TEST_F(OptionCommandsTest, OrganizerModelIsStored) {
  auto window = Open("[Settings]\r\nAppliID=3\r\n");
  test::BoxScript script;
  script.OnDialog(
      CheckAndOk<OrganizerModelDialog>([](OrganizerModelDialog& d) { return d.model_button(1); }));
  window->Choose("Organizer &Model...");
  EXPECT_EQ(window->commands.settings().model, 1);
  EXPECT_EQ(window->commands.model().selected_row(), 0);
}

}  // namespace
}  // namespace kivo
