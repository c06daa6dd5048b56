// The iCalendar import, through libical.

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <libical/ical.h>

#include "exchange/ical.h"
#include "store/record_codec.h"

namespace kivo {

namespace {

constexpr int kFirstYear = 1950;
constexpr int kLastYear = 2150;
constexpr int kMaxReminderMinutes = 99;
constexpr int kMaxNoticeDays = 9;

// A point in local time, or a whole day.
struct LocalPoint {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  bool all_day = false;
  // Minutes since 1 January 1970 on the local calendar, for differences.
  long long Minutes() const {
    // Days from the civil date (proleptic Gregorian).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = static_cast<long long>(era) * 146097 + doe - 719468;
    return days * 1440 + hour * 60 + minute;
  }
  bool InRange() const { return year >= kFirstYear && year <= kLastYear; }
};

// A libical time in local time: whole days and floating times as they are,
// UTC and zoned times through the system's local zone.
std::optional<LocalPoint> ToLocal(icaltimetype t) {
  if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t)) return std::nullopt;
  LocalPoint p;
  if (t.is_date || t.zone == nullptr) {
    p = {t.year, t.month, t.day, t.is_date ? 0 : t.hour, t.is_date ? 0 : t.minute, t.is_date != 0};
  } else {
    // Far from the organizer's years a zone's rules would be expanded over
    // centuries for a date that cannot be stored anyway.
    if (t.year < kFirstYear - 1 || t.year > kLastYear + 1) return std::nullopt;
    const std::time_t seconds = icaltime_as_timet_with_zone(t, t.zone);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return std::nullopt;
    p = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, false};
  }
  if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59) return std::nullopt;
  if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > icaltime_days_in_month(p.month, p.year)) {
    return std::nullopt;
  }
  return p;
}

std::string Summary(icalcomponent* c) {
  const char* text = icalcomponent_get_summary(c);
  if (text == nullptr || *text == '\0') text = icalcomponent_get_description(c);
  return text == nullptr ? std::string() : std::string(text);
}

bool Recurs(icalcomponent* c) {
  return icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY) != nullptr ||
         icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY) != nullptr;
}

bool RecursYearly(icalcomponent* c) {
  icalproperty* rule = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
  return rule != nullptr && icalproperty_get_rrule(rule).freq == ICAL_YEARLY_RECURRENCE &&
         icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY) == nullptr;
}

// Minutes between the first alarm and the start (positive: before), from a
// relative TRIGGER (to the start, or to the end `length` minutes later) or
// an absolute one.
std::optional<long long> AlarmLead(icalcomponent* c, icaltimetype start, long long length) {
  icalcomponent* alarm = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT);
  if (alarm == nullptr) return std::nullopt;
  icalproperty* property = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
  if (property == nullptr) return std::nullopt;
  const icaltriggertype trigger = icalproperty_get_trigger(property);
  if (!icaltime_is_null_time(trigger.time)) {
    icaltimetype at = trigger.time;
    if (icaltime_is_null_time(start) || !icaltime_is_valid_time(at) ||
        std::abs(at.year - start.year) > 1) {
      return std::nullopt;
    }
    const std::time_t from = icaltime_as_timet_with_zone(start, start.zone);
    const std::time_t to = icaltime_as_timet_with_zone(at, at.zone);
    return static_cast<long long>(from - to) / 60;
  }
  long long offset = icaldurationtype_as_int(trigger.duration) / 60;
  icalparameter* related = icalproperty_get_first_parameter(property, ICAL_RELATED_PARAMETER);
  if (related != nullptr && icalparameter_get_related(related) == ICAL_RELATED_END) {
    offset += length;
  }
  return -offset;
}

// libical drops the blanks at both ends of a value, so a description never
// starts or ends with one, whichever way it comes.
std::string Trim(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  const size_t first = text.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : text.substr(first);
}

class Importer {
 public:
  Importer(AppliId id, const AllowedTable& allowed, const DateValue& today)
      : today_(today), taker_(allowed, &batch_) {
    batch_.id = id;
  }

  void Take(icalcomponent* c) {
    const icalcomponent_kind kind = icalcomponent_isa(c);
    if (kind == ICAL_VTIMEZONE_COMPONENT) return;
    const bool event = kind == ICAL_VEVENT_COMPONENT && batch_.id != kToDo;
    const bool todo = kind == ICAL_VTODO_COMPONENT && batch_.id == kToDo;
    if ((!event && !todo) ||
        icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr) {
      ++batch_.skipped;
      return;
    }
    if (batch_.id == kSchedule) {
      TakeSchedule(c);
    } else if (batch_.id == kAnniversary) {
      TakeAnniversary(c);
    } else {
      TakeToDo(c);
    }
  }

  ImportBatch Result() { return std::move(batch_); }

