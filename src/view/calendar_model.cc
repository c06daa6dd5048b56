#include "view/calendar_model.h"

#include <algorithm>
#include <tuple>

#include "format/date_format.h"
#include "store/record_codec.h"

namespace kivo {

// ---- days ------------------------------------------------------------------------

// The proleptic Gregorian calendar counted in days; eras of 400 years repeat.
int DayNumber(int year, int month, int day) {
  const int y = month <= 2 ? year - 1 : year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int year_of_era = y - era * 400;
  const int day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

DateValue DateOfDay(int day_number) {
  const int z = day_number + 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int day_of_era = z - era * 146097;
  const int year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int mp = (5 * day_of_year + 2) / 153;
  DateValue date;
  date.day = day_of_year - (153 * mp + 2) / 5 + 1;
  date.month = mp < 10 ? mp + 3 : mp - 9;
  date.year = year_of_era + era * 400 + (date.month <= 2 ? 1 : 0);
  return date;
}

int WeekdayOf(int day_number) {
  // 1 January 1970 was a Thursday.
  const int weekday = (day_number + 3) % 7;
  return weekday < 0 ? weekday + 7 : weekday;
}

int FirstWeekday(int display_date) { return NormalDisplayDate(display_date) == kDateMdy ? 6 : 0; }

int WeekStart(int day_number, int display_date) {
  const int back = (WeekdayOf(day_number) - FirstWeekday(display_date) + 7) % 7;
  return day_number - back;
}

int MonthPageStart(int year, int month, int display_date) {
  return WeekStart(DayNumber(year, month, 1), display_date);
}

const char* MonthName(int month) {
  static constexpr const char* kNames[] = {"January",   "February", "March",    "April",
                                           "May",       "June",     "July",     "August",
                                           "September", "October",  "November", "December"};
  return month >= 1 && month <= 12 ? kNames[month - 1] : "";
}

const char* WeekdayName(int weekday) {
  static constexpr const char* kNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  return weekday >= 0 && weekday < 7 ? kNames[weekday] : "";
}

// ---- entries ---------------------------------------------------------------------

namespace {

bool IsRealDate(const BcdDate& date) {
  int year = date.year();
  int month = date.month();
  int day = date.day();
  return CheckDate(&year, &month, &day, CheckMode::kCheckOnly);
}

// Minutes since midnight of a time; a damaged hour or minute is taken as the
// last one of the day.
int MinuteOfDay(const BcdTime& time) {
  return std::min(time.hour(), 23) * 60 + std::min(time.minute(), 59);
}

}  // namespace

CalendarModel::Appli& CalendarModel::Of(AppliId id) {
  return id == kSchedule ? schedule_ : id == kAnniversary ? anniversary_ : todo_;
}

const CalendarModel::Appli& CalendarModel::Of(AppliId id) const {
  return id == kSchedule ? schedule_ : id == kAnniversary ? anniversary_ : todo_;
}

void CalendarModel::Read(AppliId id, Appli& appli) {
  std::vector<CalendarEntry>& entries = appli.entries;
  entries.clear();
  const int count = appli.snapshot.count();
  entries.reserve(static_cast<size_t>(count));
  for (int position = 0; position < count; ++position) {
    const std::span<const uint8_t> record = appli.snapshot.record(position);
    CalendarEntry entry;
    entry.appli = id;
    entry.position = position;
    if (id == kSchedule) {
      ScheduleRecord r;
      if (DecodeScheduleRecord(record, &r) != 0 || !IsRealDate(r.date)) continue;
      entry.day = DayNumber(r.date.year(), r.date.month(), r.date.day());
      entry.start = MinuteOfDay(r.start_time);
      entry.end = std::max(MinuteOfDay(r.end_time), entry.start);
      entry.alarm = r.alarm_on();
      entry.text = std::move(r.description);
    } else if (id == kToDo) {
      ToDoRecord r;
      if (DecodeToDoRecord(record, &r) != 0 || !IsRealDate(r.due_date)) continue;
      entry.day = DayNumber(r.due_date.year(), r.due_date.month(), r.due_date.day());
      entry.done = r.done();
      entry.priority = r.priority();
      entry.text = std::move(r.description);
    } else {
      AnniversaryRecord r;
      if (DecodeAnniversaryRecord(record, &r) != 0) continue;
      // The year is not the anniversary's: any leap year lets 29 February pass.
      int month = r.date.month();
      int day = r.date.day();
      int leap_year = 2000;
      if (!CheckDate(&leap_year, &month, &day, CheckMode::kCheckOnly)) continue;
      entry.month = month;
      entry.month_day = day;
      entry.text = std::move(r.description);
    }
    entries.push_back(std::move(entry));
  }
  if (id == kSchedule) {
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
      return std::tie(a.day, a.start, a.end) < std::tie(b.day, b.start, b.end);
    });
  } else if (id == kToDo) {
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
      return std::tie(a.day, a.done, a.priority) < std::tie(b.day, b.done, b.priority);
    });
  } else {
    for (auto& month : anniversary_days_) {
      for (auto& day : month) day.clear();
    }
    for (size_t i = 0; i < entries.size(); ++i) {
      anniversary_days_[static_cast<size_t>(entries[i].month)]
                       [static_cast<size_t>(entries[i].month_day)]
                           .push_back(static_cast<int>(i));
    }
  }
  appli.by_position.assign(static_cast<size_t>(count), -1);
  for (size_t i = 0; i < entries.size(); ++i) {
    appli.by_position[static_cast<size_t>(entries[i].position)] = static_cast<int>(i);
  }
}

