#include "sample_data.h"

#include <fstream>
#include <sstream>

#include "csv/cp1252.h"
#include "store/record_access.h"
#include "view/list_row.h"

namespace kivo::test {

std::vector<std::vector<std::string>> ReadCsvRows(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
    } else if (c != '\r') {
      field += c;
    }
  }
  if (!field.empty() || !row.empty()) {
    row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  if (!rows.empty()) rows.erase(rows.begin());
  return rows;
}

void FillSampleStore(AppliStore& store, const std::filesystem::path& sample_dir) {
  store.ResetAppli(kAllAppli);
  CategoryNames names;
  std::ifstream categories(sample_dir / "categories.txt", std::ios::binary);
  for (std::string& name : names.names) {
    std::getline(categories, name);
    if (!name.empty() && name.back() == '\r') name.pop_back();
    name = Utf8ToCp1252(name);
  }
  (void)SetCategoryNames(store, names);

  RowContext context;
  context.category_names.assign(names.names.begin(), names.names.end());
  const std::pair<AppliId, const char*> files[] = {
      {kSchedule, "schedule.csv"},   {kToDo, "todo.csv"}, {kAnniversary, "anniversary.csv"},
      {kTelephone, "telephone.csv"}, {kMemo, "memo.csv"}, {kExpense, "expense.csv"}};
  for (const auto& [id, name] : files) {
    int index = 0;
    for (const auto& cells : ReadCsvRows(sample_dir / name)) {
      // The sample is UTF-8; the rows hold the PC's Windows-1252 text.
      ListRow row;
      for (const std::string& cell : cells) row.cells.push_back(Utf8ToCp1252(cell));
      if (id == kExpense) {
        for (int i = 0; i < kCategoryCount; ++i) {
          if (names.names[i] == row.cells[1]) row.category_index = i;
        }
      }
      (void)store.PutRecord(id, index++, RowToRecord(id, row, context));
    }
  }
}

}  // namespace kivo::test
