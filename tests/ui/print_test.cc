// Printing from the desktop, read back as a reader of the paper would:
// poppler's pdftotext for the texts and pages, pdftoppm for the colours of a
// calendar page. Export PDF writes the list on screen (its columns, its sort
// order, its filter); Print, with the print dialog's PDF output, writes the
// calendar's month. The pictures go to the README with KIVO_SCREENSHOT_DIR.

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include "box_script.h"
#include "desktop_fixture.h"
#include "print/calendar_paint.h"
#include "store/app_settings.h"
#include "store/record_codec.h"
#include "ui/calendar_view.h"
#include "view/appli_columns.h"

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

  // A dialog shown as the active window, as exec() leaves it for the keys.
  static void Activate(QDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    if (dialog.focusWidget() != nullptr) dialog.focusWidget()->setFocus();
  }
  // A dialog's step: shown, Enter pressed where its focus is.
  static int PressEnter(QDialog& dialog) {
    Activate(dialog);
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
    return dialog.result();
  }

  std::unique_ptr<test::Desktop> window_;
  test::BoxScript script_;
  test::ScreenshotDir out_dir_;
};

// The words of a PDF's text, as a reader finds them between blanks.
QSet<QString> Words(const QString& text) {
  const QStringList words =
      text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
  return QSet<QString>(words.begin(), words.end());
}

TEST_F(PrintTest, TelephonePrintsAsAPhoneListWithEveryNumberWhole) {
  // Business cards only, by last name downwards; the Print Columns dialog
  // keeps its first choice, the phone list, with Enter.
  window_->tabs()->setCurrentIndex(TabOfAppli(kTelephone));
  window_->filter_box()->setCurrentIndex(1);
  QHeaderView* header = window_->list()->header();
  header->sectionClicked(1);
  header->sectionClicked(1);
  const int rows = window_->list()->topLevelItemCount();
  ASSERT_GT(rows, 3);
  script_.OnDialog(PressEnter);
  script_.ChooseFile(Pdf("business.pdf"));
  window_->Choose("Export P&DF...");
  ASSERT_EQ(script_.files().size(), 1u);
  EXPECT_EQ(script_.files().front().proposed_name, QStringLiteral("telephone-business.pdf"));

  const auto info = Poppler(QStringLiteral("pdfinfo"), {Pdf("business.pdf")});
  ASSERT_TRUE(info.has_value());
  EXPECT_TRUE(info->contains(QStringLiteral("595 x 842 pts (A4)"))) << info->toStdString();
  // Read a column at a time: the left half of each page, then its right.
  auto half = [this](int x) {
    return Poppler(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), QStringLiteral("-x"), QString::number(x),
                    QStringLiteral("-y"), QStringLiteral("0"), QStringLiteral("-W"),
                    QStringLiteral("298"), QStringLiteral("-H"), QStringLiteral("842"),
                    Pdf("business.pdf"), QStringLiteral("-")})
        .value_or(QString())
        .split(QLatin1Char('\f'));
  };
  const QStringList left = half(0);
  const QStringList right = half(298);
  ASSERT_EQ(left.size(), right.size());
  QString text;
  for (qsizetype page = 0; page < left.size(); ++page) text += left[page] + right[page];
  // Every card in the list's order, its name first, every number on one line.
  qsizetype at = 0;
  for (int row = 0; row < rows; ++row) {
    const QTreeWidgetItem* item = window_->list()->topLevelItem(row);
    const QString name = item->text(1) + QStringLiteral(", ") + item->text(2);
    const qsizetype found = text.indexOf(name, at);
    EXPECT_GE(found, at) << name.toStdString();
    at = std::max(found, at);
    for (int column = 4; column <= 7; ++column) {
      EXPECT_TRUE(text.contains(item->text(column))) << item->text(column).toStdString();
    }
  }
  EXPECT_FALSE(text.contains(QStringLiteral("Becker, Pierre")));  // one of Others
}

