#ifndef KIVO_COMM_TRANSFER_SETUP_H_
#define KIVO_COMM_TRANSFER_SETUP_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "comm/link_settings.h"
#include "platform/serial_port.h"
#include "store/app_settings.h"
#include "store/appli_id.h"
#include "store/char_tables.h"

namespace kivo {

class AppliStore;

// What one command asks of a transfer, beside the user's settings: the run,
// the store it fills or sends, the tables of this program and how it reaches
// the organizer. The optional fields override a setting for this run only.
struct TransferRequest {
  RunMode run_mode = RunMode::kNegotiation;
  int appli_mode = kAllAppli;                            // an AppliId, or 255 for all applications
  AppliStore* store = nullptr;                           // not owned
  int tel_records_min = 0;                               // the Telephone minimum of this run
  const SortTable* sort_table = nullptr;                 // null: none loaded
  const std::array<uint8_t, 128>* code_table = nullptr;  // table B of code.dat
  // The port by name; unset: the settings' "PortName".
  std::optional<std::string> port_name;
  SerialPortFactory port_factory;  // empty: termios devices only
  std::filesystem::path data_dir;  // dump files and the simulator's records
  // Overrides of the settings for this run.
  std::optional<std::string> log_file_name;
  bool no_echo = false;
  std::optional<long> to_command;
  std::optional<long> to_data_packet;
  std::optional<long> to_multiplier;
};

// The link settings of one run: the request over the user's settings.
[[nodiscard]] LinkSettings MakeLinkSettings(const AppSettings& settings,
                                            const TransferRequest& request);

}  // namespace kivo

#endif  // KIVO_COMM_TRANSFER_SETUP_H_
