#ifndef KIVO_APPS_CLI_CLI_OPTIONS_H_
#define KIVO_APPS_CLI_CLI_OPTIONS_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "comm/virtual_organizer.h"
#include "commands/sync_setup.h"
#include "csv/cp1252.h"
#include "exchange/exchange_format.h"

namespace kivo::cli {

// Everything the command line said, checked, as a run gets it. The option
// table (option_table.h) fills it; an option left out stays unset here, and
// the settings file's value counts.
struct CliOptions {
  // Every command.
  std::optional<std::filesystem::path> settings_file;
  std::optional<int> device_code;
  std::optional<int> date_format;
  std::optional<int> hour_format;
  bool plain = false;
  bool help = false;
  bool version = false;

  // export and import: the CSV files' character coding (exports write UTF-8
  // and imports find it out when none is given), the file format when the
  // extension is not to decide, and whether an import adds records the
  // application already holds.
  std::optional<CsvEncoding> encoding;
  std::optional<ExchangeFormat> format;
  bool duplicates = false;

  // The transfer commands. A port is "COM1".."COM4", "1".."4", a device path
  // or "virtual".
  std::optional<std::string> port;
  bool no_echo = false;
  std::optional<int> to_command_ms;
  std::optional<int> to_packet_ms;
  std::optional<int> to_multiplier_ms;  // per byte
  std::optional<int> tel_min;           // BKTelRecordsMin of this run
  std::optional<std::string> log_file;
  // Dump files of simulate and linetest, and the virtual organizer's records.
  std::optional<std::filesystem::path> data_dir;
  // The virtual organizer: its model, line speed (0: unpaced), own link log
  // ("---HDD ..." lines), and the faults it plays: stop answering after
  // taking N records; keep not the first record it is sent. Its PC-LINK
  // button is pressed once as the command starts, and again every
  // virtual_press_every seconds when that is not 0.
  VirtualModel virtual_model = VirtualModel::kBase;
  int virtual_baud = 0;
  int virtual_press_every = 0;
  std::optional<std::string> virtual_log;
  int virtual_hang_up = 0;
  bool virtual_lose_record = false;

  // The backup history and the safety steps of restore and download.
  std::optional<std::filesystem::path> history_dir;
  bool no_snapshot = false;
  bool verify = false;
  bool resume = false;   // restore
  bool dry_run = false;  // restore and sync
  bool records = false;  // diff and restore --dry-run

  // sync: how conflicts end ("keep-both", "organizer", "pc"), past the
  // guards, the state folder, a server's login and private CA.
  KeptOnConflict conflict = KeptOnConflict::kBoth;
  bool force = false;
  bool reset_state = false;  // start again from a first sync
  bool no_wait = false;      // another sync of the pair runs: fail at once
  std::optional<std::filesystem::path> state_dir;
  std::optional<std::string> user;
  std::optional<std::filesystem::path> ca_file;

  // find, print and sync: the applications, as a mask of bits (1 << AppliId).
  std::optional<uint8_t> apps;
  // print: the PDF file, and the calendar's month instead of the lists;
  // whether Telephone prints as a phone list (true) or a table (false).
  std::optional<std::filesystem::path> pdf;
  std::optional<int> year;
  std::optional<int> month;
  std::optional<bool> phone_list;
};

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_CLI_OPTIONS_H_
