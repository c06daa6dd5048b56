#ifndef KIVO_APPS_CLI_COMMAND_TABLE_H_
#define KIVO_APPS_CLI_COMMAND_TABLE_H_

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli_context.h"

namespace kivo::cli {

// One command of the tool. Each command group lives in its own file and
// hands out its table; AllCommands() lists the groups.
struct CliCommand {
  std::string_view name;
  std::string_view arguments;  // "FILE.bkf [APP]"
  std::string_view summary;    // one line for the tool's help
  std::string_view details;    // further lines for the command's own help; may be empty
  int min_args;
  int max_args;
  int (*run)(CliContext& context, std::span<const std::string> args);
};

// Command groups.
std::span<const CliCommand> FileCommands();      // info, show
std::span<const CliCommand> ExchangeCommands();  // export, import
std::span<const CliCommand> DemoCommands();      // demo
// backup, restore, upload, download, send, detect, simulate, linetest, ports
std::span<const CliCommand> TransferCommands();
std::span<const CliCommand> HistoryCommands();  // history, diff
std::span<const CliCommand> ViewCommands();     // find
std::span<const CliCommand> PrintCommands();    // print (built with the printing module)

// Every command, in the order the help lists them.
const std::vector<CliCommand>& AllCommands();
const CliCommand* FindCommand(std::string_view name);

void PrintToolHelp(std::ostream& out);
void PrintCommandHelp(const CliCommand& command, std::ostream& out);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_COMMAND_TABLE_H_
