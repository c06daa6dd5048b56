#include "view/record_text.h"

#include <gtest/gtest.h>

#include "support/records.h"

namespace kivo {
namespace {

struct TextCase {
  const char* name;
  AppliId id;
  std::vector<uint8_t> record;
  bool labelled;
  std::string text;
};

TEST(RecordText, BuildsEachApplicationsText) {
  const TextCase cases[] = {
      {"schedule without alarm", kSchedule,
       test::Schedule(2001, 12, 31, 9, 30, 10, 0, false, 0, "Meeting"), true,
       "[Date       ] 12/31/2001\r\n[Start Time ] 09:30 AM\r\n[End Time   ] 10:00 AM\r\n"
       "[Alarm      ] No\r\n[Description]\r\nMeeting"},
      {"schedule with alarm", kSchedule,
       test::Schedule(2001, 12, 31, 9, 30, 10, 0, true, 10, "Meeting"), true,
       "[Date       ] 12/31/2001\r\n[Start Time ] 09:30 AM\r\n[End Time   ] 10:00 AM\r\n"
       "[Alarm      ] Yes\r\n[Reminder   ] 10 Min.\r\n              Before.\r\n"
       "[Description]\r\nMeeting"},
      {"schedule plain, empty description", kSchedule,
       test::Schedule(2001, 12, 31, 9, 30, 10, 0, true, 5, ""), false,
       "12/31/2001\r\n09:30 AM\r\n10:00 AM\r\nYes\r\n5 Min.\r\n              Before.\r\n"},
      {"anniversary plain keeps Before", kAnniversary, test::Anniversary(2001, 2, 14, 3, "Val"),
       false, "02/14\r\n3 Days\r\n              Before.\r\nVal"},
      {"anniversary labelled", kAnniversary, test::Anniversary(2001, 2, 14, 3, ""), true,
       "[Date       ] 02/14\r\n[Reminder   ] 3 Days\r\n              Before.\r\n"},
      {"todo", kToDo, test::ToDo(3, true, 2002, 1, 5, "Taxes"), true,
       "[Priority   ] 3\r\n[Status     ] Done\r\n[Due Date   ] 01/05/2002\r\n"
       "[Description]\r\nTaxes"},
      {"memo", kMemo, test::Memo("Milk"), true, "[Memo]\r\nMilk"},
      {"memo plain", kMemo, test::Memo("Milk"), false, "Milk"},
      {"expense", kExpense, test::Expense(2002, 2, 9, 7, 12, 2, true, "Fuel"), true,
       "[Date    ] 02/09/2002\r\n[Category] Misc\r\n[Amount  ] 12.\r\n[Payment ] Card\r\n"
       "[Receipt ] Yes\r\n[Memo    ]\r\nFuel"},
      {"telephone only last name plain", kTelephone, test::Telephone(1, "Adams"), false,
       "Business\r\nAdams\r\n"},
      {"telephone labelled", kTelephone, test::Telephone(5, "Adams", "", "Acme", "555"), true,
       "[Category  ]\r\nOthers\r\n[Last name ]\r\nAdams\r\n[Company   ]\r\nAcme\r\n"
       "[Home#     ]\r\n555\r\n"},
  };
  RowContext context;
  context.category_names = {"Meals", "Hotel", "Car", "Phone", "Fares", "Enter't", "Tips", "Misc"};
  for (const TextCase& c : cases) {
    EXPECT_EQ(RecordText(c.id, c.record, c.labelled, context), c.text) << c.name;
  }
}

TEST(RecordText, TelephoneNotesEndTheText) {
  TelephoneRecord r{};
  r.texts[kLastName] = std::string("Li");
  r.texts[kNotes] = std::string("Call after six");
  EXPECT_EQ(RecordText(kTelephone, EncodeTelephoneRecord(r), true, RowContext{}),
            "[Category  ]\r\nPersonal\r\n[Last name ]\r\nLi\r\n[Notes     ]\r\nCall after six");
}

TEST(RecordText, DatesFollowTheDisplayMode) {
  RowContext context;
  context.display_date = 2;
  context.display_hour = 1;
  EXPECT_EQ(RecordText(kSchedule, test::Schedule(2001, 12, 31, 13, 5, 14, 0, false, 0, ""), false,
                       context),
            "2001.12.31\r\n13:05\r\n14:00\r\nNo\r\n");
}

}  // namespace
}  // namespace kivo
