#include "csv/csv_reader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/link_defaults.h"
#include "store/record_access.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

class CsvReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_.GetAppliBuf(kStoreSlots), kStoreOk); }

  // Imports `text` as a file into the application; -2 when Open refuses it.
  int Import(const std::string& text, AppliId id, int* lines_read = nullptr,
             CsvEncoding encoding = CsvEncoding::kWindows1252) {
    WriteText(dir_ / "in.csv", text);
    CsvReader reader(kHour12, kDateMdy, encoding, allowed_);
    if (!reader.Open(dir_ / "in.csv", id)) return -2;
    int lines = 0;
    const int taken = reader.ImportCsv(store_, id, &lines);
    if (lines_read != nullptr) *lines_read = lines;
    replaced_ = reader.replaced_characters();
    return taken;
  }

  std::vector<std::string> Memos() {
    std::vector<std::string> memos;
    for (int i = 0; i < store_.GetRecordCount(kMemo); ++i) {
      MemoRecord r;
      EXPECT_EQ(GetMemoRecord(store_, &r, i), kStoreOk);
      memos.push_back(r.text);
    }
    return memos;
  }

  AppliStore store_{CodeTables::Identity()};
  AllowedTable allowed_ = AllAllowed();
  TempDir dir_;
  int replaced_ = 0;
};

struct SplitCase {
  const char* name;
  std::string file;  // after the header line "Memo\r\n"
  std::vector<std::string> memos;
  int lines_read;
};

const SplitCase kSplitCases[] = {
    {"plain", "one\r\ntwo\r\n", {"one", "two"}, 2},
    {"lf and cr endings", "one\ntwo\rthree", {"one", "two", "three"}, 3},
    {"last line without end", "one\r\ntwo", {"one", "two"}, 2},
    {"blanks kept", "  padded  \r\n", {"  padded  "}, 1},
    {"quoted comma", "\"a, b\"\r\n", {"a, b"}, 1},
    {"doubled quotes", "\"say \"\"hi\"\"\"\r\n", {"say \"hi\""}, 1},
    {"quote inside unquoted field", "5\" disk\r\n", {"5\" disk"}, 1},
    {"only the first field", "first,second\r\n", {"first"}, 1},
    {"empty quoted field", "\"\"\r\n", {""}, 1},
    // A quoted field over two lines is joined with one blank.
    {"joined lines", "\"line one\r\nline two\"\r\nnext\r\n", {"line one line two", "next"}, 2},
    {"joined three lines", "\"a\r\nb\r\nc\"\r\n", {"a b c"}, 1},
    // Characters after the closing quote stay; the quote was closed, so the
    // next line is a line of its own.
    {"text after closing quote", "\"ab\"cd\r\nef\r\n", {"abcd", "ef"}, 2},
    // A field ending in a doubled quote is still open.
    {"doubled quote at the end", "\"6\"\"\r\nx\"\r\n", {"6\" x"}, 1},
    // An unclosed quote at the end of the file is a broken line.
    {"unclosed at end", "ok\r\n\"never closed\r\nmore", {"ok"}, 2},
    // An empty line has no field at all and is rejected.
    {"empty line", "one\r\n\r\ntwo\r\n", {"one", "two"}, 3},
    {"empty file body", "", {}, 0},
};

TEST_F(CsvReaderTest, SplitsLinesAndFields) {
  for (const SplitCase& c : kSplitCases) {
    store_.ResetAppli(kMemo);
    int lines = -1;
    EXPECT_EQ(Import("Memo\r\n" + c.file, kMemo, &lines), static_cast<int>(c.memos.size()))
        << c.name;
    EXPECT_EQ(Memos(), c.memos) << c.name;
    EXPECT_EQ(lines, c.lines_read) << c.name;
  }
}

struct HeaderCase {
  AppliId id;
  const char* header;
  bool accepted;
};

const HeaderCase kHeaderCases[] = {
    {kSchedule, "Date,Start Time,End Time,Alarm,Reminder,Description", true},
    {kSchedule, "Date", true},
    {kSchedule, "Date,Priority,Description", false},  // a To Do file
    {kSchedule, "Date,Amount,Memo", false},           // an Expense file
    {kSchedule, "date,Description", false},           // names are case-sensitive
    {kSchedule, " Date,Description", false},          // and not trimmed
    {kAnniversary, "Date,Reminder,Description", true},
    {kAnniversary, "Description", false},
    {kToDo, "Priority,Status,Due Date,Description", true},
    {kToDo, "Priority,Status,Due Date", false},
    {kMemo, "Memo", true},
    {kMemo, "Description", true},
    {kMemo, "Memo,Description", false},
    {kMemo, "Note", false},
    {kExpense, "Date,Category,Amount,Payment,Receipt,Memo", true},
    {kExpense, "Date,Category,Payment", false},
    {kTelephone, "Category,Last Name,First Name,Company,Home#", true},
    {kTelephone, "Name,Number,Email,Remark", true},
    {kTelephone, "Company,URL", true},
    {kTelephone, "Last Name,City", false},
    {kTelephone, "Home#,Office#", false},
    {kCategoryList, "Memo", false},
    {200, "Memo", false},
};

