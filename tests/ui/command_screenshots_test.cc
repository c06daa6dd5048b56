// Pictures of the progress window (during a Backup), the Import dialog and the
// Find dialog, for the README:
//   KIVO_SCREENSHOT_DIR=docs/screenshots build/bin/ui_tests --gtest_filter=CommandScreenshots.*
// Without the variable they go to a temporary directory and are only checked.

#include <fstream>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "box_script.h"
#include "comm/virtual_organizer.h"
#include "desktop_fixture.h"
#include "sample_data.h"
#include "store/app_settings.h"
#include "store/backup_file.h"
#include "store/working_data.h"
#include "ui/find_dialog.h"
#include "ui/import_dialog.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

class CommandScreenshots : public test::DesktopTest {
 protected:
  void SetUp() override {
    WriteOrganizer(*sample_);
    WriteSettings("[Settings]\r\nAppliID=3\r\n" + std::string(test::kVirtualCom1));
  }

  // Saves a picture of the widget and checks that it is not blank.
  void Save(QWidget* widget, const char* name) {
    const QImage image = widget->grab().toImage();
    ASSERT_FALSE(image.isNull());
    bool varied = false;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height() && !varied; y += 3) {
      for (int x = 0; x < image.width() && !varied; x += 3) varied = image.pixel(x, y) != first;
    }
    EXPECT_TRUE(varied) << name;
    EXPECT_TRUE(image.save(out_dir_.FilePath(QString::fromLatin1(name))));
  }

  test::ScreenshotDir out_dir_;
};

TEST_F(CommandScreenshots, ProgressWindowDuringABackup) {
  test::Desktop window(paths_);
  // A slow cable, so that the picture catches the bar on its way.
  window.commands.virtual_options().baud_rate = 4800;
  test::BoxScript script;
  bool taken = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* progress = qobject_cast<ProgressWindow*>(QApplication::activeModalWidget());
    if (progress == nullptr || progress->bar()->value() < 30) return;
    poll.stop();
    EXPECT_EQ(progress->status_label()->text(), QStringLiteral("Receiving..."));
    Save(progress, "progress.png");
    taken = true;
    QTest::mouseClick(progress->abort_button(), Qt::LeftButton);
  });
  poll.start(20);
  window.commands.Backup();
  EXPECT_TRUE(taken);
}

TEST_F(CommandScreenshots, ImportAndFindDialogs) {
  test::Desktop window(paths_);
  ImportDialog import(&window.window, kMemo,
                      QString::fromStdString(window.commands.settings().backup_dir));
  import.file_edit()->setText(QStringLiteral("/home/user/organizer/memo.csv"));
  import.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&import));
  Save(&import, "import.png");
  import.close();

  window.find_action()->trigger();
  FindDialog* find = window.find_dialog();
  ASSERT_NE(find, nullptr);
  find->text_edit()->setText(QStringLiteral("Passport"));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(find));
  Save(find, "find.png");
  find->close();
}

}  // namespace
}  // namespace kivo
