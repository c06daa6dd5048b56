// Printing from the desktop, read back as a reader of the paper would:
// poppler's pdftotext for the texts and pages, pdftoppm for the colours of a
// calendar page. Export PDF writes the list on screen (its columns, its sort
// order, its filter); Print, with the print dialog's PDF output, writes the
// calendar's month. The pictures go to the README with KIVO_SCREENSHOT_DIR.

#include <QHeaderView>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include "box_script.h"
#include "desktop_fixture.h"
#include "print/calendar_paint.h"
#include "ui/calendar_view.h"

namespace kivo {
namespace {

// A poppler tool's output, or nothing when it did not run.
std::optional<QString> Poppler(const QString& tool, const QStringList& args) {
  QProcess process;
  process.start(tool, args);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return std::nullopt;
  return QString::fromUtf8(process.readAllStandardOutput());
}

class PrintTest : public test::DesktopTest {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) {
      GTEST_SKIP() << "poppler-utils (pdftotext, pdftoppm) is not installed";
    }
    window_ = Open();
  }

  QString Pdf(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

  std::unique_ptr<test::Desktop> window_;
  test::BoxScript script_;
  test::ScreenshotDir out_dir_;
};

TEST_F(PrintTest, ExportPdfWritesTheListAsShown) {
  // Business cards only, by last name downwards.
  window_->tabs()->setCurrentIndex(TabOfAppli(kTelephone));
  window_->filter_box()->setCurrentIndex(1);
  QHeaderView* header = window_->list()->header();
  header->sectionClicked(1);
  header->sectionClicked(1);
  const int rows = window_->list()->topLevelItemCount();
  ASSERT_GT(rows, 3);
  script_.ChooseFile(Pdf("business.pdf"));
  window_->Choose("Export P&DF...");
  ASSERT_EQ(script_.files().size(), 1u);
  EXPECT_EQ(script_.files().front().proposed_name, QStringLiteral("telephone.pdf"));

  const auto text = Poppler(QStringLiteral("pdftotext"),
                            {QStringLiteral("-layout"), Pdf("business.pdf"), QStringLiteral("-")});
  ASSERT_TRUE(text.has_value());
  const QStringList pages = text->split(QLatin1Char('\f'), Qt::SkipEmptyParts);
  ASSERT_GE(pages.size(), 1);
  for (int page = 0; page < pages.size(); ++page) {
    EXPECT_TRUE(pages[page].contains(QStringLiteral("Telephone (Business)"))) << page;
    EXPECT_TRUE(
        pages[page].contains(QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages.size())));
  }
  EXPECT_TRUE(pages[0].contains(QStringLiteral("E-mail")));
  // Every row, in the list's order (a long name may wrap: its start counts);
  // no card of another category.
  qsizetype at = 0;
  for (int row = 0; row < rows; ++row) {
    const QString last = window_->list()->topLevelItem(row)->text(1).left(8);
    const qsizetype found = text->indexOf(last, at);
    EXPECT_GE(found, at) << last.toStdString();
    at = std::max(found, at);
  }
  EXPECT_FALSE(text->contains(QStringLiteral("Personal ")));
}

TEST_F(PrintTest, PrintTheCalendarsMonthThroughThePrintDialog) {
  window_->window.ShowCalendar(true);
  auto* grid = window_->Widget<CalendarGrid>("calendar");
  grid->GoTo(DayNumber(2002, 6, 20));
  script_.OnDialog([this](QDialog& dialog) {
    auto* print = qobject_cast<QPrintDialog*>(&dialog);
    EXPECT_NE(print, nullptr);
    if (print == nullptr) return static_cast<int>(QDialog::Rejected);
    // A month is printed across the page.
    EXPECT_EQ(print->printer()->pageLayout().orientation(), QPageLayout::Landscape);
    print->printer()->setOutputFileName(Pdf("june.pdf"));
    return static_cast<int>(QDialog::Accepted);
  });
  window_->Choose("&Print...");

  const auto text = Poppler(QStringLiteral("pdftotext"), {Pdf("june.pdf"), QStringLiteral("-")});
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->count(QLatin1Char('\f')), 1);
  for (const char* expected : {"June 2002", "Page 1 of 1", "Sun", "Sat", "6:00p Board meeting",
                               "Nina's birthday", "Defrost the freezer"}) {
    EXPECT_TRUE(text->contains(QString::fromUtf8(expected))) << expected;
  }
  // Rendered, the page shows each kind in its colour.
  ASSERT_TRUE(Poppler(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                       QStringLiteral("-singlefile"), Pdf("june.pdf"), Pdf("june")})
                  .has_value());
  const QImage page(Pdf("june.png"));
  ASSERT_FALSE(page.isNull());
  EXPECT_GT(page.width(), page.height());
  const CalendarColors colors = CalendarColors::ForPrint();
  for (size_t kind = 0; kind < 3; ++kind) {
    int near = 0;
    for (int y = 0; y < page.height(); ++y) {
      for (int x = 0; x < page.width(); ++x) {
        const QColor c = page.pixelColor(x, y);
        const QColor m = colors.marker[kind];
        near += std::abs(c.red() - m.red()) + std::abs(c.green() - m.green()) +
                    std::abs(c.blue() - m.blue()) <
                30;
      }
    }
    EXPECT_GT(near, 10) << "kind " << kind;
  }
  EXPECT_TRUE(page.save(out_dir_.FilePath(QStringLiteral("calendar_pdf.png"))));
}

}  // namespace
}  // namespace kivo
