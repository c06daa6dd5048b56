#ifndef KIVO_APPS_CLI_RECORD_LISTING_H_
#define KIVO_APPS_CLI_RECORD_LISTING_H_

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "store/app_settings.h"
#include "store/appli_store.h"
#include "view/record_table.h"

namespace kivo::cli {

// Prints the table as FormatTable lays it out; texts go out as UTF-8.
void PrintTable(const TextTable& table, std::ostream& out);

// The application's name and "%4d records exist", then its table; what `show`
// prints per application.
void PrintAppli(const AppliStore& store, AppliId id, const AppSettings& settings,
                std::ostream& out);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_RECORD_LISTING_H_
