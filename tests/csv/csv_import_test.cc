#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "csv/csv_export.h"
#include "csv/csv_reader.h"
#include "platform/link_defaults.h"
#include "store/amount.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "support/scripted.h"
#include "support/tables.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

const DateValue kToday{2003, 6, 15};

ScheduleRecord Schedule(BcdDate date, BcdTime start, BcdTime end, uint8_t reminder, bool alarm,
                        std::string text) {
  ScheduleRecord r;
  r.date = date;
  r.start_time = start;
  r.end_time = end;
  r.reminder = reminder;
  r.flags = alarm ? ScheduleRecord::kAlarmOn : 0;
  r.description = std::move(text);
  return r;
}

AnniversaryRecord Anniversary(BcdDate date, uint8_t days, std::string text) {
  AnniversaryRecord r;
  r.date = date;
  r.reminder = days;
  r.description = std::move(text);
  return r;
}

ToDoRecord ToDo(bool done, int priority, BcdDate due, std::string text) {
  ToDoRecord r;
  r.state = ToDoRecord::MakeState(done, priority);
  r.due_date = due;
  r.description = std::move(text);
  return r;
}

ExpenseRecord Expense(BcdDate date, double amount, int category, int payment, bool receipt,
                      std::string memo) {
  ExpenseRecord r;
  r.date = date;
  r.flags = ExpenseRecord::MakeFlags(receipt, category, payment);
  EncodeAmount(&r, amount);
  r.memo = std::move(memo);
  return r;
}

TelephoneRecord Telephone(uint8_t category, std::vector<std::pair<int, std::string>> texts) {
  TelephoneRecord r;
  r.category = category;
  for (auto& [field, text] : texts) r.texts[field] = text;
  return r;
}

const BcdDate kNewYearsEve = BcdDate::FromYmd(2001, 12, 31);
const BcdTime kNine = BcdTime::FromHm(9, 0);
const BcdTime kHalfTen = BcdTime::FromHm(10, 30);
const BcdTime kMidnight = BcdTime::FromHm(0, 0);

struct LineCase {
  const char* name;
  AppliId id;
  int display_hour;
  const char* header;
  const char* line;
  // The record the line gives; empty when the line is rejected.
  std::function<Bytes()> record;
};

const std::string kScheduleHeader = "Date,Start Time,End Time,Alarm,Reminder,Description";
const std::string kExpenseHeader = "Date,Category,Amount,Payment,Receipt,Memo";
const std::string kTelephoneHeader =
    "Category,Last Name,First Name,Company,Home#,Office#,Fax#,Other#,Address,City,State,Zip "
    "Code,Country,E-mail,Notes";

