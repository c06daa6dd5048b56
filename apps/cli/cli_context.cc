#include "cli_context.h"

#include <charconv>
#include <ostream>

#include "exchange/exchange.h"
#include "platform/atomic_file.h"
#include "platform/ini_file.h"

namespace kivo::cli {

namespace {

bool ParseInt(std::string_view text, int low, int high, int* value) {
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  *value = v;
  return true;
}

}  // namespace

bool ParseGlobalOptions(const std::vector<std::string>& args, GlobalOptions* options,
                        std::vector<std::string>* rest, std::string* error) {
  bool options_end = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_end || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      rest->push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (size_t eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    auto flag = [&](bool* target) {
      if (value) {
        *error = "option " + name + " takes no value";
        return false;
      }
      *target = true;
      return true;
    };
    auto take_value = [&]() -> bool {
      if (value) return true;
      if (i + 1 >= args.size()) {
        *error = "option " + name + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    auto number = [&](int low, int high, std::optional<int>* target) {
      if (!take_value()) return false;
      int v = 0;
      if (!ParseInt(*value, low, high, &v)) {
        *error = "option " + name + " takes a number from " + std::to_string(low) + " to " +
                 std::to_string(high) + ", not '" + *value + "'";
        return false;
      }
      *target = v;
      return true;
    };
    bool ok = true;
    if (name == "--help") {
      ok = flag(&options->help);
    } else if (name == "--version") {
      ok = flag(&options->version);
    } else if (name == "--plain") {
      ok = flag(&options->plain);
    } else if (name == "--duplicates") {
      ok = flag(&options->duplicates);
    } else if (name == "--settings") {
      ok = take_value();
      if (ok) options->settings_file = *value;
    } else if (name == "--device-code") {
      ok = number(1, 2, &options->device_code);
    } else if (name == "--date-format") {
      ok = number(0, 2, &options->date_format);
    } else if (name == "--hour-format") {
      ok = number(0, 1, &options->hour_format);
    } else if (name == "--encoding") {
      ok = take_value();
      if (ok) options->encoding = ParseEncodingName(*value);
      if (ok && !options->encoding) {
        *error = "option --encoding takes utf-8 or cp1252, not '" + *value + "'";
        ok = false;
      }
    } else if (name == "--format") {
      ok = take_value();
      if (ok) options->format = ParseFormatName(*value);
      if (ok && !options->format) {
        *error = "option --format takes csv, vcard or ical, not '" + *value + "'";
        ok = false;
      }
    } else {
      // Left for the command: "--help" after a command name is taken above,
      // anything else unknown is an error.
      *error = "unknown option " + name;
      ok = false;
    }
    if (!ok) return false;
  }
  return true;
}

bool BuildContext(const GlobalOptions& options, const AppDirs& dirs, CliContext* context,
                  std::string* error) {
  context->data_dir = dirs.data;
  std::filesystem::path file =
      options.settings_file ? *options.settings_file : SettingsFilePath(dirs.config);
  IniFile ini;
  if (!ini.Load(file) && options.settings_file) {
    int error_number = 0;
    (void)ReadWholeFile(file, &error_number);
    *error = file.string() + ": " + SystemErrorText(error_number);
    return false;
  }
  context->settings = ReadAppSettings(ini, dirs);
  AppSettings& s = context->settings;
  if (context->err != nullptr) {
    for (const std::string& why : s.ignored) {
      *context->err << kToolName << ": " << file.string() << ": " << why << "\n";
    }
  }
  if (options.device_code) s.device_code = *options.device_code;
  if (options.date_format) s.display_date = *options.date_format;
  if (options.hour_format) s.display_hour = *options.hour_format;
  if (options.plain) s.file_scramble = 0;
  context->encoding = options.encoding;
  context->format = options.format;
  context->duplicates = options.duplicates;
  return true;
}

int CliContext::FileFailure(const std::filesystem::path& file, std::string_view reason) const {
  *err << kToolName << ": " << file.string() << ": " << reason << "\n";
  return kExitFailure;
}

int CliContext::UsageFailure(std::string_view message) const {
  *err << kToolName << ": " << message << "\n"
       << "Try '" << kToolName << " --help' for more information.\n";
  return kExitUsage;
}

}  // namespace kivo::cli
