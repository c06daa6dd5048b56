#include "store/app_settings.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <system_error>

#include "platform/link_defaults.h"
#include "platform/serial_port.h"
#include "store/result_code.h"

namespace kivo {

namespace {

constexpr const char* kPath = "Path";
constexpr const char* kSettings = "Settings";
constexpr const char* kPorts = "Ports";
constexpr const char* kWindow = "Window";
// The keys of the column widths, by AppliID.
constexpr const char* kColumnKeys[6] = {"ScheduleColumns", "AnniversaryColumns",
                                        "ToDoColumns",     "MemoColumns",
                                        "ExpenseColumns",  "TelephoneColumns"};
constexpr size_t kMaxColumnWidths = 15;
constexpr const char* kHistory = "History";
constexpr const char* kExchange = "Exchange";
constexpr int kMsPerSecond = 1000;

// A number of the "Settings" (or another) section within [low, high]. A value that is no
// whole decimal number, or lies outside, gives the fallback, and `ignored`
// learns which key it was and why. A missing or empty value is the fallback
// without a word.
int ReadChecked(const IniFile& ini, const char* key, int fallback, int low, int high,
                std::vector<std::string>* ignored, const char* section = kSettings) {
  const std::optional<std::string> value = ini.Find(section, key);
  if (!value || value->empty()) return fallback;
  std::string_view digits = *value;
  if (digits.front() == '+') digits.remove_prefix(1);
  int number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  const std::string tail = "; the default " + std::to_string(fallback) + " is used.";
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    ignored->push_back(std::string(key) + "=" + *value + " is not a number" + tail);
    return fallback;
  }
  if (number < low || number > high) {
    ignored->push_back(std::string(key) + "=" + OutsideRangeText(*value, low, high) + tail);
    return fallback;
  }
  return number;
}

// "100,80,146": the widths in pixels; anything that is not a positive number
// counts as 0 (the first width).
std::vector<int> ParseWidths(const std::string& text) {
  std::vector<int> widths;
  size_t start = 0;
  while (start <= text.size() && widths.size() < kMaxColumnWidths) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    int width = 0;
    for (size_t i = start; i < end; ++i) {
      if (text[i] < '0' || text[i] > '9' || width > 100000) {
        width = 0;
        break;
      }
      width = width * 10 + (text[i] - '0');
    }
    widths.push_back(width);
    start = end + 1;
  }
  if (widths.size() == 1 && text.empty()) widths.clear();
  return widths;
}

std::string JoinWidths(const std::vector<int>& widths) {
  std::string text;
  for (int width : widths) {
    if (!text.empty()) text += ',';
    text += std::to_string(std::max(width, 0));
  }
  return text;
}

void ReadWindowGeometry(const IniFile& ini, WindowGeometry& w) {
  w.left = ini.ReadInt(kWindow, "Left", 0);
  w.top = ini.ReadInt(kWindow, "Top", 0);
  w.width = std::max(ini.ReadInt(kWindow, "Width", 0), 0);
  w.height = std::max(ini.ReadInt(kWindow, "Height", 0), 0);
  w.maximized = ini.ReadInt(kWindow, "Maximized", 0) != 0;
  w.list_share = std::clamp(ini.ReadInt(kWindow, "ListShare", 0), 0, 1000);
  for (size_t i = 0; i < w.columns.size(); ++i) {
    w.columns[i] = ParseWidths(ini.ReadString(kWindow, kColumnKeys[i], ""));
  }
}

void WriteWindowGeometry(const WindowGeometry& w, IniFile& ini) {
  if (w.width <= 0 || w.height <= 0) return;
  ini.WriteInt(kWindow, "Left", w.left);
  ini.WriteInt(kWindow, "Top", w.top);
  ini.WriteInt(kWindow, "Width", w.width);
  ini.WriteInt(kWindow, "Height", w.height);
  ini.WriteInt(kWindow, "Maximized", w.maximized ? 1 : 0);
  if (w.list_share > 0) ini.WriteInt(kWindow, "ListShare", w.list_share);
  for (size_t i = 0; i < w.columns.size(); ++i) {
    if (!w.columns[i].empty()) ini.WriteString(kWindow, kColumnKeys[i], JoinWidths(w.columns[i]));
  }
}

}  // namespace

std::string OutsideRangeText(std::string_view value, int low, int high) {
  return std::string(value) + " is outside " + std::to_string(low) + " to " + std::to_string(high);
}

