#ifndef KIVO_APPS_CLI_BACKUP_ACCESS_H_
#define KIVO_APPS_CLI_BACKUP_ACCESS_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "cli_context.h"
#include "store/appli_store.h"

namespace kivo::cli {

// The words after "kivo-link: FILE: " for a failing backup-file read.
std::string BackupReadFailure(const StoreStatus& status, const AppliStore& store);

// False with the message printed when code.dat cannot be found: without it
// every text would come out blank.
[[nodiscard]] bool CheckTables(const CliContext& context);

// Reads a backup file for looking at it: the store takes the file's own
// device code, so a file of either organizer model opens. `ensure` makes
// every application present afterwards. kExitOk or kExitFailure (message
// printed).
[[nodiscard]] int ReadBackupForViewing(const CliContext& context, const std::filesystem::path& file,
                                       AppliStore& store, bool ensure);

// Reads a backup file that will be written back: its device code must be the
// settings' one. A missing file gives an empty store (every application
// present, default category names). kExitOk or kExitFailure.
[[nodiscard]] int ReadBackupForChange(const CliContext& context, const std::filesystem::path& file,
                                      AppliStore& store);

// The application named on the command line, or nullopt after a usage message.
std::optional<AppliId> ParseAppliArgument(const CliContext& context, std::string_view text);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_BACKUP_ACCESS_H_
