#ifndef KIVO_STORE_TABLES_H_
#define KIVO_STORE_TABLES_H_

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "store/char_tables.h"

namespace kivo {

// The organizer's fixed tables as one value. A program reads them once when it
// starts and hands them by reference to whatever converts, sorts or filters
// texts; nothing else opens the files. A default value is what a folder
// without the files gives.
struct Tables {
  // code.dat: blank when it cannot be read.
  CodeTables code = CodeTables::Blank();
  // sort.dat: model 0's and model 1's collating tables. A half that cannot be
  // read whole stays all zero; sort_loaded tells whether both were read.
  std::array<SortTable, 2> sort{};
  bool sort_loaded = false;
  // char.dat over a table that allows every character.
  AllowedTable allowed = EveryCharAllowed();

  // The folder they were read from, and the files ("code.dat", "char.dat",
  // "sort.dat", in that order) that could not be opened there.
  std::filesystem::path dir;
  std::vector<std::string> missing;

  // Whether `name` (one of the three) could not be opened.
  [[nodiscard]] bool IsMissing(const std::string& name) const;
};

// Reads code.dat, char.dat and sort.dat of `dir`. Never fails: what cannot be
// read keeps the defaults above and is named in `missing`.
[[nodiscard]] Tables LoadTables(const std::filesystem::path& dir);

}  // namespace kivo

#endif  // KIVO_STORE_TABLES_H_