bool CalendarModel::Sync(const RecordSource& source) {
  bool changed = false;
  for (AppliId id : {kSchedule, kAnniversary, kToDo}) {
    Appli& appli = Of(id);
    if (appli.snapshot.Update(source(id))) {
      Read(id, appli);
      changed = true;
    }
  }
  return changed;
}

std::vector<std::vector<const CalendarEntry*>> CalendarModel::Days(int first, int count,
                                                                   uint8_t appli_mask) const {
  std::vector<std::vector<const CalendarEntry*>> days(static_cast<size_t>(std::max(count, 0)));
  if (count <= 0) return days;
  const int end = first + count;
  if (appli_mask & (1u << kAnniversary)) {
    for (int d = 0; d < count; ++d) {
      const DateValue date = DateOfDay(first + d);
      auto add = [&](int month, int day) {
        for (int index : anniversary_days_[static_cast<size_t>(month)][static_cast<size_t>(day)]) {
          days[static_cast<size_t>(d)].push_back(&anniversary_.entries[static_cast<size_t>(index)]);
        }
      };
      add(date.month, date.day);
      if (date.month == 2 && date.day == 28 && !IsLeapYear(date.year)) add(2, 29);
    }
  }
  // Schedule and To Do entries lie sorted by day: the days shown are one run.
  for (const AppliId id : {kToDo, kSchedule}) {
    if ((appli_mask & (1u << id)) == 0) continue;
    const std::vector<CalendarEntry>& entries = Of(id).entries;
    auto it = std::lower_bound(entries.begin(), entries.end(), first,
                               [](const CalendarEntry& e, int day) { return e.day < day; });
    for (; it != entries.end() && it->day < end; ++it) {
      days[static_cast<size_t>(it->day - first)].push_back(&*it);
    }
  }
  return days;
}

const CalendarEntry* CalendarModel::Find(AppliId id, int position) const {
  if (id != kSchedule && id != kAnniversary && id != kToDo) return nullptr;
  const Appli& appli = Of(id);
  if (position < 0 || position >= static_cast<int>(appli.by_position.size())) return nullptr;
  const int index = appli.by_position[static_cast<size_t>(position)];
  return index < 0 ? nullptr : &appli.entries[static_cast<size_t>(index)];
}

std::span<const uint8_t> CalendarModel::Record(AppliId id, int position) const {
  if (id != kSchedule && id != kAnniversary && id != kToDo) return {};
  return Of(id).snapshot.record(position);
}

int CalendarModel::PositionOf(AppliId id, std::span<const uint8_t> record) const {
  if (id != kSchedule && id != kAnniversary && id != kToDo) return -1;
  const std::span<const uint8_t> body = RecordBody(record);
  const RecordSnapshot& snapshot = Of(id).snapshot;
  for (int position = 0; position < snapshot.count(); ++position) {
    const std::span<const uint8_t> held = snapshot.record(position);
    if (std::equal(held.begin(), held.end(), body.begin(), body.end()) &&
        Find(id, position) != nullptr) {
      return position;
    }
  }
  return -1;
}

int CalendarModel::entry_count() const {
  return static_cast<int>(schedule_.entries.size() + anniversary_.entries.size() +
                          todo_.entries.size());
}

}  // namespace kivo
