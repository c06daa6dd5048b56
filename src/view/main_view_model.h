#ifndef KIVO_VIEW_MAIN_VIEW_MODEL_H_
#define KIVO_VIEW_MAIN_VIEW_MODEL_H_

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/today.h"
#include "store/appli_id.h"
#include "store/char_tables.h"
#include "view/appli_columns.h"
#include "view/list_row.h"
#include "view/row_sort.h"
#include "view/undo_steps.h"

namespace kivo {

class AppliStore;

// What an application's list looked like when it was last on screen; kept for
// the run, never saved.
struct ViewState {
  // The widths the user gave the columns; 0: the list fits the column to
  // what it holds.
  std::array<int, kMaxColumns> widths{};
  int sort_column = 0;
  std::array<SortDirection, kMaxColumns> directions{};
  int selected_row = 0;
  int scroll = 0;  // horizontal scroll position
};

// Which controls the main window enables and shows.
struct Enabling {
  bool send = false;            // SEND button
  bool edit = false;            // Edit button and Edit Entry
  bool remove = false;          // Delete button and Delete Entry
  bool find = false;            // Find
  bool create = false;          // New button and New Entry
  bool send_visible = true;     // hidden on the Expense tab
  bool filter_visible = false;  // Telephone only
};

// The main window's list without widgets. While an application is on screen its
// rows are the authoritative copy of its records; Commit puts them back into the
// store and Refresh rebuilds them from it. For Telephone the store holds
// meanwhile the records that the category filter hides.
//
// The store is borrowed and must outlive the model. Everything runs on the
// user-interface thread.
class MainViewModel {
 public:
  // today gives the year of an Anniversary row typed without one.
  MainViewModel(AppliStore& store, TodaySource today);

  // Display modes and the active sort table. Changing them does not touch the
  // rows: see ChangeDisplayModes.
  void SetDisplayModes(int display_date, int display_hour);
  void SetSortTable(const SortTable* table) { sort_table_ = table; }
  int display_date() const { return display_date_; }
  int display_hour() const { return display_hour_; }

  AppliId appli() const { return appli_; }
  const std::vector<ListRow>& rows() const { return rows_; }
  int row_count() const { return static_cast<int>(rows_.size()); }
  // The selected row, or -1.
  int selected_row() const { return selected_; }
  int filter() const { return filter_; }
  ViewState& view_state(AppliId id) { return states_[StateIndex(id)]; }
  const ViewState& view_state(AppliId id) const { return states_[StateIndex(id)]; }
  // The Expense rows' category indexes, in row order.
  [[nodiscard]] std::vector<int> CategoryIndexList() const;

  // Makes the application the one on screen without touching store or rows
  // (start-up, before the first Refresh).
  void SetAppli(AppliId id) { appli_ = id; }

  // Puts the rows back into the store: in list order, or ordered by the
  // application's default order (Telephone: rows after the hidden records, and
  // with ordered the whole application sorted). Stores the selected row.
  void Commit(bool ordered);
  // Rebuilds the rows from the store (Telephone: splits off the records the
  // filter hides and leaves only those in the store), sorts them by the sort
  // column in its direction when resort is set, and selects the remembered row.
  void Refresh(bool resort);
  // Optionally commits in default order, then puts the application on screen
  // and refreshes with re-sorting.
  void ShowAppli(AppliId id, bool commit_first);

  // Selects the row (clamped to the rows; -1 or no rows selects none) and
  // remembers it. Any other selected rows are no longer selected.
  void SelectRow(int row);
  // The selected rows, ascending; they hold selected_row() whenever a row is
  // selected.
  const std::vector<int>& selected_rows() const { return selection_; }
  // Selects several rows (Ctrl and Shift clicks). `current` is the one the
  // detail pane shows and Edit and SEND take; it joins the rows when they lack
  // it. Rows out of range are left out; none at all selects `current` alone.
  void SelectRows(std::vector<int> rows, int current);
  // The records of the selected rows, in list order.
  [[nodiscard]] std::vector<std::vector<uint8_t>> SelectedRecords() const;

