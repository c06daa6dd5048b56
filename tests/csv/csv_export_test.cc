#include "csv/csv_export.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/atomic_file.h"
#include "platform/link_defaults.h"
#include "store/amount.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "support/disk_full_writer.h"
#include "support/scripted.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

TEST(QuoteCsvField, QuotesOnlyWhatNeedsIt) {
  struct {
    const char* text;
    const char* field;
  } const cases[] = {
      {"plain text", "plain text"},
      {"", ""},
      {"a, b", "\"a, b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"both, \"x\"", "\"both, \"\"x\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"cr\ronly", "\"cr\ronly\""},
      {"lf\nonly", "\"lf\nonly\""},
      {"both\n\"", "\"both\n\"\"\""},
  };
  for (const auto& c : cases) EXPECT_EQ(QuoteCsvField(c.text), c.field) << c.text;
}

class CsvExportTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_.GetAppliBuf(kStoreSlots), kStoreOk); }

  void PutMeeting() {
    ScheduleRecord r;
    r.date = BcdDate::FromYmd(2001, 12, 31);
    r.start_time = BcdTime::FromHm(9, 0);
    r.end_time = BcdTime::FromHm(10, 30);
    r.reminder = 0x15;
    r.flags = ScheduleRecord::kAlarmOn;
    r.description = "Meeting room 2";
    ASSERT_EQ(
        PutScheduleRecord(
            store_, r, store_.GetRecordCount(kSchedule) > 0 ? store_.GetRecordCount(kSchedule) : 0),
        kStoreOk);
  }

  void PutExpense(double amount, int category, int payment, bool receipt, const char* memo) {
    ExpenseRecord r;
    r.date = BcdDate::FromYmd(2002, 3, 4);
    r.flags = ExpenseRecord::MakeFlags(receipt, category, payment);
    EncodeAmount(&r, amount);
    r.memo = memo;
    const int count = store_.GetRecordCount(kExpense);
    ASSERT_EQ(PutExpenseRecord(store_, r, count > 0 ? count : 0), kStoreOk);
  }

  AppliStore store_{CodeTables::Identity()};
  TempDir dir_;
};

TEST_F(CsvExportTest, ScheduleLinesFollowTheDisplayModes) {
  PutMeeting();
  std::string text;
  EXPECT_EQ(CsvExporter(store_, kHour12, kDateMdy).BuildSchedule(&text), 1);
  EXPECT_EQ(text,
            "Date,Start Time,End Time,Alarm,Reminder,Description\r\n"
            "12/31/2001,09:00 AM,10:30 AM,Yes,15,Meeting room 2\r\n");
  EXPECT_EQ(CsvExporter(store_, kHour24, kDateYmd).BuildSchedule(&text), 1);
  EXPECT_EQ(text,
            "Date,Start Time,End Time,Alarm,Reminder,Description\r\n"
            "2001.12.31,09:00,10:30,Yes,15,Meeting room 2\r\n");
}

TEST_F(CsvExportTest, EveryApplicationHasItsHeaderAndLine) {
  AnniversaryRecord a;
  a.date = BcdDate::FromYmd(1999, 12, 24);
  a.reminder = 3;
  a.description = "Eve, again";
  ASSERT_EQ(PutAnniversaryRecord(store_, a, 0), kStoreOk);
  ToDoRecord t;
  t.state = ToDoRecord::MakeState(true, 3);
  t.due_date = BcdDate::FromYmd(2002, 1, 5);
  t.description = "Call \"Bob\"";
  ASSERT_EQ(PutToDoRecord(store_, t, 0), kStoreOk);
  ASSERT_EQ(PutMemoRecord(store_, MemoRecord{"line one\r\nline two"}, 0), kStoreOk);
  TelephoneRecord p;
  p.category = 1;
  p.texts[kLastName] = "Smith";
  p.texts[kFirstName] = "Ann";
  p.texts[kAddress] = "1 Main St, Springfield";
  p.texts[kNotes] = "n";
  ASSERT_EQ(PutTelephoneRecord(store_, p, 0), kStoreOk);
  PutExpense(12, 7, 2, true, "Taxi");

  struct {
    AppliId id;
    const char* text;
  } const cases[] = {
      {kAnniversary, "Date,Reminder,Description\r\n12/24,3,\"Eve, again\"\r\n"},
      {kToDo, "Priority,Status,Due Date,Description\r\n3,Done,01/05/2002,\"Call \"\"Bob\"\"\"\r\n"},
      {kMemo, "Memo\r\n\"line one\r\nline two\"\r\n"},
      {kTelephone,
       "Category,Last Name,First Name,Company,Home#,Office#,Fax#,Other#,Address,City,State,"
       "Zip Code,Country,E-mail,Notes\r\n"
       "Business,Smith,Ann,,,,,,\"1 Main St, Springfield\",,,,,,n\r\n"},
      {kExpense,
       "Date,Category,Amount,Payment,Receipt,Memo\r\n03/04/2002,Misc,12.,Card,Yes,Taxi\r\n"},
  };
  CsvExporter exporter(store_, kHour12, kDateMdy);
  for (const auto& c : cases) {
    std::string text;
    EXPECT_EQ(exporter.Build(c.id, &text), 1) << int(c.id);
    EXPECT_EQ(text, c.text) << int(c.id);
  }
}

