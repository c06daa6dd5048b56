// The calendar on the Schedule tab, one test per page layout, driven from the
// keyboard and the mouse as a user would: the menu's shortcuts, the date
// field, the arrows, Enter and double clicks. Every edit made in the calendar
// must show in the lists, and the selection must follow into the list.

#include "ui/calendar_view.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "box_script.h"
#include "desktop_fixture.h"
#include "ui/date_field.h"
#include "ui/edit_dialogs.h"
#include "ui/search_panel.h"
#include "ui/text_fields.h"
#include "ui/toggle_button.h"

namespace kivo {
namespace {

const int kJune20 = DayNumber(2002, 6, 20);  // a Thursday with one Schedule entry

class CalendarViewTest : public test::DesktopTest {
 protected:
  void SetUp() override {
    window_ = Open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_->window));
    // View > Calendar and the page layout by their shortcuts.
    QTest::keyClick(&window_->window, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    grid_ = window_->Widget<CalendarGrid>("calendar");
    ASSERT_TRUE(grid_->isVisible());
    EXPECT_FALSE(window_->list()->isVisible());
    EXPECT_TRUE(grid_->hasFocus());
    // Home is today.
    QTest::keyClick(grid_, Qt::Key_Home);
    const DateValue today = SystemToday();
    EXPECT_EQ(grid_->cursor_day(), DayNumber(today.year, today.month, today.day));
    // Ctrl+G, a date typed segment by segment, Enter: the day and its first entry.
    QTest::keyClick(&window_->window, Qt::Key_G, Qt::ControlModifier);
    auto* date = window_->Widget<DateField>("calendarDate");
    ASSERT_TRUE(date->hasFocus());
    QTest::keyClicks(date, QStringLiteral("06"));
    QTest::keyClick(date, Qt::Key_Right);
    QTest::keyClicks(date, QStringLiteral("20"));
    QTest::keyClick(date, Qt::Key_Right);
    QTest::keyClicks(date, QStringLiteral("2002"));
    QTest::keyClick(date, Qt::Key_Return);
    EXPECT_EQ(grid_->cursor_day(), kJune20);
    EXPECT_TRUE(grid_->hasFocus());
    EXPECT_EQ(Selected(), "Review the M\xFCller contract");
  }

  void Layout(Qt::Key key) { QTest::keyClick(&window_->window, key, Qt::ControlModifier); }

  std::string Selected() const {
    if (!grid_->has_selection()) return "(none)";
    for (const PlacedEntry& placed : grid_->page().entries) {
      if (placed.entry->appli == grid_->selected_appli() &&
          placed.entry->position == grid_->selected_position()) {
        return placed.entry->text;
      }
    }
    return "(not shown)";
  }

  // Double-clicks the cursor's day at an hour (week and day pages) or below
  // its number (month page).
  void DoubleClickDay(int day, int hour) {
    for (const PlacedDay& placed : grid_->page().days) {
      if (placed.day != day) continue;
      QPointF at(placed.rect.center().x(), placed.rect.bottom() - 3);
      if (hour >= 0) {
        const CalendarPage& page = grid_->page();
        for (int tries = 0; tries < 4 && page.MinuteAt(at, grid_->Options()) / 60 != hour;
             ++tries) {
          // Scroll the hour grid until the hour is in sight.
          const int first = grid_->Options().first_minute / 60;
          QWheelEvent wheel(QPointF(5, 40), grid_->mapToGlobal(QPointF(5, 40)), {},
                            {0, hour < first ? 120 : -120}, Qt::NoButton, Qt::NoModifier,
                            Qt::NoScrollPhase, false);
          QApplication::sendEvent(grid_, &wheel);
          const double y =
              grid_->page().hours.top() +
              (hour * 60 + 20 - grid_->Options().first_minute) * grid_->page().hour_height / 60;
          at.setY(y);
        }
        ASSERT_EQ(grid_->page().MinuteAt(at, grid_->Options()) / 60, hour);
      }
      QTest::mouseDClick(grid_, Qt::LeftButton, Qt::NoModifier, at.toPoint());
      return;
    }
    ADD_FAILURE() << "day not on the page";
  }

