#include "view/row_sort.h"

#include <gtest/gtest.h>

#include "support/records.h"

namespace kivo {
namespace {

TEST(NextDirection, CyclesAscendingDescending) {
  EXPECT_EQ(NextDirection(SortDirection::kNone), SortDirection::kAscending);
  EXPECT_EQ(NextDirection(SortDirection::kAscending), SortDirection::kDescending);
  EXPECT_EQ(NextDirection(SortDirection::kDescending), SortDirection::kAscending);
}

TEST(MergeSortOrder, IsStableAndDescendingIsTheReverse) {
  // Keys with many ties; the position breaks no tie, so stability shows.
  const std::vector<int> keys = {3, 1, 2, 1, 3, 2, 1, 0, 3, 2, 2};
  const auto compare = [&](int a, int b) { return (keys[a] > keys[b]) - (keys[a] < keys[b]); };
  const std::vector<int> ascending =
      MergeSortOrder(static_cast<int>(keys.size()), compare, SortDirection::kAscending);
  EXPECT_EQ(ascending, (std::vector<int>{7, 1, 3, 6, 2, 5, 9, 10, 0, 4, 8}));
  std::vector<int> descending =
      MergeSortOrder(static_cast<int>(keys.size()), compare, SortDirection::kDescending);
  std::reverse(descending.begin(), descending.end());
  EXPECT_EQ(descending, ascending);
  EXPECT_TRUE(MergeSortOrder(0, compare, SortDirection::kAscending).empty());
}

struct OrderCase {
  const char* name;
  AppliId id;
  int column;
  std::vector<std::vector<uint8_t>> records;
  std::vector<int> ascending;
};

TEST(ColumnOrder, ComparesEachColumnAsTheListDefines) {
  const OrderCase cases[] = {
      {"anniversary date ignores the year",
       kAnniversary,
       0,
       {test::Anniversary(2001, 3, 1, 0, "a"), test::Anniversary(1960, 12, 1, 0, "b"),
        test::Anniversary(2100, 1, 5, 0, "c")},
       {2, 0, 1}},
      {"todo priority is a text order",
       kToDo,
       0,
       {test::ToDo(2, false, 2002, 1, 1, "two"), test::ToDo(10, false, 2002, 1, 1, "ten"),
        test::ToDo(1, false, 2002, 1, 1, "one")},
       {2, 1, 0}},
      {"todo status Done before Pending",
       kToDo,
       1,
       {test::ToDo(1, false, 2002, 1, 1, "p"), test::ToDo(1, true, 2002, 1, 1, "d")},
       {1, 0}},
      {"schedule date by BCD digits",
       kSchedule,
       0,
       {test::Schedule(2002, 1, 1, 0, 0, 0, 0, false, 0, ""),
        test::Schedule(1999, 12, 31, 0, 0, 0, 0, false, 0, ""),
        test::Schedule(2002, 1, 1, 0, 0, 0, 0, false, 0, "")},
       {1, 0, 2}},
      {"schedule alarm words No before Yes",
       kSchedule,
       3,
       {test::Schedule(2002, 1, 1, 0, 0, 0, 0, true, 5, ""),
        test::Schedule(2002, 1, 1, 0, 0, 0, 0, false, 0, "")},
       {1, 0}},
      {"schedule reminder as a number",
       kSchedule,
       4,
       {test::Schedule(2002, 1, 1, 0, 0, 0, 0, true, 30, ""),
        test::Schedule(2002, 1, 1, 0, 0, 0, 0, true, 5, "")},
       {1, 0}},
      {"expense amounts as numbers",
       kExpense,
       2,
       {test::Expense(2002, 1, 1, 0, 100, 0, false, ""),
        test::Expense(2002, 1, 1, 0, 9.5, 0, false, ""),
        test::Expense(2002, 1, 1, 0, -200, 0, false, "")},
       {2, 1, 0}},
      {"expense category by name",
       kExpense,
       1,
       {test::Expense(2002, 1, 1, 0, 1, 0, false, ""),   // Meals
        test::Expense(2002, 1, 1, 2, 1, 0, false, ""),   // Car
        test::Expense(2002, 1, 1, 1, 1, 0, false, "")},  // Hotel
       {1, 2, 0}},
      {"telephone category words",
       kTelephone,
       0,
       {test::Telephone(0, "p"), test::Telephone(2, "o"), test::Telephone(1, "b")},
       {2, 1, 0}},
      {"unknown column keeps the order", kMemo, 3, {test::Memo("b"), test::Memo("a")}, {0, 1}},
  };
  RowContext context;
  context.category_names = {"Meals", "Hotel", "Car", "Phone", "Fares", "Enter't", "Tips", "Misc"};
  for (const OrderCase& c : cases) {
    EXPECT_EQ(ColumnOrder(c.id, c.column, SortDirection::kAscending, c.records, context),
              c.ascending)
        << c.name;
  }
}

TEST(DefaultOrder, FirstKeyIsTheMajorOne) {
  RowContext context;
  const std::vector<std::vector<uint8_t>> todo = {
      test::ToDo(2, true, 2002, 1, 2, "a"), test::ToDo(2, false, 2002, 1, 1, "b"),
      test::ToDo(1, false, 2002, 1, 2, "c"), test::ToDo(2, false, 2002, 1, 2, "d"),
      test::ToDo(1, true, 2002, 1, 2, "e")};
  // Due date, then priority text, then status.
  EXPECT_EQ(DefaultOrder(kToDo, todo, context), (std::vector<int>{1, 4, 2, 0, 3}));

  const std::vector<std::vector<uint8_t>> phone = {test::Telephone(0, "Baker", "", "Zeta"),
                                                   test::Telephone(0, "Adams", "", "Beta"),
                                                   test::Telephone(0, "Baker", "", "Alpha")};
  EXPECT_EQ(DefaultOrder(kTelephone, phone, context), (std::vector<int>{1, 2, 0}));
}

}  // namespace
}  // namespace kivo
