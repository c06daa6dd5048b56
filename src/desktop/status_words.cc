#include "desktop/status_words.h"

#include <cstdio>

#include "desktop/port_names.h"
#include "store/app_settings.h"

namespace kivo {
namespace {

const char* DoneText(RunMode run_mode) {
  switch (run_mode) {
    case RunMode::kBackup:
      return "Backup complete";
    case RunMode::kRestore:
      return "Restore complete";
    case RunMode::kUpload:
      return "Upload complete";
    case RunMode::kDownload:
      return "Download complete";
    case RunMode::kSendRecord:
      return "Sent to the Organizer";
    default:
      return "";
  }
}

}  // namespace

std::string SessionDoneWord(RunMode run_mode, ResultCode result,
                            const std::optional<std::string>& said) {
  if (result != kResultSuccess) return {};
  return said ? *said : std::string(DoneText(run_mode));
}

std::string PortStatus(const AppSettings& settings) {
  return "Port: " + PortTitle(SettingsPort(settings));
}

std::string OrganizerStatus(const std::string& last_model) {
  return "Organizer: " + (last_model.empty() ? std::string("not seen yet") : last_model);
}

std::string BackupStatus(const std::optional<LocalDateTime>& backup) {
  if (!backup) return "Last Backup: none";
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", backup->year, backup->month,
                backup->day, backup->hour, backup->minute);
  return std::string("Last Backup: ") + text;
}

std::string UndoItemText(const std::string& step) {
  return step.empty() ? "&Undo" : "&Undo " + step;
}

}  // namespace kivo
