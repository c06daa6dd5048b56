#include "command_table.h"

#include <ostream>

#include "option_table.h"

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
  PrintOptionsHelp(out);
}

void PrintCommandHelp(const CliCommand& command, std::ostream& out) {
  out << "Usage: " << kToolName << " [OPTIONS] " << command.name << " " << command.arguments << "\n"
      << command.summary << "\n";
  if (!command.details.empty()) out << "\n" << command.details << "\n";
  PrintCommandOptions(command.name, out);
}

}  // namespace kivo::cli
