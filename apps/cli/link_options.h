#ifndef KIVO_APPS_CLI_LINK_OPTIONS_H_
#define KIVO_APPS_CLI_LINK_OPTIONS_H_

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "comm/virtual_organizer.h"

namespace kivo::cli {

// The options of the transfer commands; like the other global options they
// may stand anywhere on the line. Unset ones take the settings file's values.
struct LinkOptions {
  // "COM1".."COM4", "1".."4", a device path or "virtual".
  std::optional<std::string> port;
  bool no_echo = false;
  std::optional<int> to_command_ms;     // --to-command S (seconds, fractions allowed)
  std::optional<int> to_packet_ms;      // --to-packet S
  std::optional<int> to_multiplier_ms;  // --to-multiplier MS (per byte)
  std::optional<int> tel_min;           // --tel-min N (BKTelRecordsMin of this run)
  std::optional<std::string> log_file;  // --log FILE
  // Dump files of simulate and linetest, and the virtual organizer's records.
  std::optional<std::filesystem::path> data_dir;
  // The virtual organizer's model and line speed.
  VirtualModel virtual_model = VirtualModel::kBase;
  uint32_t virtual_baud = 0;
  // The virtual organizer's own link log ("---HDD ..." lines).
  std::optional<std::string> virtual_log;
  // Faults the virtual organizer plays: stop answering after N records
  // taken; keep not the first record it is sent.
  int virtual_hang_up = 0;
  bool virtual_lose_record = false;

  // The backup history and the safety steps of restore and download.
  std::optional<std::filesystem::path> history_dir;  // --history DIR
  bool no_snapshot = false;                          // --no-snapshot
  bool verify = false;                               // --verify
  bool resume = false;                               // restore --resume
  bool dry_run = false;                              // restore --dry-run
  bool records = false;                              // diff --records
  // sync: how conflicts end ("keep-both", "organizer", "pc"), past the
  // guards, the state folder, a server's login and private CA.
  std::optional<std::string> conflict;
  bool force = false;
  std::optional<std::filesystem::path> state_dir;
  std::optional<std::string> user;
  std::optional<std::filesystem::path> ca_file;
};

// Takes the transfer options out of the command line (without the program
// name) and leaves everything else, in order, in *rest for the other global
// options and the command. "--" ends the options: it and what follows stay
// in *rest. False with a message in *error for a bad value.
[[nodiscard]] bool ExtractLinkOptions(const std::vector<std::string>& args, LinkOptions* options,
                                      std::vector<std::string>* rest, std::string* error);

// The options' lines for the tool's help.
void PrintLinkOptionsHelp(std::ostream& out);

// Whether a --port value names a port the tool can use.
[[nodiscard]] bool IsPortName(const std::string& name);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_LINK_OPTIONS_H_
