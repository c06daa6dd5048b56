#include "store/record_codec.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/appli_id.h"
#include "store/result_code.h"

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(Bcd, ByteValues) {
  const std::pair<int, uint8_t> cases[] = {{0, 0x00},  {9, 0x09},  {10, 0x10}, {15, 0x15},
                                           {59, 0x59}, {99, 0x99}, {-5, 0x00}, {150, 0x99}};
  for (const auto& [value, byte] : cases) EXPECT_EQ(ToBcd(value), byte) << value;
  for (int v = 0; v < 100; ++v) EXPECT_EQ(FromBcd(ToBcd(v)), v);
}

// Nibbles above 9 read by the formula: never an error, never above 165.
TEST(Bcd, NibblesAboveNineReadByFormula) {
  const std::pair<uint8_t, int> cases[] = {{0x0A, 10}, {0xA0, 100}, {0x1F, 25}, {0xFF, 165}};
  for (const auto& [byte, value] : cases) {
    EXPECT_EQ(FromBcd(byte), value) << int(byte);
    EXPECT_FALSE(IsBcd(byte));
  }
  EXPECT_TRUE(IsBcd(0x99));
  BcdDate bad;
  bad.bytes = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(bad.year(), 16665);
  EXPECT_EQ(bad.month(), 165);
}

TEST(BcdDate, EncodesCenturyYearMonthDay) {
  BcdDate d = BcdDate::FromYmd(2001, 12, 31);
  EXPECT_EQ(d.bytes, (std::array<uint8_t, 4>{0x20, 0x01, 0x12, 0x31}));
  EXPECT_EQ(d.year(), 2001);
  EXPECT_EQ(d.month(), 12);
  EXPECT_EQ(d.day(), 31);
  BcdTime t = BcdTime::FromHm(23, 5);
  EXPECT_EQ(t.bytes, (std::array<uint8_t, 2>{0x23, 0x05}));
  EXPECT_EQ(t.hour(), 23);
  EXPECT_EQ(t.minute(), 5);
}

struct BcdCompareCase {
  Bytes a;
  Bytes b;
  int digits;
  int result;
};

TEST(CompareBcd, FirstDifferingDigitDecides) {
  const BcdCompareCase cases[] = {
      {{0x20, 0x01, 0x12, 0x31}, {0x20, 0x02, 0x01, 0x01}, 8, -1},
      {{0x20, 0x02, 0x01, 0x01}, {0x20, 0x01, 0x12, 0x31}, 8, 1},
      {{0x20, 0x01, 0x12, 0x31}, {0x20, 0x01, 0x12, 0x31}, 8, 0},
      {{0x12, 0x30}, {0x12, 0x31}, 4, -1},
      {{0x12, 0x30}, {0x12, 0x31}, 3, 0},  // odd count: low nibble of last byte ignored
      {{0x12, 0x30}, {0x12, 0x40}, 3, -1},
      {{0x12}, {0x12, 0x99}, 4, 0},  // digits beyond the shorter span are not compared
      {{0xA0}, {0x90}, 2, 1},        // nibbles above 9 compare by value
      {{}, {0x01}, 8, 0},
  };
  for (const BcdCompareCase& c : cases) {
    EXPECT_EQ(CompareBcd(c.a, c.b, c.digits), c.result);
  }
}

TEST(ScheduleRecord, AlarmReminderAndShortDescription) {
  ScheduleRecord r;
  r.date = BcdDate::FromYmd(2002, 1, 5);
  r.start_time = BcdTime::FromHm(9, 30);
  r.end_time = BcdTime::FromHm(10, 0);
  r.reminder = ToBcd(15);
  r.flags = ScheduleRecord::kAlarmOn;
  r.description = "Meet";
  Bytes expected = {0x20, 0x02, 0x01, 0x05, 0x09, 0x30, 0x10, 0x00, 0, 0,
                    0,    0x15, 0,    0x40, 'M',  'e',  'e',  't',  0, 0xFF};
  Bytes encoded = EncodeScheduleRecord(r);
  EXPECT_EQ(encoded.size(), 20u);
  EXPECT_EQ(encoded, expected);
  ScheduleRecord back;
  ASSERT_EQ(DecodeScheduleRecord(encoded, &back), kStoreOk);
  EXPECT_EQ(back.description, "Meet");
  EXPECT_TRUE(back.alarm_on());
  EXPECT_EQ(back.reminder_minutes(), 15);
  EXPECT_EQ(EncodeScheduleRecord(back), expected);
}

