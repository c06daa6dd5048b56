#ifndef KIVO_DESKTOP_STATUS_WORDS_H_
#define KIVO_DESKTOP_STATUS_WORDS_H_

// What the main window's status bar and Edit > Undo say.

#include <optional>
#include <string>

#include "comm/run_mode.h"
#include "platform/clock.h"
#include "store/result_code.h"

namespace kivo {

struct AppSettings;

// The word on a link session that ended with `result`: nothing unless it
// went through; then the running command's own word when it gave one
// (DesktopUser::SessionsSay; "" says nothing), else the run's ("Backup
// complete").
[[nodiscard]] std::string SessionDoneWord(RunMode run_mode, ResultCode result,
                                          const std::optional<std::string>& said);

// "Port: COM1 (/dev/ttyS0)", the port the transfers use.
[[nodiscard]] std::string PortStatus(const AppSettings& settings);
// "Organizer: ...", the model the last session saw (empty: none yet).
[[nodiscard]] std::string OrganizerStatus(const std::string& last_model);
// "Last Backup: 2026-05-01 14:03", or "none" when the history holds none.
[[nodiscard]] std::string BackupStatus(const std::optional<LocalDateTime>& backup);

// Edit > Undo's item, naming the step it takes back (empty: none).
[[nodiscard]] std::string UndoItemText(const std::string& step);

}  // namespace kivo

#endif  // KIVO_DESKTOP_STATUS_WORDS_H_
