#ifndef KIVO_DESKTOP_SYNC_PREVIEW_H_
#define KIVO_DESKTOP_SYNC_PREVIEW_H_

// The words of File > "Synchronize..." and of Option > "Sync targets...": what
// their dialogs show of a dry run and of the settings. The dialogs only lay
// them out.

#include <array>
#include <span>
#include <string>
#include <vector>

#include "commands/command_user.h"
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

// The "Synchronize" dialog's words for the one dry run of the organizer with
// every side (each side as the user knows it).
struct SyncPreviewText {
  std::string intro;
  // The columns: the application, what happens on each side, the conflicts.
  std::array<std::string, 4> titles;
  // The rows of one pair, under the side's name when there are several.
  struct Group {
    std::string title;  // empty for the only pair
    std::vector<std::array<std::string, 4>> rows;
  };
  std::vector<Group> groups;
  // Under the rows, per pair: what a side read in part or not at all, the
  // records each side gets, loses or has no room for, the conflicts with
  // their records and sides, and the refusals, as the command line prints
  // them.
  std::string details;
  // What OK does: a sync the guards refuse goes ahead all the same.
  std::string question;
};
[[nodiscard]] SyncPreviewText DescribeSyncPreview(std::span<const SyncDryRun> pairs,
                                                  const RowContext& context);

// The password question for `user` (may be empty) on the server at `target`.
[[nodiscard]] std::string PasswordQuestion(const std::string& target, const std::string& user);

}  // namespace kivo

#endif  // KIVO_DESKTOP_SYNC_PREVIEW_H_
