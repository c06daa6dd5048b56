#ifndef KIVO_COMM_LINK_SETTINGS_H_
#define KIVO_COMM_LINK_SETTINGS_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "comm/run_mode.h"
#include "comm/safe_transfer.h"
#include "link/comm_link.h"
#include "platform/link_defaults.h"
#include "platform/serial_port.h"
#include "store/appli_id.h"
#include "store/char_tables.h"

namespace kivo {

class AppliStore;
class FreeSpace;

// What a command hands to one communication run. Time-outs are milliseconds.
struct LinkSettings {
  RunMode run_mode = RunMode::kNegotiation;
  int appli_mode = kAllAppli;  // an AppliId, or 255 for all applications
  // A Backup of all applications receives these (bit 1 << AppliId) only.
  uint8_t applis = kEveryAppliMask;
  int device_code = 2;  // 1 selects device code (1, 0), anything else (2, 0)
  int com_port = 1;     // COM1..COM4
  uint32_t baud_rate = kLinkBaudRate;
  std::string file_name;        // backup file the run reads or writes itself; empty: none
  std::string log_file_name;    // empty: no link log
  AppliStore* store = nullptr;  // the store to fill or send; not owned
  int echo_back = 1;
  int file_scramble = 1;
  long to_command = kDefaultTimeOutMs;
  long to_data_packet = kDefaultTimeOutMs;
  long to_multiplier = 0;
  const SortTable* sort_table = nullptr;  // the active sort table
  // code.dat's tables (table B for the telephone checks, both for the
  // records of a store the run sets up itself); null: every byte as it is.
  const CodeTables* code_tables = nullptr;
  int tel_records_min = 0;
  // Asked for the free bytes before file_name is written; null: the file
  // system's own answer.
  FreeSpace* free_space = nullptr;

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
