#ifndef KIVO_APPS_CLI_CLI_CONTEXT_H_
#define KIVO_APPS_CLI_CLI_CONTEXT_H_

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

#include "cli_options.h"
#include "exit_codes.h"
#include "platform/app_dirs.h"
#include "platform/result.h"
#include "store/app_settings.h"
#include "store/tables.h"

namespace kivo::cli {

inline constexpr std::string_view kToolName = "kivo-link";

// Everything a command works with: the command line's options, the settings
// (the settings file, then the options over it), the tables read at the
// start, and the streams it talks on.
struct CliContext {
  CliOptions options;
  AppSettings settings;
  Tables tables;
  // The folder of the working data file: the virtual organizer's records and
  // the dump files unless --data names another (app_dirs.h).
  std::filesystem::path data_dir;
  std::ostream* out = nullptr;
  std::ostream* err = nullptr;

  // Backup files are written inverted unless FileScramble is 0 (or --plain).
  bool scramble() const { return settings.file_scramble != 0; }
  // "kivo-link: <file>: <reason>" on the error stream; returns kExitFailure.
  int FileFailure(const std::filesystem::path& file, std::string_view reason) const;
  // "kivo-link: <message>" and the hint to --help; returns kExitUsage.
  int UsageFailure(std::string_view message) const;
};

// Loads the settings file (--settings, or the one in dirs.config) and applies
// context->options over it. A failure with its message when a settings file
// named by the option cannot be read.
Status BuildContext(const AppDirs& dirs, CliContext* context);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_CLI_CONTEXT_H_