TEST_F(PrintTest, TheChosenColumnsAreKeptAndPrintedWithNoWordCut) {
  struct ColumnCase {
    AppliId appli;
    bool tick_all;  // else: untick the first ticked column
    const char* pdf;
  };
  const ColumnCase kCases[] = {{kTelephone, true, "telephone.pdf"},
                               {kSchedule, false, "schedule.pdf"},
                               {kExpense, false, "expense.pdf"}};
  for (const ColumnCase& c : kCases) {
    SCOPED_TRACE(c.pdf);
    window_->tabs()->setCurrentIndex(TabOfAppli(c.appli));
    std::vector<std::string> chosen;
    script_.OnDialog([&](QDialog& dialog) {
      Activate(dialog);
      auto* list = dialog.findChild<QListWidget*>(QStringLiteral("printColumns"));
      // Telephone: Space on the table's button.
      if (c.appli == kTelephone) {
        QTest::keyClick(dialog.findChild<QWidget*>(QStringLiteral("table")), Qt::Key_Space);
      }
      list->setFocus();
      bool unticked = false;
      for (int row = 0; row < list->count(); ++row) {
        const bool ticked = list->item(row)->checkState() == Qt::Checked;
        if (c.tick_all ? !ticked : ticked && !unticked) {
          QTest::keyClick(list, Qt::Key_Space);
          unticked = true;
        }
        if (list->item(row)->checkState() == Qt::Checked) {
          chosen.push_back(list->item(row)->text().toStdString());
        }
        QTest::keyClick(list, Qt::Key_Down);
      }
      QTest::keyClick(list, Qt::Key_Return);
      return dialog.result();
    });
    script_.ChooseFile(Pdf(c.pdf));
    window_->Choose("Export P&DF...");
    // Kept in the settings file at once, in the list's order.
    IniFile ini;
    ASSERT_TRUE(ini.Load(SettingsFilePath(paths_.files_dir)));
    const std::string key = std::string(c.appli == kTelephone  ? "Telephone"
                                        : c.appli == kSchedule ? "Schedule"
                                                               : "Expense") +
                            "Columns";
    std::string joined;
    for (const std::string& title : chosen) joined += (joined.empty() ? "" : ",") + title;
    EXPECT_EQ(ini.ReadString("Print", key.c_str(), ""), joined);

    // Every word of every printed cell and title is found whole.
    const auto text = Poppler(QStringLiteral("pdftotext"), {Pdf(c.pdf), QStringLiteral("-")});
    ASSERT_TRUE(text.has_value());
    const QSet<QString> words = Words(*text);
    const auto columns = AppliColumns(c.appli);
    for (size_t col = 0; col < columns.size(); ++col) {
      const QString title = QString::fromLatin1(columns[col].title.data(),
                                                static_cast<qsizetype>(columns[col].title.size()));
      const bool printed =
          std::find(chosen.begin(), chosen.end(), title.toStdString()) != chosen.end();
      if (!printed) continue;
      for (const QString& word : Words(title)) {
        EXPECT_TRUE(words.contains(word)) << title.toStdString();
      }
      for (int row = 0; row < window_->list()->topLevelItemCount(); ++row) {
        const QString cell = window_->list()->topLevelItem(row)->text(static_cast<int>(col));
        for (const QString& word : Words(cell)) {
          EXPECT_TRUE(words.contains(word)) << word.toStdString() << " of " << title.toStdString();
        }
      }
    }
  }
}

TEST_F(PrintTest, AMonthShowsEveryEntryThatFitsAndCountsTheRest) {
  // A day of three long entries, and a day of fourteen (5 and 7 June hold
  // nothing else).
  const std::string kLong[] = {"Dentist appointment with Dr. Oberlander about the new crown",
                               "Pick up the dry cleaning and the repaired winter boots",
                               "Call the insurance about the broken kitchen window"};
  auto add = [this](int day, int hour, const std::string& text) {
    ScheduleRecord r;
    r.date = BcdDate::FromYmd(2002, 6, day);
    r.start_time = BcdTime::FromHm(hour, 0);
    r.end_time = r.start_time;
    r.description = text;
    ASSERT_EQ(
        sample_->PutRecord(kSchedule, sample_->GetRecordCount(kSchedule), EncodeScheduleRecord(r)),
        0);
  };
  for (int i = 0; i < 3; ++i) add(5, 9 + i, kLong[i]);
  for (int i = 0; i < 14; ++i) add(7, 7 + i, "Slot " + std::to_string(10 + i));
  window_.reset();
  ASSERT_EQ(SaveWorkingData(*sample_, WorkingDataPath(paths_.files_dir), 1), 0);
  window_ = Open();
  // The size of a first start.
  window_->window.resize(MainWindow::kOpenWidth, MainWindow::kOpenHeight);
  window_->window.ShowCalendar(true);
  auto* grid = window_->Widget<CalendarGrid>("calendar");
  grid->GoTo(DayNumber(2002, 6, 5));
  // On the screen at the first window size: three entries a cell at least.
  for (const PlacedDay& day : grid->page().days) {
    const auto shown = std::count_if(grid->page().entries.begin(), grid->page().entries.end(),
                                     [&](const PlacedEntry& e) { return e.entry->day == day.day; });
    if (day.day == DayNumber(2002, 6, 5)) {
      EXPECT_EQ(shown, 3);
    }
    if (day.day == DayNumber(2002, 6, 7)) {
      EXPECT_GE(shown, 3);
      EXPECT_EQ(shown + day.hidden, 14);
    }
  }
  EXPECT_TRUE(
      window_->window.grab().save(out_dir_.FilePath(QStringLiteral("calendar_first_size.png"))));

  script_.ChooseFile(Pdf("month.pdf"));
  window_->Choose("Export P&DF...");
  ASSERT_EQ(script_.files().size(), 1u);
  EXPECT_EQ(script_.files().front().proposed_name, QStringLiteral("calendar-2002-06.pdf"));
  const auto text = Poppler(QStringLiteral("pdftotext"), {Pdf("month.pdf"), QStringLiteral("-")});
  ASSERT_TRUE(text.has_value());
  // Wrapped at blanks, never cut short; only the crowded day counts the rest.
  const QString flat = text->simplified();
  for (const std::string& entry : kLong) {
    EXPECT_TRUE(flat.contains(QString::fromStdString(entry))) << entry;
  }
  EXPECT_FALSE(flat.contains(QChar(0x2026)));
  const auto placed = flat.count(QRegularExpression(QStringLiteral("Slot \\d\\d")));
  EXPECT_GE(placed, 3);
  EXPECT_EQ(flat.count(QStringLiteral(" more")), 1);
  EXPECT_TRUE(flat.contains(QStringLiteral("+%1 more").arg(14 - placed))) << placed;
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
