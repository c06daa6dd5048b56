#include "view/main_view_model.h"

#include <gtest/gtest.h>

#include "format/today.h"
#include "support/records.h"

namespace kivo {
namespace {

class MainViewModelTest : public ::testing::Test {
 protected:
  MainViewModelTest() : model_(*store_, [] { return DateValue{2004, 6, 1}; }) {}

  void Show(AppliId id) { model_.ShowAppli(id, /*commit_first=*/false); }
  std::vector<std::string> Column(int column) const {
    std::vector<std::string> cells;
    for (const ListRow& row : model_.rows()) cells.push_back(row.cells[column]);
    return cells;
  }
  void AddPhones() {
    // 3 Business, 4 Personal, 3 Others (one with an odd category byte).
    const int categories[] = {1, 0, 0, 2, 1, 0, 7, 1, 0, 2};
    const char* names[] = {"Kim",  "Adams", "Lee",  "Zhou", "Baker",
                           "Cole", "Moss",  "Diaz", "Egan", "Ford"};
    for (int i = 0; i < 10; ++i) store_.Add(kTelephone, test::Telephone(categories[i], names[i]));
  }

  test::TestStore store_;
  MainViewModel model_;
};

TEST_F(MainViewModelTest, EmptyApplicationEnablesOnlyNew) {
  Show(kSchedule);
  const Enabling e = model_.enabling();
  EXPECT_FALSE(e.send || e.edit || e.remove || e.find);
  EXPECT_TRUE(e.create);
  EXPECT_TRUE(e.send_visible);
  EXPECT_FALSE(e.filter_visible);
  EXPECT_EQ(model_.selected_row(), -1);
  EXPECT_EQ(model_.RecordText(0, true), "");
}

TEST_F(MainViewModelTest, ExpenseHidesSendAndTelephoneShowsTheFilter) {
  store_.Add(kExpense, test::Expense(2002, 1, 1, 0, 5, 0, false, "x"));
  Show(kExpense);
  Enabling e = model_.enabling();
  EXPECT_TRUE(e.send && e.edit && e.remove && e.find && e.create);
  EXPECT_FALSE(e.send_visible);
  EXPECT_FALSE(e.filter_visible);
  model_.ShowAppli(kTelephone, true);
  e = model_.enabling();
  EXPECT_TRUE(e.send_visible);
  EXPECT_TRUE(e.filter_visible);
}

TEST_F(MainViewModelTest, TelephoneFilterSplitsShownAndHidden) {
  AddPhones();
  Show(kTelephone);
  EXPECT_EQ(model_.row_count(), 10);
  EXPECT_EQ(store_->GetRecordCount(kTelephone), 0);

  const std::pair<int, int> shown[] = {{1, 3}, {0, 4}, {2, 3}, {kFilterAll, 10}};
  for (const auto& [filter, rows] : shown) {
    model_.SetFilter(filter);
    EXPECT_EQ(model_.row_count(), rows) << filter;
    EXPECT_EQ(store_->GetRecordCount(kTelephone), 10 - rows) << filter;
    EXPECT_EQ(model_.AppliRecordCount(), 10) << filter;
    EXPECT_EQ(model_.selected_row(), 0) << filter;
    EXPECT_TRUE(model_.enabling().create);
  }
  // Leaving the tab puts all ten back, in the default order (last name).
  model_.SetFilter(1);
  model_.ShowAppli(kMemo, true);
  const auto records = store_.Records(kTelephone);
  ASSERT_EQ(records.size(), 10u);
  std::vector<std::string> names;
  for (const auto& r : records) names.push_back(TelephoneLastName(r));
  EXPECT_EQ(names, (std::vector<std::string>{"Adams", "Baker", "Cole", "Diaz", "Egan", "Ford",
                                             "Kim", "Lee", "Moss", "Zhou"}));
  // The odd category byte survived the trip.
  EXPECT_EQ(records[8][0], 7);
}

TEST_F(MainViewModelTest, RecordLimitCountsHiddenTelephoneRecords) {
  for (int i = 0; i < 919; ++i)
    store_.Add(kTelephone, test::Telephone(0, std::string("P").append(std::to_string(i))));
  store_.Add(kTelephone, test::Telephone(1, "Hidden"));
  Show(kTelephone);
  model_.SetFilter(0);
  EXPECT_EQ(model_.row_count(), 919);
  EXPECT_FALSE(model_.enabling().create);
  EXPECT_FALSE(model_.AppendRow(test::Telephone(0, "One more")));
  model_.DeleteRow(0);
  EXPECT_TRUE(model_.enabling().create);
  EXPECT_TRUE(model_.AppendRow(test::Telephone(0, "One more")));
  // It takes its place by last name, before "P1", and is selected there.
  EXPECT_EQ(model_.selected_row(), 0);
  EXPECT_EQ(model_.rows()[0].cells[1], "One more");
}

TEST_F(MainViewModelTest, ThreeClicksSortAscendingDescendingAscendingFollowingTheSelection) {
  for (const char* text : {"pear", "apple", "fig", "kiwi"}) store_.Add(kMemo, test::Memo(text));
  Show(kMemo);
  model_.SelectRow(2);  // fig
  const std::vector<std::string> up = {"apple", "fig", "kiwi", "pear"};
  const std::vector<std::string> down = {"pear", "kiwi", "fig", "apple"};
  const std::pair<std::vector<std::string>, int> expected[] = {{up, 1}, {down, 2}, {up, 1}};
  for (const auto& [order, fig_row] : expected) {
    ASSERT_TRUE(model_.SortOnColumn(0));
    EXPECT_EQ(Column(0), order);
    EXPECT_EQ(model_.selected_row(), fig_row);
    EXPECT_EQ(model_.rows()[model_.selected_row()].cells[0], "fig");
  }
}

TEST_F(MainViewModelTest, SortOnEmptyListDoesNothing) {
  Show(kToDo);
  EXPECT_FALSE(model_.SortOnColumn(0));
  EXPECT_EQ(model_.view_state(kToDo).directions[0], SortDirection::kNone);
}

TEST_F(MainViewModelTest, SortingIsStableAmongEqualKeys) {
  store_.Add(kToDo, test::ToDo(2, false, 2002, 1, 1, "first"));
  store_.Add(kToDo, test::ToDo(1, false, 2002, 1, 1, "second"));
  store_.Add(kToDo, test::ToDo(2, false, 2002, 1, 1, "third"));
  store_.Add(kToDo, test::ToDo(1, false, 2002, 1, 1, "fourth"));
  Show(kToDo);
  ASSERT_TRUE(model_.SortOnColumn(1));  // every status Pending
  EXPECT_EQ(Column(3), (std::vector<std::string>{"first", "second", "third", "fourth"}));
  ASSERT_TRUE(model_.SortOnColumn(0));
  EXPECT_EQ(Column(3), (std::vector<std::string>{"second", "fourth", "first", "third"}));
}

TEST_F(MainViewModelTest, ChangingTheDisplayFormatAndBackLeavesEveryRecordUnchanged) {
  std::vector<uint8_t> odd = test::Schedule(2002, 3, 4, 0, 0, 23, 59, true, 45, "odd");
  odd[9] = 0x5A;  // reserved byte from the organizer
  store_.Add(kSchedule, odd);
  store_.Add(kSchedule, test::Schedule(1950, 1, 1, 12, 0, 12, 1, false, 0, ""));
  store_.Add(kToDo, test::ToDo(10, true, 2150, 12, 31, "end"));
  store_.Add(kAnniversary, test::Anniversary(1976, 2, 29, 9, "leap"));
  store_.Add(kMemo, test::Memo("memo"));
  store_.Add(kExpense, test::Expense(2002, 5, 6, 4, -17.25, 3, true, "refund"));
  store_.Add(kExpense, test::Expense(2002, 5, 7, 1, 0, 0, false, ""));
  AddPhones();

  for (AppliId id : kTabAppli) {
    Show(id);
    model_.Commit(/*ordered=*/false);
    const auto before = store_.Records(id);
    Show(id);
    for (int date = 0; date < 3; ++date) {
      for (int hour = 0; hour < 2; ++hour) model_.ChangeDisplayModes(date, hour);
    }
    model_.ChangeDisplayModes(0, 0);
    model_.Commit(/*ordered=*/false);
    EXPECT_EQ(store_.Records(id), before) << int(id);
  }
}

TEST_F(MainViewModelTest, TabChangeCommitsInDefaultOrderAndKeepsTheViewState) {
  store_.Add(kSchedule, test::Schedule(2002, 5, 1, 9, 0, 10, 0, false, 0, "b"));
  store_.Add(kSchedule, test::Schedule(2002, 1, 1, 9, 0, 10, 0, false, 0, "a"));
  store_.Add(kSchedule, test::Schedule(2002, 1, 1, 8, 0, 10, 0, false, 0, "c"));
  Show(kSchedule);
  ASSERT_TRUE(model_.SortOnColumn(5));
  ASSERT_TRUE(model_.SortOnColumn(5));  // descending: c, b, a
  model_.SelectRow(1);
  model_.ShowAppli(kMemo, true);
  std::vector<std::string> stored;
  for (const auto& r : store_.Records(kSchedule)) {
    ScheduleRecord s;
    ASSERT_EQ(DecodeScheduleRecord(r, &s), 0);
    stored.push_back(s.description);
  }
  EXPECT_EQ(stored, (std::vector<std::string>{"c", "a", "b"}));
  model_.ShowAppli(kSchedule, true);
  EXPECT_EQ(Column(5), (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(model_.selected_row(), 1);
}

TEST_F(MainViewModelTest, ExpenseCategoryIndexListFollowsTheRows) {
  store_.Add(kExpense, test::Expense(2002, 1, 2, 5, 1, 0, false, "x"));
  store_.Add(kExpense, test::Expense(2002, 1, 1, 2, 1, 0, false, "y"));
  Show(kExpense);
  EXPECT_EQ(model_.CategoryIndexList(), (std::vector<int>{5, 2}));
  ASSERT_TRUE(model_.SortOnColumn(0));
  EXPECT_EQ(model_.CategoryIndexList(), (std::vector<int>{2, 5}));
  model_.DeleteRow(0);
  EXPECT_EQ(model_.CategoryIndexList(), (std::vector<int>{5}));
}

TEST_F(MainViewModelTest, DeleteSelectsTheSameIndexOrTheLastRow) {
  for (const char* text : {"a", "b", "c"}) store_.Add(kMemo, test::Memo(text));
  Show(kMemo);
  model_.DeleteRow(1);
  EXPECT_EQ(model_.selected_row(), 1);
  EXPECT_EQ(model_.rows()[1].cells[0], "c");
  model_.DeleteRow(1);
  EXPECT_EQ(model_.selected_row(), 0);
  model_.DeleteRow(0);
  EXPECT_EQ(model_.selected_row(), -1);
  EXPECT_FALSE(model_.enabling().edit);
}

TEST_F(MainViewModelTest, ReplacedTelephoneRecordOutsideTheFilterGoesToTheHiddenRecords) {
  AddPhones();
  Show(kTelephone);
  model_.SetFilter(1);
  ASSERT_EQ(model_.row_count(), 3);
  model_.ReplaceRow(0, test::Telephone(0, "Moved"));
  EXPECT_EQ(model_.row_count(), 2);
  EXPECT_EQ(model_.AppliRecordCount(), 10);
  EXPECT_TRUE(model_.AppendRow(test::Telephone(2, "Added hidden")));
  EXPECT_EQ(model_.row_count(), 2);
  EXPECT_EQ(model_.AppliRecordCount(), 11);
}

TEST_F(MainViewModelTest, FindStepsOnWithTheSameTextAndIgnoresCaseWhenAsked) {
  for (const char* text : {"Call Bob", "milk", "call Ann", "eggs"}) {
    store_.Add(kMemo, test::Memo(text));
  }
  Show(kMemo);
  EXPECT_EQ(model_.FindNext("call", true, false), 0);
  EXPECT_EQ(model_.FindNext("call", true, false), 2);
  EXPECT_EQ(model_.FindNext("call", true, false), -1);
  EXPECT_EQ(model_.selected_row(), 2);
  EXPECT_EQ(model_.FindNext("Call", false, true), 0);
  // A new text includes the selected row itself.
  EXPECT_EQ(model_.FindNext("Bob", true, true), 0);
}

TEST_F(MainViewModelTest, FindMatchesTheBeforeLineOfEveryAnniversary) {
  store_.Add(kAnniversary, test::Anniversary(2001, 1, 1, 1, "a"));
  store_.Add(kAnniversary, test::Anniversary(2001, 1, 2, 1, "b"));
  Show(kAnniversary);
  EXPECT_EQ(model_.FindNext("Before", true, true), 0);
  EXPECT_EQ(model_.FindNext("Before", true, true), 1);
}

// New rows take their place; several rows go in one step; Undo takes edits,
// deletes and an import back while their application stays as they left it.
TEST_F(MainViewModelTest, UndoTakesBackStepsWhileTheirApplicationIsUnchanged) {
  for (const char* text : {"a", "c", "e"}) store_.Add(kMemo, test::Memo(text));
  Show(kMemo);
  ASSERT_TRUE(model_.AppendRow(test::Memo("d")));
  EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "c", "d", "e"}));
  EXPECT_EQ(model_.selected_row(), 2);
  model_.SelectRows({0, 3, 9}, 3);  // 9 is no row
  EXPECT_EQ(model_.DeleteSelectedRows(), 2);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"c", "d"}));

  // An import into To Do while Memo is on screen: placed by due date.
  model_.Commit(/*ordered=*/false);
  model_.KeepForUndo(kToDo, "Import");
  store_.Add(kToDo, test::ToDo(1, false, 2003, 1, 1, "later"));
  store_.Add(kToDo, test::ToDo(1, false, 2002, 1, 1, "sooner"));
  model_.PlaceNewRecords(kToDo, 0);
  model_.Refresh(/*resort=*/false);
  EXPECT_EQ(store_.Records(kToDo)[0], test::ToDo(1, false, 2002, 1, 1, "sooner"));
  EXPECT_EQ(model_.NextUndo(), "Import");
  ASSERT_TRUE(model_.Undo());
  EXPECT_EQ(model_.appli(), kToDo);
  EXPECT_EQ(model_.row_count(), 0);

  // Memo changed another way (an Open): its steps are gone.
  model_.ShowAppli(kMemo, /*commit_first=*/true);
  EXPECT_EQ(model_.NextUndo(), "Delete 2 Entries");
  store_->ResetAppli(kMemo);
  model_.Refresh(/*resort=*/false);
  EXPECT_EQ(model_.NextUndo(), "");
  EXPECT_FALSE(model_.Undo());
}

}  // namespace
}  // namespace kivo