TEST_F(CsvExportTest, AmountsAreWrittenWithTheirPoint) {
  PutExpense(0, 0, 0, false, "a");
  PutExpense(12.5, 1, 1, false, "b");
  PutExpense(1234.56, 2, 3, false, "c");
  PutExpense(-3, 2, 3, false, "d");
  std::string text;
  EXPECT_EQ(CsvExporter(store_, kHour24, kDateDmy).BuildExpense(&text), 4);
  EXPECT_EQ(text,
            "Date,Category,Amount,Payment,Receipt,Memo\r\n"
            "04.03.2002,Meals,0.,Cash,No,a\r\n"
            "04.03.2002,Hotel,12.5,Check,No,b\r\n"
            "04.03.2002,Car,1234.56,Others,No,c\r\n"
            "04.03.2002,Car,-3.,Others,No,d\r\n");
}

TEST_F(CsvExportTest, ExpenseWithoutCategoryListWritesTheHeaderAlone) {
  // Expense records arrive without the category list (as from a file).
  AppliStore bare{CodeTables::Identity()};
  ASSERT_EQ(bare.GetAppliBuf(kStoreSlots), kStoreOk);
  ExpenseRecord r;
  r.date = BcdDate::FromYmd(2002, 3, 4);
  r.memo = "x";
  ASSERT_EQ(bare.AddAppliData(kExpense, EncodeExpenseRecord(r)), kStoreOk);
  ASSERT_FALSE(bare.IsPresent(kCategoryList));
  std::string text;
  EXPECT_EQ(CsvExporter(bare, kHour12, kDateMdy).BuildExpense(&text), 0);
  EXPECT_EQ(text, "Date,Category,Amount,Payment,Receipt,Memo\r\n");
}

TEST_F(CsvExportTest, AbsentApplicationGivesTheHeaderAndUnknownIdNothing) {
  std::string text = "old";
  CsvExporter exporter(store_, kHour12, kDateMdy);
  EXPECT_EQ(exporter.Build(kMemo, &text), 0);
  EXPECT_EQ(text, "Memo\r\n");
  EXPECT_EQ(exporter.Build(kCategoryList, &text), -1);
  EXPECT_EQ(text, "");

  // The file is still written, empty.
  ScriptedPrompter prompter;
  ScriptedFreeSpace space({1 << 20});
  EXPECT_EQ(exporter.ExportCsv(dir_ / "x.csv", kCategoryList, prompter, space), -1);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "x.csv"));
  EXPECT_EQ(ReadText(dir_ / "x.csv"), "");
}

TEST_F(CsvExportTest, WritesTheFileAndReturnsTheCount) {
  PutMeeting();
  PutMeeting();
  ScriptedPrompter prompter;
  ScriptedFreeSpace space({1 << 20});
  CsvExporter exporter(store_, kHour12, kDateMdy);
  EXPECT_EQ(exporter.ExportCsv(dir_ / "s.csv", kSchedule, prompter, space), 2);
  EXPECT_TRUE(prompter.boxes().empty());
  std::string text;
  (void)exporter.BuildSchedule(&text);
  EXPECT_EQ(ReadText(dir_ / "s.csv"), text);
  EXPECT_EQ(space.roots.at(0), dir_.path());
  EXPECT_EQ(ExportMessage(2), "2 records were successfully exported.");
  EXPECT_EQ(ExportMessage(0), "");
}

TEST_F(CsvExportTest, AsksAgainWhileTheDiskIsFull) {
  PutMeeting();
  ScriptedPrompter prompter({PromptAnswer::kRetry, PromptAnswer::kRetry});
  ScriptedFreeSpace space({0, 10, 1 << 20});
  EXPECT_EQ(
      CsvExporter(store_, kHour12, kDateMdy).ExportCsv(dir_ / "s.csv", kSchedule, prompter, space),
      1);
  ASSERT_EQ(prompter.boxes().size(), 2u);
  EXPECT_EQ(prompter.boxes()[0].text,
            "Out of disk space writing to drive " + dir_.path().string() + ".");
  EXPECT_EQ(prompter.boxes()[0].caption, "Error");
  EXPECT_EQ(prompter.boxes()[0].buttons, PromptButtons::kRetryCancel);
  EXPECT_EQ(prompter.boxes()[0].icon, PromptIcon::kQuestion);
}