TEST(ToDoRecord, StateByteAndDueDate) {
  ToDoRecord r;
  r.state = ToDoRecord::MakeState(true, 3);
  r.due_date = BcdDate::FromYmd(2002, 1, 5);
  r.description = "x";
  Bytes encoded = EncodeToDoRecord(r);
  EXPECT_EQ(encoded, (Bytes{0x82, 0x20, 0x02, 0x01, 0x05, 'x', 0, 0xFF}));
  ToDoRecord back;
  ASSERT_EQ(DecodeToDoRecord(encoded, &back), kStoreOk);
  EXPECT_TRUE(back.done());
  EXPECT_EQ(back.priority(), 3);
}

TEST(TelephoneRecord, LastNameOnlyIs21Bytes) {
  TelephoneRecord r;
  r.category = 1;
  r.texts[kLastName] = "Smith";
  Bytes expected = Cat({{0x01}, Text("Smith"), Bytes(14, 0), {0xFF}});
  Bytes encoded = EncodeTelephoneRecord(r);
  EXPECT_EQ(encoded.size(), 21u);
  EXPECT_EQ(encoded, expected);
  TelephoneRecord back;
  ASSERT_EQ(DecodeTelephoneRecord(encoded, &back), kStoreOk);
  EXPECT_EQ(back.category, 1);
  EXPECT_EQ(back.texts[kLastName], "Smith");
  EXPECT_EQ(back.texts[kNotes], "");
  EXPECT_EQ(TelephoneLastName(encoded), "Smith");
  EXPECT_EQ(EncodeTelephoneRecord(TelephoneRecord{}).size(), 16u);
}

TEST(TelephoneRecord, FullCapacityIs832Bytes) {
  TelephoneRecord r;
  for (int i = 0; i < kTelephoneTextCount; ++i) {
    r.texts[i] = std::string(kTelephoneCapacity[i] + 10, static_cast<char>('a' + i));
  }
  Bytes encoded = EncodeTelephoneRecord(r);
  EXPECT_EQ(encoded.size(), 832u);
  TelephoneRecord back;
  ASSERT_EQ(DecodeTelephoneRecord(encoded, &back), kStoreOk);
  for (int i = 0; i < kTelephoneTextCount; ++i) {
    EXPECT_EQ(back.texts[i], std::string(kTelephoneCapacity[i], static_cast<char>('a' + i)));
  }
}

TEST(ExpenseRecord, FlagsByte) {
  EXPECT_EQ(ExpenseRecord::MakeFlags(true, 7, 2), 0xF2);
  ExpenseRecord r;
  r.flags = 0xF2;
  EXPECT_TRUE(r.receipt());
  EXPECT_EQ(r.category_index(), 7);
  EXPECT_EQ(r.payment_kind(), 2);
}

TEST(MemoRecord, FullMemoIs98Bytes) {
  MemoRecord r{std::string(96, 'm')};
  Bytes encoded = EncodeMemoRecord(r);
  EXPECT_EQ(encoded.size(), 98u);
  EXPECT_EQ(encoded[96], 0);
  EXPECT_EQ(encoded[97], 0xFF);
  // Longer texts are cut to the capacity.
  r.text = std::string(200, 'm');
  EXPECT_EQ(EncodeMemoRecord(r).size(), 98u);
}

