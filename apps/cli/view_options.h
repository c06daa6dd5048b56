#ifndef KIVO_APPS_CLI_VIEW_OPTIONS_H_
#define KIVO_APPS_CLI_VIEW_OPTIONS_H_

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kivo::cli {

// The options of find and print; like the other options they may stand
// anywhere on the line.
struct ViewOptions {
  // --apps LIST: the applications, as a mask of bits (1 << AppliId).
  std::optional<uint8_t> apps;
  std::optional<std::filesystem::path> pdf;  // --pdf OUT.pdf
  // --month YYYY-MM
  std::optional<int> year;
  std::optional<int> month;
};

// Takes these options out of the command line and leaves everything else, in
// order, in *rest. "--" ends the options. False with a message in *error for
// a bad value.
[[nodiscard]] bool ExtractViewOptions(const std::vector<std::string>& args, ViewOptions* options,
                                      std::vector<std::string>* rest, std::string* error);

// The options' lines for the tool's help.
void PrintViewOptionsHelp(std::ostream& out);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_VIEW_OPTIONS_H_