  // A click on a column header. False when the list has no rows (nothing
  // happens). The selected record stays selected at its new position.
  bool SortOnColumn(int column);
  // Sorts again by the sort column in its current direction (ascending when
  // it was never sorted) and selects row 0: after a change of sort table.
  void Resort();

  // Telephone filter change: commit in list order, refresh with re-sorting,
  // select row 0.
  void SetFilter(int filter);
  // Commits with the old display modes, takes the new ones over and refreshes
  // with re-sorting.
  void ChangeDisplayModes(int display_date, int display_hour);

  // Records of the application on screen, for the limit: rows plus hidden
  // Telephone records.
  [[nodiscard]] int AppliRecordCount() const;
  [[nodiscard]] Enabling enabling() const;

  // The record of a row through the display formats in force.
  [[nodiscard]] std::vector<uint8_t> RowRecord(int row) const;
  // The text of a row's record, labelled for the detail pane or plain for Find;
  // empty for a row out of range.
  [[nodiscard]] std::string RecordText(int row, bool labelled) const;

  // Row edits, for New, Edit and Delete; each is one step for Undo. Replace
  // and Append take a record (with terminator). Append refuses (false) at the
  // record limit; the new row takes its place in the current order (the
  // sorted column's, else the application's default order) and is selected.
  void ReplaceRow(int row, std::span<const uint8_t> record);
  [[nodiscard]] bool AppendRow(std::span<const uint8_t> record);
  // Removes the row and selects the row now at its index, else the last row,
  // else none.
  void DeleteRow(int row);
  // Removes every selected row as one step; selects as DeleteRow does from
  // the first of them. The number of rows removed.
  int DeleteSelectedRows();

  // Undo of the edits, deletes and imports of the run. KeepForUndo is for a
  // change the model does not make itself (an import into the store): it
  // keeps the application's records, and the next Refresh notes how the
  // change left them. A step that changed nothing is forgotten.
  void KeepForUndo(AppliId id, std::string label);
  // After records were appended to the store's application (an import): the
  // ones from first_new on take their places among the others in the
  // default order; a sorted list sorts them at its next Refresh.
  void PlaceNewRecords(AppliId id, int first_new);
  // The label of the step Undo would take back, empty when there is none.
  // Steps whose application changed in another way since are dropped first.
  [[nodiscard]] std::string NextUndo();
  // Takes the newest step back: its application goes on screen (the one shown
  // is committed first) holding the records it had, with the record then
  // selected selected again. False when there was nothing to take back.
  bool Undo();
  [[nodiscard]] bool has_undo() const { return !undo_.empty(); }

  // One Find Next: from the selected row (row 0 if none), stepping one row
  // first when the text equals the previous search; the first row whose plain
  // record text holds the text is selected and returned, -1 when none.
  [[nodiscard]] int FindNext(const std::string& text, bool down, bool match_case);

  [[nodiscard]] RowContext Context() const;

 private:
  static int StateIndex(AppliId id) { return id < kCategoryList ? id : 0; }
  void ApplyOrder(const std::vector<int>& order);
  // Puts the rows from first_new on into their places in the current order:
  // all rows sorted again by the sorted column, or without one each new row
  // before the first other row that the default order puts after it. The
  // selection follows its records.
  void PlaceNewRows(int first_new);
  std::vector<std::vector<uint8_t>> RowRecords() const;
  // Every record of an application as a commit would store it: for the one on
  // screen its rows (after the records the Telephone filter hides), for
  // another the store's records passed through a row, so both give the same
  // bytes.
  std::vector<std::vector<uint8_t>> AppliRecords(AppliId id) const;
  // Ends the newest step when it is pending: notes the records after it, or
  // forgets it when nothing changed.
  void EndUndoStep();

  AppliStore& store_;
  const SortTable* sort_table_ = nullptr;
  TodaySource today_;
  int display_date_ = 0;
  int display_hour_ = 0;
  AppliId appli_ = kSchedule;
  int filter_ = kFilterAll;
  std::vector<ListRow> rows_;
  int selected_ = -1;
  std::vector<int> selection_;
  std::array<ViewState, 6> states_;
  UndoSteps undo_;
  std::string previous_search_;
};

}  // namespace kivo

#endif  // KIVO_VIEW_MAIN_VIEW_MODEL_H_
