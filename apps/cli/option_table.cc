// Every option of the tool in one table, and the command line read by it.

#include "option_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

#include "exchange/exchange.h"
#include "platform/serial_port.h"
#include "store/app_settings.h"
#include "store/appli_id.h"

namespace kivo::cli {
namespace {

bool ParseCount(std::string_view text, int low, int high, int* value) {
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  *value = v;
  return true;
}

// Seconds with an optional fraction ("1.5"); nullopt for no number.
std::optional<double> ParseSeconds(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) {
    return std::nullopt;
  }
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !(seconds >= 0)) return std::nullopt;
  return seconds;
}

// ---- where the values go --------------------------------------------------
template <auto member>
bool Flag(CliOptions& options, const OptionValue&) {
  options.*member = true;
  return true;
}

template <auto member>
bool Text(CliOptions& options, const OptionValue& value) {
  options.*member = std::string(value.text);
  return true;
}

template <auto member>
bool Number(CliOptions& options, const OptionValue& value) {
  options.*member = value.number;
  return true;
}

bool Port(CliOptions& options, const OptionValue& value) {
  const std::string_view name = value.text;
  const std::string_view number = name.starts_with("COM") ? name.substr(3) : name;
  int n = 0;
  if (name != kVirtualPort && name.find('/') == std::string_view::npos &&
      !ParseCount(number, 1, kComPorts, &n)) {
    return false;
  }
  options.port = std::string(name);
  return true;
}

bool Encoding(CliOptions& options, const OptionValue& value) {
  options.encoding = ParseEncodingName(value.text);
  return options.encoding.has_value();
}

bool Format(CliOptions& options, const OptionValue& value) {
  options.format = ParseFormatName(value.text);
  return options.format.has_value();
}

bool Model(CliOptions& options, const OptionValue& value) {
  const std::optional<VirtualModel> model = ParseVirtualModel(value.text);
  if (model) options.virtual_model = *model;
  return model.has_value();
}

bool Conflict(CliOptions& options, const OptionValue& value) {
  const std::optional<KeptOnConflict> kept = ParseConflictPolicy(value.text);
  if (kept) options.conflict = *kept;
  return kept.has_value();
}

// "schedule,todo" or "0,2": the applications with a tab.
bool Apps(CliOptions& options, const OptionValue& value) {
  const std::string_view text = value.text;
  uint8_t mask = 0;
  size_t begin = 0;
  while (begin <= text.size()) {
    const size_t comma = std::min(text.find(',', begin), text.size());
    const std::optional<AppliId> id = ParseAppliName(text.substr(begin, comma - begin));
    if (!id || *id >= kCategoryList) return false;
    mask = static_cast<uint8_t>(mask | (1u << *id));
    begin = comma + 1;
  }
  options.apps = mask;
  return true;
}

// YYYY-MM, within the years the organizer keeps.
bool Month(CliOptions& options, const OptionValue& value) {
  const std::string_view text = value.text;
  int year = 0;
  int month = 0;
  if (text.size() != 7 || text[4] != '-' || !ParseCount(text.substr(0, 4), 1950, 2150, &year) ||
      !ParseCount(text.substr(5), 1, 12, &month)) {
    return false;
  }
  options.year = year;
  options.month = month;
  return true;
}

// "phone-list" or "table".
bool Layout(CliOptions& options, const OptionValue& value) {
  if (value.text != "phone-list" && value.text != "table") return false;
  options.phone_list = value.text == "phone-list";
  return true;
}

// ---- the table ------------------------------------------------------------
constexpr std::string_view kExchange = "export import";
// The commands that run a link on a port, and with detect those that may
// start the virtual organizer.
constexpr std::string_view kLink = "backup restore upload download send sync simulate linetest";
constexpr std::string_view kVirtual =
    "backup restore upload download send sync detect simulate linetest";

using enum OptionKind;
using enum OptionGroup;

// Checks several options share.
constexpr OptionCheck kNoValue{kFlag};
constexpr OptionCheck kAnyText{kText};
constexpr OptionCheck kDirectory{kNonEmpty, 0, 0, "a directory"};
constexpr OptionCheck kTimeOut{kSeconds, kTimeOutSecondsMin, kTimeOutSecondsMax, "seconds"};
constexpr OptionCheck kPassword{
    kRefused, 0, 0,
    "a password is never taken from the command line (KIVO_PASSWORD, ~/.netrc or the prompt "
    "give it)"};

