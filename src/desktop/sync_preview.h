#ifndef KIVO_DESKTOP_SYNC_PREVIEW_H_
#define KIVO_DESKTOP_SYNC_PREVIEW_H_

// The words of File > "Synchronize..." and of Option > "Sync targets...": what
// their dialogs show of a dry run and of the settings. The dialogs only lay
// them out.

#include <array>
#include <string>
#include <vector>

#include "sync/sync_report.h"
#include "view/list_row.h"

namespace kivo {

// A conflict policy as the settings name it and as the dialog offers it.
struct ConflictChoice {
  const char* key;
  const char* text;
};
// In the order the dialog offers them; the first is the default.
inline constexpr ConflictChoice kConflictChoices[] = {
    {"keep-both", "Keep both records"},
    {"organizer", "Keep the Organizer's record"},
    {"pc", "Keep the record on this PC"},
};

// "2 added, 1 changed, 0 removed".
[[nodiscard]] std::string SideCountsText(const SideCounts& counts);

// The "Synchronize" dialog's words for a dry run of the organizer with
// `other` (the side as the user knows it).
struct SyncPreviewText {
  std::string intro;
  // The columns: the application, what happens on each side, the conflicts.
  std::array<std::string, 4> titles;
  std::vector<std::array<std::string, 4>> rows;
  // Under the rows: what a side read in part or not at all, the records
  // each side gets, loses or has no room for, the conflicts with their
  // records and sides, and the refusals, as the command line prints them.
  std::string details;
  // What OK does: a sync the guards refuse goes ahead all the same.
  std::string question;
};
[[nodiscard]] SyncPreviewText DescribeSyncPreview(const SyncReport& dry_run,
                                                  const RowContext& context,
                                                  const std::string& other);

// The password question for `user` (may be empty) on the server at `target`.
[[nodiscard]] std::string PasswordQuestion(const std::string& target, const std::string& user);

}  // namespace kivo

#endif  // KIVO_DESKTOP_SYNC_PREVIEW_H_
