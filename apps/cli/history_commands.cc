// Commands over the backup history and comparisons: history and diff.

#include <ostream>

#include "backup_access.h"
#include "command_table.h"
#include "history/history.h"
#include "history_access.h"
#include "record_listing.h"

namespace kivo::cli {
namespace {

std::string Stamp(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

int RunHistory(CliContext& context, std::span<const std::string>) {
  const std::filesystem::path dir = HistoryDir(context);
  const std::vector<Generation> all = ListGenerations(dir);
  if (all.empty()) {
    *context.out << "No generations in " << dir.string() << "\n";
    return kExitOk;
  }
  TextTable table;
  table.titles = {"#", "Date and time", "Kind"};
  table.right_aligned = {true, false, false};
  for (AppliId id : {kSchedule, kAnniversary, kToDo, kMemo, kExpense, kTelephone}) {
    table.titles.emplace_back(AppliName(id));
    table.right_aligned.push_back(true);
  }
  table.titles.emplace_back("File");
  table.right_aligned.push_back(false);
  for (const Generation& g : all) {
    std::vector<std::string> row{std::to_string(g.number), Stamp(g.time), g.kind};
    std::array<int, kStoreSlots> counts{};
    const bool readable = CountRecords(g.path, &counts);
    for (AppliId id : {kSchedule, kAnniversary, kToDo, kMemo, kExpense, kTelephone}) {
      row.push_back(!readable ? "?" : counts[id] < 0 ? "-" : std::to_string(counts[id]));
    }
    row.push_back(g.path.string());
    table.rows.push_back(std::move(row));
  }
  PrintTable(table, *context.out);
  return kExitOk;
}

int RunDiff(CliContext& context, std::span<const std::string> args) {
  std::optional<AppliId> only;
  if (args.size() > 2) {
    only = ParseAppliArgument(context, args[2]);
    if (!only) return kExitTrouble;
  }
  if (context.options.records && !CheckTables(context)) return kExitTrouble;
  AppliStore a{context.tables.code};
  AppliStore b{context.tables.code};
  if (ReadBackupForViewing(context, args[0], a, false) != kExitOk ||
      ReadBackupForViewing(context, args[1], b, false) != kExitOk) {
    return kExitTrouble;
  }
  const std::vector<AppliDiff> diffs = DiffStores(a, b, only);
  PrintComparison(context, diffs, a, b, args[0], args[1], context.options.records);
  return AnyDifference(diffs) ? kExitDifferent : kExitSame;
}

constexpr CliCommand kHistoryCommands[] = {
    {"history", "", "the backup history: every backup and snapshot kept, newest first",
     "One line per generation, the last written first: its number (1 = newest),\n"
     "date and time, kind (backup or snapshot), records per application (- when\n"
     "the file does not hold it) and the file. The folder is --history DIR, the\n"
     "setting [History] Folder, or history/ in the data folder; [History] Keep\n"
     "generations are kept (default 20), and the snapshot a failed restore needs.",
     0, 0, RunHistory},
    {"diff", "A.bkf B.bkf [APP]", "compare two backup files per application",
     "Counts per application the records only in A, only in B and in both (as\n"
     "multisets: the order of records does not matter). --records lists the\n"
     "differing records as show does. Exit status 0 when the files hold the same\n"
     "records, 1 when they differ, 2 on trouble, like diff(1).",
     2, 3, RunDiff},
};

}  // namespace

std::span<const CliCommand> HistoryCommands() { return kHistoryCommands; }

}  // namespace kivo::cli
