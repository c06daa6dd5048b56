#include "record_listing.h"

#include <cstdio>
#include <ostream>

#include "csv/cp1252.h"
#include "view/appli_columns.h"

namespace kivo::cli {

void PrintTable(const TextTable& table, std::ostream& out) {
  for (const std::string& line : FormatTable(table)) out << Cp1252ToUtf8(line) << "\n";
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
