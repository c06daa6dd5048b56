#ifndef KIVO_TESTS_SUPPORT_VIRTUAL_RUN_H_
#define KIVO_TESTS_SUPPORT_VIRTUAL_RUN_H_

// Runs of the PC side against the built-in virtual organizer.

#include <filesystem>
#include <memory>

#include "comm/link_settings.h"
#include "comm/progress_run.h"
#include "comm/virtual_organizer.h"
#include "store/app_settings.h"
#include "store/appli_store.h"
#include "store/char_tables.h"

namespace kivo {

// The PC's conversion and sort tables from the program directory.
struct PcTables {
  PcTables();
  CodeTables code;
  SortTable model0{};
  SortTable model1{};
};

// An empty store with its seven application slots, coding with `code`.
std::unique_ptr<AppliStore> NewStore(const CodeTables& code);

// A sample for the organizer small enough to keep runs short: three
// telephone entries out of order, one of them three packets long, two memos
// and the default expense categories.
void WriteSmallSample(const std::filesystem::path& dir);

// The small sample written in dir/sample as the virtual organizer's first
// records (kept in dir/organizer), a model M, reached through `settings`
// with short time-outs: where the command layer's tests start.
void UseSmallVirtualOrganizer(const std::filesystem::path& dir, VirtualOrganizerOptions* options,
                              AppSettings* settings);

// Runs `run` with `s` to its end, with a window and a prompter that take
// nothing in: the run's result.
int RunToEnd(ProgressRun& run, const LinkSettings& s);

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_VIRTUAL_RUN_H_
