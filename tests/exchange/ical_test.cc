#include "exchange/ical.h"

#include <stdlib.h>

#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <libical/ical.h>

#include "csv/cp1252.h"
#include "format/display_modes.h"
#include "platform/atomic_file.h"
#include "platform/link_defaults.h"
#include "store/record_access.h"
#include "support/records.h"
#include "support/tables.h"

namespace kivo {
namespace {

constexpr std::time_t kNow = 1780000000;  // 2026-05-28
constexpr DateValue kToday{2026, 5, 28};

// Local time is Central European for every test here.
class ICalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = getenv("TZ");
    if (tz != nullptr) saved_ = tz;
    had_ = tz != nullptr;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
  }
  void TearDown() override {
    if (had_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

// libical's own checks on a file we wrote: it parses without error
// properties and passes the restriction check; every component carries the
// UID and DTSTAMP a calendar file needs.
void ExpectValid(const std::string& text) {
  icalcomponent* calendar = icalparser_parse_string(text.c_str());
  ASSERT_NE(calendar, nullptr);
  EXPECT_EQ(icalrestriction_check(calendar), 1);
  for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT);
       c != nullptr; c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
    EXPECT_NE(icalcomponent_get_uid(c), nullptr);
    EXPECT_FALSE(icaltime_is_null_time(icalcomponent_get_dtstamp(c)));
  }
  EXPECT_EQ(icalcomponent_count_errors(calendar), 0) << icalcomponent_as_ical_string(calendar);
  icalcomponent_free(calendar);
}

ScheduleRecord Schedule(int day, int h1, int m1, int h2, int m2, bool alarm, int reminder,
                        std::string text) {
  ScheduleRecord r;
  r.date = BcdDate::FromYmd(2026, 5, day);
  r.start_time = BcdTime::FromHm(h1, m1);
  r.end_time = BcdTime::FromHm(h2, m2);
  r.flags = alarm ? ScheduleRecord::kAlarmOn : 0;
  r.reminder = ToBcd(reminder);
  r.description = std::move(text);
  return r;
}

// Every field iCalendar carries comes back. Not carried: the reserved header
// bytes, a Schedule reminder while its alarm is off (only an alarm has a
// trigger), blanks at either end of a description (libical drops them), and
// when a To Do was completed (the organizer keeps no date).
TEST_F(ICalTest, StoreToICalendarToStoreKeepsEveryField) {
  AppliStore store{ProgramTables().code};
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  const std::vector<ScheduleRecord> schedule = {
      Schedule(4, 9, 0, 10, 30, true, 15, "Meeting, room 2; \"big\" caf\xE9 \x80"),
      Schedule(5, 22, 0, 1, 0, false, 0, "Night shift"),  // ends the next day
      Schedule(6, 0, 0, 0, 0, true, 0, std::string(96, 'x')),
      Schedule(7, 12, 0, 12, 0, true, 99, ""),
  };
  for (size_t i = 0; i < schedule.size(); ++i) {
    ASSERT_EQ(PutScheduleRecord(store, schedule[i], static_cast<int>(i)), kStoreOk);
  }
  std::vector<AnniversaryRecord> anniversary(2);
  anniversary[0].date = BcdDate::FromYmd(1999, 2, 28);
  anniversary[0].reminder = 3;
  anniversary[0].description = "Birthday \xFC";
  anniversary[1].date = BcdDate::FromYmd(2024, 12, 24);
  anniversary[1].description = "Christmas";
  for (int i = 0; i < 2; ++i) ASSERT_EQ(PutAnniversaryRecord(store, anniversary[i], i), kStoreOk);
  std::vector<ToDoRecord> todo(9);
  for (int p = 1; p <= 9; ++p) {
    todo[p - 1].state = ToDoRecord::MakeState(p % 2 == 0, p);
    todo[p - 1].due_date = BcdDate::FromYmd(2026, 6, p);
    todo[p - 1].description = "Task " + std::to_string(p);
    ASSERT_EQ(PutToDoRecord(store, todo[p - 1], p - 1), kStoreOk);
  }

  for (AppliId id : {kSchedule, kAnniversary, kToDo}) {
    SCOPED_TRACE(static_cast<int>(id));
    std::string text;
    ASSERT_EQ(BuildICalendar(store, id, kNow, &text), store.GetRecordCount(id));
    ExpectValid(text);
    const ImportBatch batch = ReadICalendar(text, id, AllAllowed(), kToday);
    EXPECT_EQ(batch.rejected + batch.skipped + batch.recurring + batch.adjusted, 0);
    ASSERT_EQ(static_cast<int>(batch.records.size()), store.GetRecordCount(id));
    for (size_t i = 0; i < batch.records.size(); ++i) {
      const std::span<const uint8_t> original = store.Record(id, static_cast<int>(i));
      EXPECT_EQ(batch.records[i], std::vector<uint8_t>(original.begin(), original.end()))
          << "record " << i;
    }
  }
  std::string memo;
  EXPECT_EQ(BuildICalendar(store, kMemo, kNow, &memo), -1);
}

struct Expected {
  int records, skipped, recurring, adjusted, rejected;
};

TEST_F(ICalTest, ReadsWhatOtherCalendarsWrite) {
  const std::optional<std::string> text =
      ReadWholeFile(KIVO_SOURCE_DIR "/tests/exchange/fixtures/other_programs.ics");
  ASSERT_TRUE(text);
  // Six events (one a changed occurrence), two to-dos, one journal.
  const std::vector<std::pair<AppliId, Expected>> counts = {
      {kSchedule, {5, 4, 2, 2, 0}}, {kAnniversary, {5, 4, 1, 0, 0}}, {kToDo, {2, 7, 0, 0, 0}}};
  for (const auto& [id, expected] : counts) {
    SCOPED_TRACE(static_cast<int>(id));
    const ImportBatch batch = ReadICalendar(*text, id, AllAllowed(), kToday);
    EXPECT_EQ(static_cast<int>(batch.records.size()), expected.records);
    EXPECT_EQ(batch.skipped, expected.skipped);
    EXPECT_EQ(batch.recurring, expected.recurring);
    EXPECT_EQ(batch.adjusted, expected.adjusted);
    EXPECT_EQ(batch.rejected, expected.rejected);
  }

  const ImportBatch events = ReadICalendar(*text, kSchedule, AllAllowed(), kToday);
  struct Row {
    int y, mo, d, h1, m1, h2, m2;
    bool alarm;
    int reminder;
    const char* description;
  };
  const Row rows[] = {
      {2026, 7, 1, 15, 0, 16, 0, true, 15, "Café with Renée, then review"},  // New York summer
      {2026, 1, 15, 9, 0, 10, 30, true, 99, "Call in UTC"},                  // 3 h alarm
      {2026, 3, 20, 0, 0, 0, 0, false, 0, "Holiday"},                        // all day
      {2026, 1, 5, 16, 0, 17, 0, false, 0, "Weekly status"},                 // first occurrence
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    ScheduleRecord r;
    ASSERT_EQ(DecodeScheduleRecord(events.records[i], &r), kStoreOk);
    const Row& w = rows[i];
    EXPECT_EQ(r.date, BcdDate::FromYmd(w.y, w.mo, w.d)) << i;
    EXPECT_EQ(r.start_time, BcdTime::FromHm(w.h1, w.m1)) << i;
    EXPECT_EQ(r.end_time, BcdTime::FromHm(w.h2, w.m2)) << i;
    EXPECT_EQ(r.alarm_on(), w.alarm) << i;
    EXPECT_EQ(r.reminder_minutes(), w.reminder) << i;
    EXPECT_EQ(Cp1252ToUtf8(r.description), w.description) << i;
  }

  AnniversaryRecord birthday;
  ASSERT_EQ(DecodeAnniversaryRecord(
                ReadICalendar(*text, kAnniversary, AllAllowed(), kToday).records[4], &birthday),
            kStoreOk);
  EXPECT_EQ(birthday.date, BcdDate::FromYmd(1985, 2, 14));
  EXPECT_EQ(birthday.reminder, 2);

  const ImportBatch todos = ReadICalendar(*text, kToDo, AllAllowed(), kToday);
  ToDoRecord open;
  ToDoRecord completed;
  ASSERT_EQ(DecodeToDoRecord(todos.records[0], &open), kStoreOk);
  ASSERT_EQ(DecodeToDoRecord(todos.records[1], &completed), kStoreOk);
  EXPECT_EQ(open.due_date, BcdDate::FromYmd(2007, 5, 1));
  EXPECT_FALSE(open.done());
  EXPECT_EQ(open.priority(), 5);  // none given: the middle of the scale
  EXPECT_EQ(completed.due_date, BcdDate::FromYmd(2007, 7, 9));
  EXPECT_TRUE(completed.done());
  EXPECT_EQ(Cp1252ToUtf8(completed.description), "Submit Revised Internet-Draft");
}

TEST_F(ICalTest, DamagedInputGivesNoRecords) {
  for (const char* text : {"", "BEGIN:VCALENDAR\r\n", "garbage\x01\xFF",
                           "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:no start\r\nEND:VEVENT\r\n"
                           "END:VCALENDAR\r\n"}) {
    const ImportBatch batch = ReadICalendar(text, kSchedule, AllAllowed(), kToday);
    EXPECT_TRUE(batch.records.empty()) << text;
  }
}

}  // namespace
}  // namespace kivo