std::string AppSettings::PortDevice(int port) const {
  if (port < 1 || port > static_cast<int>(port_devices.size())) return {};
  return port_devices[static_cast<size_t>(port - 1)];
}

void AppSettings::AfterBackupRun(ResultCode result) {
  if (result == kResultSuccess) backup_tel_records_min = bk_tel_records_min;
  if (result == kResultIncomplete) backup_tel_records_min = 0;
}

void AppSettings::AfterUploadRun(ResultCode result) {
  if (result == kResultSuccess) upload_tel_records_min = bk_tel_records_min;
  if (result == kResultIncomplete) upload_tel_records_min = 0;
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& program_dir) {
  return program_dir / kSettingsFileName;
}

AppSettings ReadAppSettings(const IniFile& ini, const std::filesystem::path& program_dir) {
  return ReadAppSettings(ini, AppDirs::InProgramDirectory(program_dir));
}

AppSettings ReadAppSettings(const IniFile& ini, const AppDirs& dirs) {
  AppSettings s;
  s.backup_dir = ini.ReadString(kPath, "BackupDir", "");
  // An installed program opens its file dialogs in the documents folder, not
  // in its own hidden folder, which earlier versions wrote back as BackupDir
  // without the user choosing it.
  const std::string hidden = (dirs.data / "DATA").string();
  if (!dirs.documents.empty() && s.backup_dir == hidden) s.backup_dir.clear();
  if (s.backup_dir.empty()) {
    s.backup_dir = dirs.documents.empty() ? hidden : dirs.documents.string();
  }
  s.log_file_name = ini.ReadString(kPath, "LogFileName", "");
  if (!s.log_file_name.empty() && s.log_file_name.find('/') == std::string::npos) {
    s.log_file_name = (dirs.state / s.log_file_name).string();
  }
  constexpr int kAny = std::numeric_limits<int>::max();
  std::vector<std::string>* ignored = &s.ignored;
  s.com_port = ReadChecked(ini, "COMPort", 1, 1, kComPorts, ignored);
  s.port_name = ini.ReadString(kSettings, "PortName", "");
  s.port_chosen = ini.HasKey(kSettings, "COMPort") || ini.HasKey(kSettings, "PortName");
  s.echo_back = ReadChecked(ini, "EchoBack", 1, -kAny, kAny, ignored);
  s.file_scramble = ReadChecked(ini, "FileScramble", 1, -kAny, kAny, ignored);
  s.device_code = ReadChecked(ini, "DeviceCode", 2, 1, 2, ignored);
  s.to_command = ReadChecked(ini, "TOCommand", kDefaultTimeOutSeconds, kTimeOutSecondsMin,
                             kTimeOutSecondsMax, ignored) *
                 kMsPerSecond;
  s.to_data_packet = ReadChecked(ini, "TODataPacket", kDefaultTimeOutSeconds, kTimeOutSecondsMin,
                                 kTimeOutSecondsMax, ignored) *
                     kMsPerSecond;
  s.to_multiplier = ReadChecked(ini, "TOMultiplier", 0, 0, kTimeOutSecondsMax, ignored);
  s.display_hour = ReadChecked(ini, "DisplayHour", 0, 0, 1, ignored);
  s.display_date = ReadChecked(ini, "DisplayDate", 0, 0, 2, ignored);
  s.appli_id = ReadChecked(ini, "AppliID", 0, 0, 5, ignored);
  s.model = ReadChecked(ini, "Model", 0, 0, 1, ignored);
  s.bk_tel_records_min = ReadChecked(ini, "BKTelRecordsMin", 1, 0, 0xFFFF, ignored);
  s.backup_tel_records_min = s.bk_tel_records_min;
  s.upload_tel_records_min = s.bk_tel_records_min;
  for (size_t i = 0; i < s.port_devices.size(); ++i) {
    std::string device = ini.ReadString(kPorts, PortKey(static_cast<int>(i) + 1), "");
    if (!device.empty()) s.port_devices[i] = device;
  }
  ReadWindowGeometry(ini, s.window);
  s.history_dir = ini.ReadString(kHistory, "Folder", "");
  s.history_keep = ReadChecked(ini, "Keep", 20, 1, 10000, ignored, kHistory);
  s.snapshot = ReadChecked(ini, "Snapshot", 1, 0, 1, ignored, kHistory);
  s.verify = ReadChecked(ini, "Verify", 0, 0, 1, ignored, kHistory);
  s.export_encoding = ini.ReadString(kExchange, "ExportEncoding", s.export_encoding);
  s.import_encoding = ini.ReadString(kExchange, "ImportEncoding", s.import_encoding);
  s.sync = ReadSyncSettings(ini, ignored);
  return s;
}

