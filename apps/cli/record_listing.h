#ifndef KIVO_APPS_CLI_RECORD_LISTING_H_
#define KIVO_APPS_CLI_RECORD_LISTING_H_

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "store/app_settings.h"
#include "store/appli_store.h"

namespace kivo::cli {

// A table of texts in the PC's coding (Windows-1252), one byte per character.
struct TextTable {
  std::vector<std::string> titles;
  std::vector<bool> right_aligned;
  std::vector<std::vector<std::string>> rows;
};

// The records of one application as the main window's list shows them: its
// columns and, per record in store order, the cell texts in the display modes
// of the settings. The category list (which has no tab) is shown as its eight
// names.
TextTable AppliTable(const AppliStore& store, AppliId id, const AppSettings& settings);

// Prints the table with every column as wide as its widest text, two blanks
// apart, without trailing blanks; texts go out as UTF-8.
void PrintTable(const TextTable& table, std::ostream& out);

// The application's name and "%4d records exist", then its table; what `show`
// prints per application.
void PrintAppli(const AppliStore& store, AppliId id, const AppSettings& settings,
                std::ostream& out);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_RECORD_LISTING_H_