 private:
  void TakeSchedule(icalcomponent* c) {
    const icaltimetype start_time = icalcomponent_get_dtstart(c);
    const std::optional<LocalPoint> start = ToLocal(start_time);
    if (!start || !start->InRange()) {
      ++batch_.rejected;
      return;
    }
    ScheduleRecord r;
    r.date = BcdDate::FromYmd(start->year, start->month, start->day);
    long long length = 0;
    if (!start->all_day) {
      r.start_time = BcdTime::FromHm(start->hour, start->minute);
      r.end_time = r.start_time;
      if (std::optional<LocalPoint> end = ToLocal(icalcomponent_get_dtend(c))) {
        length = end->Minutes() - start->Minutes();
        if (length >= 24 * 60) {
          // The organizer's entries end on their day.
          r.end_time = BcdTime::FromHm(23, 59);
          ++batch_.adjusted;
        } else if (length > 0) {
          r.end_time = BcdTime::FromHm(end->hour, end->minute);
        }
      }
    }
    if (std::optional<long long> lead = AlarmLead(c, start_time, length)) {
      const long long minutes = std::clamp<long long>(*lead, 0, kMaxReminderMinutes);
      if (minutes != *lead) ++batch_.adjusted;
      r.flags = ScheduleRecord::kAlarmOn;
      r.reminder = ToBcd(static_cast<int>(minutes));
    }
    if (Recurs(c)) ++batch_.recurring;
    r.description = Trim(taker_.FromUtf8(Summary(c), kTextCapacity));
    batch_.records.push_back(EncodeScheduleRecord(r));
  }

  void TakeAnniversary(icalcomponent* c) {
    const std::optional<LocalPoint> date = ToLocal(icalcomponent_get_dtstart(c));
    if (!date) {
      ++batch_.rejected;
      return;
    }
    AnniversaryRecord r;
    // The year of a birthday may lie before the organizer's years.
    const int year = date->InRange() ? date->year : today_.year;
    // 29 February moved into a common year becomes the 28th.
    const int day = std::min(date->day, icaltime_days_in_month(date->month, year));
    if (day != date->day) ++batch_.adjusted;
    r.date = BcdDate::FromYmd(year, date->month, day);
    if (std::optional<long long> lead = AlarmLead(c, icalcomponent_get_dtstart(c), 0)) {
      const long long days = (*lead + 24 * 60 - 1) / (24 * 60);
      r.reminder = static_cast<uint8_t>(std::clamp<long long>(days, 0, kMaxNoticeDays));
      if (r.reminder != days) ++batch_.adjusted;
    }
    if (Recurs(c) && !RecursYearly(c)) ++batch_.recurring;
    r.description = Trim(taker_.FromUtf8(Summary(c), kTextCapacity));
    batch_.records.push_back(EncodeAnniversaryRecord(r));
  }

  void TakeToDo(icalcomponent* c) {
    std::optional<LocalPoint> due = ToLocal(icalcomponent_get_due(c));
    if (!due) due = ToLocal(icalcomponent_get_dtstart(c));
    DateValue date = today_;
    if (due && due->InRange()) date = {due->year, due->month, due->day};
    ToDoRecord r;
    r.due_date = BcdDate::FromYmd(date.year, date.month, date.day);

    int priority = 1;
    if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_PRIORITY_PROPERTY)) {
      const int value = icalproperty_get_priority(p);
      if (value >= 1 && value <= 9) priority = value;
    }
    bool done = icalcomponent_get_status(c) == ICAL_STATUS_COMPLETED ||
                icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY) != nullptr;
    if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_PERCENTCOMPLETE_PROPERTY)) {
      done = done || icalproperty_get_percentcomplete(p) >= 100;
    }
    r.state = ToDoRecord::MakeState(done, priority);
    if (Recurs(c)) ++batch_.recurring;
    r.description = Trim(taker_.FromUtf8(Summary(c), kTextCapacity));
    batch_.records.push_back(EncodeToDoRecord(r));
  }

  DateValue today_;
  ImportBatch batch_;
  TextTaker taker_;
};

void TakeChildren(icalcomponent* calendar, Importer& importer) {
  std::vector<icalcomponent*> children;
  for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT);
       c != nullptr; c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
    children.push_back(c);
  }
  for (icalcomponent* c : children) importer.Take(c);
}

}  // namespace

ImportBatch ReadICalendar(std::string_view text, AppliId id, const AllowedTable& allowed,
                          const DateValue& today) {
  icalerror_set_errors_are_fatal(0);
  Importer importer(id, allowed, today);
  const std::string copy(text);
  icalcomponent* root = icalparser_parse_string(copy.c_str());
  if (root == nullptr) return importer.Result();
  switch (icalcomponent_isa(root)) {
    case ICAL_VCALENDAR_COMPONENT:
      TakeChildren(root, importer);
      break;
    case ICAL_XROOT_COMPONENT: {
      std::vector<icalcomponent*> calendars;
      for (icalcomponent* c = icalcomponent_get_first_component(root, ICAL_ANY_COMPONENT);
           c != nullptr; c = icalcomponent_get_next_component(root, ICAL_ANY_COMPONENT)) {
        calendars.push_back(c);
      }
      for (icalcomponent* c : calendars) {
        if (icalcomponent_isa(c) == ICAL_VCALENDAR_COMPONENT) {
          TakeChildren(c, importer);
        } else {
          importer.Take(c);
        }
      }
      break;
    }
    default:
      importer.Take(root);
  }
  icalcomponent_free(root);
  return importer.Result();
}

}  // namespace kivo
