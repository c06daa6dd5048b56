#include "cli_context.h"

#include <ostream>

#include "platform/atomic_file.h"
#include "platform/ini_file.h"

namespace kivo::cli {

Status BuildContext(const AppDirs& dirs, CliContext* context) {
  const CliOptions& options = context->options;
  context->data_dir = dirs.data;
  std::filesystem::path file =
      options.settings_file ? *options.settings_file : SettingsFilePath(dirs.config);
  IniFile ini;
  if (!ini.Load(file) && options.settings_file) {
    int error_number = 0;
    (void)ReadWholeFile(file, &error_number);
    return Failure{file.string() + ": " + SystemErrorText(error_number)};
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
  return {};
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
