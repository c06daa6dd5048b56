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

// Exit status of a transfer whose records read back differ from those sent.
inline constexpr int kExitVerifyFailed = 120;

// --history, else the setting, else "history" in the data folder.
std::filesystem::path HistoryDir(const CliContext& context);

// Keeps the store as a generation of `kind`; its path, or empty after a
// message on the error stream.
std::filesystem::path AddToHistory(const CliContext& context, AppliStore& store,
                                   std::string_view kind);

// The comparison of two stores, one line per application with records only
// in A, only in B and in both; with `records` the differing records follow,
// as `show` lists them ("<" only in A, ">" only in B).
void PrintComparison(const CliContext& context, std::span<const AppliDiff> diffs,
                     const AppliStore& a, const AppliStore& b, std::string_view name_a,
                     std::string_view name_b, bool records);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_HISTORY_ACCESS_H_
