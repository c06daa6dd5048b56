#ifndef KIVO_STORE_APP_SETTINGS_H_
#define KIVO_STORE_APP_SETTINGS_H_

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/app_dirs.h"
#include "platform/ini_file.h"
#include "platform/link_defaults.h"
#include "platform/result.h"
#include "store/result_code.h"
#include "store/sync_targets.h"

namespace kivo {

inline constexpr const char* kSettingsFileName = "Kivo-LinkUtility.ini";

// The time-outs TOCommand and TODataPacket in seconds, in the settings file
// and on the command line alike: below one second every wait ends at once,
// which looks like a missing organizer; above an hour is a typing error.
inline constexpr int kTimeOutSecondsMin = 1;
inline constexpr int kTimeOutSecondsMax = 3600;

// "0 is outside 1 to 3600": the words for a value out of its range, wherever
// the value was given.
std::string OutsideRangeText(std::string_view value, int low, int high);

// The desktop program's main window as the user left it ("Window" section).
struct WindowGeometry {
  // Position and size of the window when not maximised; a width or height of
  // 0 means the first size at the top left corner of the screen.
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;
  // The list's column widths for each application, by AppliID; an empty list
  // or a width of 0 means the column's first width.
  std::array<std::vector<int>, 6> columns;
  // The list's share of the room beside the detail pane in thousandths, as
  // the user left the divider between them; 0: the first layout's.
  int list_share = 0;
};

// The user's settings, shared by the desktop program and the command-line
// tool. Loaded once from the settings file ("Path" and "Settings" sections,
// plus "Ports" for the device of each COM port number on this platform) and
// written back once when the desktop program ends. Time-outs are seconds in
// the file and milliseconds here.
struct AppSettings {
  std::string backup_dir;     // folder of the file dialogs; never empty once loaded
  std::string log_file_name;  // link log; empty: no log
  int com_port = 1;           // 1..4 for COM1..COM4
  // "PortName": a port chosen by name instead of COMPort; "virtual" is the
  // built-in virtual organizer. Empty: COMPort applies.
  std::string port_name;
  // Whether the file names a port at all: a first start without one offers
  // the choice. Not written: COMPort always is.
  bool port_chosen = false;
  int echo_back = 1;
  int file_scramble = 1;  // 1: files are written "IM2BK1"
  int device_code = 2;
  int to_command = kDefaultTimeOutMs;      // ms
  int to_data_packet = kDefaultTimeOutMs;  // ms
  int to_multiplier = 0;
  int display_hour = 0;  // 0 12-hour, 1 24-hour
  int display_date = 0;  // 0 mm/dd/yyyy, 1 dd.mm.yyyy, 2 yyyy.mm.dd
  int appli_id = 0;      // application on screen
  int model = 0;         // 0 "TR/VX-480", 1 "VX-480M"
  // BKTelRecordsMin: the stored value (the only one written back) and the
  // copies handed to Backup and Upload runs; Restore, Download and SEND runs
  // take the stored value.
  int bk_tel_records_min = 1;
  int backup_tel_records_min = 1;
  int upload_tel_records_min = 1;
  // Device of COM1..COM4 ("Ports"/"COM1".."COM4").
  std::array<std::string, kComPorts> port_devices{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2",
                                                  "/dev/ttyS3"};
  WindowGeometry window;
  // The numeric keys of the file that took their default instead of a value
  // that is no number or cannot work, each with the reason ("TOCommand=abc is
  // not a number; the default 30 is used."). Never written back.
  std::vector<std::string> ignored;
  // The last coding chosen for CSV files ("Exchange"/"ExportEncoding":
  // "utf-8" or "cp1252"; "ImportEncoding": "detect", "utf-8" or "cp1252").
  std::string export_encoding = "utf-8";
  std::string import_encoding = "detect";

  // The backup history ("History" section): its folder (empty: "history"
  // in the data folder), how many generations it keeps, whether Restore and
  // Download take a snapshot first and whether they read back what they sent.
  std::string history_dir;
  int history_keep = 20;
  int snapshot = 1;
  int verify = 0;

  // File > "Synchronize...": the targets after the program's own records
  // ("Sync" section).
  SyncSettings sync;

  // The device for a COM port number 1..4, empty for any other number.
  std::string PortDevice(int port) const;

  // A Backup or Upload run's result updates that command's copy: success
  // (16) restores the stored value, 14 (reception incomplete) turns the
  // telephone checks off for the next run, anything else leaves it.
  void AfterBackupRun(ResultCode result);
  void AfterUploadRun(ResultCode result);
};

// program_dir / "Kivo-LinkUtility.ini".
std::filesystem::path SettingsFilePath(const std::filesystem::path& program_dir);

// Reads every key in the order of the table, with the defaults for missing
// ones: an empty BackupDir becomes program_dir/DATA, a LogFileName without a
// directory separator is put into program_dir, the time-outs are turned into
// milliseconds and the three BKTelRecordsMin values are set. A numeric key
// whose value is no whole number, or lies outside what works, takes its
// default and is named in `ignored`: COMPort 1..4, DeviceCode 1..2, TOCommand
// and TODataPacket 1..3600 seconds, TOMultiplier 0..3600, DisplayHour 0..1,
// DisplayDate 0..2, AppliID 0..5, Model 0..1, BKTelRecordsMin 0..65535
// (EchoBack and FileScramble take any number).
AppSettings ReadAppSettings(const IniFile& ini, const std::filesystem::path& program_dir);
// The same from a file; a missing or unreadable file gives the defaults.
AppSettings LoadAppSettings(const std::filesystem::path& settings_file,
                            const std::filesystem::path& program_dir);
// The same for the places an installed program uses: the default backup
// folder is dirs.documents (dirs.data/DATA without one, and a BackupDir that
// names dirs.data/DATA counts as none) and a bare LogFileName goes into
// dirs.state.
AppSettings ReadAppSettings(const IniFile& ini, const AppDirs& dirs);
AppSettings LoadAppSettings(const std::filesystem::path& settings_file, const AppDirs& dirs);

// Writes the keys in their order, with the write rules: LogFileName only when
// not empty, FileScramble only when 0, time-outs in seconds (integer
// division), the stored BKTelRecordsMin; a port device only when it differs
// from its default or the file already names one; the window geometry once a
// window has been shown. Other keys and sections of the file stay.
void WriteAppSettings(const AppSettings& settings, IniFile& ini);
// Loads the existing file (if any), writes the settings into it and saves it
// through a temporary file, the bytes going through `writer`. A failure
// carries the system text.
Status SaveAppSettings(const AppSettings& settings, const std::filesystem::path& settings_file,
                       FileWriter& writer = SystemFileWriter());

// Creates the backup directory; an existing one or an error is ignored.
void CreateBackupDir(const AppSettings& settings);

// The active sort table after the Model setting: 0 for Model 0, 1 for Model
// 1, `active` unchanged for any other value.
int SelectSortTable(int model, int active);

}  // namespace kivo

#endif  // KIVO_STORE_APP_SETTINGS_H_