TEST(RecordSizes, FullCapacity) {
  std::string full(200, 'x');
  ScheduleRecord s;
  s.description = full;
  AnniversaryRecord a;
  a.description = full;
  ToDoRecord t;
  t.description = full;
  ExpenseRecord e;
  e.memo = full;
  CategoryNames n;
  n.names.fill(full);
  EXPECT_EQ(EncodeScheduleRecord(s).size(), 112u);
  EXPECT_EQ(EncodeAnniversaryRecord(a).size(), 112u);
  EXPECT_EQ(EncodeToDoRecord(t).size(), 103u);
  EXPECT_EQ(EncodeExpenseRecord(e).size(), 131u);
  EXPECT_EQ(EncodeCategoryNames(n).size(), 65u);
}

// Bytes the system never sets, as a received record carries them.
TEST(ReservedBytes, PassThroughDecodeAndEncode) {
  Bytes schedule =
      Cat({{0x20, 0x02, 0x01, 0x05, 0x09, 0x30, 0x10, 0x00, 0xA1, 0xB2, 0xC3, 0x15, 0xD4, 0x40},
           Text("Meet"),
           {0, 0xFF}});
  ScheduleRecord s;
  ASSERT_EQ(DecodeScheduleRecord(schedule, &s), kStoreOk);
  EXPECT_EQ(EncodeScheduleRecord(s), schedule);

  Bytes anniversary = Cat(
      {{0x20, 0x02, 0x03, 0x04, 1, 2, 3, 4, 5, 6, 7, 8, 0x05, 0xEE}, Text("Birthday"), {0, 0xFF}});
  AnniversaryRecord a;
  ASSERT_EQ(DecodeAnniversaryRecord(anniversary, &a), kStoreOk);
  EXPECT_EQ(a.reminder, 5);
  EXPECT_EQ(EncodeAnniversaryRecord(a), anniversary);

  Bytes expense = {0x20, 0x02, 0x01, 0x05, 0xF2, 0, 0, 0, 0, 0x50, 0x12, 0, 0x32};
  for (uint8_t k = 1; k <= 20; ++k) expense.push_back(k);
  expense.insert(expense.end(), {'l', 'u', 'n', 'c', 'h', 0, 0xFF});
  ExpenseRecord e;
  ASSERT_EQ(DecodeExpenseRecord(expense, &e), kStoreOk);
  EXPECT_EQ(e.memo, "lunch");
  EXPECT_EQ(EncodeExpenseRecord(e), expense);
}

TEST(CategoryNames, EnterTFillsItsSlot) {
  CategoryNames names = DefaultCategoryNames();
  EXPECT_EQ(names.names[5], "Enter't");
  Bytes encoded = EncodeCategoryNames(names);
  CategoryNames back;
  ASSERT_EQ(DecodeCategoryNames(encoded, &back), kStoreOk);
  EXPECT_EQ(back, names);
  names.names[0] = "Restaurant";  // cut to 7
  ASSERT_EQ(DecodeCategoryNames(EncodeCategoryNames(names), &back), kStoreOk);
  EXPECT_EQ(back.names[0], "Restaur");
}

// Texts that would break the record's structure are made safe on the way in.
TEST(Encoders, EmbeddedNulEndsTextAndFfBecomesBlank) {
  MemoRecord r{
      std::string("ab\xFF"
                  "c\0hidden",
                  10)};
  EXPECT_EQ(EncodeMemoRecord(r), (Bytes{'a', 'b', ' ', 'c', 0, 0xFF}));
  TelephoneRecord t;
  t.texts[kLastName] = std::string("A\0B", 3);
  t.texts[kFirstName] = "C";
  TelephoneRecord back;
  ASSERT_EQ(DecodeTelephoneRecord(EncodeTelephoneRecord(t), &back), kStoreOk);
  EXPECT_EQ(back.texts[kLastName], "A");
  EXPECT_EQ(back.texts[kFirstName], "C");
}

struct UntrustedCase {
  const char* name;
  Bytes bytes;
  int result;
  std::string text;  // the decoded description when the result is kStoreOk
};

