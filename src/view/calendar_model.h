#ifndef KIVO_VIEW_CALENDAR_MODEL_H_
#define KIVO_VIEW_CALENDAR_MODEL_H_

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/display_modes.h"
#include "view/appli_records.h"

namespace kivo {

// ---- days ------------------------------------------------------------------------

// Days counted from 1 January 1970 (day 0); earlier days are negative.
[[nodiscard]] int DayNumber(int year, int month, int day);
[[nodiscard]] DateValue DateOfDay(int day_number);
// 0 Monday .. 6 Sunday.
[[nodiscard]] int WeekdayOf(int day_number);
// The first day of a week: Sunday where dates are written month first
// (mm/dd/yyyy), Monday otherwise. The weekday number as WeekdayOf gives it.
[[nodiscard]] int FirstWeekday(int display_date);
// The first day of the week holding `day`.
[[nodiscard]] int WeekStart(int day_number, int display_date);
// A month page shows six weeks from the start of the week holding the 1st.
inline constexpr int kMonthPageDays = 42;
[[nodiscard]] int MonthPageStart(int year, int month, int display_date);
// "January" .. "December"; "Mon" .. "Sun" (weekday numbers as WeekdayOf).
[[nodiscard]] const char* MonthName(int month);
[[nodiscard]] const char* WeekdayName(int weekday);

// ---- entries ---------------------------------------------------------------------

// The applications a calendar shows, as a mask of bits (1 << AppliId).
inline constexpr uint8_t kCalendarAppliMask =
    (1u << kSchedule) | (1u << kAnniversary) | (1u << kToDo);

// One entry of a day: a Schedule entry at its date and times, an Anniversary
// on its day every year, a To Do on its due date.
struct CalendarEntry {
  AppliId appli = kSchedule;
  int position = 0;  // in the application's records at the last Sync
  int day = 0;       // Schedule and To Do: the day number of the date
  int month = 0;     // Anniversary: its month and day
  int month_day = 0;
  int start = 0;  // Schedule: minutes since midnight
  int end = 0;    // Schedule: not before start
  bool alarm = false;
  bool done = false;  // To Do
  int priority = 0;   // To Do, 1..
  std::string text;   // the description, PC coding
};

// The entries of the Schedule, Anniversary and To Do records per day, kept up
// to date with the records: Sync reads an application again only when its
// records changed, so a month switch costs a look-up of the days shown, not a
// pass over the records. Records whose date is no real date appear nowhere.
class CalendarModel {
 public:
  // Brings the entries up to date with the source's records of the three
  // applications. True when any of them changed.
  bool Sync(const RecordSource& source);

  // The entries of `count` days from `first`, one list per day. A day lists
  // its Anniversaries, then its To Dos (pending before done, by priority),
  // then its Schedule entries by start and end time; ties keep the records'
  // order. An Anniversary of 29 February shows on the 28th in other years.
  // `appli_mask` picks the applications (bits 1 << AppliId).
  [[nodiscard]] std::vector<std::vector<const CalendarEntry*>> Days(
      int first, int count, uint8_t appli_mask = kCalendarAppliMask) const;

  // The entry of a record, or null.
  [[nodiscard]] const CalendarEntry* Find(AppliId id, int position) const;
  // The record of an entry as it was at the last Sync, without terminator.
  [[nodiscard]] std::span<const uint8_t> Record(AppliId id, int position) const;
  // The position of the first entry whose record holds these bytes (with or
  // without terminator), or -1.
  [[nodiscard]] int PositionOf(AppliId id, std::span<const uint8_t> record) const;
  [[nodiscard]] int entry_count() const;

 private:
  struct Appli {
    RecordSnapshot snapshot;
    std::vector<CalendarEntry> entries;  // in display order (days: by day)
    std::vector<int> by_position;        // position -> entry index, or -1
  };
  void Read(AppliId id, Appli& appli);
  Appli& Of(AppliId id);
  const Appli& Of(AppliId id) const;

  Appli schedule_;
  Appli anniversary_;
  Appli todo_;
  // Anniversary entry indexes by month (1..12) and day (1..31).
  std::array<std::array<std::vector<int>, 32>, 13> anniversary_days_;
};

}  // namespace kivo

#endif  // KIVO_VIEW_CALENDAR_MODEL_H_