const LineCase kLineCases[] = {
    // Schedule.
    {"schedule row", kSchedule, kHour12, kScheduleHeader.c_str(),
     "12/31/2001,09:00 AM,10:30 AM,Yes,15,Meeting room 2",
     [] {
       return EncodeScheduleRecord(
           Schedule(kNewYearsEve, kNine, kHalfTen, 0x15, true, "Meeting room 2"));
     }},
    {"24-hour times in 12-hour mode", kSchedule, kHour12, kScheduleHeader.c_str(),
     "12/31/2001,09:00,10:30,Yes,15,x", nullptr},
    {"12-hour times in 24-hour mode", kSchedule, kHour24, kScheduleHeader.c_str(),
     "12/31/2001,09:00 AM,10:30 AM,Yes,15,x", nullptr},
    {"24-hour row", kSchedule, kHour24, kScheduleHeader.c_str(), "12/31/2001,09:00,22:30,No,5,x",
     [] {
       return EncodeScheduleRecord(
           Schedule(kNewYearsEve, kNine, BcdTime::FromHm(22, 30), 0x05, false, "x"));
     }},
    {"two-digit year", kSchedule, kHour12, kScheduleHeader.c_str(),
     "12/31/01,09:00 AM,10:30 AM,Yes,15,x", nullptr},
    {"no 29 February 2001", kSchedule, kHour12, kScheduleHeader.c_str(),
     "02/29/2001,09:00 AM,10:30 AM,Yes,15,x", nullptr},
    {"year out of range", kSchedule, kHour12, kScheduleHeader.c_str(),
     "01/01/1949,09:00 AM,10:30 AM,Yes,15,x", nullptr},
    {"reminder of three digits", kSchedule, kHour12, kScheduleHeader.c_str(),
     "12/31/2001,09:00 AM,10:30 AM,Yes,100,x", nullptr},
    {"empty reminder", kSchedule, kHour12, kScheduleHeader.c_str(),
     "12/31/2001,09:00 AM,10:30 AM,Yes,,x", nullptr},
    {"lower-case alarm", kSchedule, kHour12, kScheduleHeader.c_str(),
     "12/31/2001,09:00 AM,10:30 AM,yes,15,x", nullptr},
    {"bad time", kSchedule, kHour12, kScheduleHeader.c_str(), "12/31/2001,09:00 AM,25:00 PM,No,1,x",
     nullptr},
    {"short line: defaults", kSchedule, kHour12, kScheduleHeader.c_str(), "12/31/2001",
     [] {
       return EncodeScheduleRecord(Schedule(kNewYearsEve, kMidnight, kMidnight, 0, false, ""));
     }},
    {"no time columns", kSchedule, kHour12, "Date,Description", "12/31/2001,Lunch",
     [] {
       return EncodeScheduleRecord(Schedule(kNewYearsEve, kMidnight, kMidnight, 0, false, "Lunch"));
     }},
    {"empty line", kSchedule, kHour12, kScheduleHeader.c_str(), "", nullptr},
    // Anniversary: no year; today's year is taken.
    {"anniversary", kAnniversary, kHour12, "Date,Reminder,Description", "12/24,3,Eve",
     [] { return EncodeAnniversaryRecord(Anniversary(BcdDate::FromYmd(2003, 12, 24), 3, "Eve")); }},
    {"anniversary with year", kAnniversary, kHour12, "Date,Reminder,Description",
     "12/24/2001,3,Eve", nullptr},
    {"29 February any year", kAnniversary, kHour12, "Date,Reminder,Description", "02/29,0,Leap",
     [] { return EncodeAnniversaryRecord(Anniversary(BcdDate::FromYmd(2003, 2, 29), 0, "Leap")); }},
    {"reminder of two digits", kAnniversary, kHour12, "Date,Reminder,Description", "12/24,10,Eve",
     nullptr},
    {"reminder missing", kAnniversary, kHour12, "Date,Description", "12/24,Eve", nullptr},
    {"notice 1 is a week", kAnniversary, kHour12, "Date,Notice,Description", "12/24,1,Eve",
     [] { return EncodeAnniversaryRecord(Anniversary(BcdDate::FromYmd(2003, 12, 24), 7, "Eve")); }},
    {"notice blank", kAnniversary, kHour12, "Date,Notice,Reminder,Description", "12/24, ,5,Eve",
     [] { return EncodeAnniversaryRecord(Anniversary(BcdDate::FromYmd(2003, 12, 24), 0, "Eve")); }},
    {"notice 2", kAnniversary, kHour12, "Date,Notice,Description", "12/24,2,Eve", nullptr},
    // To Do.
    {"to do done", kToDo, kHour12, "Priority,Status,Due Date,Description", "3,Done,01/05/2002,Call",
     [] { return EncodeToDoRecord(ToDo(true, 3, BcdDate::FromYmd(2002, 1, 5), "Call")); }},
    {"to do lower-case done", kToDo, kHour12, "Priority,Status,Due Date,Description",
     "3,done,01/05/2002,Call",
     [] { return EncodeToDoRecord(ToDo(true, 3, BcdDate::FromYmd(2002, 1, 5), "Call")); }},
    {"to do other status", kToDo, kHour12, "Priority,Status,Due Date,Description",
     "9,Finished,01/05/2002,Call",
     [] { return EncodeToDoRecord(ToDo(false, 9, BcdDate::FromYmd(2002, 1, 5), "Call")); }},
    {"to do bad priority", kToDo, kHour12, "Priority,Status,Due Date,Description",
     "10,Done,01/05/2002,Call", nullptr},
    {"to do due date falls back to today", kToDo, kHour12, "Priority,Status,Due Date,Description",
     "2,Pending,someday,Call",
     [] { return EncodeToDoRecord(ToDo(false, 2, BcdDate::FromYmd(2003, 6, 15), "Call")); }},
    {"priority column says done", kToDo, kHour12, "Priority,Description", "Done,Call",
     [] { return EncodeToDoRecord(ToDo(true, 1, BcdDate::FromYmd(2003, 6, 15), "Call")); }},
    {"priority blank", kToDo, kHour12, "Priority,Description", " ,Call",
     [] { return EncodeToDoRecord(ToDo(false, 1, BcdDate::FromYmd(2003, 6, 15), "Call")); }},
    {"priority first digit counts", kToDo, kHour12, "Priority,Description", "5 (high),Call",
     [] { return EncodeToDoRecord(ToDo(false, 5, BcdDate::FromYmd(2003, 6, 15), "Call")); }},
    {"priority word", kToDo, kHour12, "Priority,Description", "High,Call", nullptr},
    {"priority empty", kToDo, kHour12, "Priority,Description", ",Call", nullptr},
    // Memo.
    {"memo from description", kMemo, kHour12, "Description", "Note",
     [] { return EncodeMemoRecord(MemoRecord{"Note"}); }},
    // Expense.
    {"expense row", kExpense, kHour12, kExpenseHeader.c_str(),
     "03/04/2002,Car,12.50,Check,Yes,Taxi",
     [] {
       return EncodeExpenseRecord(Expense(BcdDate::FromYmd(2002, 3, 4), 12.5, 2, 1, true, "Taxi"));
     }},
    {"visa is a card", kExpense, kHour12, kExpenseHeader.c_str(), "03/04/2002,Tips,5,Visa,No,x",
     [] {
       return EncodeExpenseRecord(Expense(BcdDate::FromYmd(2002, 3, 4), 5, 6, 2, false, "x"));
     }},
    {"unknown category and payment", kExpense, kHour12, kExpenseHeader.c_str(),
     "03/04/2002,Toys,5,Voucher,maybe,x",
     [] {
       return EncodeExpenseRecord(Expense(BcdDate::FromYmd(2002, 3, 4), 5, 0, 3, false, "x"));
     }},
    {"empty amount is zero", kExpense, kHour12, kExpenseHeader.c_str(), "03/04/2002,Car,,Cash,No,x",
     [] {
       return EncodeExpenseRecord(Expense(BcdDate::FromYmd(2002, 3, 4), 0, 2, 0, false, "x"));
     }},
    {"amount with comma", kExpense, kHour12, kExpenseHeader.c_str(),
     "03/04/2002,Car,\"1,000\",Cash,No,x", nullptr},
    {"amount with two points", kExpense, kHour12, kExpenseHeader.c_str(),
     "03/04/2002,Car,1.2.3,Cash,No,x", nullptr},
    {"amount too long", kExpense, kHour12, kExpenseHeader.c_str(),
     "03/04/2002,Car,12345678901234,Cash,No,x", nullptr},
    {"negative amount", kExpense, kHour12, kExpenseHeader.c_str(), "03/04/2002,Car,-5,Cash,No,x",
     [] {
       return EncodeExpenseRecord(Expense(BcdDate::FromYmd(2002, 3, 4), -5, 2, 0, false, "x"));
     }},
    {"negative amount of 13 characters", kExpense, kHour12, kExpenseHeader.c_str(),
     "03/04/2002,Car,-999999999999.,Cash,No,x",
     [] {
       return EncodeExpenseRecord(
           Expense(BcdDate::FromYmd(2002, 3, 4), -999999999999., 2, 0, false, "x"));
     }},
    {"minus alone", kExpense, kHour12, kExpenseHeader.c_str(), "03/04/2002,Car,-,Cash,No,x",
     nullptr},
    {"minus twice", kExpense, kHour12, kExpenseHeader.c_str(), "03/04/2002,Car,--5,Cash,No,x",
     nullptr},
    {"minus after the digits", kExpense, kHour12, kExpenseHeader.c_str(),
     "03/04/2002,Car,5-,Cash,No,x", nullptr},
    {"pay type wins", kExpense, kHour12, "Date,Amount,Pay Type,Payment,Description",
     "03/04/2002,7,AMEX,Cash,Dinner",
     [] {
       return EncodeExpenseRecord(Expense(BcdDate::FromYmd(2002, 3, 4), 7, 0, 2, false, "Dinner"));
     }},
    {"no payment", kExpense, kHour12, "Date,Amount,Memo", "03/04/2002,7,x", nullptr},
    {"no memo", kExpense, kHour12, "Date,Amount,Payment", "03/04/2002,7,Cash", nullptr},
    {"bad date", kExpense, kHour12, kExpenseHeader.c_str(), "2002-03-04,Car,1,Cash,No,x", nullptr},
    // Telephone.
    {"telephone row", kTelephone, kHour12, kTelephoneHeader.c_str(),
     "Business,Smith,Ann,ACME,1,2,3,4,\"1 Main St, Springfield\",Town,ST,12345,Land,a@b.c,Notes",
     [] {
       return EncodeTelephoneRecord(Telephone(1, {{kLastName, "Smith"},
                                                  {kFirstName, "Ann"},
                                                  {kCompany, "ACME"},
                                                  {kHomeNumber, "1"},
                                                  {kOfficeNumber, "2"},
                                                  {kFaxNumber, "3"},
                                                  {kOtherNumber, "4"},
                                                  {kAddress, "1 Main St, Springfield"},
                                                  {kCity, "Town"},
                                                  {kState, "ST"},
                                                  {kZipCode, "12345"},
                                                  {kCountry, "Land"},
                                                  {kEmail, "a@b.c"},
                                                  {kNotes, "Notes"}}));
     }},
    {"other program's columns", kTelephone, kHour12, "Name,Number,Email,Remark",
     "Smith,555,a@b.c,friend",
     [] {
       return EncodeTelephoneRecord(Telephone(
           2, {{kLastName, "Smith"}, {kHomeNumber, "555"}, {kEmail, "a@b.c"}, {kNotes, "friend"}}));
     }},
    {"url as address", kTelephone, kHour12, "Category,Company,URL", "Personal,ACME,example.org",
     [] {
       return EncodeTelephoneRecord(Telephone(0, {{kCompany, "ACME"}, {kAddress, "example.org"}}));
     }},
    {"no name", kTelephone, kHour12, "Name,Number", ",",
     [] { return EncodeTelephoneRecord(Telephone(2, {})); }},
    {"short line without numbers", kTelephone, kHour12, "Last Name,Home#", "Smith", nullptr},
    {"long last name cut to 48", kTelephone, kHour12, "Last Name,Home#",
     "XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX,1",
     [] {
       return EncodeTelephoneRecord(
           Telephone(2, {{kLastName, std::string(48, 'X')}, {kHomeNumber, "1"}}));
     }},
};

class CsvImportTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_.GetAppliBuf(kStoreSlots), kStoreOk); }

  int Import(const std::string& text, AppliId id, int display_hour, int display_date,
             int* lines_read) {
    WriteText(dir_ / "in.csv", text);
    AllowedTable allowed;
    allowed.fill(1);
    CsvReader reader(display_hour, display_date, CsvEncoding::kWindows1252, allowed);
    reader.SetToday(kToday);
    if (!reader.Open(dir_ / "in.csv", id)) return -2;
    return reader.ImportCsv(store_, id, lines_read);
  }

  AppliStore store_{CodeTables::Identity()};
  TempDir dir_;
};

TEST_F(CsvImportTest, TurnsEachLineIntoARecordOrRejectsIt) {
  for (const LineCase& c : kLineCases) {
    store_.ResetAppli(c.id);
    int lines = -1;
    const int taken = Import(std::string(c.header) + "\r\n" + c.line + "\r\n", c.id, c.display_hour,
                             kDateMdy, &lines);
    EXPECT_EQ(lines, 1) << c.name;
    if (!c.record) {
      EXPECT_EQ(taken, 0) << c.name;
      EXPECT_EQ(store_.GetRecordCount(c.id), 0) << c.name;
      continue;
    }
    ASSERT_EQ(taken, 1) << c.name;
    const std::span<const uint8_t> stored = store_.Record(c.id, 0);
    EXPECT_EQ(Bytes(stored.begin(), stored.end()), c.record()) << c.name;
  }
}

