#ifndef KIVO_APPS_CLI_OPTION_TABLE_H_
#define KIVO_APPS_CLI_OPTION_TABLE_H_

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli_options.h"
#include "platform/result.h"

namespace kivo::cli {

// What an option's value must be; the parser checks it.
enum class OptionKind {
  kFlag,      // no value; "--verify=1" is refused
  kText,      // any text, the empty one too
  kNonEmpty,  // any text but the empty one
  kCount,     // a whole number from low to high
  kSeconds,   // seconds, fractions allowed, from low to high; kept as milliseconds
  kWord,      // what the option's own reader takes (a port, a coding, a list)
  kRefused,   // never taken from the command line; `takes` is the whole message
};

// Where the tool's help lists an option; kHidden ones it does not list.
enum class OptionGroup { kGeneral, kTransfer, kSafety, kSync, kView, kHidden };

// A checked value as an option's reader gets it: the text, and for kCount
// the number, for kSeconds the milliseconds.
struct OptionValue {
  std::string_view text;
  int number = 0;
};

// What a value must be, and the words that say so when it is not: "option
// --x takes <takes>, not 'v'"; a kCount without them says "a number from
// <low> to <high>".
struct OptionCheck {
  OptionKind kind = OptionKind::kFlag;
  int low = 0;  // kCount and kSeconds
  int high = 0;
  std::string_view takes{};
};

// One option of the tool: the command line, its check, the help and where
// the value goes. option_table.cc holds the rows and reads the command line
// with them; option_help.cc prints them.
struct OptionSpec {
  std::string_view name;        // "--port"
  std::string_view value_name;  // "PORT", "0|1|2"; empty for a flag
  OptionCheck check;
  OptionGroup group;
  // The commands it is for, separated by blanks; empty for every command.
  // Options may stand anywhere, so the others take it too and leave it be.
  std::string_view commands;
  std::string_view help;  // its lines in the help, joined by '\n'
  // Stores a checked value; false when a kWord reader does not take it.
  bool (*take)(CliOptions& options, const OptionValue& value);
  char short_name = 0;  // 'p': "-p PORT" and "-pPORT"
};

// Every option, in the order the help lists them.
std::span<const OptionSpec> OptionTable();

// Reads the command line (without the program name): options may stand
// anywhere, as "--name VALUE", "--name=VALUE", "-p VALUE" or "-pVALUE"; "--"
// ends them. Everything else (the command and its arguments) goes to *rest
// in order; so does a lone "-" or a "-x" that no option is spelled with.
// A failure with its message for an unknown option or a bad value.
Status ParseCommandLine(std::span<const std::string> args, CliOptions* options,
                        std::vector<std::string>* rest);

// The options' sections of the tool's help.
void PrintOptionsHelp(std::ostream& out);

// The options for one command, under a heading; nothing when only the ones
// for every command apply.
void PrintCommandOptions(std::string_view command, std::ostream& out);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_OPTION_TABLE_H_
