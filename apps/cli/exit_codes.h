#ifndef KIVO_APPS_CLI_EXIT_CODES_H_
#define KIVO_APPS_CLI_EXIT_CODES_H_

#include "store/result_code.h"

namespace kivo::cli {

// The exit status of every command, as the man page and --help tell them.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a file could not be read, written or taken
inline constexpr int kExitUsage = 2;    // bad command line
// A run that failed: this plus its ResultCode (112 for a detection that
// found nothing).
inline constexpr int kExitRunFailed = 100;
// A transfer whose records read back differ from those sent.
inline constexpr int kExitVerifyFailed = 120;
// diff and restore --dry-run, as diff(1) has them.
inline constexpr int kExitSame = 0;
inline constexpr int kExitDifferent = 1;
inline constexpr int kExitTrouble = 2;

[[nodiscard]] constexpr int RunFailedExit(ResultCode code) {
  return kExitRunFailed + static_cast<int>(code);
}

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_EXIT_CODES_H_