TEST_F(CsvImportTest, CategoriesMatchTheStoresOwnNames) {
  ASSERT_EQ(PutMemoRecord(store_, MemoRecord{"m"}, 0), kStoreOk);  // brings the list along
  CategoryNames names = DefaultCategoryNames();
  names.names[2] = "Auto";
  ASSERT_EQ(SetCategoryNames(store_, names), kStoreOk);
  int lines = -1;
  ASSERT_EQ(
      Import(kExpenseHeader + "\r\n03/04/2002,Auto,1,Cash,No,a\r\n03/04/2002,Car,1,Cash,No,b\r\n",
             kExpense, kHour12, kDateMdy, &lines),
      2);
  ExpenseRecord r;
  ASSERT_EQ(GetExpenseRecord(store_, &r, 0), kStoreOk);
  EXPECT_EQ(r.category_index(), 2);
  ASSERT_EQ(GetExpenseRecord(store_, &r, 1), kStoreOk);
  EXPECT_EQ(r.category_index(), 0);  // no longer a name of the list
}

TEST_F(CsvImportTest, StopsAtTheRecordLimit) {
  for (int i = 0; i < kImportRecordLimit; ++i) {
    ASSERT_EQ(PutMemoRecord(store_, MemoRecord{"m"}, i), kStoreOk);
  }
  int lines = -1;
  EXPECT_EQ(Import("Memo\r\none\r\ntwo\r\n", kMemo, kHour12, kDateMdy, &lines), 0);
  EXPECT_EQ(lines, 0);
  EXPECT_EQ(store_.GetRecordCount(kMemo), kImportRecordLimit);
}

