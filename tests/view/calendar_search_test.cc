// The calendar model and the search index without widgets: where each kind of
// entry lands, in which order, what a search finds, and that both follow the
// records they were built from.

#include <map>

#include <gtest/gtest.h>

#include "format/date_format.h"
#include "support/records.h"
#include "view/calendar_model.h"
#include "view/search_index.h"

namespace kivo {
namespace {

using Records = std::map<AppliId, std::vector<std::vector<uint8_t>>>;

RecordSource SourceOf(const Records& records) {
  return [&records](AppliId id) {
    RecordViews list;
    if (auto it = records.find(id); it != records.end()) {
      for (const auto& record : it->second) list.emplace_back(record);
    }
    return list;
  };
}

TEST(CalendarDays, NumbersRoundTripAndWeeksStartByTheDateFormat) {
  int previous = DayNumber(1949, 12, 31);
  for (int year = 1950; year <= 2150; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= DaysInMonth(year, month); ++day) {
        const int number = DayNumber(year, month, day);
        ASSERT_EQ(number, previous + 1) << year << "-" << month << "-" << day;
        ASSERT_EQ(DateOfDay(number), (DateValue{year, month, day}));
        previous = number;
      }
    }
  }
  const int thursday = DayNumber(2002, 6, 20);
  EXPECT_EQ(WeekdayOf(thursday), 3);
  EXPECT_EQ(WeekStart(thursday, kDateMdy), DayNumber(2002, 6, 16));  // Sunday
  EXPECT_EQ(WeekStart(thursday, kDateDmy), DayNumber(2002, 6, 17));  // Monday
  EXPECT_EQ(MonthPageStart(2002, 6, kDateYmd), DayNumber(2002, 5, 27));
}

TEST(CalendarModel, PlacesEveryKindOnItsDaysInOrder) {
  Records records;
  records[kSchedule] = {test::Schedule(2004, 2, 29, 14, 0, 15, 0, false, 0, "late"),
                        test::Schedule(2004, 2, 29, 9, 30, 9, 0, false, 0, "early"),
                        test::Schedule(2004, 2, 30, 9, 0, 10, 0, false, 0, "no such day")};
  records[kAnniversary] = {test::Anniversary(1980, 2, 29, 0, "leap birthday"),
                           test::Anniversary(1990, 3, 1, 0, "march")};
  records[kToDo] = {test::ToDo(1, true, 2004, 2, 29, "done"),
                    test::ToDo(5, false, 2004, 2, 29, "pending later"),
                    test::ToDo(2, false, 2004, 2, 29, "pending first")};
  CalendarModel model;
  ASSERT_TRUE(model.Sync(SourceOf(records)));
  EXPECT_FALSE(model.Sync(SourceOf(records)));
  EXPECT_EQ(model.entry_count(), 7);  // the 30 February is nowhere

  auto texts = [&](int day, uint8_t mask = kCalendarAppliMask) {
    std::vector<std::string> out;
    const auto days = model.Days(day, 1, mask);
    for (const CalendarEntry* e : days.front()) out.push_back(e->text);
    return out;
  };
  EXPECT_EQ(texts(DayNumber(2004, 2, 29)),
            (std::vector<std::string>{"leap birthday", "pending first", "pending later", "done",
                                      "early", "late"}));
  // In other years 29 February is kept on the 28th; every year has its March.
  EXPECT_EQ(texts(DayNumber(2003, 2, 28)), (std::vector<std::string>{"leap birthday"}));
  EXPECT_EQ(texts(DayNumber(2150, 3, 1)), (std::vector<std::string>{"march"}));
  EXPECT_EQ(texts(DayNumber(2004, 2, 29), 1u << kSchedule),
            (std::vector<std::string>{"early", "late"}));
  // The early entry ends before it starts: it lasts no time at all.
  const CalendarEntry* early = model.Find(kSchedule, 1);
  ASSERT_NE(early, nullptr);
  EXPECT_EQ(early->start, 9 * 60 + 30);
  EXPECT_EQ(early->end, early->start);

  // An edit moves its entry; the others keep their places.
  records[kSchedule][1] = test::Schedule(2004, 3, 1, 8, 0, 9, 0, false, 0, "moved");
  ASSERT_TRUE(model.Sync(SourceOf(records)));
  EXPECT_EQ(texts(DayNumber(2004, 3, 1), 1u << kSchedule), (std::vector<std::string>{"moved"}));
  EXPECT_EQ(model.Find(kSchedule, 0)->text, "late");
}

TEST(SearchIndex, FindsFoldedTextOnceARecordInTabOrder) {
  Records records;
  records[kMemo] = {test::Memo("Caf\xE9 M\xFCller, M\xFCller\r\nagain"), test::Memo("other")};
  records[kSchedule] = {test::Schedule(2002, 6, 20, 7, 0, 8, 0, false, 0, "Review MULLER")};
  TelephoneRecord card;
  card.texts[kLastName] = "Moller";
  card.texts[kCity] =
      "Stra\xDF"
      "burg";
  records[kTelephone] = {EncodeTelephoneRecord(card)};
  records[kExpense] = {test::Expense(2002, 1, 2, 1, 12.5, 0, false, "taxi")};
  RowContext context;
  context.category_names = {"Meals", "Hotel", "Car", "Phone", "Fares", "Enter't", "Tips", "Misc"};
  SearchIndex index;
  ASSERT_TRUE(index.Sync(SourceOf(records), context));
  EXPECT_FALSE(index.Sync(SourceOf(records), context));

  const std::vector<SearchHit> hits = index.Find("m\xDCller");
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].appli, kSchedule);  // Schedule's tab comes first
  EXPECT_EQ(hits[1].appli, kMemo);
  EXPECT_EQ(hits[1].position, 0);
  const SearchIndex::Shown shown = index.Show(hits[1], Folded("m\xDCller").size());
  EXPECT_EQ(shown.text, "Caf\xE9 M\xFCller, M\xFCller  again");
  EXPECT_EQ(shown.match, (TextSpan{5, 6}));
  EXPECT_EQ(index.Show(hits[0], 6).date, "06/20/2002 07:00 AM");
  // Joined fields and a sharp s; Expense by its category's name.
  EXPECT_EQ(index.Find("moller \xB7 strass").size(), 1u);
  EXPECT_EQ(index.Find("hotel").size(), 1u);
  EXPECT_EQ(index.Find("hotel", 1u << kMemo).size(), 0u);
  EXPECT_TRUE(index.Find("").empty());

  // A renamed category and an edited memo are found as they are now.
  context.category_names[1] = "Lodging";
  records[kMemo][1] = test::Memo("M\xFCller too");
  ASSERT_TRUE(index.Sync(SourceOf(records), context));
  EXPECT_EQ(index.Find("muller").size(), 3u);
  EXPECT_TRUE(index.Find("hotel").empty());
  EXPECT_EQ(index.Find("lodging").size(), 1u);
}

}  // namespace
}  // namespace kivo
