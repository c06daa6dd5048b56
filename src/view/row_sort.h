#ifndef KIVO_VIEW_ROW_SORT_H_
#define KIVO_VIEW_ROW_SORT_H_

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "store/appli_id.h"
#include "view/list_row.h"

namespace kivo {

// Sort direction of one list column.
enum class SortDirection : uint8_t { kNone = 0, kAscending = 1, kDescending = 2 };

// The direction a header click gives: ascending from none or descending,
// descending from ascending.
[[nodiscard]] SortDirection NextDirection(SortDirection current);

// Stable merge sort of the positions 0..count-1: halves are sorted on their own
// and merged, taking the left element unless compare(left, right) > 0.
// Descending is the ascending result read backwards. Returns the new order as
// old positions.
[[nodiscard]] std::vector<int> MergeSortOrder(int count,
                                              const std::function<int(int, int)>& compare,
                                              SortDirection direction);

// Order of two records of the application on one list column: -1, 0 or 1. Dates
// and times compare by their BCD digits, flag words byte by byte, texts in the
// context's sort-table order, amounts as numbers. Columns without a comparison
// find all records equal.
[[nodiscard]] int CompareColumn(AppliId id, int column, std::span<const uint8_t> a,
                                std::span<const uint8_t> b, const RowContext& context);

// The columns of the application's default order, major key first.
[[nodiscard]] std::span<const int> DefaultOrderColumns(AppliId id);

// Stable sort of records by the default order: one stable pass per key from the
// last key to the first. Returns the new order as old positions.
[[nodiscard]] std::vector<int> DefaultOrder(AppliId id,
                                            const std::vector<std::vector<uint8_t>>& records,
                                            const RowContext& context);

// The order that puts the records from first_new on among the ones before
// them: each before the first earlier record that the default order puts
// after it, new ones of equal rank in their own order; the earlier records
// keep theirs. Returns the new order as old positions.
[[nodiscard]] std::vector<int> PlaceInDefaultOrder(AppliId id,
                                                   const std::vector<std::vector<uint8_t>>& records,
                                                   size_t first_new, const RowContext& context);

// Order of records by one column in one direction.
[[nodiscard]] std::vector<int> ColumnOrder(AppliId id, int column, SortDirection direction,
                                           const std::vector<std::vector<uint8_t>>& records,
                                           const RowContext& context);

}  // namespace kivo

#endif  // KIVO_VIEW_ROW_SORT_H_
