// PatchItem for Schedule, Anniversary and To Do entries: the entry's
// properties that carry the organizer's fields, changed in place, times in
// the form (floating, UTC, a zone, whole days) the entry had.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include <libical/ical.h>

#include "csv/cp1252.h"
#include "exchange/content_lines.h"
#include "exchange/item_patch.h"
#include "store/record_codec.h"

namespace kivo {

namespace {

enum Group : unsigned { kWhen = 1, kAlarm = 2, kPriority = 4, kDone = 8, kText = 16 };

// The fields of a Schedule, Anniversary or To Do record, for comparing.
struct Entry {
  int year = 0, month = 0, day = 0;
  int start = 0, end = 0;  // minutes of the day (Schedule)
  bool alarm = false;
  int lead = 0;  // minutes (Schedule) or days (Anniversary) before
  int priority = 0;
  bool done = false;
  std::string text;  // record coding
};

std::optional<Entry> EntryOf(AppliId id, std::span<const uint8_t> record) {
  Entry e;
  auto date = [&](const BcdDate& d) {
    e.year = d.year();
    e.month = d.month();
    e.day = d.day();
  };
  if (id == kSchedule) {
    ScheduleRecord r;
    if (DecodeScheduleRecord(record, &r) != kStoreOk) return std::nullopt;
    date(r.date);
    e.start = r.start_time.hour() * 60 + r.start_time.minute();
    e.end = r.end_time.hour() * 60 + r.end_time.minute();
    e.alarm = r.alarm_on();
    e.lead = e.alarm ? r.reminder_minutes() : 0;
    e.text = r.description;
  } else if (id == kAnniversary) {
    AnniversaryRecord r;
    if (DecodeAnniversaryRecord(record, &r) != kStoreOk) return std::nullopt;
    date(r.date);
    e.alarm = r.reminder > 0;
    e.lead = r.reminder;
    e.text = r.description;
  } else if (id == kToDo) {
    ToDoRecord r;
    if (DecodeToDoRecord(record, &r) != kStoreOk) return std::nullopt;
    date(r.due_date);
    e.priority = r.priority();
    e.done = r.done();
    e.text = r.description;
  } else {
    return std::nullopt;
  }
  return e;
}

unsigned Differing(const Entry& a, const Entry& b) {
  unsigned groups = 0;
  if (a.year != b.year || a.month != b.month || a.day != b.day || a.start != b.start ||
      a.end != b.end) {
    groups |= kWhen;
  }
  if (a.alarm != b.alarm || a.lead != b.lead) groups |= kAlarm;
  if (a.priority != b.priority) groups |= kPriority;
  if (a.done != b.done) groups |= kDone;
  if (a.text != b.text) groups |= kText;
  return groups;
}

// A point in local time.
struct Local {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

std::time_t LocalSeconds(const Local& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

Local FromTm(const std::tm& tm) {
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min};
}

// The day `days` after, at the same time of day.
Local AddDays(Local t, int days) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day + days;
  tm.tm_hour = 12;
  timegm(&tm);
  Local out = FromTm(tm);
  out.hour = t.hour;
  out.minute = t.minute;
  return out;
}

Local ParseDate(const std::string& value) {
  Local t;
  if (value.size() >= 8) {
    t.year = std::atoi(value.substr(0, 4).c_str());
    t.month = std::atoi(value.substr(4, 2).c_str());
    t.day = std::atoi(value.substr(6, 2).c_str());
  }
  return t;
}

int DaysBetween(const Local& a, const Local& b) {
  auto day = [](const Local& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    return static_cast<long long>(timegm(&tm)) / 86400;
  };
  return static_cast<int>(day(b) - day(a));
}

std::string Format(const char* format, int a, int b, int c, int d = 0, int e = 0, int f = 0) {
  char text[80];
  std::snprintf(text, sizeof text, format, a, b, c, d, e, f);
  return text;
}

// The forms a time property takes.
enum class Form { kDate, kFloating, kUtc, kZoned };

Form FormOf(const ContentLine& line) {
  const std::string type = line.Param("VALUE").value_or("");
  if (type == "DATE" || type == "date" || line.value.size() == 8) return Form::kDate;
  if (!line.value.empty() && (line.value.back() == 'Z' || line.value.back() == 'z')) {
    return Form::kUtc;
  }
  return line.Param("TZID") ? Form::kZoned : Form::kFloating;
}

struct CalendarFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Calendar = std::unique_ptr<icalcomponent, CalendarFree>;

// A TZID as the import reads it: the system's zone of that name, else the
// item's VTIMEZONE.
icaltimezone* ZoneOf(const ContentLine& line, icalcomponent* root) {
  const std::optional<std::string> tzid = line.Param("TZID");
  if (!tzid) return nullptr;
  if (icaltimezone* zone = icaltimezone_get_builtin_timezone(tzid->c_str())) return zone;
  if (root == nullptr || icalcomponent_isa(root) != ICAL_VCALENDAR_COMPONENT) return nullptr;
  return icalcomponent_get_timezone(root, tzid->c_str());
}

// The local time a date-time property says.
std::optional<Local> LocalOf(const ContentLine& line, icalcomponent* root) {
  const Form form = FormOf(line);
  if (form == Form::kDate) return ParseDate(line.value);
  icaltimetype t = icaltime_from_string(line.value.c_str());
  if (icaltime_is_null_time(t)) return std::nullopt;
  if (form == Form::kFloating) return Local{t.year, t.month, t.day, t.hour, t.minute};
  icaltimezone* zone = form == Form::kUtc ? icaltimezone_get_utc_timezone() : ZoneOf(line, root);
  if (zone == nullptr) return Local{t.year, t.month, t.day, t.hour, t.minute};
  const std::time_t seconds = icaltime_as_timet_with_zone(t, zone);
  std::tm tm{};
  if (localtime_r(&seconds, &tm) == nullptr) return std::nullopt;
  return FromTm(tm);
}

// Writes a local time into a time property in the given form; a zone that
// cannot be found gives a floating time.
void WriteTime(ContentLine& line, Form form, const Local& t, icalcomponent* root) {
  if (form == Form::kDate) {
    line.RemoveParam("TZID");
    line.SetParam("VALUE", "DATE");
    line.SetValue(Format("%04d%02d%02d", t.year, t.month, t.day));
    return;
  }
  line.RemoveParam("VALUE");
  icaltimezone* zone = form == Form::kZoned ? ZoneOf(line, root) : nullptr;
  if (form == Form::kUtc) {
    const std::time_t seconds = LocalSeconds(t);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    line.SetValue(Format("%04d%02d%02dT%02d%02d%02dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                         tm.tm_hour, tm.tm_min, tm.tm_sec));
  } else if (zone != nullptr) {
    const icaltimetype z = icaltime_from_timet_with_zone(LocalSeconds(t), 0, zone);
    line.SetValue(
        Format("%04d%02d%02dT%02d%02d%02d", z.year, z.month, z.day, z.hour, z.minute, z.second));
  } else {
    line.RemoveParam("TZID");
    line.SetValue(Format("%04d%02d%02dT%02d%02d00", t.year, t.month, t.day, t.hour, t.minute));
  }
}

// A record's text (Windows-1252, CR LF) as an escaped value.
std::string Value(const std::string& text) { return EscapeText(Cp1252ToUtf8(text)); }

class EntryPatch {
 public:
  EntryPatch(ContentDoc& doc, AppliId id, const Entry& to, icalcomponent* root, std::time_t now)
      : doc_(doc), id_(id), to_(to), root_(root), now_(now) {}

  void Apply(unsigned groups) {
    if (groups & kWhen) id_ == kToDo ? Due() : When();
    if (groups & kAlarm) Alarm();
    if (groups & kPriority) Set("PRIORITY", std::to_string(to_.priority));
    if (groups & kDone) Done();
    if (groups & kText) Summary();
  }

  // DTSTAMP, LAST-MODIFIED and SEQUENCE of a changed entry.
  void Stamp() {
    Set("DTSTAMP", UtcStamp(now_));
    if (First("LAST-MODIFIED")) Set("LAST-MODIFIED", UtcStamp(now_));
    if (const std::optional<size_t> sequence = First("SEQUENCE")) {
      const long long was = std::strtoll(Line(*sequence).value.c_str(), nullptr, 10);
      Line(*sequence).SetValue(std::to_string(was < 0 || was >= INT32_MAX ? 0 : was + 1));
    }
  }

 private:
  ContentBlock Main() const { return FindMainComponent(doc_)->block; }
  ContentLine& Line(size_t i) { return doc_.lines()[i]; }
  std::optional<size_t> First(std::string_view name) const { return doc_.First(Main(), name); }
  Local Day() const { return {to_.year, to_.month, to_.day, 0, 0}; }

  // The first line of the name, made after `after` (or at the end) when missing.
  size_t Ensure(const char* name, const char* after = nullptr) {
    if (const std::optional<size_t> line = First(name)) return *line;
    const std::optional<size_t> anchor = after ? First(after) : std::nullopt;
    const size_t at = anchor ? *anchor + 1 : Main().end;
    doc_.Insert(at, MakeLine(name, ""));
    return at;
  }

  void Set(const char* name, std::string value) {
    ContentLine& line = Line(Ensure(name));
    line.RemoveParam("ENCODING");
    line.SetValue(std::move(value));
  }

  void EraseAll(const char* name) {
    while (const std::optional<size_t> line = First(name)) doc_.Erase(*line);
  }

  void When() {
    const size_t start = Ensure("DTSTART");
    Form form = FormOf(Line(start));
    if (id_ == kAnniversary || (form == Form::kDate && to_.start == 0 && to_.end == 0)) {
      // Whole days; an entry over several keeps its length.
      const std::optional<size_t> end = First("DTEND");
      int days = 0;
      if (end && FormOf(Line(*end)) == Form::kDate) {
        days = DaysBetween(ParseDate(Line(start).value), ParseDate(Line(*end).value));
      }
      WriteTime(Line(start), Form::kDate, Day(), root_);
      if (end && days >= 1) WriteTime(Line(*end), Form::kDate, AddDays(Day(), days), root_);
      return;
    }
    if (form == Form::kDate) form = Form::kFloating;
    const Local begin{to_.year, to_.month, to_.day, to_.start / 60, to_.start % 60};
    WriteTime(Line(start), form, begin, root_);
    const std::optional<std::string> tzid = Line(start).Param("TZID");
    if (to_.end == to_.start) {
      // A point in time, as the export writes it.
      EraseAll("DTEND");
      Line(Ensure("DURATION", "DTSTART")).SetValue("PT0S");
      return;
    }
    EraseAll("DURATION");
    Local finish{to_.year, to_.month, to_.day, to_.end / 60, to_.end % 60};
    if (to_.end < to_.start) finish = AddDays(finish, 1);  // ends the next day
    ContentLine& end = Line(Ensure("DTEND", "DTSTART"));
    if (tzid) end.SetParam("TZID", *tzid);
    WriteTime(end, form, finish, root_);
  }

  void Due() {
    const std::optional<size_t> due = First("DUE");
    if (!due) {
      WriteTime(Line(Ensure("DUE")), Form::kDate, Day(), root_);
      return;
    }
    // A due time stays the time of day it was.
    const Form form = FormOf(Line(*due));
    Local when = Day();
    if (form != Form::kDate) {
      if (const std::optional<Local> old = LocalOf(Line(*due), root_)) {
        when.hour = old->hour;
        when.minute = old->minute;
      }
    }
    WriteTime(Line(*due), form, when, root_);
  }

  // The first alarm is the organizer's; others stay.
  void Alarm() {
    const std::vector<ContentBlock> alarms = doc_.Blocks("VALARM", Main());
    if (!to_.alarm) {
      if (!alarms.empty()) doc_.Erase(alarms[0].begin, alarms[0].end - alarms[0].begin + 1);
      return;
    }
    const std::string trigger = id_ == kAnniversary ? "-P" + std::to_string(to_.lead) + "D"
                                : to_.lead == 0     ? std::string("PT0S")
                                                    : "-PT" + std::to_string(to_.lead) + "M";
    if (alarms.empty()) {
      size_t at = Main().end;
      const std::string text = to_.text.empty() ? "Reminder" : Value(to_.text);
      for (ContentLine line : {MakeLine("BEGIN", "VALARM"), MakeLine("ACTION", "DISPLAY"),
                               MakeLine("DESCRIPTION", text), MakeLine("TRIGGER", trigger),
                               MakeLine("END", "VALARM")}) {
        doc_.Insert(at++, std::move(line));
      }
      return;
    }
    if (const std::optional<size_t> line = doc_.First(alarms[0], "TRIGGER")) {
      Line(*line).params.clear();  // relative to the start, a duration
      Line(*line).raw.clear();
      Line(*line).SetValue(trigger);
    } else {
      doc_.Insert(alarms[0].end, MakeLine("TRIGGER", trigger));
    }
  }

  void Done() {
    if (to_.done) {
      Set("STATUS", "COMPLETED");
      if (!First("COMPLETED")) Set("COMPLETED", UtcStamp(now_));
      if (First("PERCENT-COMPLETE")) Set("PERCENT-COMPLETE", "100");
      return;
    }
    Set("STATUS", "NEEDS-ACTION");
    EraseAll("COMPLETED");
    if (First("PERCENT-COMPLETE")) Set("PERCENT-COMPLETE", "0");
  }

  void Summary() {
    if (to_.text.empty()) {
      if (const std::optional<size_t> line = First("SUMMARY")) doc_.Erase(*line);
      return;
    }
    ContentLine& line = Line(Ensure("SUMMARY"));
    line.RemoveParam("ENCODING");
    line.RemoveParam("CHARSET");
    line.SetValue(Value(to_.text));
  }

  ContentDoc& doc_;
  AppliId id_;
  const Entry& to_;
  icalcomponent* root_;
  std::time_t now_;
};

// The entry of an item as it maps (MapItem).
std::optional<Entry> MappedEntry(AppliId id, const std::optional<MappedItem>& mapped) {
  if (!mapped || mapped->id != id) return std::nullopt;
  return EntryOf(id, mapped->record);
}

}  // namespace

std::optional<std::string> PatchICalendar(AppliId id, const ContentDoc& item,
                                          std::span<const uint8_t> before,
                                          std::span<const uint8_t> after,
                                          const ItemContext& context) {
  const std::optional<Entry> from = EntryOf(id, before);
  const std::optional<Entry> to = EntryOf(id, after);
  ContentDoc doc = item;
  const std::optional<MainComponent> main = FindMainComponent(doc);
  if (!from || !to || !main || main->id != id) return std::nullopt;
  const std::string text = item.Text();
  icalerror_set_errors_are_fatal(0);
  const Calendar root(icalparser_parse_string(text.c_str()));
  const Entry fresh =
      MappedEntry(id, MapItem(ExchangeFormat::kICal, item, context)).value_or(*from);
  const unsigned changed = Differing(*from, *to);
  EntryPatch patch(doc, id, *to, root.get(), context.now);
  patch.Apply(changed);
  // A change that moved another field: write that one too.
  for (int round = 0; round < 2; ++round) {
    const std::optional<Entry> now =
        MappedEntry(id, MapItem(ExchangeFormat::kICal, doc.Text(), context));
    if (!now) break;
    const unsigned wrong = (Differing(*now, *to) & changed) | (Differing(*now, fresh) & ~changed);
    if (wrong == 0) break;
    patch.Apply(wrong);
  }
  patch.Stamp();
  return doc.Text();
}

}  // namespace kivo
