#ifndef KIVO_COMM_LINK_SETTINGS_H_
#define KIVO_COMM_LINK_SETTINGS_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "comm/safe_transfer.h"
#include "link/comm_link.h"
#include "platform/link_defaults.h"
#include "platform/serial_port.h"
#include "store/appli_id.h"
#include "store/char_tables.h"

namespace kivo {

class AppliStore;

// Run modes of one communication run.
inline constexpr int kRunNegotiation = 0;
inline constexpr int kRunBackup = 3;
inline constexpr int kRunRestore = 4;
inline constexpr int kRunUpload = 5;
inline constexpr int kRunDownload = 6;
inline constexpr int kRunBackupStep = 7;
inline constexpr int kRunRestoreStep = 8;
inline constexpr int kRunSendRecord = 9;
inline constexpr int kRunSendAck = 10;
inline constexpr int kRunSendNack = 11;
inline constexpr int kRunSendEnd = 12;
inline constexpr int kRunSendDump = 13;
inline constexpr int kRunDeleteAll = 14;
inline constexpr int kRunReceiveDump = 15;
inline constexpr int kRunReceiveCategoryDump = 16;
inline constexpr int kRunSendCategoryDump = 17;
inline constexpr int kRunDevice = 18;
inline constexpr int kRunModeMax = 18;

// What a command hands to one communication run. Time-outs are milliseconds.
struct LinkSettings {
  int run_mode = kRunNegotiation;
  int appli_mode = kAllAppli;  // an AppliId, or 255 for all applications
  int device_code = 2;         // 1 selects device code (1, 0), anything else (2, 0)
  int com_port = 1;            // COM1..COM4
  uint32_t baud_rate = kLinkBaudRate;
  std::string file_name;        // backup file the run reads or writes itself; empty: none
  std::string log_file_name;    // empty: no link log
  AppliStore* store = nullptr;  // the store to fill or send; not owned
  int echo_back = 1;
  int file_scramble = 1;
  long to_command = kDefaultTimeOutMs;
  long to_data_packet = kDefaultTimeOutMs;
  long to_multiplier = 0;
  const SortTable* sort_table = nullptr;                 // the active sort table
  const std::array<uint8_t, 128>* code_table = nullptr;  // table B of code.dat
  int tel_records_min = 0;

  // Where the host differs from COM numbers alone.
  // A port given by name ("COM3", a device path, "virtual"); empty: com_port.
  std::string port_name;
  PortMap port_map = DefaultPortMap();
  // Makes the ports; empty: termios devices only.
  SerialPortFactory port_factory;
  // Where the dump files of the line-test modes and the simulator lie; empty:
  // the program directory.
  std::filesystem::path data_dir;
  // Snapshot, verify and resume of a Restore or Download; all off by default.
  SafeTransfer safe;
};

}  // namespace kivo

#endif  // KIVO_COMM_LINK_SETTINGS_H_