AppSettings LoadAppSettings(const std::filesystem::path& settings_file,
                            const std::filesystem::path& program_dir) {
  return LoadAppSettings(settings_file, AppDirs::InProgramDirectory(program_dir));
}

AppSettings LoadAppSettings(const std::filesystem::path& settings_file, const AppDirs& dirs) {
  IniFile ini;
  (void)ini.Load(settings_file);  // a missing file means every default
  return ReadAppSettings(ini, dirs);
}

void WriteAppSettings(const AppSettings& s, IniFile& ini) {
  ini.WriteString(kPath, "BackupDir", s.backup_dir);
  if (!s.log_file_name.empty()) ini.WriteString(kPath, "LogFileName", s.log_file_name);
  ini.WriteInt(kSettings, "COMPort", s.com_port);
  if (!s.port_name.empty() || ini.HasKey(kSettings, "PortName")) {
    ini.WriteString(kSettings, "PortName", s.port_name);
  }
  ini.WriteInt(kSettings, "EchoBack", s.echo_back);
  if (s.file_scramble == 0) ini.WriteInt(kSettings, "FileScramble", 0);
  ini.WriteInt(kSettings, "DeviceCode", s.device_code);
  ini.WriteInt(kSettings, "TOCommand", s.to_command / kMsPerSecond);
  ini.WriteInt(kSettings, "TODataPacket", s.to_data_packet / kMsPerSecond);
  ini.WriteInt(kSettings, "TOMultiplier", s.to_multiplier);
  ini.WriteInt(kSettings, "DisplayHour", s.display_hour);
  ini.WriteInt(kSettings, "DisplayDate", s.display_date);
  ini.WriteInt(kSettings, "AppliID", s.appli_id);
  ini.WriteInt(kSettings, "Model", s.model);
  ini.WriteInt(kSettings, "BKTelRecordsMin", s.bk_tel_records_min);
  const AppSettings defaults;
  for (size_t i = 0; i < s.port_devices.size(); ++i) {
    std::string key = PortKey(static_cast<int>(i) + 1);
    if (s.port_devices[i] != defaults.port_devices[i] || ini.HasKey(kPorts, key)) {
      ini.WriteString(kPorts, key, s.port_devices[i]);
    }
  }
  WriteWindowGeometry(s.window, ini);
  // Written once they differ from their defaults or the file names them.
  auto history_int = [&](const char* key, int value, int fallback) {
    if (value != fallback || ini.HasKey(kHistory, key)) ini.WriteInt(kHistory, key, value);
  };
  if (!s.history_dir.empty() || ini.HasKey(kHistory, "Folder")) {
    ini.WriteString(kHistory, "Folder", s.history_dir);
  }
  history_int("Keep", s.history_keep, defaults.history_keep);
  history_int("Snapshot", s.snapshot, defaults.snapshot);
  history_int("Verify", s.verify, defaults.verify);
  if (s.export_encoding != defaults.export_encoding || ini.HasKey(kExchange, "ExportEncoding")) {
    ini.WriteString(kExchange, "ExportEncoding", s.export_encoding);
  }
  if (s.import_encoding != defaults.import_encoding || ini.HasKey(kExchange, "ImportEncoding")) {
    ini.WriteString(kExchange, "ImportEncoding", s.import_encoding);
  }
  WriteSyncSettings(s.sync, ini);
}

Status SaveAppSettings(const AppSettings& settings, const std::filesystem::path& settings_file,
                       FileWriter& writer) {
  IniFile ini;
  // An unreadable file is rewritten whole from the settings.
  (void)ini.Load(settings_file);
  WriteAppSettings(settings, ini);
  return ini.Save(settings_file, writer);
}

void CreateBackupDir(const AppSettings& settings) {
  std::error_code ec;
  std::filesystem::create_directory(settings.backup_dir, ec);
}

int SelectSortTable(int model, int active) {
  if (model == 0) return 0;
  if (model == 1) return 1;
  return active;
}

}  // namespace kivo
