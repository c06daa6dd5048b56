#include "format/date_format.h"

#include <array>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace kivo {
namespace {

struct FormatCase {
  DateValue date;
  int display_date;
  bool with_year;
  const char* text;
};

const FormatCase kFormatCases[] = {
    {{2001, 12, 31}, kDateMdy, true, "12/31/2001"},
    {{2001, 12, 31}, kDateDmy, true, "31.12.2001"},
    {{2001, 12, 31}, kDateYmd, true, "2001.12.31"},
    {{2001, 12, 31}, kDateMdy, false, "12/31"},
    {{2001, 12, 31}, kDateDmy, false, "31.12"},
    // Month before day without year, unlike mode 1.
    {{2001, 12, 31}, kDateYmd, false, "12.31"},
    {{2002, 1, 5}, kDateMdy, true, "01/05/2002"},
    {{2002, 1, 5}, kDateDmy, false, "05.01"},
    // "%4d": a short year is padded with blanks, a long one printed whole.
    {{999, 1, 5}, kDateYmd, true, " 999.01.05"},
    {{16665, 165, 99}, kDateMdy, true, "165/99/16665"},
    // Unknown modes read as mm/dd/yyyy.
    {{2001, 12, 31}, 3, true, "12/31/2001"},
    {{2001, 12, 31}, -1, false, "12/31"},
};

TEST(FormatDate, WritesEveryModeWithAndWithoutYear) {
  for (const FormatCase& c : kFormatCases) {
    EXPECT_EQ(FormatDate(c.date, c.display_date, c.with_year), c.text)
        << c.date.year << "-" << c.date.month << "-" << c.date.day << " mode " << c.display_date;
  }
}

struct BcdCase {
  std::array<uint8_t, 4> bytes;
  DateValue date;
  const char* mdy;
};

const BcdCase kBcdCases[] = {
    {{0x20, 0x01, 0x12, 0x31}, {2001, 12, 31}, "12/31/2001"},
    {{0x19, 0x50, 0x01, 0x01}, {1950, 1, 1}, "01/01/1950"},
    {{0x21, 0x50, 0x02, 0x28}, {2150, 2, 28}, "02/28/2150"},
    // Damaged bytes: nibbles above 9 are weighed as written, never refused.
    {{0xFF, 0xFF, 0xFF, 0xFF}, {16665, 165, 165}, "165/165/16665"},
    {{0x2A, 0x0F, 0x1A, 0x00}, {3015, 20, 0}, "20/00/3015"},
    {{0x00, 0x00, 0x00, 0x00}, {0, 0, 0}, "00/00/   0"},
};

TEST(FormatDate, DecodesRecordBytes) {
  for (const BcdCase& c : kBcdCases) {
    EXPECT_EQ(DateFromBcd(c.bytes), c.date) << c.mdy;
    EXPECT_EQ(FormatDate(c.bytes, kDateMdy, true), c.mdy);
  }
  const std::array<uint8_t, 4> eve{0x20, 0x01, 0x12, 0x24};
  EXPECT_EQ(FormatDate(eve, kDateDmy, false), "24.12");
  EXPECT_EQ(FormatDate(eve, kDateYmd, true), "2001.12.24");
}

struct ParseCase {
  const char* text;
  int display_date;
  bool with_year;
  bool year_check;
  bool valid;
  DateValue date;  // what comes back, valid or not
};

// Today is fixed at 2003-06-15 for the dates without year.
const ParseCase kParseCases[] = {
    {"12/31/2001", kDateMdy, true, true, true, {2001, 12, 31}},
    {"31.12.2001", kDateDmy, true, true, true, {2001, 12, 31}},
    {"2001.12.31", kDateYmd, true, true, true, {2001, 12, 31}},
    {"12/31", kDateMdy, false, false, true, {2003, 12, 31}},
    {"31.12", kDateDmy, false, false, true, {2003, 12, 31}},
    {"12.31", kDateYmd, false, false, true, {2003, 12, 31}},
    // Single-digit parts, blanks anywhere.
    {"1/5/2002", kDateMdy, true, true, true, {2002, 1, 5}},
    {" 1 / 5 / 2 0 0 2 ", kDateMdy, true, true, true, {2002, 1, 5}},
    {"5.1.2002", kDateDmy, true, true, true, {2002, 1, 5}},
    // The year has exactly four digits.
    {"12/31/01", kDateMdy, true, true, false, {}},
    {"12/31/02001", kDateMdy, true, true, false, {}},
    {"12/31/20x1", kDateMdy, true, false, false, {}},
    {"01.12.31", kDateYmd, true, true, false, {}},
    // 29 February: without year and without year check in any year; with the
    // year check only in leap years.
    {"2/29", kDateMdy, false, false, true, {2003, 2, 29}},
    {"02/29/2001", kDateMdy, true, true, false, {2001, 2, 29}},
    {"02/29/2000", kDateMdy, true, true, true, {2000, 2, 29}},
    {"02/29/2100", kDateMdy, true, true, false, {2100, 2, 29}},
    {"02/29/2001", kDateMdy, true, false, true, {2001, 2, 29}},
    // Years outside 1950..2150 pass only without the year check.
    {"01/01/1949", kDateMdy, true, true, false, {1949, 1, 1}},
    {"01/01/1949", kDateMdy, true, false, true, {1949, 1, 1}},
    {"12/31/2150", kDateMdy, true, true, true, {2150, 12, 31}},
    {"01/01/2151", kDateMdy, true, true, false, {2151, 1, 1}},
    // Out of range values are read, then refused by the check.
    {"13/01/2001", kDateMdy, true, true, false, {2001, 13, 1}},
    {"04/31/2001", kDateMdy, true, true, false, {2001, 4, 31}},
    {"00/10/2001", kDateMdy, true, true, false, {2001, 0, 10}},
    // "0" and a non-digit reads as 0.
    {"0x/10/2001", kDateMdy, true, true, false, {2001, 0, 10}},
    // Malformed fields.
    {"123/1/2001", kDateMdy, true, true, false, {}},
    {"1a/1/2001", kDateMdy, true, true, false, {}},
    {"/1/2001", kDateMdy, true, true, false, {}},
    {"", kDateMdy, true, true, false, {}},
    {"", kDateMdy, false, false, false, {}},
    {"12", kDateMdy, false, false, false, {}},
    // The separator belongs to the mode.
    {"12.31.2001", kDateMdy, true, true, false, {}},
    {"31/12/2001", kDateDmy, true, true, false, {}},
    // Modes 0 and 1 must end right after the last part...
    {"12/31/", kDateMdy, false, false, false, {}},
    {"12/31/2001", kDateMdy, false, false, false, {}},
    // ... mode 2 ignores what follows the day.
    {"2001.12.31.99", kDateYmd, true, true, true, {2001, 12, 31}},
    {"12.31.2001", kDateYmd, false, false, true, {2003, 12, 31}},
    {"2001.12", kDateYmd, true, true, false, {}},
    {"2001-12.31", kDateYmd, true, true, false, {}},
};

TEST(ParseDate, ReadsTextsOfEveryMode) {
  const DateValue today{2003, 6, 15};
  for (const ParseCase& c : kParseCases) {
    DateValue date{-1, -1, -1};
    EXPECT_EQ(ParseDate(c.text, c.display_date, c.with_year, c.year_check, today, &date), c.valid)
        << '"' << c.text << "\" mode " << c.display_date;
    EXPECT_EQ(date, c.date) << '"' << c.text << '"';
  }
}

TEST(ParseDate, YearlessDateTakesTodaysYear) {
  DateValue date;
  ASSERT_TRUE(ParseDate("24.12", kDateDmy, false, false, {2150, 1, 1}, &date));
  EXPECT_EQ(date, (DateValue{2150, 12, 24}));
  // Outside the organizer's years the parse still passes without year check.
  ASSERT_TRUE(ParseDate("24.12", kDateDmy, false, false, {2200, 1, 1}, &date));
  EXPECT_EQ(date.year, 2200);
}

TEST(ParseDate, ReadsBackEveryFormattedDate) {
  const DateValue today{2004, 3, 1};
  for (int mode : {kDateMdy, kDateDmy, kDateYmd}) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= DaysInMonth(2004, month); ++day) {
        const DateValue date{2004, month, day};
        DateValue back;
        ASSERT_TRUE(ParseDate(FormatDate(date, mode, true), mode, true, true, today, &back));
        EXPECT_EQ(back, date);
        ASSERT_TRUE(ParseDate(FormatDate(date, mode, false), mode, false, false, today, &back));
        EXPECT_EQ(back, date);
      }
    }
  }
}

