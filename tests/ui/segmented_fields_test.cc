// The key rules of the segmented date and time fields and the numeric fields:
// key sequences and the text shown after each key.

#include <string>
#include <vector>

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include "ui/date_field.h"
#include "ui/numeric_field.h"
#include "ui/time_field.h"

namespace kivo {
namespace {

// Keys as letters: L R U D for the arrows, digits as typed.
void Press(QWidget* field, char key) {
  switch (key) {
    case 'L':
      QTest::keyClick(field, Qt::Key_Left);
      break;
    case 'R':
      QTest::keyClick(field, Qt::Key_Right);
      break;
    case 'U':
      QTest::keyClick(field, Qt::Key_Up);
      break;
    case 'D':
      QTest::keyClick(field, Qt::Key_Down);
      break;
    default:
      QTest::keyClick(field, key);
  }
}

std::string Shown(const SegmentedField& field) {
  return field.findChild<QLineEdit*>()->text().toStdString();
}

// The selected text is the selected segment.
std::string Selected(const SegmentedField& field) {
  return field.findChild<QLineEdit*>()->selectedText().toStdString();
}

struct DateCase {
  const char* name;
  int display_date;
  bool with_year;
  DateValue start;
  int segment;
  const char* keys;
  std::vector<std::string> shown;  // after each key
  int final_segment;
};

TEST(DateField, KeySequences) {
  const DateCase cases[] = {
      {"right selects day, year, then nothing",
       kDateMdy,
       true,
       {2001, 5, 5},
       0,
       "RRR",
       {"05/05/2001", "05/05/2001", "05/05/2001"},
       2},
      {"left at the first segment stays", kDateMdy, true, {2001, 5, 5}, 0, "L", {"05/05/2001"}, 0},
      {"day up on the last day of 2150 wraps to 1950",
       kDateMdy,
       true,
       {2150, 12, 31},
       1,
       "U",
       {"01/01/1950"},
       1},
      {"month typed 1, 3 from 05",
       kDateMdy,
       true,
       {2001, 5, 10},
       0,
       "13",
       {"01/10/2001", "03/10/2001"},
       0},
      {"month typed 1, 2 from 05",
       kDateMdy,
       true,
       {2001, 5, 10},
       0,
       "12",
       {"01/10/2001", "12/10/2001"},
       0},
      {"month down from January borrows a year",
       kDateMdy,
       true,
       {2001, 1, 15},
       0,
       "D",
       {"12/15/2000"},
       0},
      {"year down from 1950 wraps to 2150",
       kDateDmy,
       true,
       {1950, 6, 1},
       2,
       "D",
       {"01.06.2150"},
       2},
      {"day first in dd.mm.yyyy",
       kDateDmy,
       true,
       {2001, 6, 9},
       0,
       "URU",
       {"10.06.2001", "10.06.2001", "10.07.2001"},
       1},
      {"year typed digit by digit",
       kDateYmd,
       true,
       {2001, 5, 5},
       0,
       "20059",
       {"0002.05.05", "0020.05.05", "0200.05.05", "2005.05.05", "0009.05.05"},
       0},
      {"year beyond 2150 starts again", kDateYmd, true, {215, 5, 5}, 0, "9", {"0009.05.05"}, 0},
      {"day typed: 3 alone after 5, then 30 is no February day",
       kDateMdy,
       true,
       {2001, 2, 5},
       1,
       "30",
       {"02/03/2001", "02/00/2001"},
       1},
      {"day typed 1, 2 gives 12",
       kDateMdy,
       true,
       {2001, 3, 9},
       1,
       "12",
       {"03/01/2001", "03/12/2001"},
       1},
      {"29 February is typed in any year",
       kDateMdy,
       true,
       {2001, 2, 5},
       1,
       "29",
       {"02/02/2001", "02/29/2001"},
       1},
      {"anniversary reaches 29 February",
       kDateMdy,
       false,
       {2001, 2, 28},
       1,
       "UU",
       {"02/29", "03/01"},
       1},
      {"anniversary steps round the year end without a year",
       kDateMdy,
       false,
       {2001, 12, 31},
       1,
       "UD",
       {"01/01", "12/31"},
       1},
      {"anniversary in dd.mm shows the day first",
       kDateDmy,
       false,
       {2001, 3, 1},
       0,
       "DR",
       {"29.02", "29.02"},
       1},
      {"anniversary in yyyy.mm.dd mode shows month then day",
       kDateYmd,
       false,
       {2001, 3, 1},
       0,
       "RR",
       {"03.01", "03.01"},
       1},
  };
  for (const DateCase& c : cases) {
    DateField field(c.display_date, c.with_year);
    field.SetDate(c.start);
    field.SelectSegment(c.segment);
    ASSERT_EQ(std::string(c.keys).size(), c.shown.size()) << c.name;
    for (size_t i = 0; i < c.shown.size(); ++i) {
      Press(&field, c.keys[i]);
      EXPECT_EQ(Shown(field), c.shown[i]) << c.name << ", key " << i;
    }
    EXPECT_EQ(field.segment(), c.final_segment) << c.name;
  }
}

TEST(DateField, SelectionFollowsTheSegment) {
  DateField field(kDateMdy, true);
  field.SetDate({2003, 4, 7});
  field.SelectSegment(0);
  EXPECT_EQ(Selected(field), "04");
  Press(&field, 'R');
  EXPECT_EQ(Selected(field), "07");
  Press(&field, 'R');
  EXPECT_EQ(Selected(field), "2003");
}

// A click selects the segment under the caret; in a numeric field the whole
// text.
TEST(SegmentedField, ClickSelectsTheSegmentUnderTheCaret) {
  DateField field(kDateMdy, true);
  field.SetDate({2003, 4, 7});
  field.resize(field.sizeHint());
  field.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&field));
  QLineEdit* edit = field.findChild<QLineEdit*>();
  const int y = edit->height() / 2;
  // The first point whose caret position is `caret`.
  auto point_of = [&](int caret) {
    for (int x = 0; x < edit->width(); ++x) {
      if (edit->cursorPositionAt(QPoint(x, y)) == caret) return QPoint(x, y);
    }
    ADD_FAILURE() << "no point for caret " << caret;
    return QPoint(0, y);
  };
  struct Click {
    int caret;
    int segment;
    const char* selected;
  };
  const Click clicks[] = {{8, 2, "2003"}, {4, 1, "07"}, {1, 0, "04"}};
  for (const Click& c : clicks) {
    QTest::mouseClick(edit, Qt::LeftButton, {}, point_of(c.caret));
    EXPECT_EQ(field.segment(), c.segment) << c.caret;
    EXPECT_EQ(Selected(field), c.selected) << c.caret;
  }
  NumericField minutes(NumericField::Kind::kReminderMinutes);
  minutes.SetValue(42);
  minutes.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&minutes));
  QLineEdit* number = minutes.findChild<QLineEdit*>();
  QTest::mouseClick(number, Qt::LeftButton, {}, QPoint(number->width() / 2, number->height() / 2));
  EXPECT_EQ(Selected(minutes), "42");
}

