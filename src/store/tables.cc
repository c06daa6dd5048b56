#include "store/tables.h"

#include <algorithm>
#include <fstream>

namespace kivo {

bool Tables::IsMissing(const std::string& name) const {
  return std::find(missing.begin(), missing.end(), name) != missing.end();
}

Tables LoadTables(const std::filesystem::path& dir) {
  Tables tables;
  tables.dir = dir;
  for (const char* name : {"code.dat", "char.dat", "sort.dat"}) {
    std::ifstream file(dir / name, std::ios::binary);
    if (!file.is_open()) tables.missing.emplace_back(name);
  }
  tables.code = LoadCodeTables(dir / "code.dat");
  tables.allowed = LoadAllowedTable(dir / "char.dat");
  tables.sort_loaded = LoadSortTables(dir / "sort.dat", tables.sort[0], tables.sort[1]);
  return tables;
}

}  // namespace kivo