  // The edit dialog's step: a new description, then Save.
  static std::function<int(QDialog&)> Describe(const QString& text) {
    return [text](QDialog& dialog) {
      auto& edit = static_cast<EditDialog&>(dialog);
      auto* description = edit.findChild<QPlainTextEdit*>(QStringLiteral("description"));
      EXPECT_NE(description, nullptr);
      if (description == nullptr) return kEditCancel;
      description->setPlainText(text);
      QTest::mouseClick(edit.save_button(), Qt::LeftButton);
      return edit.result();
    };
  }

  // The list's selected row, after View > List.
  QString ListSelection(int column) {
    QTest::keyClick(&window_->window, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(window_->list()->isVisible());
    QTreeWidgetItem* item = window_->list()->currentItem();
    return item != nullptr ? item->text(column) : QString();
  }

  std::unique_ptr<test::Desktop> window_;
  CalendarGrid* grid_ = nullptr;
  test::BoxScript script_;
};

TEST_F(CalendarViewTest, MonthPage) {
  Layout(Qt::Key_1);
  ASSERT_EQ(grid_->page_layout(), CalendarLayout::kMonth);
  // Enter opens the selected entry; the change shows on the page at once.
  script_.OnDialog(Describe(QStringLiteral("Review the contract again")));
  QTest::keyClick(grid_, Qt::Key_Return);
  EXPECT_EQ(Selected(), "Review the contract again");
  // A week down lies an empty day; a double click makes an entry there.
  QTest::keyClick(grid_, Qt::Key_Down);
  EXPECT_EQ(grid_->cursor_day(), kJune20 + 7);
  EXPECT_EQ(Selected(), "(none)");
  script_.OnDialog(Describe(QStringLiteral("Summer party")));
  DoubleClickDay(kJune20 + 7, -1);
  EXPECT_EQ(Selected(), "Summer party");
  // Page Down and Page Up turn months; the list follows the selection.
  QTest::keyClick(grid_, Qt::Key_PageDown);
  EXPECT_EQ(DateOfDay(grid_->cursor_day()).month, 7);
  QTest::keyClick(grid_, Qt::Key_PageUp);
  QTest::keyClick(grid_, Qt::Key_Left);
  QTest::keyClick(grid_, Qt::Key_Right);
  EXPECT_EQ(ListSelection(5), QStringLiteral("Summer party"));
  EXPECT_EQ(window_->list()->currentItem()->text(0), QStringLiteral("06/27/2002"));
  EXPECT_EQ(window_->list()->topLevelItemCount(), 37);
}

TEST_F(CalendarViewTest, WeekPage) {
  Layout(Qt::Key_2);
  ASSERT_EQ(grid_->page_layout(), CalendarLayout::kWeek);
  // Weeks start on Sunday with dates written month first.
  EXPECT_EQ(grid_->Options().first_day, DayNumber(2002, 6, 16));
  // A double click at three in the afternoon of the next day.
  QTest::keyClick(grid_, Qt::Key_Right);
  script_.OnDialog(Describe(QStringLiteral("Tea at three")));
  DoubleClickDay(kJune20 + 1, 15);
  EXPECT_EQ(Selected(), "Tea at three");
  // A To Do of the next week: its dialog marks it done, through the To Do list.
  for (int i = 0; i < 7; ++i) QTest::keyClick(grid_, Qt::Key_Right);
  EXPECT_EQ(Selected(), "Defrost the freezer");
  script_.OnDialog([](QDialog& dialog) {
    auto& edit = static_cast<EditDialog&>(dialog);
    edit.findChild<ToggleButton*>(QStringLiteral("done"))->SetOn(true);
    QTest::mouseClick(edit.save_button(), Qt::LeftButton);
    return edit.result();
  });
  QTest::keyClick(grid_, Qt::Key_Return);
  ASSERT_TRUE(grid_->has_selection());
  EXPECT_EQ(grid_->selected_appli(), kToDo);
  // Back to the list: the To Do tab, with the entry selected and done.
  EXPECT_EQ(ListSelection(3), QStringLiteral("Defrost the freezer"));
  EXPECT_EQ(window_->tabs()->currentIndex(), TabOfAppli(kToDo));
  EXPECT_EQ(window_->list()->currentItem()->text(1), QStringLiteral("Done"));
  // The Schedule list holds the new entry at 03:00 PM.
  window_->tabs()->setCurrentIndex(TabOfAppli(kSchedule));
  const auto found =
      window_->list()->findItems(QStringLiteral("Tea at three"), Qt::MatchExactly, 5);
  ASSERT_EQ(found.size(), 1);
  EXPECT_EQ(found.front()->text(1), QStringLiteral("03:00 PM"));
}

TEST_F(CalendarViewTest, DayPage) {
  Layout(Qt::Key_3);
  ASSERT_EQ(grid_->page_layout(), CalendarLayout::kDay);
  // Page Down is the next day, which has no entry: Up and Down find none.
  QTest::keyClick(grid_, Qt::Key_PageDown);
  QTest::keyClick(grid_, Qt::Key_Down);
  EXPECT_EQ(Selected(), "(none)");
  const int rows = window_->commands.model().row_count();
  script_.OnDialog(Describe(QStringLiteral("Early swim")));
  DoubleClickDay(kJune20 + 1, 6);
  EXPECT_EQ(Selected(), "Early swim");
  // Del deletes it again, after its question.
  QTest::keyClick(grid_, Qt::Key_Delete);
  EXPECT_EQ(script_.TakeBoxes().size(), 1u);
  EXPECT_EQ(window_->commands.model().row_count(), rows);
  EXPECT_EQ(Selected(), "(none)");
  // Insert asks for another; Cancel leaves the records as they were.
  script_.OnDialog([](QDialog&) { return kEditCancel; });
  QTest::keyClick(grid_, Qt::Key_Insert);
  EXPECT_EQ(window_->commands.model().row_count(), rows);
  // Back a day, Up to the day itself and Down to its entry; a double click
  // on it opens it.
  QTest::keyClick(grid_, Qt::Key_PageUp);
  QTest::keyClick(grid_, Qt::Key_Up);
  EXPECT_EQ(Selected(), "(none)");
  QTest::keyClick(grid_, Qt::Key_Down);
  ASSERT_EQ(Selected(), "Review the M\xFCller contract");
  const PlacedEntry* entry = nullptr;
  for (const PlacedEntry& placed : grid_->page().entries) {
    if (placed.entry->position == grid_->selected_position()) entry = &placed;
  }
  ASSERT_NE(entry, nullptr);
  script_.OnDialog(Describe(QStringLiteral("Contract signed")));
  QTest::mouseDClick(grid_, Qt::LeftButton, Qt::NoModifier, entry->rect.center().toPoint());
  EXPECT_EQ(ListSelection(5), QStringLiteral("Contract signed"));
  EXPECT_EQ(window_->list()->topLevelItemCount(), rows);
}

TEST_F(CalendarViewTest, DatesTypedWholeAndSearchResultsOpenTheirDay) {
  // Ctrl+G and a date typed as it is written, separators and all.
  const std::pair<const char*, int> kDates[] = {{"03/01/2023", DayNumber(2023, 3, 1)},
                                                {"7.4.2024", DayNumber(2024, 7, 4)},
                                                {"12-31-2026", DayNumber(2026, 12, 31)}};
  auto* date = window_->Widget<DateField>("calendarDate");
  for (const auto& [typed, day] : kDates) {
    QTest::keyClick(&window_->window, Qt::Key_G, Qt::ControlModifier);
    QTest::keyClicks(date, QString::fromLatin1(typed));
    QTest::keyClick(date, Qt::Key_Return);
    EXPECT_EQ(grid_->cursor_day(), day) << typed;
  }
  // A Schedule result chosen in Search: its day in the calendar, selected.
  QTest::keyClick(&window_->window, Qt::Key_K, Qt::ControlModifier);
  auto* panel = window_->window.findChild<SearchPanel*>(QStringLiteral("searchPanel"));
  ASSERT_NE(panel, nullptr);
  QTest::keyClicks(panel->field(), QStringLiteral("MULLER"));
  QTest::keyClick(panel->field(), Qt::Key_Down);
  QTest::keyClick(panel->results(), Qt::Key_Return);
  EXPECT_TRUE(grid_->isVisible());
  EXPECT_EQ(grid_->cursor_day(), kJune20);
  EXPECT_EQ(Selected(), "Review the M\xFCller contract");
}

}  // namespace
}  // namespace kivo
