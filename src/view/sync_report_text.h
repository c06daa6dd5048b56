#ifndef KIVO_VIEW_SYNC_REPORT_TEXT_H_
#define KIVO_VIEW_SYNC_REPORT_TEXT_H_

#include <string>

#include "sync/sync_report.h"
#include "view/list_row.h"

namespace kivo {

// The report as text (UTF-8, lines ending with "\n"): one line per
// application with what was added, changed and removed on each side and its
// conflicts, e.g.
//   Memo              organizer: 1 added, 2 changed, 0 removed   PC: 0 added, 1 changed, 0 removed
//   1 conflict
// then the conflicts, each with its records as `show` prints them, then the
// guard refusals or the failure. `context` gives the display modes and the
// expense category names for the records.
[[nodiscard]] std::string RenderSyncReport(const SyncReport& report, const RowContext& context);

}  // namespace kivo

#endif  // KIVO_VIEW_SYNC_REPORT_TEXT_H_