TEST_F(CsvExportTest, CancelOnFullDiskWritesNothingAndLeavesNoFile) {
  PutMeeting();
  ScriptedPrompter prompter({PromptAnswer::kCancel});
  ScriptedFreeSpace space({0});
  EXPECT_EQ(
      CsvExporter(store_, kHour12, kDateMdy).ExportCsv(dir_ / "s.csv", kSchedule, prompter, space),
      -1);
  EXPECT_EQ(prompter.boxes().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "s.csv"));
}

TEST_F(CsvExportTest, RewritingALargerFileNeedsNoFreeSpace) {
  PutMeeting();
  WriteText(dir_ / "s.csv", std::string(4096, 'x'));
  ScriptedPrompter prompter;
  ScriptedFreeSpace space({0});
  EXPECT_EQ(
      CsvExporter(store_, kHour12, kDateMdy).ExportCsv(dir_ / "s.csv", kSchedule, prompter, space),
      1);
  EXPECT_TRUE(prompter.boxes().empty());
  EXPECT_EQ(ReadText(dir_ / "s.csv").substr(0, 4), "Date");
}

TEST_F(CsvExportTest, PathThatCannotBeOpenedShowsTheSystemText) {
  ScriptedPrompter prompter;
  ScriptedFreeSpace space({1 << 20});
  EXPECT_EQ(CsvExporter(store_, kHour12, kDateMdy)
                .ExportCsv(dir_ / "missing" / "s.csv", kSchedule, prompter, space),
            -1);
  ASSERT_EQ(prompter.boxes().size(), 1u);
  EXPECT_EQ(prompter.boxes()[0].text, SystemErrorText(ENOENT));
  EXPECT_EQ(prompter.boxes()[0].caption, "Error");
  EXPECT_EQ(prompter.boxes()[0].buttons, PromptButtons::kOk);
  EXPECT_EQ(prompter.boxes()[0].icon, PromptIcon::kInformation);
}

TEST_F(CsvExportTest, FailedWriteKeepsThePreviousFile) {
  PutMeeting();
  WriteText(dir_ / "s.csv", "previous contents");
  ScriptedPrompter prompter({PromptAnswer::kCancel});
  ScriptedFreeSpace space({1 << 20});
  DiskFullWriter disk(10, 28);
  const int result = CsvExporter(store_, kHour12, kDateMdy)
                         .ExportCsv(dir_ / "s.csv", kSchedule, prompter, space, disk);
  EXPECT_EQ(result, -1);
  ASSERT_EQ(prompter.boxes().size(), 1u);
  EXPECT_EQ(prompter.boxes()[0].text, SystemErrorText(28));
  EXPECT_EQ(prompter.boxes()[0].buttons, PromptButtons::kRetryCancel);
  EXPECT_EQ(ReadText(dir_ / "s.csv"), "previous contents");
  // Nothing but the target is left in the directory.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(CsvExportTest, RetryAfterAFailedWriteWritesTheFile) {
  PutMeeting();
  DiskFullWriter disk(10, 28);
  struct RetryOnce : ScriptedPrompter {
    explicit RetryOnce(DiskFullWriter& disk) : disk(disk) {}
    PromptAnswer Ask(const PromptBox& box) override {
      disk.MakeRoom();  // the disk has room again
      ScriptedPrompter::Ask(box);
      return PromptAnswer::kRetry;
    }
    DiskFullWriter& disk;
  } prompter(disk);
  ScriptedFreeSpace space({1 << 20});
  const int result = CsvExporter(store_, kHour12, kDateMdy)
                         .ExportCsv(dir_ / "s.csv", kSchedule, prompter, space, disk);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(prompter.boxes().size(), 1u);
  EXPECT_EQ(ReadText(dir_ / "s.csv").substr(0, 4), "Date");
}

TEST_F(CsvExportTest, Utf8ModeConvertsTexts) {
  ASSERT_EQ(PutMemoRecord(store_, MemoRecord{"caf\xE9 \x80"}, 0), kStoreOk);
  ASSERT_EQ(PutMemoRecord(store_, MemoRecord{"odd \x81"}, 1), kStoreOk);
  ScriptedPrompter prompter;
  ScriptedFreeSpace space({1 << 20});
  CsvExporter exporter(store_, kHour12, kDateMdy, CsvEncoding::kUtf8);
  EXPECT_EQ(exporter.ExportCsv(dir_ / "m.csv", kMemo, prompter, space), 2);
  EXPECT_EQ(ReadText(dir_ / "m.csv"), "Memo\r\ncaf\xC3\xA9 \xE2\x82\xAC\r\nodd ?\r\n");
  EXPECT_EQ(exporter.replaced_characters(), 1);
}

}  // namespace
}  // namespace kivo
