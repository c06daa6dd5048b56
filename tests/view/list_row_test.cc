#include "view/list_row.h"

#include <gtest/gtest.h>

#include "support/records.h"

namespace kivo {
namespace {

using Cells = std::vector<std::string>;

RowContext Modes(int date, int hour, DateValue today = {}) {
  RowContext context;
  context.today = today;
  context.display_date = date;
  context.display_hour = hour;
  context.category_names = {"Meals", "Hotel", "Car", "Phone", "Fares", "Enter't", "Tips", "Misc"};
  return context;
}

struct RowCase {
  const char* name;
  AppliId id;
  std::vector<uint8_t> record;
  int date_mode;
  int hour_mode;
  Cells cells;
};

TEST(RecordToRow, ShowsEveryColumnInTheDisplayModes) {
  const RowCase cases[] = {
      {"schedule 12h",
       kSchedule,
       test::Schedule(2001, 12, 31, 13, 45, 0, 5, true, 15, "Party"),
       0,
       0,
       {"12/31/2001", "01:45 PM", "12:05 AM", "Yes", "15", "Party"}},
      {"schedule 24h ymd",
       kSchedule,
       test::Schedule(2002, 1, 5, 9, 30, 12, 0, false, 0, ""),
       2,
       1,
       {"2002.01.05", "09:30", "12:00", "No", "0", ""}},
      {"todo",
       kToDo,
       test::ToDo(10, true, 2002, 1, 5, "Taxes"),
       1,
       0,
       {"10", "Done", "05.01.2002", "Taxes"}},
      {"todo pending",
       kToDo,
       test::ToDo(1, false, 2002, 3, 4, "x"),
       0,
       0,
       {"1", "Pending", "03/04/2002", "x"}},
      {"anniversary dmy",
       kAnniversary,
       test::Anniversary(1999, 12, 31, 3, "Eve"),
       1,
       0,
       {"31.12", "3", "Eve"}},
      {"anniversary ymd",
       kAnniversary,
       test::Anniversary(1999, 12, 31, 3, "Eve"),
       2,
       0,
       {"12.31", "3", "Eve"}},
      {"memo", kMemo, test::Memo("Buy milk"), 0, 0, {"Buy milk"}},
      {"expense",
       kExpense,
       test::Expense(2002, 2, 9, 5, 284.71, 2, true, "Fuel"),
       0,
       0,
       {"02/09/2002", "Enter't", "284.71", "Card", "Yes", "Fuel"}},
      {"expense negative whole",
       kExpense,
       test::Expense(2002, 2, 9, 7, -12, 0, false, ""),
       0,
       0,
       {"02/09/2002", "Misc", "12.", "Cash", "No", ""}},
      {"telephone",
       kTelephone,
       test::Telephone(1, "Adams", "David", "Acme", "555"),
       0,
       0,
       {"Business", "Adams", "David", "Acme", "555", "", "", "", "", "", "", "", "", "", ""}},
      {"telephone odd category",
       kTelephone,
       test::Telephone(7, "Zed"),
       0,
       0,
       {"Others", "Zed", "", "", "", "", "", "", "", "", "", "", "", "", ""}},
  };
  for (const RowCase& c : cases) {
    const ListRow row = RecordToRow(c.id, c.record, Modes(c.date_mode, c.hour_mode));
    EXPECT_EQ(row.cells, c.cells) << c.name;
    EXPECT_EQ(row.origin, c.record) << c.name;
  }
}

TEST(RowToRecord, EveryModeGivesBackTheSameBytes) {
  const DateValue today{2005, 6, 15};
  const std::pair<AppliId, std::vector<uint8_t>> records[] = {
      {kSchedule, test::Schedule(2001, 12, 31, 0, 5, 23, 59, true, 99, "Late")},
      {kSchedule, test::Schedule(1950, 1, 1, 12, 0, 12, 30, false, 0, "")},
      {kToDo, test::ToDo(9, true, 2150, 12, 31, "End")},
      {kAnniversary, test::Anniversary(1970, 2, 29, 9, "Leap")},
      {kMemo, test::Memo(std::string(96, 'm'))},
      {kExpense, test::Expense(2002, 1, 2, 3, 0.05, 1, false, "Tip")},
      {kExpense, test::Expense(2002, 1, 2, 6, 123456789012.0, 3, true, "Big")},
      {kTelephone, test::Telephone(2, "Ng", "Li", "Co", "1")},
  };
  for (int date = 0; date < 3; ++date) {
    for (int hour = 0; hour < 2; ++hour) {
      for (const auto& [id, record] : records) {
        const RowContext context = Modes(date, hour, today);
        ListRow row = RecordToRow(id, record, context);
        EXPECT_EQ(RowToRecord(id, row, context), record) << int(id) << " " << date << hour;
        // The same texts without origin parse back to the same record too,
        // except the anniversary's year, which the column does not show.
        row.origin.clear();
        if (id != kAnniversary) {
          EXPECT_EQ(RowToRecord(id, row, context), record) << int(id) << " " << date << hour;
        }
      }
    }
  }
}

TEST(RowToRecord, KeepsWhatNoColumnCarries) {
  // Reserved header bytes as the organizer may send them.
  std::vector<uint8_t> schedule = test::Schedule(2002, 3, 4, 8, 0, 9, 0, true, 10, "Call");
  schedule[8] = 0x11;
  schedule[9] = 0x22;
  schedule[12] = 0x33;
  schedule[13] |= 0x01;
  std::vector<uint8_t> expense = test::Expense(2002, 3, 4, 2, -45.5, 1, true, "Refund");
  expense[4] |= 0x0C;
  expense[20] = 0x77;
  std::vector<uint8_t> anniversary = test::Anniversary(1980, 7, 1, 2, "Wedding");
  anniversary[5] = 0x44;
  std::vector<uint8_t> todo = test::ToDo(3, false, 2002, 1, 1, "Plan");
  todo[0] |= 0x30;
  const std::pair<AppliId, std::vector<uint8_t>> cases[] = {
      {kSchedule, schedule}, {kExpense, expense}, {kAnniversary, anniversary}, {kToDo, todo}};
  const DateValue today{2010, 1, 1};
  for (const auto& [id, record] : cases) {
    ListRow row = RecordToRow(id, record, Modes(0, 0, today));
    EXPECT_EQ(RowToRecord(id, row, Modes(0, 0, today)), record) << int(id);
    // A changed description still keeps the rest of the record.
    row.cells.back() = "Changed";
    const std::vector<uint8_t> changed = RowToRecord(id, row, Modes(0, 0, today));
    const size_t header = TextOffset(id);
    EXPECT_TRUE(std::equal(record.begin(), record.begin() + header, changed.begin())) << int(id);
  }
}

TEST(RowToRecord, ChangedCellsAreParsedAndNegativeAmountsStayNegative) {
  const std::vector<uint8_t> origin = test::Expense(2002, 3, 4, 2, -45.5, 1, true, "Refund");
  ListRow row = RecordToRow(kExpense, origin, Modes(0, 0));
  row.cells[0] = "12/24/2003";
  row.cells[2] = "10.25";
  row.cells[3] = "Others";
  row.cells[4] = "No";
  row.category_index = 6;
  ExpenseRecord r;
  ASSERT_EQ(DecodeExpenseRecord(RowToRecord(kExpense, row, Modes(0, 0)), &r), 0);
  EXPECT_EQ(r.date, BcdDate::FromYmd(2003, 12, 24));
  EXPECT_DOUBLE_EQ(DecodeAmount(r), -10.25);
  EXPECT_EQ(r.payment_kind(), 3);
  EXPECT_FALSE(r.receipt());
  EXPECT_EQ(r.category_index(), 6);
}

TEST(RowToRecord, RowWithoutOriginStartsFromZeros) {
  const DateValue today{2004, 5, 6};
  ListRow row;
  row.cells = {"02/29", "4", "Leap day"};
  AnniversaryRecord r;
  ASSERT_EQ(DecodeAnniversaryRecord(RowToRecord(kAnniversary, row, Modes(0, 0, today)), &r), 0);
  // Without a record to come from, the year is the parser's: this year.
  EXPECT_EQ(r.date, BcdDate::FromYmd(2004, 2, 29));
  EXPECT_EQ(r.reminder, 4);
  EXPECT_EQ(r.reserved, (std::array<uint8_t, 8>{}));

  row.cells = {"01/02/2003", "09:00 AM", "10:00 AM", "No", "25", "Dentist"};
  ScheduleRecord s;
  ASSERT_EQ(DecodeScheduleRecord(RowToRecord(kSchedule, row, Modes(0, 0, today)), &s), 0);
  EXPECT_EQ(s.reminder, 0x25);
  EXPECT_FALSE(s.alarm_on());
  EXPECT_EQ(s.reserved, (std::array<uint8_t, 3>{}));
}

TEST(RowToRecord, AnniversaryDateChangeKeepsTheRecordsYear) {
  const DateValue today{2010, 1, 1};
  ListRow row =
      RecordToRow(kAnniversary, test::Anniversary(1980, 7, 1, 2, "W"), Modes(1, 0, today));
  row.cells[0] = "03.08";
  AnniversaryRecord r;
  ASSERT_EQ(DecodeAnniversaryRecord(RowToRecord(kAnniversary, row, Modes(1, 0, today)), &r), 0);
  EXPECT_EQ(r.date, BcdDate::FromYmd(1980, 8, 3));
}

}  // namespace
}  // namespace kivo
