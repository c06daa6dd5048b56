// The options' lines of the tool's help and of a command's help, from the
// option table.

#include <algorithm>
#include <ostream>
#include <string>

#include "option_table.h"

namespace kivo::cli {
namespace {

using enum OptionGroup;

// The sections of the tool's help, in order, each with the lines that
// follow its options.
struct HelpSection {
  OptionGroup group;
  std::string_view title;
  std::string_view after;
};

constexpr HelpSection kSections[] = {
    {kGeneral, "Options:",
     "APP is schedule, anniversary, todo, memo, expense, telephone, category or 0..6.\n"
     "Exit status: 0 success, 1 a file could not be read, written or taken,\n"
     "2 bad command line. diff and restore --dry-run: 0 same records, 1 different\n"
     "(diff: 2 on trouble).\n"},
    {kTransfer, "Transfer options:", ""},
    {kSafety, "Safety and history options:", ""},
    {kSync, "Sync options:",
     "A transfer exits 0 on success and 100 + the result code on failure: 100\n"
     "aborted (Ctrl+C), 105 no answer, 106..110 port cannot be opened, 111 I/O\n"
     "error, 113 file not compatible, 114 reception incomplete, 115 not all sent,\n"
     "117 given up after a file error; 120 the records read back differ\n"
     "from those sent (--verify).\n"},
    {kView, "Options of find and print:", ""},
};

bool ForCommand(const OptionSpec& option, std::string_view command) {
  std::string_view list = option.commands;
  while (!list.empty()) {
    const size_t blank = std::min(list.find(' '), list.size());
    if (list.substr(0, blank) == command) return true;
    list.remove_prefix(std::min(blank + 1, list.size()));
  }
  return false;
}

// "  --name VALUE" and its help in a column; a long name takes a line of its
// own.
void PrintOptionLines(const OptionSpec& option, std::ostream& out) {
  constexpr size_t kHelpColumn = 25;
  std::string usage = "  ";
  if (option.short_name != 0) usage.append({'-', option.short_name, ',', ' '});
  usage += option.name;
  if (!option.value_name.empty()) usage.append(" ").append(option.value_name);
  if (usage.size() + 2 > kHelpColumn) {
    usage += "\n";
    usage.append(kHelpColumn, ' ');
  } else {
    usage.resize(kHelpColumn, ' ');
  }
  out << usage;
  for (char c : option.help) {
    out << c;
    if (c == '\n') out << std::string(kHelpColumn, ' ');
  }
  out << "\n";
}

}  // namespace

void PrintOptionsHelp(std::ostream& out) {
  for (const HelpSection& section : kSections) {
    out << "\n" << section.title << "\n";
    for (const OptionSpec& option : OptionTable()) {
      if (option.group == section.group) PrintOptionLines(option, out);
    }
    if (!section.after.empty()) out << "\n" << section.after;
  }
}

void PrintCommandOptions(std::string_view command, std::ostream& out) {
  bool any = false;
  for (const OptionSpec& option : OptionTable()) {
    if (option.group == kHidden || !ForCommand(option, command)) continue;
    if (!any) out << "\nOptions:\n";
    any = true;
    PrintOptionLines(option, out);
  }
}

}  // namespace kivo::cli
