#include "format/time_format.h"

#include <array>
#include <cstdint>

#include <gtest/gtest.h>

namespace kivo {
namespace {

struct FormatCase {
  TimeValue time;
  const char* hour12;
  const char* hour24;
};

const FormatCase kFormatCases[] = {
    {{0, 5}, "12:05 AM", "00:05"},
    {{0, 0}, "12:00 AM", "00:00"},
    {{1, 0}, "01:00 AM", "01:00"},
    {{9, 30}, "09:30 AM", "09:30"},
    {{11, 59}, "11:59 AM", "11:59"},
    {{12, 0}, "12:00 PM", "12:00"},
    {{12, 30}, "12:30 PM", "12:30"},
    {{13, 45}, "01:45 PM", "13:45"},
    {{23, 59}, "11:59 PM", "23:59"},
    // Hours no valid record has: no AM/PM reading, printed as they are.
    {{24, 0}, "24:00", "24:00"},
    {{165, 165}, "165:165", "165:165"},
    {{-1, 0}, "-1:00", "-1:00"},
};

TEST(FormatTime, WritesBothHourModes) {
  for (const FormatCase& c : kFormatCases) {
    EXPECT_EQ(FormatTime(c.time, kHour12), c.hour12) << c.time.hour << ":" << c.time.minute;
    EXPECT_EQ(FormatTime(c.time, kHour24), c.hour24) << c.time.hour << ":" << c.time.minute;
  }
  // Unknown modes read as 12-hour.
  EXPECT_EQ(FormatTime(13, 45, 7), "01:45 PM");
}

TEST(FormatTime, DecodesRecordBytes) {
  const std::array<uint8_t, 2> morning{0x09, 0x05};
  const std::array<uint8_t, 2> evening{0x21, 0x30};
  const std::array<uint8_t, 2> damaged{0xFA, 0x9F};
  EXPECT_EQ(FormatTime(morning, kHour12), "09:05 AM");
  EXPECT_EQ(FormatTime(evening, kHour12), "09:30 PM");
  EXPECT_EQ(FormatTime(evening, kHour24), "21:30");
  EXPECT_EQ(TimeFromBcd(damaged), (TimeValue{160, 105}));
  EXPECT_EQ(FormatTime(damaged, kHour12), "160:105");
}

struct ParseCase {
  const char* text;
  bool raw_hour;
  bool valid;
  TimeValue time;
  bool no_marker;
};

const ParseCase kParseCases[] = {
    {"9:05 pm", false, true, {21, 5}, false},
    {"12:30AM", false, true, {0, 30}, false},
    {"0:30 PM", false, true, {12, 30}, false},
    {"12:00 PM", false, true, {12, 0}, false},
    {"13:00 AM", false, true, {13, 0}, false},
    {"13:00 PM", false, false, {}, false},
    {"1330", false, false, {}, false},
    {"AM 9:05", false, false, {}, false},
    {"13:45", false, true, {13, 45}, true},
    {"00:00", false, true, {0, 0}, true},
    {" 0 9 : 0 5 a m ", false, true, {9, 5}, false},
    {"09:05 AM", false, true, {9, 5}, false},
    {"01:45 PM", false, true, {13, 45}, false},
    // With the raw-hour flag the marker does not move the hour.
    {"9:05 PM", true, true, {9, 5}, false},
    {"12:30 AM", true, true, {12, 30}, false},
    {"13:00 PM", true, true, {13, 0}, false},
    // Range.
    {"24:00", false, false, {}, true},
    {"23:60", false, false, {}, true},
    {"11:59 PM", false, true, {23, 59}, false},
    // Fields: one digit, "0" and one character, or 1..9 and a digit.
    {"9:5", false, true, {9, 5}, true},
    {"10:0:", false, true, {10, 0}, true},
    {"123:00", false, false, {}, false},
    {"1:234", false, false, {}, false},
    {":30", false, false, {}, false},
    {"10:", false, false, {}, false},
    {"5::", false, false, {}, false},
    // Anything but digits, colons and a final marker fails.
    {"9.05", false, false, {}, false},
    {"9:05 XM", false, false, {}, false},
    {"9:05 AMAM", false, false, {}, false},
    {"9:05 PMX", false, false, {}, false},
    {"9:0A5M", false, false, {}, false},
    {"9:05 MA", false, false, {}, false},
    {"AM", false, false, {}, false},
    {"", false, false, {}, false},
};

TEST(ParseTime, ReadsMarkersFieldsAndRanges) {
  for (const ParseCase& c : kParseCases) {
    TimeValue time{-1, -1};
    bool no_marker = !c.no_marker;
    EXPECT_EQ(ParseTime(c.text, c.raw_hour, &time, &no_marker), c.valid) << '"' << c.text << '"';
    EXPECT_EQ(time, c.time) << '"' << c.text << '"';
    if (c.valid) {
      EXPECT_EQ(no_marker, c.no_marker) << '"' << c.text << '"';
    }
  }
}

TEST(ParseTime, ReadsBackEveryFormattedTime) {
  for (int hour = 0; hour < 24; ++hour) {
    for (int minute = 0; minute < 60; ++minute) {
      for (int mode : {kHour12, kHour24}) {
        TimeValue back;
        bool no_marker = false;
        ASSERT_TRUE(ParseTime(FormatTime(hour, minute, mode), false, &back, &no_marker));
        EXPECT_EQ(back, (TimeValue{hour, minute}));
        EXPECT_EQ(no_marker, mode == kHour24);
      }
    }
  }
}

struct CheckCase {
  TimeValue in;
  CheckMode mode;
  bool valid;
  TimeValue out;
};

const CheckCase kCheckCases[] = {
    {{23, 59}, CheckMode::kCheckOnly, true, {23, 59}},
    {{24, 60}, CheckMode::kUp, false, {0, 0}},
    {{24, 60}, CheckMode::kDown, false, {23, 59}},
    {{24, 60}, CheckMode::kCheckOnly, false, {24, 60}},
    {{10, 75}, CheckMode::kDown, false, {10, 59}},
    {{-2, -5}, CheckMode::kUp, false, {0, 0}},
    {{-2, 30}, CheckMode::kDown, false, {23, 30}},
};

TEST(CheckTime, CorrectsOrRefusesOutOfRangeValues) {
  for (const CheckCase& c : kCheckCases) {
    TimeValue time = c.in;
    EXPECT_EQ(CheckTime(time, c.mode), c.valid) << c.in.hour << ":" << c.in.minute;
    EXPECT_EQ(time, c.out) << c.in.hour << ":" << c.in.minute;
  }
  int minute = 61;
  EXPECT_FALSE(CheckTime(nullptr, &minute, CheckMode::kUp));
  EXPECT_EQ(minute, 0);
}

struct StepCase {
  TimeValue in;
  TimeStep step;
  bool valid;
  TimeValue out;
};

const StepCase kStepCases[] = {
    {{10, 20}, TimeStep::kHourUp, true, {11, 20}},
    {{23, 20}, TimeStep::kHourUp, true, {0, 20}},
    {{10, 20}, TimeStep::kHourDown, true, {9, 20}},
    {{0, 20}, TimeStep::kHourDown, true, {23, 20}},
    {{10, 20}, TimeStep::kMinuteUp, true, {10, 21}},
    {{10, 59}, TimeStep::kMinuteUp, true, {11, 0}},
    {{23, 59}, TimeStep::kMinuteUp, true, {0, 0}},
    {{10, 20}, TimeStep::kMinuteDown, true, {10, 19}},
    {{10, 0}, TimeStep::kMinuteDown, true, {9, 59}},
    {{0, 0}, TimeStep::kMinuteDown, true, {23, 59}},
    {{10, 45}, TimeStep::kHalfHourUp, true, {11, 15}},
    {{10, 15}, TimeStep::kHalfHourUp, true, {10, 45}},
    {{10, 30}, TimeStep::kHalfHourUp, true, {11, 0}},
    {{23, 45}, TimeStep::kHalfHourUp, true, {0, 15}},
    {{3, 10}, TimeStep::kAmPm, true, {15, 10}},
    {{0, 10}, TimeStep::kAmPm, true, {12, 10}},
    {{12, 10}, TimeStep::kAmPm, true, {0, 10}},
    {{23, 10}, TimeStep::kAmPm, true, {11, 10}},
    // Normalised first: upwards for hour and minute up, downwards otherwise.
    {{30, 70}, TimeStep::kHourUp, false, {1, 0}},
    {{30, 70}, TimeStep::kMinuteUp, false, {0, 1}},
    {{30, 70}, TimeStep::kHourDown, false, {22, 59}},
    {{30, 70}, TimeStep::kHalfHourUp, false, {0, 29}},
    {{30, 70}, TimeStep::kAmPm, false, {11, 59}},
};

TEST(StepTime, StepsWithWrapAndCarry) {
  for (const StepCase& c : kStepCases) {
    TimeValue time = c.in;
    EXPECT_EQ(StepTime(time, c.step), c.valid)
        << c.in.hour << ":" << c.in.minute << " step " << int(c.step);
    EXPECT_EQ(time, c.out) << c.in.hour << ":" << c.in.minute << " step " << int(c.step);
  }
}

TEST(StepTime, MissingValuesStartFromThree) {
  int hour = 7;
  EXPECT_TRUE(StepTime(&hour, nullptr, TimeStep::kAmPm));
  EXPECT_EQ(hour, 19);
  int minute = 59;
  EXPECT_TRUE(StepTime(nullptr, &minute, TimeStep::kMinuteUp));
  EXPECT_EQ(minute, 0);
}

TEST(StepTime, MinuteStepsWalkTheWholeDay) {
  TimeValue up{0, 0};
  TimeValue down{0, 0};
  for (int i = 0; i < 24 * 60; ++i) {
    ASSERT_TRUE(StepTime(up, TimeStep::kMinuteUp));
    ASSERT_TRUE(StepTime(down, TimeStep::kMinuteDown));
    ASSERT_EQ(up.hour * 60 + up.minute, (i + 1) % (24 * 60));
    ASSERT_EQ(down.hour * 60 + down.minute, (24 * 60 - i - 1) % (24 * 60));
  }
}

}  // namespace
}  // namespace kivo