// What a decoder makes of bytes that are not a well-formed record.
TEST(Decoders, UntrustedScheduleBytes) {
  Bytes header(14, 0);
  const UntrustedCase cases[] = {
      {"empty", {}, kStoreInvalid, ""},
      {"header cut short", Bytes(13, 0), kStoreInvalid, ""},
      {"terminator inside header", Cat({Bytes(5, 0), {0xFF}, Bytes(20, 'x')}), kStoreInvalid, ""},
      {"header only, no text, no terminator", header, kStoreOk, ""},
      {"text without NUL or terminator", Cat({header, Text("abc")}), kStoreOk, "abc"},
      {"text without NUL before terminator", Cat({header, Text("abc"), {0xFF}}), kStoreOk, "abc"},
      {"text beyond capacity", Cat({header, Bytes(300, 'z'), {0, 0xFF}}), kStoreOk,
       std::string(96, 'z')},
      {"bytes after terminator ignored", Cat({header, Text("a"), {0, 0xFF}, Text("junk")}),
       kStoreOk, "a"},
  };
  for (const UntrustedCase& c : cases) {
    ScheduleRecord r;
    r.description = "unchanged";
    EXPECT_EQ(DecodeScheduleRecord(c.bytes, &r), c.result) << c.name;
    EXPECT_EQ(r.description, c.result == kStoreOk ? c.text : "unchanged") << c.name;
  }
}

TEST(Decoders, HeaderLengthsPerApplication) {
  // One byte short of each header is refused; the header alone decodes.
  AnniversaryRecord a;
  ToDoRecord t;
  ExpenseRecord e;
  TelephoneRecord p;
  MemoRecord m;
  EXPECT_EQ(DecodeAnniversaryRecord(Bytes(13, 0), &a), kStoreInvalid);
  EXPECT_EQ(DecodeAnniversaryRecord(Bytes(14, 0), &a), kStoreOk);
  EXPECT_EQ(DecodeToDoRecord(Bytes(4, 0), &t), kStoreInvalid);
  EXPECT_EQ(DecodeToDoRecord(Bytes(5, 0), &t), kStoreOk);
  EXPECT_EQ(DecodeExpenseRecord(Bytes(32, 0), &e), kStoreInvalid);
  EXPECT_EQ(DecodeExpenseRecord(Bytes(33, 0), &e), kStoreOk);
  EXPECT_EQ(DecodeTelephoneRecord(Bytes{0xFF}, &p), kStoreInvalid);
  EXPECT_EQ(DecodeTelephoneRecord(Bytes{2}, &p), kStoreOk);
  EXPECT_EQ(DecodeMemoRecord(Bytes{0xFF}, &m), kStoreOk);
  EXPECT_EQ(m.text, "");
  EXPECT_EQ(DecodeMemoRecord(Bytes{}, nullptr), kStoreInvalid);
}

TEST(Decoders, TelephoneWithMissingTexts) {
  // Three texts, then the record ends: the other eleven come out empty.
  Bytes bytes = Cat({{0}, Text("Last"), {0}, Text("First"), {0}, Text("Co"), {0xFF}});
  TelephoneRecord r;
  r.texts.fill("old");
  ASSERT_EQ(DecodeTelephoneRecord(bytes, &r), kStoreOk);
  EXPECT_EQ(r.texts[kLastName], "Last");
  EXPECT_EQ(r.texts[kFirstName], "First");
  EXPECT_EQ(r.texts[kCompany], "Co");
  for (int i = kHomeNumber; i < kTelephoneTextCount; ++i) EXPECT_EQ(r.texts[i], "") << i;
  EXPECT_EQ(TelephoneLastName(Bytes{1, 'a', 'b'}), "ab");
  EXPECT_EQ(TelephoneLastName(Bytes{}), "");
}

TEST(Decoders, CategoryListWithFewerNames) {
  CategoryNames names;
  ASSERT_EQ(DecodeCategoryNames(Bytes{'A', 0, 'B', 0xFF}, &names), kStoreOk);
  EXPECT_EQ(names.names[0], "A");
  EXPECT_EQ(names.names[1], "B");
  for (int i = 2; i < kCategoryCount; ++i) EXPECT_EQ(names.names[i], "");
}

}  // namespace
}  // namespace kivo
