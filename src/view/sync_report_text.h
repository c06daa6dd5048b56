#ifndef KIVO_VIEW_SYNC_REPORT_TEXT_H_
#define KIVO_VIEW_SYNC_REPORT_TEXT_H_

#include <string>

#include "sync/sync_report.h"
#include "view/list_row.h"

namespace kivo {

// The report as text (UTF-8, lines ending with "\n"): one line per
// application with what was added, changed and removed on each side, what
// had no room there and its conflicts, e.g.
//   Memo              organizer: 1 added, 2 changed, 0 removed   PC: 0 added, 1 changed, 0 removed
//   1 conflict
// then what a side read in part or not at all; with `records`, the records
// themselves per application and side as `show` prints them (added, changed
// with the version it replaces, removed, without room); then the conflicts,
// each with its records, then the guard refusals or the failure (a damaged
// state with the way on). `context` gives the display modes and the expense
// category names for the records.
[[nodiscard]] std::string RenderSyncReport(const SyncReport& report, const RowContext& context,
                                           bool records = true);
// The part below the lines per application: the notes, the records, the
// conflicts and the refusals; empty when there is none.
[[nodiscard]] std::string RenderSyncDetails(const SyncReport& report, const RowContext& context,
                                            bool records = true);

}  // namespace kivo

#endif  // KIVO_VIEW_SYNC_REPORT_TEXT_H_
