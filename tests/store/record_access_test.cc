#include "store/record_access.h"

#include <vector>

#include <gtest/gtest.h>

#include "platform/link_defaults.h"
#include "store/amount.h"

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

class RecordAccessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_.GetAppliBuf(kStoreSlots), kStoreOk); }
  AppliStore store_{CodeTables::Identity()};
};

TEST_F(RecordAccessTest, GetOfAbsentApplicationLeavesViewAlone) {
  ScheduleRecord s;
  s.description = "keep";
  EXPECT_EQ(GetScheduleRecord(store_, &s, 0), kStoreLoadError);
  EXPECT_EQ(s.description, "keep");
  AnniversaryRecord a;
  ToDoRecord t;
  MemoRecord m;
  ExpenseRecord e;
  TelephoneRecord p;
  EXPECT_EQ(GetAnniversaryRecord(store_, &a, 0), kStoreLoadError);
  EXPECT_EQ(GetToDoRecord(store_, &t, 0), kStoreLoadError);
  EXPECT_EQ(GetMemoRecord(store_, &m, 0), kStoreLoadError);
  EXPECT_EQ(GetExpenseRecord(store_, &e, 0), kStoreLoadError);
  EXPECT_EQ(GetTelephoneRecord(store_, &p, 0), kStoreLoadError);
}

TEST_F(RecordAccessTest, PutCreatesApplicationAndCategoryList) {
  MemoRecord m{"first"};
  ASSERT_EQ(PutMemoRecord(store_, m, 0), kStoreOk);
  EXPECT_EQ(store_.GetRecordCount(kMemo), 1);
  EXPECT_EQ(store_.GetRecordCount(kCategoryList), 1);
  CategoryNames names;
  ASSERT_EQ(GetCategoryNames(store_, &names), kStoreOk);
  EXPECT_EQ(names, DefaultCategoryNames());
  // Puts go in index order.
  EXPECT_EQ(PutMemoRecord(store_, MemoRecord{"x"}, 5), kStoreRefused);
  ASSERT_EQ(PutMemoRecord(store_, MemoRecord{"second"}, 1), kStoreOk);
  MemoRecord back;
  ASSERT_EQ(GetMemoRecord(store_, &back, 1), kStoreOk);
  EXPECT_EQ(back.text, "second");
  EXPECT_EQ(GetMemoRecord(store_, &back, 2), kStoreInvalid);
  EXPECT_EQ(GetMemoRecord(store_, &back, -1), kStoreInvalid);
}

TEST_F(RecordAccessTest, EveryKindRoundTripsThroughTheStore) {
  ScheduleRecord s;
  s.date = BcdDate::FromYmd(2002, 1, 5);
  s.reserved = {1, 2, 3};
  s.description = "Meet";
  AnniversaryRecord a;
  a.date = BcdDate::FromYmd(1999, 7, 4);
  a.reminder = 3;
  a.description = "Day";
  ToDoRecord t;
  t.state = 0x82;
  t.description = "Task";
  ExpenseRecord e;
  e.flags = 0xF2;
  EncodeAmount(&e, -3);
  e.reserved[19] = 0xAB;
  e.memo = "Taxi";
  TelephoneRecord p;
  p.category = 2;
  p.texts[kEmail] = "a@b.c";
  ASSERT_EQ(PutScheduleRecord(store_, s, 0), kStoreOk);
  ASSERT_EQ(PutAnniversaryRecord(store_, a, 0), kStoreOk);
  ASSERT_EQ(PutToDoRecord(store_, t, 0), kStoreOk);
  ASSERT_EQ(PutExpenseRecord(store_, e, 0), kStoreOk);
  ASSERT_EQ(PutTelephoneRecord(store_, p, 0), kStoreOk);

  ScheduleRecord s2;
  AnniversaryRecord a2;
  ToDoRecord t2;
  ExpenseRecord e2;
  TelephoneRecord p2;
  ASSERT_EQ(GetScheduleRecord(store_, &s2, 0), kStoreOk);
  ASSERT_EQ(GetAnniversaryRecord(store_, &a2, 0), kStoreOk);
  ASSERT_EQ(GetToDoRecord(store_, &t2, 0), kStoreOk);
  ASSERT_EQ(GetExpenseRecord(store_, &e2, 0), kStoreOk);
  ASSERT_EQ(GetTelephoneRecord(store_, &p2, 0), kStoreOk);
  EXPECT_EQ(EncodeScheduleRecord(s2), EncodeScheduleRecord(s));
  EXPECT_EQ(EncodeAnniversaryRecord(a2), EncodeAnniversaryRecord(a));
  EXPECT_EQ(EncodeToDoRecord(t2), EncodeToDoRecord(t));
  EXPECT_EQ(EncodeExpenseRecord(e2), EncodeExpenseRecord(e));
  EXPECT_EQ(EncodeTelephoneRecord(p2), EncodeTelephoneRecord(p));
  EXPECT_DOUBLE_EQ(DecodeAmount(e2), -3);
}

