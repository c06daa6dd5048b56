#include "command_table.h"

#include <ostream>

#include "link_options.h"
#include "view_options.h"

namespace kivo::cli {

const std::vector<CliCommand>& AllCommands() {
  static const std::vector<CliCommand> commands = [] {
    std::vector<CliCommand> all;
    // A new command group adds its table here.
    std::vector<std::span<const CliCommand>> groups{
        FileCommands(), ExchangeCommands(), TransferCommands(), HistoryCommands(), ViewCommands()};
#ifdef KIVO_CLI_PRINT
    groups.push_back(PrintCommands());
#endif
    groups.push_back(DemoCommands());
    for (std::span<const CliCommand> group : groups) {
      all.insert(all.end(), group.begin(), group.end());
    }
    return all;
  }();
  return commands;
}

const CliCommand* FindCommand(std::string_view name) {
  for (const CliCommand& command : AllCommands()) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

void PrintToolHelp(std::ostream& out) {
  out << "Usage: " << kToolName << " [OPTIONS] COMMAND [ARGS]\n"
      << "Works with the backup files of the TR/VX-480 and VX-480M organizers.\n\n"
      << "Commands:\n";
  for (const CliCommand& command : AllCommands()) {
    std::string usage = std::string(command.name) + " " + std::string(command.arguments);
    out << "  " << usage;
    for (size_t n = usage.size(); n < 34; ++n) out << ' ';
    out << " " << command.summary << "\n";
  }
  out << "\nOptions:\n"
      << "  --settings FILE        settings file instead of Kivo-LinkUtility.ini in the\n"
      << "                         program directory (installed: ~/.config/kivo-link)\n"
      << "  --device-code N        device code 1 or 2 of the organizer (setting DeviceCode)\n"
      << "  --plain                write backup files with a plain body (\"IM2BK0\")\n"
      << "  --date-format 0|1|2    dates as mm/dd/yyyy, dd.mm.yyyy or yyyy.mm.dd\n"
      << "  --hour-format 0|1      times in 12-hour or 24-hour form\n"
      << "  --encoding utf-8|cp1252\n"
      << "                         character coding of CSV files (export: utf-8;\n"
      << "                         import: found from the file)\n"
      << "  --format csv|vcard|ical\n"
      << "                         file format of export and import instead of the\n"
      << "                         file's extension (.csv, .vcf, .ics)\n"
      << "  --duplicates           vCard and iCalendar import: add records the\n"
      << "                         application already holds as well\n"
      << "  --help                 this help; after a command, the command's help\n"
      << "  --version              the tool's version\n\n"
      << "APP is schedule, anniversary, todo, memo, expense, telephone, category or 0..6.\n"
      << "Exit status: 0 success, 1 a file could not be read, written or taken,\n"
      << "2 bad command line. diff and restore --dry-run: 0 same records, 1 different\n"
      << "(diff: 2 on trouble).\n";
  PrintLinkOptionsHelp(out);
  PrintViewOptionsHelp(out);
}

void PrintCommandHelp(const CliCommand& command, std::ostream& out) {
  out << "Usage: " << kToolName << " [OPTIONS] " << command.name << " " << command.arguments << "\n"
      << command.summary << "\n";
  if (!command.details.empty()) out << "\n" << command.details << "\n";
}

}  // namespace kivo::cli
