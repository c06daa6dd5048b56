// Takes a picture of every tab with the sample records, for the README:
//   KIVO_SCREENSHOT_DIR=docs/screenshots build/bin/ui_tests --gtest_filter=Screenshots.*
// Without the variable the pictures go to a temporary directory and are only checked.

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "desktop_fixture.h"
#include "sample_data.h"
#include "store/working_data.h"
#include "ui/main_window.h"
#include "view/appli_columns.h"

namespace kivo {
namespace {

const char* const kShotNames[kTabCount] = {"schedule",  "todo", "anniversary",
                                           "telephone", "memo", "expense"};

TEST(Screenshots, EveryTabWithSampleRecords) {
  const test::SampleFiles files;
  const test::ScreenshotDir out_dir;
  test::Desktop window(files.paths);
  for (int tab = 0; tab < kTabCount; ++tab) {
    window.tabs()->setCurrentIndex(tab);
    // A selected record fills the detail pane.
    window.commands.model().SelectRow(2);
    window.list()->setCurrentItem(window.list()->topLevelItem(2));
    QTest::qWait(20);
    const QImage image = window.window.grab().toImage();
    ASSERT_EQ(image.size(), QSize(MainWindow::kWidth, MainWindow::kHeight));
    // Something was drawn: the list header's blue name is there.
    bool has_blue = false;
    for (int x = 20; x < 200 && !has_blue; ++x) {
      for (int y = 60; y < 120 && !has_blue; ++y) {
        const QColor c = image.pixelColor(x, y + window.window.menuWidget()->height());
        has_blue = c.blue() > 200 && c.red() < 80 && c.green() < 80;
      }
    }
    EXPECT_TRUE(has_blue) << kShotNames[tab];
    EXPECT_TRUE(image.save(out_dir.FilePath(QString::fromLatin1(kShotNames[tab]) + ".png")));
  }
  window.window.close();
}

}  // namespace
}  // namespace kivo
