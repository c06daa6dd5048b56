// Commands that look into backup files: info and show.

#include <ostream>

#include "backup_access.h"
#include "command_table.h"
#include "record_listing.h"
#include "store/backup_file.h"
#include "view/appli_columns.h"

namespace kivo::cli {

namespace {

int RunInfo(CliContext& context, std::span<const std::string> args) {
  const std::filesystem::path file = args[0];
  AppliStore store{context.tables.code};
  if (int status = ReadBackupForViewing(context, file, store, false); status != kExitOk) {
    return status;
  }
  std::ostream& out = *context.out;
  const std::array<char, 6>& magic = store.magic();
  const bool inverted = magic == kInvertedMagic;
  out << "File:          " << file.string() << "\n"
      << "Magic:         " << std::string(magic.begin(), magic.end())
      << (inverted ? " (inverted body)" : " (plain body)") << "\n"
      << "Device code:   " << int{store.device_code()[0]} << " " << int{store.device_code()[1]}
      << "\n"
      << "Applications:  " << store.GetAppliCount() << "\n";
  for (int slot = 0; slot < store.GetAppliCount(); ++slot) {
    std::string name(AppliName(store.slot_id(slot)));
    name.resize(std::max<size_t>(name.size(), 18), ' ');
    const int count = store.slot_record_count(slot);
    out << "  " << name << " " << count << (count == 1 ? " record" : " records") << "\n";
  }
  return kExitOk;
}

int RunShow(CliContext& context, std::span<const std::string> args) {
  std::optional<AppliId> only;
  if (args.size() > 1) {
    only = ParseAppliArgument(context, args[1]);
    if (!only) return kExitUsage;
  }
  if (!CheckTables(context)) return kExitFailure;
  const std::filesystem::path file = args[0];
  AppliStore store{context.tables.code};
  if (int status = ReadBackupForViewing(context, file, store, true); status != kExitOk) {
    return status;
  }
  if (only) {
    PrintAppli(store, *only, context.settings, *context.out);
    return kExitOk;
  }
  bool first = true;
  for (AppliId id : kTabAppli) {
    if (!first) *context.out << "\n";
    first = false;
    PrintAppli(store, id, context.settings, *context.out);
  }
  return kExitOk;
}

constexpr CliCommand kFileCommands[] = {
    {"info", "FILE.bkf", "magic, device code and records per application of a backup file",
     "The applications are listed in the order of their blocks in the file.", 1, 1, RunInfo},
    {"show", "FILE.bkf [APP]", "the records as the main window's list shows them",
     "Without APP every application is shown, in the order of the window's tabs.\n"
     "Dates and times follow the settings' DisplayDate and DisplayHour, or\n"
     "--date-format and --hour-format.",
     1, 2, RunShow},
};

}  // namespace

std::span<const CliCommand> FileCommands() { return kFileCommands; }

}  // namespace kivo::cli