struct CheckCase {
  DateValue in;
  CheckMode mode;
  bool valid;
  DateValue out;
};

const CheckCase kCheckCases[] = {
    {{2001, 12, 31}, CheckMode::kCheckOnly, true, {2001, 12, 31}},
    {{1949, 12, 31}, CheckMode::kUp, false, {1950, 12, 31}},
    {{1949, 12, 31}, CheckMode::kDown, false, {2150, 12, 31}},
    {{2151, 13, 40}, CheckMode::kCheckOnly, false, {2151, 13, 40}},
    {{2001, 0, 5}, CheckMode::kUp, false, {2001, 1, 5}},
    {{2001, 13, 5}, CheckMode::kDown, false, {2001, 12, 5}},
    {{2001, -3, 5}, CheckMode::kUp, false, {2001, 1, 5}},
    {{2001, 2, 29}, CheckMode::kUp, false, {2001, 2, 1}},
    {{2001, 2, 29}, CheckMode::kDown, false, {2001, 2, 28}},
    {{2001, 2, 29}, CheckMode::kCheckOnly, false, {2001, 2, 29}},
    {{2004, 2, 29}, CheckMode::kCheckOnly, true, {2004, 2, 29}},
    {{2000, 2, 29}, CheckMode::kCheckOnly, true, {2000, 2, 29}},
    {{2100, 2, 29}, CheckMode::kDown, false, {2100, 2, 28}},
    {{2001, 4, 0}, CheckMode::kDown, false, {2001, 4, 30}},
    {{2001, 4, 0}, CheckMode::kUp, false, {2001, 4, 1}},
    {{2001, 4, -7}, CheckMode::kDown, false, {2001, 4, 30}},
    // A corrected year decides February's length: 1949 -> 2150 is no leap year.
    {{1949, 2, 29}, CheckMode::kDown, false, {2150, 2, 28}},
    // Every fault is corrected in one call.
    {{0, 99, 99}, CheckMode::kDown, false, {2150, 12, 31}},
    {{0, 99, 99}, CheckMode::kUp, false, {1950, 1, 1}},
};