// Name, value, check, help section, the commands it is for (none: every
// one), help lines, where the value goes [, short name].
constexpr OptionSpec kOptions[] = {
    {"--settings", "FILE", kAnyText, kGeneral, "",
     "settings file instead of Kivo-LinkUtility.ini in the\n"
     "program directory (installed: ~/.config/kivo-link)",
     Text<&CliOptions::settings_file>},
    {"--device-code",
     "N",
     {kCount, 1, 2},
     kGeneral,
     "",
     "device code 1 or 2 of the organizer (setting DeviceCode)",
     Number<&CliOptions::device_code>},
    {"--plain", "", kNoValue, kGeneral, "", "write backup files with a plain body (\"IM2BK0\")",
     Flag<&CliOptions::plain>},
    {"--date-format",
     "0|1|2",
     {kCount, 0, 2},
     kGeneral,
     "",
     "dates as mm/dd/yyyy, dd.mm.yyyy or yyyy.mm.dd",
     Number<&CliOptions::date_format>},
    {"--hour-format",
     "0|1",
     {kCount, 0, 1},
     kGeneral,
     "",
     "times in 12-hour or 24-hour form",
     Number<&CliOptions::hour_format>},
    {"--encoding",
     "utf-8|cp1252",
     {kWord, 0, 0, "utf-8 or cp1252"},
     kGeneral,
     kExchange,
     "character coding of CSV files (export: utf-8;\n"
     "import: found from the file)",
     Encoding},
    {"--format",
     "csv|vcard|ical",
     {kWord, 0, 0, "csv, vcard or ical"},
     kGeneral,
     kExchange,
     "file format of export and import instead of the\n"
     "file's extension (.csv, .vcf, .ics)",
     Format},
    {"--duplicates", "", kNoValue, kGeneral, "import",
     "vCard and iCalendar import: add records the\n"
     "application already holds as well",
     Flag<&CliOptions::duplicates>},
    {"--help", "", kNoValue, kGeneral, "", "this help; after a command, the command's help",
     Flag<&CliOptions::help>},
    {"--version", "", kNoValue, kGeneral, "", "the tool's version", Flag<&CliOptions::version>},

    {"--port",
     "PORT",
     {kWord, 0, 0, "COM1..COM4, 1..4, a device path or virtual"},
     kTransfer,
     kLink,
     "COM1..COM4 (or 1..4) through the settings' [Ports] devices,\n"
     "a device path such as /dev/ttyUSB0, or virtual: the\n"
     "built-in virtual organizer",
     Port,
     'p'},
    {"--no-echo", "", kNoValue, kTransfer, kVirtual,
     "the cable does not return what is sent (EchoBack 0)", Flag<&CliOptions::no_echo>},
    {"--to-command", "S", kTimeOut, kTransfer, kLink,
     "wait for a command at most S seconds, 1 to 3600\n"
     "(TOCommand)",
     Number<&CliOptions::to_command_ms>},
    {"--to-packet", "S", kTimeOut, kTransfer, kLink,
     "wait for a data packet at most S seconds, 1 to 3600\n"
     "(TODataPacket)",
     Number<&CliOptions::to_packet_ms>},
    {"--to-multiplier",
     "MS",
     {kCount, 0, 60000, "milliseconds per byte, 0..60000"},
     kTransfer,
     kLink,
     "further wait per byte (TOMultiplier)",
     Number<&CliOptions::to_multiplier_ms>},
    {"--tel-min",
     "N",
     {kCount, 0, 65535, "a record count"},
     kTransfer,
     "backup restore upload download sync",
     "telephone records a base model must send at least\n"
     "(BKTelRecordsMin; 0 turns the telephone checks off)",
     Number<&CliOptions::tel_min>},
    {"--log", "FILE", kAnyText, kTransfer, kVirtual, "write the link log to FILE",
     Text<&CliOptions::log_file>},
    {"--data", "DIR", kDirectory, kTransfer, kVirtual,
     "dump files of simulate and linetest, and the virtual\n"
     "organizer's records (default: the program directory;\n"
     "installed: ~/.local/share/kivo-link)",
     Text<&CliOptions::data_dir>},
    {"--virtual-model",
     "base|e+|m",
     {kWord, 0, 0, "base, e+ or m"},
     kTransfer,
     kVirtual,
     "the model the virtual organizer plays (default base)",
     Model},
    {"--virtual-baud",
     "N",
     {kCount, 0, 1000000, "a baud rate"},
     kTransfer,
     kVirtual,
     "pace the virtual organizer's cable at N baud",
     Number<&CliOptions::virtual_baud>},
    {"--virtual-press-every",
     "SECONDS",
     {kCount, 1, 86400, "seconds"},
     kTransfer,
     kVirtual,
     "press the virtual organizer's PC-LINK button again every\n"
     "SECONDS (it plays one session a press, the first as the\n"
     "command starts)",
     Number<&CliOptions::virtual_press_every>},
    {"--virtual-log", "FILE", kAnyText, kTransfer, kVirtual,
     "the virtual organizer's side of the link log", Text<&CliOptions::virtual_log>},
    {"--virtual-hang-up",
     "N",
     {kCount, 1, 65535, "a record count"},
     kTransfer,
     kVirtual,
     "the virtual organizer stops answering after taking N\n"
     "records (as when the cable is pulled)",
     Number<&CliOptions::virtual_hang_up>},
    {"--virtual-lose-record", "", kNoValue, kTransfer, kVirtual,
     "the virtual organizer acknowledges but drops the first\n"
     "record it is sent",
     Flag<&CliOptions::virtual_lose_record>},

    {"--history", "DIR", kDirectory, kSafety, "backup restore download sync history",
     "the backup history folder (setting [History] Folder;\n"
     "default: history/ in the data folder)",
     Text<&CliOptions::history_dir>},
    {"--no-snapshot", "", kNoValue, kSafety, "restore download",
     "do not receive and keep the organizer's records before\n"
     "deleting them (setting [History] Snapshot=0)",
     Flag<&CliOptions::no_snapshot>},
    {"--verify", "", kNoValue, kSafety, "restore download",
     "read back what was sent and compare (exit 120 when it\n"
     "differs; setting [History] Verify=1)",
     Flag<&CliOptions::verify>},
    {"--resume", "", kNoValue, kSafety, "restore",
     "restore: send only what a failed restore of FILE left", Flag<&CliOptions::resume>},
    {"--dry-run", "", kNoValue, kSafety, "restore sync",
     "restore: compare the organizer with FILE; sync: say what\n"
     "would change on each side; both change nothing",
     Flag<&CliOptions::dry_run>},
    {"--records", "", kNoValue, kSafety, "diff restore", "diff: list the differing records",
     Flag<&CliOptions::records>},

    {"--conflict",
     "keep-both|organizer|pc",
     {kWord, 0, 0, "keep-both, organizer or pc"},
     kSync,
     "sync",
     "sync: two different edits of one record keep both\n"
     "(default), the organizer's, or the other side's",
     Conflict},
    {"--force", "", kNoValue, kSync, "sync",
     "sync: go on although an application became empty or\n"
     "would lose more than half of its records",
     Flag<&CliOptions::force>},
    {"--reset-state", "", kNoValue, kSync, "sync",
     "sync: forget the pair's state (a damaged one too); the\n"
     "run matches both sides' records as a first sync does",
     Flag<&CliOptions::reset_state>},
    {"--no-wait", "", kNoValue, kSync, "sync",
     "sync: exit 2 instead of waiting while another sync of\n"
     "the same two sides runs",
     Flag<&CliOptions::no_wait>},
    {"--state", "DIR", kDirectory, kSync, "sync",
     "sync: the state folder (default:\n"
     "$XDG_STATE_HOME/kivo-link/sync)",
     Text<&CliOptions::state_dir>},
    {"--user",
     "NAME",
     {kNonEmpty, 0, 0, "a login name"},
     kSync,
     "sync",
     "sync: the login on a CalDAV/CardDAV server (the password\n"
     "from KIVO_PASSWORD, ~/.netrc or a prompt)",
     Text<&CliOptions::user>},
    {"--ca-file",
     "FILE",
     {kNonEmpty, 0, 0, "a file"},
     kSync,
     "sync",
     "sync: trust a private CA's certificates (PEM) as well",
     Text<&CliOptions::ca_file>},
    {"--password", "", kPassword, kHidden, "sync", "", nullptr},
    {"--pass", "", kPassword, kHidden, "sync", "", nullptr},

    {"--apps",
     "LIST",
     {kWord, 0, 0,
      "applications separated by commas (schedule, anniversary, todo, memo, expense, "
      "telephone or 0..5)"},
     kView,
     "find print sync",
     "applications, separated by commas (default: all;\n"
     "print --month: schedule, anniversary and todo; sync:\n"
     "the applications taking part)",
     Apps},
    {"--pdf",
     "OUT.pdf",
     {kNonEmpty, 0, 0, "a file name"},
     kView,
     "print",
     "print: the PDF file to write",
     Text<&CliOptions::pdf>},
    {"--month",
     "YYYY-MM",
     {kWord, 0, 0, "YYYY-MM (1950-01 to 2150-12)"},
     kView,
     "print",
     "print: the calendar's month instead of the lists",
     Month},
    {"--layout",
     "phone-list|table",
     {kWord, 0, 0, "phone-list or table"},
     kView,
     "print",
     "print: Telephone as a phone list (name, numbers, e-mail,\n"
     "company, notes; two columns a page) or as a table of its\n"
     "columns (default: as the settings' [Print] TelephoneLayout,\n"
     "a phone list)",
     Layout},
};

