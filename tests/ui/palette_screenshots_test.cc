// The main window on a light and on a dark desktop, at its smallest size and
// maximised, for the README:
//   KIVO_SCREENSHOT_DIR=docs/screenshots build/bin/ui_tests --gtest_filter='PaletteScreenshots.*'
// The texts and button images must follow the palette: on the dark one the
// record count and the SEND lettering are light.

#include <algorithm>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "desktop_fixture.h"
#include "sample_data.h"
#include "store/app_settings.h"
#include "store/working_data.h"
#include "ui/calendar_view.h"
#include "ui/list_header_area.h"
#include "ui/main_window.h"
#include "ui/search_panel.h"

namespace kivo {
namespace {

// Fusion's dark colours, as desktops with a dark theme hand them to Qt.
QPalette DarkPalette() {
  const QColor window(53, 53, 53), text(235, 235, 235);
  const std::pair<QPalette::ColorRole, QColor> colours[] = {
      {QPalette::Window, window},
      {QPalette::WindowText, text},
      {QPalette::Base, QColor(36, 36, 36)},
      {QPalette::AlternateBase, window},
      {QPalette::Text, text},
      {QPalette::Button, window},
      {QPalette::ButtonText, text},
      {QPalette::Link, QColor(110, 170, 255)},
      {QPalette::Highlight, QColor(42, 130, 218)},
      {QPalette::HighlightedText, Qt::white}};
  QPalette p;
  for (const auto& [role, colour] : colours) p.setColor(role, colour);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    p.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
  }
  return p;
}

// Letters in a part of the window's picture read against their ground: on
// the dark palette a dark ground (the most pixels) with light letters, on the
// light one the other way round.
void ExpectReadable(const QImage& image, const QRect& rect, bool dark, const QString& what) {
  std::vector<int> lightness;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      lightness.push_back(image.pixelColor(x, y).lightness());
    }
  }
  std::sort(lightness.begin(), lightness.end());
  const int ground = lightness[lightness.size() / 2];
  if (dark) {
    EXPECT_LT(ground, 100) << what.toStdString();
    EXPECT_GT(lightness.back(), 200) << what.toStdString();
  } else {
    EXPECT_GT(ground, 160) << what.toStdString();
    EXPECT_LT(lightness.front(), 60) << what.toStdString();
  }
}

TEST(PaletteScreenshots, LightAndDarkAtTheSmallestSizeAndMaximised) {
  const test::SampleFiles files;
  const test::ScreenshotDir out_dir;
  const QString old_style = QApplication::style()->name();
  const QPalette old_palette = QApplication::palette();
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  for (const bool maximised : {false, true}) {
    // Each size starts from the first one, not where the last window ended.
    QFile::remove(QString::fromStdString(SettingsFilePath(files.paths.files_dir).string()));
    QApplication::setPalette(QApplication::style()->standardPalette());
    test::Desktop window(files.paths, /*show=*/false);
    window.tabs()->setCurrentIndex(3);  // Telephone: the most columns, and the filter
    window.commands.model().SelectRow(2);
    window.list()->setCurrentItem(window.list()->topLevelItem(2));
    if (maximised) {
      window.window.showMaximized();
      QTRY_VERIFY(window.window.isMaximized() && window.window.width() > MainWindow::kWidth);
      EXPECT_GT(window.list()->width(), 290);
    } else {
      window.window.show();
      EXPECT_EQ(window.window.size(), QSize(MainWindow::kWidth, MainWindow::kHeight));
    }
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window.window));
    // The desktop turns dark while the program runs.
    for (const bool dark : {false, true}) {
      const QString name = QStringLiteral("main_%1_%2.png")
                               .arg(dark ? "dark" : "light", maximised ? "maximised" : "small");
      if (dark) QApplication::setPalette(DarkPalette());
      QTest::qWait(20);
      const QImage image = window.window.grab().toImage();
      ASSERT_EQ(image.size(), window.window.size()) << name.toStdString();

      // The count is drawn in the window's text colour: light on dark.
      const ListHeaderArea* header = window.header_area();
      const QRect count(header->mapTo(&window.window, header->CountRect().topLeft()),
                        header->CountRect().size());
      ExpectReadable(image, count, dark, name + " count");
      // The SEND lettering, on the right of its image, takes the button text colour.
      const QWidget* send = window.send_button();
      const QRect letters(send->mapTo(&window.window, QPoint(send->width() / 2 + 4, 8)),
                          QSize(send->width() / 2 - 10, send->height() - 16));
      ExpectReadable(image, letters, dark, name + " SEND");
      EXPECT_TRUE(image.save(out_dir.FilePath(name)));
    }
    window.window.close();
  }
  QApplication::setPalette(old_palette);
  QApplication::setStyle(QStyleFactory::create(old_style));
}

// The calendar's month page and the search, for the README:
// --gtest_filter='PaletteScreenshots.Calendar*'. An entry's text must read on
// its kind's tint, and a result's on the list, in both palettes.
TEST(PaletteScreenshots, CalendarMonthAndSearchLightAndDark) {
  const test::SampleFiles files;
  const test::ScreenshotDir out_dir;
  const QString old_style = QApplication::style()->name();
  const QPalette old_palette = QApplication::palette();
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setPalette(QApplication::style()->standardPalette());
  test::Desktop window(files.paths, /*show=*/false);
  window.window.resize(780, 540);
  window.window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window.window));
  window.window.ShowCalendar(true);
  auto* grid = window.Widget<CalendarGrid>("calendar");
  grid->GoTo(DayNumber(2002, 6, 20));
  window.Choose("&Search All Applications...");
  auto* search = window.window.findChild<SearchPanel*>(QStringLiteral("searchPanel"));
  ASSERT_NE(search, nullptr);
  QTest::keyClicks(search->field(), QStringLiteral("muller"));
  ASSERT_EQ(search->hits().size(), 3u);
  for (const bool dark : {false, true}) {
    QApplication::setPalette(dark ? DarkPalette() : QApplication::style()->standardPalette());
    QTest::qWait(20);
    const QString shade = QString::fromLatin1(dark ? "dark" : "light");
    const QImage month = window.window.grab().toImage();
    // An entry that is not selected: its text on its kind's tint.
    const PlacedEntry* entry = nullptr;
    for (const PlacedEntry& placed : grid->page().entries) {
      if (placed.entry->position != grid->selected_position()) entry = &placed;
    }
    ASSERT_NE(entry, nullptr);
    const QRect text_rect = entry->rect.toRect().adjusted(8, 1, -2, -1);
    ExpectReadable(month, QRect(grid->mapTo(&window.window, text_rect.topLeft()), text_rect.size()),
                   dark, shade + " calendar entry");
    EXPECT_TRUE(month.save(out_dir.FilePath(QStringLiteral("calendar_%1.png").arg(shade))));
    const QImage found = search->grab().toImage();
    QTreeView* results = search->results();
    const QRect row = results->visualRect(results->model()->index(1, 2));
    ExpectReadable(
        found,
        QRect(results->viewport()->mapTo(search, row.topLeft()), row.size()).adjusted(2, 1, -2, -1),
        dark, shade + " search result");
    EXPECT_TRUE(found.save(out_dir.FilePath(QStringLiteral("search_%1.png").arg(shade))));
  }
  window.window.close();
  QApplication::setPalette(old_palette);
  QApplication::setStyle(QStyleFactory::create(old_style));
}

}  // namespace
}  // namespace kivo
