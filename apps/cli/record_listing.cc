#include "record_listing.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ostream>

#include "store/record_access.h"
#include "store/record_codec.h"
#include "view/appli_columns.h"
#include "view/list_row.h"

namespace kivo::cli {

namespace {

// Code points of the bytes 0x80..0x9F; 0 marks the five unassigned ones.
constexpr std::array<uint16_t, 32> kCp1252High{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    uint8_t b = static_cast<uint8_t>(c);
    uint32_t code = b;
    if (b >= 0x80 && b <= 0x9F) code = kCp1252High[b - 0x80] != 0 ? kCp1252High[b - 0x80] : 0xFFFD;
    AppendUtf8(code, out);
  }
  return out;
}

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
