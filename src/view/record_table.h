#ifndef KIVO_VIEW_RECORD_TABLE_H_
#define KIVO_VIEW_RECORD_TABLE_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "store/app_settings.h"
#include "store/appli_store.h"
#include "view/list_row.h"

namespace kivo {

// Records as the command line's `show` prints them: a table of texts in the
// PC's coding (Windows-1252), one byte per character.
struct TextTable {
  std::vector<std::string> titles;
  std::vector<bool> right_aligned;
  std::vector<std::vector<std::string>> rows;
};

// The column titles and alignment of an application's table: the main
// window's list columns, and for the category list (which has no tab)
// "Index" and "Category".
[[nodiscard]] TextTable AppliTableHeader(AppliId id);

// The cells of one record in the table of its application; for the category
// list, one row per name would not fit a single record, so its eight names are
// one cell, joined by ", ".
[[nodiscard]] std::vector<std::string> RecordCells(AppliId id, std::span<const uint8_t> record,
                                                   const RowContext& context);

// The display modes of the settings and the store's category names.
[[nodiscard]] RowContext TableContext(const AppliStore& store, const AppSettings& settings);

// The records of one application as the main window's list shows them: its
// columns and, per record in store order, the cell texts in the display modes
// of the settings. The category list is shown as its eight names with their
// index.
[[nodiscard]] TextTable AppliTable(const AppliStore& store, AppliId id,
                                   const AppSettings& settings);

// The table's lines with every column as wide as its widest text, two blanks
// apart, without trailing blanks: the titles, a rule of dashes, the rows.
[[nodiscard]] std::vector<std::string> FormatTable(const TextTable& table);

}  // namespace kivo

#endif  // KIVO_VIEW_RECORD_TABLE_H_
