// The list's selection of several rows, the order new rows take their place
// in, and Undo.

#include <algorithm>
#include <utility>

#include "store/appli_store.h"
#include "store/store_records.h"
#include "view/main_view_model.h"

namespace kivo {

void MainViewModel::SelectRows(std::vector<int> rows, int current) {
  std::erase_if(rows, [this](int row) { return row < 0 || row >= row_count(); });
  if (current < 0 || current >= row_count()) current = rows.empty() ? current : rows.back();
  SelectRow(current);
  if (selected_ < 0) return;
  rows.push_back(selected_);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  selection_ = std::move(rows);
}

std::vector<std::vector<uint8_t>> MainViewModel::SelectedRecords() const {
  std::vector<std::vector<uint8_t>> records;
  records.reserve(selection_.size());
  for (const int row : selection_) records.push_back(RowRecord(row));
  return records;
}

int MainViewModel::DeleteSelectedRows() {
  if (selection_.empty()) return 0;
  const std::vector<int> doomed = selection_;
  const int count = static_cast<int>(doomed.size());
  KeepForUndo(appli_, count == 1 ? "Delete Entry" : "Delete " + std::to_string(count) + " Entries");
  for (auto row = doomed.rbegin(); row != doomed.rend(); ++row) rows_.erase(rows_.begin() + *row);
  SelectRow(std::min(doomed.front(), row_count() - 1));
  EndUndoStep();
  return count;
}

void MainViewModel::PlaceNewRows(int first_new) {
  const ViewState& state = view_state(appli_);
  const int column = std::clamp(state.sort_column, 0, kMaxColumns - 1);
  const SortDirection direction = state.directions[column];
  const RowContext context = Context();
  const std::vector<std::vector<uint8_t>> records = RowRecords();
  ApplyOrder(direction != SortDirection::kNone
                 ? ColumnOrder(appli_, column, direction, records, context)
                 : PlaceInDefaultOrder(appli_, records, static_cast<size_t>(first_new), context));
  if (selected_ >= 0) view_state(appli_).selected_row = selected_;
}

void MainViewModel::PlaceNewRecords(AppliId id, int first_new) {
  std::vector<std::vector<uint8_t>> records = StoreRecords(store_, id);
  if (first_new < 0 || static_cast<size_t>(first_new) >= records.size()) return;
  const std::vector<int> order =
      PlaceInDefaultOrder(id, records, static_cast<size_t>(first_new), Context());
  store_.ResetAppli(id);
  // The records came out of this store: they fit it again.
  (void)PutInOrder(store_, id, records, order);
}

void MainViewModel::KeepForUndo(AppliId id, std::string label) {
  UndoStep step;
  step.label = std::move(label);
  step.appli = id;
  step.records = AppliRecords(id);
  step.before = RecordsFingerprint(step.records);
  if (id == appli_ && selected_ >= 0) step.selected = RowRecord(selected_);
  undo_.Push(std::move(step));
}

void MainViewModel::EndUndoStep() {
  if (undo_.empty() || !undo_.top().pending) return;
  UndoStep& step = undo_.top();
  step.after = RecordsFingerprint(AppliRecords(step.appli));
  step.pending = false;
  if (step.after == step.before) (void)undo_.Pop();
}

std::string MainViewModel::NextUndo() {
  while (!undo_.empty()) {
    const UndoStep& step = undo_.top();
    if (!step.pending && RecordsFingerprint(AppliRecords(step.appli)) == step.after) {
      return step.label;
    }
    (void)undo_.Pop();
  }
  return {};
}

bool MainViewModel::Undo() {
  if (NextUndo().empty()) return false;
  const UndoStep step = undo_.Pop();
  if (step.appli != appli_) ShowAppli(step.appli, /*commit_first=*/true);
  // The rows give way to the records as they were; a Refresh splits them
  // again for the Telephone filter.
  store_.ResetAppli(appli_);
  (void)PutInOrder(store_, appli_, step.records, IdentityOrder(step.records.size()));
  Refresh(/*resort=*/true);
  if (!step.selected.empty()) {
    for (int row = 0; row < row_count(); ++row) {
      if (RowRecord(row) == step.selected) {
        SelectRow(row);
        break;
      }
    }
  }
  return true;
}

}  // namespace kivo
