#ifndef KIVO_VIEW_LIST_ROW_H_
#define KIVO_VIEW_LIST_ROW_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/display_modes.h"
#include "store/appli_id.h"
#include "store/char_tables.h"

namespace kivo {

class AppliStore;

// One row of the main list: the cell texts, which are the authoritative copy of
// the record while its application is on screen, and the record bytes the row
// was made from. Turning a row back into a record starts from those bytes, so the
// bytes that no column carries (reserved header bytes, the year of an
// anniversary, the sign of an amount) come back unchanged.
struct ListRow {
  std::vector<std::string> cells;
  std::vector<uint8_t> origin;  // with its terminator; empty for a row built from texts alone
  int category_index = 0;       // Expense: index 0..7 of the row's category
};

// What turning records into rows and back depends on besides the record.
struct RowContext {
  int display_date = 0;
  int display_hour = 0;
  // The eight expense category names: the store's list, or the defaults.
  std::vector<std::string> category_names;
  const SortTable* sort_table = nullptr;  // for text comparisons; null compares bytes
  // The year a date typed without year takes (a new Anniversary row).
  DateValue today;
};

// The eight names the Expense column shows: the store's category list when it
// holds one, otherwise the default names.
[[nodiscard]] std::vector<std::string> CategoryNamesOf(const AppliStore& store);

// The row of a record (PC coding, with or without its terminator).
[[nodiscard]] ListRow RecordToRow(AppliId id, std::span<const uint8_t> record,
                                  const RowContext& context);

// The record of a row, with its terminator: the origin bytes (zeros for a row
// without origin) with every column-carried field parsed from the cell texts in
// the context's display modes and written over them. A cell that does not parse
// leaves that field as the origin holds it.
[[nodiscard]] std::vector<uint8_t> RowToRecord(AppliId id, const ListRow& row,
                                               const RowContext& context);

}  // namespace kivo

#endif  // KIVO_VIEW_LIST_ROW_H_
