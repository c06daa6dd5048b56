#ifndef KIVO_APPS_CLI_CLI_CONTEXT_H_
#define KIVO_APPS_CLI_CLI_CONTEXT_H_

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "csv/cp1252.h"
#include "exchange/exchange_format.h"
#include "exit_codes.h"
#include "link_options.h"
#include "platform/app_dirs.h"
#include "store/app_settings.h"
#include "view_options.h"

namespace kivo::cli {

inline constexpr std::string_view kToolName = "kivo-link";

// The options that apply to every command; given anywhere on the line.
struct GlobalOptions {
  std::optional<std::filesystem::path> settings_file;
  std::optional<int> device_code;
  std::optional<int> date_format;
  std::optional<int> hour_format;
  std::optional<CsvEncoding> encoding;
  std::optional<ExchangeFormat> format;
  bool plain = false;
  bool duplicates = false;
  bool help = false;
  bool version = false;
};

// Splits the command line (without the program name) into the global
// options and the rest (the command name and its arguments). False with a
// message in *error for an unknown option or a bad value.
[[nodiscard]] bool ParseGlobalOptions(const std::vector<std::string>& args, GlobalOptions* options,
                                      std::vector<std::string>* rest, std::string* error);

// Everything a command works with: the settings (the settings file, then the
// options over it) and the streams it talks on.
struct CliContext {
  AppSettings settings;
  // Character coding of the CSV files the tool reads and writes: exports
  // UTF-8 and imports find it out when none is given.
  std::optional<CsvEncoding> encoding;
  // The file format of export and import when the extension is not to decide.
  std::optional<ExchangeFormat> format;
  // A vCard or iCalendar import adds records the application already holds.
  bool duplicates = false;
  // The folder of the working data file: the virtual organizer's records and
  // the dump files unless --data names another (app_dirs.h).
  std::filesystem::path data_dir;
  // The options of the transfer commands (link_options.h).
  LinkOptions link;
  // The options of find and print (view_options.h).
  ViewOptions view;
  std::ostream* out = nullptr;
  std::ostream* err = nullptr;

  // Backup files are written inverted unless FileScramble is 0 (or --plain).
  bool scramble() const { return settings.file_scramble != 0; }
  // "kivo-link: <file>: <reason>" on the error stream; returns kExitFailure.
  int FileFailure(const std::filesystem::path& file, std::string_view reason) const;
  // "kivo-link: <message>" and the hint to --help; returns kExitUsage.
  int UsageFailure(std::string_view message) const;
};

// Loads the settings file (the option's, or the one in dirs.config) and
// applies the options. False with a message when a settings file named by the
// option cannot be read.
[[nodiscard]] bool BuildContext(const GlobalOptions& options, const AppDirs& dirs,
                                CliContext* context, std::string* error);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_CLI_CONTEXT_H_
