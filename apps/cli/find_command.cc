// find: the records of a backup file that hold a text, in every application.

#include <algorithm>
#include <ostream>

#include "backup_access.h"
#include "command_table.h"
#include "csv/cp1252.h"
#include "view/appli_columns.h"
#include "view/list_row.h"
#include "view/search_index.h"

namespace kivo::cli {
namespace {

// As grep: 0 found, 1 none, 2 trouble.
constexpr int kFound = 0;
constexpr int kNoneFound = 1;
constexpr int kFindTrouble = 2;

int RunFind(CliContext& context, std::span<const std::string> args) {
  // The command line speaks UTF-8, the records Windows-1252.
  const std::string text = Utf8ToCp1252(args[0]);
  if (text.empty()) return context.UsageFailure("find needs a text to look for");
  if (!CheckTables(context)) return kFindTrouble;
  AppliStore store{context.tables.code};
  if (ReadBackupForViewing(context, args[1], store, true) != kExitOk) return kFindTrouble;

  RowContext row_context;
  row_context.display_date = context.settings.display_date;
  row_context.display_hour = context.settings.display_hour;
  row_context.category_names = CategoryNamesOf(store);
  SearchIndex index;
  index.Sync([&store](AppliId id) { return StoreRecordList(store, id); }, row_context);
  const std::vector<SearchHit> hits =
      index.Find(text, context.options.apps.value_or(kSearchAppliMask));
  if (hits.empty()) return kNoneFound;

  // Each application's rows aligned as show aligns them, after the
  // application's name.
  size_t name_width = 0;
  for (const SearchHit& hit : hits) name_width = std::max(name_width, TabName(hit.appli).size());
  std::ostream& out = *context.out;
  for (size_t first = 0; first < hits.size();) {
    const AppliId id = hits[first].appli;
    size_t end = first;
    std::vector<std::vector<std::string>> rows;
    for (; end < hits.size() && hits[end].appli == id; ++end) {
      rows.push_back(RecordToRow(id, index.Record(id, hits[end].position), row_context).cells);
    }
    const auto columns = AppliColumns(id);
    std::vector<size_t> widths(columns.size(), 0);
    for (const auto& row : rows) {
      for (size_t c = 0; c < row.size() && c < widths.size(); ++c) {
        widths[c] = std::max(widths[c], row[c].size());
      }
    }
    for (const auto& row : rows) {
      std::string line(TabName(id));
      line.resize(name_width, ' ');
      for (size_t c = 0; c < row.size() && c < widths.size(); ++c) {
        const std::string pad(widths[c] - row[c].size(), ' ');
        line += "  ";
        line += columns[c].right_aligned ? pad + row[c] : row[c] + pad;
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
      out << Cp1252ToUtf8(line) << "\n";
    }
    first = end;
  }
  return kFound;
}

constexpr CliCommand kViewCommands[] = {
    {"find", "TEXT FILE.bkf", "the records that hold TEXT, in every application",
     "Case and accents do not matter: \"muller\" finds \"Müller\". Searched are the\n"
     "texts the user wrote: descriptions, memos, the Telephone fields and the\n"
     "Expense category names. Each match is printed as show prints its record,\n"
     "after its application's name; --apps LIST limits the applications.\n"
     "Exit status 0 when a record was found, 1 when none, 2 on trouble, as grep.",
     2, 2, RunFind},
};

}  // namespace

std::span<const CliCommand> ViewCommands() { return kViewCommands; }

}  // namespace kivo::cli
