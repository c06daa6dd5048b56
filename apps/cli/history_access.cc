#include "history_access.h"

#include <ostream>

#include "history/history.h"
#include "platform/link_defaults.h"
#include "record_listing.h"

namespace kivo::cli {

std::filesystem::path HistoryDir(const CliContext& context) {
  // Absolute, so that the paths printed can be used from any folder.
  const std::filesystem::path dir =
      context.options.history_dir ? *context.options.history_dir
                                  : HistoryDirFor(context.settings.history_dir, context.data_dir);
  return std::filesystem::absolute(dir).lexically_normal();
}

void PrintComparison(const CliContext& context, std::span<const AppliDiff> diffs,
                     const AppliStore& a, const AppliStore& b, std::string_view name_a,
                     std::string_view name_b, bool records) {
  std::ostream& out = *context.out;
  out << "A: " << name_a << "\nB: " << name_b << "\n\n";
  TextTable table;
  table.titles = {"Application", "Only in A", "Only in B", "In both"};
  table.right_aligned = {false, true, true, true};
  for (const AppliDiff& d : diffs) {
    table.rows.push_back({std::string(AppliName(d.id)), std::to_string(d.only_a.size()),
                          std::to_string(d.only_b.size()), std::to_string(d.both)});
  }
  PrintTable(table, out);
  if (!records) return;
  for (const AppliDiff& d : diffs) {
    for (int side = 0; side < 2; ++side) {
      const auto& list = side == 0 ? d.only_a : d.only_b;
      if (list.empty()) continue;
      // The records of one side in a store of their own, so that they are
      // listed exactly as `show` lists them; the category names of their
      // file name the expense categories.
      const AppliStore& from = side == 0 ? a : b;
      AppliStore only{from.code_tables()};
      (void)only.GetAppliBuf(kStoreSlots);
      if (from.IsPresent(kCategoryList) && d.id != kCategoryList) {
        (void)only.PutRecord(kCategoryList, 0, from.Record(kCategoryList, 0));
      }
      for (size_t i = 0; i < list.size(); ++i) {
        (void)only.PutRecord(d.id, static_cast<int>(i), list[i]);
      }
      out << "\n"
          << (side == 0 ? "< " : "> ") << AppliName(d.id) << ", only in "
          << (side == 0 ? name_a : name_b) << ":\n";
      TextTable rows = AppliTable(only, d.id, context.settings);
      rows.titles.insert(rows.titles.begin(), "");
      rows.right_aligned.insert(rows.right_aligned.begin(), false);
      for (auto& row : rows.rows) row.insert(row.begin(), side == 0 ? "<" : ">");
      PrintTable(rows, out);
    }
  }
}

}  // namespace kivo::cli