struct CorrectionCase {
  const char* name;
  bool with_year;
  DateValue start;
  const char* shown_after;
  bool valid_before;
};

TEST(DateField, LeavingBringsTheDateIntoRangeDownwards) {
  const CorrectionCase cases[] = {
      {"day 0 becomes the month's last day", true, {2001, 2, 0}, "02/28/2001", false},
      {"day 31 of April becomes 30", true, {2001, 4, 31}, "04/30/2001", false},
      {"29 February of a common year becomes 28", true, {2001, 2, 29}, "02/28/2001", false},
      {"a year out of range becomes 2150", true, {9, 5, 5}, "05/05/2150", false},
      {"month 0 becomes December", true, {2001, 0, 5}, "12/05/2001", false},
      {"29 February without year stays", false, {2001, 2, 29}, "02/29", true},
      {"a valid date stays", true, {2004, 2, 29}, "02/29/2004", true},
  };
  for (const CorrectionCase& c : cases) {
    DateField field(kDateMdy, c.with_year);
    field.SetDate(c.start);
    EXPECT_EQ(field.IsValid(), c.valid_before) << c.name;
    field.Commit();
    EXPECT_EQ(Shown(field), c.shown_after) << c.name;
    EXPECT_TRUE(field.IsValid()) << c.name;
  }
}

TEST(DateField, FocusLeavingCorrectsAndArrowButtonsStep) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* field = new DateField(kDateMdy, true);
  auto* other = new DateField(kDateMdy, true);
  layout->addWidget(field);
  layout->addWidget(other);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  field->setFocus();
  QApplication::processEvents();
  field->SetDate({2001, 2, 5});
  field->SelectSegment(1);
  Press(field, '3');
  Press(field, '0');
  EXPECT_EQ(Shown(*field), "02/00/2001");
  QTest::keyClick(field, Qt::Key_Tab);  // Tab leaves the field
  EXPECT_EQ(QApplication::focusWidget(), other);
  EXPECT_EQ(Shown(*field), "02/28/2001");
  // The spin arrows act as Up and Down on the selected segment.
  other->SetDate({2001, 12, 31});
  other->SelectSegment(1);
  other->stepBy(1);
  EXPECT_EQ(Shown(*other), "01/01/2002");
  other->stepBy(-1);
  EXPECT_EQ(Shown(*other), "12/31/2001");
}

struct TimeCase {
  const char* name;
  int display_hour;
  TimeValue start;
  int segment;
  const char* keys;
  std::vector<std::string> shown;
  int final_segment;
};