TEST_F(CsvReaderTest, RecognisesHeadersByApplication) {
  for (const HeaderCase& c : kHeaderCases) {
    EXPECT_EQ(Import(std::string(c.header) + "\r\n", c.id) != -2, c.accepted)
        << int(c.id) << " " << c.header;
  }
}

TEST_F(CsvReaderTest, RefusesMissingAndEmptyFiles) {
  CsvReader reader(kHour12, kDateMdy, CsvEncoding::kWindows1252, allowed_);
  EXPECT_FALSE(reader.Open(dir_ / "absent.csv", kMemo));
  WriteText(dir_ / "empty.csv", "");
  EXPECT_FALSE(reader.Open(dir_ / "empty.csv", kMemo));
  WriteText(dir_ / "broken.csv", "\"Memo\r\nx");
  EXPECT_FALSE(reader.Open(dir_ / "broken.csv", kMemo));
  // A reader that failed to open imports nothing.
  int lines = -1;
  EXPECT_EQ(reader.ImportCsv(store_, kMemo, &lines), 0);
  EXPECT_EQ(lines, 0);
}

TEST_F(CsvReaderTest, UnknownApplicationGivesMinusOne) {
  WriteText(dir_ / "in.csv", "Memo\r\nx\r\n");
  CsvReader reader(kHour12, kDateMdy, CsvEncoding::kWindows1252, allowed_);
  ASSERT_TRUE(reader.Open(dir_ / "in.csv", kMemo));
  int lines = -1;
  EXPECT_EQ(reader.ImportCsv(store_, kCategoryList, &lines), -1);
  EXPECT_EQ(lines, 0);
}

TEST_F(CsvReaderTest, ReadsUtf8FilesAndByteOrderMarks) {
  EXPECT_EQ(
      Import("Memo\r\ncaf\xC3\xA9 \xE2\x82\xAC \xCE\xA9\r\n", kMemo, nullptr, CsvEncoding::kUtf8),
      1);
  EXPECT_EQ(Memos().back(), "caf\xE9 \x80 ?");
  EXPECT_EQ(replaced_, 1);
  // With a byte-order mark the file is UTF-8 even when Windows-1252 was asked.
  EXPECT_EQ(Import("\xEF\xBB\xBFMemo\r\nna\xC3\xAFve\r\n", kMemo), 1);
  EXPECT_EQ(Memos().back(), "na\xEFve");
  // Without, Windows-1252 bytes are taken as they are.
  EXPECT_EQ(Import("Memo\r\nna\xEFve\r\n", kMemo), 1);
  EXPECT_EQ(Memos().back(), "na\xEFve");
}

TEST_F(CsvReaderTest, TextsAreFilteredCutAndFreedOfTerminators) {
  allowed_[','] = 0;
  allowed_['#'] = 0;
  const std::string long_text(120, 'x');
  EXPECT_EQ(Import("Memo\r\n\"a,b#c\"\r\n" + long_text + "\r\nend\xFFmark\r\n", kMemo), 3);
  const std::vector<std::string> memos = Memos();
  ASSERT_EQ(memos.size(), 3u);
  EXPECT_EQ(memos[0], "abc");
  EXPECT_EQ(memos[1], std::string(96, 'x'));
  EXPECT_EQ(memos[2], "end mark");
}

TEST_F(CsvReaderTest, OverlongLineEndsTheImport) {
  const std::string huge(3 << 20, 'y');
  int lines = 0;
  EXPECT_EQ(Import("Memo\r\nfirst\r\n" + huge + "\r\nlast\r\n", kMemo, &lines), 1);
  EXPECT_EQ(lines, 2);  // the overlong line counts as broken
}

TEST(ImportMessage, NamesRejectedRecordsWhenThereAreAny) {
  EXPECT_EQ(ImportMessage(3, 3), "3 records were successfully imported.");
  EXPECT_EQ(ImportMessage(0, 0), "0 records were successfully imported.");
  EXPECT_EQ(ImportMessage(3, 5),
            "3 records were successfully imported.\r\nOther records were rejected due to error.");
  EXPECT_EQ(ImportMessage(-1, 0), "Failed to Import");
}

}  // namespace
}  // namespace kivo
