#include "view/main_view_model.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "store/appli_store.h"
#include "store/record_codec.h"
#include "store/store_records.h"
#include "view/record_text.h"

namespace kivo {
namespace {

// Category byte as the filter sees it: 0 Personal, 1 Business, anything else
// Others, as the list shows it.
int FilterCategory(std::span<const uint8_t> record) {
  TelephoneRecord r;
  if (DecodeTelephoneRecord(record, &r) != 0) return 2;
  return r.category <= 1 ? r.category : 2;
}

bool ShownByFilter(std::span<const uint8_t> record, int filter) {
  return filter == kFilterAll || FilterCategory(record) == filter;
}

void PutRecords(AppliStore& store, AppliId id, const std::vector<std::vector<uint8_t>>& records,
                const std::vector<int>& order) {
  store.ResetAppli(id);
  // Only a record beyond the store's limits is refused; it cannot come from
  // a list that holds at most the organizer's limit.
  (void)PutInOrder(store, id, records, order);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

MainViewModel::MainViewModel(AppliStore& store, TodaySource today)
    : store_(store), today_(std::move(today)) {}

void MainViewModel::SetDisplayModes(int display_date, int display_hour) {
  display_date_ = display_date;
  display_hour_ = display_hour;
}

RowContext MainViewModel::Context() const {
  RowContext context;
  context.display_date = display_date_;
  context.display_hour = display_hour_;
  context.category_names = CategoryNamesOf(store_);
  context.sort_table = sort_table_;
  context.today = today_();
  return context;
}

std::vector<int> MainViewModel::CategoryIndexList() const {
  std::vector<int> list;
  list.reserve(rows_.size());
  for (const ListRow& row : rows_) list.push_back(row.category_index);
  return list;
}

std::vector<std::vector<uint8_t>> MainViewModel::RowRecords() const {
  const RowContext context = Context();
  std::vector<std::vector<uint8_t>> records;
  records.reserve(rows_.size());
  for (const ListRow& row : rows_) records.push_back(RowToRecord(appli_, row, context));
  return records;
}

void MainViewModel::Commit(bool ordered) {
  if (selected_ >= 0) view_state(appli_).selected_row = selected_;
  std::vector<std::vector<uint8_t>> records;
  if (appli_ == kTelephone) {
    // The store holds the hidden records (and, after an earlier commit, the
    // shown ones too: those are the rows' old copies and give way to the rows).
    for (auto& record : StoreRecords(store_, kTelephone)) {
      if (!ShownByFilter(record, filter_)) records.push_back(std::move(record));
    }
  }
  for (auto& record : RowRecords()) records.push_back(std::move(record));

  std::vector<int> order;
  if (ordered) {
    order = DefaultOrder(appli_, records, Context());
  } else {
    order = IdentityOrder(records.size());
  }
  PutRecords(store_, appli_, records, order);
}

std::vector<std::vector<uint8_t>> MainViewModel::AppliRecords(AppliId id) const {
  const RowContext context = Context();
  std::vector<std::vector<uint8_t>> records;
  // While the application is on screen its store copy is out of date, but
  // for the records the Telephone filter hides.
  if (id != appli_ || id == kTelephone) {
    for (const std::vector<uint8_t>& stored : StoreRecords(store_, id)) {
      if (id == appli_ && ShownByFilter(stored, filter_)) continue;
      records.push_back(RowToRecord(id, RecordToRow(id, stored, context), context));
    }
  }
  if (id == appli_) {
    for (std::vector<uint8_t>& record : RowRecords()) records.push_back(std::move(record));
  }
  return records;
}

void MainViewModel::Refresh(bool resort) {
  const RowContext context = Context();
  rows_.clear();
  selected_ = -1;
  selection_.clear();
  std::vector<std::vector<uint8_t>> records = StoreRecords(store_, appli_);
  if (appli_ == kTelephone) {
    std::vector<std::vector<uint8_t>> hidden;
    std::vector<std::vector<uint8_t>> shown;
    for (auto& record : records) {
      (ShownByFilter(record, filter_) ? shown : hidden).push_back(std::move(record));
    }
    PutRecords(store_, kTelephone, hidden, IdentityOrder(hidden.size()));
    records = std::move(shown);
  }
  rows_.reserve(records.size());
  for (const auto& record : records) rows_.push_back(RecordToRow(appli_, record, context));

  ViewState& state = view_state(appli_);
  if (resort) {
    const int column = state.sort_column;
    const SortDirection direction =
        column >= 0 && column < kMaxColumns ? state.directions[column] : SortDirection::kNone;
    if (direction != SortDirection::kNone) {
      ApplyOrder(ColumnOrder(appli_, column, direction, records, context));
    }
  }
  SelectRow(state.selected_row);
  EndUndoStep();
}

void MainViewModel::ShowAppli(AppliId id, bool commit_first) {
  if (commit_first) Commit(/*ordered=*/true);
  appli_ = id;
  Refresh(/*resort=*/true);
}

void MainViewModel::SelectRow(int row) {
  selection_.clear();
  if (rows_.empty() || row < 0) {
    selected_ = -1;
    return;
  }
  selected_ = std::min(row, row_count() - 1);
  selection_.push_back(selected_);
  view_state(appli_).selected_row = selected_;
}

void MainViewModel::ApplyOrder(const std::vector<int>& order) {
  std::vector<ListRow> sorted;
  sorted.reserve(rows_.size());
  std::vector<int> new_index(rows_.size(), -1);
  for (size_t i = 0; i < order.size(); ++i) {
    new_index[static_cast<size_t>(order[i])] = static_cast<int>(i);
    sorted.push_back(std::move(rows_[order[i]]));
  }
  rows_ = std::move(sorted);
  auto moved = [&](int row) {
    return row >= 0 && row < static_cast<int>(new_index.size()) ? new_index[row] : -1;
  };
  if (selected_ >= 0) selected_ = moved(selected_);
  for (int& row : selection_) row = moved(row);
  std::sort(selection_.begin(), selection_.end());
}

bool MainViewModel::SortOnColumn(int column) {
  if (rows_.empty() || column < 0 || column >= kMaxColumns) return false;
  ViewState& state = view_state(appli_);
  state.sort_column = column;
  state.directions[column] = NextDirection(state.directions[column]);
  ApplyOrder(ColumnOrder(appli_, column, state.directions[column], RowRecords(), Context()));
  SelectRow(selected_);
  return true;
}

void MainViewModel::Resort() {
  ViewState& state = view_state(appli_);
  const int column = std::clamp(state.sort_column, 0, kMaxColumns - 1);
  if (state.directions[column] == SortDirection::kNone) {
    state.directions[column] = SortDirection::kAscending;
  }
  ApplyOrder(ColumnOrder(appli_, column, state.directions[column], RowRecords(), Context()));
  SelectRow(0);
}

void MainViewModel::SetFilter(int filter) {
  if (appli_ != kTelephone) {
    filter_ = filter;
    return;
  }
  Commit(/*ordered=*/false);
  filter_ = filter;
  Refresh(/*resort=*/true);
  SelectRow(0);
}

void MainViewModel::ChangeDisplayModes(int display_date, int display_hour) {
  // Rows are read back with the formats that wrote them.
  Commit(/*ordered=*/false);
  SetDisplayModes(display_date, display_hour);
  Refresh(/*resort=*/true);
}

int MainViewModel::AppliRecordCount() const {
  int count = row_count();
  if (appli_ == kTelephone) {
    const int stored = std::max(store_.GetRecordCount(kTelephone), 0);
    for (int i = 0; i < stored; ++i) {
      if (!ShownByFilter(store_.Record(kTelephone, i), filter_)) ++count;
    }
  }
  return count;
}

Enabling MainViewModel::enabling() const {
  Enabling enabling;
  const bool has_rows = !rows_.empty();
  enabling.send = has_rows;
  enabling.edit = has_rows;
  enabling.remove = has_rows;
  enabling.find = has_rows;
  enabling.create = AppliRecordCount() < kOrganizerRecordLimit;
  enabling.send_visible = appli_ != kExpense;
  enabling.filter_visible = appli_ == kTelephone;
  return enabling;
}

std::vector<uint8_t> MainViewModel::RowRecord(int row) const {
  if (row < 0 || row >= row_count()) return {};
  return RowToRecord(appli_, rows_[row], Context());
}

std::string MainViewModel::RecordText(int row, bool labelled) const {
  if (row < 0 || row >= row_count()) return {};
  const RowContext context = Context();
  return kivo::RecordText(appli_, RowToRecord(appli_, rows_[row], context), labelled, context);
}

void MainViewModel::ReplaceRow(int row, std::span<const uint8_t> record) {
  if (row < 0 || row >= row_count()) return;
  KeepForUndo(appli_, "Edit Entry");
  if (appli_ == kTelephone && !ShownByFilter(record, filter_)) {
    // A record the filter hides leaves the list for the hidden records.
    rows_.erase(rows_.begin() + row);
    // The record came out of this store, so it fits it again.
    (void)store_.PutRecord(kTelephone, std::max(store_.GetRecordCount(kTelephone), 0), record);
    SelectRow(std::min(row, row_count() - 1));
  } else {
    rows_[row] = RecordToRow(appli_, record, Context());
    SelectRow(row);
  }
  EndUndoStep();
}

bool MainViewModel::AppendRow(std::span<const uint8_t> record) {
  if (AppliRecordCount() >= kOrganizerRecordLimit) return false;
  KeepForUndo(appli_, "New Entry");
  bool added = true;
  if (appli_ == kTelephone && !ShownByFilter(record, filter_)) {
    added =
        store_.PutRecord(kTelephone, std::max(store_.GetRecordCount(kTelephone), 0), record) == 0;
  } else {
    rows_.push_back(RecordToRow(appli_, record, Context()));
    SelectRow(row_count() - 1);
    PlaceNewRows(row_count() - 1);
  }
  EndUndoStep();
  return added;
}

void MainViewModel::DeleteRow(int row) {
  if (row < 0 || row >= row_count()) return;
  KeepForUndo(appli_, "Delete Entry");
  rows_.erase(rows_.begin() + row);
  SelectRow(std::min(row, row_count() - 1));
  EndUndoStep();
}

int MainViewModel::FindNext(const std::string& text, bool down, bool match_case) {
  const int step = down ? 1 : -1;
  int row = selected_ >= 0 ? selected_ : 0;
  if (text == previous_search_) row += step;
  previous_search_ = text;
  const std::string wanted = match_case ? text : Upper(text);
  for (; row >= 0 && row < row_count(); row += step) {
    const std::string haystack = RecordText(row, /*labelled=*/false);
    if ((match_case ? haystack : Upper(haystack)).find(wanted) != std::string::npos) {
      SelectRow(row);
      return row;
    }
  }
  return -1;
}

}  // namespace kivo
