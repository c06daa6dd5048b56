#include "record_listing.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "csv/cp1252.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "view/appli_columns.h"
#include "view/list_row.h"

namespace kivo::cli {

TextTable AppliTable(const AppliStore& store, AppliId id, const AppSettings& settings) {
  TextTable table;
  if (id == kCategoryList) {
    table.titles = {"Index", "Category"};
    table.right_aligned = {true, false};
    CategoryNames names;
    if (GetCategoryNames(store, &names) == 0) {
      for (size_t i = 0; i < names.names.size(); ++i) {
        table.rows.push_back({std::to_string(i), names.names[i]});
      }
    }
    return table;
  }
  for (const ColumnSpec& column : AppliColumns(id)) {
    table.titles.emplace_back(column.title);
    table.right_aligned.push_back(column.right_aligned);
  }
  RowContext context;
  context.display_date = settings.display_date;
  context.display_hour = settings.display_hour;
  context.category_names = CategoryNamesOf(store);
  const int count = std::max(store.GetRecordCount(id), 0);
  for (int i = 0; i < count; ++i) {
    table.rows.push_back(RecordToRow(id, store.Record(id, i), context).cells);
  }
  return table;
}

void PrintTable(const TextTable& table, std::ostream& out) {
  const size_t columns = table.titles.size();
  std::vector<size_t> widths(columns, 0);
  for (size_t c = 0; c < columns; ++c) widths[c] = table.titles[c].size();
  for (const auto& row : table.rows) {
    for (size_t c = 0; c < columns && c < row.size(); ++c) {
      widths[c] = std::max(widths[c], row[c].size());
    }
  }
  auto print_line = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (size_t c = 0; c < columns; ++c) {
      const std::string& text = c < cells.size() ? cells[c] : std::string();
      std::string pad(widths[c] - text.size(), ' ');
      if (c > 0) line += "  ";
      bool right = c < table.right_aligned.size() && table.right_aligned[c];
      line += right ? pad + text : text + pad;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << Cp1252ToUtf8(line) << "\n";
  };
  print_line(table.titles);
  std::vector<std::string> rule;
  for (size_t c = 0; c < columns; ++c) rule.emplace_back(widths[c], '-');
  print_line(rule);
  for (const auto& row : table.rows) print_line(row);
}

void PrintAppli(const AppliStore& store, AppliId id, const AppSettings& settings,
                std::ostream& out) {
  TextTable table = AppliTable(store, id, settings);
  char count[32];
  std::snprintf(count, sizeof count, "%4d records exist", static_cast<int>(table.rows.size()));
  std::string_view name = id == kCategoryList ? AppliName(id) : TabName(id);
  out << name << "  " << count << "\n";
  if (!table.rows.empty()) PrintTable(table, out);
}

}  // namespace kivo::cli
