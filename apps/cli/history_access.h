#ifndef KIVO_APPS_CLI_HISTORY_ACCESS_H_
#define KIVO_APPS_CLI_HISTORY_ACCESS_H_

#include <filesystem>
#include <iosfwd>
#include <span>
#include <string_view>

#include "cli_context.h"
#include "store/appli_store.h"
#include "store/store_diff.h"

namespace kivo::cli {

// --history, else the setting, else "history" in the data folder.
std::filesystem::path HistoryDir(const CliContext& context);

// The comparison of two stores, one line per application with records only
// in A, only in B and in both; with `records` the differing records follow,
// as `show` lists them ("<" only in A, ">" only in B).
void PrintComparison(const CliContext& context, std::span<const AppliDiff> diffs,
                     const AppliStore& a, const AppliStore& b, std::string_view name_a,
                     std::string_view name_b, bool records);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_HISTORY_ACCESS_H_