TEST_F(CsvImportTest, ToDoImportTakesAtMostTheLimit) {
  std::string text = "Priority,Description\r\n";
  for (int i = 0; i < 1000; ++i) text += "1,task " + std::to_string(i) + "\r\n";
  int lines = -1;
  EXPECT_EQ(Import(text, kToDo, kHour12, kDateMdy, &lines), kImportRecordLimit);
  EXPECT_EQ(lines, kImportRecordLimit);
  // A store that already holds To Do records is not taken past the limit.
  EXPECT_EQ(Import(text, kToDo, kHour12, kDateMdy, &lines), 0);
  EXPECT_EQ(store_.GetRecordCount(kToDo), kImportRecordLimit);
}

TEST_F(CsvImportTest, CountsRejectedAndBrokenLines) {
  int lines = -1;
  const int taken = Import("Memo\r\none\r\n\r\ntwo\r\n\"open quote\r\nnever closed", kMemo, kHour12,
                           kDateMdy, &lines);
  EXPECT_EQ(taken, 2);
  EXPECT_EQ(lines, 4);  // two taken, the empty line rejected, one broken line
  EXPECT_EQ(ImportMessage(taken, lines),
            "2 records were successfully imported.\r\nOther records were rejected due to error.");
}

// Builds one store with records of every application, exports each, imports
// the files into a second store and compares the record bytes.
TEST_F(CsvImportTest, ExportedFilesImportBackInTheSameModes) {
  const int year = kToday.year;
  ASSERT_EQ(
      PutScheduleRecord(
          store_, Schedule(kNewYearsEve, kNine, kHalfTen, 0x15, true, "Say \"hi\", then leave"), 0),
      kStoreOk);
  ASSERT_EQ(PutScheduleRecord(store_,
                              Schedule(BcdDate::FromYmd(2004, 2, 29), BcdTime::FromHm(0, 5),
                                       BcdTime::FromHm(12, 0), 0, false, ""),
                              1),
            kStoreOk);
  ASSERT_EQ(PutScheduleRecord(store_,
                              Schedule(BcdDate::FromYmd(1950, 1, 1), BcdTime::FromHm(13, 45),
                                       BcdTime::FromHm(23, 59), 0x99, true, "caf\xE9"),
                              2),
            kStoreOk);
  ASSERT_EQ(
      PutAnniversaryRecord(store_, Anniversary(BcdDate::FromYmd(year, 12, 24), 9, "Eve, again"), 0),
      kStoreOk);
  ASSERT_EQ(PutToDoRecord(store_, ToDo(true, 9, BcdDate::FromYmd(2150, 12, 31), "Last"), 0),
            kStoreOk);
  ASSERT_EQ(PutToDoRecord(store_, ToDo(false, 1, BcdDate::FromYmd(2002, 1, 5), "\"q\""), 1),
            kStoreOk);
  ASSERT_EQ(PutMemoRecord(store_, MemoRecord{"a, b and \"c\""}, 0), kStoreOk);
  ASSERT_EQ(PutExpenseRecord(store_,
                             Expense(BcdDate::FromYmd(2002, 3, 4), 1234.56, 7, 2, true, "Taxi"), 0),
            kStoreOk);
  ASSERT_EQ(PutExpenseRecord(store_, Expense(BcdDate::FromYmd(2002, 3, 5), 0, 0, 0, false, ""), 1),
            kStoreOk);
  ASSERT_EQ(
      PutExpenseRecord(store_, Expense(BcdDate::FromYmd(2002, 3, 6), 12, 3, 3, false, "x"), 2),
      kStoreOk);
  ASSERT_EQ(PutTelephoneRecord(store_,
                               Telephone(1, {{kLastName, "Smith"},
                                             {kCompany, "A, B & \"C\""},
                                             {kHomeNumber, "1"},
                                             {kNotes, "n"}}),
                               0),
            kStoreOk);
  ASSERT_EQ(PutTelephoneRecord(store_, Telephone(0, {{kFirstName, "Ann"}, {kEmail, "a@b"}}), 1),
            kStoreOk);

  for (int hour : {kHour12, kHour24}) {
    for (int date : {kDateMdy, kDateDmy, kDateYmd}) {
      for (AppliId id : {kSchedule, kAnniversary, kToDo, kMemo, kExpense, kTelephone}) {
        ScriptedPrompter prompter;
        ScriptedFreeSpace space({1 << 20});
        const int count = store_.GetRecordCount(id);
        ASSERT_EQ(CsvExporter(store_, hour, date).ExportCsv(dir_ / "out.csv", id, prompter, space),
                  count);

        AppliStore back{CodeTables::Identity()};
        ASSERT_EQ(back.GetAppliBuf(kStoreSlots), kStoreOk);
        AllowedTable allowed;
        allowed.fill(1);
        CsvReader reader(hour, date, CsvEncoding::kWindows1252, allowed);
        reader.SetToday(kToday);
        ASSERT_TRUE(reader.Open(dir_ / "out.csv", id)) << int(id);
        int lines = -1;
        EXPECT_EQ(reader.ImportCsv(back, id, &lines), count) << int(id) << " " << hour << date;
        EXPECT_EQ(lines, count);
        for (int i = 0; i < count; ++i) {
          const auto a = store_.Record(id, i);
          const auto b = back.Record(id, i);
          EXPECT_EQ(Bytes(a.begin(), a.end()), Bytes(b.begin(), b.end()))
              << "app " << int(id) << " record " << i << " hour " << hour << " date " << date
              << "\n"
              << ReadText(dir_ / "out.csv");
        }
      }
    }
  }
}

