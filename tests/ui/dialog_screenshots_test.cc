// Takes a picture of every edit and option dialog, for the README:
//   KIVO_SCREENSHOT_DIR=docs/screenshots build/bin/ui_tests --gtest_filter='Screenshots.*'
// Without the variable the pictures go to a temporary directory and are only checked.

#include <functional>
#include <memory>

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "box_script.h"
#include "format/today.h"
#include "platform/serial_devices.h"
#include "sample_data.h"
#include "store/amount.h"
#include "store/app_settings.h"
#include "store/record_codec.h"
#include "ui/auto_detect_dialog.h"
#include "ui/edit_dialogs.h"
#include "ui/option_dialogs.h"
#include "ui/qt_command_user.h"

namespace kivo {
namespace {

// Shows the dialog, checks that it drew more than a plain background and saves it.
void Shoot(QWidget& dialog, const QString& dir, const char* name) {
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog)) << name;
  QTest::qWait(10);
  const QImage image = dialog.grab().toImage();
  EXPECT_GT(image.width(), 150) << name;
  EXPECT_GT(image.height(), 60) << name;
  int dark = 0;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) dark += qGray(image.pixel(x, y)) < 100;
  }
  EXPECT_GT(dark, 20) << name << ": no text drawn";
  EXPECT_TRUE(image.save(QDir(dir).filePath(QString::fromLatin1(name) + ".png"))) << name;
  dialog.hide();
}

EditContext Context() {
  EditContext context;
  AllowedTable all;
  all.fill(1);
  context.allowed = all;
  const CategoryNames names = DefaultCategoryNames();
  context.category_names.assign(names.names.begin(), names.names.end());
  context.today = [] { return DateValue{2026, 12, 7}; };
  return context;
}

TEST(Screenshots, EveryDialog) {
  QTemporaryDir scratch;
  const QString out_dir = qEnvironmentVariableIsEmpty("KIVO_SCREENSHOT_DIR")
                              ? scratch.path()
                              : qEnvironmentVariable("KIVO_SCREENSHOT_DIR");
  ASSERT_TRUE(QDir().mkpath(out_dir));

  const std::pair<AppliId, const char*> edits[] = {
      {kSchedule, "edit_schedule"},   {kToDo, "edit_todo"}, {kAnniversary, "edit_anniversary"},
      {kTelephone, "edit_telephone"}, {kMemo, "edit_memo"}, {kExpense, "edit_expense"}};
  for (const auto& [id, name] : edits) {
    const std::vector<uint8_t> record = test::ExampleRecord(id);
    auto dialog = CreateEditDialog(nullptr, id, &record, 0, Context());
    ASSERT_NE(dialog, nullptr);
    Shoot(*dialog, out_dir, name);
  }

  AppSettings settings;
  settings.com_port = 2;
  // Every port free: the picture is the same on every machine.
  ComPortDialog com(settings, {}, nullptr, {nullptr, [](const std::string&) {
                                              return PortCheck{true, "can be opened"};
                                            }});
  Shoot(com, out_dir, "com_port");
  // With the devices of a typical desktop, one chosen, and the reasons two
  // of them give.
  FakeSerialDevices devices;
  devices.Set({{"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "/dev/ttyUSB0",
                "FTDI", "FT232R USB UART", "A50285BI", 16},
               {"/dev/ttyACM0", "/dev/ttyACM0", "", "", "", -1},
               {"/dev/ttyS0", "/dev/ttyS0", "", "", "", -1},
               {"/dev/pts/3", "/dev/pts/3", "", "pseudo-terminal", "", -1}});
  const DeviceSource source{&devices, [](const std::string& path) -> PortCheck {
                              if (path == "/dev/ttyACM0") {
                                return {false, "busy: held by ModemManager (pid 812)"};
                              }
                              if (path == "/dev/pts/3") {
                                return {false, "in use: held open by screen (pid 2231)"};
                              }
                              if (path == "/dev/ttyS0") {
                                return {false,
                                        "no permission: /dev/ttyS0 (crw-rw----) belongs to group "
                                        "dialout and user alex is not in it: sudo usermod -aG "
                                        "dialout alex, then log in again"};
                              }
                              return {true, "can be opened"};
                            }};
  settings.port_name = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  ComPortDialog with_devices(settings, {}, nullptr, source);
  Shoot(with_devices, out_dir, "com_port_devices");
  // The first start's offer: no port chosen yet.
  ComPortDialog first_start(AppSettings{}, {}, nullptr, source);
  first_start.ShowFirstStartText();
  Shoot(first_start, out_dir, "first_start");
  // The one box of a Restore whose line was lost after Memo.
  RestoreResult stopped = RestoreResult::Failed(kResultTimeout);
  stopped.deleted = true;
  stopped.replaced = kEveryAppliMask;
  stopped.complete = kEveryAppliMask & ~(1U << kExpense | 1U << kCategoryList);
  stopped.snapshot = "/home/alex/.local/share/kivo-link/history/20261207-140211-snapshot-n3.bkf";
  stopped.resume_from = "/home/alex/Documents/organizer.bkf";
  test::BoxScript script;
  script.OnDialog([&](QDialog& box) {
    Shoot(box, out_dir, "restore_stopped");
    return 0;
  });
  EXPECT_EQ(QtCommandUser(nullptr).ChooseAfterStop(stopped), AfterStop::kLeave);
  OrganizerModelDialog model(0);
  Shoot(model, out_dir, "organizer_model");
  DisplayFormatDialog format(0, 1);
  Shoot(format, out_dir, "display_format");
  AllowedTable all;
  all.fill(1);
  ExpenseCategoryDialog categories(DefaultCategoryNames(), all);
  Shoot(categories, out_dir, "expense_category");
  AboutDialog about;
  Shoot(about, out_dir, "about");
  AutoDetectDialog detect(DetectSettingsFrom(settings));
  // As it looks while a port is tried.
  detect.status_line1()->setText(QStringLiteral("Auto Detect in progress..."));
  detect.status_line2()->setText(QStringLiteral("Checking COM2"));
  detect.cancel_button()->setText(QStringLiteral("&Abort"));
  detect.proceed_button()->setEnabled(false);
  Shoot(detect, out_dir, "auto_detect");
}

}  // namespace
}  // namespace kivo