const OptionSpec* FindOption(std::string_view name) {
  for (const OptionSpec& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

const OptionSpec* FindShortOption(char letter) {
  for (const OptionSpec& option : kOptions) {
    if (option.short_name != 0 && option.short_name == letter) return &option;
  }
  return nullptr;
}

// Checks and stores one option's value; `name` is as the line spells it.
// *at moves past a value taken from the next argument.
Status TakeOption(const OptionSpec& option, const std::string& name,
                  std::optional<std::string> value, std::span<const std::string> args, size_t* at,
                  CliOptions* options) {
  const OptionCheck& check = option.check;
  if (check.kind == kRefused) return Failure{std::string(check.takes)};
  if (check.kind == kFlag) {
    if (value) return Failure{"option " + name + " takes no value"};
    if (!option.take(*options, {})) return Failure{};
    return {};
  }
  if (!value) {
    if (*at + 1 >= args.size()) return Failure{"option " + name + " needs a value"};
    value = args[++*at];
  }
  auto refuse = [&](std::string_view takes) {
    return Failure{"option " + name + " takes " + std::string(takes) + ", not '" + *value + "'"};
  };
  OptionValue checked{*value};
  switch (check.kind) {
    case kNonEmpty:
      if (value->empty()) return refuse(check.takes);
      break;
    case kCount:
      if (!ParseCount(*value, check.low, check.high, &checked.number)) {
        if (!check.takes.empty()) return refuse(check.takes);
        return refuse("a number from " + std::to_string(check.low) + " to " +
                      std::to_string(check.high));
      }
      break;
    case kSeconds: {
      const std::optional<double> seconds = ParseSeconds(*value);
      if (!seconds) return refuse(check.takes);
      // The settings file's range, and its words.
      if (*seconds < check.low || *seconds > check.high) {
        return Failure{"option " + name + ": " + OutsideRangeText(*value, check.low, check.high) +
                       " " + std::string(check.takes)};
      }
      checked.number = static_cast<int>(std::lround(*seconds * 1000));
      break;
    }
    default:
      break;
  }
  if (!option.take(*options, checked)) return refuse(check.takes);
  return {};
}

}  // namespace

std::span<const OptionSpec> OptionTable() { return kOptions; }

Status ParseCommandLine(std::span<const std::string> args, CliOptions* options,
                        std::vector<std::string>* rest) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      const std::span<const std::string> after = args.subspan(i + 1);
      rest->insert(rest->end(), after.begin(), after.end());
      return {};
    }
    std::string name;
    std::optional<std::string> value;
    const OptionSpec* option = nullptr;
    if (arg.starts_with("--")) {
      const size_t eq = arg.find('=');
      name = arg.substr(0, eq);
      if (eq != std::string::npos) value = arg.substr(eq + 1);
      option = FindOption(name);
      if (option == nullptr) return Failure{"unknown option " + name};
    } else if (arg.size() >= 2 && arg[0] == '-' && (option = FindShortOption(arg[1])) != nullptr) {
      name = arg.substr(0, 2);
      if (arg.size() > 2) value = arg.substr(2);
    } else {
      rest->push_back(arg);
      continue;
    }
    if (Status taken = TakeOption(*option, name, std::move(value), args, &i, options); !taken) {
      return taken;
    }
  }
  return {};
}

}  // namespace kivo::cli