TEST_F(CsvImportTest, OtherDisplayModesRejectTheDatesAndTimes) {
  ASSERT_EQ(PutScheduleRecord(store_, Schedule(kNewYearsEve, kNine, kHalfTen, 0, false, "x"), 0),
            kStoreOk);
  ScriptedPrompter prompter;
  ScriptedFreeSpace space({1 << 20});
  ASSERT_EQ(
      CsvExporter(store_, kHour12, kDateMdy).ExportCsv(dir_ / "s.csv", kSchedule, prompter, space),
      1);
  struct {
    int hour;
    int date;
  } const others[] = {{kHour24, kDateMdy}, {kHour12, kDateDmy}, {kHour12, kDateYmd}};
  for (const auto& mode : others) {
    AppliStore back{CodeTables::Identity()};
    ASSERT_EQ(back.GetAppliBuf(kStoreSlots), kStoreOk);
    CsvReader reader(mode.hour, mode.date, CsvEncoding::kWindows1252, ProgramTables().allowed);
    ASSERT_TRUE(reader.Open(dir_ / "s.csv", kSchedule));
    int lines = -1;
    EXPECT_EQ(reader.ImportCsv(back, kSchedule, &lines), 0);
    EXPECT_EQ(lines, 1);
  }
}

TEST_F(CsvImportTest, Utf8ExportImportsBackInUtf8) {
  ASSERT_EQ(PutMemoRecord(store_, MemoRecord{"na\xEFve \x80 5"}, 0), kStoreOk);
  ScriptedPrompter prompter;
  ScriptedFreeSpace space({1 << 20});
  ASSERT_EQ(CsvExporter(store_, kHour12, kDateMdy, CsvEncoding::kUtf8)
                .ExportCsv(dir_ / "m.csv", kMemo, prompter, space),
            1);
  AppliStore back{CodeTables::Identity()};
  ASSERT_EQ(back.GetAppliBuf(kStoreSlots), kStoreOk);
  AllowedTable allowed;
  allowed.fill(1);
  CsvReader reader(kHour12, kDateMdy, CsvEncoding::kUtf8, allowed);
  ASSERT_TRUE(reader.Open(dir_ / "m.csv", kMemo));
  int lines = 0;
  ASSERT_EQ(reader.ImportCsv(back, kMemo, &lines), 1);
  MemoRecord r;
  ASSERT_EQ(GetMemoRecord(back, &r, 0), kStoreOk);
  EXPECT_EQ(r.text, "na\xEFve \x80 5");
  EXPECT_EQ(reader.replaced_characters(), 0);
}

}  // namespace
}  // namespace kivo