TEST(CheckDate, CorrectsOrRefusesOutOfRangeValues) {
  for (const CheckCase& c : kCheckCases) {
    DateValue date = c.in;
    EXPECT_EQ(CheckDate(date, c.mode), c.valid)
        << c.in.year << "-" << c.in.month << "-" << c.in.day << " mode " << int(c.mode);
    EXPECT_EQ(date, c.out) << c.in.year << "-" << c.in.month << "-" << c.in.day;
  }
}

TEST(CheckDate, ChecksOnlyTheValuesGiven) {
  int year = 1800;
  int month = 2;
  int day = 29;
  // Without a year February has 28 days.
  EXPECT_FALSE(CheckDate(nullptr, &month, &day, CheckMode::kDown));
  EXPECT_EQ(day, 28);
  // Without a month every day up to 31 passes.
  day = 31;
  EXPECT_TRUE(CheckDate(nullptr, nullptr, &day, CheckMode::kCheckOnly));
  day = 32;
  EXPECT_FALSE(CheckDate(nullptr, nullptr, &day, CheckMode::kDown));
  EXPECT_EQ(day, 31);
  EXPECT_FALSE(CheckDate(&year, nullptr, nullptr, CheckMode::kUp));
  EXPECT_EQ(year, 1950);
  EXPECT_TRUE(CheckDate(nullptr, nullptr, nullptr, CheckMode::kCheckOnly));
}

struct StepCase {
  DateValue in;
  DateStep step;
  bool valid;
  DateValue out;
};

