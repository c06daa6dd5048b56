// The iCalendar export, through libical.

#include <cstdlib>
#include <memory>
#include <string>

#include <libical/ical.h>

#include "csv/cp1252.h"
#include "exchange/ical.h"
#include "exchange/record_uid.h"
#include "store/record_access.h"
#include "store/record_codec.h"

namespace kivo {

namespace {

struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

icaltimetype LocalTime(const BcdDate& date, int hour, int minute, bool is_date) {
  icaltimetype t = icaltime_null_time();
  t.year = date.year();
  t.month = date.month();
  t.day = date.day();
  t.hour = is_date ? 0 : hour;
  t.minute = is_date ? 0 : minute;
  t.is_date = is_date ? 1 : 0;
  return t;
}

// UID and DTSTAMP, which every component needs. The UID comes from the
// record alone (RecordUid), so a calendar that reads a second export
// recognises every entry.
void AddIdentity(icalcomponent* c, const std::string& uid, std::time_t now) {
  const icaltimetype stamp = icaltime_from_timet_with_zone(now, 0, icaltimezone_get_utc_timezone());
  icalcomponent_add_property(c, icalproperty_new_uid(uid.c_str()));
  icalcomponent_add_property(c, icalproperty_new_dtstamp(stamp));
}

// An empty description gives no SUMMARY: an empty text value is refused by
// libical's parser.
// A record's text for libical, which escapes LF but would pass CR through.
std::string Utf8Text(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += '\n';
    } else {
      out += text[i];
    }
  }
  return Cp1252ToUtf8(out);
}

void AddSummary(icalcomponent* c, const std::string& description) {
  if (description.empty()) return;
  const std::string text = Utf8Text(description);
  icalcomponent_add_property(c, icalproperty_new_summary(text.c_str()));
}

// A display alarm `seconds` before the start.
void AddAlarm(icalcomponent* c, const std::string& description, int seconds) {
  icalcomponent* alarm = icalcomponent_new_valarm();
  icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
  const std::string text = description.empty() ? "Reminder" : Utf8Text(description);
  icalcomponent_add_property(alarm, icalproperty_new_description(text.c_str()));
  icaltriggertype trigger{};
  trigger.time = icaltime_null_time();
  trigger.duration = icaldurationtype_from_int(-seconds);
  icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
  icalcomponent_add_component(c, alarm);
}

icalcomponent* ScheduleEvent(const ScheduleRecord& r, const std::string& uid, std::time_t now) {
  icalcomponent* event = icalcomponent_new_vevent();
  AddIdentity(event, uid, now);
  const int start_hour = r.start_time.hour();
  const int start_minute = r.start_time.minute();
  const icaltimetype start = LocalTime(r.date, start_hour, start_minute, false);
  icalcomponent_add_property(event, icalproperty_new_dtstart(start));
  if (r.end_time != r.start_time) {
    icaltimetype end = LocalTime(r.date, r.end_time.hour(), r.end_time.minute(), false);
    // An end before the start lies on the next day.
    if (icaltime_compare(end, start) < 0) icaltime_adjust(&end, 1, 0, 0, 0);
    icalcomponent_add_property(event, icalproperty_new_dtend(end));
  } else {
    // A point in time. Without an end some calendars assume an hour, and
    // some take an end equal to the start for a fault and do the same; a
    // duration of nothing they all show as a point.
    icalcomponent_add_property(event, icalproperty_new_duration(icaldurationtype_from_int(0)));
  }
  AddSummary(event, r.description);
  if (r.alarm_on()) AddAlarm(event, r.description, r.reminder_minutes() * 60);
  return event;
}

icalcomponent* AnniversaryEvent(const AnniversaryRecord& r, const std::string& uid,
                                std::time_t now) {
  icalcomponent* event = icalcomponent_new_vevent();
  AddIdentity(event, uid, now);
  icalcomponent_add_property(event, icalproperty_new_dtstart(LocalTime(r.date, 0, 0, true)));
  icalrecurrencetype yearly;
  icalrecurrencetype_clear(&yearly);
  yearly.freq = ICAL_YEARLY_RECURRENCE;
  icalcomponent_add_property(event, icalproperty_new_rrule(yearly));
  AddSummary(event, r.description);
  if (r.reminder > 0) AddAlarm(event, r.description, r.reminder * 24 * 3600);
  return event;
}

icalcomponent* ToDoItem(const ToDoRecord& r, const std::string& uid, std::time_t now) {
  icalcomponent* todo = icalcomponent_new_vtodo();
  AddIdentity(todo, uid, now);
  icalcomponent_add_property(todo, icalproperty_new_due(LocalTime(r.due_date, 0, 0, true)));
  icalcomponent_add_property(todo, icalproperty_new_priority(r.priority()));
  if (r.done()) {
    icalcomponent_add_property(todo, icalproperty_new_status(ICAL_STATUS_COMPLETED));
    icalcomponent_add_property(todo, icalproperty_new_completed(icaltime_from_timet_with_zone(
                                         now, 0, icaltimezone_get_utc_timezone())));
  } else {
    icalcomponent_add_property(todo, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
  }
  AddSummary(todo, r.description);
  return todo;
}

// The component of one record; nullptr for a record that does not decode.
icalcomponent* RecordComponent(AppliId id, std::span<const uint8_t> record, const std::string& uid,
                               std::time_t now) {
  if (id == kSchedule) {
    ScheduleRecord r;
    if (DecodeScheduleRecord(record, &r) == kStoreOk) return ScheduleEvent(r, uid, now);
  } else if (id == kAnniversary) {
    AnniversaryRecord r;
    if (DecodeAnniversaryRecord(record, &r) == kStoreOk) return AnniversaryEvent(r, uid, now);
  } else if (id == kToDo) {
    ToDoRecord r;
    if (DecodeToDoRecord(record, &r) == kStoreOk) return ToDoItem(r, uid, now);
  }
  return nullptr;
}

Component NewCalendar() {
  Component calendar(icalcomponent_new_vcalendar());
  icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
  icalcomponent_add_property(calendar.get(),
                             icalproperty_new_prodid("-//kivo-link//kivo-link//EN"));
  return calendar;
}

std::string CalendarText(const Component& calendar) {
  std::string text;
  char* ical = icalcomponent_as_ical_string_r(calendar.get());
  if (ical != nullptr) {
    text = ical;
    std::free(ical);
  }
  return text;
}

}  // namespace

std::string BuildICalendarItem(AppliId id, std::span<const uint8_t> record, const std::string& uid,
                               std::time_t now) {
  icalcomponent* item = RecordComponent(id, record, uid, now);
  if (item == nullptr) return {};
  Component calendar = NewCalendar();
  icalcomponent_add_component(calendar.get(), item);
  return CalendarText(calendar);
}

int BuildICalendar(const AppliStore& store, AppliId id, std::time_t now, std::string* text) {
  text->clear();
  if (id != kSchedule && id != kAnniversary && id != kToDo) return -1;
  Component calendar = NewCalendar();
  int count = 0;
  const std::vector<std::string> uids = RecordUids(store, id);
  for (int i = 0; i < static_cast<int>(uids.size()); ++i) {
    icalcomponent* item = RecordComponent(id, store.Record(id, i), uids[i], now);
    if (item == nullptr) continue;
    icalcomponent_add_component(calendar.get(), item);
    ++count;
  }
  *text = CalendarText(calendar);
  return count;
}

}  // namespace kivo