TEST(TimeField, KeySequences) {
  const TimeCase cases[] = {
      {"minute up at 23:59 wraps the day", kHour24, {23, 59}, 1, "U", {"00:00"}, 1},
      {"minute down at 00:00 wraps back", kHour24, {0, 0}, 1, "D", {"23:59"}, 1},
      {"hour up wraps 23 to 0", kHour24, {23, 10}, 0, "U", {"00:10"}, 0},
      {"no wrapping of the segment choice",
       kHour24,
       {8, 0},
       0,
       "RRL",
       {"08:00", "08:00", "08:00"},
       0},
      {"24-hour digits", kHour24, {9, 0}, 0, "234", {"02:00", "23:00", "04:00"}, 0},
      {"12-hour digits", kHour12, {10, 0}, 0, "123", {"01:00 AM", "12:00 AM", "03:00 AM"}, 0},
      {"minute digits", kHour24, {8, 0}, 1, "7596", {"08:07", "08:05", "08:59", "08:06"}, 1},
      {"AM/PM by key and digit",
       kHour12,
       {23, 30},
       2,
       "U1052",
       {"11:30 AM", "11:30 PM", "11:30 AM", "11:30 AM", "11:30 AM"},
       2},
      {"hour up from 11 AM gives noon", kHour12, {11, 0}, 0, "U", {"12:00 PM"}, 0},
      {"hour down from midnight gives 11 PM", kHour12, {0, 15}, 0, "D", {"11:15 PM"}, 0},
  };
  for (const TimeCase& c : cases) {
    TimeField field(c.display_hour);
    field.SetTime(c.start);
    field.SelectSegment(c.segment);
    ASSERT_EQ(std::string(c.keys).size(), c.shown.size()) << c.name;
    for (size_t i = 0; i < c.shown.size(); ++i) {
      Press(&field, c.keys[i]);
      EXPECT_EQ(Shown(field), c.shown[i]) << c.name << ", key " << i;
    }
    EXPECT_EQ(field.segment(), c.final_segment) << c.name;
  }
}

TEST(TimeField, LeavingShowsTheTimeInTheDisplayFormat) {
  TimeField field(kHour12);
  field.SetTime({13, 30});
  field.SelectSegment(0);
  Press(&field, '1');  // 01 PM
  Press(&field, '0');  // 10 PM
  Press(&field, '0');  // 00 PM: noon once read
  EXPECT_EQ(Shown(field), "00:30 PM");
  EXPECT_EQ(field.time(), (TimeValue{12, 30}));
  field.Commit();
  EXPECT_EQ(Shown(field), "12:30 PM");
}

struct NumberCase {
  const char* name;
  NumericField::Kind kind;
  int start;
  const char* keys;
  std::vector<std::string> shown;
};

TEST(NumericField, KeySequences) {
  using Kind = NumericField::Kind;
  const NumberCase cases[] = {
      {"reminder minutes typed 1, 2, 3", Kind::kReminderMinutes, 0, "123", {"01", "12", "23"}},
      {"reminder minutes wrap", Kind::kReminderMinutes, 99, "UD", {"00", "99"}},
      {"reminder days take the digit", Kind::kReminderDays, 3, "70", {"7", "0"}},
      {"reminder days wrap", Kind::kReminderDays, 9, "UD", {"0", "9"}},
      {"priority 0 gives 1", Kind::kPriority, 5, "0", {"1"}},
      {"priority up on 9 gives 1", Kind::kPriority, 9, "U", {"1"}},
      {"priority down on 1 gives 9", Kind::kPriority, 1, "D", {"9"}},
      {"arrows left and right change nothing", Kind::kPriority, 4, "LR", {"4", "4"}},
  };
  for (const NumberCase& c : cases) {
    NumericField field(c.kind);
    field.SetValue(c.start);
    for (size_t i = 0; i < c.shown.size(); ++i) {
      Press(&field, c.keys[i]);
      EXPECT_EQ(Shown(field), c.shown[i]) << c.name << ", key " << i;
    }
  }
}

TEST(NumericField, LeavingClampsAndDisabledReadsZero) {
  NumericField priority(NumericField::Kind::kPriority);
  priority.SetValue(16);  // a damaged record's nibble
  EXPECT_FALSE(priority.IsValid());
  priority.Commit();
  EXPECT_EQ(Shown(priority), "9");
  NumericField days(NumericField::Kind::kReminderDays);
  days.SetValue(12);
  days.Commit();
  EXPECT_EQ(Shown(days), "9");
  NumericField minutes(NumericField::Kind::kReminderMinutes);
  minutes.SetValue(7);
  minutes.setEnabled(false);
  EXPECT_EQ(Shown(minutes), "0");
  Press(&minutes, 'U');  // a disabled field takes nothing
  minutes.setEnabled(true);
  EXPECT_EQ(Shown(minutes), "07");
}

}  // namespace
}  // namespace kivo