const StepCase kStepCases[] = {
    {{2001, 6, 15}, DateStep::kYearUp, true, {2002, 6, 15}},
    {{2150, 6, 15}, DateStep::kYearUp, true, {1950, 6, 15}},
    {{2004, 2, 29}, DateStep::kYearUp, true, {2005, 2, 1}},
    {{2001, 6, 15}, DateStep::kYearDown, true, {2000, 6, 15}},
    {{1950, 6, 15}, DateStep::kYearDown, true, {2150, 6, 15}},
    {{2004, 2, 29}, DateStep::kYearDown, true, {2003, 2, 28}},
    {{2001, 6, 15}, DateStep::kMonthUp, true, {2001, 7, 15}},
    {{2001, 12, 15}, DateStep::kMonthUp, true, {2002, 1, 15}},
    {{2150, 12, 15}, DateStep::kMonthUp, true, {1950, 1, 15}},
    {{2001, 1, 31}, DateStep::kMonthUp, true, {2001, 2, 1}},
    {{2001, 6, 15}, DateStep::kMonthDown, true, {2001, 5, 15}},
    {{2001, 1, 15}, DateStep::kMonthDown, true, {2000, 12, 15}},
    {{1950, 1, 15}, DateStep::kMonthDown, true, {2150, 12, 15}},
    {{2000, 3, 31}, DateStep::kMonthDown, true, {2000, 2, 29}},
    {{2001, 6, 15}, DateStep::kDayUp, true, {2001, 6, 16}},
    {{2001, 2, 28}, DateStep::kDayUp, true, {2001, 3, 1}},
    {{2004, 2, 28}, DateStep::kDayUp, true, {2004, 2, 29}},
    {{2001, 12, 31}, DateStep::kDayUp, true, {2002, 1, 1}},
    {{2150, 12, 31}, DateStep::kDayUp, true, {1950, 1, 1}},
    {{2001, 6, 15}, DateStep::kDayDown, true, {2001, 6, 14}},
    {{2000, 3, 1}, DateStep::kDayDown, true, {2000, 2, 29}},
    {{2001, 3, 1}, DateStep::kDayDown, true, {2001, 2, 28}},
    {{2001, 1, 1}, DateStep::kDayDown, true, {2000, 12, 31}},
    {{1950, 1, 1}, DateStep::kDayDown, true, {2150, 12, 31}},
    // Out-of-range dates are first brought into range, upwards for the Up
    // steps and downwards for the Down steps; the result tells they were not.
    {{2001, 2, 30}, DateStep::kDayUp, false, {2001, 2, 2}},
    {{2001, 2, 30}, DateStep::kDayDown, false, {2001, 2, 27}},
    {{1900, 13, 0}, DateStep::kYearUp, false, {1951, 1, 1}},
    {{1900, 13, 0}, DateStep::kYearDown, false, {2149, 12, 31}},
    {{0, 0, 0}, DateStep::kMonthUp, false, {1950, 2, 1}},
};

TEST(StepDate, StepsWithWrapAndCarry) {
  for (const StepCase& c : kStepCases) {
    DateValue date = c.in;
    EXPECT_EQ(StepDate(date, c.step), c.valid)
        << c.in.year << "-" << c.in.month << "-" << c.in.day << " step " << int(c.step);
    EXPECT_EQ(date, c.out) << c.in.year << "-" << c.in.month << "-" << c.in.day << " step "
                           << int(c.step);
  }
}

TEST(StepDate, MissingValuesStartFromTheDefaults) {
  int day = 31;
  // Year and month default to 2001 and 3: 31 March + 1 day is 1 April.
  EXPECT_TRUE(StepDate(nullptr, nullptr, &day, DateStep::kDayUp));
  EXPECT_EQ(day, 1);
  int month = 12;
  EXPECT_TRUE(StepDate(nullptr, &month, nullptr, DateStep::kMonthUp));
  EXPECT_EQ(month, 1);
  int year = 2150;
  int month2 = 2;
  EXPECT_TRUE(StepDate(&year, &month2, nullptr, DateStep::kMonthDown));
  EXPECT_EQ(year, 2150);
  EXPECT_EQ(month2, 1);
}

TEST(StepDate, YearlessFieldsReach29FebruaryIn2004) {
  DateValue date{2004, 2, 28};
  (void)StepDate(date, DateStep::kDayUp);
  EXPECT_EQ(date, (DateValue{2004, 2, 29}));
  (void)StepDate(date, DateStep::kDayUp);
  EXPECT_EQ(date, (DateValue{2004, 3, 1}));
}

TEST(StepDate, DayStepsVisitEveryDayOfTheRange) {
  // Up from 1 January 1950 the whole range is walked once and wraps round;
  // Down walks it back. Every date met is valid.
  DateValue up{1950, 1, 1};
  DateValue down{1950, 1, 1};
  int days = 0;
  do {
    ASSERT_TRUE(StepDate(up, DateStep::kDayUp)) << up.year << "-" << up.month << "-" << up.day;
    ASSERT_TRUE(StepDate(down, DateStep::kDayDown));
    ++days;
  } while (up != DateValue{1950, 1, 1} && days < 80000);
  EXPECT_EQ(down, (DateValue{1950, 1, 1}));
  // 201 years from 1950 to 2150, 49 of them leap years (2000 is, 2100 is not).
  EXPECT_EQ(days, 201 * 365 + 49);
}

TEST(DaysInMonth, KnowsLeapYears) {
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2004, 2), 29);
  EXPECT_EQ(DaysInMonth(2003, 2), 28);
  EXPECT_EQ(DaysInMonth(2003, 4), 30);
  EXPECT_EQ(DaysInMonth(2003, 0), 0);
  EXPECT_EQ(DaysInMonth(2003, 13), 0);
}

}  // namespace
}  // namespace kivo
