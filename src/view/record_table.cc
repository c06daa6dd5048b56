#include "view/record_table.h"

#include <algorithm>

#include "store/record_access.h"
#include "store/record_codec.h"
#include "view/appli_columns.h"

namespace kivo {

TextTable AppliTableHeader(AppliId id) {
  TextTable table;
  if (id == kCategoryList) {
    table.titles = {"Index", "Category"};
    table.right_aligned = {true, false};
    return table;
  }
  for (const ColumnSpec& column : AppliColumns(id)) {
    table.titles.emplace_back(column.title);
    table.right_aligned.push_back(column.right_aligned);
  }
  return table;
}

std::vector<std::string> RecordCells(AppliId id, std::span<const uint8_t> record,
                                     const RowContext& context) {
  if (id != kCategoryList) return RecordToRow(id, record, context).cells;
  CategoryNames names;
  if (DecodeCategoryNames(record, &names) != kStoreOk) return {};
  std::string joined;
  for (const std::string& name : names.names) {
    if (!joined.empty()) joined += ", ";
    joined += name;
  }
  return {joined};
}

RowContext TableContext(const AppliStore& store, const AppSettings& settings) {
  RowContext context;
  context.display_date = settings.display_date;
  context.display_hour = settings.display_hour;
  context.category_names = CategoryNamesOf(store);
  return context;
}

TextTable AppliTable(const AppliStore& store, AppliId id, const AppSettings& settings) {
  TextTable table = AppliTableHeader(id);
  if (id == kCategoryList) {
    CategoryNames names;
    if (GetCategoryNames(store, &names) == 0) {
      for (size_t i = 0; i < names.names.size(); ++i) {
        table.rows.push_back({std::to_string(i), names.names[i]});
      }
    }
    return table;
  }
  const RowContext context = TableContext(store, settings);
  const int count = std::max(store.GetRecordCount(id), 0);
  for (int i = 0; i < count; ++i) {
    table.rows.push_back(RecordToRow(id, store.Record(id, i), context).cells);
  }
  return table;
}

std::vector<std::string> FormatTable(const TextTable& table) {
  const size_t columns = table.titles.size();
  std::vector<size_t> widths(columns, 0);
  for (size_t c = 0; c < columns; ++c) widths[c] = table.titles[c].size();
  for (const auto& row : table.rows) {
    for (size_t c = 0; c < columns && c < row.size(); ++c) {
      widths[c] = std::max(widths[c], row[c].size());
    }
  }
  std::vector<std::string> lines;
  auto add_line = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (size_t c = 0; c < columns; ++c) {
      const std::string& text = c < cells.size() ? cells[c] : std::string();
      std::string pad(widths[c] - text.size(), ' ');
      if (c > 0) line += "  ";
      bool right = c < table.right_aligned.size() && table.right_aligned[c];
      line += right ? pad + text : text + pad;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(std::move(line));
  };
  add_line(table.titles);
  std::vector<std::string> rule;
  for (size_t c = 0; c < columns; ++c) rule.emplace_back(widths[c], '-');
  add_line(rule);
  for (const auto& row : table.rows) add_line(row);
  return lines;
}

}  // namespace kivo
