#include "link_options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <ostream>

#include "platform/serial_port.h"
#include "store/app_settings.h"

namespace kivo::cli {
namespace {

bool ParseCount(const std::string& text, int low, int high, int* value) {
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  *value = v;
  return true;
}

// Seconds, with an optional fraction ("1.5"), as milliseconds; nullopt for
// no number.
std::optional<double> ParseSeconds(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) {
    return std::nullopt;
  }
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !(seconds >= 0)) return std::nullopt;
  return seconds;
}

}  // namespace

bool IsPortName(const std::string& name) {
  if (name == kVirtualPort) return true;
  if (name.find('/') != std::string::npos) return true;
  const std::string number = name.rfind("COM", 0) == 0 ? name.substr(3) : name;
  int n = 0;
  return ParseCount(number, 1, 4, &n);
}

bool ExtractLinkOptions(const std::vector<std::string>& args, LinkOptions* options,
                        std::vector<std::string>* rest, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      rest->insert(rest->end(), args.begin() + static_cast<long>(i), args.end());
      return true;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (arg.rfind("--", 0) == 0) {
      if (size_t eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
      }
    } else if (arg.rfind("-p", 0) == 0 && arg.size() > 2) {
      name = "-p";
      value = arg.substr(2);
    }
    auto take_value = [&]() {
      if (value) return true;
      if (i + 1 >= args.size()) {
        *error = "option " + name + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    auto bad = [&](const std::string& what) {
      *error = "option " + name + " takes " + what + ", not '" + *value + "'";
      return false;
    };
    int number = 0;
    if (name == "-p" || name == "--port") {
      if (!take_value()) return false;
      if (!IsPortName(*value)) return bad("COM1..COM4, 1..4, a device path or virtual");
      options->port = *value;
    } else if (bool* flag = name == "--no-echo"               ? &options->no_echo
                            : name == "--no-snapshot"         ? &options->no_snapshot
                            : name == "--verify"              ? &options->verify
                            : name == "--resume"              ? &options->resume
                            : name == "--dry-run"             ? &options->dry_run
                            : name == "--records"             ? &options->records
                            : name == "--force"               ? &options->force
                            : name == "--virtual-lose-record" ? &options->virtual_lose_record
                                                              : nullptr;
               flag != nullptr) {
      if (value) {
        *error = "option " + name + " takes no value";
        return false;
      }
      *flag = true;
    } else if (name == "--password" || name == "--pass") {
      *error =
          "a password is never taken from the command line (KIVO_PASSWORD, ~/.netrc or "
          "the prompt give it)";
      return false;
    } else if (name == "--conflict") {
      if (!take_value()) return false;
      if (*value != "keep-both" && *value != "organizer" && *value != "pc") {
        return bad("keep-both, organizer or pc");
      }
      options->conflict = *value;
    } else if (name == "--state" || name == "--ca-file") {
      if (!take_value()) return false;
      if (value->empty()) return bad(name == "--state" ? "a directory" : "a file");
      (name == "--state" ? options->state_dir : options->ca_file) = *value;
    } else if (name == "--user") {
      if (!take_value()) return false;
      if (value->empty()) return bad("a login name");
      options->user = *value;
    } else if (name == "--history") {
      if (!take_value()) return false;
      if (value->empty()) return bad("a directory");
      options->history_dir = *value;
    } else if (name == "--virtual-hang-up") {
      if (!take_value()) return false;
      if (!ParseCount(*value, 1, 65535, &number)) return bad("a record count");
      options->virtual_hang_up = number;
    } else if (name == "--to-command" || name == "--to-packet") {
      if (!take_value()) return false;
      const std::optional<double> seconds = ParseSeconds(*value);
      if (!seconds) return bad("seconds");
      // The settings file's range, and its words.
      if (*seconds < kTimeOutSecondsMin || *seconds > kTimeOutSecondsMax) {
        *error = "option " + name + ": " +
                 OutsideRangeText(*value, kTimeOutSecondsMin, kTimeOutSecondsMax) + " seconds";
        return false;
      }
      (name == "--to-command" ? options->to_command_ms : options->to_packet_ms) =
          static_cast<int>(std::lround(*seconds * 1000));
    } else if (name == "--to-multiplier") {
      if (!take_value()) return false;
      if (!ParseCount(*value, 0, 60000, &number)) return bad("milliseconds per byte, 0..60000");
      options->to_multiplier_ms = number;
    } else if (name == "--tel-min") {
      if (!take_value()) return false;
      if (!ParseCount(*value, 0, 65535, &number)) return bad("a record count");
      options->tel_min = number;
    } else if (name == "--log") {
      if (!take_value()) return false;
      options->log_file = *value;
    } else if (name == "--data") {
      if (!take_value()) return false;
      if (value->empty()) return bad("a directory");
      options->data_dir = *value;
    } else if (name == "--virtual-model") {
      if (!take_value()) return false;
      std::optional<VirtualModel> model = ParseVirtualModel(*value);
      if (!model) return bad("base, e+ or m");
      options->virtual_model = *model;
    } else if (name == "--virtual-log") {
      if (!take_value()) return false;
      options->virtual_log = *value;
    } else if (name == "--virtual-baud") {
      if (!take_value()) return false;
      if (!ParseCount(*value, 0, 1000000, &number)) return bad("a baud rate");
      options->virtual_baud = static_cast<uint32_t>(number);
    } else {
      rest->push_back(arg);
    }
  }
  return true;
}

void PrintLinkOptionsHelp(std::ostream& out) {
  out << "\nTransfer options:\n"
      << "  -p, --port PORT        COM1..COM4 (or 1..4) through the settings' [Ports] devices,\n"
      << "                         a device path such as /dev/ttyUSB0, or virtual: the\n"
      << "                         built-in virtual organizer\n"
      << "  --no-echo              the cable does not return what is sent (EchoBack 0)\n"
      << "  --to-command S         wait for a command at most S seconds, 1 to 3600\n"
      << "                         (TOCommand)\n"
      << "  --to-packet S          wait for a data packet at most S seconds, 1 to 3600\n"
      << "                         (TODataPacket)\n"
      << "  --to-multiplier MS     further wait per byte (TOMultiplier)\n"
      << "  --tel-min N            telephone records a base model must send at least\n"
      << "                         (BKTelRecordsMin; 0 turns the telephone checks off)\n"
      << "  --log FILE             write the link log to FILE\n"
      << "  --data DIR             dump files of simulate and linetest, and the virtual\n"
      << "                         organizer's records (default: the program directory;\n"
      << "                         installed: ~/.local/share/kivo-link)\n"
      << "  --virtual-model base|e+|m\n"
      << "                         the model the virtual organizer plays (default base)\n"
      << "  --virtual-baud N       pace the virtual organizer's cable at N baud\n"
      << "  --virtual-log FILE     the virtual organizer's side of the link log\n"
      << "  --virtual-hang-up N    the virtual organizer stops answering after taking N\n"
      << "                         records (as when the cable is pulled)\n"
      << "  --virtual-lose-record  the virtual organizer acknowledges but drops the first\n"
      << "                         record it is sent\n"
      << "\nSafety and history options:\n"
      << "  --history DIR          the backup history folder (setting [History] Folder;\n"
      << "                         default: history/ in the data folder)\n"
      << "  --no-snapshot          do not receive and keep the organizer's records before\n"
      << "                         deleting them (setting [History] Snapshot=0)\n"
      << "  --verify               read back what was sent and compare (exit 120 when it\n"
      << "                         differs; setting [History] Verify=1)\n"
      << "  --resume               restore: send only what a failed restore of FILE left\n"
      << "  --dry-run              restore: compare the organizer with FILE; sync: say what\n"
      << "                         would change on each side; both change nothing\n"
      << "  --records              diff: list the differing records\n"
      << "\nSync options:\n"
      << "  --conflict keep-both|organizer|pc\n"
      << "                         sync: two different edits of one record keep both\n"
      << "                         (default), the organizer's, or the other side's\n"
      << "  --force                sync: go on although an application became empty or\n"
      << "                         would lose more than half of its records\n"
      << "  --state DIR            sync: the state folder (default:\n"
      << "                         $XDG_STATE_HOME/kivo-link/sync)\n"
      << "  --user NAME            sync: the login on a CalDAV/CardDAV server (the password\n"
      << "                         from KIVO_PASSWORD, ~/.netrc or a prompt)\n"
      << "  --ca-file FILE         sync: trust a private CA's certificates (PEM) as well\n"
      << "\nA transfer exits 0 on success and 100 + the result code on failure: 100\n"
      << "aborted (Ctrl+C), 105 no answer, 106..110 port cannot be opened, 111 I/O\n"
      << "error, 113 file not compatible, 114 reception incomplete, 115 not all sent,\n"
      << "117 given up after a file error; 120 the records read back differ\n"
      << "from those sent (--verify).\n";
}

}  // namespace kivo::cli
