// The iCalendar import, through libical.

#include <algorithm>
#include <cstdlib>
#include <map>
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

// A time property of the component. A TZID that names a zone of the system's
// zone database is read by the system's rules: files carry VTIMEZONE blocks
// that cover only the years around their writing, or offsets rounded to
// the minute, and libical would trust them.
icaltimetype ZonedTime(icalcomponent* c, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  if (p == nullptr) return icaltime_null_time();
  icaltimetype t = kind == ICAL_DUE_PROPERTY     ? icalcomponent_get_due(c)
                   : kind == ICAL_DTEND_PROPERTY ? icalcomponent_get_dtend(c)
                                                 : icalcomponent_get_dtstart(c);
  icalparameter* tzid = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
  if (t.is_date || icaltime_is_utc(t) || tzid == nullptr) return t;
  icaltimezone* zone = icaltimezone_get_builtin_timezone(icalparameter_get_tzid(tzid));
  if (zone != nullptr) t.zone = zone;
  return t;
}

icaltimetype StartTime(icalcomponent* c) { return ZonedTime(c, ICAL_DTSTART_PROPERTY); }

// The end: DTEND, else the start plus DURATION, else null.
icaltimetype EndTime(icalcomponent* c, icaltimetype start) {
  if (icalcomponent_get_first_property(c, ICAL_DTEND_PROPERTY) != nullptr) {
    return ZonedTime(c, ICAL_DTEND_PROPERTY);
  }
  if (icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY) != nullptr &&
      !icaltime_is_null_time(start)) {
    return icaltime_add(start, icalcomponent_get_duration(c));
  }
  return icaltime_null_time();
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
    if (icalcomponent_get_status(c) == ICAL_STATUS_CANCELLED) {
      ++batch_.cancelled;
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

  // Of components with the same UID only the last is read: a later version
  // of the same entry.
  void Supersede() { ++batch_.superseded; }

  ImportBatch Result() { return std::move(batch_); }

 private:
  // An all-day entry over several days is taken on its first.
  void NoteDays(icalcomponent* c, icaltimetype start_time, const LocalPoint& start) {
    if (!start.all_day) return;
    const std::optional<LocalPoint> end = ToLocal(EndTime(c, start_time));
    if (end && end->Minutes() - start.Minutes() > 24 * 60) ++batch_.adjusted;
  }

  void TakeSchedule(icalcomponent* c) {
    const icaltimetype start_time = StartTime(c);
    const std::optional<LocalPoint> start = ToLocal(start_time);
    if (!start) {
      Reject(&batch_, "entry without a readable start", "entries without a readable start");
      return;
    }
    if (!start->InRange()) {
      Reject(&batch_, "entry outside the years 1950 to 2150",
             "entries outside the years 1950 to 2150");
      return;
    }
    ScheduleRecord r;
    r.date = BcdDate::FromYmd(start->year, start->month, start->day);
    NoteDays(c, start_time, *start);
    long long length = 0;
    if (!start->all_day) {
      r.start_time = BcdTime::FromHm(start->hour, start->minute);
      r.end_time = r.start_time;
      if (std::optional<LocalPoint> end = ToLocal(EndTime(c, start_time))) {
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
    const icaltimetype start_time = StartTime(c);
    const std::optional<LocalPoint> date = ToLocal(start_time);
    if (!date) {
      Reject(&batch_, "entry without a readable date", "entries without a readable date");
      return;
    }
    NoteDays(c, start_time, *date);
    AnniversaryRecord r;
    // The year of a birthday may lie before the organizer's years.
    const int year = date->InRange() ? date->year : today_.year;
    if (!date->InRange()) ++batch_.undated;
    // 29 February moved into a common year becomes the 28th.
    const int day = std::min(date->day, icaltime_days_in_month(date->month, year));
    if (day != date->day) ++batch_.adjusted;
    r.date = BcdDate::FromYmd(year, date->month, day);
    if (std::optional<long long> lead = AlarmLead(c, start_time, 0)) {
      const long long days = (*lead + 24 * 60 - 1) / (24 * 60);
      r.reminder = static_cast<uint8_t>(std::clamp<long long>(days, 0, kMaxNoticeDays));
      if (r.reminder != days) ++batch_.adjusted;
    }
    if (Recurs(c) && !RecursYearly(c)) ++batch_.recurring;
    r.description = Trim(taker_.FromUtf8(Summary(c), kTextCapacity));
    batch_.records.push_back(EncodeAnniversaryRecord(r));
  }

  void TakeToDo(icalcomponent* c) {
    std::optional<LocalPoint> due = ToLocal(ZonedTime(c, ICAL_DUE_PROPERTY));
    if (!due) due = ToLocal(StartTime(c));
    DateValue date = today_;
    if (due && due->InRange()) {
      date = {due->year, due->month, due->day};
    } else {
      ++batch_.undated;
    }
    ToDoRecord r;
    r.due_date = BcdDate::FromYmd(date.year, date.month, date.day);

    // No priority (or 0, "undefined") is neither urgent nor idle.
    int priority = 5;
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

// The components of a calendar, or of each calendar of a stream.
void Collect(icalcomponent* root, std::vector<icalcomponent*>* out) {
  const bool stream = icalcomponent_isa(root) == ICAL_XROOT_COMPONENT;
  for (icalcomponent* c = icalcomponent_get_first_component(root, ICAL_ANY_COMPONENT); c != nullptr;
       c = icalcomponent_get_next_component(root, ICAL_ANY_COMPONENT)) {
    if (stream && icalcomponent_isa(c) == ICAL_VCALENDAR_COMPONENT) {
      Collect(c, out);
    } else {
      out->push_back(c);
    }
  }
}

void TakeAll(const std::vector<icalcomponent*>& components, icalcomponent_kind wanted,
             Importer& importer) {
  // Changed occurrences share their series' UID; they are no new version.
  auto version = [&](icalcomponent* c) -> const char* {
    if (icalcomponent_isa(c) != wanted ||
        icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr) {
      return nullptr;
    }
    const char* uid = icalcomponent_get_uid(c);
    return uid != nullptr && *uid != '\0' ? uid : nullptr;
  };
  std::map<std::string, size_t> last;
  for (size_t i = 0; i < components.size(); ++i) {
    if (const char* uid = version(components[i])) last[uid] = i;
  }
  for (size_t i = 0; i < components.size(); ++i) {
    const char* uid = version(components[i]);
    if (uid != nullptr && last[uid] != i) {
      importer.Supersede();
    } else {
      importer.Take(components[i]);
    }
  }
}

}  // namespace

ImportBatch ReadICalendar(std::string_view text, AppliId id, const AllowedTable& allowed,
                          const DateValue& today) {
  icalerror_set_errors_are_fatal(0);
  Importer importer(id, allowed, today);
  const std::string copy(text);
  icalcomponent* root = icalparser_parse_string(copy.c_str());
  if (root == nullptr) return importer.Result();
  std::vector<icalcomponent*> components;
  const icalcomponent_kind kind = icalcomponent_isa(root);
  if (kind == ICAL_VCALENDAR_COMPONENT || kind == ICAL_XROOT_COMPONENT) {
    Collect(root, &components);
  } else {
    components.push_back(root);
  }
  TakeAll(components, id == kToDo ? ICAL_VTODO_COMPONENT : ICAL_VEVENT_COMPONENT, importer);
  icalcomponent_free(root);
  return importer.Result();
}

}  // namespace kivo