// A record received from the organizer keeps its reserved bytes through a
// get and a put into a fresh application.
TEST_F(RecordAccessTest, ReceivedReservedBytesSurviveGetAndPut) {
  Bytes received = {0x20, 0x02, 0x01, 0x05, 0x09, 0x30, 0x10, 0x00, 0x11,
                    0x22, 0x33, 0x15, 0x44, 0x40, 'a',  0,    0xFF};
  ASSERT_EQ(store_.AddAppliData(kSchedule, received), kStoreOk);
  ScheduleRecord s;
  ASSERT_EQ(GetScheduleRecord(store_, &s, 0), kStoreOk);
  ASSERT_EQ(store_.ResetAppli(kSchedule), kStoreOk);
  ASSERT_EQ(PutScheduleRecord(store_, s, 0), kStoreOk);
  std::span<const uint8_t> stored = store_.Record(kSchedule, 0);
  EXPECT_EQ(Bytes(stored.begin(), stored.end()), received);
}

TEST_F(RecordAccessTest, MalformedStoredRecordIsInvalid) {
  ASSERT_EQ(store_.AddAppliData(kExpense, Bytes{1, 2, 3, 0xFF}), kStoreOk);
  ExpenseRecord e;
  e.memo = "keep";
  EXPECT_EQ(GetExpenseRecord(store_, &e, 0), kStoreInvalid);
  EXPECT_EQ(e.memo, "keep");
}

TEST_F(RecordAccessTest, CategoryNamesNeedTheList) {
  CategoryNames names = DefaultCategoryNames();
  names.names[0] = "Food";
  EXPECT_EQ(SetCategoryNames(store_, names), kStoreRefused);
  EXPECT_FALSE(store_.IsPresent(kCategoryList));
  CategoryNames out;
  EXPECT_EQ(GetCategoryNames(store_, &out), kStoreLoadError);

  ASSERT_EQ(store_.EnsureAppli(0, true), kStoreOk);
  ASSERT_EQ(SetCategoryNames(store_, names), kStoreOk);
  ASSERT_EQ(GetCategoryNames(store_, &out), kStoreOk);
  EXPECT_EQ(out, names);
  ASSERT_EQ(SetDefaultCategoryNames(store_), kStoreOk);
  ASSERT_EQ(GetCategoryNames(store_, &out), kStoreOk);
  EXPECT_EQ(out, DefaultCategoryNames());
  EXPECT_EQ(store_.GetRecordCount(kCategoryList), 1);

  // A list present without a record reads as the default names.
  ASSERT_EQ(store_.ResetAppli(kCategoryList), kStoreOk);
  ASSERT_EQ(GetCategoryNames(store_, &out), kStoreOk);
  EXPECT_EQ(out, DefaultCategoryNames());
}

struct ExpenseTextCase {
  uint8_t flags;
  const char* receipt;
  const char* category;
  const char* payment;
};

TEST_F(RecordAccessTest, ExpenseTextsFromFlags) {
  ASSERT_EQ(store_.EnsureAppli(0, true), kStoreOk);
  const ExpenseTextCase cases[] = {
      {0x00, "No", "Meals", "Cash"},
      {0xF2, "Yes", "Misc", "Card"},
      {0x51, "No", "Enter't", "Check"},
      {0x8F, "Yes", "Meals", "Others"},  // bits 2 and 3 play no part
  };
  for (const ExpenseTextCase& c : cases) {
    ExpenseRecord e;
    e.flags = c.flags;
    std::string receipt, category, payment;
    EXPECT_EQ(GetExpenseTexts(store_, e, &receipt, &category, &payment), 1);
    EXPECT_EQ(receipt, c.receipt);
    EXPECT_EQ(category, c.category);
    EXPECT_EQ(payment, c.payment);
  }
}

TEST_F(RecordAccessTest, ExpenseTextsWithoutCategoryList) {
  ExpenseRecord e;
  e.flags = 0xF2;
  std::string receipt, category = "unset", payment;
  EXPECT_EQ(GetExpenseTexts(store_, e, &receipt, &category, &payment), 0);
  EXPECT_EQ(receipt, "Yes");
  EXPECT_EQ(payment, "Card");
  EXPECT_EQ(category, "unset");
}

TEST_F(RecordAccessTest, ParseWordsIntoFlags) {
  ASSERT_EQ(store_.EnsureAppli(0, true), kStoreOk);
  ExpenseRecord e;
  ParseReceipt(&e, "Yes");
  ParseCategory(store_, &e, "Misc");
  ParsePayment(&e, "Card");
  EXPECT_EQ(e.flags, 0xF2);
  // Unknown or differently cased words change nothing.
  for (const char* word : {"yes", "Maybe", ""}) ParseReceipt(&e, word);
  ParseCategory(store_, &e, "misc");
  ParsePayment(&e, "card");
  EXPECT_EQ(e.flags, 0xF2);
  // A known word replaces the earlier value.
  ParsePayment(&e, "Check");
  ParseCategory(store_, &e, "Hotel");
  ParseReceipt(&e, "No");
  EXPECT_EQ(e.flags, 0x11);
  ParsePayment(&e, "Cash");
  EXPECT_EQ(e.flags, 0x10);
}

TEST_F(RecordAccessTest, ParseCategoryWithoutListLeavesFlags) {
  ExpenseRecord e;
  e.flags = 0x30;
  ParseCategory(store_, &e, "Meals");
  EXPECT_EQ(e.flags, 0x30);
}

}  // namespace
}  // namespace kivo
