// kivo-link: the command-line tool. Options from the option table, then a
// command from the command table.

#include <iostream>
#include <string>
#include <vector>

#include "cli_context.h"
#include "command_table.h"
#include "option_table.h"
#include "platform/app_dirs.h"
#include "platform/program_dir.h"

namespace kivo::cli {
namespace {

constexpr std::string_view kVersion = "1.0.0";

int Run(const std::vector<std::string>& args) {
  CliContext context;
  context.out = &std::cout;
  context.err = &std::cerr;
  std::vector<std::string> rest;
  if (Status parsed = ParseCommandLine(args, &context.options, &rest); !parsed) {
    return context.UsageFailure(parsed.error());
  }
  const CliOptions& options = context.options;
  if (options.version) {
    std::cout << kToolName << " " << kVersion << "\n";
    return kExitOk;
  }
  if (rest.empty()) {
    if (options.help) {
      PrintToolHelp(std::cout);
      return kExitOk;
    }
    return context.UsageFailure("no command given");
  }
  const CliCommand* command = FindCommand(rest.front());
  if (command == nullptr) return context.UsageFailure("unknown command '" + rest.front() + "'");
  if (options.help) {
    PrintCommandHelp(*command, std::cout);
    return kExitOk;
  }
  const int count = static_cast<int>(rest.size()) - 1;
  if (count < command->min_args || count > command->max_args) {
    return context.UsageFailure(std::string(count < command->min_args ? "too few" : "too many") +
                                " arguments for '" + std::string(command->name) +
                                "'; usage: " + std::string(kToolName) + " " +
                                std::string(command->name) + " " + std::string(command->arguments));
  }
  // A build tree keeps its files beside the program; an installed one makes
  // its XDG folders here. A folder that cannot be made is reported by the
  // command that writes into it.
  const AppDirs dirs = CurrentAppDirs();
  (void)CreateAppDirs(dirs);
  if (Status built = BuildContext(dirs, &context); !built) {
    std::cerr << kToolName << ": " << built.error() << "\n";
    return kExitFailure;
  }
  context.tables = LoadTables(TablesDirectory());
  int status = command->run(context, std::span(rest).subspan(1));
  std::cout.flush();
  return status;
}

}  // namespace
}  // namespace kivo::cli

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kivo::cli::Run(args);
}
